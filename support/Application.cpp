#include "support/Application.h"

#include "support/Platform.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application::~Application() = default;

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowGeneralErrorReport(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowGeneralErrorReport(QStringLiteral("Nieznany błąd"));
    }
    return false;
}

void ShowGeneralErrorReport(const QString& text) {
    CurrentPlatform().messageBox(QApplication::applicationName(), text, kMbError);
}

bool InstallPolishQtTranslation(QCoreApplication& app, QTranslator& translator) {
    if (!translator.load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return app.installTranslator(&translator);
}
