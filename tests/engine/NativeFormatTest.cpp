// The native drawing format: what a round trip keeps, and what damaged, hostile or newer files
// and failing saves do.
#include "engine/io/NativeFormat.h"
#include "engine/edit/DrawingWriter.h"
#include "engine/io/FileError.h"
#include "engine/model/Drawing.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cad::Drawing;
using cad::FileError;
using Kind = cad::FileError::Kind;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const std::optional<Kind> kReads; // no error

// Where the file keeps what the tests change on purpose.
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kVersionAt = 8;

// A folder of the test's own, removed with everything in it.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "native-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& entry : fs::directory_iterator(path_))
            result.push_back(entry.path().filename().string());
        std::sort(result.begin(), result.end());
        return result;
    }

private:
    fs::path path_;
};

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The kind of FileError reading the bytes throws, or nothing when they read. Any other
// exception fails the test that called it.
std::optional<Kind> readError(std::string_view bytes) {
    try {
        cad::readNative(bytes);
    } catch (const FileError& e) {
        return e.kind();
    }
    return std::nullopt;
}

std::optional<Kind> saveError(const Drawing& d, const std::string& path) {
    try {
        cad::saveNative(d, path);
    } catch (const FileError& e) {
        return e.kind();
    }
    return std::nullopt;
}

std::string bytesOf(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}
template <typename T> std::string bytesOf(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return bytesOf(&value, sizeof value);
}
// Doubles compare by their bits, so that NaN equals the NaN it was saved as.
bool same(double a, double b) {
    return bytesOf(a) == bytesOf(b);
}
template <typename T, typename A>
bool sameTable(const std::vector<T, A>& a, const std::vector<T, A>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Everything an entity is, without its handle or where its data lies.
std::string describe(const Drawing& d, std::size_t handle) {
    cad::Entity e = d.entities[handle];
    e.flags &= cad::EntityFlag::Stored;
    const std::uint64_t first = e.first;
    e.first = 0;
    std::string s = bytesOf(e);
    switch (e.type) {
    case cad::EntityType::Point:
        return s + bytesOf(d.points[first]);
    case cad::EntityType::Line:
        return s + bytesOf(d.lines[first]);
    case cad::EntityType::Circle:
        return s + bytesOf(d.circles[first]);
    case cad::EntityType::Arc:
        return s + bytesOf(d.arcs[first]);
    case cad::EntityType::Sector:
        return s + bytesOf(d.sectors[first]);
    case cad::EntityType::Ellipse:
        return s + bytesOf(d.ellipses[first]);
    case cad::EntityType::Rectangle:
        return s + bytesOf(d.rectangles[first]);
    case cad::EntityType::Polyline:
    case cad::EntityType::Spline:
        return s + bytesOf(d.vertices.data() + first, e.count * sizeof(cad::Vec2));
    case cad::EntityType::Insert: {
        const auto& i = d.inserts[first];
        return s + bytesOf(i.block) + bytesOf(i.p) + bytesOf(i.scaleX) + bytesOf(i.scaleY) +
               bytesOf(i.angle);
    }
    case cad::EntityType::Text: {
        e.first = static_cast<std::uint32_t>(first);
        const cad::TextSpec t = d.textSpec(e);
        return s + bytesOf(t.p) + bytesOf(t.height) + bytesOf(t.rotation) + bytesOf(t.oblique) +
               bytesOf(t.align) + bytesOf(t.style) + "|" + t.text;
    }
    case cad::EntityType::Hatch: {
        const auto& h = d.hatches[first];
        const auto loops = d.loopsOf(h);
        return s + std::string(d.pooled(h.pattern)) + "|" + bytesOf(h.solid) + bytesOf(h.scale) +
               bytesOf(h.angle) + bytesOf(loops.data(), loops.size() * 4) +
               bytesOf(d.vertices.data() + h.firstVertex, e.count * sizeof(cad::Vec2));
    }
    case cad::EntityType::Image: {
        const auto& i = d.images[first];
        return s + std::string(d.pooled(i.path)) + "|" + bytesOf(i.p) + bytesOf(i.width) +
               bytesOf(i.height);
    }
    case cad::EntityType::Dimension: {
        // Its record without where its text lies, then the text.
        cad::DimensionRecord r = d.dimensions[first];
        const std::string_view text = d.pooled(r.text);
        r.text = {};
        return s + bytesOf(r) + "|" + std::string(text);
    }
    }
    return s;
}

void expectSameTables(const Drawing& a, const Drawing& b) {
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (std::size_t i = 0; i < a.layers.size(); ++i) {
        const auto &x = a.layers[i], &y = b.layers[i];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.color, y.color);
        EXPECT_EQ(x.fillColor, y.fillColor);
        EXPECT_TRUE(same(x.width, y.width));
        EXPECT_EQ(x.visible, y.visible);
        EXPECT_EQ(x.locked, y.locked);
        EXPECT_EQ(x.printable, y.printable);
    }
    ASSERT_EQ(a.lineStyles.size(), b.lineStyles.size());
    for (std::size_t i = 0; i < a.lineStyles.size(); ++i) {
        EXPECT_EQ(a.lineStyles[i].name, b.lineStyles[i].name);
        EXPECT_EQ(a.lineStyles[i].definition, b.lineStyles[i].definition);
        EXPECT_TRUE(sameTable(a.lineStyles[i].pattern, b.lineStyles[i].pattern));
    }
    ASSERT_EQ(a.textStyles.size(), b.textStyles.size());
    for (std::size_t i = 0; i < a.textStyles.size(); ++i) {
        const auto &x = a.textStyles[i], &y = b.textStyles[i];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.font, y.font);
        EXPECT_TRUE(same(x.widthFactor, y.widthFactor));
        EXPECT_TRUE(same(x.oblique, y.oblique));
        EXPECT_EQ(x.precision, y.precision);
        EXPECT_EQ(x.filled, y.filled);
        EXPECT_EQ(x.systemFont, y.systemFont);
    }
    ASSERT_EQ(a.blocks.size(), b.blocks.size());
    for (std::size_t i = 0; i < a.blocks.size(); ++i) {
        EXPECT_EQ(a.blocks[i].name, b.blocks[i].name);
        EXPECT_TRUE(same(a.blocks[i].base.x, b.blocks[i].base.x));
        EXPECT_TRUE(same(a.blocks[i].base.y, b.blocks[i].base.y));
    }
    EXPECT_EQ(a.settings, b.settings);
    EXPECT_EQ(a.current.layer, b.current.layer);
    EXPECT_EQ(a.current.lineStyle, b.current.lineStyle);
    EXPECT_EQ(a.current.textStyle, b.current.textStyle);
    EXPECT_EQ(a.current.textAlign, b.current.textAlign);
    EXPECT_TRUE(same(a.current.textRotation, b.current.textRotation));
    EXPECT_TRUE(same(a.current.textOblique, b.current.textOblique));
    EXPECT_TRUE(same(a.current.textHeight, b.current.textHeight));
}

// The loaded drawing holds the same live entities in the same order, with block lists naming
// the same entities.
void expectSameLiveEntities(const Drawing& a, const Drawing& b) {
    std::vector<std::size_t> live;
    std::vector<std::int64_t> renumbered(a.entities.size(), -1);
    for (std::size_t h = 0; h < a.entities.size(); ++h)
        if (!a.entities[h].has(cad::EntityFlag::Deleted)) {
            renumbered[h] = static_cast<std::int64_t>(live.size());
            live.push_back(h);
        }
    ASSERT_EQ(b.entities.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i)
        EXPECT_EQ(describe(a, live[i]), describe(b, i)) << "entity " << i;
    ASSERT_EQ(a.blocks.size(), b.blocks.size());
    for (std::size_t k = 0; k < a.blocks.size(); ++k) {
        std::vector<std::uint32_t> expected;
        for (std::uint32_t h : a.blocks[k].entities)
            if (renumbered[h] >= 0)
                expected.push_back(static_cast<std::uint32_t>(renumbered[h]));
        EXPECT_EQ(b.blocks[k].entities, expected) << "block " << k;
    }
}

// Every record field and table entry as it was; only the runtime flags are gone.
void expectSameDrawing(const Drawing& a, const Drawing& b) {
    expectSameTables(a, b);
    ASSERT_EQ(a.entities.size(), b.entities.size());
    for (std::size_t h = 0; h < a.entities.size(); ++h) {
        cad::Entity e = a.entities[h];
        e.flags &= cad::EntityFlag::Stored;
        EXPECT_EQ(bytesOf(e), bytesOf(b.entities[h])) << "entity " << h;
    }
    for (std::size_t k = 0; k < a.blocks.size() && k < b.blocks.size(); ++k)
        EXPECT_EQ(a.blocks[k].entities, b.blocks[k].entities);
    EXPECT_TRUE(sameTable(a.vertices, b.vertices));
    EXPECT_TRUE(sameTable(a.points, b.points));
    EXPECT_TRUE(sameTable(a.lines, b.lines));
    EXPECT_TRUE(sameTable(a.circles, b.circles));
    EXPECT_TRUE(sameTable(a.arcs, b.arcs));
    EXPECT_TRUE(sameTable(a.sectors, b.sectors));
    EXPECT_TRUE(sameTable(a.ellipses, b.ellipses));
    EXPECT_TRUE(sameTable(a.rectangles, b.rectangles));
    ASSERT_EQ(a.inserts.size(), b.inserts.size());
    ASSERT_EQ(a.texts.size(), b.texts.size());
    ASSERT_EQ(a.hatches.size(), b.hatches.size());
    ASSERT_EQ(a.images.size(), b.images.size());
    for (std::size_t i = 0; i < a.inserts.size(); ++i)
        EXPECT_EQ(a.inserts[i].block, b.inserts[i].block);
    for (std::size_t i = 0; i < a.hatches.size(); ++i)
        EXPECT_EQ(a.hatches[i].firstVertex, b.hatches[i].firstVertex);
    for (std::size_t h = 0; h < a.entities.size(); ++h)
        EXPECT_EQ(describe(a, h), describe(b, h)) << "entity " << h;
}

// A drawing with a bit of everything: every entity kind, several layers and styles, a block
// that inserts another, Windows-1250 and zero bytes in names and texts, absurd numbers.
// `longText` adds a text of a megabyte.
Drawing sampleDrawing(bool longText) {
    Drawing d;
    d.layers.push_back(
        {"Osie \xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf", 0x0000FF, 0x00FF00, 0.25, true, false, true});
    d.layers.push_back(
        {std::string("zero\0byte", 9), 0xFFFFFF, 0x123456, 1e16, false, true, false});
    d.layers.push_back({"", 0, 0, kNaN, false, false, false});
    d.lineStyles.push_back({"Kreskowa", "5,-2.5,0,-2.5", cad::parseLinePattern("5,-2.5,0,-2.5")});
    d.lineStyles.push_back({"Dziwna", "nic", {1.5, -kInf, 0, 1e300}});
    d.textStyles.push_back({"Opisy \xa3\xd3\x8c", "Liberation Sans", 0.8, 15, 3, false, false});
    d.settings = {0x202020, 2, 12, 0x00FFFF, 0, 0x0000FF, true, false};
    d.settings.gridShown = true;
    d.settings.gridStepX = 2.5;
    d.settings.gridOriginY = -7;
    d.settings.gridKind = 3;

    // Block 0 "Znak": a circle and a text; block 1: a line and an insert of block 0.
    d.current.layer = 1;
    std::size_t from = d.entities.size();
    d.addCircle({{0, 0}, 1.5});
    d.addText({{1, 1}, 2.5, 0, 0, 4, 1, "\xa3\xf3\x64\xbc"});
    d.makeBlock("Znak", {0.5, 0.5}, from);
    from = d.entities.size();
    d.addLine({{-1, -1}, {1, 1}});
    d.addInsert({0, {3, 4}, 2, -2, 30});
    d.makeBlock("S\xb3up", {0, -99999999}, from);

    d.current.layer = 2;
    d.current.lineStyle = 1;
    d.addPoint({{1e16, -99999999}});
    d.addLine({{kNaN, kInf}, {-kInf, -0.0}});
    const cad::Vec2 path[] = {{0, 0}, {10, 0}, {10, 1e16}, {-99999999, 5}};
    d.addPolyline(path, 4, true, 2);
    d.setOwnStyle(d.entities.size() - 1, {0x00ABCDEF, 0, 0.7});
    d.entities.back().set(cad::EntityFlag::ColorByLayer, false);
    d.addCircle({{5, 5}, -3});
    d.addArc({{1, 2}, 3, 350, 10});
    d.addEllipse({{0, 0}, 4, 2, 45, kNaN, 720});
    d.addRectangle({{2, 2}, 4, 3, -30});
    d.entities.back().set(cad::EntityFlag::Filled, true);
    d.entities.back().set(cad::EntityFlag::WidthByLayer, false);
    d.addInsert({1, {100, 200}, 1e16, 0, kInf});
    d.addInsert({0, {-5, -5}, 1, 1, 0});
    std::string everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.push_back(static_cast<char>(i));
    d.addText({{0, 0}, 2.5, 90, 15, 8, 1, everyByte});
    d.addText({{1, 1}, 0, 0, 0, -3, 0, ""});
    if (longText) {
        std::mt19937 random(1250);
        std::string text(1u << 20, '\0');
        for (char& c : text)
            c = static_cast<char>(random());
        d.addText({{9, 9}, 1, 0, 0, 0, 0, text});
    }
    const cad::Vec2 boundary[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {2, 1}, {2, 2}};
    d.addHatch(boundary, 7, {"ANSI31 \xa5", false, 2.5, 45, {4, 3}, {1, 2}, true});
    d.entities.back().set(cad::EntityFlag::Filled, true);
    d.addHatch(boundary, 3, {"", true, 1, 0, {3}, {}, false});
    d.addImage({"/home/projekt/mapa \xb9.png", {10, 20}, 300, 200});
    d.addPolyline(path, 0, false);
    d.addSpline(path, 4, false);
    d.addSpline(path, 3, true);
    d.addSector({{-3, 4}, 2.5, 300, 45});
    d.entities.back().set(cad::EntityFlag::Filled, true);
    d.addSector({{kInf, 0}, kNaN, 0, 0});
    d.current = {2, 1, 1, 5, 45, kNaN, 3.5};

    // Selection is no part of the file.
    d.entities[3].set(cad::EntityFlag::Selected, true);
    d.entities.back().set(cad::EntityFlag::Selected, true);
    return d;
}

// A drawing of a few hundred bytes for the byte-by-byte tests.
Drawing smallDrawing() {
    Drawing d;
    d.layers.push_back({"Osie", 0x0000FF, 0x0000FF, 0.25, true, false, true});
    const std::size_t from = d.entities.size();
    d.addCircle({{0, 0}, 1});
    d.makeBlock("Znak", {0, 0}, from);
    const cad::Vec2 path[] = {{0, 0}, {10, 0}, {10, 10}};
    d.addPolyline(path, 3, false);
    d.addInsert({0, {3, 4}, 1, 1, 0});
    d.addText({{1, 1}, 2.5, 0, 0, 0, 0, "Km 0+100"});
    d.addHatch(path, 3, {"", true, 1, 0, {3}, {}, false});
    return d;
}

// ---- building files by hand, as the layout is documented

class Bytes {
public:
    template <typename T> Bytes& put(T value) {
        static_assert(std::is_arithmetic_v<T>);
        s_ += bytesOf(value);
        return *this;
    }
    Bytes& number(std::uint64_t n) {
        for (; n >= 0x80; n >>= 7)
            s_.push_back(static_cast<char>((n & 0x7F) | 0x80));
        s_.push_back(static_cast<char>(n));
        return *this;
    }
    Bytes& text(std::string_view t) {
        number(t.size());
        s_ += t;
        return *this;
    }
    Bytes& raw(std::string_view t) {
        s_ += t;
        return *this;
    }
    const std::string& str() const { return s_; }

private:
    std::string s_;
};

// A zlib stream that stores the bytes as they are.
std::string zlibStored(const std::string& plain) {
    std::string z = "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(plain.size() - at, 65535);
        const bool last = at + n == plain.size();
        z.push_back(last ? 1 : 0);
        const auto len = static_cast<std::uint16_t>(n);
        z += bytesOf(len);
        z += bytesOf(static_cast<std::uint16_t>(~len));
        z += plain.substr(at, n);
        at += n;
    } while (at < plain.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : plain) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const std::uint32_t adler = (b << 16) | a;
    for (int shift = 24; shift >= 0; shift -= 8)
        z.push_back(static_cast<char>(adler >> shift));
    return z;
}

struct Tables {
    std::array<std::uint64_t, 13> counts{}; // of the large arrays
    std::uint64_t layerCount = 1;
    std::string layerName = "0";
    std::uint8_t layerBits = 5;
    std::int32_t currentLayer = 0;
    std::string blocks = Bytes().number(0).str();
    std::string tail;   // after the images
    bool third = false; // format 3: a print scale after the grid, a dimension style current
};

std::string tablesOf(const Tables& t) {
    Bytes b;
    for (std::uint64_t n : t.counts)
        b.number(n);
    if (t.third)
        b.number(0); // dimensions
    b.put<std::uint32_t>(0xFFFFFF).put<std::int32_t>(0).put<std::int32_t>(5);
    b.put<std::uint32_t>(0).put<std::int32_t>(1).put<std::uint32_t>(0xFF0000).put<std::uint8_t>(0);
    b.put(10.0).put(10.0).put(0.0).put(0.0).put<std::uint32_t>(0xC0C0C0).put<std::int32_t>(
        0); // grid
    if (t.third)
        b.put(100.0);
    b.put<std::int32_t>(t.currentLayer).put<std::int32_t>(0).put<std::int32_t>(0);
    b.put<std::int32_t>(0).put(0.0).put(0.0).put(2.5);
    if (t.third)
        b.put<std::int32_t>(0);
    b.number(t.layerCount).text(t.layerName).put<std::uint32_t>(0x123456);
    b.put<std::uint32_t>(0x654321).put(0.35).put(t.layerBits);
    b.number(1).text("Continuous").text("").number(0);
    b.number(1).text("Standard").text("DejaVu Sans").put(1.0).put(0.0);
    b.put<std::int32_t>(5).put<std::uint8_t>(3);
    b.raw(t.blocks);
    b.number(0).number(0).number(0).number(0); // text parameters, hatches, loops, images
    b.raw(t.tail);
    return b.str();
}

std::string fileOf(const std::string& tables, const std::string& arrays = "",
                   std::uint32_t version = 2) {
    const std::string packed = zlibStored(tables);
    Bytes b;
    b.raw("\x89RDW\r\n\x1a\n").put<std::uint32_t>(version).put<std::uint32_t>(~version);
    b.put<std::uint64_t>(0);
    b.put<std::uint32_t>(0).put<std::uint32_t>(0);
    b.put<std::uint64_t>(packed.size()).put<std::uint64_t>(tables.size()).raw(packed);
    b.raw(arrays);
    std::string file = b.str();
    EXPECT_TRUE(cad::resealNative(file));
    return file;
}

// Where the entity records start in a file.
std::size_t entitiesAt(const std::string& file) {
    std::uint64_t packed = 0;
    std::memcpy(&packed, file.data() + kHeaderSize, 8);
    return kHeaderSize + 16 + packed;
}

} // namespace

// ---- round trips

TEST(NativeFormat, RoundTripKeepsEveryTableEntityAndByte) {
    const Drawing original = sampleDrawing(true);
    Folder folder;
    const std::string path = folder / "plan.rdw";
    cad::saveNative(original, path);
    const auto loaded = cad::loadNative(path);
    expectSameDrawing(original, *loaded);
    EXPECT_FALSE(loaded->modified);
    EXPECT_EQ(loaded->selectedCount(), 0);
    EXPECT_TRUE(std::any_of(loaded->entities.begin(), loaded->entities.end(), [](const auto& e) {
        return e.type == cad::EntityType::Text && e.count == 1u << 20;
    }));
    EXPECT_FALSE(loaded->hasRecursiveBlock());

    // The same bytes in memory, and saving what was loaded changes nothing.
    const std::string bytes = fileBytes(path);
    EXPECT_EQ(cad::writeNative(original), bytes);
    EXPECT_EQ(cad::writeNative(*loaded), bytes);
    expectSameDrawing(original, *cad::readNative(bytes));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plan.rdw"});
}

// A copy taken to be written elsewhere writes as the drawing does, holes and own styles
// included, and stays as it was while the drawing goes on changing.
TEST(NativeFormat, AContentCopyIsWrittenAsTheDrawingIs) {
    Drawing d = sampleDrawing(false);
    d.entities[4].set(cad::EntityFlag::Deleted, true);
    const std::string before = cad::writeNative(d);
    const auto copy = d.contentCopy();
    EXPECT_EQ(cad::writeNative(*copy), before);
    EXPECT_EQ(copy->modified, d.modified);
    EXPECT_EQ(copy->version, d.version);

    d.addLine({{0, 0}, {1, 1}});
    d.layers[1].name = "zmieniona";
    EXPECT_EQ(cad::writeNative(*copy), before);
    EXPECT_NE(cad::writeNative(d), before);
}

TEST(NativeFormat, RoundTripOfFreshAndEmptyDrawings) {
    const Drawing fresh;
    expectSameDrawing(fresh, *cad::readNative(cad::writeNative(fresh)));

    Drawing blocksOnly;
    blocksOnly.blocks.push_back({"pusty", {1, 2}, {}});
    expectSameDrawing(blocksOnly, *cad::readNative(cad::writeNative(blocksOnly)));
}

// Large arrays take another way to the file than small pieces do; the bytes must come out in
// the same order all the same.
TEST(NativeFormat, RoundTripOfALargeDrawingThroughAFile) {
    Drawing d = sampleDrawing(false);
    std::vector<cad::Vec2> vertices(7);
    for (int i = 0; i < 60000; ++i) {
        for (std::size_t k = 0; k < vertices.size(); ++k)
            vertices[k] = {i + 0.5 * static_cast<double>(k), -i * 0.25};
        d.addPolyline(vertices.data(), vertices.size(), i % 2 == 0);
        if (i % 1000 == 0)
            d.addText({{0, 0}, 2.5, 0, 0, 0, 0, "Km " + std::to_string(i)});
    }
    Folder folder;
    const std::string path = folder / "duzy.rdw";
    cad::saveNative(d, path);
    EXPECT_TRUE(fileBytes(path) == cad::writeNative(d));
    expectSameDrawing(d, *cad::loadNative(path));
}

TEST(NativeFormat, DeletedEntitiesAreLeftOutAndHandlesRenumbered) {
    Drawing d = sampleDrawing(false);
    // A deleted entity inside a block that is still on its list, and deleted ones of most
    // kinds in model space.
    d.entities[1].set(cad::EntityFlag::Deleted, true);
    for (std::size_t h : {4u, 6u, 9u, 12u, 15u, 17u})
        d.entities[h].set(cad::EntityFlag::Deleted, true);
    // Replacing a block deletes the entities it had.
    const std::size_t from = d.entities.size();
    d.addPoint({{7, 7}});
    d.addInsert({0, {1, 1}, 1, 1, 0});
    d.makeBlock("S\xb3up", {1, 1}, from);
    d.addCircle({{8, 8}, 2});

    const auto loaded = cad::readNative(cad::writeNative(d));
    expectSameTables(d, *loaded);
    expectSameLiveEntities(d, *loaded);
    EXPECT_FALSE(loaded->hasRecursiveBlock());
    // The tables hold only what the live entities use.
    EXPECT_EQ(loaded->circles.size(), 3u);
    EXPECT_EQ(loaded->texts.size(), 2u);

    // Once compacted, a drawing saves as it is.
    EXPECT_EQ(cad::writeNative(*loaded), cad::writeNative(d));
    const auto again = cad::readNative(cad::writeNative(*loaded));
    expectSameDrawing(*loaded, *again);
}

TEST(NativeFormat, EmptyDrawingWithSeventyLayersFitsInAThousandBytes) {
    Drawing d;
    std::mt19937 random(1250);
    const double widths[] = {0.13, 0.18, 0.25, 0.35, 0.5, 0.7, 1.0};
    d.layers.clear();
    for (int i = 0; i < 70; ++i) {
        const std::uint32_t color = random() & 0xFFFFFF;
        d.layers.push_back({std::to_string(i), color, color, widths[random() % 7], i % 5 != 0,
                            i % 7 == 0, i % 3 != 0});
    }
    Folder folder;
    const std::string path = folder / "pusty.rdw";
    cad::saveNative(d, path);
    EXPECT_LE(fs::file_size(path), 1000u);
    expectSameDrawing(d, *cad::loadNative(path));
}

TEST(NativeFormat, SavingReplacesTheFileAndFollowsALink) {
    Folder folder;
    const std::string path = folder / "plan.rdw";
    cad::saveNative(smallDrawing(), path);
    const Drawing second = sampleDrawing(false);
    cad::saveNative(second, path);
    expectSameDrawing(second, *cad::loadNative(path));

    const std::string link = folder / "skrot.rdw";
    fs::create_symlink(path, link);
    const Drawing third;
    cad::saveNative(third, link);
    EXPECT_TRUE(fs::is_symlink(link));
    expectSameDrawing(third, *cad::loadNative(path));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"plan.rdw", "skrot.rdw"}));
}

TEST(NativeFormat, AHandBuiltFileOfTheDocumentedLayoutLoads) {
    const auto d = cad::readNative(fileOf(tablesOf({})));
    ASSERT_EQ(d->layers.size(), 1u);
    EXPECT_EQ(d->layers[0].name, "0");
    EXPECT_EQ(d->layers[0].color, 0x123456u);
    EXPECT_EQ(d->layers[0].fillColor, 0x654321u);
    EXPECT_EQ(d->layers[0].width, 0.35);
    EXPECT_TRUE(d->layers[0].visible);
    EXPECT_FALSE(d->layers[0].locked);
    EXPECT_TRUE(d->layers[0].printable);
    EXPECT_EQ(d->lineStyles.size(), 1u);
    EXPECT_EQ(d->textStyles[0].font, "DejaVu Sans");
    EXPECT_EQ(d->settings.gripColor, 0xFF0000u);
    EXPECT_TRUE(d->entities.empty());
}

// ---- recognising files

TEST(NativeFormat, RecognisesItsFilesAndRefusesOthers) {
    const std::string bytes = cad::writeNative(smallDrawing());
    EXPECT_TRUE(cad::looksNative(bytes));
    EXPECT_TRUE(cad::looksNative(bytes.substr(0, 8)));
    EXPECT_FALSE(cad::looksNative(bytes.substr(0, 7)));
    EXPECT_FALSE(cad::looksNative("  0\nSECTION\n  2\nHEADER\n"));
    EXPECT_FALSE(cad::looksNative(""));

    EXPECT_EQ(readError("  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nEOF\n"), Kind::UnknownFormat);
    EXPECT_EQ(readError(""), Kind::UnknownFormat);
    EXPECT_EQ(readError("PNG and more"), Kind::UnknownFormat);

    Folder folder;
    auto loadError = [](const std::string& path) -> std::optional<Kind> {
        try {
            cad::loadNative(path);
        } catch (const FileError& e) {
            return e.kind();
        }
        return std::nullopt;
    };
    EXPECT_EQ(loadError(folder / "brak.rdw"), Kind::CannotOpen);
    EXPECT_EQ(loadError(folder.path().string()), Kind::CannotOpen);
    writeBytes(folder / "pusty.rdw", "");
    EXPECT_EQ(loadError(folder / "pusty.rdw"), Kind::UnknownFormat);
    writeBytes(folder / "plan.rdw", bytes);
    EXPECT_EQ(loadError(folder / "plan.rdw"), kReads);
}

TEST(NativeFormat, NewerVersionsAreRefusedAndDamagedVersionsAreNot) {
    std::string bytes = cad::writeNative(smallDrawing());
    auto withVersion = [&](std::uint32_t version, std::uint32_t check) {
        std::string b = bytes;
        std::memcpy(b.data() + kVersionAt, &version, 4);
        std::memcpy(b.data() + kVersionAt + 4, &check, 4);
        cad::resealNative(b);
        return b;
    };
    EXPECT_EQ(readError(withVersion(4, ~4u)), Kind::NewerVersion);
    EXPECT_EQ(readError(withVersion(0xFFFFFFFF, 0)), Kind::NewerVersion);
    // A newer file is recognised by its header alone, whatever follows.
    EXPECT_EQ(readError(withVersion(7, ~7u).substr(0, 16)), Kind::NewerVersion);
    EXPECT_EQ(readError(withVersion(3, ~2u)), Kind::Damaged);
    EXPECT_EQ(readError(withVersion(0, ~0u)), Kind::Damaged);
    EXPECT_EQ(readError(withVersion(3, ~3u)), kReads);

    // The reserved header field is zero in this version.
    std::string reserved = bytes;
    reserved[24] = 1;
    cad::resealNative(reserved);
    EXPECT_EQ(readError(reserved), Kind::Damaged);
}

// ---- damage

TEST(NativeFormat, EveryChangedByteIsNoticed) {
    const std::string bytes = cad::writeNative(smallDrawing());
    ASSERT_EQ(readError(bytes), kReads);
    for (std::size_t at = 0; at < bytes.size(); ++at)
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string b = bytes;
            b[at] = static_cast<char>(b[at] ^ flip);
            EXPECT_EQ(readError(b), at < 8 ? Kind::UnknownFormat : Kind::Damaged)
                << "byte " << at << " ^ " << int(flip);
        }
}

TEST(NativeFormat, EveryTruncationAndAnyAdditionIsNoticed) {
    const std::string bytes = cad::writeNative(smallDrawing());
    EXPECT_EQ(readError(""), Kind::UnknownFormat);
    for (std::size_t size = 1; size < bytes.size(); ++size)
        EXPECT_EQ(readError(bytes.substr(0, size)), Kind::Damaged) << "size " << size;
    EXPECT_EQ(readError(bytes + '\0'), Kind::Damaged);

    // Even with a checksum that matches, a file cut short does not read.
    for (std::size_t size = kHeaderSize; size < bytes.size(); ++size) {
        std::string b = bytes.substr(0, size);
        cad::resealNative(b);
        EXPECT_EQ(readError(b), Kind::Damaged) << "size " << size;
    }
    std::string longer = bytes + "x";
    cad::resealNative(longer);
    EXPECT_EQ(readError(longer), Kind::Damaged);

    // Files are read another way than memory: the same from the disk.
    Folder folder;
    const std::string path = folder / "plan.rdw";
    auto loadError = [&](std::string_view content) -> std::optional<Kind> {
        writeBytes(path, content);
        try {
            cad::loadNative(path);
        } catch (const FileError& e) {
            return e.kind();
        }
        return std::nullopt;
    };
    EXPECT_EQ(loadError(bytes), kReads);
    EXPECT_EQ(loadError(""), Kind::UnknownFormat);
    for (std::size_t size = 1; size < bytes.size(); ++size)
        EXPECT_EQ(loadError(bytes.substr(0, size)), Kind::Damaged) << "size " << size;
    EXPECT_EQ(loadError(bytes + '\0'), Kind::Damaged);
    EXPECT_EQ(loadError(longer), Kind::Damaged);
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
        std::string b = bytes;
        b[at] = static_cast<char>(b[at] ^ 0x10);
        EXPECT_EQ(loadError(b), at < 8 ? Kind::UnknownFormat : Kind::Damaged) << "byte " << at;
    }
}

TEST(NativeFormat, SplinesAndSectorsKeepTheirPlacesThroughCompacting) {
    // Splines share the vertices with polylines and hatches, sectors have a table of their own;
    // deleting some of each leaves the others' fit points and arcs where their records say.
    Drawing d;
    std::vector<int> deleted;
    for (int i = 0; i < 12; ++i) {
        const double x = i * 10;
        const cad::Vec2 points[] = {{x, 0}, {x + 3, 4}, {x + 6, -1}, {x + 9, 2}};
        const int polyline = d.addPolyline(points, 2, false);
        const int spline = d.addSpline(points, 2 + i % 3, i % 2 == 0);
        const int sector = d.addSector({{x, 5}, 1.0 + i, 10.0 * i, 200});
        d.entities.back().set(cad::EntityFlag::Filled, i % 3 == 0);
        d.addHatch(points, 3, {"", true, 1, 0, {3}, {}, false});
        for (const int h : {polyline, spline, sector})
            if ((h + i) % 4 == 0)
                deleted.push_back(h);
    }
    const std::size_t from = d.entities.size();
    const cad::Vec2 mark[] = {{0, 0}, {1, 1}, {2, 0}};
    d.addSpline(mark, 3, false);
    d.addSector({{0, 0}, 1, 0, 90});
    d.makeBlock("znak", {0, 0}, from);
    d.addInsert({0, {5, 5}, 1, 1, 0});
    for (const int h : deleted)
        d.entities[static_cast<std::size_t>(h)].set(cad::EntityFlag::Deleted, true);

    const std::string saved = cad::writeNative(d);
    const auto loaded = cad::readNative(saved);
    expectSameLiveEntities(d, *loaded);
    const auto deletedSectors = std::count_if(deleted.begin(), deleted.end(), [&](int h) {
        return d.entities[std::size_t(h)].type == cad::EntityType::Sector;
    });
    EXPECT_EQ(loaded->sectors.size(), d.sectors.size() - std::size_t(deletedSectors));
    // Saving what was loaded gives the same bytes, and so does loading them again.
    EXPECT_TRUE(cad::writeNative(*loaded) == saved);
    expectSameDrawing(*loaded, *cad::readNative(saved));

    // Records that lead outside the vertices or the sectors are refused.
    auto patched = [&](std::size_t entity, std::size_t offset, std::uint32_t value) {
        std::string b = saved;
        std::memcpy(b.data() + entitiesAt(b) + entity * 16 + offset, &value, sizeof value);
        cad::resealNative(b);
        return readError(b);
    };
    const auto firstOf = [&](cad::EntityType type) {
        return static_cast<std::size_t>(
            std::find_if(loaded->entities.begin(), loaded->entities.end(),
                         [&](const cad::Entity& e) { return e.type == type; }) -
            loaded->entities.begin());
    };
    const std::size_t spline = firstOf(cad::EntityType::Spline);
    const std::size_t sector = firstOf(cad::EntityType::Sector);
    ASSERT_LT(std::max(spline, sector), loaded->entities.size());
    const auto vertices = static_cast<std::uint32_t>(loaded->vertices.size());
    // One vertex more reaches into the next entity's: two entities sharing vertices would
    // change together behind each other's back.
    EXPECT_EQ(patched(spline, 12, loaded->entities[spline].count + 1), Kind::Damaged);
    EXPECT_EQ(patched(spline, 8, vertices - 1), Kind::Damaged);
    EXPECT_EQ(patched(spline, 12, vertices + 1), Kind::Damaged);
    EXPECT_EQ(patched(sector, 8, static_cast<std::uint32_t>(loaded->sectors.size())),
              Kind::Damaged);
}

// What the checksum cannot catch: files made wrong on purpose. Each is saved from a drawing
// whose indexes lead nowhere, or built by hand.
TEST(NativeFormat, InconsistentContentIsRefused) {
    auto savedWith = [](auto change) {
        Drawing d = smallDrawing();
        change(d);
        return readError(cad::writeNative(d));
    };
    // smallDrawing: 0 circle (block 0), 1 polyline, 2 insert, 3 text, 4 hatch.
    EXPECT_EQ(savedWith([](Drawing&) {}), kReads);
    EXPECT_EQ(savedWith([](Drawing& d) { d.entities[1].layer = 2; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.entities[1].layer = 65535; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.entities[3].lineStyle = 1; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.entities[1].set(cad::EntityFlag::InBlock, true); }),
              Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.entities[0].set(cad::EntityFlag::InBlock, false); }),
              Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.textParams[0].style = 1; }), Kind::Damaged);

    EXPECT_EQ(savedWith([](Drawing& d) { d.inserts[0].block = 1; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.inserts[0].block = -1; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.current.layer = 2; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.current.lineStyle = 1; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.current.textStyle = -1; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.hatchLoops = {2}; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) {
                  d.hatchLoops = {3, 1};
                  d.hatches[0].loopCount = 2;
              }),
              Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.blocks[0].entities = {0, 0}; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.blocks[0].entities = {0, 1}; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.blocks[0].entities = {0, 99}; }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.blocks[0].entities.clear(); }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.layers.clear(); }), Kind::Damaged);
    EXPECT_EQ(savedWith([](Drawing& d) { d.textStyles.clear(); }), Kind::Damaged);
    // A print scale that is none: dimensions and proposed block sizes would be divided by it.
    for (const double scale : {0.0, -500.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity()})
        EXPECT_EQ(savedWith([scale](Drawing& d) { d.settings.printScale = scale; }), Kind::Damaged)
            << scale;
    EXPECT_EQ(savedWith([](Drawing& d) { d.settings.printScale = 0.5; }), kReads);

    // Entity records changed in the file.
    const std::string bytes = cad::writeNative(smallDrawing());
    auto patched = [&](std::size_t entity, std::size_t offset, auto value) {
        std::string b = bytes;
        std::memcpy(b.data() + entitiesAt(b) + entity * 16 + offset, &value, sizeof value);
        cad::resealNative(b);
        return readError(b);
    };
    EXPECT_EQ(patched(1, 0, std::uint8_t{22}), kReads);        // as it was
    EXPECT_EQ(patched(1, 0, std::uint8_t{19}), Kind::Damaged); // no such kind
    EXPECT_EQ(patched(1, 0, std::uint8_t{31}), kReads);        // a spline through its vertices
    EXPECT_EQ(patched(1, 0, std::uint8_t{32}), Kind::Damaged); // a sector; there is none
    EXPECT_EQ(patched(1, 0, std::uint8_t{33}), Kind::Damaged);
    EXPECT_EQ(patched(1, 1, cad::EntityFlag::Selected), Kind::Damaged);
    EXPECT_EQ(patched(1, 1, cad::EntityFlag::Deleted), Kind::Damaged);
    EXPECT_EQ(patched(1, 1, std::uint8_t{0x80}), Kind::Damaged);
    EXPECT_EQ(patched(1, 1, std::uint8_t{0x40}), Kind::Damaged); // in no block's list
    EXPECT_EQ(patched(1, 3, std::uint8_t{1}), Kind::Damaged);    // the unused byte
    EXPECT_EQ(patched(1, 4, std::uint16_t{2}), Kind::Damaged);   // no such layer
    EXPECT_EQ(patched(1, 6, std::uint16_t{1}), Kind::Damaged);   // no such line style
    EXPECT_EQ(patched(1, 12, std::uint32_t{7}), Kind::Damaged);  // past the vertices
    EXPECT_EQ(patched(1, 8, std::uint32_t{5}), Kind::Damaged);
    EXPECT_EQ(patched(1, 8, ~std::uint32_t{0}), Kind::Damaged);
    EXPECT_EQ(patched(0, 8, std::uint32_t{1}), Kind::Damaged);   // one circle only
    EXPECT_EQ(patched(2, 8, std::uint32_t{1}), Kind::Damaged);   // one insert only
    EXPECT_EQ(patched(3, 8, std::uint32_t{1}), Kind::Damaged);   // one text only
    EXPECT_EQ(patched(3, 12, std::uint32_t{99}), Kind::Damaged); // past the characters
    EXPECT_EQ(patched(4, 8, std::uint32_t{1}), Kind::Damaged);   // one hatch only
    EXPECT_EQ(patched(4, 12, std::uint32_t{2}), Kind::Damaged);  // not what its loops hold
    EXPECT_EQ(patched(2, 0, std::uint8_t{20}), Kind::Damaged);   // a point; there is none
    EXPECT_EQ(patched(2, 0, std::uint8_t{23}), Kind::Damaged);   // the other's circle, shared
    EXPECT_EQ(patched(3, 0, std::uint8_t{29}), Kind::Damaged);   // a hatch of no vertices
}

TEST(NativeFormat, HostileCountsAndSizesAreRefusedBeforeAnythingIsAllocated) {
    ASSERT_EQ(readError(fileOf(tablesOf({}))), kReads);
    auto withTables = [](auto change) {
        Tables t;
        change(t);
        return readError(fileOf(tablesOf(t)));
    };
    EXPECT_EQ(withTables([](Tables& t) { t.layerCount = 1ull << 30; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.layerCount = 1ull << 40; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.layerCount = ~0ull; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.layerCount = 2; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.layerCount = 0; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.layerBits = 8; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.currentLayer = 1; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) { t.tail = "x"; }), Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) {
                  t.blocks = Bytes().number(1).text("B").put(0.0).put(0.0).str() +
                             Bytes().number(1ull << 50).str();
              }),
              Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) {
                  t.blocks = Bytes().number(1).text("B").put(0.0).put(0.0).str() +
                             Bytes().number(1).put<std::uint32_t>(0).str();
              }),
              Kind::Damaged);
    EXPECT_EQ(withTables([](Tables& t) {
                  t.blocks = Bytes().number(1).text("B").put(0.0).put(0.0).number(0).str();
              }),
              kReads);
    // A string length far beyond the file, and numbers of more than 64 bits.
    std::string tables = tablesOf({});
    const std::size_t nameAt = 13 + 65 + 40 + 1; // counts, settings, current, layer count
    ASSERT_EQ(tables.substr(nameAt, 2), "\x01\x30");
    for (const std::string& length :
         {Bytes().number(1ull << 62).str(), Bytes().number(~0ull).str(),
          std::string("\xff\xff\xff\xff\xff\xff\xff\xff\xff\x02", 10),
          std::string("\x81\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x00", 12)}) {
        std::string t = tables;
        t.replace(nameAt, 1, length);
        EXPECT_EQ(readError(fileOf(t)), Kind::Damaged);
    }

    // Large arrays claiming more records than the file holds, or fewer.
    for (std::size_t array = 0; array < 13; ++array)
        for (std::uint64_t n : {1ull, 1ull << 30, 1ull << 58, ~0ull}) {
            EXPECT_EQ(withTables([&](Tables& t) { t.counts[array] = n; }), Kind::Damaged)
                << "array " << array << " count " << n;
        }
    EXPECT_EQ(readError(fileOf(tablesOf({}), std::string(16, '\0'))), Kind::Damaged);
    Tables onePoint;
    onePoint.counts[2] = 1;
    EXPECT_EQ(readError(fileOf(tablesOf(onePoint), std::string(16, '\0'))), kReads);
    EXPECT_EQ(readError(fileOf(tablesOf(onePoint), std::string(15, '\0'))), Kind::Damaged);
    EXPECT_EQ(readError(fileOf(tablesOf(onePoint), std::string(17, '\0'))), Kind::Damaged);

    // Table sections whose sizes lie.
    auto withSizes = [](std::uint64_t packedDelta, std::uint64_t plainSize) {
        std::string b = fileOf(tablesOf({}));
        std::uint64_t packed = 0;
        std::memcpy(&packed, b.data() + kHeaderSize, 8);
        packed += packedDelta;
        std::memcpy(b.data() + kHeaderSize, &packed, 8);
        std::memcpy(b.data() + kHeaderSize + 8, &plainSize, 8);
        cad::resealNative(b);
        return readError(b);
    };
    const std::uint64_t plain = tablesOf({}).size();
    EXPECT_EQ(withSizes(0, plain), kReads);
    EXPECT_EQ(withSizes(0, plain + 1), Kind::Damaged);
    EXPECT_EQ(withSizes(0, plain - 1), Kind::Damaged);
    EXPECT_EQ(withSizes(0, 0), Kind::Damaged);
    EXPECT_EQ(withSizes(0, 1ull << 40), Kind::Damaged);
    EXPECT_EQ(withSizes(0, ~0ull), Kind::Damaged);
    EXPECT_EQ(withSizes(1ull << 40, plain), Kind::Damaged);
    EXPECT_EQ(withSizes(~0ull, plain), Kind::Damaged);
    EXPECT_EQ(withSizes(-1, plain), Kind::Damaged);
    EXPECT_EQ(withSizes(8, plain), Kind::Damaged);

    // An insert record, and one with something in its unused bytes.
    Tables oneInsert;
    oneInsert.counts[8] = 1;
    oneInsert.blocks = Bytes().number(1).text("B").put(0.0).put(0.0).number(0).str();
    for (std::uint32_t unused : {0u, 1u}) {
        Bytes insert;
        insert.put<std::int32_t>(0).put(unused).put(0.0).put(0.0).put(1.0).put(1.0).put(0.0);
        EXPECT_EQ(readError(fileOf(tablesOf(oneInsert), insert.str())),
                  unused == 0 ? kReads : Kind::Damaged);
    }
}

// Drawings saved by the first version of the format, whose entity records carried their own
// colour, width and block, and whose texts, hatches and images kept their strings in the
// tables, open with everything in its place.
TEST(NativeFormat, FilesOfTheFirstFormatAreReadAndConverted) {
    const auto d = cad::loadNative(KWL_TEST_DATA "/version1.rdw");
    using cad::EntityType;
    ASSERT_EQ(d->layers.size(), 3u);
    EXPECT_EQ(d->layers[2].name, "opisy \xb9");
    ASSERT_EQ(d->blocks.size(), 1u);
    EXPECT_EQ(d->blocks[0].name, "znak");
    EXPECT_EQ(d->blocks[0].entities.size(), 2u);
    std::map<EntityType, std::vector<int>> byType;
    for (int h = 0; h < static_cast<int>(d->entities.size()); ++h)
        if (d->inModelSpace(h))
            byType[d->entities[static_cast<std::size_t>(h)].type].push_back(h);
    for (const int h : d->blocks[0].entities)
        EXPECT_EQ(d->ownerOf(h), 0);
    EXPECT_EQ(byType[EntityType::Insert].size(), 2u);
    EXPECT_EQ(byType[EntityType::Line].size(), 1u);

    const cad::Entity& polyline = d->entities[std::size_t(byType[EntityType::Polyline].at(0))];
    EXPECT_TRUE(polyline.has(cad::EntityFlag::Closed) && polyline.has(cad::EntityFlag::Filled));
    EXPECT_EQ(polyline.layer, 1);
    EXPECT_EQ(polyline.lineStyle, 1);

    const int circle = byType[EntityType::Circle].at(0);
    EXPECT_FALSE(d->entities[std::size_t(circle)].has(cad::EntityFlag::ColorByLayer));
    EXPECT_EQ(d->ownStyle(std::size_t(circle)).color, 0x00AA55u);
    EXPECT_DOUBLE_EQ(d->ownStyle(std::size_t(circle)).width, 0.7);

    const auto& texts = byType[EntityType::Text];
    ASSERT_EQ(texts.size(), 2u);
    const cad::TextSpec km = d->textSpec(d->entities[std::size_t(texts[0])]);
    EXPECT_EQ(km.text, "KM 0+100 \xa3\xf3\x64\xbc");
    EXPECT_EQ(km.height, 2.5);
    EXPECT_EQ(km.rotation, 90);
    EXPECT_EQ(km.align, 4);
    EXPECT_EQ(km.style, 1);
    EXPECT_EQ(d->textSpec(d->entities[std::size_t(texts[1])]).text, "drugi\nwiersz");

    const cad::Entity& hatch = d->entities[std::size_t(byType[EntityType::Hatch].at(0))];
    const cad::HatchData& h = d->hatches[hatch.first];
    EXPECT_EQ(d->pooled(h.pattern), "ANSI31");
    EXPECT_FALSE(h.solid);
    EXPECT_EQ(h.scale, 2.5);
    EXPECT_EQ(std::vector<std::uint32_t>(d->loopsOf(h).begin(), d->loopsOf(h).end()),
              (std::vector<std::uint32_t>{4, 3}));
    const cad::ImageData& image =
        d->images[d->entities[std::size_t(byType[EntityType::Image].at(0))].first];
    EXPECT_EQ(d->pooled(image.path), "/home/projekt/mapa \xb9.png");

    // Saved again in today's format, it reads back the same.
    const auto again = cad::readNative(cad::writeNative(*d));
    expectSameDrawing(*d, *again);

    // That format knew no splines or sectors: a record of one there is damage.
    const std::string bytes = fileBytes(KWL_TEST_DATA "/version1.rdw");
    for (const unsigned char kind : {31, 32}) {
        std::string b = bytes;
        b[entitiesAt(b)] = static_cast<char>(kind);
        cad::resealNative(b);
        EXPECT_EQ(readError(b), Kind::Damaged) << int(kind);
    }
}

TEST(NativeFormat, BlocksThatContainThemselvesAreRefused) {
    Drawing direct;
    const int h = direct.addInsert({0, {0, 0}, 1, 1, 0});
    direct.makeBlock("A", {0, 0}, static_cast<std::size_t>(h));
    ASSERT_TRUE(direct.hasRecursiveBlock());
    EXPECT_EQ(readError(cad::writeNative(direct)), Kind::Damaged);

    // A inserts B, B inserts C, C inserts A; D inserts C and stays outside the ring.
    Drawing ring;
    for (int b = 0; b < 3; ++b) {
        const std::size_t from = ring.entities.size();
        ring.addLine({{0, 0}, {1, 1}});
        ring.addInsert({(b + 1) % 3, {0, 0}, 1, 1, 0});
        ring.makeBlock(std::string(1, static_cast<char>('A' + b)), {0, 0}, from);
    }
    ASSERT_TRUE(ring.hasRecursiveBlock());
    EXPECT_EQ(readError(cad::writeNative(ring)), Kind::Damaged);
    // Such a drawing is never saved: what the reader cannot read back takes no file's place.
    Folder folder;
    EXPECT_THROW(
        {
            try {
                cad::saveNative(ring, folder / "petla.rdw");
            } catch (const FileError& e) {
                EXPECT_EQ(e.kind(), Kind::NotReadBack);
                EXPECT_NE(std::string(e.what()).find("contains itself"), std::string::npos);
                throw;
            }
        },
        FileError);
    EXPECT_FALSE(std::filesystem::exists(folder / "petla.rdw"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no temporary file is left";

    // Sharing is no ring: two blocks inserting the same one, and a chain.
    Drawing shared;
    for (int b = 0; b < 4; ++b) {
        const std::size_t from = shared.entities.size();
        shared.addLine({{0, 0}, {1, 1}});
        if (b > 0)
            shared.addInsert({0, {0, 0}, 1, 1, 0});
        if (b > 1)
            shared.addInsert({b - 1, {0, 0}, 1, 1, 0});
        shared.makeBlock(std::string(1, static_cast<char>('A' + b)), {0, 0}, from);
    }
    shared.addInsert({3, {0, 0}, 1, 1, 0});
    EXPECT_EQ(readError(cad::writeNative(shared)), kReads);
}

// ---- failing saves

TEST(NativeFormat, AFailedSaveKeepsTheOldFileAndLeavesNothingBehind) {
    Folder folder;
    const Drawing old = smallDrawing();
    Drawing changed = sampleDrawing(true);
    const std::vector<cad::Vec2> many(100000, cad::Vec2{1, 2});
    changed.addPolyline(many.data(), many.size(), false);

    // The path is a folder (with a file in it).
    const std::string dir = folder / "plan.rdw";
    fs::create_directory(dir);
    writeBytes(dir + "/inny", "x");
    EXPECT_EQ(saveError(changed, dir), Kind::CannotWrite);
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(fileBytes(dir + "/inny"), "x");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plan.rdw"});

    // A folder that does not exist.
    EXPECT_EQ(saveError(changed, folder / "brak/plan.rdw"), Kind::CannotWrite);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plan.rdw"});

    // The disk fills up half way: the file may not grow past 64 KiB.
    const std::string path = folder / "stary.rdw";
    cad::saveNative(old, path);
    const std::string before = fileBytes(path);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto error = saveError(changed, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, Kind::CannotWrite);
    EXPECT_TRUE(fileBytes(path) == before);
    expectSameDrawing(old, *cad::loadNative(path));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"plan.rdw", "stary.rdw"}));
}

TEST(NativeFormat, SavingIntoAFolderWithoutWriteAccessKeepsTheOldFile) {
    Folder folder;
    const std::string path = folder / "plan.rdw";
    const Drawing old = smallDrawing();
    cad::saveNative(old, path);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const std::string probe = folder / "probe";
    if (std::ofstream(probe)) {
        fs::remove(probe);
        GTEST_SKIP() << "this user may write anywhere";
    }
    EXPECT_EQ(saveError(sampleDrawing(false), path), Kind::CannotWrite);
    expectSameDrawing(old, *cad::loadNative(path));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plan.rdw"});
}

// ---- the draw order

namespace {

// The model space's entities as the index answers them for the whole drawing: in drawing order.
std::vector<std::uint32_t> drawnOrder(const Drawing& d) {
    std::vector<std::uint32_t> out;
    d.query({-1e9, -1e9, 1e9, 1e9}, out);
    return out;
}

} // namespace

TEST(NativeFormat, TheDrawOrderIsKeptThroughCompactionAndCheckedOnReading) {
    Drawing d;
    for (int i = 0; i < 5; ++i)
        d.addLine({{double(i), 0}, {double(i), 1}});
    const std::string plain = cad::writeNative(d);
    cad::ScratchWriter w(d);
    // Two swaps that undo each other: the order is the handles' again, and so is the file.
    w.setOrderKeys(cad::keysSwapped(d, 1, 3));
    w.setOrderKeys(cad::keysSwapped(d, 1, 3));
    EXPECT_TRUE(cad::writeNative(d) == plain);

    w.setOrderKeys(cad::keysToTop(d, std::vector<std::uint32_t>{0}));
    w.setOrderKeys(cad::keysToBottom(d, std::vector<std::uint32_t>{4}));
    ASSERT_EQ(drawnOrder(d), (std::vector<std::uint32_t>{4, 1, 2, 3, 0}));
    const auto same = cad::readNative(cad::writeNative(d));
    EXPECT_EQ(drawnOrder(*same), drawnOrder(d));
    // The writer leaves the deleted one out and numbers the others anew: 3 becomes 2, 4 3.
    w.erase(2);
    const auto compact = cad::readNative(cad::writeNative(d));
    ASSERT_EQ(compact->entities.size(), 4u);
    EXPECT_EQ(drawnOrder(*compact), (std::vector<std::uint32_t>{3, 1, 2, 0}));
    // Added later, drawn on top.
    const int added = compact->addLine({{9, 0}, {9, 1}});
    EXPECT_EQ(drawnOrder(*compact).back(), std::uint32_t(added));

    // Files of format 3 made by hand: two points and their places.
    Tables t;
    t.counts[0] = 2;
    t.counts[2] = 2;
    Bytes arrays;
    for (std::uint32_t i = 0; i < 2; ++i)
        arrays.put<std::uint8_t>(20)
            .put<std::uint8_t>(0x0C)
            .put<std::uint16_t>(0)
            .put<std::uint16_t>(0)
            .put<std::uint16_t>(0)
            .put<std::uint32_t>(i)
            .put<std::uint32_t>(0);
    arrays.put(1.0).put(2.0).put(3.0).put(4.0);
    // No print areas and their settings, then one plain dimension style, then the places.
    Bytes before;
    before.number(0).put<std::uint32_t>(0xFF0000).put<std::uint8_t>(0).put<std::uint8_t>(1);
    for (int i = 0; i < 8; ++i)
        before.put(i < 6 ? 10.0 : 500.0);
    before.number(1).text("Standard").put<std::uint8_t>(0);
    before.put(2.5).put(1.0).put(0.6).put(1.25).put<std::uint8_t>(1).put<std::uint8_t>(0);
    before.put<std::uint32_t>(0).put<std::uint32_t>(0).put<std::uint32_t>(0);
    before.put<std::uint8_t>(0).put(2.5).text("").put<std::int32_t>(0).put(2.5).put(0.6);
    before.put<std::uint8_t>(0).put<std::int32_t>(2).put(1.0).put(0.0).put(0.0).put(0.0);
    before.put<std::uint8_t>(',');
    t.third = true;
    auto withOrder = [&](const std::string& places) {
        t.tail = before.str() + places;
        return fileOf(tablesOf(t), arrays.str(), 3);
    };
    ASSERT_EQ(readError(withOrder(Bytes().number(0).str())), kReads);
    const std::string reversed = withOrder(Bytes().number(2).number(1).number(0).str());
    ASSERT_EQ(readError(reversed), kReads);
    EXPECT_EQ(drawnOrder(*cad::readNative(reversed)), (std::vector<std::uint32_t>{1, 0}));
    for (const std::string& bad : {std::string(), Bytes().number(2).number(0).number(0).str(),
                                   Bytes().number(2).number(1).number(2).str(),
                                   Bytes().number(3).number(2).number(1).number(0).str(),
                                   Bytes().number(2).str(), Bytes().number(1ull << 40).str()})
        EXPECT_EQ(readError(withOrder(bad)), Kind::Damaged);
}
