// A structure file's own symmetry operations decide its absences and structure
// factors: each case is checked against the same cell written out in P 1, with
// every atom the operations make listed by hand.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "EngineFixtures.h"
#include "structure/CifReader.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

using Hkl = std::tuple<int, int, int>;

std::string cif(const std::string& cell, const std::string& symmetry, const std::string& sites) {
    return "data_t\n" + cell + symmetry +
           "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
           "_atom_site_fract_z\n" +
           sites;
}

std::string operations(std::initializer_list<const char*> ops) {
    std::string text = "loop_\n_space_group_symop_operation_xyz\n";
    for (const char* op : ops) text += std::string("'") + op + "'\n";
    return text;
}

std::string named(const std::string& symbol) { return "_space_group_name_H-M_alt '" + symbol + "'\n"; }

const std::string kQuartzCell =
    "_cell_length_a 4.9134\n_cell_length_b 4.9134\n_cell_length_c 5.4052\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 120\n";

// Loads a file and lists F by h k l.
std::map<Hkl, float> amplitudes(clLAUE& laue, const std::string& text) {
    laue.loadStructure(structure::parseCif(text, "t.cif"));
    laue.GenerateHKL();
    std::map<Hkl, float> f;
    for (int32_t i = 0; i < laue.n_hkl; ++i) f[{laue.getH(i), laue.getK(i), laue.getL(i)}] = laue.getF(i);
    return f;
}

void expectSameAmplitudes(const std::map<Hkl, float>& got, const std::map<Hkl, float>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    int mismatches = 0;
    for (const auto& [hkl, f] : expected) {
        const auto it = got.find(hkl);
        const auto [h, k, l] = hkl;
        if (it == got.end() || std::fabs(it->second - f) > 1e-3f * std::max(1.0f, f))
            if (++mismatches <= 5)
                ADD_FAILURE() << h << " " << k << " " << l << ": " << (it == got.end() ? -1 : it->second)
                              << " instead of " << f;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(FileSymmetry, OriginShiftedOperationsAreUsedAsListed) {
    // Quartz in P 31 2 1 with the origin moved by c/6: no setting of the table
    // has these operations.
    const std::string shifted =
        cif(kQuartzCell,
            named("P 31 2 1") + operations({"x,y,z", "-y,x-y,z+1/3", "-x+y,-x,z+2/3", "y,x,-z+2/3",
                                            "x-y,-y,-z+1/3", "-x,-x+y,-z"}),
            "Si1 Si 0.4697 0 0.166667\nO1 O 0.4135 0.2669 0.952433\n");
    const std::string p1 =
        cif(kQuartzCell, named("P 1"),
            "Si1 Si 0.4697 0 0.166667\nSi2 Si 0 0.4697 0.5\nSi3 Si 0.5303 0.5303 0.833333\n"
            "O1 O 0.4135 0.2669 0.952433\nO2 O 0.7331 0.1466 0.285767\n"
            "O3 O 0.8534 0.5865 0.6191\nO4 O 0.2669 0.4135 0.714233\n"
            "O5 O 0.1466 0.7331 0.3809\nO6 O 0.5865 0.8534 0.047567\n");
    // The same crystal at the table's origin, by name alone.
    const std::string standard =
        cif(kQuartzCell, named("P 31 2 1"), "Si1 Si 0.4697 0 0.333333\nO1 O 0.4135 0.2669 0.1191\n");

    clLAUE reference;
    const auto expected = amplitudes(reference, p1);
    clLAUE laue;
    const auto got = amplitudes(laue, shifted);
    expectSameAmplitudes(got, expected);
    expectSameAmplitudes(amplitudes(reference, standard), expected);
    ASSERT_TRUE(expected.count({0, -2, 1}));

    EXPECT_EQ(laue.symmetryState().ops.size(), 6u);
    EXPECT_EQ(laue.symmetryState().hmSymbol, "P 31 2 1");
    EXPECT_EQ(laue.m_spg, 152);
    EXPECT_NE(laue.symmetryNote().find("P 31 2 1"), std::string::npos) << laue.symmetryNote();
    EXPECT_EQ(reference.symmetryNote(), "");
    // A cell typed afterwards does not turn the file's operations into a table setting.
    laue.GenerateHKL();
    EXPECT_EQ(laue.symmetryState().ops[3].matrix[2][3], 2.0f / 3);
}

TEST(FileSymmetry, ReverseRhombohedralSettingTakesItsOwnAbsences) {
    // R -3 m on hexagonal axes in the reverse setting: centring (1/3 2/3 1/3),
    // so h - k + l = 3n instead of -h + k + l = 3n.
    const std::string hexagonalCell =
        "_cell_length_a 3.7598\n_cell_length_b 3.7598\n_cell_length_c 10.5475\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 120\n";
    std::string ops = "loop_\n_symmetry_equiv_pos_as_xyz\n";
    const char* point[] = {"x,y,z",    "-y,x-y,z",  "-x+y,-x,z", "y,x,-z",  "x-y,-y,-z", "-x,-x+y,-z",
                           "-x,-y,-z", "y,-x+y,-z", "x-y,x,-z",  "-y,-x,z", "-x+y,y,z",  "x,x-y,z"};
    for (const char* p : point)
        for (const char* c : {"", "+1/3,+2/3,+1/3", "+2/3,+1/3,+2/3"}) {
            if (!*c) {
                ops += std::string(p) + "\n";
                continue;
            }
            // Append each centring component to its coordinate.
            std::string op = p, centring = c, out;
            std::size_t from = 0, cFrom = 0;
            for (int i = 0; i < 3; ++i) {
                const auto end = op.find(',', from), cEnd = centring.find(',', cFrom);
                out +=
                    op.substr(from, end - from) + centring.substr(cFrom, cEnd - cFrom) + (i < 2 ? "," : "");
                from = end + 1;
                cFrom = cEnd + 1;
            }
            ops += "'" + out + "'\n";
        }
    const std::string reverse = cif(hexagonalCell, named("R -3 m") + ops, "As1 As 0 0 0.227\n");
    const std::string p1 = cif(hexagonalCell, named("P 1"),
                               "As1 As 0 0 0.227\nAs2 As 0.333333 0.666667 0.560333\n"
                               "As3 As 0.666667 0.333333 0.893667\nAs4 As 0 0 0.773\n"
                               "As5 As 0.333333 0.666667 0.106333\nAs6 As 0.666667 0.333333 0.439667\n");
    clLAUE reference, laue;
    const auto expected = amplitudes(reference, p1);
    const auto got = amplitudes(laue, reverse);
    expectSameAmplitudes(got, expected);
    EXPECT_EQ(got.count({1, 0, 1}), 0u);  // -h+k+l = 0 but h-k+l = 2
    EXPECT_EQ(got.count({0, 1, 1}), 1u);
    for (const auto& [hkl, f] : got) {
        const auto [h, k, l] = hkl;
        EXPECT_EQ((h - k + l) % 3, 0) << h << " " << k << " " << l;
    }
    EXPECT_EQ(laue.m_spg, 166);
    EXPECT_EQ(laue.symmetryState().ops.size(), 36u);
}

TEST(FileSymmetry, CentredSettingsOutsideTheTableAreUsedAndNonGroupsRefused) {
    const std::string cell =
        "_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
    // C 1: P 1 with a C-centred cell.
    const std::string c1 =
        cif(cell, named("C 1") + operations({"x,y,z", "x+1/2,y+1/2,z"}), "Fe1 Fe 0.1 0.2 0.3\n");
    const std::string p1 = cif(cell, named("P 1"), "Fe1 Fe 0.1 0.2 0.3\nFe2 Fe 0.6 0.7 0.3\n");
    clLAUE reference, laue;
    const auto expected = amplitudes(reference, p1);
    const auto got = amplitudes(laue, c1);
    expectSameAmplitudes(got, expected);
    EXPECT_EQ(got.count({1, 0, 0}), 0u);
    EXPECT_EQ(laue.m_spg, 1);
    EXPECT_EQ(laue.symmetryState().hmSymbol, "C 1");
    EXPECT_EQ(laue.symmetryState().centringCount, 1);
    EXPECT_NE(laue.symmetryNote().find("C 1"), std::string::npos);

    // A -1 keeps its inversion.
    amplitudes(
        laue,
        cif(cell, named("A -1") + operations({"x,y,z", "-x,-y,-z", "x,y+1/2,z+1/2", "-x,-y+1/2,-z+1/2"}),
            "Fe1 Fe 0.1 0.2 0.3\n"));
    EXPECT_TRUE(laue.symmetryState().centrosymmetric);
    EXPECT_EQ(laue.m_spg, 2);

    // Operations that do not close are refused, and the crystal before stays.
    const auto before = laue.symmetryState().ops.size();
    try {
        laue.loadStructure(structure::parseCif(
            cif(cell, named("P 21") + operations({"x,y,z", "-x,y+1/3,-z"}), "Fe1 Fe 0.1 0.2 0.3\n"),
            "t.cif"));
        ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
        EXPECT_EQ(e.description(), "The symmetry operations of the CIF file do not form a group");
    }
    EXPECT_EQ(laue.symmetryState().ops.size(), before);
}

TEST(FileSymmetry, OperationsOfAnotherGroupWinOverTheName) {
    const std::string cell =
        "_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 100\n_cell_angle_gamma 90\n";
    clLAUE laue;
    amplitudes(laue, cif(cell, named("P 21/c") + operations({"x,y,z", "-x,-y,-z"}), "Fe1 Fe 0.1 0.2 0.3\n"));
    EXPECT_EQ(laue.m_spg, 2);
    EXPECT_EQ(laue.currentRow(), 1);
    EXPECT_EQ(laue.symmetryNote(),
              "The CIF file names the space group P 21/c but lists the symmetry operations of P -1; its "
              "operations are used");
}
