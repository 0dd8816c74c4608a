// "Podziel rysunek na obszary do drukowania": the modeless dialog of the active drawing's print
// areas. It lists them, adds one picked in the drawing window, removes, moves and changes them,
// gives them all the size and angle of its fields, divides the drawing into them along an axis
// or in a grid, and sets how they are shown. The sizes come from the paper, its margins and the
// scale (or are typed). It follows the active document; every change is one step of its
// history.
#pragma once

#include "engine/model/PrintAreas.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace cad {

class Document;

// What "Automatyczny podział" asks: along an axis to be picked, or a grid over the drawing's
// extents or over a window to be picked; the overlap; the chainages the axis is divided between
// (as typed, empty for its ends); whether the areas go after those there are or replace them.
struct AutoDivision {
    enum class Mode { Axis, Extents, Window } mode = Mode::Axis;
    Overlap overlap;
    QString start, end;
    bool append = false;
};

class AutoDivisionDialog final : public QDialog {
public:
    AutoDivisionDialog(const AutoDivision& initial, QWidget* parent);
    AutoDivision division() const;
    // A chainage that cannot be read keeps the dialog open, with a message.
    void accept() override;

private:
    QRadioButton* axis_ = nullptr;
    QRadioButton* extents_ = nullptr;
    QRadioButton* window_ = nullptr;
    QDoubleSpinBox* overlap_ = nullptr;
    QComboBox* overlapUnit_ = nullptr;
    QLineEdit* start_ = nullptr;
    QLineEdit* end_ = nullptr;
    QCheckBox* append_ = nullptr;
};

class PrintAreasDialog final : public QDialog {
public:
    explicit PrintAreasDialog(QWidget* parent);
    ~PrintAreasDialog() override;

    // The dialog, made on first use and shown over the drawing window.
    static PrintAreasDialog* open(QWidget* parent);
    // The dialog while it exists.
    static PrintAreasDialog* current();

    // The areas picked in the list (their places in the active document's list), in order.
    std::vector<int> pickedAreas() const;
    // Shows the active document's areas and settings again.
    void refresh();

    // The actions of its buttons.
    void addArea();
    void removeAreas();
    void moveArea();
    void applyToAll();
    void chooseFrameColor();
    void automaticDivision();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Document* document() const;
    void fillList();
    void showPicked();
    void showPaper();
    void paperChanged();
    void fieldEdited(QLineEdit* field);
    // The size in the fields; nothing (after telling the person, 16220) when one is missing.
    std::optional<AreaSize> typedSize();
    std::optional<double> typedAngle() const;
    void divide(const AutoDivision& how, AreaSize size);

    QTreeWidget* list_ = nullptr;
    QLineEdit* x_ = nullptr;
    QLineEdit* y_ = nullptr;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QLineEdit* angle_ = nullptr;
    QComboBox* paper_ = nullptr;
    QDoubleSpinBox* paperWidth_ = nullptr;
    QDoubleSpinBox* paperHeight_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QDoubleSpinBox* margin_ = nullptr;
    QLineEdit* scale_ = nullptr;
    QCheckBox* shown_ = nullptr;
    QPushButton* frameColor_ = nullptr;

    int observer_ = 0;
    int document_ = 0;              // the document the list shows
    std::vector<PrintArea> listed_; // the areas it shows
    SheetSettings settingsShown_;   // the settings the fields show
    bool filling_ = false;
};

} // namespace cad
