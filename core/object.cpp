#include "core/object.h"

#include "formats/settings.h"

#include <QVector2D>

#include <algorithm>
#include <cmath>
#include <limits>

Object::~Object()
{
    clear();
}

Object::Point *Object::appendPoint(double x, double y)
{
    auto *p = new Point(x, y, this, static_cast<qint32>(points.size()));
    points.push_back(p);
    return p;
}

void Object::insertPointAt(int index, Point *p)
{
    index = std::clamp(index, 0, size());
    points.insert(points.begin() + index, p);
    renumber(index);
}

Object::Point *Object::takePointAt(int index)
{
    if (index < 0 || index >= size())
        return nullptr;
    Point *p = points[index];
    points.erase(points.begin() + index);
    renumber(index);
    return p;
}

void Object::removePointAt(int index)
{
    delete takePointAt(index);
}

void Object::clear()
{
    for (Point *p : points)
        delete p;
    points.clear();
}

void Object::renumber(int from)
{
    for (int i = std::max(from, 0); i < size(); ++i) {
        points[i]->index = i;
        points[i]->owner = this;
    }
}

bool Object::isClosed() const
{
    if (points.size() < 2)
        return false;
    const Point *first = points.front();
    const Point *last = points.back();
    const QVector2D d(float(last->x - first->x), float(last->y - first->y));
    return d.length() < float(Settings::formatOptions().closedPrecision);
}

double Object::signedAreaSum(const std::vector<Point *> &pts)
{
    const size_t n = pts.size();
    if (n == 0)
        return 0;
    const Point *p0 = pts.front();
    const Point *pl = pts.back();
    double s = (p0->x - pl->x) * (pl->y + p0->y);
    for (size_t i = 0; i + 1 < n; ++i)
        s += (pts[i + 1]->x - pts[i]->x) * (pts[i + 1]->y + pts[i]->y);
    return s;
}

int Object::computeDirection() const
{
    if (points.empty())
        return Clockwise;
    return signedAreaSum(points) > 0 ? Clockwise : CounterClockwise;
}

void Object::reverse()
{
    std::reverse(points.begin(), points.end());
    renumber();
}

namespace {

double segmentDistance(QPointF p, QPointF a, QPointF b, QPointF *projection)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double t = 0;
    if (len2 > 0)
        t = std::clamp(((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2, 0.0, 1.0);
    const QPointF q(a.x() + t * dx, a.y() + t * dy);
    if (projection)
        *projection = q;
    const double ex = p.x() - q.x(), ey = p.y() - q.y();
    return std::sqrt(ex * ex + ey * ey);
}

// The projection in single precision, as the point is shown and stored.
QPointF projectionF(QPointF p, QPointF a, QPointF b)
{
    const QVector2D va(a), vb(b), vp(p);
    const QVector2D d = vb - va;
    const float len2 = d.lengthSquared();
    float t = 0;
    if (len2 > 0)
        t = std::clamp(QVector2D::dotProduct(vp - va, d) / len2, 0.0f, 1.0f);
    return (va + t * d).toPointF();
}

} // namespace

Object::Point *Object::insertPoint(QPointF p)
{
    const int n = size();
    if (n == 0)
        return nullptr;

    double best = std::numeric_limits<double>::max();
    int insertAt = -1; // position of the new point
    QPointF segA, segB;

    const Point *first = points.front();
    const Point *last = points.back();
    const QVector2D ends(float(last->x - first->x), float(last->y - first->y));
    if (n == 1 || ends.length() < float(Settings::formatOptions().closedPrecision)) {
        best = segmentDistance(p, last->pos(), first->pos(), nullptr);
        insertAt = n - 1 + 1;
        segA = last->pos();
        segB = first->pos();
    }
    for (int i = 0; i + 1 < n; ++i) {
        const double d = segmentDistance(p, points[i]->pos(), points[i + 1]->pos(), nullptr);
        if (d <= best) {
            best = d;
            insertAt = i + 1;
            segA = points[i]->pos();
            segB = points[i + 1]->pos();
        }
    }
    if (insertAt < 0)
        return nullptr;

    const QPointF q = projectionF(p, segA, segB);
    auto *np = new Point(q.x(), q.y(), this, insertAt);
    insertPointAt(insertAt, np);
    return np;
}

void registerObjectMetaTypes()
{
    qRegisterMetaType<Object::Joint>("Object::Joint");
}
