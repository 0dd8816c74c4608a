#include "engine/model/Offset.h"

#include "engine/model/ChainBoxTree.h"
#include "engine/model/Curves.h"
#include "engine/model/Spline.h"
#include "engine/model/VectorOps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>

namespace cad {

using namespace vectorops;

namespace {

constexpr double kTurn = 2 * kPi;
// An extended corner that would reach farther from the corner than this many distances (a
// very sharp turn) is joined by an arc instead.
constexpr double kMiterLimit = 100;
// Points of a slice tested for being far enough from the curve.
constexpr std::size_t kSamplesOfASlice = 16;
// Extended corners no farther from their vertex than this many distances stay so near the
// round ones that the offset of a closed path that does not cross itself needs no more cuts
// than where it crosses itself.
constexpr double kShortCorner = 2;

// How far apart two points may be and still be one: the rounding of coordinates of that size.
double samePointTolerance(const Rect& r, double distance) {
    const double size = std::max({r.width(), r.height(), std::abs(distance)});
    const double magnitude =
        std::max({std::abs(r.left), std::abs(r.right), std::abs(r.bottom), std::abs(r.top)});
    return 1e-10 * size + 1e-13 * magnitude;
}

// The angle from u to w turning in the direction of `sign` (counter-clockwise when positive), in
// [0, 2π).
double directedAngle(Vec2 u, Vec2 w, double sign) {
    double a = angleBetween(u, w);
    if (sign < 0)
        a = -a;
    if (a < 0)
        a += kTurn;
    return a;
}

// ---- the raw offset of a path

// The offset of one segment, and the part of it that the joins with its neighbours keep.
struct RawPiece {
    PathSegment s;         // the whole offset segment
    double t0 = 0, t1 = 1; // the part kept, as parameters on s (outside [0, 1] when extended)
    Vec2 a, b;             // its ends
    Vec2 in, out;          // the way the segment offset runs at its start and at its end
    bool insideOut = false;
};

RawPiece offsetSegment(const PathSegment& s, double d) {
    RawPiece r;
    r.in = tangentAt(s, 0);
    r.out = tangentAt(s, 1);
    const Vec2 a = s.a + perp(r.in) * d, b = s.b + perp(r.out) * d;
    // An arc keeps its centre and sweep. Offset past its centre it turns inside out: the arc
    // of the same sweep on the far side of the centre, which runs back against the path; the
    // loop removal cuts it away. It is still where the points at the distance along the arc's
    // normals lie, so that the raw offset changes between too near and far enough only where
    // it crosses itself.
    r.s = {a, b, s.isArc() ? s.bulge : 0};
    if (s.isArc()) {
        const double radius = dist(s.a, s.b) * (1 + s.bulge * s.bulge) / (4 * std::abs(s.bulge));
        r.insideOut = radius - (s.bulge > 0 ? d : -d) <= 0;
    }
    r.a = a;
    r.b = b;
    return r;
}

PathSegment keptPart(const RawPiece& r) {
    PathSegment s{r.a, r.b, r.s.bulge};
    if (r.s.isArc() && (r.t0 != 0 || r.t1 != 1))
        s.bulge = bulgeOfSweep(sweepOfBulge(r.s.bulge) * (r.t1 - r.t0));
    return s;
}

// Where the two offset segments meet when the first goes on past its end and the second back
// before its start: their parameters there and the point.
struct Miter {
    double t1 = 1, t0 = 0;
    Vec2 p;
};

std::optional<Miter> extendedCorner(const RawPiece& first, const RawPiece& second, Vec2 corner,
                                    double distance) {
    const PathSegment& s1 = first.s;
    const PathSegment& s2 = second.s;
    // The circles of arcs, worked out once.
    std::optional<ArcGeometry> arc1, arc2;
    if (s1.isArc())
        arc1 = arcOf(s1);
    if (s2.isArc())
        arc2 = arcOf(s2);
    // Two at most, where a line or circle meets a circle.
    std::array<Vec2, 2> candidates;
    std::size_t count = 0;
    const auto candidate = [&](Vec2 p) { candidates[count++] = p; };
    if (!s1.isArc() && !s2.isArc()) {
        const Vec2 r = s1.b - s1.a, q = s2.b - s2.a;
        const double denominator = cross(r, q);
        if (!(std::abs(denominator) > 1e-13 * norm(r) * norm(q)))
            return std::nullopt;
        candidate(s1.a + r * (cross(s2.a - s1.a, q) / denominator));
    } else if (s1.isArc() != s2.isArc()) {
        const PathSegment& line = s1.isArc() ? s2 : s1;
        const ArcGeometry& g = arc1 ? *arc1 : *arc2;
        const Vec2 d = line.b - line.a;
        const Vec2 f = line.a - g.centre;
        const double dd = dot(d, d);
        if (!(dd > 0))
            return std::nullopt;
        const double foot = -dot(f, d) / dd;
        const Vec2 nearest = f + d * foot;
        const double h = norm(nearest);
        if (h > g.radius)
            return std::nullopt;
        const double w = std::sqrt((g.radius - h) * (g.radius + h) / dd);
        candidate(line.a + d * (foot - w));
        candidate(line.a + d * (foot + w));
    } else {
        const ArcGeometry &g1 = *arc1, &g2 = *arc2;
        const Vec2 d = g2.centre - g1.centre;
        const double away = norm(d);
        if (!(away > 0) || away > g1.radius + g2.radius || away < std::abs(g1.radius - g2.radius))
            return std::nullopt;
        const double along =
            (g1.radius - g2.radius) * (g1.radius + g2.radius) / (2 * away) + away / 2;
        const double h = std::sqrt(std::max(0.0, (g1.radius - along) * (g1.radius + along)));
        const Vec2 e = d * (1 / away);
        candidate(g1.centre + e * along + perp(e) * h);
        candidate(g1.centre + e * along - perp(e) * h);
    }
    std::optional<Miter> best;
    double bestReach = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < count; ++k) {
        const Vec2 p = candidates[k];
        if (!finite(p) || dist(p, corner) > kMiterLimit * distance)
            continue;
        Miter m;
        m.p = p;
        double reach = 0;
        // The first segment forward from its end.
        if (arc1) {
            const ArcGeometry& g = *arc1;
            const double more = directedAngle(s1.b - g.centre, p - g.centre, g.sweep);
            if (more > kPi)
                continue;
            m.t1 = 1 + more / std::abs(g.sweep);
            if (std::abs(g.sweep) * (m.t1 - first.t0) >= kTurn * (1 - 1e-9))
                continue;
            reach += more * g.radius;
        } else {
            const Vec2 d = s1.b - s1.a;
            m.t1 = dot(p - s1.a, d) / dot(d, d);
            if (m.t1 < 1 - 1e-9)
                continue;
            reach += dist(p, s1.b);
        }
        // The second backward from its start.
        if (arc2) {
            const ArcGeometry& g = *arc2;
            const double more = directedAngle(p - g.centre, s2.a - g.centre, g.sweep);
            if (more > kPi)
                continue;
            m.t0 = -more / std::abs(g.sweep);
            if (std::abs(g.sweep) * (second.t1 - m.t0) >= kTurn * (1 - 1e-9))
                continue;
            reach += more * g.radius;
        } else {
            const Vec2 d = s2.b - s2.a;
            m.t0 = dot(p - s2.a, d) / dot(d, d);
            if (m.t0 > 1e-9)
                continue;
            reach += dist(p, s2.a);
        }
        if (reach < bestReach) {
            bestReach = reach;
            best = m;
        }
    }
    return best;
}

// The arc about the corner from the end of one offset segment to the start of the next,
// turning the way the path turns there.
PathSegment cornerArc(Vec2 from, Vec2 to, Vec2 corner, double turnSign) {
    const double sweep = directedAngle(from - corner, to - corner, turnSign);
    return {from, to, bulgeOfSweep(turnSign > 0 ? sweep : -sweep)};
}

// Joins the offsets of two segments that meet at `corner`; an arc between them when they are
// joined so, added to `between`. `hits`: room for where they meet.
void join(RawPiece& first, RawPiece& second, Vec2 corner, double d, CornerJoin corners,
          double tolerance, std::optional<PathSegment>& between, double& farthestCorner,
          std::vector<SegmentHit>& hits) {
    if (dist(first.b, second.a) <= tolerance) {
        second.a = first.b;
        return;
    }
    const Vec2 in = first.out, out = second.in;
    // The way the path turns: its sine and cosine suffice.
    const double turn = cross(in, out), straight = dot(in, out);
    const double side = d > 0 ? 1 : -1;
    const bool reversal = straight < 0 && std::abs(turn) <= 1e-12;
    const double turnSign = reversal ? -side : (turn > 0 ? 1 : -1);
    if (!reversal && turn * side > 0) {
        // An inner corner: the offsets cross; each ends where they do (the crossing nearest
        // the corner).
        hits.clear();
        intersections(first.s, second.s, hits);
        const SegmentHit* best = nullptr;
        for (const SegmentHit& h : hits)
            if (!best || dist(h.p, corner) < dist(best->p, corner))
                best = &h;
        if (best) {
            first.t1 = best->ta;
            second.t0 = best->tb;
            first.b = second.a = best->p;
            return;
        }
        // Segments too short to cross: joined anyhow; what lies too near is cut away later.
        between = cornerArc(first.b, second.a, corner, turnSign);
        return;
    }
    if (corners == CornerJoin::Extend && !reversal && !first.insideOut && !second.insideOut)
        if (const auto m = extendedCorner(first, second, corner, std::abs(d))) {
            farthestCorner = std::max(farthestCorner, dist(m->p, corner));
            first.t1 = m->t1;
            second.t0 = m->t0;
            first.b = second.a = m->p;
            return;
        }
    between = cornerArc(first.b, second.a, corner, turnSign);
}

// The offset of every segment, joined at the corners, loops and all. Worked out segment by
// segment (each offset waits only for its join with the next), so that little is kept at once.
// `farthestCorner`: how far the farthest extended corner lies from its vertex.
Path rawOffset(const Path& path, double d, CornerJoin corners, double tolerance,
               double& farthestCorner) {
    const std::size_t n = path.segmentCount();
    Path raw;
    raw.closed = path.closed;
    raw.v.reserve(n + n / 4 + 2);
    // Pieces of no length (arcs offset onto their centre) left out; their neighbours meet.
    Vec2 end;
    const auto add = [&](const PathSegment& s) {
        if (dist(s.a, s.b) <= tolerance && segmentLength(s) <= tolerance)
            return;
        raw.v.push_back({raw.v.empty() ? s.a : end, s.bulge});
        end = s.b;
    };
    PathSegment source = segmentOf(path, 0);
    RawPiece piece = offsetSegment(source, d);
    // A closed path's first piece waits for its join with the last; it is added then.
    RawPiece first;
    std::optional<PathSegment> afterFirst;
    std::size_t firstAt = 0;
    std::vector<SegmentHit> hits;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        if (j == 0 && !path.closed) {
            add(keptPart(piece));
            break;
        }
        const PathSegment nextSource = segmentOf(path, j);
        RawPiece next = j == 0 ? first : offsetSegment(nextSource, d);
        std::optional<PathSegment> between;
        join(piece, next, source.b, d, corners, tolerance, between, farthestCorner, hits);
        if (i == 0 && path.closed) {
            first = piece;
            afterFirst = between;
        } else {
            add(keptPart(piece));
            if (between)
                add(*between);
        }
        if (j == 0) {
            firstAt = raw.v.size();
            add(keptPart(next));
            if (afterFirst)
                add(*afterFirst);
        }
        source = nextSource;
        piece = next;
    }
    if (raw.v.empty())
        return raw;
    if (path.closed) {
        // From the first piece on; the last segment ends where it starts.
        std::rotate(raw.v.begin(),
                    raw.v.begin() + static_cast<std::ptrdiff_t>(std::min(firstAt, raw.v.size())),
                    raw.v.end());
    } else {
        raw.v.push_back({end, 0});
    }
    return raw;
}

// ---- cutting the raw offset into slices and keeping those far enough from the curve

// Whether a segment and the one after it (which starts where it ends) can meet anywhere but
// at that common point: their lines or circles meet at one more point at most, worked out
// without angles.
bool meetElsewhere(const PathSegment& a, const PathSegment& b, double tolerance) {
    const Vec2 p = a.b;
    Vec2 other;
    if (!a.isArc() && !b.isArc()) {
        // Straight on or turning: only doubling back along each other.
        return dot(a.b - a.a, b.b - b.a) < 0 &&
               std::abs(cross(a.b - a.a, b.b - b.a)) <= 1e-12 * dist(a.a, a.b) * dist(b.a, b.b);
    }
    if (a.isArc() != b.isArc()) {
        const PathSegment& line = a.isArc() ? b : a;
        const Carrier circle = carrierOf(a.isArc() ? a : b);
        const Vec2 d = line.b - line.a;
        other = p + d * (-2 * dot(p - circle.centre, d) / dot(d, d));
    } else {
        const Carrier ka = carrierOf(a), kb = carrierOf(b);
        const Vec2 axis = kb.centre - ka.centre;
        const double away = dot(axis, axis);
        if (!(away > 0))
            return true; // one circle: they may run along each other
        // The other point is the first one mirrored across the line of the centres.
        const Vec2 foot = ka.centre + axis * (dot(p - ka.centre, axis) / away);
        other = foot * 2 - p;
    }
    if (dist(other, p) <= tolerance)
        return false; // touching there only
    return holds(a, other, 1e-9) && holds(b, other, 1e-9);
}

// A place on the raw offset where it crosses itself or a cutting segment.
struct Cut {
    std::size_t segment = 0;
    double t = 0;
    Vec2 p;
};

// A part of the raw offset from one cut to the next (round the whole of a closed one when it
// is cut once), the cuts by their number in the slicer's list.
struct Slice {
    std::uint32_t from = 0, to = 0;
    bool wholeLoop = false;
    bool keep = false;
};

class Slicer {
public:
    Slicer(const Path& raw, double tolerance)
        : raw_(raw), n_(raw.segmentCount()), tolerance_(tolerance) {}

    // The slices between the cuts (kept, in order along the raw offset, by the slicer).
    std::vector<Slice> slices(std::vector<Cut> cuts) {
        // In one order whatever the order they were found in (the same place may be found
        // from two pairs of segments, a rounding apart).
        std::sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) {
            return std::tie(a.segment, a.t, a.p.x, a.p.y) < std::tie(b.segment, b.t, b.p.x, b.p.y);
        });
        // One cut for one place along the raw offset (where it crosses itself, the same point
        // comes twice, far apart along it: both are cuts).
        std::size_t kept = 0;
        for (std::size_t i = 0; i < cuts.size(); ++i)
            if (kept == 0 || dist(cuts[kept - 1].p, cuts[i].p) > tolerance_ ||
                lengthBetween(cuts[kept - 1], cuts[i]) > tolerance_)
                cuts[kept++] = cuts[i];
        cuts.resize(kept);
        if (raw_.closed && cuts.size() > 1 && dist(cuts.back().p, cuts.front().p) <= tolerance_ &&
            lengthBetween(cuts.back(), cuts.front()) <= tolerance_)
            cuts.pop_back();
        cuts_ = std::move(cuts);
        const auto m = static_cast<std::uint32_t>(cuts_.size());
        std::vector<Slice> out;
        if (!raw_.closed || m == 0) {
            // The ends of the raw offset as cuts too.
            cuts_.insert(cuts_.begin(), Cut{0, 0, raw_.v.front().p});
            cuts_.push_back({n_ - 1, 1, raw_.closed ? raw_.v.front().p : raw_.v.back().p});
            for (std::uint32_t k = 0; k <= m; ++k)
                out.push_back({k, k + 1, raw_.closed});
        } else {
            for (std::uint32_t k = 0; k < m; ++k)
                out.push_back({k, (k + 1) % m, m == 1});
        }
        // Slices of no length are no parts.
        std::erase_if(out, [&](const Slice& s) {
            return !s.wholeLoop && dist(cut(s.from).p, cut(s.to).p) <= tolerance_ &&
                   lengthBetween(cut(s.from), cut(s.to)) <= tolerance_;
        });
        return out;
    }

    const Cut& cut(std::uint32_t k) const { return cuts_[k]; }

    // The length along the raw offset from one cut forward to another (no more than a little
    // past the tolerance is worked out).
    double lengthBetween(const Cut& from, const Cut& to) const {
        if (from.segment == to.segment && from.t <= to.t)
            return (to.t - from.t) * segmentLength(segmentOf(raw_, from.segment));
        double sum = (1 - from.t) * segmentLength(segmentOf(raw_, from.segment));
        for (std::size_t i = (from.segment + 1) % n_; i != to.segment && sum <= tolerance_;
             i = (i + 1) % n_) {
            if (!raw_.closed && i == 0)
                return std::numeric_limits<double>::infinity();
            sum += segmentLength(segmentOf(raw_, i));
        }
        return sum + to.t * segmentLength(segmentOf(raw_, to.segment));
    }

    // The segment of the raw offset that the k-th piece of a slice is part of.
    std::size_t rawSegment(const Slice& s, std::size_t k) const {
        return (cut(s.from).segment + k) % n_;
    }

    // How many segments of the raw offset a slice runs over (the first and last maybe in part).
    std::size_t pieceCount(const Slice& s) const {
        const Cut& from = cut(s.from);
        const Cut& to = cut(s.to);
        if (from.segment == to.segment && (from.t < to.t || (from.t == to.t && !s.wholeLoop)))
            return 1;
        std::size_t k = (to.segment + n_ - from.segment) % n_;
        if (k == 0)
            k = n_;
        return k + 1;
    }

    // The k-th of them, its ends at the cuts where it is cut.
    PathSegment piece(const Slice& s, std::size_t k, std::size_t count) const {
        const Cut& from = cut(s.from);
        const Cut& to = cut(s.to);
        const std::size_t i = (from.segment + k) % n_;
        PathSegment p = segmentOf(raw_, i);
        const double t0 = k == 0 ? from.t : 0, t1 = k + 1 == count ? to.t : 1;
        if (t0 != 0 || t1 != 1) {
            const double bulge = p.bulge;
            p = subSegment(p, t0, t1);
            if (bulge == 0)
                p.bulge = 0;
        }
        if (k == 0)
            p.a = from.p;
        if (k + 1 == count)
            p.b = to.p;
        return p;
    }

private:
    std::vector<Cut> cuts_;
    const Path& raw_;
    std::size_t n_;
    double tolerance_;
};

// The bulge of two pieces of one segment (one line, or one circle the same way round) as one.
double joinedBulge(double first, double second) {
    if (first == 0 && second == 0)
        return 0;
    return bulgeOfSweep(sweepOfBulge(first) + sweepOfBulge(second));
}

// Which slices keep the distance from the curve, by samples of each (a slice lies wholly
// nearer or wholly not, since it is cut wherever the raw offset crosses from one to the
// other), each tried against the segments of the curve near it (`curveBoxes`, the boxes of
// the curve's segments).
void markFarEnough(const Slicer& slicer, std::vector<Slice>& slices, const Path& curve,
                   const ChainBoxTree& curveBoxes, double distance, double tolerance) {
    const double within = distance - tolerance;
    // Whether a segment (with its box) holds a point nearer than the distance.
    const auto tooNear = [&](const Rect& b, std::size_t i, Vec2 p) {
        const double dx = std::max({b.left - p.x, p.x - b.right, 0.0});
        const double dy = std::max({b.bottom - p.y, p.y - b.top, 0.0});
        return dx * dx + dy * dy < within * within && distanceTo(segmentOf(curve, i), p) < within;
    };
    for (Slice& slice : slices) {
        slice.keep = true;
        // One sample in the middle of a short slice, more along a long one.
        const std::size_t n = slicer.pieceCount(slice);
        const std::size_t count = std::clamp<std::size_t>(n / 8, 1, kSamplesOfASlice);
        for (std::size_t i = 0; i < count && slice.keep; ++i) {
            const Vec2 p = pointAt(slicer.piece(slice, (2 * i + 1) * n / (2 * count), n), 0.5);
            Rect near;
            near.add(p.x - within, p.y - within);
            near.add(p.x + within, p.y + within);
            if (curveBoxes.anyNear(near,
                                   [&](std::size_t k) { return tooNear(curveBoxes.box(k), k, p); }))
                slice.keep = false;
        }
    }
}

// The kept slices joined end to end: each goes on with the slice that starts where it ends
// (the next one along the raw offset first).
std::vector<Path> stitch(const Slicer& slicer, const std::vector<Slice>& slices, double tolerance) {
    std::vector<std::size_t> kept;
    for (std::size_t k = 0; k < slices.size(); ++k)
        if (slices[k].keep)
            kept.push_back(k);
    // Starts sorted by x, for finding the slices that start at a point.
    std::vector<std::pair<double, std::size_t>> starts;
    for (const std::size_t k : kept)
        starts.push_back({slicer.cut(slices[k].from).p.x, k});
    std::sort(starts.begin(), starts.end());
    std::vector<char> used(slices.size(), 0);
    const std::size_t m = slices.size();
    const auto next = [&](Vec2 end, std::size_t current) -> std::optional<std::size_t> {
        auto it = std::lower_bound(starts.begin(), starts.end(),
                                   std::make_pair(end.x - tolerance, std::size_t{0}));
        std::optional<std::size_t> best;
        std::size_t bestStep = m + 1;
        for (; it != starts.end() && it->first <= end.x + tolerance; ++it) {
            const std::size_t k = it->second;
            if (used[k] || dist(slicer.cut(slices[k].from).p, end) > tolerance)
                continue;
            const std::size_t step = (k + m - current) % m;
            if (step < bestStep) {
                bestStep = step;
                best = k;
            }
        }
        return best;
    };
    std::vector<Path> out;
    // The pieces of slices one after another as a path, those of no length left out.
    const auto emit = [&](std::vector<std::size_t>::const_iterator from,
                          std::vector<std::size_t>::const_iterator to, bool closed) {
        Path p;
        p.closed = closed;
        std::size_t pieces = 1;
        for (auto it = from; it != to; ++it)
            pieces += slicer.pieceCount(slices[*it]);
        p.v.reserve(pieces);
        p.v.push_back({slicer.cut(slices[*from].from).p, 0});
        // Pieces of one segment of the raw offset that a cut split, and both kept, are one
        // segment again.
        constexpr std::size_t kNone = static_cast<std::size_t>(-1);
        std::size_t lastRaw = kNone, firstRaw = kNone;
        for (auto it = from; it != to; ++it) {
            const std::size_t count = slicer.pieceCount(slices[*it]);
            for (std::size_t i = 0; i < count; ++i) {
                PathSegment piece = slicer.piece(slices[*it], i, count);
                piece.a = p.v.back().p;
                // No shorter than its chord: the length worked out only for short ones.
                if (dist(piece.a, piece.b) <= tolerance && segmentLength(piece) <= tolerance)
                    continue;
                const std::size_t raw = slicer.rawSegment(slices[*it], i);
                if (raw == lastRaw && p.v.size() >= 2) {
                    PathVertex& start = p.v[p.v.size() - 2];
                    start.bulge = joinedBulge(start.bulge, piece.bulge);
                    p.v.back().p = piece.b;
                    continue;
                }
                if (firstRaw == kNone)
                    firstRaw = raw;
                p.v.back().bulge = piece.bulge;
                p.v.push_back({piece.b, 0});
                lastRaw = raw;
            }
        }
        // A closed path's last vertex is its first again.
        if (closed && p.v.size() > 1 && dist(p.v.back().p, p.v.front().p) <= tolerance)
            p.v.pop_back();
        // A loop that starts within a segment: its first and last pieces are one segment.
        if (closed && p.v.size() > 2 && firstRaw == lastRaw) {
            p.v.back().bulge = joinedBulge(p.v.back().bulge, p.v.front().bulge);
            p.v.erase(p.v.begin());
        }
        if (p.segmentCount() > 0)
            out.push_back(std::move(p));
    };
    std::vector<std::size_t> chain;
    // Where the slices of the chain start (x, place in the chain), for finding a loop in it.
    std::multimap<double, std::size_t> chainStarts;
    for (const std::size_t first : kept) {
        if (used[first])
            continue;
        used[first] = 1;
        chain.assign(1, first);
        chainStarts.clear();
        bool closed = false;
        for (;;) {
            const Vec2 end = slicer.cut(slices[chain.back()].to).p;
            const Cut& start = slicer.cut(slices[first].from);
            if (dist(end, start.p) <= tolerance &&
                (chain.size() > 1 || slices[first].wholeLoop ||
                 slicer.lengthBetween(start, slicer.cut(slices[first].to)) > tolerance)) {
                closed = true;
                break;
            }
            // Back where a later slice of the chain started: that part is a loop of its own.
            std::optional<std::size_t> loop;
            for (auto it = chainStarts.lower_bound(end.x - tolerance);
                 it != chainStarts.end() && it->first <= end.x + tolerance; ++it)
                if (dist(slicer.cut(slices[chain[it->second]].from).p, end) <= tolerance &&
                    (!loop || it->second < *loop))
                    loop = it->second;
            if (loop) {
                emit(chain.begin() + static_cast<std::ptrdiff_t>(*loop), chain.end(), true);
                for (std::size_t i = *loop; i < chain.size(); ++i) {
                    const double x = slicer.cut(slices[chain[i]].from).p.x;
                    for (auto it = chainStarts.lower_bound(x); it != chainStarts.end(); ++it)
                        if (it->second == i) {
                            chainStarts.erase(it);
                            break;
                        }
                }
                chain.resize(*loop);
                continue;
            }
            const auto k = next(end, chain.back());
            if (!k)
                break;
            used[*k] = 1;
            chain.push_back(*k);
            chainStarts.insert({slicer.cut(slices[*k].from).p.x, chain.size() - 1});
        }
        emit(chain.begin(), chain.end(), closed);
    }
    return out;
}

// Whether segments i < j of a path cross or touch anywhere but where neighbours meet.
bool crossAt(const Path& path, std::size_t i, std::size_t j, double tolerance) {
    const std::size_t n = path.segmentCount();
    const PathSegment a = segmentOf(path, i), b = segmentOf(path, j);
    const bool next = j == i + 1, wraps = path.closed && i == 0 && j == n - 1;
    if ((next && !meetElsewhere(a, b, tolerance)) || (wraps && !meetElsewhere(b, a, tolerance)))
        return false;
    std::vector<SegmentHit> hits;
    intersections(a, b, hits);
    for (const SegmentHit& h : hits)
        if (!(next && dist(h.p, a.b) <= tolerance) && !(wraps && dist(h.p, a.a) <= tolerance))
            return true;
    return false;
}

// The arcs of the distance about the corners of a path, on the side of the offset, added to
// `out`: where the offset with extended corners passes by them.
void addCornerArcs(const Path& path, double d, double tolerance, std::vector<PathSegment>& out) {
    const std::size_t n = path.segmentCount();
    const double side = d > 0 ? 1 : -1;
    for (std::size_t i = 0; i + 1 < n || (path.closed && i < n); ++i) {
        const PathSegment before = segmentOf(path, i), after = segmentOf(path, (i + 1) % n);
        const Vec2 in = tangentAt(before, 1), out2 = tangentAt(after, 0);
        const double turn = cross(in, out2);
        const bool reversal = dot(in, out2) < 0 && std::abs(turn) <= 1e-12;
        const Vec2 from = before.b + perp(in) * d, to = before.b + perp(out2) * d;
        if (dist(from, to) <= tolerance)
            continue;
        out.push_back(cornerArc(from, to, before.b, reversal ? -side : (turn > 0 ? 1 : -1)));
    }
}

bool validDistance(double d) {
    return std::isfinite(d);
}

// ---- offsets given as points (ellipses, splines)

double pointChordDistance(Vec2 p, Vec2 a, Vec2 b) {
    return distanceTo(PathSegment{a, b, 0}, p);
}

// Points of a curve given by `at` from u0 to u1, first `initial` even steps, each halved while
// its middle strays from the chord by more than `tolerance`; u0's point not added.
template <typename At>
void addPoints(At at, double u0, double u1, int initial, double tolerance, std::vector<Vec2>& out) {
    constexpr int kDeepest = 24;
    struct Step {
        double u0, u1;
        Vec2 p0, p1;
        int depth;
    };
    std::vector<Step> stack;
    for (int i = initial; i-- > 0;) {
        const double a = u0 + (u1 - u0) * i / initial, b = u0 + (u1 - u0) * (i + 1) / initial;
        stack.push_back({a, b, at(a), at(b), 0});
    }
    // In order: the stack holds the first step on top.
    while (!stack.empty()) {
        const Step s = stack.back();
        stack.pop_back();
        const double um = (s.u0 + s.u1) / 2;
        const Vec2 pm = at(um);
        if (s.depth < kDeepest && pointChordDistance(pm, s.p0, s.p1) > tolerance) {
            stack.push_back({um, s.u1, pm, s.p1, s.depth + 1});
            stack.push_back({s.u0, um, s.p0, pm, s.depth + 1});
            continue;
        }
        out.push_back(s.p1);
    }
}

// The path through the points, repeated ones once.
Path chords(std::vector<Vec2> points, bool closed) {
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (closed && points.size() > 1 && points.back() == points.front())
        points.pop_back();
    return pathOf(points, closed);
}

// The offset of a smooth curve given by its points and unit left normals along u0..u1, cut
// free of its loops. `curve` is the curve itself as chords within `curveTolerance`.
template <typename Point, typename Normal>
Outcome<std::vector<Path>> smoothOffset(Point point, Normal normal, double u0, double u1,
                                        int initial, bool closed, const Path& curve,
                                        double distance, double tolerance, double curveTolerance) {
    const auto rawPoints = [&](double d) {
        const auto at = [&](double u) { return point(u) + normal(u) * d; };
        std::vector<Vec2> points{at(u0)};
        addPoints(at, u0, u1, initial, tolerance, points);
        if (closed && points.size() > 1)
            points.pop_back(); // the first again
        return points;
    };
    const Path raw = chords(rawPoints(distance), closed);
    if (raw.segmentCount() == 0)
        return Refusal::EmptyInput;
    std::vector<PathSegment> cuts;
    if (!closed) {
        const Path dual = chords(rawPoints(-distance), false);
        for (std::size_t i = 0; i < dual.segmentCount(); ++i)
            cuts.push_back(segmentOf(dual, i));
        const double r = std::abs(distance);
        for (const Vec2 end : {point(u0), point(u1)}) {
            const Vec2 east{end.x + r, end.y}, west{end.x - r, end.y};
            cuts.push_back({east, west, 1});
            cuts.push_back({west, east, 1});
        }
    }
    std::vector<Path> kept =
        keepOffsetParts(raw, curve, cuts, distance, tolerance + curveTolerance);
    if (kept.empty())
        return Refusal::Vanishes;
    return kept;
}

} // namespace

namespace {

// The boxes of a path's segments, for finding those that can meet.
ChainBoxTree segmentBoxes(const Path& path) {
    std::vector<Rect> boxes(path.segmentCount());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = box(segmentOf(path, i));
    return ChainBoxTree(std::move(boxes));
}

// keepOffsetParts, and when `checkCurve`, first whether the curve crosses itself: then nothing
// is kept and `curveCrosses` is set, for the caller to cut also at the offset on the other side.
std::vector<Path> keepParts(const Path& raw, const Path& curve,
                            const std::vector<PathSegment>& cuts, double distance, double tolerance,
                            bool checkCurve, bool& curveCrosses) {
    const std::size_t n = raw.segmentCount();
    curveCrosses = false;
    if (n == 0)
        return {};
    const bool closed = raw.closed;
    const ChainBoxTree rawBoxes = segmentBoxes(raw);
    Rect all;
    for (std::size_t i = 0; i < n; ++i)
        all.add(rawBoxes.box(i));
    const double same = samePointTolerance(all, distance);
    const ChainBoxTree curveBoxes = segmentBoxes(curve);
    if (checkCurve && curveBoxes.anyPair([&](std::size_t i, std::size_t j) {
            return crossAt(curve, i, j, same);
        })) {
        curveCrosses = true;
        return {};
    }
    // Where the raw offset crosses itself or the cutting segments.
    std::vector<Cut> found;
    std::vector<SegmentHit> hits;
    rawBoxes.forEachPair([&](std::size_t i, std::size_t j) {
        const PathSegment a = segmentOf(raw, i), b = segmentOf(raw, j);
        // Neighbours meet at their common end; that is no crossing.
        const bool next = j == i + 1, wraps = closed && i == 0 && j == n - 1;
        if ((next && !meetElsewhere(a, b, same)) || (wraps && !meetElsewhere(b, a, same)))
            return;
        hits.clear();
        intersections(a, b, hits);
        for (const SegmentHit& h : hits) {
            if ((next && dist(h.p, a.b) <= same) || (wraps && dist(h.p, a.a) <= same))
                continue;
            found.push_back({i, h.ta, h.p});
            found.push_back({j, h.tb, h.p});
        }
    });
    if (!cuts.empty()) {
        std::vector<Rect> cutBoxes(cuts.size());
        for (std::size_t k = 0; k < cuts.size(); ++k)
            cutBoxes[k] = box(cuts[k]);
        rawBoxes.forEachPairWith(ChainBoxTree(std::move(cutBoxes)),
                                 [&](std::size_t i, std::size_t k) {
                                     hits.clear();
                                     intersections(segmentOf(raw, i), cuts[k], hits);
                                     for (const SegmentHit& h : hits)
                                         found.push_back({i, h.ta, h.p});
                                 });
    }
    Slicer slicer(raw, same);
    std::vector<Slice> slices = slicer.slices(std::move(found));
    const double far = std::abs(distance);
    markFarEnough(slicer, slices, curve, curveBoxes, far, tolerance);
    return stitch(slicer, slices, std::max(same, 1e-9 * far));
}

} // namespace

std::vector<Path> keepOffsetParts(const Path& raw, const Path& curve,
                                  const std::vector<PathSegment>& cuts, double distance,
                                  double tolerance) {
    bool unused = false;
    return keepParts(raw, curve, cuts, distance, tolerance, false, unused);
}

Outcome<std::vector<Path>> offsetPath(const Path& path, double distance, CornerJoin corners) {
    if (!validDistance(distance) || !finite(path))
        return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    const Rect extent = box(path);
    const double same = samePointTolerance(extent, distance);
    // A copy without segments of no length only where there are any.
    bool anyShort = path.closed && path.v.size() > 1 && path.v.back().p == path.v.front().p;
    for (std::size_t i = 0; i < path.segmentCount() && !anyShort; ++i) {
        const PathSegment s = segmentOf(path, i);
        anyShort = dist(s.a, s.b) <= same && segmentLength(s) <= same;
    }
    Path copy;
    if (anyShort)
        copy = withoutShortSegments(path, same);
    const Path& clean = anyShort ? copy : path;
    if (clean.segmentCount() == 0)
        return Refusal::EmptyInput;
    double farthestCorner = 0;
    const Path raw = rawOffset(clean, distance, corners, same, farthestCorner);
    const double tolerance = 1e-9 * std::abs(distance) + same;
    // A closed path that does not cross itself, offset with round corners or corners extended
    // a little, comes too near to itself only where its offset crosses itself. Otherwise the
    // offset may come too near also where it meets the offset on the other side, or the
    // circles of the distance about the corners that extended segments pass by, or about the
    // ends of an open path.
    std::vector<Path> kept;
    bool crosses = true;
    if (clean.closed && farthestCorner <= kShortCorner * std::abs(distance))
        kept = keepParts(raw, clean, {}, distance, tolerance, true, crosses);
    if (crosses) {
        std::vector<PathSegment> cuts;
        double unused = 0;
        const Path dual = rawOffset(clean, -distance, CornerJoin::Round, same, unused);
        for (std::size_t i = 0; i < dual.segmentCount(); ++i)
            cuts.push_back(segmentOf(dual, i));
        if (corners == CornerJoin::Extend)
            addCornerArcs(clean, distance, same, cuts);
        const double r = std::abs(distance);
        if (!clean.closed)
            for (const Vec2 end : {clean.v.front().p, clean.v.back().p}) {
                const Vec2 east{end.x + r, end.y}, west{end.x - r, end.y};
                cuts.push_back({east, west, 1});
                cuts.push_back({west, east, 1});
            }
        kept = keepOffsetParts(raw, clean, cuts, distance, tolerance);
    }
    // A closed path's offset is closed loops; an open piece is what is left of the spike of a
    // very sharp extended corner.
    if (clean.closed)
        std::erase_if(kept, [](const Path& p) { return !p.closed; });
    if (kept.empty())
        return Refusal::Vanishes;
    return kept;
}

Outcome<LineData> offsetLine(const LineData& line, double distance) {
    if (!validDistance(distance) || !finite(line.a) || !finite(line.b))
        return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    if (line.a == line.b)
        return Refusal::EmptyInput;
    const Vec2 n = perp(unit(line.b - line.a)) * distance;
    return LineData{line.a + n, line.b + n};
}

Outcome<ArcData> offsetArc(const ArcData& arc, double distance) {
    if (!validDistance(distance) || !finite(arc.centre) || !std::isfinite(arc.radius))
        return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    if (!(arc.radius > 0))
        return Refusal::EmptyInput;
    ArcData out = arc;
    out.radius = arc.radius - distance;
    if (!(out.radius > 1e-12 * arc.radius))
        return Refusal::Vanishes;
    return out;
}

Outcome<CircleData> offsetCircle(const CircleData& circle, double distance) {
    if (!validDistance(distance) || !finite(circle.centre) || !std::isfinite(circle.radius))
        return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    if (!(circle.radius > 0))
        return Refusal::EmptyInput;
    CircleData out = circle;
    out.radius = circle.radius - distance;
    if (!(out.radius > 1e-12 * circle.radius))
        return Refusal::Vanishes;
    return out;
}

Outcome<std::vector<Path>> offsetEllipse(const EllipseData& e, double distance) {
    if (!validDistance(distance) || !finite(e.centre) || !std::isfinite(e.radiusX) ||
        !std::isfinite(e.radiusY) || !std::isfinite(e.rotation) || !std::isfinite(e.startAngle) ||
        !std::isfinite(e.endAngle))
        return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    if (!(std::abs(e.radiusX) > 0) || !(std::abs(e.radiusY) > 0))
        return Refusal::EmptyInput;
    const Conic k = ellipseConic(e);
    const double size = 2 * std::max(std::abs(e.radiusX), std::abs(e.radiusY));
    const double tolerance = std::min(std::abs(distance), size) / 1000 * 0.9;
    const double curveTolerance = tolerance / 20;
    // The curve for the distances: chords within a small part of the tolerance.
    std::vector<Vec2> points{k.at(k.start)};
    addPoints([&](double t) { return k.at(t); }, k.start, k.start + k.sweep, 64, curveTolerance,
              points);
    const bool closed = k.whole();
    if (closed)
        points.pop_back();
    // The left of the way the ellipse runs (counter-clockwise in its own frame; a mirrored one
    // the other way).
    const auto normal = [&](double t) { return perp(unit(k.derivative(t))); };
    return smoothOffset([&](double t) { return k.at(t); }, normal, k.start, k.start + k.sweep, 64,
                        closed, chords(points, closed), distance, tolerance, curveTolerance);
}

Outcome<std::vector<Path>> offsetSpline(std::span<const Vec2> fitPoints, bool closed,
                                        double distance) {
    if (!validDistance(distance))
        return Refusal::NotFinite;
    for (const Vec2 p : fitPoints)
        if (!finite(p))
            return Refusal::NotFinite;
    if (distance == 0)
        return Refusal::ZeroDistance;
    const SplineEvaluator s(fitPoints, closed);
    if (s.points().size() < 2 || !(s.end() > 0))
        return Refusal::EmptyInput;
    Rect r;
    for (const Vec2 p : s.points())
        r.add(p);
    const double size = std::max(r.width(), r.height());
    const double tolerance = std::min(std::abs(distance), size) / 1000 * 0.9;
    const double curveTolerance = tolerance / 20;
    const int initial = static_cast<int>(std::min<std::size_t>(s.points().size() * 8, 1 << 20));
    std::vector<Vec2> points{s.at(0)};
    addPoints([&](double u) { return s.at(u); }, 0, s.end(), initial, curveTolerance, points);
    if (closed)
        points.pop_back();
    const auto normal = [&](double u) { return perp(unit(s.derivative(u))); };
    return smoothOffset([&](double u) { return s.at(u); }, normal, 0, s.end(), initial, closed,
                        chords(points, closed), distance, tolerance, curveTolerance);
}

namespace {

template <typename T> Outcome<std::vector<Curve>> asCurves(const Outcome<T>& o) {
    if (!o)
        return o.refusal;
    return std::vector<Curve>{o.value};
}

Outcome<std::vector<Curve>> asCurves(const Outcome<std::vector<Path>>& o) {
    if (!o)
        return o.refusal;
    return std::vector<Curve>(o.value.begin(), o.value.end());
}

// Whether a point lies inside a closed path (crossings of a ray to the right, on the path's
// arcs followed closely).
bool insideClosed(const Path& approximation, Vec2 p) {
    bool in = false;
    const std::size_t n = approximation.v.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Vec2 a = approximation.v[i].p, b = approximation.v[j].p;
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

double turnSign(Vec2 in, Vec2 out) {
    const double c = cross(in, out);
    return c > 0 ? 1 : c < 0 ? -1 : 0;
}

} // namespace

Outcome<std::vector<Curve>> offsetCurve(const Curve& c, double distance, CornerJoin corners) {
    if (const auto* l = std::get_if<LineData>(&c))
        return asCurves(offsetLine(*l, distance));
    if (const auto* a = std::get_if<ArcData>(&c))
        return asCurves(offsetArc(*a, distance));
    if (const auto* ci = std::get_if<CircleData>(&c))
        return asCurves(offsetCircle(*ci, distance));
    if (const auto* e = std::get_if<EllipseData>(&c))
        return asCurves(offsetEllipse(*e, distance));
    if (const auto* sp = std::get_if<SplineData>(&c))
        return asCurves(offsetSpline(sp->fit, sp->closed, distance));
    return asCurves(offsetPath(std::get<Path>(c), distance, corners));
}

int offsetSide(const Curve& c, Vec2 p) {
    if (!finite(c) || !finite(p))
        return 0;
    if (isClosed(c)) {
        const Rect r = curveBox(c);
        const Path outline = pathApproximation(c, 1e-6 * std::max({r.width(), r.height(), 1e-300}));
        if (distanceTo(c, p) == 0)
            return 0;
        Path straight = outline;
        // Arc segments followed by short chords for the crossing count.
        if (std::any_of(outline.v.begin(), outline.v.end(),
                        [](const PathVertex& v) { return v.bulge != 0; })) {
            straight.v.clear();
            for (std::size_t i = 0; i < outline.segmentCount(); ++i) {
                const PathSegment s = segmentOf(outline, i);
                const int steps = s.isArc() ? 64 : 1;
                for (int k = 0; k < steps; ++k)
                    straight.v.push_back({pointAt(s, static_cast<double>(k) / steps), 0});
            }
        }
        const bool counterClockwise = signedArea(straight) >= 0;
        return insideClosed(straight, p) == counterClockwise ? 1 : -1;
    }
    const double u = closestParameter(c, p);
    const Vec2 q = pointAt(c, u);
    if (p == q)
        return 0;
    const Vec2 away = p - q;
    // At a vertex of a polyline, the point lies off the outer side of its turn, unless both
    // segments see it on one side.
    if (const auto* path = std::get_if<Path>(&c)) {
        const double end = static_cast<double>(path->segmentCount());
        const double whole = std::round(u);
        if (std::abs(u - whole) <= 1e-9 && whole > 0 && whole < end) {
            const auto k = static_cast<std::size_t>(whole);
            const Vec2 in = tangentAt(segmentOf(*path, k - 1), 1),
                       out = tangentAt(segmentOf(*path, k), 0);
            const double a = turnSign(in, away), b = turnSign(out, away);
            if (a == b && a != 0)
                return static_cast<int>(a);
            const double turn = turnSign(in, out);
            return turn > 0 ? -1 : 1;
        }
    }
    const double side = turnSign(tangentAt(c, u), away);
    return side < 0 ? -1 : 1;
}

double offsetThroughDistance(const Curve& c, Vec2 p) {
    return distanceTo(c, p);
}

Outcome<std::vector<Curve>> offsetCurveToward(const Curve& c, double distance, Vec2 side,
                                              CornerJoin corners) {
    const int s = offsetSide(c, side);
    if (s == 0)
        return Refusal::ZeroDistance;
    return offsetCurve(c, s * std::abs(distance), corners);
}

Outcome<std::vector<Curve>> offsetCurveThrough(const Curve& c, Vec2 through, CornerJoin corners) {
    const int s = offsetSide(c, through);
    if (s == 0)
        return Refusal::ZeroDistance;
    return offsetCurve(c, s * offsetThroughDistance(c, through), corners);
}

} // namespace cad
