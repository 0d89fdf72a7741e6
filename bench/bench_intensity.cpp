// One interactive frame with physical intensities: a one-degree turn and a
// full repaint whose spots are sized by their harmonic sums, beside the same
// frame sized by |F| (d without a structure).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"
#include "render/RenderOptions.h"

using lumora::clLAUE;

namespace {

constexpr int kWidth = 1200, kHeight = 900;

void frame(benchmark::State& state, float a, const char* group, const std::string& structure, bool physical) {
    clLAUE laue;
    if (!structure.empty()) {
        laue.readCEL(structure);
    } else {
        for (int i = 0; i < 3; ++i) laue.setCellConstant(i, a);
        for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
        laue.SGTAB_find(group);
    }
    laue.GenerateHKL();
    laue.setIntensityModel(physical ? lumora::engine::IntensityModel::Physical
                                    : lumora::engine::IntensityModel::Amplitude);
    laue.setOrientation(1, 2, 3, true);
    laue.m_mode = lumora::kTransmissionPlot;
    lumora::render::RenderOptions options;
    lumora::render::fitScales(options, laue, kWidth, kHeight);
    lumora::render::Surface visible(QSize(kWidth, kHeight));
    lumora::render::Surface backBuffer(QSize(kWidth, kHeight));
    lumora::render::PatternRenderer renderer(laue);
    renderer.setGraphicsContext(&visible, nullptr, &backBuffer, nullptr);
    double spots = 0;
    for (auto _ : state) {
        laue.DoRotate(2, 1);
        renderer.drawHKL(options);
        spots += static_cast<double>(renderer.drawnSpots().size());
    }
    state.counters["reflections"] = laue.n_hkl;
    state.counters["spots"] = state.iterations() > 0 ? spots / static_cast<double>(state.iterations()) : 0;
}

const std::string kSilicon = std::string(LUMORA_BENCH_DATA_DIR) + "/Si.cel";

void BM_Frame_Transmission_P1_30A_F(benchmark::State& s) { frame(s, 30, "P 1", {}, false); }
void BM_Frame_Transmission_P1_30A_Physical(benchmark::State& s) { frame(s, 30, "P 1", {}, true); }
void BM_Frame_Transmission_SiAtoms_F(benchmark::State& s) { frame(s, 0, nullptr, kSilicon, false); }
void BM_Frame_Transmission_SiAtoms_Physical(benchmark::State& s) { frame(s, 0, nullptr, kSilicon, true); }

BENCHMARK(BM_Frame_Transmission_P1_30A_F)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Transmission_P1_30A_Physical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Transmission_SiAtoms_F)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Transmission_SiAtoms_Physical)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
