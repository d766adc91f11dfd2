// The cutting simulation of a million points at the fastest speed: how long
// the GUI thread spends in its longest events while the walk runs and fades.
// The first frame under the veil paints the whole drawing once (see
// BM_ViewPaint); every frame after it paints the walk alone.
#include "benchsupport.h"
#include "eventclock.h"
#include "ui/graphwidget.h"
#include "ui/simulationobject.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_SimulationResponsiveness(benchmark::State &state)
{
    auto *app = static_cast<bench::TimedApplication *>(qApp);
    GraphWidget view;
    view.resize(1000, 700);
    view.setCacheUpdatesEnabled(false);
    // Linked: one path of a million points; loose: 10,000 objects of 100.
    if (state.range(1)) {
        bench::linkedSheet(*view.drawing(), int(state.range(0)) / 100, 100);
    } else {
        std::mt19937 rng(1);
        bench::sheet(*view.drawing(), int(state.range(0)) / 100, 100, rng);
    }
    view.setCacheUpdatesEnabled(true);
    view.initDrawing(true);
    view.show();
    runEventsFor(300);

    double startMs = 0, walked = 0;
    for (auto _ : state) {
        view.setSimulationDelay(10000);
        app->durationsMs.clear();
        QElapsedTimer t;
        t.start();
        view.startSimulation();
        startMs = double(t.nsecsElapsed()) / 1e6;
        app->recording = true;
        runEventsFor(4000);
        walked = 0;
        for (QGraphicsItem *item : view.simulationItems())
            if (item->type() == SimulationObjectType)
                walked += double(static_cast<SimulationObject *>(item)->walkedPoints().size());
        view.stopSimulation();
        QEventLoop idle;
        QObject::connect(&view, &GraphWidget::simulationFinished, &idle, &QEventLoop::quit);
        idle.exec();
        app->recording = false;
    }
    const auto &d = app->durationsMs;
    state.counters["start_ms"] = startMs;
    state.counters["events"] = double(d.size());
    state.counters["median_event_ms"] = bench::TimedApplication::quantile(d, 0.5);
    state.counters["p99_event_ms"] = bench::TimedApplication::quantile(d, 0.99);
    state.counters["max_event_ms"] = d.empty() ? 0 : *std::max_element(d.begin(), d.end());
    state.counters["points_walked_4s"] = walked;
}
BENCHMARK(BM_SimulationResponsiveness)->ArgNames({"points", "linked"})
    ->Args({1000000, 1})->Args({1000000, 0})->Unit(benchmark::kMillisecond)
    ->Iterations(1)->UseRealTime();

} // namespace
