#include <gtest/gtest.h>

#include <array>
#include <string>

#include "symmetry/SpaceGroupTable.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {
namespace {

int resolve(std::string symbol, bool rhombohedralAxes = false) {
    return findHallEntry(symbol, rhombohedralAxes);
}

int firstRowOf(int number) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row)
        if (util::val(table[row].number) == number) return row;
    return -1;
}

TEST(SpaceGroupTable, CoversEveryGroupInOrderWithWellFormedHallSymbols) {
    const auto& table = spaceGroupTable();
    int previous = 1;
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const SpaceGroupRow& r = table[row];
        SCOPED_TRACE(row);
        const int number = static_cast<int>(util::val(r.number));
        EXPECT_TRUE(number == previous || number == previous + 1) << r.number;
        previous = number;
        const std::string hall = r.hall;
        ASSERT_GE(hall.size(), 4u);
        EXPECT_TRUE(hall[0] == ' ' || hall[0] == '-') << hall;
        EXPECT_NE(std::string("PABCIRF").find(hall[1]), std::string::npos) << hall;
        EXPECT_EQ(hall[2], ' ') << hall;
        EXPECT_NE(hall.back(), ' ') << hall;
    }
    EXPECT_EQ(previous, 230);
}

TEST(SpaceGroupTable, DerivesLabelsSymbolsAndListItems) {
    const auto& table = spaceGroupTable();
    EXPECT_EQ(hmLabel(table[2]), "P 2 = P 1 2 1");
    EXPECT_EQ(fullLabel(table[2]), "P 2 = P 1 2 1 = 3:b");
    EXPECT_EQ(fullLabel(table[12]), "C 2 = B 1 1 2 = B 2 = 5:c2");
    EXPECT_EQ(fullLabel(table[516]), "P m -3 m");
    EXPECT_EQ(spaceGroupSymbol(14), "P 21/c");
    EXPECT_EQ(spaceGroupSymbol(231), "");
    EXPECT_EQ(spaceGroupListItem(1), "  1: P 1");
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
        EXPECT_EQ(resolve(itemSymbol(number), false), firstRowOf(number));
        // With rhombohedral preference only the seven R groups change, to their R row.
        const int row = resolve(itemSymbol(number), true);
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

TEST(FindHallEntry, ResolvesSymbolsThenNumbersThenFallsBackToRowZero) {
    // "3:c" is a setting key, yet it selects the default setting of group 3.
    const std::pair<const char*, int> cases[] = {
        {"P 21/C", 80}, {"P 2", 2}, {"P N N N", 227}, {"p 2 2 2", 107}, {"P M 3 M", 516}, {"P4-3M", 510},
        {"B 2", 12},    {"P1-", 1}, {"48", 227},      {" 48 ", 227},    {"3:c", 2},       {"230", 529},
        {"X", 0},       {"", 0},    {"231", 0},       {"1e999", 0}};
    for (const auto& [symbol, row] : cases) EXPECT_EQ(resolve(symbol), row) << symbol;
    EXPECT_EQ(resolve("MMM"), firstRowOf(47));  // only a fragment matches
}

TEST(FindHallEntry, TakesTheAxesOfRhombohedralGroupsAsAsked) {
    EXPECT_EQ(resolve("R 3", false), 432);
    EXPECT_EQ(resolve("R 3", true), 433);
    EXPECT_EQ(resolve("R -3 C", true), 460);
    EXPECT_EQ(resolve("R -3 C", false), 459);
    std::string symbol = "R 3:H";
    EXPECT_EQ(findHallEntry(symbol, true), 432);
    EXPECT_EQ(symbol, "R 3");
}

TEST(PrefersRhombohedralAxes, DecidesFromTheCellBeforeTheRecordedGamma) {
    using Cell = std::array<float, 6>;
    // The cell decides whatever gamma a .csf recorded (0: none read yet).
    for (const float recorded : {0.0f, 90.0f, 120.0f}) {
        EXPECT_FALSE(prefersRhombohedralAxes(Cell{4.758f, 4.758f, 12.991f, 90, 90, 120}, recorded));
        EXPECT_FALSE(prefersRhombohedralAxes(Cell{4.758f, 4.7581f, 12.991f, 90, 90, 120.01f}, recorded));
        EXPECT_TRUE(prefersRhombohedralAxes(Cell{5.13f, 5.13f, 5.13f, 55.3f, 55.3f, 55.3f}, recorded));
        EXPECT_TRUE(prefersRhombohedralAxes(Cell{5, 5, 5, 90, 90, 90}, recorded));
    }
    // A cell that fits neither leaves it to the recorded gamma.
    const Cell neither{4, 5, 6, 90, 90, 100};
    EXPECT_TRUE(prefersRhombohedralAxes(neither, 0.0f));
    EXPECT_TRUE(prefersRhombohedralAxes(neither, 90.0f));
    EXPECT_FALSE(prefersRhombohedralAxes(neither, 120.0f));
    // a = b but gamma 119 is not hexagonal; a != b by more than 0.1 % neither.
    EXPECT_TRUE(prefersRhombohedralAxes(Cell{4.758f, 4.758f, 12.991f, 90, 90, 119}, 0.0f));
    EXPECT_TRUE(prefersRhombohedralAxes(Cell{4.758f, 4.77f, 12.991f, 90, 90, 120}, 0.0f));
}

TEST(GetEntry, TrimsTheStringsOfARowAndListsSettings) {
    const EntryStrings entry = getEntry(2);
    EXPECT_EQ(entry, (EntryStrings{"3", "P 2y", "P 2 = P 1 2 1 = 3:b", "P 2 = P 1 2 1"}));
    EXPECT_EQ(getEntry(45)[1], "B _-2bc");
    EXPECT_EQ(getEntry(-1), EntryStrings{});
    EXPECT_EQ(getEntry(kSpaceGroupRows), EntryStrings{});
    EXPECT_EQ(hallsOfNumber(entry[0]), (std::vector<std::string>{" P 2y", " P 2", " P 2x"}));
    EXPECT_EQ(hallsOfNumber("15").size(), 18u);
    EXPECT_TRUE(hallsOfNumber(" 3").empty());  // exact text only
}

TEST(Lookup, ByNumberHermannMauguinOrHallSuffix) {
    EXPECT_EQ(lookupRow(48, "", ""), 228);  // the second origin
    EXPECT_EQ(lookupRow(146, "", ""), 432);
    EXPECT_EQ(lookupRow(231, "", ""), -1);
    EXPECT_EQ(lookupRow(0, "P 21/C", ""), 80);
    EXPECT_EQ(lookupRow(0, "Q 7", ""), -1);
    EXPECT_EQ(lookupRow(0, "", "p 2ac 2ab"), 114);
    EXPECT_EQ(lookupRow(0, "", "-P 2y"), 56);
    EXPECT_EQ(lookupRow(0, "", " P 31 2c (0 0 1)"), 439);
    EXPECT_EQ(lookupRow(0, "", "2y "), -1);  // the suffix must end the symbol
    const auto& table = spaceGroupTable();
    for (const SpaceGroupRow& row : table) {
        const int found = lookupRow(0, "", row.hall);
        ASSERT_GE(found, 0) << row.hall;
        EXPECT_STREQ(table[found].hall, row.hall);
    }
    const EntryStrings entry = lookup(0, "", "P 2y");
    EXPECT_EQ(entry, (EntryStrings{"3", " P 2y", "P 2 = P 1 2 1 = 3:b", "P 2 = P 1 2 1"}));
    EXPECT_EQ(lookup(0, "", "nonsense"), EntryStrings{});
    EXPECT_EQ(lookup(2, "P 21/C", "")[0], "2");  // the number test comes first
}

}  // namespace
}  // namespace lumora::symmetry
