// The command line on the sample drawings and on bad input: what it writes is read by other
// programs (ezdxf audits the DXF, pdftoppm renders the PDF), and its exit codes and messages.
#include "shell/CommandLine.h"
#include "engine/CadApi.h"
#include "import/Settings.h"
#include "support/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

const QString kSources = QStringLiteral(KWL_SOURCE_DIR "/samples/");

class Console : public ::testing::Test {
protected:
    void SetUp() override {
        cadReset();
        ASSERT_TRUE(dir.isValid());
        SetProgramDirectory(QStringLiteral(KWL_SOURCE_DIR "/data"));
        copySamples();
    }
    void TearDown() override {
        SetProgramDirectory(QString());
        cadReset();
    }
    // Runs the command line in this process; its exit status, with what it printed.
    int run(const QStringList& arguments) {
        std::FILE* o = std::tmpfile();
        std::FILE* e = std::tmpfile();
        const int status = RunCommandLine(arguments, o, e);
        out = contents(o);
        err = contents(e);
        return status;
    }
    static QString contents(std::FILE* f) {
        std::rewind(f);
        QByteArray bytes;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, static_cast<qsizetype>(n));
        std::fclose(f);
        return QString::fromUtf8(bytes);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The shipped samples are read from copies, with their block library beside them: nothing
    // the tests write, nor anything earlier runs of the program left beside the shipped ones,
    // changes what the tests see.
    void copySamples() {
        QDir(dir.path()).mkpath(QStringLiteral("samples"));
        for (const char* name : {"plan.kwl", "profil.kwl", "przekroje.kwl", "KWL_BLOKI.knf"})
            ASSERT_TRUE(QFile::copy(kSources + QString::fromLatin1(name),
                                    path(QStringLiteral("samples/")) + QString::fromLatin1(name)));
        samples = path(QStringLiteral("samples/"));
    }

    QTemporaryDir dir;
    QString out, err;
    QString samples;
};

// ezdxf's audit of a DXF file and what it holds: layer names and entities by type.
QJsonObject describeDxf(const QString& file) {
    static const char* script = R"(
import json, sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
counts = {}
for e in doc.modelspace():
    counts[e.dxftype()] = counts.get(e.dxftype(), 0) + 1
print(json.dumps({"errors": len(auditor.errors), "layers": [l.dxf.name for l in doc.layers],
                  "counts": counts}))
)";
    QProcess p;
    p.start(QStringLiteral(KWL_SYSTEM_PYTHON),
            {QStringLiteral("-c"), QString::fromUtf8(script), file});
    p.waitForFinished(120000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

TEST_F(Console, RoadDrawingToDxfThatEzdxfAuditsWithTheSameLayersAndEntities) {
    ASSERT_EQ(run({QStringLiteral("--export"), path(QStringLiteral("plan.dxf")),
                   samples + QStringLiteral("plan.kwl")}),
              0)
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(samples + QStringLiteral("plan.rdw")))
        << "nothing beside the source";
    ASSERT_EQ(run({QStringLiteral("--export"), path(QStringLiteral("plan.rdw")),
                   samples + QStringLiteral("plan.kwl")}),
              0);
    // What the converted drawing holds, from the native file.
    ASSERT_GT(cadFileOpen(0, QFile::encodeName(path(QStringLiteral("plan.rdw"))).toStdString()), 0);
    const auto stats = cadGetStatistics();
    ASSERT_TRUE(stats);
    const QJsonObject dxf = describeDxf(path(QStringLiteral("plan.dxf")));
    EXPECT_EQ(dxf[QStringLiteral("errors")].toInt(-1), 0);
    const QJsonObject counts = dxf[QStringLiteral("counts")].toObject();
    EXPECT_EQ(counts[QStringLiteral("LWPOLYLINE")].toInt() +
                  counts[QStringLiteral("POLYLINE")].toInt(),
              stats->byType[CAD_ENT_POLYLINE - CAD_ENT_POINT]);
    EXPECT_EQ(counts[QStringLiteral("TEXT")].toInt() + counts[QStringLiteral("MTEXT")].toInt(),
              stats->byType[CAD_ENT_TEXT - CAD_ENT_POINT]);
    EXPECT_GT(stats->byType[CAD_ENT_POLYLINE - CAD_ENT_POINT], 1000);
    const QJsonArray layers = dxf[QStringLiteral("layers")].toArray();
    for (const char* name : {"0", "10", "31", "33"})
        EXPECT_TRUE(layers.contains(QString::fromLatin1(name))) << name;
}

TEST_F(Console, PdfPagesRenderWithTheDrawingOnThem) {
    ASSERT_EQ(run({QStringLiteral("--export"), path(QStringLiteral("profil.pdf")),
                   QStringLiteral("--paper"), QStringLiteral("A3"),
                   samples + QStringLiteral("profil.kwl")}),
              0)
        << err.toStdString();
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                  path(QStringLiteral("profil.pdf")), path(QStringLiteral("page"))});
    ASSERT_TRUE(render.waitForFinished(60000));
    ASSERT_EQ(render.exitCode(), 0);
    const QImage page(path(QStringLiteral("page-1.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height()) << "a wide sheet is printed landscape";
    int drawn = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            drawn += page.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_GT(drawn, 500);

    // At a scale the plan is spread over several pages.
    ASSERT_EQ(run({QStringLiteral("--export"), path(QStringLiteral("plan.pdf")),
                   QStringLiteral("--scale=1:1000"), samples + QStringLiteral("plan.kwl")}),
              0);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path(QStringLiteral("plan.pdf"))});
    ASSERT_TRUE(info.waitForFinished(60000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    const auto pages = text.section(QStringLiteral("Pages:"), 1)
                           .trimmed()
                           .section(QLatin1Char('\n'), 0, 0)
                           .toInt();
    EXPECT_GT(pages, 1);
}

// What poppler's tools say of a PDF: its pages, and the text of one page.
int pdfPages(const QString& pdf) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(60000) || info.exitCode() != 0)
        return -1;
    return QString::fromUtf8(info.readAllStandardOutput())
        .section(QStringLiteral("Pages:"), 1)
        .trimmed()
        .section(QLatin1Char('\n'), 0, 0)
        .toInt();
}

// The width and height of every page in points, as pdfinfo gives them.
std::vector<std::pair<double, double>> pdfPageSizes(const QString& pdf, int pages) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                           QStringLiteral("-l"), QString::number(pages), pdf});
    std::vector<std::pair<double, double>> sizes;
    if (!info.waitForFinished(60000) || info.exitCode() != 0)
        return sizes;
    static const QRegularExpression line(
        QStringLiteral("Page +\\d+ size: +([0-9.]+) x ([0-9.]+) pts"));
    auto found = line.globalMatch(QString::fromUtf8(info.readAllStandardOutput()));
    while (found.hasNext()) {
        const auto m = found.next();
        sizes.emplace_back(QLocale::c().toDouble(m.captured(1)),
                           QLocale::c().toDouble(m.captured(2)));
    }
    return sizes;
}

QString pdfPageText(const QString& pdf, int page) {
    QProcess text;
    const QString n = QString::number(page);
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
    if (!text.waitForFinished(60000) || text.exitCode() != 0)
        return {};
    return QString::fromUtf8(text.readAllStandardOutput());
}

// The areas a drawing keeps, printed a page each: a road 900 m long in metres, its chainage
// written every 300 m, and three areas along it.
TEST_F(Console, TheStoredSheetsOnePageEachWithTheChainageOnItsOwnPage) {
    ASSERT_GT(cadFileNew(0, ""), 0);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4);
    cadLayerActive(cadLayerAdd("31", 0.35, 0, 0));
    cadAddLine(0, 0, 900, 0);
    cadSetTextParam(CAD_TEXT_HEIGHT, 5);
    for (int km = 0; km < 3; ++km)
        cadAddText(150 + 300 * km, 10, "0+" + std::to_string(150 + 300 * km));
    CadSheetSettings sheets;
    sheets.paper = 1; // A3
    sheets.scale = 1000;
    ASSERT_EQ(cadSetSheetSettings(sheets), 1);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(cadPrintAreaAdd({150.0 + 300 * i, 0, 300, 150, 0}), i);
    const std::string rdw = QFile::encodeName(path(QStringLiteral("droga.rdw"))).toStdString();
    ASSERT_EQ(cadFileSave(rdw, CAD_FORMAT_NATIVE), 1);
    cadReset();
    const QString pdf = path(QStringLiteral("arkusze.pdf"));
    ASSERT_EQ(run({QStringLiteral("--export"), pdf, QStringLiteral("--sheets"),
                   path(QStringLiteral("droga.rdw"))}),
              0)
        << err.toStdString();
    EXPECT_EQ(pdfPages(pdf), 3);
    // Each page the areas' A3, lying as the areas do: 420 x 297 mm.
    const auto sizes = pdfPageSizes(pdf, 3);
    ASSERT_EQ(sizes.size(), 3u);
    for (const auto& [width, height] : sizes) {
        EXPECT_NEAR(width * 25.4 / 72, 420, 0.5);
        EXPECT_NEAR(height * 25.4 / 72, 297, 0.5);
    }
    for (int page = 1; page <= 3; ++page)
        for (int km = 0; km < 3; ++km)
            EXPECT_EQ(pdfPageText(pdf, page).contains(QStringLiteral("0+%1").arg(150 + 300 * km)),
                      km + 1 == page)
                << "page " << page << ", chainage " << 150 + 300 * km;
}

// The sample plan divided along its road's axis, named by the description of its layer in
// KWL.knf: A3 sheets at 1:500 sharing 5 %, numbered from the road's start.
TEST_F(Console, SheetsAlongTheAxisOfTheSamplePlan) {
    const QString pdf = path(QStringLiteral("plan-arkusze.pdf"));
    ASSERT_EQ(run({QStringLiteral("--export"), pdf, QString::fromUtf8(u8"--sheets-along"),
                   QString::fromUtf8(u8"oś drogi"), QStringLiteral("--paper"), QStringLiteral("A3"),
                   QStringLiteral("--scale"), QStringLiteral("1:500"), QStringLiteral("--overlap"),
                   QStringLiteral("5%"), samples + QStringLiteral("plan.kwl")}),
              0)
        << err.toStdString();
    // 2 km of road on sheets showing 200 m each less the overlap.
    const int pages = pdfPages(pdf);
    EXPECT_GE(pages, 11);
    EXPECT_LE(pages, 16);
    EXPECT_TRUE(pdfPageText(pdf, 1).contains(QStringLiteral("KM 0+100")));
    EXPECT_FALSE(pdfPageText(pdf, pages).contains(QStringLiteral("KM 0+100")));
    EXPECT_TRUE(pdfPageText(pdf, pages).contains(QStringLiteral("Arkusz %1 z %1").arg(pages)));
    // The layer's own name does as well; a layer the drawing lacks fails with its reason.
    EXPECT_EQ(run({QStringLiteral("--export"), pdf, QStringLiteral("--sheets-along"),
                   QStringLiteral("31"), samples + QStringLiteral("plan.kwl")}),
              0)
        << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--export"), pdf, QStringLiteral("--sheets-along"),
                   QStringLiteral("rzeka"), samples + QStringLiteral("plan.kwl")}),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("rzeka"))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    // A drawing without areas has no sheets to print.
    EXPECT_EQ(run({QStringLiteral("--export"), pdf, QStringLiteral("--sheets"),
                   samples + QStringLiteral("profil.kwl")}),
              1);
}

TEST_F(Console, ManyFilesAtOnceGoOnPastAFailure) {
    write(QStringLiteral("zly.kwl"), "IBMRYSUNEK\r\n0,0,0\r\n");
    write(QStringLiteral("zly.rdw"), QByteArray(400, 'x'));
    const QString outDir = path(QStringLiteral("wyniki"));
    EXPECT_EQ(run({QStringLiteral("--export-dir"), outDir, QStringLiteral("--format"),
                   QStringLiteral("png"), QStringLiteral("--size"), QStringLiteral("640x480"),
                   samples + QStringLiteral("przekroje.kwl"), path(QStringLiteral("brak.kwl")),
                   path(QStringLiteral("zly.kwl")), path(QStringLiteral("zly.rdw")),
                   samples + QStringLiteral("profil.kwl")}),
              1);
    const QImage png(outDir + QStringLiteral("/przekroje.png"));
    EXPECT_EQ(png.size(), QSize(640, 480));
    EXPECT_TRUE(QFile::exists(outDir + QStringLiteral("/profil.png")));
    EXPECT_TRUE(
        err.contains(path(QStringLiteral("brak.kwl")) + QStringLiteral(": nie ma takiego pliku")));
    EXPECT_TRUE(err.contains(path(QStringLiteral("zly.kwl")) +
                             QStringLiteral(": to nie jest rysunek drogowy KWL")));
    EXPECT_TRUE(err.contains(path(QStringLiteral("zly.rdw")) + QStringLiteral(": ")));
    EXPECT_EQ(err.count(QLatin1Char('\n')), 3) << err.toStdString();

    EXPECT_EQ(run({QStringLiteral("--export-dir"), outDir, QStringLiteral("--format"),
                   QStringLiteral("svg"), samples + QStringLiteral("profil.kwl")}),
              0);
    EXPECT_TRUE(QSvgRenderer(outDir + QStringLiteral("/profil.svg")).isValid());
}

TEST_F(Console, InformationWithTheEnginesTexts) {
    ASSERT_EQ(run({QStringLiteral("--info"), samples + QStringLiteral("profil.kwl")}), 0);
    EXPECT_TRUE(out.contains(QString::fromUtf8(cadText(17008).c_str()).left(5)));
    EXPECT_TRUE(out.contains(QStringLiteral("Warstwy")));
}

// The block library of each drawing's own folder, never the program's (which ships one): none
// there, no blocks.
TEST_F(Console, RoadDrawingsTakeTheBlockLibraryOfTheirOwnFolder) {
    QDir(dir.path()).mkpath(QStringLiteral("bez"));
    ASSERT_TRUE(
        QFile::copy(samples + QStringLiteral("plan.kwl"), path(QStringLiteral("bez/a.kwl"))));
    write(QStringLiteral("KWL_BLOKI.knf"), "BLOCK\r\nCIRCLE,0,0,1,1\r\nBLOCKNAME,WLASNY,0,0\r\n");
    ASSERT_TRUE(QFile::copy(samples + QStringLiteral("profil.kwl"), path(QStringLiteral("b.kwl"))));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(samples);
    EXPECT_EQ(run({QStringLiteral("--export-dir"), path(QStringLiteral("wyniki")),
                   QStringLiteral("--format"), QStringLiteral("rdw"),
                   path(QStringLiteral("bez/a.kwl")), QStringLiteral("../b.kwl")}),
              0)
        << err.toStdString();
    EXPECT_EQ(QDir::currentPath(), samples.chopped(1)) << "the directory is given back";
    QDir::setCurrent(previous);
    auto blocksOf = [this](const char* name) {
        cadReset();
        EXPECT_GT(cadFileOpen(0, QFile::encodeName(path(QString::fromLatin1(name))).toStdString()),
                  0);
        return std::pair{cadBlockIndex("STRZALKA_N") >= 0, cadBlockIndex("WLASNY") >= 0};
    };
    EXPECT_EQ(blocksOf("wyniki/a.rdw"), std::pair(false, false)) << "no library beside it";
    EXPECT_EQ(blocksOf("wyniki/b.rdw"), std::pair(false, true));
}

TEST_F(Console, WrongUsageIsTwo) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("--export"), path(QStringLiteral("a.pdf"))},
          QStringList{QStringLiteral("--export"), path(QStringLiteral("a.doc")),
                      QStringLiteral("b.kwl")},
          QStringList{QStringLiteral("--export-dir"), path(QString()), QStringLiteral("b.kwl")},
          QStringList{QStringLiteral("--info")},
          QStringList{QStringLiteral("--info"), QStringLiteral("--bogus"), QStringLiteral("b.kwl")},
          QStringList{QStringLiteral("--export"), path(QStringLiteral("a.pdf")),
                      QStringLiteral("--scale"), QStringLiteral("500"), QStringLiteral("b.kwl")},
          QStringList{QStringLiteral("--help"), QStringLiteral("--version")},
          QStringList{QStringLiteral("--sheets"), QStringLiteral("b.rdw")},
          QStringList{QStringLiteral("--export"), path(QStringLiteral("a.dxf")),
                      QStringLiteral("--sheets"), QStringLiteral("b.rdw")},
          QStringList{QStringLiteral("--export"), path(QStringLiteral("a.pdf")),
                      QStringLiteral("--sheets"), QStringLiteral("--overlap"), QStringLiteral("5%"),
                      QStringLiteral("b.rdw")},
          QStringList{QStringLiteral("--export"), path(QStringLiteral("a.pdf")),
                      QStringLiteral("--sheets-along"), QStringLiteral("31"),
                      QStringLiteral("--overlap"), QStringLiteral("pięć"), QStringLiteral("b.rdw")},
          QStringList{QStringLiteral("--export-dir"), path(QString()), QStringLiteral("--format"),
                      QStringLiteral("pdf"), QStringLiteral("--sheets"),
                      QStringLiteral("b.rdw")}}) {
        EXPECT_EQ(run(args), 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("--help")));
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << "one line: " << err.toStdString();
    }
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("--export-dir")));
}

// An option the program does not know is wrong usage, never the name of a drawing; Qt's own
// options are left to Qt.
TEST_F(Console, UnknownOptionsAreWrongUsage) {
    const QStringList bogus{QStringLiteral("--bogus")};
    const QStringList mistyped{QStringLiteral("--exprot"), path(QStringLiteral("a.pdf")),
                               samples + QStringLiteral("plan.kwl")};
    const QStringList dash{QStringLiteral("-x"), samples + QStringLiteral("plan.kwl")};
    for (const QStringList& args : {bogus, mistyped, dash}) {
        EXPECT_TRUE(IsCommandLine(args)) << args.first().toStdString();
        EXPECT_EQ(run(args), 2);
        EXPECT_TRUE(err.startsWith(QStringLiteral("KWL_Edytor: nieznana opcja: ") + args.first()))
            << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
    }
    EXPECT_FALSE(IsCommandLine({samples + QStringLiteral("plan.kwl")}));
    EXPECT_FALSE(IsCommandLine(
        {QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("plan.kwl")}));
    EXPECT_FALSE(IsCommandLine({QStringLiteral("--style=fusion")}));
    EXPECT_FALSE(IsCommandLine({}));

    QProcess p;
    p.start(QStringLiteral(KWL_EXECUTABLE), {QStringLiteral("--exprot"), QStringLiteral("x.pdf"),
                                             samples + QStringLiteral("plan.kwl")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
    const QString said = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(said.count(QLatin1Char('\n')), 1) << said.toStdString();
    EXPECT_FALSE(QFile::exists(samples + QStringLiteral("plan.rdw")));
}

// The window without any display to open it on: one clear line and status 1, not Qt's abort.
TEST_F(Console, TheWindowWithoutADisplaySaysSoInOneLine) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KWL_EXECUTABLE), {samples + QStringLiteral("plan.kwl")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(p.exitCode(), 1);
    const QString said = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(said.count(QLatin1Char('\n')), 1) << said.toStdString();
    EXPECT_TRUE(said.startsWith(QStringLiteral("KWL_Edytor: "))) << said.toStdString();
    EXPECT_FALSE(QFile::exists(samples + QStringLiteral("plan.rdw")));
}

TEST_F(Console, TheProgramNeedsNoDisplay) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KWL_EXECUTABLE),
            {QStringLiteral("--export"), path(QStringLiteral("p.png")),
             samples + QStringLiteral("plan.kwl")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("p.png"))));
    p.start(QStringLiteral(KWL_EXECUTABLE), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("KWL_Edytor "));
}

} // namespace
