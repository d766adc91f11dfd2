#include "controller/stepper.h"

#include <QElapsedTimer>
#include <QThread>

#include <cmath>
#include <cstdlib>

namespace cutdeck {

std::vector<std::uint8_t> stepBytes(int dx, int dy)
{
    const qint64 ax = std::llabs(qint64(dx));
    const qint64 ay = std::llabs(qint64(dy));
    const qint64 n = qMax(ax, ay);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size_t(n));
    std::uint8_t base = kIdleStepByte;
    if (dx > 0)
        base |= 2;
    if (dy > 0)
        base |= 16;
    for (qint64 k = 1; k <= n; ++k) {
        std::uint8_t b = base;
        // The integer part of k·|d|/n grows by one exactly when that axis steps.
        if ((k * ax) / n > ((k - 1) * ax) / n)
            b |= 1;
        if ((k * ay) / n > ((k - 1) * ay) / n)
            b |= 8;
        bytes.push_back(b);
    }
    return bytes;
}

bool stepTarget(const CutRecord &r, double resolutionX, double resolutionY, int *x, int *y)
{
    if (!(resolutionX > 0) || !(resolutionY > 0))
        return false;
    const double sx = std::round(r.x2 / resolutionX);
    const double sy = std::round(r.y2 / resolutionY);
    constexpr double kLimit = 1e9;
    if (!std::isfinite(sx) || !std::isfinite(sy) || std::fabs(sx) > kLimit || std::fabs(sy) > kLimit)
        return false;
    *x = int(sx);
    *y = int(sy);
    return true;
}

qint64 cuttingStepInterval(double lengthMm, int iterations, int speed, int baseStepTimeUs)
{
    const qint64 base = baseStepTimeUs > 0 ? baseStepTimeUs : 0;
    if (speed <= 0 || iterations <= 0 || !(lengthMm > 0))
        return base > 0 ? base : 1000;
    const double us = lengthMm / speed * 60e6 / iterations;
    return qMax(base, qint64(std::llround(std::fmin(us, 1e9))));
}

StepOutcome StepGenerator::move(int dx, int dy, qint64 intervalUs)
{
    const std::vector<std::uint8_t> bytes = stepBytes(dx, dy);
    const int sx = dx > 0 ? 1 : -1;
    const int sy = dy > 0 ? 1 : -1;
    const qint64 interval = intervalUs * 1000;
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = 0;
    qint64 lastEvents = 0;
    for (std::uint8_t b : bytes) {
        if (m_hooks.cancelled && m_hooks.cancelled())
            return StepOutcome::Cancelled;
        if (m_hooks.paused && m_hooks.paused()) {
            while (m_hooks.paused() && !(m_hooks.cancelled && m_hooks.cancelled())) {
                if (m_hooks.processEvents)
                    m_hooks.processEvents();
                QThread::usleep(1000);
            }
            if (m_hooks.cancelled && m_hooks.cancelled())
                return StepOutcome::Cancelled;
            // Go on evenly from now instead of catching up the paused time.
            deadline = clock.nsecsElapsed();
        }
        // Spin to the deadline; the window gets its turn while there is time
        // to spare, and at least every few milliseconds.
        for (;;) {
            const qint64 now = clock.nsecsElapsed();
            const qint64 left = deadline - now;
            if (left <= 0)
                break;
            if (m_hooks.processEvents && (left > 300000 || now - lastEvents > 5000000)) {
                m_hooks.processEvents();
                lastEvents = clock.nsecsElapsed();
            }
        }
        const qint64 sentAt = clock.nsecsElapsed();
        // Late by more than a step (the system held us up): go on from now.
        // Catching up would fire the missed steps in a burst, which a
        // stepper motor cannot follow.
        if (sentAt - deadline > interval)
            deadline = sentAt;
        if (m_times)
            m_times->push_back(sentAt);
        if (!m_hooks.write(b))
            return StepOutcome::PortFailed;
        if (b & 1)
            m_x += sx;
        if (b & 8)
            m_y += sy;
        deadline += interval;
        const qint64 now = clock.nsecsElapsed();
        if (m_hooks.processEvents && now - lastEvents > 5000000) {
            m_hooks.processEvents();
            lastEvents = clock.nsecsElapsed();
        }
    }
    // The last step keeps its full spacing before whatever comes next.
    while (!bytes.empty() && clock.nsecsElapsed() < deadline) {
    }
    return StepOutcome::Done;
}

StepOutcome StepGenerator::cut(const std::vector<CutRecord> &records, double resolutionX, double resolutionY,
                               int speed, int baseStepTimeUs)
{
    double lastX = 0, lastY = 0;
    for (const CutRecord &r : records) {
        int tx = 0, ty = 0;
        if (!stepTarget(r, resolutionX, resolutionY, &tx, &ty))
            return StepOutcome::BadSettings;
        const qint64 dx = qint64(tx) - m_x;
        const qint64 dy = qint64(ty) - m_y;
        if (std::llabs(dx) > 1000000000 || std::llabs(dy) > 1000000000)
            return StepOutcome::BadSettings;
        const double length = std::hypot(r.x2 - lastX, r.y2 - lastY);
        lastX = r.x2;
        lastY = r.y2;
        const int n = int(qMax(std::llabs(dx), std::llabs(dy)));
        const int now = m_hooks.speed ? m_hooks.speed() : speed;
        const StepOutcome o = move(int(dx), int(dy), cuttingStepInterval(length, n, now, baseStepTimeUs));
        if (o != StepOutcome::Done)
            return o;
        if (m_hooks.reached)
            m_hooks.reached(r);
    }
    if (m_hooks.cancelled && m_hooks.cancelled())
        return StepOutcome::Cancelled;
    return m_hooks.write(kClosingStepByte) ? StepOutcome::Done : StepOutcome::PortFailed;
}

} // namespace cutdeck
