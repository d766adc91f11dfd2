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

// 10,000 copies of a symbol of 100 paths placed by "use", against the same
// paths written out one by one: clones should cost about what their shapes do.
static QByteArray cloneDocument(bool clones)
{
    std::string symbol;
    char buf[200];
    for (int i = 0; i < 100; ++i) {
        std::snprintf(buf, sizeof buf, "<path d=\"M%d 0 l 0.5 0.25 c 0.1 0.2 0.3 0.4 0.5 0 l 0 0.5 z\"/>", i % 10);
        symbol += buf;
    }
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000mm\" height=\"1000mm\" "
                      "viewBox=\"0 0 1000 1000\">\n";
    if (clones)
        out += "<defs><symbol id=\"s\" viewBox=\"0 0 10 10\">" + symbol + "</symbol></defs>\n";
    for (int i = 0; i < 10000; ++i) {
        const int x = i % 100 * 10, y = i / 100 * 10;
        if (clones) {
            std::snprintf(buf, sizeof buf, "<use href=\"#s\" x=\"%d\" y=\"%d\" width=\"10\" height=\"10\"/>\n", x, y);
            out += buf;
        } else {
            std::snprintf(buf, sizeof buf, "<g transform=\"translate(%d,%d)\">", x, y);
            out += buf + symbol + "</g>\n";
        }
    }
    out += "</svg>\n";
    return QByteArray(out.data(), int(out.size()));
}

static void BM_SvgReadClones(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.svg"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(cloneDocument(state.range(0) != 0));
    }
    state.counters["objects"] = double(bench::timeReader(state, path, svg::read));
}
BENCHMARK(BM_SvgReadClones)->Arg(0)->Arg(1)->ArgName("clones")->Unit(benchmark::kMillisecond);

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
