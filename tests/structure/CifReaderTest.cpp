#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "StructureTestSupport.h"
#include "structure/CifReader.h"
#include "structure/CifSymmetry.h"
#include "util/NumberText.h"

namespace lumora::structure {
namespace {

using namespace structuretest;
using Pair = std::pair<std::string, std::string>;

std::string cell(const std::string& a, const std::string& c = "5", const std::string& gamma = "90",
                 const std::string& alpha = "90") {
    return "_cell_length_a " + a + "\n_cell_length_b " + a + "\n_cell_length_c " + c +
           "\n_cell_angle_alpha " + alpha + "\n_cell_angle_beta " + alpha + "\n_cell_angle_gamma " + gamma +
           "\n";
}
const std::string kCubic = cell("5");
const std::string kHexagonal = cell("4.7589", "12.991", "120");
const std::string kRhombohedral = cell("5.128", "5.128", "55.28", "55.28");
const std::string kLoop =
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
const std::string kOneSite = kLoop + "Si1 0.1 0.2 0.3\n";

// A block with a cell, one site and the given space-group lines.
std::string block(const std::string& symmetry, const std::string& cellLines = kCubic) {
    return "data_test\n" + cellLines + symmetry + kOneSite;
}
const symmetry::SpaceGroupRow& rowFor(const std::string& symmetry, const std::string& cellLines = kCubic) {
    return symmetry::spaceGroupTable()[parseCif(block(symmetry, cellLines), "t.cif").spaceGroupRow];
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
'H 1' H    0.9      0.25  0.25     0.5      0.02
)";
    const StructureFile f = parseCif(text, "/data/fa.cif");
    EXPECT_EQ(f.title, "Iron magnesium silicate");
    EXPECT_EQ(f.formula, "Fe1.6 Mg0.4 O4 Si");
    EXPECT_EQ(f.cell, (CellConstants{10.4788f, 6.0873f, 4.8199f, 90, 90, 90}));
    EXPECT_EQ(f.spaceGroupNumber, 62);
    EXPECT_EQ(f.text, text);
    ASSERT_EQ(f.atoms.size(), 5u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 26);
    EXPECT_EQ(f.atoms[0].element, "Fe2");
    EXPECT_FLOAT_EQ(f.atoms[0].occupancy, 0.8f);
    // Uncertainties dropped, '?' and '.' occupancies are full sites.
    EXPECT_FLOAT_EQ(f.atoms[2].x, 0.28f);
    EXPECT_EQ(f.atoms[2].occupancy, 1.0f);
    EXPECT_EQ(f.atoms[3].atomicNumber, 14);
    EXPECT_EQ(f.atoms[3].occupancy, 1.0f);
    // Hydrogen is kept; a quoted label with a blank is one value.
    EXPECT_EQ(f.atoms[4].label, "H 1");
    EXPECT_EQ(f.atoms[4].atomicNumber, 1);
}

TEST(CifReader, TitlesLabelsAndMissingAngles) {
    EXPECT_EQ(parseCif(block("_space_group_IT_number 1\n"), "t.cif").title, "test");
    const std::string names = "_chemical_name_common 'Rock crystal'\n_space_group_IT_number 154\n";
    EXPECT_EQ(parseCif(block("_chemical_name_mineral Quartz\n" + names, kHexagonal), "t.cif").title,
              "Quartz");
    EXPECT_EQ(parseCif(block("_chemical_name_mineral ?\n" + names, kHexagonal), "t.cif").title,
              "Rock crystal");
    // Without a type symbol the label names the element; dummy sites are no atoms; angles default to 90.
    const StructureFile f = parseCif(
        "data_x\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n_space_group_IT_number 221\n" + kLoop +
            "_atom_site_calc_flag\nCs1 0 0 0 d\nCl1 0.5 0.5 0.5 d\nQ1 0.1 0.1 0.1 dum\n",
        "t.cif");
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.cell[4], 90.0f);
    EXPECT_EQ(f.atoms[0].atomicNumber, 55);
    EXPECT_EQ(f.atoms[1].atomicNumber, 17);
    // A single site without a loop, named by its type symbol only.
    const StructureFile cu =
        parseCif("data_x\n" + cell("3.6", "3.6") +
                     "_space_group_IT_number 225\n_atom_site_type_symbol Cu\n"
                     "_atom_site_fract_x 0\n_atom_site_fract_y 0\n_atom_site_fract_z 0\n",
                 "cu.cif");
    ASSERT_EQ(cu.atoms.size(), 1u);
    EXPECT_EQ(cu.atoms[0].atomicNumber, 29);
}

TEST(CifReader, SettingsByHallSymbolNameNumberOrOperations) {
    // The four operations of P 1 21/n 1.
    const std::string ops =
        "loop_\n_space_group_symop_operation_xyz\n'x, y, z'\n'-x+1/2, y+1/2, -z+1/2'\n'-x, -y, -z'\n"
        "'x+1/2, -y+1/2, z+1/2'\n";
    const std::tuple<std::string, std::string, const char*, const char*> cases[] = {
        // The Hall symbol decides, over a name that says otherwise; '"' is the double prime.
        {"_space_group_name_Hall '-P 2yn'\n", kCubic, "-P 2yn", ""},
        {"_space_group_name_Hall '-R 3 2\"c'\n", kHexagonal, "", "H"},
        {"_symmetry_space_group_name_Hall '-P 3* 2n'\n", kRhombohedral, "", "R"},
        {"_space_group_name_H-M_alt 'F d -3 m :2'\n_space_group_name_Hall ' F 4d 2 3 -1d'\n", kCubic, "",
         "1"},
        // Hermann-Mauguin symbols with ":H", ":R", a trailing letter or an origin choice;
        // without a setting the cell tells the axes and the second origin is taken.
        {"_space_group_name_H-M_alt 'R -3 c :H'\n", kHexagonal, "", "H"},
        {"_space_group_name_H-M_alt 'R -3 c :R'\n", kRhombohedral, "", "R"},
        {"_space_group_name_H-M_alt 'R -3 c'\n", kRhombohedral, "", "R"},
        {"_space_group_name_H-M_alt 'F d -3 m :1'\n", kCubic, "", "1"},
        {"_space_group_name_H-M_alt 'Fd-3m'\n_space_group_IT_coordinate_system_code 1\n", kCubic, "", "1"},
        {"_symmetry_space_group_name_H-M 'F d 3 m'\n", kCubic, "", "2"},
        {"_symmetry_space_group_name_H-M P21/c\n", kCubic, "-P 2ybc", ""},
        {"_space_group_name_H-M_alt 'p 32 2 1'\n", kHexagonal, " P 32 2''", ""},
        // The number alone.
        {"_space_group_IT_number 227\n", kCubic, "", "2"},
        {"_symmetry_Int_Tables_number 167\n", kHexagonal, "", "H"},
        {"_space_group_IT_number 14\n", kCubic, "-P 2ybc", ""},
        // Operations settle a name that leaves the setting open, or name the group alone.
        {"_space_group_name_H-M_alt 'P 21/c'\n" + ops, kCubic, "-P 2yn", ""},
        {ops, kCubic, "-P 2yn", ""},
        {"loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\n-x,-y,-z\n", kCubic, "-P 1", ""}};
    for (const auto& [symmetry, cellLines, hall, extension] : cases) {
        const auto& row = rowFor(symmetry, cellLines);
        if (*hall) {
            EXPECT_STREQ(row.hall, hall) << symmetry;
        }
        if (*extension) {
            EXPECT_STREQ(row.extension, extension) << symmetry;
        }
    }
    EXPECT_EQ(parseCif(block("_space_group_name_Hall '-P 2yn'\n"), "t.cif").hallSymbol, "-P 2yn");
}

TEST(CifReader, TheFirstBlockWithCellAndAtomsWins) {
    const std::string noAtoms =
        "data_global\n_journal_year 2001\n" + cell("9") + "_space_group_IT_number 1\n";
    const std::string first = "data_first\n" + cell("5") + "_space_group_IT_number 225\n" + kOneSite;
    const std::string second = "data_second\n" + cell("6", "6") + "_space_group_IT_number 229\n" + kOneSite;
    const StructureFile f = parseCif(noAtoms + first + second, "t.cif");
    EXPECT_EQ(f.title, "first");
    EXPECT_EQ(f.spaceGroupNumber, 225);
    EXPECT_EQ(parseCif(noAtoms + second, "t.cif").title, "second");
}

TEST(CifReader, RefusesFilesItCannotUse) {
    const std::string sg = "_space_group_IT_number 225\n", head = "data_x\n" + kCubic + sg;
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", Error::InputPastEnd, ""},
        {"# nothing but a comment\n", Error::TypeMismatch, "The CIF file holds no unit cell"},
        {head, Error::TypeMismatch, "The CIF file holds no atom sites"},
        {head + kLoop + "_atom_site_calc_flag\nQ1 0 0 0 dum\n", Error::TypeMismatch, "holds no atom sites"},
        {"data_x\nloop_\n_a\n_b\n1 2 3\n", Error::TypeMismatch, "The CIF file cannot be read: "},
        {"data_x\n_cell_length_a 'unterminated\n", Error::TypeMismatch, ""},
        {"\x01\x02\x03\x04garbage\x05\x06\x07\x08", Error::TypeMismatch, ""},
        {block(""), Error::TypeMismatch, "The CIF file names no space group"},
        {block("_space_group_name_H-M_alt 'Q 9 9'\n"), Error::TypeMismatch, "an unknown space group 'Q 9 9'"},
        {block("loop_\n_space_group_symop_operation_xyz\nx,y,z\n-x,y,z+1/3\n"), Error::TypeMismatch, ""},
        {block(sg, cell("abc")), Error::TypeMismatch, ""},
        {block(sg, cell("-5")), Error::InvalidCall, ""},
        {block(sg, cell("5", "1e40")), Error::Overflow, ""},
        {block(sg, cell("5", "5e99999999999999999999")), Error::Overflow, ""},
        {block(sg, cell("5", "0.01e-99999999999999999999")), Error::InvalidCall, ""},
        {head + kLoop + "Na1 0 ? 0\n", Error::TypeMismatch, "Atom site Na1 has no y coordinate"},
        {head + kLoop + "Na1 0 0 nan\n", Error::TypeMismatch, ""},
        {head + kLoop + "_atom_site_occupancy\nNa1 0 0 0 -1\n", Error::InvalidCall, ""}};
    for (const auto& [text, number, says] : cases) {
        const Error e = errorOf([&] { parseCif(text, "bad.cif"); });
        EXPECT_EQ(e.number(), number) << text;
        EXPECT_NE(e.description().find(says), std::string::npos) << e.description();
    }
}

int numberOf(int row) { return static_cast<int>(util::val(symmetry::spaceGroupTable()[row].number)); }

TEST(ParseOperation, CommonWritingsAndRefusals) {
    const auto screw = parseOperation(" -x+1/2 , Y+0.5, 1/2-z");
    ASSERT_TRUE(screw);
    EXPECT_EQ(screw->rotation, (std::array<int, 9>{-1, 0, 0, 0, 1, 0, 0, 0, -1}));
    EXPECT_EQ(screw->translation, (std::array<double, 3>{0.5, 0.5, 0.5}));
    EXPECT_EQ(parseOperation("x-y,x,z+5/6")->rotation, (std::array<int, 9>{1, -1, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(parseOperation("-x-1/4,y+3/2,z-1")->translation,
              (std::array<double, 3>{0.75, 0.5, 0}));  // in [0, 1)
    for (const char* text : {"", "x,y", "x,y,z,w", "x,,z", "a,b,c", "x,y,z+1/0", "x,y,z+", "0.5x,y,z",
                             "x,y,1/2", "x,y,z+1e999", "x,x,z"})
        EXPECT_FALSE(parseOperation(text)) << text;
}

TEST(SymbolLookUp, HallSymbolsSettingsAndNames) {
    const auto& table = symmetry::spaceGroupTable();
    for (int row = 0; row < symmetry::kSpaceGroupRows; ++row)
        EXPECT_STREQ(table[std::max(0, rowOfHall(table[row].hall))].hall, table[row].hall) << row;
    EXPECT_EQ(numberOf(rowOfHall("  -p   2YBC ")), 14);
    EXPECT_EQ(rowOfHall("-R 3 2\"c"), rowOfHall("-R 3 2''c"));
    for (const char* notASymbol : {"2yb", "", "-P 2yb (x,y,-x+z)"}) EXPECT_EQ(rowOfHall(notASymbol), -1);
    EXPECT_EQ(splitSetting("R 3 R"), (Pair{"R 3", "R"}));
    EXPECT_EQ(splitSetting(" P 1 21/n 1 "), (Pair{"P 1 21/n 1", ""}));
    EXPECT_EQ(numberOf(rowsOfSymbol("F m 3 m").at(0)), 225);  // the old cubic name
    // P 21/n names the n-glide settings on all three axes, b first.
    const auto n = rowsOfSymbol("P 21/n");
    ASSERT_EQ(n.size(), 3u);
    EXPECT_STREQ(table[n.front()].hall, "-P 2yn");
    EXPECT_TRUE(rowsOfSymbol("P 4 2 m").empty());
}

TEST(ResolveSpaceGroup, OperationsFindTheirRowAndNamesServeUnknownHallSymbols) {
    // Listing a row's operations, with or without its number, names that row.
    const auto& table = symmetry::spaceGroupTable();
    for (int row : {1, 81, 107, 228, 433, 459, 525}) {
        CifSpaceGroup byOps, both;
        for (const auto& op : symmetry::interpretHall(table[row].hall).ops)
            byOps.operations.push_back(symmetry::tripletText(op.matrix));
        both = byOps;
        both.number = numberOf(row);
        const CellConstants cell = table[row].extension == std::string("R")
                                       ? CellConstants{5, 5, 5, 60, 60, 60}
                                       : CellConstants{5, 5, 7, 90, 90, 120};
        EXPECT_EQ(resolveSpaceGroup(byOps, cell).row, row) << table[row].hall;
        EXPECT_EQ(resolveSpaceGroup(both, cell).row, row) << table[row].hall;
    }
    // An unknown Hall symbol leaves a known name to serve.
    EXPECT_EQ(
        numberOf(resolveSpaceGroup({"-P 2yb (z,x,y)", "P m m m", "", 0, {}}, {5, 5, 5, 90, 90, 90}).row), 47);
}

// Water written as Wat1 was once tungsten, Kk potassium, X and the
// residual-density rows hydrogen.
TEST(CifReader, TypeSymbolsFirstAndSitesOfUnknownElementLeftOutWithANote) {
    const std::string loop =
        "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
        "_atom_site_fract_z\n_atom_site_calc_flag\n";
    const StructureFile f =
        parseCif("data_x\n" + kCubic + "_space_group_IT_number 1\n" + loop +
                     "Wat1 ? 0.1 0 0 .\nO1 O2- 0.2 0 0 .\nCa1 . 0.3 0 0 .\nX9 Fe+3 0.4 0 0 .\n"
                     "Wat2 ? 0.5 0 0 .\nD1 ? 0.6 0 0 .\nWat3 ? 0.7 0 0 .\nQ1 ? 0.8 0 0 .\nmax ? 0.9 0 0 .\n"
                     "min ? 0.1 0.1 0 .\nC1 C 0.2 0.2 0 dum\nKk ? 0.3 0.3 0 .\n",
                 "w.cif");
    std::vector<int> numbers;
    for (const Atom& a : f.atoms) numbers.push_back(a.atomicNumber);
    EXPECT_EQ(numbers, (std::vector<int>{8, 20, 26, 1}));
    EXPECT_EQ(
        f.notes,
        (std::vector<std::string>{"4 sites without a known element were left out: Wat1, Wat2, Wat3, Kk"}));
    const StructureFile water = parseCif("data_x\n" + kCubic + "_space_group_IT_number 1\n" + kLoop +
                                             "O1 0 0 0\nWat1 0.1 0 0\nWat2 0.2 0 0\nWat3 0.3 0 0\n",
                                         "w.cif");
    EXPECT_EQ(water.notes,
              (std::vector<std::string>{"3 sites without a known element were left out: Wat1, Wat2, Wat3"}));
}

TEST(CifReader, AByteOrderMarkIsPassedOver) {
    const StructureFile f = parseCif("\xEF\xBB\xBF" + block("_space_group_IT_number 1\n"), "bom.cif");
    EXPECT_EQ(f.title, "test");
    EXPECT_EQ(f.atoms.size(), 1u);
}

// Hundreds of thousands of blocks once kept the parser busy for minutes.
TEST(CifReader, RefusesFilesWithTooManyBlocks) {
    std::string text = block("_space_group_IT_number 1\n");
    for (int i = 0; i < 10000; ++i) text += "data_b" + std::to_string(i) + "\n_x 1\n";
    const Error e = errorOf([&] { parseCif(text, "many.cif"); });
    EXPECT_EQ(e.number(), Error::TypeMismatch);
    EXPECT_EQ(e.description(), "The CIF file holds 10001 data blocks; at most 10000 are read");
    text.resize(text.rfind("data_b9999"));
    EXPECT_EQ(parseCif(text, "many.cif").title, "test");
}
}  // namespace
}  // namespace lumora::structure
