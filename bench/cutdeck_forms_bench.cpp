// cutdeck's drawing form at the store's full size: a 500,000-point HPGL file
// opened and painted as the user sees it, the reader alone, and the job files
// written from it.
#include "benchsupport.h"
#include "controller/drawing.h"
#include "controller/form1.h"
#include "controller/preview.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPoints = 500000;

// A wavy outline of 500,000 points, one command per line with a blank
// between the numbers, that fills the store exactly (the closing SP0 is the
// 500,001st record).
const QString &bigDrawing()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("big.plt"));
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        QByteArray out;
        for (int i = 0; i < kPoints; ++i) {
            const double t = i * 0.001;
            out += (i == 0 ? "PU" : "PD") + QByteArray::number(int(8000 + 4000 * std::cos(t) + i / 50)) + ' '
                + QByteArray::number(int(4000 + 3000 * std::sin(t * 3))) + ";\r\n";
        }
        out += "SP0;\r\n";
        f.write(out);
        return p;
    }();
    return path;
}

void BM_CutdeckOpenAndDraw(benchmark::State &state)
{
    cutdeck::Form1 form;
    form.setMessageFunction([&state](QMessageBox::Icon, const QString &, const QString &text) {
        state.SkipWithError(text.toLocal8Bit().constData());
    });
    form.resize(1200, 800);
    QImage canvas(form.view()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        form.openDrawing(bigDrawing());
        form.view()->render(&canvas);
        benchmark::DoNotOptimize(canvas.bits());
    }
    state.counters["records"] = form.drawing().count();
}
BENCHMARK(BM_CutdeckOpenAndDraw)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CutdeckReadHpgl(benchmark::State &state)
{
    cutdeck::Drawing d;
    for (auto _ : state)
        cutdeck::readHpgl(bigDrawing(), &d);
    state.counters["records"] = d.count();
}
BENCHMARK(BM_CutdeckReadHpgl)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CutdeckWriteJobFiles(benchmark::State &state)
{
    cutdeck::Drawing d;
    cutdeck::readHpgl(bigDrawing(), &d);
    QTemporaryDir dir;
    const QString cut = dir.filePath(QStringLiteral("big.txt"));
    QString error;
    for (auto _ : state)
        if (!cutdeck::saveJob(d, cut, true, &error))
            state.SkipWithError(error.toLocal8Bit().constData());
    state.counters["MB"] = (QFile(cut).size() + QFile(cutdeck::gcodeFileNameFor(cut)).size()) / 1e6;
}
BENCHMARK(BM_CutdeckWriteJobFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

// The machine form's drawing area while a job streams: one more dot and the
// repaint that shows it, after `range(0)` dots of the job so far. The cost
// must not grow with the job, or a long job slows down as it goes.
void BM_PreviewDotWhileStreaming(benchmark::State &state)
{
    cutdeck::Preview preview;
    preview.resize(640, 640);
    preview.fitExtent(QPointF(300, 300));
    QImage screen(preview.size(), QImage::Format_RGB32);
    const int before = int(state.range(0));
    for (int i = 0; i < before; ++i)
        preview.plot(QPointF(i % 300, (i / 300) % 300));
    preview.render(&screen);
    int i = 0;
    for (auto _ : state) {
        const QPointF mm((i * 7) % 300, (i * 13) % 300);
        preview.plot(mm);
        // What the window system asks for after the dot: its few pixels.
        const QPoint px = (mm * preview.scale()).toPoint() + QPoint(10, 10);
        const QRect dirty(px - QPoint(2, 2), QSize(5, 5));
        preview.render(&screen, dirty.topLeft(), QRegion(dirty));
        ++i;
    }
    benchmark::DoNotOptimize(screen.bits());
}
BENCHMARK(BM_PreviewDotWhileStreaming)->Arg(1000)->Arg(200000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    bench::useConfigFolder(config);
    qputenv("CUTDECK_CONFIG_DIR", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
