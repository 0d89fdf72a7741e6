#include <gtest/gtest.h>

#include <string>

#include "structure/CifSymmetry.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::structure {
namespace {

const CellConstants kCubic{5, 5, 5, 90, 90, 90};

TEST(ParseOperation, CommonWritings) {
    const auto identity = parseOperation("x,y,z");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->rotation, (std::array<int, 9>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(identity->translation, (std::array<double, 3>{0, 0, 0}));

    const auto screw = parseOperation(" -x+1/2 , Y+0.5, 1/2-z");
    ASSERT_TRUE(screw);
    EXPECT_EQ(screw->rotation, (std::array<int, 9>{-1, 0, 0, 0, 1, 0, 0, 0, -1}));
    EXPECT_EQ(screw->translation, (std::array<double, 3>{0.5, 0.5, 0.5}));

    const auto hexagonal = parseOperation("x-y,x,z+5/6");
    ASSERT_TRUE(hexagonal);
    EXPECT_EQ(hexagonal->rotation, (std::array<int, 9>{1, -1, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_NEAR(hexagonal->translation[2], 5.0 / 6, 1e-12);
    // Translations are reduced into [0, 1).
    const auto negative = parseOperation("-x-1/4,y+3/2,z-1");
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->translation, (std::array<double, 3>{0.75, 0.5, 0}));
}

TEST(ParseOperation, RefusesWhatIsNoOperation) {
    for (const char* text : {"", "x,y", "x,y,z,w", "x,,z", "a,b,c", "x,y,z+1/0", "x,y,z+", "0.5x,y,z",
                             "x,y,1/2", "3x,y,z", "x,y,z+1e999", "x,x,z", "y,x,-y"})
        EXPECT_FALSE(parseOperation(text)) << text;
}

TEST(RowOfHall, ExactSymbolsOnly) {
    const auto& table = symmetry::spaceGroupTable();
    // Every symbol of the table finds its row, or an earlier row with the same symbol.
    for (int row = 0; row < symmetry::kSpaceGroupRows; ++row) {
        const int found = rowOfHall(table[row].hall);
        ASSERT_TRUE(found >= 0 && found <= row) << table[row].hall;
        EXPECT_STREQ(table[found].hall, table[row].hall);
    }
    EXPECT_EQ(table[rowOfHall("  -p   2YBC ")].number, std::string("14"));
    EXPECT_EQ(rowOfHall("-R 3 2\"c"), rowOfHall("-R 3 2''c"));
    EXPECT_EQ(rowOfHall("P 2y"), rowOfHall(" P 2y"));
    // A suffix is not the symbol.
    EXPECT_EQ(rowOfHall("2yb"), -1);
    EXPECT_EQ(rowOfHall(""), -1);
    EXPECT_EQ(rowOfHall("-P 2yb (x,y,-x+z)"), -1);
}

TEST(SplitSetting, ColonsAndTrailingLetters) {
    EXPECT_EQ(splitSetting("R -3 c :H"), (std::pair<std::string, std::string>{"R -3 c", "H"}));
    EXPECT_EQ(splitSetting("F d -3 m:2"), (std::pair<std::string, std::string>{"F d -3 m", "2"}));
    EXPECT_EQ(splitSetting("R 3 R"), (std::pair<std::string, std::string>{"R 3", "R"}));
    EXPECT_EQ(splitSetting(" P 1 21/n 1 "), (std::pair<std::string, std::string>{"P 1 21/n 1", ""}));
    EXPECT_EQ(splitSetting("P n n n :1"), (std::pair<std::string, std::string>{"P n n n", "1"}));
    EXPECT_EQ(splitSetting(""), (std::pair<std::string, std::string>{"", ""}));
}

TEST(RowsOfSymbol, FullShortAndOldCubicNames) {
    const auto numbers = [](const std::vector<int>& rows) {
        std::vector<int> out;
        for (int r : rows) out.push_back(static_cast<int>(util::val(symmetry::spaceGroupTable()[r].number)));
        return out;
    };
    EXPECT_EQ(numbers(rowsOfSymbol("P 1")), std::vector<int>{1});
    EXPECT_EQ(numbers(rowsOfSymbol("Pnma")), std::vector<int>{62});
    EXPECT_EQ(numbers(rowsOfSymbol("F m 3 m")), std::vector<int>{225});
    EXPECT_EQ(numbers(rowsOfSymbol("I a -3 d")), std::vector<int>{230});
    // P 21/n names the n-glide settings on all three axes, b first.
    const auto n = rowsOfSymbol("P 21/n");
    EXPECT_EQ(numbers(n), (std::vector<int>{14, 14, 14}));
    EXPECT_STREQ(symmetry::spaceGroupTable()[n.front()].hall, "-P 2yn");
    // The short monoclinic name stands for all its settings.
    EXPECT_EQ(rowsOfSymbol("P 21/c").size(), 9u);
    EXPECT_EQ(rowsOfSymbol("F d -3 m").size(), 2u);
    EXPECT_TRUE(rowsOfSymbol("P 4 2 m").empty());
    EXPECT_TRUE(rowsOfSymbol("").empty());
    EXPECT_TRUE(rowsOfSymbol("nonsense").empty());
}

TEST(ResolveSpaceGroup, ByNumberMatchesTheTableLookUp) {
    // With a cell that does not call for rhombohedral axes, the number alone
    // gives the row of the table's by-number look-up.
    for (int number = 1; number <= 230; ++number) {
        CifSpaceGroup group;
        group.number = number;
        EXPECT_EQ(resolveSpaceGroup(group, {5, 6, 7, 90, 90, 90}), symmetry::lookupRow(number, "", ""))
            << number;
    }
}

TEST(ResolveSpaceGroup, OperationsOfEveryRowFindThatRow) {
    // Spot checks over the table: listing a row's operations names that row,
    // or one with the very same operations.
    const auto& table = symmetry::spaceGroupTable();
    for (int row : {0, 1, 2, 80, 81, 107, 227, 228, 432, 433, 459, 460, 524, 525, 529}) {
        CifSpaceGroup group;
        group.number = static_cast<int>(util::val(table[row].number));
        CifSpaceGroup byOps;
        // x,y,z style text of the row's operations comes from the symmetry layer.
        for (const auto& op : symmetry::interpretHall(table[row].hall).ops) {
            group.operations.push_back(symmetry::tripletText(op.matrix));
            byOps.operations.push_back(symmetry::tripletText(op.matrix));
        }
        const CellConstants cell = table[row].extension == std::string("R")
                                       ? CellConstants{5, 5, 5, 60, 60, 60}
                                       : CellConstants{5, 5, 7, 90, 90, 120};
        EXPECT_EQ(resolveSpaceGroup(group, cell), row) << table[row].hall;
        EXPECT_EQ(resolveSpaceGroup(byOps, cell), row) << table[row].hall;
    }
}

TEST(ResolveSpaceGroup, NothingToGoOn) {
    try {
        resolveSpaceGroup({}, kCubic);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::TypeMismatch);
        EXPECT_EQ(e.description(), "The CIF file names no space group");
    }
    CifSpaceGroup unreadable;
    unreadable.operations = {"x,y,z", "what"};
    EXPECT_THROW(resolveSpaceGroup(unreadable, kCubic), Error);
    // An unknown Hall symbol and a known name: the name serves.
    CifSpaceGroup named;
    named.hall = "-P 2yb (z,x,y)";
    named.hermannMauguin = "P m m m";
    EXPECT_EQ(symmetry::spaceGroupTable()[resolveSpaceGroup(named, kCubic)].number, std::string("47"));
}

}  // namespace
}  // namespace lumora::structure
