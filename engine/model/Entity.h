// The entities of a drawing. Every entity has a small fixed-size record; polylines, the fit
// points of splines and hatch boundaries keep their vertices in the drawing's shared vertex
// array (16 bytes a vertex), the other kinds keep their geometry in a table of their own,
// indexed by the record. Every
// geometry record is plain data, so that a change can be kept and given back by copying bytes.
#pragma once

#include "engine/model/Geometry.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace cad {

// The numbers are those of CAD_ENT_... in CadApi.h.
enum class EntityType : std::uint8_t {
    Point = 20,
    Line = 21,
    Polyline = 22,
    Circle = 23,
    Arc = 24,
    Ellipse = 25,
    Rectangle = 26,
    Insert = 27,
    Text = 28,
    Hatch = 29,
    Image = 30,
    Spline = 31,    // a smooth curve through its fit points (see Spline.h)
    Sector = 32,    // an arc closed through its centre
    Dimension = 33, // a dimension (see Dimension.h): its record in the drawing's table of them
};
inline constexpr int kFirstEntityType = 20;
inline constexpr int kEntityTypeCount = 14;
inline bool isEntityType(int t) {
    return t >= kFirstEntityType && t < kFirstEntityType + kEntityTypeCount;
}
// The kinds that enclose an area and can be drawn filled.
inline bool canBeFilled(EntityType t) {
    return t == EntityType::Polyline || t == EntityType::Circle || t == EntityType::Ellipse ||
           t == EntityType::Rectangle || t == EntityType::Sector;
}

namespace EntityFlag {
inline constexpr std::uint8_t Deleted = 0x01;
inline constexpr std::uint8_t Selected = 0x02;
inline constexpr std::uint8_t ColorByLayer = 0x04;
inline constexpr std::uint8_t WidthByLayer = 0x08;
inline constexpr std::uint8_t Filled = 0x10;
inline constexpr std::uint8_t Closed = 0x20;
// The entity belongs to a block (the block's list names it), not to the drawing itself.
inline constexpr std::uint8_t InBlock = 0x40;
// A polyline (of straight segments, fit 0) some of whose segments are arcs: its vertices are
// followed in the vertex store by their bulges (see storedVertices). Polylines without arcs
// never have it and keep their vertices alone.
inline constexpr std::uint8_t Bulges = 0x80;
// Flags that a file keeps; selection and deletion are not stored.
inline constexpr std::uint8_t Stored =
    ColorByLayer | WidthByLayer | Filled | Closed | InBlock | Bulges;
} // namespace EntityFlag

inline constexpr std::int32_t kModelSpace = -1;

// Layers and line styles are indexed by 16 bits in entity records.
inline constexpr int kMostLayers = 65535;
inline constexpr int kMostLineStyles = 65535;

struct Entity {
    EntityType type = EntityType::Point;
    std::uint8_t flags = EntityFlag::ColorByLayer | EntityFlag::WidthByLayer;
    std::uint8_t fit = 0; // polyline: 0 straight segments
    std::uint8_t reserved = 0;
    std::uint16_t layer = 0;
    std::uint16_t lineStyle = 0;
    std::uint32_t first = 0; // polyline, spline: first vertex; others: index into their table
    std::uint32_t count = 0; // polyline, spline, hatch: number of vertices; text: bytes of its
                             // string

    bool has(std::uint8_t f) const { return (flags & f) != 0; }
    void set(std::uint8_t f, bool on) {
        flags = static_cast<std::uint8_t>(on ? (flags | f) : (flags & ~f));
    }
};
static_assert(sizeof(Entity) == 16 && std::is_trivially_copyable_v<Entity>);

// How many places of the vertex store an entity's vertices take: a polyline with arcs keeps
// after its n vertices the bulge of each segment (tan(sweep / 4), the segment from vertex i to
// the next; see model/Path.h), two to a place: bulge i in place n + i / 2, as its x when i is
// even, its y when odd.
inline std::uint64_t bulgePlaces(std::uint32_t vertices) {
    return (std::uint64_t(vertices) + 1) / 2;
}
inline std::uint64_t storedVertices(const Entity& e) {
    return e.type == EntityType::Polyline && e.has(EntityFlag::Bulges)
               ? e.count + bulgePlaces(e.count)
               : e.count;
}

// Bulges smaller than this are straight segments: the arc would stray from the chord by less
// than a billionth of its length.
inline constexpr double kStraightBulge = 1e-9;
inline bool isArcBulge(double bulge) {
    return bulge > kStraightBulge || bulge < -kStraightBulge;
}

// The bulges of a polyline's segments where they lie in the vertex store; 0 for every segment
// of a polyline without arcs.
class BulgeView {
public:
    BulgeView() = default;
    BulgeView(const Vec2* places, std::uint32_t count) : places_(places), count_(count) {}
    // Bulges one after the other, as a path keeps them.
    BulgeView(const double* plain, std::size_t count)
        : plain_(plain), count_(static_cast<std::uint32_t>(count)) {}
    // Whether the polyline keeps bulges at all.
    bool any() const { return places_ != nullptr || plain_ != nullptr; }
    double operator[](std::size_t i) const {
        if (i >= count_)
            return 0;
        if (plain_)
            return plain_[i];
        if (!places_)
            return 0;
        return i % 2 ? places_[i / 2].y : places_[i / 2].x;
    }

private:
    const Vec2* places_ = nullptr;
    const double* plain_ = nullptr;
    std::uint32_t count_ = 0;
};

// The same, for changing them in place.
class BulgeRef {
public:
    BulgeRef() = default;
    BulgeRef(Vec2* places, std::uint32_t count) : places_(places), count_(count) {}
    bool any() const { return places_ != nullptr; }
    std::uint32_t size() const { return places_ ? count_ : 0; }
    double operator[](std::size_t i) const { return BulgeView(places_, count_)[i]; }
    void set(std::size_t i, double bulge) {
        if (places_ && i < count_)
            (i % 2 ? places_[i / 2].y : places_[i / 2].x) = bulge;
    }

private:
    Vec2* places_ = nullptr;
    std::uint32_t count_ = 0;
};

// An entity's own colour and width, used where it is not "by layer".
struct OwnStyle {
    std::uint32_t color = 0; // 0x00BBGGRR
    std::uint32_t reserved = 0;
    double width = 0; // mm
    friend bool operator==(const OwnStyle&, const OwnStyle&) = default;
};

// Bytes kept in the drawing's character pool (texts, hatch pattern names, image paths).
struct PooledText {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

struct PointData {
    Vec2 p;
};
struct LineData {
    Vec2 a, b;
};
struct CircleData {
    Vec2 centre;
    double radius = 0;
};
// An arc, and a sector: the arc closed by the two radii to its ends.
struct ArcData {
    Vec2 centre;
    double radius = 0;
    double startAngle = 0, endAngle = 0; // degrees, counter-clockwise from start to end
};
struct EllipseData {
    Vec2 centre;
    double radiusX = 0, radiusY = 0, rotation = 0;
    double startAngle = 0, endAngle = 360;
};
struct RectangleData {
    Vec2 centre;
    double width = 0, height = 0, rotation = 0;
};
struct InsertData {
    std::int32_t block = 0;
    Vec2 p;
    double scaleX = 1, scaleY = 1, angle = 0;
};
// How texts look; a drawing keeps each different set once and texts name theirs.
struct TextParams {
    double height = 1, rotation = 0, oblique = 0;
    std::int32_t align = 0;
    std::int32_t style = 0;
    friend bool operator==(const TextParams&, const TextParams&) = default;
};
// A text: its string (Windows-1250 bytes) lies in the character pool at `chars`, as long as
// the entity's count says.
struct TextData {
    Vec2 p;
    std::uint32_t chars = 0;
    std::uint32_t params = 0; // index into the drawing's text parameters
};
struct HatchData {
    std::uint64_t firstVertex = 0; // boundary vertices in the drawing's vertex array
    PooledText pattern;            // Windows-1250 bytes; ignored when solid
    std::uint32_t firstLoop = 0;   // vertex counts of the boundary loops, in the loop array
    std::uint32_t loopCount = 0;
    std::uint32_t solid = 1;
    // The pattern is its definition mirrored across its own x axis before it is scaled and
    // turned (a hatch that was mirrored).
    std::uint32_t mirrored = 0;
    double scale = 1, angle = 0;
    // Where the pattern's lines start from: the pattern moves with the hatch.
    Vec2 origin;
};
struct ImageData {
    PooledText path; // file-system bytes
    Vec2 p;
    double width = 0, height = 0;
};

static_assert(std::is_trivially_copyable_v<TextData> && std::is_trivially_copyable_v<HatchData> &&
              std::is_trivially_copyable_v<ImageData> && sizeof(TextData) == 24);

// What a text, hatch or image is made of, for building one (the drawing pools the bytes).
struct TextSpec {
    Vec2 p;
    double height = 1, rotation = 0, oblique = 0;
    std::int32_t align = 0;
    std::int32_t style = 0;
    std::string text;
    TextParams params() const { return {height, rotation, oblique, align, style}; }
};
struct HatchSpec {
    std::string pattern;
    bool solid = true;
    double scale = 1, angle = 0;
    std::vector<std::uint32_t> loops;
    Vec2 origin;
    bool mirrored = false;
};
struct ImageSpec {
    std::string path;
    Vec2 p;
    double width = 0, height = 0;
};

} // namespace cad
