#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "StructureTestSupport.h"
#include "structure/CelReader.h"

namespace lumora::structure {
namespace {

using namespace structuretest;

std::string extensionOf(int row) { return symmetry::spaceGroupTable()[row].extension; }
StructureFile cel(const std::string& text, const std::string& path = "t.cel") { return parseCel(text, path); }
Error celError(const std::string& text) {
    return errorOf([&] { cel(text); });
}

TEST(CelReader, TheFourLineSiliconFile) {
    const StructureFile f =
        cel("CELL 5.431 5.431 5.431 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n", "/data/x/Si.cel");
    EXPECT_EQ(f.cell, (CellConstants{5.431f, 5.431f, 5.431f, 90, 90, 90}));
    EXPECT_EQ(f.spaceGroupNumber, 227);
    EXPECT_EQ(f.spaceGroupSymbol, "F d -3 m");
    EXPECT_EQ(f.title, "Si");  // the file name without its extension
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.atoms[0].atomicNumber, 14);
    EXPECT_EQ(f.atoms[0].occupancy, 1.0f);
    EXPECT_EQ(f.sourcePath, "/data/x/Si.cel");
    // Selected by number: origin choice 1, where silicon at the origin is diamond.
    EXPECT_EQ(extensionOf(f.spaceGroupRow), "1");
    EXPECT_EQ(expandInRow(f.atoms, f.spaceGroupRow).size(), 8u);
}

TEST(CelReader, CoordinatesCountsTitlesAndLineEnds) {
    const StructureFile f =
        cel("CELL 4 5 6 90 90 90\r\nnatom 1\r\n\r\nA1 8 -0.25 1/4 -1/3\r\nB1 8 -1.5 0.5 1\r\nRGNR 1\r\n"
            "Some oxide\r\nFe1 26 0.5 0.5 0.5\r\n");
    ASSERT_EQ(f.atoms.size(), 3u);  // whatever the declared count
    EXPECT_FLOAT_EQ(f.atoms[0].x, 0.75f);
    EXPECT_FLOAT_EQ(f.atoms[0].z, 1.0f - 1.0f / 3);
    EXPECT_FLOAT_EQ(f.atoms[1].x, -0.5f);  // one is added once only; the expansion wraps the rest
    EXPECT_EQ(f.title, "Some oxide");      // the line after the space group
    EXPECT_EQ(f.atoms[2].label, "Fe1");
    // That line is never an atom line, and three characters are too few for a title.
    const StructureFile swallowed =
        cel("CELL 5 5 5 90 90 90\nnatom 2\nO1 8 0 0 0\nrgnr 225\nNa1 11 0.5 0.5 0.5\n");
    EXPECT_EQ(swallowed.title, "Na1 11 0.5 0.5 0.5");
    EXPECT_EQ(swallowed.atoms.size(), 1u);
    EXPECT_EQ(cel("CELL 5 5 5 90 90 90\nnatom 99999999999\nO1 8 0 0 0\nrgnr 225\nabc\n").title, "t");
}

TEST(CelReader, SettingsOriginChoiceAndAxes) {
    const std::string silicon = "CELL 5.4307 5.4307 5.4307 90 90 90\nnatom 1\nSi1 14 1/8 1/8 1/8\n";
    EXPECT_EQ(extensionOf(cel(silicon + "rgnr 227 2\n").spaceGroupRow), "2");
    EXPECT_EQ(extensionOf(cel(silicon + "rgnr 227 5\n").spaceGroupRow), "1");  // not an origin choice
    // Rhombohedral groups follow the file's own cell.
    const std::string atoms = "natom 1\nAl1 13 0 0 0.35216\nrgnr 167\n";
    EXPECT_EQ(extensionOf(cel("CELL 4.7589 4.7589 12.991 90 90 120\n" + atoms).spaceGroupRow), "H");
    EXPECT_EQ(extensionOf(cel("CELL 5.128 5.128 5.128 55.28 55.28 55.28\n" + atoms).spaceGroupRow), "R");
}

TEST(CelReader, OccupancyAndSpeciesNames) {
    const StructureFile f =
        cel("CELL 5 5 5 90 90 90\nnatom 3\nFe1 26 0 0 0 0.5 0.8\nMg1 12 0 0 0 0.5\nO1 O2- 0.5 0.5 0.5 1.0\n"
            "X1 Fe3+ 0.1 0.1 0.1 B\nZr1 40.4 0 0 0\nrgnr 225\n");
    ASSERT_EQ(f.atoms.size(), 5u);
    EXPECT_EQ(f.atoms[0].occupancy, 0.5f);
    EXPECT_EQ(f.atoms[2].atomicNumber, 8);
    EXPECT_EQ(f.atoms[3].atomicNumber, 26);
    EXPECT_EQ(f.atoms[3].occupancy, 1.0f);  // a word after the coordinates is no occupancy
    EXPECT_EQ(f.atoms[4].atomicNumber, 40);
}

TEST(CelReader, RefusesFilesItCannotRead) {
    const std::string head = "CELL 5 5 5 90 90 90\nnatom 1\n", si = "\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n";
    std::string binary = head + "Si1 14 0 0 0\nrgnr 227\n";
    binary[6] = '\0';
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", Error::InputPastEnd, ""},
        {"CELL 5 5 5 90 90 90", Error::InputPastEnd, ""},
        {binary, Error::TypeMismatch, "The file is not a text file"},
        {"\x01\x02\x03\x04garbage\x05\x06\x07\x08", Error::TypeMismatch, ""},
        {head + "rgnr 227\n", Error::TypeMismatch, "The file holds no atoms"},
        {head + "Si1 14 0 0 0\n", Error::TypeMismatch, "The file names no space group"},
        {"CELL 5 5 5 90 90" + si, Error::TypeMismatch, "no unit cell"},
        {"CELL a 5 5 90 90 90" + si, Error::TypeMismatch, "'a' is not a number"},
        {"CELL 0 5 5 90 90 90" + si, Error::InvalidCall, ""},
        {"CELL 5 5 1e39 90 90 90" + si, Error::Overflow, ""},
        {"CELL 5.43D222222222222222222222222 5 5 90 90 90" + si, Error::Overflow, ""},
        {head + "Si1 14 0 0 0\nrgnr 231\n", Error::InvalidCall, ""},
        {head + "Si1 14 0 abc 0\nrgnr 227\n", Error::TypeMismatch, "Line 3, y coordinate"},
        {head + "Si1 14 1/0 0 0\nrgnr 227\n", Error::DivisionByZero, ""},
        {head + "Si1 1e10 0 0 0\nrgnr 227\n", Error::Overflow, ""},
        {head + "Si1 14 0 0 0 -1\nrgnr 227\n", Error::InvalidCall, ""}};
    for (const auto& [text, number, says] : cases) {
        const Error e = celError(text);
        EXPECT_EQ(e.number(), number) << text;
        EXPECT_NE(e.description().find(says), std::string::npos) << e.description();
    }
    // Exponents too small for any range are zero.
    EXPECT_EQ(cel(head + "O1 8 1e-99999999999999999999999 0 0\nrgnr 1\n").atoms[0].x, 0.0f);
}

// Species names follow the element rule; numbers the tables do not hold are refused.
TEST(CelReader, UnknownElementsAreLeftOutAndImpossibleNumbersRefused) {
    const StructureFile f = cel(
        "CELL 5 5 5 90 90 90\nnatom 4\nO1 8 0 0 0\nW1 Wat 0.1 0 0\nK1 Kk 0.2 0 0\nQ1 Q 0.3 0 0\nrgnr 1\n");
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.sitesLeftOut, (std::vector<std::string>{"W1", "K1"}));
    EXPECT_EQ(f.notes, (std::vector<std::string>{"2 sites without a known element were left out: W1, K1"}));
    for (const char* z : {"999", "-3", "0", "99"}) {
        const Error e = celError(std::string("CELL 5 5 5 90 90 90\nnatom 1\nFe7 ") + z + " 0 0 0\nrgnr 1\n");
        EXPECT_EQ(e.number(), Error::InvalidCall) << z;
        EXPECT_EQ(e.description(), std::string("Atom Fe7 has the atomic number ") + z +
                                       ", which the scattering tables do not hold (1 to 98)");
    }
}
}  // namespace
}  // namespace lumora::structure
