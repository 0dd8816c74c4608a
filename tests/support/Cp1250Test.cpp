#include "support/Cp1250.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1250, PolishLettersHaveTheirBytes) {
    const std::string bytes = ToCp1250(QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"));
    EXPECT_EQ(bytes, "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");
    EXPECT_EQ(FromCp1250(bytes), QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"));
}

TEST(Cp1250, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = FromCp1250(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToCp1250(text), all);
}

TEST(Cp1250, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(ToCp1250(QStringLiteral("a€b")), "a\x80"
                                               "b");
    EXPECT_EQ(ToCp1250(QStringLiteral("ж日😀x")), "???x");
    EXPECT_EQ(ToCp1250(QString()), "");
}

TEST(Cp1250, LiteralsAreEncodedByTheCompiler) {
    constexpr std::string_view encoded = u8"Łuk środek"_w1250;
    static_assert(encoded.size() == 10);
    EXPECT_EQ(encoded, "\xA3uk \x9Crodek");
    EXPECT_EQ(u8""_w1250, "");
}

} // namespace
