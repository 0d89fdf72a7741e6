// --complete and --d-min on the command line: the list they make, the
// options refused, and the budget's message.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::number;
using lumora::test::run;

namespace {

std::vector<std::string> reflections(std::vector<std::string> more) {
    std::vector<std::string> args{"reflections", "--cell", "5 5 5 90 90 90", "--sg", "P 1"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Integer points other than the origin with h^2 + k^2 + l^2 <= limit.
int pointsWithin(int limit) {
    int count = 0;
    for (int h = -40; h <= 40; ++h)
        for (int k = -40; k <= 40; ++k)
            for (int l = -40; l <= 40; ++l)
                if ((h || k || l) && h * h + k * k + l * l <= limit) ++count;
    return count;
}

}  // namespace

TEST(CompleteOption, ListsEveryReflectionDownToTheThreshold) {
    // A 5 Å cube down to 0.9 Å: h^2 + k^2 + l^2 <= (5 / 0.9)^2 = 30.9.
    const auto complete = run(reflections({"--complete", "--d-min", "0.9"}));
    ASSERT_EQ(complete.status, 0) << complete.err;
    const auto rows = lines(complete.out);
    EXPECT_EQ(static_cast<int>(rows.size()), pointsWithin(30));
    std::set<std::tuple<int, int, int>> seen;
    for (const auto& row : rows) {
        const auto w = lumora::util::splitBlanks(row);
        ASSERT_EQ(w.size(), 4u) << row;
        EXPECT_GE(number(w[3]), 0.9) << row;
        EXPECT_TRUE(seen.insert({std::stoi(w[0]), std::stoi(w[1]), std::stoi(w[2])}).second) << row;
    }
    // The cell's rule is still the default: d >= 0.5 Å for this cell, h^2 + k^2 + l^2 <= 100.
    const auto byRule = run(reflections({}));
    ASSERT_EQ(byRule.status, 0) << byRule.err;
    EXPECT_EQ(static_cast<int>(lines(byRule.out).size()), pointsWithin(100));
    // Without --d-min the band of the 50 kV tube decides: d >= 0.124 Å, and a
    // 2 Å cube reaches h^2 + k^2 + l^2 <= (2 / 0.12398)^2 = 260.2.
    const auto byBand = run({"reflections", "--cell", "2 2 2 90 90 90", "--sg", "P 1", "--complete"});
    ASSERT_EQ(byBand.status, 0) << byBand.err;
    EXPECT_EQ(static_cast<int>(lines(byBand.out).size()), pointsWithin(260));
}

TEST(CompleteOption, BadValuesAndListsBeyondTheBudgetAreRefused) {
    using Case = std::pair<std::vector<std::string>, std::string>;
    for (const auto& [extra, message] :
         {Case{{"--d-min", "0.9"}, "--d-min sets the threshold of a complete list: it goes with --complete"},
          Case{{"--complete", "--d-min", "0"}, "--d-min must be a positive number"},
          Case{{"--complete", "--d-min", "-1"}, "--d-min must be a positive number"},
          Case{{"--complete", "--d-min", "abc"}, "--d-min"}}) {
        const auto r = run(reflections(extra));
        EXPECT_EQ(r.status, 2) << extra.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    QTemporaryDir dir;
    const auto big = run({"render", "--cell", "100 100 100 90 90 90", "--sg", "P 1", "--complete", "--d-min",
                          "0.4", "-o", dir.filePath("p.png").toStdString()});
    EXPECT_EQ(big.status, 2);
    EXPECT_NE(big.err.find("about 65.4 million reflections, more than the 20.0 million a list may hold; set "
                           "d-min to 0.6 Å or more"),
              std::string::npos)
        << big.err;
}
