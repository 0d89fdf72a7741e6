#include "engine/PeakSearch.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <string>
#include <unordered_map>

#include "engine/PeakBackground.h"
#include "util/Error.h"

namespace lumora::engine {

namespace {

using peaks::Maps;

// Two maxima of one region are two spots when the lower stands above the saddle between them by the
// threshold and by this fraction of its height: the noise on the top of a bright spot makes small
// dips, two spots 5-6 pixels apart a deep one.
constexpr double kSplitFraction = 0.15;
// A spot has at least this many pixels above the threshold: a region with a single one is a hot
// pixel or a spike of the noise (a spot of 1 pixel sigma puts 60 % of its top on each neighbour).
constexpr int kLeastPixelsAbove = 2;
// Pixels above the threshold, and those above this fraction of it that join them into one region.
constexpr std::uint8_t kAbove = 2, kWing = 1, kLevel = 3;
constexpr std::uint8_t kSeen = 4;  // taken into a region
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
        : frame_(frame), maps_(maps), thresholdSigma_(thresholdSigma) {}

    // `mask` holds each pixel's level (kAbove, kWing, 0 below; kSeen once in a region); the region's
    // pixels are in `pixels`.
    void measure(std::vector<std::size_t>& pixels, const std::vector<std::uint8_t>& mask,
                 std::vector<Peak>& out) {
        if (std::count_if(pixels.begin(), pixels.end(),
                          [&](std::size_t p) { return (mask[p] & kLevel) == kAbove; }) < kLeastPixelsAbove)
            return;
        split(pixels);
        for (std::size_t c = 0; c < sums_.size(); ++c)
            if (root(static_cast<int>(c)) == static_cast<int>(c)) sums_[c] = SpotSum{};
        for (const std::size_t p : pixels) add(sums_[static_cast<std::size_t>(root(markOf(p)))], p);
        // The wings just below the threshold belong to the spot too: two rings of pixels around it.
        // Two more rings outside show what the smooth background missed under the spot (the flank of
        // a halo): a plane fitted to them is taken off as well.
        rings_.resize(std::max(rings_.size(), sums_.size()));
        for (std::size_t c = 0; c < sums_.size(); ++c) rings_[c].clear();
        for (const std::size_t p : pixels) rings_[static_cast<std::size_t>(root(markOf(p)))].push_back(p);
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
                        if (mask[q] == 0 && markOf(q) != ringMark(serial)) {
                            mark_[q] = ringMark(serial);
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
                if (const int m = markOf(q); m >= 0) {
                    const int r = root(m);
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

    void assign(std::size_t p, int c) { mark_[p] = c; }
    static int ringMark(int serial) { return -2 - serial; }

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

    // A pixel of the spot: its size, top and saturation.
    void add(SpotSum& s, std::size_t p) {
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
    // Of each pixel: the spot of a region pixel once split, the last spot whose rings took it (as
    // ringMark) for a pixel below the threshold, -1 before either.
    std::unordered_map<std::size_t, int> mark_;
    int markOf(std::size_t p) const {
        const auto it = mark_.find(p);
        return it == mark_.end() ? -1 : it->second;
    }
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

    const Maps maps = peaks::backgroundAndNoise(frame, progress);
    const int w = frame.width, h = frame.height;
    // Regions grow from the pixels above the threshold over those above half of it, so that a spot's
    // wings hold together and a noise spike on them is no spot of its own.
    std::vector<std::uint8_t> mask(frame.values.size());
    const double growSigma = kGrowFraction * options.thresholdSigma;
    std::vector<float> background, noise, cells;
    for (int y = 0; y < h; ++y) {
        maps.background.row(y, background, cells);
        maps.noise.row(y, noise, cells);
        const std::size_t start = static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const float excess = frame.values[start + x] - background[x];
            mask[start + x] = excess > options.thresholdSigma * noise[x] ? kAbove
                              : excess > growSigma * noise[x]            ? kWing
                                                                         : 0;
        }
    }

    // Connected regions (eight neighbours), each split and measured in turn.
    std::vector<Peak> peaks;
    RegionMeasure measure(frame, maps, options.thresholdSigma);
    std::vector<std::size_t> region, stack;
    for (int y = 0; y < h; ++y) {
        if (y % 64 == 0) reportProgress(progress, 0.6 + 0.4 * y / h);
        for (int x = 0; x < w; ++x) {
            const std::size_t start = static_cast<std::size_t>(y) * w + x;
            if (mask[start] != kAbove) continue;  // below, or seen
            region.clear();
            stack.assign(1, start);
            mask[start] |= kSeen;
            while (!stack.empty()) {
                const std::size_t p = stack.back();
                stack.pop_back();
                region.push_back(p);
                const int px = static_cast<int>(p % static_cast<std::size_t>(w));
                const int py = static_cast<int>(p / static_cast<std::size_t>(w));
                for (int ny = std::max(0, py - 1); ny <= std::min(h - 1, py + 1); ++ny)
                    for (int nx = std::max(0, px - 1); nx <= std::min(w - 1, px + 1); ++nx) {
                        const std::size_t q = static_cast<std::size_t>(ny) * w + nx;
                        if (mask[q] != 0 && !(mask[q] & kSeen)) {
                            mask[q] |= kSeen;
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
