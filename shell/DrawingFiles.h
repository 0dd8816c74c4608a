// The drawing-file commands of the "Plik" menu: opening road-design drawings, DXF files and the
// program's own drawings, importing a road-design drawing with a shift, saving with a backup
// copy, saving under a new name, closing and exporting.
#pragma once

#include <QString>

#include <functional>

class TForm_Main;

// Turns a road-design drawing into a new document of the engine window: a new document with
// the table's layers, the records of the file, the line styles of its kind, the block library
// of the current directory and the widths of its kind. beforeReading runs once the document and its
// layers exist. The drawing kind. Errors (the file cannot be read) are std::runtime_error; the
// document stays.
int ConvertRoadDesignDrawing(const QString& path, int engineWindow,
                             const std::function<void()>& beforeReading = {});

// The name a converted drawing is stored under: the path without its last extension + ".rdw",
// or + "1.rdw", "2.rdw", ... while that file exists with more than 1000 bytes.
QString ConvertedDrawingName(const QString& path);

// The menu commands; each takes the main window's state (pending file name, remembered
// directory, engine window).
void OpenRoadDesignDrawing(TForm_Main& main);
// The open flow of a road-design drawing after its dialog, for a path given otherwise (an
// absolute one): its folder becomes the current directory, as the dialog makes it.
void OpenRoadDesignFile(TForm_Main& main, const QString& path);
void OpenDxfDrawing(TForm_Main& main);
void OpenEngineDrawing(TForm_Main& main);
// An empty drawing in millimetres with layer "0" (of the settings' colour and width), not
// modified, as a new document.
void NewEmptyDrawing(TForm_Main& main);
void ImportRoadDesignDrawing(TForm_Main& main);
void SaveDrawing();
void SaveDrawingAs();
void CloseActiveDrawing();
void ExportDrawingToDxf();
