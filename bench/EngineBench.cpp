// Building a large drawing through the interface: 10 million vertices in 1 million polylines,
// as the road-design reader adds them.
#include "engine/CadApi.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <unistd.h>

namespace {

double residentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

constexpr int kPolylines = 1'000'000;
constexpr int kVerticesEach = 10;

void AddPolylines(benchmark::State& state) {
    double bytesPerVertex = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cadReset();
        cadFileNew(0, "");
        const double before = residentBytes();
        state.ResumeTiming();
        double x = 0;
        for (int p = 0; p < kPolylines; ++p) {
            cadPolylineBegin();
            for (int v = 0; v < kVerticesEach; ++v, x += 0.5)
                cadVertex(x, p * 0.25 + v);
            cadAddPolyline(0, 0);
        }
        state.PauseTiming();
        bytesPerVertex = (residentBytes() - before) / (double(kPolylines) * kVerticesEach);
        cadReset();
        state.ResumeTiming();
    }
    state.counters["vertices/s"] =
        benchmark::Counter(double(kPolylines) * kVerticesEach * double(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["resident_bytes/vertex"] = bytesPerVertex;
}
BENCHMARK(AddPolylines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
