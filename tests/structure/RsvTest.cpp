#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "StructureTestSupport.h"
#include "structure/Rsv.h"

using namespace lumora::structure;
using namespace structuretest;

namespace {

// 1/d² = h²/a² + k²/b² + l²/c²: enough for the right-angled cells used here.
MetricFactory orthogonalMetric() {
    return [](const CellConstants& c) -> SpacingFunction {
        const double a = c[0], b = c[1], cc = c[2];
        return [=](int h, int k, int l) {
            return static_cast<float>(1.0 / std::sqrt(h * h / (a * a) + k * k / (b * b) + l * l / (cc * cc)));
        };
    };
}

ReflectionFile parse(const std::string& body,
                     const std::string& header =
                         "Reflection data\r\nwritten by hand\r\nCELL  4.0 5.0 6.0 90 90 "
                         "90\r\nTITL  Test crystal  \r\n") {
    return parseRsv(header + body, orthogonalMetric());
}

const fs::path kSourceDir = LUMORA_STRUCTURE_TEST_DIR;

TEST(RsvList, EndsAtTheTerminatorOrAtTheEndOfTheFile) {
    const std::string three = "1 0 0 10\r\n0 1 0 20\r\n0 0 1 30\r\n";
    // Nothing after the terminator is read, and it is found inside a longer line too.
    for (const std::string tail : {"0 0 0 0 0\r\n", "", "   0 0 0 0 0 end\r\n2 2 2 40\r\nbroken\r\n",
                                   "10 0 0 0 0\r\n2 2 2 40\r\n", "\r\n   \r\n\r\n"})
        EXPECT_EQ(parse(three + tail).size(), 3u) << tail;
    EXPECT_EQ(parse("1 0 0 10\r\n\r\n0 1 0 20\r\n").size(), 2u);  // empty lines are not reflections
}

TEST(RsvList, KeepsFileOrderAndReadsAllColumns) {
    const auto file = parse("1 0 0 10\r\n0 -2 0 20 2.5\r\n0 0 3 30 -1 extra\r\n0.5 1.5 2.5 1 1\r\n");
    EXPECT_EQ(file.h, (std::vector<int16_t>{1, 0, 0, 0}));  // indices rounded, halves to even
    EXPECT_EQ(file.k, (std::vector<int16_t>{0, -2, 0, 2}));
    EXPECT_EQ(file.l, (std::vector<int16_t>{0, 0, 3, 2}));
    EXPECT_EQ(file.f, (std::vector<float>{10, 20, 30, 1}));
    // Four words take the spacing from the cell, five from the file even when it disagrees.
    EXPECT_EQ(file.d, (std::vector<float>{4.0f, 2.5f, -1.0f, 1.0f}));
    EXPECT_EQ(file.title, "Test crystal");
    EXPECT_FALSE(file.squaredAmplitudes);
    // Extremes skip spacings that are not positive.
    EXPECT_EQ(file.dMin, 1.0f);
    EXPECT_EQ(file.dMax, 4.0f);
    EXPECT_EQ(file.fMax, 30.0f);
}

TEST(RsvAmplitudes, FFOnTheTerminatorMeansSquaredAmplitudes) {
    const std::pair<const char*, float> cases[] = {
        {"1 1 1 16\r\n0 0 0 0 0 FF\r\n", 4.0f},
        {"1 1 1 16\r\n0 0 0 0 0\r\n", 16.0f},
        {"1 1 1 16\r\n0 0 0 0 0\r\nFF\r\n", 16.0f},
        {"1 1 1 16\r\n2 2 2 25 1.0 FF\r\n", 4.0f},  // without a terminator the last line decides
        {"1 0 0 -5\r\n0 0 0 0 0\r\n", 0.001f},      // zero and negative become a thousandth
        {"1 0 0 0\r\n0 0 0 0 0 FF\r\n", static_cast<float>(std::sqrt(static_cast<double>(0.001f)))}};
    for (const auto& [body, f] : cases) EXPECT_EQ(parse(body).f.at(0), f) << body;
    EXPECT_TRUE(parse("1 1 1 16\r\n0 0 0 0 0 Ff\r\n").squaredAmplitudes);
}

TEST(RsvHeader, CellFromPositionSevenTitleTrimmedAndMetricFromTheCell) {
    CellConstants seen{};
    const MetricFactory metric = [&](const CellConstants& c) -> SpacingFunction {
        seen = c;
        return [](int, int, int) { return 1.5f; };
    };
    const auto file = parseRsv(
        "x\r\ny\r\nCELL  5.4310  5.4310 5.431  90.0 90 90 trailing words\r\nTITLE:   Silicon, 295 K   \r\n"
        "1 1 1 10\r\n2 2 0 10\r\n",
        metric);
    EXPECT_EQ(seen, (CellConstants{5.431f, 5.431f, 5.431f, 90, 90, 90}));
    EXPECT_EQ(file.cellTexts, (std::array<std::string, 6>{"5.4310", "5.4310", "5.431", "90.0", "90", "90"}));
    EXPECT_EQ(file.d, (std::vector<float>{1.5f, 1.5f}));
    EXPECT_EQ(file.title, "Silicon, 295 K");
    // "CELL 5" fills the six label characters, so a is read from ".431"; a short title line is no title.
    const auto shortLabels = parse("1 1 1 10\r\n", "x\r\ny\r\nCELL 5.431 5.431 5.431 90 90 90\r\nTI\r\n");
    EXPECT_EQ(shortLabels.cell[0], 0.431f);
    EXPECT_EQ(shortLabels.title, "");
}

TEST(RsvLines, AnyLineEnd) {
    const std::string crlf =
        "x\r\ny\r\nCELL  4 5 6 90 90 90\r\nTITL  t\r\n1 0 0 10\r\n0 1 0 20\r\n0 0 0 0 0 FF\r\n";
    std::string lf = crlf, cr = crlf;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    for (const auto& text : {lf, cr}) {
        EXPECT_EQ(parse(text, "").f, parse(crlf, "").f);
        EXPECT_EQ(parse(text, "").title, "t");
    }
}

TEST(RsvRefused, ShortBrokenOrAbsurdFilesNameTheLineAndTheFault) {
    const std::string cell = "CELL  4 5 6 90 90 90\r\n", head = "x\r\ny\r\n", t = "TITL  t\r\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", Error::InputPastEnd, "before line 3"},
        {"\x01\r\n\x02\r\n\x03\x04garbage\x05\r\n\x06\x07\x08\r\n", Error::TypeMismatch,
         "line 3 of the reflection file"},
        {head + cell + t, Error::InputPastEnd, "no reflections"},
        {head + "CELL  4 five 6 90 90 90\r\n" + t + "1 1 1 1\r\n", Error::TypeMismatch, "\"five\""},
        {head + "CELL  4 5 0 90 90 90\r\n" + t + "1 1 1 1\r\n", Error::InvalidCall, "edge c"},
        {head + "CELL  4 5 1e999 90 90 90\r\n" + t + "1 1 1 1\r\n", Error::Overflow, "line 3"},
        {head + cell + t + "1 1 1 1\r\n1 1 1\r\n", Error::TypeMismatch, "line 6"},
        {head + cell + t + "1\t1\t1\t1\r\n", Error::TypeMismatch, "line 5"},
        {head + cell + t + "1 32768 1 1\r\n", Error::Overflow, "index k"},
        {head + cell + t + "1 1 1 1e99999999999999999999\r\n", Error::Overflow, "F"},
        {head + cell + t + "0 0 0 100\r\n", Error::DivisionByZero, "0 0 0"}};
    for (const auto& [text, number, says] : cases) {
        const Error e = errorOf([&] { parse(text, ""); });
        EXPECT_EQ(e.number(), number) << text;
        EXPECT_NE(e.description().find(says), std::string::npos) << e.description();
    }
    EXPECT_EQ(parse("1 1 1 1e-99999999999999999999\r\n").f[0], 0.001f);
    // A cell the metric rejects keeps its number.
    const MetricFactory picky = [](const CellConstants&) -> SpacingFunction {
        throw Error(Error::InvalidCall, "Invalid unit cell: the angles do not form a cell");
    };
    const Error e = errorOf([&] { parseRsv(head + cell + t + "1 1 1 10 2.0\r\n", picky); });
    EXPECT_EQ(e.number(), Error::InvalidCall);
    EXPECT_NE(e.description().find("do not form a cell (line 3"), std::string::npos);
}

TEST(RsvFile, MissingFolderAndExample) {
    EXPECT_EQ(errorOf([] { readRsvFile(kSourceDir / "no-such-file.rsv", orthogonalMetric()); }).number(),
              Error::FileNotFound);
    EXPECT_EQ(errorOf([] { readRsvFile(kSourceDir, orthogonalMetric()); }).number(), Error::PathAccess);
    const auto file = readRsvFile(kSourceDir / ".." / ".." / "data" / "fe3o4.rsv", orthogonalMetric());
    EXPECT_EQ(file.size(), 13u);
    EXPECT_FALSE(file.squaredAmplitudes);
    for (std::size_t i = 0; i < file.size(); ++i) {
        const int n2 = file.h[i] * file.h[i] + file.k[i] * file.k[i] + file.l[i] * file.l[i];
        EXPECT_NEAR(file.d[i], 8.396 / std::sqrt(n2), 5e-5) << i;
    }
}

TEST(RsvFile, FifosDevicesAndHugeFilesAreRefusedUnread) {
    const fs::path folder = fs::temp_directory_path() / ("lumora-rsv-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path fifo = folder / "fifo.rsv", huge = folder / "huge.rsv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(huge, std::ios::binary).close();
    fs::resize_file(huge, 200u << 20);  // sparse: no disk is used
    EXPECT_EQ(errorOf([&] { readRsvFile(fifo, orthogonalMetric()); }).number(), Error::PathAccess);
    EXPECT_NE(
        errorOf([&] { readRsvFile(huge, orthogonalMetric()); }).description().find("too large (200 MB)"),
        std::string::npos);
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(errorOf([] { readRsvFile("/dev/zero", orthogonalMetric()); }).number(), Error::PathAccess);
    }
    fs::remove_all(folder);
}

// Inputs that once broke the reader, each with the outcome it must have: read
// with these values, or refused with this error.
TEST(RsvRegressions, EveryStoredInputHasItsOutcome) {
    struct Outcome {
        int error;          // 0: read
        const char* says;   // part of the refusal, or the title when read
        std::size_t count;  // reflections read
        float firstD, firstF;
    };
    const std::map<std::string, Outcome> expected{
        {"huge-exponent-cell.rsv", {Error::Overflow, "has the cell constant a too large to read", 0, 0, 0}},
        {"edge-1e30.rsv", {Error::InvalidCall, "must not be longer than 10000 Å", 0, 0, 0}},
        {"d-1e19.rsv", {0, "Far spacing", 2, 1e19f, 10}},
    };
    std::set<std::string> seen;
    for (const auto& entry : fs::directory_iterator(kSourceDir / "regressions" / "rsv")) {
        const std::string name = entry.path().filename().string();
        seen.insert(name);
        const auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << name << " has no expected outcome";
            continue;
        }
        const Outcome& o = it->second;
        if (o.error != 0) {
            const Error e = errorOf([&] { parse(fileText(entry.path()), ""); });
            EXPECT_EQ(e.number(), o.error) << name;
            EXPECT_NE(e.description().find(o.says), std::string::npos) << name << ": " << e.description();
            continue;
        }
        const ReflectionFile file = parse(fileText(entry.path()), "");
        EXPECT_EQ(file.title, o.says) << name;
        ASSERT_EQ(file.size(), o.count) << name;
        EXPECT_EQ(file.d[0], o.firstD) << name;
        EXPECT_EQ(file.f[0], o.firstF) << name;
    }
    EXPECT_EQ(seen.size(), expected.size()) << "stored inputs are missing under " << kSourceDir;
}

}  // namespace
