// The reader of road-design drawings (".kwl"): a plotter-like file of pen changes, pen-up and
// pen-down moves and texts, turned into polylines and texts of the active document.
#pragma once

#include <QString>

// The kind of drawing found in the header: 0 empty or not a road-design drawing, 1 when the
// second header line gives 0 and 0, 2 otherwise. Every point is moved by (shiftX, shiftY).
// Before the call the file size is in FileSize and the main progress bar prepared for it.
// Errors that leave the reader (the file cannot be opened or read) are std::runtime_error.
int ReadRoadDesignDrawing(const QString& path, double shiftX, double shiftY);

// The size of the file about to be read (-1 when it is not found); the progress maximum.
extern long long FileSize;

// The header line every road-design drawing starts with.
inline constexpr const char* kRoadDesignHeader = "&IBMRYSUNEKZEVO";
