#include "tests/import/ImportTestSupport.h"

#include "import/RoadDesignReader.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "tests/common/ScriptedPlatform.h"

using namespace kwl;

namespace {

class ReaderTest : public ImportTest {
protected:
    // Reads a drawing made of the given bytes; the drawing kind.
    int readBytes(const std::string& bytes, double shiftX = 0, double shiftY = 0) {
        const QString file = write("drawing.kwl", bytes);
        FileSize = static_cast<long long>(bytes.size());
        return ReadRoadDesignDrawing(file, shiftX, shiftY);
    }
    std::vector<EntityInfo> polylines() {
        std::vector<EntityInfo> list;
        for (const EntityInfo& e : Entities())
            if (e.type == CAD_ENT_POLYLINE)
                list.push_back(e);
        return list;
    }
};

using V = std::vector<double>;

TEST_F(ReaderTest, HeaderDecidesWhetherAndWhatKindOfDrawingItIs) {
    EXPECT_EQ(readBytes(header("P,0,0.0")), 1);
    EXPECT_EQ(readBytes(header("P,0,5")), 2);
    EXPECT_EQ(readBytes("&IBMRYSUNEKZEVO\r\n"), 2) << "missing fields do not count as 0";
    EXPECT_EQ(readBytes("\"&IBMRYSUNEKZEVO\",x\r\nP,0,0\r\n"), 1);
    EXPECT_TRUE(Script().messageBoxes.empty());

    // A wrong header, and an empty file, which has none.
    const std::string rest = "\r\nP,0,0\r\n" + up(0, 0) + down(1, 1) + pen(1);
    for (const std::string& wrong :
         {"&ibmrysunekzevo" + rest, "IBMRYSUNEKZEVO" + rest, std::string(), std::string("\r\n")}) {
        Script().messageBoxes.clear();
        Script().messageBoxAnswers = {kIdOk};
        EXPECT_EQ(readBytes(wrong), 0);
        ASSERT_EQ(Script().messageBoxes.size(), 1u) << wrong.size();
        EXPECT_TRUE(Script().messageBoxes[0].text.startsWith(QStringLiteral("Wybrany plik \"")));
        EXPECT_TRUE(Script().messageBoxes[0].text.contains(QStringLiteral("drawing.kwl\"")));
        EXPECT_FALSE(Busy);
    }
    EXPECT_TRUE(Entities().empty());
}

TEST_F(ReaderTest, PenCodesChooseTheirLayers) {
    readBytes(header() + pen(1) + up(0, 0) + down(1, 0) + pen(38) + up(0, 1) + down(1, 1) +
              pen(39) + up(0, 2) + down(1, 2) + pen(9) + up(0, 3) + down(1, 3) + pen(0));
    const auto p = polylines();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].layer, "31");
    EXPECT_EQ(p[1].layer, "68");
    EXPECT_EQ(p[2].layer, "39");
    EXPECT_EQ(p[3].layer, "39");
}

TEST_F(ReaderTest, RecordsThatEndAPolyline) {
    // Pen up, down, down, pen change: three vertices on the layer before the change.
    readBytes(header() + pen(1) + up(0, 0) + down(1, 0) + down(1, 1) + pen(2) +
              // Pen up, pen change, pen down: two vertices, on the new layer.
              up(5, 5) + pen(3) + down(6, 5) +
              // Pen up after pen up drops the first point.
              up(10, 10) + up(20, 20) + down(21, 20) +
              // Pen down after a finished polyline starts at its last point.
              pen(4) + down(22, 22) + pen(5));
    const auto p = polylines();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].vertices, (V{0, 0, 1, 0, 1, 1}));
    EXPECT_EQ(p[0].layer, "31");
    EXPECT_EQ(p[1].vertices, (V{5, 5, 6, 5}));
    EXPECT_EQ(p[1].layer, "33");
    EXPECT_EQ(p[2].vertices, (V{20, 20, 21, 20}));
    EXPECT_EQ(p[3].vertices, (V{21, 20, 22, 22}));
    EXPECT_EQ(p[3].layer, "34");
}

TEST_F(ReaderTest, PenChangeBetweenTwoDrawnRunsSplitsThemAtTheSharedPoint) {
    readBytes(header() + pen(1) + up(0, 0) + down(1, 0) + pen(2) + down(2, 0) + pen(3));
    const auto p = polylines();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].layer, "31");
    EXPECT_EQ(p[1].vertices, (V{1, 0, 2, 0}));
    EXPECT_EQ(p[1].layer, "32");
}

TEST_F(ReaderTest, LastPolylineAndALeadingPenDownAreKept) {
    readBytes(header() + pen(1) + down(3, 4) + down(5, 4) + pen(2) + up(0, 0) + down(7, 7), 100,
              200);
    const auto p = polylines();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].vertices, (V{100, 200, 103, 204, 105, 204})) << "from the shifted origin";
    EXPECT_EQ(p[1].vertices, (V{100, 200, 107, 207})) << "the polyline open at the end";
}

TEST_F(ReaderTest, TextsTakeTheirParametersAndKeepTheCurrentPoint) {
    const std::string longText(300, 'x');
    readBytes(header() + pen(1) + up(0, 0) + text(10, 20, "2,1.5,30,15", "KM 0+100") + down(1, 1) +
              text(0, 0, "1,1,0,0", longText) + std::string{'\x04', 'a'} + ",5,6\r\n");
    const auto all = Entities();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].type, CAD_ENT_TEXT);
    EXPECT_EQ(all[0].text, "KM 0+100");
    EXPECT_EQ(all[0].vertices, (V{10, 20}));
    EXPECT_EQ(all[0].layer, "31");
    const int first = cadGetEntity(CAD_GET_FIRST, 0, 0);
    EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_TEXT_HEIGHT, first), 1.17 * 2 * 1.5);
    EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_TEXT_ROTATION, first), 30);
    EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_TEXT_OBLIQUE, first), 15);
    EXPECT_EQ(all[1].vertices, (V{0, 0, 1, 1})) << "the text did not move the pen";
    EXPECT_EQ(all[2].text, longText) << "long texts are not cut";
    // A text record at the end without its two lines: no-value parameters, empty text.
    EXPECT_EQ(all[3].text, "");
    EXPECT_EQ(all[3].vertices, (V{5, 6}));
}

TEST_F(ReaderTest, ShiftMovesEveryPointAndText) {
    readBytes(header() + pen(1) + up(1, 2) + down(3, 4) + text(1, 2, "1,1,0,0", "a") + pen(0), 100,
              200);
    const auto all = Entities();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].vertices, (V{101, 202, 103, 204}));
    EXPECT_EQ(all[1].vertices, (V{101, 202}));
}

TEST_F(ReaderTest, LineEndsAndEndOfFile) {
    // A lone CR ends a line; a lone LF is a character of the line; Ctrl+Z ends the file.
    std::string bytes = "&IBMRYSUNEKZEVO\rP,0,0\r";
    bytes += std::string{'\x01', '\x01'} + "\r";
    bytes += std::string{'\x02', '\x03'} + ",1,1\r";
    bytes += std::string{'\x02', '\x02'} + ",2,2\r";
    bytes += std::string{'\x03', '\x01'} + ",0,0\r1,1,0,0\rab\ncd\r";
    bytes += std::string{'\x02', '\x02'} + ",3,3\x1A" + std::string{'\x02', '\x02'} + ",9,9\r";
    EXPECT_EQ(readBytes(bytes), 1);
    const auto all = Entities();
    ASSERT_EQ(all.size(), 3u) << "nothing after Ctrl+Z";
    EXPECT_EQ(all[0].vertices, (V{1, 1, 2, 2}));
    EXPECT_EQ(all[1].text, "ab\ncd");
    EXPECT_EQ(all[2].vertices, (V{2, 2, 3, 3})) << "the line before Ctrl+Z counts";
}

TEST_F(ReaderTest, TextsComeBackFromDxfByteForByte) {
    // Texts as road drawings have them: line breaks inside, Windows-1250 letters, carets and
    // percent signs that DXF writes in codes of its own.
    const std::vector<std::string> texts = {"KM 0+100\nL=35.00",
                                            "\xA3\xF3\x64\x9F \xB9\xEA\n\xAF\xF3\xB3ty",
                                            "^ caret ^J",
                                            "i=2.5% 45%%d",
                                            "\n",
                                            "tab\tx"};
    std::string bytes = header() + pen(1);
    for (std::size_t i = 0; i < texts.size(); ++i)
        bytes += text(0, double(i), "1,1,0,0", texts[i]);
    readBytes(bytes);
    ASSERT_EQ(cadFileSave(path("drawing.dxf"), CAD_FORMAT_DXF), 1);
    ASSERT_GT(cadFileNew(0, ""), 0);
    ASSERT_EQ(cadFileLoad(path("drawing.dxf"), CAD_FORMAT_ANY), 1);
    std::vector<std::string> back;
    for (const EntityInfo& e : Entities())
        if (e.type == CAD_ENT_TEXT)
            back.push_back(e.text);
    EXPECT_EQ(back, texts);
}

TEST_F(ReaderTest, IncompleteLineStopsWithAMessageAndKeepsWhatWasRead) {
    Script().messageBoxAnswers = {kIdOk};
    EXPECT_EQ(readBytes(header("P,1,1") + pen(1) + up(0, 0) + down(1, 1) + "x\r\n" + up(5, 5) +
                        down(6, 6) + pen(0)),
              2);
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].caption, QStringLiteral("Błąd w pliku"));
    EXPECT_EQ(Script().messageBoxes[0].style, kMbError);
    const auto p = polylines();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].vertices, (V{0, 0, 1, 1}));
}

TEST_F(ReaderTest, EmptyLinesThatOnlyEndTheFileAreQuiet) {
    EXPECT_EQ(readBytes(header() + pen(1) + up(0, 0) + down(1, 1) + "\r\n\r\n\r\n"), 1);
    EXPECT_TRUE(Script().messageBoxes.empty());
    ASSERT_EQ(polylines().size(), 1u);
    EXPECT_EQ(polylines()[0].vertices, (V{0, 0, 1, 1}));

    // An empty line with records after it is an incomplete drawing.
    cadFileNew(0, "");
    Script().messageBoxAnswers = {kIdOk};
    readBytes(header() + pen(1) + up(0, 0) + down(1, 1) + "\r\n\r\n" + up(5, 5) + down(6, 6));
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QStringLiteral("Niekompletne dane w pliku, przerwano wczytywanie rysunku"));
    EXPECT_EQ(polylines().size(), 1u);
}

TEST_F(ReaderTest, CancelIsAskedAfterTheNextPolylineAndMayBeDeclined) {
    std::string bytes = header() + pen(1);
    for (int i = 0; i < 300; ++i)
        bytes += up(i, 0) + down(i, 1);
    bytes += pen(0);
    // The request arrives while the reader lets events run (every 100 lines).
    int requests = 0;
    Script().onProcessEvents = [&] {
        if (Busy && requests++ == 0)
            RequestCancel();
    };
    Script().messageBoxAnswers = {kIdNo};
    readBytes(bytes);
    EXPECT_EQ(Script().messageBoxes.size(), 1u) << "asked once; No clears the request";
    EXPECT_EQ(polylines().size(), 300u);

    cadFileNew(0, "");
    requests = 0;
    Script().messageBoxes.clear();
    Script().messageBoxAnswers = {kIdYes};
    readBytes(bytes);
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text, QStringLiteral("Czy anulować bieżącą operację?"));
    EXPECT_EQ(Script().messageBoxes[0].style, kMbQuestion);
    EXPECT_GT(polylines().size(), 0u);
    EXPECT_LT(polylines().size(), 300u) << "reading stopped, what was read stays";
    EXPECT_FALSE(Busy);
    EXPECT_FALSE(CancelRequested);
}

TEST_F(ReaderTest, CancelWhileNothingIsReadHasNoEffect) {
    RequestCancel();
    EXPECT_FALSE(CancelRequested);
}

TEST_F(ReaderTest, ARequestLeftOverFromEarlierWorkDoesNotCancelTheRead) {
    std::string bytes = header() + pen(1);
    for (int i = 0; i < 10; ++i)
        bytes += up(i, 0) + down(i, 1);
    Busy = true;
    RequestCancel(); // as a block load might leave it
    Busy = false;
    ASSERT_TRUE(CancelRequested);
    readBytes(bytes);
    EXPECT_TRUE(Script().messageBoxes.empty()) << "no cancel question";
    EXPECT_EQ(polylines().size(), 10u);
}

TEST_F(ReaderTest, MissingFileIsAnErrorForTheCaller) {
    FileSize = -1;
    EXPECT_THROW(ReadRoadDesignDrawing(QString::fromStdString(path("none.kwl")), 0, 0),
                 std::runtime_error);
}

} // namespace
