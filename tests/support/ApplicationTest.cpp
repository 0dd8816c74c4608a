#include "support/Application.h"

#include "tests/common/ScriptedPlatform.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class Throwing : public QObject {
public:
    bool event(QEvent*) override { throw std::runtime_error("Błąd odczytu pliku"); }
};

TEST(Application, QtsOwnButtonsSpeakPolish) {
    QTranslator translator;
    ASSERT_TRUE(InstallPolishQtTranslation(*QCoreApplication::instance(), translator))
        << "qt6-translations-l10n is not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Tak"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Nie"));
    QCoreApplication::removeTranslator(&translator);
}

TEST(Application, AnErrorNothingCaughtIsReportedAndTheProgramGoesOn) {
    Script().messageBoxAnswers = {kIdOk};
    Throwing object;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].text, QString::fromUtf8("Błąd odczytu pliku"));
    EXPECT_EQ(Script().messageBoxes[0].style, kMbError);
}

// Number fields of Qt's own (the spin boxes of the engine's dialogs) on a Polish desktop.
TEST(Application, NumberFieldsShowAPointAndTakeACommaForIt) {
    QDoubleSpinBox box;
    box.setRange(0, 10000);
    box.setDecimals(2);
    box.setValue(1234.5);
    EXPECT_EQ(box.text(), QStringLiteral("1234.50"));
    EXPECT_EQ(QLocale().toString(0.25, 'f', 2), QStringLiteral("0.25"));
    box.show();
    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("2,5"));
    EXPECT_EQ(box.findChild<QLineEdit*>()->text(), QStringLiteral("2.5"));
    box.interpretText();
    EXPECT_EQ(box.value(), 2.5);
}

} // namespace
