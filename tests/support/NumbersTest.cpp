#include "support/brdodatkirozn.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

namespace {

TEST(Numbers, RealsInEveryAcceptedForm) {
    EXPECT_EQ(TextToReal("1.5"), 1.5);
    EXPECT_EQ(TextToReal("  -1.5  "), -1.5);
    EXPECT_EQ(TextToReal("+2"), 2.0);
    EXPECT_EQ(TextToReal("3."), 3.0);
    EXPECT_EQ(TextToReal(".25"), 0.25);
    EXPECT_EQ(TextToReal("1e3"), 1000.0);
    EXPECT_EQ(TextToReal("-2.5E-2"), -0.025);
    EXPECT_EQ(TextToReal("1.25e+2\r"), 125.0);
    EXPECT_EQ(TextToReal("99999999"), 99999999.0);
    EXPECT_EQ(TextToReal(QStringLiteral(" 7.75 ")), 7.75);
}

TEST(Numbers, RealsRefusedGiveTheNoValueMark) {
    for (const char* bad :
         {"",  "   ", "1,5", "nan",   "NaN", "inf", "-infinity", "0x1p3", "1e",  "1e+",
          ".", "-",   "+-1", "1.2.3", "12a", "a12", "1 2",       "1e400", "--1", "e5"})
        EXPECT_EQ(TextToReal(bad), kNoValueReal) << '"' << bad << '"';
}

TEST(Numbers, IntegersAreWhole32BitDecimals) {
    EXPECT_EQ(ParseInteger(" 12 "), 12);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483648LL);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    for (const char* bad : {"", "2147483648", "12a", "1.0", "0x10", "$10", "-", "+", "- 1", "1e2"})
        EXPECT_EQ(ParseInteger(bad), std::nullopt) << '"' << bad << '"';
}

// A Polish user's locale writes "1,5"; files keep writing "1.5" and must read the same.
TEST(Numbers, ConversionIgnoresTheUsersLocale) {
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "pl_PL.UTF-8"), nullptr)
        << "the pl_PL.UTF-8 locale is missing (tools/install-deps.sh generates it)";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    const std::locale previousCpp = std::locale::global(std::locale("pl_PL.UTF-8"));
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));

    EXPECT_EQ(TextToReal("1.5"), 1.5);
    EXPECT_EQ(TextToReal("1,5"), kNoValueReal);
    EXPECT_EQ(TextToReal(QStringLiteral("-0.125e1")), -1.25);
    FieldSplitter s;
    s.line = "2.75;1,5";
    s.separator = ";";
    s.split();
    EXPECT_EQ(s.real(1), 2.75);
    EXPECT_EQ(s.real(2), kNoValueReal);

    QLocale::setDefault(previousQt);
    std::locale::global(previousCpp);
    std::setlocale(LC_ALL, previousC.c_str());
}

} // namespace
