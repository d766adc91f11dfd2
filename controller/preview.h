#pragma once

#include <QImage>
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
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointF toPixels(QPointF mm) const;
    void drawDot(QPainter &p, QPointF mm) const;

    QVector<QPointF> m_points;
    // The dots drawn so far: a job of a million lines plots a million dots,
    // and painting them all again for every new one would slow the stream
    // down as it goes. Redrawn whole only when the scale or size changes.
    QImage m_canvas;
    bool m_canvasStale = true;
    double m_scale = 1.0;
};

} // namespace cutdeck
