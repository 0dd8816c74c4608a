// The monkey in the drawing window driven by the fuzzer's bytes: each byte chooses the next
// event or its details (clicks, drags, keys, typed values, commands, dialogs answered), and
// what must always hold is checked every fifty events (the index, the drawing reading back,
// every step taken back and made anew). A failure aborts with what failed and the last
// events; run the crash input again to see it.
#include "tests/engine/Monkey.h"

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QApplication> application;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application = std::make_unique<QApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    const cad::monkey::Choice choose = [&](std::uint32_t n) -> std::uint32_t {
        if (n <= 1)
            return 0;
        std::uint32_t v = 0;
        for (int k = 0; k < (n > 256 ? 2 : 1); ++k)
            v = (v << 8) | (at < size ? data[at++] : 0u);
        return v % n;
    };
    // About one event for every three bytes given.
    const std::size_t events = std::min<std::size_t>(size / 3 + 1, 600);
    if (const auto failure = cad::monkey::run(choose, {events, 50})) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        std::abort();
    }
    return 0;
}
