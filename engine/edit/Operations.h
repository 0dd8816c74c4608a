// The changes commands make of a drawing, each kept in a change set before it is made.
#pragma once

#include "engine/edit/DrawingWriter.h"

#include <functional>
#include <span>
#include <vector>

namespace cad {

// The drawing's own live, selected entities, in drawing order.
std::vector<std::uint32_t> selectedEntities(const Drawing& d);
// The extents of entities as they are now.
Rect extentsOf(const Drawing& d, std::span<const std::uint32_t> handles);

// Erases the entities; returns the area they covered.
Rect erase(DrawingWriter& changes, std::span<const std::uint32_t> handles);

// Changes each of the drawing's own live entities in place (its record, geometry or own
// style); returns the area they covered before and after.
Rect changeEntities(DrawingWriter& changes, std::span<const std::uint32_t> handles,
                    const std::function<void(EntityChange&)>& change);

// The entities (those of the drawing itself among them) become a block of that name with that
// base point, and an insertion of it stands where they were: the insertion's handle, or -1
// when no block could be made.
int blockInPlace(DrawingWriter& changes, std::string_view name, Vec2 base,
                 std::span<const std::uint32_t> handles);

} // namespace cad
