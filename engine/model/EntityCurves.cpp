#include "engine/model/EntityCurves.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace cad {

namespace {

constexpr int kMaxDepth = 16;

double degreesOf(Vec2 v) {
    return normalisedDegrees(std::atan2(v.y, v.x) * 180 / kPi);
}

Vec2 onCircle(Vec2 c, double r, double degrees) {
    return {c.x + r * std::cos(radians(degrees)), c.y + r * std::sin(radians(degrees))};
}

// The linear part of a map applied to a direction.
Vec2 linear(const Affine& m, Vec2 v) {
    return {m.a * v.x + m.c * v.y, m.b * v.x + m.d * v.y};
}

bool visible(const Drawing& d, const Entity& e) {
    return e.layer >= d.layers.size() || d.layers[e.layer].visible;
}

} // namespace

Path polylinePath(const Drawing& d, const Entity& e) {
    Path p;
    p.closed = e.has(EntityFlag::Closed);
    const Vec2* v = d.vertexData(e);
    const BulgeView bulges = d.bulgesOf(e);
    p.v.reserve(e.count);
    for (std::uint32_t i = 0; i < e.count; ++i)
        p.v.push_back({v[i], bulges[i]});
    return p;
}

std::vector<Vec2> pathPoints(const Path& p) {
    std::vector<Vec2> out;
    out.reserve(p.v.size());
    for (const PathVertex& v : p.v)
        out.push_back(v.p);
    return out;
}

std::vector<double> pathBulges(const Path& p) {
    std::vector<double> out;
    out.reserve(p.v.size());
    for (std::size_t i = 0; i < p.v.size(); ++i)
        // The last vertex of an open path starts no segment.
        out.push_back(p.closed || i + 1 < p.v.size() ? p.v[i].bulge : 0.0);
    return out;
}

std::optional<Curve> curveOf(const Drawing& d, int handle) {
    if (!d.valid(handle))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    switch (e.type) {
    case EntityType::Line:
        return Curve{d.lines[e.first]};
    case EntityType::Arc:
        return Curve{d.arcs[e.first]};
    case EntityType::Circle:
        return Curve{d.circles[e.first]};
    case EntityType::Ellipse:
        return Curve{d.ellipses[e.first]};
    case EntityType::Spline: {
        const Vec2* v = d.vertexData(e);
        return Curve{SplineData{{v, v + e.count}, e.has(EntityFlag::Closed)}};
    }
    case EntityType::Polyline:
        return Curve{polylinePath(d, e)};
    case EntityType::Rectangle:
        return Curve{pathOf(d.rectangles[e.first])};
    default:
        return std::nullopt;
    }
}

std::optional<Curve> mappedCurve(const Curve& c, const Affine& m) {
    // A similarity: its columns perpendicular and of one length.
    const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
    const double det = m.a * m.d - m.b * m.c;
    if (!(sx > 0) || std::abs(sx - sy) > 1e-9 * sx ||
        std::abs(m.a * m.c + m.b * m.d) > 1e-9 * sx * sx)
        return std::nullopt;
    const bool mirrored = det < 0;
    const double s = sx;
    return std::visit(
        [&](const auto& k) -> std::optional<Curve> {
            using T = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<T, LineData>) {
                return Curve{LineData{m.apply(k.a), m.apply(k.b)}};
            } else if constexpr (std::is_same_v<T, ArcData>) {
                const double r = std::abs(k.radius);
                const Vec2 c0 = m.apply(k.centre);
                const Vec2 a = m.apply(onCircle(k.centre, r, k.startAngle));
                const Vec2 b = m.apply(onCircle(k.centre, r, k.endAngle));
                const double from = degreesOf({a.x - c0.x, a.y - c0.y});
                const double to = degreesOf({b.x - c0.x, b.y - c0.y});
                // A whole circle stays whole; a mirror runs the arc the other way round.
                if (sweepDegrees(k.startAngle, k.endAngle) >= 360)
                    return Curve{ArcData{c0, r * s, from, from + 360}};
                return Curve{mirrored ? ArcData{c0, r * s, to, from}
                                      : ArcData{c0, r * s, from, to}};
            } else if constexpr (std::is_same_v<T, CircleData>) {
                return Curve{CircleData{m.apply(k.centre), std::abs(k.radius) * s}};
            } else if constexpr (std::is_same_v<T, EllipseData>) {
                EllipseData e = k;
                e.centre = m.apply(k.centre);
                e.radiusX = k.radiusX * s;
                e.radiusY = k.radiusY * s;
                e.rotation = degreesOf(
                    linear(m, {std::cos(radians(k.rotation)), std::sin(radians(k.rotation))}));
                if (mirrored) {
                    // The parameter runs the other way round in the mirrored ellipse.
                    e.startAngle = -k.endAngle;
                    e.endAngle = -k.startAngle;
                }
                return Curve{e};
            } else if constexpr (std::is_same_v<T, SplineData>) {
                SplineData out = k;
                for (Vec2& p : out.fit)
                    p = m.apply(p);
                return Curve{out};
            } else {
                Path out = k;
                for (PathVertex& v : out.v) {
                    v.p = m.apply(v.p);
                    if (mirrored)
                        v.bulge = -v.bulge;
                }
                return Curve{out};
            }
        },
        c);
}

namespace {

void placedEdges(const Drawing& d, int handle, const Affine& m, bool identity,
                 const Entity* insertion, int depth, std::vector<Curve>& out) {
    if (!d.valid(handle))
        return;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    if (!visible(d, insertion && e.layer == 0 ? *insertion : e))
        return;
    const auto add = [&](const Curve& c) {
        if (identity) {
            out.push_back(c);
            return;
        }
        if (auto placed = mappedCurve(c, m)) {
            out.push_back(std::move(*placed));
            return;
        }
        // Stretched unevenly: polylines that follow what it shows.
        const Rect box = curveBox(c);
        const double tolerance = 1e-4 * std::max({box.width(), box.height(), 1e-12});
        const Path path = pathApproximation(c, tolerance);
        Path straight;
        straight.closed = path.closed;
        for (std::size_t i = 0; i < path.v.size(); ++i) {
            straight.v.push_back({m.apply(path.v[i].p), 0});
            if (!path.closed && i + 1 == path.v.size())
                break;
            const PathSegment s = segmentOf(path, i);
            if (!s.isArc())
                continue;
            const ArcGeometry g = arcOf(s);
            const double step = 2 * std::acos(1 - std::min(tolerance / g.radius, 1.0));
            const int steps = static_cast<int>(
                std::clamp(std::ceil(std::abs(g.sweep) / std::max(step, 1e-6)), 1.0, 256.0));
            for (int k = 1; k < steps; ++k)
                straight.v.push_back({m.apply(pointAt(s, double(k) / steps)), 0});
        }
        out.push_back(Curve{std::move(straight)});
    };
    switch (e.type) {
    case EntityType::Sector: {
        const ArcData& a = d.sectors[e.first];
        add(Curve{a});
        const double r = std::abs(a.radius);
        add(Curve{LineData{a.centre, onCircle(a.centre, r, a.startAngle)}});
        add(Curve{LineData{a.centre, onCircle(a.centre, r, a.endAngle)}});
        return;
    }
    case EntityType::Insert: {
        const InsertData& in = d.inserts[e.first];
        if (depth >= kMaxDepth || in.block < 0 ||
            static_cast<std::size_t>(in.block) >= d.blocks.size())
            return;
        const Block& b = d.blocks[static_cast<std::size_t>(in.block)];
        const Affine inner =
            m.after(Affine::insertion(in.p, in.angle, in.scaleX, in.scaleY, b.base));
        for (const std::uint32_t h : b.entities)
            placedEdges(d, static_cast<int>(h), inner, false, &e, depth + 1, out);
        return;
    }
    default:
        if (auto c = curveOf(d, handle))
            add(*c);
        return;
    }
}

} // namespace

void edgeCurves(const Drawing& d, int handle, std::vector<Curve>& out) {
    placedEdges(d, handle, Affine{}, true, nullptr, 0, out);
}

namespace {

// Gives a new entity the look of another: layer, line style, colour and width by layer or its
// own, and the fill of a closed shape.
void takeLook(DrawingWriter& w, int made, std::uint32_t like, bool closed) {
    const Drawing& d = w.drawing();
    const Entity source = d.entities[like];
    const OwnStyle own = d.ownStyle(like);
    EntityChange c = w.change(static_cast<std::uint32_t>(made));
    Entity& e = c.record();
    e.layer = source.layer;
    e.lineStyle = source.lineStyle;
    constexpr std::uint8_t look = EntityFlag::ColorByLayer | EntityFlag::WidthByLayer;
    e.flags = static_cast<std::uint8_t>((e.flags & ~look) | (source.flags & look));
    e.set(EntityFlag::Filled, closed && source.has(EntityFlag::Filled) && canBeFilled(e.type));
    if (own != OwnStyle{})
        c.setOwnStyle(own);
}

} // namespace

int addCurveLike(DrawingWriter& w, const Curve& c, std::uint32_t like) {
    const int made = std::visit(
        [&](const auto& k) -> int {
            using T = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<T, LineData>)
                return w.addLine(k);
            else if constexpr (std::is_same_v<T, ArcData>)
                return sweepDegrees(k.startAngle, k.endAngle) >= 360
                           ? w.addCircle({k.centre, k.radius})
                           : w.addArc(k);
            else if constexpr (std::is_same_v<T, CircleData>)
                return w.addCircle(k);
            else if constexpr (std::is_same_v<T, EllipseData>)
                return w.addEllipse(k);
            else if constexpr (std::is_same_v<T, SplineData>)
                return w.addSpline(k.fit, k.closed);
            else
                return w.addPolyline(pathPoints(k), pathBulges(k), k.closed);
        },
        c);
    takeLook(w, made, like, isClosed(c));
    return made;
}

int replaceWithCurve(DrawingWriter& w, std::uint32_t handle, const Curve& c) {
    const Drawing& d = w.drawing();
    const EntityType type = d.entities[handle].type;
    const bool closed = isClosed(c);
    const auto inPlace = [&](auto change) {
        EntityChange ch = w.change(handle);
        change(ch);
        if (!closed)
            ch.record().set(EntityFlag::Filled, false);
        return static_cast<int>(handle);
    };
    if (type == EntityType::Line && std::holds_alternative<LineData>(c))
        return inPlace([&](EntityChange& ch) { ch.line() = std::get<LineData>(c); });
    if (type == EntityType::Arc && std::holds_alternative<ArcData>(c) && !closed)
        return inPlace([&](EntityChange& ch) { ch.arc() = std::get<ArcData>(c); });
    if (type == EntityType::Circle && std::holds_alternative<CircleData>(c))
        return inPlace([&](EntityChange& ch) { ch.circle() = std::get<CircleData>(c); });
    if (type == EntityType::Ellipse && std::holds_alternative<EllipseData>(c))
        return inPlace([&](EntityChange& ch) { ch.ellipse() = std::get<EllipseData>(c); });
    if (type == EntityType::Spline && std::holds_alternative<SplineData>(c))
        return inPlace([&](EntityChange& ch) {
            const SplineData& s = std::get<SplineData>(c);
            ch.setVertices(s.fit);
            ch.record().set(EntityFlag::Closed, s.closed);
        });
    if (type == EntityType::Polyline && std::holds_alternative<Path>(c))
        return inPlace([&](EntityChange& ch) {
            const Path& p = std::get<Path>(c);
            ch.setPolyline(pathPoints(p), pathBulges(p));
            ch.record().set(EntityFlag::Closed, p.closed);
            ch.record().fit = 0;
        });
    const int made = addCurveLike(w, c, handle);
    w.erase(handle);
    return made;
}

} // namespace cad
