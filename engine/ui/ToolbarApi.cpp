// The toolbar and status-bar part of CadApi.h.
#include "engine/CadApi.h"

#include "engine/Engine.h"
#include "engine/ui/QtResponder.h"
#include "engine/ui/StatusBar.h"
#include "engine/ui/Toolbars.h"

#include <QPointer>

#include <algorithm>
#include <vector>

using namespace cad;

namespace {

// Buttons declared for the next toolbar.
std::vector<int>& declaredButtons() {
    static std::vector<int> buttons;
    return buttons;
}

int& lastToolbarHandle() {
    static int handle = 0;
    return handle;
}

// The status bar made last: the one the texts go to.
QPointer<StatusBar>& statusBar() {
    static QPointer<StatusBar> bar;
    return bar;
}

int statusBarHandle = 0;

} // namespace

void cadToolBarButton(int command) {
    declaredButtons().push_back(command);
}

int cadToolBarCreate(QWidget* parent, int id, int x, int y, int width, int height, int* outWidth,
                     int* outHeight) {
    std::vector<int> commands = std::move(declaredButtons());
    declaredButtons().clear();
    QToolBar* bar = nullptr;
    if (id == CAD_TOOLBAR_LAYERS) {
        bar = new TableToolBar(id, TableToolBar::Table::Layers, parent);
    } else if (id == CAD_TOOLBAR_LINESTYLES) {
        bar = new TableToolBar(id, TableToolBar::Table::LineStyles, parent);
    } else {
        if (commands.empty())
            commands = defaultButtons(id);
        // The drawing and editing columns stand upright unless given a wide shape; any toolbar
        // given a tall shape does too.
        const bool column =
            id == CAD_TOOLBAR_DRAW || id == CAD_TOOLBAR_EDIT || id == CAD_TOOLBAR_MODIFY;
        const bool sized = width > 0 && height > 0;
        const bool upright = sized ? height > width : column;
        bar = new CommandToolBar(id, commands, upright ? Qt::Vertical : Qt::Horizontal, parent);
    }
    // A size of 0 or less takes what the buttons need. Across its buttons a toolbar is never
    // made thinner than they are: the program passes 1 there to mean "as needed".
    const QSize need = bar->sizeHint();
    const bool vertical = bar->orientation() == Qt::Vertical;
    int w = width > 0 ? width : need.width();
    int h = height > 0 ? height : need.height();
    if (vertical)
        w = std::max(w, need.width());
    else
        h = std::max(h, need.height());
    bar->setGeometry(x, y, w, h);
    if (parent && parent->isVisible())
        bar->show();
    if (outWidth)
        *outWidth = w;
    if (outHeight)
        *outHeight = h;
    return ++lastToolbarHandle();
}

int cadStatBarCreate(QWidget* parent, int* outHeight) {
    if (!parent)
        return 0;
    auto* bar = new StatusBar(parent);
    bar->fitToParent();
    if (parent->isVisible())
        bar->show();
    statusBar() = bar;
    QPointer<StatusBar> guard(bar);
    engine().onCursor = [guard](double x, double y) {
        if (guard)
            guard->showCursor(x, y);
    };
    engine().onPrompt = [guard](const std::string& text) {
        if (guard)
            guard->setPaneText(1, fromEngineText(text));
    };
    engine().inputField = [guard]() -> QLineEdit* { return guard ? guard->input() : nullptr; };
    engine().onNotice = [guard](const std::string& text) {
        if (guard)
            guard->setPaneText(2, fromEngineText(text));
    };
    if (outHeight)
        *outHeight = bar->height();
    return ++statusBarHandle;
}

int cadStatBarSetText(int pane, std::string_view text) {
    StatusBar* bar = statusBar();
    return bar && bar->setPaneText(pane, fromEngineText(text)) ? 1 : 0;
}

void cadStatBarResize() {
    if (StatusBar* bar = statusBar())
        bar->fitToParent();
}

QIcon cadCommandIcon(int command) {
    return cad::buttonIcon(command);
}
