#include "engine/ui/SheetCommands.h"

#include "engine/Engine.h"
#include "engine/commands/PrintAreaCommands.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/PrintAreasDialog.h"
#include "engine/ui/Printing.h"
#include "engine/ui/QtResponder.h"
#include "engine/ui/RasterExport.h"
#include "engine/ui/SheetPrinting.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace cad {

namespace {

constexpr int kPrintSheets = 16240, kAllAreas = 16241, kPickedAreas = 16242, kMatchLines = 16243,
              kSheetLabels = 16244, kNoAreas = 16245, kPictureSize = 16246, kBadPicture = 16247,
              kPictureSaved = 16248, kPictureFailed = 16249, kPictureFilter = 16250,
              kPrintWindow = 19204, kExportPicture = 19205, kPaperSize = 16014,
              kCurrentPrinter = 16013, kPrinterSetup = 16002, kPdfFile = 16029, kChoose = 16032,
              kPrintFailed = 16031, kPrintedOn = 16034, kPrintedTo = 16035, kView = 16008,
              kWindow = 16009, kScale = 16020, kScaleForm = 16033, kResolution = 16015,
              kLandscape = 16027, kPortrait = 16028, kPdfFilter = 10545, kUntitled = 10502,
              kOk = 11201, kCancel = 11202;
constexpr int kPaperTexts[] = {19406, 19405, 19404, 19403, 19402};

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

QRadioButton* radio(int text, const char* name) {
    auto* r = new QRadioButton(engineText(text));
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

QDialogButtonBox* okCancel(QDialog* dialog, const char* okName) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setObjectName(QString::fromLatin1(okName));
    box->button(QDialogButtonBox::Ok)->setText(engineText(kOk));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(kCancel));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

// A file beside the document's own, of that extension (file-system bytes).
std::string besideDocument(const Document& d, const QString& extension) {
    QString path = fromEngineText(engine().text(kUntitled)) + extension;
    if (!d.path.empty()) {
        const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(d.path)));
        path = file.dir().filePath(file.completeBaseName() + extension);
    }
    return QFile::encodeName(path).toStdString();
}

QString printerText() {
    const QString name = sessionPrinter().printerName();
    return engineText(kCurrentPrinter) + QLatin1Char(' ') +
           (name.isEmpty() ? QStringLiteral("-") : name);
}

// Prints on the session printer or into the PDF file, and says where it went; false (after
// telling the person) when nothing was printed.
bool printTo(const Document& d, const SheetOutput& out, int caption,
             const std::function<bool(QPagedPaintDevice&)>& toPrinter,
             const std::function<bool(const QString&)>& toPdf) {
    bool printed = false;
    std::string where;
    if (out.toPdf) {
        QString path = out.pdfPath;
        if (path.isEmpty()) {
            const auto chosen = engine().responder()->saveFileName(
                engine().text(caption), engine().text(kPdfFilter), besideDocument(d, ".pdf"));
            if (!chosen || chosen->empty())
                return false;
            path = QFile::decodeName(QByteArray::fromStdString(*chosen));
        }
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".pdf");
        printed = toPdf(path);
        where = formatText(engine().text(kPrintedTo),
                           {toEngineText(QFileInfo(path).absoluteFilePath())});
    } else {
        QPrinter& printer = sessionPrinter();
        printed = toPrinter(printer);
        const bool file = printer.outputFormat() == QPrinter::PdfFormat;
        where =
            formatText(engine().text(file ? kPrintedTo : kPrintedOn),
                       {toEngineText(file ? QFileInfo(printer.outputFileName()).absoluteFilePath()
                                          : printer.printerName())});
    }
    if (!printed) {
        engine().responder()->tell(engine().text(caption), engine().text(kPrintFailed), true);
        return false;
    }
    engine().notice(where);
    return true;
}

// What the last print of sheets or of a window chose, for the next one.
SheetOutput& lastOutput() {
    static SheetOutput out;
    return out;
}

RasterOutput& lastRaster() {
    static RasterOutput out{false, 0, 150};
    return out;
}

int openAreasDialog() {
    if (!engine().active())
        return 0;
    QWidget* parent = DrawingWindow::current() ? DrawingWindow::current()->window() : nullptr;
    PrintAreasDialog::open(parent ? parent : dialogParent());
    return 1;
}

int printSheetsCommand() {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (d->drawing().printAreas.empty()) {
        engine().responder()->tell(engine().text(kPrintSheets), engine().text(kNoAreas), true);
        return 0;
    }
    const PrintAreasDialog* areas = PrintAreasDialog::current();
    std::vector<int> picked;
    if (areas && areas->isVisible())
        picked = areas->pickedAreas();
    const SheetSettings& settings = d->drawing().settings.sheets;
    SheetOutput start = lastOutput();
    start.matchLines = settings.matchLines;
    start.sheetLabels = settings.sheetLabels;
    start.pickedOnly = !picked.empty() && start.pickedOnly;
    SheetPrintDialog dialog(start, true, !picked.empty(), sheetPaperText(settings), dialogParent());
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    const SheetOutput out = dialog.output();
    d = engine().active(); // the dialog ran an event loop
    if (!d)
        return 0;
    lastOutput() = out;
    d->changeSettings([&out](DrawingSettings& s) {
        s.sheets.matchLines = out.matchLines;
        s.sheets.sheetLabels = out.sheetLabels;
    });
    const Drawing& dr = d->drawing();
    SheetPrintOptions options;
    options.paper = dr.settings.sheets.paper;
    options.scale = dr.settings.sheets.scale;
    options.matchLines = out.matchLines;
    options.sheetLabels = out.sheetLabels;
    const std::vector<int> which = out.pickedOnly ? picked : std::vector<int>{};
    return printTo(
               *d, out, kPrintSheets,
               [&](QPagedPaintDevice& device) {
                   return printSheets(dr, dr.printAreas, which, options, device);
               },
               [&](const QString& path) {
                   return printSheetsToPdf(dr, dr.printAreas, which, options, path);
               })
               ? 1
               : 0;
}

int printWindowCommand() {
    Document* d = engine().active();
    DrawingWindow* window = DrawingWindow::current();
    if (!d || !window)
        return 0;
    SheetPrintDialog dialog(lastOutput(), false, false,
                            sheetPaperText(d->drawing().settings.sheets), dialogParent());
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    const SheetOutput out = dialog.output();
    lastOutput().toPdf = out.toPdf;
    lastOutput().pdfPath = out.pdfPath;
    d = engine().active();
    if (!d)
        return 0;
    window->startCommand(pickWindowCommand(*d, kPrintWindow, [d, out](const Rect& r) {
        const Drawing& dr = d->drawing();
        const SheetPaper& paper = dr.settings.sheets.paper;
        printTo(
            *d, out, kPrintWindow,
            [&](QPagedPaintDevice& device) { return printWindowFitted(dr, r, paper, device); },
            [&](const QString& path) { return printWindowToPdf(dr, r, paper, path); });
    }));
    return 1;
}

void exportPicture(const Document& d, const Rect& r, const RasterOutput& out, const QString& path) {
    const Drawing& dr = d.drawing();
    const auto size = rasterSize(r, out.scale, millimetresPerUnit(dr.settings.units), out.dpi);
    const std::string caption = engine().text(kExportPicture);
    if (!size) {
        engine().responder()->tell(caption, engine().text(kBadPicture), true);
        return;
    }
    if (!exportRaster(dr, r, size->width(), size->height(), out.dpi, path)) {
        engine().responder()->tell(caption, engine().text(kPictureFailed), true);
        return;
    }
    engine().notice(formatText(engine().text(kPictureSaved),
                               {toEngineText(QFileInfo(path).absoluteFilePath())}));
}

int exportPictureCommand() {
    Document* d = engine().active();
    if (!d)
        return 0;
    RasterOutput start = lastRaster();
    if (!(start.scale > 0))
        start.scale = d->drawing().settings.sheets.scale;
    RasterExportDialog dialog(start, d->view.rect(),
                              millimetresPerUnit(d->drawing().settings.units), dialogParent());
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    const RasterOutput out = dialog.output();
    lastRaster() = out;
    d = engine().active();
    if (!d)
        return 0;
    const auto chosen = engine().responder()->saveFileName(
        engine().text(kExportPicture), engine().text(kPictureFilter), besideDocument(*d, ".png"));
    if (!chosen || chosen->empty())
        return 0;
    QString path = QFile::decodeName(QByteArray::fromStdString(*chosen));
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("bmp") && suffix != QStringLiteral("png"))
        path += QStringLiteral(".png");
    DrawingWindow* window = DrawingWindow::current();
    if (!out.window || !window) {
        exportPicture(*d, d->view.rect(), out, path);
        return 1;
    }
    window->startCommand(pickWindowCommand(
        *d, kExportPicture, [d, out, path](const Rect& r) { exportPicture(*d, r, out, path); }));
    return 1;
}

} // namespace

QString sheetPaperText(const SheetSettings& s) {
    QString paper;
    const auto size = static_cast<std::size_t>(s.paper.size);
    if (size < std::size(kPaperTexts))
        paper = engineText(kPaperTexts[size]);
    else
        paper = QString::fromStdString(formatNumber(s.paper.customWidthMm, 0) + " x " +
                                       formatNumber(s.paper.customHeightMm, 0)) +
                QStringLiteral(" mm");
    return paper + QStringLiteral(", ") + engineText(s.paper.landscape ? kLandscape : kPortrait) +
           QStringLiteral(", ") + scaleText(s.scale);
}

SheetPrintDialog::SheetPrintDialog(const SheetOutput& initial, bool sheets, bool canPick,
                                   const QString& paperText, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("cadSheetPrint"));
    setWindowTitle(engineText(sheets ? kPrintSheets : kPrintWindow));
    auto* layout = new QVBoxLayout(this);
    if (sheets) {
        all_ = radio(kAllAreas, "cadSheetsAll");
        picked_ = radio(kPickedAreas, "cadSheetsPicked");
        picked_->setEnabled(canPick);
        (initial.pickedOnly && canPick ? picked_ : all_)->setChecked(true);
        matchLines_ = new QCheckBox(engineText(kMatchLines));
        matchLines_->setObjectName(QStringLiteral("cadSheetsMatchLines"));
        matchLines_->setChecked(initial.matchLines);
        sheetLabels_ = new QCheckBox(engineText(kSheetLabels));
        sheetLabels_->setObjectName(QStringLiteral("cadSheetsLabels"));
        sheetLabels_->setChecked(initial.sheetLabels);
        for (QWidget* w : std::initializer_list<QWidget*>{all_, picked_, matchLines_, sheetLabels_})
            layout->addWidget(w);
    }
    auto* paper = new QLabel(engineText(kPaperSize) + QLatin1Char(' ') + paperText);
    paper->setObjectName(QStringLiteral("cadSheetsPaper"));
    layout->addWidget(paper);

    auto* output = new QGroupBox;
    auto* grid = new QGridLayout(output);
    toPrinter_ = new QRadioButton(printerText());
    toPrinter_->setObjectName(QStringLiteral("cadSheetsToPrinter"));
    auto* setup = new QPushButton(engineText(kPrinterSetup));
    setup->setAutoDefault(false);
    connect(setup, &QPushButton::clicked, this, [this] {
        if (!runPrintSetup(this))
            return;
        toPrinter_->setText(printerText());
        toPrinter_->setChecked(true);
    });
    toPdf_ = radio(kPdfFile, "cadSheetsToPdf");
    pdfPath_ = new QLineEdit(initial.pdfPath);
    pdfPath_->setObjectName(QStringLiteral("cadSheetsPdfPath"));
    auto* choose = new QPushButton(engineText(kChoose));
    choose->setObjectName(QStringLiteral("cadSheetsPdfChoose"));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this] { choosePdf(); });
    grid->addWidget(toPrinter_, 0, 0);
    grid->addWidget(setup, 0, 1, 1, 2);
    grid->addWidget(toPdf_, 1, 0);
    grid->addWidget(pdfPath_, 1, 1);
    grid->addWidget(choose, 1, 2);
    (initial.toPdf ? toPdf_ : toPrinter_)->setChecked(true);
    layout->addWidget(output);
    layout->addWidget(okCancel(this, "cadSheetsOk"));
}

void SheetPrintDialog::choosePdf() {
    const Document* d = engine().active();
    const QString current = pdfPath_->text().trimmed();
    const auto chosen = engine().responder()->saveFileName(
        engine().text(windowTitle() == engineText(kPrintSheets) ? kPrintSheets : kPrintWindow),
        engine().text(kPdfFilter),
        !current.isEmpty() ? QFile::encodeName(current).toStdString()
        : d                ? besideDocument(*d, ".pdf")
                           : std::string());
    if (!chosen || chosen->empty())
        return;
    pdfPath_->setText(QFile::decodeName(QByteArray::fromStdString(*chosen)));
    toPdf_->setChecked(true);
}

SheetOutput SheetPrintDialog::output() const {
    SheetOutput out;
    out.pickedOnly = picked_ && picked_->isChecked();
    out.matchLines = matchLines_ && matchLines_->isChecked();
    out.sheetLabels = sheetLabels_ && sheetLabels_->isChecked();
    out.toPdf = toPdf_->isChecked();
    out.pdfPath = pdfPath_->text().trimmed();
    return out;
}

RasterExportDialog::RasterExportDialog(const RasterOutput& initial, const Rect& view,
                                       double millimetresPerUnit, QWidget* parent)
    : QDialog(parent), view_(view), millimetresPerUnit_(millimetresPerUnit) {
    setObjectName(QStringLiteral("cadRasterExport"));
    setWindowTitle(engineText(kExportPicture));
    viewArea_ = radio(kView, "cadRasterView");
    window_ = radio(kWindow, "cadRasterWindow");
    (initial.window ? window_ : viewArea_)->setChecked(true);
    scale_ = new QLineEdit(scaleText(initial.scale));
    scale_->setObjectName(QStringLiteral("cadRasterScale"));
    scale_->setToolTip(engineText(kScaleForm));
    dpi_ = new QDoubleSpinBox;
    dpi_->setObjectName(QStringLiteral("cadRasterDpi"));
    dpi_->setRange(10, 2400);
    dpi_->setDecimals(0);
    dpi_->setValue(initial.dpi);
    size_ = new QLabel;
    size_->setObjectName(QStringLiteral("cadRasterSize"));
    auto* form = new QFormLayout;
    form->addRow(viewArea_);
    form->addRow(window_);
    form->addRow(engineText(kScale), scale_);
    form->addRow(engineText(kResolution), dpi_);
    form->addRow(size_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this, "cadRasterOk"));
    connect(scale_, &QLineEdit::textChanged, this, [this] { showSize(); });
    connect(dpi_, &QDoubleSpinBox::valueChanged, this, [this] { showSize(); });
    connect(viewArea_, &QRadioButton::toggled, this, [this] { showSize(); });
    showSize();
}

void RasterExportDialog::showSize() {
    // The picture of the view; a window is known only once picked.
    const auto scale = parseScale(scale_->text());
    const auto size = scale && viewArea_->isChecked()
                          ? rasterSize(view_, *scale, millimetresPerUnit_, dpi_->value())
                          : std::nullopt;
    size_->setText(size ? fromEngineText(formatText(engine().text(kPictureSize),
                                                    {size->width(), size->height()}))
                        : QString());
}

RasterOutput RasterExportDialog::output() const {
    return RasterOutput{window_->isChecked(), parseScale(scale_->text()).value_or(500),
                        dpi_->value()};
}

void RasterExportDialog::accept() {
    if (!parseScale(scale_->text())) {
        engine().responder()->tell(engine().text(kExportPicture), engine().text(kScaleForm), true);
        scale_->setFocus();
        return;
    }
    QDialog::accept();
}

void registerSheetCommands(Engine& e) {
    e.addCommand(CAD_CMD_PRINT_AREAS, openAreasDialog);
    e.addCommand(CAD_CMD_PRINT_SHEETS, printSheetsCommand);
    e.addCommand(CAD_CMD_PRINT_WINDOW, printWindowCommand);
    e.addCommand(CAD_CMD_EXPORT_BMP, exportPictureCommand);
}

} // namespace cad
