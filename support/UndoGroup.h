// Makes the program's changes of the active document within a scope one step of its undo
// journal, however the scope is left.
#pragma once

#include "engine/CadApi.h"

class UndoGroup {
public:
    UndoGroup() { cadUndoGroupBegin(); }
    ~UndoGroup() { cadUndoGroupEnd(); }
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;
};
