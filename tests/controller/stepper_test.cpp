#include "controller/stepper.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cutdeck;

namespace {

// A floating-point DDA as a textbook writes it, with the accumulators kept
// as fractions (numerator over n) so no step is lost to rounding.
std::vector<std::uint8_t> referenceDda(int dx, int dy)
{
    const int n = std::max(std::abs(dx), std::abs(dy));
    std::vector<std::uint8_t> out;
    long errX = 0, errY = 0;
    for (int i = 0; i < n; ++i) {
        int value = 4 + 32 + 128;
        if (dx >= 1)
            value += 2;
        if (dy >= 1)
            value += 16;
        errX += std::abs(dx);
        errY += std::abs(dy);
        if (errX >= n) {
            errX -= n;
            value += 1;
        }
        if (errY >= n) {
            errY -= n;
            value += 8;
        }
        out.push_back(std::uint8_t(value));
    }
    return out;
}

} // namespace

TEST(StepBytes, MatchAnIndependentDda)
{
    const std::pair<int, int> moves[] = {
        {10, 0}, {0, 10}, {-10, 0}, {0, -7},            // axis-aligned
        {5, 5}, {-5, -5}, {6, -6},                       // diagonal
        {3, 7}, {7, 3}, {-2, 9}, {1, 100}, {100, -1},    // steep and shallow
        {0, 0}, {1, 0}, {-1, 1}, {333, 1000}, {-999, 998},
    };
    for (auto [dx, dy] : moves) {
        const std::vector<std::uint8_t> bytes = stepBytes(dx, dy);
        EXPECT_EQ(bytes, referenceDda(dx, dy)) << dx << "," << dy;
        int sx = 0, sy = 0;
        for (std::uint8_t b : bytes) {
            EXPECT_EQ(b & 64, 0);
            EXPECT_EQ(b & (4 | 32 | 128), 4 | 32 | 128);
            sx += b & 1;
            sy += (b & 8) ? 1 : 0;
        }
        EXPECT_EQ(sx, std::abs(dx));
        EXPECT_EQ(sy, std::abs(dy));
    }
    EXPECT_EQ(stepBytes(2, 1), (std::vector<std::uint8_t>{164 + 2 + 16 + 1, 164 + 2 + 16 + 1 + 8}));
}

TEST(StepBytes, TargetsAndSpacing)
{
    int x = 0, y = 0;
    ASSERT_TRUE(stepTarget({0, 0, 0, 10.0, -5.0}, 0.1, 0.05, &x, &y));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, -100);
    EXPECT_FALSE(stepTarget({0, 0, 0, 1, 1}, 0, 0.1, &x, &y)); // fresh settings: no resolution
    EXPECT_FALSE(stepTarget({0, 0, 0, 1e30, 1}, 0.1, 0.1, &x, &y));
    EXPECT_EQ(cuttingStepInterval(10, 100, 600, 0), 10000); // 10 mm at 10 mm/s over 100 steps
    EXPECT_EQ(cuttingStepInterval(10, 100, 600, 20000), 20000);
    EXPECT_EQ(cuttingStepInterval(10, 100, 0, 0), 1000);
    EXPECT_EQ(positioningStepInterval(5), 500);
}

namespace {

struct StepRig
{
    StepRig()
        : gen({[this](std::uint8_t b) {
                   written.push_back(b);
                   if (onWrite)
                       onWrite();
                   return alive;
               },
               [this] { return paused; }, [this] { return cancelled; },
               [this] {
                   ++events;
                   if (onEvents)
                       onEvents();
               },
               {}, {}})
    {
    }
    std::vector<std::uint8_t> written;
    bool paused = false, cancelled = false, alive = true;
    int events = 0;
    std::function<void()> onWrite, onEvents;
    StepGenerator gen;
};

} // namespace

TEST(StepGenerator, CutWalksTheEndPointsAndCloses)
{
    StepRig rig;
    const std::vector<CutRecord> records = {{0, 0, 0, 1, 0}, {1, 1, 0, 1, 1}, {2, 1, 1, 0, 0}};
    EXPECT_EQ(rig.gen.cut(records, 0.5, 0.5, 0, 1), StepOutcome::Done);
    std::vector<std::uint8_t> expected;
    for (auto [dx, dy] : {std::pair{2, 0}, {0, 2}, {-2, -2}}) {
        const auto b = stepBytes(dx, dy);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    expected.push_back(kClosingStepByte);
    EXPECT_EQ(rig.written, expected);
    EXPECT_EQ(rig.gen.x(), 0);
    EXPECT_EQ(rig.gen.y(), 0);
    EXPECT_EQ(rig.gen.cut(records, 0, 0.5, 0, 1), StepOutcome::BadSettings);
}

TEST(StepGenerator, SpeedChangedDuringACutTakesEffectAtTheNextRecord)
{
    // Two 5 mm records of 5 steps each: the first at 30000 mm/min (2 ms a
    // step), then the operator slows to 3000 (20 ms a step). Steps never leave
    // early, so the second move lasts about its four intervals (its first
    // byte leaves a moment after the move starts); at the old speed it
    // would last 8 ms.
    int speed = 30000;
    std::vector<qint64> times;
    StepGenerator gen({[&](std::uint8_t) {
                           if (times.size() == 5)
                               speed = 3000;
                           return true;
                       },
                       {}, {}, {}, [&] { return speed; }, {}});
    gen.recordWriteTimes(&times);
    ASSERT_EQ(gen.cut({{0, 0, 0, 5, 0}, {1, 5, 0, 10, 0}}, 1, 1, 30000, 0), StepOutcome::Done);
    ASSERT_EQ(times.size(), 10u);
    EXPECT_GE(times[9] - times[5], 70'000'000LL);
}

TEST(StepGenerator, PauseAndCancelActBetweenSteps)
{
    StepRig rig;
    // Pause after the third byte; the pause holds while events are processed
    // and ends on the fifth round of events.
    rig.onWrite = [&] {
        if (rig.written.size() == 3)
            rig.paused = true;
    };
    rig.onEvents = [&] {
        if (rig.paused && rig.events >= 5) {
            EXPECT_EQ(rig.written.size(), 3u);
            rig.paused = false;
        }
    };
    EXPECT_EQ(rig.gen.move(10, 0, 10), StepOutcome::Done);
    EXPECT_EQ(rig.written.size(), 10u);

    StepRig cancel;
    cancel.onWrite = [&] {
        if (cancel.written.size() == 4)
            cancel.cancelled = true;
    };
    EXPECT_EQ(cancel.gen.cut({{0, 0, 0, 10, 10}}, 1, 1, 0, 1), StepOutcome::Cancelled);
    EXPECT_EQ(cancel.written.size(), 4u);
    EXPECT_EQ(cancel.gen.x(), 4);

    StepRig dead;
    dead.alive = false;
    EXPECT_EQ(dead.gen.move(5, 5, 1), StepOutcome::PortFailed);
    EXPECT_EQ(dead.written.size(), 1u);
}
