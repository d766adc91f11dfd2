#include "ui/style/shadowwidget.h"

#include <QPainter>
#include <QTransform>

ShadowWidget::ShadowWidget(QWidget *parent)
    : QWidget(parent),
      m_vShadow(QStringLiteral(":/Kerfloom/Resources/vShadow.png")),
      m_hShadow(QStringLiteral(":/Kerfloom/Resources/hShadow.png"))
{
    if (!m_vShadow.isNull())
        m_vShadowRight = m_vShadow.transformed(QTransform().rotate(180));
}

void ShadowWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(204, 204, 204));
    if (!m_hShadow.isNull())
        p.drawTiledPixmap(QRect(0, 0, width(), m_hShadow.height()), m_hShadow);
    if (!m_vShadow.isNull()) {
        const int w = m_vShadow.width();
        p.drawTiledPixmap(QRect(0, 0, w, height()), m_vShadow);
        p.drawTiledPixmap(QRect(width() - w, 0, w, height()), m_vShadowRight);
    }
}
