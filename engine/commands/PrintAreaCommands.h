// Print areas in the drawing window: the small commands that pick what the areas dialog asks
// for (a new area's centre and direction, a new centre, a window, the curves of an axis) and
// tell it through a function, the grips that move and turn an area, and the changes of a
// document's areas, each one step of its history.
#pragma once

#include "engine/commands/Command.h"
#include "engine/model/PrintAreas.h"
#include "engine/view/SheetOverlay.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace cad {

// ---- changes of the areas

// Changes the document's areas through an Edit (one step, or part of the step being
// recorded) and lets the window and the lists that show them follow.
void changePrintAreas(Document& document, const std::function<void(DrawingWriter&)>& change);

// The size of one sheet's area by the document's paper, margins and scale; nothing when they
// leave none.
std::optional<AreaSize> sheetSizeOf(const Drawing& drawing);

// The axis that the entities make, joined end to end (lines, arcs, polylines, splines);
// nothing when one of them is of another kind or they make no single chain.
std::optional<std::vector<AxisPiece>> axisOfEntities(const Drawing& drawing,
                                                     std::span<const std::uint32_t> handles);

// Chainage as people write it on road drawings: "1250", "1250,5" or "1+250" (kilometres and
// metres); nothing for anything else or a negative value.
std::optional<double> parseChainage(std::string_view text);

// ---- picking in the window: each command hands what was picked to its function, then ends
// (Esc steps back, and from the first step leaves the command without a word).

// A new area of the given size: its centre, then its direction by a second point, or a typed
// angle, or Enter for `angle`.
std::unique_ptr<Command> placeAreaCommand(Document& d, AreaSize size, double angle,
                                          std::function<void(const PrintArea&)> placed);
// A new centre for the area: the area as it will be follows the cursor.
std::unique_ptr<Command> moveAreaCommand(Document& d, const PrintArea& area,
                                         std::function<void(const PrintArea&)> moved);
// A window of two corners; `name` is the text number shown before the prompts.
std::unique_ptr<Command> pickWindowCommand(Document& d, int name,
                                           std::function<void(const Rect&)> picked);
// The curves of an axis, picked as the window selects (click, window, crossing), until Enter or
// the right button.
std::unique_ptr<Command> pickAxisCommand(Document& d,
                                         std::function<void(std::vector<std::uint32_t>)> picked);

// ---- the grips of the areas in the idle window

// Holds an area by a grip: its centre moves it, a corner turns it about its centre. The area
// as it will be follows the cursor; the point picked (or where a drag ends) makes the change,
// one step. Nothing when there is no such area.
std::unique_ptr<Command> makeAreaGripCommand(Document& d, AreaGrip grip);

} // namespace cad
