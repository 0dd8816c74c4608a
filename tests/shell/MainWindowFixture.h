// Shell tests start from a reset engine, a main window after its start-up sequence and a
// temporary program directory (settings, line styles and the recent-files list live there).
#pragma once

#include "engine/CadApi.h"
#include "import/Settings.h"
#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "shell/Unit_Main.h"
#include "support/ProgramDirectory.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        cadReset();
        ASSERT_TRUE(dir.isValid());
        SetProgramDirectory(dir.path());
        Settings() = SettingsTable{};
        Settings().resetBuiltIn();
        ForgetDocumentDrawingKinds();
        RecentFilesList().clear();
        Busy = CancelRequested = CancelConfirmed = false;
        prepare();
        window = std::make_unique<TForm_Main>();
        window->resize(1000, 700);
        window->FormCreate(arguments);
        window->show();
    }
    void TearDown() override {
        window.reset();
        cadReset();
        SetProgramDirectory(QString());
    }
    // Runs before the window is made: files of the program directory, arguments.
    virtual void prepare() {}

    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QString write(const QString& name, const std::string& bytes) const {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return f.fileName();
    }
    std::string read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
    QFrame* panel(const char* name) { return window->panel(QString::fromLatin1(name)); }
    QAction* item(const char* name) { return window->action(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QStringList arguments;
    std::unique_ptr<TForm_Main> window;
};
