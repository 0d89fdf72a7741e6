#include <gtest/gtest.h>

#include <string>

#include "structure/CsfReader.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace lumora::structure {
namespace {

// An ATOM: line with its fields in their columns: label 7-10, element 12-15,
// occupancy 21-25, x 29-36, y 37-44, z 45-52.
std::string atomLine(const std::string& label, const std::string& element, const std::string& occupancy,
                     const std::string& x, const std::string& y, const std::string& z) {
    std::string line(52, ' ');
    const auto put = [&](const std::string& text, std::size_t first, std::size_t width) {
        line.replace(first - 1, std::min(text.size(), width), text.substr(0, width));
    };
    put("ATOM:", 1, 5);
    put(label, 7, 4);
    put(element, 12, 4);
    put(occupancy, 21, 5);
    put(x, 29, 8);
    put(y, 37, 8);
    put(z, 45, 8);
    return line;
}

const std::string kHematite =
    "JADE: written by hand\n"
    "NAME: Hematite\n"
    "FORM: Fe2O3\n"
    "DATE: 2024-01-01\n"
    "FILE: hematite.csf\n"
    "NOTE: corundum type\n"
    "\n"
    "SGRP: R -3 c (167)\n"
    "CELL: 5.0356(2)x5.0356(2)x13.7489(7) <90.0x90.0x120.0>\n" +
    atomLine("Fe1", "Fe3+", "1.0", "0", "0", "0.35530") + "\n" +
    atomLine("O1", "O2-", "0.98", "0.3059", "0", "1/4") + "\n";

Error csfError(const std::string& text) {
    try {
        parseCsf(text, "bad.csf");
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "parsed: " << text;
    return Error(0, "");
}

TEST(CsfReader, ReadsTheTaggedLines) {
    const StructureFile f = parseCsf(kHematite, "/x/hematite.csf");
    EXPECT_EQ(f.title, "Hematite");
    EXPECT_EQ(f.formula, "Fe2O3");
    EXPECT_EQ(f.spaceGroupSymbol, "R -3 c");
    EXPECT_EQ(f.spaceGroupNumber, 167);
    EXPECT_FLOAT_EQ(f.cell[0], 5.0356f);
    EXPECT_FLOAT_EQ(f.cell[1], 5.0356f);
    EXPECT_FLOAT_EQ(f.cell[2], 13.7489f);
    EXPECT_FLOAT_EQ(f.cell[3], 90.0f);
    EXPECT_FLOAT_EQ(f.cell[5], 120.0f);
    ASSERT_TRUE(f.recordedGamma.has_value());
    EXPECT_FLOAT_EQ(*f.recordedGamma, 120.0f);
    // Gamma 120: hexagonal axes.
    EXPECT_STREQ(symmetry::spaceGroupTable()[f.spaceGroupRow].extension, "H");
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.atoms[0].label, "Fe1");
    EXPECT_EQ(f.atoms[0].element, "Fe3");
    EXPECT_EQ(f.atoms[0].atomicNumber, 26);
    EXPECT_FLOAT_EQ(f.atoms[0].z, 0.3553f);
    EXPECT_EQ(f.atoms[1].element, "O2");
    EXPECT_EQ(f.atoms[1].atomicNumber, 8);
    EXPECT_FLOAT_EQ(f.atoms[1].occupancy, 0.98f);
    EXPECT_FLOAT_EQ(f.atoms[1].z, 0.25f);
    EXPECT_EQ(f.text, kHematite);
}

TEST(CsfReader, HeaderTextKeepsAllButAtomSpaceGroupDateAndProgramLines) {
    const StructureFile f = parseCsf(kHematite, "h.csf");
    EXPECT_EQ(f.headerText,
              "NAME: Hematite\r\nFORM: Fe2O3\r\nFILE: hematite.csf\r\nNOTE: corundum type\r\n"
              "CELL: 5.0356(2)x5.0356(2)x13.7489(7) <90.0x90.0x120.0>\r\n");
    // Any line whose first five characters occur in "JADE:DATE:SGRP:ATOM:" is left
    // out, short ones included.
    const StructureFile g = parseCsf("AT\nE:DAT something\n" + kHematite, "h.csf");
    EXPECT_EQ(g.headerText, f.headerText);
}

TEST(CsfReader, CellLinesWithAndWithoutUncertainties) {
    const std::string rest = "SGRP: F d -3 m (227)\n" + atomLine("Si1", "Si", "1", "0", "0", "0") + "\n";
    const StructureFile a =
        parseCsf("CELL: 5.4310(2)x5.4310(2)x5.4310(2) <90.0x90.0x90.0>\n" + rest, "a.csf");
    const StructureFile b = parseCsf("CELL: 5.431 5.431 5.431 90 90 90\n" + rest, "b.csf");
    for (const StructureFile* f : {&a, &b}) {
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(f->cell[i], 5.431f);
        for (int i = 3; i < 6; ++i) EXPECT_FLOAT_EQ(f->cell[i], 90.0f);
    }
    // Uncertainties on the angles too, and a monoclinic cell.
    const StructureFile m = parseCsf("CELL: 5.1(1)x6.2(3)x7.3 <90x101.5(2)x90>\nSGRP: P 21/c (14)\n" +
                                         atomLine("O1", "O", "", "0.1", "0.2", "0.3"),
                                     "m.csf");
    EXPECT_FLOAT_EQ(m.cell[1], 6.2f);
    EXPECT_FLOAT_EQ(m.cell[2], 7.3f);
    EXPECT_FLOAT_EQ(m.cell[4], 101.5f);
    // A blank occupancy column means a full site.
    EXPECT_EQ(m.atoms[0].occupancy, 1.0f);
    EXPECT_STREQ(symmetry::spaceGroupTable()[m.spaceGroupRow].extension, "b1");
}

TEST(CsfReader, SpaceGroupLineWithAndWithoutClosingParenthesis) {
    const std::string rest = "CELL: 5 5 5 90 90 90\n" + atomLine("O1", "O", "1", "0", "0", "0") + "\n";
    const StructureFile closed = parseCsf("SGRP: F d -3 m (227)\n" + rest, "c.csf");
    EXPECT_EQ(closed.spaceGroupSymbol, "F d -3 m");
    EXPECT_EQ(closed.spaceGroupNumber, 227);
    const StructureFile open = parseCsf("SGRP: P 1 (1\n" + rest, "o.csf");
    EXPECT_EQ(open.spaceGroupSymbol, "P 1");
    EXPECT_EQ(open.spaceGroupNumber, 1);
    EXPECT_EQ(open.spaceGroupRow, 0);
}

TEST(CsfReader, TagsAreExactAndCaseSensitive) {
    const StructureFile f =
        parseCsf("name: lower case\n NAME: indented\nCELL: 5 5 5 90 90 90\nSGRP: P 1 (1)\natom: " +
                     atomLine("O1", "O", "1", "0", "0", "0") + "\n" +
                     atomLine("O2", "O", "1", "0.5", "0.5", "0.5") + "\n",
                 "/p/case.csf");
    EXPECT_EQ(f.title, "");
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.atoms[0].label, "O2");
}

TEST(CsfReader, TheShippedQuartzLineLayout) {
    const StructureFile f = parseCsf(
        "NAME: Quartz\r\nSGRP: P 32 2 1 (154)\r\nCELL: 4.9134x4.9134x5.4052 <90.0x90.0x120.0>\r\n"
        "ATOM: Si1  Si4+     1.000   0.4697  0       2/3\r\n"
        "ATOM: O1   O2-      1.000   0.4133  0.2672  0.7855\r\n",
        "quartz.csf");
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 14);
    EXPECT_FLOAT_EQ(f.atoms[0].x, 0.4697f);
    EXPECT_FLOAT_EQ(f.atoms[0].z, 2.0f / 3);
    EXPECT_FLOAT_EQ(f.atoms[1].y, 0.2672f);
    EXPECT_FLOAT_EQ(f.atoms[1].z, 0.7855f);
}

TEST(CsfReader, RefusesFilesItCannotRead) {
    const std::string cell = "CELL: 5 5 5 90 90 90\n";
    const std::string group = "SGRP: P 1 (1)\n";
    const std::string atom = atomLine("O1", "O", "1", "0", "0", "0") + "\n";
    EXPECT_EQ(csfError("").number(), Error::InputPastEnd);
    EXPECT_EQ(csfError(group + atom).description(), "The file holds no unit cell");
    EXPECT_EQ(csfError(cell + atom).description(), "The file names no space group");
    EXPECT_EQ(csfError(cell + group).description(), "The file holds no atoms");

    const Error shortCell = csfError("CELL: 5 5 5\n" + group + atom);
    EXPECT_EQ(shortCell.number(), Error::TypeMismatch);
    EXPECT_NE(shortCell.description().find("fewer than six numbers"), std::string::npos);
    // Uncertainties do not count as numbers.
    EXPECT_EQ(csfError("CELL: 5(1)x5(1)x5(1) <90(1)x90(1)>\n" + group + atom).number(), Error::TypeMismatch);
    EXPECT_EQ(csfError("CELL: 5 5 5 90 90 0\n" + group + atom).number(), Error::InvalidCall);
    EXPECT_EQ(csfError("CELL: 5 5 five 90 90 90\n" + group + atom).number(), Error::TypeMismatch);

    const Error noNumber = csfError(cell + "SGRP: P 21/c\n" + atom);
    EXPECT_EQ(noNumber.number(), Error::TypeMismatch);
    EXPECT_NE(noNumber.description().find("Line 2"), std::string::npos) << noNumber.description();
    EXPECT_EQ(csfError(cell + "SGRP: P 21/c (c)\n" + atom).number(), Error::TypeMismatch);
    EXPECT_EQ(csfError(cell + "SGRP: X (999)\n" + atom).number(), Error::InvalidCall);

    EXPECT_EQ(csfError(cell + group + atomLine("O1", "O", "1", "0", "x", "0")).number(), Error::TypeMismatch);
    EXPECT_EQ(csfError(cell + group + atomLine("O1", "O", "1", "0", "0", "")).number(), Error::TypeMismatch);
    EXPECT_EQ(csfError(cell + group + "ATOM: O1   O        1.0     0.1").number(), Error::TypeMismatch);
    EXPECT_EQ(csfError(cell + group + atomLine("O1", "O", "-0.5", "0", "0", "0")).number(),
              Error::InvalidCall);
    EXPECT_EQ(csfError(cell + group + atomLine("O1", "O", "1", "1/0", "0", "0")).number(),
              Error::DivisionByZero);
}

}  // namespace
}  // namespace lumora::structure
