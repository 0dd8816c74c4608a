#include "engine/view/ViewDialogs.h"

#include "engine/render/Renderer.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Ok)->setObjectName("ok");
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    box->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QDoubleSpinBox* numberBox(QWidget* parent, const char* name, double value, double minimum) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setDecimals(4);
    box->setRange(minimum, 1e9);
    box->setValue(value);
    return box;
}

} // namespace

// ---- the name of a view

ViewNameDialog::ViewNameDialog(QWidget* parent, const std::string& suggestion)
    : QDialog(parent), edit_(new QLineEdit(this)) {
    setWindowTitle(engineText(10988));
    edit_->setObjectName("name");
    edit_->setText(fromW1250(suggestion));
    edit_->selectAll();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(engineText(10989), this));
    layout->addWidget(edit_);
    layout->addWidget(okCancel(this));
}

std::string ViewNameDialog::name() const {
    return toW1250(edit_->text().trimmed());
}

std::optional<std::string> ViewNameDialog::ask(QWidget* parent, const std::string& suggestion) {
    ViewNameDialog dialog(parent, suggestion);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.name();
}

// ---- the saved views

ViewsDialog::ViewsDialog(int document, QWidget* parent)
    : QDialog(parent), document_(document), list_(new QListWidget(this)) {
    setWindowTitle(engineText(10985).remove(QLatin1Char(':')));
    list_->setObjectName("views");
    auto* show = new QPushButton(engineText(11201), this);
    show->setObjectName("show");
    show->setDefault(true);
    auto* rename = new QPushButton(engineText(10986), this);
    rename->setObjectName("rename");
    auto* remove = new QPushButton(engineText(10987), this);
    remove->setObjectName("delete");
    auto* close = new QPushButton(engineText(11202), this);
    close->setObjectName("cancel");
    connect(show, &QPushButton::clicked, this, [this] { showSelected(); });
    connect(rename, &QPushButton::clicked, this, [this] { renameSelected(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { showSelected(); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(show);
    buttons->addWidget(rename);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(engineText(10985), this));
    left->addWidget(list_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    fill(0);
}

Document* ViewsDialog::document() const {
    return engine().find(document_);
}

void ViewsDialog::fill(int select) {
    list_->clear();
    if (const Document* d = document())
        for (const auto& [name, view] : d->savedViews)
            list_->addItem(fromW1250(name));
    if (list_->count() > 0)
        list_->setCurrentRow(std::clamp(select, 0, list_->count() - 1));
}

void ViewsDialog::showSelected() {
    Document* d = document();
    const int row = list_->currentRow();
    if (!d || row < 0 || row >= static_cast<int>(d->savedViews.size()))
        return;
    const View& saved = d->savedViews[static_cast<std::size_t>(row)].second;
    engine().pushView(*d);
    // The window keeps its size; the view its centre and scale.
    d->view.centre = saved.centre;
    d->view.unitsPerPixel = saved.unitsPerPixel;
    if (d == engine().active())
        engine().redraw();
    accept();
}

void ViewsDialog::renameSelected() {
    Document* d = document();
    const int row = list_->currentRow();
    if (!d || row < 0 || row >= static_cast<int>(d->savedViews.size()))
        return;
    auto& entry = d->savedViews[static_cast<std::size_t>(row)];
    const auto name = DrawingWindow::askViewName(entry.first);
    if (!name || name->empty())
        return;
    entry.first = *name;
    fill(row);
}

void ViewsDialog::deleteSelected() {
    Document* d = document();
    const int row = list_->currentRow();
    if (!d || row < 0 || row >= static_cast<int>(d->savedViews.size()))
        return;
    d->savedViews.erase(d->savedViews.begin() + row);
    fill(row);
}

// ---- the grid

GridDialog::GridDialog(const DrawingSettings& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(engineText(12401));
    stepX_ = numberBox(this, "stepX", s.gridStepX, 1e-4);
    stepY_ = numberBox(this, "stepY", s.gridStepY, 1e-4);
    originX_ = numberBox(this, "originX", s.gridOriginX, -1e9);
    originY_ = numberBox(this, "originY", s.gridOriginY, -1e9);

    auto* step = new QGroupBox(engineText(12412), this);
    auto* stepForm = new QFormLayout(step);
    stepForm->addRow(engineText(12413), stepX_);
    stepForm->addRow(engineText(12414), stepY_);
    auto* origin = new QGroupBox(engineText(12411), this);
    auto* originForm = new QFormLayout(origin);
    originForm->addRow(QStringLiteral("X"), originX_);
    originForm->addRow(QStringLiteral("Y"), originY_);

    kind_ = new QComboBox(this);
    kind_->setObjectName("kind");
    for (int n = 12402; n <= 12407; ++n)
        kind_->addItem(engineText(n));
    kind_->setCurrentIndex(std::clamp(s.gridKind, 0, 5));
    shown_ = new QCheckBox(engineText(12417), this);
    shown_->setObjectName("show");
    shown_->setChecked(s.gridShown);
    snap_ = new QCheckBox(engineText(12416), this);
    snap_->setObjectName("snap");
    snap_->setChecked(s.gridSnap);
    colorButton_ = new QPushButton(engineText(12422), this);
    colorButton_->setObjectName("color");
    setColor(s.gridColor);
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(toQColor(color_), this, engineText(12422));
        if (c.isValid())
            setColor(static_cast<std::uint32_t>(c.red() | (c.green() << 8) | (c.blue() << 16)));
    });

    auto* kindForm = new QFormLayout;
    kindForm->addRow(engineText(12421), kind_);
    auto* layout = new QGridLayout(this);
    layout->addWidget(step, 0, 0);
    layout->addWidget(origin, 0, 1);
    layout->addLayout(kindForm, 1, 0, 1, 2);
    layout->addWidget(shown_, 2, 0);
    layout->addWidget(snap_, 2, 1);
    layout->addWidget(colorButton_, 3, 0);
    layout->addWidget(okCancel(this), 4, 0, 1, 2);
}

void GridDialog::setColor(std::uint32_t color) {
    color_ = color & 0xFFFFFF;
    QPixmap swatch(16, 16);
    swatch.fill(toQColor(color_));
    colorButton_->setIcon(QIcon(swatch));
}

void GridDialog::applyTo(DrawingSettings& s) const {
    s.gridStepX = stepX_->value();
    s.gridStepY = stepY_->value();
    s.gridOriginX = originX_->value();
    s.gridOriginY = originY_->value();
    s.gridKind = kind_->currentIndex();
    s.gridShown = shown_->isChecked();
    s.gridSnap = snap_->isChecked();
    s.gridColor = color_;
}

// ---- the navigator

NavigatorWindow::NavigatorWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("cadNavigator");
    setWindowTitle(engineText(19029));
    setCursor(Qt::CrossCursor);
}

bool NavigatorWindow::changed() const {
    const Drawing* dr = activeDrawing();
    return !dr || dr->serial != serial_ || dr->version != edits_ ||
           dr->entities.size() != entities_ || image_.size() != size();
}

Rect NavigatorWindow::frame() const {
    const Document* d = engine().active();
    if (!d)
        return {};
    const Drawing& dr = d->drawing();
    if (dr.serial != frameSerial_ || dr.version != frameEdits_ ||
        dr.entities.size() != frameEntities_) {
        frameSerial_ = dr.serial;
        frameEdits_ = dr.version;
        frameEntities_ = dr.entities.size();
        drawingFrame_ = Rect{};
        const Rect e = dr.extents();
        if (!e.empty()) {
            const double margin = std::max(std::max(e.width(), e.height()) * 0.05, 1e-9);
            drawingFrame_.add(e.left - margin, e.bottom - margin);
            drawingFrame_.add(e.right + margin, e.top + margin);
        }
    }
    return drawingFrame_.empty() ? d->view.rect() : drawingFrame_;
}

QPointF NavigatorWindow::toPixel(Vec2 p) const {
    const Rect f = frame();
    if (f.empty() || f.width() <= 0 || f.height() <= 0)
        return {};
    const double scale = std::min(width() / f.width(), height() / f.height());
    const Vec2 c = f.centre();
    return {width() / 2.0 + (p.x - c.x) * scale, height() / 2.0 - (p.y - c.y) * scale};
}

Vec2 NavigatorWindow::toDrawing(QPointF pixel) const {
    const Rect f = frame();
    if (f.empty() || f.width() <= 0 || f.height() <= 0)
        return {};
    const double scale = std::min(width() / f.width(), height() / f.height());
    const Vec2 c = f.centre();
    return {c.x + (pixel.x() - width() / 2.0) / scale, c.y - (pixel.y() - height() / 2.0) / scale};
}

void NavigatorWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Document* d = engine().active();
    if (!d) {
        p.fillRect(rect(), QColor(160, 160, 160));
        return;
    }
    const Drawing& dr = d->drawing();
    if (changed()) {
        serial_ = dr.serial;
        edits_ = dr.version;
        entities_ = dr.entities.size();
        frame();
        image_ = QImage(size(), QImage::Format_RGB32);
        image_.fill(toQColor(dr.settings.background));
        if (!drawingFrame_.empty() && width() > 0 && height() > 0) {
            QPainter ip(&image_);
            const double perPixel =
                std::max(drawingFrame_.width() / width(), drawingFrame_.height() / height());
            RenderOptions options;
            options.showLineWidths = false;
            options.fillOutlinesOnly = dr.settings.showFillOutlinesOnly;
            options.showSelection = false;
            renderDrawing(
                ip, dr, RenderView::centredOn(drawingFrame_.centre(), perPixel, width(), height()),
                options);
        }
    }
    p.drawImage(0, 0, image_);
    const Rect v = d->view.rect();
    p.setPen(QPen(QColor(220, 0, 0), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(toPixel({v.left, v.top}), toPixel({v.right, v.bottom})).normalized());
}

void NavigatorWindow::centreAt(QPointF pixel) {
    Document* d = engine().active();
    if (!d || frame().empty())
        return;
    d->view.centre = toDrawing(pixel);
    engine().redraw();
    update();
}

void NavigatorWindow::mousePressEvent(QMouseEvent* event) {
    Document* d = engine().active();
    if (event->button() != Qt::LeftButton || !d)
        return;
    engine().pushView(*d);
    centreAt(event->position());
}

void NavigatorWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        centreAt(event->position());
}

} // namespace cad
