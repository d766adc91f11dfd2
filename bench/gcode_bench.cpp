#include "benchsupport.h"
#include "formats/gcode.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void millionPoints(Drawing &d)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-1000, 1000);
    for (int o = 0; o < 1000; ++o) {
        Object *obj = d.addObject();
        for (int i = 0; i < 1000; ++i)
            obj->appendPoint(coord(rng), coord(rng));
    }
}

} // namespace

static void BM_GCodeWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.tap"));
    Drawing d;
    millionPoints(d);
    bench::timeWriter(state, path, d, gcode::write);
}
BENCHMARK(BM_GCodeWrite)->Unit(benchmark::kMillisecond);

static void BM_GCodeRead(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.tap"));
    {
        Drawing d;
        millionPoints(d);
        gcode::write(path, d);
    }
    bench::timeReader(state, path, gcode::read);
}
BENCHMARK(BM_GCodeRead)->Unit(benchmark::kMillisecond);
