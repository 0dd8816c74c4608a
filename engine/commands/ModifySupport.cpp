#include "engine/commands/ModifySupport.h"

#include "engine/model/EntityCurves.h"
#include "engine/model/Outline.h"
#include "engine/model/Picking.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace cad {

int pointedEntity(const Drawing& d, const CommandHost& host, Vec2 p,
                  const std::function<bool(const Drawing&, int)>& accepts) {
    const double reach = DrawingWindow::kPickPixels * host.pixelSize();
    return nearestEntity(d, p, reach, [&](int h) {
        return accepts(d, h) ? distanceTo(d, h, p, reach / 8)
                             : std::numeric_limits<double>::infinity();
    });
}

bool isCurveEntity(const Drawing& d, int handle) {
    if (!d.valid(handle))
        return false;
    switch (d.entities[static_cast<std::size_t>(handle)].type) {
    case EntityType::Line:
    case EntityType::Arc:
    case EntityType::Circle:
    case EntityType::Ellipse:
    case EntityType::Spline:
    case EntityType::Polyline:
    case EntityType::Rectangle:
        return true;
    default:
        return false;
    }
}

void drawCurve(ShapeSink& sink, const Curve& c) {
    std::visit(
        [&](const auto& k) {
            using T = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<T, LineData>)
                sink.line(k.a, k.b);
            else if constexpr (std::is_same_v<T, ArcData>)
                sink.arc(k);
            else if constexpr (std::is_same_v<T, CircleData>)
                sink.circle(k);
            else if constexpr (std::is_same_v<T, EllipseData>)
                sink.ellipse(k);
            else if constexpr (std::is_same_v<T, SplineData>)
                sink.spline(k.fit, k.closed);
            else
                sink.bulgedPolyline(pathPoints(k), pathBulges(k), k.closed);
        },
        c);
}

void paintCurves(QPainter& p, CommandHost& host, const Document& d, const std::vector<Curve>& c) {
    PreviewSink sink(p, host, d, kResultColor);
    for (const Curve& curve : c)
        drawCurve(sink, curve);
}

void paintPicked(QPainter& p, const CommandHost& host, const Drawing& d, int handle) {
    if (!d.valid(handle))
        return;
    Outline o;
    outlineOf(d, handle, host.pixelSize() / 4, o);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(kResultColor, 2, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const Outline::Path& path : o.paths) {
        QPolygonF polygon;
        for (const Vec2 v : o.pointsOf(path))
            polygon << host.toPixel(v);
        if (path.closed)
            p.drawPolygon(polygon);
        else
            p.drawPolyline(polygon);
    }
    p.restore();
}

int refusalText(Refusal r) {
    switch (r) {
    case Refusal::None:
        return 0;
    case Refusal::NotFinite:
        return 18661;
    case Refusal::ZeroDistance:
        return 18662;
    case Refusal::Vanishes:
        return 18663;
    case Refusal::NoIntersection:
        return 18664;
    case Refusal::NeedsTwoCuts:
        return 18665;
    case Refusal::ClosedCurve:
        return 18666;
    case Refusal::OpenPathEnd:
        return 18667;
    case Refusal::NotACorner:
        return 18668;
    case Refusal::Parallel:
        return 18669;
    case Refusal::RadiusTooLarge:
        return 18670;
    case Refusal::NegativeValue:
        return 18671;
    case Refusal::TooShort:
        return 18672;
    case Refusal::TooLong:
        return 18673;
    case Refusal::Unsupported:
        return 18674;
    case Refusal::BreakOutside:
        return 18675;
    case Refusal::Gap:
        return 18676;
    case Refusal::TooMany:
        return 18677;
    case Refusal::NotAtEnd:
        return 18678;
    case Refusal::EmptyInput:
        return 18679;
    }
    return 18674;
}

void tellRefusal(Refusal r) {
    if (r != Refusal::None)
        engine().notice(engine().text(refusalText(r)));
}

namespace {

// Adds the entities whose boxes meet `area` to `out`.
void queried(const Drawing& d, Rect area, double grow, std::vector<std::uint32_t>& found,
             std::vector<std::uint32_t>& out) {
    if (area.empty())
        return;
    area.add(area.left - grow, area.bottom - grow);
    area.add(area.right + grow, area.top + grow);
    found.clear();
    d.query(area, found);
    out.insert(out.end(), found.begin(), found.end());
}

} // namespace

void edgesNear(const Drawing& d, const Curve& c, int except, double grow, std::vector<Curve>& out) {
    const Rect whole = curveBox(c);
    const double size = std::max(std::hypot(whole.width(), whole.height()), 1e-12);
    // Pieces about a sixty-fourth of the curve, more where its segments are longer.
    const double piece = size / 64;
    const Path path = pathApproximation(c, size * 1e-3);
    std::vector<std::uint32_t> found, handles;
    Rect gathered;
    for (std::size_t i = 0; i < path.segmentCount(); ++i) {
        const PathSegment s = segmentOf(path, i);
        const double length = segmentLength(s);
        const int parts = static_cast<int>(std::clamp(std::ceil(length / piece), 1.0, 256.0));
        for (int k = 0; k < parts; ++k) {
            const Rect b =
                box(parts == 1 ? s : subSegment(s, double(k) / parts, double(k + 1) / parts));
            Rect joined = gathered;
            joined.add(b);
            if (!gathered.empty() && std::hypot(joined.width(), joined.height()) > piece) {
                queried(d, gathered, grow, found, handles);
                gathered = b;
            } else {
                gathered = joined;
            }
        }
    }
    if (path.segmentCount() == 0)
        gathered = whole;
    queried(d, gathered, grow, found, handles);
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    edgesOf(d, handles, except, out);
}

void edgesOf(const Drawing& d, const std::vector<std::uint32_t>& handles, int except,
             std::vector<Curve>& out) {
    for (const std::uint32_t h : handles)
        if (static_cast<int>(h) != except && d.inModelSpace(static_cast<int>(h)))
            edgeCurves(d, static_cast<int>(h), out);
}

bool usableValue(double v) {
    return std::isfinite(v) && v >= 0;
}

} // namespace cad
