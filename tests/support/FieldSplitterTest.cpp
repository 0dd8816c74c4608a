#include "support/brdodatkirozn.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

std::vector<std::string> splitAll(const std::string& line, const std::string& separator) {
    FieldSplitter s;
    s.line = line;
    s.separator = separator;
    s.split();
    std::vector<std::string> fields;
    for (int k = 1; k <= s.count(); ++k)
        fields.push_back(s.text(k));
    return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldSplitter, CommaSeparatedFieldsKeepEmptyOnes) {
    EXPECT_EQ(splitAll("a,,b", ","), (Fields{"a", "", "b"}));
    EXPECT_EQ(splitAll("a,", ","), (Fields{"a", ""}));
    EXPECT_EQ(splitAll(",a", ","), (Fields{"", "a"}));
    EXPECT_EQ(splitAll(" 12 , x ", ","), (Fields{" 12 ", " x "}));
    EXPECT_EQ(splitAll("no separator here", ","), (Fields{"no separator here"}));
}

TEST(FieldSplitter, SpaceSeparatorKeepsLeadingAndRepeatedSpacesInsideFields) {
    EXPECT_EQ(splitAll("  a b", " "), (Fields{"  a", "b"}));
    EXPECT_EQ(splitAll("a  b", " "), (Fields{"a", " b"}));
}

TEST(FieldSplitter, OnlyOneCharacterSeparatorsSplit) {
    EXPECT_EQ(splitAll("a;b,c", ";"), (Fields{"a", "b,c"}));
    EXPECT_EQ(splitAll("a,,b", ",,"), (Fields{"a,,b"}));
    EXPECT_EQ(splitAll("a,b", ""), (Fields{"a,b"}));
}

TEST(FieldSplitter, FieldPositionsFollowTheSeparators) {
    FieldSplitter s;
    s.line = "ab,c,";
    ASSERT_TRUE(s.split());
    ASSERT_EQ(s.count(), 3);
    EXPECT_EQ(s.start(1), 1);
    EXPECT_EQ(s.start(2), 4);
    EXPECT_EQ(s.start(3), 6);
    EXPECT_EQ(s.start(4), 7); // one past the last field, as if a separator followed
}

TEST(FieldSplitter, EmptyLineGivesOneEmptyFieldAndNoValues) {
    FieldSplitter s;
    s.line = "1,2,3";
    s.split();
    s.line.clear();
    EXPECT_FALSE(s.split());
    EXPECT_EQ(s.count(), 1);
    EXPECT_EQ(s.text(1), "");
    EXPECT_EQ(s.integer(1), kNoValue);
    EXPECT_EQ(s.real(1), kNoValueReal);
}

TEST(FieldSplitter, ReadersOutsideTheFieldsGiveNoValue) {
    FieldSplitter s;
    s.line = "7,2.5";
    s.split();
    for (int k : {0, -1, 3, 1000}) {
        EXPECT_EQ(s.text(k), "");
        EXPECT_EQ(s.integer(k), kNoValue);
        EXPECT_EQ(s.real(k), kNoValueReal);
    }
    EXPECT_EQ(s.integer(1), 7);
    EXPECT_EQ(s.real(2), 2.5);
}

TEST(FieldSplitter, NumberReadersTrimBlanksAndRejectJunk) {
    FieldSplitter s;
    s.line = " 12 ;12a;\t-3\r;1.5;1,5; 2.5e3 ;";
    s.separator = ";";
    s.split();
    EXPECT_EQ(s.integer(1), 12);
    EXPECT_EQ(s.integer(2), kNoValue);
    EXPECT_EQ(s.integer(3), -3);
    EXPECT_EQ(s.real(4), 1.5);
    EXPECT_EQ(s.real(5), kNoValueReal);
    EXPECT_EQ(s.real(6), 2500.0);
    EXPECT_EQ(s.integer(7), kNoValue); // empty last field
}

TEST(FieldSplitter, LineOf400FieldsIsRefusedWithoutCorruptingState) {
    FieldSplitter s;
    s.line = std::string(398, ',');
    ASSERT_TRUE(s.split());
    EXPECT_EQ(s.count(), 399);

    s.line = std::string(399, ',');
    EXPECT_THROW(s.split(), std::range_error);
    EXPECT_EQ(s.count(), 1);
    EXPECT_EQ(s.integer(2), kNoValue);

    s.line = std::string(100000, ';') + "x";
    s.separator = ";";
    EXPECT_THROW(s.split(), std::range_error);

    s.line = "1;2";
    ASSERT_TRUE(s.split());
    EXPECT_EQ(s.integer(2), 2);
}

TEST(FieldSplitter, SharedInstanceServesTheFreeReaders) {
    SharedSplitter().line = "4;x;0.25";
    SharedSplitter().separator = ";";
    ASSERT_TRUE(SplitLine());
    EXPECT_EQ(FieldAsInteger(1), 4);
    EXPECT_EQ(FieldAsText(2), "x");
    EXPECT_EQ(FieldAsReal(3), 0.25);
    EXPECT_EQ(FieldAsText(4), "");
    SharedSplitter().separator = ",";
}

} // namespace
