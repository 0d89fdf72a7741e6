#include <gtest/gtest.h>

#include <string>

#include "structure/CifReader.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace lumora::structure {
namespace {

std::string extensionOf(int row) { return symmetry::spaceGroupTable()[row].extension; }
std::string hallOf(int row) { return symmetry::spaceGroupTable()[row].hall; }

std::string cell(const std::string& a, const std::string& b, const std::string& c, const std::string& alpha,
                 const std::string& beta, const std::string& gamma) {
    return "_cell_length_a " + a + "\n_cell_length_b " + b + "\n_cell_length_c " + c +
           "\n_cell_angle_alpha " + alpha + "\n_cell_angle_beta " + beta + "\n_cell_angle_gamma " + gamma +
           "\n";
}

const std::string kOneSite =
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\nX1 0.1 0.2 0.3\n";

// A block with a cubic cell, one site and the given space-group lines.
std::string block(const std::string& symmetry,
                  const std::string& cellLines = cell("5", "5", "5", "90", "90", "90")) {
    return "data_test\n" + cellLines + symmetry + kOneSite;
}

int rowOf(const std::string& text) { return parseCif(text, "t.cif").spaceGroupRow; }

Error cifError(const std::string& text) {
    try {
        parseCif(text, "bad.cif");
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "parsed: " << text;
    return Error(0, "");
}

TEST(CifReader, ReadsATypicalFile) {
    const std::string text = R"(# comment line
data_fayalite_like
_chemical_name_systematic
;
 Iron magnesium
 silicate
;
_chemical_formula_sum   'Fe1.6 Mg0.4 O4 Si'
_cell_length_a          10.4788(5)
_cell_length_b          6.0873(3)
_cell_length_c          4.8199(2)
_cell_angle_alpha       90
_cell_angle_beta        90.
_cell_angle_gamma       90.000(0)
_symmetry_space_group_name_H-M  'P n m a'
_symmetry_Int_Tables_number     62
loop_
_atom_site_label
_atom_site_type_symbol
_atom_site_fract_x
_atom_site_fract_y
_atom_site_fract_z
_atom_site_occupancy
_atom_site_U_iso_or_equiv
Fe1  Fe2+  0        0     0        0.8      0.008(1)
Mg1  Mg2+  0        0     0        0.2      0.008(1)
Fe2  Fe2+  0.28(1)  0.25  0.985(3) ?        0.007
Si1  Si4+  0.0975   0.25  0.4291   .        0.005
O1   O2-   0.0922   0.25  0.7684   1        0.007
'H 1' H    0.9      0.25  0.25     0.5      0.02
)";
    const StructureFile f = parseCif(text, "/data/fa.cif");
    EXPECT_EQ(f.title, "Iron magnesium silicate");
    EXPECT_EQ(f.formula, "Fe1.6 Mg0.4 O4 Si");
    EXPECT_FLOAT_EQ(f.cell[0], 10.4788f);
    EXPECT_FLOAT_EQ(f.cell[2], 4.8199f);
    EXPECT_FLOAT_EQ(f.cell[4], 90.0f);
    EXPECT_NEAR(f.cellVolume, 10.4788 * 6.0873 * 4.8199, 1e-2);
    EXPECT_EQ(f.spaceGroupNumber, 62);
    EXPECT_EQ(f.spaceGroupSymbol, "P n m a");
    EXPECT_EQ(f.sourcePath, "/data/fa.cif");
    EXPECT_EQ(f.text, text);
    EXPECT_TRUE(f.headerText.empty());
    ASSERT_EQ(f.atoms.size(), 6u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 26);
    EXPECT_EQ(f.atoms[0].element, "Fe2");
    EXPECT_FLOAT_EQ(f.atoms[0].occupancy, 0.8f);
    EXPECT_EQ(f.atoms[1].atomicNumber, 12);
    EXPECT_FLOAT_EQ(f.atoms[1].occupancy, 0.2f);
    // Uncertainties dropped, '?' and '.' occupancies are full sites.
    EXPECT_FLOAT_EQ(f.atoms[2].x, 0.28f);
    EXPECT_FLOAT_EQ(f.atoms[2].z, 0.985f);
    EXPECT_EQ(f.atoms[2].occupancy, 1.0f);
    EXPECT_EQ(f.atoms[3].atomicNumber, 14);
    EXPECT_EQ(f.atoms[3].occupancy, 1.0f);
    EXPECT_EQ(f.atoms[4].atomicNumber, 8);
    // Hydrogen is kept; a quoted label with a blank is one value.
    EXPECT_EQ(f.atoms[5].label, "H 1");
    EXPECT_EQ(f.atoms[5].atomicNumber, 1);
    EXPECT_FLOAT_EQ(f.atoms[5].occupancy, 0.5f);
}

TEST(CifReader, TitleFallsBackFromMineralToBlockName) {
    const std::string base = block("_symmetry_space_group_name_H-M 'P 1'\n");
    EXPECT_EQ(parseCif(base, "t.cif").title, "test");
    const std::string named =
        "data_q\n_chemical_name_common 'Rock crystal'\n_chemical_name_mineral Quartz\n" +
        cell("4.9", "4.9", "5.4", "90", "90", "120") + "_space_group_IT_number 154\n" + kOneSite;
    EXPECT_EQ(parseCif(named, "t.cif").title, "Quartz");
    const std::string unknownMineral =
        "data_q\n_chemical_name_mineral ?\n_chemical_name_common 'Rock crystal'\n" +
        cell("4.9", "4.9", "5.4", "90", "90", "120") + "_space_group_IT_number 154\n" + kOneSite;
    EXPECT_EQ(parseCif(unknownMineral, "t.cif").title, "Rock crystal");
}

TEST(CifReader, TypeSymbolFallsBackToTheLabelAndMissingAnglesAreRight) {
    const std::string text =
        "data_x\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n"
        "_space_group_IT_number 221\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
        "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_calc_flag\n"
        "Cs1 0 0 0 d\nCl1 0.5 0.5 0.5 d\nQ1 0.1 0.1 0.1 dum\n";
    const StructureFile f = parseCif(text, "t.cif");
    for (int i = 3; i < 6; ++i) EXPECT_EQ(f.cell[i], 90.0f);
    // The dummy site is not an atom.
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 55);
    EXPECT_EQ(f.atoms[1].atomicNumber, 17);
    EXPECT_EQ(f.atoms[1].element, "Cl1");
}

TEST(CifReader, SingleSiteWithoutLabelOrLoop) {
    const StructureFile f = parseCif("data_x\n" + cell("3.6", "3.6", "3.6", "90", "90", "90") +
                                         "_space_group_IT_number 225\n_atom_site_type_symbol Cu\n"
                                         "_atom_site_fract_x 0\n_atom_site_fract_y 0\n_atom_site_fract_z 0\n",
                                     "cu.cif");
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.atoms[0].label, "Cu");
    EXPECT_EQ(f.atoms[0].atomicNumber, 29);
}

TEST(CifReader, TheHallSymbolDecidesTheSetting) {
    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_Hall '-P 2yn'\n"))), "-P 2yn");
    // Double quote as CIF writes it, two single quotes in the table.
    const std::string hex = cell("4.76", "4.76", "12.99", "90", "90", "120");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_Hall '-R 3 2\"c'\n", hex))), "H");
    EXPECT_EQ(extensionOf(rowOf(block("_symmetry_space_group_name_Hall '-P 3* 2n'\n", hex))), "R");
    // The Hall symbol wins over a Hermann-Mauguin symbol that says otherwise.
    EXPECT_EQ(extensionOf(rowOf(block(
                  "_space_group_name_H-M_alt 'F d -3 m :2'\n_space_group_name_Hall ' F 4d 2 3 -1d'\n"))),
              "1");
    EXPECT_EQ(parseCif(block("_space_group_name_Hall '-P 2yn'\n"), "t.cif").hallSymbol, "-P 2yn");
}

TEST(CifReader, HermannMauguinSymbolsWithTheirSettings) {
    const std::string hex = cell("4.7589", "4.7589", "12.991", "90", "90", "120");
    const std::string rho = cell("5.128", "5.128", "5.128", "55.28", "55.28", "55.28");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'R -3 c :H'\n", hex))), "H");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'R -3 c :R'\n", rho))), "R");
    EXPECT_EQ(extensionOf(rowOf(block("_symmetry_space_group_name_H-M 'R -3 c H'\n", hex))), "H");
    // Without a setting the cell tells the axes.
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'R -3 c'\n", hex))), "H");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'R -3 c'\n", rho))), "R");

    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'F d -3 m :1'\n"))), "1");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_name_H-M_alt 'F d -3 m :2'\n"))), "2");
    EXPECT_EQ(extensionOf(rowOf(
                  block("_space_group_name_H-M_alt 'Fd-3m'\n_space_group_IT_coordinate_system_code 1\n"))),
              "1");
    EXPECT_EQ(extensionOf(rowOf(block("_symmetry_space_group_name_H-M 'F d 3 m'\n"))), "2");

    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_H-M_alt 'P 1 21/n 1'\n"))), "-P 2yn");
    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_H-M_alt 'P 21/n'\n"))), "-P 2yn");
    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_H-M_alt 'P 21/c'\n"))), "-P 2ybc");
    EXPECT_EQ(hallOf(rowOf(block("_symmetry_space_group_name_H-M P21/c\n"))), "-P 2ybc");
    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_H-M_alt 'p 32 2 1'\n", hex))), " P 32 2''");
}

TEST(CifReader, TheNumberAloneAndListedOperations) {
    const std::string hex = cell("4.7589", "4.7589", "12.991", "90", "90", "120");
    EXPECT_EQ(extensionOf(rowOf(block("_space_group_IT_number 227\n"))), "2");
    EXPECT_EQ(extensionOf(rowOf(block("_symmetry_Int_Tables_number 167\n", hex))), "H");
    EXPECT_EQ(hallOf(rowOf(block("_space_group_IT_number 14\n"))), "-P 2ybc");
    // A name that leaves the setting open is settled by the operations: here the
    // four operations of P 1 21/n 1 under the short name P 21/c.
    const std::string ops =
        "loop_\n_space_group_symop_operation_xyz\n'x, y, z'\n'-x+1/2, y+1/2, -z+1/2'\n'-x, -y, -z'\n"
        "'x+1/2, -y+1/2, z+1/2'\n";
    EXPECT_EQ(hallOf(rowOf(block("_space_group_name_H-M_alt 'P 21/c'\n" + ops))), "-P 2yn");
    // Operations alone identify the group.
    EXPECT_EQ(hallOf(rowOf(block(ops))), "-P 2yn");
    const std::string triclinic = "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\n-x,-y,-z\n";
    EXPECT_EQ(hallOf(rowOf(block(triclinic))), "-P 1");
}

TEST(CifReader, TheFirstBlockWithCellAndAtomsWins) {
    const std::string noAtoms = "data_global\n_journal_year 2001\n" + cell("9", "9", "9", "90", "90", "90") +
                                "_space_group_IT_number 1\n";
    const std::string first =
        "data_first\n" + cell("5", "5", "5", "90", "90", "90") + "_space_group_IT_number 225\n" + kOneSite;
    const std::string second =
        "data_second\n" + cell("6", "6", "6", "90", "90", "90") + "_space_group_IT_number 229\n" + kOneSite;
    const StructureFile f = parseCif(noAtoms + first + second, "t.cif");
    EXPECT_EQ(f.title, "first");
    EXPECT_FLOAT_EQ(f.cell[0], 5.0f);
    EXPECT_EQ(f.spaceGroupNumber, 225);
    EXPECT_EQ(parseCif(noAtoms + second, "t.cif").title, "second");
}

TEST(CifReader, RefusesFilesItCannotUse) {
    const std::string sg = "_space_group_IT_number 225\n";
    EXPECT_EQ(cifError("").number(), Error::InputPastEnd);
    EXPECT_EQ(cifError("data_x\n" + sg + kOneSite).description(), "The CIF file holds no unit cell");
    EXPECT_EQ(cifError("data_x\n" + cell("5", "5", "5", "90", "90", "90") + sg).description(),
              "The CIF file holds no atom sites");
    EXPECT_EQ(cifError("# nothing but a comment\n").description(), "The CIF file holds no unit cell");

    const Error syntax = cifError("data_x\nloop_\n_a\n_b\n1 2 3\n");
    EXPECT_EQ(syntax.number(), Error::TypeMismatch);
    EXPECT_EQ(syntax.description().rfind("The CIF file cannot be read: ", 0), 0u) << syntax.description();
    EXPECT_EQ(cifError("data_x\n_cell_length_a 5\n_cell_length_a 6\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError("data_x\n_cell_length_a\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError("data_x\n_cell_length_a 'unterminated\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError("data_x\n_title\n;\nnever closed\n").number(), Error::TypeMismatch);

    EXPECT_EQ(cifError(block("")).description(), "The CIF file names no space group");
    EXPECT_EQ(cifError(block("_space_group_name_H-M_alt 'Q 9 9'\n")).description(),
              "The CIF file names an unknown space group 'Q 9 9'");
    EXPECT_EQ(cifError(block("loop_\n_space_group_symop_operation_xyz\nx,y,z\n-x,y,z+1/3\n")).number(),
              Error::TypeMismatch);

    EXPECT_EQ(cifError(block(sg, cell("abc", "5", "5", "90", "90", "90"))).number(), Error::TypeMismatch);
    EXPECT_EQ(cifError(block(sg, cell("5", "?", "5", "90", "90", "90"))).number(), Error::TypeMismatch);
    EXPECT_EQ(cifError(block(sg, cell("-5", "5", "5", "90", "90", "90"))).number(), Error::InvalidCall);
    EXPECT_EQ(cifError(block(sg, cell("5", "5", "5", "90", "90", "190"))).number(), Error::InvalidCall);
    EXPECT_EQ(cifError(block(sg, cell("5", "5", "1e40", "90", "90", "90"))).number(), Error::Overflow);
    EXPECT_EQ(cifError(block(sg, cell("5", "5", "5e99999999999999999999", "90", "90", "90"))).number(),
              Error::Overflow);
    EXPECT_EQ(cifError(block(sg, cell("5", "5", "0.01e-99999999999999999999", "90", "90", "90"))).number(),
              Error::InvalidCall);

    const std::string head = "data_x\n" + cell("5", "5", "5", "90", "90", "90") + sg;
    const std::string loop =
        "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
    const Error missing = cifError(head + loop + "Na1 0 ? 0\n");
    EXPECT_EQ(missing.description(), "Atom site Na1 has no y coordinate");
    EXPECT_EQ(cifError(head + loop + "Na1 0 0 zero\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError(head + loop + "Na1 0 0 nan\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError(head + "loop_\n_atom_site_label\n_atom_site_fract_x\nNa1 0\n").number(),
              Error::TypeMismatch);
    EXPECT_EQ(cifError(head + loop + "_atom_site_occupancy\n").number(), Error::TypeMismatch);
    EXPECT_EQ(cifError(head +
                       "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
                       "_atom_site_occupancy\nNa1 0 0 0 -1\n")
                  .number(),
              Error::InvalidCall);
    EXPECT_EQ(cifError(head +
                       "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
                       "_atom_site_calc_flag\nQ1 0 0 0 dum\n")
                  .description(),
              "The CIF file holds no atom sites");
}

}  // namespace
}  // namespace lumora::structure
