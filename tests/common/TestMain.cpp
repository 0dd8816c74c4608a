// The main of every test executable: the program's application on the offscreen platform, so
// GUI tests run without a display, and the scripted platform installed so that no dialog ever
// blocks. Copies of unsaved drawings go to a state folder of the test run's own, so that no test
// finds those of the person running the tests (or of another test run).
#include "tests/common/ScriptedPlatform.h"

#include "support/Application.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    Application app(argc, argv); // the program's own, with its error report
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ScriptedPlatformEnvironment);
    return RUN_ALL_TESTS();
}
