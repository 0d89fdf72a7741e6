// Spot search of a 2048 x 2048 16-bit frame: 200 spots of 1 to 3 pixels sigma on a sloped
// background with a halo around the beam stop, Gaussian noise of the counts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/PeakSearch.h"

using lumora::engine::findPeaks;
using lumora::engine::GreyFrame;

namespace {

const GreyFrame& detectorFrame() {
    static const GreyFrame frame = [] {
        constexpr int n = 2048;
        GreyFrame f;
        f.width = f.height = n;
        f.values.resize(std::size_t(n) * n);
        std::mt19937 random(5);
        std::normal_distribution<float> unit(0, 1);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const double r2 = (x - 1000.0) * (x - 1000.0) + (y - 1030.0) * (y - 1030.0);
                const double b =
                    r2 < 30 * 30 ? 20 : 300 + 0.05 * x - 0.03 * y + 2000 * std::exp(-r2 / (2 * 150 * 150));
                f.values[std::size_t(y) * n + x] = float(b);
            }
        std::uniform_real_distribution<double> place(20, n - 20), width(1, 3), strength(2e3, 2e5);
        for (int s = 0; s < 200; ++s) {
            const double cx = place(random), cy = place(random), sigma = width(random),
                         flux = strength(random);
            const int reach = int(std::ceil(4 * sigma));
            for (int y = int(cy) - reach; y <= int(cy) + reach; ++y)
                for (int x = int(cx) - reach; x <= int(cx) + reach; ++x) {
                    const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                    f.values[std::size_t(y) * n + x] +=
                        float(flux / (2 * M_PI * sigma * sigma) * std::exp(-r2 / (2 * sigma * sigma)));
                }
        }
        for (float& v : f.values) v = std::clamp(std::round(v + std::sqrt(v) * unit(random)), 0.f, 65535.f);
        return f;
    }();
    return frame;
}

void BM_FindPeaks_2048(benchmark::State& state) {
    const GreyFrame& frame = detectorFrame();
    std::size_t found = 0;
    for (auto _ : state) {
        const auto peaks = findPeaks(frame, {});
        found = peaks.size();
        benchmark::DoNotOptimize(peaks.data());
    }
    state.counters["spots"] = double(found);
}
BENCHMARK(BM_FindPeaks_2048)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
