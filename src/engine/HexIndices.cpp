// Four-index hexagonal notation: conversions, texts and reading typed indices.
#include "engine/HexIndices.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "util/Error.h"

namespace lumora::engine {

namespace {

// The shortest text that reads back as the same number ("-2", "-1.5"), in no locale.
std::string shortest(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0).ptr;  // no "-0"
    return std::string(buffer, end);
}

int commonDivisor(const int* values, int count) {
    int g = 0;
    for (int n = 0; n < count; ++n) g = std::gcd(g, values[n]);
    return g;
}

template <std::size_t N>
std::array<int, N> reduced(std::array<int, N> values) {
    const int g = commonDivisor(values.data(), static_cast<int>(N));
    if (g > 1)
        for (int& v : values) v /= g;
    return values;
}

// Integers of a typed index list; anything that is not a whole number is refused.
std::vector<int> readNumbers(std::string_view text, const char* what) {
    std::vector<int> values;
    std::string token;
    auto flush = [&] {
        if (token.empty()) return;
        char* end = nullptr;
        const double value = std::strtod(token.c_str(), &end);
        if (end != token.c_str() + token.size() || !std::isfinite(value) || value != std::round(value) ||
            std::abs(value) > 1e6)
            throw Error(
                Error::TypeMismatch,
                std::string("The ") + what + " indices must be whole numbers; \"" + token + "\" is not one.");
        values.push_back(static_cast<int>(value));
        token.clear();
    };
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '(' || c == ')' || c == '[' || c == ']' ||
            c == '{' || c == '}' || c == '<' || c == '>')
            flush();
        else
            token += c;
    }
    flush();
    if (values.size() != 3 && values.size() != 4)
        throw Error(Error::TypeMismatch, std::string("The ") + what +
                                             " needs three indices, or four in hexagonal notation; " +
                                             std::to_string(values.size()) + " were given.");
    return values;
}

}  // namespace

std::array<double, 3> readVector(std::string_view text, bool direction) {
    const char* what = direction ? "direction" : "plane";
    std::vector<double> v;
    std::string token;
    auto flush = [&] {
        if (token.empty()) return;
        char* end = nullptr;
        const double value = std::strtod(token.c_str(), &end);
        if (end != token.c_str() + token.size() || !std::isfinite(value))
            throw Error(Error::TypeMismatch, std::string("The ") + what + " indices must be numbers; \"" +
                                                 token + "\" is not one.");
        v.push_back(value);
        token.clear();
    };
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '(' || c == ')' || c == '[' || c == ']')
            flush();
        else
            token += c;
    }
    flush();
    if (v.size() != 3 && v.size() != 4)
        throw Error(Error::TypeMismatch, std::string("The ") + what +
                                             " needs three indices, or four in hexagonal notation; " +
                                             std::to_string(v.size()) + " were given.");
    if (v.size() == 3) return {v[0], v[1], v[2]};
    const double third = -(v[0] + v[1]);
    if (std::abs(v[2] - third) > 1e-6 * std::max({1.0, std::abs(v[0]), std::abs(v[1])}))
        throw Error(Error::TypeMismatch,
                    std::string(direction ? "In [u v t w] the third index must be -(u+v) = "
                                          : "In (h k i l) the third index must be -(h+k) = ") +
                        shortest(third) + ", not " + shortest(v[2]) + ".");
    if (direction) return {v[0] - v[2], v[1] - v[2], v[3]};
    return {v[0], v[1], v[3]};
}

bool isHexagonalCell(const std::array<double, 6>& cell) {
    constexpr double angleTolerance = 1e-3;  // degrees
    return cell[0] > 0 && std::abs(cell[0] - cell[1]) <= 1e-6 * cell[0] &&
           std::abs(cell[3] - 90) <= angleTolerance && std::abs(cell[4] - 90) <= angleTolerance &&
           std::abs(cell[5] - 120) <= angleTolerance;
}

std::array<int, 4> planeToFour(int h, int k, int l) { return {h, k, -(h + k), l}; }

std::array<int, 4> directionToFour(int u, int v, int w) {
    return reduced(std::array<int, 4>{2 * u - v, 2 * v - u, -(u + v), 3 * w});
}

std::array<int, 3> directionToThree(const std::array<int, 4>& uvtw) {
    const auto [u, v, t, w] = uvtw;
    if (t != -(u + v))
        throw Error(Error::InvalidCall, "In [u v t w] the third index must be -(u+v) = " +
                                            std::to_string(-(u + v)) + ", not " + std::to_string(t) + ".");
    return reduced(std::array<int, 3>{u - t, v - t, w});
}

std::string compactIndices(const int* values, int count) {
    std::string text;
    for (int n = 0; n < count; ++n) text += std::to_string(values[n]);
    return text;
}

std::string spacedIndices(const int* values, int count) {
    std::string text;
    for (int n = 0; n < count; ++n) {
        if (n) text += ' ';
        text += std::to_string(values[n]);
    }
    return text;
}

std::array<int, 3> readPlane(std::string_view text) {
    const std::vector<int> v = readNumbers(text, "plane");
    if (v.size() == 4 && v[2] != -(v[0] + v[1]))
        throw Error(Error::TypeMismatch,
                    "In (h k i l) the third index must be -(h+k) = " + std::to_string(-(v[0] + v[1])) +
                        ", not " + std::to_string(v[2]) + ".");
    return v.size() == 4 ? std::array<int, 3>{v[0], v[1], v[3]} : std::array<int, 3>{v[0], v[1], v[2]};
}

std::array<int, 3> readDirection(std::string_view text) {
    const std::vector<int> v = readNumbers(text, "direction");
    if (v.size() == 3) return {v[0], v[1], v[2]};
    if (v[2] != -(v[0] + v[1]))
        throw Error(Error::TypeMismatch,
                    "In [u v t w] the third index must be -(u+v) = " + std::to_string(-(v[0] + v[1])) +
                        ", not " + std::to_string(v[2]) + ".");
    return directionToThree({v[0], v[1], v[2], v[3]});
}

}  // namespace lumora::engine
