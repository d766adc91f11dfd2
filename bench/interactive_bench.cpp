// The main window as a user drives it: Auto-join on a large sheet while the
// window keeps handling events. Reported: the whole run, the longest single
// GUI event and how late a 10 ms timer fired at worst (what a keystroke
// would wait), over the run and the second after it (the first paint of the
// linked drawing); worst_event_after_ms is that second alone.
#include "app/application.h"
#include "app/kerfloom.h"
#include "benchsupport.h"
#include "eventclock.h"
#include "formats/baseformat.h"
#include "resources/resources.h"
#include "ui/graphwidget.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

bench::TimedApplication *timedApp()
{
    return static_cast<bench::TimedApplication *>(QCoreApplication::instance());
}

// range(0) shapes of range(1) points, written once as a project file.
QString sheetFile(const QTemporaryDir &dir, int shapes, int points)
{
    const QString path = dir.filePath(QStringLiteral("sheet-%1.kfp").arg(shapes));
    Drawing d;
    std::mt19937 rng(3);
    bench::sheet(d, shapes, points, rng);
    d.setStartPosition({-40, -40});
    if (!BaseFormat::save(path, d))
        return {};
    return path;
}

void BM_InteractiveAutoJoin(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = sheetFile(dir, int(state.range(0)), int(state.range(1)));
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the sheet");
        return;
    }
    double worstEvent = 0, worstLate = 0, p99 = 0, worstAfter = 0, worstUndo = 0, worstRedo = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Kerfloom window;
        window.resize(1000, 700);
        window.show();
        window.openFile(path, false, true);
        // The drawing is on screen before the user asks for the link.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QAction *autoJoin = window.action(QStringLiteral("action_Auto"));

        // A 10 ms heartbeat stands in for the user's input.
        QElapsedTimer beat;
        QTimer heart;
        heart.setInterval(10);
        QObject::connect(&heart, &QTimer::timeout, [&] {
            worstLate = std::max(worstLate, double(beat.nsecsElapsed()) / 1e6 - 10);
            beat.restart();
        });
        timedApp()->durationsMs.clear();
        timedApp()->recording = true;
        state.ResumeTiming();

        beat.start();
        heart.start();
        autoJoin->trigger();
        while (window.isLongOperationRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

        state.PauseTiming();
        // The overlay has gone: the first paint of the linked drawing and
        // whatever follows it is lag the user feels too.
        const size_t during = timedApp()->durationsMs.size();
        QElapsedTimer after;
        after.start();
        while (after.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        heart.stop();
        timedApp()->recording = false;
        const auto &d = timedApp()->durationsMs;
        if (d.size() > during)
            worstAfter = std::max(worstAfter, *std::max_element(d.begin() + long(during), d.end()));
        if (!d.empty()) {
            worstEvent = std::max(worstEvent, *std::max_element(d.begin(), d.end()));
            p99 = std::max(p99, bench::TimedApplication::quantile(d, 0.99));
        }
        if (!window.currentView() || window.currentView()->drawing()->joints().size()
                                         != size_t(state.range(0)))
            state.SkipWithError("not every shape was linked");

        // Taking the link back is one keystroke too.
        timedApp()->durationsMs.clear();
        timedApp()->recording = true;
        QElapsedTimer undoKey;
        undoKey.start();
        window.action(QStringLiteral("action_Undo"))->trigger();
        timedApp()->durationsMs.push_back(double(undoKey.nsecsElapsed()) / 1e6);
        QElapsedTimer undone;
        undone.start();
        while (undone.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        timedApp()->recording = false;
        const auto &u = timedApp()->durationsMs;
        worstUndo = std::max(worstUndo, u.empty() ? 0.0 : *std::max_element(u.begin(), u.end()));
        if (!window.currentView()->drawing()->joints().empty())
            state.SkipWithError("the undo left joints");

        timedApp()->durationsMs.clear();
        timedApp()->recording = true;
        QElapsedTimer redoKey;
        redoKey.start();
        window.action(QStringLiteral("action_Redo"))->trigger();
        timedApp()->durationsMs.push_back(double(redoKey.nsecsElapsed()) / 1e6);
        QElapsedTimer redone;
        redone.start();
        while (redone.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        timedApp()->recording = false;
        const auto &r = timedApp()->durationsMs;
        worstRedo = std::max(worstRedo, *std::max_element(r.begin(), r.end()));
        state.ResumeTiming();
    }
    state.counters["shapes"] = double(state.range(0));
    state.counters["points"] = double(state.range(0) * state.range(1));
    state.counters["worst_event_ms"] = worstEvent;
    state.counters["p99_event_ms"] = p99;
    state.counters["worst_timer_late_ms"] = worstLate;
    state.counters["worst_event_after_ms"] = worstAfter;
    state.counters["undo_worst_event_ms"] = worstUndo;
    state.counters["redo_worst_event_ms"] = worstRedo;
}
BENCHMARK(BM_InteractiveAutoJoin)->Args({22500, 50})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    bench::useConfigFolder(config);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::TimedApplication app(argc, argv);
    kerfloom::commonSetup();
    return bench::runBenchmarks(argc, argv);
}
