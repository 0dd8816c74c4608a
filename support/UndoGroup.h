// Makes the program's changes of the active document within a scope one step of its undo
// journal, however the scope is left.
#pragma once

#include "engine/CadApi.h"

#include <optional>

class UndoGroup {
public:
    UndoGroup() { cadUndoGroupBegin(); }
    ~UndoGroup() { cadUndoGroupEnd(); }
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;
};

// Keeps what new entities of the active document take (layer, styles, text parameters) and
// gives it back when the scope is left: for work that changes them only on the way.
class KeepCurrentAttributes {
public:
    KeepCurrentAttributes() : kept_(cadGetCurrentAttributes()) {}
    ~KeepCurrentAttributes() {
        if (kept_)
            cadSetCurrentAttributes(*kept_);
    }
    KeepCurrentAttributes(const KeepCurrentAttributes&) = delete;
    KeepCurrentAttributes& operator=(const KeepCurrentAttributes&) = delete;

private:
    std::optional<CadCurrentAttributes> kept_;
};
