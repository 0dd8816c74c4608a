#include "engine/Document.h"

#include "engine/edit/ChangeSet.h"

namespace cad {

Rect View::rect() const {
    Rect r;
    const double hw = widthPx * unitsPerPixel / 2, hh = heightPx * unitsPerPixel / 2;
    r.add(centre.x - hw, centre.y - hh);
    r.add(centre.x + hw, centre.y + hh);
    return r;
}

namespace {

// Which dimensions are tied to which entities is worked out while a drawing is opened, not at
// the first edit of it that a person then waits for.
void learnTies(const Drawing& d) {
    if (d.dimensions.empty())
        return;
    std::vector<std::uint32_t> none;
    d.tiedDimensions(kNoEntity, none);
}

} // namespace

Document::Document(std::unique_ptr<Drawing> drawing)
    : drawing_(drawing ? std::move(drawing) : std::make_unique<Drawing>()) {
    learnTies(*drawing_);
}

Document::~Document() = default;

void Document::forgetChanges() {
    const bool changed = modified();
    if (recording) {
        journal.push(std::move(recording));
        recording.reset();
    }
    recordingDepth = 0;
    ++recordingEpoch;
    journal.clear();
    savedState = journal.state();
    drawing_->modified = changed;
}

void Document::load(const std::function<void(std::unique_ptr<Drawing>&)>& load) {
    forgetChanges();
    const bool changed = drawing_->modified;
    load(drawing_);
    drawing_->modified = drawing_->modified || changed;
    drawing_->index().invalidate();
    learnTies(*drawing_);
    journal.clear();
    savedState = journal.state();
    walk = EntityWalk{};
}

void Document::tidy() {
    if (!recording)
        drawing_->reclaimVertices();
}

} // namespace cad
