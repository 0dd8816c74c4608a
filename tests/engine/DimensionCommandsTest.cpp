// The dimensioning commands driven by clicks in the drawing window: each kind measures what it
// was pointed at and shows it with a decimal comma; each dimension is one step. Points picked
// with a snap on an entity stay tied to it: the dimension follows the entity through moves,
// turns, scaling, mirroring and undo/redo, in the same step, and keeps its place when the entity
// is deleted. Dimensions and their ties survive a save and a reopen.
#include "engine/Engine.h"
#include "engine/edit/Edit.h"
#include "engine/edit/FollowTies.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/Transform.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <span>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

class DimensionCommandsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadLayerAdd("wymiary", 0.18, 0x00FF00, 0x00FF00);
        cadLayerActive(1);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
        engine().snaps.set(SnapKind::End, true);
        engine().snaps.set(SnapKind::Centre, true);
    }

    void click(Vec2 p) {
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->toPixel(p).toPoint());
    }
    void key(Qt::Key k) { QTest::keyClick(w, k); }

    // Runs a dimension command, clicks the points, ends it, and returns the one dimension made.
    int dimension(int command, std::initializer_list<Vec2> points) {
        const std::size_t before = count();
        EXPECT_EQ(cadExecute(command), 1);
        for (const Vec2 p : points)
            click(p);
        key(Qt::Key_Escape);
        key(Qt::Key_Escape);
        EXPECT_EQ(count(), before + 1) << "exactly one dimension";
        return last();
    }
    static std::size_t count() {
        const Drawing& d = *activeDrawing();
        std::size_t n = 0;
        for (std::size_t h = 0; h < d.entities.size(); ++h)
            n += d.inModelSpace(static_cast<int>(h)) && d.entities[h].type == EntityType::Dimension;
        return n;
    }
    static int last() {
        const Drawing& d = *activeDrawing();
        for (std::size_t h = d.entities.size(); h-- > 0;)
            if (d.inModelSpace(static_cast<int>(h)) && d.entities[h].type == EntityType::Dimension)
                return static_cast<int>(h);
        return -1;
    }
    static DimensionData data(int h) {
        const Drawing& d = *activeDrawing();
        return d.dimensionOf(d.entities[static_cast<std::size_t>(h)]);
    }
    static double value(int h) { return measuredValue(data(h)); }
    static std::string shown(int h) {
        const Drawing& d = *activeDrawing();
        return dimensionTextOf(d, d.entities[static_cast<std::size_t>(h)]);
    }
    static const DimensionRecord& record(int h) {
        const Drawing& d = *activeDrawing();
        return d.dimensions[d.entities[static_cast<std::size_t>(h)].first];
    }
    // One undo takes the dimension back, one redo brings it again.
    static void expectOneStep(int h) {
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
        EXPECT_FALSE(activeDrawing()->valid(h));
        ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
        EXPECT_TRUE(activeDrawing()->valid(h));
    }
    static void transform(int h, const Similarity& s) {
        changeActive(0, [&](ChangeSet& c) {
            transformEntity(c, h, s);
            return 1;
        });
    }

    QWidget parent;
    DrawingWindow* w = nullptr;
};

void expectNear(Vec2 a, Vec2 b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

// A 3-4-5 triangle of 60, 80 and 100 units.
TEST_F(DimensionCommandsTest, LinearKindsMeasureATriangle) {
    ActiveAdder add;
    add.addLine({{0, 0}, {60, 0}});
    add.addLine({{60, 0}, {60, 80}});
    add.addLine({{0, 0}, {60, 80}});
    cadUndoForget();

    const int horizontal = dimension(CAD_CMD_DIM_HORIZONTAL, {{0, 0}, {60, 80}, {30, -20}});
    EXPECT_DOUBLE_EQ(value(horizontal), 60);
    EXPECT_EQ(shown(horizontal), "60,00");
    EXPECT_EQ(activeDrawing()->entities[static_cast<std::size_t>(horizontal)].layer, 1)
        << "the active layer";
    expectOneStep(horizontal);

    const int vertical = dimension(CAD_CMD_DIM_VERTICAL, {{0, 0}, {60, 80}, {90, 40}});
    EXPECT_DOUBLE_EQ(value(vertical), 80);
    EXPECT_EQ(shown(vertical), "80,00");

    const int parallel = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {60, 80}, {10, 60}});
    EXPECT_DOUBLE_EQ(value(parallel), 100);
    EXPECT_EQ(shown(parallel), "100,00");
    expectNear(data(parallel).points[DimPoint::LinePoint], {10, 60});
    // The points were picked on the lines' ends: tied to them.
    EXPECT_TRUE(record(parallel).ties[0].tied());
    EXPECT_TRUE(record(parallel).ties[1].tied());

    // Three dimensions, three steps.
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(count(), 0u);
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0) << "the lines were there before";
}

TEST_F(DimensionCommandsTest, EscStepsBackOnePoint) {
    ASSERT_EQ(cadExecute(CAD_CMD_DIM_PARALLEL), 1);
    click({0, 0});
    click({50, 50});
    key(Qt::Key_Escape); // the second point is dropped
    click({30, 40});
    click({0, 40});
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    ASSERT_EQ(count(), 1u);
    EXPECT_DOUBLE_EQ(value(last()), 50);
}

TEST_F(DimensionCommandsTest, RadiusAndDiameterOfACircle) {
    ActiveAdder add;
    const int circle = add.addCircle({{20, 10}, 12.5});
    const int radius = dimension(CAD_CMD_DIM_RADIAL, {{32, 10}, {60, 40}});
    EXPECT_NEAR(value(radius), 12.5, 1e-9);
    EXPECT_NE(shown(radius).find("12,50"), std::string::npos) << shown(radius);
    expectOneStep(radius);
    const int diameter = dimension(CAD_CMD_DIM_DIAMETRIC, {{20, 23}, {-20, -20}});
    EXPECT_NEAR(value(diameter), 25, 1e-9);
    EXPECT_NE(shown(diameter).find("25,00"), std::string::npos) << shown(diameter);

    // Both follow the circle when it grows.
    transform(circle, Similarity::scaling({20, 10}, 2));
    EXPECT_NEAR(value(radius), 25, 1e-9);
    EXPECT_NEAR(value(diameter), 50, 1e-9);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_NEAR(value(radius), 12.5, 1e-9);
    EXPECT_NEAR(value(diameter), 25, 1e-9);
}

TEST_F(DimensionCommandsTest, AngleBetweenLinesAndAtAVertex) {
    ActiveAdder add;
    add.addLine({{0, 0}, {80, 0}});
    add.addLine({{0, 0}, {0, 80}});
    const int between = dimension(CAD_CMD_DIM_ANGULAR, {{45, 0}, {0, 45}, {30, 30}});
    EXPECT_NEAR(value(between), 90, 1e-9);
    EXPECT_NE(shown(between).find("90"), std::string::npos) << shown(between);
    expectOneStep(between);

    // Enter: a vertex and two points.
    ASSERT_EQ(cadExecute(CAD_CMD_DIM_ANGULAR), 1);
    key(Qt::Key_Return);
    click({-100, -100});
    click({-50, -100});
    click({-50, -50});
    click({-70, -90});
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    ASSERT_EQ(count(), 2u);
    EXPECT_NEAR(value(last()), 45, 1e-9);
}

TEST_F(DimensionCommandsTest, OrdinatesOfAPointChosenByTheSide) {
    const int x = dimension(CAD_CMD_DIM_ORDINATE, {{30, 20}, {30, 70}});
    EXPECT_EQ(data(x).kind, DimensionKind::OrdinateX);
    EXPECT_DOUBLE_EQ(value(x), 30);
    EXPECT_EQ(shown(x), "30,00");
    const int y = dimension(CAD_CMD_DIM_ORDINATE, {{-40, -25}, {-90, -25}});
    EXPECT_EQ(data(y).kind, DimensionKind::OrdinateY);
    EXPECT_DOUBLE_EQ(value(y), -25);
    EXPECT_EQ(shown(y), "-25,00");
    expectOneStep(y);
}

// The points picked on a line's ends follow it; undo and redo bring the dimension back with the
// line exactly; a deleted line leaves the dimension as it was, untied.
TEST_F(DimensionCommandsTest, TiedDimensionsFollowTheirEntities) {
    ActiveAdder add;
    const int line = add.addLine({{0, 0}, {30, 40}});
    cadUndoForget();
    const int dim = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {30, 40}, {-20, 30}});
    ASSERT_DOUBLE_EQ(value(dim), 50);
    const DimensionData drawn = data(dim);

    transform(line, Similarity::translation({10, -5}));
    expectNear(data(dim).points[0], {10, -5});
    expectNear(data(dim).points[1], {40, 35});
    EXPECT_DOUBLE_EQ(value(dim), 50);

    transform(line, Similarity::rotation({10, -5}, 90));
    expectNear(data(dim).points[1], {-30, 25});
    EXPECT_NEAR(value(dim), 50, 1e-9);

    transform(line, Similarity::scaling({10, -5}, 2));
    EXPECT_NEAR(value(dim), 100, 1e-9);

    transform(line, Similarity::mirroring({0, -100}, {0, 100}));
    expectNear(data(dim).points[0], {-10, -5});
    EXPECT_NEAR(value(dim), 100, 1e-9);

    // Undo takes each back with the line, all the way to the dimension as drawn.
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(data(dim), drawn);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    expectNear(data(dim).points[0], {-10, -5});
    EXPECT_NEAR(value(dim), 100, 1e-9);

    // Deleted: the dimension stays, no longer tied; undo ties it again.
    const DimensionData before = data(dim);
    changeActive(0, [&](ChangeSet& c) {
        c.erase(static_cast<std::uint32_t>(line));
        return 1;
    });
    EXPECT_EQ(data(dim), before);
    EXPECT_FALSE(record(dim).ties[0].tied());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(record(dim).ties[0].tied());
    transform(line, Similarity::translation({1, 0}));
    expectNear(data(dim).points[0], {before.points[0].x + 1, before.points[0].y});
}

// Moving a dimension together with its line keeps it tied; moving it alone unties it.
TEST_F(DimensionCommandsTest, MovedAloneADimensionLeavesItsEntity) {
    ActiveAdder add;
    const int line = add.addLine({{0, 0}, {40, 0}});
    const int dim = dimension(CAD_CMD_DIM_HORIZONTAL, {{0, 0}, {40, 0}, {20, 20}});
    changeActive(0, [&](ChangeSet& c) {
        transformEntity(c, line, Similarity::translation({0, 10}));
        transformEntity(c, dim, Similarity::translation({0, 10}));
        return 1;
    });
    EXPECT_TRUE(record(dim).ties[0].tied());
    expectNear(data(dim).points[DimPoint::LinePoint], {20, 30});
    transform(dim, Similarity::translation({5, 0}));
    EXPECT_FALSE(record(dim).ties[0].tied());
    expectNear(data(dim).points[0], {5, 10});
}

// Copied together, a dimension's copy is tied to the copy of its entity, as the copy command
// and paste copy them.
TEST_F(DimensionCommandsTest, CopiesStayTiedToTheCopiesOfTheirEntities) {
    ActiveAdder add;
    const int line = add.addLine({{0, 0}, {40, 0}});
    const int dim = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {40, 0}, {20, 20}});
    int lineCopy = -1, dimCopy = -1;
    changeActive(0, [&](ChangeSet& c) {
        lineCopy = duplicateEntity(c, line);
        dimCopy = duplicateEntity(c, dim);
        for (const int h : {lineCopy, dimCopy})
            transformEntity(c, h, Similarity::translation({0, -50}));
        retieCopies(c, {{static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(lineCopy)},
                        {static_cast<std::uint32_t>(dim), static_cast<std::uint32_t>(dimCopy)}});
        return 1;
    });
    ASSERT_TRUE(record(dimCopy).ties[1].tied());
    EXPECT_EQ(record(dimCopy).ties[1].entity, static_cast<std::uint32_t>(lineCopy));
    transform(lineCopy, Similarity::scaling({0, -50}, 0.5));
    EXPECT_NEAR(value(dimCopy), 20, 1e-9);
    EXPECT_NEAR(value(dim), 40, 1e-9) << "the original stays with the original";
}

// Through the clipboard: the pasted dimension is tied to the pasted line.
TEST_F(DimensionCommandsTest, PastedDimensionsAreTiedToThePastedEntities) {
    const int line = ActiveAdder().addLine({{0, 0}, {40, 0}});
    const int dim = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {40, 0}, {20, 20}});
    Document& doc = *engine().active();
    doc.selectAll(false);
    doc.select(line, true);
    doc.select(dim, true);
    ASSERT_EQ(cadExecute(CAD_CMD_COPY_TO_CLIPBOARD), 1);
    doc.selectAll(false);
    ASSERT_EQ(cadExecute(CAD_CMD_PASTE), 1);
    click({-100, -100});
    const int pasted = last();
    ASSERT_NE(pasted, dim);
    const PointTie tie = record(pasted).ties[1];
    ASSERT_TRUE(tie.tied());
    const int pastedLine = static_cast<int>(tie.entity);
    ASSERT_NE(pastedLine, line);
    EXPECT_EQ(activeDrawing()->entities[tie.entity].type, EntityType::Line);
    transform(pastedLine, Similarity::scaling(data(pasted).points[0], 0.5));
    EXPECT_NEAR(value(pasted), 20, 1e-9);
    EXPECT_NEAR(value(dim), 40, 1e-9);
}

TEST_F(DimensionCommandsTest, DimensionsAndTiesSurviveSaveAndReopen) {
    ActiveAdder add;
    add.addLine({{0, 0}, {60, 80}});
    const int dim = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {60, 80}, {10, 60}});
    changeActive(0, [&](ChangeSet& c) {
        c.change(static_cast<std::uint32_t>(dim)).setDimensionText("a = <> m");
        return 1;
    });
    const Drawing& d = *activeDrawing();
    const auto back = readNative(writeNative(d));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->dimensionStyles.size(), 1u) << "a new drawing has one style";
    int found = -1;
    for (std::size_t h = 0; h < back->entities.size(); ++h)
        if (back->valid(static_cast<int>(h)) && back->entities[h].type == EntityType::Dimension)
            found = static_cast<int>(h);
    ASSERT_GE(found, 0);
    const Entity& e = back->entities[static_cast<std::size_t>(found)];
    EXPECT_EQ(back->dimensionOf(e), data(dim));
    EXPECT_EQ(dimensionTextOf(*back, e), "a = 100,00 m");
    const DimensionRecord& r = back->dimensions[e.first];
    ASSERT_TRUE(r.ties[0].tied());
    EXPECT_EQ(back->entities[r.ties[0].entity].type, EntityType::Line);
}

// Saved after entities were deleted, the drawing's handles are numbered anew: the ties follow
// them, and a tie to an entity deleted since was ended when it was deleted.
TEST_F(DimensionCommandsTest, TiesAreRenumberedWhenASaveLeavesDeletedEntitiesOut) {
    ActiveAdder add;
    const int gone = add.addLine({{-100, -100}, {-50, -100}});
    const int kept = add.addLine({{0, 0}, {60, 80}});
    const int first = dimension(CAD_CMD_DIM_PARALLEL, {{-100, -100}, {-50, -100}, {-75, -120}});
    const int second = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {60, 80}, {10, 60}});
    ASSERT_TRUE(record(first).ties[0].tied());
    ASSERT_TRUE(record(second).ties[0].tied() && record(second).ties[1].tied());
    changeActive(0, [&](ChangeSet& c) {
        c.erase(static_cast<std::uint32_t>(gone));
        return 1;
    });
    EXPECT_FALSE(record(first).ties[0].tied());
    ASSERT_TRUE(record(second).ties[0].tied() && record(second).ties[1].tied());
    const auto back = readNative(writeNative(*activeDrawing()));
    ASSERT_TRUE(back);
    std::vector<const DimensionRecord*> dims;
    int line = -1;
    for (std::size_t h = 0; h < back->entities.size(); ++h) {
        if (!back->valid(static_cast<int>(h)))
            continue;
        const Entity& e = back->entities[h];
        if (e.type == EntityType::Dimension)
            dims.push_back(&back->dimensions[e.first]);
        if (e.type == EntityType::Line)
            line = static_cast<int>(h);
    }
    ASSERT_EQ(dims.size(), 2u);
    ASSERT_GE(line, 0);
    EXPECT_LT(line, kept) << "numbered anew";
    EXPECT_FALSE(dims[0]->ties[0].tied());
    ASSERT_TRUE(dims[1]->ties[0].tied() && dims[1]->ties[1].tied());
    EXPECT_EQ(dims[1]->ties[0].entity, static_cast<std::uint32_t>(line));
    EXPECT_EQ(dims[1]->ties[1].entity, static_cast<std::uint32_t>(line));
}

// The dimensions' page of the properties: two dimensions at once take an own text and a
// placement, as one step.
TEST_F(DimensionCommandsTest, PropertiesChangeTextAndPlacementOfSeveral) {
    const int first = dimension(CAD_CMD_DIM_ORDINATE, {{30, 20}, {30, 70}});
    const int second = dimension(CAD_CMD_DIM_PARALLEL, {{0, 0}, {30, 40}, {-20, 30}});
    Document& doc = *engine().active();
    doc.select(first, true);
    doc.select(second, true);
    const std::function<int(QDialog&)> saved = showModal;
    showModal = [](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("cadDimensionOwnText"))->setChecked(true);
        dialog.findChild<QLineEdit*>(QStringLiteral("cadDimensionText"))
            ->setText(QStringLiteral("a=<>"));
        dialog.findChild<QComboBox*>(QStringLiteral("cadDimensionPlacement"))->setCurrentIndex(3);
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(cadExecute(CAD_CMD_PROPERTIES), 1);
    showModal = saved;
    EXPECT_EQ(shown(first), "a=30,00");
    EXPECT_EQ(shown(second), "a=50,00");
    EXPECT_EQ(data(second).placement, PlacementOverride::Below);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(shown(first), "30,00");
    EXPECT_EQ(shown(second), "50,00");
}

// Exploded: the lines, filled arrowheads and text it was drawn with, on its layer, one step.
TEST_F(DimensionCommandsTest, ExplodeGivesLinesArrowheadsAndItsText) {
    const int dim = dimension(CAD_CMD_DIM_HORIZONTAL, {{0, 0}, {60, 0}, {30, 20}});
    engine().active()->select(dim, true);
    ASSERT_EQ(cadExecute(CAD_CMD_EXPLODE), 1);
    const Drawing& d = *activeDrawing();
    EXPECT_FALSE(d.valid(dim));
    std::map<EntityType, int> made;
    std::string text;
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        const Entity& e = d.entities[h];
        ++made[e.type];
        EXPECT_EQ(e.layer, 1);
        if (e.type == EntityType::Polyline) {
            EXPECT_TRUE(e.has(EntityFlag::Filled) && e.has(EntityFlag::Closed));
        }
        if (e.type == EntityType::Text)
            text = std::string(d.textOf(e));
    }
    EXPECT_GE(made[EntityType::Line], 3) << "two extension lines and the dimension line";
    EXPECT_EQ(made[EntityType::Polyline], 2) << "two arrowheads";
    EXPECT_EQ(made[EntityType::Text], 1);
    EXPECT_EQ(text, "60,00");
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(activeDrawing()->valid(dim));
}

// A style with colours of its own: the exploded pieces keep them, each the colour it was drawn
// in (the arrowheads the dimension line's).
TEST_F(DimensionCommandsTest, ExplodedPiecesKeepTheStylesOwnColours) {
    constexpr std::uint32_t kLine = 0x0000FF, kExtension = 0x00FF00, kText = 0xFF0000;
    changeActive(0, [&](ChangeSet& c) {
        DimensionStyle& s = c.dimensionStyle(0);
        s.ownColors = true;
        s.dimensionLineColor = kLine;
        s.extensionLineColor = kExtension;
        s.textColor = kText;
        return 1;
    });
    const int dim = dimension(CAD_CMD_DIM_HORIZONTAL, {{0, 0}, {60, 0}, {30, 20}});
    const std::size_t before = activeDrawing()->entities.size();
    engine().active()->select(dim, true);
    ASSERT_EQ(cadExecute(CAD_CMD_EXPLODE), 1);
    const Drawing& d = *activeDrawing();
    std::map<std::uint32_t, std::map<EntityType, int>> byColour;
    for (std::size_t h = before; h < d.entities.size(); ++h) {
        const Entity& e = d.entities[h];
        ASSERT_FALSE(e.has(EntityFlag::ColorByLayer));
        if (e.type == EntityType::Line) {
            const LineData& l = d.lines[e.first];
            const bool vertical = std::abs(l.a.x - l.b.x) < 1e-9;
            EXPECT_EQ(d.ownStyle(h).color, vertical ? kExtension : kLine);
        }
        ++byColour[d.ownStyle(h).color][e.type];
    }
    EXPECT_EQ(byColour[kExtension][EntityType::Line], 2);
    EXPECT_EQ(byColour[kLine][EntityType::Polyline], 2) << "the arrowheads";
    EXPECT_EQ(byColour[kText][EntityType::Text], 1);
}

// The information counts the styles and the dimensions of each group of kinds.
TEST_F(DimensionCommandsTest, StatisticsCountDimensionsByKind) {
    ActiveAdder add;
    add.addCircle({{0, 0}, 30});
    dimension(CAD_CMD_DIM_HORIZONTAL, {{-100, -100}, {-50, -100}, {-75, -120}});
    dimension(CAD_CMD_DIM_PARALLEL, {{-100, 100}, {-50, 120}, {-75, 130}});
    dimension(CAD_CMD_DIM_RADIAL, {{30, 0}, {40, 40}});
    dimension(CAD_CMD_DIM_ORDINATE, {{100, 50}, {100, 90}});
    const auto s = cadGetStatistics();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dimensionStyles, 1);
    EXPECT_EQ(s->byType[CAD_ENT_DIMENSION - CAD_ENT_POINT], 4);
    const int groups[] = {2, 0, 1, 0, 1};
    for (int g = 0; g < 5; ++g)
        EXPECT_EQ(s->dimensionsByGroup[g], groups[g]) << g;
    const auto info = cadDrawingInfo();
    for (const char* line : {"Dim. Styles:  1", "Dim. Lin.:  2", "Dim. Rad.:  1", "Dim. Ord.:  1"})
        EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
}

// A grip of the tied line moves the dimension with it in the same step; the dimension's own
// grips move its line (still tied) or a definition point (which then leaves the line).
TEST_F(DimensionCommandsTest, GripsOfTheTiedEntityAndOfTheDimension) {
    const int line = ActiveAdder().addLine({{-100, 0}, {0, 0}});
    const int dim = dimension(CAD_CMD_DIM_PARALLEL, {{-100, 0}, {0, 0}, {-50, 30}});
    Document& doc = *engine().active();
    doc.selectAll(false);
    doc.select(line, true);
    engine().redraw();
    click({0, 0});
    click({0, 60});
    EXPECT_NEAR(value(dim), std::hypot(100, 60), 1e-9);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_NEAR(value(dim), 100, 1e-9) << "one step for the line and its dimension";

    doc.selectAll(false);
    doc.select(dim, true);
    engine().redraw();
    click({-50, 30});
    click({-50, 50});
    expectNear(data(dim).points[DimPoint::LinePoint], {-50, 50});
    EXPECT_TRUE(record(dim).ties[0].tied() && record(dim).ties[1].tied());
    click({-100, 0});
    click({-130, 0});
    expectNear(data(dim).points[0], {-130, 0});
    EXPECT_FALSE(record(dim).ties[0].tied()) << "moved off the line's end";
    EXPECT_TRUE(record(dim).ties[1].tied());
}

// The styles dialog: a style in use is refused deletion, an unused one goes; the dimensions
// keep their style under its new number, all one step.
TEST_F(DimensionCommandsTest, DeletingAStyleRenumbersTheDimensionsInOneStep) {
    changeActive(0, [](ChangeSet& c) {
        DimensionStyle plan;
        plan.name = "Plan";
        plan.decimals = 1;
        c.current().dimensionStyle = c.addDimensionStyle(plan);
        return 1;
    });
    cadUndoForget();
    const int dim = dimension(CAD_CMD_DIM_ORDINATE, {{30, 20}, {30, 70}});
    ASSERT_EQ(data(dim).style, 1);
    ASSERT_EQ(shown(dim), "30,0");
    const std::function<int(QDialog&)> saved = showModal;
    showModal = [](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("cadDimStyleList"));
        auto* remove = dialog.findChild<QPushButton*>(QStringLiteral("cadDimStyleDelete"));
        list->setCurrentRow(1);
        remove->click(); // used: refused
        list->setCurrentRow(0);
        remove->click();
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(cadExecute(CAD_CMD_DIM_STYLES), 1);
    showModal = saved;
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(responder->messages[0].text, engine().text(10660));
    const Drawing& d = *activeDrawing();
    ASSERT_EQ(d.dimensionStyles.size(), 1u);
    EXPECT_EQ(d.dimensionStyles[0].name, "Plan");
    EXPECT_EQ(data(dim).style, 0);
    EXPECT_EQ(d.current.dimensionStyle, 0);
    EXPECT_EQ(shown(dim), "30,0");
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(activeDrawing()->dimensionStyles.size(), 2u);
    EXPECT_EQ(data(dim).style, 1);
    EXPECT_EQ(shown(dim), "30,0");
}

TEST_F(DimensionCommandsTest, StylesDialogIsOneStep) {
    const int dim = dimension(CAD_CMD_DIM_ORDINATE, {{30, 20}, {30, 70}});
    const std::function<int(QDialog&)> saved = showModal;
    bool shown = false;
    showModal = [&shown](QDialog&) {
        shown = true;
        return int(QDialog::Rejected);
    };
    EXPECT_EQ(cadExecute(CAD_CMD_DIM_STYLES), 0) << "cancelled";
    showModal = saved;
    EXPECT_TRUE(shown);
    // Changing the style's decimals shows in the dimension, and one undo takes it back.
    changeActive(0, [&](ChangeSet& c) {
        c.dimensionStyle(0).decimals = 1;
        return 1;
    });
    EXPECT_EQ(DimensionCommandsTest::shown(dim), "30,0");
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(DimensionCommandsTest::shown(dim), "30,00");
}

} // namespace

// A kerb corner as a plotter draws it: a quarter circle of radius 8 as short straight segments,
// between two straight kerb lines, its coordinates rounded to centimetres.
std::vector<Vec2> plottedKerb(Vec2 centre) {
    std::vector<Vec2> v{{centre.x - 30, centre.y - 8}};
    for (int i = 0; i <= 9; ++i) {
        const double a = (-90 + 10.0 * i) * std::numbers::pi / 180;
        v.push_back({std::round((centre.x + 8 * std::cos(a)) * 100) / 100,
                     std::round((centre.y + 8 * std::sin(a)) * 100) / 100});
    }
    v.push_back({centre.x + 8, centre.y + 30});
    return v;
}

// A radius is dimensioned on a polyline where it runs as an arc (an arc segment or a plotter's
// short segments), not at a corner or along a straight; the dimension follows the polyline.
TEST_F(DimensionCommandsTest, RadiusOfAPolylineThatFollowsAnArc) {
    const std::vector<Vec2> kerb = plottedKerb({50, 20});
    ActiveAdder add;
    const int polyline = add.addPolyline(kerb.data(), kerb.size(), false);
    const double bulges[] = {std::tan(std::numbers::pi / 8), 0};
    const Vec2 quarter[] = {{100, -100}, {110, -90}};
    const int arced = changeActive(-1, [&](ChangeSet& c) {
        return c.addPolyline(std::span<const Vec2>(quarter), std::span<const double>(bulges),
                             false);
    });
    cadUndoForget();

    // On the fifth short segment, then on the arc segment.
    const Vec2 onKerb = {(kerb[5].x + kerb[6].x) / 2, (kerb[5].y + kerb[6].y) / 2};
    const int radius = dimension(CAD_CMD_DIM_RADIAL, {onKerb, {90, 60}});
    EXPECT_NEAR(value(radius), 8, 0.02);
    EXPECT_NE(shown(radius).find("8,0"), std::string::npos) << shown(radius);
    const Vec2 onArc = {100 + 10 * std::cos(std::numbers::pi / 4),
                        -90 - 10 * std::sin(std::numbers::pi / 4)};
    const int diameter = dimension(CAD_CMD_DIM_DIAMETRIC, {onArc, {80, -60}});
    EXPECT_NEAR(value(diameter), 20, 1e-9);

    // The straight kerb and a corner give no radius: the command still waits for an object.
    const std::size_t before = count();
    ASSERT_EQ(cadExecute(CAD_CMD_DIM_RADIAL), 1);
    click({kerb[0].x + 10, kerb[0].y});
    click({0, 0});
    key(Qt::Key_Escape);
    EXPECT_EQ(count(), before);

    // Both follow their polylines when moved and scaled, and come back with undo.
    const DimensionData drawn = data(radius);
    transform(polyline, Similarity::translation({5, -5}));
    expectNear(data(radius).points[DimPoint::Centre],
               {drawn.points[DimPoint::Centre].x + 5, drawn.points[DimPoint::Centre].y - 5});
    transform(arced, Similarity::scaling({100, -100}, 2));
    EXPECT_NEAR(value(diameter), 40, 1e-9);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(data(radius), drawn);
    EXPECT_NEAR(value(diameter), 20, 1e-9);
}
