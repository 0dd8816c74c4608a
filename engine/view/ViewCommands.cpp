// The view commands: zooms, pan, saved views, grid and navigator.
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"
#include "engine/view/ViewDialogs.h"

#include <algorithm>

namespace cad {

namespace {

// Zoom in, out, previous and selection go through the interface's own zoom.
int zoomBy(double value) {
    return cadZoom(value);
}

int saveView() {
    Document* d = engine().active();
    if (!d)
        return 0;
    const auto name = DrawingWindow::askViewName(std::string());
    if (!name || name->empty())
        return 0;
    auto& views = d->savedViews;
    const auto same = std::find_if(views.begin(), views.end(),
                                   [&](const SavedView& v) { return v.first == *name; });
    if (same != views.end())
        same->second = d->view;
    else
        views.emplace_back(*name, d->view);
    return 1;
}

int showViews() {
    Document* d = engine().active();
    if (!d)
        return 0;
    ViewsDialog dialog(d->handle, DrawingWindow::current());
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

int gridDialog() {
    Document* d = engine().active();
    if (!d)
        return 0;
    GridDialog dialog(d->drawing().settings, DrawingWindow::current());
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    d->changeSettings([&](DrawingSettings& s) { dialog.applyTo(s); });
    // The snap toolbar shows the grid's snapping as the dialog left it.
    engine().tablesChanged();
    engine().redraw();
    return 1;
}

} // namespace

void registerViewCommands(Engine& e) {
    e.addCommand(CAD_CMD_ZOOM_IN, [] { return zoomBy(2.0); });
    e.addCommand(CAD_CMD_ZOOM_OUT, [] { return zoomBy(0.5); });
    e.addCommand(CAD_CMD_ZOOM_PREVIOUS, [] { return zoomBy(CAD_ZOOM_PREVIOUS); });
    e.addCommand(CAD_CMD_ZOOM_SELECTION, [] { return zoomBy(CAD_ZOOM_SELECTION); });
    // Zoom window and pan pick in the window: they start its interaction and return.
    e.addCommand(CAD_CMD_ZOOM_WINDOW, [] {
        DrawingWindow* w = DrawingWindow::current();
        if (!w || !engine().active())
            return 0;
        w->startZoomWindow();
        return 1;
    });
    e.addCommand(CAD_CMD_PAN, [] {
        DrawingWindow* w = DrawingWindow::current();
        if (!w || !engine().active())
            return 0;
        w->startPan();
        return 1;
    });
    e.addCommand(CAD_CMD_SAVE_VIEW, saveView);
    e.addCommand(CAD_CMD_VIEWS, showViews);
    e.addCommand(CAD_CMD_SHOW_GRID, [] {
        Document* d = engine().active();
        if (!d)
            return 0;
        d->changeSettings([](DrawingSettings& s) { s.gridShown = !s.gridShown; });
        engine().redraw();
        return 1;
    });
    e.addCommand(CAD_CMD_GRID, gridDialog);
    e.addCommand(CAD_CMD_NAVIGATOR, [] {
        DrawingWindow* w = DrawingWindow::current();
        if (!w)
            return 0;
        w->toggleNavigator();
        return 1;
    });
}

} // namespace cad
