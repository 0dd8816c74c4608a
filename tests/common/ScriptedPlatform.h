// A platform for tests: records what would be shown and answers from queues. An unexpected
// question fails the running test and gets a harmless answer (OK, No, cancel).
#pragma once

#include "support/Platform.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

class ScriptedPlatform : public Platform {
public:
    struct MessageBoxCall {
        QString caption;
        QString text;
        int style;
    };
    struct FileDialogCall {
        QString caption;
        QString folder;
        QString filter;
    };

    // Answers, taken from the front.
    std::deque<int> messageBoxAnswers;
    std::deque<QString> fileAnswers; // open and save dialogs alike; an empty text cancels
    std::deque<std::optional<QColor>> colorAnswers;
    // Each modal form is handed to the next action, which may fill its controls and click its
    // buttons; the action's return value is the form's result.
    std::deque<std::function<int(QWidget*)>> modalActions;
    QStringList fonts{QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans")};
    // Runs on every processEvents call (for example to press a cancel button mid-operation).
    std::function<void()> onProcessEvents;

    // What was shown.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<FileDialogCall> fileDialogs;
    std::vector<QWidget*> modalForms;
    int colorDialogs = 0;
    int beeps = 0;
    int processEventsCalls = 0;

    int messageBox(const QString& caption, const QString& text, int style) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    int showModal(QWidget* form) override;
    void beep() override { ++beeps; }
    QStringList fontFamilies() override { return fonts; }
    void processEvents() override;
};

// The scripted platform of the running test, fresh for every test.
ScriptedPlatform& Script();

// Installs a fresh scripted platform before every test and, after it, fails the test when
// answers it queued were never asked for.
class ScriptedPlatformEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
};
