// The arc a polyline follows at a segment: the circle of an arc segment, or of a run of short
// straight segments whose vertices lie on one circle, and nothing at corners and along straights.
#include "engine/model/PolylineArc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace cad;

namespace {

Path polygon(Vec2 centre, double r, int sides, double fromDeg, double toDeg, bool closed) {
    Path p;
    p.closed = closed;
    for (int i = 0; i <= sides - (closed ? 1 : 0); ++i) {
        const double a = (fromDeg + (toDeg - fromDeg) * i / sides) * std::numbers::pi / 180;
        p.v.push_back({{centre.x + r * std::cos(a), centre.y + r * std::sin(a)}, 0});
    }
    return p;
}

TEST(PolylineArcTest, ShortSegmentsOnACircleGiveItsCentreAndRadius) {
    // A whole circle of 36 segments, closed: found at every segment, the wrap included.
    const Path ring = polygon({5e6, 7e6}, 12.5, 36, 0, 360, true);
    for (std::size_t i = 0; i < ring.segmentCount(); ++i) {
        const auto arc = followedArcAt(ring, i);
        ASSERT_TRUE(arc) << i;
        EXPECT_NEAR(arc->radius, 12.5, 1e-6);
        EXPECT_NEAR(arc->centre.x, 5e6, 1e-6);
    }
    // Running clockwise, as part of a longer line: the straight parts are not the arc.
    Path kerb = polygon({0, 0}, 8, 9, 180, 90, false);
    kerb.v.insert(kerb.v.begin(), {{-8, -30}, 0});
    kerb.v.push_back({{30, 8}, 0});
    const auto inside = followedArcAt(kerb, 4);
    ASSERT_TRUE(inside);
    EXPECT_NEAR(inside->radius, 8, 1e-9);
    EXPECT_FALSE(followedArcAt(kerb, 0));
    EXPECT_FALSE(followedArcAt(kerb, kerb.segmentCount() - 1));
}

TEST(PolylineArcTest, CornersStraightsAndArcSegments) {
    // The corners of a square lie on one circle, but a polyline turning by 90° is no arc.
    const Path square = polygon({0, 0}, 10, 4, 45, 405, true);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_FALSE(followedArcAt(square, i));
    // Too few vertices to tell an arc from a bend.
    EXPECT_FALSE(followedArcAt(polygon({0, 0}, 10, 2, 0, 20, false), 0));
    Path straight;
    for (int i = 0; i < 6; ++i)
        straight.v.push_back({{i * 1.0, 0}, 0});
    EXPECT_FALSE(followedArcAt(straight, 2));
    // A segment that is an arc gives its own circle.
    Path bulged;
    bulged.v = {{{0, 0}, 1}, {{10, 0}, 0}};
    const auto half = followedArcAt(bulged, 0);
    ASSERT_TRUE(half);
    EXPECT_NEAR(half->radius, 5, 1e-12);
    EXPECT_NEAR(half->centre.x, 5, 1e-12);
    EXPECT_FALSE(followedArcAt(bulged, 1));
}

} // namespace
