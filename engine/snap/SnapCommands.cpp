#include "engine/snap/SnapCommands.h"

#include "engine/Engine.h"
#include "engine/snap/SnapDialog.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

SnapKind kindOf(int command) {
    return static_cast<SnapKind>(command - CAD_CMD_SNAP_END);
}

} // namespace

// The toolbars show the new state, the window its marker.
void snapsChanged() {
    engine().tablesChanged();
    if (DrawingWindow* w = DrawingWindow::current())
        w->snapsChanged();
}

namespace {

bool anyOn() {
    const Drawing* d = activeDrawing();
    if (d && d->settings.gridSnap)
        return true;
    for (int i = 0; i < kSnapKinds; ++i)
        if (engine().snaps.has(static_cast<SnapKind>(i)))
            return true;
    return false;
}

int toggle(int command) {
    const SnapKind kind = kindOf(command);
    if (kind == SnapKind::Grid) {
        Document* d = engine().active();
        if (!d)
            return 0;
        d->changeSettings([](DrawingSettings& s) { s.gridSnap = !s.gridSnap; });
    } else {
        engine().snaps.set(kind, !engine().snaps.has(kind));
    }
    snapsChanged();
    return 1;
}

int noSnaps() {
    for (int i = 0; i < kSnapKinds; ++i)
        engine().snaps.set(static_cast<SnapKind>(i), false);
    if (Document* d = engine().active())
        d->changeSettings([](DrawingSettings& s) { s.gridSnap = false; });
    snapsChanged();
    return 1;
}

int settingsDialog() {
    const Drawing* d = activeDrawing();
    SnapDialog dialog(engine().snaps, d ? std::optional<bool>(d->settings.gridSnap) : std::nullopt,
                      QApplication::activeWindow());
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    engine().snaps = dialog.settings();
    if (Document* doc = engine().active(); doc && dialog.gridSnap())
        doc->changeSettings([&](DrawingSettings& s) { s.gridSnap = *dialog.gridSnap(); });
    snapsChanged();
    return 1;
}

} // namespace

bool isSnapToggle(int command) {
    return command >= CAD_CMD_SNAP_END && command <= CAD_CMD_SNAP_NONE;
}

bool snapToggleChecked(int command) {
    if (command == CAD_CMD_SNAP_NONE)
        return !anyOn();
    if (!isSnapToggle(command))
        return false;
    const SnapKind kind = kindOf(command);
    if (kind == SnapKind::Grid) {
        const Drawing* d = activeDrawing();
        return d && d->settings.gridSnap;
    }
    return engine().snaps.has(kind);
}

} // namespace cad

CadSnapSettings cadSnapSettings() {
    const cad::SnapSettings& s = cad::engine().snaps;
    CadSnapSettings out;
    for (int i = 0; i < cad::kSnapKinds; ++i)
        if (s.has(static_cast<cad::SnapKind>(i)))
            out.modes |= 1u << i;
    out.aperture = s.aperture;
    out.lengthStep = s.lengthStep;
    out.angleStep = s.angleStep;
    out.baseAngle = s.baseAngle;
    return out;
}

void cadSetSnapSettings(const CadSnapSettings& in) {
    cad::SnapSettings& s = cad::engine().snaps;
    for (int i = 0; i < cad::kSnapKinds; ++i)
        s.set(static_cast<cad::SnapKind>(i), (in.modes >> i) & 1u);
    s.aperture = std::clamp(in.aperture, cad::kSmallestAperture, cad::kLargestAperture);
    const auto step = [](double v, double fallback) {
        return std::isfinite(v) && v >= 0 ? v : fallback;
    };
    s.lengthStep = step(in.lengthStep, 1);
    s.angleStep = step(in.angleStep, 15);
    s.baseAngle = std::isfinite(in.baseAngle) ? in.baseAngle : 0;
    cad::snapsChanged();
}

namespace cad {

void registerSnapCommands(Engine& e) {
    for (int command = CAD_CMD_SNAP_END; command < CAD_CMD_SNAP_NONE; ++command)
        e.addCommand(command, [command] { return toggle(command); });
    e.addCommand(CAD_CMD_SNAP_NONE, noSnaps);
    e.addCommand(CAD_CMD_SNAP_SETTINGS, settingsDialog);
}

} // namespace cad
