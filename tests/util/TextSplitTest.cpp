#include <gtest/gtest.h>

#include "util/TextSplit.h"

using namespace lumora::util;
using Words = std::vector<std::string>;

TEST(SplitText, BlanksSeparateButTabsDoNot) {
    EXPECT_EQ(splitBlanks("  1   0  0 "), (Words{"1", "0", "0"}));
    EXPECT_EQ(splitBlanks("     "), Words{});
    EXPECT_EQ(splitBlanks("a\tb c"), (Words{"a\tb", "c"}));
    EXPECT_EQ(splitBlanks("\ta "), Words{"\ta"});
    EXPECT_EQ(splitBy("227|5.431||90|Si", "|"), (Words{"227", "5.431", "90", "Si"}));
    EXPECT_EQ(splitBy("a :: b", "::"), (Words{"a", "b"}));
    EXPECT_EQ(splitBy(" x ", ""), Words{"x"});
}

TEST(SplitText, PadLeftAlignsAndCutsTrimKeepsTabs) {
    EXPECT_EQ(padLeft("X, ", 9), "      X, ");
    EXPECT_EQ(padLeft("abc", 2), "ab");
    EXPECT_EQ(padLeft("abc", 0), "");
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("\ta\t"), "\ta\t");
    EXPECT_EQ(trimLeft("  a "), "a ");
}
