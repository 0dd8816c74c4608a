// Polylines whose segments are straight or circular arcs, as drawing exchange formats keep them:
// each vertex carries the bulge of the segment that leaves it, tan(sweep / 4), positive when the
// arc runs counter-clockwise, 0 for a straight segment (bulge 1 is a half circle). The segments
// are worked on one at a time here: where a point lies on them, how long they are, where they
// meet; the changes made of whole polylines (offset, trim, fillet) build on these.
//
// A position on a segment is its parameter t from 0 at the start to 1 at the end, in proportion
// to the length along it (for an arc, to the angle).
#pragma once

#include "engine/model/Entity.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace cad {

struct PathVertex {
    Vec2 p;
    double bulge = 0; // of the segment from this vertex to the next
    friend bool operator==(const PathVertex&, const PathVertex&) = default;
};

// The bulge of the last vertex of an open path is not used.
struct Path {
    std::vector<PathVertex> v;
    bool closed = false;

    std::size_t segmentCount() const { return v.size() < 2 ? 0 : closed ? v.size() : v.size() - 1; }
    friend bool operator==(const Path&, const Path&) = default;
};

struct PathSegment {
    Vec2 a, b;
    double bulge = 0;
    bool isArc() const { return bulge > kStraightBulge || bulge < -kStraightBulge; }
};

// The circle an arc segment lies on: angles in radians, the sweep signed (counter-clockwise
// when positive).
struct ArcGeometry {
    Vec2 centre;
    double radius = 0;
    double startAngle = 0;
    double sweep = 0;
};

PathSegment segmentOf(const Path& path, std::size_t i);
ArcGeometry arcOf(const PathSegment& s);
double bulgeOfSweep(double sweepRadians);
double sweepOfBulge(double bulge);

double segmentLength(const PathSegment& s);
// The point at t (0 ≤ t ≤ 1; beyond them the line or circle goes on).
Vec2 pointAt(const PathSegment& s, double t);
// The unit direction of travel at t.
Vec2 tangentAt(const PathSegment& s, double t);
// The parameter of the point of the segment nearest to p, in [0, 1].
double closestParameter(const PathSegment& s, Vec2 p);
// The parameter of a point on the segment's whole line or circle: beyond [0, 1] past its ends
// (an arc: on the side of the nearer end).
double parameterOf(const PathSegment& s, Vec2 p);
// The part from t0 to t1 (running backwards when t1 < t0).
PathSegment subSegment(const PathSegment& s, double t0, double t1);
std::pair<PathSegment, PathSegment> split(const PathSegment& s, double t);
PathSegment reversed(const PathSegment& s);
Rect box(const PathSegment& s);
// The distance from a point to the nearest point of the segment.
double distanceTo(const PathSegment& s, Vec2 p);
// The signed area between the chord and the arc (positive when the arc runs counter-clockwise),
// 0 for a straight segment.
double bulgeArea(const PathSegment& s);

// Where two segments meet, with the parameter on each. Segments along one line or one circle
// give the ends of their common part.
struct SegmentHit {
    Vec2 p;
    double ta = 0, tb = 0;
};
void intersections(const PathSegment& a, const PathSegment& b, std::vector<SegmentHit>& out);

// The whole line or circle that a segment lies on.
struct Carrier {
    bool circle = false;
    Vec2 p, d; // a line: a point on it and its direction
    Vec2 centre;
    double radius = 0;
};
Carrier carrierOf(const PathSegment& s);
// Whether a point of a segment's whole line or circle lies on the segment itself (`slack` is
// how far past an end still counts).
bool holds(const PathSegment& s, Vec2 onCarrier, double slack);
// Where two whole lines or circles meet, added to `out` (nothing for parallel lines and for
// one circle twice).
void intersections(const Carrier& a, const Carrier& b, std::vector<Vec2>& out);

// ---- whole paths

// A place on a path: the segment and the parameter on it.
struct PathPosition {
    std::size_t segment = 0;
    double t = 0;
};

double length(const Path& path);
// The enclosed area, positive when the path runs counter-clockwise (closed paths; an open one
// is closed by the chord from its end to its start).
double signedArea(const Path& path);
Rect box(const Path& path);
bool finite(const Path& path);

Vec2 pointAt(const Path& path, PathPosition at);
Vec2 tangentAt(const Path& path, PathPosition at);
double distanceAt(const Path& path, PathPosition at);
PathPosition positionAtDistance(const Path& path, double distance);
PathPosition closestPosition(const Path& path, Vec2 p);
double distanceTo(const Path& path, Vec2 p);

// The same path run the other way: vertices in reverse order, each bulge negated and moved to
// the vertex that now starts its segment. A closed path still starts at its first vertex.
Path reversed(const Path& path);
// The part from one position to another along the path (a closed one runs on past its end to
// reach `to`; when `to` lies before `from` on an open path, the part runs backwards). Always
// an open path.
Path subPath(const Path& path, PathPosition from, PathPosition to);
// The path without segments of no length (shorter than `tolerance`), the closing vertex of a
// closed path that repeats the first dropped.
Path withoutShortSegments(const Path& path, double tolerance);
// The same without segments shorter than the rounding of its coordinates.
Path tidied(const Path& path);
// A closed path made to start at vertex `first`.
Path rotatedToStart(const Path& path, std::size_t first);

// ---- drawing entities as paths

Path pathOf(const LineData& l);
Path pathOf(const ArcData& a);       // one segment, counter-clockwise
Path pathOf(const CircleData& c);    // two half circles, closed, counter-clockwise
Path pathOf(const RectangleData& r); // four corners, closed, counter-clockwise
Path pathOf(const std::vector<Vec2>& points, bool closed);
// A straight segment as a line, an arc segment as an arc (counter-clockwise; the ends of a
// clockwise one change places).
LineData lineOf(const PathSegment& s);
ArcData arcDataOf(const PathSegment& s);

} // namespace cad
