#include "support/Platform.h"

#include "support/QtPlatform.h"

namespace {
std::unique_ptr<Platform>& installed() {
    static std::unique_ptr<Platform> platform;
    return platform;
}
} // namespace

Platform& CurrentPlatform() {
    auto& p = installed();
    if (!p)
        p = std::make_unique<QtPlatform>();
    return *p;
}

std::unique_ptr<Platform> InstallPlatform(std::unique_ptr<Platform> platform) {
    auto previous = std::move(installed());
    installed() = std::move(platform);
    return previous;
}
