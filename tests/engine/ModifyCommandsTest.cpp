// The modify commands (offset, trim, extend, fillet, chamfer, break, join, stretch, array,
// lengthen, reverse) in the drawing window, driven by clicks and keys as a person gives them;
// each change one step that undo takes back.
#include "engine/Engine.h"
#include "engine/commands/ModifySupport.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Measure.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <functional>
#include <set>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// A window at one unit a pixel, its origin at the window's centre, no snaps on.
class ModifyCommandsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        savedSnaps = engine().snaps;
        engine().snaps.on = {};
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
        engine().onNotice = [this](const std::string& text) { notices.push_back(text); };
    }
    void TearDown() override {
        engine().snaps = savedSnaps;
        engine().onNotice = nullptr;
        EngineTest::TearDown();
    }

    void moveTo(Vec2 p, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        const QPointF at = w->toPixel(p);
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         keys);
        QApplication::sendEvent(w, &move);
    }
    void click(Vec2 p, Qt::KeyboardModifiers keys = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        moveTo(p, keys);
        QTest::mouseClick(w, button, keys, w->toPixel(p).toPoint());
    }
    QWidget* keyTarget() const {
        if (QWidget* field = w->coordinateInput())
            return field;
        return w;
    }
    void key(Qt::Key k) { QTest::keyClick(keyTarget(), k); }
    // Typed as a person types a value, then Enter.
    void typeIn(const QString& text) {
        for (const QChar c : text)
            QTest::keyClicks(keyTarget(), QString(c));
        key(Qt::Key_Return);
    }
    void undo() { ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1); }

    static const Drawing& drawing() { return *activeDrawing(); }
    static const Entity& entity(int h) { return drawing().entities[static_cast<std::size_t>(h)]; }
    static std::vector<int> live() {
        std::vector<int> out;
        for (int h = 0; h < static_cast<int>(drawing().entities.size()); ++h)
            if (drawing().inModelSpace(h))
                out.push_back(h);
        return out;
    }
    static std::vector<int> liveOf(EntityType t) {
        std::vector<int> out;
        for (const int h : live())
            if (entity(h).type == t)
                out.push_back(h);
        return out;
    }
    static LineData lineOf(int h) { return drawing().lines[entity(h).first]; }
    static Curve curve(int h) { return *curveOf(drawing(), h); }
    static void startFresh() { cadUndoForget(); }
    // Every entity erased (one step), for the next case of a table.
    static void eraseAll() {
        ActiveAdder::step([](ChangeSet& c) {
            for (const int h : live())
                c.erase(static_cast<std::uint32_t>(h));
            return 0;
        });
    }
    // The live entities not among `others`.
    static std::vector<int> liveBut(const std::set<int>& others) {
        std::vector<int> out;
        for (const int h : live())
            if (!others.count(h))
                out.push_back(h);
        return out;
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::string prompt;
    std::vector<std::string> notices;
    SnapSettings savedSnaps;
};

void expectNear(Vec2 a, Vec2 b, double tolerance = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

// ---- offset

TEST_F(ModifyCommandsTest, OffsetByATypedDistanceToThePickedSideKeepsTheLookOfTheOriginal) {
    const int layer = cadLayerAdd("krawezniki", 0.5, 0x0000FF, 0);
    ASSERT_GE(layer, 0);
    cadLayerActive(layer);
    const int kerb = cadAddLine(-100, 0, 100, 0);
    cadLayerActive(0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_OFFSET), 1);
    EXPECT_EQ(prompt, engine().text(18601) + ": " + engine().text(18621));
    typeIn("2,5"); // a decimal comma
    click({10, 0});
    click({10, 40}); // the side: above
    const std::vector<int> lines = liveOf(EntityType::Line);
    ASSERT_EQ(lines.size(), 2u);
    const int made = lines.back();
    expectNear(lineOf(made).a, {-100, 2.5});
    expectNear(lineOf(made).b, {100, 2.5});
    EXPECT_EQ(entity(made).layer, entity(kerb).layer);
    // Again and again until ended: below this time.
    click({10, 0});
    click({10, -40});
    EXPECT_EQ(liveOf(EntityType::Line).size(), 3u);
    key(Qt::Key_Return);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    undo();
    undo();
    EXPECT_EQ(live(), std::vector<int>{kerb});
}

TEST_F(ModifyCommandsTest, OffsetThroughAPointAndOfAPolylineWithArcs) {
    // A slot: straight sides joined by half circles (a closed polyline of bulges).
    cadPolylineBegin();
    cadVertex(-50, -10);
    cadVertexBulge(50, -10, 1);
    cadVertex(50, 10);
    cadVertexBulge(-50, 10, 1);
    const int slot = cadAddPolyline(0, 1);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_OFFSET), 1);
    key(Qt::Key_P); // through a point
    click({0, -10});
    click({0, -15}); // five outside
    const std::vector<int> made = liveOf(EntityType::Polyline);
    ASSERT_EQ(made.size(), 2u);
    const auto m = measureEntity(drawing(), made.back());
    ASSERT_TRUE(m && m->area);
    // The slot 100 x 20 with round ends grown by 5: 100 x 30 and a circle of radius 15.
    EXPECT_NEAR(*m->area, 100 * 30 + kPi * 15 * 15, 1e-6);
    EXPECT_TRUE(entity(made.back()).has(EntityFlag::Bulges)) << "arcs stay arcs";
    // Esc steps back to the distance; a second Esc ends.
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    undo();
    EXPECT_EQ(live(), std::vector<int>{slot});
}

TEST_F(ModifyCommandsTest, OffsetInwardTooFarSaysSoAndMakesNothing) {
    cadPolylineBegin();
    for (const Vec2 p : {Vec2{0, 0}, Vec2{40, 0}, Vec2{40, 40}, Vec2{0, 40}})
        cadVertex(p.x, p.y);
    cadAddPolyline(0, 1);
    ASSERT_EQ(cadExecute(CAD_CMD_OFFSET), 1);
    typeIn("30");
    click({20, 0});
    click({20, 10}); // inside
    EXPECT_EQ(live().size(), 1u);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), engine().text(18663));
}

// ---- trim and extend

TEST_F(ModifyCommandsTest, TrimWithEveryEntityAsAnEdgeCutsAwayThePartPicked) {
    const int left = cadAddLine(-50, -100, -50, 100);
    const int right = cadAddLine(50, -100, 50, 100);
    const int road = cadAddLine(-100, 0, 100, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_TRIM), 1);
    EXPECT_EQ(prompt, engine().text(18602) + ": " + engine().text(18625));
    key(Qt::Key_Return); // every entity is an edge
    EXPECT_EQ(prompt, engine().text(18602) + ": " + engine().text(18627));
    click({0, 0});
    const std::vector<int> lines = liveOf(EntityType::Line);
    ASSERT_EQ(lines.size(), 4u);
    expectNear(lineOf(road).a, {-100, 0});
    expectNear(lineOf(road).b, {-50, 0});
    expectNear(lineOf(lines.back()).a, {50, 0});
    expectNear(lineOf(lines.back()).b, {100, 0});
    // The edges can be trimmed in turn: the upper part of the left one.
    click({-50, 60});
    expectNear(lineOf(left).b, {-50, 0});
    undo();
    undo();
    expectNear(lineOf(road).b, {100, 0});
    EXPECT_EQ(live().size(), 3u);
    (void)right;
}

TEST_F(ModifyCommandsTest, ACircleTrimmedAtTwoLinesKeepsTheArcOnTheOtherSide) {
    const int circle = cadAddCircle(0, 0, 30);
    const int a = cadAddLine(10, -50, 10, 50);
    cadSelect(1, a); // the selection is the cutting edge... and one more
    const int b = cadAddLine(-10, -50, -10, 50);
    cadSelect(1, b);
    ASSERT_EQ(cadExecute(CAD_CMD_TRIM), 1);
    EXPECT_EQ(prompt, engine().text(18602) + ": " + engine().text(18627)) << "edges known";
    click({30, 0});
    const std::vector<int> arcs = liveOf(EntityType::Arc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_FALSE(drawing().valid(circle));
    const ArcData arc = drawing().arcs[entity(arcs[0]).first];
    const double cut = std::acos(10.0 / 30) * 180 / kPi;
    EXPECT_NEAR(arc.startAngle, cut, 1e-9);
    EXPECT_NEAR(arc.endAngle, 360 - cut, 1e-9);
}

TEST_F(ModifyCommandsTest, ShiftExtendsInTrimAndTrimsInExtendAndTheFenceCutsMany) {
    const int edge = cadAddLine(50, -100, 50, 100);
    const int shortLine = cadAddLine(0, 0, 20, 0);
    const int longLine = cadAddLine(0, 30, 80, 30);
    std::vector<int> crossing;
    for (int i = 0; i < 3; ++i)
        crossing.push_back(cadAddLine(20, -20 - 10.0 * i, 90, -20 - 10.0 * i));
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_TRIM), 1);
    click({50, 80}); // the edge picked
    key(Qt::Key_Return);
    click({15, 0}, Qt::ShiftModifier);
    expectNear(lineOf(shortLine).b, {50, 0}); // extended
    // A fence across the three lines right of the edge: each trimmed there.
    click({70, -10});
    click({70, -50});
    for (const int h : crossing)
        EXPECT_NEAR(lineOf(h).b.x, 50, 1e-9);
    key(Qt::Key_Return);
    undo();
    EXPECT_NEAR(lineOf(crossing[0]).b.x, 90, 1e-9) << "the fence was one step";
    cadSelect(0, -1); // undo selected what it took back: nothing is the edge

    ASSERT_EQ(cadExecute(CAD_CMD_EXTEND), 1);
    key(Qt::Key_Return); // every entity
    click({75, 30}, Qt::ShiftModifier);
    expectNear(lineOf(longLine).b, {50, 30}); // trimmed
    (void)edge;
}

TEST_F(ModifyCommandsTest, ExtendToAnArcAndToTheExtensionOfAnEdge) {
    ActiveAdder().addArc({{0, 0}, 100, 0, 90});
    const int toArc = cadAddLine(0, 0, 20, 20);
    const int edgeLine = cadAddLine(-150, -50, -120, -50);
    const int toLine = cadAddLine(-100, -90, -100, -80);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_EXTEND), 1);
    key(Qt::Key_Return);
    click({18, 18});
    const double r = 100 / std::sqrt(2.0);
    expectNear(lineOf(toArc).b, {r, r});
    // The short edge reaches only with its extension.
    click({-100, -82});
    EXPECT_FALSE(notices.empty());
    key(Qt::Key_K);
    click({-100, -82});
    expectNear(lineOf(toLine).b, {-100, -50});
    (void)edgeLine;
}

// ---- trim and extend: every kind of target at every kind of edge, in the window
//
// Every edge crosses the x axis at the origin going up (and nowhere else near the targets);
// every target runs from left to right through the origin, level there. So a trim picked right
// of the origin leaves the target from its left end to the origin, and a target that ends short
// of the origin extends to it: the ends and the length of the result are known beforehand.

namespace kinds {

const double kArcEnd = 40 * std::sqrt(0.5), kArcY = -40 + kArcEnd; // on a circle about (0, -40)
const double kQuarterBulge = std::tan(kPi / 8);

struct Edge {
    const char* name;
    std::function<int()> add;
};

std::vector<Edge> edges() {
    return {
        {"line", [] { return cadAddLine(0, -50, 0, 50); }},
        {"arc",
         [] {
             return ActiveAdder().addArc({{50, 0}, 50, 135, 225});
         }},
        {"circle", [] { return cadAddCircle(50, 0, 50); }},
        // Straight above and below, between them an arc about (-50, 0) through the origin.
        {"polyline",
         [] {
             cadPolylineBegin();
             cadVertex(-10, -60);
             cadVertexBulge(-10, -30, 1.0 / 3);
             cadVertex(-10, 30);
             cadVertex(-10, 60);
             return cadAddPolyline(0, 0);
         }},
        {"spline",
         [] {
             const Vec2 fit[] = {{-10, -40}, {0, 0}, {-10, 40}};
             return ActiveAdder().addSpline(fit, 3, false);
         }},
        {"ellipse", [] { return cadAddEllipse(40, 0, 40, 60, 0, 0, 360); }},
    };
}

// What a target must become.
struct Expected {
    EntityType kind;
    Vec2 start, end;
    double length;
};

struct Target {
    const char* name;
    Curve curve;
    Vec2 pick;
    Expected result; // .length < 0: refused
};

// Added on the active layer.
int addCurve(const Curve& c) {
    if (const auto* l = std::get_if<LineData>(&c))
        return cadAddLine(l->a.x, l->a.y, l->b.x, l->b.y);
    if (const auto* a = std::get_if<ArcData>(&c))
        return ActiveAdder().addArc(*a);
    if (const auto* k = std::get_if<CircleData>(&c))
        return cadAddCircle(k->centre.x, k->centre.y, k->radius);
    if (const auto* e = std::get_if<EllipseData>(&c))
        return ActiveAdder().addEllipse(*e);
    if (const auto* s = std::get_if<SplineData>(&c))
        return ActiveAdder().addSpline(s->fit.data(), s->fit.size(), s->closed);
    const Path& p = std::get<Path>(c);
    cadPolylineBegin();
    for (const PathVertex& v : p.v)
        cadVertexBulge(v.p.x, v.p.y, v.bulge);
    return cadAddPolyline(0, p.closed ? 1 : 0);
}

const Curve kTrimSpline = SplineData{{{-60, 20}, {0, 0}, {60, 20}}, false};
const Curve kFullEllipse = EllipseData{{0, -50}, 60, 50, 0, 0, 360};

std::vector<Target> trimTargets() {
    const Path polyline{{{{-60, kArcY}, 0},
                         {{-kArcEnd, kArcY}, -kQuarterBulge},
                         {{kArcEnd, kArcY}, 0},
                         {{60, kArcY}, 0}},
                        false};
    const Curve spline = kTrimSpline;
    return {
        {"line", LineData{{-60, 0}, {60, 0}}, {45, 0}, {EntityType::Line, {-60, 0}, {0, 0}, 60}},
        {"arc",
         ArcData{{0, -50}, 50, 45, 135},
         {25, -50 + 50 * std::sin(radians(60))},
         {EntityType::Arc, {0, 0}, {-kArcEnd * 50 / 40, -50 + kArcEnd * 50 / 40}, 50 * kPi / 4}},
        // Cut at the origin and, by the short line below, at (0, -100): the left half goes.
        {"circle",
         CircleData{{0, -50}, 50},
         {-50, -50},
         {EntityType::Arc, {0, -100}, {0, 0}, 50 * kPi}},
        {"ellipse",
         kFullEllipse,
         {-60, -50},
         {EntityType::Ellipse, {0, -100}, {0, 0}, curveLength(kFullEllipse) / 2}},
        {"polyline",
         polyline,
         {45, kArcY},
         {EntityType::Polyline, {-60, kArcY}, {0, 0}, 60 - kArcEnd + 40 * kPi / 4}},
        // Level at the origin, the same on both sides of it.
        {"spline",
         spline,
         pointAt(spline, closestParameter(spline, {45, 11})),
         {EntityType::Spline, {-60, 20}, {0, 0}, curveLength(spline) / 2}},
    };
}

std::vector<Target> extendTargets() {
    const double polylineEnd = radians(105);
    const Vec2 end{40 * std::cos(polylineEnd), -40 + 40 * std::sin(polylineEnd)};
    const Path polyline{
        {{{-60, kArcY}, 0}, {{-kArcEnd, kArcY}, -std::tan(radians(30) / 4)}, {end, 0}}, false};
    const auto onEllipse = [](double degrees) {
        return Vec2{60 * std::cos(radians(degrees)), -50 + 50 * std::sin(radians(degrees))};
    };
    return {
        {"line", LineData{{-60, 0}, {-20, 0}}, {-25, 0}, {EntityType::Line, {-60, 0}, {0, 0}, 60}},
        {"arc",
         ArcData{{0, -50}, 50, 100, 135},
         {50 * std::cos(radians(103)), -50 + 50 * std::sin(radians(103))},
         {EntityType::Arc, {0, 0}, {-kArcEnd * 50 / 40, -50 + kArcEnd * 50 / 40}, 50 * kPi / 4}},
        {"circle", CircleData{{0, -50}, 50}, {-50, -50}, {EntityType::Circle, {}, {}, -1}},
        {"ellipse",
         EllipseData{{0, -50}, 60, 50, 0, 100, 160},
         onEllipse(103),
         {EntityType::Ellipse,
          {0, 0},
          onEllipse(160),
          curveLength(EllipseData{{0, -50}, 60, 50, 0, 90, 160})}},
        // Ending on its arc at 105°: on along the arc's circle to 90°.
        {"polyline",
         polyline,
         {40 * std::cos(radians(110)), -40 + 40 * std::sin(radians(110))},
         {EntityType::Polyline, {-60, kArcY}, {0, 0}, 60 - kArcEnd + 40 * kPi / 4}},
        // Straight, so that its way on is the x axis.
        {"spline",
         SplineData{{{-60, 0}, {-40, 0}, {-20, 0}}, false},
         {-22, 0},
         {EntityType::Spline, {-60, 0}, {0, 0}, 60}},
    };
}

} // namespace kinds

TEST_F(ModifyCommandsTest, TrimAndExtendEveryKindAtEdgesOfEveryKindAsTheFiguresSay) {
    const int layer = cadLayerAdd("krawedz", 0.35, 0xFF0000, 0);
    for (const bool extend : {false, true})
        for (const kinds::Target& t : extend ? kinds::extendTargets() : kinds::trimTargets())
            for (const kinds::Edge& e : kinds::edges()) {
                SCOPED_TRACE(testing::Message()
                             << (extend ? "extend " : "trim ") << t.name << " at " << e.name);
                eraseAll();
                std::set<int> others{e.add()};
                // The second cut of closed targets, below the origin.
                if (!extend)
                    others.insert(cadAddLine(0, -120, 0, -80));
                cadLayerActive(layer);
                const int target = kinds::addCurve(t.curve);
                cadLayerActive(0);
                startFresh();
                notices.clear();
                ASSERT_EQ(cadExecute(extend ? CAD_CMD_EXTEND : CAD_CMD_TRIM), 1);
                key(Qt::Key_Return); // every entity is an edge
                click(t.pick);
                key(Qt::Key_Escape);
                key(Qt::Key_Escape);
                ASSERT_EQ(w->mode(), DrawingWindow::Mode::Idle);
                const std::vector<int> made = liveBut(others);
                ASSERT_EQ(made.size(), 1u);
                const kinds::Expected& x = t.result;
                if (x.length < 0) {
                    EXPECT_EQ(made[0], target);
                    ASSERT_FALSE(notices.empty());
                    EXPECT_EQ(notices.back(), engine().text(refusalText(Refusal::ClosedCurve)));
                    continue;
                }
                const Curve c = curve(made[0]);
                EXPECT_EQ(entity(made[0]).type, x.kind);
                EXPECT_EQ(entity(made[0]).layer, layer);
                expectNear(startPoint(c), x.start, 1e-7);
                expectNear(endPoint(c), x.end, 1e-7);
                // A spline cut is fitted anew through points of the old one.
                EXPECT_NEAR(curveLength(c), x.length,
                            x.length * (x.kind == EntityType::Spline ? 1e-6 : 1e-9));
                // Along the curve it was.
                if (!extend) {
                    const double middle = (parameterStart(c) + parameterEnd(c)) / 2;
                    EXPECT_LT(distanceTo(t.curve, pointAt(c, middle)), 1e-6);
                }
                undo();
                EXPECT_EQ(liveBut(others), std::vector<int>{target});
                EXPECT_NEAR(curveLength(curve(target)), curveLength(t.curve), 1e-9);
            }
}

TEST_F(ModifyCommandsTest, TheEntitiesOfAnInsertedBlockCutAndBound) {
    // A short line and a small circle, inserted turned a quarter and twice as large: the line
    // stands at x = 30 from y = -20 to 20, the circle has radius 10 about (-30, 0).
    const std::size_t first = drawing().entities.size();
    cadAddLine(-10, 0, 10, 0);
    cadAddCircle(0, 30, 5);
    const int block = ActiveAdder().makeBlock("slupek", {0, 0}, first);
    ASSERT_GE(block, 0);
    ActiveAdder().addInsert({block, {30, 0}, 2, 2, 90});
    const int road = cadAddLine(-100, 5, 100, 5);
    const int toLine = cadAddLine(80, -5, 50, -5);
    const int toCircle = cadAddLine(-30, 40, -30, 30);
    startFresh();
    // The insertion picked as the only cutting edge.
    ASSERT_EQ(cadExecute(CAD_CMD_TRIM), 1);
    click({30, 15});
    key(Qt::Key_Return);
    click({60, 5});
    expectNear(lineOf(road).b, {30, 5});
    // Between the circle's two cuts: the road falls in two.
    click({-30, 5});
    const double half = std::sqrt(100.0 - 25);
    expectNear(lineOf(road).b, {-30 - half, 5});
    const std::vector<int> lines = liveOf(EntityType::Line);
    expectNear(lineOf(lines.back()).a, {-30 + half, 5});
    expectNear(lineOf(lines.back()).b, {30, 5});
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    undo();
    undo();
    expectNear(lineOf(road).b, {100, 5});
    EXPECT_EQ(liveOf(EntityType::Line).size(), 3u);
    cadSelect(0, -1); // undo selected what it took back
    // Every entity as a boundary: the insertion found through the index like any other.
    ASSERT_EQ(cadExecute(CAD_CMD_EXTEND), 1);
    key(Qt::Key_Return);
    click({52, -5});
    expectNear(lineOf(toLine).b, {30, -5});
    click({-30, 32});
    expectNear(lineOf(toCircle).b, {-30, 10});
}

// ---- fillet and chamfer

TEST_F(ModifyCommandsTest, FilletTwoLinesWithATypedRadiusAndASharpCornerWithZero) {
    const int a = cadAddLine(-5, 0, 100, 0);
    const int b = cadAddLine(0, -5, 0, 100);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_FILLET), 1);
    typeIn("20");
    click({60, 0});
    click({0, 60});
    expectNear(lineOf(a).a, {20, 0});
    expectNear(lineOf(b).a, {0, 20});
    const std::vector<int> arcs = liveOf(EntityType::Arc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_NEAR(drawing().arcs[entity(arcs[0]).first].radius, 20, 1e-12);
    undo();
    EXPECT_TRUE(liveOf(EntityType::Arc).empty());
    cadSelect(0, -1);
    ASSERT_EQ(cadExecute(CAD_CMD_FILLET), 1);
    typeIn("0");
    click({60, 0});
    click({0, 60});
    expectNear(lineOf(a).a, {0, 0});
    expectNear(lineOf(b).a, {0, 0});
}

TEST_F(ModifyCommandsTest, FilletEveryCornerOfARectangleAndOneCornerTwice) {
    const int rect = ActiveAdder().addRectangle({{0, 0}, 100, 60, 0});
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_FILLET), 1);
    typeIn("10");
    key(Qt::Key_C);
    click({0, 30});
    const std::vector<int> polylines = liveOf(EntityType::Polyline);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_FALSE(drawing().valid(rect));
    EXPECT_TRUE(entity(polylines[0]).has(EntityFlag::Closed));
    EXPECT_NEAR(*measureEntity(drawing(), polylines[0])->area, 100 * 60 - (4 - kPi) * 100, 1e-9);
    // Saved and read back, the rounded corners are the same arcs.
    // (The erased rectangle is left out: handles are renumbered.)
    const auto reread = readNative(writeNative(drawing()));
    int found = 0;
    for (int h = 0; h < static_cast<int>(reread->entities.size()); ++h)
        if (reread->inModelSpace(h)) {
            ++found;
            const auto c = curveOf(*reread, h);
            ASSERT_TRUE(c && std::holds_alternative<Path>(*c));
            EXPECT_EQ(std::get<Path>(*c), std::get<Path>(curve(polylines[0])));
        }
    EXPECT_EQ(found, 1);
    // The same corner again with another radius: the two segments around its arc picked.
    key(Qt::Key_Escape); // back to the radius
    typeIn("5");
    click({30, 30});
    click({50, 10});
    EXPECT_NEAR(*measureEntity(drawing(), liveOf(EntityType::Polyline)[0])->area,
                100 * 60 - 3 * (4 - kPi) * 100 / 4 - (4 - kPi) * 25 / 4, 1e-9);
    undo();
    undo();
    EXPECT_TRUE(drawing().valid(rect));
}

TEST_F(ModifyCommandsTest, FilletOfAnOpenPolylinesEndsIsRefusedAndTwoPolylinesBecomeOne) {
    cadPolylineBegin();
    cadVertex(-100, 50);
    cadVertex(-100, 0);
    cadVertex(-10, 0);
    const int first = cadAddPolyline(0, 0);
    cadPolylineBegin();
    cadVertex(0, 10);
    cadVertex(0, 100);
    cadVertex(50, 100);
    const int second = cadAddPolyline(0, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_FILLET), 1);
    typeIn("10");
    click({-100, 50}); // the open end: no corner there
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), engine().text(18667));
    click({-50, 0});
    click({0, 50});
    EXPECT_FALSE(drawing().valid(second));
    const std::vector<int> polylines = liveOf(EntityType::Polyline);
    ASSERT_EQ(polylines.size(), 1u);
    const Path joined = std::get<Path>(curve(polylines[0]));
    ASSERT_EQ(joined.v.size(), 6u);
    expectNear(joined.v.front().p, {-100, 50});
    expectNear(joined.v.back().p, {50, 100});
    EXPECT_NEAR(std::abs(joined.v[2].bulge), std::tan(kPi / 8), 1e-12) << "a quarter circle";
    undo();
    EXPECT_TRUE(drawing().valid(first) && drawing().valid(second));
}

TEST_F(ModifyCommandsTest, ChamferTwoLinesByEqualDistances) {
    const int a = cadAddLine(0, 0, 100, 0);
    const int b = cadAddLine(0, 100, 0, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_CHAMFER), 1);
    typeIn("10");
    key(Qt::Key_Return); // the same
    click({60, 0});
    click({0, 60});
    // Each keeps its direction.
    expectNear(lineOf(a).a, {10, 0});
    expectNear(lineOf(a).b, {100, 0});
    expectNear(lineOf(b).a, {0, 100});
    expectNear(lineOf(b).b, {0, 10});
    EXPECT_EQ(liveOf(EntityType::Line).size(), 3u);
    undo();
    EXPECT_EQ(liveOf(EntityType::Line).size(), 2u);
}

TEST_F(ModifyCommandsTest, ChamferByADistanceAndAnAngleOnTwoLinesAndAPolylineCorner) {
    const int a = cadAddLine(0, 0, 100, 0);
    const int b = cadAddLine(0, 100, 0, 0);
    cadPolylineBegin();
    cadVertex(-150, 60);
    cadVertex(-150, 0);
    cadVertex(-70, 0);
    const int corner = cadAddPolyline(0, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_CHAMFER), 1);
    typeIn("20");
    key(Qt::Key_K);
    EXPECT_EQ(prompt, engine().text(18605) + ": " + engine().text(18637));
    typeIn("30");
    // 20 along the first line picked, then at 30° to it until the second.
    const double across = 20 * std::tan(radians(30));
    click({60, 0});
    click({0, 60});
    expectNear(lineOf(a).a, {20, 0});
    expectNear(lineOf(a).b, {100, 0});
    expectNear(lineOf(b).a, {0, 100});
    expectNear(lineOf(b).b, {0, across});
    const std::vector<int> lines = liveOf(EntityType::Line);
    ASSERT_EQ(lines.size(), 3u);
    const LineData bevel = lineOf(lines.back());
    EXPECT_NEAR(std::hypot(bevel.a.x - bevel.b.x, bevel.a.y - bevel.b.y),
                20 / std::cos(radians(30)), 1e-9);
    // A polyline's corner by its two segments, the vertical one first: one polyline still.
    click({-150, 30});
    click({-110, 0});
    const Path p = std::get<Path>(curve(corner));
    ASSERT_EQ(p.v.size(), 4u);
    expectNear(p.v[1].p, {-150, 20});
    expectNear(p.v[2].p, {-150 + across, 0});
    expectNear(p.v[3].p, {-70, 0});
    EXPECT_EQ(liveOf(EntityType::Polyline).size(), 1u);
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    undo();
    EXPECT_EQ(std::get<Path>(curve(corner)).v.size(), 3u);
    undo();
    expectNear(lineOf(a).a, {0, 0});
    EXPECT_EQ(liveOf(EntityType::Line).size(), 2u);
}

// ---- break, join, stretch, lengthen, reverse

TEST_F(ModifyCommandsTest, BreakTakesOutThePartBetweenTwoPointsOrSplitsAtOne) {
    const int line = cadAddLine(0, 0, 100, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_BREAK), 1);
    click({50, 0});
    click({20, 0});
    click({40, 0});
    ASSERT_EQ(liveOf(EntityType::Line).size(), 2u);
    expectNear(lineOf(line).b, {20, 0});
    click({80, 0});
    click({70, 0});
    key(Qt::Key_Return); // split there
    EXPECT_EQ(liveOf(EntityType::Line).size(), 3u);
    key(Qt::Key_Escape);
    undo();
    undo();
    EXPECT_EQ(live(), std::vector<int>{line});
}

TEST_F(ModifyCommandsTest, JoinMakesOnePolylineWithTheFirstLookAndTellsOfGaps) {
    const int layer = cadLayerAdd("os", 0.25, 0x00FF00, 0);
    cadLayerActive(layer);
    const int first = cadAddLine(0, 0, 50, 0);
    cadLayerActive(0);
    ActiveAdder().addArc({{50, 20}, 20, 270, 360}); // on from (50, 0) to (70, 20)
    cadAddLine(70, 20.0004, 70, 60);                // within the tolerance
    cadAddLine(70.5, 61, 70, 100);                  // a gap of a unit
    startFresh();
    cadSelect(1, -1);
    ASSERT_EQ(cadExecute(CAD_CMD_JOIN), 1);
    key(Qt::Key_Return); // the default tolerance
    const std::vector<int> polylines = liveOf(EntityType::Polyline);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(entity(polylines[0]).layer, entity(first).layer);
    EXPECT_TRUE(entity(polylines[0]).has(EntityFlag::Bulges));
    EXPECT_EQ(liveOf(EntityType::Line).size(), 1u) << "the piece beyond the gap";
    ASSERT_FALSE(notices.empty());
    EXPECT_NE(notices.back().find("1"), std::string::npos);
    undo();
    EXPECT_EQ(liveOf(EntityType::Line).size(), 3u);
}

TEST_F(ModifyCommandsTest, StretchMovesWhatTheWindowHoldsAndStretchesWhatCrossesIt) {
    cadPolylineBegin();
    for (const Vec2 p : {Vec2{0, 0}, Vec2{100, 0}, Vec2{100, 50}, Vec2{0, 50}})
        cadVertex(p.x, p.y);
    const int box = cadAddPolyline(0, 1);
    const int inside = cadAddCircle(110, 25, 5);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_STRETCH), 1);
    click({90, -10});
    click({130, 60});
    click({0, 0});
    click({20, 0});
    const Path p = std::get<Path>(curve(box));
    expectNear(p.v[1].p, {120, 0});
    expectNear(p.v[2].p, {120, 50});
    expectNear(p.v[0].p, {0, 0});
    expectNear(drawing().circles[entity(inside).first].centre, {130, 25});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    undo();
    expectNear(std::get<Path>(curve(box)).v[1].p, {100, 0});
}

TEST_F(ModifyCommandsTest, LengthenByALengthAPercentAndDynamically) {
    const int line = cadAddLine(0, 0, 100, 0);
    startFresh();
    ASSERT_EQ(cadExecute(CAD_CMD_LENGTHEN), 1);
    typeIn("10");
    click({95, 0});
    expectNear(lineOf(line).b, {110, 0});
    click({5, 0}); // the other end
    expectNear(lineOf(line).a, {-10, 0});
    key(Qt::Key_Escape);
    key(Qt::Key_P);
    typeIn("50");
    click({100, 0});
    EXPECT_NEAR(curveLength(curve(line)), 60, 1e-9);
    key(Qt::Key_Escape);
    key(Qt::Key_D);
    click({45, 0});
    click({70, 10});
    expectNear(lineOf(line).b, {70, 0});
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    for (int i = 0; i < 4; ++i)
        undo();
    expectNear(lineOf(line).a, {0, 0});
    expectNear(lineOf(line).b, {100, 0});
}

TEST_F(ModifyCommandsTest, ReverseTurnsLinesPolylinesAndArcs) {
    const int line = cadAddLine(0, 0, 10, 0);
    cadPolylineBegin();
    cadVertex(0, 20);
    cadVertexBulge(10, 20, 0.5);
    cadVertex(20, 30);
    const int polyline = cadAddPolyline(0, 0);
    const int arc = ActiveAdder().addArc({{0, -50}, 10, 0, 90});
    startFresh();
    cadSelect(1, -1);
    ASSERT_EQ(cadExecute(CAD_CMD_REVERSE), 1);
    expectNear(lineOf(line).a, {10, 0});
    const Path p = std::get<Path>(curve(polyline));
    expectNear(p.v[0].p, {20, 30});
    // The arc segment runs first now, the other way round.
    EXPECT_NEAR(p.v[0].bulge, -0.5, 1e-15);
    EXPECT_EQ(p.v[1].bulge, 0);
    EXPECT_FALSE(drawing().valid(arc));
    const std::vector<int> polylines = liveOf(EntityType::Polyline);
    const Path turned = std::get<Path>(curve(polylines.back()));
    expectNear(turned.v[0].p, {0, -40});
    EXPECT_LT(turned.v[0].bulge, 0);
    undo();
    EXPECT_TRUE(drawing().valid(arc));
    expectNear(lineOf(line).a, {0, 0});
}

// ---- array

TEST_F(ModifyCommandsTest, RectangularPolarAndPathArraysAreOneStepEach) {
    const int post = cadAddCircle(0, 0, 1);
    startFresh();
    cadSelect(1, post);
    ASSERT_EQ(cadExecute(CAD_CMD_ARRAY), 1);
    key(Qt::Key_P);
    typeIn("2");
    typeIn("3");
    typeIn("10");
    typeIn("20");
    key(Qt::Key_Return); // rows along the x axis
    ASSERT_EQ(liveOf(EntityType::Circle).size(), 6u);
    expectNear(drawing().circles.back().centre, {40, 10});
    undo();
    EXPECT_EQ(liveOf(EntityType::Circle).size(), 1u);

    cadSelect(1, post);
    ASSERT_EQ(cadExecute(CAD_CMD_ARRAY), 1);
    key(Qt::Key_K);
    click({0, 30}); // the centre
    typeIn("4");
    key(Qt::Key_Return); // a whole turn
    key(Qt::Key_T);
    ASSERT_EQ(liveOf(EntityType::Circle).size(), 4u);
    // Counter-clockwise round the centre: the last a quarter turn before the first.
    expectNear(drawing().circles.back().centre, {-30, 30});
    undo();

    // Posts every 25 along a road of 100: from its start, the post carried by its centre.
    const int road = cadAddLine(-100, -50, 0, -50);
    cadSelect(1, post);
    ASSERT_EQ(cadExecute(CAD_CMD_ARRAY), 1);
    key(Qt::Key_S);
    click({-60, -50}); // the path
    click({0, 0});     // the post's base point
    typeIn("25");
    key(Qt::Key_N);
    ASSERT_EQ(liveOf(EntityType::Circle).size(), 6u);
    expectNear(drawing().circles.back().centre, {0, -50});
    undo();
    EXPECT_EQ(liveOf(EntityType::Circle).size(), 1u);
    (void)road;
}

// ---- the window's menus and buttons reach them

TEST_F(ModifyCommandsTest, EveryModifyCommandStartsAndEndsWithEsc) {
    cadAddLine(0, 0, 10, 0);
    for (int code = CAD_CMD_OFFSET; code <= CAD_CMD_REVERSE; ++code) {
        ASSERT_TRUE(cadCommandExists(code)) << code;
        cadSelect(0, -1);
        ASSERT_EQ(cadExecute(code), 1) << code;
        for (int i = 0; i < 4 && w->mode() != DrawingWindow::Mode::Idle; ++i)
            key(Qt::Key_Escape);
        EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle) << code;
    }
}

} // namespace
