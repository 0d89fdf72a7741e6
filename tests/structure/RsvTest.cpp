#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "structure/Rsv.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::structure;

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

const std::string kHeader =
    "Reflection data\r\n"
    "written by hand\r\n"
    "CELL  4.0 5.0 6.0 90 90 90\r\n"
    "TITL  Test crystal  \r\n";

std::string withHeader(const std::string& body) { return kHeader + body; }

ReflectionFile parse(const std::string& text) { return parseRsv(text, orthogonalMetric()); }

// The error a text is refused with; fails the test when it is read.
Error refusal(const std::string& text, const MetricFactory& metric = orthogonalMetric()) {
    try {
        parseRsv(text, metric);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "accepted:\n" << text;
    return Error(0, "");
}

const std::filesystem::path kSourceDir = std::filesystem::path(__FILE__).parent_path();

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(RsvList, EndsAtTheTerminatorOrAtTheEndOfTheFile) {
    const std::string three = "1 0 0 10\r\n0 1 0 20\r\n0 0 1 30\r\n";
    EXPECT_EQ(parse(withHeader(three + "0 0 0 0 0\r\n")).size(), 3u);
    EXPECT_EQ(parse(withHeader(three)).size(), 3u);
    // nothing after the terminator is read, not even a broken line
    EXPECT_EQ(parse(withHeader(three + "   0 0 0 0 0 end\r\n2 2 2 40\r\nbroken\r\n")).size(), 3u);
    // the terminator is found inside a longer line too
    EXPECT_EQ(parse(withHeader(three + "10 0 0 0 0\r\n2 2 2 40\r\n")).size(), 3u);
}

TEST(RsvList, KeepsFileOrderAndReadsAllColumns) {
    const auto file = parse(withHeader("1 0 0 10\r\n0 -2 0 20 2.5\r\n0 0 3 30\r\n0 0 0 0 0\r\n"));
    EXPECT_EQ(file.h, (std::vector<int16_t>{1, 0, 0}));
    EXPECT_EQ(file.k, (std::vector<int16_t>{0, -2, 0}));
    EXPECT_EQ(file.l, (std::vector<int16_t>{0, 0, 3}));
    EXPECT_EQ(file.f, (std::vector<float>{10, 20, 30}));
    EXPECT_EQ(file.d, (std::vector<float>{4.0f, 2.5f, 2.0f}));
    EXPECT_EQ(file.title, "Test crystal");
    EXPECT_FALSE(file.squaredAmplitudes);
}

TEST(RsvAmplitudes, FFOnTheTerminatorMeansSquaredAmplitudes) {
    EXPECT_EQ(parse(withHeader("1 1 1 16\r\n0 0 0 0 0 FF\r\n")).f[0], 4.0f);
    EXPECT_EQ(parse(withHeader("1 1 1 16\r\n0 0 0 0 0  ff\r\n")).f[0], 4.0f);
    EXPECT_TRUE(parse(withHeader("1 1 1 16\r\n0 0 0 0 0 Ff\r\n")).squaredAmplitudes);
    EXPECT_EQ(parse(withHeader("1 1 1 16\r\n0 0 0 0 0\r\n")).f[0], 16.0f);
    // FF on a line after the terminator does not count
    EXPECT_EQ(parse(withHeader("1 1 1 16\r\n0 0 0 0 0\r\nFF\r\n")).f[0], 16.0f);
    // without a terminator the last line of the file decides
    EXPECT_EQ(parse(withHeader("1 1 1 16\r\n2 2 2 25 1.0 FF\r\n")).f[0], 4.0f);
}

TEST(RsvAmplitudes, ZeroAndNegativeBecomeOneThousandth) {
    const auto plain = parse(withHeader("1 0 0 0\r\n2 0 0 -5\r\n0 0 0 0 0\r\n"));
    EXPECT_EQ(plain.f, (std::vector<float>{0.001f, 0.001f}));
    EXPECT_EQ(plain.fMax, 0.001f);
    const auto squared = parse(withHeader("1 0 0 0\r\n2 0 0 -5\r\n0 0 0 0 0 FF\r\n"));
    const auto root = static_cast<float>(std::sqrt(static_cast<double>(0.001f)));
    EXPECT_EQ(squared.f, (std::vector<float>{root, root}));
}

TEST(RsvSpacing, FourWordsTakeTheCellFiveTheFileEvenWhenItDisagrees) {
    const auto file = parse(withHeader("1 0 0 10\r\n0 1 0 10 7.5\r\n0 0 1 10 -1 extra\r\n1 1 0 10\r\n"));
    EXPECT_EQ(file.d[0], 4.0f);
    EXPECT_EQ(file.d[1], 7.5f);  // the cell gives 5
    EXPECT_EQ(file.d[2], -1.0f);
    EXPECT_FLOAT_EQ(file.d[3], static_cast<float>(1.0 / std::sqrt(1 / 16.0 + 1 / 25.0)));
}

TEST(RsvSpacing, TheMetricIsBuiltOnceFromTheFileCell) {
    int calls = 0;
    CellConstants seen{};
    const MetricFactory metric = [&](const CellConstants& c) -> SpacingFunction {
        ++calls;
        seen = c;
        return [](int, int, int) { return 1.5f; };
    };
    const auto file = parseRsv(withHeader("1 0 0 10\r\n2 0 0 10\r\n"), metric);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, (CellConstants{4, 5, 6, 90, 90, 90}));
    EXPECT_EQ(file.d, (std::vector<float>{1.5f, 1.5f}));
}

TEST(RsvSpacing, ExtremesSkipSpacingsThatAreNotPositive) {
    const auto file = parse(withHeader("1 0 0 10 0\r\n0 1 0 30 -2\r\n0 0 1 20 1.25\r\n0 0 2 5 3.5\r\n"));
    EXPECT_EQ(file.dMin, 1.25f);
    EXPECT_EQ(file.dMax, 3.5f);
    EXPECT_EQ(file.fMax, 30.0f);
    const auto none = parse(withHeader("1 0 0 10 0\r\n"));
    EXPECT_EQ(none.dMin, 999.0f);
    EXPECT_EQ(none.dMax, 0.0f);
}

TEST(RsvIndices, RoundToTheNearestIntegerHalvesToEven) {
    const auto file = parse(withHeader("0.5 1.5 2.5 1 1\r\n-0.5 -1.5 1.49 1 1\r\n32767 -32768 7.6 1 1\r\n"));
    EXPECT_EQ(file.h, (std::vector<int16_t>{0, 0, 32767}));
    EXPECT_EQ(file.k, (std::vector<int16_t>{2, -2, -32768}));
    EXPECT_EQ(file.l, (std::vector<int16_t>{2, 1, 8}));
}

TEST(RsvHeader, CellFromPositionSevenAndTitleTrimmed) {
    const auto file = parse(
        "x\r\ny\r\nCELL  5.4310  5.4310 5.431  90.0 90 90 trailing words\r\nTITLE:   Silicon, 295 K   \r\n"
        "1 1 1 10\r\n");
    EXPECT_EQ(file.cell, (CellConstants{5.431f, 5.431f, 5.431f, 90, 90, 90}));
    EXPECT_EQ(file.cellTexts, (std::array<std::string, 6>{"5.4310", "5.4310", "5.431", "90.0", "90", "90"}));
    EXPECT_EQ(file.title, "Silicon, 295 K");
    // a title line shorter than the label gives an empty title
    EXPECT_EQ(parse("x\r\ny\r\nCELL  4 5 6 90 90 90\r\nTI\r\n1 1 1 10\r\n").title, "");
}

TEST(RsvHeader, AShortLabelLosesTheStartOfA) {
    // "CELL 5" fills the six label characters, so a is read from ".431"
    const auto file = parse("x\r\ny\r\nCELL 5.431 5.431 5.431 90 90 90\r\nTITL  t\r\n1 1 1 10\r\n");
    EXPECT_EQ(file.cell[0], 0.431f);
    EXPECT_EQ(file.cellTexts[0], ".431");
    EXPECT_EQ(file.cell[1], 5.431f);
}

TEST(RsvLines, AnyLineEndAndEmptyLinesAmongTheReflections) {
    const auto crlf = parse(withHeader("1 0 0 10\r\n0 1 0 20\r\n0 0 0 0 0 FF\r\n"));
    std::string lf = withHeader("1 0 0 10\n0 1 0 20\n0 0 0 0 0 FF\n");
    for (auto pos = lf.find("\r\n"); pos != std::string::npos; pos = lf.find("\r\n")) lf.erase(pos, 1);
    std::string cr = lf;
    for (char& c : cr)
        if (c == '\n') c = '\r';
    for (const auto& text : {lf, cr}) {
        const auto file = parse(text);
        EXPECT_EQ(file.h, crlf.h);
        EXPECT_EQ(file.f, crlf.f);
        EXPECT_EQ(file.title, crlf.title);
    }
    // empty lines, inside the list or trailing, are not reflections
    EXPECT_EQ(parse(withHeader("1 0 0 10\r\n\r\n   \r\n0 1 0 20\r\n\r\n\r\n")).size(), 2u);
}

TEST(RsvRefused, ShortOrBrokenFilesNameTheLineAndTheFault) {
    struct Case {
        std::string text;
        int number;
        std::string says;
    };
    const std::string cell = "CELL  4 5 6 90 90 90\r\n";
    const std::string head = "x\r\ny\r\n";
    const std::vector<Case> cases = {
        {"", Error::InputPastEnd, "before line 3"},
        {head, Error::InputPastEnd, "before line 3"},
        {head + cell, Error::InputPastEnd, "before line 4"},
        {head + cell + "TITL  t\r\n", Error::InputPastEnd, "no reflections"},
        {head + cell + "TITL  t\r\n\r\n0 0 0 0 0\r\n1 1 1 1\r\n", Error::InputPastEnd, "no reflections"},
        {head + "CELL  4 5 6 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::TypeMismatch, "line 3"},
        {head + "CELL  4 five 6 90 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::TypeMismatch, "\"five\""},
        {head + "CELL  4 5 0 90 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::InvalidCall, "edge c"},
        {head + "CELL  -4 5 6 90 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::InvalidCall, "edge a"},
        {head + "CELL  4 5 6 90 180 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::InvalidCall, "angle beta"},
        {head + "CELL  4 5 1e39 90 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::Overflow, "line 3"},
        {head + "CELL  4 5 1e999 90 90 90\r\nTITL  t\r\n1 1 1 1\r\n", Error::Overflow, "line 3"},
        {head + cell + "TITL  t\r\n1 1 1 1\r\n1 1 1\r\n", Error::TypeMismatch, "line 6"},
        {head + cell + "TITL  t\r\n1\t1\t1\t1\r\n", Error::TypeMismatch, "line 5"},
        {head + cell + "TITL  t\r\n1 32768 1 1\r\n", Error::Overflow, "index k"},
        {head + cell + "TITL  t\r\n1 1 -32768.6 1\r\n", Error::Overflow, "index l"},
        {head + cell + "TITL  t\r\n1 1 1 1e39\r\n", Error::Overflow, "F"},
        {head + cell + "TITL  t\r\n1 1 1 1 1e39\r\n", Error::Overflow, "d-spacing"},
        {head + cell + "TITL  t\r\n1 1 1 1e400\r\n", Error::Overflow, "F"},
        {head + cell + "TITL  t\r\n0 0 0 100\r\n", Error::DivisionByZero, "0 0 0"},
    };
    for (const auto& c : cases) {
        const Error e = refusal(c.text);
        EXPECT_EQ(e.number(), c.number) << c.text;
        EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
    }
}

// An exponent too long for any integer type still reads as an overflow, not as 0.
TEST(RsvRefused, ExponentBeyondEveryRange) {
    const Error e = refusal(withHeader("1 1 1 1e99999999999999999999\r\n"));
    EXPECT_EQ(e.number(), Error::Overflow);
    EXPECT_EQ(parse(withHeader("1 1 1 1e-99999999999999999999\r\n")).f[0], 0.001f);
}

TEST(RsvRefused, ACellTheMetricRejectsKeepsItsNumber) {
    const MetricFactory picky = [](const CellConstants&) -> SpacingFunction {
        throw Error(Error::InvalidCall, "Invalid unit cell: the angles do not form a cell");
    };
    const Error e = refusal(withHeader("1 1 1 10 2.0\r\n"), picky);
    EXPECT_EQ(e.number(), Error::InvalidCall);
    EXPECT_NE(e.description().find("do not form a cell (line 3"), std::string::npos);
}

TEST(RsvFile, MissingFolderAndExample) {
    const auto missing = kSourceDir / "no-such-file.rsv";
    try {
        readRsvFile(missing, orthogonalMetric());
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::FileNotFound);
        EXPECT_NE(e.description().find("no-such-file.rsv"), std::string::npos);
    }
    try {
        readRsvFile(kSourceDir, orthogonalMetric());
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::PathAccess);
    }

    const auto example = kSourceDir / ".." / ".." / "data" / "fe3o4.rsv";
    const auto file = readRsvFile(example, orthogonalMetric());
    EXPECT_EQ(file.size(), 13u);
    EXPECT_EQ(file.cell[0], 8.396f);
    EXPECT_FALSE(file.squaredAmplitudes);
    EXPECT_FALSE(file.title.empty());
    for (std::size_t i = 0; i < file.size(); ++i) {
        const int n2 = file.h[i] * file.h[i] + file.k[i] * file.k[i] + file.l[i] * file.l[i];
        EXPECT_NEAR(file.d[i], 8.396 / std::sqrt(n2), 5e-5) << i;
    }
}

// Inputs that once broke the reader: each is read or refused, nothing else.
TEST(RsvRegressions, EveryStoredInputIsReadOrRefused) {
    const auto folder = kSourceDir / "regressions" / "rsv";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no stored inputs";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        try {
            parse(fileText(entry.path()));
        } catch (const Error&) {
        }
    }
}
