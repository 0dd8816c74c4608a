#include "engine/model/Stretch.h"

#include "engine/model/VectorOps.h"

#include <cmath>
#include <optional>

namespace cad {

using namespace vectorops;

namespace {

bool inside(const Rect& r, Vec2 p) {
    return r.left <= p.x && p.x <= r.right && r.bottom <= p.y && p.y <= r.top;
}

// A segment with its ends moved where they are inside: an arc keeps its height over the chord
// (its sagitta) when only one end moves, all of it when both do.
std::optional<PathSegment> stretched(const PathSegment& s, const Rect& window, Vec2 by) {
    const bool a = inside(window, s.a), b = inside(window, s.b);
    PathSegment out = s;
    if (a)
        out.a = s.a + by;
    if (b)
        out.b = s.b + by;
    if (a == b || !s.isArc())
        return out;
    const double chord = dist(out.a, out.b);
    if (!(chord > 0))
        return std::nullopt;
    // The sagitta is bulge · chord / 2.
    out.bulge = s.bulge * dist(s.a, s.b) / chord;
    return out;
}

} // namespace

Outcome<Curve> stretchCurve(const Curve& c, const Rect& window, Vec2 by) {
    if (!finite(c) || !finite(by))
        return Refusal::NotFinite;
    if (const auto* l = std::get_if<LineData>(&c)) {
        LineData out = *l;
        if (inside(window, l->a))
            out.a = l->a + by;
        if (inside(window, l->b))
            out.b = l->b + by;
        if (out.a == out.b)
            return Refusal::TooShort;
        return Curve{out};
    }
    if (const auto* a = std::get_if<ArcData>(&c)) {
        if (isClosed(c)) {
            ArcData out = *a;
            if (inside(window, a->centre))
                out.centre = a->centre + by;
            return Curve{out};
        }
        const Path p = pathOf(*a);
        const auto s = stretched(segmentOf(p, 0), window, by);
        if (!s)
            return Refusal::TooShort;
        // Still counter-clockwise: a sagitta kept keeps the arc on its side of the chord.
        return Curve{arcDataOf(*s)};
    }
    if (const auto* ci = std::get_if<CircleData>(&c)) {
        CircleData out = *ci;
        if (inside(window, ci->centre))
            out.centre = ci->centre + by;
        return Curve{out};
    }
    if (const auto* e = std::get_if<EllipseData>(&c)) {
        EllipseData out = *e;
        if (inside(window, e->centre))
            out.centre = e->centre + by;
        return Curve{out};
    }
    if (const auto* s = std::get_if<SplineData>(&c)) {
        SplineData out = *s;
        for (Vec2& p : out.fit)
            if (inside(window, p))
                p = p + by;
        return Curve{out};
    }
    const Path& p = std::get<Path>(c);
    Path out = p;
    for (std::size_t i = 0; i < p.segmentCount(); ++i) {
        const auto s = stretched(segmentOf(p, i), window, by);
        out.v[i].bulge = s ? s->bulge : 0;
    }
    for (PathVertex& v : out.v)
        if (inside(window, v.p))
            v.p = v.p + by;
    return Curve{tidied(out)};
}

} // namespace cad
