// Lengthening and shortening curves at one end.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

namespace cad {

enum class LengthenBy {
    Delta,   // by the value (negative: shorter)
    Percent, // to the value per cent of the length
    Total,   // to the value as the whole length
};

// Changes the end of the curve nearer to `pick` (along the curve): a line straight on, an arc
// or elliptic arc along its circle or ellipse, an open polyline by its end segment (straight
// on, or along the circle of an arc segment; shortened past that segment, the segments before
// it go too), a spline only shorter (along itself). Refused: TooShort for a length of nothing
// or less, TooLong for an arc that would close on itself, ClosedCurve for closed curves,
// Unsupported for a longer spline.
Outcome<Curve> lengthenCurve(const Curve& c, Vec2 pick, LengthenBy by, double value);

} // namespace cad
