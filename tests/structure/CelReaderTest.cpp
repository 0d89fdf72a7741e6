#include <gtest/gtest.h>

#include <string>

#include "structure/CelReader.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace lumora::structure {
namespace {

std::string extensionOf(int row) { return symmetry::spaceGroupTable()[row].extension; }
std::string numberOf(int row) { return symmetry::spaceGroupTable()[row].number; }

// The error a parse raises; fails the test when it succeeds.
Error celError(const std::string& text) {
    try {
        parseCel(text, "bad.cel");
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "parsed: " << text;
    return Error(0, "");
}

TEST(NextToken, TakesOneWordAndKeepsTheRest) {
    std::string text = "  5.431 (2)  90 ";
    EXPECT_EQ(nextToken(text), "5.431");
    EXPECT_EQ(text, "(2)  90");
    EXPECT_EQ(nextToken(text), "(2)");
    EXPECT_EQ(text, "90");
    // The last word leaves the text as it was, so it is returned again.
    std::string last = " 90 ";
    EXPECT_EQ(nextToken(last), "90");
    EXPECT_EQ(last, " 90 ");
    EXPECT_EQ(nextToken(last), "90");
    std::string empty;
    EXPECT_EQ(nextToken(empty), "");
}

TEST(ParseFraction, FractionsAndNumbers) {
    EXPECT_FLOAT_EQ(parseFraction("1/4"), 0.25f);
    EXPECT_EQ(parseFraction("1/3"), 0.33333334f);
    EXPECT_FLOAT_EQ(parseFraction("-2/3"), -2.0f / 3);
    EXPECT_FLOAT_EQ(parseFraction("0.125"), 0.125f);
    EXPECT_FLOAT_EQ(parseFraction(" 1 / 8 "), 0.125f);
    EXPECT_FLOAT_EQ(parseFraction("abc"), 0.0f);
    try {
        parseFraction("1/0");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::DivisionByZero);
    }
    EXPECT_THROW(parseFraction("1e300/1e-300"), Error);
}

TEST(CelReader, TheFourLineSiliconFile) {
    const StructureFile f =
        parseCel("CELL 5.431 5.431 5.431 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n", "/data/x/Si.cel");
    EXPECT_FLOAT_EQ(f.cell[0], 5.431f);
    EXPECT_FLOAT_EQ(f.cell[2], 5.431f);
    EXPECT_FLOAT_EQ(f.cell[5], 90.0f);
    EXPECT_NEAR(f.cellVolume, 5.431 * 5.431 * 5.431, 1e-2);
    EXPECT_EQ(f.spaceGroupNumber, 227);
    EXPECT_EQ(f.spaceGroupSymbol, symmetry::lookup(227, "", "")[3]);
    EXPECT_EQ(f.spaceGroupSymbol, "F d -3 m");
    EXPECT_EQ(f.title, "Si");
    EXPECT_EQ(f.sourcePath, "/data/x/Si.cel");
    ASSERT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.atoms[0].label, "Si1");
    EXPECT_EQ(f.atoms[0].element, "Si1");
    EXPECT_EQ(f.atoms[0].atomicNumber, 14);
    EXPECT_EQ(f.atoms[0].occupancy, 1.0f);
    EXPECT_FALSE(f.recordedGamma.has_value());
    // Selected by number, as the document selects a group: origin choice 1,
    // where silicon at the origin is the diamond structure.
    EXPECT_EQ(numberOf(f.spaceGroupRow), std::string("227"));
    EXPECT_EQ(extensionOf(f.spaceGroupRow), "1");
    const auto ops = symmetry::interpretHall(symmetry::spaceGroupTable()[f.spaceGroupRow].hall).ops;
    EXPECT_EQ(expandAtoms(f.atoms, ops).size(), 8u);
}

TEST(CelReader, CoordinateQuirks) {
    const StructureFile f = parseCel(
        "CELL 4 5 6 90 90 90\nnatom 2\nA1 8 -0.25 1/4 -1/3\nB1 8 -1.5 0.5 1\nrgnr 1\n", "quirks.cel");
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_FLOAT_EQ(f.atoms[0].x, 0.75f);
    EXPECT_FLOAT_EQ(f.atoms[0].y, 0.25f);
    EXPECT_FLOAT_EQ(f.atoms[0].z, 1.0f - 1.0f / 3);
    // One is added once only; the expansion wraps the rest.
    EXPECT_FLOAT_EQ(f.atoms[1].x, -0.5f);
    EXPECT_FLOAT_EQ(f.atoms[1].z, 1.0f);
}

TEST(CelReader, EveryAtomLineCountsWhateverTheDeclaredCount) {
    const StructureFile f = parseCel(
        "CELL 5 5 5 90 90 90\nnatom 1\nO1 8 0 0 0\nO2 8 0.5 0 0\nO3 8 0 0.5 0\nrgnr 1\nSome oxide\nFe1 26 "
        "0.5 0.5 0.5\n",
        "many.cel");
    ASSERT_EQ(f.atoms.size(), 4u);
    EXPECT_EQ(f.atoms[3].label, "Fe1");
    // A count far beyond the atoms, or no count at all, is only a hint.
    EXPECT_EQ(parseCel("CELL 5 5 5 90 90 90\nnatom 99999999999\nO1 8 0 0 0\nrgnr 1\n", "x.cel").atoms.size(),
              1u);
    EXPECT_EQ(parseCel("CELL 5 5 5 90 90 90\nN\nO1 8 0 0 0\nrgnr 1\n", "x.cel").atoms.size(), 1u);
}

TEST(CelReader, TheLineAfterTheSpaceGroupIsTheTitle) {
    const StructureFile titled = parseCel(
        "CELL 5 5 5 90 90 90\nnatom 1\nO1 8 0 0 0\nRGNR 225\nRock salt type\nNa1 11 0.5 0.5 0.5\n", "t.cel");
    EXPECT_EQ(titled.title, "Rock salt type");
    EXPECT_EQ(titled.atoms.size(), 2u);
    // That line is never an atom line, and three characters are too few for a title.
    const StructureFile swallowed =
        parseCel("CELL 5 5 5 90 90 90\nnatom 2\nO1 8 0 0 0\nrgnr 225\nNa1 11 0.5 0.5 0.5\n", "t.cel");
    EXPECT_EQ(swallowed.title, "Na1 11 0.5 0.5 0.5");
    EXPECT_EQ(swallowed.atoms.size(), 1u);
    EXPECT_EQ(parseCel("CELL 5 5 5 90 90 90\nnatom 1\nO1 8 0 0 0\nrgnr 225\nabc\n", "t.cel").title, "t");
}

TEST(CelReader, SettingsOriginChoiceAndAxes) {
    const std::string silicon = "CELL 5.4307 5.4307 5.4307 90 90 90\nnatom 1\nSi1 14 1/8 1/8 1/8\n";
    const StructureFile origin2 = parseCel(silicon + "rgnr 227 2\n", "Si.cel");
    EXPECT_EQ(origin2.spaceGroupNumber, 227);
    EXPECT_EQ(extensionOf(origin2.spaceGroupRow), "2");
    EXPECT_EQ(extensionOf(parseCel(silicon + "rgnr 227 1\n", "Si.cel").spaceGroupRow), "1");
    // Other setting numbers are not origin choices and leave the default.
    EXPECT_EQ(extensionOf(parseCel(silicon + "rgnr 227 5\n", "Si.cel").spaceGroupRow), "1");
    // Rhombohedral groups follow the file's own cell.
    const std::string atoms = "natom 1\nAl1 13 0 0 0.35216\nrgnr 167\n";
    EXPECT_EQ(extensionOf(parseCel("CELL 4.7589 4.7589 12.991 90 90 120\n" + atoms, "c.cel").spaceGroupRow),
              "H");
    EXPECT_EQ(
        extensionOf(parseCel("CELL 5.128 5.128 5.128 55.28 55.28 55.28\n" + atoms, "c.cel").spaceGroupRow),
        "R");
}

TEST(CelReader, OccupancyAndSpeciesNames) {
    const StructureFile f = parseCel(
        "CELL 5 5 5 90 90 90\nnatom 3\nFe1 26 0 0 0 0.5 0.8\nMg1 12 0 0 0 0.5\nO1 O2- 0.5 0.5 0.5 1.0\nX1 "
        "Fe3+ 0.1 "
        "0.1 0.1 B\nrgnr 225\n",
        "mixed.cel");
    ASSERT_EQ(f.atoms.size(), 4u);
    EXPECT_EQ(f.atoms[0].occupancy, 0.5f);
    EXPECT_EQ(f.atoms[1].occupancy, 0.5f);
    EXPECT_EQ(f.atoms[2].atomicNumber, 8);
    EXPECT_EQ(f.atoms[2].element, "O1");
    EXPECT_EQ(f.atoms[3].atomicNumber, 26);
    // A word that is not a number after the coordinates is not an occupancy.
    EXPECT_EQ(f.atoms[3].occupancy, 1.0f);
    EXPECT_EQ(parseCel("CELL 5 5 5 90 90 90\nn 1\nZr1 40.4 0 0 0\nrgnr 1\n", "z.cel").atoms[0].atomicNumber,
              40);
}

TEST(CelReader, WindowsLineEndsAndShortLinesAreFine) {
    const StructureFile f =
        parseCel("CELL 5 5 5 90 90 90\r\nnatom 1\r\n\r\nsome note\r\nSi1 14 0 0 0\r\nrgnr 227\r\n", "w.cel");
    EXPECT_EQ(f.atoms.size(), 1u);
    EXPECT_EQ(f.spaceGroupNumber, 227);
}

TEST(CelReader, RefusesFilesItCannotRead) {
    const std::string head = "CELL 5 5 5 90 90 90\nnatom 1\n";
    EXPECT_EQ(celError("").number(), Error::InputPastEnd);
    EXPECT_EQ(celError("\n\n  \n").number(), Error::InputPastEnd);
    EXPECT_EQ(celError("CELL 5 5 5 90 90 90").number(), Error::InputPastEnd);
    std::string binary = "CELL 5 5 5 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n";
    binary[6] = '\0';
    EXPECT_EQ(celError(binary).description(), "The file is not a text file");
    EXPECT_EQ(celError("\x01\x02\x03\x04garbage\x05\x06\x07\x08").number(), Error::TypeMismatch);

    const Error noCell = celError("CELL 5 5 5 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n");
    EXPECT_EQ(noCell.number(), Error::TypeMismatch);
    EXPECT_NE(noCell.description().find("no unit cell"), std::string::npos);
    const Error word = celError("CELL a 5 5 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n");
    EXPECT_EQ(word.number(), Error::TypeMismatch);
    EXPECT_NE(word.description().find("'a' is not a number"), std::string::npos) << word.description();
    EXPECT_EQ(celError("CELL 0 5 5 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n").number(),
              Error::InvalidCall);
    EXPECT_EQ(celError("CELL 5 5 5 60 60 120\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n").number(),
              Error::InvalidCall);
    EXPECT_EQ(celError("CELL 5 5 1e39 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n").number(),
              Error::Overflow);
    // Exponents of any length: too large is an overflow, too small is zero.
    EXPECT_EQ(celError("CELL 5.43D222222222222222222222222 5 5 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n")
                  .number(),
              Error::Overflow);
    EXPECT_EQ(parseCel("CELL 5 5 5 90 90 90\nn 1\nO1 8 1e-99999999999999999999999 "
                       "0.0001e-99999999999999999999 0\nrgnr 1\n",
                       "tiny.cel")
                  .atoms[0]
                  .x,
              0.0f);

    EXPECT_EQ(celError(head + "rgnr 227\n").description(), "The file holds no atoms");
    EXPECT_EQ(celError(head + "Si1 14 0 0 0\n").description(), "The file names no space group");
    EXPECT_EQ(celError(head + "Si1 14 0 0 0\nrgnr 0\n").number(), Error::InvalidCall);
    EXPECT_EQ(celError(head + "Si1 14 0 0 0\nrgnr 231\n").number(), Error::InvalidCall);
    EXPECT_EQ(celError(head + "Si1 14 0 0 0\nrgnr\n").number(), Error::TypeMismatch);
    EXPECT_EQ(celError(head + "Si1 14 0 0 0\nrgnr P21/c\n").number(), Error::TypeMismatch);

    const Error coordinate = celError(head + "Si1 14 0 abc 0\nrgnr 227\n");
    EXPECT_EQ(coordinate.number(), Error::TypeMismatch);
    EXPECT_NE(coordinate.description().find("Line 3, y coordinate"), std::string::npos)
        << coordinate.description();
    EXPECT_EQ(celError(head + "Si1 14 1/0 0 0\nrgnr 227\n").number(), Error::DivisionByZero);
    EXPECT_EQ(celError(head + "Si1 14 0 0 5e38/0.1\nrgnr 227\n").number(), Error::Overflow);
    EXPECT_EQ(celError(head + "Si1 1e10 0 0 0\nrgnr 227\n").number(), Error::Overflow);
    EXPECT_EQ(celError(head + "Si1 14 0 0 0 -1\nrgnr 227\n").number(), Error::InvalidCall);
}

}  // namespace
}  // namespace lumora::structure
