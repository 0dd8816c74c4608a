// Fillets (an arc of a radius touching two curves) and chamfers (a straight cut across a
// corner), between two curves and at the corners of polylines.
//
// Between two curves the picks decide which parts stay: of each curve the part on the side of
// its pick from the corner where the two meet (lengthened up to the fillet where the curves
// stop short of it). Radius 0 (distances 0) makes a sharp corner: both curves trimmed or
// lengthened to meet. A fillet or chamfer that would reach past the far end of a curve is
// refused (Refusal::RadiusTooLarge), never made into a wrong shape.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

#include <optional>

namespace cad {

struct FilletResult {
    Curve first, second;        // as they become (a circle stays whole)
    std::optional<ArcData> arc; // none for radius 0
};
// Lines, arcs and circles, in any pair.
Outcome<FilletResult> filletCurves(const Curve& first, Vec2 pickFirst, const Curve& second,
                                   Vec2 pickSecond, double radius);

struct ChamferResult {
    LineData first, second;
    std::optional<LineData> bevel; // none for distances 0
};
// The bevel from `firstDistance` along the first line from the corner to `secondDistance`
// along the second.
Outcome<ChamferResult> chamferLines(const LineData& first, Vec2 pickFirst, const LineData& second,
                                    Vec2 pickSecond, double firstDistance, double secondDistance);
// The bevel from `firstDistance` along the first line, at `angleDegrees` to it.
Outcome<ChamferResult> chamferLinesByAngle(const LineData& first, Vec2 pickFirst,
                                           const LineData& second, Vec2 pickSecond,
                                           double firstDistance, double angleDegrees);

// ---- between a polyline and another curve
//
// Where one of the two (or both) is an open polyline, the segment picked of it must be its
// first or its last (Refusal::NotAtEnd otherwise, Refusal::ClosedCurve for a closed one): the
// fillet or chamfer is made between that segment and the other curve (a line, an arc or the
// end segment of the other polyline), and the two with it become one polyline, the first one
// running into the corner and the second on from it.

Outcome<Path> filletJoining(const Curve& first, Vec2 pickFirst, const Curve& second,
                            Vec2 pickSecond, double radius);
// Between straight segments only (Refusal::Unsupported at an arc).
Outcome<Path> chamferJoining(const Curve& first, Vec2 pickFirst, const Curve& second,
                             Vec2 pickSecond, double firstDistance, double secondDistance);
Outcome<Path> chamferJoiningByAngle(const Curve& first, Vec2 pickFirst, const Curve& second,
                                    Vec2 pickSecond, double firstDistance, double angleDegrees);

// ---- corners of polylines
//
// Vertex k of a polyline is the corner between segments k - 1 and k; vertex 0 of a closed
// polyline is the corner between its last and first segment (an open polyline has no corner at
// its ends: Refusal::OpenPathEnd). Where neighbouring segments go on smoothly there is no
// corner (Refusal::NotACorner). The polyline keeps its first vertex where that is not the
// corner changed.

Outcome<Path> filletPathCorner(const Path& path, std::size_t vertex, double radius);
// The corner between two segments picked: neighbours, or two segments with one between them
// (a corner filleted or chamfered before: it is made sharp again and filleted anew).
Outcome<Path> filletPathSegments(const Path& path, std::size_t firstSegment,
                                 std::size_t secondSegment, double radius);
// The segment between two others replaced by the corner where those two meet (lines straight
// on, arcs along their circle).
Outcome<Path> sharpenCorner(const Path& path, std::size_t segment);

struct PathCorners {
    Path path;
    std::size_t changed = 0;  // corners filleted or chamfered
    std::size_t tooShort = 0; // corners whose segments were too short
};
// Every corner of the polyline in turn (the segments shortened by the corners already done).
Outcome<PathCorners> filletPathAll(const Path& path, double radius);

// Chamfers at corners between straight segments (Refusal::Unsupported at an arc).
Outcome<Path> chamferPathCorner(const Path& path, std::size_t vertex, double firstDistance,
                                double secondDistance);
Outcome<Path> chamferPathCornerByAngle(const Path& path, std::size_t vertex, double firstDistance,
                                       double angleDegrees);
Outcome<PathCorners> chamferPathAll(const Path& path, double firstDistance, double secondDistance);

} // namespace cad
