// Print sheets along a road: the area a sheet shows from its paper and scale, an axis joined
// from several curves, and its division into sheets, checked by following the axis in small
// steps and asking which areas hold each point.
#include "engine/model/PrintAreas.h"
#include "engine/model/Measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace cad;

namespace {

constexpr double kStep = 0.01; // of the sampled axis, in drawing units

// The axis in steps of kStep: chainage and point, worked out here from the pieces themselves.
struct Sample {
    double chainage;
    Vec2 p;
};

std::vector<Sample> sampled(const std::vector<AxisPiece>& axis) {
    std::vector<Sample> out;
    double at = 0;
    for (const AxisPiece& piece : axis) {
        const double chord = std::hypot(piece.b.x - piece.a.x, piece.b.y - piece.a.y);
        const double sweep = 4 * std::atan(piece.bulge);
        const double length = piece.bulge == 0
                                  ? chord
                                  : chord / (2 * std::sin(std::abs(sweep) / 2)) * std::abs(sweep);
        const int n = static_cast<int>(std::ceil(length / kStep));
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / n;
            Vec2 p;
            if (piece.bulge == 0) {
                p = {piece.a.x + (piece.b.x - piece.a.x) * t,
                     piece.a.y + (piece.b.y - piece.a.y) * t};
            } else {
                // Turn the start about the centre (the point seen from the chord's middle).
                const double mx = (piece.a.x + piece.b.x) / 2, my = (piece.a.y + piece.b.y) / 2;
                const double ux = (piece.b.x - piece.a.x) / chord,
                             uy = (piece.b.y - piece.a.y) / chord;
                const double h = chord / 2 / std::tan(sweep / 2);
                const double cx = mx - uy * h, cy = my + ux * h;
                const double turn = sweep * t, c = std::cos(turn), s = std::sin(turn);
                const double dx = piece.a.x - cx, dy = piece.a.y - cy;
                p = {cx + dx * c - dy * s, cy + dx * s + dy * c};
            }
            out.push_back({at + length * t, p});
        }
        at += length;
    }
    out.push_back({at, axis.back().b});
    return out;
}

double directionOf(Vec2 a, Vec2 b) {
    double d = std::atan2(b.y - a.y, b.x - a.x) * 180 / kPi;
    return d < 0 ? d + 360 : d;
}

double angleBetween(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360 - d);
}

// What a division along an axis must give, for sheets of `size` sharing `shared` units.
void expectSheetsFollowTheAxis(const std::vector<AxisPiece>& axis, AreaSize size, double shared) {
    const auto sheets = divideAlongAxis(axis, size, Overlap{shared, false});
    ASSERT_GE(sheets.size(), 3u);
    const auto samples = sampled(axis);
    // Every point of the axis lies on a sheet.
    for (const Sample& s : samples) {
        bool held = false;
        for (const AxisSheet& sheet : sheets)
            held = held || areaContains(sheet.area, s.p, 1e-7);
        ASSERT_TRUE(held) << "chainage " << s.chainage;
    }
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const PrintArea& area = sheets[i].area;
        EXPECT_NEAR(area.width, size.width, 1e-9);
        EXPECT_NEAR(area.height, size.height, 1e-9);
        // The run of the axis the sheet holds from where it enters: the axis enters at the
        // sheet's entry and leaves at its exit, and the sheet is turned along the chord
        // between the two.
        std::size_t k = 0;
        while (k < samples.size() && samples[k].chainage < sheets[i].entry - 2 * kStep)
            ++k;
        while (k < samples.size() && !areaContains(area, samples[k].p, 1e-7))
            ++k;
        ASSERT_LT(k, samples.size()) << i;
        const std::size_t in = k;
        while (k + 1 < samples.size() && areaContains(area, samples[k + 1].p, 1e-7))
            ++k;
        EXPECT_NEAR(samples[in].chainage, sheets[i].entry, 2 * kStep) << i;
        EXPECT_NEAR(samples[k].chainage, sheets[i].exit, 2 * kStep) << i;
        EXPECT_LT(angleBetween(area.angleDegrees, directionOf(samples[in].p, samples[k].p)), 0.05)
            << i;
        // The entry lies on the sheet's left edge, the axis centred across.
        const Vec2 entry = toAreaFrame(area, samples[in].p);
        EXPECT_NEAR(entry.x, -size.width / 2, 2 * kStep) << i;
        if (i + 1 == sheets.size())
            continue;
        // Neighbours share the asked length of the axis.
        double both = 0;
        for (const Sample& s : samples)
            if (areaContains(area, s.p, 1e-7) && areaContains(sheets[i + 1].area, s.p, 1e-7))
                both += kStep;
        EXPECT_NEAR(both, shared, shared / 100) << i;
    }
    // In order along the axis, from its start to its end.
    EXPECT_EQ(sheets.front().entry, 0);
    EXPECT_NEAR(sheets.back().exit, samples.back().chainage, 1e-6);
    for (std::size_t i = 1; i < sheets.size(); ++i)
        EXPECT_GT(sheets[i].entry, sheets[i - 1].entry);
}

// An arc piece from a to b turning by `degrees` (counter-clockwise when positive).
AxisPiece arc(Vec2 a, Vec2 b, double degrees) {
    return {a, b, std::tan(radians(degrees) / 4)};
}

} // namespace

TEST(PrintAreas, TheAreaOfASheetIsItsPaperInsideTheMarginsAtTheScale) {
    SheetPaper a3;
    a3.size = PaperSize::A3;
    a3.landscape = true;
    // 400 x 277 mm of paper at 1:500 in metres: 200 x 138.5 m.
    auto size = sheetAreaSize(a3, 500, 1000);
    ASSERT_TRUE(size);
    EXPECT_NEAR(size->width, 200, 1e-9);
    EXPECT_NEAR(size->height, 138.5, 1e-9);
    a3.landscape = false;
    size = sheetAreaSize(a3, 500, 1000);
    EXPECT_NEAR(size->width, 138.5, 1e-9);
    EXPECT_NEAR(size->height, 200, 1e-9);

    // A4 upright in millimetres at 1:1, uneven margins; A0 at 1:1000 in centimetres.
    SheetPaper a4{PaperSize::A4, 0, 0, false, 25, 10, 5, 15};
    size = sheetAreaSize(a4, 1, 1);
    EXPECT_NEAR(size->width, 180, 1e-9);
    EXPECT_NEAR(size->height, 272, 1e-9);
    SheetPaper a0{PaperSize::A0, 0, 0, true, 0, 0, 0, 0};
    size = sheetAreaSize(a0, 1000, 10);
    EXPECT_NEAR(size->width, 118900, 1e-6);
    EXPECT_NEAR(size->height, 84100, 1e-6);

    // A paper of its own, whichever way its sides were typed.
    SheetPaper custom{PaperSize::Custom, 1000, 297, false, 10, 10, 10, 10};
    EXPECT_NEAR(sheetAreaSize(custom, 1, 1)->width, 277, 1e-9);
    EXPECT_NEAR(sheetAreaSize(custom, 1, 1)->height, 980, 1e-9);
    custom.landscape = true;
    EXPECT_NEAR(sheetAreaSize(custom, 1, 1)->width, 980, 1e-9);
    custom.customWidthMm = 297;
    custom.customHeightMm = 1000;
    EXPECT_NEAR(sheetAreaSize(custom, 1, 1)->width, 980, 1e-9);

    // Margins that leave nothing, and scales that are none.
    a4.marginLeftMm = 205;
    EXPECT_FALSE(sheetAreaSize(a4, 1, 1));
    EXPECT_FALSE(sheetAreaSize(a3, 0, 1000));
    EXPECT_FALSE(sheetAreaSize(a3, -500, 1000));
    EXPECT_FALSE(sheetAreaSize(a3, 500, 0));
    custom.customWidthMm = 0;
    EXPECT_FALSE(sheetAreaSize(custom, 1, 1));
}

TEST(PrintAreas, AnAreasFrameTurnsWithIt) {
    const PrintArea area{{100, 50}, 40, 20, 90};
    const auto c = areaCorners(area);
    // Turned a quarter: its bottom left corner lies to the right of the centre, below it.
    EXPECT_NEAR(c[0].x, 110, 1e-9);
    EXPECT_NEAR(c[0].y, 30, 1e-9);
    EXPECT_NEAR(c[2].x, 90, 1e-9);
    EXPECT_NEAR(c[2].y, 70, 1e-9);
    EXPECT_TRUE(areaContains(area, {100, 69}));
    EXPECT_FALSE(areaContains(area, {115, 50}));
    EXPECT_TRUE(areaContains(area, {110.5, 50}, 1));
    const Vec2 local = toAreaFrame(area, {95, 60});
    EXPECT_NEAR(local.x, 10, 1e-9);
    EXPECT_NEAR(local.y, 5, 1e-9);
    const Vec2 back = fromAreaFrame(area, local);
    EXPECT_NEAR(back.x, 95, 1e-9);
    EXPECT_NEAR(back.y, 60, 1e-9);
    const Rect box = areaBox(area);
    EXPECT_NEAR(box.width(), 20, 1e-9);
    EXPECT_NEAR(box.height(), 40, 1e-9);
}

TEST(PrintAreas, TheAxisIsFollowedExactlyOnLinesAndArcs) {
    // A straight 100, a quarter circle of radius 100 to the left, a straight 50.
    const std::vector<AxisPiece> axis = {
        linePiece({{0, 0}, {100, 0}}),
        arcPiece({{100, 100}, 100, 270, 0}),
        {{200, 100}, {200, 150}, 0},
    };
    const AxisPath path(axis);
    EXPECT_NEAR(path.length(), 150 + 50 * kPi, 1e-9);
    const Vec2 middle = path.pointAt(100 + 25 * kPi);
    EXPECT_NEAR(middle.x, 100 + 100 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(middle.y, 100 - 100 * std::sqrt(0.5), 1e-9);
    const Vec2 d = path.directionAt(100 + 25 * kPi);
    EXPECT_NEAR(d.x, std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(d.y, std::sqrt(0.5), 1e-9);
    const Vec2 end = path.pointAt(path.length());
    EXPECT_NEAR(end.x, 200, 1e-9);
    EXPECT_NEAR(end.y, 150, 1e-9);
    // The arc reaches farther down-right than its ends, by its radius from its centre.
    const auto reach = path.reach(100, 100 + 50 * kPi, {std::sqrt(0.5), -std::sqrt(0.5)});
    EXPECT_NEAR(reach.second, 100, 1e-9);
    EXPECT_NEAR(reach.first, 100 * std::sqrt(0.5), 1e-9);
    // The same arc clockwise, as a reversed piece, is as long.
    EXPECT_NEAR(pieceLength(reversed(axis[1])), 50 * kPi, 1e-9);
    EXPECT_NEAR(pieceLength(arc({0, 0}, {0, 200}, -180)), 100 * kPi, 1e-9);
}

TEST(PrintAreas, CurvesAreJoinedEndToEndInAnyOrderAndDirection) {
    const std::vector<AxisPiece> first = {linePiece({{100, 0}, {200, 0}})};
    const std::vector<AxisPiece> before = polylinePieces(std::vector<Vec2>{{0, 0}, {100, 0}});
    const std::vector<AxisPiece> bend = {reversed(arc({200, 0}, {300, 100}, 90))};
    const std::vector<AxisPiece> after =
        polylinePieces(std::vector<Vec2>{{300, 400}, {300, 250}, {300, 250}, {300.004, 100.003}});
    ASSERT_EQ(after.size(), 2u); // the repeated vertex gives no piece
    const std::vector<std::vector<AxisPiece>> curves = {first, after, before, bend};
    const auto joined = joinAxis(curves, 0.01);
    ASSERT_TRUE(joined);
    ASSERT_EQ(joined->size(), 5u);
    // The first curve keeps its direction: the axis runs from (0, 0) to (300, 400).
    EXPECT_EQ(joined->front().a, (Vec2{0, 0}));
    EXPECT_EQ(joined->back().b, (Vec2{300, 400}));
    for (std::size_t i = 1; i < joined->size(); ++i)
        EXPECT_NEAR(std::hypot((*joined)[i].a.x - (*joined)[i - 1].b.x,
                               (*joined)[i].a.y - (*joined)[i - 1].b.y),
                    0, 0.01);
    EXPECT_NEAR(AxisPath(*joined).length(), 200 + 50 * kPi + 300, 0.01);
    // The bend turns left again, as it did before it was given the other way round.
    EXPECT_GT((*joined)[2].bulge, 0);

    // A gap wider than the tolerance, or a branch, is no single axis.
    EXPECT_FALSE(joinAxis(curves, 0.001));
    const std::vector<std::vector<AxisPiece>> branched = {
        first, before, polylinePieces(std::vector<Vec2>{{100, 0}, {100, 50}})};
    EXPECT_FALSE(joinAxis(branched, 0.01));
    EXPECT_FALSE(joinAxis(std::vector<std::vector<AxisPiece>>{}, 0.01));
}

TEST(PrintAreas, AnAxisIsPickedFromLinesArcsPolylinesAndSplines) {
    Drawing d;
    const std::vector<Vec2> corner = {{100, 50}, {100, 200}, {200, 200}};
    const std::vector<Vec2> curve = {{200, 200}, {260, 230}, {300, 300}};
    const int handles[] = {
        d.addLine({{0, 0}, {50, 0}}),
        d.addArc({{50, 50}, 50, 270, 0}),
        d.addPolyline(corner.data(), corner.size(), false),
        d.addSpline(curve.data(), curve.size(), false),
    };
    std::vector<std::vector<AxisPiece>> curves;
    for (const int h : handles) {
        const auto pieces = axisPiecesOf(d, h, 0.001);
        ASSERT_TRUE(pieces) << h;
        // As long as the entity measures.
        EXPECT_NEAR(AxisPath(*pieces).length(), measureEntity(d, h)->length, 0.01) << h;
        curves.push_back(*pieces);
    }
    const auto joined = joinAxis(curves, 1e-6);
    ASSERT_TRUE(joined);
    const Vec2 end = AxisPath(*joined).pointAt(1e9);
    EXPECT_NEAR(end.x, 300, 1e-9);
    EXPECT_NEAR(end.y, 300, 1e-9);
    const TextSpec text{{0, 0}, 1, 0, 0, 0, 0, "0+000"};
    EXPECT_FALSE(axisPiecesOf(d, d.addText(text), 0.001));
    EXPECT_FALSE(axisPiecesOf(d, 99, 0.001));
}

TEST(PrintAreas, SheetsFollowAnLShapedAxis) {
    // A3 landscape at 1:500 in metres, 10 % overlap.
    const std::vector<AxisPiece> axis =
        polylinePieces(std::vector<Vec2>{{0, 0}, {1000, 0}, {1000, 800}});
    expectSheetsFollowTheAxis(axis, {200, 138.5}, 20);
    // Turned the other way and far from the origin, as a plan in the national grid lies.
    const std::vector<AxisPiece> grid = polylinePieces(
        std::vector<Vec2>{{7512000, 5603000}, {7512000, 5602000}, {7511200, 5602000}});
    expectSheetsFollowTheAxis(grid, {200, 138.5}, 35);
}

TEST(PrintAreas, SheetsFollowAnSShapedAxis) {
    // A straight, a bend to the left and one to the right of radius 300, a straight.
    const std::vector<AxisPiece> axis = {
        {{0, 0}, {300, 0}, 0},
        arc({300, 0}, {600, 300}, 90),
        arc({600, 300}, {900, 600}, -90),
        {{900, 600}, {1300, 600}, 0},
    };
    expectSheetsFollowTheAxis(axis, {200, 138.5}, 20);
    // Tighter bends than a sheet is high: the bends decide where sheets end.
    const std::vector<AxisPiece> tight = {
        {{0, 0}, {100, 0}, 0},           arc({100, 0}, {160, 60}, 90),
        arc({160, 60}, {220, 120}, -90), arc({220, 120}, {280, 60}, -90),
        {{280, 60}, {280, -100}, 0},
    };
    expectSheetsFollowTheAxis(tight, {100, 40}, 5);
}

TEST(PrintAreas, OverlapInPercentOfTheSheetAndBetweenChainages) {
    const std::vector<AxisPiece> axis = {linePiece({{0, 0}, {1000, 0}})};
    // Sheets of 200 sharing 15 %: entries every 170, the last one ending at the axis's end.
    const auto sheets = divideAlongAxis(axis, {200, 100}, Overlap{15, true});
    ASSERT_EQ(sheets.size(), 6u);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        EXPECT_NEAR(sheets[i].entry, 170.0 * static_cast<double>(i), 1e-6);
        EXPECT_NEAR(sheets[i].area.angleDegrees, 0, 1e-9);
        EXPECT_NEAR(sheets[i].area.centre.y, 0, 1e-9);
    }
    EXPECT_NEAR(sheets.back().exit, 1000, 1e-9);
    // From chainage 250 to 600 only.
    const auto part = divideAlongAxis(axis, {200, 100}, Overlap{10, false}, 250, 600);
    ASSERT_EQ(part.size(), 2u);
    EXPECT_NEAR(part[0].entry, 250, 1e-9);
    EXPECT_NEAR(part[0].exit, 450, 1e-6);
    EXPECT_NEAR(part[1].entry, 440, 1e-6);
    EXPECT_NEAR(part[1].exit, 600, 1e-9);
    EXPECT_NEAR(part[0].area.centre.x, 350, 1e-6);
    // Run the other way, the sheets are turned half round.
    const std::vector<AxisPiece> back = {reversed(axis[0])};
    const auto turned = divideAlongAxis(back, {200, 100}, Overlap{});
    ASSERT_FALSE(turned.empty());
    EXPECT_NEAR(turned[0].area.angleDegrees, 180, 1e-9);
    EXPECT_NEAR(turned[0].area.centre.x, 900, 1e-6);
    // Nothing to divide.
    EXPECT_TRUE(divideAlongAxis(axis, {0, 100}, Overlap{}).empty());
    EXPECT_TRUE(divideAlongAxis({}, {200, 100}, Overlap{}).empty());
}

TEST(PrintAreas, AGridCoversTheRegionWithTheOverlap) {
    Rect region;
    region.add(0, 0);
    region.add(1000, 500);
    const AreaSize size{200, 138.5};
    const auto areas = divideGrid(region, size, Overlap{10, true});
    // Columns 200 wide, 180 apart: 6 cover 1000; rows 138.5 high, 124.65 apart: 4 cover 500.
    ASSERT_EQ(areas.size(), 24u);
    for (double x = 0; x <= 1000; x += 5)
        for (double y = 0; y <= 500; y += 5) {
            bool held = false;
            for (const PrintArea& a : areas)
                held = held || areaContains(a, {x, y}, 1e-9);
            ASSERT_TRUE(held) << x << " " << y;
        }
    // Rows from the top, columns from the left; neighbours share the overlap.
    EXPECT_GT(areas[0].centre.y, areas[6].centre.y);
    EXPECT_LT(areas[0].centre.x, areas[1].centre.x);
    EXPECT_NEAR(areas[1].centre.x - areas[0].centre.x, 180, 1e-9);
    EXPECT_NEAR(areas[0].centre.y - areas[6].centre.y, 124.65, 1e-9);
    // Centred on the region.
    EXPECT_NEAR(areas[0].centre.x + areas[5].centre.x, 1000, 1e-9);
    EXPECT_NEAR(areas[0].centre.y + areas[23].centre.y, 500, 1e-9);
    // A region smaller than one sheet: one sheet on it.
    Rect small;
    small.add(10, 10);
    small.add(20, 20);
    const auto one = divideGrid(small, size, Overlap{20, false});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NEAR(one[0].centre.x, 15, 1e-9);
}
