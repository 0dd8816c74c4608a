#include "engine/model/Lengthen.h"

#include "engine/model/VectorOps.h"

#include <cmath>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
constexpr double kDegrees = 180 / kPi;

// The curve made longer by `more` at one end.
Outcome<Curve> longer(const Curve& c, bool atEnd, double more) {
    if (const auto* l = std::get_if<LineData>(&c)) {
        const Vec2 d = unit(l->b - l->a) * more;
        return Curve{atEnd ? LineData{l->a, l->b + d} : LineData{l->a - d, l->b}};
    }
    if (const auto* a = std::get_if<ArcData>(&c)) {
        const double extra = more / std::abs(a->radius);
        if (radians(sweepDegrees(a->startAngle, a->endAngle)) + extra >= kTurn)
            return Refusal::TooLong;
        ArcData out = *a;
        if (atEnd)
            out.endAngle = normalisedDegrees(a->endAngle + extra * kDegrees);
        else
            out.startAngle = normalisedDegrees(a->startAngle - extra * kDegrees);
        return Curve{out};
    }
    if (const auto* e = std::get_if<EllipseData>(&c)) {
        // Along the whole ellipse from the end (or back from the start) to where the length
        // is reached.
        const double length = curveLength(c) + more;
        EllipseData whole = *e;
        if (atEnd) {
            whole.endAngle = whole.startAngle;
            const Curve w{whole};
            if (curveLength(w) <= length)
                return Refusal::TooLong;
            EllipseData out = *e;
            out.endAngle =
                normalisedDegrees(e->startAngle + parameterAtLength(w, length) * kDegrees);
            return Curve{out};
        }
        whole.startAngle = whole.endAngle;
        const Curve w{whole};
        const double total = curveLength(w);
        if (total <= length)
            return Refusal::TooLong;
        EllipseData out = *e;
        out.startAngle =
            normalisedDegrees(e->endAngle + parameterAtLength(w, total - length) * kDegrees);
        return Curve{out};
    }
    if (const auto* p = std::get_if<Path>(&c)) {
        Path out = *p;
        const std::size_t n = p->segmentCount();
        const PathSegment s = segmentOf(*p, atEnd ? n - 1 : 0);
        PathSegment grown = atEnd ? s : reversed(s);
        if (grown.isArc()) {
            const ArcGeometry g = arcOf(grown);
            const double sweep = std::abs(g.sweep) + more / g.radius;
            if (sweep >= kTurn)
                return Refusal::TooLong;
            const double t = sweep / std::abs(g.sweep);
            grown = {grown.a, pointAt(grown, t), bulgeOfSweep(g.sweep > 0 ? sweep : -sweep)};
        } else {
            grown.b = grown.b + unit(grown.b - grown.a) * more;
        }
        if (atEnd) {
            out.v[out.v.size() - 2].bulge = grown.bulge;
            out.v.back().p = grown.b;
        } else {
            out.v.front() = {grown.b, -grown.bulge};
        }
        return Curve{tidied(out)};
    }
    return Refusal::Unsupported;
}

} // namespace

Outcome<Curve> lengthenCurve(const Curve& c, Vec2 pick, LengthenBy by, double value) {
    if (!finite(c) || !std::isfinite(pick.x) || !std::isfinite(pick.y) || !std::isfinite(value))
        return Refusal::NotFinite;
    if (std::holds_alternative<CircleData>(c) || isClosed(c))
        return Refusal::ClosedCurve;
    const double length = curveLength(c);
    if (!(length > 0))
        return Refusal::EmptyInput;
    double target = length;
    switch (by) {
    case LengthenBy::Delta:
        target = length + value;
        break;
    case LengthenBy::Percent:
        target = length * value / 100;
        break;
    case LengthenBy::Total:
        target = value;
        break;
    }
    if (!(target > 1e-12 * length))
        return Refusal::TooShort;
    const bool atEnd = lengthTo(c, closestParameter(c, pick)) >= length / 2;
    if (target == length)
        return c;
    if (target < length) {
        const double end = parameterEnd(c);
        if (atEnd)
            return pieceOf(c, 0, parameterAtLength(c, target));
        return pieceOf(c, parameterAtLength(c, length - target), end);
    }
    return longer(c, atEnd, target - length);
}

} // namespace cad
