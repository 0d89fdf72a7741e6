#include <gtest/gtest.h>

#include "StructureTestSupport.h"
#include "structure/CelReader.h"
#include "structure/CellLattice.h"
#include "structure/ReaderSupport.h"
#include "structure/Samples.h"
#include "util/NumberText.h"

namespace lumora::structure {
namespace {

using namespace structuretest;

TEST(CellLattice, EachSystemChecksItsRuleWithinTheTolerance) {
    struct Case {
        CellConstants cell;
        int number;
        const char* extension;
        bool fits;
    };
    const Case cases[] = {
        {{5, 5, 5, 90, 90, 90}, 227, "2", true},
        {{5, 5.004f, 5, 90, 90, 90.04f}, 227, "2", true},  // within 0.1 % and 0.05 degrees
        {{5, 5.006f, 5, 90, 90, 90}, 227, "2", false},
        {{5, 5, 5, 90, 90, 90.06f}, 227, "2", false},
        {{4, 4, 6, 90, 90, 90}, 139, "", true},
        {{4, 4.1f, 6, 90, 90, 90}, 139, "", false},
        {{4, 4, 6, 90, 90, 120}, 194, "", true},
        {{4, 4, 6, 90, 90, 90}, 194, "", false},
        {{4.758f, 4.758f, 12.991f, 90, 90, 120}, 167, "H", true},
        {{5.128f, 5.128f, 5.128f, 55.28f, 55.28f, 55.28f}, 167, "R", true},
        {{4.758f, 4.758f, 12.991f, 90, 90, 120}, 167, "R", false},
        {{5.128f, 5.128f, 5.128f, 55.28f, 55.28f, 55.28f}, 167, "H", false},
        {{3, 4, 5, 90, 90, 90}, 62, "", true},
        {{3, 4, 5, 90, 91, 90}, 62, "", false},
        {{3, 4, 5, 90, 101, 90}, 14, "b1", true},
        {{3, 4, 5, 90, 90, 101}, 14, "c1", true},
        {{3, 4, 5, 101, 90, 90}, 14, "a1", true},
        {{3, 4, 5, 90, 101, 90}, 14, "-c1", false},
        {{3, 4, 5, 90, 90, 101}, 4, "", false},  // unique axis b unless the setting says otherwise
        {{3, 4, 5, 70, 80, 100}, 2, "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cellLatticeMisfit(c.cell, c.number, c.extension, "G").empty(), c.fits)
            << c.number << ":" << c.extension << " " << util::singleText(c.cell[0]) << " "
            << util::singleText(c.cell[5]);
}

TEST(CellLattice, TheMessageNamesTheRuleAndTheConstantsItIsAbout) {
    // The 60 degree primitive cell of diamond, labelled with its cubic group.
    EXPECT_EQ(cellLatticeMisfit({3.84f, 3.84f, 3.84f, 60, 60, 60}, rowOf("227", "2")),
              "The cell a = 3.84, α = 60° does not fit the cubic space group F d -3 m");
    EXPECT_EQ(cellLatticeMisfit({4, 4, 6, 90, 90, 90}, rowOf("194")),
              "The cell a = 4, α = 90° does not fit the hexagonal space group P 63/m m c");
    EXPECT_EQ(cellLatticeMisfit({3, 4, 5, 90, 101, 90}, rowOf("14", "c1")),
              "The cell α = 90°, β = 101° does not fit the monoclinic space group P 21/c (unique axis c)");
    EXPECT_EQ(cellLatticeMisfit({5, 5, 5, 90, 90, 90}, -1), "");
}

TEST(CellLattice, StructureFilesThatContradictTheirGroupAreRefused) {
    const Error e =
        errorOf([] { parseCel("CELL 3.84 3.84 3.84 60 60 60\nnatom 1\nC1 6 0 0 0\nrgnr 227\n", "c.cel"); });
    EXPECT_EQ(e.number(), Error::InvalidCall);
    EXPECT_EQ(e.description(), "The cell a = 3.84, α = 60° does not fit the cubic space group F d -3 m");
}

// The built-in list once held alpha-As with a != b on hexagonal axes, alpha-Sm
// with a = 2.071 and alpha-U in C m c a.
TEST(CellLattice, EveryBuiltInSampleFitsItsGroup) {
    const SampleList samples = builtInSamples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const SampleCell s = samples.getSample(i);
        CellConstants cell{};
        for (std::size_t c = 0; c < 6; ++c) cell[c] = static_cast<float>(util::val(s[3 + c]));
        const int number = static_cast<int>(util::val(s[1]));
        EXPECT_EQ(cellLatticeMisfit(cell, detail::rowOfNumber(number, cell)), "") << s[0];
    }
    const auto entry = [&](const char* name) {
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (samples.names[i] == name) return samples.data[i];
        return std::string();
    };
    EXPECT_EQ(entry("alpha-As"), "166 R-3M 3.7598 3.7598 10.5475 90 90 120");
    EXPECT_EQ(entry("alpha-Sm"), "166 R-3M 3.629 3.629 26.207 90 90 120");
    EXPECT_EQ(entry("alpha-U"), "63 CMCM 2.84785 5.85801 4.94553 90 90 90");
}

}  // namespace
}  // namespace lumora::structure
