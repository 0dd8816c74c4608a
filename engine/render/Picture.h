// The whole drawing as a picture: fitted into a size in pixels on its background, the way the
// PNG and SVG exports and the clipboard show it.
#pragma once

#include "engine/model/Drawing.h"
#include "engine/render/Renderer.h"

#include <QByteArray>
#include <QImage>

class QPainter;
class QIODevice;

namespace cad {

// A size a picture may have: positive, at most 30000 pixels a side and 400 M pixels in all.
bool sensiblePictureSize(int width, int height);
// The view that shows the whole drawing in width x height pixels, with a little room around it.
RenderView fittedView(const Drawing& d, int width, int height);
// The view that shows a window of the drawing (drawing units) in width x height pixels, as large
// as it fits, centred.
RenderView windowView(const Rect& window, int width, int height);
// Paints the drawing's background and the drawing through the view into width x height
// pixels, line widths at `pixelsPerMm` pixels a millimetre of paper.
void paintView(QPainter& p, const Drawing& d, const RenderView& view, int width, int height,
               double pixelsPerMm = 96.0 / 25.4);
// Paints the drawing's background and the whole drawing into width x height pixels.
void paintFitted(QPainter& p, const Drawing& d, int width, int height);
// The drawing as an image; a null image for a size that is not sensible.
QImage pictureOf(const Drawing& d, int width, int height);
// A window of the drawing as an image, line widths and the image's resolution at `dpi` dots an
// inch (96 when not positive); a null image for a size that is not sensible.
QImage pictureOfWindow(const Drawing& d, const Rect& window, int width, int height, double dpi = 0);
// The drawing as SVG written to a device; false when it could not be written.
bool writeSvg(const Drawing& d, int width, int height, QIODevice& device);
// The size in pixels, at most `longSide` on its longer side, that keeps the proportions of the
// drawing's extents.
QSize pictureSize(const Drawing& d, int longSide);

} // namespace cad
