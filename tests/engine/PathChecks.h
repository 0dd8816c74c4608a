// Checks of polylines with arc segments that the geometry tests share, done the slow and
// obvious way: every pair of segments, every vertex.
#pragma once

#include "engine/model/Path.h"

#include <cmath>
#include <string>
#include <vector>

namespace cad::checks {

// Where a path crosses or touches itself, apart from where neighbouring segments share their
// vertex: every pair of segments tried.
inline std::vector<Vec2> selfCrossings(const Path& p, double tolerance) {
    std::vector<Vec2> out;
    const std::size_t n = p.segmentCount();
    std::vector<SegmentHit> hits;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            hits.clear();
            intersections(segmentOf(p, i), segmentOf(p, j), hits);
            const bool next = j == i + 1, wraps = p.closed && i == 0 && j == n - 1;
            const auto near = [&](Vec2 a, Vec2 b) {
                return std::hypot(a.x - b.x, a.y - b.y) <= tolerance;
            };
            for (const SegmentHit& h : hits) {
                if ((next && near(h.p, segmentOf(p, i).b)) ||
                    (wraps && near(h.p, segmentOf(p, 0).a)))
                    continue;
                out.push_back(h.p);
            }
        }
    return out;
}

// What is wrong with a path's numbers: a coordinate or bulge that is not finite, or a segment
// of no length. Empty when nothing is.
inline std::string numberFaults(const Path& p, double shortest) {
    for (const PathVertex& v : p.v)
        if (!std::isfinite(v.p.x) || !std::isfinite(v.p.y) || !std::isfinite(v.bulge))
            return "a number that is not finite";
    for (std::size_t i = 0; i < p.segmentCount(); ++i)
        if (!(segmentLength(segmentOf(p, i)) > shortest))
            return "a segment of no length at " + std::to_string(i);
    return {};
}

// The distance from a point to the nearest segment of a path.
inline double distanceToPath(const Path& p, Vec2 q) {
    return distanceTo(p, q);
}

} // namespace cad::checks
