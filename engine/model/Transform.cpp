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

void transformText(EntityChange& c, const Similarity& s) {
    TextData& t = c.text();
    t.p = s.apply(t.p);
    TextParams p = c.drawing().paramsOf(t);
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
    c.setTextParams(p);
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

void transformHatch(EntityChange& c, const Similarity& s) {
    for (Vec2& v : c.vertices())
        v = s.apply(v);
    // The pattern goes with the boundary: its origin moves, and a mirror mirrors the
    // pattern's own line directions too (each family's angle, not only the overall one).
    HatchData& h = c.hatch();
    h.origin = s.apply(h.origin);
    h.scale *= s.scale;
    h.angle = std::fmod(s.angle(h.angle), 360.0);
    if (s.mirror)
        h.mirrored = h.mirrored ? 0 : 1;
}

} // namespace

void transformEntity(EntityChange& c, const Similarity& s) {
    switch (c.type()) {
    case EntityType::Point:
        c.point().p = s.apply(c.point().p);
        break;
    case EntityType::Line:
        c.line().a = s.apply(c.line().a);
        c.line().b = s.apply(c.line().b);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: // the curve through the fit points moved is the curve moved
        for (Vec2& v : c.vertices())
            v = s.apply(v);
        if (s.mirror) { // a mirrored arc turns the other way round
            BulgeRef bulges = c.bulges();
            for (std::uint32_t i = 0; i < bulges.size(); ++i)
                bulges.set(i, -bulges[i]);
        }
        break;
    case EntityType::Circle:
        c.circle().centre = s.apply(c.circle().centre);
        c.circle().radius *= s.scale;
        break;
    case EntityType::Arc:
    case EntityType::Sector:
        transformArc(c.arc(), s);
        break;
    case EntityType::Ellipse: {
        EllipseData& el = c.ellipse();
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
        RectangleData& r = c.rectangle();
        r.centre = s.apply(r.centre);
        r.width *= s.scale;
        r.height *= s.scale;
        r.rotation = std::fmod(s.angle(r.rotation), 360.0);
        break;
    }
    case EntityType::Insert: {
        InsertData& in = c.insert();
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
        transformText(c, s);
        break;
    case EntityType::Hatch:
        transformHatch(c, s);
        break;
    case EntityType::Image: {
        // Pictures stand upright: their middle goes where the map takes it, their size grows
        // with the scale.
        ImageData& im = c.image();
        const Vec2 middle = s.apply({im.p.x + im.width / 2, im.p.y + im.height / 2});
        im.width *= s.scale;
        im.height *= s.scale;
        im.p = {middle.x - im.width / 2, middle.y - im.height / 2};
        break;
    }
    case EntityType::Dimension: {
        // It measures what it measured, its text still reads from left to right; a point
        // tied to a circle keeps its direction on it.
        DimensionRecord& r = c.dimension();
        const DimensionData moved = transformed(dimensionData(r, {}), s);
        r.points = moved.points;
        r.rotation = moved.rotation;
        if (moved.textPosition)
            r.textPosition = *moved.textPosition;
        for (PointTie& t : r.ties)
            if (t.kind == TieKind::OnCircle || t.kind == TieKind::OnArc)
                t.parameter = std::fmod(s.angle(t.parameter), 360.0);
        break;
    }
    }
}

void transformEntity(DrawingWriter& w, int handle, const Similarity& s) {
    if (!w.drawing().valid(handle))
        return;
    EntityChange c = w.change(static_cast<std::uint32_t>(handle));
    transformEntity(c, s);
}

int duplicateEntity(DrawingWriter& w, int handle) {
    return w.duplicate(handle);
}

} // namespace cad
