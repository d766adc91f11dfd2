#include "benchsupport.h"

#include <benchmark/benchmark.h>

// A copy of a linked drawing put into cutting order, as every save does.
static void BM_BuildCuttingPath(benchmark::State &state)
{
    Drawing d;
    bench::linkedSheet(d, int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = std::make_unique<Drawing>(d);
        state.ResumeTiming();
        copy->buildCuttingPath();
        benchmark::DoNotOptimize(copy->objects().front()->points.data());
        state.PauseTiming();
        copy.reset();
        state.ResumeTiming();
    }
    state.counters["points"] = double(state.range(0) * state.range(1));
}
BENCHMARK(BM_BuildCuttingPath)->Args({1000, 100})->Args({10000, 100})->Unit(benchmark::kMillisecond);

static void BM_CopyDrawing(benchmark::State &state)
{
    Drawing d;
    bench::linkedSheet(d, int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        Drawing copy(d);
        benchmark::DoNotOptimize(copy.objects().data());
    }
}
BENCHMARK(BM_CopyDrawing)->Args({10000, 100})->Unit(benchmark::kMillisecond);
