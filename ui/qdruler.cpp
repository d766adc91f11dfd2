#include "ui/qdruler.h"

#include "core/units.h"

#include <QPainter>

#include <cmath>

QDRuler::QDRuler(RulerType type, QWidget *parent) : QWidget(parent), m_type(type)
{
    m_font = font();
    m_font.setPointSizeF(6.5);
    setMouseTracking(true);
}

void QDRuler::setOrigin(double origin)
{
    if (m_origin != origin) {
        m_origin = origin;
        update();
    }
}

void QDRuler::setRulerUnit(double rulerUnit)
{
    if (m_rulerUnit != rulerUnit) {
        m_rulerUnit = rulerUnit;
        update();
    }
}

void QDRuler::setRulerZoom(double rulerZoom)
{
    if (m_rulerZoom != rulerZoom) {
        m_rulerZoom = rulerZoom;
        update();
    }
}

void QDRuler::setCursorPos(const QPoint &cursorPos)
{
    if (m_cursorPos != cursorPos) {
        m_cursorPos = cursorPos;
        update();
    }
}

void QDRuler::setMouseTrack(bool track)
{
    if (m_mouseTracking != track) {
        m_mouseTracking = track;
        update();
    }
}

std::vector<QDRuler::Tick> QDRuler::ticks(double a, double b, double origin, double step)
{
    std::vector<Tick> out;
    if (!(step > 0) || !(b >= a) || !std::isfinite(origin))
        return out;
    // A ruler is a few thousand pixels at most; this bounds a silly zoom.
    const double maxTicks = (b - a) / step + 4;
    if (maxTicks > 100000)
        return out;
    if (origin >= a && origin <= b) {
        for (int k = 0; origin + k * step <= b; ++k)
            out.push_back({origin + k * step, k});
        for (int k = -1; origin + k * step >= a; --k)
            out.push_back({origin + k * step, k});
    } else if (origin < a) {
        for (int k = int((a - origin) / step); origin + k * step <= b; ++k)
            out.push_back({origin + k * step, k});
    } else {
        for (int k = int((origin - b) / step); origin - k * step >= a; ++k)
            out.push_back({origin - k * step, -k});
    }
    return out;
}

double QDRuler::labelValue(int number, double step, double zoom, RulerType type)
{
    const double v = std::trunc(step) * number / (zoom != 0 ? zoom : 1.0);
    return type == Vertical ? -v : v;
}

QString QDRuler::labelText(double value, bool isOrigin)
{
    return isOrigin ? QStringLiteral("0") : units::text(value, false);
}

void QDRuler::drawScale(QPainter &p, double pixelStep, double tickStart, const QColor &colour,
                        bool labels)
{
    const QRectF r = rect();
    const bool horizontal = m_type == Horizontal;
    const double step = pixelStep * m_rulerUnit;
    const double a = horizontal ? r.left() : r.top();
    const double b = horizontal ? r.right() : r.bottom();
    const double far = horizontal ? r.bottom() : r.right();
    m_drawLabels = labels;
    QFont bold = m_font;
    bold.setBold(true);
    for (const Tick &t : ticks(a, b, m_origin, step)) {
        const bool isOrigin = t.number == 0;
        p.setPen(isOrigin ? QPen(Qt::black, 2) : QPen(colour, 0));
        if (horizontal)
            p.drawLine(QPointF(t.position, tickStart), QPointF(t.position, far));
        else
            p.drawLine(QPointF(tickStart, t.position), QPointF(far, t.position));
        if (!labels)
            continue;
        p.setPen(QPen(Qt::black, 0));
        p.setFont(isOrigin ? bold : m_font);
        const QString text = labelText(labelValue(t.number, step, m_rulerZoom, m_type), isOrigin);
        if (horizontal)
            p.drawText(QPointF(t.position + 2, r.top() + 9), text);
        else
            p.drawText(QPointF(r.left(), t.position - 2), text);
    }
    m_drawLabels = false;
}

void QDRuler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::TextAntialiasing | QPainter::Antialiasing);
    const QRectF r = rect();
    p.fillRect(r, Qt::white);
    p.setPen(QPen(Qt::black, 0));
    const double breadth = m_type == Horizontal ? r.height() : r.width();
    drawScale(p, 6.25, breadth / 1.4, Qt::gray, false);
    drawScale(p, 12.5, breadth / 1.4, Qt::gray, false);
    drawScale(p, 25, breadth * 0.5, Qt::black, false);
    drawScale(p, 50, breadth * 0.25, Qt::black, false);
    drawScale(p, 100, 0, Qt::black, true);
    if (m_mouseTracking) {
        p.setOpacity(0.4);
        p.setPen(QPen(Qt::black, 0));
        if (m_type == Horizontal)
            p.drawLine(QPointF(m_cursorPos.x(), r.top()), QPointF(m_cursorPos.x(), r.bottom()));
        else
            p.drawLine(QPointF(r.left(), m_cursorPos.y()), QPointF(r.right(), m_cursorPos.y()));
        p.setOpacity(1);
    }
    p.setPen(QPen(Qt::black, 2));
    if (m_type == Horizontal)
        p.drawLine(r.bottomLeft(), r.bottomRight());
    else
        p.drawLine(r.topRight(), r.bottomRight());
}
