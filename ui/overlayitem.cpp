#include "ui/overlayitem.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

OverlayItem::OverlayItem(QWidget *view) : QWidget(view), m_view(view)
{
    setAcceptDrops(false);
    // The picture covers the whole overlay: what lies below (a view with a
    // million points) is not painted again on every progress step.
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void OverlayItem::showWithMessage(const QString &message)
{
    m_progress = 0;
    m_busy = true;
    m_message = message;
    if (m_view) {
        m_pixmap = m_view->grab();
        resize(m_view->size());
        move(m_view->pos() - QPoint(1, 1));
    }
    show();
    raise();
}

void OverlayItem::hideOverlay()
{
    m_busy = false;
    hide();
}

void OverlayItem::setProgress(double fraction)
{
    m_progress = std::clamp(fraction, 0.0, 1.0);
}

void OverlayItem::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect();
    const QPointF c = QRectF(r).center();
    p.drawPixmap(0, 0, m_pixmap);
    p.fillRect(r, QColor(255, 255, 255, 210));
    p.setPen(QColor(139, 139, 139));
    p.drawRect(r.adjusted(0, 0, -1, -1));

    const QPixmap glass(QStringLiteral(":/Kerfloom/Resources/hourglass.png"));
    const QPointF iconTopLeft(c.x() - glass.width() / 2.0, c.y() - 32 - glass.height() / 2.0);
    p.drawPixmap(iconTopLeft, glass);

    const QRectF bar(c.x() - 100, c.y() - 8.5, 200, 17);
    QPainterPath clip;
    clip.addRoundedRect(bar, 8, 8);
    p.save();
    p.setClipPath(clip);
    p.fillRect(bar, QColor(240, 240, 240));
    p.fillRect(QRectF(bar.left(), bar.top(), std::trunc(200 * m_progress), bar.height()),
               QColor(253, 207, 55));
    p.restore();
    p.setPen(Qt::black);
    p.drawText(bar.translated(0, -1), Qt::AlignCenter,
               QString::number(int(m_progress * 100)) + QLatin1Char('%'));

    QFont f = font();
    f.setBold(true);
    f.setPointSize(10);
    p.setFont(f);
    p.drawText(QRectF(r.left(), iconTopLeft.y() + 55, r.width(), 30), Qt::AlignCenter, m_message);
}
