// The road-sign files the build draws beside the program: one per group, at least a dozen signs
// each, named by codes of their group and drawn in filled colours; and the definitions they come
// from, whose mistakes are reported with file and line.
#include "tools/SignDefinitions.h"

#include "engine/CadApi.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

std::string signFile(int group) {
    return std::string(KWL_SIGN_FILES_DIR) + "/" + SignFileName(group);
}

class SignFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        cadReset();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { cadReset(); }

    // The colour in the middle of a picture of one sign alone, on a black background.
    QColor middleOf(int group, const std::string& code) {
        EXPECT_NE(cadFileNew(0, ""), 0);
        cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, -1, 0x000000);
        EXPECT_GT(cadBlockAddF(signFile(group), code), 0) << code;
        const int block = cadBlockIndex(code);
        EXPECT_GE(block, 0) << code;
        cadAddInsert(block, 0, 0, 1, 1, 0);
        const std::string png = dir.filePath("sign.png").toStdString();
        EXPECT_EQ(cadExportPng(png, 201, 201), 1);
        cadDocClose(cadDocGetActive());
        const QImage image(QString::fromStdString(png));
        return image.isNull() ? QColor() : image.pixelColor(100, 100);
    }

    QTemporaryDir dir;
};

void expectColour(const QColor& c, int r, int g, int b, const std::string& code) {
    EXPECT_NEAR(c.red(), r, 40) << code;
    EXPECT_NEAR(c.green(), g, 40) << code;
    EXPECT_NEAR(c.blue(), b, 40) << code;
}

TEST_F(SignFilesTest, EachGroupHasAFileBesideTheProgramWithADozenSignsOfItsCodes) {
    for (int group : kSignGroups) {
        SCOPED_TRACE("group " + std::to_string(group));
        ASSERT_TRUE(std::filesystem::is_regular_file(signFile(group))) << signFile(group);
        ASSERT_NE(cadFileNew(0, ""), 0);
        const int count = cadBlockAddF(signFile(group), "");
        EXPECT_GE(count, 12);
        EXPECT_EQ(cadBlockCount(), count);
        std::set<std::string> names;
        for (int i = 0; i < cadBlockCount(); ++i) {
            const std::string name = cadPropGet(CAD_PROP_BLOCK_NAME, i).value_or("");
            names.insert(name);
            ASSERT_GE(name.size(), 3u);
            EXPECT_EQ(name[1], '-') << name;
            const std::string_view prefix = SignGroupPrefix(group);
            if (!prefix.empty())
                EXPECT_TRUE(name.starts_with(prefix)) << name;
            else
                EXPECT_TRUE(name[0] >= 'E' && name[0] <= 'Z') << name;
            EXPECT_GT(cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, i).value_or(0), 0) << name;
        }
        EXPECT_EQ(static_cast<int>(names.size()), count);
        cadDocClose(cadDocGetActive());
    }
}

TEST_F(SignFilesTest, SignsAreFilledInTheirOwnColours) {
    expectColour(middleOf(1, "A-7"), 0xF7, 0xBA, 0x0B, "A-7");   // yellow
    expectColour(middleOf(2, "B-1"), 0xFF, 0xFF, 0xFF, "B-1");   // white
    expectColour(middleOf(2, "B-35"), 0xCC, 0x06, 0x05, "B-35"); // red bar across blue
    expectColour(middleOf(3, "C-12"), 0x1E, 0x5A, 0xA8, "C-12"); // blue inside the arrows
    expectColour(middleOf(4, "D-1"), 0xF7, 0xBA, 0x0B, "D-1");   // yellow
    expectColour(middleOf(9, "F-10"), 0xFF, 0xFF, 0xFF, "F-10"); // the middle arrow
}

TEST(SignDefinitions, TheShippedDefinitionsGiveEveryGroupItsSigns) {
    const auto groups = ReadSignDefinitions(KWL_SIGN_DEFINITIONS_DIR);
    for (int group : kSignGroups) {
        ASSERT_TRUE(groups.count(group)) << group;
        EXPECT_GE(groups.at(group).size(), 12u) << group;
        for (const auto& sign : groups.at(group)) {
            EXPECT_FALSE(sign.description.empty()) << sign.code;
            EXPECT_FALSE(sign.shapes.empty()) << sign.code;
        }
    }
}

TEST(SignDefinitions, ShapesSymbolsColoursAndPolishNamesAreRead) {
    const SignFile file = ParseSignDefinitions("# a comment \"with quotes\"\r\n"
                                               "symbol kreska\r\n"
                                               "  bar black 10  0 0  10 0\r\n"
                                               "\r\n"
                                               "group 2\r\n"
                                               "sign B-33 Ograniczenie prędkości\r\n"
                                               "  circle #FFFFFF 0 0 400 edge=grey\r\n"
                                               "  ring red 0 0 400 80\r\n"
                                               "  text black 0 0 60 \"50 km\"\r\n"
                                               "  use kreska 100 0 2 colour=blue rot=90\r\n"
                                               "  base 0 -400\r\n",
                                               "B.txt");
    EXPECT_EQ(file.group, 2);
    ASSERT_EQ(file.signs.size(), 1u);
    const SignDefinition& sign = file.signs[0];
    EXPECT_EQ(sign.code, "B-33");
    EXPECT_EQ(sign.description, "Ograniczenie pr\xEA"
                                "dko\x9C"
                                "ci"); // Windows-1250
    EXPECT_EQ(sign.line, 6);
    EXPECT_EQ(sign.base.y, -400);
    ASSERT_EQ(sign.shapes.size(), 5u);
    EXPECT_EQ(sign.shapes[0].kind, SignShapeKind::Disc);
    EXPECT_EQ(sign.shapes[0].rgb, 0xFFFFFFu);
    EXPECT_EQ(sign.shapes[1].kind, SignShapeKind::Circle); // the edge
    EXPECT_EQ(sign.shapes[2].kind, SignShapeKind::Area);   // the ring
    EXPECT_EQ(sign.shapes[3].kind, SignShapeKind::Text);
    EXPECT_EQ(sign.shapes[3].text, "50 km");
    EXPECT_EQ(sign.shapes[3].height, 60);
    // The symbol's bar from (0,0) to (10,0), doubled, turned upwards and moved to (100, 0).
    const SignShape& bar = sign.shapes[4];
    EXPECT_EQ(bar.kind, SignShapeKind::Area);
    EXPECT_NE(bar.rgb, sign.shapes[2].rgb);
    double top = -1e9, bottom = 1e9;
    for (const SignPoint& p : bar.points) {
        EXPECT_NEAR(p.x, 100, 10.01);
        top = std::max(top, p.y);
        bottom = std::min(bottom, p.y);
    }
    EXPECT_NEAR(bottom, 0, 1e-9);
    EXPECT_NEAR(top, 20, 1e-9);
    const SignBox box = SignExtents(sign);
    EXPECT_EQ(box.left, -400);
    EXPECT_EQ(box.top, 400);
}

// The message of a definition that must be refused.
std::string errorOf(const std::string& text) {
    try {
        ParseSignDefinitions(text, "bad.txt");
    } catch (const SignDefinitionError& e) {
        EXPECT_EQ(e.file(), "bad.txt");
        EXPECT_EQ(std::string(e.what()),
                  "bad.txt:" + std::to_string(e.line()) + ": " + e.message());
        return std::string(e.what());
    }
    ADD_FAILURE() << "accepted: " << text;
    return {};
}

TEST(SignDefinitions, MistakesAreReportedWithFileAndLine) {
    const std::string head = "group 1\nsign A-1 Zakręt\n";
    EXPECT_EQ(errorOf(head + "  circle rde 0 0 10\n").substr(0, 10), "bad.txt:3:");
    EXPECT_NE(errorOf(head + "  circle rde 0 0 10\n").find("unknown colour 'rde'"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  circle red 0 0\n").find("bad.txt:3: wrong number of values"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  circle red 0 0 1O\n").find("bad.txt:3: '1O' is not a number"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "\n  # x\n  circel red 0 0 10\n").find("bad.txt:5: unknown keyword"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  circle red 0 0 10 round=3\n").find("bad.txt:3: unknown option"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  text black 0 0 10 \"open\n").find("bad.txt:3:"), std::string::npos);
    EXPECT_NE(errorOf(head + "  use pieszy 0 0 1\n").find("bad.txt:3: unknown symbol"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  circle red 0 0 10\nsign B-2 Zakaz\n  circle red 0 0 10\n")
                  .find("bad.txt:4: sign B-2 does not belong to group 1"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "sign A-2 Pusty\n  circle red 0 0 10\n")
                  .find("bad.txt:2: sign A-1 draws nothing"),
              std::string::npos);
    EXPECT_NE(errorOf(head + "  circle red 0 0 10\nsign A-1 Znowu\n  circle red 0 0 10\n")
                  .find("bad.txt:4: sign A-1 is already defined on line 2"),
              std::string::npos);
    EXPECT_NE(errorOf("  circle red 0 0 10\n").find("bad.txt:1:"), std::string::npos);
    EXPECT_NE(errorOf("sign A-1 X\n  circle red 0 0 10\n").find("bad.txt:1:"), std::string::npos);
    EXPECT_NE(errorOf("group 5\n").find("bad.txt:1:"), std::string::npos);
    EXPECT_NE(errorOf("group 9\nsign D-1 X\n  circle red 0 0 10\n").find("bad.txt:2:"),
              std::string::npos); // D- signs are group 4's
}

TEST(SignDefinitions, ACodeDefinedInTwoFilesIsRefusedAtTheSecond) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    std::ofstream(folder / "a.txt") << "group 1\nsign A-1 X\n  circle red 0 0 10\n";
    std::ofstream(folder / "b.txt") << "group 1\n\nsign A-1 Y\n  circle red 0 0 10\n";
    try {
        ReadSignDefinitions(folder);
        ADD_FAILURE() << "accepted";
    } catch (const SignDefinitionError& e) {
        EXPECT_EQ(e.file(), (folder / "b.txt").string());
        EXPECT_EQ(e.line(), 3);
        EXPECT_NE(e.message().find("a.txt:2"), std::string::npos) << e.what();
    }
}

TEST(SignDefinitions, TheGeneratorStopsOnAMistakeNamingFileAndLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    std::ofstream(folder / "bad.txt") << "group 2\nsign B-1 X\n  ring red 0 0 400\n";
    QProcess tool;
    tool.start(KWL_SIGNS_TOOL, {dir.path(), dir.filePath("out")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
    EXPECT_TRUE(errors.contains("bad.txt:3: wrong number of values")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("out/KWL_AAA2.BIN")));
}

} // namespace
