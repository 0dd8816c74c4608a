// Dimensions as a drawing shows them: the style each names, the size of a millimetre of paper
// at the drawing's print scale, and the lines, arrowheads and text they are drawn with, as the
// screen, print, export, the index and explode all take them.
#pragma once

#include "engine/model/Dimension.h"
#include "engine/model/Drawing.h"

namespace cad {

// The style of that index, or the drawing's first (a plain one for a drawing without any).
const DimensionStyle& dimensionStyleOf(const Drawing& d, int style);
// Drawing units in a millimetre of paper at the drawing's print scale.
double dimensionUnitsPerPaperMm(const Drawing& d);
// What a dimension of that style is drawn in: that many drawing units a millimetre of paper
// (0: the drawing's print scale), its text as wide as the style's text style draws it. It
// refers to the drawing's tables: it lives no longer than they stay as they are.
DimensionContext dimensionContext(const Drawing& d, const DimensionStyle& style,
                                  double unitsPerPaperMm = 0);
// A dimension drawn at the drawing's print scale, or at another one given in drawing units a
// millimetre of paper (a print at another scale).
DimensionGeometry dimensionGeometryOf(const Drawing& d, const DimensionData& data,
                                      double unitsPerPaperMm = 0);
DimensionGeometry dimensionGeometryOf(const Drawing& d, const Entity& e,
                                      double unitsPerPaperMm = 0);
// The same at the drawing's print scale into `out`, whose lists keep their room.
void dimensionGeometryOf(const Drawing& d, const DimensionData& data, DimensionGeometry& out);
// The number a dimension shows as its value, and its whole text.
std::string dimensionTextOf(const Drawing& d, const Entity& e);

// How many dimensions of each kind the interface counts: linear (horizontal, vertical,
// parallel), angular, radial, diametric, ordinate.
inline constexpr int kDimensionGroups = 5;
int dimensionGroup(DimensionKind kind);

} // namespace cad
