#include "structure/Elements.h"

#include <cctype>
#include <cmath>

#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Z of a two-character symbol ("Fe", "O "), 0 when no element has it. Only
// whole entries are compared, so a symbol never matches across two of them.
int symbolNumber(char first, char second) {
    for (int z = 1; z <= kLastElement; ++z) {
        const auto i = static_cast<std::size_t>(2 * z - 2);
        if (kElementSymbols[i] == first && kElementSymbols[i + 1] == second) return z;
    }
    return 0;
}

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::string elementSymbol(int z) {
    if (z < 1 || z > kLastElement) return {};
    return util::trim(kElementSymbols.substr(static_cast<std::size_t>(2 * z - 2), 2));
}

int elementNumber(std::string& text) {
    // Water and hydroxyl groups scatter as their oxygen.
    const std::string folded = util::toUpper(text);
    if (folded == "H2O" || folded == "OH") return 8;

    // Charges and anything after a blank are not part of the element.
    const auto cut = text.find_first_of("+- ");
    if (cut != std::string::npos) text = util::trim(std::string_view(text).substr(0, cut));

    // The element is the whole leading run of letters, so "Wat1" is no tungsten
    // and "Kk" no potassium: a label names its element only when the letters
    // stop where the symbol does.
    std::size_t letters = 0;
    while (letters < text.size() && isLetter(text[letters])) ++letters;
    if (letters == 2) return symbolNumber(upper(text[0]), lower(text[1]));
    if (letters != 1) return 0;
    const char only = upper(text[0]);
    // Deuterium and tritium scatter as hydrogen.
    if (only == 'D' || only == 'T') return 1;
    return symbolNumber(only, ' ');
}

int elementNumberOf(std::string_view text) {
    std::string copy(text);
    return elementNumber(copy);
}

const std::array<float, kRadiusRows>& radiusTable() {
    // clang-format off
    static constexpr std::array<float, kRadiusRows> radii{
        0.0f, 0.32f, 0.32f, 1.55f, 1.1f, 0.9f, 0.77f, 0.75f, 0.73f, 0.72f,         // 0
        1.5f, 1.9f, 1.6f, 1.25f, 1.15f, 1.1f, 1.02f, 0.99f, 1.5f, 2.2f,            // 10
        2.0f, 1.5f, 1.45f, 1.3f, 1.25f, 1.2f, 1.17f, 1.16f, 1.15f, 1.2f,           // 20
        1.3f, 1.35f, 1.35f, 1.3f, 1.6f, 1.14f, 1.5f, 2.16f, 2.15f, 1.8f,           // 30
        1.6f, 1.5f, 1.35f, 1.36f, 1.3f, 1.3f, 1.35f, 1.5f, 1.5f, 1.45f,            // 40
        1.4f, 1.4f, 1.3f, 1.33f, 1.5f, 2.7f, 2.2f, 1.9f, 1.8f, 1.8f,               // 50
        1.8f, 1.8f, 1.8f, 2.05f, 1.8f, 1.8f, 1.75f, 1.7f, 1.7f, 1.7f,              // 60
        1.9f, 1.7f, 1.6f, 1.55f, 1.5f, 1.35f, 1.35f, 1.35f, 1.5f, 1.5f,            // 70
        1.55f, 1.7f, 1.5f, 1.5f, 2.0f, 1.5f, 2.3f, 2.7f, 2.2f, 1.9f,               // 80
        1.75f, 1.85f, 1.55f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f,             // 90
        1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 1.5f, 0.73f, 0.73f, 0.73f,             // 100
        0.73f, 0.73f, 0.73f, 0.73f, 0.73f, 0.73f, 0.73f, 0.73f, 0.73f, 0.73f,      // 110
        0.73f,                                                                     // 120
    };
    // clang-format on
    return radii;
}

float atomRadius(int z) {
    if (z < 1 || z >= kRadiusRows) return 0.73f;
    return radiusTable()[static_cast<std::size_t>(z)];
}

const ScatteringCoefficients& scatteringCoefficients(int z) {
    const auto& table = scatteringTable();
    if (z < 0 || z >= kScatteringRows) return table[0];
    return table[static_cast<std::size_t>(z)];
}

float scatteringFactor(int z, double s2) {
    const ScatteringCoefficients& f = scatteringCoefficients(z);
    float sum = 0.0f;
    for (std::size_t i = 0; i < 4; ++i) sum += f.a[i] * static_cast<float>(std::exp(-f.b[i] * s2));
    return sum + f.c;
}

double scatteringFactorExact(int z, double s2) {
    const ScatteringCoefficients& f = scatteringCoefficients(z);
    double sum = 0.0;
    for (std::size_t i = 0; i < 4; ++i) sum += f.a[i] * std::exp(-f.b[i] * s2);
    return sum + f.c;
}

}  // namespace lumora::structure
