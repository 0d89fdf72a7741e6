// Systematic absences of representative groups against reflection conditions
// derived by hand from the centring vectors, screw axes and glide planes.
#include <gtest/gtest.h>

#include <functional>

#include "engine/LaueEngine.h"
#include "symmetry/SpaceGroupTable.h"

using namespace lumora;

namespace {

bool even(int n) { return n % 2 == 0; }
bool multipleOf(int n, int m) { return n % m == 0; }

// Installs a table row and compares isExtinct with `present` over a box of indices.
void expectConditions(int row, const std::function<bool(int, int, int)>& present, int range = 8) {
    clLAUE laue;
    const auto entry = laue.SGTAB_getEntry(row);
    laue.SGTAB_getHallMatrices(entry[1]);
    int mismatches = 0;
    for (int h = -range; h <= range; ++h)
        for (int k = -range; k <= range; ++k)
            for (int l = -range; l <= range; ++l) {
                if (!h && !k && !l) continue;
                const bool absent =
                    laue.isExtinct(static_cast<int16_t>(h), static_cast<int16_t>(k), static_cast<int16_t>(l));
                if (absent == present(h, k, l) && ++mismatches <= 5)
                    ADD_FAILURE() << "row " << row << " (" << entry[2] << "): " << h << " " << k << " " << l
                                  << (absent ? " absent" : " present");
            }
    EXPECT_EQ(mismatches, 0);
}

int rowOf(const std::string& symbol, float gamma = 120) {
    std::string s = symbol;
    return lumora::symmetry::findHallEntry(s, gamma);
}

}  // namespace

TEST(Absences, BodyCentring) {
    expectConditions(rowOf("I M 3 M"), [](int h, int k, int l) { return even(h + k + l); });
}

TEST(Absences, FaceCentring) {
    expectConditions(rowOf("F M 3 M"), [](int h, int k, int l) { return even(h + k) && even(k + l); });
}

TEST(Absences, BaseCentringOnC) {
    expectConditions(8 /* C 1 2 1, " C 2y" */, [](int h, int k, int) { return even(h + k); });
}

TEST(Absences, TwoFoldScrewAlongB) {
    expectConditions(5 /* P 1 21 1 */, [](int h, int k, int l) { return !(h == 0 && l == 0) || even(k); });
}

TEST(Absences, GlidePlaneWithTranslationAlongC) {
    expectConditions(20 /* P 1 c 1 */, [](int, int k, int l) { return k != 0 || even(l); });
}

TEST(Absences, ScrewAxisAndGlideOfP21c) {
    // 0k0: k = 2n; h0l: l = 2n
    expectConditions(80, [](int h, int k, int l) {
        if (h == 0 && l == 0) return even(k);
        if (k == 0) return even(l);
        return true;
    });
    clLAUE laue;
    laue.SGTAB_find("P 21/C");
    EXPECT_FALSE(laue.isExtinct(1, 1, 1));
    EXPECT_TRUE(laue.isExtinct(0, 1, 0));
    EXPECT_TRUE(laue.isExtinct(1, 0, 1));
}

TEST(Absences, DiamondGlideOfFd3m) {
    // F centring, and for any zero index the other two sum to a multiple of 4
    // (0kl: k + l = 4n, which also gives h00: h = 4n).
    const auto present = [](int h, int k, int l) {
        if (!(even(h + k) && even(k + l))) return false;
        if (h == 0) return multipleOf(k + l, 4);
        if (k == 0) return multipleOf(h + l, 4);
        if (l == 0) return multipleOf(h + k, 4);
        return true;
    };
    expectConditions(rowOf("F D 3 M"), present);      // origin choice 1
    expectConditions(rowOf("F D 3 M") + 1, present);  // origin choice 2: same conditions
}

TEST(Absences, FourFoldScrew) {
    expectConditions(rowOf("P 41"), [](int h, int k, int l) { return h != 0 || k != 0 || multipleOf(l, 4); });
}

TEST(Absences, SixFoldScrew) {
    expectConditions(rowOf("P 63"), [](int h, int k, int l) { return h != 0 || k != 0 || even(l); });
}

TEST(Absences, RhombohedralCentringOnHexagonalAxes) {
    expectConditions(rowOf("R 3", 120), [](int h, int k, int l) { return multipleOf(-h + k + l, 3); });
    // On rhombohedral axes the lattice is primitive.
    expectConditions(rowOf("R 3", 90), [](int, int, int) { return true; });
}

TEST(Absences, PrimitiveGroupsWithoutTranslationsLoseNothing) {
    expectConditions(
        rowOf("P M 3 M"), [](int, int, int) { return true; }, 5);
    expectConditions(
        0, [](int, int, int) { return true; }, 5);
}
