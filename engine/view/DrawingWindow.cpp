#include "engine/view/DrawingWindow.h"

#include "engine/commands/GripCommands.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/render/Renderer.h"
#include "engine/view/TypedCoordinates.h"
#include "engine/view/ViewDialogs.h"

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

namespace {

// Up to this many selected entities show their grips.
constexpr std::size_t kMostGripped = 300;
constexpr int kGripPixels = 7;
// A press that moves farther than this, in pixels, drags a selection window.
constexpr int kDragPixels = 3;

QColor windowColor(bool crossing) {
    return crossing ? QColor(0, 160, 0) : QColor(0, 90, 220);
}

// The editor's keys and the commands they run.
std::span<const std::pair<QKeyCombination, int>> editorKeys() {
    static const std::pair<QKeyCombination, int> keys[] = {
        {Qt::CTRL | Qt::Key_Z, CAD_CMD_UNDO},
        {Qt::CTRL | Qt::Key_Y, CAD_CMD_REDO},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, CAD_CMD_REDO},
        {QKeyCombination(Qt::Key_Delete), CAD_CMD_ERASE},
        {Qt::CTRL | Qt::Key_X, CAD_CMD_CUT},
        {Qt::CTRL | Qt::Key_C, CAD_CMD_COPY_TO_CLIPBOARD},
        {Qt::CTRL | Qt::Key_V, CAD_CMD_PASTE},
        {Qt::SHIFT | Qt::Key_Delete, CAD_CMD_CUT},
        {Qt::CTRL | Qt::Key_Insert, CAD_CMD_COPY_TO_CLIPBOARD},
        {Qt::SHIFT | Qt::Key_Insert, CAD_CMD_PASTE},
    };
    return keys;
}

// The prompt while a typed entry cannot be read: coordinates, or a value.
constexpr int kMalformedEntry = 19361, kMalformedValue = 19362;

// A character that begins typed coordinates.
bool beginsCoordinates(const QString& text) {
    if (text.size() != 1)
        return false;
    const QChar c = text[0];
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
           c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('@');
}

} // namespace

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

SnapResult DrawingWindow::snapAt(Vec2 p) const {
    const Document* d = engine().active();
    if (!d)
        return {p, SnapKind::None};
    SnapQuery q;
    q.cursor = p;
    q.unitsPerPixel = d->view.unitsPerPixel;
    q.settings = engine().snaps;
    q.objects = pickingPoints();
    if (q.objects)
        q.base = command_->basePoint();
    const Drawing& dr = d->drawing();
    // The window asks about one place several times an event (the command's cursor, the
    // rubber band, the marker): the answer is kept while nothing it depends on changed.
    if (const auto& a = snapAsked_;
        a && a->query.cursor == q.cursor && a->query.unitsPerPixel == q.unitsPerPixel &&
        a->query.base == q.base && a->query.settings == q.settings &&
        a->query.objects == q.objects && a->document == d->handle && a->serial == dr.serial &&
        a->version == dr.version && a->settings == dr.settings && sameView(a->view, d->view))
        return a->result;
    const SnapResult result = snapper_.snap(dr, q);
    snapAsked_ = SnapAsked{q, d->handle, dr.serial, dr.version, dr.settings, d->view, result};
    return result;
}

void DrawingWindow::snapsChanged() {
    snapAsked_.reset();
    if (command_ && pickingPoints() && mouseInside_) {
        ++dispatching_;
        command_->cursor(snap(toDrawing(mouse_)));
        --dispatching_;
        settleCommand();
    }
    QWidget::update();
}

bool DrawingWindow::pickingPoints() const {
    return viewMode_ == Mode::Idle && command_ && !finishing_ &&
           command_->wants() == Command::Wants::Point;
}

void DrawingWindow::givePoint(Vec2 p) {
    if (!command_)
        return;
    lastPoint_ = p;
    ++dispatching_;
    command_->point(p);
    --dispatching_;
    settleCommand();
    QWidget::update();
}

// ---- typed coordinates

QLineEdit* DrawingWindow::coordinateInput() const {
    return input_ && !input_->isHidden() ? input_.data() : nullptr;
}

void DrawingWindow::openInput(const QString& text) {
    QLineEdit* field = engine().inputField ? engine().inputField() : nullptr;
    if (!field) {
        if (!ownInput_) {
            ownInput_ = new QLineEdit(this);
            ownInput_->setObjectName(QStringLiteral("cadCoordinateInput"));
            ownInput_->hide();
        }
        field = ownInput_;
        const int h = field->sizeHint().height();
        field->setGeometry(4, std::max(0, height() - h - 4), std::min(width() - 8, 240), h);
    }
    const bool watched = std::any_of(watched_.begin(), watched_.end(),
                                     [field](const auto& w) { return w.data() == field; });
    if (!watched) {
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this] {
            if (malformed_)
                showMalformed(false);
        });
        watched_.emplace_back(field);
    }
    if (input_ && input_ != field)
        closeInput();
    input_ = field;
    field->setText(text);
    showMalformed(false);
    field->show();
    field->setFocus();
}

void DrawingWindow::closeInput() {
    if (!input_)
        return;
    if (malformed_)
        showMalformed(false);
    QLineEdit* field = input_;
    input_ = nullptr;
    const bool focused = field->hasFocus();
    field->clear();
    field->hide();
    if (focused)
        setFocus();
}

void DrawingWindow::applyInput() {
    if (!input_)
        return;
    const QString text = input_->text().trimmed();
    if (!pickingPoints() || text.isEmpty()) {
        closeInput();
        return;
    }
    // Where a value is asked, what is typed is that value, never a point: "1,5" is one and a
    // half, not the point (1, 5).
    if (command_->asksValue()) {
        const auto value = parseTypedValue(text.toStdString());
        ++dispatching_;
        const bool taken = value && command_->number(*value);
        --dispatching_;
        if (!taken) {
            showMalformed(true);
            return;
        }
        closeInput();
        settleCommand();
        QWidget::update();
        return;
    }
    const auto entry = parseTypedEntry(text.toStdString());
    if (!entry) {
        showMalformed(true);
        return;
    }
    const std::optional<Vec2> base = command_->basePoint();
    std::optional<Vec2> p;
    if (entry->kind == TypedEntry::Kind::Length) {
        // A value the command takes (a radius, a scale, an angle), else a length along the
        // rubber band.
        ++dispatching_;
        const bool taken = command_->number(entry->a);
        --dispatching_;
        if (cancelPending_) {
            settleCommand();
            return;
        }
        if (taken) {
            closeInput();
            settleCommand();
            QWidget::update();
            return;
        }
        if (base)
            p = pointAlong(*base, snap(toDrawing(mouse_)), entry->a);
    } else {
        p = typedPoint(*entry, base ? base : lastPoint_);
    }
    if (!p) {
        showMalformed(true);
        return;
    }
    closeInput();
    givePoint(*p);
}

void DrawingWindow::showMalformed(bool malformed) {
    malformed_ = malformed;
    if (input_) {
        input_->setProperty("malformed", malformed);
        input_->setStyleSheet(malformed ? QStringLiteral("QLineEdit { background: #ffc0c0; }")
                                        : QString());
    }
    const bool value = command_ && command_->asksValue();
    showPrompt(malformed ? (value ? kMalformedValue : kMalformedEntry) : commandPrompt_);
}

bool DrawingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_ && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            applyInput();
            return true;
        case Qt::Key_Escape:
            closeInput();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DrawingWindow::prompt(int number) {
    commandPrompt_ = number;
    if (viewMode_ == Mode::Idle)
        showPrompt(number);
}

void DrawingWindow::showPrompt(int number) {
    if (!engine().onPrompt)
        return;
    std::string text = number ? engine().text(number) : std::string();
    // A command's prompts follow its name.
    if (command_ && viewMode_ == Mode::Idle && command_->name() != 0 && number != 0)
        text = engine().text(command_->name()) + ": " + text;
    engine().onPrompt(text);
}

DrawingWindow::Mode DrawingWindow::mode() const {
    if (viewMode_ != Mode::Idle)
        return viewMode_;
    return command_ ? Mode::Command : Mode::Idle;
}

void DrawingWindow::startZoomWindow() {
    closeInput();
    endViewMode();
    viewMode_ = Mode::FirstCorner;
    setFocus(); // for Esc
    showPrompt(19302);
    QWidget::update();
}

void DrawingWindow::startPan() {
    closeInput();
    endViewMode();
    viewMode_ = Mode::Pan;
    setFocus();
    setCursor(Qt::OpenHandCursor);
    showPrompt(0);
}

void DrawingWindow::endViewMode() {
    if (viewMode_ == Mode::Idle)
        return;
    viewMode_ = Mode::Idle;
    setCursor(Qt::CrossCursor);
    // Back to the command that runs, if any.
    showPrompt(command_ ? commandPrompt_ : 0);
    QWidget::update();
}

void DrawingWindow::startCommand(std::unique_ptr<Command> command) {
    cancel();
    if (!command)
        return;
    command_ = std::move(command);
    commandPrompt_ = 0;
    finishing_ = false;
    // A command left midway gives back the selection it found.
    selectionBefore_ = selectedEntities(command_->document().drawing());
    setFocus(); // for Esc and Enter
    ++dispatching_;
    command_->start(*this);
    --dispatching_;
    settleCommand();
    QWidget::update();
}

void DrawingWindow::finish() {
    finishing_ = true;
    if (dispatching_ == 0)
        settleCommand();
}

void DrawingWindow::stepCommand(bool (Command::*step)()) {
    ++dispatching_;
    const bool goesOn = (command_.get()->*step)();
    --dispatching_;
    if (!goesOn)
        finishing_ = true;
    settleCommand();
}

void DrawingWindow::settleCommand() {
    if (cancelPending_) {
        cancelPending_ = false;
        finishing_ = false;
        endCommand();
        showPrompt(0);
    } else if (finishing_) {
        endCommand();
    }
}

void DrawingWindow::tablesChanged() {
    Document* d = engine().active();
    if (!d)
        return;
    const Drawing& dr = d->drawing();
    std::vector<char> closed(dr.layers.size(), 0);
    bool any = false;
    for (std::size_t l = 0; l < dr.layers.size(); ++l) {
        closed[l] = !dr.layers[l].visible || dr.layers[l].locked;
        any = any || closed[l];
    }
    if (any)
        for (const std::uint32_t h : selectedEntities(dr))
            if (dr.entities[h].layer < closed.size() && closed[dr.entities[h].layer])
                d->select(static_cast<int>(h), false);
    if (command_ && &command_->document() == d) {
        ++dispatching_;
        const bool goesOn = command_->tablesChanged();
        --dispatching_;
        if (!goesOn)
            cancel();
        settleCommand();
    }
    QWidget::update();
}

void DrawingWindow::endCommand() {
    closeInput();
    if (!finishing_ && command_) {
        Document& d = command_->document();
        d.selectAll(false);
        for (const std::uint32_t h : selectionBefore_)
            d.select(static_cast<int>(h), true);
    }
    selectionBefore_.clear();
    finishing_ = false;
    cancelPending_ = false;
    selectFrom_.reset();
    gripFrom_.reset();
    gripWaiting_ = false;
    selectDragging_ = false;
    // The command goes last, so that whatever it does on its way out finds the window idle;
    // a change it left unfinished is taken back as it goes.
    const std::unique_ptr<Command> ending = std::move(command_);
    commandPrompt_ = 0;
    if (viewMode_ == Mode::Idle)
        showPrompt(0);
    QWidget::update();
}

void DrawingWindow::cancel() {
    endViewMode();
    // A command is never taken away under its own feet: from inside one of its calls it ends
    // once the call returns.
    if (command_ && dispatching_ > 0) {
        cancelPending_ = true;
        return;
    }
    if (command_)
        endCommand();
    showPrompt(0);
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
        if (pickingPoints() && mouseInside_)
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

bool DrawingWindow::picking() const {
    return viewMode_ == Mode::Idle && (!command_ || command_->wants() == Command::Wants::Entities);
}

void DrawingWindow::selectAt(QPointF pixel, bool shift) {
    Document* d = engine().active();
    if (!d)
        return;
    const Drawing* dr = &d->drawing();
    const int h = entityAt(*dr, toDrawing(pixel), kPickPixels * pixelSize());
    if (command_) {
        // Picking for a command adds; with Shift it takes away.
        if (h >= 0)
            d->select(h, !shift);
    } else if (shift) {
        if (h >= 0)
            d->select(h, !dr->entities[static_cast<std::size_t>(h)].has(EntityFlag::Selected));
    } else {
        d->selectAll(false);
        if (h >= 0)
            d->select(h, true);
    }
    QWidget::update();
}

void DrawingWindow::selectIn(QPointF from, QPointF to, bool shift) {
    Document* d = engine().active();
    if (!d)
        return;
    const Drawing* dr = &d->drawing();
    Rect area;
    area.add(toDrawing(from));
    area.add(toDrawing(to));
    // From left to right what lies wholly inside; from right to left what it touches.
    const AreaRule rule = to.x() >= from.x() ? AreaRule::Inside : AreaRule::Touching;
    const auto found = entitiesInRect(*dr, area, rule, pixelSize() / 2);
    if (!command_ && !shift)
        d->selectAll(false);
    const bool select = !(command_ && shift);
    for (const std::uint32_t h : found)
        d->select(static_cast<int>(h), select);
    QWidget::update();
}

std::optional<GripRef> DrawingWindow::gripAt(QPointF pixel) const {
    const Drawing* dr = activeDrawing();
    if (!dr || !dr->settings.showGrips)
        return std::nullopt;
    const std::vector<std::uint32_t> selected = selectedEntities(*dr);
    if (selected.empty() || selected.size() > kMostGripped)
        return std::nullopt;
    std::vector<std::uint32_t> held;
    for (const std::uint32_t h : selected)
        if (selectable(*dr, static_cast<int>(h)))
            held.push_back(h);
    return gripNear(*dr, held, toDrawing(pixel), (kGripPixels / 2.0 + 1) * pixelSize());
}

bool DrawingWindow::holdGrip(QPointF pixel) {
    Document* d = engine().active();
    const auto grip = gripAt(pixel);
    if (!d || !grip)
        return false;
    std::unique_ptr<Command> command = makeGripCommand(*d, *grip);
    if (!command)
        return false;
    startCommand(std::move(command));
    return command_ != nullptr;
}

bool DrawingWindow::openSelectionMenu(QPointF pixel) {
    Document* d = engine().active();
    if (!d || command_ || viewMode_ != Mode::Idle)
        return false;
    const Drawing& dr = d->drawing();
    const std::vector<std::uint32_t> selected = selectedEntities(dr);
    if (selected.empty())
        return false;
    const auto grip = gripAt(pixel);
    if (!grip) {
        const Vec2 p = toDrawing(pixel);
        const double reach = kPickPixels * pixelSize();
        const int h = nearestEntity(dr, p, reach, [&](int e) {
            return std::binary_search(selected.begin(), selected.end(),
                                      static_cast<std::uint32_t>(e))
                       ? distanceTo(dr, e, p, reach / 8)
                       : std::numeric_limits<double>::infinity();
        });
        if (h < 0)
            return false;
    }
    selectionMenu(*d, this, mapToGlobal(pixel.toPoint()), grip);
    QWidget::update();
    return true;
}

void DrawingWindow::entitiesDone() {
    if (!command_)
        return;
    ++dispatching_;
    command_->entitiesPicked();
    --dispatching_;
    settleCommand();
}

void DrawingWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mouse_ = at;
    Document* d = engine().active();
    if (!d)
        return;
    const bool panButton = event->button() == Qt::MiddleButton ||
                           (viewMode_ == Mode::Pan && event->button() == Qt::LeftButton);
    if (panButton) {
        dragging_ = true;
        dragStart_ = dragNow_ = at;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() == Qt::RightButton) {
        selectFrom_.reset();
        if (viewMode_ != Mode::Idle) {
            endViewMode();
        } else if (command_ && command_->wants() == Command::Wants::Entities) {
            entitiesDone();
        } else if (command_) {
            stepCommand(&Command::enter);
        } else {
            openSelectionMenu(event->position());
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (viewMode_ == Mode::FirstCorner) {
        firstCorner_ = snap(toDrawing(at));
        viewMode_ = Mode::SecondCorner;
        showPrompt(19303);
        QWidget::update();
    } else if (viewMode_ == Mode::SecondCorner) {
        const Vec2 second = snap(toDrawing(at));
        endViewMode();
        Rect r;
        r.add(firstCorner_);
        r.add(second);
        if (r.width() > 0 && r.height() > 0)
            engine().zoomTo(*d, r);
        QWidget::update();
    } else if (command_ && command_->wants() == Command::Wants::Point) {
        closeInput();
        givePoint(snap(toDrawing(at)));
    } else if (!command_ && !(event->modifiers() & Qt::ShiftModifier) &&
               holdGrip(event->position())) {
        gripFrom_ = event->position();
    } else if (picking()) {
        selectFrom_ = event->position();
        selectDragging_ = false;
    }
}

void DrawingWindow::mouseMoveEvent(QMouseEvent* event) {
    mouse_ = event->position().toPoint();
    mouseInside_ = true;
    if (dragging_) {
        dragNow_ = mouse_;
        QWidget::update();
    } else if (selectFrom_) {
        if (!selectDragging_ && (event->position() - *selectFrom_).manhattanLength() > kDragPixels)
            selectDragging_ = true;
        if (selectDragging_)
            QWidget::update();
    } else if (viewMode_ == Mode::SecondCorner) {
        QWidget::update();
    } else if (command_ && viewMode_ == Mode::Idle) {
        ++dispatching_;
        command_->cursor(snap(toDrawing(mouse_)));
        --dispatching_;
        settleCommand();
        QWidget::update();
    }
    if (engine().onCursor && engine().active()) {
        const Vec2 p = snap(toDrawing(mouse_));
        engine().onCursor(p.x, p.y);
    }
}

void DrawingWindow::leaveEvent(QEvent* event) {
    mouseInside_ = false;
    QWidget::update();
    QWidget::leaveEvent(event);
}

void DrawingWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (gripFrom_ && event->button() == Qt::LeftButton) {
        // The end of a drag is the grip's target; a click leaves it waiting for one.
        const QPointF from = *gripFrom_;
        gripFrom_.reset();
        if ((event->position() - from).manhattanLength() > kDragPixels && pickingPoints())
            givePoint(snap(toDrawing(event->position())));
        else
            gripWaiting_ = command_ != nullptr;
        return;
    }
    if (selectFrom_ && event->button() == Qt::LeftButton) {
        const QPointF from = *selectFrom_;
        const bool drag = selectDragging_;
        selectFrom_.reset();
        selectDragging_ = false;
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        if (drag)
            selectIn(from, event->position(), shift);
        else
            selectAt(event->position(), shift);
        return;
    }
    if (!dragging_)
        return;
    if (event->button() == Qt::MiddleButton ||
        (viewMode_ == Mode::Pan && event->button() == Qt::LeftButton))
        endDrag(event->position().toPoint());
}

void DrawingWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // In the idle window a double click on an entity shows its properties, it alone selected;
    // anywhere else, and for a command, it is one more press. A grip held by the first click
    // is let go.
    if (gripWaiting_ && command_)
        cancel();
    Document* d = engine().active();
    const Drawing* dr = d ? &d->drawing() : nullptr;
    const bool idle = viewMode_ == Mode::Idle && !command_ && event->button() == Qt::LeftButton;
    const int h =
        dr && idle ? entityAt(*dr, toDrawing(event->position()), kPickPixels * pixelSize()) : -1;
    if (h < 0) {
        mousePressEvent(event);
        return;
    }
    selectFrom_.reset();
    selectDragging_ = false;
    d->selectAll(false);
    d->select(h, true);
    QWidget::update();
    engine().execute(CAD_CMD_PROPERTIES);
}

void DrawingWindow::endDrag(QPoint at) {
    dragging_ = false;
    setCursor(viewMode_ == Mode::Pan ? Qt::OpenHandCursor : Qt::CrossCursor);
    Document* d = engine().active();
    const QPoint delta = at - dragStart_;
    if (!d || delta.isNull()) {
        QWidget::update();
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
    // While coordinates are typed, keys that reach the window go on into the field.
    if (QLineEdit* field = coordinateInput()) {
        QApplication::sendEvent(field, event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        if (dragging_) {
            dragging_ = false;
            QWidget::update();
        } else if (selectFrom_) {
            selectFrom_.reset();
            selectDragging_ = false;
            QWidget::update();
        } else if (viewMode_ != Mode::Idle) {
            endViewMode();
        } else if (command_) {
            stepCommand(&Command::back);
        } else if (Document* d = engine().active()) {
            d->selectAll(false);
            QWidget::update();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (command_ && viewMode_ == Mode::Idle) {
            if (command_->wants() == Command::Wants::Entities) {
                entitiesDone();
            } else {
                stepCommand(&Command::enter);
            }
            return;
        }
        break;
    case Qt::Key_Backspace:
        if (command_ && viewMode_ == Mode::Idle) {
            ++dispatching_;
            command_->backspace();
            --dispatching_;
            settleCommand();
            QWidget::update();
            return;
        }
        break;
    default:
        break;
    }
    // Where the window's shortcuts do not reach (the window not active), the keys still work
    // in the window itself.
    const QKeyCombination pressed(event->modifiers() & ~Qt::KeypadModifier,
                                  static_cast<Qt::Key>(event->key()));
    for (const auto& [combination, code] : editorKeys())
        if (combination == pressed) {
            cadExecute(code);
            return;
        }
    const bool plainKey = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    if (pickingPoints() && plainKey && beginsCoordinates(event->text())) {
        openInput(event->text());
        return;
    }
    if (command_ && viewMode_ == Mode::Idle && plainKey) {
        ++dispatching_;
        const bool taken = command_->key(event->key());
        --dispatching_;
        settleCommand();
        if (taken) {
            QWidget::update();
            return;
        }
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
