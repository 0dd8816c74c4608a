// The drawing commands driven by clicks in the drawing window: each makes exactly one entity
// of the geometry picked, which one undo takes back.
#include "engine/Engine.h"
#include "engine/commands/DrawDialogs.h"
#include "engine/model/Measure.h"
#include "engine/model/Spline.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <cmath>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// A window at one unit a pixel with the drawing's origin in its centre, and points picked by
// clicks at whole pixels.
class DrawCommandsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadLayerAdd("drogi", 0.35, 0x0000FF, 0x0000FF);
        cadLayerActive(1);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
        savedModal = showModal;
    }
    void TearDown() override {
        showModal = savedModal;
        EngineTest::TearDown();
    }

    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, w->toPixel(p).toPoint());
    }
    // Runs a command, clicks the points, and returns the one entity it made.
    int draw(int command, std::initializer_list<Vec2> points, bool enter = false) {
        const std::size_t before = liveCount();
        EXPECT_EQ(cadExecute(command), 1);
        for (const Vec2 p : points)
            click(p);
        if (enter)
            QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClick(w, Qt::Key_Escape);
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_EQ(liveCount(), before + 1) << "exactly one entity";
        return last();
    }
    static std::size_t liveCount() {
        std::size_t n = 0;
        const Drawing& d = *activeDrawing();
        for (std::size_t h = 0; h < d.entities.size(); ++h)
            n += d.inModelSpace(static_cast<int>(h));
        return n;
    }
    static int last() {
        const Drawing& d = *activeDrawing();
        for (std::size_t h = d.entities.size(); h-- > 0;)
            if (d.inModelSpace(static_cast<int>(h)))
                return static_cast<int>(h);
        return -1;
    }
    static const Entity& at(int h) {
        return activeDrawing()->entities[static_cast<std::size_t>(h)];
    }
    // One undo takes it back.
    void expectOneUndo(int h) {
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
        EXPECT_FALSE(activeDrawing()->valid(h));
        ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
        EXPECT_TRUE(activeDrawing()->valid(h));
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::function<int(QDialog&)> savedModal;
};

void expectNear(Vec2 a, Vec2 b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST_F(DrawCommandsTest, PointsLinesAndRectanglesTakeThePickedPoints) {
    const int point = draw(CAD_CMD_DRAW_POINT, {{10, 20}});
    expectNear(activeDrawing()->points[at(point).first].p, {10, 20});
    EXPECT_EQ(at(point).layer, 1) << "the active layer";
    expectOneUndo(point);

    // Line after line from the end of the one before: three picks, two lines, two steps.
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_LINE), 1);
    click({0, 0});
    click({50, 0});
    click({50, 40});
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    const Drawing& d = *activeDrawing();
    const int second = last();
    expectNear(d.lines[at(second).first].a, {50, 0});
    expectNear(d.lines[at(second).first].b, {50, 40});
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(d.valid(second));
    EXPECT_TRUE(d.valid(second - 1)) << "each segment is a step of its own";

    const int rect = draw(CAD_CMD_DRAW_RECTANGLE, {{-20, 10}, {30, -30}});
    const RectangleData& r = d.rectangles[at(rect).first];
    expectNear(r.centre, {5, -10});
    EXPECT_DOUBLE_EQ(r.width, 50);
    EXPECT_DOUBLE_EQ(r.height, 40);
    expectOneUndo(rect);
}

TEST_F(DrawCommandsTest, CirclesOfEveryForm) {
    const Drawing& d = *activeDrawing();
    const int radius = draw(CAD_CMD_DRAW_CIRCLE, {{10, 10}, {40, 50}});
    expectNear(d.circles[at(radius).first].centre, {10, 10});
    EXPECT_DOUBLE_EQ(d.circles[at(radius).first].radius, 50);
    const int diameter = draw(CAD_CMD_DRAW_CIRCLE_DIAMETER, {{10, 10}, {40, 50}});
    EXPECT_DOUBLE_EQ(d.circles[at(diameter).first].radius, 25);
    const int across = draw(CAD_CMD_DRAW_CIRCLE_2P, {{-40, 0}, {40, 0}});
    expectNear(d.circles[at(across).first].centre, {0, 0});
    EXPECT_DOUBLE_EQ(d.circles[at(across).first].radius, 40);
    // Through three points: each lies on it.
    const int three = draw(CAD_CMD_DRAW_CIRCLE_3P, {{0, 0}, {60, 10}, {20, 70}});
    const CircleData& c = d.circles[at(three).first];
    for (const Vec2 p : {Vec2{0, 0}, Vec2{60, 10}, Vec2{20, 70}})
        EXPECT_NEAR(distance(c.centre, p), c.radius, 1e-9);
    expectOneUndo(three);
    // Three points on a line make no circle.
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_CIRCLE_3P), 1);
    const std::size_t before = liveCount();
    click({0, 0});
    click({10, 10});
    click({20, 20});
    EXPECT_EQ(liveCount(), before);
}

TEST_F(DrawCommandsTest, ArcsRunTheWayThePointsWerePicked) {
    const Drawing& d = *activeDrawing();
    // Centre, start, end: counter-clockwise from the start's direction to the end's.
    const int cse = draw(CAD_CMD_DRAW_ARC, {{0, 0}, {50, 0}, {0, 80}});
    const ArcData& a = d.arcs[at(cse).first];
    EXPECT_DOUBLE_EQ(a.radius, 50);
    EXPECT_NEAR(a.startAngle, 0, 1e-9);
    EXPECT_NEAR(a.endAngle, 90, 1e-9);
    expectOneUndo(cse);

    // Start, a point between, end, picked clockwise: the arc passes the middle point.
    const int sme = draw(CAD_CMD_DRAW_ARC_SME, {{0, 50}, {50, 0}, {0, -50}});
    const ArcData& b = d.arcs[at(sme).first];
    expectNear(b.centre, {0, 0});
    EXPECT_NEAR(b.startAngle, 270, 1e-9);
    EXPECT_NEAR(b.endAngle, 90, 1e-9);
    // Start, end, a point between: the same points picked in that order.
    const int sem = draw(CAD_CMD_DRAW_ARC_SEM, {{0, 50}, {0, -50}, {-50, 0}});
    const ArcData& c = d.arcs[at(sem).first];
    EXPECT_NEAR(c.startAngle, 90, 1e-9);
    EXPECT_NEAR(c.endAngle, 270, 1e-9);
    EXPECT_NEAR(distanceToEntity(d, sem, {-50, 0}).value_or(1), 0, 1e-6);
}

TEST_F(DrawCommandsTest, PolylinesSplinesEllipsesAndSectors) {
    const Drawing& d = *activeDrawing();
    // Ended by Enter: open; by picking the first point again: closed.
    const int open = draw(CAD_CMD_DRAW_POLYLINE, {{0, 0}, {40, 0}, {40, 30}}, true);
    EXPECT_EQ(at(open).count, 3u);
    EXPECT_FALSE(at(open).has(EntityFlag::Closed));
    const int closed = draw(CAD_CMD_DRAW_POLYLINE, {{0, 0}, {40, 0}, {40, 30}, {0, 0}});
    EXPECT_EQ(at(closed).count, 3u);
    EXPECT_TRUE(at(closed).has(EntityFlag::Closed));
    // Backspace drops the last point; "Z" closes.
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_POLYLINE), 1);
    for (const Vec2 p : {Vec2{0, 0}, Vec2{10, 0}, Vec2{99, 99}})
        click(p);
    QTest::keyClick(w, Qt::Key_Backspace);
    click({10, 10});
    QTest::keyClick(w, Qt::Key_Z);
    QTest::keyClick(w, Qt::Key_Escape);
    const Entity& z = at(last());
    EXPECT_TRUE(z.has(EntityFlag::Closed));
    EXPECT_EQ(z.count, 3u);
    expectOneUndo(last());

    // The spline passes through every picked point.
    const int spline = draw(CAD_CMD_DRAW_SPLINE, {{-60, 0}, {-20, 40}, {20, -30}, {60, 10}}, true);
    const auto fit = cadPolylineVertices(spline);
    ASSERT_EQ(fit.size(), 8u);
    std::vector<Vec2> curve;
    const std::vector<Vec2> points = {{-60, 0}, {-20, 40}, {20, -30}, {60, 10}};
    splinePoints(points, false, 0.01, curve);
    for (const Vec2 p : points)
        EXPECT_TRUE(std::find(curve.begin(), curve.end(), p) != curve.end());

    // Ellipse: centre, the end of one axis, then how far the other reaches.
    const int ellipse = draw(CAD_CMD_DRAW_ELLIPSE, {{0, 0}, {0, 50}, {20, 10}});
    const EllipseData& e = d.ellipses[at(ellipse).first];
    EXPECT_DOUBLE_EQ(e.radiusX, 50);
    EXPECT_NEAR(e.radiusY, 20, 1e-9);
    EXPECT_NEAR(e.rotation, 90, 1e-9);

    const int sector = draw(CAD_CMD_DRAW_SECTOR, {{0, 0}, {30, 0}, {0, 30}});
    EXPECT_TRUE(d.valid(sector));
    expectOneUndo(sector);
}

TEST_F(DrawCommandsTest, TextsOfSeveralLinesAreOneStep) {
    showModal = [](QDialog& dialog) {
        auto& text = static_cast<TextDialog&>(dialog);
        text.textEdit()->setPlainText(QString::fromUtf8("KM 0+100\nŁódź"));
        text.heightBox()->setValue(3);
        text.accept();
        return dialog.result();
    };
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_TEXT), 1);
    click({10, 20});
    const Drawing& d = *activeDrawing();
    const int second = last();
    const TextSpec lower = d.textSpec(at(second));
    const TextSpec upper = d.textSpec(at(second - 1));
    EXPECT_EQ(upper.text, "KM 0+100");
    EXPECT_EQ(lower.text, "\xa3\xf3\x64\x9f");
    expectNear(upper.p, {10, 20});
    EXPECT_NEAR(lower.p.y, 20 - 5, 1e-9) << "a line and two thirds lower";
    EXPECT_EQ(upper.height, 3);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(d.valid(second) || d.valid(second - 1));
}

TEST_F(DrawCommandsTest, HatchesFillPickedBoundariesAndThePointInsideAnArea) {
    const int outer = addPolyline({-80, -80, 80, -80, 80, 80, -80, 80}, true);
    const int island = cadAddCircle(0, 0, 20);
    showModal = [](QDialog& dialog) {
        auto& hatch = static_cast<HatchDialog&>(dialog);
        hatch.list()->setCurrentItem(hatch.list()->topLevelItem(2)); // ANSI37
        hatch.scaleBox()->setValue(2);
        hatch.accept();
        return dialog.result();
    };
    // A point between the square and the circle: the square with the circle as an island.
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_HATCH), 1);
    click({50, 50});
    QTest::keyClick(w, Qt::Key_Return);
    const Drawing& d = *activeDrawing();
    const int hatch = last();
    ASSERT_EQ(at(hatch).type, EntityType::Hatch);
    const HatchData& h = d.hatches[at(hatch).first];
    EXPECT_EQ(h.loopCount, 2u);
    EXPECT_EQ(d.pooled(h.pattern), "ANSI37");
    EXPECT_DOUBLE_EQ(h.scale, 2);
    const double area = measureEntity(d, hatch)->area.value_or(0);
    EXPECT_NEAR(area, 160.0 * 160 - kPi * 400, 0.5) << "the island is a hole";
    expectOneUndo(hatch);
    // Picking the circle's outline hatches the circle alone.
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_HATCH), 1);
    click({20, 0});
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(d.hatches[at(last()).first].loopCount, 1u);
    (void)outer;
    (void)island;
}

TEST_F(DrawCommandsTest, BlocksAreInsertedWhereAndAsLargeAsPicked) {
    cadBlockBegin();
    cadAddLine(0, 0, 10, 0);
    const int block = cadBlockAdd("znak", 0, 0);
    showModal = [](QDialog& dialog) {
        auto& blocks = static_cast<BlockDialog&>(dialog);
        blocks.list()->setCurrentRow(0);
        blocks.accept();
        return dialog.result();
    };
    ASSERT_EQ(cadExecute(CAD_CMD_INSERT_BLOCK), 1);
    click({20, 30});  // where
    click({20, 33});  // scale 3
    click({20, 100}); // turned a quarter
    QTest::keyClick(w, Qt::Key_Escape);
    const Drawing& d = *activeDrawing();
    const InsertData& in = d.inserts[at(last()).first];
    EXPECT_EQ(in.block, block);
    expectNear(in.p, {20, 30});
    EXPECT_DOUBLE_EQ(in.scaleX, 3);
    EXPECT_NEAR(in.angle, 90, 1e-9);
    // Enter takes scale 1 and no turn.
    ASSERT_EQ(cadExecute(CAD_CMD_INSERT_BLOCK), 1);
    click({-20, -30});
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Escape);
    const InsertData& plain = d.inserts[at(last()).first];
    EXPECT_EQ(plain.scaleX, 1);
    EXPECT_EQ(plain.angle, 0);
    expectOneUndo(last());

    // With no blocks in the drawing the person is told so.
    ASSERT_GT(cadFileNew(0, ""), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_INSERT_BLOCK), 0);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(responder->messages[0].text, engine().text(10511));
}

TEST_F(DrawCommandsTest, ImagesKeepTheirProportionsAndUnreadableOnesAreRefused) {
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(path("mapa.png"))));
    responder->openAnswers = {path("mapa.png")};
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_IMAGE), 1);
    click({0, 0});
    click({100, 20});
    const ImageData& im = activeDrawing()->images[at(last()).first];
    EXPECT_DOUBLE_EQ(im.width, 100);
    EXPECT_DOUBLE_EQ(im.height, 50) << "two to one, as the picture";
    expectOneUndo(last());

    responder->openAnswers = {path("nic.png")};
    EXPECT_EQ(cadExecute(CAD_CMD_DRAW_IMAGE), 0);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_TRUE(responder->messages[0].error);
}

TEST_F(DrawCommandsTest, EscapeStepsBackThenEndsAndLeavesNothing) {
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_CIRCLE_3P), 1);
    const std::size_t before = liveCount();
    click({0, 0});
    click({10, 0});
    QTest::keyClick(w, Qt::Key_Escape); // back to the second point
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    click({0, 10});
    click({-10, 0});
    EXPECT_EQ(liveCount(), before + 1) << "the circle through (0,0), (0,10), (-10,0)";
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_POLYLINE), 1);
    click({0, 0});
    click({10, 0});
    click({10, 10});
    QTest::keyClick(w, Qt::Key_Escape); // the last point goes, the polyline stays
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    click({20, 10});
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command) << "one point back a key";
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(liveCount(), before + 1) << "a polyline never ended adds nothing";
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
}

} // namespace

namespace {

TEST_F(DrawCommandsTest, ASignIsProposedTheScaleThatPrintsItAtItsSizeOnPaper) {
    // A sign drawn in millimetres of the real sign, 834 wide; a plan in metres printed 1:500.
    cadBlockBegin();
    cadAddLine(-417, 0, 417, 0);
    cadAddLine(0, 0, 0, 700);
    cadBlockAdd("A-1", 0, 0);
    cadBlockBegin();
    cadAddCircle(0, 0, 3);
    cadBlockAdd("drzewo", 0, 0);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4);
    cadBlockPaperSize("A-1", 10);
    // The drawing's print scale, whatever the last print's dialog had.
    sessionPrintSettings().scale = 250;
    ASSERT_TRUE(setPrintScale(*engine().active(), 500));
    const double proposed = 10.0 * 500 / (834 * 1000);
    QString printed;
    showModal = [&](QDialog& dialog) {
        auto& blocks = static_cast<BlockDialog&>(dialog);
        // A block the program named no size for: its scale is picked after the point.
        blocks.list()->setCurrentRow(1);
        EXPECT_EQ(blocks.scaleField()->text(), QString());
        EXPECT_FALSE(blocks.scale());
        blocks.list()->setCurrentRow(0);
        EXPECT_NEAR(blocks.scaleField()->text().toDouble(), proposed, proposed * 1e-3);
        printed = dialog.findChild<QLabel*>(QStringLiteral("cadBlockDialogPrinted"))->text();
        blocks.accept();
        return dialog.result();
    };
    ASSERT_EQ(cadExecute(CAD_CMD_INSERT_BLOCK), 1);
    EXPECT_EQ(printed, QStringLiteral("At the print scale 1:500 it prints 10 mm long on paper "
                                      "(5.000 in the drawing)"));
    // Put down where clicked at that scale; only the turn is asked.
    click({20, 30});
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Escape);
    const InsertData& in = activeDrawing()->inserts[activeDrawing()->entities[last()].first];
    EXPECT_NEAR(in.scaleX, proposed, proposed * 1e-3);
    EXPECT_EQ(in.angle, 0);
    sessionPrintSettings() = PrintSettings{};
    EXPECT_NEAR(scaleForPaperSize(834, 10, 2, 100), 10.0 * 100 / 834, 1e-12) << "millimetres";
    EXPECT_NEAR(printedSize(834, 0.006, 4, 500), 10.008, 1e-9);
}

TEST_F(DrawCommandsTest, ThePictureIsChosenInTheDrawingsFolder) {
    ASSERT_EQ(cadFileSave(path("plan.rdw"), CAD_FORMAT_NATIVE), 1);
    responder->openAnswers = {std::nullopt};
    EXPECT_EQ(cadExecute(CAD_CMD_DRAW_IMAGE), 0);
    ASSERT_EQ(responder->openFolders.size(), 1u);
    EXPECT_EQ(responder->openFolders[0], dir.path().toStdString());
}

} // namespace
