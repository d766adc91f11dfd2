// Opening and showing large drawings in the view: the rebuild with points,
// arrows and joints on, plus painting one frame of the viewport.
#include "benchsupport.h"
#include "eventclock.h"
#include "resources/resources.h"
#include "ui/graphwidget.h"

#include <QApplication>
#include <random>
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

// Builds the scene of what `view` holds, shows it and times whole-window
// pictures of it, as a screenshot or an expose would paint it.
void grabEveryIteration(benchmark::State &state, GraphWidget &view)
{
    view.setCacheUpdatesEnabled(true);
    view.initDrawing(true);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state)
        benchmark::DoNotOptimize(view.grab());
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
    grabEveryIteration(state, view);
}
// The first frame after Auto-join linked the sheet: every joint item is new.
void BM_ViewFirstFrameAfterLink(benchmark::State &state)
{
    GraphWidget view;
    view.resize(1000, 700);
    std::mt19937 rng(3);
    const std::vector<Object *> shapes =
        bench::sheet(*view.drawing(), int(state.range(0)), int(state.range(1)), rng);
    view.initDrawing(true);
    view.show();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
    std::vector<Object::Joint> joints;
    joints.push_back({view.drawing()->startObject().points[0], shapes[0]->points[0]});
    for (size_t i = 1; i < shapes.size(); ++i)
        joints.push_back({shapes[i - 1]->points[1], shapes[i]->points[0]});
    for (auto _ : state) {
        state.PauseTiming();
        for (const Object::Joint &j : joints)
            view.addDrawingJoint(j);
        state.ResumeTiming();
        view.viewport()->repaint();
        state.PauseTiming();
        for (const Object::Joint &j : joints)
            view.removeDrawingJoint(j);
        view.viewport()->repaint();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ViewFirstFrameAfterLink)->Args({22500, 50})->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK(BM_ViewGrabSheet)->Args({22500, 50})->Unit(benchmark::kMillisecond)->Iterations(20);

// A sheet of range(0) short lines, shown whole and painted: each line covers
// about a pixel, so what a shape keeps beside its item decides the memory.
// Run it alone for its peak_MiB (the figure is the process's).
void BM_ViewGrabLines(benchmark::State &state)
{
    GraphWidget view;
    view.resize(1000, 700);
    view.setCacheUpdatesEnabled(false);
    const int count = int(state.range(0));
    const int columns = int(std::ceil(std::sqrt(count)));
    for (int i = 0; i < count; ++i) {
        Object *o = view.drawing()->addObject();
        const double x = (i % columns) * 254.0, y = (i / columns) * 254.0;
        o->appendPoint(x, y);
        o->appendPoint(x + 127, y + 76.2);
    }
    view.drawing()->updateBoundingRect();
    grabEveryIteration(state, view);
    state.counters["shapes"] = count;
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_ViewGrabLines)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(5);

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
