// Saving a large drawing as DXF: polylines of ten vertices in a few layers, a million of them
// by default, with coordinates of the size survey data has. bench/dxf_compare.sh runs this next
// to ezdxf writing the same entities (bench/dxf_ezdxf.py).
//
// KWL_DXF_POLYLINES=n runs one size only; the file goes to /tmp and is removed afterwards.
#include "engine/io/Dxf.h"
#include "engine/model/Drawing.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The same numbers as dxf_ezdxf.py.
cad::Drawing roadDrawing(long polylines) {
    cad::Drawing d;
    for (const char* name : {"Krawedzie", "Osie", "Rowy", "Skarpy"})
        d.layers.push_back(cad::Layer{name, 0x0000FF, 0x0000FF, 0.25, true, false, true});
    d.vertices.reserve(std::size_t(polylines) * 10);
    d.entities.reserve(std::size_t(polylines));
    cad::Vec2 v[10];
    for (long i = 0; i < polylines; ++i) {
        for (int k = 0; k < 10; ++k)
            v[k] = {7500000.0 + double(i) * 0.731 + k * 1.25,
                    5500000.0 + double(i % 997) * 3.17 + k * 0.5};
        d.current.layer = 1 + int(i % 4);
        d.addPolyline(v, 10, false);
    }
    return d;
}

void SaveDxf(benchmark::State& state) {
    const long n = long(state.range(0));
    const cad::Drawing d = roadDrawing(n);
    const std::string path = "/tmp/kwl_bench_dxf_" + std::to_string(n) + ".dxf";
    for (auto _ : state)
        cad::saveDxf(d, path);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["MB"] = double(QFileInfo(QString::fromStdString(path)).size()) / 1e6;
    std::remove(path.c_str());
}

const int registered = [] {
    std::vector<long> sizes{100000, 1000000};
    if (const char* n = std::getenv("KWL_DXF_POLYLINES"))
        sizes = {std::atol(n)};
    for (const long n : sizes)
        benchmark::RegisterBenchmark("SaveDxf", SaveDxf)
            ->Arg(n)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return 0;
}();

} // namespace
