// Dimensions as plain data: what a dimension measures (its kind and definition points), how it
// looks (its style), and what it shows, worked out from both: the measured value, the text, and
// the lines, arcs, arrowheads and text that draw it. Sizes of a style are millimetres on paper;
// the caller says how many drawing units a millimetre of paper holds at the drawing's print
// scale, so a dimension prints the same size at any scale.
#pragma once

#include "engine/model/Entity.h"
#include "engine/model/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace cad {

struct Similarity;

enum class DimensionKind : std::uint8_t {
    Horizontal, // the distance along x (turned by the dimension's rotation)
    Vertical,   // the distance along y (turned by the dimension's rotation)
    Parallel,   // the distance between the two points (aligned)
    Angular,    // the angle between two lines, or at a vertex between two points
    Radial,     // the radius of a circle or arc
    Diametric,  // its diameter
    OrdinateX,  // the x of a point from the origin; the leader runs vertically
    OrdinateY,  // the y of a point from the origin; the leader runs horizontally
};
inline constexpr int kDimensionKindCount = 8;

enum class Arrowhead : std::uint8_t { ClosedFilled, Open, Oblique, Dot, None };
inline constexpr int kArrowheadCount = 5;
enum class CentreMark : std::uint8_t { None, Mark, Line };
// Where the text stands against the dimension line: above it (on the text's upper side),
// on it (the line broken round it), or below it.
enum class TextPlacement : std::uint8_t { Above, Centred, Below };
// A dimension's own placement, or the style's.
enum class PlacementOverride : std::uint8_t { Style, Above, Centred, Below };

// How dimensions look. Sizes are millimetres on paper.
struct DimensionStyle {
    std::string name = "Standard"; // Windows-1250 bytes
    // Geometry.
    Arrowhead arrowhead = Arrowhead::ClosedFilled;
    double arrowLength = 2.5;
    double arrowHeight = 0.8;     // the width across an arrowhead, the diameter of a dot
    double extensionOffset = 1.0; // from the measured point to the start of its extension line
    double extensionBeyond = 1.5; // how far extension lines run past the dimension line
    // The dimension line is drawn between the extension lines also when the arrows stand
    // outside them.
    bool showLineInside = true;
    bool ownColors = false;               // else everything takes the entity's colour
    std::uint32_t dimensionLineColor = 0; // 0x00BBGGRR
    std::uint32_t extensionLineColor = 0;
    std::uint32_t textColor = 0;
    CentreMark centreMark = CentreMark::Mark; // of radial and diametric dimensions
    double centreMarkSize = 2.5;
    // Annotation.
    std::string contents = "<>"; // what the text shows; "<>" stands for the value
    std::int32_t textStyle = 0;  // index into the drawing's text styles
    double textHeight = 2.5;
    double textGap = 1.0; // between the text and the line, and around a framed text
    TextPlacement placement = TextPlacement::Above;
    std::int32_t decimals = 2;
    double scaleValue = 1; // lengths are shown multiplied by it; angles never are
    double roundOff = 0;   // lengths are rounded to a multiple of it (0: not)
    double toleranceUpper = 0, toleranceLower = 0; // shown when either is not 0
    bool horizontalText = false;
    bool perpendicularToArc = false; // angular texts along the radius, not along the arc
    bool frame = false;
    bool suppressTrailingZeros = false;
    char decimalSeparator = ',';
    friend bool operator==(const DimensionStyle&, const DimensionStyle&) = default;
};

// Which definition point is which, by kind (the numbers index DimensionData::points; the DXF
// group codes of the same points in brackets):
// - Horizontal, Vertical, Parallel: the origins of the first and second extension lines
//   (13, 14) and a point the dimension line passes through (10).
// - Angular: a first line through points 0 and 1 (13, 14), a second line through points 2 and
//   3 (15, 10), and a point of the dimension arc (16). The angle is the one between the lines,
//   on the side of the arc point. Measured at a vertex (an angle of three points), points 0
//   and 2 are both the vertex, 1 and 3 the points on the two legs: the angle is then the
//   sweep from one leg to the other, on the side of the arc point, and may exceed 180°.
// - Radial, Diametric: the centre (10) and a point on the circle (15), where the arrowhead of
//   a radius points; a diameter runs from the opposite point through the centre to it.
// - OrdinateX, OrdinateY: the measured point (13) and the end of the leader (14), where the
//   text begins.
namespace DimPoint {
inline constexpr int FirstOrigin = 0, SecondOrigin = 1, LinePoint = 2;
inline constexpr int FirstLineStart = 0, FirstLineEnd = 1, SecondLineStart = 2, SecondLineEnd = 3,
                     ArcPoint = 4;
inline constexpr int Centre = 0, ChordPoint = 1;
inline constexpr int Feature = 0, LeaderEnd = 1;
} // namespace DimPoint
inline constexpr int kMostDimensionPoints = 5;

struct DimensionData {
    DimensionKind kind = DimensionKind::Parallel;
    std::array<Vec2, kMostDimensionPoints> points{};
    // Horizontal and vertical dimensions measure along the x or y axis turned by this many
    // degrees (a mirrored or turned dimension keeps measuring what it measured).
    double rotation = 0;
    // Ordinates are measured from here (the drawing's origin); moving a dimension leaves it.
    Vec2 origin;
    // Where the middle of the text stands; nothing: placed by the dimension itself.
    std::optional<Vec2> textPosition;
    // Windows-1250 bytes. Empty or "<>": the measured value; "<>" within it stands for the
    // value; a single space shows no text.
    std::string text;
    PlacementOverride placement = PlacementOverride::Style;
    std::int32_t style = 0; // index into the drawing's dimension styles
    friend bool operator==(const DimensionData&, const DimensionData&) = default;
};

// ---- dimensions as entities of a drawing

// How a definition point stays tied to a point of another entity of the drawing, picked with a
// snap on it: the dimension follows that point when the entity changes.
enum class TieKind : std::uint8_t {
    None,          // not tied
    End,           // an end, vertex or corner of the entity (index: which)
    Middle,        // the middle of a segment or arc of the entity (index: which)
    Centre,        // the centre of a circle, arc, ellipse, rectangle or closed polyline
    Intersection,  // where the entity meets `other`, the meeting point nearest to the last
    Perpendicular, // the foot of the perpendicular from definition point `from` to the entity
    Point,         // a point, or the insertion point of a text or block
    OnCircle,      // the point of a circle or arc in the direction `parameter` (degrees)
    ArcCentre,     // the centre of the arc a polyline follows at segment `index`
    OnArc,         // the point of that arc in the direction `parameter` (degrees)
};
inline constexpr std::uint32_t kNoEntity = 0xFFFFFFFFu;

struct PointTie {
    std::uint32_t entity = kNoEntity; // handle
    std::uint32_t other = kNoEntity;  // the second entity of an intersection
    std::uint32_t index = 0;
    TieKind kind = TieKind::None;
    std::uint8_t from = 0;
    std::uint16_t reserved = 0;
    double parameter = 0;
    bool tied() const { return kind != TieKind::None && entity != kNoEntity; }
    friend bool operator==(const PointTie&, const PointTie&) = default;
};

// A dimension as a drawing keeps it: plain data, copied and given back byte for byte. Its own
// text lies in the drawing's character pool; definition point i may be tied by ties[i].
struct DimensionRecord {
    DimensionKind kind = DimensionKind::Parallel;
    PlacementOverride placement = PlacementOverride::Style;
    std::uint8_t hasTextPosition = 0;
    std::uint8_t reserved = 0;
    std::int32_t style = 0;
    PooledText text;
    double rotation = 0;
    Vec2 origin;
    Vec2 textPosition;
    std::array<Vec2, kMostDimensionPoints> points{};
    std::array<PointTie, kMostDimensionPoints> ties{};
};
static_assert(std::is_trivially_copyable_v<DimensionRecord> && sizeof(PointTie) == 24 &&
              sizeof(DimensionRecord) == 256);

// The data of a record, with the text its pool holds.
DimensionData dimensionData(const DimensionRecord& r, std::string_view text);
// The record of the data whose text is pooled at `text`; no point is tied.
DimensionRecord dimensionRecord(const DimensionData& d, PooledText text);
// Whether the kinds' numbers, read from a file, name a kind.
inline bool isDimensionKind(int k) {
    return k >= 0 && k < kDimensionKindCount;
}

// How many of the points a kind uses (the others are kept but mean nothing).
int definitionPointCount(DimensionKind kind);
// An angle at a vertex between the directions to a and to b, on the side of arcPoint.
DimensionData angularAtVertex(Vec2 vertex, Vec2 a, Vec2 b, Vec2 arcPoint);
// The angle between two lines, on the side of arcPoint.
DimensionData angularBetween(const LineData& first, const LineData& second, Vec2 arcPoint);
// The kind of an ordinate from the measured point to the cursor: a leader that runs more
// vertically than horizontally shows the x, otherwise the y.
DimensionKind ordinateKindToward(Vec2 feature, Vec2 cursor);

// What the dimension measures: a length in drawing units, an angle in degrees (in (0, 360)),
// a radius, a diameter, or an ordinate (a coordinate minus the origin's). 0 when the points
// do not make a dimension (lines that do not meet).
double measuredValue(const DimensionData& d);
// The placement that holds for a dimension of that style.
TextPlacement effectivePlacement(const DimensionData& d, const DimensionStyle& s);

// A number as a dimension shows it: the decimals (0 to 8), trailing zeros left out when asked
// (and the separator with them), the separator; never "-0".
std::string dimensionNumber(double value, int decimals, bool suppressTrailingZeros, char separator);
// The value as shown: lengths multiplied by the scale value and rounded off, angles with a
// degree sign; then the tolerances ("±a" when equal, else "+a/-b").
std::string dimensionValueText(const DimensionData& d, const DimensionStyle& s);
// The text a dimension shows (Windows-1250 bytes): its own text, or the style's contents,
// with "<>" replaced by the value text; empty when the dimension shows none.
std::string dimensionText(const DimensionData& d, const DimensionStyle& s);

// What a dimension is drawn in.
struct DimensionContext {
    // Drawing units in a millimetre of paper: the print scale's N over the millimetres of a
    // drawing unit (see dimensionUnitsPerPaperMm).
    double unitsPerPaperMm = 1;
    // The width of a text of that height in drawing units; without it, an average letter is
    // taken as 0.6 of the height wide.
    std::function<double(std::string_view text, double height)> textWidth;
};
inline double dimensionUnitsPerPaperMm(double printScale, double millimetresPerUnit) {
    return millimetresPerUnit > 0 ? printScale / millimetresPerUnit : printScale;
}

struct DimensionText {
    std::string text;                           // Windows-1250 bytes
    Vec2 position;                              // the middle of the text
    double height = 0, width = 0, rotation = 0; // drawing units, degrees in (-90, 90]
    std::int32_t align = 4;                     // middle centre (TextParams::align)
    std::int32_t style = 0;                     // the text style
    bool framed = false;
    // The text's box widened by the gap on every side, counter-clockwise from the lower left:
    // the frame of a framed text, and where no line of the dimension runs.
    std::array<Vec2, 4> frame{};
};

// A dimension as drawn, in drawing units: what the screen, print, export and explode show.
struct DimensionGeometry {
    // Dimension lines, leaders, centre marks and the strokes of open and oblique arrowheads:
    // the dimension-line colour.
    std::vector<LineData> lines;
    std::vector<ArcData> arcs; // the arc of an angle, counter-clockwise: dimension-line colour
    std::vector<LineData> extensionLines;
    std::vector<std::array<Vec2, 3>> triangles; // filled arrowheads, counter-clockwise
    std::vector<CircleData> dots;               // filled dot arrowheads
    std::optional<DimensionText> text;
};

DimensionGeometry dimensionGeometry(const DimensionData& d, const DimensionStyle& s,
                                    const DimensionContext& context);
// The same laid out into `out`, whose lists keep their room: laying out many dimensions one
// after the other (their boxes for the spatial index) then allocates next to nothing.
void dimensionGeometry(const DimensionData& d, const DimensionStyle& s,
                       const DimensionContext& context, DimensionGeometry& out);
// A box holding everything drawn and the definition points (for the spatial index).
Rect dimensionBox(const DimensionData& d, const DimensionGeometry& g);
// The points to snap to: the definition points the kind uses, then the middle of the text.
std::vector<Vec2> dimensionSnapPoints(const DimensionData& d, const DimensionGeometry& g);

// The dimension moved, turned, scaled or mirrored: its points and text position go where the
// similarity takes them (not the ordinates' origin); it measures what it measured, and its text
// stays readable.
DimensionData transformed(const DimensionData& d, const Similarity& s);

} // namespace cad
