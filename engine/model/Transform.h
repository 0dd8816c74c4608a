// Moving, turning, scaling and mirroring entities: a similarity applied to each kind's
// geometry so that it stays what it was (arcs keep running counter-clockwise, texts stay
// readable, rectangles, ellipses and insertions keep their angles and scales).
#pragma once

#include "engine/edit/DrawingWriter.h"
#include "engine/model/Affine.h"
#include "engine/model/Drawing.h"

namespace cad {

struct Similarity {
    Affine map;          // where points go
    double turn = 0;     // degrees directions turn by (without a mirror)
    double scale = 1;    // lengths grow by
    bool mirror = false; // across the line at `axis` degrees (through the map's fixed points)
    double axis = 0;

    static Similarity translation(Vec2 by);
    static Similarity rotation(Vec2 centre, double degrees);
    static Similarity scaling(Vec2 centre, double factor);
    static Similarity mirroring(Vec2 a, Vec2 b);

    // Where a direction of that angle goes (degrees).
    double angle(double degrees) const { return mirror ? 2 * axis - degrees : degrees + turn; }
    Vec2 apply(Vec2 p) const { return map.apply(p); }
};

// Applies the similarity to the geometry of an entity, in place. Texts take parameters of the
// drawing's table, made anew where needed.
void transformEntity(EntityChange& entity, const Similarity& s);
// The same for a live entity of the writer's drawing (nothing for an invalid handle).
void transformEntity(DrawingWriter& w, int handle, const Similarity& s);

// A copy of a live entity (of the drawing itself or of a block) as a new entity of the drawing
// itself with the same record and own style; its handle.
int duplicateEntity(DrawingWriter& w, int handle);

} // namespace cad
