#include "engine/io/DxfCodepage.h"

#include <QChar>
#include <QString>
#include <QStringDecoder>

#include <array>
#include <cstdint>

namespace cad::dxf {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Unicode of the bytes 0x80..0xFF. Bytes the code page leaves undefined map to the C1 control
// of the same number, so that Windows-1250 bytes survive decoding and encoding unchanged.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, //
};

constexpr std::array<char16_t, 128> kCp1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, //
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, //
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, //
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, //
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, //
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, //
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, //
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, //
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, //
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, //
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF, //
};

std::u32string decodeSingleByte(std::string_view bytes, const std::array<char16_t, 128>& high) {
    std::u32string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.push_back(b < 0x80 ? char32_t(b) : char32_t(high[b - 0x80]));
    }
    return out;
}

// The byte of a character in Windows-1250, or 0 when it has none.
unsigned char cp1250Byte(char32_t c) {
    if (c < 0x80)
        return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kCp1250.size(); ++i)
        if (kCp1250[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

int hexValue(char32_t c) {
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

// The number of a \U+XXXX escape starting at text[i] (the backslash), or -1.
long unicodeEscape(std::u32string_view text, std::size_t i) {
    if (i + 7 > text.size() || text[i] != '\\' || (text[i + 1] != 'U' && text[i + 1] != 'u') ||
        text[i + 2] != '+')
        return -1;
    long v = 0;
    for (std::size_t k = i + 3; k < i + 7; ++k) {
        const int h = hexValue(text[k]);
        if (h < 0)
            return -1;
        v = v * 16 + h;
    }
    return v;
}

// True when text[i] starts a \M+nXXXX escape (a character of an Asian code page).
bool multibyteEscape(std::u32string_view text, std::size_t i) {
    if (i + 8 > text.size() || text[i] != '\\' || text[i + 1] != 'M' || text[i + 2] != '+' ||
        text[i + 3] < '1' || text[i + 3] > '5')
        return false;
    for (std::size_t k = i + 4; k < i + 8; ++k)
        if (hexValue(text[k]) < 0)
            return false;
    return true;
}

char32_t validCodePoint(long v) {
    if (v <= 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return kReplacement;
    return static_cast<char32_t>(v);
}

std::string qtCodecName(std::string_view codepage) {
    std::string cp;
    for (const char c : codepage)
        if (c != ' ')
            cp.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    auto number = [&](std::string_view prefix) -> std::string {
        return cp.starts_with(prefix) ? cp.substr(prefix.size()) : std::string();
    };
    if (const auto n = number("ANSI_"); !n.empty()) {
        if (n == "932")
            return "Shift_JIS";
        if (n == "936")
            return "GBK";
        if (n == "949")
            return "windows-949";
        if (n == "950")
            return "Big5";
        return "windows-" + n;
    }
    if (const auto n = number("DOS"); !n.empty())
        return "IBM" + n;
    if (const auto n = number("ISO8859-"); !n.empty())
        return "ISO-8859-" + n;
    if (cp == "BIG5")
        return "Big5";
    if (cp == "GB2312")
        return "GBK";
    return {};
}

} // namespace

TextDecoder TextDecoder::forFile(std::string_view acadver, std::string_view codepage,
                                 bool looksUtf8) {
    TextDecoder d;
    // AC1021 (DXF 2007) and later keep every string in UTF-8.
    if (acadver.size() >= 6 && acadver.starts_with("AC")) {
        int release = 0;
        for (const char c : acadver.substr(2, 4))
            release = c >= '0' && c <= '9' ? release * 10 + (c - '0') : -100000;
        if (release >= 1021) {
            d.charset_ = Charset::Utf8;
            return d;
        }
    }
    std::string cp;
    for (const char c : codepage)
        if (c != ' ')
            cp.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    if (cp.empty()) {
        d.charset_ = looksUtf8 ? Charset::Utf8 : Charset::Cp1252;
    } else if (cp == "ANSI_1250") {
        d.charset_ = Charset::Cp1250;
    } else if (cp == "ANSI_1252" || cp == "ANSI_0") {
        d.charset_ = Charset::Cp1252;
    } else if (cp == "UTF8" || cp == "UTF-8") {
        d.charset_ = Charset::Utf8;
    } else {
        const std::string name = qtCodecName(cp);
        if (!name.empty() && QStringDecoder(name.c_str()).isValid()) {
            d.charset_ = Charset::Other;
            d.otherName_ = name;
        } else {
            d.charset_ = Charset::Cp1252;
        }
    }
    return d;
}

std::u32string TextDecoder::decode(std::string_view bytes) const {
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::u32string(bytes.begin(), bytes.end());
    switch (charset_) {
    case Charset::Cp1250:
        return decodeCp1250(bytes);
    case Charset::Cp1252:
        return decodeCp1252(bytes);
    case Charset::Utf8:
        return decodeUtf8(bytes);
    case Charset::Other: {
        QStringDecoder decoder(otherName_.c_str());
        const QString s = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        return s.toStdU32String();
    }
    }
    return {};
}

std::u32string decodeUtf8(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < n) {
        const unsigned char b = at(i);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t c = 0, min = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
            min = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        bool ok = i + std::size_t(extra) < n;
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char cb = at(i + std::size_t(k));
            ok = (cb & 0xC0) == 0x80;
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(c);
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::u32string decodeCp1250(std::string_view bytes) {
    return decodeSingleByte(bytes, kCp1250);
}
std::u32string decodeCp1252(std::string_view bytes) {
    return decodeSingleByte(bytes, kCp1252);
}

bool looksUtf8(std::string_view bytes) {
    bool high = false;
    for (const char c : bytes)
        high = high || static_cast<unsigned char>(c) >= 0x80;
    if (!high)
        return false;
    for (const char32_t c : decodeUtf8(bytes))
        if (c == kReplacement)
            return false;
    return true;
}

std::string encodeCp1250(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (const unsigned char b = cp1250Byte(c); b != 0 || c == 0) {
            out.push_back(static_cast<char>(b));
            continue;
        }
        // A letter with an accent the code page lacks: its base letter, when that fits.
        unsigned char base = 0;
        if (c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF)) {
            const QString d = QChar::decomposition(c);
            if (!d.isEmpty() && !d.at(0).isSurrogate())
                base = cp1250Byte(d.at(0).unicode());
        }
        out.push_back(base >= 0x20 ? static_cast<char>(base) : '?');
    }
    return out;
}

std::string encodeCp1250Escaped(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        const unsigned char b = cp1250Byte(c);
        if (b != 0 || c == 0) {
            out.push_back(static_cast<char>(b));
        } else if (c <= 0xFFFF) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\U+";
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(kHex[(c >> shift) & 0xF]);
        } else {
            out.push_back('?');
        }
    }
    return out;
}

std::u32string decodeEscapes(std::u32string_view text, bool percentCodes) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char32_t c = text[i];
        if (c == '\\') {
            if (const long v = unicodeEscape(text, i); v >= 0) {
                out.push_back(validCodePoint(v));
                i += 7;
                continue;
            }
            if (multibyteEscape(text, i)) {
                out.push_back(kReplacement);
                i += 8;
                continue;
            }
        }
        if (percentCodes && c == '%' && i + 2 < text.size() && text[i + 1] == '%') {
            const char32_t k = text[i + 2];
            switch (k) {
            case 'd':
            case 'D':
                out.push_back(0x00B0);
                i += 3;
                continue;
            case 'p':
            case 'P':
                out.push_back(0x00B1);
                i += 3;
                continue;
            case 'c':
            case 'C':
                out.push_back(0x2300);
                i += 3;
                continue;
            case '%':
                out.push_back('%');
                i += 3;
                continue;
            case 'u':
            case 'U':
            case 'o':
            case 'O':
            case 'k':
            case 'K':
                i += 3;
                continue;
            default:
                break;
            }
            if (i + 4 < text.size() && k >= '0' && k <= '9' && text[i + 3] >= '0' &&
                text[i + 3] <= '9' && text[i + 4] >= '0' && text[i + 4] <= '9') {
                const long v =
                    long(k - '0') * 100 + long(text[i + 3] - '0') * 10 + long(text[i + 4] - '0');
                out.push_back(validCodePoint(v));
                i += 5;
                continue;
            }
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

std::string encodeText(std::string_view cp1250) {
    const std::u32string chars = decodeCp1250(cp1250); // one character a byte
    std::string out;
    out.reserve(cp1250.size() + 8);
    for (std::size_t i = 0; i < cp1250.size(); ++i) {
        const char c = cp1250[i];
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20) {
            out += '^';
            out += static_cast<char>(b + 0x40);
        } else if (c == '^') {
            out += "^ ";
        } else if (c == '%' && ((i + 1 < cp1250.size() && cp1250[i + 1] == '%') ||
                                (i > 0 && cp1250[i - 1] == '%'))) {
            out += "%%%";
        } else if (c == '\\' && (unicodeEscape(chars, i) >= 0 || multibyteEscape(chars, i))) {
            out += "\\U+005C";
        } else {
            out += c;
        }
    }
    return out;
}

std::u32string decodeCarets(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
        if (c == '^' && next >= 0x40 && next <= 0x5F) {
            out.push_back(next - 0x40);
            ++i;
        } else if (c == '^' && next == ' ') {
            out.push_back(c);
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::u32string> mtextParagraphs(std::u32string_view text) {
    std::vector<std::u32string> paragraphs(1);
    auto put = [&](char32_t c) { paragraphs.back().push_back(c); };
    auto skipArgument = [&](std::size_t from) {
        // A code with an argument runs to its ';'.
        const std::size_t end = text.find(U';', from);
        return end == std::u32string_view::npos ? from : end + 1;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char32_t c = text[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c == '^' && i + 1 < text.size()) {
            const char32_t k = text[i + 1];
            if (k == 'I' || k == ' ') {
                put(k == 'I' ? U' ' : U'^');
                i += 2;
                continue;
            }
            if (k == 'J') {
                paragraphs.emplace_back();
                i += 2;
                continue;
            }
            if (k == 'M') {
                i += 2;
                continue;
            }
        }
        if (c == '\n') {
            paragraphs.emplace_back();
            ++i;
            continue;
        }
        if (c < 0x20) {
            put(U' ');
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= text.size()) {
            put(c);
            ++i;
            continue;
        }
        if (const long v = unicodeEscape(text, i); v >= 0) {
            put(validCodePoint(v));
            i += 7;
            continue;
        }
        if (multibyteEscape(text, i)) {
            put(kReplacement);
            i += 8;
            continue;
        }
        const char32_t k = text[i + 1];
        switch (k) {
        case 'P':
        case 'N':
        case 'X':
            paragraphs.emplace_back();
            i += 2;
            break;
        case '~':
            put(U' ');
            i += 2;
            break;
        case '\\':
        case '{':
        case '}':
            put(k);
            i += 2;
            break;
        case 'L':
        case 'l':
        case 'O':
        case 'o':
        case 'K':
        case 'k':
            i += 2;
            break;
        case 'S': {
            // Stacked text "\Sup^down;", "\Sup/down;" or "\Sup#down;": written as up/down.
            const std::size_t end = skipArgument(i + 2);
            const std::size_t stop = end > i + 2 ? end - 1 : i + 2;
            for (std::size_t j = i + 2; j < stop; ++j) {
                const char32_t s = text[j];
                if (s == '\\' && j + 1 < stop) {
                    put(text[++j]);
                    continue;
                }
                put(s == '^' || s == '#' ? U'/' : s);
            }
            i = stop == i + 2 ? i + 2 : end;
            break;
        }
        case 'f':
        case 'F':
        case 'H':
        case 'W':
        case 'Q':
        case 'T':
        case 'A':
        case 'C':
        case 'c':
        case 'p':
            i = skipArgument(i + 2);
            break;
        default:
            i += 2;
            break;
        }
    }
    while (paragraphs.size() > 1 && paragraphs.back().empty())
        paragraphs.pop_back();
    return paragraphs;
}

std::string nameKey(std::string_view cp1250) {
    std::string key(cp1250);
    for (char& ch : key) {
        const auto b = static_cast<unsigned char>(ch);
        unsigned char u = b;
        if (b >= 'a' && b <= 'z')
            u = static_cast<unsigned char>(b - 32);
        else if (b == 0x9A || b == 0x9C || b == 0x9D || b == 0x9E || b == 0x9F)
            u = static_cast<unsigned char>(b - 0x10);
        else if (b == 0xB3)
            u = 0xA3;
        else if (b == 0xB9)
            u = 0xA5;
        else if (b == 0xBA)
            u = 0xAA;
        else if (b == 0xBE)
            u = 0xBC;
        else if (b == 0xBF)
            u = 0xAF;
        else if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
            u = static_cast<unsigned char>(b - 0x20);
        ch = static_cast<char>(u);
    }
    return key;
}

} // namespace cad::dxf
