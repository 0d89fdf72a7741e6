// lumora render --intensity physical: the spots' intensity column, what it
// changes in the picture and the refused combinations.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <tuple>

#include "RunCli.h"
#include "util/TextSplit.h"

using lumora::test::lines;
using lumora::test::number;
using lumora::test::run;

namespace {

const std::string kExamples = LUMORA_TEST_DATA_DIR;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::vector<std::string>> records(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    for (const std::string& line : lines(text))
        if (!line.empty()) out.push_back(lumora::util::splitBy(line, "\t"));
    return out;
}

// The spot's primitive direction, sign included: hkl and -h-k-l stay apart
// here and are compared through their shared position instead.
std::tuple<int, int, int> primitive(int h, int k, int l) {
    const int g = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
    return {h / g, k / g, l / g};
}

class IntensityRender : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string spots(std::vector<std::string> extra) {
        const std::string tsv = dir.filePath("s.tsv").toStdString();
        std::vector<std::string> args{"render",
                                      "--structure",
                                      kExamples + "/Si.cel",
                                      "--orient",
                                      "1 2 5",
                                      "--mode",
                                      "detector",
                                      "--kv",
                                      "30",
                                      "-o",
                                      dir.filePath("s.png").toStdString(),
                                      "--spots",
                                      tsv};
        args.insert(args.end(), extra.begin(), extra.end());
        std::remove(tsv.c_str());
        const auto r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return readText(tsv);
    }
};

TEST_F(IntensityRender, EverySpotCarriesItsSumRelativeToTheStrongest) {
    const auto physical = records(spots({"--intensity", "physical", "--anode", "Cu"}));
    const auto classic = records(spots({}));
    ASSERT_GT(physical.size(), 30u);
    ASSERT_EQ(physical.size(), classic.size());
    double strongest = 0;
    std::map<std::tuple<int, int, int>, std::string> bySpot;
    std::vector<std::pair<double, double>> radiusByIntensity;
    for (std::size_t i = 0; i < physical.size(); ++i) {
        const auto& p = physical[i];
        ASSERT_EQ(p.size(), 9u) << "line " << i;
        ASSERT_EQ(classic[i].size(), 8u) << "line " << i;
        // The intensity model moves no spot: h k l x y wavelength are the same.
        for (std::size_t c = 0; c < 6; ++c) EXPECT_EQ(p[c], classic[i][c]) << "line " << i;
        const double intensity = number(p[8]);
        EXPECT_GE(intensity, 0);
        EXPECT_LE(intensity, 1);
        strongest = std::max(strongest, intensity);
        // Six significant digits.
        std::string digits;
        for (char ch : p[8].substr(0, p[8].find('e')))
            if (ch >= '0' && ch <= '9') digits += ch;
        digits.erase(0, digits.find_first_not_of('0'));
        EXPECT_LE(digits.size(), 6u) << p[8];
        // Every harmonic of one spot carries the same sum.
        const auto key = primitive(std::stoi(p[0]), std::stoi(p[1]), std::stoi(p[2]));
        const auto [it, first] = bySpot.emplace(key, p[8]);
        if (!first) {
            EXPECT_EQ(it->second, p[8]) << p[0] << p[1] << p[2];
        }
        radiusByIntensity.emplace_back(intensity, number(p[6]));
    }
    EXPECT_EQ(strongest, 1);
    EXPECT_LT(bySpot.size(), physical.size()) << "some spot should show two harmonics";
    // Spot size follows the intensity.
    std::sort(radiusByIntensity.begin(), radiusByIntensity.end());
    for (std::size_t i = 1; i < radiusByIntensity.size(); ++i)
        EXPECT_GE(radiusByIntensity[i].second, radiusByIntensity[i - 1].second);
    EXPECT_GT(radiusByIntensity.back().second, radiusByIntensity.front().second);
}

TEST_F(IntensityRender, TheSpectrumChangesTheIntensities) {
    const std::string tube = spots({"--intensity", "physical"});
    const std::string synchrotron = spots({"--intensity", "physical", "--source", "synchrotron"});
    EXPECT_NE(tube, synchrotron);
    EXPECT_EQ(spots({"--intensity", "PHYSICAL", "--anode", "mo", "--source", "tube"}), tube);
    EXPECT_EQ(spots({"--intensity", "F"}), spots({}));
}

TEST_F(IntensityRender, BadChoicesAreRefused) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--intensity", "loud"}, "--intensity is F"},
        {{"--intensity", "physical", "--anode", "W"}, "--anode is Ag, Mo, Cu, Fe or Cr"},
        {{"--intensity", "physical", "--source", "laser"}, "--source is tube or synchrotron"},
        {{"--anode", "Cu"}, "give both"},
        {{"--source", "synchrotron"}, "give both"},
        {{"--intensity", "physical", "--source", "synchrotron", "--anode", "Cu"},
         "a synchrotron beam has none"},
        {{"--intensity", "physical", "--mode", "stereogram"}, "sizes Laue spots"},
    };
    for (const auto& [extra, message] : cases) {
        std::vector<std::string> args{
            "render", "--cell", "5 5 5 90 90 90", "--sg", "P 1", "-o", dir.filePath("x.png").toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << message << ": " << r.err;
        EXPECT_FALSE(QFile::exists(dir.filePath("x.png"))) << message;
    }
}

}  // namespace
