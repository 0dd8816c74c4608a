// Smooth curves through picked points: a cubic spline through every fit point, its parameter
// running with the length of the chords between them (open: natural ends; closed: periodic).
#pragma once

#include "engine/model/Geometry.h"

#include <span>
#include <vector>

namespace cad {

// Adds points of the curve through the fit points to `out`, the first and last fit points
// included, no chord farther than about `tolerance` from the curve. Fewer than three fit
// points give the straight path through them.
void splinePoints(std::span<const Vec2> fitPoints, bool closed, double tolerance,
                  std::vector<Vec2>& out);

} // namespace cad
