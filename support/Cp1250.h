// Windows-1250, the 8-bit code page of the program's files and of every text that crosses the
// engine interface. The table is usable at compile time, so constant texts can be written in
// UTF-8 in the source and stored as Windows-1250 bytes (see operator""_w1250).
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cp1250 {

// Unicode code points of the bytes 0x80..0xFF. The five bytes the code page leaves undefined
// map to the C1 control point of the same value, so every byte string survives a round trip.
inline constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // 0xF8
};

inline constexpr char kReplacement = '?';

// The byte for a code point, or -1 when the code page has no such character.
constexpr int byteFor(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

constexpr char16_t codePointOf(unsigned char byte) {
    return byte < 0x80 ? char16_t(byte) : kHighHalf[byte - 0x80];
}

// A UTF-8 string literal, as a template argument of operator""_w1250.
template <std::size_t N> struct Utf8Literal {
    char8_t text[N]{};
    consteval Utf8Literal(const char8_t (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i)
            text[i] = s[i];
    }
};

// The Windows-1250 bytes of a UTF-8 literal, made by the compiler. A character that the code
// page does not have stops the compilation (the throw is not allowed in a constant expression).
template <std::size_t N> struct EncodedLiteral {
    char bytes[N]{};
    std::size_t size = 0;
};

template <std::size_t N> consteval EncodedLiteral<N> encodeLiteral(const char8_t (&s)[N]) {
    EncodedLiteral<N> out;
    std::size_t i = 0;
    while (i + 1 < N) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        char32_t cp = 0;
        std::size_t len = 1;
        if (b0 < 0x80)
            cp = b0;
        else if ((b0 & 0xE0) == 0xC0)
            cp = b0 & 0x1F, len = 2;
        else if ((b0 & 0xF0) == 0xE0)
            cp = b0 & 0x0F, len = 3;
        else
            throw "character outside Windows-1250";
        for (std::size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        const int byte = byteFor(cp);
        if (byte < 0)
            throw "character outside Windows-1250";
        out.bytes[out.size++] = static_cast<char>(byte);
        i += len;
    }
    return out;
}

template <Utf8Literal L> inline constexpr auto kEncoded = encodeLiteral(L.text);

} // namespace cp1250

// u8"Zapisać"_w1250 is a std::string_view of Windows-1250 bytes in static storage.
template <cp1250::Utf8Literal L> constexpr std::string_view operator""_w1250() {
    return {cp1250::kEncoded<L>.bytes, cp1250::kEncoded<L>.size};
}

// Conversions between the program's Qt texts and Windows-1250 bytes. A character the code page
// does not have becomes '?'.
QString FromCp1250(std::string_view bytes);
std::string ToCp1250(const QString& text);
