// The draw order: two entities swapped, the selection to the top or the bottom, hatches and
// filled shapes under the rest. Each change is one step; the keys come from DrawOrder.h.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/view/DrawingWindow.h"

#include <optional>

namespace cad {

namespace {

constexpr int kSwapName = 19244, kToTopName = 19245, kToBottomName = 19246;
constexpr int kFirstEntityPrompt = 19248, kSecondEntityPrompt = 19249;

// Gives the entities their new keys as one step and shows them; false when nothing changes.
bool reorder(Document& doc, const OrderKeys& keys) {
    if (keys.empty())
        return false;
    std::vector<std::uint32_t> handles;
    for (const auto& [h, key] : keys)
        handles.push_back(h);
    Edit edit(doc);
    edit.changes().setOrderKeys(keys);
    edit.commit();
    engine().redrawArea(doc, extentsOf(doc.drawing(), handles));
    return true;
}

bool selectionToTop(Document& d) {
    return reorder(d, keysToTop(d.drawing(), selectedEntities(d.drawing())));
}

bool selectionToBottom(Document& d) {
    return reorder(d, keysToBottom(d.drawing(), selectedEntities(d.drawing())));
}

// The hatches and filled shapes of the selection, or of the whole drawing.
int hatchesToBottom() {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (DrawingWindow* w = DrawingWindow::current())
        w->cancel();
    const Drawing& dr = d->drawing();
    const std::vector<std::uint32_t> fills = hatchesAndFills(dr, selectedEntities(dr));
    // Something selected that holds none: nothing to do.
    if (fills.empty())
        return 0;
    return reorder(*d, keysToBottom(dr, fills)) ? 1 : 0;
}

// Swap: two entities picked, one after the other (the selection may give them).
class SwapCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kSwapName; }
    void start(CommandHost& host) override {
        host_ = &host;
        const std::vector<std::uint32_t> selected = selectedEntities(document().drawing());
        if (selected.size() == 2) {
            swap(selected[0], selected[1]);
            return;
        }
        if (selected.size() == 1)
            first_ = selected[0];
        host.prompt(first_ ? kSecondEntityPrompt : kFirstEntityPrompt);
    }
    void point(Vec2 p) override {
        const int h =
            entityAt(document().drawing(), p, DrawingWindow::kPickPixels * host_->pixelSize());
        if (h < 0)
            return; // missed: the person tries again
        if (!first_) {
            first_ = static_cast<std::uint32_t>(h);
            // The first one shows as selected while the second is looked for.
            document().selectAll(false);
            document().select(h, true);
            host_->update();
            host_->prompt(kSecondEntityPrompt);
            return;
        }
        if (static_cast<std::uint32_t>(h) != *first_)
            swap(*first_, static_cast<std::uint32_t>(h));
    }
    bool back() override {
        if (!first_)
            return false;
        first_.reset();
        document().selectAll(false);
        host_->update();
        host_->prompt(kFirstEntityPrompt);
        return true;
    }
    bool tablesChanged() override {
        return !first_ || selectable(document().drawing(), static_cast<int>(*first_));
    }

private:
    void swap(std::uint32_t a, std::uint32_t b) {
        reorder(document(), keysSwapped(document().drawing(), a, b));
        host_->finish();
    }

    CommandHost* host_ = nullptr;
    std::optional<std::uint32_t> first_;
};

int swapEntities() {
    DrawingWindow* w = DrawingWindow::current();
    Document* d = engine().active();
    if (!d)
        return 0;
    // Without a window only a selection of two can say which.
    if (!w) {
        const std::vector<std::uint32_t> s = selectedEntities(d->drawing());
        return s.size() == 2 && reorder(*d, keysSwapped(d->drawing(), s[0], s[1])) ? 1 : 0;
    }
    w->startCommand(std::make_unique<SwapCommand>(*d));
    return 1;
}

} // namespace

void registerOrderCommands(Engine& e) {
    e.addCommand(CAD_CMD_SWAP_ENTITIES, swapEntities);
    e.addCommand(CAD_CMD_ENTITY_TO_TOP, [] { return workOnSelection(kToTopName, selectionToTop); });
    e.addCommand(CAD_CMD_ENTITY_TO_BOTTOM,
                 [] { return workOnSelection(kToBottomName, selectionToBottom); });
    e.addCommand(CAD_CMD_HATCHES_TO_BOTTOM, hatchesToBottom);
}

} // namespace cad
