#include "benchsupport.h"
#include "core/autojoin.h"
#include "core/drawingview.h"
#include "formats/baseformat.h"
#include "tests/core/autojoin_reference.h"

#include <QTemporaryDir>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// An unlinked parts sheet as it comes from a file; the start below left.
std::unique_ptr<Drawing> unlinkedSheet(int shapes, int pointsPerShape)
{
    auto d = std::make_unique<Drawing>();
    std::mt19937 rng(3);
    bench::sheet(*d, shapes, pointsPerShape, rng);
    d->setStartPosition({-40, -40});
    return d;
}

// Times `run` on a fresh sheet of range(0) shapes of range(1) points per
// iteration; making the sheet and freeing it (undo stack included) are not
// timed.
template <class Run>
void onFreshSheets(benchmark::State &state, Run run)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto d = unlinkedSheet(int(state.range(0)), int(state.range(1)));
        state.ResumeTiming();
        run(state, *d);
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
    state.counters["shapes"] = double(state.range(0));
    state.counters["points"] = double(state.range(0) * state.range(1));
}

} // namespace

static void BM_AutoJoin(benchmark::State &state)
{
    onFreshSheets(state, [](benchmark::State &, Drawing &d) {
        autoJoin(d);
        benchmark::DoNotOptimize(d.joints().data());
    });
}
BENCHMARK(BM_AutoJoin)
    ->Args({1000, 100})->Args({2000, 100})
    ->Args({5000, 100})->Args({10000, 100})->Args({20000, 100})
    ->Unit(benchmark::kMillisecond);

// A view with its overlay up, as during a load: progress at every step and
// events now and then must not cost the run its speed.
class OverlayView : public DrawingView
{
public:
    void setCacheUpdatesEnabled(bool enabled) override { m_cache = enabled; }
    bool cacheUpdatesEnabled() const override { return m_cache; }
    void updateCachedDrawing() override {}
    bool overlayVisible() const override { return true; }
    void setOverlayProgress(double fraction) override { benchmark::DoNotOptimize(m_fraction = fraction); }
    void geometryChanged() override {}
    void pointInserted(Object::Point *) override {}
    void pointRemoved(Object::Point *) override {}

private:
    bool m_cache = true;
    double m_fraction = 0;
};

static void BM_AutoJoinWithOverlay(benchmark::State &state)
{
    OverlayView view;
    onFreshSheets(state, [&view](benchmark::State &, Drawing &d) {
        d.setView(&view);
        autoJoin(d);
    });
}
BENCHMARK(BM_AutoJoinWithOverlay)->Args({10000, 100})->Unit(benchmark::kMillisecond);

// The plain step-by-step rule the tests check against, for the ratio. The
// fast run on the same sheet must have chosen the same joints.
static void BM_AutoJoinStepByStep(benchmark::State &state)
{
    onFreshSheets(state, [](benchmark::State &st, Drawing &d) {
        const std::vector<Object::Joint> joints = referenceAutoJoin(d);
        st.PauseTiming();
        auto fast = unlinkedSheet(int(st.range(0)), int(st.range(1)));
        autoJoin(*fast);
        if (jointKeys(d, joints) != jointKeys(*fast, fast->joints()))
            st.SkipWithError("the fast run chose other joints");
        st.ResumeTiming();
    });
}
BENCHMARK(BM_AutoJoinStepByStep)->Args({1000, 100})->Iterations(1)->Unit(benchmark::kMillisecond);

// What an unattended job does after loading: link, copy, cutting path, G-code.
static void BM_LinkCutSave(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.tap"));
    onFreshSheets(state, [&path](benchmark::State &st, Drawing &d) {
        autoJoin(d);
        Drawing copy(d);
        if (!BaseFormat::save(path, copy))
            st.SkipWithError("save failed");
    });
}
BENCHMARK(BM_LinkCutSave)->Args({10000, 100})->Unit(benchmark::kMillisecond);

// One undo and one redo of the macro a 10,000-shape run leaves.
static void BM_AutoJoinUndoRedo(benchmark::State &state)
{
    auto d = unlinkedSheet(int(state.range(0)), 10);
    autoJoin(*d);
    if (d->joints().size() != size_t(state.range(0)))
        state.SkipWithError("not every shape was linked");
    for (auto _ : state) {
        d->undoStack()->undo();
        d->undoStack()->redo();
    }
    state.counters["joints"] = double(d->joints().size());
}
BENCHMARK(BM_AutoJoinUndoRedo)->Arg(10000)->Unit(benchmark::kMillisecond);
