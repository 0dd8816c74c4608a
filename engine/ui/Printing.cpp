#include "engine/ui/Printing.h"

#include "engine/Engine.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace cad {

Rect printArea(const Drawing& drawing, const PrintSettings& settings) {
    if (settings.area != PrintSettings::Area::All)
        return settings.window;
    Rect r;
    for (std::size_t i = 0; i < drawing.entities.size(); ++i) {
        const int handle = static_cast<int>(i);
        if (!drawing.inModelSpace(handle))
            continue;
        const auto layer = static_cast<std::size_t>(drawing.entities[i].layer);
        if (layer < drawing.layers.size() && !drawing.layers[layer].printable)
            continue;
        r.add(drawing.entityExtents(handle));
    }
    return r;
}

QString scaleText(double scale) {
    return QStringLiteral("1:") + QString::number(scale, 'f', QLocale::FloatingPointShortest);
}

std::optional<double> parseScale(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*1\\s*:\\s*([0-9]+(?:[.,][0-9]*)?)\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    // A comma is the decimal point a Polish keyboard types.
    bool ok = false;
    const double n = QLocale::c().toDouble(match.captured(1).replace(QLatin1Char(','), '.'), &ok);
    if (!ok || !(n > 0) || !std::isfinite(n))
        return std::nullopt;
    return n;
}

namespace {

bool paintPages(const Drawing& drawing, const PrintSettings& settings, QPagedPaintDevice& device,
                int pages) {
    const double margin = std::max(0.0, settings.marginMm);
    device.setPageOrientation(settings.orientation);
    device.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int width = device.width();
    const int height = device.height();
    const double pixelsPerMm = device.logicalDpiX() / 25.4;
    const Rect area = printArea(drawing, settings);
    if (area.empty() || width <= 0 || height <= 0 || pixelsPerMm <= 0)
        return painter.end(); // an empty page

    double unitsPerPixel = 0;
    double dimensionScale = 0; // dimensions at the drawing's own print scale
    if (settings.fitToPage) {
        unitsPerPixel = std::max(area.width() / width, area.height() / height);
        if (!(unitsPerPixel > 0))
            unitsPerPixel = 1 / pixelsPerMm; // a point or nothing wide: a unit a millimetre
    } else {
        const double scale = settings.scale > 0 ? settings.scale : 1;
        unitsPerPixel = scale / millimetresPerUnit(drawing.settings.units) / pixelsPerMm;
        // Printed to scale: dimensions the same size on paper at any scale.
        dimensionScale =
            dimensionUnitsPerPaperMm(scale, millimetresPerUnit(drawing.settings.units));
    }
    // One page shows the whole area, or at a scale, when asked, the area is divided into sheets
    // of a page each: rows from the top, columns from the left.
    std::vector<Vec2> centres;
    const double sheetWidth = width * unitsPerPixel, sheetHeight = height * unitsPerPixel;
    if (settings.tiles && !settings.fitToPage) {
        const auto count = [](double length, double sheet) {
            return std::clamp(static_cast<int>(std::ceil(length / sheet - 1e-9)), 1, 100);
        };
        const int columns = count(area.width(), sheetWidth);
        const int rows = count(area.height(), sheetHeight);
        // The sheets together are centred on the area.
        const double left = area.centre().x - columns * sheetWidth / 2;
        const double top = area.centre().y + rows * sheetHeight / 2;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                centres.push_back({left + (c + 0.5) * sheetWidth, top - (r + 0.5) * sheetHeight});
    } else {
        centres.push_back(area.centre());
    }
    RenderOptions options;
    options.printing = true;
    options.pixelsPerMm = pixelsPerMm;
    options.showLineWidths = true;
    options.showSelection = false;
    options.fillOutlinesOnly = false;
    options.dimensionUnitsPerPaperMm = dimensionScale;
    bool first = true;
    for (int copy = 0; copy < pages; ++copy) {
        for (const Vec2 centre : centres) {
            if (!first && !device.newPage())
                return false;
            first = false;
            const RenderView view = RenderView::centredOn(centre, unitsPerPixel, width, height);
            QRectF clip(0, 0, width, height);
            if (settings.area != PrintSettings::Area::All) { // nothing beyond the window
                const Vec2 a = view.toDevice.apply({area.left, area.bottom});
                const Vec2 b = view.toDevice.apply({area.right, area.top});
                clip &= QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)).normalized();
            }
            painter.save();
            painter.setClipRect(clip);
            painter.setRenderHint(QPainter::Antialiasing, true);
            renderDrawing(painter, drawing, view, options);
            painter.restore();
        }
    }
    return painter.end();
}

} // namespace

bool printDrawing(const Drawing& drawing, const PrintSettings& settings,
                  QPagedPaintDevice& device) {
    return paintPages(drawing, settings, device, 1);
}

bool printToPdf(const Drawing& drawing, const PrintSettings& settings, const QString& path) {
    {
        QPdfWriter writer(path);
        writer.setResolution(300);
        writer.setPageSize(settings.pageSize.isValid() ? settings.pageSize
                                                       : QPageSize(QPageSize::A4));
        writer.setCreator(QStringLiteral("KWL_Edytor"));
        if (!paintPages(drawing, settings, writer, std::clamp(settings.copies, 1, 999)))
            return false;
    }
    const QFileInfo file(path);
    return file.exists() && file.size() > 0;
}

QPrinter& sessionPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

PrintSettings& sessionPrintSettings() {
    static PrintSettings settings;
    return settings;
}

bool runPrintSetup(QWidget* parent) {
    QPrintDialog dialog(&sessionPrinter(), parent);
    dialog.setObjectName(QStringLiteral("cadPrintSetupDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (showModal(dialog) != QDialog::Accepted)
        return false;
    // The orientation chosen there is the one the next print starts with.
    sessionPrintSettings().orientation = sessionPrinter().pageLayout().orientation();
    return true;
}

namespace {

QDoubleSpinBox* number(const char* name, double low, double high, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setDecimals(decimals);
    return box;
}

// Where a PDF of the active document goes unless the person says otherwise: beside its file,
// with the extension ".pdf" (file-system bytes).
std::string suggestedPdfPath() {
    const Document* d = engine().active();
    QString path = fromEngineText(engine().text(10502)) + QStringLiteral(".pdf");
    if (d && !d->path.empty()) {
        const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(d->path)));
        path = file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
    }
    return QFile::encodeName(path).toStdString();
}

QRadioButton* radio(const QString& text, const char* name) {
    auto* r = new QRadioButton(text);
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

} // namespace

PrintDialog::PrintDialog(const PrintSettings& settings, QWidget* parent)
    : QDialog(parent), initial_(settings) {
    setObjectName(QStringLiteral("cadPrintDialog"));
    setWindowTitle(engineText(16001));

    // Where the print goes.
    const QString printerName = sessionPrinter().printerName();
    toPrinter_ = radio(engineText(16013) + QLatin1Char(' ') +
                           (printerName.isEmpty() ? QStringLiteral("-") : printerName),
                       "cadPrintToPrinter");
    toPdf_ = radio(engineText(16029), "cadPrintToPdf");
    pdfPath_ = new QLineEdit(settings.pdfPath);
    pdfPath_->setObjectName(QStringLiteral("cadPrintPdfPath"));
    auto* output = new QGroupBox;
    auto* outputLayout = new QGridLayout(output);
    auto* setup = new QPushButton(engineText(16002));
    setup->setObjectName(QStringLiteral("cadPrintPrinterSetup"));
    setup->setAutoDefault(false);
    connect(setup, &QPushButton::clicked, this, [this] {
        if (!runPrintSetup(this))
            return;
        const QString name = sessionPrinter().printerName();
        toPrinter_->setText(engineText(16013) + QLatin1Char(' ') +
                            (name.isEmpty() ? QStringLiteral("-") : name));
        toPrinter_->setChecked(true);
        (sessionPrintSettings().orientation == QPageLayout::Landscape ? landscape_ : portrait_)
            ->setChecked(true);
    });
    choosePdf_ = new QPushButton(engineText(16032));
    choosePdf_->setObjectName(QStringLiteral("cadPrintPdfChoose"));
    choosePdf_->setAutoDefault(false);
    connect(choosePdf_, &QPushButton::clicked, this, [this] { choosePdf(); });
    outputLayout->addWidget(toPrinter_, 0, 0);
    outputLayout->addWidget(setup, 0, 1, 1, 2);
    outputLayout->addWidget(toPdf_, 1, 0);
    outputLayout->addWidget(pdfPath_, 1, 1);
    outputLayout->addWidget(choosePdf_, 1, 2);
    (settings.toPdf ? toPdf_ : toPrinter_)->setChecked(true);

    // What is printed.
    all_ = radio(engineText(16005), "cadPrintAll");
    view_ = radio(engineText(16008), "cadPrintView");
    window_ = radio(engineText(16009), "cadPrintWindow");
    auto* what = new QGroupBox(engineText(16016));
    auto* whatLayout = new QGridLayout(what);
    whatLayout->addWidget(all_, 0, 0, 1, 4);
    whatLayout->addWidget(view_, 1, 0, 1, 4);
    whatLayout->addWidget(window_, 2, 0, 1, 4);
    const char* edgeNames[4] = {"cadPrintLeft", "cadPrintBottom", "cadPrintRight", "cadPrintTop"};
    const double edges[4] = {settings.window.left, settings.window.bottom, settings.window.right,
                             settings.window.top};
    for (int i = 0; i < 4; ++i) {
        windowEdges_[i] = number(edgeNames[i], -1e12, 1e12, 3);
        windowEdges_[i]->setValue(std::isfinite(edges[i]) ? edges[i] : 0.0);
        whatLayout->addWidget(windowEdges_[i], 3, i);
    }
    switch (settings.area) {
    case PrintSettings::Area::All:
        all_->setChecked(true);
        break;
    case PrintSettings::Area::View:
        view_->setChecked(true);
        break;
    case PrintSettings::Area::Window:
        window_->setChecked(true);
        break;
    }

    // Scale and page.
    fit_ = new QCheckBox(engineText(16004));
    fit_->setObjectName(QStringLiteral("cadPrintFit"));
    fit_->setChecked(settings.fitToPage);
    scale_ = new QLineEdit(scaleText(settings.scale > 0 ? settings.scale : 100));
    scale_->setObjectName(QStringLiteral("cadPrintScale"));
    scale_->setToolTip(engineText(16033));
    margins_ = number("cadPrintMargins", 0, 100, 1);
    margins_->setSuffix(QStringLiteral(" mm"));
    margins_->setValue(settings.marginMm);
    copies_ = new QSpinBox;
    copies_->setObjectName(QStringLiteral("cadPrintCopies"));
    copies_->setRange(1, 999);
    copies_->setValue(std::max(1, settings.copies));
    portrait_ = radio(engineText(16028), "cadPrintPortrait");
    landscape_ = radio(engineText(16027), "cadPrintLandscape");
    (settings.orientation == QPageLayout::Landscape ? landscape_ : portrait_)->setChecked(true);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(portrait_);
    orientation->addWidget(landscape_);
    auto* orientationGroup = new QButtonGroup(this);
    orientationGroup->addButton(portrait_);
    orientationGroup->addButton(landscape_);

    tiles_ = new QCheckBox(engineText(16030));
    tiles_->setObjectName(QStringLiteral("cadPrintTiles"));
    tiles_->setChecked(settings.tiles);
    auto* form = new QFormLayout;
    form->addRow(fit_);
    form->addRow(engineText(16020), scale_);
    form->addRow(tiles_);
    form->addRow(engineText(16023), margins_);
    form->addRow(engineText(16024), copies_);
    form->addRow(engineText(11410), orientation);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cadPrintOk"));
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cadPrintCancel"));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(output);
    layout->addWidget(what);
    layout->addLayout(form);
    layout->addWidget(box);

    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{toPrinter_, toPdf_, fit_, all_, view_, window_})
        connect(b, &QAbstractButton::toggled, this, [this] { updateEnabled(); });
    updateEnabled();
}

void PrintDialog::updateEnabled() {
    pdfPath_->setEnabled(toPdf_->isChecked());
    scale_->setEnabled(!fit_->isChecked());
    tiles_->setEnabled(!fit_->isChecked());
    for (QDoubleSpinBox* edge : windowEdges_)
        edge->setEnabled(window_->isChecked());
}

void PrintDialog::choosePdf() {
    const QString current = pdfPath_->text().trimmed();
    const auto chosen = engine().responder()->saveFileName(
        engine().text(16001), engine().text(10545),
        current.isEmpty() ? suggestedPdfPath() : QFile::encodeName(current).toStdString());
    if (!chosen || chosen->empty())
        return;
    pdfPath_->setText(QFile::decodeName(QByteArray::fromStdString(*chosen)));
    toPdf_->setChecked(true);
}

void PrintDialog::accept() {
    if (!fit_->isChecked() && !parseScale(scale_->text())) {
        engine().responder()->tell(engine().text(16001), engine().text(16033), true);
        scale_->setFocus();
        scale_->selectAll();
        return;
    }
    QDialog::accept();
}

PrintSettings PrintDialog::settings() const {
    PrintSettings s = initial_;
    s.toPdf = toPdf_->isChecked();
    s.pdfPath = pdfPath_->text().trimmed();
    s.fitToPage = fit_->isChecked();
    s.scale = parseScale(scale_->text()).value_or(initial_.scale);
    s.tiles = tiles_->isChecked();
    s.area = all_->isChecked()    ? PrintSettings::Area::All
             : view_->isChecked() ? PrintSettings::Area::View
                                  : PrintSettings::Area::Window;
    if (s.area == PrintSettings::Area::Window) {
        s.window = Rect();
        s.window.add(windowEdges_[0]->value(), windowEdges_[1]->value());
        s.window.add(windowEdges_[2]->value(), windowEdges_[3]->value());
    }
    s.marginMm = margins_->value();
    s.copies = copies_->value();
    s.orientation = landscape_->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return s;
}

int runPrintCommand(QWidget* parent) {
    Document* d = engine().active();
    if (!d)
        return 0;
    PrintSettings start = sessionPrintSettings();
    // At the drawing's own scale, the one its dimensions are sized for.
    const double own = d->drawing().settings.printScale;
    if (own > 0 && std::isfinite(own))
        start.scale = own;
    if (start.window.empty())
        start.window = d->view.rect();
    PrintDialog dialog(start, parent);
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    PrintSettings s = dialog.settings();
    d = engine().active(); // the dialog ran an event loop
    if (!d)
        return 0;
    if (s.area == PrintSettings::Area::View)
        s.window = d->view.rect();
    sessionPrintSettings() = s;
    // Printed at another scale: the drawing takes it, and its dimensions their size for it.
    if (!s.fitToPage)
        setPrintScale(*d, s.scale);
    const std::string caption = engine().text(16001);
    bool printed = false;
    std::string where;
    if (s.toPdf) {
        QString path = s.pdfPath;
        if (path.isEmpty()) {
            const auto chosen = engine().responder()->saveFileName(caption, engine().text(10545),
                                                                   suggestedPdfPath());
            if (!chosen)
                return 0;
            path = QFile::decodeName(chosen->c_str());
            if (QFileInfo(path).suffix().isEmpty())
                path += QStringLiteral(".pdf");
        }
        s.pageSize = sessionPrinter().pageLayout().pageSize(); // as the printer set-up chose
        printed = printToPdf(d->drawing(), s, path);
        where =
            formatText(engine().text(16035), {toEngineText(QFileInfo(path).absoluteFilePath())});
    } else {
        QPrinter& printer = sessionPrinter();
        printer.setCopyCount(s.copies);
        printed = printDrawing(d->drawing(), s, printer);
        const QString name = printer.outputFormat() == QPrinter::PdfFormat
                                 ? QFileInfo(printer.outputFileName()).absoluteFilePath()
                                 : printer.printerName();
        where =
            formatText(engine().text(printer.outputFormat() == QPrinter::PdfFormat ? 16035 : 16034),
                       {toEngineText(name)});
    }
    if (!printed) {
        engine().responder()->tell(caption, engine().text(16031), true);
        return 0;
    }
    // What went where, where it does not stop the person.
    engine().notice(where);
    return 1;
}

// ---- the drawing's print scale

namespace {

constexpr int kPrintScaleTitle = 19380, kPrintScaleLabel = 19381, kNotAScale = 16033;

} // namespace

bool setPrintScale(Document& d, double scale) {
    if (!(scale > 0) || !std::isfinite(scale) || d.drawing().settings.printScale == scale)
        return false;
    // Dimensions are sized from the settings when drawn: the document re-indexes them.
    d.changeSettings([scale](DrawingSettings& s) { s.printScale = scale; });
    engine().redraw();
    return true;
}

QString printScaleFieldText(double scale) {
    return scaleText(scale).mid(2);
}

std::optional<double> parsePrintScaleField(const QString& text) {
    return text.contains(QLatin1Char(':')) ? parseScale(text)
                                           : parseScale(QStringLiteral("1:") + text);
}

PrintScaleDialog::PrintScaleDialog(double scale, QWidget* parent)
    : QDialog(parent), initial_(scale > 0 && std::isfinite(scale) ? scale : 100) {
    setObjectName(QStringLiteral("cadPrintScaleDialog"));
    setWindowTitle(engineText(kPrintScaleTitle));
    field_ = new QLineEdit(printScaleFieldText(initial_));
    field_->setObjectName(QStringLiteral("cadPrintScaleValue"));
    field_->setToolTip(engineText(kNotAScale));
    auto* form = new QFormLayout;
    form->addRow(engineText(kPrintScaleLabel), field_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cadPrintScaleOk"));
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cadPrintScaleCancel"));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    field_->selectAll();
}

double PrintScaleDialog::scale() const {
    return parsePrintScaleField(field_->text()).value_or(initial_);
}

void PrintScaleDialog::accept() {
    if (!parsePrintScaleField(field_->text())) {
        engine().responder()->tell(engine().text(kPrintScaleTitle), engine().text(kNotAScale),
                                   true);
        field_->setFocus();
        field_->selectAll();
        return;
    }
    QDialog::accept();
}

int runPrintScaleCommand(QWidget* parent) {
    Document* d = engine().active();
    if (!d)
        return 0;
    PrintScaleDialog dialog(d->drawing().settings.printScale, parent);
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    d = engine().active(); // the dialog ran an event loop
    if (!d)
        return 0;
    setPrintScale(*d, dialog.scale());
    return 1;
}

} // namespace cad
