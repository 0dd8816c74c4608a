// The main of every test executable: a QApplication on the offscreen platform, so GUI tests
// run without a display, and the scripted platform installed so that no dialog ever blocks.
#include "tests/common/ScriptedPlatform.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ScriptedPlatformEnvironment);
    return RUN_ALL_TESTS();
}
