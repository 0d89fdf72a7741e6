#include <gtest/gtest.h>

#include <algorithm>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::run;
using Lines = std::vector<std::string>;

TEST(SymmetryCommand, ResolvesAListSymbol) {
    const auto r = run({"symmetry", "P 21/C"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out),
              (Lines{"Row: 80", "Number: 14", "Setting: b1", "Symbol: P 21/c = P 1 21/c 1 = 14:b1",
                     "Hall: -P 2ybc", "x,y,z", "-x,y+1/2,-z+1/2", "-x,-y,-z", "x,-y+1/2,z+1/2"}));
}

TEST(SymmetryCommand, AcceptsNumbersCompactSymbolsRowsAndHallSymbols) {
    EXPECT_EQ(lines(run({"symmetry", "14"}).out)[0], "Row: 80");
    EXPECT_EQ(lines(run({"symmetry", "P4-3M"}).out)[0], "Row: 510");
    EXPECT_EQ(lines(run({"symmetry", "p", "2", "2", "2"}).out)[0], "Row: 107");
    const auto row = lines(run({"symmetry", "--row", "228"}).out);
    ASSERT_EQ(row.size(), 5u + 8u);
    EXPECT_EQ(row[2], "Setting: 2");
    EXPECT_EQ(row[4], "Hall: -P 2ab 2bc");
    const auto hall = lines(run({"symmetry", "--hall", "-P 2ybc"}).out);
    ASSERT_EQ(hall.size(), 9u);
    EXPECT_EQ(hall[0], "Row: 80");
    EXPECT_EQ(lines(run({"symmetry", "--hall", "P 2 2 2 2 2"}).out)[0], "Row: -1");  // unknown
    const auto listing = run({"symmetry", "--listing", "P -1"});
    EXPECT_EQ(listing.out.substr(0, 12), "Hall: -P 1\r\n");
    EXPECT_EQ(std::count(listing.out.begin(), listing.out.end(), '\n'), 3);
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
    ASSERT_EQ(l.size(), expected);
    // The eight 111 reflections come first, in generation order.
    EXPECT_EQ(l[0], "-1 -1 -1 3.13542");
    EXPECT_EQ(l[7], "1 1 1 3.13542");
    EXPECT_EQ(l[8].substr(l[8].size() - 7), "1.92004");  // 220 family
    double last = 1e9;
    for (const auto& line : l) {
        const auto words = lumora::util::splitBlanks(line);
        ASSERT_EQ(words.size(), 4u);
        EXPECT_LE(lumora::test::number(words[3]), last);
        last = lumora::test::number(words[3]);
    }
    EXPECT_EQ(lines(run({"reflections", "--cell", "5 5 5 90 90 90", "--row", "0"}).out)[0], "-1 0 0 5.00000");
}

TEST(ReflectionsCommand, BadArgumentsExitWithStatusTwoAndPrintNothing) {
    for (const Lines& args : std::vector<Lines>{
             {"reflections", "--cell", "5", "5", "5", "90", "90", "--sg", "P 1"},
             {"reflections", "--cell", "5", "5", "abc", "90", "90", "90", "--sg", "P 1"},
             {"reflections", "--cell", "0", "5", "5", "90", "90", "90", "--sg", "P 1"},
             {"reflections", "--cell", "5", "5", "5", "30", "30", "90", "--sg", "P 1"},
             {"reflections", "--cell", "40000", "5", "5", "90", "90", "90", "--sg", "P 1"},
             {"reflections", "--cell", "5", "5", "5", "90", "90", "90"},
             {"reflections", "--cell", "5", "5", "5", "90", "90", "90", "--row", "530"},
             {"reflections", "--bogus"},
             {"symmetry"},
             {"symmetry", "--row", "x"},
             {"nonsense"},
         }) {
        const auto r = run(args);
        const std::string what = args.front() + " ... " + args.back();
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_TRUE(r.out.empty()) << what;
        EXPECT_FALSE(r.err.empty()) << what;
    }
    const auto help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"symmetry", "--cell", "--hall"})
        EXPECT_NE(help.out.find(word), std::string::npos);
    EXPECT_NE(run({"reflections", "--help"}).out.find("--sg"), std::string::npos);
}
