#include "structure/Atoms.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "structure/Elements.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::structure {

namespace {

// The conversion factor the cell volume has always used (3.141592654 / 180).
constexpr double kVolumeDegToRad = 0.017453292522222223;

// Images closer than 0.001 (fractional) are one atom. The margin covers the
// rounding of single-precision coordinates, so that 0.0005 and its mirror image
// 0.9995, exactly 0.001 apart across the face, merge.
constexpr double kDuplicateDistance2 = (0.001 + 1e-6) * (0.001 + 1e-6);

// Squared distance of two fractional positions under the nearest lattice
// translation, so positions just inside opposite faces are neighbours.
double periodicDistance2(const CellAtom& a, const CellAtom& b) {
    double sum = 0.0;
    for (const double d : {double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z}) {
        const double r = d - std::nearbyint(d);
        sum += r * r;
    }
    return sum;
}

float transformed(const symmetry::Mat4& m, int row, const Atom& atom) {
    const auto& r = m[static_cast<std::size_t>(row)];
    const double v = double(r[0]) * atom.x + double(r[1]) * atom.y + double(r[2]) * atom.z + r[3];
    return wrapFraction(static_cast<float>(v));
}

}  // namespace

float wrapFraction(float x) {
    if (!std::isfinite(x)) return 0.0f;
    // Bring large magnitudes within one step of the result first; both steps are
    // exact in single precision, so the loop sees what stepping by one would give
    // (and a huge value cannot keep it turning).
    if (x >= 1.0f)
        x -= std::floor(x);
    else if (x < -1.0f)
        x += std::trunc(-x);
    const float snap = 0.9999f;
    while (true) {
        if (x < 0.0f)
            x += 1.0f;
        else if (x >= 1.0f)
            x -= 1.0f;
        else if (x > snap)
            x = 1.0f;
        else
            return x;
    }
}

float cellVolume(const CellConstants& cell) {
    const float ca = static_cast<float>(std::cos(cell[3] * kVolumeDegToRad));
    const float cb = static_cast<float>(std::cos(cell[4] * kVolumeDegToRad));
    const float cg = static_cast<float>(std::cos(cell[5] * kVolumeDegToRad));
    const float radicand = 1.0f + 2.0f * ca * cb * cg - ca * ca - cb * cb - cg * cg;
    if (!(radicand > 0.0f)) return 0.0f;
    const double volume = double(cell[0]) * cell[1] * cell[2] * std::sqrt(double(radicand));
    return std::fabs(volume) <= FLT_MAX ? static_cast<float>(volume) : std::copysign(INFINITY, volume);
}

void validateCell(const CellConstants& cell) {
    static const char* const names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!std::isfinite(cell[i]) || !(cell[i] > 0.0f))
            throw Error(Error::InvalidCall, std::string("The unit cell edge ") + names[i] + " = " +
                                                util::singleText(cell[i]) + " is not a positive length");
        if (cell[i] > kLongestCellEdge)
            throw Error(Error::InvalidCall, std::string("The unit cell edge ") + names[i] + " = " +
                                                util::singleText(cell[i]) + " Å is too long for a crystal");
    }
    for (std::size_t i = 3; i < 6; ++i) {
        if (!std::isfinite(cell[i]) || !(cell[i] > 0.0f && cell[i] < 180.0f))
            throw Error(Error::InvalidCall, std::string("The unit cell angle ") + names[i] + " = " +
                                                util::singleText(cell[i]) + " lies outside 0 to 180 degrees");
    }
    const double pi = std::acos(-1.0);
    const double ca = std::cos(cell[3] * pi / 180), cb = std::cos(cell[4] * pi / 180),
                 cg = std::cos(cell[5] * pi / 180);
    // Nearly flat cells are refused too: their volume would vanish in single precision.
    if (!(1.0 + 2.0 * ca * cb * cg - ca * ca - cb * cb - cg * cg > 1e-6))
        throw Error(Error::InvalidCall, "The unit cell angles " + util::singleText(cell[3]) + ", " +
                                            util::singleText(cell[4]) + ", " + util::singleText(cell[5]) +
                                            " cannot form a cell");
}

std::vector<CellAtom> expandAtoms(const std::vector<Atom>& asymmetric,
                                  const std::vector<symmetry::SymOp>& ops, const ProgressCallback& progress) {
    std::vector<symmetry::Mat4> matrices;
    matrices.reserve(ops.size());
    for (const symmetry::SymOp& op : ops) matrices.push_back(op.matrix);
    if (matrices.empty()) matrices.push_back(symmetry::identityMatrix());

    std::vector<CellAtom> cell;
    cell.reserve(std::min(asymmetric.size(), kMostCellAtoms));
    // The images of one site merged so far: the sum of their offsets from the
    // first image of their group (so a group straddling a face stays together)
    // and how many there are.
    struct Group {
        std::array<double, 3> offsetSum{};
        int members = 1;
    };
    std::vector<Group> groups;
    std::size_t sinceReport = 0;
    for (std::size_t i = 0; i < asymmetric.size(); ++i) {
        if (sinceReport >= 4096) {
            sinceReport = 0;
            reportProgress(progress, static_cast<double>(i) / static_cast<double>(asymmetric.size()));
        }
        const Atom& atom = asymmetric[i];
        const std::size_t first = cell.size();
        groups.clear();
        for (const symmetry::Mat4& m : matrices) {
            ++sinceReport;
            CellAtom image;
            image.atomicNumber = atom.atomicNumber;
            image.occupancy = atom.occupancy;
            image.x = transformed(m, 0, atom);
            image.y = transformed(m, 1, atom);
            image.z = transformed(m, 2, atom);
            image.site = static_cast<int>(i);
            std::size_t same = cell.size();
            for (std::size_t j = first; j < cell.size() && same == cell.size(); ++j)
                if (periodicDistance2(cell[j], image) < kDuplicateDistance2) same = j;
            if (same != cell.size()) {
                Group& group = groups[same - first];
                const double d[3] = {double(image.x) - cell[same].x, double(image.y) - cell[same].y,
                                     double(image.z) - cell[same].z};
                for (std::size_t c = 0; c < 3; ++c) group.offsetSum[c] += d[c] - std::nearbyint(d[c]);
                ++group.members;
                continue;
            }
            if (cell.size() >= kMostCellAtoms)
                throw Error(Error::Overflow,
                            "Overflow: the unit cell would hold more than " + std::to_string(kMostCellAtoms) +
                                " atoms (" + std::to_string(asymmetric.size()) + " sites under " +
                                std::to_string(matrices.size()) + " symmetry operations give up to " +
                                std::to_string(asymmetric.size() * matrices.size()) + ")");
            image.label = elementSymbol(atom.atomicNumber);
            cell.push_back(std::move(image));
            groups.emplace_back();
        }
        // Each merged atom moves to the mean of its images. The first image
        // is kept as it is where it has no partners, so exact positions stay exact.
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].members == 1) continue;
            CellAtom& merged = cell[first + g];
            float* coordinate[3] = {&merged.x, &merged.y, &merged.z};
            for (std::size_t c = 0; c < 3; ++c)
                *coordinate[c] = wrapFraction(
                    static_cast<float>(*coordinate[c] + groups[g].offsetSum[c] / groups[g].members));
        }
    }
    return cell;
}

}  // namespace lumora::structure
