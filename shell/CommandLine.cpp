#include "shell/CommandLine.h"

#include "engine/CadApi.h"
#include "import/RoadDesignReader.h"
#include "import/Settings.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "shell/DrawingFiles.h"
#include "shell/DwgProc.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/QtPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>

#include <cmath>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

void print(std::FILE* f, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
}

const char8_t kUsage[] =
    u8"Użycie:\n"
    u8"  KWL_Edytor [PLIK]                      okno programu (z rysunkiem)\n"
    u8"  KWL_Edytor --export WYJŚCIE WEJŚCIE    zamienia rysunek na inny format\n"
    u8"  KWL_Edytor --export-dir KATALOG --format pdf|dxf|svg|png|rdw WEJŚCIE...\n"
    u8"                                         zamienia wiele rysunków naraz\n"
    u8"  KWL_Edytor --export PLIK.pdf --sheets WEJŚCIE\n"
    u8"                                         arkusze: obszary do drukowania rysunku\n"
    u8"  KWL_Edytor --info WEJŚCIE...           informacje i statystyka rysunku\n"
    u8"  KWL_Edytor --help | --version\n"
    u8"\n"
    u8"WEJŚCIE: rysunek drogowy .kwl, plik .dxf albo rysunek programu .rdw.\n"
    u8"Format wyjścia wynika z rozszerzenia: .rdw, .dxf, .pdf, .svg, .png.\n"
    u8"Opcje:\n"
    u8"  --paper A4|A3|A2|A1|A0|A5|SZERxWYS   papier PDF (mm), domyślnie A4\n"
    u8"  --scale 1:N                          PDF w skali (np. 1:500) na tylu arkuszach,\n"
    u8"                                       ilu potrzeba; bez niej rysunek na jednej stronie\n"
    u8"  --size SZERxWYS                      rozmiar obrazu PNG i SVG w pikselach,\n"
    u8"                                       domyślnie 1920x1080\n"
    u8"  --sheets                             PDF z obszarów do drukowania zapisanych\n"
    u8"                                       w rysunku, obszar na stronie (papier i skala\n"
    u8"                                       obszarów, jeśli nie podano --paper i --scale)\n"
    u8"  --sheets-along WARSTWA               najpierw dzieli najdłuższą polilinię warstwy\n"
    u8"                                       (nazwa albo opis z KWL.knf, np. \"oś drogi\")\n"
    u8"                                       na obszary wzdłuż niej; dalej jak --sheets\n"
    u8"  --overlap N% | Nm                    zakładka sąsiednich arkuszy, domyślnie 10%\n"
    u8"\n"
    u8"Kod wyjścia: 0 wszystko zamienione, 1 któryś plik się nie udał, 2 błędne wywołanie.\n";

// The person is not there: questions get their harmless answer, messages are kept for the
// report of the file they came with.
class ConsolePlatform : public Platform {
public:
    QStringList messages;
    int messageBox(const QString&, const QString& text, int style) override {
        messages << text;
        return (style & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override { return std::nullopt; }
    int showModal(QWidget*) override { return 0; }
    void beep() override {}
    QStringList fontFamilies() override {
        return FontFamiliesWithSubstitutes(QFontDatabase::families());
    }
    void processEvents() override {}
};

class ConsoleResponder : public CadResponder {
public:
    QStringList messages;
    int ask(std::string_view, std::string_view, bool) override { return CAD_ASK_NO; }
    void tell(std::string_view, std::string_view text, bool) override {
        messages << FromCp1250(text).simplified();
    }
    std::optional<std::string> saveFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
};

class UsageError {
public:
    QString text;
};

struct Options {
    enum class Mode { None, Export, ExportDir, Info, Help, Version } mode = Mode::None;
    QString output;    // --export
    QString directory; // --export-dir
    QString format;    // --format
    double paperWidth = 210, paperHeight = 297;
    long long scale = 0; // 1:N
    int width = 1920, height = 1080;
    QStringList inputs;
    // Sheets: the print areas into the PDF, a page each; first divided along the longest
    // polyline of a layer (by name or description) when asked; the paper as given by name (A4 to
    // A0) or size, and the overlap (a percentage, else drawing units).
    bool sheets = false;
    QString sheetsAlong;
    QString paperName;
    std::optional<std::pair<double, bool>> overlap;
};

const QStringList kFormats{QStringLiteral("pdf"), QStringLiteral("dxf"), QStringLiteral("svg"),
                           QStringLiteral("png"), QStringLiteral("rdw")};

std::optional<std::pair<double, double>> sizePair(const QString& text) {
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okW = false, okH = false;
    const double w = parts[0].toDouble(&okW), h = parts[1].toDouble(&okH);
    if (!okW || !okH || !(w > 0) || !(h > 0) || w > 1e5 || h > 1e5)
        return std::nullopt;
    return std::pair{w, h};
}

Options parse(const QStringList& arguments) {
    Options o;
    auto setMode = [&o](Options::Mode m) {
        if (o.mode != Options::Mode::None && o.mode != m)
            throw UsageError{QStringLiteral("--export, --export-dir, --info, --help i --version "
                                            "wykluczają się")};
        o.mode = m;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        bool hasValue = false;
        if (arg.startsWith(QStringLiteral("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        auto next = [&]() {
            if (hasValue)
                return value;
            if (i + 1 >= arguments.size())
                throw UsageError{QStringLiteral("brak wartości po ") + arg};
            return arguments[++i];
        };
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            setMode(Options::Mode::Help);
        } else if (arg == QStringLiteral("--version")) {
            setMode(Options::Mode::Version);
        } else if (arg == QStringLiteral("--info")) {
            setMode(Options::Mode::Info);
        } else if (arg == QStringLiteral("--export")) {
            setMode(Options::Mode::Export);
            o.output = next();
        } else if (arg == QStringLiteral("--export-dir")) {
            setMode(Options::Mode::ExportDir);
            o.directory = next();
        } else if (arg == QStringLiteral("--format")) {
            o.format = next().toLower();
            if (!kFormats.contains(o.format))
                throw UsageError{QStringLiteral("nieznany format: ") + o.format};
        } else if (arg == QStringLiteral("--paper")) {
            const QString paper = next().toUpper();
            static const QMap<QString, std::pair<double, double>> named{
                {QStringLiteral("A0"), {841, 1189}}, {QStringLiteral("A1"), {594, 841}},
                {QStringLiteral("A2"), {420, 594}},  {QStringLiteral("A3"), {297, 420}},
                {QStringLiteral("A4"), {210, 297}},  {QStringLiteral("A5"), {148, 210}}};
            const auto size =
                named.contains(paper) ? std::optional(named.value(paper)) : sizePair(paper);
            if (!size)
                throw UsageError{QStringLiteral("nieznany papier: ") + paper};
            o.paperWidth = size->first;
            o.paperHeight = size->second;
            o.paperName = paper;
        } else if (arg == QStringLiteral("--scale")) {
            const QString scale = next();
            const QStringList parts = scale.split(QLatin1Char(':'));
            bool ok = parts.size() == 2 && parts[0] == QStringLiteral("1");
            const long long n = ok ? parts[1].toLongLong(&ok) : 0;
            if (!ok || n <= 0 || n > 100'000'000)
                throw UsageError{QStringLiteral("skala ma postać 1:N, np. 1:500, a nie ") + scale};
            o.scale = n;
        } else if (arg == QStringLiteral("--sheets")) {
            o.sheets = true;
        } else if (arg == QStringLiteral("--sheets-along")) {
            o.sheets = true;
            o.sheetsAlong = next().trimmed();
            if (o.sheetsAlong.isEmpty())
                throw UsageError{
                    QString::fromUtf8(u8"--sheets-along wymaga nazwy lub opisu warstwy")};
        } else if (arg == QStringLiteral("--overlap")) {
            const QString given = next();
            QString text = given.trimmed().toLower();
            const bool percent = text.endsWith(QLatin1Char('%'));
            if (percent || text.endsWith(QLatin1Char('m')))
                text.chop(1);
            bool ok = false;
            const double v = QLocale::c().toDouble(text.replace(QLatin1Char(','), '.'), &ok);
            if (!ok || !(v >= 0) || !std::isfinite(v) || (percent && v >= 90))
                throw UsageError{
                    QString::fromUtf8(u8"zakładka ma postać N% albo Nm, np. 5% lub 20m, a nie ") +
                    given};
            o.overlap = std::pair{v, percent};
        } else if (arg == QStringLiteral("--size")) {
            const auto size = sizePair(next());
            if (!size || size->first > 30000 || size->second > 30000)
                throw UsageError{QStringLiteral("rozmiar ma postać SZERxWYS, np. 1920x1080")};
            o.width = static_cast<int>(size->first);
            o.height = static_cast<int>(size->second);
        } else if (arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            throw UsageError{QStringLiteral("nieznana opcja: ") + arg};
        } else {
            o.inputs << arguments[i];
        }
    }
    switch (o.mode) {
    case Options::Mode::None:
        throw UsageError{QStringLiteral("brak polecenia")};
    case Options::Mode::Export:
        if (o.inputs.size() != 1)
            throw UsageError{QStringLiteral("--export zamienia jeden plik: WYJŚCIE WEJŚCIE")};
        if (!kFormats.contains(QFileInfo(o.output).suffix().toLower()))
            throw UsageError{QString::fromUtf8(u8"nieznany format wyjścia: ") + o.output};
        if (o.sheets && QFileInfo(o.output).suffix().toLower() != QStringLiteral("pdf"))
            throw UsageError{QString::fromUtf8(u8"arkusze (--sheets) zapisuje się do pliku .pdf")};
        break;
    case Options::Mode::ExportDir:
        if (o.format.isEmpty())
            throw UsageError{QStringLiteral("--export-dir wymaga --format")};
        [[fallthrough]];
    case Options::Mode::Info:
        if (o.inputs.isEmpty())
            throw UsageError{QStringLiteral("brak plików wejściowych")};
        break;
    default:
        break;
    }
    if (o.sheets && o.mode != Options::Mode::Export)
        throw UsageError{QString::fromUtf8(u8"--sheets i --sheets-along działają z --export")};
    if (o.overlap && o.sheetsAlong.isEmpty())
        throw UsageError{QString::fromUtf8(u8"--overlap działa z --sheets-along")};
    return o;
}

class Converter {
public:
    Converter(const Options& o, std::FILE* out, std::FILE* err) : o_(o), out_(out), err_(err) {}
    int run();

private:
    // The file at path, named as the person gave it in messages.
    bool load(const QString& path, const QString& shown);
    bool write(const QString& path, const QString& shown);
    // The print areas into the PDF, divided first along a layer's axis when asked.
    int writeSheets(const std::string& path, const QString& shown);
    void fail(const QString& file, const QString& reason) {
        print(err_, QStringLiteral("KWL_Edytor: %1: %2\n").arg(file, reason));
        failed_ = true;
    }
    QString engineReason(const QString& fallback) const {
        return responder_->messages.isEmpty() ? fallback : responder_->messages.last();
    }
    void closeAll() {
        for (int d : cadDocList())
            cadDocClose(d);
    }

    const Options& o_;
    std::FILE* out_;
    std::FILE* err_;
    bool failed_ = false;
    ConsolePlatform* platform_ = nullptr;
    std::shared_ptr<ConsoleResponder> responder_;
    QProgressBar progress_;
    QString reading_;
    bool progressShown_ = false;
};

bool Converter::load(const QString& path, const QString& input) {
    platform_->messages.clear();
    responder_->messages.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return fail(input, QStringLiteral("nie ma takiego pliku")), false;
    if (!info.isFile())
        return fail(input, QStringLiteral("to nie jest plik")), false;
    const QString suffix = info.suffix().toLower();
    const std::string bytes = QFile::encodeName(path).toStdString();
    if (suffix == QStringLiteral("kwl")) {
        reading_ = info.fileName();
        int kind = 0;
        try {
            kind = ConvertRoadDesignDrawing(path, 0);
        } catch (const std::exception& e) {
            return fail(input, QString::fromUtf8(e.what())), false;
        }
        if (progressShown_) {
            print(err_, QStringLiteral("\r\033[K"));
            progressShown_ = false;
        }
        if (kind == 0)
            return fail(input, QStringLiteral("to nie jest rysunek drogowy KWL")), false;
        if (!platform_->messages.isEmpty()) // an incomplete line: what was read is kept
            fail(input, platform_->messages.join(QLatin1Char(' ')) +
                            QString::fromUtf8(u8" (zapisano to, co dało się wczytać)"));
        return true;
    }
    if (suffix == QStringLiteral("rdw")) {
        if (cadFileOpen(0, bytes) == 0)
            return fail(input, engineReason(QStringLiteral("plik jest uszkodzony"))), false;
        return true;
    }
    if (suffix == QStringLiteral("dxf")) {
        cadFileNew(0, "");
        if (cadFileLoad(bytes, CAD_FORMAT_ANY) == 0)
            return fail(input, engineReason(QStringLiteral("plik jest uszkodzony"))), false;
        return true;
    }
    return fail(input, QStringLiteral("nieznany rodzaj pliku (oczekiwano .kwl, .dxf lub .rdw)")),
           false;
}

bool Converter::write(const QString& path, const QString& output) {
    responder_->messages.clear();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const std::string bytes = QFile::encodeName(path).toStdString();
    int done = 0;
    if (suffix == QStringLiteral("rdw")) {
        done = cadFileSave(bytes, CAD_FORMAT_NATIVE);
    } else if (suffix == QStringLiteral("dxf")) {
        done = cadFileSave(bytes, CAD_FORMAT_DXF);
    } else if (suffix == QStringLiteral("pdf") && o_.sheets) {
        done = writeSheets(bytes, output);
        if (done < 0)
            return false; // said already
    } else if (suffix == QStringLiteral("pdf")) {
        CadPageOptions page;
        page.paperWidthMm = o_.paperWidth;
        page.paperHeightMm = o_.paperHeight;
        if (o_.scale > 0) {
            const int units = cadPropGetInt(CAD_PROP_DOC_UNITS, -1).value_or(0);
            const double mmPerUnit = units == 4 ? 1000 : units == 3 ? 10 : units == 1 ? 25.4 : 1;
            page.unitsPerPaperMm = static_cast<double>(o_.scale) / mmPerUnit;
        }
        done = cadExportPdf(bytes, page);
    } else if (suffix == QStringLiteral("svg")) {
        done = cadExportSvg(bytes, o_.width, o_.height);
    } else if (suffix == QStringLiteral("png")) {
        done = cadExportPng(bytes, o_.width, o_.height);
    }
    if (done == 0)
        fail(output, engineReason(QStringLiteral("nie można zapisać pliku")));
    return done != 0;
}

namespace {

// The layer whose name, or description in KWL.knf (its label), is the one given, ignoring case.
int layerNamed(const QString& given) {
    for (int i = 0; i < cadLayerCount(); ++i) {
        const std::string name = cadPropGet(CAD_PROP_LAYER_NAME, i).value_or(std::string());
        if (FromCp1250(name).trimmed().compare(given, Qt::CaseInsensitive) == 0 ||
            FromCp1250(cadLayerLabelOf(name)).trimmed().compare(given, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// The longest polyline of the layer, or -1.
int longestPolyline(int layer) {
    int best = -1;
    double longest = -1;
    for (int h = cadGetEntity(CAD_GET_FIRST, 0, 0); h >= 0; h = cadGetEntity(CAD_GET_NEXT, 0, 0)) {
        if (cadPropGetInt(CAD_PROP_ENT_TYPE, h) != CAD_ENT_POLYLINE ||
            cadPropGetInt(CAD_PROP_ENT_LAYER, h) != layer)
            continue;
        const std::vector<double> xy = cadPolylineVertices(h);
        double length = 0;
        for (std::size_t i = 2; i + 1 < xy.size(); i += 2)
            length += std::hypot(xy[i] - xy[i - 2], xy[i + 1] - xy[i - 1]);
        if (length > longest) {
            longest = length;
            best = h;
        }
    }
    return best;
}

} // namespace

int Converter::writeSheets(const std::string& path, const QString& output) {
    std::optional<CadSheetSettings> settings = cadSheetSettings();
    if (!settings)
        return 0;
    static const QStringList kNamed{QStringLiteral("A4"), QStringLiteral("A3"),
                                    QStringLiteral("A2"), QStringLiteral("A1"),
                                    QStringLiteral("A0")};
    if (!o_.paperName.isEmpty()) {
        const qsizetype named = kNamed.indexOf(o_.paperName);
        settings->paper = named >= 0 ? static_cast<int>(named) : 5;
        if (named < 0) {
            settings->paperWidthMm = o_.paperWidth;
            settings->paperHeightMm = o_.paperHeight;
            settings->landscape = o_.paperWidth > o_.paperHeight;
        }
    }
    if (o_.scale > 0)
        settings->scale = static_cast<double>(o_.scale);
    if (o_.overlap) {
        settings->overlap = o_.overlap->first;
        settings->overlapPercent = o_.overlap->second;
    }
    if (cadSetSheetSettings(*settings) == 0)
        return fail(output, QString::fromUtf8(u8"papier nie mieści marginesów")), -1;
    if (!o_.sheetsAlong.isEmpty()) {
        const int layer = layerNamed(o_.sheetsAlong);
        if (layer < 0)
            return fail(output, QString::fromUtf8(u8"rysunek nie ma warstwy o nazwie ani opisie "
                                                  u8"„%1”")
                                    .arg(o_.sheetsAlong)),
                   -1;
        const int axis = longestPolyline(layer);
        if (axis < 0)
            return fail(output, QString::fromUtf8(u8"na warstwie „%1” nie ma polilinii")
                                    .arg(o_.sheetsAlong)),
                   -1;
        if (cadPrintAreasAlong({axis}) == 0)
            return fail(output, QString::fromUtf8(u8"nie udało się podzielić osi na arkusze")), -1;
    }
    if (cadPrintAreaCount() == 0)
        return fail(output, QString::fromUtf8(u8"rysunek nie ma obszarów do drukowania")), -1;
    return cadExportSheetsPdf(path);
}

int Converter::run() {
    auto platform = std::make_unique<ConsolePlatform>();
    platform_ = platform.get();
    auto previous = InstallPlatform(std::move(platform));
    responder_ = std::make_shared<ConsoleResponder>();
    auto previousResponder = cadSetResponder(responder_);
    cadSetMsgHandler(DwgProc);
    try {
        LoadSettings(QStringLiteral("KWL.knf"));
    } catch (const std::exception& e) {
        print(err_, QStringLiteral("KWL_Edytor: KWL.knf: %1\n").arg(QString::fromUtf8(e.what())));
    }
    SetInstalledFonts(CurrentPlatform().fontFamilies());
    // Progress of long reads on a terminal.
    if (isatty(fileno(err_))) {
        progress_.setRange(0, 100);
        QObject::connect(&progress_, &QProgressBar::valueChanged, [this](int value) {
            if (progress_.maximum() <= 0 || value <= 0)
                return;
            print(err_, QStringLiteral("\r%1: %2%")
                            .arg(reading_)
                            .arg(static_cast<int>(100.0 * value / progress_.maximum())));
            std::fflush(err_);
            progressShown_ = true;
        });
        AttachMainWindow({nullptr, &progress_, nullptr, {}, nullptr});
    }

    // Road drawings are converted with the block library of their own folder, as the window
    // converts a drawing chosen in its dialog (which makes that folder the current directory):
    // the paths are made absolute first.
    QStringList inputs;
    for (const QString& input : o_.inputs)
        inputs << QFileInfo(input).absoluteFilePath();
    const QString output = QFileInfo(o_.output).absoluteFilePath();
    const QString directory = QFileInfo(o_.directory).absoluteFilePath();
    const QString previousDirectory = QDir::currentPath();
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString& input = inputs[i];
        QDir::setCurrent(QFileInfo(input).absolutePath());
        if (load(input, o_.inputs[i])) {
            if (o_.mode == Options::Mode::Info) {
                if (o_.inputs.size() > 1)
                    print(out_, QStringLiteral("== %1 ==\n").arg(o_.inputs[i]));
                for (const std::string& line : cadDrawingInfo())
                    print(out_, FromCp1250(line) + QLatin1Char('\n'));
            } else if (o_.mode == Options::Mode::Export) {
                write(output, o_.output);
            } else {
                const QString name =
                    QFileInfo(input).completeBaseName() + QLatin1Char('.') + o_.format;
                write(QDir(directory).filePath(name), QDir(o_.directory).filePath(name));
            }
        }
        closeAll();
    }
    QDir::setCurrent(previousDirectory);
    AttachMainWindow({});
    cadSetMsgHandler({});
    cadSetResponder(previousResponder);
    InstallPlatform(std::move(previous));
    return failed_ ? 1 : 0;
}

} // namespace

bool IsQtOption(const QString& argument) {
    // Qt's own options, which it takes from the command line itself (with one dash or two).
    static const QStringList kQt{QStringLiteral("platform"),
                                 QStringLiteral("platformpluginpath"),
                                 QStringLiteral("platformtheme"),
                                 QStringLiteral("plugin"),
                                 QStringLiteral("qwindowgeometry"),
                                 QStringLiteral("qwindowtitle"),
                                 QStringLiteral("qwindowicon"),
                                 QStringLiteral("geometry"),
                                 QStringLiteral("title"),
                                 QStringLiteral("icon"),
                                 QStringLiteral("display"),
                                 QStringLiteral("name"),
                                 QStringLiteral("reverse"),
                                 QStringLiteral("session"),
                                 QStringLiteral("style"),
                                 QStringLiteral("stylesheet"),
                                 QStringLiteral("widgetcount"),
                                 QStringLiteral("qmljsdebugger"),
                                 QStringLiteral("nograb"),
                                 QStringLiteral("dograb"),
                                 QStringLiteral("sync"),
                                 QStringLiteral("testability")};
    if (!argument.startsWith(QLatin1Char('-')))
        return false;
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    name = name.section(QLatin1Char('='), 0, 0);
    return kQt.contains(name);
}

bool IsCommandLine(const QStringList& arguments) {
    // Any option of ours, known or not (a mistyped one is wrong usage, never a file name).
    for (const QString& a : arguments)
        if (a.size() > 1 && a.startsWith(QLatin1Char('-')) && !IsQtOption(a))
            return true;
    return false;
}

int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err) {
    Options o;
    try {
        o = parse(arguments);
    } catch (const UsageError& e) {
        print(err, QStringLiteral("KWL_Edytor: %1 (zob. KWL_Edytor --help)\n").arg(e.text));
        return 2;
    }
    if (o.mode == Options::Mode::Help) {
        print(out, QString::fromUtf8(kUsage));
        return 0;
    }
    if (o.mode == Options::Mode::Version) {
        print(out, QStringLiteral("KWL_Edytor " KWL_VERSION "\n"));
        return 0;
    }
    if (o.mode == Options::Mode::ExportDir && !QDir(o.directory).exists() &&
        !QDir().mkpath(o.directory)) {
        print(err, QStringLiteral("KWL_Edytor: %1: ").arg(o.directory) +
                       QString::fromUtf8(u8"nie można utworzyć katalogu\n"));
        return 1;
    }
    return Converter(o, out, err).run();
}
