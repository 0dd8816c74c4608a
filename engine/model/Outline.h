// What an entity looks like as straight lines, in drawing units: the paths it draws and the
// areas it fills, with curves followed within a tolerance and block insertions giving their
// block's entities where they stand. Picking, selecting and snapping look at entities through
// it.
#pragma once

#include "engine/model/Affine.h"
#include "engine/model/Drawing.h"

#include <cstdint>
#include <span>
#include <vector>

namespace cad {

struct Outline {
    struct Path {
        std::uint32_t first = 0, count = 0; // in points
        bool closed = false;
        bool area = false; // what it encloses is filled (paths of one entity: odd-even)
    };
    std::vector<Vec2> points;
    std::vector<Path> paths;

    void clear() {
        points.clear();
        paths.clear();
    }
    std::span<const Vec2> pointsOf(const Path& p) const {
        return {points.data() + p.first, p.count};
    }
};

// Adds the outline of a live entity to `out`; nothing for an invalid handle.
void outlineOf(const Drawing& d, int handle, double tolerance, Outline& out);
// The same for an entity placed by a map (an entity of a block inside an insertion).
void outlineOf(const Drawing& d, int handle, const Affine& map, double tolerance, Outline& out,
               int depth = 0);

// The points of an arc of a circle from `startDegrees` over `sweepDegrees` (counter-clockwise
// when positive), its ends included, no point farther than `tolerance` from the arc.
void arcPoints(Vec2 centre, double radius, double startDegrees, double sweepDegrees,
               double tolerance, std::vector<Vec2>& out);
// The points of a polyline whose segments may be arcs (see Drawing::bulgesOf): its vertices,
// and between the ends of each arc segment points that follow it within `tolerance`; a closed
// one does not repeat its first point at the end. Arcs whose box misses `within` (when given)
// are given by their ends alone: what is not seen needs no points.
void polylinePoints(std::span<const Vec2> vertices, BulgeView bulges, bool closed, double tolerance,
                    std::vector<Vec2>& out, const Rect* within = nullptr);
// The same for an entity of the drawing (a polyline; the vertices of others as they are).
void polylinePoints(const Drawing& d, const Entity& e, double tolerance, std::vector<Vec2>& out,
                    const Rect* within = nullptr);
// The same for an elliptic arc; angles are the ellipse's parameter.
void ellipsePoints(const EllipseData& e, double startDegrees, double sweepDegrees, double tolerance,
                   std::vector<Vec2>& out);

} // namespace cad
