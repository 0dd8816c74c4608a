// The main of every test executable: the program's application on the offscreen platform, so
// GUI tests run without a display, and the scripted platform installed so that no dialog ever
// blocks.
#include "tests/common/ScriptedPlatform.h"

#include "support/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv); // the program's own, with its error report
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ScriptedPlatformEnvironment);
    return RUN_ALL_TESTS();
}
