// The circle a polyline follows at one of its segments, for dimensioning a radius: the arc of
// an arc segment, or the arc that a run of short straight segments stands for. Road drawings
// come from plotters that draw every arc as such a run, so a kerb corner is a polyline whose
// vertices lie on one circle.
#pragma once

#include "engine/model/Path.h"

#include <cstddef>
#include <optional>

namespace cad {

struct FollowedArc {
    Vec2 centre;
    double radius = 0;
};

// The circle of segment `segment`: its own when it is an arc; for a straight one, the circle
// through the vertices around it when at least four of them in a row lie on one circle (within
// a few thousandths of its radius, as rounded coordinates leave them), turning the same way by
// less than 45° at each. Nothing for a corner, a straight run or a segment of no length.
std::optional<FollowedArc> followedArcAt(const Path& path, std::size_t segment);

} // namespace cad
