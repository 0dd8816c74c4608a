#include "support/Application.h"

#include "support/Platform.h"

#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // Numbers are shown and read with "." as the decimal point for the whole run, whatever the
    // desktop's language: the files use it, and a Polish desktop would show "1,5" in every number
    // field. A comma is no thousands separator either, so "1,5" is never taken for 15.
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    QLocale::setDefault(numbers);
}

Application::~Application() = default;

namespace {

// The number field a key press is meant for: a spin box for real numbers, or its line edit.
bool isRealNumberField(QObject* receiver) {
    return qobject_cast<QDoubleSpinBox*>(receiver) ||
           (receiver && qobject_cast<QDoubleSpinBox*>(receiver->parent()));
}

} // namespace

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        // The decimal key of a Polish keyboard types a comma: in the number fields of dialogs
        // (the engine's among them) it is the decimal point.
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->text() == QStringLiteral(",") &&
            isRealNumberField(receiver)) {
            const auto* comma = static_cast<QKeyEvent*>(event);
            QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, comma->modifiers(),
                            QStringLiteral("."), comma->isAutoRepeat(), comma->count());
            const bool handled = QApplication::notify(receiver, &point);
            event->setAccepted(point.isAccepted());
            return handled;
        }
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
