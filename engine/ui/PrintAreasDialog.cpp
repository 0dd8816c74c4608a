#include "engine/ui/PrintAreasDialog.h"

#include "engine/Engine.h"
#include "engine/commands/PrintAreaCommands.h"
#include "engine/edit/Operations.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"
#include "engine/view/SheetOverlay.h"
#include "engine/view/TypedCoordinates.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

namespace {

// Texts of the dialog.
constexpr int kTitle = 16201, kFinish = 16202, kAdd = 16203, kRemove = 16204, kApplyAll = 16205,
              kMove = 16206, kFrameColour = 16207, kShow = 16208, kCentreX = 16209,
              kCentreY = 16210, kSizeColumn = 16211, kAngleColumn = 16212, kCentre = 16213,
              kParameters = 16214, kWidth = 16215, kHeight = 16216, kAngle = 16217,
              kAutomatic = 16218, kRemoveAll = 16219, kSizeMissing = 16220, kNumber = 16221,
              kCustomPaper = 16222, kOverlap = 16223, kPercent = 16224, kMetres = 16225,
              kAlongAxis = 16226, kGridExtents = 16227, kGridWindow = 16228, kStart = 16229,
              kEnd = 16230, kAppend = 16231, kNoAxis = 16236, kBadChainage = 16237,
              kAreasName = 16238, kPrintSheets = 16240, kNothingDivided = 16251,
              kCustomSize = 16252, kPaperSize = 16014, kOrientation = 11410, kLandscape = 16027,
              kPortrait = 16028, kMargins = 16023, kScale = 16020, kScaleForm = 16033, kOk = 11201,
              kCancel = 11202;
// The paper sizes as the list offers them, A4 to A0, then the custom size.
constexpr int kPaperTexts[] = {19406, 19405, 19404, 19403, 19402, kCustomPaper};

QPointer<PrintAreasDialog>& theDialog() {
    static QPointer<PrintAreasDialog> dialog;
    return dialog;
}

QString number(double v, int decimals = 3) {
    return QString::fromStdString(formatNumber(v, decimals));
}

QLineEdit* field(const char* name) {
    auto* f = new QLineEdit;
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

QPushButton* button(int text, const char* name) {
    auto* b = new QPushButton(engineText(text));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QDoubleSpinBox* spin(const char* name, double low, double high, int decimals) {
    auto* s = new QDoubleSpinBox;
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(low, high);
    s->setDecimals(decimals);
    return s;
}

QIcon swatch(std::uint32_t colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(toQColor(colour));
    return QIcon(pixmap);
}

std::uint32_t windowsColour(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}

DrawingWindow* drawingWindow() {
    return DrawingWindow::current();
}

} // namespace

// ---- "Automatyczny podział"

AutoDivisionDialog::AutoDivisionDialog(const AutoDivision& initial, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("cadAutoDivision"));
    setWindowTitle(engineText(kAutomatic));
    axis_ = new QRadioButton(engineText(kAlongAxis));
    axis_->setObjectName(QStringLiteral("cadDivideAlongAxis"));
    extents_ = new QRadioButton(engineText(kGridExtents));
    extents_->setObjectName(QStringLiteral("cadDivideGrid"));
    window_ = new QRadioButton(engineText(kGridWindow));
    window_->setObjectName(QStringLiteral("cadDivideGridWindow"));
    switch (initial.mode) {
    case AutoDivision::Mode::Axis:
        axis_->setChecked(true);
        break;
    case AutoDivision::Mode::Extents:
        extents_->setChecked(true);
        break;
    case AutoDivision::Mode::Window:
        window_->setChecked(true);
        break;
    }
    overlap_ = spin("cadDivideOverlap", 0, 1e9, 2);
    overlap_->setValue(initial.overlap.value);
    overlapUnit_ = new QComboBox;
    overlapUnit_->setObjectName(QStringLiteral("cadDivideOverlapUnit"));
    overlapUnit_->addItem(engineText(kPercent));
    overlapUnit_->addItem(engineText(kMetres));
    overlapUnit_->setCurrentIndex(initial.overlap.percent ? 0 : 1);
    start_ = field("cadDivideStart");
    start_->setText(initial.start);
    end_ = field("cadDivideEnd");
    end_->setText(initial.end);
    append_ = new QCheckBox(engineText(kAppend));
    append_->setObjectName(QStringLiteral("cadDivideAppend"));
    append_->setChecked(initial.append);

    auto* overlapRow = new QHBoxLayout;
    overlapRow->addWidget(overlap_);
    overlapRow->addWidget(overlapUnit_);
    auto* form = new QFormLayout;
    form->addRow(axis_);
    form->addRow(engineText(kStart), start_);
    form->addRow(engineText(kEnd), end_);
    form->addRow(extents_);
    form->addRow(window_);
    form->addRow(engineText(kOverlap), overlapRow);
    form->addRow(append_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cadDivideOk"));
    box->button(QDialogButtonBox::Ok)->setText(engineText(kOk));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(kCancel));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    const auto follow = [this] {
        start_->setEnabled(axis_->isChecked());
        end_->setEnabled(axis_->isChecked());
    };
    connect(axis_, &QRadioButton::toggled, this, follow);
    follow();
}

AutoDivision AutoDivisionDialog::division() const {
    AutoDivision d;
    d.mode = axis_->isChecked()      ? AutoDivision::Mode::Axis
             : extents_->isChecked() ? AutoDivision::Mode::Extents
                                     : AutoDivision::Mode::Window;
    d.overlap = Overlap{overlap_->value(), overlapUnit_->currentIndex() == 0};
    d.start = start_->text().trimmed();
    d.end = end_->text().trimmed();
    d.append = append_->isChecked();
    return d;
}

void AutoDivisionDialog::accept() {
    if (axis_->isChecked())
        for (QLineEdit* f : {start_, end_})
            if (!f->text().trimmed().isEmpty() &&
                !parseChainage(f->text().trimmed().toStdString())) {
                engine().responder()->tell(engine().text(kAutomatic), engine().text(kBadChainage),
                                           true);
                f->setFocus();
                f->selectAll();
                return;
            }
    QDialog::accept();
}

// ---- the dialog of the areas

PrintAreasDialog::PrintAreasDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadPrintAreas"));
    setWindowTitle(engineText(kTitle));
    setModal(false);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("cadAreasList"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({engineText(kNumber), engineText(kCentreX), engineText(kCentreY),
                            engineText(kSizeColumn), engineText(kAngleColumn)});
    list_->header()->setStretchLastSection(true);
    list_->setMinimumWidth(420);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            showPicked();
    });

    auto* add = button(kAdd, "cadAreaAdd");
    auto* remove = button(kRemove, "cadAreaRemove");
    auto* move = button(kMove, "cadAreaMove");
    auto* applyAll = button(kApplyAll, "cadAreaApplyAll");
    auto* automatic = button(kAutomatic, "cadAreaAutomatic");
    auto* print = button(kPrintSheets, "cadAreaPrint");
    connect(add, &QPushButton::clicked, this, [this] { addArea(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeAreas(); });
    connect(move, &QPushButton::clicked, this, [this] { moveArea(); });
    connect(applyAll, &QPushButton::clicked, this, [this] { applyToAll(); });
    connect(automatic, &QPushButton::clicked, this, [this] { automaticDivision(); });
    connect(print, &QPushButton::clicked, this, [] { cadExecute(CAD_CMD_PRINT_SHEETS); });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, move, applyAll, automatic, print})
        buttons->addWidget(b);
    buttons->addStretch();

    // The picked area's centre, size and angle; the size and angle of new areas.
    x_ = field("cadAreaX");
    y_ = field("cadAreaY");
    width_ = field("cadAreaWidth");
    height_ = field("cadAreaHeight");
    angle_ = field("cadAreaAngle");
    for (QLineEdit* f : {x_, y_, width_, height_, angle_})
        connect(f, &QLineEdit::editingFinished, this, [this, f] { fieldEdited(f); });
    auto* centre = new QGroupBox(engineText(kCentre));
    auto* centreForm = new QFormLayout(centre);
    centreForm->addRow(engineText(kCentreX), x_);
    centreForm->addRow(engineText(kCentreY), y_);
    auto* size = new QGroupBox(engineText(kSizeColumn));
    auto* sizeForm = new QFormLayout(size);
    sizeForm->addRow(engineText(kWidth), width_);
    sizeForm->addRow(engineText(kHeight), height_);
    auto* turn = new QGroupBox(engineText(kAngleColumn));
    auto* turnForm = new QFormLayout(turn);
    turnForm->addRow(engineText(kAngle), angle_);
    auto* fields = new QHBoxLayout;
    fields->addWidget(centre);
    fields->addWidget(size);
    fields->addWidget(turn);

    // The paper, margins and scale that give the size of a sheet's area.
    paper_ = new QComboBox;
    paper_->setObjectName(QStringLiteral("cadAreaPaper"));
    for (const int text : kPaperTexts)
        paper_->addItem(engineText(text));
    paperWidth_ = spin("cadAreaPaperWidth", 0, 10000, 1);
    paperHeight_ = spin("cadAreaPaperHeight", 0, 10000, 1);
    portrait_ = new QRadioButton(engineText(kPortrait));
    portrait_->setObjectName(QStringLiteral("cadAreaPortrait"));
    landscape_ = new QRadioButton(engineText(kLandscape));
    landscape_->setObjectName(QStringLiteral("cadAreaLandscape"));
    auto* orientation = new QButtonGroup(this);
    orientation->addButton(portrait_);
    orientation->addButton(landscape_);
    margin_ = spin("cadAreaMargin", 0, 200, 1);
    margin_->setSuffix(QStringLiteral(" mm"));
    scale_ = field("cadAreaScale");
    scale_->setToolTip(engineText(kScaleForm));
    auto* customRow = new QHBoxLayout;
    customRow->addWidget(paperWidth_);
    customRow->addWidget(new QLabel(QStringLiteral("x")));
    customRow->addWidget(paperHeight_);
    auto* orientationRow = new QHBoxLayout;
    orientationRow->addWidget(portrait_);
    orientationRow->addWidget(landscape_);
    auto* parameters = new QGroupBox(engineText(kParameters));
    auto* parametersForm = new QFormLayout(parameters);
    parametersForm->addRow(engineText(kPaperSize), paper_);
    parametersForm->addRow(engineText(kCustomSize), customRow);
    parametersForm->addRow(engineText(kOrientation), orientationRow);
    parametersForm->addRow(engineText(kMargins), margin_);
    parametersForm->addRow(engineText(kScale), scale_);
    connect(paper_, &QComboBox::currentIndexChanged, this, [this] { paperChanged(); });
    for (QDoubleSpinBox* s : {paperWidth_, paperHeight_, margin_})
        connect(s, &QDoubleSpinBox::valueChanged, this, [this] { paperChanged(); });
    connect(landscape_, &QRadioButton::toggled, this, [this] { paperChanged(); });
    connect(scale_, &QLineEdit::editingFinished, this, [this] { paperChanged(); });

    // How the areas are shown, and the end.
    frameColor_ = button(kFrameColour, "cadAreaFrameColour");
    connect(frameColor_, &QPushButton::clicked, this, [this] { chooseFrameColor(); });
    shown_ = new QCheckBox(engineText(kShow));
    shown_->setObjectName(QStringLiteral("cadAreaShow"));
    connect(shown_, &QCheckBox::toggled, this, [this](bool on) {
        Document* d = document();
        if (filling_ || !d)
            return;
        d->changeSettings([on](DrawingSettings& s) { s.sheets.shown = on; });
        engine().redrawArea(*d, Rect{});
    });
    auto* finish = button(kFinish, "cadAreaFinish");
    connect(finish, &QPushButton::clicked, this, [this] { close(); });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(frameColor_);
    bottom->addWidget(shown_);
    bottom->addStretch();
    bottom->addWidget(finish);

    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(fields);
    layout->addWidget(parameters);
    layout->addLayout(bottom);

    observer_ = engine().addObserver([this] { refresh(); });
    refresh();
}

PrintAreasDialog::~PrintAreasDialog() {
    engine().removeObserver(observer_);
    setAreasPicked(document_, {});
}

PrintAreasDialog* PrintAreasDialog::open(QWidget* parent) {
    QPointer<PrintAreasDialog>& dialog = theDialog();
    if (dialog && dialog->parentWidget() != parent)
        delete dialog;
    if (!dialog)
        dialog = new PrintAreasDialog(parent);
    dialog->refresh();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

PrintAreasDialog* PrintAreasDialog::current() {
    return theDialog();
}

Document* PrintAreasDialog::document() const {
    return engine().active();
}

void PrintAreasDialog::closeEvent(QCloseEvent* event) {
    setAreasPicked(document_, {});
    if (Document* d = document())
        engine().redrawArea(*d, Rect{});
    QDialog::closeEvent(event);
}

std::vector<int> PrintAreasDialog::pickedAreas() const {
    std::vector<int> rows;
    for (const QTreeWidgetItem* item : list_->selectedItems())
        rows.push_back(list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PrintAreasDialog::refresh() {
    Document* d = document();
    const int handle = d ? d->handle : 0;
    const bool other = handle != document_;
    if (other) {
        setAreasPicked(document_, {});
        document_ = handle;
        listed_.clear();
        filling_ = true;
        list_->clear();
        filling_ = false;
    }
    for (QWidget* w : findChildren<QWidget*>())
        if (w != this && w->objectName() != QLatin1String("cadAreaFinish") &&
            w->objectName().startsWith(QLatin1String("cadArea")))
            w->setEnabled(d != nullptr);
    if (!d)
        return;
    if (other || d->drawing().settings.sheets != settingsShown_)
        showPaper();
    if (other || d->drawing().printAreas != listed_)
        fillList();
}

void PrintAreasDialog::fillList() {
    const Document* d = document();
    if (!d)
        return;
    const std::vector<PrintArea>& areas = d->drawing().printAreas;
    std::vector<int> keep = pickedAreas();
    keep.erase(std::remove_if(keep.begin(), keep.end(),
                              [&](int i) { return static_cast<std::size_t>(i) >= areas.size(); }),
               keep.end());
    filling_ = true;
    list_->clear();
    QList<QTreeWidgetItem*> items;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const PrintArea& a = areas[i];
        items << new QTreeWidgetItem(QStringList{
            QString::number(i + 1), number(a.centre.x), number(a.centre.y),
            number(a.width) + QStringLiteral(" x ") + number(a.height), number(a.angleDegrees)});
    }
    list_->addTopLevelItems(items);
    for (const int i : keep)
        list_->topLevelItem(i)->setSelected(true);
    filling_ = false;
    listed_ = areas;
    showPicked();
}

void PrintAreasDialog::showPicked() {
    Document* d = document();
    if (!d)
        return;
    const std::vector<int> picked = pickedAreas();
    setAreasPicked(d->handle, picked);
    engine().redrawArea(*d, Rect{});
    const bool was = filling_;
    filling_ = true;
    const auto& areas = d->drawing().printAreas;
    if (!picked.empty() && static_cast<std::size_t>(picked.front()) < areas.size()) {
        const PrintArea& a = areas[static_cast<std::size_t>(picked.front())];
        x_->setText(number(a.centre.x));
        y_->setText(number(a.centre.y));
        width_->setText(number(a.width));
        height_->setText(number(a.height));
        angle_->setText(number(a.angleDegrees));
    } else {
        // What new areas get: the size of a sheet, the angle as it was.
        x_->clear();
        y_->clear();
        if (const auto size = sheetSizeOf(d->drawing())) {
            width_->setText(number(size->width));
            height_->setText(number(size->height));
        } else {
            width_->clear();
            height_->clear();
        }
        if (angle_->text().trimmed().isEmpty())
            angle_->setText(number(0));
    }
    for (QLineEdit* f : {x_, y_, width_, height_, angle_})
        f->setModified(false);
    filling_ = was;
}

void PrintAreasDialog::showPaper() {
    const Document* d = document();
    if (!d)
        return;
    const SheetSettings& s = d->drawing().settings.sheets;
    filling_ = true;
    paper_->setCurrentIndex(static_cast<int>(s.paper.size));
    paperWidth_->setValue(s.paper.customWidthMm);
    paperHeight_->setValue(s.paper.customHeightMm);
    paperWidth_->setEnabled(s.paper.size == PaperSize::Custom);
    paperHeight_->setEnabled(s.paper.size == PaperSize::Custom);
    (s.paper.landscape ? landscape_ : portrait_)->setChecked(true);
    margin_->setValue(s.paper.marginLeftMm);
    scale_->setText(scaleText(s.scale));
    shown_->setChecked(s.shown);
    frameColor_->setIcon(swatch(s.frameColor));
    filling_ = false;
    settingsShown_ = s;
    showPicked();
}

void PrintAreasDialog::paperChanged() {
    Document* d = document();
    if (filling_ || !d)
        return;
    SheetSettings s = d->drawing().settings.sheets;
    s.paper.size = static_cast<PaperSize>(std::clamp(paper_->currentIndex(), 0, 5));
    s.paper.customWidthMm = paperWidth_->value();
    s.paper.customHeightMm = paperHeight_->value();
    s.paper.landscape = landscape_->isChecked();
    const double m = margin_->value();
    s.paper.marginLeftMm = s.paper.marginBottomMm = s.paper.marginRightMm = s.paper.marginTopMm = m;
    if (const auto scale = parseScale(scale_->text()))
        s.scale = *scale;
    else
        scale_->setText(scaleText(s.scale));
    d->changeSettings([&s](DrawingSettings& settings) { settings.sheets = s; });
    showPaper();
    // The size of new areas is what a sheet of that paper shows.
    if (!pickedAreas().empty()) {
        filling_ = true;
        if (const auto size = sheetSizeOf(d->drawing())) {
            width_->setText(number(size->width));
            height_->setText(number(size->height));
        } else {
            width_->clear();
            height_->clear();
        }
        filling_ = false;
    }
}

std::optional<AreaSize> PrintAreasDialog::typedSize() {
    const auto w = parseTypedValue(width_->text().trimmed().toStdString());
    const auto h = parseTypedValue(height_->text().trimmed().toStdString());
    if (!w || !h || !(*w > 0) || !(*h > 0)) {
        engine().responder()->tell(engine().text(kTitle), engine().text(kSizeMissing), true);
        (w && *w > 0 ? height_ : width_)->setFocus();
        return std::nullopt;
    }
    return AreaSize{*w, *h};
}

std::optional<double> PrintAreasDialog::typedAngle() const {
    return parseTypedValue(angle_->text().trimmed().toStdString());
}

void PrintAreasDialog::fieldEdited(QLineEdit* f) {
    Document* d = document();
    if (filling_ || !d || !f->isModified())
        return;
    f->setModified(false);
    const std::vector<int> picked = pickedAreas();
    if (picked.empty())
        return; // a value for new areas
    const auto i = static_cast<std::size_t>(picked.front());
    if (i >= d->drawing().printAreas.size())
        return;
    const auto value = parseTypedValue(f->text().trimmed().toStdString());
    const bool size = f == width_ || f == height_;
    if (!value || (size && !(*value > 0))) {
        if (size)
            engine().responder()->tell(engine().text(kTitle), engine().text(kSizeMissing), true);
        showPicked();
        return;
    }
    PrintArea a = d->drawing().printAreas[i];
    (f == x_        ? a.centre.x
     : f == y_      ? a.centre.y
     : f == width_  ? a.width
     : f == height_ ? a.height
                    : a.angleDegrees) = *value;
    a.angleDegrees = normalisedDegrees(a.angleDegrees);
    if (a == d->drawing().printAreas[i])
        return;
    changePrintAreas(*d, [&](DrawingWriter& w) { w.printArea(i) = a; });
}

void PrintAreasDialog::addArea() {
    Document* d = document();
    DrawingWindow* window = drawingWindow();
    if (!d || !window)
        return;
    const auto size = typedSize();
    if (!size)
        return;
    QPointer<PrintAreasDialog> self(this);
    window->startCommand(
        placeAreaCommand(*d, *size, typedAngle().value_or(0), [self, d](const PrintArea& area) {
            int added = -1;
            changePrintAreas(*d, [&](DrawingWriter& w) { added = w.addPrintArea(area); });
            if (!self || added < 0)
                return;
            self->list_->clearSelection();
            if (QTreeWidgetItem* item = self->list_->topLevelItem(added))
                item->setSelected(true);
        }));
}

void PrintAreasDialog::removeAreas() {
    Document* d = document();
    const std::vector<int> picked = pickedAreas();
    if (!d || picked.empty())
        return;
    const std::vector<PrintArea>& areas = d->drawing().printAreas;
    if (picked.size() == areas.size() &&
        engine().responder()->ask(engine().text(kTitle), engine().text(kRemoveAll), false) !=
            CAD_ASK_YES)
        return;
    std::vector<PrintArea> kept;
    for (std::size_t i = 0; i < areas.size(); ++i)
        if (!std::binary_search(picked.begin(), picked.end(), static_cast<int>(i)))
            kept.push_back(areas[i]);
    list_->clearSelection();
    changePrintAreas(*d, [&](DrawingWriter& w) { w.setPrintAreas(std::move(kept)); });
}

void PrintAreasDialog::moveArea() {
    Document* d = document();
    DrawingWindow* window = drawingWindow();
    const std::vector<int> picked = pickedAreas();
    if (!d || !window || picked.empty())
        return;
    const auto i = static_cast<std::size_t>(picked.front());
    if (i >= d->drawing().printAreas.size())
        return;
    const PrintArea before = d->drawing().printAreas[i];
    window->startCommand(moveAreaCommand(*d, before, [d, i, before](const PrintArea& moved) {
        // The area may have changed meanwhile (an undo): only the one picked moves.
        const auto& areas = d->drawing().printAreas;
        if (i < areas.size() && areas[i] == before)
            changePrintAreas(*d, [&](DrawingWriter& w) { w.printArea(i) = moved; });
    }));
}

void PrintAreasDialog::applyToAll() {
    Document* d = document();
    if (!d || d->drawing().printAreas.empty())
        return;
    const auto size = typedSize();
    if (!size)
        return;
    const auto angle = typedAngle();
    std::vector<PrintArea> areas = d->drawing().printAreas;
    for (PrintArea& a : areas) {
        a.width = size->width;
        a.height = size->height;
        if (angle)
            a.angleDegrees = normalisedDegrees(*angle);
    }
    changePrintAreas(*d, [&](DrawingWriter& w) { w.setPrintAreas(std::move(areas)); });
}

void PrintAreasDialog::chooseFrameColor() {
    Document* d = document();
    if (!d)
        return;
    const QColor chosen = chooseColor(toQColor(d->drawing().settings.sheets.frameColor), this);
    d = document(); // the colour dialog ran an event loop
    if (!chosen.isValid() || !d)
        return;
    d->changeSettings([&](DrawingSettings& s) { s.sheets.frameColor = windowsColour(chosen); });
    showPaper();
    engine().redrawArea(*d, Rect{});
}

void PrintAreasDialog::automaticDivision() {
    Document* d = document();
    if (!d)
        return;
    const auto size = typedSize();
    if (!size)
        return;
    AutoDivision how;
    how.overlap = d->drawing().settings.sheets.overlap;
    AutoDivisionDialog dialog(how, this);
    if (showModal(dialog) != QDialog::Accepted)
        return;
    how = dialog.division();
    d = document(); // the dialog ran an event loop
    if (!d)
        return;
    d->changeSettings([&](DrawingSettings& s) { s.sheets.overlap = how.overlap; });
    if (!how.append && !d->drawing().printAreas.empty() &&
        engine().responder()->ask(engine().text(kTitle), engine().text(kRemoveAll), false) !=
            CAD_ASK_YES)
        return;
    divide(how, *size);
}

void PrintAreasDialog::divide(const AutoDivision& how, AreaSize size) {
    Document* d = document();
    if (!d)
        return;
    QPointer<PrintAreasDialog> self(this);
    // Chainages and an overlap in metres are laid out in the drawing's own units.
    const double mmPerUnit = millimetresPerUnit(d->drawing().settings.units);
    const Overlap overlap = overlapInUnits(how.overlap, mmPerUnit);
    // The new areas after the old ones or in their place, one step.
    const auto apply = [self, d, append = how.append](std::vector<PrintArea> made) {
        if (made.empty()) {
            engine().responder()->tell(engine().text(kTitle), engine().text(kNothingDivided), true);
            return;
        }
        std::vector<PrintArea> areas = append ? d->drawing().printAreas : std::vector<PrintArea>{};
        areas.insert(areas.end(), made.begin(), made.end());
        if (areas.size() > kMostPrintAreas)
            areas.resize(kMostPrintAreas);
        if (self)
            self->list_->clearSelection();
        changePrintAreas(*d, [&](DrawingWriter& w) { w.setPrintAreas(std::move(areas)); });
    };
    switch (how.mode) {
    case AutoDivision::Mode::Extents:
        apply(divideGrid(d->drawing().extents(), size, overlap));
        return;
    case AutoDivision::Mode::Window:
        if (DrawingWindow* window = drawingWindow())
            window->startCommand(
                pickWindowCommand(*d, kAreasName, [apply, size, overlap](const Rect& r) {
                    apply(divideGrid(r, size, overlap));
                }));
        return;
    case AutoDivision::Mode::Axis:
        break;
    }
    const double start =
        metresInUnits(parseChainage(how.start.toStdString()).value_or(0), mmPerUnit);
    const double end = metresInUnits(
        parseChainage(how.end.toStdString()).value_or(std::numeric_limits<double>::infinity()),
        mmPerUnit);
    const auto along = [apply, d, size, start, end, overlap](std::vector<std::uint32_t> curves) {
        const auto axis = axisOfEntities(d->drawing(), curves);
        if (!axis) {
            engine().responder()->tell(engine().text(kTitle), engine().text(kNoAxis), true);
            return;
        }
        if (start >= AxisPath(*axis).length() || end <= start) {
            engine().responder()->tell(engine().text(kTitle), engine().text(kBadChainage), true);
            return;
        }
        apply(areasOf(divideAlongAxis(*axis, size, overlap, start, end)));
    };
    // Curves selected before that make one axis are taken at once, as the commands that work on
    // the selection take it; anything else selected is no part of the axis to be picked.
    if (std::vector<std::uint32_t> selected = selectedEntities(d->drawing());
        !selected.empty() && axisOfEntities(d->drawing(), selected)) {
        d->selectAll(false);
        along(std::move(selected));
        return;
    }
    if (DrawingWindow* window = drawingWindow())
        window->startCommand(pickAxisCommand(*d, along));
}

} // namespace cad
