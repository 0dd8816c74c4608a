// Reading road-design drawings: a generated plan of 100 MB, and a sheet set of profiles, read
// into a fresh document each time, with the progress window and its event processing as in the
// program (the platform's processEvents is real; no dialog is shown). Besides the speed it
// reports the resident memory the last read document holds ("rss_MB", the growth of the
// process's resident set over the empty engine after a first read) against its data: 16 bytes a
// vertex plus the texts' characters ("data_MB"), and their ratio ("rss_per_data").
#include "bench/BenchMain.h"
#include "engine/CadApi.h"
#include "import/RoadDesignReader.h"
#include "import/Unit_progres.h"
#include "support/Platform.h"
#include "tools/RoadDrawingGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

#include <malloc.h>
#include <unistd.h>

namespace {

// The progress window the reader reports to, made once and gone with the benchmarks.
void progressWindow() {
    static TForm_Progres* progress = [] {
        auto* p = new TForm_Progres;
        atBenchmarksEnd([p] { delete p; });
        return p;
    }();
    (void)progress;
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

// The process's resident set in bytes.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

void read(benchmark::State& state, RoadSheet sheet) {
    progressWindow();
    const QString path = generated(sheet, int(state.range(0)));
    const long long size = QFileInfo(path).size();
    // One read first, so that the code and libraries it needs are in memory before the
    // baseline: what is measured is what the document holds.
    cadReset();
    cadFileNew(0, "");
    FileSize = size;
    ReadRoadDesignDrawing(path, 0, 0);
    cadReset();
    malloc_trim(0);
    const double before = residentBytes();
    for (auto _ : state) {
        state.PauseTiming();
        cadReset();
        cadFileNew(0, "");
        state.ResumeTiming();
        FileSize = size;
        benchmark::DoNotOptimize(ReadRoadDesignDrawing(path, 0, 0));
    }
    state.SetBytesProcessed(state.iterations() * size);
    const double resident = residentBytes() - before;
    const auto stats = cadGetStatistics();
    if (stats) {
        const double data = 16.0 * double(stats->vertices) + double(stats->textChars);
        state.counters["entities"] = double(stats->entities);
        state.counters["vertices"] = double(stats->vertices);
        state.counters["rss_MB"] = resident / double(1 << 20);
        state.counters["data_MB"] = data / double(1 << 20);
        state.counters["rss_per_data"] = resident / data;
    }
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
