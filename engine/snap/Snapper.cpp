#include "engine/snap/Snapper.h"

#include "engine/model/PointTies.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace cad {

namespace {

// Which candidates go first whatever their distance: points of the entities, then lining up
// with the base point, then the nearest point of an entity, then the steps from the base
// point, then the grid.
int tier(SnapKind k) {
    switch (k) {
    case SnapKind::Tracking:
        return 1;
    case SnapKind::Nearest:
        return 2;
    case SnapKind::Polar:
        return 3;
    case SnapKind::Grid:
        return 4;
    default:
        return 0;
    }
}

bool enabled(const Drawing& d, const SnapQuery& q, SnapKind k) {
    if (k == SnapKind::Grid)
        return d.settings.gridSnap;
    return q.objects && q.settings.has(k);
}

} // namespace

SnapResult Snapper::snap(const Drawing& d, const SnapQuery& q) {
    SnapScene& s = scene_;
    s.cursor = q.cursor;
    const double perPixel =
        q.unitsPerPixel > 0 && std::isfinite(q.unitsPerPixel) ? q.unitsPerPixel : 0;
    s.aperture = perPixel * std::clamp(q.settings.aperture, kSmallestAperture, kLargestAperture);
    s.base = q.base;
    s.settings = &q.settings;
    s.drawing = &d.settings;
    s.shapes.clear();
    found_.clear();
    candidates_.clear();

    bool shapes = false;
    for (int i = 0; i < kSnapKinds; ++i) {
        const auto k = static_cast<SnapKind>(i);
        shapes = shapes || (enabled(d, q, k) && snapMode(k).needsShapes());
    }
    if (shapes && s.aperture > 0) {
        // One look at the index around the cursor; the modes work on what it found.
        Rect near;
        near.add(q.cursor.x - s.aperture, q.cursor.y - s.aperture);
        near.add(q.cursor.x + s.aperture, q.cursor.y + s.aperture);
        d.query(near, found_);
        for (const std::uint32_t h : found_)
            shapesOf(d, static_cast<int>(h), near, s.shapes);
    }
    for (int i = 0; i < kSnapKinds; ++i) {
        const auto k = static_cast<SnapKind>(i);
        if (enabled(d, q, k))
            snapMode(k).offer(s, candidates_);
    }
    const SnapCandidate* best = nullptr;
    for (const SnapCandidate& c : candidates_) {
        if (!std::isfinite(c.point.x) || !std::isfinite(c.point.y))
            continue;
        if (!best || std::tuple(tier(c.kind), c.distance, c.kind) <
                         std::tuple(tier(best->kind), best->distance, best->kind))
            best = &c;
    }
    if (!best)
        return {q.cursor, SnapKind::None, std::nullopt};
    return {best->point, best->kind, tieAt(d, found_, best->kind, best->point)};
}

void paintSnapMarker(QPainter& p, QPointF at, SnapKind kind, std::optional<QPointF> base) {
    if (kind == SnapKind::None)
        return;
    constexpr double r = 5; // half the marker's size, in pixels
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor color(255, 120, 0);
    if (kind == SnapKind::Tracking && base) {
        p.setPen(QPen(color, 1, Qt::DotLine));
        p.drawLine(*base, at);
    }
    p.setPen(QPen(color, 2));
    p.setBrush(Qt::NoBrush);
    const double x = at.x(), y = at.y();
    switch (kind) {
    case SnapKind::End:
        p.drawRect(QRectF(x - r, y - r, 2 * r, 2 * r));
        break;
    case SnapKind::Middle:
        p.drawPolygon(QPolygonF({QPointF(x - r, y + r), QPointF(x + r, y + r), QPointF(x, y - r)}));
        break;
    case SnapKind::Intersection:
    case SnapKind::Tracking:
        p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
        p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
        break;
    case SnapKind::Centre:
        p.drawEllipse(at, r, r);
        break;
    case SnapKind::Perpendicular:
        p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y + r));
        p.drawLine(QPointF(x - r, y + r), QPointF(x - r, y - r));
        p.drawPolyline(QPolygonF({QPointF(x - r, y), QPointF(x, y), QPointF(x, y + r)}));
        break;
    case SnapKind::Tangent:
        p.drawEllipse(at, r * 0.7, r * 0.7);
        p.drawLine(QPointF(x - r, y - r * 0.7), QPointF(x + r, y - r * 0.7));
        break;
    case SnapKind::Point:
        p.drawEllipse(at, r, r);
        p.drawLine(QPointF(x - r * 0.7, y - r * 0.7), QPointF(x + r * 0.7, y + r * 0.7));
        p.drawLine(QPointF(x - r * 0.7, y + r * 0.7), QPointF(x + r * 0.7, y - r * 0.7));
        break;
    case SnapKind::Nearest:
        p.drawPolygon(QPolygonF({QPointF(x - r, y - r), QPointF(x + r, y - r),
                                 QPointF(x - r, y + r), QPointF(x + r, y + r)}));
        break;
    case SnapKind::Grid:
        p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
        p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
        break;
    case SnapKind::Polar:
        p.drawPolygon(QPolygonF(
            {QPointF(x, y - r), QPointF(x + r, y), QPointF(x, y + r), QPointF(x - r, y)}));
        break;
    case SnapKind::None:
        break;
    }
    p.restore();
}

} // namespace cad
