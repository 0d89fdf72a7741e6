#include "symmetry/OperationList.h"

#include <array>
#include <cmath>
#include <map>

namespace lumora::symmetry {

namespace {

float reduced(float t) {
    t -= std::floor(t);
    return t > 1.0f - 1e-4f ? 0.0f : t;
}

bool contains(const std::vector<Mat4>& ops, const Mat4& op) {
    for (const Mat4& o : ops)
        if (sameOperation(o, op)) return true;
    return false;
}

}  // namespace

bool sameOperation(const Mat4& a, const Mat4& b) {
    if (!matricesEqual(a, b, 3, 3)) return false;
    for (int i = 0; i < 3; ++i) {
        const double d = static_cast<double>(a[i][3]) - b[i][3];
        if (std::fabs(d - std::nearbyint(d)) > 1e-3) return false;
    }
    return true;
}

bool isGroup(const std::vector<Mat4>& ops) {
    if (!contains(ops, identityMatrix())) return false;
    // The operations by rotation, so that a product is looked up among the
    // few with its rotation only.
    std::map<std::array<long, 9>, std::vector<Mat4>> byRotation;
    const auto key = [](const Mat4& m) {
        std::array<long, 9> k{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                k[static_cast<std::size_t>(3 * i + j)] = std::lround(m[i][j] * 1000.0f);
        return k;
    };
    for (const Mat4& op : ops) byRotation[key(op)].push_back(op);
    for (const Mat4& a : ops)
        for (const Mat4& b : ops) {
            const Mat4 product = multiplyMatrix(a, b);
            const auto it = byRotation.find(key(product));
            if (it == byRotation.end() || !contains(it->second, product)) return false;
        }
    return true;
}

SymmetryOps symmetryOfOperations(const std::vector<Mat4>& ops, const std::string& name) {
    SymmetryOps result;
    result.hmSymbol = name;
    result.centring[0] = {"0 0 0", {0, 0, 0}};
    Mat4 inversion = identityMatrix();
    for (int i = 0; i < 3; ++i) inversion[i][i] = -1.0f;
    for (Mat4 m : ops) {
        for (int i = 0; i < 3; ++i) m[i][3] = reduced(m[i][3]);
        result.ops.push_back({operationText(m), m});
        if (matricesEqual(m, inversion, 3, 3)) result.centrosymmetric = true;
        const bool translation = matricesEqual(m, identityMatrix(), 3, 3) &&
                                 (m[0][3] != 0.0f || m[1][3] != 0.0f || m[2][3] != 0.0f);
        if (translation && result.centringCount + 1 < static_cast<int>(result.centring.size())) {
            CentringVector& v = result.centring[static_cast<std::size_t>(++result.centringCount)];
            v.v = {m[0][3], m[1][3], m[2][3]};
            for (int i = 0; i < 3; ++i) {
                std::string part = fractionText(m[i][3]);
                if (!part.empty() && part[0] == '+') part.erase(0, 1);
                v.text += (i ? " " : "") + (part.empty() ? std::string("0") : part);
            }
        }
    }
    return result;
}

std::string hallRefusal(const SymmetryOps& symmetry, const std::string& hall) {
    if (symmetry.capacityReached > 0)
        return "nm>=" + std::to_string(symmetry.capacityReached) + ": the Hall symbol \"" + hall +
               "\" generates more operations than a space group has";
    std::vector<Mat4> matrices;
    matrices.reserve(symmetry.ops.size());
    for (const SymOp& op : symmetry.ops) matrices.push_back(op.matrix);
    if (!isGroup(matrices)) return "The operations of the Hall symbol \"" + hall + "\" do not form a group";
    return {};
}

}  // namespace lumora::symmetry
