// Stretching: what lies inside a crossing window moves, what lies outside stays, and the curve
// between follows.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

namespace cad {

// Moves by `by` the defining points of the curve that lie inside `window`: a line's ends; an
// arc's ends (with both inside it moves whole; with one, that end moves and the arc keeps its
// height over the chord); the centre of a circle or ellipse (it moves whole); a polyline's
// vertices (an arc segment with one end moved keeps its height over the chord); a spline's fit
// points. Refused with TooShort when a line or arc would shrink to a point.
Outcome<Curve> stretchCurve(const Curve& c, const Rect& window, Vec2 by);

} // namespace cad
