#include "engine/view/DrawingWindow.h"

#include "engine/commands/GripCommands.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/render/Renderer.h"
#include "engine/view/SheetOverlay.h"
#include "engine/view/TypedCoordinates.h"
#include "engine/view/ViewDialogs.h"
#include "engine/view/WindowSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>

#include <QStringDecoder>
#include <QStringEncoder>
#include <QWheelEvent>
#include <span>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

using namespace window;

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
    // The keys people expect of an editor, wherever the focus is in the window that holds the
    // drawing (fields that take them for themselves, such as text fields, keep them).
    for (const auto& [sequence, code] : editorKeys()) {
        auto* shortcut = new QShortcut(QKeySequence(sequence), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [code = code] { cadExecute(code); });
    }
    // Layers hidden or locked meanwhile (the layers dialog opened during a command): what lies
    // on them leaves the selection, and the command checks what it holds.
    tablesObserver_ = engine().addObserver([this] { tablesChanged(); });
}

DrawingWindow::~DrawingWindow() {
    engine().removeObserver(tablesObserver_);
    command_.reset(); // while its windows, children of this one, still exist
    if (engine().window == this)
        engine().window = nullptr;
    delete navigator_;
}

DrawingWindow* DrawingWindow::current() {
    return dynamic_cast<DrawingWindow*>(engine().window);
}

void DrawingWindow::refresh() {
    dirty_ = true;
    QWidget::update();
    if (navigator_)
        navigator_->update();
}

void DrawingWindow::refreshArea(const Rect& area) {
    damage_.add(area);
    QWidget::update();
    if (navigator_)
        navigator_->update();
}

void DrawingWindow::documentChanged() {
    cancel();
    lastPoint_.reset();
    dragging_ = false;
    selectFrom_.reset();
    fitView();
    refresh();
}

void DrawingWindow::documentClosing(int handle) {
    if (command_ && command_->document().handle == handle)
        endCommand();
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

const View& DrawingWindow::view() const {
    static const View none;
    const Document* d = engine().active();
    return d ? d->view : none;
}

double DrawingWindow::pixelSize() const {
    const Document* d = engine().active();
    return d ? d->view.unitsPerPixel : 1.0;
}

bool DrawingWindow::needsRender(const Document& d) const {
    return dirty_ || image_.size() != deviceSize() ||
           image_.devicePixelRatio() != devicePixelRatioF() || renderedDocument_ != d.handle ||
           renderedSerial_ != d.drawing().serial || !sameView(rendered_, d.view);
}

QSize DrawingWindow::deviceSize() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

RenderOptions DrawingWindow::renderOptions(const Document& d) const {
    const DrawingSettings& s = d.drawing().settings;
    RenderOptions options;
    options.pixelsPerMm = logicalDpiX() / 25.4;
    options.showLineWidths = s.showLineWidths;
    options.fillOutlinesOnly = s.showFillOutlinesOnly;
    return options;
}

void DrawingWindow::render(Document& d) {
    const DrawingSettings& s = d.drawing().settings;
    // On high-density screens the image has the screen's pixels; painting on it stays in the
    // window's coordinates.
    image_ = QImage(deviceSize(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(devicePixelRatioF());
    image_.fill(toQColor(s.background));
    QPainter p(&image_);
    if (s.gridShown)
        drawGrid(p, s, d.view);
    const RenderView view =
        RenderView::centredOn(d.view.centre, d.view.unitsPerPixel, width(), height());
    renderDrawing(p, d.drawing(), view, renderOptions(d));
    rendered_ = d.view;
    renderedDocument_ = d.handle;
    renderedSerial_ = d.drawing().serial;
    dirty_ = false;
    damage_ = Rect{};
    ++renders_;
}

void DrawingWindow::renderDamage(Document& d) {
    const Drawing& dr = d.drawing();
    const DrawingSettings& s = dr.settings;
    // Wide lines reach beyond their entities' boxes by half their width.
    const RenderOptions options = renderOptions(d);
    double widest = 0;
    if (options.showLineWidths)
        for (const Layer& l : dr.layers)
            if (std::isfinite(l.width))
                widest = std::max(widest, l.width);
    const double margin = std::min(widest * options.pixelsPerMm, 2000.0) / 2 + 3;
    QRectF area =
        QRectF(toPixel({damage_.left, damage_.top}), toPixel({damage_.right, damage_.bottom}))
            .normalized()
            .adjusted(-margin, -margin, margin, margin);
    area = area.intersected(QRectF(rect()));
    damage_ = Rect{};
    if (area.isEmpty())
        return;
    const QRect pixels = area.toAlignedRect();
    QPainter p(&image_);
    p.setClipRect(pixels);
    p.fillRect(pixels, toQColor(s.background));
    if (s.gridShown)
        drawGrid(p, s, d.view);
    RenderView view = RenderView::centredOn(d.view.centre, d.view.unitsPerPixel, width(), height());
    view.clipPx = Rect{double(pixels.left()), double(pixels.top()), double(pixels.right() + 1),
                       double(pixels.bottom() + 1)};
    renderDrawing(p, dr, view, options);
    ++partialRenders_;
}

void DrawingWindow::paintSelection(QPainter& p, Document& d) {
    const Drawing& dr = d.drawing();
    const std::uint64_t key[4] = {std::uint64_t(d.handle), dr.serial, dr.selectionVersion,
                                  dr.version};
    const bool same = std::equal(std::begin(key), std::end(key), std::begin(selectionFor_));
    if (!same) {
        selected_.clear();
        for (std::size_t h = 0; h < dr.entities.size(); ++h) {
            const Entity& e = dr.entities[h];
            if ((e.flags & (EntityFlag::Selected | EntityFlag::Deleted | EntityFlag::InBlock)) ==
                EntityFlag::Selected)
                selected_.push_back(static_cast<std::uint32_t>(h));
        }
        // Drawn over each other as the drawing draws them.
        if (!dr.drawOrder().plain())
            dr.drawOrder().sort(selected_);
    }
    if (!same || !sameView(selectionView_, d.view) || selectionImage_.size() != deviceSize()) {
        std::copy(std::begin(key), std::end(key), std::begin(selectionFor_));
        selectionView_ = d.view;
        selectionImage_ = QImage();
        if (!selected_.empty()) {
            selectionImage_ = QImage(deviceSize(), QImage::Format_ARGB32_Premultiplied);
            selectionImage_.setDevicePixelRatio(devicePixelRatioF());
            selectionImage_.fill(Qt::transparent);
            QPainter sp(&selectionImage_);
            RenderOptions options = renderOptions(d);
            options.showSelection = true;
            options.onlySelected = true;
            options.selectionColor = QColor(255, 0, 255);
            renderEntities(
                sp, dr,
                RenderView::centredOn(d.view.centre, d.view.unitsPerPixel, width(), height()),
                options, selected_);
        }
    }
    if (!selectionImage_.isNull())
        p.drawImage(0, 0, selectionImage_);
    if (!dr.settings.showGrips || selected_.empty() || selected_.size() > kMostGripped)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(toQColor(dr.settings.gripColor));
    const QRectF viewRect =
        QRectF(rect()).adjusted(-kGripPixels, -kGripPixels, kGripPixels, kGripPixels);
    for (const std::uint32_t h : selected_)
        for (const Vec2 g : gripPoints(dr, static_cast<int>(h))) {
            const QPointF at = toPixel(g);
            if (viewRect.contains(at))
                p.drawRect(QRectF(at.x() - kGripPixels / 2.0, at.y() - kGripPixels / 2.0,
                                  kGripPixels, kGripPixels));
        }
    p.restore();
}

void DrawingWindow::paintEvent(QPaintEvent*) {
    // Every change the person sees ends here: the title and the toolbars follow it.
    engine().noticeChanges();
    QPainter p(this);
    Document* d = engine().active();
    if (!d) {
        p.fillRect(rect(), QColor(160, 160, 160));
        return;
    }
    fitView();
    // Dimensions that followed their entities in a step the command did not redraw.
    if (!d->followed.empty()) {
        damage_.add(d->followed);
        d->followed = Rect{};
    }
    if (needsRender(*d))
        render(*d);
    else if (!damage_.empty())
        renderDamage(*d);
    if (dragging_) {
        // The cached image follows the mouse until the drag ends.
        p.fillRect(rect(), toQColor(d->drawing().settings.background));
        p.drawImage(dragNow_ - dragStart_, image_);
        return;
    }
    p.drawImage(0, 0, image_);
    paintPrintAreas(p, *d, d->view, !command_ && viewMode_ == Mode::Idle);
    paintSelection(p, *d);
    if (viewMode_ == Mode::SecondCorner) {
        const QPointF a = toPixel(firstCorner_);
        p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(a, QPointF(mouse_)).normalized());
    }
    if (selectFrom_ && selectDragging_) {
        const bool crossing = mouse_.x() < selectFrom_->x();
        QColor fill = windowColor(crossing);
        fill.setAlpha(40);
        p.setPen(QPen(windowColor(crossing), 0, crossing ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(fill);
        p.drawRect(QRectF(*selectFrom_, QPointF(mouse_)).normalized());
    }
    if (command_) {
        const SnapResult at = snapAt(toDrawing(mouse_));
        const auto base = command_->basePoint();
        if (base && command_->wants() == Command::Wants::Point) {
            p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
            p.drawLine(toPixel(*base), toPixel(at.point));
        }
        command_->paint(p);
        // Where the point will land, and how it was found.
        if (pickingPoints() && mouseInside_ && command_->snaps())
            paintSnapMarker(p, toPixel(at.point), at.kind,
                            base ? std::optional(toPixel(*base)) : std::nullopt);
    }
}

void DrawingWindow::resizeEvent(QResizeEvent*) {
    // The image is rendered again when its size no longer fits.
    fitView();
    if (navigator_)
        navigator_->update();
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
