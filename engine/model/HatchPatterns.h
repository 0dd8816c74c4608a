// The engine's hatch patterns: families of parallel lines, by name. Renderer, DXF export and
// the hatch dialog share them.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace cad {

// A family of parallel lines at scale 1: their direction (degrees), the distance between
// them, and dashes along them (an empty pattern: continuous).
struct PatternLine {
    double angle;
    double spacing;
    double dash = 0, gap = 0; // 0, 0: continuous
};

struct HatchPattern {
    std::string_view name;
    std::vector<PatternLine> lines; // none: a solid fill
};

const std::vector<HatchPattern>& hatchPatterns();
// The pattern of a name (compared ignoring case); patterns of other programs the engine does
// not know are drawn as the first hatched one.
const HatchPattern& patternNamed(std::string_view name);

} // namespace cad
