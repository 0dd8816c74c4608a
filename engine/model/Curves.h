// What entities show, as exact shapes: straight segments, arcs of ellipses (circles among them)
// and single points, each where the drawing shows it (the entities of a block insertion placed
// by the insertion). Points on them, their intersections, tangents and perpendiculars are
// worked out from the entities' own data: analytically where the shapes allow it, refined
// numerically to the last digits where they do not (ellipses meeting ellipses or circles,
// perpendiculars to ellipses, the middle of an elliptic arc). Snapping uses them.
#pragma once

#include "engine/model/Affine.h"
#include "engine/model/Drawing.h"

#include <optional>
#include <span>
#include <vector>

namespace cad {

struct Segment {
    Vec2 a, b;
};

// The points c + u cos t + v sin t for t from `start` over `sweep` radians (a sweep of 2π is
// the whole curve). A circle has u and v perpendicular and of one length, its radius.
struct Conic {
    Vec2 c, u, v;
    double start = 0, sweep = 2 * kPi;
    bool circle = false;
    double radius = 0; // of a circle

    bool whole() const { return sweep >= 2 * kPi; }
    Vec2 at(double t) const;
    Vec2 derivative(double t) const;
    // The parameter of a point of the plane through the inverse of the map from the unit
    // circle (for a point on the curve, its own parameter); nothing for a flat curve.
    std::optional<double> parameterOf(Vec2 p) const;
    // Whether the parameter (in any turn) lies on the arc.
    bool covers(double t) const;
    // The ends of an arc; the middle by length.
    Vec2 startPoint() const { return at(start); }
    Vec2 endPoint() const { return at(start + sweep); }
    Vec2 middle() const;
    // A box that holds the whole curve.
    Rect box() const;
};

// A circle or arc (degrees, counter-clockwise from start over sweep; 360 or more: whole).
Conic circleConic(Vec2 centre, double radius, double startDegrees, double sweepDegrees);
Conic ellipseConic(const EllipseData& e);
// The curve an affine map makes of it (a circle stays one only under a similarity).
Conic mapped(const Conic& c, const Affine& m);

Vec2 closestPoint(const Segment& s, Vec2 p);
Vec2 closestPoint(const Conic& c, Vec2 p);

// Where two shapes meet, added to `out`. Segments that overlap along a line give nothing.
void intersections(const Segment& a, const Segment& b, std::vector<Vec2>& out);
void intersections(const Segment& a, const Conic& b, std::vector<Vec2>& out);
void intersections(const Conic& a, const Conic& b, std::vector<Vec2>& out);

// The points of a shape where a line from p meets it at a right angle, added to `out`.
void perpendicularFeet(const Segment& s, Vec2 p, std::vector<Vec2>& out);
void perpendicularFeet(const Conic& c, Vec2 p, std::vector<Vec2>& out);
// The points where a line from p touches the curve (none from inside it), added to `out`.
void tangentPoints(const Conic& c, Vec2 p, std::vector<Vec2>& out);

// The centre of gravity of the area a closed path encloses; nothing when it encloses none.
std::optional<Vec2> areaCentroid(std::span<const Vec2> polygon);

// The shapes of some entities.
struct ShapeSet {
    std::vector<Segment> segments;
    std::vector<Conic> conics;
    std::vector<Vec2> nodes;   // points, insertion points of texts and blocks
    std::vector<Vec2> centres; // of rectangles and closed polylines (conics have their own)
    // Chords that follow a smooth curve (a spline) closely: they meet, are nearest and are met
    // at right angles as the curve is, but their ends are not ends; the curve's are in `ends`.
    std::vector<Segment> pieces;
    std::vector<Vec2> ends;
    void clear() {
        pieces.clear();
        ends.clear();
        segments.clear();
        conics.clear();
        nodes.clear();
        centres.clear();
    }
};

// Adds the shapes of a live entity that reach into `near` (segments whose box meets it, curves
// whose whole ellipse's box meets it, points inside it) to `out`. Entities on hidden layers
// give nothing; inside a block insertion, entities on layer "0" take the insertion's layer.
void shapesOf(const Drawing& d, int handle, const Rect& near, ShapeSet& out);

} // namespace cad
