// Dimensions as data: what each kind measures, the text it shows, the lines, arrowheads and
// text it is drawn with at a print scale, and what moving, turning and mirroring make of it.
#include "engine/model/Dimension.h"
#include "engine/model/Transform.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cad;

namespace {

constexpr double kTiny = 1e-9;

DimensionData make(DimensionKind kind, std::initializer_list<Vec2> points) {
    DimensionData d;
    d.kind = kind;
    std::size_t i = 0;
    for (const Vec2 p : points)
        d.points[i++] = p;
    return d;
}

// The triangle (0,0), (4,0), (4,3): its sides are 4, 3 and 5.
const Vec2 kA{0, 0}, kC{4, 3};

DimensionStyle style(int decimals = 2) {
    DimensionStyle s;
    s.decimals = decimals;
    return s;
}

// What a dimension's text is on paper: its height over the drawing units of a millimetre.
DimensionContext atScale(double printScale, double millimetresPerUnit) {
    return {dimensionUnitsPerPaperMm(printScale, millimetresPerUnit), {}};
}

double distance(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The length of an arrowhead: from its tip to the middle of its back.
double arrowLength(const std::array<Vec2, 3>& t) {
    return distance(t[0], {(t[1].x + t[2].x) / 2, (t[1].y + t[2].y) / 2});
}

bool inside(const Rect& r, Vec2 p) {
    return p.x >= r.left - kTiny && p.x <= r.right + kTiny && p.y >= r.bottom - kTiny &&
           p.y <= r.top + kTiny;
}

// Whether a point lies strictly within the text's frame.
bool withinFrame(const DimensionText& t, Vec2 p) {
    for (std::size_t i = 0; i < 4; ++i) {
        const Vec2 a = t.frame[i], b = t.frame[(i + 1) % 4];
        if ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) <= 1e-9)
            return false;
    }
    return true;
}

} // namespace

// ---- what is measured and shown

TEST(DimensionValue, TheSidesOfATriangleWithTheStylesDecimalsAndComma) {
    const DimensionStyle s = style(2);
    const auto horizontal = make(DimensionKind::Horizontal, {kA, kC, {0, -5}});
    const auto vertical = make(DimensionKind::Vertical, {kA, kC, {8, 0}});
    const auto parallel = make(DimensionKind::Parallel, {kA, kC, {-1, 2}});
    EXPECT_DOUBLE_EQ(measuredValue(horizontal), 4);
    EXPECT_DOUBLE_EQ(measuredValue(vertical), 3);
    EXPECT_DOUBLE_EQ(measuredValue(parallel), 5);
    EXPECT_EQ(dimensionText(horizontal, s), "4,00");
    EXPECT_EQ(dimensionText(vertical, s), "3,00");
    EXPECT_EQ(dimensionText(parallel, s), "5,00");
    // The points the other way round measure the same.
    EXPECT_DOUBLE_EQ(measuredValue(make(DimensionKind::Horizontal, {kC, kA, {0, -5}})), 4);
    // A turned horizontal dimension measures along its own direction.
    auto turned = make(DimensionKind::Horizontal, {{0, 0}, {3, 4}, {0, 0}});
    turned.rotation = std::atan2(4.0, 3.0) * 180 / kPi;
    EXPECT_NEAR(measuredValue(turned), 5, 1e-12);
}

TEST(DimensionValue, RadiusAndDiameterOfACircle) {
    const auto radial = make(DimensionKind::Radial, {{10, 10}, {22.5, 10}});
    const auto diametric = make(DimensionKind::Diametric, {{10, 10}, {10, -2.5}});
    EXPECT_DOUBLE_EQ(measuredValue(radial), 12.5);
    EXPECT_DOUBLE_EQ(measuredValue(diametric), 25);
    EXPECT_EQ(dimensionText(radial, style(1)), "12,5");
    EXPECT_EQ(dimensionText(radial, style(2)), "12,50");
    EXPECT_EQ(dimensionText(diametric, style(1)), "25,0");
    DimensionStyle plain = style(3);
    plain.suppressTrailingZeros = true;
    EXPECT_EQ(dimensionText(radial, plain), "12,5");
    EXPECT_EQ(dimensionText(diametric, plain), "25");
    // A prefix of the style's contents.
    plain.contents = "R<>";
    EXPECT_EQ(dimensionText(radial, plain), "R12,5");
}

TEST(DimensionValue, AnglesBetweenLinesAndAtAVertexByTheSideOfTheArcPoint) {
    const DimensionStyle s = style(2);
    // A right angle at a vertex.
    const auto right = angularAtVertex({1, 1}, {11, 1}, {1, 21}, {4, 4});
    EXPECT_NEAR(measuredValue(right), 90, 1e-12);
    EXPECT_EQ(dimensionText(right, s), "90,00\xB0");
    DimensionStyle plain = s;
    plain.suppressTrailingZeros = true;
    EXPECT_EQ(dimensionText(right, plain), "90\xB0");
    // The arc point on the far side: the rest of the turn.
    EXPECT_NEAR(measuredValue(angularAtVertex({1, 1}, {11, 1}, {1, 21}, {-4, -4})), 270, 1e-12);

    // Two lines meeting at the origin at 60°, neither drawn up to it: the sector of the arc
    // point.
    const double c = std::cos(kPi / 3), sn = std::sin(kPi / 3);
    const LineData first{{2, 0}, {10, 0}}, second{{2 * c, 2 * sn}, {9 * c, 9 * sn}};
    EXPECT_NEAR(measuredValue(angularBetween(first, second, {5, 1})), 60, 1e-9);
    EXPECT_NEAR(measuredValue(angularBetween(first, second, {-5, 1})), 120, 1e-9);
    EXPECT_NEAR(measuredValue(angularBetween(first, second, {-5, -1})), 60, 1e-9);
    EXPECT_NEAR(measuredValue(angularBetween(second, first, {5, -1})), 120, 1e-9);
    // Parallel lines make no angle.
    EXPECT_EQ(measuredValue(angularBetween(first, {{0, 1}, {5, 1}}, {3, 3})), 0);
    EXPECT_TRUE(
        dimensionGeometry(angularBetween(first, {{0, 1}, {5, 1}}, {3, 3}), s, {}).arcs.empty());
}

TEST(DimensionValue, OrdinatesOfAPointFromTheOrigin) {
    const Vec2 p{123.4, -56.78};
    const auto x = make(DimensionKind::OrdinateX, {p, {125, -40}});
    const auto y = make(DimensionKind::OrdinateY, {p, {140, -50}});
    EXPECT_DOUBLE_EQ(measuredValue(x), 123.4);
    EXPECT_DOUBLE_EQ(measuredValue(y), -56.78);
    EXPECT_EQ(dimensionText(x, style(2)), "123,40");
    EXPECT_EQ(dimensionText(y, style(2)), "-56,78");
    auto shifted = x;
    shifted.origin = {100, 0};
    EXPECT_EQ(dimensionText(shifted, style(1)), "23,4");
    // The side the cursor is on chooses which ordinate.
    EXPECT_EQ(ordinateKindToward(p, {124, 0}), DimensionKind::OrdinateX);
    EXPECT_EQ(ordinateKindToward(p, {200, -50}), DimensionKind::OrdinateY);
}

TEST(DimensionValue, ScaleValueAndRoundingForLengthsNeverForAngles) {
    DimensionStyle s = style(0);
    s.scaleValue = 1000; // metres shown as millimetres
    EXPECT_EQ(dimensionText(make(DimensionKind::Parallel, {kA, kC, {0, 0}}), s), "5000");
    EXPECT_EQ(dimensionText(angularAtVertex({0, 0}, {1, 0}, {0, 1}, {1, 1}), s), "90\xB0");
    s.scaleValue = 1;
    s.decimals = 2;
    s.roundOff = 0.5;
    const auto short1237 = make(DimensionKind::Parallel, {{0, 0}, {12.37, 0}, {0, 1}});
    EXPECT_EQ(dimensionText(short1237, s), "12,50");
    s.roundOff = 0.25;
    EXPECT_EQ(dimensionText(short1237, s), "12,25");
    // Angles are not rounded off either.
    const double r = radians(33.3);
    EXPECT_EQ(
        dimensionText(angularAtVertex({0, 0}, {1, 0}, {std::cos(r), std::sin(r)}, {1, 0.2}), s),
        "33,30\xB0");
}

TEST(DimensionValue, NumbersTheirSeparatorAndNoNegativeZero) {
    EXPECT_EQ(dimensionNumber(1234.5678, 2, false, ','), "1234,57");
    EXPECT_EQ(dimensionNumber(1234.5678, 2, false, '.'), "1234.57");
    EXPECT_EQ(dimensionNumber(2.4, 0, false, ','), "2");
    EXPECT_EQ(dimensionNumber(-0.001, 2, false, ','), "0,00");
    EXPECT_EQ(dimensionNumber(-0.001, 2, true, ','), "0");
    EXPECT_EQ(dimensionNumber(-12.5, 3, true, ','), "-12,5");
    EXPECT_EQ(dimensionNumber(100, 2, true, ','), "100");
    EXPECT_EQ(dimensionNumber(0.1 + 0.2, 8, true, ','), "0,3");
    EXPECT_EQ(dimensionNumber(1e300, 2, false, ',').size(), 301u + 3u);
    EXPECT_EQ(dimensionNumber(std::nan(""), 2, false, ','), "?");
    DimensionStyle s = style(1);
    s.decimalSeparator = '.';
    EXPECT_EQ(dimensionText(make(DimensionKind::Radial, {{0, 0}, {0, 12.5}}), s), "12.5");
}

TEST(DimensionValue, ToleranceOwnTextAndHiddenText) {
    DimensionStyle s = style(2);
    auto d = make(DimensionKind::Parallel, {kA, kC, {0, 0}});
    s.toleranceUpper = 0.1;
    s.toleranceLower = 0.05;
    EXPECT_EQ(dimensionText(d, s), "5,00 +0,10/-0,05");
    s.toleranceLower = 0.1;
    EXPECT_EQ(dimensionText(d, s), "5,00 \xB1"
                                   "0,10");
    s.toleranceUpper = s.toleranceLower = 0;

    d.text = "<>";
    EXPECT_EQ(dimensionText(d, s), "5,00");
    d.text = "L=<> m";
    EXPECT_EQ(dimensionText(d, s), "L=5,00 m");
    d.text = "oś jezdni";
    EXPECT_EQ(dimensionText(d, s), "oś jezdni");
    d.text = " ";
    EXPECT_EQ(dimensionText(d, s), "");
    const DimensionGeometry g = dimensionGeometry(d, s, {});
    EXPECT_FALSE(g.text.has_value());
    EXPECT_FALSE(g.lines.empty());
}

// ---- how it is drawn

TEST(DimensionDrawing, SizesAreMillimetresOnPaperAtEveryPrintScale) {
    const DimensionStyle s = style(2);
    const auto d = make(DimensionKind::Horizontal, {{0, 0}, {40, 0}, {0, 10}});
    // A drawing in metres at 1:500 and 1:1000: half a metre and a metre to a paper millimetre.
    const auto at500 = dimensionGeometry(d, s, atScale(500, 1000));
    const auto at1000 = dimensionGeometry(d, s, atScale(1000, 1000));
    ASSERT_EQ(at500.triangles.size(), 2u);
    ASSERT_EQ(at1000.triangles.size(), 2u);
    ASSERT_TRUE(at500.text && at1000.text);
    EXPECT_NEAR(arrowLength(at500.triangles[0]) / 0.5, s.arrowLength, 1e-9);
    EXPECT_NEAR(arrowLength(at1000.triangles[0]) / 1.0, s.arrowLength, 1e-9);
    EXPECT_NEAR(at500.text->height / 0.5, s.textHeight, 1e-12);
    EXPECT_NEAR(at1000.text->height, 2 * at500.text->height, 1e-12);
    // The text stands a gap and half its height above the line, on paper too.
    EXPECT_NEAR((at500.text->position.y - 10) / 0.5, s.textGap + s.textHeight / 2, 1e-9);
    EXPECT_NEAR((at1000.text->position.y - 10) / 1.0, s.textGap + s.textHeight / 2, 1e-9);
    // A drawing in millimetres at 1:1 takes the sizes as they are.
    EXPECT_NEAR(dimensionGeometry(d, s, atScale(1, 1)).text->height, 2.5, 1e-12);
}

TEST(DimensionDrawing, LinearLinesArrowsAndExtensionLines) {
    const DimensionStyle s = style(2);
    const auto d = make(DimensionKind::Horizontal, {{0, 0}, {40, 5}, {10, 20}});
    const auto g = dimensionGeometry(d, s, {});
    // The dimension line at the height of its point, from x 0 to x 40.
    ASSERT_EQ(g.lines.size(), 1u);
    EXPECT_NEAR(g.lines[0].a.y, 20, kTiny);
    EXPECT_NEAR(std::min(g.lines[0].a.x, g.lines[0].b.x), 0, kTiny);
    EXPECT_NEAR(std::max(g.lines[0].a.x, g.lines[0].b.x), 40, kTiny);
    // Extension lines from the offset above each point to past the line.
    ASSERT_EQ(g.extensionLines.size(), 2u);
    EXPECT_NEAR(g.extensionLines[0].a.y, s.extensionOffset, kTiny);
    EXPECT_NEAR(g.extensionLines[0].b.y, 20 + s.extensionBeyond, kTiny);
    EXPECT_NEAR(g.extensionLines[1].a.y, 5 + s.extensionOffset, kTiny);
    // Arrowheads point outward at the ends, counter-clockwise.
    ASSERT_EQ(g.triangles.size(), 2u);
    EXPECT_EQ(g.triangles[0][0], (Vec2{0, 20}));
    EXPECT_GT(g.triangles[0][1].x, 0);
    EXPECT_LT(g.triangles[1][1].x, 40);
    for (const auto& t : g.triangles)
        EXPECT_GT((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x), 0);
    // The text in the middle above the line, readable.
    ASSERT_TRUE(g.text);
    EXPECT_NEAR(g.text->position.x, 20, kTiny);
    EXPECT_EQ(g.text->rotation, 0);
    EXPECT_EQ(g.text->align, 4);

    // The other arrowheads.
    DimensionStyle open = s;
    open.arrowhead = Arrowhead::Open;
    EXPECT_EQ(dimensionGeometry(d, open, {}).lines.size(), 1u + 4u);
    open.arrowhead = Arrowhead::Oblique;
    EXPECT_EQ(dimensionGeometry(d, open, {}).lines.size(), 1u + 2u);
    open.arrowhead = Arrowhead::Dot;
    const auto dots = dimensionGeometry(d, open, {});
    ASSERT_EQ(dots.dots.size(), 2u);
    EXPECT_TRUE(dots.triangles.empty());
    EXPECT_EQ(dots.dots[0].centre, (Vec2{0, 20}));
    open.arrowhead = Arrowhead::None;
    const auto none = dimensionGeometry(d, open, {});
    EXPECT_TRUE(none.triangles.empty() && none.dots.empty());
    EXPECT_EQ(none.lines.size(), 1u);
}

TEST(DimensionDrawing, PlacementAboveCentredBelowAndTheDimensionsOwn) {
    DimensionStyle s = style(2);
    auto d = make(DimensionKind::Horizontal, {{0, 0}, {100, 0}, {0, 10}});
    const double offset = s.textGap + s.textHeight / 2;
    EXPECT_NEAR(dimensionGeometry(d, s, {}).text->position.y, 10 + offset, kTiny);
    s.placement = TextPlacement::Below;
    EXPECT_NEAR(dimensionGeometry(d, s, {}).text->position.y, 10 - offset, kTiny);
    s.placement = TextPlacement::Centred;
    const auto centred = dimensionGeometry(d, s, {});
    EXPECT_NEAR(centred.text->position.y, 10, kTiny);
    // The line is broken round the text: two pieces, none of it inside the frame.
    ASSERT_EQ(centred.lines.size(), 2u);
    for (const LineData& l : centred.lines)
        for (double t = 0; t <= 1; t += 0.125)
            EXPECT_FALSE(withinFrame(*centred.text, {l.a.x + (l.b.x - l.a.x) * t, l.a.y}));
    const double halfFrame = centred.text->width / 2 + s.textGap;
    EXPECT_NEAR(std::max(centred.lines[0].a.x, centred.lines[0].b.x), 50 - halfFrame, 1e-6);
    // The dimension's own placement wins over the style's.
    d.placement = PlacementOverride::Above;
    EXPECT_NEAR(dimensionGeometry(d, s, {}).text->position.y, 10 + offset, kTiny);
    EXPECT_EQ(dimensionGeometry(d, s, {}).lines.size(), 1u);
    d.placement = PlacementOverride::Style;
    EXPECT_EQ(effectivePlacement(d, s), TextPlacement::Centred);

    // A frame round the text at the gap.
    s.frame = true;
    const auto framed = dimensionGeometry(d, s, {});
    EXPECT_TRUE(framed.text->framed);
    EXPECT_NEAR(framed.text->frame[2].y - framed.text->frame[0].y, s.textHeight + 2 * s.textGap,
                kTiny);

    // Put by the person: there, and the line runs on under it.
    d.textPosition = Vec2{130, 13};
    s.placement = TextPlacement::Above;
    const auto moved = dimensionGeometry(d, s, {});
    EXPECT_EQ(moved.text->position, (Vec2{130, 13}));
    EXPECT_NEAR(std::max(moved.lines[0].a.x, moved.lines[0].b.x), 130 + moved.text->width / 2,
                kTiny);
}

TEST(DimensionDrawing, TextsReadFromLeftToRightOrUpwards) {
    const DimensionStyle s = style(2);
    const auto rotationOf = [&](const DimensionData& d) {
        return dimensionGeometry(d, s, {}).text->rotation;
    };
    EXPECT_NEAR(rotationOf(make(DimensionKind::Vertical, {{0, 0}, {0, 30}, {5, 0}})), 90, kTiny);
    EXPECT_NEAR(rotationOf(make(DimensionKind::Parallel, {{10, 10}, {0, 0}, {0, 0}})), 45, kTiny);
    EXPECT_NEAR(rotationOf(make(DimensionKind::Parallel, {{0, 10}, {10, 0}, {0, 0}})), -45, kTiny);
    EXPECT_NEAR(rotationOf(make(DimensionKind::Parallel, {{10, 0}, {0, 0}, {0, 0}})), 0, kTiny);
    // A vertical dimension's text stands on the left of its line ("above" as it reads).
    const auto vertical =
        dimensionGeometry(make(DimensionKind::Vertical, {{0, 0}, {0, 30}, {5, 0}}), s, {});
    EXPECT_LT(vertical.text->position.x, 5);
    // Horizontal text whatever the line.
    DimensionStyle flat = s;
    flat.horizontalText = true;
    EXPECT_EQ(dimensionGeometry(make(DimensionKind::Vertical, {{0, 0}, {0, 30}, {5, 0}}), flat, {})
                  .text->rotation,
              0);
}

TEST(DimensionDrawing, ATextThatDoesNotFitGoesOutsideAndSoDoArrowsWithoutRoom) {
    const DimensionStyle s = style(2);
    // 10 long: the arrows fit (2 x 2.5), the text "10,00" (7.5 wide, with arrows and gaps 14.5)
    // does not.
    const auto tenLong =
        dimensionGeometry(make(DimensionKind::Horizontal, {{0, 0}, {10, 0}, {0, 5}}), s, {});
    ASSERT_TRUE(tenLong.text);
    EXPECT_GT(tenLong.text->position.x - tenLong.text->width / 2, 10);
    EXPECT_LT(tenLong.triangles[0][1].x - 0, 10); // still inside, pointing out
    EXPECT_GT(tenLong.triangles[0][1].x, 0);
    // The line runs on under the text.
    double far = 0;
    for (const LineData& l : tenLong.lines)
        far = std::max({far, l.a.x, l.b.x});
    EXPECT_NEAR(far, tenLong.text->position.x + tenLong.text->width / 2, kTiny);

    // 3 long: the arrows too stand outside, pointing in.
    const auto threeLong =
        dimensionGeometry(make(DimensionKind::Horizontal, {{0, 0}, {3, 0}, {0, 5}}), s, {});
    ASSERT_EQ(threeLong.triangles.size(), 2u);
    EXPECT_EQ(threeLong.triangles[0][0], (Vec2{0, 5}));
    EXPECT_LT(threeLong.triangles[0][1].x, 0);
    EXPECT_GT(threeLong.triangles[1][1].x, 3);
    EXPECT_GT(threeLong.text->position.x - threeLong.text->width / 2, 3 + 2 * s.arrowLength);

    // A wide enough one keeps the text between the extension lines.
    const auto wide =
        dimensionGeometry(make(DimensionKind::Horizontal, {{0, 0}, {15, 0}, {0, 5}}), s, {});
    EXPECT_NEAR(wide.text->position.x, 7.5, kTiny);

    // A measured width of the text counts instead of the estimate.
    DimensionContext narrow;
    narrow.textWidth = [](std::string_view, double height) { return height; };
    EXPECT_NEAR(
        dimensionGeometry(make(DimensionKind::Horizontal, {{0, 0}, {10, 0}, {0, 5}}), s, narrow)
            .text->position.x,
        5, kTiny);
}

TEST(DimensionDrawing, RadiusDiameterAndCentreMark) {
    DimensionStyle s = style(1);
    const auto radial = dimensionGeometry(make(DimensionKind::Radial, {{10, 10}, {40, 10}}), s, {});
    ASSERT_EQ(radial.triangles.size(), 1u);
    EXPECT_EQ(radial.triangles[0][0], (Vec2{40, 10}));
    EXPECT_LT(radial.triangles[0][1].x, 40); // inside the circle, pointing out
    // The radius line and the two strokes of the centre mark.
    EXPECT_EQ(radial.lines.size(), 3u);
    ASSERT_TRUE(radial.text);
    EXPECT_GT(radial.text->position.x, 10);
    EXPECT_LT(radial.text->position.x, 40);

    const auto diametric =
        dimensionGeometry(make(DimensionKind::Diametric, {{10, 10}, {10, 40}}), s, {});
    ASSERT_EQ(diametric.triangles.size(), 2u);
    EXPECT_EQ(diametric.triangles[0][0], (Vec2{10, -20}));
    EXPECT_EQ(diametric.triangles[1][0], (Vec2{10, 40}));
    EXPECT_NEAR(diametric.text->rotation, 90, kTiny);

    s.centreMark = CentreMark::Line;
    EXPECT_EQ(
        dimensionGeometry(make(DimensionKind::Radial, {{10, 10}, {40, 10}}), s, {}).lines.size(),
        1u + 2u + 4u);
    s.centreMark = CentreMark::None;
    EXPECT_EQ(
        dimensionGeometry(make(DimensionKind::Radial, {{10, 10}, {40, 10}}), s, {}).lines.size(),
        1u);
    // A small circle: the text outside, past the circle.
    const auto small = dimensionGeometry(make(DimensionKind::Radial, {{0, 0}, {3, 0}}), s, {});
    EXPECT_GT(small.text->position.x - small.text->width / 2, 3);
}

TEST(DimensionDrawing, AnglesArcArrowsAndExtensionLines) {
    const DimensionStyle s = style(0);
    // Legs 10 long, the arc at 20: extension lines from the legs' ends out to the arc.
    const auto right = dimensionGeometry(angularAtVertex({0, 0}, {10, 0}, {0, 10}, {20, 0}), s, {});
    ASSERT_EQ(right.arcs.size(), 1u);
    EXPECT_NEAR(right.arcs[0].radius, 20, kTiny);
    EXPECT_NEAR(right.arcs[0].startAngle, 0, kTiny);
    EXPECT_NEAR(right.arcs[0].endAngle, 90, kTiny);
    ASSERT_EQ(right.extensionLines.size(), 2u);
    EXPECT_NEAR(right.extensionLines[0].a.x, 10 + s.extensionOffset, kTiny);
    EXPECT_NEAR(right.extensionLines[0].b.x, 20 + s.extensionBeyond, kTiny);
    ASSERT_EQ(right.triangles.size(), 2u);
    EXPECT_NEAR(right.triangles[0][0].x, 20, kTiny);
    EXPECT_NEAR(right.triangles[1][0].y, 20, kTiny);
    ASSERT_TRUE(right.text);
    EXPECT_EQ(right.text->text, "90\xB0");
    // In the middle of the arc, above it, along its tangent.
    EXPECT_NEAR(right.text->rotation, -45, kTiny);
    EXPECT_GT(std::hypot(right.text->position.x, right.text->position.y), 20);
    // Perpendicular to the arc: along the radius.
    DimensionStyle across = s;
    across.perpendicularToArc = true;
    EXPECT_NEAR(dimensionGeometry(angularAtVertex({0, 0}, {10, 0}, {0, 10}, {20, 0}), across, {})
                    .text->rotation,
                45, kTiny);
    // Inside the legs: no extension lines.
    EXPECT_TRUE(dimensionGeometry(angularAtVertex({0, 0}, {10, 0}, {0, 10}, {5, 0}), s, {})
                    .extensionLines.empty());
    // The reflex side.
    const auto reflex =
        dimensionGeometry(angularAtVertex({0, 0}, {10, 0}, {0, 10}, {-20, 0}), s, {});
    ASSERT_EQ(reflex.arcs.size(), 1u);
    EXPECT_NEAR(sweepDegrees(reflex.arcs[0].startAngle, reflex.arcs[0].endAngle), 270, kTiny);
}

TEST(DimensionDrawing, OrdinateLeaderAndText) {
    const DimensionStyle s = style(2);
    // Straight up from the point.
    const auto x = dimensionGeometry(make(DimensionKind::OrdinateX, {{10, 0}, {10, 30}}), s, {});
    ASSERT_EQ(x.lines.size(), 1u);
    EXPECT_EQ(x.lines[0].a, (Vec2{10, s.extensionOffset}));
    EXPECT_EQ(x.lines[0].b, (Vec2{10, 30}));
    ASSERT_TRUE(x.text);
    EXPECT_NEAR(x.text->rotation, 90, kTiny);
    EXPECT_NEAR(x.text->position.x, 10, kTiny);
    EXPECT_NEAR(x.text->position.y, 30 + s.textGap + x.text->width / 2, kTiny);
    EXPECT_TRUE(x.triangles.empty());
    // Aside: a jog to the leader's end.
    const auto jog = dimensionGeometry(make(DimensionKind::OrdinateX, {{10, 0}, {15, 30}}), s, {});
    ASSERT_EQ(jog.lines.size(), 3u);
    EXPECT_EQ(jog.lines[0].a.x, 10);
    EXPECT_EQ(jog.lines[2].b, (Vec2{15, 30}));
    // Y ordinates read along their horizontal leader, to the left too.
    const auto y = dimensionGeometry(make(DimensionKind::OrdinateY, {{10, 5}, {-20, 5}}), s, {});
    EXPECT_NEAR(y.text->rotation, 0, kTiny);
    EXPECT_LT(y.text->position.x, -20);
}

TEST(DimensionDrawing, BoxHoldsEverythingAndSnapPointsAreTheDefinitionPoints) {
    DimensionStyle s = style(2);
    s.arrowhead = Arrowhead::Dot;
    const std::vector<DimensionData> all = {
        make(DimensionKind::Horizontal, {kA, kC, {0, -5}}),
        make(DimensionKind::Vertical, {kA, kC, {8, 0}}),
        make(DimensionKind::Parallel, {kA, kC, {-1, 2}}),
        angularAtVertex({0, 0}, {10, 0}, {0, 10}, {-20, 3}),
        make(DimensionKind::Radial, {{10, 10}, {22.5, 10}}),
        make(DimensionKind::Diametric, {{10, 10}, {10, -2.5}}),
        make(DimensionKind::OrdinateX, {{1, 2}, {5, 20}}),
        make(DimensionKind::OrdinateY, {{1, 2}, {20, 5}}),
    };
    for (const DimensionData& d : all) {
        const auto g = dimensionGeometry(d, s, atScale(200, 1000));
        const Rect box = dimensionBox(d, g);
        for (const auto* lines : {&g.lines, &g.extensionLines})
            for (const LineData& l : *lines)
                EXPECT_TRUE(inside(box, l.a) && inside(box, l.b));
        for (const ArcData& a : g.arcs)
            for (double t = 0; t <= 1; t += 0.0625) {
                const double angle =
                    radians(a.startAngle + sweepDegrees(a.startAngle, a.endAngle) * t);
                EXPECT_TRUE(inside(box, {a.centre.x + a.radius * std::cos(angle),
                                         a.centre.y + a.radius * std::sin(angle)}));
            }
        for (const CircleData& c : g.dots)
            EXPECT_TRUE(inside(box, {c.centre.x + c.radius, c.centre.y - c.radius}));
        ASSERT_TRUE(g.text);
        for (const Vec2 p : g.text->frame)
            EXPECT_TRUE(inside(box, p));
        const auto snaps = dimensionSnapPoints(d, g);
        for (int i = 0; i < definitionPointCount(d.kind); ++i) {
            const Vec2 p = d.points[static_cast<std::size_t>(i)];
            EXPECT_TRUE(inside(box, p));
            EXPECT_NE(std::find(snaps.begin(), snaps.end(), p), snaps.end());
        }
        EXPECT_EQ(snaps.back(), g.text->position);
    }
}

// ---- moving, turning, scaling, mirroring

TEST(DimensionTransform, MeasuresWhatItMeasuredAndStaysReadable) {
    const DimensionStyle s = style(2);
    const std::vector<DimensionData> all = {
        make(DimensionKind::Horizontal, {kA, kC, {0, -5}}),
        make(DimensionKind::Vertical, {kA, kC, {8, 0}}),
        make(DimensionKind::Parallel, {kA, kC, {-1, 2}}),
        angularAtVertex({0, 0}, {10, 0}, {0, 10}, {-20, 3}),
        angularBetween({{2, 0}, {10, 0}}, {{1, 1.7320508075688772}, {4, 6.928203230275509}},
                       {-5, 1}),
        make(DimensionKind::Radial, {{10, 10}, {22.5, 10}}),
        make(DimensionKind::Diametric, {{10, 10}, {10, -2.5}}),
    };
    const Similarity maps[] = {
        Similarity::translation({100, -50}),     Similarity::rotation({3, 4}, 30),
        Similarity::rotation({3, 4}, 90),        Similarity::mirroring({0, 0}, {0, 10}),
        Similarity::mirroring({-5, 2}, {20, 9}),
    };
    for (const DimensionData& d : all)
        for (const Similarity& m : maps) {
            const DimensionData t = transformed(d, m);
            EXPECT_NEAR(measuredValue(t), measuredValue(d), 1e-9)
                << static_cast<int>(d.kind) << " " << m.turn << " " << m.mirror;
            const auto g = dimensionGeometry(t, s, {});
            ASSERT_TRUE(g.text);
            EXPECT_GT(g.text->rotation, -90);
            EXPECT_LE(g.text->rotation, 90);
            EXPECT_EQ(g.text->text, dimensionText(d, s));
        }
    // Scaling scales lengths, not angles.
    const Similarity twice = Similarity::scaling({1, 1}, 2);
    EXPECT_NEAR(measuredValue(transformed(all[2], twice)), 10, 1e-12);
    EXPECT_NEAR(measuredValue(transformed(all[3], twice)), measuredValue(all[3]), 1e-9);
    // A turned horizontal dimension turns its direction with it.
    EXPECT_NEAR(transformed(all[0], Similarity::rotation({0, 0}, 30)).rotation, 30, 1e-12);
    // The text the person put goes along; the ordinates' origin stays.
    DimensionData ordinate = make(DimensionKind::OrdinateX, {{10, 0}, {10, 30}});
    ordinate.textPosition = Vec2{10, 40};
    const DimensionData moved = transformed(ordinate, Similarity::translation({5, 1}));
    EXPECT_EQ(moved.textPosition, (Vec2{15, 41}));
    EXPECT_EQ(moved.origin, (Vec2{0, 0}));
    EXPECT_DOUBLE_EQ(measuredValue(moved), 15);
}
