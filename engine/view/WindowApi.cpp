// The drawing window's part of the interface. There is one drawing window: while it exists, a
// second cadWndCreate returns 0.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

#include <QPointer>

using namespace cad;

namespace {

constexpr int kWindowHandle = 1;
constexpr int kChildWithBorder = 13;

QPointer<DrawingWindow>& theWindow() {
    static QPointer<DrawingWindow> window;
    return window;
}

// The window, while the engine still shows its documents in it (a reset forgets it).
DrawingWindow* liveWindow() {
    DrawingWindow* w = theWindow();
    return w && engine().window == w ? w : nullptr;
}

} // namespace

int cadWndCreate(QWidget* parent, int style, int x, int y, int width, int height) {
    if (style != kChildWithBorder || liveWindow())
        return 0;
    // The engine's dialogs show their whole titles.
    fitDialogsToTheirTitles();
    auto* w = new DrawingWindow(parent);
    w->setGeometry(x, y, std::max(width, 1), std::max(height, 1));
    theWindow() = w;
    engine().window = w;
    w->documentChanged();
    w->show();
    return kWindowHandle;
}

bool cadGetWinSize(QWidget* widget, int& width, int& height) {
    if (!widget)
        return false;
    width = widget->width();
    height = widget->height();
    return true;
}

int cadWndResize(int window, int x, int y, int width, int height) {
    DrawingWindow* w = window == kWindowHandle ? liveWindow() : nullptr;
    if (!w || width <= 0 || height <= 0)
        return 0;
    w->setGeometry(x, y, width, height);
    w->fitView();
    w->refresh();
    return 1;
}

QWidget* cadWndWidget(int window) {
    return window == kWindowHandle ? liveWindow() : nullptr;
}
