// Draws a drawing through a view onto any QPainter: the screen's cached image, a printer, a
// PDF, SVG or PNG file. Screen, print and export share this one path.
#pragma once

#include "engine/model/Affine.h"
#include "engine/model/Drawing.h"

#include <QColor>

#include <cstdint>
#include <vector>

class QPainter;

namespace cad {

struct RenderOptions {
    double pixelsPerMm = 96.0 / 25.4; // device pixels in a millimetre of paper (line widths)
    bool showLineWidths = true;       // false: every line one pixel wide
    bool fillOutlinesOnly = false;    // filled shapes drawn as outlines
    bool printing = false;            // leave out layers that are not printable
    bool showSelection = false;       // selected entities in the selection colour
    bool onlySelected = false;        // draw the selected entities alone
    QColor selectionColor = QColor(255, 0, 255);
    // Dimensions drawn at this many drawing units a millimetre of paper (a print at a scale of
    // its own); 0: at the drawing's print scale.
    double dimensionUnitsPerPaperMm = 0;
};

struct RenderView {
    Affine toDevice; // drawing units to device pixels
    int widthPx = 0; // the device area to fill
    int heightPx = 0;
    // When not empty, only this part of the device area is drawn.
    Rect clipPx;

    // The view that shows `world` (drawing units) centred in a device of that size, with
    // unitsPerPixel drawing units a pixel; y grows upwards in the drawing, downwards on devices.
    static RenderView centredOn(Vec2 centre, double unitsPerPixel, int widthPx, int heightPx);
    // The same turned so that the drawing's direction `angleDegrees` (counter-clockwise from
    // its x axis) runs to the right on the device.
    static RenderView turned(Vec2 centre, double unitsPerPixel, double angleDegrees, int widthPx,
                             int heightPx);
};

// Draws the drawing's own entities (block insertions with their blocks). The background is
// not painted. The drawing's index tells what is in view.
void renderDrawing(QPainter& painter, const Drawing& drawing, const RenderView& view,
                   const RenderOptions& options);
// Draws the given entities of the drawing itself, in the order given.
void renderEntities(QPainter& painter, const Drawing& drawing, const RenderView& view,
                    const RenderOptions& options, const std::vector<std::uint32_t>& handles);

// Windows colour 0x00BBGGRR as a Qt colour.
inline QColor toQColor(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

} // namespace cad
