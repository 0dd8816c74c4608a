#include "blocks/Unit_mnoznik.h"
#include "blocks/przesuniecie.h"
#include "import/Unit_progres.h"
#include "shell/CommandLine.h"
#include "shell/Kwl_szuk_tekst.h"
#include "shell/Unit_Main.h"
#include "windows/Kwlpomoc.h"
#include "windows/kwl_info.h"
#include "windows/projekty.h"

#include "support/Application.h"

#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

// The arguments after the program's name, as the application object left them (without Qt's own
// options).
QStringList programArguments() {
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments;
}

// While the window's application object starts: Qt's notes are kept back, and when it cannot
// reach any display (it would end the program with an abort) one clear line is all that is said.
void startingWindowMessages(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtFatalMsg)
        return;
    const QByteArray line =
        QString::fromUtf8(u8"KWL_Edytor: nie można otworzyć okna programu: brak "
                          u8"ekranu (uruchom na pulpicie albo przez "
                          u8"xvfb-run; bez ekranu działa --export i --info)\n")
            .toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    if (IsCommandLine(given)) {
        // The command line needs no screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's own notes (about the session and the like) would only clutter the messages.
        if (qEnvironmentVariableIsEmpty("KWL_QT_MESSAGES"))
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        Application app(argc, argv);
        Application::setApplicationName(QStringLiteral("KWL_Edytor"));
        return RunCommandLine(programArguments(), stdout, stderr);
    }
    const QtMessageHandler previousHandler = qInstallMessageHandler(startingWindowMessages);
    Application app(argc, argv);
    qInstallMessageHandler(previousHandler);
    Application::setApplicationName(QStringLiteral("KWL_Edytor"));
    QTranslator qtPolish;
    InstallPolishQtTranslation(app, qtPolish);

    // The eight windows, each created once, in this order, and kept until the end.
    TForm_Main mainWindow;
    TFormProjekty projects(&mainWindow);
    TForm_Progres progress(&mainWindow);
    TForm_mnoznik multiplier(&mainWindow);
    TFormOProgramie about(&mainWindow);
    TFormKwlpomoc description;
    TFormprzesuniecie shift(&mainWindow);
    TForm_szukaj_tekst textSearch(&mainWindow);
    // The start-up sequence runs once every window exists (a drawing named on the command line
    // is read with the progress window), and with the main window laid out at its full size, so
    // that the drawing is fitted to the window the person will see.
    // Without a window manager (a virtual display) maximising does nothing: the window is
    // given the screen's size first.
    if (const QScreen* screen = mainWindow.screen())
        mainWindow.resize(screen->availableGeometry().size());
    mainWindow.showMaximized();
    QApplication::processEvents();
    mainWindow.FormCreate(programArguments());
    // Closed already (during the read of the drawing named on the command line).
    if (!mainWindow.isVisible())
        return 0;
    // A run that checks the start-up (CI runs the program on its sample so): the program ends
    // once the window has come up, asking nothing and writing nothing more.
    if (!qEnvironmentVariableIsEmpty("KWL_QUIT_AFTER_START"))
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });

    return QApplication::exec();
}
