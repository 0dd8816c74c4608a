// Holding an entity by one of its grips (the points gripPoints() gives, by their order there)
// and moving that point: a line's end, a vertex, a circle's centre or a point of its edge, a
// corner. The geometry is taken out of the drawing, changed, and put back in place, so a
// preview can show the change before the drawing has it.
#pragma once

#include "engine/edit/DrawingWriter.h"
#include "engine/model/Drawing.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace cad {

// One grip of one entity.
struct GripRef {
    int handle = -1;
    std::size_t index = 0;
    friend bool operator==(const GripRef&, const GripRef&) = default;
};

// The geometry of one entity, as far as its grips move it. Only the part of its kind counts.
struct GripShape {
    EntityType type = EntityType::Point;
    bool closed = false;
    std::vector<Vec2> vertices; // polyline, spline fit points, hatch boundary
    std::vector<double> bulges; // of a polyline with arcs (its vertices move, its bulges stay)
    Vec2 p;                     // point, text, insertion
    LineData line;
    CircleData circle;
    ArcData arc; // arc, sector
    EllipseData ellipse;
    RectangleData rectangle;
    ImageData image;
    DimensionRecord dimension;
};

// The geometry of a live entity; nothing for an invalid handle.
std::optional<GripShape> gripShape(const Drawing& d, int handle);
// Moves the grip of that index to `to`: a line's middle, a centre move the whole entity; a
// circle's edge sets its radius; an arc's end or middle makes the arc through the three
// points; a corner of a rectangle or an image moves with the opposite corner kept; a
// dimension's definition point moves (the point of a radius or diameter round its circle), its
// last grip places its text. False
// when that grip does not exist or the shape would degenerate (then it stays as it was).
bool moveGrip(GripShape& shape, std::size_t index, Vec2 to);
// Writes the geometry back over the entity's own (vertex counts stay as they are).
void putShape(EntityChange& entity, const GripShape& shape);

// The grip of the given entities nearest to p within `reach`, later entities first on equal
// distances.
std::optional<GripRef> gripNear(const Drawing& d, std::span<const std::uint32_t> handles, Vec2 p,
                                double reach);

// The vertices of a polyline or a spline after a vertex is added after vertex `index`, in
// the middle of the segment that follows it (for the last vertex of an open one, the segment
// before it), or after vertex `index` is removed; nothing when the entity has no such vertex
// or would keep fewer than two.
std::optional<std::vector<Vec2>> withVertexInserted(const Drawing& d, int handle,
                                                    std::size_t index);
std::optional<std::vector<Vec2>> withVertexRemoved(const Drawing& d, int handle, std::size_t index);
// The bulges that go with those vertices (empty for a polyline without arcs): an arc split at
// its middle gives two arcs of half its sweep; the segment that takes the place of the two
// around a vertex removed is straight.
std::vector<double> bulgesWithVertexInserted(const Drawing& d, int handle, std::size_t index);
std::vector<double> bulgesWithVertexRemoved(const Drawing& d, int handle, std::size_t index);

} // namespace cad
