// DXF files: ASCII DXF in (R12 to R2018), DXF R2000 out, texts in Windows-1250.
#pragma once

#include "engine/model/Drawing.h"

#include <memory>
#include <string>
#include <string_view>

namespace cad {

// True when the bytes start like an ASCII DXF file.
bool looksDxf(std::string_view firstBytes);

struct DxfReadResult {
    std::unique_ptr<Drawing> drawing;
    int skipped = 0; // entities and objects that could not be represented
};

// Reads a DXF file into a new drawing. Throws FileError (CannotOpen, Damaged).
DxfReadResult loadDxf(const std::string& path);
// The same for the bytes of a file already read; `name` is what messages call it. Throws
// FileError (UnknownFormat, Damaged).
DxfReadResult readDxf(std::string bytes, const std::string& name);

// Writes the drawing as DXF R2000 with $DWGCODEPAGE ANSI_1250, through a temporary file
// renamed into place. Throws FileError (CannotWrite).
void saveDxf(const Drawing& drawing, const std::string& path);

} // namespace cad
