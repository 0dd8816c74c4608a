#include "engine/model/Curve.h"

#include "engine/model/BoxGrid.h"
#include "engine/model/Curves.h"
#include "engine/model/Outline.h"
#include "engine/model/Spline.h"
#include "engine/model/VectorOps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
constexpr double kDegrees = 180 / kPi;
// Chords that stand for a spline where it meets other curves stray from it by no more than this
// part of its size before the meeting points are refined on the curve itself.
constexpr double kSplineChordTolerance = 1e-6;
constexpr int kMostStepsOfASpan = 256;

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

double wrapped(double a) {
    a = std::fmod(a, kTurn);
    return a < 0 ? a + kTurn : a;
}

double arcSweep(const ArcData& a) {
    return radians(sweepDegrees(a.startAngle, a.endAngle));
}
double arcStart(const ArcData& a) {
    return radians(normalisedDegrees(a.startAngle));
}
Vec2 onCircle(Vec2 centre, double radius, double angle) {
    return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

// The parameter in [0, sweep] of an angle from the start (any turn): past the end, the nearer
// end by angle.
double withinSweep(double fromStart, double sweep) {
    const double a = wrapped(fromStart);
    if (a <= sweep)
        return a;
    return a - sweep <= kTurn - a ? sweep : 0;
}

bool wholeEllipse(const EllipseData& e) {
    return sweepDegrees(e.startAngle, e.endAngle) >= 360;
}

// Gauss-Legendre nodes and weights on [-1, 1].
constexpr double kNodes[] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                             -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                             0.7966664774136267,  0.9602898564975363};
constexpr double kWeights[] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                               0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                               0.2223810344533745, 0.1012285362903763};

// The integral of a speed from t0 to t1 over `panels` panels.
template <typename Speed> double integrate(Speed speed, double t0, double t1, int panels) {
    double sum = 0;
    const double h = (t1 - t0) / panels;
    for (int p = 0; p < panels; ++p)
        for (int g = 0; g < 8; ++g)
            sum += h / 2 * kWeights[g] * speed(t0 + h * (p + (kNodes[g] + 1) / 2));
    return sum;
}

// A parameter where a growing length reaches a value, by bisection refined by Newton's steps.
template <typename LengthTo, typename Speed>
double parameterForLength(LengthTo lengthTo, Speed speed, double lo, double hi, double target) {
    double t = lo + (hi - lo) / 2;
    for (int i = 0; i < 100; ++i) {
        const double f = lengthTo(t) - target;
        if (std::abs(f) <= 1e-14 * std::max(1.0, std::abs(target)))
            break;
        if (f > 0)
            hi = t;
        else
            lo = t;
        const double s = speed(t);
        double next = s > 0 ? t - f / s : (lo + hi) / 2;
        if (!(next > lo && next < hi))
            next = (lo + hi) / 2;
        if (next == t)
            break;
        t = next;
    }
    return t;
}

// ---- splines

// Points of a spline with their parameters, no chord farther than `tolerance` from the curve.
struct SplineSamples {
    std::vector<Vec2> p;
    std::vector<double> u;
};

SplineSamples sampled(const SplineEvaluator& s, double tolerance) {
    SplineSamples out;
    const auto& t = s.parameters();
    if (t.empty())
        return out;
    out.p.push_back(s.points()[0]);
    out.u.push_back(0);
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        const double h = t[i + 1] - t[i];
        const int steps = std::clamp(static_cast<int>(std::ceil(std::sqrt(h / tolerance) * 2)), 1,
                                     kMostStepsOfASpan);
        for (int k = 1; k <= steps; ++k) {
            const double u = k == steps ? t[i + 1] : t[i] + h * k / steps;
            out.p.push_back(s.at(u));
            out.u.push_back(u);
        }
    }
    return out;
}

double splineSize(const SplineEvaluator& s) {
    Rect r;
    for (const Vec2 p : s.points())
        r.add(p);
    return std::max({r.width(), r.height(), 1e-300});
}

// The parameter of the point of the spline nearest to p.
double splineClosest(const SplineEvaluator& s, Vec2 p) {
    if (s.points().size() < 2)
        return 0;
    const SplineSamples samples = sampled(s, splineSize(s) * 1e-4);
    double best = 0, bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < samples.p.size(); ++i) {
        const PathSegment chord{samples.p[i], samples.p[i + 1], 0};
        const double t = closestParameter(chord, p);
        const double d = dist(pointAt(chord, t), p);
        if (d < bestDistance) {
            bestDistance = d;
            best = samples.u[i] + (samples.u[i + 1] - samples.u[i]) * t;
        }
    }
    // Newton's steps on (S(u) - p)·S'(u) = 0, with the second derivative by differences.
    const double end = s.end();
    for (int i = 0; i < 20; ++i) {
        const Vec2 d1 = s.derivative(best);
        const double h = 1e-6 * end;
        const Vec2 d2 =
            (s.derivative(std::min(best + h, end)) - s.derivative(std::max(best - h, 0.0))) *
            (1 / (std::min(best + h, end) - std::max(best - h, 0.0)));
        const Vec2 off = s.at(best) - p;
        const double f = dot(off, d1), df = dot(d1, d1) + dot(off, d2);
        if (!(df > 0))
            break;
        const double next = std::clamp(best - f / df, 0.0, end);
        if (std::abs(next - best) <= 1e-15 * end) {
            best = next;
            break;
        }
        best = next;
    }
    return best;
}

double splineLengthTo(const SplineEvaluator& s, double u) {
    const auto& t = s.parameters();
    double sum = 0;
    const auto speed = [&](double x) { return norm(s.derivative(x)); };
    for (std::size_t i = 0; i + 1 < t.size() && t[i] < u; ++i)
        sum += integrate(speed, t[i], std::min(t[i + 1], u), 4);
    return sum;
}

// ---- pieces of curves for meeting points

// A straight or circular piece (a segment of a polyline, or a chord of a spline), or an
// ellipse; with the curve's parameters at its ends.
struct Element {
    bool conic = false;
    PathSegment seg;
    Conic k;
    double u0 = 0, u1 = 1;
    bool chord = false;
    const SplineEvaluator* spline = nullptr;
};

void arcElements(Vec2 centre, double radius, double start, double sweep, double u0,
                 std::vector<Element>& out) {
    const int pieces = sweep > kPi ? 2 : 1;
    for (int i = 0; i < pieces; ++i) {
        const double a0 = start + sweep * i / pieces, a1 = start + sweep * (i + 1) / pieces;
        Element e;
        e.seg = {onCircle(centre, radius, a0), onCircle(centre, radius, a1), bulgeOfSweep(a1 - a0)};
        e.u0 = u0 + (a0 - start);
        e.u1 = u0 + (a1 - start);
        out.push_back(e);
    }
}

struct Elements {
    std::vector<Element> list;
    std::unique_ptr<SplineEvaluator> spline;
};

Elements elementsOf(const Curve& c) {
    Elements out;
    std::visit(Overloaded{
                   [&](const LineData& l) {
                       Element e;
                       e.seg = {l.a, l.b, 0};
                       out.list.push_back(e);
                   },
                   [&](const ArcData& a) {
                       arcElements(a.centre, std::abs(a.radius), arcStart(a), arcSweep(a), 0,
                                   out.list);
                   },
                   [&](const CircleData& ci) {
                       arcElements(ci.centre, std::abs(ci.radius), 0, kTurn, 0, out.list);
                   },
                   [&](const EllipseData& el) {
                       Element e;
                       e.conic = true;
                       e.k = ellipseConic(el);
                       e.u0 = 0;
                       e.u1 = e.k.sweep;
                       out.list.push_back(e);
                   },
                   [&](const SplineData& s) {
                       out.spline = std::make_unique<SplineEvaluator>(s.fit, s.closed);
                       const SplineSamples samples =
                           sampled(*out.spline, splineSize(*out.spline) * kSplineChordTolerance);
                       for (std::size_t i = 0; i + 1 < samples.p.size(); ++i) {
                           Element e;
                           e.seg = {samples.p[i], samples.p[i + 1], 0};
                           e.u0 = samples.u[i];
                           e.u1 = samples.u[i + 1];
                           e.chord = true;
                           e.spline = out.spline.get();
                           out.list.push_back(e);
                       }
                   },
                   [&](const Path& p) {
                       for (std::size_t i = 0; i < p.segmentCount(); ++i) {
                           Element e;
                           e.seg = segmentOf(p, i);
                           e.u0 = static_cast<double>(i);
                           e.u1 = static_cast<double>(i + 1);
                           out.list.push_back(e);
                       }
                   },
               },
               c);
    return out;
}

Rect elementBox(const Element& e) {
    return e.conic ? e.k.box() : box(e.seg);
}

// The curve's parameter of a point on an element.
double parameterOn(const Element& e, Vec2 p) {
    if (e.conic) {
        const auto t = e.k.parameterOf(p);
        if (!t)
            return e.u0;
        return e.u0 +
               (e.k.whole() ? wrapped(*t - e.k.start) : withinSweep(*t - e.k.start, e.k.sweep));
    }
    return e.u0 + (e.u1 - e.u0) * closestParameter(e.seg, p);
}

// A circular piece as a conic (counter-clockwise from its start).
Conic conicOf(const PathSegment& s) {
    const ArcGeometry g = arcOf(s);
    const double start = g.sweep > 0 ? g.startAngle : g.startAngle + g.sweep;
    Conic k = circleConic(g.centre, g.radius, 0, 360);
    k.start = start;
    k.sweep = std::abs(g.sweep);
    return k;
}

// How far a point lies off an element's whole line, circle or ellipse, signed.
double offCarrier(const Element& e, Vec2 p) {
    if (e.conic) {
        const double det = cross(e.k.u, e.k.v);
        const Vec2 d = p - e.k.c;
        const Vec2 q{cross(d, e.k.v) / det, cross(e.k.u, d) / det};
        return (norm(q) - 1) * std::sqrt(std::abs(det));
    }
    if (!e.seg.isArc()) {
        const Vec2 d = e.seg.b - e.seg.a;
        return cross(d, p - e.seg.a) / norm(d);
    }
    const ArcGeometry g = arcOf(e.seg);
    return dist(p, g.centre) - g.radius;
}

// A meeting point found on a chord of a spline moved onto the spline itself, where it meets
// the other element's line, circle or ellipse (secant steps from the chord's guess).
bool refineOnSpline(const Element& chord, const Element& other, double& u, Vec2& p) {
    const SplineEvaluator& s = *chord.spline;
    const double span = chord.u1 - chord.u0;
    double u0 = u, u1 = std::min(u + span * 1e-3, s.end());
    if (u1 == u0)
        u1 = u0 - span * 1e-3;
    double f0 = offCarrier(other, s.at(u0)), f1 = offCarrier(other, s.at(u1));
    for (int i = 0; i < 40 && f1 != f0; ++i) {
        const double next = u1 - f1 * (u1 - u0) / (f1 - f0);
        if (!std::isfinite(next) || next < chord.u0 - span || next > chord.u1 + span)
            return false;
        u0 = u1;
        f0 = f1;
        u1 = std::clamp(next, 0.0, s.end());
        f1 = offCarrier(other, s.at(u1));
        if (std::abs(u1 - u0) <= 1e-15 * std::max(1.0, s.end()))
            break;
    }
    u = u1;
    p = s.at(u1);
    return true;
}

void elementHits(const Element& a, const Element& b, std::vector<CurveHit>& out) {
    std::vector<Vec2> points;
    if (!a.conic && !b.conic) {
        std::vector<SegmentHit> hits;
        intersections(a.seg, b.seg, hits);
        for (const SegmentHit& h : hits) {
            CurveHit c{h.p, a.u0 + (a.u1 - a.u0) * h.ta, b.u0 + (b.u1 - b.u0) * h.tb};
            if (a.chord && !b.chord && refineOnSpline(a, b, c.u, c.p))
                c.v = parameterOn(b, c.p);
            else if (b.chord && !a.chord && refineOnSpline(b, a, c.v, c.p))
                c.u = parameterOn(a, c.p);
            out.push_back(c);
        }
        return;
    }
    if (a.conic && b.conic) {
        intersections(a.k, b.k, points);
    } else {
        const Element& s = a.conic ? b : a;
        const Element& k = a.conic ? a : b;
        if (s.seg.isArc())
            intersections(conicOf(s.seg), k.k, points);
        else
            intersections(Segment{s.seg.a, s.seg.b}, k.k, points);
    }
    for (Vec2 p : points) {
        CurveHit c{p, parameterOn(a, p), parameterOn(b, p)};
        if (a.chord && refineOnSpline(a, b, c.u, c.p))
            c.v = parameterOn(b, c.p);
        else if (b.chord && refineOnSpline(b, a, c.v, c.p))
            c.u = parameterOn(a, c.p);
        out.push_back(c);
    }
}

// Meeting points found twice (where two elements of one curve meet) once.
std::vector<CurveHit> withoutRepeats(std::vector<CurveHit> hits, double tolerance) {
    std::sort(hits.begin(), hits.end(),
              [](const CurveHit& a, const CurveHit& b) { return a.u < b.u; });
    std::vector<CurveHit> out;
    for (const CurveHit& h : hits) {
        bool seen = false;
        for (const CurveHit& o : out)
            if (dist(o.p, h.p) <= tolerance) {
                seen = true;
                break;
            }
        if (!seen)
            out.push_back(h);
    }
    return out;
}

template <typename F>
void forEachElementPair(const std::vector<Element>& a, const std::vector<Element>& b, F&& f) {
    if (a.size() * b.size() <= 4096) {
        for (const Element& x : a)
            for (const Element& y : b)
                if (elementBox(x).intersects(elementBox(y)))
                    f(x, y);
        return;
    }
    std::vector<Rect> boxes;
    boxes.reserve(a.size() + b.size());
    for (const Element& x : a)
        boxes.push_back(elementBox(x));
    for (const Element& y : b)
        boxes.push_back(elementBox(y));
    const BoxGrid grid(boxes);
    grid.forEachPair([&](std::size_t i, std::size_t j) {
        if (i < a.size() && j >= a.size())
            f(a[i], b[j - a.size()]);
    });
}

double sizeOf(const Rect& r) {
    return std::max({r.width(), r.height(), std::abs(r.left), std::abs(r.right), std::abs(r.bottom),
                     std::abs(r.top)});
}

// ---- lengths of ellipses

double ellipseLengthBetween(const Conic& k, double t0, double t1) {
    const auto speed = [&](double t) { return norm(k.derivative(t)); };
    const int panels = std::max(1, static_cast<int>(std::ceil(std::abs(t1 - t0) / kTurn * 64)));
    return integrate(speed, t0, t1, panels);
}

} // namespace

bool isClosed(const Curve& c) {
    return std::visit(Overloaded{
                          [](const LineData&) { return false; },
                          [](const ArcData& a) { return arcSweep(a) >= kTurn; },
                          [](const CircleData&) { return true; },
                          [](const EllipseData& e) { return wholeEllipse(e); },
                          [](const SplineData& s) { return s.closed; },
                          [](const Path& p) { return p.closed; },
                      },
                      c);
}

bool finite(const Curve& c) {
    const auto ok = [](std::initializer_list<double> v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    return std::visit(
        Overloaded{
            [&](const LineData& l) {
                return ok({l.a.x, l.a.y, l.b.x, l.b.y});
            },
            [&](const ArcData& a) {
                return ok({a.centre.x, a.centre.y, a.radius, a.startAngle, a.endAngle});
            },
            [&](const CircleData& ci) {
                return ok({ci.centre.x, ci.centre.y, ci.radius});
            },
            [&](const EllipseData& e) {
                return ok({e.centre.x, e.centre.y, e.radiusX, e.radiusY, e.rotation, e.startAngle,
                           e.endAngle});
            },
            [&](const SplineData& s) {
                return std::all_of(s.fit.begin(), s.fit.end(),
                                   [](Vec2 p) { return vectorops::finite(p); });
            },
            [&](const Path& p) { return finite(p); },
        },
        c);
}

double parameterStart(const Curve&) {
    return 0;
}

double parameterEnd(const Curve& c) {
    return std::visit(
        Overloaded{
            [](const LineData&) { return 1.0; },
            [](const ArcData& a) { return arcSweep(a); },
            [](const CircleData&) { return kTurn; },
            [](const EllipseData& e) { return ellipseConic(e).sweep; },
            [](const SplineData& s) { return SplineEvaluator(s.fit, s.closed).end(); },
            [](const Path& p) { return static_cast<double>(p.segmentCount()); },
        },
        c);
}

namespace {

PathPosition pathPosition(const Path& p, double u) {
    const std::size_t n = p.segmentCount();
    if (n == 0)
        return {};
    // A closed path goes round; its end is its end, not its start again.
    if (p.closed && (u < 0 || u > static_cast<double>(n))) {
        u = std::fmod(u, static_cast<double>(n));
        if (u < 0)
            u += static_cast<double>(n);
    }
    u = std::clamp(u, 0.0, static_cast<double>(n));
    const auto i = std::min(static_cast<std::size_t>(u), n - 1);
    return {i, std::clamp(u - static_cast<double>(i), 0.0, 1.0)};
}

double splineParameter(const SplineEvaluator& s, double u, bool closed) {
    if (closed && s.end() > 0 && (u < 0 || u > s.end())) {
        u = std::fmod(u, s.end());
        if (u < 0)
            u += s.end();
    }
    return u;
}

} // namespace

Vec2 pointAt(const Curve& c, double u) {
    return std::visit(
        Overloaded{
            [&](const LineData& l) { return lerp(l.a, l.b, u); },
            [&](const ArcData& a) {
                return onCircle(a.centre, std::abs(a.radius), arcStart(a) + u);
            },
            [&](const CircleData& ci) { return onCircle(ci.centre, std::abs(ci.radius), u); },
            [&](const EllipseData& e) {
                const Conic k = ellipseConic(e);
                return k.at(k.start + u);
            },
            [&](const SplineData& s) {
                const SplineEvaluator ev(s.fit, s.closed);
                return ev.at(splineParameter(ev, u, s.closed));
            },
            [&](const Path& p) { return pointAt(p, pathPosition(p, u)); },
        },
        c);
}

Vec2 tangentAt(const Curve& c, double u) {
    return std::visit(Overloaded{
                          [&](const LineData& l) { return unit(l.b - l.a); },
                          [&](const ArcData& a) {
                              const double t = arcStart(a) + u;
                              return Vec2{-std::sin(t), std::cos(t)};
                          },
                          [&](const CircleData&) {
                              return Vec2{-std::sin(u), std::cos(u)};
                          },
                          [&](const EllipseData& e) {
                              const Conic k = ellipseConic(e);
                              return unit(k.derivative(k.start + u));
                          },
                          [&](const SplineData& s) {
                              const SplineEvaluator ev(s.fit, s.closed);
                              return unit(ev.derivative(splineParameter(ev, u, s.closed)));
                          },
                          [&](const Path& p) { return tangentAt(p, pathPosition(p, u)); },
                      },
                      c);
}

double closestParameter(const Curve& c, Vec2 p) {
    return std::visit(
        Overloaded{
            [&](const LineData& l) {
                const Vec2 d = l.b - l.a;
                const double dd = dot(d, d);
                return dd > 0 ? std::clamp(dot(p - l.a, d) / dd, 0.0, 1.0) : 0.0;
            },
            [&](const ArcData& a) {
                const Vec2 d = p - a.centre;
                if (d == Vec2{})
                    return 0.0;
                return withinSweep(std::atan2(d.y, d.x) - arcStart(a), arcSweep(a));
            },
            [&](const CircleData& ci) {
                const Vec2 d = p - ci.centre;
                return d == Vec2{} ? 0.0 : wrapped(std::atan2(d.y, d.x));
            },
            [&](const EllipseData& e) {
                const Conic k = ellipseConic(e);
                const Vec2 q = closestPoint(k, p);
                const auto t = k.parameterOf(q);
                if (!t)
                    return 0.0;
                return k.whole() ? wrapped(*t - k.start) : withinSweep(*t - k.start, k.sweep);
            },
            [&](const SplineData& s) { return splineClosest(SplineEvaluator(s.fit, s.closed), p); },
            [&](const Path& path) {
                const PathPosition at = closestPosition(path, p);
                return static_cast<double>(at.segment) + at.t;
            },
        },
        c);
}

double distanceTo(const Curve& c, Vec2 p) {
    return dist(pointAt(c, closestParameter(c, p)), p);
}

Vec2 startPoint(const Curve& c) {
    return pointAt(c, 0);
}

Vec2 endPoint(const Curve& c) {
    if (const auto* p = std::get_if<Path>(&c))
        return p->closed || p->v.empty() ? (p->v.empty() ? Vec2{} : p->v[0].p) : p->v.back().p;
    if (const auto* l = std::get_if<LineData>(&c))
        return l->b;
    if (const auto* s = std::get_if<SplineData>(&c)) {
        const SplineEvaluator ev(s->fit, s->closed);
        return ev.at(ev.end());
    }
    return pointAt(c, parameterEnd(c));
}

double curveLength(const Curve& c) {
    return lengthTo(c, parameterEnd(c));
}

double lengthTo(const Curve& c, double u) {
    return std::visit(Overloaded{
                          [&](const LineData& l) { return dist(l.a, l.b) * u; },
                          [&](const ArcData& a) { return std::abs(a.radius) * u; },
                          [&](const CircleData& ci) { return std::abs(ci.radius) * u; },
                          [&](const EllipseData& e) {
                              const Conic k = ellipseConic(e);
                              return ellipseLengthBetween(k, k.start, k.start + u);
                          },
                          [&](const SplineData& s) {
                              return splineLengthTo(SplineEvaluator(s.fit, s.closed), u);
                          },
                          [&](const Path& p) {
                              const PathPosition at = pathPosition(p, u);
                              return distanceAt(p, at);
                          },
                      },
                      c);
}

double parameterAtLength(const Curve& c, double length) {
    return std::visit(
        Overloaded{
            [&](const LineData& l) {
                const double d = dist(l.a, l.b);
                return d > 0 ? length / d : 0.0;
            },
            [&](const ArcData& a) { return a.radius != 0 ? length / std::abs(a.radius) : 0.0; },
            [&](const CircleData& ci) {
                return ci.radius != 0 ? length / std::abs(ci.radius) : 0.0;
            },
            [&](const EllipseData& e) {
                const Conic k = ellipseConic(e);
                const auto to = [&](double u) {
                    return ellipseLengthBetween(k, k.start, k.start + u);
                };
                const auto speed = [&](double u) { return norm(k.derivative(k.start + u)); };
                return parameterForLength(to, speed, 0, k.sweep, length);
            },
            [&](const SplineData& s) {
                const SplineEvaluator ev(s.fit, s.closed);
                const auto to = [&](double u) { return splineLengthTo(ev, u); };
                const auto speed = [&](double u) { return norm(ev.derivative(u)); };
                return parameterForLength(to, speed, 0, ev.end(), length);
            },
            [&](const Path& p) {
                const PathPosition at = positionAtDistance(p, length);
                return static_cast<double>(at.segment) + at.t;
            },
        },
        c);
}

namespace {

// A spline's part from u0 over `span` (a closed one going round): a spline through the fit
// points between and the ends, with points of the curve added where the new spline would stray
// from the old one by more than a hundred-thousandth of its length.
SplineData splinePiece(const SplineData& s, double u0, double span) {
    const SplineEvaluator ev(s.fit, s.closed);
    SplineData out;
    const double end = ev.end();
    if (ev.points().size() < 2 || !(end > 0))
        return {ev.points(), false};
    const auto& t = ev.parameters();
    const auto at = [&](double u) { return ev.at(splineParameter(ev, u, s.closed)); };
    const double u1 = u0 + span;
    const double gap = 1e-9 * end;
    // The fit point parameters in order along the part, over as many turns as it takes.
    std::vector<double> us{u0};
    for (int turn = 0; turn < 3; ++turn)
        for (const double k : t) {
            const double u = k + turn * end;
            if (u - us.back() > gap && u1 - u > gap)
                us.push_back(u);
        }
    us.push_back(u1);
    const double tolerance = 1e-5 * end;
    for (int round = 0; round < 12; ++round) {
        out.fit.clear();
        for (const double u : us)
            out.fit.push_back(at(u));
        const SplineEvaluator piece(out.fit, false);
        const auto& pt = piece.parameters();
        if (pt.size() != us.size())
            break;
        // Each span's middle against the old curve's point half way between the same points.
        std::vector<double> more;
        bool added = false;
        for (std::size_t k = 0; k + 1 < us.size(); ++k) {
            more.push_back(us[k]);
            const double middle = (us[k] + us[k + 1]) / 2;
            if (dist(piece.at((pt[k] + pt[k + 1]) / 2), at(middle)) > tolerance) {
                more.push_back(middle);
                added = true;
            }
        }
        more.push_back(us.back());
        if (!added)
            break;
        us = std::move(more);
    }
    return out;
}

Path pathPiece(const Path& p, double u0, double u1) {
    return tidied(subPath(p, pathPosition(p, u0), pathPosition(p, u1)));
}

} // namespace

Curve pieceOf(const Curve& c, double u0, double u1) {
    const bool closed = isClosed(c);
    const double period = parameterEnd(c);
    double span = u1 - u0;
    if (closed && !(span > 0))
        span += period;
    return std::visit(Overloaded{
                          [&](const LineData& l) -> Curve {
                              return LineData{lerp(l.a, l.b, u0), lerp(l.a, l.b, u1)};
                          },
                          [&](const ArcData& a) -> Curve {
                              const double start = normalisedDegrees(a.startAngle);
                              return ArcData{a.centre, a.radius,
                                             normalisedDegrees(start + u0 * kDegrees),
                                             normalisedDegrees(start + (u0 + span) * kDegrees)};
                          },
                          [&](const CircleData& ci) -> Curve {
                              return ArcData{ci.centre, ci.radius, normalisedDegrees(u0 * kDegrees),
                                             normalisedDegrees((u0 + span) * kDegrees)};
                          },
                          [&](const EllipseData& e) -> Curve {
                              EllipseData out = e;
                              const double start = normalisedDegrees(e.startAngle);
                              out.startAngle = normalisedDegrees(start + u0 * kDegrees);
                              out.endAngle = normalisedDegrees(start + (u0 + span) * kDegrees);
                              return out;
                          },
                          [&](const SplineData& s) -> Curve { return splinePiece(s, u0, span); },
                          [&](const Path& p) -> Curve {
                              if (p.closed)
                                  return pathPiece(p, u0, std::fmod(u0 + span, period));
                              return pathPiece(p, u0, u1);
                          },
                      },
                      c);
}

Curve reversedCurve(const Curve& c) {
    return std::visit(Overloaded{
                          [](const LineData& l) -> Curve {
                              return LineData{l.b, l.a};
                          },
                          [](const SplineData& s) -> Curve {
                              SplineData out = s;
                              std::reverse(out.fit.begin(), out.fit.end());
                              return out;
                          },
                          [](const Path& p) -> Curve { return reversed(p); },
                          [&](const auto&) -> Curve { return c; },
                      },
                      c);
}

Curve extendedCurve(const Curve& c, double reach) {
    return std::visit(Overloaded{
                          [&](const LineData& l) -> Curve {
                              const Vec2 d = unit(l.b - l.a) * reach;
                              return LineData{l.a - d, l.b + d};
                          },
                          [](const ArcData& a) -> Curve {
                              return CircleData{a.centre, a.radius};
                          },
                          [](const EllipseData& e) -> Curve {
                              EllipseData out = e;
                              out.startAngle = 0;
                              out.endAngle = 360;
                              return out;
                          },
                          [&](const auto&) -> Curve { return c; },
                      },
                      c);
}

std::vector<CurveHit> intersections(const Curve& a, const Curve& b) {
    const Elements ea = elementsOf(a), eb = elementsOf(b);
    std::vector<CurveHit> hits;
    forEachElementPair(ea.list, eb.list,
                       [&](const Element& x, const Element& y) { elementHits(x, y, hits); });
    Rect r = curveBox(a);
    r.add(curveBox(b));
    return withoutRepeats(std::move(hits), 1e-10 * sizeOf(r));
}

std::vector<CurveHit> selfIntersections(const Curve& c) {
    if (!std::holds_alternative<Path>(c) && !std::holds_alternative<SplineData>(c))
        return {};
    const Elements e = elementsOf(c);
    const std::size_t n = e.list.size();
    std::vector<Rect> boxes;
    boxes.reserve(n);
    for (const Element& x : e.list)
        boxes.push_back(elementBox(x));
    const bool closed = isClosed(c);
    std::vector<CurveHit> hits, found;
    const double tolerance = 1e-10 * sizeOf(curveBox(c));
    BoxGrid(boxes).forEachPair([&](std::size_t i, std::size_t j) {
        found.clear();
        elementHits(e.list[i], e.list[j], found);
        const bool next = j == i + 1, wraps = closed && i == 0 && j == n - 1;
        for (const CurveHit& h : found) {
            if (next && dist(h.p, e.list[i].seg.b) <= tolerance)
                continue;
            if (wraps && dist(h.p, e.list[0].seg.a) <= tolerance)
                continue;
            hits.push_back(h.u <= h.v ? h : CurveHit{h.p, h.v, h.u});
        }
    });
    return withoutRepeats(std::move(hits), tolerance);
}

Path pathApproximation(const Curve& c, double tolerance) {
    return std::visit(Overloaded{
                          [](const LineData& l) { return pathOf(l); },
                          [](const ArcData& a) { return pathOf(a); },
                          [](const CircleData& ci) { return pathOf(ci); },
                          [&](const EllipseData& e) {
                              std::vector<Vec2> points;
                              const bool whole = wholeEllipse(e);
                              ellipsePoints(e, normalisedDegrees(e.startAngle),
                                            whole ? 360.0 : sweepDegrees(e.startAngle, e.endAngle),
                                            tolerance, points);
                              if (whole && points.size() > 1 &&
                                  dist(points.front(), points.back()) <= tolerance)
                                  points.pop_back();
                              return pathOf(points, whole);
                          },
                          [&](const SplineData& s) {
                              std::vector<Vec2> points;
                              splinePoints(s.fit, s.closed, tolerance, points);
                              if (s.closed && points.size() > 1 && points.front() == points.back())
                                  points.pop_back();
                              return pathOf(points, s.closed);
                          },
                          [](const Path& p) { return p; },
                      },
                      c);
}

Rect curveBox(const Curve& c) {
    return std::visit(Overloaded{
                          [](const EllipseData& e) { return ellipseConic(e).box(); },
                          [](const SplineData& s) { return splineExtents(s.fit, s.closed); },
                          [](const Path& p) { return box(p); },
                          [&](const auto& x) { return box(pathOf(x)); },
                      },
                      c);
}

} // namespace cad
