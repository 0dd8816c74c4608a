// Joining lines, arcs and polylines that meet end to end into polylines with arc segments.
#pragma once

#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

#include <span>
#include <vector>

namespace cad {

// Two ends that came no nearer to each other than `distance` (more than the tolerance).
struct JoinGap {
    Vec2 a, b;
    double distance = 0;
};

struct JoinResult {
    // One polyline for each run of pieces that meet end to end, in the order and direction
    // that runs them through (the first piece of each run keeps its direction); closed when the
    // run comes back to where it started.
    std::vector<Path> paths;
    // The pieces (their indexes among those given) that each polyline is made of, the one that
    // began it first.
    std::vector<std::vector<std::size_t>> members;
    // Ends of different runs that are each other's nearest (each pair once): gaps are
    // reported, never bridged.
    std::vector<JoinGap> gaps;
};

// Pieces whose ends lie within `tolerance` of each other are joined there (the later piece's
// end moved onto the earlier one's). Lines, arcs and open polylines; anything else:
// Refusal::Unsupported.
Outcome<JoinResult> joinCurves(std::span<const Curve> pieces, double tolerance);

} // namespace cad
