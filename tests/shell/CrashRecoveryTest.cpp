// Copies of unsaved drawings and bringing them back after a crash: what is copied and when the
// copy goes, what a start offers, and the whole way through the real program killed midway.
#include "shell/CrashRecovery.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "shell/DrawingFiles.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"

#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QThread>

#include <signal.h>

namespace {

// ---- descriptions

TEST(CopyDescriptions, ReadBackWhatWasWritten) {
    const CopyDescription d{
        QByteArray("/home/ja/drogi/plan \xb9\n=%.rdw"), QStringLiteral("plan ą\n=%.rdw"), 2, {}};
    const QByteArray bytes = DescribeCopy(d);
    EXPECT_EQ(ReadCopyDescription(bytes), d);
    const CopyDescription untitled{{}, QStringLiteral("bez nazwy"), 0, {}};
    EXPECT_EQ(ReadCopyDescription(DescribeCopy(untitled)), untitled);
    // The drawing's file as the run saw it.
    CopyDescription seen = d;
    seen.onDisk = CadFileStamp{123456, 1700000000123456789, 0xFEDCBA9876543210ull};
    EXPECT_EQ(ReadCopyDescription(DescribeCopy(seen)), seen);
    EXPECT_FALSE(ReadCopyDescription(DescribeCopy(seen).replace("file=123456,", "file=x,")));
    // A later version may add fields.
    QByteArray later = bytes;
    later.insert(later.indexOf("end\n"), "colour=red\n");
    EXPECT_EQ(ReadCopyDescription(later), d);
}

TEST(CopyDescriptions, DamagedOrCutShortOnesAreRefused) {
    const QByteArray bytes = DescribeCopy({"/a/b.rdw", QStringLiteral("b.rdw"), 1, {}});
    ASSERT_TRUE(ReadCopyDescription(bytes));
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(ReadCopyDescription(bytes.left(n))) << n << " bytes";
    for (const QByteArray& wrong :
         {QByteArray("KWL_Edytor kopia 1\nend\n"), QByteArray("\x89RDW\r\n\x1a\n\0\0", 10),
          QByteArray("KWL_Edytor kopia 1\ntitle=x\nkind=9\nend\n"),
          QByteArray("KWL_Edytor kopia 1\ntitle=x\nbroken line\nend\n"),
          QByteArray("KWL_Edytor kopia 2\ntitle=x\nend\n")})
        EXPECT_FALSE(ReadCopyDescription(wrong)) << wrong.constData();
}

// ---- the main window's copies

class Recovery : public MainWindow {
protected:
    void prepare() override {
        ASSERT_TRUE(state.isValid());
        previousState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        SetInstalledFonts({QStringLiteral("Courier New")});
    }
    void TearDown() override {
        MainWindow::TearDown();
        qputenv("XDG_STATE_HOME", previousState);
    }
    CrashRecovery& recovery() { return *window->recovery; }
    // One round of copies, written to the end.
    void copyNow() {
        recovery().writeCopies();
        cadWaitForCopies();
    }
    QString stateFolder() const { return state.path() + QStringLiteral("/kwl-edytor/"); }
    QStringList runs() const {
        return QDir(stateFolder()).entryList({QStringLiteral("run-*")}, QDir::Dirs);
    }
    // A modified document with a line; its handle.
    int drawnDocument() {
        const int doc = cadFileNew(window->engineWindow, "");
        cadAddLine(0, 0, 10, 10);
        return doc;
    }
    // A run folder as a run that died leaves it: a lock nobody holds.
    QString deadRun(const QString& name) const {
        const QString folder = stateFolder() + name + QLatin1Char('/');
        QDir().mkpath(folder);
        QFile(folder + QStringLiteral("lock")).open(QIODevice::WriteOnly);
        return folder;
    }
    // A copy of a drawing of `lines` lines in a run folder, with its description when given.
    void leaveCopy(const QString& folder, int n, int lines,
                   const std::optional<CopyDescription>& description) const {
        cadFileNew(window->engineWindow, "");
        for (int i = 0; i < lines; ++i)
            cadAddLine(i, 0, i, 10);
        cadFileSave(
            QFile::encodeName(folder + QString::number(n) + QStringLiteral(".rdw")).toStdString(),
            CAD_FORMAT_NATIVE);
        cadDocClose(-1);
        if (description) {
            QFile f(folder + QString::number(n) + QStringLiteral(".txt"));
            f.open(QIODevice::WriteOnly);
            f.write(DescribeCopy(*description));
        }
    }

    QTemporaryDir state;
    QByteArray previousState;
};

int entityCount() {
    return cadGetStatistics().value_or(CadStatistics{}).entities;
}

TEST_F(Recovery, AModifiedDocumentIsCopiedAndAnUnmodifiedOneIsNot) {
    EXPECT_EQ(recovery().interval(), kDefaultCopyMinutes * 60 * 1000);
    const int saved = cadFileNew(window->engineWindow, "");
    copyNow();
    EXPECT_TRUE(runs().isEmpty()) << "nothing to copy: no folder either";

    const int drawn = drawnDocument();
    copyNow();
    ASSERT_EQ(runs().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(recovery().copyFile(drawn)));
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(saved)));
    QFile described(recovery().descriptionFile(drawn));
    ASSERT_TRUE(described.open(QIODevice::ReadOnly));
    const auto description = ReadCopyDescription(described.readAll());
    ASSERT_TRUE(description);
    EXPECT_EQ(description->title, QStringLiteral("bez nazwy"));
    EXPECT_TRUE(description->path.isEmpty());
    EXPECT_FALSE(QFileInfo(recovery().runFolder()).permissions().testFlag(QFileDevice::ReadOther));

    // Nothing changed since: nothing is written again.
    recovery().writeCopies();
    EXPECT_FALSE(cadDocCopyPending(drawn));
    cadAddLine(1, 1, 2, 2);
    recovery().writeCopies();
    EXPECT_TRUE(cadDocCopyPending(drawn));
    cadWaitForCopies();
    EXPECT_TRUE(Script().messageBoxes.empty());
}

TEST_F(Recovery, SavingOrClosingADocumentRemovesItsCopy) {
    const int a = drawnDocument();
    const int b = drawnDocument();
    copyNow();
    ASSERT_TRUE(QFileInfo::exists(recovery().copyFile(a)));
    ASSERT_TRUE(QFileInfo::exists(recovery().copyFile(b)));

    cadDocSetActive(a);
    ASSERT_EQ(cadFileSave(QFile::encodeName(path(QStringLiteral("a.rdw"))).toStdString(),
                          CAD_FORMAT_NATIVE),
              1);
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(a)));
    EXPECT_FALSE(QFileInfo::exists(recovery().descriptionFile(a)));
    cadDocClose(b);
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(b)));
    EXPECT_FALSE(QFileInfo::exists(recovery().descriptionFile(b)));

    // A save while the copy is being written: the copy, out of date, goes once written.
    cadAddLine(5, 5, 6, 6);
    recovery().writeCopies();
    ASSERT_TRUE(cadDocCopyPending(a));
    cadFileSave(QFile::encodeName(path(QStringLiteral("a.rdw"))).toStdString(), CAD_FORMAT_NATIVE);
    cadWaitForCopies();
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(a)));
    // Likewise a close.
    const int c = drawnDocument();
    recovery().writeCopies();
    cadDocClose(c);
    cadWaitForCopies();
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(c)));
    EXPECT_EQ(QDir(recovery().runFolder()).entryList(QDir::Files),
              QStringList{QStringLiteral("lock")});
}

TEST_F(Recovery, ADocumentNoLongerModifiedLosesItsCopy) {
    const int doc = drawnDocument();
    copyNow();
    ASSERT_TRUE(QFileInfo::exists(recovery().copyFile(doc)));
    cadPropPutInt(CAD_PROP_DOC_MODIFIED, doc, 0);
    copyNow();
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(doc)));
}

TEST_F(Recovery, ANormalEndLeavesNothing) {
    drawnDocument();
    copyNow();
    ASSERT_EQ(runs().size(), 1);
    Script().messageBoxAnswers = {kIdNo}; // the engine's question: save the drawing?
    window->close();
    EXPECT_TRUE(runs().isEmpty());
    EXPECT_EQ(recovery().interval(), 0);
}

TEST_F(Recovery, CopiesOfALiveRunAreNotOffered) {
    drawnDocument();
    copyNow();
    ASSERT_EQ(runs().size(), 1);
    // As another instance starting now sees them.
    const LeftRuns left = LeftRuns::find(stateFolder());
    EXPECT_EQ(left.runCount(), 0);
    EXPECT_TRUE(left.copies.isEmpty());
    CrashRecovery other;
    EXPECT_EQ(other.offerLeftCopies(window->engineWindow), 0);
    EXPECT_TRUE(Script().messageBoxes.empty());
    EXPECT_EQ(runs().size(), 1);
}

TEST_F(Recovery, LeftCopiesAreOfferedAndOpenUnderTheirNames) {
    const QString dead = deadRun(QStringLiteral("run-99999-1"));
    const QString plan = path(QStringLiteral("plan.rdw"));
    leaveCopy(dead, 3, 2,
              CopyDescription{QFile::encodeName(plan), QStringLiteral("plan.rdw"), 1, {}});
    leaveCopy(dead, 4, 1, CopyDescription{{}, QStringLiteral("bez nazwy"), 0, {}});
    // A damaged copy, and a copy whose description is damaged.
    QFile damaged(dead + QStringLiteral("5.rdw"));
    damaged.open(QIODevice::WriteOnly);
    damaged.write("\x89RDW\r\n\x1a\n and nothing more");
    damaged.close();
    {
        QFile f(dead + QStringLiteral("5.txt"));
        f.open(QIODevice::WriteOnly);
        f.write(DescribeCopy({"/x/profil.rdw", QStringLiteral("profil.rdw"), 2, {}}));
    }
    leaveCopy(dead, 6, 1, std::nullopt);
    {
        QFile f(dead + QStringLiteral("6.txt"));
        f.open(QIODevice::WriteOnly);
        f.write("KWL_Edytor kopia 1\npath=%2Fx\n");
    }
    ASSERT_TRUE(cadDocList().empty());

    Script().messageBoxAnswers = {kIdYes, kIdOk};
    EXPECT_EQ(recovery().offerLeftCopies(window->engineWindow), 2);
    ASSERT_EQ(Script().messageBoxes.size(), 2u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QStringLiteral("Przywrócić rysunki niezapisane przed awarią programu?"));
    EXPECT_EQ(Script().messageBoxes[0].style, kMbQuestion);
    EXPECT_EQ(Script().messageBoxes[1].text,
              QStringLiteral("Kopie tych rysunków są uszkodzone i nie zostały przywrócone:\n"
                             "profil.rdw\n6.rdw"));

    const std::vector<int> docs = cadDocList();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, docs[0]), QFile::encodeName(plan).toStdString());
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, docs[0]), 1);
    EXPECT_EQ(DocumentDrawingKind(docs[0]), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, docs[1]), "");
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, docs[1]), 1);
    EXPECT_EQ(entityCount(), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy *]"));
    cadDocSetActive(docs[0]);
    EXPECT_EQ(entityCount(), 2);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[plan *]"));

    // The dead run is gone; its copies are this run's now, until saved.
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_TRUE(QFileInfo::exists(recovery().copyFile(docs[0])));
    EXPECT_TRUE(QFileInfo::exists(recovery().copyFile(docs[1])));
    cadExecute(CAD_CMD_SAVE);
    EXPECT_TRUE(QFileInfo::exists(plan));
    EXPECT_FALSE(QFileInfo::exists(recovery().copyFile(docs[0])));
}

TEST_F(Recovery, ARunThatCannotLockAFolderLeavesNoneAndSaysSoOnceInTheStatusBar) {
    recovery().lockFolder = [](const QString&) { return -1; };
    drawnDocument();
    copyNow();
    EXPECT_TRUE(runs().isEmpty()) << "what it made goes";
    EXPECT_TRUE(Script().messageBoxes.empty()) << "nothing stops a drag";
    auto* pane = window->findChild<QLabel*>(QStringLiteral("cadStatusPane2"));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->text().startsWith(
        QString::fromUtf8(u8"Nie można zapisać kopii niezapisanego rysunku bez nazwy")))
        << pane->text().toStdString();
    // Said once; tried no more.
    cadStatBarSetText(2, "");
    for (int round = 0; round < 3; ++round) {
        cadAddLine(round, 0, round, 1);
        copyNow();
    }
    EXPECT_EQ(pane->text(), QString());
    EXPECT_TRUE(runs().isEmpty());
}

TEST_F(Recovery, ABroughtBackDrawingKnowsItsFileAsTheRunThatCrashedSawIt) {
    // A drawing saved, then changed, in this run: its copy describes its file as saved.
    const int doc = drawnDocument();
    const QString plan = path(QStringLiteral("plan.rdw"));
    ASSERT_EQ(cadFileSave(QFile::encodeName(plan).toStdString(), CAD_FORMAT_NATIVE), 1);
    cadAddLine(5, 5, 6, 6);
    copyNow();
    QFile described(recovery().descriptionFile(doc));
    ASSERT_TRUE(described.open(QIODevice::ReadOnly));
    const auto description = ReadCopyDescription(described.readAll());
    ASSERT_TRUE(description && description->onDisk);
    EXPECT_EQ(description->onDisk->hash, cadDocFileStamp(doc)->hash);

    // As the next start brings it back: saved over its file untouched since, without a question.
    const QString dead = deadRun(QStringLiteral("run-99999-4"));
    leaveCopy(dead, 1, 3, *description);
    cadDocClose(doc);
    Script().messageBoxAnswers = {kIdYes};
    ASSERT_EQ(recovery().offerLeftCopies(window->engineWindow), 1);
    cadExecute(CAD_CMD_SAVE);
    EXPECT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);

    // Another run wrote the file meanwhile: the save asks first.
    leaveCopy(deadRun(QStringLiteral("run-99999-5")), 1, 3, *description);
    cadDocClose(cadDocGetActive());
    Script().messageBoxAnswers = {kIdYes, kIdNo};
    ASSERT_EQ(recovery().offerLeftCopies(window->engineWindow), 1);
    const std::string theirs = read(QStringLiteral("plan.rdw"));
    cadExecute(CAD_CMD_SAVE);
    ASSERT_EQ(Script().messageBoxes.size(), 3u);
    EXPECT_TRUE(Script().messageBoxes[2].text.startsWith(
        QString::fromUtf8(u8"Plik \"plan.rdw\" zmienił się na dysku")));
    EXPECT_EQ(read(QStringLiteral("plan.rdw")), theirs);
}

TEST_F(Recovery, RefusedCopiesAreRemoved) {
    const QString dead = deadRun(QStringLiteral("run-99999-2"));
    leaveCopy(dead, 1, 1, CopyDescription{{}, QStringLiteral("bez nazwy"), 0, {}});
    Script().messageBoxAnswers = {kIdNo};
    EXPECT_EQ(recovery().offerLeftCopies(window->engineWindow), 0);
    EXPECT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_TRUE(cadDocList().empty());
    EXPECT_TRUE(runs().isEmpty());
}

TEST_F(Recovery, RunsThatLeftNoCopyAreRemovedWithoutAQuestion) {
    deadRun(QStringLiteral("run-99999-3"));
    EXPECT_EQ(recovery().offerLeftCopies(window->engineWindow), 0);
    EXPECT_TRUE(Script().messageBoxes.empty());
    EXPECT_TRUE(runs().isEmpty());
}

TEST(RecoverySettings, TheIntervalComesFromTheSettingsUnlessTheEnvironmentGivesOne) {
    const QByteArray previous = qgetenv("KWL_AUTOSAVE_MS");
    qunsetenv("KWL_AUTOSAVE_MS");
    Settings().copyMinutes = 2;
    EXPECT_EQ(CopyIntervalMs(), 120000);
    qputenv("KWL_AUTOSAVE_MS", "250");
    EXPECT_EQ(CopyIntervalMs(), 250);
    qputenv("KWL_AUTOSAVE_MS", "1,5");
    EXPECT_EQ(CopyIntervalMs(), 120000);
    Settings().resetBuiltIn();
    EXPECT_EQ(Settings().copyMinutes, kDefaultCopyMinutes);
    if (previous.isNull())
        qunsetenv("KWL_AUTOSAVE_MS");
    else
        qputenv("KWL_AUTOSAVE_MS", previous);
}

// ---- the whole way: the real program, killed

// The program, started on a road drawing with copies every 100 ms, converts it (its work, not
// yet saved), copies it and is killed. The next start offers the drawing back and opens it as
// it was drawn; a normal end then leaves nothing.
class RecoveryAfterAKill : public Recovery {
protected:
    void prepare() override {
        Recovery::prepare();
        // The settings and line styles the program reads beside itself, here too.
        const QString programFolder = QFileInfo(QStringLiteral(KWL_EXECUTABLE)).absolutePath();
        for (const char* name : {"KWL.knf", "KWL_Style_linii1.knf", "KWL_Style_linii2.knf"})
            QFile::copy(programFolder + QLatin1Char('/') + QLatin1String(name),
                        path(QLatin1String(name)));
        kwl = path(QStringLiteral("plan.kwl"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KWL_SOURCE_DIR "/samples/plan.kwl"), kwl));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
        env.insert(QStringLiteral("KWL_AUTOSAVE_MS"), QStringLiteral("100"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("KWL_QUIT_AFTER_START"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(KWL_EXECUTABLE), {kwl});
        ASSERT_TRUE(program.waitForStarted());

        // Until its copy and the copy's description are there.
        QElapsedTimer clock;
        clock.start();
        QString copy;
        while (copy.isEmpty() && clock.elapsed() < 60000 && program.state() == QProcess::Running) {
            for (const QString& run : runs()) {
                const QString folder = stateFolder() + run + QLatin1Char('/');
                for (const QString& rdw : QDir(folder).entryList({QStringLiteral("*.rdw")})) {
                    QFile d(folder + QFileInfo(rdw).completeBaseName() + QStringLiteral(".txt"));
                    if (d.open(QIODevice::ReadOnly) && ReadCopyDescription(d.readAll()))
                        copy = folder + rdw;
                }
            }
            QThread::msleep(50);
        }
        ASSERT_FALSE(copy.isEmpty()) << "the program wrote no copy";
        // Whatever the program still did after its first copy is copied too by then.
        QThread::msleep(1000);
        // Still running: its copies are its own.
        EXPECT_EQ(LeftRuns::find(stateFolder()).runCount(), 0);

        ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
        Script().messageBoxAnswers = {kIdYes};
    }
    QString kwl;
};

TEST_F(RecoveryAfterAKill, TheNextStartOpensWhatWasDrawn) {
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QStringLiteral("Przywrócić rysunki niezapisane przed awarią programu?"));
    ASSERT_EQ(cadDocList().size(), 1u);
    const int recovered = cadDocGetActive();
    const QString rdw = path(QStringLiteral("plan.rdw"));
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, recovered), QFile::encodeName(rdw).toStdString());
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, recovered), 1);
    EXPECT_EQ(DocumentDrawingKind(recovered), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[plan *]"));
    EXPECT_TRUE(item("ZapiszRDW1")->isEnabled());
    const auto got = cadGetStatistics();
    ASSERT_TRUE(got);

    // What was drawn: the drawing as this program converts it.
    TForm_Progres progress(window.get());
    ConvertRoadDesignDrawing(kwl, window->engineWindow);
    const auto converted = cadGetStatistics();
    ASSERT_TRUE(converted);
    EXPECT_GT(converted->entities, 100);
    EXPECT_EQ(got->entities, converted->entities);
    EXPECT_EQ(got->vertices, converted->vertices);
    EXPECT_EQ(got->textChars, converted->textChars);
    EXPECT_EQ(got->layers, converted->layers);
    EXPECT_EQ(got->lineStyles, converted->lineStyles);

    // A normal end leaves nothing behind.
    Script().messageBoxAnswers = {kIdNo, kIdNo};
    window->close();
    EXPECT_TRUE(cadDocList().empty());
    EXPECT_TRUE(runs().isEmpty());
}

} // namespace
