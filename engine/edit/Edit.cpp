#include "engine/edit/Edit.h"

#include "engine/edit/FollowTies.h"

namespace cad {

Edit::Edit(Document& d) : document_(d) {
    join();
}

void Edit::join() {
    Document& d = document_;
    if (!d.recording) {
        d.recording = std::make_unique<ChangeSet>(*d.drawing_);
        d.recordingDepth = 0;
    }
    ++d.recordingDepth;
    epoch_ = d.recordingEpoch;
}

Edit::~Edit() {
    if (open())
        abandon();
}

ChangeSet& Edit::changes() {
    if (open_ && epoch_ != document_.recordingEpoch)
        join();
    return *document_.recording;
}

void Edit::commit() {
    if (!open()) {
        open_ = false;
        return;
    }
    open_ = false;
    if (--document_.recordingDepth > 0)
        return;
    // Dimensions tied to what changed follow it in the same step.
    document_.followed.add(followTies(*document_.recording));
    document_.journal.push(std::move(document_.recording));
    document_.recording.reset();
    document_.tidy();
}

void Edit::abandon() {
    if (!open()) {
        open_ = false;
        return;
    }
    open_ = false;
    // Inside a larger change what was done stays part of it.
    if (--document_.recordingDepth > 0)
        return;
    std::unique_ptr<ChangeSet> set = std::move(document_.recording);
    // Nothing of the change stays: neither in the drawing nor as a mark of a change.
    set->exchange();
}

} // namespace cad
