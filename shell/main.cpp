#include "shell/Unit_Main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KWL_Edytor"));
    TForm_Main mainWindow;
    mainWindow.showMaximized();
    return QApplication::exec();
}
