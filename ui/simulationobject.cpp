#include "ui/simulationobject.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}
} // namespace

SimulationObject::SimulationObject(Object *object, const QPolygonF &polygon, bool scaleLines)
    : m_object(object), m_points(polygon)
{
    setAcceptedMouseButtons(Qt::NoButton);
    QPainterPath path;
    path.addPolygon(polygon);
    setPath(path);
    for (int k = 1; k < polygon.size(); ++k)
        m_totalLength += distance(polygon[k - 1], polygon[k]);
    if (!polygon.isEmpty()) {
        m_lastReached = polygon.front();
        m_committedPath.moveTo(m_lastReached);
    }
    setPen(QPen(Qt::black, scaleLines ? 2 : 0, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    setBrush(Qt::NoBrush);
}

void SimulationObject::setPathPercent(double distanceWalked)
{
    if (!m_object)
        return;
    m_walked = distanceWalked;
    double running = m_committedLength;
    m_hasTail = false;
    const int count = m_points.size();
    for (int k = m_nextPoint; k < count; ++k) {
        const QPointF next = m_points[k];
        const double segment = distance(m_lastReached, next);
        running += segment;
        if (distanceWalked < running) {
            const double back = running - distanceWalked;
            const double t = segment > 0 ? back / segment : 0;
            m_tail = next + (m_lastReached - next) * t;
            m_hasTail = true;
            break;
        }
        m_committedPath.lineTo(next);
        m_nextPoint = k + 1;
        m_lastReached = next;
        m_committedLength = running;
    }
    update();
}

std::vector<QPointF> SimulationObject::walkedPoints() const
{
    std::vector<QPointF> out;
    if (m_points.isEmpty())
        return out;
    out.assign(m_points.begin(), m_points.begin() + m_nextPoint);
    if (m_hasTail)
        out.push_back(m_tail);
    return out;
}

void SimulationObject::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_walked <= 0)
        return;
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    if (m_totalLength <= m_walked) {
        painter->drawPath(path());
        return;
    }
    painter->drawPath(m_committedPath);
    if (m_hasTail)
        painter->drawLine(m_lastReached, m_tail);
}
