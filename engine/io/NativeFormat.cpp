// The engine's own drawing format (".rdw").
//
// Every number is little-endian.
//
//   header, 32 bytes
//      0  magic 89 'R' 'D' 'W' 0D 0A 1A 0A
//      8  u32 format version
//     12  u32 the version with every bit inverted, so that a damaged version is not taken
//             for a newer one
//     16  u64 length of the content (everything after the header)
//     24  u32 reserved, zero
//     28  u32 CRC-32 of the content followed by header bytes 8..27
//   content
//     tables: u64 packed length, u64 plain length, then a zlib stream holding the record
//             counts of the large arrays, the settings, the current attributes, layers, line
//             styles, text styles, blocks (with their entity handles), text parameters,
//             hatches, hatch loops and images; counts and string lengths in there are LEB128
//             numbers, strings are their bytes as they are
//     the large arrays, one after the other, their records as they lie in memory:
//             entities (16 bytes), vertices (16: of polylines, of hatch boundaries and the fit
//             points of splines), points (16), lines (32), circles (24), arcs (40), ellipses
//             (56), rectangles (40), inserts (48: i32 block, four zero bytes, then position,
//             scales and angle), texts (24: position, u32 offset of its bytes, u32
//             parameters), the character pool (bytes of texts, pattern names and image paths),
//             the entities' own styles (16: u32 colour, four zero bytes, width; none, or one
//             for every entity), sectors (40, as arcs) and dimensions (256: the record as
//             Dimension.h lays it out, its text in the character pool, its ties naming entity
//             handles)
//
// Only the stored entity flags are written. A drawing holding deleted entities, or table
// entries that no entity uses, is compacted first: its live entities keep their order, every
// table follows the order of the entities, and block entity lists are renumbered to match.
//
// Format 3 adds to each hatch whether its pattern runs mirrored and the point its pattern
// starts from; files of format 2 are read with the pattern unmirrored from the drawing's origin.
// Format 3 also has polylines with arc segments: entity flag 0x80, their vertices followed in
// the vertex array by the bulge of each segment, two to a 16-byte record (see storedVertices in
// model/Entity.h).
// Format 3 also ends the tables with the print areas (count, then centre, width, height and
// angle of each, eight-byte reals) and their settings (frame colour u32, a flag byte: shown,
// landscape, overlap in percent, match lines, sheet labels; the paper size byte A4, A3, A2,
// A1, A0 or custom; custom width and height, left, bottom, right and top margins in mm, the
// scale N of 1:N and the overlap, eight-byte reals).
// It ends the tables with the order the entities are drawn in (see packTables); files of
// format 2 are drawn in the order of their entities.
// It also adds the dimensions, the dimension styles (after the images in the tables), the
// print scale (after the grid settings) and the current dimension style (after the current
// attributes); a file of format 2 has the one plain style and prints at 1:100.
//
// Files of format 1 (40-byte entity records that carried their own colour, width and block;
// texts, hatches and images with their strings in the tables) are read and converted.
#include "engine/io/NativeFormat.h"

#include "engine/io/FileError.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>

namespace cad {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the large arrays are written as they lie in memory");

constexpr std::array<unsigned char, 8> kMagic{0x89, 'R', 'D', 'W', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kLengthAt = 16;
constexpr std::size_t kReservedAt = 24;
constexpr std::size_t kChecksumAt = 28;
// Deflate unpacks to at most about 1032 times its size; tables that claim more are lies.
constexpr std::uint64_t kMostInflation = 1032;
// Handles and table indexes are ints.
constexpr std::uint64_t kMostRecords = INT_MAX;

// The record layouts the large arrays rely on.
static_assert(std::is_trivially_copyable_v<Entity> && sizeof(Entity) == 16);
static_assert(offsetof(Entity, flags) == 1 && offsetof(Entity, fit) == 2 &&
              offsetof(Entity, layer) == 4 && offsetof(Entity, lineStyle) == 6 &&
              offsetof(Entity, first) == 8 && offsetof(Entity, count) == 12);
static_assert(std::is_trivially_copyable_v<TextData> && sizeof(TextData) == 24 &&
              offsetof(TextData, chars) == 16 && offsetof(TextData, params) == 20);
static_assert(std::is_trivially_copyable_v<OwnStyle> && sizeof(OwnStyle) == 16 &&
              offsetof(OwnStyle, width) == 8);
static_assert(std::is_trivially_copyable_v<DimensionRecord> && sizeof(DimensionRecord) == 256 &&
              offsetof(DimensionRecord, style) == 4 && offsetof(DimensionRecord, text) == 8 &&
              offsetof(DimensionRecord, rotation) == 16 &&
              offsetof(DimensionRecord, points) == 56 && offsetof(DimensionRecord, ties) == 136 &&
              offsetof(PointTie, kind) == 12 && offsetof(PointTie, parameter) == 16);
// How many large arrays each format counts.
constexpr std::size_t kCounts2 = 13, kCounts3 = 14;
// Format 1 kept 40-byte entity records.
constexpr std::size_t kEntityRecord1 = 40;
template <typename T, std::size_t Doubles>
constexpr bool kDoublesOnly = std::is_trivially_copyable_v<T> &&
                              sizeof(T) == Doubles * sizeof(double);
static_assert(kDoublesOnly<Vec2, 2> && kDoublesOnly<PointData, 2> && kDoublesOnly<LineData, 4> &&
              kDoublesOnly<CircleData, 3> && kDoublesOnly<ArcData, 5> &&
              kDoublesOnly<EllipseData, 7> && kDoublesOnly<RectangleData, 5>);
constexpr std::size_t kInsertRecord = 48;

[[noreturn]] void damaged(const char* what) {
    throw FileError(FileError::Kind::Damaged,
                    std::string("The drawing file is damaged: ") + what + ".");
}

[[noreturn]] void cannotWrite(const std::string& path, int error) {
    throw FileError(FileError::Kind::CannotWrite,
                    "Cannot write " + path + ": " + std::strerror(error) + ".");
}

[[noreturn]] void cannotOpen(const std::string& path, int error) {
    throw FileError(FileError::Kind::CannotOpen,
                    "Cannot open " + path + ": " + std::strerror(error) + ".");
}

template <typename T> void storeAt(unsigned char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T> T loadAt(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uint8_t bits(bool b0, bool b1, bool b2 = false, bool b3 = false) {
    return static_cast<std::uint8_t>((b0 ? 1 : 0) | (b1 ? 2 : 0) | (b2 ? 4 : 0) | (b3 ? 8 : 0));
}

// Asks the kernel to back a large block of memory with huge pages. On some machines, virtual
// ones above all, filling a few hundred megabytes a small page at a time costs more than
// reading them from the file; the advice changes nothing else.
void preferHugePages(const void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (start + size) & ~(kHuge - 1);
    if (size >= 2 * kHuge && end > begin)
        (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

// Room for n records in an empty vector, advised as above before anything touches it.
template <typename T, typename A> void reserveFresh(std::vector<T, A>& v, std::size_t n) {
    v.reserve(n);
    preferHugePages(v.data(), v.capacity() * sizeof(T));
}

// ---- checksum

// zlib's CRC-32 runs at several gigabytes a second, far beyond what the disk gives.
uLong contentChecksum(const unsigned char* data, std::size_t size) {
    const uLong start = crc32_z(0, nullptr, 0);
    return size == 0 ? start : crc32_z(start, data, size);
}

// Writes the length and the checksum into a header whose other fields are in place.
void seal(unsigned char* header, std::uint64_t contentLength, uLong contentCrc) {
    storeAt<std::uint64_t>(header + kLengthAt, contentLength);
    const uLong crc = crc32_z(contentCrc, header + kVersionAt, kChecksumAt - kVersionAt);
    storeAt<std::uint32_t>(header + kChecksumAt, static_cast<std::uint32_t>(crc));
}

// ---- writing

// Bytes of the table section as they are built.
class Packer {
public:
    template <typename T> void scalar(T value) {
        static_assert(std::is_arithmetic_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void byte(std::uint8_t b) { bytes_.push_back(static_cast<char>(b)); }
    void number(std::uint64_t n) {
        while (n >= 0x80) {
            bytes_.push_back(static_cast<char>((n & 0x7F) | 0x80));
            n >>= 7;
        }
        bytes_.push_back(static_cast<char>(n));
    }
    void text(std::string_view s) {
        number(s.size());
        bytes_.append(s);
    }
    void raw(const void* data, std::size_t size) {
        bytes_.append(static_cast<const char*>(data), size);
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

void packTables(const Drawing& d, Packer& out) {
    for (std::size_t n :
         {d.entities.size(), d.vertices.size(), d.points.size(), d.lines.size(), d.circles.size(),
          d.arcs.size(), d.ellipses.size(), d.rectangles.size(), d.inserts.size(), d.texts.size(),
          d.chars.size(), d.ownStyles.size(), d.sectors.size(), d.dimensions.size()})
        out.number(n);

    const DrawingSettings& s = d.settings;
    out.scalar(s.background);
    out.scalar(s.units);
    out.scalar(s.cursorSize);
    out.scalar(s.cursorColor);
    out.scalar(s.showGrips);
    out.scalar(s.gripColor);
    out.byte(bits(s.showLineWidths, s.showFillOutlinesOnly, s.gridShown, s.gridSnap));
    out.scalar(s.gridStepX);
    out.scalar(s.gridStepY);
    out.scalar(s.gridOriginX);
    out.scalar(s.gridOriginY);
    out.scalar(s.gridColor);
    out.scalar(s.gridKind);
    out.scalar(s.printScale);

    const CurrentAttributes& c = d.current;
    out.scalar(c.layer);
    out.scalar(c.lineStyle);
    out.scalar(c.textStyle);
    out.scalar(c.textAlign);
    out.scalar(c.textRotation);
    out.scalar(c.textOblique);
    out.scalar(c.textHeight);
    out.scalar(c.dimensionStyle);

    out.number(d.layers.size());
    for (const Layer& l : d.layers) {
        out.text(l.name);
        out.scalar(l.color);
        out.scalar(l.fillColor);
        out.scalar(l.width);
        out.byte(bits(l.visible, l.locked, l.printable));
    }
    out.number(d.lineStyles.size());
    for (const LineStyle& l : d.lineStyles) {
        out.text(l.name);
        out.text(l.definition);
        out.number(l.pattern.size());
        for (double v : l.pattern)
            out.scalar(v);
    }
    out.number(d.textStyles.size());
    for (const TextStyle& t : d.textStyles) {
        out.text(t.name);
        out.text(t.font);
        out.scalar(t.widthFactor);
        out.scalar(t.oblique);
        out.scalar(t.precision);
        out.byte(bits(t.filled, t.systemFont));
    }
    out.number(d.blocks.size());
    for (const Block& b : d.blocks) {
        out.text(b.name);
        out.scalar(b.base.x);
        out.scalar(b.base.y);
        out.number(b.entities.size());
        out.raw(b.entities.data(), b.entities.size() * sizeof(std::uint32_t));
    }
    out.number(d.textParams.size());
    for (const TextParams& t : d.textParams) {
        out.scalar(t.height);
        out.scalar(t.rotation);
        out.scalar(t.oblique);
        out.scalar(t.align);
        out.scalar(t.style);
    }
    out.number(d.hatches.size());
    for (const HatchData& h : d.hatches) {
        out.number(h.firstVertex);
        out.number(h.pattern.offset);
        out.number(h.pattern.size);
        out.number(h.firstLoop);
        out.number(h.loopCount);
        out.byte(bits(h.solid != 0, h.mirrored != 0));
        out.scalar(h.scale);
        out.scalar(h.angle);
        out.scalar(h.origin.x);
        out.scalar(h.origin.y);
    }
    out.number(d.hatchLoops.size());
    out.raw(d.hatchLoops.data(), d.hatchLoops.size() * sizeof(std::uint32_t));
    out.number(d.images.size());
    for (const ImageData& i : d.images) {
        out.number(i.path.offset);
        out.number(i.path.size);
        out.scalar(i.p.x);
        out.scalar(i.p.y);
        out.scalar(i.width);
        out.scalar(i.height);
    }

    // ---- the print areas, and what their dialog and print took last
    out.number(d.printAreas.size());
    for (const PrintArea& a : d.printAreas)
        for (const double v : {a.centre.x, a.centre.y, a.width, a.height, a.angleDegrees})
            out.scalar(v);
    const SheetSettings& sheets = d.settings.sheets;
    out.scalar(sheets.frameColor);
    out.byte(static_cast<std::uint8_t>(
        bits(sheets.shown, sheets.paper.landscape, sheets.overlap.percent, sheets.matchLines) |
        (sheets.sheetLabels ? 16 : 0)));
    out.byte(static_cast<std::uint8_t>(sheets.paper.size));
    const SheetPaper& paper = sheets.paper;
    for (const double v :
         {paper.customWidthMm, paper.customHeightMm, paper.marginLeftMm, paper.marginBottomMm,
          paper.marginRightMm, paper.marginTopMm, sheets.scale, sheets.overlap.value})
        out.scalar(v);
    // ---- (the print areas end here)
    // ---- the dimension styles
    out.number(d.dimensionStyles.size());
    for (const DimensionStyle& t : d.dimensionStyles) {
        out.text(t.name);
        out.byte(static_cast<std::uint8_t>(t.arrowhead));
        out.scalar(t.arrowLength);
        out.scalar(t.arrowHeight);
        out.scalar(t.extensionOffset);
        out.scalar(t.extensionBeyond);
        out.byte(bits(t.showLineInside, t.ownColors, t.horizontalText, t.perpendicularToArc));
        out.byte(bits(t.frame, t.suppressTrailingZeros));
        out.scalar(t.dimensionLineColor);
        out.scalar(t.extensionLineColor);
        out.scalar(t.textColor);
        out.byte(static_cast<std::uint8_t>(t.centreMark));
        out.scalar(t.centreMarkSize);
        out.text(t.contents);
        out.scalar(t.textStyle);
        out.scalar(t.textHeight);
        out.scalar(t.textGap);
        out.byte(static_cast<std::uint8_t>(t.placement));
        out.scalar(t.decimals);
        out.scalar(t.scaleValue);
        out.scalar(t.roundOff);
        out.scalar(t.toleranceUpper);
        out.scalar(t.toleranceLower);
        out.byte(static_cast<std::uint8_t>(t.decimalSeparator));
    }
    // ---- draw order (last of the tables): the count n of the first entities that are not in
    // their own place, then the place of each of them, a permutation of 0 .. n-1 (every later
    // entity is drawn in its own place; n is 0 for a drawing in handle order).
    const std::vector<std::uint32_t> places = storedPlaces(d);
    out.number(places.size());
    for (const std::uint32_t place : places)
        out.number(place);
}

std::string deflateBytes(const std::string& plain) {
    uLongf size = compressBound(plain.size());
    std::string packed(size, '\0');
    // Tables are small as a rule, and the tighter the better; a drawing with a great many
    // texts is saved quickly instead.
    const int level = plain.size() < (1u << 20) ? Z_BEST_COMPRESSION : Z_BEST_SPEED;
    const int rc = compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                             reinterpret_cast<const Bytef*>(plain.data()), plain.size(), level);
    if (rc != Z_OK)
        throw std::bad_alloc();
    packed.resize(size);
    return packed;
}

// The content of a file as it is written: keeps its length and checksum.
class Output {
public:
    virtual ~Output() = default;

    // How many bytes of content are coming.
    virtual void expect(std::uint64_t) {}

    void put(const void* data, std::size_t size) {
        // In slices, so that each is still in the cache when it is stored after summing.
        constexpr std::size_t kSlice = 1u << 20;
        const auto* p = static_cast<const unsigned char*>(data);
        while (size > 0) {
            const std::size_t n = std::min(size, kSlice);
            crc_ = crc32_z(crc_, p, n);
            store(p, n);
            p += n;
            size -= n;
            length_ += n;
        }
    }
    template <typename T> void scalar(T value) {
        static_assert(std::is_arithmetic_v<T>);
        put(&value, sizeof value);
    }

    std::array<unsigned char, kHeaderSize> header() const {
        std::array<unsigned char, kHeaderSize> h{};
        std::copy(kMagic.begin(), kMagic.end(), h.begin());
        const auto version = static_cast<std::uint32_t>(kNativeFormatVersion);
        storeAt<std::uint32_t>(h.data() + kVersionAt, version);
        storeAt<std::uint32_t>(h.data() + kVersionAt + 4, ~version);
        storeAt<std::uint32_t>(h.data() + kReservedAt, 0);
        seal(h.data(), length_, crc_);
        return h;
    }

protected:
    virtual void store(const unsigned char* data, std::size_t size) = 0;

private:
    uLong crc_ = crc32_z(0, nullptr, 0);
    std::uint64_t length_ = 0;
};

template <typename T, typename A> void putArray(Output& out, const std::vector<T, A>& v) {
    if (!v.empty())
        out.put(v.data(), v.size() * sizeof(T));
}

void writeContent(const Drawing& d, Output& out) {
    Packer tables;
    packTables(d, tables);
    const std::string packed = deflateBytes(tables.bytes());
    out.expect(16 + packed.size() + d.entities.size() * sizeof(Entity) +
               d.vertices.size() * sizeof(Vec2) + d.points.size() * sizeof(PointData) +
               d.lines.size() * sizeof(LineData) + d.circles.size() * sizeof(CircleData) +
               d.arcs.size() * sizeof(ArcData) + d.ellipses.size() * sizeof(EllipseData) +
               d.rectangles.size() * sizeof(RectangleData) + d.inserts.size() * kInsertRecord +
               d.texts.size() * sizeof(TextData) + d.chars.size() +
               d.ownStyles.size() * sizeof(OwnStyle) + d.sectors.size() * sizeof(ArcData) +
               d.dimensions.size() * sizeof(DimensionRecord));
    out.scalar<std::uint64_t>(packed.size());
    out.scalar<std::uint64_t>(tables.bytes().size());
    out.put(packed.data(), packed.size());

    // Entities lose their runtime flags on the way.
    constexpr std::size_t kChunk = 16384;
    std::vector<Entity> chunk;
    chunk.reserve(std::min(kChunk, d.entities.size()));
    for (std::size_t i = 0; i < d.entities.size(); i += kChunk) {
        const std::size_t n = std::min(kChunk, d.entities.size() - i);
        chunk.assign(d.entities.begin() + static_cast<std::ptrdiff_t>(i),
                     d.entities.begin() + static_cast<std::ptrdiff_t>(i + n));
        for (Entity& e : chunk) {
            e.flags &= EntityFlag::Stored;
            e.reserved = 0;
        }
        out.put(chunk.data(), n * sizeof(Entity));
    }

    putArray(out, d.vertices);
    putArray(out, d.points);
    putArray(out, d.lines);
    putArray(out, d.circles);
    putArray(out, d.arcs);
    putArray(out, d.ellipses);
    putArray(out, d.rectangles);

    std::vector<unsigned char> records(std::min(kChunk, d.inserts.size()) * kInsertRecord);
    for (std::size_t i = 0; i < d.inserts.size(); i += kChunk) {
        const std::size_t n = std::min(kChunk, d.inserts.size() - i);
        for (std::size_t k = 0; k < n; ++k) {
            const InsertData& in = d.inserts[i + k];
            unsigned char* r = records.data() + k * kInsertRecord;
            storeAt<std::int32_t>(r, in.block);
            storeAt<std::uint32_t>(r + 4, 0);
            storeAt<double>(r + 8, in.p.x);
            storeAt<double>(r + 16, in.p.y);
            storeAt<double>(r + 24, in.scaleX);
            storeAt<double>(r + 32, in.scaleY);
            storeAt<double>(r + 40, in.angle);
        }
        out.put(records.data(), n * kInsertRecord);
    }
    putArray(out, d.texts);
    putArray(out, d.chars);
    std::vector<OwnStyle> styles;
    styles.reserve(std::min(kChunk, d.ownStyles.size()));
    for (std::size_t i = 0; i < d.ownStyles.size(); i += kChunk) {
        const std::size_t n = std::min(kChunk, d.ownStyles.size() - i);
        styles.assign(d.ownStyles.begin() + static_cast<std::ptrdiff_t>(i),
                      d.ownStyles.begin() + static_cast<std::ptrdiff_t>(i + n));
        for (OwnStyle& own : styles)
            own.reserved = 0;
        out.put(styles.data(), n * sizeof(OwnStyle));
    }
    putArray(out, d.sectors);
    putArray(out, d.dimensions);
}

class StringOutput final : public Output {
public:
    explicit StringOutput(std::string& bytes) : bytes_(bytes) { bytes_.assign(kHeaderSize, '\0'); }
    void expect(std::uint64_t size) override {
        bytes_.reserve(static_cast<std::size_t>(kHeaderSize + size));
        preferHugePages(bytes_.data(), bytes_.capacity());
    }
    void finish() {
        const auto h = header();
        std::copy(h.begin(), h.end(), bytes_.begin());
    }

protected:
    void store(const unsigned char* data, std::size_t size) override {
        bytes_.append(reinterpret_cast<const char*>(data), size);
    }

private:
    std::string& bytes_;
};

class FileOutput final : public Output {
public:
    FileOutput(int fd, const std::string& path) : fd_(fd), path_(path) {
        buffer_.reserve(kBuffer);
        buffer_.assign(kHeaderSize, 0); // the header goes in last
    }
    void finish() {
        flush();
        const auto h = header();
        const ssize_t n = pwrite(fd_, h.data(), h.size(), 0);
        if (n != static_cast<ssize_t>(h.size()))
            cannotWrite(path_, n < 0 ? errno : EIO);
    }

protected:
    void store(const unsigned char* data, std::size_t size) override {
        // Large pieces go straight to the file, after what is waiting.
        if (buffer_.size() + size > kBuffer || size >= kBuffer / 2)
            flush();
        if (size >= kBuffer / 2)
            writeAll(data, size);
        else
            buffer_.insert(buffer_.end(), data, data + size);
    }

private:
    static constexpr std::size_t kBuffer = 1u << 20;

    void flush() {
        writeAll(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void writeAll(const unsigned char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = write(fd_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                cannotWrite(path_, n < 0 ? errno : EIO);
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    int fd_;
    const std::string& path_;
    std::vector<unsigned char> buffer_;
};

// ---- compacting

std::size_t tableSize(const Drawing& d, EntityType type) {
    switch (type) {
    case EntityType::Point:
        return d.points.size();
    case EntityType::Line:
        return d.lines.size();
    case EntityType::Polyline:
    case EntityType::Spline:
        return d.vertices.size();
    case EntityType::Circle:
        return d.circles.size();
    case EntityType::Arc:
        return d.arcs.size();
    case EntityType::Sector:
        return d.sectors.size();
    case EntityType::Ellipse:
        return d.ellipses.size();
    case EntityType::Rectangle:
        return d.rectangles.size();
    case EntityType::Insert:
        return d.inserts.size();
    case EntityType::Text:
        return d.texts.size();
    case EntityType::Hatch:
        return d.hatches.size();
    case EntityType::Image:
        return d.images.size();
    case EntityType::Dimension:
        return d.dimensions.size();
    }
    return 0;
}

int typeIndex(EntityType type) {
    return static_cast<int>(type) - kFirstEntityType;
}

// True when the drawing can be written as it is: no entity is deleted, and every table holds
// exactly the entries its entities use, in the order of the entities; the character pool
// holds their bytes in that order, text parameters are numbered by first use, and own styles
// are kept only when some entity has one. Drawings built by adding entities are like that.
bool isCompact(const Drawing& d) {
    std::array<std::uint64_t, kEntityTypeCount> next{};
    std::uint64_t nextVertex = 0, nextChar = 0, nextLoop = 0, nextParams = 0;
    auto pooledInOrder = [&](PooledText t) {
        if (t.size == 0)
            return t.offset == 0;
        if (t.offset != nextChar)
            return false;
        nextChar += t.size;
        return true;
    };
    bool anyOwnStyle = false;
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        const Entity& e = d.entities[h];
        if (e.has(EntityFlag::Deleted) || !isEntityType(static_cast<int>(e.type)))
            return false;
        anyOwnStyle = anyOwnStyle || d.ownStyle(h) != OwnStyle{};
        std::uint64_t& n = next[static_cast<std::size_t>(typeIndex(e.type))];
        if (e.type == EntityType::Polyline || e.type == EntityType::Spline) {
            if (e.first != nextVertex)
                return false;
            nextVertex += storedVertices(e);
            continue;
        }
        if (e.first != n)
            return false;
        ++n;
        if (e.type == EntityType::Hatch) {
            if (e.first >= d.hatches.size())
                return false;
            const HatchData& hatch = d.hatches[e.first];
            if (hatch.firstVertex != nextVertex || !pooledInOrder(hatch.pattern) ||
                hatch.firstLoop != nextLoop)
                return false;
            nextVertex += e.count;
            nextLoop += hatch.loopCount;
        } else if (e.type == EntityType::Text) {
            if (e.first >= d.texts.size())
                return false;
            const TextData& t = d.texts[e.first];
            if (!pooledInOrder({t.chars, e.count}) || t.params > nextParams)
                return false;
            nextParams += t.params == nextParams;
        } else if (e.type == EntityType::Image) {
            if (e.first >= d.images.size() || !pooledInOrder(d.images[e.first].path))
                return false;
        } else if (e.type == EntityType::Dimension) {
            if (e.first >= d.dimensions.size() || !pooledInOrder(d.dimensions[e.first].text))
                return false;
        }
    }
    if (nextVertex != d.vertices.size() || nextChar != d.chars.size() ||
        nextLoop != d.hatchLoops.size() || nextParams != d.textParams.size())
        return false;
    if (anyOwnStyle ? d.ownStyles.size() != d.entities.size() : !d.ownStyles.empty())
        return false;
    for (int t = kFirstEntityType; t < kFirstEntityType + kEntityTypeCount; ++t) {
        const auto type = static_cast<EntityType>(t);
        if (type != EntityType::Polyline && type != EntityType::Spline &&
            next[static_cast<std::size_t>(typeIndex(type))] != tableSize(d, type))
            return false;
    }
    return true;
}

template <typename T, typename A>
bool copyEntry(const std::vector<T, A>& from, std::vector<T, A>& to, Entity& e) {
    if (e.first >= from.size())
        return false;
    to.push_back(from[e.first]);
    e.first = static_cast<std::uint32_t>(to.size() - 1);
    return true;
}

bool copyVertices(const Drawing& from, std::uint64_t first, std::uint64_t count, Drawing& to) {
    if (first > from.vertices.size() || count > from.vertices.size() - first)
        return false;
    const auto begin = from.vertices.begin() + static_cast<std::ptrdiff_t>(first);
    to.vertices.insert(to.vertices.end(), begin, begin + count);
    return true;
}

// The bytes of a pooled string of `from`, pooled again in `to`; nothing when they are out of
// reach.
std::optional<PooledText> copyPooled(const Drawing& from, PooledText t, Drawing& to) {
    if (t.offset > from.chars.size() || t.size > from.chars.size() - t.offset)
        return std::nullopt;
    return to.pool(from.pooled(t));
}

// The drawing without deleted entities and unused table entries. Entities whose geometry is
// out of reach are left out too: there is nothing to write for them.
std::unique_ptr<Drawing> compacted(const Drawing& d) {
    auto c = std::make_unique<Drawing>();
    c->layers = d.layers;
    c->lineStyles = d.lineStyles;
    c->textStyles = d.textStyles;
    c->printAreas = d.printAreas;
    c->dimensionStyles = d.dimensionStyles;
    c->settings = d.settings;
    c->current = d.current;

    // Room for what is kept, so that nothing is moved while copying.
    std::array<std::size_t, kEntityTypeCount> perType{};
    std::size_t live = 0;
    std::uint64_t vertexCount = 0, charCount = 0;
    bool anyOwnStyle = false;
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        const Entity& e = d.entities[h];
        if (!e.has(EntityFlag::Deleted) && isEntityType(static_cast<int>(e.type))) {
            ++live;
            ++perType[static_cast<std::size_t>(typeIndex(e.type))];
            if (e.type == EntityType::Polyline || e.type == EntityType::Spline ||
                e.type == EntityType::Hatch)
                vertexCount += storedVertices(e);
            if (e.type == EntityType::Text)
                charCount += e.count;
            anyOwnStyle = anyOwnStyle || d.ownStyle(h) != OwnStyle{};
        }
    }
    auto keptOf = [&](EntityType t) { return perType[static_cast<std::size_t>(typeIndex(t))]; };
    reserveFresh(c->entities, live);
    reserveFresh(c->vertices,
                 static_cast<std::size_t>(std::min<std::uint64_t>(vertexCount, d.vertices.size())));
    reserveFresh(c->chars,
                 static_cast<std::size_t>(std::min<std::uint64_t>(charCount, d.chars.size())));
    reserveFresh(c->points, keptOf(EntityType::Point));
    reserveFresh(c->lines, keptOf(EntityType::Line));
    reserveFresh(c->circles, keptOf(EntityType::Circle));
    reserveFresh(c->arcs, keptOf(EntityType::Arc));
    reserveFresh(c->sectors, keptOf(EntityType::Sector));
    reserveFresh(c->ellipses, keptOf(EntityType::Ellipse));
    reserveFresh(c->rectangles, keptOf(EntityType::Rectangle));
    reserveFresh(c->inserts, keptOf(EntityType::Insert));
    reserveFresh(c->texts, keptOf(EntityType::Text));
    reserveFresh(c->hatches, keptOf(EntityType::Hatch));
    reserveFresh(c->images, keptOf(EntityType::Image));
    reserveFresh(c->dimensions, keptOf(EntityType::Dimension));
    if (anyOwnStyle)
        reserveFresh(c->ownStyles, live);

    constexpr std::uint32_t kGone = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> handles(d.entities.size(), kGone);
    std::vector<std::uint32_t> params(d.textParams.size(), kGone);
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        Entity e = d.entities[h];
        if (e.has(EntityFlag::Deleted))
            continue;
        bool kept = false;
        switch (e.type) {
        case EntityType::Point:
            kept = copyEntry(d.points, c->points, e);
            break;
        case EntityType::Line:
            kept = copyEntry(d.lines, c->lines, e);
            break;
        case EntityType::Polyline:
        case EntityType::Spline: {
            const auto start = static_cast<std::uint32_t>(c->vertices.size());
            kept = copyVertices(d, e.first, storedVertices(e), *c);
            e.first = start;
            break;
        }
        case EntityType::Circle:
            kept = copyEntry(d.circles, c->circles, e);
            break;
        case EntityType::Arc:
            kept = copyEntry(d.arcs, c->arcs, e);
            break;
        case EntityType::Sector:
            kept = copyEntry(d.sectors, c->sectors, e);
            break;
        case EntityType::Ellipse:
            kept = copyEntry(d.ellipses, c->ellipses, e);
            break;
        case EntityType::Rectangle:
            kept = copyEntry(d.rectangles, c->rectangles, e);
            break;
        case EntityType::Insert:
            kept = copyEntry(d.inserts, c->inserts, e);
            break;
        case EntityType::Text: {
            if (e.first >= d.texts.size())
                break;
            TextData t = d.texts[e.first];
            const auto bytes = copyPooled(d, {t.chars, e.count}, *c);
            if (!bytes || t.params >= d.textParams.size())
                break;
            std::uint32_t& mapped = params[t.params];
            if (mapped == kGone) {
                c->textParams.push_back(d.textParams[t.params]);
                mapped = static_cast<std::uint32_t>(c->textParams.size() - 1);
            }
            t.chars = bytes->offset;
            t.params = mapped;
            c->texts.push_back(t);
            e.first = static_cast<std::uint32_t>(c->texts.size() - 1);
            kept = true;
            break;
        }
        case EntityType::Hatch: {
            if (e.first >= d.hatches.size())
                break;
            HatchData hatch = d.hatches[e.first];
            if (hatch.firstLoop > d.hatchLoops.size() ||
                hatch.loopCount > d.hatchLoops.size() - hatch.firstLoop)
                break;
            const std::uint64_t start = c->vertices.size();
            const auto pattern = copyPooled(d, hatch.pattern, *c);
            if (!pattern || !copyVertices(d, hatch.firstVertex, e.count, *c))
                break;
            hatch.firstVertex = start;
            hatch.pattern = *pattern;
            const auto loops = d.loopsOf(d.hatches[e.first]);
            hatch.firstLoop = static_cast<std::uint32_t>(c->hatchLoops.size());
            c->hatchLoops.insert(c->hatchLoops.end(), loops.begin(), loops.end());
            c->hatches.push_back(hatch);
            e.first = static_cast<std::uint32_t>(c->hatches.size() - 1);
            kept = true;
            break;
        }
        case EntityType::Image: {
            if (e.first >= d.images.size())
                break;
            ImageData image = d.images[e.first];
            const auto path = copyPooled(d, image.path, *c);
            if (!path)
                break;
            image.path = *path;
            c->images.push_back(image);
            e.first = static_cast<std::uint32_t>(c->images.size() - 1);
            kept = true;
            break;
        }
        case EntityType::Dimension: {
            if (e.first >= d.dimensions.size())
                break;
            DimensionRecord r = d.dimensions[e.first];
            const auto text = copyPooled(d, r.text, *c);
            if (!text)
                break;
            r.text = *text;
            c->dimensions.push_back(r);
            e.first = static_cast<std::uint32_t>(c->dimensions.size() - 1);
            kept = true;
            break;
        }
        }
        if (!kept)
            continue;
        handles[h] = static_cast<std::uint32_t>(c->entities.size());
        c->entities.push_back(e);
        if (anyOwnStyle)
            c->ownStyles.push_back(d.ownStyle(h));
    }

    // Ties name entities by their handles, which are numbered anew: a tie to an entity left out
    // ends.
    for (DimensionRecord& r : c->dimensions)
        for (PointTie& t : r.ties) {
            if (!t.tied())
                continue;
            const auto renumbered = [&](std::uint32_t h) {
                return h < handles.size() ? handles[h] : kGone;
            };
            // (kNoEntity, the "other" of most ties, is the same number as kGone.)
            const std::uint32_t entity = renumbered(t.entity);
            const std::uint32_t other = t.other == kNoEntity ? kNoEntity : renumbered(t.other);
            if (entity == kGone || (t.other != kNoEntity && other == kGone)) {
                t = PointTie{};
                continue;
            }
            t.entity = entity;
            t.other = other;
        }

    c->blocks.reserve(d.blocks.size());
    for (const Block& b : d.blocks) {
        Block nb{b.name, b.base, {}};
        nb.entities.reserve(b.entities.size());
        for (std::uint32_t h : b.entities)
            if (h < handles.size() && handles[h] != kGone)
                nb.entities.push_back(handles[h]);
        c->blocks.push_back(std::move(nb));
    }

    // The draw order of the entities kept, as their places 0, 1, ... in it.
    if (const DrawOrder& order = d.drawOrder(); !order.plain()) {
        c->orderKeys.assign(c->entities.size(), 0);
        std::int64_t next = 0;
        for (std::size_t place = 0; place < d.entities.size(); ++place)
            if (const std::uint32_t h = order.at(static_cast<std::uint32_t>(place));
                handles[h] != kGone)
                c->orderKeys[handles[h]] = next++;
    }
    return c;
}

// ---- reading

// Reads bytes in order; anything that would go past the end means the file is damaged.
class Unpacker {
public:
    Unpacker(const unsigned char* data, std::size_t size) : p_(data), end_(data + size) {}

    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
    bool atEnd() const { return p_ == end_; }

    const unsigned char* take(std::uint64_t size) {
        if (size > left())
            damaged("it ends too soon");
        const unsigned char* at = p_;
        p_ += size;
        return at;
    }
    template <typename T> T scalar() {
        static_assert(std::is_arithmetic_v<T>);
        return loadAt<T>(take(sizeof(T)));
    }
    std::uint8_t byte() { return *take(1); }
    std::uint64_t number() {
        std::uint64_t n = 0;
        for (int shift = 0;; shift += 7) {
            const std::uint8_t b = byte();
            if (shift == 63 && b > 1)
                damaged("a number is too large");
            n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return n;
        }
    }
    // A count of records of at least `smallest` bytes each, which the bytes left must hold.
    std::size_t count(std::size_t smallest) {
        const std::uint64_t n = number();
        if (n > left() / smallest || n > kMostRecords)
            damaged("a count is larger than the file");
        return static_cast<std::size_t>(n);
    }
    std::string text() {
        const std::uint64_t n = number();
        return std::string(reinterpret_cast<const char*>(take(n)), static_cast<std::size_t>(n));
    }
    // Bits of a flag byte; bits that mean nothing make the file damaged.
    std::uint8_t flags(std::uint8_t known) {
        const std::uint8_t b = byte();
        if ((b & ~known) != 0)
            damaged("a flag is unknown");
        return b;
    }

private:
    const unsigned char* p_;
    const unsigned char* end_;
};

// The table section, unpacked. Memory grows with what the stream really yields, not with what
// it claims, so that a small file cannot ask for much.
std::string inflateBytes(const unsigned char* packed, std::uint64_t packedSize,
                         std::uint64_t plainSize) {
    if (plainSize > packedSize * kMostInflation + 64 || plainSize > SIZE_MAX / 2)
        damaged("the tables claim too much");
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw std::bad_alloc();
    struct End {
        z_stream& zs;
        ~End() { inflateEnd(&zs); }
    } end{zs};

    constexpr std::uint64_t kPiece = 1u << 30; // z_stream counts in 32 bits
    std::string plain(static_cast<std::size_t>(std::min<std::uint64_t>(
                          plainSize, std::max<std::uint64_t>(packedSize * 4, 1u << 16))),
                      '\0');
    std::uint64_t fed = 0, made = 0;
    unsigned char beyond = 0; // room for a byte past the claimed size: there must be none
    for (;;) {
        if (zs.avail_in == 0 && fed < packedSize) {
            const std::uint64_t n = std::min(packedSize - fed, kPiece);
            zs.next_in = const_cast<Bytef*>(packed + fed);
            zs.avail_in = static_cast<uInt>(n);
            fed += n;
        }
        if (made == plain.size() && plain.size() < plainSize)
            plain.resize(static_cast<std::size_t>(std::min<std::uint64_t>(plainSize, made * 2)));
        const bool full = made == plain.size();
        if (full) {
            zs.next_out = &beyond;
            zs.avail_out = 1;
        } else {
            zs.next_out = reinterpret_cast<Bytef*>(plain.data() + made);
            zs.avail_out = static_cast<uInt>(std::min(plain.size() - made, kPiece));
        }
        const uInt room = zs.avail_out;
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const uInt produced = room - zs.avail_out;
        if (full && produced > 0)
            damaged("the tables are longer than they claim");
        made += produced;
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (rc != Z_OK)
            damaged("the tables cannot be unpacked");
    }
    if (made != plainSize)
        damaged("the tables are shorter than they claim");
    if (zs.avail_in != 0 || fed != packedSize)
        damaged("the tables are followed by stray bytes");
    return plain;
}

// What a file of format 1 kept elsewhere than the drawing of today does: the block of every
// entity, and the strings of texts, hatches and images in the tables.
struct Format1 {
    std::vector<std::int32_t> owners;
    std::vector<std::string> texts; // by text index
};

void unpackTables(Unpacker& in, Drawing& d, int version, Format1& old) {
    DrawingSettings& s = d.settings;
    s.background = in.scalar<std::uint32_t>();
    s.units = in.scalar<std::int32_t>();
    s.cursorSize = in.scalar<std::int32_t>();
    s.cursorColor = in.scalar<std::uint32_t>();
    s.showGrips = in.scalar<std::int32_t>();
    s.gripColor = in.scalar<std::uint32_t>();
    const std::uint8_t settingBits = in.flags(15);
    s.showLineWidths = (settingBits & 1) != 0;
    s.showFillOutlinesOnly = (settingBits & 2) != 0;
    s.gridShown = (settingBits & 4) != 0;
    s.gridSnap = (settingBits & 8) != 0;
    s.gridStepX = in.scalar<double>();
    s.gridStepY = in.scalar<double>();
    s.gridOriginX = in.scalar<double>();
    s.gridOriginY = in.scalar<double>();
    s.gridColor = in.scalar<std::uint32_t>();
    s.gridKind = in.scalar<std::int32_t>();
    if (version >= 3)
        s.printScale = in.scalar<double>();

    CurrentAttributes& c = d.current;
    c.layer = in.scalar<std::int32_t>();
    c.lineStyle = in.scalar<std::int32_t>();
    c.textStyle = in.scalar<std::int32_t>();
    c.textAlign = in.scalar<std::int32_t>();
    c.textRotation = in.scalar<double>();
    c.textOblique = in.scalar<double>();
    c.textHeight = in.scalar<double>();
    if (version >= 3)
        c.dimensionStyle = in.scalar<std::int32_t>();

    d.layers.assign(in.count(18), Layer{});
    for (Layer& l : d.layers) {
        l.name = in.text();
        l.color = in.scalar<std::uint32_t>();
        l.fillColor = in.scalar<std::uint32_t>();
        l.width = in.scalar<double>();
        const std::uint8_t b = in.flags(7);
        l.visible = (b & 1) != 0;
        l.locked = (b & 2) != 0;
        l.printable = (b & 4) != 0;
    }
    d.lineStyles.assign(in.count(3), LineStyle{});
    for (LineStyle& l : d.lineStyles) {
        l.name = in.text();
        l.definition = in.text();
        l.pattern.resize(in.count(sizeof(double)));
        for (double& v : l.pattern)
            v = in.scalar<double>();
    }
    d.textStyles.assign(in.count(23), TextStyle{});
    for (TextStyle& t : d.textStyles) {
        t.name = in.text();
        t.font = in.text();
        t.widthFactor = in.scalar<double>();
        t.oblique = in.scalar<double>();
        t.precision = in.scalar<std::int32_t>();
        const std::uint8_t b = in.flags(3);
        t.filled = (b & 1) != 0;
        t.systemFont = (b & 2) != 0;
    }
    d.blocks.assign(in.count(18), Block{});
    for (Block& b : d.blocks) {
        b.name = in.text();
        b.base.x = in.scalar<double>();
        b.base.y = in.scalar<double>();
        b.entities.resize(in.count(sizeof(std::uint32_t)));
        for (std::uint32_t& h : b.entities)
            h = in.scalar<std::uint32_t>();
    }
    if (version == 1) {
        // Texts with their parameters and strings; hatches and images with theirs.
        const std::size_t texts = in.count(49);
        d.texts.reserve(texts);
        old.texts.reserve(texts);
        for (std::size_t i = 0; i < texts; ++i) {
            TextData t;
            TextParams p;
            t.p.x = in.scalar<double>();
            t.p.y = in.scalar<double>();
            p.height = in.scalar<double>();
            p.rotation = in.scalar<double>();
            p.oblique = in.scalar<double>();
            p.align = in.scalar<std::int32_t>();
            p.style = in.scalar<std::int32_t>();
            old.texts.push_back(in.text());
            t.params = d.internParams(p);
            d.texts.push_back(t);
        }
        d.hatches.assign(in.count(20), HatchData{});
        for (HatchData& h : d.hatches) {
            h.firstVertex = in.number();
            h.pattern = d.pool(in.text());
            h.solid = (in.flags(1) & 1) != 0;
            h.scale = in.scalar<double>();
            h.angle = in.scalar<double>();
            const std::size_t loops = in.count(sizeof(std::uint32_t));
            h.firstLoop = static_cast<std::uint32_t>(d.hatchLoops.size());
            h.loopCount = static_cast<std::uint32_t>(loops);
            for (std::size_t k = 0; k < loops; ++k)
                d.hatchLoops.push_back(in.scalar<std::uint32_t>());
        }
        d.images.assign(in.count(33), ImageData{});
        for (ImageData& i : d.images) {
            i.path = d.pool(in.text());
            i.p.x = in.scalar<double>();
            i.p.y = in.scalar<double>();
            i.width = in.scalar<double>();
            i.height = in.scalar<double>();
        }
        return;
    }
    d.textParams.assign(in.count(32), TextParams{});
    for (TextParams& t : d.textParams) {
        t.height = in.scalar<double>();
        t.rotation = in.scalar<double>();
        t.oblique = in.scalar<double>();
        t.align = in.scalar<std::int32_t>();
        t.style = in.scalar<std::int32_t>();
    }
    d.hatches.assign(in.count(22), HatchData{});
    for (HatchData& h : d.hatches) {
        h.firstVertex = in.number();
        const std::uint64_t offset = in.number(), size = in.number();
        const std::uint64_t firstLoop = in.number(), loopCount = in.number();
        if (offset > UINT32_MAX || size > UINT32_MAX || firstLoop > UINT32_MAX ||
            loopCount > UINT32_MAX)
            damaged("a hatch lies outside its tables");
        h.pattern = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)};
        h.firstLoop = static_cast<std::uint32_t>(firstLoop);
        h.loopCount = static_cast<std::uint32_t>(loopCount);
        const std::uint8_t flags = in.flags(version >= 3 ? 3 : 1);
        h.solid = (flags & 1) != 0;
        h.mirrored = (flags & 2) != 0 ? 1 : 0;
        h.scale = in.scalar<double>();
        h.angle = in.scalar<double>();
        if (version >= 3) {
            h.origin.x = in.scalar<double>();
            h.origin.y = in.scalar<double>();
        }
    }
    d.hatchLoops.resize(in.count(sizeof(std::uint32_t)));
    for (std::uint32_t& n : d.hatchLoops)
        n = in.scalar<std::uint32_t>();
    d.images.assign(in.count(34), ImageData{});
    for (ImageData& i : d.images) {
        const std::uint64_t offset = in.number(), size = in.number();
        if (offset > UINT32_MAX || size > UINT32_MAX)
            damaged("an image path lies outside the characters");
        i.path = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)};
        i.p.x = in.scalar<double>();
        i.p.y = in.scalar<double>();
        i.width = in.scalar<double>();
        i.height = in.scalar<double>();
    }
    if (version < 3)
        return;

    // ---- the print areas, and what their dialog and print took last
    d.printAreas.assign(in.count(5 * sizeof(double)), PrintArea{});
    for (PrintArea& a : d.printAreas) {
        a.centre.x = in.scalar<double>();
        a.centre.y = in.scalar<double>();
        a.width = in.scalar<double>();
        a.height = in.scalar<double>();
        a.angleDegrees = in.scalar<double>();
    }
    SheetSettings& sheets = d.settings.sheets;
    sheets.frameColor = in.scalar<std::uint32_t>();
    const std::uint8_t sheetBits = in.flags(31);
    sheets.shown = (sheetBits & 1) != 0;
    sheets.paper.landscape = (sheetBits & 2) != 0;
    sheets.overlap.percent = (sheetBits & 4) != 0;
    sheets.matchLines = (sheetBits & 8) != 0;
    sheets.sheetLabels = (sheetBits & 16) != 0;
    const std::uint8_t paperSize = in.byte();
    if (paperSize > static_cast<std::uint8_t>(PaperSize::Custom))
        damaged("the paper of the print areas is unknown");
    sheets.paper.size = static_cast<PaperSize>(paperSize);
    for (double* v :
         {&sheets.paper.customWidthMm, &sheets.paper.customHeightMm, &sheets.paper.marginLeftMm,
          &sheets.paper.marginBottomMm, &sheets.paper.marginRightMm, &sheets.paper.marginTopMm,
          &sheets.scale, &sheets.overlap.value})
        *v = in.scalar<double>();
    // ---- (the print areas end here)

    // ---- the dimension styles
    d.dimensionStyles.assign(in.count(116), DimensionStyle{});
    for (DimensionStyle& t : d.dimensionStyles) {
        t.name = in.text();
        t.arrowhead = static_cast<Arrowhead>(in.byte());
        t.arrowLength = in.scalar<double>();
        t.arrowHeight = in.scalar<double>();
        t.extensionOffset = in.scalar<double>();
        t.extensionBeyond = in.scalar<double>();
        const std::uint8_t lines = in.flags(15);
        t.showLineInside = (lines & 1) != 0;
        t.ownColors = (lines & 2) != 0;
        t.horizontalText = (lines & 4) != 0;
        t.perpendicularToArc = (lines & 8) != 0;
        const std::uint8_t text = in.flags(3);
        t.frame = (text & 1) != 0;
        t.suppressTrailingZeros = (text & 2) != 0;
        t.dimensionLineColor = in.scalar<std::uint32_t>();
        t.extensionLineColor = in.scalar<std::uint32_t>();
        t.textColor = in.scalar<std::uint32_t>();
        t.centreMark = static_cast<CentreMark>(in.byte());
        t.centreMarkSize = in.scalar<double>();
        t.contents = in.text();
        t.textStyle = in.scalar<std::int32_t>();
        t.textHeight = in.scalar<double>();
        t.textGap = in.scalar<double>();
        t.placement = static_cast<TextPlacement>(in.byte());
        t.decimals = in.scalar<std::int32_t>();
        t.scaleValue = in.scalar<double>();
        t.roundOff = in.scalar<double>();
        t.toleranceUpper = in.scalar<double>();
        t.toleranceLower = in.scalar<double>();
        t.decimalSeparator = static_cast<char>(in.byte());
    }

    // ---- draw order (last of the tables; see packTables)
    if (version >= 3) {
        d.orderKeys.resize(in.count(1));
        for (std::int64_t& key : d.orderKeys) {
            const std::uint64_t place = in.number();
            if (place >= d.orderKeys.size())
                damaged("the draw order names a place that does not exist");
            key = static_cast<std::int64_t>(place);
        }
    }
}

bool within(std::int64_t index, std::size_t size) {
    return index >= 0 && static_cast<std::uint64_t>(index) < size;
}

bool pooledWithin(PooledText t, std::size_t size) {
    return t.offset <= size && t.size <= size - t.offset;
}

// Fails unless every index in the drawing leads where it should.
void validate(const Drawing& d) {
    if (!within(d.current.layer, d.layers.size()) ||
        !within(d.current.lineStyle, d.lineStyles.size()) ||
        !within(d.current.textStyle, d.textStyles.size()) ||
        !within(d.current.dimensionStyle, d.dimensionStyles.size()))
        damaged("the current layer or style does not exist");
    for (const DimensionStyle& t : d.dimensionStyles)
        if (static_cast<int>(t.arrowhead) >= kArrowheadCount ||
            static_cast<int>(t.centreMark) > static_cast<int>(CentreMark::Line) ||
            static_cast<int>(t.placement) > static_cast<int>(TextPlacement::Below) ||
            !within(t.textStyle, d.textStyles.size()))
            damaged("a dimension style is unreadable");
    for (const DimensionRecord& r : d.dimensions) {
        if (!isDimensionKind(static_cast<int>(r.kind)) ||
            static_cast<int>(r.placement) > static_cast<int>(PlacementOverride::Below) ||
            r.hasTextPosition > 1 || r.reserved != 0)
            damaged("a dimension is unreadable");
        if (!within(r.style, d.dimensionStyles.size()))
            damaged("a dimension has a style that does not exist");
        if (!pooledWithin(r.text, d.chars.size()))
            damaged("a dimension's text lies outside the characters");
        for (const PointTie& t : r.ties) {
            if (static_cast<int>(t.kind) > static_cast<int>(TieKind::OnArc) || t.reserved != 0 ||
                t.from >= kMostDimensionPoints)
                damaged("a dimension is unreadable");
            if (t.kind != TieKind::None && (t.entity >= d.entities.size() ||
                                            (t.other != kNoEntity && t.other >= d.entities.size())))
                damaged("a dimension is tied to an entity that does not exist");
        }
    }
    if (d.layers.size() > static_cast<std::size_t>(kMostLayers) + 1 ||
        d.lineStyles.size() > static_cast<std::size_t>(kMostLineStyles) + 1)
        damaged("it has more layers or line styles than a drawing may");
    for (const InsertData& i : d.inserts)
        if (!within(i.block, d.blocks.size()))
            damaged("an insert names a block that does not exist");
    for (const TextParams& t : d.textParams)
        if (!within(t.style, d.textStyles.size()))
            damaged("a text has a style that does not exist");
    for (const TextData& t : d.texts)
        if (t.params >= d.textParams.size())
            damaged("a text has parameters that do not exist");
    for (const ImageData& i : d.images)
        if (!pooledWithin(i.path, d.chars.size()))
            damaged("an image path lies outside the characters");
    if (!d.ownStyles.empty() && d.ownStyles.size() != d.entities.size())
        damaged("the own styles do not match the entities");
    if (d.orderKeys.size() > d.entities.size() || !validPlaces(d.orderKeys))
        damaged("the draw order does not match the entities");

    // Print areas have a place, a turn and a size; their settings give sheets a size.
    if (d.printAreas.size() > kMostPrintAreas)
        damaged("it has more print areas than a drawing may");
    const auto finite = [](std::initializer_list<double> values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    for (const PrintArea& a : d.printAreas)
        if (!finite({a.centre.x, a.centre.y, a.width, a.height, a.angleDegrees}) ||
            !(a.width > 0) || !(a.height > 0))
            damaged("a print area has no size or place");
    const SheetSettings& sheets = d.settings.sheets;
    const SheetPaper& paper = sheets.paper;
    if (!finite({paper.customWidthMm, paper.customHeightMm, paper.marginLeftMm,
                 paper.marginBottomMm, paper.marginRightMm, paper.marginTopMm, sheets.scale,
                 sheets.overlap.value}) ||
        !(sheets.scale > 0) || paper.customWidthMm < 0 || paper.customHeightMm < 0 ||
        paper.marginLeftMm < 0 || paper.marginBottomMm < 0 || paper.marginRightMm < 0 ||
        paper.marginTopMm < 0 || sheets.overlap.value < 0)
        damaged("the settings of the print areas are out of range");
    // Dimensions are sized by the print scale, and blocks proposed by it.
    if (!finite({d.settings.printScale}) || !(d.settings.printScale > 0))
        damaged("the print scale is out of range");

    const std::uint64_t vertexCount = d.vertices.size();
    std::vector<std::uint64_t> hatchVertices(d.hatches.size(), 0);
    for (std::size_t i = 0; i < d.hatches.size(); ++i) {
        const HatchData& h = d.hatches[i];
        if (h.firstVertex > vertexCount)
            damaged("a hatch lies outside the vertices");
        if (!pooledWithin(h.pattern, d.chars.size()) || h.firstLoop > d.hatchLoops.size() ||
            h.loopCount > d.hatchLoops.size() - h.firstLoop)
            damaged("a hatch lies outside its tables");
        std::uint64_t sum = 0;
        for (std::uint32_t n : d.loopsOf(h)) {
            sum += n;
            if (sum > vertexCount - h.firstVertex)
                damaged("a hatch lies outside the vertices");
        }
        hatchVertices[i] = sum;
    }

    std::uint64_t owned = 0;
    for (const Entity& e : d.entities) {
        if (!isEntityType(static_cast<int>(e.type)))
            damaged("an entity is of an unknown kind");
        if ((e.flags & ~EntityFlag::Stored) != 0 || e.reserved != 0)
            damaged("an entity has unknown flags");
        // Only polylines keep bulges.
        if (e.type != EntityType::Polyline && e.has(EntityFlag::Bulges))
            damaged("an entity has unknown flags");
        if (!within(e.layer, d.layers.size()) || !within(e.lineStyle, d.lineStyles.size()))
            damaged("an entity has a layer or line style that does not exist");
        owned += e.has(EntityFlag::InBlock);
        switch (e.type) {
        case EntityType::Polyline:
        case EntityType::Spline:
            if (e.first > vertexCount || storedVertices(e) > vertexCount - e.first)
                damaged("a polyline or spline lies outside the vertices");
            break;
        case EntityType::Hatch:
            if (e.first >= d.hatches.size() || e.count != hatchVertices[e.first])
                damaged("a hatch does not match its boundary");
            break;
        case EntityType::Text:
            if (e.first >= d.texts.size() ||
                !pooledWithin({d.texts[e.first].chars, e.count}, d.chars.size()))
                damaged("a text lies outside the characters");
            break;
        default:
            if (e.first >= tableSize(d, e.type))
                damaged("an entity lies outside its table");
            break;
        }
    }

    // No two entities share a record of their kind or a vertex: a change of one would change
    // the other behind its back.
    std::array<std::vector<char>, kEntityTypeCount> used;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges; // first vertex, end
    for (const Entity& e : d.entities) {
        if (e.type != EntityType::Polyline && e.type != EntityType::Spline) {
            std::vector<char>& u = used[static_cast<std::size_t>(typeIndex(e.type))];
            if (u.empty())
                u.assign(tableSize(d, e.type), 0);
            if (u[e.first])
                damaged("two entities share one record");
            u[e.first] = 1;
        }
        const std::uint64_t first =
            e.type == EntityType::Hatch ? d.hatches[e.first].firstVertex : std::uint64_t(e.first);
        if ((e.type == EntityType::Polyline || e.type == EntityType::Spline ||
             e.type == EntityType::Hatch) &&
            e.count > 0)
            ranges.emplace_back(first, first + storedVertices(e));
    }
    if (!std::is_sorted(ranges.begin(), ranges.end()))
        std::sort(ranges.begin(), ranges.end());
    for (std::size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second)
            damaged("two entities share vertices");

    std::vector<char> listed(d.entities.size(), 0);
    std::uint64_t listedCount = 0;
    for (std::size_t b = 0; b < d.blocks.size(); ++b)
        for (std::uint32_t h : d.blocks[b].entities) {
            if (h >= d.entities.size() || !d.entities[h].has(EntityFlag::InBlock) || listed[h])
                damaged("a block lists an entity that is not its own");
            listed[h] = 1;
            ++listedCount;
        }
    if (listedCount != owned)
        damaged("an entity of a block is missing from its list");

    // No block may contain itself: a depth-first walk over the insertions.
    enum : std::uint8_t { Unseen, Open, Done };
    std::vector<std::uint8_t> state(d.blocks.size(), Unseen);
    struct Step {
        std::size_t block, next;
    };
    std::vector<Step> path;
    for (std::size_t root = 0; root < d.blocks.size(); ++root) {
        if (state[root] != Unseen)
            continue;
        state[root] = Open;
        path.push_back({root, 0});
        while (!path.empty()) {
            Step& step = path.back();
            const std::vector<std::uint32_t>& list = d.blocks[step.block].entities;
            if (step.next == list.size()) {
                state[step.block] = Done;
                path.pop_back();
                continue;
            }
            const Entity& e = d.entities[list[step.next++]];
            if (e.type != EntityType::Insert)
                continue;
            const auto inner = static_cast<std::size_t>(d.inserts[e.first].block);
            if (state[inner] == Open)
                damaged("a block contains itself");
            if (state[inner] == Unseen) {
                state[inner] = Open;
                path.push_back({inner, 0});
            }
        }
    }
}

// Checks what a file of format 1 said of blocks and texts, and gives the entities what the
// records of today keep of it.
void convertFormat1(Drawing& d, Format1& old) {
    for (std::size_t b = 0; b < d.blocks.size(); ++b)
        for (std::uint32_t h : d.blocks[b].entities)
            if (h >= old.owners.size() || old.owners[h] != static_cast<std::int64_t>(b))
                damaged("a block lists an entity that is not its own");
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        Entity& e = d.entities[h];
        const std::int32_t owner = old.owners[h];
        if (owner != kModelSpace && !within(owner, d.blocks.size()))
            damaged("an entity belongs to a block that does not exist");
        e.set(EntityFlag::InBlock, owner != kModelSpace);
        if (e.type == EntityType::Text) {
            if (e.first >= d.texts.size())
                damaged("an entity lies outside its table");
            // A text's string goes into the pool the first time an entity names it.
            const std::string& bytes = old.texts[e.first];
            if (bytes.size() > UINT32_MAX)
                damaged("a text is too long");
            const PooledText t = d.pool(bytes);
            d.texts[e.first].chars = t.offset;
            e.count = t.size;
        }
    }
}

// Reads until `size` bytes are in or the file ends; how many came.
std::size_t readUpTo(int fd, unsigned char* into, std::size_t size, const std::string& path) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, into + got, std::min<std::size_t>(size - got, 1u << 30));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotOpen(path, errno);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// Where the content of a file comes from, piece by piece: memory or the open file. Keeps the
// checksum of what it gave, so that a file is read once.
class Source {
public:
    explicit Source(std::uint64_t size) : left_(size) {}
    virtual ~Source() = default;

    std::uint64_t left() const { return left_; }
    uLong checksum() const { return crc_; }

    void read(void* into, std::uint64_t size) {
        if (size > left_)
            damaged("it ends too soon");
        // In slices, so that each is summed while it is still in the cache.
        constexpr std::size_t kSlice = 1u << 20;
        auto* p = static_cast<unsigned char*>(into);
        for (std::uint64_t done = 0; done < size;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kSlice));
            fetch(p + done, n);
            crc_ = crc32_z(crc_, p + done, n);
            done += n;
        }
        left_ -= size;
    }
    template <typename T> T scalar() {
        static_assert(std::is_arithmetic_v<T>);
        T value;
        read(&value, sizeof value);
        return value;
    }
    // The records of a large array, straight into it.
    template <typename T, typename A>
    void array(std::vector<T, A>& v, std::uint64_t n, std::uint64_t most) {
        if (n > left_ / sizeof(T) || n > most)
            damaged("a count is larger than the file");
        reserveFresh(v, static_cast<std::size_t>(n));
        v.resize(static_cast<std::size_t>(n));
        if (n > 0)
            read(static_cast<void*>(v.data()), n * sizeof(T));
    }

protected:
    virtual void fetch(unsigned char* into, std::size_t size) = 0;

private:
    std::uint64_t left_;
    uLong crc_ = crc32_z(0, nullptr, 0);
};

class MemorySource final : public Source {
public:
    MemorySource(const unsigned char* data, std::size_t size) : Source(size), p_(data) {}

protected:
    void fetch(unsigned char* into, std::size_t size) override {
        std::memcpy(into, p_, size);
        p_ += size;
    }

private:
    const unsigned char* p_;
};

class FileSource final : public Source {
public:
    FileSource(int fd, std::uint64_t size, const std::string& path)
        : Source(size), fd_(fd), path_(path) {}

protected:
    void fetch(unsigned char* into, std::size_t size) override {
        if (readUpTo(fd_, into, size, path_) != size)
            damaged("it ends too soon");
    }

private:
    int fd_;
    const std::string& path_;
};

// Entity records of format 1, converted as they come in.
void readEntities1(Source& in, Drawing& d, std::uint64_t n, Format1& old) {
    if (n > in.left() / kEntityRecord1 || n > kMostRecords)
        damaged("a count is larger than the file");
    reserveFresh(d.entities, static_cast<std::size_t>(n));
    old.owners.reserve(static_cast<std::size_t>(n));
    std::array<unsigned char, kEntityRecord1> r{};
    bool anyOwnStyle = false;
    std::vector<OwnStyle> styles;
    for (std::uint64_t i = 0; i < n; ++i) {
        in.read(r.data(), r.size());
        Entity e;
        e.type = static_cast<EntityType>(r[0]);
        // Splines and sectors came after this format.
        if (r[0] > static_cast<unsigned char>(EntityType::Image))
            damaged("an entity is of an unknown kind");
        e.flags = r[1];
        if ((e.flags & ~EntityFlag::Stored) != 0 || (e.flags & EntityFlag::InBlock) != 0)
            damaged("an entity has unknown flags");
        e.fit = r[2];
        const auto layer = loadAt<std::int32_t>(r.data() + 4);
        const auto lineStyle = loadAt<std::int32_t>(r.data() + 8);
        if (layer < 0 || layer > kMostLayers || lineStyle < 0 || lineStyle > kMostLineStyles)
            damaged("an entity has a layer or line style that does not exist");
        e.layer = static_cast<std::uint16_t>(layer);
        e.lineStyle = static_cast<std::uint16_t>(lineStyle);
        OwnStyle own;
        own.color = loadAt<std::uint32_t>(r.data() + 12);
        own.width = loadAt<double>(r.data() + 16);
        old.owners.push_back(loadAt<std::int32_t>(r.data() + 24));
        e.count = loadAt<std::uint32_t>(r.data() + 28);
        const auto first = loadAt<std::uint64_t>(r.data() + 32);
        if (first > UINT32_MAX)
            damaged("an entity lies outside its table");
        e.first = static_cast<std::uint32_t>(first);
        d.entities.push_back(e);
        styles.push_back(own);
        anyOwnStyle = anyOwnStyle || own != OwnStyle{};
    }
    if (anyOwnStyle)
        d.ownStyles.assign(styles.begin(), styles.end());
}

void readContent(Source& in, Drawing& d, int version) {
    const auto packedSize = in.scalar<std::uint64_t>();
    const auto plainSize = in.scalar<std::uint64_t>();
    if (packedSize > in.left())
        damaged("it ends too soon");
    std::string packed(static_cast<std::size_t>(packedSize), '\0');
    in.read(packed.data(), packedSize);
    const std::string plain =
        inflateBytes(reinterpret_cast<const unsigned char*>(packed.data()), packedSize, plainSize);
    Unpacker tables(reinterpret_cast<const unsigned char*>(plain.data()), plain.size());

    std::array<std::uint64_t, kCounts3> counts{};
    const std::size_t countsGiven = version == 1 ? 9 : version == 2 ? kCounts2 : kCounts3;
    for (std::size_t i = 0; i < countsGiven; ++i)
        counts[i] = tables.number();
    Format1 old;
    if (version == 1)
        readEntities1(in, d, counts[0], old);
    else
        in.array(d.entities, counts[0], kMostRecords);
    // Polylines with arcs came with format 3.
    if (version < 3)
        for (const Entity& e : d.entities)
            if (e.has(EntityFlag::Bulges))
                damaged("an entity has unknown flags");
    in.array(d.vertices, counts[1], std::numeric_limits<std::uint64_t>::max());
    in.array(d.points, counts[2], kMostRecords);
    in.array(d.lines, counts[3], kMostRecords);
    in.array(d.circles, counts[4], kMostRecords);
    in.array(d.arcs, counts[5], kMostRecords);
    in.array(d.ellipses, counts[6], kMostRecords);
    in.array(d.rectangles, counts[7], kMostRecords);

    if (counts[8] > in.left() / kInsertRecord || counts[8] > kMostRecords)
        damaged("a count is larger than the file");
    reserveFresh(d.inserts, static_cast<std::size_t>(counts[8]));
    d.inserts.resize(static_cast<std::size_t>(counts[8]));
    std::array<unsigned char, kInsertRecord> r{};
    for (InsertData& i : d.inserts) {
        in.read(r.data(), r.size());
        i.block = loadAt<std::int32_t>(r.data());
        if (loadAt<std::uint32_t>(r.data() + 4) != 0)
            damaged("an insert is unreadable");
        i.p.x = loadAt<double>(r.data() + 8);
        i.p.y = loadAt<double>(r.data() + 16);
        i.scaleX = loadAt<double>(r.data() + 24);
        i.scaleY = loadAt<double>(r.data() + 32);
        i.angle = loadAt<double>(r.data() + 40);
    }
    if (version >= 2) {
        in.array(d.texts, counts[9], kMostRecords);
        in.array(d.chars, counts[10], UINT32_MAX);
        in.array(d.ownStyles, counts[11], kMostRecords);
        for (const OwnStyle& own : d.ownStyles)
            if (own.reserved != 0)
                damaged("an own style is unreadable");
        in.array(d.sectors, counts[12], kMostRecords);
        in.array(d.dimensions, counts[13], kMostRecords);
    }
    if (in.left() != 0)
        damaged("it holds more than a drawing");

    unpackTables(tables, d, version, old);
    if (!tables.atEnd())
        damaged("its tables hold more than they should");
    if (version == 1)
        convertFormat1(d, old);
}

// Checks a header of which `available` bytes are at hand, in a file of `total` bytes.
void checkHeader(const unsigned char* p, std::size_t available, std::uint64_t total) {
    if (available < kMagic.size()) {
        if (available > 0 && std::memcmp(p, kMagic.data(), available) == 0)
            damaged("it ends within its header");
        throw FileError(FileError::Kind::UnknownFormat, "This is not a drawing file.");
    }
    if (std::memcmp(p, kMagic.data(), kMagic.size()) != 0)
        throw FileError(FileError::Kind::UnknownFormat, "This is not a drawing file.");
    if (available < kVersionAt + 8)
        damaged("it ends within its header");
    const auto version = loadAt<std::uint32_t>(p + kVersionAt);
    if (loadAt<std::uint32_t>(p + kVersionAt + 4) != ~version || version == 0)
        damaged("its format version is unreadable");
    if (version > static_cast<std::uint32_t>(kNativeFormatVersion))
        throw FileError(FileError::Kind::NewerVersion,
                        "The drawing was saved by a newer version of the program (format " +
                            std::to_string(version) + ").");
    if (available < kHeaderSize)
        damaged("it ends within its header");
    const auto length = loadAt<std::uint64_t>(p + kLengthAt);
    if (length != total - kHeaderSize)
        damaged(length > total - kHeaderSize ? "it is shorter than it should be"
                                             : "it is longer than it should be");
    if (loadAt<std::uint32_t>(p + kReservedAt) != 0)
        damaged("its header is unreadable");
}

// The drawing of a file whose header has passed checkHeader.
std::unique_ptr<Drawing> readDrawing(const unsigned char* header, Source& content) {
    auto d = std::make_unique<Drawing>();
    readContent(content, *d, static_cast<int>(loadAt<std::uint32_t>(header + kVersionAt)));
    const uLong crc = crc32_z(content.checksum(), header + kVersionAt, kChecksumAt - kVersionAt);
    if (static_cast<std::uint32_t>(crc) != loadAt<std::uint32_t>(header + kChecksumAt))
        damaged("its checksum does not match its content");
    validate(*d);
    d->modified = false;
    return d;
}

// ---- files

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes it, reporting what close reports.
    int close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename in the folder last through a power cut. Where that cannot be done the file
// is written all the same.
void syncFolder(const std::string& folder) {
    Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        (void)fsync(fd.get());
}

} // namespace

bool looksNative(std::string_view firstBytes) {
    return firstBytes.size() >= kMagic.size() &&
           std::memcmp(firstBytes.data(), kMagic.data(), kMagic.size()) == 0;
}

std::string writeNative(const Drawing& drawing) {
    std::unique_ptr<Drawing> compact;
    const Drawing* d = &drawing;
    if (!isCompact(drawing)) {
        compact = compacted(drawing);
        d = compact.get();
    }
    std::string bytes;
    StringOutput out(bytes);
    writeContent(*d, out);
    out.finish();
    return bytes;
}

void saveNative(const Drawing& drawing, const std::string& path) {
    std::string target = path;
    // A symbolic link goes on naming the drawing: the file it leads to is replaced.
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        if (char* real = realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        cannotWrite(path, EISDIR);
    if (exists && access(target.c_str(), W_OK) != 0)
        cannotWrite(path, errno);

    std::unique_ptr<Drawing> compact;
    const Drawing* d = &drawing;
    try {
        if (!isCompact(drawing)) {
            compact = compacted(drawing);
            d = compact.get();
        }
    } catch (const std::bad_alloc&) {
        cannotWrite(path, ENOMEM);
    }

    static std::atomic<unsigned> serial{0};
    std::string temporary;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temporary = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(serial++);
        raw = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            break;
    }
    if (raw < 0)
        cannotWrite(path, errno);

    Descriptor fd(raw);
    int error = 0;
    std::string why;
    FileError::Kind kind = FileError::Kind::CannotWrite;
    try {
        FileOutput out(fd.get(), path);
        writeContent(*d, out);
        out.finish();
        if (exists)
            (void)fchmod(fd.get(), st.st_mode & 07777);
        if (fdatasync(fd.get()) != 0 || fd.close() != 0)
            cannotWrite(path, errno);
        // Nothing takes the old file's place that the reader cannot read back.
        try {
            (void)loadNative(temporary);
        } catch (const FileError& e) {
            throw FileError(FileError::Kind::NotReadBack, e.what());
        }
        if (rename(temporary.c_str(), target.c_str()) != 0)
            cannotWrite(path, errno);
    } catch (const FileError& e) {
        why = e.what();
        kind = e.kind();
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    } catch (const std::exception& e) {
        why = "Cannot write " + path + ": " + e.what();
    }
    if (error != 0 || !why.empty()) {
        if (fd.get() >= 0)
            fd.close();
        unlink(temporary.c_str());
        if (error != 0)
            cannotWrite(path, error);
        throw FileError(kind, why);
    }
    syncFolder(folderOf(target));
}

std::unique_ptr<Drawing> readNative(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    checkHeader(p, bytes.size(), bytes.size());
    MemorySource content(p + kHeaderSize, bytes.size() - kHeaderSize);
    return readDrawing(p, content);
}

std::unique_ptr<Drawing> loadNative(const std::string& path) {
    Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        cannotOpen(path, errno);
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        cannotOpen(path, errno);
    if (!S_ISREG(st.st_mode))
        cannotOpen(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // The large arrays are read straight into the drawing, never held twice.
    std::array<unsigned char, kHeaderSize> header{};
    checkHeader(header.data(), readUpTo(fd.get(), header.data(), header.size(), path), size);
    FileSource content(fd.get(), size - kHeaderSize, path);
    return readDrawing(header.data(), content);
}

bool resealNative(std::string& bytes) {
    if (bytes.size() < kHeaderSize || !looksNative(bytes))
        return false;
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    seal(p, bytes.size() - kHeaderSize,
         contentChecksum(p + kHeaderSize, bytes.size() - kHeaderSize));
    return true;
}

} // namespace cad
