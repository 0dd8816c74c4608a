#include "engine/model/Fillet.h"

#include "engine/model/VectorOps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
constexpr double kDegrees = 180 / kPi;
// Turns smaller than this (radians) are no corner; turns this near a half turn go back.
constexpr double kSmallestTurn = 1e-9;

double directedAngle(Vec2 u, Vec2 w, double sign) {
    double a = angleBetween(u, w);
    if (sign < 0)
        a = -a;
    if (a < 0)
        a += kTurn;
    return a;
}

double angleOf(Vec2 v) {
    return std::atan2(v.y, v.x);
}

bool finiteNumber(double x) {
    return std::isfinite(x);
}

// ---- two curves

// A line, arc or circle being filleted, with a parameter along its whole line or circle: a
// line's from 0 at its start to 1 at its end, an arc's the angle from its start (before the
// start negative, past the end beyond its sweep, whichever end is nearer), a circle's the angle
// from 0.
struct Side {
    bool circle = false, whole = false;
    Vec2 a, d; // line: start and start-to-end
    Vec2 c;
    double r = 0, start = 0, sweep = 0;
    Vec2 pick;

    double parameter(Vec2 p) const {
        if (!circle)
            return dot(p - a, d) / dot(d, d);
        double u = std::fmod(angleOf(p - c) - start, kTurn);
        if (u < 0)
            u += kTurn;
        if (whole || u <= sweep)
            return u;
        return u - sweep <= kTurn - u ? u : u - kTurn;
    }
    double end() const { return circle ? sweep : 1; }
    Vec2 foot(Vec2 p) const {
        if (!circle)
            return a + d * parameter(p);
        return c + unit(p - c) * r;
    }
    // The direction of travel (growing parameter) at a point on the carrier.
    Vec2 tangent(Vec2 p) const { return circle ? perp(unit(p - c)) : unit(d); }
    Carrier carrier(double offset) const {
        Carrier k;
        if (circle) {
            k.circle = true;
            k.centre = c;
            k.radius = r + offset;
        } else {
            k.p = a + perp(unit(d)) * offset;
            k.d = d;
        }
        return k;
    }
};

std::optional<Side> sideOf(const Curve& c, Vec2 pick) {
    Side s;
    s.pick = pick;
    if (const auto* l = std::get_if<LineData>(&c)) {
        if (l->a == l->b)
            return std::nullopt;
        s.a = l->a;
        s.d = l->b - l->a;
        return s;
    }
    if (const auto* a = std::get_if<ArcData>(&c)) {
        if (!(std::abs(a->radius) > 0))
            return std::nullopt;
        s.circle = true;
        s.c = a->centre;
        s.r = std::abs(a->radius);
        s.start = radians(normalisedDegrees(a->startAngle));
        s.sweep = radians(sweepDegrees(a->startAngle, a->endAngle));
        s.whole = s.sweep >= kTurn;
        return s;
    }
    if (const auto* ci = std::get_if<CircleData>(&c)) {
        if (!(std::abs(ci->radius) > 0))
            return std::nullopt;
        s.circle = s.whole = true;
        s.c = ci->centre;
        s.r = std::abs(ci->radius);
        s.sweep = kTurn;
        return s;
    }
    return std::nullopt;
}

// The curve kept from the point at parameter u to its far end on the side `keep` (+1: the end,
// -1: the start); nothing when u lies past that far end.
std::optional<Curve> keptFrom(const Curve& c, const Side& s, double u, Vec2 p, double keep) {
    const double slack = 1e-12 * std::max(1.0, s.end());
    if (s.whole)
        return c;
    if (keep > 0 ? u >= s.end() - slack : u <= slack)
        return std::nullopt;
    if (const auto* l = std::get_if<LineData>(&c))
        return keep > 0 ? LineData{p, l->b} : LineData{l->a, p};
    ArcData a = std::get<ArcData>(c);
    const double angle = normalisedDegrees(angleOf(p - s.c) * kDegrees);
    if (keep > 0)
        a.startAngle = angle;
    else
        a.endAngle = angle;
    return a;
}

// Where the two curves meet nearest to the picks (their whole lines and circles).
std::optional<Vec2> cornerOf(const Side& first, const Side& second) {
    std::vector<Vec2> points;
    intersections(first.carrier(0), second.carrier(0), points);
    std::optional<Vec2> best;
    double bestScore = std::numeric_limits<double>::infinity();
    for (const Vec2 p : points) {
        const double score = dist(p, first.pick) + dist(p, second.pick);
        if (score < bestScore) {
            bestScore = score;
            best = p;
        }
    }
    return best;
}

// The side of the corner (along the curve) that the pick keeps: +1 towards the end.
double keptSide(const Side& s, std::optional<Vec2> corner, Vec2 touch) {
    const double from = s.parameter(corner ? *corner : touch);
    return s.parameter(s.pick) >= from ? 1 : -1;
}

} // namespace

Outcome<FilletResult> filletCurves(const Curve& first, Vec2 pickFirst, const Curve& second,
                                   Vec2 pickSecond, double radius) {
    if (!finite(first) || !finite(second) || !finite(pickFirst) || !finite(pickSecond) ||
        !finiteNumber(radius))
        return Refusal::NotFinite;
    if (radius < 0)
        return Refusal::NegativeValue;
    const auto a = sideOf(first, pickFirst), b = sideOf(second, pickSecond);
    if (!a || !b)
        return Refusal::Unsupported;
    const std::optional<Vec2> corner = cornerOf(*a, *b);
    FilletResult out;
    if (radius == 0) {
        if (!corner)
            return a->circle || b->circle ? Refusal::NoIntersection : Refusal::Parallel;
        const auto ka =
            keptFrom(first, *a, a->parameter(*corner), *corner, keptSide(*a, corner, *corner));
        const auto kb =
            keptFrom(second, *b, b->parameter(*corner), *corner, keptSide(*b, corner, *corner));
        if (!ka || !kb)
            return Refusal::RadiusTooLarge;
        out.first = *ka;
        out.second = *kb;
        return out;
    }
    // Centres at the radius from both curves, on either side of each.
    struct Candidate {
        Vec2 centre, ta, tb;
        double score = 0;
    };
    std::optional<Candidate> best;
    std::vector<Vec2> centres;
    for (const double sa : {1.0, -1.0})
        for (const double sb : {1.0, -1.0}) {
            if ((a->circle && a->r + sa * radius <= 0) || (b->circle && b->r + sb * radius <= 0))
                continue;
            centres.clear();
            intersections(a->carrier(sa * radius), b->carrier(sb * radius), centres);
            for (const Vec2 c : centres) {
                Candidate k{c, a->foot(c), b->foot(c), 0};
                // The fillet touches each curve (other than a whole circle) on the side of the
                // corner that its pick keeps.
                bool fits = true;
                for (const auto& [s, t] : {std::pair{&*a, k.ta}, std::pair{&*b, k.tb}}) {
                    if (s->whole) {
                        k.score += dist(t, s->pick);
                        continue;
                    }
                    if (corner) {
                        const double side = keptSide(*s, corner, t);
                        const double from = s->parameter(*corner), at = s->parameter(t);
                        if ((at - from) * side < -1e-12 * std::max(1.0, s->end()))
                            fits = false;
                        k.score += dist(t, *corner);
                    } else {
                        k.score += dist(t, s->pick);
                    }
                }
                if (fits && (!best || k.score < best->score))
                    best = k;
            }
        }
    if (!best) {
        if (corner)
            return Refusal::RadiusTooLarge;
        return a->circle || b->circle ? Refusal::NoIntersection : Refusal::Parallel;
    }
    const double sideA = keptSide(*a, corner, best->ta), sideB = keptSide(*b, corner, best->tb);
    const auto ka = keptFrom(first, *a, a->parameter(best->ta), best->ta, sideA);
    const auto kb = keptFrom(second, *b, b->parameter(best->tb), best->tb, sideB);
    if (!ka || !kb)
        return Refusal::RadiusTooLarge;
    out.first = *ka;
    out.second = *kb;
    // The arc leaves the first curve the way the first curve ran towards the corner.
    const Vec2 towards = a->tangent(best->ta) * -sideA;
    const bool counterClockwise = cross(best->ta - best->centre, towards) > 0;
    const double angleA = angleOf(best->ta - best->centre) * kDegrees;
    const double angleB = angleOf(best->tb - best->centre) * kDegrees;
    out.arc = ArcData{best->centre, radius, normalisedDegrees(counterClockwise ? angleA : angleB),
                      normalisedDegrees(counterClockwise ? angleB : angleA)};
    return out;
}

namespace {

// The corner of two lines and the side of it each pick keeps (the unit direction from the
// corner along the kept part), with how far each kept part reaches from the corner.
struct LineCorner {
    Vec2 corner, alongFirst, alongSecond;
    double reachFirst = 0, reachSecond = 0;
    Vec2 farFirst, farSecond;
};

Outcome<LineCorner> lineCorner(const LineData& first, Vec2 pickFirst, const LineData& second,
                               Vec2 pickSecond) {
    if (first.a == first.b || second.a == second.b)
        return Refusal::EmptyInput;
    std::vector<Vec2> meet;
    intersections(Carrier{false, first.a, first.b - first.a, {}, 0},
                  Carrier{false, second.a, second.b - second.a, {}, 0}, meet);
    if (meet.empty())
        return Refusal::Parallel;
    LineCorner c;
    c.corner = meet[0];
    const auto kept = [&](const LineData& l, Vec2 pick, Vec2& along, double& reach, Vec2& far) {
        const Vec2 d = unit(l.b - l.a);
        const double side = dot(pick - c.corner, d) >= 0 ? 1 : -1;
        along = d * side;
        far = side > 0 ? l.b : l.a;
        reach = dot(far - c.corner, along);
    };
    kept(first, pickFirst, c.alongFirst, c.reachFirst, c.farFirst);
    kept(second, pickSecond, c.alongSecond, c.reachSecond, c.farSecond);
    return c;
}

Outcome<ChamferResult> chamferAt(const LineCorner& c, double firstDistance, double secondDistance) {
    if (firstDistance >= c.reachFirst || secondDistance >= c.reachSecond)
        return Refusal::RadiusTooLarge;
    ChamferResult out;
    const Vec2 ta = c.corner + c.alongFirst * firstDistance;
    const Vec2 tb = c.corner + c.alongSecond * secondDistance;
    out.first = {c.farFirst, ta};
    out.second = {tb, c.farSecond};
    if (firstDistance > 0 || secondDistance > 0)
        out.bevel = LineData{ta, tb};
    return out;
}

} // namespace

Outcome<ChamferResult> chamferLines(const LineData& first, Vec2 pickFirst, const LineData& second,
                                    Vec2 pickSecond, double firstDistance, double secondDistance) {
    if (!finite(first.a) || !finite(first.b) || !finite(second.a) || !finite(second.b) ||
        !finite(pickFirst) || !finite(pickSecond) || !finiteNumber(firstDistance) ||
        !finiteNumber(secondDistance))
        return Refusal::NotFinite;
    if (firstDistance < 0 || secondDistance < 0)
        return Refusal::NegativeValue;
    const auto c = lineCorner(first, pickFirst, second, pickSecond);
    if (!c)
        return c.refusal;
    return chamferAt(*c, firstDistance, secondDistance);
}

Outcome<ChamferResult> chamferLinesByAngle(const LineData& first, Vec2 pickFirst,
                                           const LineData& second, Vec2 pickSecond,
                                           double firstDistance, double angleDegrees) {
    if (!finiteNumber(angleDegrees))
        return Refusal::NotFinite;
    const auto c = lineCorner(first, pickFirst, second, pickSecond);
    if (!c)
        return c.refusal;
    // The triangle of the corner and the bevel's ends: the corner's angle between the kept
    // parts, the given angle at the first line; the law of sines gives the second distance.
    const double atCorner = std::acos(std::clamp(dot(c->alongFirst, c->alongSecond), -1.0, 1.0));
    const double atFirst = radians(angleDegrees);
    if (!(atFirst > 0) || atFirst + atCorner >= kPi)
        return Refusal::RadiusTooLarge;
    const double secondDistance = firstDistance * std::sin(atFirst) / std::sin(atFirst + atCorner);
    return chamferLines(first, pickFirst, second, pickSecond, firstDistance, secondDistance);
}

// ---- between a polyline and another curve

namespace {

// A curve taken as an open path whose last segment is the one picked.
struct EndSegment {
    Path path;
    Curve segment; // a line or an arc
};

Outcome<EndSegment> endSegment(const Curve& c, Vec2 pick) {
    EndSegment out;
    if (const auto* l = std::get_if<LineData>(&c))
        out.path = pathOf(*l);
    else if (const auto* a = std::get_if<ArcData>(&c))
        out.path = pathOf(*a);
    else if (const auto* p = std::get_if<Path>(&c))
        out.path = *p;
    else
        return Refusal::Unsupported;
    if (out.path.closed)
        return Refusal::ClosedCurve;
    const std::size_t n = out.path.segmentCount();
    if (n == 0)
        return Refusal::EmptyInput;
    const std::size_t k = closestPosition(out.path, pick).segment;
    if (n > 1 && k != 0 && k != n - 1)
        return Refusal::NotAtEnd;
    if (n > 1 && k == 0)
        out.path = reversed(out.path);
    const PathSegment s = segmentOf(out.path, n - 1);
    if (s.a == s.b)
        return Refusal::EmptyInput;
    out.segment = s.isArc() ? Curve{arcDataOf(s)} : Curve{lineOf(s)};
    return out;
}

Vec2 startOf(const Curve& c) {
    return startPoint(c);
}
Vec2 endOf(const Curve& c) {
    return endPoint(c);
}

// A line or arc as a segment from the end nearer to `from` to the other.
PathSegment segmentFrom(const Curve& c, Vec2 from) {
    PathSegment s;
    if (const auto* l = std::get_if<LineData>(&c))
        s = {l->a, l->b, 0};
    else
        s = segmentOf(pathOf(std::get<ArcData>(c)), 0);
    return dist(s.a, from) <= dist(s.b, from) ? s : reversed(s);
}

// The path of an end segment changed: the picked segment now `changed`, running from the rest
// of the path to the corner end nearer to `corner`.
Path withEndChanged(const EndSegment& e, const Curve& changed, Vec2 corner) {
    const Vec2 s = startOf(changed), t = endOf(changed);
    const Vec2 cornerEnd = dist(s, corner) <= dist(t, corner) ? s : t;
    const Vec2 keptEnd = cornerEnd == s ? t : s;
    PathSegment seg = segmentFrom(changed, keptEnd);
    Path out = e.path;
    const std::size_t n = out.v.size();
    out.v[n - 2].p = seg.a;
    out.v[n - 2].bulge = seg.bulge;
    out.v[n - 1] = {seg.b, 0};
    return out;
}

// What is made at the corner between two segments: them as they become, and what joins them.
struct CornerMade {
    Curve first, second;
    std::optional<Curve> bridge;
};

template <typename Make>
Outcome<Path> joinAtCorner(const Curve& first, Vec2 pickFirst, const Curve& second, Vec2 pickSecond,
                           Make make) {
    const auto a = endSegment(first, pickFirst);
    if (!a)
        return a.refusal;
    const auto b = endSegment(second, pickSecond);
    if (!b)
        return b.refusal;
    const Outcome<CornerMade> made = make(a->segment, b->segment);
    if (!made)
        return made.refusal;
    // Where the two meet: the ends of what joins them, or their nearest ends.
    Vec2 cornerA, cornerB;
    if (made->bridge) {
        cornerA = startOf(*made->bridge);
        cornerB = endOf(*made->bridge);
        const auto nearest = [](const Curve& c, Vec2 p) {
            return std::min(dist(startOf(c), p), dist(endOf(c), p));
        };
        if (nearest(made->first, cornerA) + nearest(made->second, cornerB) >
            nearest(made->first, cornerB) + nearest(made->second, cornerA))
            std::swap(cornerA, cornerB);
    } else {
        double best = std::numeric_limits<double>::infinity();
        for (const Vec2 p : {startOf(made->first), endOf(made->first)})
            for (const Vec2 q : {startOf(made->second), endOf(made->second)})
                if (dist(p, q) < best) {
                    best = dist(p, q);
                    cornerA = p;
                    cornerB = q;
                }
    }
    const Path pa = withEndChanged(*a, made->first, cornerA);
    const Path pb = reversed(withEndChanged(*b, made->second, cornerB));
    Path out;
    out.v.assign(pa.v.begin(), pa.v.end() - 1);
    if (made->bridge) {
        const PathSegment bridge = segmentFrom(*made->bridge, pa.v.back().p);
        out.v.push_back({pa.v.back().p, bridge.bulge});
    }
    out.v.insert(out.v.end(), pb.v.begin(), pb.v.end());
    return tidied(out);
}

} // namespace

Outcome<Path> filletJoining(const Curve& first, Vec2 pickFirst, const Curve& second,
                            Vec2 pickSecond, double radius) {
    return joinAtCorner(first, pickFirst, second, pickSecond,
                        [&](const Curve& a, const Curve& b) -> Outcome<CornerMade> {
                            const auto f = filletCurves(a, pickFirst, b, pickSecond, radius);
                            if (!f)
                                return f.refusal;
                            CornerMade m{f->first, f->second, std::nullopt};
                            if (f->arc)
                                m.bridge = Curve{*f->arc};
                            return m;
                        });
}

namespace {

template <typename Chamfer>
Outcome<Path> chamferJoiningWith(const Curve& first, Vec2 pickFirst, const Curve& second,
                                 Vec2 pickSecond, Chamfer chamfer) {
    return joinAtCorner(first, pickFirst, second, pickSecond,
                        [&](const Curve& a, const Curve& b) -> Outcome<CornerMade> {
                            const auto* la = std::get_if<LineData>(&a);
                            const auto* lb = std::get_if<LineData>(&b);
                            if (!la || !lb)
                                return Refusal::Unsupported;
                            const auto c = chamfer(*la, *lb);
                            if (!c)
                                return c.refusal;
                            CornerMade m{c->first, c->second, std::nullopt};
                            if (c->bevel)
                                m.bridge = Curve{*c->bevel};
                            return m;
                        });
}

} // namespace

Outcome<Path> chamferJoining(const Curve& first, Vec2 pickFirst, const Curve& second,
                             Vec2 pickSecond, double firstDistance, double secondDistance) {
    return chamferJoiningWith(
        first, pickFirst, second, pickSecond, [&](const LineData& a, const LineData& b) {
            return chamferLines(a, pickFirst, b, pickSecond, firstDistance, secondDistance);
        });
}

Outcome<Path> chamferJoiningByAngle(const Curve& first, Vec2 pickFirst, const Curve& second,
                                    Vec2 pickSecond, double firstDistance, double angleDegrees) {
    return chamferJoiningWith(
        first, pickFirst, second, pickSecond, [&](const LineData& a, const LineData& b) {
            return chamferLinesByAngle(a, pickFirst, b, pickSecond, firstDistance, angleDegrees);
        });
}

// ---- corners of polylines

namespace {

// Where a corner is cut: the parameter on the segment before it where that segment now ends,
// the one on the segment after where that one now starts, the two points, and the bulge of
// what joins them (0 for a chamfer).
struct CornerCut {
    double t1 = 1, t2 = 0;
    Vec2 ta, tb;
    double bulge = 0;
};

double turnAt(const PathSegment& before, const PathSegment& after) {
    return angleBetween(tangentAt(before, 1), tangentAt(after, 0));
}

Outcome<CornerCut> filletCut(const PathSegment& s1, const PathSegment& s2, double radius) {
    const double turn = turnAt(s1, s2);
    if (std::abs(turn) < kSmallestTurn)
        return Refusal::NotACorner;
    if (std::abs(turn) > kPi - kSmallestTurn)
        return Refusal::Parallel;
    const double side = turn > 0 ? 1 : -1;
    const Vec2 corner = s1.b;
    // The centre: at the radius from both segments, on the inner side of the turn.
    const auto offsetCarrier = [&](const PathSegment& s) -> std::optional<Carrier> {
        Carrier k = carrierOf(s);
        if (!k.circle) {
            k.p = k.p + perp(unit(k.d)) * (side * radius);
            return k;
        }
        k.radius -= side * radius * (sweepOfBulge(s.bulge) > 0 ? 1 : -1);
        if (!(k.radius > 0))
            return std::nullopt;
        return k;
    };
    const auto k1 = offsetCarrier(s1), k2 = offsetCarrier(s2);
    if (!k1 || !k2)
        return Refusal::RadiusTooLarge;
    std::vector<Vec2> centres;
    intersections(*k1, *k2, centres);
    std::optional<CornerCut> best;
    Vec2 bestCentre;
    const double slack = 1e-9;
    for (const Vec2 c : centres) {
        const auto foot = [&](const PathSegment& s) {
            if (!s.isArc())
                return pointAt(s, parameterOf(s, c));
            const ArcGeometry g = arcOf(s);
            return g.centre + unit(c - g.centre) * g.radius;
        };
        CornerCut cut;
        cut.ta = foot(s1);
        cut.tb = foot(s2);
        cut.t1 = parameterOf(s1, cut.ta);
        cut.t2 = parameterOf(s2, cut.tb);
        if (cut.t1 < -slack || cut.t1 > 1 + slack || cut.t2 < -slack || cut.t2 > 1 + slack)
            continue;
        cut.t1 = std::clamp(cut.t1, 0.0, 1.0);
        cut.t2 = std::clamp(cut.t2, 0.0, 1.0);
        const double sweep = directedAngle(cut.ta - c, cut.tb - c, side);
        cut.bulge = bulgeOfSweep(side * sweep);
        if (!best || dist(c, corner) < dist(bestCentre, corner)) {
            best = cut;
            bestCentre = c;
        }
    }
    if (!best)
        return Refusal::RadiusTooLarge;
    return *best;
}

Outcome<CornerCut> chamferCut(const PathSegment& s1, const PathSegment& s2, double firstDistance,
                              double secondDistance) {
    if (s1.isArc() || s2.isArc())
        return Refusal::Unsupported;
    const double turn = turnAt(s1, s2);
    if (std::abs(turn) < kSmallestTurn)
        return Refusal::NotACorner;
    const double l1 = segmentLength(s1), l2 = segmentLength(s2);
    const double slack = 1e-12 * std::max(l1, l2);
    if (firstDistance > l1 + slack || secondDistance > l2 + slack)
        return Refusal::RadiusTooLarge;
    CornerCut cut;
    cut.t1 = std::clamp(1 - firstDistance / l1, 0.0, 1.0);
    cut.t2 = std::clamp(secondDistance / l2, 0.0, 1.0);
    cut.ta = pointAt(s1, cut.t1);
    cut.tb = pointAt(s2, cut.t2);
    return cut;
}

// The segments before and after vertex k; refused at the ends of an open path.
Outcome<std::pair<PathSegment, PathSegment>> cornerSegments(const Path& path, std::size_t k) {
    const std::size_t n = path.segmentCount();
    if (k >= path.v.size() || n < 2)
        return Refusal::NotACorner;
    if (!path.closed && (k == 0 || k + 1 >= path.v.size()))
        return Refusal::OpenPathEnd;
    return std::pair{segmentOf(path, (k + n - 1) % n), segmentOf(path, k % n)};
}

// The path with vertex k replaced by `inserted` and the bulge of the segment before it set.
// A closed path whose first vertex is replaced starts at the last of the inserted ones.
Path replaceVertex(const Path& path, std::size_t k, double bulgeBefore,
                   const std::vector<PathVertex>& inserted, double tolerance) {
    const std::size_t n = path.v.size();
    Path out;
    out.closed = path.closed;
    std::vector<PathVertex> v = path.v;
    v[(k + n - 1) % n].bulge = bulgeBefore;
    if (k == 0) {
        out.v.push_back(inserted.back());
        out.v.insert(out.v.end(), v.begin() + 1, v.end());
        out.v.insert(out.v.end(), inserted.begin(), inserted.end() - 1);
    } else {
        out.v.assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k));
        out.v.insert(out.v.end(), inserted.begin(), inserted.end());
        out.v.insert(out.v.end(), v.begin() + static_cast<std::ptrdiff_t>(k + 1), v.end());
    }
    return withoutShortSegments(out, tolerance);
}

double pathTolerance(const Path& path) {
    const Rect r = box(path);
    return 1e-12 * std::max({r.width(), r.height(), std::abs(r.left), std::abs(r.right),
                             std::abs(r.bottom), std::abs(r.top)});
}

Path applyCut(const Path& path, std::size_t k, const PathSegment& s1, const PathSegment& s2,
              const CornerCut& cut) {
    const double before = subSegment(s1, 0, cut.t1).bulge;
    const double after = subSegment(s2, cut.t2, 1).bulge;
    return replaceVertex(path, k, before, {{cut.ta, cut.bulge}, {cut.tb, after}},
                         pathTolerance(path));
}

bool validPath(const Path& path) {
    return finite(path);
}

} // namespace

Outcome<Path> filletPathCorner(const Path& path, std::size_t vertex, double radius) {
    if (!validPath(path) || !finiteNumber(radius))
        return Refusal::NotFinite;
    if (radius < 0)
        return Refusal::NegativeValue;
    const auto segments = cornerSegments(path, vertex);
    if (!segments)
        return segments.refusal;
    const auto& [s1, s2] = *segments;
    if (radius == 0) {
        if (std::abs(turnAt(s1, s2)) < kSmallestTurn)
            return Refusal::NotACorner;
        return tidied(path);
    }
    const auto cut = filletCut(s1, s2, radius);
    if (!cut)
        return cut.refusal;
    return applyCut(path, vertex, s1, s2, *cut);
}

Outcome<Path> sharpenCorner(const Path& path, std::size_t segment) {
    if (!validPath(path))
        return Refusal::NotFinite;
    const std::size_t n = path.segmentCount();
    if (segment >= n || n < 3)
        return Refusal::NotACorner;
    if (!path.closed && (segment == 0 || segment + 1 >= n))
        return Refusal::OpenPathEnd;
    const std::size_t before = (segment + n - 1) % n, after = (segment + 1) % n;
    const PathSegment s1 = segmentOf(path, before), s2 = segmentOf(path, after);
    const PathSegment middle = segmentOf(path, segment);
    std::vector<Vec2> meet;
    intersections(carrierOf(s1), carrierOf(s2), meet);
    if (meet.empty())
        return Refusal::Parallel;
    const Vec2 mid = pointAt(middle, 0.5);
    const Vec2 corner = *std::min_element(
        meet.begin(), meet.end(), [&](Vec2 p, Vec2 q) { return dist(p, mid) < dist(q, mid); });
    // Each neighbour runs on (or back) to the corner the way it turns.
    const auto reshaped = [&](const PathSegment& s, Vec2 from, Vec2 to) {
        if (!s.isArc())
            return 0.0;
        const ArcGeometry g = arcOf(s);
        const double sign = g.sweep > 0 ? 1 : -1;
        return bulgeOfSweep(sign * directedAngle(from - g.centre, to - g.centre, sign));
    };
    const double bulgeBefore = reshaped(s1, s1.a, corner);
    const double bulgeAfter = reshaped(s2, corner, s2.b);
    // The middle segment's two vertices become the corner.
    const std::size_t first = segment, second = (segment + 1) % path.v.size();
    Path out;
    out.closed = path.closed;
    for (std::size_t i = 0; i < path.v.size(); ++i) {
        if (i == second)
            continue;
        PathVertex v = path.v[i];
        if (i == first)
            v = {corner, bulgeAfter};
        if (i == before)
            v.bulge = bulgeBefore;
        out.v.push_back(v);
    }
    return withoutShortSegments(out, pathTolerance(path));
}

Outcome<Path> filletPathSegments(const Path& path, std::size_t firstSegment,
                                 std::size_t secondSegment, double radius) {
    const std::size_t n = path.segmentCount();
    if (firstSegment >= n || secondSegment >= n || firstSegment == secondSegment)
        return Refusal::NotACorner;
    const auto follows = [&](std::size_t a, std::size_t b, std::size_t steps) {
        return path.closed ? (a + steps) % n == b : a + steps == b;
    };
    std::size_t a = firstSegment, b = secondSegment;
    if (follows(b, a, 1) && !follows(a, b, 1))
        std::swap(a, b);
    if (follows(a, b, 1))
        return filletPathCorner(path, b, radius);
    // Two apart: the segment between them is the corner cut before (when both ways round are
    // two apart, the one that is an arc).
    const bool forward = follows(a, b, 2), backward = follows(b, a, 2);
    if (!forward && !backward)
        return Refusal::NotACorner;
    if (!forward || (backward && !segmentOf(path, (a + 1) % n).isArc()))
        std::swap(a, b);
    const std::size_t middle = (a + 1) % n;
    const auto sharp = sharpenCorner(path, middle);
    if (!sharp)
        return sharp.refusal;
    // The corner is the vertex that started the middle segment, one less when the vertex that
    // ended it was the first.
    std::size_t corner = (middle + 1) % path.v.size() == 0 ? middle - 1 : middle;
    if (corner >= sharp->v.size())
        return Refusal::NotACorner;
    return filletPathCorner(*sharp, corner, radius);
}

namespace {

// Every corner in turn, from the last vertex back to the first (so that the vertices not yet
// done keep their numbers), the first vertex of a closed path last.
template <typename CutAt> Outcome<PathCorners> allCorners(const Path& path, CutAt cutAt) {
    PathCorners out;
    out.path = path;
    const std::size_t count = path.v.size();
    if (path.segmentCount() < 2) {
        out.path = tidied(path);
        return out;
    }
    std::vector<std::size_t> order;
    for (std::size_t k = count - 1; k >= 1; --k)
        if (path.closed || k + 1 < count)
            order.push_back(k);
    if (path.closed)
        order.push_back(0);
    for (const std::size_t k : order) {
        const auto segments = cornerSegments(out.path, k);
        if (!segments)
            continue;
        const auto& [s1, s2] = *segments;
        const double turn = std::abs(turnAt(s1, s2));
        if (turn < kSmallestTurn || turn > kPi - kSmallestTurn)
            continue;
        const Outcome<CornerCut> cut = cutAt(s1, s2);
        if (!cut) {
            if (cut.refusal == Refusal::RadiusTooLarge)
                ++out.tooShort;
            continue;
        }
        out.path = applyCut(out.path, k, s1, s2, *cut);
        ++out.changed;
    }
    out.path = tidied(out.path);
    return out;
}

} // namespace

Outcome<PathCorners> filletPathAll(const Path& path, double radius) {
    if (!validPath(path) || !finiteNumber(radius))
        return Refusal::NotFinite;
    if (radius < 0)
        return Refusal::NegativeValue;
    if (radius == 0) {
        PathCorners out;
        out.path = tidied(path);
        return out;
    }
    return allCorners(path, [&](const PathSegment& s1, const PathSegment& s2) {
        return filletCut(s1, s2, radius);
    });
}

Outcome<Path> chamferPathCorner(const Path& path, std::size_t vertex, double firstDistance,
                                double secondDistance) {
    if (!validPath(path) || !finiteNumber(firstDistance) || !finiteNumber(secondDistance))
        return Refusal::NotFinite;
    if (firstDistance < 0 || secondDistance < 0)
        return Refusal::NegativeValue;
    const auto segments = cornerSegments(path, vertex);
    if (!segments)
        return segments.refusal;
    const auto& [s1, s2] = *segments;
    const auto cut = chamferCut(s1, s2, firstDistance, secondDistance);
    if (!cut)
        return cut.refusal;
    return applyCut(path, vertex, s1, s2, *cut);
}

Outcome<Path> chamferPathCornerByAngle(const Path& path, std::size_t vertex, double firstDistance,
                                       double angleDegrees) {
    if (!validPath(path) || !finiteNumber(firstDistance) || !finiteNumber(angleDegrees))
        return Refusal::NotFinite;
    const auto segments = cornerSegments(path, vertex);
    if (!segments)
        return segments.refusal;
    const auto& [s1, s2] = *segments;
    if (s1.isArc() || s2.isArc())
        return Refusal::Unsupported;
    const double atCorner = kPi - std::abs(turnAt(s1, s2));
    const double atFirst = radians(angleDegrees);
    if (!(atFirst > 0) || atFirst + atCorner >= kPi)
        return Refusal::RadiusTooLarge;
    return chamferPathCorner(path, vertex, firstDistance,
                             firstDistance * std::sin(atFirst) / std::sin(atFirst + atCorner));
}

Outcome<PathCorners> chamferPathAll(const Path& path, double firstDistance, double secondDistance) {
    if (!validPath(path) || !finiteNumber(firstDistance) || !finiteNumber(secondDistance))
        return Refusal::NotFinite;
    if (firstDistance < 0 || secondDistance < 0)
        return Refusal::NegativeValue;
    return allCorners(path, [&](const PathSegment& s1, const PathSegment& s2) {
        return chamferCut(s1, s2, firstDistance, secondDistance);
    });
}

} // namespace cad
