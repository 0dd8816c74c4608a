// Where the copies of an array go: each copy is the selection moved (and turned) by one
// similarity; in rectangular and polar arrays the first one is the selection as it stands.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"
#include "engine/model/Transform.h"

#include <vector>

namespace cad {

// At most this many copies in one array.
inline constexpr std::size_t kMostArrayCopies = 100000;

// Rows and columns: columns along the direction of `angleDegrees`, rows across it (a negative
// spacing goes the other way). Row by row, the first at the selection.
struct RectangularArray {
    int rows = 1, columns = 1;
    double rowSpacing = 0, columnSpacing = 0;
    double angleDegrees = 0;
};
Outcome<std::vector<Similarity>> rectangularArray(const RectangularArray& a);

// Copies round a centre: `count` of them over `fillDegrees` (counter-clockwise when positive; a
// whole turn spreads them evenly, less puts the last at the end of the fill). Turned with the
// turn round the centre, or only carried round (their `basePoint` on the circle) when not.
struct PolarArray {
    int count = 1;
    double fillDegrees = 360;
    Vec2 centre;
    bool rotateCopies = true;
};
Outcome<std::vector<Similarity>> polarArray(const PolarArray& a, Vec2 basePoint);

// Copies along a curve: their `basePoint` carried to points along it from its start (the first
// copy too: a base point at the curve's start leaves the selection where it is), `count`
// of them spread evenly over its length (an open curve from end to end, a closed one round),
// or with `spacing` between them when it is positive (as many as fit, at most `count` when it
// is positive). When `align`, each is turned as the curve's direction turns from its start.
struct PathArray {
    int count = 0;
    double spacing = 0;
    bool align = true;
};
Outcome<std::vector<Similarity>> pathArray(const Curve& path, Vec2 basePoint, const PathArray& a);

} // namespace cad
