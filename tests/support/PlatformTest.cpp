#include "support/Platform.h"
#include "support/QtPlatform.h"

#include "tests/common/ScriptedPlatform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

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

QMessageBox* shownMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

// A message shown while a window that stays on top is up (the progress window of a read)
// belongs to that window and stays on top too, so it is never hidden behind it.
TEST(Platform, MessagesStandAboveAWindowThatStaysOnTop) {
    QWidget main;
    main.show();
    QDialog progress(&main, Qt::Tool | Qt::WindowStaysOnTopHint);
    progress.show();
    main.activateWindow();
    QtPlatform qt;
    QWidget* owner = nullptr;
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = shownMessageBox();
        ASSERT_NE(box, nullptr);
        owner = box->parentWidget();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(qt.messageBox(QStringLiteral("Błąd w pliku"), QStringLiteral("Niekompletne dane"),
                            kMbError),
              kIdOk);
    EXPECT_EQ(owner, &progress);
    EXPECT_TRUE(onTop);

    progress.hide();
    QTimer::singleShot(0, [&] {
        QMessageBox* box = shownMessageBox();
        ASSERT_NE(box, nullptr);
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(qt.messageBox(QStringLiteral("Pytanie"), QStringLiteral("Czy?"), kMbQuestion), kIdNo);
    EXPECT_FALSE(onTop) << "an ordinary message is no window that stays on top";
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

namespace {

TEST(Platform, ASaveDialogGivesANameTypedWithoutAnExtensionTheFiltersOne) {
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("Pliki KWL_Edytora (*.rdw *.RDW)")),
              QStringLiteral("rdw"));
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("Pliki DXF (*.dxf);;Wszystkie (*)")),
              QStringLiteral("dxf"));
    EXPECT_EQ(DefaultSuffixOf(QStringLiteral("Wszystkie (*)")), QString());
    QTemporaryDir dir;
    QtPlatform qt;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        EXPECT_EQ(QDir(dialog->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        dialog->selectFile(QStringLiteral("wynik"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(qt.saveFileName(nullptr, QStringLiteral("Zapisz"),
                              dir.path() + QStringLiteral("/rysunek.rdw"),
                              QStringLiteral("Pliki KWL_Edytora (*.rdw)")),
              dir.path() + QStringLiteral("/wynik.rdw"));
    EXPECT_TRUE(shown);
}

} // namespace
