// Every setting of the table, interpreted by our Hall-symbol interpreter, must
// give the same operations as an independent implementation (gemmi).

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <gemmi/symmetry.hpp>
#include <set>
#include <string>

#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {
namespace {

// Rotation (9 integers) and translation in 1/24 of the cell edge, in [0, 24).
using OpKey = std::array<int, 12>;

OpKey keyOf(const Mat4& m) {
    OpKey key{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) key[i * 3 + j] = static_cast<int>(std::lround(m[i][j]));
        const long t = std::lround(m[i][3] * 24.0f);
        key[9 + i] = static_cast<int>(((t % 24) + 24) % 24);
    }
    return key;
}

OpKey keyOf(const gemmi::Op& op) {
    OpKey key{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) key[i * 3 + j] = op.rot[i][j] / gemmi::Op::DEN;
        key[9 + i] = ((op.tran[i] % 24) + 24) % 24;
    }
    return key;
}

// The table writes the double prime as two apostrophes, and row 45 carries a
// stray "_"; gemmi wants '"' and no underscore.
std::string gemmiNotation(const std::string& hall) {
    std::string s = util::replaceAll(hall, "''", "\"");
    s = util::replaceAll(s, "_", "");
    return util::trim(s);
}

TEST(ReferenceGroups, EveryRowMatchesTheIndependentInterpretation) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const std::string hall = table[row].hall;
        SCOPED_TRACE("row " + std::to_string(row) + " \"" + hall + "\"");

        const SymmetryOps ours = interpretHall(hall);
        EXPECT_EQ(ours.capacityReached, 0);
        std::set<OpKey> ourSet;
        for (const SymOp& op : ours.ops) {
            // Exact multiples of 1/24 in [0, 1), or the keys below could round
            // two different faults into agreement.
            for (int i = 0; i < 3; ++i) {
                const float t = op.matrix[i][3];
                EXPECT_TRUE(t >= 0.0f && t < 1.0f) << op.text;
                EXPECT_NEAR(t * 24.0f, std::nearbyint(t * 24.0f), 1e-3) << op.text;
            }
            ourSet.insert(keyOf(op.matrix));
        }
        EXPECT_EQ(ourSet.size(), ours.ops.size()) << "duplicate operations";

        std::set<OpKey> reference;
        std::size_t referenceCount = 0;
        try {
            const gemmi::GroupOps group = gemmi::symops_from_hall(gemmiNotation(hall).c_str());
            for (const gemmi::Op& op : group.all_ops_sorted()) {
                reference.insert(keyOf(op));
                ++referenceCount;
            }
        } catch (const std::exception& e) {
            ADD_FAILURE() << "reference rejected the symbol: " << e.what();
            continue;
        }
        EXPECT_EQ(ours.ops.size(), referenceCount);
        EXPECT_EQ(ourSet, reference);
    }
}

}  // namespace
}  // namespace lumora::symmetry
