#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "symmetry/Matrix.h"

namespace lumora::symmetry {

struct SymOp {
    std::string text;  // operationText of the matrix
    Mat4 matrix{};
};

struct CentringVector {
    std::string text;  // "0 1/2 1/2"
    std::array<float, 3> v{};
};

// Everything the interpreter derives from one Hall symbol.
struct SymmetryOps {
    std::vector<SymOp> ops;  // all operations, centring included (at most 192)
    std::string hallSymbol;  // trimmed, without its origin-shift part
    std::string hmSymbol;    // first HM name of the identified setting, "P 21/c"
    bool centrosymmetric = false;
    std::array<CentringVector, 4> centring{};  // record 0 is "0 0 0"
    int centringCount = 0;                     // vectors besides (0, 0, 0)
    int capacityReached = 0;  // when the closure hit its capacity: that capacity ("nm>=" message)
};

// Lattice centring vectors of a lattice letter (upper-cased; unknown letters
// give P). Returns the count including (0, 0, 0).
int centeringVectors(std::string_view letter, std::array<CentringVector, 4>& out);

// Translation of a matrix symbol from its letters and screw digits.
std::array<float, 3> glideScrewVector(std::string_view symbol);

// Fills the 3 x 3 part of m with the rotation of the axis code and order
// (negative order: rotoinversion); unknown combinations give the identity.
void rotationMatrixFromAxis(int axisCode, int order, Mat4& m);

// The value reduced into [0, 1); values within 1e-4 below an integer become 0.
float confine(float value);

// Rotation order of a matrix symbol from its characters in "-.1234567890".
double symbolOrder(std::string_view symbol);

// Interprets a Hall symbol of the table into its complete operation list.
SymmetryOps interpretHall(std::string_view hall);

// The text of the operation listing file: "Hall: " + hallSymbol, then one line
// per operation (number from column 2, text from column 15), lines ending CR LF.
std::string listingText(const SymmetryOps& symmetry);

}  // namespace lumora::symmetry
