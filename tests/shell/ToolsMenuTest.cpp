// The block library in the open flow, the road signs, and the text search, as a person meets them.
#include "blocks/Kwl_bloki.h"
#include "shell/Kwl_szuk_tekst.h"
#include "shell/RoadSigns.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

class ToolsMenu : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        previousDir = QDir::currentPath();
        progress = std::make_unique<TForm_Progres>(window.get());
        search = std::make_unique<TForm_szukaj_tekst>(window.get());
        SearchAccepted = false;
        LastCoordinates() = {};
    }
    void TearDown() override {
        QDir::setCurrent(previousDir);
        search.reset();
        progress.reset();
        MainWindow::TearDown();
    }
    // A text entity of the active document.
    int text(double x, const char* s) {
        cadSetTextParam(CAD_TEXT_HEIGHT, 1);
        return cadAddText(x, 0, s);
    }
    // The search dialog answered by filling it and pressing a button.
    void answerSearch(const QString& fragment, bool fromStart, bool clear, bool accept) {
        Script().modalActions.push_back([=, this](QWidget*) {
            search->Edit1->setText(fragment);
            search->CheckBox1->setChecked(fromStart);
            search->CheckBox2->setChecked(clear);
            (accept ? search->Button1 : search->Button2)->click();
            return 0;
        });
    }
    // The selected ones of the first handles (not by a walk, which would move the search).
    std::vector<int> selected() {
        std::vector<int> list;
        for (int e = 0; e < 8; ++e)
            if (cadPropGetInt(CAD_PROP_ENT_SELECTED, e).value_or(0) == 1)
                list.push_back(e);
        return list;
    }
    QString previousDir;
    std::unique_ptr<TForm_Progres> progress;
    std::unique_ptr<TForm_szukaj_tekst> search;
};

const std::string kDrawing = "&IBMRYSUNEKZEVO\r\nPLAN,0,0\r\n\x01\x01\r\n\x02\x03,0,0\r\n"
                             "\x02\x02,10,0\r\n\x01\x02\r\n";

TEST_F(ToolsMenu, OpeningARoadDrawingDefinesTheBlocksOfItsFolder) {
    write(QStringLiteral("droga.kwl"), kDrawing);
    write(QStringLiteral("KWL_BLOKI.knf"), "BLOCK\r\nCIRCLE,0,0,1,1\r\nBLOCKNAME,DRZEWO,0,0\r\n");
    Script().fileAnswers = {path(QStringLiteral("droga.kwl"))};
    item("PlikKWL1")->trigger();
    EXPECT_GE(cadBlockIndex("DRZEWO"), 0);
    EXPECT_FALSE(Busy);
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());

    // A library that stops with an error: the open command reports it and gives the program back.
    write(QStringLiteral("KWL_BLOKI.knf"),
          "BLOCK\r\nCIRCLE,0,0,1,1\r\nBLOCKNAME,KRZEW,0,0\r\nLINE,LICZ / 0,0,0,0\r\n");
    Script().fileAnswers = {path(QStringLiteral("droga.kwl"))};
    Script().messageBoxAnswers = {kIdOk};
    item("PlikKWL1")->trigger();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_TRUE(Script().messageBoxes[0].text.startsWith(
        QStringLiteral("Wystąpił błąd podczas otwierania pliku ")));
    EXPECT_GE(cadBlockIndex("KRZEW"), 0) << "the blocks made before the error stay";
    EXPECT_FALSE(Busy);
    EXPECT_TRUE(panel("Panel_gora")->isEnabled());
    EXPECT_EQ(window->ProgressBar1->value(), 0);
}

TEST_F(ToolsMenu, RoadSignGroupsBecomeBlocks) {
    // Two groups beside the program, three signs in all.
    cadFileNew(0, "");
    for (const auto& [file, names] :
         {std::pair{"KWL_AAA1.BIN", std::vector<const char*>{"A-1", "A-7"}},
          std::pair{"KWL_AAA2.BIN", std::vector<const char*>{"B-20"}}}) {
        cadFileNew(0, "");
        for (const char* name : names) {
            cadBlockBegin();
            cadAddCircle(0, 0, 1);
            cadBlockAdd(name, 0, 0);
        }
        ASSERT_NE(cadFileSave(QFile::encodeName(path(QString::fromLatin1(file))).toStdString(),
                              CAD_FORMAT_NATIVE),
                  0);
    }
    cadFileNew(window->engineWindow, "");
    Script().messageBoxAnswers = {kIdOk};
    LoadRoadSigns(3);
    ASSERT_EQ(Script().messageBoxes.size(), 1u) << "no blocks: no block-count message";
    EXPECT_EQ(Script().messageBoxes[0].caption, QStringLiteral("Uwaga, Brak znaków drogowych"));

    // The person draws on a layer of his own: the signs leave it the one new entities go on.
    const int own = cadLayerAdd("opisy", 0.25, 0, 0);
    cadLayerActive(own);
    Script().messageBoxes.clear();
    Script().messageBoxAnswers = {kIdOk, kIdOk};
    item("Wszystkie1")->trigger();
    EXPECT_EQ(cadLayerGetActive(), own);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_LAYER, cadAddLine(0, 0, 1, 1)), own);
    ASSERT_EQ(Script().messageBoxes.size(), 2u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QStringLiteral("Liczba wczytanych grup znaków drogowych: 2. Dostępne są one jako "
                             "bloki do wstawienia"));
    EXPECT_EQ(Script().messageBoxes[1].text,
              QStringLiteral("Liczba dostępnych bloków w rysunku wynosi: 3"));
    EXPECT_GE(cadBlockIndex("B-20"), 0);
    EXPECT_GE(cadLayerIndex("10", 0), 0) << "the settings layers come with the signs";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ToolsMenu, TextSearchFindsTheNextTextCaseSensitively) {
    cadFileNew(window->engineWindow, "");
    const int a = text(0, "km 1+200");
    const int b = text(10, "KM 1+200");
    cadAddLine(0, 0, 1, 1);
    const int c = text(20, "KM 1+300");

    answerSearch(QStringLiteral("KM"), true, true, true);
    FindNextText();
    EXPECT_EQ(selected(), std::vector<int>{b});
    // Continuing, not clearing: the selection grows; past the last one, the message.
    answerSearch(QStringLiteral("KM"), false, false, true);
    FindNextText();
    EXPECT_EQ(selected(), (std::vector<int>{b, c}));
    answerSearch(QStringLiteral("KM"), false, true, true);
    Script().messageBoxAnswers = {kIdOk};
    FindNextText();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].caption, QStringLiteral("Wynik poszukiwania"));
    EXPECT_EQ(Script().messageBoxes[0].text,
              QStringLiteral("Nie znaleziono w tekstach na rysunku wybranego fragmentu \"KM\""));
    EXPECT_EQ(selected(), (std::vector<int>{b, c})) << "nothing found: selection stays";
    (void)a;

    // The close box after "Szukaj" searches again with the field's text; after "Rezygnuj"
    // nothing is searched.
    Script().modalActions.push_back([this](QWidget*) {
        search->CheckBox1->setChecked(true);
        search->close();
        return 0;
    });
    FindNextText();
    EXPECT_EQ(selected(), std::vector<int>{b});
    answerSearch(QStringLiteral("1+300"), true, true, false);
    FindNextText();
    Script().modalActions.push_back([this](QWidget*) {
        search->close();
        return 0;
    });
    FindNextText();
    EXPECT_EQ(selected(), std::vector<int>{b});
}

TEST_F(ToolsMenu, AFoundTextIsBroughtIntoTheMiddleReadable) {
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 10000, 6000); // a large plan
    cadSetTextParam(CAD_TEXT_HEIGHT, 1.5);
    const int found = cadAddText(3000, 2000, "KM 3+000");
    cadZoom(CAD_ZOOM_ALL);
    answerSearch(QStringLiteral("3+000"), true, true, true);
    FindNextText();
    ASSERT_EQ(selected(), std::vector<int>{found});
    QWidget* view = cadWndWidget(window->engineWindow);
    const CadRect shown = cadViewRect().value();
    const CadRect text = cadEntityExtents(found).value();
    const double pixels = 1.5 * view->width() / (shown.right - shown.left);
    EXPECT_GE(pixels, 20) << "readable";
    EXPECT_LE(pixels, 60) << "not blown up";
    const double perPixel = (shown.right - shown.left) / view->width();
    EXPECT_NEAR((shown.left + shown.right) / 2, (text.left + text.right) / 2, perPixel);
    EXPECT_NEAR((shown.bottom + shown.top) / 2, (text.bottom + text.top) / 2, perPixel);
}

TEST_F(ToolsMenu, SelectAllTextsKeepsTheSelection) {
    cadFileNew(window->engineWindow, "");
    window->EnableDocumentMenus();
    const int line = cadAddLine(0, 0, 1, 1);
    const int a = text(0, "a");
    const int b = text(5, "b");
    cadSelect(1, line);
    cadSelect(1, a);
    item("Zaznaczteksty1")->trigger();
    EXPECT_EQ(selected(), (std::vector<int>{line, a, b}));
}

} // namespace
