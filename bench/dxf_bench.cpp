// Reading a large DXF: ours with and without the weld, and dxflib (a C++
// DXF library from Debian) parsing the same file into plain line records.
#include "core/drawing.h"
#include "benchsupport.h"
#include "formats/dxf.h"
#include "formats/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#ifdef KERFLOOM_HAVE_DXFLIB
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#endif

namespace {

void appendGroup(std::string &out, const char *code, double v)
{
    out += code;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    out.append(buf, size_t(r.ptr - buf));
    out += '\n';
}

// 50,000 ten-sided parts on a sheet, each drawn as ten separate LINE
// entities the way CAD programs export exploded outlines: 500,000 lines,
// about 50 MB.
const QString &largeFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("lines.dxf"));
        std::string out = "  0\nSECTION\n  2\nHEADER\n  9\n$INSUNITS\n 70\n4\n  0\nENDSEC\n"
                          "  0\nSECTION\n  2\nENTITIES\n";
        out.reserve(60u << 20);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> jitter(0.0, 1.0);
        unsigned handle = 0x100;
        for (int part = 0; part < 50000; ++part) {
            const double cx = (part % 250) * 40.0, cy = (part / 250) * 40.0;
            double px[10], py[10];
            for (int k = 0; k < 10; ++k) {
                const double t = 2 * M_PI * k / 10, r = 15 + jitter(rng);
                px[k] = cx + r * std::cos(t);
                py[k] = cy + r * std::sin(t);
            }
            for (int k = 0; k < 10; ++k) {
                char h[16];
                const auto r = std::to_chars(h, h + sizeof h, handle++, 16);
                out += "  0\nLINE\n  5\n";
                out.append(h, size_t(r.ptr - h));
                out += "\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n";
                appendGroup(out, " 10\n", px[k]);
                appendGroup(out, " 20\n", py[k]);
                out += " 30\n0.0\n";
                appendGroup(out, " 11\n", px[(k + 1) % 10]);
                appendGroup(out, " 21\n", py[(k + 1) % 10]);
                out += " 31\n0.0\n";
            }
        }
        out += "  0\nENDSEC\n  0\nEOF\n";
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(out.data(), qint64(out.size())) != qint64(out.size()))
            return QString();
        return p;
    }();
    return path;
}

// One part of 100 entities (80 lines, 10 arcs, 10 circles) on a 100 × 100
// grid: once as a block placed by 10,000 INSERTs, once written out flat.
struct PartEntity
{
    enum { Line, Arc, Circle } kind;
    double a, b, c, d; // line: x0 y0 x1 y1; arc: cx cy r start; circle: cx cy r
};

std::vector<PartEntity> part()
{
    std::vector<PartEntity> out;
    for (int k = 0; k < 80; ++k) {
        const double t0 = 2 * M_PI * k / 80, t1 = 2 * M_PI * (k + 1) / 80, r = 12 + (k % 3);
        out.push_back({PartEntity::Line, r * std::cos(t0), r * std::sin(t0), r * std::cos(t1), r * std::sin(t1)});
    }
    for (int k = 0; k < 10; ++k)
        out.push_back({PartEntity::Arc, -5.0 + k, 0, 1.5, 36.0 * k});
    for (int k = 0; k < 10; ++k)
        out.push_back({PartEntity::Circle, -4.5 + k, 5, 0.6, 0});
    return out;
}

void writeEntity(std::string &out, const PartEntity &e, double dx, double dy)
{
    switch (e.kind) {
    case PartEntity::Line:
        out += "  0\nLINE\n  8\n0\n";
        appendGroup(out, " 10\n", e.a + dx);
        appendGroup(out, " 20\n", e.b + dy);
        appendGroup(out, " 11\n", e.c + dx);
        appendGroup(out, " 21\n", e.d + dy);
        return;
    case PartEntity::Arc:
        out += "  0\nARC\n  8\n0\n";
        appendGroup(out, " 10\n", e.a + dx);
        appendGroup(out, " 20\n", e.b + dy);
        appendGroup(out, " 40\n", e.c);
        appendGroup(out, " 50\n", e.d);
        appendGroup(out, " 51\n", e.d + 120);
        return;
    case PartEntity::Circle:
        out += "  0\nCIRCLE\n  8\n0\n";
        appendGroup(out, " 10\n", e.a + dx);
        appendGroup(out, " 20\n", e.b + dy);
        appendGroup(out, " 40\n", e.c);
        return;
    }
}

QString writePartsFile(const QString &path, bool blocks)
{
    std::string out = "  0\nSECTION\n  2\nHEADER\n  9\n$INSUNITS\n 70\n4\n  0\nENDSEC\n";
    const std::vector<PartEntity> entities = part();
    if (blocks) {
        out += "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nPART\n 70\n0\n 10\n0.0\n 20\n0.0\n";
        for (const PartEntity &e : entities)
            writeEntity(out, e, 0, 0);
        out += "  0\nENDBLK\n  0\nENDSEC\n";
    }
    out += "  0\nSECTION\n  2\nENTITIES\n";
    for (int i = 0; i < 10000; ++i) {
        const double dx = (i % 100) * 40.0, dy = (i / 100) * 40.0;
        if (blocks) {
            out += "  0\nINSERT\n  8\n0\n  2\nPART\n";
            appendGroup(out, " 10\n", dx);
            appendGroup(out, " 20\n", dy);
        } else {
            for (const PartEntity &e : entities)
                writeEntity(out, e, dx, dy);
        }
    }
    out += "  0\nENDSEC\n  0\nEOF\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out.data(), qint64(out.size())) != qint64(out.size()))
        return QString();
    return path;
}

const QString &partsFile(bool blocks)
{
    static QTemporaryDir dir;
    static const QString flat = writePartsFile(dir.filePath(QStringLiteral("flat.dxf")), false);
    static const QString inserted = writePartsFile(dir.filePath(QStringLiteral("inserts.dxf")), true);
    return blocks ? inserted : flat;
}

} // namespace

// The same 1,000,000 entities read from 10,000 INSERTs of one block and
// from the file with every entity written out; the weld is off in both, so
// that the figures compare the reading alone.
static void BM_DxfReadParts(benchmark::State &state)
{
    const QString &path = partsFile(state.range(0) != 0);
    const Settings::FormatOptions saved = Settings::formatOptions();
    Settings::FormatOptions o = saved;
    o.dxfAutoWeld = false;
    Settings::setFormatOptions(o);
    const size_t objects = bench::timeReader(state, path, dxf::read);
    Settings::setFormatOptions(saved);
    state.counters["objects"] = double(objects);
}
BENCHMARK(BM_DxfReadParts)->ArgName("inserts")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_DxfReadLines(benchmark::State &state)
{
    const QString &path = largeFile();
    const Settings::FormatOptions saved = Settings::formatOptions();
    Settings::FormatOptions o = saved;
    o.dxfAutoWeld = state.range(0) != 0;
    Settings::setFormatOptions(o);
    const size_t objects = bench::timeReader(state, path, dxf::read);
    Settings::setFormatOptions(saved);
    state.counters["objects"] = double(objects);
}
BENCHMARK(BM_DxfReadLines)->ArgName("weld")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

#ifdef KERFLOOM_HAVE_DXFLIB
namespace {

class LineCollector : public DL_CreationAdapter
{
public:
    void addLine(const DL_LineData &l) override { lines.push_back({l.x1, l.y1, l.x2, l.y2}); }
    struct Line { double x1, y1, x2, y2; };
    std::vector<Line> lines;
};

} // namespace

static void BM_DxflibReadLines(benchmark::State &state)
{
    const std::string path = largeFile().toStdString();
    size_t lines = 0;
    for (auto _ : state) {
        LineCollector collector;
        DL_Dxf dxf;
        if (!dxf.in(path, &collector))
            state.SkipWithError("dxflib failed");
        lines = collector.lines.size();
    }
    state.counters["lines"] = double(lines);
    state.SetBytesProcessed(QFile(QString::fromStdString(path)).size() * int64_t(state.iterations()));
}
BENCHMARK(BM_DxflibReadLines)->Unit(benchmark::kMillisecond);
#endif
