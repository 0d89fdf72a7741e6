#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumora::util {

// Reads the leading number of a text the way every input field and file of the
// program does: blanks, tabs and line feeds anywhere are removed first, "&H" and
// "&O" introduce hexadecimal and octal numbers, otherwise the longest leading
// decimal number (sign, digits, point, exponent with E or D) is taken; 0 when
// there is none. The decimal point is always ".". A number too large for a
// double raises Error 6 (Overflow).
double val(std::string_view text);

// Like val(), but true only when the whole text (after trimming) is a number.
// Used where bad input must be refused instead of read as 0.
bool parseStrictNumber(std::string_view text, double& out);

// Nearest integer, halves to even.
double nearest(double x);

// Nearest integer as a 16-bit or 32-bit value; out of range raises Error 6.
int16_t toInt16(double x);
int32_t toInt32(double x);

// Formats a number with one of the picture patterns the program prints:
// "0.0###", "0.00000", "0.00", "0.0#", "0.0##", "0.0" and the film caption's
// "0.##" (which keeps its point when no decimals remain, so 100 reads "100.").
// '0' after the point is a decimal always shown, '#' one shown when not zero.
std::string formatNumber(double value, std::string_view pattern);

// The shortest text of a single: at most 7 significant digits, no trailing
// zeros, no exponent for ordinary magnitudes ("5.431", "90", "0.24796").
std::string singleText(float value);

}  // namespace lumora::util
