// Reading ASCII DXF files (R12 to R2018) through dxflib.
//
// dxflib trusts what it reads: counts in a file size its arrays, some values are used before
// any is read, and a line longer than its buffer ends the reading. So the file is first split
// into its groups here and checked (a file whose structure is broken is refused), and dxflib
// then reads a cleaned copy of the records we use, streamed record by record:
// - counts are the numbers of groups really there, and groups that would reach outside
//   dxflib's arrays are left out;
// - the vertices of LWPOLYLINEs, the bulk of large drawings, are read here directly (dxflib
//   reads every number through a string stream);
// - lines are cut to a length dxflib takes;
// - each record carries its index as its handle (group 5, hexadecimal as dxflib reads it),
//   through which the callbacks read the groups dxflib does not hand over: strings in full,
//   true colours, lineweights, extrusion directions and extended data.
// Records that cannot be represented (3D solids, paper space, ...) never reach
// dxflib; they are counted as skipped.
//
// Strings: files up to DXF 2004 are read in their $DWGCODEPAGE, later ones in UTF-8; \U+XXXX
// escapes and %%d / %%p / %%c codes are decoded; the drawing gets Windows-1250 bytes.
//
// Draw order: entities are drawn in the order of the file, unless the model space has a sort
// table (SORTENTSTABLE): then by their sort handles, an entity it does not name by its own
// handle, as the programs that write such tables draw them.
#include "engine/io/Dxf.h"
#include "engine/io/DxfCodepage.h"
#include "engine/io/DxfSupport.h"
#include "engine/io/FileError.h"
#include "engine/model/HatchPatterns.h"

#include <QFile>
#include <QString>

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <istream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <streambuf>

namespace cad {

// Millimetres in a drawing unit (engine/Engine.h).
double millimetresPerUnit(int units);

namespace {

constexpr std::string_view kAppName = "KWL_EDYTOR";

// Extended data flags of KWL_EDYTOR, as the writer sets them.
namespace Mark {
constexpr long Filled = 1;
constexpr long FillOf = 2;
constexpr long Rectangle = 4;
constexpr long Sector = 8;
} // namespace Mark

// dxflib reads lines into a buffer of 1024 bytes.
constexpr std::size_t kMaxValue = 1000;
// Arcs and curves become straight segments of at most this many degrees.
constexpr double kArcStep = 10.0;
// Bounds on the points one curve becomes.
constexpr int kMaxCurvePoints = 20000;
// Bounds on the inserts arrays (MINSERT) become: each, and all of a file together.
constexpr long kMaxArrayInsert = 10000;
constexpr long kMaxArrayInserts = 1000000;
// Splines of higher degree are evaluated at this one.
constexpr int kMaxDegree = 10;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool parseInteger(std::string_view s, long& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

bool parseReal(std::string_view s, double& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc() && end == s.data() + s.size() && !s.empty())
        return true;
    // Some writers put a decimal comma.
    if (s.find(',') == std::string_view::npos || s.size() > 64)
        return false;
    std::string point(s);
    std::replace(point.begin(), point.end(), ',', '.');
    const auto [end2, ec2] = std::from_chars(point.data(), point.data() + point.size(), v);
    return ec2 == std::errc() && end2 == point.data() + point.size();
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return u;
}

using dxf::finite;
using dxf::normalisedDegrees;

double degrees(double radians) {
    return radians * 180.0 / kPi;
}

// ---- the file as groups and records -------------------------------------------------------

struct Group {
    int code;
    std::string_view value;
};

enum class Section { None, Header, Tables, Blocks, Entities, Objects, Other };

struct Record {
    std::string_view type;
    std::size_t begin = 0, end = 0; // its groups after the 0 group
    Section section = Section::None;
};

[[noreturn]] void damaged(const std::string& path, const std::string& why) {
    throw FileError(FileError::Kind::BrokenDxf, path + ": " + why);
}

class DxfFile {
public:
    DxfFile(std::string bytes, const std::string& path);

    std::string data;
    std::vector<Group> groups;
    std::vector<Record> records;
};

DxfFile::DxfFile(std::string bytes, const std::string& path) : data(std::move(bytes)) {
    std::string_view text(data);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (text.starts_with("AutoCAD Binary DXF"))
        throw FileError(FileError::Kind::UnknownFormat,
                        path + ": binary DXF files cannot be read; save it as ASCII DXF");
    if (!looksDxf(text.substr(0, 4096)))
        throw FileError(FileError::Kind::UnknownFormat, path + ": not a DXF file");

    groups.reserve(text.size() / 12);
    std::size_t pos = 0, line = 0;
    auto nextLine = [&](std::string_view& out) {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        out = text.substr(pos, end - pos);
        if (!out.empty() && out.back() == '\r')
            out.remove_suffix(1);
        pos = end + 1;
        ++line;
        return true;
    };
    // Leading blank lines.
    while (pos < text.size() &&
           (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) {
        if (text[pos] == '\n')
            ++line;
        ++pos;
    }
    bool ended = false;
    std::string_view codeLine, value;
    while (nextLine(codeLine)) {
        long code = 0;
        if (!parseInteger(codeLine, code) || code < 0 || code > 1071) {
            if (trim(codeLine).empty() && pos >= text.size())
                break; // blank lines at the end
            damaged(path, "line " + std::to_string(line) + " is not a group code");
        }
        if (!nextLine(value))
            damaged(path, "the file ends inside a group");
        if (code == 999)
            continue;
        groups.push_back({int(code), value});
        if (code == 0 && trim(value) == "EOF") {
            ended = true;
            break;
        }
    }

    // Records, and the sections they are in.
    Section section = Section::None;
    bool anySection = false;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != 0) {
            if (records.empty() && section == Section::None)
                damaged(path, "data before the first section");
            continue;
        }
        std::size_t end = i + 1;
        while (end < groups.size() && groups[end].code != 0)
            ++end;
        const std::string_view type = trim(groups[i].value);
        Record r{type, i + 1, end, section};
        if (type == "SECTION") {
            anySection = true;
            const std::string_view name =
                end > i + 1 && groups[i + 1].code == 2 ? trim(groups[i + 1].value) : "";
            section = name == "HEADER"     ? Section::Header
                      : name == "TABLES"   ? Section::Tables
                      : name == "BLOCKS"   ? Section::Blocks
                      : name == "ENTITIES" ? Section::Entities
                      : name == "OBJECTS"  ? Section::Objects
                                           : Section::Other;
            r.section = section;
        } else if (type == "ENDSEC") {
            section = Section::None;
        } else if (type == "EOF") {
            section = Section::None;
        } else if (section == Section::None) {
            i = end - 1; // between sections: nothing of ours
            continue;
        }
        records.push_back(r);
        i = end - 1;
    }
    if (!anySection)
        damaged(path, "no sections");
    if (section != Section::None || (!ended && records.back().type != "ENDSEC"))
        damaged(path, "the file ends inside a section");
}

// True when every number of the record (extended data aside) is a finite number.
bool numbersFinite(std::span<const Group> groups) {
    for (const Group& g : groups) {
        const int c = g.code;
        const bool real = (c >= 10 && c <= 59) || (c >= 110 && c <= 149) || (c >= 210 && c <= 239);
        double v = 0;
        if (real && (!parseReal(g.value, v) || !std::isfinite(v)))
            return false;
    }
    return true;
}

// The groups of one record, read as we need them.
class Fields {
public:
    Fields() = default;
    Fields(const DxfFile& f, const Record& r)
        : type_(r.type), groups_(f.groups.data() + r.begin, r.end - r.begin) {}

    std::string_view type() const { return type_; }

    const Group* find(int code) const {
        for (const Group& g : groups_)
            if (g.code == code)
                return &g;
        return nullptr;
    }
    bool has(int code) const { return find(code) != nullptr; }
    std::string_view str(int code, std::string_view def = {}) const {
        const Group* g = find(code);
        return g ? g->value : def;
    }
    double real(int code, double def) const {
        double v = 0;
        const Group* g = find(code);
        return g && parseReal(g->value, v) ? v : def;
    }
    long integer(int code, long def) const {
        const Group* g = find(code);
        if (!g)
            return def;
        long v = 0;
        if (parseInteger(g->value, v))
            return v;
        double r = 0;
        if (parseReal(g->value, r) && std::abs(r) < 2e9)
            return long(r);
        return def;
    }
    std::vector<std::string_view> all(int code) const {
        std::vector<std::string_view> out;
        for (const Group& g : groups_)
            if (g.code == code)
                out.push_back(g.value);
        return out;
    }
    // The value of `code` in the extended data of `app`, or `def`.
    std::string_view xdata(std::string_view app, int code, std::string_view def = {}) const {
        bool inApp = false;
        for (const Group& g : groups_) {
            if (g.code == 1001)
                inApp = trim(g.value) == app;
            else if (inApp && g.code == code)
                return g.value;
        }
        return def;
    }
    std::span<const Group> groups() const { return groups_; }

private:
    std::string_view type_;
    std::span<const Group> groups_;
};

// ---- what dxflib gets ---------------------------------------------------------------------

// The records handed to dxflib, in order; -1 is an ENDBLK the file left out.
struct Selection {
    std::vector<long> records;
    int skipped = 0;
    // From the header.
    std::string_view acadver, codepage, clayer;
    long insunits = -1;
    double dimscale = 0; // drawing units of a millimetre of paper; 0 when not given
    // IMAGEDEF records by handle.
    std::map<std::string, std::size_t> imageDefs;
    // The handle of *Model_Space's block record, and the sort tables (records) found.
    std::string modelSpaceRecord;
    std::vector<std::size_t> sortTables;
};

// A handle as a number; 0 when it is none.
std::uint64_t handleNumber(std::string_view s) {
    s = trim(s);
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    return ec == std::errc() && end == s.data() + s.size() ? v : 0;
}

// The pairs of entity and sort handles of a sort table, when it is the model space's.
std::map<std::uint64_t, std::uint64_t> sortHandles(const Fields& f, std::uint64_t modelSpace) {
    std::map<std::uint64_t, std::uint64_t> out;
    bool inTable = false, ownerSeen = false;
    std::uint64_t entity = 0;
    for (const Group& g : f.groups()) {
        if (g.code == 100) {
            inTable = trim(g.value) == "AcDbSortentsTable";
            continue;
        }
        if (!inTable)
            continue;
        if (g.code == 330 && !ownerSeen) {
            ownerSeen = true;
            if (handleNumber(g.value) != modelSpace)
                return {};
        } else if (g.code == 331) {
            entity = handleNumber(g.value);
        } else if (g.code == 5 && entity != 0) {
            out[entity] = handleNumber(g.value);
            entity = 0;
        }
    }
    return ownerSeen ? out : std::map<std::uint64_t, std::uint64_t>{};
}

bool supportedEntity(std::string_view t) {
    static const std::string_view kinds[] = {
        "POINT", "LINE",   "LWPOLYLINE", "POLYLINE", "CIRCLE", "ARC",    "ELLIPSE", "TEXT",
        "MTEXT", "INSERT", "SOLID",      "TRACE",    "HATCH",  "SPLINE", "IMAGE",   "DIMENSION"};
    return std::find(std::begin(kinds), std::end(kinds), t) != std::end(kinds);
}

Selection select(const DxfFile& f) {
    Selection s;
    enum class Sequence { None, Vertices, Attributes, Dropped };
    Sequence sequence = Sequence::None;
    bool splineFit = false; // the open POLYLINE is spline-fit: its frame points are left out
    // The block being read: one of ours, the model space (whose entities are the drawing's),
    // or one whose entities are dropped (paper space, or a block without a name).
    bool blockOpen = false, blockHidden = false, blockDropped = false;
    auto closeBlock = [&] {
        if (blockOpen && !blockHidden)
            s.records.push_back(-1);
        blockOpen = blockHidden = blockDropped = false;
    };
    for (std::size_t i = 0; i < f.records.size(); ++i) {
        const Record& r = f.records[i];
        const Fields fields(f, r);
        if (r.section != Section::Blocks && blockOpen)
            closeBlock();
        switch (r.section) {
        case Section::Header: {
            if (r.type != "SECTION")
                break;
            const auto groups = fields.groups();
            for (std::size_t k = 0; k + 1 < groups.size(); ++k) {
                if (groups[k].code != 9)
                    continue;
                const std::string_view name = trim(groups[k].value);
                const Group& v = groups[k + 1];
                if (name == "$ACADVER")
                    s.acadver = trim(v.value);
                else if (name == "$DWGCODEPAGE")
                    s.codepage = trim(v.value);
                else if (name == "$CLAYER")
                    s.clayer = v.value;
                else if (name == "$INSUNITS")
                    parseInteger(v.value, s.insunits);
                else if (name == "$DIMSCALE")
                    parseReal(trim(v.value), s.dimscale);
            }
            break;
        }
        case Section::Tables:
            if (r.type == "LAYER" || r.type == "LTYPE" || r.type == "STYLE")
                s.records.push_back(long(i));
            if (r.type == "BLOCK_RECORD" && upper(trim(fields.str(2))) == "*MODEL_SPACE")
                s.modelSpaceRecord = trim(fields.str(5));
            break;
        case Section::Objects:
            if (r.type == "IMAGEDEF")
                s.imageDefs[upper(trim(fields.str(5)))] = i;
            if (r.type == "SORTENTSTABLE")
                s.sortTables.push_back(i);
            break;
        case Section::Blocks:
        case Section::Entities: {
            if (r.type == "SECTION" || r.type == "ENDSEC")
                break;
            if (r.section == Section::Blocks && r.type == "BLOCK") {
                closeBlock();
                const std::string name = upper(trim(fields.str(2)));
                blockOpen = true;
                blockDropped = name.empty() || name.starts_with("*PAPER_SPACE") ||
                               name.starts_with("$PAPER_SPACE");
                blockHidden = blockDropped || name.starts_with("*MODEL_SPACE") ||
                              name.starts_with("$MODEL_SPACE");
                if (!blockHidden)
                    s.records.push_back(long(i));
                sequence = Sequence::None;
                break;
            }
            if (r.section == Section::Blocks && r.type == "ENDBLK") {
                closeBlock();
                sequence = Sequence::None;
                break;
            }
            if (r.type == "VERTEX" || r.type == "ATTRIB" || r.type == "SEQEND") {
                const bool belongs = (r.type == "VERTEX" && sequence == Sequence::Vertices) ||
                                     (r.type == "ATTRIB" && sequence == Sequence::Attributes) ||
                                     (r.type == "SEQEND" && (sequence == Sequence::Vertices ||
                                                             sequence == Sequence::Attributes));
                const bool frame =
                    r.type == "VERTEX" && splineFit && (fields.integer(70, 0) & 16) != 0;
                if (belongs && !frame && numbersFinite(fields.groups()))
                    s.records.push_back(long(i));
                if (r.type == "SEQEND")
                    sequence = Sequence::None;
                break;
            }
            sequence = Sequence::None;
            const bool paper =
                blockDropped || (r.section == Section::Entities && fields.integer(67, 0) == 1);
            if (paper || !supportedEntity(r.type) || !numbersFinite(fields.groups())) {
                ++s.skipped;
                if (r.type == "POLYLINE" || (r.type == "INSERT" && fields.integer(66, 0) == 1))
                    sequence = Sequence::Dropped;
                break;
            }
            if (r.type == "POLYLINE") {
                const long flags = fields.integer(70, 0);
                if (flags & (16 | 64)) { // polygon and polyface meshes
                    ++s.skipped;
                    sequence = Sequence::Dropped;
                    break;
                }
                sequence = Sequence::Vertices;
                splineFit = (flags & 4) != 0;
            } else if (r.type == "INSERT" && fields.integer(66, 0) == 1) {
                sequence = Sequence::Attributes;
            }
            s.records.push_back(long(i));
            break;
        }
        default:
            break;
        }
    }
    if (blockOpen)
        closeBlock();
    return s;
}

// The cleaned text of the selected records, made as dxflib reads it.
class CleanStream : public std::streambuf {
public:
    CleanStream(const DxfFile& f, const Selection& s) : file_(f), selection_(s) {}

protected:
    int_type underflow() override {
        chunk_.clear();
        while (chunk_.size() < (1 << 16) && next_ <= selection_.records.size()) {
            if (next_ == selection_.records.size())
                chunk_ += "0\nEOF\n";
            else
                record(selection_.records[next_]);
            ++next_;
        }
        if (chunk_.empty())
            return traits_type::eof();
        setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
        return traits_type::to_int_type(chunk_[0]);
    }

private:
    void group(int code, std::string_view value) {
        chunk_ += std::to_string(code);
        chunk_ += '\n';
        value = value.substr(0, kMaxValue);
        for (const char c : value)
            if (c != '\0')
                chunk_ += c;
        chunk_ += '\n';
    }

    void record(long index) {
        if (index < 0) {
            chunk_ += "0\nENDBLK\n";
            return;
        }
        const Record& r = file_.records[std::size_t(index)];
        const Fields fields(file_, r);
        const auto groups = fields.groups();
        group(0, r.type);
        char handle[24];
        const auto [end, ec] = std::to_chars(handle, handle + sizeof handle, index, 16);
        group(5, std::string_view(handle, ec == std::errc() ? std::size_t(end - handle) : 0));
        auto count = [&](int code) {
            return std::to_string(std::count_if(groups.begin(), groups.end(),
                                                [&](const Group& g) { return g.code == code; }));
        };
        const bool lwpolyline = r.type == "LWPOLYLINE", spline = r.type == "SPLINE",
                   hatch = r.type == "HATCH";
        if (lwpolyline) // its vertices are read from the groups directly
            group(90, "0");
        if (spline) {
            group(72, count(40));
            group(73, count(10));
            group(74, count(11));
        }
        bool loopsSeen = false, seeds = false;
        for (const Group& g : groups) {
            const int c = g.code;
            // Handles, owners, reactors and extended data are ours to read.
            if (c == 5 || c == 102 || c == 330 || c == 360 || c >= 1000)
                continue;
            if (lwpolyline && (c == 10 || c == 20 || c == 30 || c == 40 || c == 41 || c == 42 ||
                               c == 90 || c == 91))
                continue;
            if (spline && (c == 72 || c == 73 || c == 74))
                continue;
            // A dimension of a kind dxflib does not know would not reach us: it is told one
            // it knows, and the reader takes the kind from the record (see dimension()).
            if (c == 70 && r.type == "DIMENSION") {
                long flags = 0;
                if (parseInteger(g.value, flags) && (flags & 0x0F) > 6) {
                    group(c, std::to_string(flags & ~0x0FL));
                    continue;
                }
            }
            if (hatch) {
                if (c == 91)
                    loopsSeen = true;
                // The elevation point and the seed points would be taken for boundary edges.
                if (!loopsSeen && (c == 10 || c == 20 || c == 30))
                    continue;
                if (c == 98)
                    seeds = true;
                if (seeds && (c == 98 || c == 10 || c == 20))
                    continue;
                if (seeds && c != 10 && c != 20)
                    seeds = false;
            }
            group(c, g.value);
        }
    }

    const DxfFile& file_;
    const Selection& selection_;
    std::size_t next_ = 0;
    std::string chunk_;
};

// ---- curves to points ---------------------------------------------------------------------

int arcSegments(double sweepRadians) {
    const double n = std::ceil(std::abs(degrees(sweepRadians)) / kArcStep);
    return std::isfinite(n) ? std::clamp(int(n), 1, 72) : 1;
}

// Points of an arc after its start point: from `start` by `sweep` radians (negative: clockwise).
void appendArc(std::vector<Vec2>& out, Vec2 c, double r, double start, double sweep) {
    const int n = arcSegments(sweep);
    for (int i = 1; i <= n; ++i) {
        const double a = start + sweep * i / n;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
}

// The segment from `a` to `b` with a bulge: the points after `a`, up to and with `b`.
void appendBulge(std::vector<Vec2>& out, Vec2 a, Vec2 b, double bulge) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double chord = std::hypot(dx, dy);
    if (!std::isfinite(bulge) || std::abs(bulge) < 1e-12 || std::abs(bulge) > 1e6 || !(chord > 0) ||
        !std::isfinite(chord)) {
        out.push_back(b);
        return;
    }
    const double sweep = 4 * std::atan(bulge);
    // The centre lies on the chord's normal, to the left for counter-clockwise arcs.
    const double toCentre = chord / 2 / std::tan(sweep / 2);
    const Vec2 c{(a.x + b.x) / 2 - dy / chord * toCentre, (a.y + b.y) / 2 + dx / chord * toCentre};
    const double r = std::hypot(a.x - c.x, a.y - c.y);
    std::vector<Vec2> arc;
    appendArc(arc, c, r, std::atan2(a.y - c.y, a.x - c.x), sweep);
    arc.back() = b;
    out.insert(out.end(), arc.begin(), arc.end());
}

// Vertices with bulges: the polyline's points, arcs made straight.
std::vector<Vec2> bulgedPolyline(const std::vector<Vec2>& v, const std::vector<double>& bulges,
                                 bool closed) {
    std::vector<Vec2> out;
    if (v.empty())
        return out;
    out.push_back(v[0]);
    const std::size_t segments = closed ? v.size() : v.size() - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const Vec2 b = v[(i + 1) % v.size()];
        const double bulge = i < bulges.size() ? bulges[i] : 0;
        if (out.size() > std::size_t(kMaxCurvePoints) * 8)
            out.push_back(b);
        else
            appendBulge(out, v[i], b, bulge);
    }
    if (closed && out.size() > 1)
        out.pop_back(); // back at the start
    return out;
}

struct ControlPoint {
    double x, y, w;
};

// Points along a B-spline (rational when the weights differ), evaluated with de Boor's
// algorithm; knots that do not fit the control points are replaced by clamped uniform ones.
std::vector<Vec2> bspline(int degree, std::vector<ControlPoint> cp, std::vector<double> knots) {
    std::vector<Vec2> out;
    const int n = int(cp.size());
    for (ControlPoint& p : cp)
        if (!std::isfinite(p.w) || p.w <= 0)
            p.w = 1;
    if (n < 2) {
        for (const ControlPoint& p : cp)
            out.push_back({p.x, p.y});
        return out;
    }
    const int p = std::clamp(std::min(degree, kMaxDegree), 1, n - 1);
    bool knotsOk = knots.size() == std::size_t(n + p + 1);
    for (std::size_t i = 0; knotsOk && i < knots.size(); ++i)
        knotsOk = std::isfinite(knots[i]) && (i == 0 || knots[i] >= knots[i - 1]);
    if (knotsOk)
        knotsOk = knots[std::size_t(n)] > knots[std::size_t(p)];
    if (!knotsOk) {
        knots.assign(std::size_t(n + p + 1), 0);
        for (int i = 0; i <= n + p; ++i)
            knots[std::size_t(i)] = std::clamp(i - p, 0, n - p);
    }
    const double t0 = knots[std::size_t(p)], t1 = knots[std::size_t(n)];
    // Straight spans are their control points; curved ones get 8 points a span.
    const long spans = n - p + 1;
    const int samples = int(std::clamp(p > 1 ? 8 * spans : long(n - 1), 1L, long(kMaxCurvePoints)));
    std::vector<ControlPoint> d(std::size_t(p + 1));
    int k = p;
    for (int s = 0; s <= samples; ++s) {
        const double t = s == samples ? t1 : t0 + (t1 - t0) * s / samples;
        while (k < n - 1 && t >= knots[std::size_t(k + 1)])
            ++k;
        for (int j = 0; j <= p; ++j) {
            const ControlPoint& c = cp[std::size_t(k - p + j)];
            d[std::size_t(j)] = {c.x * c.w, c.y * c.w, c.w};
        }
        for (int r = 1; r <= p; ++r)
            for (int j = p; j >= r; --j) {
                const double lo = knots[std::size_t(j + k - p)];
                const double hi = knots[std::size_t(j + 1 + k - r)];
                const double alpha = hi > lo ? (t - lo) / (hi - lo) : 0;
                auto& a = d[std::size_t(j)];
                const auto& b = d[std::size_t(j - 1)];
                a = {(1 - alpha) * b.x + alpha * a.x, (1 - alpha) * b.y + alpha * a.y,
                     (1 - alpha) * b.w + alpha * a.w};
            }
        const ControlPoint& q = d[std::size_t(p)];
        if (q.w != 0)
            out.push_back({q.x / q.w, q.y / q.w});
    }
    return out;
}

// A smooth curve through fit points (Catmull-Rom), for splines given without control points.
std::vector<Vec2> throughPoints(const std::vector<Vec2>& v) {
    if (v.size() < 3)
        return v;
    std::vector<Vec2> out{v[0]};
    const int steps = v.size() * 8 > std::size_t(kMaxCurvePoints) ? 1 : 8;
    for (std::size_t i = 0; i + 1 < v.size(); ++i) {
        const Vec2 p0 = v[i == 0 ? 0 : i - 1], p1 = v[i], p2 = v[i + 1],
                   p3 = v[std::min(i + 2, v.size() - 1)];
        for (int s = 1; s <= steps; ++s) {
            const double t = double(s) / steps, t2 = t * t, t3 = t2 * t;
            auto f = [&](double a, double b, double c, double e) {
                return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - e) * t2 +
                              (3 * b - a - 3 * c + e) * t3);
            };
            out.push_back({f(p0.x, p1.x, p2.x, p3.x), f(p0.y, p1.y, p2.y, p3.y)});
        }
    }
    return out;
}

// The parameter of an ellipse point at `angle` from its major axis.
double ellipseParameter(double ratio, double angle) {
    return std::atan2(std::sin(angle) / ratio, std::cos(angle));
}

double sweepBetween(double start, double end) {
    double sweep = std::fmod(end - start, 2 * kPi);
    if (sweep <= 1e-12)
        sweep += 2 * kPi;
    return sweep;
}

// ---- the callbacks ------------------------------------------------------------------------

// Object coordinate systems: we take those of drawings seen from above or from below.
struct Ocs {
    bool usable = true;
    bool mirrored = false; // seen from below: x runs the other way
    Vec2 map(Vec2 p) const { return mirrored ? Vec2{-p.x, p.y} : p; }
    double angle(double deg) const { return mirrored ? 180 - deg : deg; }
};

class Builder final : public DL_CreationAdapter {
public:
    Builder(const DxfFile& f, const Selection& s, Drawing& d)
        : file_(f), selection_(s), d_(d),
          decoder_(dxf::TextDecoder::forFile(s.acadver, s.codepage,
                                             s.codepage.empty() &&
                                                 dxf::looksUtf8(std::string_view(f.data)))) {
        for (std::size_t i = 0; i < d_.layers.size(); ++i)
            layers_[dxf::nameKey(d_.layers[i].name)] = int(i);
        lineStyles_["CONTINUOUS"] = 0;
        for (std::size_t i = 0; i < d_.textStyles.size(); ++i)
            textStyles_[dxf::nameKey(d_.textStyles[i].name)] = int(i);
    }

    int skipped() const { return skipped_; }
    void finish();

    // Tables.
    void addLayer(const DL_LayerData&) override;
    void addLinetype(const DL_LinetypeData&) override;
    void addTextStyle(const DL_StyleData&) override;
    // Blocks.
    void addBlock(const DL_BlockData&) override;
    void endBlock() override;
    // Entities.
    void addPoint(const DL_PointData&) override;
    void addLine(const DL_LineData&) override;
    void addArc(const DL_ArcData&) override;
    void addCircle(const DL_CircleData&) override;
    void addEllipse(const DL_EllipseData&) override;
    void addPolyline(const DL_PolylineData&) override;
    void addVertex(const DL_VertexData&) override;
    void addSpline(const DL_SplineData&) override;
    void addControlPoint(const DL_ControlPointData&) override;
    void addFitPoint(const DL_FitPointData&) override;
    void addKnot(const DL_KnotData&) override;
    void addInsert(const DL_InsertData&) override;
    void addTrace(const DL_TraceData& d) override { quad(d); }
    void addSolid(const DL_SolidData& d) override { quad(d); }
    void addMText(const DL_MTextData&) override;
    void addText(const DL_TextData&) override;
    void addAttribute(const DL_AttributeData&) override;
    void addHatch(const DL_HatchData&) override;
    void addHatchLoop(const DL_HatchLoopData&) override;
    void addHatchEdge(const DL_HatchEdgeData&) override;
    void addImage(const DL_ImageData&) override;
    // Dimensions of every kind: read from their definition points (see dimension()).
    void addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) override { dimension(); }
    void addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) override { dimension(); }
    void addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) override { dimension(); }
    void addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) override {
        dimension();
    }
    void addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) override {
        dimension();
    }
    void addDimAngular3P(const DL_DimensionData&, const DL_DimAngular3PData&) override {
        dimension();
    }
    void addDimOrdinate(const DL_DimensionData&, const DL_DimOrdinateData&) override {
        dimension();
    }
    void endEntity() override { flush(); }
    void endSequence() override { flush(); }

private:
    // The record dxflib is reporting.
    bool current(Fields& out) {
        const long index = attributes.getHandle();
        if (index < 0 || std::size_t(index) >= file_.records.size())
            return false;
        out = Fields(file_, file_.records[std::size_t(index)]);
        return true;
    }
    std::string name(std::string_view raw) const {
        return dxf::encodeCp1250(dxf::decodeEscapes(decoder_.decode(raw), false));
    }
    // A TEXT string: control characters stand in it in caret notation (a raw one, which no
    // DXF string should hold, is read as a space); then the %% codes and \U+ escapes.
    std::string text(std::string_view raw) const {
        std::u32string s = decoder_.decode(raw);
        for (char32_t& c : s)
            if (c < 0x20)
                c = U' ';
        return dxf::encodeCp1250(dxf::decodeEscapes(dxf::decodeCarets(s), true));
    }

    int layer(std::string_view raw);
    int lineStyle(std::string_view raw, int layer);
    int textStyle(std::string_view raw);
    int block(const std::string& name); // the name as the drawing keeps it

    // Starts an entity of the current record: sets the drawing's current layer and line style.
    // False (the record is skipped) when it cannot be represented.
    bool begin(Fields& f, Ocs* ocs = nullptr);
    // Gives the entity just added its colour, width and marks.
    void attributesOf(const Fields& f, int handle, bool filled = false);
    void reject() { ++skipped_; }
    // The order of the model space's sort table, when the file has one.
    void applySortTable();

    void quad(const DL_TraceData& d);
    void dimension();
    void dimensionAsDrawn(const Fields& f);
    int overriddenStyle(const Fields& f, int style);
    void ownStyleData(const Fields& t, DimensionStyle& style);
    void arrowheadOf(const Fields& t, DimensionStyle& style);
    // A style's text from DIMPOST: the value's place "<>" in it, or the text after the value.
    std::string contents(std::string_view raw) const {
        const std::string post = text(raw);
        return post.find("<>") != std::string::npos ? post : "<>" + post;
    }
    int dimensionStyle(std::string_view raw);
    void textEntity(const Fields& f, const Ocs& ocs, int horizontal, int vertical);
    void flush();
    void addPolylineOf(const Fields& f, std::vector<Vec2> points, bool closed, long marks,
                       std::vector<double> bulges = {});
    bool addSectorOf(const Fields& f, const std::vector<Vec2>& vertices);
    // Puts the layer and line style of a record that came in parts back in place: records
    // read since may have changed them.
    void restoreLayer(const Fields& f) {
        const int l = layer(f.str(8, "0"));
        d_.current.layer = l;
        d_.current.lineStyle = lineStyle(f.str(6, "BYLAYER"), l);
    }

    const DxfFile& file_;
    const Selection& selection_;
    Drawing& d_;
    dxf::TextDecoder decoder_;
    int skipped_ = 0;
    long arrayBudget_ = kMaxArrayInserts;

    std::map<std::string, int> layers_, lineStyles_, textStyles_, blocks_;
    std::set<std::string> dimensionStylesRead_; // keys of the DIMSTYLEs taken
    std::vector<int> derivedStyles_;            // styles made for dimensions' own overrides
    std::vector<std::string> layerLineTypes_;   // keys, by layer

    // The entities the anonymous blocks of dimensions drew, by the blocks' keys: taken out of
    // the drawing, and brought back for a dimension of a kind we do not know.
    std::map<std::string, std::vector<std::uint32_t>> dimensionBlocks_;

    // The block being read.
    bool inBlock_ = false;
    std::string blockName_;
    Vec2 blockBase_;
    std::size_t blockFirst_ = 0;

    // An entity that comes in parts: a polyline, spline or hatch.
    enum class Pending { None, Polyline, Spline, Hatch };
    Pending pending_ = Pending::None;
    Fields pendingFields_;
    Ocs pendingOcs_;
    bool pendingClosed_ = false;
    std::vector<Vec2> points_;
    std::vector<double> bulges_;
    int splineDegree_ = 3;
    std::vector<ControlPoint> control_;
    std::vector<Vec2> fit_;
    std::vector<double> knots_;
    HatchSpec hatch_;
    std::vector<std::vector<Vec2>> loops_;

    // The handle of the record each entity came from, by the drawing's handle (0: none).
    std::vector<std::uint64_t> sources_;
};

int Builder::layer(std::string_view raw) {
    std::string n = name(raw);
    if (n.empty())
        n = "0";
    const std::string key = dxf::nameKey(n);
    if (const auto it = layers_.find(key); it != layers_.end())
        return it->second;
    d_.layers.push_back(Layer{n, 0x000000, 0x000000, 0.0, true, false, true});
    const int index = int(d_.layers.size() - 1);
    layers_[key] = index;
    return index;
}

int Builder::lineStyle(std::string_view raw, int layerIndex) {
    std::string key = dxf::nameKey(name(trim(raw)));
    if (key.empty() || key == "BYLAYER") {
        if (layerIndex < 0 || std::size_t(layerIndex) >= layerLineTypes_.size())
            return 0;
        key = layerLineTypes_[std::size_t(layerIndex)];
    }
    const auto it = lineStyles_.find(key);
    return it == lineStyles_.end() ? 0 : it->second;
}

int Builder::textStyle(std::string_view raw) {
    const auto it = textStyles_.find(dxf::nameKey(name(trim(raw))));
    return it == textStyles_.end() ? 0 : it->second;
}

int Builder::block(const std::string& n) {
    const std::string key = dxf::nameKey(n);
    if (const auto it = blocks_.find(key); it != blocks_.end())
        return it->second;
    // Inserted before it is defined: an empty block until it is.
    d_.blocks.push_back(Block{n, {}, {}});
    const int index = int(d_.blocks.size() - 1);
    blocks_[key] = index;
    return index;
}

void Builder::addLayer(const DL_LayerData&) {
    Fields f;
    if (!current(f))
        return;
    const std::string n = name(f.str(2));
    if (n.empty())
        return;
    const long flags = f.integer(70, 0);
    const long aci = f.integer(62, 7);
    Layer l;
    l.name = n;
    l.color = f.has(420)
                  ? dxf::fromTrueColor(f.integer(420, 0))
                  : dxf::aciColor(aci == 0 || aci < -255 || aci > 255 ? 7 : int(std::abs(aci)));
    l.fillColor = l.color;
    const long lw = f.integer(370, dxf::kLineweightDefault);
    l.width = lw > 0 && lw <= 1000 ? double(lw) / 100 : 0;
    l.visible = (flags & 1) == 0 && aci >= 0;
    l.locked = (flags & 4) != 0;
    l.printable = f.integer(290, 1) != 0;
    const std::string key = dxf::nameKey(n);
    int index;
    if (const auto it = layers_.find(key); it != layers_.end()) {
        index = it->second;
        d_.layers[std::size_t(index)] = l;
    } else {
        d_.layers.push_back(l);
        index = int(d_.layers.size() - 1);
        layers_[key] = index;
    }
    if (layerLineTypes_.size() <= std::size_t(index))
        layerLineTypes_.resize(std::size_t(index) + 1);
    layerLineTypes_[std::size_t(index)] = dxf::nameKey(name(trim(f.str(6, "CONTINUOUS"))));
}

void Builder::addLinetype(const DL_LinetypeData&) {
    Fields f;
    if (!current(f))
        return;
    const std::string n = name(f.str(2));
    const std::string key = dxf::nameKey(n);
    if (n.empty() || key == "CONTINUOUS" || key == "BYLAYER" || key == "BYBLOCK")
        return;
    // Dashes, gaps and dots as the drawing writes them: "6,-2,0,-2".
    std::string definition;
    for (const std::string_view v : f.all(49)) {
        double length = 0;
        if (!parseReal(v, length) || !std::isfinite(length))
            continue;
        char buffer[32];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, length);
        if (!definition.empty())
            definition += ',';
        definition.append(buffer, ec == std::errc() ? end : buffer);
    }
    LineStyle style{n, definition, parseLinePattern(definition)};
    if (const auto it = lineStyles_.find(key); it != lineStyles_.end() && it->second > 0) {
        d_.lineStyles[std::size_t(it->second)] = style;
    } else {
        d_.lineStyles.push_back(style);
        lineStyles_[key] = int(d_.lineStyles.size() - 1);
    }
}

void Builder::addTextStyle(const DL_StyleData&) {
    Fields f;
    if (!current(f))
        return;
    const std::string n = name(f.str(2));
    if (n.empty() || (f.integer(70, 0) & 1)) // shape files are no text styles
        return;
    TextStyle style;
    style.name = n;
    const std::string family = name(trim(f.xdata("ACAD", 1000)));
    const std::string file = name(trim(f.str(3)));
    std::string lower = file;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    if (!family.empty()) {
        style.font = family;
    } else if (lower.ends_with(".ttf") || lower.ends_with(".otf") || lower.ends_with(".ttc")) {
        style.font = file.substr(0, file.size() - 4);
    } else if (!file.empty()) {
        style.font = file;
        style.systemFont = false;
    } else {
        style.font = "DejaVu Sans";
    }
    const double width = f.real(41, 1);
    style.widthFactor = std::isfinite(width) && width > 0 ? width : 1;
    const double oblique = f.real(50, 0);
    style.oblique = std::isfinite(oblique) ? oblique : 0;
    const std::string key = dxf::nameKey(n);
    if (const auto it = textStyles_.find(key); it != textStyles_.end()) {
        d_.textStyles[std::size_t(it->second)] = style;
    } else {
        d_.textStyles.push_back(style);
        textStyles_[key] = int(d_.textStyles.size() - 1);
    }
}

void Builder::addBlock(const DL_BlockData&) {
    flush();
    Fields f;
    if (!current(f))
        return;
    if (inBlock_)
        endBlock();
    inBlock_ = true;
    blockName_ = name(f.str(2));
    blockBase_ = {f.real(10, 0), f.real(20, 0)};
    if (!finite(blockBase_))
        blockBase_ = {};
    blockFirst_ = d_.entities.size();
}

void Builder::endBlock() {
    flush();
    if (!inBlock_)
        return;
    inBlock_ = false;
    // A dimension's anonymous block (*D...) draws what the dimension itself draws here.
    const bool dimensionBlock = blockName_.size() > 2 && blockName_[0] == '*' &&
                                (blockName_[1] == 'D' || blockName_[1] == 'd');
    if (blockName_.empty() || dimensionBlock) {
        // A block without a name cannot be inserted: its entities go.
        std::vector<std::uint32_t> drawn;
        for (std::size_t h = blockFirst_; h < d_.entities.size(); ++h) {
            if (!d_.entities[h].has(EntityFlag::Deleted))
                drawn.push_back(std::uint32_t(h));
            d_.entities[h].set(EntityFlag::Deleted, true);
        }
        if (dimensionBlock)
            dimensionBlocks_[dxf::nameKey(blockName_)] = std::move(drawn);
        return;
    }
    const std::string key = dxf::nameKey(blockName_);
    // Inserted before: inserts in it that lead back to it go, a block may not contain itself.
    if (const auto it = blocks_.find(key); it != blocks_.end())
        for (std::size_t h = blockFirst_; h < d_.entities.size(); ++h) {
            Entity& e = d_.entities[h];
            if (e.type == EntityType::Insert && !e.has(EntityFlag::InBlock) &&
                !e.has(EntityFlag::Deleted) &&
                d_.wouldRecurse(it->second, d_.inserts[e.first].block)) {
                e.set(EntityFlag::Deleted, true);
                ++skipped_;
            }
        }
    const int index = d_.makeBlock(blockName_, blockBase_, blockFirst_);
    if (index >= 0) {
        blocks_[key] = index;
        return;
    }
    const int b = block(blockName_);
    d_.blocks[std::size_t(b)].base = blockBase_;
}

bool Builder::begin(Fields& f, Ocs* ocs) {
    flush();
    if (!current(f))
        return false;
    if (trim(f.xdata(kAppName, 1070)) == std::to_string(Mark::FillOf))
        return false; // the fill of an outline that follows; the outline carries it
    if (ocs) {
        double x = f.real(210, 0), y = f.real(220, 0), z = f.real(230, 1);
        const double length = std::sqrt(x * x + y * y + z * z);
        if (!std::isfinite(length) || length == 0)
            x = 0, y = 0, z = 1;
        else
            x /= length, y /= length, z /= length;
        ocs->usable = std::abs(x) < 1e-6 && std::abs(y) < 1e-6;
        ocs->mirrored = z < 0;
        if (!ocs->usable) { // a plane tilted against the drawing's
            reject();
            return false;
        }
    }
    const int l = layer(f.str(8, "0"));
    d_.current.layer = l;
    d_.current.lineStyle = lineStyle(f.str(6, "BYLAYER"), l);
    return true;
}

void Builder::attributesOf(const Fields& f, int handle, bool filled) {
    if (!selection_.sortTables.empty()) {
        if (sources_.size() <= std::size_t(handle))
            sources_.resize(std::size_t(handle) + 1, 0);
        sources_[std::size_t(handle)] = handleNumber(f.str(5));
    }
    Entity& e = d_.entities[std::size_t(handle)];
    OwnStyle own;
    const long aci = f.integer(62, dxf::kByLayer);
    if (f.has(420)) {
        e.set(EntityFlag::ColorByLayer, false);
        own.color = dxf::fromTrueColor(f.integer(420, 0));
    } else if (aci != dxf::kByLayer && aci != dxf::kByBlock && aci >= -255 && aci <= 255) {
        e.set(EntityFlag::ColorByLayer, false);
        own.color = dxf::aciColor(int(std::abs(aci)));
    }
    const long lw = f.integer(370, dxf::kLineweightByLayer);
    if (lw >= 0 && lw <= 1000) {
        e.set(EntityFlag::WidthByLayer, false);
        own.width = double(lw) / 100;
    }
    if (own != OwnStyle{})
        d_.setOwnStyle(std::size_t(handle), own);
    long marks = 0;
    parseInteger(f.xdata(kAppName, 1070, "0"), marks);
    if (filled || (marks & Mark::Filled))
        e.set(EntityFlag::Filled, true);
}

void Builder::addPoint(const DL_PointData& d) {
    Fields f;
    if (!begin(f))
        return;
    const Vec2 p{d.x, d.y};
    if (!finite(p))
        return reject();
    attributesOf(f, d_.addPoint({p}));
}

void Builder::addLine(const DL_LineData& d) {
    Fields f;
    if (!begin(f))
        return;
    const LineData l{{d.x1, d.y1}, {d.x2, d.y2}};
    if (!finite(l.a) || !finite(l.b))
        return reject();
    attributesOf(f, d_.addLine(l));
}

void Builder::addCircle(const DL_CircleData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    const CircleData c{ocs.map({d.cx, d.cy}), std::abs(d.radius)};
    if (!finite(c.centre) || !std::isfinite(c.radius))
        return reject();
    attributesOf(f, d_.addCircle(c));
}

void Builder::addArc(const DL_ArcData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    ArcData a{ocs.map({d.cx, d.cy}), std::abs(d.radius), d.angle1, d.angle2};
    if (ocs.mirrored)
        a.startAngle = ocs.angle(d.angle2), a.endAngle = ocs.angle(d.angle1);
    if (!finite(a.centre) || !std::isfinite(a.radius) || !std::isfinite(a.startAngle) ||
        !std::isfinite(a.endAngle))
        return reject();
    a.startAngle = normalisedDegrees(a.startAngle);
    a.endAngle = normalisedDegrees(a.endAngle);
    attributesOf(f, d_.addArc(a));
}

void Builder::addEllipse(const DL_EllipseData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    const double major = std::hypot(d.mx, d.my);
    const double ratio = d.ratio;
    if (!finite({d.cx, d.cy}) || !std::isfinite(major) || major <= 0 || !std::isfinite(ratio) ||
        ratio <= 0 || !std::isfinite(d.angle1) || !std::isfinite(d.angle2))
        return reject();
    EllipseData e;
    e.centre = {d.cx, d.cy};
    e.radiusX = major;
    e.radiusY = major * std::min(ratio, 1e6);
    e.rotation = normalisedDegrees(degrees(std::atan2(d.my, d.mx)));
    // Seen from below the parameters run clockwise: t there is -t here.
    double s = d.angle1, t = d.angle2;
    if (ocs.mirrored)
        s = -d.angle2, t = -d.angle1;
    if (std::abs(t - s) >= 2 * kPi - 1e-9 || std::abs(t - s) < 1e-12) {
        e.startAngle = 0;
        e.endAngle = 360;
    } else {
        e.startAngle = normalisedDegrees(degrees(s));
        e.endAngle = normalisedDegrees(degrees(t));
    }
    attributesOf(f, d_.addEllipse(e));
}

void Builder::quad(const DL_TraceData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    // The corners run 1, 2, 4, 3; a triangle repeats its third corner.
    std::vector<Vec2> v{{d.x[0], d.y[0]}, {d.x[1], d.y[1]}, {d.x[3], d.y[3]}, {d.x[2], d.y[2]}};
    if (v[2] == v[3])
        v.pop_back();
    for (Vec2& p : v) {
        p = ocs.map(p);
        if (!finite(p))
            return reject();
    }
    const int h = d_.addPolyline(v.data(), v.size(), true);
    attributesOf(f, h, true);
}

void Builder::addPolyline(const DL_PolylineData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    pending_ = Pending::Polyline;
    pendingFields_ = f;
    pendingOcs_ = ocs;
    if (d.flags & 8) // a 3D polyline is in world coordinates: seen from above
        pendingOcs_ = Ocs{};
    pendingClosed_ = (d.flags & 1) != 0;
    points_.clear();
    bulges_.clear();
    if (f.type() == "LWPOLYLINE") {
        // Its vertices: 10 starts one, 20 and 42 belong to the last one started.
        for (const Group& g : f.groups()) {
            double v = 0;
            if ((g.code != 10 && g.code != 20 && g.code != 42) || !parseReal(g.value, v))
                continue;
            if (g.code == 10) {
                points_.push_back({v, 0});
                bulges_.push_back(0);
            } else if (!points_.empty()) {
                (g.code == 20 ? points_.back().y : bulges_.back()) = v;
            }
        }
    }
}

void Builder::addVertex(const DL_VertexData& d) {
    if (pending_ != Pending::Polyline)
        return;
    points_.push_back({d.x, d.y});
    bulges_.push_back(d.bulge);
}

void Builder::addSpline(const DL_SplineData& d) {
    Fields f;
    if (!begin(f))
        return;
    pending_ = Pending::Spline;
    pendingFields_ = f;
    pendingOcs_ = Ocs{};
    pendingClosed_ = (d.flags & 1) != 0;
    splineDegree_ = d.degree > 0 && d.degree < 64 ? int(d.degree) : 3;
    control_.clear();
    fit_.clear();
    knots_.clear();
}

void Builder::addControlPoint(const DL_ControlPointData& d) {
    if (pending_ == Pending::Spline)
        control_.push_back({d.x, d.y, d.w});
}
void Builder::addFitPoint(const DL_FitPointData& d) {
    if (pending_ == Pending::Spline)
        fit_.push_back({d.x, d.y});
}
void Builder::addKnot(const DL_KnotData& d) {
    if (pending_ == Pending::Spline)
        knots_.push_back(d.k);
}

void Builder::addHatch(const DL_HatchData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    pending_ = Pending::Hatch;
    pendingFields_ = f;
    pendingOcs_ = ocs;
    hatch_ = HatchSpec{};
    hatch_.solid = d.solid;
    hatch_.pattern = name(trim(f.str(2)));
    hatch_.scale = std::isfinite(d.scale) && d.scale != 0 ? d.scale : 1;
    hatch_.angle = std::isfinite(d.angle) ? d.angle : 0;
    // The first pattern line tells where the pattern starts and whether it runs mirrored: its
    // direction is the definition's first direction turned by the hatch's angle, or that
    // direction mirrored.
    hatch_.origin = ocs.map({f.real(43, 0), f.real(44, 0)});
    if (!finite(hatch_.origin))
        hatch_.origin = {};
    const HatchPattern& pattern = patternNamed(hatch_.pattern);
    if (!hatch_.solid && f.has(53) && !pattern.lines.empty()) {
        const double first = f.real(53, 0) - hatch_.angle, own = pattern.lines.front().angle;
        const auto same = [](double a, double b) {
            const double d = std::fmod(std::abs(a - b), 360.0);
            return std::min(d, 360 - d) < 1e-6;
        };
        hatch_.mirrored = !same(first, own) && same(first, -own);
    }
    loops_.clear();
}

void Builder::addHatchLoop(const DL_HatchLoopData&) {
    if (pending_ == Pending::Hatch)
        loops_.emplace_back();
}

void Builder::addHatchEdge(const DL_HatchEdgeData& e) {
    if (pending_ != Pending::Hatch || loops_.empty() || !e.defined)
        return;
    std::vector<Vec2>& loop = loops_.back();
    if (loop.size() > std::size_t(kMaxCurvePoints) * 8)
        return;
    switch (e.type) {
    case 0: { // a polyline boundary
        std::vector<Vec2> v;
        std::vector<double> b;
        for (const auto& vertex : e.vertices)
            if (vertex.size() >= 2) {
                v.push_back({vertex[0], vertex[1]});
                b.push_back(vertex.size() >= 3 ? vertex[2] : 0);
            }
        const auto points = bulgedPolyline(v, b, true);
        loop.insert(loop.end(), points.begin(), points.end());
        break;
    }
    case 1:
        loop.push_back({e.x1, e.y1});
        loop.push_back({e.x2, e.y2});
        break;
    case 2: {
        // Clockwise arcs keep their angles as seen counter-clockwise from 360.
        const double sweep = sweepBetween(e.angle1, e.angle2);
        const double start = e.ccw ? e.angle1 : -e.angle1;
        const Vec2 c{e.cx, e.cy};
        loop.push_back({c.x + e.radius * std::cos(start), c.y + e.radius * std::sin(start)});
        appendArc(loop, c, e.radius, start, e.ccw ? sweep : -sweep);
        break;
    }
    case 3: {
        const double major = std::hypot(e.mx, e.my);
        if (!(major > 0) || !(e.ratio > 0) || !std::isfinite(major))
            break;
        const double p1 = ellipseParameter(e.ratio, e.angle1);
        const double p2 = ellipseParameter(e.ratio, e.angle2);
        const double sweep = sweepBetween(p1, p2) * (e.ccw ? 1 : -1);
        const double start = e.ccw ? p1 : -p1;
        const Vec2 minor{-e.my * e.ratio, e.mx * e.ratio};
        const int n = arcSegments(sweep);
        for (int i = 0; i <= n; ++i) {
            const double t = start + sweep * i / n;
            loop.push_back({e.cx + e.mx * std::cos(t) + minor.x * std::sin(t),
                            e.cy + e.my * std::cos(t) + minor.y * std::sin(t)});
        }
        break;
    }
    case 4: {
        std::vector<ControlPoint> cp;
        for (std::size_t i = 0; i < e.controlPoints.size(); ++i)
            if (e.controlPoints[i].size() >= 2)
                cp.push_back({e.controlPoints[i][0], e.controlPoints[i][1],
                              i < e.weights.size() ? e.weights[i] : 1.0});
        std::vector<Vec2> points;
        if (cp.size() >= 2) {
            points = bspline(int(std::min(e.degree, 64u)), cp, e.knots);
        } else {
            std::vector<Vec2> fit;
            for (const auto& p : e.fitPoints)
                if (p.size() >= 2)
                    fit.push_back({p[0], p[1]});
            points = throughPoints(fit);
        }
        loop.insert(loop.end(), points.begin(), points.end());
        break;
    }
    default:
        break;
    }
}

void Builder::addInsert(const DL_InsertData& d) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    const std::string blockName = name(f.str(2));
    const std::string key = dxf::nameKey(blockName);
    if (key.empty() || key.starts_with("*MODEL_SPACE") || key.starts_with("*PAPER_SPACE"))
        return reject();
    InsertData in;
    in.p = ocs.map({d.ipx, d.ipy});
    in.scaleX = d.sx;
    in.scaleY = d.sy;
    in.angle = f.real(50, 0);
    if (ocs.mirrored)
        in.angle = -in.angle, in.scaleX = -in.scaleX;
    if (!finite(in.p) || !std::isfinite(in.scaleX) || !std::isfinite(in.scaleY) ||
        !std::isfinite(in.angle) || in.scaleX == 0 || in.scaleY == 0)
        return reject();
    in.angle = normalisedDegrees(in.angle);
    in.block = block(blockName);
    // An array of inserts (MINSERT).
    const long columns = std::max(1L, f.integer(70, 1)), rows = std::max(1L, f.integer(71, 1));
    const double dx = f.real(44, 0), dy = f.real(45, 0);
    const long cells = columns <= kMaxArrayInsert && rows <= kMaxArrayInsert ? columns * rows : 0;
    const bool array = cells > 1 && cells <= kMaxArrayInsert && cells <= arrayBudget_ &&
                       std::isfinite(dx) && std::isfinite(dy);
    if (array)
        arrayBudget_ -= cells;
    const double c = std::cos(radians(in.angle)), s = std::sin(radians(in.angle));
    for (long r = 0; r < (array ? rows : 1); ++r)
        for (long k = 0; k < (array ? columns : 1); ++k) {
            InsertData one = in;
            const double u = double(k) * dx * (ocs.mirrored ? -1 : 1), v = double(r) * dy;
            one.p = {in.p.x + u * c - v * s, in.p.y + u * s + v * c};
            attributesOf(f, d_.addInsert(one));
        }
}

void Builder::textEntity(const Fields& f, const Ocs& ocs, int horizontal, int vertical) {
    TextSpec t;
    // Aligned and fitted texts run from the first point to the second.
    const bool between = horizontal == 3 || horizontal == 5;
    const bool anchored = (horizontal != 0 || vertical != 0) && !between && f.has(11);
    t.p = anchored ? Vec2{f.real(11, 0), f.real(21, 0)} : Vec2{f.real(10, 0), f.real(20, 0)};
    t.rotation = f.real(50, 0);
    if (between && f.has(11)) {
        const double dx = f.real(11, 0) - t.p.x, dy = f.real(21, 0) - t.p.y;
        if (dx != 0 || dy != 0)
            t.rotation = degrees(std::atan2(dy, dx));
    }
    t.p = ocs.map(t.p);
    t.rotation = ocs.angle(t.rotation);
    t.height = f.real(40, 2.5);
    if (!(t.height > 0))
        t.height = 2.5;
    t.oblique = f.real(51, 0);
    if (!finite(t.p) || !std::isfinite(t.height) || !std::isfinite(t.rotation))
        return reject();
    if (!std::isfinite(t.oblique))
        t.oblique = 0;
    t.rotation = normalisedDegrees(t.rotation);
    const int h = horizontal == 1 || horizontal == 2 ? horizontal : horizontal == 4 ? 1 : 0;
    const int v = horizontal == 4 ? 1 : vertical == 2 ? 1 : vertical == 3 ? 2 : 0;
    t.align = h + 3 * v;
    t.style = textStyle(f.str(7, "STANDARD"));
    t.text = text(f.str(1));
    attributesOf(f, d_.addText(std::move(t)));
}

void Builder::addText(const DL_TextData&) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    textEntity(f, ocs, int(f.integer(72, 0)), int(f.integer(73, 0)));
}

void Builder::addAttribute(const DL_AttributeData&) {
    Fields f;
    Ocs ocs;
    if (!begin(f, &ocs))
        return;
    if (f.integer(70, 0) & 1) // invisible
        return;
    textEntity(f, ocs, int(f.integer(72, 0)), int(f.integer(74, 0)));
}

void Builder::addMText(const DL_MTextData&) {
    Fields f;
    if (!begin(f))
        return;
    std::string raw;
    for (const std::string_view chunk : f.all(3))
        raw += chunk;
    raw += f.str(1);
    const Vec2 p{f.real(10, 0), f.real(20, 0)};
    double height = f.real(40, 2.5);
    if (!(height > 0))
        height = 2.5;
    double rotation = f.real(50, 0);
    if (f.has(11)) {
        const double dx = f.real(11, 1), dy = f.real(21, 0);
        if ((dx != 0 || dy != 0) && std::isfinite(dx) && std::isfinite(dy))
            rotation = degrees(std::atan2(dy, dx));
    }
    double spacing = f.real(44, 1);
    if (!(spacing > 0) || !std::isfinite(spacing))
        spacing = 1;
    if (!finite(p) || !std::isfinite(height) || !std::isfinite(rotation))
        return reject();
    long attachment = f.integer(71, 1);
    if (attachment < 1 || attachment > 9)
        attachment = 1;
    const int horizontal = int((attachment - 1) % 3), row = int((attachment - 1) / 3);
    const int vertical = row == 0 ? 2 : row == 1 ? 1 : 0;
    const auto paragraphs = dxf::mtextParagraphs(decoder_.decode(raw));
    // One text a line, one line height (5/3 of the letters) under the other.
    const double step = height * 5.0 / 3.0 * spacing;
    const double n = double(paragraphs.size());
    const double first = row == 0 ? 0 : row == 1 ? -(n - 1) / 2 : -(n - 1);
    const double a = radians(normalisedDegrees(rotation));
    const Vec2 down{std::sin(a), -std::cos(a)};
    const int layerIndex = d_.current.layer, styleIndex = d_.current.lineStyle;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        std::string line = dxf::oneLine(dxf::encodeCp1250(dxf::decodeEscapes(paragraphs[i], true)));
        if (line.empty())
            continue;
        const double offset = (first + double(i)) * step;
        TextSpec t;
        t.p = {p.x + down.x * offset, p.y + down.y * offset};
        if (!finite(t.p))
            continue;
        t.height = height;
        t.rotation = normalisedDegrees(rotation);
        t.align = horizontal + 3 * vertical;
        t.style = textStyle(f.str(7, "STANDARD"));
        t.text = std::move(line);
        d_.current.layer = layerIndex;
        d_.current.lineStyle = styleIndex;
        attributesOf(f, d_.addText(std::move(t)));
    }
}

void Builder::addImage(const DL_ImageData&) {
    Fields f;
    if (!begin(f))
        return;
    const auto def = selection_.imageDefs.find(upper(trim(f.str(340))));
    if (def == selection_.imageDefs.end())
        return reject();
    const Fields image(file_, file_.records[def->second]);
    const Vec2 p{f.real(10, 0), f.real(20, 0)};
    const Vec2 u{f.real(11, 1), f.real(21, 0)}, v{f.real(12, 0), f.real(22, 1)};
    const double pixelsX = f.real(13, 1), pixelsY = f.real(23, 1);
    ImageSpec im;
    im.p = p;
    im.width = u.x * pixelsX;
    im.height = v.y * pixelsY;
    // We place images upright and unturned.
    const bool upright = std::abs(u.y) <= 1e-9 * std::abs(u.x) &&
                         std::abs(v.x) <= 1e-9 * std::abs(v.y) && u.x > 0 && v.y > 0;
    if (!upright || !finite(p) || !std::isfinite(im.width) || !std::isfinite(im.height) ||
        im.width <= 0 || im.height <= 0)
        return reject();
    const std::u32string path = dxf::decodeEscapes(decoder_.decode(image.str(1)), false);
    im.path = QFile::encodeName(QString::fromStdU32String(path)).toStdString();
    attributesOf(f, d_.addImage(im));
}

void Builder::addPolylineOf(const Fields& f, std::vector<Vec2> points, bool closed, long marks,
                            std::vector<double> bulges) {
    if (points.empty())
        return reject();
    for (const Vec2& p : points)
        if (!finite(p))
            return reject();
    const bool arcs = std::any_of(bulges.begin(), bulges.end(), isArcBulge);
    if (arcs) {
        bulges.resize(points.size(), 0.0);
        attributesOf(f, d_.addPolyline(points.data(), points.size(), bulges.data(), closed));
        return;
    }
    if ((marks & Mark::Rectangle) && closed && points.size() == 4) {
        // Our rectangle: centre, sides and turn from its corners.
        RectangleData r;
        r.centre = {(points[0].x + points[1].x + points[2].x + points[3].x) / 4,
                    (points[0].y + points[1].y + points[2].y + points[3].y) / 4};
        r.width = std::hypot(points[1].x - points[0].x, points[1].y - points[0].y);
        r.height = std::hypot(points[3].x - points[0].x, points[3].y - points[0].y);
        r.rotation = normalisedDegrees(
            degrees(std::atan2(points[1].y - points[0].y, points[1].x - points[0].x)));
        if (finite(r.centre) && std::isfinite(r.width) && std::isfinite(r.height)) {
            attributesOf(f, d_.addRectangle(r));
            return;
        }
    }
    attributesOf(f, d_.addPolyline(points.data(), points.size(), closed));
}

// Our sector: a closed LWPOLYLINE of its centre and the start, middle and end of its arc. False
// when the vertices are not of one.
bool Builder::addSectorOf(const Fields& f, const std::vector<Vec2>& vertices) {
    if (vertices.size() != 4)
        return false;
    for (const Vec2& p : vertices)
        if (!finite(p))
            return false;
    const Vec2 c = vertices[0];
    const auto direction = [&](Vec2 p) {
        return normalisedDegrees(degrees(std::atan2(p.y - c.y, p.x - c.x)));
    };
    const double start = direction(vertices[1]), middle = direction(vertices[2]);
    const double end = direction(vertices[3]);
    const auto ccw = [](double from, double to) { return normalisedDegrees(to - from); };
    ArcData a{c, std::hypot(vertices[1].x - c.x, vertices[1].y - c.y), start, end};
    // Seen from below the arc runs clockwise from its first end: the other way round here.
    if (ccw(start, middle) > ccw(start, end) && start != end)
        std::swap(a.startAngle, a.endAngle);
    if (!std::isfinite(a.radius))
        return false;
    attributesOf(f, d_.addSector(a));
    return true;
}

void Builder::flush() {
    const Pending kind = pending_;
    pending_ = Pending::None;
    const Fields& f = pendingFields_;
    switch (kind) {
    case Pending::None:
        return;
    case Pending::Polyline: {
        long marks = 0;
        parseInteger(f.xdata(kAppName, 1070, "0"), marks);
        restoreLayer(f);
        if ((marks & Mark::Sector) && pendingClosed_) {
            std::vector<Vec2> vertices;
            for (const Vec2& p : points_)
                vertices.push_back(pendingOcs_.map(p));
            if (addSectorOf(f, vertices))
                return;
        }
        // Arc segments stay arcs: the vertices with their bulges (seen from below, an arc
        // turns the other way round).
        std::vector<Vec2> points;
        std::vector<double> bulges;
        for (std::size_t i = 0; i < points_.size(); ++i) {
            points.push_back(pendingOcs_.map(points_[i]));
            const double b = i < bulges_.size() ? bulges_[i] : 0;
            bulges.push_back(
                std::isfinite(b) && std::abs(b) <= 1e6 ? (pendingOcs_.mirrored ? -b : b) : 0.0);
        }
        // A closed polyline ending where it starts keeps that vertex only once.
        if (pendingClosed_ && points.size() > 1 && points.front() == points.back()) {
            points.pop_back();
            bulges.pop_back();
        }
        addPolylineOf(f, std::move(points), pendingClosed_, marks, std::move(bulges));
        return;
    }
    case Pending::Spline: {
        restoreLayer(f);
        // A spline with fit points is a curve through them, as ours are.
        if (!fit_.empty()) {
            for (const Vec2& p : fit_)
                if (!finite(p))
                    return reject();
            attributesOf(f, d_.addSpline(fit_.data(), fit_.size(), pendingClosed_));
            return;
        }
        // Others are followed along their control points.
        if (control_.size() < 2)
            return reject();
        std::vector<Vec2> points = bspline(splineDegree_, control_, knots_);
        // A closed spline ends where it starts: a closed polyline.
        bool closed = pendingClosed_ && points.size() > 2;
        if (closed &&
            std::hypot(points.front().x - points.back().x, points.front().y - points.back().y) <=
                1e-9 * (std::abs(points.front().x) + std::abs(points.front().y) + 1))
            points.pop_back();
        addPolylineOf(f, std::move(points), closed, 0);
        return;
    }
    case Pending::Hatch: {
        std::vector<Vec2> all;
        for (auto& loop : loops_) {
            // Edges meet end to start: each point once, and no closing repeat.
            std::vector<Vec2> points;
            for (const Vec2& v : loop)
                if (const Vec2 p = pendingOcs_.map(v); points.empty() || !(points.back() == p))
                    points.push_back(p);
            while (points.size() > 1 && points.front() == points.back())
                points.pop_back();
            bool ok = points.size() >= 3;
            for (const Vec2& p : points)
                ok = ok && finite(p);
            if (!ok)
                continue;
            hatch_.loops.push_back(std::uint32_t(points.size()));
            all.insert(all.end(), points.begin(), points.end());
        }
        if (all.empty())
            return reject();
        restoreLayer(f);
        attributesOf(f, d_.addHatch(all.data(), all.size(), hatch_));
        return;
    }
    }
}

// Sets what the variables of a dimension style (by their group codes in DIMSTYLE) say, in a
// DIMSTYLE or among a dimension's own overrides: `value(code)` gives one's text, nothing for
// one that stays as it is. Sizes are millimetres on paper as ours. Not the text placement.
void readStyleVariables(DimensionStyle& style,
                        const std::function<std::optional<std::string_view>(int)>& value) {
    const auto real = [&value](int code) -> std::optional<double> {
        double v = 0;
        const auto text = value(code);
        return text && parseReal(*text, v) && std::isfinite(v) ? std::optional(v) : std::nullopt;
    };
    const auto integer = [&](int code) -> std::optional<long> {
        long v = 0;
        if (const auto text = value(code); text && parseInteger(*text, v))
            return v;
        const auto r = real(code);
        return r && std::abs(*r) < 2e9 ? std::optional(long(*r)) : std::nullopt;
    };
    const auto size = [&real](int code, double& v) {
        if (const auto read = real(code); read && *read >= 0 && *read < 1e6)
            v = *read;
    };
    size(41, style.arrowLength);
    size(42, style.extensionOffset);
    size(44, style.extensionBeyond);
    size(45, style.roundOff);
    size(140, style.textHeight);
    if (const auto gap = real(147); gap && std::abs(*gap) < 1e6) {
        style.textGap = std::abs(*gap);
        style.frame = *gap < 0;
    }
    if (const auto factor = real(144); factor && *factor != 0)
        style.scaleValue = std::abs(*factor);
    // DIMTSZ: ticks of that size instead of arrowheads.
    if (const auto tick = real(142); tick && *tick > 0 && *tick < 1e6) {
        style.arrowhead = Arrowhead::Oblique;
        style.arrowLength = *tick;
    }
    // DIMCEN: a mark of that size, with lines through the circle when negative; 0 none.
    if (const auto centre = real(141); centre && std::abs(*centre) < 1e6) {
        style.centreMark = *centre == 0  ? CentreMark::None
                           : *centre < 0 ? CentreMark::Line
                                         : CentreMark::Mark;
        if (*centre != 0)
            style.centreMarkSize = std::abs(*centre);
    }
    const bool tolerance =
        integer(71).value_or(style.toleranceUpper != 0 || style.toleranceLower != 0) != 0;
    const double plus = real(47).value_or(style.toleranceUpper),
                 minus = real(48).value_or(style.toleranceLower);
    style.toleranceUpper = tolerance ? plus : 0;
    style.toleranceLower = tolerance ? minus : 0;
    if (const auto decimals = integer(271))
        style.decimals = int(std::clamp(*decimals, 0L, 8L));
    if (const auto separator = integer(278); separator == '.' || separator == ',')
        style.decimalSeparator = char(*separator);
    if (const auto zeros = integer(78))
        style.suppressTrailingZeros = (*zeros & 8) != 0;
    if (const auto horizontal = integer(73))
        style.horizontalText = *horizontal != 0;
    // DIMCLRD, DIMCLRE, DIMCLRT: palette colours of the parts; by block (0) and by layer (256)
    // are the dimension's own colour, which a style with colours of its own cannot say.
    for (const auto& [code, colour] : {std::pair{176, &style.dimensionLineColor},
                                       {177, &style.extensionLineColor},
                                       {178, &style.textColor}})
        if (const auto aci = integer(code); aci && *aci >= 1 && *aci <= 255) {
            style.ownColors = true;
            *colour = dxf::aciColor(int(*aci));
        }
}

// The index of the dimension style of that name; a style of the plain settings under that
// name when the drawing has none yet.
int Builder::dimensionStyle(std::string_view raw) {
    const std::string n = name(raw);
    if (n.empty())
        return 0;
    const std::string key = dxf::nameKey(n);
    std::size_t i = 0;
    while (i < d_.dimensionStyles.size() && dxf::nameKey(d_.dimensionStyles[i].name) != key)
        ++i;
    if (i == d_.dimensionStyles.size()) {
        DimensionStyle plain;
        plain.name = n;
        d_.dimensionStyles.push_back(plain);
    }
    if (dimensionStylesRead_.insert(key).second) {
        DimensionStyle& style = d_.dimensionStyles[i];
        // Its settings from the DIMSTYLE of that name; sizes are millimetres on paper as ours.
        for (const Record& r : file_.records) {
            if (r.type != "DIMSTYLE")
                continue;
            const Fields t(file_, r);
            if (dxf::nameKey(name(t.str(2))) != key)
                continue;
            readStyleVariables(style, [&t](int code) -> std::optional<std::string_view> {
                const Group* g = t.find(code);
                return g ? std::optional(g->value) : std::nullopt;
            });
            style.placement = dxf::placementOfDimtad(t.integer(77, 1));
            if (const Group* post = t.find(3))
                style.contents = contents(post->value);
            arrowheadOf(t, style);
            ownStyleData(t, style);
            break;
        }
    }
    return int(i);
}

// The arrowhead of a DIMSTYLE by the name of its block (DIMBLK: a block record's handle, 342,
// or the name itself, 5, in older files), unless it has ticks (DIMTSZ).
void Builder::arrowheadOf(const Fields& t, DimensionStyle& style) {
    if (t.real(142, 0) > 0)
        return;
    std::string_view block = t.str(5);
    if (const Group* g = t.find(342))
        for (const Record& r : file_.records)
            if (r.type == "BLOCK_RECORD") {
                const Fields b(file_, r);
                if (handleNumber(b.str(5)) == handleNumber(g->value)) {
                    block = b.str(2);
                    break;
                }
            }
    const std::string key = upper(trim(block));
    if (key.empty() || key == "_CLOSEDFILLED")
        style.arrowhead = Arrowhead::ClosedFilled;
    else if (key.starts_with("_OPEN"))
        style.arrowhead = Arrowhead::Open;
    else if (key == "_OBLIQUE" || key == "_ARCHTICK")
        style.arrowhead = Arrowhead::Oblique;
    else if (key.starts_with("_DOT"))
        style.arrowhead = Arrowhead::Dot;
    else if (key == "_NONE")
        style.arrowhead = Arrowhead::None;
}

// What a DIMSTYLE this program wrote keeps in its own extended data (see the writer): the
// arrowhead, its width, the line inside and angle texts along the radius, the text style, the
// own colours exactly.
void Builder::ownStyleData(const Fields& t, DimensionStyle& style) {
    std::vector<const Group*> data;
    bool inApp = false;
    for (const Group& g : t.groups()) {
        if (g.code == 1001)
            inApp = trim(g.value) == kAppName;
        else if (inApp)
            data.push_back(&g);
    }
    const auto at = [&data](std::size_t i, int code) {
        return i < data.size() && data[i]->code == code ? data[i] : nullptr;
    };
    long v = 0;
    double r = 0;
    if (const Group* g = at(0, 1070);
        g && parseInteger(g->value, v) && v >= 0 && v < kArrowheadCount)
        style.arrowhead = Arrowhead(v);
    if (const Group* g = at(1, 1040);
        g && parseReal(g->value, r) && std::isfinite(r) && r >= 0 && r < 1e6)
        style.arrowHeight = r;
    if (const Group* g = at(2, 1070); g && parseInteger(g->value, v)) {
        style.showLineInside = (v & 1) != 0;
        style.perpendicularToArc = (v & 2) != 0;
    }
    if (const Group* g = at(3, 1000))
        style.textStyle = textStyle(g->value);
    for (const auto& [i, colour] : {std::pair{std::size_t(4), &style.dimensionLineColor},
                                    {std::size_t(5), &style.extensionLineColor},
                                    {std::size_t(6), &style.textColor}})
        if (const Group* g = at(i, 1071); g && style.ownColors && parseInteger(g->value, v))
            *colour = std::uint32_t(v) & 0xFFFFFFu;
}

// The value a dimension overrides a variable of its style with (the variable by its group code
// in DIMSTYLE): in the ACAD application's extended data, after 1000 "DSTYLE", between 1002 "{"
// and "}", pairs of 1070 the code and a group of the value.
std::optional<std::string_view> styleOverride(const Fields& f, int code) {
    bool inApp = false, named = false, inList = false;
    const auto groups = f.groups();
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& g = groups[i];
        if (g.code == 1001) {
            inApp = trim(g.value) == "ACAD";
            named = inList = false;
        } else if (!inApp) {
            continue;
        } else if (g.code == 1000 && !inList) {
            named = trim(g.value) == "DSTYLE";
        } else if (g.code == 1002) {
            inList = named && trim(g.value) == "{";
            named = false;
        } else if (inList && g.code == 1070 && i + 1 < groups.size()) {
            long which = 0;
            if (parseInteger(g.value, which) && which == code)
                return groups[i + 1].value;
            ++i; // the value of another
        }
    }
    return std::nullopt;
}

// A DIMENSION by its kind (70) and definition points: the points of lengths (13, 14) and the
// dimension line's (10); of angles the lines (13-14, 15-10) or the vertex (15) and legs (13,
// 14) with the arc's point (16 or 10); of circles the centre (10) or the far end of the
// diameter (10) and the point on the circle (15); of ordinates the feature (13), the leader's
// end (14) and the origin (10). Its text (1), style (3), the text's place (11) when the file
// says it was placed by hand, and its own text placement among its style overrides.
void Builder::dimension() {
    Fields f;
    if (!begin(f))
        return;
    const auto at = [&f](int code) { return Vec2{f.real(code, 0), f.real(code + 10, 0)}; };
    const long flags = f.integer(70, 0);
    DimensionData d;
    switch (flags & 0x0F) {
    case 0: { // rotated: horizontal or vertical, turned by what is left of the angle
        const double angle = f.real(50, 0);
        double turn = std::fmod(angle, 180.0);
        if (turn < 0)
            turn += 180;
        const bool vertical = std::abs(turn - 90) < 1e-9;
        d.kind = vertical ? DimensionKind::Vertical : DimensionKind::Horizontal;
        d.rotation = vertical || turn < 1e-9 || turn > 180 - 1e-9 ? 0 : turn;
        d.points = {at(13), at(14), at(10)};
        // Turned along its own points (as some programs write aligned ones): aligned.
        double direction = std::fmod(
            degrees(std::atan2(d.points[1].y - d.points[0].y, d.points[1].x - d.points[0].x)),
            180.0);
        if (direction < 0)
            direction += 180;
        if (d.rotation != 0 && std::abs(direction - turn) < 1e-9) {
            d.kind = DimensionKind::Parallel;
            d.rotation = 0;
        }
        break;
    }
    case 1:
        d.kind = DimensionKind::Parallel;
        d.points = {at(13), at(14), at(10)};
        break;
    case 2:
        d.kind = DimensionKind::Angular;
        d.points = {at(13), at(14), at(15), at(10), at(16)};
        break;
    case 3: {
        const Vec2 far = at(10), near = at(15);
        d.kind = DimensionKind::Diametric;
        d.points = {Vec2{(far.x + near.x) / 2, (far.y + near.y) / 2}, near};
        break;
    }
    case 4:
        d.kind = DimensionKind::Radial;
        d.points = {at(10), at(15)};
        break;
    case 5:
        d = angularAtVertex(at(15), at(13), at(14), at(10));
        break;
    case 6:
        d.kind = (flags & 64) != 0 ? DimensionKind::OrdinateX : DimensionKind::OrdinateY;
        d.points = {at(13), at(14)};
        d.origin = at(10);
        break;
    default:
        return dimensionAsDrawn(f);
    }
    for (const Vec2 p : d.points)
        if (!finite(p))
            return reject();
    if (!finite(d.origin))
        d.origin = {};
    if ((flags & 128) != 0 && finite(at(11)))
        d.textPosition = at(11);
    d.text = text(f.str(1));
    d.style = dimensionStyle(f.str(3, "Standard"));
    d.style = overriddenStyle(f, d.style);
    long tad = 0;
    if (const auto over = styleOverride(f, 77); over && parseInteger(trim(*over), tad)) {
        const TextPlacement p = dxf::placementOfDimtad(tad);
        d.placement = p == TextPlacement::Centred ? PlacementOverride::Centred
                      : p == TextPlacement::Below ? PlacementOverride::Below
                                                  : PlacementOverride::Above;
    }
    attributesOf(f, d_.addDimension(d));
}

// The style a dimension is shown in: its style with the variables the dimension overrides (see
// styleOverride), a style of its own beside it (named after it, "Standard (2)") when they change
// anything; dimensions overriding alike share one.
int Builder::overriddenStyle(const Fields& f, int index) {
    const DimensionStyle& base = d_.dimensionStyles[std::size_t(index)];
    DimensionStyle style = base;
    readStyleVariables(style, [&f](int code) { return styleOverride(f, code); });
    if (const auto post = styleOverride(f, 3))
        style.contents = contents(*post);
    if (style == base)
        return index;
    for (const int derived : derivedStyles_) {
        style.name = d_.dimensionStyles[std::size_t(derived)].name;
        if (style.name.starts_with(base.name + " (") &&
            style == d_.dimensionStyles[std::size_t(derived)])
            return derived;
    }
    // A name no style has, nor any DIMSTYLE of the file.
    std::set<std::string> names;
    for (const DimensionStyle& s : d_.dimensionStyles)
        names.insert(dxf::nameKey(s.name));
    for (const Record& r : file_.records)
        if (r.type == "DIMSTYLE")
            names.insert(dxf::nameKey(name(Fields(file_, r).str(2))));
    int n = 2;
    do
        style.name = base.name + " (" + std::to_string(n++) + ")";
    while (names.count(dxf::nameKey(style.name)) != 0);
    d_.dimensionStyles.push_back(std::move(style));
    derivedStyles_.push_back(int(d_.dimensionStyles.size() - 1));
    return derivedStyles_.back();
}

// A DIMENSION of a kind we do not know: what its block (2) draws, on the dimension's layer
// where the block's entities are on layer 0 (as an insertion of the block shows them).
void Builder::dimensionAsDrawn(const Fields& f) {
    const auto it = dimensionBlocks_.find(dxf::nameKey(name(f.str(2))));
    if (it == dimensionBlocks_.end() || it->second.empty() || inBlock_)
        return reject();
    const int own = d_.current.layer; // the dimension's (begin())
    const auto zero = layers_.find("0");
    for (const std::uint32_t h : it->second) {
        Entity& e = d_.entities[h];
        e.set(EntityFlag::Deleted, false);
        if (zero != layers_.end() && e.layer == zero->second)
            e.layer = std::uint16_t(own);
    }
    it->second.clear(); // drawn once
}

void Builder::finish() {
    flush();
    if (inBlock_)
        endBlock();
    if (!selection_.clayer.empty()) {
        const auto it = layers_.find(dxf::nameKey(name(selection_.clayer)));
        d_.current.layer = it == layers_.end() ? 0 : it->second;
    } else {
        d_.current.layer = 0;
    }
    d_.current.lineStyle = 0;
    d_.settings.units = dxf::unitsFromInsunits(int(std::clamp(selection_.insunits, -1L, 100L)));
    // The print scale the file's dimensions are sized for, when it says so.
    const double scale = selection_.dimscale * millimetresPerUnit(d_.settings.units);
    if (scale > 0 && std::isfinite(scale) && scale < 1e9)
        d_.settings.printScale = scale;
    applySortTable();
    d_.modified = false;
}

void Builder::applySortTable() {
    const std::uint64_t modelSpace = handleNumber(selection_.modelSpaceRecord);
    if (modelSpace == 0)
        return;
    std::map<std::uint64_t, std::uint64_t> table;
    for (const std::size_t i : selection_.sortTables) {
        table = sortHandles(Fields(file_, file_.records[i]), modelSpace);
        if (!table.empty())
            break;
    }
    if (table.empty())
        return;
    // The model space's entities by sort handle; one that came of no record of its own stays
    // after the one before it.
    struct Item {
        std::uint64_t sort;
        std::uint32_t handle;
    };
    std::vector<Item> items;
    std::uint64_t last = 0;
    for (std::size_t h = 0; h < d_.entities.size(); ++h) {
        if (!d_.inModelSpace(int(h)))
            continue;
        const std::uint64_t source = h < sources_.size() ? sources_[h] : 0;
        if (source != 0) {
            const auto it = table.find(source);
            // A sort handle of 0 is drawn last, as the programs that write it draw it.
            last = it == table.end() ? source
                   : it->second == 0 ? std::numeric_limits<std::uint64_t>::max()
                                     : it->second;
        }
        items.push_back({last, std::uint32_t(h)});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.sort < b.sort; });
    bool moved = false;
    for (std::size_t i = 1; i < items.size() && !moved; ++i)
        moved = items[i].handle < items[i - 1].handle;
    if (!moved)
        return;
    // Keys: the model space's entities by their places, the others (of blocks, deleted) after
    // them in handle order.
    const auto n = std::int64_t(d_.entities.size());
    d_.orderKeys.assign(d_.entities.size(), 0);
    for (std::int64_t h = 0; h < n; ++h)
        d_.orderKeys[std::size_t(h)] = n + h;
    for (std::size_t place = 0; place < items.size(); ++place)
        d_.orderKeys[items[place].handle] = std::int64_t(place);
    d_.orderChanged();
}

} // namespace

bool looksDxf(std::string_view b) {
    if (b.starts_with("\xEF\xBB\xBF"))
        b.remove_prefix(3);
    std::size_t i = 0;
    while (i < b.size() && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n'))
        ++i;
    auto line = [&](std::string_view& out) {
        if (i >= b.size())
            return false;
        const std::size_t end = b.find('\n', i);
        if (end == std::string_view::npos)
            return false;
        out = trim(b.substr(i, end - i));
        i = end + 1;
        return true;
    };
    std::string_view code, value;
    if (!line(code))
        return false;
    if (code == "999")
        return true;
    if (code != "0" || !line(value))
        return false;
    return value == "SECTION";
}

DxfReadResult loadDxf(const std::string& path) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(FileError::Kind::CannotOpen,
                        "Cannot open " + path + ": " + file.errorString().toStdString());
    // Straight into the string the reading keeps.
    std::string bytes;
    for (qint64 chunk = std::max<qint64>(file.size(), 1 << 16);; chunk = 1 << 20) {
        const std::size_t at = bytes.size();
        bytes.resize(at + std::size_t(chunk));
        const qint64 n = file.read(bytes.data() + at, chunk);
        bytes.resize(at + std::size_t(std::max<qint64>(n, 0)));
        if (n < 0)
            throw FileError(FileError::Kind::CannotOpen,
                            "Cannot read " + path + ": " + file.errorString().toStdString());
        if (n == 0)
            break;
    }
    return readDxf(std::move(bytes), path);
}

DxfReadResult readDxf(std::string bytes, const std::string& name) {
    const DxfFile dxf(std::move(bytes), name);
    const Selection selection = select(dxf);
    DxfReadResult result;
    result.drawing = std::make_unique<Drawing>();
    Builder builder(dxf, selection, *result.drawing);
    CleanStream buffer(dxf, selection);
    std::istream stream(&buffer);
    DL_Dxf reader;
    if (!reader.in(stream, &builder))
        damaged(name, "dxflib could not read it");
    builder.finish();
    result.skipped = selection.skipped + builder.skipped();
    return result;
}

} // namespace cad
