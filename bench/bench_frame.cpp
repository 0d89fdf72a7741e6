// One interactive frame: a one-degree turn followed by a full repaint, as a
// mouse drag does it, for the largest list and for a typical crystal; also
// with spots sized by their physical intensity.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cmath>
#include <string>

#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"
#include "render/RenderOptions.h"

using lumora::clLAUE;

namespace {

constexpr int kWidth = 1200, kHeight = 900;

// The camera above the crystal sees the reflections whose rays leave upwards,
// near 2 theta = 90 degrees; a quarter turn about the beam after [1 2 3] brings
// the side of the pattern up to it (about 2200 spots of the 30 Å list, 67 of Si).
void faceTheCamera(clLAUE& laue) {
    laue.setOrientation(1, 2, 3, true);
    laue.DoRotate(1, 90);
}

// Turns by one degree and repaints, frame after frame, as a drag does.
void drawFrames(benchmark::State& state, clLAUE& laue) {
    // As the window does after a new list: zoom 1, spot size 5, scales fitted to the picture.
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
    // Spots drawn per frame, on average over the turns.
    state.counters["spots"] = state.iterations() > 0 ? spots / static_cast<double>(state.iterations()) : 0;
}

void prepareCell(clLAUE& laue, float a, const char* group) {
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, a);
    for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
    laue.SGTAB_find(group);
    laue.GenerateHKL();
}

void frame(benchmark::State& state, float a, const char* group, int16_t mode) {
    clLAUE laue;
    prepareCell(laue, a, group);
    if (mode == lumora::kDetectorPlot)
        faceTheCamera(laue);
    else
        laue.setOrientation(1, 2, 3, true);
    laue.m_mode = mode;
    drawFrames(state, laue);
}

// A transmission frame with spots sized by |F| or by their physical intensity (harmonic sums);
// silicon with its atoms, or a cell without a structure.
void intensityFrame(benchmark::State& state, float a, const char* group, bool physical) {
    clLAUE laue;
    if (group == nullptr) {
        laue.readCEL(std::string(LUMORA_BENCH_DATA_DIR) + "/Si.cel");
        laue.GenerateHKL();
    } else {
        prepareCell(laue, a, group);
    }
    laue.setIntensityModel(physical ? lumora::engine::IntensityModel::Physical
                                    : lumora::engine::IntensityModel::Amplitude);
    laue.setOrientation(1, 2, 3, true);
    laue.m_mode = lumora::kTransmissionPlot;
    drawFrames(state, laue);
}

// The floor of a transmission frame: for every reflection of the same list, the turn into the
// laboratory, the Bragg condition and the band, the ray and where it meets the film, counted when
// on it; nothing drawn, nothing kept.
void BM_Floor_Frame_Transmission_P1_30A(benchmark::State& state) {
    clLAUE laue;
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, 30);
    for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    laue.setOrientation(1, 2, 3, true);
    const auto& rows = laue.reflections().rows;
    const double distance = laue.x_fsd, halfWidth = laue.getFilmWidth() / 2.0;
    const double halfHeight = laue.getFilmHeight() / 2.0;
    const double lambdaMin = laue.x_lambda_min, lambdaMax = laue.x_lambda_max;
    lumora::Mat3f o = laue.orientation().matrix;
    double onFilm = 0;
    for (auto _ : state) {
        laue.DoRotate(2, 1);
        o = laue.orientation().matrix;
        int count = 0;
        for (const lumora::engine::Reflection& r : rows) {
            // O^T g, normalised: the plane normal in the laboratory.
            double n[3];
            for (int i = 0; i < 3; ++i) n[i] = o[0][i] * r.g[0] + o[1][i] * r.g[1] + o[2][i] * r.g[2];
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            const double sinTheta = -n[0] / length;
            if (sinTheta <= 0) continue;
            const double lambda = 2 * r.d * sinTheta;
            if (lambda < lambdaMin || lambda > lambdaMax) continue;
            // r = b - 2 (b.n) n with b = (1, 0, 0).
            const double nx = n[0] / length, ny = n[1] / length, nz = n[2] / length;
            const double rx = 1 - 2 * nx * nx, ry = -2 * nx * ny, rz = -2 * nx * nz;
            if (rx <= 0) continue;
            const double x = distance * ry / rx, y = distance * rz / rx;
            count += std::abs(x) <= halfWidth && std::abs(y) <= halfHeight;
        }
        onFilm += count;
        benchmark::DoNotOptimize(count);
    }
    state.counters["reflections"] = laue.n_hkl;
    state.counters["spots"] = state.iterations() > 0 ? onFilm / static_cast<double>(state.iterations()) : 0;
}
BENCHMARK(BM_Floor_Frame_Transmission_P1_30A)->Unit(benchmark::kMillisecond);

void BM_Frame_Transmission_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", lumora::kTransmissionPlot); }
void BM_Frame_Stereogram_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", lumora::kStereogramPlot); }
void BM_Frame_Reciprocal_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", lumora::kReciprocalPlot); }
void BM_Frame_TopCamera_P1_30A(benchmark::State& s) { frame(s, 30, "P 1", lumora::kDetectorPlot); }
void BM_Frame_Transmission_Si(benchmark::State& s) {
    frame(s, 5.4307f, "F D 3 M", lumora::kTransmissionPlot);
}
void BM_Frame_Stereogram_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", lumora::kStereogramPlot); }
void BM_Frame_Reciprocal_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", lumora::kReciprocalPlot); }
void BM_Frame_TopCamera_Si(benchmark::State& s) { frame(s, 5.4307f, "F D 3 M", lumora::kDetectorPlot); }

BENCHMARK(BM_Frame_Transmission_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Stereogram_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Reciprocal_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_TopCamera_P1_30A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Transmission_Si)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Stereogram_Si)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_Reciprocal_Si)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_TopCamera_Si)->Unit(benchmark::kMillisecond);

void BM_Frame_Transmission_P1_30A_F(benchmark::State& s) { intensityFrame(s, 30, "P 1", false); }
void BM_Frame_Transmission_P1_30A_Physical(benchmark::State& s) { intensityFrame(s, 30, "P 1", true); }
void BM_Frame_Transmission_SiAtoms_F(benchmark::State& s) { intensityFrame(s, 0, nullptr, false); }
void BM_Frame_Transmission_SiAtoms_Physical(benchmark::State& s) { intensityFrame(s, 0, nullptr, true); }
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
