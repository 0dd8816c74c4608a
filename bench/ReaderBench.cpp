// Reading road-design drawings: a generated plan of 100 MB, and a sheet set of profiles, read
// into a fresh document each time, with the progress window and its event processing as in the
// program (the platform's processEvents is real; no dialog is shown).
#include "engine/CadApi.h"
#include "import/RoadDesignReader.h"
#include "import/Unit_progres.h"
#include "support/Platform.h"
#include "tools/RoadDrawingGenerator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_reader";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(argc, argv);
    static TForm_Progres progress;
    return app;
}

QString generated(RoadSheet sheet, int megabytes) {
    const QString path =
        QDir::tempPath() + QStringLiteral("/kwl-bench-%1-%2.kwl").arg(int(sheet)).arg(megabytes);
    if (!QFile::exists(path)) {
        std::ofstream out(QFile::encodeName(path).constData(), std::ios::binary);
        GenerateRoadDrawing(out, sheet, std::uint64_t(megabytes) << 20, 1);
    }
    return path;
}

void read(benchmark::State& state, RoadSheet sheet) {
    application();
    const QString path = generated(sheet, int(state.range(0)));
    const long long size = QFileInfo(path).size();
    for (auto _ : state) {
        state.PauseTiming();
        cadReset();
        cadFileNew(0, "");
        state.ResumeTiming();
        FileSize = size;
        benchmark::DoNotOptimize(ReadRoadDesignDrawing(path, 0, 0));
    }
    state.SetBytesProcessed(state.iterations() * size);
    const auto stats = cadGetStatistics();
    if (stats)
        state.counters["entities"] = double(stats->entities);
}

void BM_ReadPlan(benchmark::State& state) {
    read(state, RoadSheet::Plan);
}
void BM_ReadProfile(benchmark::State& state) {
    read(state, RoadSheet::Profile);
}

} // namespace

BENCHMARK(BM_ReadPlan)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadProfile)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
