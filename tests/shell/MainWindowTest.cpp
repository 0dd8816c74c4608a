// The main window as a person meets it: panels, menus, speed buttons, the title, the toolbar
// toggles, the engine's texts in Polish and the way out.
#include "engine/CadApi.h"
#include "shell/DwgProc.h"
#include "shell/Unit_Main.h"
#include "support/Cp1250.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"
#include "windows/Kwlpomoc.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <set>

namespace {

// Notes the application's request to quit its event loop.
class QuitWatcher : public QObject {
public:
    explicit QuitWatcher(bool& seen) : seen_(seen) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit)
            seen_ = true;
        return false;
    }

private:
    bool& seen_;
};

TEST_F(MainWindow, PanelsStandWhereTheLayoutPutsThem) {
    for (const char* name :
         {"Panel_wysoki", "Panel_control", "Panel_gora", "Panel_Level", "Panel_Line", "Panel_snap",
          "Splitter1", "Panel_srodkowy", "Panel_Legenda", "Panel_Draw", "Panel_Edit", "Panel_main",
          "win_cad", "Panel_view", "Panel_zoom", "Panel_SvedView", "Panel_status", "Panel_order"})
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
    for (const char* name :
         {"Edycja1", "Zaznaczanie1", "Rysuj1", "Palety1", "Widok1", "Ustawienia1",
          "ImportujplikKWL1", "EksportujdoDXF1", "ZapiszRDW1", "ZapiszjakoRDW1",
          "Listaotwartychdokumentw1", "Zamknijaktywnyplik1", "Zamknijwszystkieotwartepliki1",
          "Drukuj1", "Podzielrysunek1", "Drukujarkusze1", "Drukujobszar1", "EksportujdoBMP1"})
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

// A menu's items as "name caption", separators as "name -", a submenu's items after it
// indented by two blanks.
QStringList menuItems(const QMenu* menu, const QString& indent = QString()) {
    QStringList items;
    for (const QAction* a : menu->actions()) {
        items << indent + a->objectName() + QLatin1Char(' ') +
                     (a->isSeparator() ? QStringLiteral("-") : a->text());
        if (a->menu())
            items << menuItems(a->menu(), indent + QStringLiteral("  "));
    }
    return items;
}

TEST_F(MainWindow, EveryMenuHoldsExactlyItsItems) {
    const std::pair<const char*, const char*> menus[] = {
        {"Plik1", "Projekty1 Projekty|OtwrzplikKWL1 Otwórz ...|  PlikKWL1 Plik KWL|"
                  "  PlikDXF1 Plik DXF|  PlikRDW1 Plik KWL_Edytora|ImportujplikKWL1 Importuj ...|"
                  "  PlikKWL2 Plik KWL|EksportujdoDXF1 Eksportuj do DXF|ZapiszRDW1 Zapisz plik|"
                  "ZapiszjakoRDW1 Zapisz jako plik  KWL_Edytora|N4 -|"
                  "Listaotwartychdokumentw1 Lista otwartych plików|"
                  "Zamknijaktywnyplik1 Zamknij aktywny plik|"
                  "Zamknijwszystkieotwartepliki1 Zamknij wszystkie otwarte pliki|N2 -|"
                  "Parametrydrukarki1 Parametry drukarki|Drukuj1 Drukuj|N21 -|"
                  "Podzielrysunek1 Podziel rysunek na obszary do drukowania|"
                  "Drukujarkusze1 Drukuj arkusze|Drukujobszar1 Drukuj obszar|"
                  "EksportujdoBMP1 Eksportuj do BMP|N3 -|"
                  "Zamknijprogram1 &Zamknij program|N20 -|Nowyrysunek1 Nowy rysunek|N16 -"},
        {"Edycja1", "Undo1 Cofnij|Redo1 Ponów|N9 -|Waciwoci1 Właściwości|N10 -|"
                    "Wytnijdoschowka1 Wytnij do schowka|Kopiujdoschowka1 Kopiuj do schowka|"
                    "Wklejzeschowka1 Wklej ze schowka|N11 -|Kopiuj1 Kopiuj|Przesu1 Przesuń|"
                    "Obr1 Obróć|Skaluj1 Skaluj|Odbicielustrzane1 Odbicie lustrzane|Usu1 Usuń|"
                    "Rozbij1 Rozbij|Utwrzblok1 Utwórz blok|N1 -|"
                    "Odsunicie1 Odsunięcie|Przytnij1 Przytnij|Wydu1 Wydłuż|"
                    "Zaokrglij1 Zaokrąglij|Sfazuj1 Sfazuj|Przerwij1 Przerwij|Pocz1 Połącz|"
                    "Rozcignij1 Rozciągnij|Szyk1 Szyk|Wyduo1 Wydłuż o…|"
                    "Odwrkierunek1 Odwróć kierunek|Entitytotop1 Entity to top|"
                    "Entitytobottom1 Entity to bottom|Swapentities1 Swap entities|"
                    "Kreskowanianaspd1 Kreskowania na spód"},
        {"Zaznaczanie1", "Punktowe1 Punktowe|Prostoktem1 Prostokątem|Wieloktem1 Wielokątem|"
                         "Polilini1 Polilinią|"
                         "Wzadanejodlegociodpunktu1 W zadanej odległości od punktu|N8 -|"
                         "Znajdtekst1 Znajdź tekst|Zaznaczteksty1 Zaznacz teksty|"
                         "Zaznaczwszystko1 Zaznacz wszystko|Usuzaznaczenie1 Usuń zaznaczenie"},
        {"Rysuj1", "Punkt1 Punkt|Linia1 Linia|Polilinia1 Polilinia|Spline1 Spline|Tekst1 Tekst|"
                   "Sektor1 Sektor|Elipsa1 Elipsa|Prostokt1 Prostokąt|N19 -|Okrg2 Okrąg|"
                   "  Okrg1 Okrąg (środek,promień)|  Okrgrodekco1 Okrąg (środek, średnica)|"
                   "  Okrg2punkty1 Okrąg (2 punkty)|  Okrg3punkty1 Okrąg (3 punkty)|uk1 Łuk|"
                   "  ukrodekstartkoniec1 Łuk (środek,start,koniec) - CSE|"
                   "  ukstartkoniecrodekSEM1 Łuk (start,koniec,środek) - SEM|"
                   "  ukstartrodekkoniecSME1 Łuk (start,środek,koniec) - SME|N18 -|"
                   "Hatch2 Kreskowanie|SymbolTTF1 Symbol TTF|Obrazrastrowy1 Wstaw obraz rastrowy|"
                   "NWymiary -|Wymiarowanie1 Wymiarowanie|  Wymiarpoziomy1 Wymiar poziomy|"
                   "  Wymiarpionowy1 Wymiar pionowy|  Wymiarrownolegy1 Wymiar równoległy|"
                   "  Wymiarktowy1 Wymiar kątowy|  Wymiarpromienia1 Wymiar promienia|"
                   "  Wymiarrednicy1 Wymiar średnicy|  Wymiarrzdnej1 Wymiar rzędnych|"
                   "  NWymiary2 -|  Stylewymiarowania1 Style wymiarowania"},
        {"Palety1", "Listaotwartychplikw1 Lista otwartych plików|Listawarstw1 Lista warstw|"
                    "Zapamitanewidoki1 Zapamiętane widoki|Nawigator1 Nawigator|N5 -|"
                    "Warstwy1 Warstwy|Styllinii1 Styl linii|Snapy1 Snapy|Rysowanie1 Rysowanie|"
                    "Edycja_Tool Edycja|Modyfikacja_Tool Modyfikacja|N17 -|Wczytajznakidrogowe1 "
                    "Wczytaj znaki drogowe|"
                    "  Wszystkie1 Wszystkie|  Ostrzegawcze1 Ostrzegawcze|  Zakazu1 Zakazu|"
                    "  Nakazu1 Nakazu|  Informacyjne1 Informacyjne|  Inne1 Inne"},
        {"Widok1", "Przybliwidok1 Przybliż widok|Oddalwidok1 Oddal widok|"
                   "Powikszdookna1 Powiększ do okna|Powikszdocaoci1 Powiększ do całości|"
                   "Przesuwidok1 Przesuń widok|Poprzedniwidok1 Poprzedni widok|"
                   "Powikszdozaznaczonych1 Powiększ do zaznaczonych|N6 -|"
                   "Zapamitajwidok1 Zapamiętaj widok|"
                   "Przywoajzapamitanywidok1 Przywołaj zapamiętany widok|N7 -|Odwie1 Odśwież"},
        {"Ustawienia1", "Warstwy2 Warstwy|Kolejnowarstw1 Kolejność warstw|"
                        "Zmianaszerokocilinii1 Szerokości linii|Kolorta1 Kolor tła|"
                        "Czytajustawieniadomy1 Czytaj ustawienia domyślne|"
                        "Zapiszustawienia1 Zapisz ustawienia|N14 -|Siatka1 Siatka|N15 -|"
                        "Skalawydruku1 Skala wydruku"},
        {"Pomoc1", "Opisprogramu1 Opis programu|Oprogramie1 O programie"},
    };
    QStringList shown;
    for (QAction* a : window->menuBar()->actions())
        shown << a->menu()->objectName();
    QStringList expected;
    for (const auto& [name, items] : menus)
        expected << QString::fromLatin1(name);
    EXPECT_EQ(shown, expected);
    for (const auto& [name, items] : menus)
        EXPECT_EQ(menuItems(window->menu(QString::fromLatin1(name))),
                  QString::fromUtf8(items).split(QLatin1Char('|')))
            << name;
}

// Each set of declared buttons goes on the toolbar created after it.
TEST_F(MainWindow, EngineToolbarsStandInThePanelsOfTheStartUp) {
    auto codes = [this](const char* panelName) {
        std::set<int> found;
        for (const QWidget* w : panel(panelName)->findChildren<QWidget*>())
            if (w->objectName().startsWith(QStringLiteral("cadButton")))
                found.insert(w->objectName().mid(9).toInt());
        return found;
    };
    EXPECT_EQ(codes("Panel_Draw"),
              (std::set<int>{17110, 17120, 17130, 17131, 17140, 17143, 17150, 17154, 17170, 17180,
                             17240, 17250, 17260, 17280, 17290, 17304}));
    EXPECT_EQ(codes("Panel_control"),
              (std::set<int>{17003, 17031, 18502, 17453, 18174, 18173, 18175, 18501, 17431, 17432,
                             17441, 17442, 17443, 17801, 17802, 17803, 17804}));
    EXPECT_EQ(codes("Panel_order"), (std::set<int>{17621, 17622, 17623, 17624}));
    EXPECT_EQ(codes("Panel_Dim"),
              (std::set<int>{17601, 17602, 17603, 17604, 17605, 17606, 17607, 17610}));
    EXPECT_EQ(panel("Panel_Dim")->toolTip(), QString::fromUtf8(u8"Wymiarowanie"));
    const std::set<int> edit = codes("Panel_Edit");
    for (int code = 17401; code <= 17409; ++code)
        EXPECT_TRUE(edit.count(code)) << code;
    for (int code : {17110, 17003, 17443})
        EXPECT_FALSE(edit.count(code)) << code;
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

TEST_F(MainWindow, DocumentMenusGoAwayWithTheLastDrawing) {
    const auto documentItemsEnabled = [this] {
        int on = 0;
        for (QAction* a : window->documentActions())
            on += a->isEnabled();
        return on;
    };
    const int all = static_cast<int>(window->documentActions().size());
    const int first = cadFileNew(window->engineWindow, "");
    EXPECT_EQ(documentItemsEnabled(), all);
    const int second = cadFileNew(window->engineWindow, "");
    cadDocClose(second);
    EXPECT_EQ(documentItemsEnabled(), all) << "one is still open";
    item("Zamknijaktywnyplik1")->trigger();
    EXPECT_EQ(cadDocGetActive(), 0);
    EXPECT_EQ(documentItemsEnabled(), 0) << "as at start";
    EXPECT_TRUE(item("OtwrzplikKWL1")->isEnabled());
    EXPECT_TRUE(item("Nowyrysunek1")->isEnabled());
    // The engine's buttons wait for a drawing too.
    auto* save = window->findChild<QToolButton*>(QStringLiteral("cadButton17003"));
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    (void)first;
}

TEST_F(MainWindow, TheTitleMarksUnsavedChanges) {
    cadFileNew(window->engineWindow, "");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy]"));
    cadUndoGroupBegin();
    cadAddLine(0, 0, 1, 1);
    cadUndoGroupEnd();
    cadRedraw();
    QApplication::processEvents(); // the drawing window shows the change
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy *]"));
    const QString file = dir.path() + QStringLiteral("/zmiany.rdw");
    ASSERT_EQ(cadFileSave(QFile::encodeName(file).toStdString(), CAD_FORMAT_NATIVE), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[zmiany]"));
    // Taken back to before the save: changed again.
    cadExecute(CAD_CMD_UNDO);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[zmiany *]"));
    cadExecute(CAD_CMD_REDO);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[zmiany]"));
}

TEST_F(MainWindow, TheWaysOfSnappingChosenAreKeptForTheNextRun) {
    // Chosen on the snap toolbar, with the settings dialog's aperture.
    window->findChild<QToolButton*>(QStringLiteral("cadButton17512"))->click(); // none
    window->findChild<QToolButton*>(QStringLiteral("cadButton17501"))->click(); // end
    window->findChild<QToolButton*>(QStringLiteral("cadButton17504"))->click(); // centre
    CadSnapSettings chosen = cadSnapSettings();
    chosen.aperture = 23;
    cadSetSnapSettings(chosen);
    ASSERT_TRUE(window->close());
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("KWL_snapy.knf"))));
    // The next run starts from a fresh engine and finds them as they were.
    window.reset();
    cadReset();
    EXPECT_EQ(cadSnapSettings().modes, CadSnapSettings{}.modes);
    window = std::make_unique<TForm_Main>();
    window->FormCreate({});
    EXPECT_EQ(cadSnapSettings().modes, (1u << 0) | (1u << 3));
    EXPECT_EQ(cadSnapSettings().aperture, 23);
    EXPECT_TRUE(window->findChild<QToolButton*>(QStringLiteral("cadButton17504"))->isChecked());
    EXPECT_FALSE(window->findChild<QToolButton*>(QStringLiteral("cadButton17502"))->isChecked());
}

TEST_F(MainWindow, NewDrawingStartsAnEmptyOneInMillimetres) {
    EXPECT_FALSE(item("Edycja1")->isEnabled());
    item("Nowyrysunek1")->trigger();
    ASSERT_NE(cadDocGetActive(), 0);
    EXPECT_TRUE(item("Edycja1")->isEnabled());
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_UNITS, -1), 2);
    EXPECT_EQ(cadLayerCount(), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_LAYER_NAME, 0), "0");
    EXPECT_EQ(cadLayerGetActive(), 0);
    EXPECT_EQ(FromCp1250(cadPropGet(CAD_PROP_LINESTYLE_NAME, 0).value_or("")),
              QString::fromUtf8("Ciągła"));
    EXPECT_EQ(cadGetStatistics()->entities, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KWL_Edytor-[bez nazwy]"));
    // Nothing in it to save: closing asks nothing.
    item("Zamknijaktywnyplik1")->trigger();
    EXPECT_TRUE(Script().messageBoxes.empty());
    EXPECT_EQ(cadDocGetActive(), 0);
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
    EXPECT_EQ(FromCp1250(cadText(12051)), QString::fromUtf8("Stwórz nowy blok"));
    // The two snap boxes of the settings tell the middle of a segment from a circle's centre.
    EXPECT_EQ(FromCp1250(cadText(12433)), QString::fromUtf8("Do punktu środkowego"));
    EXPECT_EQ(FromCp1250(cadText(12434)), QString::fromUtf8("Do środka okręgu"));
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
    // The modify tools' column beside them.
    item("Modyfikacja_Tool")->trigger();
    EXPECT_TRUE(panel("Panel_Modify")->isHidden());
    item("Modyfikacja_Tool")->trigger();
    EXPECT_FALSE(panel("Panel_Modify")->isHidden());

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

// The program runs its event loop until the main window closes; an open description does not
// keep it running.
TEST_F(MainWindow, TheProgramEndsWhenTheMainWindowClosesWithTheDescriptionOpen) {
    TFormKwlpomoc description;
    description.show();
    ASSERT_TRUE(description.isVisible());
    bool quitAsked = false;
    QuitWatcher watcher(quitAsked);
    qApp->installEventFilter(&watcher);
    QTimer::singleShot(0, window.get(), [this, &quitAsked] {
        window->close();
        // Runs after the request to quit, if there is one; without it the loop would go on.
        QMetaObject::invokeMethod(
            qApp,
            [&quitAsked] {
                if (!quitAsked)
                    QCoreApplication::exit(99);
            },
            Qt::QueuedConnection);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    qApp->removeEventFilter(&watcher);
    EXPECT_TRUE(quitAsked);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindow, FontListOffersCourierNew) {
    EXPECT_FALSE(
        window->ListBox1->findItems(QStringLiteral("Courier New"), Qt::MatchExactly).isEmpty());
}

} // namespace
