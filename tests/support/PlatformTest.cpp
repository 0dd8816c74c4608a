#include "support/Platform.h"
#include "support/QtPlatform.h"

#include "tests/common/ScriptedPlatform.h"

#include <QDialog>
#include <QFontDatabase>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(Platform, ScriptAnswersMessageBoxFileDialogAndModalFormWithoutBlocking) {
    Script().messageBoxAnswers = {kIdNo};
    Script().fileAnswers = {QStringLiteral("/tmp/plan.kwl")};
    Script().modalActions.push_back([](QWidget* form) {
        form->findChild<QPushButton*>("Btn_OK")->click();
        return static_cast<QDialog*>(form)->result();
    });

    Platform& p = CurrentPlatform();
    EXPECT_EQ(p.messageBox("Pytanie", "Czy przerwać?", kMbQuestion), kIdNo);
    EXPECT_EQ(p.openFileName(nullptr, "Otwórz", "/tmp", "Pliki KWL (*.kwl)"), "/tmp/plan.kwl");

    QDialog form;
    form.setObjectName("Form_test");
    auto* ok = new QPushButton("OK", &form);
    ok->setObjectName("Btn_OK");
    QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::accept);
    EXPECT_EQ(p.showModal(&form), QDialog::Accepted);

    ASSERT_EQ(Script().messageBoxes.size(), 1u);
    EXPECT_EQ(Script().messageBoxes[0].caption, "Pytanie");
    EXPECT_EQ(Script().messageBoxes[0].text, "Czy przerwać?");
    EXPECT_EQ(Script().messageBoxes[0].style, 52);
    ASSERT_EQ(Script().fileDialogs.size(), 1u);
    EXPECT_EQ(Script().fileDialogs[0].caption, "Otwórz");
    EXPECT_EQ(Script().fileDialogs[0].folder, "/tmp");
    EXPECT_EQ(Script().fileDialogs[0].filter, "Pliki KWL (*.kwl)");
    ASSERT_EQ(Script().modalForms.size(), 1u);
    EXPECT_EQ(Script().modalForms[0], &form);
}

TEST(Platform, InstallingNothingRestoresTheQtPlatform) {
    auto scripted = InstallPlatform(nullptr);
    EXPECT_NE(dynamic_cast<QtPlatform*>(&CurrentPlatform()), nullptr);
    InstallPlatform(std::move(scripted));
    EXPECT_EQ(&CurrentPlatform(), &Script());
}

TEST(Platform, FontListAddsMetricCompatibleNamesSortedIgnoringCase) {
    const QStringList fonts = FontFamiliesWithSubstitutes(
        {"liberation Mono", "DejaVu Sans", "Liberation Sans", "arial", "Zapf"});
    EXPECT_EQ(fonts, (QStringList{"arial", "Courier", "Courier New", "DejaVu Sans", "Helvetica",
                                  "liberation Mono", "Liberation Sans", "Zapf"}));
    EXPECT_EQ(FontFamiliesWithSubstitutes({"DejaVu Sans"}), QStringList{"DejaVu Sans"});
}

TEST(Platform, InstalledFontsOfferCourierNew) {
    ASSERT_TRUE(QFontDatabase::families().contains("Liberation Mono"))
        << "fonts-liberation2 is not installed (tools/install-deps.sh installs it)";
    EXPECT_TRUE(QtPlatform().fontFamilies().contains("Courier New"));
}

} // namespace
