#pragma once

#include <string>
#include <vector>

#include "symmetry/HallSymbol.h"
#include "symmetry/Matrix.h"

namespace lumora::symmetry {

// Whether two operations are the same up to whole cell translations: equal
// rotations, translations within 1e-3 modulo 1.
bool sameOperation(const Mat4& a, const Mat4& b);

// Whether the operations form a space group: they hold the identity and every
// product of two of them is one of them (translations modulo whole cell edges).
bool isGroup(const std::vector<Mat4>& ops);

// The symmetry state of an operation list taken as it is, as a structure file
// gives it: operations with translations reduced to [0, 1), the name as its
// Hermann-Mauguin symbol, no Hall symbol; centrosymmetric when the list holds
// the inversion (with any translation), and its pure translations as the
// centring vectors.
SymmetryOps symmetryOfOperations(const std::vector<Mat4>& ops, const std::string& name);

// The message when a Hall symbol's operations cannot be used: "nm>=" and the
// capacity when the closure reached it, a group message when the list does not
// close under multiplication; empty for a usable list.
std::string hallRefusal(const SymmetryOps& symmetry, const std::string& hall);

}  // namespace lumora::symmetry
