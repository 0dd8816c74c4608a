#include "tests/import/ImportTestSupport.h"

#include "import/Settings.h"
#include "import/Styles.h"
#include "support/Cp1250.h"

namespace {

using StylesTest = ImportTest;

TEST_F(StylesTest, NewDocumentTakesBackgroundDisplaySettingsAndCourier) {
    Settings().background = 0xFFFFFF;
    SetInstalledFonts(
        {QStringLiteral("Arial"), QStringLiteral("Courier New"), QStringLiteral("Courier New CE")});
    const int doc = NewDrawingDocument(0);
    ASSERT_GT(doc, 0);
    EXPECT_EQ(cadDocGetActive(), doc);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_BACKCOLOR, doc), 0xFFFFFF);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_CURSOR_COLOR, 0), 65280);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_SHOW_GRIPS, 0), 1);
    const int courier = cadStTextIndex("courier", 0);
    ASSERT_GE(courier, 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXTSTYLE_FONT, courier), "Courier New");

    SetInstalledFonts({QStringLiteral("Arial"), QStringLiteral("Courier New Baltic")});
    NewDrawingDocument(0);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXTSTYLE_FONT, cadStTextIndex("courier", 0)),
              "Courier New Baltic");

    SetInstalledFonts({QStringLiteral("Arial")});
    NewDrawingDocument(0);
    EXPECT_LT(cadStTextIndex("courier", 0), 0) << "no courier style without the font";
}

TEST_F(StylesTest, SettingsLayersAndPenLayers) {
    CreateSettingsLayers();
    ASSERT_EQ(LayerName(cadLayerIndex("10", 0)), "10");
    for (int i = 0; i <= 10; ++i) {
        const int layer = cadLayerIndex(std::to_string(i), 0);
        ASSERT_GE(layer, 0);
        EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, layer), 0.09 + 0.03 * i, 1e-9);
    }
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_COLOR, cadLayerIndex("8", 0)), 2763429);

    SelectOrCreateLayer("31");
    const int pen = cadLayerIndex("31", 0);
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, pen), 0.12, 1e-9);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_COLOR, pen), 25600);

    // With a table up to 68, numbers up to the highest index come from the table, the last
    // one included.
    Settings().highestIndex = 68;
    Settings().width[40] = 0.5;
    Settings().colour[40] = 255;
    Settings().width[68] = 0.7;
    SelectOrCreateLayer("40");
    SelectOrCreateLayer("68");
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("40", 0)), 0.5, 1e-9);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_COLOR, cadLayerIndex("40", 0)), 255);
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("68", 0)), 0.7, 1e-9);
    SelectOrCreateLayer("69");
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("69", 0)), 0.12, 1e-9);

    const int before = cadLayerCount();
    SelectOrCreateLayer("40");
    EXPECT_EQ(cadLayerCount(), before) << "an existing layer is only made active";
    EXPECT_THROW(SelectOrCreateLayer("abc"), LayerNameError);
}

TEST_F(StylesTest, LineStylesFromTheProgramDirectory) {
    write("KWL_Style_linii1.knf", "welta style linii\r\nKreskowa;2,-1\r\n" +
                                      std::string(u8"Oś drogi"_w1250) + ";6,-1,0,-1;opis\r\n");
    LoadLineStyles(QStringLiteral("KWL_Style_linii1.knf"));
    const int axis = cadStLineIndex(u8"Oś drogi"_w1250, 0);
    ASSERT_GE(axis, 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_LINESTYLE_DEFINITION, axis), "6,-1,0,-1");
    EXPECT_GE(cadStLineIndex("Kreskowa", 0), 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_LINESTYLE_NAME, 0), std::string(u8"Ciągła"_w1250));

    cadFileNew(0, "");
    const int styles = cadStLineCount();
    write("KWL_Style_linii2.knf", "Welta Style Linii\r\nKreskowa;2,-1\r\n");
    LoadLineStyles(QStringLiteral("KWL_Style_linii2.knf"));
    EXPECT_EQ(cadStLineCount(), styles) << "a wrong first line adds nothing";
    EXPECT_EQ(cadPropGet(CAD_PROP_LINESTYLE_NAME, 0), std::string(u8"Ciągła"_w1250));

    cadFileNew(0, "");
    LoadLineStyles(QStringLiteral("KWL_Style_linii0.knf"));
    EXPECT_NE(cadPropGet(CAD_PROP_LINESTYLE_NAME, 0), std::string(u8"Ciągła"_w1250))
        << "a missing file changes nothing";
}

TEST_F(StylesTest, KindTwoWidthsAreATenth) {
    cadLayerAdd("a", 0.3, 0, 0);
    ScaleLayerWidths(1);
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("a", 0)), 0.3, 1e-12);
    ScaleLayerWidths(2);
    EXPECT_NEAR(*cadPropGetDbl(CAD_PROP_LAYER_WIDTH, cadLayerIndex("a", 0)), 0.03, 1e-12);
}

} // namespace
