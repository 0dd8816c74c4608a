#include "support/brdodatkirozn.h"

#include "tests/common/ScriptedPlatform.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(MessageBox, ShortMessageIsShownWholeWithItsCaptionAndStyle) {
    Script().messageBoxAnswers = {kIdYes};
    EXPECT_EQ(ShowMessageBox(kMbQuestion, "Uwaga", "Zapisać zmiany?", 0), kIdYes);
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].caption, "Uwaga");
    EXPECT_EQ(Script().messageBoxes[0].text, "Zapisać zmiany?");
    EXPECT_EQ(Script().messageBoxes[0].style, 52);
}

TEST(MessageBox, ExtraFlagsAddToTheStyle) {
    Script().messageBoxAnswers = {kIdOk};
    ShowMessageBox(kMbOk, "c", "m", kMbIconStop);
    EXPECT_EQ(Script().messageBoxes.at(0).style, 16);
}

TEST(MessageBox, LongMessageWithoutSeparatorBreaksAfter255Characters) {
    Script().messageBoxAnswers = {kIdOk};
    const QString message = QString(255, 'a') + QString(45, 'b');
    ShowMessageBox(kMbWarning, "Uwaga", message);
    const QStringList lines = Script().messageBoxes.at(0).text.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QString(255, 'a'));
    EXPECT_EQ(lines[1], QString(45, 'b'));
}

TEST(MessageBox, MessageHoldingAPathBreaksAfterItsLastSeparator) {
    Script().messageBoxAnswers = {kIdOk, kIdOk};
    ShowMessageBox(kMbError, "Błąd", "Wystąpił błąd podczas otwierania pliku /home/jan/plan.kwl");
    EXPECT_EQ(Script().messageBoxes.at(0).text,
              "Wystąpił błąd podczas otwierania pliku /home/jan/\nplan.kwl");
    ShowMessageBox(kMbError, "Błąd", "Plik C:\\drogi\\plan.kwl");
    EXPECT_EQ(Script().messageBoxes.at(1).text, "Plik C:\\drogi\\\nplan.kwl");
}

TEST(MessageBox, NothingOfALongMessageIsLost) {
    Script().messageBoxAnswers = {kIdOk};
    const QString message = "/" + QString(600, 'x');
    ShowMessageBox(kMbWarning, "Uwaga", message);
    EXPECT_EQ(Script().messageBoxes.at(0).text, "/\n" + QString(600, 'x'));
}

TEST(NumericKeys, FilterPassesNumberCharactersAndBeepsAtOthers) {
    for (char16_t c : {u'0', u'9', u'.', u'-', char16_t(8), char16_t(9)}) {
        QChar key(c);
        FilterNumericKey(key);
        EXPECT_EQ(key, QChar(c));
    }
    EXPECT_EQ(Script().beeps, 0);
    // The decimal key of a Polish keyboard types a comma: it is the decimal point.
    QChar comma(u',');
    FilterNumericKey(comma);
    EXPECT_EQ(comma, QChar(u'.'));
    EXPECT_EQ(Script().beeps, 0);
    for (char16_t c : {u'a', u';', u'+', u' ', u'e', u'ł'}) {
        QChar key(c);
        FilterNumericKey(key);
        EXPECT_TRUE(key.isNull());
    }
    EXPECT_EQ(Script().beeps, 6);
}

TEST(NumericKeys, EditFieldTakesOnlyNumberCharacters) {
    QLineEdit edit;
    InstallNumericKeyFilter(&edit);
    edit.show();
    QTest::keyClicks(&edit, "1a;5.2x-");
    EXPECT_EQ(edit.text(), "15.2-");
    EXPECT_EQ(Script().beeps, 3);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "15.");
    EXPECT_EQ(Script().beeps, 3);
    // A comma goes in as "." where the cursor stands, over a selection too.
    edit.setText("12");
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Comma);
    EXPECT_EQ(edit.text(), "1.2");
    edit.selectAll();
    QTest::keyClicks(&edit, "0,25");
    EXPECT_EQ(edit.text(), "0.25");
    EXPECT_EQ(Script().beeps, 3);
}

} // namespace
