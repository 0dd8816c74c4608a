// Undo, redo, erase and the properties of entities.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/commands/PropertiesDialog.h"
#include "engine/edit/Operations.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

namespace cad {

namespace {

constexpr int kEraseName = 19238;
constexpr int kPropertiesName = 19232;
constexpr int kEraseQuestion = 10506;

// Erases the selection of a document, asking first when the engine is told to. False when
// nothing was erased.
bool eraseSelection(Document& d) {
    const std::vector<std::uint32_t> selected = selectedEntities(d.drawing());
    if (selected.empty())
        return false;
    Engine& e = engine();
    if (e.confirmDelete == 1 &&
        e.responder()->ask(e.text(10501), e.text(kEraseQuestion), false) != CAD_ASK_YES)
        return false;
    Edit edit(d);
    const Rect area = erase(edit.changes(), selected);
    edit.commit();
    e.redrawArea(d, area);
    return true;
}

// Shows the properties of a document's selection; what the person changed is one step. False
// when nothing was selected or nothing changed.
bool editSelection(Document& d) {
    const std::vector<std::uint32_t> selected = selectedEntities(d.drawing());
    if (selected.empty())
        return false;
    PropertiesDialog dialog(d.drawing(), selected, DrawingWindow::current());
    if (showModal(dialog) != QDialog::Accepted || !dialog.changed())
        return false;
    Edit edit(d);
    const Rect area = dialog.apply(edit.changes());
    edit.commit();
    engine().redrawArea(d, area);
    return true;
}

// Undo and redo end any command that runs: what it began is taken back first.
int stepCommand(bool back) {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (DrawingWindow* w = DrawingWindow::current())
        w->cancel();
    return (back ? engine().undo(*d) : engine().redo(*d)) ? 1 : 0;
}

} // namespace

void registerEditCommands(Engine& e) {
    e.addCommand(CAD_CMD_UNDO, [] { return stepCommand(true); });
    e.addCommand(CAD_CMD_REDO, [] { return stepCommand(false); });
    e.addCommand(CAD_CMD_ERASE, [] { return workOnSelection(kEraseName, eraseSelection); });
    e.addCommand(CAD_CMD_PROPERTIES,
                 [] { return workOnSelection(kPropertiesName, editSelection); });
}

} // namespace cad
