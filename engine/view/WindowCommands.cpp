// The drawing window's side of a command: snapped points, typed coordinates and values, the
// prompts, the view modes, and a command's start, steps and end.
#include "engine/view/DrawingWindow.h"

#include "engine/commands/GripCommands.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/render/Renderer.h"
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

SnapResult DrawingWindow::snapAt(Vec2 p) const {
    const Document* d = engine().active();
    if (!d)
        return {p, SnapKind::None, std::nullopt};
    SnapQuery q;
    q.cursor = p;
    q.unitsPerPixel = d->view.unitsPerPixel;
    q.settings = engine().snaps;
    q.objects = pickingPoints();
    // A command that asks to point at an entity takes the cursor itself.
    if (q.objects && !command_->snaps())
        return {p, SnapKind::None, std::nullopt};
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

void DrawingWindow::givePoint(const SnapResult& found) {
    if (!command_)
        return;
    lastPoint_ = found.point;
    ++dispatching_;
    command_->pointFound(found);
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
    givePoint(SnapResult{*p, SnapKind::None, std::nullopt});
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

} // namespace cad
