// One interactive frame: a one-degree turn followed by a full repaint, as a
// mouse drag does it, for the largest list and for a typical crystal.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

using lumora::clLAUE;

namespace {

void frame(benchmark::State& state, float a, const char* group, int16_t mode) {
    clLAUE laue;
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, a);
    for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
    laue.SGTAB_find(group);
    laue.setPictureSize(1200, 900);
    laue.GenerateHKL();
    laue.setOrientation(1, 2, 3, true);
    laue.m_mode = mode;
    lumora::render::Surface visible(QSize(1200, 900));
    lumora::render::Surface backBuffer(QSize(1200, 900));
    lumora::render::PatternRenderer renderer(laue);
    renderer.setGraphicsContext(&visible, nullptr, &backBuffer, nullptr);
    for (auto _ : state) {
        laue.DoRotate(2, 1);
        renderer.drawHKL();
    }
    state.counters["reflections"] = laue.n_hkl;
}

void BM_Frame_Transmission_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", 1); }
void BM_Frame_Stereogram_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", 3); }
void BM_Frame_Reciprocal_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", 0); }
void BM_Frame_Transmission_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", 1); }
void BM_Frame_Stereogram_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", 3); }
void BM_Frame_Reciprocal_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", 0); }

BENCHMARK(BM_Frame_Transmission_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Stereogram_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Reciprocal_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Transmission_Si)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Stereogram_Si)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Reciprocal_Si)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
