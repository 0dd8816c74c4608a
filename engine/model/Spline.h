// Smooth curves through picked points: a cubic spline through every fit point, its parameter
// running with the length of the chords between them (open: natural ends; closed: periodic).
//
// Repeated points (one after the other, and the first again at the end of a closed one) count
// once. Fewer than three different points give the straight path through them.
#pragma once

#include "engine/model/Geometry.h"

#include <span>
#include <vector>

namespace cad {

// Adds points of the curve through the fit points to `out`, the first and last fit points
// included, no chord farther than about `tolerance` from the curve (0: a thousandth of the
// path through the points). A closed curve ends at its first point again.
void splinePoints(std::span<const Vec2> fitPoints, bool closed, double tolerance,
                  std::vector<Vec2>& out);

// The different points the curve runs through, in order (a closed one without its first point
// at the end).
std::vector<Vec2> splineFitPoints(std::span<const Vec2> fitPoints, bool closed);

// The smallest rectangle that holds the whole curve (and every finite fit point).
Rect splineExtents(std::span<const Vec2> fitPoints, bool closed);
// The length of the curve.
double splineLength(std::span<const Vec2> fitPoints, bool closed);
// The area the closed curve encloses (an open one closed by the chord from its end back to its
// start).
double splineArea(std::span<const Vec2> fitPoints, bool closed);

// The curve as a function of its parameter: the length of the chords between the fit points up
// to the point (0 at the first, end() at the last; a closed curve ends at its first point
// again).
class SplineEvaluator {
public:
    SplineEvaluator(std::span<const Vec2> fitPoints, bool closed);

    bool empty() const { return p_.empty(); }
    double end() const { return t_.empty() ? 0 : t_.back(); }
    // The point at a parameter (kept within [0, end()]) and the derivative there.
    Vec2 at(double t) const;
    Vec2 derivative(double t) const;
    // The different fit points, and their parameters (a closed curve: the first again at the
    // end).
    const std::vector<Vec2>& points() const { return p_; }
    const std::vector<double>& parameters() const { return t_; }

private:
    std::size_t spanAt(double t) const;
    std::vector<Vec2> p_;
    std::vector<double> t_, mx_, my_;
};

// The curve as a clamped cubic B-spline: its knots (the chord lengths at the fit points, the
// ends four times) and control points, as drawing exchange formats keep curves. Where the curve
// is the straight path, each of its segments is a span of its own.
struct BSplineForm {
    std::vector<double> knots;
    std::vector<Vec2> control;
};
BSplineForm splineControlPoints(std::span<const Vec2> fitPoints, bool closed);

} // namespace cad
