// The commands of print areas and sheets: the areas dialog (17801), the print of the areas one
// a page (17802), a window picked and printed to fit a page (17803), the view or a picked window
// written as a BMP or PNG picture (17804); and the small dialogs they ask through.
#pragma once

#include "engine/model/PrintArea.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace cad {

// Where a print of sheets (or of a window) goes and what it shows.
struct SheetOutput {
    bool pickedOnly = false; // the areas picked in the areas dialog's list, else all of them
    bool matchLines = true, sheetLabels = true;
    bool toPdf = false;
    QString pdfPath;
};

// "Drukuj arkusze" (sheets) or "Drukuj obszar" (a window): which areas, match lines and sheet
// labels (sheets only), the paper the areas' settings give, the printer or a PDF file.
class SheetPrintDialog final : public QDialog {
public:
    SheetPrintDialog(const SheetOutput& initial, bool sheets, bool canPick,
                     const QString& paperText, QWidget* parent);
    SheetOutput output() const;

private:
    void choosePdf();
    QRadioButton* all_ = nullptr;
    QRadioButton* picked_ = nullptr;
    QCheckBox* matchLines_ = nullptr;
    QCheckBox* sheetLabels_ = nullptr;
    QRadioButton* toPrinter_ = nullptr;
    QRadioButton* toPdf_ = nullptr;
    QLineEdit* pdfPath_ = nullptr;
};

// "Eksportuj do BMP": the view or a window to be picked, at a scale 1:N and a resolution.
struct RasterOutput {
    bool window = false;
    double scale = 500;
    double dpi = 150;
};

class RasterExportDialog final : public QDialog {
public:
    RasterExportDialog(const RasterOutput& initial, const Rect& view, double millimetresPerUnit,
                       QWidget* parent);
    RasterOutput output() const;
    void accept() override;

private:
    void showSize();
    Rect view_;
    double millimetresPerUnit_;
    QRadioButton* viewArea_ = nullptr;
    QRadioButton* window_ = nullptr;
    QLineEdit* scale_ = nullptr;
    QDoubleSpinBox* dpi_ = nullptr;
    QLabel* size_ = nullptr;
};

// The paper of the areas' settings as the dialogs show it: "A3, 297 x 420 mm, poziomo, 1:500".
QString sheetPaperText(const SheetSettings& settings);

} // namespace cad
