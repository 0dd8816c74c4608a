#include "tests/engine/Monkey.h"

#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/io/NativeFormat.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <deque>
#include <random>
#include <sstream>
#include <tuple>
#include <vector>

namespace cad::monkey {

namespace {

constexpr int kWidth = 480, kHeight = 360;

// Answers the engine's questions as the monkey likes; files are never chosen.
class Responder final : public CadResponder {
public:
    explicit Responder(const Choice& choose) : choose_(choose) {}
    int ask(std::string_view, std::string_view, bool withCancel) override {
        const int answers[] = {CAD_ASK_YES, CAD_ASK_NO, CAD_ASK_CANCEL};
        return answers[choose_(withCancel ? 3 : 2)];
    }
    void tell(std::string_view, std::string_view, bool) override {}
    std::optional<std::string> saveFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }

private:
    const Choice& choose_;
};

// What a drawing holds as the journal keeps it: without the display settings and the
// attributes new entities take, which follow the person rather than the journal.
std::string content(const Drawing& d) {
    const auto copy = d.contentCopy();
    copy->current = CurrentAttributes{};
    copy->settings = DrawingSettings{};
    return writeNative(*copy);
}

// The commands the monkey runs, as the menus and toolbars would.
constexpr std::array kCommands = {
    CAD_CMD_DRAW_POINT,
    CAD_CMD_DRAW_LINE,
    CAD_CMD_DRAW_POLYLINE,
    CAD_CMD_DRAW_SPLINE,
    CAD_CMD_DRAW_CIRCLE,
    CAD_CMD_DRAW_CIRCLE_3P,
    CAD_CMD_DRAW_ARC,
    CAD_CMD_DRAW_ARC_SME,
    CAD_CMD_DRAW_SECTOR,
    CAD_CMD_DRAW_ELLIPSE,
    CAD_CMD_DRAW_RECTANGLE,
    CAD_CMD_DRAW_HATCH,
    CAD_CMD_DRAW_TEXT,
    CAD_CMD_INSERT_BLOCK,
    CAD_CMD_PROPERTIES,
    CAD_CMD_COPY,
    CAD_CMD_MOVE,
    CAD_CMD_ROTATE,
    CAD_CMD_SCALE,
    CAD_CMD_MIRROR,
    CAD_CMD_ERASE,
    CAD_CMD_EXPLODE,
    CAD_CMD_MAKE_BLOCK,
    CAD_CMD_CUT,
    CAD_CMD_COPY_TO_CLIPBOARD,
    CAD_CMD_PASTE,
    CAD_CMD_UNDO,
    CAD_CMD_REDO,
    CAD_CMD_UNDO,
    CAD_CMD_SELECT_WINDOW,
    CAD_CMD_SELECT_FENCE,
    CAD_CMD_SELECT_DISTANCE,
    CAD_CMD_LAYERS,
    CAD_CMD_LAYER_ORDER,
    CAD_CMD_SNAP_END,
    CAD_CMD_SNAP_INTERSECTION,
    CAD_CMD_SNAP_GRID,
    CAD_CMD_SHOW_GRID,
    CAD_CMD_ZOOM_IN,
    CAD_CMD_ZOOM_OUT,
    CAD_CMD_ZOOM_ALL,
    CAD_CMD_MEASURE,
};

const std::array<const char*, 8> kTyped = {"12,5", "3.5", "@10,5", "40,30", "90", "-1", "2", "x"};

class Run {
public:
    Run(const Choice& choose, const Options& options) : choose_(choose), options_(options) {}

    std::optional<std::string> go() {
        setUp();
        std::optional<std::string> failure;
        chunkStart_ = startChunk();
        for (std::size_t n = 0; n < options_.events && !failure; ++n) {
            event(n);
            if ((n + 1) % options_.checkEvery == 0 || n + 1 == options_.events)
                failure = check(n + 1);
        }
        tearDown();
        if (!failure)
            return std::nullopt;
        std::ostringstream out;
        out << *failure << "\nlast events:";
        for (const std::string& e : last_)
            out << "\n  " << e;
        return out.str();
    }

private:
    std::uint32_t pick(std::uint32_t n) { return choose_(n); }
    void note(std::size_t n, std::string what) {
        last_.push_back(std::to_string(n) + ": " + std::move(what));
        if (last_.size() > 24)
            last_.pop_front();
    }
    QPoint somewhere() { return {static_cast<int>(pick(kWidth)), static_cast<int>(pick(kHeight))}; }
    Qt::KeyboardModifiers modifiers() {
        const std::uint32_t m = pick(8);
        return m == 0 ? Qt::ShiftModifier : Qt::NoModifier;
    }

    void setUp() {
        cadReset();
        cadSetResponder(std::make_shared<Responder>(choose_));
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        savedModal_ = showModal;
        savedColor_ = chooseColor;
        savedMenu_ = showMenu;
        showModal = [this](QDialog& dialog) { return answerDialog(dialog); };
        chooseColor = [](const QColor&, QWidget*) { return QColor(); };
        showMenu = [this](QMenu& menu, QPoint) -> QAction* {
            const auto actions = menu.actions();
            if (actions.isEmpty() || pick(3) == 0)
                return nullptr;
            QAction* a =
                actions[static_cast<int>(pick(static_cast<std::uint32_t>(actions.size())))];
            return a->isEnabled() && !a->isSeparator() && !a->menu() ? a : nullptr;
        };
        parent_ = std::make_unique<QWidget>();
        parent_->resize(kWidth, kHeight);
        cadFileNew(0, "");
        cadWndCreate(parent_.get(), 13, 0, 0, kWidth, kHeight);
        window_ = DrawingWindow::current();
        // Something to work on: every kind on two layers, a block and an insertion of it.
        cadLayerAdd("krawedz", 0.35, 0x0000FF, 0x0000FF);
        for (int i = 0; i < 24; ++i) {
            const double x = (i * 37) % 400 - 200, y = (i * 53) % 300 - 150;
            cadLayerActive(i % 2);
            switch (i % 8) {
            case 0:
                cadAddLine(x, y, x + 40, y + 12);
                break;
            case 1:
                cadPolylineBegin();
                cadVertex(x, y), cadVertex(x + 20, y + 30), cadVertex(x + 45, y);
                cadAddPolyline(0, i % 3 == 0);
                break;
            case 2:
                cadAddCircle(x, y, 6 + i % 9);
                break;
            case 3:
                cadAddArc(x, y, 15, 10, 200);
                break;
            case 4:
                cadAddText(x, y, "Km 1+" + std::to_string(100 * i));
                break;
            case 5:
                cadAddRectangle(x, y, 30, 14, i * 7.0);
                break;
            case 6:
                cadPolylineBegin();
                cadVertex(x, y), cadVertex(x + 15, y + 20), cadVertex(x + 30, y - 5);
                cadAddSpline(0);
                break;
            default:
                cadAddSector(x, y, 12, 20, 140);
                break;
            }
        }
        cadBlockBegin();
        cadAddCircle(0, 0, 4);
        cadAddLine(-4, 0, 4, 0);
        const int block = cadBlockAdd("znak", 0, 0);
        cadAddInsert(block, 60, 60, 2, 2, 15);
        cadUndoForget();
        cadExecute(CAD_CMD_ZOOM_ALL);
    }

    void tearDown() {
        showModal = savedModal_;
        chooseColor = savedColor_;
        showMenu = savedMenu_;
        cadReset();
        parent_.reset();
    }

    // A dialog a command or the window shows: changed a little, then OK or Cancel.
    int answerDialog(QDialog& dialog) {
        if (auto* name = dialog.findChild<QLineEdit*>("cadBlockNameValue"))
            name->setText(QStringLiteral("B") + QString::number(++blocks_));
        if (auto* text = dialog.findChild<QLineEdit*>("cadTextDialogText"))
            text->setText(QStringLiteral("Tekst ąę"));
        if (pick(3) == 0) {
            // A field of the dialog given something, which it may refuse.
            const auto edits = dialog.findChildren<QLineEdit*>();
            if (!edits.isEmpty())
                edits[static_cast<int>(pick(static_cast<std::uint32_t>(edits.size())))]->setText(
                    QString::fromLatin1(kTyped[pick(kTyped.size())]));
            const auto boxes = dialog.findChildren<QCheckBox*>();
            if (!boxes.isEmpty())
                boxes[static_cast<int>(pick(static_cast<std::uint32_t>(boxes.size())))]->toggle();
            const auto combos = dialog.findChildren<QComboBox*>();
            for (QComboBox* c : combos)
                if (c->count() > 0 && pick(2) == 0)
                    c->setCurrentIndex(
                        static_cast<int>(pick(static_cast<std::uint32_t>(c->count()))));
        }
        if (pick(4) == 0) {
            dialog.reject();
            return QDialog::Rejected;
        }
        dialog.accept();
        return dialog.result();
    }

    void event(std::size_t n) {
        DrawingWindow* w = window_;
        // A command that runs mostly gets what it asks for: points, picks, a typed value.
        const bool busy = w->mode() == DrawingWindow::Mode::Command;
        switch (busy && pick(5) != 0 ? (pick(6) == 0 ? 6 : pick(3)) : pick(13)) {
        case 0:
        case 1:
        case 2: {
            const QPoint at = somewhere();
            const Qt::MouseButton button =
                pick(busy ? 20 : 6) == 0 ? Qt::RightButton : Qt::LeftButton;
            const Qt::KeyboardModifiers m = modifiers();
            note(n, "click " + std::to_string(at.x()) + "," + std::to_string(at.y()) +
                        (button == Qt::RightButton ? " right" : "") +
                        (m == Qt::ShiftModifier ? " shift" : ""));
            QTest::mouseMove(w, at);
            QTest::mouseClick(w, button, m, at);
            break;
        }
        case 3: {
            const QPoint from = somewhere(), to = somewhere();
            note(n, "drag " + std::to_string(from.x()) + "," + std::to_string(from.y()) + " to " +
                        std::to_string(to.x()) + "," + std::to_string(to.y()));
            QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
            QTest::mouseMove(w, (from + to) / 2);
            QTest::mouseMove(w, to);
            QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
            break;
        }
        case 4: {
            const QPoint at = somewhere();
            note(n, "double click " + std::to_string(at.x()) + "," + std::to_string(at.y()));
            QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
            break;
        }
        case 5: {
            static const std::array<std::pair<Qt::Key, Qt::KeyboardModifiers>, 12> keys = {{
                {Qt::Key_Escape, Qt::NoModifier},
                {Qt::Key_Escape, Qt::NoModifier},
                {Qt::Key_Return, Qt::NoModifier},
                {Qt::Key_Backspace, Qt::NoModifier},
                {Qt::Key_Delete, Qt::NoModifier},
                {Qt::Key_Z, Qt::NoModifier},
                {Qt::Key_C, Qt::NoModifier},
                {Qt::Key_Z, Qt::ControlModifier},
                {Qt::Key_Y, Qt::ControlModifier},
                {Qt::Key_C, Qt::ControlModifier},
                {Qt::Key_X, Qt::ControlModifier},
                {Qt::Key_V, Qt::ControlModifier},
            }};
            const auto& [key, m] = keys[pick(keys.size())];
            note(n, "key " + QKeySequence(key | m).toString().toStdString());
            QTest::keyClick(w, key, m);
            break;
        }
        case 6: {
            const char* typed = kTyped[pick(kTyped.size())];
            note(n, std::string("typed ") + typed);
            QTest::keyClicks(w, QString::fromLatin1(typed));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w,
                            Qt::Key_Return);
            break;
        }
        case 7: {
            const QPoint at = somewhere();
            note(n, "wheel");
            QWheelEvent wheel(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(),
                              QPoint(0, pick(2) == 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &wheel);
            break;
        }
        case 8:
            // Much of editing starts from a selection.
            note(n, "select all");
            cadSelect(1, -1);
            cadUpdate();
            break;
        default: {
            const int command = kCommands[pick(kCommands.size())];
            note(n, "command " + std::to_string(command));
            cadExecute(command);
            break;
        }
        }
    }

    // Ends whatever runs in the window, takes back a command's unfinished change.
    void settle() {
        if (window_)
            window_->cancel();
    }

    std::string startChunk() {
        settle();
        cadUndoForget();
        return content(engine().active()->drawing());
    }

    std::optional<std::string> check(std::size_t events) {
        Document* d = engine().active();
        if (!d)
            return "no document after " + std::to_string(events) + " events";
        const Drawing& dr = d->drawing();
        const std::string at = " after " + std::to_string(events) + " events";
        // The index answers as a look at every entity does, for a few places.
        for (int k = 0; k < 4; ++k) {
            const double x = double(pick(800)) - 400, y = double(pick(600)) - 300;
            const Rect area{x, y, x + double(pick(300)), y + double(pick(300))};
            std::vector<std::uint32_t> found;
            dr.query(area, found);
            std::vector<std::uint32_t> every;
            for (std::size_t h = 0; h < dr.entities.size(); ++h) {
                if (!dr.inModelSpace(static_cast<int>(h)))
                    continue;
                // The index keeps boxes in floats, rounded outwards.
                const FloatBox b = toFloatBox(dr.entityExtents(static_cast<int>(h)));
                if (!b.empty() && b.left <= area.right && b.right >= area.left &&
                    b.bottom <= area.top && b.top >= area.bottom)
                    every.push_back(static_cast<std::uint32_t>(h));
            }
            if (found != every)
                return "the index differs from a look at every entity" + at;
        }
        // The drawing writes, reads back, and writes the same again.
        try {
            const std::string bytes = writeNative(dr);
            if (writeNative(*readNative(bytes)) != bytes)
                return "the drawing read back writes other bytes" + at;
        } catch (const std::exception& e) {
            return std::string("the drawing does not read back: ") + e.what() + at;
        }
        // Every step since the last check taken back gives the drawing of then; made anew,
        // the drawing of now.
        settle();
        const std::string now = content(dr);
        int steps = 0;
        while (cadCanUndo() && cadExecute(CAD_CMD_UNDO) == 1)
            ++steps;
        const int taken = steps;
        if (content(d->drawing()) != chunkStart_)
            return "taking back " + std::to_string(steps) + " steps does not give the drawing " +
                   "as it was" + at;
        // As many made anew as were taken back: steps taken back before the check stay so.
        while (steps > 0 && cadExecute(CAD_CMD_REDO) == 1)
            --steps;
        if (steps != 0 || content(d->drawing()) != now)
            return "making the steps anew does not give the drawing back" + at;
        ++checks_;
        undone_ += static_cast<std::size_t>(taken);
        chunkStart_ = startChunk();
        return std::nullopt;
    }

    const Choice& choose_;
    Options options_;
    std::unique_ptr<QWidget> parent_;
    DrawingWindow* window_ = nullptr;
    std::deque<std::string> last_;
    std::string chunkStart_;
    int blocks_ = 0;
    std::size_t checks_ = 0, undone_ = 0;

public:
    // How many checks passed, and the steps they took back and made anew in all.
    std::pair<std::size_t, std::size_t> tally() const { return {checks_, undone_}; }
    std::function<int(QDialog&)> savedModal_;
    std::function<QColor(const QColor&, QWidget*)> savedColor_;
    std::function<QAction*(QMenu&, QPoint)> savedMenu_;
};

} // namespace

std::optional<std::string> run(const Choice& choose, const Options& options, Tally* tally) {
    Run r(choose, options);
    auto failure = r.go();
    if (tally)
        std::tie(tally->checks, tally->steps) = r.tally();
    return failure;
}

Choice seeded(std::uint64_t seed) {
    auto random = std::make_shared<std::mt19937_64>(seed);
    return [random](std::uint32_t n) {
        return n == 0 ? 0u : std::uniform_int_distribution<std::uint32_t>(0, n - 1)(*random);
    };
}

} // namespace cad::monkey
