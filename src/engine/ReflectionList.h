#pragma once

#include <cstdint>
#include <vector>

#include "engine/Cell.h"
#include "engine/VectorTypes.h"

namespace lumora::engine {

// One reflection of a list.
struct Reflection {
    int16_t h = 0, k = 0, l = 0;
    float d = 0;  // Å
    float f = 1;  // structure-factor magnitude; 1 without atoms
    // The reciprocal-lattice vector h a* + k b* + l c* in the crystal frame, Å⁻¹.
    Vec3f g{};
    // hkl and -h-k-l reflect on the same planes and meet a film at the same
    // point. Of such a pair only the member drawn later draws that point (and
    // its label, and is the one picked); a reflection without its partner in
    // the list draws its own.
    bool drawsSpot = true;
};

// A reflection list with what the drawing needs of it as a whole.
struct ReflectionList {
    std::vector<Reflection> rows;
    // Drawing order: list indices by ascending F with intensities, else by ascending d.
    std::vector<int32_t> order;
    float dMin = 0;  // the spacing threshold the list was generated with, Å
    float dMax = 0;  // the largest d in the list
    float fMax = 0;  // the largest F met while generating
    bool withIntensity = false;

    int32_t size() const { return static_cast<int32_t>(rows.size()); }
    bool empty() const { return rows.empty(); }
    const Reflection& operator[](int32_t i) const { return rows[static_cast<std::size_t>(i)]; }
};

// Completes a list whose rows hold h, k, l, d and F: the reciprocal vectors of
// `metric`, the drawing order by F (byIntensity) or by d, and the pairs hkl and
// -h-k-l that share a spot.
void finishList(ReflectionList& list, const CellMetric& metric, bool byIntensity);

// The reciprocal-lattice vector of h k l, crystal frame (the basis of `metric`).
Vec3f reciprocalVector(const CellMetric& metric, double h, double k, double l);

}  // namespace lumora::engine
