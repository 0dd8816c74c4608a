// Offsetting a closed polyline of 100 000 vertices with arc segments: a ring 200 km across in
// national-grid coordinates, waving 50 m in and out a thousand times, its segments 6 m long and
// every other one an arc bulging out or in (radius about 6 m). Inward by 2 m (no loops), and
// inward by 10 m and outward by 10 m with round corners: there the arcs smaller than the
// distance turn inside out, and the offset has some 50 000 small loops to cut away.
#include "engine/model/Offset.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace cad;

namespace {

constexpr int kVertices = 100'000;

const Path& ring() {
    static const Path p = [] {
        Path out;
        out.closed = true;
        const double radius = 100'000, wave = 50;
        for (int i = 0; i < kVertices; ++i) {
            const double a = 2 * kPi * i / kVertices;
            const double r = radius + wave * std::sin(1000 * a);
            out.v.push_back({{512'000 + r * std::cos(a), 5'800'000 + r * std::sin(a)},
                             i % 2 == 0 ? 0.0 : (i % 4 == 1 ? 0.3 : -0.3)});
        }
        return out;
    }();
    return p;
}

void offsetRing(benchmark::State& state, double distance, CornerJoin corners) {
    const Path& p = ring();
    std::size_t pieces = 0, vertices = 0;
    for (auto _ : state) {
        const auto out = offsetPath(p, distance, corners);
        pieces = out.value.size();
        vertices = 0;
        for (const Path& q : out.value)
            vertices += q.v.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["pieces"] = static_cast<double>(pieces);
    state.counters["vertices"] = static_cast<double>(vertices);
}

void BM_OffsetInward2(benchmark::State& s) {
    offsetRing(s, 2, CornerJoin::Extend);
}
void BM_OffsetInward10(benchmark::State& s) {
    offsetRing(s, 10, CornerJoin::Extend);
}
void BM_OffsetOutward10Round(benchmark::State& s) {
    offsetRing(s, -10, CornerJoin::Round);
}

} // namespace

BENCHMARK(BM_OffsetInward2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OffsetInward10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OffsetOutward10Round)->Unit(benchmark::kMillisecond);
