#pragma once

#include "core/drawing.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace bench {

// `shapes` closed polygons of about `pointsPerShape` points on a grid, like a
// parts sheet, with no joints. Every point has its own jitter, so hardly any
// two distances tie.
inline std::vector<Object *> sheet(Drawing &d, int shapes, int pointsPerShape, std::mt19937 &rng)
{
    std::uniform_real_distribution<double> jitter(0.0, 2.0);
    const int columns = int(std::ceil(std::sqrt(double(shapes))));
    std::vector<Object *> objs;
    for (int i = 0; i < shapes; ++i) {
        const double cx = (i % columns) * 30.0, cy = (i / columns) * 30.0;
        Object *o = d.addObject();
        for (int k = 0; k < pointsPerShape - 1; ++k) {
            const double t = 2 * M_PI * k / (pointsPerShape - 1);
            const double r = 10 + jitter(rng);
            o->appendPoint(cx + r * std::cos(t), cy + r * std::sin(t));
        }
        o->appendPoint(o->points.front()->x, o->points.front()->y);
        objs.push_back(o);
    }
    d.updateBoundingRect();
    return objs;
}

// `objects` objects of `points` random points each in ±1000 mm: no shape,
// just many coordinates.
inline void randomPoints(Drawing &d, int objects, int points, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-1000, 1000);
    for (int o = 0; o < objects; ++o) {
        Object *obj = d.addObject();
        for (int i = 0; i < points; ++i)
            obj->appendPoint(coord(rng), coord(rng));
    }
}

// The same sheet, each shape linked to its left or lower neighbour and the
// first to the start: a tree that is deep in one direction and wide in the
// other.
inline void linkedSheet(Drawing &d, int shapes, int pointsPerShape, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    const int columns = int(std::ceil(std::sqrt(double(shapes))));
    const std::vector<Object *> objs = sheet(d, shapes, pointsPerShape, rng);
    d.addJoint({d.startObject().points[0], objs[0]->points[0]});
    for (int i = 1; i < shapes; ++i) {
        const int parent = (i % columns) ? i - 1 : i - columns;
        Object *p = objs[size_t(parent)];
        Object *o = objs[size_t(i)];
        d.addJoint({p->points[rng() % p->points.size()], o->points[rng() % o->points.size()]});
    }
}

// Benchmarks run on a throw-away configuration folder, like the tests; call
// before the application object is made.
inline void useConfigFolder(const QTemporaryDir &config)
{
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(QStringLiteral("Brenmoor"));
    QCoreApplication::setApplicationName(QStringLiteral("Kerfloom"));
}

// The benchmarks the command line selects; the program's exit code.
inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Times `write(path, drawing)` and reports the bytes written per second.
template <typename Write>
void timeWriter(benchmark::State &state, const QString &path, const Drawing &drawing, Write write)
{
    qint64 bytes = 0;
    for (auto _ : state) {
        if (!write(path, drawing))
            state.SkipWithError("write failed");
        bytes += QFile(path).size();
    }
    state.SetBytesProcessed(bytes);
}

// Times `read(path, drawing)` over the file at `path`, leaving the drawing's
// destruction out, and reports the file's bytes per second. Answers the
// object count of the last drawing read.
template <typename Read>
size_t timeReader(benchmark::State &state, const QString &path, Read read)
{
    const qint64 size = QFile(path).size();
    size_t objects = 0;
    for (auto _ : state) {
        Drawing d;
        if (!read(path, d))
            state.SkipWithError("read failed");
        objects = d.objects().size();
        state.PauseTiming(); // the drawing's destruction is not reading
        d.clearObjects();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(size * int64_t(state.iterations()));
    state.counters["MB"] = double(size) / 1e6;
    return objects;
}

} // namespace bench
