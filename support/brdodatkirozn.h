// Small routines shared by the whole program: the field splitter through which every comma- or
// semicolon-separated text file is read, number conversions with a fixed no-value result, file
// tests, file-name trimming, the numeric key filter and the message box.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;

// What the number readers return for a missing or invalid value.
inline constexpr int kNoValue = -99999999;
inline constexpr double kNoValueReal = -99999999.0;

// A line that would give this many fields or more is refused with std::range_error.
inline constexpr int kMaxFields = 400;

// Splits one line of a text file into fields at a one-character separator. There is no
// quoting: every separator splits, consecutive separators give empty fields. When the separator
// is a space, a space at the start of the line or after another space stays inside the field.
class FieldSplitter {
public:
    std::string line;            // the current line, Windows-1250 bytes
    std::string separator = ","; // only a one-character separator ever matches

    // Splits the current line. False (and one empty field) for an empty line.
    // Throws std::range_error for a line of kMaxFields fields or more.
    bool split();
    int count() const { return count_; }
    // 1-based position of the first character of field k (1 ≤ k ≤ count + 1; count + 1 gives
    // the position one past the separator that would follow the last field).
    int start(int k) const { return starts_[static_cast<std::size_t>(k - 1)] + 1; }

    // Field k as it stands, untrimmed; empty when k is outside 1..count.
    std::string_view field(int k) const;
    std::string text(int k) const { return std::string(field(k)); }
    int integer(int k) const;
    double real(int k) const;

private:
    int count_ = 1;
    // 0-based offsets of fields 1..count, then one past the end of the line + 1.
    std::array<int, kMaxFields + 1> starts_{0, 1};
};

// The shared splitter and its readers. Each SplitLine replaces the previous line's fields.
FieldSplitter& SharedSplitter();
bool SplitLine();
std::string FieldAsText(int k);
int FieldAsInteger(int k);
double FieldAsReal(int k);

// Number conversions, the same under every locale: "." is the only decimal point.
// Blanks and control characters around the number are ignored; a sign, an optional fraction and
// an optional exponent are accepted; "nan", "inf", hexadecimal, "1,5" and empty text are not.
std::optional<double> ParseReal(std::string_view text);
std::optional<int> ParseInteger(std::string_view text);
double TextToReal(std::string_view text);
double TextToReal(const QString& text);
inline double TextToReal(const char* text) {
    return TextToReal(std::string_view(text));
}

// Size in bytes of the first entry (of any kind, in name order) that matches the name, whose
// last part may hold the wildcards * ? and [...]; -1 when nothing matches.
std::int64_t FileSizeByName(const QString& name);
// True when the name is not empty and names a file that can be opened for reading.
bool FileCanBeOpened(const QString& name);
// The text before its last "." anywhere in it; the text unchanged when it has none.
QString StripExtension(const QString& text);
// 1-based position of the last character of text that occurs in set; 255 when there is none.
int LastPosOfAny(const QString& set, const QString& text);

// Shows a message box through the platform (style 16, 48 or 52; extra flags are added to it) and
// returns its result. The text is broken after its last path separator, or after 255
// characters when it holds none.
int ShowMessageBox(int flags, const QString& caption, const QString& message, int extraFlags = 0);

// Key filter of numeric edit fields: backspace, tab, digits, "." and "-" pass; a comma (the
// decimal key of a Polish keyboard) becomes "."; any other character becomes 0 and the platform
// beeps.
void FilterNumericKey(QChar& key);

// Applies FilterNumericKey to the characters typed into an edit field. Editing and navigation
// keys that type no printable character (arrows, Delete, Enter, shortcuts) pass untouched.
class NumericKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
void InstallNumericKeyFilter(QLineEdit* edit);
