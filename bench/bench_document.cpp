// The desktop program's own costs: start-up to the first drawn pattern, and
// one mouse-move step of a drag (rotation and redraw through the document).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>

#include "app/DocumentWindow.h"
#include "app/MainWindow.h"
#include "app/PictureBox.h"
#include "app/Startup.h"

using namespace lumora::app;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

PictureBox* patternBox(frmDocument* document) {
    for (PictureBox* box : document->findChildren<PictureBox*>())
        if (box->isVisible()) return box;
    return nullptr;
}

// From nothing to the first pattern on screen, as `lumora 'cell'` starts:
// folders and samples, the main window with its first document, the cell
// generated and drawn.
void BM_StartupToFirstPattern(benchmark::State& state) {
    for (auto _ : state) {
        prepareStart();
        auto window = openMainWindow("227|5.4307|5.4307|5.4307|90|90|90|Si");
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->activeDocument()->engine().n_hkl);
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPattern)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);

// One step of a left-button drag on the transmission pattern of the largest
// list (P 1, a = b = c = 30 Å): the document turns the crystal and redraws.
void BM_DragStep_P1_30A(benchmark::State& state) {
    frmMain window;
    window.resize(1500, 1150);
    window.show();
    QApplication::processEvents();
    frmDocument* document = window.activeDocument() ? window.activeDocument() : window.newDocument();
    document->setCell({"P1", "1", "", "30", "30", "30", "90", "90", "90"});
    document->setMODE(1);
    QApplication::processEvents();
    PictureBox* box = patternBox(document);
    if (!box) {
        state.SkipWithError("no pattern surface");
        return;
    }
    const QPointF centre(box->width() / 2.0, box->height() / 2.0);
    sendMouse(box, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    double x = centre.x();
    int direction = 1;
    for (auto _ : state) {
        x += 5 * direction;  // one degree
        if (x > centre.x() + 200 || x < centre.x() - 200) direction = -direction;
        sendMouse(box, QEvent::MouseMove, QPointF(x, centre.y()), Qt::NoButton, Qt::LeftButton);
    }
    sendMouse(box, QEvent::MouseButtonRelease, QPointF(x, centre.y()), Qt::LeftButton, Qt::NoButton);
    state.counters["reflections"] = document->engine().n_hkl;
    state.counters["width"] = box->width();
    state.counters["height"] = box->height();
}
BENCHMARK(BM_DragStep_P1_30A)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private home: the benchmark never touches the user's settings.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
