// The dimension-style dialog and the dimensions' page of the properties, driven through their
// controls: what they give back to the caller, and what they refuse.
#include "engine/Engine.h"
#include "engine/commands/DimensionPage.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/DimensionStyleDialog.h"
#include "engine/ui/QtResponder.h"
#include "tests/engine/EngineTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace cad;

namespace {

template <class T> T* child(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void click(QWidget& parent, const char* name) {
    auto* b = child<QAbstractButton>(parent, name);
    ASSERT_NE(b, nullptr);
    b->click();
}

// Types the text as a keyboard would, letters beyond ASCII too.
void typeText(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void typeName(QWidget& dialog, const QString& text) {
    auto* edit = child<QLineEdit>(dialog, "cadDimStyleName");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    typeText(edit, text);
}

std::vector<DimensionStyle> threeStyles() {
    std::vector<DimensionStyle> styles(3);
    styles[0].name = "Standard";
    styles[1].name = "Plan";
    styles[1].decimals = 3;
    styles[2].name = "Profil";
    styles[2].arrowhead = Arrowhead::Oblique;
    return styles;
}

const std::vector<std::string> kTextStyles = {"Standard", "Opis"};

class DimensionStyleDialogTest : public EngineTest {};

} // namespace

TEST_F(DimensionStyleDialogTest, ShowsTheStylesAndEditsOnlyTheChosenOne) {
    DimensionStyleDialog dialog(threeStyles(), kTextStyles, [](int) { return false; });
    EXPECT_EQ(dialog.windowTitle(), engineText(11801));
    auto* pages = child<QTabWidget>(dialog, "cadDimStylePages");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), engineText(11802));
    EXPECT_EQ(pages->tabText(1), engineText(11803));
    EXPECT_EQ(pages->tabText(2), engineText(11804));
    // Every control is found by its name (but the tabs' scroll buttons and a spin box's editor).
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                             qobject_cast<QListWidget*>(w);
        if (control && !qobject_cast<QTabBar*>(w->parentWidget()) &&
            !w->objectName().startsWith(QLatin1String("qt_"))) {
            EXPECT_TRUE(w->objectName().startsWith(QLatin1String("cadDimStyle")))
                << w->metaObject()->className() << " " << w->objectName().toStdString();
        }
    }

    auto* list = child<QListWidget>(dialog, "cadDimStyleList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), "Plan");
    EXPECT_EQ(child<QLineEdit>(dialog, "cadDimStyleName")->text(), "Standard");

    list->setCurrentRow(1);
    EXPECT_EQ(child<QSpinBox>(dialog, "cadDimStyleDecimals")->value(), 3);
    // Every setting of the two pages goes into the chosen style.
    child<QCheckBox>(dialog, "cadDimStyleLineInside")->setChecked(false);
    child<QComboBox>(dialog, "cadDimStyleArrowhead")->setCurrentIndex(int(Arrowhead::Dot));
    child<QDoubleSpinBox>(dialog, "cadDimStyleArrowLength")->setValue(3);
    child<QDoubleSpinBox>(dialog, "cadDimStyleArrowHeight")->setValue(1.2);
    child<QDoubleSpinBox>(dialog, "cadDimStyleExtensionOffset")->setValue(0.5);
    child<QDoubleSpinBox>(dialog, "cadDimStyleExtensionBeyond")->setValue(2);
    click(dialog, "cadDimStyleCentreLines");
    child<QDoubleSpinBox>(dialog, "cadDimStyleCentreSize")->setValue(4);
    auto* contents = child<QLineEdit>(dialog, "cadDimStyleContents");
    contents->selectAll();
    typeText(contents, "R<>");
    child<QComboBox>(dialog, "cadDimStyleTextStyle")->setCurrentIndex(1);
    click(dialog, "cadDimStyleCentred");
    child<QDoubleSpinBox>(dialog, "cadDimStyleTextHeight")->setValue(3.5);
    child<QDoubleSpinBox>(dialog, "cadDimStyleGap")->setValue(0.75);
    child<QSpinBox>(dialog, "cadDimStyleDecimals")->setValue(1);
    child<QComboBox>(dialog, "cadDimStyleSeparator")->setCurrentIndex(1);
    child<QDoubleSpinBox>(dialog, "cadDimStyleScaleValue")->setValue(1000);
    child<QDoubleSpinBox>(dialog, "cadDimStyleRoundOff")->setValue(0.5);
    child<QDoubleSpinBox>(dialog, "cadDimStyleToleranceUpper")->setValue(0.1);
    child<QDoubleSpinBox>(dialog, "cadDimStyleToleranceLower")->setValue(0.2);
    for (const char* flag : {"cadDimStyleHorizontalText", "cadDimStylePerpendicular",
                             "cadDimStyleFrame", "cadDimStyleSuppressZeros"})
        child<QCheckBox>(dialog, flag)->setChecked(true);

    click(dialog, "cadDimStyleOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto& styles = dialog.styles();
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[0], threeStyles()[0]);
    EXPECT_EQ(styles[2], threeStyles()[2]);
    DimensionStyle expected = threeStyles()[1];
    expected.showLineInside = false;
    expected.arrowhead = Arrowhead::Dot;
    expected.arrowLength = 3;
    expected.arrowHeight = 1.2;
    expected.extensionOffset = 0.5;
    expected.extensionBeyond = 2;
    expected.centreMark = CentreMark::Line;
    expected.centreMarkSize = 4;
    expected.contents = "R<>";
    expected.textStyle = 1;
    expected.placement = TextPlacement::Centred;
    expected.textHeight = 3.5;
    expected.textGap = 0.75;
    expected.decimals = 1;
    expected.decimalSeparator = '.';
    expected.scaleValue = 1000;
    expected.roundOff = 0.5;
    expected.toleranceUpper = 0.1;
    expected.toleranceLower = 0.2;
    expected.horizontalText = expected.perpendicularToArc = expected.frame =
        expected.suppressTrailingZeros = true;
    EXPECT_EQ(styles[1], expected);
    EXPECT_EQ(dialog.oldToNew(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(responder->messages.empty());
}

TEST_F(DimensionStyleDialogTest, OwnColoursAreChosenWithTheColourChooser) {
    const auto saved = chooseColor;
    chooseColor = [](const QColor&, QWidget*) { return QColor(255, 0, 0); };
    DimensionStyleDialog dialog(threeStyles(), kTextStyles, {});
    auto* line = child<QPushButton>(dialog, "cadDimStyleLineColor");
    EXPECT_FALSE(line->isEnabled());
    child<QCheckBox>(dialog, "cadDimStyleOwnColors")->setChecked(true);
    EXPECT_TRUE(line->isEnabled());
    click(dialog, "cadDimStyleLineColor");
    chooseColor = [](const QColor&, QWidget*) { return QColor(0, 0, 255); };
    click(dialog, "cadDimStyleTextColor");
    chooseColor = [](const QColor&, QWidget*) { return QColor(); }; // cancelled
    click(dialog, "cadDimStyleExtensionColor");
    chooseColor = saved;
    const DimensionStyle& s = dialog.styles()[0];
    EXPECT_TRUE(s.ownColors);
    EXPECT_EQ(s.dimensionLineColor, 0x0000FFu);
    EXPECT_EQ(s.textColor, 0xFF0000u);
    EXPECT_EQ(s.extensionLineColor, 0u);
}

TEST_F(DimensionStyleDialogTest, NewRenameDeleteAndTheNewIndexOfEveryStyle) {
    DimensionStyleDialog dialog(threeStyles(), kTextStyles, [](int) { return false; });
    auto* list = child<QListWidget>(dialog, "cadDimStyleList");
    list->setCurrentRow(2);
    click(dialog, "cadDimStyleAdd");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentRow(), 3);
    // A copy of the chosen style under a name of its own.
    EXPECT_EQ(dialog.styles()[3].name, "Profil 2");
    EXPECT_EQ(dialog.styles()[3].arrowhead, Arrowhead::Oblique);
    typeName(dialog, QString::fromUtf8("Przekrój"));
    EXPECT_EQ(list->item(3)->text(), QString::fromUtf8("Przekrój"));

    list->setCurrentRow(1);
    typeName(dialog, "Plan 1:500");
    list->setCurrentRow(0);
    click(dialog, "cadDimStyleDelete");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->text(), "Plan 1:500");

    click(dialog, "cadDimStyleOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto& styles = dialog.styles();
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[0].name, "Plan 1:500");
    EXPECT_EQ(styles[0].decimals, 3);
    EXPECT_EQ(styles[2].name, "Przekr\xF3j"); // Windows-1250
    EXPECT_EQ(dialog.oldToNew(), (std::vector<int>{-1, 0, 1}));
}

TEST_F(DimensionStyleDialogTest, TheLastStyleAndAStyleInUseStay) {
    {
        DimensionStyleDialog dialog({DimensionStyle{}}, kTextStyles, [](int) { return false; });
        click(dialog, "cadDimStyleDelete");
        EXPECT_EQ(dialog.styles().size(), 1u);
        ASSERT_EQ(responder->messages.size(), 1u);
        EXPECT_EQ(responder->messages[0].text, engine().text(10659));
    }
    DimensionStyleDialog dialog(threeStyles(), kTextStyles, [](int i) { return i == 1; });
    auto* list = child<QListWidget>(dialog, "cadDimStyleList");
    list->setCurrentRow(1);
    click(dialog, "cadDimStyleDelete");
    EXPECT_EQ(dialog.styles().size(), 3u);
    ASSERT_EQ(responder->messages.size(), 2u);
    EXPECT_EQ(responder->messages[1].text, engine().text(10660));
    // One added here is in nobody's use, whatever the style it copies.
    click(dialog, "cadDimStyleAdd");
    click(dialog, "cadDimStyleDelete");
    EXPECT_EQ(dialog.styles().size(), 3u);
    EXPECT_EQ(responder->messages.size(), 2u);
    // A style given later than the one in use moves up when one before it goes.
    list->setCurrentRow(0);
    click(dialog, "cadDimStyleDelete");
    EXPECT_EQ(dialog.oldToNew(), (std::vector<int>{-1, 0, 1}));
}

TEST_F(DimensionStyleDialogTest, NamesMustBeGivenAndDiffer) {
    DimensionStyleDialog dialog(threeStyles(), kTextStyles, {});
    auto* list = child<QListWidget>(dialog, "cadDimStyleList");
    list->setCurrentRow(2);
    typeName(dialog, "Plan");
    list->setCurrentRow(0);
    click(dialog, "cadDimStyleOk");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(responder->messages[0].text, formatText(engine().text(10673), {"Plan"}));
    EXPECT_EQ(list->currentRow(), 2); // the style to rename is shown

    typeName(dialog, "  ");
    click(dialog, "cadDimStyleOk");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(responder->messages.size(), 2u);
    EXPECT_EQ(responder->messages[1].text, engine().text(10672));

    typeName(dialog, "Profil");
    click(dialog, "cadDimStyleOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// ---- the page of the properties

namespace {

class DimensionPageTest : public EngineTest {};

DimensionPageEntry entry(DimensionKind kind, double value, std::string text = {}, int style = 0) {
    DimensionPageEntry e;
    e.data.kind = kind;
    e.data.text = std::move(text);
    e.data.style = style;
    e.value = value;
    return e;
}

const std::vector<std::string> kStyles = {"Standard", "Plan"};

} // namespace

TEST_F(DimensionPageTest, OneDimensionItsKindValueTextAndStyle) {
    DimensionPage page({entry(DimensionKind::Angular, 90, "<>", 1)}, kStyles);
    EXPECT_EQ(DimensionPage::title(), engineText(14401));
    EXPECT_EQ(child<QLineEdit>(page, "cadDimensionKind")->text(), engineText(14405));
    EXPECT_TRUE(child<QLineEdit>(page, "cadDimensionValue")->isReadOnly());
    EXPECT_EQ(child<QLineEdit>(page, "cadDimensionValue")->text(), QString::fromUtf8("90.000°"));
    EXPECT_FALSE(child<QCheckBox>(page, "cadDimensionOwnText")->isChecked());
    EXPECT_EQ(child<QComboBox>(page, "cadDimensionStyle")->currentIndex(), 1);
    EXPECT_EQ(child<QComboBox>(page, "cadDimensionPlacement")->currentIndex(), 0);
    EXPECT_FALSE(page.changes().any());

    // A text typed becomes the dimension's own.
    typeText(child<QLineEdit>(page, "cadDimensionText"), QString::fromUtf8("kąt <>"));
    EXPECT_TRUE(child<QCheckBox>(page, "cadDimensionOwnText")->isChecked());
    child<QComboBox>(page, "cadDimensionPlacement")->setCurrentIndex(3);
    const auto c = page.changes();
    ASSERT_TRUE(c.text);
    EXPECT_EQ(*c.text, "k\xB9t <>");
    EXPECT_FALSE(c.style);
    EXPECT_EQ(c.placement, PlacementOverride::Below);
    DimensionData d = entry(DimensionKind::Angular, 90).data;
    DimensionPage::apply(c, d);
    EXPECT_EQ(d.text, "k\xB9t <>");
    EXPECT_EQ(d.placement, PlacementOverride::Below);
    EXPECT_EQ(d.style, 0);
}

TEST_F(DimensionPageTest, SeveralDimensionsShowWhatTheyShareAndChangeOnlyWhatIsChanged) {
    DimensionPage page({entry(DimensionKind::Horizontal, 4, "A", 0),
                        entry(DimensionKind::Horizontal, 5, "B", 1),
                        entry(DimensionKind::Horizontal, 5, "C", 1)},
                       kStyles);
    EXPECT_EQ(child<QLineEdit>(page, "cadDimensionKind")->text(), engineText(14402));
    EXPECT_TRUE(child<QLineEdit>(page, "cadDimensionValue")->text().isEmpty());
    EXPECT_TRUE(child<QLineEdit>(page, "cadDimensionText")->text().isEmpty());
    EXPECT_EQ(child<QCheckBox>(page, "cadDimensionOwnText")->checkState(), Qt::Checked);
    EXPECT_EQ(child<QComboBox>(page, "cadDimensionStyle")->currentIndex(), -1);
    EXPECT_FALSE(page.changes().any());

    child<QComboBox>(page, "cadDimensionStyle")->setCurrentIndex(0);
    auto c = page.changes();
    EXPECT_EQ(c.style, 0);
    EXPECT_FALSE(c.text);
    EXPECT_FALSE(c.placement);

    // Back to the measured value.
    child<QCheckBox>(page, "cadDimensionOwnText")->setChecked(false);
    c = page.changes();
    ASSERT_TRUE(c.text);
    EXPECT_EQ(*c.text, "");

    // Some with their own text, some without: the box is undecided until the person decides.
    DimensionPage mixed({entry(DimensionKind::OrdinateX, 1, "X"), entry(DimensionKind::Radial, 1)},
                        kStyles);
    EXPECT_EQ(child<QCheckBox>(mixed, "cadDimensionOwnText")->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(child<QLineEdit>(mixed, "cadDimensionKind")->text().isEmpty());
    EXPECT_FALSE(mixed.changes().any());
    EXPECT_EQ(DimensionPage::kindName(DimensionKind::OrdinateX), engineText(14408) + " X");
}
