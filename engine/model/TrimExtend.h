// Trimming curves at cutting edges and extending them to boundary edges. The edges may be
// curves of every kind; with `extendEdges` lines count as whole lines and arcs (elliptic ones
// too) as their whole circle or ellipse, as if they went on (polylines and splines stay as they
// are). The same call gives the preview and the change.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

#include <span>
#include <vector>

namespace cad {

// Removes the part of `target` between the two cut points on either side of the point picked
// on it (`pick`, the point of the curve nearest to it counts), or from the cut to the end where
// the pick has cuts on one side only. What is left: none, one or two curves (a circle trimmed
// becomes an arc, a closed ellipse an elliptic arc, a closed polyline or spline an open one; a
// closed curve needs two cuts). Refused with NoIntersection when no edge cuts the target, with
// NeedsTwoCuts for a closed curve cut once.
Outcome<std::vector<Curve>> trimCurve(const Curve& target, Vec2 pick, std::span<const Curve> edges,
                                      bool extendEdges = false);

// Lengthens the end of `target` nearer to the pick (along the curve) until it meets the nearest
// boundary: a line straight on, an arc or elliptic arc along its circle or ellipse, a polyline
// by its end segment (straight on, or along the circle of an arc segment), a spline straight
// on along its end direction to a new last (or first) fit point. Refused with NoIntersection
// when no boundary lies on the way, with ClosedCurve for a closed curve.
Outcome<Curve> extendCurve(const Curve& target, Vec2 pick, std::span<const Curve> boundaries,
                           bool extendEdges = false);

} // namespace cad
