#include "engine/model/TrimExtend.h"

#include "engine/model/VectorOps.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
constexpr double kDegrees = 180 / kPi;

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// How far lines and rays go where a whole line is meant: well past everything looked at.
double reachOver(const Curve& target, std::span<const Curve> edges) {
    Rect r = curveBox(target);
    for (const Curve& e : edges)
        r.add(curveBox(e));
    return 4 * (std::hypot(r.width(), r.height()) + 1);
}

bool allFinite(const Curve& target, std::span<const Curve> edges) {
    return finite(target) &&
           std::all_of(edges.begin(), edges.end(), [](const Curve& e) { return finite(e); });
}

// The parameters where the edges cut the target, in order, each once.
std::vector<double> cutParameters(const Curve& target, std::span<const Curve> edges,
                                  bool extendEdges, double same) {
    const double reach = reachOver(target, edges);
    std::vector<double> cuts;
    for (const Curve& e : edges)
        for (const CurveHit& h : intersections(target, extendEdges ? extendedCurve(e, reach) : e))
            cuts.push_back(h.u);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end(),
                           [same](double a, double b) { return std::abs(a - b) <= same; }),
               cuts.end());
    return cuts;
}

} // namespace

Outcome<std::vector<Curve>> trimCurve(const Curve& target, Vec2 pick, std::span<const Curve> edges,
                                      bool extendEdges) {
    if (!allFinite(target, edges) || !finite(pick))
        return Refusal::NotFinite;
    if (!(curveLength(target) > 0))
        return Refusal::EmptyInput;
    const double end = parameterEnd(target);
    const double same = 1e-9 * end;
    std::vector<double> cuts = cutParameters(target, edges, extendEdges, same);
    const double at = closestParameter(target, pick);
    std::vector<Curve> kept;
    if (isClosed(target)) {
        // Cuts all the way round count once.
        for (double& u : cuts)
            u = std::fmod(std::fmod(u, end) + end, end);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end(),
                               [same](double a, double b) { return std::abs(a - b) <= same; }),
                   cuts.end());
        if (cuts.size() > 1 && cuts.back() - cuts.front() >= end - same)
            cuts.pop_back();
        if (cuts.empty())
            return Refusal::NoIntersection;
        if (cuts.size() == 1)
            return Refusal::NeedsTwoCuts;
        // The cut after the pick and the one before it, going round.
        const auto next = std::upper_bound(cuts.begin(), cuts.end(), at);
        const double after = next == cuts.end() ? cuts.front() : *next;
        const double before = next == cuts.begin() ? cuts.back() : *(next - 1);
        kept.push_back(pieceOf(target, after, before));
        return kept;
    }
    // Cuts at the ends cut nothing off.
    std::erase_if(cuts, [&](double u) { return u <= same || u >= end - same; });
    if (cuts.empty())
        return Refusal::NoIntersection;
    const auto next = std::upper_bound(cuts.begin(), cuts.end(), at);
    if (next != cuts.begin())
        kept.push_back(pieceOf(target, 0, *(next - 1)));
    if (next != cuts.end())
        kept.push_back(pieceOf(target, *next, end));
    return kept;
}

namespace {

// The way on from one end of a curve: a curve that starts at that end and runs away from the
// curve (`outward` false: it runs towards the end, and the way out is read backwards).
struct Way {
    Curve curve;
    bool outward = true;
};

// The way on from the end (or the start) of an arc: the rest of its circle.
Way arcWay(const ArcData& a, bool atEnd) {
    // The rest of the circle from the arc's end round to its start, counter-clockwise.
    return {ArcData{a.centre, a.radius, a.endAngle, a.startAngle}, atEnd};
}

// The way on from an end segment of a polyline: straight on, or round the rest of its circle
// the way the arc turns (in two halves, so that no arc is nearly whole).
Path segmentWay(const PathSegment& s, bool atEnd, double reach) {
    const PathSegment out = atEnd ? s : reversed(s);
    if (!out.isArc()) {
        const Vec2 d = unit(out.b - out.a);
        return {{{out.b, 0}, {out.b + d * reach, 0}}, false};
    }
    const ArcGeometry g = arcOf(out);
    const double rest = (kTurn - std::abs(g.sweep)) * (1 - 1e-9);
    const double sign = g.sweep > 0 ? 1 : -1;
    const double endAngle = g.startAngle + g.sweep;
    const auto on = [&](double angle) {
        return Vec2{g.centre.x + g.radius * std::cos(angle),
                    g.centre.y + g.radius * std::sin(angle)};
    };
    const double half = sign * rest / 2;
    return {{{out.b, bulgeOfSweep(half)},
             {on(endAngle + half), bulgeOfSweep(half)},
             {on(endAngle + 2 * half), 0}},
            false};
}

Way wayFrom(const Curve& c, bool atEnd, double reach) {
    return std::visit(
        Overloaded{
            [&](const LineData& l) -> Way {
                const Vec2 from = atEnd ? l.b : l.a;
                const Vec2 d = unit(atEnd ? l.b - l.a : l.a - l.b);
                return {LineData{from, from + d * reach}, true};
            },
            [&](const ArcData& a) -> Way { return arcWay(a, atEnd); },
            [&](const CircleData&) -> Way { return {}; },
            [&](const EllipseData& e) -> Way {
                EllipseData rest = e;
                rest.startAngle = e.endAngle;
                rest.endAngle = e.startAngle;
                return {rest, atEnd};
            },
            [&](const SplineData& s) -> Way {
                const double u = atEnd ? parameterEnd(c) : 0;
                const Vec2 from = pointAt(c, u);
                Vec2 d = tangentAt(c, u);
                if (!atEnd)
                    d = -d;
                (void)s;
                return {LineData{from, from + d * reach}, true};
            },
            [&](const Path& p) -> Way {
                const std::size_t n = p.segmentCount();
                return {segmentWay(segmentOf(p, atEnd ? n - 1 : 0), atEnd, reach), true};
            },
        },
        c);
}

// The curve with its end (or start) moved along its way to the point at `u` of the way.
Curve extendedTo(const Curve& c, bool atEnd, const Way& way, double u, Vec2 p) {
    return std::visit(
        Overloaded{
            [&](const LineData& l) -> Curve {
                return atEnd ? LineData{l.a, p} : LineData{p, l.b};
            },
            [&](const ArcData& a) -> Curve {
                ArcData out = a;
                const double rest = std::get<ArcData>(way.curve).startAngle;
                if (atEnd)
                    out.endAngle = normalisedDegrees(rest + u * kDegrees);
                else
                    out.startAngle = normalisedDegrees(rest + u * kDegrees);
                return out;
            },
            [&](const CircleData& ci) -> Curve { return ci; },
            [&](const EllipseData& e) -> Curve {
                EllipseData out = e;
                const double rest = normalisedDegrees(e.endAngle);
                if (atEnd)
                    out.endAngle = normalisedDegrees(rest + u * kDegrees);
                else
                    out.startAngle = normalisedDegrees(rest + u * kDegrees);
                return out;
            },
            [&](const SplineData& s) -> Curve {
                SplineData out = s;
                if (atEnd)
                    out.fit.push_back(p);
                else
                    out.fit.insert(out.fit.begin(), p);
                return out;
            },
            [&](const Path& path) -> Curve {
                Path out = path;
                const std::size_t n = path.segmentCount();
                const Path& w = std::get<Path>(way.curve);
                // The end segment and the part of the way to the point, as one segment.
                const PathSegment s = segmentOf(path, atEnd ? n - 1 : 0);
                const double extra =
                    u <= 1 ? sweepOfBulge(w.v[0].bulge) * u
                           : sweepOfBulge(w.v[0].bulge) + sweepOfBulge(w.v[1].bulge) * (u - 1);
                const double bulge =
                    s.isArc() ? bulgeOfSweep(sweepOfBulge(s.bulge) + (atEnd ? extra : -extra)) : 0;
                if (atEnd) {
                    out.v.back().p = p;
                    out.v[out.v.size() - 2].bulge = bulge;
                } else {
                    out.v.front().p = p;
                    out.v.front().bulge = bulge;
                }
                return tidied(out);
            },
        },
        c);
}

} // namespace

Outcome<Curve> extendCurve(const Curve& target, Vec2 pick, std::span<const Curve> boundaries,
                           bool extendEdges) {
    if (!allFinite(target, boundaries) || !finite(pick))
        return Refusal::NotFinite;
    if (isClosed(target))
        return Refusal::ClosedCurve;
    const double total = curveLength(target);
    if (!(total > 0))
        return Refusal::EmptyInput;
    const bool atEnd = lengthTo(target, closestParameter(target, pick)) >= total / 2;
    const double reach = reachOver(target, boundaries);
    const Way way = wayFrom(target, atEnd, reach);
    const double wayEnd = parameterEnd(way.curve);
    const double same = 1e-9 * wayEnd;
    // The nearest meeting along the way out, past the end itself.
    std::optional<CurveHit> best;
    double bestAway = std::numeric_limits<double>::infinity();
    for (const Curve& b : boundaries)
        for (const CurveHit& h :
             intersections(way.curve, extendEdges ? extendedCurve(b, reach) : b)) {
            const double away = way.outward ? h.u : wayEnd - h.u;
            if (away > same && away < bestAway && away < wayEnd - same) {
                bestAway = away;
                best = h;
            }
        }
    if (!best)
        return Refusal::NoIntersection;
    return extendedTo(target, atEnd, way, best->u, best->p);
}

} // namespace cad
