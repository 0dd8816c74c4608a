// Snapping and typed coordinates in the drawing window, driven by mouse and key events as a
// person gives them, with the snap toolbar and the settings dialog.
#include "engine/Engine.h"
#include "engine/snap/SnapDialog.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/StatusBar.h"
#include "engine/view/DrawingWindow.h"
#include "engine/view/TypedCoordinates.h"
#include "engine/view/ViewDialogs.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// Coordinates that no pixel of the window lands on by chance.
constexpr Vec2 kEndA{-180.123456789, 120.987654321};
constexpr Vec2 kEndB{-60.5, 120.987654321};
constexpr Vec2 kCrossing{-165.4321, 120.987654321};

// A window on a drawing at one unit a pixel, its origin at the window's centre:
//   0: a horizontal line from kEndA to kEndB
//   1: a steep line through kCrossing on line 0
//   2, 3: circles of radius 50 about (40, 40) and (120, 40), which meet at (80, 70) and (80, 10)
//   4: a horizontal line at y = 80 from x = -20 to 30, which meets circle 2 at (10, 80)
//   5: a line from (80, -160) to (160, -80)
class SnapTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadAddLine(kEndA.x, kEndA.y, kEndB.x, kEndB.y);
        cadAddLine(kCrossing.x - 2, kCrossing.y + 7.4, kCrossing.x + 5, kCrossing.y - 18.5);
        cadAddCircle(40, 40, 50);
        cadAddCircle(120, 40, 50);
        cadAddLine(-20, 80, 30, 80);
        cadAddLine(80, -160, 160, -80);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, kWidth, kHeight), 1);
        w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        ASSERT_NE(w, nullptr);
        setView({0, 0}, 1);
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
        savedModal = showModal;
    }
    void TearDown() override {
        showModal = savedModal;
        EngineTest::TearDown();
    }

    static void setView(Vec2 centre, double perPixel) {
        Document* d = engine().active();
        d->view.centre = centre;
        d->view.unitsPerPixel = perPixel;
        engine().redraw();
    }
    // Only these ways of finding a point.
    static void only(std::initializer_list<SnapKind> kinds) {
        engine().snaps.on = {};
        for (const SnapKind k : kinds)
            engine().snaps.set(k, true);
    }

    QPoint at(Vec2 p) const { return w->toPixel(p).toPoint(); }
    // A place some pixels off a point.
    QPoint off(Vec2 p, int dx, int dy) const { return at(p) + QPoint(dx, dy); }
    void moveTo(QPoint pixel) {
        QMouseEvent move(QEvent::MouseMove, pixel, w->mapToGlobal(pixel), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    // Moves there and clicks, as a person does.
    void clickAt(QPoint pixel, Qt::MouseButton button = Qt::LeftButton) {
        moveTo(pixel);
        QTest::mouseClick(w, button, Qt::NoModifier, pixel);
    }
    // Keys go where the focus is: the window, or the field once typing opened it.
    QWidget* keyTarget() const {
        if (QWidget* focus = QApplication::focusWidget())
            return focus;
        if (QWidget* field = w->coordinateInput())
            return field;
        return w;
    }
    void type(const QString& text) {
        for (const QChar c : text)
            QTest::keyClicks(keyTarget(), QString(c));
    }
    void key(Qt::Key k) { QTest::keyClick(keyTarget(), k); }
    void typeIn(const QString& text) {
        type(text);
        key(Qt::Key_Return);
    }

    // Shown and active, so that the focus goes where a person would see it go.
    void showWindow() {
        parent.show();
        parent.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
        w->setFocus();
    }

    static int count() { return static_cast<int>(activeDrawing()->entities.size()); }
    // The point of the point entity h, and the ends of the line h.
    static Vec2 pointOf(int h) { return activeDrawing()->points[entity(h).first].p; }
    static LineData lineOf(int h) { return activeDrawing()->lines[entity(h).first]; }
    static const Entity& entity(int h) {
        return activeDrawing()->entities[static_cast<std::size_t>(h)];
    }

    // Picks one point with the point command, clicking at the pixel; its coordinates.
    Vec2 pick(QPoint pixel) {
        const int before = count();
        EXPECT_EQ(cadExecute(CAD_CMD_DRAW_POINT), 1);
        clickAt(pixel);
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_EQ(count(), before + 1);
        return count() > before ? pointOf(count() - 1) : Vec2{NAN, NAN};
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::string prompt;
    std::function<int(QDialog&)> savedModal;
};

void expectClose(Vec2 actual, Vec2 expected) {
    const double scale = std::max({1.0, std::abs(expected.x), std::abs(expected.y)});
    EXPECT_NEAR(actual.x, expected.x, 1e-9 * scale);
    EXPECT_NEAR(actual.y, expected.y, 1e-9 * scale);
}

TEST_F(SnapTest, ObjectSnapsGiveTheAnalyticPoints) {
    // Nothing on: the point lands under the cursor.
    EXPECT_EQ(pick(off(kEndB, 3, 2)), w->toDrawing(off(kEndB, 3, 2)));

    only({SnapKind::End});
    EXPECT_EQ(pick(off(kEndA, 4, -3)), kEndA) << "the stored coordinates themselves";
    EXPECT_EQ(pick(off(kEndB, -2, 6)), kEndB);
    only({SnapKind::Middle});
    expectClose(pick(off({(kEndA.x + kEndB.x) / 2, kEndA.y}, 5, 5)),
                {(kEndA.x + kEndB.x) / 2, kEndA.y});
    only({SnapKind::Intersection});
    expectClose(pick(off(kCrossing, -3, 4)), kCrossing);
    expectClose(pick(off({80, 70}, 2, -5)), {80, 70});
    expectClose(pick(off({80, 10}, -4, 4)), {80, 10});
    expectClose(pick(off({10, 80}, 3, 3)), {10, 80});
    only({SnapKind::Centre});
    EXPECT_EQ(pick(off({40, 40}, 6, -4)), (Vec2{40, 40}));
    // Away from everything the cursor stays where it is.
    only({SnapKind::End, SnapKind::Middle, SnapKind::Intersection, SnapKind::Centre});
    EXPECT_EQ(pick(at({-100, -100})), (Vec2{-100, -100}));
}

TEST_F(SnapTest, PerpendicularAndTangentWorkFromTheBasePoint) {
    only({SnapKind::Perpendicular, SnapKind::Tangent});
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    clickAt(at({40, -60})); // nothing to work from yet: the cursor itself
    clickAt(off({110, -130}, 4, -3));
    ASSERT_EQ(count(), 7);
    EXPECT_EQ(lineOf(6).a, (Vec2{40, -60}));
    expectClose(lineOf(6).b, {110, -130});

    QTest::keyClick(w, Qt::Key_Escape); // a new first point
    clickAt(at({40, -60}));
    clickAt(off({40 - 25 * std::sqrt(3.0), 15}, 3, 3));
    ASSERT_EQ(count(), 8);
    expectClose(lineOf(7).b, {40 - 25 * std::sqrt(3.0), 15});
    // The line touches the circle there: at a right angle to its radius.
    const Vec2 t = lineOf(7).b;
    EXPECT_NEAR((t.x - 40) * (t.x - 40) + (t.y - 40) * (t.y - 40), 2500, 1e-9);
    EXPECT_NEAR((t.x - 40) * (t.x - 40) + (t.y + 60) * (t.y + 60) + 2500, 100 * 100, 1e-9);

    // Perpendicular to a circle: on the line through its centre.
    QTest::keyClick(w, Qt::Key_Escape);
    clickAt(at({40, -60}));
    clickAt(off({40, -10}, -5, 2));
    ASSERT_EQ(count(), 9);
    EXPECT_EQ(lineOf(8).b, (Vec2{40, -10}));
}

TEST_F(SnapTest, EndWinsOverNearestInsideTheAperture) {
    only({SnapKind::End, SnapKind::Nearest});
    // On the line itself, 7 pixels from its end: the end all the same.
    EXPECT_EQ(pick(at({kEndB.x - 7, kEndB.y})), kEndB);
    // Beyond the aperture of the end: the nearest point of the line.
    const Vec2 p = pick(off({-100, kEndB.y}, 0, 4));
    EXPECT_NEAR(p.y, kEndB.y, 1e-12);
    EXPECT_NEAR(p.x, -100, 0.5);
    // The nearest point of a circle lies on it.
    const Vec2 q = pick(off({40, 90}, 3, -3));
    EXPECT_NEAR(std::hypot(q.x - 40, q.y - 40), 50, 1e-9);
    // Of two ends within the aperture, the one nearer on screen.
    only({SnapKind::End, SnapKind::Intersection});
    EXPECT_EQ(pick(off(kEndA, 2, 0)), kEndA);
}

TEST_F(SnapTest, TheApertureStaysTheSameInPixelsAtEveryZoom) {
    // A drawing of one line, alone wherever the view shows it.
    ASSERT_GT(cadFileNew(0, ""), 0);
    const Vec2 end{1234.5678, -987.654321};
    cadAddLine(end.x - 1e-3, end.y - 1e-3, end.x, end.y);
    only({SnapKind::End});
    engine().snaps.aperture = 10;
    for (const double perPixel : {1.0, 0.25, 40.0, 1e-4}) {
        setView(end, perPixel);
        EXPECT_EQ(pick(off(end, 6, 6)), end) << perPixel << ": 8.5 pixels away";
        const Vec2 missed = pick(off(end, 9, 9));
        EXPECT_NE(missed, end) << perPixel << ": 12.7 pixels away";
        EXPECT_NEAR(std::hypot(missed.x - end.x, missed.y - end.y), std::hypot(9.0, 9.0) * perPixel,
                    perPixel);
    }
    engine().snaps.aperture = 20;
    setView(end, 3);
    EXPECT_EQ(pick(off(end, 9, 9)), end) << "a larger aperture reaches farther";
}

TEST_F(SnapTest, TrackingStepsAndTheGridComeAfterThePointsOfEntities) {
    only({SnapKind::Tracking, SnapKind::Polar, SnapKind::End});
    engine().snaps.lengthStep = 5;
    engine().snaps.angleStep = 15;
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    clickAt(at({-100, -100}));
    // Near the horizontal through the base point: on it.
    clickAt(at({-40, -97}));
    ASSERT_EQ(count(), 7);
    EXPECT_EQ(lineOf(6).b, (Vec2{-40, -100}));
    // Away from both lines through the base: whole steps of length and angle from it.
    clickAt(at({0, -75}));
    ASSERT_EQ(count(), 8);
    const Vec2 b = lineOf(7).b;
    const double length = std::hypot(b.x + 40, b.y + 100);
    EXPECT_NEAR(length, 45, 1e-9) << "from 47.2";
    EXPECT_NEAR(std::atan2(b.y + 100, b.x + 40) * 180 / kPi, 30, 1e-9) << "from 32";
    // The base angle turns the steps.
    engine().snaps.baseAngle = 5;
    clickAt(at(b) + QPoint(40, -20));
    ASSERT_EQ(count(), 9);
    const Vec2 c = lineOf(8).b;
    EXPECT_NEAR(std::fmod(std::atan2(c.y - b.y, c.x - b.x) * 180 / kPi - 5 + 360, 15), 0, 1e-9);
    // An end within the aperture goes first.
    QTest::keyClick(w, Qt::Key_Escape);
    clickAt(off(kEndB, 0, 40));
    clickAt(off(kEndB, 3, 2));
    EXPECT_EQ(lineOf(count() - 1).b, kEndB);

    // The grid comes last: with nothing else near, the nearest node.
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    only({SnapKind::End});
    engine().active()->changeSettings([](DrawingSettings& s) { s.gridSnap = true; }); // steps of 10
    EXPECT_EQ(pick(at({-103, -96})), (Vec2{-100, -100}));
    EXPECT_EQ(pick(off(kEndB, 3, 3)), kEndB);
}

TEST_F(SnapTest, TheMarkerShowsWhereThePointWillLandWithoutRenderingTheDrawing) {
    // The marker is orange; the drawing black on white.
    const auto markerNear = [this](Vec2 p) {
        const QImage image = w->grab().toImage();
        const QPoint c = at(p);
        for (int dy = -7; dy <= 7; ++dy)
            for (int dx = -7; dx <= 7; ++dx) {
                const QColor k = image.pixelColor(c + QPoint(dx, dy));
                if (k.red() > 200 && k.green() > 70 && k.green() < 170 && k.blue() < 80)
                    return true;
            }
        return false;
    };
    only({SnapKind::End, SnapKind::Centre});
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    w->grab();
    const int renders = w->renderCount();
    moveTo(off(kEndB, 5, -4));
    EXPECT_TRUE(markerNear(kEndB));
    moveTo(off({40, 40}, -3, 5));
    EXPECT_TRUE(markerNear({40, 40}));
    EXPECT_FALSE(markerNear(kEndB)) << "it follows the cursor";
    moveTo(at({-100, -100}));
    EXPECT_FALSE(markerNear({-100, -100})) << "nothing found: no marker";
    // The rubber band too is painted over the cached picture.
    clickAt(at({-100, -100}));
    moveTo(off(kEndB, 2, 2));
    EXPECT_TRUE(markerNear(kEndB));
    EXPECT_EQ(w->renderCount(), renders);
    // Without a command nothing is found or marked.
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    moveTo(off(kEndB, 2, 2));
    EXPECT_FALSE(markerNear(kEndB));
}

TEST_F(SnapTest, SnapToolbarButtonsShowAndToggleTheSettings) {
    cadToolBarCreate(&parent, CAD_TOOLBAR_SNAPS, 0, 0, -1, -1, nullptr, nullptr);
    auto* bar = parent.findChild<QToolBar*>(QStringLiteral("cadToolbar4864"));
    ASSERT_NE(bar, nullptr);
    const auto button = [bar](int code) {
        return bar->findChild<QToolButton*>(QStringLiteral("cadButton%1").arg(code));
    };
    for (int code = CAD_CMD_SNAP_END; code <= CAD_CMD_SNAP_SETTINGS; ++code) {
        ASSERT_NE(button(code), nullptr) << code;
        EXPECT_TRUE(button(code)->isEnabled()) << code;
        EXPECT_EQ(button(code)->isCheckable(), code != CAD_CMD_SNAP_SETTINGS) << code;
    }
    EXPECT_TRUE(button(CAD_CMD_SNAP_NONE)->isChecked()) << "nothing on at first";

    button(CAD_CMD_SNAP_END)->click();
    button(CAD_CMD_SNAP_TANGENT)->click();
    EXPECT_TRUE(engine().snaps.has(SnapKind::End));
    EXPECT_TRUE(engine().snaps.has(SnapKind::Tangent));
    EXPECT_TRUE(button(CAD_CMD_SNAP_END)->isChecked());
    EXPECT_FALSE(button(CAD_CMD_SNAP_NONE)->isChecked());
    button(CAD_CMD_SNAP_TANGENT)->click();
    EXPECT_FALSE(engine().snaps.has(SnapKind::Tangent));
    EXPECT_FALSE(button(CAD_CMD_SNAP_TANGENT)->isChecked());
    // The program runs the commands too: the buttons follow.
    ASSERT_EQ(cadExecute(CAD_CMD_SNAP_POLAR), 1);
    EXPECT_TRUE(button(CAD_CMD_SNAP_POLAR)->isChecked());

    // The grid's button is the drawing's own snapping, as the grid dialog shows it.
    const DrawingSettings& grid = activeDrawing()->settings;
    button(CAD_CMD_SNAP_GRID)->click();
    EXPECT_TRUE(grid.gridSnap);
    showModal = [](QDialog& dialog) {
        auto* snap = dialog.findChild<QCheckBox*>("snap");
        EXPECT_TRUE(snap->isChecked());
        snap->setChecked(false);
        return int(QDialog::Accepted);
    };
    ASSERT_EQ(cadExecute(CAD_CMD_GRID), 1);
    EXPECT_FALSE(grid.gridSnap);
    EXPECT_FALSE(button(CAD_CMD_SNAP_GRID)->isChecked());
    button(CAD_CMD_SNAP_GRID)->click();
    // Another drawing has its own; back to the first, its own again.
    const int first = cadDocGetActive();
    ASSERT_GT(cadFileNew(0, ""), 0);
    EXPECT_FALSE(button(CAD_CMD_SNAP_GRID)->isChecked());
    EXPECT_TRUE(button(CAD_CMD_SNAP_END)->isChecked()) << "the others hold for the run";
    cadDocSetActive(first);
    EXPECT_TRUE(button(CAD_CMD_SNAP_GRID)->isChecked());

    // "None" turns every one off.
    button(CAD_CMD_SNAP_NONE)->click();
    EXPECT_EQ(engine().snaps.on, (std::array<bool, kSnapKinds>{}));
    EXPECT_FALSE(activeDrawing()->settings.gridSnap);
    for (int code = CAD_CMD_SNAP_END; code < CAD_CMD_SNAP_NONE; ++code)
        EXPECT_FALSE(button(code)->isChecked()) << code;
    EXPECT_TRUE(button(CAD_CMD_SNAP_NONE)->isChecked());
    button(CAD_CMD_SNAP_NONE)->click();
    EXPECT_TRUE(button(CAD_CMD_SNAP_NONE)->isChecked()) << "still nothing on";

    // Without a drawing the grid cannot be toggled; its button stays up.
    for (const int d : cadDocList())
        cadDocClose(d);
    button(CAD_CMD_SNAP_GRID)->click();
    EXPECT_FALSE(button(CAD_CMD_SNAP_GRID)->isChecked());
}

TEST_F(SnapTest, TheSettingsDialogTakesTheApertureAndTheSteps) {
    cadToolBarCreate(&parent, CAD_TOOLBAR_SNAPS, 0, 0, -1, -1, nullptr, nullptr);
    auto* bar = parent.findChild<QToolBar*>(QStringLiteral("cadToolbar4864"));
    ASSERT_NE(bar, nullptr);
    engine().snaps.set(SnapKind::Nearest, true);
    showModal = [](QDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("nearest")->isChecked());
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("grid")->isChecked());
        QTest::mouseClick(dialog.findChild<QPushButton*>("clear"), Qt::LeftButton);
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("nearest")->isChecked());
        for (const char* name : {"end", "intersection", "polar", "grid"})
            dialog.findChild<QCheckBox*>(name)->setChecked(true);
        dialog.findChild<QSpinBox*>("aperture")->setValue(25);
        // Numbers with "." whatever the person's locale.
        auto* length = dialog.findChild<QDoubleSpinBox*>("lengthStep");
        length->clear();
        QTest::keyClicks(length, "2.5");
        EXPECT_DOUBLE_EQ(length->value(), 2.5);
        dialog.findChild<QDoubleSpinBox*>("angleStep")->setValue(22.5);
        dialog.findChild<QDoubleSpinBox*>("baseAngle")->setValue(10);
        return int(QDialog::Accepted);
    };
    bar->findChild<QToolButton*>(QStringLiteral("cadButton%1").arg(CAD_CMD_SNAP_SETTINGS))->click();
    const SnapSettings& s = engine().snaps;
    EXPECT_TRUE(s.has(SnapKind::End) && s.has(SnapKind::Intersection) && s.has(SnapKind::Polar));
    EXPECT_FALSE(s.has(SnapKind::Nearest));
    EXPECT_TRUE(activeDrawing()->settings.gridSnap);
    EXPECT_EQ(s.aperture, 25);
    EXPECT_DOUBLE_EQ(s.lengthStep, 2.5);
    EXPECT_DOUBLE_EQ(s.angleStep, 22.5);
    EXPECT_DOUBLE_EQ(s.baseAngle, 10);
    EXPECT_TRUE(bar->findChild<QToolButton*>(QStringLiteral("cadButton%1").arg(CAD_CMD_SNAP_POLAR))
                    ->isChecked());

    // Cancelled: nothing changes.
    const SnapSettings before = engine().snaps;
    showModal = [](QDialog& dialog) {
        dialog.findChild<QCheckBox*>("end")->setChecked(false);
        dialog.findChild<QSpinBox*>("aperture")->setValue(3);
        return int(QDialog::Rejected);
    };
    EXPECT_EQ(cadExecute(CAD_CMD_SNAP_SETTINGS), 0);
    EXPECT_EQ(engine().snaps, before);
    // The settings hold until the engine starts anew.
    cadReset();
    EXPECT_EQ(engine().snaps, SnapSettings{});
}

// ---- typed coordinates

TEST(TypedCoordinates, EntriesReadAsTheySay) {
    using K = TypedEntry::Kind;
    const struct {
        const char* text;
        K kind;
        double a, b;
    } good[] = {
        {"10.5,-20", K::Absolute, 10.5, -20},
        {" 1e3 , .25 ", K::Absolute, 1000, 0.25},
        {"1,5", K::Absolute, 1, 5}, // a comma separates, never a decimal point
        {"@-3,+4", K::Relative, -3, 4},
        {"@", K::Relative, 0, 0},
        {"@12.5<90", K::RelativePolar, 12.5, 90},
        {"5<-30", K::Polar, 5, -30},
        {"42.75", K::Length, 42.75, 0},
        {"-7", K::Length, -7, 0},
    };
    for (const auto& g : good) {
        const auto e = parseTypedEntry(g.text);
        ASSERT_TRUE(e) << g.text;
        EXPECT_EQ(e->kind, g.kind) << g.text;
        EXPECT_DOUBLE_EQ(e->a, g.a) << g.text;
        EXPECT_DOUBLE_EQ(e->b, g.b) << g.text;
    }
    for (const char* bad : {"", "abc", "1,2,3", "1.5.2", "1,", ",2", "@1", "1<2<3", "@<5", "++1",
                            "+-1", "1 2", "1,5x", "nan", "inf,1", "1e999", "@@1,2", "1;2"})
        EXPECT_FALSE(parseTypedEntry(bad)) << bad;

    EXPECT_EQ(typedPoint(*parseTypedEntry("@10<90"), Vec2{1, 2}), (Vec2{1, 12})) << "exact";
    EXPECT_EQ(typedPoint(*parseTypedEntry("@10<-180"), Vec2{1, 2}), (Vec2{-9, 2}));
    EXPECT_FALSE(typedPoint(*parseTypedEntry("@1,1"), std::nullopt)) << "no last point";
    EXPECT_EQ(pointAlong({1, 1}, {1, 11}, 3), (Vec2{1, 4}));
    EXPECT_FALSE(pointAlong({1, 1}, {1, 1}, 3));
}

TEST_F(SnapTest, TypedCoordinatesGiveThePointsTheySay) {
    only({SnapKind::End, SnapKind::Nearest}); // typed points are taken as they are
    showWindow();
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    moveTo(at({100, 100}));
    type("1");
    QLineEdit* field = w->coordinateInput();
    ASSERT_NE(field, nullptr) << "typing opens the field";
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->text(), QStringLiteral("1"));
    typeIn("0.5,-60.125");
    EXPECT_EQ(w->coordinateInput(), nullptr) << "Enter applies and closes it";
    EXPECT_EQ(count(), 6) << "a first point only";
    typeIn("@30,0");
    ASSERT_EQ(count(), 7);
    EXPECT_EQ(lineOf(6).a, (Vec2{10.5, -60.125}));
    EXPECT_EQ(lineOf(6).b, (Vec2{40.5, -60.125}));
    typeIn("@10<90");
    ASSERT_EQ(count(), 8);
    EXPECT_EQ(lineOf(7).b, (Vec2{40.5, -50.125}));
    // A bare number: that far along the rubber band, towards the cursor.
    moveTo(at({40, 30}));
    typeIn("25");
    ASSERT_EQ(count(), 9);
    EXPECT_NEAR(lineOf(8).b.x, 40.5 - 0.5 * 25 / std::hypot(0.5, 80.125), 1e-12);
    EXPECT_NEAR(lineOf(8).b.y, -50.125 + 25 * 80.125 / std::hypot(0.5, 80.125), 1e-12);
    // Absolute again, and a minus first.
    typeIn("-70,-80");
    ASSERT_EQ(count(), 10);
    EXPECT_EQ(lineOf(9).b, (Vec2{-70, -80}));
    // Esc closes the field and leaves the command as it was.
    type("@5");
    ASSERT_NE(w->coordinateInput(), nullptr);
    key(Qt::Key_Escape);
    EXPECT_EQ(w->coordinateInput(), nullptr);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_EQ(count(), 10);
    EXPECT_TRUE(w->hasFocus());
    // "@" picks up from the last point in a new command as well.
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    typeIn("@");
    typeIn("@0,5");
    ASSERT_EQ(count(), 11);
    EXPECT_EQ(lineOf(10).a, (Vec2{-70, -80}));
    EXPECT_EQ(lineOf(10).b, (Vec2{-70, -75}));
}

TEST_F(SnapTest, AMalformedEntryIsShownAsSuchAndAddsNothing) {
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    const std::string asked = prompt;
    typeIn("1,2");
    const std::string next = prompt;
    for (const char* bad : {"1,2,3", "1.5.5", "@1<", "--4"}) {
        typeIn(bad);
        QLineEdit* field = w->coordinateInput();
        ASSERT_NE(field, nullptr) << bad << ": the field stays for mending";
        EXPECT_TRUE(field->property("malformed").toBool()) << bad;
        EXPECT_NE(prompt.find(engine().text(19361)), std::string::npos) << bad;
        EXPECT_EQ(count(), 6) << bad;
        // Mending it clears the mark.
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_FALSE(field->property("malformed").toBool());
        EXPECT_EQ(prompt, next);
        QTest::keyClick(field, Qt::Key_Escape);
    }
    // A bare length with the cursor on the base point has no direction.
    moveTo(at({1, 2}));
    typeIn("5");
    EXPECT_NE(w->coordinateInput(), nullptr);
    EXPECT_EQ(count(), 6);
    key(Qt::Key_Escape);
    // A relative entry with no point before it.
    QTest::keyClick(w, Qt::Key_Escape);
    const int fresh = cadFileNew(0, "");
    ASSERT_GT(fresh, 0);
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    typeIn("@3,4");
    EXPECT_NE(w->coordinateInput(), nullptr);
    EXPECT_EQ(activeDrawing()->entities.size(), 0u);
    EXPECT_FALSE(asked.empty());
}

// A command that takes a value before points.
class ValueCommand final : public Command {
public:
    using Command::Command;
    void start(CommandHost& host) override { host.prompt(19312); }
    bool number(double v) override {
        values.push_back(v);
        return true;
    }
    void point(Vec2 p) override { points.push_back(p); }
    std::vector<double> values;
    std::vector<Vec2> points;
};

TEST_F(SnapTest, ABareNumberGoesFirstToACommandThatTakesValues) {
    auto command = std::make_unique<ValueCommand>(*engine().active());
    ValueCommand* c = command.get();
    w->startCommand(std::move(command));
    typeIn("12.5");
    typeIn("3,4");
    EXPECT_EQ(c->values, std::vector<double>{12.5});
    EXPECT_EQ(c->points, std::vector<Vec2>{(Vec2{3, 4})});
}

TEST(TypedCoordinates, AValueIsOneNumberWithAPointOrADecimalComma) {
    const std::pair<const char*, double> good[] = {{"1,5", 1.5},   {"1.5", 1.5}, {" -0,25 ", -0.25},
                                                   {"22,5", 22.5}, {"3", 3},     {"1e2", 100}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(parseTypedValue(text), value) << text;
    for (const char* bad : {"", "1,5,2", "1.0,5", "1,", ",5", "@1,5", "1<5", "x", "1, 5", "nan"})
        EXPECT_FALSE(parseTypedValue(bad)) << bad;
}

// A command that asks for a value while it waits for points: typed text is a value then.
class AskingValue final : public Command {
public:
    using Command::Command;
    void start(CommandHost& host) override { host.prompt(19347); }
    bool number(double v) override {
        values.push_back(v);
        return true;
    }
    bool asksValue() const override { return true; }
    void point(Vec2 p) override { points.push_back(p); }
    std::vector<double> values;
    std::vector<Vec2> points;
};

TEST_F(SnapTest, WhereAValueIsAskedACommaIsItsDecimalPoint) {
    auto command = std::make_unique<AskingValue>(*engine().active());
    AskingValue* c = command.get();
    w->startCommand(std::move(command));
    typeIn("1,5");
    typeIn("2.25");
    EXPECT_EQ(c->values, (std::vector<double>{1.5, 2.25}));
    // Coordinates are not what is asked: the entry is shown as malformed, with what is.
    typeIn("@1,5");
    ASSERT_NE(w->coordinateInput(), nullptr);
    EXPECT_NE(prompt.find(engine().text(19362)), std::string::npos);
    key(Qt::Key_Escape);
    EXPECT_TRUE(c->points.empty());
    w->cancel();

    // "Skaluj": the base point picked, "1,5" typed is the factor, not the point (1, 5).
    only({});
    cadSelect(1, 4); // the line from (-20, 80) to (30, 80)
    ASSERT_EQ(cadExecute(CAD_CMD_SCALE), 1);
    EXPECT_EQ(prompt, engine().text(19236) + ": " + engine().text(19304));
    clickAt(at({-20, 80}));
    EXPECT_EQ(prompt, engine().text(19236) + ": " + engine().text(19347)) << "says it takes one";
    typeIn("1,5");
    EXPECT_EQ(lineOf(4).a, (Vec2{-20, 80}));
    EXPECT_EQ(lineOf(4).b, (Vec2{55, 80}));
    // "Obróć" likewise: "22,5" is the angle.
    cadSelect(1, 4);
    ASSERT_EQ(cadExecute(CAD_CMD_ROTATE), 1);
    clickAt(at({-20, 80}));
    EXPECT_EQ(prompt, engine().text(19235) + ": " + engine().text(19345));
    typeIn("90");
    EXPECT_NEAR(lineOf(4).b.x, -20, 1e-9);
    EXPECT_NEAR(lineOf(4).b.y, 155, 1e-9);
}

TEST_F(SnapTest, TheFieldStandsInTheStatusBar) {
    int height = 0;
    ASSERT_GT(cadStatBarCreate(&parent, &height), 0);
    showWindow();
    auto* bar = parent.findChild<StatusBar*>(QStringLiteral("cadStatusBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->input()->isVisible());
    type("5"); // nothing asks for a point
    EXPECT_EQ(w->coordinateInput(), nullptr);
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_POINT), 1);
    type("5");
    EXPECT_EQ(w->coordinateInput(), bar->input());
    EXPECT_TRUE(bar->input()->isVisible());
    typeIn(",6");
    EXPECT_FALSE(bar->input()->isVisible());
    ASSERT_EQ(count(), 7);
    EXPECT_EQ(pointOf(6), (Vec2{5, 6}));
    // A click closes it; what was typed goes.
    type("7");
    clickAt(at({-50, -50}));
    EXPECT_FALSE(bar->input()->isVisible());
    ASSERT_EQ(count(), 8);
    EXPECT_EQ(pointOf(7), (Vec2{-50, -50}));
}

} // namespace
