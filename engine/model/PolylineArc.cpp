#include "engine/model/PolylineArc.h"

#include "engine/model/Construct.h"
#include "engine/model/Measure.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace cad {

namespace {

double cross(Vec2 a, Vec2 b, Vec2 c) {
    return (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
}

double dot(Vec2 a, Vec2 b, Vec2 c) {
    return (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y);
}

// The vertices of a path by a running index: a closed path's wrap around, an open path's end
// where they end.
class Ring {
public:
    explicit Ring(const Path& p) : p_(p), n_(static_cast<long>(p.v.size())) {}
    bool has(long i) const { return p_.closed ? n_ > 0 : i >= 0 && i < n_; }
    Vec2 at(long i) const { return p_.v[static_cast<std::size_t>(((i % n_) + n_) % n_)].p; }
    long size() const { return n_; }

private:
    const Path& p_;
    long n_;
};

// The turn at vertex i, signed (counter-clockwise positive), in radians.
double turnAt(const Ring& r, long i) {
    const Vec2 a = r.at(i - 1), b = r.at(i), c = r.at(i + 1);
    return std::atan2(cross(a, b, c), dot(a, b, c));
}

// The circle nearest to the points in the least-squares sense of its equation
// x² + y² + D x + E y + F = 0, about their mean so that large coordinates keep their digits.
std::optional<FollowedArc> fittedCircle(const std::vector<Vec2>& p) {
    Vec2 mean{0, 0};
    for (const Vec2 q : p) {
        mean.x += q.x / static_cast<double>(p.size());
        mean.y += q.y / static_cast<double>(p.size());
    }
    double sxx = 0, sxy = 0, syy = 0, sxz = 0, syz = 0;
    for (const Vec2 q : p) {
        const double x = q.x - mean.x, y = q.y - mean.y, z = x * x + y * y;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
        sxz += x * z;
        syz += y * z;
    }
    // With the mean at the origin: [sxx sxy; sxy syy] (cx, cy) = (sxz, syz) / 2.
    const double det = sxx * syy - sxy * sxy;
    if (!(std::abs(det) > 1e-18 * (sxx * syy + 1e-300)))
        return std::nullopt;
    const double cx = (sxz * syy - syz * sxy) / (2 * det), cy = (syz * sxx - sxz * sxy) / (2 * det);
    double r = 0;
    for (const Vec2 q : p)
        r += std::hypot(q.x - mean.x - cx, q.y - mean.y - cy) / static_cast<double>(p.size());
    if (!(r > 0) || !std::isfinite(r))
        return std::nullopt;
    return FollowedArc{{mean.x + cx, mean.y + cy}, r};
}

// How badly vertex i misses the circle: 1 is as far as coordinates rounded to a few
// thousandths of the radius leave it, in distance and (inside the run) in the turn a circle
// makes between chords of those lengths.
double misfit(const Ring& ring, long i, bool inside, const FollowedArc& c) {
    const Vec2 p = ring.at(i);
    const double slack =
        std::max(5e-3 * c.radius, 1e-9 * (std::abs(c.centre.x) + std::abs(c.centre.y) + 1));
    double bad = std::abs(distance(c.centre, p) - c.radius) / slack;
    if (inside) {
        const auto subtended = [&](Vec2 a, Vec2 b) {
            return 2 * std::asin(std::min(1.0, distance(a, b) / (2 * c.radius)));
        };
        const double expected = (subtended(ring.at(i - 1), p) + subtended(p, ring.at(i + 1))) / 2;
        const double turn = std::abs(turnAt(ring, i));
        bad = std::max(bad, std::abs(turn - expected) / (0.25 * expected + 0.02));
    }
    return bad;
}

bool straight(const Path& p, long i) {
    const Ring r(p);
    return !segmentOf(p, static_cast<std::size_t>(((i % r.size()) + r.size()) % r.size())).isArc();
}

} // namespace

std::optional<FollowedArc> followedArcAt(const Path& path, std::size_t segment) {
    if (segment >= path.segmentCount())
        return std::nullopt;
    const PathSegment s = segmentOf(path, segment);
    if (s.isArc()) {
        const ArcGeometry g = arcOf(s);
        if (!(g.radius > 0) || !std::isfinite(g.radius))
            return std::nullopt;
        return FollowedArc{g.centre, g.radius};
    }
    const Ring ring(path);
    const long first = static_cast<long>(segment), last = first + 1;
    if (distance(ring.at(first), ring.at(last)) <= 0)
        return std::nullopt;
    constexpr double kMostTurn = std::numbers::pi / 4;
    // A vertex belongs to the run when the path turns there as it turns at the run's other
    // vertices and the neighbours on both sides are straight segments.
    const auto turnsLike = [&](long i, double sign) {
        if (!ring.has(i - 1) || !ring.has(i + 1) || !straight(path, i - 1) || !straight(path, i))
            return false;
        const double t = turnAt(ring, i);
        return t * sign > 0 && std::abs(t) < kMostTurn;
    };
    // The turn at either end of the picked segment gives the way round.
    double sign = 0;
    for (const long i : {first, last})
        if (ring.has(i - 1) && ring.has(i + 1) && sign == 0) {
            const double t = turnAt(ring, i);
            if (std::abs(t) > 1e-12 && std::abs(t) < kMostTurn)
                sign = t > 0 ? 1 : -1;
        }
    if (sign == 0)
        return std::nullopt;
    // The run of vertices, from..to (a closed path's whole ring at most, and not endless).
    long from = first, to = last;
    const long most = std::min<long>(path.closed ? ring.size() - 1 : ring.size(), 4096);
    while (to - from + 1 < most && turnsLike(from, sign))
        --from;
    while (to - from + 1 < most && turnsLike(to, sign))
        ++to;
    // The circle that fits the run best; a vertex off it, or turning more or less than that
    // circle turns there, drops the run's end on its side (a straight line or another arc the
    // run ran on into), as long as the picked segment stays.
    std::vector<Vec2> run;
    while (to - from + 1 >= 4) {
        run.clear();
        for (long i = from; i <= to; ++i)
            run.push_back(ring.at(i));
        const auto circle = fittedCircle(run);
        if (!circle)
            return std::nullopt;
        long worst = -1;
        double off = 1;
        for (long i = from; i <= to; ++i)
            if (const double bad = misfit(ring, i, i > from && i < to, *circle); bad > off) {
                off = bad;
                worst = i;
            }
        if (worst < 0)
            return circle;
        if (worst < first && from < first)
            from = worst + 1;
        else if (worst > last && to > last)
            to = worst - 1;
        else if (from < first && (to == last || first - from >= to - last))
            ++from;
        else if (to > last)
            --to;
        else
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace cad
