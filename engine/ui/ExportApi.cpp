// The active document into PDF, PNG and SVG files, through the printing and rendering paths the
// window and the print command use.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Printing.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgGenerator>

namespace cad {
namespace {

QString pathOf(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

// The whole drawing fitted into width x height pixels, with a little room around it.
RenderView fittedView(const Drawing& d, int width, int height) {
    const Rect all = d.extents();
    if (all.empty())
        return RenderView::centredOn({0, 0}, 1, width, height);
    double perPixel = std::max(all.width() / width, all.height() / height) * 1.02;
    if (!(perPixel > 0))
        perPixel = 1;
    return RenderView::centredOn(all.centre(), perPixel, width, height);
}

void paint(QPainter& p, const Drawing& d, int width, int height) {
    p.fillRect(QRect(0, 0, width, height), toQColor(d.settings.background));
    p.setRenderHint(QPainter::Antialiasing, true);
    RenderOptions options;
    options.showSelection = false;
    options.showLineWidths = true;
    renderDrawing(p, d, fittedView(d, width, height), options);
}

bool sensibleSize(int width, int height) {
    return width > 0 && height > 0 && width <= 30000 && height <= 30000 &&
           static_cast<long long>(width) * height <= 400'000'000LL;
}

} // namespace
} // namespace cad

using namespace cad;

int cadExportPdf(std::string_view path, const CadPageOptions& o) {
    const Drawing* d = activeDrawing();
    if (!d || !(o.paperWidthMm > 0) || !(o.paperHeightMm > 0) || !(o.marginMm >= 0) ||
        2 * o.marginMm >= std::min(o.paperWidthMm, o.paperHeightMm) || !(o.unitsPerPaperMm >= 0))
        return 0;
    PrintSettings s;
    s.toPdf = true;
    s.pdfPath = pathOf(path);
    s.marginMm = o.marginMm;
    const double shortSide = std::min(o.paperWidthMm, o.paperHeightMm);
    const double longSide = std::max(o.paperWidthMm, o.paperHeightMm);
    s.pageSize = QPageSize(QSizeF(shortSide, longSide), QPageSize::Millimeter);
    const Rect all = d->extents();
    s.orientation =
        !all.empty() && all.width() > all.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (o.unitsPerPaperMm > 0) {
        s.fitToPage = false;
        s.scale = o.unitsPerPaperMm * millimetresPerUnit(d->settings.units);
        s.tiles = true;
    }
    return printToPdf(*d, s, s.pdfPath) ? 1 : 0;
}

int cadExportPng(std::string_view path, int width, int height) {
    const Drawing* d = activeDrawing();
    if (!d || !sensibleSize(width, height))
        return 0;
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter p(&image);
        paint(p, *d, width, height);
    }
    QImageWriter writer(pathOf(path), "png");
    return writer.write(image) ? 1 : 0;
}

int cadExportSvg(std::string_view path, int width, int height) {
    const Drawing* d = activeDrawing();
    if (!d || !sensibleSize(width, height))
        return 0;
    QSvgGenerator svg;
    svg.setFileName(pathOf(path));
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("KWL_Edytor"));
    QPainter p;
    if (!p.begin(&svg))
        return 0;
    paint(p, *d, width, height);
    return p.end() ? 1 : 0;
}
