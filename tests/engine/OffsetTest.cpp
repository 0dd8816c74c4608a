// Offsets checked by what an offset is: every point at the distance from the curve (with
// round corners exactly, with extended ones never nearer), areas known in closed form, no
// crossing of itself (every pair of segments tried), and an offset taken back by the same
// distance giving the curve again.
#include "engine/model/Offset.h"
#include "engine/model/Curves.h"
#include "tests/engine/PathChecks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cad;
using cad::checks::numberFaults;
using cad::checks::selfCrossings;

namespace {

Path square(double side, Vec2 at = {}) {
    return pathOf({at, {at.x + side, at.y}, {at.x + side, at.y + side}, {at.x, at.y + side}}, true);
}

// An L: two arms 8 wide, its outer corner at (20, 0) rounded by a quarter circle of radius 4,
// the inner corner at (8, 8); counter-clockwise.
Path lShape() {
    const double quarter = std::tan(kPi / 8);
    return {{{{0, 0}, 0},
             {{16, 0}, quarter},
             {{20, 4}, 0},
             {{20, 8}, 0},
             {{8, 8}, 0},
             {{8, 20}, 0},
             {{0, 20}, 0}},
            true};
}

// Points along every segment: its ends, its middle and its quarters.
std::vector<Vec2> samplesOf(const Path& p) {
    std::vector<Vec2> out;
    for (std::size_t i = 0; i < p.segmentCount(); ++i)
        for (const double t : {0.0, 0.25, 0.5, 0.75})
            out.push_back(pointAt(segmentOf(p, i), t));
    return out;
}

Path onlyPath(const Outcome<std::vector<Path>>& o) {
    EXPECT_TRUE(o.ok()) << static_cast<int>(o.refusal);
    EXPECT_EQ(o.value.size(), 1u);
    return o.value.empty() ? Path{} : o.value[0];
}

// The vertices of `actual` match those of `expected` in order round the path (from wherever
// it starts), bulges too.
void expectSamePath(const Path& actual, const Path& expected, double tolerance) {
    ASSERT_EQ(actual.v.size(), expected.v.size());
    ASSERT_EQ(actual.closed, expected.closed);
    std::size_t shift = 0;
    for (std::size_t i = 0; i < actual.v.size(); ++i)
        if (std::hypot(actual.v[i].p.x - expected.v[0].p.x, actual.v[i].p.y - expected.v[0].p.y) <
            std::hypot(actual.v[shift].p.x - expected.v[0].p.x,
                       actual.v[shift].p.y - expected.v[0].p.y))
            shift = i;
    for (std::size_t i = 0; i < expected.v.size(); ++i) {
        const PathVertex& a = actual.v[(i + shift) % actual.v.size()];
        EXPECT_NEAR(a.p.x, expected.v[i].p.x, tolerance) << "vertex " << i;
        EXPECT_NEAR(a.p.y, expected.v[i].p.y, tolerance) << "vertex " << i;
        EXPECT_NEAR(a.bulge, expected.v[i].bulge, tolerance) << "vertex " << i;
    }
}

} // namespace

TEST(Offset, SquareGrowsByItsSidesAndCorners) {
    const double a = 10, d = 2;
    // Counter-clockwise: outward is to the right, a negative distance.
    const Path grown = onlyPath(offsetPath(square(a), -d, CornerJoin::Extend));
    EXPECT_TRUE(grown.closed);
    EXPECT_NEAR(signedArea(grown), (a + 2 * d) * (a + 2 * d), 1e-9);
    EXPECT_EQ(grown.v.size(), 4u);

    const Path rounded = onlyPath(offsetPath(square(a), -d, CornerJoin::Round));
    EXPECT_NEAR(signedArea(rounded), a * a + 4 * a * d + kPi * d * d, 1e-9);
    for (const Vec2 p : samplesOf(rounded))
        EXPECT_NEAR(distanceTo(square(a), p), d, 1e-9);

    // Inward: a square of side a - 2d, whichever corners.
    for (const CornerJoin corners : {CornerJoin::Extend, CornerJoin::Round})
        EXPECT_NEAR(signedArea(onlyPath(offsetPath(square(a), d, corners))),
                    (a - 2 * d) * (a - 2 * d), 1e-9);
}

TEST(Offset, RectanglesOfEveryTurnAndSignAreClosedCounterClockwisePolylines) {
    for (const double rotation : {0.0, 30.0, -125.0})
        for (const double width : {8.0, -8.0}) {
            const Path r = pathOf(RectangleData{{1000, -50}, width, 3, rotation});
            EXPECT_GT(signedArea(r), 0);
            const Path out = onlyPath(offsetPath(r, -1, CornerJoin::Extend));
            EXPECT_NEAR(signedArea(out), 10 * 5, 1e-9) << rotation << " " << width;
            const Path in = onlyPath(offsetPath(r, 1, CornerJoin::Extend));
            EXPECT_NEAR(signedArea(in), 6 * 1, 1e-9);
        }
}

TEST(Offset, InwardPastTheMiddleLeavesNothing) {
    EXPECT_EQ(offsetPath(square(10), 5.5).refusal, Refusal::Vanishes);
    EXPECT_EQ(offsetPath(pathOf(CircleData{{3, 4}, 5}), 5.5).refusal, Refusal::Vanishes);
    // The widest circle inside the L has radius 8√2 / (1 + √2) = 4.686.
    EXPECT_EQ(offsetPath(lShape(), 4.7, CornerJoin::Round).refusal, Refusal::Vanishes);
    EXPECT_EQ(offsetCircle({{0, 0}, 5}, 5).refusal, Refusal::Vanishes);
    EXPECT_EQ(offsetArc({{0, 0}, 5, 0, 90}, 6).refusal, Refusal::Vanishes);
    EXPECT_EQ(offsetPath(square(10), 0).refusal, Refusal::ZeroDistance);
    EXPECT_EQ(offsetPath(square(10), std::nan("")).refusal, Refusal::NotFinite);
    EXPECT_EQ(offsetPath(Path{{{{1, 1}, 0}}, false}, 1).refusal, Refusal::EmptyInput);
}

TEST(Offset, LShapeWithAnArcCornerNeverCrossesItself) {
    const Path l = lShape();
    for (const CornerJoin corners : {CornerJoin::Round, CornerJoin::Extend})
        for (const double d : {0.5, 1.0, 2.0, 3.0, 3.9, 4.5, -1.0, -3.0, -10.0}) {
            // Near the inner corner, a little more than 4.5 from everything: with round corners
            // a small loop there; extended corners reach past it.
            if (d == 4.5 && corners == CornerJoin::Extend) {
                EXPECT_EQ(offsetPath(l, d, corners).refusal, Refusal::Vanishes);
                continue;
            }
            SCOPED_TRACE(testing::Message()
                         << "distance " << d << " round " << (corners == CornerJoin::Round));
            const Path out = onlyPath(offsetPath(l, d, corners));
            EXPECT_TRUE(out.closed);
            EXPECT_TRUE(selfCrossings(out, 1e-9).empty());
            EXPECT_EQ(numberFaults(out, 1e-9), "");
            for (const Vec2 p : samplesOf(out)) {
                if (corners == CornerJoin::Round)
                    EXPECT_NEAR(distanceTo(l, p), std::abs(d), 1e-9);
                else
                    EXPECT_GT(distanceTo(l, p), std::abs(d) - 1e-9);
            }
            // Inward it stays inside, outward it holds the shape.
            EXPECT_EQ(std::abs(signedArea(out)) < std::abs(signedArea(l)), d > 0);
        }
}

TEST(Offset, BackByTheSameDistanceGivesTheCurveAgain) {
    const double d = 1.5;
    // Sharp corners outward and back.
    const Path sq = square(10, {512340.5, 5812345.25});
    const Path out = onlyPath(offsetPath(sq, -d, CornerJoin::Extend));
    expectSamePath(onlyPath(offsetPath(out, -(-d), CornerJoin::Extend)), sq, 1e-9);
    // Round corners outward: the arcs shrink back into the corners.
    const Path round = onlyPath(offsetPath(sq, -d, CornerJoin::Round));
    EXPECT_EQ(round.v.size(), 8u);
    expectSamePath(onlyPath(offsetPath(round, d, CornerJoin::Round)), sq, 1e-9);
    // A slot with half circles at its ends, both ways.
    const Path slot{{{{0, 0}, 0}, {{10, 0}, 1}, {{10, 6}, 0}, {{0, 6}, 1}}, true};
    for (const double by : {d, -d})
        expectSamePath(onlyPath(offsetPath(onlyPath(offsetPath(slot, by)), -by)), slot, 1e-9);
    // An open polyline: a line, a quarter circle going on from it, a line going on from that,
    // and a corner to the right; to the left and back.
    const Path open{
        {{{0, 0}, 0}, {{10, 0}, std::tan(kPi / 8)}, {{14, 4}, 0}, {{14, 10}, 0}, {{20, 10}, 0}},
        false};
    const Path left = onlyPath(offsetPath(open, d, CornerJoin::Round));
    EXPECT_EQ(left.v.size(), 6u);
    expectSamePath(onlyPath(offsetPath(left, -d, CornerJoin::Round)), open, 1e-9);
}

TEST(Offset, OpenPolylineTrimsItsInnerCornerAndKeepsItsEnds) {
    const Path l = pathOf({{0, 0}, {10, 0}, {10, 10}}, false);
    // To the left, the inside of the turn.
    const Path in = onlyPath(offsetPath(l, 1));
    expectSamePath(in, pathOf({{0, 1}, {9, 1}, {9, 10}}, false), 1e-12);
    // To the right, round the outside.
    const Path out = onlyPath(offsetPath(l, -1, CornerJoin::Extend));
    expectSamePath(out, pathOf({{0, -1}, {11, -1}, {11, 10}}, false), 1e-12);
    // A U narrower than twice the distance keeps only what is far enough from all of it.
    const Path u = pathOf({{0, 10}, {0, 0}, {4, 0}, {4, 10}}, false);
    const Path inner = onlyPath(offsetPath(u, 1.5));
    expectSamePath(inner, pathOf({{1.5, 10}, {1.5, 1.5}, {2.5, 1.5}, {2.5, 10}}, false), 1e-12);
    const auto none = offsetPath(u, 2.5);
    if (none) {
        for (const Path& p : none.value)
            for (const Vec2 q : samplesOf(p))
                EXPECT_GT(distanceTo(u, q), 2.5 - 1e-9);
    }
}

TEST(Offset, LinesArcsAndCirclesKeepTheirKind) {
    const auto line = offsetLine({{0, 0}, {10, 0}}, 2);
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(line->a, (Vec2{0, 2}));
    EXPECT_EQ(line->b, (Vec2{10, 2}));
    const auto arc = offsetArc({{1, 1}, 5, 10, 100}, 2);
    ASSERT_TRUE(arc.ok());
    EXPECT_DOUBLE_EQ(arc->radius, 3);
    EXPECT_DOUBLE_EQ(arc->startAngle, 10);
    EXPECT_DOUBLE_EQ(arc->endAngle, 100);
    EXPECT_DOUBLE_EQ(offsetCircle({{1, 1}, 5}, -2)->radius, 7);
}

TEST(Offset, EllipsesStayWithinAThousandthOfTheDistance) {
    // Radii 10 and 4: the tightest bend has radius 1.6, so 2.5 inward makes cusps to cut away.
    const EllipseData whole{{3, 4}, 10, 4, 30, 0, 360};
    const EllipseData part{{3, 4}, 10, 4, 30, 20, 230};
    for (const EllipseData& e : {whole, part})
        for (const double d : {1.0, 2.5, -3.0}) {
            SCOPED_TRACE(testing::Message() << "distance " << d << " from " << e.startAngle);
            const auto out = offsetEllipse(e, d);
            ASSERT_TRUE(out.ok());
            for (const Path& p : out.value) {
                EXPECT_TRUE(selfCrossings(p, 1e-9).empty());
                EXPECT_EQ(p.closed, e.endAngle == 360);
                for (const Vec2 q : samplesOf(p)) {
                    const Vec2 c = closestPoint(ellipseConic(e), q);
                    const double away = std::hypot(q.x - c.x, q.y - c.y);
                    EXPECT_NEAR(away, std::abs(d), std::abs(d) / 1000);
                }
            }
        }
}

TEST(Offset, SplinesStayWithinAThousandthOfTheDistance) {
    for (const bool closed : {false, true})
        for (const double d : {0.5, -1.0}) {
            const std::vector<Vec2> fit =
                closed ? std::vector<Vec2>{{0, 0}, {10, -2}, {20, 3}, {12, 8}, {3, 6}}
                       : std::vector<Vec2>{{0, 0}, {5, 4}, {10, 0}, {15, -3}, {20, 2}};
            SCOPED_TRACE(testing::Message() << "distance " << d << " closed " << closed);
            const auto out = offsetSpline(fit, closed, d);
            ASSERT_TRUE(out.ok());
            const Curve spline = SplineData{fit, closed};
            for (const Path& p : out.value) {
                EXPECT_TRUE(selfCrossings(p, 1e-9).empty());
                for (const Vec2 q : samplesOf(p))
                    EXPECT_NEAR(distanceTo(spline, q), std::abs(d), std::abs(d) / 1000);
            }
        }
}

TEST(Offset, APickedPointChoosesTheSideAndThroughPointTheDistance) {
    const Curve sq = square(10);
    EXPECT_EQ(offsetSide(sq, {5, 5}), 1);
    EXPECT_EQ(offsetSide(sq, {-1, 5}), -1);
    EXPECT_EQ(offsetSide(Curve{reversed(square(10))}, {5, 5}), -1);
    const Curve line = LineData{{0, 0}, {10, 0}};
    EXPECT_EQ(offsetSide(line, {5, 1}), 1);
    EXPECT_EQ(offsetSide(line, {5, -1}), -1);
    // Off the outer side of a corner of an open polyline, nearest to the corner itself.
    const Curve corner = pathOf({{0, 0}, {10, 0}, {10, 10}}, false);
    EXPECT_EQ(offsetSide(corner, {11, -1}), -1);
    EXPECT_EQ(offsetSide(corner, {9, 1}), 1);

    const auto through = offsetCurveThrough(line, {5, 3});
    ASSERT_TRUE(through.ok());
    const LineData moved = std::get<LineData>(through.value.at(0));
    EXPECT_EQ(moved.a, (Vec2{0, 3}));
    const auto bigger = offsetCurveThrough(Curve{CircleData{{0, 0}, 5}}, {8, 0});
    ASSERT_TRUE(bigger.ok());
    EXPECT_DOUBLE_EQ(std::get<CircleData>(bigger.value.at(0)).radius, 8);
    const auto toward = offsetCurveToward(sq, 2, {-3, 5});
    ASSERT_TRUE(toward.ok());
    EXPECT_NEAR(signedArea(std::get<Path>(toward.value.at(0))), 14 * 14, 1e-9);
}
