#include "engine/model/Transform.h"

#include "engine/model/Construct.h"

#include <cmath>

namespace cad {

Similarity Similarity::translation(Vec2 by) {
    Similarity s;
    s.map = Affine::translation(by.x, by.y);
    return s;
}

Similarity Similarity::rotation(Vec2 centre, double degrees) {
    Similarity s;
    s.map = Affine::translation(centre.x, centre.y)
                .after(Affine::rotation(degrees))
                .after(Affine::translation(-centre.x, -centre.y));
    // Quarter turns are exact: four of them give back every coordinate.
    const double r = std::fmod(degrees, 360.0);
    if (std::fmod(r, 90.0) == 0) {
        const int q = static_cast<int>(((static_cast<long>(r / 90) % 4) + 4) % 4);
        const double c[] = {1, 0, -1, 0}, sn[] = {0, 1, 0, -1};
        s.map = {c[q],
                 sn[q],
                 -sn[q],
                 c[q],
                 centre.x - c[q] * centre.x + sn[q] * centre.y,
                 centre.y - sn[q] * centre.x - c[q] * centre.y};
    }
    s.turn = degrees;
    return s;
}

Similarity Similarity::scaling(Vec2 centre, double factor) {
    Similarity s;
    s.map = {factor, 0, 0, factor, centre.x * (1 - factor), centre.y * (1 - factor)};
    s.scale = std::abs(factor);
    return s;
}

Similarity Similarity::mirroring(Vec2 a, Vec2 b) {
    Similarity s;
    s.mirror = true;
    s.axis = directionDegrees(a, b);
    const double dx = b.x - a.x, dy = b.y - a.y, n = dx * dx + dy * dy;
    if (!(n > 0))
        return s; // no axis: nothing moves
    // Reflection: p' = a + 2 proj(p - a) - (p - a), with the projection onto the axis.
    const double c = (dx * dx - dy * dy) / n, sn = 2 * dx * dy / n;
    s.map = {c, sn, sn, -c, a.x - c * a.x - sn * a.y, a.y - sn * a.x + c * a.y};
    return s;
}

namespace {

void transformText(Drawing& d, const Entity& e, const Similarity& s) {
    TextData& t = d.texts[e.first];
    t.p = s.apply(t.p);
    TextParams p = d.paramsOf(t);
    p.height *= s.scale;
    if (!s.mirror) {
        p.rotation += s.turn;
    } else {
        // A mirrored text still reads from left to right: across an axis nearer the vertical
        // its baseline turns the other way round and its alignment changes sides; across one
        // nearer the horizontal it stays on its side and top and bottom change. The choice
        // goes by the axis alone, so that mirroring twice gives the text back.
        const double a = radians(s.axis);
        const int horizontal = p.align % 3, vertical = p.align / 3;
        if (std::abs(std::sin(a)) >= std::abs(std::cos(a))) {
            p.rotation = 2 * s.axis - p.rotation + 180;
            p.align = (2 - horizontal) + 3 * vertical;
        } else {
            p.rotation = 2 * s.axis - p.rotation;
            p.align = horizontal + 3 * (2 - vertical);
        }
    }
    // Kept within a turn, so that angles do not grow without end.
    p.rotation = std::fmod(p.rotation, 360.0);
    t.params = d.internParams(p);
}

void transformArc(ArcData& a, const Similarity& s) {
    a.centre = s.apply(a.centre);
    a.radius *= s.scale;
    if (!s.mirror) {
        a.startAngle = std::fmod(a.startAngle + s.turn, 360.0);
        a.endAngle = std::fmod(a.endAngle + s.turn, 360.0);
        return;
    }
    // The mirror turns its direction round: it still runs counter-clockwise, between the
    // mirrored ends the other way about.
    const double start = std::fmod(2 * s.axis - a.endAngle, 360.0);
    const double end = std::fmod(2 * s.axis - a.startAngle, 360.0);
    a.startAngle = start;
    a.endAngle = end;
}

} // namespace

void transformEntity(Drawing& d, int handle, const Similarity& s) {
    if (!d.valid(handle))
        return;
    const Entity& e = d.entities[static_cast<std::size_t>(handle)];
    switch (e.type) {
    case EntityType::Point:
        d.points[e.first].p = s.apply(d.points[e.first].p);
        break;
    case EntityType::Line:
        d.lines[e.first].a = s.apply(d.lines[e.first].a);
        d.lines[e.first].b = s.apply(d.lines[e.first].b);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: // the curve through the fit points moved is the curve moved
        for (std::uint32_t i = 0; i < e.count; ++i)
            d.vertices[e.first + i] = s.apply(d.vertices[e.first + i]);
        break;
    case EntityType::Circle:
        d.circles[e.first].centre = s.apply(d.circles[e.first].centre);
        d.circles[e.first].radius *= s.scale;
        break;
    case EntityType::Arc:
        transformArc(d.arcs[e.first], s);
        break;
    case EntityType::Sector:
        transformArc(d.sectors[e.first], s);
        break;
    case EntityType::Ellipse: {
        EllipseData& el = d.ellipses[e.first];
        el.centre = s.apply(el.centre);
        el.radiusX *= s.scale;
        el.radiusY *= s.scale;
        el.rotation = std::fmod(s.angle(el.rotation), 360.0);
        if (s.mirror) {
            // The parameter runs the other way round in the mirrored ellipse.
            const double start = -el.endAngle, end = -el.startAngle;
            el.startAngle = start;
            el.endAngle = end;
        }
        break;
    }
    case EntityType::Rectangle: {
        RectangleData& r = d.rectangles[e.first];
        r.centre = s.apply(r.centre);
        r.width *= s.scale;
        r.height *= s.scale;
        r.rotation = std::fmod(s.angle(r.rotation), 360.0);
        break;
    }
    case EntityType::Insert: {
        InsertData& in = d.inserts[e.first];
        in.p = s.apply(in.p);
        in.scaleX *= s.scale;
        in.scaleY *= s.scale;
        in.angle = std::fmod(s.angle(in.angle), 360.0);
        // A mirrored block is its block mirrored across its own x axis, then turned.
        if (s.mirror)
            in.scaleY = -in.scaleY;
        break;
    }
    case EntityType::Text:
        transformText(d, e, s);
        break;
    case EntityType::Hatch: {
        HatchData& h = d.hatches[e.first];
        for (std::uint32_t i = 0; i < e.count; ++i)
            d.vertices[h.firstVertex + i] = s.apply(d.vertices[h.firstVertex + i]);
        h.scale *= s.scale;
        h.angle = std::fmod(s.angle(h.angle), 360.0);
        break;
    }
    case EntityType::Image: {
        // Pictures stand upright: their middle goes where the map takes it, their size grows
        // with the scale.
        ImageData& im = d.images[e.first];
        const Vec2 middle = s.apply({im.p.x + im.width / 2, im.p.y + im.height / 2});
        im.width *= s.scale;
        im.height *= s.scale;
        im.p = {middle.x - im.width / 2, middle.y - im.height / 2};
        break;
    }
    }
}

int duplicateEntity(Drawing& d, int handle) {
    if (!d.valid(handle))
        return -1;
    Entity e = d.entities[static_cast<std::size_t>(handle)];
    e.set(EntityFlag::Selected, false);
    e.set(EntityFlag::InBlock, false);
    const auto last = [](const auto& table) {
        return static_cast<std::uint32_t>(table.size() - 1);
    };
    switch (e.type) {
    case EntityType::Point:
        d.points.push_back(d.points[e.first]);
        e.first = last(d.points);
        break;
    case EntityType::Line:
        d.lines.push_back(d.lines[e.first]);
        e.first = last(d.lines);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: {
        const std::size_t from = e.first;
        e.first = static_cast<std::uint32_t>(d.vertices.size());
        for (std::uint32_t i = 0; i < e.count; ++i)
            d.vertices.push_back(d.vertices[from + i]);
        break;
    }
    case EntityType::Circle:
        d.circles.push_back(d.circles[e.first]);
        e.first = last(d.circles);
        break;
    case EntityType::Arc:
        d.arcs.push_back(d.arcs[e.first]);
        e.first = last(d.arcs);
        break;
    case EntityType::Sector:
        d.sectors.push_back(d.sectors[e.first]);
        e.first = last(d.sectors);
        break;
    case EntityType::Ellipse:
        d.ellipses.push_back(d.ellipses[e.first]);
        e.first = last(d.ellipses);
        break;
    case EntityType::Rectangle:
        d.rectangles.push_back(d.rectangles[e.first]);
        e.first = last(d.rectangles);
        break;
    case EntityType::Insert:
        d.inserts.push_back(d.inserts[e.first]);
        e.first = last(d.inserts);
        break;
    case EntityType::Text:
        // Strings never change where they lie in the pool: the copy may share them.
        d.texts.push_back(d.texts[e.first]);
        e.first = last(d.texts);
        break;
    case EntityType::Hatch: {
        HatchData h = d.hatches[e.first];
        const std::uint64_t from = h.firstVertex;
        h.firstVertex = d.vertices.size();
        for (std::uint32_t i = 0; i < e.count; ++i)
            d.vertices.push_back(d.vertices[from + i]);
        const std::uint32_t firstLoop = h.firstLoop;
        h.firstLoop = static_cast<std::uint32_t>(d.hatchLoops.size());
        for (std::uint32_t i = 0; i < h.loopCount; ++i)
            d.hatchLoops.push_back(d.hatchLoops[firstLoop + i]);
        d.hatches.push_back(h);
        e.first = last(d.hatches);
        break;
    }
    case EntityType::Image:
        d.images.push_back(d.images[e.first]);
        e.first = last(d.images);
        break;
    }
    const OwnStyle own = d.ownStyle(static_cast<std::size_t>(handle));
    d.entities.push_back(e);
    const auto copy = d.entities.size() - 1;
    if (own != OwnStyle{})
        d.setOwnStyle(copy, own);
    d.touch();
    return static_cast<int>(copy);
}

} // namespace cad
