#include "engine/model/Outline.h"

#include "engine/model/DimensionEntity.h"
#include "engine/model/Path.h"
#include "engine/model/Spline.h"

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

constexpr int kMaxDepth = 16;
constexpr int kMostArcPoints = 2048;

// Steps along an arc of that radius so that no chord strays farther than the tolerance.
int stepsFor(double radius, double sweepDegrees, double tolerance) {
    const double r = std::abs(radius);
    if (!(r > 0) || !std::isfinite(r))
        return 1;
    const double t = std::clamp(tolerance / r, 1e-12, 1.0);
    const double step = 2 * std::acos(1 - t); // radians a chord may span
    const double n = std::ceil(std::abs(radians(sweepDegrees)) / std::max(step, 1e-6));
    return static_cast<int>(std::clamp(n, 4.0, double(kMostArcPoints)));
}

class Builder {
public:
    Builder(const Drawing& d, double tolerance, Outline& out)
        : d_(d), tolerance_(tolerance), out_(out) {}

    void entity(int handle, const Affine& m, int depth) {
        if (!d_.valid(handle))
            return;
        const Entity& e = d_.entities[static_cast<std::size_t>(handle)];
        const bool filled = e.has(EntityFlag::Filled);
        // Tolerances apply in drawing units: inside a scaled insertion they shrink.
        const double scale = std::max(m.scale(), 1e-300);
        const double tol = tolerance_ / scale;
        switch (e.type) {
        case EntityType::Point:
            begin();
            add(m, d_.points[e.first].p);
            end(false, false);
            break;
        case EntityType::Line:
            begin();
            add(m, d_.lines[e.first].a);
            add(m, d_.lines[e.first].b);
            end(false, false);
            break;
        case EntityType::Polyline: {
            const Vec2* v = d_.vertexData(e);
            if (d_.bulgesOf(e).any()) { // arcs followed within the tolerance
                curve(m, [&](std::vector<Vec2>& p) { polylinePoints(d_, e, tol, p); });
                end(e.has(EntityFlag::Closed), filled);
                break;
            }
            begin();
            for (std::uint32_t i = 0; i < e.count; ++i)
                add(m, v[i]);
            end(e.has(EntityFlag::Closed), filled);
            break;
        }
        case EntityType::Circle: {
            const CircleData& c = d_.circles[e.first];
            curve(m, [&](std::vector<Vec2>& p) { arcPoints(c.centre, c.radius, 0, 360, tol, p); });
            end(true, filled);
            break;
        }
        case EntityType::Arc: {
            const ArcData& a = d_.arcs[e.first];
            curve(m, [&](std::vector<Vec2>& p) {
                arcPoints(a.centre, a.radius, a.startAngle, sweepDegrees(a.startAngle, a.endAngle),
                          tol, p);
            });
            end(false, false);
            break;
        }
        case EntityType::Sector: {
            const ArcData& a = d_.sectors[e.first];
            curve(m, [&](std::vector<Vec2>& p) {
                p.push_back(a.centre);
                arcPoints(a.centre, a.radius, a.startAngle, sweepDegrees(a.startAngle, a.endAngle),
                          tol, p);
            });
            end(true, filled);
            break;
        }
        case EntityType::Spline: {
            const bool closed = e.has(EntityFlag::Closed);
            curve(m, [&](std::vector<Vec2>& p) {
                splinePoints({d_.vertexData(e), e.count}, closed, tol, p);
            });
            end(closed, false);
            break;
        }
        case EntityType::Ellipse: {
            const EllipseData& el = d_.ellipses[e.first];
            const double sweep = sweepDegrees(el.startAngle, el.endAngle);
            curve(m,
                  [&](std::vector<Vec2>& p) { ellipsePoints(el, el.startAngle, sweep, tol, p); });
            end(sweep >= 360, filled && sweep >= 360);
            break;
        }
        case EntityType::Rectangle: {
            const RectangleData& r = d_.rectangles[e.first];
            const Affine local = m.after(Affine::translation(r.centre.x, r.centre.y))
                                     .after(Affine::rotation(r.rotation));
            const double w = r.width / 2, h = r.height / 2;
            begin();
            for (const Vec2 p : {Vec2{-w, -h}, Vec2{w, -h}, Vec2{w, h}, Vec2{-w, h}})
                add(local, p);
            end(true, filled);
            break;
        }
        case EntityType::Text: {
            // The box the text stands in: picked anywhere inside it.
            const TextData& t = d_.texts[e.first];
            const TextParams& p = d_.paramsOf(t);
            const double w = 0.6 * p.height * static_cast<double>(e.count), h = p.height;
            const int horizontal = p.align % 3, vertical = p.align / 3;
            const double dx = horizontal == 1 ? -w / 2 : horizontal == 2 ? -w : 0;
            const double dy = vertical == 1 ? -h / 2 : vertical == 2 ? -h : 0;
            const Affine local =
                m.after(Affine::translation(t.p.x, t.p.y)).after(Affine::rotation(p.rotation));
            begin();
            for (const Vec2 q :
                 {Vec2{dx, dy}, Vec2{dx + w, dy}, Vec2{dx + w, dy + h}, Vec2{dx, dy + h}})
                add(local, q);
            end(true, true);
            break;
        }
        case EntityType::Hatch: {
            const Vec2* v = d_.vertexData(e);
            std::uint64_t at = 0;
            for (const std::uint32_t n : d_.loopsOf(d_.hatches[e.first])) {
                if (n == 0 || at + n > e.count)
                    break;
                begin();
                for (std::uint32_t i = 0; i < n; ++i)
                    add(m, v[at + i]);
                end(true, true);
                at += n;
            }
            break;
        }
        case EntityType::Image: {
            const ImageData& im = d_.images[e.first];
            begin();
            for (const Vec2 q :
                 {im.p, Vec2{im.p.x + im.width, im.p.y},
                  Vec2{im.p.x + im.width, im.p.y + im.height}, Vec2{im.p.x, im.p.y + im.height}})
                add(m, q);
            end(true, true);
            break;
        }
        case EntityType::Dimension: {
            // Its lines and arcs; its arrowheads and the box of its text are picked inside.
            const DimensionGeometry g = dimensionGeometryOf(d_, e);
            for (const auto* lines : {&g.lines, &g.extensionLines})
                for (const LineData& l : *lines) {
                    begin();
                    add(m, l.a);
                    add(m, l.b);
                    end(false, false);
                }
            for (const ArcData& a : g.arcs) {
                curve(m, [&](std::vector<Vec2>& p) {
                    arcPoints(a.centre, a.radius, a.startAngle,
                              sweepDegrees(a.startAngle, a.endAngle), tol, p);
                });
                end(false, false);
            }
            for (const auto& t : g.triangles) {
                begin();
                for (const Vec2 p : t)
                    add(m, p);
                end(true, true);
            }
            for (const CircleData& c : g.dots) {
                curve(m,
                      [&](std::vector<Vec2>& p) { arcPoints(c.centre, c.radius, 0, 360, tol, p); });
                end(true, true);
            }
            if (g.text) {
                begin();
                for (const Vec2 p : g.text->frame)
                    add(m, p);
                end(true, true);
            }
            break;
        }
        case EntityType::Insert: {
            const InsertData& in = d_.inserts[e.first];
            if (depth >= kMaxDepth || in.block < 0 ||
                static_cast<std::size_t>(in.block) >= d_.blocks.size())
                break;
            const Block& b = d_.blocks[static_cast<std::size_t>(in.block)];
            const Affine inner =
                m.after(Affine::insertion(in.p, in.angle, in.scaleX, in.scaleY, b.base));
            for (const std::uint32_t h : b.entities)
                entity(static_cast<int>(h), inner, depth + 1);
            break;
        }
        }
    }

private:
    void begin() { first_ = static_cast<std::uint32_t>(out_.points.size()); }
    void add(const Affine& m, Vec2 p) { out_.points.push_back(m.apply(p)); }
    void end(bool closed, bool area) {
        const auto count = static_cast<std::uint32_t>(out_.points.size()) - first_;
        if (count > 0)
            out_.paths.push_back({first_, count, closed, area && count > 2});
    }
    template <typename Make> void curve(const Affine& m, Make make) {
        begin();
        scratch_.clear();
        make(scratch_);
        for (const Vec2 p : scratch_)
            add(m, p);
    }

    const Drawing& d_;
    double tolerance_;
    Outline& out_;
    std::uint32_t first_ = 0;
    std::vector<Vec2> scratch_;
};

} // namespace

void arcPoints(Vec2 centre, double radius, double startDegrees, double sweepDegrees,
               double tolerance, std::vector<Vec2>& out) {
    const int n = stepsFor(radius, sweepDegrees, tolerance);
    for (int i = 0; i <= n; ++i) {
        const double a = radians(startDegrees + sweepDegrees * i / n);
        out.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
}

void polylinePoints(std::span<const Vec2> v, BulgeView bulges, bool closed, double tolerance,
                    std::vector<Vec2>& out, const Rect* within) {
    const std::size_t n = v.size();
    if (n == 0)
        return;
    const std::size_t segments = n < 2 ? 0 : closed ? n : n - 1;
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(v[i]);
        if (i >= segments || !isArcBulge(bulges[i]))
            continue;
        const PathSegment s{v[i], v[(i + 1) % n], bulges[i]};
        if (within && !box(s).intersects(*within))
            continue;
        const double chord = std::hypot(s.b.x - s.a.x, s.b.y - s.a.y);
        const double b = std::abs(s.bulge);
        const double radius = chord * (1 + b * b) / (4 * b);
        const double sweep = std::abs(sweepOfBulge(s.bulge)) * 180 / kPi;
        if (!(chord > 0) || !std::isfinite(radius))
            continue;
        const int steps = stepsFor(radius, sweep, tolerance);
        for (int k = 1; k < steps; ++k)
            out.push_back(pointAt(s, static_cast<double>(k) / steps));
    }
}

void polylinePoints(const Drawing& d, const Entity& e, double tolerance, std::vector<Vec2>& out,
                    const Rect* within) {
    polylinePoints({d.vertexData(e), e.count}, d.bulgesOf(e), e.has(EntityFlag::Closed), tolerance,
                   out, within);
}

void ellipsePoints(const EllipseData& e, double startDegrees, double sweepDegrees, double tolerance,
                   std::vector<Vec2>& out) {
    const double c = std::cos(radians(normalisedDegrees(e.rotation)));
    const double s = std::sin(radians(normalisedDegrees(e.rotation)));
    const double r = std::max(std::abs(e.radiusX), std::abs(e.radiusY));
    const int n = stepsFor(r, sweepDegrees, tolerance);
    for (int i = 0; i <= n; ++i) {
        const double t = radians(startDegrees + sweepDegrees * i / n);
        const double x = e.radiusX * std::cos(t), y = e.radiusY * std::sin(t);
        out.push_back({e.centre.x + x * c - y * s, e.centre.y + x * s + y * c});
    }
}

void outlineOf(const Drawing& d, int handle, double tolerance, Outline& out) {
    outlineOf(d, handle, Affine{}, tolerance, out);
}

void outlineOf(const Drawing& d, int handle, const Affine& map, double tolerance, Outline& out,
               int depth) {
    Builder(d, tolerance > 0 && std::isfinite(tolerance) ? tolerance : 1e-9, out)
        .entity(handle, map, depth);
}

} // namespace cad
