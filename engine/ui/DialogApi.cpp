// The interface's entries to the dialogs that are not commands.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"

#include <QApplication>

// The dialogs open over the program's active window, which holds the drawing window.

int cadFileList(int) {
    if (cad::engine().documents().empty())
        return 0;
    cad::FileListDialog dialog(QApplication::activeWindow());
    cad::showModal(dialog);
    return 1;
}

int cadPrintSetup(int) {
    return cad::runPrintSetup(QApplication::activeWindow()) ? 1 : 0;
}
