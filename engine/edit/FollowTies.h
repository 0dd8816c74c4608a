// Dimensions follow the entities their points are tied to. When a change is made a step of the
// journal, the dimensions tied to the entities it changed are worked out again within the same
// change: a tied point goes where its entity's point went, and a point whose entity is gone (or
// that the change moved away from its entity) stays where it is, no longer tied. Undo and redo
// then give every dimension back with its entities, because the change kept them together.
#pragma once

#include "engine/edit/ChangeSet.h"

namespace cad {

// Brings the dimensions tied to what the change touched up to date, within the change; the area
// the changed dimensions covered before and after.
Rect followTies(ChangeSet& changes);

} // namespace cad
