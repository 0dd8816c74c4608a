// The drawing window: shows the active document through its view, zooms with the wheel, pans
// with the middle button, picks the points of the view commands (zoom window, pan), runs the
// interactive commands, and when none runs selects: a click picks the entity under the
// cursor, Shift+click adds or removes one, a drag from left to right takes what lies wholly
// inside, from right to left what it touches; a double click on an entity shows its
// properties. A selected entity is held by its grips: a drag of a grip, or a click on it and
// a click on the target, moves that point. A right click on the selection opens its menu. The
// drawing is rendered into a cached image, again only where it changed; the selection, grips,
// rubber bands and previews are painted over it.
#pragma once

#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/model/Grips.h"
#include "engine/snap/Snapper.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPainter;

namespace cad {

class NavigatorWindow;
struct RenderOptions;

// A view kept under a name (Windows-1250 bytes), in Document::savedViews.
using SavedView = std::pair<std::string, View>;

QString fromW1250(const std::string& bytes);
std::string toW1250(const QString& text);

class DrawingWindow final : public QWidget, public WindowSink, private CommandHost {
public:
    explicit DrawingWindow(QWidget* parent);
    ~DrawingWindow() override;

    // The window the engine shows its documents in, or nullptr.
    static DrawingWindow* current();

    void refresh() override;
    void refreshArea(const Rect& area) override;
    void documentChanged() override;
    void documentClosing(int handle) override;

    // What left clicks in the window do: pick corners of a zoom window, pan, feed the running
    // command, or select.
    enum class Mode { Idle, FirstCorner, SecondCorner, Pan, Command };
    Mode mode() const;
    // The view commands work over a running command, which goes on after them.
    void startZoomWindow();
    void startPan();
    // Runs a command until it finishes or is left (a running one is left first).
    void startCommand(std::unique_ptr<Command> command);
    Command* command() const { return command_.get(); }
    // Leaves the view command and the running command; back to Idle, the prompt cleared.
    void cancel();
    // Shows the text of that number as the command prompt (0: none).
    void prompt(int number) override;

    // Pixels of the window and drawing units of the active document's view.
    Vec2 toDrawing(QPointF pixel) const override;
    QPointF toPixel(Vec2 p) const override;
    double pixelSize() const override;
    const View& view() const override;
    // The point the window takes for p, and how it was found. While a command asks for a
    // point: by the snap settings around p (their aperture in the window's pixels) and from
    // the command's base point; otherwise on the grid when the drawing snaps to it. Every point
    // the window picks, shows or passes on comes through here.
    SnapResult snapAt(Vec2 p) const;
    Vec2 snap(Vec2 p) const { return snapAt(p).point; }
    // The snap settings changed: the marker follows them.
    void snapsChanged();
    // The field that typed coordinates go into (the status bar's, or the window's own when
    // there is no status bar), while it is open; nullptr otherwise.
    QLineEdit* coordinateInput() const;
    // How near, in pixels, a click must come to an entity to pick it.
    static constexpr double kPickPixels = 5;

    // Makes the active document's view as large as the window.
    void fitView();

    // How often the drawing was rendered into the cached image, whole or in part.
    int renderCount() const { return renders_; }
    int partialRenderCount() const { return partialRenders_; }

    // The navigator, shown (created on first use) or hidden again.
    void toggleNavigator();
    NavigatorWindow* navigator() const;

    // Asks for the name of a view, given a suggestion; nothing when cancelled. The dialog,
    // unless replaced.
    static std::function<std::optional<std::string>(const std::string&)> askViewName;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // CommandHost
    void update() override { QWidget::update(); }
    void redrawArea(const Rect& area) override { refreshArea(area); }
    void finish() override;
    QWidget* widget() override { return this; }
    Qt::KeyboardModifiers modifiers() const override { return modifiers_; }

    void showPrompt(int number);
    void endViewMode();
    RenderOptions renderOptions(const Document& d) const;
    bool needsRender(const Document& d) const;
    QSize deviceSize() const; // of the cached image
    void render(Document& d);
    void renderDamage(Document& d);
    void paintSelection(QPainter& p, Document& d);
    void endDrag(QPoint at);
    // Lets a command go that finished, once it is no longer being called.
    void settleCommand();
    // The active document's tables changed.
    void tablesChanged();
    // Enter or Esc given to the command: it ends when it does not go on.
    void stepCommand(bool (Command::*step)());
    void endCommand();

    // Selecting with the mouse, idle or for a command that wants entities.
    bool picking() const;
    void selectAt(QPointF pixel, bool shift);
    void selectIn(QPointF from, QPointF to, bool shift);
    // Ends picking entities for the running command.
    void entitiesDone();

    // The grip of the selection under a pixel, while grips are shown.
    std::optional<GripRef> gripAt(QPointF pixel) const;
    // A press on a grip of the selection starts moving it; false when there is none there.
    bool holdGrip(QPointF pixel);
    // A right click on the selection opens its menu; false when the click is elsewhere.
    bool openSelectionMenu(QPointF pixel);

    // A command asks for a point and no view command is under way.
    bool pickingPoints() const;
    // Gives the running command a point.
    void givePoint(const SnapResult& found);

    // Typed coordinates: the field opens with the first character typed, Enter applies it,
    // Esc closes it; what cannot be read is shown as such and adds nothing.
    void openInput(const QString& text);
    void closeInput();
    void applyInput();
    void showMalformed(bool malformed);

    Mode viewMode_ = Mode::Idle; // Idle, FirstCorner, SecondCorner or Pan
    Vec2 firstCorner_;
    QPoint mouse_;
    bool dragging_ = false; // panning
    QPoint dragStart_, dragNow_;
    // A left-button drag that selects, from where it started.
    std::optional<QPointF> selectFrom_;
    bool selectDragging_ = false;
    // Where the left button went down on a grip: a drag from there moves it.
    std::optional<QPointF> gripFrom_;
    // A click on a grip left it waiting for its target (a second click of a double click
    // leaves it again).
    bool gripWaiting_ = false;
    std::unique_ptr<Command> command_;
    int commandPrompt_ = 0; // the prompt the command showed last
    bool finishing_ = false;
    bool cancelPending_ = false; // asked to cancel from inside the command
    int dispatching_ = 0;        // calls into the command under way
    int tablesObserver_ = 0;
    std::vector<std::uint32_t> selectionBefore_; // when the command began

    QImage image_;
    bool dirty_ = true;
    Rect damage_; // parts of the drawing to render again, in drawing units
    View rendered_;
    int renderedDocument_ = 0;
    std::uint64_t renderedSerial_ = 0;
    int renders_ = 0;
    int partialRenders_ = 0;

    // The selection as last drawn: its picture, its entities, and what it was drawn for.
    QImage selectionImage_;
    std::vector<std::uint32_t> selected_;
    std::uint64_t selectionFor_[4] = {};
    View selectionView_;

    QPointer<NavigatorWindow> navigator_;

    // Snapping, and what it found last, for the place, view, drawing and settings it was
    // asked about.
    mutable Snapper snapper_;
    struct SnapAsked {
        SnapQuery query;
        int document = 0;
        std::uint64_t serial = 0, version = 0;
        DrawingSettings settings;
        View view;
        SnapResult result;
    };
    mutable std::optional<SnapAsked> snapAsked_;
    bool mouseInside_ = false;

    QPointer<QLineEdit> input_;                // the open field
    QPointer<QLineEdit> ownInput_;             // the window's own, without a status bar
    std::vector<QPointer<QLineEdit>> watched_; // fields the window listens to
    bool malformed_ = false;
    bool forwardingKey_ = false;      // a key is being handed to the typed coordinates' field
    std::optional<Vec2> lastPoint_;   // given to a command last
    Qt::KeyboardModifiers modifiers_; // held at the last mouse event or key
};

// Draws the grid of the settings over a view of that size.
void drawGrid(QPainter& painter, const DrawingSettings& s, const View& view);

} // namespace cad
