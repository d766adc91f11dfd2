#include "crash/crashuploadanimation.h"

#include <QPainter>
#include <QPixmap>

namespace kerfloom {

CrashUploadAnimation::CrashUploadAnimation(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(50, 16);
    hide();
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle += 10;
        update();
    });
}

void CrashUploadAnimation::start()
{
    m_timer.start(30);
    show();
}

void CrashUploadAnimation::setText(const QString &text)
{
    m_text = text;
    update();
}

void CrashUploadAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.save();
    painter.translate(8, 8);
    painter.rotate(m_angle);
    painter.translate(-8, -8);
    painter.drawPixmap(0, 0, QPixmap(QStringLiteral(":/CrashReporter/uploading")));
    painter.restore();
    painter.drawText(rect().adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

} // namespace kerfloom
