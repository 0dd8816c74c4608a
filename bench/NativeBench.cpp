// Saving and loading native drawings. A drawing of a million polylines of ten vertices each
// (ten million vertices) has to go each way in well under a second.
#include "engine/io/NativeFormat.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int kPolylines = 1'000'000;
constexpr int kVertices = 10;

const cad::Drawing& millionPolylines() {
    static const cad::Drawing drawing = [] {
        cad::Drawing d;
        d.entities.reserve(kPolylines);
        d.vertices.reserve(std::size_t{kPolylines} * kVertices);
        cad::Vec2 v[kVertices];
        for (int i = 0; i < kPolylines; ++i) {
            for (int k = 0; k < kVertices; ++k)
                v[k] = {i * 0.5 + k * 1.25, (i % 1000) * 2.0 - k * 0.75};
            d.addPolyline(v, kVertices, i % 3 == 0);
        }
        return d;
    }();
    return drawing;
}

// The same drawing after every tenth polyline was deleted: saving compacts it first.
const cad::Drawing& withDeletions() {
    static const cad::Drawing drawing = [] {
        cad::Drawing d = millionPolylines();
        for (std::size_t h = 0; h < d.entities.size(); h += 10)
            d.entities[h].set(cad::EntityFlag::Deleted, true);
        return d;
    }();
    return drawing;
}

std::string benchPath() {
    return "/tmp/kwl-bench-native-" + std::to_string(getpid()) + ".rdw";
}

double fileMegabytes(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) / 1e6 : 0;
}

void SaveMillionPolylines(benchmark::State& state) {
    const cad::Drawing& d = millionPolylines();
    const std::string path = benchPath();
    for (auto _ : state)
        cad::saveNative(d, path);
    state.counters["file_MB"] = fileMegabytes(path);
    std::remove(path.c_str());
}
BENCHMARK(SaveMillionPolylines)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void LoadMillionPolylines(benchmark::State& state) {
    const std::string path = benchPath();
    cad::saveNative(millionPolylines(), path);
    for (auto _ : state) {
        auto d = cad::loadNative(path);
        benchmark::DoNotOptimize(d->vertices.data());
        state.PauseTiming(); // freeing the drawing is no part of loading it
        d.reset();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = fileMegabytes(path);
    std::remove(path.c_str());
}
BENCHMARK(LoadMillionPolylines)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void SaveMillionPolylinesWithDeletions(benchmark::State& state) {
    const cad::Drawing& d = withDeletions();
    const std::string path = benchPath();
    for (auto _ : state)
        cad::saveNative(d, path);
    state.counters["file_MB"] = fileMegabytes(path);
    std::remove(path.c_str());
}
BENCHMARK(SaveMillionPolylinesWithDeletions)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);

// Without the file system: the encoding and checking alone.
void WriteMillionPolylinesToMemory(benchmark::State& state) {
    const cad::Drawing& d = millionPolylines();
    for (auto _ : state) {
        const std::string bytes = cad::writeNative(d);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(WriteMillionPolylinesToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadMillionPolylinesFromMemory(benchmark::State& state) {
    const std::string bytes = cad::writeNative(millionPolylines());
    for (auto _ : state) {
        auto d = cad::readNative(bytes);
        benchmark::DoNotOptimize(d->vertices.data());
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(ReadMillionPolylinesFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The small end: an empty drawing with the program's seventy layers, saved and loaded the way
// every new document starts.
void SaveAndLoadSeventyLayers(benchmark::State& state) {
    cad::Drawing d;
    for (int i = 1; i < 70; ++i)
        d.layers.push_back({std::to_string(i), 0x000000FFu * static_cast<unsigned>(i % 7), 0, 0.25,
                            true, false, true});
    const std::string path = benchPath();
    for (auto _ : state) {
        cad::saveNative(d, path);
        benchmark::DoNotOptimize(cad::loadNative(path).get());
    }
    std::remove(path.c_str());
}
BENCHMARK(SaveAndLoadSeventyLayers)->Unit(benchmark::kMicrosecond);

} // namespace
