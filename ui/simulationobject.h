#pragma once

#include "core/object.h"

#include <QGraphicsPathItem>
#include <QMetaType>
#include <QPolygonF>

#include <vector>

enum { SimulationObjectType = QGraphicsItem::UserType + 16 };

// One object of the cutting path as the simulation draws it: the part of
// its outline walked so far. The walked part only ever grows, so it is kept
// as a path that is appended to in place plus the end of the segment being
// walked; rebuilding it per step would make long objects quadratic.
class SimulationObject : public QGraphicsPathItem
{
public:
    SimulationObject(Object *object, const QPolygonF &polygon, bool scaleLines);
    int type() const override { return SimulationObjectType; }

    Object *object() const { return m_object; }
    double totalLength() const { return m_totalLength; }
    double walked() const { return m_walked; }

    // Walks the outline to `distance` from its start (never backwards).
    void setPathPercent(double distance);

    // The vertices reached so far, then the point inside the current segment
    // when the walk stands between two vertices.
    std::vector<QPointF> walkedPoints() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    Object *m_object;
    QPolygonF m_points;
    int m_nextPoint = 1;
    QPointF m_lastReached;
    QPainterPath m_committedPath;
    bool m_hasTail = false; // the partial path is the committed one plus m_tail
    QPointF m_tail;
    double m_committedLength = 0;
    double m_walked = 0;
    double m_totalLength = 0;
};

Q_DECLARE_METATYPE(SimulationObject *)
