#pragma once

#include <QWidget>

#include <vector>

// A ruler along the top or the left edge of the drawing view, in display
// units, with its zero at the drawing's origin.
class QDRuler : public QWidget
{
    Q_OBJECT
public:
    enum RulerType { Horizontal = 0, Vertical = 1 };

    explicit QDRuler(RulerType type, QWidget *parent = nullptr);

    QSize minimumSizeHint() const override { return {16, 16}; }
    RulerType rulerType() const { return m_type; }
    double origin() const { return m_origin; }
    double rulerUnit() const { return m_rulerUnit; }
    double rulerZoom() const { return m_rulerZoom; }
    QPoint cursorPos() const { return m_cursorPos; }

    struct Tick
    {
        double position; // pixels along the ruler
        int number;      // multiples of the step from the origin, signed
    };
    // Ticks of one scale over [a, b] for a zero at `origin`, in drawing order.
    static std::vector<Tick> ticks(double a, double b, double origin, double step);
    // The label of tick `number` at a pixel step and zoom, in display units.
    static double labelValue(int number, double step, double zoom, RulerType type);
    static QString labelText(double value, bool isOrigin);

public slots:
    void setOrigin(double origin);
    void setRulerUnit(double rulerUnit);
    void setRulerZoom(double rulerZoom);
    void setCursorPos(const QPoint &cursorPos);
    void setMouseTrack(bool track);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawScale(QPainter &p, double pixelStep, double tickStart, const QColor &colour,
                   bool labels);

    QFont m_font;
    RulerType m_type;
    double m_origin = 0.0;
    double m_rulerUnit = 1.0;
    double m_rulerZoom = 1.0;
    QPoint m_cursorPos;
    bool m_mouseTracking = true;
    bool m_drawLabels = false;
};
