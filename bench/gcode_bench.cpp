#include "benchsupport.h"
#include "formats/gcode.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void millionPoints(Drawing &d)
{
    bench::randomPoints(d, 1000, 1000);
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
