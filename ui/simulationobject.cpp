#include "ui/simulationobject.h"

#include <QGraphicsView>
#include <QPainter>
#include <QPen>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

namespace {
double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

QRectF segmentBounds(QPointF a, QPointF b)
{
    return QRectF(a, b).normalized();
}

// Unlike QRectF::intersects, true for flat boxes too (straight chunks).
bool overlaps(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom()
        && b.top() <= a.bottom();
}

// From this many vertices on, an outline keeps its painted pixels between
// frames (Qt's device cache) and repaints only where the walk went on.
constexpr int cachedFromPoints = 2048;
} // namespace

SimulationObject::Outline SimulationObject::Outline::of(const Object &object)
{
    Outline o;
    o.points.reserve(object.size());
    for (const Object::Point *p : object.points)
        o.points << p->pos();
    const QPolygonF &pts = o.points;
    for (int k = 1; k < pts.size(); ++k)
        o.totalLength += distance(pts[k - 1], pts[k]);
    for (int start = 0; start < pts.size(); start += chunk) {
        const int end = std::min(pts.size(), start + chunk + 1);
        // By hand: QRectF's union drops empty boxes, and a point is one.
        double left = pts[start].x(), right = left, top = pts[start].y(), bottom = top;
        for (int k = start + 1; k < end; ++k) {
            left = std::min(left, pts[k].x());
            right = std::max(right, pts[k].x());
            top = std::min(top, pts[k].y());
            bottom = std::max(bottom, pts[k].y());
        }
        o.chunkBounds.emplace_back(QPointF(left, top), QPointF(right, bottom));
    }
    o.bounds = pts.boundingRect();
    return o;
}

SimulationObject::SimulationObject(Object *object, Outline outline, bool scaleLines)
    : m_object(object), m_points(std::move(outline.points)),
      m_chunkBounds(std::move(outline.chunkBounds)), m_bounds(outline.bounds),
      m_totalLength(outline.totalLength)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemUsesExtendedStyleOption);
    setPen(QPen(Qt::black, scaleLines ? 2 : 0, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    setBrush(Qt::NoBrush);
    if (!m_points.isEmpty())
        m_lastReached = m_points.front();
    if (m_points.size() >= cachedFromPoints)
        setCacheMode(DeviceCoordinateCache);
}

// Scene units that cover the pen and its antialiased edge.
double SimulationObject::margin() const
{
    double pixel = 1;
    if (scene() && !scene()->views().isEmpty()) {
        const double s = std::abs(scene()->views().front()->transform().m11());
        if (s > 0)
            pixel = 1 / s;
    }
    return pen().widthF() / 2 + 2 * pixel;
}

QRectF SimulationObject::boundingRect() const
{
    const double m = pen().widthF() / 2 + 1;
    return m_bounds.adjusted(-m, -m, m, m);
}

QPainterPath SimulationObject::shape() const
{
    QPainterPath p;
    p.addRect(boundingRect());
    return p;
}

void SimulationObject::setPathPercent(double distanceWalked)
{
    if (!m_object)
        return;
    m_walked = distanceWalked;
    QRectF dirty;
    if (m_hasTail)
        dirty = segmentBounds(m_lastReached, m_tail);
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
            dirty |= segmentBounds(m_lastReached, m_tail);
            break;
        }
        dirty |= segmentBounds(m_lastReached, next);
        m_nextPoint = k + 1;
        m_lastReached = next;
        m_committedLength = running;
    }
    if (dirty.isNull())
        return;
    const double m = margin();
    update(dirty.adjusted(-m, -m, m, m));
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

// The polyline through the first `reached` vertices, chunk by chunk, leaving
// out chunks that do not meet the exposed area.
void SimulationObject::paintReached(QPainter *painter, const QRectF &exposed, int reached) const
{
    const double m = margin();
    const QRectF area = exposed.adjusted(-m, -m, m, m);
    for (size_t c = 0; c < m_chunkBounds.size(); ++c) {
        const int start = int(c) * chunk;
        if (start + 1 >= reached)
            break;
        if (!overlaps(m_chunkBounds[c], area))
            continue;
        const int end = std::min(reached, start + chunk + 1);
        painter->drawPolyline(m_points.constData() + start, end - start);
    }
}

void SimulationObject::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (m_walked <= 0)
        return;
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    const QRectF exposed = option->exposedRect;
    if (m_totalLength <= m_walked) {
        paintReached(painter, exposed, m_points.size());
        return;
    }
    paintReached(painter, exposed, m_nextPoint);
    if (m_hasTail)
        painter->drawLine(m_lastReached, m_tail);
}
