#include "core/autojoin.h"

#include "core/commands.h"
#include "core/drawing.h"
#include "core/drawingview.h"
#include "core/joinplanner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QUndoStack>
#include <QtConcurrent>

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
// copy in the pool. Every step travels back as one queued call to the
// drawing; calls from one thread to one receiver arrive in the order they
// were made, so the joints are pushed in the order they were chosen. Should
// the drawing go away meanwhile, Qt drops the calls addressed to it.
QFuture<void> startAutoJoin(Drawing &drawing, std::function<void()> finished)
{
    Drawing *target = &drawing;
    std::shared_ptr<JoinSink> sink;
    std::shared_ptr<JoinPlanner> planner;
    if (!drawing.objects().empty()) {
        sink = std::make_shared<JoinSink>(drawing, false);
        sink->begin();
        planner = std::make_shared<JoinPlanner>(drawing);
    }
    return QtConcurrent::run([target, sink, planner, finished = std::move(finished)] {
        if (planner) {
            while (const std::optional<JoinStep> step = planner->next()) {
                QMetaObject::invokeMethod(target, [sink, s = *step] { sink->apply(s); },
                                          Qt::QueuedConnection);
            }
        }
        QMetaObject::invokeMethod(target, [sink, finished] {
            if (sink)
                sink->end();
            if (finished)
                finished();
        }, Qt::QueuedConnection);
    });
}
