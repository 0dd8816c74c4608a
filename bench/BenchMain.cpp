#include "bench/BenchMain.h"
#include "engine/CadApi.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<std::function<void()>>& cleanUps() {
    static std::vector<std::function<void()>> list;
    return list;
}

} // namespace

void atBenchmarksEnd(std::function<void()> cleanUp) {
    cleanUps().push_back(std::move(cleanUp));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& cleanUp : cleanUps())
        cleanUp();
    cleanUps().clear();
    // The engine's documents, and what it keeps of the windows, go while Qt still runs.
    cadReset();
    return 0;
}
