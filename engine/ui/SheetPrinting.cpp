#include "engine/ui/SheetPrinting.h"

#include "engine/Engine.h"
#include "engine/render/Renderer.h"
#include "engine/ui/QtResponder.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace cad {

namespace {

constexpr double kMatchLineMm = 0.35;
constexpr double kMatchLabelMm = 3;
constexpr double kSheetLabelMm = 4;

// The part of the segment inside the rectangle (Liang-Barsky); nothing when none is.
std::optional<QLineF> clipped(QPointF a, QPointF b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (!(t0 < t1))
            return std::nullopt;
    }
    return QLineF(a.x() + t0 * dx, a.y() + t0 * dy, a.x() + t1 * dx, a.y() + t1 * dy);
}

// Whether a segment runs along an edge of the rectangle (a neighbour's edge that meets the
// sheet's own edge is no line inside it).
bool onEdge(const QLineF& l, const QRectF& r, double tolerance) {
    const auto near = [&](double u, double v) { return std::abs(u - v) <= tolerance; };
    return (near(l.x1(), r.left()) && near(l.x2(), r.left())) ||
           (near(l.x1(), r.right()) && near(l.x2(), r.right())) ||
           (near(l.y1(), r.top()) && near(l.y2(), r.top())) ||
           (near(l.y1(), r.bottom()) && near(l.y2(), r.bottom()));
}

QFont labelFont(double heightPx) {
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(heightPx))));
    return font;
}

// A text in a white box with a thin frame, centred on a point, kept inside `inside`.
void boxedLabel(QPainter& p, const QString& text, QPointF centre, double heightPx,
                const QRectF& inside) {
    p.setFont(labelFont(heightPx));
    const QFontMetricsF fm(p.font());
    const double pad = heightPx * 0.3;
    QRectF box(0, 0, fm.horizontalAdvance(text) + 2 * pad, fm.height() + 2 * pad);
    box.moveCenter(centre);
    box.moveLeft(std::clamp(box.left(), inside.left(),
                            std::max(inside.left(), inside.right() - box.width())));
    box.moveTop(std::clamp(box.top(), inside.top(),
                           std::max(inside.top(), inside.bottom() - box.height())));
    p.setPen(QPen(Qt::black, std::max(1.0, heightPx / 20)));
    p.setBrush(Qt::white);
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    p.drawText(box, Qt::AlignCenter, text);
}

// The edges of the other areas inside the sheet, each area's with its number beside its
// longest piece, on its side.
void drawMatchLines(QPainter& p, const RenderView& view, std::span<const PrintArea> areas,
                    std::size_t sheet, const QRectF& inside, double pixelsPerMm) {
    const Rect own = areaBox(areas[sheet]);
    QPen pen(Qt::black, kMatchLineMm * pixelsPerMm);
    pen.setDashPattern({12, 3, 1, 3});
    pen.setCapStyle(Qt::FlatCap);
    for (std::size_t j = 0; j < areas.size(); ++j) {
        if (j == sheet || !areaBox(areas[j]).intersects(own))
            continue;
        const auto corners = areaCorners(areas[j]);
        std::optional<QLineF> longest;
        p.setPen(pen);
        for (std::size_t k = 0; k < 4; ++k) {
            const Vec2 a = view.toDevice.apply(corners[k]);
            const Vec2 b = view.toDevice.apply(corners[(k + 1) % 4]);
            const auto piece = clipped({a.x, a.y}, {b.x, b.y}, inside);
            if (!piece || onEdge(*piece, inside, 0.5) || piece->length() < 1)
                continue;
            p.drawLine(*piece);
            if (!longest || piece->length() > longest->length())
                longest = piece;
        }
        if (!longest)
            continue;
        // Beside the middle of the line, towards the other sheet's centre.
        const Vec2 c = view.toDevice.apply(areas[j].centre);
        const QPointF middle = longest->center();
        QPointF normal(-longest->dy(), longest->dx());
        normal /= std::max(1e-9, std::hypot(normal.x(), normal.y()));
        if ((c.x - middle.x()) * normal.x() + (c.y - middle.y()) * normal.y() < 0)
            normal = -normal;
        const double heightPx = kMatchLabelMm * pixelsPerMm;
        const QString text =
            fromEngineText(formatText(engine().text(16037), {static_cast<int>(j) + 1}));
        boxedLabel(p, text, middle + normal * (2 * heightPx), heightPx, inside);
    }
}

// "Arkusz N z M" in the bottom right corner of the sheet.
void drawSheetLabel(QPainter& p, std::size_t sheet, std::size_t count, const QRectF& inside,
                    double pixelsPerMm) {
    const QString text = fromEngineText(
        formatText(engine().text(16036), {static_cast<int>(sheet) + 1, static_cast<int>(count)}));
    const double heightPx = kSheetLabelMm * pixelsPerMm;
    // Pushed into the corner by the clamping to the sheet.
    boxedLabel(p, text, inside.bottomRight(), heightPx, inside);
}

// Draws one area on the current page of the device.
void paintSheet(QPainter& painter, const QPagedPaintDevice& device, const Drawing& drawing,
                std::span<const PrintArea> areas, std::size_t sheet,
                const SheetPrintOptions& options, double unitsPerPaperMm) {
    const int width = device.width(), height = device.height();
    const double pixelsPerMm = device.logicalDpiX() / 25.4;
    if (width <= 0 || height <= 0 || !(pixelsPerMm > 0))
        return;
    const PrintArea& area = areas[sheet];
    const double unitsPerPixel = unitsPerPaperMm / pixelsPerMm;
    const RenderView page =
        RenderView::turned(area.centre, unitsPerPixel, area.angleDegrees, width, height);
    const double w = area.width / unitsPerPixel, h = area.height / unitsPerPixel;
    const QRectF inside =
        QRectF(width / 2.0 - w / 2, height / 2.0 - h / 2, w, h) & QRectF(0, 0, width, height);
    if (inside.isEmpty())
        return;
    RenderView view = page;
    view.clipPx = Rect{inside.left(), inside.top(), inside.right(), inside.bottom()};
    RenderOptions render;
    render.printing = true;
    render.pixelsPerMm = pixelsPerMm;
    render.showLineWidths = true;
    render.showSelection = false;
    render.fillOutlinesOnly = false;
    // At the sheets' scale: dimensions as large on paper as their style says, as at any scale.
    render.dimensionUnitsPerPaperMm = unitsPerPaperMm;
    painter.save();
    painter.setClipRect(inside);
    painter.setRenderHint(QPainter::Antialiasing, true);
    renderDrawing(painter, drawing, view, render);
    if (options.matchLines)
        drawMatchLines(painter, view, areas, sheet, inside, pixelsPerMm);
    if (options.sheetLabels)
        drawSheetLabel(painter, sheet, areas.size(), inside, pixelsPerMm);
    painter.restore();
}

} // namespace

QPageLayout sheetPageLayout(const PrintArea& area, const SheetPaper& paper) {
    SheetPaper p = paper;
    p.landscape = area.width > area.height;
    const SizeMm upright = uprightPaperMm(p);
    const QSizeF size(std::min(upright.width, upright.height),
                      std::max(upright.width, upright.height));
    const auto named = [&]() -> std::optional<QPageSize::PageSizeId> {
        switch (p.size) {
        case PaperSize::A4:
            return QPageSize::A4;
        case PaperSize::A3:
            return QPageSize::A3;
        case PaperSize::A2:
            return QPageSize::A2;
        case PaperSize::A1:
            return QPageSize::A1;
        case PaperSize::A0:
            return QPageSize::A0;
        case PaperSize::Custom:
            break;
        }
        return std::nullopt;
    }();
    const QPageSize pageSize = named ? QPageSize(*named) : QPageSize(size, QPageSize::Millimeter);
    return QPageLayout(pageSize, p.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(p.marginLeftMm, p.marginTopMm, p.marginRightMm, p.marginBottomMm),
                       QPageLayout::Millimeter);
}

bool printSheets(const Drawing& drawing, std::span<const PrintArea> areas,
                 std::span<const int> which, const SheetPrintOptions& options,
                 QPagedPaintDevice& device) {
    std::vector<std::size_t> sheets;
    if (which.empty()) {
        for (std::size_t i = 0; i < areas.size(); ++i)
            sheets.push_back(i);
    } else {
        for (const int i : which)
            if (i >= 0 && static_cast<std::size_t>(i) < areas.size())
                sheets.push_back(static_cast<std::size_t>(i));
    }
    const double mmPerUnit = millimetresPerUnit(drawing.settings.units);
    if (sheets.empty() || !(options.scale > 0) || !std::isfinite(options.scale) ||
        !printableMm(options.paper))
        return false;
    const double unitsPerPaperMm = options.scale / mmPerUnit;
    // Each page takes its layout before it begins.
    if (!device.setPageLayout(sheetPageLayout(areas[sheets.front()], options.paper)))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        if (k > 0) {
            device.setPageLayout(sheetPageLayout(areas[sheets[k]], options.paper));
            if (!device.newPage())
                return false;
        }
        paintSheet(painter, device, drawing, areas, sheets[k], options, unitsPerPaperMm);
    }
    return painter.end();
}

bool printSheetsToPdf(const Drawing& drawing, std::span<const PrintArea> areas,
                      std::span<const int> which, const SheetPrintOptions& options,
                      const QString& path) {
    {
        QPdfWriter writer(path);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("KWL_Edytor"));
        if (!printSheets(drawing, areas, which, options, writer))
            return false;
    }
    const QFileInfo file(path);
    return file.exists() && file.size() > 0;
}

std::optional<double> fittingScale(const Drawing& drawing, const Rect& window,
                                   const SheetPaper& paper) {
    if (window.empty() || !(window.width() > 0 || window.height() > 0))
        return std::nullopt;
    SheetPaper p = paper;
    p.landscape = window.width() > window.height();
    const auto inside = printableMm(p);
    if (!inside)
        return std::nullopt;
    const double unitsPerMm =
        std::max(window.width() / inside->width, window.height() / inside->height);
    const double scale = unitsPerMm * millimetresPerUnit(drawing.settings.units);
    if (!(scale > 0) || !std::isfinite(scale))
        return std::nullopt;
    return scale;
}

bool printWindowFitted(const Drawing& drawing, const Rect& window, const SheetPaper& paper,
                       QPagedPaintDevice& device) {
    const auto scale = fittingScale(drawing, window, paper);
    if (!scale)
        return false;
    const PrintArea area{window.centre(), window.width(), window.height(), 0};
    SheetPrintOptions options;
    options.paper = paper;
    options.scale = *scale;
    return printSheets(drawing, std::span(&area, 1), {}, options, device);
}

bool printWindowToPdf(const Drawing& drawing, const Rect& window, const SheetPaper& paper,
                      const QString& path) {
    const auto scale = fittingScale(drawing, window, paper);
    if (!scale)
        return false;
    const PrintArea area{window.centre(), window.width(), window.height(), 0};
    SheetPrintOptions options;
    options.paper = paper;
    options.scale = *scale;
    return printSheetsToPdf(drawing, std::span(&area, 1), {}, options, path);
}

} // namespace cad
