#include <gtest/gtest.h>

#include <string>

#include "symmetry/SpaceGroupTable.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {
namespace {

int resolve(std::string symbol, float gamma = 120.0f) { return findHallEntry(symbol, gamma); }

int firstRowOf(int number) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row)
        if (util::val(table[row].number) == number) return row;
    return -1;
}

TEST(SpaceGroupTable, CoversEveryGroupInOrderWithWellFormedHallSymbols) {
    const auto& table = spaceGroupTable();
    int previous = 1;
    int parenthesised = 0;
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const SpaceGroupRow& r = table[row];
        SCOPED_TRACE(row);
        const int number = static_cast<int>(util::val(r.number));
        EXPECT_TRUE(number == previous || number == previous + 1) << r.number;
        previous = number;
        const std::string hall = r.hall;
        ASSERT_GE(hall.size(), 4u);
        // The lattice letter is always the second character.
        EXPECT_TRUE(hall[0] == ' ' || hall[0] == '-') << hall;
        EXPECT_NE(std::string("PABCIRF").find(hall[1]), std::string::npos) << hall;
        EXPECT_EQ(hall[2], ' ') << hall;
        // Exactly one leading blank when not centrosymmetric, none trailing.
        EXPECT_EQ(util::trim(hall).size() + (hall[0] == ' ' ? 1 : 0), hall.size()) << hall;
        if (util::contains(hall, "(")) ++parenthesised;
        EXPECT_FALSE(std::string(r.labels).empty());
    }
    EXPECT_EQ(previous, 230);
    EXPECT_EQ(parenthesised, 6);
    EXPECT_STREQ(table[45].hall, " B _-2bc");
    EXPECT_STREQ(table[439].hall, " P 31 2c (0 0 1)");
    EXPECT_STREQ(table[529].hall, "-I 4bd 2c 3");
}

TEST(SpaceGroupTable, DerivesLabels) {
    const auto& table = spaceGroupTable();
    EXPECT_EQ(hmLabel(table[2]), "P 2 = P 1 2 1");
    EXPECT_EQ(fullLabel(table[2]), "P 2 = P 1 2 1 = 3:b");
    EXPECT_EQ(fullLabel(table[227]), "P n n n = 48:1");
    EXPECT_EQ(fullLabel(table[12]), "C 2 = B 1 1 2 = B 2 = 5:c2");
    EXPECT_EQ(fullLabel(table[0]), "P 1");
    EXPECT_EQ(fullLabel(table[516]), "P m -3 m");
}

TEST(SpaceGroupSymbols, ListTheShortSymbolsInMixedCase) {
    EXPECT_EQ(spaceGroupSymbol(1), "P 1");
    EXPECT_EQ(spaceGroupSymbol(14), "P 21/c");
    EXPECT_EQ(spaceGroupSymbol(146), "R 3");
    EXPECT_EQ(spaceGroupSymbol(230), "I a 3 d");
    EXPECT_EQ(spaceGroupSymbol(0), "");
    EXPECT_EQ(spaceGroupSymbol(231), "");
    EXPECT_EQ(spaceGroupListItem(1), "  1: P 1");
    EXPECT_EQ(spaceGroupListItem(14), " 14: P 21/c");
    EXPECT_EQ(spaceGroupListItem(230), "230: I a 3 d");
}

// The document window passes the upper-cased item text after its first ":".
std::string itemSymbol(int number) {
    const std::string item = util::toUpper(spaceGroupListItem(number));
    return util::trim(item.substr(item.find(':') + 1));
}

TEST(FindHallEntry, EveryListItemSelectsTheDefaultSettingOfItsGroup) {
    const auto& table = spaceGroupTable();
    for (int number = 1; number <= 230; ++number) {
        SCOPED_TRACE(spaceGroupListItem(number));
        EXPECT_EQ(resolve(itemSymbol(number), 120.0f), firstRowOf(number));
    }
    // With rhombohedral preference only the seven R groups change, to their R row.
    for (int number = 1; number <= 230; ++number) {
        SCOPED_TRACE(spaceGroupListItem(number));
        const int row = resolve(itemSymbol(number), 90.0f);
        const bool rGroup = number == 146 || number == 148 || number == 155 || number == 160 ||
                            number == 161 || number == 166 || number == 167;
        if (rGroup) {
            EXPECT_EQ(util::val(table[row].number), number);
            EXPECT_STREQ(table[row].extension, "R");
        } else {
            EXPECT_EQ(row, firstRowOf(number));
        }
    }
}

TEST(FindHallEntry, ResolvesSymbolsThroughTheFourPasses) {
    EXPECT_EQ(resolve("P 21/C"), 80);
    EXPECT_EQ(resolve("P 2"), 2);
    EXPECT_EQ(resolve("P N N N"), 227);
    EXPECT_EQ(resolve("p 2 2 2"), 107);
    EXPECT_EQ(resolve("P M 3 M"), 516);  // pass 2: the table writes P m -3 m
    EXPECT_EQ(resolve("P4-3M"), 510);    // bar moved in front: P-43M, pass 1
    EXPECT_EQ(resolve("P 1 2 1"), 2);    // a later name, pass 1
    EXPECT_EQ(resolve("B 2"), 12);       // a later name of 5:c2
    EXPECT_EQ(resolve("P -1"), 1);
    EXPECT_EQ(resolve("P1-"), 1);               // trailing bar after 1
    EXPECT_EQ(resolve("MMM"), firstRowOf(47));  // only pass 3 finds a fragment
}

TEST(FindHallEntry, FallsBackToTheNumberThenToRowZero) {
    EXPECT_EQ(resolve("48"), 227);
    EXPECT_EQ(resolve(" 48 "), 227);
    EXPECT_EQ(resolve("3:c"), 2);  // a setting key does not select its setting
    EXPECT_EQ(resolve("230"), 529);
    EXPECT_EQ(resolve("X"), 0);
    EXPECT_EQ(resolve(""), 0);
    EXPECT_EQ(resolve("231"), 0);
    EXPECT_EQ(resolve("1e999"), 0);  // absurd numbers are not an error
}

TEST(FindHallEntry, ChoosesRhombohedralAxesByTheRecordedGamma) {
    EXPECT_EQ(resolve("R 3", 120.0f), 432);
    EXPECT_EQ(resolve("R 3", 90.0f), 433);
    EXPECT_EQ(resolve("R 3", 0.0f), 433);  // no CSF cell read yet
    EXPECT_EQ(resolve("R -3 C", 90.0f), 460);

    std::string symbol = "R 3:H";
    EXPECT_EQ(findHallEntry(symbol, 90.0f), 432);
    EXPECT_EQ(symbol, "R 3");
    symbol = "R 3:H";
    EXPECT_EQ(findHallEntry(symbol, 0.0f), 432);
    symbol = "P 2";
    findHallEntry(symbol, 90.0f);
    EXPECT_EQ(symbol, "P 2");
}

TEST(GetEntry, TrimsTheStringsOfARow) {
    const EntryStrings entry = getEntry(2);
    EXPECT_EQ(entry[0], "3");
    EXPECT_EQ(entry[1], "P 2y");
    EXPECT_EQ(entry[2], "P 2 = P 1 2 1 = 3:b");
    EXPECT_EQ(entry[3], "P 2 = P 1 2 1");
    EXPECT_EQ(getEntry(45)[1], "B _-2bc");
    EXPECT_EQ(getEntry(-1), EntryStrings{});
    EXPECT_EQ(getEntry(kSpaceGroupRows), EntryStrings{});
}

TEST(HallsOfNumber, ListsTheSettingsOfAGroupInTableOrder) {
    EXPECT_EQ(hallsOfNumber(getEntry(2)[0]), (std::vector<std::string>{" P 2y", " P 2", " P 2x"}));
    EXPECT_EQ(hallsOfNumber("9").size(), 18u);
    EXPECT_EQ(hallsOfNumber("15").size(), 18u);
    EXPECT_EQ(hallsOfNumber("1"), std::vector<std::string>{" P 1"});
    EXPECT_TRUE(hallsOfNumber(" 3").empty());  // exact text only
    EXPECT_TRUE(hallsOfNumber("0").empty());
}

TEST(Lookup, ByNumberPrefersTheSecondOrigin) {
    EXPECT_EQ(lookupRow(48, "", ""), 228);
    EXPECT_EQ(lookupRow(146, "", ""), 432);
    EXPECT_EQ(lookupRow(14, "", ""), 80);
    EXPECT_EQ(lookupRow(227, "", ""), firstRowOf(227) + 1);
    EXPECT_EQ(lookupRow(231, "", ""), -1);
    EXPECT_EQ(lookupRow(0, "", ""), -1);
}

TEST(Lookup, ByHermannMauguinSubstring) {
    EXPECT_EQ(lookupRow(0, "P 21/C", ""), 80);
    EXPECT_EQ(lookupRow(0, "p 2", ""), 2);
    EXPECT_EQ(lookupRow(0, "Q 7", ""), -1);
}

TEST(Lookup, ByHallSuffix) {
    EXPECT_EQ(lookupRow(0, "", "p 2ac 2ab"), 114);
    EXPECT_EQ(lookupRow(0, "", "2yb"), 5);
    EXPECT_EQ(lookupRow(0, "", "-P 2y"), 56);
    EXPECT_EQ(lookupRow(0, "", "P 2y"), 2);
    EXPECT_EQ(lookupRow(0, "", " P 31 2c (0 0 1)"), 439);
    EXPECT_EQ(lookupRow(0, "", "2y "), -1);  // the suffix must end the symbol
    // Every stored symbol finds a row carrying the same symbol.
    const auto& table = spaceGroupTable();
    for (const SpaceGroupRow& row : table) {
        const int found = lookupRow(0, "", row.hall);
        ASSERT_GE(found, 0) << row.hall;
        EXPECT_STREQ(table[found].hall, row.hall);
    }
}

TEST(Lookup, ReturnsTheStoredHallSymbolOrNothing) {
    const EntryStrings entry = lookup(0, "", "P 2y");
    EXPECT_EQ(entry[0], "3");
    EXPECT_EQ(entry[1], " P 2y");
    EXPECT_EQ(entry[2], "P 2 = P 1 2 1 = 3:b");
    EXPECT_EQ(entry[3], "P 2 = P 1 2 1");
    EXPECT_EQ(lookup(0, "", "nonsense"), EntryStrings{});
    // The number test comes first for each row.
    EXPECT_EQ(lookup(2, "P 21/C", "")[0], "2");
}

}  // namespace
}  // namespace lumora::symmetry
