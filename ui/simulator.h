#pragma once

#include "core/drawing.h"
#include "ui/simulationobject.h"

#include <QMetaType>
#include <QObject>
#include <QPointer>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class GraphWidget;
class QGraphicsScene;
class QTimer;

// Paces the cutting simulation. During a run it lives on a worker thread of
// its own and drives the view only through queued signals: it never touches
// a graphics item, it only hands their addresses back to the GUI thread.
class Simulator : public QObject
{
    Q_OBJECT
public:
    // What the worker needs of one simulation item: the item to report on
    // (none for the veil) and the length of its outline.
    struct Track
    {
        SimulationObject *item = nullptr;
        double totalLength = 0;
    };

    // `scene` is the one the simulation is shown in, repainted every 25 ms.
    Simulator(GraphWidget *view, QGraphicsScene *scene);
    ~Simulator() override;

    // GUI thread, between runs: the copy of the drawing to walk. The worker
    // turns it into the cutting path and measures its objects (pathReady).
    void prepare(std::unique_ptr<Drawing> drawing);
    // GUI thread, after pathReady: the objects of the path with their
    // outlines, for the items to be made from.
    std::vector<std::pair<Object *, SimulationObject::Outline>> takeOutlines();
    // GUI thread: one track per simulation item, in list order (the veil
    // first); the walk then starts on the worker.
    void startWalk(std::vector<Track> tracks);
    QTimer *timer() const { return m_timer; }

signals:
    void finished();
    // The cutting path is built and measured: the view makes its items.
    void pathReady();
    // percent is the walked distance in drawing units.
    void updatePathPercent(SimulationObject *itm, double percent, double totalLen);
    // Emitted on the worker when the pause before object `index` starts;
    // lets tests act at that exact moment (connect it directly).
    void pauseBeforeObject(int index);

public slots:
    void simulate();
    void loop();
    void objectLoop();

private:
    void finish();
    void nextObject();
    void scheduleLoop(int ms);
    void scheduleObjectLoop();

    QTimer *m_timer;
    std::unique_ptr<Drawing> m_drawing;
    int m_itemIndex = 0;
    double m_walked = 0;
    double m_total = 0;
    GraphWidget *m_view;
    QGraphicsScene *m_scene;
    QThread *m_home; // where the simulator lives between runs

    // The worker holds the lock for the whole of each slot and the GUI thread
    // takes it only between runs, so it is never contended; it makes the
    // hand-over of the run state visible to race detectors, which cannot see
    // through Qt's own event-queue locking.
    std::mutex m_runLock;
    std::vector<Track> m_tracks;
    std::vector<std::pair<Object *, SimulationObject::Outline>> m_outlines;
    int m_objectCount = 0;
    bool m_done = true;
};
