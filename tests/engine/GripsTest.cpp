// Holding selected entities by their grips in the drawing window, and the menu a right click
// on the selection opens, driven by mouse and key events as a person gives them.
#include "engine/model/Grips.h"
#include "engine/Engine.h"
#include "engine/model/Picking.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <functional>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// A window at one unit a pixel, its origin at the window's centre, no object snaps.
class GripsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        savedSnaps = engine().snaps;
        engine().snaps = SnapSettings{};
        savedMenu = showMenu;
        showMenu = [this](QMenu& menu, QPoint) -> QAction* {
            ++menusShown;
            shownItems.clear();
            QAction* chosen = nullptr;
            for (QAction* a : menu.actions()) {
                if (a->isSeparator())
                    continue;
                shownItems.push_back(a->data().toInt());
                if (!a->isEnabled())
                    disabledItems.push_back(a->data().toInt());
                if (a->data().toInt() == choice)
                    chosen = a;
            }
            return chosen;
        };
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
    }
    void TearDown() override {
        showMenu = savedMenu;
        engine().snaps = savedSnaps;
        EngineTest::TearDown();
    }

    static const Drawing& drawing() { return *activeDrawing(); }
    static Document& document() { return *engine().active(); }
    void selectOnly(int h) {
        document().selectAll(false);
        document().select(h, true);
        w->QWidget::update();
    }
    QPoint at(Vec2 p) const { return w->toPixel(p).toPoint(); }
    void moveTo(Vec2 p, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, at(p), w->mapToGlobal(at(p)), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    void drag(Vec2 from, Vec2 to) {
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(from));
        moveTo({(from.x + to.x) / 2, (from.y + to.y) / 2}, Qt::LeftButton);
        moveTo(to, Qt::LeftButton);
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(to));
    }
    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, at(p));
    }
    // A right click that chooses the item of that text number (0: none).
    void rightClick(Vec2 p, int item = 0) {
        choice = item;
        click(p, Qt::RightButton);
    }
    static std::vector<Vec2> grips(int h) { return gripPoints(drawing(), h); }
    static std::vector<Vec2> vertices(int h) {
        const Entity& e = drawing().entities[static_cast<std::size_t>(h)];
        return {drawing().vertexData(e), drawing().vertexData(e) + e.count};
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::string prompt;
    SnapSettings savedSnaps;
    std::function<QAction*(QMenu&, QPoint)> savedMenu;
    int choice = 0, menusShown = 0;
    std::vector<int> shownItems, disabledItems;
};

void expectNear(Vec2 a, Vec2 b, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, 1e-9) << what;
    EXPECT_NEAR(a.y, b.y, 1e-9) << what;
}

void expectSameGrips(const std::vector<Vec2>& a, const std::vector<Vec2>& b,
                     const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i)
        expectNear(a[i], b[i], what + " grip " + std::to_string(i));
}

struct GripCase {
    const char* what;
    std::function<int(ActiveAdder&)> add;
    std::size_t grip;
    Vec2 to;
    // Grips that stay where they were.
    std::vector<std::size_t> fixed;
};

TEST_F(GripsTest, DraggingAGripMovesThatPointOfEveryKindAndOneUndoTakesItBack) {
    const std::vector<GripCase> cases = {
        {"line end",
         [](ActiveAdder& d) {
             return d.addLine({{-100, 0}, {0, 0}});
         },
         1,
         {30, 40},
         {0}},
        {"line middle",
         [](ActiveAdder& d) {
             return d.addLine({{-100, 0}, {0, 0}});
         },
         2,
         {-50, 60},
         {}},
        {"polyline vertex",
         [](ActiveAdder& d) {
             const Vec2 v[] = {{-100, -50}, {0, -50}, {0, 50}};
             return d.addPolyline(v, 3, false);
         },
         1,
         {20, -80},
         {0, 2}},
        {"spline fit point",
         [](ActiveAdder& d) {
             const Vec2 v[] = {{-100, 0}, {-50, 40}, {0, 0}, {50, 40}};
             return d.addSpline(v, 4, false);
         },
         2,
         {10, -30},
         {0, 1, 3}},
        {"circle centre",
         [](ActiveAdder& d) {
             return d.addCircle({{50, 50}, 20});
         },
         0,
         {-40, 10},
         {}},
        {"circle edge sets the radius",
         [](ActiveAdder& d) {
             return d.addCircle({{50, 50}, 20});
         },
         1,
         {90, 50},
         {0}},
        {"arc end",
         [](ActiveAdder& d) {
             return d.addArc({{0, 0}, 50, 0, 90});
         },
         1,
         {0, -50},
         {3}},
        {"arc centre",
         [](ActiveAdder& d) {
             return d.addArc({{0, 0}, 50, 0, 90});
         },
         0,
         {-30, -20},
         {}},
        {"rectangle centre",
         [](ActiveAdder& d) {
             return d.addRectangle({{0, 0}, 80, 40, 0});
         },
         0,
         {20, 30},
         {}},
        {"rectangle corner keeps the opposite one",
         [](ActiveAdder& d) {
             return d.addRectangle({{0, 0}, 80, 40, 30});
         },
         3,
         {70, 80},
         {1}},
        {"text insertion point",
         [](ActiveAdder& d) {
             return d.addText({{10, 10}, 5, 0, 0, 0, 0, "KM 0+100"});
         },
         0,
         {-60, 70},
         {}},
        {"block insertion point",
         [](ActiveAdder& d) {
             const std::size_t first = activeDrawing()->entities.size();
             d.addLine({{0, 0}, {10, 0}});
             const int block = d.makeBlock("znak", {0, 0}, first);
             return d.addInsert({block, {30, -30}, 1, 1, 0});
         },
         0,
         {-70, -60},
         {}},
        {"point",
         [](ActiveAdder& d) {
             return d.addPoint({{25, 25}});
         },
         0,
         {-25, 75},
         {}},
        {"ellipse axis end",
         [](ActiveAdder& d) {
             return d.addEllipse({{0, 0}, 60, 30, 0, 0, 360});
         },
         1,
         {0, 80},
         {0}},
    };
    for (const GripCase& c : cases) {
        SCOPED_TRACE(c.what);
        ActiveAdder adder;
        const int h = c.add(adder);
        engine().redraw();
        selectOnly(h);
        const std::vector<Vec2> before = grips(h);
        const std::size_t steps = document().journal.size();
        drag(before[c.grip], c.to);
        EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
        const std::vector<Vec2> after = grips(h);
        expectNear(after[c.grip], c.to, "the grip held");
        for (const std::size_t f : c.fixed)
            expectNear(after[f], before[f], "grip " + std::to_string(f));
        EXPECT_EQ(document().journal.size(), steps + 1);
        EXPECT_TRUE(drawing().entities[static_cast<std::size_t>(h)].has(EntityFlag::Selected));
        cadExecute(CAD_CMD_UNDO);
        expectSameGrips(grips(h), before, "after undo");
        cadExecute(CAD_CMD_ERASE); // out of the way of the next case
    }
}

TEST_F(GripsTest, AClickOnAGripThenOnTheTargetMovesItEscOrTheRightButtonLeaveItAsItWas) {
    const int line = ActiveAdder().addLine({{-100, 0}, {0, 0}});
    engine().redraw();
    selectOnly(line);
    const std::size_t steps = document().journal.size();

    click({0, 0});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_EQ(prompt.rfind(engine().text(19231), 0), 0u) << prompt;
    moveTo({40, 40}, Qt::NoButton);
    click({40, 40});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    expectNear(drawing().lines[0].b, {40, 40}, "after two clicks");
    EXPECT_EQ(document().journal.size(), steps + 1);

    // Esc in the middle of a drag: the release does nothing.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at({40, 40}));
    moveTo({80, -60}, Qt::LeftButton);
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at({80, -60}));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    expectNear(drawing().lines[0].b, {40, 40}, "after Esc");

    click({-100, 0});
    click({-120, 10}, Qt::RightButton);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    expectNear(drawing().lines[0].a, {-100, 0}, "after the right button");
    EXPECT_EQ(document().journal.size(), steps + 1);
    EXPECT_EQ(menusShown, 0);
}

TEST_F(GripsTest, TheTargetOfAGripSnapsAndAnUnselectedEntityHasNoGrips) {
    const int line = ActiveAdder().addLine({{-100, 0}, {0, 0}});
    const int other = ActiveAdder().addLine({{50, 50}, {120, 80}});
    engine().redraw();
    engine().snaps.set(SnapKind::End, true);
    selectOnly(line);
    drag({0, 0}, {53, 47}); // three pixels off the other line's end
    expectNear(drawing().lines[0].b, {50, 50}, "snapped to the end");

    // A press on the end of the line not selected selects it, and moves nothing.
    document().selectAll(false);
    drag({120, 80}, {150, 100});
    expectNear(drawing().lines[static_cast<std::size_t>(other)].b, {120, 80}, "not held");
}

TEST_F(GripsTest, ARightClickOnTheSelectionOpensItsMenuAndItsItemsRun) {
    const int a = ActiveAdder().addLine({{-100, 0}, {0, 0}});
    const int b = ActiveAdder().addCircle({{50, 50}, 20});
    engine().redraw();

    // Nothing selected, or the click away from the selection: no menu.
    rightClick({-50, 0});
    selectOnly(a);
    rightClick({50, 70});
    EXPECT_EQ(menusShown, 0);

    rightClick({-50, 0});
    EXPECT_EQ(menusShown, 1);
    // The draw order's items between the editing ones and erasing.
    EXPECT_EQ(shownItems,
              (std::vector<int>{18001, 18002, 18003, 18004, 18005, 18006, 18007, 18008, 18011,
                                18609, 18607, 18611, 19245, 19246, 19244, 19247, 18009, 18010}));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);

    rightClick({-50, 0}, 18003); // move: the command asks for its base point
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    click({-50, 0});
    click({-50, -30});
    expectNear(drawing().lines[0].a, {-100, -30}, "moved");

    rightClick({-50, -30}, 18010); // deselect
    EXPECT_EQ(drawing().selectedCount(), 0);

    document().select(a, true);
    document().select(b, true);
    const std::size_t steps = document().journal.size();
    rightClick({50, 70}, 18011); // group: one insertion of a new block
    ASSERT_EQ(drawing().selectedCount(), 1);
    const auto selected = [] {
        for (int h = 0; h < static_cast<int>(drawing().entities.size()); ++h)
            if (drawing().valid(h) &&
                drawing().entities[static_cast<std::size_t>(h)].has(EntityFlag::Selected))
                return h;
        return -1;
    };
    const int group = selected();
    EXPECT_EQ(drawing().entities[static_cast<std::size_t>(group)].type, EntityType::Insert);
    EXPECT_FALSE(drawing().inModelSpace(a));
    EXPECT_EQ(document().journal.size(), steps + 1);
    cadExecute(CAD_CMD_UNDO);
    EXPECT_TRUE(drawing().inModelSpace(a));
    EXPECT_TRUE(drawing().inModelSpace(b));
    EXPECT_FALSE(drawing().valid(group));

    selectOnly(b);
    rightClick({50, 70}, 18009); // erase
    EXPECT_FALSE(drawing().valid(b));

    // Within a command the right button goes on ending it.
    selectOnly(a);
    cadExecute(CAD_CMD_MOVE);
    rightClick({-50, -30});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(menusShown, 5);
}

TEST_F(GripsTest, OnAPolylinesGripTheMenuInsertsAndDeletesVerticesEachOneStep) {
    const Vec2 v[] = {{-100, -50}, {0, -50}, {0, 50}};
    const int h = ActiveAdder().addPolyline(v, 3, false);
    engine().redraw();
    selectOnly(h);
    const std::size_t steps = document().journal.size();

    rightClick({0, -50}, 18021);
    EXPECT_EQ(shownItems.back(), 18025);
    EXPECT_EQ(vertices(h), (std::vector<Vec2>{{-100, -50}, {0, -50}, {0, 0}, {0, 50}}));
    EXPECT_EQ(document().journal.size(), steps + 1);
    cadExecute(CAD_CMD_UNDO);
    EXPECT_EQ(vertices(h), (std::vector<Vec2>(std::begin(v), std::end(v))));

    // After the last vertex of an open polyline: in the middle of the segment before it.
    rightClick({0, 50}, 18021);
    EXPECT_EQ(vertices(h), (std::vector<Vec2>{{-100, -50}, {0, -50}, {0, 0}, {0, 50}}));

    rightClick({0, 0}, 18022);
    rightClick({0, -50}, 18022);
    EXPECT_EQ(vertices(h), (std::vector<Vec2>{{-100, -50}, {0, 50}}));
    // Two vertices stay: deleting is offered no more.
    disabledItems.clear();
    rightClick({0, 50}, 18022);
    // (the hatches' item too: an unfilled polyline is none)
    EXPECT_EQ(disabledItems, (std::vector<int>{19247, 18022}));
    EXPECT_EQ(vertices(h), (std::vector<Vec2>{{-100, -50}, {0, 50}}));
    EXPECT_EQ(document().journal.size(), steps + 3);
    cadExecute(CAD_CMD_UNDO);
    cadExecute(CAD_CMD_UNDO);
    EXPECT_EQ(vertices(h), (std::vector<Vec2>{{-100, -50}, {0, -50}, {0, 0}, {0, 50}}));

    // A closed one inserts after its last vertex on the closing segment.
    const Vec2 square[] = {{100, 100}, {140, 100}, {140, 140}, {100, 140}};
    const int closed = ActiveAdder().addPolyline(square, 4, true);
    engine().redraw();
    selectOnly(closed);
    rightClick({100, 140}, 18021);
    EXPECT_EQ(vertices(closed).back(), (Vec2{100, 120}));
}

TEST_F(GripsTest, GripShapesRefuseWhatWouldDegenerate) {
    Drawing d;
    const int circle = d.addCircle({{0, 0}, 5});
    auto s = gripShape(d, circle);
    ASSERT_TRUE(s);
    EXPECT_FALSE(moveGrip(*s, 2, {0, 0})); // a radius of nothing
    EXPECT_FALSE(moveGrip(*s, 5, {1, 1})); // no such grip
    const int arc = d.addArc({{0, 0}, 10, 0, 180});
    s = gripShape(d, arc);
    EXPECT_FALSE(moveGrip(*s, 2, {0, 0})); // the middle on the chord
    const int rect = d.addRectangle({{0, 0}, 10, 4, 0});
    s = gripShape(d, rect);
    EXPECT_FALSE(moveGrip(*s, 1, {5, -10})); // onto the line of the opposite corner
    EXPECT_EQ(s->rectangle.width, 10);
}

} // namespace

namespace {

TEST_F(GripsTest, ACirclesRadiusFollowsTheCursorAsASmoothCircle) {
    const int circle = ActiveAdder().addCircle({{0, 0}, 60});
    engine().redraw();
    selectOnly(circle);
    // Held by its grip on the right, dragged out to a radius of 130.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at({60, 0}));
    moveTo({100, 0}, Qt::LeftButton);
    moveTo({130, 0}, Qt::LeftButton);
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at({130, 0}));
    // Where the preview's ink lies, angle by angle: on the circle, not on the chords of a
    // polygon inside it.
    const QColor background = toQColor(drawing().settings.background);
    const QPointF centre = w->toPixel({0, 0});
    constexpr int kBuckets = 72;
    std::vector<double> weight(kBuckets), weighted(kBuckets);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double dx = x + 0.5 - centre.x(), dy = y + 0.5 - centre.y();
            const double r = std::hypot(dx, dy);
            if (r < 124 || r > 136)
                continue;
            const QColor c = image.pixelColor(x, y);
            const double ink = std::abs(c.red() - background.red()) +
                               std::abs(c.green() - background.green()) +
                               std::abs(c.blue() - background.blue());
            const double angle = std::atan2(dy, dx) + kPi;
            const int b = std::min(kBuckets - 1, static_cast<int>(angle / (2 * kPi) * kBuckets));
            weight[static_cast<std::size_t>(b)] += ink;
            weighted[static_cast<std::size_t>(b)] += ink * r;
        }
    int inked = 0;
    for (int b = 0; b < kBuckets; ++b) {
        // The rubber band and the cursor's marker stand on the right; the rest is the circle.
        if (b >= kBuckets / 2 - 2 && b <= kBuckets / 2 + 1)
            continue;
        const auto i = static_cast<std::size_t>(b);
        if (weight[i] == 0)
            continue;
        ++inked;
        EXPECT_NEAR(weighted[i] / weight[i], 130, 0.5) << "at " << b * 360 / kBuckets << " degrees";
    }
    EXPECT_GT(inked, kBuckets * 3 / 4) << "drawn all round";
}

} // namespace
