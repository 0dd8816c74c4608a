// Measuring: the geometry, and the command driven through the drawing window.
#include "engine/model/Measure.h"
#include "engine/Engine.h"
#include "engine/edit/ChangeSet.h"
#include "engine/model/Dimension.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/Spline.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace cad;

namespace {

const std::vector<Vec2> kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

TEST(Measure, LengthsAndAreas) {
    EXPECT_DOUBLE_EQ(pathLength(kSquare), 30);
    EXPECT_DOUBLE_EQ(pathLength(kSquare, true), 40);
    EXPECT_DOUBLE_EQ(signedArea(kSquare), 100) << "anticlockwise";
    const std::vector<Vec2> clockwise(kSquare.rbegin(), kSquare.rend());
    EXPECT_DOUBLE_EQ(signedArea(clockwise), -100);
    EXPECT_DOUBLE_EQ(polygonArea(clockwise), 100);
    EXPECT_DOUBLE_EQ(polygonArea(std::vector<Vec2>{{0, 0}, {5, 5}}), 0);
    const std::vector<Vec2> far = {{1e7, 1e7}, {1e7 + 3, 1e7}, {1e7, 1e7 + 4}};
    EXPECT_DOUBLE_EQ(polygonArea(far), 6);
    EXPECT_DOUBLE_EQ(distanceToSegment({5, 3}, {0, 0}, {10, 0}), 3);
    EXPECT_DOUBLE_EQ(distanceToSegment({13, 4}, {0, 0}, {10, 0}), 5);
}

TEST(Measure, AnglesInAllQuadrants) {
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {1, 0}), 0);
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {1, 1}), 45);
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {-1, 1}), 135);
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {-1, 0}), 180);
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {-1, -1}), 225);
    EXPECT_DOUBLE_EQ(segmentAngle({0, 0}, {0, -2}), 270);
    EXPECT_DOUBLE_EQ(segmentAngle({2, 2}, {2, 2}), 0);
    EXPECT_DOUBLE_EQ(arcSweep(350, 10), 20);
    EXPECT_DOUBLE_EQ(arcSweep(30, 30), 360);
}

TEST(Measure, Entities) {
    Drawing d;
    const int circle = d.addCircle({{5, 5}, 2});
    const int arc = d.addArc({{0, 0}, 3, 0, 90});
    const int line = d.addLine({{0, 0}, {0, -4}});
    const int open = d.addPolyline(kSquare.data(), kSquare.size(), false);
    const int closed = d.addPolyline(kSquare.data(), kSquare.size(), true);
    const int ellipse = d.addEllipse({{0, 0}, 3, 3, 30, 0, 360});
    const int text = d.addText({});

    EXPECT_NEAR(measureEntity(d, circle)->length, 4 * kPi, 1e-12);
    EXPECT_NEAR(*measureEntity(d, circle)->area, 4 * kPi, 1e-12);
    EXPECT_NEAR(measureEntity(d, arc)->length, 1.5 * kPi, 1e-12);
    EXPECT_FALSE(measureEntity(d, arc)->area);
    EXPECT_DOUBLE_EQ(measureEntity(d, line)->length, 4);
    EXPECT_DOUBLE_EQ(*measureEntity(d, line)->angle, 270);
    EXPECT_DOUBLE_EQ(measureEntity(d, open)->length, 30);
    EXPECT_FALSE(measureEntity(d, open)->area);
    EXPECT_DOUBLE_EQ(measureEntity(d, closed)->length, 40);
    EXPECT_DOUBLE_EQ(*measureEntity(d, closed)->area, 100);
    EXPECT_NEAR(measureEntity(d, ellipse)->length, 6 * kPi, 1e-9);
    const std::vector<Vec2> withHole = {{0, 0}, {10, 0}, {10, 10}, {0, 10},
                                        {4, 4}, {4, 6},  {6, 6},   {6, 4}};
    HatchSpec loops;
    loops.loops = {4, 4};
    const int hatch = d.addHatch(withHole.data(), withHole.size(), loops);
    EXPECT_DOUBLE_EQ(*measureEntity(d, hatch)->area, 96);
    EXPECT_DOUBLE_EQ(measureEntity(d, hatch)->length, 48);
    const int rectangle = d.addRectangle({{0, 0}, 4, 3, 90});
    EXPECT_DOUBLE_EQ(*measureEntity(d, rectangle)->area, 12);
    EXPECT_NEAR(*distanceToEntity(d, rectangle, {0, 3}), 1, 1e-12) << "turned: 3 wide, 4 high";
    EXPECT_FALSE(measureEntity(d, text));
    EXPECT_FALSE(measureEntity(d, 99));

    EXPECT_NEAR(*distanceToEntity(d, circle, {5, 8}), 1, 1e-12);
    EXPECT_NEAR(*distanceToEntity(d, arc, {0, 5}), 2, 1e-12);
    EXPECT_NEAR(*distanceToEntity(d, arc, {6, -4}), 5, 1e-12) << "nearest end, (3, 0)";
    EXPECT_DOUBLE_EQ(*distanceToEntity(d, closed, {-1, 5}), 1) << "the closing side";
    EXPECT_FALSE(distanceToEntity(d, text, {0, 0}));
}

TEST(Measure, LabelsShowValuesAsDimensionsDo) {
    // A new drawing's style: two decimals after a comma, never "-0".
    EXPECT_EQ(measurementLabel(12.3456, MeasuredKind::Length), "12,35");
    EXPECT_EQ(measurementLabel(1250.5, MeasuredKind::Area), "1250,50");
    EXPECT_EQ(measurementLabel(-0.001, MeasuredKind::TotalLength), "0,00");
    DimensionStyle s;
    s.decimals = 3;
    s.suppressTrailingZeros = true;
    s.decimalSeparator = '.';
    s.scaleValue = 2;
    EXPECT_EQ(measurementLabel(1.25, MeasuredKind::Perimeter, s), "2.5");
    EXPECT_EQ(measurementLabel(1.25, MeasuredKind::Area, s), "5") << "by the scale's square";
    s.roundOff = 0.5;
    EXPECT_EQ(measurementLabel(1.3, MeasuredKind::Length, s), "2.5");
    EXPECT_EQ(measurementLabel(1.3, MeasuredKind::Area, s), "5.2") << "areas are not rounded off";
}

TEST(Measure, SplinesAndSectors) {
    Drawing d;
    // Points on a line at chord-length steps: the curve is the line itself.
    const std::vector<Vec2> straight = {{0, 0}, {1, 0}, {3, 0}, {7, 0}};
    const int line = d.addSpline(straight.data(), straight.size(), false);
    EXPECT_NEAR(measureEntity(d, line)->length, 7, 1e-12);
    EXPECT_FALSE(measureEntity(d, line)->area);

    // A curve: its length and area are those of the curve, not of the chords between its
    // points (compared with a path of 256 chords a span, a little shorter than the curve).
    const std::vector<Vec2> wave = {{0, 0}, {10, 12}, {25, -4}, {32, 9}, {50, 2}};
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "open");
        const int h = d.addSpline(wave.data(), wave.size(), closed);
        std::vector<Vec2> fine;
        splinePoints(wave, closed, 1e-6, fine);
        const auto m = measureEntity(d, h);
        ASSERT_TRUE(m);
        EXPECT_GE(m->length, pathLength(fine));
        EXPECT_NEAR(m->length, pathLength(fine), 2e-5 * m->length);
        EXPECT_GT(m->length, pathLength(wave, closed) + 1);
        EXPECT_EQ(m->area.has_value(), closed);
        if (closed) {
            EXPECT_NEAR(*m->area, polygonArea(fine), 1e-4 * *m->area);
        }
        EXPECT_NEAR(*distanceToEntity(d, h, fine[fine.size() / 3]), 0, 1e-6);
        EXPECT_NEAR(*distanceToEntity(d, h, {wave[1].x, wave[1].y + 2}), 2, 0.5);
    }

    // A sector: the arc and its two radii, the area of a slice of the circle.
    const int quarter = d.addSector({{0, 0}, 2, 90, 180});
    EXPECT_NEAR(measureEntity(d, quarter)->length, 4 + kPi, 1e-12);
    EXPECT_NEAR(*measureEntity(d, quarter)->area, kPi, 1e-12);
    const int whole = d.addSector({{0, 0}, 2, 30, 30});
    EXPECT_NEAR(measureEntity(d, whole)->length, 4 * kPi + 4, 1e-12);
    EXPECT_NEAR(*measureEntity(d, whole)->area, 4 * kPi, 1e-12);
    EXPECT_NEAR(*distanceToEntity(d, quarter, {-1, 0}), 0, 1e-12) << "on a radius";
    EXPECT_NEAR(*distanceToEntity(d, quarter, {1, 1}), 1, 1e-12) << "beside the radius along y";
    EXPECT_NEAR(*distanceToEntity(d, quarter, {-3, 3}), 3 * std::sqrt(2.0) - 2, 1e-12);
}

constexpr int kWidth = 400, kHeight = 300;

// True when a pixel of that colour lies within two pixels of `at`.
bool near(const QImage& image, QPointF at, const QColor& color) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (image.pixelColor(at.toPoint() + QPoint(dx, dy)) == color)
                return true;
    return false;
}

// The command in a window showing (0, 0) to (200, 150) at half a unit a pixel.
class MeasureCommandTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        circle = cadAddCircle(150, 100, 10);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, kWidth, kHeight), 1);
        w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        ASSERT_NE(w, nullptr);
        Document* d = engine().active();
        d->view.centre = {100, 75};
        d->view.unitsPerPixel = 0.5;
        d->saved();
        engine().onPrompt = [this](const std::string& p) { prompt = p; };
    }

    void click(Vec2 at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, w->toPixel(at).toPoint());
    }
    QWidget* panel() const { return w->findChild<QWidget*>("cadMeasure"); }
    QString value(const char* name) const {
        auto* label = panel()->findChild<QLabel*>(name);
        return label ? label->text() : QStringLiteral("(none)");
    }
    void press(const char* button) {
        QTest::mouseClick(panel()->findChild<QPushButton*>(button), Qt::LeftButton);
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    int circle = -1;
    std::string prompt;
};

TEST_F(MeasureCommandTest, PickedPointsShowDistancesAngleAndArea) {
    EXPECT_TRUE(cadCommandExists(CAD_CMD_MEASURE));
    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_TRUE(panel()->isWindow());
    EXPECT_EQ(panel()->windowTitle(), "Distance/Area");
    EXPECT_EQ(prompt, "First point");

    click({10, 10});
    EXPECT_EQ(prompt, "Next point");
    EXPECT_EQ(value("cadMeasureTotal"), "0.000");
    EXPECT_EQ(value("cadMeasureDistance"), "");
    click({40, 50});
    EXPECT_EQ(value("cadMeasureDistance"), "50.000");
    EXPECT_EQ(value("cadMeasureAngle"), "53.130");
    EXPECT_EQ(value("cadMeasureArea"), "") << "two points enclose nothing";
    const QPointF cursor = w->toPixel({10, 50});
    QMouseEvent move(QEvent::MouseMove, cursor, w->mapToGlobal(cursor), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    const QImage image = w->grab().toImage();
    EXPECT_TRUE(near(image, w->toPixel({25, 30}), QColor(255, 0, 255))) << "the picked line";
    EXPECT_TRUE(near(image, w->toPixel({25, 50}), QColor(Qt::gray))) << "the rubber band";
    click({10, 50});
    EXPECT_EQ(value("cadMeasureDistance"), "30.000");
    EXPECT_EQ(value("cadMeasureTotal"), "80.000");
    EXPECT_EQ(value("cadMeasureAngle"), "180.000");
    EXPECT_EQ(value("cadMeasureArea"), "600.000");
    EXPECT_EQ(value("cadMeasureTotalArea"), "600.000");

    // The measurement ends; what it found stays to be read until the window is closed.
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(prompt, "");
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(value("cadMeasureTotal"), "80.000");
    EXPECT_EQ(value("cadMeasureArea"), "600.000");
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    EXPECT_EQ(activeDrawing()->entities.size(), 1u);
}

TEST_F(MeasureCommandTest, TheWindowStaysWithItsValuesToCopyUntilClosed) {
    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    for (Vec2 p : {Vec2{0, 0}, Vec2{10, 0}, Vec2{10, 10}})
        click(p);
    click({0, 0}, Qt::RightButton);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    ASSERT_TRUE(panel() && panel()->isVisible());
    // Every value that has one, a line each, to paste elsewhere.
    QGuiApplication::clipboard()->clear();
    press("cadMeasureCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("Distance:\t10.000\nTotal:\t20.000\nAngle:\t90.000\n"
                             "Area:\t50.000\nPerimeter:\t34.142\nTotal area:\t50.000"));
    auto* total = panel()->findChild<QLabel*>("cadMeasureTotal");
    EXPECT_TRUE(total->textInteractionFlags() & Qt::TextSelectableByMouse);
    // "Początek" measures anew in the same window.
    press("cadMeasureStart");
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_EQ(value("cadMeasureTotal"), "");
    EXPECT_EQ(w->findChildren<QWidget*>("cadMeasure").size(), 1);
    click({20, 20});
    click({20, 25});
    EXPECT_EQ(value("cadMeasureTotal"), "5.000");
    // Closing the window ends the measurement and hides it.
    panel()->close();
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(MeasureCommandTest, StartAddsToTheTotalAreaAndObjectsAreTakenWhole) {
    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    for (Vec2 p : {Vec2{0, 0}, Vec2{10, 0}, Vec2{10, 10}, Vec2{0, 10}})
        click(p);
    EXPECT_EQ(value("cadMeasureArea"), "100.000");
    press("cadMeasureStart");
    EXPECT_EQ(value("cadMeasureArea"), "");
    EXPECT_EQ(value("cadMeasureTotal"), "");
    EXPECT_EQ(value("cadMeasureTotalArea"), "100.000");

    press("cadMeasureObject");
    EXPECT_EQ(prompt, "Select object");
    click({100, 100}); // nothing there
    EXPECT_EQ(value("cadMeasureTotal"), "");
    click({160, 101}); // on the circle
    EXPECT_EQ(value("cadMeasureTotal"), "62.832");
    EXPECT_EQ(value("cadMeasureArea"), "314.159");
    EXPECT_EQ(value("cadMeasureTotalArea"), "414.159");
    EXPECT_EQ(prompt, "First point");

    press("cadMeasureFinish");
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_FALSE(activeDrawing()->modified);
}

TEST_F(MeasureCommandTest, GridSnapRightButtonAndProgramTexts) {
    cadSetMsgHandler([](int, int message, int number, int, double, double, void*) {
        if (message != CAD_MSG_TEXT || number != 16305)
            return 0;
        cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "Odleg\xB3o\x9C\xE6:");
        return 1;
    });
    engine().active()->changeSettings([](DrawingSettings& s) { s.gridSnap = true; }); // steps of 10
    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    const auto labels = panel()->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return l->text() == QString::fromUtf8("Odległość:");
    }));
    click({11.5, 9});
    click({9, 21.5});
    EXPECT_EQ(value("cadMeasureDistance"), "10.000");
    EXPECT_EQ(value("cadMeasureAngle"), "90.000");
    click({0, 0}, Qt::RightButton);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(cadExecute(CAD_CMD_MEASURE), 1) << "again after it ended";
    cadDocClose(cadDocGetActive());
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle) << "its document closed";
    EXPECT_EQ(cadExecute(CAD_CMD_MEASURE), 0) << "no document";
}

// What was measured goes on the drawing as a text at a picked point: on the active layer, in
// the active text style, one step each; measuring goes on.
TEST_F(MeasureCommandTest, MeasuredValuesArePlacedAsTextsOneStepEach) {
    Document& doc = *engine().active();
    const int layer = cadLayerAdd("opisy", 0, 0, 0);
    doc.current().layer = layer;
    doc.current().textHeight = 3;
    cadUndoForget();
    doc.saved();
    const int entities = int(activeDrawing()->entities.size());
    auto text = [&](int h) {
        const Drawing& d = *activeDrawing();
        EXPECT_EQ(d.entities[std::size_t(h)].type, EntityType::Text);
        EXPECT_EQ(d.entities[std::size_t(h)].layer, layer);
        EXPECT_EQ(d.paramsOf(d.texts[d.entities[std::size_t(h)].first]).height, 3);
        return std::string(d.textOf(d.entities[std::size_t(h)]));
    };

    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    auto* placeArea = panel()->findChild<QPushButton*>("cadMeasurePlaceArea");
    ASSERT_NE(placeArea, nullptr);
    EXPECT_FALSE(placeArea->isEnabled()) << "nothing measured yet";
    for (Vec2 p : {Vec2{0, 0}, Vec2{10, 0}, Vec2{10, 10}})
        click(p);
    EXPECT_TRUE(placeArea->isEnabled());
    EXPECT_EQ(placeArea->toolTip(), "Place this value as a text on the drawing");
    EXPECT_EQ(value("cadMeasurePerimeter"), "34.142");

    // Esc while placing: nothing is placed, measuring goes on.
    press("cadMeasurePlaceArea");
    EXPECT_EQ(prompt, "Text insertion point");
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_EQ(prompt, "Next point");

    press("cadMeasurePlaceArea");
    click({50, 60});
    ASSERT_EQ(int(activeDrawing()->entities.size()), entities + 1);
    EXPECT_EQ(text(entities), "50,00");
    const Vec2 at = activeDrawing()->texts[activeDrawing()->entities.back().first].p;
    EXPECT_NEAR(at.x, 50, 0.5);
    EXPECT_NEAR(at.y, 60, 0.5);
    EXPECT_EQ(prompt, "Next point");
    click({0, 10});
    EXPECT_EQ(value("cadMeasureArea"), "100.000");
    press("cadMeasurePlacePerimeter");
    click({70, 60});
    EXPECT_EQ(text(entities + 1), "40,00");

    // Each one step.
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(activeDrawing()->valid(entities));
    EXPECT_FALSE(activeDrawing()->valid(entities + 1));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(activeDrawing()->valid(entities));
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);

    // After the measurement ended, the window still places what it shows.
    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    for (Vec2 p : {Vec2{0, 0}, Vec2{30, 40}})
        click(p);
    click({0, 0}, Qt::RightButton);
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    press("cadMeasurePlaceTotal");
    EXPECT_EQ(prompt, "Text insertion point");
    click({80, 20});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    const int last = int(activeDrawing()->entities.size()) - 1;
    EXPECT_EQ(text(last), "50,00");
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(activeDrawing()->valid(last));
}

// The window and the placed texts show what dimensions of the drawing's current style show:
// lengths by its scale value, areas by its square, angles as they are, in its decimals and
// separator.
TEST_F(MeasureCommandTest, ValuesAgreeWithDimensionsOfTheCurrentStyle) {
    const int dimension = changeActive(-1, [&](ChangeSet& c) {
        DimensionStyle metres;
        metres.name = "m";
        metres.scaleValue = 1000;
        metres.decimalSeparator = '.';
        metres.decimals = 2;
        const int style = c.addDimensionStyle(metres);
        DimensionData d;
        d.kind = DimensionKind::Parallel;
        d.points = {Vec2{0, 0}, Vec2{30, 40}, Vec2{-8, 6}};
        d.style = style;
        return c.addDimension(d);
    });
    engine().active()->current().dimensionStyle = 1;
    const Drawing& d = *activeDrawing();
    const std::string shown = dimensionTextOf(d, d.entities[std::size_t(dimension)]);
    ASSERT_EQ(shown, "50000.00");

    ASSERT_EQ(cadExecute(CAD_CMD_MEASURE), 1);
    for (Vec2 p : {Vec2{0, 0}, Vec2{30, 40}})
        click(p);
    EXPECT_DOUBLE_EQ(value("cadMeasureDistance").toDouble(), 50000);
    EXPECT_EQ(value("cadMeasureAngle"), "53.130") << "angles are never scaled";
    press("cadMeasurePlaceDistance");
    click({50, 60});
    const int label = int(d.entities.size()) - 1;
    ASSERT_EQ(d.entities[std::size_t(label)].type, EntityType::Text);
    EXPECT_EQ(d.textOf(d.entities[std::size_t(label)]), shown);

    click({0, 40});
    EXPECT_DOUBLE_EQ(value("cadMeasureArea").toDouble(), 600e6) << "600 by the scale's square";
    EXPECT_DOUBLE_EQ(value("cadMeasureTotalArea").toDouble(), 600e6);
    EXPECT_DOUBLE_EQ(value("cadMeasurePerimeter").toDouble(), 120000);
    press("cadMeasurePlaceArea");
    click({50, 70});
    EXPECT_EQ(d.textOf(d.entities.back()), "600000000.00");

    // Another current style: what the window shows anew follows it.
    engine().active()->current().dimensionStyle = 0;
    click({0, 50});
    EXPECT_EQ(value("cadMeasureDistance"), "10.000");
    press("cadMeasurePlaceTotal");
    click({50, 80});
    EXPECT_EQ(d.textOf(d.entities.back()), "90,00");
}

} // namespace
