// Break, join, lengthen, reverse, stretch and the places of array copies, each against
// results worked out by hand.
#include "engine/model/ArrayPattern.h"
#include "engine/model/Break.h"
#include "engine/model/Join.h"
#include "engine/model/Lengthen.h"
#include "engine/model/Stretch.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cad;

namespace {

void expectAt(Vec2 p, Vec2 q, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, q.x, tolerance);
    EXPECT_NEAR(p.y, q.y, tolerance);
}

} // namespace

TEST(Break, AtAPointIntoTwoOrOpenedThere) {
    auto out = breakAt(LineData{{0, 0}, {10, 0}}, {4, 1});
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->size(), 2u);
    expectAt(std::get<LineData>(out->at(0)).b, {4, 0});
    expectAt(std::get<LineData>(out->at(1)).a, {4, 0});
    out = breakAt(ArcData{{0, 0}, 5, 0, 180}, {0, 7});
    ASSERT_TRUE(out.ok());
    EXPECT_NEAR(std::get<ArcData>(out->at(0)).endAngle, 90, 1e-9);
    EXPECT_NEAR(std::get<ArcData>(out->at(1)).startAngle, 90, 1e-9);
    // A closed polyline opens at the point, all of it kept.
    const Path square = pathOf({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    out = breakAt(square, {10, 4});
    ASSERT_TRUE(out.ok());
    const Path& open = std::get<Path>(out->at(0));
    EXPECT_FALSE(open.closed);
    expectAt(open.v.front().p, {10, 4});
    expectAt(open.v.back().p, {10, 4});
    EXPECT_NEAR(length(open), 40, 1e-9);
    EXPECT_EQ(open.v.size(), 6u);
    // At a vertex: no new vertex.
    out = breakAt(square, {10, 10});
    EXPECT_EQ(std::get<Path>(out->at(0)).v.size(), 5u);
    EXPECT_EQ(breakAt(CircleData{{0, 0}, 1}, {1, 0}).refusal, Refusal::NeedsTwoCuts);
    EXPECT_EQ(breakAt(LineData{{0, 0}, {10, 0}}, {-3, 0}).refusal, Refusal::BreakOutside);
}

TEST(Break, BetweenTwoPointsTakesOutThePartCounterClockwiseFromTheFirst) {
    // A circle from 0° to 90°: three quarters stay.
    auto out = breakBetween(CircleData{{0, 0}, 5}, {5, 0}, {0, 5});
    ASSERT_TRUE(out.ok());
    ArcData a = std::get<ArcData>(out->at(0));
    EXPECT_NEAR(a.startAngle, 90, 1e-9);
    EXPECT_NEAR(a.endAngle, 0, 1e-9);
    // The points the other way round: the quarter stays.
    a = std::get<ArcData>(breakBetween(CircleData{{0, 0}, 5}, {0, 5}, {5, 0})->at(0));
    EXPECT_NEAR(a.startAngle, 0, 1e-9);
    EXPECT_NEAR(a.endAngle, 90, 1e-9);
    // A square run either way loses the same part.
    const Path square = pathOf({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    for (const Path& p : {square, reversed(square)}) {
        out = breakBetween(p, {10, 5}, {5, 10});
        ASSERT_TRUE(out.ok());
        const Path& left = std::get<Path>(out->at(0));
        EXPECT_NEAR(length(left), 30, 1e-9);
        // What is left does not pass the corner between the points.
        for (const PathVertex& v : left.v)
            EXPECT_FALSE(v.p == (Vec2{10, 10}));
    }
    // An open curve keeps both ends.
    out = breakBetween(LineData{{0, 0}, {10, 0}}, {7, 0}, {3, 0});
    ASSERT_EQ(out->size(), 2u);
    expectAt(std::get<LineData>(out->at(0)).b, {3, 0});
    expectAt(std::get<LineData>(out->at(1)).a, {7, 0});
    out = breakBetween(LineData{{0, 0}, {10, 0}}, {-1, 0}, {3, 0});
    ASSERT_EQ(out->size(), 1u);
}

TEST(Join, PiecesInAnyOrderAndDirectionMakeOnePolyline) {
    // A slot's outline from two lines and two half circles, shuffled and some reversed.
    const std::vector<Curve> pieces{
        LineData{{10, 6}, {0, 6}}, ArcData{{0, 3}, 3, 90, 270},
        LineData{{10, 0}, {0, 0}},    // reversed
        ArcData{{10, 3}, 3, 270, 90}, // from the bottom to the top, counter-clockwise
    };
    auto out = joinCurves(pieces, 1e-9);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->paths.size(), 1u);
    const Path& p = out->paths[0];
    EXPECT_TRUE(p.closed);
    EXPECT_EQ(p.v.size(), 4u);
    EXPECT_NEAR(std::abs(signedArea(p)), 60 + 9 * kPi, 1e-9);
    EXPECT_TRUE(out->gaps.empty());
    // Within the tolerance the ends meet; a gap larger than it is reported, not bridged.
    const std::vector<Curve> gappy{LineData{{0, 0}, {10, 0}}, LineData{{10.0005, 0}, {10, 5}},
                                   LineData{{10.5, 5}, {20, 5}}};
    out = joinCurves(gappy, 1e-3);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->paths.size(), 2u);
    EXPECT_EQ(out->paths[0].v.size(), 3u);
    expectAt(out->paths[0].v[1].p, {10, 0}, 0);
    ASSERT_EQ(out->gaps.size(), 1u);
    EXPECT_NEAR(out->gaps[0].distance, 0.5, 1e-12);
    // An open polyline joined at its start.
    const std::vector<Curve> withPath{Path{{{{5, 5}, 0.5}, {{0, 0}, 0}}, false},
                                      LineData{{5, 5}, {9, 5}}};
    out = joinCurves(withPath, 0);
    ASSERT_EQ(out->paths.size(), 1u);
    EXPECT_EQ(out->paths[0].v.size(), 3u);
    EXPECT_NEAR(length(out->paths[0]), length(std::get<Path>(withPath[0])) + 4, 1e-12);
    const std::vector<Curve> circle{CircleData{{0, 0}, 1}};
    EXPECT_EQ(joinCurves(circle, 0).refusal, Refusal::Unsupported);
}

TEST(Lengthen, ByALengthAPercentOrToATotalAtThePickedEnd) {
    const Curve line = LineData{{0, 0}, {10, 0}};
    auto out = lengthenCurve(line, {9, 0}, LengthenBy::Delta, 5);
    EXPECT_EQ(std::get<LineData>(out.value).b, (Vec2{15, 0}));
    out = lengthenCurve(line, {1, 0}, LengthenBy::Delta, -4);
    expectAt(std::get<LineData>(out.value).a, {4, 0});
    out = lengthenCurve(line, {9, 0}, LengthenBy::Percent, 150);
    expectAt(std::get<LineData>(out.value).b, {15, 0});
    out = lengthenCurve(line, {9, 0}, LengthenBy::Total, 2);
    expectAt(std::get<LineData>(out.value).b, {2, 0});
    EXPECT_EQ(lengthenCurve(line, {9, 0}, LengthenBy::Delta, -10).refusal, Refusal::TooShort);
    // An arc by its length along the circle.
    const Curve arc = ArcData{{0, 0}, 2, 0, 90};
    out = lengthenCurve(arc, {0, 2}, LengthenBy::Delta, kPi);
    EXPECT_NEAR(std::get<ArcData>(out.value).endAngle, 180, 1e-9);
    out = lengthenCurve(arc, {2, 0}, LengthenBy::Total, kPi / 2);
    EXPECT_NEAR(std::get<ArcData>(out.value).startAngle, 45, 1e-9);
    EXPECT_EQ(lengthenCurve(arc, {0, 2}, LengthenBy::Delta, 4 * kPi).refusal, Refusal::TooLong);
    // An open polyline at its last segment, an arc.
    const Path p{{{{0, 0}, 0}, {{10, 0}, std::tan(kPi / 8)}, {{14, 4}, 0}}, false};
    out = lengthenCurve(p, {14, 3}, LengthenBy::Delta, kPi * 2);
    const Path& longer = std::get<Path>(out.value);
    expectAt(longer.v.back().p, {10, 8});
    EXPECT_NEAR(length(longer), length(p) + 2 * kPi, 1e-9);
    // Shorter past its first segment from the start.
    out = lengthenCurve(p, {1, 0}, LengthenBy::Delta, -12);
    EXPECT_NEAR(length(std::get<Path>(out.value)), length(p) - 12, 1e-9);
    // An elliptic arc by its own length.
    const Curve e = EllipseData{{0, 0}, 4, 2, 0, 0, 90};
    out = lengthenCurve(e, {0, 2}, LengthenBy::Total,
                        curveLength(EllipseData{{0, 0}, 4, 2, 0, 0, 180}));
    EXPECT_NEAR(std::get<EllipseData>(out.value).endAngle, 180, 1e-7);
    EXPECT_EQ(lengthenCurve(CircleData{{0, 0}, 1}, {1, 0}, LengthenBy::Delta, 1).refusal,
              Refusal::ClosedCurve);
}

TEST(Reverse, RunsTheOtherWayWithTheSameShape) {
    const Curve line = reversedCurve(LineData{{0, 0}, {1, 2}});
    EXPECT_EQ(std::get<LineData>(line).a, (Vec2{1, 2}));
    const Path p{{{{0, 0}, 0.5}, {{4, 0}, 0}, {{4, 4}, -1}, {{0, 8}, 0}}, false};
    const Path r = std::get<Path>(reversedCurve(p));
    EXPECT_EQ(r.v[0], (PathVertex{{0, 8}, 1}));
    EXPECT_EQ(r.v[2], (PathVertex{{4, 0}, -0.5}));
    EXPECT_NEAR(length(r), length(p), 1e-12);
    for (double d = 0; d <= length(p); d += 0.5) {
        const Vec2 a = pointAt(p, positionAtDistance(p, d));
        const Vec2 b = pointAt(r, positionAtDistance(r, length(p) - d));
        expectAt(a, b, 1e-9);
    }
    const SplineData s{{{0, 0}, {1, 1}, {2, 0}}, false};
    EXPECT_EQ(std::get<SplineData>(reversedCurve(s)).fit.front(), (Vec2{2, 0}));
}

TEST(Stretch, WhatIsInsideTheWindowMoves) {
    Rect window;
    window.add(8, -1);
    window.add(12, 12);
    const Vec2 by{3, 0};
    auto out = stretchCurve(LineData{{0, 0}, {10, 0}}, window, by);
    EXPECT_EQ(std::get<LineData>(out.value).b, (Vec2{13, 0}));
    EXPECT_EQ(std::get<LineData>(out.value).a, (Vec2{0, 0}));
    // A polyline: the vertices inside move, an arc with one end moved keeps its height.
    const Path p{{{{0, 0}, 0}, {{10, 0}, 0.5}, {{10, 10}, 0}, {{0, 10}, 0}}, false};
    const Path q = std::get<Path>(stretchCurve(p, window, by).value);
    EXPECT_EQ(q.v[1].p, (Vec2{13, 0}));
    EXPECT_EQ(q.v[2].p, (Vec2{13, 10}));
    EXPECT_EQ(q.v[0].p, (Vec2{0, 0}));
    EXPECT_EQ(q.v[1].bulge, 0.5); // both ends moved: the same arc
    Rect corner;
    corner.add(9, 9);
    corner.add(11, 11);
    const Path k = std::get<Path>(stretchCurve(p, corner, {0, 5}).value);
    const double sagitta = 0.5 * 10 / 2;
    EXPECT_NEAR(k.v[1].bulge * std::hypot(0, 15) / 2, sagitta, 1e-12);
    // An arc wholly inside moves whole; a circle by its centre.
    const ArcData arc =
        std::get<ArcData>(stretchCurve(ArcData{{10, 5}, 1, 0, 90}, window, by).value);
    expectAt(arc.centre, {13, 5}, 1e-12);
    EXPECT_NEAR(arc.radius, 1, 1e-12);
    EXPECT_EQ(std::get<CircleData>(stretchCurve(CircleData{{10, 5}, 1}, window, by).value).centre,
              (Vec2{13, 5}));
    // Wholly inside: moved whole.
    const LineData moved =
        std::get<LineData>(stretchCurve(LineData{{9, 0}, {12, 0}}, window, by).value);
    EXPECT_EQ(moved.a, (Vec2{12, 0}));
    EXPECT_EQ(moved.b, (Vec2{15, 0}));
}

TEST(ArrayPattern, RectangularPolarAndAlongAPath) {
    const auto grid = rectangularArray({2, 3, 5, 10, 90});
    ASSERT_TRUE(grid.ok());
    ASSERT_EQ(grid->size(), 6u);
    // Columns along 90° (up), rows across it (to the left).
    expectAt(grid->at(2).apply({0, 0}), {0, 20}, 1e-12);
    expectAt(grid->at(3).apply({0, 0}), {-5, 0}, 1e-12);
    EXPECT_EQ(rectangularArray({0, 3, 1, 1, 0}).refusal, Refusal::NegativeValue);
    EXPECT_EQ(rectangularArray({1000, 1000, 1, 1, 0}).refusal, Refusal::TooMany);

    auto polar = polarArray({4, 360, {0, 0}, true}, {5, 0});
    ASSERT_EQ(polar->size(), 4u);
    expectAt(polar->at(1).apply({5, 0}), {0, 5}, 1e-12);
    EXPECT_DOUBLE_EQ(polar->at(3).turn, 270);
    // Part of a turn: the last copy at its end.
    polar = polarArray({3, 90, {0, 0}, false}, {5, 0});
    expectAt(polar->at(2).apply({5, 0}), {0, 5}, 1e-12);
    expectAt(polar->at(2).apply({6, 1}), {1, 6}, 1e-12); // carried, not turned
    EXPECT_EQ(polar->at(2).turn, 0);

    const Curve path = Path{{{{0, 0}, 0}, {{10, 0}, std::tan(kPi / 8)}, {{14, 4}, 0}}, false};
    auto along = pathArray(path, {0, 0}, {3, 0, true});
    ASSERT_TRUE(along.ok());
    ASSERT_EQ(along->size(), 3u);
    expectAt(along->at(0).apply({0, 0}), {0, 0}, 1e-12);
    expectAt(along->at(2).apply({0, 0}), {14, 4}, 1e-9);
    EXPECT_NEAR(along->at(2).turn, 90, 1e-9);
    expectAt(along->at(2).apply({1, 0}), {14, 5}, 1e-9);
    // By spacing: as many as fit.
    along = pathArray(path, {0, 0}, {0, 4, false});
    EXPECT_EQ(along->size(), static_cast<std::size_t>(std::floor((10 + 2 * kPi) / 4)) + 1);
    expectAt(along->at(2).apply({0, 0}), {8, 0}, 1e-9);
}
