#include "support/brdodatkirozn.h"

#include "support/Cp1250.h"
#include "support/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fnmatch.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

namespace {

std::string_view trimmed(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

// ---- field splitter ----------------------------------------------------------------------------

bool FieldSplitter::split() {
    count_ = 1;
    starts_[0] = 0;
    const auto len = static_cast<int>(line.size());
    if (len == 0) {
        starts_[1] = 1;
        return false;
    }
    if (separator.size() == 1) {
        const char sep = separator[0];
        const char* s = line.data();
        for (int i = 0; i < len; ++i) {
            if (s[i] != sep)
                continue;
            if (sep == ' ' && (i == 0 || s[i - 1] == ' '))
                continue;
            if (count_ + 1 >= kMaxFields) {
                count_ = 1;
                starts_[1] = len + 1;
                throw std::range_error("Linia ma " + std::to_string(kMaxFields) +
                                       " lub więcej pól");
            }
            starts_[static_cast<std::size_t>(count_++)] = i + 1;
        }
    }
    starts_[static_cast<std::size_t>(count_)] = len + 1;
    return true;
}

std::string_view FieldSplitter::field(int k) const {
    if (k < 1 || k > count_)
        return {};
    const int from = starts_[static_cast<std::size_t>(k - 1)];
    const int to = starts_[static_cast<std::size_t>(k)] - 1;
    if (from >= to || from >= static_cast<int>(line.size()))
        return {};
    return std::string_view(line).substr(static_cast<std::size_t>(from),
                                         static_cast<std::size_t>(to - from));
}

int FieldSplitter::integer(int k) const {
    if (k < 1 || k > count_)
        return kNoValue;
    return ParseInteger(field(k)).value_or(kNoValue);
}

double FieldSplitter::real(int k) const {
    if (k < 1 || k > count_)
        return kNoValueReal;
    return ParseReal(field(k)).value_or(kNoValueReal);
}

FieldSplitter& SharedSplitter() {
    static FieldSplitter splitter;
    return splitter;
}

bool SplitLine() {
    return SharedSplitter().split();
}
std::string FieldAsText(int k) {
    return SharedSplitter().text(k);
}
int FieldAsInteger(int k) {
    return SharedSplitter().integer(k);
}
double FieldAsReal(int k) {
    return SharedSplitter().real(k);
}

// ---- numbers -----------------------------------------------------------------------------------

std::optional<int> ParseInteger(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || (text.front() == '-' && (text.size() == 1 || !isDigit(text[1]))) ||
        (text.front() != '-' && !isDigit(text.front())))
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> ParseReal(std::string_view text) {
    text = trimmed(text);
    // Check the whole form first: from_chars would also take "inf", "nan" and a bare prefix.
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < n && isDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < n && isDigit(text[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    double value = 0.0;
    const char* first = text.data() + numberStart;
    const char* last = text.data() + n;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last)
        return std::nullopt; // out of range: no finite value to give
    return text.front() == '-' ? -value : value;
}

double TextToReal(std::string_view text) {
    return ParseReal(text).value_or(kNoValueReal);
}

double TextToReal(const QString& text) {
    return TextToReal(ToCp1250(text));
}

// ---- files -------------------------------------------------------------------------------------

std::int64_t FileSizeByName(const QString& name) {
    if (name.isEmpty())
        return -1;
    const QByteArray encoded = QFile::encodeName(name);
    const std::filesystem::path path(encoded.toStdString());
    const auto sizeOf = [](const std::filesystem::path& p) -> std::int64_t {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0 && ::lstat(p.c_str(), &st) != 0)
            return -1;
        return S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
    };

    const std::string pattern = path.filename().string();
    if (pattern.find_first_of("*?[") == std::string::npos)
        return sizeOf(path);

    std::filesystem::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    std::optional<std::string> first;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (::fnmatch(pattern.c_str(), entry.c_str(), 0) == 0 && (!first || entry < *first))
            first = entry;
    }
    return first ? sizeOf(folder / *first) : -1;
}

bool FileCanBeOpened(const QString& name) {
    if (name.isEmpty() || QFileInfo(name).isDir())
        return false;
    QFile file(name);
    return file.open(QIODevice::ReadOnly);
}

QString StripExtension(const QString& text) {
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? text : text.left(dot);
}

int LastPosOfAny(const QString& set, const QString& text) {
    for (qsizetype i = text.size(); i > 0; --i)
        if (set.contains(text[i - 1]))
            return static_cast<int>(i);
    return 255;
}

// ---- message box and key filter ----------------------------------------------------------------

int ShowMessageBox(int flags, const QString& caption, const QString& message, int extraFlags) {
    // Break after the last path separator (either kind), else after 255 characters.
    const int cut = LastPosOfAny(QStringLiteral("\\/"), message);
    QString shown = message.left(cut);
    const QString rest = message.mid(cut);
    if (!rest.isEmpty())
        shown += QLatin1Char('\n') + rest;
    return CurrentPlatform().messageBox(caption, shown, flags + extraFlags);
}

void FilterNumericKey(QChar& key) {
    const char16_t c = key.unicode();
    if (c == 8 || c == 9 || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-')
        return;
    // The decimal key of a Polish keyboard types a comma; the numbers are read with ".".
    if (c == u',') {
        key = QChar(u'.');
        return;
    }
    key = QChar(0);
    CurrentPlatform().beep();
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed[0].isPrint()) {
            QChar key = typed[0];
            FilterNumericKey(key);
            if (key.isNull())
                return true;
            if (key != typed[0]) {
                // Typed as the character the filter made of it.
                if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
                    edit->insert(QString(key));
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void InstallNumericKeyFilter(QLineEdit* edit) {
    edit->installEventFilter(new NumericKeyFilter(edit));
}
