// The drawing of a million entities that the benchmarks of editing and of copies share:
// polylines, lines, circles and texts on 20 layers over a 100 km x 60 km area.
#pragma once

#include "engine/model/Drawing.h"

namespace bench {

inline constexpr int kMillion = 1'000'000;

// Fills a drawing (with its layer "0" only) with the million entities, always the same ones.
void fillMillionEntities(cad::Drawing& d);

} // namespace bench
