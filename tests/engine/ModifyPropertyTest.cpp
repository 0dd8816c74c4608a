// Random polylines with arcs (a fixed seed, some thousands of them, open and closed, crossing
// themselves or not): offset, trim and fillet answer every one without throwing, never with a
// number that is not finite or a segment of no length; an offset never comes nearer to the
// polyline than its distance, nor crosses itself where the polyline does not.
#include "engine/model/Fillet.h"
#include "engine/model/Offset.h"
#include "engine/model/TrimExtend.h"
#include "tests/engine/PathChecks.h"

#include <gtest/gtest.h>

#include <random>

using namespace cad;

namespace {

constexpr int kCases = 3000;

struct RandomPaths {
    std::mt19937 random{20240611};

    double uniform(double from, double to) {
        return std::uniform_real_distribution<double>(from, to)(random);
    }
    int count(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); }

    Path path() {
        Path p;
        p.closed = count(0, 1) == 1;
        const int n = count(2, 9);
        for (int i = 0; i < n; ++i)
            p.v.push_back(
                {{uniform(0, 100), uniform(0, 100)}, count(0, 1) == 0 ? 0.0 : uniform(-2, 2)});
        // Now and then a vertex twice, or the first again at the end.
        if (count(0, 9) == 0)
            p.v.push_back(p.v.back());
        if (!p.closed)
            p.v.back().bulge = 0;
        return p;
    }
};

std::string faultsOf(const Curve& c) {
    if (!finite(c))
        return "a number that is not finite";
    if (const auto* p = std::get_if<Path>(&c))
        return checks::numberFaults(*p, 1e-12);
    return {};
}

} // namespace

TEST(ModifyProperties, OffsetsOfRandomPolylinesKeepTheirDistance) {
    RandomPaths r;
    int made = 0;
    for (int k = 0; k < kCases; ++k) {
        const Path p = r.path();
        double d = r.uniform(-30, 30);
        if (std::abs(d) < 0.01)
            d = 0.01;
        const CornerJoin corners = r.count(0, 1) == 0 ? CornerJoin::Round : CornerJoin::Extend;
        SCOPED_TRACE(testing::Message() << "case " << k << " distance " << d);
        Outcome<std::vector<Path>> out;
        EXPECT_NO_THROW(out = offsetPath(p, d, corners));
        if (!out)
            continue;
        ++made;
        // The offset of a polyline that does not cross itself does not cross itself either.
        const bool simple = checks::selfCrossings(p, 1e-9).empty();
        for (const Path& q : out.value) {
            ASSERT_EQ(checks::numberFaults(q, 1e-12), "");
            if (simple) {
                ASSERT_TRUE(checks::selfCrossings(q, 1e-7).empty());
            }
            for (std::size_t i = 0; i < q.segmentCount(); ++i)
                for (const double t : {0.0, 0.5}) {
                    const Vec2 at = pointAt(segmentOf(q, i), t);
                    ASSERT_GT(distanceTo(p, at), std::abs(d) * (1 - 1e-6) - 1e-9)
                        << "segment " << i << " at " << t;
                }
        }
    }
    // Most of them have an offset.
    EXPECT_GT(made, kCases / 2);
}

TEST(ModifyProperties, TrimsAndFilletsOfRandomPolylines) {
    RandomPaths r;
    for (int k = 0; k < kCases; ++k) {
        const Path p = r.path();
        SCOPED_TRACE(testing::Message() << "case " << k);
        // Two lines across, and another random polyline, as cutting edges.
        const std::vector<Curve> edges{LineData{{r.uniform(0, 100), -10}, {r.uniform(0, 100), 110}},
                                       LineData{{-10, r.uniform(0, 100)}, {110, r.uniform(0, 100)}},
                                       r.path()};
        const Vec2 pick{r.uniform(0, 100), r.uniform(0, 100)};
        Outcome<std::vector<Curve>> trimmed;
        EXPECT_NO_THROW(trimmed = trimCurve(p, pick, edges, r.count(0, 1) == 1));
        for (const Curve& c : trimmed.value)
            ASSERT_EQ(faultsOf(c), "");
        Outcome<Curve> extended;
        EXPECT_NO_THROW(extended = extendCurve(p, pick, edges, true));
        if (extended) {
            ASSERT_EQ(faultsOf(extended.value), "");
        }

        const double radius = r.count(0, 4) == 0 ? 0.0 : r.uniform(0, 20);
        const auto vertex = static_cast<std::size_t>(r.count(0, static_cast<int>(p.v.size()) - 1));
        Outcome<Path> one;
        EXPECT_NO_THROW(one = filletPathCorner(p, vertex, radius));
        if (one) {
            ASSERT_EQ(checks::numberFaults(*one, 1e-12), "");
        }
        Outcome<PathCorners> all;
        EXPECT_NO_THROW(all = filletPathAll(p, radius));
        if (all) {
            ASSERT_EQ(checks::numberFaults(all->path, 1e-12), "");
        }
        if (p.segmentCount() >= 3) {
            const auto a =
                static_cast<std::size_t>(r.count(0, static_cast<int>(p.segmentCount()) - 1));
            const std::size_t b = (a + static_cast<std::size_t>(r.count(1, 2))) % p.segmentCount();
            Outcome<Path> again;
            EXPECT_NO_THROW(again = filletPathSegments(p, a, b, radius));
            if (again) {
                ASSERT_EQ(checks::numberFaults(*again, 1e-12), "");
            }
        }
        // Two random lines filleted.
        const LineData l1{{r.uniform(0, 100), r.uniform(0, 100)},
                          {r.uniform(0, 100), r.uniform(0, 100)}};
        const LineData l2{{r.uniform(0, 100), r.uniform(0, 100)},
                          {r.uniform(0, 100), r.uniform(0, 100)}};
        Outcome<FilletResult> f;
        EXPECT_NO_THROW(f = filletCurves(l1, l1.a, l2, l2.b, radius));
        if (f) {
            ASSERT_EQ(faultsOf(f->first), "");
            ASSERT_EQ(faultsOf(f->second), "");
        }
    }
}
