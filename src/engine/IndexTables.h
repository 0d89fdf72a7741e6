#pragma once

// The tables of the orientation search for one crystal and one band, built once and read by every
// search: each lattice direction that can give a spot with the harmonics the space group allows,
// a hash of their directions on the unit sphere, the rotations that leave the pattern unchanged,
// and the angles between pairs of low-index directions.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/Cell.h"
#include "engine/Indexing.h"

namespace lumora::engine {

// A primitive direction p of the reciprocal lattice (gcd 1). Its spot holds every harmonic m p.
struct LatticeDirection {
    std::array<int, 3> p{};
    Vec3d unit{};                 // along p in the Cartesian frame of CellMetric, unit length
    double q = 0;                 // |p| in 1/Å, so d(m p) = 1 / (m q)
    std::uint64_t harmonics = 0;  // bit m-1: m p is allowed and d(m p) >= lambdaMin / 2

    int lowestHarmonic() const;
};

// A pair of reference directions and the angle between them (radians); `first` is the
// representative of its symmetry class.
struct DirectionPair {
    double angle = 0;
    std::uint32_t first = 0, second = 0;  // indices into IndexTables::reference()
};

class IndexTables {
public:
    IndexTables(const IndexCrystal& crystal, const IndexOptions& options);

    const CellMetric& metric() const { return metric_; }
    const IndexOptions& options() const { return options_; }
    const std::vector<LatticeDirection>& directions() const { return directions_; }

    // The lowest harmonic m of direction i whose wavelength 2 d sin(theta) / m lies in the band,
    // 0 when none does.
    int harmonicInBand(std::uint32_t i, double sinTheta) const;

    // Proper rotations M (Cartesian, crystal frame) that map the allowed reflections onto
    // themselves: the space group's rotations and, through Friedel's law, the proper part of
    // their products with the inversion. Identity first. Orientations O and M O give one pattern.
    const std::vector<Mat3d>& rotations() const { return rotations_; }

    // Indices into directions() of the low-index directions whose pairs are matched against the
    // observed ones, and those pairs sorted by angle.
    const std::vector<std::uint32_t>& reference() const { return reference_; }
    const std::vector<DirectionPair>& pairs() const { return pairs_; }

    // Largest angle between an observed and a lattice plane normal that the hash finds by looking
    // in the normal's own cell only (radians).
    double hashRadius() const { return hashRadius_; }

    struct HashEntry {
        float x, y, z;
        std::uint32_t direction;
    };
    // Calls f(entry) for every direction whose normal may lie within `radius` (radians) of the
    // unit vector v (crystal frame); an entry may be reported more than once.
    template <class F>
    void forNear(const Vec3d& v, double radius, F&& f) const;

private:
    void buildDirections(const IndexCrystal& crystal);
    void buildRotations(const IndexCrystal& crystal);
    void buildHash();
    void buildReference();
    int cellOf(int face, double u, double w) const {
        const auto index = [this](double x) {
            const int i = static_cast<int>((x + 1) * 0.5 * cells_);
            return std::clamp(i, 0, cells_ - 1);
        };
        return (face * cells_ + index(u)) * cells_ + index(w);
    }
    // Visits the cells of every cube face within `radius` of v.
    template <class F>
    void forCells(const Vec3d& v, double radius, F&& f) const;

    CellMetric metric_;
    IndexOptions options_;
    std::vector<LatticeDirection> directions_;
    std::vector<Mat3d> rotations_;
    std::vector<std::uint32_t> reference_;
    std::vector<DirectionPair> pairs_;
    double hashRadius_ = 0;
    int cells_ = 1;  // cells along each edge of a cube face
    std::vector<std::uint32_t> cellStart_;
    std::vector<HashEntry> entries_;
};

// The hash maps a unit vector to a face of the cube around the sphere (the axis of its largest
// component and that component's sign) and to a cell of the face's gnomonic projection.
template <class F>
void IndexTables::forCells(const Vec3d& v, double radius, F&& f) const {
    const double n = cells_;
    const double t = std::tan(std::min(radius, 0.5));
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign = 0; sign < 2; ++sign) {
            const double along = sign == 0 ? v[axis] : -v[axis];
            // A face's region needs its component >= 1/sqrt(3); cones of up to 0.5 rad reach it
            // only from above this.
            if (along < 0.3) continue;
            const double u = v[(axis + 1) % 3] / along;
            const double w = v[(axis + 2) % 3] / along;
            // The gnomonic projection stretches angles by at most 1 + r^2 (radially).
            const double delta = t * (1 + u * u + w * w) * 1.25 + 1e-12;
            if (u + delta < -1 || u - delta > 1 || w + delta < -1 || w - delta > 1) continue;
            const auto index = [n](double x) {
                return static_cast<int>(std::clamp(std::floor((x + 1) * 0.5 * n), 0.0, n - 1));
            };
            const int face = axis * 2 + sign;
            const int u0 = index(u - delta), u1 = index(u + delta);
            const int w0 = index(w - delta), w1 = index(w + delta);
            for (int iu = u0; iu <= u1; ++iu)
                for (int iw = w0; iw <= w1; ++iw) f((face * cells_ + iu) * cells_ + iw);
        }
    }
}

template <class F>
void IndexTables::forNear(const Vec3d& v, double radius, F&& f) const {
    const auto visit = [&](int cell) {
        for (std::uint32_t e = cellStart_[static_cast<std::size_t>(cell)];
             e < cellStart_[static_cast<std::size_t>(cell) + 1]; ++e)
            f(entries_[e]);
    };
    if (radius > hashRadius_) {
        forCells(v, radius - hashRadius_, visit);
        return;
    }
    // Every direction within hashRadius() was entered in all the cells its cone touches, so the
    // normal's own cell holds them all.
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(v[i]) > std::fabs(v[axis])) axis = i;
    const double along = std::fabs(v[axis]);
    if (!(along > 0)) return;
    const int face = axis * 2 + (v[axis] < 0 ? 1 : 0);
    visit(cellOf(face, v[(axis + 1) % 3] / along, v[(axis + 2) % 3] / along));
}

}  // namespace lumora::engine
