// Offset curves: every point at one distance from a curve, on one side of it.
//
// Sides: a positive distance goes to the left of the way the curve runs, a negative one to the
// right. Arcs and circles run counter-clockwise, so a positive distance makes them smaller; a
// closed polyline that runs counter-clockwise grows with a negative one. `offsetSide` tells the
// side of a picked point, `offsetThroughDistance` the distance of a point from the curve.
//
// A polyline gives one polyline, not pieces: its segments are offset (arcs keep their centre
// and sweep), corners on the outer side are joined by extending the two segments until they
// meet (lines straight on, arcs along their circle; a corner that would reach farther than 100
// distances gets an arc) or by an arc about the corner, and the loops that inner corners and
// distances too large for the shape make are cut away: no point of the result is nearer to the
// polyline than the distance (with round corners every point is at it), and the result never
// crosses itself. A shape that narrows may fall into several polylines (a closed one into
// closed ones only); a closed one offset inward past its middle gives nothing, refused as
// Refusal::Vanishes.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Path.h"
#include "engine/model/Refusal.h"

#include <span>
#include <vector>

namespace cad {

enum class CornerJoin {
    Extend, // the segments go on until they meet (sharp corners)
    Round,  // an arc about the corner
};

Outcome<std::vector<Path>> offsetPath(const Path& path, double distance,
                                      CornerJoin corners = CornerJoin::Extend);

Outcome<LineData> offsetLine(const LineData& line, double distance);
Outcome<ArcData> offsetArc(const ArcData& arc, double distance);
Outcome<CircleData> offsetCircle(const CircleData& circle, double distance);
// Curves whose offset is no curve of their kind give polylines that stay within a thousandth of
// the distance (and of the curve's size, for distances larger than it) of the true offset.
Outcome<std::vector<Path>> offsetEllipse(const EllipseData& ellipse, double distance);
Outcome<std::vector<Path>> offsetSpline(std::span<const Vec2> fitPoints, bool closed,
                                        double distance);

// Any curve: lines, arcs and circles give one of their kind, the others polylines.
Outcome<std::vector<Curve>> offsetCurve(const Curve& c, double distance,
                                        CornerJoin corners = CornerJoin::Extend);
// The side of the curve a point lies on: +1 left of the way it runs, -1 right, 0 on it. For a
// closed curve, inside or outside (inside is the left of one that runs counter-clockwise).
int offsetSide(const Curve& c, Vec2 p);
// The distance that offsets the curve through a point: how far the point is from it.
double offsetThroughDistance(const Curve& c, Vec2 p);
// The offset to the side of `side` by `distance` (its sign not used).
Outcome<std::vector<Curve>> offsetCurveToward(const Curve& c, double distance, Vec2 side,
                                              CornerJoin corners = CornerJoin::Extend);
// The offset that runs through `through`.
Outcome<std::vector<Curve>> offsetCurveThrough(const Curve& c, Vec2 through,
                                               CornerJoin corners = CornerJoin::Extend);

// ---- for the work of several offsets (ellipses and splines give their offset as points)

// What is left of a raw offset (the offset of each piece of a curve, joined end to end, as a
// path open or closed as the curve is) when the parts nearer to the curve than the distance
// are cut away, joined into as few paths as they make. `curve` is the curve offset; `cuts` are
// further segments where the raw offset must be cut to find those parts (for an open curve:
// the raw offset on its other side, and circles of the distance about its ends). `tolerance`
// is how much nearer than the distance a point may be and still count (the raw offset's own
// error).
std::vector<Path> keepOffsetParts(const Path& raw, const Path& curve,
                                  const std::vector<PathSegment>& cuts, double distance,
                                  double tolerance);

} // namespace cad
