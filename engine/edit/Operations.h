// The changes commands make of a drawing, each kept in a change set before it is made.
#pragma once

#include "engine/edit/ChangeSet.h"

#include <functional>
#include <span>
#include <vector>

namespace cad {

// The drawing's own live, selected entities, in drawing order.
std::vector<std::uint32_t> selectedEntities(const Drawing& d);
// The extents of entities as they are now.
Rect extentsOf(const Drawing& d, std::span<const std::uint32_t> handles);

// Erases the entities; returns the area they covered.
Rect erase(ChangeSet& changes, std::span<const std::uint32_t> handles);

// Changes each of the drawing's own live entities in place (its record, geometry or own
// style), keeping all of it first; returns the area they covered before and after.
Rect changeEntities(ChangeSet& changes, std::span<const std::uint32_t> handles,
                    const std::function<void(Drawing&, std::uint32_t)>& change);

} // namespace cad
