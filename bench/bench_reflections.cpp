// Reflection generation for the largest index box and for a typical crystal.
#include <benchmark/benchmark.h>

#include "engine/LaueEngine.h"

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
