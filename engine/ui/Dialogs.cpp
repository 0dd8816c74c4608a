#include "engine/ui/Dialogs.h"

#include "engine/Engine.h"
#include "engine/render/Renderer.h"
#include "engine/ui/QtResponder.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringConverter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <set>

namespace cad {

std::function<int(QDialog&)> showModal = [](QDialog& dialog) { return dialog.exec(); };
std::function<QAction*(QMenu&, QPoint)> showMenu = [](QMenu& menu, QPoint at) {
    return menu.exec(at);
};

std::function<QColor(const QColor&, QWidget*)> chooseColor =
    [](const QColor& initial, QWidget* parent) { return QColorDialog::getColor(initial, parent); };

int widthForTitle(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    // The window's icon, its buttons and the title bar's margins take about this much.
    constexpr int kTitleBarFurniture = 140;
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(title) * 1.15)) +
           kTitleBarFurniture;
}

namespace {

// Widens dialogs to their titles as they are shown.
class TitleFitter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow() && dialog->minimumWidth() != dialog->maximumWidth()) {
                const int needed =
                    std::min(widthForTitle(dialog->windowTitle()), dialog->maximumWidth());
                if (dialog->minimumWidth() < needed)
                    dialog->setMinimumWidth(needed);
                if (dialog->width() < needed)
                    dialog->resize(needed, dialog->height());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void fitDialogsToTheirTitles() {
    static QPointer<TitleFitter> fitter;
    if (fitter || !QCoreApplication::instance())
        return;
    fitter = new TitleFitter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(fitter);
}

std::string toEngineText(const QString& text) {
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.isValid() ? QByteArray(encoder(text)) : text.toLatin1();
    return bytes.toStdString();
}

namespace {

std::uint32_t toWindowsColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

// Gives the drawing the new table of layers; oldToNew[i] is the new index of old layer i, or -1
// for a layer that is gone (its entities, all deleted ones, go to layer 0).
void remapLayers(DrawingWriter& w, std::vector<Layer> layers, const std::vector<int>& oldToNew) {
    const auto map = [&](std::int32_t old) {
        if (old < 0 || static_cast<std::size_t>(old) >= oldToNew.size())
            return 0;
        return std::max(0, oldToNew[static_cast<std::size_t>(old)]);
    };
    const Drawing& drawing = w.drawing();
    for (std::size_t h = 0; h < drawing.entities.size(); ++h) {
        const auto layer = static_cast<std::uint16_t>(map(drawing.entities[h].layer));
        if (layer != drawing.entities[h].layer)
            w.record(static_cast<std::uint32_t>(h)).layer = layer;
    }
    w.current().layer = map(w.current().layer);
    w.setLayers(std::move(layers));
}

// The layers of the active document changed: whoever shows them hears of it.
void tablesEdited() {
    engine().tablesChanged();
    engine().redraw();
}

QPushButton* button(const QString& text, const char* objectName) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setAutoDefault(false);
    return b;
}

QDialogButtonBox* okCancel(QDialog* dialog, const char* prefix) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = box->button(QDialogButtonBox::Ok);
    QPushButton* cancel = box->button(QDialogButtonBox::Cancel);
    ok->setText(engineText(11201));
    cancel->setText(engineText(11202));
    ok->setObjectName(QString::fromLatin1(prefix) + QStringLiteral("Ok"));
    cancel->setObjectName(QString::fromLatin1(prefix) + QStringLiteral("Cancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace

bool layerHasEntities(const Drawing& drawing, int layer) {
    for (std::size_t i = 0; i < drawing.entities.size(); ++i) {
        const Entity& e = drawing.entities[i];
        if (e.layer == layer && !e.has(EntityFlag::Deleted))
            return true;
    }
    return false;
}

void reorderLayers(DrawingWriter& w, const std::vector<int>& order) {
    const Drawing& drawing = w.drawing();
    const std::size_t n = drawing.layers.size();
    if (order.size() != n)
        return;
    std::vector<int> oldToNew(n, -1);
    std::vector<Layer> layers;
    layers.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int old = order[i];
        if (old < 0 || static_cast<std::size_t>(old) >= n ||
            oldToNew[static_cast<std::size_t>(old)] >= 0)
            return; // not a permutation
        oldToNew[static_cast<std::size_t>(old)] = static_cast<int>(i);
        layers.push_back(drawing.layers[static_cast<std::size_t>(old)]);
    }
    remapLayers(w, std::move(layers), oldToNew);
}

// ---- layers -------------------------------------------------------------------------------------

LayersDialog::LayersDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), drawing_(document.drawing()) {
    const Drawing& drawing = drawing_;
    setObjectName(QStringLiteral("cadLayersDialog"));
    setWindowTitle(engineText(11501));
    for (std::size_t i = 0; i < drawing.layers.size(); ++i)
        rows_.push_back({drawing.layers[i], static_cast<int>(i)});
    current_ = std::clamp(drawing.current.layer, 0, static_cast<int>(rows_.size()) - 1);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("cadLayerList"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({engineText(11502), engineText(11503)});
    list_->setRootIsDecorated(false);
    list_->setMinimumWidth(320);

    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("cadLayerName"));
    width_ = new QDoubleSpinBox;
    width_->setObjectName(QStringLiteral("cadLayerWidth"));
    width_->setRange(0, 100);
    width_->setDecimals(2);
    width_->setSingleStep(0.05);
    width_->setSuffix(QStringLiteral(" mm"));
    color_ = button(QString(), "cadLayerColor");
    fillColor_ = button(QString(), "cadLayerFillColor");
    hidden_ = new QCheckBox(engineText(11508));
    hidden_->setObjectName(QStringLiteral("cadLayerHidden"));
    locked_ = new QCheckBox(engineText(11509));
    locked_->setObjectName(QStringLiteral("cadLayerLocked"));
    noPrint_ = new QCheckBox(engineText(11510));
    noPrint_->setObjectName(QStringLiteral("cadLayerNoPrint"));

    auto* form = new QFormLayout;
    form->addRow(engineText(11504), name_);
    form->addRow(engineText(11505), width_);
    form->addRow(engineText(11506), color_);
    form->addRow(engineText(11507), fillColor_);
    form->addRow(hidden_);
    form->addRow(locked_);
    form->addRow(noPrint_);

    auto* add = button(engineText(11203), "cadLayerAdd");
    auto* remove = button(engineText(11204), "cadLayerDelete");
    auto* current = button(engineText(11205), "cadLayerCurrent");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(current);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    auto* title = new QLabel(engineText(11512));
    right->addWidget(title);
    right->addLayout(form);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(okCancel(this, "cadLayer"));

    fillList();
    list_->setCurrentItem(list_->topLevelItem(current_));
    showRow();

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { showRow(); });
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int r = selectedRow();
        if (r < 0 || filling_)
            return;
        rows_[static_cast<std::size_t>(r)].layer.name = toEngineText(text.trimmed());
        updateRowText(r);
    });
    connect(width_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        const int r = selectedRow();
        if (r >= 0 && !filling_)
            rows_[static_cast<std::size_t>(r)].layer.width = value;
    });
    const auto flag = [this](QCheckBox* box, bool Layer::*member, bool inverted) {
        connect(box, &QCheckBox::toggled, this, [this, member, inverted](bool on) {
            const int r = selectedRow();
            if (r < 0 || filling_)
                return;
            rows_[static_cast<std::size_t>(r)].layer.*member = inverted ? !on : on;
            updateRowText(r);
        });
    };
    flag(hidden_, &Layer::visible, true);
    flag(locked_, &Layer::locked, false);
    flag(noPrint_, &Layer::printable, true);
    connect(color_, &QPushButton::clicked, this, [this] { pickColor(false); });
    connect(fillColor_, &QPushButton::clicked, this, [this] { pickColor(true); });
    connect(add, &QPushButton::clicked, this, [this] { addLayer(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteLayer(); });
    connect(current, &QPushButton::clicked, this, [this] { makeCurrent(); });
}

void LayersDialog::fillList() {
    filling_ = true;
    list_->clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        list_->addTopLevelItem(new QTreeWidgetItem);
        updateRowText(static_cast<int>(i));
    }
    filling_ = false;
}

void LayersDialog::updateRowText(int row) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item)
        return;
    const Layer& l = rows_[static_cast<std::size_t>(row)].layer;
    item->setText(0, fromEngineText(engine().layerTitle(l.name)));
    QStringList status;
    if (row == current_)
        status << QStringLiteral("*");
    if (!l.visible)
        status << engineText(11508);
    if (l.locked)
        status << engineText(11509);
    if (!l.printable)
        status << engineText(11510);
    item->setText(1, status.join(QStringLiteral(", ")));
    QFont font = item->font(0);
    font.setBold(row == current_);
    item->setFont(0, font);
}

int LayersDialog::selectedRow() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : -1;
}

void LayersDialog::setSwatch(QPushButton* b, std::uint32_t color) {
    QPixmap swatch(32, 14);
    swatch.fill(toQColor(color));
    b->setIcon(QIcon(swatch));
    b->setIconSize(swatch.size());
    b->setProperty("cadColor", static_cast<uint>(color));
}

void LayersDialog::showRow() {
    const int r = selectedRow();
    filling_ = true;
    const bool any = r >= 0;
    for (QWidget* w : std::initializer_list<QWidget*>{name_, width_, color_, fillColor_, hidden_,
                                                      locked_, noPrint_})
        w->setEnabled(any);
    if (any) {
        const Layer& l = rows_[static_cast<std::size_t>(r)].layer;
        name_->setText(fromEngineText(l.name));
        width_->setValue(l.width);
        setSwatch(color_, l.color);
        setSwatch(fillColor_, l.fillColor);
        hidden_->setChecked(!l.visible);
        locked_->setChecked(l.locked);
        noPrint_->setChecked(!l.printable);
    }
    filling_ = false;
}

void LayersDialog::pickColor(bool fill) {
    const int r = selectedRow();
    if (r < 0)
        return;
    Layer& l = rows_[static_cast<std::size_t>(r)].layer;
    std::uint32_t& target = fill ? l.fillColor : l.color;
    const QColor chosen = chooseColor(toQColor(target), this);
    if (!chosen.isValid())
        return;
    target = toWindowsColor(chosen);
    setSwatch(fill ? fillColor_ : color_, target);
}

void LayersDialog::addLayer() {
    // "Layer :" without its colon, and a number.
    const QString base = engineText(11512).remove(QLatin1Char(':')).trimmed();
    QString name;
    for (int n = static_cast<int>(rows_.size());; ++n) {
        name = base + QLatin1Char(' ') + QString::number(n);
        const std::string bytes = toEngineText(name);
        if (std::none_of(rows_.begin(), rows_.end(),
                         [&](const Row& r) { return r.layer.name == bytes; }))
            break;
    }
    Row row;
    if (!rows_.empty()) { // the new layer starts like the selected one
        const int s = std::max(selectedRow(), 0);
        row.layer = rows_[static_cast<std::size_t>(s)].layer;
        row.layer.visible = true;
        row.layer.locked = false;
        row.layer.printable = true;
    }
    row.layer.name = toEngineText(name);
    rows_.push_back(row);
    fillList();
    list_->setCurrentItem(list_->topLevelItem(static_cast<int>(rows_.size()) - 1));
    showRow();
    name_->setFocus();
    name_->selectAll();
}

void LayersDialog::deleteLayer() {
    const int r = selectedRow();
    if (r < 0)
        return;
    const auto refuse = [this](int number) {
        engine().responder()->tell(toEngineText(windowTitle()), engine().text(number), true);
    };
    if (rows_.size() <= 1) {
        refuse(10651);
        return;
    }
    const int original = rows_[static_cast<std::size_t>(r)].original;
    if (original >= 0 && layerHasEntities(drawing_, original)) {
        refuse(10652);
        return;
    }
    rows_.erase(rows_.begin() + r);
    if (current_ > r)
        --current_;
    else if (current_ == r)
        current_ = 0;
    fillList();
    list_->setCurrentItem(list_->topLevelItem(std::min(r, static_cast<int>(rows_.size()) - 1)));
    showRow();
}

void LayersDialog::makeCurrent() {
    const int r = selectedRow();
    if (r < 0)
        return;
    const int previous = current_;
    current_ = r;
    updateRowText(previous);
    updateRowText(r);
}

void LayersDialog::accept() {
    // Names must be there and differ from each other.
    std::set<std::string> names;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::string& name = rows_[i].layer.name;
        const bool empty = name.empty();
        if (empty || !names.insert(name).second) {
            const std::string message =
                empty ? engine().text(10670) : formatText(engine().text(10671), {name});
            engine().responder()->tell(toEngineText(windowTitle()), message, true);
            list_->setCurrentItem(list_->topLevelItem(static_cast<int>(i)));
            return;
        }
    }
    std::vector<int> oldToNew(drawing_.layers.size(), -1);
    std::vector<Layer> layers;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].original >= 0)
            oldToNew[static_cast<std::size_t>(rows_[i].original)] = static_cast<int>(i);
        layers.push_back(rows_[i].layer);
    }
    // One step of the document's history; the layer new entities go on is not part of it.
    Edit edit(document_);
    remapLayers(edit.changes(), std::move(layers), oldToNew);
    edit.commit();
    document_.current().layer = current_;
    tablesEdited();
    QDialog::accept();
}

// ---- order of layers ----------------------------------------------------------------------------

LayerOrderDialog::LayerOrderDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), drawing_(document.drawing()) {
    const Drawing& drawing = drawing_;
    setObjectName(QStringLiteral("cadLayerOrderDialog"));
    setWindowTitle(engineText(11513));
    for (std::size_t i = 0; i < drawing.layers.size(); ++i)
        order_.push_back(static_cast<int>(i));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("cadLayerOrderList"));
    auto* up = button(QString::fromUtf8("▲"), "cadLayerUp");
    auto* down = button(QString::fromUtf8("▼"), "cadLayerDown");
    auto* side = new QVBoxLayout;
    side->addWidget(up);
    side->addWidget(down);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okCancel(this, "cadLayerOrder"));
    fillList(0);
    connect(up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down, &QPushButton::clicked, this, [this] { move(1); });
}

void LayerOrderDialog::fillList(int select) {
    list_->clear();
    for (int old : order_)
        list_->addItem(fromEngineText(
            engine().layerTitle(drawing_.layers[static_cast<std::size_t>(old)].name)));
    list_->setCurrentRow(select);
}

void LayerOrderDialog::move(int by) {
    const int r = list_->currentRow();
    const int to = r + by;
    if (r < 0 || to < 0 || to >= static_cast<int>(order_.size()))
        return;
    std::swap(order_[static_cast<std::size_t>(r)], order_[static_cast<std::size_t>(to)]);
    fillList(to);
}

void LayerOrderDialog::accept() {
    bool changed = false;
    for (std::size_t i = 0; i < order_.size(); ++i)
        changed = changed || order_[i] != static_cast<int>(i);
    if (changed && order_.size() == drawing_.layers.size()) {
        Edit edit(document_);
        reorderLayers(edit.changes(), order_);
        edit.commit();
        tablesEdited();
    }
    QDialog::accept();
}

// ---- open files ---------------------------------------------------------------------------------

FileListDialog::FileListDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadFileListDialog"));
    setWindowTitle(engineText(10981));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("cadFileListView"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("cadFileListStatus"));
    auto* activate = button(engineText(10983), "cadFileActivate");
    auto* close = button(engineText(10984), "cadFileClose");
    auto* done = button(engineText(10990), "cadFileListDone");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(activate);
    buttons->addWidget(close);
    buttons->addStretch();
    buttons->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    fillList();
    connect(activate, &QPushButton::clicked, this, [this] { activateSelected(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { activateSelected(); });
    connect(close, &QPushButton::clicked, this, [this] { closeSelected(); });
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

void FileListDialog::fillList() {
    list_->clear();
    const Document* active = engine().active();
    int select = 0;
    for (const auto& d : engine().documents()) {
        QString name = d->path.empty() ? engineText(10502)
                                       : QFileInfo(QFile::decodeName(d->path.c_str())).fileName();
        if (d->modified())
            name += QStringLiteral(" *");
        auto* item = new QListWidgetItem(name);
        item->setData(Qt::UserRole, d->handle);
        if (!d->path.empty())
            item->setToolTip(QFile::decodeName(d->path.c_str()));
        if (d.get() == active) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            select = list_->count();
        }
        list_->addItem(item);
    }
    if (list_->count() > 0)
        list_->setCurrentRow(select);
}

int FileListDialog::selectedHandle() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void FileListDialog::activateSelected() {
    if (Document* d = engine().find(selectedHandle()); d && selectedHandle() > 0) {
        engine().activate(*d);
        engine().redraw();
        fillList();
    }
}

void FileListDialog::closeSelected() {
    const int handle = selectedHandle();
    Document* d = handle > 0 ? engine().find(handle) : nullptr;
    if (!d)
        return;
    const QString name = list_->currentItem()->text();
    if (engine().closeWithQuestion(handle)) {
        status_->setText(engineText(10982) + QStringLiteral(": ") + name);
        engine().redraw();
    }
    fillList();
}

// ---- information --------------------------------------------------------------------------------

InfoDialog::InfoDialog(const std::vector<std::string>& lines, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadInfoDialog"));
    setWindowTitle(engineText(19027));
    auto* text = new QPlainTextEdit;
    text->setObjectName(QStringLiteral("cadInfoText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    text->setFont(mono);
    QStringList all;
    for (const auto& line : lines)
        all << fromEngineText(line);
    text->setPlainText(all.join(QLatin1Char('\n')));
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok);
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(box);
    resize(460, 420);
}

} // namespace cad
