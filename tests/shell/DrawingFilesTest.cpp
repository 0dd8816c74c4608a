// The drawing-file commands as a person uses them: open, import, drop, recent files, save with
// a backup, export, and the settings items of the "Ustawienia" menu.
#include "shell/DrawingFiles.h"
#include "blocks/przesuniecie.h"
#include "import/RoadDesignReader.h"
#include "import/Styles.h"
#include "support/Cp1250.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

std::string record(char kind, char sub, const std::string& rest = {}) {
    return std::string{kind, sub} + rest + "\r\n";
}

// A small road drawing: kind 1 ("0,0") or 2, one polyline on pen 1 and a text.
std::string roadDrawing(const std::string& second = "PLAN,0,0") {
    return "&IBMRYSUNEKZEVO\r\n" + second + "\r\n" + record(1, 1) + record(2, 3, ",10,20") +
           record(2, 2, ",30,20") + record(2, 2, ",30,40") + record(3, 1, ",10,20") +
           "1,1,0,0\r\nKM 0+100\r\n" + record(1, 0);
}

int countEntities(int type) {
    int n = 0;
    for (int e = cadGetEntity(CAD_GET_FIRST, 0, 0); e >= 0; e = cadGetEntity(CAD_GET_NEXT, 0, 0))
        n += cadPropGetInt(CAD_PROP_ENT_TYPE, e) == type ? 1 : 0;
    return n;
}

std::string activePath() {
    return cadPropGet(CAD_PROP_DOC_PATH, -1).value_or("");
}

class DrawingFiles : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        previousDir = QDir::currentPath();
        progress = std::make_unique<TForm_Progres>(window.get());
        shift = std::make_unique<TFormprzesuniecie>(window.get());
        SetInstalledFonts({QStringLiteral("Courier New")});
    }
    void TearDown() override {
        QDir::setCurrent(previousDir);
        shift.reset();
        progress.reset();
        MainWindow::TearDown();
    }
    void prepare() override {
        write(QStringLiteral("KWL.knf"), "KLRTL,255,255,255\r\nGRULI,31,0.5,0,0,255\r\n");
        write(QStringLiteral("KWL_Style_linii1.knf"), "welta style linii\r\nKreskowa;2,-1\r\n");
        write(QStringLiteral("KWL_Style_linii2.knf"), "welta style linii\r\nProfil;5,-5\r\n");
        QDir(dir.path()).mkdir(QStringLiteral("rys"));
    }
    QString previousDir;
    std::unique_ptr<TForm_Progres> progress;
    std::unique_ptr<TFormprzesuniecie> shift;
};

TEST_F(DrawingFiles, OpeningARoadDrawingConvertsItAndStoresItAsRdw) {
    const QString kwl = write(QStringLiteral("rys/droga.kwl"), roadDrawing());
    EXPECT_FALSE(item("Zapiszjakordw1") && item("Zapiszjakordw1")->isEnabled());
    Script().fileAnswers = {kwl};
    item("PlikKWL1")->trigger();

    ASSERT_EQ(Script().fileDialogs.size(), 1u);
    EXPECT_EQ(Script().fileDialogs[0].caption, QStringLiteral("Otwórz plik KWL"));
    EXPECT_EQ(Script().fileDialogs[0].folder, window->programDirectory);
    EXPECT_TRUE(item("ZapiszRDW1")->isEnabled());
    EXPECT_EQ(window->rememberedDirectory, path(QStringLiteral("rys")));
    EXPECT_EQ(QDir::currentPath(), path(QStringLiteral("rys")));
    EXPECT_EQ(RecentFilesList().entries(), QStringList{kwl});
    // Converted, not saved yet: the title marks it.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[droga *]"));

    // The settings file gave the background and pen layer 31; kind 1 keeps the widths.
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_BACKCOLOR, -1), 0xFFFFFF);
    EXPECT_GE(cadLayerIndex("30", 0), 0) << "settings layers up to the highest index";
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("31", 0)), 0.5, 1e-12);
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 1);
    EXPECT_EQ(countEntities(CAD_ENT_TEXT), 1);
    EXPECT_GE(cadStLineIndex("Kreskowa", 0), 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1) << "the content waits for a save";
    const int added = cadAddLine(0, 0, 1, 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_LAYER, added), cadLayerIndex("0", 0)) << "layer 0 active";
    cadPropPutInt(CAD_PROP_ENT_LAYER, added, 0);
    EXPECT_EQ(DrawingKind, 1);
    EXPECT_EQ(activePath(), path(QStringLiteral("rys/droga.rdw")).toStdString());
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("rys/droga.rdw"))));
    EXPECT_FALSE(Busy);
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(DrawingFiles, KindTwoDrawingsTakeATenthOfTheWidthsAndTheirOwnLineStyles) {
    Script().fileAnswers = {write(QStringLiteral("profil.kwl"), roadDrawing("PROFIL,1000,100"))};
    item("PlikKWL1")->trigger();
    EXPECT_EQ(DrawingKind, 2);
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("31", 0)), 0.05, 1e-12);
    EXPECT_GE(cadStLineIndex("Profil", 0), 0);
    EXPECT_LT(cadStLineIndex("Kreskowa", 0), 0);
}

TEST_F(DrawingFiles, ConvertedDrawingNamesNeverOverwriteARealDrawing) {
    const QString kwl = path(QStringLiteral("a.b.kwl"));
    EXPECT_EQ(ConvertedDrawingName(kwl), path(QStringLiteral("a.b.rdw")));
    write(QStringLiteral("a.b.rdw"), std::string(1000, 'x'));
    EXPECT_EQ(ConvertedDrawingName(kwl), path(QStringLiteral("a.b.rdw"))) << "small: reused";
    write(QStringLiteral("a.b.rdw"), std::string(1001, 'x'));
    write(QStringLiteral("a.b1.rdw"), std::string(2000, 'x'));
    EXPECT_EQ(ConvertedDrawingName(kwl), path(QStringLiteral("a.b2.rdw")));
    EXPECT_EQ(ConvertedDrawingName(QStringLiteral("/x.y/plan")), QStringLiteral("/x.rdw"))
        << "the cut is taken on the whole path";
}

TEST_F(DrawingFiles, AFailedOpenTellsWhyAndGivesTheProgramBack) {
    Script().fileAnswers = {path(QStringLiteral("brak.kwl"))};
    Script().messageBoxAnswers = {kIdOk};
    item("PlikKWL1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_TRUE(Script().messageBoxes[0].text.startsWith(
        QStringLiteral("Wystąpił błąd podczas otwierania pliku ") +
        path(QStringLiteral("brak.kwl"))));
    EXPECT_FALSE(Busy);
    EXPECT_EQ(window->ProgressBar1->value(), 0);
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());
    EXPECT_TRUE(item("Edycja1")->isEnabled());
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(DrawingFiles, ImportAddsTheShiftedDrawingToTheActiveOne) {
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    const QString kwl = write(QStringLiteral("droga.kwl"), roadDrawing());
    Script().fileAnswers = {kwl};
    Script().modalActions = {[](QWidget* form) {
        auto* d = static_cast<TFormprzesuniecie*>(form);
        d->show();
        d->Edit1->setText(QStringLiteral("100"));
        d->Edit2->setText(QStringLiteral("200"));
        d->Button1->click();
        return int(QDialog::Accepted);
    }};
    item("PlikKWL2")->trigger();
    EXPECT_EQ(Script().fileDialogs[0].caption, QStringLiteral("Importuj plik KWL"));
    const int first = cadGetEntity(CAD_GET_FIRST, 0, 0);
    EXPECT_EQ(cadPolylineVertices(first), (std::vector<double>{110, 220, 130, 220, 130, 240}));
    EXPECT_TRUE(RecentFilesList().entries().isEmpty()) << "an import is no recent file";

    Script().fileAnswers = {kwl};
    Script().modalActions = {[](QWidget* form) {
        static_cast<TFormprzesuniecie*>(form)->Button2->click();
        return int(QDialog::Rejected);
    }};
    item("PlikKWL2")->trigger();
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 1) << "Rezygnuj reads nothing";
}

// "Cofnij" takes a whole import back: the document is as it was, saved alike.
TEST_F(DrawingFiles, UndoTakesAWholeImportBack) {
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    cadLayerAdd("istniejąca", 0.2, 255, 255);
    cadAddLine(0, 0, 5, 5);
    const QString before = dir.filePath(QStringLiteral("before.rdw"));
    ASSERT_EQ(cadFileSave(QFile::encodeName(before).toStdString(), CAD_FORMAT_NATIVE), 1);
    const QString kwl = write(QStringLiteral("droga.kwl"), roadDrawing());
    Script().fileAnswers = {kwl};
    Script().modalActions = {[](QWidget* form) {
        static_cast<TFormprzesuniecie*>(form)->Button1->click();
        return int(QDialog::Accepted);
    }};
    item("PlikKWL2")->trigger();
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    item("Undo1")->trigger();
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 0);
    EXPECT_EQ(countEntities(CAD_ENT_TEXT), 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0) << "as it was saved";
    const QString after = dir.filePath(QStringLiteral("after.rdw"));
    ASSERT_EQ(cadFileSave(QFile::encodeName(after).toStdString(), CAD_FORMAT_NATIVE), 1);
    QFile a(before), b(after);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll() == b.readAll()) << "the same drawing, byte for byte";
    item("Redo1")->trigger();
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 1);
}

TEST_F(DrawingFiles, DroppedFilesOpenTheFirstByItsExtension) {
    const QString kwl = write(QStringLiteral("Plan.Kwl"), roadDrawing());
    Script().fileAnswers = {QString()};
    window->AppMessage({kwl, path(QStringLiteral("b.kwl")), path(QStringLiteral("c.kwl"))});
    ASSERT_EQ(Script().fileDialogs.size(), 1u);
    EXPECT_EQ(Script().fileDialogs[0].caption, QStringLiteral("Otwórz plik KWL"));
    EXPECT_EQ(Script().fileDialogs[0].folder, kwl) << "the dialog starts on the dropped file";
    EXPECT_TRUE(window->pendingFileName.isEmpty());

    window->AppMessage({path(QStringLiteral("notatki.txt"))});
    EXPECT_EQ(Script().fileDialogs.size(), 1u);
    EXPECT_TRUE(window->pendingFileName.isEmpty());

    // A native drawing opens at once, without a dialog.
    cadFileNew(0, "");
    cadAddLine(0, 0, 1, 1);
    const std::string rdw = path(QStringLiteral("rys/x.rdw")).toStdString();
    ASSERT_NE(cadFileSave(rdw, CAD_FORMAT_NATIVE), 0);
    cadDocClose(cadDocGetActive());
    window->AppMessage({path(QStringLiteral("rys/x.rdw"))});
    EXPECT_EQ(Script().fileDialogs.size(), 1u);
    EXPECT_EQ(activePath(), rdw);
    EXPECT_EQ(RecentFilesList().entries().first(), QString::fromStdString(rdw));
}

class RecentEntries : public DrawingFiles {
protected:
    void prepare() override {
        DrawingFiles::prepare();
        write(QStringLiteral("KWL_OST_PLIKI.bin"), "/r&d/plan.kwl\r\n/a/b.DXF\r\n");
    }
};

TEST_F(RecentEntries, OpenTheirPathUnchanged) {
    QList<QAction*> entries;
    for (QAction* a : window->menu(QStringLiteral("Plik1"))->actions())
        if (a->objectName().startsWith(QStringLiteral("br")))
            entries << a;
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("0 /r&&d/plan.kwl"));
    EXPECT_TRUE(entries[0]->isEnabled());
    Script().fileAnswers = {QString(), QString()};
    entries[0]->trigger();
    entries[1]->trigger();
    ASSERT_EQ(Script().fileDialogs.size(), 2u);
    EXPECT_EQ(Script().fileDialogs[0].folder, QStringLiteral("/r&d/plan.kwl"));
    EXPECT_EQ(Script().fileDialogs[1].caption, QStringLiteral("Otwórz plik DXF"));
    EXPECT_EQ(window->rememberedDirectory, QStringLiteral("/a"));
}

// A road drawing long enough for the reader to let events run in the middle of it.
std::string longRoadDrawing(int polylines) {
    std::string bytes = "&IBMRYSUNEKZEVO\r\nPLAN,0,0\r\n" + record(1, 1);
    for (int i = 0; i < polylines; ++i)
        bytes += record(2, 3, "," + std::to_string(i) + ",0") +
                 record(2, 2, "," + std::to_string(i) + ",1");
    return bytes + record(1, 0);
}

// While a drawing is read, a dropped file and a recent-files entry start nothing inside the
// read: the first file is read whole into its own document.
TEST_F(RecentEntries, NothingStartsInsideARead) {
    QAction* recent = nullptr;
    for (QAction* a : window->menu(QStringLiteral("Plik1"))->actions())
        if (a->objectName().startsWith(QStringLiteral("br")) && !recent)
            recent = a;
    ASSERT_NE(recent, nullptr);
    const QString kwl = write(QStringLiteral("droga.kwl"), longRoadDrawing(400));
    const QString other = write(QStringLiteral("inna.kwl"), roadDrawing());
    int interruptions = 0;
    Script().onProcessEvents = [&] {
        if (!Busy || interruptions++ > 0)
            return;
        window->AppMessage({other});
        recent->trigger();
        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(other)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_FALSE(enter.isAccepted()) << "nothing can be dropped now";
    };
    Script().fileAnswers = {kwl};
    item("PlikKWL1")->trigger();

    EXPECT_EQ(interruptions > 0, true) << "the reader let events run";
    EXPECT_EQ(Script().fileDialogs.size(), 1u) << "no second open dialog";
    EXPECT_TRUE(window->pendingFileName.isEmpty());
    EXPECT_EQ(cadDocList().size(), 1u);
    EXPECT_EQ(activePath(), path(QStringLiteral("droga.rdw")).toStdString());
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 400) << "the whole file in its own document";
    EXPECT_FALSE(Busy);
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());
    EXPECT_TRUE(item("Plik1")->isEnabled());

    // Afterwards they work again.
    Script().onProcessEvents = nullptr;
    Script().fileAnswers = {QString()};
    window->AppMessage({other});
    EXPECT_EQ(Script().fileDialogs.size(), 2u);
}

// Closing the main window during a read asks whether to cancel the read; the window closes
// only once the read has stopped.
TEST_F(DrawingFiles, ClosingTheWindowDuringAReadAsksToCancelItFirst) {
    const QString kwl = write(QStringLiteral("droga.kwl"), longRoadDrawing(400));
    bool closeRefusedWhileBusy = false;
    int closes = 0;
    Script().onProcessEvents = [&] {
        if (!Busy || closes++ > 0)
            return;
        QCloseEvent close;
        QApplication::sendEvent(window.get(), &close);
        closeRefusedWhileBusy = !close.isAccepted() && window->isVisible();
    };
    // "No": the read goes on to its end, the window stays.
    Script().fileAnswers = {kwl};
    Script().messageBoxAnswers = {kIdNo};
    item("PlikKWL1")->trigger();
    EXPECT_TRUE(closeRefusedWhileBusy);
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].caption, QStringLiteral("Anulowanie operacji"));
    EXPECT_EQ(Script().messageBoxes[0].text, QStringLiteral("Czy anulować bieżącą operację?"));
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 400);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(CancelRequested);

    // "Yes": the read stops without a second question, then the window closes as it always
    // does (here the unsaved drawing's question is cancelled, so the window stays with it).
    closes = 0;
    Script().messageBoxes.clear();
    Script().fileAnswers = {kwl};
    Script().messageBoxAnswers = {kIdYes, kIdCancel};
    item("PlikKWL1")->trigger();
    EXPECT_TRUE(closeRefusedWhileBusy);
    ASSERT_EQ(Script().messageBoxes.size(), 2u);
    EXPECT_EQ(Script().messageBoxes[0].text, QStringLiteral("Czy anulować bieżącą operację?"));
    EXPECT_TRUE(Script().messageBoxes[1].text.startsWith(QStringLiteral("Zapisać zmiany")))
        << "the close came after the read";
    EXPECT_GT(countEntities(CAD_ENT_POLYLINE), 0);
    EXPECT_LT(countEntities(CAD_ENT_POLYLINE), 400) << "the read was cancelled";
    EXPECT_FALSE(Busy);
    EXPECT_FALSE(CancelRequested);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());

    // "Yes" again, and the drawings are not saved: the program ends.
    closes = 0;
    Script().messageBoxes.clear();
    Script().fileAnswers = {kwl};
    Script().messageBoxAnswers = {kIdYes};
    for (std::size_t d = 0; d <= cadDocList().size(); ++d)
        Script().messageBoxAnswers.push_back(kIdNo);
    item("PlikKWL1")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(cadDocList().empty());
}

TEST_F(DrawingFiles, ClosingWritesTheRecentFilesOnlyWhenTheProgramReallyCloses) {
    AddRecentFile(QStringLiteral("/rys/a.kwl"));
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    Script().messageBoxAnswers = {kIdCancel};
    QCloseEvent refuse;
    QApplication::sendEvent(window.get(), &refuse);
    EXPECT_FALSE(refuse.isAccepted());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("KWL_OST_PLIKI.bin"))));
    Script().messageBoxAnswers = {kIdNo};
    QCloseEvent accept;
    QApplication::sendEvent(window.get(), &accept);
    EXPECT_TRUE(accept.isAccepted());
    EXPECT_EQ(read(QStringLiteral("KWL_OST_PLIKI.bin")), "/rys/a.kwl\r\n");
}

TEST_F(DrawingFiles, SavingKeepsThePreviousVersionAsBak) {
    Script().fileAnswers = {write(QStringLiteral("droga.kwl"), roadDrawing())};
    item("PlikKWL1")->trigger();
    const std::string first = read(QStringLiteral("droga.rdw"));
    item("ZapiszRDW1")->trigger();
    EXPECT_EQ(read(QStringLiteral("droga.bak")), first);
    cadAddLine(0, 0, 5, 5);
    const std::string second = read(QStringLiteral("droga.rdw"));
    item("ZapiszRDW1")->trigger();
    EXPECT_EQ(read(QStringLiteral("droga.bak")), second);
    EXPECT_NE(read(QStringLiteral("droga.rdw")), second);
}

TEST_F(DrawingFiles, DxfExportSetsMillimetresAlsoWhenCancelled) {
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    Script().fileAnswers = {QString()};
    item("EksportujdoDXF1")->trigger();
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_UNITS, -1), 2);
}

TEST_F(DrawingFiles, BackgroundColourGoesToTheDrawingAndTheTable) {
    write(QStringLiteral("KWL.knf"), "KLRTL,0,0,0\r\n");
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    const int before = Settings().background;
    Script().colorAnswers = {std::nullopt, QColor(255, 255, 0)};
    item("Kolorta1")->trigger();
    EXPECT_EQ(Settings().background, before) << "cancelled: nothing changes, no question";
    Script().messageBoxAnswers = {kIdYes};
    item("Kolorta1")->trigger();
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_BACKCOLOR, -1), 0x00FFFF);
    EXPECT_EQ(Settings().background, 0x00FFFF);
    EXPECT_EQ(read(QStringLiteral("KWL.knf")), "KLRTL,255,255,0\r\n");
}

// "Zapisz ustawienia" as the menu runs it: each description stays, and the widths are those of
// the active drawing's own kind, whichever drawing was read last.
TEST_F(DrawingFiles, SavingSettingsKeepsDescriptionsAndTheActiveDrawingsWidths) {
    write(QStringLiteral("KWL.knf"), "KLRTL,255,255,255,t\xB3o\r\n"
                                     "GRULI,31,0.5,0,0,255,o\x9C drogi\r\n");
    Script().fileAnswers = {write(QStringLiteral("plan.kwl"), roadDrawing())};
    item("PlikKWL1")->trigger();
    const int plan = cadDocGetActive();
    Script().fileAnswers = {write(QStringLiteral("profil.kwl"), roadDrawing("PROFIL,1000,100"))};
    item("PlikKWL1")->trigger();
    ASSERT_EQ(DrawingKind, 2);
    cadDocSetActive(plan);
    Script().messageBoxAnswers = {kIdYes};
    item("Zapiszustawienia1")->trigger();
    EXPECT_EQ(read(QStringLiteral("KWL.knf")), "KLRTL,255,255,255,t\xB3o\r\n"
                                               "GRULI,31,0.5000,0,0,255,o\x9C drogi\r\n");
    cadDocClose(plan);
    Script().messageBoxAnswers = {kIdYes};
    item("Zapiszustawienia1")->trigger();
    EXPECT_EQ(read(QStringLiteral("KWL.knf")), "KLRTL,255,255,255,t\xB3o\r\n"
                                               "GRULI,31,0.5000,0,0,255,o\x9C drogi\r\n")
        << "the profile's tenth is divided back";
}

// A line the field splitter refuses (400 fields or more) ends the flow with the general error
// report; the file stays as it was and the program goes on.
TEST_F(DrawingFiles, ASettingsLineOfTooManyFieldsIsReportedAndNothingIsWritten) {
    const std::string settings =
        "KLRTL,0,0,0\r\nGRULI,1,0.5,0,0,0" + std::string(420, ',') + "\r\n";
    write(QStringLiteral("KWL.knf"), settings);
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    Script().messageBoxAnswers = {kIdYes, kIdOk};
    item("Zapiszustawienia1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 2u);
    EXPECT_EQ(Script().messageBoxes[1].style, kMbError);
    EXPECT_TRUE(Script().messageBoxes[1].text.contains(QStringLiteral("400")));
    EXPECT_EQ(read(QStringLiteral("KWL.knf")), settings);
    EXPECT_TRUE(item("Ustawienia1")->isEnabled());
}

class WithoutSettingsFile : public DrawingFiles {
protected:
    void prepare() override {
        DrawingFiles::prepare();
        QFile::remove(path(QStringLiteral("KWL.knf")));
    }
};

// Without a KWL.knf the file is made from the layers numbered like the table; the pens' layers
// (30, 31, ...) neither give their values to other numbers nor become settings of their own.
TEST_F(WithoutSettingsFile, SavingSettingsMakesAFileOfTheTablesNumbers) {
    Script().fileAnswers = {write(QStringLiteral("droga.kwl"), roadDrawing())};
    item("PlikKWL1")->trigger();
    ASSERT_GE(cadLayerIndex("31", 0), 0);
    cadPropPutDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("31", 0), 1.5);
    Script().messageBoxAnswers = {kIdYes};
    item("Zapiszustawienia1")->trigger();
    const std::string saved = read(QStringLiteral("KWL.knf"));
    EXPECT_NE(saved.find("GRULI,10,0.3900,0,100,0\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("GRULI,11,"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("GRULI,31,"), std::string::npos) << saved;

    LoadSettings(QStringLiteral("KWL.knf"));
    Script().fileAnswers = {path(QStringLiteral("droga.kwl"))};
    item("PlikKWL1")->trigger();
    EXPECT_GE(cadLayerIndex("10", 0), 0);
    EXPECT_LT(cadLayerIndex("11", 0), 0) << "no spurious layers in a new drawing";
    EXPECT_LT(cadLayerIndex("29", 0), 0);
}

TEST_F(DrawingFiles, EscapeCancelsOnlyWhileADrawingIsRead) {
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(CancelRequested);
    Busy = true;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(CancelRequested);
    Busy = CancelRequested = false;
}

class CommandLine : public DrawingFiles {
protected:
    void prepare() override {
        DrawingFiles::prepare();
        arguments = {write(QStringLiteral("wiersz.kwl"), roadDrawing())};
    }
};

TEST_F(CommandLine, RoadDrawingNamedOnTheCommandLineIsConvertedWithoutADialog) {
    EXPECT_TRUE(Script().fileDialogs.empty());
    EXPECT_EQ(countEntities(CAD_ENT_POLYLINE), 1);
    EXPECT_EQ(activePath(), path(QStringLiteral("wiersz.rdw")).toStdString());
    EXPECT_TRUE(item("Edycja1")->isEnabled());
}

// A drawing named on the command line relative to where the program was started, with a block
// library beside it and another beside the program.
class CommandLineInAFolder : public DrawingFiles {
protected:
    void prepare() override {
        DrawingFiles::prepare();
        started = QDir::currentPath();
        write(QStringLiteral("KWL_BLOKI.knf"),
              "BLOCK\r\nCIRCLE,0,0,1,1\r\nBLOCKNAME,PROGRAM,0,0\r\n");
        write(QStringLiteral("rys/KWL_BLOKI.knf"),
              "BLOCK\r\nCIRCLE,0,0,1,1\r\nBLOCKNAME,RYSUNEK,0,0\r\n");
        write(QStringLiteral("rys/wiersz.kwl"), roadDrawing());
        QDir::setCurrent(dir.path());
        arguments = {QStringLiteral("rys/wiersz.kwl")};
    }
    void TearDown() override {
        DrawingFiles::TearDown();
        QDir::setCurrent(started);
    }
    QString started;
};

TEST_F(CommandLineInAFolder, TheDrawingTakesTheBlockLibraryOfItsOwnFolder) {
    EXPECT_EQ(activePath(), path(QStringLiteral("rys/wiersz.rdw")).toStdString());
    EXPECT_GE(cadBlockIndex("RYSUNEK"), 0);
    EXPECT_LT(cadBlockIndex("PROGRAM"), 0);
    EXPECT_EQ(QDir::currentPath(), path(QStringLiteral("rys")));
    EXPECT_EQ(RecentFilesList().entries().value(0), path(QStringLiteral("rys/wiersz.kwl")));
}

// What the status bar says to the person.
QString statusText(QWidget* window) {
    auto* pane = window->findChild<QLabel*>(QStringLiteral("cadStatusPane2"));
    return pane ? pane->text() : QStringLiteral("(no status bar)");
}

TEST_F(DrawingFiles, ANameTypedWithoutAnExtensionGetsItsKindsOneAndTheStatusBarSaysWhere) {
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    Script().fileAnswers = {path(QStringLiteral("wynik"))};
    item("ZapiszjakoRDW1")->trigger();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("wynik.rdw"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("wynik"))));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[wynik]"));
    EXPECT_EQ(statusText(window.get()),
              QStringLiteral("Zapisano rysunek w pliku ") + path(QStringLiteral("wynik.rdw")));
    // "Otwórz" lists it.
    Script().fileAnswers = {QString()};
    item("PlikRDW1")->trigger();
    EXPECT_TRUE(QDir(dir.path())
                    .entryList({QStringLiteral("*.rdw")}, QDir::Files)
                    .contains(QStringLiteral("wynik.rdw")));
    // "Zapisz plik" says where it wrote.
    cadAddLine(2, 2, 3, 3);
    item("ZapiszRDW1")->trigger();
    EXPECT_EQ(statusText(window.get()),
              QStringLiteral("Zapisano rysunek w pliku ") + path(QStringLiteral("wynik.rdw")));
    Script().fileAnswers = {path(QStringLiteral("wynik"))};
    item("EksportujdoDXF1")->trigger();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("wynik.dxf"))));
    EXPECT_EQ(statusText(window.get()), QStringLiteral("Wyeksportowano rysunek do pliku ") +
                                            path(QStringLiteral("wynik.dxf")));
}

TEST_F(DrawingFiles, PolishFileNamesStandInQuestionsAsTheyAre) {
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    const QString file = path(QString::fromUtf8(u8"wynik_łąka.rdw"));
    ASSERT_EQ(cadFileSave(QFile::encodeName(file).toStdString(), CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(u8"KWL_Edytor-[wynik_łąka]"));
    EXPECT_EQ(FromCp1250(cadDrawingInfo().at(0)), QString::fromUtf8(u8"File name: wynik_łąka.rdw"));
    cadAddLine(1, 1, 2, 2);
    Script().messageBoxAnswers = {kIdNo};
    item("Zamknijaktywnyplik1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QString::fromUtf8(u8"Zapisać zmiany w pliku \"wynik_łąka.rdw\"?"));
}

TEST_F(DrawingFiles, TwoCopiesOfTheProgramSavingOneFileDoNotLoseTheFirstOnesWork) {
    // This copy opens the drawing; another one saves its own work there meanwhile.
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    const QString file = path(QStringLiteral("wspolny.rdw"));
    ASSERT_EQ(cadFileSave(QFile::encodeName(file).toStdString(), CAD_FORMAT_NATIVE), 1);
    write(QStringLiteral("wspolny.rdw"), read(QStringLiteral("wspolny.rdw")) + "inny program");
    const std::string theirs = read(QStringLiteral("wspolny.rdw"));
    cadAddLine(5, 5, 6, 6);
    Script().messageBoxAnswers = {kIdNo};
    item("ZapiszRDW1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QString::fromUtf8(u8"Plik \"wspolny.rdw\" zmienił się na dysku od chwili otwarcia "
                                u8"lub ostatniego zapisu (być może zapisał go inny program). "
                                u8"Zapisać rysunek, zastępując tamte zmiany?"));
    EXPECT_EQ(read(QStringLiteral("wspolny.rdw")), theirs);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[wspolny *]"));
}

// A drawing of the program's own named on the command line, as a file manager opens it.
class CommandLineDrawing : public DrawingFiles {
protected:
    void prepare() override {
        DrawingFiles::prepare();
        cadFileNew(0, "");
        cadAddLine(0, 0, 10, 10);
        ASSERT_EQ(cadFileSave(QFile::encodeName(path(QStringLiteral("plan.rdw"))).toStdString(),
                              CAD_FORMAT_NATIVE),
                  1);
        cadDocClose(cadDocGetActive());
        arguments = {path(QStringLiteral("plan.rdw"))};
    }
};

TEST_F(CommandLineDrawing, KeepsItsNameAndFile) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[plan]"));
    EXPECT_EQ(activePath(), path(QStringLiteral("plan.rdw")).toStdString());
    EXPECT_EQ(countEntities(CAD_ENT_LINE), 1);
    EXPECT_TRUE(item("ZapiszRDW1")->isEnabled());
    // "Zapisz plik" writes it back there without asking for a name; closing asks about it.
    cadAddLine(1, 1, 2, 2);
    item("ZapiszRDW1")->trigger();
    EXPECT_TRUE(Script().fileDialogs.empty());
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    cadAddLine(2, 2, 3, 3);
    Script().messageBoxAnswers = {kIdNo};
    item("Zamknijaktywnyplik1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QString::fromUtf8(u8"Zapisać zmiany w pliku \"plan.rdw\"?"));
}

class BadSettings : public MainWindow {
protected:
    void prepare() override {
        write(QStringLiteral("KWL.knf"), "GRULI,3,0.5,1,2,3\r\nKLRTL,300,0,0\r\n");
        Script().messageBoxAnswers = {kIdOk};
    }
};

TEST_F(BadSettings, StartUpReportsTheLineAndGoesOn) {
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_TRUE(Script().messageBoxes[0].text.contains(QStringLiteral("KWL.knf")));
    EXPECT_EQ(Settings().width[3], 0.5);
    EXPECT_FALSE(item("Edycja1")->isEnabled()) << "the start-up went on";
}

} // namespace
