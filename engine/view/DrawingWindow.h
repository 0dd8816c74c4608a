// The drawing window: shows the active document through its view, zooms with the wheel, pans
// with the middle button, picks the points of the view commands (zoom window, pan) and passes
// the clicks of a window tool (measuring) on to it.
#pragma once

#include "engine/Engine.h"
#include "engine/render/BoxCache.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace cad {

class NavigatorWindow;

// A command that works in the drawing window for as long as the person needs it: the window
// hands it the left clicks and the cursor and lets it draw over the drawing. It ends with Esc,
// the right button, another window command or another document, or when it asks the window to
// cancel; the window then destroys it.
class WindowTool {
public:
    virtual ~WindowTool() = default;
    virtual void leftClick(QPointF pixel) = 0;
    virtual void cursorMoved(QPointF) {}
    // Draws over the drawing, in the window's pixels.
    virtual void paint(QPainter&) {}
};

// A view kept under a name (Windows-1250 bytes), in Document::savedViews.
using SavedView = std::pair<std::string, View>;

QString fromW1250(const std::string& bytes);
std::string toW1250(const QString& text);

class DrawingWindow final : public QWidget, public WindowSink {
public:
    explicit DrawingWindow(QWidget* parent);
    ~DrawingWindow() override;

    // The window the engine shows its documents in, or nullptr.
    static DrawingWindow* current();

    void refresh() override;
    void documentChanged() override;

    // What left clicks in the window do.
    enum class Mode { Idle, FirstCorner, SecondCorner, Pan, Tool };
    Mode mode() const { return mode_; }
    void startZoomWindow();
    void startPan();
    // Hands the window's clicks to the tool until it ends (any tool before it ends first).
    void startTool(std::unique_ptr<WindowTool> tool);
    WindowTool* tool() const { return tool_.get(); }
    void cancel(); // back to Idle, the prompt cleared, a tool ended
    // Shows the text of that number as the command prompt (0: none).
    void prompt(int number);

    // Pixels of the window and drawing units of the active document's view.
    Vec2 toDrawing(QPointF pixel) const;
    QPointF toPixel(Vec2 p) const;
    // p on the nearest grid node when the active drawing snaps to its grid; else p.
    Vec2 snap(Vec2 p) const;
    // The live, visible entity of the active drawing nearest to a pixel, within a few pixels,
    // among those `distance` measures (drawing units; nothing for entities it does not take);
    // -1 when there is none.
    int pick(QPointF pixel, const std::function<std::optional<double>(int, Vec2)>& distance);

    // Makes the active document's view as large as the window.
    void fitView();

    // How often the drawing was rendered into the cached image.
    int renderCount() const { return renders_; }

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
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool needsRender(const Document& d) const;
    QSize deviceSize() const; // of the cached image
    void render(Document& d);
    void endDrag(QPoint at);

    Mode mode_ = Mode::Idle;
    Vec2 firstCorner_;
    QPoint mouse_;
    bool dragging_ = false;
    QPoint dragStart_, dragNow_;
    std::unique_ptr<WindowTool> tool_;

    QImage image_;
    bool dirty_ = true;
    View rendered_;
    int renderedDocument_ = 0;
    std::map<int, BoxCache> caches_; // by document handle
    int renders_ = 0;
    QPointer<NavigatorWindow> navigator_;
};

// Draws the grid of the settings over a view of that size.
void drawGrid(QPainter& painter, const DrawingSettings& s, const View& view);

} // namespace cad
