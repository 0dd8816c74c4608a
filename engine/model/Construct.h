// Shapes made from picked points: circles and arcs through points, angles of directions.
#pragma once

#include "engine/model/Entity.h"

#include <optional>

namespace cad {

// The direction from a to b in degrees, counter-clockwise from the x axis, in [0, 360).
double directionDegrees(Vec2 a, Vec2 b);
// The circle through three points; nothing when they lie on one line (or two are the same).
std::optional<CircleData> circleThrough(Vec2 a, Vec2 b, Vec2 c);
// The arc from `start` through `middle` to `end`, whichever way round that runs; nothing when
// the points lie on one line. Arcs run counter-clockwise from their start angle to their end
// angle, so an arc picked clockwise has its ends the other way round.
std::optional<ArcData> arcThrough(Vec2 start, Vec2 middle, Vec2 end);
// The arc about a centre from the direction of `start` counter-clockwise to the direction of
// `end`, with the radius of `start`.
ArcData arcAbout(Vec2 centre, Vec2 start, Vec2 end);

} // namespace cad
