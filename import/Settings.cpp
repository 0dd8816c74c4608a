#include "import/Settings.h"

#include "engine/CadApi.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <map>
#include <string>

int DrawingKind = 0;

namespace {

constexpr std::array<int, 11> kBuiltInColours{
    0, 255, 65535, 32768, 16776960, 16711680, 16711935, 12632256, 2763429, 9109643, 25600};

// The lines of a settings file (nothing when it cannot be read); a CR before the line end is not
// part of the line.
std::optional<QByteArrayList> readLines(const QString& path) {
    QByteArrayList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray all = file.readAll();
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        QByteArray line = all.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        start = end + 1;
    }
    return lines;
}

// The keyword of the split line: field 1 trimmed and upper-cased.
std::string keyword(const FieldSplitter& f) {
    std::string k(f.field(1));
    const auto first = k.find_first_not_of(' ');
    const auto last = k.find_last_not_of(' ');
    k = first == std::string::npos ? std::string() : k.substr(first, last - first + 1);
    for (char& c : k)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return k;
}

[[noreturn]] void refuse(const QString& fileName, int lineNumber, const QString& what) {
    throw SettingsError(QStringLiteral("%1, %2 %3: %4")
                            .arg(fileName, QString::fromUtf8(u8"wiersz"))
                            .arg(lineNumber)
                            .arg(what)
                            .toStdString());
}

// Red, green and blue of a colour, as ",r,g,b".
QByteArray colourFields(int colour) {
    return ',' + QByteArray::number(colour & 0xFF) + ',' +
           QByteArray::number((colour >> 8) & 0xFF) + ',' +
           QByteArray::number((colour >> 16) & 0xFF);
}

QByteArray backgroundLine(int colour) {
    return "KLRTL" + colourFields(colour);
}

// What follows field k of the split line, from the separator before field k + 1 on; empty when
// the line has no more fields.
QByteArray after(const FieldSplitter& f, int k) {
    if (f.count() <= k)
        return {};
    return QByteArray::fromStdString(f.line.substr(static_cast<std::size_t>(f.start(k + 1) - 2)));
}

std::map<int, int>& documentKinds() {
    static std::map<int, int> kinds;
    return kinds;
}

QByteArray layerLine(int index, double width, int colour) {
    // Written with "." as decimal point whatever the locale: the number goes through to_chars.
    char number[64];
    const auto fixed =
        std::to_chars(number, number + sizeof number, width, std::chars_format::fixed, 4);
    return "GRULI," + QByteArray::number(index) + ',' +
           QByteArray(number, static_cast<qsizetype>(fixed.ptr - number)) + colourFields(colour);
}

} // namespace

void SettingsTable::resetBuiltIn() {
    highestIndex = 10;
    background = 0;
    copyMinutes = kDefaultCopyMinutes;
    for (int i = 0; i <= 10; ++i) {
        width[static_cast<std::size_t>(i)] = 0.09 + 0.03 * i;
        colour[static_cast<std::size_t>(i)] = kBuiltInColours[static_cast<std::size_t>(i)];
        description[static_cast<std::size_t>(i)].clear();
    }
}

SettingsTable& Settings() {
    static SettingsTable table = [] {
        SettingsTable t;
        t.resetBuiltIn();
        return t;
    }();
    return table;
}

double WidthFactor(int drawingKind) {
    return drawingKind == 2 ? 0.1 : 1.0;
}

void SetDocumentDrawingKind(int document, int kind) {
    documentKinds()[document] = kind;
}

int DocumentDrawingKind(int document) {
    const auto it = documentKinds().find(document);
    return it == documentKinds().end() ? 0 : it->second;
}

void ForgetDocumentDrawingKind(int document) {
    documentKinds().erase(document);
}

void ForgetDocumentDrawingKinds() {
    documentKinds().clear();
}

namespace {

// The layers named by the numbers of the table show what they hold beside their numbers.
void showLayerDescriptions(const SettingsTable& table) {
    for (int i = 0; i < kSettingsEntries; ++i)
        cadLayerLabel(std::to_string(i), table.description[static_cast<std::size_t>(i)]);
}

void readSettings(const QString& fileName);

// What follows a layer line's colour: its description, commas and all, without the blanks and
// line ends around it.
std::string descriptionOf(const FieldSplitter& f) {
    if (f.count() < 7)
        return {};
    std::string text = f.line.substr(static_cast<std::size_t>(f.start(7) - 1));
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t from = 0;
    while (from < text.size() && blank(text[from]))
        ++from;
    return text.substr(from);
}

} // namespace

void LoadSettings(const QString& fileName) {
    // Whatever line stops the reading, the descriptions read so far are shown.
    struct Show {
        ~Show() { showLayerDescriptions(Settings()); }
    } show;
    readSettings(fileName);
}

namespace {

void readSettings(const QString& fileName) {
    SettingsTable& table = Settings();
    table.resetBuiltIn();
    const QString path = ProgramFileToRead(fileName);
    if (!FileCanBeOpened(path))
        return;
    FieldSplitter f;
    f.separator = ",";
    int lineNumber = 0;
    const auto lines = readLines(path);
    if (!lines)
        return;
    for (const QByteArray& line : *lines) {
        ++lineNumber;
        f.line = line.toStdString();
        f.split();
        const std::string key = keyword(f);
        if (key == "KLRTL") {
            const int red = f.integer(2), green = f.integer(3), blue = f.integer(4);
            for (int c : {red, green, blue})
                if (c < 0 || c > 255)
                    refuse(fileName, lineNumber,
                           QString::fromUtf8(u8"składowa koloru tła spoza zakresu 0–255"));
            table.background = red + 256 * green + 65536 * blue;
        } else if (key == "GRULI") {
            const int i = f.integer(2);
            if (i < 0 || i > 100)
                refuse(fileName, lineNumber,
                       QString::fromUtf8(u8"numer warstwy spoza zakresu 0–100"));
            const auto slot = static_cast<std::size_t>(i);
            table.width[slot] = f.real(3);
            // The three parts are not limited: a value above 255 spills into the next byte,
            // as it always has in these files.
            table.colour[slot] = static_cast<int>(static_cast<unsigned>(f.integer(4)) +
                                                  256u * static_cast<unsigned>(f.integer(5)) +
                                                  65536u * static_cast<unsigned>(f.integer(6)));
            table.highestIndex = std::max(table.highestIndex, i);
            table.description[slot] = descriptionOf(f);
        } else if (key == "KOPIA") {
            const int minutes = f.integer(2);
            if (minutes < 0 || minutes > kMaxCopyMinutes)
                refuse(fileName, lineNumber,
                       QString::fromUtf8(u8"odstęp kopii rysunków spoza zakresu 0–1440 minut"));
            table.copyMinutes = minutes;
        }
    }
}

} // namespace

QByteArrayList RewriteSettingsLines(const std::optional<QByteArrayList>& lines) {
    const SettingsTable& table = Settings();
    const int layers = cadLayerCount();
    const double factor = WidthFactor(DocumentDrawingKind(cadDocGetActive()));
    auto fromLayer = [factor](int number, int layer) {
        return layerLine(number, cadPropGetDbl(CAD_PROP_LAYER_WIDTH, layer).value_or(0.0) / factor,
                         cadPropGetInt(CAD_PROP_LAYER_COLOR, layer).value_or(0));
    };
    QByteArrayList out;
    if (!lines) {
        // A new file: the numbers of the table, each from the layer of that name. The layers
        // of pens beyond the table are no settings.
        out << backgroundLine(table.background);
        for (int i = 0; i <= table.highestIndex && i < kSettingsEntries; ++i) {
            const int layer = cadLayerIndex(std::to_string(i), 0);
            const auto slot = static_cast<std::size_t>(i);
            out << (layer >= 0 ? fromLayer(i, layer)
                               : layerLine(i, table.width[slot], table.colour[slot]));
        }
        return out;
    }
    FieldSplitter f;
    f.separator = ",";
    for (const QByteArray& line : *lines) {
        f.line = line.toStdString();
        f.split();
        const std::string key = keyword(f);
        if (key == "KLRTL") {
            out << backgroundLine(table.background) + after(f, 4);
        } else if (key == "GRULI") {
            const int i = f.integer(2);
            out << (i >= 0 && i < layers ? fromLayer(i, i) + after(f, 6) : line);
        } else {
            out << line;
        }
    }
    return out;
}

void SaveSettingsAsDefault() {
    if (ShowMessageBox(kMbQuestion, QStringLiteral("Uwaga, wybierz"),
                       QString::fromUtf8(u8"Zapisać aktualne ustawienia jako domyślne(kolory, "
                                         u8"grubości linii)")) != kIdYes)
        return;
    const QByteArrayList lines =
        RewriteSettingsLines(readLines(ProgramFileToRead(QStringLiteral("KWL.knf"))));
    const QString path = ProgramFileToWrite(QStringLiteral("KWL.knf"));
    // Written beside and renamed into place, so a failed write leaves the old file whole.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    for (const QByteArray& line : lines)
        written = written && file.write(line + "\r\n") == line.size() + 2;
    if (!written || !file.commit())
        ShowMessageBox(kMbError, QStringLiteral("KWL_Edytor"),
                       QString::fromUtf8(u8"Nie można zapisać ustawień do pliku ") + path);
}
