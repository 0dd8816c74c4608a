// The changes commands make of a drawing, each kept in a change set before it is made.
#pragma once

#include "engine/edit/ChangeSet.h"

#include <span>
#include <vector>

namespace cad {

// The drawing's own live, selected entities, in drawing order.
std::vector<std::uint32_t> selectedEntities(const Drawing& d);
// The extents of entities as they are now.
Rect extentsOf(const Drawing& d, std::span<const std::uint32_t> handles);

// Erases the entities; returns the area they covered.
Rect erase(ChangeSet& changes, std::span<const std::uint32_t> handles);

} // namespace cad
