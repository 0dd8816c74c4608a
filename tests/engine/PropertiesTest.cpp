// Layers, styles, entities and their properties through the interface; selection, walking,
// zoom and statistics.
#include "tests/engine/EngineTestSupport.h"

#include <algorithm>
#include <cmath>

namespace {

class Properties : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cadFileNew(0, "");
    }
};

bool inside(const CadRect& outer, const CadRect& inner) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.bottom <= inner.bottom &&
           inner.top <= outer.top;
}

TEST_F(Properties, LayersAreAddedOrUpdatedByName) {
    EXPECT_EQ(cadLayerCount(), 1);
    // Layer "0" exists: adding it again gives it the width and colours passed.
    EXPECT_EQ(cadLayerAdd("0", 0.5, 0x00FF00, 0x0000FF), 0);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_LAYER_WIDTH, 0), 0.5);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_COLOR, 0), 0x00FF00);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_LAYER_FILLCOLOR, 0), 0x0000FF);
    EXPECT_EQ(cadLayerAdd("30", 0.25, 0xFF0000, 0xFF0000), 1);
    EXPECT_EQ(cadLayerAdd("", 0.25, 0, 0), -1);
    EXPECT_EQ(cadLayerCount(), 2);
    EXPECT_EQ(cadLayerIndex("30", 0), 1);
    EXPECT_EQ(cadLayerIndex("30", 2), -1);
    EXPECT_EQ(cadLayerIndex("3", 0), -1); // exact names only

    EXPECT_EQ(cadPropGet(CAD_PROP_LAYER_NAME, 1), "30");
    EXPECT_EQ(cadPropPut(CAD_PROP_LAYER_NAME, 1, "0"), 0); // names stay unique
    EXPECT_EQ(cadPropPut(CAD_PROP_LAYER_NAME, 1, ""), 0);
    EXPECT_EQ(cadPropPut(CAD_PROP_LAYER_NAME, 1,
                         "O\xB6"
                         "mi"),
              1);
    EXPECT_EQ(cadLayerIndex("O\xB6"
                            "mi",
                            0),
              1);
    for (int p : {CAD_PROP_LAYER_VISIBLE, CAD_PROP_LAYER_LOCKED, CAD_PROP_LAYER_PRINTABLE}) {
        EXPECT_EQ(cadPropPutInt(p, 1, 0), 1);
        EXPECT_EQ(cadPropGetInt(p, 1), 0);
        EXPECT_EQ(cadPropPutInt(p, 1, 1), 1);
        EXPECT_EQ(cadPropGetInt(p, 1), 1);
    }
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_LAYER_WIDTH, 1, -99999999), 1); // stored as given
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_LAYER_WIDTH, 1), -99999999);

    EXPECT_EQ(cadLayerActive(1), 1);
    const int line = cadAddLine(0, 0, 1, 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_LAYER, line), 1);
    EXPECT_EQ(cadLayerActive(2), 0);
    EXPECT_EQ(cadLayerActive(-5), 0);
}

TEST_F(Properties, InvalidHandlesAndUnknownCodesFailAndChangeNothing) {
    const int line = cadAddLine(0, 0, 1, 1);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_LAYER_WIDTH, -5), std::nullopt);
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_LAYER_WIDTH, -5, 1), 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_LAYER_NAME, 7), std::nullopt);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, 1000000000), std::nullopt);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_COLOR, 1000000000, 5), 0);
    EXPECT_EQ(cadPropGetInt(99999, 0), std::nullopt);
    EXPECT_EQ(cadPropPutInt(99999, 0, 1), 0);
    EXPECT_EQ(cadPropPut(99999, 0, "x"), 0);
    EXPECT_EQ(cadPropPutDbl(99999, line, 1), 0);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_LAYER, line, 5), 0);  // no layer 5
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, line, 1), 0); // lines have no fill
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_ENT_RADIUS, line, 1), 0); // nor a radius
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_STRING, line), std::nullopt);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 9), 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_BACKCOLOR, 777), std::nullopt);
    EXPECT_EQ(cadSetTextParam(9, 1.0), 0);
    EXPECT_EQ(cadSetTextParam(CAD_TEXT_ALIGN, 12), 0);
    EXPECT_EQ(cadSelect(1, 1000000000), 0);
    EXPECT_EQ(cadAddInsert(3, 0, 0, 1, 1, 0), -1);
    EXPECT_EQ(cadExecute(12345), 0);
    EXPECT_EQ(cadGetEntity(99, 0, 0), -1);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_X2, line), 1.0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_LAYER, line), 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_COLOR_BYLAYER, line), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
}

TEST_F(Properties, DocumentAndEngineSettings) {
    const int doc = cadDocGetActive();
    EXPECT_EQ(cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, doc, 0x000000), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_BACKCOLOR, -1), 0x000000);
    for (auto [p, v] : {std::pair{CAD_PROP_DOC_CURSOR_COLOR, 65280},
                        {CAD_PROP_DOC_CURSOR_SIZE, 0},
                        {CAD_PROP_DOC_SHOW_GRIPS, 1},
                        {CAD_PROP_DOC_GRIP_COLOR, 65280},
                        {CAD_PROP_DOC_UNITS, 2}}) {
        EXPECT_EQ(cadPropPutInt(p, 0, v), 1) << p;
        EXPECT_EQ(cadPropGetInt(p, 0), v) << p;
    }
    EXPECT_EQ(cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_CONFIRM_DELETE, 0), 0);
    EXPECT_EQ(cadPropPut(CAD_PROP_WINDOW_CAPTION, 0, "Wczytaj dane"), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_WINDOW_CAPTION, 0), "Wczytaj dane");
    EXPECT_EQ(cadExecute(CAD_CMD_SHOW_WIDTHS), 1);
    EXPECT_EQ(cadExecute(CAD_CMD_REDRAW), 1);
}

TEST_F(Properties, StylesAreAddedByNameAndMadeActive) {
    EXPECT_EQ(cadStLineCount(), 1);
    EXPECT_EQ(cadStLineAdd("Kreskowa", "5,-2"), 1);
    EXPECT_EQ(cadStLineAdd("Kreskowa", "6,-3"), 1); // replaced, not doubled
    EXPECT_EQ(cadPropGet(CAD_PROP_LINESTYLE_DEFINITION, 1), "6,-3");
    EXPECT_EQ(cadPropPut(CAD_PROP_LINESTYLE_NAME, 0,
                         "Ci\xB9g\xB3"
                         "a"),
              1);
    EXPECT_EQ(cadPropGet(CAD_PROP_LINESTYLE_NAME, 0), "Ci\xB9g\xB3"
                                                      "a");
    EXPECT_EQ(cadStLineActive(1), 1);
    const int line = cadAddLine(0, 0, 1, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_LINESTYLE, line), 1);
    EXPECT_EQ(cadStLineActive(2), 0);

    const int courier = cadStTextAdd("courier", "Courier New", 1.17, 0, 5, 1, 1);
    EXPECT_EQ(courier, 1);
    EXPECT_EQ(cadStTextIndex("courier", 0), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXTSTYLE_FONT, 1), "Courier New");
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_TEXTSTYLE_WIDTHFACTOR, 1), 1.17);
    EXPECT_EQ(cadStTextActive(courier), 1);
    const int text = cadAddText(0, 0, "A");
    EXPECT_EQ(cadPropGetInt(CAD_PROP_TEXT_STYLE, text), courier);
}

TEST_F(Properties, TextParametersApplyToEveryLaterText) {
    const int before = cadAddText(0, 0, "before");
    cadSetTextParam(CAD_TEXT_ALIGN, 0);
    cadSetTextParam(CAD_TEXT_OBLIQUE, 15);
    cadSetTextParam(CAD_TEXT_ROTATION, 90);
    cadSetTextParam(CAD_TEXT_HEIGHT, 1.17 * 2 * 1.5);
    const std::string longText(5000, 'x');
    const int t1 = cadAddText(10, 20, longText);
    const int t2 = cadAddText(30, 40, "KM 0+200 \xB3\xF3\xBF");
    for (int t : {t1, t2}) {
        EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, t), CAD_ENT_TEXT);
        EXPECT_EQ(cadPropGetInt(CAD_PROP_TEXT_ALIGN, t), 0);
        EXPECT_EQ(cadPropGetDbl(CAD_PROP_TEXT_OBLIQUE, t), 15);
        EXPECT_EQ(cadPropGetDbl(CAD_PROP_TEXT_ROTATION, t), 90);
        EXPECT_DOUBLE_EQ(*cadPropGetDbl(CAD_PROP_TEXT_HEIGHT, t), 3.51);
    }
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_STRING, t1), longText);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_STRING, t2), "KM 0+200 \xB3\xF3\xBF");
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_X, t2), 30);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_TEXT_ROTATION, before), 0);
    EXPECT_EQ(cadPropPut(CAD_PROP_TEXT_STRING, t2, "nowy"), 1);
    EXPECT_EQ(cadPropGet(CAD_PROP_TEXT_STRING, t2), "nowy");
}

TEST_F(Properties, EntitiesOfEveryKindKeepTheirGeometry) {
    const int p = addPolyline({0, 0, 10, 0, 10, 10}, true);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, p), CAD_ENT_POLYLINE);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_CLOSED, p), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_VERTICES, p), 3);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, p, 1), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_FILLED, p), 1);
    const int c = cadAddCircle(5, 3, 1.5);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, c, 1), 1);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_RADIUS, c), 1.5);
    const int a = cadAddArc(0, 0, 2, 30, 60);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_ANGLE0, a), 30);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_ANGLE1, a), 60);
    const int e = cadAddEllipse(1, 2, 3, 4, 5, 0, 360);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_RADIUS2, e), 4);
    const int r = cadAddRectangle(1, 1, 4, 2, 30);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_HEIGHT2, r), 2);
    const int pt = cadAddPoint(7, 8);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_Y, pt), 8);
    const int img = cadAddImage("/tmp/mapa.png", 0, 0, 100, 50);
    EXPECT_EQ(cadPropGet(CAD_PROP_ENT_NAME, img), "/tmp/mapa.png");

    cadPolylineBegin();
    cadVertex(0, 0), cadVertex(4, 0), cadVertex(4, 4);
    cadHatchLoop();
    cadVertex(1, 1), cadVertex(2, 1), cadVertex(2, 2);
    cadHatchLoop();
    const int h = cadAddHatch("ANSI31", 0, 2, 45);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, h), CAD_ENT_HATCH);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_VERTICES, h), 6);
    EXPECT_EQ(cadPropGet(CAD_PROP_ENT_NAME, h), "ANSI31");
    EXPECT_EQ(cadPolylineVertices(h).size(), 12u);

    cadBlockBegin();
    cadAddLine(0, 0, 1, 0);
    const int block = cadBlockAdd("tick", 0, 0);
    const int ins = cadAddInsert(block, 50, 60, 2, 3, 45);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_BLOCK, ins), block);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_SCALE_Y, ins), 3);

    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_COLOR, c, 0x0000FF), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_COLOR_BYLAYER, c), 0);
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_ENT_WIDTH, c, 0.7), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_WIDTH_BYLAYER, c), 0);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_WIDTH, c), 0.7);

    const auto stats = cadGetStatistics();
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->entities, 9); // the block's line is the block's own
    EXPECT_EQ(stats->vertices, 9);
    EXPECT_EQ(stats->blocks, 1);
    EXPECT_EQ(stats->byType[CAD_ENT_HATCH - CAD_ENT_POINT], 1);
}

TEST_F(Properties, SplinesAndSectorsThroughTheInterface) {
    cadPolylineBegin();
    cadVertex(0, 0), cadVertex(10, 8), cadVertex(20, 0), cadVertex(30, 5);
    const int s = cadAddSpline(0);
    ASSERT_GE(s, 0);
    EXPECT_EQ(cadAddSpline(1), -1) << "its points are taken";
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, s), CAD_ENT_SPLINE);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_CLOSED, s), 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_VERTICES, s), 4);
    EXPECT_EQ(cadPolylineVertices(s), (std::vector<double>{0, 0, 10, 8, 20, 0, 30, 5}));
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_CLOSED, s, 1), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_CLOSED, s), 1);
    EXPECT_FALSE(cadPropGetInt(CAD_PROP_ENT_FILLED, s));
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, s, 1), 0);
    EXPECT_FALSE(cadPropGetDbl(CAD_PROP_ENT_X, s));

    const int sector = cadAddSector(5, 6, 2, 45, 180);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_TYPE, sector), CAD_ENT_SECTOR);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_X, sector), 5);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_Y, sector), 6);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_RADIUS, sector), 2);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_ANGLE0, sector), 45);
    EXPECT_EQ(cadPropPutDbl(CAD_PROP_ENT_ANGLE1, sector, 270), 1);
    EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_ANGLE1, sector), 270);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_FILLED, sector), 0);
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, sector, 1), 1);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_FILLED, sector), 1);
    EXPECT_FALSE(cadPropGetInt(CAD_PROP_ENT_CLOSED, sector));
    EXPECT_TRUE(cadPolylineVertices(sector).empty());

    const auto stats = cadGetStatistics();
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->byType[CAD_ENT_SPLINE - CAD_ENT_POINT], 1);
    EXPECT_EQ(stats->byType[CAD_ENT_SECTOR - CAD_ENT_POINT], 1);
    EXPECT_EQ(stats->vertices, 4) << "the spline's fit points";
    const auto info = cadDrawingInfo();
    EXPECT_NE(std::find(info.begin(), info.end(), "Spline:    1"), info.end());
    EXPECT_NE(std::find(info.begin(), info.end(), "Sector:    1"), info.end());
}

TEST_F(Properties, PolylinesCollectTheirVerticesUntilAdded) {
    EXPECT_EQ(cadAddPolyline(0, 0), -1); // nothing collected
    cadPolylineBegin();
    cadVertex(1, 1);
    cadVertex(2, 2);
    cadPolylineBegin(); // begun again: the first two are given up
    cadVertex(3, 3);
    const int one = cadAddPolyline(0, 0);
    EXPECT_EQ(cadPolylineVertices(one), (std::vector<double>{3, 3}));
    EXPECT_EQ(cadAddPolyline(0, 0), -1); // each collection makes one polyline
    cadBlockBegin();
    const int inBlock = addPolyline({0, 0, 1, 0});
    EXPECT_EQ(cadPropPutInt(CAD_PROP_ENT_FILLED, inBlock, 1),
              1); // its handle works until the block is made
    EXPECT_GE(cadBlockAdd("b", 0, 0), 0);
    EXPECT_EQ(cadBlockAdd("c", 0, 0), -1); // no collection started
    EXPECT_EQ(cadGetStatistics()->vertices, 1);
}

TEST_F(Properties, WalkSelectAndZoomToTheSelection) {
    const int far = addPolyline({-1000, -1000, -900, -900});
    const int target = addPolyline({100, 100, 110, 105});
    const int text = cadAddText(0, 0, "szukany");
    EXPECT_EQ(cadGetEntity(CAD_GET_FIRST, 0, 0), far);
    EXPECT_EQ(cadGetEntity(CAD_GET_NEXT, 0, 0), target);
    EXPECT_EQ(cadGetEntity(CAD_GET_NEXT, 0, 0), text);
    EXPECT_LT(cadGetEntity(CAD_GET_NEXT, 0, 0), 0);

    EXPECT_EQ(cadSelect(1, target), 1);
    EXPECT_EQ(cadSelectedCount(), 1);
    EXPECT_EQ(cadZoom(CAD_ZOOM_SELECTION), 1);
    EXPECT_EQ(cadZoom(0.1), 1);
    const CadRect view = *cadViewRect();
    EXPECT_TRUE(inside(view, *cadEntityExtents(target)));
    EXPECT_FALSE(inside(view, *cadEntityExtents(far)));
    EXPECT_EQ(cadZoom(CAD_ZOOM_PREVIOUS), 1);
    EXPECT_EQ(cadZoom(CAD_ZOOM_ALL), 1);
    EXPECT_TRUE(inside(*cadViewRect(), *cadDrawingExtents()));

    EXPECT_EQ(cadSelect(1, -1), 1);
    EXPECT_EQ(cadSelectedCount(), 3);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_ENT_SELECTED, far), 1);
    EXPECT_EQ(cadSelect(0, -1), 1);
    EXPECT_EQ(cadSelectedCount(), 0);
    EXPECT_EQ(cadZoom(CAD_ZOOM_SELECTION), 0);
    EXPECT_EQ(cadZoom(0), 0);
    EXPECT_EQ(cadZoom(-3), 0);
}

TEST_F(Properties, AbsurdValuesStayFiniteInZoomAndStatistics) {
    addPolyline({99999999, 99999999, 1e16, -1e16});
    addPolyline({5, 5});
    cadSetTextParam(CAD_TEXT_HEIGHT, 1e16);
    cadAddText(-99999999, 0, "x");
    EXPECT_EQ(cadExecute(CAD_CMD_ZOOM_ALL), 1);
    const CadRect v = *cadViewRect();
    EXPECT_TRUE(std::isfinite(v.left) && std::isfinite(v.right) && std::isfinite(v.top));
    EXPECT_EQ(cadSelect(1, -1), 1);
    EXPECT_EQ(cadZoom(CAD_ZOOM_SELECTION), 1);
    EXPECT_EQ(cadZoom(0.1), 1);
    for (int i = 0; i < 2000; ++i)
        cadZoom(1e10); // magnifying without end stops at the smallest scale
    EXPECT_TRUE(std::isfinite(cadViewRect()->left));
    const auto info = cadDrawingInfo();
    for (const auto& line : info)
        EXPECT_EQ(line.find("inf"), std::string::npos) << line;
}

TEST_F(Properties, DrawingInfoUsesTheEnginesTexts) {
    cadLayerAdd("30", 0.25, 0xFF, 0xFF);
    cadLayerActive(1);
    addPolyline({0, 0, 200, 0, 200, 100});
    cadAddText(10, 10, "KM 0+100");
    std::vector<int> asked;
    cadSetMsgHandler([&](int, int msg, int prm1, int, double, double, void*) {
        if (msg != CAD_MSG_TEXT)
            return 0;
        asked.push_back(prm1);
        if (prm1 == 17022)
            return cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "Warstwy:       %d");
        return 0;
    });
    const auto info = cadDrawingInfo();
    auto has = [&](const std::string& line) {
        return std::find(info.begin(), info.end(), line) != info.end();
    };
    EXPECT_TRUE(has("File name: Untitled"));
    EXPECT_TRUE(has("Width:  200.000 mm"));
    EXPECT_TRUE(has("Warstwy:       2"));
    EXPECT_TRUE(has("PolyVertexes: 3"));
    EXPECT_TRUE(has("Text Chars:   8"));
    EXPECT_TRUE(has("Polyline:  1"));
    EXPECT_TRUE(has("  30: 2"));
    for (int n = 17001; n <= 17008; ++n)
        EXPECT_NE(std::find(asked.begin(), asked.end(), n), asked.end()) << n;
}

TEST_F(Properties, DrawingInfoGivesMillimetresWhateverTheDrawingsUnits) {
    addPolyline({-1.5, 2, 0.25, 3});
    const auto lines = [] {
        const auto info = cadDrawingInfo();
        return std::vector<std::string>(info.begin() + 2, info.begin() + 8);
    };
    const std::pair<int, std::vector<std::string>> expected[] = {
        {4, // metres
         {"Width:  1750.000 mm", "Height: 1000.000 mm", "X min:   -1500.00 mm",
          "Y min:   2000.00 mm", "X max:   250.00 mm", "Y max:   3000.00 mm"}},
        {3, // centimetres
         {"Width:  17.500 mm", "Height: 10.000 mm", "X min:   -15.00 mm", "Y min:   20.00 mm",
          "X max:   2.50 mm", "Y max:   30.00 mm"}},
        {1, // inches
         {"Width:  44.450 mm", "Height: 25.400 mm", "X min:   -38.10 mm", "Y min:   50.80 mm",
          "X max:   6.35 mm", "Y max:   76.20 mm"}},
        {2, // millimetres, and a drawing without units, as they are
         {"Width:  1.750 mm", "Height: 1.000 mm", "X min:   -1.50 mm", "Y min:   2.00 mm",
          "X max:   0.25 mm", "Y max:   3.00 mm"}},
        {0,
         {"Width:  1.750 mm", "Height: 1.000 mm", "X min:   -1.50 mm", "Y min:   2.00 mm",
          "X max:   0.25 mm", "Y max:   3.00 mm"}}};
    for (const auto& [units, text] : expected) {
        cadPropPutInt(CAD_PROP_DOC_UNITS, -1, units);
        EXPECT_EQ(lines(), text) << "units " << units;
    }
}

} // namespace
