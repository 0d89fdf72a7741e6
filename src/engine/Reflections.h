#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/Cell.h"
#include "symmetry/HallSymbol.h"
#include "util/NumberText.h"

namespace lumora::engine {

// The systematic-absence test over the operations of a space group (centring
// translations included). Operations are grouped by their rotation part so that
// each candidate reflection is transformed once per distinct rotation.
class ExtinctionRules {
public:
    ExtinctionRules() = default;
    explicit ExtinctionRules(const std::vector<symmetry::SymOp>& ops);

    // Absent when an operation maps (h k l), as a row vector times R, onto itself
    // while t.h lies more than 1e-4 from an integer.
    bool isExtinct(int h, int k, int l) const;
    // Translations that come with the identity rotation (1 for a primitive
    // lattice, 4 for F): the share of lattice points a centring leaves is 1/this.
    int latticeTranslations() const;

private:
    struct RotationGroup {
        std::array<int, 9> r{};  // row-major R
        std::vector<std::array<float, 3>> translations;
    };
    std::vector<RotationGroup> groups_;
    bool active_ = false;  // fewer than two operations: nothing is absent
};

// Index limits and spacing threshold derived from the cell: dMin = (a+b+c)/30
// kept within 0.5 .. 1 Å, then raised by 1.33 until the three limits sum to at
// most 70. Limits that do not fit 16 bits raise Error 6.
struct IndexLimits {
    int16_t h = 0, k = 0, l = 0;
    float dMin = 0;
    bool raised = false;  // the index-sum rule raised dMin above what the cell alone gives
};
IndexLimits indexLimits(float a, float b, float c);

// Which reflections a generated list holds. The default is the rule above;
// a complete list holds every reflection that can diffract in the band:
// d >= max(lambdaMin / 2, dMin), index limits from that d alone (|h| <= a / d),
// no sum rule.
struct ReflectionRange {
    bool complete = false;
    float dMin = 0;  // Å, the user's lower bound of a complete list; 0: the band alone
};

// The most reflections a complete list may hold (hkl and -h-k-l both count).
constexpr double kCompleteListBudget = 20e6;

// The d threshold of a complete list for a band starting at lambdaMin;
// Error 5 when neither gives a positive threshold.
float completeThreshold(const ReflectionRange& range, float lambdaMin);
// Limits of a complete list down to dMin: |h| <= a / dMin and so on. Error 6
// when they do not fit 16-bit indices.
IndexLimits completeLimits(const CellMetric& metric, float dMin);
// Lattice points with d >= dMin, both hkl and -h-k-l, estimated from the
// volume of the reciprocal sphere: V (4/3) pi / dMin^3 / translations.
double expectedReflections(const CellMetric& metric, float dMin, int translations);
// The smallest d-min (rounded up to 0.01 Å) whose estimate stays within `budget`.
float spacingForBudget(const CellMetric& metric, int translations, double budget);
// Error 6 with the d-min that fits when the estimate exceeds the budget.
void checkCompleteBudget(const CellMetric& metric, float dMin, int translations);

// Quicksort of rows low..high of a table by one key column, moving whole rows.
// Rows with equal keys keep no particular order, but the result is the same
// for the same input: the drawing order depends on it.
template <std::size_t N>
void qSort(std::vector<std::array<float, N>>& table, int32_t low, int32_t high, int keyColumn) {
    while (low < high) {
        int32_t i = low;
        int32_t j = high;
        const auto mid = static_cast<int32_t>(util::nearest((static_cast<double>(low) + high) / 2.0));
        const float pivot = table[mid][keyColumn];
        do {
            while (table[i][keyColumn] < pivot) ++i;
            while (table[j][keyColumn] > pivot) --j;
            if (i <= j) {
                std::swap(table[i], table[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        // The two parts are independent; recurse into the smaller one and loop
        // over the larger, which keeps the stack shallow for any input.
        if (j - low < high - i) {
            if (low < j) qSort(table, low, j, keyColumn);
            low = i;
        } else {
            if (i < high) qSort(table, i, high, keyColumn);
            high = j;
        }
    }
}

}  // namespace lumora::engine
