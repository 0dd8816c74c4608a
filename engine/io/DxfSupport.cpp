#include "engine/io/DxfSupport.h"

#include <array>
#include <cmath>
#include <limits>

namespace cad::dxf {

namespace {

// 0x00RRGGBB of each palette index.
constexpr std::array<std::uint32_t, 256> kPalette = {
    0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0x000000, //
    0x808080, 0xC0C0C0, 0xFF0000, 0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F, //
    0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF3F00, 0xFF9F7F, 0xA52900, 0xA56752, //
    0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26, 0x260900, 0x261713, 0xFF7F00, 0xFFBF7F, //
    0xA55200, 0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13, //
    0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152, 0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226, //
    0x261C00, 0x262113, 0xFFFF00, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00, 0x7F7F3F, //
    0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, //
    0x5F7F00, 0x6F7F3F, 0x394C00, 0x424C26, 0x1C2600, 0x212613, 0x7FFF00, 0xBFFF7F, //
    0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00, 0x394C26, 0x132600, 0x1C2613, //
    0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552, 0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26, //
    0x092600, 0x172613, 0x00FF00, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F, //
    0x004C00, 0x264C26, 0x002600, 0x132613, 0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, //
    0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F, 0x002609, 0x135817, 0x00FF7F, 0x7FFFBF, //
    0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13581C, //
    0x00FFBF, 0x7FFFDF, 0x00A57C, 0x52A591, 0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, //
    0x00261C, 0x135858, 0x00FFFF, 0x7FFFFF, 0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F, //
    0x004C4C, 0x264C4C, 0x002626, 0x135858, 0x00BFFF, 0x7FDFFF, 0x007CA5, 0x5291A5, //
    0x005F7F, 0x3F6F7F, 0x00394C, 0x26427E, 0x001C26, 0x135858, 0x007FFF, 0x7FBFFF, //
    0x0052A5, 0x527CA5, 0x003F7F, 0x3F5F7F, 0x00264C, 0x26397E, 0x001326, 0x131C58, //
    0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5, 0x001F7F, 0x3F4F7F, 0x00134C, 0x262F7E, //
    0x000926, 0x131758, 0x0000FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F, //
    0x00004C, 0x26267E, 0x000026, 0x131358, 0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, //
    0x1F007F, 0x4F3F7F, 0x13004C, 0x2F267E, 0x090026, 0x171358, 0x7F00FF, 0xBF7FFF, //
    0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39267E, 0x130026, 0x1C1358, //
    0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5, 0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, //
    0x1C0026, 0x581358, 0xFF00FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F, //
    0x4C004C, 0x4C264C, 0x260026, 0x581358, 0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, //
    0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642, 0x26001C, 0x581358, 0xFF007F, 0xFF7FBF, //
    0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x58131C, //
    0xFF003F, 0xFF7F9F, 0xA50029, 0xA55267, 0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F, //
    0x260009, 0x581317, 0x333333, 0x5B5B5B, 0x848484, 0xADADAD, 0xD6D6D6, 0xFFFFFF, //
};

constexpr std::array<int, 24> kLineweights = {0,  5,   9,   13,  15,  18,  20,  25,
                                              30, 35,  40,  50,  53,  60,  70,  80,
                                              90, 100, 106, 120, 140, 158, 200, 211};

} // namespace

std::uint32_t aciColor(int aci) {
    if (aci < 1 || aci > 255)
        return 0;
    return fromTrueColor(kPalette[static_cast<std::size_t>(aci)]);
}

int nearestAci(std::uint32_t color) {
    const int r = int(color & 0xFF), g = int((color >> 8) & 0xFF), b = int((color >> 16) & 0xFF);
    int best = 7;
    long bestDistance = std::numeric_limits<long>::max();
    for (int i = 1; i < 256; ++i) {
        const auto p = kPalette[static_cast<std::size_t>(i)];
        const long dr = long((p >> 16) & 0xFF) - r, dg = long((p >> 8) & 0xFF) - g,
                   db = long(p & 0xFF) - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int nearestLineweight(double mm) {
    if (!std::isfinite(mm) || mm <= 0)
        return 0;
    const double hundredths = mm * 100;
    int best = kLineweights.back();
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const int w : kLineweights)
        if (const double d = std::abs(hundredths - w); d < bestDistance) {
            bestDistance = d;
            best = w;
        }
    return best;
}

int insunitsFromUnits(int units) {
    switch (units) {
    case 1:
        return 1; // inches
    case 2:
        return 4; // millimetres
    case 3:
        return 5; // centimetres
    case 4:
        return 6; // metres
    default:
        return 0;
    }
}

int unitsFromInsunits(int insunits) {
    switch (insunits) {
    case 1:
        return 1;
    case 4:
        return 2;
    case 5:
        return 3;
    case 6:
        return 4;
    default:
        return 0;
    }
}

std::string tableName(std::string_view cp1250) {
    std::string name;
    name.reserve(cp1250.size());
    for (const char c : cp1250) {
        const auto b = static_cast<unsigned char>(c);
        const bool bad = b < 0x20 || b == 0x7F ||
                         std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos;
        name.push_back(bad ? '_' : c);
    }
    if (name.size() > 255)
        name.resize(255);
    if (name.empty())
        name.push_back('_');
    return name;
}

std::string oneLine(std::string_view cp1250) {
    std::string s(cp1250);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return s;
}

int dimtad(TextPlacement p) {
    return p == TextPlacement::Centred ? 0 : p == TextPlacement::Below ? 4 : 1;
}

TextPlacement placementOfDimtad(long dimtad) {
    return dimtad == 0   ? TextPlacement::Centred
           : dimtad == 4 ? TextPlacement::Below
                         : TextPlacement::Above;
}

} // namespace cad::dxf
