// The RTF reader of the description viewer: what a person sees of the RTF that word processors
// and pandoc write, and that no input, however broken, crashes or hangs it.
#include "windows/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

// Readable failures.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

QString u8(const char8_t* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

class RtfReaderTest : public ::testing::Test {
protected:
    bool read(const QByteArray& rtf) { return ReadRtf(rtf, doc); }

    bool readFile(const char* name) {
        QFile f(QStringLiteral(KWL_RTF_DATA "/") + QLatin1String(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return read(f.readAll());
    }

    QString text() const { return doc.toPlainText(); }

    // The position of the first character of `needle` in the document.
    int at(const QString& needle) const {
        const int i = int(doc.toRawText().indexOf(needle));
        EXPECT_GE(i, 0) << needle.toStdString() << " not in " << text().toStdString();
        return std::max(i, 0);
    }

    QTextCharFormat charAt(const QString& needle) const {
        QTextCursor c(const_cast<QTextDocument*>(&doc));
        c.setPosition(at(needle) + 1); // the format of the character before the cursor
        return c.charFormat();
    }

    QTextBlockFormat blockAt(const QString& needle) const {
        return doc.findBlock(at(needle)).blockFormat();
    }

    // Where `needle` starts on its line, laid out, in pixels from the paragraph's left edge.
    qreal xOf(const QString& needle) {
        doc.setTextWidth(600);
        doc.documentLayout(); // lays the document out
        const int position = at(needle);
        const QTextBlock block = doc.findBlock(position);
        const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
        return line.cursorToX(position - block.position());
    }

    QTextDocument doc;
};

TEST_F(RtfReaderTest, ParagraphsBecomeBlocks) {
    EXPECT_TRUE(read("{\\rtf1\\ansi Pierwszy akapit.\\par Drugi\r\n akapit.\\par}"));
    EXPECT_EQ(text(), "Pierwszy akapit.\nDrugi akapit.");
    EXPECT_EQ(doc.blockCount(), 2);
}

TEST_F(RtfReaderTest, EmptyParagraphsAreKept) {
    read("{\\rtf1 a\\par\\par b\\page c}");
    EXPECT_EQ(text(), "a\n\nb\nc");
}

TEST_F(RtfReaderTest, CharacterFormattingEndsWithItsGroup) {
    read("{\\rtf1 zwykly {\\b gruby} {\\i pochyly} {\\ul podkr\\ulnone eslony} "
         "{\\strike skreslony\\strike0  caly} \\b B\\b0  N {\\b\\i\\ul\\strike X\\plain Y}}");
    EXPECT_EQ(text(), "zwykly gruby pochyly podkreslony skreslony caly B N XY");
    EXPECT_EQ(charAt("gruby").fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt(" pochyly").fontWeight(), QFont::Normal);
    EXPECT_TRUE(charAt("pochyly").fontItalic());
    EXPECT_FALSE(charAt(" podkr").fontItalic());
    EXPECT_EQ(charAt("podkr").underlineStyle(), QTextCharFormat::SingleUnderline);
    EXPECT_EQ(charAt("eslony").underlineStyle(), QTextCharFormat::NoUnderline);
    EXPECT_TRUE(charAt("skreslony").fontStrikeOut());
    EXPECT_FALSE(charAt("caly").fontStrikeOut());
    EXPECT_EQ(charAt("B N").fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt("N X").fontWeight(), QFont::Normal);
    const QTextCharFormat x = charAt("XY");
    EXPECT_TRUE(x.fontWeight() == QFont::Bold && x.fontItalic() && x.fontStrikeOut());
    const QTextCharFormat y = charAt("Y");
    EXPECT_FALSE(y.fontWeight() == QFont::Bold || y.fontItalic() || y.fontStrikeOut() ||
                 y.fontUnderline());
}

TEST_F(RtfReaderTest, ColoursAndFontSizes) {
    read("{\\rtf1{\\colortbl;\\red192\\green0\\blue0;\\red0\\green0\\blue255;}"
         "zwykly {\\cf1 czerwony} {\\cf2\\fs36 duzy niebieski} {\\cf7 brak\\fs15 maly}}");
    EXPECT_EQ(text(), "zwykly czerwony duzy niebieski brakmaly");
    EXPECT_FALSE(charAt("zwykly").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_DOUBLE_EQ(charAt("zwykly").fontPointSize(), 12.0);
    EXPECT_EQ(charAt("czerwony").foreground().color(), QColor(192, 0, 0));
    EXPECT_EQ(charAt("duzy").foreground().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(charAt("duzy").fontPointSize(), 18.0);
    EXPECT_FALSE(charAt("brak").hasProperty(QTextFormat::ForegroundBrush)); // no such colour
    EXPECT_DOUBLE_EQ(charAt("maly").fontPointSize(), 7.5);
}

TEST_F(RtfReaderTest, FontsGiveFamilyAndCodePage) {
    read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
         "{\\f1\\fmodern\\fcharset204 Courier New;}\\f2\\froman Times;}"
         "\\'b9 {\\f1 \\'c4\\'e0} {\\f2 \\'e9}}");
    EXPECT_EQ(text(), u8(u8"ą Да é"));
    EXPECT_EQ(charAt(u8(u8"ą")).fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(charAt(u8(u8"Да")).fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_EQ(charAt(u8(u8"Да")).fontStyleHint(), QFont::Monospace);
    EXPECT_EQ(charAt(u8(u8"é")).fontFamilies().toStringList(), QStringList{"Times"});
}

TEST_F(RtfReaderTest, AlignmentAndIndents) {
    read("{\\rtf1\\pard\\qc srodek\\par\\qr prawo\\par\\qj\\li720\\ri360\\fi-360\\sb240\\sa120 "
         "wciety\\par\\pard lewo\\par}");
    EXPECT_EQ(blockAt("srodek").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockAt("prawo").alignment(), Qt::AlignRight);
    const QTextBlockFormat b = blockAt("wciety");
    EXPECT_EQ(b.alignment(), Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(b.leftMargin(), 48.0); // 720 twips, half an inch
    EXPECT_DOUBLE_EQ(b.rightMargin(), 24.0);
    EXPECT_DOUBLE_EQ(b.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(b.topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(b.bottomMargin(), 8.0);
    const QTextBlockFormat plain = blockAt("lewo");
    EXPECT_EQ(plain.alignment(), Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(plain.leftMargin(), 0.0);
}

TEST_F(RtfReaderTest, ParagraphFormattingOfAGroupEndsWithIt) {
    // As pandoc writes paragraphs; the last one has no \par.
    read("{\\rtf1{\\pard\\qc\\li720 pierwszy\\par}{\\pard\\qr drugi}}");
    EXPECT_EQ(text(), "pierwszy\ndrugi");
    EXPECT_EQ(blockAt("pierwszy").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockAt("drugi").alignment(), Qt::AlignRight);
    EXPECT_DOUBLE_EQ(blockAt("drugi").leftMargin(), 0.0);
}

TEST_F(RtfReaderTest, HexBytesInTheDocumentCodePage) {
    read("{\\rtf1\\ansi\\ansicpg1250 \\'b9\\'ea\\'9c\\'e6\\'b3\\'f3\\'bf\\'9f\\'f1 "
         "\\'a5\\'ca\\'8c\\'c6\\'a3\\'d3\\'af\\'8f\\'d1}");
    EXPECT_EQ(text(), u8(u8"ąęśćłóżźń ĄĘŚĆŁÓŻŹŃ"));
    read("{\\rtf1\\ansi \\'e9\\'b9\\'80}"); // Windows-1252 when nothing else is said
    EXPECT_EQ(text(), u8(u8"é¹€"));
}

TEST_F(RtfReaderTest, UnicodeWithFallbackCharacters) {
    read("{\\rtf1 Za\\u380?\\u243?\\u322?\\u263? g\\u281?\\u347?l\\u261? ja\\u378?\\u324?}");
    EXPECT_EQ(text(), u8(u8"Zażółć gęślą jaźń"));
    // Two fallback bytes after \uc2, and \uc restored at the end of its group.
    read("{\\rtf1 {\\uc2\\u261\\'b9\\'b9a}\\u322?b}");
    EXPECT_EQ(text(), u8(u8"ąałb"));
    // Fallback ends at a group's end; a control word counts as one fallback character.
    read("{\\rtf1 {\\uc3\\u261 ?}x\\u380\\b y}");
    EXPECT_EQ(text(), u8(u8"ąxży"));
    EXPECT_EQ(charAt("y").fontWeight(), QFont::Normal);
    // Negative values, a surrogate pair, \uc0.
    read("{\\rtf1 \\u-1279?\\u-10179?\\u-8704?\\uc0\\u8364 x}");
    EXPECT_EQ(text(), u8(u8"ﬁ😀€x"));
    // An 8-bit text with its Unicode twin: the twin is shown.
    read("{\\rtf1 {\\upr{8 bit}{\\*\\ud{\\u380?}}}}");
    EXPECT_EQ(text(), u8(u8"ż"));
}

TEST_F(RtfReaderTest, DestinationsThatAreNotShown) {
    read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
         "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Tytul}{\\author Autor}}"
         "{\\*\\generator Generator 1.0;}{\\header Naglowek\\par}{\\footer Stopka\\par}"
         "{\\*\\unknown nieznane}{\\pict\\pngblip 89504e47}{\\*\\themedata 0102}"
         "{\\*\\latentstyles\\lsdstimax376{\\lsdlockedexcept Normal;}}"
         "Tekst{\\super\\chftn}{\\footnote\\pard\\plain Przypis\\par}{\\*\\bkmkstart b1} koniec"
         "{\\pict\\bin4 }{}\\} dalej}");
    EXPECT_EQ(text(), "Tekst koniec dalej");
}

TEST_F(RtfReaderTest, FieldResultsAreShownAndLinksKept) {
    read("{\\rtf1 Zobacz {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a\"}}"
         "{\\fldrslt{\\ul strone}}} oraz {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}.}");
    EXPECT_EQ(text(), "Zobacz strone oraz 7.");
    EXPECT_TRUE(charAt("strone").isAnchor());
    EXPECT_EQ(charAt("strone").anchorHref(), "https://example.com/a");
    EXPECT_FALSE(charAt(" oraz").isAnchor());
    EXPECT_FALSE(charAt("7").isAnchor());
}

TEST_F(RtfReaderTest, TabsLineBreaksAndControlSymbols) {
    read("{\\rtf1 a\\tab b\\line c\\~d\\_e\\-f \\\\ \\{ \\} \\emdash\\bullet\\ldblquote x}");
    EXPECT_EQ(doc.toRawText(), u8(u8"a\tb\u2028c\u00A0d\u2011e\u00ADf \\ { } —•“x"));
    EXPECT_EQ(doc.blockCount(), 1);
}

TEST_F(RtfReaderTest, TableRowsBecomeTabSeparatedLines) {
    read("{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell\\cell c\\cell\\row"
         "\\pard\\intbl d\\cell e\\cell f\\cell\\row}");
    EXPECT_EQ(text(), "a\t\tc\nd\te\tf");
}

TEST_F(RtfReaderTest, InputThatIsNotRtfIsShownAsPlainText) {
    EXPECT_FALSE(read(u8(u8"Zażółć\ngęślą jaźń").toUtf8()));
    EXPECT_EQ(text(), u8(u8"Zażółć\ngęślą jaźń"));
    EXPECT_FALSE(read("Za\xbf\xf3\xb3\xe6 {\\b not rtf}")); // Windows-1250
    EXPECT_EQ(text(), u8(u8"Zażółć {\\b not rtf}"));
    EXPECT_FALSE(read(""));
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_TRUE(read("\xEF\xBB\xBF\r\n{\\rtf1 ok}")); // a byte-order mark and a line end first
    EXPECT_EQ(text(), "ok");
}

TEST_F(RtfReaderTest, ReadingReplacesTheContent) {
    read("{\\rtf1 {\\b\\qc pierwszy}\\par}");
    read("{\\rtf1 drugi}");
    EXPECT_EQ(text(), "drugi");
    EXPECT_EQ(charAt("drugi").fontWeight(), QFont::Normal);
    EXPECT_EQ(doc.firstBlock().blockFormat().alignment(), Qt::AlignLeft);
}

TEST_F(RtfReaderTest, DamagedRtfShowsWhatItCan) {
    EXPECT_TRUE(read("{\\rtf1 {\\b a}}} b }{{{ c"));
    EXPECT_EQ(text(), "a b  c");
    // Cut off before anything visible: the bytes themselves.
    EXPECT_FALSE(read("{\\rtf1{\\fonttbl{\\f0 Arial;"));
    EXPECT_EQ(text(), "{\\rtf1{\\fonttbl{\\f0 Arial;");
    // Numbers out of every range, unfinished escapes.
    EXPECT_TRUE(read("{\\rtf1\\fs99999999999999999 \\li-99999999999 \\uc99999999999 "
                     "\\u99999999999 x\\bin99999999999 y"));
    EXPECT_TRUE(read("{\\rtf1 a\\'4"));
    EXPECT_EQ(text(), "a");
    EXPECT_TRUE(read("{\\rtf1 a\\"));
    EXPECT_EQ(text(), "a");
}

TEST_F(RtfReaderTest, DeepNestingIsReadFlat) {
    const int n = 200000;
    EXPECT_TRUE(read("{\\rtf1 " + QByteArray(n, '{') + "\\b x" + QByteArray(n, '}') + " y}"));
    EXPECT_EQ(text(), "x y");
    EXPECT_EQ(charAt("x").fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt("y").fontWeight(), QFont::Normal); // every group closed again
    EXPECT_TRUE(read("{\\rtf1 z" + QByteArray(n, '{')));
    EXPECT_EQ(text(), "z");
}

TEST_F(RtfReaderTest, RtfWrittenByPandoc) {
    // data/pandoc.rtf: `pandoc -s -f markdown -t rtf pandoc.md`.
    ASSERT_TRUE(readFile("pandoc.rtf"));
    const QStringList lines = text().split(u'\n');
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "Opis programu");
    EXPECT_EQ(lines[1], u8(u8"Edytor rysunków drogowych otwiera rysunki zapisane przez programy "
                           u8"projektowe i pozwala je przeglądać, uzupełniać, drukować i "
                           u8"eksportować."));
    EXPECT_EQ(lines[2], u8(u8"Zażółć gęślą jaźń"));
    EXPECT_EQ(lines[3], u8(u8"•\tPierwszy punkt: łuki i proste"));
    EXPECT_EQ(lines[5], u8(u8"•\tZAŻÓŁĆ GĘŚLĄ JAŹŃ"));
    EXPECT_EQ(lines[6], u8(u8"1.\tOtwórz plik KWL."));
    EXPECT_EQ(lines[8], u8(u8"Więcej na stronie projektu — dziękujemy."));
    EXPECT_EQ(lines[9], u8(u8"Cytat: przekreślone i zwykłe."));

    const QTextCharFormat title = charAt("Opis programu");
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 18.0);
    EXPECT_EQ(blockAt("Opis programu").headingLevel(), 1);
    EXPECT_EQ(blockAt(u8(u8"Zażółć")).headingLevel(), 2);
    EXPECT_EQ(charAt("rysunki ").fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt("zapisane").fontWeight(), QFont::Normal);
    EXPECT_TRUE(charAt(u8(u8"przeglądać")).fontItalic());
    EXPECT_EQ(charAt("kodem").fontFamilies().toStringList(), QStringList{"Courier"});
    EXPECT_EQ(charAt("Drugi").fontFamilies().toStringList(), QStringList{"Helvetica"});
    const QTextBlockFormat item = blockAt("Pierwszy punkt");
    EXPECT_DOUBLE_EQ(item.leftMargin(), 24.0);
    EXPECT_DOUBLE_EQ(item.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(xOf("Pierwszy punkt"), 24.0); // after the bullet's tab, at the indent
    EXPECT_EQ(charAt("projektu").anchorHref(), "https://example.com/drogi");
    EXPECT_TRUE(charAt(u8(u8"przekreślone")).fontStrikeOut());
    EXPECT_DOUBLE_EQ(blockAt("Cytat").leftMargin(), 48.0);
    EXPECT_FALSE(text().contains("Przypis")); // footnotes are not shown
}

TEST_F(RtfReaderTest, RtfWrittenByAWordProcessor) {
    ASSERT_TRUE(readFile("wordprocessor.rtf"));
    EXPECT_EQ(text(), u8(u8"Opis programu KWL\n"
                         u8"Program służy do przeglądania rysunków drogowych. Zapisuje je w "
                         u8"formacie RDW, drukuje i eksportuje.\n"
                         u8"Kolory: czerwony, niebieski, zwykły.\n"
                         u8"•\tŁuki i proste\n"
                         u8"•\tSymbole drogowe\n"
                         u8"Zobacz stronę projektu.\nDruga linia\tpo tabulatorze\n"
                         u8"Дорога\n"
                         u8"Koniec – opisu."));
    const QTextCharFormat title = charAt("Opis programu KWL");
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(title.fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(blockAt("Opis programu KWL").alignment(), Qt::AlignHCenter);
    const QTextBlockFormat body = blockAt("Program");
    EXPECT_EQ(body.alignment(), Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(body.leftMargin(), 567 / 15.0);
    EXPECT_DOUBLE_EQ(body.textIndent(), -283 / 15.0);
    EXPECT_DOUBLE_EQ(charAt("Program").fontPointSize(), 10.0);
    EXPECT_EQ(charAt("RDW").fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt("czerwony").foreground().color(), QColor(192, 0, 0));
    EXPECT_EQ(charAt("niebieski").foreground().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(blockAt(u8(u8"Łuki")).leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(xOf(u8(u8"Łuki")), 48.0); // the hanging indent is a tab stop
    EXPECT_DOUBLE_EQ(xOf("Symbole"), 48.0);
    EXPECT_EQ(charAt(u8(u8"stronę")).anchorHref(), "https://example.com/kwl");
    EXPECT_EQ(blockAt(u8(u8"Дорога")).alignment(), Qt::AlignRight);
    EXPECT_EQ(charAt("Koniec").fontFamilies().toStringList(), QStringList{"Times New Roman"});
}

} // namespace
