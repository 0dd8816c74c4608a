// The modify commands on big drawings. In the drawing of a million entities: what the trim and
// extend commands do for one cursor move over a 1 km line (the edges near it found through the
// spatial index, then the part a click would cut away, or the end lengthened), with every
// entity as an edge. A 100 x 100 rectangular array of an insertion of a 50-entity block: the
// 9 999 copies made as one change.
#include "bench/MillionDrawing.h"
#include "engine/commands/ModifySupport.h"
#include "engine/edit/ChangeSet.h"
#include "engine/model/ArrayPattern.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Transform.h"
#include "engine/model/TrimExtend.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace cad;

namespace {

struct Road {
    std::unique_ptr<Drawing> d = std::make_unique<Drawing>();
    int line = -1;
};

const Road& road() {
    static const Road r = [] {
        Road out;
        bench::fillMillionEntities(*out.d);
        out.line = out.d->addLine({{50'000, 30'000}, {51'000, 30'300}});
        std::vector<std::uint32_t> warm;
        out.d->query(out.d->extents(), warm); // the spatial index built before timing
        return out;
    }();
    return r;
}

void BM_TrimPreviewEveryEdge(benchmark::State& state) {
    const Road& r = road();
    const Curve target = *curveOf(*r.d, r.line);
    const Vec2 pick{50'500, 30'150};
    std::size_t edges = 0;
    for (auto _ : state) {
        std::vector<Curve> near;
        edgesNear(*r.d, target, r.line, 0.01, near);
        const auto made = trimCurve(target, pick, near);
        edges = near.size();
        benchmark::DoNotOptimize(made);
    }
    state.counters["edges"] = static_cast<double>(edges);
}

void BM_ExtendPreviewEveryEdge(benchmark::State& state) {
    const Road& r = road();
    const Curve target = *curveOf(*r.d, r.line);
    const Vec2 pick{50'990, 30'297};
    bool met = false;
    for (auto _ : state) {
        // As the command does: looked for farther and farther until an edge is met.
        for (double reach = 64; reach < 200'000; reach *= 4) {
            std::vector<Curve> near;
            edgesNear(*r.d, target, r.line, reach, near);
            const auto longer = extendCurve(target, pick, near);
            met = bool(longer);
            if (longer || longer.refusal != Refusal::NoIntersection)
                break;
        }
        benchmark::DoNotOptimize(met);
    }
    state.counters["met"] = met;
}

void BM_RectangularArray100x100Of50EntityBlock(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<Drawing>();
        const std::size_t first = d->entities.size();
        for (int i = 0; i < 50; ++i)
            d->addLine({{double(i % 10), double(i / 10)}, {double(i % 10) + 0.5, double(i / 10)}});
        const int block = d->makeBlock("slupek", {0, 0}, first);
        const int insert = d->addInsert({block, {0, 0}, 1, 1, 0});
        RectangularArray a;
        a.rows = a.columns = 100;
        a.rowSpacing = a.columnSpacing = 25;
        state.ResumeTiming();
        const auto copies = rectangularArray(a);
        ChangeSet c(*d);
        for (const Similarity& s : *copies)
            transformEntity(c, duplicateEntity(c, insert), s);
        benchmark::DoNotOptimize(d->entities.size());
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_TrimPreviewEveryEdge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtendPreviewEveryEdge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RectangularArray100x100Of50EntityBlock)->Unit(benchmark::kMillisecond);
