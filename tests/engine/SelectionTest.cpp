// Selecting, erasing, undoing and redoing in the drawing window, driven by mouse and key
// events as a person gives them.
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// A window on a drawing at one unit a pixel, its origin at the window's centre:
//   0: a horizontal line from (-150, 100) to (-50, 100)
//   1: a horizontal line from (-150, 50) to (-50, 50)
//   2: a circle of radius 20 about (50, 50)
//   3: a vertical line from (100, -100) to (100, 0)
class SelectionTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        addPolyline({-150, 100, -50, 100});
        addPolyline({-150, 50, -50, 50});
        cadAddCircle(50, 50, 20);
        cadAddLine(100, -100, 100, 0);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
    }

    QPoint at(Vec2 p) const { return w->toPixel(p).toPoint(); }
    void click(Vec2 p, Qt::KeyboardModifiers keys = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, keys, at(p));
    }
    void drag(Vec2 from, Vec2 to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mousePress(w, Qt::LeftButton, keys, at(from));
        QMouseEvent move(QEvent::MouseMove, at(to), w->mapToGlobal(at(to)), Qt::NoButton,
                         Qt::LeftButton, keys);
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, Qt::LeftButton, keys, at(to));
    }
    static std::vector<int> selected() {
        std::vector<int> out;
        const Drawing& d = *activeDrawing();
        for (int h = 0; h < static_cast<int>(d.entities.size()); ++h)
            if (d.valid(h) && d.entities[static_cast<std::size_t>(h)].has(EntityFlag::Selected))
                out.push_back(h);
        return out;
    }
    static bool live(int h) { return activeDrawing()->valid(h); }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::string prompt;
};

using Handles = std::vector<int>;

TEST_F(SelectionTest, AClickPicksShiftAddsOrRemovesAndEscClears) {
    click({-100, 102}); // two pixels off the first line
    EXPECT_EQ(selected(), Handles{0});
    click({50, 70}); // on the circle
    EXPECT_EQ(selected(), Handles{2});
    click({-100, 50}, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (Handles{1, 2}));
    click({50, 70}, Qt::ShiftModifier);
    EXPECT_EQ(selected(), Handles{1});
    click({50, 50}); // the circle's empty middle
    EXPECT_EQ(selected(), Handles{});
    click({-100, 50});
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(selected(), Handles{});
}

TEST_F(SelectionTest, WindowsTakeWhatIsInsideCrossingsWhatTheyTouch) {
    // Left to right over the whole first line and half of the second.
    drag({-160, 110}, {-100, 40});
    EXPECT_EQ(selected(), Handles{});
    drag({-160, 110}, {-40, 90});
    EXPECT_EQ(selected(), Handles{0});
    // Right to left: what the rectangle touches, the circle through its edge.
    drag({-100, 105}, {-160, 40});
    EXPECT_EQ(selected(), (Handles{0, 1}));
    drag({60, 60}, {40, 45}); // inside the circle, touching no part of it
    EXPECT_EQ(selected(), Handles{});
    drag({75, 60}, {65, 40});
    EXPECT_EQ(selected(), Handles{2});
    // With Shift the window adds.
    drag({90, 10}, {110, -110}, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (Handles{2, 3}));
}

TEST_F(SelectionTest, HiddenAndLockedLayersAreNeverPickedOrSelected) {
    const int hidden = cadLayerAdd("ukryta", 0, 0, 0);
    const int locked = cadLayerAdd("zablokowana", 0, 0, 0);
    cadPropPutInt(CAD_PROP_ENT_LAYER, 0, hidden);
    cadPropPutInt(CAD_PROP_ENT_LAYER, 1, locked);
    cadPropPutInt(CAD_PROP_LAYER_VISIBLE, hidden, 0);
    cadPropPutInt(CAD_PROP_LAYER_LOCKED, locked, 1);
    click({-100, 100});
    click({-100, 50}, Qt::ShiftModifier);
    EXPECT_EQ(selected(), Handles{});
    drag({-200, 140}, {200, -140});
    EXPECT_EQ(selected(), (Handles{2, 3}));
    cadSelect(1, -1); // "select all"
    EXPECT_EQ(selected(), (Handles{2, 3}));
    QTest::keyClick(w, Qt::Key_Delete);
    EXPECT_TRUE(live(0) && live(1));
}

TEST_F(SelectionTest, DeleteErasesAndTheKeysTakeItBackAndMakeItAgain) {
    w->grab();
    click({-100, 50});
    drag({90, 10}, {110, -110}, Qt::ShiftModifier);
    const int renders = w->renderCount();
    w->grab();
    EXPECT_EQ(w->renderCount(), renders) << "selecting never renders the drawing";
    QTest::keyClick(w, Qt::Key_Delete);
    EXPECT_FALSE(live(1) || live(3));
    EXPECT_EQ(selected(), Handles{});
    const int partial = w->partialRenderCount();
    const QImage after = w->grab().toImage();
    EXPECT_EQ(w->renderCount(), renders) << "only the part where they were";
    EXPECT_GT(w->partialRenderCount(), partial);
    EXPECT_EQ(after.pixelColor(at({100, -50})), QColor(Qt::white));

    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(live(1) && live(3));
    EXPECT_EQ(selected(), (Handles{1, 3})) << "what the undo changed is selected";
    QTest::keyClick(w, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(live(1) || live(3));
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(live(1) || live(3));
    std::string notice;
    engine().onNotice = [&notice](const std::string& text) { notice = text; };
    QTest::keyClick(w, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(responder->messages.empty());
    EXPECT_EQ(notice, engine().text(10504));
}

TEST_F(SelectionTest, EraseWithNothingSelectedAsksForEntitiesUntilEnterOrTheRightButton) {
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_NE(prompt.find(engine().text(19301)), std::string::npos);
    click({-100, 100});
    drag({90, 10}, {110, -110});
    EXPECT_TRUE(live(0) && live(3)) << "nothing goes before the picking ends";
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_FALSE(live(0) || live(3));
    EXPECT_TRUE(live(1) && live(2));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(prompt, "");

    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    click({50, 70});
    click({0, 0}, Qt::NoModifier, Qt::RightButton);
    EXPECT_FALSE(live(2));

    // Esc leaves it with nothing erased; so does nothing picked.
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    click({-100, 50});
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(live(1));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(live(0) && live(2) && live(3));
}

TEST_F(SelectionTest, TheSelectionCommandsAddWhatTheyFind) {
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_WINDOW), 1);
    EXPECT_NE(prompt.find(engine().text(19302)), std::string::npos);
    click({-160, 110});
    EXPECT_NE(prompt.find(engine().text(19303)), std::string::npos);
    click({-40, 90});
    EXPECT_EQ(selected(), Handles{0});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);

    // A polygon round the circle and the vertical line's upper half: only the circle.
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_POLYGON), 1);
    for (const Vec2 p : {Vec2{20, 90}, Vec2{120, 90}, Vec2{120, -50}, Vec2{20, 20}})
        click(p);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(selected(), (Handles{0, 2}));

    // A line of points crossing the second line and the vertical one.
    QTest::keyClick(w, Qt::Key_Escape);
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_FENCE), 1);
    click({-100, 60});
    click({-100, 40});
    click({120, -50});
    QTest::keyClick(w, Qt::Key_Backspace); // the last point was wrong
    click({110, -50});
    click({0, 0}, Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(selected(), (Handles{1, 3}));

    // Within a distance of a picked point.
    QTest::keyClick(w, Qt::Key_Escape);
    const auto savedModal = showModal;
    showModal = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("cadSelectDistanceValue")->setText("25,5");
        return int(QDialog::Accepted);
    };
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_DISTANCE), 1);
    showModal = savedModal;
    click({50, 50}); // the circle's centre: 20 away
    EXPECT_EQ(selected(), Handles{2});

    // By pointing, one after another until Enter.
    QTest::keyClick(w, Qt::Key_Escape);
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_POINT), 1);
    click({-100, 100});
    click({-100, 50});
    click({-100, 100}, Qt::ShiftModifier); // Shift takes one away again
    QTest::keyClick(w, Qt::Key_Enter);
    EXPECT_EQ(selected(), Handles{1});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
}

TEST_F(SelectionTest, ACommandLeftMidwayLeavesNothingAndNoStep) {
    cadUndoForget();
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    click({-100, 100});
    // Another document becomes active: the command ends, nothing is erased, and the
    // selection is as it was before the command.
    const int first = cadDocGetActive();
    ASSERT_GT(cadFileNew(0, ""), 0);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    cadDocSetActive(first);
    EXPECT_TRUE(live(0));
    EXPECT_EQ(selected(), Handles{});
    EXPECT_FALSE(cadCanUndo());
    // Another command started meanwhile ends it too.
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    click({-100, 100});
    ASSERT_EQ(cadExecute(CAD_CMD_SELECT_WINDOW), 1);
    EXPECT_TRUE(live(0));
    // Closing its document as well.
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    cadDocClose(first);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
}

TEST_F(SelectionTest, GripsMarkTheDefiningPointsOfAFewSelectedEntities) {
    engine().active()->changeSettings([](DrawingSettings& s) { s.showGrips = 1; });
    engine().active()->changeSettings([](DrawingSettings& s) { s.gripColor = 0x00FF00; }); // green
    click({-100, 100});
    const QImage image = w->grab().toImage();
    EXPECT_EQ(image.pixelColor(at({-150, 100}) + QPoint(2, 2)), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(at({-50, 100}) + QPoint(2, 2)), QColor(0, 255, 0));
    engine().active()->changeSettings([](DrawingSettings& s) { s.showGrips = 0; });
    click({-100, 100});
    EXPECT_NE(w->grab().toImage().pixelColor(at({-150, 100}) + QPoint(2, 2)), QColor(0, 255, 0));
}

} // namespace
