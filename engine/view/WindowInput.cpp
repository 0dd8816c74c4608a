// What the person does in the drawing window: picking and selecting, grips, the selection's
// menu, the mouse buttons and wheel, and the keys.
#include "engine/view/DrawingWindow.h"

#include "engine/commands/GripCommands.h"
#include "engine/commands/PrintAreaCommands.h"
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
    if (!d)
        return false;
    const auto grip = gripAt(pixel);
    std::unique_ptr<Command> command = grip ? makeGripCommand(*d, *grip) : nullptr;
    // The print areas' grips lie under the selection's.
    if (!command)
        if (const auto areaGrip =
                areaGripAt(*d, toDrawing(pixel), (kGripPixels / 2.0 + 1) * pixelSize()))
            command = makeAreaGripCommand(*d, *areaGrip);
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
    modifiers_ = event->modifiers();
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
        givePoint(snapAt(toDrawing(at)));
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
    modifiers_ = event->modifiers();
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
            givePoint(snapAt(toDrawing(event->position())));
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

void DrawingWindow::keyReleaseEvent(QKeyEvent* event) {
    // A command's preview may depend on Shift (trimming instead of extending).
    if (modifiers_ != event->modifiers()) {
        modifiers_ = event->modifiers();
        if (command_)
            QWidget::update();
    }
    QWidget::keyReleaseEvent(event);
}

void DrawingWindow::keyPressEvent(QKeyEvent* event) {
    if (modifiers_ != event->modifiers()) {
        modifiers_ = event->modifiers();
        if (command_)
            QWidget::update();
    }
    // While coordinates are typed, keys that reach the window go on into the field; a key the
    // field does not take comes back up to the window (its own field is its child) and stops.
    if (QLineEdit* field = coordinateInput()) {
        if (!forwardingKey_) {
            forwardingKey_ = true;
            QApplication::sendEvent(field, event);
            forwardingKey_ = false;
        }
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

} // namespace cad
