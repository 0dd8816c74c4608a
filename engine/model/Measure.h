// Lengths, areas and directions of what a person measures: picked points and entities.
#pragma once

#include "engine/model/Drawing.h"

#include <cmath>
#include <optional>
#include <span>
#include <string>

namespace cad {

double distance(Vec2 a, Vec2 b);
// The length of the path through the points, with the segment back to the first point when
// closed.
double pathLength(std::span<const Vec2> points, bool closed = false);
// The area of the polygon through the points (shoelace formula): positive when they run
// counter-clockwise, negative when clockwise, 0 for fewer than three points.
double signedArea(std::span<const Vec2> points);
inline double polygonArea(std::span<const Vec2> points) {
    return std::abs(signedArea(points));
}
// The direction from a to b in degrees, counter-clockwise from the x axis, in [0, 360);
// 0 when the points are the same.
double segmentAngle(Vec2 a, Vec2 b);
// The sweep of an arc from its start to its end angle, counter-clockwise, in (0, 360]
// (equal angles make a whole turn).
double arcSweep(double startDegrees, double endDegrees);
double distanceToSegment(Vec2 p, Vec2 a, Vec2 b);

struct EntityMeasure {
    double length = 0;           // the length, or the perimeter of a closed shape
    std::optional<double> area;  // closed shapes only
    std::optional<double> angle; // lines: the direction from start to end
};
// The measures of a live entity that has a length (lines, polylines, splines, circles, arcs,
// sectors, ellipses, rectangles, hatch boundaries); nothing for the other kinds and for an
// invalid handle.
std::optional<EntityMeasure> measureEntity(const Drawing& d, int handle);
// The distance from p to the outline of an entity that measureEntity measures; nothing for the
// others.
std::optional<double> distanceToEntity(const Drawing& d, int handle, Vec2 p);

// What a measured value is, for the text that shows it on the drawing.
enum class MeasuredKind { Length, TotalLength, Area, Perimeter };
struct DimensionStyle;
// What a measured value of that kind is multiplied by to be shown as dimensions of the style
// show theirs: lengths by the style's scale value, areas by its square (angles never are).
double measurementScale(MeasuredKind kind, const DimensionStyle& style);
// The dimension style measurements of a drawing are shown in: the one new dimensions take.
const DimensionStyle& measurementStyle(const Drawing& d);
// A measured value as a text placed on the drawing shows it, as dimensions show their values:
// lengths multiplied by the style's scale value and rounded off as it says, areas multiplied
// by the square of the scale value; in its decimals, trailing zeros and separator.
std::string measurementLabel(double value, MeasuredKind kind, const DimensionStyle& style);
// The same in the dimension style measurements are labelled in: a new drawing's (decimal
// comma, two decimals).
std::string measurementLabel(double value, MeasuredKind kind);

} // namespace cad
