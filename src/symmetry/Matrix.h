#pragma once

#include <array>
#include <string>
#include <vector>

namespace lumora::symmetry {

// Augmented 4 x 4 matrix of a symmetry operation: rows and columns 0..2 hold
// the rotation R, column 3 the translation t in fractions of the cell edges.
// A point x goes to R x + t.
using Mat4 = std::array<std::array<float, 4>, 4>;

Mat4 identityMatrix();
Mat4 multiplyMatrix(const Mat4& a, const Mat4& b);

// True when |a(i,j) - b(i,j)| <= 1e-5 for every i < rows, j < cols (true for
// rows == 0). With rows = cols = 3 only the rotation parts are compared.
bool matricesEqual(const Mat4& a, const Mat4& b, int rows, int cols);

// Gauss-Jordan inversion with full pivoting of the n x n row-major matrix a,
// in place. Returns false (leaving a partly transformed) for a singular matrix.
bool invertMatrix(std::vector<double>& a, int n);

// A translation as a signed fraction: "" for 0, "+1/2", "-1/4", "+0.2".
std::string fractionText(float value);

// The three-column text of an operation, each coordinate right-aligned in nine
// characters: "      X,       Y,         Z" for the identity.
std::string operationText(const Mat4& m);

// The operation in the usual x,y,z notation with fractions, e.g.
// "-x,y+1/2,-z+1/2", translations reduced to [0, 1).
std::string tripletText(const Mat4& m);

}  // namespace lumora::symmetry
