// The sample drawing generator writes drawings the road-design reader accepts: the header, CR LF
// lines of at least two bytes, three-line texts, polylines completed by a later record, the kind
// of drawing in the second header line, the size asked for, and the same bytes for the same seed.
#include "tools/RoadDrawingGenerator.h"

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view operator""_sv(const char8_t* text, std::size_t size) {
    return {reinterpret_cast<const char*>(text), size};
}

std::string generate(RoadSheet sheet, std::uint64_t target = 0, std::uint32_t seed = 1) {
    std::ostringstream out;
    const std::uint64_t written = GenerateRoadDrawing(out, sheet, target, seed);
    EXPECT_EQ(written, out.str().size());
    return out.str();
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

bool isNumber(std::string_view s) {
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// Splits at CR LF; fails when a CR or LF stands alone or the last line is not ended.
std::vector<std::string_view> linesOf(std::string_view file) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        if (end == std::string_view::npos) {
            ADD_FAILURE() << "the last line has no CR LF";
            break;
        }
        const std::string_view line = file.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << "line " << lines.size();
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

struct Counts {
    int pens = 0;
    int moves = 0;
    int draws = 0;
    int texts = 0;
};

// Checks every record as the reader takes it and counts them.
Counts checkRecords(const std::vector<std::string_view>& lines) {
    Counts n;
    std::string_view previous;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1));
        EXPECT_GE(line.size(), 2u);
        if (line.size() < 2)
            return n;
        const auto kind = static_cast<unsigned char>(line[0]);
        const auto sub = static_cast<unsigned char>(line[1]);
        if (kind == 1) {
            EXPECT_EQ(line.size(), 2u);
            EXPECT_NE(sub, 0) << "no zero bytes";
            ++n.pens;
        } else if (kind == 2) {
            const auto f = fieldsOf(line);
            EXPECT_EQ(f.size(), 3u);
            EXPECT_TRUE(f.size() == 3 && isNumber(f[1]) && isNumber(f[2]));
            if (sub == 3) {
                ++n.moves;
            } else {
                EXPECT_EQ(sub, 2);
                // Pen down continues a polyline begun by a pen up.
                EXPECT_TRUE(previous.starts_with("\x02\x03") || previous.starts_with("\x02\x02"));
                ++n.draws;
            }
        } else if (kind == 3 || kind == 4) {
            EXPECT_NE(sub, 0);
            EXPECT_LT(i + 2, lines.size());
            if (i + 2 >= lines.size())
                return n;
            const auto f = fieldsOf(line);
            EXPECT_TRUE(f.size() == 3 && isNumber(f[1]) && isNumber(f[2]));
            const auto p = fieldsOf(lines[i + 1]);
            EXPECT_EQ(p.size(), 4u) << lines[i + 1];
            for (std::string_view v : p)
                EXPECT_TRUE(isNumber(v)) << lines[i + 1];
            EXPECT_GE(lines[i + 2].size(), 2u);
            EXPECT_LE(lines[i + 2].size(), 256u);
            i += 2;
            ++n.texts;
        } else {
            ADD_FAILURE() << "record kind " << int(kind);
        }
        previous = line;
    }
    return n;
}

TEST(RoadDrawingGenerator, EverySheetIsAWellFormedDrawing) {
    for (RoadSheet sheet : {RoadSheet::Plan, RoadSheet::Profile, RoadSheet::CrossSections}) {
        SCOPED_TRACE(static_cast<int>(sheet));
        const std::string file = generate(sheet);
        const auto lines = linesOf(file);
        ASSERT_GT(lines.size(), 100u);
        EXPECT_EQ(fieldsOf(lines[0])[0], "&IBMRYSUNEKZEVO");
        const Counts n = checkRecords(lines);
        EXPECT_GT(n.moves, 100);
        EXPECT_GT(n.draws, n.moves);
        EXPECT_GT(n.texts, 100);
        EXPECT_GT(n.pens, 5);
        // A final pen change completes the last polyline.
        EXPECT_EQ(lines.back().size(), 2u);
        EXPECT_EQ(lines.back()[0], '\x01');
        // The natural size is a sample, not a load test.
        EXPECT_GT(file.size(), 20'000u);
        EXPECT_LT(file.size(), 500'000u);
    }
}

TEST(RoadDrawingGenerator, SecondHeaderLineTellsThePlanFromTheSheets) {
    auto kindOf = [](RoadSheet sheet) {
        const auto f = fieldsOf(linesOf(generate(sheet))[1]);
        EXPECT_GE(f.size(), 3u);
        double a = -1;
        double b = -1;
        std::from_chars(f[1].data(), f[1].data() + f[1].size(), a);
        std::from_chars(f[2].data(), f[2].data() + f[2].size(), b);
        return a == 0 && b == 0 ? 1 : 2;
    };
    EXPECT_EQ(kindOf(RoadSheet::Plan), 1);
    EXPECT_EQ(kindOf(RoadSheet::Profile), 2);
    EXPECT_EQ(kindOf(RoadSheet::CrossSections), 2);
}

TEST(RoadDrawingGenerator, ReachesTheRequestedSize) {
    for (RoadSheet sheet : {RoadSheet::Plan, RoadSheet::Profile, RoadSheet::CrossSections}) {
        const std::string file = generate(sheet, 2'000'000, 7);
        EXPECT_GE(file.size(), 2'000'000u);
        EXPECT_LT(file.size(), 2'600'000u);
        const Counts n = checkRecords(linesOf(file));
        EXPECT_GT(n.texts, 1000);
    }
}

TEST(RoadDrawingGenerator, SameSeedSameBytes) {
    for (RoadSheet sheet : {RoadSheet::Plan, RoadSheet::Profile, RoadSheet::CrossSections}) {
        EXPECT_EQ(generate(sheet, 0, 42), generate(sheet, 0, 42));
        EXPECT_NE(generate(sheet, 0, 42), generate(sheet, 0, 43));
    }
}

// Polish letters and the signs the generator writes, as UTF-8 would write them.
bool holdsUtf8(std::string_view bytes) {
    for (std::string_view utf8 :
         {u8"ą"_sv, u8"ć"_sv, u8"ę"_sv, u8"ł"_sv, u8"ń"_sv, u8"ó"_sv, u8"ś"_sv,
          u8"ź"_sv, u8"ż"_sv, u8"Ą"_sv, u8"Ć"_sv, u8"Ę"_sv, u8"Ł"_sv, u8"Ń"_sv,
          u8"Ó"_sv, u8"Ś"_sv, u8"Ź"_sv, u8"Ż"_sv, u8"–"_sv, u8"°"_sv})
        if (bytes.find(utf8) != std::string_view::npos)
            return true;
    return false;
}

TEST(RoadDrawingGenerator, TextsAreWindows1250) {
    EXPECT_EQ(toWindows1250(u8"Rów przydrożny"), "R\xF3w przydro\xBFny");
    EXPECT_EQ(toWindows1250(u8"ŁĄKA źdźbło Ść – 5°"),
              "\xA3\xA5KA \x9F\x64\x9F\x62\xB3o \x8C\xE6 \x96 5\xB0");
    EXPECT_EQ(toWindows1250(u8"α"), "?");
    const std::string plan = generate(RoadSheet::Plan);
    EXPECT_NE(plan.find("R\xF3w przydro\xBFny"), std::string::npos);
    EXPECT_NE(plan.find(" k\xB9t="), std::string::npos) << "the arc data";
    for (RoadSheet sheet : {RoadSheet::Plan, RoadSheet::Profile, RoadSheet::CrossSections})
        for (std::uint32_t seed : {1u, 2u, 3u})
            EXPECT_FALSE(holdsUtf8(generate(sheet, 0, seed))) << static_cast<int>(sheet) << seed;
    EXPECT_NE(plan.find("Granica dzia\xB3ki"), std::string::npos);
    EXPECT_NE(plan.find("KM 0+100"), std::string::npos);
    EXPECT_NE(generate(RoadSheet::Profile).find("PROFIL POD\xA3U\xAFNY"), std::string::npos);
    EXPECT_NE(generate(RoadSheet::CrossSections).find("PRZEKR\xD3J POPRZECZNY KM 0+"),
              std::string::npos);
}

} // namespace
