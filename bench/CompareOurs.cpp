// Our side of bench/compare.sh, in one process on one drawing: a road-design drawing converted
// as "Plik KWL" converts it, saved as ".rdw", exported to DXF and printed to PDF; then the
// ".rdw" and the DXF loaded again. Prints "name milliseconds" lines.
#include "engine/CadApi.h"
#include "import/Settings.h"
#include "shell/DrawingFiles.h"
#include "support/ProgramDirectory.h"

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

double timed(const std::function<bool()>& work, const char* name) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) {
        std::fprintf(stderr, "compare_ours: %s failed\n", name);
        std::exit(1);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // "." as decimal point whatever the locale Qt took from the environment: compare.sh reads it.
    std::printf("%s %s\n", name, QByteArray::number(ms, 'f', 1).constData());
    return ms;
}

std::string bytes(const char* path) {
    return QFile::encodeName(QString::fromLocal8Bit(path)).toStdString();
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: compare_ours INPUT.kwl OUTPUT.rdw OUTPUT.dxf OUTPUT.pdf\n");
        return 2;
    }
    // The settings and line styles are copied beside the program, in the build folder's root.
    SetProgramDirectory(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    LoadSettings(QStringLiteral("KWL.knf"));
    const QString kwl = QString::fromLocal8Bit(argv[1]);
    timed([&] { return ConvertRoadDesignDrawing(kwl, 0) != 0; }, "kwl_read");
    timed([&] { return cadFileSave(bytes(argv[2]), CAD_FORMAT_NATIVE) != 0; }, "rdw_save");
    timed([&] { return cadFileSave(bytes(argv[3]), CAD_FORMAT_DXF) != 0; }, "dxf_save");
    CadPageOptions a3;
    a3.paperWidthMm = 297;
    a3.paperHeightMm = 420;
    timed([&] { return cadExportPdf(bytes(argv[4]), a3) != 0; }, "pdf_print");
    cadReset();
    timed([&] { return cadFileOpen(0, bytes(argv[2])) != 0; }, "rdw_load");
    cadReset();
    timed(
        [&] {
            cadFileNew(0, "");
            return cadFileLoad(bytes(argv[3]), CAD_FORMAT_ANY) != 0;
        },
        "dxf_load");
    return 0;
}
