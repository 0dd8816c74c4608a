#include "engine/model/Measure.h"

#include "engine/model/Dimension.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Spline.h"

#include <algorithm>
#include <array>
#include <vector>

namespace cad {

namespace {

double normalised(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0)
        a += 360;
    return a >= 360 ? 0 : a;
}

// True when p lies inside the polygon (crossing count).
bool inside(std::span<const Vec2> polygon, Vec2 p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vec2 a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x))
            in = !in;
    }
    return in;
}

double distanceToPath(std::span<const Vec2> points, bool closed, Vec2 p) {
    if (points.empty())
        return std::numeric_limits<double>::infinity();
    double best = distance(points[0], p);
    for (std::size_t i = 1; i < points.size(); ++i)
        best = std::min(best, distanceToSegment(p, points[i - 1], points[i]));
    if (closed && points.size() > 2)
        best = std::min(best, distanceToSegment(p, points.back(), points.front()));
    return best;
}

std::array<Vec2, 4> corners(const RectangleData& r) {
    const double c = std::cos(radians(normalised(r.rotation)));
    const double s = std::sin(radians(normalised(r.rotation)));
    const double w = r.width / 2, h = r.height / 2;
    std::array<Vec2, 4> out;
    const std::array<Vec2, 4> local = {{{-w, -h}, {w, -h}, {w, h}, {-w, h}}};
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = {r.centre.x + local[i].x * c - local[i].y * s,
                  r.centre.y + local[i].x * s + local[i].y * c};
    return out;
}

// The length of an elliptic arc: the integral of the speed over the parameter (Simpson's rule;
// the speed is smooth and periodic, so a few hundred steps are exact to many digits).
double ellipseLength(const EllipseData& e, double sweepDegrees) {
    const double rx = std::abs(e.radiusX), ry = std::abs(e.radiusY);
    const double t0 = radians(e.startAngle), span = radians(sweepDegrees);
    const auto speed = [&](double t) { return std::hypot(rx * std::sin(t), ry * std::cos(t)); };
    constexpr int n = 720;
    double sum = speed(t0) + speed(t0 + span);
    for (int i = 1; i < n; ++i)
        sum += (i % 2 ? 4 : 2) * speed(t0 + span * i / n);
    return sum * span / n / 3;
}

std::vector<Vec2> ellipsePoints(const EllipseData& e, double sweepDegrees) {
    const double c = std::cos(radians(normalised(e.rotation)));
    const double s = std::sin(radians(normalised(e.rotation)));
    constexpr int n = 256;
    std::vector<Vec2> out;
    out.reserve(n + 1);
    for (int i = 0; i <= n; ++i) {
        const double t = radians(e.startAngle + sweepDegrees * i / n);
        const double x = e.radiusX * std::cos(t), y = e.radiusY * std::sin(t);
        out.push_back({e.centre.x + x * c - y * s, e.centre.y + x * s + y * c});
    }
    return out;
}

Vec2 arcPoint(const ArcData& a, double degrees) {
    const double r = std::abs(a.radius);
    return {a.centre.x + r * std::cos(radians(degrees)),
            a.centre.y + r * std::sin(radians(degrees))};
}

double distanceToArc(const ArcData& a, Vec2 p) {
    const double sweep = arcSweep(a.startAngle, a.endAngle);
    if (normalised(segmentAngle(a.centre, p) - a.startAngle) <= sweep)
        return std::abs(distance(a.centre, p) - std::abs(a.radius));
    return std::min(distance(arcPoint(a, a.startAngle), p),
                    distance(arcPoint(a, a.startAngle + sweep), p));
}

// The boundary loops of a hatch, as far as its vertices reach.
std::vector<std::span<const Vec2>> hatchLoops(const Drawing& d, const Entity& e) {
    std::vector<std::span<const Vec2>> loops;
    const Vec2* v = d.vertexData(e);
    std::uint64_t at = 0;
    for (std::uint32_t n : d.loopsOf(d.hatches[e.first])) {
        if (n == 0 || at + n > e.count)
            break;
        loops.emplace_back(v + at, n);
        at += n;
    }
    return loops;
}

// The area a hatch fills: loops inside an odd number of others are holes.
double hatchArea(const std::vector<std::span<const Vec2>>& loops) {
    double area = 0;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        int depth = 0;
        for (std::size_t j = 0; j < loops.size(); ++j)
            if (j != i && loops[j].size() > 2 && inside(loops[j], loops[i][0]))
                ++depth;
        area += (depth % 2 ? -1 : 1) * polygonArea(loops[i]);
    }
    return std::abs(area);
}

} // namespace

double distance(Vec2 a, Vec2 b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

double pathLength(std::span<const Vec2> points, bool closed) {
    double length = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        length += distance(points[i - 1], points[i]);
    if (closed && points.size() > 2)
        length += distance(points.back(), points.front());
    return length;
}

double signedArea(std::span<const Vec2> points) {
    if (points.size() < 3)
        return 0;
    // Relative to the first point, so that coordinates far from the origin lose no digits.
    const Vec2 o = points[0];
    double twice = 0;
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        twice += (points[i].x - o.x) * (points[i + 1].y - o.y) -
                 (points[i + 1].x - o.x) * (points[i].y - o.y);
    return twice / 2;
}

double segmentAngle(Vec2 a, Vec2 b) {
    if (a == b)
        return 0;
    double degrees = std::atan2(b.y - a.y, b.x - a.x) * 180.0 / kPi;
    if (degrees < 0)
        degrees += 360;
    return degrees >= 360 ? 0 : degrees;
}

double arcSweep(double startDegrees, double endDegrees) {
    double sweep = std::fmod(endDegrees - startDegrees, 360.0);
    if (sweep <= 0)
        sweep += 360;
    return sweep;
}

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    if (!(lengthSquared > 0))
        return distance(a, p);
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0);
    return distance({a.x + t * dx, a.y + t * dy}, p);
}

std::optional<EntityMeasure> measureEntity(const Drawing& d, int handle) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    EntityMeasure m;
    switch (e.type) {
    case EntityType::Line: {
        const LineData& l = d.lines[e.first];
        m.length = distance(l.a, l.b);
        m.angle = segmentAngle(l.a, l.b);
        return m;
    }
    case EntityType::Polyline: {
        const std::span<const Vec2> v(d.vertexData(e), e.count);
        const bool closed = e.has(EntityFlag::Closed);
        if (d.bulgesOf(e).any()) { // arcs measured as arcs
            const Path path = polylinePath(d, e);
            m.length = length(path);
            if (closed)
                m.area = std::abs(signedArea(path));
            else if (v.size() == 2 && !isArcBulge(path.v[0].bulge))
                m.angle = segmentAngle(v[0], v[1]);
            return m;
        }
        m.length = pathLength(v, closed);
        if (closed)
            m.area = polygonArea(v);
        else if (v.size() == 2)
            m.angle = segmentAngle(v[0], v[1]);
        return m;
    }
    case EntityType::Circle: {
        const double r = std::abs(d.circles[e.first].radius);
        m.length = 2 * kPi * r;
        m.area = kPi * r * r;
        return m;
    }
    case EntityType::Arc: {
        const ArcData& a = d.arcs[e.first];
        m.length = std::abs(a.radius) * radians(arcSweep(a.startAngle, a.endAngle));
        return m;
    }
    case EntityType::Sector: {
        // The arc and the two radii to its ends.
        const ArcData& a = d.sectors[e.first];
        const double r = std::abs(a.radius), sweep = radians(arcSweep(a.startAngle, a.endAngle));
        m.length = r * sweep + 2 * r;
        m.area = r * r * sweep / 2;
        return m;
    }
    case EntityType::Spline: {
        const std::span<const Vec2> v(d.vertexData(e), e.count);
        const bool closed = e.has(EntityFlag::Closed);
        m.length = splineLength(v, closed);
        if (closed)
            m.area = splineArea(v, closed);
        return m;
    }
    case EntityType::Ellipse: {
        const EllipseData& el = d.ellipses[e.first];
        const double sweep = arcSweep(el.startAngle, el.endAngle);
        m.length = ellipseLength(el, sweep);
        if (sweep >= 360)
            m.area = kPi * std::abs(el.radiusX * el.radiusY);
        return m;
    }
    case EntityType::Rectangle: {
        const RectangleData& r = d.rectangles[e.first];
        m.length = 2 * (std::abs(r.width) + std::abs(r.height));
        m.area = std::abs(r.width * r.height);
        return m;
    }
    case EntityType::Hatch: {
        const auto loops = hatchLoops(d, e);
        for (const auto& loop : loops)
            m.length += pathLength(loop, true);
        m.area = hatchArea(loops);
        return m;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> distanceToEntity(const Drawing& d, int handle, Vec2 p) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    switch (e.type) {
    case EntityType::Line: {
        const LineData& l = d.lines[e.first];
        return distanceToSegment(p, l.a, l.b);
    }
    case EntityType::Polyline:
        if (d.bulgesOf(e).any())
            return distanceTo(polylinePath(d, e), p);
        return distanceToPath({d.vertexData(e), e.count}, e.has(EntityFlag::Closed), p);
    case EntityType::Circle: {
        const CircleData& c = d.circles[e.first];
        return std::abs(distance(c.centre, p) - std::abs(c.radius));
    }
    case EntityType::Arc:
        return distanceToArc(d.arcs[e.first], p);
    case EntityType::Sector: {
        const ArcData& a = d.sectors[e.first];
        const Vec2 start = arcPoint(a, a.startAngle);
        const Vec2 end = arcPoint(a, a.startAngle + arcSweep(a.startAngle, a.endAngle));
        return std::min({distanceToArc(a, p), distanceToSegment(p, a.centre, start),
                         distanceToSegment(p, a.centre, end)});
    }
    case EntityType::Spline: {
        // The curve followed to a millionth of its size.
        const std::span<const Vec2> v(d.vertexData(e), e.count);
        const bool closed = e.has(EntityFlag::Closed);
        const Rect box = splineExtents(v, closed);
        std::vector<Vec2> curve;
        splinePoints(v, closed, std::max(box.width(), box.height()) * 1e-6, curve);
        return distanceToPath(curve, false, p);
    }
    case EntityType::Ellipse: {
        const EllipseData& el = d.ellipses[e.first];
        return distanceToPath(ellipsePoints(el, arcSweep(el.startAngle, el.endAngle)), false, p);
    }
    case EntityType::Rectangle:
        return distanceToPath(corners(d.rectangles[e.first]), true, p);
    case EntityType::Hatch: {
        double best = std::numeric_limits<double>::infinity();
        for (const auto& loop : hatchLoops(d, e))
            best = std::min(best, distanceToPath(loop, true, p));
        return best;
    }
    default:
        return std::nullopt;
    }
}

double measurementScale(MeasuredKind kind, const DimensionStyle& style) {
    const double scale = std::isfinite(style.scaleValue) ? style.scaleValue : 1;
    return kind == MeasuredKind::Area ? scale * scale : scale;
}

const DimensionStyle& measurementStyle(const Drawing& d) {
    return dimensionStyleOf(d, d.current.dimensionStyle);
}

std::string measurementLabel(double value, MeasuredKind kind, const DimensionStyle& style) {
    value *= measurementScale(kind, style);
    if (kind != MeasuredKind::Area && style.roundOff > 0 && std::isfinite(style.roundOff))
        value = std::round(value / style.roundOff) * style.roundOff;
    return dimensionNumber(value, style.decimals, style.suppressTrailingZeros,
                           style.decimalSeparator);
}

std::string measurementLabel(double value, MeasuredKind kind) {
    return measurementLabel(value, kind, DimensionStyle{});
}

} // namespace cad
