#include <gtest/gtest.h>

#include "util/TextSplit.h"

using namespace lumora::util;
using Words = std::vector<std::string>;

TEST(SplitBlanks, RunsOfBlanksAreOneSeparator) {
    EXPECT_EQ(splitBlanks("  1   0  0 "), (Words{"1", "0", "0"}));
    EXPECT_EQ(splitBlanks(""), Words{});
    EXPECT_EQ(splitBlanks("     "), Words{});
    EXPECT_EQ(splitBlanks("single"), Words{"single"});
}

TEST(SplitBlanks, TabsAreNotSeparators) {
    EXPECT_EQ(splitBlanks("a\tb c"), (Words{"a\tb", "c"}));
    // trimming removes blanks only
    EXPECT_EQ(splitBlanks("\ta "), Words{"\ta"});
}

TEST(SplitBy, AnySeparatorText) {
    EXPECT_EQ(splitBy("227|5.431||90|Si", "|"), (Words{"227", "5.431", "90", "Si"}));
    EXPECT_EQ(splitBy("a :: b", "::"), (Words{"a", "b"}));
    EXPECT_EQ(splitBy(" x ", ""), Words{"x"});
}

TEST(PadLeft, RightAlignsAndCuts) {
    EXPECT_EQ(padLeft("X, ", 9), "      X, ");
    EXPECT_EQ(padLeft("abc", 2), "ab");
    EXPECT_EQ(padLeft("abc", 3), "abc");
    EXPECT_EQ(padLeft("abc", 0), "");
}

TEST(Trim, BlanksOnly) {
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("\ta\t"), "\ta\t");
    EXPECT_EQ(trimLeft("  a "), "a ");
}
