// The distance and area measurement: the person picks points in the drawing window, or takes
// an entity whole, and a small tool window beside the drawing shows the last segment, the
// length so far, its direction, the area enclosed and its perimeter, by the scale value of the
// drawing's current dimension style as its dimensions show them. Nothing in the drawing
// changes, unless the person places a value as a text on it (one step), written as that
// style writes dimension values.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/model/Measure.h"
#include "engine/model/Picking.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cad {

namespace {

// Texts of the tool window and the prompts while picking.
constexpr int kTitleText = 16301;
constexpr int kFromObjectText = 16302;
constexpr int kStartText = 16303;
constexpr int kFinishText = 16304;
constexpr int kCopyText = 19035;
constexpr int kFirstPointPrompt = 19308;
constexpr int kNextPointPrompt = 19317;
constexpr int kObjectPrompt = 19333;
constexpr int kPlaceText = 16311, kPlaceTip = 16312, kTextPointPrompt = 19321;

constexpr int kDecimals = 3;

// The rows of the tool window: their texts and the object names of their values.
enum Row { Distance, Total, Angle, Area, Perimeter, TotalArea, RowCount };
constexpr std::array<int, RowCount> kRowTexts = {16305, 16306, 16307, 16308, 16310, 16309};
constexpr std::array<const char*, RowCount> kRowNames = {
    "cadMeasureDistance", "cadMeasureTotal",     "cadMeasureAngle",
    "cadMeasureArea",     "cadMeasurePerimeter", "cadMeasureTotalArea"};
// The values that can be placed on the drawing as texts, and what each is; the buttons that
// place them are named after their rows ("cadMeasurePlaceTotal").
constexpr std::array<std::optional<MeasuredKind>, RowCount> kPlaced = {
    MeasuredKind::Length, MeasuredKind::TotalLength, std::nullopt,
    MeasuredKind::Area,   MeasuredKind::Perimeter,   std::nullopt};
// What each row's value is for the style's scale value (angles are not scaled).
constexpr std::array<std::optional<MeasuredKind>, RowCount> kScaledAs = {
    MeasuredKind::Length, MeasuredKind::TotalLength, std::nullopt,
    MeasuredKind::Area,   MeasuredKind::Perimeter,   MeasuredKind::Area};

// A measured value as a text on the drawing (as the drawing's current dimension style writes
// it): it follows the cursor until its point is picked, then it is added on the active layer
// with the active text style and parameters, one step.
class LabelPlacer {
public:
    bool armed() const { return text_.has_value(); }
    void arm(const Document& d, double value, MeasuredKind kind) {
        std::string text = measurementLabel(value, kind, measurementStyle(d.drawing()));
        const CurrentAttributes& c = d.drawing().current;
        spec_ = TextSpec{{0, 0},      c.textHeight, c.textRotation, c.textOblique, c.textAlign,
                         c.textStyle, text};
        preview_.emplace(d.drawing());
        preview_->drawing().addText(spec_);
        text_ = std::move(text);
    }
    void disarm() {
        text_.reset();
        preview_.reset();
    }
    void cursor(Vec2 p) {
        if (!preview_)
            return;
        preview_->drawing().texts[0].p = p;
        preview_->changed(0);
    }
    void paint(QPainter& p, const View& view) {
        if (preview_)
            preview_->paint(p, view);
    }
    void place(Document& d, CommandHost& host, Vec2 p) {
        AddingSink sink(host, d);
        TextSpec spec = spec_;
        spec.p = p;
        sink.added(sink.changes().addText(spec));
        sink.commit();
        disarm();
    }

private:
    std::optional<std::string> text_;
    TextSpec spec_;
    std::optional<PreviewDrawing> preview_;
};

// Places a value the measuring window still shows after its measurement ended.
class PlaceLabelCommand final : public Command {
public:
    PlaceLabelCommand(Document& d, double value, MeasuredKind kind) : Command(d) {
        placer_.arm(d, value, kind);
    }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kTextPointPrompt);
    }
    void point(Vec2 p) override {
        placer_.place(document(), *host_, p);
        host_->finish();
    }
    void cursor(Vec2 p) override {
        placer_.cursor(p);
        host_->update();
    }
    void paint(QPainter& p) override { placer_.paint(p, host_->view()); }

private:
    CommandHost* host_ = nullptr;
    LabelPlacer placer_;
};

// The tool window. It stays when a measurement ends, with what was measured, until it is
// closed; closing it, or Esc in it, ends the measurement too. Its values can be selected and
// copied, one by one or all at once.
class MeasurePanel final : public QWidget {
public:
    explicit MeasurePanel(QWidget* parent) : QWidget(parent, Qt::Tool) {
        setObjectName("cadMeasure");
        setAttribute(Qt::WA_ShowWithoutActivating);
        setWindowTitle(engineText(kTitleText));
        auto* layout = new QVBoxLayout(this);
        auto* grid = new QGridLayout;
        for (int row = 0; row < RowCount; ++row) {
            auto* name = new QLabel(engineText(kRowTexts[row]), this);
            auto* value = new QLabel(this);
            value->setObjectName(kRowNames[row]);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance("-99999999.999"));
            grid->addWidget(name, row, 0);
            grid->addWidget(value, row, 1);
            values[row] = value;
            if (kPlaced[row]) {
                auto* place = new QPushButton(engineText(kPlaceText), this);
                place->setObjectName(QStringLiteral("cadMeasurePlace") +
                                     QString::fromLatin1(kRowNames[row] + 10));
                place->setToolTip(engineText(kPlaceTip));
                place->setAutoDefault(false);
                place->setEnabled(false);
                grid->addWidget(place, row, 2);
                placeButtons[row] = place;
                QObject::connect(place, &QPushButton::clicked, this, [this, row] {
                    if (onPlace && numbers[row])
                        onPlace(*numbers[row], *kPlaced[row]);
                });
            }
        }
        layout->addLayout(grid);
        auto* buttons = new QHBoxLayout;
        fromObject = addButton(buttons, "cadMeasureObject", kFromObjectText);
        start = addButton(buttons, "cadMeasureStart", kStartText);
        finish = addButton(buttons, "cadMeasureFinish", kFinishText);
        copy = addButton(buttons, "cadMeasureCopy", kCopyText);
        layout->addLayout(buttons);
        QObject::connect(copy, &QPushButton::clicked, this, [this] {
            if (QClipboard* board = QGuiApplication::clipboard())
                board->setText(valuesText());
        });
    }

    // The rows that have a value, "name<tab>value" a line.
    QString valuesText() const {
        QStringList lines;
        for (int row = 0; row < RowCount; ++row)
            if (!values[row]->text().isEmpty())
                lines << engineText(kRowTexts[row]) + QLatin1Char('\t') + values[row]->text();
        return lines.join(QLatin1Char('\n'));
    }

    std::array<QLabel*, RowCount> values{};
    // What the values show, as measured (before the style's scale value).
    std::array<std::optional<double>, RowCount> numbers;
    std::array<QPushButton*, RowCount> placeButtons{};
    // Places a measured value's text on the drawing.
    std::function<void(double, MeasuredKind)> onPlace;
    QPushButton* fromObject = nullptr;
    QPushButton* start = nullptr;
    QPushButton* finish = nullptr;
    QPushButton* copy = nullptr;
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (onClose)
            onClose();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && onClose)
            onClose();
        else
            QWidget::keyPressEvent(event);
    }

private:
    QPushButton* addButton(QHBoxLayout* row, const char* name, int text) {
        auto* b = new QPushButton(engineText(text), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        row->addWidget(b);
        return b;
    }
};

// The measuring window of the drawing window, kept from one measurement to the next.
QPointer<MeasurePanel> keptPanel;

void startMeasuring(bool takeObject);

class MeasureTool final : public Command {
public:
    explicit MeasureTool(Document& d) : Command(d) {}
    ~MeasureTool() override {
        if (!panel_)
            return;
        // The window stays with what was measured; its buttons start measuring anew, its close
        // box hides it. (The panel may be the sender of the click that ends the tool.)
        QObject::disconnect(panel_->start, nullptr, panel_, nullptr);
        QObject::disconnect(panel_->fromObject, nullptr, panel_, nullptr);
        QObject::disconnect(panel_->finish, nullptr, panel_, nullptr);
        QPointer<MeasurePanel> panel = panel_;
        panel_->onClose = [panel] {
            if (panel)
                panel->hide();
        };
        QObject::connect(panel_->start, &QPushButton::clicked, panel_,
                         [] { startMeasuring(false); });
        QObject::connect(panel_->fromObject, &QPushButton::clicked, panel_,
                         [] { startMeasuring(true); });
        QObject::connect(panel_->finish, &QPushButton::clicked, panel_, [panel] {
            if (panel)
                panel->hide();
        });
        panel_->onPlace = [](double value, MeasuredKind kind) {
            startDrawCommand([value, kind](Document& d) {
                return std::make_unique<PlaceLabelCommand>(d, value, kind);
            });
        };
    }

    void start(CommandHost& host) override {
        host_ = &host;
        QWidget* window = host.widget();
        const bool fresh = !keptPanel || keptPanel->parentWidget() != window;
        if (fresh) {
            delete keptPanel;
            keptPanel = new MeasurePanel(window);
        }
        panel_ = keptPanel;
        QObject::disconnect(panel_->start, nullptr, panel_, nullptr);
        QObject::disconnect(panel_->fromObject, nullptr, panel_, nullptr);
        QObject::disconnect(panel_->finish, nullptr, panel_, nullptr);
        // The buttons end, at most, with the window letting this command go: nothing may
        // follow that in their handlers.
        panel_->onClose = [this] {
            panel_->hide();
            host_->finish();
        };
        QObject::connect(panel_->finish, &QPushButton::clicked, panel_,
                         [this] { host_->finish(); });
        QObject::connect(panel_->start, &QPushButton::clicked, panel_, [this] { restart(); });
        QObject::connect(panel_->fromObject, &QPushButton::clicked, panel_, [this] {
            placer_.disarm();
            takingObject_ = true;
            host_->prompt(kObjectPrompt);
        });
        panel_->onPlace = [this](double value, MeasuredKind kind) {
            takingObject_ = false;
            placer_.arm(document(), value, kind);
            if (cursor_)
                placer_.cursor(*cursor_);
            host_->prompt(kTextPointPrompt);
        };
        showValues();
        if (fresh || !panel_->isVisible()) {
            panel_->adjustSize();
            const QPoint corner(std::max(0, window->width() - panel_->width() - 8), 8);
            panel_->move(window->mapToGlobal(corner));
        }
        panel_->show();
        host.prompt(kFirstPointPrompt);
    }

    void takeNextObject() {
        takingObject_ = true;
        host_->prompt(kObjectPrompt);
    }

    void point(Vec2 p) override {
        if (placer_.armed()) {
            placer_.place(document(), *host_, p);
            host_->prompt(points_.empty() ? kFirstPointPrompt : kNextPointPrompt);
            return;
        }
        if (takingObject_) {
            takeObject(p);
            return;
        }
        object_.reset();
        points_.push_back(p);
        host_->prompt(kNextPointPrompt);
        showValues();
    }

    void cursor(Vec2 p) override {
        cursor_ = p;
        placer_.cursor(p);
    }

    // Esc while a value is being placed: it is not.
    bool back() override {
        if (!placer_.armed())
            return false;
        placer_.disarm();
        host_->prompt(points_.empty() ? kFirstPointPrompt : kNextPointPrompt);
        host_->update();
        return true;
    }

    void paint(QPainter& p) override {
        placer_.paint(p, host_->view());
        if (points_.empty())
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        QPolygonF picked;
        for (const Vec2& v : points_)
            picked << host_->toPixel(v);
        p.setPen(QPen(QColor(255, 0, 255), 0));
        p.drawPolyline(picked);
        for (const QPointF& at : picked)
            p.drawRect(QRectF(at - QPointF(2, 2), QSizeF(4, 4)));
        if (points_.size() > 2) {
            // The side that closes the measured area.
            p.setPen(QPen(QColor(255, 0, 255), 0, Qt::DotLine));
            p.drawLine(picked.back(), picked.front());
        }
        if (cursor_ && !takingObject_ && !placer_.armed()) {
            p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
            p.drawLine(picked.back(), host_->toPixel(*cursor_));
        }
        p.restore();
    }

private:
    std::optional<double> currentArea() const {
        if (object_)
            return object_->area;
        if (points_.size() > 2)
            return polygonArea(points_);
        return std::nullopt;
    }

    void takeObject(Vec2 at) {
        const Drawing& dr = document().drawing();
        const double reach = DrawingWindow::kPickPixels * host_->pixelSize();
        const int handle = nearestEntity(dr, at, reach, [&dr, at](int h) {
            return distanceToEntity(dr, h, at).value_or(std::numeric_limits<double>::infinity());
        });
        const auto measured = measureEntity(dr, handle);
        if (!measured)
            return; // missed: the person tries again
        object_ = measured;
        points_.clear();
        takingObject_ = false;
        host_->prompt(kFirstPointPrompt);
        showValues();
    }

    // Starts a new measurement; the area of this one goes into the sum.
    void restart() {
        placer_.disarm();
        areaSum_ += currentArea().value_or(0);
        points_.clear();
        object_.reset();
        takingObject_ = false;
        host_->prompt(kFirstPointPrompt);
        showValues();
    }

    // What the panel shows: the current measurement and the sum of areas.
    void showValues() {
        std::array<std::optional<double>, RowCount> v;
        if (object_) {
            v[Total] = object_->length;
            v[Angle] = object_->angle;
        } else if (!points_.empty()) {
            v[Total] = pathLength(points_);
            if (points_.size() > 1) {
                const Vec2 a = points_[points_.size() - 2], b = points_.back();
                v[Distance] = distance(a, b);
                v[Angle] = segmentAngle(a, b);
            }
        }
        // A direction just below a whole turn would read 360.000.
        if (v[Angle] && *v[Angle] >= 360 - 0.5e-3)
            v[Angle] = 0.0;
        v[Area] = currentArea();
        // Around the area: an entity's length, or the picked points closed.
        if (v[Area])
            v[Perimeter] = object_ ? object_->length : pathLength(points_, true);
        v[TotalArea] = areaSum_ + currentArea().value_or(0);
        const DimensionStyle& style = measurementStyle(document().drawing());
        for (int row = 0; row < RowCount && panel_; ++row) {
            const double scale = kScaledAs[row] ? measurementScale(*kScaledAs[row], style) : 1;
            panel_->values[row]->setText(
                v[row] ? QString::fromStdString(formatNumber(*v[row] * scale, kDecimals))
                       : QString());
            panel_->numbers[row] = v[row];
            if (QPushButton* place = panel_->placeButtons[row])
                place->setEnabled(v[row].has_value());
        }
        host_->update();
    }

    CommandHost* host_ = nullptr;
    QPointer<MeasurePanel> panel_; // a child of the window
    std::vector<Vec2> points_;
    std::optional<EntityMeasure> object_; // an entity taken whole instead of points
    bool takingObject_ = false;
    double areaSum_ = 0; // of the measurements before this one
    std::optional<Vec2> cursor_;
    LabelPlacer placer_;
};

int measure() {
    DrawingWindow* w = DrawingWindow::current();
    Document* d = engine().active();
    if (!w || !d)
        return 0;
    w->startCommand(std::make_unique<MeasureTool>(*d));
    return 1;
}

// From the measuring window kept after a measurement: measuring again, points or an entity.
void startMeasuring(bool takeObject) {
    DrawingWindow* w = DrawingWindow::current();
    Document* d = engine().active();
    if (!w || !d)
        return;
    auto tool = std::make_unique<MeasureTool>(*d);
    MeasureTool* started = tool.get();
    w->startCommand(std::move(tool));
    if (takeObject)
        started->takeNextObject();
}

} // namespace

void registerMeasureCommand(Engine& e) {
    e.addCommand(CAD_CMD_MEASURE, measure);
}

} // namespace cad
