#include "engine/model/Path.h"

#include "engine/model/VectorOps.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
// Parameters this far outside [0, 1] still count as on the segment (rounding at the ends).
constexpr double kParameterSlack = 1e-9;

// θ - sin θ without losing its digits for small angles.
double thetaMinusSin(double theta) {
    if (std::abs(theta) < 1e-2) {
        const double t2 = theta * theta;
        return theta * t2 / 6 * (1 - t2 / 20 * (1 - t2 / 42));
    }
    return theta - std::sin(theta);
}

// The angle of p about the arc's centre, measured from its start in the direction it runs, as
// a fraction of its sweep. Points off the arc get the fraction of the nearer end's side: more
// than 1 past the end, less than 0 before the start.
double arcFraction(const ArcGeometry& g, Vec2 p) {
    const Vec2 d = p - g.centre;
    double angle = std::atan2(d.y, d.x) - g.startAngle;
    if (g.sweep < 0)
        angle = -angle;
    angle = std::fmod(angle, kTurn);
    if (angle < 0)
        angle += kTurn;
    const double sweep = std::abs(g.sweep);
    // Past the end: the nearer of the end and the start (seen from before it).
    if (angle > sweep && angle - sweep > kTurn - angle)
        angle -= kTurn;
    return angle / sweep;
}

// The points where a line (through p along d) meets a circle, by their parameter on the line.
int lineCircle(Vec2 p, Vec2 d, Vec2 centre, double radius, double out[2]) {
    const double dd = dot(d, d);
    if (!(dd > 0))
        return 0;
    const Vec2 f = p - centre;
    const double foot = -dot(f, d) / dd;
    const Vec2 nearest = f + d * foot;
    const double h2 = dot(nearest, nearest);
    double w2 = (radius - std::sqrt(h2)) * (radius + std::sqrt(h2));
    if (w2 < 0) {
        // Touching, to rounding.
        if (w2 > -1e-12 * radius * radius)
            w2 = 0;
        else
            return 0;
    }
    const double w = std::sqrt(w2 / dd);
    out[0] = foot - w;
    out[1] = foot + w;
    return w > 0 ? 2 : 1;
}

int circleCircle(Vec2 c1, double r1, Vec2 c2, double r2, Vec2 out[2]) {
    const Vec2 d = c2 - c1;
    const double away = norm(d);
    if (!(away > 0))
        return 0;
    const double slack = 1e-12 * (r1 + r2);
    if (away > r1 + r2 + slack || away < std::abs(r1 - r2) - slack)
        return 0;
    const double along = (r1 - r2) * (r1 + r2) / (2 * away) + away / 2;
    const double h = std::sqrt(std::max(0.0, (r1 - along) * (r1 + along)));
    const Vec2 e = d * (1 / away), n = perp(e);
    const Vec2 foot = c1 + e * along;
    out[0] = foot + n * h;
    out[1] = foot - n * h;
    return h > 0 ? 2 : 1;
}

// The circle of an arc segment without angles: centre and radius from the chord and bulge.
struct Circle {
    Vec2 c;
    double r = 0;
};
Circle circleOf(const PathSegment& s) {
    const double b = s.bulge;
    const Vec2 chord = s.b - s.a;
    return {lerp(s.a, s.b, 0.5) + perp(chord) * ((1 - b * b) / (4 * b)),
            norm(chord) * (1 + b * b) / (4 * std::abs(b))};
}

// Whether a point of an arc's circle lies on the arc: an arc running counter-clockwise holds
// the points of its circle on the right of its chord (all of them for a half circle or more,
// apart from those strictly left), a clockwise one those on the left. `slack`: how far on the
// other side of the chord still counts.
bool onArc(const PathSegment& s, Vec2 p, double slack) {
    const Vec2 chord = s.b - s.a;
    const double side = cross(chord, p - s.a);
    return (s.bulge > 0 ? side : -side) <= slack * norm(chord);
}

// The parameter of a point of an arc's circle that lies on the arc.
double arcParameter(const PathSegment& s, const Circle& k, Vec2 p) {
    const Vec2 from = s.a - k.c, to = p - k.c;
    double angle = std::atan2(cross(from, to), dot(from, to));
    if (s.bulge < 0)
        angle = -angle;
    const double sweep = std::abs(sweepOfBulge(s.bulge));
    // On the arc: an angle before the start is one past a half turn, or the start itself.
    if (angle < 0 && kTurn + angle - sweep < -angle)
        angle += kTurn;
    return std::clamp(angle / sweep, 0.0, 1.0);
}

bool onSegment(double t) {
    return t >= -kParameterSlack && t <= 1 + kParameterSlack;
}
double clamp01(double t) {
    return std::clamp(t, 0.0, 1.0);
}

// The meeting points of two segments, each once: two at most, four where they run along one
// circle. Kept in place, not on the heap: segments are met by the hundred thousand.
struct Hits {
    std::array<SegmentHit, 4> hits;
    std::size_t count = 0;
    void push_back(const SegmentHit& h) { hits[count++] = h; }
    const SegmentHit* begin() const { return hits.data(); }
    const SegmentHit* end() const { return hits.data() + count; }
};

// Snaps a parameter to an end where the point is that end (the same point both segments keep).
void addHit(const PathSegment& a, const PathSegment& b, Vec2 p, double ta, double tb, Hits& out) {
    ta = clamp01(ta);
    tb = clamp01(tb);
    if (ta == 0)
        p = a.a;
    else if (ta == 1)
        p = a.b;
    else if (tb == 0)
        p = b.a;
    else if (tb == 1)
        p = b.b;
    for (const SegmentHit& h : out)
        if (h.p == p)
            return;
    out.push_back({p, ta, tb});
}

// Segments along one line or one circle: the ends of each that lie on the other.
void overlapEnds(const PathSegment& a, const PathSegment& b, Hits& out) {
    for (const Vec2 p : {b.a, b.b}) {
        const double ta = closestParameter(a, p);
        if (dist(pointAt(a, ta), p) <= 1e-12 * std::max(1.0, segmentLength(a)))
            addHit(a, b, p, ta, p == b.a ? 0.0 : 1.0, out);
    }
    for (const Vec2 p : {a.a, a.b}) {
        const double tb = closestParameter(b, p);
        if (dist(pointAt(b, tb), p) <= 1e-12 * std::max(1.0, segmentLength(b)))
            addHit(a, b, p, p == a.a ? 0.0 : 1.0, tb, out);
    }
}

} // namespace

PathSegment segmentOf(const Path& path, std::size_t i) {
    const std::size_t n = path.v.size();
    const PathVertex& from = path.v[i];
    const PathVertex& to = path.v[(i + 1) % n];
    return {from.p, to.p, from.bulge};
}

double bulgeOfSweep(double sweepRadians) {
    return std::tan(sweepRadians / 4);
}
double sweepOfBulge(double bulge) {
    return 4 * std::atan(bulge);
}

ArcGeometry arcOf(const PathSegment& s) {
    ArcGeometry g;
    const double b = s.bulge;
    const Vec2 chord = s.b - s.a;
    const double c = norm(chord);
    g.centre = lerp(s.a, s.b, 0.5) + perp(chord) * ((1 - b * b) / (4 * b));
    g.radius = c * (1 + b * b) / (4 * std::abs(b));
    const Vec2 d = s.a - g.centre;
    g.startAngle = std::atan2(d.y, d.x);
    g.sweep = sweepOfBulge(b);
    return g;
}

double segmentLength(const PathSegment& s) {
    const double c = dist(s.a, s.b);
    if (!s.isArc())
        return c;
    const double b = std::abs(s.bulge);
    return c * (1 + b * b) * std::atan(b) / b;
}

Vec2 pointAt(const PathSegment& s, double t) {
    if (t == 0)
        return s.a;
    if (t == 1)
        return s.b;
    if (!s.isArc())
        return lerp(s.a, s.b, t);
    // Along the chord from the start: it leans by half the angle not yet swept, and its length
    // is that of the whole chord in proportion of the sines (no centre far away is needed).
    const double theta = sweepOfBulge(s.bulge);
    const double ratio = std::sin(theta * t / 2) / std::sin(theta / 2);
    return s.a + rotated(s.b - s.a, theta * (t - 1) / 2) * ratio;
}

Vec2 tangentAt(const PathSegment& s, double t) {
    const Vec2 chord = unit(s.b - s.a);
    if (!s.isArc())
        return chord;
    if (t == 0 || t == 1) {
        // Turned by half the sweep from the chord: its cosine and sine from the bulge.
        const double b = s.bulge, q = 1 + b * b;
        const double c = (1 - b * b) / q, sn = (t == 0 ? -2 * b : 2 * b) / q;
        return {chord.x * c - chord.y * sn, chord.x * sn + chord.y * c};
    }
    return rotated(chord, sweepOfBulge(s.bulge) * (t - 0.5));
}

double closestParameter(const PathSegment& s, Vec2 p) {
    if (!s.isArc()) {
        const Vec2 d = s.b - s.a;
        const double dd = dot(d, d);
        return dd > 0 ? clamp01(dot(p - s.a, d) / dd) : 0;
    }
    const ArcGeometry g = arcOf(s);
    if (p == g.centre)
        return 0;
    const double t = arcFraction(g, p);
    if (t >= 0 && t <= 1)
        return t;
    return dist(p, s.a) <= dist(p, s.b) ? 0 : 1;
}

double parameterOf(const PathSegment& s, Vec2 p) {
    if (!s.isArc()) {
        const Vec2 d = s.b - s.a;
        const double dd = dot(d, d);
        return dd > 0 ? dot(p - s.a, d) / dd : 0;
    }
    return arcFraction(arcOf(s), p);
}

PathSegment subSegment(const PathSegment& s, double t0, double t1) {
    PathSegment out{pointAt(s, t0), pointAt(s, t1), 0};
    if (s.isArc())
        out.bulge = bulgeOfSweep(sweepOfBulge(s.bulge) * (t1 - t0));
    return out;
}

std::pair<PathSegment, PathSegment> split(const PathSegment& s, double t) {
    PathSegment first = subSegment(s, 0, t), second = subSegment(s, t, 1);
    // One point for both, so that the pieces meet exactly.
    second.a = first.b;
    return {first, second};
}

PathSegment reversed(const PathSegment& s) {
    return {s.b, s.a, -s.bulge};
}

Rect box(const PathSegment& s) {
    Rect r;
    r.add(s.a);
    r.add(s.b);
    if (!s.isArc())
        return r;
    const Circle k = circleOf(s);
    // The ends of the axes through the centre that the arc passes.
    for (const Vec2 dir : {Vec2{1, 0}, Vec2{0, 1}, Vec2{-1, 0}, Vec2{0, -1}}) {
        const Vec2 p = k.c + dir * k.r;
        if (onArc(s, p, 0))
            r.add(p);
    }
    return r;
}

double distanceTo(const PathSegment& s, Vec2 p) {
    if (!s.isArc())
        return dist(p, pointAt(s, closestParameter(s, p)));
    const Circle k = circleOf(s);
    const Vec2 u = p - k.c;
    const double away = norm(u);
    if (!(away > 0))
        return k.r;
    if (onArc(s, k.c + u * (k.r / away), 0))
        return std::abs(away - k.r);
    return std::min(dist(p, s.a), dist(p, s.b));
}

double bulgeArea(const PathSegment& s) {
    if (!s.isArc())
        return 0;
    const double theta = sweepOfBulge(s.bulge);
    // r² (θ - sin θ) / 2 with r = c / (2 sin(θ/2)).
    const double c = dist(s.a, s.b);
    const double half = std::sin(theta / 2);
    return c * c / (8 * half * half) * thetaMinusSin(theta);
}

void intersections(const PathSegment& a, const PathSegment& b, std::vector<SegmentHit>& out) {
    Hits found;
    const bool arcA = a.isArc(), arcB = b.isArc();
    if (!arcA && !arcB) {
        const Vec2 r = a.b - a.a, q = b.b - b.a;
        const double denominator = cross(r, q);
        const double lr = norm(r), lq = norm(q);
        if (!(lr > 0) || !(lq > 0))
            return;
        if (std::abs(denominator) <= 1e-13 * lr * lq) {
            // Parallel: along one line when the other's start lies on it.
            if (std::abs(cross(r, b.a - a.a)) <= 1e-12 * lr * std::max(lr, lq))
                overlapEnds(a, b, found);
        } else {
            const Vec2 w = b.a - a.a;
            const double ta = cross(w, q) / denominator, tb = cross(w, r) / denominator;
            if (onSegment(ta) && onSegment(tb))
                addHit(a, b, a.a + r * ta, ta, tb, found);
        }
    } else if (arcA != arcB) {
        const PathSegment& line = arcA ? b : a;
        const PathSegment& arc = arcA ? a : b;
        const Circle k = circleOf(arc);
        double ts[2];
        const int n = lineCircle(line.a, line.b - line.a, k.c, k.r, ts);
        for (int i = 0; i < n; ++i) {
            if (!onSegment(ts[i]))
                continue;
            const Vec2 p = lerp(line.a, line.b, ts[i]);
            if (!onArc(arc, p, kParameterSlack * dist(arc.a, arc.b)))
                continue;
            const double tArc = arcParameter(arc, k, p);
            if (arcA)
                addHit(a, b, p, tArc, ts[i], found);
            else
                addHit(a, b, p, ts[i], tArc, found);
        }
    } else {
        const Circle ka = circleOf(a), kb = circleOf(b);
        const double scale = std::max(ka.r, kb.r);
        if (dist(ka.c, kb.c) <= 1e-12 * scale && std::abs(ka.r - kb.r) <= 1e-12 * scale) {
            overlapEnds(a, b, found);
        } else {
            Vec2 ps[2];
            const int n = circleCircle(ka.c, ka.r, kb.c, kb.r, ps);
            for (int i = 0; i < n; ++i)
                if (onArc(a, ps[i], kParameterSlack * dist(a.a, a.b)) &&
                    onArc(b, ps[i], kParameterSlack * dist(b.a, b.b)))
                    addHit(a, b, ps[i], arcParameter(a, ka, ps[i]), arcParameter(b, kb, ps[i]),
                           found);
        }
    }
    out.insert(out.end(), found.begin(), found.end());
}

bool holds(const PathSegment& s, Vec2 onCarrier, double slack) {
    if (s.isArc())
        return onArc(s, onCarrier, slack * dist(s.a, s.b));
    const Vec2 d = s.b - s.a;
    const double along = dot(onCarrier - s.a, d), length2 = dot(d, d);
    const double margin = slack * length2;
    return along >= -margin && along <= length2 + margin;
}

Carrier carrierOf(const PathSegment& s) {
    Carrier c;
    if (s.isArc()) {
        const Circle k = circleOf(s);
        c.circle = true;
        c.centre = k.c;
        c.radius = k.r;
    } else {
        c.p = s.a;
        c.d = s.b - s.a;
    }
    return c;
}

void intersections(const Carrier& a, const Carrier& b, std::vector<Vec2>& out) {
    if (!a.circle && !b.circle) {
        const double denominator = cross(a.d, b.d);
        if (!(std::abs(denominator) > 1e-13 * norm(a.d) * norm(b.d)))
            return;
        out.push_back(a.p + a.d * (cross(b.p - a.p, b.d) / denominator));
    } else if (a.circle != b.circle) {
        const Carrier& line = a.circle ? b : a;
        const Carrier& circle = a.circle ? a : b;
        double ts[2];
        const int n = lineCircle(line.p, line.d, circle.centre, circle.radius, ts);
        for (int i = 0; i < n; ++i)
            out.push_back(line.p + line.d * ts[i]);
    } else {
        Vec2 ps[2];
        const int n = circleCircle(a.centre, a.radius, b.centre, b.radius, ps);
        out.insert(out.end(), ps, ps + n);
    }
}

// ---- whole paths

double length(const Path& path) {
    double sum = 0;
    for (std::size_t i = 0; i < path.segmentCount(); ++i)
        sum += segmentLength(segmentOf(path, i));
    return sum;
}

double signedArea(const Path& path) {
    if (path.v.size() < 2)
        return 0;
    // Relative to the first vertex, so that coordinates far from the origin keep their digits.
    const Vec2 o = path.v[0].p;
    double twice = 0, bulges = 0;
    const std::size_t n = path.v.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2 a = path.v[i].p - o, b = path.v[(i + 1) % n].p - o;
        twice += cross(a, b);
        if (path.closed || i + 1 < n)
            bulges += bulgeArea(segmentOf(path, i));
    }
    return twice / 2 + bulges;
}

Rect box(const Path& path) {
    Rect r;
    if (path.v.size() == 1)
        r.add(path.v[0].p);
    for (std::size_t i = 0; i < path.segmentCount(); ++i)
        r.add(box(segmentOf(path, i)));
    return r;
}

bool finite(const Path& path) {
    return std::all_of(path.v.begin(), path.v.end(), [](const PathVertex& v) {
        return vectorops::finite(v.p) && std::isfinite(v.bulge);
    });
}

Vec2 pointAt(const Path& path, PathPosition at) {
    if (path.segmentCount() == 0)
        return path.v.empty() ? Vec2{} : path.v[0].p;
    return pointAt(segmentOf(path, at.segment), at.t);
}

Vec2 tangentAt(const Path& path, PathPosition at) {
    if (path.segmentCount() == 0)
        return {};
    return tangentAt(segmentOf(path, at.segment), at.t);
}

double distanceAt(const Path& path, PathPosition at) {
    double sum = 0;
    for (std::size_t i = 0; i < at.segment && i < path.segmentCount(); ++i)
        sum += segmentLength(segmentOf(path, i));
    if (at.segment < path.segmentCount())
        sum += segmentLength(segmentOf(path, at.segment)) * at.t;
    return sum;
}

PathPosition positionAtDistance(const Path& path, double distance) {
    const std::size_t n = path.segmentCount();
    if (n == 0 || !(distance > 0))
        return {};
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double l = segmentLength(segmentOf(path, i));
        if (sum + l >= distance)
            return {i, l > 0 ? clamp01((distance - sum) / l) : 0};
        sum += l;
    }
    return {n - 1, 1};
}

PathPosition closestPosition(const Path& path, Vec2 p) {
    PathPosition best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < path.segmentCount(); ++i) {
        const PathSegment s = segmentOf(path, i);
        const double t = closestParameter(s, p);
        const double d = dist(pointAt(s, t), p);
        if (d < bestDistance) {
            bestDistance = d;
            best = {i, t};
        }
    }
    return best;
}

double distanceTo(const Path& path, Vec2 p) {
    if (path.segmentCount() == 0)
        return path.v.empty() ? std::numeric_limits<double>::infinity() : dist(path.v[0].p, p);
    return dist(pointAt(path, closestPosition(path, p)), p);
}

Path reversed(const Path& path) {
    Path out;
    out.closed = path.closed;
    const std::size_t n = path.v.size();
    out.v.resize(n);
    if (path.closed) {
        // Still from the first vertex, the others the other way round.
        for (std::size_t k = 0; k < n; ++k)
            out.v[k] = {path.v[(n - k) % n].p, -path.v[n - 1 - k].bulge};
    } else {
        for (std::size_t k = 0; k < n; ++k)
            out.v[k] = {path.v[n - 1 - k].p, k + 1 < n ? -path.v[n - 2 - k].bulge : 0};
    }
    return out;
}

Path subPath(const Path& path, PathPosition from, PathPosition to) {
    Path out;
    const std::size_t n = path.segmentCount();
    if (n == 0)
        return out;
    const auto add = [&out](const PathSegment& s) {
        if (out.v.empty())
            out.v.push_back({s.a, 0});
        out.v.back().bulge = s.bulge;
        out.v.push_back({s.b, 0});
    };
    const bool backwards = !path.closed && (to.segment < from.segment ||
                                            (to.segment == from.segment && to.t < from.t));
    if (backwards)
        return reversed(subPath(path, to, from));
    if (from.segment == to.segment && from.t <= to.t) {
        add(subSegment(segmentOf(path, from.segment), from.t, to.t));
        return out;
    }
    add(subSegment(segmentOf(path, from.segment), from.t, 1));
    for (std::size_t i = (from.segment + 1) % n; i != to.segment; i = (i + 1) % n)
        add(segmentOf(path, i));
    add(subSegment(segmentOf(path, to.segment), 0, to.t));
    return out;
}

Path withoutShortSegments(const Path& path, double tolerance) {
    Path out;
    out.closed = path.closed;
    out.v.reserve(path.v.size());
    for (std::size_t i = 0; i < path.v.size(); ++i) {
        const PathVertex& v = path.v[i];
        if (!out.v.empty() &&
            segmentLength({out.v.back().p, v.p, out.v.back().bulge}) <= tolerance) {
            // Keep the bulge of the vertex whose segment goes on.
            out.v.back().bulge = v.bulge;
            continue;
        }
        out.v.push_back(v);
    }
    if (out.closed)
        while (out.v.size() > 1 &&
               segmentLength({out.v.back().p, out.v.front().p, out.v.back().bulge}) <= tolerance)
            out.v.pop_back();
    if (!out.closed && !out.v.empty())
        out.v.back().bulge = 0;
    return out;
}

Path tidied(const Path& path) {
    const Rect r = box(path);
    const double magnitude = std::max({r.width(), r.height(), std::abs(r.left), std::abs(r.right),
                                       std::abs(r.bottom), std::abs(r.top)});
    return withoutShortSegments(path, 1e-12 * magnitude);
}

Path rotatedToStart(const Path& path, std::size_t first) {
    Path out = path;
    if (path.closed && first < out.v.size())
        std::rotate(out.v.begin(), out.v.begin() + static_cast<std::ptrdiff_t>(first), out.v.end());
    return out;
}

// ---- drawing entities as paths

Path pathOf(const LineData& l) {
    return {{{l.a, 0}, {l.b, 0}}, false};
}

Path pathOf(const ArcData& a) {
    const double start = radians(normalisedDegrees(a.startAngle));
    const double sweep = radians(sweepDegrees(a.startAngle, a.endAngle));
    const double r = std::abs(a.radius);
    const Vec2 from = a.centre + Vec2{std::cos(start), std::sin(start)} * r;
    const Vec2 to = a.centre + Vec2{std::cos(start + sweep), std::sin(start + sweep)} * r;
    if (sweep >= kTurn) {
        const Vec2 half = a.centre - (from - a.centre);
        return {{{from, 1}, {half, 1}}, true};
    }
    return {{{from, bulgeOfSweep(sweep)}, {to, 0}}, false};
}

Path pathOf(const CircleData& c) {
    const double r = std::abs(c.radius);
    return {{{{c.centre.x + r, c.centre.y}, 1}, {{c.centre.x - r, c.centre.y}, 1}}, true};
}

Path pathOf(const RectangleData& r) {
    const double a = radians(r.rotation), cs = std::cos(a), sn = std::sin(a);
    const double w = r.width / 2, h = r.height / 2;
    Path out;
    out.closed = true;
    for (const Vec2 q : {Vec2{-w, -h}, Vec2{w, -h}, Vec2{w, h}, Vec2{-w, h}})
        out.v.push_back({{r.centre.x + q.x * cs - q.y * sn, r.centre.y + q.x * sn + q.y * cs}, 0});
    // Counter-clockwise whatever the signs of the sides.
    if (signedArea(out) < 0)
        out = reversed(out);
    return out;
}

Path pathOf(const std::vector<Vec2>& points, bool closed) {
    Path out;
    out.closed = closed;
    for (const Vec2 p : points)
        out.v.push_back({p, 0});
    return out;
}

LineData lineOf(const PathSegment& s) {
    return {s.a, s.b};
}

ArcData arcDataOf(const PathSegment& s) {
    const ArcGeometry g = arcOf(s);
    const double toDegrees = 180 / kPi;
    const double start = g.startAngle * toDegrees, end = (g.startAngle + g.sweep) * toDegrees;
    ArcData a{g.centre, g.radius, 0, 0};
    a.startAngle = normalisedDegrees(g.sweep > 0 ? start : end);
    a.endAngle = normalisedDegrees(g.sweep > 0 ? end : start);
    return a;
}

} // namespace cad
