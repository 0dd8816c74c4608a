#include "support/Application.h"

#include "tests/common/ScriptedPlatform.h"

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

} // namespace
