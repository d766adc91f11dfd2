#include "ui/graphwidget.h"

#include "core/commands.h"
#include "formats/settings.h"
#include "ui/drawingitems.h"
#include "ui/getpointdialog.h"
#include "ui/mygraphicsscene.h"
#include "ui/overlayitem.h"
#include "ui/qdruler.h"
#include "ui/simulationobject.h"
#include "ui/simulator.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPixmapCache>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

#include <utility>

#include <algorithm>
#include <cmath>

std::function<QAction *(QMenu &, const QPoint &)> GraphWidget::menuRunner;
int GraphWidget::fadeStepMs = 100;

namespace {
constexpr double minScale = 0.2;
constexpr double maxScale = 200;

QString elementsText(const char *text)
{
    return QCoreApplication::translate("DrawingElements", text);
}
} // namespace

GraphWidget::GraphWidget(QWidget *parent)
    : QGraphicsView(parent), m_cachedDrawing(std::make_unique<Drawing>()),
      m_drawing(std::make_unique<Drawing>())
{
    registerObjectMetaTypes();
    m_drawing->setView(this);
    m_overlay = new OverlayItem(this);

    m_scene = new MyGraphicsScene(this);
    // The BSP index gets lost in drawings whose shapes lie on top of each
    // other (10,000 identical triangles take minutes and gigabytes to paint
    // once); a plain scan over one item per shape stays linear.
    m_scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(m_scene);
    setCacheMode(CacheBackground);
    setViewportUpdateMode(MinimalViewportUpdate);
    setRenderHint(QPainter::Antialiasing);
    setTransformationAnchor(AnchorUnderMouse);
    scale(1, -1);
    setDragMode(ScrollHandDrag);
    viewport()->setCursor(Qt::ArrowCursor);
    setOptimizationFlags(DontSavePainterState | DontAdjustForAntialiasing);
    setAutoFillBackground(false);
    setAcceptDrops(true);

    connect(m_drawing.get(), &Drawing::jointAdded, this, &GraphWidget::addDrawingJoint);
    connect(m_drawing.get(), &Drawing::jointRemoved, this, &GraphWidget::removeDrawingJoint);
    // Readers that bring joints along, linking and the undo of a linking
    // change thousands of joints at once: each only marks the cache stale.
    auto jointsChanged = [this] {
        invalidateCache();
        emit drawingChanged();
    };
    connect(m_drawing.get(), &Drawing::jointAdded, this, jointsChanged);
    connect(m_drawing.get(), &Drawing::jointRemoved, this, jointsChanged);

    setViewportMargins(16, 16, 0, 0);
    auto *grid = new QGridLayout;
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    m_anchorButton = new QToolButton;
    m_anchorButton->setFixedSize(16, 16);
    m_anchorButton->setIcon(QIcon(QStringLiteral(":/Kerfloom/Resources/anchor.png")));
    m_anchorButton->setIconSize(QSize(16, 16));
    m_anchorButton->setStyleSheet(QStringLiteral("border: none; background: white;"));
    connect(m_anchorButton, &QToolButton::clicked, this, &GraphWidget::setAnchorFromButton);
    m_hRuler = new QDRuler(QDRuler::Horizontal);
    m_vRuler = new QDRuler(QDRuler::Vertical);
    grid->addWidget(m_anchorButton, 0, 0);
    grid->addWidget(m_hRuler, 0, 1);
    grid->addWidget(m_vRuler, 1, 0);
    grid->addWidget(viewport(), 1, 1);
    setLayout(grid);

    m_simScene = new QGraphicsScene(this);
    m_simulator = std::make_unique<Simulator>(this, m_simScene);
    connect(m_simulator.get(), &Simulator::updatePathPercent, this,
            &GraphWidget::updateItemPathPercent);
    connect(m_simulator.get(), &Simulator::finished, this, &GraphWidget::deleteSimItems);
    connect(m_simulator.get(), &Simulator::pathReady, this, &GraphWidget::addSimulationObjects);
}

GraphWidget::~GraphWidget()
{
    endSimulationThread();
    // A copy being built still reads the drawing.
    m_cacheBuild.waitForFinished();
    // The items refer to the drawing's points: they go first.
    m_tempJoint = nullptr;
    m_pointSets.clear();
    m_objectItems.clear();
    m_jointItems.clear();
    m_simScene->clear();
    m_scene->clear();
    m_drawing->setView(nullptr);
    // A long operation moves the overlay onto the parent so it covers the
    // rulers too; it would outlive this view there, picture and all.
    if (m_overlay && m_overlay->parent() != this)
        delete m_overlay;
}

OverlayItem *GraphWidget::overlay() const
{
    return m_overlay;
}

QUndoStack *GraphWidget::undoStack() const
{
    return m_drawing->undoStack();
}

void GraphWidget::setDrawOptions(bool drawPoints, bool scalePoints, bool scaleLines, bool drawArrows)
{
    m_drawPoints = drawPoints;
    m_scalePoints = scalePoints;
    m_scaleLines = scaleLines;
    m_drawArrows = drawArrows;
}

// ---- long operations --------------------------------------------------------

void GraphWidget::beginLongOperation(const QString &message)
{
    if (m_overlay->isBusy())
        return;
    QWidget *host = parentWidget() ? parentWidget() : this;
    if (m_overlay->parentWidget() != host)
        m_overlay->setParent(host);
    m_overlay->showWithMessage(message);
    setUpdatesEnabled(false);
}

void GraphWidget::endLongOperation()
{
    m_overlay->hideOverlay();
    if (!m_deferredJoints.empty()) {
        const std::vector<Object::Joint> joints = std::move(m_deferredJoints);
        m_deferredJoints.clear();
        for (const Object::Joint &j : joints)
            addJointItem(j);
    }
    setUpdatesEnabled(true);
}

bool GraphWidget::overlayVisible() const
{
    return m_overlay->isBusy();
}

void GraphWidget::setOverlayProgress(double fraction)
{
    if (!m_overlay->isBusy())
        return;
    const double before = m_overlay->progress();
    m_overlay->setProgress(fraction);
    if (int(before * 100) != int(m_overlay->progress() * 100))
        m_overlay->update();
}

void GraphWidget::setProgress(double fraction)
{
    if (!m_overlay->isBusy())
        return;
    const double before = m_overlay->progress();
    m_overlay->setProgress(fraction);
    // Whole percents are all the bar can show; more repaints only cost time.
    if (int(before * 100) == int(m_overlay->progress() * 100) && fraction > 0)
        return;
    m_overlay->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents
                                    | QEventLoop::ExcludeSocketNotifiers);
}

// ---- rebuild ----------------------------------------------------------------

void GraphWidget::updateDrawing()
{
    if (m_simulationRunning) {
        m_rebuildPending = true;
        return;
    }
    initDrawing(false);
}

void GraphWidget::addObjectItems(Object *object)
{
    // A shape without points shows nothing and cannot be clicked.
    if (!m_itemsShown || object->isEmpty())
        return;
    QPolygonF polygon;
    polygon.reserve(object->size());
    for (const Object::Point *p : object->points)
        polygon << p->pos();
    ObjectItems &items = m_objectItems[object];
    if (m_drawPoints && !polygon.isEmpty()) {
        items.points = new DrawingPointSet(this, object, polygon, m_scalePoints);
        m_scene->addItem(items.points);
        m_pointSets.push_back(items.points);
    }
    items.shape = new DrawingObject(this, object, polygon, m_scaleLines, m_drawArrows,
                                    m_drawing->isReversed());
    m_scene->addItem(items.shape);
}

void GraphWidget::removeObjectItems(const Object *object)
{
    const auto it = m_objectItems.find(object);
    if (it == m_objectItems.end())
        return;
    if (DrawingPointSet *set = it->second.points) {
        m_pointSets.erase(std::remove(m_pointSets.begin(), m_pointSets.end(), set), m_pointSets.end());
        m_scene->removeItem(set);
        delete set;
    }
    if (DrawingObject *shape = it->second.shape) {
        m_scene->removeItem(shape);
        delete shape;
    }
    m_objectItems.erase(it);
}

void GraphWidget::pointInserted(Object::Point *point)
{
    if (point && point->owner)
        objectChanged(point->owner);
}

// Called while the point is still in its shape: the items that show it go
// now, before it is deleted; objectChanged brings the shape back.
void GraphWidget::pointRemoved(Object::Point *point)
{
    if (point && point->owner)
        removeObjectItems(point->owner);
}

void GraphWidget::objectChanged(Object *object)
{
    invalidateCache();
    if (m_simulationRunning) {
        // The veiled picture stays as it was; the items follow at the end.
        removeObjectItems(object);
        m_rebuildPending = true;
    } else if (m_itemsShown) {
        const bool wasEnabled = updatesEnabled();
        setUpdatesEnabled(false);
        removeObjectItems(object);
        addObjectItems(object);
        setUpdatesEnabled(wasEnabled);
    }
    emit drawingChanged();
}

void GraphWidget::directionsChanged()
{
    invalidateCache();
    const bool reversed = m_drawing->isReversed();
    for (auto &entry : m_objectItems)
        if (entry.second.shape)
            entry.second.shape->setReversed(reversed);
    emit drawingChanged();
}

void GraphWidget::initDrawing(bool fit)
{
    // Under the veil the drawing is a picture taken at the start; the items
    // are rebuilt once, when the simulation is over.
    if (m_simulationRunning) {
        m_rebuildPending = true;
        return;
    }
    const bool wasEnabled = updatesEnabled();
    setUpdatesEnabled(false);
    const bool sceneBlocked = m_scene->blockSignals(true);
    const bool viewBlocked = blockSignals(true);
    ++m_generation;

    const QRectF bounds = m_drawing->boundingRect();
    m_tempJoint = nullptr;
    m_pointSets.clear();
    m_objectItems.clear();
    m_jointItems.clear();
    m_deferredJoints.clear();
    m_scene->clear();
    m_jointLayer = nullptr;
    m_scene->setSceneRect(bounds.adjusted(-10, -10, 10, 10));
    setProgress(0.5);

    const auto &objects = m_drawing->objects();
    const size_t n = objects.size();
    for (size_t i = 0; i < n; ++i) {
        addObjectItems(objects[i]);
        setProgress(0.5 + 0.5 * double(i) / double(n));
    }
    if (m_itemsShown && !m_drawing->startObject().points.empty())
        m_scene->addItem(new DrawingPoint(this, m_drawing->startObject().points.front(), true,
                                          m_scalePoints));
    if (m_itemsShown)
        for (const Object::Joint &j : m_drawing->joints())
            addJointItem(j);
    invalidateCache();

    blockSignals(viewBlocked);
    m_scene->blockSignals(sceneBlocked);
    // A long operation keeps the view frozen until it ends.
    setUpdatesEnabled(wasEnabled || !m_overlay->isBusy());
    if (fit)
        fitScene();
    emit drawingChanged();
}

void GraphWidget::setCacheUpdatesEnabled(bool enabled)
{
    m_cacheUpdatesEnabled = enabled;
}

void GraphWidget::updateCachedDrawing()
{
    if (m_cacheUpdatesEnabled)
        rebuildCache();
}

void GraphWidget::invalidateCache()
{
    m_cacheStale = true;
    m_cacheInvalidatedDuringBuild = m_cacheBuildPending;
}

struct GraphWidget::CacheBuild
{
    std::unique_ptr<Drawing> copy;
    CutFigures figures;
};

namespace {

std::shared_ptr<GraphWidget::CacheBuild> buildCache(std::unique_ptr<Drawing> copy)
{
    auto build = std::make_shared<GraphWidget::CacheBuild>();
    build->figures.openShapes = copy->hasOpenShapes();
    build->copy = std::move(copy);
    build->copy->buildCuttingPath();
    build->figures.objects = build->copy->objects().size();
    for (const Object *o : build->copy->objects())
        build->figures.points += o->points.size();
    return build;
}

} // namespace

void GraphWidget::settleLongOperation(std::function<void()> done)
{
    m_settleDone = std::move(done);
    // Edits are off until the operation ends: the pool may copy the drawing.
    if (m_cacheUpdatesEnabled && !m_cacheBuildPending)
        startCacheBuild(nullptr);
    QTimer::singleShot(0, this, &GraphWidget::addDeferredJointSlice);
}

void GraphWidget::startCacheBuild(Drawing *copy)
{
    // Freeing a million points costs as much as copying them: the old copy
    // goes to the pool as well.
    Drawing *old = m_cachedDrawing.release();
    if (old)
        old->moveAllToThread(nullptr);
    if (copy)
        copy->moveAllToThread(nullptr);
    m_cacheInvalidatedDuringBuild = false;
    m_cacheBuildPending = true;
    QThread *gui = thread();
    const Drawing *source = m_drawing.get();
    m_cacheBuild = QtConcurrent::run([copy, source, old, gui] {
        delete old;
        if (copy)
            return buildCache(std::unique_ptr<Drawing>(copy));
        auto build = buildCache(std::make_unique<Drawing>(*source));
        build->copy->moveAllToThread(gui);
        return build;
    });
    auto *watcher = new QFutureWatcher<std::shared_ptr<CacheBuild>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (adoptCacheBuild())
            emit drawingChanged();
        settleStepDone(); // a long operation may wait for this copy
    });
    watcher->setFuture(m_cacheBuild);
}

void GraphWidget::addDeferredJointSlice()
{
    QElapsedTimer slice;
    slice.start();
    // The view is frozen under the overlay and repaints whole when it goes:
    // a full-scene update spares the scene tracking every new item's area.
    m_scene->update();
    // Oldest first, so that the newest joint's item is the last one: an undo
    // takes the newest joints away first.
    size_t done = 0;
    while (done < m_deferredJoints.size() && slice.elapsed() < 15)
        for (int k = 0; k < 64 && done < m_deferredJoints.size(); ++k)
            addJointItem(m_deferredJoints[done++]);
    m_deferredJoints.erase(m_deferredJoints.begin(), m_deferredJoints.begin() + long(done));
    if (!m_deferredJoints.empty()) {
        QTimer::singleShot(0, this, &GraphWidget::addDeferredJointSlice);
        return;
    }
    settleStepDone();
}

void GraphWidget::settleStepDone()
{
    if (!m_settleDone || m_cacheBuildPending || !m_deferredJoints.empty())
        return;
    const std::function<void()> done = std::move(m_settleDone);
    m_settleDone = nullptr;
    done();
}

bool GraphWidget::adoptCacheBuild() const
{
    if (!m_cacheBuildPending)
        return false;
    m_cacheBuildPending = false;
    const std::shared_ptr<CacheBuild> build = m_cacheBuild.result();
    m_cacheBuild = {};
    // A copy made here and planned without a thread of its own is taken
    // back into this one.
    if (!build->copy->thread())
        build->copy->moveAllToThread(thread());
    m_cachedDrawing = std::move(build->copy);
    m_figures = build->figures;
    m_cacheStale = m_cacheInvalidatedDuringBuild;
    return true;
}

void GraphWidget::rebuildCache() const
{
    auto copy = std::make_unique<Drawing>(*m_drawing);
    copy->buildCuttingPath();
    CutFigures figures;
    figures.objects = copy->objects().size();
    for (const Object *o : copy->objects())
        figures.points += o->points.size();
    figures.openShapes = m_drawing->hasOpenShapes();
    m_cachedDrawing = std::move(copy);
    m_figures = figures;
    m_cacheStale = false;
}

const Drawing *GraphWidget::cachedDrawing() const
{
    adoptCacheBuild();
    if (m_cacheStale && m_cacheUpdatesEnabled)
        rebuildCache();
    return m_cachedDrawing.get();
}

const GraphWidget::CutFigures &GraphWidget::cutFigures() const
{
    // The status bar never waits for a copy still being built: it shows the
    // figures it had and follows when the copy is in.
    if (m_cacheBuildPending)
        return m_figures;
    adoptCacheBuild();
    if (m_cacheStale && m_cacheUpdatesEnabled && m_figures.points >= backgroundFigures) {
        // The user may edit on while the pool plans the cut, so it gets a
        // copy of its own, made here; the planning is the larger part.
        const_cast<GraphWidget *>(this)->startCacheBuild(new Drawing(*m_drawing));
        return m_figures;
    }
    cachedDrawing();
    return m_figures;
}


// ---- joints -----------------------------------------------------------------

void GraphWidget::addTempJoint(Object::Point *pt)
{
    discardTempJoint();
    if (!pt || !m_itemsShown)
        return;
    m_tempJoint = new DrawingJoint(this, pt, m_scaleLines);
    m_scene->addItem(m_tempJoint);
}

void GraphWidget::discardTempJoint()
{
    if (!m_tempJoint)
        return;
    m_scene->removeItem(m_tempJoint);
    delete m_tempJoint;
    m_tempJoint = nullptr;
}

namespace {
QPair<quintptr, quintptr> jointKey(const Object::Joint &joint)
{
    return {quintptr(joint.a), quintptr(joint.b)};
}
} // namespace

void GraphWidget::noteItemChange()
{
    // An undo or redo of a large link adds or removes thousands of items in
    // one go. Each would add its own small rectangle to the area to repaint,
    // and merging thousands of them costs far more than repainting the whole
    // view once, which a pending update of the whole scene makes Qt do.
    if (m_itemChangesThisTurn++ == 0)
        QTimer::singleShot(0, this, [this] { m_itemChangesThisTurn = 0; });
    if (m_itemChangesThisTurn == manyItemChanges)
        m_scene->update();
}

void GraphWidget::addJointItem(const Object::Joint &joint)
{
    noteItemChange();
    if (!m_jointLayer) {
        m_jointLayer = new JointLayer;
        m_scene->addItem(m_jointLayer);
    }
    auto *item = new DrawingJoint(this, joint, m_scaleLines);
    item->setParentItem(m_jointLayer);
    m_jointItems.insert(jointKey(joint), item);
}

void GraphWidget::addDrawingJoint(Object::Joint joint)
{
    if (!m_itemsShown)
        return;
    if (m_overlay->isBusy())
        m_deferredJoints.push_back(joint);
    else
        addJointItem(joint);
}

void GraphWidget::removeDrawingJoint(Object::Joint joint)
{
    if (!m_itemsShown)
        return;
    const auto deferred = std::find(m_deferredJoints.rbegin(), m_deferredJoints.rend(), joint);
    if (deferred != m_deferredJoints.rend()) {
        m_deferredJoints.erase(std::next(deferred).base());
        return;
    }
    const auto it = m_jointItems.find(jointKey(joint));
    if (it == m_jointItems.end())
        return;
    DrawingJoint *item = it.value();
    m_jointItems.erase(it);
    noteItemChange();
    m_scene->removeItem(item);
    delete item;
}

void GraphWidget::pointClicked(Object::Point *point)
{
    if (m_simulationRunning)
        return;
    if (!m_tempJoint) {
        addTempJoint(point);
        m_dragFrom = point;
        return;
    }
    Object::Point *from = m_tempJoint->joint().a;
    discardTempJoint();
    if (from && point && !m_drawing->areConnected(from, point))
        m_drawing->undoStack()->push(new AddJointCommand(m_drawing.get(), {from, point}));
}

void GraphWidget::jointRightClicked(DrawingJoint *joint)
{
    if (m_tempJoint) {
        discardTempJoint();
        return;
    }
    if (m_simulationRunning || !joint || joint->isTemporary())
        return;
    joint->setRemoving(true);
    const Object::Joint j = joint->joint();
    joint->resetPen();
    joint->setRemoving(false);
    // The item disappears with the joint: not while its own event runs.
    QMetaObject::invokeMethod(this, [this, j] {
        m_drawing->undoStack()->push(new RemoveJointCommand(m_drawing.get(), j));
    }, Qt::QueuedConnection);
}

// ---- object menu ------------------------------------------------------------

void GraphWidget::showObjectMenu(DrawingObject *item, QPointF scenePos, QPoint screenPos)
{
    if (m_simulationRunning || !item || !item->object())
        return;
    Object *object = item->object();
    const QPointF itemPos = item->mapFromScene(scenePos);
    item->setHighlighted(true);

    QMenu menu(this);
    QAction *addPoint = menu.addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/addpoint.png")),
                                       elementsText(QT_TRANSLATE_NOOP("DrawingElements", "Add point")));
    QMenu *dirMenu = menu.addMenu(QIcon(QStringLiteral(":/Kerfloom/Resources/reverse.png")),
                                  elementsText(QT_TRANSLATE_NOOP("DrawingElements", "Set object direction")));
    QAction *cw = dirMenu->addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/cw.png")),
                                     elementsText(QT_TRANSLATE_NOOP("DrawingElements", "Clockwise")));
    QAction *ccw = dirMenu->addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/ccw.png")),
                                      elementsText(QT_TRANSLATE_NOOP("DrawingElements", "Counter-clockwise")));
    auto *group = new QActionGroup(dirMenu);
    for (QAction *a : {cw, ccw}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    const int direction = object->explicitDirection ? object->direction : object->computeDirection();
    (direction ? ccw : cw)->setChecked(true);

    const quint64 generation = m_generation;
    const QPointer<QObject> alive(this);
    QAction *chosen = menuRunner ? menuRunner(menu, screenPos) : menu.exec(screenPos);
    if (!alive || generation != m_generation)
        return; // the items were rebuilt while the menu was open
    const auto shown = m_objectItems.find(object);
    if (shown == m_objectItems.end() || shown->second.shape != item)
        return; // the shape's items were replaced meanwhile
    item->setHighlighted(false);

    Drawing *d = m_drawing.get();
    // Commands rebuild the items, including the one whose event runs now.
    if (chosen == addPoint)
        QMetaObject::invokeMethod(this, [d, object, itemPos] {
            d->undoStack()->push(new AddPointCommand(d, object, itemPos));
        }, Qt::QueuedConnection);
    else if (chosen == cw || chosen == ccw) {
        const int value = chosen == cw ? 0 : 1;
        QMetaObject::invokeMethod(this, [d, object, value] {
            d->undoStack()->push(new SetExplicitDirectionCommand(d, object, value));
        }, Qt::QueuedConnection);
    }
}

// ---- zoom, rulers -----------------------------------------------------------

void GraphWidget::zoomBy(double factor)
{
    const double candidate = transform().scale(factor, factor).m11();
    // A sheet fitted below the smallest scale (or a speck above the largest)
    // must still zoom back towards the range; only moves away are refused.
    const bool towardsRange = (candidate < minScale && factor > 1) || (candidate > maxScale && factor < 1);
    if ((candidate < minScale || candidate > maxScale) && !towardsRange)
        return;
    scale(factor, factor);
    m_scale = candidate;
    for (DrawingPointSet *set : m_pointSets)
        set->viewScaleChanged();
    updateRulers(false);
    emit scaleChanged();
}

void GraphWidget::zoomIn()
{
    zoomBy(1.2);
}

void GraphWidget::zoomOut()
{
    zoomBy(0.8333333333333334);
}

void GraphWidget::fitScene()
{
    QGraphicsView::fitInView(sceneRect().adjusted(-5, -5, 5, 5), Qt::KeepAspectRatio);
    updateRulers(true);
    for (DrawingPointSet *set : m_pointSets)
        set->viewScaleChanged();
    emit scaleChanged();
}

void GraphWidget::fitInView()
{
    fitScene();
}

void GraphWidget::setScale(double s)
{
    setTransform(QTransform::fromScale(s, -s));
    updateRulers(true);
    for (DrawingPointSet *set : m_pointSets)
        set->viewScaleChanged();
}

void GraphWidget::displayUnitChanged()
{
    m_hRuler->update();
    m_vRuler->update();
}

void GraphWidget::updateRulers(bool readScale)
{
    if (readScale)
        m_scale = transform().m11();
    const QPoint o = mapFromScene(QPointF(0, 0));
    m_hRuler->setOrigin(o.x());
    m_vRuler->setOrigin(o.y());
    m_hRuler->setRulerZoom(m_scale);
    m_vRuler->setRulerZoom(m_scale);
}

// ---- events -----------------------------------------------------------------

void GraphWidget::keyReleaseEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus: zoomBy(1.2); break;
    case Qt::Key_Minus: zoomBy(1 / 1.2); break;
    case Qt::Key_Escape: discardTempJoint(); break;
    default: QGraphicsView::keyReleaseEvent(event); break;
    }
}

void GraphWidget::wheelEvent(QWheelEvent *event)
{
    zoomBy(std::pow(2.0, event->angleDelta().y() / 240.0));
    event->accept();
}

void GraphWidget::mouseMoveEvent(QMouseEvent *event)
{
    m_hRuler->setCursorPos(m_hRuler->mapFromGlobal(event->globalPos()));
    m_vRuler->setCursorPos(m_vRuler->mapFromGlobal(event->globalPos()));
    if (m_tempJoint)
        m_tempJoint->setEnd(mapToScene(event->pos()));
    QGraphicsView::mouseMoveEvent(event);
}

void GraphWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        discardTempJoint();
    QGraphicsView::mouseReleaseEvent(event);
    viewport()->setCursor(Qt::ArrowCursor);
    // Dragging from one point to another draws the joint as two clicks do;
    // a release on the point the joint started from keeps it following the
    // mouse for the second click.
    // Only the press that began the joint counts: panning after the first
    // click must not join whatever point it ends on.
    Object::Point *from = event->button() == Qt::LeftButton ? std::exchange(m_dragFrom, nullptr) : nullptr;
    if (from && m_tempJoint && m_tempJoint->joint().a == from) {
        Object::Point *target = pointAt(mapToScene(event->pos()));
        if (target && target != from)
            pointClicked(target);
    }
}

Object::Point *GraphWidget::pointAt(const QPointF &scenePos) const
{
    for (QGraphicsItem *item : m_scene->items(scenePos, Qt::IntersectsItemShape, Qt::DescendingOrder, transform())) {
        if (item->type() == DrawingPointType)
            return static_cast<DrawingPoint *>(item)->point();
        if (item->type() == DrawingPointSetType) {
            const auto *set = static_cast<const DrawingPointSet *>(item);
            if (Object::Point *p = set->pointAt(set->mapFromScene(scenePos)))
                return p;
        }
    }
    return nullptr;
}

void GraphWidget::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    updateRulers(false);
    if (m_overlay->isBusy())
        m_overlay->resize(size());
}

void GraphWidget::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    updateRulers(false);
}

void GraphWidget::dragEnterEvent(QDragEnterEvent *event)
{
    QGraphicsView::dragEnterEvent(event);
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

// ---- anchor button, simulation hooks ----------------------------------------

void GraphWidget::setAnchorFromButton()
{
    // The main window disables the button with the other edits; a click
    // that still arrives must not move a drawing that is simulated or linked.
    if (m_simulationRunning || overlayVisible())
        return;
    static PositionSpec spec = Settings::readPosition(Settings::AnchorGroup);
    if (!askPosition(this, &spec, tr("Set anchor"), QLatin1String(Settings::AnchorGroup), false))
        return;
    undoStack()->push(new SetAnchorCommand(m_drawing.get(), spec));
    if (!m_simulationRunning)
        fitInView();
}

// ---- simulation -------------------------------------------------------------

bool GraphWidget::startSimulation()
{
    if (m_simulationRunning || overlayVisible())
        return false;
    // The previous run's worker quit when it finished, long before its fade
    // ended; this only makes sure before the simulator is handed on.
    if (m_simThread)
        m_simThread->wait();

    setUpdatesEnabled(false);
    m_stopRequested = false;
    m_simulationRunning = true;
    discardTempJoint();
    for (QGraphicsItem *item : qAsConst(m_simItems)) {
        m_simScene->removeItem(item);
        delete item;
    }
    m_simItems.clear();

    auto *veil = new QGraphicsRectItem(m_scene->sceneRect().adjusted(-1, -1, 1, 1));
    veil->setBrush(QColor(255, 255, 255, 220));
    veil->setPen(Qt::NoPen);
    veil->setZValue(2);
    m_simScene->setSceneRect(m_scene->sceneRect());
    m_simScene->addItem(veil);
    m_simItems.append(veil);

    m_simulator->prepare(std::make_unique<Drawing>(*m_drawing));
    // The drawing stays as it is until the end: the view shows a scene of
    // the walk alone and paints the drawing once into its background cache,
    // so a frame costs the walk, not the drawing's many items.
    showScene(m_simScene);
    // Room for the device caches of long outlines at full window size.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), 64 * 1024));
    setUpdatesEnabled(true);

    auto *thread = new QThread(this);
    m_simThread = thread;
    connect(thread, &QThread::started, m_simulator.get(), &Simulator::simulate);
    // Direct: the view may be waiting for this thread and not run events.
    connect(m_simulator.get(), &Simulator::finished, thread, &QThread::quit,
            Qt::DirectConnection);
    connect(thread, &QThread::finished, this, [thread] { thread->deleteLater(); });
    m_simulator->moveToThread(thread);
    thread->start(QThread::InheritPriority);
    return true;
}

// The worker has built and measured the path: one item per object, then
// the walk begins.
void GraphWidget::addSimulationObjects()
{
    if (!m_simulationRunning)
        return;
    auto outlines = m_simulator->takeOutlines();
    std::vector<Simulator::Track> tracks;
    tracks.reserve(outlines.size() + 1);
    tracks.push_back({});
    setUpdatesEnabled(false);
    for (auto &[object, outline] : outlines) {
        auto *item = new SimulationObject(object, std::move(outline), m_scaleLines);
        item->setZValue(3);
        m_simScene->addItem(item);
        m_simItems.append(item);
        tracks.push_back({item, item->totalLength()});
    }
    setUpdatesEnabled(true);
    m_simulator->startWalk(std::move(tracks));
}

void GraphWidget::stopSimulation()
{
    if (m_simulationRunning)
        m_stopRequested = true;
}

// The view goes away: the worker's event loop ends after the slot it runs,
// and whatever it had scheduled is dropped with it.
void GraphWidget::endSimulationThread()
{
    m_stopRequested = true;
    if (!m_simThread)
        return;
    m_simThread->quit();
    m_simThread->wait();
}

void GraphWidget::updateItemPathPercent(SimulationObject *itm, double percent, double)
{
    if (m_simulationRunning && itm)
        itm->setPathPercent(percent);
}

void GraphWidget::deleteSimItems()
{
    if (m_fadeFinished)
        return;
    // Counted in whole steps: summing 0.05 twenty times does not reach 0.
    constexpr int steps = 20;
    ++m_fadeStep;
    if (m_fadeStep < steps) {
        const double opacity = double(steps - m_fadeStep) / steps;
        for (QGraphicsItem *item : qAsConst(m_simItems))
            item->setOpacity(opacity);
        QTimer::singleShot(fadeStepMs, this, &GraphWidget::deleteSimItems);
    } else {
        QTimer::singleShot(fadeStepMs, this, &GraphWidget::deleteSimItems2);
        m_fadeStep = 0;
        m_fadeFinished = true;
    }
}

void GraphWidget::deleteSimItems2()
{
    for (QGraphicsItem *item : qAsConst(m_simItems)) {
        m_simScene->removeItem(item);
        delete item;
    }
    m_simItems.clear();
    showScene(m_scene);
    m_simulator->timer()->stop();
    m_stopRequested = false;
    m_fadeFinished = false;
    m_simulationRunning = false;
    if (m_rebuildPending)
        initDrawing(false);
    m_rebuildPending = false;
    emit simulationFinished();
}

void GraphWidget::drawBackground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawBackground(painter, rect);
    if (scene() == m_simScene)
        m_scene->render(painter, rect, rect, Qt::IgnoreAspectRatio);
}

// Switches scenes where the user looks: same zoom, same scroll position.
void GraphWidget::showScene(QGraphicsScene *scene)
{
    const int h = horizontalScrollBar()->value(), v = verticalScrollBar()->value();
    setScene(scene);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
    resetCachedContent();
}

void GraphWidget::setSimulationDelay(int val)
{
    m_simulationDelay = 10001 - val;
}
