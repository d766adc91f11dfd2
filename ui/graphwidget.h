#pragma once

#include "core/drawing.h"
#include "core/drawingview.h"
#include "ui/simulationobject.h"

#include <QFuture>
#include <QGraphicsView>
#include <QMultiHash>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>

class DrawingJoint;
class DrawingObject;
class DrawingPointSet;
class MyGraphicsScene;
class OverlayItem;
class QDRuler;
class QMenu;
class QAction;
class QThread;
class QToolButton;
class QUndoStack;
class Simulator;

// The view of one tab and the holder of its document: it owns the drawing,
// a cutting-order copy of it (the cached drawing), the rulers and the busy
// overlay, and turns mouse work on the items into undoable edits.
class GraphWidget : public QGraphicsView, public DrawingView
{
    Q_OBJECT
public:
    explicit GraphWidget(QWidget *parent = nullptr);
    ~GraphWidget() override;

    Drawing *drawing() const { return m_drawing.get(); }
    QUndoStack *undoStack() const;
    // The drawing after buildCuttingPath. Edits only mark it stale; it is
    // rebuilt when next asked for (while cache updates are enabled), so a
    // burst of edits costs one rebuild, not one per edit.
    const Drawing *cachedDrawing() const;

    // What the status bar shows, counted once per cache rebuild.
    struct CutFigures
    {
        size_t objects = 0;     // objects of the cutting path
        size_t points = 0;      // points of the cutting path
        bool openShapes = false; // the drawing has open shapes
    };
    const CutFigures &cutFigures() const;
    // From this many points on, the figures are counted in the background
    // after an edit; until they are in, the last ones stand.
    static constexpr size_t backgroundFigures = 200000;
    struct CacheBuild; // a cutting-order copy built in the pool

    // Without items the view only computes: the headless pipeline neither
    // makes nor paints items it never shows.
    void setItemsShown(bool shown) { m_itemsShown = shown; }
    bool itemsShown() const { return m_itemsShown; }

    void setDrawOptions(bool drawPoints, bool scalePoints, bool scaleLines, bool drawArrows);
    // The rulers print lengths in the display unit; they repaint when it changes.
    void displayUnitChanged();
    void beginLongOperation(const QString &message);
    // The end of a long edit (linking) without one long GUI event: the
    // cutting-order copy is rebuilt in the thread pool while the items of
    // the joints that came in under the overlay are added in slices of a
    // few milliseconds; `done` runs in the GUI thread once both are in. The
    // drawing must not change until then (the caller keeps editing off).
    void settleLongOperation(std::function<void()> done);
    void setProgress(double fraction);
    double currentScale() const { return m_scale; }
    void setScale(double s);

    // The cutting simulation. Start answers false when it was refused (one
    // runs already, or a long operation covers the view).
    bool startSimulation();
    void stopSimulation();
    bool isSimulating() const { return m_simulationRunning; }
    // Read by the simulator's worker thread as well.
    int simulationDelay() const { return m_simulationDelay.load(std::memory_order_relaxed); }
    bool stopRequested() const { return m_stopRequested.load(std::memory_order_relaxed); }
    Simulator *simulator() const { return m_simulator.get(); }
    const QList<QGraphicsItem *> &simulationItems() const { return m_simItems; }
    // Counts scene rebuilds, so callers can tell whether one happened.
    quint64 generation() const { return m_generation; }
    // Time between two steps of the fade at the end of a simulation.
    static int fadeStepMs;

    OverlayItem *overlay() const;
    QDRuler *horizontalRuler() const { return m_hRuler; }
    QDRuler *verticalRuler() const { return m_vRuler; }
    QToolButton *anchorButton() const { return m_anchorButton; }
    MyGraphicsScene *graphicsScene() const { return m_scene; }
    DrawingJoint *tempJoint() const { return m_tempJoint; }

    // Called by the items.
    void pointClicked(Object::Point *point);
    // The vertex or start point under a scene position, topmost first.
    Object::Point *pointAt(const QPointF &scenePos) const;
    void jointRightClicked(DrawingJoint *joint);
    void showObjectMenu(DrawingObject *item, QPointF scenePos, QPoint screenPos);

    // Runs a context menu instead of QMenu::exec when set (tests, scripting):
    // returns the chosen action or none.
    static std::function<QAction *(QMenu &menu, const QPoint &screenPos)> menuRunner;

    // DrawingView (the cache switches are slots too)
    bool cacheUpdatesEnabled() const override { return m_cacheUpdatesEnabled; }
    bool overlayVisible() const override;
    // Only marks the overlay for repainting; see DrawingView.
    void setOverlayProgress(double fraction) override;
    void geometryChanged() override { updateDrawing(); }
    void pointInserted(Object::Point *point) override;
    void pointRemoved(Object::Point *point) override;
    void objectChanged(Object *object) override;
    void directionsChanged() override;

signals:
    void simulationFinished();
    void scaleChanged();
    // Anything the status bar shows may have changed (joints, geometry,
    // points, directions). Emitted once per edit, not per item.
    void drawingChanged();

public slots:
    void updateDrawing();
    void initDrawing(bool fit);
    void init() { initDrawing(true); }
    void endLongOperation();
    void addTempJoint(Object::Point *pt);
    void addDrawingJoint(Object::Joint joint);
    void removeDrawingJoint(Object::Joint joint);
    void zoomIn();
    void zoomOut();
    void fitInView();
    void updateItemPathPercent(SimulationObject *itm, double percent, double totalLen);
    void deleteSimItems();
    void deleteSimItems2();
    void setSimulationDelay(int val);
    void updateCachedDrawing() override;
    void setCacheUpdatesEnabled(bool enabled) override;

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    void zoomBy(double factor);
    void updateRulers(bool readScale);
    void fitScene();
    void discardTempJoint();
    void setAnchorFromButton();
    void addObjectItems(Object *object);
    void removeObjectItems(const Object *object);
    void addJointItem(const Object::Joint &joint);
    void noteItemChange();
    // Plans the cut on `copy` in the pool; null: on a copy the pool makes,
    // only while edits are off.
    void startCacheBuild(Drawing *copy);
    void invalidateCache();
    void rebuildCache() const;
    // Takes the result of a copy built in the pool, waiting for it if
    // needed; false when none was pending.
    bool adoptCacheBuild() const;
    void addDeferredJointSlice();
    void settleStepDone();
    void addSimulationObjects();
    void showScene(QGraphicsScene *scene);
    void endSimulationThread();

    // flags
    bool m_rebuildPending = false;
    bool m_drawArrows = true;
    bool m_drawPoints = true;
    bool m_scalePoints = true;
    bool m_scaleLines = true;
    bool m_cacheUpdatesEnabled = true;
    bool m_simulationRunning = false;

    std::unique_ptr<Simulator> m_simulator;
    // Written by the GUI thread only; the worker's stale read costs a step.
    std::atomic<int> m_simulationDelay{1000};
    std::atomic<bool> m_stopRequested{false};
    bool m_fadeFinished = false;
    int m_fadeStep = 0; // steps of the running fade
    QList<QGraphicsItem *> m_simItems;
    QPointer<QThread> m_simThread;
    double m_scale = 1.0;
    quint64 m_generation = 0; // bumped by every rebuild
    QPointer<OverlayItem> m_overlay; // may live on the parent while busy
    bool m_itemsShown = true;
    mutable bool m_cacheStale = false;
    mutable std::unique_ptr<Drawing> m_cachedDrawing;
    mutable CutFigures m_figures;
    mutable QFuture<std::shared_ptr<CacheBuild>> m_cacheBuild;
    mutable bool m_cacheBuildPending = false;
    bool m_cacheInvalidatedDuringBuild = false;
    std::function<void()> m_settleDone;
    std::unique_ptr<Drawing> m_drawing;
    MyGraphicsScene *m_scene = nullptr;
    QGraphicsScene *m_simScene = nullptr; // shown while a simulation runs
    DrawingJoint *m_tempJoint = nullptr;
    Object::Point *m_dragFrom = nullptr; // the point pressed to begin the temporary joint
    QDRuler *m_hRuler = nullptr;
    QDRuler *m_vRuler = nullptr;
    QToolButton *m_anchorButton = nullptr;
    std::vector<DrawingPointSet *> m_pointSets;
    // The items of each shape and of each joint, so that an edit replaces
    // only what it changed instead of searching or rebuilding the scene.
    struct ObjectItems
    {
        DrawingObject *shape = nullptr;
        DrawingPointSet *points = nullptr;
    };
    std::unordered_map<const Object *, ObjectItems> m_objectItems;
    QMultiHash<QPair<quintptr, quintptr>, DrawingJoint *> m_jointItems;
    // Joints linked while the overlay covers the view get their items when
    // it goes: one scene update instead of one per joint.
    std::vector<Object::Joint> m_deferredJoints;
    // The joints' items are its children. The scene keeps the list of its
    // top-level items sorted for painting and searches it on every removal,
    // while a child list in insertion order gives up its last child at once:
    // undoing a large link takes the newest joints, the last children, first.
    QGraphicsItem *m_jointLayer = nullptr;
    static constexpr int manyItemChanges = 32;
    int m_itemChangesThisTurn = 0;
};
