// Trimming and extending every kind of curve at edges of every kind. The scene is made so that
// the answers are known without the code: every target runs from left to right through the
// origin, every edge crosses it there (and nowhere else near), so a trim picked right of the
// origin leaves the target from its left end to the origin, and a target cut short of the
// origin extends to it.
#include "engine/model/TrimExtend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace cad;

namespace {

struct Named {
    const char* name;
    Curve curve;
};

std::vector<Named> edges() {
    return {
        {"line", LineData{{0, -8}, {0, 8}}},
        {"arc", ArcData{{-20, 0}, 20, -30, 30}},
        {"circle", CircleData{{-20, 0}, 20}},
        {"ellipse", EllipseData{{-6, 0}, 6, 10, 0, 0, 360}},
        // Straight above and below, an arc about (-5, 0) through the origin between.
        {"polyline", Path{{{{-1, -8}, 0}, {{-1, -3}, 1.0 / 3}, {{-1, 3}, 0}, {{-1, 8}, 0}}, false}},
        {"spline", SplineData{{{-1, -8}, {0, 0}, {-1, 8}}, false}},
    };
}

const double kQuarterBulge = std::tan(kPi / 8);
// The polyline target: straight on both sides, an arc about (0, -4) over the origin between.
const double kArcEnd = 4 * std::sqrt(0.5);
const double kArcY = -4 + 4 * std::sqrt(0.5);

void expectAt(Vec2 p, Vec2 q, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, q.x, tolerance);
    EXPECT_NEAR(p.y, q.y, tolerance);
}

struct Target {
    const char* name;
    Curve curve;
    Vec2 pick;                              // right of the origin
    std::function<void(const Curve&)> left; // checks what a trim leaves
};

std::vector<Target> targets() {
    return {
        {"line",
         LineData{{-10, 0}, {10, 0}},
         {5, 0},
         [](const Curve& c) {
             const auto& l = std::get<LineData>(c);
             expectAt(l.a, {-10, 0});
             expectAt(l.b, {0, 0});
         }},
        // About (0, -20) from 60° to 120°: it runs from right to left, over the origin at 90°.
        {"arc",
         ArcData{{0, -20}, 20, 60, 120},
         {5, -1},
         [](const Curve& c) {
             const auto& a = std::get<ArcData>(c);
             EXPECT_NEAR(a.startAngle, 90, 1e-9);
             EXPECT_NEAR(a.endAngle, 120, 1e-9);
             EXPECT_EQ(a.radius, 20);
         }},
        {"ellipse",
         EllipseData{{0, -5}, 12, 5, 0, 30, 150},
         {5, -1},
         [](const Curve& c) {
             const auto& e = std::get<EllipseData>(c);
             EXPECT_NEAR(e.startAngle, 90, 1e-9);
             EXPECT_NEAR(e.endAngle, 150, 1e-9);
         }},
        {"polyline",
         Path{{{{-10, kArcY}, 0},
               {{-kArcEnd, kArcY}, -kQuarterBulge},
               {{kArcEnd, kArcY}, 0},
               {{10, kArcY}, 0}},
              false},
         {5, -1},
         [](const Curve& c) {
             const auto& p = std::get<Path>(c);
             ASSERT_EQ(p.v.size(), 3u);
             expectAt(p.v[0].p, {-10, kArcY});
             expectAt(p.v[1].p, {-kArcEnd, kArcY});
             EXPECT_NEAR(p.v[1].bulge, -std::tan(kPi / 16), 1e-9);
             expectAt(p.v[2].p, {0, 0});
         }},
        {"spline",
         SplineData{{{-10, 1}, {-5, -1}, {0, 0}, {5, 1}, {10, -1}}, false},
         {5, 1},
         [](const Curve& c) {
             const auto& s = std::get<SplineData>(c);
             expectAt(s.fit.front(), {-10, 1});
             expectAt(s.fit.back(), {0, 0});
             // Still through its fit points on the kept side, and along the curve it was.
             const Curve original =
                 SplineData{{{-10, 1}, {-5, -1}, {0, 0}, {5, 1}, {10, -1}}, false};
             EXPECT_NE(std::find(s.fit.begin(), s.fit.end(), Vec2{-5, -1}), s.fit.end());
             for (double u = 0; u <= 1; u += 0.05)
                 EXPECT_LT(distanceTo(original, pointAt(c, u * parameterEnd(c))), 2e-4);
         }},
    };
}

} // namespace

TEST(Trim, EveryKindAtEdgesOfEveryKind) {
    for (const Target& t : targets())
        for (const Named& e : edges()) {
            SCOPED_TRACE(testing::Message() << t.name << " at " << e.name);
            const std::vector<Curve> edge{e.curve};
            const auto out = trimCurve(t.curve, t.pick, edge);
            ASSERT_TRUE(out.ok()) << static_cast<int>(out.refusal);
            ASSERT_EQ(out.value.size(), 1u);
            t.left(out.value[0]);
        }
}

TEST(Extend, EveryKindToBoundariesOfEveryKind) {
    // Each target cut short left of the origin, extended at its end nearer to the origin.
    struct Short {
        const char* name;
        Curve curve;
        Vec2 pick;
        std::function<void(const Curve&)> reaches;
    };
    const std::vector<Short> shortened{
        {"line",
         LineData{{-10, 0}, {-1, 0}},
         {-2, 0},
         [](const Curve& c) {
             expectAt(std::get<LineData>(c).b, {0, 0});
         }},
        {"arc",
         ArcData{{0, -20}, 20, 95, 120},
         {-2, -0.1},
         [](const Curve& c) {
             EXPECT_NEAR(std::get<ArcData>(c).startAngle, 90, 1e-9);
             EXPECT_NEAR(std::get<ArcData>(c).endAngle, 120, 1e-9);
         }},
        {"ellipse",
         EllipseData{{0, -5}, 12, 5, 0, 95, 150},
         {-2, -0.1},
         [](const Curve& c) { EXPECT_NEAR(std::get<EllipseData>(c).startAngle, 90, 1e-9); }},
        // Ending on its arc at 100°: extended along the arc's circle.
        {"polyline",
         Path{{{{-10, kArcY}, 0},
               {{-kArcEnd, kArcY}, -std::tan(radians(35) / 4)},
               {{4 * std::cos(radians(100)), -4 + 4 * std::sin(radians(100))}, 0}},
              false},
         {-1, 0},
         [](const Curve& c) {
             const auto& p = std::get<Path>(c);
             ASSERT_EQ(p.v.size(), 3u);
             expectAt(p.v[2].p, {0, 0});
             EXPECT_NEAR(p.v[1].bulge, -std::tan(kPi / 16), 1e-9);
         }},
        // Straight, so its way on is the x axis.
        {"spline",
         SplineData{{{-10, 0}, {-5, 0}, {-1, 0}}, false},
         {-2, 0},
         [](const Curve& c) {
             expectAt(std::get<SplineData>(c).fit.back(), {0, 0});
         }},
    };
    for (const Short& t : shortened)
        for (const Named& e : edges()) {
            SCOPED_TRACE(testing::Message() << t.name << " to " << e.name);
            const std::vector<Curve> boundary{e.curve};
            const auto out = extendCurve(t.curve, t.pick, boundary);
            ASSERT_TRUE(out.ok()) << static_cast<int>(out.refusal);
            t.reaches(out.value);
        }
}

TEST(Trim, ACircleCutByTwoLinesLeavesTheArcAcrossFromTheClick) {
    const Curve circle = CircleData{{0, 0}, 5};
    const std::vector<Curve> lines{LineData{{0, 0}, {10, 0}}, LineData{{0, 0}, {0, 10}}};
    auto out = trimCurve(circle, {3.5, 3.5}, lines);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out.value.size(), 1u);
    auto arc = std::get<ArcData>(out.value[0]);
    EXPECT_NEAR(arc.startAngle, 90, 1e-9);
    EXPECT_NEAR(arc.endAngle, 0, 1e-9);
    out = trimCurve(circle, {-3.5, -3.5}, lines);
    arc = std::get<ArcData>(out.value.at(0));
    EXPECT_NEAR(arc.startAngle, 0, 1e-9);
    EXPECT_NEAR(arc.endAngle, 90, 1e-9);
    // Cut once it cannot be trimmed.
    const std::vector<Curve> one{LineData{{0, 0}, {10, 0}}};
    EXPECT_EQ(trimCurve(circle, {3.5, 3.5}, one).refusal, Refusal::NeedsTwoCuts);
}

TEST(Trim, ClosedCurvesBecomeOpen) {
    const std::vector<Curve> cuts{LineData{{-1, -10}, {-1, 10}}, LineData{{1, -10}, {1, 10}}};
    // A rectangle as a polyline: the top between the lines goes.
    const Curve rectangle = pathOf(RectangleData{{0, 0}, 8, 4, 0});
    auto out = trimCurve(rectangle, {0, 2.2}, cuts);
    ASSERT_TRUE(out.ok());
    const auto& p = std::get<Path>(out.value.at(0));
    EXPECT_FALSE(p.closed);
    const std::vector<Vec2> expected{{-1, 2}, {-4, 2}, {-4, -2}, {4, -2}, {4, 2}, {1, 2}};
    ASSERT_EQ(p.v.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expectAt(p.v[i].p, expected[i]);
    // A whole ellipse: the top between the lines goes.
    out = trimCurve(EllipseData{{0, 0}, 4, 2, 0, 0, 360}, {0, 2}, cuts);
    ASSERT_TRUE(out.ok());
    const auto& e = std::get<EllipseData>(out.value.at(0));
    EXPECT_NEAR(e.startAngle, std::acos(-0.25) * 180 / kPi, 1e-9);
    EXPECT_NEAR(e.endAngle, std::acos(0.25) * 180 / kPi, 1e-9);
    // A closed spline cut through two of its fit points keeps the half with the third.
    const Curve spline = SplineData{{{4, 0}, {0, 2}, {-4, 0}, {0, -2}}, true};
    const std::vector<Curve> axis{LineData{{0, -5}, {0, 5}}};
    out = trimCurve(spline, {4, 0}, axis);
    ASSERT_TRUE(out.ok());
    const auto& s = std::get<SplineData>(out.value.at(0));
    EXPECT_FALSE(s.closed);
    expectAt(s.fit.front(), {0, 2});
    expectAt(s.fit.back(), {0, -2});
    EXPECT_NE(std::find(s.fit.begin(), s.fit.end(), Vec2{-4, 0}), s.fit.end());
}

TEST(Trim, BetweenTwoCutsOrToTheEnd) {
    const Curve line = LineData{{-10, 0}, {10, 0}};
    const std::vector<Curve> two{LineData{{-3, -1}, {-3, 1}}, LineData{{3, -1}, {3, 1}}};
    const auto out = trimCurve(line, {0, 0.5}, two);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out.value.size(), 2u);
    expectAt(std::get<LineData>(out.value[0]).b, {-3, 0});
    expectAt(std::get<LineData>(out.value[1]).a, {3, 0});
    // Picked past the last cut: from there to the end.
    const auto end = trimCurve(line, {8, 0}, two);
    ASSERT_EQ(end.value.size(), 1u);
    expectAt(std::get<LineData>(end.value[0]).a, {-10, 0});
    expectAt(std::get<LineData>(end.value[0]).b, {3, 0});
    // Nothing crossing: refused.
    const std::vector<Curve> away{LineData{{20, -1}, {20, 1}}};
    EXPECT_EQ(trimCurve(line, {0, 0}, away).refusal, Refusal::NoIntersection);
    // An edge touching the target at its end cuts nothing.
    const std::vector<Curve> atEnd{LineData{{10, -1}, {10, 1}}};
    EXPECT_EQ(trimCurve(line, {0, 0}, atEnd).refusal, Refusal::NoIntersection);
}

TEST(Trim, EdgesCountAsWholeWhenAsked) {
    const Curve line = LineData{{-10, 0}, {10, 0}};
    // A line and an arc that stop short of the target.
    for (const Curve& shortEdge :
         {Curve{LineData{{0, 3}, {0, 8}}}, Curve{ArcData{{-20, 0}, 20, 10, 30}}}) {
        const std::vector<Curve> edge{shortEdge};
        EXPECT_EQ(trimCurve(line, {5, 0}, edge).refusal, Refusal::NoIntersection);
        const auto out = trimCurve(line, {5, 0}, edge, true);
        ASSERT_TRUE(out.ok());
        expectAt(std::get<LineData>(out.value.at(0)).b, {0, 0});
        // Extending to it the same way.
        const auto longer = extendCurve(LineData{{-10, 0}, {-1, 0}}, {-2, 0}, edge, true);
        ASSERT_TRUE(longer.ok());
        expectAt(std::get<LineData>(longer.value).b, {0, 0});
        EXPECT_EQ(extendCurve(LineData{{-10, 0}, {-1, 0}}, {-2, 0}, edge).refusal,
                  Refusal::NoIntersection);
    }
}

TEST(Extend, TheEndNearerThePickToTheNearestBoundary) {
    const Curve line = LineData{{0, 0}, {10, 0}};
    const std::vector<Curve> walls{LineData{{15, -1}, {15, 1}}, LineData{{12, -1}, {12, 1}},
                                   LineData{{-4, -1}, {-4, 1}}};
    auto out = extendCurve(line, {8, 0}, walls);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(std::get<LineData>(out.value).b, (Vec2{12, 0}));
    out = extendCurve(line, {2, 0}, walls);
    expectAt(std::get<LineData>(out.value).a, {-4, 0});
    // An arc goes round its circle; an arc whose way meets nothing is refused.
    const Curve arc = ArcData{{0, 0}, 5, 0, 90};
    const std::vector<Curve> ray{LineData{{0, 0}, {-10, 0}}};
    out = extendCurve(arc, {0, 5}, ray);
    ASSERT_TRUE(out.ok());
    EXPECT_NEAR(std::get<ArcData>(out.value).endAngle, 180, 1e-9);
    const std::vector<Curve> far{LineData{{100, 100}, {101, 100}}};
    EXPECT_EQ(extendCurve(arc, {0, 5}, far).refusal, Refusal::NoIntersection);
    EXPECT_EQ(extendCurve(CircleData{{0, 0}, 1}, {1, 0}, walls).refusal, Refusal::ClosedCurve);
}
