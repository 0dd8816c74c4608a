// The dimension styles of a drawing: a list to add to, rename and delete from, and the geometry
// and annotation of the chosen style. The dialog works on a copy of the styles and knows
// nothing of the drawing: the caller takes the edited styles and, for renumbering its
// dimensions, the new index of every style it gave.
#pragma once

#include "engine/model/Dimension.h"
#include "engine/model/Drawing.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace cad {

class DimensionStyleDialog : public QDialog {
public:
    // textStyles: the names of the drawing's text styles (Windows-1250), by index; used(i):
    // whether dimensions use style i as given, which then cannot be deleted.
    DimensionStyleDialog(std::vector<DimensionStyle> styles, std::vector<std::string> textStyles,
                         std::function<bool(int)> used, QWidget* parent = nullptr);

    // The styles as edited, in their new order.
    const std::vector<DimensionStyle>& styles() const { return styles_; }
    // For every style given, its index among styles(), or -1 for one deleted.
    std::vector<int> oldToNew() const;
    // The drawing's print scale 1:N, which every style's sizes on paper are multiplied by: shown
    // below the pages, and as typed there (the one given while the field holds none).
    void setPrintScale(double scale);
    double printScale() const;
    // Refuses, showing the style, while a name is empty or given twice, and while the print
    // scale is not one.
    void accept() override;

private:
    void buildListPage(QWidget* page);
    void buildGeometryPage(QWidget* page);
    void buildAnnotationPage(QWidget* page);
    void fillList();
    void showStyle();
    int selectedRow() const;
    DimensionStyle* selected();
    void addStyle();
    void deleteStyle();
    void pickColor(QPushButton* button, std::uint32_t DimensionStyle::*color);
    void refuse(int textNumber, std::initializer_list<std::string> values = {});
    // Changes the selected style, unless the widgets are being filled from it.
    void edit(const std::function<void(DimensionStyle&)>& change);
    void bind(QDoubleSpinBox* box, double DimensionStyle::*member);
    void bind(QCheckBox* box, bool DimensionStyle::*member);

    std::vector<DimensionStyle> styles_;
    std::vector<int> original_; // per row: the index given, -1 for a style added here
    std::size_t given_ = 0;     // how many styles were given
    std::vector<std::string> textStyles_;
    std::function<bool(int)> used_;
    bool filling_ = false;

    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* delete_ = nullptr;
    QWidget* geometryPage_ = nullptr;
    QWidget* annotationPage_ = nullptr;
    // Geometry.
    QCheckBox* lineInside_ = nullptr;
    QComboBox* arrowhead_ = nullptr;
    QDoubleSpinBox* arrowLength_ = nullptr;
    QDoubleSpinBox* arrowHeight_ = nullptr;
    QDoubleSpinBox* extensionOffset_ = nullptr;
    QDoubleSpinBox* extensionBeyond_ = nullptr;
    QCheckBox* ownColors_ = nullptr;
    QPushButton* lineColor_ = nullptr;
    QPushButton* extensionColor_ = nullptr;
    QPushButton* textColor_ = nullptr;
    QButtonGroup* centre_ = nullptr;
    QDoubleSpinBox* centreSize_ = nullptr;
    // Annotation.
    QLineEdit* contents_ = nullptr;
    QComboBox* textStyle_ = nullptr;
    QButtonGroup* placement_ = nullptr;
    QDoubleSpinBox* textHeight_ = nullptr;
    QDoubleSpinBox* gap_ = nullptr;
    QSpinBox* decimals_ = nullptr;
    QComboBox* separator_ = nullptr;
    QDoubleSpinBox* scaleValue_ = nullptr;
    QDoubleSpinBox* roundOff_ = nullptr;
    QDoubleSpinBox* toleranceUpper_ = nullptr;
    QDoubleSpinBox* toleranceLower_ = nullptr;
    QCheckBox* horizontalText_ = nullptr;
    QCheckBox* perpendicular_ = nullptr;
    QCheckBox* frame_ = nullptr;
    QCheckBox* suppressZeros_ = nullptr;
    // The drawing's print scale.
    QLineEdit* printScale_ = nullptr;
    double printScaleGiven_ = DrawingSettings{}.printScale;
};

} // namespace cad
