#include "engine/commands/DimensionPage.h"

#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

#include <algorithm>

namespace cad {

namespace {

constexpr int kTitle = 14401, kFirstKind = 14402, kOrdinate = 14408, kOwnText = 14412,
              kKind = 14413, kValue = 14414, kText = 14415, kStyle = 14416, kAsStyle = 14417,
              kPlacement = 11853, kAbove = 11805, kCentred = 11806, kBelow = 11807;

QString name(const char* role) {
    return QStringLiteral("cadDimension") + QLatin1String(role);
}

bool hasOwnText(const DimensionData& d) {
    return !d.text.empty() && d.text != "<>";
}

// The value every dimension has, or nothing when they differ.
template <typename T, typename Of>
std::optional<T> shared(const std::vector<DimensionPageEntry>& all, const Of& of) {
    std::optional<T> value;
    for (const DimensionPageEntry& e : all) {
        const T v = of(e);
        if (value && !(*value == v))
            return std::nullopt;
        value = v;
    }
    return value;
}

QLineEdit* shownOnly(const char* role, const QString& text) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name(role));
    edit->setReadOnly(true);
    edit->setFrame(false);
    return edit;
}

} // namespace

QString DimensionPage::title() {
    return engineText(kTitle);
}

QString DimensionPage::kindName(DimensionKind kind) {
    switch (kind) {
    case DimensionKind::OrdinateX:
        return engineText(kOrdinate) + QStringLiteral(" X");
    case DimensionKind::OrdinateY:
        return engineText(kOrdinate) + QStringLiteral(" Y");
    default:
        return engineText(kFirstKind + static_cast<int>(kind));
    }
}

DimensionPage::DimensionPage(const std::vector<DimensionPageEntry>& dimensions,
                             const std::vector<std::string>& styleNames, QWidget* parent)
    : QWidget(parent) {
    setObjectName(name("Page"));
    auto* form = new QFormLayout(this);

    const auto kind = shared<DimensionKind>(dimensions, [](const auto& e) { return e.data.kind; });
    form->addRow(engineText(kKind), shownOnly("Kind", kind ? kindName(*kind) : QString()));
    // The value to three decimals, an angle with its degree sign.
    const auto value = shared<double>(dimensions, [](const auto& e) { return e.value; });
    QString shownValue;
    if (value && kind) {
        shownValue = QString::number(*value, 'f', 3);
        if (*kind == DimensionKind::Angular)
            shownValue += QChar(0xB0);
    }
    form->addRow(engineText(kValue), shownOnly("Value", shownValue));

    ownText_ = new QCheckBox(engineText(kOwnText));
    ownText_->setObjectName(name("OwnText"));
    const auto own = shared<bool>(dimensions, [](const auto& e) { return hasOwnText(e.data); });
    if (own) {
        ownText_->setChecked(*own);
    } else {
        ownText_->setTristate(true);
        ownText_->setCheckState(Qt::PartiallyChecked);
    }
    initialOwn_ = ownText_->checkState();
    form->addRow(ownText_);

    text_ = new QLineEdit;
    text_->setObjectName(name("Text"));
    text_->setMinimumWidth(240);
    if (own && *own) {
        if (const auto t =
                shared<std::string>(dimensions, [](const auto& e) { return e.data.text; }))
            initialText_ = fromEngineText(*t);
    }
    text_->setText(initialText_);
    form->addRow(engineText(kText), text_);
    // Typing a text makes it the dimensions' own.
    connect(text_, &QLineEdit::textEdited, this, [this] { ownText_->setCheckState(Qt::Checked); });

    style_ = new QComboBox;
    style_->setObjectName(name("Style"));
    for (const std::string& n : styleNames)
        style_->addItem(fromEngineText(n));
    const auto style = shared<int>(dimensions, [](const auto& e) { return int(e.data.style); });
    style_->setCurrentIndex(style && *style >= 0 && *style < style_->count() ? *style : -1);
    initialStyle_ = style_->currentIndex();
    form->addRow(engineText(kStyle), style_);

    placement_ = new QComboBox;
    placement_->setObjectName(name("Placement"));
    for (const int text : {kAsStyle, kAbove, kCentred, kBelow})
        placement_->addItem(engineText(text));
    const auto placement =
        shared<int>(dimensions, [](const auto& e) { return int(e.data.placement); });
    placement_->setCurrentIndex(placement ? *placement : -1);
    initialPlacement_ = placement_->currentIndex();
    form->addRow(engineText(kPlacement), placement_);
}

DimensionPage::Changes DimensionPage::changes() const {
    Changes c;
    const Qt::CheckState own = ownText_->checkState();
    const QString text = text_->text();
    if (own == Qt::Unchecked && initialOwn_ != Qt::Unchecked)
        c.text = std::string();
    else if (own == Qt::Checked && (initialOwn_ != Qt::Checked || text != initialText_))
        c.text = toEngineText(text);
    if (style_->currentIndex() >= 0 && style_->currentIndex() != initialStyle_)
        c.style = style_->currentIndex();
    if (placement_->currentIndex() >= 0 && placement_->currentIndex() != initialPlacement_)
        c.placement = static_cast<PlacementOverride>(placement_->currentIndex());
    return c;
}

void DimensionPage::apply(const Changes& changes, DimensionData& d) {
    if (changes.text)
        d.text = *changes.text;
    if (changes.style)
        d.style = *changes.style;
    if (changes.placement)
        d.placement = *changes.placement;
}

} // namespace cad
