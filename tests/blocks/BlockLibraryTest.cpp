// The block library file: its records, the "LICZ" notation and the coordinates it remembers,
// and the errors that end a load.
#include "blocks/Kwl_bloki.h"
#include "engine/CadApi.h"
#include "import/Unit_progres.h"
#include "tests/common/ScriptedPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class BlockLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        cadReset();
        ASSERT_TRUE(dir.isValid());
        ASSERT_GT(cadFileNew(0, ""), 0);
        LastCoordinates() = {};
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        cadReset();
    }
    void load(const std::string& text) {
        QFile f(dir.filePath(QStringLiteral("KWL_BLOKI.knf")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
        f.close();
        LoadBlockLibrary();
    }
    QTemporaryDir dir;
    QString previous;
};

TEST_F(BlockLibrary, WorkedExampleMakesOneBlockWithItsBasePoint) {
    load("BLOCK\r\nLINE,0,0,10,0\r\nLINE,LICZ DELTA,0,LICZ DELTA + 5,LICZ + 8\r\nPOLYLINE\r\n"
         "VERTEX,0,0\r\nVERTEX,5,8.5\r\nVERTEX,10,0\r\nEND,1,1\r\nCIRCLE,5,3,1.5,0\r\n"
         "BLOCKNAME,S1,5,0\r\n");
    const int block = cadBlockIndex("S1");
    ASSERT_GE(block, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, block), 4);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_BLOCK_BASE_X, block), 5);
    EXPECT_EQ(LastCoordinates().x, 15);
    EXPECT_EQ(LastCoordinates().y, 8);
    EXPECT_LT(cadGetEntity(CAD_GET_FIRST, 0, 0), 0) << "nothing left in the drawing itself";
    EXPECT_FALSE(Busy);
}

TEST_F(BlockLibrary, CoordinateFieldsAndTheirNotation) {
    LastCoordinates() = {7, 3};
    EXPECT_EQ(CoordinateField("LICZ DELTA", true, 0), 7);
    EXPECT_EQ(CoordinateField("LICZ DELTA + 2 * 3", true, 0), 27) << "left to right";
    EXPECT_EQ(LastCoordinates().x, 27);
    EXPECT_EQ(CoordinateField("LICZ 5", true, 1), 0) << "a number without an operator";
    EXPECT_EQ(CoordinateField("LICZ + 5", true, 1), 5);
    EXPECT_EQ(CoordinateField("LICZ  + 5", true, 1), 0) << "two spaces spoil the operator";
    EXPECT_EQ(CoordinateField("licz + 5", true, 1), -99999999.0) << "LICZ is upper case";
    EXPECT_EQ(CoordinateField(" LICZ + 5", true, 1), -99999999.0);
    EXPECT_EQ(CoordinateField("LICZ", true, 1), 0);
    EXPECT_EQ(CoordinateField("LICZ - 4 * x", true, 1), 399999996) << "not a number: no-value";
}

TEST_F(BlockLibrary, KeywordsFlagsAndMissingFields) {
    load("block\r\n"
         "polyline\r\nvertex,0,0\r\nvertex,1,0\r\nvertex,1,1\r\nEND,\r\n"
         "POLYLINE\r\nVERTEX,0,0\r\nVERTEX,2,2\r\nEND\r\n"
         " LINE,0,0,5,5\r\n"
         "LINE,1.5\r\n"
         "BLOCKNAME,B,0,0\r\n");
    const int block = cadBlockIndex("B");
    ASSERT_GE(block, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, block), 3)
        << "a keyword after a blank is no keyword";
    EXPECT_EQ(LastCoordinates().x, 0) << "LINE,1.5: the missing fields read 0";
    EXPECT_EQ(LastCoordinates().y, 0);
}

TEST_F(BlockLibrary, RememberedCoordinatesCarryOverToTheNextLoad) {
    load("BLOCK\r\nLINE,0,0,12,4\r\nBLOCKNAME,A,0,0\r\n");
    cadFileNew(0, "");
    load("BLOCK\r\nLINE,LICZ DELTA,LICZ DELTA,LICZ DELTA + 1,LICZ DELTA\r\nBLOCKNAME,C,0,0\r\n");
    EXPECT_EQ(LastCoordinates().x, 13);
    EXPECT_EQ(LastCoordinates().y, 4);
}

TEST_F(BlockLibrary, ErrorsEndTheLoadAndKeepWhatWasMade) {
    EXPECT_THROW(load("BLOCK\r\nLINE,0,0,1,1\r\nBLOCKNAME,A,0,0\r\n"
                      "BLOCK\r\nLINE,0,0,LICZ DELTA / 0,1\r\nBLOCKNAME,Z,0,0\r\n"),
                 BlockLibraryError);
    EXPECT_GE(cadBlockIndex("A"), 0);
    EXPECT_LT(cadBlockIndex("Z"), 0);
    EXPECT_TRUE(Busy) << "the opening command undoes the lock after an error";
    Busy = false;
    UnlockUserInterface();
    EXPECT_THROW(load("LINE,0,0,LICZ + 1e300 * 1e300,0\r\n"), BlockLibraryError);
    Busy = false;
    EXPECT_THROW(load("LINE" + std::string(400, ',') + "\r\n"), std::runtime_error);
    Busy = false;
}

TEST_F(BlockLibrary, MissingFileChangesNothing) {
    LoadBlockLibrary();
    EXPECT_EQ(cadBlockCount(), 0);
    EXPECT_FALSE(Busy);
}

} // namespace

namespace {

TEST_F(BlockLibrary, ShippedLibraryReadsWhole) {
    LoadBlockLibraryFile(QStringLiteral(KWL_SOURCE_DIR "/data/KWL_BLOKI.knf"));
    EXPECT_GE(cadBlockCount(), 15);
    for (const char* name : {"STRZALKA_N", "SLUPEK_KM", "WPUST", "DRZEWO_L", "PRZEPUST"})
        EXPECT_GE(cadBlockIndex(name), 0) << name;
    EXPECT_FALSE(Busy);
}

} // namespace
