// What the DXF reader and writer share: colour numbers, lineweights, units, table names and a
// few geometry checks.
#pragma once

#include "engine/model/Dimension.h"
#include "engine/model/Geometry.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace cad::dxf {

// ---- geometry.
inline bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}
// An angle in degrees brought into [0, 360).
inline double normalisedDegrees(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

// ---- colours. Ours are 0x00BBGGRR; DXF has palette indexes (ACI, 1..255) and true colours
// (group 420, 0x00RRGGBB).
inline constexpr int kByBlock = 0;
inline constexpr int kByLayer = 256;

// The colour of a palette index 1..255; index 7, white on a black screen, is black here because
// the sheet is white. Out of range: black.
std::uint32_t aciColor(int aci);
// The palette index nearest to a colour (1..255).
int nearestAci(std::uint32_t color);
inline std::uint32_t fromTrueColor(std::int64_t rgb) {
    const auto v = static_cast<std::uint32_t>(rgb) & 0xFFFFFFu;
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
inline int toTrueColor(std::uint32_t color) {
    return static_cast<int>(((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF));
}

// ---- lineweights, in 1/100 mm from a fixed list; -1 by layer, -2 by block, -3 default.
inline constexpr int kLineweightByLayer = -1;
inline constexpr int kLineweightByBlock = -2;
inline constexpr int kLineweightDefault = -3;
// The standard lineweight nearest to a width in mm (negative and non-finite widths: 0).
int nearestLineweight(double mm);

// ---- units: ours (0 unitless, 1 inch, 2 mm, 3 cm, 4 m) and $INSUNITS.
int insunitsFromUnits(int units);
int unitsFromInsunits(int insunits); // units we have no number for: unitless

// ---- names. DXF table names may not hold some characters, nor line breaks.
// The name with those replaced by '_'; an empty name becomes "_".
std::string tableName(std::string_view cp1250);
// A string value with its line breaks and other control characters replaced by spaces.
std::string oneLine(std::string_view cp1250);

// ---- dimensions. DIMTAD (group 77 of a DIMSTYLE, and of a dimension's own style overrides):
// 0 the text centred on the dimension line, 4 below it, others above it (1 written).
int dimtad(TextPlacement p);
TextPlacement placementOfDimtad(long dimtad);

} // namespace cad::dxf
