#include "engine/model/TextMeasure.h"

#include <atomic>

namespace cad {

namespace {

std::atomic<TextMeasure> installed{nullptr};

} // namespace

void setTextMeasure(TextMeasure measure) {
    installed.store(measure);
}

TextReach measureText(std::string_view fontFamily, std::string_view bytes) {
    if (const TextMeasure measure = installed.load())
        return measure(fontFamily, bytes);
    return TextReach{0.6 * static_cast<double>(bytes.size()), 0, 1};
}

} // namespace cad
