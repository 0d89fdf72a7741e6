// The parts of a reflection list that follow from its rows: reciprocal vectors,
// drawing order and the pairs that share a spot.
#include "engine/ReflectionList.h"

#include <array>
#include <unordered_map>

#include "engine/Reflections.h"
#include "util/NumberText.h"

namespace lumora::engine {

namespace {

int64_t packed(int h, int k, int l) {
    return (static_cast<int64_t>(h) + 32768) << 32 | (static_cast<int64_t>(k) + 32768) << 16 |
           (static_cast<int64_t>(l) + 32768);
}

// The index of -h-k-l for every row, -1 where it is missing. A generated list
// runs over a box symmetric about the origin with Friedel-symmetric absences,
// so the partner of row i is row n-1-i; other lists are looked up.
std::vector<int32_t> partners(const std::vector<Reflection>& rows) {
    const auto n = static_cast<int32_t>(rows.size());
    std::vector<int32_t> mate(rows.size(), -1);
    bool mirrored = true;
    for (int32_t i = 0; i < n && mirrored; ++i) {
        const Reflection& a = rows[static_cast<std::size_t>(i)];
        const Reflection& b = rows[static_cast<std::size_t>(n - 1 - i)];
        mirrored = a.h == -b.h && a.k == -b.k && a.l == -b.l;
    }
    if (mirrored) {
        for (int32_t i = 0; i < n; ++i)
            if (i != n - 1 - i) mate[static_cast<std::size_t>(i)] = n - 1 - i;
        return mate;
    }
    std::unordered_map<int64_t, int32_t> where;
    where.reserve(rows.size());
    for (int32_t i = 0; i < n; ++i) {
        const Reflection& r = rows[static_cast<std::size_t>(i)];
        where.emplace(packed(r.h, r.k, r.l), i);
    }
    for (int32_t i = 0; i < n; ++i) {
        const Reflection& r = rows[static_cast<std::size_t>(i)];
        if (r.h == 0 && r.k == 0 && r.l == 0) continue;
        const auto found = where.find(packed(-r.h, -r.k, -r.l));
        if (found != where.end() && found->second != i) mate[static_cast<std::size_t>(i)] = found->second;
    }
    return mate;
}

}  // namespace

Vec3f reciprocalVector(const CellMetric& metric, double h, double k, double l) {
    const Mat3d& reciprocal = metric.reciprocalBasis();
    const double x[3] = {h, k, l};
    Vec3f out{};
    for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int r = 0; r < 3; ++r) sum += reciprocal[c][r] * x[r];
        out[c] = static_cast<float>(sum);
    }
    return out;
}

void finishList(ReflectionList& list, const CellMetric& metric, bool byIntensity) {
    auto& rows = list.rows;
    const auto n = static_cast<int32_t>(rows.size());
    for (Reflection& r : rows) r.g = reciprocalVector(metric, r.h, r.k, r.l);

    // The drawing order has always come from this sort of (key, index) rows;
    // equal keys keep the order it gives them, which the pictures depend on.
    std::vector<std::array<float, 2>> table(rows.size());
    for (int32_t i = 0; i < n; ++i) {
        const Reflection& r = rows[static_cast<std::size_t>(i)];
        table[static_cast<std::size_t>(i)] = {byIntensity ? r.f : r.d, static_cast<float>(i)};
    }
    qSort(table, 0, n - 1, 0);
    list.order.resize(rows.size());
    std::vector<int32_t> rank(rows.size());
    for (int32_t p = 0; p < n; ++p) {
        const auto i = static_cast<int32_t>(util::nearest(table[static_cast<std::size_t>(p)][1]));
        list.order[static_cast<std::size_t>(p)] = i;
        rank[static_cast<std::size_t>(i)] = p;
    }

    // Of two reflections on one spot, the one drawn later is the one seen.
    const std::vector<int32_t> mate = partners(rows);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t m = mate[static_cast<std::size_t>(i)];
        rows[static_cast<std::size_t>(i)].drawsSpot =
            m < 0 || rank[static_cast<std::size_t>(i)] > rank[static_cast<std::size_t>(m)];
    }
}

}  // namespace lumora::engine
