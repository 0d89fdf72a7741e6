#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "RunCli.h"
#include "util/TextSplit.h"

using lumora::test::lines;
using lumora::test::run;

TEST(SymmetryCommand, ResolvesAListSymbol) {
    const auto r = run({"symmetry", "P 21/C"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[0], "Row: 80");
    EXPECT_EQ(l[1], "Number: 14");
    EXPECT_EQ(l[2], "Setting: b1");
    EXPECT_EQ(l[3], "Symbol: P 21/c = P 1 21/c 1 = 14:b1");
    EXPECT_EQ(l[4], "Hall: -P 2ybc");
    EXPECT_EQ(l[5], "x,y,z");
    EXPECT_EQ(l[6], "-x,y+1/2,-z+1/2");
    EXPECT_EQ(l[7], "-x,-y,-z");
    EXPECT_EQ(l[8], "x,-y+1/2,z+1/2");
}

TEST(SymmetryCommand, AcceptsNumbersCompactSymbolsRowsAndHallSymbols) {
    EXPECT_EQ(lines(run({"symmetry", "14"}).out)[0], "Row: 80");
    EXPECT_EQ(lines(run({"symmetry", "P4-3M"}).out)[0], "Row: 510");
    EXPECT_EQ(lines(run({"symmetry", "p", "2", "2", "2"}).out)[0], "Row: 107");

    const auto row = run({"symmetry", "--row", "228"});
    ASSERT_EQ(row.status, 0) << row.err;
    EXPECT_EQ(lines(row.out)[2], "Setting: 2");
    EXPECT_EQ(lines(row.out)[4], "Hall: -P 2ab 2bc");
    EXPECT_EQ(lines(row.out).size(), 5u + 8u);

    const auto hall = run({"symmetry", "--hall", "-P 2ybc"});
    ASSERT_EQ(hall.status, 0) << hall.err;
    EXPECT_EQ(lines(hall.out)[0], "Row: 80");
    EXPECT_EQ(lines(hall.out).size(), 9u);

    const auto unknown = run({"symmetry", "--hall", "P 2 2 2 2 2"});
    EXPECT_EQ(unknown.status, 0);
    EXPECT_EQ(lines(unknown.out)[0], "Row: -1");
}

TEST(SymmetryCommand, ListingIsTheOperationFile) {
    const auto r = run({"symmetry", "--listing", "P -1"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 12), "Hall: -P 1\r\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
}

TEST(ReflectionsCommand, SiliconSortedByDecreasingSpacing) {
    const auto r =
        run({"reflections", "--cell", "5.4307", "5.4307", "5.4307", "90", "90", "90", "--sg", "F D 3 M"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    // Independent count: F d -3 m conditions with h^2 + k^2 + l^2 <= 100 (d >= 0.54307 Å).
    std::size_t expected = 0;
    for (int h = -10; h <= 10; ++h)
        for (int k = -10; k <= 10; ++k)
            for (int m = -10; m <= 10; ++m) {
                if ((!h && !k && !m) || h * h + k * k + m * m > 100) continue;
                if ((h + k) % 2 || (k + m) % 2) continue;
                if ((!h && (k + m) % 4) || (!k && (h + m) % 4) || (!m && (h + k) % 4)) continue;
                ++expected;
            }
    EXPECT_EQ(l.size(), expected);
    // The eight 111 reflections come first, in generation order.
    EXPECT_EQ(l[0], "-1 -1 -1 3.13542");
    EXPECT_EQ(l[1], "-1 -1 1 3.13542");
    EXPECT_EQ(l[7], "1 1 1 3.13542");
    EXPECT_EQ(l[8].substr(l[8].size() - 7), "1.92004");  // 220 family
    double last = 1e9;
    for (const auto& line : l) {
        const auto words = lumora::util::splitBlanks(line);
        ASSERT_EQ(words.size(), 4u);
        const double d = std::stod(words[3]);
        EXPECT_LE(d, last);
        last = d;
    }
}

TEST(ReflectionsCommand, RowPicksTheSetting) {
    const auto r = run({"reflections", "--cell", "5 5 5 90 90 90", "--row", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out)[0], "-1 0 0 5.00000");
}

TEST(ReflectionsCommand, BadArgumentsExitWithStatusTwoAndPrintNothing) {
    const std::vector<std::vector<std::string>> bad{
        {"reflections", "--cell", "5", "5", "5", "90", "90", "--sg", "P 1"},
        {"reflections", "--cell", "5", "5", "abc", "90", "90", "90", "--sg", "P 1"},
        {"reflections", "--cell", "0", "5", "5", "90", "90", "90", "--sg", "P 1"},
        {"reflections", "--cell", "5", "-5", "5", "90", "90", "90", "--sg", "P 1"},
        {"reflections", "--cell", "5", "5", "5", "30", "30", "90", "--sg", "P 1"},
        {"reflections", "--cell", "5", "5", "5", "90", "90", "90"},
        {"reflections", "--cell", "5", "5", "5", "90", "90", "90", "--row", "530"},
        {"reflections", "--cell", "5", "5", "5", "90", "90", "90", "--row", "2.5"},
        {"reflections", "--cell", "40000", "5", "5", "90", "90", "90", "--sg", "P 1"},
        {"reflections", "--sg", "P 1"},
        {"reflections", "--bogus"},
        {"symmetry"},
        {"symmetry", "--row", "x"},
        {"nonsense"},
    };
    for (const auto& args : bad) {
        const auto r = run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_TRUE(r.out.empty()) << joined;
        EXPECT_FALSE(r.err.empty()) << joined;
    }
}

TEST(Help, DocumentsTheSubcommands) {
    const auto r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("symmetry"), std::string::npos);
    EXPECT_NE(r.out.find("--cell"), std::string::npos);
    EXPECT_NE(r.out.find("--hall"), std::string::npos);
    EXPECT_NE(run({"reflections", "--help"}).out.find("--sg"), std::string::npos);
}
