// An interactive command: a small state machine that the drawing window feeds with what the
// person does. The window picks points (through its snapping), lets the person pick entities
// the way the idle window selects them, draws the rubber band from the command's base point
// and the command's preview over the drawing, and turns Esc, Enter, Backspace and the right
// button into the calls below. A command changes its document only through an Edit; when it
// is left unfinished the Edit takes everything back.
#pragma once

#include "engine/Engine.h"
#include "engine/snap/Snapper.h"

#include <QPointF>

#include <optional>

class QPainter;
class QWidget;

namespace cad {

// What a command sees of the window it runs in.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    // Drawing units and the window's pixels, through the active document's view.
    virtual Vec2 toDrawing(QPointF pixel) const = 0;
    virtual QPointF toPixel(Vec2 p) const = 0;
    // Drawing units of one pixel.
    virtual double pixelSize() const = 0;
    // The active document's view, as the window shows it.
    virtual const View& view() const = 0;
    // Shows the text of that number as the prompt (0: none).
    virtual void prompt(int text) = 0;
    // The command's picture changed: paint the window again (not the drawing under it).
    virtual void update() = 0;
    // The drawing changed under an area: draw that part again.
    virtual void redrawArea(const Rect& area) = 0;
    // The command is done; the window lets it go once the current event is handled.
    virtual void finish() = 0;
    // The window, as a parent for a command's own small windows.
    virtual QWidget* widget() = 0;
    // The keys held (Shift, Ctrl) at the last mouse event or key press in the window.
    virtual Qt::KeyboardModifiers modifiers() const = 0;
};

class Command {
public:
    explicit Command(Document& document) : document_(document) {}
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    Document& document() const { return document_; }
    // The text number of the command's short name, shown before its prompts (0: none).
    virtual int name() const { return 0; }

    // What the next left click gives the command: a point, or entities picked as the idle
    // window selects them (a click, a window, a crossing) until Enter or the right button.
    enum class Wants { Point, Entities };
    virtual Wants wants() const { return Wants::Point; }

    // Starts the command in a window; it shows its first prompt (or finishes at once).
    virtual void start(CommandHost& host) = 0;
    // A picked point (snapped where the window snaps).
    virtual void point(Vec2) {}
    // The same with how it was found: what the snap found it on (commands that tie points to
    // entities look at it); typed points were found on nothing.
    virtual void pointFound(const SnapResult& found) { point(found.point); }
    // The cursor moved (snapped as points are).
    virtual void cursor(Vec2) {}
    // The person ended picking entities (Wants::Entities): the drawing's selection holds them.
    virtual void entitiesPicked() {}
    // Esc: one step back. False when there is nothing to step back to: the command ends.
    virtual bool back() { return false; }
    // Enter or the right button: ends what can be ended. False: the command ends as it is.
    virtual bool enter() { return false; }
    // Backspace: drops the last point picked, as Esc does, but never ends the command.
    virtual void backspace() { (void)back(); }
    // A key the window does not use itself (a letter a prompt names); true when taken.
    virtual bool key(int /*qtKey*/) { return false; }
    // A number the person typed, when the command asks for a value (a radius, a scale, an
    // angle) rather than a point; true when taken. Otherwise the window makes it a point.
    virtual bool number(double) { return false; }
    // The document's tables changed while the command runs (layers hidden or locked, say):
    // what it holds is checked again. False when it cannot go on: it ends.
    virtual bool tablesChanged() { return true; }
    // True while the command asks for a value that a typed number gives (its prompt says so):
    // then what is typed is read as a number, "1,5" with a decimal comma too, never as
    // coordinates.
    virtual bool asksValue() const { return false; }
    // Whether the point asked for now is found by the snaps. False while the command asks to
    // point at an entity (the part to trim away, the end to lengthen): the cursor itself counts
    // then, and no snap marker is shown.
    virtual bool snaps() const { return true; }
    // Draws the command's preview over the drawing, in the window's pixels.
    virtual void paint(QPainter&) {}
    // The point a rubber band runs from to the cursor, when there is one.
    virtual std::optional<Vec2> basePoint() const { return std::nullopt; }

private:
    Document& document_;
};

// Esc after a point was picked: the point is dropped and asked for again with `prompt`. False
// when there was none to drop.
inline bool dropPoint(std::optional<Vec2>& point, CommandHost& host, int prompt) {
    if (!point)
        return false;
    point.reset();
    host.prompt(prompt);
    return true;
}

} // namespace cad
