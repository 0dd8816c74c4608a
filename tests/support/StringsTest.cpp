#include "support/Strings.h"

#include "engine/CadApi.h"
#include "support/Cp1250.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

std::string textOf(int number) {
    const auto t = FindEngineString(number);
    EXPECT_TRUE(t.has_value()) << number;
    return std::string(t.value_or(""));
}

TEST(EngineStrings, TableHas791UniqueNumbersInItsRange) {
    const auto table = EngineStringTable();
    // 785 of the engine, 6 of the program's own: measured values placed (16310-16312) and the
    // draw order (19247-19249).
    EXPECT_EQ(table.size(), 791u);
    std::set<int> numbers;
    for (const auto& e : table) {
        EXPECT_TRUE(numbers.insert(e.number).second) << e.number;
        EXPECT_GE(e.number, 10501);
        EXPECT_LE(e.number, 19432);
        EXPECT_LE(e.text.size(), 79u) << e.number;
    }
    EXPECT_EQ(table.front().number, 10501);
    EXPECT_EQ(table.back().number, 19432);
}

TEST(EngineStrings, EveryEntryIsFoundByItsNumber) {
    for (const auto& e : EngineStringTable()) {
        const auto found = FindEngineString(e.number);
        ASSERT_TRUE(found.has_value()) << e.number;
        EXPECT_EQ(found->data(), e.text.data()); // the same text object, never a copy
    }
}

TEST(EngineStrings, NumbersOutsideTheTableAreNotFound) {
    for (int n : {0, -1, 10500, 10508, 10517, 19433, 20000, 15000, 99999})
        EXPECT_FALSE(FindEngineString(n).has_value()) << n;
}

TEST(EngineStrings, TextsStandLetterForLetter) {
    EXPECT_EQ(FromCp1250(textOf(10507)), QStringLiteral("Zapisać zmiany w pliku \"%s\"?"));
    EXPECT_EQ(textOf(10516), "B\xB3\xB9"
                             "d: Nie mo\xBFna wczyta\xE6 pliku \\n%s");
    EXPECT_EQ(textOf(11639), "");
    EXPECT_EQ(FromCp1250(textOf(10505)),
              QStringLiteral("Fontu  %s  użytego w stylu tekstu  %s  nie znaleziono, zastąpiono "
                             "fontem  %s "));
    EXPECT_EQ(FromCp1250(textOf(11305)), QStringLiteral("Właściwości obiektów <%d zaznaczonych> "));
    EXPECT_EQ(textOf(10667), "Can t delete Point Style \"Simple\"");
    EXPECT_EQ(textOf(10541), "KWL_Edytor rysunki  (*.rdw)|*.rdw|");
    EXPECT_EQ(textOf(10551), "Pliki DXF (*.dxf)|*.dxf|");
    EXPECT_EQ(textOf(17030), "PolyVertexes: %d");
    EXPECT_EQ(textOf(19406), "A4, 210 x 297 (8.3 x 11.7 in.)");
    EXPECT_EQ(FromCp1250(textOf(19431)), QStringLiteral("Ledger/Tabloid, 279 x 432 (11 x 17 in.)"));
    for (int n : {12011, 12624, 13007})
        EXPECT_EQ(FromCp1250(textOf(n)), QStringLiteral("Jak warstwa")) << n;
}

TEST(EngineStrings, RangesHoldTheirEntryCounts) {
    // Each range of the engine's user interface, with the number of texts it holds.
    const std::pair<int, int> ranges[] = {
        {10501, 15}, {10541, 7},  {10651, 18}, {10981, 7},  {11201, 7},  {11301, 16}, {11501, 12},
        {11601, 22}, {11701, 15}, {11801, 42}, {11901, 7},  {12001, 18}, {12101, 18}, {12401, 38},
        {12501, 19}, {12551, 15}, {12601, 26}, {12701, 3},  {13001, 16}, {13101, 7},  {13201, 30},
        {13301, 5},  {13401, 32}, {13501, 9},  {13601, 5},  {13701, 7},  {13801, 9},  {13901, 8},
        {14001, 14}, {14101, 8},  {14201, 3},  {14401, 13}, {14501, 6},  {16001, 28}, {16101, 12},
        {16201, 20}, {16301, 12}, {17001, 40}, {18001, 16}, {19001, 58}, {19101, 13}, {19201, 48},
        {19301, 35}, {19401, 32}};
    int total = 0;
    for (std::size_t i = 0; i < std::size(ranges); ++i) {
        const int from = ranges[i].first;
        const int to = i + 1 < std::size(ranges) ? ranges[i + 1].first : 1000000;
        int count = 0;
        for (const auto& e : EngineStringTable())
            count += e.number >= from && e.number < to;
        EXPECT_EQ(count, ranges[i].second) << "range starting at " << from;
        total += ranges[i].second;
    }
    EXPECT_EQ(total, 791);
}

// The printf-style fields of a text, in order ("%s", "%d", "%.3f", ...).
std::vector<std::string> fieldsOf(std::string_view text) {
    static const std::regex field("%(\\.[0-9]+)?[sdf]");
    const std::string t(text);
    std::vector<std::string> fields;
    for (auto it = std::sregex_iterator(t.begin(), t.end(), field); it != std::sregex_iterator();
         ++it)
        fields.push_back(it->str());
    return fields;
}

TEST(EngineStrings, EveryTextTheEngineShowsHasAnAnswerWithItsFields) {
    cadReset(); // the engine's own words, no program asked
    std::vector<int> unanswered;
    for (const int number : cadTextNumbers()) {
        const auto answer = FindEngineString(number);
        if (!answer) {
            unanswered.push_back(number);
            continue;
        }
        // The engine fills the fields of its own words in: the answer has the same ones.
        EXPECT_EQ(fieldsOf(*answer), fieldsOf(cadText(number))) << number;
    }
    EXPECT_EQ(unanswered, std::vector<int>{}) << "numbers the engine shows in English";
}

TEST(EngineStrings, TheProgramsOwnTextsAreKeptApartAndArePolish) {
    cadReset();
    const auto engineNumbers = cadTextNumbers();
    std::set<int> previous;
    for (const auto& e : ProgramStringTable()) {
        // Only numbers the engine asks for; none the table holds, which would be found first.
        EXPECT_TRUE(std::binary_search(engineNumbers.begin(), engineNumbers.end(), e.number))
            << e.number;
        EXPECT_EQ(FindEngineString(e.number)->data(), e.text.data()) << e.number;
        EXPECT_FALSE(e.text.empty()) << e.number;
        EXPECT_NE(std::string(e.text), cadText(e.number)) << "still the engine's English";
        EXPECT_TRUE(previous.insert(e.number).second) << e.number;
    }
    // What a user saw in English: the tooltips of the line widths, the information and the
    // line styles, and the title of the DXF export.
    for (const auto& [number, polish] :
         {std::pair{19026, u8"Pokaż szerokości linii"}, std::pair{19027, u8"Informacje o rysunku"},
          std::pair{11645, u8"Style linii"}, std::pair{10552, u8"Eksportuj do DXF"}})
        EXPECT_EQ(FromCp1250(std::string(FindEngineString(number).value_or(""))),
                  QString::fromUtf8(polish))
            << number;
}

} // namespace
