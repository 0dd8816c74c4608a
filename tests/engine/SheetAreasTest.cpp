// The print areas a drawing keeps: saved and read back, refused by the reader when they make no
// sense, changed one step at a time, carried by copies of the drawing but not by the clipboard;
// the areas dialog driven as a person drives it (picking in the window, the fields, the
// automatic division along an axis); their grips in the window; and the commands that print
// them, print a window and export a picture.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/commands/PrintAreaCommands.h"
#include "engine/edit/Operations.h"
#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/Merge.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/PrintAreasDialog.h"
#include "engine/ui/SheetCommands.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <functional>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

std::vector<PrintArea> areas() {
    return activeDrawing()->printAreas;
}

void expectSameArea(const PrintArea& a, const PrintArea& b, double tolerance,
                    const std::string& what) {
    EXPECT_NEAR(a.centre.x, b.centre.x, tolerance) << what;
    EXPECT_NEAR(a.centre.y, b.centre.y, tolerance) << what;
    EXPECT_NEAR(a.width, b.width, tolerance) << what;
    EXPECT_NEAR(a.height, b.height, tolerance) << what;
    EXPECT_NEAR(normalisedDegrees(a.angleDegrees - b.angleDegrees + 180), 180, 1e-6) << what;
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// ---- the areas as content of the document

class SheetAreas : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_GT(cadFileNew(0, ""), 0);
    }
};

TEST_F(SheetAreas, SurviveSaveAndReopenWithTheirSettings) {
    // An entity erased makes the save compact the drawing first.
    const int gone = cadAddLine(0, 0, 10, 0);
    cadAddLine(0, 0, 0, 10);
    cadSelect(1, gone);
    cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
    cadExecute(CAD_CMD_ERASE);
    ASSERT_EQ(cadPrintAreaAdd({100, 200, 297, 210, 30}), 0);
    ASSERT_EQ(cadPrintAreaAdd({-5.5, 1e6, 12.25, 8, 359.5}), 1);
    CadSheetSettings s;
    s.paper = 5;
    s.paperWidthMm = 640;
    s.paperHeightMm = 300;
    s.landscape = false;
    s.marginMm = 7.5;
    s.scale = 2000;
    s.overlap = 35;
    s.overlapPercent = false;
    s.matchLines = false;
    s.sheetLabels = true;
    ASSERT_EQ(cadSetSheetSettings(s), 1);
    engine().active()->changeSettings([](DrawingSettings& d) {
        d.sheets.frameColor = 0x123456;
        d.sheets.shown = false;
    });
    const std::vector<PrintArea> before = areas();
    const SheetSettings settingsBefore = activeDrawing()->settings.sheets;
    ASSERT_EQ(cadFileSave(path("areas.rdw"), CAD_FORMAT_NATIVE), 1);
    cadDocClose(cadDocGetActive());
    ASSERT_GT(cadFileOpen(0, path("areas.rdw")), 0);
    EXPECT_EQ(areas(), before);
    EXPECT_EQ(activeDrawing()->settings.sheets, settingsBefore);
}

// The kind of failure reading the bytes gives, or nothing when they read.
std::optional<FileError::Kind> readFailure(const std::string& bytes) {
    try {
        readNative(bytes);
    } catch (const FileError& e) {
        return e.kind();
    }
    return std::nullopt;
}

TEST_F(SheetAreas, TheReaderRefusesAreasWithoutSizeOrPlace) {
    const double nan = std::nan("");
    const PrintArea wrong[] = {
        {{0, 0}, 0, 10, 0}, {{0, 0}, 10, -1, 0}, {{nan, 0}, 10, 10, 0}, {{0, 0}, 10, 10, INFINITY}};
    for (const PrintArea& a : wrong) {
        Drawing d;
        d.printAreas = {{{1, 2}, 3, 4, 5}, a};
        EXPECT_EQ(readFailure(writeNative(d)), FileError::Kind::Damaged)
            << a.centre.x << " " << a.width << " " << a.height << " " << a.angleDegrees;
    }
    Drawing noScale;
    noScale.settings.sheets.scale = 0;
    EXPECT_EQ(readFailure(writeNative(noScale)), FileError::Kind::Damaged);
    Drawing fine;
    fine.printAreas = {{{1, 2}, 3, 4, 5}};
    EXPECT_FALSE(readFailure(writeNative(fine)));
}

TEST_F(SheetAreas, EachChangeIsOneStepThatUndoAndRedoTakeBackAndMakeAnew) {
    cadUndoForget();
    std::vector<std::vector<PrintArea>> states{areas()};
    Document& d = *engine().active();
    cadPrintAreaAdd({0, 0, 100, 50, 0});
    states.push_back(areas());
    cadPrintAreaAdd({90, 0, 100, 50, 10});
    states.push_back(areas());
    changePrintAreas(d, [](DrawingWriter& w) { w.printArea(0).centre = {5, 6}; });
    states.push_back(areas());
    cadPrintAreaDelete(0);
    states.push_back(areas());
    ASSERT_EQ(states.back().size(), 1u);
    EXPECT_TRUE(d.modified());
    for (std::size_t i = states.size() - 1; i-- > 0;) {
        ASSERT_TRUE(cadCanUndo());
        cadExecute(CAD_CMD_UNDO);
        EXPECT_EQ(areas(), states[i]) << "undo to state " << i;
    }
    EXPECT_FALSE(cadCanUndo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        cadExecute(CAD_CMD_REDO);
        EXPECT_EQ(areas(), states[i]) << "redo to state " << i;
    }
}

TEST_F(SheetAreas, CopiesOfTheDrawingCarryThemTheClipboardDoesNot) {
    const int line = cadAddLine(0, 0, 10, 10);
    cadPrintAreaAdd({5, 5, 20, 10, 45});
    const Drawing& d = *activeDrawing();
    EXPECT_EQ(d.contentCopy()->printAreas, d.printAreas);
    const std::uint32_t h = static_cast<std::uint32_t>(line);
    EXPECT_TRUE(extractEntities(d, {&h, 1})->printAreas.empty());

    // Loading a file into a drawing adds the areas it lacks, once.
    auto into = d.contentCopy();
    auto from = d.contentCopy();
    from->printAreas.push_back({{50, 50}, 1, 2, 3});
    mergeDrawing(into, std::move(from));
    EXPECT_EQ(into->printAreas,
              (std::vector<PrintArea>{{{5, 5}, 20, 10, 45}, {{50, 50}, 1, 2, 3}}));
    // A drawing with areas and nothing else is not replaced by the file, which would lose them.
    auto onlyAreas = std::make_unique<Drawing>();
    onlyAreas->printAreas = {{{1, 1}, 1, 1, 0}};
    EXPECT_FALSE(isPristine(*onlyAreas));

    // Pasting through the clipboard brings entities, not areas.
    cadSelect(1, line);
    cadExecute(CAD_CMD_COPY_TO_CLIPBOARD);
    ASSERT_GT(cadFileNew(0, ""), 0);
    std::vector<std::uint32_t> pasted;
    changeActive(0, [&](ChangeSet& c) {
        pasted = pasteEntities(c, *d.contentCopy());
        return 0;
    });
    EXPECT_FALSE(pasted.empty());
    EXPECT_TRUE(areas().empty());
}

TEST_F(SheetAreas, DivisionAlongEntitiesJoinedEndToEndReplacesTheAreasAsOneStep) {
    // An L of a line and a polyline given out of order, the polyline running backwards.
    const int a = cadAddLine(0, 0, 300, 0);
    const int b = addPolyline({300, 400, 300, 0});
    CadSheetSettings s;
    s.paper = 5;
    s.paperWidthMm = 120;
    s.paperHeightMm = 60;
    s.landscape = true;
    s.marginMm = 10;
    s.scale = 1; // sheets 100 x 40 drawing units
    s.overlap = 10;
    ASSERT_EQ(cadSetSheetSettings(s), 1);
    cadPrintAreaAdd({-1000, -1000, 5, 5, 0});
    cadUndoForget();
    const int n = cadPrintAreasAlong({b, a});
    ASSERT_GT(n, 5);
    ASSERT_EQ(cadPrintAreaCount(), n);
    for (int i = 0; i < n; ++i) {
        const auto area = cadPrintAreaGet(i);
        EXPECT_NEAR(area->width, 100, 1e-9);
        EXPECT_NEAR(area->height, 40, 1e-9);
    }
    // Every point of the axis lies in some area.
    for (double t = 0; t <= 700; t += 5) {
        const Vec2 p = t <= 400 ? Vec2{300, 400 - t} : Vec2{300 - (t - 400), 0};
        bool covered = false;
        for (const PrintArea& area : areas())
            covered = covered || areaContains(area, p, 1e-6);
        EXPECT_TRUE(covered) << t;
    }
    cadExecute(CAD_CMD_UNDO);
    ASSERT_EQ(cadPrintAreaCount(), 1);
    // A circle is no axis.
    const int circle = cadAddCircle(0, 0, 5);
    EXPECT_EQ(cadPrintAreasAlong({circle}), 0);
    EXPECT_EQ(cadPrintAreaCount(), 1);
}

// An overlap in metres is metres on the ground whatever the drawing's units: a drawing in
// millimetres at 1:20 on sheets showing 2 m shares half a metre, 500 of its units.
TEST_F(SheetAreas, AnOverlapInMetresIsLaidOutInTheDrawingsUnits) {
    for (const auto& [units, perMetre] : {std::pair{4, 1.0}, std::pair{0, 1000.0}}) {
        cadPropPutInt(CAD_PROP_DOC_UNITS, -1, units);
        const int road = cadAddLine(0, 0, 10 * perMetre, 0);
        CadSheetSettings s;
        s.paper = 5;
        s.paperWidthMm = 110;
        s.paperHeightMm = 60;
        s.marginMm = 5;
        s.scale = 20; // 100 x 50 mm of paper: 2 x 1 m
        s.overlap = 0.5;
        s.overlapPercent = false;
        ASSERT_EQ(cadSetSheetSettings(s), 1);
        ASSERT_GT(cadPrintAreasAlong({road}), 2) << units;
        const auto first = cadPrintAreaGet(0), second = cadPrintAreaGet(1);
        EXPECT_NEAR(first->width, 2 * perMetre, 1e-9) << units;
        EXPECT_NEAR(second->x - first->x, 1.5 * perMetre, 1e-6 * perMetre) << units;
    }
}

// ---- the dialog and the window

class SheetWindow : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        savedSnaps = engine().snaps;
        engine().snaps = SnapSettings{};
        savedModal = showModal;
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        w = windowAtOrigin(parent, kWidth, kHeight);
        ASSERT_NE(w, nullptr);
    }
    void TearDown() override {
        showModal = savedModal;
        engine().snaps = savedSnaps;
        EngineTest::TearDown();
    }
    QPoint at(Vec2 p) const { return w->toPixel(p).toPoint(); }
    void click(Vec2 p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, at(p));
    }
    void moveTo(Vec2 p, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, at(p), w->mapToGlobal(at(p)), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    void drag(Vec2 from, Vec2 to) {
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(from));
        moveTo({(from.x + to.x) / 2, (from.y + to.y) / 2}, Qt::LeftButton);
        moveTo(to, Qt::LeftButton);
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(to));
    }
    void type(const QString& text) {
        QTest::keyClicks(w, text);
        QTest::keyClick(w, Qt::Key_Return);
    }
    PrintAreasDialog* openDialog() {
        EXPECT_EQ(cadExecute(CAD_CMD_PRINT_AREAS), 1);
        PrintAreasDialog* dialog = PrintAreasDialog::current();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    template <typename T> static T* child(QWidget* dialog, const char* name) {
        T* found = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void setField(QWidget* dialog, const char* name, const QString& text) {
        auto* f = child<QLineEdit>(dialog, name);
        f->setText(text);
        f->setModified(true);
        emit f->editingFinished();
    }
    static QTreeWidget* list(QWidget* dialog) { return child<QTreeWidget>(dialog, "cadAreasList"); }

    QWidget parent;
    DrawingWindow* w = nullptr;
    SnapSettings savedSnaps;
    std::function<int(QDialog&)> savedModal;
};

TEST_F(SheetWindow, AnAreaWithoutASizeIsRefusedWithItsMessage) {
    PrintAreasDialog* dialog = openDialog();
    cadPrintAreaAdd({0, 0, 80, 40, 0});
    child<QLineEdit>(dialog, "cadAreaHeight")->clear();
    const std::string missing = cadText(16220);
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(responder->messages.back().text, missing);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle) << "nothing to place";
    child<QPushButton>(dialog, "cadAreaApplyAll")->click();
    ASSERT_EQ(responder->messages.size(), 2u);
    EXPECT_EQ(responder->messages.back().text, missing);
    EXPECT_EQ(areas().front().height, 40);
    // A size typed over a picked area's as nothing is refused the same way.
    list(dialog)->topLevelItem(0)->setSelected(true);
    setField(dialog, "cadAreaWidth", QString());
    ASSERT_EQ(responder->messages.size(), 3u);
    EXPECT_EQ(responder->messages.back().text, missing);
    EXPECT_EQ(areas().front().width, 80);
}

TEST_F(SheetWindow, AddPicksTheCentreThenTheDirectionByAPointOrATypedAngle) {
    PrintAreasDialog* dialog = openDialog();
    setField(dialog, "cadAreaWidth", QStringLiteral("60"));
    setField(dialog, "cadAreaHeight", QStringLiteral("30"));
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    click({10, 20});
    click({10, 70}); // straight up: 90 degrees
    ASSERT_EQ(areas().size(), 1u);
    expectSameArea(areas()[0], {{10, 20}, 60, 30, 90}, 1e-9, "by a point");
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    click({-50, -40});
    type(QStringLiteral("12,5")); // a decimal comma, as typed on a Polish keyboard
    ASSERT_EQ(areas().size(), 2u);
    expectSameArea(areas()[1], {{-50, -40}, 60, 30, 12.5}, 1e-9, "by a typed angle");
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 2);
    // Each addition is one step.
    cadExecute(CAD_CMD_UNDO);
    EXPECT_EQ(areas().size(), 1u);
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 1) << "the list follows the undo";
}

TEST_F(SheetWindow, EscStepsBackFromTheDirectionToTheCentreAndThenLeavesWithoutAnArea) {
    PrintAreasDialog* dialog = openDialog();
    setField(dialog, "cadAreaWidth", QStringLiteral("60"));
    setField(dialog, "cadAreaHeight", QStringLiteral("30"));
    setField(dialog, "cadAreaAngle", QStringLiteral("45"));
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    click({10, 20});
    QTest::keyClick(w, Qt::Key_Escape);
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command) << "back to the centre";
    click({-30, 5});
    click({-30, -45}); // straight down
    ASSERT_EQ(areas().size(), 1u);
    expectSameArea(areas()[0], {{-30, 5}, 60, 30, 270}, 1e-9, "the second centre");
    // The new area is picked in the list and its fields show it; with nothing picked, they hold
    // what new areas get, and Enter takes that angle. Esc twice leaves with nothing added.
    EXPECT_EQ(child<QLineEdit>(dialog, "cadAreaAngle")->text().toDouble(), 270);
    list(dialog)->clearSelection();
    setField(dialog, "cadAreaAngle", QStringLiteral("45"));
    EXPECT_NEAR(areas()[0].angleDegrees, 270, 1e-9) << "the field no longer turns it";
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    click({0, 0});
    QTest::keyClick(w, Qt::Key_Return);
    ASSERT_EQ(areas().size(), 2u);
    EXPECT_NEAR(areas()[1].angleDegrees, 45, 1e-9);
    child<QPushButton>(dialog, "cadAreaAdd")->click();
    click({50, 50});
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(areas().size(), 2u);
    // A grip picked up by a click and left by Esc changes nothing and leaves no step.
    const PrintArea held = areas()[1];
    cadUndoForget();
    click({0, 0});
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command) << "holding the centre";
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    expectSameArea(areas()[1], held, 1e-9, "left as it was");
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0) << "nothing to take back";
}

TEST_F(SheetWindow, TheFieldsMoveAndTurnThePickedAreaAndTheListFollowsTheActiveDocument) {
    PrintAreasDialog* dialog = openDialog();
    cadPrintAreaAdd({0, 0, 80, 40, 0});
    cadPrintAreaAdd({100, 0, 80, 40, 0});
    list(dialog)->topLevelItem(1)->setSelected(true);
    setField(dialog, "cadAreaX", QStringLiteral("150"));
    setField(dialog, "cadAreaAngle", QStringLiteral("30"));
    expectSameArea(areas()[1], {{150, 0}, 80, 40, 30}, 1e-9, "typed");
    EXPECT_EQ(dialog->pickedAreas(), std::vector<int>{1});
    // "Przesuń": a new centre picked in the window.
    child<QPushButton>(dialog, "cadAreaMove")->click();
    click({-20, 30});
    expectSameArea(areas()[1], {{-20, 30}, 80, 40, 30}, 1e-9, "moved");
    // "Zastosuj do wszystkich": the size and angle of the fields.
    setField(dialog, "cadAreaWidth", QStringLiteral("50"));
    list(dialog)->clearSelection();
    child<QLineEdit>(dialog, "cadAreaWidth")->setText(QStringLiteral("50"));
    child<QLineEdit>(dialog, "cadAreaHeight")->setText(QStringLiteral("25"));
    child<QLineEdit>(dialog, "cadAreaAngle")->setText(QStringLiteral("-90"));
    child<QPushButton>(dialog, "cadAreaApplyAll")->click();
    for (const PrintArea& a : areas()) {
        EXPECT_EQ(a.width, 50);
        EXPECT_EQ(a.height, 25);
        EXPECT_EQ(a.angleDegrees, 270);
    }
    // Another document: the list shows its areas, none.
    ASSERT_GT(cadFileNew(0, ""), 0);
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 0);
    cadPrintAreaAdd({1, 1, 2, 2, 0});
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 1);
}

TEST_F(SheetWindow, DeletingEveryAreaAsksFirst) {
    PrintAreasDialog* dialog = openDialog();
    cadPrintAreaAdd({0, 0, 80, 40, 0});
    cadPrintAreaAdd({100, 0, 80, 40, 0});
    list(dialog)->topLevelItem(0)->setSelected(true);
    child<QPushButton>(dialog, "cadAreaRemove")->click();
    EXPECT_TRUE(responder->questions.empty()) << "one of two goes without a question";
    ASSERT_EQ(areas().size(), 1u);
    EXPECT_EQ(areas()[0].centre.x, 100);
    list(dialog)->selectAll();
    responder->answers = {CAD_ASK_NO};
    child<QPushButton>(dialog, "cadAreaRemove")->click();
    ASSERT_EQ(responder->questions.size(), 1u);
    EXPECT_EQ(responder->questions[0].text, cadText(16219));
    EXPECT_EQ(areas().size(), 1u);
    list(dialog)->selectAll();
    responder->answers = {CAD_ASK_YES};
    child<QPushButton>(dialog, "cadAreaRemove")->click();
    EXPECT_TRUE(areas().empty());
}

TEST_F(SheetWindow, AutomaticDivisionAlongAnAxisPickedInTheWindow) {
    // An S of two arcs, drawn as one polyline of short pieces, and a line after it.
    std::vector<Vec2> s;
    for (int i = 0; i <= 90; ++i) {
        const double t = kPi * i / 90;
        s.push_back({-120 + 60 - 60 * std::cos(t), 60 * std::sin(t)});
    }
    for (int i = 1; i <= 90; ++i) {
        const double t = kPi * i / 90;
        s.push_back({0 + 60 - 60 * std::cos(t), -60 * std::sin(t)});
    }
    const int curve = ActiveAdder().addPolyline(s.data(), s.size(), false);
    ASSERT_GE(curve, 0);
    const int line = cadAddLine(120, 0, 180, 0);
    PrintAreasDialog* dialog = openDialog();
    child<QComboBox>(dialog, "cadAreaPaper")->setCurrentIndex(5); // custom
    child<QDoubleSpinBox>(dialog, "cadAreaPaperWidth")->setValue(60);
    child<QDoubleSpinBox>(dialog, "cadAreaPaperHeight")->setValue(40);
    child<QDoubleSpinBox>(dialog, "cadAreaMargin")->setValue(5);
    setField(dialog, "cadAreaScale", QStringLiteral("1:1"));
    ASSERT_EQ(child<QLineEdit>(dialog, "cadAreaWidth")->text(), QStringLiteral("50.000"));
    ASSERT_EQ(child<QLineEdit>(dialog, "cadAreaHeight")->text(), QStringLiteral("30.000"));
    showModal = [](QDialog& d) {
        child<QDoubleSpinBox>(&d, "cadDivideOverlap")->setValue(10);
        child<QRadioButton>(&d, "cadDivideAlongAxis")->setChecked(true);
        d.accept();
        return d.result();
    };
    cadUndoForget();
    child<QPushButton>(dialog, "cadAreaAutomatic")->click();
    ASSERT_EQ(w->mode(), DrawingWindow::Mode::Command);
    click(s[30]);    // the S
    click({150, 0}); // the line
    click({0, 0}, Qt::RightButton);
    const std::vector<PrintArea> made = areas();
    ASSERT_GT(made.size(), 6u);
    EXPECT_EQ(list(dialog)->topLevelItemCount(), static_cast<int>(made.size()));
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        bool covered = false;
        for (const PrintArea& a : made)
            covered = covered || areaContains(a, s[i], 1e-6);
        EXPECT_TRUE(covered) << i;
    }
    // Numbered along the axis: from the S's start to the line's end.
    EXPECT_LT(made.front().centre.x, -90);
    EXPECT_GT(made.back().centre.x, 120);
    for (const PrintArea& a : made) {
        EXPECT_NEAR(a.width, 50, 1e-9);
        EXPECT_NEAR(a.height, 30, 1e-9);
    }
    // One step; a second division asks before it replaces them.
    cadExecute(CAD_CMD_UNDO);
    EXPECT_TRUE(areas().empty());
    cadExecute(CAD_CMD_REDO);
    responder->answers = {CAD_ASK_NO};
    child<QPushButton>(dialog, "cadAreaAutomatic")->click();
    EXPECT_EQ(responder->questions.back().text, cadText(16219));
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    EXPECT_EQ(areas(), made);
    // The S and the line selected before are taken at once, and the same areas come of them;
    // a selection that makes no axis (the line alone is one, a circle beside it is not) is left
    // for the axis to be picked.
    responder->answers = {CAD_ASK_YES};
    cadExecute(CAD_CMD_UNDO);
    engine().active()->select(curve, true);
    engine().active()->select(line, true);
    child<QPushButton>(dialog, "cadAreaAutomatic")->click();
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle) << "nothing to pick";
    EXPECT_EQ(areas(), made);
    EXPECT_TRUE(selectedEntities(engine().active()->drawing()).empty());
    engine().active()->select(line, true);
    engine().active()->select(cadAddCircle(0, 100, 5), true);
    responder->answers = {CAD_ASK_YES};
    child<QPushButton>(dialog, "cadAreaAutomatic")->click();
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command) << "the axis is picked";
    EXPECT_TRUE(selectedEntities(engine().active()->drawing()).empty());
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(areas(), made);
}

TEST_F(SheetWindow, AGridOverTheDrawingsExtents) {
    cadAddLine(-100, -50, 100, 50);
    PrintAreasDialog* dialog = openDialog();
    setField(dialog, "cadAreaWidth", QStringLiteral("60"));
    setField(dialog, "cadAreaHeight", QStringLiteral("40"));
    showModal = [](QDialog& d) {
        child<QRadioButton>(&d, "cadDivideGrid")->setChecked(true);
        child<QDoubleSpinBox>(&d, "cadDivideOverlap")->setValue(0);
        d.accept();
        return d.result();
    };
    child<QPushButton>(dialog, "cadAreaAutomatic")->click();
    // 200 x 100 in sheets of 60 x 40: four columns, three rows.
    EXPECT_EQ(areas().size(), 12u);
}

TEST_F(SheetWindow, GripsMoveAnAreaByItsCentreAndTurnItByACorner) {
    cadPrintAreaAdd({0, 0, 100, 40, 0});
    cadUndoForget();
    drag({0, 0}, {30, -20});
    expectSameArea(areas()[0], {{30, -20}, 100, 40, 0}, 1e-9, "moved by its centre");
    // The top right corner (80, 0) dragged to straight above the centre: a quarter turn less the
    // corner's own angle.
    const Vec2 corner{80, 0};
    const Vec2 centre{30, -20};
    const double cornerAngle = std::atan2(20.0, 50.0) * 180 / kPi;
    drag(corner, {30, 80});
    expectSameArea(areas()[0], {centre, 100, 40, normalisedDegrees(90 - cornerAngle)}, 1e-6,
                   "turned by a corner");
    cadExecute(CAD_CMD_UNDO);
    expectSameArea(areas()[0], {centre, 100, 40, 0}, 1e-9, "the turn taken back");
    cadExecute(CAD_CMD_UNDO);
    expectSameArea(areas()[0], {{0, 0}, 100, 40, 0}, 1e-9, "the move taken back");
    // Hidden areas have no grips: a drag there selects instead.
    engine().active()->changeSettings([](DrawingSettings& s) { s.sheets.shown = false; });
    drag({0, 0}, {30, -20});
    expectSameArea(areas()[0], {{0, 0}, 100, 40, 0}, 1e-9, "hidden");
}

TEST_F(SheetWindow, AChangeOfTheAreasAloneDoesNotDrawTheDrawingAgain) {
    cadAddLine(-100, -50, 100, 50);
    cadPrintAreaAdd({0, 0, 100, 40, 0});
    w->repaint();
    const int renders = w->renderCount(), partial = w->partialRenderCount();
    cadExecute(CAD_CMD_UNDO);
    cadExecute(CAD_CMD_REDO);
    drag({0, 0}, {30, -20});
    w->repaint();
    EXPECT_EQ(w->renderCount(), renders);
    EXPECT_EQ(w->partialRenderCount(), partial);
}

TEST_F(SheetWindow, PrintSheetsWritesAPageAnAreaOrThosePickedInTheList) {
    cadAddLine(-100, 0, 100, 0);
    for (int i = 0; i < 3; ++i)
        cadPrintAreaAdd({-60.0 + 60 * i, 0, 70, 30, 10.0 * i});
    const QString all = QString::fromStdString(path("all.pdf"));
    const QString two = QString::fromStdString(path("two.pdf"));
    QString target;
    bool picked = false;
    showModal = [&](QDialog& d) {
        child<QRadioButton>(&d, "cadSheetsToPdf")->setChecked(true);
        child<QLineEdit>(&d, "cadSheetsPdfPath")->setText(target);
        child<QCheckBox>(&d, "cadSheetsLabels")->setChecked(true);
        child<QRadioButton>(&d, picked ? "cadSheetsPicked" : "cadSheetsAll")->setChecked(true);
        d.accept();
        return d.result();
    };
    target = all;
    ASSERT_EQ(cadExecute(CAD_CMD_PRINT_SHEETS), 1);
    EXPECT_EQ(pdfPages(all), 3);
    PrintAreasDialog* dialog = openDialog();
    list(dialog)->topLevelItem(0)->setSelected(true);
    list(dialog)->topLevelItem(2)->setSelected(true);
    target = two;
    picked = true;
    ASSERT_EQ(cadExecute(CAD_CMD_PRINT_SHEETS), 1);
    EXPECT_EQ(pdfPages(two), 2);
    // Without areas there is nothing to print, and it says so.
    cadPrintAreaDelete(-1);
    EXPECT_EQ(cadExecute(CAD_CMD_PRINT_SHEETS), 0);
    EXPECT_EQ(responder->messages.back().text, cadText(16245));
}

TEST_F(SheetWindow, AWindowPrintedToFitAPageAndThePictureOfAWindow) {
    cadAddLine(-100, -50, 100, 50);
    const QString pdf = QString::fromStdString(path("window.pdf"));
    showModal = [&](QDialog& d) {
        child<QRadioButton>(&d, "cadSheetsToPdf")->setChecked(true);
        child<QLineEdit>(&d, "cadSheetsPdfPath")->setText(pdf);
        d.accept();
        return d.result();
    };
    ASSERT_EQ(cadExecute(CAD_CMD_PRINT_WINDOW), 1);
    click({-50, -25});
    click({50, 25});
    EXPECT_EQ(pdfPages(pdf), 1);

    // The picture of a window 100 x 50 units (millimetres) at 1:1 and 254 dpi: 1000 x 500.
    showModal = [&](QDialog& d) {
        child<QRadioButton>(&d, "cadRasterWindow")->setChecked(true);
        child<QLineEdit>(&d, "cadRasterScale")->setText(QStringLiteral("1:1"));
        child<QDoubleSpinBox>(&d, "cadRasterDpi")->setValue(254);
        d.accept();
        return d.result();
    };
    responder->saveAnswers = {path("window.bmp")};
    ASSERT_EQ(cadExecute(CAD_CMD_EXPORT_BMP), 1);
    click({-50, -25});
    click({50, 25});
    QImageReader reader(QString::fromStdString(path("window.bmp")));
    EXPECT_EQ(reader.format(), QByteArray("bmp"));
    EXPECT_EQ(reader.size(), QSize(1000, 500));
}

} // namespace
