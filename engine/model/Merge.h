// Copying content from one drawing into another: whole drawings (loading a file into an open
// document) and blocks (taking blocks out of a drawing file).
#pragma once

#include "engine/edit/DrawingWriter.h"
#include "engine/model/Drawing.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace cad {

// True for a drawing that holds nothing a person made: no entities, no blocks, no print areas,
// and only the tables a new drawing starts with.
bool isPristine(const Drawing& d);

// True when adding the layers and line styles of `from` that `into` lacks would make more of
// them than entity records can name.
bool tablesWouldOverflow(const Drawing& into, const Drawing& from);

// Adds everything of `from` to `into`: layers, styles and blocks by name (those `into` has
// already stay as they are), then every entity, then the print areas `into` lacks. A pristine
// `into` simply takes `from`'s place.
void mergeDrawing(std::unique_ptr<Drawing>& into, std::unique_ptr<Drawing> from);

// Copies the block `name` of `from` (every block for an empty name) into `into`, with the
// blocks they insert and the layers and styles their entities use. Blocks whose name `into`
// has already are kept as they are and not counted. The number of blocks copied.
int copyBlocks(DrawingWriter& into, const Drawing& from, std::string_view name);

// A new drawing holding copies of the given entities of the drawing itself (others are left
// out) with the layers, styles and blocks they use, and `from`'s settings.
std::unique_ptr<Drawing> extractEntities(const Drawing& from,
                                         std::span<const std::uint32_t> handles);

// Adds copies of the entities of `from`'s drawing itself to `into`, layers, styles and blocks
// mapped by name (those `into` lacks are copied in, those it has stay as they are). The
// handles of the copies, in order.
std::vector<std::uint32_t> pasteEntities(DrawingWriter& into, const Drawing& from);

} // namespace cad
