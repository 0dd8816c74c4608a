// The small windows of the drawing commands: a text's string and look, a symbol of a font, a
// hatch pattern, a block to insert. Each works on its own values and remembers them for the
// next use; the command reads them when the person confirms.
#pragma once

#include "engine/model/Drawing.h"

#include <QDialog>
#include <QImage>

#include <optional>
#include <string>

class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;
class QTreeWidget;

namespace cad {

// The string (several lines allowed), height, rotation, style and alignment of a new text.
class TextDialog final : public QDialog {
public:
    TextDialog(const Drawing& d, QWidget* parent);
    // The lines typed (Windows-1250 bytes), and the look; after the person confirmed.
    std::vector<std::string> lines() const;
    TextParams params() const;
    QPlainTextEdit* textEdit() const { return text_; }
    QDoubleSpinBox* heightBox() const { return height_; }
    QDoubleSpinBox* rotationBox() const { return rotation_; }
    void accept() override;

private:
    QPlainTextEdit* text_;
    QDoubleSpinBox *height_, *rotation_;
    QComboBox *style_, *align_;
};

// A character of a font, and its height.
class SymbolDialog final : public QDialog {
public:
    explicit SymbolDialog(QWidget* parent);
    std::string family() const; // Windows-1250 bytes
    char character() const;     // a Windows-1250 byte
    double height() const;
    QFontComboBox* fontBox() const { return font_; }
    QTableWidget* table() const { return table_; }
    QDoubleSpinBox* heightBox() const { return height_; }
    void accept() override;

private:
    void fill();
    QFontComboBox* font_;
    QTableWidget* table_;
    QDoubleSpinBox* height_;
};

// A hatch pattern (or a solid fill), its scale and angle.
class HatchDialog final : public QDialog {
public:
    explicit HatchDialog(QWidget* parent);
    std::string pattern() const;
    bool solid() const;
    double scale() const;
    double angle() const;
    QTreeWidget* list() const { return list_; }
    QDoubleSpinBox* scaleBox() const { return scale_; }
    void accept() override;

private:
    QTreeWidget* list_;
    QDoubleSpinBox *scale_, *angle_;
};

// One of the drawing's blocks, with a picture of it and its size.
// The blocks of a drawing to choose one to insert, with its picture and size, and the scale to
// insert it at: for a block whose size on paper the program named (a road sign), the scale at
// which it prints that large at the print scale is proposed, and the dialog says how large it
// prints at the scale given.
class BlockDialog final : public QDialog {
public:
    BlockDialog(const Drawing& d, QWidget* parent);
    // The index of the block chosen, or -1.
    int block() const;
    // The scale given, or nothing: then it is picked after the insertion point.
    std::optional<double> scale() const;
    QListWidget* list() const { return list_; }
    QLineEdit* scaleField() const { return scale_; }
    void accept() override;

private:
    void show(int row);
    void showPrintedSize();
    const Drawing& d_;
    QListWidget* list_;
    QLabel *picture_, *width_, *height_, *count_, *printed_;
    QLineEdit* scale_;
};

// The scale at which a block of that larger side (drawing units) prints `paperMm` long on paper,
// for a drawing of those units printed at 1:printScale.
double scaleForPaperSize(double blockSize, double paperMm, int units, double printScale);
// How long a block of that larger side, inserted at that scale, prints on paper (mm).
double printedSize(double blockSize, double scale, int units, double printScale);

// A picture of a block fitted into a size (white background), for the dialog.
QImage blockPicture(const Drawing& d, int block, QSize size);

} // namespace cad
