// Writes the road-sign drawing files that the program reads beside itself (KWL_AAA1.BIN ...
// KWL_AAA9.BIN) from the readable definitions of data/signs/. Every sign becomes one block
// named by its code; the model space holds a catalogue sheet with one insertion of each sign
// and its name, for whoever opens such a file.
#include "tools/SignDefinitions.h"

#include "engine/CadApi.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "Usage: kwl_signs DEFINITIONS_DIR OUTPUT_DIR\n"
    "\n"
    "Reads the road-sign definitions (*.txt) of DEFINITIONS_DIR and writes one drawing file\n"
    "per group into OUTPUT_DIR: KWL_AAA1.BIN (A-), KWL_AAA2.BIN (B-), KWL_AAA3.BIN (C-),\n"
    "KWL_AAA4.BIN (D-) and KWL_AAA9.BIN (other signs). Each sign is a block named by its code.\n";

// The engine's questions and messages go to standard error; nobody is there to answer.
class ConsoleResponder : public CadResponder {
public:
    int ask(std::string_view, std::string_view text, bool) override {
        std::cerr << "kwl_signs: " << text << '\n';
        return CAD_ASK_NO;
    }
    void tell(std::string_view, std::string_view text, bool) override {
        std::cerr << "kwl_signs: " << text << '\n';
    }
    std::optional<std::string> saveFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
};

// 0xRRGGBB to the engine's 0x00BBGGRR.
int engineColour(std::uint32_t rgb) {
    return static_cast<int>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// Every entity of a sign has its own colour and the thinnest line, so that the sign looks
// the same on whatever layer it is inserted.
void ownLook(int entity, std::uint32_t rgb, bool filled) {
    cadPropPutInt(CAD_PROP_ENT_COLOR, entity, engineColour(rgb));
    cadPropPutDbl(CAD_PROP_ENT_WIDTH, entity, 0);
    if (filled)
        cadPropPutInt(CAD_PROP_ENT_FILLED, entity, 1);
}

int polyline(const std::vector<SignPoint>& points, bool closed) {
    cadPolylineBegin();
    for (const SignPoint& p : points)
        cadVertex(p.x, p.y);
    return cadAddPolyline(0, closed ? 1 : 0);
}

int text(double x, double y, double height, double rotation, std::string_view string) {
    cadSetTextParam(CAD_TEXT_HEIGHT, height);
    cadSetTextParam(CAD_TEXT_ALIGN, 4); // the middle of the text on the point
    cadSetTextParam(CAD_TEXT_ROTATION, rotation);
    return cadAddText(x, y, string);
}

void drawShape(const SignShape& s) {
    switch (s.kind) {
    case SignShapeKind::Area:
        ownLook(polyline(s.points, true), s.rgb, true);
        break;
    case SignShapeKind::Outline:
        ownLook(polyline(s.points, true), s.rgb, false);
        break;
    case SignShapeKind::Polyline:
        ownLook(polyline(s.points, false), s.rgb, false);
        break;
    case SignShapeKind::Disc:
        ownLook(cadAddCircle(s.centre.x, s.centre.y, s.radius), s.rgb, true);
        break;
    case SignShapeKind::Circle:
        ownLook(cadAddCircle(s.centre.x, s.centre.y, s.radius), s.rgb, false);
        break;
    case SignShapeKind::Text:
        ownLook(text(s.centre.x, s.centre.y, s.height, s.rotation, s.text), s.rgb, false);
        break;
    }
}

// A description in lines of at most `width` characters, broken between words.
std::vector<std::string> wrap(const std::string& s, std::size_t width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t space = s.find(' ', i);
        const std::string word = s.substr(i, space == std::string::npos ? space : space - i);
        i = space == std::string::npos ? s.size() : space + 1;
        if (word.empty())
            continue;
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// One insertion of every sign in rows, its code and name under it.
void catalogue(const std::vector<SignDefinition>& signs, const std::vector<int>& blocks) {
    double cell = 0;
    for (const auto& sign : signs) {
        const SignBox b = SignExtents(sign);
        cell = std::max({cell, b.right - b.left, b.top - b.bottom});
    }
    cell *= 1.6;
    const int columns = 6;
    const double labelHeight = cell * 0.055, nameHeight = cell * 0.04;
    cadLayerActive(cadLayerAdd("KATALOG", 0, 0x000000, 0x000000));
    for (std::size_t i = 0; i < signs.size(); ++i) {
        const SignDefinition& sign = signs[i];
        const SignBox b = SignExtents(sign);
        const double cx = static_cast<double>(i % columns) * cell;
        const double cy = -static_cast<double>(i / columns) * cell * 1.35;
        // The sign's box centred in its cell.
        const double x = cx - (b.left + b.right) / 2 + sign.base.x;
        const double y = cy - (b.bottom + b.top) / 2 + sign.base.y;
        cadAddInsert(blocks[i], x, y, 1, 1, 0);
        double ty = cy - cell * 0.38;
        text(cx, ty, labelHeight, 0, sign.code);
        for (const std::string& line : wrap(sign.description, 26)) {
            ty -= nameHeight * 1.7;
            text(cx, ty, nameHeight, 0, line);
        }
    }
    cadLayerActive(0);
}

bool writeGroup(int group, const std::vector<SignDefinition>& signs,
                const std::filesystem::path& output) {
    if (!cadFileNew(0, "")) {
        std::cerr << "kwl_signs: the engine could not create a drawing\n";
        return false;
    }
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 2); // millimetres
    cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, -1, 0xFFFFFF);
    std::vector<int> blocks;
    for (const SignDefinition& sign : signs) {
        cadLayerActive(0);
        cadBlockBegin();
        for (const SignShape& shape : sign.shapes)
            drawShape(shape);
        const int block = cadBlockAdd(sign.code, sign.base.x, sign.base.y);
        if (block < 0) {
            std::cerr << sign.file << ":" << sign.line << ": the engine refused sign " << sign.code
                      << '\n';
            cadDocClose(cadDocGetActive());
            return false;
        }
        blocks.push_back(block);
    }
    catalogue(signs, blocks);
    const std::string path = (output / SignFileName(group)).string();
    const bool saved = cadFileSave(path, CAD_FORMAT_NATIVE) == 1;
    if (!saved)
        std::cerr << "kwl_signs: cannot write " << path << '\n';
    cadDocClose(cadDocGetActive());
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << kUsage;
        return 2;
    }
    // Texts and fonts need a Qt application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::filesystem::path definitions = argv[1], output = argv[2];

    std::map<int, std::vector<SignDefinition>> groups;
    try {
        groups = ReadSignDefinitions(definitions);
    } catch (const SignDefinitionError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    for (int group : kSignGroups)
        if (groups[group].empty()) {
            std::cerr << "kwl_signs: " << definitions.string() << " has no signs of group " << group
                      << '\n';
            return 1;
        }
    std::error_code ec;
    std::filesystem::create_directories(output, ec);

    cadSetResponder(std::make_shared<ConsoleResponder>());
    bool ok = true;
    for (int group : kSignGroups)
        ok = writeGroup(group, groups[group], output) && ok;
    cadReset();
    return ok ? 0 : 1;
}
