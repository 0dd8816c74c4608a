#include "import/Unit_progres.h"

#include "engine/CadApi.h"
#include "support/Platform.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include <climits>

TForm_Progres* Form_Progres = nullptr;
bool Busy = false;
bool CancelRequested = false;
bool CancelConfirmed = false;

namespace {

MainWindowParts& parts() {
    static MainWindowParts p;
    return p;
}

// Progress bars count in int; a file beyond 2 GiB is counted in larger units.
int progressShift = 0;

int scaled(std::int64_t value) {
    return static_cast<int>(value >> progressShift);
}

// The bar is moved when its position has changed by a thousandth or more: it looks the same,
// and a progress bar is too slow to be set for every line of a large file.
std::int64_t shownPosition = 0;
std::int64_t visibleStep = 1;

} // namespace

TForm_Progres::TForm_Progres(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    Form_Progres = this;
    setObjectName(QStringLiteral("Form_Progres"));
    setWindowTitle(QString::fromUtf8(u8"Postęp"));
    setFixedSize(316, 71);
    setModal(false);

    Label_opis = new QLabel(QStringLiteral("___"), this);
    Label_opis->setObjectName(QStringLiteral("Label_opis"));
    Label_opis->setWordWrap(true);
    Label_opis->setGeometry(6, 10, 304, 30);
    Label_opis->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Progres = new QProgressBar(this);
    Progres->setObjectName(QStringLiteral("Progres"));
    Progres->setGeometry(4, 46, 237, 13);
    Progres->setRange(0, 100);
    Progres->setTextVisible(false);

    Btn_Anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    Btn_Anuluj->setObjectName(QStringLiteral("Btn_Anuluj"));
    Btn_Anuluj->setGeometry(246, 36, 67, 25);
    Btn_Anuluj->setFocus();
    connect(Btn_Anuluj, &QPushButton::clicked, this, &TForm_Progres::Btn_AnulujClick);
}

TForm_Progres::~TForm_Progres() {
    if (Form_Progres == this)
        Form_Progres = nullptr;
}

void TForm_Progres::Btn_AnulujClick() {
    if (Busy)
        CancelRequested = true;
}

void TForm_Progres::closeEvent(QCloseEvent* event) {
    if (Busy)
        CancelRequested = true;
    event->accept();
}

void TForm_Progres::reject() {
    Btn_AnulujClick();
}

void RequestCancel() {
    if (Busy)
        CancelRequested = true;
}

bool ConfirmCancel() {
    return ShowMessageBox(kMbQuestion, QStringLiteral("Anulowanie operacji"),
                          QString::fromUtf8(u8"Czy anulować bieżącą operację?")) == kIdYes;
}

void AttachMainWindow(const MainWindowParts& p) {
    parts() = p;
}

const MainWindowParts& AttachedMainWindow() {
    return parts();
}

void ShowProgress(const QString& caption, const QString& description, std::int64_t maximum) {
    progressShift = 0;
    while ((maximum >> progressShift) > INT_MAX)
        ++progressShift;
    if (!Form_Progres)
        return;
    Form_Progres->setWindowTitle(caption);
    Form_Progres->Label_opis->setText(description);
    Form_Progres->Progres->setRange(0, std::max(0, scaled(maximum)));
    Form_Progres->Progres->setValue(0);
    shownPosition = 0;
    visibleStep = std::max<std::int64_t>(1, maximum / 1000);
    if (QWidget* owner = Form_Progres->parentWidget(); owner && owner->isVisible()) {
        const QRect r = owner->frameGeometry();
        Form_Progres->move(r.center() - Form_Progres->rect().center());
    }
    Form_Progres->show();
}

void SetProgressPosition(std::int64_t position) {
    if (!Form_Progres || position <= 0 ||
        (position > shownPosition && position - shownPosition < visibleStep))
        return;
    shownPosition = position;
    Form_Progres->Progres->setValue(std::min(scaled(position), Form_Progres->Progres->maximum()));
}

void CloseProgress() {
    if (Form_Progres)
        Form_Progres->close();
}

void LockUserInterface() {
    const MainWindowParts& p = parts();
    if (p.engineWindow)
        p.engineWindow->hide();
    for (const QPointer<QWidget>& panel : p.panels)
        if (panel)
            panel->setEnabled(false);
    if (p.menuBar)
        for (QAction* a : p.menuBar->actions())
            a->setEnabled(false);
}

void UnlockUserInterface() {
    const MainWindowParts& p = parts();
    for (const QPointer<QWidget>& panel : p.panels)
        if (panel)
            panel->setEnabled(true);
    if (p.menuBar)
        for (QAction* a : p.menuBar->actions())
            a->setEnabled(true);
    if (p.engineWindow)
        p.engineWindow->show();
}

void SetBusyCursor(bool busy) {
    if (QWidget* w = parts().window) {
        if (busy)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
}

void SetStatusText(std::string_view text) {
    cadStatBarSetText(2, text);
}
