// The entities of a drawing. Every entity has a fixed-size record; polylines and hatch
// boundaries keep their vertices in the drawing's shared vertex array (16 bytes a vertex), the
// other kinds keep their geometry in a table of their own, indexed by the record.
#pragma once

#include "engine/model/Geometry.h"

#include <cstdint>
#include <string>
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
};
inline constexpr int kFirstEntityType = 20;
inline constexpr int kEntityTypeCount = 11;
inline bool isEntityType(int t) {
    return t >= kFirstEntityType && t < kFirstEntityType + kEntityTypeCount;
}

namespace EntityFlag {
inline constexpr std::uint8_t Deleted = 0x01;
inline constexpr std::uint8_t Selected = 0x02;
inline constexpr std::uint8_t ColorByLayer = 0x04;
inline constexpr std::uint8_t WidthByLayer = 0x08;
inline constexpr std::uint8_t Filled = 0x10;
inline constexpr std::uint8_t Closed = 0x20;
// Flags that a file keeps; selection and deletion are not stored.
inline constexpr std::uint8_t Stored = ColorByLayer | WidthByLayer | Filled | Closed;
} // namespace EntityFlag

inline constexpr std::int32_t kModelSpace = -1;

struct Entity {
    EntityType type = EntityType::Point;
    std::uint8_t flags = EntityFlag::ColorByLayer | EntityFlag::WidthByLayer;
    std::uint8_t fit = 0; // polyline: 0 straight segments
    std::uint8_t reserved = 0;
    std::int32_t layer = 0;
    std::int32_t lineStyle = 0;
    std::uint32_t color = 0;          // own colour, 0x00BBGGRR
    double width = 0;                 // own width, mm
    std::int32_t owner = kModelSpace; // the block it belongs to, or kModelSpace
    std::uint32_t count = 0;          // polyline, hatch: number of vertices
    std::uint64_t first = 0;          // polyline: first vertex; others: index into their table

    bool has(std::uint8_t f) const { return (flags & f) != 0; }
    void set(std::uint8_t f, bool on) { flags = on ? (flags | f) : (flags & ~f); }
};
static_assert(sizeof(Entity) == 40);

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
struct TextData {
    Vec2 p;
    double height = 1, rotation = 0, oblique = 0;
    std::int32_t align = 0;
    std::int32_t style = 0;
    std::string text; // Windows-1250 bytes
};
struct HatchData {
    std::uint64_t firstVertex = 0; // boundary vertices in the drawing's vertex array
    std::string pattern;           // Windows-1250 bytes; ignored when solid
    bool solid = true;
    double scale = 1, angle = 0;
    std::vector<std::uint32_t> loops; // vertex count of each boundary loop, in order
};
struct ImageData {
    std::string path; // file-system bytes
    Vec2 p;
    double width = 0, height = 0;
};

} // namespace cad
