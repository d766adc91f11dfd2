#include "ui/drawingitems.h"

#include "core/units.h"
#include "ui/graphwidget.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

namespace {

// How far from a line, in pixels, a click still counts as on it.
constexpr double clickPixels = 3;

double segmentDistance(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = len2 > 0 ? QPointF::dotProduct(p - a, d) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = a + t * d - p;
    return std::hypot(q.x(), q.y());
}

QPen objectPen(bool scaleLines, const QColor &colour)
{
    return QPen(colour, scaleLines ? 1 : 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// Points of `polygon` closer than `tolerance` to the last one kept are
// dropped; the ends stay. Empty when nothing would be dropped.
QPolygonF thinned(const QPolygonF &polygon, double tolerance)
{
    const double tol2 = tolerance * tolerance;
    const int n = polygon.size();
    QPolygonF out;
    QPointF last = n > 0 ? polygon[0] : QPointF();
    for (int i = 1; i < n; ++i) {
        const QPointF p = polygon[i];
        const QPointF d = p - last;
        if (i < n - 1 && d.x() * d.x() + d.y() * d.y() < tol2) {
            if (out.isEmpty())
                out = polygon.mid(0, i); // the first drop: keep what came before
            continue;
        }
        if (!out.isEmpty())
            out.push_back(p);
        last = p;
    }
    return out;
}

const QCursor &objectCursor()
{
    // One picture for every shape: loading it per item stats the resource
    // each time, which a sheet of tens of thousands of shapes feels.
    static const QCursor cursor(QPixmap(QStringLiteral(":/Kerfloom/Resources/objcursor.png")), 0, 0);
    return cursor;
}

QPainterPath polygonPath(const QPolygonF &polygon)
{
    QPainterPath path;
    path.addPolygon(polygon);
    return path;
}

double scaleOf(const GraphWidget *view)
{
    const double s = view ? std::abs(view->currentScale()) : 1.0;
    return s > 0 ? s : 1.0;
}

} // namespace

// ---- SmallPicture -----------------------------------------------------------

void SmallPicture::paint(QPainter *painter, const QRectF &bounds, int points,
                         const std::function<void(QPainter *)> &draw)
{
    // Larger items are few on screen and change as one scrolls over them.
    constexpr double largest = 48;
    constexpr int fewestPoints = 8;
    const QTransform world = painter->worldTransform();
    const QRectF device = world.mapRect(bounds);
    // Written so that a size that is not a number (a drawing at the edge of
    // the range of numbers) is drawn directly too, never made a picture of.
    const bool small = device.width() <= largest && device.height() <= largest
                       && std::isfinite(device.left()) && std::isfinite(device.top());
    if (points < fewestPoints || world.type() > QTransform::TxScale || !small || !painter->device()
        || painter->device()->devicePixelRatioF() != 1) {
        m_picture = QPixmap();
        draw(painter);
        return;
    }
    // Whole pixels: the fast copy. The picture may sit up to half a pixel
    // from where direct drawing would put it after a scroll.
    const QPoint origin(int(std::floor(device.left())) - 1, int(std::floor(device.top())) - 1);
    if (m_picture.isNull() || world.m11() != m_scaleX || world.m22() != m_scaleY) {
        m_picture = QPixmap(int(std::ceil(device.width())) + 3, int(std::ceil(device.height())) + 3);
        m_picture.fill(Qt::transparent);
        QPainter p(&m_picture);
        p.setRenderHints(painter->renderHints());
        p.setTransform(world * QTransform::fromTranslate(-origin.x(), -origin.y()));
        draw(&p);
        m_scaleX = world.m11();
        m_scaleY = world.m22();
    }
    painter->save();
    painter->resetTransform();
    painter->drawPixmap(origin, m_picture);
    painter->restore();
}

// ---- DrawingObject ----------------------------------------------------------

DrawingObject::DrawingObject(GraphWidget *view, Object *object, const QPolygonF &polygon,
                             bool scaleLines, bool drawArrows, bool reversed)
    : QGraphicsPathItem(polygonPath(polygon)), m_view(view), m_object(object), m_polygon(polygon),
      m_polygonBounds(polygon.boundingRect()), m_drawArrows(drawArrows), m_reversed(reversed)
{
    setPen(objectPen(scaleLines, Qt::black));
    setBrush(Qt::NoBrush);
    setCursor(objectCursor());
    setAcceptedMouseButtons(Qt::LeftButton);
    if (m_drawArrows && object)
        m_arrows = arrows(*object, polygon, reversed);
}

void DrawingObject::setReversed(bool reversed)
{
    if (reversed == m_reversed)
        return;
    m_reversed = reversed;
    if (!m_drawArrows || !m_object || m_object->explicitDirection)
        return;
    m_arrows = arrows(*m_object, m_polygon, reversed);
    m_picture.clear();
    update();
}

void DrawingObject::setHighlighted(bool on)
{
    m_highlighted = on;
    m_picture.clear();
    update();
}

QRectF DrawingObject::boundingRect() const
{
    double margin = pen().widthF() / 2;
    if (m_drawArrows)
        margin = std::max(margin, arrowSize);
    return m_polygonBounds.adjusted(-margin, -margin, margin, margin);
}

double DrawingObject::hitTolerance() const
{
    return std::max(pen().widthF() / 2, clickPixels / scaleOf(m_view));
}

bool DrawingObject::contains(const QPointF &point) const
{
    if (!boundingRect().adjusted(-hitTolerance(), -hitTolerance(), hitTolerance(), hitTolerance())
             .contains(point))
        return false;
    if (m_polygon.size() > 2 && m_polygon.containsPoint(point, Qt::OddEvenFill))
        return true;
    const double tol = hitTolerance();
    for (int i = 1; i < m_polygon.size(); ++i)
        if (segmentDistance(point, m_polygon[i - 1], m_polygon[i]) <= tol)
            return true;
    return m_polygon.size() == 1 && segmentDistance(point, m_polygon[0], m_polygon[0]) <= tol;
}

bool DrawingObject::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const
{
    // The view asks with a one-pixel rectangle under the mouse.
    const QRectF r = path.boundingRect();
    if (r.width() * scaleOf(m_view) <= 2 && r.height() * scaleOf(m_view) <= 2)
        return contains(r.center());
    return QGraphicsPathItem::collidesWithPath(path, mode);
}

QPainterPath DrawingObject::shape() const
{
    return path();
}

bool DrawingObject::encloses(const DrawingObject &other) const
{
    if (&other == this || m_polygon.size() < 3)
        return false;
    const QRectF mine = m_polygonBounds, theirs = other.m_polygonBounds;
    if (!mine.contains(theirs) || mine == theirs)
        return false;
    return path().contains(other.path());
}

void DrawingObject::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    m_picture.paint(painter, boundingRect(), m_polygon.size(), [this](QPainter *p) { draw(p); });
}

void DrawingObject::draw(QPainter *painter)
{
    QPen p = pen();
    if (m_highlighted)
        p.setColor(Qt::gray);
    painter->setPen(p);
    painter->setBrush(Qt::NoBrush);
    // Zoomed out, many points of a shape fall on the same pixel: drawing
    // them all costs time and shows nothing more.
    const double scale = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (scale != m_screenScale) {
        m_screenScale = scale;
        m_screenPolygon = scale > 0 ? thinned(m_polygon, 0.5 / scale) : QPolygonF();
    }
    painter->drawPolyline(m_screenPolygon.isEmpty() ? m_polygon : m_screenPolygon);
    // An arrow smaller than a pixel cannot be told from the line it sits on,
    // and a large sheet has hundreds of thousands of them.
    if (m_arrows.empty() || arrowSize * scale < 1)
        return;
    QPen outline(Qt::white, 0);
    painter->setPen(outline);
    painter->setBrush(m_highlighted ? Qt::gray : Qt::black);
    for (const QPolygonF &a : m_arrows)
        painter->drawPolygon(a);
}

std::vector<QPolygonF> DrawingObject::arrows(const Object &object, const QPolygonF &polygon,
                                             bool reversed)
{
    std::vector<QPolygonF> out;
    const int count = polygon.size();
    if (count < 2)
        return out;
    const bool forward = object.explicitDirection ? object.direction != object.computeDirection()
                                                  : reversed;

    double length = 0;
    for (int i = 1; i < count; ++i)
        length += QLineF(polygon[i - 1], polygon[i]).length();
    const QRectF r = polygon.boundingRect();
    const int n = std::clamp(int(std::max(r.width(), r.height()) * M_PI / 3), 1, 32);
    const double spacing = length / n;
    if (!(spacing > 0))
        return out;

    double acc = 0;
    QPointF p = forward ? polygon[0] : polygon[count - 1];
    for (int k = 1; k < count; ++k) {
        const QPointF c = forward ? polygon[k] : polygon[count - 1 - k];
        const double seg = QLineF(c, p).length();
        acc += seg;
        if (acc >= spacing && seg > 0) {
            acc = 0;
            const double dx = p.x() - c.x();
            double theta = std::acos(std::clamp(dx / seg, -1.0, 1.0));
            if (p.y() - c.y() >= 0)
                theta = 2 * M_PI - theta;
            const QPointF m = (c + p) / 2;
            const QPointF a(std::sin(theta - M_PI / 3), std::cos(theta - M_PI / 3));
            const QPointF b(std::sin(theta - M_PI + M_PI / 3), std::cos(theta - M_PI + M_PI / 3));
            out.push_back(QPolygonF({m, m + arrowSize * a, m + arrowSize * b}));
        }
        p = c;
    }
    return out;
}

void DrawingObject::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // Taking the press keeps the hand drag from starting on a shape.
    event->accept();
}

void DrawingObject::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (!m_view || m_view->isSimulating()) {
        event->ignore();
        return;
    }
    event->accept();
    m_view->showObjectMenu(this, event->scenePos(), event->screenPos());
}

// ---- DrawingPoint -----------------------------------------------------------

DrawingPoint::DrawingPoint(GraphWidget *view, Object::Point *point, bool isStart, bool scalePoints)
    : m_view(view), m_point(point), m_isStart(isStart)
{
    const double d = isStart ? (scalePoints ? MarkerStyle::startUnits : MarkerStyle::startPixels)
                             : (scalePoints ? MarkerStyle::vertexUnits : MarkerStyle::vertexPixels);
    setRect(-d / 2, -d / 2, d, d);
    setPos(point->x, point->y);
    setPen(Qt::NoPen);
    setBrush(isStart ? Qt::blue : Qt::red);
    setZValue(isStart ? 1.5 : 1.0);
    setFlag(ItemIgnoresTransformations, !scalePoints);
    setCursor(Qt::PointingHandCursor);
    setAcceptedMouseButtons(Qt::LeftButton);
    setCacheMode(NoCache);
    setToolTip(toolTipFor(*point, isStart));
}

QString DrawingPoint::toolTipFor(const Object::Point &point, bool isStart)
{
    const QString position = QStringLiteral("X: %1, Y: %2").arg(units::text(point.x), units::text(point.y));
    if (!isStart)
        return position;
    return QCoreApplication::translate("DrawingElements", "Starting point") + QLatin1Char('\n') + position;
}

void DrawingPoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
    if (m_view)
        m_view->pointClicked(m_point);
}

// ---- DrawingPointSet --------------------------------------------------------

DrawingPointSet::DrawingPointSet(GraphWidget *view, Object *object, const QPolygonF &polygon,
                                 bool scalePoints)
    : m_view(view), m_object(object), m_polygon(polygon), m_bounds(polygon.boundingRect()),
      m_scalePoints(scalePoints)
{
    setZValue(1.0);
    setCursor(Qt::PointingHandCursor);
    setAcceptedMouseButtons(Qt::LeftButton);
    m_margin = radius();
}

double DrawingPointSet::radius() const
{
    return m_scalePoints ? MarkerStyle::vertexUnits / 2
                         : MarkerStyle::vertexPixels / 2 / scaleOf(m_view);
}

void DrawingPointSet::viewScaleChanged()
{
    if (m_scalePoints || qFuzzyCompare(m_margin, radius()))
        return;
    prepareGeometryChange();
    m_margin = radius();
}

QRectF DrawingPointSet::boundingRect() const
{
    return m_bounds.adjusted(-m_margin, -m_margin, m_margin, m_margin);
}

Object::Point *DrawingPointSet::pointAt(const QPointF &pos) const
{
    const double r = radius();
    double best = r * r;
    int found = -1;
    for (int i = 0; i < m_polygon.size(); ++i) {
        const QPointF d = m_polygon[i] - pos;
        const double d2 = d.x() * d.x() + d.y() * d.y();
        if (d2 <= best) {
            best = d2;
            found = i;
        }
    }
    if (found < 0 || !m_object || found >= m_object->size())
        return nullptr;
    return m_object->points[size_t(found)];
}

bool DrawingPointSet::contains(const QPointF &point) const
{
    return boundingRect().contains(point) && pointAt(point);
}

bool DrawingPointSet::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode) const
{
    return contains(path.boundingRect().center());
}

QPainterPath DrawingPointSet::shape() const
{
    QPainterPath p;
    p.addRect(boundingRect());
    return p;
}

// A marker as a small picture, drawn once per size: blitting it is several
// times cheaper than filling an ellipse path, and a large drawing has
// hundreds of thousands of markers on screen.
static QPixmap markerPixmap(double radius, const QColor &colour)
{
    // Every point set of a frame asks for the same size: keep the last one.
    static double lastRadius = -1;
    static QRgb lastColour = 0;
    static QPixmap last;
    if (radius == lastRadius && colour.rgba() == lastColour && !last.isNull())
        return last;
    const int side = int(std::ceil(2 * radius)) + 2;
    QPixmap pix(side, side);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(side / 2.0, side / 2.0), radius, radius);
    p.end();
    lastRadius = radius;
    lastColour = colour.rgba();
    last = pix;
    return pix;
}

void DrawingPointSet::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    m_picture.paint(painter, boundingRect(), m_polygon.size(), [this](QPainter *p) { draw(p); });
}

void DrawingPointSet::draw(QPainter *painter)
{
    const QTransform world = painter->worldTransform();
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::red);
    // Markers are drawn in device pixels; a marker whose centre falls on the
    // pixel of the one before would look the same, so it is skipped.
    const double r = m_scalePoints ? MarkerStyle::vertexUnits / 2 * std::abs(world.m11())
                                   : MarkerStyle::vertexPixels / 2;
    constexpr double largestPictureRadius = 16;
    const QPixmap marker = r <= largestPictureRadius ? markerPixmap(r, Qt::red) : QPixmap();
    const QPoint offset(marker.width() / 2, marker.height() / 2);
    const double scale = QStyleOptionGraphicsItem::levelOfDetailFromTransform(world);
    if (scale != m_screenScale) {
        // A marker drawn within half its radius of the one before changes
        // the picture by a fraction of a pixel.
        m_screenScale = scale;
        m_screenPolygon = scale > 0 ? thinned(m_polygon, std::max(1.0, r / 2) / scale) : QPolygonF();
    }
    // Zoomed in, most markers lie outside the picture. Asking the scene for
    // each item's exposed part costs more than this test on a large sheet.
    const QRectF device = QRectF(0, 0, painter->device()->width(), painter->device()->height())
                              .adjusted(-r - 1, -r - 1, r + 1, r + 1);
    painter->resetTransform();
    QPoint last(INT_MIN, INT_MIN);
    for (const QPointF &pt : m_screenPolygon.isEmpty() ? m_polygon : m_screenPolygon) {
        const QPointF d = world.map(pt);
        if (!device.contains(d))
            continue;
        const QPoint px = d.toPoint();
        if (px == last)
            continue;
        last = px;
        if (marker.isNull())
            painter->drawEllipse(d, r, r);
        else
            painter->drawPixmap(px - offset, marker); // whole pixels: the fast blit
    }
    painter->restore();
}

void DrawingPointSet::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    Object::Point *p = pointAt(event->pos());
    if (!p) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_view)
        m_view->pointClicked(p);
}

// ---- DrawingJoint -----------------------------------------------------------

DrawingJoint::DrawingJoint(GraphWidget *view, const Object::Joint &joint, bool scaleLines)
    : m_view(view), m_scaleLines(scaleLines), m_joint(joint), m_temporary(false)
{
    if (joint.a && joint.b)
        setLine(QLineF(joint.a->pos(), joint.b->pos()));
    resetPen();
    setAcceptedMouseButtons(Qt::RightButton);
    setAcceptHoverEvents(true);
}

DrawingJoint::DrawingJoint(GraphWidget *view, Object::Point *from, bool scaleLines)
    : m_view(view), m_scaleLines(scaleLines), m_joint{from, nullptr}, m_temporary(true)
{
    setLine(QLineF(from->pos(), from->pos()));
    setPen(QPen(Qt::cyan, scaleLines ? 1 : 0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    setAcceptedMouseButtons(Qt::NoButton);
    setZValue(2);
}

void DrawingJoint::setEnd(QPointF scenePos)
{
    if (m_joint.a)
        setLine(QLineF(m_joint.a->pos(), scenePos));
}

void DrawingJoint::resetPen()
{
    setPen(QPen(Qt::green, m_scaleLines ? 1 : 0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void DrawingJoint::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
    if (!m_temporary)
        setPen(QPen(Qt::cyan, m_scaleLines ? 1.5 : 0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void DrawingJoint::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
    if (!m_temporary && !m_removing)
        resetPen();
}

void DrawingJoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_temporary || event->button() != Qt::RightButton || !m_view) {
        event->ignore();
        return;
    }
    event->accept();
    m_view->jointRightClicked(this);
}

// Qt's own strokes the line on every call, and the view asks for every
// joint's box on every frame.
QRectF DrawingJoint::boundingRect() const
{
    const double m = pen().widthF() / 2;
    return QRectF(line().p1(), line().p2()).normalized().adjusted(-m, -m, m, m);
}
