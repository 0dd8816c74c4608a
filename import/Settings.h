// The colour and line-width settings: a width and a colour for each layer number 0 to 100 and the
// background colour of new drawings, read from "KWL.knf" and written back to it from the layers
// of the current drawing.
#pragma once

#include <QString>

#include <QByteArrayList>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>

inline constexpr int kSettingsEntries = 101;
inline constexpr int kDefaultCopyMinutes = 5;
inline constexpr int kMaxCopyMinutes = 1440;

struct SettingsTable {
    std::array<double, kSettingsEntries> width{};
    std::array<int, kSettingsEntries> colour{}; // 0x00BBGGRR
    // What each layer holds ("oś drogi"), the field after the colour; Windows-1250 bytes.
    std::array<std::string, kSettingsEntries> description{};
    int highestIndex = 10;
    int background = 0;
    // Minutes between copies of unsaved drawings (line "KOPIA"); 0: no copies.
    int copyMinutes = kDefaultCopyMinutes;

    // Entries 0 to 10, the highest index, the background and the minutes between copies back
    // to the built-in values; entries 11 to 100 keep what they hold.
    void resetBuiltIn();
};

SettingsTable& Settings();

// The kind of the last road-design drawing opened (0 none, 1 or 2); it picks the line-style file
// and the width factor.
extern int DrawingKind;
// 0.1 for drawings of kind 2, whose widths are a tenth of the table's, else 1.
double WidthFactor(int drawingKind);
// The kind of road-design drawing each open document was made from (0 for any other document):
// its layer widths are that kind's, whichever drawing was read last.
void SetDocumentDrawingKind(int document, int kind);
int DocumentDrawingKind(int document);
void ForgetDocumentDrawingKind(int document);
// Every document's kind forgotten (the engine starts again from no documents).
void ForgetDocumentDrawingKinds();

// A settings line that cannot be taken (a colour outside 0..255, an index outside 0..100).
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Resets the built-in values and reads the settings file of that name in the program directory
// (nothing more when it is missing). Throws SettingsError at a line it cannot take; the lines
// before it stay in force. The engine shows the layers' descriptions beside their numbers.
void LoadSettings(const QString& fileName);

// Asks whether to keep the current layers' colours and widths and the background as the
// defaults and, on Yes, rewrites the settings lines of "KWL.knf" from them.
void SaveSettingsAsDefault();

// The "KWL.knf" lines rewritten from the active document: the background line from the table,
// each layer line whose index names a layer of the document from that layer, widths divided by
// the factor of the document's own kind; what followed the rewritten fields (a description)
// stays, and so do other lines. Given no file (nullopt), one background line and one layer line
// for each number up to the table's highest index, from the layer of that name (from the table
// when the document has none).
QByteArrayList RewriteSettingsLines(const std::optional<QByteArrayList>& lines);
