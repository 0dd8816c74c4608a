// Writing a drawing as DXF R2000 (AC1015) through dxflib. The tables, blocks and objects that
// every R2000 file needs come from dxflib's writing functions; the entities are written here
// group by group, so that each group sits in its proper subclass.
//
// Choices:
// - Texts and names are the drawing's Windows-1250 bytes under $DWGCODEPAGE ANSI_1250. The
//   strings of texts keep every byte (line breaks in caret notation, see dxf::encodeText); in
//   other strings control characters become spaces, and characters that DXF table names may
//   not hold become '_' (names are also made unique regardless of letter case).
// - Rectangles become closed LWPOLYLINEs; filled polylines, rectangles, circles, ellipses and
//   sectors are written as their outline plus a solid HATCH under it. Extended data of the
//   application KWL_EDYTOR marks both, so that our reader restores the entity as it was.
// - A sector becomes a closed LWPOLYLINE from its centre to the start of its arc, along the
//   arc (two bulged halves, so that a whole turn can be written too) and back to the centre,
//   marked as a sector.
// - A spline becomes a SPLINE of degree 3 that keeps its fit points and, for every reader that
//   draws splines by their control points, the same curve as a clamped B-spline (knots at the
//   chord lengths, see Spline.h); a closed one carries the closed flag.
// - An entity whose geometry holds an infinite or NaN number is left out (it could not be drawn
//   anyway), as is an ellipse with no size; any other non-finite number is written as 0.
// - Ellipse start and end angles are taken as the ellipse's parameters, as DXF has them.
// - A hatch with a pattern carries its pattern's name and, as the pattern's lines, one family
//   of lines at 45 degrees: what a reader without that pattern can draw.
// - Images are written as IMAGE entities with their IMAGEDEF objects; paths in the file system's
//   bytes become Windows-1250 with \U+XXXX escapes for the characters it lacks.
// - The entities of a drawing that was reordered (see DrawOrder.h) are written in the order
//   they are drawn in, each keeping the handle its place in handle order gives it, and the
//   model space's sort table (SORTENTSTABLE, in the extension dictionary of *Model_Space's
//   block record) gives each one whose handle is not in drawing order the handle it is drawn
//   by: readers that go by the file's order and readers that go by the sort table draw the
//   same. A drawing never reordered is written as it always was.
#include "engine/io/Dxf.h"
#include "engine/io/DxfCodepage.h"
#include "engine/io/DxfSupport.h"
#include "engine/io/FileError.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/HatchPatterns.h"
#include "engine/model/Spline.h"

#include <QFile>
#include <QImageReader>
#include <QSaveFile>

#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

namespace cad {

namespace {

constexpr unsigned long kModelSpaceRecord = 0x1F; // dxflib's handle of *Model_Space's record
constexpr const char* kAppName = "KWL_EDYTOR";

// Extended data flags of KWL_EDYTOR.
namespace Mark {
constexpr int Filled = 1;    // the outline of a filled shape
constexpr int FillOf = 2;    // the solid hatch that fills the entity written after it
constexpr int Rectangle = 4; // a closed LWPOLYLINE that is one of our rectangles
constexpr int Sector = 8;    // a closed LWPOLYLINE that is one of our sectors
} // namespace Mark

bool finite(double v) {
    return std::isfinite(v);
}
using dxf::finite;
using dxf::normalisedDegrees;

// dxflib's ASCII writer flushes its stream after every number and prints numbers with 16 fixed
// decimals into a buffer of 256 bytes (which large numbers overflow). This writer keeps dxflib's
// writing functions but buffers its output, prints every number in its shortest exact form and
// prints non-finite numbers as 0.
class BufferedWriter final : public DL_WriterA {
public:
    explicit BufferedWriter(QSaveFile& file) : DL_WriterA("", DL_Codes::AC1015), file_(file) {
        buffer_.reserve(kChunk + 1024);
    }

    void dxfReal(int gc, double value) const override {
        code(gc);
        char text[64];
        if (!std::isfinite(value) || value == 0) {
            buffer_ += "0.0\n";
        } else {
            const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
            std::string_view s(text, ec == std::errc() ? std::size_t(end - text) : 0);
            const std::size_t e = s.find('e');
            if (s.find('.') == std::string_view::npos) {
                // "5" -> "5.0", "1e+16" -> "1.0e+16": a point marks it as a real for every reader.
                buffer_.append(s.substr(0, e));
                buffer_ += ".0";
                if (e != std::string_view::npos)
                    buffer_.append(s.substr(e));
            } else {
                buffer_.append(s);
            }
            buffer_ += '\n';
        }
        flushIfFull();
    }
    void dxfInt(int gc, int value) const override {
        code(gc);
        char text[16];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
        buffer_.append(text, ec == std::errc() ? std::size_t(end - text) : 0);
        buffer_ += '\n';
        flushIfFull();
    }
    void dxfHex(int gc, int value) const override {
        code(gc);
        char text[16];
        const auto [end, ec] =
            std::to_chars(text, text + sizeof text, static_cast<unsigned>(value), 16);
        for (char* c = text; c < end; ++c)
            if (*c >= 'a' && *c <= 'f')
                *c = char(*c - 'a' + 'A');
        buffer_.append(text, ec == std::errc() ? std::size_t(end - text) : 0);
        buffer_ += '\n';
        flushIfFull();
    }
    void dxfString(int gc, const char* value) const override {
        dxfString(gc, std::string(value ? value : ""));
    }
    void dxfString(int gc, const std::string& value) const override {
        code(gc);
        buffer_ += value;
        buffer_ += '\n';
        flushIfFull();
    }

    unsigned long nextHandle() const { return getNextHandle(); }
    void setNextHandle(unsigned long h) const { m_handle = h; }

    // Writes what is left; false when anything could not be written.
    bool finish() const {
        flush();
        return !failed_;
    }

private:
    static constexpr std::size_t kChunk = 1 << 20;

    void code(int gc) const {
        char text[16];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, gc);
        const std::size_t n = ec == std::errc() ? std::size_t(end - text) : 0;
        if (n < 3)
            buffer_.append(3 - n, ' ');
        buffer_.append(text, n);
        buffer_ += '\n';
    }
    void flushIfFull() const {
        if (buffer_.size() >= kChunk)
            flush();
    }
    void flush() const {
        if (!buffer_.empty() && !failed_) {
            const auto n = static_cast<qint64>(buffer_.size());
            failed_ = file_.write(buffer_.data(), n) != n;
        }
        buffer_.clear();
    }

    QSaveFile& file_;
    mutable std::string buffer_;
    mutable bool failed_ = false;
};

// Names made valid for DXF tables and unique regardless of letter case.
class NameSet {
public:
    void reserve(std::string_view name) { used_[dxf::nameKey(name)] = true; }
    std::string add(std::string_view wanted) {
        std::string name = dxf::tableName(wanted);
        const std::string base = name;
        for (int n = 2; used_.count(dxf::nameKey(name)); ++n)
            name = base + "_" + std::to_string(n);
        reserve(name);
        return name;
    }
    bool has(std::string_view name) const { return used_.count(dxf::nameKey(name)) != 0; }

private:
    std::map<std::string, bool> used_;
};

class Exporter {
public:
    Exporter(const Drawing& d, BufferedWriter& w) : d_(d), w_(w) {}
    void write();

private:
    void names();
    void header();
    void classes();
    void tables();
    void blocks();
    void entities();
    void objects();

    bool writable(std::uint32_t handle, std::int32_t owner) const;
    // The handle of an entity record of the drawing.
    std::size_t handleOf(const Entity& e) const {
        return static_cast<std::size_t>(&e - d_.entities.data());
    }
    void entity(std::uint32_t handle, unsigned long ownerRecord);

    void begin(const char* type, const Entity& e, unsigned long owner, const char* subclass);
    void mark(int flags);
    void point(const Entity& e, unsigned long owner);
    void line(const Entity& e, unsigned long owner);
    // Bulges, when given, are one for each vertex (of the segment that starts there).
    void polyline(const Entity& e, unsigned long owner, std::span<const Vec2> v, bool closed,
                  int marks, std::span<const double> bulges = {});
    void circle(const Entity& e, unsigned long owner);
    void arc(const Entity& e, unsigned long owner);
    void sector(const Entity& e, unsigned long owner);
    void spline(const Entity& e, unsigned long owner);
    void ellipse(const Entity& e, unsigned long owner);
    void rectangle(const Entity& e, unsigned long owner);
    void insert(const Entity& e, unsigned long owner);
    void text(const Entity& e, unsigned long owner);
    void dimension(const Entity& e, unsigned long owner);
    void dimensionStyles();
    void dimensionBlock(std::size_t index);
    void dimensionEntity(const Entity& e, std::size_t index, unsigned long owner);
    struct Loop {
        std::vector<Vec2> points;
        std::vector<double> bulges; // empty: straight edges
    };
    void hatch(const Entity& e, unsigned long owner, const std::vector<Loop>& loops, bool solid,
               std::string_view pattern, double scale, double angle, int marks,
               bool mirrored = false, Vec2 origin = {});
    void solidFill(const Entity& e, unsigned long owner, const std::vector<Loop>& loops) {
        hatch(e, owner, loops, true, "SOLID", 1, 0, Mark::FillOf);
    }
    void image(const Entity& e, unsigned long owner);

    // ---- draw order
    // The BLOCK_RECORD table's start and the records of the layouts, as dxflib writes them,
    // *Model_Space's with its extension dictionary when there is one.
    void layoutRecords();
    // The model space's extension dictionary and sort table.
    void sortTable();
    bool ordered_ = false;               // the drawing was reordered
    unsigned long dictionary_ = 0;       // the handles of the extension dictionary of *Model_Space
    unsigned long sortTable_ = 0;        // and of its sort table
    bool collecting_ = false;            // while the model space's entities are written
    std::vector<unsigned long> written_; // their handles, as written

    const Drawing& d_;
    BufferedWriter& w_;
    DL_Dxf dxf_;

    std::vector<std::string> layerNames_, lineTypeNames_, textStyleNames_, blockNames_;
    bool extraLayer0_ = false, extraStandardStyle_ = false;
    std::vector<unsigned long> blockRecords_;
    // Dimensions of the model space and of the blocks written, by handle: each a DIMENSION
    // with an anonymous block *D<n> of what draws it.
    std::vector<std::string> dimensionStyleNames_;
    std::vector<std::uint32_t> dimensions_;
    std::vector<unsigned long> dimensionRecords_;
    std::size_t dimensionHandles_ = 0;
    // While the pieces of a dimension whose style has colours of its own are written: the
    // colour of those pieces (0x00BBGGRR), over the entity's.
    std::optional<std::uint32_t> pieceColour_;
    std::vector<char> blockWritable_;

    struct ImageDef {
        unsigned long handle = 0, reactor = 0;
        std::string path;
        int pixelsX = 1, pixelsY = 1;
        unsigned long owner = 0; // the IMAGE
    };
    std::vector<ImageDef> images_;
};

void Exporter::write() {
    ordered_ = !d_.drawOrder().plain();
    names();
    header();
    classes();
    tables();
    blocks();
    entities();
    objects();
    w_.dxfEOF();
}

void Exporter::names() {
    NameSet layers;
    for (const auto& l : d_.layers)
        layerNames_.push_back(layers.add(l.name));
    extraLayer0_ = !layers.has("0");

    NameSet lineTypes;
    lineTypes.reserve("BYLAYER");
    lineTypes.reserve("BYBLOCK");
    lineTypes.reserve("CONTINUOUS");
    for (std::size_t i = 0; i < d_.lineStyles.size(); ++i)
        lineTypeNames_.push_back(i == 0 ? std::string("Continuous")
                                        : lineTypes.add(d_.lineStyles[i].name));

    NameSet textStyles;
    for (const auto& s : d_.textStyles) {
        textStyleNames_.push_back(textStyles.add(s.name));
        // dxflib's dimension style refers to the style of exactly this name.
        if (dxf::nameKey(textStyleNames_.back()) == "STANDARD")
            textStyleNames_.back() = "Standard";
    }
    extraStandardStyle_ = !textStyles.has("Standard");

    NameSet blocks;
    blocks.reserve("*MODEL_SPACE");
    blocks.reserve("*PAPER_SPACE");
    blocks.reserve("*PAPER_SPACE0");
    for (const auto& b : d_.blocks) {
        std::string name = b.name;
        // A leading '*' marks anonymous blocks, which ours are not.
        if (!name.empty() && name[0] == '*')
            name[0] = '_';
        blockNames_.push_back(blocks.add(name));
    }
    NameSet dimensionStyles;
    for (const DimensionStyle& st : d_.dimensionStyles)
        dimensionStyleNames_.push_back(dimensionStyles.add(st.name));
    if (dimensionStyleNames_.empty())
        dimensionStyleNames_.push_back("Standard");
    // Blocks that insert themselves, directly or through others, cannot be written.
    for (std::size_t b = 0; b < d_.blocks.size(); ++b) {
        bool ok = true;
        for (const std::uint32_t h : d_.blocks[b].entities)
            if (h < d_.entities.size()) {
                const Entity& e = d_.entities[h];
                if (e.type == EntityType::Insert && !e.has(EntityFlag::Deleted) &&
                    e.first < d_.inserts.size() &&
                    d_.wouldRecurse(int(b), d_.inserts[e.first].block))
                    ok = false;
            }
        blockWritable_.push_back(ok);
    }
    DimensionGeometry g; // laid out into the same lists for every dimension
    const auto addDimension = [&](std::uint32_t h, std::int32_t owner) {
        if (!writable(h, owner) || d_.entities[h].type != EntityType::Dimension ||
            d_.entities[h].first >= d_.dimensions.size())
            return;
        dimensions_.push_back(h);
        // The record, the block's start and end, the DIMENSION and what draws it (a filled
        // dot takes a few).
        dimensionGeometryOf(d_, d_.dimensionOf(d_.entities[h]), g);
        dimensionHandles_ += 8 + g.lines.size() + g.extensionLines.size() + g.arcs.size() +
                             g.triangles.size() + 4 * g.dots.size();
    };
    for (std::size_t h = 0; h < d_.entities.size(); ++h)
        addDimension(std::uint32_t(h), kModelSpace);
    for (std::size_t b = 0; b < d_.blocks.size(); ++b)
        if (blockWritable_[b])
            for (const std::uint32_t h : d_.blocks[b].entities)
                addDimension(h, std::int32_t(b));
    std::sort(dimensions_.begin(), dimensions_.end());
    dimensions_.erase(std::unique(dimensions_.begin(), dimensions_.end()), dimensions_.end());
}

void Exporter::header() {
    // Every handle written stays below $HANDSEED: one a table record, block and entity, two
    // for blocks (BLOCK, ENDBLK and the record take three) and filled shapes, three for images.
    unsigned long handles = 0x100 + d_.layers.size() + d_.lineStyles.size() + d_.textStyles.size() +
                            3 * d_.blocks.size() + 3 * d_.entities.size() +
                            d_.dimensionStyles.size() + dimensionHandles_;
    // Two more for the sort table and its dictionary, taken from the end.
    if (ordered_) {
        dictionary_ = handles;
        sortTable_ = handles + 1;
        handles += 2;
    }
    const Rect ext = d_.extents();
    const Vec2 lo = ext.empty() ? Vec2{} : Vec2{ext.left, ext.bottom};
    const Vec2 hi = ext.empty() ? Vec2{} : Vec2{ext.right, ext.top};

    w_.sectionHeader();
    auto variable = [&](const char* name) { w_.dxfString(9, name); };
    variable("$ACADVER");
    w_.dxfString(1, "AC1015");
    variable("$DWGCODEPAGE");
    w_.dxfString(3, "ANSI_1250");
    variable("$HANDSEED");
    w_.dxfHex(5, static_cast<int>(handles));
    variable("$INSBASE");
    w_.coord(10, 0, 0, 0);
    variable("$EXTMIN");
    w_.coord(10, lo.x, lo.y, 0);
    variable("$EXTMAX");
    w_.coord(10, hi.x, hi.y, 0);
    variable("$LIMMIN");
    w_.dxfReal(10, lo.x);
    w_.dxfReal(20, lo.y);
    variable("$LIMMAX");
    w_.dxfReal(10, hi.x);
    w_.dxfReal(20, hi.y);
    variable("$INSUNITS");
    w_.dxfInt(70, dxf::insunitsFromUnits(d_.settings.units));
    variable("$MEASUREMENT");
    w_.dxfInt(70, d_.settings.units == 1 ? 0 : 1);
    variable("$LTSCALE");
    w_.dxfReal(40, 1.0);
    // The print scale, as the size of dimensions: drawing units of a millimetre of paper.
    variable("$DIMSCALE");
    w_.dxfReal(40, dimensionUnitsPerPaperMm(d_));
    variable("$CLAYER");
    const auto layer = static_cast<std::size_t>(d_.current.layer);
    w_.dxfString(8, layer < layerNames_.size() ? layerNames_[layer] : std::string("0"));
    variable("$CELTYPE");
    w_.dxfString(6, "BYLAYER");
    variable("$LWDISPLAY");
    w_.dxfInt(290, d_.settings.showLineWidths ? 1 : 0);
    w_.sectionEnd();
}

void Exporter::classes() {
    bool anyImage = false;
    for (std::size_t h = 0; h < d_.entities.size() && !anyImage; ++h)
        anyImage = d_.entities[h].type == EntityType::Image && d_.valid(int(h));
    w_.sectionClasses();
    if (anyImage) {
        auto cls = [&](const char* record, const char* cpp, int flags, int isEntity) {
            w_.dxfString(0, "CLASS");
            w_.dxfString(1, record);
            w_.dxfString(2, cpp);
            w_.dxfString(3, "ISM");
            w_.dxfInt(90, flags);
            w_.dxfInt(280, 0);
            w_.dxfInt(281, isEntity);
        };
        cls("IMAGE", "AcDbRasterImage", 127, 1);
        cls("IMAGEDEF", "AcDbRasterImageDef", 0, 0);
        cls("IMAGEDEF_REACTOR", "AcDbRasterImageDefReactor", 1, 0);
    }
    if (ordered_) {
        w_.dxfString(0, "CLASS");
        w_.dxfString(1, "SORTENTSTABLE");
        w_.dxfString(2, "AcDbSortentsTable");
        w_.dxfString(3, "ObjectDBX Classes");
        w_.dxfInt(90, 0);
        w_.dxfInt(280, 0);
        w_.dxfInt(281, 0);
    }
    w_.sectionEnd();
}

void Exporter::tables() {
    w_.sectionTables();
    dxf_.writeVPort(w_);

    w_.tableLinetypes(int(2 + d_.lineStyles.size()));
    dxf_.writeLinetype(w_, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf_.writeLinetype(w_, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf_.writeLinetype(w_, DL_LinetypeData("Continuous", "Solid line", 0, 0, 0.0));
    for (std::size_t i = 1; i < d_.lineStyles.size(); ++i) {
        std::vector<double> pattern;
        double length = 0;
        for (const double v : d_.lineStyles[i].pattern)
            if (std::isfinite(v)) {
                pattern.push_back(v);
                length += std::abs(v);
            }
        if (!std::isfinite(length))
            pattern.clear(), length = 0;
        dxf_.writeLinetype(w_, DL_LinetypeData(lineTypeNames_[i],
                                               dxf::oneLine(d_.lineStyles[i].definition), 0,
                                               int(pattern.size()), length, pattern.data()));
    }
    w_.tableEnd();

    w_.tableLayers(int(d_.layers.size() + (extraLayer0_ ? 1 : 0)));
    if (extraLayer0_)
        dxf_.writeLayer(w_, DL_LayerData("0", 0),
                        DL_Attributes("", 7, 0, dxf::kLineweightDefault, "CONTINUOUS"));
    for (std::size_t i = 0; i < d_.layers.size(); ++i) {
        const Layer& l = d_.layers[i];
        const int aci = dxf::nearestAci(l.color);
        dxf_.writeLayer(w_, DL_LayerData(layerNames_[i], l.locked ? 4 : 0),
                        DL_Attributes("", l.visible ? aci : -aci, dxf::toTrueColor(l.color),
                                      dxf::nearestLineweight(l.width), "CONTINUOUS"));
        if (!l.printable && dxf::nameKey(layerNames_[i]) != "DEFPOINTS")
            w_.dxfInt(290, 0);
    }
    w_.tableEnd();

    w_.tableStyle(int(d_.textStyles.size() + (extraStandardStyle_ ? 1 : 0)));
    auto style = [&](const std::string& name, const TextStyle& s) {
        const double width = std::isfinite(s.widthFactor) && s.widthFactor > 0 ? s.widthFactor : 1;
        const double oblique = std::isfinite(s.oblique) ? s.oblique : 0;
        dxf_.writeStyle(
            w_, DL_StyleData(name, 0, 0.0, width, oblique, 0, 2.5, dxf::oneLine(s.font), ""));
    };
    if (extraStandardStyle_)
        style("Standard", TextStyle{"Standard", "Arial", 1, 0, 5, true, true});
    for (std::size_t i = 0; i < d_.textStyles.size(); ++i)
        style(textStyleNames_[i], d_.textStyles[i]);
    w_.tableEnd();

    dxf_.writeView(w_);
    dxf_.writeUcs(w_);
    w_.tableAppid(2);
    dxf_.writeAppid(w_, "ACAD");
    dxf_.writeAppid(w_, kAppName);
    w_.tableEnd();
    dimensionStyles();
    layoutRecords();
    for (std::size_t b = 0; b < d_.blocks.size(); ++b) {
        blockRecords_.push_back(w_.nextHandle());
        dxf_.writeBlockRecord(w_, blockNames_[b]);
    }
    for (std::size_t i = 0; i < dimensions_.size(); ++i) {
        dimensionRecords_.push_back(w_.nextHandle());
        dxf_.writeBlockRecord(w_, "*D" + std::to_string(i + 1));
    }
    w_.tableEnd();
    w_.sectionEnd();
}

void Exporter::blocks() {
    w_.sectionBlocks();
    for (const char* layout : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf_.writeBlock(w_, DL_BlockData(layout, 0, 0.0, 0.0, 0.0));
        dxf_.writeEndBlock(w_, layout);
    }
    for (std::size_t b = 0; b < d_.blocks.size(); ++b) {
        const Block& block = d_.blocks[b];
        dxf_.writeBlock(w_, DL_BlockData(blockNames_[b], 0, block.base.x, block.base.y, 0.0));
        if (blockWritable_[b])
            for (const std::uint32_t h : block.entities)
                if (writable(h, std::int32_t(b)))
                    entity(h, blockRecords_[b]);
        dxf_.writeEndBlock(w_, blockNames_[b]);
    }
    for (std::size_t i = 0; i < dimensions_.size(); ++i)
        dimensionBlock(i);
    w_.sectionEnd();
}

void Exporter::entities() {
    w_.sectionEntities();
    if (!ordered_) {
        for (std::size_t h = 0; h < d_.entities.size(); ++h)
            if (writable(std::uint32_t(h), kModelSpace))
                entity(std::uint32_t(h), kModelSpaceRecord);
        w_.sectionEnd();
        return;
    }
    // Each entity has three handles of its own (an outline with its fill, an image with its
    // definition and reactor take more than one), in handle order; written in drawing order.
    std::vector<unsigned long> slot(d_.entities.size(), 0);
    unsigned long written = 0;
    for (std::size_t h = 0; h < d_.entities.size(); ++h)
        if (writable(std::uint32_t(h), kModelSpace))
            slot[h] = written++;
    const unsigned long base = w_.nextHandle();
    const DrawOrder& order = d_.drawOrder();
    collecting_ = true;
    for (std::size_t place = 0; place < d_.entities.size(); ++place) {
        const std::uint32_t h = order.at(std::uint32_t(place));
        if (!writable(h, kModelSpace))
            continue;
        w_.setNextHandle(base + 3 * slot[h]);
        entity(h, kModelSpaceRecord);
    }
    collecting_ = false;
    w_.setNextHandle(base + 3 * written);
    w_.sectionEnd();
}

void Exporter::layoutRecords() {
    w_.dxfString(0, "TABLE");
    w_.dxfString(2, "BLOCK_RECORD");
    w_.dxfHex(5, 1);
    w_.dxfString(100, "AcDbSymbolTable");
    w_.dxfInt(70, 1);
    for (const auto& [handle, name, layout] :
         {std::tuple{int(kModelSpaceRecord), "*Model_Space", 0x22},
          {0x1B, "*Paper_Space", 0x1E},
          {0x23, "*Paper_Space0", 0x26}}) {
        w_.dxfString(0, "BLOCK_RECORD");
        w_.dxfHex(5, handle);
        if (ordered_ && handle == int(kModelSpaceRecord)) {
            w_.dxfString(102, "{ACAD_XDICTIONARY");
            w_.dxfHex(360, int(dictionary_));
            w_.dxfString(102, "}");
        }
        w_.dxfString(100, "AcDbSymbolTableRecord");
        w_.dxfString(100, "AcDbBlockTableRecord");
        w_.dxfString(2, name);
        w_.dxfHex(340, layout);
    }
}

void Exporter::sortTable() {
    w_.dxfString(0, "DICTIONARY");
    w_.dxfHex(5, int(dictionary_));
    w_.dxfHex(330, int(kModelSpaceRecord));
    w_.dxfString(100, "AcDbDictionary");
    w_.dxfInt(280, 0);
    w_.dxfInt(281, 1);
    w_.dxfString(3, "ACAD_SORTENTS");
    w_.dxfHex(350, int(sortTable_));

    w_.dxfString(0, "SORTENTSTABLE");
    w_.dxfHex(5, int(sortTable_));
    w_.dxfString(102, "{ACAD_REACTORS");
    w_.dxfHex(330, int(dictionary_));
    w_.dxfString(102, "}");
    w_.dxfHex(330, int(dictionary_));
    w_.dxfString(100, "AcDbSortentsTable");
    w_.dxfHex(330, int(kModelSpaceRecord));
    // The entities' own handles, in the order written, are drawn by the same handles sorted.
    std::vector<unsigned long> sorted = written_;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < written_.size(); ++i)
        if (written_[i] != sorted[i]) {
            w_.dxfHex(331, int(written_[i]));
            w_.dxfHex(5, int(sorted[i]));
        }
}

// The objects every R2000 file has: the dictionaries of groups, layouts, multiline and plot
// styles with their defaults, as dxflib's writeObjects() writes them, with their owners.
void Exporter::objects() {
    const int variables = int(w_.nextHandle()), dimassoc = variables + 1, hidetext = variables + 2,
              imageDictionary = variables + 3;
    w_.setNextHandle(unsigned(variables) + 4);
    auto object = [&](const char* type, int handle, int owner) {
        w_.dxfString(0, type);
        w_.dxfHex(5, handle);
        w_.dxfHex(330, owner);
    };
    auto dictionary = [&](int handle, int owner,
                          std::initializer_list<std::pair<const char*, int>> entries) {
        object("DICTIONARY", handle, owner);
        w_.dxfString(100, "AcDbDictionary");
        w_.dxfInt(280, 0);
        w_.dxfInt(281, 1);
        for (const auto& [name, h] : entries) {
            w_.dxfString(3, name);
            w_.dxfHex(350, h);
        }
    };

    w_.sectionObjects();
    object("DICTIONARY", 0xC, 0);
    w_.dxfString(100, "AcDbDictionary");
    w_.dxfInt(280, 0);
    w_.dxfInt(281, 1);
    for (const auto& [name, h] : {std::pair{"ACAD_GROUP", 0xD},
                                  {"ACAD_LAYOUT", 0x1A},
                                  {"ACAD_MLINESTYLE", 0x17},
                                  {"ACAD_PLOTSETTINGS", 0x19},
                                  {"ACAD_PLOTSTYLENAME", 0xE},
                                  {"AcDbVariableDictionary", variables}}) {
        w_.dxfString(3, name);
        w_.dxfHex(350, h);
    }
    if (!images_.empty()) {
        w_.dxfString(3, "ACAD_IMAGE_DICT");
        w_.dxfHex(350, imageDictionary);
    }
    dictionary(0xD, 0xC, {});

    object("ACDBDICTIONARYWDFLT", 0xE, 0xC);
    w_.dxfString(100, "AcDbDictionary");
    w_.dxfInt(281, 1);
    w_.dxfString(3, "Normal");
    w_.dxfHex(350, 0xF);
    w_.dxfString(100, "AcDbDictionaryWithDefault");
    w_.dxfHex(340, 0xF);
    object("ACDBPLACEHOLDER", 0xF, 0xE);

    dictionary(0x17, 0xC, {{"Standard", 0x18}});
    object("MLINESTYLE", 0x18, 0x17);
    w_.dxfString(100, "AcDbMlineStyle");
    w_.dxfString(2, "STANDARD");
    w_.dxfInt(70, 0);
    w_.dxfString(3, "");
    w_.dxfInt(62, 256);
    w_.dxfReal(51, 90.0);
    w_.dxfReal(52, 90.0);
    w_.dxfInt(71, 2);
    for (const double offset : {0.5, -0.5}) {
        w_.dxfReal(49, offset);
        w_.dxfInt(62, 256);
        w_.dxfString(6, "BYLAYER");
    }
    dictionary(0x19, 0xC, {});
    dictionary(0x1A, 0xC, {{"Layout1", 0x1E}, {"Layout2", 0x26}, {"Model", 0x22}});

    // The layouts: the model and two sheets, each with its block record.
    struct Layout {
        int handle, blockRecord, order;
        const char* name;
        bool model;
    };
    for (const Layout& l :
         {Layout{0x1E, 0x1B, 1, "Layout1", false}, Layout{0x22, 0x1F, 0, "Model", true},
          Layout{0x26, 0x23, 2, "Layout2", false}}) {
        object("LAYOUT", l.handle, 0x1A);
        w_.dxfString(100, "AcDbPlotSettings");
        w_.dxfString(1, "");
        w_.dxfString(2, "none_device");
        w_.dxfString(4, "");
        w_.dxfString(6, "");
        for (const int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141})
            w_.dxfReal(code, 0.0);
        w_.dxfReal(142, 1.0);
        w_.dxfReal(143, 1.0);
        w_.dxfInt(70, l.model ? 1712 : 688);
        w_.dxfInt(72, 0);
        w_.dxfInt(73, 0);
        w_.dxfInt(74, l.model ? 0 : 5);
        w_.dxfString(7, "");
        w_.dxfInt(75, l.model ? 0 : 16);
        w_.dxfReal(147, 1.0);
        w_.dxfReal(148, 0.0);
        w_.dxfReal(149, 0.0);
        w_.dxfString(100, "AcDbLayout");
        w_.dxfString(1, l.name);
        w_.dxfInt(70, 1);
        w_.dxfInt(71, l.order);
        w_.coord(10, 0, 0, 0);
        w_.dxfReal(11, l.handle == 0x1E ? 420.0 : 12.0);
        w_.dxfReal(21, l.handle == 0x1E ? 297.0 : 9.0);
        w_.coord(12, 0, 0, 0);
        const double limit = l.handle == 0x1E ? 1e20 : 0;
        w_.coord(14, limit, limit, limit);
        w_.coord(15, -limit, -limit, -limit);
        w_.dxfReal(146, 0.0);
        w_.coord(13, 0, 0, 0);
        w_.coord(16, 1, 0, 0);
        w_.coord(17, 0, 1, 0);
        w_.dxfInt(76, 0);
        w_.dxfHex(330, l.blockRecord);
    }

    dictionary(variables, 0xC, {{"DIMASSOC", dimassoc}, {"HIDETEXT", hidetext}});
    for (const auto& [handle, value] : {std::pair{dimassoc, "2"}, {hidetext, "1"}}) {
        object("DICTIONARYVAR", handle, variables);
        w_.dxfString(100, "DictionaryVariables");
        w_.dxfInt(280, 0);
        w_.dxfString(1, value);
    }

    if (!images_.empty()) {
        object("DICTIONARY", imageDictionary, 0xC);
        w_.dxfString(100, "AcDbDictionary");
        w_.dxfInt(281, 1);
        for (std::size_t i = 0; i < images_.size(); ++i) {
            w_.dxfString(3, "IMAGE" + std::to_string(i + 1));
            w_.dxfHex(350, int(images_[i].handle));
        }
        for (const ImageDef& im : images_) {
            w_.dxfString(0, "IMAGEDEF");
            w_.dxfHex(5, int(im.handle));
            w_.dxfString(102, "{ACAD_REACTORS");
            w_.dxfHex(330, int(im.reactor));
            w_.dxfString(102, "}");
            w_.dxfHex(330, imageDictionary);
            w_.dxfString(100, "AcDbRasterImageDef");
            w_.dxfInt(90, 0);
            w_.dxfString(1, im.path);
            w_.dxfReal(10, im.pixelsX);
            w_.dxfReal(20, im.pixelsY);
            w_.dxfReal(11, 1.0);
            w_.dxfReal(21, 1.0);
            w_.dxfInt(280, 1);
            w_.dxfInt(281, 0);
            object("IMAGEDEF_REACTOR", int(im.reactor), int(im.owner));
            w_.dxfString(100, "AcDbRasterImageDefReactor");
            w_.dxfInt(90, 2);
            w_.dxfHex(330, int(im.owner));
        }
    }
    if (ordered_)
        sortTable();
    w_.sectionEnd();
}

bool Exporter::writable(std::uint32_t h, std::int32_t owner) const {
    if (h >= d_.entities.size())
        return false;
    const Entity& e = d_.entities[h];
    return !e.has(EntityFlag::Deleted) && e.has(EntityFlag::InBlock) == (owner != kModelSpace);
}

void Exporter::begin(const char* type, const Entity& e, unsigned long owner, const char* subclass) {
    w_.entity(type);
    if (collecting_)
        written_.push_back(w_.nextHandle() - 1);
    w_.dxfHex(330, int(owner));
    w_.dxfString(100, "AcDbEntity");
    const auto layer = static_cast<std::size_t>(e.layer);
    w_.dxfString(8, layer < layerNames_.size() ? layerNames_[layer] : std::string("0"));
    if (const auto style = static_cast<std::size_t>(e.lineStyle);
        style > 0 && style < lineTypeNames_.size())
        w_.dxfString(6, lineTypeNames_[style]);
    const OwnStyle own = d_.ownStyle(handleOf(e));
    if (pieceColour_) {
        w_.dxfInt(62, dxf::nearestAci(*pieceColour_));
        w_.dxfInt(420, dxf::toTrueColor(*pieceColour_));
    } else if (!e.has(EntityFlag::ColorByLayer)) {
        w_.dxfInt(62, dxf::nearestAci(own.color));
        w_.dxfInt(420, dxf::toTrueColor(own.color));
    }
    if (!e.has(EntityFlag::WidthByLayer))
        w_.dxfInt(370, dxf::nearestLineweight(own.width));
    w_.dxfString(100, subclass);
}

void Exporter::mark(int flags) {
    if (flags == 0)
        return;
    w_.dxfString(1001, kAppName);
    w_.dxfInt(1070, flags);
}

void Exporter::entity(std::uint32_t h, unsigned long owner) {
    const Entity& e = d_.entities[h];
    switch (e.type) {
    case EntityType::Point:
        if (e.first < d_.points.size())
            point(e, owner);
        break;
    case EntityType::Line:
        if (e.first < d_.lines.size())
            line(e, owner);
        break;
    case EntityType::Polyline:
        if (e.first <= d_.vertices.size() && e.count <= d_.vertices.size() - e.first &&
            e.count > 0) {
            const std::span<const Vec2> v(d_.vertices.data() + e.first, e.count);
            const bool closed = e.has(EntityFlag::Closed);
            // Arc segments keep their bulges (group 42).
            std::vector<double> bulges;
            if (const BulgeView b = d_.bulgesOf(e);
                b.any() && storedVertices(e) <= d_.vertices.size() - e.first)
                for (std::uint32_t i = 0; i < e.count; ++i)
                    bulges.push_back(std::isfinite(b[i]) ? b[i] : 0.0);
            if (e.has(EntityFlag::Filled)) {
                bool ok = true;
                for (const Vec2& p : v)
                    ok = ok && finite(p);
                if (ok)
                    solidFill(e, owner, {Loop{{v.begin(), v.end()}, bulges}});
            }
            polyline(e, owner, v, closed, e.has(EntityFlag::Filled) ? Mark::Filled : 0, bulges);
        }
        break;
    case EntityType::Circle:
        if (e.first < d_.circles.size())
            circle(e, owner);
        break;
    case EntityType::Arc:
        if (e.first < d_.arcs.size())
            arc(e, owner);
        break;
    case EntityType::Sector:
        if (e.first < d_.sectors.size())
            sector(e, owner);
        break;
    case EntityType::Spline:
        if (e.first <= d_.vertices.size() && e.count <= d_.vertices.size() - e.first && e.count > 0)
            spline(e, owner);
        break;
    case EntityType::Ellipse:
        if (e.first < d_.ellipses.size())
            ellipse(e, owner);
        break;
    case EntityType::Rectangle:
        if (e.first < d_.rectangles.size())
            rectangle(e, owner);
        break;
    case EntityType::Insert:
        if (e.first < d_.inserts.size())
            insert(e, owner);
        break;
    case EntityType::Text:
        if (e.first < d_.texts.size())
            text(e, owner);
        break;
    case EntityType::Hatch: {
        if (e.first >= d_.hatches.size())
            break;
        const HatchData& hd = d_.hatches[e.first];
        if (hd.firstVertex > d_.vertices.size() || e.count > d_.vertices.size() - hd.firstVertex)
            break;
        std::vector<Loop> loops;
        std::size_t at = hd.firstVertex;
        const std::size_t end = hd.firstVertex + e.count;
        const auto loopCounts = d_.loopsOf(hd);
        for (const std::uint32_t n : loopCounts) {
            if (n == 0 || n > end - at)
                break;
            loops.push_back(Loop{{d_.vertices.begin() + std::ptrdiff_t(at),
                                  d_.vertices.begin() + std::ptrdiff_t(at + n)},
                                 {}});
            at += n;
        }
        if (loopCounts.empty() && e.count > 0) // one loop of every vertex
            loops.push_back(Loop{{d_.vertices.begin() + std::ptrdiff_t(at),
                                  d_.vertices.begin() + std::ptrdiff_t(end)},
                                 {}});
        if (!loops.empty())
            hatch(e, owner, loops, hd.solid != 0, d_.pooled(hd.pattern), hd.scale, hd.angle, 0,
                  hd.mirrored != 0, hd.origin);
        break;
    }
    case EntityType::Image:
        if (e.first < d_.images.size())
            image(e, owner);
        break;
    case EntityType::Dimension:
        if (e.first >= d_.dimensions.size())
            break;
        if (const auto it = std::lower_bound(dimensions_.begin(), dimensions_.end(), h);
            it != dimensions_.end() && *it == h)
            dimensionEntity(e, std::size_t(it - dimensions_.begin()), owner);
        else
            dimension(e, owner);
        break;
    }
}

// The dimension styles as DIMSTYLE entries: sizes are millimetres on paper, DIMSCALE the
// drawing units of a millimetre at the print scale.
void Exporter::dimensionStyles() {
    constexpr unsigned long kTable = 0xA; // dxflib's handle of the DIMSTYLE table
    const std::vector<DimensionStyle> plain{DimensionStyle{}};
    const std::vector<DimensionStyle>& styles =
        d_.dimensionStyles.empty() ? plain : d_.dimensionStyles;
    w_.dxfString(0, "TABLE");
    w_.dxfString(2, "DIMSTYLE");
    w_.dxfHex(5, int(kTable));
    w_.dxfString(100, "AcDbSymbolTable");
    w_.dxfInt(70, int(styles.size()));
    w_.dxfString(100, "AcDbDimStyleTable");
    const double scale = dimensionUnitsPerPaperMm(d_);
    const auto real = [&](int code, double v) { w_.dxfReal(code, std::isfinite(v) ? v : 0); };
    for (std::size_t i = 0; i < styles.size(); ++i) {
        const DimensionStyle& st = styles[i];
        w_.dxfString(0, "DIMSTYLE");
        w_.handle(105);
        w_.dxfHex(330, int(kTable));
        w_.dxfString(100, "AcDbSymbolTableRecord");
        w_.dxfString(100, "AcDbDimStyleTableRecord");
        w_.dxfString(2, dimensionStyleNames_[i]);
        w_.dxfInt(70, 0);
        real(40, std::isfinite(scale) && scale > 0 ? scale : 1); // DIMSCALE
        real(41, st.arrowLength);                                // DIMASZ
        real(42, st.extensionOffset);                            // DIMEXO
        real(44, st.extensionBeyond);                            // DIMEXE
        real(45, st.roundOff);                                   // DIMRND
        real(47, st.toleranceUpper);                             // DIMTP
        real(48, st.toleranceLower);                             // DIMTM
        real(140, st.textHeight);                                // DIMTXT
        real(141, st.centreMark == CentreMark::None   ? 0
                  : st.centreMark == CentreMark::Line ? -st.centreMarkSize
                                                      : st.centreMarkSize);      // DIMCEN
        real(144, st.scaleValue);                                                // DIMLFAC
        real(147, st.textGap * (st.frame ? -1 : 1));                             // DIMGAP
        w_.dxfInt(71, st.toleranceUpper != 0 || st.toleranceLower != 0 ? 1 : 0); // DIMTOL
        w_.dxfInt(73, st.horizontalText ? 1 : 0);                                // DIMTIH
        w_.dxfInt(74, st.horizontalText ? 1 : 0);                                // DIMTOH
        w_.dxfInt(77, st.placement == TextPlacement::Centred ? 0
                      : st.placement == TextPlacement::Below ? 4
                                                             : 1);       // DIMTAD
        w_.dxfInt(78, st.suppressTrailingZeros ? 8 : 0);                 // DIMZIN
        w_.dxfInt(271, std::clamp(st.decimals, 0, 8));                   // DIMDEC
        w_.dxfInt(272, std::clamp(st.decimals, 0, 8));                   // DIMTDEC
        w_.dxfInt(179, std::clamp(st.decimals, 0, 8));                   // DIMADEC
        w_.dxfInt(278, static_cast<unsigned char>(st.decimalSeparator)); // DIMDSEP
        // Own colours as the nearest palette colours (DIMCLRD, DIMCLRE, DIMCLRT); without them
        // the parts take the dimension's colour (by block, the default).
        if (st.ownColors)
            for (const auto& [code, colour] : {std::pair{176, st.dimensionLineColor},
                                               {177, st.extensionLineColor},
                                               {178, st.textColor}})
                w_.dxfInt(code, dxf::nearestAci(colour));
        // What the text shows around the value ("<>" stands for it), as DIMPOST.
        if (st.contents != "<>")
            w_.dxfString(3, dxf::encodeText(dxf::oneLine(st.contents)));
        if (st.arrowhead == Arrowhead::Oblique) // ticks instead of arrowheads (DIMTSZ)
            real(142, st.arrowLength);
        // What DXF has no variable for, for this program to read back, in its own extended
        // data: the arrowhead (1070), its width (1040), the line between the extension lines
        // and angle texts along the radius (1070: 1, 2), the text style (1000), and the own
        // colours exactly (1071, 0x00BBGGRR).
        w_.dxfString(1001, kAppName);
        w_.dxfInt(1070, int(st.arrowhead));
        real(1040, st.arrowHeight);
        w_.dxfInt(1070, (st.showLineInside ? 1 : 0) | (st.perpendicularToArc ? 2 : 0));
        const auto text = static_cast<std::size_t>(st.textStyle);
        w_.dxfString(1000, text < textStyleNames_.size() ? textStyleNames_[text] : "Standard");
        if (st.ownColors)
            for (const std::uint32_t colour :
                 {st.dimensionLineColor, st.extensionLineColor, st.textColor})
                w_.dxfInt(1071, int(colour & 0xFFFFFF));
    }
    w_.tableEnd();
}

// The anonymous block of a dimension: what draws it, as the pieces of dimension().
void Exporter::dimensionBlock(std::size_t i) {
    const std::string name = "*D" + std::to_string(i + 1);
    const unsigned long record = dimensionRecords_[i];
    w_.dxfString(0, "BLOCK");
    w_.handle();
    w_.dxfHex(330, int(record));
    w_.dxfString(100, "AcDbEntity");
    w_.dxfString(8, "0");
    w_.dxfString(100, "AcDbBlockBegin");
    w_.dxfString(2, name);
    w_.dxfInt(70, 1); // anonymous
    w_.coord(10, 0, 0, 0);
    w_.dxfString(3, name);
    w_.dxfString(1, "");
    dimension(d_.entities[dimensions_[i]], record);
    w_.dxfString(0, "ENDBLK");
    w_.handle();
    w_.dxfHex(330, int(record));
    w_.dxfString(100, "AcDbEntity");
    w_.dxfString(8, "0");
    w_.dxfString(100, "AcDbBlockEnd");
}

// A DIMENSION: its kind, definition points (see Dimension.h for which is which), measured
// value, text, style and block.
void Exporter::dimensionEntity(const Entity& e, std::size_t i, unsigned long owner) {
    const DimensionData dd = d_.dimensionOf(e);
    for (const Vec2 p : dd.points)
        if (!finite(p))
            return;
    const auto& p = dd.points;
    const DimensionGeometry g = dimensionGeometryOf(d_, dd);
    const bool atVertex = dd.kind == DimensionKind::Angular && p[0] == p[2];
    int type = 0;
    Vec2 definition = p[DimPoint::LinePoint];
    switch (dd.kind) {
    case DimensionKind::Horizontal:
    case DimensionKind::Vertical:
        type = 0;
        break;
    case DimensionKind::Parallel:
        type = 1;
        break;
    case DimensionKind::Angular:
        type = atVertex ? 5 : 2;
        definition = atVertex ? p[DimPoint::ArcPoint] : p[DimPoint::SecondLineEnd];
        break;
    case DimensionKind::Diametric:
        type = 3;
        definition = {2 * p[DimPoint::Centre].x - p[DimPoint::ChordPoint].x,
                      2 * p[DimPoint::Centre].y - p[DimPoint::ChordPoint].y};
        break;
    case DimensionKind::Radial:
        type = 4;
        definition = p[DimPoint::Centre];
        break;
    case DimensionKind::OrdinateX:
    case DimensionKind::OrdinateY:
        type = 6 | (dd.kind == DimensionKind::OrdinateX ? 64 : 0);
        definition = dd.origin;
        break;
    }
    const Vec2 middle = g.text ? g.text->position : definition;
    const auto style = static_cast<std::size_t>(std::max(dd.style, 0));
    begin("DIMENSION", e, owner, "AcDbDimension");
    w_.dxfString(2, "*D" + std::to_string(i + 1));
    w_.coord(10, definition.x, definition.y, 0);
    w_.coord(11, middle.x, middle.y, 0);
    w_.dxfInt(70, type | 32 | (dd.textPosition ? 128 : 0));
    w_.dxfInt(71, 5); // the text's middle at 11
    const double value = measuredValue(dd);
    if (std::isfinite(value))
        w_.dxfReal(42, value);
    w_.dxfString(1, dxf::encodeText(dd.text));
    w_.dxfString(3, style < dimensionStyleNames_.size() ? dimensionStyleNames_[style]
                                                        : dimensionStyleNames_[0]);
    switch (dd.kind) {
    case DimensionKind::Horizontal:
    case DimensionKind::Vertical:
    case DimensionKind::Parallel:
        w_.dxfString(100, "AcDbAlignedDimension");
        w_.coord(13, p[0].x, p[0].y, 0);
        w_.coord(14, p[1].x, p[1].y, 0);
        if (dd.kind != DimensionKind::Parallel) {
            w_.dxfReal(
                50, normalisedDegrees(dd.rotation + (dd.kind == DimensionKind::Vertical ? 90 : 0)));
            w_.dxfString(100, "AcDbRotatedDimension");
        }
        break;
    case DimensionKind::Angular:
        if (atVertex) {
            w_.dxfString(100, "AcDb3PointAngularDimension");
            w_.coord(13, p[1].x, p[1].y, 0);
            w_.coord(14, p[3].x, p[3].y, 0);
            w_.coord(15, p[0].x, p[0].y, 0);
        } else {
            w_.dxfString(100, "AcDb2LineAngularDimension");
            w_.coord(13, p[0].x, p[0].y, 0);
            w_.coord(14, p[1].x, p[1].y, 0);
            w_.coord(15, p[2].x, p[2].y, 0);
            w_.coord(16, p[4].x, p[4].y, 0);
        }
        break;
    case DimensionKind::Radial:
    case DimensionKind::Diametric:
        w_.dxfString(100, dd.kind == DimensionKind::Radial ? "AcDbRadialDimension"
                                                           : "AcDbDiametricDimension");
        w_.coord(15, p[1].x, p[1].y, 0);
        w_.dxfReal(40, 0);
        break;
    case DimensionKind::OrdinateX:
    case DimensionKind::OrdinateY:
        w_.dxfString(100, "AcDbOrdinateDimension");
        w_.coord(13, p[0].x, p[0].y, 0);
        w_.coord(14, p[1].x, p[1].y, 0);
        break;
    }
    // Its own text placement over its style's: a style override (DIMTAD) in the extended data
    // of the ACAD application, as other programs keep theirs.
    if (dd.placement != PlacementOverride::Style) {
        w_.dxfString(1001, "ACAD");
        w_.dxfString(1000, "DSTYLE");
        w_.dxfString(1002, "{");
        w_.dxfInt(1070, 77);
        w_.dxfInt(1070, dxf::dimtad(effectivePlacement(dd, dimensionStyleOf(d_, dd.style))));
        w_.dxfString(1002, "}");
    }
}

// A dimension as what it is drawn with: its lines, arcs, filled arrowheads and text, on its
// layer, so every reader shows it as it looks here.
void Exporter::dimension(const Entity& e, unsigned long owner) {
    const DimensionGeometry g = dimensionGeometryOf(d_, e);
    // The style's own colours, as the dimension is drawn here: extension lines, dimension
    // lines with their arcs and arrowheads, the text with its frame.
    const DimensionStyle& dimStyle = dimensionStyleOf(d_, d_.dimensionOf(e).style);
    struct Colouring {
        std::optional<std::uint32_t>& colour;
        ~Colouring() { colour.reset(); }
    } colouring{pieceColour_};
    const auto colour = [&](std::uint32_t c) {
        if (dimStyle.ownColors)
            pieceColour_ = c;
    };
    for (const std::vector<LineData>* set : {&g.extensionLines, &g.lines})
        for (const LineData& l : *set) {
            if (!finite(l.a) || !finite(l.b))
                continue;
            colour(set == &g.lines ? dimStyle.dimensionLineColor : dimStyle.extensionLineColor);
            begin("LINE", e, owner, "AcDbLine");
            w_.coord(10, l.a.x, l.a.y, 0);
            w_.coord(11, l.b.x, l.b.y, 0);
        }
    colour(dimStyle.dimensionLineColor);
    for (const ArcData& a : g.arcs) {
        if (!finite(a.centre) || !std::isfinite(a.radius))
            continue;
        begin("ARC", e, owner, "AcDbCircle");
        w_.coord(10, a.centre.x, a.centre.y, 0);
        w_.dxfReal(40, std::abs(a.radius));
        w_.subClass("AcDbArc");
        w_.dxfReal(50, normalisedDegrees(a.startAngle));
        w_.dxfReal(51, normalisedDegrees(a.endAngle));
    }
    for (const auto& t : g.triangles) {
        if (!finite(t[0]) || !finite(t[1]) || !finite(t[2]))
            continue;
        begin("SOLID", e, owner, "AcDbTrace");
        w_.coord(10, t[0].x, t[0].y, 0);
        w_.coord(11, t[1].x, t[1].y, 0);
        w_.coord(12, t[2].x, t[2].y, 0);
        w_.coord(13, t[2].x, t[2].y, 0);
    }
    for (const CircleData& c : g.dots) {
        const double r = std::abs(c.radius);
        if (finite(c.centre) && std::isfinite(r) && r > 0)
            solidFill(e, owner,
                      {Loop{{{c.centre.x - r, c.centre.y}, {c.centre.x + r, c.centre.y}}, {1, 1}}});
    }
    if (!g.text || !finite(g.text->position) || !std::isfinite(g.text->height))
        return;
    colour(dimStyle.textColor);
    const DimensionText& t = *g.text;
    const auto style = t.style >= 0 && std::size_t(t.style) < textStyleNames_.size()
                           ? std::size_t(t.style)
                           : std::size_t(0);
    if (t.framed) {
        const std::vector<Vec2> frame(t.frame.begin(), t.frame.end());
        polyline(e, owner, frame, true, 0);
    }
    begin("TEXT", e, owner, "AcDbText");
    w_.coord(10, t.position.x, t.position.y, 0);
    w_.dxfReal(40, t.height);
    w_.dxfString(1, dxf::encodeText(t.text));
    if (t.rotation != 0)
        w_.dxfReal(50, normalisedDegrees(t.rotation));
    w_.dxfString(7,
                 style < textStyleNames_.size() ? textStyleNames_[style] : std::string("Standard"));
    w_.dxfInt(72, 1);
    w_.coord(11, t.position.x, t.position.y, 0);
    w_.subClass("AcDbText");
    w_.dxfInt(73, 2);
}

void Exporter::point(const Entity& e, unsigned long owner) {
    const PointData& p = d_.points[e.first];
    if (!finite(p.p))
        return;
    begin("POINT", e, owner, "AcDbPoint");
    w_.coord(10, p.p.x, p.p.y, 0);
}

void Exporter::line(const Entity& e, unsigned long owner) {
    const LineData& l = d_.lines[e.first];
    if (!finite(l.a) || !finite(l.b))
        return;
    begin("LINE", e, owner, "AcDbLine");
    w_.coord(10, l.a.x, l.a.y, 0);
    w_.coord(11, l.b.x, l.b.y, 0);
}

void Exporter::polyline(const Entity& e, unsigned long owner, std::span<const Vec2> v, bool closed,
                        int marks, std::span<const double> bulges) {
    for (const Vec2& p : v)
        if (!finite(p))
            return;
    begin("LWPOLYLINE", e, owner, "AcDbPolyline");
    w_.dxfInt(90, int(v.size()));
    w_.dxfInt(70, closed ? 1 : 0);
    for (std::size_t i = 0; i < v.size(); ++i) {
        w_.dxfReal(10, v[i].x);
        w_.dxfReal(20, v[i].y);
        if (i < bulges.size() && bulges[i] != 0)
            w_.dxfReal(42, bulges[i]);
    }
    mark(marks);
}

void Exporter::circle(const Entity& e, unsigned long owner) {
    const CircleData& c = d_.circles[e.first];
    const double r = std::abs(c.radius);
    if (!finite(c.centre) || !finite(r))
        return;
    if (e.has(EntityFlag::Filled) && r > 0)
        // Two half circles: bulge 1 is a half circle to the left of the chord.
        solidFill(e, owner,
                  {Loop{{{c.centre.x - r, c.centre.y}, {c.centre.x + r, c.centre.y}}, {1, 1}}});
    begin("CIRCLE", e, owner, "AcDbCircle");
    w_.coord(10, c.centre.x, c.centre.y, 0);
    w_.dxfReal(40, r);
    mark(e.has(EntityFlag::Filled) ? Mark::Filled : 0);
}

void Exporter::arc(const Entity& e, unsigned long owner) {
    const ArcData& a = d_.arcs[e.first];
    if (!finite(a.centre) || !finite(a.radius) || !finite(a.startAngle) || !finite(a.endAngle))
        return;
    begin("ARC", e, owner, "AcDbCircle");
    w_.coord(10, a.centre.x, a.centre.y, 0);
    w_.dxfReal(40, std::abs(a.radius));
    w_.subClass("AcDbArc");
    w_.dxfReal(50, normalisedDegrees(a.startAngle));
    w_.dxfReal(51, normalisedDegrees(a.endAngle));
}

void Exporter::sector(const Entity& e, unsigned long owner) {
    const ArcData& a = d_.sectors[e.first];
    if (!finite(a.centre) || !finite(a.radius) || !finite(a.startAngle) || !finite(a.endAngle))
        return;
    const double r = std::abs(a.radius);
    double sweep = std::fmod(a.endAngle - a.startAngle, 360.0);
    if (sweep <= 0)
        sweep += 360;
    const double start = radians(normalisedDegrees(a.startAngle)), half = radians(sweep) / 2;
    const auto at = [&](double angle) {
        return Vec2{a.centre.x + r * std::cos(angle), a.centre.y + r * std::sin(angle)};
    };
    // A bulge is the tangent of a quarter of the angle its segment turns through.
    const double bulge = std::tan(half / 4);
    // A whole turn ends exactly where it starts, as the reader takes it.
    const std::vector<Vec2> points{a.centre, at(start), at(start + half),
                                   sweep >= 360 ? at(start) : at(start + 2 * half)};
    const std::vector<double> bulges{0, bulge, bulge, 0};
    const bool filled = e.has(EntityFlag::Filled);
    if (filled)
        solidFill(e, owner, {Loop{points, bulges}});
    polyline(e, owner, points, true, Mark::Sector | (filled ? Mark::Filled : 0), bulges);
}

void Exporter::spline(const Entity& e, unsigned long owner) {
    const std::span<const Vec2> v(d_.vertices.data() + e.first, e.count);
    for (const Vec2& p : v)
        if (!finite(p))
            return;
    const bool closed = e.has(EntityFlag::Closed);
    const std::vector<Vec2> fit = splineFitPoints(v, closed);
    const BSplineForm form = splineControlPoints(v, closed);
    for (const Vec2& p : form.control)
        if (!finite(p))
            return;
    for (const double k : form.knots)
        if (!finite(k))
            return;
    begin("SPLINE", e, owner, "AcDbSpline");
    w_.coord(210, 0, 0, 1);
    w_.dxfInt(70, 8 | (closed ? 1 : 0)); // planar
    w_.dxfInt(71, 3);
    w_.dxfInt(72, int(form.knots.size()));
    w_.dxfInt(73, int(form.control.size()));
    w_.dxfInt(74, int(fit.size()));
    w_.dxfReal(42, 1e-10);
    w_.dxfReal(43, 1e-10);
    w_.dxfReal(44, 0.0); // the curve runs through its fit points
    for (const double k : form.knots)
        w_.dxfReal(40, k);
    for (const Vec2& p : form.control)
        w_.coord(10, p.x, p.y, 0);
    for (const Vec2& p : fit)
        w_.coord(11, p.x, p.y, 0);
}

void Exporter::ellipse(const Entity& e, unsigned long owner) {
    const EllipseData& el = d_.ellipses[e.first];
    const double rx = std::abs(el.radiusX), ry = std::abs(el.radiusY);
    if (!finite(el.centre) || !finite(rx) || !finite(ry) || !finite(el.rotation) ||
        !finite(el.startAngle) || !finite(el.endAngle) || std::max(rx, ry) <= 0)
        return;
    // DXF wants the major axis and a ratio up to 1. With the major axis along our y axis the
    // parameters turn by a quarter.
    const bool alongX = rx >= ry;
    const double major = alongX ? rx : ry;
    const double ratio = std::max(std::min(rx, ry) / major, 1e-9);
    const double axisAngle = radians(normalisedDegrees(el.rotation)) + (alongX ? 0 : kPi / 2);
    const Vec2 axis{major * std::cos(axisAngle), major * std::sin(axisAngle)};
    double start = 0, end = 2 * kPi;
    const double span = el.endAngle - el.startAngle;
    if (std::abs(span) < 360 && normalisedDegrees(span) != 0) {
        const double shift = alongX ? 0 : 90;
        start = radians(normalisedDegrees(el.startAngle - shift));
        end = radians(normalisedDegrees(el.endAngle - shift));
    }
    if (e.has(EntityFlag::Filled)) {
        // The fill follows the outline with 72 points on a whole ellipse.
        Loop loop;
        double sweep = end - start;
        if (sweep <= 0)
            sweep += 2 * kPi;
        const int n = std::max(8, int(std::ceil(72 * sweep / (2 * kPi))));
        const bool whole = sweep >= 2 * kPi - 1e-12;
        const Vec2 minor{-axis.y * ratio, axis.x * ratio};
        for (int i = 0; i < (whole ? n : n + 1); ++i) {
            const double t = start + sweep * i / n;
            loop.points.push_back({el.centre.x + axis.x * std::cos(t) + minor.x * std::sin(t),
                                   el.centre.y + axis.y * std::cos(t) + minor.y * std::sin(t)});
        }
        solidFill(e, owner, {loop});
    }
    begin("ELLIPSE", e, owner, "AcDbEllipse");
    w_.coord(10, el.centre.x, el.centre.y, 0);
    w_.coord(11, axis.x, axis.y, 0);
    w_.dxfReal(40, ratio);
    w_.dxfReal(41, start);
    w_.dxfReal(42, end);
    mark(e.has(EntityFlag::Filled) ? Mark::Filled : 0);
}

void Exporter::rectangle(const Entity& e, unsigned long owner) {
    const RectangleData& r = d_.rectangles[e.first];
    if (!finite(r.centre) || !finite(r.width) || !finite(r.height) || !finite(r.rotation))
        return;
    const double a = radians(normalisedDegrees(r.rotation));
    const double c = std::cos(a), s = std::sin(a);
    std::vector<Vec2> corners;
    for (const auto& [u, v] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}}) {
        const double x = u * r.width, y = v * r.height;
        corners.push_back({r.centre.x + x * c - y * s, r.centre.y + x * s + y * c});
    }
    for (const Vec2& p : corners)
        if (!finite(p))
            return;
    if (e.has(EntityFlag::Filled))
        solidFill(e, owner, {Loop{corners, {}}});
    polyline(e, owner, corners, true,
             Mark::Rectangle | (e.has(EntityFlag::Filled) ? Mark::Filled : 0));
}

void Exporter::insert(const Entity& e, unsigned long owner) {
    const InsertData& in = d_.inserts[e.first];
    if (in.block < 0 || std::size_t(in.block) >= d_.blocks.size() ||
        !blockWritable_[std::size_t(in.block)] || !finite(in.p) || !finite(in.scaleX) ||
        !finite(in.scaleY) || !finite(in.angle))
        return;
    if (const int blockOwner = d_.ownerOf(int(handleOf(e)));
        blockOwner != kModelSpace && d_.wouldRecurse(blockOwner, in.block))
        return;
    begin("INSERT", e, owner, "AcDbBlockReference");
    w_.dxfString(2, blockNames_[std::size_t(in.block)]);
    w_.coord(10, in.p.x, in.p.y, 0);
    if (in.scaleX != 1 || in.scaleY != 1) {
        w_.dxfReal(41, in.scaleX);
        w_.dxfReal(42, in.scaleY);
        w_.dxfReal(43, 1.0);
    }
    if (in.angle != 0)
        w_.dxfReal(50, normalisedDegrees(in.angle));
}

void Exporter::text(const Entity& e, unsigned long owner) {
    const TextData& td = d_.texts[e.first];
    const TextParams& t = d_.paramsOf(td);
    if (!finite(td.p) || !finite(t.height) || !finite(t.rotation))
        return;
    const int align = t.align >= 0 && t.align <= 8 ? t.align : 0;
    const int horizontal = align % 3, vertical = align / 3;
    const auto style = t.style >= 0 && std::size_t(t.style) < d_.textStyles.size()
                           ? std::size_t(t.style)
                           : std::size_t(0);
    const double widthFactor =
        style < d_.textStyles.size() ? d_.textStyles[style].widthFactor : 1.0;
    begin("TEXT", e, owner, "AcDbText");
    w_.coord(10, td.p.x, td.p.y, 0);
    w_.dxfReal(40, t.height);
    w_.dxfString(1, dxf::encodeText(d_.textOf(e)));
    if (t.rotation != 0)
        w_.dxfReal(50, normalisedDegrees(t.rotation));
    if (std::isfinite(widthFactor) && widthFactor > 0 && widthFactor != 1)
        w_.dxfReal(41, widthFactor);
    if (std::isfinite(t.oblique) && t.oblique != 0)
        w_.dxfReal(51, t.oblique);
    w_.dxfString(7,
                 style < textStyleNames_.size() ? textStyleNames_[style] : std::string("Standard"));
    if (horizontal != 0)
        w_.dxfInt(72, horizontal);
    if (align != 0)
        w_.coord(11, td.p.x, td.p.y, 0);
    w_.subClass("AcDbText");
    if (vertical != 0)
        w_.dxfInt(73, vertical == 1 ? 2 : 3);
}

void Exporter::hatch(const Entity& e, unsigned long owner, const std::vector<Loop>& loops,
                     bool solid, std::string_view pattern, double scale, double angle, int marks,
                     bool mirrored, Vec2 origin) {
    for (const Loop& l : loops)
        for (const Vec2& p : l.points)
            if (!finite(p))
                return;
    if (!std::isfinite(scale) || scale == 0)
        scale = 1;
    if (!std::isfinite(angle))
        angle = 0;
    std::string name = dxf::tableName(pattern);
    if (solid || pattern.empty() || patternNamed(pattern).lines.empty())
        name = "SOLID", solid = true;
    begin("HATCH", e, owner, "AcDbHatch");
    w_.coord(10, 0, 0, 0);
    w_.coord(210, 0, 0, 1);
    w_.dxfString(2, name);
    w_.dxfInt(70, solid ? 1 : 0);
    w_.dxfInt(71, 0);
    w_.dxfInt(91, int(loops.size()));
    for (std::size_t i = 0; i < loops.size(); ++i) {
        const Loop& l = loops[i];
        const bool bulges = l.bulges.size() == l.points.size();
        w_.dxfInt(92, 2 | (i == 0 ? 1 : 0)); // a polyline; the first is the outer one
        w_.dxfInt(72, bulges ? 1 : 0);
        w_.dxfInt(73, 1);
        w_.dxfInt(93, int(l.points.size()));
        for (std::size_t k = 0; k < l.points.size(); ++k) {
            w_.dxfReal(10, l.points[k].x);
            w_.dxfReal(20, l.points[k].y);
            if (bulges)
                w_.dxfReal(42, l.bulges[k]);
        }
        w_.dxfInt(97, 0);
    }
    w_.dxfInt(75, 0);
    w_.dxfInt(76, 1);
    if (!solid) {
        // The pattern's own families of lines, at the hatch's scale and angle, so that a
        // reader without the pattern's definition draws it as we do.
        const HatchPattern& p = patternNamed(pattern);
        w_.dxfReal(52, normalisedDegrees(angle));
        w_.dxfReal(41, scale);
        w_.dxfInt(77, 0);
        w_.dxfInt(78, int(p.lines.size()));
        if (!finite(origin))
            origin = {};
        for (const PatternLine& line : p.lines) {
            // A mirrored pattern runs each family the other way about its own x axis.
            const double own = mirrored ? -line.angle : line.angle;
            const double a = radians(normalisedDegrees(own + angle));
            const double gap = line.spacing * scale;
            w_.dxfReal(53, normalisedDegrees(own + angle));
            w_.dxfReal(43, origin.x);
            w_.dxfReal(44, origin.y);
            w_.dxfReal(45, -gap * std::sin(a));
            w_.dxfReal(46, gap * std::cos(a));
            if (line.dash > 0 && line.gap > 0) {
                w_.dxfInt(79, 2);
                w_.dxfReal(49, line.dash * scale);
                w_.dxfReal(49, -line.gap * scale);
            } else {
                w_.dxfInt(79, 0);
            }
        }
    }
    w_.dxfInt(98, 0);
    mark(marks);
}

void Exporter::image(const Entity& e, unsigned long owner) {
    const ImageData& im = d_.images[e.first];
    if (!finite(im.p) || !finite(im.width) || !finite(im.height) || im.width == 0 || im.height == 0)
        return;
    ImageDef def;
    // A path in the file system's bytes; in the file in Windows-1250 with escapes.
    const QString path =
        QFile::decodeName(QByteArray::fromStdString(std::string(d_.pooled(im.path))));
    def.path = dxf::oneLine(dxf::encodeCp1250Escaped(path.toStdU32String()));
    // The IMAGE measures the picture in pixels; without the picture, 1000 along its width.
    const QSize size = QImageReader(path).size();
    if (size.isValid() && size.width() > 0 && size.height() > 0) {
        def.pixelsX = size.width();
        def.pixelsY = size.height();
    } else {
        def.pixelsX = 1000;
        def.pixelsY = std::max(1, int(std::lround(1000 * std::abs(im.height / im.width))));
        if (!std::isfinite(im.height / im.width) || def.pixelsY > 1000000)
            def.pixelsY = 1000;
    }
    def.owner = w_.nextHandle();
    begin("IMAGE", e, owner, "AcDbRasterImage");
    w_.dxfInt(90, 0);
    w_.coord(10, im.p.x, im.p.y, 0);
    w_.coord(11, im.width / def.pixelsX, 0, 0);
    w_.coord(12, 0, im.height / def.pixelsY, 0);
    w_.dxfReal(13, def.pixelsX);
    w_.dxfReal(23, def.pixelsY);
    def.handle = w_.nextHandle();
    def.reactor = def.handle + 1;
    w_.setNextHandle(def.handle + 2);
    w_.dxfHex(340, int(def.handle));
    w_.dxfInt(70, 7);
    w_.dxfInt(280, 0);
    w_.dxfInt(281, 50);
    w_.dxfInt(282, 50);
    w_.dxfInt(283, 0);
    w_.dxfHex(360, int(def.reactor));
    images_.push_back(std::move(def));
}

} // namespace

void saveDxf(const Drawing& drawing, const std::string& path) {
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(FileError::Kind::CannotWrite,
                        "Cannot write " + path + ": " + file.errorString().toStdString());
    BufferedWriter writer(file);
    Exporter(drawing, writer).write();
    if (!writer.finish() || !file.commit())
        throw FileError(FileError::Kind::CannotWrite,
                        "Cannot write " + path + ": " + file.errorString().toStdString());
}

} // namespace cad
