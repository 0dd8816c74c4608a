// The line-width multiplier as a person uses it.
#include "blocks/Unit_mnoznik.h"
#include "engine/CadApi.h"
#include "tests/common/ScriptedPlatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Multiplier : public ::testing::Test {
protected:
    void SetUp() override {
        cadReset();
        cadFileNew(0, "");
        cadLayerAdd("a", 0.3, 0, 0);
        cadLayerAdd("b", 0.5, 0, 0);
        cadUndoForget();
        dialog.show();
    }
    void TearDown() override { cadReset(); }
    double width(const char* layer) {
        return *cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex(layer, 0));
    }
    void apply(const QString& factor) {
        dialog.Edit_mnoznik->setText(factor);
        dialog.Button1->click();
    }
    TForm_mnoznik dialog;
};

TEST_F(Multiplier, FactorsMultiplyEveryLayerAndAccumulate) {
    apply(QStringLiteral("0.5"));
    EXPECT_NEAR(width("a"), 0.15, 1e-12);
    EXPECT_NEAR(width("b"), 0.25, 1e-12);
    EXPECT_TRUE(dialog.isHidden());
    dialog.show();
    apply(QStringLiteral("2"));
    dialog.show();
    apply(QStringLiteral("3"));
    EXPECT_NEAR(width("a"), 0.9, 1e-12);
}

TEST_F(Multiplier, OneUndoTakesEveryWidthBack) {
    apply(QStringLiteral("2"));
    EXPECT_NEAR(width("b"), 1.0, 1e-12);
    ASSERT_TRUE(cadCanUndo());
    cadExecute(CAD_CMD_UNDO);
    EXPECT_NEAR(width("a"), 0.3, 1e-12);
    EXPECT_NEAR(width("b"), 0.5, 1e-12);
    EXPECT_FALSE(cadCanUndo());
}

TEST_F(Multiplier, EmptyZeroAndMalformedFactorsAreRefused) {
    Script().messageBoxAnswers = {kIdOk, kIdOk, kIdOk, kIdOk};
    apply(QStringLiteral("  "));
    apply(QStringLiteral("0"));
    apply(QStringLiteral("1.2.3"));
    apply(QStringLiteral("-2"));
    ASSERT_EQ(Script().messageBoxes.size(), 4u);
    EXPECT_EQ(Script().messageBoxes[0].text, QStringLiteral("Musisz wprowadzić wartość mnożnika"));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(Script().messageBoxes[i].text,
                  QStringLiteral("Wprowadź poprawną liczbową wartość mnożnika"));
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_NEAR(width("a"), 0.3, 1e-12);
}

TEST_F(Multiplier, ACommaTypedOnAPolishKeyboardIsTheDecimalPoint) {
    dialog.Edit_mnoznik->clear();
    QTest::keyClicks(dialog.Edit_mnoznik, QStringLiteral("1,5"));
    EXPECT_EQ(dialog.Edit_mnoznik->text(), QStringLiteral("1.5"));
    // The numeric keypad's decimal key of a Polish layout.
    dialog.Edit_mnoznik->end(false);
    QTest::keyClick(dialog.Edit_mnoznik, Qt::Key_Comma, Qt::KeypadModifier);
    EXPECT_EQ(dialog.Edit_mnoznik->text(), QStringLiteral("1.5."));
    dialog.Edit_mnoznik->backspace();
    dialog.Button1->click();
    EXPECT_NEAR(width("a"), 0.45, 1e-12);
    EXPECT_NEAR(width("b"), 0.75, 1e-12);
    EXPECT_EQ(Script().beeps, 0);
}

TEST_F(Multiplier, KeysEscapeAndCancel) {
    dialog.Edit_mnoznik->clear();
    QTest::keyClicks(dialog.Edit_mnoznik, QStringLiteral("1x5"));
    EXPECT_EQ(dialog.Edit_mnoznik->text(), QStringLiteral("15"));
    EXPECT_EQ(Script().beeps, 1);
    // Esc leaves it as "Anuluj" does: nothing changes.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_NEAR(width("a"), 0.3, 1e-12);
    dialog.show();
    dialog.Button2->click();
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_NEAR(width("a"), 0.3, 1e-12);
}

} // namespace
