// The exact shapes of entities: intersections, tangents, perpendiculars, middles and centres
// as snapping finds them, checked against points known in closed form or against the
// defining property of the point (on both curves, touching, at a right angle).
#include "engine/model/Curves.h"
#include "engine/Engine.h"
#include "tests/engine/EngineTestSupport.h"

#include <cmath>
#include <vector>

using namespace cad;

namespace {

// Relative to the size of the coordinates, as snapping promises.
void expectClose(Vec2 actual, Vec2 expected, double relative = 1e-9) {
    const double scale = std::max({1.0, std::abs(expected.x), std::abs(expected.y)});
    EXPECT_NEAR(actual.x, expected.x, relative * scale);
    EXPECT_NEAR(actual.y, expected.y, relative * scale);
}

// The found points in a fixed order, for comparing with expected ones.
std::vector<Vec2> sorted(std::vector<Vec2> v) {
    std::sort(v.begin(), v.end(),
              [](Vec2 a, Vec2 b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    return v;
}

double distanceBetween(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Conic ellipse(Vec2 c, double rx, double ry, double rotation, double start = 0, double end = 360) {
    return ellipseConic({c, rx, ry, rotation, start, end});
}

} // namespace

TEST(Curves, LinesAndCirclesMeetWhereTheFormulasSay) {
    std::vector<Vec2> out;
    // Far from the origin, where rounding shows first.
    const Vec2 o{512345.678, 5812345.125};
    const auto at = [&](double x, double y) { return Vec2{o.x + x, o.y + y}; };

    intersections(Segment{at(-10, 3), at(10, 3)}, Segment{at(2, -7), at(2, 9)}, out);
    ASSERT_EQ(out.size(), 1u);
    expectClose(out[0], at(2, 3), 1e-15);

    // A 3-4-5 circle: a chord at y = 4 meets it at x = ±3.
    out.clear();
    const Conic circle = circleConic(at(0, 0), 5, 0, 360);
    intersections(Segment{at(-8, 4), at(8, 4)}, circle, out);
    ASSERT_EQ(out.size(), 2u);
    out = sorted(out);
    expectClose(out[0], at(-3, 4), 1e-15);
    expectClose(out[1], at(3, 4), 1e-15);

    // Two circles of radius 5 with centres 8 apart: (4, ±3).
    out.clear();
    intersections(circle, circleConic(at(8, 0), 5, 0, 360), out);
    ASSERT_EQ(out.size(), 2u);
    out = sorted(out);
    expectClose(out[0], at(4, -3), 1e-15);
    expectClose(out[1], at(4, 3), 1e-15);

    // An arc keeps only what lies on it; a segment only what lies between its ends.
    out.clear();
    intersections(Segment{at(-8, 4), at(8, 4)}, circleConic(at(0, 0), 5, 0, 90), out);
    ASSERT_EQ(out.size(), 1u);
    expectClose(out[0], at(3, 4), 1e-15);
    out.clear();
    intersections(Segment{at(-8, 4), at(0, 4)}, circle, out);
    ASSERT_EQ(out.size(), 1u);
    out.clear();
    intersections(Segment{at(-8, 4), at(8, 4)}, Segment{at(-8, 5), at(8, 5)}, out);
    intersections(circle, circleConic(at(20, 0), 5, 0, 360), out);
    EXPECT_TRUE(out.empty()) << "parallel lines and circles apart meet nowhere";

    // A line touching a circle meets it once.
    out.clear();
    intersections(Segment{at(-8, 5), at(8, 5)}, circle, out);
    ASSERT_EQ(out.size(), 1u);
    expectClose(out[0], at(0, 5), 1e-12);
}

TEST(Curves, EllipsesMeetOnBothCurves) {
    const Vec2 c{1000.5, -2000.25};
    const Conic e = ellipse(c, 40, 15, 30);
    // A line through the centre along the major axis meets the ellipse at its vertices.
    std::vector<Vec2> out;
    const double r = radians(30);
    const Vec2 axis{std::cos(r), std::sin(r)};
    intersections(
        Segment{{c.x - 60 * axis.x, c.y - 60 * axis.y}, {c.x + 60 * axis.x, c.y + 60 * axis.y}}, e,
        out);
    ASSERT_EQ(out.size(), 2u);
    out = sorted(out);
    expectClose(out[0], {c.x - 40 * axis.x, c.y - 40 * axis.y});
    expectClose(out[1], {c.x + 40 * axis.x, c.y + 40 * axis.y});

    // An ellipse and a circle, and two ellipses: found numerically, each point on both.
    const auto onEllipse = [&](const Conic& k, Vec2 p) {
        const auto t = k.parameterOf(p);
        return t && distanceBetween(k.at(*t), p) <= 1e-9 * 2000;
    };
    const Conic circle = circleConic({c.x + 20, c.y + 5}, 18, 0, 360);
    out.clear();
    intersections(e, circle, out);
    ASSERT_EQ(out.size(), 2u) << "the circle crosses the ellipse's right end twice";
    for (const Vec2 p : out) {
        EXPECT_NEAR(distanceBetween(p, circle.c), 18, 1e-9);
        EXPECT_TRUE(onEllipse(e, p));
    }
    const Conic other = ellipse(c, 40, 15, 120);
    out.clear();
    intersections(e, other, out);
    EXPECT_EQ(out.size(), 4u);
    for (const Vec2 p : out) {
        EXPECT_TRUE(onEllipse(e, p));
        EXPECT_TRUE(onEllipse(other, p));
    }
    // The same the other way round.
    std::vector<Vec2> back;
    intersections(other, e, back);
    EXPECT_EQ(back.size(), 4u);
}

TEST(Curves, TangentsAndPerpendicularsFromAPoint) {
    std::vector<Vec2> out;
    // From 100 away a circle of radius 50 is touched 60° either side of the line to the centre.
    const Conic circle = circleConic({40, 40}, 50, 0, 360);
    tangentPoints(circle, {40, -60}, out);
    ASSERT_EQ(out.size(), 2u);
    out = sorted(out);
    expectClose(out[0], {40 - 25 * std::sqrt(3.0), 15}, 1e-14);
    expectClose(out[1], {40 + 25 * std::sqrt(3.0), 15}, 1e-14);
    out.clear();
    tangentPoints(circle, {50, 50}, out);
    EXPECT_TRUE(out.empty()) << "no tangent from inside";

    out.clear();
    perpendicularFeet(circle, {40, -60}, out);
    ASSERT_EQ(out.size(), 2u);
    out = sorted(out);
    EXPECT_EQ(out[0], (Vec2{40, -10}));
    EXPECT_EQ(out[1], (Vec2{40, 90}));
    out.clear();
    perpendicularFeet(Segment{{80, -160}, {160, -80}}, {40, -60}, out);
    ASSERT_EQ(out.size(), 1u);
    expectClose(out[0], {110, -130}, 1e-15);
    out.clear();
    perpendicularFeet(Segment{{120, -120}, {160, -80}}, {40, -60}, out);
    EXPECT_TRUE(out.empty()) << "the foot would lie beyond the segment";

    // An ellipse: the lines from the point touch it, or meet it at a right angle.
    const Conic e = ellipse({-30, 20}, 40, 15, 25);
    const Vec2 from{60, 90};
    out.clear();
    tangentPoints(e, from, out);
    ASSERT_EQ(out.size(), 2u);
    for (const Vec2 p : out) {
        const Vec2 d = e.derivative(*e.parameterOf(p));
        const double cross = (p.x - from.x) * d.y - (p.y - from.y) * d.x;
        EXPECT_NEAR(cross / (distanceBetween(p, from) * std::hypot(d.x, d.y)), 0, 1e-12);
    }
    out.clear();
    perpendicularFeet(e, from, out);
    ASSERT_GE(out.size(), 2u);
    for (const Vec2 p : out) {
        const Vec2 d = e.derivative(*e.parameterOf(p));
        const double dot = (p.x - from.x) * d.x + (p.y - from.y) * d.y;
        EXPECT_NEAR(dot / (distanceBetween(p, from) * std::hypot(d.x, d.y)), 0, 1e-12);
    }
    // The nearest point of the ellipse is the nearest of those feet.
    const Vec2 nearest = closestPoint(e, from);
    for (double t = 0; t < 2 * kPi; t += 0.001)
        EXPECT_LE(distanceBetween(nearest, from), distanceBetween(e.at(t), from) + 1e-9);
}

TEST(Curves, MiddlesEndsAndCentres) {
    // The middle of a quarter of an ellipse by length: the lengths either side are equal.
    const Conic quarter = ellipse({0, 0}, 20, 5, 0, 0, 90);
    const Vec2 m = quarter.middle();
    const auto lengthTo = [&](Vec2 p, bool fromStart) {
        const double stop = *quarter.parameterOf(p);
        double length = 0;
        Vec2 previous = quarter.at(fromStart ? 0 : stop);
        const double from = fromStart ? 0 : stop, to = fromStart ? stop : kPi / 2;
        for (int i = 1; i <= 100000; ++i) {
            const Vec2 q = quarter.at(from + (to - from) * i / 100000);
            length += distanceBetween(previous, q);
            previous = q;
        }
        return length;
    };
    EXPECT_NEAR(lengthTo(m, true), lengthTo(m, false), 1e-6);
    EXPECT_NEAR(quarter.endPoint().y, 5, 1e-12);

    // A circular arc's middle halves its angle.
    const Conic arc = circleConic({10, 10}, 4, 350, 40);
    expectClose(arc.middle(), {10 + 4 * std::cos(radians(10)), 10 + 4 * std::sin(radians(10))});
    EXPECT_TRUE(arc.covers(radians(5)));
    EXPECT_FALSE(arc.covers(radians(180)));

    // The centre of gravity of an L-shaped area, far from the origin.
    const Vec2 o{600000, 5800000};
    const std::vector<Vec2> l = {{o.x, o.y},         {o.x + 4, o.y},     {o.x + 4, o.y + 1},
                                 {o.x + 1, o.y + 1}, {o.x + 1, o.y + 3}, {o.x, o.y + 3}};
    // A 4 x 1 bar at (2, 0.5) and a 1 x 2 bar at (0.5, 2): areas 4 and 2.
    const auto c = areaCentroid(l);
    ASSERT_TRUE(c);
    expectClose(*c, {o.x + (4 * 2 + 2 * 0.5) / 6, o.y + (4 * 0.5 + 2 * 2) / 6}, 1e-15);
    EXPECT_FALSE(areaCentroid(std::vector<Vec2>{{0, 0}, {1, 1}, {2, 2}}));
}

class ShapesTest : public EngineTest {};

TEST_F(ShapesTest, EntitiesGiveTheirShapesWhereTheDrawingShowsThem) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    const Rect everywhere{-1e6, -1e6, 1e6, 1e6};
    const int line = cadAddLine(1.1, 2.2, 3.3, 4.4);
    const int arc = cadAddArc(0, 0, 10, 30, 120);
    const int rectangle = cadAddRectangle(5, 5, 4, 2, 0);
    const int polyline = addPolyline({0, 0, 10, 0, 10, 10, 0, 10}, true);
    const int text = cadAddText(7, 8, "Km 1");
    ShapeSet s;
    shapesOf(*activeDrawing(), line, everywhere, s);
    ASSERT_EQ(s.segments.size(), 1u);
    EXPECT_EQ(s.segments[0].a, (Vec2{1.1, 2.2})) << "stored coordinates, untouched";
    EXPECT_EQ(s.segments[0].b, (Vec2{3.3, 4.4}));
    s.clear();
    shapesOf(*activeDrawing(), arc, everywhere, s);
    ASSERT_EQ(s.conics.size(), 1u);
    expectClose(s.conics[0].startPoint(), {10 * std::cos(radians(30)), 5});
    expectClose(s.conics[0].endPoint(), {-5, 10 * std::sin(radians(120))});
    s.clear();
    shapesOf(*activeDrawing(), rectangle, everywhere, s);
    EXPECT_EQ(s.segments.size(), 4u);
    ASSERT_EQ(s.centres.size(), 1u);
    EXPECT_EQ(s.centres[0], (Vec2{5, 5}));
    s.clear();
    shapesOf(*activeDrawing(), polyline, everywhere, s);
    EXPECT_EQ(s.segments.size(), 4u) << "closed: the last vertex joins the first";
    ASSERT_EQ(s.centres.size(), 1u);
    expectClose(s.centres[0], {5, 5});
    s.clear();
    shapesOf(*activeDrawing(), text, everywhere, s);
    ASSERT_EQ(s.nodes.size(), 1u);
    EXPECT_EQ(s.nodes[0], (Vec2{7, 8}));

    // Only what reaches the place: a segment far off gives nothing.
    s.clear();
    shapesOf(*activeDrawing(), line, Rect{100, 100, 110, 110}, s);
    EXPECT_TRUE(s.segments.empty());

    // Hidden layers give nothing.
    const int hidden = cadLayerAdd("ukryta", 0, 0, 0);
    cadPropPutInt(CAD_PROP_ENT_LAYER, line, hidden);
    cadPropPutInt(CAD_PROP_LAYER_VISIBLE, hidden, 0);
    s.clear();
    shapesOf(*activeDrawing(), line, everywhere, s);
    EXPECT_TRUE(s.segments.empty());
}

TEST_F(ShapesTest, SplinesFollowTheirCurveAndSectorsShowTheirRadii) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    const Drawing& d = *activeDrawing();
    cadPolylineBegin();
    for (const Vec2 p : {Vec2{0, 0}, Vec2{10, 8}, Vec2{22, 3}, Vec2{30, 12}})
        cadVertex(p.x, p.y);
    const int spline = cadAddSpline(0);
    const int sector = cadAddSector(50, 0, 6, 0, 90);
    ShapeSet s;
    shapesOf(d, spline, Rect{-5, -5, 5, 5}, s);
    EXPECT_TRUE(s.segments.empty()) << "the chords' ends are not ends";
    ASSERT_EQ(s.ends.size(), 1u) << "the one end near the place";
    EXPECT_EQ(s.ends[0], (Vec2{0, 0}));
    ASSERT_FALSE(s.pieces.empty());
    // Near the middle fit point the chords pass within a hundredth of the place's size.
    s.clear();
    shapesOf(d, spline, Rect{9, 7, 11, 9}, s);
    double nearest = INFINITY;
    for (const Segment& g : s.pieces) {
        const Vec2 c = closestPoint(g, {10, 8});
        nearest = std::min(nearest, std::hypot(c.x - 10, c.y - 8));
    }
    EXPECT_LT(nearest, 0.03);
    s.clear();
    shapesOf(d, sector, Rect{-1e6, -1e6, 1e6, 1e6}, s);
    ASSERT_EQ(s.conics.size(), 1u);
    ASSERT_EQ(s.segments.size(), 2u);
    expectClose(s.segments[0].b, {56, 0});
    expectClose(s.segments[1].a, {50, 6});
}

TEST_F(ShapesTest, BlockInsertionsPlaceTheirEntities) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    cadBlockBegin();
    cadAddLine(1, 0, 3, 0);
    cadAddArc(0, 0, 2, 0, 90);
    ASSERT_EQ(cadBlockAdd("znak", 0, 0), 0);
    // Turned a quarter and doubled; then mirrored across the y axis.
    const int turned = cadAddInsert(0, 100, 50, 2, 2, 90);
    const int mirrored = cadAddInsert(0, -100, 50, -1, 1, 0);
    const Rect everywhere{-1e6, -1e6, 1e6, 1e6};
    ShapeSet s;
    shapesOf(*activeDrawing(), turned, everywhere, s);
    ASSERT_EQ(s.nodes.size(), 1u);
    EXPECT_EQ(s.nodes[0], (Vec2{100, 50})) << "the insertion point";
    ASSERT_EQ(s.segments.size(), 1u);
    expectClose(s.segments[0].a, {100, 52});
    expectClose(s.segments[0].b, {100, 56});
    ASSERT_EQ(s.conics.size(), 1u);
    EXPECT_TRUE(s.conics[0].circle);
    EXPECT_NEAR(s.conics[0].radius, 4, 1e-12);
    expectClose(s.conics[0].startPoint(), {100, 54});
    expectClose(s.conics[0].endPoint(), {96, 50});

    s.clear();
    shapesOf(*activeDrawing(), mirrored, everywhere, s);
    ASSERT_EQ(s.conics.size(), 1u);
    expectClose(s.conics[0].startPoint(), {-102, 50});
    expectClose(s.conics[0].endPoint(), {-100, 52});
    expectClose(s.conics[0].middle(), {-100 - std::sqrt(2.0), 50 + std::sqrt(2.0)});
    // Its points between the ends belong to the mirrored arc, not to the other side.
    std::vector<Vec2> out;
    intersections(Segment{{-110, 50 + std::sqrt(2.0)}, {-90, 50 + std::sqrt(2.0)}}, s.conics[0],
                  out);
    ASSERT_EQ(out.size(), 1u);
    expectClose(out[0], {-100 - std::sqrt(2.0), 50 + std::sqrt(2.0)});
}
