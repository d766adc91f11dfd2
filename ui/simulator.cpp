#include "ui/simulator.h"

#include "ui/graphwidget.h"

#include <QGraphicsScene>
#include <QThread>
#include <QTimer>

#include <algorithm>

Simulator::Simulator(GraphWidget *view, QGraphicsScene *scene)
    : m_timer(new QTimer), m_view(view), m_scene(scene), m_home(view->thread())
{
    qRegisterMetaType<SimulationObject *>("SimulationObject*");
    m_timer->setInterval(25);
    connect(this, &Simulator::finished, m_timer, qOverload<>(&QTimer::stop));
}

Simulator::~Simulator()
{
    std::lock_guard<std::mutex> lock(m_runLock);
    delete m_timer;
}

void Simulator::prepare(std::unique_ptr<Drawing> drawing)
{
    std::lock_guard<std::mutex> lock(m_runLock);
    m_drawing = std::move(drawing);
    m_objectCount = 0;
    m_tracks.clear();
    m_outlines.clear();
    m_itemIndex = 0;
    m_done = false;
}

std::vector<std::pair<Object *, SimulationObject::Outline>> Simulator::takeOutlines()
{
    std::lock_guard<std::mutex> lock(m_runLock);
    return std::move(m_outlines);
}

void Simulator::startWalk(std::vector<Track> tracks)
{
    {
        std::lock_guard<std::mutex> lock(m_runLock);
        m_tracks = std::move(tracks);
        m_objectCount = m_drawing ? int(m_drawing->objects().size()) : 0;
        m_itemIndex = 0;
    }
    QMetaObject::invokeMethod(this, &Simulator::objectLoop, Qt::QueuedConnection);
}

// Building the path and measuring a large drawing takes a while: done here,
// it keeps the GUI thread free while the veil goes up.
void Simulator::simulate()
{
    {
        std::lock_guard<std::mutex> lock(m_runLock);
        m_itemIndex = 0;
        if (m_drawing) {
            m_drawing->buildCuttingPath();
            m_outlines.reserve(m_drawing->objects().size());
            for (Object *o : m_drawing->objects())
                m_outlines.emplace_back(o, SimulationObject::Outline::of(*o));
        }
    }
    disconnect(m_timer, &QTimer::timeout, nullptr, nullptr);
    QGraphicsScene *scene = m_scene;
    connect(m_timer, &QTimer::timeout, scene, [scene] { scene->update(); });
    QMetaObject::invokeMethod(m_timer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    emit pathReady();
}

void Simulator::objectLoop()
{
    std::lock_guard<std::mutex> lock(m_runLock);
    nextObject();
}

// Moves on to the next object and schedules its first step after the pause.
// Objects without length have no step: they are shown complete at once and
// the walk goes on with the one after.
void Simulator::nextObject()
{
    for (;;) {
        const int i = m_itemIndex;
        if (i >= m_objectCount || i + 1 >= int(m_tracks.size())) {
            finish();
            return;
        }
        m_itemIndex = i + 1;
        const Track &track = m_tracks[size_t(i + 1)];
        if (!track.item)
            continue;
        m_total = track.totalLength;
        m_walked = 0;
        if (m_total > 0) {
            emit pauseBeforeObject(i);
            scheduleLoop(int(m_view->simulationDelay() / 1000));
            return;
        }
        if (m_view->stopRequested()) {
            finish();
            return;
        }
        emit updatePathPercent(track.item, m_total, m_total);
    }
}

void Simulator::loop()
{
    std::lock_guard<std::mutex> lock(m_runLock);
    if (m_done)
        return;
    if (m_itemIndex >= int(m_tracks.size()) || !m_tracks[size_t(m_itemIndex)].item) {
        finish();
        return;
    }
    SimulationObject *item = m_tracks[size_t(m_itemIndex)].item;
    if (m_view->stopRequested()) {
        finish();
        return;
    }
    emit updatePathPercent(item, m_walked, m_total);
    const double d = m_view->simulationDelay();
    m_walked += std::max(1.0, 10 - d / 1000);
    if (m_walked <= m_total) {
        scheduleLoop(int(std::max(1.0, d / 1000)));
    } else {
        emit updatePathPercent(item, m_total, m_total);
        scheduleObjectLoop();
    }
}

// Precise: a coarse timer may round a 1 ms step up to several.
void Simulator::scheduleLoop(int ms)
{
    QTimer::singleShot(ms, Qt::PreciseTimer, this, &Simulator::loop);
}

void Simulator::scheduleObjectLoop()
{
    QTimer::singleShot(0, this, &Simulator::objectLoop);
}

// Hands the simulator back to the GUI thread (only the thread an object lives
// in may move it) before the view learns that the run is over.
void Simulator::finish()
{
    m_done = true;
    if (thread() != m_home)
        moveToThread(m_home);
    emit finished();
}
