// Printing a road plan on sheets along its roads: the generated plan of 100 MB (or the one
// KWL_BENCH_PLAN names), converted as "Plik KWL" converts it; the axes of its roads divided at
// 1:500 into A3 landscape sheets sharing 10 %, road after road until some 50 sheets, and those
// printed one a page into one PDF; against the whole drawing printed on one A3 page, measured in
// the same run. Reports the sheets, the time of the one page ("whole_page_ms") and the ratio of the
// two ("ratio_to_whole_page"), the size of both files, the memory the read drawing holds
// ("drawing_MB") and the most the sheet print takes beyond it at any moment ("extra_peak_MB").
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/model/Measure.h"
#include "engine/model/PrintAreas.h"
#include "engine/ui/Printing.h"
#include "engine/ui/SheetPrinting.h"
#include "import/Settings.h"
#include "shell/DrawingFiles.h"
#include "support/ProgramDirectory.h"
#include "tools/RoadDrawingGenerator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include <malloc.h>
#include <unistd.h>

namespace {

constexpr double kScale = 500;
constexpr std::size_t kSheets = 50;

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_sheets";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(argc, argv);
    // The settings and line styles are copied beside the program, in the build folder's root.
    SetProgramDirectory(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    LoadSettings(QStringLiteral("KWL.knf"));
    return app;
}

QString plan() {
    if (const char* given = std::getenv("KWL_BENCH_PLAN"))
        return QString::fromLocal8Bit(given);
    const QString path = QDir::tempPath() + QStringLiteral("/kwl-bench-0-100.kwl");
    if (!QFile::exists(path)) {
        std::ofstream out(QFile::encodeName(path).constData(), std::ios::binary);
        GenerateRoadDrawing(out, RoadSheet::Plan, std::uint64_t(100) << 20, 1);
    }
    return path;
}

double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

// The most the process has held since the last resetPeak().
double peakBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long long kb = 0;
            status >> kb;
            return double(kb) * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Plan {
    double drawingBytes = 0;
    std::vector<cad::PrintArea> areas;
    std::size_t roads = 0;
};

// The plan read once, and the sheets along the axes of its first roads (the long polylines of
// layer "31", "oś drogi").
const Plan& loaded() {
    static Plan p = [] {
        Plan p;
        application();
        const QString path = plan();
        cadReset();
        malloc_trim(0);
        const double before = residentBytes();
        ConvertRoadDesignDrawing(path, 0);
        p.drawingBytes = residentBytes() - before;
        const cad::Drawing& d = *cad::activeDrawing();
        int axisLayer = -1;
        for (std::size_t i = 0; i < d.layers.size(); ++i)
            if (d.layers[i].name == "31")
                axisLayer = static_cast<int>(i);
        cad::SheetPaper a3;
        const cad::AreaSize size =
            *cad::sheetAreaSize(a3, kScale, cad::millimetresPerUnit(d.settings.units));
        for (std::size_t i = 0; i < d.entities.size() && p.areas.size() < kSheets; ++i) {
            const cad::Entity& e = d.entities[i];
            if (e.type != cad::EntityType::Polyline || static_cast<int>(e.layer) != axisLayer ||
                e.has(cad::EntityFlag::Deleted) || !d.inModelSpace(static_cast<int>(i)))
                continue;
            const std::span<const cad::Vec2> v(d.vertexData(e), e.count);
            if (cad::pathLength(v) < 1500) // a side road
                continue;
            const auto sheets =
                cad::divideAlongAxis(cad::polylinePieces(v), size, cad::Overlap{10, true});
            for (const cad::AxisSheet& s : sheets)
                p.areas.push_back(s.area);
            ++p.roads;
        }
        return p;
    }();
    return p;
}

QString output(const char* name) {
    return QDir::tempPath() + QStringLiteral("/kwl-bench-sheets-%1-%2.pdf")
                                  .arg(QString::fromLatin1(name))
                                  .arg(getpid());
}

double printWholePage(const QString& pdf) {
    cad::PrintSettings s;
    s.toPdf = true;
    s.pdfPath = pdf;
    s.pageSize = QPageSize(QPageSize::A3);
    s.orientation = QPageLayout::Landscape;
    const auto start = std::chrono::steady_clock::now();
    if (!cad::printToPdf(*cad::activeDrawing(), s, pdf))
        return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void BM_WholeDrawingOnOnePage(benchmark::State& state) {
    const Plan& p = loaded();
    const QString pdf = output("whole");
    for (auto _ : state)
        benchmark::DoNotOptimize(printWholePage(pdf));
    state.counters["pdf_MB"] = double(QFileInfo(pdf).size()) / double(1 << 20);
    state.counters["drawing_MB"] = p.drawingBytes / double(1 << 20);
    QFile::remove(pdf);
}

void BM_SheetsAlongTheRoads(benchmark::State& state) {
    const Plan& p = loaded();
    const QString pdf = output("sheets");
    const QString whole = output("whole");
    const double wholeMs = printWholePage(whole);
    QFile::remove(whole);
    cad::SheetPrintOptions options;
    options.scale = kScale;
    options.matchLines = true;
    options.sheetLabels = true;
    double extraPeak = 0, seconds = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const double before = residentBytes();
        resetPeak();
        const auto start = std::chrono::steady_clock::now();
        if (!cad::printSheetsToPdf(*cad::activeDrawing(), p.areas, {}, options, pdf))
            state.SkipWithError("the sheets were not printed");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        extraPeak = std::max(extraPeak, peakBytes() - before);
    }
    const double sheetsMs = seconds * 1000 / double(state.iterations());
    state.counters["sheets"] = double(p.areas.size());
    state.counters["roads"] = double(p.roads);
    state.counters["whole_page_ms"] = wholeMs;
    state.counters["ratio_to_whole_page"] = sheetsMs / wholeMs;
    state.counters["pdf_MB"] = double(QFileInfo(pdf).size()) / double(1 << 20);
    state.counters["drawing_MB"] = p.drawingBytes / double(1 << 20);
    state.counters["extra_peak_MB"] = extraPeak / double(1 << 20);
    // KWL_BENCH_SHEETS_PDF keeps the sheets for a look.
    if (const char* keep = std::getenv("KWL_BENCH_SHEETS_PDF")) {
        QFile::remove(QString::fromLocal8Bit(keep));
        QFile::rename(pdf, QString::fromLocal8Bit(keep));
    }
    QFile::remove(pdf);
}

} // namespace

BENCHMARK(BM_WholeDrawingOnOnePage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SheetsAlongTheRoads)->Unit(benchmark::kMillisecond)->Iterations(3);
