#pragma once

#include <QPixmap>
#include <QWidget>

// A grey area that looks sunk between its neighbours: shadow strips along the
// left and right edges and along the top.
class ShadowWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ShadowWidget(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_vShadow;
    QPixmap m_vShadowRight;
    QPixmap m_hShadow;
};

