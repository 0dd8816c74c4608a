// The block library: "KWL_BLOKI.knf" in the current directory defines, record by record, the
// blocks (symbols) that every opened road-design drawing gets. Line coordinates may be written
// relative to the coordinate read before them with the "LICZ" notation.
#pragma once

#include <QString>

#include <stdexcept>
#include <string_view>

// A load that cannot go on: a division by zero or an overflow in an expression, a line of too
// many fields, a read error. The blocks defined until then stay.
class BlockLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads "KWL_BLOKI.knf" (of the current directory) into the active document; nothing when the
// file cannot be opened.
void LoadBlockLibrary();
// The same for a file of another name or place.
void LoadBlockLibraryFile(const QString& path);

// The last x and y written by a line record's coordinates, kept for the whole run.
struct RememberedCoordinates {
    double x = 0, y = 0;
};
RememberedCoordinates& LastCoordinates();

// The value of a line coordinate field for an axis (0 x, 1 y): a "LICZ" expression or a plain
// number; the axis's last coordinate becomes it.
double CoordinateField(std::string_view field, bool present, int axis);
