#include "blocks/przesuniecie.h"
#include "tests/common/ScriptedPlatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

TEST(ShiftDialogTest, ShowsTheValuesLastAppliedAndRemembersItsPlace) {
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    main.show();
    TFormprzesuniecie dialog(&main);
    dialog.show();
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("0.00"));
    EXPECT_NEAR(dialog.frameGeometry().center().x(), main.frameGeometry().center().x(), 2);

    dialog.Edit1->setText(QStringLiteral("100"));
    dialog.Edit2->setText(QStringLiteral("-50"));
    dialog.move(300, 250);
    dialog.Button1->click();
    EXPECT_TRUE(dialog.applied);
    EXPECT_EQ(dialog.shiftX, 100);
    EXPECT_EQ(dialog.shiftY, -50);
    EXPECT_TRUE(dialog.isHidden());

    dialog.show();
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("100.00"));
    EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("-50.00"));
    EXPECT_EQ(dialog.frameGeometry().topLeft(), QPoint(300, 250));
    // Applied again as shown, whatever the desktop's language: the same shifts.
    dialog.Button1->click();
    EXPECT_EQ(dialog.shiftX, 100);
    EXPECT_EQ(dialog.shiftY, -50);
    dialog.show();

    // "Rezygnuj" (and Escape) keep the values in force and cancel.
    dialog.Edit1->setText(QStringLiteral("7"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.applied);
    EXPECT_EQ(dialog.shiftX, 100);
    dialog.show();
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("100.00"));

    // Left at the screen's corner, the dialog is centred again next time.
    dialog.move(0, 0);
    dialog.Button2->click();
    dialog.show();
    EXPECT_NE(dialog.frameGeometry().topLeft(), QPoint(0, 0));
    dialog.close();
}

TEST(ShiftDialogTest, KeyFilterAndValuesThatAreNoNumbers) {
    TFormprzesuniecie dialog;
    dialog.show();
    dialog.Edit1->clear();
    QTest::keyClicks(dialog.Edit1, QStringLiteral("1,5a-"));
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("1.5-")) << "a comma is the decimal point";
    EXPECT_EQ(Script().beeps, 1);
    dialog.Edit2->setText(QStringLiteral("1.2.3"));
    dialog.Button1->click();
    EXPECT_EQ(dialog.shiftX, -99999999.0) << "1.5- is no number";
    EXPECT_EQ(dialog.shiftY, -99999999.0);
    EXPECT_TRUE(dialog.applied);

    dialog.show();
    dialog.Edit1->clear();
    QTest::keyClicks(dialog.Edit1, QStringLiteral("-12,25"));
    dialog.Button1->click();
    EXPECT_EQ(dialog.shiftX, -12.25);
}

} // namespace
