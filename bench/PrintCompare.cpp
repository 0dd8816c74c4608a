// Our side of the print comparison: a road-design drawing converted as "Plik KWL" converts it,
// exported to DXF (the other program's input), and printed to a PDF page fitted to A3 landscape,
// once from the converted drawing and once from the DXF file loaded again. Prints the times in
// milliseconds as "name value" lines for bench/print_compare.sh.
#include "engine/CadApi.h"
#include "engine/Engine.h"
#include "engine/ui/Printing.h"
#include "import/Settings.h"
#include "shell/DrawingFiles.h"
#include "support/ProgramDirectory.h"

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool printActive(const QString& pdf) {
    cad::PrintSettings s;
    s.toPdf = true;
    s.pdfPath = pdf;
    s.pageSize = QPageSize(QPageSize::A3);
    s.orientation = QPageLayout::Landscape;
    const cad::Drawing* d = cad::activeDrawing();
    return d && cad::printToPdf(*d, s, pdf);
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: print_compare_ours INPUT.kwl OUTPUT.dxf OUTPUT.pdf\n");
        return 2;
    }
    const QString kwl = QString::fromLocal8Bit(argv[1]);
    const QString dxf = QString::fromLocal8Bit(argv[2]);
    const QString pdf = QString::fromLocal8Bit(argv[3]);
    // The settings and line styles are copied beside the program, in the build folder's root.
    SetProgramDirectory(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    LoadSettings(QStringLiteral("KWL.knf"));

    auto start = std::chrono::steady_clock::now();
    ConvertRoadDesignDrawing(kwl, 0);
    const double convert = since(start);
    start = std::chrono::steady_clock::now();
    if (!printActive(pdf))
        return 1;
    const double printConverted = since(start);
    if (!cadFileSave(QFile::encodeName(dxf).toStdString(), CAD_FORMAT_DXF))
        return 1;

    cadReset();
    start = std::chrono::steady_clock::now();
    cadFileNew(0, "");
    if (!cadFileLoad(QFile::encodeName(dxf).toStdString(), CAD_FORMAT_ANY))
        return 1;
    const double loadDxf = since(start);
    start = std::chrono::steady_clock::now();
    if (!printActive(pdf))
        return 1;
    const double printDxf = since(start);
    // "." as decimal point whatever the locale Qt took from the environment: the script reads it.
    auto ms = [](double v) { return QByteArray::number(v, 'f', 1); };
    std::printf("kwl_convert %s\nkwl_print %s\ndxf_load %s\ndxf_print %s\n",
                ms(convert).constData(), ms(printConverted).constData(), ms(loadDxf).constData(),
                ms(printDxf).constData());
    return 0;
}
