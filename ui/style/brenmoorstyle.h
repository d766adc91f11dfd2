#pragma once

#include <QPixmap>
#include <QProxyStyle>
#include <QStyledItemDelegate>

// The look shared by Kerfloom and its installer: picture check boxes and
// combo arrows, a grey and white palette, and item delegates for the lists
// and combo boxes of the dialogs. Draws with the base style wherever one of
// its pictures is missing, so a program without them still looks sane.
class BrenmoorStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit BrenmoorStyle(QStyle *base = nullptr);

    // Page lists: tall rows, a bar on the left of the selected row.
    class ListItemDelegate : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;
        void paint(QPainter *painter, const QStyleOptionViewItem &option,
                   const QModelIndex &index) const override;
        QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    };

    // Combo-box pop-ups: an icon, the text and a light hover band.
    class ComboItemDelegate : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;
        void paint(QPainter *painter, const QStyleOptionViewItem &option,
                   const QModelIndex &index) const override;
        QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    };

    QPalette standardPalette() const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

private:
    QPixmap m_checkBase;
    QPixmap m_checkTick;
    QPixmap m_comboArrow;
    QPixmap m_remove;
};

// Makes BrenmoorStyle, on the platform's default style, the application's
// style and its standard palette the application's palette. The first step
// of every program's set-up; needs a QApplication.
void installBrenmoorStyle();
