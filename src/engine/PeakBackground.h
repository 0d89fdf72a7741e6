#pragma once

// The smooth background of a frame and its noise, for the spot search: medians of small cells
// filtered over a few cells, and the robust spread of what they leave.

#include <vector>

#include "engine/PeakSearch.h"

namespace lumora::engine::peaks {

// The median of the values (reordered); 0 for none.
float median(std::vector<float>& v);

// Values on a coarse grid of square cells that tile the frame (the last row and column may be cut).
struct Grid {
    int cell = 1, nx = 0, ny = 0;
    std::vector<float> v;
    Grid(int cellSize, int width, int height)
        : cell(cellSize),
          nx((width + cellSize - 1) / cellSize),
          ny((height + cellSize - 1) / cellSize),
          v(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny)) {}
    float& at(int i, int j) { return v[static_cast<std::size_t>(j) * nx + i]; }
    float at(int i, int j) const { return v[static_cast<std::size_t>(j) * nx + i]; }
};

// Linear interpolation between cell centres along one axis; beyond the outer centres the line of the
// two outer cells goes on (`extend`: a sloped background keeps its slope up to the frame's edge) or
// the outer value holds.
struct AxisWeights {
    std::vector<int> lower, upper;
    std::vector<float> weight;  // of the upper cell
};

AxisWeights axisWeights(int pixels, int cell, int cells, bool extend);

// A grid read bilinearly at any pixel, for maps only looked at here and there.
class SmoothMap {
public:
    SmoothMap(Grid grid, int width, int height, bool extend)
        : grid_(std::move(grid)),
          width_(static_cast<std::size_t>(width)),
          ax_(axisWeights(width, grid_.cell, grid_.nx, extend)),
          ay_(axisWeights(height, grid_.cell, grid_.ny, extend)) {}
    float operator[](std::size_t p) const {
        const std::size_t x = p % width_, y = p / width_;
        const float wx = ax_.weight[x], wy = ay_.weight[y];
        const auto row = [&](int j) {
            return (1 - wx) * grid_.at(ax_.lower[x], j) + wx * grid_.at(ax_.upper[x], j);
        };
        return (1 - wy) * row(ay_.lower[y]) + wy * row(ay_.upper[y]);
    }
    // The values of row y, all at once.
    void row(int y, std::vector<float>& out, std::vector<float>& cells) const {
        const float wy = ay_.weight[static_cast<std::size_t>(y)];
        cells.resize(static_cast<std::size_t>(grid_.nx));
        for (int i = 0; i < grid_.nx; ++i)
            cells[i] = (1 - wy) * grid_.at(i, ay_.lower[y]) + wy * grid_.at(i, ay_.upper[y]);
        out.resize(width_);
        for (std::size_t x = 0; x < width_; ++x)
            out[x] = (1 - ax_.weight[x]) * cells[ax_.lower[x]] + ax_.weight[x] * cells[ax_.upper[x]];
    }

private:
    Grid grid_;
    std::size_t width_;
    AxisWeights ax_, ay_;
};

// The background of every pixel, and the noise (one standard deviation) of its value.
struct Maps {
    SmoothMap background, noise;
};

Maps backgroundAndNoise(const GreyFrame& frame, const ProgressCallback& progress);

}  // namespace lumora::engine::peaks
