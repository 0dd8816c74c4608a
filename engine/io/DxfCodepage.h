// Texts of DXF files: the character sets strings come in, the codes written inside strings
// (\U+XXXX, %%d, MTEXT formatting), and the Windows-1250 bytes the drawing keeps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cad::dxf {

// Reads the bytes of a file's strings as Unicode. Bytes that are not valid in the character
// set become U+FFFD; they end as '?' in Windows-1250.
class TextDecoder {
public:
    enum class Charset { Cp1250, Cp1252, Utf8, Other };

    TextDecoder() = default;
    // For a file's $ACADVER and $DWGCODEPAGE (either may be empty). Files from DXF 2007 on are
    // UTF-8 whatever their code page says. A file that names neither is read as UTF-8 when
    // `looksUtf8` (its bytes are valid UTF-8 and not all ASCII), else as Windows-1252.
    static TextDecoder forFile(std::string_view acadver, std::string_view codepage, bool looksUtf8);

    Charset charset() const { return charset_; }
    std::u32string decode(std::string_view bytes) const;

private:
    Charset charset_ = Charset::Cp1252;
    std::string otherName_; // a name the Qt codecs know, for Charset::Other
};

std::u32string decodeUtf8(std::string_view bytes);
std::u32string decodeCp1250(std::string_view bytes);
std::u32string decodeCp1252(std::string_view bytes);
// True when the bytes are valid UTF-8 with at least one character beyond ASCII.
bool looksUtf8(std::string_view bytes);

// Windows-1250 bytes of a text; a character the code page lacks becomes its base letter when
// it is a letter with an accent that has one (à -> a), else '?'.
std::string encodeCp1250(std::u32string_view text);
// The same, with \U+XXXX escapes for the characters the code page lacks: for strings that must
// keep every character, such as file paths.
std::string encodeCp1250Escaped(std::u32string_view text);

// Decodes \U+XXXX and \M+nXXXX escapes; with `percentCodes` also %%d (degree), %%p (plus-minus),
// %%c (diameter), %%% and %%nnn, and drops the %%u / %%o switches.
std::u32string decodeEscapes(std::u32string_view text, bool percentCodes);

// A text of the drawing (Windows-1250 bytes) as the value of a TEXT string, written so that
// readers decode it to the same bytes: control characters in caret notation (^J for a line
// break, ^I for a tab, "^ " for the caret itself), each percent sign of a run of two or more as
// "%%%" (else "%%d" would be read as a degree sign), and a backslash that would start a \U+ or
// \M+ escape as \U+005C.
std::string encodeText(std::string_view cp1250);
// Caret notation decoded: ^@ to ^_ are the control characters 0 to 31, "^ " is a caret; a caret
// before anything else stays as it is.
std::u32string decodeCarets(std::u32string_view text);

// The paragraphs of an MTEXT string with its formatting codes taken out.
std::vector<std::u32string> mtextParagraphs(std::u32string_view text);

// A key under which names that DXF treats as equal (letter case aside) are equal; for
// Windows-1250 bytes.
std::string nameKey(std::string_view cp1250);

} // namespace cad::dxf
