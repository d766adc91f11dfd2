#include "controller/preview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace cutdeck {

Preview::Preview(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(320, 240);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void Preview::setScale(double pixelsPerMm)
{
    if (pixelsPerMm > 0) {
        m_scale = pixelsPerMm;
        m_canvasStale = true;
        update();
    }
}

void Preview::fitExtent(QPointF extent)
{
    const double w = std::max(1.0, extent.x());
    const double h = std::max(1.0, extent.y());
    setScale(std::max(0.01, std::min((width() - 20) / w, (height() - 20) / h)));
}

QPointF Preview::toPixels(QPointF mm) const
{
    return mm * m_scale + QPointF(10, 10);
}

void Preview::drawDot(QPainter &p, QPointF mm) const
{
    p.drawPoint(toPixels(mm));
}

void Preview::plot(QPointF mm)
{
    m_points.append(mm);
    if (!m_canvasStale) {
        QPainter p(&m_canvas);
        p.setPen(QPen(Qt::black, 2));
        drawDot(p, mm);
    }
    const QPointF px = toPixels(mm);
    update(QRect(int(px.x()) - 2, int(px.y()) - 2, 5, 5));
}

void Preview::clear()
{
    m_points.clear();
    m_canvasStale = true;
    update();
}

void Preview::resizeEvent(QResizeEvent *event)
{
    m_canvasStale = true;
    QWidget::resizeEvent(event);
}

void Preview::paintEvent(QPaintEvent *event)
{
    if (m_canvasStale || m_canvas.size() != size()) {
        m_canvas = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        m_canvas.fill(Qt::transparent);
        QPainter p(&m_canvas);
        p.setPen(QPen(Qt::black, 2));
        for (const QPointF &pt : qAsConst(m_points))
            drawDot(p, pt);
        m_canvasStale = false;
    }
    QPainter p(this);
    p.drawImage(event->rect(), m_canvas, event->rect());
}

} // namespace cutdeck
