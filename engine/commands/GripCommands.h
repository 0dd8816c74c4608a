// Holding the selection by its grips, and the menu that a right click on the selection opens.
#pragma once

#include "engine/commands/Command.h"
#include "engine/model/Grips.h"

#include <memory>
#include <optional>

class QPoint;
class QWidget;

namespace cad {

// Moves one grip of an entity to the point picked (or to where a drag of it ends), as one
// step; the entity follows the cursor until then. Nothing when the grip does not exist.
std::unique_ptr<Command> makeGripCommand(Document& d, GripRef grip);

// A vertex added after the grip's vertex, in the middle of the segment after it, or the
// grip's vertex removed (two stay at least); one step each. False when the entity is no
// polyline or spline or keeps its vertices.
bool insertVertex(Document& d, GripRef grip);
bool deleteVertex(Document& d, GripRef grip);

// The selection made one group: a block of a name of its own, inserted where the entities
// were, selected. One step; exploding it gives the entities back. False when nothing is
// selected.
bool groupSelection(Document& d);

// Shows the menu of the selection at a point of the screen and runs the item chosen: the
// editing commands on the selection and, on a grip of a polyline or spline, its vertices.
void selectionMenu(Document& d, QWidget* parent, QPoint at, std::optional<GripRef> grip);

} // namespace cad
