#include "shell/DrawingFiles.h"

#include "blocks/Kwl_bloki.h"
#include "blocks/przesuniecie.h"
#include "engine/CadApi.h"
#include "import/RoadDesignReader.h"
#include "import/Settings.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "shell/Unit_Main.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/UndoGroup.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::string fileBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString decodeName(const std::optional<std::string>& name) {
    return name ? QFile::decodeName(QByteArray::fromStdString(*name)) : QString();
}

std::int64_t sizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

// What the one open dialog of the main window is shown with.
struct OpenDialog {
    QString fileName; // the file-name field: a path, or empty
    QString folder;
    QString filter;
    QString title;
};

// The path chosen, or empty when the person cancelled. The chosen file's folder becomes the
// current directory, where files opened by their bare name are found.
QString showOpenDialog(TForm_Main& main, const OpenDialog& d) {
    const QString start = d.fileName.isEmpty() ? d.folder : d.fileName;
    const QString chosen = CurrentPlatform().openFileName(&main, d.title, start, d.filter);
    if (!chosen.isEmpty())
        QDir::setCurrent(QFileInfo(chosen).absolutePath());
    return chosen;
}

// The open dialog with the pending file name filled in, if there is one.
QString chooseWithPending(TForm_Main& main, const QString& filter, const QString& title) {
    OpenDialog d{QString(), main.rememberedDirectory, filter, title};
    if (!main.pendingFileName.isEmpty()) {
        d.fileName = main.pendingFileName;
        main.pendingFileName.clear();
        d.folder = QFileInfo(d.fileName).absolutePath();
        main.rememberedDirectory = d.folder;
    }
    return showOpenDialog(main, d);
}

// After a failed open or import: the message, then everything the read had taken back.
void openFailed(const QString& path, const std::exception& error) {
    // The reason follows on its own line, so the person knows what to mend.
    CurrentPlatform().messageBox(Form_Main ? Form_Main->windowTitle() : QString(),
                                 QString::fromUtf8(u8"Wystąpił błąd podczas otwierania pliku ") +
                                     path + QLatin1Char('\n') + QString::fromUtf8(error.what()),
                                 kMbOk);
    SetBusyCursor(false);
    ClearMainProgress();
    Busy = false;
    CancelRequested = CancelConfirmed = false;
    CloseProgress();
    UnlockUserInterface();
}

// The file name of the active document with its folder, for the recent-files list.
QString activeDocumentPath() {
    const QString path = decodeName(cadPropGet(CAD_PROP_DOC_PATH, -1));
    if (!path.isEmpty())
        return path;
    const QString name = decodeName(cadPropGet(CAD_PROP_DOC_FILENAME, -1));
    return name.isEmpty() ? QString() : QDir::currentPath() + QLatin1Char('/') + name;
}

void addActiveToRecentFiles() {
    const QString path = activeDocumentPath();
    if (!path.isEmpty())
        AddRecentFile(path);
}

// Copies the active document's file to its ".bak"; a missing file is no error.
void backupActiveDocument() {
    const QString path = decodeName(cadPropGet(CAD_PROP_DOC_PATH, -1));
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    const QString backup = StripExtension(path) + QStringLiteral(".bak");
    // Copied beside and renamed into place: the previous backup goes only when the new is whole.
    const QString partial = backup + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(path, partial))
        return;
    QFile::remove(backup);
    if (!QFile::rename(partial, backup))
        QFile::remove(partial);
}

const QString kKwlFilter = QStringLiteral("Pliki KWL (*.kwl *.KWL)");

} // namespace

QString ConvertedDrawingName(const QString& path) {
    const QString base = StripExtension(path);
    QString candidate = base + QStringLiteral(".rdw");
    for (int n = 1;; ++n) {
        if (!FileCanBeOpened(candidate) || sizeOf(candidate) <= 1000)
            return candidate;
        candidate = base + QString::number(n) + QStringLiteral(".rdw");
    }
}

int ConvertRoadDesignDrawing(const QString& path, int engineWindow,
                             const std::function<void()>& beforeReading) {
    FileSize = sizeOf(path);
    ResetMainProgress(FileSize);
    NewDrawingDocument(engineWindow);
    {
        // The content is built as one change, and the drawing as converted is where its
        // history starts: "Cofnij" does not take the reading back.
        const UndoGroup building;
        CreateSettingsLayers();
        if (beforeReading)
            beforeReading();
        DrawingKind = ReadRoadDesignDrawing(path, 0.0, 0.0);
        SetDocumentDrawingKind(DrawingDocument, DrawingKind);
        // Plans are in metres, profile and cross-section sheets in millimetres of paper:
        // printing to scale and the drawing's information go by it.
        if (DrawingKind != 0)
            cadPropPutInt(CAD_PROP_DOC_UNITS, -1, DrawingKind == 1 ? 4 : 2);
        cadLayerActive(cadLayerIndex("0", 0));
        LoadLineStyles(QStringLiteral("KWL_Style_linii%1.knf").arg(DrawingKind));
        LoadBlockLibrary();
        ScaleLayerWidths(DrawingKind);
    }
    cadUndoForget();
    return DrawingKind;
}

void OpenRoadDesignDrawing(TForm_Main& main) {
    const QString path = chooseWithPending(main, kKwlFilter, QStringLiteral("Otwórz plik KWL"));
    if (!path.isEmpty())
        OpenRoadDesignFile(main, path);
}

void OpenRoadDesignFile(TForm_Main& main, const QString& path) {
    // As when the drawing is chosen in the dialog: its folder is the current directory, where
    // the block library is found.
    QDir::setCurrent(QFileInfo(path).absolutePath());
    try {
        main.EnableDocumentMenus();
        main.rememberedDirectory = QFileInfo(path).absolutePath();
        ConvertRoadDesignDrawing(path, main.engineWindow, [&path] {
            AddRecentFile(path);
            // The converted drawing has its own file from the start; "Zapisz plik" writes there.
            cadFileSave(fileBytes(ConvertedDrawingName(path)), CAD_FORMAT_NATIVE);
        });
    } catch (const std::exception& error) {
        openFailed(path, error);
    }
}

void OpenDxfDrawing(TForm_Main& main) {
    main.EnableDocumentMenus();
    const QString path = chooseWithPending(main, QStringLiteral("Pliki DXF (*.dxf *.DXF)"),
                                           QStringLiteral("Otwórz plik DXF"));
    if (path.isEmpty())
        return;
    try {
        main.rememberedDirectory = QFileInfo(path).absolutePath();
        AddRecentFile(path);
        cadFileNew(main.engineWindow, "");
        cadFileLoad(fileBytes(path), CAD_FORMAT_ANY);
    } catch (const std::exception& error) {
        openFailed(path, error);
    }
}

void OpenEngineDrawing(TForm_Main& main) {
    QString path = main.pendingFileName;
    if (!path.isEmpty()) {
        main.pendingFileName.clear();
    } else {
        static QString lastFileName;
        path = showOpenDialog(main, {lastFileName, main.rememberedDirectory,
                                     QStringLiteral("Pliki KWL_Edytora (*.rdw *.RDW)"),
                                     QStringLiteral("Otwórz plik KWL_Edytora")});
        if (path.isEmpty())
            return;
        lastFileName = path;
    }
    cadFileOpen(main.engineWindow, fileBytes(path));
    addActiveToRecentFiles();
    main.EnableDocumentMenus();
}

void NewEmptyDrawing(TForm_Main& main) {
    const int document = NewDrawingDocument(main.engineWindow);
    if (document == 0)
        return;
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 2);
    const SettingsTable& table = Settings();
    cadLayerActive(cadLayerAdd("0", table.width[0], table.colour[0], table.colour[0]));
    // Its continuous line is named as in the road drawings.
    cadPropPut(CAD_PROP_LINESTYLE_NAME, 0, u8"Ciągła"_w1250);
    // Nothing of the person's is in it yet: closing it asks nothing, and there is nothing
    // to take back.
    cadUndoForget();
    cadPropPutInt(CAD_PROP_DOC_MODIFIED, document, 0);
    main.EnableDocumentMenus();
    cadRedraw();
}

void ImportRoadDesignDrawing(TForm_Main& main) {
    const QString path = showOpenDialog(main, {QString(), main.rememberedDirectory, kKwlFilter,
                                               QStringLiteral("Importuj plik KWL")});
    if (path.isEmpty())
        return;
    try {
        FileSize = sizeOf(path);
        main.rememberedDirectory = QFileInfo(path).absolutePath();
        ResetMainProgress(FileSize);
        if (!Formprzesuniecie)
            return;
        CurrentPlatform().showModal(Formprzesuniecie);
        if (Formprzesuniecie->applied) {
            // The whole import is one step that "Cofnij" takes back; the layer new entities go
            // on stays the one chosen before.
            const KeepCurrentAttributes attributes;
            const UndoGroup step;
            ReadRoadDesignDrawing(path, Formprzesuniecie->shiftX, Formprzesuniecie->shiftY);
        }
    } catch (const std::exception& error) {
        openFailed(path, error);
    }
}

void SaveDrawing() {
    backupActiveDocument();
    cadExecute(CAD_CMD_SAVE);
    addActiveToRecentFiles();
}

void SaveDrawingAs() {
    cadExecute(CAD_CMD_SAVE_AS);
    addActiveToRecentFiles();
}

void CloseActiveDrawing() {
    backupActiveDocument();
    cadExecute(CAD_CMD_CLOSE);
}

void ExportDrawingToDxf() {
    cadExecute(CAD_CMD_EXPORT_DXF);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 2);
}
