// Printing a drawing: the settings of a print, the print dialog, and the drawing of pages on a
// printer or into a PDF file through the renderer.
#pragma once

#include "engine/model/Drawing.h"

#include <QDialog>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

class QPagedPaintDevice;
class QPrinter;
class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;
class QRadioButton;
class QLineEdit;

namespace cad {

struct PrintSettings {
    enum class Area { All, View, Window };
    Area area = Area::All;
    Rect window;               // drawing units, for Area::View and Area::Window
    bool fitToPage = true;     // else at scale paperUnits : drawingUnits (mm on paper : units)
    double scalePaper = 1;     // x
    double scaleDrawing = 100; // y
    bool tiles = false;        // at a scale: as many pages as the area needs
    double marginMm = 10;
    int copies = 1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPageSize pageSize = QPageSize(QPageSize::A4); // of PDF files; a printer keeps its own
    bool toPdf = false;
    QString pdfPath;
};

// The part of the drawing a print shows: the printable entities' extents, or the window.
Rect printArea(const Drawing& drawing, const PrintSettings& settings);
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

private:
    void updateEnabled();

    PrintSettings initial_;
    QRadioButton* toPrinter_ = nullptr;
    QRadioButton* toPdf_ = nullptr;
    QLineEdit* pdfPath_ = nullptr;
    QCheckBox* fit_ = nullptr;
    QDoubleSpinBox* scaleX_ = nullptr;
    QDoubleSpinBox* scaleY_ = nullptr;
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
int runPrintCommand(QWidget* parent);

} // namespace cad
