// What the drawing commands share: a sink that either adds the entities a command makes to its
// document, as one step, or draws them as the preview that follows the cursor; and the start of
// a drawing command in the drawing window.
#pragma once

#include "engine/Engine.h"
#include "engine/commands/Command.h"

#include <memory>
#include <span>

class QPainter;

namespace cad {

// Prompts of the engine's own.
inline constexpr int kNextPointOrClose = 19340; // "Next point (Z closes, Enter ends)"
inline constexpr int kScalePrompt = 19341;      // "Scale (Enter: 1)"
inline constexpr int kAnglePrompt = 19342;      // "Rotation angle (Enter: 0)"
inline constexpr int kHatchPrompt = 19343;      // "Pick closed objects or a point inside..."
inline constexpr int kImageFilter = 10547;      // the file filter of raster images

class ShapeSink {
public:
    virtual ~ShapeSink() = default;
    virtual void point(Vec2 p) = 0;
    virtual void line(Vec2 a, Vec2 b) = 0;
    virtual void polyline(std::span<const Vec2> points, bool closed) = 0;
    virtual void spline(std::span<const Vec2> fitPoints, bool closed) = 0;
    virtual void circle(const CircleData& c) = 0;
    virtual void arc(const ArcData& a) = 0;
    virtual void sector(const ArcData& a) = 0;
    virtual void ellipse(const EllipseData& e) = 0;
    virtual void rectangle(const RectangleData& r) = 0;
};

// Adds what it is given to a document, all of it one step when committed, and shows it.
class AddingSink final : public ShapeSink {
public:
    AddingSink(CommandHost& host, Document& d) : host_(host), edit_(d) {}
    void point(Vec2 p) override;
    void line(Vec2 a, Vec2 b) override;
    void polyline(std::span<const Vec2> points, bool closed) override;
    void spline(std::span<const Vec2> fitPoints, bool closed) override;
    void circle(const CircleData& c) override;
    void arc(const ArcData& a) override;
    void sector(const ArcData& a) override;
    void ellipse(const EllipseData& e) override;
    void rectangle(const RectangleData& r) override;
    // Takes a handle of what was added (for commands that add other kinds themselves).
    void added(int handle);
    const Drawing& drawing() const { return edit_.drawing(); }
    ChangeSet& changes() { return edit_.changes(); }
    // Makes it a step (nothing when nothing was added) and shows the area it covers.
    void commit();

private:
    CommandHost& host_;
    Edit edit_;
    Rect area_;
};

// Draws what it is given over the drawing window, in the active layer's colour.
class PreviewSink final : public ShapeSink {
public:
    PreviewSink(QPainter& painter, CommandHost& host, const Document& d);
    ~PreviewSink() override;
    void point(Vec2 p) override;
    void line(Vec2 a, Vec2 b) override;
    void polyline(std::span<const Vec2> points, bool closed) override;
    void spline(std::span<const Vec2> fitPoints, bool closed) override;
    void circle(const CircleData& c) override;
    void arc(const ArcData& a) override;
    void sector(const ArcData& a) override;
    void ellipse(const EllipseData& e) override;
    void rectangle(const RectangleData& r) override;

private:
    void path(std::span<const Vec2> points, bool closed);
    // How far the points of a curve may stray from it, in drawing units.
    double tolerance() const;
    QPainter& p_;
    CommandHost& host_;
};

// A drawing of what a command is about to add (a text, a block insertion), with the tables of
// the document it goes to, drawn over the window where the cursor puts it.
class PreviewDrawing {
public:
    explicit PreviewDrawing(const Drawing& source);
    Drawing& drawing() { return drawing_; }
    // After its entities changed: they are drawn where they are now.
    void changed(int handle) { drawing_.changed(static_cast<std::uint32_t>(handle)); }
    void paint(QPainter& painter, const View& view);

private:
    Drawing drawing_;
};

// Starts the command `make` gives for the active document in the drawing window; 0 when there
// is no document or no window.
int startDrawCommand(const std::function<std::unique_ptr<Command>(Document&)>& make);

// A command that works on the selection at once (erase, properties, cut, copy, explode): with
// entities selected, or without a drawing window, `work` runs on the active document now;
// otherwise the person first picks the entities in the window (prompt 19301), and `work` runs
// when they end picking. Any command running in the window ends first. `work` returns whether
// it did something.
int workOnSelection(int name, bool (*work)(Document&));

} // namespace cad
