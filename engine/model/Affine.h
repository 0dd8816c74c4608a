// A 2D affine map: x' = a x + c y + e, y' = b x + d y + f (the layout of QTransform).
#pragma once

#include "engine/model/Geometry.h"

#include <cmath>

namespace cad {

struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Vec2 apply(Vec2 p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // This map after `inner`: (this ∘ inner)(p) = this(inner(p)).
    Affine after(const Affine& inner) const {
        return {a * inner.a + c * inner.b,     b * inner.a + d * inner.b,
                a * inner.c + c * inner.d,     b * inner.c + d * inner.d,
                a * inner.e + c * inner.f + e, b * inner.e + d * inner.f + f};
    }
    // How much the map stretches lengths, on average over the two axes.
    double scale() const { return (std::hypot(a, b) + std::hypot(c, d)) / 2; }

    static Affine translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // The map that places a block's entities where an insertion shows them.
    static Affine insertion(Vec2 at, double degrees, double scaleX, double scaleY, Vec2 base) {
        return translation(at.x, at.y)
            .after(rotation(degrees))
            .after(scaling(scaleX, scaleY))
            .after(translation(-base.x, -base.y));
    }
    static Affine rotation(double degrees) {
        const double r = radians(degrees), cs = std::cos(r), sn = std::sin(r);
        return {cs, sn, -sn, cs, 0, 0};
    }
};

} // namespace cad
