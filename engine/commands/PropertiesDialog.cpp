#include "engine/commands/PropertiesDialog.h"

#include "engine/commands/DimensionPage.h"
#include "engine/commands/PropertyFields.h"

namespace cad {

using namespace properties;

// ---- the dialog

PropertiesDialog::PropertiesDialog(const Drawing& d, std::vector<std::uint32_t> handles,
                                   QWidget* parent)
    : QDialog(parent), d_(d), handles_(std::move(handles)) {
    setObjectName(name("Dialog"));
    setWindowTitle(handles_.size() == 1
                       ? engineText(kTitle)
                       : fromEngineText(formatText(engine().text(kTitleOfMany),
                                                   {static_cast<int>(handles_.size())})));
    pages_ = new QTabWidget;
    pages_->setObjectName(name("Pages"));
    addCommonPage();
    if (!handles_.empty()) {
        const EntityType type = d.entities[handles_.front()].type;
        if (std::all_of(handles_.begin(), handles_.end(),
                        [&](std::uint32_t h) { return d.entities[h].type == type; }))
            addKindPage(type);
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    box->button(QDialogButtonBox::Ok)->setObjectName(name("Ok"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(name("Cancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(box);
}

PropertiesDialog::~PropertiesDialog() = default;

void PropertiesDialog::addCommonPage() {
    auto* page = new QWidget;
    page->setObjectName(name("Common"));
    auto* form = new QFormLayout(page);
    Page p(d_, handles_, fields_, form);
    const Drawing& d = d_;

    QStringList layers;
    for (const Layer& l : d.layers)
        layers << fromEngineText(engine().layerTitle(l.name));
    QComboBox* layer = p.choice(
        kLayer, name("Layer"), layers,
        {[](const Drawing& dr, std::uint32_t h) { return int(dr.entities[h].layer); },
         [](EntityChange& c, const int& v) { c.record().layer = static_cast<std::uint16_t>(v); }});
    // Every layer is listed, hidden and locked ones too, each with its colour.
    for (std::size_t i = 0; i < d.layers.size(); ++i)
        layer->setItemIcon(static_cast<int>(i), QIcon(swatch(d.layers[i].color, QSize(12, 12))));
    QStringList styles;
    for (const LineStyle& s : d.lineStyles)
        styles << fromEngineText(s.name);
    p.choice(kLineStyle, name("LineStyle"), styles,
             {[](const Drawing& dr, std::uint32_t h) { return int(dr.entities[h].lineStyle); },
              [](EntityChange& c, const int& v) {
                  c.record().lineStyle = static_cast<std::uint16_t>(v);
              }});

    auto* colorByLayer = new QCheckBox(engineText(kByLayer));
    colorByLayer->setObjectName(name("ColorByLayer"));
    auto* color = new QPushButton;
    color->setObjectName(name("Color"));
    color->setAutoDefault(false);
    color->setMinimumWidth(64);
    auto colorField = std::make_unique<ColorField>(colorByLayer, color, d, handles_);
    ColorField* colorShown = colorField.get();
    fields_.push_back(std::move(colorField));
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorByLayer);
    colorRow->addWidget(color);
    colorRow->addStretch();
    form->addRow(engineText(kColor), colorRow);

    auto* widthByLayer = new QCheckBox(engineText(kByLayer));
    widthByLayer->setObjectName(name("WidthByLayer"));
    auto* width = new QLineEdit;
    width->setObjectName(name("LineWidth"));
    auto widthField = std::make_unique<WidthField>(widthByLayer, width, d, handles_);
    WidthField* widthShown = widthField.get();
    fields_.push_back(std::move(widthField));
    // What "by layer" shows follows the layer chosen.
    connect(layer, &QComboBox::currentIndexChanged, this,
            [dr = &d_, colorShown, widthShown](int i) {
                if (i < 0 || static_cast<std::size_t>(i) >= dr->layers.size())
                    return;
                const Layer& chosen = dr->layers[static_cast<std::size_t>(i)];
                colorShown->layerChosen(chosen.color);
                widthShown->layerChosen(chosen.width);
            });
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(widthByLayer);
    widthRow->addWidget(width, 1);
    widthRow->addWidget(new QLabel(QStringLiteral("mm")));
    form->addRow(engineText(kLineWidth), widthRow);

    // Only shapes that enclose an area can be filled.
    auto* filled = new QCheckBox(engineText(kFilled));
    filled->setObjectName(name("Filled"));
    if (std::all_of(handles_.begin(), handles_.end(),
                    [&](std::uint32_t h) { return canBeFilled(d.entities[h].type); })) {
        const Access<bool> a = flag(EntityFlag::Filled);
        fields_.push_back(
            std::make_unique<CheckField>(filled, shared<bool>(d, handles_, a.get), a.set));
    } else {
        filled->setEnabled(false);
    }
    form->addRow(engineText(kFill), filled);
    pages_->addTab(page, engineText(kCommon));
}

bool PropertiesDialog::changed() const {
    return (dimensionPage_ && dimensionPage_->changes().any()) ||
           std::any_of(fields_.begin(), fields_.end(),
                       [](const std::unique_ptr<Field>& f) { return f->changed(); });
}

Rect PropertiesDialog::apply(ChangeSet& changes) const {
    std::vector<const Field*> edited;
    for (const auto& f : fields_)
        if (f->changed())
            edited.push_back(f.get());
    const DimensionPage::Changes dimensions =
        dimensionPage_ ? dimensionPage_->changes() : DimensionPage::Changes{};
    if (edited.empty() && !dimensions.any())
        return {};
    return changeEntities(changes, handles_, [&](EntityChange& c) {
        for (const Field* f : edited)
            f->write(c);
        if (dimensions.any() && c.type() == EntityType::Dimension) {
            DimensionData data = changes.drawing().dimensionOf(c.entity());
            DimensionPage::apply(dimensions, data);
            DimensionRecord& r = c.dimension();
            r.style = data.style;
            r.placement = data.placement;
            if (dimensions.text)
                c.setDimensionText(data.text);
        }
    });
}

void PropertiesDialog::accept() {
    for (const auto& f : fields_) {
        if (f->valid())
            continue;
        QWidget* w = f->widget();
        for (int i = 0; i < pages_->count(); ++i)
            if (pages_->widget(i)->isAncestorOf(w))
                pages_->setCurrentIndex(i);
        w->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace cad
