// Undo, redo and erase.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/edit/Operations.h"
#include "engine/view/DrawingWindow.h"

namespace cad {

namespace {

constexpr int kPickEntitiesPrompt = 19301;
constexpr int kEraseName = 19238;
constexpr int kEraseQuestion = 10506;

// Erases the selection of a document, asking first when the engine is told to. False when
// nothing was erased.
bool eraseSelection(Document& d) {
    const std::vector<std::uint32_t> selected = selectedEntities(*d.drawing);
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

// Erase with nothing selected: the person picks what goes, then it goes.
class EraseCommand final : public Command {
public:
    using Command::Command;
    Wants wants() const override { return Wants::Entities; }
    int name() const override { return kEraseName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kPickEntitiesPrompt);
    }
    void entitiesPicked() override {
        eraseSelection(document());
        host_->finish();
    }

private:
    CommandHost* host_ = nullptr;
};

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
    e.addCommand(CAD_CMD_ERASE, [] {
        Document* d = engine().active();
        if (!d)
            return 0;
        DrawingWindow* w = DrawingWindow::current();
        if (w)
            w->cancel();
        if (d->drawing->selectedCount() > 0)
            return eraseSelection(*d) ? 1 : 0;
        if (!w)
            return 0;
        w->startCommand(std::make_unique<EraseCommand>(*d));
        return 1;
    });
}

} // namespace cad
