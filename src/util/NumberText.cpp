#include "util/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "util/Error.h"

namespace lumora::util {

namespace {

std::string withoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') out.push_back(c);
    return out;
}

double radixValue(std::string_view digits, int radix) {
    std::size_t n = 0;
    double value = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= radix) break;
        value = value * radix + d;
        ++n;
    }
    // Short hexadecimal and octal literals are 16-bit or 32-bit two's complement
    // values, so &HFFFF reads as -1.
    const std::size_t bits = radix == 16 ? n * 4 : n * 3;
    if (n > 0 && bits <= 16 && value > 32767) return value - 65536;
    if (n > 0 && bits <= 32 && value > 2147483647.0) return value - 4294967296.0;
    return value;
}

// Length of the longest leading decimal number of s, or 0.
std::size_t decimalPrefix(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
        if (j > expStart) end = j;
    }
    return end;
}

double parseDecimal(std::string number) {
    for (char& c : number)
        if (c == 'd' || c == 'D') c = 'e';
    const char* first = number.data();
    if (*first == '+') ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Tell overflow from underflow by the decimal magnitude.
        const auto e = number.find('e');
        const std::string mantissa = number.substr(0, e);
        long exponent = e == std::string::npos ? 0 : std::strtol(number.c_str() + e + 1, nullptr, 10);
        // strtol saturates at the long range; keep the sum below from overflowing.
        exponent = std::clamp(exponent, -1000000L, 1000000L);
        long magnitude = 0;
        const auto point = mantissa.find('.');
        const std::string whole = mantissa.substr(0, point);
        const auto firstNonZero = whole.find_first_not_of("+-0");
        if (firstNonZero != std::string::npos) {
            magnitude = static_cast<long>(whole.size() - firstNonZero);
        } else if (point != std::string::npos) {
            const auto fracNonZero = mantissa.find_first_not_of('0', point + 1);
            magnitude =
                fracNonZero == std::string::npos ? -100000 : -static_cast<long>(fracNonZero - point - 1);
        }
        if (magnitude + exponent > 0) throw Error(Error::Overflow, "Overflow");
        return 0.0;
    }
    return value;
}

}  // namespace

double val(std::string_view text) {
    const std::string s = withoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H') return radixValue(std::string_view(s).substr(2), 16);
        if (s[1] == 'o' || s[1] == 'O') return radixValue(std::string_view(s).substr(2), 8);
    }
    const std::size_t n = decimalPrefix(s);
    if (n == 0) return 0.0;
    return parseDecimal(s.substr(0, n));
}

bool parseStrictNumber(std::string_view text, double& out) {
    std::string_view t = text;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
        t.remove_suffix(1);
    if (t.empty() || t.find_first_of(" \t") != std::string_view::npos) return false;
    const std::size_t n = decimalPrefix(t);
    if (n != t.size()) return false;
    try {
        out = parseDecimal(std::string(t));
    } catch (const Error&) {
        return false;
    }
    return std::isfinite(out);
}

double nearest(double x) { return std::nearbyint(x); }

int16_t toInt16(double x) {
    const double r = nearest(x);
    if (!(r >= -32768.0 && r <= 32767.0)) throw Error(Error::Overflow, "Overflow");
    return static_cast<int16_t>(r);
}

int32_t toInt32(double x) {
    const double r = nearest(x);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw Error(Error::Overflow, "Overflow");
    return static_cast<int32_t>(r);
}

std::string formatNumber(double value, std::string_view pattern) {
    const auto point = pattern.find('.');
    int minDecimals = 0;
    int maxDecimals = 0;
    if (point != std::string_view::npos) {
        for (char c : pattern.substr(point + 1)) {
            if (c == '0')
                ++minDecimals, ++maxDecimals;
            else if (c == '#')
                ++maxDecimals;
        }
    }
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");

    char buffer[400];
    const auto res =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, maxDecimals);
    std::string text(buffer, res.ptr);
    if (maxDecimals > minDecimals) {
        const auto dot = text.find('.');
        std::size_t keep = text.size();
        while (keep > dot + 1 + static_cast<std::size_t>(minDecimals) && text[keep - 1] == '0') --keep;
        text.resize(keep);
    }
    // No negative zero: a value that rounds to nothing prints as zero.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    if (point == std::string_view::npos && !text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string singleText(float value) {
    if (value == 0.0f) return "0";
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    // Seven significant digits like a single prints, independent of the locale.
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                   std::chars_format::general, 7);
    std::string text(buffer, res.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    const auto e = text.find('E');
    std::string mantissa = text.substr(0, e);
    const std::string exponent = e == std::string::npos ? "" : text.substr(e);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    return mantissa + exponent;
}

}  // namespace lumora::util
