// The page of dimensions among the properties of objects: their kind and measured value, shown
// only, and their own text, style and placement, which the person may change. It shows a value
// only when every dimension has it; what is left blank changes nothing. The page knows nothing
// of the drawing: it is filled from the dimensions' data and gives back what was changed.
#pragma once

#include "engine/model/Dimension.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace cad {

struct DimensionPageEntry {
    DimensionData data;
    double value = 0; // what it measures (measuredValue)
};

class DimensionPage : public QWidget {
public:
    // styleNames: the drawing's dimension styles (Windows-1250), by index.
    DimensionPage(const std::vector<DimensionPageEntry>& dimensions,
                  const std::vector<std::string>& styleNames, QWidget* parent = nullptr);

    struct Changes {
        std::optional<std::string> text; // the own text; "" for the measured value
        std::optional<int> style;
        std::optional<PlacementOverride> placement;
        bool any() const { return text || style || placement; }
    };
    // What the person changed.
    Changes changes() const;
    // Writes the changes into a dimension.
    static void apply(const Changes& changes, DimensionData& d);

    // The page's title, and the name of a kind.
    static QString title();
    static QString kindName(DimensionKind kind);

private:
    QCheckBox* ownText_ = nullptr;
    QLineEdit* text_ = nullptr;
    QComboBox* style_ = nullptr;
    QComboBox* placement_ = nullptr;
    Qt::CheckState initialOwn_ = Qt::Unchecked;
    QString initialText_;
    int initialStyle_ = -1;
    int initialPlacement_ = -1;
};

} // namespace cad
