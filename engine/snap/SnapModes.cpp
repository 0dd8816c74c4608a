// The ways of finding a point, one class each. The object snaps offer points of the shapes
// near the cursor that lie within the aperture; tracking, the steps and the grid need no
// shapes.
#include "engine/model/Measure.h"
#include "engine/snap/Snapper.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace cad {

namespace {

// Offers p when it lies within the aperture.
void offerNear(const SnapScene& s, SnapKind kind, Vec2 p, std::vector<SnapCandidate>& out) {
    const double away = distance(s.cursor, p);
    if (away <= s.aperture)
        out.push_back({p, kind, away});
}

bool nearCursor(const SnapScene& s, const Segment& g) {
    return distanceToSegment(s.cursor, g.a, g.b) <= s.aperture;
}

bool mayComeNear(const SnapScene& s, const Conic& k) {
    if (!k.circle)
        return true; // its box met the aperture's
    return std::abs(distance(s.cursor, k.c) - k.radius) <= s.aperture;
}

class EndSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::End; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        for (const Segment& g : s.shapes.segments) {
            offerNear(s, kind(), g.a, out);
            offerNear(s, kind(), g.b, out);
        }
        for (const Vec2 p : s.shapes.ends)
            offerNear(s, kind(), p, out);
        for (const Conic& k : s.shapes.conics)
            if (!k.whole()) {
                offerNear(s, kind(), k.startPoint(), out);
                offerNear(s, kind(), k.endPoint(), out);
            }
    }
};

class MiddleSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Middle; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        for (const Segment& g : s.shapes.segments)
            if (nearCursor(s, g))
                offerNear(s, kind(), {(g.a.x + g.b.x) / 2, (g.a.y + g.b.y) / 2}, out);
        for (const Conic& k : s.shapes.conics)
            if (!k.whole() && mayComeNear(s, k))
                offerNear(s, kind(), k.middle(), out);
    }
};

class IntersectionSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Intersection; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        // Only shapes that pass within the aperture can meet there.
        segments_.clear();
        for (const auto* shapes : {&s.shapes.segments, &s.shapes.pieces})
            for (const Segment& g : *shapes)
                if (nearCursor(s, g))
                    segments_.push_back({g, boxOf(g)});
        conics_.clear();
        for (const Conic& k : s.shapes.conics)
            if (mayComeNear(s, k))
                conics_.push_back({k, k.box()});
        // Pairs whose boxes meet, found along x.
        const auto byLeft = [](const auto& a, const auto& b) { return a.box.left < b.box.left; };
        std::sort(segments_.begin(), segments_.end(), byLeft);
        points_.clear();
        for (std::size_t i = 0; i < segments_.size(); ++i)
            for (std::size_t j = i + 1;
                 j < segments_.size() && segments_[j].box.left <= segments_[i].box.right; ++j)
                if (segments_[i].box.intersects(segments_[j].box))
                    intersections(segments_[i].shape, segments_[j].shape, points_);
        for (std::size_t i = 0; i < conics_.size(); ++i) {
            for (const auto& g : segments_)
                if (g.box.intersects(conics_[i].box))
                    intersections(g.shape, conics_[i].shape, points_);
            for (std::size_t j = i + 1; j < conics_.size(); ++j)
                if (conics_[i].box.intersects(conics_[j].box))
                    intersections(conics_[i].shape, conics_[j].shape, points_);
        }
        for (const Vec2 p : points_)
            offerNear(s, kind(), p, out);
    }

private:
    template <typename Shape> struct Boxed {
        Shape shape;
        Rect box;
    };
    static Rect boxOf(const Segment& g) {
        Rect r;
        r.add(g.a);
        r.add(g.b);
        return r;
    }
    // Kept between moves, so that a move allocates nothing.
    mutable std::vector<Boxed<Segment>> segments_;
    mutable std::vector<Boxed<Conic>> conics_;
    mutable std::vector<Vec2> points_;
};

class CentreSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Centre; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        for (const Conic& k : s.shapes.conics)
            offerNear(s, kind(), k.c, out);
        for (const Vec2 c : s.shapes.centres)
            offerNear(s, kind(), c, out);
    }
};

// Lining up with the base point: the cursor within the aperture of the horizontal or vertical
// line through it lands on that line.
class TrackingSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Tracking; }
    bool needsShapes() const override { return false; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        if (!s.base)
            return;
        const Vec2 b = *s.base;
        offerNear(s, kind(), {s.cursor.x, b.y}, out);
        offerNear(s, kind(), {b.x, s.cursor.y}, out);
    }
};

class PerpendicularSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Perpendicular; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        if (!s.base)
            return;
        points_.clear();
        for (const auto* shapes : {&s.shapes.segments, &s.shapes.pieces})
            for (const Segment& g : *shapes)
                if (nearCursor(s, g))
                    perpendicularFeet(g, *s.base, points_);
        for (const Conic& k : s.shapes.conics)
            if (mayComeNear(s, k))
                perpendicularFeet(k, *s.base, points_);
        for (const Vec2 p : points_)
            offerNear(s, kind(), p, out);
    }

private:
    mutable std::vector<Vec2> points_;
};

class TangentSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Tangent; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        if (!s.base)
            return;
        points_.clear();
        for (const Conic& k : s.shapes.conics)
            if (mayComeNear(s, k))
                tangentPoints(k, *s.base, points_);
        for (const Vec2 p : points_)
            offerNear(s, kind(), p, out);
    }

private:
    mutable std::vector<Vec2> points_;
};

// Points, and the insertion points of texts and blocks.
class PointSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Point; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        for (const Vec2 p : s.shapes.nodes)
            offerNear(s, kind(), p, out);
    }
};

class NearestSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Nearest; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        for (const auto* shapes : {&s.shapes.segments, &s.shapes.pieces})
            for (const Segment& g : *shapes)
                if (nearCursor(s, g))
                    offerNear(s, kind(), closestPoint(g, s.cursor), out);
        for (const Conic& k : s.shapes.conics)
            if (mayComeNear(s, k))
                offerNear(s, kind(), closestPoint(k, s.cursor), out);
    }
};

// The nearest node of the drawing's grid.
class GridSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Grid; }
    bool needsShapes() const override { return false; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        if (!s.drawing || !s.drawing->gridSnap)
            return;
        const DrawingSettings& g = *s.drawing;
        const auto round = [](double v, double origin, double step) {
            if (!(step > 0) || !std::isfinite(step))
                return v;
            return origin + std::round((v - origin) / step) * step;
        };
        const Vec2 p{round(s.cursor.x, g.gridOriginX, g.gridStepX),
                     round(s.cursor.y, g.gridOriginY, g.gridStepY)};
        out.push_back({p, kind(), distance(s.cursor, p)});
    }
};

// From the base point, a length in whole steps along a direction in whole steps of angle from
// the base angle.
class PolarSnap final : public SnapMode {
public:
    SnapKind kind() const override { return SnapKind::Polar; }
    bool needsShapes() const override { return false; }
    void offer(const SnapScene& s, std::vector<SnapCandidate>& out) const override {
        if (!s.base || !s.settings)
            return;
        const SnapSettings& t = *s.settings;
        const Vec2 b = *s.base;
        double length = distance(b, s.cursor);
        if (!(length > 0))
            return;
        double angle = std::atan2(s.cursor.y - b.y, s.cursor.x - b.x) * 180 / kPi;
        if (t.angleStep > 0 && std::isfinite(t.angleStep) && std::isfinite(t.baseAngle))
            angle = t.baseAngle + std::round((angle - t.baseAngle) / t.angleStep) * t.angleStep;
        if (t.lengthStep > 0 && std::isfinite(t.lengthStep))
            length = std::round(length / t.lengthStep) * t.lengthStep;
        // Whole quarter turns exactly along the axes.
        double cs = std::cos(radians(angle)), sn = std::sin(radians(angle));
        const double quarters = angle / 90;
        if (quarters == std::round(quarters)) {
            const auto q = static_cast<long long>(std::fmod(std::fmod(quarters, 4) + 4, 4));
            constexpr std::array<double, 4> c4 = {1, 0, -1, 0}, s4 = {0, 1, 0, -1};
            cs = c4[static_cast<std::size_t>(q)];
            sn = s4[static_cast<std::size_t>(q)];
        }
        const Vec2 p{b.x + length * cs, b.y + length * sn};
        out.push_back({p, kind(), distance(s.cursor, p)});
    }
};

} // namespace

const SnapMode& snapMode(SnapKind kind) {
    static const EndSnap end;
    static const MiddleSnap middle;
    static const IntersectionSnap intersection;
    static const CentreSnap centre;
    static const TrackingSnap tracking;
    static const PerpendicularSnap perpendicular;
    static const TangentSnap tangent;
    static const PointSnap point;
    static const NearestSnap nearest;
    static const GridSnap grid;
    static const PolarSnap polar;
    static const std::array<const SnapMode*, kSnapKinds> modes = {
        &end,     &middle, &intersection, &centre, &tracking, &perpendicular,
        &tangent, &point,  &nearest,      &grid,   &polar};
    const auto i = static_cast<std::size_t>(kind);
    return *modes[std::min(i, modes.size() - 1)];
}

} // namespace cad
