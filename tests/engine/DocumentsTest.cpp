// Documents through the interface: creating, saving, opening, loading, closing with the
// unsaved-changes question, and what the program hears about it.
#include "tests/engine/EngineTestSupport.h"

#include <QFile>
#include <QString>

#include "engine/Engine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using cad::withDefaultExtension;

namespace {

using Event = std::pair<int, int>; // message, first parameter

class Documents : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadSetMsgHandler([this](int, int msg, int prm1, int, double, double, void*) {
            if (msg == CAD_MSG_TEXT) {
                texts.push_back(prm1);
                return 0;
            }
            events.emplace_back(msg, prm1);
            return 0;
        });
    }
    std::vector<Event> events;
    std::vector<int> texts;
};

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Documents, NewDocumentsBecomeActiveAndTheProgramHearsOfIt) {
    EXPECT_EQ(cadDocGetActive(), 0);
    const int a = cadFileNew(0, "");
    const int b = cadFileNew(0, "");
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(cadDocGetActive(), b);
    EXPECT_EQ(cadDocList(), (std::vector<int>{a, b}));
    EXPECT_EQ(events, (std::vector<Event>{{CAD_MSG_DOC_CREATED, 0},
                                          {CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED},
                                          {CAD_MSG_DOC_CREATED, 0},
                                          {CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED}}));
    events.clear();
    EXPECT_EQ(cadDocSetActive(a), 1);
    EXPECT_EQ(cadDocGetActive(), a);
    EXPECT_EQ(cadDocSetActive(12345), 0);
    EXPECT_EQ(cadDocClose(a), 1);
    EXPECT_EQ(cadDocGetActive(), b);
    EXPECT_EQ(events, (std::vector<Event>{{CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED},
                                          {CAD_MSG_DOC_CLOSED, 0},
                                          {CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED}}));
}

TEST_F(Documents, SaveGivesTheDocumentItsNameAndOpenBringsItBack) {
    cadFileNew(0, "");
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, -1), "");
    const int layer = cadLayerAdd("road", 0.35, 0x0000FF, 0x0000FF);
    cadLayerActive(layer);
    addPolyline({0, 0, 100, 0, 100, 50});
    cadSetTextParam(CAD_TEXT_HEIGHT, 2.5);
    cadAddText(10, 10, "KM 0+100");
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);

    const std::string file = path("road.rdw");
    events.clear();
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, -1), "road.rdw");
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, -1), file);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    EXPECT_EQ(events, (std::vector<Event>{{CAD_MSG_DOC_RENAMED, 0}, {CAD_MSG_DOC_SAVED, 0}}));

    cadDocClose(-1);
    const int doc = cadFileOpen(0, file);
    ASSERT_GT(doc, 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, doc), "road.rdw");
    EXPECT_EQ(cadLayerIndex("road", 0), 1);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_LAYER_WIDTH, 1), 0.35);
    const int first = cadGetEntity(CAD_GET_FIRST, 0, 0);
    EXPECT_EQ(cadPolylineVertices(first), (std::vector<double>{0, 0, 100, 0, 100, 50}));
    const int text = cadGetEntity(CAD_GET_NEXT, 0, 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_STRING, text), "KM 0+100");
    EXPECT_LT(cadGetEntity(CAD_GET_NEXT, 0, 0), 0);

    // Opening it again makes the open document active instead of a second copy.
    cadFileNew(0, "");
    EXPECT_EQ(cadFileOpen(0, file), doc);
    EXPECT_EQ(cadDocList().size(), 2u);
    EXPECT_EQ(responder->messages.size(), 1u);
}

TEST_F(Documents, UnreadableFilesAreRefusedWithTheirTextAndChangeNothing) {
    const int doc = cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const std::string junk = path("junk.rdw");
    writeBytes(junk, "this is no drawing at all\n");
    EXPECT_EQ(cadFileLoad(junk, CAD_FORMAT_ANY), 0);
    EXPECT_EQ(cadFileLoad(path("missing.dxf"), CAD_FORMAT_ANY), 0);
    EXPECT_EQ(cadFileLoad(dir.path().toStdString(), CAD_FORMAT_ANY), 0);
    EXPECT_EQ(cadFileOpen(0, junk), 0);
    EXPECT_EQ(cadDocGetActive(), doc);
    EXPECT_EQ(cadGetStatistics()->entities, 1);
    ASSERT_EQ(responder->messages.size(), 4u);
    EXPECT_TRUE(responder->messages[0].error);
    // The engine asked the program for text 10516 and, getting no answer, used its own.
    EXPECT_NE(std::find(texts.begin(), texts.end(), 10516), texts.end());
    EXPECT_NE(responder->messages[0].text.find("junk.rdw"), std::string::npos);
    EXPECT_NE(responder->messages[0].text.find('\n'), std::string::npos);
}

TEST_F(Documents, DamagedAndNewerFilesGetTheirOwnTexts) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const std::string file = path("a.rdw");
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    std::string bytes = readBytes(file);
    std::string damaged = bytes;
    damaged[damaged.size() - 3] ^= 0x40;
    writeBytes(path("damaged.rdw"), damaged);
    texts.clear();
    EXPECT_EQ(cadFileOpen(0, path("damaged.rdw")), 0);
    EXPECT_NE(std::find(texts.begin(), texts.end(), 10512), texts.end());
}

TEST_F(Documents, ABrokenDxfIsRefusedForItsContentNotForAChecksum) {
    cadFileNew(0, "");
    // The file ends inside a section.
    writeBytes(path("cut.dxf"), "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n");
    texts.clear();
    EXPECT_EQ(cadFileLoad(path("cut.dxf"), CAD_FORMAT_ANY), 0);
    EXPECT_NE(std::find(texts.begin(), texts.end(), 10514), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), 10512), texts.end());
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_NE(responder->messages[0].text.find("cut.dxf"), std::string::npos);

    // A whole DXF whose block inserts itself is read; that insert is left out, nothing else.
    writeBytes(path("self.dxf"), "0\nSECTION\n2\nBLOCKS\n"
                                 "0\nBLOCK\n2\nSELF\n70\n0\n10\n0\n20\n0\n"
                                 "0\nINSERT\n8\n0\n2\nSELF\n10\n1\n20\n1\n"
                                 "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n"
                                 "0\nENDBLK\n0\nENDSEC\n"
                                 "0\nSECTION\n2\nENTITIES\n0\nINSERT\n8\n0\n2\nSELF\n10\n0\n20\n0\n"
                                 "0\nENDSEC\n0\nEOF\n");
    responder->messages.clear();
    EXPECT_EQ(cadFileLoad(path("self.dxf"), CAD_FORMAT_ANY), 1);
    EXPECT_TRUE(responder->messages.empty());
    EXPECT_EQ(cadGetStatistics()->entities, 1);
    const int self = cadBlockIndex("SELF");
    ASSERT_GE(self, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, self), 1);
}

TEST_F(Documents, TheProgramsTextsReplaceTheEnginesOwn) {
    cadSetMsgHandler([](int, int msg, int prm1, int, double, double, void*) {
        if (msg == CAD_MSG_TEXT && prm1 == 10516)
            return cadPropPut(CAD_PROP_TEXT_ANSWER, 0,
                              "B\xB3\xB9"
                              "d: %s");
        return 0;
    });
    cadFileNew(0, "");
    EXPECT_EQ(cadText(10516), "B\xB3\xB9"
                              "d: %s");
    EXPECT_EQ(cadText(10502), "Untitled");
    EXPECT_EQ(cadFileLoad(path("missing.rdw"), CAD_FORMAT_ANY), 0);
    EXPECT_EQ(responder->messages.at(0).text, "B\xB3\xB9"
                                              "d: " +
                                                  path("missing.rdw"));
}

TEST_F(Documents, EveryTextTheEngineShowsHasItsOwnWords) {
    cadSetMsgHandler(nullptr);
    const std::vector<int> numbers = cadTextNumbers();
    ASSERT_FALSE(numbers.empty());
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());
    for (const int n : numbers)
        EXPECT_FALSE(cadText(n).empty()) << n;
    EXPECT_EQ(cadText(10508), ""); // a number the engine never shows
}

TEST_F(Documents, LoadingMergesIntoTheActiveDocument) {
    cadFileNew(0, "");
    cadLayerAdd("kerb", 0.5, 0xFF, 0xFF);
    addPolyline({0, 0, 5, 5});
    ASSERT_EQ(cadFileSave(path("part.rdw"), CAD_FORMAT_NATIVE), 1);

    cadFileNew(0, "");
    addPolyline({10, 10, 20, 20});
    ASSERT_EQ(cadFileLoad(path("part.rdw"), CAD_FORMAT_ANY), 1);
    EXPECT_EQ(cadGetStatistics()->entities, 2);
    EXPECT_EQ(cadLayerIndex("kerb", 0), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, -1), ""); // the document keeps its own name
}

TEST_F(Documents, SaveAsksForANameOnlyWhenTheDocumentHasNone) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    responder->saveAnswers = {std::nullopt};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 0); // cancelled
    responder->saveAnswers = {path("named.rdw")};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, -1), "named.rdw");
    addPolyline({2, 2, 3, 3});
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 1); // no question now
    EXPECT_EQ(responder->saveCaptions.size(), 2u);
    EXPECT_EQ(responder->saveFilters.at(0), "Drawings  (*.rdw)|*.rdw|");
}

TEST_F(Documents, CloseAllAsksForEachModifiedDocumentAndStopsAtCancel) {
    const int clean = cadFileNew(0, "");
    const int saved = cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const int discarded = cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const int kept = cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});

    // kept (active): Cancel. Nothing is closed.
    responder->answers = {CAD_ASK_CANCEL};
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE_ALL), 0);
    EXPECT_EQ(cadDocList().size(), 4u);
    ASSERT_EQ(responder->questions.size(), 1u);
    EXPECT_EQ(responder->questions[0].text, "Save changes to \"Untitled\"?");

    // kept: No; discarded: No; saved: Yes (with a name); clean: no question.
    responder->answers = {CAD_ASK_NO, CAD_ASK_NO, CAD_ASK_YES};
    responder->saveAnswers = {path("saved.rdw")};
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE_ALL), 1);
    EXPECT_TRUE(cadDocList().empty());
    EXPECT_EQ(responder->questions.size(), 4u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("saved.rdw"))));
    (void)clean, (void)saved, (void)discarded, (void)kept;
}

TEST_F(Documents, CloseActiveKeepsTheDocumentWhenTheSaveIsCancelled) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    responder->answers = {CAD_ASK_YES};
    responder->saveAnswers = {std::nullopt};
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE), 0);
    EXPECT_EQ(cadDocList().size(), 1u);
    responder->answers = {CAD_ASK_NO};
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE), 1);
    EXPECT_EQ(cadDocGetActive(), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE_ALL), 1); // nothing left to close
}

TEST_F(Documents, AFailedSaveKeepsThePreviousFile) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const std::string file = path("keep.rdw");
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    const std::string before = readBytes(file);
    addPolyline({5, 5, 6, 6});
    EXPECT_EQ(cadFileSave(path("no/such/folder/x.rdw"), CAD_FORMAT_NATIVE), 0);
    EXPECT_EQ(cadFileSave(dir.path().toStdString(), CAD_FORMAT_NATIVE), 0);
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, -1), file); // the name stays
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    EXPECT_EQ(responder->messages.size(), 2u);
}

TEST_F(Documents, BlocksAreImportedFromADrawingFile) {
    cadFileNew(0, "");
    cadBlockBegin();
    addPolyline({0, 0, 10, 0, 5, 8}, true);
    cadBlockAdd("A-7", 5, 0);
    cadBlockBegin();
    cadAddCircle(0, 0, 5);
    cadBlockAdd("B-20", 0, 0);
    ASSERT_EQ(cadFileSave(path("signs.rdw"), CAD_FORMAT_NATIVE), 1);

    cadFileNew(0, "");
    EXPECT_EQ(cadBlockAddF(path("signs.rdw"), "B-20"), 1);
    EXPECT_EQ(cadBlockCount(), 1);
    EXPECT_EQ(cadBlockAddF(path("signs.rdw"), ""), 1); // A-7; B-20 is there already
    EXPECT_EQ(cadBlockCount(), 2);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_BLOCK_BASE_X, cadBlockIndex("A-7")), 5.0);
    EXPECT_EQ(cadBlockAddF(path("missing.rdw"), ""), -1);
    EXPECT_EQ(cadGetStatistics()->entities, 0);
}

TEST_F(Documents, NoDocumentMeansFailureEverywhere) {
    EXPECT_EQ(cadLayerAdd("x", 1, 0, 0), -1);
    EXPECT_EQ(cadLayerCount(), 0);
    EXPECT_EQ(cadAddLine(0, 0, 1, 1), -1);
    cadPolylineBegin();
    EXPECT_EQ(cadVertex(0, 0), 0);
    EXPECT_EQ(cadAddPolyline(0, 0), -1);
    EXPECT_EQ(cadGetEntity(CAD_GET_FIRST, 0, 0), -1);
    EXPECT_EQ(cadSelect(1, -1), 0);
    EXPECT_EQ(cadZoom(0.5), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 0);
    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_ALL), 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_FILENAME, -1), std::nullopt);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_COLOR, 0), std::nullopt);
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_LAYER_WIDTH, 0, 1.0), 0);
    EXPECT_EQ(cadFileSave(path("x.rdw"), CAD_FORMAT_NATIVE), 0);
    EXPECT_FALSE(cadGetStatistics().has_value());
    EXPECT_TRUE(cadDrawingInfo().empty());
}

TEST_F(Documents, ANameTypedWithoutAnExtensionGetsTheOneOfItsKind) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    // "Zapisz jako": "wynik" is written as wynik.rdw, which the open dialog's filter lists.
    responder->saveAnswers = {path("wynik")};
    ASSERT_EQ(cadExecute(CAD_CMD_SAVE_AS), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, -1), path("wynik.rdw"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("wynik.rdw"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("wynik"))));
    // "Eksportuj do DXF" the same with ".dxf"; a name with an extension keeps it.
    responder->saveAnswers = {path("plan"), path("plan.v2")};
    ASSERT_EQ(cadExecute(CAD_CMD_EXPORT_DXF), 1);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("plan.dxf"))));
    ASSERT_EQ(cadExecute(CAD_CMD_EXPORT_DXF), 1);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("plan.v2"))));

    EXPECT_EQ(withDefaultExtension("/a.b/wynik", ".rdw"), "/a.b/wynik.rdw");
    EXPECT_EQ(withDefaultExtension("/a/wynik.RDW", ".rdw"), "/a/wynik.RDW");
    EXPECT_EQ(withDefaultExtension("/a/.ukryty", ".rdw"), "/a/.ukryty.rdw");
}

// What another program (or another copy of this one) makes of a file: other bytes.
void changeBehindTheDocument(const std::string& file) {
    writeBytes(file, readBytes(file) + "written by someone else");
}

TEST_F(Documents, ASaveOverItsOwnFileChangedOnDiskAsksFirst) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const std::string file = path("wspolny.rdw");
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    // Saved again while nobody touched the file: no question.
    addPolyline({2, 2, 3, 3});
    ASSERT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_TRUE(responder->questions.empty());

    // Another program writes it: "No" keeps its work, the drawing stays modified.
    changeBehindTheDocument(file);
    const std::string theirs = readBytes(file);
    addPolyline({4, 4, 5, 5});
    responder->answers = {CAD_ASK_NO};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 0);
    ASSERT_EQ(responder->questions.size(), 1u);
    EXPECT_EQ(responder->questions[0].text,
              "The file \"wspolny.rdw\" changed on disk since it was opened or last saved "
              "(another program may have written it). Save the drawing over those changes?");
    EXPECT_EQ(readBytes(file), theirs);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    // Closing with "save" asks the same, and "No" keeps the document open.
    responder->answers = {CAD_ASK_YES, CAD_ASK_NO};
    EXPECT_EQ(cadExecute(CAD_CMD_CLOSE), 0);
    EXPECT_EQ(cadDocList().size(), 1u);
    // "Yes" replaces it; from then on the file is the document's own again.
    responder->answers = {CAD_ASK_YES};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_NE(readBytes(file), theirs);
    addPolyline({6, 6, 7, 7});
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_EQ(responder->questions.size(), 4u);

    // An opened drawing knows its file as it was opened; the same size and time do not hide
    // other bytes.
    cadDocClose(cadDocGetActive());
    ASSERT_GT(cadFileOpen(0, file), 0);
    const auto seen = cadDocFileStamp(-1);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->size, static_cast<long long>(readBytes(file).size()));
    std::string bytes = readBytes(file);
    bytes.back() ^= 1;
    const auto written = std::filesystem::last_write_time(file);
    writeBytes(file, bytes);
    std::filesystem::last_write_time(file, written);
    addPolyline({8, 8, 9, 9});
    responder->answers = {CAD_ASK_NO};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 0);
    EXPECT_EQ(responder->questions.size(), 5u);
}

TEST_F(Documents, ARecoveredDrawingAsksUnlessItKnowsItsFileAsItWas) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    const std::string file = path("plan.rdw");
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    const CadFileStamp stamp = cadDocFileStamp(-1).value();
    ASSERT_EQ(cadFileSave(path("copy.rdw"), CAD_FORMAT_NATIVE), 1);
    // Brought back knowing nothing of its file, which exists: the save asks.
    const int lost = cadFileRecover(0, path("copy.rdw"), file);
    ASSERT_GT(lost, 0);
    EXPECT_FALSE(cadDocFileStamp(lost));
    responder->answers = {CAD_ASK_NO};
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 0);
    EXPECT_EQ(responder->questions.size(), 1u);
    // Knowing it as it was when the crashed run saw it: no question while it is so.
    ASSERT_EQ(cadDocSetFileStamp(lost, stamp), 1);
    EXPECT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_EQ(responder->questions.size(), 1u);
    EXPECT_EQ(cadDocSetFileStamp(12345, stamp), 0);
}

TEST_F(Documents, FileNamesStandInMessagesAsThePersonWroteThem) {
    cadFileNew(0, "");
    addPolyline({0, 0, 1, 1});
    // The file system's UTF-8, converted once into the engine's Windows-1250 texts.
    const std::string file = path("wynik_\xC5\x82\xC4\x85ka.rdw"); // "wynik_łąka.rdw"
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    const std::string name = "wynik_\xB3\xB9ka.rdw";
    EXPECT_EQ(cadDrawingInfo().at(0), "File name: " + name);
    addPolyline({2, 2, 3, 3});
    responder->answers = {CAD_ASK_NO};
    ASSERT_EQ(cadExecute(CAD_CMD_CLOSE), 1);
    ASSERT_EQ(responder->questions.size(), 1u);
    EXPECT_EQ(responder->questions[0].text, "Save changes to \"" + name + "\"?");
    // A file that cannot be read is named the same way.
    EXPECT_EQ(cadFileOpen(0, path("brak_\xC5\x82.rdw")), 0);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_NE(responder->messages[0].text.find("brak_\xB3.rdw"), std::string::npos);
}

TEST_F(Documents, TheModifiedMarkIsToldWhenItChanges) {
    cadFileNew(0, "");
    events.clear();
    addPolyline({0, 0, 1, 1});
    cadExecute(CAD_CMD_ZOOM_ALL); // every command ends by looking
    EXPECT_EQ(std::count(events.begin(), events.end(), Event{CAD_MSG_DOC_MODIFIED, 1}), 1);
    cadExecute(CAD_CMD_ZOOM_ALL);
    EXPECT_EQ(std::count(events.begin(), events.end(), Event{CAD_MSG_DOC_MODIFIED, 1}), 1)
        << "told once";
    ASSERT_EQ(cadFileSave(path("m.rdw"), CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(events.back(), (Event{CAD_MSG_DOC_MODIFIED, 0}));
}

} // namespace

namespace {

TEST(FileFilters, TheEnginesFiltersBecomeQtFilters) {
    EXPECT_EQ(cadFilterForQt("Pliki DXF (*.dxf)|*.dxf|"), QStringLiteral("Pliki DXF (*.dxf)"));
    EXPECT_EQ(cadFilterForQt("Rysunki|*.rdw;*.bak|Wszystkie|*|"),
              QStringLiteral("Rysunki (*.rdw *.bak);;Wszystkie (*)"));
    EXPECT_EQ(cadFilterForQt("Rysunki \xB3\xB9"
                             "ki|*.rdw|"),
              QString::fromUtf8("Rysunki łąki (*.rdw)"));
    EXPECT_EQ(cadFilterForQt(""), QString());
}

} // namespace

namespace {

class ClosingDocuments : public EngineTest {};

TEST_F(ClosingDocuments, TheProgramMayAskAboutDocumentsWhileOneCloses) {
    std::vector<std::optional<std::string>> names;
    cadSetMsgHandler([&](int, int msg, int, int, double, double, void*) {
        if (msg != CAD_MSG_TEXT)
            names.push_back(cadPropGet(CAD_PROP_DOC_FILENAME, -1));
        return 0;
    });
    cadFileNew(0, "");
    ASSERT_EQ(cadFileSave(path("first.rdw"), CAD_FORMAT_NATIVE), 1);
    cadFileNew(0, "");
    names.clear();
    cadDocClose(-1); // hears 107 (no document active yet), then 13 for the first one
    cadDocClose(-1); // hears 107, then 13 with none left
    EXPECT_EQ(names, (std::vector<std::optional<std::string>>{std::nullopt, "first.rdw",
                                                              std::nullopt, std::nullopt}));
}

} // namespace
