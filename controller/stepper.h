#pragma once

#include "controller/jobfile.h"

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <vector>

namespace cutdeck {

// Step mode: the board has no interpreter, so the program splits each move
// into motor steps and sends one byte per step:
//   1 X step, 2 X direction (dx > 0), 8 Y step, 16 Y direction (dy > 0),
//   4, 32 and 128 always set; 64 never.
constexpr std::uint8_t kIdleStepByte = 4 | 32 | 128;
// Sent after the last record of a cut: no step, no direction.
constexpr std::uint8_t kClosingStepByte = kIdleStepByte;

// The bytes of a straight move of dx, dy steps, split by a digital
// differential analyser over max(|dx|, |dy|) iterations. The accumulators are
// exact (integer), so a move always makes exactly |dx| and |dy| steps.
std::vector<std::uint8_t> stepBytes(int dx, int dy);

// Target of a record in motor steps: its end point over the resolutions
// (millimetres per step), rounded; false when a resolution is not positive or
// the result does not fit.
bool stepTarget(const CutRecord &r, double resolutionX, double resolutionY, int *x, int *y);

// Spacing of the iterations of a cutting move, microseconds: the move's
// length at `speed` mm/min spread over its iterations, never shorter than the
// base step time. Without a speed the base step time alone (1000 µs if that
// is 0 too).
qint64 cuttingStepInterval(double lengthMm, int iterations, int speed, int baseStepTimeUs);

// Positioning and jog moves: velpos × 100 µs per step.
inline qint64 positioningStepInterval(int velpos)
{
    return qMax<qint64>(0, velpos) * 100;
}

struct StepHooks
{
    std::function<bool(std::uint8_t)> write;   // false: the port is dead
    std::function<bool()> paused;               // checked before each step
    std::function<bool()> cancelled;            // checked before each step
    std::function<void()> processEvents;        // keeps the window alive
    // The cutting speed now in force (mm/min), read before each record so the
    // operator's + and - act during a cut; unset = the speed given to cut().
    std::function<int()> speed;
    // Called when a record's move is complete, for the form's drawing.
    std::function<void(const CutRecord &)> reached;
};

enum class StepOutcome { Done, Cancelled, PortFailed, BadSettings };

// Writes moves step by step with even spacing, timed by the monotonic clock
// on absolute deadlines (no drift over a long move). Pause waits between
// steps; cancel ends at once.
class StepGenerator
{
public:
    explicit StepGenerator(StepHooks hooks) : m_hooks(std::move(hooks)) {}

    StepOutcome move(int dx, int dy, qint64 intervalUs);
    // Walks the records: each one moves from the current step position to its
    // end point's target. The closing byte follows the last record.
    StepOutcome cut(const std::vector<CutRecord> &records, double resolutionX, double resolutionY, int speed,
                    int baseStepTimeUs);

    int x() const { return m_x; }
    int y() const { return m_y; }
    void resetPosition() { m_x = m_y = 0; }
    // When set, the clock reading (ns) of every byte written is appended.
    void recordWriteTimes(std::vector<qint64> *times) { m_times = times; }

private:
    StepHooks m_hooks;
    int m_x = 0;
    int m_y = 0;
    std::vector<qint64> *m_times = nullptr;
};

} // namespace cutdeck
