// Breaking curves: splitting one at a point, or taking out the part between two points.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

#include <vector>

namespace cad {

// The curve split at the point of it nearest to `at`: an open curve into two; a closed
// polyline or spline opened there (one curve that starts and ends at the point). Circles and
// whole ellipses cannot be opened at one point (an arc is never whole): Refusal::NeedsTwoCuts.
// A point at an end of an open curve splits nothing: Refusal::BreakOutside.
Outcome<std::vector<Curve>> breakAt(const Curve& c, Vec2 at);

// The part between the points of the curve nearest to `first` and `second` taken out: an open
// curve keeps what lies before the one and after the other (none, one or two curves). A closed
// curve keeps one curve: the part from `second` round to `first` counter-clockwise, so that
// the part from `first` counter-clockwise to `second` is taken out (a circle broken from a
// point at 0° to one at 90° keeps the three quarters from 90° to 360°), whichever way a closed
// polyline or spline runs.
Outcome<std::vector<Curve>> breakBetween(const Curve& c, Vec2 first, Vec2 second);

} // namespace cad
