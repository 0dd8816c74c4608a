#include "tests/import/ImportTestSupport.h"

#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "tests/common/ScriptedPlatform.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

namespace {

using RecentFilesTest = ImportTest;

TEST_F(RecentFilesTest, NewestFirstWithoutDuplicatesAndAtMostTen) {
    AddRecentFile(QStringLiteral("/rys/plan.kwl"));
    AddRecentFile(QStringLiteral("/rys/plan.kwl"));
    EXPECT_EQ(RecentFilesList().entries(), QStringList{QStringLiteral("/rys/plan.kwl")});
    for (int i = 1; i <= 10; ++i)
        AddRecentFile(QStringLiteral("/rys/%1.kwl").arg(i));
    const QStringList list = RecentFilesList().entries();
    ASSERT_EQ(list.size(), 10);
    EXPECT_EQ(list.front(), QStringLiteral("/rys/10.kwl"));
    EXPECT_EQ(list.back(), QStringLiteral("/rys/1.kwl"));
    EXPECT_FALSE(list.contains(QStringLiteral("/rys/plan.kwl")));
    AddRecentFile(QStringLiteral("/rys/5.kwl"));
    EXPECT_EQ(RecentFilesList().entries(), list) << "a listed path does not move";
}

TEST_F(RecentFilesTest, ListFileRoundTripAndItsShortLines) {
    const QString file = QString::fromStdString(path("KWL_OST_PLIKI.bin"));
    EXPECT_TRUE(SaveRecentFiles(file)) << "an empty list writes nothing";
    EXPECT_FALSE(QFile::exists(file));

    write("KWL_OST_PLIKI.bin", "/a/one.kwl\r\n\r\nab\r\n/a/two.rdw\r\n");
    LoadRecentFiles(file);
    EXPECT_EQ(RecentFilesList().entries(),
              (QStringList{QStringLiteral("/a/one.kwl"), QStringLiteral("/a/two.rdw")}));
    AddRecentFile(QStringLiteral("/a/Trzy Ł.dxf"));
    EXPECT_TRUE(SaveRecentFiles(file));
    EXPECT_EQ(read("KWL_OST_PLIKI.bin"), "/a/Trzy \xC5\x81.dxf\r\n/a/one.kwl\r\n/a/two.rdw\r\n");

    std::string twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "/line/" + std::to_string(i) + "\r\n";
    write("KWL_OST_PLIKI.bin", twelve);
    LoadRecentFiles(file);
    const QStringList list = RecentFilesList().entries();
    ASSERT_EQ(list.size(), 10);
    EXPECT_EQ(list[8], QStringLiteral("/line/9"));
    EXPECT_EQ(list[9], QStringLiteral("/line/12"));
}

TEST_F(RecentFilesTest, MenuEntriesCarryTheirPathsUnchanged) {
    AddRecentFile(QStringLiteral("/r&d/b.rdw"));
    AddRecentFile(QStringLiteral("/rys/a.kwl"));
    QWidget owner;
    QMenu menu;
    QStringList clicked;
    BuildRecentFilesMenu(&owner, &menu, [&](QAction* a) { clicked << RecentEntryPath(a->text()); });
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[0]->objectName(), QStringLiteral("br1"));
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("0 /rys/a.kwl"));
    EXPECT_EQ(menu.actions()[1]->text(), QStringLiteral("1 /r&&d/b.rdw"));
    menu.actions()[1]->trigger();
    EXPECT_EQ(clicked, QStringList{QStringLiteral("/r&d/b.rdw")});
    EXPECT_EQ(RecentEntryPath(QStringLiteral("&3 /x/y.dxf")), QStringLiteral("/x/y.dxf"));
}

TEST_F(RecentFilesTest, MainProgressMovesInHundredths) {
    QProgressBar bar;
    AttachMainWindow({nullptr, &bar, nullptr, {}, nullptr});
    ResetMainProgress(50);
    EXPECT_EQ(bar.maximum(), 50);
    StepMainProgress(10);
    EXPECT_EQ(bar.value(), 10);
    ResetMainProgress(-1);
    EXPECT_EQ(bar.maximum(), 1);
    ResetMainProgress(0);
    EXPECT_EQ(bar.maximum(), 1);

    ResetMainProgress(1'000'000);
    const int before = Script().processEventsCalls;
    for (int p = 0; p <= 1'000'000; p += 7)
        StepMainProgress(p);
    EXPECT_LE(Script().processEventsCalls - before, 101);
    EXPECT_GT(bar.value(), 990'000);
    StepMainProgress(2'000'000);
    EXPECT_GT(bar.value(), 990'000) << "beyond the maximum is ignored";

    ResetMainProgress(6'000'000'000LL);
    StepMainProgress(3'000'000'000LL);
    EXPECT_NEAR(double(bar.value()) / bar.maximum(), 0.5, 0.01) << "files beyond 2 GiB";
    AttachMainWindow({});
}

TEST_F(RecentFilesTest, ProgressWindowCancelAndTheLock) {
    QWidget main;
    TForm_Progres progress(&main);
    progress.Btn_Anuluj->click();
    progress.close();
    EXPECT_FALSE(CancelRequested) << "no read runs";
    Busy = true;
    progress.Btn_Anuluj->click();
    EXPECT_TRUE(CancelRequested);
    CancelRequested = false;
    ShowProgress(QStringLiteral("Otwieranie pliku KWL"), QStringLiteral("Stan"), 100);
    EXPECT_TRUE(progress.isVisible());
    progress.close();
    EXPECT_TRUE(CancelRequested) << "closing the window asks to cancel";
    Busy = false;

    QMenuBar bar;
    QWidget panel, engineWindow;
    engineWindow.show();
    QAction* disabled = bar.addMenu(QStringLiteral("Edycja"))->menuAction();
    disabled->setEnabled(false);
    AttachMainWindow({&main, nullptr, &engineWindow, {&panel}, &bar});
    LockUserInterface();
    EXPECT_FALSE(panel.isEnabled());
    EXPECT_TRUE(engineWindow.isHidden());
    UnlockUserInterface();
    EXPECT_TRUE(panel.isEnabled());
    EXPECT_TRUE(disabled->isEnabled()) << "every top-level item is enabled after a read";
    EXPECT_FALSE(engineWindow.isHidden());
    AttachMainWindow({});
}

} // namespace
