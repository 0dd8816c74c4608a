// The fields of the properties dialog and the page builder that lays them out, shared by the
// dialog's common page (PropertiesDialog.cpp) and the pages of each kind of entity
// (PropertiesKindPages.cpp). Internal to those files.
#pragma once

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

namespace properties {

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
inline QString shown(double v) {
    return QString::number(v, 'g', 12);
}

// A computed value, to three decimals.
inline QString shownComputed(double v) {
    return QString::number(v, 'f', 3);
}

// A number typed with "." or "," as its decimal point; nothing for anything else.
inline std::optional<double> parsed(const QString& text) {
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
inline QValidator* numberValidator(QObject* parent) {
    static const QRegularExpression number(
        QStringLiteral("[+-]?[0-9]*([.,][0-9]*)?([eE][+-]?[0-9]*)?"));
    return new QRegularExpressionValidator(number, parent);
}

// What a number field takes.
using Rule = bool (*)(double);
inline bool anyNumber(double) {
    return true;
}
inline bool positive(double v) {
    return v > 0;
}
inline bool notNegative(double v) {
    return v >= 0;
}
inline bool nonZero(double v) {
    return v != 0;
}
inline bool sweep(double v) {
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

inline Access<bool> flag(std::uint8_t f) {
    return {[=](const Drawing& d, std::uint32_t h) { return d.entities[h].has(f); },
            [=](EntityChange& c, const bool& on) { c.record().set(f, on); }};
}

// One coordinate of a point.
inline Access<double> coordinate(const Access<Vec2>& point, double Vec2::*axis) {
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
inline Qt::CheckState showFlag(QCheckBox* box, std::optional<bool> value) {
    if (value) {
        box->setChecked(*value);
    } else {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    }
    return box->checkState();
}

inline bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The row of a hatch's pattern in the engine's table, or -1 for a pattern it does not know.
inline int patternRow(const Drawing& d, std::uint32_t h) {
    const HatchData& hatch = d.hatches[d.entities[h].first];
    const auto& patterns = hatchPatterns();
    for (std::size_t i = 0; i < patterns.size(); ++i)
        if (hatch.solid ? patterns[i].lines.empty()
                        : sameName(patterns[i].name, d.pooled(hatch.pattern)))
            return static_cast<int>(i);
    return -1;
}

// The area of an arc closed by its chord.
inline double segmentArea(const ArcData& a) {
    const double t = radians(arcSweep(a.startAngle, a.endAngle));
    return a.radius * a.radius / 2 * (t - std::sin(t));
}

inline QColor toQColor(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline QPixmap swatch(std::uint32_t color, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(toQColor(color));
    return pixmap;
}

inline std::uint32_t fromQColor(const QColor& c) {
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
        for (std::size_t i = 0; i < original_.size(); ++i) {
            table_->setItem(static_cast<int>(i), 0, cell(original_[i].x));
            table_->setItem(static_cast<int>(i), 1, cell(original_[i].y));
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
        return v && *v != original_;
    }
    bool valid() const override { return vertices().has_value(); }
    QWidget* widget() const override { return table_; }
    void write(EntityChange& c) const override {
        if (const auto v = vertices())
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
        for (int c = 0; c < 2; ++c)
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

    QTableWidget* table_;
    std::vector<Vec2> original_;
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

inline QString name(const char* role) {
    return QStringLiteral("cadProperties") + QLatin1String(role);
}

} // namespace properties

} // namespace cad
