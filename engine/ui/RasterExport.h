// A window of the drawing (the view, or a window picked in it) written as a BMP or PNG picture
// at a chosen size or resolution, through the renderer the screen and the prints use.
#pragma once

#include "engine/model/Drawing.h"

#include <QSize>
#include <QString>

#include <optional>

namespace cad {

// The size in pixels of a window of the drawing as it stands on paper at the scale 1:N (in the
// drawing's units, `millimetresPerUnit` millimetres each) at `dpi` dots an inch; nothing when
// that is not a picture of a sensible size.
std::optional<QSize> rasterSize(const Rect& window, double scale, double millimetresPerUnit,
                                double dpi);

// Writes the window, fitted into width x height pixels on the drawing's background, to the
// file: a BMP when its name ends in ".bmp", else a PNG. Line widths and the picture's stated
// resolution follow `dpi` (96 when not positive). False when nothing could be written.
bool exportRaster(const Drawing& drawing, const Rect& window, int width, int height, double dpi,
                  const QString& path);

} // namespace cad
