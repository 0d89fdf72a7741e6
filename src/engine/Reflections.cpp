// Reflection generation: index limits, the absence test and the list itself.
#include "engine/Reflections.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

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

int ExtinctionRules::latticeTranslations() const {
    static constexpr std::array<int, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (const auto& g : groups_)
        if (g.r == kIdentity) return std::max(1, static_cast<int>(g.translations.size()));
    return 1;
}

namespace {

double cellVolume(const CellMetric& metric) {
    const Mat3d& m = metric.directBasis();
    return std::fabs(m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]));
}

double edge(const CellMetric& metric, int i) {
    const auto& row = metric.directBasis()[static_cast<std::size_t>(i)];
    return std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
}

std::string angstrom(double d) { return util::formatNumber(d, "0.0###") + " Å"; }

std::string millions(double count) { return util::formatNumber(count / 1e6, "0.0") + " million"; }

}  // namespace

float completeThreshold(const ReflectionRange& range, float lambdaMin) {
    const float band = std::isfinite(lambdaMin) ? lambdaMin / 2 : 0.0f;
    const float dMin = std::max(band, std::isfinite(range.dMin) ? range.dMin : 0.0f);
    if (!(dMin > 0))
        throw Error(
            Error::InvalidCall,
            "Invalid call: a complete pattern needs a positive d-min or a tube voltage that starts the "
            "band");
    return dMin;
}

IndexLimits completeLimits(const CellMetric& metric, float dMin) {
    std::array<double, 3> limit{};
    for (int i = 0; i < 3; ++i) limit[static_cast<std::size_t>(i)] = std::floor(edge(metric, i) / dMin);
    const double largest = *std::max_element(limit.begin(), limit.end());
    if (largest > 32767) {
        const double fits =
            std::ceil(std::max({edge(metric, 0), edge(metric, 1), edge(metric, 2)}) / 32767 * 100) / 100;
        throw Error(Error::Overflow,
                    "Overflow: a complete pattern down to d = " + angstrom(dMin) + " needs indices up to " +
                        std::to_string(static_cast<long long>(largest)) +
                        ", beyond the 16-bit limit of 32767; set d-min to " + angstrom(fits) + " or more");
    }
    IndexLimits out;
    out.h = static_cast<int16_t>(limit[0]);
    out.k = static_cast<int16_t>(limit[1]);
    out.l = static_cast<int16_t>(limit[2]);
    out.dMin = dMin;
    return out;
}

double expectedReflections(const CellMetric& metric, float dMin, int translations) {
    const double s = 1.0 / dMin;
    return cellVolume(metric) * 4.0 / 3.0 * kPi * s * s * s / std::max(1, translations);
}

float spacingForBudget(const CellMetric& metric, int translations, double budget) {
    const double d = std::cbrt(cellVolume(metric) * 4.0 / 3.0 * kPi / (std::max(1, translations) * budget));
    return static_cast<float>(std::ceil(d * 100) / 100);
}

void checkCompleteBudget(const CellMetric& metric, float dMin, int translations) {
    const double expected = expectedReflections(metric, dMin, translations);
    if (expected <= kCompleteListBudget) return;
    throw Error(Error::Overflow, "Overflow: a complete pattern of this cell down to d = " + angstrom(dMin) +
                                     " holds about " + millions(expected) + " reflections, more than the " +
                                     millions(kCompleteListBudget) + " a list may hold; set d-min to " +
                                     angstrom(spacingForBudget(metric, translations, kCompleteListBudget)) +
                                     " or more");
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

namespace {

// The l range of row (h, k) that can reach |g| <= 1 / dMin: the roots of the
// quadratic in l, widened by one so that rounding never loses a reflection
// (the d test decides), within +-lmax.
std::pair<int, int> sphereRow(const engine::CellMetric& metric, int h, int k, int lmax, double dMin) {
    const engine::Mat3d& r = metric.reciprocalBasis();  // columns a*, b*, c*
    double p[3], c[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = h * r[i][0] + k * r[i][1];
        c[i] = r[i][2];
    }
    const double a = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    const double b = p[0] * c[0] + p[1] * c[1] + p[2] * c[2];
    const double rest = p[0] * p[0] + p[1] * p[1] + p[2] * p[2] - 1.0 / (dMin * dMin);
    const double disc = b * b - a * rest;
    if (disc < 0) return {1, 0};
    const double root = std::sqrt(disc);
    const int low = static_cast<int>(std::floor((-b - root) / a)) - 1;
    const int high = static_cast<int>(std::ceil((-b + root) / a)) + 1;
    return {std::max(low, -lmax), std::min(high, lmax)};
}

}  // namespace

void clLAUE::GenerateHKL() {
    // Everything that can fail is checked before the engine changes, so a
    // refused cell leaves the previous list in place.
    const std::array<double, 6> newCell{cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
    const engine::CellMetric newMetric(newCell);
    engine::IndexLimits limits;
    if (range_.complete) {
        const float dMin = engine::completeThreshold(range_, x_lambda_min);
        engine::checkCompleteBudget(newMetric, dMin, extinction_.latticeTranslations());
        limits = engine::completeLimits(newMetric, dMin);
    } else {
        try {
            limits = engine::indexLimits(cell[0], cell[1], cell[2]);
        } catch (const Error&) {
            throw Error(Error::Overflow,
                        "Overflow: the unit cell is too large for the reflection index limits");
        }
    }

    metric = newMetric;
    matchAxesToCell();
    n_hkl = 0;
    x_withIntensity = false;
    s_maugin = symmetry_.hmSymbol;
    thresholdRaised_ = limits.raised;
    completeList_ = range_.complete;
    setHKLLimits(limits.h, limits.k, limits.l);

    engine::ReflectionList list;
    list.dMin = limits.dMin;
    // The largest F of a structure is kept from the last list with one.
    list.fMax = bCSF ? 0.0f : list_.fMax;

    // Structure factors of a loaded structure, prepared once for the index box.
    std::optional<structure::StructureFactorTable> amplitudes;
    if (bCSF) amplitudes.emplace(cellAtoms_, x_hmax, x_kmax, x_lmax);

    if (range_.complete)
        list.rows.reserve(static_cast<std::size_t>(
            engine::expectedReflections(metric, limits.dMin, extinction_.latticeTranslations()) * 1.05 +
            1000));
    else
        list.rows.reserve(1000);
    const double rows = (2.0 * x_hmax + 1) * (2.0 * x_kmax + 1);
    for (int h = -x_hmax; h <= x_hmax; ++h) {
        for (int k = -x_kmax; k <= x_kmax; ++k) {
            reportProgress(progress_, ((h + x_hmax) * (2.0 * x_kmax + 1) + (k + x_kmax)) / rows);
            // The default box is small; a complete one is walked only inside the sphere.
            const auto [lLow, lHigh] = range_.complete ? sphereRow(metric, h, k, x_lmax, limits.dMin)
                                                       : std::pair<int, int>{-x_lmax, x_lmax};
            for (int l = lLow; l <= lHigh; ++l) {
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
