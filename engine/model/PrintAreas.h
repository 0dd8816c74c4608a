// The sheets of a print along a road or over a grid: the part of the drawing each sheet shows
// (a turned rectangle in drawing units), its size from the paper, the margins and the scale,
// and the division of a road's axis, or of a rectangle, into such areas. Plain data in, plain
// data out: nothing here changes a drawing.
#pragma once

#include "engine/model/Drawing.h"
#include "engine/model/Entity.h"
#include "engine/model/Geometry.h"
#include "engine/model/PrintArea.h"

#include <array>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace cad {

// The area's own frame: x along it, y across, from its centre; and back to the drawing.
Vec2 toAreaFrame(const PrintArea& area, Vec2 p);
Vec2 fromAreaFrame(const PrintArea& area, Vec2 local);
// The corners, counter-clockwise from the bottom left (in the area's frame).
std::array<Vec2, 4> areaCorners(const PrintArea& area);
// Whether p lies in the area or no farther than `tolerance` outside it.
bool areaContains(const PrintArea& area, Vec2 p, double tolerance = 0);
// The smallest upright rectangle that holds the area.
Rect areaBox(const PrintArea& area);
// The points an area is held by: its centre, then its corners as areaCorners gives them.
std::array<Vec2, 5> areaGrips(const PrintArea& area);
// The area turned about its centre by the angle at which `to` lies from `from` seen from the
// centre (a corner held and dragged); as it is when either lies on the centre.
PrintArea turnedAbout(const PrintArea& area, Vec2 from, Vec2 to);

// ---- the size of a sheet's area

struct SizeMm {
    double width = 0, height = 0;
};
// The paper as named or typed (ISO 216: A4 is 210 x 297 mm), then as it lies.
SizeMm uprightPaperMm(const SheetPaper& paper);
SizeMm paperMm(const SheetPaper& paper);
// The part of the paper inside its margins; nothing when the margins leave none.
std::optional<SizeMm> printableMm(const SheetPaper& paper);

// The area one sheet shows at the scale 1:N: a millimetre of paper shows N millimetres of the
// drawing, in the drawing's own units (`millimetresPerUnit` of them, millimetresPerUnit() in
// engine/Engine.h). Width along the sheet, height across. Nothing for a scale or paper that
// leaves no area.
struct AreaSize {
    double width = 0, height = 0;
};
std::optional<AreaSize> sheetAreaSize(const SheetPaper& paper, double scale,
                                      double millimetresPerUnit);

// The shared length for sheets `length` long; never negative, below the sheet's length.
double overlapLength(const Overlap& overlap, double length);
// An overlap as a person gives it (a percentage, or metres on the ground) in the drawing's own
// units, `millimetresPerUnit` of them: a percentage stays as it is.
Overlap overlapInUnits(const Overlap& given, double millimetresPerUnit);
// Metres on the ground (a chainage, an overlap) in the drawing's own units.
double metresInUnits(double metres, double millimetresPerUnit);

// ---- the axis of a road

// A piece of an axis from `a` to `b`: straight when `bulge` is 0, otherwise an arc that turns
// by 4·atan(bulge) radians, counter-clockwise when positive (as polylines keep arcs in DXF).
struct AxisPiece {
    Vec2 a, b;
    double bulge = 0;
};

AxisPiece linePiece(const LineData& line);
// From the start angle counter-clockwise to the end angle.
AxisPiece arcPiece(const ArcData& arc);
// The straight pieces between consecutive vertices (and back to the first when closed); a
// spline enters as its points (splinePoints in engine/model/Spline.h). Repeated vertices give
// no piece.
std::vector<AxisPiece> polylinePieces(std::span<const Vec2> vertices, bool closed = false);
// The pieces of a live entity that can be an axis: a line, an arc, a polyline, or a spline
// followed within `tolerance`; nothing for the other kinds.
std::optional<std::vector<AxisPiece>> axisPiecesOf(const Drawing& drawing, int handle,
                                                   double tolerance);
// The same piece run the other way.
AxisPiece reversed(const AxisPiece& piece);
double pieceLength(const AxisPiece& piece);

// One axis made of several curves (each a run of pieces end to end), in whatever order and
// direction they were given: they are chained where their ends meet within `tolerance`, the
// first curve keeping its direction and the others turned to follow it. Nothing when they do
// not make a single chain.
std::optional<std::vector<AxisPiece>> joinAxis(std::span<const std::vector<AxisPiece>> curves,
                                               double tolerance);

// An axis ready to be followed by chainage (the distance along it from its start).
class AxisPath {
public:
    explicit AxisPath(std::vector<AxisPiece> pieces);

    double length() const { return total_; }
    Vec2 pointAt(double chainage) const;
    // The unit direction in which the axis runs at a chainage.
    Vec2 directionAt(double chainage) const;
    // How far the axis from chainage `from` to `to` reaches along the unit direction u:
    // the least and greatest of p·u over its points (exact for lines and arcs).
    std::pair<double, double> reach(double from, double to, Vec2 u) const;

private:
    struct Arc {
        Vec2 centre;
        double radius = 0, start = 0, sweep = 0; // radians; sweep signed
    };
    struct Piece {
        Vec2 a, b;
        bool straight = true;
        Arc arc;
        double from = 0, length = 0; // chainage of its start
    };
    std::size_t pieceAt(double chainage) const;
    static Vec2 pointOn(const Piece& p, double along);
    static void reachOn(const Piece& p, double from, double to, Vec2 u, double& low, double& high);

    std::vector<Piece> pieces_;
    double total_ = 0;
};

// A sheet along the axis: its area and the chainages where the axis enters and leaves it.
struct AxisSheet {
    PrintArea area;
    double entry = 0, exit = 0;
};

// Areas of the given size in order along the axis from chainage `start` to `end` (each
// brought into the axis): each shows the axis from its entry to its exit, turned so that the
// axis runs along it from the one to the other (the angle of the chord between them), centred
// across it, the entry at its left edge. Each sheet goes as far as the axis stays inside it;
// the next one enters the overlap before it left. The last one ends at `end`.
std::vector<AxisSheet> divideAlongAxis(std::span<const AxisPiece> axis, AreaSize size,
                                       const Overlap& overlap, double start = 0,
                                       double end = std::numeric_limits<double>::infinity());
std::vector<PrintArea> areasOf(std::span<const AxisSheet> sheets);

// Upright areas of the given size that cover the region in rows from the top and columns from
// the left, neighbours sharing the overlap (a share of their width across, of their height up
// and down), the whole centred on the region.
std::vector<PrintArea> divideGrid(const Rect& region, AreaSize size, const Overlap& overlap);

} // namespace cad
