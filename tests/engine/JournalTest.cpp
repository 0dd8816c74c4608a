// The undo journal and the spatial index under random edits, compared with what a drawing
// saved at each state holds and with a look at every entity.
#include "engine/Engine.h"
#include "engine/edit/Operations.h"
#include "engine/io/NativeFormat.h"
#include "tests/engine/EngineTestSupport.h"

#include <random>

using namespace cad;

namespace {

// What a drawing holds, without the attributes new entities take: those follow the person's
// choices, not the journal.
std::string content(const Drawing& d) {
    const auto copy = d.contentCopy();
    copy->current = CurrentAttributes{};
    return writeNative(*copy);
}

class JournalTest : public EngineTest {
protected:
    Document& document() { return *engine().active(); }
    const Drawing& drawing() { return document().drawing(); }

    // A drawing with entities of every simple kind, splines and sectors among them, on two
    // layers, with a block.
    void fill(int count) {
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadLayerAdd("drogi", 0.35, 0x0000FF, 0x0000FF);
        for (int i = 0; i < count; ++i)
            addOne(i);
        cadBlockBegin();
        cadAddCircle(0, 0, 1);
        const int block = cadBlockAdd("znak", 0, 0);
        cadAddInsert(block, 5, 5, 2, 2, 30);
        cadUndoForget();
        document().saved();
    }
    void addOne(int i) {
        const double x = (i * 37) % 500, y = (i * 71) % 300;
        cadLayerActive(i % 2);
        switch (i % 8) {
        case 0:
            cadAddLine(x, y, x + 10, y + 3);
            break;
        case 1:
            addPolyline({x, y, x + 4, y + 9, x + 8, y}, i % 4 == 1);
            break;
        case 2:
            cadAddCircle(x, y, 2 + i % 5);
            break;
        case 3:
            cadAddArc(x, y, 3, 10, 200);
            break;
        case 4:
            cadAddText(x, y, "Km " + std::to_string(i));
            break;
        case 6:
            cadPolylineBegin();
            cadVertex(x, y), cadVertex(x + 5, y + 7), cadVertex(x + 9, y + 1);
            cadAddSpline(i % 3 == 0);
            break;
        case 7:
            cadPropPutInt(CAD_PROP_ENT_FILLED, cadAddSector(x, y, 4, 20, 110 + i % 200), i % 2);
            break;
        default:
            cadAddRectangle(x, y, 6, 3, i);
            break;
        }
    }

    // The index answers a query as a look at every entity does.
    void expectIndexAgrees(const Rect& area) {
        std::vector<std::uint32_t> found;
        drawing().query(area, found);
        std::vector<std::uint32_t> expected;
        const Drawing& d = drawing();
        for (std::size_t h = 0; h < d.entities.size(); ++h) {
            if (!d.inModelSpace(static_cast<int>(h)))
                continue;
            const FloatBox b = toFloatBox(d.entityExtents(static_cast<int>(h)));
            if (!b.empty() && b.left <= area.right && b.right >= area.left &&
                b.bottom <= area.top && b.top >= area.bottom)
                expected.push_back(static_cast<std::uint32_t>(h));
        }
        EXPECT_EQ(found, expected);
    }
};

TEST_F(JournalTest, RandomEditsUndoneAndRedoneGiveTheSameFilesAndTheIndexKeepsUp) {
    fill(300);
    std::mt19937 random(1250);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::string start = content(drawing());
    std::vector<std::string> states{start}; // after each step still in the journal
    std::size_t at = 0;                     // which of them the drawing is in

    // Fewer steps than the journal keeps, so that all of them can be taken back.
    for (int round = 0; round < 95; ++round) {
        const std::size_t kind = pick(8);
        const Drawing& d = drawing();
        if (kind == 0 && at > 0) {
            ASSERT_TRUE(engine().undo(document()));
            --at;
        } else if (kind == 1 && at + 1 < states.size()) {
            ASSERT_TRUE(engine().redo(document()));
            ++at;
        } else {
            Edit edit(document());
            const std::vector<std::uint32_t> live = [&] {
                std::vector<std::uint32_t> v;
                for (std::size_t h = 0; h < d.entities.size(); ++h)
                    if (d.inModelSpace(static_cast<int>(h)))
                        v.push_back(static_cast<std::uint32_t>(h));
                return v;
            }();
            if (kind == 2 || live.empty()) {
                for (int i = 0, n = 1 + int(pick(5)); i < n; ++i)
                    addOne(int(pick(1000)));
            } else if (kind == 3) {
                std::vector<std::uint32_t> gone;
                for (int i = 0, n = 1 + int(pick(20)); i < n; ++i)
                    gone.push_back(live[pick(live.size())]);
                erase(edit.changes(), gone);
            } else if (kind == 4) {
                // Moves an entity: its geometry changes where it lies.
                const std::uint32_t h = live[pick(live.size())];
                EntityChange c = edit.changes().change(h);
                const double dx = double(pick(200)) - 100;
                switch (c.type()) {
                case EntityType::Line:
                    c.line().a.x += dx;
                    break;
                case EntityType::Polyline:
                case EntityType::Spline: {
                    // Now and then a vertex more or less: the list takes a new place.
                    std::vector<Vec2> v(c.vertices().begin(), c.vertices().end());
                    for (Vec2& p : v)
                        p.y += dx;
                    if (pick(3) == 0)
                        v.push_back({v.back().x + 1, v.back().y});
                    else if (pick(3) == 0 && v.size() > 2)
                        v.pop_back();
                    c.setVertices(v);
                    break;
                }
                case EntityType::Sector:
                    c.arc().endAngle += dx;
                    break;
                case EntityType::Circle:
                    c.circle().radius += std::abs(dx);
                    break;
                case EntityType::Text:
                    c.text().p.x += dx;
                    if (pick(2) == 0)
                        c.setText("Zmieniony " + std::to_string(round));
                    break;
                default:
                    c.setOwnStyle({0x123456, 0, 0.5});
                    c.record().set(EntityFlag::ColorByLayer, false);
                    break;
                }
            } else if (kind == 5) {
                const std::uint32_t h = live[pick(live.size())];
                Entity& e = edit.changes().record(h);
                e.layer = e.layer == 0 ? 1 : 0;
            } else if (kind == 6) {
                // The program's own calls: a layer and an entity in one step.
                cadLayerAdd("nowa" + std::to_string(round), 0.2, 0xFF, 0xFF);
                addOne(round);
            } else {
                edit.changes().layer(0).color = static_cast<std::uint32_t>(round);
            }
            edit.commit();
            states.resize(at + 1);
            states.push_back(content(d));
            ++at;
        }
        ASSERT_TRUE(content(drawing()) == states[at]) << "round " << round << ", kind " << kind;
        const double x = double(pick(600)) - 50, y = double(pick(400)) - 50;
        expectIndexAgrees(Rect{x, y, x + double(pick(200)), y + double(pick(200))});
    }
    // Every step back to the start, every step forward to the end.
    while (engine().undo(document()))
        ;
    responder->messages.clear();
    EXPECT_TRUE(content(drawing()) == start);
    EXPECT_FALSE(document().modified());
    expectIndexAgrees(Rect{-100, -100, 700, 500});
    while (engine().redo(document()))
        ;
    EXPECT_TRUE(content(drawing()) == states.back());
    expectIndexAgrees(Rect{-100, -100, 700, 500});
}

TEST_F(JournalTest, UndoingToTheSavedStateLeavesNothingToSave) {
    fill(30);
    ASSERT_TRUE(cadFileSave(path("plan.rdw"), CAD_FORMAT_NATIVE));
    const std::string saved = writeNative(drawing());
    cadSelect(1, 3);
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    EXPECT_FALSE(drawing().valid(3));
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(drawing().valid(3)) << "the handle is the same";
    EXPECT_EQ(cadSelectedCount(), 1) << "what the undo changed is selected";
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    // Closing asks nothing.
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE), 1);
    EXPECT_TRUE(responder->questions.empty());
    EXPECT_EQ(cadDocGetActive(), 0);

    // Saving after an undo writes the undone state.
    ASSERT_GT(cadFileOpen(0, path("plan.rdw")), 0);
    cadSelect(1, 3);
    ASSERT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    const std::string erased = writeNative(drawing());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_TRUE(writeNative(*loadNative(path("plan.rdw"))) == saved);
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    EXPECT_TRUE(writeNative(drawing()) == erased);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1) << "the redone erase is not saved";
}

TEST_F(JournalTest, NothingToTakeBackIsSaidAndChangesNothing) {
    fill(10);
    const std::string before = writeNative(drawing());
    // Said where it stops nobody: a held Ctrl+Z meets no window to dismiss.
    std::vector<std::string> notices;
    engine().onNotice = [&notices](const std::string& text) { notices.push_back(text); };
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_REDO), 0);
    EXPECT_TRUE(responder->messages.empty());
    EXPECT_EQ(notices, (std::vector<std::string>{engine().text(10503), engine().text(10504)}));
    EXPECT_TRUE(writeNative(drawing()) == before);
    EXPECT_FALSE(cadCanUndo());
}

TEST_F(JournalTest, EraseAsksWhenToldToAndNoKeepsEverything) {
    fill(10);
    cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 1); // ask first
    cadSelect(1, 2);
    cadSelect(1, 4);
    responder->answers = {CAD_ASK_NO, CAD_ASK_YES};
    EXPECT_EQ(cadExecute(CAD_CMD_ERASE), 0);
    EXPECT_TRUE(drawing().valid(2) && drawing().valid(4));
    EXPECT_EQ(cadSelectedCount(), 2);
    EXPECT_FALSE(cadCanUndo());
    EXPECT_EQ(cadExecute(CAD_CMD_ERASE), 1);
    ASSERT_EQ(responder->questions.size(), 2u);
    EXPECT_EQ(responder->questions[0].text, engine().text(10506));
    EXPECT_FALSE(drawing().valid(2) || drawing().valid(4));
}

TEST_F(JournalTest, TheProgramsGroupsAreOneStepAndALoadStartsAnew) {
    fill(10);
    const std::string before = writeNative(drawing());
    cadUndoGroupBegin();
    cadLayerAdd("import", 0.1, 0xFF, 0xFF);
    cadLayerActive(cadLayerIndex("import", 0));
    cadUndoGroupBegin(); // nested: the same step
    for (int i = 0; i < 20; ++i)
        addOne(i);
    cadUndoGroupEnd();
    EXPECT_FALSE(cadCanUndo()) << "not a step before the outermost end";
    cadPropPutDbl(CAD_PROP_LAYER_WIDTH, 0, 0.7);
    cadUndoGroupEnd();
    ASSERT_TRUE(cadCanUndo());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(writeNative(drawing()) == before);
    EXPECT_FALSE(cadCanUndo());

    // A file loaded into the document starts its history anew.
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    ASSERT_TRUE(cadFileSave(path("other.rdw"), CAD_FORMAT_NATIVE));
    ASSERT_EQ(cadFileLoad(path("other.rdw"), CAD_FORMAT_ANY), 1);
    EXPECT_FALSE(cadCanUndo());
    EXPECT_FALSE(cadCanRedo());
}

TEST_F(JournalTest, ChangesByTheInterfaceInsideAGroupAreTakenBack) {
    fill(12);
    const std::string before = writeNative(drawing());
    cadUndoGroupBegin();
    cadPropPutInt(CAD_PROP_ENT_LAYER, 0, 1);
    cadPropPutInt(CAD_PROP_ENT_COLOR, 1, 0x00FF00);
    cadPropPutDbl(CAD_PROP_ENT_X, 2, 99);
    cadPropPut(CAD_PROP_TEXT_STRING, 4, "Km 9+999");
    cadPropPutDbl(CAD_PROP_TEXT_HEIGHT, 4, 7);
    cadPropPutInt(CAD_PROP_LAYER_VISIBLE, 1, 0);
    cadPropPut(CAD_PROP_LAYER_NAME, 1, "osie");
    cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, -1, 0xFFFFFF);
    cadUndoGroupEnd();
    EXPECT_FALSE(writeNative(drawing()) == before);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(writeNative(drawing()) == before);
}

TEST_F(JournalTest, TheJournalKeepsAHundredStepsAndLittleForAnErasedEntity) {
    fill(20);
    for (int i = 0; i < 120; ++i) {
        Edit edit(document());
        addOne(i);
        edit.commit();
    }
    EXPECT_EQ(document().journal.size(), Journal::kMostSteps);
    int undone = 0;
    while (engine().undo(document()))
        ++undone;
    EXPECT_EQ(undone, 100);
    EXPECT_TRUE(document().modified()) << "the oldest steps are gone for good";

    // Erasing many entities keeps at most 48 bytes of each.
    constexpr int kMany = 20000;
    for (int i = 0; i < kMany; ++i)
        cadAddLine(i, 0, i, 1);
    std::vector<std::uint32_t> all;
    for (std::size_t h = 0; h < drawing().entities.size(); ++h)
        if (drawing().inModelSpace(static_cast<int>(h)))
            all.push_back(static_cast<std::uint32_t>(h));
    {
        Edit edit(document());
        erase(edit.changes(), all);
        edit.commit();
    }
    ASSERT_NE(document().journal.nextUndo(), nullptr);
    EXPECT_LE(document().journal.nextUndo()->bytes(), 48 * all.size());
}

TEST_F(JournalTest, ASplineAndASectorChangedAreTakenBackAndMadeAgain) {
    fill(16);
    const Drawing& d = drawing();
    std::vector<std::uint32_t> curves;
    for (std::size_t h = 0; h < d.entities.size(); ++h)
        if (d.entities[h].type == EntityType::Spline || d.entities[h].type == EntityType::Sector)
            curves.push_back(static_cast<std::uint32_t>(h));
    ASSERT_EQ(curves.size(), 4u);
    const std::string before = writeNative(d);
    {
        Edit edit(document());
        for (const std::uint32_t h : curves) {
            EntityChange c = edit.changes().change(h);
            Entity& e = c.record();
            if (e.type == EntityType::Spline) {
                for (Vec2& v : c.vertices())
                    v.x += 1000;
                e.set(EntityFlag::Closed, !e.has(EntityFlag::Closed));
            } else {
                c.arc() = ArcData{{-50, -50}, 9, 200, 10};
                e.set(EntityFlag::Filled, !e.has(EntityFlag::Filled));
            }
        }
        edit.commit();
    }
    const std::string after = writeNative(d);
    EXPECT_FALSE(after == before);
    ASSERT_TRUE(engine().undo(document()));
    EXPECT_TRUE(writeNative(d) == before);
    expectIndexAgrees(Rect{-100, -100, 1600, 500});
    ASSERT_TRUE(engine().redo(document()));
    EXPECT_TRUE(writeNative(d) == after);

    // Through the interface: a sector's angles and radius, a spline closed.
    cadUndoGroupBegin();
    cadPropPutDbl(CAD_PROP_ENT_ANGLE1, int(curves[1]), 355);
    cadPropPutDbl(CAD_PROP_ENT_RADIUS, int(curves[1]), 0.5);
    cadPropPutInt(CAD_PROP_ENT_CLOSED, int(curves[0]), 0);
    cadUndoGroupEnd();
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(writeNative(d) == after);
}

TEST_F(JournalTest, AChangeLeftUnfinishedLeavesNothingBehind) {
    fill(10);
    const std::string before = writeNative(drawing());
    {
        Edit edit(document());
        erase(edit.changes(), std::vector<std::uint32_t>{1, 2, 3});
        addOne(5);
        edit.changes().layer(0).color = 0x808080;
    } // not committed
    EXPECT_TRUE(writeNative(drawing()) == before);
    EXPECT_FALSE(cadCanUndo());
    EXPECT_FALSE(document().modified());
}

} // namespace
