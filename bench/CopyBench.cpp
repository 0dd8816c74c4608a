// Copies of unsaved work on a drawing of a million entities: how long the window waits while
// the copy is taken (the drawing copied on its thread), and how long the whole copy takes until
// it is in its file (written on a thread of its own).
#include "bench/BenchMain.h"
#include "bench/MillionDrawing.h"
#include "engine/Engine.h"
#include "engine/io/NativeFormat.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace cad;

namespace {

struct Scene {
    int document = 0;
    QTemporaryDir folder;
    std::string copy;
};

Scene& scene() {
    static Scene* s = [] {
        auto* s = new Scene;
        atBenchmarksEnd([s] {
            cadReset();
            delete s;
        });
        cadReset();
        s->document = cadFileNew(0, "");
        engine().active()->load(
            [](std::unique_ptr<Drawing>& d) { bench::fillMillionEntities(*d); });
        s->copy = QFile::encodeName(s->folder.filePath(QStringLiteral("1.rdw"))).toStdString();
        return s;
    }();
    return *s;
}

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The window's share: from the call until it returns, the copy being written meanwhile.
void CopyTakenOnTheWindowThread(benchmark::State& state) {
    Scene& s = scene();
    double blocked = 0, total = 0;
    for (auto _ : state) {
        bool written = false;
        const auto t0 = std::chrono::steady_clock::now();
        const bool started =
            cadDocWriteCopy(s.document, s.copy,
                            [&written](int, const std::string& error) { written = error.empty(); });
        const auto t1 = std::chrono::steady_clock::now();
        state.PauseTiming();
        cadWaitForCopies();
        const auto t2 = std::chrono::steady_clock::now();
        if (!started || !written)
            state.SkipWithError("the copy was not written");
        blocked += milliseconds(t1 - t0);
        total += milliseconds(t2 - t0);
        state.ResumeTiming();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["blocked_ms"] = blocked / n;
    state.counters["total_ms"] = total / n;
    state.counters["file_MB"] = double(QFileInfo(QFile::decodeName(s.copy.c_str())).size()) / 1e6;
}

// The drawing copied alone (the larger part of the window's share).
void ContentCopyOfTheDrawing(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = engine().find(s.document)->drawing();
    for (auto _ : state)
        benchmark::DoNotOptimize(d.contentCopy());
}

// For comparison: the same drawing saved on the window's thread, as a save does.
void SaveOnTheWindowThread(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = engine().find(s.document)->drawing();
    for (auto _ : state)
        saveNative(d, s.copy);
}

} // namespace

BENCHMARK(CopyTakenOnTheWindowThread)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ContentCopyOfTheDrawing)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(SaveOnTheWindowThread)->Unit(benchmark::kMillisecond)->Iterations(5);
