// The entities the modify tools change, as the curves of model/Curve.h, and those curves made
// entities again with the look of the entity they came from.
#pragma once

#include "engine/edit/DrawingWriter.h"
#include "engine/model/Affine.h"
#include "engine/model/Curve.h"

#include <optional>
#include <vector>

namespace cad {

// A polyline as a path of straight and arc segments (its bulges; all 0 without arcs).
Path polylinePath(const Drawing& d, const Entity& e);
// A path's vertices, and the bulge of each one's segment.
std::vector<Vec2> pathPoints(const Path& p);
std::vector<double> pathBulges(const Path& p);

// The curve a live entity is: lines, arcs, circles, ellipses, splines, polylines (as drawn:
// straight and arc segments), rectangles as closed polylines. Nothing for the other kinds.
std::optional<Curve> curveOf(const Drawing& d, int handle);

// The curve placed by a map that keeps shapes (a similarity, mirrored or not); nothing for one
// that stretches unevenly.
std::optional<Curve> mappedCurve(const Curve& c, const Affine& m);

// The curves an entity shows, where it shows them, for cutting and boundary edges: its own
// curve; a sector's arc and its two radii; the entities of a block insertion (those of nested
// ones too) placed by it, each as the curve it is, or, under a map that stretches unevenly, as
// polylines that follow it within a ten-thousandth of its size. Entities on hidden layers, texts,
// points, images and hatches give nothing.
void edgeCurves(const Drawing& d, int handle, std::vector<Curve>& out);

// A new entity of the curve (a line, an arc, a circle, an ellipse, a spline or a polyline) with
// the layer, line style, colour and width of the entity `like`; its handle.
int addCurveLike(DrawingWriter& w, const Curve& c, std::uint32_t like);
// The entity made to show the curve: changed in place when the curve is of its kind, else erased
// and a new entity of the curve's kind made with its look. The handle that shows the curve.
int replaceWithCurve(DrawingWriter& w, std::uint32_t handle, const Curve& c);

} // namespace cad
