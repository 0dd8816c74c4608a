#include "engine/model/Picking.h"

#include "engine/model/DimensionEntity.h"
#include "engine/model/Measure.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

namespace {

double cross(Vec2 o, Vec2 a, Vec2 b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool onSegment(Vec2 a, Vec2 b, Vec2 p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool inRect(const Rect& r, Vec2 p) {
    return r.left <= p.x && p.x <= r.right && r.bottom <= p.y && p.y <= r.top;
}

// Calls f(a, b) for every segment of the path (a lone point: f(p, p)); stops when f says so.
template <typename F> bool anySegment(const Outline& o, const Outline::Path& path, F f) {
    const auto pts = o.pointsOf(path);
    if (pts.size() == 1)
        return f(pts[0], pts[0]);
    for (std::size_t i = 1; i < pts.size(); ++i)
        if (f(pts[i - 1], pts[i]))
            return true;
    return path.closed && pts.size() > 2 && f(pts.back(), pts.front());
}

// Inside what the outline fills: odd-even over its area paths.
bool insideAreas(const Outline& o, Vec2 p) {
    bool in = false;
    for (const Outline::Path& path : o.paths)
        if (path.area && pointInPolygon(o.pointsOf(path), p))
            in = !in;
    return in;
}

bool anyArea(const Outline& o) {
    return std::any_of(o.paths.begin(), o.paths.end(), [](const auto& p) { return p.area; });
}

Rect boxOf(std::span<const Vec2> points) {
    Rect r;
    for (const Vec2 p : points)
        r.add(p);
    return r;
}

// The outline of an entity, in a buffer kept per thread so that selecting many does not
// allocate for each.
const Outline& outline(const Drawing& d, int handle, double tolerance) {
    thread_local Outline o;
    o.clear();
    outlineOf(d, handle, tolerance, o);
    return o;
}

template <typename Test>
std::vector<std::uint32_t> matching(const Drawing& d, const Rect& area, Test test) {
    std::vector<std::uint32_t> candidates, out;
    d.query(area, candidates);
    for (const std::uint32_t h : candidates)
        if (selectable(d, static_cast<int>(h)) && test(static_cast<int>(h)))
            out.push_back(h);
    return out;
}

} // namespace

bool pointInPolygon(std::span<const Vec2> polygon, Vec2 p) {
    bool in = false;
    if (polygon.size() < 3)
        return false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vec2 a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x))
            in = !in;
    }
    return in;
}

bool segmentsIntersect(Vec2 a, Vec2 b, Vec2 c, Vec2 d) {
    const double d1 = cross(c, d, a), d2 = cross(c, d, b);
    const double d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && onSegment(c, d, a)) || (d2 == 0 && onSegment(c, d, b)) ||
           (d3 == 0 && onSegment(a, b, c)) || (d4 == 0 && onSegment(a, b, d));
}

bool segmentMeetsRect(Vec2 a, Vec2 b, const Rect& r) {
    if (inRect(r, a) || inRect(r, b))
        return true;
    const Vec2 c1{r.left, r.bottom}, c2{r.right, r.bottom}, c3{r.right, r.top}, c4{r.left, r.top};
    return segmentsIntersect(a, b, c1, c2) || segmentsIntersect(a, b, c2, c3) ||
           segmentsIntersect(a, b, c3, c4) || segmentsIntersect(a, b, c4, c1);
}

bool selectable(const Drawing& d, int handle) {
    if (!d.inModelSpace(handle))
        return false;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    if (e.layer >= d.layers.size())
        return true;
    const Layer& l = d.layers[e.layer];
    return l.visible && !l.locked;
}

double distanceTo(const Drawing& d, int handle, Vec2 p, double tolerance) {
    const Outline& o = outline(d, handle, tolerance);
    double best = std::numeric_limits<double>::infinity();
    for (const Outline::Path& path : o.paths)
        anySegment(o, path, [&](Vec2 a, Vec2 b) {
            best = std::min(best, distanceToSegment(p, a, b));
            return false;
        });
    if (best > 0 && insideAreas(o, p))
        return 0;
    return best;
}

bool insideRect(const Drawing& d, int handle, const Rect& r) {
    return d.valid(handle) && r.contains(d.entityExtents(handle));
}

bool touchesRect(const Drawing& d, int handle, const Rect& r, double tolerance) {
    const Rect box = d.entityExtents(handle);
    if (!box.intersects(r))
        return false;
    if (r.contains(box))
        return true;
    const Outline& o = outline(d, handle, tolerance);
    for (const Outline::Path& path : o.paths)
        if (anySegment(o, path, [&](Vec2 a, Vec2 b) { return segmentMeetsRect(a, b, r); }))
            return true;
    return anyArea(o) && insideAreas(o, r.centre());
}

bool insidePolygon(const Drawing& d, int handle, std::span<const Vec2> polygon, double tolerance) {
    if (polygon.size() < 3 || !boxOf(polygon).contains(d.entityExtents(handle)))
        return false;
    const Outline& o = outline(d, handle, tolerance);
    if (o.points.empty())
        return false;
    for (const Vec2 p : o.points)
        if (!pointInPolygon(polygon, p))
            return false;
    for (const Outline::Path& path : o.paths) {
        const bool crosses = anySegment(o, path, [&](Vec2 a, Vec2 b) {
            for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
                if (segmentsIntersect(a, b, polygon[j], polygon[i]))
                    return true;
            return false;
        });
        if (crosses)
            return false;
    }
    return true;
}

bool crossedByPath(const Drawing& d, int handle, std::span<const Vec2> path, double tolerance) {
    if (path.size() < 2)
        return false;
    Rect reach = boxOf(path);
    reach.add(reach.left - tolerance, reach.bottom - tolerance);
    reach.add(reach.right + tolerance, reach.top + tolerance);
    if (!reach.intersects(d.entityExtents(handle)))
        return false;
    const Outline& o = outline(d, handle, tolerance);
    for (const Outline::Path& p : o.paths) {
        const auto pts = o.pointsOf(p);
        const bool hit = anySegment(o, p, [&](Vec2 a, Vec2 b) {
            for (std::size_t i = 1; i < path.size(); ++i) {
                if (pts.size() == 1 ? distanceToSegment(a, path[i - 1], path[i]) <= tolerance
                                    : segmentsIntersect(a, b, path[i - 1], path[i]))
                    return true;
            }
            return false;
        });
        if (hit)
            return true;
    }
    if (anyArea(o))
        for (const Vec2 p : path)
            if (insideAreas(o, p))
                return true;
    return false;
}

std::vector<Vec2> gripPoints(const Drawing& d, int handle) {
    std::vector<Vec2> g;
    if (!d.valid(handle))
        return g;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    const auto onCircle = [](Vec2 c, double r, double degrees) {
        return Vec2{c.x + r * std::cos(radians(degrees)), c.y + r * std::sin(radians(degrees))};
    };
    // Long polylines and hatches show their first vertices only: grips are for holding.
    constexpr std::uint32_t kMostVertices = 1000;
    switch (e.type) {
    case EntityType::Point:
        g.push_back(d.points[e.first].p);
        break;
    case EntityType::Line: {
        const LineData& l = d.lines[e.first];
        g = {l.a, l.b, {(l.a.x + l.b.x) / 2, (l.a.y + l.b.y) / 2}};
        break;
    }
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Hatch: {
        const Vec2* v = d.vertexData(e);
        g.assign(v, v + std::min(e.count, kMostVertices));
        break;
    }
    case EntityType::Circle: {
        const CircleData& c = d.circles[e.first];
        g.push_back(c.centre);
        for (int q = 0; q < 4; ++q)
            g.push_back(onCircle(c.centre, c.radius, 90.0 * q));
        break;
    }
    case EntityType::Arc:
    case EntityType::Sector: {
        const ArcData& a = e.type == EntityType::Arc ? d.arcs[e.first] : d.sectors[e.first];
        const double sweep = arcSweep(a.startAngle, a.endAngle);
        g = {a.centre, onCircle(a.centre, a.radius, a.startAngle),
             onCircle(a.centre, a.radius, a.startAngle + sweep / 2),
             onCircle(a.centre, a.radius, a.startAngle + sweep)};
        break;
    }
    case EntityType::Ellipse: {
        const EllipseData& el = d.ellipses[e.first];
        const Affine m =
            Affine::translation(el.centre.x, el.centre.y).after(Affine::rotation(el.rotation));
        g = {el.centre, m.apply({el.radiusX, 0}), m.apply({0, el.radiusY}),
             m.apply({-el.radiusX, 0}), m.apply({0, -el.radiusY})};
        break;
    }
    case EntityType::Rectangle: {
        const RectangleData& r = d.rectangles[e.first];
        const Affine m =
            Affine::translation(r.centre.x, r.centre.y).after(Affine::rotation(r.rotation));
        const double w = r.width / 2, h = r.height / 2;
        g = {r.centre, m.apply({-w, -h}), m.apply({w, -h}), m.apply({w, h}), m.apply({-w, h})};
        break;
    }
    case EntityType::Text:
        g.push_back(d.texts[e.first].p);
        break;
    case EntityType::Insert:
        g.push_back(d.inserts[e.first].p);
        break;
    case EntityType::Image: {
        const ImageData& im = d.images[e.first];
        g = {im.p,
             {im.p.x + im.width, im.p.y},
             {im.p.x + im.width, im.p.y + im.height},
             {im.p.x, im.p.y + im.height}};
        break;
    }
    case EntityType::Dimension: {
        // Each definition point (the dimension line's position among them), then the text.
        const DimensionData data = d.dimensionOf(e);
        for (int i = 0; i < definitionPointCount(data.kind); ++i)
            g.push_back(data.points[static_cast<std::size_t>(i)]);
        if (const auto text = dimensionGeometryOf(d, data).text)
            g.push_back(text->position);
        break;
    }
    }
    return g;
}

int nearestEntity(const Drawing& d, Vec2 p, double reach,
                  const std::function<double(int)>& distance) {
    Rect area;
    area.add(p.x - reach, p.y - reach);
    area.add(p.x + reach, p.y + reach);
    std::vector<std::uint32_t> near;
    d.query(area, near);
    int best = -1;
    double bestDistance = reach;
    for (const std::uint32_t h : near) {
        if (!selectable(d, static_cast<int>(h)))
            continue;
        const double away = distance(static_cast<int>(h));
        if (away <= bestDistance) {
            best = static_cast<int>(h);
            bestDistance = away;
        }
    }
    return best;
}

int entityAt(const Drawing& d, Vec2 p, double reach) {
    // Curves are followed closely enough that a hit is where the person sees it.
    const double tolerance = reach / 8;
    return nearestEntity(d, p, reach, [&](int h) { return distanceTo(d, h, p, tolerance); });
}

std::vector<std::uint32_t> entitiesInRect(const Drawing& d, const Rect& r, AreaRule rule,
                                          double tolerance) {
    if (rule == AreaRule::Inside)
        return matching(d, r, [&](int h) { return insideRect(d, h, r); });
    return matching(d, r, [&](int h) { return touchesRect(d, h, r, tolerance); });
}

std::vector<std::uint32_t> entitiesInPolygon(const Drawing& d, std::span<const Vec2> polygon,
                                             double tolerance) {
    return matching(d, boxOf(polygon),
                    [&](int h) { return insidePolygon(d, h, polygon, tolerance); });
}

std::vector<std::uint32_t> entitiesCrossed(const Drawing& d, std::span<const Vec2> path,
                                           double tolerance) {
    Rect area = boxOf(path);
    area.add(area.left - tolerance, area.bottom - tolerance);
    area.add(area.right + tolerance, area.top + tolerance);
    return matching(d, area, [&](int h) { return crossedByPath(d, h, path, tolerance); });
}

std::vector<std::uint32_t> entitiesNear(const Drawing& d, Vec2 p, double distance,
                                        double tolerance) {
    Rect area;
    area.add(p.x - distance, p.y - distance);
    area.add(p.x + distance, p.y + distance);
    return matching(d, area, [&](int h) { return distanceTo(d, h, p, tolerance) <= distance; });
}

} // namespace cad
