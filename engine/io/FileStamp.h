// What a file on disk is at a moment: its size, the time it was last written and a hash of its
// bytes. A document remembers the stamp of its own file when it opens or saves it; a save over
// that file compares the stamp first, so that the work of another program (or another copy of
// this one) written there meanwhile is never lost without a question.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cad {

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t writtenNs = 0; // the file system's time of the last write, in nanoseconds
    std::uint64_t hash = 0;     // of the bytes
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of a file (path in file-system bytes); nothing when it does not exist or cannot be
// read.
std::optional<FileStamp> fileStampOf(const std::string& path);

// A 64-bit hash of bytes, carried on from a previous part (0 for the first).
std::uint64_t hashBytes(const char* data, std::size_t size, std::uint64_t carried = 0);

} // namespace cad
