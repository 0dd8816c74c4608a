// The progress window with its cancel button, the two flags of a long read (busy and cancel),
// the lock of the user interface while a file is read, and the status text.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

#include <cstdint>
#include <string_view>

class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;

class TForm_Progres : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Progres(QWidget* parent = nullptr);
    ~TForm_Progres() override;

    QLabel* Label_opis = nullptr;
    QProgressBar* Progres = nullptr;
    QPushButton* Btn_Anuluj = nullptr;

    void Btn_AnulujClick();

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    void reject() override;                       // Escape presses "Anuluj"
};

extern TForm_Progres* Form_Progres;

// Set while a road-design drawing is read or blocks are loaded; cancel requests count only then.
extern bool Busy;
// A cancel request, looked at by the reader.
extern bool CancelRequested;
// Set with the request when the person has already said Yes to the cancel question (closing the
// main window asks it at once): the reader then stops at its next look without asking again.
extern bool CancelConfirmed;
// Escape on the main window: a cancel request while busy.
void RequestCancel();
// Asks "Czy anulować bieżącą operację?"; true when the answer is Yes.
bool ConfirmCancel();

// What the lock and the main progress bar need of the main window, handed over when the main
// window is built.
struct MainWindowParts {
    QPointer<QWidget> window;           // gets the hourglass cursor
    QPointer<QProgressBar> progressBar; // the thin bar along the bottom
    QPointer<QWidget> engineWindow;     // hidden while locked
    QList<QPointer<QWidget>> panels;    // the main window's own panels
    QPointer<QMenuBar> menuBar;
};
void AttachMainWindow(const MainWindowParts& parts);
const MainWindowParts& AttachedMainWindow();

// The progress window: shown with a caption, a description and the maximum (bytes of the file).
void ShowProgress(const QString& caption, const QString& description, std::int64_t maximum);
void SetProgressPosition(std::int64_t position);
void CloseProgress();

void LockUserInterface();
void UnlockUserInterface();
// The hourglass while busy, the arrow again afterwards.
void SetBusyCursor(bool busy);

// Part 2 of the engine's status bar. Texts are Windows-1250 bytes.
void SetStatusText(std::string_view text);
