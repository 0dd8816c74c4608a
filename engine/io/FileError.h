// Errors of reading and writing drawing files.
#pragma once

#include <stdexcept>
#include <string>

namespace cad {

class FileError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen,    // missing or unreadable
        UnknownFormat, // neither a native drawing nor DXF
        NewerVersion,  // a native drawing written by a newer version
        Damaged,       // a native drawing whose content or checksum is wrong
        BrokenDxf,     // a DXF file whose lines do not make up DXF groups and sections
        CannotWrite,   // the file or its temporary could not be written or renamed
        NotReadBack,   // the file just written does not read back: the old one was kept
    };
    FileError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

} // namespace cad
