// Points and rectangles in drawing units.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad {

struct Vec2 {
    double x = 0, y = 0;
    friend bool operator==(const Vec2&, const Vec2&) = default;
};

// An axis-aligned rectangle; empty until a point is added. Non-finite values never enter it,
// so extents stay finite whatever the entities hold.
struct Rect {
    double left = std::numeric_limits<double>::infinity();
    double bottom = std::numeric_limits<double>::infinity();
    double right = -std::numeric_limits<double>::infinity();
    double top = -std::numeric_limits<double>::infinity();

    bool empty() const { return left > right || bottom > top; }
    double width() const { return empty() ? 0 : right - left; }
    double height() const { return empty() ? 0 : top - bottom; }
    Vec2 centre() const { return {left / 2 + right / 2, bottom / 2 + top / 2}; }
    void add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
    void add(Vec2 p) { add(p.x, p.y); }
    void add(const Rect& r) {
        if (!r.empty()) {
            add(r.left, r.bottom);
            add(r.right, r.top);
        }
    }
    bool intersects(const Rect& r) const {
        return !empty() && !r.empty() && left <= r.right && r.left <= right && bottom <= r.top &&
               r.bottom <= top;
    }
    bool contains(const Rect& r) const {
        return !r.empty() && left <= r.left && r.right <= right && bottom <= r.bottom &&
               r.top <= top;
    }
};

inline constexpr double kPi = 3.14159265358979323846;
inline double radians(double degrees) {
    return degrees * kPi / 180.0;
}
// An angle in degrees brought into [0, 360); 0 for one that is not finite.
inline double normalisedDegrees(double a) {
    if (!std::isfinite(a))
        return 0;
    a = std::fmod(a, 360.0);
    if (a < 0)
        a += 360.0;
    return a < 360.0 ? a : 0.0; // a tiny negative angle rounds up to a whole turn
}
// The sweep from one angle to another, counter-clockwise, in (0, 360].
inline double sweepDegrees(double start, double end) {
    double sweep = normalisedDegrees(end) - normalisedDegrees(start);
    if (sweep <= 0)
        sweep += 360;
    return sweep;
}

} // namespace cad
