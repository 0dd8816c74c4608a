// Dimensions through DXF: a file ezdxf wrote, with its own rendering of every kind, reads with
// the right kinds, values and texts; ours written as DIMENSIONs with their blocks and styles pass
// ezdxf's audit and read back with their kinds, points, texts and style values.
#include "engine/edit/DrawingWriter.h"
#include "engine/io/Dxf.h"
#include "engine/model/DimensionEntity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

using namespace cad;

namespace {

std::vector<int> dimensionsOf(const Drawing& d) {
    std::vector<int> out;
    for (std::size_t h = 0; h < d.entities.size(); ++h)
        if (d.inModelSpace(static_cast<int>(h)) && d.entities[h].type == EntityType::Dimension)
            out.push_back(static_cast<int>(h));
    return out;
}

QByteArray runPython(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KWL_SYSTEM_PYTHON), args);
    EXPECT_TRUE(p.waitForFinished(600000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

TEST(DimensionDxfTest, EveryKindEzdxfWroteReadsWithItsValueAndText) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dimensions.dxf"));
    runPython({QStringLiteral(KWL_TEST_DATA "/make_dimensions_dxf.py"), file});
    QFile json(dir.filePath(QStringLiteral("dimensions.json")));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonArray expected = QJsonDocument::fromJson(json.readAll()).array();
    ASSERT_GT(expected.size(), 0);

    const DxfReadResult r = loadDxf(file.toStdString());
    const Drawing& d = *r.drawing;
    const std::vector<int> dims = dimensionsOf(d);
    ASSERT_EQ(dims.size(), std::size_t(expected.size()));
    const std::map<QString, DimensionKind> kinds{
        {"horizontal", DimensionKind::Horizontal}, {"vertical", DimensionKind::Vertical},
        {"parallel", DimensionKind::Parallel},     {"angular", DimensionKind::Angular},
        {"radial", DimensionKind::Radial},         {"diametric", DimensionKind::Diametric},
        {"ordinate_x", DimensionKind::OrdinateX},  {"ordinate_y", DimensionKind::OrdinateY}};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QJsonObject x = expected[i].toObject();
        const Entity& e = d.entities[std::size_t(dims[std::size_t(i)])];
        const DimensionData data = d.dimensionOf(e);
        const QString kind = x["kind"].toString();
        SCOPED_TRACE(kind.toStdString() + " " + std::to_string(i));
        if (kind == "parallel" && data.kind != DimensionKind::Parallel) {
            // Written as a rotated dimension along an axis its points lie on: the same length.
            EXPECT_NEAR(measuredValue(data),
                        std::hypot(data.points[1].x - data.points[0].x,
                                   data.points[1].y - data.points[0].y),
                        1e-9);
        } else {
            EXPECT_EQ(data.kind, kinds.at(kind));
        }
        const double value = x["value"].toDouble();
        EXPECT_NEAR(measuredValue(data), value, 1e-6);
        // A style override of its own places its text below the line.
        EXPECT_EQ(data.placement,
                  x.contains("placement") ? PlacementOverride::Below : PlacementOverride::Style);
        if (x.contains("rotation")) {
            EXPECT_NEAR(data.rotation, x["rotation"].toDouble(), 1e-9);
        }
        EXPECT_EQ(d.layers[e.layer].name, "WYMIARY");
        EXPECT_EQ(d.dimensionStyles[std::size_t(data.style)].name, "KWL");
        // Shown as the style says: two decimals after a comma; never 0.000.
        const std::string shown = dimensionTextOf(d, e);
        const std::string text = x["text"].toString().toStdString();
        const bool angle = data.kind == DimensionKind::Angular;
        const std::string number =
            angle ? std::to_string(int(std::lround(value))) : dimensionNumber(value, 2, false, ',');
        if (text == " ")
            EXPECT_EQ(shown, "");
        else if (text == "<>")
            EXPECT_NE(shown.find(number), std::string::npos) << shown;
        else
            EXPECT_EQ(shown, "L=" + number + " m");
    }
    EXPECT_EQ(d.dimensionStyles[std::size_t(d.dimensionOf(d.entities[std::size_t(dims[0])]).style)]
                  .decimalSeparator,
              ',');
}

// Every kind with its own text, style and text position.
std::unique_ptr<Drawing> drawingWithDimensions() {
    auto drawing = std::make_unique<Drawing>();
    Drawing& d = *drawing;
    d.dimensionStyles[0].decimals = 3;
    DimensionStyle plan;
    plan.name = "Plan";
    plan.arrowLength = 3;
    plan.textHeight = 3.5;
    plan.placement = TextPlacement::Centred;
    plan.decimals = 1;
    plan.decimalSeparator = '.';
    plan.scaleValue = 1000;
    plan.contents = "<> m";
    plan.centreMark = CentreMark::Line;
    plan.centreMarkSize = 3;
    plan.arrowhead = Arrowhead::Oblique;
    plan.arrowHeight = 1.2;
    plan.showLineInside = false;
    plan.perpendicularToArc = true;
    plan.ownColors = true;
    plan.dimensionLineColor = 0x123456;
    plan.extensionLineColor = 0x0000FF;
    plan.textColor = 0xABCDEF;
    d.textStyles.push_back(TextStyle{"Opis", "Arial", 0.8, 0, 5, true, true});
    plan.textStyle = 1;
    d.dimensionStyles.push_back(plan);
    d.addLine({{0, 0}, {40, 30}});
    const auto add = [&d](DimensionKind kind, std::array<Vec2, kMostDimensionPoints> points,
                          int style = 0, std::string text = {}) {
        DimensionData data;
        data.kind = kind;
        data.points = points;
        data.style = style;
        data.text = std::move(text);
        return d.addDimension(data);
    };
    // Placed by themselves: below, above over a style that centres, centred.
    const auto placed = [&d](int h, PlacementOverride p) {
        d.dimensions[d.entities[std::size_t(h)].first].placement = p;
    };
    placed(add(DimensionKind::Horizontal, {Vec2{0, 0}, {40, 30}, {20, -10}}),
           PlacementOverride::Below);
    placed(add(DimensionKind::Vertical, {Vec2{0, 0}, {40, 30}, {60, 10}}, 1),
           PlacementOverride::Above);
    placed(add(DimensionKind::Parallel, {Vec2{0, 0}, {40, 30}, {10, 30}}, 0, "L=<> m"),
           PlacementOverride::Centred);
    add(DimensionKind::Angular, {Vec2{0, 0}, {50, 0}, {0, 0}, {0, 50}, {20, 20}});
    DimensionData vertex = angularAtVertex({100, 0}, {140, 0}, {120, 30}, {130, 10});
    vertex.textPosition = Vec2{150, 20};
    d.addDimension(vertex);
    add(DimensionKind::Radial, {Vec2{200, 0}, {212.5, 0}});
    add(DimensionKind::Diametric, {Vec2{200, 0}, {200, 12.5}}, 1);
    add(DimensionKind::OrdinateX, {Vec2{123.4, 56.78}, {123.4, 80}});
    add(DimensionKind::OrdinateY, {Vec2{123.4, 56.78}, {150, 56.78}}, 0, " ");
    return drawing;
}

TEST(DimensionDxfTest, OursGoThroughDxfAndBackAndPassTheAudit) {
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("wymiary.dxf")).toStdString();
    const auto drawing = drawingWithDimensions();
    const Drawing& d = *drawing;
    saveDxf(d, file);

    // ezdxf: no audit errors, every DIMENSION with its block and style.
    const QByteArray report = runPython(
        {QStringLiteral("-c"),
         QStringLiteral("import sys, json, ezdxf\n"
                        "doc = ezdxf.readfile(sys.argv[1])\n"
                        "a = doc.audit()\n"
                        "dims = doc.modelspace().query('DIMENSION')\n"
                        "print(json.dumps({'errors': len(a.errors), 'count': len(dims),\n"
                        "  'blocks': sum(1 for x in dims if x.dxf.geometry in doc.blocks),\n"
                        "  'styles': sorted(s.dxf.name for s in doc.dimstyles),\n"
                        "  'values': [x.dxf.get('actual_measurement', 0) for x in dims],\n"
                        "  'dimtad': [x.override().dimstyle_attribs.get('dimtad', -1)\n"
                        "             for x in dims]}))\n"),
         QString::fromStdString(file)});
    const QJsonObject audit = QJsonDocument::fromJson(report).object();
    EXPECT_EQ(audit["errors"].toInt(), 0) << report.toStdString();
    EXPECT_EQ(audit["count"].toInt(), 9);
    EXPECT_EQ(audit["blocks"].toInt(), 9) << "each drawn by its block";
    EXPECT_EQ(audit["styles"].toArray(), (QJsonArray{"Plan", "Standard"}));
    for (const QJsonValue v : audit["values"].toArray())
        EXPECT_GT(v.toDouble(), 0);
    // Their own placements as style overrides (DIMTAD below, above, centred); none for the rest.
    EXPECT_EQ(audit["dimtad"].toArray(), (QJsonArray{4, 1, 0, -1, -1, -1, -1, -1, -1}));

    const DxfReadResult r = loadDxf(file);
    const Drawing& back = *r.drawing;
    const std::vector<int> before = dimensionsOf(d), after = dimensionsOf(back);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(back.blocks.empty()) << "the dimensions' own blocks are not blocks of ours";
    for (std::size_t i = 0; i < before.size(); ++i) {
        const DimensionData x = d.dimensionOf(d.entities[std::size_t(before[i])]);
        const DimensionData y = back.dimensionOf(back.entities[std::size_t(after[i])]);
        SCOPED_TRACE(i);
        EXPECT_EQ(y.kind, x.kind);
        for (int p = 0; p < definitionPointCount(x.kind); ++p) {
            EXPECT_NEAR(y.points[std::size_t(p)].x, x.points[std::size_t(p)].x, 1e-9);
            EXPECT_NEAR(y.points[std::size_t(p)].y, x.points[std::size_t(p)].y, 1e-9);
        }
        EXPECT_EQ(y.text, x.text);
        EXPECT_EQ(y.textPosition.has_value(), x.textPosition.has_value());
        EXPECT_EQ(y.placement, x.placement);
        const DimensionGeometry gx = dimensionGeometryOf(d, x), gy = dimensionGeometryOf(back, y);
        ASSERT_EQ(gy.text.has_value(), gx.text.has_value());
        if (gx.text) {
            EXPECT_NEAR(gy.text->position.x, gx.text->position.x, 1e-9) << "placed alike";
            EXPECT_NEAR(gy.text->position.y, gx.text->position.y, 1e-9);
        }
        EXPECT_EQ(back.dimensionStyles[std::size_t(y.style)].name,
                  d.dimensionStyles[std::size_t(x.style)].name);
        EXPECT_EQ(dimensionTextOf(back, back.entities[std::size_t(after[i])]),
                  dimensionTextOf(d, d.entities[std::size_t(before[i])]));
    }
    const auto plan = std::find_if(back.dimensionStyles.begin(), back.dimensionStyles.end(),
                                   [](const DimensionStyle& s) { return s.name == "Plan"; });
    ASSERT_NE(plan, back.dimensionStyles.end());
    EXPECT_DOUBLE_EQ(plan->arrowLength, 3);
    EXPECT_DOUBLE_EQ(plan->textHeight, 3.5);
    EXPECT_EQ(plan->placement, TextPlacement::Centred);
    EXPECT_EQ(plan->decimals, 1);
    EXPECT_EQ(plan->decimalSeparator, '.');
    EXPECT_DOUBLE_EQ(plan->scaleValue, 1000);
    EXPECT_EQ(*plan, d.dimensionStyles[1]) << "every value of the style";
}

// A dimension inside a block goes as a DIMENSION of the block, drawn by an anonymous block of
// its own, and comes back as the block's dimension; draw order does not turn dimensions into
// plain geometry.
TEST(DimensionDxfTest, DimensionsInBlocksStayDimensions) {
    Drawing d;
    d.addLine({{0, 0}, {30, 0}});
    DimensionData data;
    data.kind = DimensionKind::Horizontal;
    data.points = {Vec2{0, 0}, Vec2{30, 0}, Vec2{15, 8}};
    data.placement = PlacementOverride::Centred;
    d.addDimension(data);
    const int block = d.makeBlock("PRZEKROJ", {0, 0}, 0);
    ASSERT_GE(block, 0);
    d.addInsert({block, {100, 100}, 1, 1, 0});
    d.addInsert({block, {200, 100}, 1, 1, 0});
    // Two of the model space, the later one drawn below everything.
    d.addDimension(data);
    const int below = d.addDimension(data);
    ScratchWriter(d).setOrderKey(std::uint32_t(below), -1000);
    ASSERT_FALSE(d.drawOrder().plain());
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("blok.dxf")).toStdString();
    saveDxf(d, file);

    const QByteArray report = runPython(
        {QStringLiteral("-c"),
         QStringLiteral("import sys, json, ezdxf\n"
                        "doc = ezdxf.readfile(sys.argv[1])\n"
                        "a = doc.audit()\n"
                        "b = doc.blocks.get('PRZEKROJ')\n"
                        "dims = b.query('DIMENSION')\n"
                        "print(json.dumps({'errors': len(a.errors), 'count': len(dims),\n"
                        "  'lines': len(b.query('LINE')),\n"
                        "  'drawn': sum(1 for x in dims if x.dxf.geometry in doc.blocks),\n"
                        "  'values': [x.dxf.get('actual_measurement', 0) for x in dims],\n"
                        "  'model': len(doc.modelspace().query('DIMENSION')),\n"
                        "  'modelLines': len(doc.modelspace().query('LINE'))}))\n"),
         QString::fromStdString(file)});
    const QJsonObject audit = QJsonDocument::fromJson(report).object();
    EXPECT_EQ(audit["errors"].toInt(), 0) << report.toStdString();
    EXPECT_EQ(audit["model"].toInt(), 2);
    EXPECT_EQ(audit["modelLines"].toInt(), 0);
    EXPECT_EQ(audit["count"].toInt(), 1);
    EXPECT_EQ(audit["lines"].toInt(), 1) << "the block's own line, not the dimension's";
    EXPECT_EQ(audit["drawn"].toInt(), 1);
    EXPECT_EQ(audit["values"].toArray(), QJsonArray{30});

    const DxfReadResult r = loadDxf(file);
    const Drawing& back = *r.drawing;
    const int b = back.findBlock("PRZEKROJ");
    ASSERT_GE(b, 0);
    std::vector<DimensionData> inBlock;
    for (const std::uint32_t h : back.blocks[std::size_t(b)].entities)
        if (back.valid(int(h)) && back.entities[h].type == EntityType::Dimension)
            inBlock.push_back(back.dimensionOf(back.entities[h]));
    ASSERT_EQ(inBlock.size(), 1u);
    EXPECT_EQ(inBlock[0].kind, DimensionKind::Horizontal);
    EXPECT_EQ(inBlock[0].placement, PlacementOverride::Centred);
    EXPECT_DOUBLE_EQ(measuredValue(inBlock[0]), 30);
    EXPECT_EQ(back.blocks.size(), 1u) << "the dimensions' own blocks are not blocks of ours";
}

// A DIMENSION of a kind no program defines is shown as its block draws it, on its layer; a
// known one beside it is a dimension, and its block's drawing is not added to it.
TEST(DimensionDxfTest, AnUnknownKindFallsBackToWhatItsBlockDraws) {
    const char* const kFile = "0\nSECTION\n2\nBLOCKS\n"
                              "0\nBLOCK\n8\n0\n2\n*D1\n70\n1\n10\n0\n20\n0\n3\n*D1\n"
                              "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n"
                              "0\nLINE\n8\nOSIE\n10\n0\n20\n-1\n11\n0\n21\n1\n"
                              "0\nTEXT\n8\n0\n10\n5\n20\n1\n40\n2.5\n1\n10,00\n"
                              "0\nENDBLK\n8\n0\n"
                              "0\nBLOCK\n8\n0\n2\n*D2\n70\n1\n10\n0\n20\n0\n3\n*D2\n"
                              "0\nLINE\n8\n0\n10\n0\n20\n5\n11\n10\n21\n5\n"
                              "0\nENDBLK\n8\n0\n"
                              "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
                              "0\nDIMENSION\n8\nWYMIARY\n2\n*D1\n10\n5\n20\n1\n70\n39\n"
                              "13\n0\n23\n0\n14\n10\n24\n0\n"
                              "0\nDIMENSION\n8\nWYMIARY\n2\n*D2\n10\n0\n20\n5\n70\n33\n"
                              "13\n0\n23\n0\n14\n10\n24\n0\n"
                              "0\nENDSEC\n0\nEOF\n";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("obce.dxf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(kFile);
    out.close();

    const DxfReadResult r = loadDxf(file.toStdString());
    const Drawing& d = *r.drawing;
    std::map<EntityType, int> kinds;
    std::string text;
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        if (!d.inModelSpace(int(h)))
            continue;
        const Entity& e = d.entities[h];
        ++kinds[e.type];
        const std::string layer = d.layers[e.layer].name;
        if (e.type == EntityType::Dimension) {
            EXPECT_EQ(d.dimensionOf(e).kind, DimensionKind::Parallel);
            EXPECT_DOUBLE_EQ(measuredValue(d.dimensionOf(e)), 10);
        } else if (e.type == EntityType::Line) {
            const LineData& l = d.lines[e.first];
            EXPECT_NE(l.a.y, 5) << "the known dimension's block is not drawn besides it";
            EXPECT_EQ(layer, l.a.x == l.b.x ? "OSIE" : "WYMIARY") << "its own layer stays";
        } else if (e.type == EntityType::Text) {
            text = std::string(d.textOf(e));
            EXPECT_EQ(layer, "WYMIARY");
        }
    }
    EXPECT_EQ(kinds[EntityType::Dimension], 1);
    EXPECT_EQ(kinds[EntityType::Line], 2);
    EXPECT_EQ(kinds[EntityType::Text], 1);
    EXPECT_EQ(text, "10,00");
    EXPECT_TRUE(d.blocks.empty());
}

// A style with colours of its own: what draws the dimension in its block takes them, so other
// programs show it as it looks here.
TEST(DimensionDxfTest, TheBlockDrawsInTheStylesOwnColours) {
    Drawing d;
    DimensionStyle& s = d.dimensionStyles[0];
    s.ownColors = true;
    s.dimensionLineColor = 0x0000FF; // red
    s.extensionLineColor = 0x00FF00; // green
    s.textColor = 0xFF0000;          // blue
    DimensionData data;
    data.kind = DimensionKind::Horizontal;
    data.points = {Vec2{0, 0}, Vec2{30, 0}, Vec2{15, 8}};
    d.addDimension(data);
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("kolory.dxf")).toStdString();
    saveDxf(d, file);
    const QByteArray report = runPython(
        {QStringLiteral("-c"),
         QStringLiteral("import sys, json, ezdxf\n"
                        "doc = ezdxf.readfile(sys.argv[1])\n"
                        "dim = doc.modelspace().query('DIMENSION')[0]\n"
                        "out = {}\n"
                        "for x in doc.blocks.get(dim.dxf.geometry):\n"
                        "    kind = x.dxftype()\n"
                        "    if kind == 'LINE':\n"
                        "        kind += ' vertical' if x.dxf.start.x == x.dxf.end.x else ''\n"
                        "    out.setdefault(kind, set()).add('%06X' % x.dxf.get('true_color', 0))\n"
                        "print(json.dumps({k: sorted(v) for k, v in out.items()}))\n"),
         QString::fromStdString(file)});
    const QJsonObject colours = QJsonDocument::fromJson(report).object();
    EXPECT_EQ(colours["LINE vertical"].toArray(), QJsonArray{"00FF00"}) << report.toStdString();
    EXPECT_EQ(colours["LINE"].toArray(), QJsonArray{"FF0000"});
    EXPECT_EQ(colours["SOLID"].toArray(), QJsonArray{"FF0000"}) << "the arrowheads";
    EXPECT_EQ(colours["TEXT"].toArray(), QJsonArray{"0000FF"});

    // The style keeps them (as palette colours, these exactly).
    const auto loaded = loadDxf(file);
    const DimensionStyle& back = loaded.drawing->dimensionStyles[0];
    EXPECT_TRUE(back.ownColors);
    EXPECT_EQ(back.dimensionLineColor, s.dimensionLineColor);
    EXPECT_EQ(back.extensionLineColor, s.extensionLineColor);
    EXPECT_EQ(back.textColor, s.textColor);
}

// Overrides of a dimension's own (DSTYLE in its ACAD extended data) show it as the program that
// wrote it did: the placement its own, other variables in a style made for them, shared by the
// dimensions overriding alike, kept through our DXF.
TEST(DimensionDxfTest, ForeignStyleOverridesShowAsWritten) {
    const auto dimension = [](const char* overrides) {
        return std::string("0\nDIMENSION\n8\n0\n10\n0\n20\n5\n70\n33\n3\nStandard\n"
                           "13\n0\n23\n0\n14\n10\n24\n0\n") +
               overrides;
    };
    const char* const kOverrides = "1001\nACAD\n1000\nDSTYLE\n1002\n{\n"
                                   "1070\n144\n1040\n100.0\n1070\n271\n1070\n1\n"
                                   "1070\n77\n1070\n0\n1002\n}\n";
    const std::string text = "0\nSECTION\n2\nENTITIES\n" + dimension(kOverrides) +
                             dimension(kOverrides) + dimension("") + "0\nENDSEC\n0\nEOF\n";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("nadpisane.dxf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.data(), qint64(text.size()));
    out.close();

    const auto check = [](const Drawing& d) {
        const std::vector<int> dims = dimensionsOf(d);
        ASSERT_EQ(dims.size(), 3u);
        std::vector<std::string> shown, styles;
        for (const int h : dims) {
            const Entity& e = d.entities[std::size_t(h)];
            shown.push_back(dimensionTextOf(d, e));
            styles.push_back(d.dimensionStyles[std::size_t(d.dimensionOf(e).style)].name);
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"1000,0", "1000,0", "10,00"}));
        EXPECT_EQ(styles, (std::vector<std::string>{"Standard (2)", "Standard (2)", "Standard"}));
        EXPECT_EQ(d.dimensionOf(d.entities[std::size_t(dims[0])]).placement,
                  PlacementOverride::Centred);
        EXPECT_EQ(d.dimensionOf(d.entities[std::size_t(dims[2])]).placement,
                  PlacementOverride::Style);
    };
    const DxfReadResult r = loadDxf(file.toStdString());
    check(*r.drawing);
    const std::string again = dir.filePath(QStringLiteral("znowu.dxf")).toStdString();
    saveDxf(*r.drawing, again);
    check(*loadDxf(again).drawing);
}

// Arrowheads of other programs' styles: by the name of their block (a block record's handle,
// or the name itself in older files), ticks by their size.
TEST(DimensionDxfTest, ForeignArrowheadsAndTicksAreRead) {
    std::string text = "0\nSECTION\n2\nTABLES\n"
                       "0\nTABLE\n2\nBLOCK_RECORD\n0\nBLOCK_RECORD\n5\n1F\n2\n_Open30\n0\nENDTAB\n"
                       "0\nTABLE\n2\nDIMSTYLE\n"
                       "0\nDIMSTYLE\n105\n30\n2\nStrzalki\n70\n0\n342\n1F\n"
                       "0\nDIMSTYLE\n105\n31\n2\nKreski\n70\n0\n142\n2.0\n"
                       "0\nDIMSTYLE\n105\n32\n2\nKropki\n70\n0\n5\n_DOT\n"
                       "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    for (const char* style : {"Strzalki", "Kreski", "Kropki", "Standard"})
        text += std::string("0\nDIMENSION\n8\n0\n10\n0\n20\n5\n70\n33\n3\n") + style +
                "\n13\n0\n23\n0\n14\n10\n24\n0\n";
    text += "0\nENDSEC\n0\nEOF\n";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("groty.dxf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.data(), qint64(text.size()));
    out.close();

    const DxfReadResult r = loadDxf(file.toStdString());
    const Drawing& d = *r.drawing;
    std::map<std::string, DimensionStyle> styles;
    for (const int h : dimensionsOf(d)) {
        const DimensionStyle& s =
            d.dimensionStyles[std::size_t(d.dimensionOf(d.entities[std::size_t(h)]).style)];
        styles[s.name] = s;
    }
    ASSERT_EQ(styles.size(), 4u);
    EXPECT_EQ(styles["Strzalki"].arrowhead, Arrowhead::Open);
    EXPECT_EQ(styles["Kreski"].arrowhead, Arrowhead::Oblique);
    EXPECT_DOUBLE_EQ(styles["Kreski"].arrowLength, 2);
    EXPECT_EQ(styles["Kropki"].arrowhead, Arrowhead::Dot);
    EXPECT_EQ(styles["Standard"].arrowhead, Arrowhead::ClosedFilled);
}

// A frame 280 x 140 around what is dimensioned, so that a print fitted to the page shows the
// drawing as large with its dimensions as without them: a horizontal and a vertical one whose
// texts are 5 units high (a print scale of 1:2 on a drawing of millimetres).
std::unique_ptr<Drawing> framedDimensions(bool withDimensions) {
    auto drawing = std::make_unique<Drawing>();
    Drawing& d = *drawing;
    d.settings.units = 2;
    d.settings.printScale = 2;
    const Vec2 corners[] = {{-40, -60}, {240, -60}, {240, 80}, {-40, 80}};
    for (int i = 0; i < 4; ++i)
        d.addLine({corners[i], corners[(i + 1) % 4]});
    if (withDimensions) {
        DimensionData across;
        across.kind = DimensionKind::Horizontal;
        across.points = {Vec2{0, 0}, {120, 0}, {60, -30}};
        d.addDimension(across);
        DimensionData up;
        up.kind = DimensionKind::Vertical;
        up.points = {Vec2{160, -20}, {160, 50}, {200, 15}};
        d.addDimension(up);
    }
    return drawing;
}

// The page LibreCAD prints of a DXF file, the drawing fitted to it, as a picture at 72 dpi; a
// null picture when it printed nothing.
QImage printedByLibreCad(const QString& librecad, const QString& dxf) {
    // Written beside the DXF under its name.
    const QFileInfo file(dxf);
    const QString pdf = file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), file.absolutePath()); // its settings there
    p.setProcessEnvironment(env);
    p.start(librecad, {QStringLiteral("dxf2pdf"), QStringLiteral("-a"), dxf});
    EXPECT_TRUE(p.waitForFinished(120000));
    if (!QFileInfo::exists(pdf)) {
        ADD_FAILURE() << "LibreCAD printed no PDF: " << p.readAllStandardOutput().toStdString()
                      << p.readAllStandardError().toStdString();
        return {};
    }
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, pdf});
    EXPECT_TRUE(render.waitForFinished(60000));
    return QImage(pdf + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// How many pixels of a part of a picture are dark.
int inkIn(const QImage& image, QRect part) {
    part &= image.rect();
    int dark = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 160 ? 1 : 0;
    return dark;
}

// LibreCAD (installed by `make bench`; skipped without it) opens our DXF and prints it with the
// dimensions: ink stands where each dimension's text stands in our drawing, and the same drawing
// without dimensions leaves those places blank. (LibreCAD draws letters as strokes, so the PDF
// holds no text to read; the text is found by where its ink is.)
TEST(DimensionDxfTest, LibreCadOpensOurDxfAndPrintsTheDimensions) {
    const QString librecad = QStandardPaths::findExecutable(QStringLiteral("librecad"));
    if (librecad.isEmpty())
        GTEST_SKIP() << "LibreCAD is not installed (make bench installs it)";
    QTemporaryDir dir;
    const auto with = framedDimensions(true), without = framedDimensions(false);
    const QString withFile = dir.filePath(QStringLiteral("wymiary.dxf"));
    const QString withoutFile = dir.filePath(QStringLiteral("rama.dxf"));
    saveDxf(*with, withFile.toStdString());
    saveDxf(*without, withoutFile.toStdString());
    const QImage printed = printedByLibreCad(librecad, withFile);
    const QImage frame = printedByLibreCad(librecad, withoutFile);
    ASSERT_FALSE(printed.isNull()) << "LibreCAD printed no PDF";
    ASSERT_FALSE(frame.isNull());
    ASSERT_EQ(printed.size(), frame.size());

    // Where the frame is on the page gives the drawing's place and scale there.
    QRect box;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (qGray(frame.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    ASSERT_GT(box.width(), frame.width() / 2) << "the frame fills the page";
    const double perUnit = box.width() / 280.0;
    EXPECT_NEAR(box.height() / 140.0, perUnit, perUnit * 0.05) << "not stretched";
    const auto onPage = [&](Vec2 p) {
        return QPoint(int(std::lround(box.left() + (p.x + 40) * perUnit)),
                      int(std::lround(box.top() + (80 - p.y) * perUnit)));
    };
    EXPECT_GT(inkIn(printed, box.adjusted(2, 2, -2, -2)), 0);
    EXPECT_EQ(inkIn(frame, box.adjusted(2, 2, -2, -2)), 0);
    for (const int h : dimensionsOf(*with)) {
        const DimensionGeometry g = dimensionGeometryOf(*with, with->entities[std::size_t(h)]);
        ASSERT_TRUE(g.text);
        ASSERT_NEAR(g.text->height, 5, 1e-9);
        // Around the middle of the text, clear of the dimension line below it.
        const int half = int(0.4 * g.text->height * perUnit);
        const QRect text(onPage(g.text->position) - QPoint(half, half), QSize(2 * half, 2 * half));
        SCOPED_TRACE(dimensionTextOf(*with, with->entities[std::size_t(h)]));
        EXPECT_GT(inkIn(printed, text), half) << "LibreCAD drew the text where ours stands";
        EXPECT_EQ(inkIn(frame, text), 0);
    }
}

} // namespace
