// The streaming engine against cutdeck-sim on a real pseudo-terminal: what
// the emulator logs must be the job, line by line, under every fault mode.
#include "controller/gcodeline.h"
#include "controller/machinelink.h"
#include "controller/streamer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <csignal>

using namespace cutdeck;

namespace {

class Sim
{
public:
    bool start(const QStringList &faults, const QTemporaryDir &dir)
    {
        m_log = dir.filePath(QStringLiteral("sim.log"));
        m_proc.start(QStringLiteral(CUTDECK_SIM), QStringList(faults) << QStringLiteral("--log") << m_log);
        if (!m_proc.waitForStarted(5000) || !m_proc.waitForReadyRead(5000))
            return false;
        m_device = QString::fromLocal8Bit(m_proc.readLine()).trimmed();
        return m_device.startsWith(QLatin1String("/dev/"));
    }
    ~Sim()
    {
        m_proc.terminate();
        m_proc.waitForFinished(3000);
    }
    const QString &device() const { return m_device; }
    bool waitForExit() { return m_proc.state() == QProcess::NotRunning || m_proc.waitForFinished(5000); }

    // Received lines without their time stamps.
    QStringList lines() const
    {
        QFile f(m_log);
        QStringList out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray &l : f.readAll().split('\n')) {
            const int tab = l.indexOf('\t');
            if (tab >= 0)
                out << QString::fromLatin1(l.mid(tab + 1));
        }
        return out;
    }

private:
    QProcess m_proc;
    QString m_log;
    QString m_device;
};

QStringList job(int n)
{
    QStringList lines = {"G21", "G90", "G92 X0 Y0", "G1 X0 Y0 F500"};
    for (int i = 0; lines.size() < n; ++i)
        lines << QStringLiteral("G1 X%1.%2 Y-%3").arg(i % 300).arg(i % 100, 2, 10, QLatin1Char('0')).arg(i % 170);
    return lines;
}

QStringList expectedOnTheWire(const QStringList &lines, int speed)
{
    QStringList out = {"M114"};
    for (const QString &l : lines)
        out << substituteFeed(l, speed);
    return out;
}

struct StreamRun
{
    bool finished = false;
    bool failed = false;
    qint64 acknowledged = 0;
    qint64 next = 0;
    int stalls = 0;
};

// Streams `lines` to `device` as an operator would: a stall notice is answered
// with pause and continue. `onProgress` may act on the stream.
StreamRun stream(const QString &device, const QStringList &lines, int timeoutMs,
           std::function<void(GcodeStreamer &, qint64)> onProgress = {})
{
    StreamRun run;
    MachineLink link(platform::createSerialLine());
    MachineSettings s;
    s.devicePath = device;
    if (!link.openPort(s))
        return run;
    GcodeStreamer streamer([&](const QByteArray &b) { return link.writeBytes(b); });
    streamer.setLines(lines);
    streamer.setBaseSpeed(450);
    streamer.setSettleTime(100);
    streamer.setQuietPeriod(250);
    QEventLoop loop;
    QObject::connect(&link, &MachineLink::readyRead, [&] {
        const QByteArray chunk = link.line().readAll();
        streamer.receive(chunk, link.line().bytesWaiting());
    });
    QObject::connect(&link, &MachineLink::failed, [&](const QString &r) { streamer.portFailed(r); });
    QObject::connect(&streamer, &GcodeStreamer::finished, [&] {
        run.finished = true;
        loop.quit();
    });
    QObject::connect(&streamer, &GcodeStreamer::failed, [&] {
        run.failed = true;
        loop.quit();
    });
    QObject::connect(&streamer, &GcodeStreamer::stallChanged, [&](bool stalled) {
        if (!stalled)
            return;
        ++run.stalls;
        streamer.pause();
        streamer.resume();
    });
    if (onProgress)
        QObject::connect(&streamer, &GcodeStreamer::progress,
                         [&](qint64 done, qint64) { onProgress(streamer, done); });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    streamer.start();
    loop.exec();
    run.acknowledged = streamer.acknowledged();
    run.next = streamer.nextIndex();
    // Whatever the stream still wanted to do after the end must not reach
    // the wire: give it a moment.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return run;
}

void waitForLog(Sim &sim, int count)
{
    QElapsedTimer t;
    t.start();
    while (sim.lines().size() < count && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

class PtyFaults : public ::testing::TestWithParam<std::vector<const char *>>
{
};

TEST_P(PtyFaults, TenThousandLinesArriveOnceAndInOrder)
{
    QTemporaryDir dir;
    Sim sim;
    QStringList faults;
    for (const char *f : GetParam())
        faults << QString::fromLatin1(f);
    ASSERT_TRUE(sim.start(faults, dir));
    const QStringList lines = job(10000);
    const StreamRun run = stream(sim.device(), lines, 120000);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(run.next, 10000);
    const QStringList expected = expectedOnTheWire(lines, 450);
    waitForLog(sim, expected.size());
    const QStringList logged = sim.lines();
    ASSERT_EQ(logged.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        ASSERT_EQ(logged[i], expected[i]) << "line " << i;
    if (faults.contains("--drop"))
        EXPECT_GE(run.stalls, 9);
    else
        EXPECT_EQ(run.stalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, PtyFaults,
                         ::testing::Values(std::vector<const char *>{}, std::vector<const char *>{"--split"},
                                           std::vector<const char *>{"--twice"},
                                           std::vector<const char *>{"--drop", "1000"},
                                           std::vector<const char *>{"--noise"},
                                           std::vector<const char *>{"--slow", "2"}),
                         [](const ::testing::TestParamInfo<std::vector<const char *>> &info) {
                             std::string name = info.param.empty() ? "plain" : info.param.front() + 2;
                             return name;
                         });

TEST(PtyStream, PauseBetweenLinesSendsNothingUntilContinue)
{
    QTemporaryDir dir;
    Sim sim;
    ASSERT_TRUE(sim.start({}, dir));
    const QStringList lines = job(600);
    int seenWhilePaused = -1;
    int seenAtPause = -1;
    const StreamRun run = stream(sim.device(), lines, 30000, [&](GcodeStreamer &s, qint64 done) {
        if (done != 300)
            return;
        s.pause();
        QTimer::singleShot(0, [&] { seenAtPause = sim.lines().size(); });
        QTimer::singleShot(300, [&, ps = &s] {
            seenWhilePaused = sim.lines().size();
            ps->resume();
        });
    });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(seenAtPause, 1 + 300); // paused between lines 300 and 301
    EXPECT_EQ(seenWhilePaused, seenAtPause);
    waitForLog(sim, 601);
    EXPECT_EQ(sim.lines(), expectedOnTheWire(lines, 450));
}

TEST(PtyStream, HangUpStopsWithoutResendingOrCrashing)
{
    QTemporaryDir dir;
    Sim sim;
    ASSERT_TRUE(sim.start({"--hangup", "2001"}, dir));
    const QStringList lines = job(5000);
    const StreamRun run = stream(sim.device(), lines, 30000);
    EXPECT_TRUE(run.failed);
    EXPECT_FALSE(run.finished);
    ASSERT_TRUE(sim.waitForExit());
    const QStringList logged = sim.lines();
    ASSERT_EQ(logged.size(), 2001);
    EXPECT_EQ(logged, expectedOnTheWire(lines, 450).mid(0, 2001));
    EXPECT_EQ(run.acknowledged, 1999);
    EXPECT_EQ(run.next, 2000);
}

namespace {

// With `interruptAfterMs`, SIGINT goes out that long after `ready` holds:
// under a sanitizer on a loaded machine start-up alone can take longer than
// any fixed delay, and a signal before the handler is in kills the program.
int runProgram(const QStringList &args, const QTemporaryDir &config, QByteArray *err, int interruptAfterMs = -1,
               const std::function<bool()> &ready = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUTDECK_CONFIG_DIR"), config.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CUTDECK_PROGRAM), args);
    if (!p.waitForStarted(5000))
        return -1;
    if (interruptAfterMs >= 0) {
        QElapsedTimer waited;
        waited.start();
        while (ready && !ready() && waited.elapsed() < 30000 && p.state() == QProcess::Running)
            p.waitForFinished(20);
        p.waitForFinished(interruptAfterMs);
        ::kill(pid_t(p.processId()), SIGINT);
    }
    p.waitForFinished(60000);
    *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

QString writeJob(const QTemporaryDir &dir, const QStringList &lines)
{
    const QString path = dir.filePath(QStringLiteral("job.gcode"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")).toLatin1());
    return path;
}

} // namespace

TEST(StreamCommand, StreamsAJobAndReportsSuccess)
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("cutdeck_config.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[vel]\r\nvelgcode=450\r\n");
    ini.close();
    Sim sim;
    ASSERT_TRUE(sim.start({}, dir));
    const QStringList lines = job(500);
    QByteArray err;
    const int code = runProgram({"--stream", writeJob(dir, lines), "--port", sim.device(), "--settle", "100"}, dir, &err);
    EXPECT_EQ(code, 0) << err.constData();
    EXPECT_TRUE(err.contains("Archivo enviado: 500")) << err.constData();
    waitForLog(sim, 501);
    EXPECT_EQ(sim.lines(), expectedOnTheWire(lines, 450));
}

TEST(StreamCommand, FailuresGiveNonZeroExitCodes)
{
    QTemporaryDir dir;
    QByteArray err;
    EXPECT_EQ(runProgram({"--stream", dir.filePath("missing.gcode"), "--port", "/dev/null"}, dir, &err), 2);
    EXPECT_EQ(runProgram({"--stream", writeJob(dir, job(10)), "--port", dir.filePath("nodev")}, dir, &err), 1);
    EXPECT_TRUE(err.contains("El puerto USB no esta disponible")) << err.constData();
    EXPECT_EQ(runProgram({"--help"}, dir, &err), 0);
}

TEST(StreamCommand, InterruptStopsAfterTheLineInFlight)
{
    QTemporaryDir dir;
    Sim sim;
    ASSERT_TRUE(sim.start({"--delay", "5"}, dir));
    QByteArray err;
    const int code =
        runProgram({"--stream", writeJob(dir, job(5000)), "--port", sim.device(), "--settle", "100"}, dir, &err, 300,
                   [&] { return sim.lines().size() > 20; });
    EXPECT_EQ(code, 128 + SIGINT) << err.constData();
    const QByteArray marker = "Última línea confirmada: ";
    const int at = err.lastIndexOf(marker);
    ASSERT_GE(at, 0) << err.constData();
    const int acked = err.mid(at + marker.size()).split(' ').first().toInt();
    EXPECT_GT(acked, 10);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QCoreApplication::processEvents();
    EXPECT_EQ(sim.lines().size(), 1 + acked);
}
