// Cut, copy and paste through the system clipboard: what is copied keeps its layers, styles and
// blocks, and a paste follows the cursor until the person puts it down.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/Merge.h"
#include "engine/model/Transform.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Clipboard.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <functional>

namespace cad {

namespace {

constexpr int kInsertionPoint = 19318;
constexpr int kCutName = 19034, kCopyName = 19035, kPasteName = 19036;

bool copySelection(Document& d) {
    const std::vector<std::uint32_t> selected = selectedEntities(d.drawing());
    if (selected.empty())
        return false;
    putOnClipboard(*extractEntities(d.drawing(), selected));
    return true;
}

bool cutSelection(Document& d) {
    if (!copySelection(d))
        return false;
    Edit edit(d);
    const Rect area = erase(edit.changes(), selectedEntities(d.drawing()));
    edit.commit();
    engine().redrawArea(d, area);
    return true;
}

// The entities of the clipboard follow the cursor, their lower left corner under it, until a
// point puts them down.
class PasteCommand final : public Command {
public:
    PasteCommand(Document& d, std::unique_ptr<Drawing> part) : Command(d), part_(std::move(part)) {
        const Rect r = part_->extents();
        if (!r.empty())
            base_ = {r.left, r.bottom};
        for (std::size_t h = 0; h < part_->entities.size(); ++h)
            if (part_->inModelSpace(static_cast<int>(h))) {
                handles_.push_back(static_cast<std::uint32_t>(h));
                part_->entities[h].set(EntityFlag::Selected, true);
            }
    }
    int name() const override { return kPasteName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kInsertionPoint);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        Document& doc = document();
        // More layers or line styles than entity records can name: nothing is pasted.
        if (tablesWouldOverflow(doc.drawing(), *part_)) {
            engine().responder()->tell(engine().text(10501), engine().text(10530), true);
            host_->finish();
            return;
        }
        Edit edit(doc);
        const std::vector<std::uint32_t> made = pasteEntities(edit.changes(), *part_);
        const Similarity move = Similarity::translation({p.x - base_.x, p.y - base_.y});
        for (const std::uint32_t h : made)
            transformEntity(edit.changes(), static_cast<int>(h), move);
        const bool newTables = edit.changes().changesTables();
        edit.commit();
        doc.selectAll(false);
        Rect area;
        for (const std::uint32_t h : made) {
            doc.select(static_cast<int>(h), true);
            area.add(doc.drawing().entityExtents(static_cast<int>(h)));
        }
        if (newTables)
            engine().tablesChanged();
        host_->redrawArea(area);
        host_->finish();
    }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const View& v = host_->view();
        RenderView view = RenderView::centredOn(v.centre, v.unitsPerPixel, v.widthPx, v.heightPx);
        view.toDevice = view.toDevice.after(
            Similarity::translation({cursor_->x - base_.x, cursor_->y - base_.y}).map);
        RenderOptions options;
        options.showLineWidths = false;
        options.showSelection = true;
        options.selectionColor = QColor(0, 90, 220);
        renderEntities(p, *part_, view, options, handles_);
    }

private:
    std::unique_ptr<Drawing> part_;
    std::vector<std::uint32_t> handles_;
    Vec2 base_{0, 0};
    std::optional<Vec2> cursor_;
    CommandHost* host_ = nullptr;
};

} // namespace

void registerClipboardCommands(Engine& e) {
    e.addCommand(CAD_CMD_CUT, [] { return workOnSelection(kCutName, cutSelection); });
    e.addCommand(CAD_CMD_COPY_TO_CLIPBOARD,
                 [] { return workOnSelection(kCopyName, copySelection); });
    e.addCommand(CAD_CMD_PASTE, [] {
        std::unique_ptr<Drawing> part = drawingOnClipboard();
        if (!part)
            return 0;
        return startDrawCommand(
            [&](Document& d) { return std::make_unique<PasteCommand>(d, std::move(part)); });
    });
}

} // namespace cad
