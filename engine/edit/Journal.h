// The undo journal of a document: its changes, one step each, oldest first, and how many of
// them are in the drawing. Taking a step back and making it anew exchange the step's kept
// state with the live one. The journal keeps at most 100 steps and 256 MB; the oldest go first.
#pragma once

#include "engine/edit/ChangeSet.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace cad {

class Journal {
public:
    static constexpr std::size_t kMostSteps = 100;
    static constexpr std::size_t kMostBytes = std::size_t(256) << 20;

    explicit Journal(std::size_t mostBytes = kMostBytes) : mostBytes_(mostBytes) {}

    // Adds a step (closing it): the steps taken back before are gone. An empty set adds
    // nothing.
    void push(std::unique_ptr<ChangeSet> step);
    bool canUndo() const { return applied_ > 0; }
    bool canRedo() const { return applied_ < steps_.size(); }
    // Takes the last step back / makes the next one anew; the handles it changed go to
    // `touched`. Nothing when there is no such step.
    const ChangeSet* undo(std::vector<std::uint32_t>* touched = nullptr);
    const ChangeSet* redo(std::vector<std::uint32_t>* touched = nullptr);
    // The step undo / redo would exchange, or nullptr.
    const ChangeSet* nextUndo() const {
        return canUndo() ? steps_[applied_ - 1].set.get() : nullptr;
    }
    const ChangeSet* nextRedo() const { return canRedo() ? steps_[applied_].set.get() : nullptr; }

    // Names the state the drawing is in: equal numbers, equal drawings.
    std::uint64_t state() const { return applied_ == 0 ? base_ : steps_[applied_ - 1].id; }
    void clear();
    std::size_t size() const { return steps_.size(); }
    std::size_t bytes() const { return bytes_; }

private:
    struct Step {
        std::unique_ptr<ChangeSet> set;
        std::uint64_t id;
        std::size_t bytes;
    };
    std::deque<Step> steps_;
    std::size_t applied_ = 0; // steps_[0, applied_) are in the drawing
    std::uint64_t base_ = 0;  // the state before the oldest step
    std::uint64_t nextId_ = 1;
    std::size_t bytes_ = 0;
    std::size_t mostBytes_;
};

} // namespace cad
