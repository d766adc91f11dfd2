#pragma once

#include <QPointF>
#include <QVector>
#include <QWidget>

namespace cutdeck {

// The machine form's drawing area: points plotted as the job streams, in
// black on white, at the form's drawing scale (pixels per millimetre).
class Preview : public QWidget
{
    Q_OBJECT
public:
    explicit Preview(QWidget *parent = nullptr);

    void setScale(double pixelsPerMm);
    double scale() const { return m_scale; }
    // Chooses the scale so that points up to `extent` millimetres fit.
    void fitExtent(QPointF extent);
    void plot(QPointF mm);
    void clear();
    int pointCount() const { return m_points.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<QPointF> m_points;
    double m_scale = 1.0;
};

} // namespace cutdeck
