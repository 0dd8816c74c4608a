// Counts of what a drawing holds.
#pragma once

#include "engine/model/Drawing.h"

#include <array>
#include <cstdint>
#include <vector>

namespace cad {

struct DrawingStatistics {
    int entities = 0;          // live entities of the drawing itself
    std::int64_t vertices = 0; // of polylines, splines (their fit points) and hatches
    std::int64_t textChars = 0;
    std::array<int, kEntityTypeCount> byType{};
    // Dimensions by their group of kinds (see dimensionGroup).
    std::array<int, 5> dimensionsByGroup{};
    std::vector<int> byLayer; // index: layer
    std::vector<int> byBlock; // live entities each block owns
    Rect extents;
};

DrawingStatistics computeStatistics(const Drawing& d);

} // namespace cad
