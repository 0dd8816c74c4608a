// Which entities a point, a rectangle, a polygon or a line of picked points reaches: the tests
// that picking and the ways of selecting share. Distances and tolerances are in drawing units.
#pragma once

#include "engine/model/Drawing.h"
#include "engine/model/Outline.h"

#include <functional>
#include <span>
#include <vector>

namespace cad {

bool pointInPolygon(std::span<const Vec2> polygon, Vec2 p);
bool segmentsIntersect(Vec2 a, Vec2 b, Vec2 c, Vec2 d);
bool segmentMeetsRect(Vec2 a, Vec2 b, const Rect& r);

// An entity a person may pick: live, of the drawing itself, on a layer shown and not locked.
bool selectable(const Drawing& d, int handle);

// How far p lies from what the entity shows, 0 inside what it fills; infinite for an invalid
// handle. Curves are followed within `tolerance`.
double distanceTo(const Drawing& d, int handle, Vec2 p, double tolerance);
// Wholly inside the rectangle.
bool insideRect(const Drawing& d, int handle, const Rect& r);
// Inside it or crossing its edge.
bool touchesRect(const Drawing& d, int handle, const Rect& r, double tolerance);
// Wholly inside the polygon (a closed line through the points).
bool insidePolygon(const Drawing& d, int handle, std::span<const Vec2> polygon, double tolerance);
// Crossed by the line through the points (or, for what it fills, touched by it).
bool crossedByPath(const Drawing& d, int handle, std::span<const Vec2> path, double tolerance);

// The selectable entity nearest to p within `reach` by a distance of the caller's (infinite
// for entities it does not take); on equal distances the later one. -1 when there is none.
int nearestEntity(const Drawing& d, Vec2 p, double reach,
                  const std::function<double(int)>& distance);
// The entity a person picks at p: the selectable one nearest, within `reach`; on equal
// distances the later one, which is drawn over the other. -1 when there is none.
int entityAt(const Drawing& d, Vec2 p, double reach);

// The points by which a selected entity is shown and held: ends, vertices, fit points,
// centres, corners, insertion points.
std::vector<Vec2> gripPoints(const Drawing& d, int handle);

enum class AreaRule { Inside, Touching };
// The selectable entities inside (or touching) a rectangle, in drawing order.
std::vector<std::uint32_t> entitiesInRect(const Drawing& d, const Rect& r, AreaRule rule,
                                          double tolerance);
// The selectable entities wholly inside a polygon.
std::vector<std::uint32_t> entitiesInPolygon(const Drawing& d, std::span<const Vec2> polygon,
                                             double tolerance);
// The selectable entities a line of points crosses.
std::vector<std::uint32_t> entitiesCrossed(const Drawing& d, std::span<const Vec2> path,
                                           double tolerance);
// The selectable entities that come within `distance` of p.
std::vector<std::uint32_t> entitiesNear(const Drawing& d, Vec2 p, double distance,
                                        double tolerance);

} // namespace cad
