// The active document into PDF, PNG and SVG files, through the printing and rendering paths the
// window and the print command use.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/render/Picture.h"
#include "engine/ui/Printing.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>

namespace cad {
namespace {

QString pathOf(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
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
    if (!d || !sensiblePictureSize(width, height))
        return 0;
    const QImage image = pictureOf(*d, width, height);
    QImageWriter writer(pathOf(path), "png");
    return writer.write(image) ? 1 : 0;
}

int cadExportSvg(std::string_view path, int width, int height) {
    const Drawing* d = activeDrawing();
    if (!d || !sensiblePictureSize(width, height))
        return 0;
    QFile file(pathOf(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    const bool written = writeSvg(*d, width, height, file);
    file.close();
    return written && file.error() == QFileDevice::NoError ? 1 : 0;
}
