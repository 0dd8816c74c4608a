// The program's QApplication: numbers with "." as decimal point, Qt's Polish texts, and one
// general error report for errors that nothing else caught, after which the program goes on.
#pragma once

#include <QApplication>

class QTranslator;

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error that nothing caught: a message box with its text.
void ShowGeneralErrorReport(const QString& text);

// Installs Qt's Polish translation (buttons "Tak", "Nie", "Anuluj" of Qt's own dialogs);
// false when the translation is not installed.
bool InstallPolishQtTranslation(QCoreApplication& app, QTranslator& translator);
