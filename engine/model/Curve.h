// One curve of any kind that the modify tools change (lines, arcs, circles, ellipses, splines
// through fit points and polylines with arc segments), with what they ask of every kind alike:
// a parameter along it, points and directions there, the part between two parameters, where
// two curves meet. Rectangles come as closed polylines (pathOf), entities of block insertions
// as the curves they show.
//
// Parameters: a line runs from 0 to 1; an arc from 0 to its sweep in radians (from its start
// angle, counter-clockwise); a circle from 0 to 2π (from angle 0); an ellipse from 0 to its
// sweep in radians of its own parameter (from its start parameter); a spline from 0 to the
// length of the chords between its fit points; a polyline from 0 to its number of segments
// (segment i from i to i + 1). Closed curves go round: their parameters are taken in any turn.
#pragma once

#include "engine/model/Path.h"

#include <variant>
#include <vector>

namespace cad {

// A smooth curve through fit points (see Spline.h).
struct SplineData {
    std::vector<Vec2> fit;
    bool closed = false;
};

using Curve = std::variant<LineData, ArcData, CircleData, EllipseData, SplineData, Path>;

bool isClosed(const Curve& c);
bool finite(const Curve& c);
// The smallest and largest parameter.
double parameterStart(const Curve& c);
double parameterEnd(const Curve& c);

Vec2 pointAt(const Curve& c, double u);
// The unit direction of travel at u.
Vec2 tangentAt(const Curve& c, double u);
// The parameter of the point of the curve nearest to p.
double closestParameter(const Curve& c, Vec2 p);
double distanceTo(const Curve& c, Vec2 p);
Vec2 startPoint(const Curve& c);
Vec2 endPoint(const Curve& c);
double curveLength(const Curve& c);
// The length along the curve from its start to u.
double lengthTo(const Curve& c, double u);
// The parameter at that length along the curve from its start.
double parameterAtLength(const Curve& c, double length);

// The part from u0 to u1 (u0 < u1; a closed curve runs on past its end from u0 to reach u1).
// A circle gives an arc, a closed ellipse an elliptic arc, a closed polyline or spline an open
// one; a spline's part runs through the fit points between and through points of the curve
// added near the cuts, so that it keeps the curve's shape.
Curve pieceOf(const Curve& c, double u0, double u1);

// The same curve run the other way. Arcs, circles and ellipses run counter-clockwise by their
// definition and stay as they are; lines change ends, splines take their fit points the other
// way round, polylines reverse with their bulges (see reversed(Path)).
Curve reversedCurve(const Curve& c);

// Lines and arcs (elliptic ones too) made as long as whole: lines `reach` past each end, arcs
// their whole circle or ellipse. Other kinds stay as they are.
Curve extendedCurve(const Curve& c, double reach);

// Where two curves meet: the point and its parameter on each. Where they run along each other
// the ends of the common part count.
struct CurveHit {
    Vec2 p;
    double u = 0; // on the first
    double v = 0; // on the second
};
std::vector<CurveHit> intersections(const Curve& a, const Curve& b);
// Where a curve crosses itself (the common ends of neighbouring segments not counted), as
// parameter pairs u < v.
std::vector<CurveHit> selfIntersections(const Curve& c);

// The curve as a polyline with arcs: exact for lines, arcs, circles and polylines, within
// `tolerance` for ellipses and splines.
Path pathApproximation(const Curve& c, double tolerance);
Rect curveBox(const Curve& c);

} // namespace cad
