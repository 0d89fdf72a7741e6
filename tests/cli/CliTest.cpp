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

TEST(SymmetryCommand, RefusesWhatNamesNoGroupAndReadsSettings) {
    for (const Lines& args :
         std::vector<Lines>{{"symmetry", "nonsense"},
                            {"symmetry", "P 21/c :H"},
                            {"reflections", "--cell", "5 5 5 90 90 90", "--sg", "X 9"},
                            {"render", "--cell", "5 5 5 90 90 90", "--sg", "nonsense", "-o", "unused.png"}}) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("\"" + (args[0] == "render" ? args[4] : args.back()) + "\""), std::string::npos)
            << r.err;
    }
    const auto setting = [](const std::string& symbol) {
        const auto r = run({"symmetry", "--", symbol});
        EXPECT_EQ(r.status, 0) << symbol << ": " << r.err;
        const auto l = lines(r.out);
        return l.size() > 4 ? l[2] + " " + l[4] : std::string();
    };
    EXPECT_EQ(setting("R -3 m :R"), "Setting: R Hall: -P 3* 2");
    EXPECT_EQ(setting("R -3 m:H"), "Setting: H Hall: -R 3 2''");
    EXPECT_EQ(setting("F d -3 m :2"), "Setting: 2 Hall: -F 4vw 2vw 3");
    EXPECT_EQ(setting("P 1 21/n 1"), "Setting: b2 Hall: -P 2yn");
    EXPECT_EQ(setting("-P 2ybc"), "Setting: b1 Hall: -P 2ybc");

    // A Hall symbol whose closure runs past a space group's size.
    const auto runaway = run({"symmetry", "--hall", "-P 6 4x"});
    EXPECT_EQ(runaway.status, 2);
    EXPECT_TRUE(runaway.out.empty());
    EXPECT_NE(runaway.err.find("nm>="), std::string::npos) << runaway.err;
}

TEST(ReflectionsCommand, RhombohedralGroupsOnHexagonalAxesAndLongCells) {
    const auto corundum = run({"reflections", "--cell", "4.758 4.758 12.991 90 90 120", "--sg", "R -3 C"});
    ASSERT_EQ(corundum.status, 0) << corundum.err;
    const auto listed = lines(corundum.out);
    ASSERT_FALSE(listed.empty());
    for (const auto& line : listed) {
        const auto w = lumora::util::splitBlanks(line);
        ASSERT_EQ(w.size(), 4u);
        EXPECT_EQ((-std::stoi(w[0]) + std::stoi(w[1]) + std::stoi(w[2])) % 3, 0) << line;
    }
    // The threshold of a 60 Å edge is 1 Å: h00 runs to 60.
    const auto l = lines(run({"reflections", "--cell", "60 5 5 90 90 90", "--sg", "P 1"}).out);
    for (const char* wanted : {"41 0 0 1.46341", "60 0 0 1.00000", "-60 0 0 1.00000"})
        EXPECT_NE(std::find(l.begin(), l.end(), wanted), l.end()) << wanted;
}
