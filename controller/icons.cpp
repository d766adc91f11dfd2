#include "controller/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace cutdeck {

namespace {

QPixmap arrow(int quarterTurns)
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(24, 24);
    p.rotate(90.0 * quarterTurns);
    const QPolygonF shape({{0, -18}, {16, 0}, {6, 0}, {6, 18}, {-6, 18}, {-6, 0}, {-16, 0}});
    p.setPen(QPen(QColor(30, 60, 110), 2));
    p.setBrush(QColor(70, 130, 200));
    p.drawPolygon(shape);
    return pm;
}

QPixmap wire(bool on)
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(on ? QColor(200, 40, 20) : QColor(90, 90, 90), 4));
    QPainterPath zig;
    zig.moveTo(6, 24);
    for (int i = 0; i < 6; ++i)
        zig.lineTo(10 + i * 6, i % 2 ? 14 : 34);
    zig.lineTo(42, 24);
    p.drawPath(zig);
    if (!on) {
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(8, 8, 40, 40);
    }
    return pm;
}

QPixmap pauseMachine()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setBrush(QColor(220, 160, 20));
    p.setPen(Qt::NoPen);
    p.drawRect(12, 10, 9, 28);
    p.drawRect(27, 10, 9, 28);
    return pm;
}

QPixmap testProgram()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawRect(10, 6, 28, 36);
    for (int y = 14; y <= 34; y += 6)
        p.drawLine(15, y, 33, y);
    return pm;
}

} // namespace

QIcon buttonIcon(ButtonPicture picture)
{
    switch (picture) {
    case ButtonPicture::Up: return QIcon(arrow(0));
    case ButtonPicture::Right: return QIcon(arrow(1));
    case ButtonPicture::Down: return QIcon(arrow(2));
    case ButtonPicture::Left: return QIcon(arrow(3));
    case ButtonPicture::WireOn: return QIcon(wire(true));
    case ButtonPicture::WireOff: return QIcon(wire(false));
    case ButtonPicture::PauseMachine: return QIcon(pauseMachine());
    case ButtonPicture::TestProgram: return QIcon(testProgram());
    }
    return QIcon();
}

} // namespace cutdeck
