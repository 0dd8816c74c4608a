// Moving, turning, scaling and mirroring every kind of entity, and the commands that do it in
// the window: what an entity becomes is what its outline, moved by the same map, shows.
#include "engine/model/Transform.h"
#include "engine/Engine.h"
#include "engine/edit/Operations.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/Outline.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

using namespace cad;

namespace {

// A similarity applied to an entity of a drawing no document holds.
void transformEntity(Drawing& d, int handle, const Similarity& s) {
    ScratchWriter w(d);
    cad::transformEntity(w, handle, s);
}

// One entity of every kind, and a block with an insertion of it.
Drawing everyKind() {
    Drawing d;
    d.addPoint({{3, 4}});
    d.addLine({{1, 2}, {30, 12}});
    const Vec2 path[] = {{0, 0}, {10, 0}, {12, 7}, {3, 9}};
    d.addPolyline(path, 4, true);
    d.addCircle({{20, 20}, 5});
    d.addArc({{-10, 5}, 8, 30, 200});
    d.addEllipse({{40, -5}, 9, 4, 25, 10, 300});
    d.addRectangle({{-20, -20}, 12, 5, 33});
    d.addText({{5, -15}, 2.5, 20, 0, 0, 0, "KM 0+100"});
    d.addHatch(path, 4, {"ANSI31", false, 1, 15, {4}, {}, false});
    const std::size_t first = d.entities.size();
    d.addLine({{0, 0}, {4, 0}});
    d.addCircle({{2, 2}, 1});
    const int block = d.makeBlock("znak", {1, 1}, first);
    d.addInsert({block, {50, 50}, 2, 3, 40});
    const Vec2 curve[] = {{60, 0}, {70, 8}, {82, 3}, {90, 12}};
    d.addSpline(curve, 4, false);
    d.addSector({{-30, 30}, 6, 20, 135});
    return d;
}

std::vector<int> live(const Drawing& d) {
    std::vector<int> out;
    for (int h = 0; h < static_cast<int>(d.entities.size()); ++h)
        if (d.inModelSpace(h))
            out.push_back(h);
    return out;
}

// The extents of what the entities show (an insertion's box is only a bound).
Rect outlineExtents(const Drawing& d, const std::vector<int>& handles) {
    Rect r;
    for (const int h : handles) {
        Outline o;
        outlineOf(d, h, 1e-4, o);
        for (const Vec2 p : o.points)
            r.add(p);
    }
    return r;
}

std::vector<Vec2> outlinePoints(const Drawing& d, int h) {
    Outline o;
    outlineOf(d, h, 1e-3, o);
    return o.points;
}

// The outlines of every entity as far from each other as a few parts in 1e12 of the drawing.
void expectSameOutlines(const Drawing& a, const Drawing& b, double tolerance = 1e-10) {
    for (const int h : live(a)) {
        const auto x = outlinePoints(a, h), y = outlinePoints(b, h);
        ASSERT_EQ(x.size(), y.size()) << "entity " << h;
        for (std::size_t i = 0; i < x.size(); ++i) {
            EXPECT_NEAR(x[i].x, y[i].x, tolerance) << "entity " << h << " point " << i;
            EXPECT_NEAR(x[i].y, y[i].y, tolerance) << "entity " << h << " point " << i;
        }
    }
}

// The extents and the outline of each entity, as a set of points irrespective of their order.
double farthestApart(const std::vector<Vec2>& points, const std::vector<Vec2>& others) {
    // Each point of one lies near the outline of the other: its nearest point there.
    double worst = 0;
    for (const Vec2 p : points) {
        double best = INFINITY;
        for (std::size_t i = 0; i + 1 < others.size(); ++i) {
            const Vec2 a = others[i], b = others[i + 1];
            const double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
            const double t =
                l > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l, 0.0, 1.0) : 0;
            best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
        }
        if (others.size() == 1)
            best = std::hypot(others[0].x - p.x, others[0].y - p.y);
        worst = std::max(worst, best);
    }
    return worst;
}

TEST(Transform, WhatAnEntityBecomesIsItsOutlineMovedByTheMap) {
    const Similarity maps[] = {Similarity::translation({7, -3}), Similarity::rotation({5, 5}, 37),
                               Similarity::scaling({-2, 4}, 2.5),
                               Similarity::mirroring({0, 0}, {1, 2}),
                               Similarity::mirroring({3, 3}, {3, 9})};
    for (const Similarity& s : maps) {
        Drawing d = everyKind();
        const Drawing before = d;
        for (const int h : live(d))
            transformEntity(d, h, s);
        for (const int h : live(d)) {
            const Entity& e = d.entities[static_cast<std::size_t>(h)];
            if (e.type == EntityType::Text)
                continue; // mirrored texts stay readable: not their mirror image
            std::vector<Vec2> moved;
            for (const Vec2 p : outlinePoints(before, h))
                moved.push_back(s.apply(p));
            const auto now = outlinePoints(d, h);
            EXPECT_LT(farthestApart(now, moved), 0.01) << "kind " << int(e.type);
            EXPECT_LT(farthestApart(moved, now), 0.01) << "kind " << int(e.type);
        }
    }
}

TEST(Transform, MirroringTwiceAndFourQuarterTurnsGiveEveryKindBack) {
    Drawing d = everyKind();
    const Drawing start = d;
    const Similarity mirror = Similarity::mirroring({2, -7}, {9, 4});
    for (int i = 0; i < 2; ++i)
        for (const int h : live(d))
            transformEntity(d, h, mirror);
    expectSameOutlines(start, d);
    const Similarity quarter = Similarity::rotation({11, -3}, 90);
    for (int i = 0; i < 4; ++i)
        for (const int h : live(d))
            transformEntity(d, h, quarter);
    expectSameOutlines(start, d);
    // The text's look comes back too, not only its box.
    const int text = 7;
    EXPECT_EQ(d.paramsOf(d.texts[d.entities[text].first]).align, 0);
    EXPECT_NEAR(std::fmod(d.paramsOf(d.texts[d.entities[text].first]).rotation + 360, 360), 20,
                1e-9);
}

TEST(Transform, AMirroredArcRunsCounterClockwiseOverTheMirroredPart) {
    Drawing d;
    const int arc = d.addArc({{0, 0}, 10, 0, 90}); // the quarter in the first quadrant
    transformEntity(d, arc, Similarity::mirroring({0, 0}, {0, 1})); // across the y axis
    const ArcData& a = d.arcs[d.entities[arc].first];
    EXPECT_NEAR(std::fmod(a.startAngle + 360, 360), 90, 1e-9);
    EXPECT_NEAR(std::fmod(a.endAngle + 360, 360), 180, 1e-9);
    // A text mirrored across a vertical line reads left to right, aligned to the other side.
    const int text = d.addText({{10, 0}, 2, 0, 0, 0, 0, "A"});
    transformEntity(d, text, Similarity::mirroring({0, 0}, {0, 1}));
    const TextParams& p = d.paramsOf(d.texts[d.entities[text].first]);
    EXPECT_NEAR(std::fmod(p.rotation + 360, 360), 0, 1e-9);
    EXPECT_EQ(p.align, 2) << "right";
    EXPECT_NEAR(d.texts[d.entities[text].first].p.x, -10, 1e-12);
}

// ---- the commands in the window

class ModifyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        parent.resize(400, 300);
        ASSERT_GT(cadFileNew(0, ""), 0);
        w = windowAtOrigin(parent, 400, 300);
        ASSERT_NE(w, nullptr);
    }
    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, w->toPixel(p).toPoint());
    }
    static const Drawing& drawing() { return *activeDrawing(); }
    QWidget parent;
    DrawingWindow* w = nullptr;
};

TEST_F(ModifyTest, MoveCopyRotateScaleAndMirrorTheSelection) {
    const int line = cadAddLine(0, 0, 20, 0);
    cadSelect(1, line);
    // Move by base and destination points.
    ASSERT_EQ(cadExecute(CAD_CMD_MOVE), 1);
    click({0, 0});
    click({10, 10});
    EXPECT_EQ(drawing().lines[drawing().entities[line].first].a, (Vec2{10, 10}));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    // Copy again and again until the right button.
    ASSERT_EQ(cadExecute(CAD_CMD_COPY), 1);
    click({10, 10});
    click({10, 30});
    click({10, 50});
    click({0, 0}, Qt::RightButton);
    EXPECT_EQ(live(drawing()).size(), 3u);
    // Rotate about the line's start by a picked direction: from the x axis to the y axis.
    ASSERT_EQ(cadExecute(CAD_CMD_ROTATE), 1);
    click({10, 10});
    click({40, 10});
    click({10, 60});
    const LineData& turned = drawing().lines[drawing().entities[line].first];
    EXPECT_NEAR(turned.b.x, 10, 1e-9);
    EXPECT_NEAR(turned.b.y, 30, 1e-9);
    // Scale by the distance picked from the base point.
    ASSERT_EQ(cadExecute(CAD_CMD_SCALE), 1);
    click({10, 10});
    click({13, 10});
    EXPECT_NEAR(drawing().lines[drawing().entities[line].first].b.y, 70, 1e-9);
    // Mirror, keeping the original: a copy across the vertical line x = 0.
    responder->answers = {CAD_ASK_YES};
    ASSERT_EQ(cadExecute(CAD_CMD_MIRROR), 1);
    click({0, -50});
    click({0, 50});
    EXPECT_EQ(live(drawing()).size(), 4u);
    EXPECT_NEAR(drawing().lines[drawing().entities.back().first].a.x, -10, 1e-9);
    // Each was one step, each placed copy too.
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(live(drawing()).size(), 1u);
    EXPECT_EQ(drawing().lines[drawing().entities[line].first].a, (Vec2{0, 0}));
}

TEST_F(ModifyTest, ThePreviewShowsImagesUprightAsTheRotationLeavesThem) {
    // A wide picture (its file missing: its frame is drawn) turned a quarter about the origin.
    const int image = cadAddImage("/nonexistent/mapa.png", 20, -5, 80, 10);
    cadSelect(1, image);
    ASSERT_EQ(cadExecute(CAD_CMD_ROTATE), 1);
    click({0, 0});
    QTest::keyClick(w, Qt::Key_Return); // angles from the x axis
    const QPointF at = w->toPixel({0, 50});
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    const QImage shown = w->grab().toImage();
    QRect preview;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == QColor(0, 90, 220))
                preview |= QRect(x, y, 1, 1);
    click({0, 50});
    const Rect placed = drawing().entityExtents(image);
    EXPECT_NEAR(placed.width(), 80, 1e-9) << "upright";
    const QPointF corner = w->toPixel({placed.left, placed.top});
    ASSERT_FALSE(preview.isEmpty());
    EXPECT_NEAR(preview.left(), corner.x(), 2);
    EXPECT_NEAR(preview.top(), corner.y(), 2);
    EXPECT_NEAR(preview.width(), 80, 3);
    EXPECT_NEAR(preview.height(), 10, 3);
}

TEST_F(ModifyTest, TheSelectionTurnsAndScalesWithTheCursorAsItFollowsItInAMove) {
    const int line = cadAddLine(0, 0, 80, 0);
    cadSelect(1, line);
    const QColor preview(0, 90, 220);
    const auto moveTo = [this](Vec2 p) {
        const QPointF at = w->toPixel(p);
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    const auto shownAt = [this, preview](Vec2 p) {
        const QImage image = w->grab().toImage();
        const QPoint at = w->toPixel(p).toPoint();
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.pixelColor(at + QPoint(dx, dy)) == preview)
                    return true;
        return false;
    };
    // Turned: from the centre on, before any direction is picked, by the cursor's angle.
    ASSERT_EQ(cadExecute(CAD_CMD_ROTATE), 1);
    click({0, 0});
    moveTo({0, 50});
    EXPECT_TRUE(shownAt({0, 60})) << "a quarter turn up";
    moveTo({-50, 0});
    EXPECT_TRUE(shownAt({-60, 0})) << "half a turn";
    EXPECT_FALSE(shownAt({0, 60}));
    // A direction picked: the turn counts from it.
    click({0, 50});
    moveTo({-50, 0});
    EXPECT_TRUE(shownAt({0, 60})) << "a quarter turn from it";
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    // Scaled: by the distance of the cursor from the base point (ten pixels a unit now).
    engine().active()->view.unitsPerPixel = 0.1;
    engine().redraw();
    cadSelect(1, line);
    ASSERT_EQ(cadExecute(CAD_CMD_SCALE), 1);
    click({-10, 0});
    // The line's start, 10 from the base point, goes to 20 and to 5 from it.
    moveTo({-8, 0});
    EXPECT_TRUE(shownAt({12, 0}));
    EXPECT_FALSE(shownAt({5, 0})) << "twice as far";
    moveTo({-9.5, 0});
    EXPECT_TRUE(shownAt({-4, 0}));
    EXPECT_FALSE(shownAt({-7, 0})) << "half as far";
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(drawing().lines[drawing().entities[line].first].b, (Vec2{80, 0})) << "unchanged";
}

TEST_F(ModifyTest, WithNothingSelectedTheEntitiesArePickedFirst) {
    const int line = cadAddLine(0, 0, 20, 0);
    ASSERT_EQ(cadExecute(CAD_CMD_MOVE), 1);
    click({10, 0});
    QTest::keyClick(w, Qt::Key_Return);
    click({0, 0});
    click({0, 5});
    EXPECT_EQ(drawing().lines[drawing().entities[line].first].a, (Vec2{0, 5}));
}

TEST_F(ModifyTest, ExplodingAStretchedNestedInsertionKeepsItsExtentsAndUndoRestoresIt) {
    const Drawing& d = drawing();
    ActiveAdder add;
    std::size_t first = d.entities.size();
    add.addCircle({{0, 0}, 2});
    add.addLine({{-2, 0}, {2, 0}});
    const int inner = add.makeBlock("wnetrze", {0, 0}, first);
    first = d.entities.size();
    add.addInsert({inner, {5, 5}, 1, 1, 0});
    const Vec2 frame[] = {{0, 0}, {10, 0}, {10, 10}};
    add.addPolyline(frame, 3, true);
    const int outer = add.makeBlock("zewnetrze", {0, 0}, first);
    const int insert = add.addInsert({outer, {100, 50}, 2, -3, 30});
    const Rect before = outlineExtents(d, {insert});
    const std::string file = writeNative(d);
    cadSelect(1, insert);
    ASSERT_EQ(cadExecute(CAD_CMD_EXPLODE), 1);
    EXPECT_FALSE(d.valid(insert));
    const auto parts = live(d);
    EXPECT_EQ(parts.size(), 2u) << "the nested insertion and the frame";
    const Rect after = outlineExtents(d, parts);
    EXPECT_NEAR(after.left, before.left, 1e-6);
    EXPECT_NEAR(after.right, before.right, 1e-6);
    EXPECT_NEAR(after.bottom, before.bottom, 1e-6);
    EXPECT_NEAR(after.top, before.top, 1e-6);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(writeNative(d) == file);
}

TEST_F(ModifyTest, ASplineAndASectorExplodeIntoWhatTheyShow) {
    const Drawing& d = drawing();
    ActiveAdder add;
    const Vec2 fit[] = {{0, 0}, {10, 8}, {22, 3}, {30, 12}};
    const int spline = add.addSpline(fit, 4, true);
    const int sector = add.addSector({{50, 0}, 6, 20, 135});
    const auto shown = [&](const std::vector<int>& hs) {
        std::vector<Vec2> all;
        for (const int h : hs)
            for (const Vec2 p : outlinePoints(d, h))
                all.push_back(p);
        return all;
    };
    const std::vector<Vec2> before = shown({spline, sector});
    cadSelect(1, spline);
    cadSelect(1, sector);
    ASSERT_EQ(cadExecute(CAD_CMD_EXPLODE), 1);
    const auto parts = live(d);
    ASSERT_EQ(parts.size(), 4u) << "a polyline, an arc and two lines";
    for (const int h : parts)
        EXPECT_NE(d.entities[static_cast<std::size_t>(h)].type, EntityType::Spline);
    const Rect a = outlineExtents(d, parts);
    Rect b;
    for (const Vec2 p : before)
        b.add(p);
    EXPECT_NEAR(a.left, b.left, 0.05);
    EXPECT_NEAR(a.right, b.right, 0.05);
    EXPECT_NEAR(a.bottom, b.bottom, 0.05);
    EXPECT_NEAR(a.top, b.top, 0.05);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(live(d), (std::vector<int>{spline, sector}));
}

TEST_F(ModifyTest, MakeBlockPutsAnInsertionWhereTheEntitiesWere) {
    const int a = cadAddLine(0, 0, 10, 0);
    const int b = cadAddCircle(5, 5, 2);
    const Rect before = drawing().extents();
    cadSelect(1, a);
    cadSelect(1, b);
    const auto saved = showModal;
    showModal = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("cadBlockNameValue")->setText(QString::fromUtf8("słup"));
        return int(QDialog::Accepted);
    };
    ASSERT_EQ(cadExecute(CAD_CMD_MAKE_BLOCK), 1);
    showModal = saved;
    click({0, 0});
    const Drawing& d = drawing();
    ASSERT_EQ(d.blocks.size(), 1u);
    EXPECT_EQ(d.blocks[0].name, "s\xb3up");
    EXPECT_EQ(live(d).size(), 1u);
    const Rect after = d.extents();
    EXPECT_NEAR(after.left, before.left, 1e-9);
    EXPECT_NEAR(after.top, before.top, 1e-9);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(d.valid(a) && d.valid(b) && d.inModelSpace(a));
    EXPECT_TRUE(d.blocks.empty());
}

} // namespace
