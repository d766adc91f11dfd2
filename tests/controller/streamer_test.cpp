#include "controller/streamer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

using namespace cutdeck;

namespace {

// A streamer started on `lines` with no settle time, its writes recorded.
struct Rig
{
    explicit Rig(const QStringList &lines, int speed = 450)
        : streamer([this](const QByteArray &b) {
              sent << QString::fromLatin1(b);
              return onWrite ? onWrite(b) : true;
          })
    {
        streamer.setLines(lines);
        streamer.setBaseSpeed(speed);
        streamer.setSettleTime(0);
    }

    void startAndSettle()
    {
        streamer.start();
        QElapsedTimer t;
        t.start();
        while (streamer.state() == GcodeStreamer::State::Settling && t.elapsed() < 2000)
            QCoreApplication::processEvents();
    }

    QStringList sent;
    std::function<bool(const QByteArray &)> onWrite;
    GcodeStreamer streamer;
};

const QStringList kJob = {"G21", "G90", "G1 X1 Y-1 F300", "G1 X2 Y-2"};

} // namespace

TEST(Streamer, SendsEachLineAfterItsOk)
{
    Rig rig(kJob);
    QSignalSpy finished(&rig.streamer, &GcodeStreamer::finished);
    rig.startAndSettle();
    EXPECT_EQ(rig.sent, QStringList({"M114\r", "G21\r"}));
    for (int i = 0; i < 4; ++i)
        rig.streamer.receive("ok\n");
    EXPECT_EQ(rig.sent, QStringList({"M114\r", "G21\r", "G90\r", "G1 X1 Y-1  F450\r", "G1 X2 Y-2\r"}));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(rig.streamer.acknowledged(), 4);
    rig.streamer.receive("ok\n"); // after the last line: nothing
    EXPECT_EQ(rig.sent.size(), 5);
    EXPECT_EQ(finished.count(), 1);
}

TEST(Streamer, OkForThePositionQueryDuringSettleSendsNothing)
{
    Rig rig(kJob);
    rig.streamer.setSettleTime(50);
    rig.streamer.start();
    rig.streamer.receive("X:0.00 Y:0.00 Count X:0\nok\n");
    EXPECT_EQ(rig.sent, QStringList({"M114\r"}));
    rig.startAndSettle();
}

TEST(Streamer, ReplySplitOverChunksIsJudgedWhole)
{
    Rig rig(kJob);
    QSignalSpy judged(&rig.streamer, &GcodeStreamer::replyJudged);
    rig.startAndSettle();
    rig.streamer.receive("o");
    EXPECT_EQ(rig.sent.size(), 2);
    rig.streamer.receive("k", 3); // more bytes still waiting: not judged yet
    EXPECT_EQ(rig.sent.size(), 2);
    rig.streamer.receive("\r\n");
    EXPECT_EQ(rig.sent.size(), 3);
    EXPECT_EQ(judged.last().at(0).toString(), QStringLiteral("ok"));
    EXPECT_EQ(judged.last().at(1).toInt(), 1);
    EXPECT_TRUE(rig.streamer.chunks().isEmpty()); // cleared for the new line
    rig.streamer.receive(" echo:busy ");
    rig.streamer.receive(" Count ok ");
    EXPECT_EQ(judged.last().at(0).toString(), QStringLiteral("echo:busyCount ok"));
    EXPECT_EQ(judged.last().at(2).toInt(), 10);
    EXPECT_EQ(rig.sent.size(), 4);
}

TEST(Streamer, NoiseBytesBeforeTheOkDoNotHideIt)
{
    Rig rig(kJob);
    rig.startAndSettle();
    rig.streamer.receive(QByteArray("\0\x13\xff\r\nok\r\n", 8));
    EXPECT_EQ(rig.sent.last(), QStringLiteral("G90\r"));
    rig.streamer.receive(QByteArray("T:21.3\0", 7));
    rig.streamer.receive(QByteArray("o\0k", 3)); // not an "ok"
    rig.streamer.receive(QByteArray("\0", 1));
    rig.streamer.receive("ok");
    EXPECT_EQ(rig.sent.last(), QStringLiteral("G1 X1 Y-1  F450\r"));
    EXPECT_EQ(rig.streamer.acknowledged(), 2);
}

TEST(Streamer, PauseHoldsEveryLineUntilContinue)
{
    Rig rig(kJob);
    rig.startAndSettle();
    rig.streamer.pause();
    rig.streamer.receive("ok");      // the line in flight completes…
    rig.streamer.receive("ok");
    EXPECT_EQ(rig.sent.size(), 2);   // …and nothing more leaves
    rig.streamer.resume();
    EXPECT_EQ(rig.sent.last(), QStringLiteral("G90\r"));
    EXPECT_EQ(rig.sent.size(), 3);
    rig.streamer.pause();
    rig.streamer.resume();           // a line is in flight: continue waits for its ok
    EXPECT_EQ(rig.sent.size(), 3);
    rig.streamer.receive("ok");
    EXPECT_EQ(rig.sent.size(), 4);
}

TEST(Streamer, ContinuePressedWhileAnOkIsHandledSendsOneLine)
{
    // The window processes events while it shows the reply and while it
    // writes, so the continue click can land in the middle of either.
    Rig rig(kJob);
    rig.startAndSettle();
    QObject::connect(&rig.streamer, &GcodeStreamer::replyJudged, [&] { rig.streamer.resume(); });
    rig.onWrite = [&](const QByteArray &) {
        rig.streamer.resume();
        return true;
    };
    rig.streamer.pause();
    rig.streamer.receive("ok");
    EXPECT_EQ(rig.sent, QStringList({"M114\r", "G21\r", "G90\r"}));
    rig.streamer.resume();
    EXPECT_EQ(rig.sent.size(), 3);
    EXPECT_EQ(rig.streamer.nextIndex(), 2);
}

TEST(Streamer, ReplyArrivingInsideTheWriteIsHeldUntilTheSendIsDone)
{
    Rig rig(kJob);
    int replies = 1;
    rig.onWrite = [&](const QByteArray &line) {
        if (line.startsWith("G21") && replies-- > 0)
            rig.streamer.receive("ok");
        return true;
    };
    rig.startAndSettle();
    EXPECT_EQ(rig.sent, QStringList({"M114\r", "G21\r", "G90\r"}));
    EXPECT_EQ(rig.streamer.acknowledged(), 1);
}

TEST(Streamer, CancelStopsAtOnce)
{
    Rig rig(kJob);
    rig.startAndSettle();
    rig.streamer.cancel();
    rig.streamer.receive("ok");
    rig.streamer.resume();
    EXPECT_EQ(rig.sent.size(), 2);
    EXPECT_EQ(rig.streamer.state(), GcodeStreamer::State::Idle);

    Rig settling(kJob);
    settling.streamer.setSettleTime(20);
    settling.streamer.start();
    settling.streamer.cancel();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60)
        QCoreApplication::processEvents();
    EXPECT_EQ(settling.sent, QStringList({"M114\r"}));
}

TEST(Streamer, SilenceRaisesANoticeAndContinueGoesOnWithoutResending)
{
    Rig rig(kJob);
    rig.streamer.setQuietPeriod(30);
    QSignalSpy stall(&rig.streamer, &GcodeStreamer::stallChanged);
    rig.startAndSettle();
    ASSERT_TRUE(stall.wait(1000));
    EXPECT_TRUE(rig.streamer.isStalled());
    rig.streamer.pause();
    rig.streamer.resume();
    EXPECT_EQ(rig.sent, QStringList({"M114\r", "G21\r", "G90\r"}));
    EXPECT_FALSE(rig.streamer.isStalled());
    EXPECT_FALSE(stall.last().at(0).toBool());
}

TEST(Streamer, DeadPortStopsTheStream)
{
    Rig rig(kJob);
    QSignalSpy failed(&rig.streamer, &GcodeStreamer::failed);
    rig.startAndSettle();
    rig.streamer.receive("ok");
    rig.onWrite = [](const QByteArray &) { return false; };
    rig.streamer.receive("ok");
    EXPECT_EQ(rig.streamer.state(), GcodeStreamer::State::Failed);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(rig.streamer.acknowledged(), 2);
    EXPECT_EQ(rig.streamer.nextIndex(), 2); // the line that failed is not counted as sent
    rig.onWrite = nullptr;
    rig.streamer.receive("ok");
    rig.streamer.resume();
    EXPECT_EQ(rig.sent.size(), 4); // M114, two lines, the failed attempt; nothing after
}

TEST(Streamer, IndexCoversLongJobs)
{
    QStringList lines;
    for (int i = 0; i < 40000; ++i)
        lines << QStringLiteral("G1 X%1 Y1").arg(i);
    Rig rig(lines);
    rig.startAndSettle();
    for (int i = 0; i < 40000; ++i)
        rig.streamer.receive("ok");
    EXPECT_EQ(rig.streamer.acknowledged(), 40000);
    EXPECT_EQ(rig.sent.last(), QStringLiteral("G1 X39999 Y1\r"));
    EXPECT_EQ(rig.streamer.state(), GcodeStreamer::State::Finished);
}

TEST(Streamer, OperatorCommandsGoBetweenLinesAndTheirOkAdvancesNothing)
{
    // Each step: what happens, then everything written so far.
    Rig rig(kJob);
    auto command = [&](const char *c) { EXPECT_TRUE(rig.streamer.sendCommand(QLatin1String(c))); };
    auto ok = [&] { rig.streamer.receive("ok\n"); };
    const struct {
        std::function<void()> act;
        QStringList wire;
        qint64 acknowledged;
    } steps[] = {
        {[&] { command("M106"); }, {"M106\r"}, 0}, // idle: at once
        {[&] { rig.startAndSettle(); }, {"M106\r", "M114\r", "G21\r"}, 0},
        {[&] { command("M220 S107"); command("M220 S113"); }, {"M106\r", "M114\r", "G21\r"}, 0}, // G21 in flight
        {ok, {"M106\r", "M114\r", "G21\r", "M220 S107\r"}, 1},
        {ok, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r"}, 1},
        {ok, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r", "G90\r"}, 1},
        {[&] { rig.streamer.pause(); ok(); }, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r", "G90\r"}, 2},
        // Paused with nothing in flight: the command goes at once, the job
        // stays held after its "ok", and continue sends the next line.
        {[&] { command("M107"); }, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r", "G90\r", "M107\r"}, 2},
        {[&] { rig.streamer.resume(); }, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r", "G90\r", "M107\r"}, 2},
        {ok, {"M106\r", "M114\r", "G21\r", "M220 S107\r", "M220 S113\r", "G90\r", "M107\r", "G1 X1 Y-1  F450\r"}, 2},
    };
    rig.sent.clear();
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        EXPECT_EQ(rig.sent, steps[i].wire) << "step " << i;
        EXPECT_EQ(rig.streamer.acknowledged(), steps[i].acknowledged) << "step " << i;
    }
    ok();
    command("M220 S90"); // queued behind the last line, sent before the end
    ok();
    EXPECT_EQ(rig.sent.last(), QStringLiteral("M220 S90\r"));
    EXPECT_EQ(rig.streamer.state(), GcodeStreamer::State::Streaming);
    ok();
    EXPECT_EQ(rig.streamer.state(), GcodeStreamer::State::Finished);
    EXPECT_EQ(rig.streamer.acknowledged(), 4);
    rig.streamer.cancel();
    EXPECT_TRUE(rig.streamer.sendCommand(QStringLiteral("M107")));
    EXPECT_EQ(rig.sent.last(), QStringLiteral("M107\r"));
}

TEST(Streamer, ChatterWhileNoReplyIsDueDoesNotPileUp)
{
    Rig rig(kJob);
    for (int i = 0; i < 5000; ++i)
        rig.streamer.receive(" T:21.30 /0.00 B:20.10\n");
    EXPECT_LE(rig.streamer.chunks().size(), 200);
    rig.startAndSettle();
    // A reply due is kept whole, however many pieces it comes in.
    for (int i = 0; i < 300; ++i)
        rig.streamer.receive("echo:busy: processing\n");
    rig.streamer.receive("o");
    rig.streamer.receive("k");
    EXPECT_EQ(rig.sent.last(), QStringLiteral("G90\r"));
}
