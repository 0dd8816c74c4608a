// Dimensions follow the entities their points are tied to. When a change is made a step of the
// journal, the dimensions tied to the entities it changed are worked out again within the same
// change: a tied point goes where its entity's point went, and a point whose entity is gone (or
// that the change moved away from its entity) stays where it is, no longer tied. Undo and redo
// then give every dimension back with its entities, because the change kept them together.
#pragma once

#include "engine/edit/ChangeSet.h"

#include <utility>
#include <vector>

namespace cad {

// Brings the dimensions tied to what the change touched up to date, within the change; the area
// the changed dimensions covered before and after.
Rect followTies(ChangeSet& changes);

// Entities copied together with the dimensions tied to them: the copies of the dimensions are
// tied to the copies of the entities (pairs of original and copy handles).
void retieCopies(DrawingWriter& w,
                 const std::vector<std::pair<std::uint32_t, std::uint32_t>>& copies);

} // namespace cad
