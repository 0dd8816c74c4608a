// Sample road-design drawings (".kwl") of any size: a plan, a longitudinal profile sheet and a
// sheet of cross-sections, as the road-design programs write them. Used for the samples shipped
// with the program, for tests and for measuring the reader on large files. Needs no Qt.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

enum class RoadSheet {
    Plan,         // a plan in metres of the national grid (kind 1)
    Profile,      // longitudinal profile sheets, horizontal 1:1000, vertical 1:100 (kind 2)
    CrossSections // sheets of cross-sections at 1:100 (kind 2)
};

// Writes a drawing of the given kind to `out`: one road or sheet set of its natural size (a few
// hundred kilobytes at most) when targetBytes is 0, otherwise further roads or sheets until at
// least targetBytes bytes are written. The same sheet, size and seed always give the same bytes.
// Kind 2 sheets are drawn in millimetres of paper. Stops early once `out` fails. Returns the
// number of bytes handed to the stream.
std::uint64_t GenerateRoadDrawing(std::ostream& out, RoadSheet sheet, std::uint64_t targetBytes,
                                  std::uint32_t seed);

// The Windows-1250 bytes of a UTF-8 text. Knows ASCII, the Polish letters and a few signs
// (en dash, degree, section sign); anything else becomes '?'.
std::string toWindows1250(std::string_view utf8);
std::string toWindows1250(std::u8string_view utf8);
