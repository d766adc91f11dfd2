// The streaming engine against cutdeck-sim on a real pseudo-terminal: what
// the emulator logs must be the job, line by line, under every fault mode.
#include "controller/gcodeline.h"
#include "controller/machinelink.h"
#include "controller/streamer.h"
#include "controller/streamcli.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include <cmath>
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
           std::function<void(GcodeStreamer &, qint64)> onProgress = {}, int quietMs = 250)
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
    streamer.setQuietPeriod(quietMs);
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

// A firmware that chops its replies and runs them into unasked chatter (blank
// lines, status lines, noise bytes, CR LF ends), whose small receive buffer
// loses whatever comes while it works, and an operator who pauses, continues
// and presses the speed keys at random moments: the machine still gets the
// job once and in order, each command exactly once, and loses no byte.
TEST(PtyStream, BusyOperatorAgainstAChattyFirmwareLosesNothing)
{
    QTemporaryDir dir;
    Sim sim;
    ASSERT_TRUE(sim.start({"--chunks", "--chatter", "4", "--crlf", "--rx-buffer", "64", "--delay", "1"}, dir));
    const QStringList lines = job(1000);
    std::mt19937 random(7);
    QStringList commands;
    int pauses = 0;
    const StreamRun run = stream(sim.device(), lines, 60000, [&](GcodeStreamer &s, qint64) {
        if (random() % 20 != 0)
            return;
        QTimer::singleShot(int(random() % 8), [&, ps = &s] {
            switch (random() % 3) {
            case 0:
                ++pauses;
                ps->pause();
                QTimer::singleShot(int(random() % 30), [ps] { ps->resume(); });
                break;
            default:
                commands << QStringLiteral("M220 S%1").arg(80 + commands.size() % 40);
                ps->sendCommand(commands.last());
                break;
            }
        });
    }, 3000); // a loaded machine must not pass for a silent one here
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.stalls, 0);
    EXPECT_GT(pauses, 5);
    ASSERT_GT(commands.size(), 10);
    const QStringList expected = expectedOnTheWire(lines, 450);
    waitForLog(sim, expected.size() + commands.size());
    QStringList jobLines, commandLines;
    for (const QString &l : sim.lines())
        (l.startsWith(QLatin1String("M220")) ? commandLines : jobLines) << l;
    EXPECT_EQ(commandLines.join(QLatin1Char(' ')).toStdString(), commands.join(QLatin1Char(' ')).toStdString());
    ASSERT_EQ(jobLines.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        ASSERT_EQ(jobLines[i], expected[i]) << "line " << i;
}

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
    QStringList lines = job(500);
    // Far longer than any firmware takes, but what the file holds is sent
    // as one line, never cut in two.
    lines.insert(250, QStringLiteral("M117 ") + QString(100000, QLatin1Char('w')));
    QByteArray err;
    const int code = runProgram({"--stream", writeJob(dir, lines), "--port", sim.device(), "--settle", "100"}, dir, &err);
    EXPECT_EQ(code, 0) << err.constData();
    EXPECT_TRUE(err.contains("Archivo enviado: 501")) << err.constData();
    waitForLog(sim, 502);
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

TEST(StreamCommand, DoubleDashWordsAreOursExceptQtOwn)
{
    const struct {
        QStringList args;
        bool commandLine;
    } cases[] = {
        {{}, false},
        {{"job.gcode"}, false},
        {{"-platform", "offscreen", "job.txt"}, false},
        {{"--platform", "offscreen"}, false},
        {{"--display=:1", "-style", "fusion"}, false},
        {{"--", "--odd-name.plt"}, false},
        {{"-h"}, true},
        {{"--stream", "a.gcode"}, true},
        {{"--strem", "a.gcode"}, true},
        {{"--settle=5"}, true},
        {{"job.txt", "--port"}, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cutdeck::isCommandLineMode(QStringList{"cutdeck"} + c.args), c.commandLine) << c.args.join(' ').toStdString();

    // The program itself: one line on standard error and exit code 2, no window.
    QTemporaryDir dir;
    QByteArray err;
    EXPECT_EQ(runProgram({"--strem", "a.gcode", "--port", "/dev/null"}, dir, &err), 2);
    EXPECT_EQ(err, "Opción desconocida: --strem (cutdeck --help muestra las opciones)\n");
    EXPECT_EQ(runProgram({"--stream", "a.gcode", "--port"}, dir, &err), 2);
    EXPECT_EQ(err, "Falta el valor de --port (cutdeck --help muestra las opciones)\n");
    // Qt's own options beside ours are left to Qt, not taken for mistakes.
    EXPECT_EQ(runProgram({"-platform", "offscreen", "--strem", "a.gcode"}, dir, &err), 2);
    EXPECT_EQ(err, "Opción desconocida: --strem (cutdeck --help muestra las opciones)\n");
    EXPECT_EQ(runProgram({"--stream", dir.filePath("missing.gcode"), "-style", "fusion", "--reverse"}, dir, &err), 2);
    EXPECT_TRUE(err.startsWith("No se puede leer")) << err.constData();
}

TEST(StepCutProgram, ScreenshotRunEndsAStepCutOrAFailedSetUpAndQuits)
{
    // A cut of 50,000 steps (most of a minute) started by the screenshot run:
    // the picture is taken early, and the program must then end, not cut on
    // and wait on its completion message.
    QTemporaryDir dir;
    Sim sim;
    ASSERT_TRUE(sim.start({"--steps"}, dir));
    QFile ini(dir.filePath(QStringLiteral("cutdeck_config.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[modo]\r\narduino=0\r\n[puerto]\r\ndispositivo=" + sim.device().toLocal8Bit()
              + "\r\n[motor]\r\nx=0.01\r\ny=0.01\r\n[vel]\r\nvel=300\r\n[tiempo]\r\ntiempo_base =1000\r\n");
    ini.close();
    QFile cut(dir.filePath(QStringLiteral("cut.txt")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("ID 0\r\n 0\r\n 0\r\n 500\r\n 0\r\n");
    cut.close();

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUTDECK_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("CUTDECK_SCREENSHOT"), dir.filePath(QStringLiteral("shot.png")));
    env.insert(QStringLiteral("CUTDECK_SCREENSHOT_AFTER"), QStringLiteral("1000"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CUTDECK_PROGRAM), {cut.fileName()});
    ASSERT_TRUE(p.waitForStarted(5000));
    const bool ended = p.waitForFinished(20000);
    if (!ended)
        p.kill();
    ASSERT_TRUE(ended) << p.readAllStandardError().constData();
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("shot.png"))).size() > 0);
    const int sent = sim.lines().size();
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, 40000);

    // No device: the set-up's message is the picture, and the run ends with 1
    // instead of waiting for a click.
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[modo]\r\narduino=0\r\n[puerto]\r\ndispositivo=" + dir.filePath("nodev").toLocal8Bit() + "\r\n");
    ini.close();
    QFile::remove(dir.filePath(QStringLiteral("shot.png")));
    p.start(QStringLiteral(CUTDECK_PROGRAM), {cut.fileName()});
    ASSERT_TRUE(p.waitForStarted(5000));
    const bool refused = p.waitForFinished(20000);
    if (!refused)
        p.kill();
    ASSERT_TRUE(refused);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("shot.png"))).size() > 0);
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

TEST(StreamCommand, PortVanishingWhileTheMachineIsSilentEndsTheRunAndANewPortServes)
{
    // The board stops answering, then its port goes away (cable pulled);
    // plugged in again, the same device name serves the next run.
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyCUT"));
    const QString jobPath = writeJob(dir, job(300));
    auto first = std::make_unique<Sim>();
    ASSERT_TRUE(first->start({"--drop", "100", "--link", device}, dir));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUTDECK_CONFIG_DIR"), dir.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CUTDECK_PROGRAM), {"--stream", jobPath, "--port", device, "--settle", "0", "--stall", "1"});
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray err;
    QElapsedTimer t;
    t.start();
    while (!err.contains("La máquina no responde") && t.elapsed() < 20000 && p.state() == QProcess::Running) {
        p.waitForReadyRead(50);
        err += p.readAllStandardError();
    }
    first.reset();
    const bool ended = p.waitForFinished(10000);
    if (!ended)
        p.kill();
    ASSERT_TRUE(ended) << err.constData();
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 1) << err.constData();
    EXPECT_TRUE(err.contains("Última línea confirmada: 98 de 300")) << err.constData();
    EXPECT_FALSE(err.contains("responde de nuevo")) << err.constData();

    Sim second;
    ASSERT_TRUE(second.start({"--link", device}, dir));
    EXPECT_EQ(runProgram({"--stream", jobPath, "--port", device, "--settle", "0"}, dir, &err), 0) << err.constData();
    waitForLog(second, 301);
    EXPECT_EQ(second.lines().size(), 301);
}

TEST(StreamCommand, InterruptEndsARunWhoseMachineHasFallenSilent)
{
    // The emulator never answers the first job line. A signal while the line
    // waits ends the run once the stall notice comes; one after it at once.
    for (const int delayMs : {0, 1500}) {
        SCOPED_TRACE(delayMs);
        QTemporaryDir dir;
        Sim sim;
        ASSERT_TRUE(sim.start({"--drop", "2"}, dir));
        QByteArray err;
        QElapsedTimer t;
        t.start();
        const int code = runProgram({"--stream", writeJob(dir, job(50)), "--port", sim.device(), "--settle", "0",
                                     "--stall", "1"},
                                    dir, &err, delayMs, [&] { return sim.lines().size() >= 2; });
        EXPECT_EQ(code, 128 + SIGINT) << err.constData();
        EXPECT_LT(t.elapsed(), 20000);
        EXPECT_TRUE(err.contains("Última línea confirmada: ")) << err.constData();
    }
}

namespace {

// Points of G1 words or PU/PD commands, millimetres, Y as the machine takes it
// (the plotter's Y negated); origin points and repeats left out, since the
// two sides frame contours differently.
using Points = std::vector<std::pair<double, double>>;

void addPoint(Points &out, double x, double y)
{
    if (std::fabs(x) < 0.005 && std::fabs(y) < 0.005)
        return;
    if (!out.empty() && std::fabs(out.back().first - x) < 0.005 && std::fabs(out.back().second - y) < 0.005)
        return;
    out.emplace_back(x, y);
}

Points hpglPoints(const QByteArray &hpgl)
{
    Points out;
    for (QByteArray l : hpgl.split('\n')) {
        l = l.trimmed();
        if (!l.startsWith("PU") && !l.startsWith("PD"))
            continue;
        const QList<QByteArray> xy = l.mid(2, l.size() - 3).split(' ');
        if (xy.size() == 2)
            addPoint(out, xy[0].toDouble() / 40, -xy[1].toDouble() / 40);
    }
    return out;
}

Points wirePoints(const QStringList &lines)
{
    Points out;
    for (const QString &l : lines) {
        if (!l.startsWith(QLatin1String("G1 X")) || l.contains(QLatin1Char('F')))
            continue;
        const QStringList words = l.split(QLatin1Char(' '));
        addPoint(out, words.value(1).mid(1).toDouble(), words.value(2).mid(1).toDouble());
    }
    return out;
}

} // namespace

// An HPGL file from Kerfloom (two shapes linked into one path), converted by
// cutdeck --save-job and streamed to the emulator: the machine gets the
// drawing's points in order, in millimetres, with the plotter's Y negated.
TEST(RoundTrip, KerfloomDrawingReachesTheMachineAsDrawn)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("xdg/Brenmoor/Kerfloom")));
    QFile settings(dir.filePath(QStringLiteral("xdg/Brenmoor/Kerfloom/settings.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Actions]\nSaveAsPath=%p/%f.plt\n");
    settings.close();
    QFile svg(dir.filePath(QStringLiteral("part.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='200mm' height='100mm' viewBox='0 0 200 100'>"
              "<rect x='10' y='10' width='60' height='40' fill='none' stroke='black'/>"
              "<circle cx='140' cy='50' r='30' fill='none' stroke='black'/></svg>");
    svg.close();
    QProcess kerfloom;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("xdg")));
    kerfloom.setProcessEnvironment(env);
    kerfloom.start(QStringLiteral(KERFLOOM_PROGRAM), {svg.fileName()});
    ASSERT_TRUE(kerfloom.waitForFinished(60000));
    ASSERT_EQ(kerfloom.exitCode(), 0) << kerfloom.readAllStandardError().constData();
    QFile plt(dir.filePath(QStringLiteral("part.plt")));
    ASSERT_TRUE(plt.open(QIODevice::ReadOnly));
    const Points drawn = hpglPoints(plt.readAll());
    ASSERT_GT(drawn.size(), 20u);

    QFile ini(dir.filePath(QStringLiteral("cutdeck_config.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[modo]\r\narduino=1\r\n[vel]\r\nvelgcode=600\r\n");
    ini.close();
    QByteArray err;
    ASSERT_EQ(runProgram({"--save-job", plt.fileName()}, dir, &err), 0) << err.constData();
    EXPECT_TRUE(err.isEmpty()) << err.constData();
    Sim sim;
    ASSERT_TRUE(sim.start({}, dir));
    ASSERT_EQ(runProgram({"--stream", dir.filePath(QStringLiteral("part.gcode")), "--port", sim.device(), "--settle",
                          "0"},
                         dir, &err),
              0)
        << err.constData();
    waitForLog(sim, int(drawn.size()) + 8);
    const QStringList wire = sim.lines();
    ASSERT_GE(wire.size(), 6);
    EXPECT_EQ(wire.mid(0, 6), (QStringList{"M114", "G21", "G90", "G92 X0 Y0", "G4 P2000", "G1 X0 Y0  F600"}));
    const Points received = wirePoints(wire);
    ASSERT_EQ(received.size(), drawn.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_NEAR(received[i].first, drawn[i].first, 0.0051) << i;
        EXPECT_NEAR(received[i].second, drawn[i].second, 0.0051) << i;
    }
}

TEST(SaveJobCommand, FailuresAreOneLineAndExitCodeOne)
{
    QTemporaryDir dir;
    QFile empty(dir.filePath(QStringLiteral("empty.plt")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("IN;\nSP0;\n");
    empty.close();
    struct Case { QString file; const char *message; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.plt")), "No se puede leer"},
        {empty.fileName(), "no contiene ningún trazo"},
    };
    for (const Case &c : cases) {
        QByteArray err;
        EXPECT_EQ(runProgram({"--save-job", c.file}, dir, &err), 1);
        EXPECT_TRUE(QString::fromLocal8Bit(err).contains(QString::fromUtf8(c.message))) << err.constData();
        EXPECT_EQ(err.count('\n'), 1) << err.constData();
    }
}

// Without a display Qt aborted (exit 134) with advice to reinstall; the
// window program says what is missing and ends with 1.
TEST(WindowProgram, NoReachableDisplayIsOneMessageAndExitCodeOne)
{
    QTemporaryDir dir;
    const struct
    {
        const char *display;
        const char *expected;
    } cases[] = {
        {nullptr, "No hay pantalla para mostrar la ventana. Sin ventana"},
        {":4093", "No hay pantalla para mostrar la ventana (\":4093\"). Sin ventana"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.display ? c.display : "unset");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(v));
        if (c.display)
            env.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
        env.insert(QStringLiteral("CUTDECK_CONFIG_DIR"), dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CUTDECK_PROGRAM), QStringList());
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_TRUE(p.readAllStandardError().contains(c.expected));
    }
}

// "--link" deleted whatever stood under its path: a mistyped job file was
// gone. Only a link (an earlier run's) is replaced, and only our own goes.
TEST(Emulator, LinkNeverReplacesAFile)
{
    QTemporaryDir dir;
    const QString job = dir.filePath(QStringLiteral("job.gcode"));
    {
        QFile f(job);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("G1 X1\r\n");
    }
    QProcess refused;
    refused.start(QStringLiteral(CUTDECK_SIM), {QStringLiteral("--link"), job});
    ASSERT_TRUE(refused.waitForFinished(5000));
    EXPECT_EQ(refused.exitCode(), 2);
    QFile kept(job);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("G1 X1\r\n"));

    const QString link = dir.filePath(QStringLiteral("ttyCutter"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/stale-device"), link));
    QProcess sim;
    sim.start(QStringLiteral(CUTDECK_SIM), {QStringLiteral("--link"), link});
    ASSERT_TRUE(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), device);
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}
