// Road-sign definitions: the readable text files of data/signs/ (format in data/signs/README.md)
// read into shapes ready to be drawn: filled areas and discs, thin outlines and texts, in the
// sign's own millimetres. Used by kwl_signs, which turns every sign into a block of a drawing
// file of its group. Needs no engine.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A malformed definition: what() reads "file:line: what is wrong" ("file: ..." when the file
// itself cannot be read, line 0).
class SignDefinitionError : public std::runtime_error {
public:
    SignDefinitionError(const std::string& file, int line, const std::string& message);
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& message() const { return message_; }

private:
    std::string file_;
    int line_;
    std::string message_;
};

struct SignPoint {
    double x = 0, y = 0;
};

enum class SignShapeKind {
    Area,     // a filled closed polygon (points)
    Disc,     // a filled circle (centre, radius)
    Outline,  // a thin closed polygon (points)
    Circle,   // a thin circle (centre, radius)
    Polyline, // a thin open polyline (points)
    Text      // a text centred on `centre` (height, rotation, text)
};

struct SignShape {
    SignShapeKind kind = SignShapeKind::Area;
    std::uint32_t rgb = 0; // 0xRRGGBB
    std::vector<SignPoint> points;
    SignPoint centre;
    double radius = 0;
    double height = 0, rotation = 0;
    std::string text; // Windows-1250 bytes
};

struct SignDefinition {
    std::string code;        // the block name: "A-7"
    std::string description; // Windows-1250 bytes: "Ustąp pierwszeństwa"
    std::string file;        // where it was defined, for messages
    int line = 0;
    SignPoint base; // the block's base point; (0, 0), the middle of the sign, unless given
    std::vector<SignShape> shapes;
};

struct SignFile {
    int group = 0; // 0 for a file of symbols only
    std::vector<SignDefinition> signs;
};

// Named drawings that signs draw again (`use`): a pedestrian, a bicycle, a car.
using SignSymbols = std::map<std::string, std::vector<SignShape>>;

// The groups of signs and their drawing files beside the program.
inline constexpr std::array<int, 5> kSignGroups = {1, 2, 3, 4, 9};
std::string SignFileName(int group); // "KWL_AAA1.BIN"
// The code prefix of a group's signs ("A-" for group 1), empty for group 9 (any other letter).
std::string_view SignGroupPrefix(int group);

// Reads one definition file's text (UTF-8); fileName only names it in messages. Symbols of
// earlier files are in `symbols`, and the file's own are added to it. Throws
// SignDefinitionError.
SignFile ParseSignDefinitions(std::string_view text, const std::string& fileName,
                              SignSymbols& symbols);
SignFile ParseSignDefinitions(std::string_view text, const std::string& fileName);

// Reads every "*.txt" of a folder in name order (a symbol is known to the files after the one
// defining it), signs gathered by group; a code defined twice is an error. Throws
// SignDefinitionError (also when the folder cannot be read).
std::map<int, std::vector<SignDefinition>> ReadSignDefinitions(const std::filesystem::path& folder);

// The box around a sign's shapes (texts by an estimate of their size).
struct SignBox {
    double left = 0, bottom = 0, right = 0, top = 0;
};
SignBox SignExtents(const SignDefinition& sign);
