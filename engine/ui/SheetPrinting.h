// Printing sheets: areas of a drawing one a page at their scale, each page turned so that its
// area's bottom edge is the page's bottom, with the edges of neighbouring sheets where they
// overlap and a sheet label; and a window of the drawing fitted to one page. Through the
// renderer that the screen, the print command and the exports use.
#pragma once

#include "engine/model/Drawing.h"
#include "engine/model/PrintAreas.h"

#include <QPageLayout>
#include <QString>

#include <span>

class QPagedPaintDevice;

namespace cad {

struct SheetPrintOptions {
    SheetPaper paper;   // its size and margins; each page lies as its area does
    double scale = 500; // 1:N, in the drawing's units as the print dialog takes them
    // Where another area overlaps a sheet, its edges, each with that sheet's number.
    bool matchLines = false;
    // "Arkusz N z M" in the sheet's bottom right corner (N its number in the list, M the
    // list's length).
    bool sheetLabels = false;
};

// The page an area is printed on: the paper, turned when the area is wider than high, with
// its margins.
QPageLayout sheetPageLayout(const PrintArea& area, const SheetPaper& paper);

// Prints the areas numbered in `which` (places in `areas`; all of them in order when empty),
// one a page: the page lies as its area does, the area's centre at the middle of the part
// inside the margins, the drawing turned so that the area's x axis runs along the page at the
// scale 1:N, nothing beyond the area. Layers that are not printable are left out. False when
// nothing could be printed (no such area, no scale, the device would not paint).
bool printSheets(const Drawing& drawing, std::span<const PrintArea> areas,
                 std::span<const int> which, const SheetPrintOptions& options,
                 QPagedPaintDevice& device);
// The same into one PDF file, a page an area.
bool printSheetsToPdf(const Drawing& drawing, std::span<const PrintArea> areas,
                      std::span<const int> which, const SheetPrintOptions& options,
                      const QString& path);

// The scale 1:N at which a window of the drawing just fills a page of the paper, upright or
// turned as the window is; nothing for an empty window or a paper without room.
std::optional<double> fittingScale(const Drawing& drawing, const Rect& window,
                                   const SheetPaper& paper);
// A window of the drawing fitted to one page, nothing beyond it.
bool printWindowFitted(const Drawing& drawing, const Rect& window, const SheetPaper& paper,
                       QPagedPaintDevice& device);
bool printWindowToPdf(const Drawing& drawing, const Rect& window, const SheetPaper& paper,
                      const QString& path);

} // namespace cad
