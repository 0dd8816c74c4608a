// The drawing model on its own: extents, line patterns, blocks, copying between drawings, and
// the shapes of splines and sectors.
#include "engine/model/Drawing.h"
#include "engine/model/Merge.h"
#include "engine/model/Outline.h"
#include "engine/model/Picking.h"
#include "engine/model/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cad;

namespace {

int polyline(Drawing& d, std::initializer_list<Vec2> points, bool closed = false) {
    const std::vector<Vec2> v(points);
    return d.addPolyline(v.data(), v.size(), closed);
}

TEST(Drawing, NewDrawingHasLayerZeroContinuousStyleAndATextStyle) {
    Drawing d;
    ASSERT_EQ(d.layers.size(), 1u);
    EXPECT_EQ(d.layers[0].name, "0");
    EXPECT_EQ(d.layers[0].color, 0u);
    EXPECT_EQ(d.layers[0].width, 0.0);
    ASSERT_EQ(d.lineStyles.size(), 1u);
    EXPECT_TRUE(d.lineStyles[0].pattern.empty());
    EXPECT_EQ(d.textStyles.size(), 1u);
    EXPECT_TRUE(d.extents().empty());
}

TEST(Drawing, ExtentsCoverEveryKindOfEntity) {
    Drawing d;
    polyline(d, {{0, 0}, {10, 5}});
    d.addCircle({{20, 0}, 2});
    d.addArc({{0, 20}, 5, 0, 90}); // quarter arc: from (5,20) to (0,25)
    const Rect r = d.extents();
    EXPECT_DOUBLE_EQ(r.left, 0);
    EXPECT_DOUBLE_EQ(r.bottom, -2);
    EXPECT_DOUBLE_EQ(r.right, 22);
    EXPECT_DOUBLE_EQ(r.top, 25);

    Drawing arc;
    arc.addArc({{0, 0}, 1, 45, 135}); // passes through the top quadrant point
    EXPECT_NEAR(arc.extents().top, 1.0, 1e-12);
    EXPECT_NEAR(arc.extents().left, -std::sqrt(0.5), 1e-12);

    Drawing rect;
    rect.addRectangle({{0, 0}, 2, 2, 45});
    EXPECT_NEAR(rect.extents().right, std::sqrt(2.0), 1e-12);
}

TEST(Drawing, AbsurdValuesKeepExtentsFinite) {
    Drawing d;
    const double inf = std::numeric_limits<double>::infinity();
    polyline(d, {{99999999, -99999999}, {1e16, 1e16}});
    polyline(d, {{5, 5}}); // a polyline of one vertex
    d.addCircle({{0, 0}, -99999999});
    d.addText({{1e16, 0}, 1e16, 1e300, 0, 0, 0, std::string(1000, 'x')});
    d.addArc({{0, 0}, 1, 1e300, -1e300});
    d.addLine({{inf, 0}, {0, std::nan("")}});
    const Rect r = d.extents();
    EXPECT_FALSE(r.empty());
    EXPECT_TRUE(std::isfinite(r.left) && std::isfinite(r.right));
    EXPECT_TRUE(std::isfinite(r.bottom) && std::isfinite(r.top));
    EXPECT_LE(r.left, -99999999);
    EXPECT_GE(r.right, 1e16);
    const DrawingStatistics s = computeStatistics(d);
    EXPECT_EQ(s.entities, 6);
    EXPECT_EQ(s.vertices, 3);
    EXPECT_EQ(s.textChars, 1000);
}

TEST(Drawing, LinePatternsParseOurNotation) {
    EXPECT_EQ(parseLinePattern("6,-2,0,-2"), (std::vector<double>{6, -2, 0, -2}));
    EXPECT_EQ(parseLinePattern(" 5 -1.5 "), (std::vector<double>{5, -1.5}));
    EXPECT_EQ(parseLinePattern("+3,,-1"), (std::vector<double>{3, -1}));
    EXPECT_TRUE(parseLinePattern("").empty());
    EXPECT_TRUE(parseLinePattern("0,0").empty()); // no length at all: continuous
    EXPECT_EQ(parseLinePattern("4,x,-1,nan,inf"), (std::vector<double>{4, -1}));
}

TEST(Drawing, BlocksTakeTheEntitiesCreatedSinceTheirStart) {
    Drawing d;
    const int outside = polyline(d, {{0, 0}, {1, 1}});
    const std::size_t start = d.entities.size();
    const int inside = polyline(d, {{0, 0}, {10, 0}, {5, 8}}, true);
    d.addCircle({{5, 3}, 1.5});
    const int block = d.makeBlock("S1", {5, 0}, start);
    ASSERT_EQ(block, 0);
    EXPECT_EQ(d.blocks[0].entities.size(), 2u);
    EXPECT_TRUE(d.inModelSpace(outside));
    EXPECT_FALSE(d.inModelSpace(inside));
    EXPECT_TRUE(d.valid(inside));
    EXPECT_EQ(computeStatistics(d).entities, 1);
    // Block extents are in block coordinates; an insertion moves them to its point.
    const Rect b = d.blockExtents(0);
    EXPECT_DOUBLE_EQ(b.right, 10);
    const int insert = d.addInsert({0, {100, 100}, 2, 2, 0});
    const Rect r = d.entityExtents(insert);
    EXPECT_DOUBLE_EQ(r.left, 90);
    EXPECT_DOUBLE_EQ(r.right, 110);
    EXPECT_DOUBLE_EQ(r.top, 100 + 2 * 8);
    // Nothing collected: no block.
    EXPECT_EQ(d.makeBlock("empty", {0, 0}, d.entities.size()), -1);
}

TEST(Drawing, ABlockNeverContainsItself) {
    Drawing d;
    std::size_t start = d.entities.size();
    polyline(d, {{0, 0}, {1, 0}});
    const int a = d.makeBlock("A", {0, 0}, start);
    start = d.entities.size();
    d.addInsert({a, {0, 0}, 1, 1, 0});
    const int b = d.makeBlock("B", {0, 0}, start);
    EXPECT_FALSE(d.hasRecursiveBlock());
    EXPECT_TRUE(d.wouldRecurse(a, b)); // A would insert B, which inserts A
    EXPECT_TRUE(d.wouldRecurse(a, a));
    EXPECT_FALSE(d.wouldRecurse(b, a));
    EXPECT_FALSE(d.wouldRecurse(kModelSpace, b));
    // Replacing A by something that inserts B (and so A) is refused.
    start = d.entities.size();
    d.addInsert({b, {0, 0}, 1, 1, 0});
    EXPECT_EQ(d.makeBlock("A", {0, 0}, start), -1);
    EXPECT_FALSE(d.hasRecursiveBlock());
}

TEST(Drawing, DeeplyNestedBlocksAreMeasuredOnceEach) {
    // Twenty blocks, each inserting the one before it four times: 4^20 paths through them.
    Drawing d;
    std::size_t start = d.entities.size();
    polyline(d, {{0, 0}, {1, 1}});
    d.makeBlock("b0", {0, 0}, start);
    for (int b = 1; b < 20; ++b) {
        start = d.entities.size();
        for (int k = 0; k < 4; ++k)
            d.addInsert({b - 1, {k * 2.0, 0}, 1, 1, 0});
        d.makeBlock("b" + std::to_string(b), {0, 0}, start);
    }
    d.addInsert({19, {0, 0}, 1, 1, 0});
    EXPECT_FALSE(d.extents().empty());
    EXPECT_FALSE(d.hasRecursiveBlock());
    EXPECT_GT(d.extents().width(), 6.0);
}

TEST(Drawing, WalkVisitsLiveEntitiesOfTheDrawingInOrder) {
    Drawing d;
    const int first = polyline(d, {{0, 0}, {1, 1}});
    const std::size_t start = d.entities.size();
    d.addCircle({{0, 0}, 1});
    d.makeBlock("B", {0, 0}, start);
    const int text = d.addText({{0, 0}, 1, 0, 0, 0, 0, "KM 0+100"});
    const int gone = d.addPoint({{3, 3}});
    d.entities[static_cast<std::size_t>(gone)].set(EntityFlag::Deleted, true);
    EntityWalk walk;
    EXPECT_EQ(walk.first(d), first);
    EXPECT_EQ(walk.next(d), text);
    EXPECT_EQ(walk.next(d), -1);
    EXPECT_EQ(walk.next(d), -1);
    EXPECT_EQ(walk.first(d), first);
}

TEST(Merge, FileContentJoinsAnOpenDrawingByName) {
    auto into = std::make_unique<Drawing>();
    into->layers.push_back(Layer{"road", 0x0000FF, 0, 0.5, true, false, true});
    into->current.layer = 1;
    polyline(*into, {{0, 0}, {1, 0}});

    auto from = std::make_unique<Drawing>();
    from->layers.push_back(Layer{"kerb", 0x00FF00, 0, 0.3, true, false, true});
    from->layers.push_back(Layer{"road", 0x123456, 0, 9.0, true, false, true});
    std::size_t start = from->entities.size();
    from->current.layer = 1;
    polyline(*from, {{0, 0}, {2, 2}});
    from->makeBlock("tree", {0, 0}, start);
    from->current.layer = 2;
    const int insert = from->addInsert({0, {5, 5}, 1, 1, 0});
    (void)insert;
    from->current.layer = 1;
    from->addText({{1, 1}, 2, 0, 0, 0, 0, "A-7"});

    mergeDrawing(into, std::move(from));
    ASSERT_EQ(into->layers.size(), 3u);
    EXPECT_EQ(into->layers[1].color, 0x0000FFu); // the open drawing's layer stays as it was
    EXPECT_EQ(into->layers[2].name, "kerb");
    ASSERT_EQ(into->blocks.size(), 1u);
    const DrawingStatistics s = computeStatistics(*into);
    EXPECT_EQ(s.entities, 3);
    EXPECT_EQ(s.byLayer[1], 2); // the first polyline and the insertion on "road"
    EXPECT_EQ(s.byLayer[2], 1); // the text on "kerb"
    EXPECT_TRUE(into->modified);
}

TEST(Merge, APristineDrawingTakesTheFileAsItIs) {
    auto into = std::make_unique<Drawing>();
    auto from = std::make_unique<Drawing>();
    from->layers.push_back(Layer{"x", 1, 2, 3, true, false, true});
    from->settings.background = 0x000000;
    polyline(*from, {{0, 0}, {1, 0}});
    Drawing* raw = from.get();
    mergeDrawing(into, std::move(from));
    EXPECT_EQ(into.get(), raw);
    EXPECT_EQ(into->settings.background, 0x000000u);
}

TEST(Merge, CopyingBlocksBringsWhatTheyInsertAndKeepsExistingOnes) {
    Drawing source;
    source.layers.push_back(Layer{"signs", 0x0000FF, 0x0000FF, 0.2, true, false, true});
    source.current.layer = 1;
    std::size_t start = source.entities.size();
    source.addCircle({{0, 0}, 1});
    const int ring = source.makeBlock("ring", {0, 0}, start);
    start = source.entities.size();
    source.addInsert({ring, {0, 0}, 1, 1, 0});
    source.addText({{0, 0}, 1, 0, 0, 0, 0, "B-20"});
    source.makeBlock("B-20", {0, 0}, start);
    start = source.entities.size();
    polyline(source, {{0, 0}, {1, 1}});
    source.makeBlock("A-7", {0, 0}, start);

    Drawing target;
    std::size_t t = target.entities.size();
    target.addPoint({{0, 0}});
    target.makeBlock("A-7", {0, 0}, t);
    ScratchWriter into(target);

    EXPECT_EQ(copyBlocks(into, source, "B-20"), 2); // with "ring"
    EXPECT_GE(target.findBlock("ring"), 0);
    EXPECT_EQ(target.findLayer("signs"), 1);
    EXPECT_EQ(copyBlocks(into, source, ""), 0); // all three exist now
    EXPECT_EQ(target.blocks[static_cast<std::size_t>(target.findBlock("A-7"))].entities.size(), 1u);
    EXPECT_EQ(computeStatistics(target).entities, 0);
    EXPECT_EQ(copyBlocks(into, source, "no such"), 0);
}

TEST(Merge, BlocksKeepTheirSplinesAndSectors) {
    Drawing source;
    const std::size_t start = source.entities.size();
    const Vec2 fit[] = {{0, 0}, {2, 3}, {5, 1}};
    source.addSpline(fit, 3, true);
    source.addSector({{1, 1}, 2, 10, 250});
    source.entities.back().set(EntityFlag::Filled, true);
    source.makeBlock("luk", {0, 0}, start);
    Drawing target;
    polyline(target, {{9, 9}, {8, 8}}); // vertices of its own before the copied ones
    ScratchWriter into(target);
    ASSERT_EQ(copyBlocks(into, source, "luk"), 1);
    const auto& copied = target.blocks[0].entities;
    ASSERT_EQ(copied.size(), 2u);
    const Entity& spline = target.entities[copied[0]];
    EXPECT_EQ(spline.type, EntityType::Spline);
    EXPECT_TRUE(spline.has(EntityFlag::Closed));
    EXPECT_EQ(std::vector<Vec2>(target.vertexData(spline), target.vertexData(spline) + 3),
              std::vector<Vec2>(fit, fit + 3));
    const Entity& sector = target.entities[copied[1]];
    EXPECT_TRUE(sector.has(EntityFlag::Filled));
    EXPECT_EQ(target.sectors[sector.first].endAngle, 250);
}

// ---- splines and sectors

// A wavy curve through five points; between them it swings beyond them.
const std::vector<Vec2> kWave = {{0, 0}, {10, 12}, {25, -4}, {32, 9}, {50, 2}};

Rect boxOf(std::span<const Vec2> points) {
    Rect r;
    for (const Vec2 p : points)
        r.add(p);
    return r;
}

// The one path of an entity's outline, the curve followed to a ten-thousandth.
std::vector<Vec2> onlyPath(const Drawing& d, int h, bool closed, bool area) {
    Outline o;
    outlineOf(d, h, 1e-4, o);
    EXPECT_EQ(o.paths.size(), 1u);
    if (o.paths.size() != 1)
        return {};
    EXPECT_EQ(o.paths[0].closed, closed);
    EXPECT_EQ(o.paths[0].area, area);
    const auto points = o.pointsOf(o.paths[0]);
    return {points.begin(), points.end()};
}

TEST(Spline, PassesThroughItsFitPointsAndStaysInsideItsTightExtents) {
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "open");
        Drawing d;
        const int h = d.addSpline(kWave.data(), kWave.size(), closed);
        EXPECT_EQ(d.entities[std::size_t(h)].type, EntityType::Spline);
        EXPECT_EQ(d.entities[std::size_t(h)].has(EntityFlag::Closed), closed);
        const std::vector<Vec2> curve = onlyPath(d, h, closed, false);
        ASSERT_GT(curve.size(), 50u);
        // Through every fit point in order, from the first to the last, a closed one back to
        // the first.
        std::size_t reached = 0;
        for (const Vec2 p : curve)
            reached += reached < kWave.size() && p == kWave[reached];
        EXPECT_EQ(reached, kWave.size());
        EXPECT_EQ(curve.front(), kWave.front());
        EXPECT_EQ(curve.back(), closed ? kWave.front() : kWave.back());

        // The extents hold the whole curve and no more, wider than the fit points.
        const Rect extents = d.entityExtents(h);
        const Rect along = boxOf(curve);
        EXPECT_FALSE(boxOf(kWave).contains(along));
        for (const auto& [outer, inner] : {std::pair{-extents.left, -along.left},
                                           {extents.right, along.right},
                                           {-extents.bottom, -along.bottom},
                                           {extents.top, along.top}}) {
            EXPECT_GE(outer, inner - 1e-9);
            EXPECT_LE(outer, inner + 1e-3);
        }
        // Picking follows the curve, not the chords between the points; a window around the
        // fit points alone leaves out what swings beyond them.
        const Vec2 between = curve[curve.size() / 3];
        EXPECT_EQ(entityAt(d, between, 0.01), h);
        EXPECT_EQ(entityAt(d, {(kWave[1].x + kWave[2].x) / 2, (kWave[1].y + kWave[2].y) / 2}, 0.01),
                  -1);
        EXPECT_FALSE(insideRect(d, h, boxOf(kWave)));
        EXPECT_TRUE(insideRect(d, h, extents));
        EXPECT_EQ(gripPoints(d, h), kWave);
    }
}

TEST(Spline, FewPointsMakeTheStraightPathAndRepeatsCountOnce) {
    Drawing d;
    const std::vector<Vec2> two = {{1, 1}, {1, 1}, {4, 5}};
    const int segment = d.addSpline(two.data(), two.size(), false);
    EXPECT_EQ(onlyPath(d, segment, false, false), (std::vector<Vec2>{{1, 1}, {4, 5}}));
    EXPECT_EQ(d.entities[std::size_t(segment)].count, 3u) << "the fit points as given";
    // The first point again at the end of a closed one is the same point.
    const std::vector<Vec2> ring = {{0, 0}, {10, 0}, {5, 8}, {0, 0}};
    EXPECT_EQ(onlyPath(d, d.addSpline(ring.data(), ring.size(), true), true, false),
              onlyPath(d, d.addSpline(ring.data(), 3, true), true, false));
}

TEST(Sector, IsAnArcClosedThroughItsCentre) {
    Drawing d;
    const Vec2 c{10, 5};
    const int h = d.addSector({c, 4, 30, 120});
    EXPECT_EQ(d.entities[std::size_t(h)].type, EntityType::Sector);
    const auto on = [&](double degrees) {
        return Vec2{c.x + 4 * std::cos(radians(degrees)), c.y + 4 * std::sin(radians(degrees))};
    };
    const std::vector<Vec2> outline = onlyPath(d, h, true, false);
    ASSERT_GT(outline.size(), 10u);
    EXPECT_EQ(outline.front(), c);
    EXPECT_NEAR(outline[1].x, on(30).x, 1e-12);
    EXPECT_NEAR(outline[1].y, on(30).y, 1e-12);
    EXPECT_NEAR(outline.back().x, on(120).x, 1e-12);
    EXPECT_NEAR(outline.back().y, on(120).y, 1e-12);
    for (std::size_t i = 1; i < outline.size(); ++i)
        EXPECT_NEAR(std::hypot(outline[i].x - c.x, outline[i].y - c.y), 4, 1e-12);

    // Its extents: the arc's ends, the top of the circle it passes, and the centre.
    const Rect r = d.entityExtents(h);
    EXPECT_NEAR(r.left, on(120).x, 1e-12);
    EXPECT_NEAR(r.right, on(30).x, 1e-12);
    EXPECT_DOUBLE_EQ(r.bottom, c.y);
    EXPECT_NEAR(r.top, c.y + 4, 1e-12);

    const std::vector<Vec2> grips = gripPoints(d, h);
    ASSERT_EQ(grips.size(), 4u);
    EXPECT_EQ(grips[0], c);
    EXPECT_NEAR(grips[2].x, on(75).x, 1e-12);
    EXPECT_NEAR(grips[3].y, on(120).y, 1e-12);

    // Picked on its radii; inside only when filled, then as an area.
    const Vec2 inside{c.x + 2 * std::cos(radians(75)), c.y + 2 * std::sin(radians(75))};
    EXPECT_EQ(entityAt(d, {c.x + 1, c.y + 1 * std::tan(radians(30))}, 0.01), h);
    EXPECT_GT(distanceTo(d, h, inside, 1e-3), 1);
    d.entities[std::size_t(h)].set(EntityFlag::Filled, true);
    onlyPath(d, h, true, true);
    EXPECT_EQ(distanceTo(d, h, inside, 1e-3), 0);
    EXPECT_GT(distanceTo(d, h, {c.x + 2, c.y - 1}, 1e-3), 0) << "below the start radius";

    // Equal angles make a whole turn, closed through the centre all the same.
    const int whole = d.addSector({{0, 0}, 1, 45, 45});
    const std::vector<Vec2> round = onlyPath(d, whole, true, false);
    EXPECT_EQ(round.front(), (Vec2{0, 0}));
    EXPECT_NEAR(d.entityExtents(whole).width(), 2, 1e-12);
    EXPECT_NEAR(d.entityExtents(whole).height(), 2, 1e-12);
}

} // namespace
