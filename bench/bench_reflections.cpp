// Reflection generation for the largest index box and for a typical crystal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "engine/Cell.h"
#include "engine/LaueEngine.h"
#include "engine/Reflections.h"
#include "structure/StructureFactor.h"

using lumora::clLAUE;

namespace {

void prepare(clLAUE& laue, float a, const char* group) {
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, a);
    for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
    laue.SGTAB_find(group);
}

void BM_GenerateHKL_Fm3m_30A(benchmark::State& state) {
    clLAUE laue;
    prepare(laue, 30, "F M 3 M");  // 192 operations, 47 x 47 x 47 index box
    for (auto _ : state) {
        laue.GenerateHKL();
        benchmark::DoNotOptimize(laue.n_hkl);
    }
    state.counters["reflections"] = laue.n_hkl;
}
BENCHMARK(BM_GenerateHKL_Fm3m_30A)->Unit(benchmark::kMillisecond);

void BM_GenerateHKL_P1_30A(benchmark::State& state) {
    clLAUE laue;
    prepare(laue, 30, "P 1");  // the largest list
    for (auto _ : state) {
        laue.GenerateHKL();
        benchmark::DoNotOptimize(laue.n_hkl);
    }
    state.counters["reflections"] = laue.n_hkl;
}
BENCHMARK(BM_GenerateHKL_P1_30A)->Unit(benchmark::kMillisecond);

// The complete pattern of the same cell down to 0.4 Å: about 1.8 million reflections.
void BM_GenerateHKL_P1_30A_Complete_0_4A(benchmark::State& state) {
    clLAUE laue;
    prepare(laue, 30, "P 1");
    laue.x_lambda_min = 0.248f;
    laue.setReflectionRange({true, 0.4f});
    for (auto _ : state) {
        laue.GenerateHKL();
        benchmark::DoNotOptimize(laue.n_hkl);
    }
    state.counters["reflections"] = laue.n_hkl;
}
BENCHMARK(BM_GenerateHKL_P1_30A_Complete_0_4A)->Unit(benchmark::kMillisecond);

// The floor of the generation above: the spacing test over the same index box, keeping h k l and d
// of what passes in plain arrays, and nothing else (no absences, no sorting, no pairs).
void BM_Floor_GenerateHKL_P1_30A(benchmark::State& state) {
    const lumora::engine::IndexLimits limits = lumora::engine::indexLimits(30, 30, 30);
    const lumora::engine::CellMetric metric({30, 30, 30, 90, 90, 90});
    const double limit = 1.0 / (static_cast<double>(limits.dMin) * limits.dMin);
    std::vector<int16_t> hs, ks, ls;
    std::vector<float> ds;
    for (auto _ : state) {
        hs.clear(), ks.clear(), ls.clear(), ds.clear();
        for (int h = -limits.h; h <= limits.h; ++h)
            for (int k = -limits.k; k <= limits.k; ++k)
                for (int l = -limits.l; l <= limits.l; ++l) {
                    const double q = metric.inverseSquare(h, k, l);
                    if (q > limit || q == 0) continue;
                    hs.push_back(static_cast<int16_t>(h));
                    ks.push_back(static_cast<int16_t>(k));
                    ls.push_back(static_cast<int16_t>(l));
                    ds.push_back(static_cast<float>(1 / std::sqrt(q)));
                }
        benchmark::DoNotOptimize(ds.data());
    }
    state.counters["reflections"] = static_cast<double>(ds.size());
}
BENCHMARK(BM_Floor_GenerateHKL_P1_30A)->Unit(benchmark::kMillisecond);

void BM_GenerateHKL_Si(benchmark::State& state) {
    clLAUE laue;
    prepare(laue, 5.4307f, "F D 3 M");
    for (auto _ : state) {
        laue.GenerateHKL();
        benchmark::DoNotOptimize(laue.n_hkl);
    }
    state.counters["reflections"] = laue.n_hkl;
}
BENCHMARK(BM_GenerateHKL_Si)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// About 200 atoms in a 15 Å cubic cell: reflection generation with structure
// factors. The fast evaluator is checked against the straightforward sum once.
void BM_GenerateHKL_Intensities_200Atoms_15A(benchmark::State& state) {
    lumora::structure::StructureFile file;
    file.title = "benchmark";
    file.cell = {15, 15, 15, 90, 90, 90};
    file.spaceGroupNumber = 1;
    file.spaceGroupRow = 0;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(0.0f, 1.0f);
    const int elements[] = {8, 14, 26, 56};
    for (int i = 0; i < 200; ++i) {
        std::string label = "A";
        label += std::to_string(i);
        file.atoms.push_back(
            {label, "", elements[i % 4], 1.0f, coordinate(random), coordinate(random), coordinate(random)});
    }
    clLAUE laue;
    laue.loadStructure(file);
    for (auto _ : state) {
        laue.GenerateHKL();
        benchmark::DoNotOptimize(laue.n_hkl);
    }
    double worst = 0;
    for (int32_t i = 0; i < laue.n_hkl; i += 37) {
        const double direct = lumora::structure::structureAmplitude(laue.cellAtoms(), laue.getH(i),
                                                                    laue.getK(i), laue.getL(i), laue.getD(i));
        worst = std::max(worst, std::abs(laue.getF(i) - direct) / direct);
    }
    state.counters["reflections"] = laue.n_hkl;
    state.counters["atoms"] = static_cast<double>(laue.cellAtoms().size());
    state.counters["worst_relative_difference"] = worst;
}
BENCHMARK(BM_GenerateHKL_Intensities_200Atoms_15A)->Unit(benchmark::kMillisecond);

}  // namespace
