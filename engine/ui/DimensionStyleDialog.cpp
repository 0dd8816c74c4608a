#include "engine/ui/DimensionStyleDialog.h"

#include "engine/Engine.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"
#include "engine/ui/QtResponder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace cad {

namespace {

// The dialog and its list.
constexpr int kTitle = 11801, kListPage = 11802, kGeometryPage = 11803, kAnnotationPage = 11804,
              kNameColumn = 11811, kName = 11812, kOk = 11201, kCancel = 11202, kAdd = 11203,
              kDelete = 11204;
// Geometry.
constexpr int kLineInside = 11821, kArrowhead = 11822, kArrowType = 11823, kArrowLength = 11824,
              kArrowHeight = 11825, kExtensionLines = 11826, kExtensionOffset = 11827,
              kExtensionBeyond = 11828, kColors = 11829, kOwnColors = 11830, kLineColor = 11831,
              kExtensionColor = 11832, kTextColor = 11833, kCentre = 11834, kCentreMark = 11835,
              kCentreLines = 11836, kNone = 11837, kCentreSize = 11838;
// Annotation.
constexpr int kContents = 11851, kTextStyle = 11852, kPlacement = 11853, kAbove = 11805,
              kCentred = 11806, kBelow = 11807, kTextHeight = 11854, kGap = 11855,
              kDecimals = 11856, kScaleValue = 11857, kRoundOff = 11858, kTolerance = 11859,
              kUpper = 11860, kLower = 11861, kHorizontalText = 11862, kPerpendicular = 11863,
              kFrame = 11864, kSuppressZeros = 11865, kSeparator = 11866;
// The arrowheads' names, in the order of Arrowhead (the last, none, is kNone).
constexpr int kFirstArrowhead = 11867;
// Refusals.
constexpr int kLastStyle = 10659, kStyleUsed = 10660, kNoName = 10672, kNameTaken = 10673;
// The drawing's print scale.
constexpr int kPrintScale = 19381, kNotAScale = 16033;

QString name(const char* role) {
    return QStringLiteral("cadDimStyle") + QLatin1String(role);
}

QPushButton* button(const QString& text, const char* role) {
    auto* b = new QPushButton(text);
    b->setObjectName(name(role));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* checkBox(int text, const char* role) {
    auto* box = new QCheckBox(engineText(text));
    box->setObjectName(name(role));
    return box;
}

QDoubleSpinBox* numberBox(const char* role, double lowest, double highest, int decimals,
                          double step, const QString& suffix = {}) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name(role));
    box->setRange(lowest, highest);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    return box;
}

// Millimetres on paper.
QDoubleSpinBox* sizeBox(const char* role) {
    return numberBox(role, 0, 1000, 2, 0.5, QStringLiteral(" mm"));
}

std::uint32_t toWindowsColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

void paintSwatch(QPushButton* b, std::uint32_t color) {
    QPixmap swatch(32, 14);
    swatch.fill(toQColor(color));
    b->setIcon(QIcon(swatch));
    b->setIconSize(swatch.size());
    b->setProperty("cadColor", static_cast<uint>(color));
}

// A dimension line ending in the arrowhead, for the list of arrowheads.
QIcon arrowIcon(Arrowhead kind) {
    QPixmap pixmap(40, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    const double y = 8, tip = 36, back = 26, half = 3.5;
    p.drawLine(QPointF(2, y), QPointF(tip, y));
    switch (kind) {
    case Arrowhead::ClosedFilled: {
        QPainterPath path;
        path.moveTo(tip, y);
        path.lineTo(back, y - half);
        path.lineTo(back, y + half);
        path.closeSubpath();
        p.fillPath(path, Qt::black);
        break;
    }
    case Arrowhead::Open:
        p.drawLine(QPointF(tip, y), QPointF(back, y - half));
        p.drawLine(QPointF(tip, y), QPointF(back, y + half));
        break;
    case Arrowhead::Oblique:
        p.drawLine(QPointF(tip - 5, y + 5), QPointF(tip + 3, y - 3));
        break;
    case Arrowhead::Dot:
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(tip - 2, y), 2.5, 2.5);
        break;
    case Arrowhead::None:
        break;
    }
    return QIcon(pixmap);
}

QRadioButton* radio(QButtonGroup* group, int text, const char* role, int id) {
    auto* r = new QRadioButton(engineText(text));
    r->setObjectName(name(role));
    group->addButton(r, id);
    return r;
}

} // namespace

DimensionStyleDialog::DimensionStyleDialog(std::vector<DimensionStyle> styles,
                                           std::vector<std::string> textStyles,
                                           std::function<bool(int)> used, QWidget* parent)
    : QDialog(parent), styles_(std::move(styles)), textStyles_(std::move(textStyles)),
      used_(std::move(used)) {
    setObjectName(name("Dialog"));
    setWindowTitle(engineText(kTitle));
    given_ = styles_.size();
    for (std::size_t i = 0; i < given_; ++i)
        original_.push_back(static_cast<int>(i));

    auto* pages = new QTabWidget;
    pages->setObjectName(name("Pages"));
    const std::pair<int, const char*> tabs[] = {{kListPage, "ListPage"},
                                                {kGeometryPage, "GeometryPage"},
                                                {kAnnotationPage, "AnnotationPage"}};
    QWidget* page[3] = {};
    for (int i = 0; i < 3; ++i) {
        page[i] = new QWidget;
        page[i]->setObjectName(name(tabs[i].second));
        pages->addTab(page[i], engineText(tabs[i].first));
    }
    geometryPage_ = page[1];
    annotationPage_ = page[2];
    buildListPage(page[0]);
    buildGeometryPage(page[1]);
    buildAnnotationPage(page[2]);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = box->button(QDialogButtonBox::Ok);
    QPushButton* cancel = box->button(QDialogButtonBox::Cancel);
    ok->setText(engineText(kOk));
    cancel->setText(engineText(kCancel));
    ok->setObjectName(name("Ok"));
    cancel->setObjectName(name("Cancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The print scale belongs to the drawing, not to a style: below the pages.
    printScale_ = new QLineEdit(printScaleFieldText(printScaleGiven_));
    printScale_->setObjectName(name("PrintScale"));
    printScale_->setToolTip(engineText(kNotAScale));
    auto* scaleRow = new QFormLayout;
    scaleRow->addRow(engineText(kPrintScale), printScale_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(scaleRow);
    layout->addWidget(box);

    fillList();
    list_->setCurrentRow(styles_.empty() ? -1 : 0);
    showStyle();
}

void DimensionStyleDialog::buildListPage(QWidget* page) {
    list_ = new QListWidget;
    list_->setObjectName(name("List"));
    list_->setMinimumWidth(220);
    name_ = new QLineEdit;
    name_->setObjectName(name("Name"));
    auto* add = button(engineText(kAdd), "Add");
    auto* remove = delete_ = button(engineText(kDelete), "Delete");

    auto* form = new QFormLayout;
    form->addRow(engineText(kName), name_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(page);
    auto* header = new QLabel(engineText(kNameColumn));
    layout->addWidget(header);
    layout->addWidget(list_, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { showStyle(); });
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](DimensionStyle& s) { s.name = toEngineText(text.trimmed()); });
        if (QListWidgetItem* item = list_->currentItem())
            item->setText(text.trimmed());
    });
    connect(add, &QPushButton::clicked, this, [this] { addStyle(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteStyle(); });
}

void DimensionStyleDialog::buildGeometryPage(QWidget* page) {
    lineInside_ = checkBox(kLineInside, "LineInside");
    bind(lineInside_, &DimensionStyle::showLineInside);

    arrowhead_ = new QComboBox;
    arrowhead_->setObjectName(name("Arrowhead"));
    for (int i = 0; i < kArrowheadCount; ++i) {
        const auto kind = static_cast<Arrowhead>(i);
        arrowhead_->addItem(arrowIcon(kind),
                            engineText(kind == Arrowhead::None ? kNone : kFirstArrowhead + i));
    }
    arrowhead_->setIconSize(QSize(40, 16));
    connect(arrowhead_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            edit([i](DimensionStyle& s) { s.arrowhead = static_cast<Arrowhead>(i); });
    });
    arrowLength_ = sizeBox("ArrowLength");
    bind(arrowLength_, &DimensionStyle::arrowLength);
    arrowHeight_ = sizeBox("ArrowHeight");
    bind(arrowHeight_, &DimensionStyle::arrowHeight);
    auto* arrows = new QGroupBox(engineText(kArrowhead));
    auto* arrowForm = new QFormLayout(arrows);
    arrowForm->addRow(engineText(kArrowType), arrowhead_);
    arrowForm->addRow(engineText(kArrowLength), arrowLength_);
    arrowForm->addRow(engineText(kArrowHeight), arrowHeight_);

    extensionOffset_ = numberBox("ExtensionOffset", -1000, 1000, 2, 0.5, QStringLiteral(" mm"));
    bind(extensionOffset_, &DimensionStyle::extensionOffset);
    extensionBeyond_ = numberBox("ExtensionBeyond", -1000, 1000, 2, 0.5, QStringLiteral(" mm"));
    bind(extensionBeyond_, &DimensionStyle::extensionBeyond);
    auto* extensions = new QGroupBox(engineText(kExtensionLines));
    auto* extensionForm = new QFormLayout(extensions);
    extensionForm->addRow(engineText(kExtensionOffset), extensionOffset_);
    extensionForm->addRow(engineText(kExtensionBeyond), extensionBeyond_);

    ownColors_ = checkBox(kOwnColors, "OwnColors");
    lineColor_ = button(QString(), "LineColor");
    extensionColor_ = button(QString(), "ExtensionColor");
    textColor_ = button(QString(), "TextColor");
    connect(ownColors_, &QCheckBox::toggled, this, [this](bool on) {
        edit([on](DimensionStyle& s) { s.ownColors = on; });
        for (QPushButton* b : {lineColor_, extensionColor_, textColor_})
            b->setEnabled(on);
    });
    connect(lineColor_, &QPushButton::clicked, this,
            [this] { pickColor(lineColor_, &DimensionStyle::dimensionLineColor); });
    connect(extensionColor_, &QPushButton::clicked, this,
            [this] { pickColor(extensionColor_, &DimensionStyle::extensionLineColor); });
    connect(textColor_, &QPushButton::clicked, this,
            [this] { pickColor(textColor_, &DimensionStyle::textColor); });
    auto* colors = new QGroupBox(engineText(kColors));
    auto* colorForm = new QFormLayout(colors);
    colorForm->addRow(ownColors_);
    colorForm->addRow(engineText(kLineColor), lineColor_);
    colorForm->addRow(engineText(kExtensionColor), extensionColor_);
    colorForm->addRow(engineText(kTextColor), textColor_);

    centre_ = new QButtonGroup(this);
    auto* centre = new QGroupBox(engineText(kCentre));
    auto* centreRow = new QHBoxLayout;
    centreRow->addWidget(radio(centre_, kCentreMark, "CentreMark", int(CentreMark::Mark)));
    centreRow->addWidget(radio(centre_, kCentreLines, "CentreLines", int(CentreMark::Line)));
    centreRow->addWidget(radio(centre_, kNone, "CentreNone", int(CentreMark::None)));
    connect(centre_, &QButtonGroup::idClicked, this,
            [this](int id) { edit([id](DimensionStyle& s) { s.centreMark = CentreMark(id); }); });
    centreSize_ = sizeBox("CentreSize");
    bind(centreSize_, &DimensionStyle::centreMarkSize);
    auto* centreForm = new QFormLayout(centre);
    centreForm->addRow(centreRow);
    centreForm->addRow(engineText(kCentreSize), centreSize_);

    auto* left = new QVBoxLayout;
    left->addWidget(arrows);
    left->addWidget(extensions);
    left->addWidget(lineInside_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(colors);
    right->addWidget(centre);
    right->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right);
}

void DimensionStyleDialog::buildAnnotationPage(QWidget* page) {
    contents_ = new QLineEdit;
    contents_->setObjectName(name("Contents"));
    connect(contents_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](DimensionStyle& s) { s.contents = toEngineText(text); });
    });
    textStyle_ = new QComboBox;
    textStyle_->setObjectName(name("TextStyle"));
    for (const std::string& n : textStyles_)
        textStyle_->addItem(fromEngineText(n));
    connect(textStyle_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            edit([i](DimensionStyle& s) { s.textStyle = i; });
    });
    textHeight_ = sizeBox("TextHeight");
    bind(textHeight_, &DimensionStyle::textHeight);
    gap_ = sizeBox("Gap");
    bind(gap_, &DimensionStyle::textGap);

    placement_ = new QButtonGroup(this);
    auto* placement = new QGroupBox(engineText(kPlacement));
    auto* placementRow = new QHBoxLayout(placement);
    placementRow->addWidget(radio(placement_, kAbove, "Above", int(TextPlacement::Above)));
    placementRow->addWidget(radio(placement_, kCentred, "Centred", int(TextPlacement::Centred)));
    placementRow->addWidget(radio(placement_, kBelow, "Below", int(TextPlacement::Below)));
    connect(placement_, &QButtonGroup::idClicked, this,
            [this](int id) { edit([id](DimensionStyle& s) { s.placement = TextPlacement(id); }); });

    decimals_ = new QSpinBox;
    decimals_->setObjectName(name("Decimals"));
    decimals_->setRange(0, 8);
    connect(decimals_, &QSpinBox::valueChanged, this,
            [this](int v) { edit([v](DimensionStyle& s) { s.decimals = v; }); });
    separator_ = new QComboBox;
    separator_->setObjectName(name("Separator"));
    separator_->addItems({QStringLiteral(","), QStringLiteral(".")});
    connect(separator_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            edit([i](DimensionStyle& s) { s.decimalSeparator = i == 0 ? ',' : '.'; });
    });
    scaleValue_ = numberBox("ScaleValue", 0.000001, 1e9, 6, 1);
    bind(scaleValue_, &DimensionStyle::scaleValue);
    roundOff_ = numberBox("RoundOff", 0, 1e6, 4, 0.01);
    bind(roundOff_, &DimensionStyle::roundOff);

    toleranceUpper_ = numberBox("ToleranceUpper", -1e6, 1e6, 4, 0.01);
    bind(toleranceUpper_, &DimensionStyle::toleranceUpper);
    toleranceLower_ = numberBox("ToleranceLower", -1e6, 1e6, 4, 0.01);
    bind(toleranceLower_, &DimensionStyle::toleranceLower);
    auto* tolerance = new QGroupBox(engineText(kTolerance));
    auto* toleranceForm = new QFormLayout(tolerance);
    toleranceForm->addRow(engineText(kUpper), toleranceUpper_);
    toleranceForm->addRow(engineText(kLower), toleranceLower_);

    horizontalText_ = checkBox(kHorizontalText, "HorizontalText");
    bind(horizontalText_, &DimensionStyle::horizontalText);
    perpendicular_ = checkBox(kPerpendicular, "Perpendicular");
    bind(perpendicular_, &DimensionStyle::perpendicularToArc);
    frame_ = checkBox(kFrame, "Frame");
    bind(frame_, &DimensionStyle::frame);
    suppressZeros_ = checkBox(kSuppressZeros, "SuppressZeros");
    bind(suppressZeros_, &DimensionStyle::suppressTrailingZeros);

    auto* text = new QFormLayout;
    text->addRow(engineText(kContents), contents_);
    text->addRow(engineText(kTextStyle), textStyle_);
    text->addRow(engineText(kTextHeight), textHeight_);
    text->addRow(engineText(kGap), gap_);
    auto* numbers = new QFormLayout;
    numbers->addRow(engineText(kDecimals), decimals_);
    numbers->addRow(engineText(kSeparator), separator_);
    numbers->addRow(engineText(kScaleValue), scaleValue_);
    numbers->addRow(engineText(kRoundOff), roundOff_);

    auto* left = new QVBoxLayout;
    left->addLayout(text);
    left->addWidget(placement);
    for (QCheckBox* box : {horizontalText_, perpendicular_, frame_})
        left->addWidget(box);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addLayout(numbers);
    right->addWidget(suppressZeros_);
    right->addWidget(tolerance);
    right->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right);
}

void DimensionStyleDialog::edit(const std::function<void(DimensionStyle&)>& change) {
    if (filling_)
        return;
    if (DimensionStyle* s = selected())
        change(*s);
}

void DimensionStyleDialog::bind(QDoubleSpinBox* box, double DimensionStyle::*member) {
    connect(box, &QDoubleSpinBox::valueChanged, this,
            [this, member](double v) { edit([&](DimensionStyle& s) { s.*member = v; }); });
}

void DimensionStyleDialog::bind(QCheckBox* box, bool DimensionStyle::*member) {
    connect(box, &QCheckBox::toggled, this,
            [this, member](bool on) { edit([&](DimensionStyle& s) { s.*member = on; }); });
}

int DimensionStyleDialog::selectedRow() const {
    const int r = list_->currentRow();
    return r >= 0 && r < static_cast<int>(styles_.size()) ? r : -1;
}

DimensionStyle* DimensionStyleDialog::selected() {
    const int r = selectedRow();
    return r >= 0 ? &styles_[static_cast<std::size_t>(r)] : nullptr;
}

void DimensionStyleDialog::fillList() {
    filling_ = true;
    list_->clear();
    for (const DimensionStyle& s : styles_)
        list_->addItem(fromEngineText(s.name));
    filling_ = false;
}

void DimensionStyleDialog::showStyle() {
    if (filling_)
        return;
    const DimensionStyle* s = selected();
    filling_ = true;
    for (QWidget* w : {static_cast<QWidget*>(name_), static_cast<QWidget*>(delete_), geometryPage_,
                       annotationPage_})
        w->setEnabled(s != nullptr);
    if (s) {
        name_->setText(fromEngineText(s->name));
        lineInside_->setChecked(s->showLineInside);
        arrowhead_->setCurrentIndex(static_cast<int>(s->arrowhead));
        arrowLength_->setValue(s->arrowLength);
        arrowHeight_->setValue(s->arrowHeight);
        extensionOffset_->setValue(s->extensionOffset);
        extensionBeyond_->setValue(s->extensionBeyond);
        ownColors_->setChecked(s->ownColors);
        paintSwatch(lineColor_, s->dimensionLineColor);
        paintSwatch(extensionColor_, s->extensionLineColor);
        paintSwatch(textColor_, s->textColor);
        for (QPushButton* b : {lineColor_, extensionColor_, textColor_})
            b->setEnabled(s->ownColors);
        if (QAbstractButton* b = centre_->button(static_cast<int>(s->centreMark)))
            b->setChecked(true);
        centreSize_->setValue(s->centreMarkSize);
        contents_->setText(fromEngineText(s->contents));
        textStyle_->setCurrentIndex(
            s->textStyle >= 0 && s->textStyle < textStyle_->count() ? s->textStyle : -1);
        if (QAbstractButton* b = placement_->button(static_cast<int>(s->placement)))
            b->setChecked(true);
        textHeight_->setValue(s->textHeight);
        gap_->setValue(s->textGap);
        decimals_->setValue(s->decimals);
        separator_->setCurrentIndex(s->decimalSeparator == '.' ? 1 : 0);
        scaleValue_->setValue(s->scaleValue);
        roundOff_->setValue(s->roundOff);
        toleranceUpper_->setValue(s->toleranceUpper);
        toleranceLower_->setValue(s->toleranceLower);
        horizontalText_->setChecked(s->horizontalText);
        perpendicular_->setChecked(s->perpendicularToArc);
        frame_->setChecked(s->frame);
        suppressZeros_->setChecked(s->suppressTrailingZeros);
    } else {
        name_->clear();
    }
    filling_ = false;
}

void DimensionStyleDialog::pickColor(QPushButton* b, std::uint32_t DimensionStyle::*color) {
    DimensionStyle* s = selected();
    if (!s)
        return;
    const QColor chosen = chooseColor(toQColor(s->*color), this);
    if (!chosen.isValid())
        return;
    s->*color = toWindowsColor(chosen);
    paintSwatch(b, s->*color);
}

void DimensionStyleDialog::addStyle() {
    // A copy of the chosen style (or of a style as new) under a name of its own.
    DimensionStyle style = selected() ? *selected() : DimensionStyle{};
    const std::string base = style.name;
    for (int n = 2;; ++n) {
        style.name = base + ' ' + std::to_string(n);
        if (std::none_of(styles_.begin(), styles_.end(),
                         [&](const DimensionStyle& s) { return s.name == style.name; }))
            break;
    }
    styles_.push_back(style);
    original_.push_back(-1);
    fillList();
    list_->setCurrentRow(static_cast<int>(styles_.size()) - 1);
    name_->setFocus();
    name_->selectAll();
}

void DimensionStyleDialog::deleteStyle() {
    const int r = selectedRow();
    if (r < 0)
        return;
    if (styles_.size() <= 1) {
        refuse(kLastStyle);
        return;
    }
    const int original = original_[static_cast<std::size_t>(r)];
    if (original >= 0 && used_ && used_(original)) {
        refuse(kStyleUsed);
        return;
    }
    styles_.erase(styles_.begin() + r);
    original_.erase(original_.begin() + r);
    fillList();
    list_->setCurrentRow(std::min(r, static_cast<int>(styles_.size()) - 1));
    showStyle();
}

void DimensionStyleDialog::refuse(int textNumber, std::initializer_list<std::string> values) {
    std::string text = engine().text(textNumber);
    if (values.size() > 0)
        text = formatText(text, {*values.begin()});
    engine().responder()->tell(toEngineText(windowTitle()), text, true);
}

std::vector<int> DimensionStyleDialog::oldToNew() const {
    std::vector<int> map(given_, -1);
    for (std::size_t i = 0; i < original_.size(); ++i)
        if (original_[i] >= 0)
            map[static_cast<std::size_t>(original_[i])] = static_cast<int>(i);
    return map;
}

void DimensionStyleDialog::setPrintScale(double scale) {
    if (!(scale > 0) || !std::isfinite(scale))
        return;
    printScaleGiven_ = scale;
    printScale_->setText(printScaleFieldText(scale));
}

double DimensionStyleDialog::printScale() const {
    return parsePrintScaleField(printScale_->text()).value_or(printScaleGiven_);
}

void DimensionStyleDialog::accept() {
    if (!parsePrintScaleField(printScale_->text())) {
        refuse(kNotAScale);
        printScale_->setFocus();
        printScale_->selectAll();
        return;
    }
    std::set<std::string> names;
    for (std::size_t i = 0; i < styles_.size(); ++i) {
        const std::string& n = styles_[i].name;
        if (n.empty() || !names.insert(n).second) {
            list_->setCurrentRow(static_cast<int>(i));
            if (n.empty())
                refuse(kNoName);
            else
                refuse(kNameTaken, {n});
            return;
        }
    }
    QDialog::accept();
}

} // namespace cad
