// Reflection generation: index limits, the absence test and the list itself.
#include "engine/Reflections.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/LaueEngine.h"
#include "structure/StructureFactor.h"
#include "util/Error.h"

namespace lumora {

namespace engine {

ExtinctionRules::ExtinctionRules(const std::vector<symmetry::SymOp>& ops) {
    active_ = ops.size() >= 2;
    for (const auto& op : ops) {
        std::array<int, 9> r{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r[i * 3 + j] = static_cast<int>(std::lround(op.matrix[i][j]));
        const std::array<float, 3> t{op.matrix[0][3], op.matrix[1][3], op.matrix[2][3]};
        auto group =
            std::find_if(groups_.begin(), groups_.end(), [&](const RotationGroup& g) { return g.r == r; });
        if (group == groups_.end()) {
            groups_.push_back({r, {}});
            group = std::prev(groups_.end());
        }
        group->translations.push_back(t);
    }
}

bool ExtinctionRules::isExtinct(int h, int k, int l) const {
    if (!active_) return false;
    for (const auto& g : groups_) {
        const auto& r = g.r;
        // (h k l) as a row vector times R.
        if (h * r[0] + k * r[3] + l * r[6] != h || h * r[1] + k * r[4] + l * r[7] != k ||
            h * r[2] + k * r[5] + l * r[8] != l)
            continue;
        for (const auto& t : g.translations) {
            const float p =
                t[0] * static_cast<float>(h) + t[1] * static_cast<float>(k) + t[2] * static_cast<float>(l);
            float rest = p - static_cast<float>(util::nearest(p));
            if (std::fabs(rest) < 0.00001f) rest = 0;
            if (rest < 0) rest += 1;
            if (rest > 0.0001f) return true;
        }
    }
    return false;
}

IndexLimits indexLimits(float a, float b, float c) {
    float dMin = (a + b + c) / 30.0f;
    dMin = std::max(dMin, 0.5f);
    dMin = std::min(dMin, 1.0f);
    bool raised = false;
    while (true) {
        const int16_t h = util::toInt16(a / dMin);
        const int16_t k = util::toInt16(b / dMin);
        const int16_t l = util::toInt16(c / dMin);
        if (h + k + l <= 70) return {h, k, l, dMin, raised};
        dMin = dMin * 1.33f;
        raised = true;
    }
}

}  // namespace engine

bool clLAUE::isExtinct(int16_t h, int16_t k, int16_t l) const { return extinction_.isExtinct(h, k, l); }

void clLAUE::GenerateHKL() {
    // Everything that can fail is checked before the engine changes, so a
    // refused cell leaves the previous list in place.
    const std::array<double, 6> newCell{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
    const engine::CellMetric newMetric(newCell);
    engine::IndexLimits limits;
    try {
        limits = engine::indexLimits(cell[0], cell[1], cell[2]);
    } catch (const Error&) {
        throw Error(Error::Overflow, "Overflow: the unit cell is too large for the reflection index limits");
    }

    metric = newMetric;
    matchAxesToCell();
    n_hkl = 0;
    x_withIntensity = false;
    s_maugin = symmetry_.hmSymbol;
    thresholdRaised_ = limits.raised;
    setHKLLimits(limits.h, limits.k, limits.l);

    engine::ReflectionList list;
    list.dMin = limits.dMin;
    // The largest F of a structure is kept from the last list with one.
    list.fMax = bCSF ? 0.0f : list_.fMax;

    // Structure factors of a loaded structure, prepared once for the index box.
    std::optional<structure::StructureFactorTable> amplitudes;
    if (bCSF) amplitudes.emplace(cellAtoms_, x_hmax, x_kmax, x_lmax);

    list.rows.reserve(1000);
    const double rows = (2.0 * x_hmax + 1) * (2.0 * x_kmax + 1);
    for (int h = -x_hmax; h <= x_hmax; ++h) {
        for (int k = -x_kmax; k <= x_kmax; ++k) {
            reportProgress(progress_, ((h + x_hmax) * (2.0 * x_kmax + 1) + (k + x_kmax)) / rows);
            for (int l = -x_lmax; l <= x_lmax; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                const float d = metric.spacing(h, k, l);
                if (d < list.dMin) continue;
                if (extinction_.isExtinct(h, k, l)) continue;
                // Without atoms every reflection has F = 1; with them, reflections
                // weaker than 1 are left out.
                float f = 1.0f;
                if (amplitudes) {
                    f = static_cast<float>(amplitudes->amplitude(h, k, l, d));
                    if (f > list.fMax) list.fMax = f;
                    if (f < 1.0f) continue;
                }
                engine::Reflection r;
                r.h = static_cast<int16_t>(h);
                r.k = static_cast<int16_t>(k);
                r.l = static_cast<int16_t>(l);
                r.d = d;
                r.f = f;
                list.rows.push_back(r);
                if (d > list.dMax) list.dMax = d;
            }
        }
    }
    list.withIntensity = bCSF;
    engine::finishList(list, metric, bCSF);
    takeList(std::move(list));
}

// A new list replaces the old one: the orientation starts again from the identity.
void clLAUE::takeList(engine::ReflectionList list) {
    list_ = std::move(list);
    n_hkl = list_.size();
    n_spot = 0;
    x_withIntensity = list_.withIntensity;
    harmonics_ =
        engine::HarmonicAmplitudes(bCSF ? cellAtoms_ : std::vector<structure::CellAtom>{}, extinction_);
    resetRotationMatrix();
    RECSPACE_setData();
}

}  // namespace lumora
