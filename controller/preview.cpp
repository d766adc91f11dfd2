#include "controller/preview.h"

#include <QPainter>

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
        update();
    }
}

void Preview::fitExtent(QPointF extent)
{
    const double w = std::max(1.0, extent.x());
    const double h = std::max(1.0, extent.y());
    setScale(std::max(0.01, std::min((width() - 20) / w, (height() - 20) / h)));
}

void Preview::plot(QPointF mm)
{
    m_points.append(mm);
    // Only the new dot needs painting.
    const QPointF px = mm * m_scale + QPointF(10, 10);
    update(QRect(int(px.x()) - 2, int(px.y()) - 2, 5, 5));
}

void Preview::clear()
{
    m_points.clear();
    update();
}

void Preview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(Qt::black, 2));
    for (const QPointF &pt : qAsConst(m_points))
        p.drawPoint(pt * m_scale + QPointF(10, 10));
}

} // namespace cutdeck
