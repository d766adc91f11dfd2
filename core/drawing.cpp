#include "core/drawing.h"

#include "core/disjointsets.h"

#include "formats/settings.h"

#include <QThread>
#include <QUndoStack>
#include <QVector2D>

#include <algorithm>
#include <cmath>
#include <unordered_map>

Drawing::Drawing(QObject *parent)
    : QObject(parent)
    , m_undoStack(std::make_unique<QUndoStack>())
{
    registerObjectMetaTypes();
    initStartObject();
    m_startSpec = Settings::readPosition(Settings::StartPointGroup);
    connectUndoStack();
}

Drawing::Drawing(const Drawing &other, QObject *parent)
    : QObject(parent)
    , m_boundingRect(other.m_boundingRect)
    , m_anchorSpec(other.m_anchorSpec)
    , m_startSpec(other.m_startSpec)
    , m_startPosition(other.m_startPosition)
    , m_reversed(other.m_reversed)
    , m_unmodified(other.m_unmodified)
    , m_undoStack(std::make_unique<QUndoStack>())
{
    auto copyInto = [](const Object &from, Object &to) {
        to.points.reserve(from.points.size());
        for (const Object::Point *p : from.points)
            to.appendPoint(p->x, p->y);
        to.pen = from.pen;
        if (from.explicitDirection) {
            to.explicitDirection = true;
            to.direction = from.direction;
        }
    };

    std::unordered_map<const Object *, Object *> objectCopies;
    objectCopies.reserve(other.m_objects.size() + 1);
    copyInto(other.m_startObject, m_startObject);
    objectCopies.emplace(&other.m_startObject, &m_startObject);
    m_objects.reserve(other.m_objects.size());
    for (const Object *o : other.m_objects) {
        m_objects.push_back(new Object);
        copyInto(*o, *m_objects.back());
        objectCopies.emplace(o, m_objects.back());
    }

    // Points are copied in order, so a point's copy sits at the same index of
    // its owner's copy.
    auto copyOf = [&objectCopies](const Object::Point *p) -> Object::Point * {
        if (!p)
            return nullptr;
        auto it = objectCopies.find(p->owner);
        if (it == objectCopies.end() || p->index < 0 || p->index >= it->second->size()
            || p->owner->points[p->index] != p)
            return nullptr;
        return it->second->points[p->index];
    };
    m_joints.reserve(other.m_joints.size());
    for (const Object::Joint &j : other.m_joints) {
        Object::Point *a = copyOf(j.a), *b = copyOf(j.b);
        if (a && b)
            m_joints.push_back({a, b});
    }
    connectUndoStack();
}

Drawing::~Drawing()
{
    // Commands refer to objects and points: they go first, without telling
    // a half-destroyed drawing about it.
    m_undoStack->disconnect(this);
    m_undoStack.reset();
    clearObjects();
}

void Drawing::initStartObject()
{
    m_startObject.clear();
    m_startObject.appendPoint(m_startPosition);
    m_startObject.appendPoint(m_startPosition);
}

void Drawing::connectUndoStack()
{
    // Until the first save the stack is clean only where nothing can be
    // undone; after a save it is clean at the step that was saved, so an undo
    // back past a save marks the drawing modified again.
    connect(m_undoStack.get(), &QUndoStack::indexChanged, this, [this] {
        m_unmodified = m_undoStack->isClean();
        emit updateSaveState();
    });
}

void Drawing::setUnmodified(bool unmodified)
{
    if (unmodified)
        m_undoStack->setClean();
    m_unmodified = unmodified;
    emit updateSaveState();
}

Object *Drawing::addObject()
{
    m_objects.push_back(new Object);
    return m_objects.back();
}

void Drawing::removeObjectAt(int index)
{
    if (index < 0 || index >= int(m_objects.size()))
        return;
    delete m_objects[index];
    m_objects.erase(m_objects.begin() + index);
}

void Drawing::removeEmptyObjects()
{
    auto empty = [](Object *o) {
        if (!o->isEmpty())
            return false;
        delete o;
        return true;
    };
    m_objects.erase(std::remove_if(m_objects.begin(), m_objects.end(), empty), m_objects.end());
}

void Drawing::clearObjects()
{
    m_joints.clear();
    for (Object *o : m_objects)
        delete o;
    m_objects.clear();
}

void Drawing::addJoint(const Object::Joint &joint)
{
    m_joints.push_back(joint);
    emit jointAdded(joint);
}

void Drawing::removeJoint(const Object::Joint &joint)
{
    // Undo removes joints newest first, so search from the back.
    auto it = std::find(m_joints.rbegin(), m_joints.rend(), joint);
    if (it == m_joints.rend())
        return;
    m_joints.erase(std::next(it).base());
    emit jointRemoved(joint);
}

bool Drawing::areConnected(const Object::Point *p, const Object::Point *q) const
{
    if (!p || !q)
        return false;
    if (p->owner == q->owner)
        return true;

    std::unordered_map<const Object *, size_t> number;
    number.reserve(m_objects.size() + 1);
    number.emplace(&m_startObject, 0);
    for (size_t i = 0; i < m_objects.size(); ++i)
        number.emplace(m_objects[i], i + 1);
    auto numberOf = [&number](const Object::Point *pt) -> std::optional<size_t> {
        auto it = number.find(pt->owner);
        if (it == number.end())
            return std::nullopt;
        return it->second;
    };

    DisjointSets sets(m_objects.size() + 1);
    for (const Object::Joint &j : m_joints) {
        if (!j.a || !j.b)
            continue;
        auto nb = numberOf(j.b), na = numberOf(j.a);
        if (nb && na)
            sets.unite(*nb, *na);
    }
    auto np = numberOf(p), nq = numberOf(q);
    return np && nq && sets.find(*np) == sets.find(*nq);
}

bool Drawing::hasOpenShapes() const
{
    const float precision = float(Settings::formatOptions().closedPrecision);
    for (const Object *o : m_objects) {
        if (o->points.size() < 2)
            return true;
        const Object::Point *f = o->points.front(), *l = o->points.back();
        if (QVector2D(float(l->x - f->x), float(l->y - f->y)).length() > precision)
            return true;
    }
    return false;
}

void Drawing::updateBoundingRect()
{
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    for (const Object *o : m_objects) {
        for (const Object::Point *p : o->points) {
            if (!any) {
                minX = maxX = p->x;
                minY = maxY = p->y;
                any = true;
                continue;
            }
            minX = std::min(minX, p->x);
            maxX = std::max(maxX, p->x);
            minY = std::min(minY, p->y);
            maxY = std::max(maxY, p->y);
        }
    }
    m_boundingRect = QRectF(minX, minY, maxX - minX, maxY - minY);
}

QPointF Drawing::resolvePosition(const PositionSpec &spec) const
{
    return ::resolvePosition(spec, m_boundingRect);
}

QPointF Drawing::anchorPoint() const
{
    if (m_anchorSpec.useAnchor)
        return resolvePosition(m_anchorSpec);
    return {m_boundingRect.x(), m_boundingRect.y()};
}

void Drawing::setStartPosition(QPointF p)
{
    // A start that is not a finite number would leave the start unlinkable
    // and poison every output: the start stays where it was.
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
        qWarning("Start position ignored: it is not a finite number");
        return;
    }
    m_startPosition = p;
    for (Object::Point *sp : m_startObject.points) {
        sp->x = p.x();
        sp->y = p.y();
    }
}

namespace {

// Maps every point through f, or none of them when a result would not be a
// finite number: coordinates far out (a 1e308 in a file) moved further
// overflow to infinity, and such a placement is damage, not intent.
template <typename F>
bool mapPoints(const std::vector<Object *> &objects, F f)
{
    for (const Object *o : objects) {
        for (const Object::Point *p : o->points) {
            const QPointF q = f(p->x, p->y);
            if (!std::isfinite(q.x()) || !std::isfinite(q.y())) {
                qWarning("Placement ignored: it would move the drawing beyond the range of finite numbers");
                return false;
            }
        }
    }
    for (Object *o : objects) {
        for (Object::Point *p : o->points) {
            const QPointF q = f(p->x, p->y);
            p->x = q.x();
            p->y = q.y();
        }
    }
    return true;
}

} // namespace

void Drawing::moveAllToThread(QThread *thread)
{
    moveToThread(thread);
    m_undoStack->moveToThread(thread);
}

bool Drawing::shiftAll(double dx, double dy)
{
    return mapPoints(m_objects, [dx, dy](double x, double y) { return QPointF(x + dx, y + dy); });
}

bool Drawing::transform(Transform kind, std::optional<QPointF> point, bool flag)
{
    const QRectF r = m_boundingRect;
    const QPointF anchor = anchorPoint();
    // Mirrors as left + (right - x): the sum of the two edges could overflow
    // where the mirrored point itself cannot.
    const double left = r.x(), right = r.x() + r.width();
    const double bottom = r.y(), top = r.y() + r.height();

    switch (kind) {
    case RotateLeft:
    case RotateRight: {
        const QPointF c = point ? *point : anchor;
        const QPointF start = startPosition();
        std::vector<QPointF> saved;
        for (const Object *o : m_objects) {
            for (const Object::Point *p : o->points)
                saved.emplace_back(p->x, p->y);
        }
        const double theta = (kind == RotateLeft ? 90.0 : -90.0) * M_PI / 180.0;
        const double cs = std::cos(theta), sn = std::sin(theta);
        const bool rotated = mapPoints(m_objects, [&](double x, double y) {
            const double dx = x - c.x(), dy = y - c.y();
            return QPointF(dx * cs - dy * sn + c.x(), dx * sn + dy * cs + c.y());
        });
        if (!rotated)
            return false;
        updateBoundingRect();
        if (transform(MoveToOrigin))
            return true;
        // Refused as a whole: a rotation left without its move to the origin
        // would be a change nobody asked for and no undo step records.
        auto it = saved.cbegin();
        for (Object *o : m_objects) {
            for (Object::Point *p : o->points) {
                p->x = it->x();
                p->y = it->y();
                ++it;
            }
        }
        updateBoundingRect();
        setStartPosition(start);
        return false;
    }
    case MirrorX:
        if (!mapPoints(m_objects, [&](double x, double y) { return QPointF(left + (right - x), y); }))
            return false;
        updateBoundingRect();
        return true;
    case MirrorY:
        if (!mapPoints(m_objects, [&](double x, double y) { return QPointF(x, bottom + (top - y)); }))
            return false;
        updateBoundingRect();
        return true;
    case ToggleReversed:
        m_reversed = !m_reversed;
        return true;
    case Move: {
        const QPointF target = point ? *point : QPointF(0, 0);
        const QPointF shift = flag ? target : target - anchor;
        if (!shiftAll(shift.x(), shift.y()))
            return false;
        updateBoundingRect();
        return true;
    }
    case ApplyStartSpec: {
        const QPointF start = resolvePosition(m_startSpec);
        setStartPosition(start);
        return std::isfinite(start.x()) && std::isfinite(start.y());
    }
    case MoveToOrigin:
        if (!shiftAll(-anchor.x(), -anchor.y()))
            return false;
        updateBoundingRect();
        return transform(ApplyStartSpec);
    }
    return false;
}
