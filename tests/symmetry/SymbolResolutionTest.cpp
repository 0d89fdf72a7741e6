// Symbols as people type them and files carry them, and operation lists that
// are or are not groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "symmetry/HallSymbol.h"
#include "symmetry/OperationList.h"
#include "symmetry/SpaceGroupTable.h"
#include "symmetry/SymbolResolution.h"

namespace lumora::symmetry {
namespace {

std::string hallOf(const std::string& symbol, bool rhombohedralAxes = false) {
    const int row = resolveSymbol(symbol, rhombohedralAxes);
    return row < 0 ? "unresolved" : spaceGroupTable()[row].hall;
}

TEST(ResolveSymbol, SettingsSpellingsAndHallSymbols) {
    const std::pair<const char*, const char*> cases[] = {
        // Axes and origin choices after a colon, with or without a blank, or as a last word.
        {"R -3 m :R", "-P 3* 2"},
        {"R -3 m:R", "-P 3* 2"},
        {"R -3 m R", "-P 3* 2"},
        {"r -3 m :r", "-P 3* 2"},
        {"R -3 m :H", "-R 3 2''"},
        {"R -3 m", "-R 3 2''"},  // the cell did not ask for rhombohedral axes
        {"F d -3 m :2", "-F 4vw 2vw 3"},
        {"F d -3 m:1", " F 4d 2 3 -1d"},
        {"F d -3 m", " F 4d 2 3 -1d"},  // the list's default
        {"P n n n :2", "-P 2ab 2bc"},
        // One symbol, many spellings.
        {"P 21/c", "-P 2ybc"},
        {"P21/c", "-P 2ybc"},
        {"P 2_1/c", "-P 2ybc"},
        {"P 1 21/c 1", "-P 2ybc"},
        {"p 1 21/C 1", "-P 2ybc"},
        {"  P  21/c  ", "-P 2ybc"},
        {"P 21/n", "-P 2yn"},
        {"P 1 1 21/n", "-P 2n"},
        {"F m 3 m", "-F 4 2 3"},  // the older cubic name without the bar
        {"P4-3m", " P -4 2 3"},   // a bar after its digit
        {"Fd-3m", " F 4d 2 3 -1d"},
        // Numbers, alone or with a setting.
        {"14", "-P 2ybc"},
        {"227:2", "-F 4vw 2vw 3"},
        {"14:b2", "-P 2yn"},
        // Hall symbols of the table.
        {"-P 2ybc", "-P 2ybc"},
        {"-p 2YN", "-P 2yn"},
        {"-R 3 2\"c", "-R 3 2''c"},
        // Nothing of the table.
        {"nonsense", "unresolved"},
        {"", "unresolved"},
        {"P 4 2 m", "unresolved"},
        {"P 21/c :H", "unresolved"},  // a setting the group lacks
        {"F d -3 m :3", "unresolved"},
        {"231", "unresolved"},
        {"14.5", "unresolved"},
        {"-P 2yb (x,y,-x+z)", "unresolved"}};
    for (const auto& [symbol, hall] : cases) EXPECT_EQ(hallOf(symbol), hall) << symbol;
    EXPECT_EQ(hallOf("R -3 m", true), "-P 3* 2");
    EXPECT_EQ(hallOf("R -3 m :H", true), "-R 3 2''");
    EXPECT_EQ(hallOf("166", true), "-P 3* 2");
}

TEST(ResolveSymbol, EveryRowIsFoundByItsNamesWithItsSetting) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const std::string number = table[row].number, extension = table[row].extension;
        const std::vector<int> byNumber = rowsNamedBy(extension.empty() ? number : number + ":" + extension);
        ASSERT_FALSE(byNumber.empty()) << row;
        EXPECT_EQ(byNumber.front(), row) << number << ":" << extension;
        // A Hall symbol that is also a Hermann-Mauguin name (" P 2") reads as
        // the name; a few settings share one Hall symbol, which gives the first.
        if (rowsOfSymbol(table[row].hall).empty()) {
            const std::vector<int> byHall = rowsNamedBy(table[row].hall);
            ASSERT_EQ(byHall.size(), 1u) << table[row].hall;
            EXPECT_STREQ(table[byHall.front()].hall, table[row].hall);
        }
        const std::vector<int> byName =
            rowsNamedBy(hmLabel(table[row]).substr(0, hmLabel(table[row]).find(" =")));
        EXPECT_NE(std::find(byName.begin(), byName.end(), row), byName.end()) << hmLabel(table[row]);
    }
}

TEST(HallRefusal, ClosureAtCapacityAndListsThatAreNoGroup) {
    // Every Hall symbol of the table makes a group below the capacity.
    for (const SpaceGroupRow& row : spaceGroupTable())
        EXPECT_EQ(hallRefusal(interpretHall(row.hall), row.hall), "") << row.hall;
    // A six-fold axis with a four-fold across it generates no finite group.
    const SymmetryOps runaway = interpretHall("-P 6 4x");
    EXPECT_GT(runaway.capacityReached, 0);
    const std::string capacity = "nm>=" + std::to_string(runaway.capacityReached);
    EXPECT_EQ(hallRefusal(runaway, "-P 6 4x").rfind(capacity, 0), 0u) << hallRefusal(runaway, "-P 6 4x");

    // Closure takes translations modulo whole cell edges.
    const auto op = [](std::array<float, 3> t, bool invert = false) {
        Mat4 m = identityMatrix();
        for (int i = 0; i < 3; ++i) {
            if (invert) m[i][i] = -1;
            m[i][3] = t[i];
        }
        return m;
    };
    EXPECT_TRUE(isGroup({op({0, 0, 0}), op({0.5f, 0.5f, 0})}));
    EXPECT_TRUE(
        isGroup({op({0, 0, 0}), op({0, 0, 0}, true), op({0.5f, 0.5f, 0}), op({0.5f, 0.5f, 0}, true)}));
    EXPECT_FALSE(isGroup({op({0.5f, 0.5f, 0})}));                  // no identity
    EXPECT_FALSE(isGroup({op({0, 0, 0}), op({1.0f / 3, 0, 0})}));  // 2/3 is missing
    EXPECT_FALSE(isGroup({op({0, 0, 0}), op({0, 0, 0}, true), op({0.5f, 0, 0})}));
}

TEST(SymmetryOfOperations, NamesTheListAndFindsItsCentringAndInversion) {
    Mat4 centring = identityMatrix();
    centring[0][3] = 0.5f;
    centring[1][3] = 1.5f;  // reduced to 1/2
    const SymmetryOps ops = symmetryOfOperations({identityMatrix(), centring}, "C 1");
    EXPECT_EQ(ops.hmSymbol, "C 1");
    EXPECT_EQ(ops.hallSymbol, "");
    ASSERT_EQ(ops.ops.size(), 2u);
    EXPECT_EQ(ops.ops[1].matrix[1][3], 0.5f);
    EXPECT_EQ(ops.centringCount, 1);
    EXPECT_EQ(ops.centring[1].text, "1/2 1/2 0");
    EXPECT_FALSE(ops.centrosymmetric);
}

}  // namespace
}  // namespace lumora::symmetry
