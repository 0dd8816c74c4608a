// The drawing window and the view commands, driven by mouse and key events on the widget.
#include "engine/Engine.h"
#include "engine/view/DrawingWindow.h"
#include "engine/view/ViewDialogs.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <deque>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

class ViewTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        savedAsk = DrawingWindow::askViewName;
    }
    void TearDown() override {
        DrawingWindow::askViewName = savedAsk;
        EngineTest::TearDown();
    }

    // A document with a horizontal line at y = 50 from x = 0 to 100, a window on it, and a
    // view centred on (50, 50) at half a unit a pixel: the line runs along pixel row 150
    // from column 100 to 300.
    DrawingWindow* openWindow() {
        EXPECT_GT(cadFileNew(0, ""), 0);
        addPolyline({0, 50, 100, 50});
        EXPECT_EQ(cadWndCreate(&parent, 13, 0, 0, kWidth, kHeight), 1);
        auto* w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        EXPECT_NE(w, nullptr);
        setView({50, 50}, 0.5);
        return w;
    }
    static void setView(Vec2 centre, double perPixel) {
        Document* d = engine().active();
        d->view.centre = centre;
        d->view.unitsPerPixel = perPixel;
        engine().redraw();
    }
    static View& view() { return engine().active()->view; }

    static void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPointF at,
                      Qt::MouseButtons held = Qt::NoButton) {
        QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void click(QWidget* w, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, at.toPoint());
    }

    QWidget parent;
    std::function<std::optional<std::string>(const std::string&)> savedAsk;
};

// Darkest grey level in a small square around a pixel.
int darkest(const QImage& image, int x, int y) {
    int least = 255;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            least = std::min(least, qGray(image.pixel(x + dx, y + dy)));
    return least;
}

TEST_F(ViewTest, WindowFillsTheGivenSizeAndFollowsResizes) {
    DrawingWindow* w = openWindow();
    EXPECT_EQ(w->objectName(), "cadDrawingWindow");
    EXPECT_EQ(w->parentWidget(), &parent);
    EXPECT_EQ(w->size(), QSize(kWidth, kHeight));
    EXPECT_EQ(view().widthPx, kWidth);
    EXPECT_EQ(view().heightPx, kHeight);
    EXPECT_EQ(cadWndCreate(&parent, 13, 0, 0, 10, 10), 0) << "one window only";
    EXPECT_EQ(cadWndWidget(2), nullptr);

    int width = 0, height = 0;
    EXPECT_TRUE(cadGetWinSize(&parent, width, height));
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_FALSE(cadGetWinSize(nullptr, width, height));

    EXPECT_EQ(cadWndResize(1, 0, 0, 0, 100), 0);
    EXPECT_EQ(cadWndResize(1, 0, 0, 100, -1), 0);
    EXPECT_EQ(w->size(), QSize(kWidth, kHeight));
    EXPECT_EQ(cadWndResize(1, 10, 20, 200, 150), 1);
    EXPECT_EQ(w->geometry(), QRect(10, 20, 200, 150));
    EXPECT_EQ(view().widthPx, 200);
    EXPECT_EQ(view().heightPx, 150);
    EXPECT_EQ(cadWndResize(7, 0, 0, 100, 100), 0);
}

TEST_F(ViewTest, OtherStylesAndNoDocument) {
    EXPECT_EQ(cadWndCreate(&parent, 1, 0, 0, 100, 100), 0);
    ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, 100, 80), 1);
    const QImage image = cadWndWidget(1)->grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 40), QColor(160, 160, 160));
    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_WINDOW), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE_VIEW), 0);
}

TEST_F(ViewTest, ImageShowsTheDrawingAndIsRenderedOnlyAfterChanges) {
    DrawingWindow* w = openWindow();
    QImage image = w->grab().toImage();
    EXPECT_LT(darkest(image, 200, 150), 128) << "the line";
    EXPECT_EQ(darkest(image, 200, 100), 255) << "background away from it";
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));

    const int renders = w->renderCount();
    w->grab();
    EXPECT_EQ(w->renderCount(), renders) << "a repaint without a change reuses the image";

    engine().active()->changeSettings([](DrawingSettings& s) { s.background = 0x0000FF; }); // red
    cadRedraw();
    image = w->grab().toImage();
    EXPECT_EQ(w->renderCount(), renders + 1);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(255, 0, 0));
}

TEST_F(ViewTest, SwitchingTheActiveDocumentShowsTheOther) {
    DrawingWindow* w = openWindow();
    const int first = cadDocGetActive();
    const int second = cadFileNew(0, "");
    addPolyline({50, 0, 50, 100}); // vertical: pixel column 200
    setView({50, 50}, 0.5);
    EXPECT_EQ(view().widthPx, kWidth);
    QImage image = w->grab().toImage();
    EXPECT_LT(darkest(image, 200, 100), 128);
    EXPECT_EQ(darkest(image, 120, 150), 255) << "not the first document's line";

    cadDocSetActive(first);
    image = w->grab().toImage();
    EXPECT_LT(darkest(image, 120, 150), 128);
    EXPECT_EQ(darkest(image, 200, 100), 255);

    cadDocClose(first);
    cadDocClose(second);
    image = w->grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 50), QColor(160, 160, 160));
}

TEST_F(ViewTest, WheelZoomsAboutTheCursor) {
    DrawingWindow* w = openWindow();
    const QPointF at(100, 80);
    const Vec2 under = w->toDrawing(at);
    QWheelEvent in(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &in);
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 0.5 / 1.25);
    EXPECT_NEAR(w->toDrawing(at).x, under.x, 1e-9);
    EXPECT_NEAR(w->toDrawing(at).y, under.y, 1e-9);

    QWheelEvent out(at, w->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &out);
    EXPECT_NEAR(view().unitsPerPixel, 0.5 * 1.25, 1e-12);
    EXPECT_NEAR(w->toDrawing(at).x, under.x, 1e-9);
    EXPECT_NEAR(w->toDrawing(at).y, under.y, 1e-9);
}

TEST_F(ViewTest, MiddleButtonDragPans) {
    DrawingWindow* w = openWindow();
    double cursorX = 0, cursorY = 0;
    engine().onCursor = [&](double x, double y) {
        cursorX = x;
        cursorY = y;
    };
    mouse(w, QEvent::MouseButtonPress, Qt::MiddleButton, {100, 100}, Qt::MiddleButton);
    mouse(w, QEvent::MouseMove, Qt::NoButton, {130, 90}, Qt::MiddleButton);
    EXPECT_DOUBLE_EQ(view().centre.x, 50) << "the view moves when the drag ends";
    EXPECT_DOUBLE_EQ(cursorX, 50 + (130 - 200) * 0.5) << "the cursor is reported while moving";
    EXPECT_DOUBLE_EQ(cursorY, 50 - (90 - 150) * 0.5);
    const QImage during = w->grab().toImage();
    EXPECT_LT(darkest(during, 250, 140), 128) << "the cached image follows the drag";
    EXPECT_EQ(darkest(during, 250, 150), 255);
    EXPECT_EQ(darkest(during, 110, 140), 255) << "the line starts 30 pixels further right";
    mouse(w, QEvent::MouseButtonRelease, Qt::MiddleButton, {150, 120});
    EXPECT_DOUBLE_EQ(view().centre.x, 50 - 50 * 0.5);
    EXPECT_DOUBLE_EQ(view().centre.y, 50 + 20 * 0.5);

    mouse(w, QEvent::MouseMove, Qt::NoButton, {200, 150});
    EXPECT_DOUBLE_EQ(cursorX, view().centre.x);
    EXPECT_DOUBLE_EQ(cursorY, view().centre.y);

    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_PREVIOUS), 1);
    EXPECT_DOUBLE_EQ(view().centre.x, 50);
    EXPECT_DOUBLE_EQ(view().centre.y, 50);
}

TEST_F(ViewTest, PanCommandDragsWithTheLeftButtonUntilRightClick) {
    DrawingWindow* w = openWindow();
    ASSERT_EQ(cadExecute(CAD_CMD_PAN), 1);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Pan);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(120, 90));
    EXPECT_DOUBLE_EQ(view().centre.x, 50 - 20 * 0.5);
    EXPECT_DOUBLE_EQ(view().centre.y, 50 - 10 * 0.5);
    click(w, {10, 10}, Qt::RightButton);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    EXPECT_DOUBLE_EQ(view().centre.x, 40) << "no longer panning";

    ASSERT_EQ(cadExecute(CAD_CMD_PAN), 1);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
}

TEST_F(ViewTest, ZoomWindowByTwoClicks) {
    DrawingWindow* w = openWindow();
    cadSetMsgHandler([](int, int message, int number, int, double, double, void*) {
        if (message != CAD_MSG_TEXT || number != 19302)
            return 0;
        cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "Pierwszy naroznik");
        return 1;
    });
    std::vector<std::string> prompts;
    engine().onPrompt = [&](const std::string& p) { prompts.push_back(p); };

    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_WINDOW), 1);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts.back(), "Pierwszy naroznik");
    click(w, w->toPixel({10, 40}));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::SecondCorner);
    EXPECT_EQ(prompts.back(), cadText(19303));
    w->grab(); // the rubber band
    click(w, w->toPixel({30, 50}));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(prompts.back(), "");

    const Rect r = view().rect();
    EXPECT_NEAR(r.centre().x, 20, 0.01);
    EXPECT_NEAR(r.centre().y, 45, 0.01);
    EXPECT_LE(r.left, 10);
    EXPECT_GE(r.right, 30);
    EXPECT_LE(r.bottom, 40);
    EXPECT_GE(r.top, 50);
    // The picked width fills the window, with a small margin.
    EXPECT_NEAR(r.width(), 20 * 1.05, 0.1);

    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_PREVIOUS), 1);
    EXPECT_DOUBLE_EQ(view().centre.x, 50);
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 0.5);
}

TEST_F(ViewTest, EscapeCancelsZoomWindow) {
    DrawingWindow* w = openWindow();
    std::string prompt = "?";
    engine().onPrompt = [&](const std::string& p) { prompt = p; };
    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_WINDOW), 1);
    EXPECT_EQ(prompt, cadText(19302));
    click(w, {10, 10});
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(prompt, "");
    click(w, {200, 200});
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 0.5);
    EXPECT_DOUBLE_EQ(view().centre.x, 50);
}

TEST_F(ViewTest, ZoomInOutAndSelection) {
    openWindow();
    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_IN), 1);
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 0.25);
    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_OUT), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_OUT), 1);
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 1);
    EXPECT_DOUBLE_EQ(view().centre.x, 50);
    EXPECT_DOUBLE_EQ(view().centre.y, 50);

    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_SELECTION), 0);
    const int box = addPolyline({200, 200, 240, 200, 240, 230});
    cadSelect(1, box);
    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_SELECTION), 1);
    EXPECT_NEAR(view().centre.x, 220, 1e-9);
    EXPECT_NEAR(view().centre.y, 215, 1e-9);
    EXPECT_NEAR(view().rect().width(), 40 * 1.05, 1e-6);
}

TEST_F(ViewTest, SavedViewsComeBackAndCanBeRenamedAndDeleted) {
    openWindow();
    std::deque<std::optional<std::string>> names = {"Widok 1", std::nullopt, "Plan"};
    DrawingWindow::askViewName = [&](const std::string&) {
        auto n = names.front();
        names.pop_front();
        return n;
    };
    ASSERT_EQ(cadExecute(CAD_CMD_SAVE_VIEW), 1);
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE_VIEW), 0) << "cancelled";
    setView({500, 600}, 3);

    Document* d = engine().active();
    {
        ViewsDialog dialog(d->handle);
        ASSERT_EQ(dialog.list()->count(), 1);
        EXPECT_EQ(dialog.list()->item(0)->text(), "Widok 1");
        QTest::mouseClick(dialog.findChild<QPushButton*>("rename"), Qt::LeftButton);
        EXPECT_EQ(dialog.list()->item(0)->text(), "Plan");
        QTest::mouseClick(dialog.findChild<QPushButton*>("show"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_DOUBLE_EQ(view().centre.x, 50);
    EXPECT_DOUBLE_EQ(view().centre.y, 50);
    EXPECT_DOUBLE_EQ(view().unitsPerPixel, 0.5);
    ASSERT_EQ(d->savedViews.size(), 1u);
    EXPECT_EQ(d->savedViews[0].first, "Plan");
    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_PREVIOUS), 1);
    EXPECT_DOUBLE_EQ(view().centre.x, 500);
    {
        ViewsDialog dialog(d->handle);
        QTest::mouseClick(dialog.findChild<QPushButton*>("delete"), Qt::LeftButton);
        EXPECT_EQ(dialog.list()->count(), 0);
        QTest::mouseClick(dialog.findChild<QPushButton*>("show"), Qt::LeftButton);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(d->savedViews.empty());
}

TEST_F(ViewTest, ViewNameDialogGivesTheTypedName) {
    ViewNameDialog dialog(nullptr, "");
    auto* edit = dialog.findChild<QLineEdit*>("name");
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromUtf8("Przekrój"));
    EXPECT_EQ(dialog.name(), "Przekr\xF3j");
}

TEST_F(ViewTest, GridTogglesAndSnapsPickedCorners) {
    DrawingWindow* w = openWindow();
    const DrawingSettings& s = activeDrawing()->settings;
    ASSERT_EQ(cadExecute(CAD_CMD_SHOW_GRID), 1);
    EXPECT_TRUE(s.gridShown);
    w->grab();
    ASSERT_EQ(cadExecute(CAD_CMD_SHOW_GRID), 1);
    EXPECT_FALSE(s.gridShown);

    GridDialog dialog(s);
    dialog.findChild<QDoubleSpinBox*>("stepX")->setValue(5);
    dialog.findChild<QDoubleSpinBox*>("stepY")->setValue(2);
    dialog.findChild<QDoubleSpinBox*>("originX")->setValue(1);
    dialog.findChild<QCheckBox*>("snap")->setChecked(true);
    dialog.findChild<QCheckBox*>("show")->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    engine().active()->changeSettings([&](DrawingSettings& t) { dialog.applyTo(t); });
    EXPECT_TRUE(s.gridSnap);
    EXPECT_TRUE(s.gridShown);
    EXPECT_DOUBLE_EQ(s.gridStepX, 5);
    EXPECT_DOUBLE_EQ(s.gridStepY, 2);
    EXPECT_DOUBLE_EQ(s.gridOriginX, 1);
    EXPECT_EQ(dialog.findChild<QComboBox*>("kind")->count(), 6);
    const QImage image = w->grab().toImage();
    EXPECT_NE(image.pixelColor(w->toPixel({11, 40}).toPoint()), QColor(Qt::white)) << "a node";
    EXPECT_EQ(image.pixelColor(w->toPixel({12, 41}).toPoint()), QColor(Qt::white));

    GridDialog lines(s);
    lines.findChild<QComboBox*>("kind")->setCurrentIndex(3);
    lines.setColor(0x0000FF);
    engine().active()->changeSettings([&](DrawingSettings& t) { lines.applyTo(t); });
    EXPECT_EQ(s.gridKind, 3);
    EXPECT_EQ(s.gridColor, 0x0000FFu);
    EXPECT_DOUBLE_EQ(s.gridStepX, 5) << "the rest as it was";
    cadRedraw();
    EXPECT_EQ(w->grab().toImage().pixelColor(w->toPixel({11, 41}).toPoint()), QColor(255, 0, 0))
        << "a red grid line";

    EXPECT_NEAR(w->snap({12.4, 40.9}).x, 11, 1e-12);
    EXPECT_NEAR(w->snap({12.4, 40.9}).y, 40, 1e-12);

    double cursorX = 0;
    engine().onCursor = [&](double x, double) { cursorX = x; };
    mouse(w, QEvent::MouseMove, Qt::NoButton, w->toPixel({17.5, 3}));
    EXPECT_NEAR(cursorX, 16, 1e-9);

    ASSERT_EQ(cadExecute(CAD_CMD_ZOOM_WINDOW), 1);
    click(w, w->toPixel({12.4, 40.6})); // pixels round these to (12.5, 40.5) and (30.5, 49.5)
    click(w, w->toPixel({30.6, 49.4}));
    EXPECT_NEAR(view().centre.x, (11 + 31) / 2.0, 1e-9);
    EXPECT_NEAR(view().centre.y, (40 + 50) / 2.0, 1e-9);
}

TEST_F(ViewTest, NavigatorCentresTheViewWhereClicked) {
    DrawingWindow* w = openWindow();
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    NavigatorWindow* n = w->navigator();
    ASSERT_NE(n, nullptr);
    EXPECT_TRUE(n->isVisible());
    EXPECT_TRUE(n->isWindow());
    n->grab();
    const QPointF at = n->toPixel({80, 50});
    QTest::mouseClick(n, Qt::LeftButton, Qt::NoModifier, at.toPoint());
    EXPECT_NEAR(view().centre.x, 80, 1);
    EXPECT_NEAR(view().centre.y, 50, 1);
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    EXPECT_FALSE(n->isVisible());
}

TEST_F(ViewTest, NavigatorOpensInsideTheDrawingArea) {
    parent.move(300, 200); // the main window somewhere on the screen
    DrawingWindow* w = openWindow();
    const auto area = [w] { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    NavigatorWindow* n = w->navigator();
    ASSERT_NE(n, nullptr);
    EXPECT_TRUE(area().contains(n->frameGeometry())) << "not over the menus above the area";
    EXPECT_GT(n->width(), 100);
    // Hidden, the main window moved, opened again: inside the area where it is now.
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    parent.move(20, 600);
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    EXPECT_TRUE(n->isVisible());
    EXPECT_TRUE(area().contains(n->frameGeometry()));
    // A small drawing area gets a smaller navigator.
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    parent.resize(150, 120);
    cadWndResize(1, 0, 0, 150, 120);
    ASSERT_EQ(cadExecute(CAD_CMD_NAVIGATOR), 1);
    EXPECT_TRUE(area().contains(n->frameGeometry()));
}

} // namespace
