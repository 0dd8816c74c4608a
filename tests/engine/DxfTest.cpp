// DXF in and out. Files we write are read back by ezdxf (Debian's python3 has it), files ezdxf
// writes are read by us, and broken files must give an error or a drawing, never a crash.
#include "engine/io/Dxf.h"
#include "engine/io/DxfCodepage.h"
#include "engine/io/FileError.h"
#include "engine/model/Drawing.h"
#include "engine/model/Measure.h"
#include "engine/model/Picking.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <map>
#include <random>
#include <sys/resource.h>

using namespace cad;

// Readable failures.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// ---- helpers ------------------------------------------------------------------------------

// Windows-1250 bytes of a UTF-8 literal, and back.
std::string cp1250(const char* utf8) {
    return dxf::encodeCp1250(QString::fromUtf8(utf8).toStdU32String());
}
QString fromCp1250(const std::string& bytes) {
    return QString::fromStdU32String(dxf::decodeCp1250(bytes));
}

class DxfTest : public ::testing::Test {
protected:
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

    // Runs a python script with the system python (the one with ezdxf); its standard output.
    QByteArray python(const char* script, const QStringList& args) {
        const QString file = dir.filePath("script.py");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(script);
        f.close();
        QProcess p;
        p.start(KWL_SYSTEM_PYTHON, QStringList{file} + args);
        EXPECT_TRUE(p.waitForFinished(600000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return p.readAllStandardOutput();
    }
    QJsonObject pythonJson(const char* script, const QStringList& args) {
        const QByteArray out = python(script, args);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
        return doc.object();
    }

    void writeFile(const std::string& p, const QByteArray& bytes) {
        QFile f(QString::fromStdString(p));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readFile(const std::string& p) {
        QFile f(QString::fromStdString(p));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QTemporaryDir dir;
};

// Model-space entities of a drawing, in order.
std::vector<int> modelSpace(const Drawing& d) {
    std::vector<int> out;
    EntityWalk walk;
    for (int h = walk.first(d); h >= 0; h = walk.next(d))
        out.push_back(h);
    return out;
}

std::map<EntityType, int> countByType(const Drawing& d) {
    std::map<EntityType, int> counts;
    for (const int h : modelSpace(d))
        ++counts[d.entities[std::size_t(h)].type];
    return counts;
}

const Entity& at(const Drawing& d, int h) {
    return d.entities[std::size_t(h)];
}

// The entities of a type in model space.
std::vector<int> ofType(const Drawing& d, EntityType type) {
    std::vector<int> out;
    for (const int h : modelSpace(d))
        if (at(d, h).type == type)
            out.push_back(h);
    return out;
}

std::vector<Vec2> verticesOf(const Drawing& d, int h) {
    const Entity& e = at(d, h);
    const Vec2* v = d.vertexData(e);
    return {v, v + e.count};
}

Vec2 ellipsePoint(const EllipseData& e, double degrees) {
    const double t = radians(degrees), r = radians(e.rotation);
    const double x = e.radiusX * std::cos(t), y = e.radiusY * std::sin(t);
    return {e.centre.x + x * std::cos(r) - y * std::sin(r),
            e.centre.y + x * std::sin(r) + y * std::cos(r)};
}

#define EXPECT_VEC(a, bx, by)                                                                      \
    do {                                                                                           \
        EXPECT_NEAR((a).x, (bx), 1e-9);                                                            \
        EXPECT_NEAR((a).y, (by), 1e-9);                                                            \
    } while (0)

// ---- a drawing with a bit of everything -----------------------------------------------------

struct Sample {
    Drawing d;
    int roads = 0, wall = 0, notes = 0; // layers
    int dashed = 0, dotted = 0;         // line styles
    int noteStyle = 0;                  // text style
    int block = 0;
};

void own(Drawing& d, std::uint32_t color, double width = -1) {
    Entity& e = d.entities.back();
    e.set(EntityFlag::ColorByLayer, false);
    if (width >= 0)
        e.set(EntityFlag::WidthByLayer, false);
    d.setOwnStyle(d.entities.size() - 1, {color, 0, width >= 0 ? width : 0});
}

Sample sampleDrawing() {
    Sample s;
    Drawing& d = s.d;
    d.settings.units = 4; // metres
    d.layers.push_back(Layer{cp1250("Drogi łąka"), 0x336699, 0x336699, 0.35, true, false, true});
    s.roads = int(d.layers.size() - 1);
    d.layers.push_back(Layer{cp1250("Ściana"), 0x0000FF, 0x0000FF, 0.5, false, true, false});
    s.wall = int(d.layers.size() - 1);
    d.layers.push_back(Layer{"Opis", 0x00FF00, 0x00FF00, 0.0, true, false, true});
    s.notes = int(d.layers.size() - 1);
    d.lineStyles.push_back(LineStyle{"Kreska", "6,-2,0,-2", parseLinePattern("6,-2,0,-2")});
    s.dashed = int(d.lineStyles.size() - 1);
    d.lineStyles.push_back(LineStyle{"Kropki", "0,-1", parseLinePattern("0,-1")});
    s.dotted = int(d.lineStyles.size() - 1);
    d.textStyles.push_back(TextStyle{"Opis", "Arial", 0.8, 15, 5, true, true});
    s.noteStyle = int(d.textStyles.size() - 1);

    // A block "Znak": a line and a circle on layer 0.
    const std::size_t first = d.entities.size();
    d.current.layer = 0;
    d.addLine({{-1, 0}, {1, 0}});
    d.addCircle({{0, 0}, 1});
    s.block = d.makeBlock(cp1250("Znak Ł"), {0.5, 0.25}, first);

    d.current.layer = s.roads;
    d.current.lineStyle = s.dashed;
    d.addPoint({{7, 7}});
    d.addLine({{1, 2}, {3, 4}});
    own(d, 0x0000FF, 0.25);
    const Vec2 open[] = {{0, 0}, {10, 0}, {10, 5}};
    d.addPolyline(open, 3, false);
    d.current.lineStyle = s.dotted;
    const Vec2 closed[] = {{20, 0}, {30, 0}, {25, 8}};
    d.addPolyline(closed, 3, true);
    d.entities.back().set(EntityFlag::Filled, true);
    own(d, 0x123456);
    d.current.lineStyle = 0;
    d.addCircle({{5, 5}, 2});
    d.entities.back().set(EntityFlag::Filled, true);
    d.addArc({{5, 5}, 3, 10, 100});
    d.addEllipse({{40, 0}, 2, 4, 30, 10, 200}); // taller than wide: DXF turns it
    d.addRectangle({{60, 20}, 4, 2, 15});
    d.current.layer = s.notes;
    d.addText(TextSpec{{1, 1}, 2.5, 10, 15, 4, s.noteStyle, cp1250("Zażółć gęślą jaźń")});
    d.addText(TextSpec{{3, -4}, 1.5, 0, 0, 0, 0, "plain"});
    const Vec2 area[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {2, 1}, {2, 2}};
    HatchSpec hd;
    hd.solid = false;
    hd.pattern = "ANSI31";
    hd.scale = 2;
    hd.angle = 30;
    hd.loops = {4, 3};
    d.addHatch(area, 7, hd);
    d.current.layer = 0;
    d.addInsert({s.block, {50, 50}, 2, 3, 30});
    // File paths are the file system's bytes, here UTF-8.
    d.addImage({QString::fromUtf8("/nowhere/zdjęcie Ж.png").toStdString(), {100, 100}, 20, 10});
    d.current.layer = 0;
    d.current.lineStyle = 0;
    return s;
}

// What ezdxf reads from a file: audit, tables and every entity.
const char* kDescribe = R"PY(
import sys, json, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
def v2(v):
    return [float(v[0]), float(v[1])]
def describe(e):
    d = {"type": e.dxftype(), "layer": e.dxf.layer, "rgb": list(e.rgb) if e.rgb else None,
         "aci": e.dxf.color, "lineweight": e.dxf.lineweight, "linetype": e.dxf.linetype}
    t = e.dxftype()
    if t == "POINT":
        d["at"] = v2(e.dxf.location)
    elif t == "LINE":
        d["start"] = v2(e.dxf.start); d["end"] = v2(e.dxf.end)
    elif t == "LWPOLYLINE":
        d["points"] = [v2(p) for p in e.get_points("xy")]; d["closed"] = e.closed
    elif t in ("CIRCLE", "ARC"):
        d["center"] = v2(e.dxf.center); d["radius"] = e.dxf.radius
        if t == "ARC":
            d["start"] = e.dxf.start_angle; d["end"] = e.dxf.end_angle
    elif t == "ELLIPSE":
        d["center"] = v2(e.dxf.center); d["major"] = v2(e.dxf.major_axis)
        d["ratio"] = e.dxf.ratio; d["start"] = e.dxf.start_param; d["end"] = e.dxf.end_param
    elif t == "TEXT":
        d["text"] = e.dxf.text; d["insert"] = v2(e.dxf.insert); d["height"] = e.dxf.height
        d["rotation"] = e.dxf.rotation; d["oblique"] = e.dxf.oblique; d["style"] = e.dxf.style
        d["halign"] = e.dxf.halign; d["valign"] = e.dxf.valign; d["width"] = e.dxf.width
        if e.dxf.hasattr("align_point"):
            d["align_point"] = v2(e.dxf.align_point)
    elif t == "INSERT":
        d["name"] = e.dxf.name; d["insert"] = v2(e.dxf.insert); d["rotation"] = e.dxf.rotation
        d["scale"] = [e.dxf.xscale, e.dxf.yscale]
    elif t == "HATCH":
        d["pattern"] = e.dxf.pattern_name; d["solid"] = e.dxf.solid_fill
        d["paths"] = [[v2(v) for v in p.vertices] for p in e.paths]
        d["bulges"] = [[float(v[2]) for v in p.vertices] for p in e.paths]
    elif t == "IMAGE":
        d["insert"] = v2(e.dxf.insert); d["u"] = v2(e.dxf.u_pixel); d["v"] = v2(e.dxf.v_pixel)
        d["size"] = v2(e.dxf.image_size); d["file"] = e.image_def.dxf.filename
    return d
out = {"errors": [str(x.message) for x in auditor.errors],
       "fixes": [str(x.message) for x in auditor.fixes],
       "version": doc.dxfversion, "codepage": doc.header.get("$DWGCODEPAGE", ""),
       "insunits": doc.header.get("$INSUNITS", 0),
       "extmin": v2(doc.header["$EXTMIN"]), "extmax": v2(doc.header["$EXTMAX"]),
       "layers": {}, "linetypes": {}, "styles": {}, "blocks": {}, "entities": []}
for l in doc.layers:
    out["layers"][l.dxf.name] = {"rgb": list(l.rgb) if l.rgb else None, "aci": l.dxf.color,
        "lineweight": l.dxf.lineweight, "on": l.is_on(), "locked": l.is_locked(),
        "plot": l.dxf.plot}
for lt in doc.linetypes:
    out["linetypes"][lt.dxf.name] = [t.value for t in lt.pattern_tags.tags if t.code == 49]
for st in doc.styles:
    out["styles"][st.dxf.name] = {"width": st.dxf.width, "oblique": st.dxf.oblique}
for b in doc.blocks:
    if not b.is_any_layout:
        out["blocks"][b.name] = {"base": v2(b.block.dxf.base_point),
                                 "entities": [describe(e) for e in b]}
out["entities"] = [describe(e) for e in doc.modelspace()]
print(json.dumps(out))
)PY";

// Writes test drawings with ezdxf: R12, R2000 (in Windows-1250) or R2018 (UTF-8).
const char* kGenerate = R"PY(
import sys, math, ezdxf
from ezdxf.enums import TextEntityAlignment
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
r12 = version == "R12"
if version == "R2000":
    doc.header["$DWGCODEPAGE"] = "ANSI_1250"
doc.header["$INSUNITS"] = 6
roads = doc.layers.add("Drogi łąka", color=3)
if not r12:
    roads.rgb = (10, 20, 30)
    roads.dxf.lineweight = 35
hidden = doc.layers.add("Ukryta", color=5)
hidden.off()
hidden.lock()
doc.layers.add("Zamrożona").freeze()
doc.linetypes.add("KRESKA", pattern=[10.0, 6.0, -2.0, 0.0, -2.0], description="dash dot")
doc.styles.add("Opis", font="arial.ttf")
klocek = doc.blocks.new("KLOCEK", base_point=(1, 1))
klocek.add_line((0, 0), (2, 0))
klocek.add_circle((1, 1), 0.5, dxfattribs={"layer": "Ukryta"})
outer = doc.blocks.new("ZEWN")
outer.add_blockref("KLOCEK", (5, 0))
outer.add_point((0, 0))
msp = doc.modelspace()
a = {"layer": "Drogi łąka"}
msp.add_line((0, 0), (10, 5), dxfattribs={**a, "color": 1, "linetype": "KRESKA"})
msp.add_polyline2d([(0, 0), (1, 1), (2, 0)], dxfattribs=a)
msp.add_circle((1, 2), 3, dxfattribs={"color": 256})
msp.add_arc((0, 0), 5, 30, 120)
msp.add_point((3, 4))
t = msp.add_text("Zażółć gęślą jaźń", dxfattribs={"height": 2.5, "rotation": 30, "style": "Opis"})
t.set_placement((10, 20), align=TextEntityAlignment.MIDDLE_CENTER)
msp.add_text("ł\\U+0105%%d Ж", dxfattribs={"height": 1}).set_placement((0, -10))
ref = msp.add_blockref("KLOCEK", (100, 100), dxfattribs={"xscale": 2, "yscale": 2, "rotation": 90})
ref.add_attrib("NR", "Słup 12", (101, 99), dxfattribs={"height": 0.5})
msp.add_blockref("ZEWN", (200, 0))
msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 1)])
if not r12:
    msp.add_lwpolyline([(0, 0), (5, 0), (5, 5)], close=True,
                       dxfattribs={"true_color": 0x102030, "lineweight": 50})
    msp.add_lwpolyline([(0, 0, 0, 0, 1), (2, 0)], dxfattribs={"layer": "Ukryta"})
    msp.add_ellipse((0, 0), major_axis=(0, 4), ratio=0.5, start_param=0, end_param=math.pi)
    msp.add_mtext("{\\fArial|b1;Pierwsza}\\PDruga \\U+0141ódź",
                  dxfattribs={"char_height": 2, "insert": (50, 50), "attachment_point": 1})
    h = msp.add_hatch(color=2)
    h.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
    h.paths.add_polyline_path([(2, 2), (4, 2), (4, 4)], is_closed=True)
    h2 = msp.add_hatch()
    h2.set_pattern_fill("ANSI31", scale=2)
    ep = h2.paths.add_edge_path()
    ep.add_line((0, 0), (10, 0))
    ep.add_arc((10, 5), 5, -90, 90)
    ep.add_line((10, 10), (0, 10))
    ep.add_line((0, 10), (0, 0))
    msp.add_open_spline([(0, 0), (10, 10), (20, 0), (30, 10)])
    msp.add_spline([(0, 0), (5, 5), (10, 0)])
    image_def = doc.add_image_def(filename="obraz.png", size_in_pixel=(640, 480))
    msp.add_image(image_def, insert=(0, 0), size_in_units=(6.4, 4.8))
    msp.add_linear_dim(base=(0, 5), p1=(0, 0), p2=(10, 0)).render()
doc.saveas(path)
)PY";

QJsonObject layerJson(const QJsonObject& file, const char* utf8Name) {
    return file["layers"].toObject()[QString::fromUtf8(utf8Name)].toObject();
}

QJsonArray vec(double x, double y) {
    return QJsonArray{x, y};
}

void expectVec(const QJsonValue& v, double x, double y) {
    const QJsonArray a = v.toArray();
    ASSERT_EQ(a.size(), 2);
    EXPECT_NEAR(a[0].toDouble(), x, 1e-9);
    EXPECT_NEAR(a[1].toDouble(), y, 1e-9);
}

// A DXF file from code / value pairs.
QByteArray groups(std::initializer_list<std::pair<int, const char*>> pairs) {
    QByteArray out;
    for (const auto& [code, value] : pairs)
        out += QByteArray::number(code) + "\n" + value + "\n";
    return out;
}

// ---- text and code pages ------------------------------------------------------------------

TEST(DxfText, CodePagesDecodeToUnicodeAndEncodeToWindows1250) {
    EXPECT_EQ(dxf::decodeCp1250("\xA5\xB9\xA3\xB3\x8C\x9C"), U"ĄąŁłŚś");
    EXPECT_EQ(dxf::decodeCp1252("\xE9\xD6\x80"), U"éÖ€");
    EXPECT_EQ(dxf::decodeUtf8("\xC5\x82\xC3\xB3"
                              "d\xC5\xBA"),
              U"łódź");
    // Broken UTF-8 gives replacement characters, never runs over the end.
    EXPECT_EQ(dxf::decodeUtf8("a\xC5"), U"a\uFFFD");
    EXPECT_EQ(dxf::decodeUtf8("\xE0\x80\x80"), U"\uFFFD\uFFFD\uFFFD"); // overlong
    EXPECT_EQ(dxf::encodeCp1250(U"Zażółć €"), "Za\xBF\xF3\xB3\xE6 \x80");
    // Letters the code page lacks lose their accent; other characters become '?'.
    EXPECT_EQ(dxf::encodeCp1250(U"àñ Ж ⌀"), "an ? ?");
    EXPECT_EQ(dxf::encodeCp1250Escaped(U"ł/Ж"), "\xB3/\\U+0416");
    // Every byte survives decoding and encoding, including those Windows-1250 leaves undefined.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(char(b));
    EXPECT_EQ(dxf::encodeCp1250(dxf::decodeCp1250(all)), all);
    EXPECT_TRUE(dxf::looksUtf8("\xC5\x82"));
    EXPECT_FALSE(dxf::looksUtf8("ascii"));
    EXPECT_FALSE(dxf::looksUtf8("\xB3\xB9"));
}

TEST(DxfText, FilesPickTheirCharacterSet) {
    using Charset = dxf::TextDecoder::Charset;
    EXPECT_EQ(dxf::TextDecoder::forFile("AC1032", "ANSI_1250", false).charset(), Charset::Utf8);
    EXPECT_EQ(dxf::TextDecoder::forFile("AC1015", "ANSI_1250", false).charset(), Charset::Cp1250);
    EXPECT_EQ(dxf::TextDecoder::forFile("AC1009", "ansi_1252", false).charset(), Charset::Cp1252);
    EXPECT_EQ(dxf::TextDecoder::forFile("AC1015", "", true).charset(), Charset::Utf8);
    EXPECT_EQ(dxf::TextDecoder::forFile("", "", false).charset(), Charset::Cp1252);
    const auto cyrillic = dxf::TextDecoder::forFile("AC1015", "ANSI_1251", false);
    EXPECT_EQ(cyrillic.charset(), Charset::Other);
    EXPECT_EQ(cyrillic.decode("\xC6\xF3\xEA"), U"Жук");
    EXPECT_EQ(dxf::TextDecoder::forFile("AC1015", "NO_SUCH_PAGE", false).charset(),
              Charset::Cp1252);
}

TEST(DxfText, EscapesAndPercentCodes) {
    EXPECT_EQ(dxf::decodeEscapes(U"\\U+0141\\U+00f3d\\U+017A", false), U"Łódź");
    EXPECT_EQ(dxf::decodeEscapes(U"%%d %%p %%c %%% 100%", true), U"° ± ⌀ % 100%");
    EXPECT_EQ(dxf::decodeEscapes(U"%%uunder%%u %%065", true), U"under A");
    EXPECT_EQ(dxf::decodeEscapes(U"%%d", false), U"%%d");
    // Escapes cut short stay as they are; \M+ characters of Asian code pages are unknown.
    EXPECT_EQ(dxf::decodeEscapes(U"\\U+01", false), U"\\U+01");
    EXPECT_EQ(dxf::decodeEscapes(U"a\\M+18140b", false), U"a\uFFFDb");
    EXPECT_EQ(dxf::decodeEscapes(U"\\U+D800", false), U"\uFFFD");
}

TEST(DxfText, MtextFormattingIsRemovedAndParagraphsSplit) {
    using P = std::vector<std::u32string>;
    EXPECT_EQ(dxf::mtextParagraphs(U"{\\fArial|b1|i0;Bold} text\\Psecond\\~line"),
              (P{U"Bold text", U"second line"}));
    EXPECT_EQ(dxf::mtextParagraphs(U"\\H2.5x;\\C1;red\\\\slash \\{x\\}"), (P{U"red\\slash {x}"}));
    EXPECT_EQ(dxf::mtextParagraphs(U"1\\S1/2;\" \\Lunder\\l \\U+0141"), (P{U"11/2\" under Ł"}));
    EXPECT_EQ(dxf::mtextParagraphs(U"a^Ib\\P\\P"), (P{U"a b"}));
    EXPECT_EQ(dxf::mtextParagraphs(U"\\"), (P{U"\\"}));
    EXPECT_EQ(dxf::mtextParagraphs(U"\\fArial"), (P{U"Arial"})); // no ';': the code goes
}

TEST(DxfText, NameKeysIgnoreLetterCaseOfPolishLetters) {
    EXPECT_EQ(dxf::nameKey(cp1250("Drogi łąka")), dxf::nameKey(cp1250("DROGI ŁĄKA")));
    EXPECT_EQ(dxf::nameKey(cp1250("źdźbło")), dxf::nameKey(cp1250("ŹDŹBŁO")));
    EXPECT_NE(dxf::nameKey("a"), dxf::nameKey("b"));
}

// ---- recognising DXF ----------------------------------------------------------------------

TEST(DxfLooks, RecognisesDxfStartsAndRejectsOthers) {
    EXPECT_TRUE(looksDxf("  0\nSECTION\n  2\nHEADER\n"));
    EXPECT_TRUE(looksDxf("0\r\nSECTION\r\n"));
    EXPECT_TRUE(looksDxf("\xEF\xBB\xBF\n\n  0\nSECTION  \n"));
    EXPECT_TRUE(looksDxf("999\ndxflib 3.26\n  0\nSECTION\n"));
    EXPECT_FALSE(looksDxf(""));
    EXPECT_FALSE(looksDxf("0\nSECTIONS\n"));
    EXPECT_FALSE(looksDxf("0\nLINE\n"));
    EXPECT_FALSE(looksDxf("10\nSECTION\n"));
    EXPECT_FALSE(looksDxf("0\nSEC")); // cut short
    EXPECT_FALSE(looksDxf("Hello, world\n"));
    EXPECT_FALSE(looksDxf("AutoCAD Binary DXF\r\n\x1a"));
    EXPECT_FALSE(looksDxf(std::string_view("KWL\0\x01\x02", 6)));
}

// ---- writing ------------------------------------------------------------------------------

TEST_F(DxfTest, EzdxfReadsEverythingWeWriteWithoutAuditErrors) {
    const Sample s = sampleDrawing();
    saveDxf(s.d, path("out.dxf"));
    const QJsonObject f = pythonJson(kDescribe, {QString::fromStdString(path("out.dxf"))});

    EXPECT_EQ(f["errors"].toArray().size(), 0)
        << QJsonDocument(f["errors"].toArray()).toJson().toStdString();
    EXPECT_EQ(f["fixes"].toArray().size(), 0)
        << QJsonDocument(f["fixes"].toArray()).toJson().toStdString();
    EXPECT_EQ(f["version"].toString(), "AC1015");
    EXPECT_EQ(f["codepage"].toString(), "ANSI_1250");
    EXPECT_EQ(f["insunits"].toInt(), 6);
    expectVec(f["extmin"], s.d.extents().left, s.d.extents().bottom);
    expectVec(f["extmax"], s.d.extents().right, s.d.extents().top);

    // Layers: names in Windows-1250, true colours with the nearest palette colour, widths as
    // the nearest lineweight, hidden as off, locked, not printed.
    const QJsonObject roads = layerJson(f, "Drogi łąka");
    EXPECT_EQ(roads["rgb"].toArray(), (QJsonArray{0x99, 0x66, 0x33}));
    EXPECT_EQ(roads["lineweight"].toInt(), 35);
    EXPECT_TRUE(roads["on"].toBool());
    EXPECT_FALSE(roads["locked"].toBool());
    EXPECT_EQ(roads["plot"].toInt(), 1);
    const QJsonObject wall = layerJson(f, "Ściana");
    EXPECT_EQ(wall["rgb"].toArray(), (QJsonArray{255, 0, 0}));
    EXPECT_EQ(wall["aci"].toInt(), -1); // red, off
    EXPECT_EQ(wall["lineweight"].toInt(), 50);
    EXPECT_FALSE(wall["on"].toBool());
    EXPECT_TRUE(wall["locked"].toBool());
    EXPECT_EQ(wall["plot"].toInt(), 0);
    EXPECT_EQ(layerJson(f, "Opis")["aci"].toInt(), 3);
    EXPECT_EQ(layerJson(f, "0")["rgb"].toArray(), (QJsonArray{0, 0, 0}));

    EXPECT_EQ(f["linetypes"].toObject()["Kreska"].toArray(), (QJsonArray{6.0, -2.0, 0.0, -2.0}));
    EXPECT_EQ(f["linetypes"].toObject()["Kropki"].toArray(), (QJsonArray{0.0, -1.0}));
    EXPECT_NEAR(f["styles"].toObject()["Opis"].toObject()["width"].toDouble(), 0.8, 1e-12);
    EXPECT_NEAR(f["styles"].toObject()["Opis"].toObject()["oblique"].toDouble(), 15, 1e-12);

    // Every entity: filled shapes come with a solid hatch before them.
    std::map<QString, int> counts;
    std::map<QString, std::vector<QJsonObject>> byType;
    for (const QJsonValue v : f["entities"].toArray()) {
        const QJsonObject e = v.toObject();
        ++counts[e["type"].toString()];
        byType[e["type"].toString()].push_back(e);
    }
    EXPECT_EQ(counts, (std::map<QString, int>{{"POINT", 1},
                                              {"LINE", 1},
                                              {"LWPOLYLINE", 3},
                                              {"CIRCLE", 1},
                                              {"ARC", 1},
                                              {"ELLIPSE", 1},
                                              {"TEXT", 2},
                                              {"HATCH", 3},
                                              {"INSERT", 1},
                                              {"IMAGE", 1}}));

    expectVec(byType["POINT"][0]["at"], 7, 7);
    const QJsonObject line = byType["LINE"][0];
    expectVec(line["start"], 1, 2);
    expectVec(line["end"], 3, 4);
    EXPECT_EQ(line["layer"].toString(), QString::fromUtf8("Drogi łąka"));
    EXPECT_EQ(line["linetype"].toString(), "Kreska");
    EXPECT_EQ(line["rgb"].toArray(), (QJsonArray{255, 0, 0}));
    EXPECT_EQ(line["aci"].toInt(), 1);
    EXPECT_EQ(line["lineweight"].toInt(), 25);

    const QJsonObject open = byType["LWPOLYLINE"][0];
    EXPECT_EQ(open["points"].toArray(), (QJsonArray{vec(0, 0), vec(10, 0), vec(10, 5)}));
    EXPECT_FALSE(open["closed"].toBool());
    EXPECT_EQ(open["rgb"], QJsonValue()); // by layer
    EXPECT_EQ(open["lineweight"].toInt(), -1);
    const QJsonObject closed = byType["LWPOLYLINE"][1];
    EXPECT_TRUE(closed["closed"].toBool());
    EXPECT_EQ(closed["linetype"].toString(), "Kropki");
    EXPECT_EQ(closed["rgb"].toArray(), (QJsonArray{0x56, 0x34, 0x12}));
    const QJsonObject fill = byType["HATCH"][0];
    EXPECT_TRUE(fill["solid"].toInt());
    EXPECT_EQ(fill["paths"].toArray()[0].toArray(),
              (QJsonArray{vec(20, 0), vec(30, 0), vec(25, 8)}));
    EXPECT_EQ(fill["rgb"].toArray(), (QJsonArray{0x56, 0x34, 0x12}));

    // The filled circle: a hatch of two half circles.
    const QJsonObject disc = byType["HATCH"][1];
    EXPECT_EQ(disc["paths"].toArray()[0].toArray(), (QJsonArray{vec(3, 5), vec(7, 5)}));
    EXPECT_EQ(disc["bulges"].toArray()[0].toArray(), (QJsonArray{1.0, 1.0}));
    expectVec(byType["CIRCLE"][0]["center"], 5, 5);
    EXPECT_EQ(byType["CIRCLE"][0]["radius"].toDouble(), 2);
    EXPECT_EQ(byType["ARC"][0]["start"].toDouble(), 10);
    EXPECT_EQ(byType["ARC"][0]["end"].toDouble(), 100);

    // The ellipse, taller than wide: its major axis along our y axis, turned by 30 degrees.
    const QJsonObject ellipse = byType["ELLIPSE"][0];
    expectVec(ellipse["center"], 40, 0);
    expectVec(ellipse["major"], 4 * std::cos(radians(120)), 4 * std::sin(radians(120)));
    EXPECT_NEAR(ellipse["ratio"].toDouble(), 0.5, 1e-12);
    EXPECT_NEAR(ellipse["start"].toDouble(), radians(280), 1e-12);
    EXPECT_NEAR(ellipse["end"].toDouble(), radians(110), 1e-12);

    // The rectangle: its corners, turned 15 degrees about its centre.
    const QJsonArray corners = byType["LWPOLYLINE"][2]["points"].toArray();
    ASSERT_EQ(corners.size(), 4);
    const double c = std::cos(radians(15)), sn = std::sin(radians(15));
    expectVec(corners[0], 60 - 2 * c + 1 * sn, 20 - 2 * sn - 1 * c);
    expectVec(corners[2], 60 + 2 * c - 1 * sn, 20 + 2 * sn + 1 * c);
    EXPECT_TRUE(byType["LWPOLYLINE"][2]["closed"].toBool());

    const QJsonObject text = byType["TEXT"][0];
    EXPECT_EQ(text["text"].toString(), QString::fromUtf8("Zażółć gęślą jaźń"));
    EXPECT_EQ(text["halign"].toInt(), 1);
    EXPECT_EQ(text["valign"].toInt(), 2);
    expectVec(text["align_point"], 1, 1);
    EXPECT_EQ(text["height"].toDouble(), 2.5);
    EXPECT_EQ(text["rotation"].toDouble(), 10);
    EXPECT_EQ(text["oblique"].toDouble(), 15);
    EXPECT_EQ(text["style"].toString(), "Opis");
    EXPECT_NEAR(text["width"].toDouble(), 0.8, 1e-12);
    EXPECT_EQ(text["layer"].toString(), "Opis");
    EXPECT_EQ(byType["TEXT"][1]["halign"].toInt(), 0);
    expectVec(byType["TEXT"][1]["insert"], 3, -4);

    const QJsonObject pattern = byType["HATCH"][2];
    EXPECT_EQ(pattern["pattern"].toString(), "ANSI31");
    EXPECT_FALSE(pattern["solid"].toInt());
    EXPECT_EQ(pattern["paths"].toArray().size(), 2);
    EXPECT_EQ(pattern["paths"].toArray()[1].toArray(),
              (QJsonArray{vec(1, 1), vec(2, 1), vec(2, 2)}));

    const QJsonObject insert = byType["INSERT"][0];
    EXPECT_EQ(insert["name"].toString(), QString::fromUtf8("Znak Ł"));
    expectVec(insert["insert"], 50, 50);
    EXPECT_EQ(insert["scale"].toArray(), (QJsonArray{2.0, 3.0}));
    EXPECT_EQ(insert["rotation"].toDouble(), 30);
    const QJsonObject block = f["blocks"].toObject()[QString::fromUtf8("Znak Ł")].toObject();
    expectVec(block["base"], 0.5, 0.25);
    const QJsonArray inBlock = block["entities"].toArray();
    ASSERT_EQ(inBlock.size(), 2);
    EXPECT_EQ(inBlock[0].toObject()["type"].toString(), "LINE");
    expectVec(inBlock[0].toObject()["start"], -1, 0);
    EXPECT_EQ(inBlock[1].toObject()["type"].toString(), "CIRCLE");

    const QJsonObject image = byType["IMAGE"][0];
    // Characters outside Windows-1250 are \U+ escapes, which ezdxf leaves as they are.
    EXPECT_EQ(image["file"].toString(), QString::fromUtf8("/nowhere/zdjęcie \\U+0416.png"));
    expectVec(image["insert"], 100, 100);
    const QJsonArray size = image["size"].toArray();
    EXPECT_NEAR(image["u"].toArray()[0].toDouble() * size[0].toDouble(), 20, 1e-9);
    EXPECT_NEAR(image["v"].toArray()[1].toDouble() * size[1].toDouble(), 10, 1e-9);
}

TEST_F(DxfTest, NamesAreMadeValidAndUniqueForDxf) {
    Drawing d;
    d.layers.push_back(Layer{"a/b", 0, 0, 0, true, false, true});
    d.layers.push_back(Layer{"A/B", 0, 0, 0, true, false, true}); // the same name to DXF
    d.layers.push_back(Layer{"", 0, 0, 0, true, false, true});
    d.layers[0].name = "zero"; // no layer "0" left: the file still gets one
    d.lineStyles.push_back(LineStyle{"continuous", "1,-1", parseLinePattern("1,-1")});
    d.textStyles[0].name = "STANDARD"; // the name the dimension style needs, in capitals
    d.current.layer = 2;
    d.addText(TextSpec{{0, 0}, 1, 0, 0, 0, 0, "two\nlines\r"});
    const std::size_t first = d.entities.size();
    d.addPoint({{1, 1}});
    const int anonymous = d.makeBlock("*U1", {0, 0}, first); // a star marks anonymous blocks
    d.addInsert({anonymous, {5, 5}, 1, 1, 0});
    saveDxf(d, path("names.dxf"));
    const QJsonObject f = pythonJson(kDescribe, {QString::fromStdString(path("names.dxf"))});
    EXPECT_EQ(f["errors"].toArray().size(), 0);
    EXPECT_EQ(f["fixes"].toArray().size(), 0);
    EXPECT_TRUE(f["styles"].toObject().contains("Standard"));
    EXPECT_TRUE(f["blocks"].toObject().contains("_U1"));
    EXPECT_EQ(f["entities"].toArray()[1].toObject()["name"].toString(), "_U1");
    const QJsonObject layers = f["layers"].toObject();
    for (const char* name : {"0", "zero", "a_b", "A_B_2", "_"})
        EXPECT_TRUE(layers.contains(name)) << name;
    EXPECT_EQ(f["linetypes"].toObject()["continuous_2"].toArray(), (QJsonArray{1.0, -1.0}));
    EXPECT_EQ(f["entities"].toArray()[0].toObject()["text"].toString(), "two^Jlines^M");
    EXPECT_EQ(f["entities"].toArray()[0].toObject()["layer"].toString(), "A_B_2");
}

TEST_F(DxfTest, SavingReplacesTheFileWholeOrNotAtAll) {
    const Sample s = sampleDrawing();
    EXPECT_THROW(
        {
            try {
                saveDxf(s.d, path("no/such/folder/out.dxf"));
            } catch (const FileError& e) {
                EXPECT_EQ(e.kind(), FileError::Kind::CannotWrite);
                throw;
            }
        },
        FileError);

    // A previous file stays whole when the new one cannot be written: here the file size
    // limit stops the writing half way.
    Drawing small;
    saveDxf(small, path("keep.dxf"));
    const QByteArray before = readFile(path("keep.dxf"));
    ASSERT_GT(before.size(), 0);
    Drawing big;
    std::vector<Vec2> v(2000, Vec2{123456.789, 987654.321});
    for (int i = 0; i < 200; ++i)
        big.addPolyline(v.data(), v.size(), false);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool failed = false;
    try {
        saveDxf(big, path("keep.dxf"));
    } catch (const FileError& e) {
        failed = e.kind() == FileError::Kind::CannotWrite;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(readFile(path("keep.dxf")), before);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.dxf"});
    // And without the limit it is replaced.
    saveDxf(big, path("keep.dxf"));
    EXPECT_GT(readFile(path("keep.dxf")).size(), 2000 * 200 * 10);
}

// ---- reading files ezdxf writes -------------------------------------------------------------

TEST_F(DxfTest, ReadsEzdxfFilesOfR12R2000AndR2018) {
    for (const char* version : {"R12", "R2000", "R2018"}) {
        SCOPED_TRACE(version);
        const bool r12 = std::string_view(version) == "R12";
        const bool r2018 = std::string_view(version) == "R2018";
        const std::string file = path("in.dxf");
        python(kGenerate, {version, QString::fromStdString(file)});
        const DxfReadResult r = loadDxf(file);
        const Drawing& d = *r.drawing;
        EXPECT_EQ(d.settings.units, r12 ? 0 : 4); // R12 has no $INSUNITS
        EXPECT_FALSE(d.modified);

        // Tables.
        const int roads = d.findLayer(cp1250("Drogi łąka"));
        ASSERT_GE(roads, 0);
        const Layer& l = d.layers[std::size_t(roads)];
        // R2000 has no true colours (ezdxf leaves them out): the palette's green.
        EXPECT_EQ(l.color, r2018 ? 0x1E140Au : 0x00FF00u);
        EXPECT_DOUBLE_EQ(l.width, r12 ? 0.0 : 0.35);
        EXPECT_TRUE(l.visible);
        const Layer& hidden = d.layers[std::size_t(d.findLayer("Ukryta"))];
        EXPECT_FALSE(hidden.visible);
        EXPECT_TRUE(hidden.locked);
        EXPECT_EQ(hidden.color, 0xFF0000u); // blue
        EXPECT_FALSE(d.layers[std::size_t(d.findLayer(cp1250("Zamrożona")))].visible);
        const int dashed = d.findLineStyle("KRESKA");
        ASSERT_GT(dashed, 0);
        EXPECT_EQ(d.lineStyles[std::size_t(dashed)].pattern, (std::vector<double>{6, -2, 0, -2}));
        const int note = d.findTextStyle("Opis");
        ASSERT_GT(note, 0);
        EXPECT_EQ(d.textStyles[std::size_t(note)].font, "arial");

        // Entities: the 3DFACE cannot be represented; the dimension is one of ours.
        EXPECT_EQ(r.skipped, 1);
        std::map<EntityType, int> expected{{EntityType::Line, 1},   {EntityType::Polyline, 2},
                                           {EntityType::Circle, 1}, {EntityType::Arc, 1},
                                           {EntityType::Point, 1},  {EntityType::Text, 3},
                                           {EntityType::Insert, 2}};
        if (!r12) {
            expected[EntityType::Polyline] += 3; // two LWPOLYLINEs, a spline of control points
            expected[EntityType::Spline] = 1;    // a spline of fit points
            expected[EntityType::Ellipse] = 1;
            expected[EntityType::Text] += 2; // the MTEXT's two lines
            expected[EntityType::Hatch] = 2;
            expected[EntityType::Image] = 1;
            expected[EntityType::Dimension] = 1;
        }
        EXPECT_EQ(countByType(d), expected);
        if (!r12) {
            const auto dims = ofType(d, EntityType::Dimension);
            ASSERT_EQ(dims.size(), 1u);
            const Entity& dim = at(d, dims[0]);
            EXPECT_EQ(d.dimensions[dim.first].kind, DimensionKind::Horizontal);
            EXPECT_DOUBLE_EQ(measuredValue(d.dimensionOf(dim)), 10);
        }

        const auto lines = ofType(d, EntityType::Line);
        const Entity& line = at(d, lines[0]);
        EXPECT_VEC(d.lines[line.first].a, 0, 0);
        EXPECT_VEC(d.lines[line.first].b, 10, 5);
        EXPECT_EQ(line.layer, roads);
        EXPECT_EQ(line.lineStyle, dashed);
        EXPECT_FALSE(line.has(EntityFlag::ColorByLayer));
        EXPECT_EQ(d.ownStyle(std::size_t(lines[0])).color, 0x0000FFu); // red
        EXPECT_TRUE(line.has(EntityFlag::WidthByLayer));

        const auto polylines = ofType(d, EntityType::Polyline);
        EXPECT_EQ(verticesOf(d, polylines[0]), (std::vector<Vec2>{{0, 0}, {1, 1}, {2, 0}}));
        EXPECT_EQ(at(d, polylines[0]).layer, roads);

        const Entity& circle = at(d, ofType(d, EntityType::Circle)[0]);
        EXPECT_TRUE(circle.has(EntityFlag::ColorByLayer));
        EXPECT_VEC(d.circles[circle.first].centre, 1, 2);
        EXPECT_EQ(d.circles[circle.first].radius, 3);
        const ArcData& arc = d.arcs[at(d, ofType(d, EntityType::Arc)[0]).first];
        EXPECT_DOUBLE_EQ(arc.startAngle, 30);
        EXPECT_DOUBLE_EQ(arc.endAngle, 120);
        EXPECT_VEC(d.points[at(d, ofType(d, EntityType::Point)[0]).first].p, 3, 4);

        // The SOLID: a filled closed polyline, corners in drawing order.
        const int solid = polylines[1];
        EXPECT_TRUE(at(d, solid).has(EntityFlag::Filled));
        EXPECT_TRUE(at(d, solid).has(EntityFlag::Closed));
        EXPECT_EQ(verticesOf(d, solid), (std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));

        const auto texts = ofType(d, EntityType::Text);
        const TextSpec polish = d.textSpec(at(d, texts[0]));
        EXPECT_EQ(fromCp1250(polish.text), QString::fromUtf8("Zażółć gęślą jaźń"));
        EXPECT_VEC(polish.p, 10, 20);
        EXPECT_EQ(polish.align, 4);
        EXPECT_DOUBLE_EQ(polish.rotation, 30);
        EXPECT_EQ(polish.style, note);
        // Written as \U+ escapes where the code page lacks them; %%d is the degree sign;
        // Cyrillic has no place in Windows-1250.
        EXPECT_EQ(fromCp1250(d.textSpec(at(d, texts[1])).text), QString::fromUtf8("łą° ?"));
        // The attribute of the insert: a text where it stands.
        const TextSpec attribute = d.textSpec(at(d, texts[2]));
        EXPECT_EQ(fromCp1250(attribute.text), QString::fromUtf8("Słup 12"));
        EXPECT_VEC(attribute.p, 101, 99);
        EXPECT_EQ(attribute.height, 0.5);

        // Blocks, nested, with their base points; the inserts scaled and turned.
        const int klocek = d.findBlock("KLOCEK"), outer = d.findBlock("ZEWN");
        ASSERT_GE(klocek, 0);
        ASSERT_GE(outer, 0);
        EXPECT_EQ(d.blocks[std::size_t(klocek)].base, (Vec2{1, 1}));
        EXPECT_EQ(d.blocks[std::size_t(klocek)].entities.size(), 2u);
        const Entity& nested = at(d, int(d.blocks[std::size_t(outer)].entities[0]));
        EXPECT_EQ(nested.type, EntityType::Insert);
        EXPECT_EQ(d.ownerOf(int(d.blocks[std::size_t(outer)].entities[0])), outer);
        EXPECT_EQ(d.inserts[nested.first].block, klocek);
        const InsertData& insert = d.inserts[at(d, ofType(d, EntityType::Insert)[0]).first];
        EXPECT_EQ(insert.block, klocek);
        EXPECT_VEC(insert.p, 100, 100);
        EXPECT_EQ(insert.scaleX, 2);
        EXPECT_EQ(insert.angle, 90);
        EXPECT_TRUE(d.blockExtents(klocek).contains(Rect{0, 0, 2, 1.5}));

        if (r12)
            continue;
        const Entity& coloured = at(d, polylines[2]);
        EXPECT_TRUE(coloured.has(EntityFlag::Closed));
        EXPECT_FALSE(coloured.has(EntityFlag::WidthByLayer));
        EXPECT_DOUBLE_EQ(d.ownStyle(std::size_t(polylines[2])).width, 0.5);
        if (r2018) {
            EXPECT_FALSE(coloured.has(EntityFlag::ColorByLayer));
            EXPECT_EQ(d.ownStyle(std::size_t(polylines[2])).color, 0x302010u);
        }
        // A half circle (bulge 1) from (0,0) to (2,0) stays an arc segment: counter-clockwise,
        // under the chord.
        const auto bulged = verticesOf(d, polylines[3]);
        ASSERT_EQ(bulged.size(), 2u);
        EXPECT_VEC(bulged.front(), 0, 0);
        EXPECT_VEC(bulged.back(), 2, 0);
        EXPECT_DOUBLE_EQ(d.bulgesOf(at(d, polylines[3]))[0], 1);

        const EllipseData& e = d.ellipses[at(d, ofType(d, EntityType::Ellipse)[0]).first];
        EXPECT_VEC(e.centre, 0, 0);
        EXPECT_DOUBLE_EQ(e.radiusX, 4);
        EXPECT_DOUBLE_EQ(e.radiusY, 2);
        EXPECT_DOUBLE_EQ(e.rotation, 90);
        EXPECT_DOUBLE_EQ(e.startAngle, 0);
        EXPECT_DOUBLE_EQ(e.endAngle, 180);

        // The MTEXT: one text a line from its top left corner down, formatting taken out.
        const TextSpec first = d.textSpec(at(d, texts[3]));
        const TextSpec second = d.textSpec(at(d, texts[4]));
        EXPECT_EQ(first.text, "Pierwsza");
        EXPECT_EQ(fromCp1250(second.text), QString::fromUtf8("Druga Łódź"));
        EXPECT_EQ(first.align, 6);
        EXPECT_VEC(first.p, 50, 50);
        EXPECT_NEAR(second.p.y, 50 - 2 * 5.0 / 3.0, 1e-9);

        // Hatches: polyline loops; an edge loop with an arc made of points.
        const auto hatches = ofType(d, EntityType::Hatch);
        const HatchData& solidHatch = d.hatches[at(d, hatches[0]).first];
        EXPECT_TRUE(solidHatch.solid);
        EXPECT_EQ(
            std::vector<std::uint32_t>(d.loopsOf(solidHatch).begin(), d.loopsOf(solidHatch).end()),
            (std::vector<std::uint32_t>{4, 3}));
        EXPECT_EQ(d.ownStyle(std::size_t(hatches[0])).color, 0x00FFFFu); // yellow
        const HatchData& edges = d.hatches[at(d, hatches[1]).first];
        EXPECT_FALSE(edges.solid);
        EXPECT_EQ(d.pooled(edges.pattern), "ANSI31");
        EXPECT_EQ(edges.scale, 2);
        ASSERT_EQ(edges.loopCount, 1u);
        const auto outline = verticesOf(d, hatches[1]);
        EXPECT_EQ(outline.size(), d.loopsOf(edges)[0]);
        EXPECT_EQ(outline.front(), (Vec2{0, 0}));
        Rect box;
        for (const Vec2& p : outline)
            box.add(p);
        EXPECT_NEAR(box.right, 15, 1e-9); // the arc's far point
        EXPECT_NEAR(box.top, 10, 1e-9);

        // Splines: one of control points followed from the first to the last; one of fit points
        // a curve through them.
        const auto spline = verticesOf(d, polylines[4]);
        EXPECT_VEC(spline.front(), 0, 0);
        EXPECT_VEC(spline.back(), 30, 10);
        const auto splines = ofType(d, EntityType::Spline);
        ASSERT_EQ(splines.size(), 1u);
        EXPECT_EQ(verticesOf(d, splines[0]), (std::vector<Vec2>{{0, 0}, {5, 5}, {10, 0}}));
        EXPECT_FALSE(at(d, splines[0]).has(EntityFlag::Closed));

        const ImageData& image = d.images[at(d, ofType(d, EntityType::Image)[0]).first];
        EXPECT_EQ(d.pooled(image.path), "obraz.png");
        EXPECT_NEAR(image.width, 6.4, 1e-9);
        EXPECT_NEAR(image.height, 4.8, 1e-9);
    }
}

// ---- reading what other writers do --------------------------------------------------------

TEST_F(DxfTest, ReadsCodePagesMirroredEntitiesArraysAndDropsWhatItCannotShow) {
    const QByteArray cyrillic = "\xC6\xF3\xEA"; // "Жук" in Windows-1251
    QByteArray file = groups({{0, "SECTION"},
                              {2, "HEADER"},
                              {9, "$ACADVER"},
                              {1, "AC1009"},
                              {9, "$DWGCODEPAGE"},
                              {3, "ANSI_1251"},
                              {9, "$INSUNITS"},
                              {70, "4"},
                              {9, "$CLAYER"},
                              {8, "DASHLAYER"},
                              {0, "ENDSEC"},
                              {0, "SECTION"},
                              {2, "TABLES"},
                              {0, "TABLE"},
                              {2, "LTYPE"},
                              {0, "LTYPE"},
                              {2, "DASHED"},
                              {70, "0"},
                              {3, "__ __"},
                              {72, "65"},
                              {73, "2"},
                              {40, "1.5"},
                              {49, "1.0"},
                              {49, "-0.5"},
                              {0, "ENDTAB"},
                              {0, "TABLE"},
                              {2, "LAYER"},
                              {0, "LAYER"},
                              {2, "DASHLAYER"},
                              {70, "0"},
                              {62, "-3"},
                              {6, "DASHED"},
                              {0, "ENDTAB"},
                              {0, "ENDSEC"},
                              {0, "SECTION"},
                              {2, "BLOCKS"},
                              // A block that inserts itself.
                              {0, "BLOCK"},
                              {2, "SELF"},
                              {70, "0"},
                              {10, "0"},
                              {20, "0"},
                              {0, "INSERT"},
                              {8, "0"},
                              {2, "SELF"},
                              {10, "1"},
                              {20, "1"},
                              {0, "LINE"},
                              {8, "0"},
                              {10, "0"},
                              {20, "0"},
                              {11, "1"},
                              {21, "1"},
                              // The next block starts without this one ending.
                              {0, "BLOCK"},
                              {2, "OTHER"},
                              {10, "2"},
                              {20, "3"},
                              {0, "POINT"},
                              {10, "2"},
                              {20, "3"},
                              {0, "ENDBLK"},
                              {0, "ENDSEC"},
                              {0, "SECTION"},
                              {2, "ENTITIES"},
                              // Seen from below: x runs the other way.
                              {0, "ARC"},
                              {8, "DASHLAYER"},
                              {10, "5"},
                              {20, "0"},
                              {40, "2"},
                              {50, "0"},
                              {51, "90"},
                              {210, "0"},
                              {220, "0"},
                              {230, "-1"},
                              // A bulge before the first vertex would be stored out of bounds.
                              {0, "LWPOLYLINE"},
                              {8, "0"},
                              {42, "1"},
                              {90, "7"},
                              {70, "0"},
                              {10, "0"},
                              {20, "0"},
                              {10, "2"},
                              {20, "0"},
                              {0, "TEXT"},
                              {8, "0"},
                              {10, "0"},
                              {20, "0"},
                              {40, "2"}});
    file += "1\n" + cyrillic + "\n";
    file += groups({{0, "TEXT"},     {8, "0"},         {10, "0"},
                    {20, "5"},       {40, "2"},        {1, "%%c50 %%p0.1"},
                    {0, "LINE"},     {8, "0"},         {67, "1"},
                    {10, "0"},       {20, "0"},        {11, "1"},
                    {21, "1"},       {0, "INSERT"},    {2, "OTHER"},
                    {10, "0"},       {20, "0"},        {70, "3"},
                    {71, "2"},       {44, "10"},       {45, "5"},
                    {0, "LINE"},     {8, "dashlayer"}, {10, "0"},
                    {20, "0"},       {11, "1"},        {21, "0"},
                    {0, "POLYLINE"}, {66, "1"},        {70, "64"},
                    {0, "VERTEX"},   {10, "0"},        {20, "0"},
                    {0, "SEQEND"},   {0, "HATCH"},     {8, "0"},
                    {10, "0"},       {20, "0"},        {30, "0"},
                    {2, "SOLID"},    {70, "1"},        {71, "0"},
                    {91, "1"},       {92, "3"},        {72, "0"},
                    {73, "1"},       {93, "4"},        {10, "0"},
                    {20, "0"},       {10, "4"},        {20, "0"},
                    {10, "4"},       {20, "4"},        {10, "0"},
                    {20, "4"},       {97, "0"},        {75, "0"},
                    {76, "1"},       {98, "1"},        {10, "9"},
                    {20, "9"},       {0, "3DFACE"},    {10, "0"},
                    {20, "0"},       {30, "0"},        {0, "ENDSEC"},
                    {0, "EOF"}});
    writeFile(path("hand.dxf"), file);

    const DxfReadResult r = loadDxf(path("hand.dxf"));
    const Drawing& d = *r.drawing;
    // Skipped: the paper space line, the polyface mesh, the 3DFACE, the insert of SELF in SELF.
    EXPECT_EQ(r.skipped, 4);
    EXPECT_EQ(d.settings.units, 2);
    const int layer = d.findLayer("DASHLAYER");
    ASSERT_GE(layer, 0);
    EXPECT_EQ(d.current.layer, layer);
    EXPECT_FALSE(d.layers[std::size_t(layer)].visible);
    EXPECT_EQ(d.layers[std::size_t(layer)].color, 0x00FF00u);
    const int dashed = d.findLineStyle("DASHED");
    EXPECT_EQ(d.lineStyles[std::size_t(dashed)].definition, "1,-0.5");

    const ArcData& arc = d.arcs[at(d, ofType(d, EntityType::Arc)[0]).first];
    EXPECT_VEC(arc.centre, -5, 0);
    EXPECT_DOUBLE_EQ(arc.startAngle, 90);
    EXPECT_DOUBLE_EQ(arc.endAngle, 180);
    EXPECT_EQ(at(d, ofType(d, EntityType::Arc)[0]).lineStyle, dashed); // by layer

    const auto polylines = ofType(d, EntityType::Polyline);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(verticesOf(d, polylines[0]), (std::vector<Vec2>{{0, 0}, {2, 0}}));

    const auto texts = ofType(d, EntityType::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(d.textOf(at(d, texts[0])), "???");
    EXPECT_EQ(fromCp1250(d.textSpec(at(d, texts[1])).text), QString::fromUtf8("?50 ±0.1"));

    // The array insert: three columns 10 apart, two rows 5 apart.
    const auto inserts = ofType(d, EntityType::Insert);
    ASSERT_EQ(inserts.size(), 6u);
    EXPECT_VEC(d.inserts[at(d, inserts[5]).first].p, 20, 5);
    const int other = d.findBlock("OTHER");
    EXPECT_EQ(d.inserts[at(d, inserts[0]).first].block, other);
    EXPECT_EQ(d.blocks[std::size_t(other)].base, (Vec2{2, 3}));
    const int self = d.findBlock("SELF");
    ASSERT_EQ(d.blocks[std::size_t(self)].entities.size(), 1u);
    EXPECT_FALSE(d.hasRecursiveBlock());

    // The line on "dashlayer": the same layer whatever the letter case, its line style.
    const auto lines = ofType(d, EntityType::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(at(d, lines[0]).layer, layer);
    EXPECT_EQ(at(d, lines[0]).lineStyle, dashed);

    // The hatch without its seed point.
    const auto hatches = ofType(d, EntityType::Hatch);
    ASSERT_EQ(hatches.size(), 1u);
    EXPECT_EQ(verticesOf(d, hatches[0]), (std::vector<Vec2>{{0, 0}, {4, 0}, {4, 4}, {0, 4}}));
}

// ---- round trips --------------------------------------------------------------------------

// The model-space entities of `d` are those of `original`, in the same order, with the same
// attributes and geometry.
void expectSameEntities(const Drawing& original, const Drawing& d) {
    const auto was = modelSpace(original), is = modelSpace(d);
    ASSERT_EQ(is.size(), was.size());
    for (std::size_t i = 0; i < was.size(); ++i) {
        const Entity& a = at(original, was[i]);
        const Entity& b = at(d, is[i]);
        SCOPED_TRACE(i);
        ASSERT_EQ(b.type, a.type);
        EXPECT_EQ(b.layer, a.layer);
        EXPECT_EQ(b.lineStyle, a.lineStyle);
        EXPECT_EQ(b.flags & EntityFlag::Stored, a.flags & EntityFlag::Stored);
        if (!a.has(EntityFlag::ColorByLayer)) {
            EXPECT_EQ(d.ownStyle(std::size_t(is[i])).color,
                      original.ownStyle(std::size_t(was[i])).color);
        }
        if (!a.has(EntityFlag::WidthByLayer)) {
            EXPECT_DOUBLE_EQ(d.ownStyle(std::size_t(is[i])).width,
                             original.ownStyle(std::size_t(was[i])).width);
        }
        switch (a.type) {
        case EntityType::Point:
            EXPECT_EQ(d.points[b.first].p, original.points[a.first].p);
            break;
        case EntityType::Line:
            EXPECT_EQ(d.lines[b.first].a, original.lines[a.first].a);
            EXPECT_EQ(d.lines[b.first].b, original.lines[a.first].b);
            break;
        case EntityType::Polyline:
            EXPECT_EQ(verticesOf(d, is[i]), verticesOf(original, was[i]));
            break;
        case EntityType::Circle:
            EXPECT_EQ(d.circles[b.first].centre, original.circles[a.first].centre);
            EXPECT_EQ(d.circles[b.first].radius, original.circles[a.first].radius);
            break;
        case EntityType::Arc:
            EXPECT_EQ(d.arcs[b.first].centre, original.arcs[a.first].centre);
            EXPECT_DOUBLE_EQ(d.arcs[b.first].startAngle, original.arcs[a.first].startAngle);
            EXPECT_DOUBLE_EQ(d.arcs[b.first].endAngle, original.arcs[a.first].endAngle);
            break;
        case EntityType::Spline:
            EXPECT_EQ(verticesOf(d, is[i]), verticesOf(original, was[i]));
            break;
        case EntityType::Sector: {
            // A closed polyline in DXF: the same centre, radius and ends of the arc.
            const ArcData& x = original.sectors[a.first];
            const ArcData& y = d.sectors[b.first];
            EXPECT_VEC(y.centre, x.centre.x, x.centre.y);
            EXPECT_NEAR(y.radius, std::abs(x.radius), 1e-9);
            for (const auto& [p, q] :
                 {std::pair{x.startAngle, y.startAngle}, {x.endAngle, y.endAngle}}) {
                EXPECT_NEAR(std::cos(radians(p)), std::cos(radians(q)), 1e-12);
                EXPECT_NEAR(std::sin(radians(p)), std::sin(radians(q)), 1e-12);
            }
            EXPECT_NEAR(arcSweep(y.startAngle, y.endAngle), arcSweep(x.startAngle, x.endAngle),
                        1e-9);
            break;
        }
        case EntityType::Ellipse: {
            // DXF puts the major axis first: the same points, maybe other numbers.
            const EllipseData& x = original.ellipses[a.first];
            const EllipseData& y = d.ellipses[b.first];
            const double shift = y.startAngle - x.startAngle;
            for (const double t : {0.0, 0.3, 0.7, 1.0}) {
                const double angle = x.startAngle + t * (x.endAngle - x.startAngle);
                const Vec2 p = ellipsePoint(x, angle), q = ellipsePoint(y, angle + shift);
                EXPECT_NEAR(p.x, q.x, 1e-9);
                EXPECT_NEAR(p.y, q.y, 1e-9);
            }
            break;
        }
        case EntityType::Rectangle: {
            const RectangleData& x = original.rectangles[a.first];
            const RectangleData& y = d.rectangles[b.first];
            EXPECT_VEC(y.centre, x.centre.x, x.centre.y);
            EXPECT_NEAR(y.width, x.width, 1e-9);
            EXPECT_NEAR(y.height, x.height, 1e-9);
            EXPECT_NEAR(y.rotation, x.rotation, 1e-9);
            break;
        }
        case EntityType::Text: {
            const TextSpec x = original.textSpec(a);
            const TextSpec y = d.textSpec(b);
            EXPECT_EQ(y.text, x.text);
            EXPECT_EQ(y.p, x.p);
            EXPECT_EQ(y.height, x.height);
            EXPECT_DOUBLE_EQ(y.rotation, x.rotation);
            EXPECT_DOUBLE_EQ(y.oblique, x.oblique);
            EXPECT_EQ(y.align, x.align);
            EXPECT_EQ(y.style, x.style);
            break;
        }
        case EntityType::Hatch: {
            const HatchData& x = original.hatches[a.first];
            const HatchData& y = d.hatches[b.first];
            EXPECT_EQ(verticesOf(d, is[i]), verticesOf(original, was[i]));
            EXPECT_TRUE(std::ranges::equal(d.loopsOf(y), original.loopsOf(x)));
            EXPECT_EQ(y.solid, x.solid);
            EXPECT_EQ(d.pooled(y.pattern), original.pooled(x.pattern));
            EXPECT_DOUBLE_EQ(y.scale, x.scale);
            EXPECT_DOUBLE_EQ(y.angle, x.angle);
            break;
        }
        case EntityType::Insert: {
            const InsertData& x = original.inserts[a.first];
            const InsertData& y = d.inserts[b.first];
            EXPECT_EQ(d.blocks[std::size_t(y.block)].name,
                      original.blocks[std::size_t(x.block)].name);
            EXPECT_EQ(y.p, x.p);
            EXPECT_EQ(y.scaleX, x.scaleX);
            EXPECT_EQ(y.scaleY, x.scaleY);
            EXPECT_DOUBLE_EQ(y.angle, x.angle);
            break;
        }
        case EntityType::Image: {
            const ImageData& x = original.images[a.first];
            const ImageData& y = d.images[b.first];
            EXPECT_EQ(d.pooled(y.path), original.pooled(x.path));
            EXPECT_EQ(y.p, x.p);
            EXPECT_NEAR(y.width, x.width, 1e-9);
            EXPECT_NEAR(y.height, x.height, 1e-9);
            break;
        }
        case EntityType::Dimension:
            EXPECT_EQ(d.dimensionOf(b), original.dimensionOf(a));
            break;
        }
    }
}

TEST_F(DxfTest, RoundTripKeepsLayersStylesEntitiesAndCoordinates) {
    const Sample s = sampleDrawing();
    saveDxf(s.d, path("round.dxf"));
    const DxfReadResult r = loadDxf(path("round.dxf"));
    const Drawing& d = *r.drawing;
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(d.settings.units, s.d.settings.units);

    ASSERT_EQ(d.layers.size(), s.d.layers.size());
    for (std::size_t i = 0; i < d.layers.size(); ++i) {
        SCOPED_TRACE(s.d.layers[i].name);
        const Layer& a = s.d.layers[i];
        const Layer& b = d.layers[i];
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.color, a.color);
        EXPECT_DOUBLE_EQ(b.width, a.width);
        EXPECT_EQ(b.visible, a.visible);
        EXPECT_EQ(b.locked, a.locked);
        EXPECT_EQ(b.printable, a.printable);
    }
    ASSERT_EQ(d.lineStyles.size(), s.d.lineStyles.size());
    for (std::size_t i = 0; i < d.lineStyles.size(); ++i) {
        EXPECT_EQ(d.lineStyles[i].name, s.d.lineStyles[i].name);
        EXPECT_EQ(d.lineStyles[i].pattern, s.d.lineStyles[i].pattern);
    }
    ASSERT_EQ(d.textStyles.size(), s.d.textStyles.size());
    EXPECT_EQ(d.textStyles[1].name, "Opis");
    EXPECT_EQ(d.textStyles[1].font, "Arial");
    EXPECT_DOUBLE_EQ(d.textStyles[1].widthFactor, 0.8);
    EXPECT_DOUBLE_EQ(d.textStyles[1].oblique, 15);

    // The same entities in the same order, with the same attributes and geometry.
    expectSameEntities(s.d, d);
    ASSERT_EQ(d.blocks.size(), 1u);
    EXPECT_EQ(d.blocks[0].name, s.d.blocks[0].name);
    EXPECT_EQ(d.blocks[0].base, s.d.blocks[0].base);
    ASSERT_EQ(d.blocks[0].entities.size(), 2u);
    EXPECT_EQ(at(d, int(d.blocks[0].entities[1])).type, EntityType::Circle);
}

// ---- splines and sectors ------------------------------------------------------------------

// What ezdxf makes of our splines and sectors: the audit, and each entity as a reader that
// knows neither draws it.
const char* kCurves = R"PY(
import sys, json, ezdxf, ezdxf.path
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
def xy(points):
    return [[float(p[0]), float(p[1])] for p in points]
def describe(e):
    d = {"type": e.dxftype()}
    if e.dxftype() == "SPLINE":
        tool = e.construction_tool()
        d.update(degree=e.dxf.degree, closed=e.closed, fit=xy(e.fit_points),
                 control=len(e.control_points), curve=xy(tool.approximate(300)),
                 atKnots=xy(tool.points(sorted(set(e.knots)))))
    elif e.dxftype() == "LWPOLYLINE":
        d.update(points=xy(e.get_points("xy")), closed=e.closed,
                 path=xy(ezdxf.path.make_path(e).flattening(0.0001)))
    elif e.dxftype() == "HATCH":
        d.update(solid=e.dxf.solid_fill)
    return d
print(json.dumps({"errors": [str(x.message) for x in auditor.errors],
                  "fixes": [str(x.message) for x in auditor.fixes],
                  "entities": [describe(e) for e in doc.modelspace()],
                  "block": [describe(e) for e in doc.blocks.get("luk")]}))
)PY";

std::vector<Vec2> pointsOf(const QJsonValue& v) {
    std::vector<Vec2> out;
    for (const QJsonValue p : v.toArray())
        out.push_back({p.toArray()[0].toDouble(), p.toArray()[1].toDouble()});
    return out;
}

struct Curves {
    Drawing d;
    std::vector<int> splines, sectors; // in model space, in order
};

Curves curvesDrawing() {
    Curves c;
    Drawing& d = c.d;
    const std::vector<Vec2> wave = {{0, 0}, {10, 12}, {25, -4}, {32, 9}, {50, 2}};
    const std::vector<Vec2> triangle = {{100, 0}, {120, 0}, {110, 15}};
    const std::vector<Vec2> two = {{0, 50}, {20, 60}};
    c.splines.push_back(d.addSpline(wave.data(), wave.size(), false));
    c.splines.push_back(d.addSpline(triangle.data(), triangle.size(), true));
    c.splines.push_back(d.addSpline(two.data(), two.size(), false));
    c.splines.push_back(d.addSpline(two.data(), two.size(), true)); // there and back
    c.sectors.push_back(d.addSector({{200, 0}, 10, 30, 120}));
    d.entities.back().set(EntityFlag::Filled, true);
    own(d, 0x00FF00);
    c.sectors.push_back(d.addSector({{250, 0}, 5, 300, 45})); // across 0 degrees
    c.sectors.push_back(d.addSector({{300, 0}, 5, 45, 45}));  // a whole turn
    const std::size_t first = d.entities.size();
    d.addSpline(triangle.data(), triangle.size(), false);
    d.addSector({{0, 0}, 1, 0, 90});
    d.makeBlock("luk", {0, 0}, first);
    d.addInsert({0, {400, 0}, 2, 2, 0});
    return c;
}

TEST_F(DxfTest, EzdxfSeesOurSplinesThroughTheirFitPointsAndOurSectorsClosedThroughTheCentre) {
    const Curves c = curvesDrawing();
    const Drawing& d = c.d;
    saveDxf(d, path("curves.dxf"));
    const QJsonObject f = pythonJson(kCurves, {QString::fromStdString(path("curves.dxf"))});
    EXPECT_EQ(f["errors"].toArray().size(), 0)
        << QJsonDocument(f["errors"].toArray()).toJson().toStdString();
    EXPECT_EQ(f["fixes"].toArray().size(), 0)
        << QJsonDocument(f["fixes"].toArray()).toJson().toStdString();

    std::map<QString, std::vector<QJsonObject>> byType;
    for (const QJsonValue v : f["entities"].toArray())
        byType[v.toObject()["type"].toString()].push_back(v.toObject());
    ASSERT_EQ(byType["SPLINE"].size(), c.splines.size());
    ASSERT_EQ(byType["LWPOLYLINE"].size(), c.sectors.size());
    ASSERT_EQ(byType["HATCH"].size(), 1u); // the fill of the filled sector
    EXPECT_TRUE(byType["HATCH"][0]["solid"].toInt());
    EXPECT_EQ(f["entities"].toArray()[4].toObject()["type"].toString(), "HATCH")
        << "the fill comes before its outline";

    // Each SPLINE: cubic, closed as ours, our fit points, and as its control points draw it,
    // through them and along our curve.
    for (std::size_t i = 0; i < c.splines.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonObject s = byType["SPLINE"][i];
        const int h = c.splines[i];
        const Entity& e = at(d, h);
        EXPECT_EQ(s["degree"].toInt(), 3);
        EXPECT_EQ(s["closed"].toBool(), e.has(EntityFlag::Closed));
        const std::vector<Vec2> fit = verticesOf(d, h);
        EXPECT_EQ(pointsOf(s["fit"]), fit);
        std::vector<Vec2> throughFit = fit;
        if (e.has(EntityFlag::Closed))
            throughFit.push_back(fit.front());
        const std::vector<Vec2> atKnots = pointsOf(s["atKnots"]);
        ASSERT_EQ(atKnots.size(), throughFit.size());
        for (std::size_t k = 0; k < atKnots.size(); ++k)
            EXPECT_VEC(atKnots[k], throughFit[k].x, throughFit[k].y);
        const std::vector<Vec2> curve = pointsOf(s["curve"]);
        ASSERT_GT(curve.size(), 100u);
        // (Our outline follows the curve to a few ten-thousandths here.)
        for (const Vec2 p : curve)
            EXPECT_LT(distanceTo(d, h, p, 1e-7), 1e-3) << p.x << " " << p.y;
    }

    // Each sector: a closed LWPOLYLINE that starts at the centre; what its bulges draw is our
    // sector, and encloses its area.
    for (std::size_t i = 0; i < c.sectors.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonObject s = byType["LWPOLYLINE"][i];
        const int h = c.sectors[i];
        const ArcData& a = d.sectors[at(d, h).first];
        EXPECT_TRUE(s["closed"].toBool());
        const std::vector<Vec2> points = pointsOf(s["points"]);
        ASSERT_EQ(points.size(), 4u);
        EXPECT_EQ(points[0], a.centre);
        // (ezdxf draws arcs as cubic curves of up to a quarter turn, which stray from them
        // by up to 2.7e-4 of the radius.)
        const std::vector<Vec2> drawn = pointsOf(s["path"]);
        ASSERT_GT(drawn.size(), 10u);
        for (const Vec2 p : drawn)
            EXPECT_LT(distanceTo(d, h, p, 1e-6), 3e-4 * a.radius) << p.x << " " << p.y;
        EXPECT_NEAR(polygonArea(drawn), *measureEntity(d, h)->area, 1e-3 * a.radius * a.radius);
    }

    // The block's spline and sector, written the same way.
    const QJsonArray block = f["block"].toArray();
    ASSERT_EQ(block.size(), 2);
    EXPECT_EQ(block[0].toObject()["type"].toString(), "SPLINE");
    EXPECT_EQ(block[1].toObject()["type"].toString(), "LWPOLYLINE");
}

TEST_F(DxfTest, SplinesAndSectorsComeBackAsTheyWere) {
    const Curves c = curvesDrawing();
    saveDxf(c.d, path("curves.dxf"));
    const DxfReadResult r = loadDxf(path("curves.dxf"));
    EXPECT_EQ(r.skipped, 0);
    expectSameEntities(c.d, *r.drawing);
    const Drawing& d = *r.drawing;
    EXPECT_TRUE(at(d, ofType(d, EntityType::Sector)[0]).has(EntityFlag::Filled));
    EXPECT_FALSE(at(d, ofType(d, EntityType::Sector)[1]).has(EntityFlag::Filled));
    ASSERT_EQ(d.blocks.size(), 1u);
    ASSERT_EQ(d.blocks[0].entities.size(), 2u);
    EXPECT_EQ(at(d, int(d.blocks[0].entities[0])).type, EntityType::Spline);
    EXPECT_EQ(at(d, int(d.blocks[0].entities[1])).type, EntityType::Sector);
}

TEST_F(DxfTest, SplinesWithFitPointsFromOtherWritersAndMirroredSectorsAreRead) {
    writeFile(path("others.dxf"),
              groups({{0, "SECTION"},
                      {2, "ENTITIES"},
                      // Fit points only, closed, the first again at the end.
                      {0, "SPLINE"},
                      {8, "0"},
                      {70, "1"},
                      {71, "3"},
                      {74, "4"},
                      {11, "0"},
                      {21, "0"},
                      {31, "0"},
                      {11, "4"},
                      {21, "0"},
                      {31, "0"},
                      {11, "2"},
                      {21, "3"},
                      {31, "0"},
                      {11, "0"},
                      {21, "0"},
                      {31, "0"},
                      // Fit points with control points of another curve: the fit points win.
                      {0, "SPLINE"},
                      {8, "0"},
                      {70, "8"},
                      {71, "3"},
                      {40, "0"},
                      {40, "0"},
                      {40, "0"},
                      {40, "0"},
                      {40, "1"},
                      {40, "1"},
                      {40, "1"},
                      {40, "1"},
                      {10, "0"},
                      {20, "0"},
                      {10, "1"},
                      {20, "5"},
                      {10, "2"},
                      {20, "5"},
                      {10, "3"},
                      {20, "0"},
                      {11, "0"},
                      {21, "0"},
                      {11, "3"},
                      {21, "0"},
                      // Our sector of a quarter from 0 to 90 degrees, seen from below.
                      {0, "LWPOLYLINE"},
                      {8, "0"},
                      {90, "4"},
                      {70, "1"},
                      {10, "0"},
                      {20, "0"},
                      {10, "1"},
                      {20, "0"},
                      {42, "0.198912367379658"},
                      {10, "0.7071067811865476"},
                      {20, "0.7071067811865476"},
                      {42, "0.198912367379658"},
                      {10, "0"},
                      {20, "1"},
                      {210, "0"},
                      {220, "0"},
                      {230, "-1"},
                      {1001, "KWL_EDYTOR"},
                      {1070, "8"},
                      {0, "ENDSEC"},
                      {0, "EOF"}}));
    const DxfReadResult r = loadDxf(path("others.dxf"));
    const Drawing& d = *r.drawing;
    EXPECT_EQ(r.skipped, 0);
    const auto splines = ofType(d, EntityType::Spline);
    ASSERT_EQ(splines.size(), 2u);
    EXPECT_TRUE(at(d, splines[0]).has(EntityFlag::Closed));
    EXPECT_EQ(verticesOf(d, splines[0]), (std::vector<Vec2>{{0, 0}, {4, 0}, {2, 3}, {0, 0}}));
    EXPECT_FALSE(at(d, splines[1]).has(EntityFlag::Closed));
    EXPECT_EQ(verticesOf(d, splines[1]), (std::vector<Vec2>{{0, 0}, {3, 0}}));
    const auto sectors = ofType(d, EntityType::Sector);
    ASSERT_EQ(sectors.size(), 1u);
    const ArcData& a = d.sectors[at(d, sectors[0]).first];
    EXPECT_VEC(a.centre, 0, 0);
    EXPECT_NEAR(a.radius, 1, 1e-12);
    EXPECT_NEAR(a.startAngle, 90, 1e-9);
    EXPECT_NEAR(a.endAngle, 180, 1e-9);
    EXPECT_TRUE(ofType(d, EntityType::Polyline).empty());
}

// ---- texts keep every byte ------------------------------------------------------------------

// The string of each TEXT of a file as ezdxf decodes its caret notation, as code points.
const char* kCaretDecoded = R"PY(
import sys, json, ezdxf
from ezdxf.tools.text import caret_decode
doc = ezdxf.readfile(sys.argv[1])
print(json.dumps({"errors": len(doc.audit().errors),
                  "texts": [[ord(c) for c in caret_decode(e.dxf.text)]
                            for e in doc.modelspace() if e.dxftype() == "TEXT"]}))
)PY";

TEST_F(DxfTest, TextsKeepEveryByteThroughDxf) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += char(b);
    // What other readers decode the same way: line breaks, carets, tabs, letters.
    const std::vector<std::string> decodedAlike = {
        "km 0+125.00\nL=35.00 m",    "\na^b^^\n",        "^J is no line break", "\t\r\n",
        cp1250("Łódź\nul. Żółta 5"), "  spaces around  "};
    // What only a reader of the percent codes and escapes gets back.
    const std::vector<std::string> escaped = {
        "i=2.5%", "%%d", "50%%%p%", "%%%%", "C:\\U+0041\\M+18140\\U+12", everyByte, ""};
    Drawing d;
    for (const auto* list : {&decodedAlike, &escaped})
        for (const std::string& t : *list)
            d.addText(TextSpec{{0, 0}, 1, 0, 0, 0, 0, t});
    saveDxf(d, path("texts.dxf"));

    const DxfReadResult r = loadDxf(path("texts.dxf"));
    const Drawing& back = *r.drawing;
    const auto texts = ofType(back, EntityType::Text);
    ASSERT_EQ(texts.size(), decodedAlike.size() + escaped.size());
    std::size_t i = 0;
    for (const auto* list : {&decodedAlike, &escaped})
        for (const std::string& t : *list)
            EXPECT_EQ(back.textOf(at(back, texts[i++])), t) << i;

    // ezdxf decodes the caret notation of our strings to the texts.
    const QJsonObject f = pythonJson(kCaretDecoded, {QString::fromStdString(path("texts.dxf"))});
    EXPECT_EQ(f["errors"].toInt(), 0);
    const QJsonArray decoded = f["texts"].toArray();
    ASSERT_EQ(decoded.size(), qsizetype(texts.size()));
    for (std::size_t k = 0; k < decodedAlike.size(); ++k) {
        QJsonArray expected;
        for (const char32_t c : dxf::decodeCp1250(decodedAlike[k]))
            expected.append(int(c));
        EXPECT_EQ(decoded[qsizetype(k)].toArray(), expected) << k;
    }
}

TEST_F(DxfTest, CaretNotationOfOtherWritersIsRead) {
    writeFile(path("carets.dxf"),
              "0\nSECTION\n2\nENTITIES\n"
              "0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n1\n1\nfirst^Jsecond^Ithird^ ^M\n"
              // A caret before a letter that names no control character, and at the end.
              "0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n1\n1\n^a 2^3^\n"
              // A raw tab, which no DXF string should hold.
              "0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n1\n1\nx\ty\n"
              "0\nENDSEC\n0\nEOF\n");
    const DxfReadResult r = loadDxf(path("carets.dxf"));
    const Drawing& d = *r.drawing;
    const auto texts = ofType(d, EntityType::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(d.textOf(at(d, texts[0])), "first\nsecond\tthird^\r");
    EXPECT_EQ(d.textOf(at(d, texts[1])), "^a 2^3^");
    EXPECT_EQ(d.textOf(at(d, texts[2])), "x y");
}

// ---- absurd values ------------------------------------------------------------------------

TEST_F(DxfTest, AbsurdValuesAreWrittenAndReadBackAndNonFiniteOnesLeftOut) {
    Drawing d;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    d.addLine({{-99999999, 1e16}, {99999999, -1e16}});
    own(d, 0x010203, -99999999); // a negative width is the thinnest
    const Vec2 same[] = {{1e16, 1e16}, {1e16, 1e16}};
    d.addPolyline(same, 2, false); // of no length
    d.addPolyline(same, 1, false); // one vertex
    d.addText(TextSpec{{0, 0}, 1e16, 99999999, 0, 0, 0, "big"});
    d.addCircle({{0, 0}, 1e300});
    d.addEllipse({{0, 0}, 0, 0, 0, 0, 360}); // a point: no ellipse DXF can hold
    // Not finite: left out.
    d.addLine({{nan, 0}, {1, 1}});
    const Vec2 bad[] = {{0, 0}, {inf, 1}};
    d.addPolyline(bad, 2, false);
    d.addText(TextSpec{{0, 0}, nan, 0, 0, 0, 0, "nan"});
    d.addCircle({{0, 0}, -inf});
    d.addInsert({5, {0, 0}, 1, 1, 0}); // no such block
    d.lineStyles.push_back(LineStyle{"odd", "1,-1", {1, nan, -1}});

    saveDxf(d, path("absurd.dxf"));
    const QJsonObject f = pythonJson(kDescribe, {QString::fromStdString(path("absurd.dxf"))});
    EXPECT_EQ(f["errors"].toArray().size(), 0);
    EXPECT_EQ(f["entities"].toArray().size(), 5);

    const DxfReadResult r = loadDxf(path("absurd.dxf"));
    const Drawing& back = *r.drawing;
    EXPECT_EQ(r.skipped, 0);
    const auto all = modelSpace(back);
    ASSERT_EQ(all.size(), 5u);
    const LineData& line = back.lines[at(back, all[0]).first];
    EXPECT_EQ(line.a, (Vec2{-99999999, 1e16}));
    EXPECT_EQ(line.b, (Vec2{99999999, -1e16}));
    EXPECT_EQ(back.ownStyle(std::size_t(all[0])).width, 0);
    EXPECT_EQ(verticesOf(back, all[1]), (std::vector<Vec2>{{1e16, 1e16}, {1e16, 1e16}}));
    EXPECT_EQ(verticesOf(back, all[2]), (std::vector<Vec2>{{1e16, 1e16}}));
    EXPECT_EQ(back.textSpec(at(back, all[3])).height, 1e16);
    EXPECT_DOUBLE_EQ(back.textSpec(at(back, all[3])).rotation, std::fmod(99999999.0, 360));
    EXPECT_EQ(back.circles[at(back, all[4]).first].radius, 1e300);
    EXPECT_EQ(back.lineStyles.back().pattern, (std::vector<double>{1, -1}));
}

TEST_F(DxfTest, AbsurdNumbersInAFileDoNotBreakTheReading) {
    const QByteArray file =
        groups({{0, "SECTION"},     {2, "ENTITIES"}, {0, "LINE"},       {10, "1e999"},
                {20, "0"},          {11, "1"},       {21, "1"}, // out of range
                {0, "LINE"},        {10, "nan"},     {20, "0"},         {11, "1"},
                {21, "1"}, // not a number
                {0, "LINE"},        {10, "-1e308"},  {20, "1e308"},     {11, "1e308"},
                {21, "-1e308"},     {0, "CIRCLE"},   {10, "0"},         {20, "0"},
                {40, "-5"},         {0, "TEXT"},     {10, "0"},         {20, "0"},
                {40, "-1"},         {1, "x"},        {50, "1e300"},     {0, "LWPOLYLINE"},
                {90, "2147483647"}, {10, "0"},       {20, "0"},         {0, "SPLINE"},
                {71, "99"},         {72, "-5"},      {73, "100000000"}, {10, "0"},
                {20, "0"},          {10, "1"},       {20, "1"},         {40, "1e300"},
                {0, "INSERT"},      {2, "NOWHERE"},  {41, "0"},         {10, "0"},
                {20, "0"},          {0, "INSERT"},   {2, "NOWHERE"},    {70, "100000"},
                {71, "100000"},     {0, "ELLIPSE"},  {10, "0"},         {20, "0"},
                {11, "0"},          {21, "0"},       {40, "0"},         {0, "ENDSEC"},
                {0, "EOF"}});
    writeFile(path("numbers.dxf"), file);
    const DxfReadResult r = loadDxf(path("numbers.dxf"));
    const Drawing& d = *r.drawing;
    for (const int h : modelSpace(d))
        EXPECT_FALSE(d.entityExtents(h).empty() && at(d, h).type != EntityType::Insert);
    EXPECT_EQ(countByType(d)[EntityType::Line], 1);
    EXPECT_EQ(d.circles.at(0).radius, 5);
    EXPECT_EQ(d.paramsOf(d.texts.at(0)).height, 2.5);
    EXPECT_EQ(countByType(d)[EntityType::Polyline], 2);
    EXPECT_EQ(countByType(d)[EntityType::Insert], 1); // an array too large: one insert
    // Out of range lines, a zero scale and the ellipse without axis are skipped.
    EXPECT_EQ(r.skipped, 4);
}

// ---- broken files -------------------------------------------------------------------------

FileError::Kind loadError(const std::string& p) {
    try {
        loadDxf(p);
    } catch (const FileError& e) {
        return e.kind();
    }
    return FileError::Kind(-1);
}

TEST_F(DxfTest, BrokenFilesGiveErrors) {
    EXPECT_EQ(loadError(path("missing.dxf")), FileError::Kind::CannotOpen);
    writeFile(path("empty.dxf"), "");
    EXPECT_EQ(loadError(path("empty.dxf")), FileError::Kind::UnknownFormat);
    writeFile(path("text.dxf"), "This is not a drawing.\n0\nSECTION\n");
    EXPECT_EQ(loadError(path("text.dxf")), FileError::Kind::UnknownFormat);
    writeFile(path("binary.dxf"), QByteArray("AutoCAD Binary DXF\r\n\x1a\0", 22));
    EXPECT_EQ(loadError(path("binary.dxf")), FileError::Kind::UnknownFormat);
    writeFile(path("code.dxf"), "0\nSECTION\n2\nENTITIES\nten\nLINE\n0\nENDSEC\n0\nEOF\n");
    EXPECT_EQ(loadError(path("code.dxf")), FileError::Kind::BrokenDxf);
    writeFile(path("open.dxf"), "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n");
    EXPECT_EQ(loadError(path("open.dxf")), FileError::Kind::BrokenDxf);
    writeFile(path("odd.dxf"), "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\n");
    EXPECT_EQ(loadError(path("odd.dxf")), FileError::Kind::BrokenDxf);
    writeFile(path("before.dxf"), "999\nx\n10\n1\n0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    EXPECT_EQ(loadError(path("before.dxf")), FileError::Kind::BrokenDxf);
    // A file can end without EOF after a whole section.
    writeFile(path("noeof.dxf"), "0\nSECTION\n2\nENTITIES\n0\nPOINT\n10\n1\n20\n2\n0\nENDSEC\n");
    EXPECT_EQ(loadDxf(path("noeof.dxf")).drawing->points.size(), 1u);
}

TEST_F(DxfTest, RandomAndTruncatedFilesGiveAnErrorOrADrawing) {
    std::mt19937 random(1234);
    for (int n = 0; n < 50; ++n) {
        QByteArray bytes(int(random() % 4000), '\0');
        for (char& c : bytes)
            c = char(random());
        // Half of them look like DXF at the start.
        if (n % 2)
            bytes.prepend("0\nSECTION\n2\nENTITIES\n");
        writeFile(path("random.dxf"), bytes);
        try {
            loadDxf(path("random.dxf"));
        } catch (const FileError&) {
        }
    }

    // A whole file of ours, cut at many lengths: whole sections read, else damaged.
    const Sample s = sampleDrawing();
    saveDxf(s.d, path("whole.dxf"));
    const QByteArray whole = readFile(path("whole.dxf"));
    const std::size_t entities = loadDxf(path("whole.dxf")).drawing->entities.size();
    int read = 0, damaged = 0;
    for (qsizetype cut = 1; cut < whole.size(); cut += whole.size() / 397 + 1) {
        writeFile(path("cut.dxf"), whole.left(cut));
        try {
            const DxfReadResult r = loadDxf(path("cut.dxf"));
            EXPECT_LE(r.drawing->entities.size(), entities);
            ++read;
        } catch (const FileError& e) {
            EXPECT_TRUE(e.kind() == FileError::Kind::BrokenDxf ||
                        e.kind() == FileError::Kind::UnknownFormat);
            ++damaged;
        }
    }
    EXPECT_GT(damaged, 300);
    // Cuts inside every group of the entities: each gives an error or a drawing.
    const qsizetype start = whole.indexOf("ENTITIES");
    const qsizetype end = whole.lastIndexOf("ENDSEC", whole.indexOf("OBJECTS"));
    for (qsizetype cut = start; cut < end; cut += 7) {
        writeFile(path("cut.dxf"), whole.left(cut));
        EXPECT_EQ(loadError(path("cut.dxf")), FileError::Kind::BrokenDxf);
    }
    (void)read;
}

} // namespace
