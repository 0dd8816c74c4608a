#include "engine/edit/Journal.h"

namespace cad {

void Journal::push(std::unique_ptr<ChangeSet> step) {
    if (!step)
        return;
    step->close();
    if (step->empty())
        return;
    while (steps_.size() > applied_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    const std::size_t size = step->bytes();
    steps_.push_back(Step{std::move(step), nextId_++, size});
    bytes_ += size;
    applied_ = steps_.size();
    // The oldest steps go first; the newest stays, however large.
    while (steps_.size() > 1 && (steps_.size() > kMostSteps || bytes_ > mostBytes_)) {
        base_ = steps_.front().id;
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --applied_;
    }
}

const ChangeSet* Journal::undo(std::vector<std::uint32_t>* touched) {
    if (!canUndo())
        return nullptr;
    ChangeSet& step = *steps_[--applied_].set;
    step.exchange(touched);
    return &step;
}

const ChangeSet* Journal::redo(std::vector<std::uint32_t>* touched) {
    if (!canRedo())
        return nullptr;
    ChangeSet& step = *steps_[applied_++].set;
    step.exchange(touched);
    return &step;
}

void Journal::clear() {
    steps_.clear();
    applied_ = 0;
    base_ = nextId_++;
    bytes_ = 0;
}

} // namespace cad
