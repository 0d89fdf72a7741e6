// Spot search on frames made here: Gaussian spots of known centre and flux on sloped backgrounds
// with a halo and a beam-stop shadow, Poisson noise, hot pixels, close pairs and saturated spots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/PeakSearch.h"
#include "util/Error.h"

namespace lumora::engine {
namespace {

struct TrueSpot {
    double x, y, sigma, flux;
};

// A detector frame: background a + b x + c y, a halo of the given height and width around the beam
// stop, whose shadow is a disc of the given radius; spots integrated over each pixel; Poisson noise;
// values clipped to 16 bits.
struct FrameMaker {
    int width = 512, height = 512;
    double base = 200, slopeX = 0.3, slopeY = -0.15;
    double beamX = 250, beamY = 260, haloHeight = 1500, haloSigma = 45, shadowRadius = 12;
    std::vector<TrueSpot> spots;
    std::vector<std::pair<int, int>> hotPixels;
    unsigned seed = 7;

    double background(int x, int y) const {
        const double r2 = (x - beamX) * (x - beamX) + (y - beamY) * (y - beamY);
        if (r2 < shadowRadius * shadowRadius) return 0.05 * base;
        return base + slopeX * x + slopeY * y + haloHeight * std::exp(-r2 / (2 * haloSigma * haloSigma));
    }

    // The noise of the background near a point, in counts.
    double noise(double x, double y) const {
        return std::sqrt(background(static_cast<int>(x), static_cast<int>(y)));
    }

    GreyFrame make() const {
        std::vector<double> mean(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) mean[static_cast<std::size_t>(y) * width + x] = background(x, y);
        const auto cdf = [](double t) { return 0.5 * std::erfc(-t / std::sqrt(2.0)); };
        for (const TrueSpot& s : spots) {
            const int reach = static_cast<int>(std::ceil(6 * s.sigma));
            for (int y = std::max(0, int(s.y) - reach); y <= std::min(height - 1, int(s.y) + reach); ++y)
                for (int x = std::max(0, int(s.x) - reach); x <= std::min(width - 1, int(s.x) + reach); ++x) {
                    const double fx = cdf((x + 0.5 - s.x) / s.sigma) - cdf((x - 0.5 - s.x) / s.sigma);
                    const double fy = cdf((y + 0.5 - s.y) / s.sigma) - cdf((y - 0.5 - s.y) / s.sigma);
                    mean[static_cast<std::size_t>(y) * width + x] += s.flux * fx * fy;
                }
        }
        std::mt19937 random(seed);
        GreyFrame frame;
        frame.width = width;
        frame.height = height;
        frame.values.resize(mean.size());
        for (std::size_t k = 0; k < mean.size(); ++k) {
            std::poisson_distribution<long> counts(std::max(mean[k], 1e-9));
            frame.values[k] = static_cast<float>(std::min<long>(counts(random), 65535));
        }
        for (const auto& [x, y] : hotPixels) frame.values[static_cast<std::size_t>(y) * width + x] = 65535;
        return frame;
    }
};

// The flux of a spot of the given width whose top pixel stands `snr` noise units above the background.
double fluxFor(const FrameMaker& maker, double x, double y, double sigma, double snr) {
    return snr * maker.noise(x, y) * 2 * M_PI * sigma * sigma;
}

// The found spot nearest to (x, y), or null when none lies within `reach` pixels.
const Peak* nearest(const std::vector<Peak>& peaks, double x, double y, double reach) {
    const Peak* best = nullptr;
    double bestDistance = reach;
    for (const Peak& p : peaks) {
        const double d = std::hypot(p.x - x, p.y - y);
        if (d < bestDistance) {
            bestDistance = d;
            best = &p;
        }
    }
    return best;
}

// Isolated spots on a grid with random offsets, widths and strengths, away from the shadow.
FrameMaker isolatedSpots(int count, unsigned seed) {
    FrameMaker maker;
    maker.seed = seed;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<std::pair<int, int>> cells;
    for (int j = 0; j < 11; ++j)
        for (int i = 0; i < 11; ++i) cells.emplace_back(i, j);
    std::shuffle(cells.begin(), cells.end(), random);
    for (const auto& [i, j] : cells) {
        if (static_cast<int>(maker.spots.size()) == count) break;
        const double x = 26 + 42 * i + 10 * unit(random), y = 26 + 42 * j + 10 * unit(random);
        if (std::hypot(x - maker.beamX, y - maker.beamY) < maker.shadowRadius + 15) continue;
        const double sigma = 1 + 2 * unit(random);
        const double snr = 12 * std::pow(20.0, unit(random));  // 12 to 240 noise units at the top
        maker.spots.push_back({x, y, sigma, fluxFor(maker, x, y, sigma, snr)});
    }
    return maker;
}

TEST(PeakSearch, FindsEveryIsolatedSpotOnSlopedHaloBackgroundWithoutFalseOnesAndCentresThemClosely) {
    for (const unsigned seed : {11u, 12u, 13u}) {
        SCOPED_TRACE(seed);
        FrameMaker maker = isolatedSpots(60, seed);
        // Hot pixels on the slope, on the halo and at the edge of the shadow.
        maker.hotPixels = {{5, 5}, {300, 40}, {480, 500}, {251, 230}, {262, 260}, {250, 274}, {100, 400}};
        const GreyFrame frame = maker.make();
        const std::vector<Peak> peaks = findPeaks(frame, {});

        // The centre of a spot is good to a few hundredths of a pixel when it is bright, to a few
        // tenths at the threshold; over all of them it is well within a tenth.
        double squares = 0;
        for (const TrueSpot& s : maker.spots) {
            const Peak* p = nearest(peaks, s.x, s.y, 1.5);
            ASSERT_NE(p, nullptr) << "missed the spot at " << s.x << ", " << s.y << " (sigma " << s.sigma
                                  << ")";
            const double error = std::hypot(p->x - s.x, p->y - s.y);
            squares += error * error;
            const double top = s.flux / (2 * M_PI * s.sigma * s.sigma) / maker.noise(s.x, s.y);
            EXPECT_LT(error, top > 50 ? 0.1 : 0.3)
                << s.x << ", " << s.y << " (sigma " << s.sigma << ", top " << top << ")";
            EXPECT_NEAR(p->intensity, s.flux, 0.2 * s.flux)
                << s.x << ", " << s.y << " (sigma " << s.sigma << ")";
            EXPECT_FALSE(p->saturated);
        }
        EXPECT_LT(std::sqrt(squares / maker.spots.size()), 0.1);
        for (const Peak& p : peaks) {
            const bool real = std::any_of(maker.spots.begin(), maker.spots.end(), [&](const TrueSpot& s) {
                return std::hypot(p.x - s.x, p.y - s.y) < 1.5;
            });
            EXPECT_TRUE(real) << "false spot at " << p.x << ", " << p.y << " (" << p.pixels << " pixels, "
                              << p.intensity << ")";
        }
        EXPECT_EQ(peaks.size(), maker.spots.size());
    }
}

TEST(PeakSearch, NoiseAloneAndAConstantFrameGiveNoSpots) {
    FrameMaker maker;
    maker.hotPixels = {{10, 10}, {200, 300}};
    for (const Peak& p : findPeaks(maker.make(), {})) {
        const GreyFrame f = maker.make();
        printf("DBG %.2f %.2f n=%d I=%.1f peak=%.1f true bg %.1f value %.1f noise %.1f\n", p.x, p.y, p.pixels,
               p.intensity, p.peakValue, maker.background(int(p.x + 0.5), int(p.y + 0.5)),
               f.at(int(p.x + 0.5), int(p.y + 0.5)), maker.noise(p.x, p.y));
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx)
                printf(" %6.0f", f.at(int(p.x + 0.5) + dx, int(p.y + 0.5) + dy) -
                                     maker.background(int(p.x + 0.5) + dx, int(p.y + 0.5) + dy));
            printf("\n");
        }
    }
    EXPECT_TRUE(findPeaks(maker.make(), {}).empty());

    // A scanned film: no noise at all, 8 bits. One spot stands out; nothing else does.
    GreyFrame flat;
    flat.width = 90;
    flat.height = 70;
    flat.saturation = 255;
    flat.values.assign(90 * 70, 40);
    EXPECT_TRUE(findPeaks(flat, {}).empty());
    for (int y = 30; y <= 32; ++y)
        for (int x = 50; x <= 52; ++x)
            flat.values[static_cast<std::size_t>(y) * 90 + x] = x == 51 && y == 31 ? 140 : 90;
    const auto peaks = findPeaks(flat, {});
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_DOUBLE_EQ(peaks[0].x, 51);
    EXPECT_DOUBLE_EQ(peaks[0].y, 31);
    EXPECT_DOUBLE_EQ(peaks[0].intensity, 100 + 8 * 50);
    EXPECT_EQ(peaks[0].pixels, 9);
}

TEST(PeakSearch, ClosePairsAreTwoSpotsAndASaturatedSpotIsFlagged) {
    FrameMaker maker;
    maker.haloHeight = 0;
    struct Pair {
        double x, y, dx, dy, sigma, ratio;
    };
    const Pair pairs[] = {{80, 80, 5, 0, 1.2, 1},   {180, 80, 0, 6, 1.5, 1},   {300, 80, 4, 3, 1.3, 2},
                          {420, 90, 6, 0, 1.5, 3},  {80, 400, 3.5, 3.5, 1, 1}, {200, 420, 5.5, 0, 1.4, 1.5},
                          {420, 400, -3, 4, 1.2, 1}};
    for (const Pair& p : pairs) {
        const double flux = fluxFor(maker, p.x, p.y, p.sigma, 150);
        maker.spots.push_back({p.x, p.y, p.sigma, flux});
        maker.spots.push_back({p.x + p.dx, p.y + p.dy, p.sigma, flux / p.ratio});
    }
    // Saturated: its top is clipped flat at 65535.
    maker.spots.push_back({350.3, 300.6, 2.5, 4e6});
    const GreyFrame frame = maker.make();
    const std::vector<Peak> peaks = findPeaks(frame, {});

    ASSERT_EQ(peaks.size(), maker.spots.size());
    for (std::size_t i = 0; i + 1 < maker.spots.size(); ++i) {
        const TrueSpot& s = maker.spots[i];
        const Peak* p = nearest(peaks, s.x, s.y, 1.0);
        ASSERT_NE(p, nullptr) << "no spot near " << s.x << ", " << s.y;
        EXPECT_LT(std::hypot(p->x - s.x, p->y - s.y), 0.5) << s.x << ", " << s.y;
        EXPECT_FALSE(p->saturated);
    }
    const Peak* saturated = nearest(peaks, 350.3, 300.6, 0.3);
    ASSERT_NE(saturated, nullptr);
    EXPECT_TRUE(saturated->saturated);
    EXPECT_EQ(&peaks.front(), saturated);  // the strongest
    EXPECT_GT(saturated->pixels, 20);
}

TEST(PeakSearch, StrongestFirstTheLimitKeepsTheStrongestAndTheResultDoesNotVary) {
    const GreyFrame frame = isolatedSpots(40, 21).make();
    const std::vector<Peak> all = findPeaks(frame, {});
    ASSERT_EQ(all.size(), 40u);
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_GE(all[i - 1].intensity, all[i].intensity);

    PeakSearchOptions limited;
    limited.maxSpots = 7;
    const std::vector<Peak> strongest = findPeaks(frame, limited);
    ASSERT_EQ(strongest.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(strongest[i].x, all[i].x);
        EXPECT_EQ(strongest[i].y, all[i].y);
        EXPECT_EQ(strongest[i].intensity, all[i].intensity);
    }

    // A lower threshold finds at least as many; a very high one only the brightest.
    PeakSearchOptions strict;
    strict.thresholdSigma = 60;
    const auto few = findPeaks(frame, strict);
    EXPECT_LT(few.size(), all.size());
    EXPECT_GT(few.size(), 0u);
    for (const Peak& p : few) EXPECT_NE(nearest(all, p.x, p.y, 0.5), nullptr);
}

TEST(PeakSearch, ReportsProgressStopsWhenAskedAndRefusesBadInput) {
    const GreyFrame frame = isolatedSpots(10, 31).make();
    std::vector<double> reported;
    findPeaks(frame, {}, [&](double f) {
        reported.push_back(f);
        return true;
    });
    ASSERT_GT(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.front(), 0);
    EXPECT_EQ(reported.back(), 1);

    int calls = 0;
    EXPECT_THROW(findPeaks(frame, {}, [&](double f) { return ++calls < 3 && f < 1; }), Cancelled);
    EXPECT_EQ(calls, 3);

    GreyFrame broken = frame;
    broken.values.pop_back();
    EXPECT_THROW(findPeaks(broken, {}), Error);
    PeakSearchOptions bad;
    bad.thresholdSigma = 0;
    EXPECT_THROW(findPeaks(frame, bad), Error);
    bad.thresholdSigma = std::nan("");
    EXPECT_THROW(findPeaks(frame, bad), Error);
    EXPECT_TRUE(findPeaks(GreyFrame{}, {}).empty());
}

}  // namespace
}  // namespace lumora::engine
