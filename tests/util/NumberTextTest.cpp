#include <gtest/gtest.h>

#include <clocale>

#include "util/Error.h"
#include "util/NumberText.h"

using namespace lumora;
using namespace lumora::util;

TEST(LeadingNumber, TakesTheLongestDecimalPrefix) {
    EXPECT_DOUBLE_EQ(val("5.431"), 5.431);
    EXPECT_DOUBLE_EQ(val("  -2.5e1xyz"), -25.0);
    EXPECT_DOUBLE_EQ(val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(val("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(val("+7"), 7.0);
    EXPECT_DOUBLE_EQ(val("1e"), 1.0);  // an exponent without digits is not part of the number
    EXPECT_DOUBLE_EQ(val("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(val("2D3"), 2000.0);  // D is an exponent letter too
    EXPECT_DOUBLE_EQ(val("5.4310(2)"), 5.431);
}

TEST(LeadingNumber, RemovesBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_DOUBLE_EQ(val("1 2 3"), 123.0);
    EXPECT_DOUBLE_EQ(val("\t4\n5"), 45.0);
    EXPECT_DOUBLE_EQ(val("- 3"), -3.0);
    // A carriage return is not removed and ends the number.
    EXPECT_DOUBLE_EQ(val("7\r8"), 7.0);
}

TEST(LeadingNumber, IsZeroWithoutANumber) {
    EXPECT_EQ(val(""), 0.0);
    EXPECT_EQ(val("-"), 0.0);
    EXPECT_EQ(val("."), 0.0);
    EXPECT_EQ(val("inf"), 0.0);
    EXPECT_EQ(val("nan"), 0.0);
}

TEST(LeadingNumber, HonoursHexAndOctalPrefixes) {
    EXPECT_EQ(val("&H10"), 16.0);
    EXPECT_EQ(val("&hff"), 255.0);
    EXPECT_EQ(val("&HFFFF"), -1.0);  // four hex digits are a 16-bit value
    EXPECT_EQ(val("&H10000"), 65536.0);
    EXPECT_EQ(val("&O17"), 15.0);
    EXPECT_EQ(val("&O8"), 0.0);
    EXPECT_EQ(val("&Hxyz"), 0.0);
}

TEST(LeadingNumber, OverflowIsAnErrorAndUnderflowIsZero) {
    try {
        val("1e999");
        FAIL() << "no overflow reported";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 6);
    }
    EXPECT_THROW(val(std::string(400, '9')), Error);
    EXPECT_EQ(val("1e-999"), 0.0);
    EXPECT_THROW(val("1e99999999999999999999"), Error);  // an exponent beyond the long range
    EXPECT_EQ(val("1e-99999999999999999999"), 0.0);
    EXPECT_EQ(val("0.000e999"), 0.0);
}

TEST(LeadingNumber, IgnoresTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"})
        if ((comma = std::setlocale(LC_NUMERIC, name)) && *std::localeconv()->decimal_point == ',') break;
    if (!comma || *std::localeconv()->decimal_point != ',') {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed here";
    }
    EXPECT_DOUBLE_EQ(val("2.5"), 2.5);
    EXPECT_EQ(formatNumber(2.5, "0.0###"), "2.5");
    EXPECT_EQ(singleText(2.5f), "2.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StrictNumber, RefusesAnythingButAWholeNumber) {
    double v = 0;
    EXPECT_TRUE(parseStrictNumber(" 5.431 ", v));
    EXPECT_DOUBLE_EQ(v, 5.431);
    EXPECT_TRUE(parseStrictNumber("-1e3", v));
    EXPECT_DOUBLE_EQ(v, -1000.0);
    EXPECT_FALSE(parseStrictNumber("5.43x", v));
    EXPECT_FALSE(parseStrictNumber("abc", v));
    EXPECT_FALSE(parseStrictNumber("", v));
    EXPECT_FALSE(parseStrictNumber("1 2", v));
    EXPECT_FALSE(parseStrictNumber("1e999", v));
    EXPECT_FALSE(parseStrictNumber("nan", v));
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(nearest(1.5), 2.0);
    EXPECT_EQ(nearest(2.5), 2.0);
    EXPECT_EQ(nearest(-2.5), -2.0);
    EXPECT_EQ(nearest(2.5000001), 3.0);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_THROW(toInt16(32767.5), Error);
    EXPECT_THROW(toInt16(std::numeric_limits<double>::quiet_NaN()), Error);
    EXPECT_THROW(toInt32(3e9), Error);
}

TEST(NumberFormat, PatternsOfTheProgram) {
    EXPECT_EQ(formatNumber(5.431, "0.0###"), "5.431");
    EXPECT_EQ(formatNumber(90, "0.0###"), "90.0");
    EXPECT_EQ(formatNumber(0.41326666, "0.0###"), "0.4133");
    EXPECT_EQ(formatNumber(3.1353912, "0.00000"), "3.13539");
    EXPECT_EQ(formatNumber(12.3456, "0.00"), "12.35");
    EXPECT_EQ(formatNumber(45.0, "0.0#"), "45.0");
    EXPECT_EQ(formatNumber(35.264, "0.0#"), "35.26");
    EXPECT_EQ(formatNumber(35.2649, "0.0##"), "35.265");
    EXPECT_EQ(formatNumber(0.04, "0.0"), "0.0");
    EXPECT_EQ(formatNumber(-0.04, "0.0"), "0.0");  // no negative zero
    EXPECT_EQ(formatNumber(-1.25, "0.0#"), "-1.25");
}

TEST(NumberFormat, FilmCaptionKeepsThePoint) {
    EXPECT_EQ(formatNumber(100, "0.##"), "100.");
    EXPECT_EQ(formatNumber(12.5, "0.##"), "12.5");
    EXPECT_EQ(formatNumber(12.346, "0.##"), "12.35");
    EXPECT_EQ(formatNumber(0.004, "0.##"), "0.");
}

TEST(NumberFormat, RoundsTheExactValueHalvesToEven) {
    EXPECT_EQ(formatNumber(0.125, "0.00"), "0.12");  // exactly representable tie
    EXPECT_EQ(formatNumber(0.375, "0.00"), "0.38");
    EXPECT_EQ(formatNumber(2.675, "0.00"), "2.67");  // 2.675 is stored slightly below the half
}

TEST(SingleText, ShortestWithSevenSignificantDigits) {
    EXPECT_EQ(singleText(5.0f), "5");
    EXPECT_EQ(singleText(5.431f), "5.431");
    EXPECT_EQ(singleText(101.79f), "101.79");
    EXPECT_EQ(singleText(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(singleText(12.398f / 50.0f), "0.24796");
    EXPECT_EQ(singleText(-0.5f), "-0.5");
    EXPECT_EQ(singleText(0.0f), "0");
    EXPECT_EQ(singleText(1234567.0f), "1234567");
    EXPECT_EQ(singleText(12345678.0f), "1.234568E+07");
    EXPECT_EQ(singleText(0.00001f), "1E-05");
    EXPECT_EQ(singleText(0.0001f), "0.0001");
}
