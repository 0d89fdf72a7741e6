#pragma once

#include <vector>

#include "structure/Atoms.h"

namespace lumora::structure {

// The isotropic temperature factor every atom gets, Å².
inline constexpr double kTemperatureFactor = 0.5;

// |F(hkl)| = |sum_j occ_j f_j(s²) exp(-B s²) exp(2 pi i (h x_j + k y_j + l z_j))|
// over the cell atoms, in double precision, one term after the other. s² is
// (sin θ / λ)² = 1 / (4 d²) in Å⁻², b the temperature factor in Å².
double structureFactor(const std::vector<CellAtom>& atoms, int h, int k, int l, double s2,
                       double b = kTemperatureFactor);

// |F| of reflection h k l with spacing d (Å): s² = 1 / (4 d²), B = 0.5 Å².
// A spacing that is not positive and finite gives 0.
double structureAmplitude(const std::vector<CellAtom>& atoms, int h, int k, int l, double d);

// The same magnitudes for a whole reflection list, fast: built once per
// generation from the cell atoms and the index limits, it keeps each atom's
// phase factors exp(2 pi i h x) for every index in range (occupancy folded in)
// and sums atoms of one element before multiplying by their scattering factor,
// which is computed once per element and reflection. Reflections visited with
// h and k fixed over l (the generation order) reuse the h k product.
// Indices beyond the limits fall back to the direct sum. Not thread-safe: the
// h k product is a cache.
class StructureFactorTable {
public:
    StructureFactorTable(const std::vector<CellAtom>& atoms, int hmax, int kmax, int lmax,
                         double b = kTemperatureFactor);

    // |F| with s² = 1 / (4 d²); 0 for a spacing that is not positive and finite.
    double amplitude(int h, int k, int l, double d);
    // |F| at a given s² (Å⁻²).
    double magnitude(int h, int k, int l, double s2);

private:
    struct Species {
        int atomicNumber;
        std::size_t begin, end;  // range of atoms_ (sorted by element)
    };
    struct PhaseTable {
        int limit = 0;
        std::vector<double> re, im;  // [(index + limit) * atoms + j]
    };

    void fillPhases(PhaseTable& table, int limit, int axis, bool withOccupancy) const;
    void prepareRow(int h, int k);

    std::vector<CellAtom> atoms_;
    std::vector<Species> species_;
    double b_;
    PhaseTable x_, y_, z_;
    // exp(2 pi i (h x + k y)) occ of the row last asked for.
    int rowH_ = 0, rowK_ = 0;
    bool rowValid_ = false;
    std::vector<double> rowRe_, rowIm_;
};

}  // namespace lumora::structure
