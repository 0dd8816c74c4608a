// The projects window, the description viewer and the about window as a person uses them.
#include "support/Cp1250.h"
#include "support/ProgramDirectory.h"
#include "tests/common/ScriptedPlatform.h"
#include "windows/Kwlpomoc.h"
#include "windows/kwl_info.h"
#include "windows/projekty.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramDirectory(dir.path());
        previous = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        SetProgramDirectory(QString());
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString folder(const QString& name) const { return dir.filePath(name) + QLatin1Char('/'); }
    QTemporaryDir dir;
    QString previous;
};

TEST_F(Windows, ProjectsChooseTheFolderWhereDialogsStart) {
    QDir(dir.path()).mkpath(QStringLiteral("Obwodnica"));
    QDir(dir.path()).mkpath(QStringLiteral("drogi/most"));
    write(QStringLiteral("projekty.prj"),
          " Obwodnica ,x,Obwodnica miasta\r\n"
          "Most,," +
              QByteArray(u8"Przebudowa mostu na rzece"_w1250.data(), 25) + "," +
              QFile::encodeName(dir.filePath(QStringLiteral("drogi/most"))) +
              "\r\nMost,,drugi,/nie/ma\r\nBrak,,Nie ma folderu,/nie/ma/takiego\r\n"
              "????????\r\nPo,,znaku,/x\r\n");
    QString remembered = QStringLiteral("/start/");
    TFormProjekty form;
    form.rememberedDirectory = &remembered;
    form.show();
    QTreeWidgetItem* root = form.TreeView1->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Dostępne projekty"));
    ASSERT_EQ(root->childCount(), 4) << "the list ends at the mark";
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral(" Obwodnica "));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("/start/"));

    form.TreeView1->setCurrentItem(root->child(0));
    form.TreeView1Click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Obwodnica miasta"));
    EXPECT_EQ(remembered, folder(QStringLiteral("Obwodnica"))) << "no folder: one named after it";

    // Arrow keys choose as clicks do; a repeated name takes its first line.
    QTest::keyClick(form.TreeView1, Qt::Key_Down);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Przebudowa mostu na rzece"));
    EXPECT_EQ(remembered, folder(QStringLiteral("drogi/most")));
    form.TreeView1->setCurrentItem(root->child(2));
    form.TreeView1Click();
    EXPECT_EQ(remembered, folder(QStringLiteral("drogi/most")));

    form.Button1->click();
    EXPECT_EQ(QDir::currentPath() + QLatin1Char('/'), folder(QStringLiteral("drogi/most")));
    EXPECT_TRUE(form.isHidden());

    // "Rezygnuj" puts back the folder of before the showing.
    form.show();
    root = form.TreeView1->topLevelItem(0); // the showing builds the tree anew
    form.TreeView1->setCurrentItem(root->child(0));
    form.TreeView1Click();
    form.Button2->click();
    EXPECT_EQ(remembered, folder(QStringLiteral("drogi/most")));

    // A folder that does not exist: the system's reason, the window stays open.
    form.show();
    form.TreeView1->setCurrentItem(form.TreeView1->topLevelItem(0)->child(3));
    form.TreeView1Click();
    Script().messageBoxAnswers = {kIdOk};
    form.Button1->click();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_TRUE(Script().messageBoxes[0].text.contains(QStringLiteral("/nie/ma/takiego")));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(remembered, QStringLiteral("/nie/ma/takiego/"));
    form.close();
}

TEST_F(Windows, DescriptionIsSearchedForwardWithoutWrapping) {
    write(QStringLiteral("kwl_OPIS.rtf"),
          "{\\rtf1\\ansi\\ansicpg1250 {\\b Opis} programu.\\par Warstwy i warstwy.\\par}");
    QDir::setCurrent(dir.path());
    TFormKwlpomoc viewer;
    EXPECT_EQ(viewer.RichEdit1->toPlainText(),
              QStringLiteral("Opis programu.\nWarstwy i warstwy."));
    EXPECT_TRUE(viewer.RichEdit1->isReadOnly());
    viewer.show();
    viewer.Button3->click();
    EXPECT_TRUE(viewer.FindDialog1->isVisible());
    EXPECT_TRUE(viewer.FindDialog1->down->isChecked());
    viewer.FindDialog1->findText->setText(QStringLiteral("warstwy"));
    // A caret in the middle without a selection does not move the start.
    QTextCursor caret = viewer.RichEdit1->textCursor();
    caret.setPosition(20);
    viewer.RichEdit1->setTextCursor(caret);
    viewer.FindDialog1->findNext->click();
    EXPECT_EQ(viewer.RichEdit1->textCursor().selectionStart(), 15) << "any case, from the start";
    viewer.FindDialog1->findNext->click();
    EXPECT_EQ(viewer.RichEdit1->textCursor().selectionStart(), 25);
    viewer.FindDialog1->findNext->click();
    EXPECT_EQ(viewer.RichEdit1->textCursor().selectionStart(), 25) << "no wrapping";

    viewer.resize(300, 200);
    EXPECT_GE(viewer.width(), 640);
    EXPECT_GE(viewer.height(), 400);
    viewer.Button1->click();
    EXPECT_TRUE(viewer.isHidden());
    EXPECT_FALSE(viewer.FindDialog1->isVisible());
}

TEST_F(Windows, MissingDescriptionLeavesTheAreaEmpty) {
    QDir::setCurrent(dir.path());
    TFormKwlpomoc viewer;
    EXPECT_TRUE(viewer.RichEdit1->toPlainText().isEmpty());
}

TEST_F(Windows, AboutWindowClosesOnItsButtonAnyKeyOrTheTimer) {
    TFormOProgramie about;
    about.setVersion(QStringLiteral(" 5.140828"));
    EXPECT_TRUE(about.Label1->text().endsWith(QStringLiteral("wersja:  5.140828")));
    EXPECT_EQ(about.Timer1->interval(), 20000);
    EXPECT_TRUE(about.Timer1->isActive()) << "running from creation";
    for (int key : {int(Qt::Key_A), int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        about.show();
        QTest::keyClick(&about, Qt::Key(key));
        EXPECT_TRUE(about.isHidden()) << key;
    }
    about.show();
    about.SpeedButton1->click();
    EXPECT_TRUE(about.isHidden());
    // The timer, shortened: an open window closes at its next tick without any input; a tick
    // while hidden shows nothing.
    about.Timer1->setInterval(30);
    about.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isHidden(); }, 5000));
    QTest::qWait(100);
    EXPECT_TRUE(about.isHidden());
}

// A line of 400 fields or more is reported where the showing starts; the projects before it are
// offered and chosen as always.
TEST_F(Windows, AProjectsLineOfTooManyFieldsIsReportedAndTheWindowGoesOn) {
    QDir(dir.path()).mkpath(QStringLiteral("Obwodnica"));
    write(QStringLiteral("projekty.prj"),
          "Obwodnica,,Obwodnica miasta\r\n" + QByteArray(450, ',') + "\r\nPo,,za nim\r\n");
    QString remembered = QStringLiteral("/start/");
    TFormProjekty form;
    form.rememberedDirectory = &remembered;
    Script().messageBoxAnswers = {kIdOk};
    form.show();
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].style, kMbError);
    EXPECT_TRUE(Script().messageBoxes[0].text.contains(QStringLiteral("projekty.prj")));
    EXPECT_TRUE(Script().messageBoxes[0].text.contains(QStringLiteral("wiersz 2")));
    QTreeWidgetItem* root = form.TreeView1->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 1);
    form.TreeView1->setCurrentItem(root->child(0));
    form.TreeView1Click();
    EXPECT_EQ(remembered, folder(QStringLiteral("Obwodnica")));
    // Selecting what matches no line walks past nothing it cannot read.
    form.TreeView1->setCurrentItem(root);
    form.TreeView1Click();
    form.Button1->click();
    EXPECT_TRUE(form.isHidden());
}

TEST_F(Windows, WithoutAProjectsFileTheButtonsStillWork) {
    QString remembered = dir.path() + QLatin1Char('/');
    TFormProjekty form;
    form.rememberedDirectory = &remembered;
    form.show();
    EXPECT_EQ(form.TreeView1->topLevelItemCount(), 0);
    form.Button2->click();
    EXPECT_EQ(QDir::currentPath() + QLatin1Char('/'), remembered);
    form.show();
    form.Button1->click();
    EXPECT_TRUE(form.isHidden());
}

} // namespace
