#include "engine/model/Construct.h"

#include <cmath>

namespace cad {

double directionDegrees(Vec2 a, Vec2 b) {
    if (a == b)
        return 0;
    double d = std::atan2(b.y - a.y, b.x - a.x) * 180.0 / kPi;
    if (d < 0)
        d += 360;
    return d >= 360 ? 0 : d;
}

std::optional<CircleData> circleThrough(Vec2 a, Vec2 b, Vec2 c) {
    // Relative to a, so that coordinates far from the origin keep their digits.
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double d = 2 * (bx * cy - by * cx);
    const double scale = std::max({std::abs(bx), std::abs(by), std::abs(cx), std::abs(cy)});
    if (!(std::abs(d) > 1e-12 * scale * scale) || !std::isfinite(d))
        return std::nullopt;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (cy * b2 - by * c2) / d, uy = (bx * c2 - cx * b2) / d;
    return CircleData{{a.x + ux, a.y + uy}, std::hypot(ux, uy)};
}

std::optional<ArcData> arcThrough(Vec2 start, Vec2 middle, Vec2 end) {
    const auto circle = circleThrough(start, middle, end);
    if (!circle)
        return std::nullopt;
    const Vec2 c = circle->centre;
    const double s = directionDegrees(c, start), m = directionDegrees(c, middle),
                 e = directionDegrees(c, end);
    const auto ccw = [](double from, double to) { return std::fmod(to - from + 720.0, 360.0); };
    // Counter-clockwise from the start, the middle comes before the end: the arc runs that way.
    if (ccw(s, m) <= ccw(s, e))
        return ArcData{c, circle->radius, s, e};
    return ArcData{c, circle->radius, e, s};
}

ArcData arcAbout(Vec2 centre, Vec2 start, Vec2 end) {
    return ArcData{centre, std::hypot(start.x - centre.x, start.y - centre.y),
                   directionDegrees(centre, start), directionDegrees(centre, end)};
}

} // namespace cad
