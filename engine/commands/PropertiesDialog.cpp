#include "engine/commands/PropertiesDialog.h"

#include "engine/Engine.h"
#include "engine/commands/DrawSupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/HatchPatterns.h"
#include "engine/model/Measure.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>

namespace cad {

class PropertiesDialog::Field {
public:
    virtual ~Field() = default;
    virtual bool changed() const = 0;
    // False while the widget holds what the field cannot take.
    virtual bool valid() const { return true; }
    // Where the person edits the field.
    virtual QWidget* widget() const = 0;
    virtual void write(EntityChange& c) const = 0;
};

namespace {

using Field = PropertiesDialog::Field;
using Handles = std::vector<std::uint32_t>;

// The common page.
constexpr int kTitle = 11304, kTitleOfMany = 11305, kCommon = 13001, kLayer = 13002,
              kLineStyle = 13003, kColor = 13005, kFill = 13006, kByLayer = 13007, kFilled = 13008,
              kLineWidth = 13010;
// The pages of the kinds.
constexpr int kLine = 13101, kFirstPoint = 13102, kSecondPoint = 13103, kLineLength = 13106,
              kLineAngle = 13107;
constexpr int kText = 13201, kFirstAlignment = 13203, kTextPoint = 13221, kTextHeight = 13222,
              kTextRotation = 13224, kAlignment = 13227, kTextStyle = 13228, kTextString = 13229;
constexpr int kCircle = 13301, kCircleCentre = 13302, kCircleRadius = 13303, kCircleLength = 13304,
              kCircleArea = 13305;
// The column of a polyline's vertex table that holds the bulge of each segment.
constexpr int kBulgeHeader = 18690;
constexpr int kPolyline = 13401, kClosed = 13421, kPolylineArea = 13425, kVertices = 13451,
              kAddVertex = 13455, kInsertVertex = 13456, kDeleteVertex = 13457,
              kPolylineLength = 13461;
constexpr int kInsert = 13501, kBlockName = 13502, kInsertPoint = 13503, kInsertAngle = 13504,
              kScaleX = 13505, kScaleY = 13506, kInsertWidth = 13507, kInsertHeight = 13508;
constexpr int kHatch = 13601, kPattern = 13602, kHatchAngle = 13603, kHatchScale = 13604;
constexpr int kImage = 13801, kImageFile = 13802, kImageCorner = 13803, kImageWidth = 13807,
              kImageHeight = 13808;
constexpr int kEllipse = 13901, kEllipseCentre = 13902, kEllipseRadius = 13903, kHorizontal = 13904,
              kVertical = 13905, kEllipseAngle = 13906, kEllipseLength = 13907,
              kEllipseArea = 13908;
constexpr int kSector = 19210, kSpline = 19241;
constexpr int kArc = 14001, kArcCentre = 14002, kArcLength = 14013, kArcArea = 14014,
              kArcRadius = 14021, kStartAngle = 14024, kArcAngle = 14025;
constexpr int kRectangle = 14101, kRectangleCentre = 14102, kRectangleWidth = 14103,
              kRectangleHeight = 14104, kRectangleAngle = 14105, kRectangleArea = 14108;
// The descriptions of the hatch patterns, in the order of the engine's table.
constexpr int kPatternTexts = 11911;

// ---- numbers

// A number as a field shows it: with a point, without the noise of its last bits.
QString shown(double v) {
    return QString::number(v, 'g', 12);
}

// A computed value, to three decimals.
QString shownComputed(double v) {
    return QString::number(v, 'f', 3);
}

// A number typed with "." or "," as its decimal point; nothing for anything else.
std::optional<double> parsed(const QString& text) {
    std::string s = text.trimmed().toStdString();
    std::replace(s.begin(), s.end(), ',', '.');
    if (!s.empty() && s.front() == '+')
        s.erase(0, 1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// Lets through what may become a number on the way to one.
QValidator* numberValidator(QObject* parent) {
    static const QRegularExpression number(
        QStringLiteral("[+-]?[0-9]*([.,][0-9]*)?([eE][+-]?[0-9]*)?"));
    return new QRegularExpressionValidator(number, parent);
}

// What a number field takes.
using Rule = bool (*)(double);
bool anyNumber(double) {
    return true;
}
bool positive(double v) {
    return v > 0;
}
bool notNegative(double v) {
    return v >= 0;
}
bool nonZero(double v) {
    return v != 0;
}
bool sweep(double v) {
    return v > 0 && v <= 360;
}

// ---- reading and writing a value of an entity

template <typename T> struct Access {
    std::function<T(const Drawing&, std::uint32_t)> get;
    std::function<void(EntityChange&, const T&)> set;
};

// A member of an entity's record in its kind's table.
template <typename Table, typename Data, typename T>
Access<T> member(Table Drawing::*table, T Data::*field) {
    return {
        [=](const Drawing& d, std::uint32_t h) { return (d.*table)[d.entities[h].first].*field; },
        [=](EntityChange& c, const T& v) { c.template geometry<Data>().*field = v; }};
}

// A text's look: the drawing keeps every different look once.
template <typename T> Access<T> textParameter(T TextParams::*field) {
    return {[=](const Drawing& d, std::uint32_t h) {
                return d.paramsOf(d.texts[d.entities[h].first]).*field;
            },
            [=](EntityChange& c, const T& v) {
                TextParams p = c.drawing().paramsOf(c.text());
                p.*field = v;
                c.setTextParams(p);
            }};
}

Access<bool> flag(std::uint8_t f) {
    return {[=](const Drawing& d, std::uint32_t h) { return d.entities[h].has(f); },
            [=](EntityChange& c, const bool& on) { c.record().set(f, on); }};
}

// One coordinate of a point.
Access<double> coordinate(const Access<Vec2>& point, double Vec2::*axis) {
    return {[=](const Drawing& d, std::uint32_t h) { return point.get(d, h).*axis; },
            [=](EntityChange& c, const double& v) {
                Vec2 p = point.get(c.drawing(), c.handle());
                p.*axis = v;
                point.set(c, p);
            }};
}

// The value all the entities have, or nothing when they differ (or one has none).
template <typename T, typename Get>
std::optional<T> shared(const Drawing& d, const Handles& handles, const Get& get) {
    std::optional<T> value;
    for (const std::uint32_t h : handles) {
        const std::optional<T> v = get(d, h);
        if (!v || (value && !(*value == *v)))
            return std::nullopt;
        value = v;
    }
    return value;
}

// Shows a flag, partly checked when the entities differ; the state shown.
Qt::CheckState showFlag(QCheckBox* box, std::optional<bool> value) {
    if (value) {
        box->setChecked(*value);
    } else {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    }
    return box->checkState();
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The row of a hatch's pattern in the engine's table, or -1 for a pattern it does not know.
int patternRow(const Drawing& d, std::uint32_t h) {
    const HatchData& hatch = d.hatches[d.entities[h].first];
    const auto& patterns = hatchPatterns();
    for (std::size_t i = 0; i < patterns.size(); ++i)
        if (hatch.solid ? patterns[i].lines.empty()
                        : sameName(patterns[i].name, d.pooled(hatch.pattern)))
            return static_cast<int>(i);
    return -1;
}

// The area of an arc closed by its chord.
double segmentArea(const ArcData& a) {
    const double t = radians(arcSweep(a.startAngle, a.endAngle));
    return a.radius * a.radius / 2 * (t - std::sin(t));
}

QColor toQColor(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QPixmap swatch(std::uint32_t color, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(toQColor(color));
    return pixmap;
}

std::uint32_t fromQColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

// ---- fields

class NumberField final : public Field {
public:
    NumberField(QLineEdit* edit, std::optional<double> value, Rule rule,
                std::function<void(EntityChange&, const double&)> set)
        : edit_(edit), initial_(value ? shown(*value) : QString()), rule_(rule),
          set_(std::move(set)) {
        edit_->setText(initial_);
        edit_->setValidator(numberValidator(edit_));
    }
    bool changed() const override { return edited() && value(); }
    bool valid() const override { return !edited() || value(); }
    QWidget* widget() const override { return edit_; }
    void write(EntityChange& c) const override {
        if (const auto v = value())
            set_(c, *v);
    }

private:
    // Something else than what was shown, and not blank.
    bool edited() const {
        const QString text = edit_->text().trimmed();
        return !text.isEmpty() && text != initial_;
    }
    std::optional<double> value() const {
        const auto v = parsed(edit_->text());
        return v && rule_(*v) ? v : std::nullopt;
    }

    QLineEdit* edit_;
    QString initial_;
    Rule rule_;
    std::function<void(EntityChange&, const double&)> set_;
};

class CheckField final : public Field {
public:
    CheckField(QCheckBox* box, std::optional<bool> value,
               std::function<void(EntityChange&, const bool&)> set)
        : box_(box), initial_(showFlag(box, value)), set_(std::move(set)) {}
    bool changed() const override {
        return box_->checkState() != initial_ && box_->checkState() != Qt::PartiallyChecked;
    }
    QWidget* widget() const override { return box_; }
    void write(EntityChange& c) const override { set_(c, box_->checkState() == Qt::Checked); }

private:
    QCheckBox* box_;
    Qt::CheckState initial_;
    std::function<void(EntityChange&, const bool&)> set_;
};

// One of a list: a layer, a style, an alignment, a block, a pattern, by its row.
class ChoiceField final : public Field {
public:
    ChoiceField(QComboBox* box, std::optional<int> row,
                std::function<void(EntityChange&, const int&)> set)
        : box_(box), set_(std::move(set)) {
        box_->setCurrentIndex(row && *row >= 0 && *row < box_->count() ? *row : -1);
        initial_ = box_->currentIndex();
    }
    bool changed() const override {
        return box_->currentIndex() >= 0 && box_->currentIndex() != initial_;
    }
    QWidget* widget() const override { return box_; }
    void write(EntityChange& c) const override { set_(c, box_->currentIndex()); }

private:
    QComboBox* box_;
    int initial_ = -1;
    std::function<void(EntityChange&, const int&)> set_;
};

// A text's string (Windows-1250 bytes) or a file's path (the file system's bytes).
class TextField final : public Field {
public:
    enum class Bytes { Engine, FileSystem };
    TextField(QLineEdit* edit, std::optional<std::string> value, Bytes bytes,
              std::function<void(EntityChange&, const std::string&)> set)
        : edit_(edit), bytes_(bytes), set_(std::move(set)) {
        if (value)
            initial_ = bytes == Bytes::Engine
                           ? fromEngineText(*value)
                           : QFile::decodeName(QByteArray::fromStdString(*value));
        edit_->setText(initial_);
    }
    bool changed() const override { return !edit_->text().isEmpty() && edit_->text() != initial_; }
    QWidget* widget() const override { return edit_; }
    void write(EntityChange& c) const override {
        set_(c, bytes_ == Bytes::Engine ? toEngineText(edit_->text())
                                        : QFile::encodeName(edit_->text()).toStdString());
    }

private:
    QLineEdit* edit_;
    QString initial_;
    Bytes bytes_;
    std::function<void(EntityChange&, const std::string&)> set_;
};

// The colour: the layer's, or the entity's own chosen with the colour chooser. Turning "by
// layer" off without choosing keeps each entity's colour as it looks.
class ColorField final : public Field {
public:
    ColorField(QCheckBox* byLayer, QPushButton* button, const Drawing& d, const Handles& handles)
        : byLayer_(byLayer), button_(button) {
        initial_ = showFlag(byLayer_, shared<bool>(d, handles, flag(EntityFlag::ColorByLayer).get));
        shown_ = shared<std::uint32_t>(d, handles, [](const Drawing& dr, std::uint32_t h) {
            return dr.colorOf(h, dr.entities[h]);
        });
        paint(shown_);
        QObject::connect(button_, &QPushButton::clicked, button_, [this] { choose(); });
    }
    bool changed() const override {
        return chosen_ || (byLayer_->checkState() != initial_ &&
                           byLayer_->checkState() != Qt::PartiallyChecked);
    }
    QWidget* widget() const override { return button_; }
    // Another layer was chosen: a colour by layer is now that layer's.
    void layerChosen(std::uint32_t color) {
        if (byLayer_->checkState() != Qt::Checked || chosen_)
            return;
        shown_ = color;
        paint(shown_);
    }
    void write(EntityChange& c) const override {
        Entity& e = c.record();
        if (byLayer_->checkState() == Qt::Checked) {
            e.set(EntityFlag::ColorByLayer, true);
            return;
        }
        OwnStyle own = c.drawing().ownStyle(c.handle());
        own.color = chosen_ ? *chosen_ : c.drawing().colorOf(c.handle(), e);
        c.setOwnStyle(own);
        e.set(EntityFlag::ColorByLayer, false);
    }

private:
    void choose() {
        const QColor c = chooseColor(toQColor(chosen_.value_or(shown_.value_or(0))), button_);
        if (!c.isValid())
            return;
        chosen_ = fromQColor(c);
        byLayer_->setCheckState(Qt::Unchecked);
        paint(chosen_);
    }
    // The colour on the button; none when the entities differ.
    void paint(std::optional<std::uint32_t> color) {
        if (!color) {
            button_->setIcon(QIcon());
            return;
        }
        button_->setIcon(QIcon(swatch(*color, QSize(40, 14))));
        button_->setIconSize(QSize(40, 14));
    }

    QCheckBox* byLayer_;
    QPushButton* button_;
    Qt::CheckState initial_;
    std::optional<std::uint32_t> shown_, chosen_;
};

// The line width in millimetres: the layer's or the entity's own. Typing a width makes it the
// entity's own; turning "by layer" off without typing keeps each entity's width as it is.
class WidthField final : public Field {
public:
    WidthField(QCheckBox* byLayer, QLineEdit* edit, const Drawing& d, const Handles& handles)
        : byLayer_(byLayer), edit_(edit) {
        initial_ = showFlag(byLayer_, shared<bool>(d, handles, flag(EntityFlag::WidthByLayer).get));
        const auto width = shared<double>(d, handles, [](const Drawing& dr, std::uint32_t h) {
            return dr.widthOf(h, dr.entities[h]);
        });
        shownText_ = width ? shown(*width) : QString();
        edit_->setText(shownText_);
        edit_->setValidator(numberValidator(edit_));
        QObject::connect(edit_, &QLineEdit::textEdited, edit_, [this] {
            if (typed())
                byLayer_->setCheckState(Qt::Unchecked);
        });
    }
    bool changed() const override {
        return typed() || (byLayer_->checkState() != initial_ &&
                           byLayer_->checkState() != Qt::PartiallyChecked);
    }
    bool valid() const override { return !edited() || typed(); }
    QWidget* widget() const override { return edit_; }
    // Another layer was chosen: a width by layer is now that layer's.
    void layerChosen(double width) {
        if (byLayer_->checkState() != Qt::Checked || edited())
            return;
        shownText_ = shown(width);
        edit_->setText(shownText_);
    }
    void write(EntityChange& c) const override {
        Entity& e = c.record();
        if (byLayer_->checkState() == Qt::Checked) {
            e.set(EntityFlag::WidthByLayer, true);
            return;
        }
        OwnStyle own = c.drawing().ownStyle(c.handle());
        own.width = typed().value_or(c.drawing().widthOf(c.handle(), e));
        c.setOwnStyle(own);
        e.set(EntityFlag::WidthByLayer, false);
    }

private:
    bool edited() const {
        const QString text = edit_->text().trimmed();
        return !text.isEmpty() && text != shownText_;
    }
    std::optional<double> typed() const {
        const auto v = edited() ? parsed(edit_->text()) : std::nullopt;
        return v && notNegative(*v) ? v : std::nullopt;
    }

    QCheckBox* byLayer_;
    QLineEdit* edit_;
    Qt::CheckState initial_;
    QString shownText_;
};

// The vertices of one polyline, a row each. A cell keeps the exact coordinate it was shown
// with, so that cells left as they were give back the vertices exactly.
class VertexField final : public Field {
public:
    VertexField(QTableWidget* table, const Drawing& d, std::uint32_t h) : table_(table) {
        const Entity& e = d.entities[h];
        original_.assign(d.vertexData(e), d.vertexData(e) + e.count);
        table_->setRowCount(static_cast<int>(original_.size()));
        // A polyline's third column: the bulge of the segment from each vertex (0 straight).
        bulged_ = table_->columnCount() > 2;
        const BulgeView bulges = d.bulgesOf(e);
        for (std::size_t i = 0; i < original_.size(); ++i) {
            table_->setItem(static_cast<int>(i), 0, cell(original_[i].x));
            table_->setItem(static_cast<int>(i), 1, cell(original_[i].y));
            if (bulged_) {
                originalBulges_.push_back(bulges[i]);
                table_->setItem(static_cast<int>(i), 2, cell(bulges[i]));
            }
        }
    }
    // A copy of the last vertex after it.
    void add() {
        const int rows = table_->rowCount();
        copyRow(rows - 1, rows);
        table_->setCurrentCell(rows, 0);
    }
    // A copy of the current vertex before it.
    void insert() {
        const int row = std::max(0, table_->currentRow());
        copyRow(row, row);
        table_->setCurrentCell(row, 0);
    }
    // The current vertex goes; a polyline keeps two at least.
    void remove() {
        const int row = table_->currentRow();
        if (row >= 0 && table_->rowCount() > 2)
            table_->removeRow(row);
    }
    bool changed() const override {
        const auto v = vertices();
        return v && (*v != original_ || (bulged_ && bulges() != originalBulges_));
    }
    bool valid() const override { return vertices().has_value() && bulges().has_value(); }
    QWidget* widget() const override { return table_; }
    void write(EntityChange& c) const override {
        const auto v = vertices();
        if (!v)
            return;
        if (const auto b = bulges(); bulged_ && b)
            c.setPolyline(*v, *b);
        else
            c.setVertices(*v);
    }

private:
    static constexpr int kExact = Qt::UserRole, kShownText = Qt::UserRole + 1;
    static QTableWidgetItem* cell(double v) {
        auto* item = new QTableWidgetItem(shown(v));
        item->setData(kExact, v);
        item->setData(kShownText, shown(v));
        return item;
    }
    static std::optional<double> valueOf(const QTableWidgetItem* item) {
        if (!item)
            return std::nullopt;
        if (item->text() == item->data(kShownText).toString())
            return item->data(kExact).toDouble();
        return parsed(item->text());
    }
    void copyRow(int from, int to) {
        table_->insertRow(to);
        const int source = from >= to ? from + 1 : from;
        for (int c = 0; c < table_->columnCount(); ++c)
            if (const QTableWidgetItem* item = table_->item(source, c))
                table_->setItem(to, c, item->clone());
    }
    std::optional<std::vector<Vec2>> vertices() const {
        std::vector<Vec2> out;
        for (int r = 0; r < table_->rowCount(); ++r) {
            const auto x = valueOf(table_->item(r, 0)), y = valueOf(table_->item(r, 1));
            if (!x || !y)
                return std::nullopt;
            out.push_back({*x, *y});
        }
        return out;
    }
    std::optional<std::vector<double>> bulges() const {
        std::vector<double> out;
        for (int r = 0; bulged_ && r < table_->rowCount(); ++r) {
            const auto b = valueOf(table_->item(r, 2));
            if (!b || !std::isfinite(*b))
                return std::nullopt;
            out.push_back(*b);
        }
        return out;
    }

    QTableWidget* table_;
    std::vector<Vec2> original_;
    bool bulged_ = false;
    std::vector<double> originalBulges_;
};

// ---- building a page

class Page {
public:
    Page(const Drawing& d, const Handles& handles, std::vector<std::unique_ptr<Field>>& fields,
         QFormLayout* form)
        : d_(d), handles_(handles), fields_(fields), form_(form) {}

    void number(int label, const QString& name, const Access<double>& a, Rule rule = anyNumber) {
        form_->addRow(engineText(label), numberEdit(name, a, rule));
    }
    // Two numbers in a row: the coordinates of a point, or two sizes.
    void pair(int label, const QString& firstName, const QString& firstLabel,
              const Access<double>& first, const QString& secondName, const QString& secondLabel,
              const Access<double>& second, Rule rule = anyNumber) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(firstLabel));
        row->addWidget(numberEdit(firstName, first, rule), 1);
        row->addWidget(new QLabel(secondLabel));
        row->addWidget(numberEdit(secondName, second, rule), 1);
        form_->addRow(engineText(label), row);
    }
    void point(int label, const QString& name, const Access<Vec2>& p) {
        pair(label, name + QLatin1Char('X'), QStringLiteral("X"), coordinate(p, &Vec2::x),
             name + QLatin1Char('Y'), QStringLiteral("Y"), coordinate(p, &Vec2::y));
    }
    void check(int label, const QString& name, const Access<bool>& a) {
        auto* box = new QCheckBox(engineText(label));
        box->setObjectName(name);
        fields_.push_back(std::make_unique<CheckField>(box, sharedOf<bool>(a.get), a.set));
        form_->addRow(box);
    }
    QComboBox* choice(int label, const QString& name, const QStringList& items,
                      const Access<int>& a) {
        auto* box = new QComboBox;
        box->setObjectName(name);
        box->addItems(items);
        fields_.push_back(std::make_unique<ChoiceField>(box, sharedOf<int>(a.get), a.set));
        form_->addRow(engineText(label), box);
        return box;
    }
    QLineEdit* text(int label, const QString& name, TextField::Bytes bytes,
                    const Access<std::string>& a, QWidget* beside = nullptr) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setMinimumWidth(240);
        fields_.push_back(
            std::make_unique<TextField>(edit, sharedOf<std::string>(a.get), bytes, a.set));
        if (!beside) {
            form_->addRow(engineText(label), edit);
        } else {
            auto* row = new QHBoxLayout;
            row->addWidget(edit, 1);
            row->addWidget(beside);
            form_->addRow(engineText(label), row);
        }
        return edit;
    }
    // A value worked out from each entity, shown when they all have the same.
    void computed(int label, const QString& name,
                  const std::function<std::optional<double>(const Drawing&, std::uint32_t)>& of) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setFrame(false);
        if (const auto v = shared<double>(d_, handles_, of))
            edit->setText(shownComputed(*v));
        form_->addRow(engineText(label), edit);
    }
    // What measureEntity gives of an entity.
    void measured(int label, const QString& name, std::optional<double> EntityMeasure::*what) {
        computed(label, name, [what](const Drawing& d, std::uint32_t h) -> std::optional<double> {
            const auto m = measureEntity(d, static_cast<int>(h));
            return m ? (*m).*what : std::nullopt;
        });
    }
    void length(int label) {
        computed(label, QStringLiteral("cadPropertiesLength"),
                 [](const Drawing& d, std::uint32_t h) -> std::optional<double> {
                     const auto m = measureEntity(d, static_cast<int>(h));
                     return m ? std::optional<double>(m->length) : std::nullopt;
                 });
    }
    void area(int label) {
        measured(label, QStringLiteral("cadPropertiesArea"), &EntityMeasure::area);
    }

private:
    template <typename T, typename Get> std::optional<T> sharedOf(const Get& get) const {
        return shared<T>(d_, handles_, get);
    }
    QLineEdit* numberEdit(const QString& name, const Access<double>& a, Rule rule) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        fields_.push_back(
            std::make_unique<NumberField>(edit, sharedOf<double>(a.get), rule, a.set));
        return edit;
    }

    const Drawing& d_;
    const Handles& handles_;
    std::vector<std::unique_ptr<Field>>& fields_;
    QFormLayout* form_;
};

QString name(const char* role) {
    return QStringLiteral("cadProperties") + QLatin1String(role);
}

} // namespace

// ---- the dialog

PropertiesDialog::PropertiesDialog(const Drawing& d, std::vector<std::uint32_t> handles,
                                   QWidget* parent)
    : QDialog(parent), d_(d), handles_(std::move(handles)) {
    setObjectName(name("Dialog"));
    setWindowTitle(handles_.size() == 1
                       ? engineText(kTitle)
                       : fromEngineText(formatText(engine().text(kTitleOfMany),
                                                   {static_cast<int>(handles_.size())})));
    pages_ = new QTabWidget;
    pages_->setObjectName(name("Pages"));
    addCommonPage();
    if (!handles_.empty()) {
        const EntityType type = d.entities[handles_.front()].type;
        if (std::all_of(handles_.begin(), handles_.end(),
                        [&](std::uint32_t h) { return d.entities[h].type == type; }))
            addKindPage(type);
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    box->button(QDialogButtonBox::Ok)->setObjectName(name("Ok"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(name("Cancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(box);
}

PropertiesDialog::~PropertiesDialog() = default;

void PropertiesDialog::addCommonPage() {
    auto* page = new QWidget;
    page->setObjectName(name("Common"));
    auto* form = new QFormLayout(page);
    Page p(d_, handles_, fields_, form);
    const Drawing& d = d_;

    QStringList layers;
    for (const Layer& l : d.layers)
        layers << fromEngineText(engine().layerTitle(l.name));
    QComboBox* layer = p.choice(
        kLayer, name("Layer"), layers,
        {[](const Drawing& dr, std::uint32_t h) { return int(dr.entities[h].layer); },
         [](EntityChange& c, const int& v) { c.record().layer = static_cast<std::uint16_t>(v); }});
    // Every layer is listed, hidden and locked ones too, each with its colour.
    for (std::size_t i = 0; i < d.layers.size(); ++i)
        layer->setItemIcon(static_cast<int>(i), QIcon(swatch(d.layers[i].color, QSize(12, 12))));
    QStringList styles;
    for (const LineStyle& s : d.lineStyles)
        styles << fromEngineText(s.name);
    p.choice(kLineStyle, name("LineStyle"), styles,
             {[](const Drawing& dr, std::uint32_t h) { return int(dr.entities[h].lineStyle); },
              [](EntityChange& c, const int& v) {
                  c.record().lineStyle = static_cast<std::uint16_t>(v);
              }});

    auto* colorByLayer = new QCheckBox(engineText(kByLayer));
    colorByLayer->setObjectName(name("ColorByLayer"));
    auto* color = new QPushButton;
    color->setObjectName(name("Color"));
    color->setAutoDefault(false);
    color->setMinimumWidth(64);
    auto colorField = std::make_unique<ColorField>(colorByLayer, color, d, handles_);
    ColorField* colorShown = colorField.get();
    fields_.push_back(std::move(colorField));
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorByLayer);
    colorRow->addWidget(color);
    colorRow->addStretch();
    form->addRow(engineText(kColor), colorRow);

    auto* widthByLayer = new QCheckBox(engineText(kByLayer));
    widthByLayer->setObjectName(name("WidthByLayer"));
    auto* width = new QLineEdit;
    width->setObjectName(name("LineWidth"));
    auto widthField = std::make_unique<WidthField>(widthByLayer, width, d, handles_);
    WidthField* widthShown = widthField.get();
    fields_.push_back(std::move(widthField));
    // What "by layer" shows follows the layer chosen.
    connect(layer, &QComboBox::currentIndexChanged, this,
            [dr = &d_, colorShown, widthShown](int i) {
                if (i < 0 || static_cast<std::size_t>(i) >= dr->layers.size())
                    return;
                const Layer& chosen = dr->layers[static_cast<std::size_t>(i)];
                colorShown->layerChosen(chosen.color);
                widthShown->layerChosen(chosen.width);
            });
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(widthByLayer);
    widthRow->addWidget(width, 1);
    widthRow->addWidget(new QLabel(QStringLiteral("mm")));
    form->addRow(engineText(kLineWidth), widthRow);

    // Only shapes that enclose an area can be filled.
    auto* filled = new QCheckBox(engineText(kFilled));
    filled->setObjectName(name("Filled"));
    if (std::all_of(handles_.begin(), handles_.end(),
                    [&](std::uint32_t h) { return canBeFilled(d.entities[h].type); })) {
        const Access<bool> a = flag(EntityFlag::Filled);
        fields_.push_back(
            std::make_unique<CheckField>(filled, shared<bool>(d, handles_, a.get), a.set));
    } else {
        filled->setEnabled(false);
    }
    form->addRow(engineText(kFill), filled);
    pages_->addTab(page, engineText(kCommon));
}

void PropertiesDialog::addKindPage(EntityType type) {
    auto* page = new QWidget;
    page->setObjectName(name("Kind"));
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    Page p(d_, handles_, fields_, form);
    const Drawing& d = d_;
    int title = 0;
    switch (type) {
    case EntityType::Line:
        title = kLine;
        p.point(kFirstPoint, name("First"), member(&Drawing::lines, &LineData::a));
        p.point(kSecondPoint, name("Second"), member(&Drawing::lines, &LineData::b));
        p.length(kLineLength);
        p.measured(kLineAngle, name("Angle"), &EntityMeasure::angle);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: {
        title = type == EntityType::Spline ? kSpline : kPolyline;
        p.check(kClosed, name("Closed"), flag(EntityFlag::Closed));
        p.length(kPolylineLength);
        p.area(kPolylineArea);
        if (handles_.size() != 1)
            break;
        // The vertices of one polyline (the fit points of a curve through them).
        auto* group = new QGroupBox(engineText(kVertices));
        auto* inGroup = new QVBoxLayout(group);
        const bool polyline = type == EntityType::Polyline;
        auto* table = new QTableWidget(0, polyline ? 3 : 2);
        table->setObjectName(name("Vertices"));
        QStringList headers{QStringLiteral("X"), QStringLiteral("Y")};
        if (polyline)
            headers << engineText(kBulgeHeader);
        table->setHorizontalHeaderLabels(headers);
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setMinimumHeight(160);
        auto vertices = std::make_unique<VertexField>(table, d, handles_.front());
        VertexField* field = vertices.get();
        fields_.push_back(std::move(vertices));
        inGroup->addWidget(table);
        auto* buttons = new QHBoxLayout;
        const std::pair<int, const char*> actions[] = {{kAddVertex, "AddVertex"},
                                                       {kInsertVertex, "InsertVertex"},
                                                       {kDeleteVertex, "DeleteVertex"}};
        for (const auto& [label, role] : actions) {
            auto* b = new QPushButton(engineText(label));
            b->setObjectName(name(role));
            b->setAutoDefault(false);
            buttons->addWidget(b);
            connect(b, &QPushButton::clicked, this, [field, label = label] {
                if (label == kAddVertex)
                    field->add();
                else if (label == kInsertVertex)
                    field->insert();
                else
                    field->remove();
            });
        }
        buttons->addStretch();
        inGroup->addLayout(buttons);
        layout->addWidget(group);
        break;
    }
    case EntityType::Circle:
        title = kCircle;
        p.point(kCircleCentre, name("Centre"), member(&Drawing::circles, &CircleData::centre));
        p.number(kCircleRadius, name("Radius"), member(&Drawing::circles, &CircleData::radius),
                 positive);
        p.length(kCircleLength);
        p.area(kCircleArea);
        break;
    case EntityType::Arc:
    case EntityType::Sector: {
        // A sector is an arc closed through its centre: the same fields, its own table.
        const bool sector = type == EntityType::Sector;
        const auto table = sector ? &Drawing::sectors : &Drawing::arcs;
        title = sector ? kSector : kArc;
        p.point(kArcCentre, name("Centre"), member(table, &ArcData::centre));
        p.number(kArcRadius, name("Radius"), member(table, &ArcData::radius), positive);
        // Shown as a start and a sweep: a new start turns the arc, a new sweep moves its end.
        p.number(kStartAngle, name("StartAngle"),
                 {[table](const Drawing& dr, std::uint32_t h) {
                      return (dr.*table)[dr.entities[h].first].startAngle;
                  },
                  [](EntityChange& c, const double& v) {
                      ArcData& a = c.arc();
                      const double s = arcSweep(a.startAngle, a.endAngle);
                      a.startAngle = normalisedDegrees(v);
                      a.endAngle = normalisedDegrees(a.startAngle + s);
                  }});
        p.number(kArcAngle, name("ArcAngle"),
                 {[table](const Drawing& dr, std::uint32_t h) {
                      const ArcData& a = (dr.*table)[dr.entities[h].first];
                      return arcSweep(a.startAngle, a.endAngle);
                  },
                  [](EntityChange& c, const double& v) {
                      ArcData& a = c.arc();
                      a.endAngle = normalisedDegrees(a.startAngle + v);
                  }},
                 sweep);
        p.length(kArcLength);
        if (sector)
            p.area(kArcArea);
        else
            p.computed(kArcArea, name("Area"), [](const Drawing& dr, std::uint32_t h) {
                return std::optional<double>(segmentArea(dr.arcs[dr.entities[h].first]));
            });
        break;
    }
    case EntityType::Ellipse:
        title = kEllipse;
        p.point(kEllipseCentre, name("Centre"), member(&Drawing::ellipses, &EllipseData::centre));
        p.pair(kEllipseRadius, name("RadiusX"), engineText(kHorizontal),
               member(&Drawing::ellipses, &EllipseData::radiusX), name("RadiusY"),
               engineText(kVertical), member(&Drawing::ellipses, &EllipseData::radiusY), positive);
        p.number(kEllipseAngle, name("Rotation"),
                 member(&Drawing::ellipses, &EllipseData::rotation));
        p.length(kEllipseLength);
        p.area(kEllipseArea);
        break;
    case EntityType::Rectangle:
        title = kRectangle;
        p.point(kRectangleCentre, name("Centre"),
                member(&Drawing::rectangles, &RectangleData::centre));
        p.number(kRectangleWidth, name("Width"),
                 member(&Drawing::rectangles, &RectangleData::width), positive);
        p.number(kRectangleHeight, name("Height"),
                 member(&Drawing::rectangles, &RectangleData::height), positive);
        p.number(kRectangleAngle, name("Rotation"),
                 member(&Drawing::rectangles, &RectangleData::rotation));
        p.area(kRectangleArea);
        break;
    case EntityType::Text: {
        title = kText;
        p.text(kTextString, name("Text"), TextField::Bytes::Engine,
               {[](const Drawing& dr, std::uint32_t h) {
                    return std::string(dr.textOf(dr.entities[h]));
                },
                [](EntityChange& c, const std::string& s) { c.setText(s); }});
        p.point(kTextPoint, name("Point"), member(&Drawing::texts, &TextData::p));
        p.number(kTextHeight, name("Height"), textParameter(&TextParams::height), positive);
        p.number(kTextRotation, name("Rotation"), textParameter(&TextParams::rotation));
        QStringList styles;
        for (const TextStyle& s : d.textStyles)
            styles << fromEngineText(s.name);
        p.choice(kTextStyle, name("Style"), styles, textParameter(&TextParams::style));
        QStringList alignments;
        for (int a = 0; a < 9; ++a)
            alignments << engineText(kFirstAlignment + a);
        p.choice(kAlignment, name("Align"), alignments, textParameter(&TextParams::align));
        break;
    }
    case EntityType::Insert: {
        title = kInsert;
        QStringList blocks;
        for (const Block& b : d.blocks)
            blocks << fromEngineText(b.name);
        // A block never comes to contain itself.
        p.choice(kBlockName, name("Block"), blocks,
                 {[](const Drawing& dr, std::uint32_t h) {
                      return int(dr.inserts[dr.entities[h].first].block);
                  },
                  [](EntityChange& c, const int& b) {
                      const Drawing& dr = c.drawing();
                      if (!dr.wouldRecurse(dr.ownerOf(static_cast<int>(c.handle())), b))
                          c.insert().block = b;
                  }});
        p.point(kInsertPoint, name("Point"), member(&Drawing::inserts, &InsertData::p));
        p.number(kInsertAngle, name("Rotation"), member(&Drawing::inserts, &InsertData::angle));
        p.number(kScaleX, name("ScaleX"), member(&Drawing::inserts, &InsertData::scaleX), nonZero);
        p.number(kScaleY, name("ScaleY"), member(&Drawing::inserts, &InsertData::scaleY), nonZero);
        // The block's size as inserted.
        const auto size = [](bool across) {
            return [across](const Drawing& dr, std::uint32_t h) {
                const InsertData& in = dr.inserts[dr.entities[h].first];
                const Rect r = dr.blockExtents(in.block);
                return std::optional<double>(across ? r.width() * std::abs(in.scaleX)
                                                    : r.height() * std::abs(in.scaleY));
            };
        };
        p.computed(kInsertWidth, name("Width"), size(true));
        p.computed(kInsertHeight, name("Height"), size(false));
        break;
    }
    case EntityType::Hatch: {
        title = kHatch;
        QStringList patterns;
        for (std::size_t i = 0; i < hatchPatterns().size(); ++i)
            patterns << engineText(kPatternTexts + static_cast<int>(i));
        p.choice(kPattern, name("Pattern"), patterns,
                 {patternRow, [](EntityChange& c, const int& row) {
                      const HatchPattern& pattern = hatchPatterns()[static_cast<std::size_t>(row)];
                      const PooledText bytes = c.pool(pattern.name);
                      HatchData& hatch = c.hatch();
                      hatch.pattern = bytes;
                      hatch.solid = pattern.lines.empty() ? 1 : 0;
                  }});
        p.number(kHatchAngle, name("Rotation"), member(&Drawing::hatches, &HatchData::angle));
        p.number(kHatchScale, name("Scale"), member(&Drawing::hatches, &HatchData::scale),
                 positive);
        break;
    }
    case EntityType::Image: {
        title = kImage;
        auto* browse = new QToolButton;
        browse->setObjectName(name("Browse"));
        browse->setText(QStringLiteral("..."));
        QLineEdit* file = p.text(
            kImageFile, name("File"), TextField::Bytes::FileSystem,
            {[](const Drawing& dr, std::uint32_t h) {
                 return std::string(dr.pooled(dr.images[dr.entities[h].first].path));
             },
             [](EntityChange& c, const std::string& path) { c.image().path = c.pool(path); }},
            browse);
        connect(browse, &QToolButton::clicked, this, [file] {
            Engine& e = engine();
            // Where the picture is, else beside the drawing.
            std::string folder;
            if (!file->text().isEmpty())
                folder = QFile::encodeName(QFileInfo(file->text()).absolutePath()).toStdString();
            else if (const Document* d = e.active())
                folder = folderOf(*d);
            const auto path =
                e.responder()->openFileName(e.text(kImage), e.text(kImageFilter), folder);
            if (path && !path->empty())
                file->setText(QFile::decodeName(QByteArray::fromStdString(*path)));
        });
        p.point(kImageCorner, name("Point"), member(&Drawing::images, &ImageData::p));
        p.number(kImageWidth, name("Width"), member(&Drawing::images, &ImageData::width), positive);
        p.number(kImageHeight, name("Height"), member(&Drawing::images, &ImageData::height),
                 positive);
        break;
    }
    default:
        // Points and kinds without a page of their own: the common page alone.
        break;
    }
    if (title == 0) {
        delete page;
        return;
    }
    layout->addStretch();
    pages_->addTab(page, engineText(title));
}

bool PropertiesDialog::changed() const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [](const std::unique_ptr<Field>& f) { return f->changed(); });
}

Rect PropertiesDialog::apply(ChangeSet& changes) const {
    std::vector<const Field*> edited;
    for (const auto& f : fields_)
        if (f->changed())
            edited.push_back(f.get());
    if (edited.empty())
        return {};
    return changeEntities(changes, handles_, [&](EntityChange& c) {
        for (const Field* f : edited)
            f->write(c);
    });
}

void PropertiesDialog::accept() {
    for (const auto& f : fields_) {
        if (f->valid())
            continue;
        QWidget* w = f->widget();
        for (int i = 0; i < pages_->count(); ++i)
            if (pages_->widget(i)->isAncestorOf(w))
                pages_->setCurrentIndex(i);
        w->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace cad
