// Entities on the system clipboard: in the engine's own format, so that a paste brings them back
// whole with their layers, styles and blocks, and as SVG and image pictures for other programs.
#pragma once

#include "engine/model/Drawing.h"

#include <memory>

namespace cad {

// The clipboard format that carries a drawing's own bytes.
inline constexpr char kDrawingMimeType[] = "application/x-kwl-edytor-drawing";

// Puts the drawing on the clipboard, replacing what was there.
void putOnClipboard(const Drawing& part);
// True when the clipboard holds a drawing in the engine's format.
bool clipboardHoldsDrawing();
// The drawing the clipboard holds; null when it holds none or its bytes are damaged.
std::unique_ptr<Drawing> drawingOnClipboard();

} // namespace cad
