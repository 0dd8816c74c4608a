// The ways of selecting: by pointing, by a rectangle, inside a polygon, along a line of
// points, and within a distance of a point. Each adds what it finds to the selection.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/model/Picking.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cad {

namespace {

constexpr int kPickEntitiesPrompt = 19301;
constexpr int kFirstCorner = 19302, kSecondCorner = 19303;
constexpr int kFirstPoint = 19308, kNextPoint = 19317, kCentrePoint = 19311;
constexpr int kPointingName = 19226, kWindowName = 19227, kPolygonName = 19228, kFenceName = 19229,
              kDistanceName = 19230;
constexpr int kDistanceLabel = 16305;

void selectAll(Document& d, const std::vector<std::uint32_t>& found) {
    for (const std::uint32_t h : found)
        d.select(static_cast<int>(h), true);
}

// Entity after entity, picked as the idle window picks them, until Enter or the right button.
class PointingSelection final : public Command {
public:
    using Command::Command;
    Wants wants() const override { return Wants::Entities; }
    int name() const override { return kPointingName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kPickEntitiesPrompt);
    }
    void entitiesPicked() override { host_->finish(); }

private:
    CommandHost* host_ = nullptr;
};

// Two corners: from left to right what lies wholly inside, from right to left what the
// rectangle touches, as when dragging a window.
class WindowSelection final : public Command {
public:
    using Command::Command;
    int name() const override { return kWindowName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstCorner);
    }
    void point(Vec2 p) override {
        if (!first_) {
            first_ = p;
            host_->prompt(kSecondCorner);
            return;
        }
        Rect r;
        r.add(*first_);
        r.add(p);
        const AreaRule rule = p.x >= first_->x ? AreaRule::Inside : AreaRule::Touching;
        selectAll(document(),
                  entitiesInRect(document().drawing(), r, rule, host_->pixelSize() / 2));
        host_->finish();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override { return dropPoint(first_, *host_, kFirstCorner); }
    void paint(QPainter& p) override {
        if (!first_ || !cursor_)
            return;
        const bool crossing = cursor_->x < first_->x;
        p.setPen(QPen(crossing ? QColor(0, 160, 0) : QColor(0, 90, 220), 0,
                      crossing ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(host_->toPixel(*first_), host_->toPixel(*cursor_)).normalized());
    }

private:
    CommandHost* host_ = nullptr;
    std::optional<Vec2> first_, cursor_;
};

// Points of a polygon or of a line, until Enter or the right button.
class PathSelection final : public Command {
public:
    enum class Rule { InsidePolygon, Crossed };
    PathSelection(Document& d, Rule rule) : Command(d), rule_(rule) {}
    int name() const override { return rule_ == Rule::InsidePolygon ? kPolygonName : kFenceName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstPoint);
    }
    void point(Vec2 p) override {
        points_.push_back(p);
        host_->prompt(kNextPoint);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void backspace() override {
        if (!points_.empty())
            points_.pop_back();
        host_->prompt(points_.empty() ? kFirstPoint : kNextPoint);
    }
    bool back() override {
        if (points_.empty())
            return false;
        backspace();
        return true;
    }
    bool enter() override {
        const Drawing& d = document().drawing();
        const double tolerance = host_->pixelSize() / 2;
        if (rule_ == Rule::InsidePolygon && points_.size() >= 3)
            selectAll(document(), entitiesInPolygon(d, points_, tolerance));
        else if (rule_ == Rule::Crossed && points_.size() >= 2)
            selectAll(document(), entitiesCrossed(d, points_, tolerance));
        return false;
    }
    std::optional<Vec2> basePoint() const override {
        return points_.empty() ? std::nullopt : std::optional<Vec2>(points_.back());
    }
    void paint(QPainter& p) override {
        if (points_.empty())
            return;
        QPolygonF line;
        for (const Vec2& v : points_)
            line << host_->toPixel(v);
        p.setPen(QPen(QColor(0, 90, 220), 0));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        if (rule_ == Rule::InsidePolygon && cursor_ && points_.size() >= 2) {
            // The side that closes the polygon.
            p.setPen(QPen(QColor(0, 90, 220), 0, Qt::DotLine));
            p.drawLine(host_->toPixel(*cursor_), line.front());
        }
    }

private:
    Rule rule_;
    CommandHost* host_ = nullptr;
    std::vector<Vec2> points_;
    std::optional<Vec2> cursor_;
};

// The distance, asked in a small dialog, then the point it is measured from.
class DistanceDialog final : public QDialog {
public:
    DistanceDialog(double distance, QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("cadSelectDistance"));
        setWindowTitle(engineText(kDistanceName));
        auto* form = new QFormLayout(this);
        edit_ = new QLineEdit(QString::number(distance, 'g', 12));
        edit_->setObjectName(QStringLiteral("cadSelectDistanceValue"));
        form->addRow(engineText(kDistanceLabel), edit_);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
        box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
        QPushButton* ok = box->button(QDialogButtonBox::Ok);
        ok->setObjectName(QStringLiteral("cadSelectDistanceOk"));
        // Only a distance can be confirmed.
        connect(edit_, &QLineEdit::textChanged, ok,
                [this, ok] { ok->setEnabled(this->distance().has_value()); });
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        form->addRow(box);
    }
    // The distance typed: a positive number, "." or "," as decimal point; nothing otherwise.
    std::optional<double> distance() const {
        std::string text = edit_->text().trimmed().toStdString();
        std::replace(text.begin(), text.end(), ',', '.');
        double v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || end != text.data() + text.size() || !(v > 0) || !std::isfinite(v))
            return std::nullopt;
        return v;
    }

private:
    QLineEdit* edit_;
};

class DistanceSelection final : public Command {
public:
    DistanceSelection(Document& d, double distance) : Command(d), distance_(distance) {}
    int name() const override { return kDistanceName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kCentrePoint);
    }
    void point(Vec2 p) override {
        selectAll(document(), entitiesNear(document().drawing(), p, distance_,
                                           std::min(host_->pixelSize() / 2, distance_ / 100)));
        host_->finish();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const double r = distance_ / host_->pixelSize();
        p.setPen(QPen(QColor(0, 90, 220), 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(host_->toPixel(*cursor_), r, r);
    }

private:
    double distance_;
    CommandHost* host_ = nullptr;
    std::optional<Vec2> cursor_;
};

// The distance asked for last, offered again.
double lastDistance = 1;

template <typename Make> int startSelection(Make make) {
    Document* d = engine().active();
    DrawingWindow* w = DrawingWindow::current();
    if (!d || !w)
        return 0;
    std::unique_ptr<Command> command = make(*d);
    if (!command)
        return 0;
    w->startCommand(std::move(command));
    return 1;
}

} // namespace

void registerSelectionCommands(Engine& e) {
    e.addCommand(CAD_CMD_SELECT_POINT, [] {
        return startSelection([](Document& d) { return std::make_unique<PointingSelection>(d); });
    });
    e.addCommand(CAD_CMD_SELECT_WINDOW, [] {
        return startSelection([](Document& d) { return std::make_unique<WindowSelection>(d); });
    });
    e.addCommand(CAD_CMD_SELECT_POLYGON, [] {
        return startSelection([](Document& d) {
            return std::make_unique<PathSelection>(d, PathSelection::Rule::InsidePolygon);
        });
    });
    e.addCommand(CAD_CMD_SELECT_FENCE, [] {
        return startSelection([](Document& d) {
            return std::make_unique<PathSelection>(d, PathSelection::Rule::Crossed);
        });
    });
    e.addCommand(CAD_CMD_SELECT_DISTANCE, [] {
        return startSelection([](Document& d) -> std::unique_ptr<Command> {
            DistanceDialog dialog(lastDistance, DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted)
                return nullptr;
            const auto distance = dialog.distance();
            if (!distance)
                return nullptr;
            lastDistance = *distance;
            return std::make_unique<DistanceSelection>(d, *distance);
        });
    });
}

} // namespace cad
