// Opening and showing large drawings in the view: the rebuild with points,
// arrows and joints on, plus painting one frame of the viewport.
#include "benchsupport.h"
#include "eventclock.h"
#include "resources/resources.h"
#include "ui/graphwidget.h"

#include <QApplication>
#include <cmath>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Peak resident memory of the process so far, in MiB.
double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void BM_ViewRebuildAndPaint(benchmark::State &state)
{
    const int shapes = int(state.range(0)) / 100;
    GraphWidget view;
    view.resize(1000, 700);
    view.setCacheUpdatesEnabled(false); // as during a load
    bench::linkedSheet(*view.drawing(), shapes, 100);
    view.setCacheUpdatesEnabled(true);
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.initDrawing(true);
        QPainter p(&frame);
        view.render(&p);
    }
    state.counters["points"] = double(shapes) * 100;
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_ViewRebuildAndPaint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One frame of the viewport alone: what any full repaint of a large drawing
// costs (on expose, zoom, or when the simulation's veil goes up).
void BM_ViewPaint(benchmark::State &state)
{
    GraphWidget view;
    view.resize(1000, 700);
    view.setCacheUpdatesEnabled(false);
    bench::linkedSheet(*view.drawing(), int(state.range(0)) / 100, 100);
    view.setCacheUpdatesEnabled(true);
    view.initDrawing(true);
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&frame);
        view.render(&p);
    }
}
BENCHMARK(BM_ViewPaint)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The frame the loading veil grabs, and the one painted when it goes, on the
// interactive Auto-join sheet: range(0) shapes of range(1) points, linked.
void BM_ViewGrabSheet(benchmark::State &state)
{
    GraphWidget view;
    view.resize(1000, 700);
    view.setCacheUpdatesEnabled(false);
    bench::linkedSheet(*view.drawing(), int(state.range(0)), int(state.range(1)));
    view.setCacheUpdatesEnabled(true);
    view.initDrawing(true);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state)
        benchmark::DoNotOptimize(view.grab());
}
BENCHMARK(BM_ViewGrabSheet)->Args({22500, 50})->Unit(benchmark::kMillisecond)->Iterations(20);

// One object of many points: the painted markers and the single polyline.
void BM_ViewOneLongObject(benchmark::State &state)
{
    GraphWidget view;
    view.resize(1000, 700);
    Object *o = view.drawing()->addObject();
    const int n = int(state.range(0));
    for (int k = 0; k < n; ++k)
        o->appendPoint(k * 0.01, std::sin(k * 0.001) * 50);
    view.drawing()->updateBoundingRect();
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.initDrawing(true);
        QPainter p(&frame);
        view.render(&p);
    }
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_ViewOneLongObject)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    bench::useConfigFolder(config);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::TimedApplication app(argc, argv);
    kerfloom::initResources();
    return bench::runBenchmarks(argc, argv);
}
