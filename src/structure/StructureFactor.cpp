#include "structure/StructureFactor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "structure/Elements.h"

namespace lumora::structure {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kLargestTabulatedIndex = 128;

bool usableSpacing(double d) { return std::isfinite(d) && d > 0.0; }

double coordinate(const CellAtom& atom, int axis) { return axis == 0 ? atom.x : axis == 1 ? atom.y : atom.z; }

}  // namespace

double structureFactor(const std::vector<CellAtom>& atoms, int h, int k, int l, double s2, double b) {
    const double t = std::exp(-b * s2);
    double a = 0.0, bSum = 0.0;
    for (const CellAtom& atom : atoms) {
        const double phase = kTwoPi * (h * double(atom.x) + k * double(atom.y) + l * double(atom.z));
        const double g = atom.occupancy * scatteringFactorExact(atom.atomicNumber, s2) * t;
        a += g * std::cos(phase);
        bSum += g * std::sin(phase);
    }
    return std::sqrt(a * a + bSum * bSum);
}

double structureAmplitude(const std::vector<CellAtom>& atoms, int h, int k, int l, double d) {
    if (!usableSpacing(d)) return 0.0;
    return structureFactor(atoms, h, k, l, 0.25 / (d * d));
}

StructureFactorTable::StructureFactorTable(const std::vector<CellAtom>& atoms, int hmax, int kmax, int lmax,
                                           double b)
    : atoms_(atoms), b_(b) {
    // Atoms of one element next to each other, so each element's phase sum is
    // one contiguous run.
    std::stable_sort(atoms_.begin(), atoms_.end(),
                     [](const CellAtom& p, const CellAtom& q) { return p.atomicNumber < q.atomicNumber; });
    for (std::size_t j = 0; j < atoms_.size(); ++j) {
        if (species_.empty() || species_.back().atomicNumber != atoms_[j].atomicNumber)
            species_.push_back({atoms_[j].atomicNumber, j, j});
        species_.back().end = j + 1;
    }
    // Limits beyond any generation's are not tabulated; such indices take the
    // direct sum.
    const auto tabulated = [](int limit) { return std::clamp(limit, 0, kLargestTabulatedIndex); };
    fillPhases(x_, tabulated(hmax), 0, true);
    fillPhases(y_, tabulated(kmax), 1, false);
    fillPhases(z_, tabulated(lmax), 2, false);
    rowRe_.resize(atoms_.size());
    rowIm_.resize(atoms_.size());
}

void StructureFactorTable::fillPhases(PhaseTable& table, int limit, int axis, bool withOccupancy) const {
    const std::size_t n = atoms_.size();
    table.limit = limit;
    table.re.resize((2 * static_cast<std::size_t>(limit) + 1) * n);
    table.im.resize(table.re.size());
    for (int index = -limit; index <= limit; ++index) {
        const std::size_t base = static_cast<std::size_t>(index + limit) * n;
        for (std::size_t j = 0; j < n; ++j) {
            // Direct sines rather than a recurrence: exact to the last bit and
            // cheap next to the sums that use them.
            const double phase = kTwoPi * index * coordinate(atoms_[j], axis);
            const double scale = withOccupancy ? double(atoms_[j].occupancy) : 1.0;
            table.re[base + j] = scale * std::cos(phase);
            table.im[base + j] = scale * std::sin(phase);
        }
    }
}

void StructureFactorTable::prepareRow(int h, int k) {
    if (rowValid_ && rowH_ == h && rowK_ == k) return;
    const std::size_t n = atoms_.size();
    const double* xr = x_.re.data() + static_cast<std::size_t>(h + x_.limit) * n;
    const double* xi = x_.im.data() + static_cast<std::size_t>(h + x_.limit) * n;
    const double* yr = y_.re.data() + static_cast<std::size_t>(k + y_.limit) * n;
    const double* yi = y_.im.data() + static_cast<std::size_t>(k + y_.limit) * n;
    for (std::size_t j = 0; j < n; ++j) {
        rowRe_[j] = xr[j] * yr[j] - xi[j] * yi[j];
        rowIm_[j] = xr[j] * yi[j] + xi[j] * yr[j];
    }
    rowH_ = h;
    rowK_ = k;
    rowValid_ = true;
}

double StructureFactorTable::magnitude(int h, int k, int l, double s2) {
    if (std::abs(h) > x_.limit || std::abs(k) > y_.limit || std::abs(l) > z_.limit)
        return structureFactor(atoms_, h, k, l, s2, b_);
    prepareRow(h, k);
    const std::size_t n = atoms_.size();
    const double* zr = z_.re.data() + static_cast<std::size_t>(l + z_.limit) * n;
    const double* zi = z_.im.data() + static_cast<std::size_t>(l + z_.limit) * n;
    const double t = std::exp(-b_ * s2);
    double a = 0.0, b = 0.0;
    for (const Species& s : species_) {
        double re = 0.0, im = 0.0;
        for (std::size_t j = s.begin; j < s.end; ++j) {
            re += rowRe_[j] * zr[j] - rowIm_[j] * zi[j];
            im += rowRe_[j] * zi[j] + rowIm_[j] * zr[j];
        }
        const double f = scatteringFactorExact(s.atomicNumber, s2) * t;
        a += f * re;
        b += f * im;
    }
    return std::sqrt(a * a + b * b);
}

double StructureFactorTable::amplitude(int h, int k, int l, double d) {
    if (!usableSpacing(d)) return 0.0;
    return magnitude(h, k, l, 0.25 / (d * d));
}

}  // namespace lumora::structure
