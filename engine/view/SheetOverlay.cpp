#include "engine/view/SheetOverlay.h"

#include "engine/model/PrintAreas.h"
#include "engine/render/Renderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <map>

namespace cad {

namespace {

constexpr double kGripPixels = 7;
constexpr double kNumberPixels = 13;

QPointF pixelOf(const View& v, Vec2 p) {
    return {v.widthPx / 2.0 + (p.x - v.centre.x) / v.unitsPerPixel,
            v.heightPx / 2.0 - (p.y - v.centre.y) / v.unitsPerPixel};
}

QPolygonF outline(const View& v, const PrintArea& a) {
    QPolygonF polygon;
    for (const Vec2 c : areaCorners(a))
        polygon << pixelOf(v, c);
    return polygon;
}

std::map<int, std::vector<int>>& picked() {
    static std::map<int, std::vector<int>> byDocument;
    return byDocument;
}

// The area's number inside its top left corner, turned with it.
void drawNumber(QPainter& p, const View& v, const PrintArea& a, int number, const QColor& colour) {
    const double w = a.width / v.unitsPerPixel, h = a.height / v.unitsPerPixel;
    if (w < 3 * kNumberPixels || h < 2 * kNumberPixels)
        return; // too small on screen to hold it
    p.save();
    p.translate(pixelOf(v, fromAreaFrame(a, {-a.width / 2, a.height / 2})));
    p.rotate(-a.angleDegrees);
    QFont font = p.font();
    font.setPixelSize(static_cast<int>(kNumberPixels));
    font.setBold(true);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    p.setPen(colour);
    p.drawText(QPointF(4, 3 + metrics.ascent()), QString::number(number));
    p.restore();
}

} // namespace

void paintPrintAreas(QPainter& p, const Document& document, const View& view, bool grips) {
    const Drawing& d = document.drawing();
    if (!d.settings.sheets.shown || d.printAreas.empty() || !(view.unitsPerPixel > 0))
        return;
    const QColor colour = toQColor(d.settings.sheets.frameColor);
    const Rect shown = view.rect();
    const std::vector<int>& bold = areasPicked(document.handle);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < d.printAreas.size(); ++i) {
        const PrintArea& a = d.printAreas[i];
        if (!areaBox(a).intersects(shown))
            continue;
        const bool isPicked =
            std::find(bold.begin(), bold.end(), static_cast<int>(i)) != bold.end();
        p.setPen(QPen(colour, isPicked ? 3 : 1.5));
        p.drawPolygon(outline(view, a));
        drawNumber(p, view, a, static_cast<int>(i) + 1, colour);
        if (!grips)
            continue;
        p.setPen(QPen(colour, 1));
        for (const Vec2 g : areaGrips(a)) {
            const QPointF at = pixelOf(view, g);
            p.drawRect(QRectF(at.x() - kGripPixels / 2, at.y() - kGripPixels / 2, kGripPixels,
                              kGripPixels));
        }
    }
    p.restore();
}

void paintAreaPreview(QPainter& p, const Document& document, const View& view,
                      const PrintArea& area) {
    if (!(view.unitsPerPixel > 0))
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(toQColor(document.drawing().settings.sheets.frameColor), 1.5, Qt::DashLine));
    p.drawPolygon(outline(view, area));
    p.restore();
}

std::optional<AreaGrip> areaGripAt(const Document& document, Vec2 p, double reach) {
    const Drawing& d = document.drawing();
    if (!d.settings.sheets.shown)
        return std::nullopt;
    std::optional<AreaGrip> best;
    double nearest = reach;
    for (std::size_t i = 0; i < d.printAreas.size(); ++i) {
        const auto grips = areaGrips(d.printAreas[i]);
        for (int k = 0; k < 5; ++k) {
            // Each grip is a square on the screen: the reach holds in x and in y.
            const double away = std::max(std::abs(grips[k].x - p.x), std::abs(grips[k].y - p.y));
            if (away <= nearest) {
                nearest = away;
                best = AreaGrip{static_cast<int>(i), k - 1};
            }
        }
    }
    return best;
}

void setAreasPicked(int document, std::vector<int> areas) {
    if (areas.empty())
        picked().erase(document);
    else
        picked()[document] = std::move(areas);
}

const std::vector<int>& areasPicked(int document) {
    static const std::vector<int> none;
    const auto it = picked().find(document);
    return it == picked().end() ? none : it->second;
}

} // namespace cad
