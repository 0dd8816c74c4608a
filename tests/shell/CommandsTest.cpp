// Every menu item, speed button and toolbar button of the main window leads somewhere: an engine
// command the engine has, or a flow of the program's own. A new item whose command the engine
// lacks, or that nothing runs, shows up here by its name.
#include "engine/CadApi.h"
#include "shell/MenuTable.h"
#include "tests/shell/MainWindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <set>

namespace {

// Items that are in the menu on purpose without doing anything: the view's "Odśwież" leaves
// the redraw to the speed button "Odśwież widok".
const std::set<QString> kIdleOnPurpose{QStringLiteral("Odwie1")};

const MenuEntry* tableEntry(const QString& name) {
    const auto table = MainMenuTable();
    const auto it = std::find_if(table.begin(), table.end(), [&](const MenuEntry& e) {
        return e.kind == MenuKind::Item && QString::fromLatin1(e.name) == name;
    });
    return it == table.end() ? nullptr : &*it;
}

// The items of a menu and of its submenus, without separators and submenu titles.
void collectItems(const QMenu* menu, QList<QAction*>& items) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        if (a->menu())
            collectItems(a->menu(), items);
        else
            items << a;
    }
}

class Commands : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // With a drawing open every menu is enabled, as the person meets it.
        ASSERT_GT(cadFileNew(window->engineWindow, ""), 0);
        window->EnableDocumentMenus();
    }
    QList<QAction*> menuItems() const {
        QList<QAction*> items;
        for (QAction* top : window->menuBar()->actions())
            if (top->menu())
                collectItems(top->menu(), items);
        return items;
    }
};

TEST_F(Commands, EveryMenuItemRunsACommandTheEngineHasOrAFlowOfItsOwn) {
    const QRegularExpression recentEntry(QStringLiteral("^br\\d+$"));
    QStringList dead;
    int engineItems = 0, ownItems = 0;
    for (QAction* a : menuItems()) {
        const QString name = a->objectName();
        if (recentEntry.match(name).hasMatch())
            continue; // the recent files: opened by their path
        EXPECT_TRUE(a->isEnabled()) << name.toStdString();
        const MenuEntry* e = tableEntry(name);
        if (!e) {
            dead << name + QStringLiteral(" (not built from the menu table)");
        } else if (e->action == MenuAction::Engine) {
            ++engineItems;
            if (!cadCommandExists(e->code))
                dead << name + QStringLiteral(" (engine command %1)").arg(e->code);
        } else if (e->action == MenuAction::Nothing) {
            if (!kIdleOnPurpose.count(name))
                dead << name + QStringLiteral(" (runs nothing)");
        } else {
            ++ownItems;
        }
    }
    EXPECT_TRUE(dead.isEmpty()) << dead.join(QStringLiteral(", ")).toStdString();
    EXPECT_GT(engineItems, 40);
    EXPECT_GT(ownItems, 25);
    // The idle items are still there, so that the list above says something.
    for (const QString& name : kIdleOnPurpose)
        EXPECT_NE(window->action(name), nullptr) << name.toStdString();
}

TEST_F(Commands, EveryButtonRunsACommandTheEngineHas) {
    // The speed buttons below the drawing.
    for (const SpeedButtonEntry& e : SpeedButtonTable()) {
        auto* button = window->findChild<QToolButton*>(QString::fromLatin1(e.name));
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_TRUE(button->isEnabled()) << e.name;
        EXPECT_TRUE(cadCommandExists(e.code)) << e.name << ": engine command " << e.code;
    }
    // The engine's command toolbars that the start-up sequence makes: standard, drawing,
    // editing, modifying, snaps, draw order and dimensions, each with its buttons named after
    // their commands.
    QGuiApplication::clipboard()->clear();
    std::set<int> toolbars;
    int buttons = 0;
    for (const QToolBar* bar : window->findChildren<QToolBar*>()) {
        const QString id = bar->objectName().mid(QStringLiteral("cadToolbar").size());
        for (QAction* a : bar->actions()) {
            const QWidget* button = bar->widgetForAction(a);
            if (a->isSeparator() || !button ||
                !button->objectName().startsWith(QStringLiteral("cadButton")))
                continue;
            const int code = button->objectName().mid(QStringLiteral("cadButton").size()).toInt();
            toolbars.insert(id.toInt());
            ++buttons;
            EXPECT_TRUE(cadCommandExists(code)) << "toolbar " << id.toStdString() << ": " << code;
            // With nothing done yet and nothing on the clipboard, there is nothing to undo,
            // redo or paste.
            const bool waits =
                code == CAD_CMD_UNDO || code == CAD_CMD_REDO || code == CAD_CMD_PASTE;
            EXPECT_EQ(a->isEnabled(), !waits) << "toolbar " << id.toStdString() << ": " << code;
        }
    }
    EXPECT_EQ(toolbars, (std::set<int>{CAD_TOOLBAR_STANDARD, CAD_TOOLBAR_DRAW, CAD_TOOLBAR_EDIT,
                                       CAD_TOOLBAR_MODIFY, CAD_TOOLBAR_SNAPS, CAD_TOOLBAR_ORDER,
                                       CAD_TOOLBAR_DIMENSIONS}));
    EXPECT_GT(buttons, 50);
}

// The commands the program's own flows run behind its menu items and after reading a drawing.
TEST_F(Commands, TheCommandsTheProgramRunsItselfExist) {
    for (int code :
         {CAD_CMD_SAVE, CAD_CMD_SAVE_AS, CAD_CMD_CLOSE, CAD_CMD_CLOSE_ALL, CAD_CMD_EXPORT_DXF,
          CAD_CMD_LAYERS, CAD_CMD_REDRAW, CAD_CMD_ZOOM_ALL, CAD_CMD_SHOW_WIDTHS})
        EXPECT_TRUE(cadCommandExists(code)) << code;
}

// The draw order's items at the end of "Edycja" work on the selection, each one step; the order
// shows in the DXF written, whose entities come bottom first.
TEST_F(Commands, TheDrawOrderItemsReorderTheSelectionOneStepEach) {
    const int under = cadAddLine(1111, 0, 1111, 10);
    ASSERT_GE(under, 0);
    ASSERT_GE(cadAddLine(2222, 0, 2222, 10), 0);
    cadUndoForget();
    const std::string file = path(QStringLiteral("order.dxf")).toStdString();
    // Whether the first line is written after the second.
    auto firstOnTop = [&] {
        EXPECT_EQ(cadFileSave(file, CAD_FORMAT_DXF), 1);
        const std::string dxf = read(QStringLiteral("order.dxf"));
        const std::size_t entities = dxf.find("ENTITIES");
        EXPECT_NE(entities, std::string::npos);
        return dxf.find("1111", entities) > dxf.find("2222", entities);
    };
    ASSERT_FALSE(firstOnTop());

    cadSelect(1, under);
    item("Entitytotop1")->trigger();
    EXPECT_TRUE(firstOnTop());
    EXPECT_TRUE(cadCanUndo());
    item("Undo1")->trigger();
    EXPECT_FALSE(firstOnTop());
    EXPECT_FALSE(cadCanUndo()) << "one step";

    // Two selected change places; back again with the second one to the bottom.
    cadSelect(1, under + 1);
    item("Swapentities1")->trigger();
    EXPECT_TRUE(firstOnTop());
    cadSelect(0, under + 1);
    item("Entitytobottom1")->trigger();
    EXPECT_FALSE(firstOnTop());
}

} // namespace
