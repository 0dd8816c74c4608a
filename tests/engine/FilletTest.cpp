// Fillets and chamfers: centres and touching points known in closed form, areas of filleted
// shapes, smoothness where a fillet meets its segments, and the refusals where a fillet does
// not fit.
#include "engine/model/Fillet.h"
#include "tests/engine/PathChecks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cad;

namespace {

void expectAt(Vec2 p, Vec2 q, double tolerance = 1e-12) {
    EXPECT_NEAR(p.x, q.x, tolerance);
    EXPECT_NEAR(p.y, q.y, tolerance);
}

Vec2 arcPoint(const ArcData& a, double degrees) {
    return {a.centre.x + a.radius * std::cos(radians(degrees)),
            a.centre.y + a.radius * std::sin(radians(degrees))};
}

Path rectangle(double a, double b) {
    return pathOf({{0, 0}, {a, 0}, {a, b}, {0, b}}, true);
}

// Where neighbouring segments meet, they go on in one direction.
void expectSmoothAt(const Path& p, std::size_t vertex) {
    const std::size_t n = p.segmentCount();
    const Vec2 in = tangentAt(segmentOf(p, (vertex + n - 1) % n), 1);
    const Vec2 out = tangentAt(segmentOf(p, vertex % n), 0);
    EXPECT_NEAR(in.x, out.x, 1e-9) << "at vertex " << vertex;
    EXPECT_NEAR(in.y, out.y, 1e-9) << "at vertex " << vertex;
}

} // namespace

TEST(Fillet, RectangleWithEveryCornerRoundedLosesTheCornersArea) {
    const double a = 10, b = 6, r = 2;
    for (const bool clockwise : {false, true}) {
        const Path rect = clockwise ? reversed(rectangle(a, b)) : rectangle(a, b);
        const auto out = filletPathAll(rect, r);
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(out->changed, 4u);
        EXPECT_EQ(out->tooShort, 0u);
        const Path& p = out->path;
        EXPECT_TRUE(p.closed);
        ASSERT_EQ(p.v.size(), 8u);
        EXPECT_NEAR(std::abs(signedArea(p)), a * b - (4 - kPi) * r * r, 1e-9);
        EXPECT_TRUE(checks::selfCrossings(p, 1e-9).empty());
        for (std::size_t k = 0; k < p.v.size(); ++k)
            expectSmoothAt(p, k);
    }
    // Too short for all: each short side holds one fillet of the two.
    const auto tight = filletPathAll(rectangle(10, 3), 2);
    ASSERT_TRUE(tight.ok());
    EXPECT_EQ(tight->changed, 2u);
    EXPECT_EQ(tight->tooShort, 2u);
    EXPECT_EQ(checks::numberFaults(tight->path, 1e-12), "");
}

TEST(Fillet, TwoLinesInTheQuarterThePicksChoose) {
    const Curve across = LineData{{-10, 0}, {10, 0}};
    const Curve up = LineData{{0, -10}, {0, 10}};
    // Right and down: the quarter below the right half.
    auto out = filletCurves(across, {5, 0}, up, {0, -5}, 2);
    ASSERT_TRUE(out.ok());
    expectAt(std::get<LineData>(out->first).a, {2, 0});
    EXPECT_EQ(std::get<LineData>(out->first).b, (Vec2{10, 0}));
    EXPECT_EQ(std::get<LineData>(out->second).a, (Vec2{0, -10}));
    expectAt(std::get<LineData>(out->second).b, {0, -2});
    ASSERT_TRUE(out->arc);
    expectAt(out->arc->centre, {2, -2});
    EXPECT_NEAR(out->arc->startAngle, 90, 1e-12);
    EXPECT_NEAR(out->arc->endAngle, 180, 1e-12);
    // Lines that stop short of the corner are lengthened to the fillet.
    out = filletCurves(LineData{{5, 0}, {10, 0}}, {8, 0}, LineData{{0, 4}, {0, 10}}, {0, 8}, 3);
    ASSERT_TRUE(out.ok());
    expectAt(std::get<LineData>(out->first).a, {3, 0});
    expectAt(std::get<LineData>(out->second).a, {0, 3});
    // Radius 0: a sharp corner, lengthened or trimmed.
    out = filletCurves(LineData{{5, 0}, {10, 0}}, {8, 0}, up, {0, 8}, 0);
    ASSERT_TRUE(out.ok());
    EXPECT_FALSE(out->arc);
    expectAt(std::get<LineData>(out->first).a, {0, 0});
    expectAt(std::get<LineData>(out->second).a, {0, 0});
    EXPECT_EQ(std::get<LineData>(out->second).b, (Vec2{0, 10}));
    // A fillet past the far end of a line is refused, as are parallel lines.
    EXPECT_EQ(filletCurves(LineData{{0, 0}, {10, 0}}, {5, 0}, LineData{{0, 0}, {0, 10}}, {0, 5}, 12)
                  .refusal,
              Refusal::RadiusTooLarge);
    EXPECT_EQ(filletCurves(across, {0, 0}, LineData{{0, 3}, {9, 3}}, {1, 3}, 1).refusal,
              Refusal::Parallel);
    EXPECT_EQ(filletCurves(across, {0, 0}, LineData{{0, 3}, {9, 3}}, {1, 3}, 0).refusal,
              Refusal::Parallel);
    EXPECT_EQ(filletCurves(across, {0, 0}, up, {0, 1}, -1).refusal, Refusal::NegativeValue);
}

TEST(Fillet, LineAndArcTouchWhereTheCirclesSay) {
    // A half circle of radius 5 over a line: the fillet of radius 1 outside the circle and
    // above the line at their right crossing has its centre at (√35, 1).
    const Curve line = LineData{{-10, 0}, {10, 0}};
    const Curve arc = ArcData{{0, 0}, 5, 0, 180};
    const auto out = filletCurves(line, {8, 0}, arc, arcPoint(std::get<ArcData>(arc), 60), 1);
    ASSERT_TRUE(out.ok());
    const Vec2 c{std::sqrt(35.0), 1};
    expectAt(out->arc->centre, c, 1e-12);
    const LineData l = std::get<LineData>(out->first);
    expectAt(l.a, {c.x, 0});
    EXPECT_EQ(l.b, (Vec2{10, 0}));
    const ArcData kept = std::get<ArcData>(out->second);
    expectAt(arcPoint(kept, kept.startAngle), {c.x * 5 / 6, c.y * 5 / 6}, 1e-12);
    EXPECT_NEAR(kept.endAngle, 180, 1e-12);
    // The fillet runs between the two touching points.
    expectAt(arcPoint(*out->arc, out->arc->startAngle), {c.x * 5 / 6, c.y * 5 / 6}, 1e-12);
    expectAt(arcPoint(*out->arc, out->arc->endAngle), {c.x, 0}, 1e-12);
}

TEST(Fillet, TwoArcsAndALineWithACircle) {
    // Circles of radius 5 about (-4, 0) and (4, 0) cross at (0, ±3); above them a fillet of
    // radius 1 touching both from outside has its centre at (0, √20).
    const ArcData left{{-4, 0}, 5, -90, 90}, right{{4, 0}, 5, 90, 270};
    auto out = filletCurves(left, arcPoint(left, 60), right, arcPoint(right, 120), 1);
    ASSERT_TRUE(out.ok());
    expectAt(out->arc->centre, {0, std::sqrt(20.0)}, 1e-12);
    const ArcData l = std::get<ArcData>(out->first), r = std::get<ArcData>(out->second);
    const Vec2 touch{-4 + 4 * 5.0 / 6, std::sqrt(20.0) * 5 / 6};
    // Each keeps the part with its pick, from where the fillet touches it.
    expectAt(arcPoint(l, l.startAngle), touch, 1e-12);
    EXPECT_NEAR(l.endAngle, 90, 1e-12);
    expectAt(arcPoint(r, r.endAngle), {-touch.x, touch.y}, 1e-12);
    EXPECT_NEAR(r.startAngle, 90, 1e-12);

    // A line under a circle it does not reach: the circle stays whole, the line ends where the
    // fillet touches it.
    out = filletCurves(LineData{{-10, 0}, {10, 0}}, {3, 0}, CircleData{{0, 3}, 2}, {1.5, 1.7}, 1);
    ASSERT_TRUE(out.ok());
    expectAt(out->arc->centre, {std::sqrt(5.0), 1}, 1e-12);
    EXPECT_EQ(std::get<CircleData>(out->second).radius, 2);
    expectAt(std::get<LineData>(out->first).a, {std::sqrt(5.0), 0}, 1e-12);
    EXPECT_EQ(std::get<LineData>(out->first).b, (Vec2{10, 0}));
}

TEST(Fillet, PolylineCorners) {
    const Path l = pathOf({{0, 0}, {10, 0}, {10, 10}}, false);
    auto out = filletPathCorner(l, 1, 2);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->v.size(), 4u);
    expectAt(out->v[1].p, {8, 0});
    EXPECT_NEAR(out->v[1].bulge, std::tan(kPi / 8), 1e-15);
    expectAt(out->v[2].p, {10, 2});
    EXPECT_EQ(filletPathCorner(l, 0, 2).refusal, Refusal::OpenPathEnd);
    EXPECT_EQ(filletPathCorner(l, 2, 2).refusal, Refusal::OpenPathEnd);
    EXPECT_EQ(filletPathCorner(l, 1, 10.5).refusal, Refusal::RadiusTooLarge);
    EXPECT_EQ(filletPathCorner(pathOf({{0, 0}, {5, 0}, {10, 0}}, false), 1, 1).refusal,
              Refusal::NotACorner);

    // The corner between the last and the first segment of a closed polyline.
    const Path square = rectangle(10, 10);
    out = filletPathCorner(square, 0, 1);
    ASSERT_TRUE(out.ok());
    EXPECT_TRUE(out->closed);
    EXPECT_NEAR(signedArea(*out), 100 - (1 - kPi / 4), 1e-12);
    expectAt(out->v.front().p, {1, 0});
    expectAt(out->v.back().p, {0, 1});
    expectSmoothAt(*out, 0);
    expectSmoothAt(*out, out->v.size() - 1);

    // Between an arc segment and a line: smooth at both new vertices.
    const Path bowl{{{{0, 0}, 0.5}, {{10, 0}, 0}, {{10, 10}, 0}, {{0, 10}, 0}}, true};
    out = filletPathCorner(bowl, 1, 1);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->v.size(), 5u);
    expectSmoothAt(*out, 1);
    expectSmoothAt(*out, 2);
    EXPECT_TRUE(checks::selfCrossings(*out, 1e-9).empty());
    EXPECT_LT(signedArea(*out), signedArea(bowl));
}

TEST(Fillet, ACornerFilletedAgainGetsOnlyTheNewArc) {
    const Path square = rectangle(10, 10);
    const auto once = filletPathCorner(square, 2, 3);
    ASSERT_TRUE(once.ok());
    // The segments either side of the first fillet's arc (segments 1 and 3 now).
    const auto again = filletPathSegments(*once, 1, 3, 1);
    ASSERT_TRUE(again.ok());
    const auto direct = filletPathCorner(square, 2, 1);
    ASSERT_EQ(again->v.size(), direct->v.size());
    for (std::size_t i = 0; i < direct->v.size(); ++i) {
        expectAt(again->v[i].p, direct->v[i].p, 1e-12);
        EXPECT_NEAR(again->v[i].bulge, direct->v[i].bulge, 1e-12);
    }
    // Radius 0 makes the corner sharp again.
    const auto sharp = filletPathSegments(*once, 3, 1, 0);
    ASSERT_TRUE(sharp.ok());
    EXPECT_EQ(sharp->v.size(), 4u);
    EXPECT_NEAR(signedArea(*sharp), 100, 1e-12);
    // Neighbouring segments: the corner between them.
    const auto corner = filletPathSegments(square, 3, 0, 1);
    ASSERT_TRUE(corner.ok());
    EXPECT_NEAR(signedArea(*corner), 100 - (1 - kPi / 4), 1e-12);
    EXPECT_EQ(filletPathSegments(pathOf({{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}}, false), 0, 3, 1)
                  .refusal,
              Refusal::NotACorner);
}

TEST(Chamfer, ByTwoDistancesOrADistanceAndAnAngle) {
    const LineData across{{0, 0}, {10, 0}}, up{{0, 0}, {0, 10}};
    auto out = chamferLines(across, {5, 0}, up, {0, 5}, 2, 3);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out->first.a, (Vec2{10, 0}));
    EXPECT_EQ(out->first.b, (Vec2{2, 0}));
    EXPECT_EQ(out->second.a, (Vec2{0, 3}));
    EXPECT_EQ(out->second.b, (Vec2{0, 10}));
    ASSERT_TRUE(out->bevel);
    out = chamferLinesByAngle(across, {5, 0}, up, {0, 5}, 2, 30);
    ASSERT_TRUE(out.ok());
    // 30° at the first line across a right angle: the second distance is 2 tan 30°.
    expectAt(out->second.a, {0, 2 * std::tan(radians(30))}, 1e-12);
    EXPECT_EQ(chamferLines(across, {5, 0}, up, {0, 5}, 11, 1).refusal, Refusal::RadiusTooLarge);
    EXPECT_EQ(chamferLinesByAngle(across, {5, 0}, up, {0, 5}, 2, 95).refusal,
              Refusal::RadiusTooLarge);
    out = chamferLines(LineData{{3, 0}, {10, 0}}, {5, 0}, up, {0, 5}, 0, 0);
    ASSERT_TRUE(out.ok());
    EXPECT_FALSE(out->bevel);
    EXPECT_EQ(out->first.b, (Vec2{0, 0}));

    // Polylines: one corner, every corner, and none at an arc.
    const auto corner = chamferPathCorner(rectangle(10, 6), 2, 1, 2);
    ASSERT_TRUE(corner.ok());
    EXPECT_NEAR(signedArea(*corner), 60 - 1, 1e-12);
    const auto all = chamferPathAll(rectangle(10, 6), 1, 1);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all->changed, 4u);
    EXPECT_NEAR(signedArea(all->path), 60 - 2, 1e-12);
    const auto angled = chamferPathCornerByAngle(rectangle(10, 6), 1, 2, 45);
    ASSERT_TRUE(angled.ok());
    EXPECT_NEAR(signedArea(*angled), 60 - 2, 1e-12);
    const Path bowl{{{{0, 0}, 0.5}, {{10, 0}, 0}, {{10, 10}, 0}, {{0, 10}, 0}}, true};
    EXPECT_EQ(chamferPathCorner(bowl, 1, 1, 1).refusal, Refusal::Unsupported);
}
