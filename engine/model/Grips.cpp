#include "engine/model/Grips.h"

#include "engine/model/Affine.h"
#include "engine/model/Construct.h"
#include "engine/model/Measure.h"
#include "engine/model/Path.h"
#include "engine/model/Picking.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace cad {

namespace {

Vec2 onCircle(Vec2 c, double r, double degrees) {
    return {c.x + r * std::cos(radians(degrees)), c.y + r * std::sin(radians(degrees))};
}

Vec2 shifted(Vec2 p, Vec2 by) {
    return {p.x + by.x, p.y + by.y};
}

bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// A corner of a rectangle moved: the opposite one stays, the sides keep their directions.
bool moveCorner(RectangleData& r, std::size_t corner, Vec2 to) {
    const Affine toDrawing =
        Affine::translation(r.centre.x, r.centre.y).after(Affine::rotation(r.rotation));
    const double w = r.width / 2, h = r.height / 2;
    const Vec2 corners[] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
    const Vec2 fixed = toDrawing.apply(corners[(corner + 2) % 4]);
    // The moved corner in the rectangle's own directions, from the fixed one.
    const double a = radians(r.rotation), c = std::cos(a), s = std::sin(a);
    const Vec2 d{to.x - fixed.x, to.y - fixed.y};
    const double along = d.x * c + d.y * s, across = -d.x * s + d.y * c;
    if (along == 0 || across == 0)
        return false;
    r.width = std::abs(along);
    r.height = std::abs(across);
    r.centre = {(fixed.x + to.x) / 2, (fixed.y + to.y) / 2};
    return true;
}

} // namespace

std::optional<GripShape> gripShape(const Drawing& d, int handle) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    GripShape s;
    s.type = e.type;
    s.closed = e.has(EntityFlag::Closed);
    switch (e.type) {
    case EntityType::Point:
        s.p = d.points[e.first].p;
        break;
    case EntityType::Line:
        s.line = d.lines[e.first];
        break;
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Hatch:
        s.vertices.assign(d.vertexData(e), d.vertexData(e) + e.count);
        if (const BulgeView b = d.bulgesOf(e); b.any())
            for (std::uint32_t i = 0; i < e.count; ++i)
                s.bulges.push_back(b[i]);
        break;
    case EntityType::Circle:
        s.circle = d.circles[e.first];
        break;
    case EntityType::Arc:
        s.arc = d.arcs[e.first];
        break;
    case EntityType::Sector:
        s.arc = d.sectors[e.first];
        break;
    case EntityType::Ellipse:
        s.ellipse = d.ellipses[e.first];
        break;
    case EntityType::Rectangle:
        s.rectangle = d.rectangles[e.first];
        break;
    case EntityType::Text:
        s.p = d.texts[e.first].p;
        break;
    case EntityType::Insert:
        s.p = d.inserts[e.first].p;
        break;
    case EntityType::Image:
        s.image = d.images[e.first];
        break;
    case EntityType::Dimension:
        s.dimension = d.dimensions[e.first];
        break;
    }
    return s;
}

bool moveGrip(GripShape& s, std::size_t index, Vec2 to) {
    if (!finite(to))
        return false;
    switch (s.type) {
    case EntityType::Point:
    case EntityType::Text:
    case EntityType::Insert:
        if (index != 0)
            return false;
        s.p = to;
        return true;
    case EntityType::Line: {
        LineData& l = s.line;
        if (index == 0) {
            l.a = to;
        } else if (index == 1) {
            l.b = to;
        } else if (index == 2) {
            const Vec2 by{to.x - (l.a.x + l.b.x) / 2, to.y - (l.a.y + l.b.y) / 2};
            l = {shifted(l.a, by), shifted(l.b, by)};
        } else {
            return false;
        }
        return true;
    }
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Hatch:
        if (index >= s.vertices.size())
            return false;
        s.vertices[index] = to;
        return true;
    case EntityType::Circle:
        if (index == 0) {
            s.circle.centre = to;
            return true;
        }
        if (index > 4 || distance(s.circle.centre, to) == 0)
            return false;
        s.circle.radius = distance(s.circle.centre, to);
        return true;
    case EntityType::Arc:
    case EntityType::Sector: {
        ArcData& a = s.arc;
        if (index == 0) {
            a.centre = to;
            return true;
        }
        const double sweep = arcSweep(a.startAngle, a.endAngle);
        Vec2 points[] = {onCircle(a.centre, a.radius, a.startAngle),
                         onCircle(a.centre, a.radius, a.startAngle + sweep / 2),
                         onCircle(a.centre, a.radius, a.startAngle + sweep)};
        if (index > 3)
            return false;
        points[index - 1] = to;
        const auto through = arcThrough(points[0], points[1], points[2]);
        if (!through)
            return false;
        a = *through;
        return true;
    }
    case EntityType::Ellipse: {
        EllipseData& el = s.ellipse;
        if (index == 0) {
            el.centre = to;
            return true;
        }
        const double r = distance(el.centre, to);
        if (index > 4 || r == 0)
            return false;
        if (index % 2 == 1) {
            // An end of the first axis: its length and direction.
            el.radiusX = r;
            el.rotation = directionDegrees(el.centre, to) + (index == 3 ? 180 : 0);
            if (el.rotation >= 360)
                el.rotation -= 360;
        } else {
            el.radiusY = r;
        }
        return true;
    }
    case EntityType::Rectangle:
        if (index == 0) {
            s.rectangle.centre = to;
            return true;
        }
        return index <= 4 && moveCorner(s.rectangle, index - 1, to);
    case EntityType::Image: {
        ImageData& im = s.image;
        if (index > 3)
            return false;
        const Vec2 corners[] = {im.p,
                                {im.p.x + im.width, im.p.y},
                                {im.p.x + im.width, im.p.y + im.height},
                                {im.p.x, im.p.y + im.height}};
        const Vec2 fixed = corners[(index + 2) % 4];
        if (to.x == fixed.x || to.y == fixed.y)
            return false;
        im.p = {std::min(fixed.x, to.x), std::min(fixed.y, to.y)};
        im.width = std::abs(to.x - fixed.x);
        im.height = std::abs(to.y - fixed.y);
        return true;
    }
    case EntityType::Dimension: {
        DimensionRecord& r = s.dimension;
        const auto n = static_cast<std::size_t>(definitionPointCount(r.kind));
        if (index == n) {
            r.textPosition = to;
            r.hasTextPosition = 1;
            return true;
        }
        if (index > n)
            return false;
        if ((r.kind == DimensionKind::Radial || r.kind == DimensionKind::Diametric) &&
            index == static_cast<std::size_t>(DimPoint::ChordPoint)) {
            // Round its circle: the radius stays, and so does what it is tied to.
            const Vec2 c = r.points[DimPoint::Centre];
            const double radius = distance(c, r.points[DimPoint::ChordPoint]);
            const double along = distance(c, to);
            if (!(along > 0))
                return false;
            r.points[index] = {c.x + (to.x - c.x) * radius / along,
                               c.y + (to.y - c.y) * radius / along};
            if (r.ties[index].kind == TieKind::OnCircle || r.ties[index].kind == TieKind::OnArc)
                r.ties[index].parameter = segmentAngle(c, to);
            return true;
        }
        r.points[index] = to;
        return true;
    }
    }
    return false;
}

void putShape(EntityChange& c, const GripShape& s) {
    if (c.type() != s.type)
        return;
    switch (c.type()) {
    case EntityType::Point:
        c.point().p = s.p;
        break;
    case EntityType::Line:
        c.line() = s.line;
        break;
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Hatch:
        if (s.vertices.size() == c.entity().count)
            c.setVertices(s.vertices); // a polyline keeps its bulges
        break;
    case EntityType::Circle:
        c.circle() = s.circle;
        break;
    case EntityType::Arc:
    case EntityType::Sector:
        c.arc() = s.arc;
        break;
    case EntityType::Ellipse:
        c.ellipse() = s.ellipse;
        break;
    case EntityType::Rectangle:
        c.rectangle() = s.rectangle;
        break;
    case EntityType::Text:
        c.text().p = s.p;
        break;
    case EntityType::Insert:
        c.insert().p = s.p;
        break;
    case EntityType::Image:
        c.image() = s.image;
        break;
    case EntityType::Dimension:
        c.dimension() = s.dimension;
        break;
    }
}

std::optional<GripRef> gripNear(const Drawing& d, std::span<const std::uint32_t> handles, Vec2 p,
                                double reach) {
    std::optional<GripRef> best;
    double bestDistance = reach;
    for (const std::uint32_t h : handles) {
        const auto grips = gripPoints(d, static_cast<int>(h));
        for (std::size_t i = 0; i < grips.size(); ++i) {
            const double dist = std::max(std::abs(grips[i].x - p.x), std::abs(grips[i].y - p.y));
            if (dist <= bestDistance) {
                bestDistance = dist;
                best = GripRef{static_cast<int>(h), i};
            }
        }
    }
    return best;
}

std::optional<std::vector<Vec2>> withVertexInserted(const Drawing& d, int handle,
                                                    std::size_t index) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    if ((e.type != EntityType::Polyline && e.type != EntityType::Spline) || index >= e.count ||
        e.count < 2)
        return std::nullopt;
    std::vector<Vec2> v(d.vertexData(e), d.vertexData(e) + e.count);
    const bool closed = e.has(EntityFlag::Closed);
    // The segment after the vertex; after the last of an open one, the one before it.
    std::size_t from = index, to = index + 1;
    if (to == v.size()) {
        if (closed) {
            to = 0;
        } else {
            from = index - 1;
            to = index;
        }
    }
    // The middle of an arc segment lies on the arc.
    const PathSegment s{v[from], v[to], d.bulgesOf(e)[from]};
    const Vec2 middle =
        s.isArc() ? pointAt(s, 0.5) : Vec2{(v[from].x + v[to].x) / 2, (v[from].y + v[to].y) / 2};
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(from + 1), middle);
    return v;
}

std::vector<double> bulgesWithVertexInserted(const Drawing& d, int handle, std::size_t index) {
    if (!withVertexInserted(d, handle, index))
        return {};
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    const BulgeView b = d.bulgesOf(e);
    if (!b.any())
        return {};
    std::vector<double> out;
    for (std::uint32_t i = 0; i < e.count; ++i)
        out.push_back(b[i]);
    // The segment split, as withVertexInserted chooses it.
    const std::size_t from = index + 1 == e.count && !e.has(EntityFlag::Closed) ? index - 1 : index;
    const double half = bulgeOfSweep(sweepOfBulge(out[from]) / 2);
    out[from] = half;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(from + 1), half);
    return out;
}

std::vector<double> bulgesWithVertexRemoved(const Drawing& d, int handle, std::size_t index) {
    if (!withVertexRemoved(d, handle, index))
        return {};
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    const BulgeView b = d.bulgesOf(e);
    if (!b.any())
        return {};
    std::vector<double> out;
    for (std::uint32_t i = 0; i < e.count; ++i)
        out.push_back(b[i]);
    // The segment before the vertex now reaches the one after it: straight.
    const std::size_t before = index == 0 ? e.count - 1 : index - 1;
    if (index > 0 || e.has(EntityFlag::Closed))
        out[before] = 0;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(index));
    return out;
}

std::optional<std::vector<Vec2>> withVertexRemoved(const Drawing& d, int handle,
                                                   std::size_t index) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    if ((e.type != EntityType::Polyline && e.type != EntityType::Spline) || index >= e.count ||
        e.count <= 2)
        return std::nullopt;
    std::vector<Vec2> v(d.vertexData(e), d.vertexData(e) + e.count);
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(index));
    return v;
}

} // namespace cad
