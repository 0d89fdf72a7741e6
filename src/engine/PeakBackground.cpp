#include "engine/PeakBackground.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace lumora::engine::peaks {

namespace {

// The background is the median of 8 x 8 pixel cells, median-filtered over 5 x 5 cells (40 pixels):
// a spot of up to 3 pixels sigma touches at most a few cells of such a window, so the window's median
// never climbs onto it, while slopes, halos and the edges of shadows are followed closely.
constexpr int kCell = 8;
constexpr int kCellReach = 2;
// The noise is the robust spread (MAD) of what the background leaves, over 32 x 32 pixel blocks,
// median-filtered over 3 x 3 blocks so that a block crowded with spots does not stand out.
constexpr int kNoiseBlock = 32;
constexpr int kNoiseReach = 1;
constexpr double kMadToSigma = 1.4826;
constexpr double kIqrToSigma = 1.349;
// A cell whose median lies this many noise units below the bright side of its surroundings is dark.
constexpr float kDarkSigma = 5;
constexpr float kDarkSkew = 3;
// Counts are whole numbers: a frame of constant background has no noise below one count.
constexpr float kNoiseFloor = 1;

}  // namespace

float median(std::vector<float>& v) {
    if (v.empty()) return 0;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    if (v.size() % 2 == 1) return *mid;
    return 0.5f * (*mid + *std::max_element(v.begin(), mid));
}
namespace {

// Each cell's value replaced by the median of the cells within `reach` (fewer at the edges).
Grid medianFiltered(const Grid& grid, int reach) {
    Grid out = grid;
    std::vector<float> window;
    for (int j = 0; j < grid.ny; ++j)
        for (int i = 0; i < grid.nx; ++i) {
            window.clear();
            for (int jj = std::max(0, j - reach); jj <= std::min(grid.ny - 1, j + reach); ++jj)
                for (int ii = std::max(0, i - reach); ii <= std::min(grid.nx - 1, i + reach); ++ii)
                    window.push_back(grid.at(ii, jj));
            out.at(i, j) = median(window);
        }
    return out;
}

}  // namespace

AxisWeights axisWeights(int pixels, int cell, int cells, bool extend) {
    std::vector<double> centre(static_cast<std::size_t>(cells));
    for (int i = 0; i < cells; ++i) centre[i] = 0.5 * (i * cell + std::min((i + 1) * cell, pixels) - 1);
    AxisWeights a;
    a.lower.resize(static_cast<std::size_t>(pixels));
    a.upper.resize(static_cast<std::size_t>(pixels));
    a.weight.resize(static_cast<std::size_t>(pixels));
    int i = 0;
    for (int p = 0; p < pixels; ++p) {
        while (i + 1 < cells && centre[static_cast<std::size_t>(i) + 1] <= p) ++i;
        if (cells == 1 || (!extend && (p <= centre[0] || i + 1 >= cells))) {
            a.lower[p] = a.upper[p] = p <= centre[0] ? 0 : cells - 1;
            a.weight[p] = 0;
        } else {
            const int k = std::min(i, cells - 2);
            a.lower[p] = k;
            a.upper[p] = k + 1;
            a.weight[p] = static_cast<float>((p - centre[k]) / (centre[k + 1] - centre[k]));
        }
    }
    return a;
}

namespace {

// Runs `work(i, j, x0, y0, x1, y1)` over the cells of a grid, reporting progress from `from` to `to`.
template <class Work>
void forEachCell(const Grid& grid, int width, int height, const ProgressCallback& progress, double from,
                 double to, Work work) {
    for (int j = 0; j < grid.ny; ++j) {
        reportProgress(progress, from + (to - from) * j / grid.ny);
        const int y0 = j * grid.cell, y1 = std::min(height, y0 + grid.cell);
        for (int i = 0; i < grid.nx; ++i) {
            const int x0 = i * grid.cell, x1 = std::min(width, x0 + grid.cell);
            work(i, j, x0, y0, x1, y1);
        }
    }
}

// The smooth background on the cell grid from the cells' medians and spreads (noise of one pixel).
// Cells far darker than their surroundings (the shadow of the beam stop, gaps between detector
// modules) are left out: the background of the bright side is carried over them, so that the pixels
// at the edge of a shadow are not measured against a background dragged down by it. Next to such
// cells the window shrinks to 3 x 3 cells, since a window cut on one side by the shadow would reach
// far into a halo falling away from it.
Grid smoothBackground(const Grid& medians, const Grid& spreads) {
    const int nx = medians.nx, ny = medians.ny;
    std::vector<std::uint8_t> dark(medians.v.size());
    std::vector<float> window, spread;
    const auto idx = [nx](int i, int j) { return static_cast<std::size_t>(j) * nx + i; };
    // A cell's value, beyond the frame's edge that of the cell mirrored through the edge cell and
    // turned over (2 v(edge) - v(mirror)): a window cut by the edge stays balanced on a slope. False
    // when a dark cell is involved.
    const auto reflected = [&](const Grid& values, int ii, int jj, float& v, bool skipDark = true) {
        const auto mirror = [](int k, int n, int& edge) {
            edge = k < 0 ? 0 : k > n - 1 ? n - 1 : -1;
            return edge < 0 ? k : 2 * edge - k;
        };
        int ex = 0, ey = 0;
        const int mi = mirror(ii, nx, ex), mj = mirror(jj, ny, ey);
        if (mi < 0 || mi >= nx || mj < 0 || mj >= ny) return false;
        const auto along = [&](int row, float& out) {  // the row's value at ii, turned over in x
            if (skipDark && (dark[idx(mi, row)] || (ex >= 0 && dark[idx(ex, row)]))) return false;
            out = ex >= 0 ? 2 * values.at(ex, row) - values.at(mi, row) : values.at(mi, row);
            return true;
        };
        if (!along(mj, v)) return false;
        if (ey < 0) return true;
        float edge = 0;
        if (!along(ey, edge)) return false;
        v = 2 * edge - v;
        return true;
    };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            window.clear();
            spread.clear();
            for (int jj = j - kCellReach; jj <= j + kCellReach; ++jj)
                for (int ii = i - kCellReach; ii <= i + kCellReach; ++ii) {
                    float v = 0;
                    if (!reflected(medians, ii, jj, v, false)) continue;
                    window.push_back(v);
                    if (ii >= 0 && jj >= 0 && ii < nx && jj < ny) spread.push_back(spreads.at(ii, jj));
                }
            // The upper quartile is the bright side, even where the shadow fills most of the window. A
            // dark cell lies far below it and near the bottom of the window; a cell on a slope lies as
            // far above the lower quartile as below the upper one.
            const auto upper = window.begin() + static_cast<std::ptrdiff_t>(3 * window.size() / 4);
            std::nth_element(window.begin(), upper, window.end());
            const auto lower = window.begin() + static_cast<std::ptrdiff_t>(window.size() / 4);
            std::nth_element(window.begin(), lower, upper);
            const float m = medians.at(i, j);
            dark[idx(i, j)] = m < *upper - kDarkSigma * std::max(kNoiseFloor, median(spread)) &&
                              *upper - m > kDarkSkew * (m - *lower);
        }

    // The median over the window of each bright cell, dark cells left out.
    const auto filtered = [&](const Grid& values) {
        Grid result = values;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                if (dark[idx(i, j)]) continue;
                bool touchesDark = false;
                for (int jj = std::max(0, j - 1); jj <= std::min(ny - 1, j + 1); ++jj)
                    for (int ii = std::max(0, i - 1); ii <= std::min(nx - 1, i + 1); ++ii)
                        touchesDark = touchesDark || dark[idx(ii, jj)];
                const int reach = touchesDark ? 1 : kCellReach;
                window.clear();
                for (int jj = j - reach; jj <= j + reach; ++jj)
                    for (int ii = i - reach; ii <= i + reach; ++ii) {
                        float v = 0;
                        if (reflected(values, ii, jj, v)) window.push_back(v);
                    }
                result.at(i, j) = median(window);
            }
        return result;
    };
    // A window's median lies below the middle of a curved background (more of a dome's flank lies
    // outside a level line than inside); the median of what the first pass left puts that back.
    Grid out = filtered(medians);
    Grid residual = medians;
    for (std::size_t k = 0; k < residual.v.size(); ++k) residual.v[k] -= out.v[k];
    const Grid correction = filtered(residual);
    std::vector<std::uint8_t> known(medians.v.size());
    for (std::size_t k = 0; k < out.v.size(); ++k)
        if (!dark[k]) {
            out.v[k] += correction.v[k];
            known[k] = 1;
        }
    // Dark cells take the brightest background next to them, layer by layer from the edge inwards.
    for (bool more = true; more;) {
        more = false;
        std::vector<std::uint8_t> next = known;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                if (known[idx(i, j)]) continue;
                float brightest = 0;
                bool found = false;
                for (int jj = std::max(0, j - 1); jj <= std::min(ny - 1, j + 1); ++jj)
                    for (int ii = std::max(0, i - 1); ii <= std::min(nx - 1, i + 1); ++ii)
                        if (known[idx(ii, jj)] && (!found || out.at(ii, jj) > brightest)) {
                            brightest = out.at(ii, jj);
                            found = true;
                        }
                if (found) {
                    out.at(i, j) = brightest;
                    next[idx(i, j)] = 1;
                    more = true;
                }
            }
        known.swap(next);
    }
    return out;
}

}  // namespace

Maps backgroundAndNoise(const GreyFrame& frame, const ProgressCallback& progress) {
    const int w = frame.width, h = frame.height;
    std::vector<float> buffer;
    Grid medians(kCell, w, h), spreads(kCell, w, h);
    forEachCell(medians, w, h, progress, 0, 0.3, [&](int i, int j, int x0, int y0, int x1, int y1) {
        buffer.clear();
        for (int y = y0; y < y1; ++y)
            for (int x = x0 + (y & 1); x < x1; x += 2)
                buffer.push_back(frame.values[static_cast<std::size_t>(y) * w + x]);
        const auto mid = buffer.begin() + static_cast<std::ptrdiff_t>(buffer.size() / 2);
        medians.at(i, j) = median(buffer);
        // The quartiles from the two halves the median left.
        const auto q1 = buffer.begin() + static_cast<std::ptrdiff_t>(buffer.size() / 4);
        const auto q3 = buffer.begin() + static_cast<std::ptrdiff_t>(3 * buffer.size() / 4);
        std::nth_element(buffer.begin(), q1, mid);
        std::nth_element(mid, q3, buffer.end());
        spreads.at(i, j) = static_cast<float>((*q3 - *q1) / kIqrToSigma);
    });
    SmoothMap background(smoothBackground(medians, spreads), w, h, true);

    // The noise: per block, the MAD of what the background leaves over every other pixel (as on a
    // chequerboard, which tells the spread as well as all of them).
    Grid blocks(kNoiseBlock, w, h);
    std::vector<std::vector<float>> samples(static_cast<std::size_t>(blocks.nx));
    std::vector<float> row, cells;
    for (int j = 0; j < blocks.ny; ++j) {
        reportProgress(progress, 0.3 + 0.3 * j / blocks.ny);
        for (auto& block : samples) block.clear();
        for (int y = j * kNoiseBlock; y < std::min(h, (j + 1) * kNoiseBlock); ++y) {
            background.row(y, row, cells);
            const float* values = frame.values.data() + static_cast<std::size_t>(y) * w;
            for (int x = y & 1; x < w; x += 2) samples[x / kNoiseBlock].push_back(values[x] - row[x]);
        }
        for (int i = 0; i < blocks.nx; ++i) {
            std::vector<float>& r = samples[i];
            const float centre = median(r);
            for (float& v : r) v = std::fabs(v - centre);
            blocks.at(i, j) = std::max(kNoiseFloor, static_cast<float>(kMadToSigma * median(r)));
        }
    }
    return {std::move(background), SmoothMap(medianFiltered(blocks, kNoiseReach), w, h, false)};
}

}  // namespace lumora::engine::peaks
