// The draw order: which entity is drawn over which. What the index answers and what picking
// takes after any reordering, the commands (each one step), and that the order holds on
// screen, in PNG, SVG and PDF, after a save and reopen and through DXF, also for ezdxf.
#include "engine/Engine.h"
#include "engine/commands/GripCommands.h"
#include "engine/edit/Edit.h"
#include "engine/io/Dxf.h"
#include "engine/model/Picking.h"
#include "engine/render/Picture.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>
#include <random>

using namespace cad;

namespace {

// ---- the order itself, in a drawing of its own --------------------------------------------

// The handles whose boxes meet the area as the index answers, and whether they come in the
// drawing's order.
std::vector<std::uint32_t> queried(const Drawing& d, const Rect& area) {
    std::vector<std::uint32_t> out;
    d.query(area, out);
    return out;
}

void expectInDrawingOrder(const Drawing& d, const std::vector<std::uint32_t>& handles,
                          const std::string& what) {
    for (std::size_t i = 1; i < handles.size(); ++i)
        ASSERT_LT(orderKeyOf(d, handles[i - 1]), orderKeyOf(d, handles[i]))
            << what << ": " << handles[i - 1] << " before " << handles[i];
}

std::vector<std::uint32_t> sortedCopy(std::vector<std::uint32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(DrawOrder, TheIndexAnswersInDrawingOrderAfterAnyReordering) {
    // Enough small lines for the index's grid, over a square of 1000.
    Drawing d;
    std::mt19937 random(21);
    std::uniform_real_distribution<double> at(0, 1000), step(-5, 5);
    for (int i = 0; i < 6000; ++i) {
        const Vec2 a{at(random), at(random)};
        d.addLine({a, {a.x + step(random), a.y + step(random)}});
    }
    const Rect all{-10, -10, 1010, 1010}, part{100, 100, 300, 250};
    const auto plainAll = queried(d, all), plainPart = queried(d, part);
    ASSERT_TRUE(std::is_sorted(plainAll.begin(), plainAll.end()));

    ScratchWriter w(d);
    std::uniform_int_distribution<std::uint32_t> pick(0, 5999);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::uint32_t> some(1 + round % 7);
        for (std::uint32_t& h : some)
            h = pick(random);
        switch (round % 3) {
        case 0:
            w.setOrderKeys(keysToTop(d, some));
            break;
        case 1:
            w.setOrderKeys(keysToBottom(d, some));
            break;
        default:
            w.setOrderKeys(keysSwapped(d, some[0], pick(random)));
            break;
        }
        // The same entities, in their new order: from the grid's lists read by place (the
        // whole drawing) and sorted (a part of it).
        const auto nowAll = queried(d, all), nowPart = queried(d, part);
        EXPECT_EQ(sortedCopy(nowAll), plainAll) << "round " << round;
        EXPECT_EQ(sortedCopy(nowPart), plainPart) << "round " << round;
        expectInDrawingOrder(d, nowAll, "the whole drawing, round " + std::to_string(round));
        expectInDrawingOrder(d, nowPart, "a part, round " + std::to_string(round));
    }
    const DrawOrder& order = d.drawOrder();
    ASSERT_FALSE(order.plain());
    for (std::uint32_t h = 0; h < d.entities.size(); ++h)
        ASSERT_EQ(order.at(order.rank(h)), h);

    // What is added later comes on top, and deleted entities are not answered.
    const int added = d.addLine({{500, 500}, {501, 501}});
    const auto withAdded = queried(d, all);
    EXPECT_EQ(withAdded.back(), std::uint32_t(added));
    expectInDrawingOrder(d, withAdded, "with one added");
    const std::uint32_t gone = withAdded.front();
    w.erase(gone);
    const auto withoutGone = queried(d, all);
    EXPECT_EQ(std::count(withoutGone.begin(), withoutGone.end(), gone), 0);
    EXPECT_EQ(withoutGone.size(), withAdded.size() - 1);
}

TEST(DrawOrder, KeysKeepTheMovedEntitiesInTheirOrderAndLeaveOthersOut) {
    Drawing d;
    for (int i = 0; i < 6; ++i)
        d.addLine({{double(i), 0}, {double(i), 1}});
    d.makeBlock("B", {0, 0}, std::vector<std::uint32_t>{5}); // 5 belongs to a block
    ScratchWriter w(d);
    const std::uint32_t moved[] = {3, 1, 5, 42};
    w.setOrderKeys(keysToTop(d, moved));
    EXPECT_EQ(queried(d, {-1, -1, 10, 10}), (std::vector<std::uint32_t>{0, 2, 4, 1, 3}));
    w.setOrderKeys(keysToBottom(d, std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(queried(d, {-1, -1, 10, 10}), (std::vector<std::uint32_t>{4, 3, 0, 2, 1}));
    w.setOrderKeys(keysSwapped(d, 3, 1));
    EXPECT_EQ(queried(d, {-1, -1, 10, 10}), (std::vector<std::uint32_t>{4, 1, 0, 2, 3}));
    EXPECT_TRUE(keysSwapped(d, 3, 3).empty());
    EXPECT_TRUE(keysSwapped(d, 3, 5).empty()) << "one of a block";

    // Hatches and filled shapes, of some entities or of the whole drawing.
    Drawing f;
    f.addLine({{0, 0}, {1, 1}});
    const int filled = f.addCircle({{0, 0}, 1});
    f.entities[std::size_t(filled)].set(EntityFlag::Filled, true);
    f.addCircle({{0, 0}, 2});
    const Vec2 square[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const int hatch = f.addHatch(square, 4, HatchSpec{});
    EXPECT_EQ(hatchesAndFills(f, {}),
              (std::vector<std::uint32_t>{std::uint32_t(filled), std::uint32_t(hatch)}));
    const std::uint32_t some[] = {std::uint32_t(hatch), 0, 2};
    EXPECT_EQ(hatchesAndFills(f, some), (std::vector<std::uint32_t>{std::uint32_t(hatch)}));
}

// ---- in the engine: the commands, picking, output and files --------------------------------

constexpr std::uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

class DrawOrderTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_GT(cadFileNew(0, ""), 0);
        red = cadLayerAdd("czerwona", 0, int(kRed), int(kRed));
        blue = cadLayerAdd("niebieska", 0, int(kBlue), int(kBlue));
        green = cadLayerAdd("zielona", 0, int(kGreen), int(kGreen));
        // Red under blue where they overlap, around (15, 15); a line apart.
        a = filledSquare({10, 10}, 20, red);
        b = filledSquare({20, 20}, 20, blue);
        line = ActiveAdder().addLine({{40, 0}, {50, 0}});
        cadUndoForget();
        document().saved();
    }

    static Document& document() { return *engine().active(); }
    static const Drawing& drawing() { return document().drawing(); }

    static int filledSquare(Vec2 centre, double size, int layer) {
        return ActiveAdder::step([&](ChangeSet& c) {
            c.current().layer = layer;
            const int h = c.addRectangle({centre, size, size, 0});
            c.record(std::uint32_t(h)).set(EntityFlag::Filled, true);
            c.current().layer = 0;
            return h;
        });
    }
    static void selectOnly(std::initializer_list<int> handles) {
        document().selectAll(false);
        for (const int h : handles)
            document().select(h, true);
    }
    // The live entities of the drawing itself, bottom first.
    static std::vector<std::uint32_t> order() { return queried(drawing(), {-100, -100, 100, 100}); }
    static int picked(Vec2 p) { return entityAt(drawing(), p, 0.5); }
    static bool modified() { return cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1) != 0; }

    int red = -1, blue = -1, green = -1, a = -1, b = -1, line = -1;
};

using Handles = std::vector<std::uint32_t>;

TEST_F(DrawOrderTest, EachCommandIsOneStep) {
    const Handles start{std::uint32_t(a), std::uint32_t(b), std::uint32_t(line)};
    ASSERT_EQ(order(), start);
    EXPECT_EQ(picked({15, 15}), b) << "the one on top";

    selectOnly({a});
    ASSERT_EQ(cadExecute(CAD_CMD_ENTITY_TO_TOP), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(b), Handles::value_type(line), Handles::value_type(a)}));
    EXPECT_EQ(picked({15, 15}), a);
    EXPECT_TRUE(modified());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(), start);
    EXPECT_EQ(picked({15, 15}), b);
    EXPECT_FALSE(modified());
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    EXPECT_EQ(picked({15, 15}), a);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);

    selectOnly({line, b});
    ASSERT_EQ(cadExecute(CAD_CMD_ENTITY_TO_BOTTOM), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(b), Handles::value_type(line), Handles::value_type(a)}))
        << "both under the rest, in their order";
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(), start);

    // Two selected change places; without a window nothing else can say which two.
    selectOnly({a, line});
    ASSERT_EQ(cadExecute(CAD_CMD_SWAP_ENTITIES), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(line), Handles::value_type(b), Handles::value_type(a)}));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(), start);
    selectOnly({a});
    EXPECT_EQ(cadExecute(CAD_CMD_SWAP_ENTITIES), 0);
    EXPECT_EQ(order(), start);
    EXPECT_FALSE(modified());
}

TEST_F(DrawOrderTest, HatchesGoUnderTheRestOfTheSelectionOrOfTheDrawing) {
    // A solid hatch and a line over everything else.
    const Vec2 square[] = {{0, 0}, {30, 0}, {30, 30}, {0, 30}};
    const int hatch = ActiveAdder::step([&](ChangeSet& c) {
        c.current().layer = green;
        const int h = c.addHatch(square, HatchSpec{});
        c.current().layer = 0;
        return h;
    });
    const int over = ActiveAdder().addLine({{0, 5}, {30, 5}});
    cadUndoForget();
    const Handles start = order();

    // Of the selection: the blue square alone goes under everything.
    selectOnly({b, line});
    ASSERT_EQ(cadExecute(CAD_CMD_HATCHES_TO_BOTTOM), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(b), Handles::value_type(a), Handles::value_type(line),
                       Handles::value_type(hatch), Handles::value_type(over)}));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(), start);

    // Nothing selected: every hatch and filled shape of the drawing, in their order.
    document().selectAll(false);
    ASSERT_EQ(cadExecute(CAD_CMD_HATCHES_TO_BOTTOM), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(a), Handles::value_type(b), Handles::value_type(hatch),
                       Handles::value_type(line), Handles::value_type(over)}));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(), start);

    // A selection with none: nothing changes.
    selectOnly({line});
    EXPECT_EQ(cadExecute(CAD_CMD_HATCHES_TO_BOTTOM), 0);
    EXPECT_EQ(order(), start);
}

// ---- the order in what is drawn and written ---------------------------------------------------

QColor pixelAt(const QImage& image, QPointF p) {
    return image.pixelColor(p.toPoint());
}

// Where the drawing point p falls in a fitted picture of width x height.
QPointF inPicture(const Drawing& d, Vec2 p, int width, int height) {
    const RenderView v = fittedView(d, width, height);
    const Vec2 q = v.toDevice.apply(p);
    return {q.x, q.y};
}

// The colour of the middle of the overlap (15, 15) in a PNG, an SVG and a PDF of the active
// drawing.
QColor inPng(const std::string& path) {
    constexpr int size = 200;
    EXPECT_EQ(cadExportPng(path, size, size), 1);
    const QImage image(QString::fromStdString(path));
    return pixelAt(image, inPicture(*activeDrawing(), {15, 15}, size, size));
}

QColor inSvg(const std::string& path) {
    constexpr int size = 200;
    EXPECT_EQ(cadExportSvg(path, size, size), 1);
    QSvgRenderer svg(QString::fromStdString(path));
    EXPECT_TRUE(svg.isValid());
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    svg.render(&p, QRectF(0, 0, size, size));
    p.end();
    return pixelAt(image, inPicture(*activeDrawing(), {15, 15}, size, size));
}

QColor inPdf(const std::string& path) {
    CadPageOptions page;
    EXPECT_EQ(cadExportPdf(path, page), 1);
    QProcess p;
    const QString prefix = QString::fromStdString(path) + QStringLiteral("-page");
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), QString::fromStdString(path), prefix});
    EXPECT_TRUE(p.waitForFinished(-1) && p.exitCode() == 0);
    const QImage image(prefix + QStringLiteral(".png"));
    // The drawing fitted on the page: the overlap is the middle of the colours on it.
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    // The squares span (0, 0) to (30, 30) and the line reaches x = 50, along y = 0.
    const double unit = (right - left) / 50.0;
    return image.pixelColor(int(left + 15 * unit), int(bottom - 15 * unit));
}

TEST_F(DrawOrderTest, TheTopmostIsPickedAndDrawnOnTopInEveryOutputAndFile) {
    // On top as drawn first: blue, the later one.
    EXPECT_EQ(inPng(path("before.png")), QColor(Qt::blue));

    selectOnly({b});
    ASSERT_EQ(cadExecute(CAD_CMD_ENTITY_TO_BOTTOM), 1);
    document().selectAll(false);
    ASSERT_EQ(picked({15, 15}), a);
    EXPECT_EQ(inPng(path("after.png")), QColor(Qt::red));
    EXPECT_EQ(inSvg(path("after.svg")), QColor(Qt::red));
    EXPECT_EQ(inPdf(path("after.pdf")), QColor(Qt::red));

    // Saved and opened again; then the same through DXF.
    ASSERT_EQ(cadFileSave(path("plan.rdw"), CAD_FORMAT_NATIVE), 1);
    ASSERT_EQ(cadFileSave(path("plan.dxf"), CAD_FORMAT_DXF), 1);
    for (const char* file : {"plan.rdw", "plan.dxf"}) {
        SCOPED_TRACE(file);
        ASSERT_GT(cadFileNew(0, ""), 0);
        ASSERT_EQ(cadFileLoad(path(file), CAD_FORMAT_ANY), 1);
        const int top = picked({15, 15});
        ASSERT_GE(top, 0);
        EXPECT_EQ(drawing().layers[drawing().entities[std::size_t(top)].layer].name, "czerwona");
        EXPECT_EQ(inPng(path(std::string(file) + ".png")), QColor(Qt::red));
    }
}

TEST_F(DrawOrderTest, TwoThreadsDrawingHalvesKeepTheOrder) {
    // So many dots in view that two threads draw the halves of the order: the red square,
    // brought to the top, is in the second half whatever its handle.
    ActiveAdder::step([](ChangeSet& c) {
        for (int i = 0; i < 30000; ++i)
            c.addPoint({{-50 + (i % 200) * 0.25, -50 - (i / 200) * 0.25}});
        return 0;
    });
    selectOnly({a});
    ASSERT_EQ(cadExecute(CAD_CMD_ENTITY_TO_TOP), 1);
    selectOnly({b});
    ASSERT_EQ(cadExecute(CAD_CMD_SWAP_ENTITIES), 0) << "one selected, no window";
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const RenderView view = RenderView::centredOn({0, 0}, 0.5, 300, 300);
    renderDrawing(p, drawing(), view, RenderOptions{});
    p.end();
    const Vec2 at = view.toDevice.apply({15, 15});
    EXPECT_EQ(image.pixelColor(int(at.x), int(at.y)), QColor(Qt::red));
}

// ---- DXF: the sort table for other programs, and from them -----------------------------------

// Runs a script with the system python (the one with ezdxf); its output as JSON.
QJsonObject ezdxf(const QString& dir, const char* script, const QStringList& args) {
    const QString file = dir + QStringLiteral("/script.py");
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(script);
    f.close();
    QProcess p;
    p.start(KWL_SYSTEM_PYTHON, QStringList{file} + args);
    EXPECT_TRUE(p.waitForFinished(600000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// The audit, and the layers of the model space's entities in the order the sort table gives.
const char* kRedrawOrder = R"PY(
import sys, json, ezdxf
from ezdxf import reorder
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
msp = doc.modelspace()
drawn = [e.dxf.layer + ":" + e.dxftype() for e in reorder.ascending(msp, msp.get_redraw_order())]
print(json.dumps({"errors": [str(x.message) for x in auditor.errors],
                  "fixes": [str(x.message) for x in auditor.fixes],
                  "table": len(list(msp.get_redraw_order())), "drawn": drawn}))
)PY";

TEST_F(DrawOrderTest, OtherProgramsReadTheOrderFromOurSortTable) {
    selectOnly({a});
    ASSERT_EQ(cadExecute(CAD_CMD_ENTITY_TO_TOP), 1);
    ASSERT_EQ(cadFileSave(path("order.dxf"), CAD_FORMAT_DXF), 1);
    const QJsonObject out =
        ezdxf(dir.path(), kRedrawOrder, {QString::fromStdString(path("order.dxf"))});
    EXPECT_EQ(out["errors"].toArray().size(), 0) << QJsonDocument(out).toJson().toStdString();
    EXPECT_EQ(out["fixes"].toArray().size(), 0) << QJsonDocument(out).toJson().toStdString();
    EXPECT_GT(out["table"].toInt(), 0);
    // Each filled square is its fill under its outline; the red one's come last.
    const QJsonArray drawn = out["drawn"].toArray();
    ASSERT_EQ(drawn.size(), 5);
    EXPECT_EQ(drawn[0].toString(), "niebieska:HATCH");
    EXPECT_EQ(drawn[1].toString(), "niebieska:LWPOLYLINE");
    EXPECT_EQ(drawn[2].toString(), "0:LINE");
    EXPECT_EQ(drawn[3].toString(), "czerwona:HATCH");
    EXPECT_EQ(drawn[4].toString(), "czerwona:LWPOLYLINE");
}

// A file whose entities stand in one order and whose sort table draws them in another.
const char* kSortedFile = R"PY(
import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
for name in ("A", "B", "C"):
    doc.layers.add(name)
a = msp.add_lwpolyline([(0, 0), (20, 0), (20, 20), (0, 20)], close=True, dxfattribs={"layer": "A"})
b = msp.add_lwpolyline([(10, 10), (30, 10), (30, 30), (10, 30)], close=True, dxfattribs={"layer": "B"})
c = msp.add_line((0, 15), (30, 15), dxfattribs={"layer": "C"})
# A over B over C: the line drawn first, then B, then A.
msp.set_redraw_order({c.dxf.handle: "1", b.dxf.handle: "2", a.dxf.handle: "FFFF"})
doc.saveas(sys.argv[1])
print("{}")
)PY";

TEST_F(DrawOrderTest, AnotherProgramsSortTableIsRead) {
    ezdxf(dir.path(), kSortedFile, {QString::fromStdString(path("sorted.dxf"))});
    const DxfReadResult read = readDxf(
        [&] {
            QFile f(QString::fromStdString(path("sorted.dxf")));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            return f.readAll().toStdString();
        }(),
        "sorted.dxf");
    const Drawing& d = *read.drawing;
    std::vector<std::string> layers;
    for (const std::uint32_t h : queried(d, {-100, -100, 100, 100}))
        layers.push_back(d.layers[d.entities[h].layer].name);
    EXPECT_EQ(layers, (std::vector<std::string>{"C", "B", "A"}));
    // Where the edges of both squares cross: the one on top is picked.
    const int top = entityAt(d, {20, 10}, 0.5);
    ASSERT_GE(top, 0);
    EXPECT_EQ(d.layers[d.entities[std::size_t(top)].layer].name, "A");
}

// ---- in the window: the selection's menu, and two entities picked to swap -------------------

class DrawOrderWindowTest : public DrawOrderTest {
protected:
    void SetUp() override {
        DrawOrderTest::SetUp();
        savedMenu = showMenu;
        showMenu = [this](QMenu& menu, QPoint) -> QAction* {
            shown.clear();
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions())
                if (!action->isSeparator()) {
                    shown.push_back(action->data().toInt());
                    if (action->data().toInt() == choice && action->isEnabled())
                        chosen = action;
                }
            return chosen;
        };
        savedSnaps = engine().snaps;
        engine().snaps = SnapSettings{};
        parent.resize(400, 300);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, 400, 300), 1);
        w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        ASSERT_NE(w, nullptr);
        document().view.centre = {20, 20};
        document().view.unitsPerPixel = 0.25;
        engine().redraw();
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
    }
    void TearDown() override {
        showMenu = savedMenu;
        engine().snaps = savedSnaps;
        DrawOrderTest::TearDown();
    }
    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, w->toPixel(p).toPoint());
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::function<QAction*(QMenu&, QPoint)> savedMenu;
    SnapSettings savedSnaps;
    std::vector<int> shown;
    int choice = 0;
    std::string prompt;
};

TEST_F(DrawOrderWindowTest, TheSelectionsMenuReordersIt) {
    selectOnly({a});
    choice = 19245; // "Entity to top"
    selectionMenu(document(), w, QPoint(10, 10), std::nullopt);
    for (const int item : {19244, 19245, 19246, 19247})
        EXPECT_NE(std::find(shown.begin(), shown.end(), item), shown.end()) << item;
    EXPECT_EQ(order().back(), std::uint32_t(a));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order().back(), std::uint32_t(line));
}

TEST_F(DrawOrderWindowTest, TwoEntitiesPickedChangePlaces) {
    document().selectAll(false);
    ASSERT_EQ(cadExecute(CAD_CMD_SWAP_ENTITIES), 1);
    EXPECT_EQ(prompt, "Swap entities: Pick the first of the two entities to swap");
    click({100, 100}); // nothing there
    EXPECT_EQ(prompt, "Swap entities: Pick the first of the two entities to swap");
    click({5, 5}); // inside the red square alone
    EXPECT_EQ(prompt, "Swap entities: Pick the second entity");
    // Esc steps back to the first; then the first is the line, the second the blue square.
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(prompt, "Swap entities: Pick the first of the two entities to swap");
    click({45, 0});
    click({25, 25});
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(a), Handles::value_type(line), Handles::value_type(b)}));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(a), Handles::value_type(b), Handles::value_type(line)}));

    // One selected is the first.
    selectOnly({a});
    ASSERT_EQ(cadExecute(CAD_CMD_SWAP_ENTITIES), 1);
    EXPECT_EQ(prompt, "Swap entities: Pick the second entity");
    click({25, 25});
    EXPECT_EQ(order(),
              (Handles{Handles::value_type(b), Handles::value_type(a), Handles::value_type(line)}));
    EXPECT_EQ(picked({15, 15}), a);
}

} // namespace
