#include "engine/view/DrawingWindow.h"

#include "engine/render/Renderer.h"
#include "engine/view/ViewDialogs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

namespace {

bool sameView(const View& a, const View& b) {
    return a.centre.x == b.centre.x && a.centre.y == b.centre.y &&
           a.unitsPerPixel == b.unitsPerPixel && a.widthPx == b.widthPx && a.heightPx == b.heightPx;
}

} // namespace

QString fromW1250(const std::string& bytes) {
    QStringDecoder decoder("windows-1250");
    return decoder(QByteArray::fromStdString(bytes));
}

std::string toW1250(const QString& text) {
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder(text);
    return bytes.toStdString();
}

std::function<std::optional<std::string>(const std::string&)> DrawingWindow::askViewName =
    [](const std::string& suggestion) {
        return ViewNameDialog::ask(DrawingWindow::current(), suggestion);
    };

DrawingWindow::DrawingWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("cadDrawingWindow");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

DrawingWindow::~DrawingWindow() {
    tool_.reset(); // while its windows, children of this one, still exist
    if (engine().window == this)
        engine().window = nullptr;
    delete navigator_;
}

DrawingWindow* DrawingWindow::current() {
    return dynamic_cast<DrawingWindow*>(engine().window);
}

void DrawingWindow::refresh() {
    dirty_ = true;
    update();
    if (navigator_)
        navigator_->update();
}

void DrawingWindow::documentChanged() {
    cancel();
    dragging_ = false;
    fitView();
    for (auto it = caches_.begin(); it != caches_.end();)
        it = engine().find(it->first) ? std::next(it) : caches_.erase(it);
    refresh();
}

void DrawingWindow::fitView() {
    Document* d = engine().active();
    if (!d || width() <= 0 || height() <= 0)
        return;
    d->view.widthPx = width();
    d->view.heightPx = height();
}

Vec2 DrawingWindow::toDrawing(QPointF pixel) const {
    const Document* d = engine().active();
    if (!d)
        return {pixel.x(), -pixel.y()};
    const View& v = d->view;
    return {v.centre.x + (pixel.x() - v.widthPx / 2.0) * v.unitsPerPixel,
            v.centre.y - (pixel.y() - v.heightPx / 2.0) * v.unitsPerPixel};
}

QPointF DrawingWindow::toPixel(Vec2 p) const {
    const Document* d = engine().active();
    if (!d)
        return {p.x, -p.y};
    const View& v = d->view;
    return {v.widthPx / 2.0 + (p.x - v.centre.x) / v.unitsPerPixel,
            v.heightPx / 2.0 - (p.y - v.centre.y) / v.unitsPerPixel};
}

Vec2 DrawingWindow::snap(Vec2 p) const {
    const Drawing* dr = activeDrawing();
    if (!dr || !dr->settings.gridSnap)
        return p;
    const DrawingSettings& s = dr->settings;
    const auto round = [](double v, double origin, double step) {
        if (!(step > 0) || !std::isfinite(step))
            return v;
        return origin + std::round((v - origin) / step) * step;
    };
    return {round(p.x, s.gridOriginX, s.gridStepX), round(p.y, s.gridOriginY, s.gridStepY)};
}

void DrawingWindow::prompt(int number) {
    if (engine().onPrompt)
        engine().onPrompt(number ? engine().text(number) : std::string());
}

int DrawingWindow::pick(QPointF pixel,
                        const std::function<std::optional<double>(int, Vec2)>& distance) {
    Document* d = engine().active();
    if (!d)
        return -1;
    const Drawing& dr = *d->drawing;
    constexpr double kPickPixels = 5;
    const double tolerance = kPickPixels * d->view.unitsPerPixel;
    const Vec2 at = toDrawing(pixel);
    Rect area;
    area.add(at.x - tolerance, at.y - tolerance);
    area.add(at.x + tolerance, at.y + tolerance);
    std::vector<const CullItem*> near;
    caches_[d->handle].query(dr, area, near);
    int best = -1;
    double bestDistance = tolerance;
    // On equal distances the later entity wins: it is drawn over the earlier one.
    for (const CullItem* item : near) {
        const Entity& e = dr.entities[item->handle];
        if (e.layer >= 0 && static_cast<std::size_t>(e.layer) < dr.layers.size() &&
            !dr.layers[static_cast<std::size_t>(e.layer)].visible)
            continue;
        const int handle = static_cast<int>(item->handle);
        const auto away = distance(handle, at);
        if (away && *away <= bestDistance) {
            best = handle;
            bestDistance = *away;
        }
    }
    return best;
}

void DrawingWindow::startZoomWindow() {
    cancel();
    mode_ = Mode::FirstCorner;
    setFocus(); // for Esc
    prompt(19302);
    update();
}

void DrawingWindow::startPan() {
    cancel();
    mode_ = Mode::Pan;
    setFocus();
    setCursor(Qt::OpenHandCursor);
    prompt(0);
}

void DrawingWindow::startTool(std::unique_ptr<WindowTool> tool) {
    cancel();
    tool_ = std::move(tool);
    if (!tool_)
        return;
    mode_ = Mode::Tool;
    setFocus(); // for Esc
    update();
}

void DrawingWindow::cancel() {
    const bool was = mode_ != Mode::Idle;
    mode_ = Mode::Idle;
    setCursor(Qt::CrossCursor);
    // The tool goes last, so that whatever it does on its way out finds the window idle.
    const std::unique_ptr<WindowTool> ending = std::move(tool_);
    if (was) {
        prompt(0);
        update();
    }
}

bool DrawingWindow::needsRender(const Document& d) const {
    return dirty_ || image_.size() != deviceSize() ||
           image_.devicePixelRatio() != devicePixelRatioF() || renderedDocument_ != d.handle ||
           !sameView(rendered_, d.view);
}

QSize DrawingWindow::deviceSize() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void DrawingWindow::render(Document& d) {
    const DrawingSettings& s = d.drawing->settings;
    // On high-density screens the image has the screen's pixels; painting on it stays in the
    // window's coordinates.
    image_ = QImage(deviceSize(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(devicePixelRatioF());
    image_.fill(toQColor(s.background));
    QPainter p(&image_);
    if (s.gridShown)
        drawGrid(p, s, d.view);
    RenderOptions options;
    options.pixelsPerMm = logicalDpiX() / 25.4;
    options.showLineWidths = s.showLineWidths;
    options.fillOutlinesOnly = s.showFillOutlinesOnly;
    const RenderView view =
        RenderView::centredOn(d.view.centre, d.view.unitsPerPixel, width(), height());
    renderDrawing(p, *d.drawing, view, options, &caches_[d.handle]);
    rendered_ = d.view;
    renderedDocument_ = d.handle;
    dirty_ = false;
    ++renders_;
}

void DrawingWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Document* d = engine().active();
    if (!d) {
        p.fillRect(rect(), QColor(160, 160, 160));
        return;
    }
    fitView();
    if (needsRender(*d))
        render(*d);
    if (dragging_) {
        // The cached image follows the mouse until the drag ends.
        p.fillRect(rect(), toQColor(d->drawing->settings.background));
        p.drawImage(dragNow_ - dragStart_, image_);
    } else {
        p.drawImage(0, 0, image_);
    }
    if (mode_ == Mode::SecondCorner) {
        const QPointF a = toPixel(firstCorner_);
        p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(a, QPointF(mouse_)).normalized());
    }
    if (tool_)
        tool_->paint(p);
}

void DrawingWindow::resizeEvent(QResizeEvent*) {
    // The image is rendered again when its size no longer fits.
    fitView();
    if (navigator_)
        navigator_->update();
}

void DrawingWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mouse_ = at;
    Document* d = engine().active();
    if (!d)
        return;
    const bool panButton = event->button() == Qt::MiddleButton ||
                           (mode_ == Mode::Pan && event->button() == Qt::LeftButton);
    if (panButton) {
        dragging_ = true;
        dragStart_ = dragNow_ = at;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() == Qt::RightButton) {
        cancel();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (mode_ == Mode::Tool) {
        tool_->leftClick(at);
    } else if (mode_ == Mode::FirstCorner) {
        firstCorner_ = snap(toDrawing(at));
        mode_ = Mode::SecondCorner;
        prompt(19303);
        update();
    } else if (mode_ == Mode::SecondCorner) {
        const Vec2 second = snap(toDrawing(at));
        mode_ = Mode::Idle;
        prompt(0);
        Rect r;
        r.add(firstCorner_);
        r.add(second);
        if (r.width() > 0 && r.height() > 0)
            engine().zoomTo(*d, r);
        update();
    }
}

void DrawingWindow::mouseMoveEvent(QMouseEvent* event) {
    mouse_ = event->position().toPoint();
    if (dragging_) {
        dragNow_ = mouse_;
        update();
    } else if (mode_ == Mode::SecondCorner) {
        update();
    } else if (mode_ == Mode::Tool) {
        tool_->cursorMoved(mouse_);
        update();
    }
    if (engine().onCursor && engine().active()) {
        const Vec2 p = snap(toDrawing(event->position()));
        engine().onCursor(p.x, p.y);
    }
}

void DrawingWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    if (event->button() == Qt::MiddleButton ||
        (mode_ == Mode::Pan && event->button() == Qt::LeftButton))
        endDrag(event->position().toPoint());
}

void DrawingWindow::endDrag(QPoint at) {
    dragging_ = false;
    setCursor(mode_ == Mode::Pan ? Qt::OpenHandCursor : Qt::CrossCursor);
    Document* d = engine().active();
    const QPoint delta = at - dragStart_;
    if (!d || delta.isNull()) {
        update();
        return;
    }
    engine().pushView(*d);
    d->view.centre.x -= delta.x() * d->view.unitsPerPixel;
    d->view.centre.y += delta.y() * d->view.unitsPerPixel;
    engine().redraw();
}

void DrawingWindow::wheelEvent(QWheelEvent* event) {
    Document* d = engine().active();
    const int delta = event->angleDelta().y();
    if (!d || delta == 0 || dragging_)
        return;
    const QPointF at = event->position();
    const Vec2 fixed = toDrawing(at);
    const double perPixel = d->view.unitsPerPixel / std::pow(1.25, delta / 120.0);
    if (!std::isfinite(perPixel) || perPixel < std::numeric_limits<double>::min() * 1e6)
        return;
    engine().pushView(*d);
    d->view.unitsPerPixel = perPixel;
    d->view.centre.x = fixed.x - (at.x() - d->view.widthPx / 2.0) * perPixel;
    d->view.centre.y = fixed.y + (at.y() - d->view.heightPx / 2.0) * perPixel;
    engine().redraw();
    event->accept();
}

void DrawingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (dragging_) {
            dragging_ = false;
            update();
        }
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DrawingWindow::toggleNavigator() {
    if (navigator_ && navigator_->isVisible()) {
        navigator_->hide();
        return;
    }
    if (!navigator_)
        navigator_ = new NavigatorWindow(this);
    // It opens in the top right corner of the drawing area, wherever the main window is now,
    // and no larger than that area.
    constexpr int margin = 8, minimum = 80;
    const int width = std::clamp(this->width() - 2 * margin, minimum, 240);
    const int height = std::clamp(this->height() - 2 * margin, minimum, 180);
    navigator_->resize(width, height);
    const int frame = navigator_->frameGeometry().width() - navigator_->width();
    navigator_->move(
        mapToGlobal(QPoint(std::max(0, this->width() - width - frame - margin), margin)));
    navigator_->show();
}

NavigatorWindow* DrawingWindow::navigator() const {
    return navigator_;
}

void drawGrid(QPainter& painter, const DrawingSettings& s, const View& view) {
    const double sx = s.gridStepX, sy = s.gridStepY, upp = view.unitsPerPixel;
    if (!(sx > 0) || !(sy > 0) || !std::isfinite(sx) || !std::isfinite(sy) || !(upp > 0))
        return;
    // Nodes closer than a few pixels would only grey the window.
    if (sx / upp < 4 || sy / upp < 4)
        return;
    const Rect r = view.rect();
    const double i0 = std::floor((r.left - s.gridOriginX) / sx);
    const double i1 = std::ceil((r.right - s.gridOriginX) / sx);
    const double j0 = std::floor((r.bottom - s.gridOriginY) / sy);
    const double j1 = std::ceil((r.top - s.gridOriginY) / sy);
    if (i1 - i0 > 10000 || j1 - j0 > 10000)
        return;
    const auto px = [&](double x) { return view.widthPx / 2.0 + (x - view.centre.x) / upp; };
    const auto py = [&](double y) { return view.heightPx / 2.0 - (y - view.centre.y) / upp; };
    QPen pen(toQColor(s.gridColor), 0);
    if (s.gridKind == 4)
        pen.setStyle(Qt::DotLine);
    else if (s.gridKind == 5)
        pen.setStyle(Qt::DashLine);
    painter.save();
    painter.setPen(pen);
    if (s.gridKind >= 3) {
        for (double i = i0; i <= i1; ++i) {
            const double x = px(s.gridOriginX + i * sx);
            painter.drawLine(QPointF(x, 0), QPointF(x, view.heightPx));
        }
        for (double j = j0; j <= j1; ++j) {
            const double y = py(s.gridOriginY + j * sy);
            painter.drawLine(QPointF(0, y), QPointF(view.widthPx, y));
        }
    } else {
        const double arm = 3;
        for (double i = i0; i <= i1; ++i) {
            const double x = px(s.gridOriginX + i * sx);
            for (double j = j0; j <= j1; ++j) {
                const double y = py(s.gridOriginY + j * sy);
                if (s.gridKind == 1) {
                    painter.drawLine(QPointF(x - arm, y), QPointF(x + arm, y));
                    painter.drawLine(QPointF(x, y - arm), QPointF(x, y + arm));
                } else if (s.gridKind == 2) {
                    painter.drawLine(QPointF(x - arm, y - arm), QPointF(x + arm, y + arm));
                    painter.drawLine(QPointF(x - arm, y + arm), QPointF(x + arm, y - arm));
                } else {
                    painter.drawPoint(QPointF(x, y));
                }
            }
        }
    }
    painter.restore();
}

} // namespace cad
