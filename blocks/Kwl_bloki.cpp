#include "blocks/Kwl_bloki.h"

#include "engine/CadApi.h"
#include "import/Unit_progres.h"
#include "support/brdodatkirozn.h"

#include <QFile>
#include <QProgressBar>

#include <array>
#include <cmath>
#include <string>

namespace {

constexpr std::array<std::string_view, 8> kKeywords{"BLOCK", "LINE",      "POLYLINE", "VERTEX",
                                                    "END",   "BLOCKNAME", "CIRCLE",   "ARC"};

// The loader's own splitter and readers: a field beyond the last one reads as 0 or empty,
// one that is there but no number as the no-value number.
class Record {
public:
    void split(std::string line) {
        s_.line = std::move(line);
        s_.split();
    }
    bool present(int k) const { return k >= 1 && k <= s_.count(); }
    std::string_view text(int k) const { return present(k) ? s_.field(k) : std::string_view(); }
    double real(int k) const {
        if (!present(k))
            return 0;
        return ParseReal(s_.field(k)).value_or(kNoValueReal);
    }
    int integer(int k) const {
        if (!present(k))
            return 0;
        // Not trimmed: a blank around the digits makes the field invalid.
        const std::string_view f = s_.field(k);
        if (f.empty() || f.front() == ' ' || f.back() == ' ')
            return kNoValue;
        return ParseInteger(f).value_or(kNoValue);
    }
    bool flag(int k) const { return integer(k) != 0; }

private:
    FieldSplitter s_;
};

double& last(int axis) {
    return axis == 0 ? LastCoordinates().x : LastCoordinates().y;
}

double evaluate(std::string_view field, int axis) {
    FieldSplitter tokens;
    tokens.separator = " ";
    tokens.line = std::string(field);
    tokens.split();
    const int n = tokens.count();
    double value = 0;
    for (int k = 2; k <= n; ++k) {
        const std::string_view t = tokens.field(k);
        if (t == "DELTA") {
            value = last(axis);
            continue;
        }
        if (t != "+" && t != "-" && t != "*" && t != "/")
            continue;
        const double operand =
            k + 1 <= n ? ParseReal(tokens.field(k + 1)).value_or(kNoValueReal) : 0.0;
        ++k;
        if (t == "+")
            value += operand;
        else if (t == "-")
            value -= operand;
        else if (t == "*")
            value *= operand;
        else {
            if (operand == 0)
                throw BlockLibraryError("Dzielenie przez zero w wyrażeniu " + std::string(field));
            value /= operand;
        }
        if (!std::isfinite(value))
            throw BlockLibraryError("Przekroczenie zakresu w wyrażeniu " + std::string(field));
    }
    return value;
}

std::string upperAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

RememberedCoordinates& LastCoordinates() {
    static RememberedCoordinates coordinates;
    return coordinates;
}

double CoordinateField(std::string_view field, bool present, int axis) {
    double value = 0;
    if (field.substr(0, 4) == "LICZ")
        value = evaluate(field, axis);
    else if (present)
        value = ParseReal(field).value_or(kNoValueReal);
    last(axis) = value;
    return value;
}

void LoadBlockLibrary() {
    LoadBlockLibraryFile(QStringLiteral("KWL_BLOKI.knf"));
}

void LoadBlockLibraryFile(const QString& path) {
    if (!FileCanBeOpened(path))
        return;
    QProgressBar* bar = AttachedMainWindow().progressBar;
    const std::int64_t size = FileSizeByName(path);
    if (bar)
        bar->setMaximum(static_cast<int>(std::clamp<std::int64_t>(size, 1, INT_MAX)));
    Busy = true;
    SetBusyCursor(true);
    LockUserInterface();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BlockLibraryError("Nie można czytać pliku " + path.toStdString());
    Record r;
    std::int64_t consumed = 0;
    long long lines = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.isEmpty() && file.error() != QFileDevice::NoError)
            throw BlockLibraryError("Błąd odczytu pliku " + path.toStdString());
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        ++lines;
        consumed += line.size() + 2;
        if (bar && lines % 10 == 0)
            bar->setValue(static_cast<int>(std::min<std::int64_t>(consumed, bar->maximum())));
        r.split(line.toStdString());
        const std::string keyword = upperAscii(r.text(1));
        std::size_t index = 0;
        while (index < kKeywords.size() && kKeywords[index] != keyword)
            ++index;
        switch (index) {
        case 0:
            cadBlockBegin();
            break;
        case 1: {
            const double x1 = CoordinateField(r.text(2), r.present(2), 0);
            const double y1 = CoordinateField(r.text(3), r.present(3), 1);
            const double x2 = CoordinateField(r.text(4), r.present(4), 0);
            const double y2 = CoordinateField(r.text(5), r.present(5), 1);
            cadAddLine(x1, y1, x2, y2);
            break;
        }
        case 2:
            cadPolylineBegin();
            break;
        case 3:
            cadVertex(r.real(2), r.real(3));
            break;
        case 4: {
            const int handle = cadAddPolyline(0, r.flag(2) ? 1 : 0);
            if (r.flag(3))
                cadPropPutInt(CAD_PROP_ENT_FILLED, handle, 1);
            break;
        }
        case 5:
            cadBlockAdd(r.text(2), r.real(3), r.real(4));
            break;
        case 6: {
            const int handle = cadAddCircle(r.real(2), r.real(3), r.real(4));
            if (r.flag(5))
                cadPropPutInt(CAD_PROP_ENT_FILLED, handle, 1);
            break;
        }
        case 7:
            cadAddArc(r.real(2), r.real(3), r.real(4), r.real(5), r.real(6));
            break;
        default:
            break;
        }
    }
    SetBusyCursor(false);
    if (bar)
        bar->setValue(0);
    Busy = false;
    UnlockUserInterface();
}
