#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "StructureTestSupport.h"
#include "structure/CsfReader.h"

namespace lumora::structure {
namespace {

using namespace structuretest;

// An ATOM: line with its fields in their columns: label 7-10, element 12-15,
// occupancy 21-25, x 29-36, y 37-44, z 45-52.
std::string atomLine(std::string label, std::string element, std::string occupancy, std::string x,
                     std::string y, const std::string& z) {
    for (auto [text, width] : {std::pair{&label, 5}, {&element, 9}, {&occupancy, 8}, {&x, 8}, {&y, 8}})
        text->resize(width, ' ');
    return "ATOM: " + label + element + occupancy + x + y + z + "\n";
}

const std::string kHematite =
    "JADE: written by hand\nNAME: Hematite\nFORM: Fe2O3\nDATE: 2024-01-01\n"
    "NOTE: corundum type\n\nSGRP: R -3 c (167)\n"
    "CELL: 5.0356(2)x5.0356(2)x13.7489(7) <90.0x90.0x120.0>\n" +
    atomLine("Fe1", "Fe3+", "1.0", "0", "0", "0.35530") + atomLine("O1", "O2-", "0.98", "0.3059", "0", "1/4");

TEST(CsfReader, ReadsTheTaggedLines) {
    const StructureFile f = parseCsf(kHematite, "/x/hematite.csf");
    EXPECT_EQ(f.title, "Hematite");
    EXPECT_EQ(f.spaceGroupNumber, 167);
    EXPECT_EQ(f.cell, (CellConstants{5.0356f, 5.0356f, 13.7489f, 90, 90, 120}));
    EXPECT_EQ(f.recordedGamma.value_or(0), 120.0f);
    EXPECT_STREQ(symmetry::spaceGroupTable()[f.spaceGroupRow].extension, "H");  // gamma 120: hexagonal axes
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.atoms[0].element, "Fe3");
    EXPECT_EQ(f.atoms[0].atomicNumber, 26);
    EXPECT_EQ(f.atoms[1].atomicNumber, 8);
    EXPECT_FLOAT_EQ(f.atoms[1].occupancy, 0.98f);
    EXPECT_FLOAT_EQ(f.atoms[1].z, 0.25f);
    EXPECT_EQ(f.text, kHematite);
    // The header keeps all but the lines whose first five characters occur in
    // "JADE:DATE:SGRP:ATOM:", short ones included.
    const std::string header =
        "NAME: Hematite\r\nFORM: Fe2O3\r\nNOTE: corundum type\r\nCELL: 5.0356(2)x5.0356(2)x13.7489(7) "
        "<90.0x90.0x120.0>\r\n";
    EXPECT_EQ(f.headerText, header);
    EXPECT_EQ(parseCsf("AT\nE:DAT something\n" + kHematite, "h.csf").headerText, header);
}

TEST(CsfReader, CellAndSpaceGroupLines) {
    const std::string si = atomLine("Si1", "Si", "1", "0", "0", "0");
    for (const char* cellLine :
         {"CELL: 5.4310(2)x5.4310(2)x5.4310(2) <90.0x90.0x90.0>\n", "CELL: 5.431 5.431 5.431 90 90 90\n"}) {
        const StructureFile f = parseCsf(cellLine + ("SGRP: F d -3 m (227)\n" + si), "a.csf");
        EXPECT_EQ(f.cell, (CellConstants{5.431f, 5.431f, 5.431f, 90, 90, 90})) << cellLine;
        EXPECT_EQ(f.spaceGroupSymbol, "F d -3 m");
        EXPECT_EQ(f.spaceGroupNumber, 227);
    }
    // Uncertainties on the angles, a blank occupancy column and no closing parenthesis.
    const StructureFile m = parseCsf("CELL: 5.1(1)x6.2(3)x7.3 <90x101.5(2)x90>\nSGRP: P 21/c (14\n" +
                                         atomLine("O1", "O", "", "0.1", "0.2", "0.3"),
                                     "m.csf");
    EXPECT_EQ(m.cell, (CellConstants{5.1f, 6.2f, 7.3f, 90, 101.5f, 90}));
    EXPECT_EQ(m.spaceGroupNumber, 14);
    EXPECT_EQ(m.atoms[0].occupancy, 1.0f);
    EXPECT_STREQ(symmetry::spaceGroupTable()[m.spaceGroupRow].extension, "b1");
}

TEST(CsfReader, TagsAreExactAndCaseSensitiveAndAnyLineEndServes) {
    const StructureFile f = parseCsf(
        "name: lower case\r\n NAME: indented\r\nCELL: 5 5 5 90 90 90\r\nSGRP: P 1 (1)\r\n"
        "atom: " +
            atomLine("O1", "O", "1", "0", "0", "0") +
            "ATOM: O2   O2-      1.000   0.4133  0.2672  0.7855\r\n",
        "/p/case.csf");
    EXPECT_EQ(f.title, "");
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.atoms[0].label, "O2");
    EXPECT_FLOAT_EQ(f.atoms[0].z, 0.7855f);
}

TEST(CsfReader, RefusesFilesItCannotRead) {
    const std::string cell = "CELL: 5 5 5 90 90 90\n", group = "SGRP: P 1 (1)\n";
    const std::string atom = atomLine("O1", "O", "1", "0", "0", "0");
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", Error::InputPastEnd, ""},
        {"\x01\x02\x03\x04garbage\x05\x06\x07\x08", Error::TypeMismatch, "not a text file"},
        {"CELL: 5 5 1e40 90 90 90\n" + group + atom, Error::Overflow, "cell constant c is too large"},
        {group + atom, Error::TypeMismatch, "The file holds no unit cell"},
        {cell + atom, Error::TypeMismatch, "The file names no space group"},
        {cell + group, Error::TypeMismatch, "The file holds no atoms"},
        {"CELL: 5 5 5\n" + group + atom, Error::TypeMismatch, "fewer than six numbers"},
        {"CELL: 5 5 5 90 90 0\n" + group + atom, Error::InvalidCall, ""},
        {cell + "SGRP: P 21/c\n" + atom, Error::TypeMismatch, "Line 2"},
        {cell + "SGRP: X (999)\n" + atom, Error::InvalidCall, ""},
        {cell + group + atomLine("O1", "O", "1", "0", "x", "0"), Error::TypeMismatch, ""},
        {cell + group + atomLine("O1", "O", "-0.5", "0", "0", "0"), Error::InvalidCall, ""},
        {cell + group + atomLine("O1", "O", "1", "1/0", "0", "0"), Error::DivisionByZero, ""}};
    for (const auto& [text, number, says] : cases) {
        const Error e = errorOf([&] { parseCsf(text, "bad.csf"); });
        EXPECT_EQ(e.number(), number) << text;
        EXPECT_NE(e.description().find(says), std::string::npos) << e.description();
    }
}

TEST(CsfReader, TheSymbolOfTheSpaceGroupLineChoosesTheSetting) {
    const std::string cell = "CELL: 5.1 6.2 7.3 90 101.5 90\n",
                      atom = atomLine("O1", "O", "1", "0.1", "0.2", "0.3");
    const auto rowOf = [&](const std::string& line, const std::string& cellLine) {
        const StructureFile f = parseCsf(cellLine + line + atom, "s.csf");
        return std::pair{std::string(symmetry::spaceGroupTable()[f.spaceGroupRow].hall), f.spaceGroupNumber};
    };
    using Row = std::pair<std::string, int>;
    EXPECT_EQ(rowOf("SGRP: P 21/n (14)\n", cell), (Row{"-P 2yn", 14}));
    EXPECT_EQ(rowOf("SGRP: P 1 21/a 1 (14)\n", cell), (Row{"-P 2yab", 14}));
    // A symbol the table does not know leaves the number to decide.
    EXPECT_EQ(rowOf("SGRP: P 21/q (14)\n", cell), (Row{"-P 2ybc", 14}));
    const std::string cubic = "CELL: 5.431 5.431 5.431 90 90 90\n";
    EXPECT_EQ(rowOf("SGRP: F d -3 m :2 (227)\n", cubic), (Row{"-F 4vw 2vw 3", 227}));
    EXPECT_EQ(rowOf("SGRP: R -3 c (167)\n", "CELL: 5.13 5.13 5.13 55.3 55.3 55.3\n"), (Row{"-P 3* 2n", 167}));
}


TEST(CsfReader, TheElementColumnDecidesAndTheLabelServesWhenItIsBlank) {
    const std::string head = "CELL: 5 5 5 90 90 90\nSGRP: P 1 (1)\n";
    const StructureFile f = parseCsf(
        head + atomLine("Wat1", "O", "1", "0", "0", "0") + atomLine("Ca1", "", "1", "0.5", "0", "0") +
            atomLine("Wat2", "", "1", "0.2", "0", "0") + atomLine("Q3", "", "1", "0.3", "0", "0"),
        "w.csf");
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 8);
    EXPECT_EQ(f.atoms[1].atomicNumber, 20);
    EXPECT_EQ(f.notes, (std::vector<std::string>{"1 site without a known element was left out: Wat2"}));
    EXPECT_EQ(
        errorOf([&] { parseCsf(head + atomLine("X1", "X", "1", "0", "0", "0"), "x.csf"); }).description(),
        "The file holds no atom of a known element: X1");
}
}  // namespace
}  // namespace lumora::structure
