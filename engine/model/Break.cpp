#include "engine/model/Break.h"

#include "engine/model/Spline.h"

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

// The parameters this near count as one place.
double sameParameter(const Curve& c) {
    return 1e-9 * std::max(1.0, parameterEnd(c));
}

// A closed path opened at a parameter: from there round to there again.
Path openedAt(const Path& p, double u) {
    const std::size_t n = p.segmentCount();
    auto segment = std::min(static_cast<std::size_t>(std::max(u, 0.0)), n - 1);
    double t = std::clamp(u - static_cast<double>(segment), 0.0, 1.0);
    if (t == 1) {
        segment = (segment + 1) % n;
        t = 0;
    }
    Path out;
    const PathSegment s = segmentOf(p, segment);
    const auto [before, after] = split(s, t);
    if (t > 0) {
        out.v.push_back({after.a, after.bulge});
    } else {
        out.v.push_back({s.a, s.bulge});
    }
    for (std::size_t k = 1; k < n; ++k)
        out.v.push_back(p.v[(segment + k) % n]);
    if (t > 0) {
        out.v.push_back({before.a, before.bulge});
        out.v.push_back({after.a, 0});
    } else {
        out.v.back().bulge = p.v[(segment + n - 1) % n].bulge;
        out.v.push_back({s.a, 0});
    }
    return out;
}

// Whether a closed curve runs counter-clockwise.
bool counterClockwise(const Curve& c) {
    if (const auto* p = std::get_if<Path>(&c))
        return signedArea(*p) >= 0;
    if (const auto* s = std::get_if<SplineData>(&c)) {
        std::vector<Vec2> points;
        splinePoints(s->fit, true, 0, points);
        double twice = 0;
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            twice += points[i].x * points[i + 1].y - points[i + 1].x * points[i].y;
        return twice >= 0;
    }
    if (const auto* e = std::get_if<EllipseData>(&c))
        return (e->radiusX >= 0) == (e->radiusY >= 0);
    return true;
}

bool lengthOf(const Curve& c) {
    return curveLength(c) > 0;
}

} // namespace

Outcome<std::vector<Curve>> breakAt(const Curve& c, Vec2 at) {
    if (!finite(c) || !std::isfinite(at.x) || !std::isfinite(at.y))
        return Refusal::NotFinite;
    if (!lengthOf(c))
        return Refusal::EmptyInput;
    const double u = closestParameter(c, at);
    const double end = parameterEnd(c), same = sameParameter(c);
    if (isClosed(c)) {
        if (const auto* p = std::get_if<Path>(&c))
            return std::vector<Curve>{tidied(openedAt(*p, u))};
        if (std::holds_alternative<SplineData>(c))
            return std::vector<Curve>{pieceOf(c, u, u)};
        return Refusal::NeedsTwoCuts;
    }
    if (u <= same || u >= end - same)
        return Refusal::BreakOutside;
    return std::vector<Curve>{pieceOf(c, 0, u), pieceOf(c, u, end)};
}

Outcome<std::vector<Curve>> breakBetween(const Curve& c, Vec2 first, Vec2 second) {
    if (!finite(c) || !std::isfinite(first.x) || !std::isfinite(first.y) ||
        !std::isfinite(second.x) || !std::isfinite(second.y))
        return Refusal::NotFinite;
    if (!lengthOf(c))
        return Refusal::EmptyInput;
    double u1 = closestParameter(c, first), u2 = closestParameter(c, second);
    const double end = parameterEnd(c), same = sameParameter(c);
    if (std::abs(u1 - u2) <= same)
        return breakAt(c, first);
    if (isClosed(c)) {
        if (std::abs(std::abs(u1 - u2) - end) <= same)
            return breakAt(c, first);
        // Taken out: from the first point counter-clockwise to the second.
        if (counterClockwise(c))
            return std::vector<Curve>{pieceOf(c, u2, u1)};
        return std::vector<Curve>{pieceOf(c, u1, u2)};
    }
    if (u1 > u2)
        std::swap(u1, u2);
    std::vector<Curve> kept;
    if (u1 > same)
        kept.push_back(pieceOf(c, 0, u1));
    if (u2 < end - same)
        kept.push_back(pieceOf(c, u2, end));
    return kept;
}

} // namespace cad
