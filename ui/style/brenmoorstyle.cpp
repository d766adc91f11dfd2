#include "ui/style/brenmoorstyle.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>

namespace {
const QColor titleColour(0x4e, 0x4e, 0x4e);
const QColor selectedRow(0xdd, 0xe6, 0xf0);
const QColor accent(0x2c, 0x6f, 0xb7);

QPixmap picture(const char *name)
{
    return QPixmap(QStringLiteral(":/Kerfloom/Resources/") + QLatin1String(name));
}

void drawCentred(QPainter *painter, const QRect &rect, const QPixmap &pixmap)
{
    const QSize size = pixmap.size().scaled(rect.size(), Qt::KeepAspectRatio).boundedTo(pixmap.size());
    QRect target(QPoint(), size);
    target.moveCenter(rect.center());
    painter->drawPixmap(target, pixmap);
}
} // namespace

BrenmoorStyle::BrenmoorStyle(QStyle *base)
    : QProxyStyle(base),
      m_checkBase(picture("checkbox_base.png")),
      m_checkTick(picture("checkbox_tick.png")),
      m_comboArrow(picture("combo-arrow.png")),
      m_remove(picture("remove.png"))
{
}

QPalette BrenmoorStyle::standardPalette() const
{
    QPalette p = QProxyStyle::standardPalette();
    const QColor grey(0xf0, 0xf0, 0xf0);
    p.setColor(QPalette::Window, grey);
    p.setColor(QPalette::Button, grey);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    p.setColor(QPalette::WindowText, titleColour);
    p.setColor(QPalette::ButtonText, titleColour);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xa0, 0xa0, 0xa0));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xa0, 0xa0, 0xa0));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0xa0, 0xa0, 0xa0));
    return p;
}

void BrenmoorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                  QPainter *painter, const QWidget *widget) const
{
    if (element == PE_IndicatorCheckBox && !m_checkBase.isNull() && !m_checkTick.isNull()) {
        painter->save();
        if (!(option->state & State_Enabled))
            painter->setOpacity(0.45);
        drawCentred(painter, option->rect, m_checkBase);
        if (option->state & (State_On | State_NoChange)) {
            if (option->state & State_NoChange)
                painter->setOpacity(painter->opacity() * 0.5);
            drawCentred(painter, option->rect, m_checkTick);
        }
        painter->restore();
        return;
    }
    if (element == PE_IndicatorTabClose && !m_remove.isNull()) {
        painter->save();
        if (!(option->state & State_MouseOver))
            painter->setOpacity(0.7);
        drawCentred(painter, option->rect, m_remove);
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void BrenmoorStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                       QPainter *painter, const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (control == CC_ComboBox && combo && !m_comboArrow.isNull()) {
        QStyleOptionComboBox frame(*combo);
        frame.subControls &= ~SC_ComboBoxArrow;
        QProxyStyle::drawComplexControl(control, &frame, painter, widget);
        const QRect arrow = subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
        painter->save();
        if (!(combo->state & State_Enabled))
            painter->setOpacity(0.45);
        drawCentred(painter, arrow, m_comboArrow);
        painter->restore();
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int BrenmoorStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                               const QWidget *widget) const
{
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) && !m_checkBase.isNull())
        return m_checkBase.width();
    return QProxyStyle::pixelMetric(metric, option, widget);
}

// ---- delegates ----------------------------------------------------------------

void BrenmoorStyle::ListItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = opt.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(opt.rect, selectedRow);
    else if (opt.state & QStyle::State_MouseOver)
        painter->fillRect(opt.rect, QColor(0xec, 0xf0, 0xf4));
    if (selected)
        painter->fillRect(QRect(opt.rect.left(), opt.rect.top(), 4, opt.rect.height()), accent);
    QRect text = opt.rect.adjusted(16, 0, -6, 0);
    if (!opt.icon.isNull()) {
        const QRect icon(text.left(), text.center().y() - 8, 16, 16);
        opt.icon.paint(painter, icon);
        text.setLeft(icon.right() + 8);
    }
    QFont font = opt.font;
    font.setBold(selected);
    painter->setFont(font);
    painter->setPen(opt.state & QStyle::State_Enabled ? titleColour : QColor(0xa0, 0xa0, 0xa0));
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                      opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, text.width()));
    painter->restore();
}

QSize BrenmoorStyle::ListItemDelegate::sizeHint(const QStyleOptionViewItem &option,
                                                const QModelIndex &index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), 34));
    s.setWidth(s.width() + 24);
    return s;
}

void BrenmoorStyle::ComboItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                             const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    painter->save();
    const bool active = opt.state & (QStyle::State_Selected | QStyle::State_MouseOver);
    painter->fillRect(opt.rect, active ? selectedRow : QColor(Qt::white));
    QRect text = opt.rect.adjusted(8, 0, -6, 0);
    if (!opt.icon.isNull()) {
        const QSize size = opt.decorationSize.isValid() ? opt.decorationSize : QSize(16, 16);
        const QRect icon(QPoint(text.left(), text.center().y() - size.height() / 2), size);
        opt.icon.paint(painter, icon);
        text.setLeft(icon.right() + 8);
    }
    painter->setFont(opt.font);
    painter->setPen(opt.state & QStyle::State_Enabled ? QColor(Qt::black) : QColor(0xa0, 0xa0, 0xa0));
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                      opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, text.width()));
    painter->restore();
}

QSize BrenmoorStyle::ComboItemDelegate::sizeHint(const QStyleOptionViewItem &option,
                                                 const QModelIndex &index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), 26));
    s.setWidth(s.width() + 16);
    return s;
}

void installBrenmoorStyle()
{
    // QApplication owns the style it is given.
    auto *style = new BrenmoorStyle; // on the platform's default style
    QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
}
