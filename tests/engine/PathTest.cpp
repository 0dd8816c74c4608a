// Polylines with arc segments: each segment's circle, points, lengths and parts checked
// against circles known in closed form; meeting points against the formulas; whole paths by
// their areas and by reversing and cutting them; the grid of boxes and the tree of a chain's
// boxes against trying every pair.
#include "engine/model/Path.h"
#include "engine/model/BoxGrid.h"
#include "engine/model/ChainBoxTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

using namespace cad;

namespace {

void expectNear(Vec2 a, Vec2 b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

std::vector<SegmentHit> hitsOf(const PathSegment& a, const PathSegment& b) {
    std::vector<SegmentHit> out;
    intersections(a, b, out);
    std::sort(out.begin(), out.end(),
              [](const SegmentHit& x, const SegmentHit& y) { return x.p.x < y.p.x; });
    return out;
}

} // namespace

TEST(PathSegments, ABulgeIsTheQuarterTangentOfTheSweepCounterClockwiseWhenPositive) {
    // A half circle from (-1, 0) to (1, 0): counter-clockwise passes below the centre.
    const PathSegment below{{-1, 0}, {1, 0}, 1};
    const ArcGeometry g = arcOf(below);
    expectNear(g.centre, {0, 0}, 1e-15);
    EXPECT_DOUBLE_EQ(g.radius, 1);
    EXPECT_NEAR(g.sweep, kPi, 1e-15);
    expectNear(pointAt(below, 0.5), {0, -1}, 1e-15);
    expectNear(pointAt(PathSegment{{-1, 0}, {1, 0}, -1}, 0.5), {0, 1}, 1e-15);
    EXPECT_DOUBLE_EQ(bulgeOfSweep(kPi), std::tan(kPi / 4));

    // A quarter circle far from the origin: every point on it, its length and directions.
    const Vec2 o{512345.678, 5812345.125};
    const double r = 7;
    const PathSegment quarter{{o.x + r, o.y}, {o.x, o.y + r}, std::tan(kPi / 8)};
    for (const double t : {0.0, 0.1, 0.5, 0.9, 1.0}) {
        const double a = t * kPi / 2;
        expectNear(pointAt(quarter, t), {o.x + r * std::cos(a), o.y + r * std::sin(a)}, 1e-9);
        expectNear(tangentAt(quarter, t), {-std::sin(a), std::cos(a)}, 1e-12);
        EXPECT_NEAR(
            closestParameter(quarter, {o.x + 2 * r * std::cos(a), o.y + 2 * r * std::sin(a)}), t,
            1e-10);
    }
    EXPECT_NEAR(segmentLength(quarter), r * kPi / 2, 1e-12);
    // Points off the arc go to the nearer end.
    EXPECT_EQ(closestParameter(quarter, {o.x + 1, o.y - 5}), 0);
    EXPECT_EQ(closestParameter(quarter, {o.x - 5, o.y + 1}), 1);
}

TEST(PathSegments, NearlyStraightArcsKeepTheirDigits) {
    // Bulge 1e-7 over a chord of 100: a radius of 1.25e8, sagitta 5e-6.
    const PathSegment s{{0, 0}, {100, 0}, 1e-7};
    const double theta = 4 * std::atan(1e-7), r = 100 / (2 * std::sin(theta / 2));
    EXPECT_NEAR(segmentLength(s), r * theta, 1e-12);
    expectNear(pointAt(s, 0.5), {50, -5e-6}, 1e-12);
    EXPECT_NEAR(bulgeArea(s), -2.0 / 3 * 100 * 5e-6 * -1, 1e-12);
    EXPECT_FALSE((PathSegment{{0, 0}, {1, 0}, 1e-10}.isArc()));
}

TEST(PathSegments, PartsMakeTheWhole) {
    const PathSegment s{{1, 2}, {7, -3}, -0.8};
    const auto [first, second] = split(s, 0.3);
    EXPECT_EQ(first.b, second.a);
    EXPECT_NEAR(segmentLength(first) + segmentLength(second), segmentLength(s), 1e-12);
    EXPECT_NEAR(sweepOfBulge(first.bulge) + sweepOfBulge(second.bulge), sweepOfBulge(s.bulge),
                1e-12);
    expectNear(pointAt(second, 0.5), pointAt(s, 0.65), 1e-12);
    // A part run backwards is the same arc the other way.
    const PathSegment back = subSegment(s, 0.8, 0.2);
    expectNear(pointAt(back, 0.5), pointAt(s, 0.5), 1e-12);
    EXPECT_NEAR(back.bulge, -subSegment(s, 0.2, 0.8).bulge, 1e-15);
    // Past the ends the circle goes on.
    const ArcGeometry g = arcOf(s);
    const Vec2 beyond = pointAt(s, 1.4);
    EXPECT_NEAR(std::hypot(beyond.x - g.centre.x, beyond.y - g.centre.y), g.radius, 1e-12);
    EXPECT_NEAR(parameterOf(s, beyond), 1.4, 1e-12);
}

TEST(PathSegments, MeetWhereTheFormulasSay) {
    // A line across a circle of radius 5 at y = 3 meets it at x = ±4.
    const PathSegment upper{{5, 0}, {-5, 0}, 1}; // the upper half, counter-clockwise
    auto h = hitsOf(PathSegment{{-10, 3}, {10, 3}, 0}, upper);
    ASSERT_EQ(h.size(), 2u);
    expectNear(h[0].p, {-4, 3}, 1e-14);
    expectNear(h[1].p, {4, 3}, 1e-14);
    EXPECT_NEAR(h[0].ta, 6.0 / 20, 1e-15);
    EXPECT_NEAR(h[1].tb, std::atan2(3, 4) / kPi, 1e-14);
    // The lower half is not met there.
    EXPECT_TRUE(hitsOf(PathSegment{{-10, 3}, {10, 3}, 0}, PathSegment{{-5, 0}, {5, 0}, 1}).empty());
    // Two circles of radius 5, 8 apart: (4, ±3); only the upper arc of each.
    h = hitsOf(upper, PathSegment{{13, 0}, {3, 0}, 1});
    ASSERT_EQ(h.size(), 1u);
    expectNear(h[0].p, {4, 3}, 1e-14);
    // A line touching the circle meets it once.
    h = hitsOf(PathSegment{{-10, 5}, {10, 5}, 0}, upper);
    ASSERT_EQ(h.size(), 1u);
    expectNear(h[0].p, {0, 5}, 1e-12);
    // Lines: crossing, parallel, and along one line (the ends of the common part).
    h = hitsOf(PathSegment{{0, 0}, {4, 4}, 0}, PathSegment{{0, 4}, {4, 0}, 0});
    ASSERT_EQ(h.size(), 1u);
    expectNear(h[0].p, {2, 2}, 1e-15);
    EXPECT_TRUE(hitsOf(PathSegment{{0, 0}, {4, 0}, 0}, PathSegment{{0, 1}, {4, 1}, 0}).empty());
    h = hitsOf(PathSegment{{0, 0}, {4, 0}, 0}, PathSegment{{2, 0}, {9, 0}, 0});
    ASSERT_EQ(h.size(), 2u);
    expectNear(h[0].p, {2, 0}, 0);
    expectNear(h[1].p, {4, 0}, 0);
    // Arcs of one circle: the ends of their common part.
    h = hitsOf(upper, PathSegment{{0, 5}, {0, -5}, 1});
    ASSERT_EQ(h.size(), 2u);
    expectNear(h[0].p, {-5, 0}, 1e-12);
    expectNear(h[1].p, {0, 5}, 1e-12);
    // Whole lines and circles.
    std::vector<Vec2> meet;
    intersections(carrierOf(PathSegment{{0, 0}, {1, 0}, 0}),
                  carrierOf(PathSegment{{7, 9}, {7, 8}, 0}), meet);
    ASSERT_EQ(meet.size(), 1u);
    expectNear(meet[0], {7, 0}, 1e-15);
}

TEST(PathSegments, BoxesHoldTheWholeArc) {
    const Rect r = box(PathSegment{{5, 0}, {-5, 0}, 1});
    EXPECT_NEAR(r.left, -5, 1e-15);
    EXPECT_NEAR(r.right, 5, 1e-15);
    EXPECT_NEAR(r.top, 5, 1e-15);
    EXPECT_NEAR(r.bottom, 0, 1e-15);
}

TEST(Paths, AreasLengthsAndPlacesAlongThem) {
    const Path circle = pathOf(CircleData{{3, -2}, 4});
    EXPECT_NEAR(signedArea(circle), kPi * 16, 1e-12);
    EXPECT_NEAR(length(circle), 8 * kPi, 1e-12);
    // A slot: a 10 x 6 rectangle with half circles on its short sides.
    const Path slot{{{{0, 0}, 0}, {{10, 0}, 1}, {{10, 6}, 0}, {{0, 6}, 1}}, true};
    EXPECT_NEAR(signedArea(slot), 60 + kPi * 9, 1e-12);
    EXPECT_NEAR(signedArea(reversed(slot)), -(60 + kPi * 9), 1e-12);
    EXPECT_NEAR(length(slot), 20 + 6 * kPi, 1e-12);
    const PathPosition at = positionAtDistance(slot, 10 + 3 * kPi / 2);
    EXPECT_EQ(at.segment, 1u);
    EXPECT_NEAR(at.t, 0.5, 1e-12);
    expectNear(pointAt(slot, at), {13, 3}, 1e-12);
    EXPECT_NEAR(distanceAt(slot, at), 10 + 3 * kPi / 2, 1e-12);
    const PathPosition near = closestPosition(slot, {20, 3});
    EXPECT_EQ(near.segment, 1u);
    EXPECT_NEAR(near.t, 0.5, 1e-12);
    EXPECT_NEAR(distanceTo(slot, {20, 3}), 7, 1e-12);
}

TEST(Paths, ReversingTwiceGivesThePathBack) {
    const Path open{{{{0, 0}, 0.3}, {{4, 1}, 0}, {{6, 5}, -2}, {{9, 9}, 0}}, false};
    const Path back = reversed(open);
    EXPECT_EQ(back.v.front().p, (Vec2{9, 9}));
    EXPECT_EQ(back.v[0].bulge, 2);
    EXPECT_EQ(back.v[2].bulge, -0.3);
    EXPECT_EQ(reversed(back), open);
    EXPECT_NEAR(length(back), length(open), 1e-12);
    // Closed: from the same first vertex, the closing segment's arc now first.
    const Path closed{{{{0, 0}, 0.5}, {{4, 0}, 0}, {{4, 4}, -0.25}}, true};
    const Path r = reversed(closed);
    EXPECT_EQ(r.v[0], (PathVertex{{0, 0}, 0.25}));
    EXPECT_EQ(r.v[1], (PathVertex{{4, 4}, 0}));
    EXPECT_EQ(r.v[2], (PathVertex{{4, 0}, -0.5}));
    EXPECT_EQ(reversed(r), closed);
    EXPECT_NEAR(signedArea(r), -signedArea(closed), 1e-12);
}

TEST(Paths, PartsRunFromOnePlaceToAnother) {
    const Path slot{{{{0, 0}, 0}, {{10, 0}, 1}, {{10, 6}, 0}, {{0, 6}, 1}}, true};
    // Round past the closing point.
    const Path part = subPath(slot, {3, 0.5}, {1, 0.5});
    EXPECT_FALSE(part.closed);
    expectNear(part.v.front().p, {-3, 3}, 1e-12);
    expectNear(part.v.back().p, {13, 3}, 1e-12);
    EXPECT_NEAR(length(part), 10 + 3 * kPi, 1e-12);
    // An open path backwards.
    const Path open = pathOf({{0, 0}, {10, 0}, {10, 10}}, false);
    const Path back = subPath(open, {1, 0.5}, {0, 0.5});
    expectNear(back.v.front().p, {10, 5}, 0);
    expectNear(back.v.back().p, {5, 0}, 0);
    EXPECT_EQ(back.v.size(), 3u);
    // Segments of no length go, the bulge that goes on stays.
    const Path repeated{{{{0, 0}, 0}, {{0, 0}, 0.5}, {{2, 0}, 0}, {{2, 0}, 0}}, false};
    const Path clean = withoutShortSegments(repeated, 1e-12);
    ASSERT_EQ(clean.v.size(), 2u);
    EXPECT_EQ(clean.v[0].bulge, 0.5);
}

TEST(Paths, EntitiesAsPaths) {
    const Path arc = pathOf(ArcData{{1, 1}, 2, 90, 0});
    ASSERT_EQ(arc.segmentCount(), 1u);
    EXPECT_NEAR(sweepOfBulge(arc.v[0].bulge), 1.5 * kPi, 1e-12);
    expectNear(arc.v[0].p, {1, 3}, 1e-15);
    // Back to an arc, and a clockwise segment as the arc it is.
    const ArcData a = arcDataOf(segmentOf(arc, 0));
    EXPECT_NEAR(a.startAngle, 90, 1e-12);
    EXPECT_NEAR(a.endAngle, 0, 1e-12);
    const ArcData cw = arcDataOf(reversed(segmentOf(arc, 0)));
    EXPECT_NEAR(cw.startAngle, 90, 1e-12);
    EXPECT_NEAR(cw.endAngle, 0, 1e-12);
    EXPECT_NEAR(cw.radius, 2, 1e-15);
}

TEST(BoxGrid, FindsThePairsAndPlacesThatTryingEveryOneFinds) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(0, 1000), size(0, 30);
    std::vector<Rect> boxes;
    for (int i = 0; i < 600; ++i) {
        Rect r;
        const double x = at(random), y = at(random);
        r.add(x, y);
        // Now and then one box over much of the place.
        const double s = i % 97 == 0 ? 600 : size(random);
        r.add(x + s, y + size(random));
        boxes.push_back(r);
    }
    boxes.push_back(Rect{}); // empty: never found
    const BoxGrid grid(boxes);
    std::set<std::pair<std::size_t, std::size_t>> found, expected;
    grid.forEachPair([&](std::size_t i, std::size_t j) {
        EXPECT_LT(i, j);
        EXPECT_TRUE(found.insert({i, j}).second) << "twice: " << i << " " << j;
    });
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (boxes[i].intersects(boxes[j]))
                expected.insert({i, j});
    EXPECT_EQ(found, expected);
    for (int q = 0; q < 50; ++q) {
        Rect r;
        r.add(at(random), at(random));
        r.add(at(random), at(random));
        std::set<std::size_t> near, all;
        grid.forEachNear(r, [&](std::size_t i) { EXPECT_TRUE(near.insert(i).second); });
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].intersects(r))
                all.insert(i);
        EXPECT_EQ(near, all);
    }
}

TEST(ChainBoxTree, FindsThePairsAndPlacesThatTryingEveryOneFinds) {
    std::mt19937 random(12);
    std::uniform_real_distribution<double> step(-20, 20), at(0, 400);
    // Boxes of the steps of a random walk, as a polyline's segments make them; now and then an
    // empty one or one over much of the place. Sizes at the edges of the groups of eight.
    const auto chain = [&](std::size_t count) {
        std::vector<Rect> boxes;
        Vec2 p{at(random), at(random)};
        for (std::size_t i = 0; i < count; ++i) {
            Rect r;
            r.add(p);
            p = {p.x + step(random), p.y + step(random)};
            r.add(p);
            if (i % 37 == 5)
                r = Rect{};
            if (i % 101 == 7)
                r.add(p.x + 300, p.y - 200);
            boxes.push_back(r);
        }
        return boxes;
    };
    using Pairs = std::set<std::pair<std::size_t, std::size_t>>;
    for (const std::size_t count : {0, 1, 2, 8, 9, 64, 65, 513, 700}) {
        const std::vector<Rect> boxes = chain(count), others = chain(count / 2 + 3);
        const ChainBoxTree tree(boxes), otherTree(others);
        Pairs found, expected;
        tree.forEachPair([&](std::size_t i, std::size_t j) {
            EXPECT_LT(i, j);
            EXPECT_TRUE(found.insert({i, j}).second) << "twice: " << i << " " << j;
        });
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                if (boxes[i].intersects(boxes[j]))
                    expected.insert({i, j});
        EXPECT_EQ(found, expected) << count;
        // One pair asked for: the search ends at the first yes.
        std::size_t asked = 0;
        EXPECT_EQ(tree.anyPair([&](std::size_t, std::size_t) { return ++asked == 1; }),
                  !expected.empty());
        EXPECT_EQ(asked, expected.empty() ? 0u : 1u);

        Pairs across, expectedAcross;
        tree.forEachPairWith(otherTree, [&](std::size_t i, std::size_t j) {
            EXPECT_TRUE(across.insert({i, j}).second) << "twice: " << i << " " << j;
        });
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = 0; j < others.size(); ++j)
                if (boxes[i].intersects(others[j]))
                    expectedAcross.insert({i, j});
        EXPECT_EQ(across, expectedAcross) << count;

        for (int q = 0; q < 20; ++q) {
            Rect r;
            r.add(at(random), at(random));
            r.add(r.left + step(random) * 2, r.bottom + step(random) * 2);
            std::vector<std::size_t> near, all;
            tree.anyNear(r, [&](std::size_t i) {
                near.push_back(i);
                return false;
            });
            for (std::size_t i = 0; i < boxes.size(); ++i)
                if (boxes[i].intersects(r))
                    all.push_back(i);
            // In the chain's order, each once.
            EXPECT_EQ(near, all) << count;
        }
    }
}
