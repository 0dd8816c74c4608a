#include "tests/import/ImportTestSupport.h"

#include "import/Settings.h"
#include "import/SnapSettingsFile.h"
#include "import/Styles.h"
#include "support/ProgramDirectory.h"
#include "tests/common/ScriptedPlatform.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using SettingsTest = ImportTest;

TEST_F(SettingsTest, BuiltInTableWithoutAFile) {
    Settings().highestIndex = 50;
    Settings().width[50] = 1;
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().highestIndex, 10);
    EXPECT_EQ(Settings().background, 0);
    EXPECT_NEAR(Settings().width[10], 0.39, 1e-12);
    EXPECT_EQ(Settings().colour[4], 16776960);
    EXPECT_EQ(Settings().width[50], 1) << "entries above 10 keep what an earlier load put there";
    write("KWL.knf", "");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().highestIndex, 10);
}

TEST_F(SettingsTest, LinesOfTheFile) {
    write("KWL.knf", " kLrTl ,255, 255 ,255\r\n"
                     "GRULI,40,0.5,255,0,0\r\n"
                     "# a comment line\r\n"
                     "\r\n"
                     "gruli,5,0.2,0,128,0,opis\r\n"
                     "GRULI,6,x,300,0,0\r\n"
                     "GRULI,5,0.25,0,128,0\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().background, 0xFFFFFF);
    EXPECT_EQ(Settings().highestIndex, 40);
    EXPECT_EQ(Settings().width[40], 0.5);
    EXPECT_EQ(Settings().colour[40], 255);
    EXPECT_EQ(Settings().width[5], 0.25) << "a later line for an index wins";
    EXPECT_EQ(Settings().colour[5], 32768);
    EXPECT_EQ(Settings().width[6], -99999999.0);
    EXPECT_EQ(Settings().colour[6], 300) << "a part above 255 spills into the next byte";
}

TEST_F(SettingsTest, ValueOutOfRangeStopsTheReadingWithAnError) {
    write("KWL.knf", "GRULI,3,0.5,1,2,3\r\nKLRTL,256,0,0\r\nGRULI,4,0.5,1,2,3\r\n");
    EXPECT_THROW(LoadSettings(QStringLiteral("KWL.knf")), SettingsError);
    EXPECT_EQ(Settings().width[3], 0.5) << "lines before the wrong one stay";
    EXPECT_NEAR(Settings().width[4], 0.21, 1e-12);
    write("KWL.knf", "GRULI,101,0.5,1,2,3\r\n");
    EXPECT_THROW(LoadSettings(QStringLiteral("KWL.knf")), SettingsError);
    write("KWL.knf", "GRULI,,0.5,1,2,3\r\n");
    EXPECT_THROW(LoadSettings(QStringLiteral("KWL.knf")), SettingsError);
}

TEST_F(SettingsTest, MinutesBetweenCopiesOfUnsavedDrawings) {
    write("KWL.knf", "KOPIA,12,co ile minut\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().copyMinutes, 12);
    write("KWL.knf", "kopia, 0\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().copyMinutes, 0) << "no copies";
    write("KWL.knf", "GRULI,3,0.5,1,2,3\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().copyMinutes, kDefaultCopyMinutes) << "without the line";
    for (const char* wrong : {"KOPIA,-1\r\n", "KOPIA,1441\r\n", "KOPIA,\r\n", "KOPIA,2.5\r\n"}) {
        write("KWL.knf", wrong);
        EXPECT_THROW(LoadSettings(QStringLiteral("KWL.knf")), SettingsError) << wrong;
    }
    // Saving the settings keeps the line as it is.
    write("KWL.knf", "KLRTL,0,0,0\r\nKOPIA,7,opis\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    const QByteArrayList lines =
        RewriteSettingsLines(QByteArrayList{"KLRTL,0,0,0", "KOPIA,7,opis"});
    EXPECT_EQ(lines.value(1), QByteArray("KOPIA,7,opis"));
}

TEST_F(SettingsTest, SavingRewritesTheLinesOfTheFileFromTheLayers) {
    const std::string original = "; ustawienia\r\nKLRTL,0,0,0\r\nGRULI,1,0.12,255,0,0,opis\r\n"
                                 "GRULI,2,0.15,255,255,0\r\nGRULI,50,1,1,1,1\r\n";
    write("KWL.knf", original);
    CreateSettingsLayers();
    SetDocumentDrawingKind(cadDocGetActive(), 2);
    ScaleLayerWidths(2);
    cadPropPutInt(CAD_PROP_LAYER_COLOR, 1, 0x0000FF00);
    Settings().background = 0x00FFFFFF;

    Script().messageBoxAnswers = {kIdNo};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), original) << "only Yes saves";
    EXPECT_EQ(Script().messageBoxes[0].caption, QStringLiteral("Uwaga, wybierz"));

    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "; ustawienia\r\nKLRTL,255,255,255\r\n"
                               "GRULI,1,0.1200,0,255,0,opis\r\n"
                               "GRULI,2,0.1500,255,255,0\r\nGRULI,50,1,1,1,1\r\n");
}

// What follows the fields a rewritten line gets (the description of a layer) stays, however
// many commas it holds; so does a line the document has no layer for.
TEST_F(SettingsTest, SavingKeepsWhatFollowsTheRewrittenFields) {
    const std::string original = "KLRTL,0,0,0,t\xB3o\r\n"
                                 "GRULI,0,0.09,0,0,0,o\x9C drogi,kolor 1\r\n"
                                 "GRULI,1,0.12,255,0,0,\r\n"
                                 "GRULI,2,0.15,255,255,0\r\n"
                                 "GRULI,40,0.3,1,2,3,bez warstwy\r\n";
    write("KWL.knf", original);
    CreateSettingsLayers();
    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "KLRTL,0,0,0,t\xB3o\r\n"
                               "GRULI,0,0.0900,0,0,0,o\x9C drogi,kolor 1\r\n"
                               "GRULI,1,0.1200,255,0,0,\r\n"
                               "GRULI,2,0.1500,255,255,0\r\n"
                               "GRULI,40,0.3,1,2,3,bez warstwy\r\n");
}

TEST_F(SettingsTest, WidthsAreDividedByTheFactorOfTheActiveDocumentsOwnKind) {
    write("KWL.knf", "GRULI,3,0.18,0,128,0\r\n");
    const int plan = cadFileNew(0, "");
    SetDocumentDrawingKind(plan, 1);
    CreateSettingsLayers();
    const int profile = cadFileNew(0, "");
    SetDocumentDrawingKind(profile, 2);
    CreateSettingsLayers();
    ScaleLayerWidths(2);
    DrawingKind = 2; // the kind of the drawing read last
    cadDocSetActive(plan);
    Script().messageBoxAnswers = {kIdYes, kIdYes};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "GRULI,3,0.1800,0,128,0\r\n");
    cadDocSetActive(profile);
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "GRULI,3,0.1800,0,128,0\r\n");
    EXPECT_EQ(DocumentDrawingKind(cadFileNew(0, "")), 0) << "any other document";
}

TEST_F(SettingsTest, AnEmptyFileIsReadAsEmptyAndNotReplaced) {
    write("KWL.knf", "");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().highestIndex, 10);
    CreateSettingsLayers();
    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "");
}

TEST_F(SettingsTest, ALineOfTooManyFieldsStopsTheSavingBeforeAnythingIsWritten) {
    const std::string original =
        "KLRTL,0,0,0\r\nGRULI,1,0.12,255,0,0" + std::string(400, ',') + "\r\n";
    write("KWL.knf", original);
    CreateSettingsLayers();
    Settings().background = 0xFFFFFF;
    Script().messageBoxAnswers = {kIdYes};
    EXPECT_THROW(SaveSettingsAsDefault(), std::range_error);
    EXPECT_EQ(read("KWL.knf"), original);
}

TEST_F(SettingsTest, SavingWithoutAFileWritesAWholeOne) {
    CreateSettingsLayers();
    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    const std::string saved = read("KWL.knf");
    EXPECT_EQ(saved.rfind("KLRTL,0,0,0\r\nGRULI,0,0.0900,0,0,0\r\n", 0), 0u);
    EXPECT_NE(saved.find("GRULI,10,0.3900,0,100,0\r\n"), std::string::npos);
    // What was saved reads back as the same table.
    Settings().background = 5;
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().background, 0);
    EXPECT_EQ(Settings().colour[10], 25600);
}

// A new file takes each number from the layer of that name, wherever the layer stands, and only
// the numbers of the table: the layers of the pens read (31, 47, ...) are no settings.
TEST_F(SettingsTest, ANewFileKeepsEachNumbersOwnValues) {
    cadLayerAdd("47", 0.7, 0x0000FF, 0x0000FF);
    cadLayerAdd("31", 0.35, 0x2828C8, 0x2828C8);
    CreateSettingsLayers();
    cadLayerAdd("51", 0.9, 0xFF0000, 0xFF0000);
    cadPropPutDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("3", 0), 0.5);
    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    const std::string saved = read("KWL.knf");
    EXPECT_NE(saved.find("GRULI,3,0.5000,0,128,0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("GRULI,10,0.3900,0,100,0\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("GRULI,11,"), std::string::npos);
    EXPECT_EQ(saved.find("GRULI,31,"), std::string::npos);
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().highestIndex, 10) << "no spurious layers in the next drawing";
    EXPECT_EQ(Settings().width[3], 0.5);
    EXPECT_EQ(Settings().colour[2], 65535);
}

} // namespace

namespace {

class ReadOnlyProgramDirectory : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        ASSERT_TRUE(user.isValid());
        SetUserConfigDirectory(user.path() + QStringLiteral("/kwl-edytor"));
        OverrideProgramDirectoryWritable(false);
    }
    void TearDown() override {
        OverrideProgramDirectoryWritable(std::nullopt);
        SetUserConfigDirectory(QString());
        ImportTest::TearDown();
    }
    QTemporaryDir user;
};

TEST_F(ReadOnlyProgramDirectory, SettingsGoToTheUsersFolderAndAreReadFromThereFirst) {
    write("KWL.knf", "KLRTL,0,0,0\r\nGRULI,1,0.12,255,0,0\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().background, 0) << "the shipped copy serves until the user has one";

    CreateSettingsLayers();
    Settings().background = 0xFFFFFF;
    Script().messageBoxAnswers = {kIdYes};
    SaveSettingsAsDefault();
    EXPECT_EQ(read("KWL.knf"), "KLRTL,0,0,0\r\nGRULI,1,0.12,255,0,0\r\n") << "shipped copy kept";
    QFile mine(user.path() + QStringLiteral("/kwl-edytor/KWL.knf"));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("KLRTL,255,255,255\r\nGRULI,1,0.1200,255,0,0\r\n"));

    Settings().background = 5;
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().background, 0xFFFFFF);

    OverrideProgramDirectoryWritable(true);
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().background, 0) << "a writable program directory keeps its own file";
}

} // namespace

namespace {

TEST_F(SettingsTest, LayersShowWhatTheFileSaysTheyHold) {
    write("KWL.knf", "GRULI,31,0.35,200,40,40,o\x9c drogi\r\n"
                     "GRULI,32,0.35,40,90,200, kraw\xea\x9f jezdni, prawa \r\n"
                     "GRULI,33,0.25,60,140,190\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(Settings().description[31], "o\x9c drogi");
    EXPECT_EQ(cadLayerLabelOf("31"), "o\x9c drogi");
    EXPECT_EQ(cadLayerLabelOf("32"), "kraw\xea\x9f jezdni, prawa") << "commas and all";
    EXPECT_EQ(cadLayerLabelOf("33"), "");
    // Another file read: the labels are its own.
    write("KWL_kopia.knf", "GRULI,33,0.25,60,140,190,pobocze\r\n");
    LoadSettings(QStringLiteral("KWL_kopia.knf"));
    EXPECT_EQ(cadLayerLabelOf("33"), "pobocze");
    EXPECT_EQ(cadLayerLabelOf("31"), "o\x9c drogi") << "entries above 10 keep what they hold";
    write("KWL.knf", "GRULI,3,0.25,60,140,190,linie\r\n");
    LoadSettings(QStringLiteral("KWL.knf"));
    write("KWL.knf", "");
    LoadSettings(QStringLiteral("KWL.knf"));
    EXPECT_EQ(cadLayerLabelOf("3"), "") << "entries 0 to 10 start again";
}

} // namespace

namespace {

TEST(SnapSettingsFile, WhatIsWrittenIsReadBack) {
    CadSnapSettings s;
    s.modes = (1u << 0) | (1u << 3) | (1u << 10); // end, centre, steps
    s.aperture = 17;
    s.lengthStep = 0.5;
    s.angleStep = 22.5;
    s.baseAngle = -10;
    const QByteArray bytes = WriteSnapSettings(s);
    EXPECT_EQ(bytes, QByteArray("SNAPY,17501,17504,17511\r\nAPERTURA,17\r\n"
                                "KROKI,0.5000,22.5000,-10.0000\r\n"));
    const CadSnapSettings back = ReadSnapSettings(bytes);
    EXPECT_EQ(back.modes, s.modes);
    EXPECT_EQ(back.aperture, 17);
    EXPECT_EQ(back.lengthStep, 0.5);
    EXPECT_EQ(back.angleStep, 22.5);
    EXPECT_EQ(back.baseAngle, -10);
    // Lines it does not know and values it cannot read leave the defaults.
    const CadSnapSettings odd =
        ReadSnapSettings("snapy , 17501,99999,x\nAPERTURA,-3\nKROKI,x\nINNE,1\n");
    EXPECT_EQ(odd.modes, 1u);
    EXPECT_EQ(odd.aperture, CadSnapSettings{}.aperture);
    EXPECT_EQ(odd.lengthStep, CadSnapSettings{}.lengthStep);
    EXPECT_EQ(ReadSnapSettings("").modes, 0u);
}

} // namespace
