#include "engine/PeakSearch.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <string>

#include "util/Error.h"

namespace lumora::engine {

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
// Two maxima of one region are two spots when the lower stands above the saddle between them by the
// threshold and by this fraction of its height: the noise on the top of a bright spot makes small
// dips, two spots 5-6 pixels apart a deep one.
constexpr double kSplitFraction = 0.15;
// A spot has at least this many pixels above the threshold: a region with a single one is a hot
// pixel or a spike of the noise (a spot of 1 pixel sigma puts 60 % of its top on each neighbour).
constexpr int kLeastPixelsAbove = 2;
// Pixels above the threshold, and those above this fraction of it that join them into one region.
constexpr std::uint8_t kAbove = 2, kWing = 1;
constexpr double kGrowFraction = 0.5;
// Rings of pixels below the threshold around a spot that are counted with it (its wings).
constexpr int kRings = 2;
// Rings beyond those over which the background left under a spot is fitted, and the fewest pixels
// that fit takes.
constexpr int kOuterRings = 2;
constexpr int kLeastPlanePixels = 12;
// The centre is refined over a disc of the spot's size plus this margin (pixels), this many times.
constexpr double kCentreMargin = 0.5;
constexpr int kCentrePasses = 3;
// A value this close to the saturation counts as saturated (luminance of 8-bit colour is not whole).
constexpr float kSaturationMargin = 0.5f;

float median(std::vector<float>& v) {
    if (v.empty()) return 0;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    if (v.size() % 2 == 1) return *mid;
    return 0.5f * (*mid + *std::max_element(v.begin(), mid));
}

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

// Linear interpolation between cell centres along one axis, held constant beyond the outer ones.
struct AxisWeights {
    std::vector<int> lower, upper;
    std::vector<float> weight;  // of the upper cell
};

AxisWeights axisWeights(int pixels, int cell, int cells) {
    std::vector<double> centre(static_cast<std::size_t>(cells));
    for (int i = 0; i < cells; ++i) centre[i] = 0.5 * (i * cell + std::min((i + 1) * cell, pixels) - 1);
    AxisWeights a;
    a.lower.resize(static_cast<std::size_t>(pixels));
    a.upper.resize(static_cast<std::size_t>(pixels));
    a.weight.resize(static_cast<std::size_t>(pixels));
    int i = 0;
    for (int p = 0; p < pixels; ++p) {
        while (i + 1 < cells && centre[static_cast<std::size_t>(i) + 1] <= p) ++i;
        if (p <= centre[0] || i + 1 >= cells) {
            a.lower[p] = a.upper[p] = p <= centre[0] ? 0 : cells - 1;
            a.weight[p] = 0;
        } else {
            a.lower[p] = i;
            a.upper[p] = i + 1;
            a.weight[p] = static_cast<float>((p - centre[i]) / (centre[i + 1] - centre[i]));
        }
    }
    return a;
}

// The grid spread bilinearly over every pixel of a width x height frame.
std::vector<float> interpolated(const Grid& grid, int width, int height) {
    const AxisWeights ax = axisWeights(width, grid.cell, grid.nx);
    const AxisWeights ay = axisWeights(height, grid.cell, grid.ny);
    std::vector<float> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::vector<float> row(static_cast<std::size_t>(grid.nx));
    for (int y = 0; y < height; ++y) {
        const float wy = ay.weight[y];
        for (int i = 0; i < grid.nx; ++i)
            row[i] = (1 - wy) * grid.at(i, ay.lower[y]) + wy * grid.at(i, ay.upper[y]);
        float* line = out.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            line[x] = (1 - ax.weight[x]) * row[ax.lower[x]] + ax.weight[x] * row[ax.upper[x]];
    }
    return out;
}

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
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            window.clear();
            spread.clear();
            for (int jj = std::max(0, j - kCellReach); jj <= std::min(ny - 1, j + kCellReach); ++jj)
                for (int ii = std::max(0, i - kCellReach); ii <= std::min(nx - 1, i + kCellReach); ++ii) {
                    window.push_back(medians.at(ii, jj));
                    spread.push_back(spreads.at(ii, jj));
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
                for (int jj = std::max(0, j - reach); jj <= std::min(ny - 1, j + reach); ++jj)
                    for (int ii = std::max(0, i - reach); ii <= std::min(nx - 1, i + reach); ++ii)
                        if (!dark[idx(ii, jj)]) window.push_back(values.at(ii, jj));
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

struct Maps {
    std::vector<float> background, noise;
};

Maps backgroundAndNoise(const GreyFrame& frame, const ProgressCallback& progress) {
    const int w = frame.width, h = frame.height;
    std::vector<float> buffer;
    Grid medians(kCell, w, h), spreads(kCell, w, h);
    forEachCell(medians, w, h, progress, 0, 0.3, [&](int i, int j, int x0, int y0, int x1, int y1) {
        buffer.clear();
        for (int y = y0; y < y1; ++y)
            buffer.insert(buffer.end(), frame.values.begin() + (static_cast<std::ptrdiff_t>(y) * w + x0),
                          frame.values.begin() + (static_cast<std::ptrdiff_t>(y) * w + x1));
        const auto mid = buffer.begin() + static_cast<std::ptrdiff_t>(buffer.size() / 2);
        medians.at(i, j) = median(buffer);
        // The quartiles from the two halves the median left.
        const auto q1 = buffer.begin() + static_cast<std::ptrdiff_t>(buffer.size() / 4);
        const auto q3 = buffer.begin() + static_cast<std::ptrdiff_t>(3 * buffer.size() / 4);
        std::nth_element(buffer.begin(), q1, mid);
        std::nth_element(mid, q3, buffer.end());
        spreads.at(i, j) = static_cast<float>((*q3 - *q1) / kIqrToSigma);
    });
    Maps maps;
    maps.background = interpolated(smoothBackground(medians, spreads), w, h);

    Grid blocks(kNoiseBlock, w, h);
    forEachCell(blocks, w, h, progress, 0.3, 0.6, [&](int i, int j, int x0, int y0, int x1, int y1) {
        buffer.clear();
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::size_t k = static_cast<std::size_t>(y) * w + x;
                buffer.push_back(frame.values[k] - maps.background[k]);
            }
        const float centre = median(buffer);
        for (float& r : buffer) r = std::fabs(r - centre);
        blocks.at(i, j) = std::max(kNoiseFloor, static_cast<float>(kMadToSigma * median(buffer)));
    });
    maps.noise = interpolated(medianFiltered(blocks, kNoiseReach), w, h);
    return maps;
}

// What is gathered for one spot while its region is split and measured.
struct SpotSum {
    double sum = 0;                         // over the spot and its wings
    double weight = 0, sumX = 0, sumY = 0;  // over the spot: its centre
    double peak = 0;
    std::size_t peakPixel = 0;
    int pixels = 0;
    bool saturated = false;
};

// A plane a + b (x - x0) + c (y - y0).
struct Plane {
    double x0 = 0, y0 = 0;
    Eigen::Vector3d c = Eigen::Vector3d::Zero();
    double at(double x, double y) const { return c[0] + c[1] * (x - x0) + c[2] * (y - y0); }
};

class RegionMeasure {
public:
    RegionMeasure(const GreyFrame& frame, const Maps& maps, double thresholdSigma)
        : frame_(frame),
          maps_(maps),
          thresholdSigma_(thresholdSigma),
          component_(frame.values.size(), -1),
          ringMark_(frame.values.size(), -1) {}

    // `mask` is 1 above the threshold, 0 below; the region's pixels are in `pixels`.
    void measure(std::vector<std::size_t>& pixels, const std::vector<std::uint8_t>& mask,
                 std::vector<Peak>& out) {
        if (std::count_if(pixels.begin(), pixels.end(), [&](std::size_t p) { return mask[p] == kAbove; }) <
            kLeastPixelsAbove)
            return;
        split(pixels);
        for (std::size_t c = 0; c < sums_.size(); ++c)
            if (root(static_cast<int>(c)) == static_cast<int>(c)) sums_[c] = SpotSum{};
        for (const std::size_t p : pixels) add(sums_[static_cast<std::size_t>(root(component_[p]))], p, true);
        // The wings just below the threshold belong to the spot too: two rings of pixels around it.
        // Two more rings outside show what the smooth background missed under the spot (the flank of
        // a halo): a plane fitted to them is taken off as well.
        rings_.resize(std::max(rings_.size(), sums_.size()));
        for (std::size_t c = 0; c < sums_.size(); ++c) rings_[c].clear();
        for (const std::size_t p : pixels) rings_[static_cast<std::size_t>(root(component_[p]))].push_back(p);
        for (std::size_t c = 0; c < sums_.size(); ++c) {
            if (root(static_cast<int>(c)) != static_cast<int>(c)) continue;
            const int serial = ringSerial_ + static_cast<int>(c);
            std::vector<std::size_t>& layer = rings_[c];
            const std::size_t spotPixels = layer.size();
            std::size_t first = 0, inner = 0;
            for (int ring = 0; ring < kRings + kOuterRings; ++ring) {
                const std::size_t end = layer.size();
                for (std::size_t k = first; k < end; ++k)
                    forNeighbours(layer[k], [&](std::size_t q) {
                        if (mask[q] == 0 && ringMark_[q] != serial) {
                            ringMark_[q] = serial;
                            layer.push_back(q);
                        }
                    });
                first = end;
                if (ring + 1 == kRings) inner = layer.size();
            }
            SpotSum& s = sums_[c];
            const Plane plane = residualPlane(layer, inner, s.peakPixel);
            const std::size_t w = static_cast<std::size_t>(frame_.width);
            for (std::size_t k = 0; k < inner; ++k) {
                const std::size_t p = layer[k];
                const double x = static_cast<double>(p % w), y = static_cast<double>(p / w);
                const double e = excess(p) - plane.at(x, y);
                s.sum += e;
                if (k >= spotPixels) continue;
                s.weight += e;
                s.sumX += e * x;
                s.sumY += e * y;
            }
            // The pixels above the threshold are cut further out where the noise is higher; the centre
            // is taken again over a disc around the first one, as large as the spot, which is symmetric.
            const double radius = std::sqrt(spotPixels / M_PI) + kCentreMargin;
            for (int pass = 0; pass < kCentrePasses && s.weight > 0; ++pass) {
                const double cx = s.sumX / s.weight, cy = s.sumY / s.weight;
                double weight = 0, sumX = 0, sumY = 0;
                for (std::size_t k = 0; k < inner; ++k) {
                    const std::size_t p = layer[k];
                    const double x = static_cast<double>(p % w), y = static_cast<double>(p / w);
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) continue;
                    const double e = excess(p) - plane.at(x, y);
                    weight += e;
                    sumX += e * x;
                    sumY += e * y;
                }
                if (!(weight > 0)) break;
                s.weight = weight;
                s.sumX = sumX;
                s.sumY = sumY;
            }
        }
        ringSerial_ += static_cast<int>(sums_.size());
        for (std::size_t c = 0; c < sums_.size(); ++c) {
            if (root(static_cast<int>(c)) != static_cast<int>(c)) continue;
            const SpotSum& s = sums_[c];
            Peak peak;
            const int px = static_cast<int>(s.peakPixel % static_cast<std::size_t>(frame_.width));
            const int py = static_cast<int>(s.peakPixel / static_cast<std::size_t>(frame_.width));
            peak.x = s.weight > 0 ? s.sumX / s.weight : px;
            peak.y = s.weight > 0 ? s.sumY / s.weight : py;
            peak.intensity = s.sum;
            peak.peakValue = s.peak;
            peak.pixels = s.pixels;
            peak.saturated = s.saturated;
            out.push_back(peak);
        }
    }

private:
    double excess(std::size_t p) const { return double(frame_.values[p]) - maps_.background[p]; }

    template <class F>
    void forNeighbours(std::size_t p, F f) const {
        const int w = frame_.width, h = frame_.height;
        const int x = static_cast<int>(p % static_cast<std::size_t>(w)),
                  y = static_cast<int>(p / static_cast<std::size_t>(w));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if ((dx != 0 || dy != 0) && nx >= 0 && ny >= 0 && nx < w && ny < h)
                    f(static_cast<std::size_t>(ny) * w + nx);
            }
    }

    int root(int c) {
        while (parent_[static_cast<std::size_t>(c)] != c) {
            parent_[static_cast<std::size_t>(c)] =
                parent_[static_cast<std::size_t>(parent_[static_cast<std::size_t>(c)])];
            c = parent_[static_cast<std::size_t>(c)];
        }
        return c;
    }

    // Watershed from the top: pixels join the highest neighbouring maximum; a lower maximum met at a
    // saddle stays a spot of its own only when it stands high enough above that saddle.
    void split(std::vector<std::size_t>& pixels) {
        std::sort(pixels.begin(), pixels.end(), [&](std::size_t a, std::size_t b) {
            const double ea = excess(a), eb = excess(b);
            return ea != eb ? ea > eb : a < b;
        });
        parent_.clear();
        sums_.clear();
        std::vector<int> roots;
        for (const std::size_t p : pixels) {
            roots.clear();
            forNeighbours(p, [&](std::size_t q) {
                if (component_[q] >= 0) {
                    const int r = root(component_[q]);
                    if (std::find(roots.begin(), roots.end(), r) == roots.end()) roots.push_back(r);
                }
            });
            const double e = excess(p);
            if (roots.empty()) {
                const int c = static_cast<int>(parent_.size());
                parent_.push_back(c);
                SpotSum s;
                s.peak = e;
                s.peakPixel = p;
                sums_.push_back(s);
                assign(p, c);
                continue;
            }
            const auto higher = [&](int a, int b) {
                const SpotSum &sa = sums_[static_cast<std::size_t>(a)],
                              &sb = sums_[static_cast<std::size_t>(b)];
                return sa.peak != sb.peak ? sa.peak > sb.peak : sa.peakPixel < sb.peakPixel;
            };
            const int top = *std::min_element(roots.begin(), roots.end(), higher);
            for (const int r : roots) {
                if (r == top) continue;
                const SpotSum& s = sums_[static_cast<std::size_t>(r)];
                const double needed =
                    std::max(thresholdSigma_ * maps_.noise[s.peakPixel], kSplitFraction * s.peak);
                if (s.peak - e < needed) parent_[static_cast<std::size_t>(r)] = top;
            }
            assign(p, top);
        }
    }

    void assign(std::size_t p, int c) { component_[p] = c; }

    // What the background left over the outer rings (layer[from..]), as a plane around `centre`;
    // pixels far below the background (a shadow's edge) take no part.
    Plane residualPlane(const std::vector<std::size_t>& layer, std::size_t from, std::size_t centre) const {
        const std::size_t w = static_cast<std::size_t>(frame_.width);
        Plane plane;
        plane.x0 = static_cast<double>(centre % w);
        plane.y0 = static_cast<double>(centre / w);
        Eigen::Matrix3d normal = Eigen::Matrix3d::Zero();
        Eigen::Vector3d right = Eigen::Vector3d::Zero();
        int used = 0;
        for (std::size_t k = from; k < layer.size(); ++k) {
            const std::size_t p = layer[k];
            const double e = excess(p);
            if (e < -thresholdSigma_ * maps_.noise[p]) continue;
            const Eigen::Vector3d row(1, static_cast<double>(p % w) - plane.x0,
                                      static_cast<double>(p / w) - plane.y0);
            normal += row * row.transpose();
            right += row * e;
            ++used;
        }
        if (used < kLeastPlanePixels) return plane;
        const Eigen::Vector3d c = normal.ldlt().solve(right);
        if (c.allFinite()) plane.c = c;
        return plane;
    }

    void add(SpotSum& s, std::size_t p, bool inside) {
        if (!inside) return;
        const double e = excess(p);
        ++s.pixels;
        if (s.pixels == 1 || e > s.peak || (e == s.peak && p < s.peakPixel)) {
            s.peak = e;
            s.peakPixel = p;
        }
        if (frame_.values[p] >= frame_.saturation - kSaturationMargin) s.saturated = true;
    }

    const GreyFrame& frame_;
    const Maps& maps_;
    double thresholdSigma_;
    std::vector<int> component_;  // of each pixel of the regions measured so far, -1 elsewhere
    std::vector<int> ringMark_;
    std::vector<std::vector<std::size_t>> rings_;  // each spot's pixels and then its rings
    std::vector<int> parent_;
    std::vector<SpotSum> sums_;
    int ringSerial_ = 0;
};

}  // namespace

std::vector<Peak> findPeaks(const GreyFrame& frame, const PeakSearchOptions& options,
                            const ProgressCallback& progress) {
    if (frame.width < 0 || frame.height < 0 ||
        frame.values.size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
        throw Error(Error::InvalidCall, "the frame's values do not fill its width and height");
    if (!(options.thresholdSigma > 0) || !std::isfinite(options.thresholdSigma))
        throw Error(Error::InvalidCall, "the spot threshold must be a positive number of noise units");
    if (options.maxSpots < 0)
        throw Error(Error::InvalidCall, "the number of spots to keep cannot be negative");
    reportProgress(progress, 0);
    if (frame.values.empty()) return {};

    const Maps maps = backgroundAndNoise(frame, progress);
    const int w = frame.width, h = frame.height;
    // Regions grow from the pixels above the threshold over those above half of it, so that a spot's
    // wings hold together and a noise spike on them is no spot of its own.
    std::vector<std::uint8_t> mask(frame.values.size());
    const double growSigma = kGrowFraction * options.thresholdSigma;
    for (std::size_t k = 0; k < mask.size(); ++k) {
        const float excess = frame.values[k] - maps.background[k];
        mask[k] = excess > options.thresholdSigma * maps.noise[k] ? kAbove
                  : excess > growSigma * maps.noise[k]            ? kWing
                                                                  : 0;
    }

    // Connected regions (eight neighbours), each split and measured in turn.
    std::vector<Peak> peaks;
    RegionMeasure measure(frame, maps, options.thresholdSigma);
    std::vector<std::uint8_t> seen(mask.size());
    std::vector<std::size_t> region, stack;
    for (int y = 0; y < h; ++y) {
        if (y % 64 == 0) reportProgress(progress, 0.6 + 0.4 * y / h);
        for (int x = 0; x < w; ++x) {
            const std::size_t start = static_cast<std::size_t>(y) * w + x;
            if (mask[start] != kAbove || seen[start]) continue;
            region.clear();
            stack.assign(1, start);
            seen[start] = 1;
            while (!stack.empty()) {
                const std::size_t p = stack.back();
                stack.pop_back();
                region.push_back(p);
                const int px = static_cast<int>(p % static_cast<std::size_t>(w));
                const int py = static_cast<int>(p / static_cast<std::size_t>(w));
                for (int ny = std::max(0, py - 1); ny <= std::min(h - 1, py + 1); ++ny)
                    for (int nx = std::max(0, px - 1); nx <= std::min(w - 1, px + 1); ++nx) {
                        const std::size_t q = static_cast<std::size_t>(ny) * w + nx;
                        if (mask[q] && !seen[q]) {
                            seen[q] = 1;
                            stack.push_back(q);
                        }
                    }
            }
            measure.measure(region, mask, peaks);
        }
    }

    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) {
        if (a.intensity != b.intensity) return a.intensity > b.intensity;
        if (a.y != b.y) return a.y < b.y;
        return a.x < b.x;
    });
    if (options.maxSpots > 0 && peaks.size() > static_cast<std::size_t>(options.maxSpots))
        peaks.resize(static_cast<std::size_t>(options.maxSpots));
    reportProgress(progress, 1);
    return peaks;
}

}  // namespace lumora::engine
