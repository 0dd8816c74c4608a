// The main window as a person meets it: panels, menus, speed buttons, the title, the toolbar
// toggles, the engine's texts in Polish and the way out.
#include "engine/CadApi.h"
#include "shell/DwgProc.h"
#include "shell/Unit_Main.h"
#include "support/Cp1250.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

TEST_F(MainWindow, PanelsStandWhereTheLayoutPutsThem) {
    for (const char* name :
         {"Panel_wysoki", "Panel_control", "Panel_gora", "Panel_Level", "Panel_Line", "Panel_snap",
          "Splitter1", "Panel_srodkowy", "Panel_Legenda", "Panel_Draw", "Panel_Edit", "Panel_main",
          "win_cad", "Panel_view", "Panel_zoom", "Panel_SvedView", "Panel_status"})
        ASSERT_NE(panel(name), nullptr) << name;
    EXPECT_EQ(panel("Panel_wysoki")->height(), 31);
    EXPECT_EQ(panel("Panel_gora")->height(), 30);
    EXPECT_EQ(panel("Panel_Level")->width(), 216);
    EXPECT_EQ(panel("Panel_Line")->width(), 200);
    EXPECT_EQ(panel("Panel_Legenda")->width(), 54);
    EXPECT_EQ(panel("Panel_Draw")->width(), 23);
    EXPECT_EQ(panel("Panel_view")->height(), 25);
    EXPECT_EQ(panel("Panel_zoom")->width(), 164);
    EXPECT_EQ(panel("Panel_SvedView")->width(), 52);
    EXPECT_EQ(panel("Panel_status")->height(), 22);
    EXPECT_EQ(window->ProgressBar1->height(), 8);
    EXPECT_EQ(window->ProgressBar1->maximum(), 100);
    EXPECT_EQ(panel("win_cad")->palette().color(QPalette::Window), QColor(0, 128, 128));
    // Above, beside and below the drawing.
    EXPECT_LT(panel("Panel_gora")->mapTo(window.get(), QPoint()).y(),
              panel("win_cad")->mapTo(window.get(), QPoint()).y());
    EXPECT_LT(panel("Panel_Legenda")->mapTo(window.get(), QPoint()).x(),
              panel("win_cad")->mapTo(window.get(), QPoint()).x());
}

TEST_F(MainWindow, SpeedButtonsStandInARowWithTheirHints) {
    const std::pair<const char*, const char*> buttons[] = {
        {"SpeedRepaint", "Odśwież widok"},
        {"SpeedPlus", "Powiększ"},
        {"SpeedMinus", "Oddal"},
        {"SpeedOkno", "Powiększ do okna"},
        {"SpeedBiez", "Powiększ do całości"},
        {"SpeedWszystko", "Przesuń widok"},
        {"Speed_Previous", "Poprzedni widok"},
        {"Speed_Selection", "Powiększ do zaznaczonych"}};
    int x = 0;
    for (const auto& [name, hint] : buttons) {
        auto* b = panel("Panel_zoom")->findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->geometry(), QRect(x, 0, 20, 21)) << name;
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(hint));
        x += 20;
    }
    EXPECT_NE(panel("Panel_SvedView")->findChild<QToolButton*>("SpeedButton1"), nullptr);
    EXPECT_EQ(panel("Panel_SvedView")->findChild<QToolButton*>("SpeedButton2")->toolTip(),
              QString::fromUtf8("Przywołaj zapisany widok"));
}

TEST_F(MainWindow, DocumentMenusWaitForTheFirstDrawing) {
    for (const char* name : {"Edycja1", "Zaznaczanie1", "Rysuj1", "Palety1", "Widok1",
                             "Ustawienia1", "ImportujplikKWL1", "EksportujdoDXF1", "ZapiszRDW1",
                             "ZapiszjakoRDW1", "Listaotwartychdokumentw1", "Zamknijaktywnyplik1",
                             "Zamknijwszystkieotwartepliki1", "Drukuj1"})
        EXPECT_FALSE(item(name)->isEnabled()) << name;
    for (const char* name :
         {"Plik1", "Projekty1", "OtwrzplikKWL1", "Parametrydrukarki1", "Zamknijprogram1", "Pomoc1"})
        EXPECT_TRUE(item(name)->isEnabled()) << name;
    window->EnableDocumentMenus();
    for (QAction* a : window->documentActions())
        EXPECT_TRUE(a->isEnabled());
}

TEST_F(MainWindow, MenusCarryTheirCaptionsInOrder) {
    QStringList top;
    for (QAction* a : window->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top,
              QString::fromUtf8("Plik|Edycja|Zaznaczanie|Rysuj|Narzędzia|Widok|Ustawienia|Pomoc")
                  .split('|'));
    EXPECT_EQ(item("ZapiszjakoRDW1")->text(), QString::fromUtf8("Zapisz jako plik  KWL_Edytora"));
    EXPECT_EQ(item("Zamknijprogram1")->text(), QStringLiteral("&Zamknij program"));
    EXPECT_TRUE(item("N16")->isSeparator());
    EXPECT_EQ(window->menu("Plik1")->actions().last(), item("N16"));
    EXPECT_EQ(window->menu("OtwrzplikKWL1")->actions().size(), 3);
    EXPECT_EQ(window->menu("uk1")->actions().size(), 3);
    EXPECT_EQ(window->menu("Wczytajznakidrogowe1")->actions().size(), 6);
}

TEST_F(MainWindow, TitleShowsTheNameWithoutFolderAndLastExtension) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[ ]"));
    window->SetDrawingTitle(QStringLiteral("/home/jan/drogi/name.part.kwl"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[name.part]"));
    window->SetDrawingTitle(QStringLiteral("/home/jan/drogi.2024/plan"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[plan]"));
    RefreshDrawingTitle();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy]"));
}

TEST_F(MainWindow, TheTitleFollowsTheActiveDocument) {
    const QString dir = QDir::tempPath();
    cadFileNew(window->engineWindow, "");
    const std::string a = (dir + "/kwl_title_a.rdw").toStdString();
    ASSERT_EQ(cadFileSave(a, CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[kwl_title_a]"));
    const int first = cadDocGetActive();
    cadFileNew(window->engineWindow, "");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy]"));
    cadDocSetActive(first);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[kwl_title_a]"));
    cadDocClose(-1);
    cadDocClose(-1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy]"));
    QFile::remove(QString::fromStdString(a));
}

TEST_F(MainWindow, TheEngineGetsItsTextsInPolish) {
    cadFileNew(window->engineWindow, "");
    EXPECT_EQ(FromCp1250(cadText(10507)), QString::fromUtf8("Zapisać zmiany w pliku \"%s\"?"));
    EXPECT_EQ(cadText(11639), "");
    cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "untouched");
    EXPECT_EQ(DwgProc(0, CAD_MSG_TEXT, 10508, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_ANSWER, 0), "untouched");
    EXPECT_EQ(DwgProc(0, CAD_MSG_TEXT, 12011, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_ANSWER, 0), "Jak warstwa");
    EXPECT_EQ(DwgProc(0, 999, 0, 0, 0, 0, nullptr), 0);
}

TEST_F(MainWindow, ToolbarColumnTogglesResizeTheirContainer) {
    QFrame* legenda = panel("Panel_Legenda");
    item("Rysowanie1")->trigger();
    EXPECT_FALSE(item("Rysowanie1")->isChecked());
    EXPECT_TRUE(panel("Panel_Draw")->isHidden());
    EXPECT_EQ(legenda->width(), 30);
    item("Edycja_Tool")->trigger();
    EXPECT_TRUE(legenda->isHidden());
    item("Edycja_Tool")->trigger();
    EXPECT_FALSE(legenda->isHidden());
    EXPECT_EQ(legenda->width(), 30);
    item("Rysowanie1")->trigger();
    EXPECT_EQ(legenda->width(), 54);

    for (const char* name : {"Warstwy1", "Styllinii1", "Snapy1"})
        item(name)->trigger();
    EXPECT_TRUE(panel("Panel_Level")->isHidden());
    EXPECT_TRUE(panel("Panel_snap")->isHidden());
    EXPECT_FALSE(panel("Panel_gora")->isHidden());
    item("Styllinii1")->trigger();
    EXPECT_FALSE(panel("Panel_Line")->isHidden());
    EXPECT_TRUE(item("Styllinii1")->isChecked());
}

TEST_F(MainWindow, SelectAllAndNoneReachEveryEntity) {
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    cadAddCircle(0, 0, 1);
    window->EnableDocumentMenus();
    item("Zaznaczwszystko1")->trigger();
    EXPECT_EQ(cadSelectedCount(), 2);
    item("Usuzaznaczenie1")->trigger();
    EXPECT_EQ(cadSelectedCount(), 0);
}

TEST_F(MainWindow, CancellingTheSaveQuestionKeepsTheProgramRunning) {
    cadFileNew(window->engineWindow, "");
    cadAddLine(0, 0, 1, 1);
    Script().messageBoxAnswers = {kIdCancel};
    QCloseEvent refuse;
    QApplication::sendEvent(window.get(), &refuse);
    EXPECT_FALSE(refuse.isAccepted());
    EXPECT_EQ(cadDocList().size(), 1u);
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text,
              QString::fromUtf8("Zapisać zmiany w pliku \"Bez nazwy\"?"));
    Script().messageBoxAnswers = {kIdNo};
    QCloseEvent accept;
    QApplication::sendEvent(window.get(), &accept);
    EXPECT_TRUE(accept.isAccepted());
    EXPECT_TRUE(cadDocList().empty());
}

TEST_F(MainWindow, FontListOffersCourierNew) {
    EXPECT_FALSE(
        window->ListBox1->findItems(QStringLiteral("Courier New"), Qt::MatchExactly).isEmpty());
}

} // namespace
