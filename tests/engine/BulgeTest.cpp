// Polylines with arc segments in the drawing: where their bulges are kept, how every part of
// the engine sees the arcs (extents, measures, picking, snapping, moving and mirroring,
// exploding, grips, hatch boundaries), and that a change of them is taken back whole.
#include "engine/Engine.h"
#include "engine/edit/ChangeSet.h"
#include "engine/io/Dxf.h"
#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/Curves.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Grips.h"
#include "engine/model/Measure.h"
#include "engine/model/Outline.h"
#include "engine/model/Picking.h"
#include "engine/model/Transform.h"
#include "engine/snap/Snapper.h"
#include "tests/engine/EngineTestSupport.h"

#include <QTemporaryDir>

#include <cmath>

using namespace cad;

namespace {

// A closed polyline: a 20 x 10 rectangle whose right side is a half circle bulging out (to
// x = 25) and whose left side is a half circle bulging in (to x = 5), counter-clockwise from
// (0, 0). A positive bulge turns counter-clockwise: to the right of the way the segment runs.
struct Slot {
    std::vector<Vec2> v{{0, 0}, {20, 0}, {20, 10}, {0, 10}};
    std::vector<double> b{0, 1, 0, -1};
};

int addSlot(Drawing& d) {
    const Slot s;
    return d.addPolyline(s.v.data(), s.v.size(), s.b.data(), true);
}

const Entity& at(const Drawing& d, int h) {
    return d.entities[static_cast<std::size_t>(h)];
}

void expectNear(Vec2 a, Vec2 b, double tolerance = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

TEST(Bulges, PolylinesWithoutArcsStayAsTheyWereAndArcsFollowTheirVertices) {
    Drawing d;
    const Vec2 plain[] = {{0, 0}, {1, 0}, {1, 1}};
    const double straight[] = {0, 0, 1e-12}; // a bulge too small to bend anything
    const int p = d.addPolyline(plain, 3, straight, false);
    EXPECT_FALSE(at(d, p).has(EntityFlag::Bulges));
    EXPECT_EQ(storedVertices(at(d, p)), 3u);
    EXPECT_FALSE(d.bulgesOf(at(d, p)).any());
    const std::size_t before = d.vertices.size();
    const int s = addSlot(d);
    EXPECT_TRUE(at(d, s).has(EntityFlag::Bulges));
    EXPECT_EQ(at(d, s).count, 4u);
    // Four vertices, then two places of two bulges.
    EXPECT_EQ(d.vertices.size() - before, 6u);
    EXPECT_EQ(storedVertices(at(d, s)), 6u);
    const BulgeView b = d.bulgesOf(at(d, s));
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(b[3], -1);
    // An odd number of vertices still takes whole places.
    const Vec2 three[] = {{0, 0}, {2, 0}, {4, 0}};
    const double arcs[] = {0.5, -0.5, 0};
    const int t = d.addPolyline(three, 3, arcs, false);
    EXPECT_EQ(storedVertices(at(d, t)), 5u);
    EXPECT_EQ(d.bulgesOf(at(d, t))[1], -0.5);
    // A copy takes its bulges along.
    const int copy = d.duplicate(s);
    EXPECT_EQ(d.bulgesOf(at(d, copy))[1], 1);
    EXPECT_NE(at(d, copy).first, at(d, s).first);
}

TEST(Bulges, ExtentsMeasuresAndDistancesFollowTheArcs) {
    Drawing d;
    const int s = addSlot(d);
    const Rect r = d.entityExtents(s);
    EXPECT_NEAR(r.right, 25, 1e-12) << "the right half circle reaches past its vertices";
    EXPECT_NEAR(r.left, 0, 1e-12) << "the left one bulges inward";
    const auto m = measureEntity(d, s);
    ASSERT_TRUE(m && m->area);
    // 200 and a half disc of radius 5 on the right, less one on the left.
    EXPECT_NEAR(*m->area, 200, 1e-9);
    EXPECT_NEAR(m->length, 40 + 2 * kPi * 5, 1e-9);
    // Near the arc's middle, not its chord.
    EXPECT_NEAR(*distanceToEntity(d, s, {26, 5}), 1, 1e-9);
    EXPECT_NEAR(*distanceToEntity(d, s, {4, 5}), 1, 1e-9);
    EXPECT_NEAR(distanceTo(d, s, {26, 5}, 1e-4), 1, 1e-3) << "picking";
    EXPECT_EQ(entityAt(d, {24.9, 5}, 0.5), s);
    EXPECT_EQ(entityAt(d, {20.5, 9}, 0.2), -1) << "the chord is not drawn";
}

TEST(Bulges, OutlinesAndHatchBoundariesFollowTheArcs) {
    Drawing d;
    const int s = addSlot(d);
    Outline o;
    outlineOf(d, s, 1e-3, o);
    ASSERT_EQ(o.paths.size(), 1u);
    double farthest = 0;
    for (const Vec2 p : o.pointsOf(o.paths[0])) {
        farthest = std::max(farthest, p.x);
        // Every point on the slot's outline.
        EXPECT_LT(*distanceToEntity(d, s, p), 1e-9);
    }
    EXPECT_NEAR(farthest, 25, 1e-3);
}

TEST(Bulges, SnapsFindTheEndsMiddlesAndCentresOfArcSegments) {
    Drawing d;
    addSlot(d);
    Snapper snapper;
    const auto snapAt = [&](Vec2 cursor, SnapKind kind) {
        SnapQuery q;
        q.cursor = cursor;
        q.unitsPerPixel = 0.01;
        q.settings.on = {};
        q.settings.set(kind, true);
        return snapper.snap(d, q);
    };
    const SnapResult middle = snapAt({25.05, 5.02}, SnapKind::Middle);
    EXPECT_EQ(middle.kind, SnapKind::Middle);
    expectNear(middle.point, {25, 5});
    const SnapResult centre = snapAt({20.03, 5.01}, SnapKind::Centre);
    EXPECT_EQ(centre.kind, SnapKind::Centre);
    expectNear(centre.point, {20, 5});
    const SnapResult inner = snapAt({4.97, 5.03}, SnapKind::Middle);
    expectNear(inner.point, {5, 5});
    const SnapResult nearest = snapAt({23.55, 8.55}, SnapKind::Nearest);
    EXPECT_EQ(nearest.kind, SnapKind::Nearest);
    EXPECT_NEAR(std::hypot(nearest.point.x - 20, nearest.point.y - 5), 5, 1e-9) << "on the arc";
    const SnapResult end = snapAt({20.02, 9.98}, SnapKind::End);
    expectNear(end.point, {20, 10});
}

TEST(Bulges, AMirrorTurnsArcsTheOtherWayAndASimilarityKeepsThem) {
    Drawing d;
    const int s = addSlot(d);
    ScratchWriter w(d);
    transformEntity(w, s, Similarity::mirroring({0, 0}, {0, 1}));
    // The right half circle is now on the left, still bulging outward.
    EXPECT_NEAR(d.entityExtents(s).left, -25, 1e-9);
    EXPECT_EQ(d.bulgesOf(at(d, s))[1], -1);
    EXPECT_NEAR(*measureEntity(d, s)->area, 200, 1e-9);
    transformEntity(w, s, Similarity::rotation({0, 0}, 90));
    transformEntity(w, s, Similarity::scaling({0, 0}, 2));
    EXPECT_EQ(d.bulgesOf(at(d, s))[1], -1);
    EXPECT_NEAR(*measureEntity(d, s)->area, 800, 1e-9);
    EXPECT_NEAR(d.entityExtents(s).bottom, -50, 1e-9);
}

TEST(Bulges, AGripMovesAVertexAndKeepsItsArcAndAVertexSplitsAnArcInHalves) {
    Drawing d;
    const int s = addSlot(d);
    ScratchWriter w(d);
    auto shape = gripShape(d, s);
    ASSERT_TRUE(shape && moveGrip(*shape, 2, {20, 20}));
    EntityChange c = w.change(static_cast<std::uint32_t>(s));
    putShape(c, *shape);
    EXPECT_EQ(d.vertexData(at(d, s))[2], (Vec2{20, 20}));
    EXPECT_EQ(d.bulgesOf(at(d, s))[1], 1) << "a half circle on the longer chord";
    EXPECT_NEAR(d.entityExtents(s).right, 30, 1e-9);

    const auto v = withVertexInserted(d, s, 1);
    const auto b = bulgesWithVertexInserted(d, s, 1);
    ASSERT_TRUE(v);
    ASSERT_EQ(b.size(), v->size());
    expectNear((*v)[2], {30, 10});
    EXPECT_NEAR(b[1], std::tan(kPi / 8), 1e-12);
    EXPECT_NEAR(b[2], std::tan(kPi / 8), 1e-12);
    w.change(static_cast<std::uint32_t>(s)).setPolyline(*v, b);
    EXPECT_NEAR(d.entityExtents(s).right, 30, 1e-9) << "the same shape";
    const auto r = bulgesWithVertexRemoved(d, s, 2);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1], 0) << "what replaces the two halves is straight";
}

class BulgeCommands : public EngineTest {};

TEST_F(BulgeCommands, TheInterfaceGivesArcSegmentsAndExplodingMakesLinesAndArcsOfThem) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    cadPolylineBegin();
    cadVertex(0, 0);
    cadVertexBulge(20, 0, 1);
    cadVertex(20, 10);
    cadVertexBulge(0, 10, 1);
    const int h = cadAddPolyline(0, 1);
    EXPECT_EQ(cadPolylineBulges(h), (std::vector<double>{0, 1, 0, 1}));
    cadSelect(1, h);
    ASSERT_EQ(cadExecute(CAD_CMD_EXPLODE), 1);
    const Drawing& d = *activeDrawing();
    int lines = 0, arcs = 0;
    for (int e = 0; e < static_cast<int>(d.entities.size()); ++e) {
        if (!d.inModelSpace(e))
            continue;
        lines += at(d, e).type == EntityType::Line;
        if (at(d, e).type == EntityType::Arc) {
            ++arcs;
            EXPECT_NEAR(d.arcs[at(d, e).first].radius, 5, 1e-12);
        }
    }
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(arcs, 2);
}

TEST(Bulges, AChangeOfVerticesAndBulgesIsTakenBackWhole) {
    Drawing d;
    const int s = addSlot(d);
    const std::vector<Vec2> was(d.vertexData(at(d, s)), d.vertexData(at(d, s)) + 4);
    ChangeSet c(d);
    // Five vertices, every segment straight: the polyline no longer keeps bulges.
    const std::vector<Vec2> five = {{0, 0}, {5, 0}, {5, 5}, {0, 5}, {-1, 2}};
    c.change(static_cast<std::uint32_t>(s)).setPolyline(five, {});
    EXPECT_FALSE(at(d, s).has(EntityFlag::Bulges));
    EXPECT_EQ(at(d, s).count, 5u);
    c.exchange();
    EXPECT_TRUE(at(d, s).has(EntityFlag::Bulges));
    EXPECT_EQ(std::vector<Vec2>(d.vertexData(at(d, s)), d.vertexData(at(d, s)) + 4), was);
    EXPECT_EQ(d.bulgesOf(at(d, s))[3], -1);
    c.exchange();
    EXPECT_EQ(at(d, s).count, 5u);
    EXPECT_FALSE(d.bulgesOf(at(d, s)).any());
    c.exchange();
    // The store rebuilt without what no entity uses keeps each one's bulges.
    d.deadVertices = std::uint64_t(1) << 20;
    d.reclaimVertices();
    EXPECT_EQ(d.bulgesOf(at(d, s))[1], 1);
    EXPECT_NEAR(*measureEntity(d, s)->area, 200, 1e-9);
}

TEST(Bulges, ThePathOfAPolylineAndBack) {
    Drawing d;
    const int s = addSlot(d);
    const auto c = curveOf(d, s);
    ASSERT_TRUE(c && std::holds_alternative<Path>(*c));
    const Path& p = std::get<Path>(*c);
    EXPECT_TRUE(p.closed);
    EXPECT_NEAR(signedArea(p), 200, 1e-9);
    ScratchWriter w(d);
    const int copy = addCurveLike(w, *c, static_cast<std::uint32_t>(s));
    const auto back = curveOf(d, copy);
    ASSERT_TRUE(back && std::holds_alternative<Path>(*back));
    EXPECT_EQ(std::get<Path>(*back), p);
    // Edges of an insertion are its entities placed: mirrored, their arcs turn the other way.
    const std::size_t first = d.entities.size();
    addSlot(d);
    const int block = d.makeBlock("slot", {0, 0}, first);
    const int insert = d.addInsert({block, {100, 0}, -2, 2, 0});
    std::vector<Curve> edges;
    edgeCurves(d, insert, edges);
    ASSERT_EQ(edges.size(), 1u);
    const Path& placed = std::get<Path>(edges[0]);
    EXPECT_NEAR(signedArea(placed), -800, 1e-9);
    EXPECT_NEAR(box(placed).left, 50, 1e-9);
}

// Saved and read back: a native drawing keeps the bulges exactly, also when the writer first
// compacts a drawing with erased entities (the vertex store renumbered); DXF keeps them as
// its bulges.
TEST(Bulges, ArcSegmentsSurviveANativeFileAndDxf) {
    Drawing d;
    const Vec2 gone[] = {{-5, -5}, {-1, -1}, {-2, 3}};
    const int erased = d.addPolyline(gone, 3, false);
    const Vec2 three[] = {{0, 0}, {2, 0}, {4, 1}};
    const double arcs[] = {0.5, -0.25, 0};
    const int open = d.addPolyline(three, 3, arcs, false);
    const int slot = addSlot(d);
    const int plain = d.addLine({{0, 0}, {1, 1}});
    const Path openPath = std::get<Path>(*curveOf(d, open));
    const Path slotPath = std::get<Path>(*curveOf(d, slot));
    {
        ScratchWriter w(d);
        w.erase(static_cast<std::uint32_t>(erased));
    }
    const auto findPaths = [](const Drawing& r) {
        std::vector<Path> out;
        for (int h = 0; h < static_cast<int>(r.entities.size()); ++h)
            if (r.inModelSpace(h) && at(r, h).type == EntityType::Polyline)
                out.push_back(std::get<Path>(*curveOf(r, h)));
        return out;
    };
    const auto native = readNative(writeNative(d));
    const std::vector<Path> read = findPaths(*native);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], openPath);
    EXPECT_EQ(read[1], slotPath);

    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("luki.dxf")).toStdString();
    saveDxf(d, path);
    const auto dxf = loadDxf(path);
    const std::vector<Path> back = findPaths(*dxf.drawing);
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const Path& want = k == 0 ? openPath : slotPath;
        ASSERT_EQ(back[k].v.size(), want.v.size());
        EXPECT_EQ(back[k].closed, want.closed);
        for (std::size_t i = 0; i < want.v.size(); ++i) {
            expectNear(back[k].v[i].p, want.v[i].p);
            EXPECT_NEAR(back[k].v[i].bulge, want.v[i].bulge, 1e-12);
        }
    }

    // A line that claims bulges is damage, not something to read.
    Drawing bad;
    const int line = bad.addLine({{0, 0}, {1, 1}});
    bad.entities[static_cast<std::size_t>(line)].set(EntityFlag::Bulges, true);
    EXPECT_THROW(readNative(writeNative(bad)), FileError);
    (void)plain;
}

} // namespace
