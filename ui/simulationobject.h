#pragma once

#include "core/object.h"

#include <QGraphicsPathItem>
#include <QMetaType>
#include <QPolygonF>

#include <vector>

enum { SimulationObjectType = QGraphicsItem::UserType + 16 };

// One object of the cutting path as the simulation draws it: the part of
// its outline walked so far. The walked part only ever grows, so it is kept
// as a count of vertices reached plus the end of the segment being walked,
// and painted from the vertices themselves: a path object rebuilt or even
// extended per step would make a long outline cost more than its walk.
class SimulationObject : public QGraphicsPathItem
{
public:
    // What the item needs of its object, measured once. Plain data, so the
    // simulator's worker can prepare it for a large drawing off the GUI thread.
    struct Outline
    {
        static Outline of(const Object &object);

        QPolygonF points;
        std::vector<QRectF> chunkBounds; // chunk c covers vertices c*chunk … (c+1)*chunk
        QRectF bounds;
        double totalLength = 0;
    };
    // Vertices per bounding box used to skip what lies outside the exposed area.
    static constexpr int chunk = 256;

    SimulationObject(Object *object, Outline outline, bool scaleLines);
    int type() const override { return SimulationObjectType; }

    Object *object() const { return m_object; }
    int pointCount() const { return m_points.size(); }
    double totalLength() const { return m_totalLength; }
    double walked() const { return m_walked; }

    // Walks the outline to `distance` from its start (never backwards).
    void setPathPercent(double distance);

    // The vertices reached so far, then the point inside the current segment
    // when the walk stands between two vertices.
    std::vector<QPointF> walkedPoints() const;

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    double margin() const;
    void paintReached(QPainter *painter, const QRectF &exposed, int reached) const;

    Object *m_object;
    QPolygonF m_points;
    std::vector<QRectF> m_chunkBounds;
    QRectF m_bounds;
    int m_nextPoint = 1;
    QPointF m_lastReached;
    bool m_hasTail = false; // between m_lastReached and m_points[m_nextPoint]
    QPointF m_tail;
    double m_committedLength = 0;
    double m_walked = 0;
    double m_totalLength = 0;
};

Q_DECLARE_METATYPE(SimulationObject *)
