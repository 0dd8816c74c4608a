// The print areas a drawing keeps: the sheets of a print along a road or over a grid, each a
// turned rectangle of the drawing, and what the person chose for them last (the paper, the
// scale, the overlap, the frame's colour). Plain data; engine/model/PrintAreas.h works with it.
#pragma once

#include "engine/model/Geometry.h"

#include <cstdint>

namespace cad {

// What one sheet shows: a rectangle of the drawing about `centre`, `width` long along its own
// x axis, which points at `angleDegrees` (counter-clockwise from the drawing's x axis), and
// `height` across it. Printed, the sheet's x axis runs along the bottom edge of the page.
struct PrintArea {
    Vec2 centre;
    double width = 0, height = 0, angleDegrees = 0;
    friend bool operator==(const PrintArea&, const PrintArea&) = default;
};

enum class PaperSize : std::uint8_t { A4, A3, A2, A1, A0, Custom };

struct SheetPaper {
    PaperSize size = PaperSize::A3;
    double customWidthMm = 0, customHeightMm = 0; // PaperSize::Custom
    bool landscape = true;                        // the long side across, else upright
    // Of the paper as it lies (turned when landscape).
    double marginLeftMm = 10, marginBottomMm = 10, marginRightMm = 10, marginTopMm = 10;
    friend bool operator==(const SheetPaper&, const SheetPaper&) = default;
};

// How much neighbouring sheets share: a share of the sheet's length, or a length in drawing
// units.
struct Overlap {
    double value = 10;
    bool percent = true;
    friend bool operator==(const Overlap&, const Overlap&) = default;
};

// What a drawing keeps for its print areas besides the areas: how they are shown, and what
// the division and the print of sheets took last (the size of new areas comes from them).
struct SheetSettings {
    std::uint32_t frameColor = 0x0000FF; // 0x00BBGGRR: red
    bool shown = true;
    SheetPaper paper;
    double scale = 500; // 1:N, in the drawing's units as the print dialog takes them
    Overlap overlap;
    bool matchLines = true;  // the print of sheets draws their neighbours' edges
    bool sheetLabels = true; // and "Arkusz N z M" in a corner
    friend bool operator==(const SheetSettings&, const SheetSettings&) = default;
};

// The most areas a drawing keeps (the reader refuses more).
inline constexpr std::size_t kMostPrintAreas = 100000;

} // namespace cad
