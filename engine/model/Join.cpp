#include "engine/model/Join.h"

#include "engine/model/VectorOps.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>

namespace cad {

using namespace vectorops;

namespace {

// The ends of the pieces sorted by x, for finding those near a point.
class Ends {
public:
    explicit Ends(const std::vector<Path>& pieces) : pieces_(pieces) {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            sorted_.push_back({pieces[i].v.front().p.x, i, false});
            sorted_.push_back({pieces[i].v.back().p.x, i, true});
        }
        std::sort(sorted_.begin(), sorted_.end(),
                  [](const End& a, const End& b) { return a.x < b.x; });
    }

    struct Found {
        std::size_t piece = 0;
        bool atEnd = false;
        double distance = 0;
    };

    // The nearest end of an unused piece within the tolerance.
    std::optional<Found> nearest(Vec2 p, double tolerance, const std::vector<char>& used) const {
        std::optional<Found> best;
        auto it = std::lower_bound(sorted_.begin(), sorted_.end(), p.x - tolerance,
                                   [](const End& e, double x) { return e.x < x; });
        for (; it != sorted_.end() && it->x <= p.x + tolerance; ++it) {
            if (used[it->piece])
                continue;
            const Path& q = pieces_[it->piece];
            const double d = dist(p, it->atEnd ? q.v.back().p : q.v.front().p);
            if (d <= tolerance && (!best || d < best->distance))
                best = Found{it->piece, it->atEnd, d};
        }
        return best;
    }

private:
    struct End {
        double x;
        std::size_t piece;
        bool atEnd;
    };
    const std::vector<Path>& pieces_;
    std::vector<End> sorted_;
};

std::optional<Path> asOpenPath(const Curve& c) {
    if (const auto* l = std::get_if<LineData>(&c))
        return pathOf(*l);
    if (const auto* a = std::get_if<ArcData>(&c)) {
        if (isClosed(c))
            return std::nullopt;
        return pathOf(*a);
    }
    if (const auto* p = std::get_if<Path>(&c)) {
        if (p->closed)
            return std::nullopt;
        return *p;
    }
    return std::nullopt;
}

// Appends a piece (forwards, or backwards when `reverse`) after the run's end, its first
// vertex taking the run's last point.
void append(std::deque<PathVertex>& run, const Path& piece, bool reverse) {
    const Path p = reverse ? reversed(piece) : piece;
    run.back().bulge = p.v.front().bulge;
    for (std::size_t i = 1; i < p.v.size(); ++i)
        run.push_back(p.v[i]);
    run.back().bulge = 0;
}

// Puts a piece before the run's start, its last vertex taking the run's first point.
void prepend(std::deque<PathVertex>& run, const Path& piece, bool reverse) {
    const Path p = reverse ? reversed(piece) : piece;
    for (std::size_t i = p.v.size() - 1; i-- > 0;)
        run.push_front(p.v[i]);
}

} // namespace

Outcome<JoinResult> joinCurves(std::span<const Curve> pieces, double tolerance) {
    if (!std::isfinite(tolerance))
        return Refusal::NotFinite;
    if (tolerance < 0)
        return Refusal::NegativeValue;
    std::vector<Path> paths;
    std::vector<std::size_t> given; // the index of each path's piece
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Curve& c = pieces[i];
        if (!finite(c))
            return Refusal::NotFinite;
        auto p = asOpenPath(c);
        if (!p)
            return Refusal::Unsupported;
        if (p->v.size() >= 2) {
            paths.push_back(std::move(*p));
            given.push_back(i);
        }
    }
    if (paths.empty())
        return Refusal::EmptyInput;
    const Ends ends(paths);
    std::vector<char> used(paths.size(), 0);
    JoinResult out;
    for (std::size_t first = 0; first < paths.size(); ++first) {
        if (used[first])
            continue;
        used[first] = 1;
        std::deque<PathVertex> run(paths[first].v.begin(), paths[first].v.end());
        run.back().bulge = 0;
        std::vector<std::size_t> members{given[first]};
        bool closed = false;
        // On from the end, then back from the start; a run that comes round to its start
        // closes.
        for (bool forward : {true, false}) {
            for (;;) {
                const Vec2 from = forward ? run.back().p : run.front().p;
                const Vec2 other = forward ? run.front().p : run.back().p;
                if (run.size() > 2 && dist(from, other) <= tolerance) {
                    closed = true;
                    break;
                }
                const auto near = ends.nearest(from, tolerance, used);
                if (!near)
                    break;
                used[near->piece] = 1;
                members.push_back(given[near->piece]);
                // Forwards a piece continues from its start; backwards it ends at the run's start.
                if (forward)
                    append(run, paths[near->piece], near->atEnd);
                else
                    prepend(run, paths[near->piece], !near->atEnd);
            }
            if (closed)
                break;
        }
        Path p;
        p.v.assign(run.begin(), run.end());
        if (closed) {
            p.closed = true;
            // The last vertex is the first again.
            p.v.pop_back();
        }
        out.paths.push_back(std::move(p));
        out.members.push_back(std::move(members));
    }
    // Gaps: each open run's ends and the nearest end of another run.
    struct RunEnd {
        Vec2 p;
        std::size_t run;
    };
    std::vector<RunEnd> runEnds;
    for (std::size_t i = 0; i < out.paths.size(); ++i)
        if (!out.paths[i].closed) {
            runEnds.push_back({out.paths[i].v.front().p, i});
            runEnds.push_back({out.paths[i].v.back().p, i});
        }
    // Ends that are each other's nearest: the gaps a person would close.
    const auto nearestTo = [&](std::size_t i) {
        std::optional<std::size_t> best;
        for (std::size_t j = 0; j < runEnds.size(); ++j)
            if (runEnds[j].run != runEnds[i].run &&
                (!best || dist(runEnds[i].p, runEnds[j].p) < dist(runEnds[i].p, runEnds[*best].p)))
                best = j;
        return best;
    };
    for (std::size_t i = 0; i < runEnds.size(); ++i) {
        const auto j = nearestTo(i);
        if (!j || *j < i || nearestTo(*j) != i)
            continue;
        out.gaps.push_back({runEnds[i].p, runEnds[*j].p, dist(runEnds[i].p, runEnds[*j].p)});
    }
    return out;
}

} // namespace cad
