// The appearance of a road-design drawing: its new document with the background and display
// settings, the "courier" text style, the layers of the settings table, the layers of the pens,
// the line styles of the drawing's kind and the width factor of kind 2.
#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string_view>

// The installed font families the text style is chosen from (sorted ignoring case); taken
// from the platform when none were handed over.
void SetInstalledFonts(const QStringList& families);

// The handle of the document NewDrawingDocument made last.
extern int DrawingDocument;

// A new document in the engine window, made active, with the table's background colour, the
// display settings and the "courier" text style when a Courier New font is installed.
int NewDrawingDocument(int engineWindow);
// The layers "0" up to the table's highest index, with their widths and colours.
void CreateSettingsLayers();
// Makes the layer of that name active, creating it from the table when missing. The name is a
// decimal number; anything else throws LayerNameError.
void SelectOrCreateLayer(std::string_view name);
// Adds the line styles of a line-style file in the program directory ("welta style linii" on
// its first line, then "name;definition" lines) and names style 0 "Ciągła".
void LoadLineStyles(const QString& fileName);
// The width of every layer times 0.1 for drawings of kind 2.
void ScaleLayerWidths(int drawingKind);

class LayerNameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
