#include "windows/RtfReader.h"

#include "support/Cp1250.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Code pages of \'hh and of 8-bit text: the upper halves of the Windows code pages that RTF
// names through \ansicpgN, \cpgN and the fonts' \fcharsetN, as Qt's converters decode them.
// Bytes a code page leaves undefined (the converters give them as C1 controls) become U+FFFD.
// Windows-1250 is the program's own table.

using CodeTable = std::array<char16_t, 128>;

CodeTable decodedTable(int codePage) {
    CodeTable table;
    table.fill(0xFFFD);
    QStringDecoder decoder(QByteArray("windows-") + QByteArray::number(codePage));
    if (!decoder.isValid())
        return table;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        const QString text = decoder.decode(QByteArrayView(&c, 1));
        decoder.resetState();
        if (text.size() == 1 && (text[0].unicode() < 0x80 || text[0].unicode() > 0x9F))
            table[std::size_t(byte - 0x80)] = text[0].unicode();
    }
    return table;
}

// 1252 and the code pages we have no table for read as 1252.
const CodeTable& codeTable(int codePage) {
    static const std::array<CodeTable, 9> tables = [] {
        std::array<CodeTable, 9> all;
        all[0] = cp1250::kHighHalf;
        for (int i = 1; i < 9; ++i)
            all[std::size_t(i)] = decodedTable(1250 + i);
        return all;
    }();
    if (codePage < 1250 || codePage > 1258)
        codePage = 1252;
    return tables[std::size_t(codePage - 1250)];
}

// The code page of a font's \fcharsetN, 0 when it is the document's own (or unknown).
int codePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

// Symbol fonts put pictures where letters are. Their bytes are turned into the Unicode
// characters they show, so the text looks right in whatever font Linux has.
enum class Glyphs : std::uint8_t { Letters, Symbol, Wingdings };

char32_t symbolCharacter(Glyphs glyphs, unsigned char byte) {
    if (glyphs == Glyphs::Wingdings) {
        switch (byte) {
        case 0x6C:
            return U'\u25CF'; // ●
        case 0x6E:
            return U'\u25A0'; // ■
        case 0x71:
            return U'\u2751'; // ❑
        case 0x76:
            return U'\u2756'; // ❖
        case 0xA7:
            return U'\u25AA'; // ▪
        case 0xA8:
            return U'\u25FB'; // ◻
        case 0xD8:
            return U'\u27A2'; // ➢
        case 0xFC:
            return U'\u2714'; // ✔
        default:
            return byte < 0x80 ? byte : codeTable(1252)[byte - 0x80];
        }
    }
    static constexpr std::u16string_view upper = u"ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ";
    static constexpr std::u16string_view lower = u"αβχδεφγηιϕκλμνοπθρστυϖωξψζ";
    static_assert(upper.size() == 26 && lower.size() == 26);
    if (byte >= 'A' && byte <= 'Z')
        return upper[byte - 'A'];
    if (byte >= 'a' && byte <= 'z')
        return lower[byte - 'a'];
    switch (byte) {
    case 0xA3:
        return U'\u2264'; // ≤
    case 0xA5:
        return U'\u221E'; // ∞
    case 0xB0:
        return U'\u00B0'; // °
    case 0xB1:
        return U'\u00B1'; // ±
    case 0xB3:
        return U'\u2265'; // ≥
    case 0xB4:
        return U'\u00D7'; // ×
    case 0xB7:
        return U'\u2022'; // •
    case 0xB8:
        return U'\u00F7'; // ÷
    case 0xB9:
        return U'\u2260'; // ≠
    case 0xBB:
        return U'\u2248'; // ≈
    case 0xD6:
        return U'\u221A'; // √
    default:
        return byte < 0x80 ? byte : codeTable(1252)[byte - 0x80];
    }
}

// ---------------------------------------------------------------------------------------------
// Control words.

enum class Kw : std::uint8_t {
    Skip,             // a destination whose content is not shown
    FontTable,        // \fonttbl
    ColorTable,       // \colortbl
    Field,            // \field
    FieldInstruction, // \fldinst
    FieldResult,      // \fldrslt
    Upr,              // \upr: an 8-bit text followed by its Unicode twin \ud
    Ud,
    CharacterSet, // \ansi \mac \pc \pca (data: code page)
    AnsiCodePage,
    DefaultFont,
    Font,
    FontCharset,
    FontCodePage,
    FontFamily, // data: QFont::StyleHint
    Red,
    Green,
    Blue,
    Paragraph, // \par \sect \page
    Line,
    Tab,
    Cell,
    Row,
    Character, // data: the character
    ParagraphDefaults,
    CharacterDefaults,
    Bold,
    Italic,
    Underline, // data: QTextCharFormat::UnderlineStyle
    UnderlineNone,
    Strike,
    Caps,
    SmallCaps,
    Hidden,
    Super,
    Sub,
    NoSuperSub,
    FontSize,
    Foreground,
    Background,
    Align, // data: 0 left, 1 centre, 2 right, 3 justified
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineMultiple,
    TabStop,
    TabKind, // data: QTextOption::TabType of the next \tx
    RightToLeft,
    LeftToRight,
    OutlineLevel,
    UnicodeSkip,
    Unicode,
    Binary,
};

struct Keyword {
    Kw kw;
    char16_t data = 0;
};

// Destinations whose content is not shown: document information, style and list definitions,
// pictures and objects' data, headers and footers, footnotes and annotations, bookmarks and
// index entries.
constexpr std::string_view kSkippedDestinations =
    "aftncn aftnsep aftnsepc annotation atnauthor atndate atnid atnref atrfend "
    "atrfstart author background bkmkend bkmkstart buptim colorschememapping comment "
    "creatim datafield datastore do doccomm docvar falt filetbl footer footerf "
    "footerl footerr footnote ftncn ftnsep ftnsepc generator header headerf headerl "
    "headerr info keywords latentstyles listoverridetable listpicture listtable "
    "mmathPr nonesttables nonshppict objclass objdata objname operator panose "
    "pgdsctbl pict pn pntxta pntxtb printim private revtbl revtim rsidtbl rxe "
    "shppict sn sp stylesheet subject sv tc template themedata title txe userprops "
    "xe xmlnstbl";

const std::unordered_map<std::string_view, Keyword>& keywords() {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t;
        std::string_view skipped = kSkippedDestinations;
        while (!skipped.empty()) {
            const std::size_t space = std::min(skipped.find(' '), skipped.size());
            t.emplace(skipped.substr(0, space), Keyword{Kw::Skip});
            skipped.remove_prefix(std::min(space + 1, skipped.size()));
        }
        const std::pair<std::string_view, Keyword> rest[] = {
            {"fonttbl", {Kw::FontTable}},
            {"colortbl", {Kw::ColorTable}},
            {"field", {Kw::Field}},
            {"fldinst", {Kw::FieldInstruction}},
            {"fldrslt", {Kw::FieldResult}},
            {"upr", {Kw::Upr}},
            {"ud", {Kw::Ud}},
            {"ansi", {Kw::CharacterSet, 1252}},
            {"mac", {Kw::CharacterSet, 10000}},
            {"pc", {Kw::CharacterSet, 437}},
            {"pca", {Kw::CharacterSet, 850}},
            {"ansicpg", {Kw::AnsiCodePage}},
            {"deff", {Kw::DefaultFont}},
            {"f", {Kw::Font}},
            {"fcharset", {Kw::FontCharset}},
            {"cpg", {Kw::FontCodePage}},
            {"fnil", {Kw::FontFamily, QFont::AnyStyle}},
            {"froman", {Kw::FontFamily, QFont::Serif}},
            {"fswiss", {Kw::FontFamily, QFont::SansSerif}},
            {"fmodern", {Kw::FontFamily, QFont::Monospace}},
            {"fscript", {Kw::FontFamily, QFont::Cursive}},
            {"fdecor", {Kw::FontFamily, QFont::Decorative}},
            {"ftech", {Kw::FontFamily, QFont::AnyStyle}},
            {"fbidi", {Kw::FontFamily, QFont::AnyStyle}},
            {"red", {Kw::Red}},
            {"green", {Kw::Green}},
            {"blue", {Kw::Blue}},
            {"par", {Kw::Paragraph}},
            {"sect", {Kw::Paragraph}},
            {"page", {Kw::Paragraph}},
            {"line", {Kw::Line}},
            {"lbr", {Kw::Line}},
            {"tab", {Kw::Tab}},
            {"cell", {Kw::Cell}},
            {"nestcell", {Kw::Cell}},
            {"row", {Kw::Row}},
            {"nestrow", {Kw::Row}},
            {"bullet", {Kw::Character, u'\u2022'}},
            {"emdash", {Kw::Character, u'\u2014'}},
            {"endash", {Kw::Character, u'\u2013'}},
            {"lquote", {Kw::Character, u'\u2018'}},
            {"rquote", {Kw::Character, u'\u2019'}},
            {"ldblquote", {Kw::Character, u'\u201C'}},
            {"rdblquote", {Kw::Character, u'\u201D'}},
            {"emspace", {Kw::Character, u'\u2003'}},
            {"enspace", {Kw::Character, u'\u2002'}},
            {"qmspace", {Kw::Character, u'\u2005'}},
            {"zwbo", {Kw::Character, u'\u200B'}},
            {"zwnj", {Kw::Character, u'\u200C'}},
            {"zwj", {Kw::Character, u'\u200D'}},
            {"ltrmark", {Kw::Character, u'\u200E'}},
            {"rtlmark", {Kw::Character, u'\u200F'}},
            {"pard", {Kw::ParagraphDefaults}},
            {"plain", {Kw::CharacterDefaults}},
            {"b", {Kw::Bold}},
            {"i", {Kw::Italic}},
            {"ul", {Kw::Underline, QTextCharFormat::SingleUnderline}},
            {"ulw", {Kw::Underline, QTextCharFormat::SingleUnderline}},
            {"uldb", {Kw::Underline, QTextCharFormat::SingleUnderline}},
            {"ulth", {Kw::Underline, QTextCharFormat::SingleUnderline}},
            {"uld", {Kw::Underline, QTextCharFormat::DotLine}},
            {"ulthd", {Kw::Underline, QTextCharFormat::DotLine}},
            {"uldash", {Kw::Underline, QTextCharFormat::DashUnderline}},
            {"uldashd", {Kw::Underline, QTextCharFormat::DashDotLine}},
            {"uldashdd", {Kw::Underline, QTextCharFormat::DashDotDotLine}},
            {"ulthdash", {Kw::Underline, QTextCharFormat::DashUnderline}},
            {"ulldash", {Kw::Underline, QTextCharFormat::DashUnderline}},
            {"ulwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
            {"ulhwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
            {"ululdbwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
            {"ulnone", {Kw::UnderlineNone}},
            {"strike", {Kw::Strike}},
            {"striked", {Kw::Strike}},
            {"caps", {Kw::Caps}},
            {"scaps", {Kw::SmallCaps}},
            {"v", {Kw::Hidden}},
            {"htmlrtf", {Kw::Hidden}},
            {"super", {Kw::Super}},
            {"sub", {Kw::Sub}},
            {"nosupersub", {Kw::NoSuperSub}},
            {"fs", {Kw::FontSize}},
            {"cf", {Kw::Foreground}},
            {"cb", {Kw::Background}},
            {"highlight", {Kw::Background}},
            {"chcbpat", {Kw::Background}},
            {"ql", {Kw::Align, 0}},
            {"qc", {Kw::Align, 1}},
            {"qr", {Kw::Align, 2}},
            {"qj", {Kw::Align, 3}},
            {"qd", {Kw::Align, 3}},
            {"li", {Kw::LeftIndent}},
            {"lin", {Kw::LeftIndent}},
            {"ri", {Kw::RightIndent}},
            {"rin", {Kw::RightIndent}},
            {"fi", {Kw::FirstIndent}},
            {"sb", {Kw::SpaceBefore}},
            {"sa", {Kw::SpaceAfter}},
            {"sl", {Kw::LineSpacing}},
            {"slmult", {Kw::LineMultiple}},
            {"tx", {Kw::TabStop}},
            {"tqr", {Kw::TabKind, QTextOption::RightTab}},
            {"tqc", {Kw::TabKind, QTextOption::CenterTab}},
            {"tqdec", {Kw::TabKind, QTextOption::DelimiterTab}},
            {"rtlpar", {Kw::RightToLeft}},
            {"ltrpar", {Kw::LeftToRight}},
            {"outlinelevel", {Kw::OutlineLevel}},
            {"uc", {Kw::UnicodeSkip}},
            {"u", {Kw::Unicode}},
            {"bin", {Kw::Binary}},
        };
        for (const auto& [name, keyword] : rest)
            t.emplace(name, keyword);
        return t;
    }();
    return table;
}

// ---------------------------------------------------------------------------------------------
// The reader's state: what each group keeps and restores at its end.

constexpr std::size_t kMaxDepth = 1000;      // deeper groups are read as if flat
constexpr long long kMaxParameter = 1 << 30; // numeric parameters are clamped to ± this
constexpr int kMaxNameLength = 256;          // font names
constexpr qsizetype kMaxInstruction = 4096;  // field instructions
constexpr int kMaxTabs = 64;                 // tab stops of one paragraph
constexpr std::size_t kMaxColors = 1 << 16;  // colour table entries
constexpr qsizetype kMaxFonts = 1 << 16;     // font table entries
constexpr double kTwipsPerPixel = 15.0;      // 1440 twips an inch, 96 pixels an inch

enum class Dest : std::uint8_t { None, Text, Skip, FontTable, ColorTable, FieldInstruction };

struct CharProps {
    int font = -1; // -1: the document's default font
    int size = 24; // half-points
    int foreground = 0;
    int background = 0;
    int link = -1;
    std::uint8_t underline = QTextCharFormat::NoUnderline;
    std::uint8_t vertical = 0; // 0 normal, 1 superscript, 2 subscript
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool caps = false;
    bool smallCaps = false;
    bool hidden = false;
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    int align = 0;
    int left = 0; // twips, as everything below
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool rightToLeft = false;
    int outline = -1;
    int nextTabKind = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;
};

struct State {
    Dest dest = Dest::Text;
    Dest fieldParent = Dest::Text; // where \fldrslt's text goes
    Dest uprParent = Dest::None;   // where \ud's text goes
    int uc = 1;                    // fallback characters after \uN
    CharProps chars;
    ParaProps para;
};

struct FontEntry {
    QString family;
    int charset = -1;
    int codePage = 0;
    QFont::StyleHint hint = QFont::AnyStyle;
};

// Symbol and Wingdings are known by their names; other fonts with \fcharset2 are left as they are.
Glyphs glyphsOf(const FontEntry& font) {
    if (font.family.contains(u"Wingdings", Qt::CaseInsensitive))
        return Glyphs::Wingdings;
    if (font.family.compare(u"Symbol", Qt::CaseInsensitive) == 0)
        return Glyphs::Symbol;
    return Glyphs::Letters;
}

int codePageOf(const FontEntry& font, int documentCodePage) {
    if (font.codePage > 0)
        return font.codePage;
    const int fromCharset = codePageOfCharset(font.charset);
    return fromCharset > 0 ? fromCharset : documentCodePage;
}

struct Decoder {
    const CodeTable* table = &codeTable(1252);
    Glyphs glyphs = Glyphs::Letters;

    char32_t operator()(unsigned char byte) const {
        if (glyphs != Glyphs::Letters)
            return symbolCharacter(glyphs, byte);
        return byte < 0x80 ? char32_t(byte) : char32_t((*table)[byte - 0x80]);
    }
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int clampInt(long long v, long long lo, long long hi) {
    return int(std::clamp(v, lo, hi));
}

// The target of a HYPERLINK field: its first argument, with the \l bookmark as a fragment.
QString hyperlinkTarget(const QString& instruction) {
    QStringList words;
    for (qsizetype i = 0; i < instruction.size();) {
        if (instruction[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (instruction[i] == u'"') {
            const qsizetype close = instruction.indexOf(u'"', i + 1);
            const qsizetype stop = close < 0 ? instruction.size() : close;
            word = instruction.mid(i + 1, stop - i - 1);
            i = stop + 1;
        } else {
            const qsizetype start = i;
            while (i < instruction.size() && !instruction[i].isSpace())
                ++i;
            word = instruction.mid(start, i - start);
        }
        words.append(word);
    }
    if (words.isEmpty() || words[0].compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return {};
    QString target;
    QString fragment;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& w = words[i];
        if (w.size() == 2 && w[0] == u'\\') {
            if (w[1] == u'l' && i + 1 < words.size())
                fragment = words[i + 1];
            if (w[1] == u'l' || w[1] == u'o' || w[1] == u't')
                ++i; // these switches take an argument
        } else if (target.isEmpty()) {
            target = w;
        }
    }
    if (!fragment.isEmpty()) {
        target += u'#';
        target += fragment;
    }
    return target;
}

class Reader {
public:
    Reader(QByteArrayView rtf, QTextDocument& document)
        : p_(rtf.data()), end_(rtf.data() + rtf.size()), cursor_(&document) {}

    // Reads everything; false when the input ends inside a group before anything was shown.
    bool read();

private:
    State& state() { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void controlWord();
    void controlSymbol(char c);
    void keyword(std::string_view name, bool hasParameter, int value);
    void textKeyword(const Keyword& k, bool hasParameter, int value);
    void byte(unsigned char b, bool literal);
    void character(char32_t c);
    void unicode(long long value);

    void commitFont();
    void commitColor();
    Decoder decoder();

    void put(char32_t c);
    void append(char32_t c);
    void flushRun();
    void paragraph();
    void finish();
    QTextCharFormat charFormat(const CharProps& props);
    QTextBlockFormat blockFormat(const ParaProps& props) const;

    const char* p_;
    const char* end_;
    std::vector<State> stack_;
    std::size_t ignoredGroups_ = 0; // groups opened beyond kMaxDepth
    int fallbackLeft_ = 0;          // characters still to skip after \uN
    bool ignorableNext_ = false;    // after \*

    // Document tables.
    int codePage_ = 1252;
    int defaultFont_ = 0;
    QHash<int, FontEntry> fonts_;
    int fontsVersion_ = 0;
    std::vector<std::optional<QColor>> colors_;
    QStringList links_;

    // Entries being read.
    FontEntry font_;
    int fontNumber_ = 0;
    bool fontOpen_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;
    QString instruction_;

    // The decoder of the last font asked for.
    int decoderFont_ = -1;
    int decoderVersion_ = -1;
    Decoder decoder_;

    // Output.
    QTextCursor cursor_;
    QString run_;
    CharProps runProps_;
    // The formats made last: text usually switches between a few of them.
    struct CachedFormat {
        CharProps props;
        QTextCharFormat format;
    };
    std::vector<CachedFormat> formats_;
    std::size_t nextFormat_ = 0;
    int formatsFontsVersion_ = 0;
    std::size_t formatsColors_ = 0;
    char16_t highSurrogate_ = 0;
    bool blockPending_ = false; // a \par ended the last block; the next text starts a new one
    bool blockHasText_ = false;
    bool cellPending_ = false; // a \cell ended the last cell; text that follows goes after a tab
    bool paraDirty_ = true;
    ParaProps lastPara_; // paragraph properties when text was last put
    bool anyText_ = false;
};

bool Reader::read() {
    stack_.reserve(64);
    stack_.emplace_back();
    // One edit block: outside one, every insertion would lay out its whole paragraph again.
    cursor_.beginEditBlock();
    while (p_ < end_) {
        const char c = *p_++;
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\':
            controlWord();
            break;
        case '\r':
        case '\n':
            break;
        default:
            byte(static_cast<unsigned char>(c), false);
        }
    }
    finish();
    return anyText_ || stack_.size() <= 1;
}

void Reader::openGroup() {
    fallbackLeft_ = 0;
    ignorableNext_ = false;
    if (stack_.size() > kMaxDepth) {
        ++ignoredGroups_;
        return;
    }
    State copy = stack_.back();
    stack_.push_back(std::move(copy));
}

void Reader::closeGroup() {
    fallbackLeft_ = 0;
    ignorableNext_ = false;
    if (ignoredGroups_ > 0) {
        --ignoredGroups_;
        return;
    }
    if (stack_.size() <= 1)
        return; // a stray '}': the text after it is still read
    if (state().dest == Dest::FontTable)
        commitFont(); // an entry without its ';'
    stack_.pop_back();
    paraDirty_ = true;
}

void Reader::controlWord() {
    if (p_ >= end_)
        return;
    if (!isLetter(*p_)) {
        controlSymbol(*p_++);
        return;
    }
    const char* start = p_;
    while (p_ < end_ && isLetter(*p_))
        ++p_;
    const std::string_view name(start, std::size_t(p_ - start));
    bool negative = false;
    if (p_ + 1 < end_ && *p_ == '-' && isDigit(p_[1])) {
        negative = true;
        ++p_;
    }
    bool hasParameter = false;
    long long value = 0;
    while (p_ < end_ && isDigit(*p_)) {
        hasParameter = true;
        value = std::min(value * 10 + (*p_ - '0'), kMaxParameter);
        ++p_;
    }
    if (p_ < end_ && *p_ == ' ')
        ++p_; // the delimiter belongs to the control word
    keyword(name, hasParameter, int(negative ? -value : value));
}

void Reader::controlSymbol(char c) {
    if (c == '*') {
        ignorableNext_ = true;
        return;
    }
    ignorableNext_ = false;
    if (c == '\'') {
        int b = 0;
        int digits = 0;
        for (; digits < 2 && p_ < end_ && hexValue(*p_) >= 0; ++digits)
            b = b * 16 + hexValue(*p_++);
        if (digits == 2)
            byte(static_cast<unsigned char>(b), true); // else a broken escape, dropped
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        byte(static_cast<unsigned char>(c), true);
        return;
    }
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    switch (c) {
    case '~':
        character(U'\u00A0');
        break;
    case '-':
        character(U'\u00AD');
        break;
    case '_':
        character(U'\u2011');
        break;
    case '\n':
    case '\r':
        if (state().dest == Dest::Text)
            paragraph();
        break;
    default: // \| \: and what nobody defined
        break;
    }
}

void Reader::keyword(std::string_view name, bool hasParameter, int value) {
    const bool ignorable = std::exchange(ignorableNext_, false);
    const auto& table = keywords();
    const auto found = table.find(name);
    const Kw kw = found == table.end() ? Kw::Skip : found->second.kw;
    if (kw == Kw::Binary) {
        // Raw bytes that are not RTF: passed over whatever the destination.
        const long long n = std::clamp<long long>(value, 0, end_ - p_);
        p_ += n;
        return;
    }
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    State& s = state();
    if (ignorable && kw != Kw::FieldInstruction && kw != Kw::Ud) {
        s.dest = Dest::Skip; // a destination we do not know, or do not show
        return;
    }
    if (found == table.end())
        return;
    if (s.dest == Dest::Skip && kw != Kw::Ud)
        return;
    const Keyword& k = found->second;
    switch (kw) {
    case Kw::Skip:
        s.dest = Dest::Skip;
        return;
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        fontOpen_ = false;
        return;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        colorSet_ = false;
        red_ = green_ = blue_ = 0;
        return;
    case Kw::Field:
        s.fieldParent = s.dest;
        instruction_.clear();
        return;
    case Kw::FieldInstruction:
        s.dest = Dest::FieldInstruction;
        instruction_.clear();
        return;
    case Kw::FieldResult:
        s.dest = s.fieldParent;
        if (s.dest == Dest::Text) {
            const QString target = hyperlinkTarget(instruction_);
            if (!target.isEmpty()) {
                links_.append(target);
                s.chars.link = int(links_.size() - 1);
            }
            instruction_.clear();
        }
        return;
    case Kw::Upr:
        s.uprParent = s.dest;
        s.dest = Dest::Skip;
        return;
    case Kw::Ud: // shown instead of the rest of its \upr group, nowhere else
        s.dest = s.uprParent != Dest::None ? std::exchange(s.uprParent, Dest::None) : Dest::Skip;
        return;
    case Kw::CharacterSet:
        codePage_ = k.data;
        ++fontsVersion_;
        return;
    case Kw::AnsiCodePage:
        codePage_ = value;
        ++fontsVersion_;
        return;
    case Kw::DefaultFont:
        defaultFont_ = value;
        ++fontsVersion_;
        return;
    case Kw::UnicodeSkip:
        s.uc = clampInt(value, 0, 255);
        return;
    case Kw::Unicode:
        if (hasParameter)
            unicode(value);
        return;
    default:
        break;
    }
    switch (s.dest) {
    case Dest::FontTable:
        switch (kw) {
        case Kw::Font:
            commitFont();
            font_ = FontEntry{};
            fontNumber_ = value;
            fontOpen_ = true;
            break;
        case Kw::FontCharset:
            font_.charset = value;
            break;
        case Kw::FontCodePage:
            font_.codePage = value;
            break;
        case Kw::FontFamily:
            font_.hint = static_cast<QFont::StyleHint>(k.data);
            break;
        default:
            break;
        }
        return;
    case Dest::ColorTable: {
        const int component = clampInt(value, 0, 255);
        if (kw == Kw::Red)
            red_ = component, colorSet_ = true;
        else if (kw == Kw::Green)
            green_ = component, colorSet_ = true;
        else if (kw == Kw::Blue)
            blue_ = component, colorSet_ = true;
        return;
    }
    case Dest::Text:
        textKeyword(k, hasParameter, value);
        return;
    default:
        return;
    }
}

void Reader::textKeyword(const Keyword& k, bool hasParameter, int value) {
    State& s = state();
    CharProps& c = s.chars;
    ParaProps& p = s.para;
    const bool on = !hasParameter || value != 0;
    const auto twips = [&] { return clampInt(value, -100000, 100000); };
    switch (k.kw) {
    case Kw::Paragraph:
    case Kw::Row:
        paragraph();
        break;
    case Kw::Line:
        put(U'\u2028');
        break;
    case Kw::Tab:
        put(U'\t');
        break;
    case Kw::Cell:
        if (std::exchange(cellPending_, false))
            put(U'\t'); // the cell before was empty
        cellPending_ = true;
        break;
    case Kw::Character:
        put(k.data);
        break;
    case Kw::Font:
        c.font = value;
        break;
    case Kw::ParagraphDefaults:
        p = ParaProps{};
        paraDirty_ = true;
        break;
    case Kw::CharacterDefaults: {
        const int link = c.link; // a hyperlink's text stays a hyperlink
        c = CharProps{};
        c.link = link;
        break;
    }
    case Kw::Bold:
        c.bold = on;
        break;
    case Kw::Italic:
        c.italic = on;
        break;
    case Kw::Underline:
        c.underline = on ? std::uint8_t(k.data) : std::uint8_t(QTextCharFormat::NoUnderline);
        break;
    case Kw::UnderlineNone:
        c.underline = QTextCharFormat::NoUnderline;
        break;
    case Kw::Strike:
        c.strike = on;
        break;
    case Kw::Caps:
        c.caps = on;
        break;
    case Kw::SmallCaps:
        c.smallCaps = on;
        break;
    case Kw::Hidden:
        c.hidden = on;
        break;
    case Kw::Super:
        c.vertical = on ? 1 : 0;
        break;
    case Kw::Sub:
        c.vertical = on ? 2 : 0;
        break;
    case Kw::NoSuperSub:
        c.vertical = 0;
        break;
    case Kw::FontSize:
        // From 2 pt: Qt makes smaller superscripts 0 pt.
        c.size = hasParameter ? clampInt(value, 4, 3276) : 24;
        break;
    case Kw::Foreground:
        c.foreground = clampInt(value, 0, kMaxColors);
        break;
    case Kw::Background:
        c.background = clampInt(value, 0, kMaxColors);
        break;
    default:
        break;
    }
    switch (k.kw) {
    case Kw::Align:
        p.align = k.data;
        break;
    case Kw::LeftIndent:
        p.left = twips();
        break;
    case Kw::RightIndent:
        p.right = twips();
        break;
    case Kw::FirstIndent:
        p.first = twips();
        break;
    case Kw::SpaceBefore:
        p.before = clampInt(value, 0, 100000);
        break;
    case Kw::SpaceAfter:
        p.after = clampInt(value, 0, 100000);
        break;
    case Kw::LineSpacing:
        p.lineSpacing = twips();
        break;
    case Kw::LineMultiple:
        p.lineMultiple = on;
        break;
    case Kw::TabStop:
        if (p.tabs.size() < kMaxTabs)
            p.tabs.append(QTextOption::Tab(
                clampInt(value, 0, 100000) / kTwipsPerPixel, QTextOption::TabType(p.nextTabKind),
                p.nextTabKind == QTextOption::DelimiterTab ? QChar(u',') : QChar()));
        p.nextTabKind = QTextOption::LeftTab;
        break;
    case Kw::TabKind:
        p.nextTabKind = k.data;
        break;
    case Kw::RightToLeft:
        p.rightToLeft = true;
        break;
    case Kw::LeftToRight:
        p.rightToLeft = false;
        break;
    case Kw::OutlineLevel:
        p.outline = clampInt(value, 0, 8);
        break;
    default:
        return;
    }
    paraDirty_ = true;
}

// A byte of text: a character in the current font's code page, or with `literal` false, one
// that may end a table entry.
void Reader::byte(unsigned char b, bool literal) {
    ignorableNext_ = false;
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    State& s = state();
    switch (s.dest) {
    case Dest::Text:
        if (b >= 0x20 || b == '\t')
            put(decoder()(b));
        break;
    case Dest::FontTable:
        if (b == ';' && !literal)
            commitFont();
        else if (fontOpen_)
            character(Decoder{&codeTable(codePageOf(font_, codePage_))}(b));
        break;
    case Dest::ColorTable:
        if (b == ';' && !literal)
            commitColor();
        break;
    case Dest::FieldInstruction:
        character(decoder()(b));
        break;
    default:
        break;
    }
}

// A character that is not a byte: from \uN, a control symbol or a code page.
void Reader::character(char32_t c) {
    State& s = state();
    switch (s.dest) {
    case Dest::Text:
        put(c);
        break;
    case Dest::FontTable:
        if (fontOpen_ && c >= 0x20 && font_.family.size() < kMaxNameLength &&
            !QChar::isSurrogate(c))
            font_.family += QChar(char16_t(c));
        break;
    case Dest::FieldInstruction:
        if (instruction_.size() < kMaxInstruction && c >= 0x20 && !QChar::isSurrogate(c))
            instruction_ += QChar(char16_t(c));
        break;
    default:
        break;
    }
}

void Reader::unicode(long long value) {
    fallbackLeft_ = state().uc;
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0x10FFFF)
        value = 0xFFFD;
    char32_t c = char32_t(value);
    if (c >= 0xF020 && c <= 0xF0FF) {
        // Symbol fonts' private-use characters.
        const Decoder d = decoder();
        c = symbolCharacter(d.glyphs == Glyphs::Letters ? Glyphs::Symbol : d.glyphs,
                            static_cast<unsigned char>(c & 0xFF));
    }
    character(c);
}

void Reader::commitFont() {
    if (!fontOpen_)
        return;
    fontOpen_ = false;
    font_.family = font_.family.trimmed();
    if (fonts_.size() < kMaxFonts || fonts_.contains(fontNumber_)) {
        fonts_.insert(fontNumber_, font_);
        ++fontsVersion_;
    }
}

void Reader::commitColor() {
    if (colors_.size() < kMaxColors)
        colors_.push_back(colorSet_ ? std::optional<QColor>(QColor(red_, green_, blue_))
                                    : std::nullopt);
    colorSet_ = false;
    red_ = green_ = blue_ = 0;
}

Decoder Reader::decoder() {
    const int font = state().chars.font >= 0 ? state().chars.font : defaultFont_;
    if (font == decoderFont_ && fontsVersion_ == decoderVersion_)
        return decoder_;
    decoderFont_ = font;
    decoderVersion_ = fontsVersion_;
    const auto it = fonts_.constFind(font);
    if (it == fonts_.cend())
        decoder_ = Decoder{&codeTable(codePage_), Glyphs::Letters};
    else
        decoder_ = Decoder{&codeTable(codePageOf(*it, codePage_)), glyphsOf(*it)};
    return decoder_;
}

// Visible text, with surrogate pairs from two \uN joined and characters that would disturb the
// document's structure replaced.
void Reader::put(char32_t c) {
    if (state().chars.hidden)
        return;
    if (QChar::isHighSurrogate(c)) {
        if (highSurrogate_)
            append(U'\uFFFD');
        highSurrogate_ = char16_t(c);
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!highSurrogate_) {
            append(U'\uFFFD');
            return;
        }
        c = QChar::surrogateToUcs4(std::exchange(highSurrogate_, 0), char16_t(c));
    } else if (highSurrogate_) {
        highSurrogate_ = 0;
        append(U'\uFFFD');
    }
    if ((c < 0x20 && c != '\t') || c == 0x7F)
        return;
    if (c == 0x2029 || c == 0xFFFC || (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFFFE || c == 0xFFFF)
        c = 0xFFFD; // the document's own separators and markers
    append(c);
}

void Reader::append(char32_t c) {
    if (blockPending_) {
        cursor_.insertBlock();
        blockPending_ = false;
    }
    const State& s = state();
    if (!run_.isEmpty() && !(runProps_ == s.chars))
        flushRun();
    if (run_.isEmpty())
        runProps_ = s.chars;
    if (paraDirty_) {
        lastPara_ = s.para;
        paraDirty_ = false;
    }
    if (std::exchange(cellPending_, false))
        run_ += u'\t';
    if (c > 0xFFFF) {
        run_ += QChar(QChar::highSurrogate(c));
        run_ += QChar(QChar::lowSurrogate(c));
    } else {
        run_ += QChar(char16_t(c));
    }
    blockHasText_ = true;
    anyText_ = true;
}

void Reader::flushRun() {
    if (run_.isEmpty())
        return;
    cursor_.insertText(run_, charFormat(runProps_));
    run_.clear();
}

void Reader::paragraph() {
    highSurrogate_ = 0;
    cellPending_ = false;
    flushRun();
    if (blockPending_)
        cursor_.insertBlock(); // the paragraph before was empty
    cursor_.setBlockFormat(blockFormat(state().para));
    if (!blockHasText_)
        cursor_.setBlockCharFormat(charFormat(state().chars)); // an empty line as high as its font
    blockPending_ = true;
    blockHasText_ = false;
    anyText_ = true;
}

void Reader::finish() {
    flushRun();
    if (!blockPending_ && blockHasText_)
        cursor_.setBlockFormat(blockFormat(lastPara_));
    cursor_.endEditBlock();
}

QTextCharFormat Reader::charFormat(const CharProps& props) {
    if (formatsFontsVersion_ != fontsVersion_ || formatsColors_ != colors_.size()) {
        formats_.clear();
        formatsFontsVersion_ = fontsVersion_;
        formatsColors_ = colors_.size();
    }
    for (const CachedFormat& cached : formats_)
        if (cached.props == props)
            return cached.format;
    QTextCharFormat f;
    f.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(props.italic);
    f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(props.underline));
    f.setFontStrikeOut(props.strike);
    if (props.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (props.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    f.setFontPointSize(props.size / 2.0);
    const auto font = fonts_.constFind(props.font >= 0 ? props.font : defaultFont_);
    if (font != fonts_.cend() && !font->family.isEmpty() && glyphsOf(*font) == Glyphs::Letters) {
        f.setFontFamilies({font->family});
        f.setFontStyleHint(font->hint);
    }
    const auto color = [&](int index) -> std::optional<QColor> {
        return index > 0 && std::size_t(index) < colors_.size() ? colors_[std::size_t(index)]
                                                                : std::nullopt;
    };
    if (const auto fg = color(props.foreground))
        f.setForeground(*fg);
    if (const auto bg = color(props.background))
        f.setBackground(*bg);
    if (props.vertical == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (props.vertical == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (props.link >= 0 && props.link < links_.size()) {
        f.setAnchor(true);
        f.setAnchorHref(links_[props.link]);
    }
    constexpr std::size_t kCachedFormats = 16;
    if (formats_.size() < kCachedFormats)
        formats_.push_back({props, f});
    else
        formats_[nextFormat_++ % kCachedFormats] = {props, f};
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParaProps& props) const {
    QTextBlockFormat f;
    static constexpr Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
    f.setAlignment(alignments[std::clamp(props.align, 0, 3)]);
    const double left = std::max(0, props.left) / kTwipsPerPixel;
    f.setLeftMargin(left);
    f.setRightMargin(std::max(0, props.right) / kTwipsPerPixel);
    f.setTextIndent(std::max(-left, props.first / kTwipsPerPixel));
    f.setTopMargin(props.before / kTwipsPerPixel);
    f.setBottomMargin(props.after / kTwipsPerPixel);
    if (props.lineSpacing > 0 && props.lineMultiple)
        f.setLineHeight(props.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (props.lineSpacing > 0)
        f.setLineHeight(props.lineSpacing / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
    else if (props.lineSpacing < 0)
        f.setLineHeight(-props.lineSpacing / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    // RTF measures tab stops from the paragraph's left edge, Qt from where the line starts; the
    // stops are placed for the first line, where bullets and numbers stand before their tab.
    // A hanging indent is a stop of its own.
    const double start = left + f.textIndent();
    QList<QTextOption::Tab> tabs;
    for (QTextOption::Tab tab : props.tabs) {
        tab.position -= start;
        if (tab.position > 0)
            tabs.append(tab);
    }
    if (start < left && std::none_of(tabs.cbegin(), tabs.cend(), [&](const QTextOption::Tab& t) {
            return t.position == left - start;
        }))
        tabs.append(QTextOption::Tab(left - start, QTextOption::LeftTab));
    if (!tabs.isEmpty()) {
        std::sort(tabs.begin(), tabs.end(),
                  [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
                      return a.position < b.position;
                  });
        f.setTabPositions(tabs);
    }
    if (props.rightToLeft)
        f.setLayoutDirection(Qt::RightToLeft);
    if (props.outline >= 0)
        f.setHeadingLevel(props.outline + 1);
    return f;
}

// ---------------------------------------------------------------------------------------------

void showPlainText(const QByteArray& bytes, QTextDocument& document) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = FromCp1250(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    document.setPlainText(text);
}

// Where the RTF starts, after a byte-order mark and white space; -1 when it is not RTF.
qsizetype rtfStart(const QByteArray& bytes) {
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf") ? i : -1;
}

} // namespace

bool ReadRtf(const QByteArray& rtf, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // nobody undoes the reading; it only costs memory
    document.clear();
    const qsizetype start = rtfStart(rtf);
    bool isRtf = start >= 0;
    if (isRtf) {
        Reader reader(QByteArrayView(rtf).sliced(start), document);
        if (!reader.read()) {
            document.clear();
            isRtf = false;
        }
    }
    if (!isRtf)
        showPlainText(rtf, document);
    document.setUndoRedoEnabled(undo);
    return isRtf;
}
