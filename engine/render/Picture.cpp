#include "engine/render/Picture.h"

#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace cad {

bool sensiblePictureSize(int width, int height) {
    return width > 0 && height > 0 && width <= 30000 && height <= 30000 &&
           static_cast<long long>(width) * height <= 400'000'000LL;
}

RenderView fittedView(const Drawing& d, int width, int height) {
    const Rect all = d.extents();
    if (all.empty())
        return RenderView::centredOn({0, 0}, 1, width, height);
    double perPixel = std::max(all.width() / width, all.height() / height) * 1.02;
    if (!(perPixel > 0))
        perPixel = 1;
    return RenderView::centredOn(all.centre(), perPixel, width, height);
}

RenderView windowView(const Rect& window, int width, int height) {
    if (window.empty())
        return RenderView::centredOn({0, 0}, 1, width, height);
    double perPixel = std::max(window.width() / width, window.height() / height);
    if (!(perPixel > 0) || !std::isfinite(perPixel))
        perPixel = 1;
    return RenderView::centredOn(window.centre(), perPixel, width, height);
}

void paintView(QPainter& p, const Drawing& d, const RenderView& view, int width, int height,
               double pixelsPerMm) {
    p.fillRect(QRect(0, 0, width, height), toQColor(d.settings.background));
    p.setRenderHint(QPainter::Antialiasing, true);
    RenderOptions options;
    options.showSelection = false;
    options.showLineWidths = true;
    if (pixelsPerMm > 0 && std::isfinite(pixelsPerMm))
        options.pixelsPerMm = pixelsPerMm;
    renderDrawing(p, d, view, options);
}

void paintFitted(QPainter& p, const Drawing& d, int width, int height) {
    paintView(p, d, fittedView(d, width, height), width, height);
}

QImage pictureOf(const Drawing& d, int width, int height) {
    if (!sensiblePictureSize(width, height))
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    paintFitted(p, d, width, height);
    return image;
}

QImage pictureOfWindow(const Drawing& d, const Rect& window, int width, int height, double dpi) {
    if (!sensiblePictureSize(width, height))
        return {};
    if (!(dpi > 0) || !std::isfinite(dpi))
        dpi = 96;
    QImage image(width, height, QImage::Format_RGB32);
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QPainter p(&image);
    paintView(p, d, windowView(window, width, height), width, height, dpi / 25.4);
    return image;
}

bool writeSvg(const Drawing& d, int width, int height, QIODevice& device) {
    if (!sensiblePictureSize(width, height))
        return false;
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("KWL_Edytor"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    paintFitted(p, d, width, height);
    return p.end();
}

QSize pictureSize(const Drawing& d, int longSide) {
    const Rect all = d.extents();
    if (all.empty() || !(all.width() > 0 || all.height() > 0))
        return {longSide, longSide};
    const double w = std::max(all.width(), 1e-9), h = std::max(all.height(), 1e-9);
    const double k = longSide / std::max(w, h);
    return {std::clamp(static_cast<int>(std::lround(w * k)), 16, longSide),
            std::clamp(static_cast<int>(std::lround(h * k)), 16, longSide)};
}

} // namespace cad
