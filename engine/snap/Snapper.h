// Finding the point a person means near the cursor. One query of the drawing's index around the
// cursor (the aperture: a number of pixels at the view's scale) gives the entities near it;
// each way of finding a point (a small class of its own) offers its candidates among their
// shapes, and the candidate nearest to the cursor on screen wins. Lining up with the base
// point comes next, then the nearest point of an entity, then the steps of length and angle
// from the base point, and the grid last. Points found are exact: the entities' own
// coordinates, or computed from their data.
#pragma once

#include "engine/model/Curves.h"
#include "engine/model/Drawing.h"
#include "engine/snap/SnapSettings.h"

#include <QPointF>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace cad {

struct SnapResult {
    Vec2 point;
    SnapKind kind = SnapKind::None;
    // Which entity of the drawing and which of its points the snap found (an end, a middle, a
    // centre, a point, where two entities meet, a perpendicular's foot); nothing for the other
    // ways and for points inside blocks. A dimension ties its point to it.
    std::optional<PointTie> on;
    friend bool operator==(const SnapResult&, const SnapResult&) = default;
};

// What a snap is asked about.
struct SnapQuery {
    Vec2 cursor;
    double unitsPerPixel = 1;
    std::optional<Vec2> base; // the point the command works from
    SnapSettings settings;
    bool objects = true; // false: the grid only (nothing asks for a point)
};

// What the ways of finding a point look at.
struct SnapScene {
    Vec2 cursor;
    double aperture = 0; // drawing units
    std::optional<Vec2> base;
    const SnapSettings* settings = nullptr;
    const DrawingSettings* drawing = nullptr;
    ShapeSet shapes; // of the entities the index found around the cursor
};

struct SnapCandidate {
    Vec2 point;
    SnapKind kind;
    double distance; // from the cursor, drawing units
};

// One way of finding a point.
class SnapMode {
public:
    virtual ~SnapMode() = default;
    virtual SnapKind kind() const = 0;
    // Whether it looks at the entities near the cursor.
    virtual bool needsShapes() const { return true; }
    // Adds the points it finds: within the aperture, or (the steps and the grid) wherever the
    // cursor leads.
    virtual void offer(const SnapScene& scene, std::vector<SnapCandidate>& out) const = 0;
};

// The way of finding a point of each kind (End to Polar).
const SnapMode& snapMode(SnapKind kind);

class Snapper {
public:
    SnapResult snap(const Drawing& d, const SnapQuery& q);
    // How many entities the last snap looked at (for measuring).
    std::size_t lastCandidates() const { return found_.size(); }

private:
    SnapScene scene_;
    std::vector<std::uint32_t> found_;
    std::vector<SnapCandidate> candidates_;
};

// Draws the mark of a kind of snap centred at a pixel; tracking also shows the line from the
// base point.
void paintSnapMarker(QPainter& p, QPointF at, SnapKind kind, std::optional<QPointF> base);

} // namespace cad
