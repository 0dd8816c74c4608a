// What the modify commands (offset, trim, extend, fillet, chamfer, break, join, stretch, array,
// lengthen, reverse) share: pointing at an entity, drawing curves and entities in a preview,
// telling why a change could not be made, and the drawing's edges near a curve.
#pragma once

#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/model/Curve.h"
#include "engine/model/Refusal.h"

#include <QColor>

#include <functional>
#include <vector>

class QPainter;

namespace cad {

// The colour of what a modify command is about to make, over the drawing.
inline const QColor kResultColor(0, 90, 220);

// The entity a person points at with the cursor at p: the selectable one nearest within the
// window's pick distance that `accepts` takes (-1: none).
int pointedEntity(const Drawing& d, const CommandHost& host, Vec2 p,
                  const std::function<bool(const Drawing&, int)>& accepts);
// Entities that are curves the modify tools change (lines, arcs, circles, ellipses, splines,
// polylines, rectangles).
bool isCurveEntity(const Drawing& d, int handle);

// Draws a curve through a sink (a preview, or new entities).
void drawCurve(ShapeSink& sink, const Curve& c);
// Draws curves in the colour of results.
void paintCurves(QPainter& p, CommandHost& host, const Document& d, const std::vector<Curve>& c);
// Shows an entity as picked: its outline dashed over it.
void paintPicked(QPainter& p, const CommandHost& host, const Drawing& d, int handle);

// Tells the person in the status bar why a change was not made.
void tellRefusal(Refusal r);
// The text number that says it.
int refusalText(Refusal r);

// The curves of the drawing's entities (other than `except`) that may meet a curve: those of
// the entities whose boxes meet the boxes of its pieces (a long curve asks for each piece
// alone, so that a diagonal road does not ask for everything around it). `grow` widens each
// box by that much.
void edgesNear(const Drawing& d, const Curve& c, int except, double grow, std::vector<Curve>& out);
// The curves of the given entities (other than `except`).
void edgesOf(const Drawing& d, const std::vector<std::uint32_t>& handles, int except,
             std::vector<Curve>& out);

// A number typed by the person, checked: finite and not negative.
bool usableValue(double v);

} // namespace cad
