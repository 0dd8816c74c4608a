#include "engine/snap/SnapDialog.h"

#include "engine/ui/QtResponder.h"
#include "engine/ui/Toolbars.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace cad {

namespace {

// Texts of the dialog.
constexpr int kTitle = 19113, kObjectGroup = 12431, kClearAll = 12441, kSnapGroup = 12438,
              kAperture = 12442, kAngularGroup = 12461, kUseSteps = 12462, kLengthStep = 12463,
              kAngleStep = 12464, kBaseAngle = 12465, kTracking = 12444, kGrid = 12416, kOk = 11201,
              kCancel = 11202;

struct Way {
    SnapKind kind;
    int text;
    const char* name;
};
// The object snaps in the order the dialog lists them, two columns.
constexpr Way kObjectWays[] = {
    {SnapKind::End, 12432, "end"},
    {SnapKind::Middle, 12433, "middle"},
    {SnapKind::Intersection, 12436, "intersection"},
    {SnapKind::Centre, 12434, "centre"},
    {SnapKind::Perpendicular, 12439, "perpendicular"},
    {SnapKind::Tangent, 12440, "tangent"},
    {SnapKind::Point, 12435, "point"},
    {SnapKind::Nearest, 12437, "nearest"},
};

QDoubleSpinBox* numberBox(QWidget* parent, const char* name, double value, double lowest,
                          double highest) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    // "." whatever the person's locale.
    box->setLocale(QLocale::c());
    box->setDecimals(4);
    box->setRange(lowest, highest);
    box->setValue(std::isfinite(value) ? value : 0);
    return box;
}

} // namespace

SnapDialog::SnapDialog(const SnapSettings& s, std::optional<bool> gridSnap, QWidget* parent)
    : QDialog(parent), original_(s), hasGrid_(gridSnap.has_value()) {
    setObjectName("cadSnapSettings");
    setWindowTitle(engineText(kTitle));
    const auto check = [&](SnapKind kind, int text, const char* name, bool on) {
        auto* box = new QCheckBox(engineText(text), this);
        box->setObjectName(name);
        // The icon of its button tells apart ways whose words are alike.
        box->setIcon(buttonIcon(CAD_CMD_SNAP_END + static_cast<int>(kind)));
        box->setChecked(on);
        checks_[static_cast<std::size_t>(kind)] = box;
        return box;
    };

    auto* objects = new QGroupBox(engineText(kObjectGroup), this);
    auto* objectGrid = new QGridLayout(objects);
    int i = 0;
    for (const Way& w : kObjectWays) {
        objectGrid->addWidget(check(w.kind, w.text, w.name, s.has(w.kind)), i % 4, i / 4);
        ++i;
    }
    auto* clear = new QPushButton(engineText(kClearAll), this);
    clear->setObjectName("clear");
    connect(clear, &QPushButton::clicked, this, [this] { clearAll(); });
    objectGrid->addWidget(clear, 4, 0, 1, 2, Qt::AlignLeft);

    auto* snapping = new QGroupBox(engineText(kSnapGroup), this);
    auto* snapForm = new QFormLayout(snapping);
    snapForm->addRow(check(SnapKind::Tracking, kTracking, "tracking", s.has(SnapKind::Tracking)));
    QCheckBox* grid = check(SnapKind::Grid, kGrid, "grid", gridSnap.value_or(false));
    grid->setEnabled(hasGrid_);
    snapForm->addRow(grid);
    aperture_ = new QSpinBox(this);
    aperture_->setObjectName("aperture");
    aperture_->setRange(kSmallestAperture, kLargestAperture);
    aperture_->setSuffix(QStringLiteral(" px"));
    aperture_->setValue(s.aperture);
    snapForm->addRow(engineText(kAperture), aperture_);

    auto* angular = new QGroupBox(engineText(kAngularGroup), this);
    auto* angularForm = new QFormLayout(angular);
    angularForm->addRow(check(SnapKind::Polar, kUseSteps, "polar", s.has(SnapKind::Polar)));
    lengthStep_ = numberBox(this, "lengthStep", s.lengthStep, 0, 1e9);
    angleStep_ = numberBox(this, "angleStep", s.angleStep, 0, 360);
    baseAngle_ = numberBox(this, "baseAngle", s.baseAngle, -360, 360);
    angularForm->addRow(engineText(kLengthStep), lengthStep_);
    angularForm->addRow(engineText(kAngleStep), angleStep_);
    angularForm->addRow(engineText(kBaseAngle), baseAngle_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(engineText(kOk));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setText(engineText(kCancel));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(objects);
    layout->addWidget(snapping);
    layout->addWidget(angular);
    layout->addWidget(buttons);
}

SnapSettings SnapDialog::settings() const {
    SnapSettings s = original_;
    for (int i = 0; i < kSnapKinds; ++i)
        if (const QCheckBox* box = checks_[static_cast<std::size_t>(i)])
            s.set(static_cast<SnapKind>(i), box->isChecked());
    s.aperture = aperture_->value();
    s.lengthStep = lengthStep_->value();
    s.angleStep = angleStep_->value();
    s.baseAngle = baseAngle_->value();
    return s;
}

std::optional<bool> SnapDialog::gridSnap() const {
    if (!hasGrid_)
        return std::nullopt;
    return checks_[static_cast<std::size_t>(SnapKind::Grid)]->isChecked();
}

void SnapDialog::clearAll() {
    for (QCheckBox* box : checks_)
        if (box && box->isEnabled())
            box->setChecked(false);
}

} // namespace cad
