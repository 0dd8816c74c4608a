// The engine's own drawing format (".rdw"): binary, versioned and checksummed.
#pragma once

#include "engine/model/Drawing.h"

#include <memory>
#include <string>
#include <string_view>

namespace cad {

// The format version this engine writes; files of a higher version are refused.
inline constexpr int kNativeFormatVersion = 3;

// True when the bytes start like a native drawing (enough to choose the reader).
bool looksNative(std::string_view firstBytes);

// Writes the drawing to a temporary file in the same folder and renames it into place, so a
// failed save leaves the previous file whole. Throws FileError (CannotWrite).
void saveNative(const Drawing& drawing, const std::string& path);
// Reads a native drawing. Throws FileError (CannotOpen, UnknownFormat, NewerVersion, Damaged).
std::unique_ptr<Drawing> loadNative(const std::string& path);
// The same from bytes in memory.
std::unique_ptr<Drawing> readNative(std::string_view bytes);
// The bytes saveNative writes, in memory.
std::string writeNative(const Drawing& drawing);
// Makes the length and checksum in the header of native-drawing bytes match what follows them,
// for tools and tests that change a file on purpose. False when the bytes are too short to hold
// a header or do not start like a native drawing.
bool resealNative(std::string& bytes);

} // namespace cad
