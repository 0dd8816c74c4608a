// The points of entities a dimension can be tied to, by what they are (an end, a middle, a
// centre, a point; where two entities meet, the foot of a perpendicular, a point of a circle)
// rather than by where they lie: found for a point a snap picked, and found again after the
// entity changed. Points are worked out as the snaps work them out (engine/model/Curves.h).
#pragma once

#include "engine/model/Drawing.h"
#include "engine/snap/SnapSettings.h"

#include <optional>
#include <span>
#include <utility>

namespace cad {

// The point of an entity that a snap of that kind found at `point` among the entities listed
// (those the snap looked at): which entity and which of its points. Nothing when no entity
// of the drawing itself has that point there, or for kinds that tie to nothing (nearest,
// tangent, tracking, steps, grid). A perpendicular is tied with `from` 0: the caller names
// the point it runs from.
std::optional<PointTie> tieAt(const Drawing& d, std::span<const std::uint32_t> entities,
                              SnapKind kind, Vec2 point);
// The same among the entities near the point, as the index finds them.
std::optional<PointTie> tieAt(const Drawing& d, SnapKind kind, Vec2 point, double reach);

// Where a tied point lies now: `previous` is where it lay (an intersection or foot nearest to
// it is taken), `from` the point a perpendicular runs from. Nothing when the entity is gone
// (deleted, or part of a block now) or no longer has such a point: the tie ends there.
std::optional<Vec2> tiedPoint(const Drawing& d, const PointTie& tie, Vec2 previous, Vec2 from);

// The centre of the arc a polyline follows at a segment (see engine/model/PolylineArc.h), and its
// point in the direction of p from that centre, as ties; nothing when it follows no arc there.
std::optional<std::pair<PointTie, PointTie>> polylineArcTies(const Drawing& d, std::uint32_t h,
                                                             std::uint32_t segment, Vec2 p);
// The point of a circle or arc in the direction of p from its centre, as a tie.
std::optional<PointTie> circleTie(const Drawing& d, std::uint32_t handle, Vec2 p);

} // namespace cad
