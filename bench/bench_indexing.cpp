// The orientation search without a starting guess on simulated exposures of the top camera:
// 83 spots of germanium (5-22 keV), and 200 spots of four germanium crystals.
#include <benchmark/benchmark.h>

#include <random>

#include "../tests/support/LaueSimulation.h"
#include "engine/Indexing.h"

namespace {

using namespace lumora;

const engine::IndexCrystal& germanium() {
    static const engine::IndexCrystal crystal =
        simulation::crystal({5.6575, 5.6575, 5.6575, 90, 90, 90}, "F d -3 m");
    return crystal;
}

engine::IndexOptions band() {
    engine::IndexOptions options;
    options.lambdaMin = 12.398 / 22;
    options.lambdaMax = 12.398 / 5;
    return options;
}

std::vector<engine::IndexSpot> exposure(int crystals, std::size_t spotsEach, unsigned seed) {
    std::mt19937 rng(seed);
    const auto options = band();
    const engine::Detector camera = engine::defaultTopCamera();
    std::vector<simulation::Spot> spots;
    for (int c = 0; c < crystals; ++c) {
        const auto one = simulation::exposure(germanium(), simulation::randomRotation(rng), options.lambdaMin,
                                              options.lambdaMax, camera, spotsEach, rng, c);
        spots.insert(spots.end(), one.begin(), one.end());
    }
    std::shuffle(spots.begin(), spots.end(), rng);
    return simulation::spotsOf(spots);
}

// Tables built inside the loop: one exposure, as `lumora index` does for a single file.
void BM_IndexCubic83(benchmark::State& state) {
    const auto spots = exposure(1, 83, 7);
    std::size_t explained = 0;
    for (auto _ : state) {
        const auto solutions = engine::indexSpots(spots, germanium(), band());
        explained = solutions.empty() ? 0 : solutions.front().spots.size();
        benchmark::DoNotOptimize(explained);
    }
    state.counters["spots"] = static_cast<double>(spots.size());
    state.counters["explained"] = static_cast<double>(explained);
}
BENCHMARK(BM_IndexCubic83)->Unit(benchmark::kMillisecond);

// The search alone, with tables built once, as for the files of a map.
void BM_IndexCubic83Prepared(benchmark::State& state) {
    const auto spots = exposure(1, 83, 7);
    const engine::Indexer indexer(germanium(), band());
    for (auto _ : state) benchmark::DoNotOptimize(indexer.index(spots));
}
BENCHMARK(BM_IndexCubic83Prepared)->Unit(benchmark::kMillisecond);

void BM_TablesGermanium(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(engine::Indexer(germanium(), band()));
}
BENCHMARK(BM_TablesGermanium)->Unit(benchmark::kMillisecond);

void BM_IndexFourGrains200(benchmark::State& state) {
    const auto spots = exposure(4, 50, 9);
    std::size_t found = 0;
    for (auto _ : state) {
        const auto grains = engine::indexGrains(spots, germanium(), band(), 4);
        found = grains.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["spots"] = static_cast<double>(spots.size());
    state.counters["grains"] = static_cast<double>(found);
}
BENCHMARK(BM_IndexFourGrains200)->Unit(benchmark::kMillisecond);

}  // namespace
