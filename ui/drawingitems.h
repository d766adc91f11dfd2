#pragma once

#include "core/object.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsPathItem>
#include <QPixmap>
#include <QPolygonF>

#include <functional>

class GraphWidget;

// The picture of an item that covers only a few pixels, kept while the
// scale stays: a zoomed-out sheet has tens of thousands of such items, and
// copying each picture costs a fraction of drawing its lines and markers.
class SmallPicture
{
public:
    // Paints `bounds` (item coordinates) through `draw`, or from the
    // picture `draw` made at this scale before. `points` is what `draw`
    // draws: a picture of a few points costs more to keep than to draw, and
    // a sheet of 200,000 lines kept a gigabyte of them.
    void paint(QPainter *painter, const QRectF &bounds, int points,
               const std::function<void(QPainter *)> &draw);
    void clear() { m_picture = QPixmap(); }

private:
    QPixmap m_picture;
    double m_scaleX = 0, m_scaleY = 0;
};

// Item types, so the scene can tell the drawing's items apart cheaply.
enum DrawingItemType {
    DrawingObjectType = QGraphicsItem::UserType + 1,
    DrawingPointType,
    DrawingPointSetType,
    DrawingJointType,
};

// Marker sizes shared by the single start marker and the painted vertices.
struct MarkerStyle
{
    static constexpr double vertexPixels = 6;  // diameter, unscaled
    static constexpr double vertexUnits = 2;   // diameter, scaled with the drawing
    static constexpr double startPixels = 8;
    static constexpr double startUnits = 3;
};

// One shape: its polyline in stored order and, optionally, direction arrows.
class DrawingObject : public QGraphicsPathItem
{
public:
    // `reversed`: the drawing's overall direction is turned round.
    DrawingObject(GraphWidget *view, Object *object, const QPolygonF &polygon, bool scaleLines,
                  bool drawArrows, bool reversed = false);
    int type() const override { return DrawingObjectType; }

    Object *object() const { return m_object; }
    const QPolygonF &polygon() const { return m_polygon; }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool on);

    QRectF boundingRect() const override;
    // A hit is near the outline or inside a closed outline, like a stroked
    // and filled shape, without stroking large paths on every mouse move.
    bool contains(const QPointF &point) const override;
    bool collidesWithPath(const QPainterPath &path,
                          Qt::ItemSelectionMode mode = Qt::IntersectsItemShape) const override;
    QPainterPath shape() const override;
    // True when this outline encloses the other one (nested contours).
    bool encloses(const DrawingObject &other) const;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Arrow triangles in item coordinates, in the cutting direction: a shape
    // with a direction of its own keeps it, any other turns with the
    // drawing's overall direction.
    // Side of a direction arrow, in drawing units.
    static constexpr double arrowSize = 0.8;
    static std::vector<QPolygonF> arrows(const Object &object, const QPolygonF &polygon,
                                         bool reversed = false);
    // The drawing's overall direction flipped.
    void setReversed(bool reversed);
    const std::vector<QPolygonF> &arrowTriangles() const { return m_arrows; }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;

private:
    double hitTolerance() const;

    GraphWidget *m_view;
    Object *m_object;
    QPolygonF m_polygon;
    QRectF m_polygonBounds; // asked for by every scene traversal: not recomputed
    bool m_highlighted = false;
    bool m_drawArrows;
    bool m_reversed;
    void draw(QPainter *painter);

    std::vector<QPolygonF> m_arrows;
    // The outline as drawn at the last scale: points closer than half a
    // pixel merged. Empty when that merges nothing.
    QPolygonF m_screenPolygon;
    double m_screenScale = 0;
    SmallPicture m_picture;
};

// A single marker: the start point (blue) or one vertex (red).
class DrawingPoint : public QGraphicsEllipseItem
{
public:
    DrawingPoint(GraphWidget *view, Object::Point *point, bool isStart, bool scalePoints);
    int type() const override { return DrawingPointType; }
    Object::Point *point() const { return m_point; }
    bool isStart() const { return m_isStart; }

    static QString toolTipFor(const Object::Point &point, bool isStart);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    GraphWidget *m_view;
    Object::Point *m_point;
    bool m_isStart;
};

// The vertex markers of one object, painted by one item instead of one item
// per vertex: a million points stay cheap to build, index and paint, while
// markers, tool tips and clicks behave as if every vertex were its own item.
class DrawingPointSet : public QGraphicsItem
{
public:
    DrawingPointSet(GraphWidget *view, Object *object, const QPolygonF &polygon, bool scalePoints);
    int type() const override { return DrawingPointSetType; }

    QRectF boundingRect() const override;
    bool contains(const QPointF &point) const override;
    bool collidesWithPath(const QPainterPath &path,
                          Qt::ItemSelectionMode mode = Qt::IntersectsItemShape) const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The vertex whose marker covers pos (nearest first), or none.
    Object::Point *pointAt(const QPointF &pos) const;
    // Unscaled markers cover more of the scene the further one zooms out.
    void viewScaleChanged();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    double radius() const;
    void draw(QPainter *painter);

    GraphWidget *m_view;
    Object *m_object;
    QPolygonF m_polygon;
    QRectF m_bounds;
    bool m_scalePoints;
    double m_margin = 0;
    // The markers worth drawing at the last scale: one per pixel. Empty when
    // every point is.
    QPolygonF m_screenPolygon;
    double m_screenScale = 0;
    SmallPicture m_picture;
};

// A joint line; the temporary joint follows the mouse from its first point.
class DrawingJoint : public QGraphicsLineItem
{
public:
    DrawingJoint(GraphWidget *view, const Object::Joint &joint, bool scaleLines);
    // The temporary joint that starts at `from`.
    DrawingJoint(GraphWidget *view, Object::Point *from, bool scaleLines);
    int type() const override { return DrawingJointType; }

    const Object::Joint &joint() const { return m_joint; }
    bool isTemporary() const { return m_temporary; }
    bool isRemoving() const { return m_removing; }
    void setRemoving(bool r) { m_removing = r; }
    void setEnd(QPointF scenePos);
    void resetPen();
    QRectF boundingRect() const override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    GraphWidget *m_view;
    bool m_scaleLines;
    bool m_removing = false;
    Object::Joint m_joint;
    bool m_temporary;
};

// Holds items without drawing anything of its own.
class JointLayer : public QGraphicsItem
{
public:
    JointLayer() { setFlag(ItemHasNoContents); }
    QRectF boundingRect() const override { return {}; }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
};
