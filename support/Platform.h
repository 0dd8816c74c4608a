// Everything that waits for a person or asks the desktop goes through this seam: message boxes,
// the open-file and colour dialogs, showing a form modally, the beep, the installed fonts and
// letting pending events run. The program uses the Qt implementation; tests install a scripted
// one that records what would be shown and answers from a queue, so no test ever blocks.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

// Message-box styles as the program passes them: icon plus buttons.
inline constexpr int kMbOk = 0x00;
inline constexpr int kMbOkCancel = 0x01;
inline constexpr int kMbYesNoCancel = 0x03;
inline constexpr int kMbYesNo = 0x04;
inline constexpr int kMbIconStop = 0x10;
inline constexpr int kMbIconQuestion = 0x20;
inline constexpr int kMbIconExclamation = 0x30;
inline constexpr int kMbIconInformation = 0x40;
// The three styles the program shows: stop + OK (16), exclamation + OK (48), exclamation +
// Yes/No (52).
inline constexpr int kMbError = kMbIconStop | kMbOk;
inline constexpr int kMbWarning = kMbIconExclamation | kMbOk;
inline constexpr int kMbQuestion = kMbIconExclamation | kMbYesNo;

// Message-box results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a message box owned by the active window (above a window that stays on top of the
    // others, when one is shown); returns kIdOk, kIdCancel, kIdYes or kIdNo.
    virtual int messageBox(const QString& caption, const QString& text, int style) = 0;
    // The chosen file's path, or an empty text when the person cancelled. The filter uses
    // Qt's form ("Pliki KWL (*.kwl)", several separated by ";;").
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // A path to save to, or an empty text when the person cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
    // The chosen colour, or nothing when the person cancelled.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // Shows a form modally until it is closed; returns its result (QDialog::Accepted or
    // QDialog::Rejected for dialogs).
    virtual int showModal(QWidget* form) = 0;
    virtual void beep() = 0;
    // Installed font families, with the names that have a metric-compatible substitute,
    // sorted ignoring case.
    virtual QStringList fontFamilies() = 0;
    // Lets pending events run (input, paint, timers) during long work on the UI thread.
    virtual void processEvents() = 0;
};

// The platform in use; the Qt one unless another was installed.
Platform& CurrentPlatform();
// Installs a platform and returns the previous one (nullptr restores the Qt platform).
std::unique_ptr<Platform> InstallPlatform(std::unique_ptr<Platform> platform);
