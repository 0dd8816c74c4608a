// The print areas of the active document through the interface: read, added, removed, their
// settings, the division of an axis, and the print of the areas into one PDF file.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/commands/PrintAreaCommands.h"
#include "engine/ui/SheetPrinting.h"

#include <QFile>

#include <cmath>
#include <limits>

using namespace cad;

namespace {

bool finite(std::initializer_list<double> values) {
    for (const double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

int cadPrintAreaCount() {
    const Drawing* d = activeDrawing();
    return d ? static_cast<int>(d->printAreas.size()) : 0;
}

std::optional<CadPrintArea> cadPrintAreaGet(int index) {
    const Drawing* d = activeDrawing();
    if (!d || index < 0 || static_cast<std::size_t>(index) >= d->printAreas.size())
        return std::nullopt;
    const PrintArea& a = d->printAreas[static_cast<std::size_t>(index)];
    return CadPrintArea{a.centre.x, a.centre.y, a.width, a.height, a.angleDegrees};
}

int cadPrintAreaAdd(const CadPrintArea& a) {
    Document* d = engine().active();
    if (!d || !finite({a.x, a.y, a.width, a.height, a.angle}) || !(a.width > 0) ||
        !(a.height > 0) || d->drawing().printAreas.size() >= kMostPrintAreas)
        return -1;
    int added = -1;
    changePrintAreas(*d, [&](DrawingWriter& w) {
        added = w.addPrintArea({{a.x, a.y}, a.width, a.height, normalisedDegrees(a.angle)});
    });
    return added;
}

int cadPrintAreaDelete(int index) {
    Document* d = engine().active();
    if (!d)
        return 0;
    std::vector<PrintArea> areas = d->drawing().printAreas;
    if (index == -1 && !areas.empty())
        areas.clear();
    else if (index >= 0 && static_cast<std::size_t>(index) < areas.size())
        areas.erase(areas.begin() + index);
    else
        return 0;
    changePrintAreas(*d, [&](DrawingWriter& w) { w.setPrintAreas(std::move(areas)); });
    return 1;
}

std::optional<CadSheetSettings> cadSheetSettings() {
    const Drawing* d = activeDrawing();
    if (!d)
        return std::nullopt;
    const SheetSettings& s = d->settings.sheets;
    CadSheetSettings out;
    out.paper = static_cast<int>(s.paper.size);
    out.paperWidthMm = s.paper.customWidthMm;
    out.paperHeightMm = s.paper.customHeightMm;
    out.landscape = s.paper.landscape;
    out.marginMm = s.paper.marginLeftMm;
    out.scale = s.scale;
    out.overlap = s.overlap.value;
    out.overlapPercent = s.overlap.percent;
    out.matchLines = s.matchLines;
    out.sheetLabels = s.sheetLabels;
    return out;
}

int cadSetSheetSettings(const CadSheetSettings& in) {
    Document* d = engine().active();
    const bool custom = in.paper == static_cast<int>(PaperSize::Custom);
    if (!d || in.paper < 0 || in.paper > static_cast<int>(PaperSize::Custom) ||
        !finite({in.paperWidthMm, in.paperHeightMm, in.marginMm, in.scale, in.overlap}) ||
        (custom && (!(in.paperWidthMm > 0) || !(in.paperHeightMm > 0))) || in.paperWidthMm < 0 ||
        in.paperHeightMm < 0 || in.marginMm < 0 || !(in.scale > 0) || in.overlap < 0)
        return 0;
    d->changeSettings([&in](DrawingSettings& settings) {
        SheetSettings& s = settings.sheets;
        s.paper.size = static_cast<PaperSize>(in.paper);
        s.paper.customWidthMm = in.paperWidthMm;
        s.paper.customHeightMm = in.paperHeightMm;
        s.paper.landscape = in.landscape;
        s.paper.marginLeftMm = s.paper.marginBottomMm = s.paper.marginRightMm =
            s.paper.marginTopMm = in.marginMm;
        s.scale = in.scale;
        s.overlap = Overlap{in.overlap, in.overlapPercent};
        s.matchLines = in.matchLines;
        s.sheetLabels = in.sheetLabels;
    });
    return 1;
}

int cadPrintAreasAlong(const std::vector<int>& entities, double start, double end) {
    Document* d = engine().active();
    if (!d || entities.empty())
        return 0;
    std::vector<std::uint32_t> handles;
    for (const int h : entities) {
        if (!d->drawing().inModelSpace(h))
            return 0;
        handles.push_back(static_cast<std::uint32_t>(h));
    }
    const auto axis = axisOfEntities(d->drawing(), handles);
    const auto size = sheetSizeOf(d->drawing());
    if (!axis || !size)
        return 0;
    const double from = std::isfinite(start) && start > 0 ? start : 0;
    const double to =
        std::isfinite(end) && end >= 0 ? end : std::numeric_limits<double>::infinity();
    // The overlap in metres is kept as given, and laid out in the drawing's units.
    const Overlap overlap = overlapInUnits(d->drawing().settings.sheets.overlap,
                                           millimetresPerUnit(d->drawing().settings.units));
    std::vector<PrintArea> areas = areasOf(divideAlongAxis(*axis, *size, overlap, from, to));
    if (areas.empty() || areas.size() > kMostPrintAreas)
        return 0;
    const int count = static_cast<int>(areas.size());
    changePrintAreas(*d, [&](DrawingWriter& w) { w.setPrintAreas(std::move(areas)); });
    return count;
}

int cadExportSheetsPdf(std::string_view path, const std::vector<int>& which) {
    const Drawing* d = activeDrawing();
    if (!d || d->printAreas.empty())
        return 0;
    SheetPrintOptions options;
    options.paper = d->settings.sheets.paper;
    options.scale = d->settings.sheets.scale;
    options.matchLines = d->settings.sheets.matchLines;
    options.sheetLabels = d->settings.sheets.sheetLabels;
    const QString file =
        QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    return printSheetsToPdf(*d, d->printAreas, which, options, file) ? 1 : 0;
}
