// The commands that open the engine's dialogs.
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"

#include <QApplication>

namespace cad {

namespace {

// The dialogs open over the drawing window when there is one.
QWidget* dialogParent() {
    return QApplication::activeWindow();
}

} // namespace

void registerDialogCommands(Engine& e) {
    e.addCommand(CAD_CMD_LAYERS, [] {
        Document* d = engine().active();
        if (!d)
            return 0;
        LayersDialog dialog(*d, dialogParent());
        return showModal(dialog) == QDialog::Accepted ? 1 : 0;
    });
    e.addCommand(CAD_CMD_LAYER_ORDER, [] {
        Document* d = engine().active();
        if (!d)
            return 0;
        LayerOrderDialog dialog(*d, dialogParent());
        if (showModal(dialog) != QDialog::Accepted)
            return 0;
        return 1;
    });
    e.addCommand(CAD_CMD_INFO, [] {
        if (!activeDrawing())
            return 0;
        InfoDialog dialog(cadDrawingInfo(), dialogParent());
        showModal(dialog);
        return 1;
    });
    e.addCommand(CAD_CMD_PRINT, [] { return runPrintCommand(dialogParent()); });
    e.addCommand(CAD_CMD_PRINT_SCALE, [] { return runPrintScaleCommand(dialogParent()); });
}

} // namespace cad
