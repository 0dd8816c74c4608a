// What makes editing trustworthy: every change of a document is a step that undo takes back
// whole, whatever made it (the program's calls in and outside groups, commands, dialogs), every
// state of a document writes and reads back, and the journal's limits, tables, vertex store and
// commands behave as they must.
#include "engine/Engine.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/Merge.h"
#include "engine/model/Transform.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Clipboard.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTreeWidget>

#include <random>

using namespace cad;

namespace {

// What a drawing holds as the journal keeps it: without the display settings and the attributes
// new entities take.
std::string content(const Drawing& d) {
    const auto copy = d.contentCopy();
    copy->current = CurrentAttributes{};
    copy->settings = DrawingSettings{};
    return writeNative(*copy);
}

Document& document() {
    return *engine().active();
}

class JournalIntegrity : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        ASSERT_GT(cadFileNew(0, ""), 0);
    }
};

TEST_F(JournalIntegrity, CallsOutsideGroupsAreStepsAndEveryStateReadsBack) {
    // The program's calls, alone and in groups, mixed with undo and redo: after every one the
    // drawing writes and reads back, and in the end every step taken back gives the start.
    std::mt19937 random(20);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const std::string start = content(document().drawing());
    // At most three steps a round: all of them stay within the journal's hundred.
    for (int round = 0; round < 33; ++round) {
        const bool group = pick(4) == 0;
        if (group)
            cadUndoGroupBegin();
        const int calls = group ? 1 + pick(4) : 1;
        for (int c = 0; c < calls; ++c) {
            const double x = pick(500), y = pick(300);
            switch (pick(9)) {
            case 0:
                cadAddLine(x, y, x + 10, y + 4);
                break;
            case 1:
                cadLayerAdd("warstwa " + std::to_string(pick(6)), 0.1 * pick(5), pick(255), 0);
                break;
            case 2:
                cadLayerActive(pick(cadLayerCount()));
                cadAddCircle(x, y, 1 + pick(9));
                break;
            case 3:
                cadStLineAdd("kreska " + std::to_string(pick(3)), "5,-2");
                break;
            case 4:
                cadStTextAdd("opis", "DejaVu Sans", 1, 0, 5, 1, 1);
                cadAddText(x, y, "Km " + std::to_string(round));
                break;
            case 5: {
                cadBlockBegin();
                cadAddLine(0, 0, 3, 3);
                const int block = cadBlockAdd("b" + std::to_string(pick(4)), 0, 0);
                if (block >= 0)
                    cadAddInsert(block, x, y, 1, 1, 0);
                break;
            }
            case 6: {
                const int n = static_cast<int>(document().drawing().entities.size());
                if (n > 0) {
                    const int h = pick(n);
                    cadPropPutInt(CAD_PROP_ENT_LAYER, h, pick(cadLayerCount()));
                    cadPropPutDbl(CAD_PROP_ENT_X, h, x);
                }
                break;
            }
            case 7:
                cadPropPutInt(CAD_PROP_LAYER_COLOR, pick(cadLayerCount()), pick(0xFFFFFF));
                break;
            default:
                cadPolylineBegin();
                for (int v = 0; v < 2 + pick(4); ++v)
                    cadVertex(x + pick(50), y + pick(50));
                cadAddPolyline(0, pick(2));
                break;
            }
        }
        if (group)
            cadUndoGroupEnd();
        if (pick(6) == 0 && cadCanUndo()) {
            cadExecute(CAD_CMD_UNDO);
            if (pick(2) == 0)
                cadExecute(CAD_CMD_REDO);
        }
        const std::string bytes = writeNative(document().drawing());
        std::unique_ptr<Drawing> back;
        ASSERT_NO_THROW(back = readNative(bytes)) << "round " << round;
        ASSERT_TRUE(writeNative(*back) == bytes) << "round " << round;
    }
    while (cadCanUndo())
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(content(document().drawing()) == start);
    EXPECT_NO_THROW(readNative(writeNative(document().drawing())));
}

TEST_F(JournalIntegrity, UndoAndRedoWaitForTheStepBeingRecorded) {
    cadAddLine(0, 0, 1, 1);
    cadUndoGroupBegin();
    cadAddLine(5, 5, 6, 6);
    const std::string during = content(document().drawing());
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0) << "not under the group";
    EXPECT_TRUE(content(document().drawing()) == during);
    cadUndoGroupEnd();
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(document().drawing().selectedCount(), 0);
    {
        Edit edit(document());
        edit.changes().addPoint({{3, 3}});
        EXPECT_FALSE(engine().undo(document())) << "not under an Edit";
        EXPECT_FALSE(engine().redo(document()));
        edit.commit();
    }
    EXPECT_TRUE(engine().undo(document()));
}

TEST_F(JournalIntegrity, ALoadEndsTheOpenGroupAndEditFirstNeverUnderThem) {
    cadAddLine(0, 0, 10, 10);
    ASSERT_EQ(cadFileSave(path("inny.rdw"), CAD_FORMAT_NATIVE), 1);
    cadUndoGroupBegin();
    cadAddCircle(1, 1, 1);
    {
        Edit edit(document());
        edit.changes().addPoint({{2, 2}});
        ASSERT_EQ(cadFileLoad(path("inny.rdw"), CAD_FORMAT_ANY), 1);
        EXPECT_FALSE(edit.open()) << "the load ended it";
        EXPECT_FALSE(cadCanUndo());
        // What is written through it from now on is a change of its own.
        edit.changes().addPoint({{4, 4}});
        edit.commit();
    }
    cadUndoGroupEnd(); // ended already: nothing happens
    ASSERT_TRUE(cadCanUndo());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(cadCanUndo());
    EXPECT_NO_THROW(readNative(writeNative(document().drawing())));
}

TEST_F(JournalIntegrity, TheJournalForgetsItsOldestStepsBeyondItsMemory) {
    // A polyline of 10 000 vertices moved again and again: each step keeps 160 kB.
    Drawing d;
    std::vector<Vec2> v;
    for (int i = 0; i < 10000; ++i)
        v.push_back({double(i), double(i % 7)});
    const int h = d.addPolyline(v.data(), v.size(), false);
    Journal journal(1 << 20);
    std::vector<std::string> states{writeNative(d)};
    for (int step = 0; step < 20; ++step) {
        auto change = std::make_unique<ChangeSet>(d);
        for (Vec2& p : change->change(static_cast<std::uint32_t>(h)).vertices())
            p.x += 1;
        journal.push(std::move(change));
        states.push_back(writeNative(d));
    }
    EXPECT_LE(journal.bytes(), std::size_t(1) << 20);
    EXPECT_LT(journal.size(), 20u);
    EXPECT_GE(journal.size(), 5u);
    // What is kept can be taken back, each to its state.
    for (std::size_t back = 1; journal.canUndo(); ++back) {
        journal.undo();
        EXPECT_TRUE(writeNative(d) == states[states.size() - 1 - back]) << back;
    }
    EXPECT_TRUE(Journal::kMostBytes == std::size_t(256) << 20);
}

TEST_F(JournalIntegrity, UndoingALayersStepKeepsLaterSettingsAndTheCurrentLayer) {
    cadLayerAdd("a", 0.1, 0xFF, 0xFF);
    cadLayerAdd("b", 0.2, 0xFF00, 0xFF00);
    cadUndoForget();
    const auto saved = showModal;
    showModal = [](QDialog& dialog) {
        auto* list = dialog.findChild<QTreeWidget*>("cadLayerList");
        list->setCurrentItem(list->topLevelItem(1));
        dialog.findChild<QCheckBox*>("cadLayerLocked")->setChecked(true);
        dialog.accept();
        return int(QDialog::Accepted);
    };
    ASSERT_EQ(cadExecute(CAD_CMD_LAYERS), 1);
    showModal = saved;
    ASSERT_EQ(cadPropGetInt(CAD_PROP_LAYER_LOCKED, 1), 1);
    // Later: the grid shown, widths shown, the layer new entities go on.
    cadExecute(CAD_CMD_SHOW_GRID);
    cadExecute(CAD_CMD_SHOW_WIDTHS);
    cadLayerActive(2);
    const std::uint64_t builds = document().drawing().index().builds();
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_LOCKED, 1), 0) << "the dialog's step taken back";
    EXPECT_TRUE(document().drawing().settings.gridShown);
    EXPECT_TRUE(document().drawing().settings.showLineWidths);
    EXPECT_EQ(document().drawing().current.layer, 2);
    EXPECT_EQ(document().drawing().index().builds(), builds) << "layers need no new index";
}

TEST_F(JournalIntegrity, DisplaySettingsMarkTheDocumentChangedButAreNoSteps) {
    cadUndoForget();
    cadPropPutInt(CAD_PROP_DOC_MODIFIED, -1, 0);
    ASSERT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    cadExecute(CAD_CMD_SHOW_GRID);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    EXPECT_FALSE(cadCanUndo());
    // Saved with the drawing.
    ASSERT_EQ(cadFileSave(path("siatka.rdw"), CAD_FORMAT_NATIVE), 1);
    EXPECT_TRUE(loadNative(path("siatka.rdw"))->settings.gridShown);
}

TEST_F(JournalIntegrity, AMirroredHatchRunsItsLinesMirroredAndAMovedOneTakesItsPatternAlong) {
    // A square hatched with lines at 45 degrees, drawn into an image; mirrored across a
    // vertical line through its middle it must look like the image flipped left to right, and
    // moved by an odd amount it must look the same seen from as far away.
    Drawing d;
    d.layers[0].color = 0x000000;
    const Vec2 square[] = {{20, 20}, {180, 20}, {180, 180}, {20, 180}};
    const int h = d.addHatch(square, 4, {"ANSI31", false, 3, 0, {4}, {}, false});
    const auto picture = [&](const Drawing& drawing, Vec2 centre) {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        renderDrawing(p, drawing, RenderView::centredOn(centre, 1.0, 200, 200), {});
        return image;
    };
    const auto sameShare = [](const QImage& a, const QImage& b) {
        int same = 0, inked = 0;
        for (int y = 10; y < 190; ++y)
            for (int x = 10; x < 190; ++x) {
                // Within a pixel: the flipped picture mirrors about a line half a pixel off.
                const bool ia = qGray(a.pixel(x, y)) < 128;
                bool ib = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        ib = ib || qGray(b.pixel(x + dx, y + dy)) < 128;
                inked += ia;
                same += ia && ib;
            }
        return inked == 0 ? 0.0 : double(same) / inked;
    };
    const QImage before = picture(d, {100, 100});
    Drawing mirrored = d;
    {
        ScratchWriter w(mirrored);
        transformEntity(w, h, Similarity::mirroring({100, 0}, {100, 1}));
    }
    EXPECT_GT(sameShare(picture(mirrored, {100, 100}), before.mirrored(true, false)), 0.9);
    EXPECT_LT(sameShare(picture(mirrored, {100, 100}), before), 0.5) << "not 45 degrees still";
    Drawing moved = d;
    {
        ScratchWriter w(moved);
        transformEntity(w, h, Similarity::translation({3.7, 1.3}));
    }
    EXPECT_GT(sameShare(picture(moved, {103.7, 101.3}), before), 0.9);
    // Through the file, the pattern keeps its mirror and its origin.
    const auto back = readNative(writeNative(mirrored));
    EXPECT_GT(sameShare(picture(*back, {100, 100}), before.mirrored(true, false)), 0.9);
}

TEST_F(JournalIntegrity, ReplacedVertexListsAreReclaimedAndUndoStillGivesThemBack) {
    std::vector<Vec2> v(1'000'000);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = {double(i), double(i % 13)};
    const int h = ActiveAdder().addPolyline(v.data(), v.size(), false);
    cadUndoForget();
    const std::string start = content(document().drawing());
    for (int k = 0; k < 10; ++k) {
        Edit edit(document());
        EntityChange c = edit.changes().change(static_cast<std::uint32_t>(h));
        std::vector<Vec2> now(c.vertices().begin(), c.vertices().end());
        now.insert(now.begin() + 1000 * (k + 1), Vec2{-1.0 * k, -1.0});
        c.setVertices(now);
        edit.commit();
    }
    const Drawing& d = document().drawing();
    EXPECT_EQ(d.entities[static_cast<std::size_t>(h)].count, 1'000'010u);
    // Eleven lists were made; the store holds not much more than two.
    EXPECT_LT(d.vertices.size(), 2'600'000u);
    while (cadCanUndo())
        cadExecute(CAD_CMD_UNDO);
    EXPECT_TRUE(content(d) == start);
    while (cadCanRedo())
        cadExecute(CAD_CMD_REDO);
    EXPECT_EQ(d.entities[static_cast<std::size_t>(h)].count, 1'000'010u);
    EXPECT_EQ(d.vertexData(d.entities[static_cast<std::size_t>(h)])[1000], (Vec2{0, -1}));
}

TEST_F(JournalIntegrity, MoreLayersThanADrawingCanHoldAreRefusedWholeOnLoadAndPaste) {
    Drawing many;
    for (int i = 0; i < 65000; ++i)
        many.layers.push_back(Layer{"L" + std::to_string(i), 0, 0, 0.1, true, false, true});
    many.current.layer = 64999;
    many.addLine({{0, 0}, {1, 1}});
    saveNative(many, path("duzo.rdw"));
    for (int i = 0; i < 1000; ++i)
        cadLayerAdd("moja " + std::to_string(i), 0.1, 0, 0);
    cadUndoForget();
    const std::string before = content(document().drawing());
    EXPECT_EQ(cadFileLoad(path("duzo.rdw"), CAD_FORMAT_ANY), 0);
    ASSERT_FALSE(responder->messages.empty());
    EXPECT_EQ(responder->messages.back().text, engine().text(10530));
    EXPECT_TRUE(content(document().drawing()) == before) << "nothing of it arrived";
    EXPECT_TRUE(tablesWouldOverflow(document().drawing(), many));
    // Within the limit, names are mapped through a hash: a paste of the same layers again
    // makes none anew.
    Drawing some;
    for (int i = 0; i < 500; ++i)
        some.layers.push_back(Layer{"moja " + std::to_string(i), 0, 0, 0.1, true, false, true});
    some.addLine({{0, 0}, {1, 1}});
    EXPECT_FALSE(tablesWouldOverflow(document().drawing(), some));
    const std::size_t layers = document().drawing().layers.size();
    changeActive(0, [&](ChangeSet& c) { return int(pasteEntities(c, some).size()); });
    EXPECT_EQ(document().drawing().layers.size(), layers);
}

// ---- in the window

class WindowIntegrity : public JournalIntegrity {
protected:
    void SetUp() override {
        JournalIntegrity::SetUp();
        parent.resize(400, 300);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, 400, 300), 1);
        w = DrawingWindow::current();
        document().view.centre = {0, 0};
        document().view.unitsPerPixel = 1;
        engine().redraw();
    }
    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseMove(w, w->toPixel(p).toPoint());
        QTest::mouseClick(w, button, Qt::NoModifier, w->toPixel(p).toPoint());
    }
    QWidget parent;
    DrawingWindow* w = nullptr;
};

TEST_F(WindowIntegrity, ALayerLockedDuringAMoveLetsTheCommandGoAndNothingMoves) {
    const int line = cadAddLine(-50, 0, 50, 0);
    cadLayerAdd("inna", 0.1, 0, 0);
    const int other = cadAddLine(-50, 40, 50, 40);
    cadPropPutInt(CAD_PROP_ENT_LAYER, other, 1);
    cadUndoForget();
    cadSelect(1, line);
    cadSelect(1, other);
    ASSERT_EQ(cadExecute(CAD_CMD_MOVE), 1);
    click({0, 0}); // the base point
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    // Layer 0 locked while the move waits: its line leaves the selection and the move.
    cadPropPutInt(CAD_PROP_LAYER_LOCKED, 0, 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_SELECTED, line), 0);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command) << "the other line still moves";
    click({0, 20});
    EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_ENT_Y, line), 0) << "locked: not moved";
    EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_ENT_Y, other), 60);
    // With nothing left to move, the command ends.
    cadSelect(1, other);
    ASSERT_EQ(cadExecute(CAD_CMD_MOVE), 1);
    click({0, 0});
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    cadPropPutInt(CAD_PROP_LAYER_LOCKED, 1, 1);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
}

TEST_F(WindowIntegrity, EscAndBackspaceInEveryCommandStepBackAndLeaveNothing) {
    // Every command that picks points: two points, Backspace, then Esc until it ends; nothing
    // is added and no step is made.
    cadAddLine(-80, -60, 80, 60);
    cadAddCircle(30, -20, 15);
    cadUndoForget();
    const std::string start = content(document().drawing());
    const int commands[] = {CAD_CMD_DRAW_LINE,
                            CAD_CMD_DRAW_POLYLINE,
                            CAD_CMD_DRAW_SPLINE,
                            CAD_CMD_DRAW_CIRCLE,
                            CAD_CMD_DRAW_CIRCLE_DIAMETER,
                            CAD_CMD_DRAW_CIRCLE_2P,
                            CAD_CMD_DRAW_CIRCLE_3P,
                            CAD_CMD_DRAW_ARC,
                            CAD_CMD_DRAW_ARC_SEM,
                            CAD_CMD_DRAW_ARC_SME,
                            CAD_CMD_DRAW_SECTOR,
                            CAD_CMD_DRAW_ELLIPSE,
                            CAD_CMD_DRAW_RECTANGLE,
                            CAD_CMD_COPY,
                            CAD_CMD_MOVE,
                            CAD_CMD_ROTATE,
                            CAD_CMD_SCALE,
                            CAD_CMD_MIRROR,
                            CAD_CMD_SELECT_WINDOW,
                            CAD_CMD_SELECT_POLYGON,
                            CAD_CMD_SELECT_FENCE,

                            CAD_CMD_ZOOM_WINDOW,
                            CAD_CMD_MEASURE};
    for (const int command : commands) {
        SCOPED_TRACE(command);
        cadSelect(1, -1);
        ASSERT_EQ(cadExecute(command), 1);
        click({-20, -10});
        QTest::keyClick(w, Qt::Key_Backspace);
        click({10, 25});
        int escapes = 0;
        while (w->mode() != DrawingWindow::Mode::Idle && escapes < 8) {
            QTest::keyClick(w, Qt::Key_Escape);
            ++escapes;
        }
        EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
        EXPECT_FALSE(cadCanUndo());
        EXPECT_TRUE(content(document().drawing()) == start);
    }
}

} // namespace
