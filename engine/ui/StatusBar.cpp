#include "engine/ui/StatusBar.h"

#include "engine/Engine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace cad {

QString cursorText(double x, double y) {
    return QStringLiteral("X: %1  Y: %2")
        .arg(QString::fromStdString(formatNumber(x, 2)),
             QString::fromStdString(formatNumber(y, 2)));
}

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("cadStatusBar"));
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    for (int i = 0; i < paneCount; ++i) {
        auto* pane = new QLabel(this);
        pane->setObjectName(QStringLiteral("cadStatusPane%1").arg(i));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setTextFormat(Qt::PlainText);
        pane->setMinimumHeight(pane->fontMetrics().height() + 4);
        panes_[static_cast<std::size_t>(i)] = pane;
    }
    // The cursor keeps a width that fits long coordinates; the prompt and the program's text
    // share the rest.
    panes_[0]->setMinimumWidth(
        panes_[0]->fontMetrics().horizontalAdvance(cursorText(-99999999.99, -99999999.99)) + 8);
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("cadCoordinateInput"));
    input_->setFixedHeight(panes_[1]->minimumHeight());
    input_->setMinimumWidth(input_->fontMetrics().horizontalAdvance(QStringLiteral("@")) * 24);
    input_->hide();
    layout->addWidget(panes_[0]);
    layout->addWidget(panes_[1], 2);
    layout->addWidget(input_);
    layout->addWidget(panes_[2], 1);
    panes_[0]->setText(QStringLiteral(" "));
}

StatusBar::~StatusBar() = default;

bool StatusBar::setPaneText(int pane, const QString& text) {
    if (pane < 0 || pane >= paneCount)
        return false;
    panes_[static_cast<std::size_t>(pane)]->setText(text);
    return true;
}

QString StatusBar::paneText(int pane) const {
    if (pane < 0 || pane >= paneCount)
        return {};
    return panes_[static_cast<std::size_t>(pane)]->text();
}

void StatusBar::showCursor(double x, double y) {
    panes_[0]->setText(cursorText(x, y));
}

void StatusBar::fitToParent() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const int h = std::max(sizeHint().height(), fontMetrics().height() + 8);
    setGeometry(0, std::max(0, parent->height() - h), parent->width(), h);
}

} // namespace cad
