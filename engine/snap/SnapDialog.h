// The settings of snapping: the ways of finding a point, the aperture in pixels, and the steps
// of length and angle from the base point with the angle they count from.
#pragma once

#include "engine/snap/SnapSettings.h"

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace cad {

class SnapDialog : public QDialog {
public:
    // gridSnap: the active drawing's grid snapping; nothing without a drawing.
    SnapDialog(const SnapSettings& settings, std::optional<bool> gridSnap,
               QWidget* parent = nullptr);
    SnapSettings settings() const;
    std::optional<bool> gridSnap() const;
    // Unchecks every way of finding a point.
    void clearAll();

private:
    SnapSettings original_;
    std::array<QCheckBox*, kSnapKinds> checks_{};
    QSpinBox* aperture_ = nullptr;
    QDoubleSpinBox *lengthStep_ = nullptr, *angleStep_ = nullptr, *baseAngle_ = nullptr;
    bool hasGrid_ = false;
};

} // namespace cad
