#include "core/autojoin.h"

#include "core/commands.h"
#include "core/drawing.h"
#include "core/drawingview.h"
#include "core/joinplanner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QMutex>
#include <QPointer>
#include <QUndoStack>
#include <QtConcurrent>

#include <deque>
#include <memory>

namespace {

// Keeps a window alive during a long run without letting the event loop eat
// the run's time: repaints and timers every so often, never user input.
constexpr qint64 EventIntervalMs = 50;

// The GUI-thread side of a run: pushes the chosen joints and shows progress.
// The macro is opened with the first joint, so a run that finds nothing to
// add leaves no empty entry on the undo stack and the drawing unmodified.
class JoinSink
{
public:
    JoinSink(Drawing &drawing, bool processEvents)
        : m_drawing(&drawing)
        , m_processEvents(processEvents)
    {
        m_sinceEvents.start();
    }

    void begin()
    {
        if (DrawingView *view = m_drawing->view())
            view->setCacheUpdatesEnabled(false);
    }

    void apply(const JoinStep &step)
    {
        if (step.joint) {
            if (!m_macroOpen) {
                m_drawing->undoStack()->beginMacro(
                    QCoreApplication::translate("GeometryOperation", "Auto-join"));
                m_macroOpen = true;
            }
            m_drawing->undoStack()->push(new AddJointCommand(m_drawing, *step.joint));
        }
        DrawingView *view = m_drawing->view();
        if (!view || !view->overlayVisible())
            return;
        view->setOverlayProgress(step.fraction);
        if (m_processEvents && m_sinceEvents.elapsed() >= EventIntervalMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents
                                            | QEventLoop::ExcludeSocketNotifiers);
            m_sinceEvents.restart();
        }
    }

    void end()
    {
        if (m_macroOpen)
            m_drawing->undoStack()->endMacro();
        m_macroOpen = false;
        if (DrawingView *view = m_drawing->view())
            view->setCacheUpdatesEnabled(true);
    }

private:
    Drawing *m_drawing;
    bool m_processEvents;
    bool m_macroOpen = false;
    QElapsedTimer m_sinceEvents;
};

// The road from the planner in the pool to the drawing's thread. The worker
// appends steps and posts one drain call whenever none is pending; a drain
// applies steps for a slice of time and then yields to the event loop, so
// the window handles input between slices instead of after the whole run,
// and no event loop is ever nested.
class StepChannel : public std::enable_shared_from_this<StepChannel>
{
public:
    StepChannel(Drawing &drawing, std::function<void()> finished)
        : m_target(&drawing)
        , m_sink(drawing, false)
        , m_finished(std::move(finished))
    {
    }

    void begin()
    {
        m_sink.begin();
        m_begun = true;
    }

    // Worker side.
    void put(const JoinStep &step)
    {
        QMutexLocker lock(&m_mutex);
        m_steps.push_back(step);
        postDrainLocked();
    }

    void close()
    {
        QMutexLocker lock(&m_mutex);
        m_closed = true;
        postDrainLocked();
    }

private:
    static constexpr qint64 SliceMs = 20;

    void postDrainLocked()
    {
        if (m_drainPosted)
            return;
        m_drainPosted = true;
        QMetaObject::invokeMethod(m_target, [self = shared_from_this()] { self->drain(); },
                                  Qt::QueuedConnection);
    }

    // Drawing's thread.
    void drain()
    {
        QElapsedTimer slice;
        slice.start();
        std::vector<JoinStep> batch;
        for (;;) {
            bool finish = false;
            {
                QMutexLocker lock(&m_mutex);
                if (m_steps.empty()) {
                    m_drainPosted = false;
                    finish = m_closed && !m_done;
                    m_done = m_done || finish;
                } else {
                    const size_t n = std::min<size_t>(m_steps.size(), 64);
                    batch.assign(m_steps.begin(), m_steps.begin() + long(n));
                    m_steps.erase(m_steps.begin(), m_steps.begin() + long(n));
                }
            }
            if (batch.empty()) {
                if (finish) {
                    if (m_begun)
                        m_sink.end();
                    if (m_finished)
                        m_finished();
                }
                return;
            }
            for (const JoinStep &step : batch)
                m_sink.apply(step);
            batch.clear();
            if (slice.elapsed() >= SliceMs) {
                // Still marked as posted: the next slice comes after the
                // events that are waiting now.
                QMetaObject::invokeMethod(m_target, [self = shared_from_this()] { self->drain(); },
                                          Qt::QueuedConnection);
                return;
            }
        }
    }

    Drawing *m_target;
    JoinSink m_sink;
    std::function<void()> m_finished;
    QMutex m_mutex;
    std::deque<JoinStep> m_steps;
    bool m_drainPosted = false;
    bool m_closed = false;
    bool m_done = false;
    bool m_begun = false; // an empty drawing has no run to end
};

} // namespace

void autoJoin(Drawing &drawing)
{
    if (drawing.objects().empty())
        return;
    JoinSink sink(drawing, true);
    sink.begin();
    JoinPlanner planner(drawing);
    while (const std::optional<JoinStep> step = planner.next())
        sink.apply(*step);
    sink.end();
}

// The planner reads the drawing here, in its own thread, and works on its
// copy in the pool. The steps travel back through one channel in the order
// they were chosen. Should the drawing go away meanwhile, Qt drops the
// drain calls addressed to it.
QFuture<void> startAutoJoin(Drawing &drawing, std::function<void()> finished)
{
    auto channel = std::make_shared<StepChannel>(drawing, std::move(finished));
    std::shared_ptr<JoinPlanner> planner;
    if (!drawing.objects().empty()) {
        channel->begin();
        planner = std::make_shared<JoinPlanner>(drawing);
    }
    return QtConcurrent::run([channel, planner] {
        if (planner)
            while (const std::optional<JoinStep> step = planner->next())
                channel->put(*step);
        channel->close();
    });
}
