#include "core/drawing.h"
#include "benchsupport.h"
#include "formats/svg.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

// About 20 MB of path data as drawing programs write it: paths of a few
// hundred relative lines and cubic curves with six-digit coordinates, some
// in transformed groups.
QByteArray pathDocument(size_t bytes)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> step(-5, 5);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000mm\" height=\"1000mm\" "
                      "viewBox=\"0 0 1000 1000\">\n";
    char buf[160];
    int path = 0;
    while (out.size() < bytes) {
        const bool grouped = path % 10 == 0;
        if (grouped)
            out += "<g transform=\"translate(3.5,-2) rotate(10)\">";
        std::snprintf(buf, sizeof buf, "<path style=\"fill:none;stroke:#000\" d=\"M %.6f %.6f", 100 + path % 800 * 1.0,
                      100 + path / 800 % 800 * 1.0);
        out += buf;
        for (int i = 0; i < 300; ++i) {
            if (i % 3 == 0)
                std::snprintf(buf, sizeof buf, " c %.6f %.6f %.6f %.6f %.6f %.6f", step(rng), step(rng), step(rng),
                              step(rng), step(rng), step(rng));
            else
                std::snprintf(buf, sizeof buf, " l %.6f %.6f", step(rng), step(rng));
            out += buf;
        }
        out += " z\"/>\n";
        if (grouped)
            out += "</g>\n";
        ++path;
    }
    out += "</svg>\n";
    return QByteArray(out.data(), int(out.size()));
}

} // namespace

static void BM_SvgReadPathData(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.svg"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(pathDocument(20u << 20));
    }
    bench::timeReader(state, path, svg::read);
}
BENCHMARK(BM_SvgReadPathData)->Unit(benchmark::kMillisecond);

static void BM_SvgWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.svg"));
    Drawing d;
    bench::randomPoints(d, 1000, 1000);
    d.updateBoundingRect();
    bench::timeWriter(state, path, d, svg::write);
}
BENCHMARK(BM_SvgWrite)->Unit(benchmark::kMillisecond);
