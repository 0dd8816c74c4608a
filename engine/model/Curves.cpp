#include "engine/model/Curves.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/Outline.h"
#include "engine/model/Path.h"
#include "engine/model/Spline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

namespace {

constexpr double kTurn = 2 * kPi;
constexpr int kMaxDepth = 16;
// Samples along a curve where roots are looked for before they are refined.
constexpr int kSamples = 256;

Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
Vec2 operator*(Vec2 a, double s) {
    return {a.x * s, a.y * s};
}
double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}
double length(Vec2 a) {
    return std::hypot(a.x, a.y);
}

// The linear part of a map applied to a direction.
Vec2 linear(const Affine& m, Vec2 v) {
    return {m.a * v.x + m.c * v.y, m.b * v.x + m.d * v.y};
}

bool isIdentity(const Affine& m) {
    return m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.e == 0 && m.f == 0;
}

// Whether u and v span a circle: perpendicular and of one length, to rounding.
bool circular(Vec2 u, Vec2 v) {
    const double lu = length(u), lv = length(v);
    const double tolerance = 1e-12 * std::max(lu, lv);
    return lu > 0 && std::abs(lu - lv) <= tolerance && std::abs(dot(u, v)) <= tolerance * lu;
}

// A root of f between lo and hi, where f changes sign, by Newton's steps kept inside the bracket
// (bisection where a step would leave it). df is f's derivative.
template <typename F, typename DF> double bracketedRoot(F f, DF df, double lo, double hi) {
    double flo = f(lo);
    double t = (lo + hi) / 2;
    for (int i = 0; i < 100; ++i) {
        const double ft = f(t);
        if (ft == 0)
            return t;
        if ((ft < 0) == (flo < 0)) {
            lo = t;
            flo = ft;
        } else {
            hi = t;
        }
        const double slope = df(t);
        double next = slope != 0 ? t - ft / slope : (lo + hi) / 2;
        if (!(next > lo && next < hi))
            next = (lo + hi) / 2;
        if (std::abs(next - t) <= 1e-16 * std::max(1.0, std::abs(t)) || hi - lo <= 0)
            return next;
        t = next;
    }
    return t;
}

// The parameters in [from, from + span] where f is 0: sign changes between samples refined, and
// samples where it is 0 already.
template <typename F, typename DF>
void roots(F f, DF df, double from, double span, std::vector<double>& out) {
    double previous = f(from);
    if (previous == 0)
        out.push_back(from);
    for (int i = 1; i <= kSamples; ++i) {
        const double lo = from + span * (i - 1) / kSamples, hi = from + span * i / kSamples;
        const double value = f(hi);
        if (value == 0)
            out.push_back(hi);
        else if (previous != 0 && (value < 0) != (previous < 0))
            out.push_back(bracketedRoot(f, df, lo, hi));
        previous = value;
    }
}

// The parameter range to look for roots in: the arc, or the whole curve.
double spanOf(const Conic& c) {
    return c.whole() ? kTurn : c.sweep;
}

void addIfCovered(const Conic& c, Vec2 p, std::vector<Vec2>& out) {
    const auto t = c.parameterOf(p);
    if (t && c.covers(*t))
        out.push_back(p);
}

// ---- shapes of entities

class Gatherer {
public:
    Gatherer(const Drawing& d, const Rect& near, ShapeSet& out) : d_(d), near_(near), out_(out) {}

    void entity(int handle, const Affine& m, const Entity* insertion, int depth) {
        const Entity& e = d_.entities[static_cast<std::size_t>(handle)];
        if (!visible(insertion && e.layer == 0 ? *insertion : e))
            return;
        identity_ = isIdentity(m);
        switch (e.type) {
        case EntityType::Point:
            node(m, d_.points[e.first].p);
            break;
        case EntityType::Line:
            segment(m, d_.lines[e.first].a, d_.lines[e.first].b);
            break;
        case EntityType::Polyline:
            if (d_.bulgesOf(e).any())
                bulgedPath(m, e);
            else
                path(m, d_.vertexData(e), e.count, e.has(EntityFlag::Closed), true);
            break;
        case EntityType::Circle: {
            const CircleData& c = d_.circles[e.first];
            conic(m, circleConic(c.centre, c.radius, 0, 360));
            break;
        }
        case EntityType::Arc: {
            const ArcData& a = d_.arcs[e.first];
            conic(m, circleConic(a.centre, a.radius, normalisedDegrees(a.startAngle),
                                 sweepDegrees(a.startAngle, a.endAngle)));
            break;
        }
        case EntityType::Ellipse:
            conic(m, ellipseConic(d_.ellipses[e.first]));
            break;
        case EntityType::Sector: {
            const ArcData& a = d_.sectors[e.first];
            const double start = normalisedDegrees(a.startAngle);
            const double sweep = sweepDegrees(a.startAngle, a.endAngle);
            const Conic arc = circleConic(a.centre, a.radius, start, sweep);
            conic(m, arc);
            segment(m, a.centre, arc.startPoint());
            segment(m, arc.endPoint(), a.centre);
            break;
        }
        case EntityType::Spline:
            spline(m, e);
            break;
        case EntityType::Rectangle: {
            const RectangleData& r = d_.rectangles[e.first];
            const Affine local = m.after(Affine::translation(r.centre.x, r.centre.y))
                                     .after(Affine::rotation(r.rotation));
            const double w = r.width / 2, h = r.height / 2;
            const Vec2 corners[] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
            identity_ = false;
            path(local, corners, 4, true, false);
            identity_ = isIdentity(m);
            centre(m, r.centre);
            break;
        }
        case EntityType::Text:
            node(m, d_.texts[e.first].p);
            break;
        case EntityType::Hatch: {
            const Vec2* v = d_.vertexData(e);
            std::uint64_t at = 0;
            for (const std::uint32_t n : d_.loopsOf(d_.hatches[e.first])) {
                if (n == 0 || at + n > e.count)
                    break;
                path(m, v + at, n, true, false);
                at += n;
            }
            break;
        }
        case EntityType::Image: {
            const ImageData& im = d_.images[e.first];
            const Vec2 corners[] = {im.p,
                                    {im.p.x + im.width, im.p.y},
                                    {im.p.x + im.width, im.p.y + im.height},
                                    {im.p.x, im.p.y + im.height}};
            path(m, corners, 4, true, false);
            break;
        }
        case EntityType::Dimension:
            // Its definition points and the middle of its text.
            for (const Vec2 p : dimensionSnapPoints(d_.dimensionOf(e), dimensionGeometryOf(d_, e)))
                node(m, p);
            break;
        case EntityType::Insert: {
            const InsertData& in = d_.inserts[e.first];
            node(m, in.p);
            if (depth >= kMaxDepth || in.block < 0 ||
                static_cast<std::size_t>(in.block) >= d_.blocks.size())
                break;
            const Block& b = d_.blocks[static_cast<std::size_t>(in.block)];
            const Affine inner =
                m.after(Affine::insertion(in.p, in.angle, in.scaleX, in.scaleY, b.base));
            // Insertions whose block stands wholly away from the place give nothing.
            const Rect extents = d_.blockExtents(in.block);
            Rect placed;
            for (const Vec2 corner :
                 {Vec2{extents.left, extents.bottom}, Vec2{extents.right, extents.bottom},
                  Vec2{extents.left, extents.top}, Vec2{extents.right, extents.top}})
                placed.add(inner.apply(corner));
            if (!placed.intersects(near_))
                break;
            for (const std::uint32_t h : b.entities)
                if (d_.valid(static_cast<int>(h)))
                    entity(static_cast<int>(h), inner, &e, depth + 1);
            break;
        }
        }
    }

private:
    bool visible(const Entity& e) const {
        return e.layer >= d_.layers.size() || d_.layers[e.layer].visible;
    }
    bool inside(Vec2 p) const {
        return near_.left <= p.x && p.x <= near_.right && near_.bottom <= p.y && p.y <= near_.top;
    }
    // Stored coordinates stay as they are where nothing places them.
    Vec2 place(const Affine& m, Vec2 p) const { return identity_ ? p : m.apply(p); }

    void node(const Affine& m, Vec2 p) {
        const Vec2 q = place(m, p);
        if (inside(q))
            out_.nodes.push_back(q);
    }
    void centre(const Affine& m, Vec2 p) {
        const Vec2 q = place(m, p);
        if (inside(q))
            out_.centres.push_back(q);
    }
    void segment(const Affine& m, Vec2 a, Vec2 b) {
        const Vec2 p = place(m, a), q = place(m, b);
        if (std::max(p.x, q.x) < near_.left || std::min(p.x, q.x) > near_.right ||
            std::max(p.y, q.y) < near_.bottom || std::min(p.y, q.y) > near_.top)
            return;
        out_.segments.push_back({p, q});
    }
    void path(const Affine& m, const Vec2* v, std::size_t n, bool closed, bool centroid) {
        if (n == 1)
            node(m, v[0]);
        for (std::size_t i = 1; i < n; ++i)
            segment(m, v[i - 1], v[i]);
        if (closed && n > 2) {
            segment(m, v[n - 1], v[0]);
            if (centroid)
                if (const auto c = areaCentroid({v, n}))
                    centre(m, *c);
        }
    }
    // A polyline with arc segments: its straight segments as segments, its arcs as arcs of
    // circles (counter-clockwise from whichever end that makes them), the centre of what a
    // closed one encloses as it is.
    void bulgedPath(const Affine& m, const Entity& e) {
        const Vec2* v = d_.vertexData(e);
        const BulgeView bulges = d_.bulgesOf(e);
        const std::size_t n = e.count;
        const bool closed = e.has(EntityFlag::Closed);
        if (n == 1)
            node(m, v[0]);
        const std::size_t segments = n < 2 ? 0 : closed ? n : n - 1;
        for (std::size_t i = 0; i < segments; ++i) {
            PathSegment s{v[i], v[(i + 1) % n], bulges[i]};
            if (!s.isArc()) {
                segment(m, s.a, s.b);
                continue;
            }
            if (s.bulge < 0)
                s = reversed(s);
            const ArcGeometry g = arcOf(s);
            conic(m,
                  circleConic(g.centre, g.radius, g.startAngle * 180 / kPi, g.sweep * 180 / kPi));
        }
        if (closed && n > 2) {
            curve_.clear();
            const Rect box = d_.entityExtents(static_cast<int>(&e - d_.entities.data()));
            polylinePoints({v, n}, bulges, true, 1e-4 * std::max(box.width(), box.height()),
                           curve_);
            if (const auto c = areaCentroid(curve_))
                centre(m, *c);
        }
    }
    // A spline as chords no farther from it than a hundredth of the place looked at.
    void spline(const Affine& m, const Entity& e) {
        const std::span<const Vec2> fit(d_.vertexData(e), e.count);
        if (fit.empty())
            return;
        const double scale = identity_ ? 1.0 : std::sqrt(std::abs(m.a * m.d - m.b * m.c));
        const double tolerance = std::max(
            std::hypot(near_.width(), near_.height()) / 100 / std::max(scale, 1e-300), 1e-9);
        curve_.clear();
        splinePoints(fit, e.has(EntityFlag::Closed), tolerance, curve_);
        if (curve_.empty())
            return;
        if (!e.has(EntityFlag::Closed))
            for (const Vec2 end : {curve_.front(), curve_.back()}) {
                const Vec2 q = place(m, end);
                if (inside(q))
                    out_.ends.push_back(q);
            }
        for (std::size_t i = 1; i < curve_.size(); ++i) {
            const Vec2 p = place(m, curve_[i - 1]), q = place(m, curve_[i]);
            if (std::max(p.x, q.x) < near_.left || std::min(p.x, q.x) > near_.right ||
                std::max(p.y, q.y) < near_.bottom || std::min(p.y, q.y) > near_.top)
                continue;
            out_.pieces.push_back({p, q});
        }
    }
    void conic(const Affine& m, const Conic& c) {
        for (const double v : {c.c.x, c.c.y, c.u.x, c.u.y, c.v.x, c.v.y, c.start, c.sweep})
            if (!std::isfinite(v))
                return;
        const Conic placed = identity_ ? c : mapped(c, m);
        if (placed.box().intersects(near_))
            out_.conics.push_back(placed);
    }

    const Drawing& d_;
    Rect near_;
    ShapeSet& out_;
    std::vector<Vec2> curve_; // kept between entities, so that a move allocates little
    bool identity_ = true;
};

} // namespace

// ---- conics

Vec2 Conic::at(double t) const {
    const double cs = std::cos(t), sn = std::sin(t);
    return {c.x + u.x * cs + v.x * sn, c.y + u.y * cs + v.y * sn};
}

Vec2 Conic::derivative(double t) const {
    const double cs = std::cos(t), sn = std::sin(t);
    return {v.x * cs - u.x * sn, v.y * cs - u.y * sn};
}

std::optional<double> Conic::parameterOf(Vec2 p) const {
    const double det = cross(u, v);
    if (det == 0 || !std::isfinite(det))
        return std::nullopt;
    const Vec2 d = p - c;
    return std::atan2(cross(u, d) / det, cross(d, v) / det);
}

bool Conic::covers(double t) const {
    if (whole())
        return true;
    double into = std::fmod(t - start, kTurn);
    if (into < 0)
        into += kTurn;
    constexpr double slack = 1e-12;
    return into <= sweep + slack || into >= kTurn - slack;
}

Vec2 Conic::middle() const {
    if (circle || whole())
        return at(start + sweep / 2);
    // By length: Simpson's rule over panels, then Newton's steps on the length within the
    // panel where half of it is reached.
    const auto speed = [this](double t) { return length(derivative(t)); };
    const auto lengthOver = [&](double from, double to) {
        constexpr int n = 16;
        double sum = speed(from) + speed(to);
        for (int i = 1; i < n; ++i)
            sum += (i % 2 ? 4 : 2) * speed(from + (to - from) * i / n);
        return sum * (to - from) / n / 3;
    };
    constexpr int panels = 64;
    std::vector<double> upTo(panels + 1, 0);
    for (int i = 0; i < panels; ++i)
        upTo[static_cast<std::size_t>(i + 1)] =
            upTo[static_cast<std::size_t>(i)] +
            lengthOver(start + sweep * i / panels, start + sweep * (i + 1) / panels);
    const double half = upTo.back() / 2;
    const auto k =
        static_cast<int>(std::upper_bound(upTo.begin(), upTo.end(), half) - upTo.begin() - 1);
    const int panel = std::clamp(k, 0, panels - 1);
    const double from = start + sweep * panel / panels, to = start + sweep * (panel + 1) / panels;
    const double before = upTo[static_cast<std::size_t>(panel)];
    const double t = bracketedRoot([&](double x) { return before + lengthOver(from, x) - half; },
                                   speed, from, to);
    return at(t);
}

Rect Conic::box() const {
    const double ex = std::hypot(u.x, v.x), ey = std::hypot(u.y, v.y);
    Rect r;
    r.add(c.x - ex, c.y - ey);
    r.add(c.x + ex, c.y + ey);
    return r;
}

Conic circleConic(Vec2 centre, double radius, double startDegrees, double sweepDegrees) {
    Conic k;
    const double r = std::abs(radius);
    k.c = centre;
    k.u = {r, 0};
    k.v = {0, r};
    k.start = radians(startDegrees);
    k.sweep = sweepDegrees >= 360 || !std::isfinite(sweepDegrees) ? kTurn : radians(sweepDegrees);
    k.circle = r > 0;
    k.radius = r;
    return k;
}

Conic ellipseConic(const EllipseData& e) {
    Conic k;
    const double rotation = radians(normalisedDegrees(e.rotation));
    const double cs = std::cos(rotation), sn = std::sin(rotation);
    k.c = e.centre;
    k.u = {e.radiusX * cs, e.radiusX * sn};
    k.v = {-e.radiusY * sn, e.radiusY * cs};
    k.start = radians(normalisedDegrees(e.startAngle));
    const double sweep = sweepDegrees(e.startAngle, e.endAngle);
    k.sweep = sweep >= 360 ? kTurn : radians(sweep);
    k.circle = circular(k.u, k.v);
    k.radius = k.circle ? length(k.u) : 0;
    return k;
}

Conic mapped(const Conic& k, const Affine& m) {
    Conic out = k;
    out.c = m.apply(k.c);
    out.u = linear(m, k.u);
    out.v = linear(m, k.v);
    out.circle = circular(out.u, out.v);
    out.radius = out.circle ? (length(out.u) + length(out.v)) / 2 : 0;
    return out;
}

// ---- closest points

Vec2 closestPoint(const Segment& s, Vec2 p) {
    const Vec2 d = s.b - s.a;
    const double dd = dot(d, d);
    if (!(dd > 0))
        return s.a;
    const double t = dot(p - s.a, d) / dd;
    if (t <= 0)
        return s.a;
    if (t >= 1)
        return s.b;
    return s.a + d * t;
}

Vec2 closestPoint(const Conic& k, Vec2 p) {
    const auto better = [&](Vec2 a, Vec2 b) { return length(a - p) <= length(b - p) ? a : b; };
    Vec2 best = k.startPoint();
    if (!k.whole())
        best = better(best, k.endPoint());
    if (k.circle) {
        const Vec2 d = p - k.c;
        const double away = length(d);
        if (away > 0) {
            const Vec2 q = k.c + d * (k.radius / away);
            const auto t = k.parameterOf(q);
            if (t && k.covers(*t))
                return q;
        }
        return best;
    }
    // Where the line from p meets the curve at a right angle, the nearest of those.
    std::vector<Vec2> feet;
    perpendicularFeet(k, p, feet);
    for (const Vec2 q : feet)
        best = better(best, q);
    return best;
}

// ---- intersections

void intersections(const Segment& s, const Segment& o, std::vector<Vec2>& out) {
    const Vec2 r = s.b - s.a, q = o.b - o.a;
    const double denominator = cross(r, q);
    if (!(std::abs(denominator) > 1e-14 * length(r) * length(q)))
        return; // parallel, or a segment of no length
    const Vec2 w = o.a - s.a;
    const double t = cross(w, q) / denominator, u = cross(w, r) / denominator;
    constexpr double slack = 1e-12;
    if (t < -slack || t > 1 + slack || u < -slack || u > 1 + slack)
        return;
    // Where a segment ends at the other, the end as it is stored.
    if (t <= 0 || t >= 1)
        out.push_back(t <= 0 ? s.a : s.b);
    else if (u <= 0 || u >= 1)
        out.push_back(u <= 0 ? o.a : o.b);
    else
        out.push_back(s.a + r * t);
}

void intersections(const Segment& s, const Conic& k, std::vector<Vec2>& out) {
    // In the frame where the curve is the unit circle the segment stays straight and keeps its
    // parameter: |A + s D| = 1 is a quadratic in s.
    const double det = cross(k.u, k.v);
    if (det == 0 || !std::isfinite(det))
        return;
    const auto toUnit = [&](Vec2 p) {
        const Vec2 d = p - k.c;
        return Vec2{cross(d, k.v) / det, cross(k.u, d) / det};
    };
    const Vec2 a = toUnit(s.a), d = toUnit(s.b) - a;
    const double qa = dot(d, d), qb = 2 * dot(a, d), qc = dot(a, a) - 1;
    if (!(qa > 0))
        return;
    double disc = qb * qb - 4 * qa * qc;
    // A line that touches the curve gives one point, whatever the rounding made of it.
    if (disc < 0 && disc > -1e-12 * (qb * qb + std::abs(4 * qa * qc)))
        disc = 0;
    if (disc < 0)
        return;
    const double root = std::sqrt(disc);
    const double q = -0.5 * (qb + (qb < 0 ? -root : root));
    double params[2];
    int n = 0;
    if (q != 0) {
        params[n++] = q / qa;
        if (disc > 0)
            params[n++] = qc / q;
    } else {
        params[n++] = 0; // qb = 0 and disc = 0: touching at the foot of the centre
    }
    constexpr double slack = 1e-12;
    for (int i = 0; i < n; ++i) {
        const double t = params[i];
        if (t < -slack || t > 1 + slack)
            continue;
        Vec2 p = s.a + (s.b - s.a) * std::clamp(t, 0.0, 1.0);
        if (k.circle) {
            // One step onto the circle along the segment: the point keeps both its lines.
            const Vec2 dir = s.b - s.a;
            const Vec2 off = p - k.c;
            const double f = dot(off, off) - k.radius * k.radius, df = 2 * dot(off, dir);
            if (df != 0 && std::isfinite(f / df))
                p = p - dir * (f / df);
        }
        addIfCovered(k, p, out);
    }
}

void intersections(const Conic& a, const Conic& b, std::vector<Vec2>& out) {
    if (a.circle && b.circle) {
        const Vec2 d = b.c - a.c;
        const double away = length(d);
        if (!(away > 0))
            return;
        const double r1 = a.radius, r2 = b.radius;
        constexpr double slack = 1e-12;
        if (away > (r1 + r2) * (1 + slack) || away < std::abs(r1 - r2) * (1 - slack))
            return;
        // Along the line of centres to the chord, then along the chord.
        const double along = (r1 - r2) * (r1 + r2) / (2 * away) + away / 2;
        const double h = std::sqrt(std::max(0.0, (r1 - along) * (r1 + along)));
        const Vec2 e = d * (1 / away), n{-e.y, e.x};
        const Vec2 foot = a.c + e * along;
        const Vec2 points[] = {foot + n * h, foot - n * h};
        for (int i = 0; i < (h > 0 ? 2 : 1); ++i) {
            const Vec2 p = points[i];
            const auto ta = a.parameterOf(p), tb = b.parameterOf(p);
            if (ta && tb && a.covers(*ta) && b.covers(*tb))
                out.push_back(p);
        }
        return;
    }
    // In the frame where `a` is the unit circle, `b` is another ellipse B(t): its points on the
    // unit circle are the roots of |B(t)|² - 1.
    const double det = cross(a.u, a.v);
    if (det == 0 || !std::isfinite(det))
        return;
    const auto toUnit = [&](Vec2 v) { return Vec2{cross(v, a.v) / det, cross(a.u, v) / det}; };
    const Vec2 c = toUnit(b.c - a.c), u = toUnit(b.u), v = toUnit(b.v);
    const auto point = [&](double t) { return c + u * std::cos(t) + v * std::sin(t); };
    const auto f = [&](double t) {
        const Vec2 p = point(t);
        return dot(p, p) - 1;
    };
    const auto df = [&](double t) { return 2 * dot(point(t), v * std::cos(t) - u * std::sin(t)); };
    std::vector<double> found;
    roots(f, df, b.whole() ? 0 : b.start, spanOf(b), found);
    for (const double t : found)
        if (b.covers(t))
            addIfCovered(a, b.at(t), out);
}

// ---- perpendiculars and tangents

void perpendicularFeet(const Segment& s, Vec2 p, std::vector<Vec2>& out) {
    const Vec2 d = s.b - s.a;
    const double dd = dot(d, d);
    if (!(dd > 0))
        return;
    const double t = dot(p - s.a, d) / dd;
    if (t >= 0 && t <= 1)
        out.push_back(t == 0 ? s.a : t == 1 ? s.b : s.a + d * t);
}

void perpendicularFeet(const Conic& k, Vec2 p, std::vector<Vec2>& out) {
    if (k.circle) {
        const Vec2 d = p - k.c;
        const double away = length(d);
        if (!(away > 0))
            return; // from the centre every point is one
        addIfCovered(k, k.c + d * (k.radius / away), out);
        addIfCovered(k, k.c - d * (k.radius / away), out);
        return;
    }
    // (P(t) - p)·P'(t) = 0.
    const auto f = [&](double t) { return dot(k.at(t) - p, k.derivative(t)); };
    const auto df = [&](double t) {
        const Vec2 d1 = k.derivative(t), d2 = k.c - k.at(t);
        return dot(d1, d1) + dot(k.at(t) - p, d2);
    };
    std::vector<double> found;
    roots(f, df, k.whole() ? 0 : k.start, spanOf(k), found);
    for (const double t : found)
        if (k.covers(t))
            out.push_back(k.at(t));
}

void tangentPoints(const Conic& k, Vec2 p, std::vector<Vec2>& out) {
    // Lines that touch a curve touch its image under the map from the unit circle, and
    // there the tangents from a point are at ±acos(1/|q|) about its direction.
    const double det = cross(k.u, k.v);
    if (det == 0 || !std::isfinite(det))
        return;
    const Vec2 d = p - k.c;
    const Vec2 q{cross(d, k.v) / det, cross(k.u, d) / det};
    const double away = length(q);
    if (!(away > 1 + 1e-12))
        return;
    const double direction = std::atan2(q.y, q.x), spread = std::acos(1 / away);
    for (const double t : {direction + spread, direction - spread})
        if (k.covers(t))
            out.push_back(k.at(t));
}

std::optional<Vec2> areaCentroid(std::span<const Vec2> polygon) {
    if (polygon.size() < 3)
        return std::nullopt;
    // Relative to the first vertex, so that coordinates far from the origin keep their digits.
    const Vec2 o = polygon[0];
    double area2 = 0, cx = 0, cy = 0;
    for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
        const Vec2 a = polygon[i] - o, b = polygon[i + 1] - o;
        const double w = cross(a, b);
        area2 += w;
        cx += (a.x + b.x) * w;
        cy += (a.y + b.y) * w;
    }
    if (!(std::abs(area2) > 0) || !std::isfinite(area2))
        return std::nullopt;
    const Vec2 c{o.x + cx / (3 * area2), o.y + cy / (3 * area2)};
    if (!std::isfinite(c.x) || !std::isfinite(c.y))
        return std::nullopt;
    return c;
}

// ---- shapes of entities

void shapesOf(const Drawing& d, int handle, const Rect& near, ShapeSet& out) {
    if (!d.valid(handle))
        return;
    Gatherer(d, near, out).entity(handle, Affine{}, nullptr, 0);
}

} // namespace cad
