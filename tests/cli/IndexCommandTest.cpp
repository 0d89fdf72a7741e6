// lumora index on LaueTools' example exposure (silicon under a copper film): the output format
// reviewers parse, angles and pixels, grains, the exit codes, and several files on worker threads.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <regex>
#include <sstream>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::number;
using lumora::test::run;

namespace {

const std::string kCor = std::string(LUMORA_LAUE_DATA_DIR) + "/SiCustrain0.cor";
// The band of the example, 5 to 25 keV.
const std::vector<std::string> kSilicon{"index", "--cell", "5.4309",       "5.4309", "5.4309",
                                        "90",    "90",     "90",           "--sg",   "F d -3 m",
                                        "--kv",  "25",     "--lambda-max", "2.4796"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The numbers of the .cor's spot lines: 2theta chi x y I.
std::vector<std::vector<double>> corSpots() {
    std::vector<std::vector<double>> spots;
    for (const std::string& line : lines(readText(kCor))) {
        std::istringstream in(line);
        std::vector<double> v;
        for (double x; in >> x;) v.push_back(x);
        if (v.size() == 5) spots.push_back(v);
    }
    return spots;
}

const std::regex kHeading(R"((Solution|Grain) (\d+): (\d+) of (\d+) spots, mean deviation (\d+\.\d{4}) deg)");
const std::regex kMatrix(R"(Matrix:( -?\d+\.\d{9}){9})");
const std::regex kSpot(R"(Spot: (\d+)( -?\d+){3}( -?\d+\.\d{4}){6})");

struct Block {
    std::string heading;
    int explained = 0, given = 0;
    double meanDeviation = 0;
    std::vector<std::vector<double>> spots;  // the numbers after "Spot:"
};

// Reads the output as a program would, checking every line's form and the blank lines between blocks.
std::vector<Block> parse(const std::string& text) {
    std::vector<Block> blocks;
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& line = all[i];
        std::smatch m;
        if (std::regex_match(line, m, kHeading)) {
            if (!blocks.empty()) {
                EXPECT_EQ(all[i - 1], "") << "no blank line before " << line;
            }
            blocks.push_back(
                {m[1].str() + " " + m[2].str(), std::stoi(m[3]), std::stoi(m[4]), number(m[5]), {}});
            EXPECT_TRUE(i + 1 < all.size() && std::regex_match(all[i + 1], kMatrix)) << all[i + 1];
            ++i;
        } else if (std::regex_match(line, kSpot)) {
            std::istringstream in(line.substr(6));
            std::vector<double> v;
            for (std::string w; in >> w;) v.push_back(number(w));
            blocks.back().spots.push_back(v);
        } else {
            EXPECT_EQ(line, "") << "unexpected line";
        }
    }
    return blocks;
}

TEST(IndexCommand, IndexesTheExampleFromAnglesInTheAgreedFormat) {
    const auto r = run(with(kSilicon, {"--angles", "--peaks", kCor}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 51), "Solution 1: 155 of 210 spots, mean deviation 0.0010");
    const auto blocks = parse(r.out);
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_LE(blocks.size(), 5u);
    EXPECT_EQ(blocks[0].explained, 155);
    EXPECT_EQ(blocks[0].given, 210);
    EXPECT_LT(blocks[0].meanDeviation, 0.005);
    for (std::size_t i = 1; i < blocks.size(); ++i) EXPECT_LE(blocks[i].explained, blocks[i - 1].explained);

    // Each spot line: its number among the file's spot lines, the observed angles as listed, the
    // computed ones within the deviation, a wavelength in the band.
    const auto cor = corSpots();
    ASSERT_EQ(blocks[0].spots.size(), 155u);
    for (const auto& s : blocks[0].spots) {
        const auto& listed = cor.at(static_cast<std::size_t>(s[0]) - 1);
        EXPECT_NEAR(s[4], listed[0], 5e-5);
        EXPECT_NEAR(s[5], listed[1], 5e-5);
        EXPECT_NEAR(s[6], s[4], 0.02);
        EXPECT_LT(s[8], 0.02);
        EXPECT_GE(s[9], 12.398 / 25 - 1e-4);
        EXPECT_LE(s[9], 2.4796 + 1e-4);
    }
}

TEST(IndexCommand, IndexesThroughTheDetectorAndFindsTheCopperGrain) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    // The pixels of the .cor through its calibration.
    writeText(folder + "/camera.det", "77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734, 2018, 2016\n");
    std::string pixels = "x y I\n";
    for (const auto& s : corSpots())
        pixels += std::to_string(s[2]) + " " + std::to_string(s[3]) + " " + std::to_string(s[4]) + "\n";
    writeText(folder + "/pixels.txt", pixels);
    const auto r = run(with(kSilicon, {"--detector-file", folder + "/camera.det", folder + "/pixels.txt"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto blocks = parse(r.out);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0].explained, 155);
    // The observed angles come from the pixels through the camera: LaueTools' own within 0.01 deg.
    const auto cor = corSpots();
    for (const auto& s : blocks[0].spots) {
        const auto& listed = cor.at(static_cast<std::size_t>(s[0]) - 1);
        EXPECT_NEAR(s[4], listed[0], 0.01);
        EXPECT_NEAR(s[5], listed[1], 0.01);
    }

    // As copper, grain by grain: the copper film's 55 spots first.
    const auto copper =
        run({"index", "--cell", "3.6", "3.6", "3.6", "90", "90", "90", "--sg", "F m -3 m", "--kv", "25",
             "--lambda-max", "2.4796", "--angles", "--grains", "2", "--peaks", kCor});
    ASSERT_EQ(copper.status, 0) << copper.err;
    const auto grains = parse(copper.out);
    ASSERT_EQ(grains.size(), 2u);
    EXPECT_EQ(grains[0].heading, "Grain 1");
    EXPECT_EQ(grains[0].explained, 55);
    EXPECT_EQ(grains[1].heading, "Grain 2");
}

TEST(IndexCommand, ExitCodesAndMessages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    writeText(folder + "/noise.txt",
              "# 2theta chi\n70 10\n85 -20\n101 33\n95 3\n120 -8\n77 25\n60 -31\n110 12\n");
    auto r = run(with(kSilicon, {"--angles", "--peaks", folder + "/noise.txt"}));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "No orientation found\n");

    writeText(folder + "/bad.txt", "x y\n1 2\n3 three\n");
    r = run(with(kSilicon, {"--peaks", folder + "/bad.txt"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = run(with(kSilicon, {"--peaks", folder + "/missing.txt"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Error 53"), std::string::npos) << r.err;

    for (const auto& bad :
         std::vector<std::vector<std::string>>{{},                             // no peak file
                                               {"--tolerance", "0", kCor},     // no tolerance
                                               {"--tolerance", "wide", kCor},  // not a number
                                               {"--kv", "-5", kCor},           // no voltage
                                               {"--lambda-max", "0.1", kCor},  // below the band's start
                                               {"--grains", "0", kCor},        // no grain
                                               {"--threads", "1.5", kCor},     // not a whole number
                                               {"--unknown", kCor}}) {
        r = run(with(kSilicon, bad));
        EXPECT_EQ(r.status, 2) << (bad.empty() ? "" : bad[0]);
        EXPECT_FALSE(r.err.empty());
    }
    r = run({"index", "--cell", "5", "5", "5", "90", "90", "90", "--angles", kCor});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("space group"), std::string::npos) << r.err;

    r = run({"index", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("array job"), std::string::npos);
    EXPECT_NE(r.out.find("--grains"), std::string::npos);
    EXPECT_NE(run({"--help"}).out.find("  index "), std::string::npos);
}

// Several files: each result beside its file as NAME.idx, the same text one file alone prints;
// a line per file on stdout; the same results on one thread and on two.
TEST(IndexCommand, SeveralFilesOnWorkerThreads) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string cor = readText(kCor);
    writeText(folder + "/a.cor", cor);
    writeText(folder + "/b.frame.cor", cor);
    writeText(folder + "/c.txt", "70 10\n85 -20\n101 33\n95 3\n120 -8\n77 25\n60 -31\n");
    const std::vector<std::string> files{folder + "/a.cor", folder + "/b.frame.cor", folder + "/c.txt"};
    const std::string alone = run(with(kSilicon, {"--angles", kCor})).out;

    std::vector<std::string> results;
    for (const std::string threads : {"1", "2"}) {
        const auto r =
            run(with(kSilicon, {"--angles", "--threads", threads, "--peaks", files[0], files[1], files[2]}));
        EXPECT_EQ(r.status, 1) << r.err;  // c.txt holds no crystal
        EXPECT_EQ(r.out, files[0] + ": 210 spots, 155 indexed\n" + files[1] + ": 210 spots, 155 indexed\n" +
                             files[2] + ": No orientation found\n");
        EXPECT_EQ(readText(folder + "/a.idx"), alone);
        EXPECT_EQ(readText(folder + "/b.frame.idx"), alone);
        EXPECT_EQ(readText(folder + "/c.idx"), "No orientation found\n");
        results.push_back(readText(folder + "/a.idx") + readText(folder + "/b.frame.idx"));
    }
    EXPECT_EQ(results[0], results[1]);
}

}  // namespace
