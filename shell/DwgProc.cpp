#include "shell/DwgProc.h"

#include "engine/CadApi.h"
#include "import/Settings.h"
#include "shell/CrashRecovery.h"
#include "shell/Unit_Main.h"
#include "support/Cp1250.h"
#include "support/Strings.h"

#include <QFile>

int DwgProc(int document, int message, int prm1, int, double, double, void*) {
    switch (message) {
    case CAD_MSG_TEXT: {
        const auto text = FindEngineString(prm1);
        if (!text)
            return 0;
        cadPropPut(CAD_PROP_TEXT_ANSWER, 0, *text);
        return 1;
    }
    case CAD_MSG_DOC_EVENT:
        if (prm1 == CAD_DOC_ACTIVATED)
            RefreshDrawingTitle();
        return 0;
    case CAD_MSG_DOC_CREATED:
    case CAD_MSG_DOC_CLOSED:
        // A new document, or one gone, has no kind of road drawing (yet).
        ForgetDocumentDrawingKind(document);
        // A closed document's copy goes with it.
        if (message == CAD_MSG_DOC_CLOSED && Recovery)
            Recovery->documentClosed(document);
        // The menus that need a drawing are there while one is open.
        if (Form_Main) {
            if (message == CAD_MSG_DOC_CREATED)
                Form_Main->EnableDocumentMenus();
            else if (cadDocList().empty())
                Form_Main->DisableDocumentMenus();
        }
        RefreshDrawingTitle();
        return 0;
    case CAD_MSG_DOC_RENAMED:
    case CAD_MSG_DOC_MODIFIED:
        RefreshDrawingTitle();
        return 0;
    case CAD_MSG_DOC_SAVED:
        if (Recovery)
            Recovery->documentSaved(document);
        RefreshDrawingTitle();
        return 0;
    default:
        return 0;
    }
}

QString DocumentDisplayName(int document) {
    const std::string name = cadPropGet(CAD_PROP_DOC_FILENAME, document).value_or(std::string());
    // File names are the file system's bytes.
    return name.empty() ? QStringLiteral("bez nazwy")
                        : QFile::decodeName(QByteArray::fromStdString(name));
}

void RefreshDrawingTitle() {
    if (!Form_Main)
        return;
    Form_Main->SetDrawingTitle(DocumentDisplayName(-1),
                               cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1).value_or(0) == 1);
}
