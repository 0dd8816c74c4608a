#include "engine/model/HatchPatterns.h"

#include <algorithm>
#include <cctype>

namespace cad {

namespace {

constexpr double kStep = 3.175; // an eighth of an inch in millimetres, the usual spacing

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

const std::vector<HatchPattern>& hatchPatterns() {
    static const std::vector<HatchPattern> patterns = {
        // In the order of their descriptions among the engine's texts (11911 on).
        HatchPattern{"SOLID", {}},
        HatchPattern{"ANSI31", {PatternLine{45, kStep}}},
        HatchPattern{"ANSI37", {PatternLine{45, kStep}, PatternLine{135, kStep}}},
        HatchPattern{"LINE", {PatternLine{0, kStep}}},
        HatchPattern{"NET", {PatternLine{0, kStep}, PatternLine{90, kStep}}},
        HatchPattern{"DASH", {PatternLine{0, kStep, kStep, kStep}}},
    };
    return patterns;
}

const HatchPattern& patternNamed(std::string_view name) {
    const auto& all = hatchPatterns();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const HatchPattern& p) { return sameName(p.name, name); });
    return it != all.end() ? *it : all[1];
}

} // namespace cad
