// The controller against cutdeck-sim on a pseudo-terminal: how fast the
// ok-paced stream runs and how long the program takes from a reply to the
// next line, and how evenly step mode spaces its bytes.
#include "controller/machinelink.h"
#include "controller/stepper.h"
#include "controller/streamer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Sim
{
    explicit Sim(const QStringList &args)
    {
        log = dir.filePath("sim.log");
        proc.start(QStringLiteral(CUTDECK_SIM), QStringList(args) << "--log" << log);
        if (proc.waitForStarted(5000) && proc.waitForReadyRead(5000))
            device = QString::fromLocal8Bit(proc.readLine()).trimmed();
    }
    ~Sim()
    {
        proc.terminate();
        proc.waitForFinished(3000);
    }
    // Time stamps (µs) of the logged entries.
    std::vector<double> stamps()
    {
        proc.terminate();
        proc.waitForFinished(3000);
        std::vector<double> out;
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray &l : f.readAll().split('\n'))
                if (l.contains('\t'))
                    out.push_back(l.left(l.indexOf('\t')).toDouble() * 1e6);
        return out;
    }
    QTemporaryDir dir;
    QProcess proc;
    QString log;
    QString device;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

QStringList job(int n)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("G1 X%1.25 Y-%2.5").arg(i % 400).arg(i % 250);
    return lines;
}

// How the emulator misbehaves in each run of the stream benchmark.
const QStringList kFaults[] = {
    {},
    {"--chunks", "--chatter", "5", "--crlf"},
    {"--split"},
    {"--rx-buffer", "64", "--delay", "1"},
};

// Streams a job to the emulator answering at once (or misbehaving as
// kFaults[range(1)] says); the gap is measured from the moment the last piece
// of a reply is read to the moment the next line is written.
void BM_StreamAgainstEmulator(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QStringList &faults = kFaults[state.range(1)];
    state.SetLabel(faults.isEmpty() ? "answering at once" : faults.join(' ').toStdString());
    std::vector<double> gaps;
    double seconds = 0;
    for (auto _ : state) {
        Sim sim(faults);
        cutdeck::MachineSettings s;
        s.devicePath = sim.device;
        cutdeck::MachineLink link(platform::createSerialLine());
        if (!link.openPort(s)) {
            state.SkipWithError("emulator port did not open");
            return;
        }
        QElapsedTimer clock;
        clock.start();
        qint64 replyAt = -1;
        cutdeck::GcodeStreamer streamer([&](const QByteArray &b) {
            if (replyAt >= 0)
                gaps.push_back((clock.nsecsElapsed() - replyAt) / 1000.0);
            replyAt = -1;
            return link.writeBytes(b);
        });
        streamer.setLines(job(n));
        streamer.setSettleTime(50);
        QEventLoop loop;
        QObject::connect(&link, &cutdeck::MachineLink::readyRead, [&] {
            replyAt = clock.nsecsElapsed();
            const QByteArray chunk = link.line().readAll();
            streamer.receive(chunk, link.line().bytesWaiting());
        });
        QObject::connect(&streamer, &cutdeck::GcodeStreamer::finished, &loop, &QEventLoop::quit);
        QObject::connect(&streamer, &cutdeck::GcodeStreamer::failed, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        streamer.start();
        QElapsedTimer wall;
        QObject::connect(&streamer, &cutdeck::GcodeStreamer::lineSent, [&](qint64 i) {
            if (i == 0)
                wall.start();
        });
        loop.exec();
        seconds = wall.nsecsElapsed() / 1e9;
        if (streamer.acknowledged() != n)
            state.SkipWithError(QStringLiteral("stream did not complete: %1 of %2, state %3").arg(streamer.acknowledged()).arg(n).arg(int(streamer.state())).toStdString().c_str());
    }
    state.counters["lines_per_s"] = n / seconds;
    state.counters["gap_p50_us"] = percentile(gaps, 0.5);
    state.counters["gap_p99_us"] = percentile(gaps, 0.99);
    state.counters["gap_max_us"] = percentile(gaps, 1.0);
}
BENCHMARK(BM_StreamAgainstEmulator)
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Args({2000, 2})
    ->Args({5000, 3})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole program as a user runs it: cutdeck --stream against the emulator.
void BM_StreamCommandLine(benchmark::State &state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    QFile f(dir.filePath("job.gcode"));
    f.open(QIODevice::WriteOnly);
    f.write((job(n).join("\r\n") + "\r\n").toLatin1());
    f.close();
    double seconds = 0;
    for (auto _ : state) {
        Sim sim({});
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUTDECK_CONFIG_DIR", dir.path());
        p.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        p.start(QStringLiteral(CUTDECK_PROGRAM), {"--stream", f.fileName(), "--port", sim.device, "--settle", "0"});
        p.waitForFinished(120000);
        seconds = wall.nsecsElapsed() / 1e9;
        if (p.exitCode() != 0)
            state.SkipWithError("cutdeck --stream failed");
    }
    state.counters["lines_per_s"] = n / seconds;
}
BENCHMARK(BM_StreamCommandLine)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Step mode at `range(0)` steps a second: deviation of each step interval
// from its target, where the bytes are written and where the emulator reads
// them, and the longest stretch without event processing.
void BM_StepTiming(benchmark::State &state)
{
    const int rate = int(state.range(0));
    const qint64 intervalUs = 1000000 / rate;
    const int steps = rate * 2;
    std::vector<qint64> writes;
    std::vector<double> simStamps;
    double longestEventGapMs = 0;
    for (auto _ : state) {
        Sim sim({"--steps"});
        cutdeck::MachineSettings s;
        s.devicePath = sim.device;
        cutdeck::MachineLink link(platform::createSerialLine());
        if (!link.openPort(s)) {
            state.SkipWithError("emulator port did not open");
            return;
        }
        QElapsedTimer events;
        events.start();
        cutdeck::StepGenerator gen({[&](std::uint8_t b) { return link.writeBytes(QByteArray(1, char(b))); },
                                    [] { return false; }, [] { return false; },
                                    [&] {
                                        longestEventGapMs = std::max(longestEventGapMs, events.nsecsElapsed() / 1e6);
                                        QCoreApplication::processEvents();
                                        events.restart();
                                    },
                                    {}, {}});
        gen.recordWriteTimes(&writes);
        gen.move(steps, steps / 3, intervalUs);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 200)
            QCoreApplication::processEvents();
        simStamps = sim.stamps();
    }
    auto deviations = [&](const std::vector<double> &us) {
        std::vector<double> d;
        for (size_t i = 1; i < us.size(); ++i)
            d.push_back(std::fabs(us[i] - us[i - 1] - intervalUs));
        return d;
    };
    std::vector<double> writeUs;
    for (qint64 ns : writes)
        writeUs.push_back(ns / 1000.0);
    const auto atWrite = deviations(writeUs);
    const auto atSim = deviations(simStamps);
    state.counters["write_dev_p50_us"] = percentile(atWrite, 0.5);
    state.counters["write_dev_p99_us"] = percentile(atWrite, 0.99);
    state.counters["sim_dev_p50_us"] = percentile(atSim, 0.5);
    state.counters["sim_dev_p99_us"] = percentile(atSim, 0.99);
    state.counters["sim_bytes"] = double(simStamps.size());
    state.counters["longest_event_gap_ms"] = longestEventGapMs;
}
BENCHMARK(BM_StepTiming)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
