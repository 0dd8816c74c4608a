// The engine's toolbars and status bar.
#include "engine/Engine.h"
#include "engine/ui/StatusBar.h"
#include "engine/ui/Toolbars.h"
#include "tests/engine/EngineTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QSvgRenderer>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <set>

namespace {

// The engine keeps its commands for the life of the process: each test that registers one
// takes a code never used before.
int freshCommand() {
    static int last = 99000;
    return ++last;
}
constexpr int unknownCommand = 99999;

class ToolbarTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent = std::make_unique<QWidget>();
        parent->resize(800, 600);
    }
    void TearDown() override {
        parent.reset();
        EngineTest::TearDown();
    }

    // Creates a toolbar of that id at its natural size; the newest toolbar of that id.
    QToolBar* create(int id, int* handle = nullptr) {
        int w = 0, h = 0;
        const int hd = cadToolBarCreate(parent.get(), id, 0, 0, -1, -1, &w, &h);
        EXPECT_GT(hd, 0);
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        if (handle)
            *handle = hd;
        const auto bars = parent->findChildren<QToolBar*>(QStringLiteral("cadToolbar%1").arg(id));
        return bars.isEmpty() ? nullptr : bars.back();
    }

    static QToolButton* button(QToolBar* bar, int code) {
        return bar->findChild<QToolButton*>(QStringLiteral("cadButton%1").arg(code));
    }

    // The command codes of a toolbar's actions, 0 for separators.
    static std::vector<int> codes(QToolBar* bar) {
        std::vector<int> out;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) {
                out.push_back(0);
                continue;
            }
            const QString name = bar->widgetForAction(a)->objectName();
            out.push_back(name.mid(QStringLiteral("cadButton").size()).toInt());
        }
        return out;
    }

    std::unique_ptr<QWidget> parent;
};

} // namespace

TEST_F(ToolbarTest, DeclaredButtonsGoOnTheNextToolbarOnly) {
    cadToolBarButton(CAD_CMD_SAVE);
    cadToolBarButton(0);
    cadToolBarButton(CAD_CMD_ZOOM_ALL);
    int first = 0, second = 0;
    QToolBar* bar = create(CAD_TOOLBAR_STANDARD, &first);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(codes(bar), (std::vector<int>{CAD_CMD_SAVE, 0, CAD_CMD_ZOOM_ALL}));
    EXPECT_EQ(bar->parentWidget(), parent.get());

    // The next one has nothing declared: the engine's own buttons, in another toolbar.
    QToolBar* again = create(CAD_TOOLBAR_STANDARD, &second);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, bar);
    EXPECT_NE(first, second);
    EXPECT_EQ(codes(again), cad::defaultButtons(CAD_TOOLBAR_STANDARD));
}

TEST_F(ToolbarTest, ToolbarsWithoutDeclaredButtonsGetTheEngineButtons) {
    for (const int id : {CAD_TOOLBAR_STANDARD, CAD_TOOLBAR_DRAW, CAD_TOOLBAR_EDIT,
                         CAD_TOOLBAR_SNAPS, CAD_TOOLBAR_ORDER}) {
        QToolBar* bar = create(id);
        ASSERT_NE(bar, nullptr) << id;
        const std::vector<int> expected = cad::defaultButtons(id);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(codes(bar), expected) << id;
    }
    const std::vector<int> standard = cad::defaultButtons(CAD_TOOLBAR_STANDARD);
    for (const int code : {17003, 17031, 17051, 17052, 17053, 17055, 17056, 17061, 17062, 17431,
                           17432, 17441, 17442, 17443, 17453})
        EXPECT_NE(std::find(standard.begin(), standard.end(), code), standard.end()) << code;
    const std::vector<int> edit = cad::defaultButtons(CAD_TOOLBAR_EDIT);
    for (int code = 17401; code <= 17409; ++code)
        EXPECT_NE(std::find(edit.begin(), edit.end(), code), edit.end()) << code;
}

TEST_F(ToolbarTest, ToolbarGeometryAndOrientation) {
    int w = 0, h = 0;
    const int handle =
        cadToolBarCreate(parent.get(), CAD_TOOLBAR_STANDARD, 10, 20, 500, 40, &w, &h);
    EXPECT_GT(handle, 0);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 40);
    auto* bar = parent->findChild<QToolBar*>(QStringLiteral("cadToolbar4861"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(10, 20, 500, 40));
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);

    // The drawing column stands upright at its natural size, and is taller than wide.
    cadToolBarCreate(parent.get(), CAD_TOOLBAR_DRAW, 0, 60, -1, -1, &w, &h);
    auto* column = parent->findChild<QToolBar*>(QStringLiteral("cadToolbar4862"));
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->orientation(), Qt::Vertical);
    EXPECT_GT(h, w);
    EXPECT_EQ(column->size(), QSize(w, h));

    // A tall shape given for the edit column: upright too.
    cadToolBarCreate(parent.get(), CAD_TOOLBAR_EDIT, 0, 0, 28, 300, &w, &h);
    auto* edit = parent->findChild<QToolBar*>(QStringLiteral("cadToolbar4863"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->orientation(), Qt::Vertical);

    // A height of 1 across a row of buttons: as high as the buttons need.
    cadToolBarCreate(parent.get(), CAD_TOOLBAR_STANDARD, 0, 0, -1, 1, &w, &h);
    EXPECT_GT(h, 16);
    EXPECT_GT(w, h);

    // Null output pointers are allowed.
    EXPECT_GT(cadToolBarCreate(parent.get(), CAD_TOOLBAR_SNAPS, 0, 0, 0, 0, nullptr, nullptr), 0);
}

TEST_F(ToolbarTest, EveryButtonHasAnIconAndATooltip) {
    for (const int id : {CAD_TOOLBAR_STANDARD, CAD_TOOLBAR_DRAW, CAD_TOOLBAR_EDIT,
                         CAD_TOOLBAR_SNAPS, CAD_TOOLBAR_ORDER, CAD_TOOLBAR_DIMENSIONS}) {
        QToolBar* bar = create(id);
        ASSERT_NE(bar, nullptr);
        for (const int code : cad::defaultButtons(id)) {
            if (code == 0)
                continue;
            QToolButton* b = button(bar, code);
            ASSERT_NE(b, nullptr) << code;
            EXPECT_FALSE(b->icon().isNull()) << code;
            EXPECT_FALSE(b->icon().pixmap(16, 16).isNull()) << code;
            EXPECT_FALSE(b->toolTip().isEmpty()) << code;
            ASSERT_NE(cad::buttonLook(code), nullptr) << code;
            QSvgRenderer svg(cad::buttonIconPath(code));
            EXPECT_TRUE(svg.isValid()) << code;
        }
    }
    // Other display commands the program may put on a toolbar.
    for (const int code : {CAD_CMD_SHOW_GRID, CAD_CMD_SHOW_WIDTHS, CAD_CMD_HIDE_WIDTHS,
                           CAD_CMD_FILL_OUTLINES, CAD_CMD_INFO, CAD_CMD_MEASURE})
        EXPECT_NE(cad::buttonLook(code), nullptr) << code;
}

TEST_F(ToolbarTest, EveryIconInTheResourceLoads) {
    std::set<QString> files;
    for (const cad::ButtonLook& look : cad::buttonLooks()) {
        const QString path = cad::buttonIconPath(look.command);
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        QSvgRenderer svg(path);
        EXPECT_TRUE(svg.isValid()) << path.toStdString();
        EXPECT_EQ(svg.viewBox(), QRect(0, 0, 16, 16)) << path.toStdString();
        EXPECT_FALSE(QIcon(path).pixmap(16, 16).isNull()) << path.toStdString();
        EXPECT_FALSE(cadText(look.textNumber).empty()) << look.command; // its English words
        // One icon a command.
        EXPECT_TRUE(files.insert(path).second) << path.toStdString();
    }
    // A command without a look of its own gets the generic icon.
    EXPECT_EQ(cad::buttonLook(unknownCommand), nullptr);
    EXPECT_TRUE(QSvgRenderer(cad::buttonIconPath(unknownCommand)).isValid());
}

TEST_F(ToolbarTest, TooltipsComeFromTheEngineTexts) {
    // Without the program's texts: the English ones.
    EXPECT_EQ(cad::buttonToolTip(CAD_CMD_SAVE), QStringLiteral("Save the drawing to a file"));
    EXPECT_EQ(cad::buttonToolTip(CAD_CMD_ZOOM_ALL), QStringLiteral("Zoom to the whole drawing"));
    cadSetMsgHandler([](int, int message, int number, int, double, double, void*) {
        if (message != CAD_MSG_TEXT)
            return 0;
        if (number == 19006)
            cadPropPut(CAD_PROP_TEXT_ANSWER, 0,
                       "Powi\xea"
                       "ksz do ca\xb3o\x9c"
                       "ci");
        else if (number == 11501)
            cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "Warstwy");
        else
            return 0;
        return 1;
    });
    EXPECT_EQ(cad::buttonToolTip(CAD_CMD_ZOOM_ALL), QString::fromUtf8(u8"Powiększ do całości"));
    EXPECT_EQ(cad::buttonToolTip(CAD_CMD_LAYERS), QStringLiteral("Warstwy"));
    QToolBar* bar = create(CAD_TOOLBAR_STANDARD);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(button(bar, CAD_CMD_ZOOM_ALL)->toolTip(), QString::fromUtf8(u8"Powiększ do całości"));
    // The snap texts follow the snap commands.
    EXPECT_EQ(cad::buttonLook(17501)->textNumber, 19101);
    EXPECT_EQ(cad::buttonLook(17512)->textNumber, 19112);
}

TEST_F(ToolbarTest, ButtonsOfUnknownCommandsAreDisabled) {
    ASSERT_GT(cadFileNew(0, ""), 0); // the commands have a drawing to work on
    const int testCommandA = freshCommand();
    cadToolBarButton(CAD_CMD_SAVE);
    cadToolBarButton(unknownCommand);
    cadToolBarButton(testCommandA);
    QToolBar* bar = create(CAD_TOOLBAR_STANDARD);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(button(bar, CAD_CMD_SAVE), nullptr);
    EXPECT_TRUE(button(bar, CAD_CMD_SAVE)->isEnabled());
    EXPECT_FALSE(button(bar, unknownCommand)->isEnabled());
    EXPECT_FALSE(button(bar, unknownCommand)->icon().isNull());
    EXPECT_FALSE(button(bar, testCommandA)->isEnabled());

    // A command registered later: its button comes alive when the toolbar is shown.
    int runs = 0;
    cad::engine().addCommand(testCommandA, [&runs] { return ++runs; });
    parent->show();
    bar->show();
    EXPECT_TRUE(button(bar, testCommandA)->isEnabled());
    button(bar, testCommandA)->click();
    EXPECT_EQ(runs, 1);
    // Clicking a disabled button runs nothing.
    button(bar, unknownCommand)->click();
    cad::engine().addCommand(testCommandA, [] { return 0; });
}

TEST_F(ToolbarTest, ButtonsFollowTheCommandsWhenObserversFire) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    const int testCommandB = freshCommand();
    cadToolBarButton(testCommandB);
    QToolBar* bar = create(CAD_TOOLBAR_DRAW);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(button(bar, testCommandB)->isEnabled());
    cad::engine().addCommand(testCommandB, [] { return 1; });
    cad::engine().tablesChanged();
    EXPECT_TRUE(button(bar, testCommandB)->isEnabled());
}

TEST_F(ToolbarTest, ClickingZoomAllShowsTheWholeDrawing) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    addPolyline({1000, 1000, 1100, 1050});
    ASSERT_TRUE(cadZoom(0.001));
    const auto before = cadViewRect();
    ASSERT_TRUE(before);
    QToolBar* bar = create(CAD_TOOLBAR_STANDARD);
    ASSERT_NE(bar, nullptr);
    QToolButton* zoomAll = button(bar, CAD_CMD_ZOOM_ALL);
    ASSERT_NE(zoomAll, nullptr);
    ASSERT_TRUE(zoomAll->isEnabled());
    zoomAll->click();
    const auto after = cadViewRect();
    ASSERT_TRUE(after);
    EXPECT_LE(after->left, 1000);
    EXPECT_GE(after->right, 1100);
    EXPECT_LE(after->bottom, 1000);
    EXPECT_GE(after->top, 1050);
    EXPECT_LT(after->right - after->left, before->right - before->left);
}

TEST_F(ToolbarTest, SnapButtonsAreCheckable) {
    QToolBar* bar = create(CAD_TOOLBAR_SNAPS);
    ASSERT_NE(bar, nullptr);
    for (int code = 17501; code <= 17512; ++code) {
        ASSERT_NE(button(bar, code), nullptr) << code;
        EXPECT_TRUE(button(bar, code)->isCheckable()) << code;
    }
    // "None" shows pressed while no way of snapping is on; the settings are a plain button.
    ASSERT_NE(button(bar, 17513), nullptr);
    EXPECT_FALSE(button(bar, 17513)->isCheckable());
}

TEST_F(ToolbarTest, LayerComboListsTheLayersAndFollowsThem) {
    QToolBar* bar = create(CAD_TOOLBAR_LAYERS);
    ASSERT_NE(bar, nullptr);
    auto* combo = bar->findChild<QComboBox*>(QStringLiteral("cadLayerCombo"));
    ASSERT_NE(combo, nullptr);
    // No document: empty and disabled.
    EXPECT_EQ(combo->count(), 0);
    EXPECT_FALSE(combo->isEnabled());

    const int first = cadFileNew(0, "");
    EXPECT_TRUE(combo->isEnabled());
    ASSERT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("0"));
    EXPECT_EQ(combo->currentIndex(), 0);

    // A Windows-1250 name with its colour.
    EXPECT_EQ(cadLayerAdd("\xa3\xf3"
                          "d\x9f",
                          0.5, 0x0000FF, 0),
              1);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QString::fromUtf8(u8"Łódź"));
    EXPECT_FALSE(combo->itemIcon(1).isNull());
    const QImage swatch = combo->itemIcon(1).pixmap(14, 14).toImage();
    EXPECT_EQ(swatch.pixelColor(6, 6), QColor(255, 0, 0));

    // The program makes a layer active: the combo shows it.
    cadLayerAdd("B", 0, 0, 0);
    cadLayerActive(2);
    EXPECT_EQ(combo->currentIndex(), 2);

    // The person picks one: it becomes the active layer.
    combo->setCurrentIndex(1);
    EXPECT_EQ(cad::activeDrawing()->current.layer, 1);
    EXPECT_EQ(combo->currentIndex(), 1);

    // Another document: its layers.
    const int second = cadFileNew(0, "");
    EXPECT_EQ(combo->count(), 1);
    cadLayerAdd("C", 0, 0, 0);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("C"));
    cadDocSetActive(first);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 1);

    // All closed: empty again.
    cadDocClose(first);
    EXPECT_EQ(combo->count(), 2);
    cadDocClose(second);
    EXPECT_EQ(combo->count(), 0);
    EXPECT_FALSE(combo->isEnabled());
}

TEST_F(ToolbarTest, TableToolbarsStopListeningWhenDestroyed) {
    cadFileNew(0, "");
    QToolBar* layers = create(CAD_TOOLBAR_LAYERS);
    QToolBar* styles = create(CAD_TOOLBAR_LINESTYLES);
    QToolBar* buttons = create(CAD_TOOLBAR_STANDARD);
    delete layers;
    delete styles;
    delete buttons;
    // No observer may reach the deleted toolbars.
    cadLayerAdd("A", 0, 0, 0);
    cadStLineAdd("D", "1,-1");
    EXPECT_EQ(cadLayerCount(), 2);
}

TEST_F(ToolbarTest, LineStyleComboListsTheStyles) {
    cadFileNew(0, "");
    QToolBar* bar = create(CAD_TOOLBAR_LINESTYLES);
    ASSERT_NE(bar, nullptr);
    auto* combo = bar->findChild<QComboBox*>(QStringLiteral("cadLineStyleCombo"));
    ASSERT_NE(combo, nullptr);
    const int before = combo->count();
    EXPECT_EQ(before, cadStLineCount());
    const int dashed = cadStLineAdd("Kreskowa", "6,-2,0,-2");
    ASSERT_GE(dashed, 0);
    ASSERT_EQ(combo->count(), before + 1);
    EXPECT_EQ(combo->itemText(dashed), QStringLiteral("Kreskowa"));
    EXPECT_FALSE(combo->itemIcon(dashed).isNull());
    EXPECT_FALSE(combo->itemIcon(0).isNull());
    combo->setCurrentIndex(dashed);
    EXPECT_EQ(cad::activeDrawing()->current.lineStyle, dashed);
    cadStLineActive(0);
    EXPECT_EQ(combo->currentIndex(), 0);

    // Another document has only its own styles; none open: empty and disabled.
    const int second = cadFileNew(0, "");
    EXPECT_EQ(combo->count(), cadStLineCount());
    EXPECT_EQ(combo->findText(QStringLiteral("Kreskowa")), -1);
    for (const int d : cadDocList())
        cadDocClose(d);
    EXPECT_EQ(cadDocGetActive(), 0);
    EXPECT_NE(second, 0);
    EXPECT_EQ(combo->count(), 0);
    EXPECT_FALSE(combo->isEnabled());
}

TEST_F(ToolbarTest, LinePatternIconsDrawTheDashes) {
    const QImage solid = cad::linePatternIcon({}).pixmap(48, 12).toImage();
    const QImage dashed = cad::linePatternIcon({4, -4}).pixmap(48, 12).toImage();
    int solidInk = 0, dashedInk = 0;
    for (int x = 0; x < 48; ++x) {
        solidInk += solid.pixelColor(x, 6).alpha() > 128;
        dashedInk += dashed.pixelColor(x, 6).alpha() > 128;
    }
    EXPECT_GT(solidInk, 40);
    EXPECT_GT(dashedInk, 10);
    EXPECT_LT(dashedInk, solidInk - 10);
    // Odd patterns draw something and end.
    EXPECT_FALSE(cad::linePatternIcon({0}).isNull());
    EXPECT_FALSE(cad::linePatternIcon({-1}).isNull());
    EXPECT_FALSE(cad::linePatternIcon({1e-300, -1e300}).isNull());
}

TEST_F(ToolbarTest, StatusBarPanes) {
    // No status bar yet: nothing to write to.
    EXPECT_EQ(cadStatBarSetText(2, "x"), 0);
    int h = 0;
    const int handle = cadStatBarCreate(parent.get(), &h);
    EXPECT_GT(handle, 0);
    EXPECT_GT(h, 0);
    auto* bar = parent->findChild<cad::StatusBar*>(QStringLiteral("cadStatusBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(0, 600 - h, 800, h));

    EXPECT_EQ(cadStatBarSetText(2, "Gotowe"), 1);
    EXPECT_EQ(bar->paneText(2), QStringLiteral("Gotowe"));
    EXPECT_EQ(cadStatBarSetText(2, "Zako\xf1"
                                   "czono \x9f"),
              1);
    EXPECT_EQ(bar->paneText(2), QString::fromUtf8(u8"Zakończono ź"));
    EXPECT_EQ(cadStatBarSetText(0, "X"), 1);
    EXPECT_EQ(bar->paneText(0), QStringLiteral("X"));
    EXPECT_EQ(cadStatBarSetText(1, "Wska\xbf punkt"), 1);
    EXPECT_EQ(bar->paneText(1), QString::fromUtf8(u8"Wskaż punkt"));
    EXPECT_EQ(cadStatBarSetText(3, "x"), 0);
    EXPECT_EQ(cadStatBarSetText(-1, "x"), 0);
    auto* pane2 = bar->findChild<QLabel*>(QStringLiteral("cadStatusPane2"));
    ASSERT_NE(pane2, nullptr);
    EXPECT_EQ(pane2->text(), QString::fromUtf8(u8"Zakończono ź"));
}

TEST_F(ToolbarTest, StatusBarFollowsTheWindow) {
    int h = 0;
    cadStatBarCreate(parent.get(), &h);
    auto* bar = parent->findChild<cad::StatusBar*>(QStringLiteral("cadStatusBar"));
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(cad::engine().onCursor);
    ASSERT_TRUE(cad::engine().onPrompt);
    cad::engine().onCursor(123.454, 67.891);
    EXPECT_EQ(bar->paneText(0), QStringLiteral("X: 123.45  Y: 67.89"));
    cad::engine().onCursor(-0.5, 1e6);
    EXPECT_EQ(bar->paneText(0), QStringLiteral("X: -0.50  Y: 1000000.00"));
    cad::engine().onPrompt("Podaj \xb3uk");
    EXPECT_EQ(bar->paneText(1), QString::fromUtf8(u8"Podaj łuk"));

    parent->resize(500, 200);
    cadStatBarResize();
    EXPECT_EQ(bar->geometry(), QRect(0, 200 - bar->height(), 500, bar->height()));

    // The window may still call after the bar went away.
    delete bar;
    cad::engine().onCursor(1, 2);
    cad::engine().onPrompt("x");
    EXPECT_EQ(cadStatBarSetText(2, "x"), 0);
    cadStatBarResize();
}

namespace {

TEST_F(ToolbarTest, ButtonsWaitForADrawingAndForSomethingToDo) {
    QToolBar* standard = create(CAD_TOOLBAR_STANDARD);
    QToolBar* snaps = create(CAD_TOOLBAR_SNAPS);
    ASSERT_TRUE(standard && snaps);
    const auto enabled = [](QToolBar* bar, int code) { return button(bar, code)->isEnabled(); };
    // No drawing: nothing to save, zoom or take back; the ways of snapping hold for the run.
    for (const int code : {CAD_CMD_SAVE, CAD_CMD_PRINT, CAD_CMD_ZOOM_ALL, CAD_CMD_UNDO,
                           CAD_CMD_REDO, CAD_CMD_CUT, CAD_CMD_PASTE, CAD_CMD_LAYERS})
        EXPECT_FALSE(enabled(standard, code)) << code;
    EXPECT_TRUE(enabled(snaps, CAD_CMD_SNAP_END));
    EXPECT_TRUE(enabled(snaps, CAD_CMD_SNAP_SETTINGS));
    EXPECT_FALSE(enabled(snaps, CAD_CMD_SNAP_GRID)) << "the drawing's own";

    cadFileNew(0, "");
    EXPECT_TRUE(enabled(standard, CAD_CMD_SAVE));
    EXPECT_TRUE(enabled(standard, CAD_CMD_CUT)) << "picks what to cut";
    EXPECT_TRUE(enabled(snaps, CAD_CMD_SNAP_GRID));
    EXPECT_FALSE(enabled(standard, CAD_CMD_UNDO));
    EXPECT_FALSE(enabled(standard, CAD_CMD_REDO));
    // A change to take back, then one to make anew.
    cadUndoGroupBegin();
    addPolyline({0, 0, 10, 10});
    cadUndoGroupEnd();
    cadExecute(CAD_CMD_ZOOM_ALL);
    EXPECT_TRUE(enabled(standard, CAD_CMD_UNDO));
    EXPECT_FALSE(enabled(standard, CAD_CMD_REDO));
    cadExecute(CAD_CMD_UNDO);
    EXPECT_FALSE(enabled(standard, CAD_CMD_UNDO));
    EXPECT_TRUE(enabled(standard, CAD_CMD_REDO));
    // Paste follows the clipboard.
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(enabled(standard, CAD_CMD_PASTE));
    cadExecute(CAD_CMD_REDO);
    cadSelect(1, -1);
    ASSERT_EQ(cadExecute(CAD_CMD_COPY_TO_CLIPBOARD), 1);
    EXPECT_TRUE(enabled(standard, CAD_CMD_PASTE));
    // The last drawing closed: back to nothing.
    cadDocClose(cadDocGetActive());
    EXPECT_FALSE(enabled(standard, CAD_CMD_SAVE));
    EXPECT_FALSE(enabled(standard, CAD_CMD_PASTE));
}

TEST_F(ToolbarTest, LayersShowTheLabelsTheProgramGivesThem) {
    QToolBar* bar = create(CAD_TOOLBAR_LAYERS);
    auto* combo = bar->findChild<QComboBox*>(QStringLiteral("cadLayerCombo"));
    ASSERT_NE(combo, nullptr);
    cadFileNew(0, "");
    cadLayerAdd("31", 0.35, 0x0000FF, 0x0000FF);
    cadLayerLabel("31", "o\x9c drogi"); // "oś drogi"
    EXPECT_EQ(cadLayerLabelOf("31"), "o\x9c drogi");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("0"));
    EXPECT_EQ(combo->itemText(1), QString::fromUtf8(u8"31 - oś drogi"));
    // Every document's layer of that name; an empty label takes it away.
    cadFileNew(0, "");
    cadLayerAdd("31", 0.35, 0, 0);
    EXPECT_EQ(combo->itemText(1), QString::fromUtf8(u8"31 - oś drogi"));
    cadLayerLabel("31", "");
    EXPECT_EQ(combo->itemText(1), QStringLiteral("31"));
    EXPECT_EQ(cadLayerLabelOf("31"), "");
}

TEST_F(ToolbarTest, WhatNeedsNoAnswerIsToldInTheStatusBar) {
    cadStatBarCreate(parent.get(), nullptr);
    auto* bar = parent->findChild<cad::StatusBar*>(QStringLiteral("cadStatusBar"));
    ASSERT_NE(bar, nullptr);
    cadFileNew(0, "");
    // Holding Ctrl+Z with nothing to take back stops nobody.
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0);
    EXPECT_EQ(bar->paneText(2), QStringLiteral("Nothing to undo"));
    EXPECT_EQ(cadExecute(CAD_CMD_REDO), 0);
    EXPECT_EQ(bar->paneText(2), QStringLiteral("Nothing to redo"));
    EXPECT_TRUE(responder->messages.empty());
    // What was written where.
    addPolyline({0, 0, 1, 1});
    ASSERT_EQ(cadFileSave(path("zapis.rdw"), CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(bar->paneText(2),
              QStringLiteral("Drawing saved to ") + QString::fromStdString(path("zapis.rdw")));
    responder->saveAnswers = {path("eksport")};
    ASSERT_EQ(cadExecute(CAD_CMD_EXPORT_DXF), 1);
    EXPECT_EQ(bar->paneText(2),
              QStringLiteral("Drawing exported to ") + QString::fromStdString(path("eksport.dxf")));
}

} // namespace
