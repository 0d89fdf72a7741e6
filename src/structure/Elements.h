#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lumora::structure {

// Element Z occupies characters 2Z-1 and 2Z (1-based), one-letter symbols padded
// with a blank; Z runs 1..106, the last three being the placeholder names
// Uq, Up and Uh.
inline constexpr std::string_view kElementSymbols =
    "H HeLiBeB C N O F NeNaMgAlSiP S ClArK CaScTiV CrMnFeCoNiCuZnGaGeAsSeBrKrRbSrY "
    "ZrNbMoTcRuRhPdAgCdInSnSbTeI XeCsBaLaCePrNdPmSmEuGdTbDyHoErTmYbLuHfTaW ReOsIrPtAu"
    "HgTlPbBiPoAtRnFrRaAcThPaU NpPuAmCmBkCfEsFmMdNoLrUqUpUh";
inline constexpr int kLastElement = 106;

// The trimmed symbol of element Z ("Si", "O"); empty outside 1..106.
std::string elementSymbol(int z);

// Atomic number of an element text as written in a structure file (a type
// symbol or, when a file has none, a site label); 0 when the text names no
// element. The text is first cut at its first "+", "-" or blank (Fe3+ -> Fe3;
// the cut text is written back, as it is stored with the atom). The element is
// then the whole leading run of letters, which must be one symbol of one or two
// letters in any case: Fe1, FE, fe3, O2a, Ca1 and CA name iron, oxygen and
// calcium, C1 carbon, while Wat1, Kk, Ow, X and Q1 name nothing (a label such as
// "Wat1" must not pass for tungsten). D and T (D1, T2) are hydrogen; "H2O" and
// "OH" in any case are oxygen. Digits, underscores and letters after them are
// site numbering (O2a, H1_b).
int elementNumber(std::string& text);
// The same without keeping the cut text.
int elementNumberOf(std::string_view text);

// Atom radii in Å for the structure drawing, indexed 0..120.
inline constexpr int kRadiusRows = 121;
const std::array<float, kRadiusRows>& radiusTable();
// The radius of element Z; atomic numbers outside the table (Z <= 0, Z > 120)
// are drawn like the unknown elements at its end, 0.73 Å.
float atomRadius(int z);

struct ScatteringCoefficients {
    std::array<float, 4> a;
    std::array<float, 4> b;  // Å²
    float c;
};

// Rows 1..98 hold the published fits; rows 0 and 99 are zero.
inline constexpr int kScatteringRows = 100;
// The heaviest element with a published fit (californium).
inline constexpr int kLastScatterer = 98;
const std::array<ScatteringCoefficients, kScatteringRows>& scatteringTable();

// The coefficients of element Z. Atomic numbers without a published fit
// (Z <= 0, Z >= 99; a .cel file may carry any number) get the zero row: such an
// atom scatters nothing, rather than borrowing a neighbour's curve.
const ScatteringCoefficients& scatteringCoefficients(int z);

// f(Z, s²) = a1 exp(-b1 s²) + ... + a4 exp(-b4 s²) + c with s² = (sin θ / λ)² in
// Å⁻²; summed in single precision, terms 1..4 then c.
float scatteringFactor(int z, double s2);
// The same sum in double precision, for structure factors.
double scatteringFactorExact(int z, double s2);

}  // namespace lumora::structure
