#include "benchsupport.h"
#include "formats/hpgl.h"
#include "formats/pathconvert.h"
#include "formats/weld.h"
#include "weld_reference.h"

#include <QFile>
#include <QPainterPath>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// A sheet of rectangles and polygons drawn as separate two-point pieces in
// random order and direction, as a DXF of LINE entities arrives.
void linePieces(Drawing &d, int pieces)
{
    std::mt19937 rng(5);
    std::vector<std::array<double, 4>> lines;
    const int shapes = pieces / 6;
    const int columns = int(std::ceil(std::sqrt(double(shapes))));
    for (int s = 0; s < shapes; ++s) {
        const double cx = (s % columns) * 30.0, cy = (s / columns) * 30.0;
        double px = cx + 10, py = cy;
        for (int k = 1; k <= 6; ++k) {
            const double t = 2 * M_PI * k / 6;
            const double x = cx + 10 * std::cos(t), y = cy + 10 * std::sin(t);
            lines.push_back(rng() % 2 ? std::array<double, 4>{px, py, x, y} : std::array<double, 4>{x, y, px, py});
            px = x;
            py = y;
        }
    }
    std::shuffle(lines.begin(), lines.end(), rng);
    for (const auto &l : lines) {
        Object *o = d.addObject();
        o->appendPoint(l[0], l[1]);
        o->appendPoint(l[2], l[3]);
    }
}

template <void (*Weld)(Drawing &, double)>
void weldBench(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Drawing d;
        linePieces(d, int(state.range(0)));
        state.ResumeTiming();
        Weld(d, 0.1);
        benchmark::DoNotOptimize(d.objects().data());
        state.PauseTiming();
        d.clearObjects();
        state.ResumeTiming();
    }
}

} // namespace

static void BM_WeldFast(benchmark::State &state)
{
    weldBench<autoWeld>(state);
}
BENCHMARK(BM_WeldFast)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

static void BM_WeldStepByStep(benchmark::State &state)
{
    weldBench<reference::autoWeld>(state);
}
BENCHMARK(BM_WeldStepByStep)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

// About 50 MB of single-pair commands over a sheet of polygons.
static void BM_HpglRead(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.plt"));
    {
        Drawing d;
        bench::linkedSheet(d, 20000, 160);
        hpgl::write(path, d);
    }
    bench::timeReader(state, path, hpgl::read);
}
BENCHMARK(BM_HpglRead)->Unit(benchmark::kMillisecond);

// Reads `text` once per iteration; the points it made, per iteration.
static void readHpglPoints(benchmark::State &state, const QByteArray &text)
{
    int64_t points = 0;
    for (auto _ : state) {
        Drawing d;
        hpgl::readData(text.constData(), size_t(text.size()), d);
        for (const Object *o : d.objects())
            points += o->size();
    }
    state.counters["points"] = benchmark::Counter(double(points), benchmark::Counter::kAvgIterations);
}

// Twenty thousand circles, wedges, rectangles and Bezier curves (about two
// million points), without a window (0) and inside one that clips half of
// them (1).
static void BM_HpglReadShapes(benchmark::State &state)
{
    QByteArray text = state.range(0) ? "IN;IW0,0,400000,800000;" : "IN;";
    for (int i = 0; i < 5000; ++i) {
        const int x = (i % 100) * 8000, y = (i / 100) * 8000;
        text += "PU" + QByteArray::number(x) + "," + QByteArray::number(y) + ";CI3000;EW2000,30,120;ER3000,2000;";
        text += "PD;BR1000,3000,3000,3000,4000,0;PU;";
    }
    readHpglPoints(state, text);
}
BENCHMARK(BM_HpglReadShapes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same 20,000 polygons of 50 vertices (a million points) as encoded
// polylines (1) and as pen-down commands with every pair (0): decoding
// "PE" must cost no more than reading the decimal pairs.
static QByteArray peNumber(long long n)
{
    unsigned long long v = n < 0 ? (static_cast<unsigned long long>(-n) << 1) | 1 : static_cast<unsigned long long>(n) << 1;
    QByteArray out;
    for (; v >= 64; v /= 64)
        out.append(char(63 + v % 64));
    out.append(char(191 + v));
    return out;
}

static void BM_HpglReadEncoded(benchmark::State &state)
{
    QByteArray text = "IN;SP1;";
    for (int i = 0; i < 20000; ++i) {
        const int x0 = (i % 200) * 4000, y0 = (i / 200) * 4000;
        QByteArray pe = "PE<=" + peNumber(x0) + peNumber(y0);
        QByteArray pd = "PU" + QByteArray::number(x0) + "," + QByteArray::number(y0) + ";PD";
        int x = x0, y = y0;
        for (int k = 1; k < 50; ++k) {
            const int dx = int(1500 * std::cos(k * 0.13)), dy = int(1500 * std::sin(k * 0.13));
            pe += peNumber(dx) + peNumber(dy);
            x += dx, y += dy;
            pd += QByteArray::number(x) + "," + QByteArray::number(y) + (k < 49 ? "," : ";");
        }
        text += state.range(0) ? pe + ";" : pd;
    }
    readHpglPoints(state, text);
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_HpglReadEncoded)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Ten thousand circles of growing size through the path conversion.
static void BM_PathConvertCircles(benchmark::State &state)
{
    std::vector<QPainterPath> paths(10000);
    for (size_t i = 0; i < paths.size(); ++i)
        paths[i].addEllipse(QPointF(double(i), 0), 1 + double(i % 100), 1 + double(i % 100));
    int64_t points = 0;
    for (auto _ : state) {
        Drawing d;
        for (const QPainterPath &p : paths)
            appendPath(p, d);
        points += int64_t(d.objects().size());
        state.PauseTiming();
        d.clearObjects();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(paths.size()));
}
BENCHMARK(BM_PathConvertCircles)->Unit(benchmark::kMillisecond);
