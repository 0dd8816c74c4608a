// Printing a drawing: the settings of a print, the print dialog, and the drawing of pages on a
// printer or into a PDF file through the renderer.
#pragma once

#include "engine/model/Drawing.h"

#include <QDialog>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include <optional>

class QPagedPaintDevice;
class QPrinter;
class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;
class QRadioButton;
class QLineEdit;
class QPushButton;

namespace cad {

class Document;

struct PrintSettings {
    enum class Area { All, View, Window };
    Area area = Area::All;
    Rect window;           // drawing units, for Area::View and Area::Window
    bool fitToPage = true; // else at the scale
    // The scale 1:N: a millimetre of paper shows N millimetres of the drawing, in the drawing's
    // own units (N / 1000 metres for a drawing in metres).
    double scale = 100;
    bool tiles = false; // at a scale: as many pages as the area needs
    double marginMm = 10;
    int copies = 1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPageSize pageSize = QPageSize(QPageSize::A4); // of PDF files; a printer keeps its own
    bool toPdf = false;
    QString pdfPath;
};

// The part of the drawing a print shows: the printable entities' extents, or the window.
Rect printArea(const Drawing& drawing, const PrintSettings& settings);
// A scale as it is written and shown, "1:N", and read back from what a person typed ("1:500",
// "1 : 2,5"); nothing when it is not such a scale.
QString scaleText(double scale);
std::optional<double> parseScale(const QString& text);
// Draws the drawing on a page of the device (on several when divided into sheets) (its page size
// already set): the margins and orientation of the settings, the area fitted to the printable part
// or at the scale, layers that are not printable left out; a view or window prints nothing beyond
// its edges. False when nothing could be painted.
bool printDrawing(const Drawing& drawing, const PrintSettings& settings, QPagedPaintDevice& device);
// The same into a PDF file of the settings' page size, each copy in turn.
bool printToPdf(const Drawing& drawing, const PrintSettings& settings, const QString& path);

// The printer and print settings of this session (the printer set-up changes the printer).
QPrinter& sessionPrinter();
PrintSettings& sessionPrintSettings();

// Runs the system's printer set-up on the session printer; true when accepted.
bool runPrintSetup(QWidget* parent);

class PrintDialog : public QDialog {
public:
    PrintDialog(const PrintSettings& settings, QWidget* parent = nullptr);
    PrintSettings settings() const;

    // A scale that is not "1:N" keeps the dialog open, with a message.
    void accept() override;

private:
    void updateEnabled();
    void choosePdf();

    PrintSettings initial_;
    QRadioButton* toPrinter_ = nullptr;
    QRadioButton* toPdf_ = nullptr;
    QLineEdit* pdfPath_ = nullptr;
    QPushButton* choosePdf_ = nullptr;
    QCheckBox* fit_ = nullptr;
    QLineEdit* scale_ = nullptr;
    QCheckBox* tiles_ = nullptr;
    QRadioButton* all_ = nullptr;
    QRadioButton* view_ = nullptr;
    QRadioButton* window_ = nullptr;
    QDoubleSpinBox* windowEdges_[4] = {}; // left, bottom, right, top
    QDoubleSpinBox* margins_ = nullptr;
    QSpinBox* copies_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
};

// The print command: the dialog, then the print to the printer or the PDF file. 1 when printed.
// The dialog starts from the drawing's print scale; a print at another scale sets it.
int runPrintCommand(QWidget* parent);

// ---- the drawing's print scale 1:N (DrawingSettings::printScale)
// Sets it: the document is modified (not an undo step), every dimension takes the size it has
// at that scale, and the window shows them so at once. False when it is no scale (N > 0) or
// the drawing had it already.
bool setPrintScale(Document& d, double scale);
// What a field after the words "1:" shows, "500" or "2.5", and reads back ("500", "2,5", or
// "1:500" typed whole); nothing when it is not a scale.
QString printScaleFieldText(double scale);
std::optional<double> parsePrintScaleField(const QString& text);

// The print scale alone: "Print scale 1:" and its field.
class PrintScaleDialog : public QDialog {
public:
    explicit PrintScaleDialog(double scale, QWidget* parent = nullptr);
    // The scale typed, or the one given while the field holds none.
    double scale() const;
    // What is not a scale keeps the dialog open, with a message.
    void accept() override;

private:
    double initial_;
    QLineEdit* field_ = nullptr;
};

// The command of that dialog on the active document. 1 when accepted.
int runPrintScaleCommand(QWidget* parent);

} // namespace cad
