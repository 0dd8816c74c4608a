#include "engine/model/PointTies.h"

#include "engine/model/Affine.h"
#include "engine/model/Curves.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Measure.h"
#include "engine/model/PolylineArc.h"

#include <cmath>
#include <limits>

namespace cad {

namespace {

Vec2 middleOf(Vec2 a, Vec2 b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// How near a point must come to be the same, for numbers worked out twice.
double tolerance(Vec2 p) {
    return 1e-9 * (1 + std::abs(p.x) + std::abs(p.y));
}

bool tiesTo(const Drawing& d, std::uint32_t h) {
    return d.inModelSpace(static_cast<int>(h)) && d.entities[h].type != EntityType::Dimension;
}

Conic arcConic(const ArcData& a) {
    return circleConic(a.centre, a.radius, normalisedDegrees(a.startAngle),
                       sweepDegrees(a.startAngle, a.endAngle));
}

// The corners of a rectangle, as the snaps place them.
std::array<Vec2, 4> cornersOf(const RectangleData& r) {
    const Affine local =
        Affine::translation(r.centre.x, r.centre.y).after(Affine::rotation(r.rotation));
    const double w = r.width / 2, h = r.height / 2;
    return {local.apply({-w, -h}), local.apply({w, -h}), local.apply({w, h}), local.apply({-w, h})};
}

std::array<Vec2, 4> cornersOf(const ImageData& im) {
    return {im.p,
            {im.p.x + im.width, im.p.y},
            {im.p.x + im.width, im.p.y + im.height},
            {im.p.x, im.p.y + im.height}};
}

// Calls f(index, point) for every point of that kind the entity has.
template <typename F> void eachPoint(const Drawing& d, std::uint32_t h, TieKind kind, F f) {
    const Entity& e = d.entities[h];
    const auto ring = [&](const Vec2* v, std::uint32_t n, bool closed, std::uint32_t base) {
        if (kind == TieKind::End)
            for (std::uint32_t i = 0; i < n; ++i)
                f(base + i, v[i]);
        if (kind == TieKind::Middle) {
            for (std::uint32_t i = 0; i + 1 < n; ++i)
                f(base + i, middleOf(v[i], v[i + 1]));
            if (closed && n > 2)
                f(base + n - 1, middleOf(v[n - 1], v[0]));
        }
    };
    switch (e.type) {
    case EntityType::Point:
        if (kind == TieKind::Point)
            f(0, d.points[e.first].p);
        break;
    case EntityType::Text:
        if (kind == TieKind::Point)
            f(0, d.texts[e.first].p);
        break;
    case EntityType::Insert:
        if (kind == TieKind::Point)
            f(0, d.inserts[e.first].p);
        break;
    case EntityType::Line: {
        const LineData& l = d.lines[e.first];
        const Vec2 v[] = {l.a, l.b};
        ring(v, 2, false, 0);
        break;
    }
    case EntityType::Polyline: {
        const Vec2* v = d.vertexData(e);
        const bool closed = e.has(EntityFlag::Closed);
        ring(v, e.count, closed, 0);
        if (kind == TieKind::Centre && closed && e.count > 2)
            if (const auto c = areaCentroid({v, e.count}))
                f(0, *c);
        break;
    }
    case EntityType::Spline:
        if (kind == TieKind::End && e.count > 0 && !e.has(EntityFlag::Closed)) {
            const Vec2* v = d.vertexData(e);
            f(0, v[0]);
            f(1, v[e.count - 1]);
        }
        break;
    case EntityType::Hatch: {
        const Vec2* v = d.vertexData(e);
        std::uint32_t at = 0;
        for (const std::uint32_t n : d.loopsOf(d.hatches[e.first])) {
            if (n == 0 || at + n > e.count)
                break;
            ring(v + at, n, true, at);
            at += n;
        }
        break;
    }
    case EntityType::Circle:
        if (kind == TieKind::Centre)
            f(0, d.circles[e.first].centre);
        break;
    case EntityType::Arc:
    case EntityType::Sector: {
        const ArcData& a = e.type == EntityType::Arc ? d.arcs[e.first] : d.sectors[e.first];
        const Conic k = arcConic(a);
        if (kind == TieKind::Centre)
            f(0, k.c);
        if (kind == TieKind::End) {
            f(0, k.startPoint());
            f(1, k.endPoint());
            if (e.type == EntityType::Sector)
                f(2, a.centre);
        }
        if (kind == TieKind::Middle) {
            f(0, k.middle());
            if (e.type == EntityType::Sector) {
                f(1, middleOf(a.centre, k.startPoint()));
                f(2, middleOf(k.endPoint(), a.centre));
            }
        }
        break;
    }
    case EntityType::Ellipse: {
        const Conic k = ellipseConic(d.ellipses[e.first]);
        if (kind == TieKind::Centre)
            f(0, k.c);
        if (!k.whole() && kind == TieKind::End) {
            f(0, k.startPoint());
            f(1, k.endPoint());
        }
        if (!k.whole() && kind == TieKind::Middle)
            f(0, k.middle());
        break;
    }
    case EntityType::Rectangle: {
        const RectangleData& r = d.rectangles[e.first];
        const auto c = cornersOf(r);
        ring(c.data(), 4, true, 0);
        if (kind == TieKind::Centre)
            f(0, r.centre);
        break;
    }
    case EntityType::Image: {
        const auto c = cornersOf(d.images[e.first]);
        ring(c.data(), 4, true, 0);
        break;
    }
    case EntityType::Dimension:
        break;
    }
}

std::optional<TieKind> tieKindOf(SnapKind k) {
    switch (k) {
    case SnapKind::End:
        return TieKind::End;
    case SnapKind::Middle:
        return TieKind::Middle;
    case SnapKind::Centre:
        return TieKind::Centre;
    case SnapKind::Intersection:
        return TieKind::Intersection;
    case SnapKind::Perpendicular:
        return TieKind::Perpendicular;
    case SnapKind::Point:
        return TieKind::Point;
    default:
        return std::nullopt;
    }
}

// The shapes of an entity, whole.
void wholeShapes(const Drawing& d, std::uint32_t h, ShapeSet& out) {
    Rect all = d.entityExtents(static_cast<int>(h));
    if (all.empty())
        return;
    const double grow = std::max({all.width(), all.height(), 1.0});
    all.add(all.left - grow, all.bottom - grow);
    all.add(all.right + grow, all.top + grow);
    shapesOf(d, static_cast<int>(h), all, out);
}

// How far p lies from the entity's shapes.
double distanceToShapes(const ShapeSet& s, Vec2 p) {
    double best = std::numeric_limits<double>::infinity();
    for (const auto* segments : {&s.segments, &s.pieces})
        for (const Segment& g : *segments)
            best = std::min(best, distance(p, closestPoint(g, p)));
    for (const Conic& k : s.conics)
        best = std::min(best, distance(p, closestPoint(k, p)));
    return best;
}

std::optional<Vec2> nearestOf(const std::vector<Vec2>& points, Vec2 to) {
    std::optional<Vec2> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const Vec2 p : points)
        if (std::isfinite(p.x) && std::isfinite(p.y) && distance(p, to) < bestDistance) {
            best = p;
            bestDistance = distance(p, to);
        }
    return best;
}

void meetings(const ShapeSet& a, const ShapeSet& b, std::vector<Vec2>& out) {
    for (const auto* as : {&a.segments, &a.pieces})
        for (const Segment& g : *as) {
            for (const auto* bs : {&b.segments, &b.pieces})
                for (const Segment& h : *bs)
                    intersections(g, h, out);
            for (const Conic& k : b.conics)
                intersections(g, k, out);
        }
    for (const Conic& k : a.conics) {
        for (const auto* bs : {&b.segments, &b.pieces})
            for (const Segment& h : *bs)
                intersections(h, k, out);
        for (const Conic& m : b.conics)
            intersections(k, m, out);
    }
}

// The meetings of an entity with itself: of its segments that do not follow one another.
void selfMeetings(const ShapeSet& a, std::vector<Vec2>& out) {
    for (std::size_t i = 0; i < a.segments.size(); ++i)
        for (std::size_t j = i + 2; j < a.segments.size(); ++j)
            intersections(a.segments[i], a.segments[j], out);
}

// The arc a polyline follows at one of its segments.
std::optional<FollowedArc> polylineArc(const Drawing& d, std::uint32_t h, std::uint32_t segment) {
    const Entity& e = d.entities[h];
    if (e.type != EntityType::Polyline)
        return std::nullopt;
    return followedArcAt(polylinePath(d, e), segment);
}

} // namespace

std::optional<PointTie> tieAt(const Drawing& d, std::span<const std::uint32_t> entities,
                              SnapKind snap, Vec2 point) {
    const auto kind = tieKindOf(snap);
    if (!kind)
        return std::nullopt;
    const double tol = tolerance(point);
    PointTie tie;
    tie.kind = *kind;
    if (*kind == TieKind::Intersection || *kind == TieKind::Perpendicular) {
        // The entities whose shapes run through the point.
        // (Only the parts of them near it are looked at: a long polyline is long to walk.)
        std::vector<std::uint32_t> through;
        ShapeSet shapes;
        Rect near;
        near.add(point.x - 1e3 * tol, point.y - 1e3 * tol);
        near.add(point.x + 1e3 * tol, point.y + 1e3 * tol);
        for (const std::uint32_t h : entities) {
            if (!tiesTo(d, h))
                continue;
            shapes.clear();
            shapesOf(d, static_cast<int>(h), near, shapes);
            if (distanceToShapes(shapes, point) <= 1e3 * tol)
                through.push_back(h);
        }
        if (through.empty())
            return std::nullopt;
        tie.entity = through.back(); // the one drawn on top
        if (*kind == TieKind::Intersection)
            tie.other = through.size() > 1 ? through[through.size() - 2] : tie.entity;
        return tie;
    }
    double best = std::numeric_limits<double>::infinity();
    for (const std::uint32_t h : entities) {
        if (!tiesTo(d, h))
            continue;
        eachPoint(d, h, *kind, [&](std::uint32_t index, Vec2 p) {
            const double away = distance(p, point);
            if (away <= tol && away <= best) {
                best = away;
                tie.entity = h;
                tie.index = index;
            }
        });
    }
    if (tie.entity == kNoEntity)
        return std::nullopt;
    return tie;
}

std::optional<PointTie> tieAt(const Drawing& d, SnapKind kind, Vec2 point, double reach) {
    Rect near;
    near.add(point.x - reach, point.y - reach);
    near.add(point.x + reach, point.y + reach);
    std::vector<std::uint32_t> found;
    d.query(near, found);
    return tieAt(d, found, kind, point);
}

std::optional<PointTie> circleTie(const Drawing& d, std::uint32_t h, Vec2 p) {
    if (!tiesTo(d, h))
        return std::nullopt;
    const Entity& e = d.entities[h];
    Vec2 c;
    if (e.type == EntityType::Circle)
        c = d.circles[e.first].centre;
    else if (e.type == EntityType::Arc)
        c = d.arcs[e.first].centre;
    else
        return std::nullopt;
    PointTie tie;
    tie.entity = h;
    tie.kind = TieKind::OnCircle;
    tie.parameter = segmentAngle(c, p);
    return tie;
}

std::optional<std::pair<PointTie, PointTie>> polylineArcTies(const Drawing& d, std::uint32_t h,
                                                             std::uint32_t segment, Vec2 p) {
    if (!tiesTo(d, h))
        return std::nullopt;
    const auto arc = polylineArc(d, h, segment);
    if (!arc)
        return std::nullopt;
    PointTie centre;
    centre.entity = h;
    centre.index = segment;
    centre.kind = TieKind::ArcCentre;
    PointTie on = centre;
    on.kind = TieKind::OnArc;
    on.parameter = segmentAngle(arc->centre, p);
    return std::pair{centre, on};
}

std::optional<Vec2> tiedPoint(const Drawing& d, const PointTie& tie, Vec2 previous, Vec2 from) {
    if (!tie.tied() || !tiesTo(d, tie.entity))
        return std::nullopt;
    const Entity& e = d.entities[tie.entity];
    switch (tie.kind) {
    case TieKind::None:
        return std::nullopt;
    case TieKind::End:
    case TieKind::Middle:
    case TieKind::Centre:
    case TieKind::Point: {
        std::optional<Vec2> found;
        eachPoint(d, tie.entity, tie.kind, [&](std::uint32_t index, Vec2 p) {
            if (index == tie.index && !found)
                found = p;
        });
        return found;
    }
    case TieKind::OnCircle: {
        double r = 0;
        Vec2 c;
        if (e.type == EntityType::Circle) {
            c = d.circles[e.first].centre;
            r = std::abs(d.circles[e.first].radius);
        } else if (e.type == EntityType::Arc) {
            c = d.arcs[e.first].centre;
            r = std::abs(d.arcs[e.first].radius);
        } else {
            return std::nullopt;
        }
        const double a = radians(tie.parameter);
        return Vec2{c.x + r * std::cos(a), c.y + r * std::sin(a)};
    }
    case TieKind::ArcCentre:
    case TieKind::OnArc: {
        const auto arc = polylineArc(d, tie.entity, tie.index);
        if (!arc)
            return std::nullopt;
        if (tie.kind == TieKind::ArcCentre)
            return arc->centre;
        const double a = radians(tie.parameter);
        return Vec2{arc->centre.x + arc->radius * std::cos(a),
                    arc->centre.y + arc->radius * std::sin(a)};
    }
    case TieKind::Intersection: {
        if (tie.other == kNoEntity || !tiesTo(d, tie.other))
            return std::nullopt;
        ShapeSet a, b;
        wholeShapes(d, tie.entity, a);
        std::vector<Vec2> points;
        if (tie.other == tie.entity) {
            selfMeetings(a, points);
        } else {
            wholeShapes(d, tie.other, b);
            meetings(a, b, points);
        }
        return nearestOf(points, previous);
    }
    case TieKind::Perpendicular: {
        ShapeSet a;
        wholeShapes(d, tie.entity, a);
        std::vector<Vec2> feet;
        for (const auto* segments : {&a.segments, &a.pieces})
            for (const Segment& g : *segments)
                perpendicularFeet(g, from, feet);
        for (const Conic& k : a.conics)
            perpendicularFeet(k, from, feet);
        return nearestOf(feet, previous);
    }
    }
    return std::nullopt;
}

} // namespace cad
