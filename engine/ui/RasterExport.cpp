#include "engine/ui/RasterExport.h"

#include "engine/render/Picture.h"

#include <QFileInfo>
#include <QImageWriter>

#include <cmath>

namespace cad {

std::optional<QSize> rasterSize(const Rect& window, double scale, double millimetresPerUnit,
                                double dpi) {
    if (window.empty() || !(scale > 0) || !(millimetresPerUnit > 0) || !(dpi > 0))
        return std::nullopt;
    const double pixelsPerUnit = millimetresPerUnit / scale / 25.4 * dpi;
    const double w = std::round(window.width() * pixelsPerUnit);
    const double h = std::round(window.height() * pixelsPerUnit);
    if (!(w >= 1 && h >= 1 && w <= 30000 && h <= 30000))
        return std::nullopt;
    const QSize size(static_cast<int>(w), static_cast<int>(h));
    if (!sensiblePictureSize(size.width(), size.height()))
        return std::nullopt;
    return size;
}

bool exportRaster(const Drawing& drawing, const Rect& window, int width, int height, double dpi,
                  const QString& path) {
    if (window.empty() || !sensiblePictureSize(width, height))
        return false;
    const QImage image = pictureOfWindow(drawing, window, width, height, dpi);
    if (image.isNull())
        return false;
    const bool bmp =
        QFileInfo(path).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
    QImageWriter writer(path, bmp ? "bmp" : "png");
    return writer.write(image);
}

} // namespace cad
