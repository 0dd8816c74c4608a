// Arithmetic on points and directions, for the geometry sources that use it. Kept in a namespace
// of its own, brought in with `using namespace cad::vectorops;` inside a source file, so that
// files with helpers of their own never see two of them.
#pragma once

#include "engine/model/Geometry.h"

#include <cmath>

namespace cad::vectorops {

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator-(Vec2 a) {
    return {-a.x, -a.y};
}
inline Vec2 operator*(Vec2 a, double s) {
    return {a.x * s, a.y * s};
}
inline Vec2 operator*(double s, Vec2 a) {
    return {a.x * s, a.y * s};
}
inline double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
inline double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}
// Lengths without guarding against overflow: drawing coordinates are far from 1e150.
inline double norm(Vec2 a) {
    return std::sqrt(a.x * a.x + a.y * a.y);
}
inline double dist(Vec2 a, Vec2 b) {
    return norm({a.x - b.x, a.y - b.y});
}
// The direction turned a quarter counter-clockwise: the left side of a way along `a`.
inline Vec2 perp(Vec2 a) {
    return {-a.y, a.x};
}
inline Vec2 unit(Vec2 a) {
    const double n = norm(a);
    return n > 0 ? Vec2{a.x / n, a.y / n} : Vec2{};
}
inline Vec2 rotated(Vec2 a, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
inline Vec2 lerp(Vec2 a, Vec2 b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}
inline bool finite(Vec2 a) {
    return std::isfinite(a.x) && std::isfinite(a.y);
}
// The angle in (-π, π] that turns `from` onto `to`.
inline double angleBetween(Vec2 from, Vec2 to) {
    return std::atan2(cross(from, to), dot(from, to));
}

} // namespace cad::vectorops
