#pragma once

#include "core/object.h"
#include "core/placement.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <memory>
#include <optional>
#include <vector>

class DrawingView;
class QUndoStack;

// One open document: its shapes, the joints that link them into a cutting
// tree rooted at the start position, and the placement of the drawing. The
// drawing owns its objects and their points; joints and views refer to them.
class Drawing : public QObject
{
    Q_OBJECT
public:
    enum Transform {
        RotateLeft = 0,     // +90° about the anchor point (or the given centre)
        RotateRight = 1,    // -90°
        MirrorX = 2,
        MirrorY = 3,
        ToggleReversed = 4,
        Move = 5,           // flag true: shift by point; false: anchor point to point
        ApplyStartSpec = 6, // start position from the start spec
        MoveToOrigin = 7,   // anchor point to (0, 0)
    };

    explicit Drawing(QObject *parent = nullptr);
    // Deep copy: objects, points and joints are duplicated, the joints of the
    // copy refer to the copied points, and the copy has its own empty undo
    // stack and no view.
    Drawing(const Drawing &other, QObject *parent = nullptr);
    ~Drawing() override;
    Drawing &operator=(const Drawing &) = delete;

    // Shapes, in load order (in cutting order after buildCuttingPath).
    const std::vector<Object *> &objects() const { return m_objects; }
    Object *addObject();
    // Deletes the object at index together with its points.
    void removeObjectAt(int index);
    void removeEmptyObjects();
    void clearObjects();

    Object &startObject() { return m_startObject; }
    const Object &startObject() const { return m_startObject; }
    bool isStartPoint(const Object::Point *p) const { return p && p->owner == &m_startObject; }

    const std::vector<Object::Joint> &joints() const { return m_joints; }
    void addJoint(const Object::Joint &joint);
    // Removes the last joint equal to `joint`; nothing happens when there is none.
    void removeJoint(const Object::Joint &joint);
    bool areConnected(const Object::Point *p, const Object::Point *q) const;

    bool hasOpenShapes() const;

    QRectF boundingRect() const { return m_boundingRect; }
    void setBoundingRect(const QRectF &r) { m_boundingRect = r; }
    // Bounds of every point of every object (the start object excluded).
    void updateBoundingRect();

    PositionSpec anchorSpec() const { return m_anchorSpec; }
    void setAnchorSpec(const PositionSpec &spec) { m_anchorSpec = spec; }
    PositionSpec startSpec() const { return m_startSpec; }
    void setStartSpec(const PositionSpec &spec) { m_startSpec = spec; }
    QPointF resolvePosition(const PositionSpec &spec) const;
    // The point the drawing is placed by: the resolved anchor spec when it
    // uses an anchor, else the bottom-left corner of the bounds.
    QPointF anchorPoint() const;

    QPointF startPosition() const { return m_startPosition; }
    // A point that is not finite is ignored with a logged warning.
    void setStartPosition(QPointF p);

    bool isReversed() const { return m_reversed; }
    void setReversed(bool r) { m_reversed = r; }

    // False, with a logged warning, when the result would hold a coordinate
    // that is not a finite number; the points are then left as they were.
    bool transform(Transform kind, std::optional<QPointF> point = std::nullopt, bool flag = false);

    // Turns the linked drawing into one continuous path from and back to the
    // start position (first object); shapes not linked to the start follow.
    // Meant for a copy: it takes the drawing's structure apart.
    void buildCuttingPath();

    QUndoStack *undoStack() const { return m_undoStack.get(); }
    bool isUnmodified() const { return m_unmodified; }
    void setUnmodified(bool unmodified);

    // A copy made in a worker thread is handed to `thread` with its undo
    // stack (a separate object) before the worker lets go of it.
    void moveAllToThread(QThread *thread);

    DrawingView *view() const { return m_view; }
    void setView(DrawingView *view) { m_view = view; }

signals:
    void jointAdded(Object::Joint joint);
    void jointRemoved(Object::Joint joint);
    void updateSaveState();

private:
    void initStartObject();
    void connectUndoStack();
    bool shiftAll(double dx, double dy);
    void duplicateOpenJoinedObjects();

    std::vector<Object *> m_objects;
    Object m_startObject;
    std::vector<Object::Joint> m_joints;
    QRectF m_boundingRect;
    PositionSpec m_anchorSpec;
    PositionSpec m_startSpec;
    QPointF m_startPosition;
    bool m_reversed = false;
    bool m_unmodified = true;
    std::unique_ptr<QUndoStack> m_undoStack;
    DrawingView *m_view = nullptr;
};
