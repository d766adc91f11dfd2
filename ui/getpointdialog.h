#pragma once

#include "core/placement.h"

#include <QDialog>
#include <functional>
#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

// Nine reference points of a rectangle on a 48 × 48 pad, keypad layout.
class AnchorWidget : public QWidget
{
    Q_OBJECT
public:
    explicit AnchorWidget(QWidget *parent = nullptr);

    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);
    int hoveredIndex() const { return m_hovered; }
    // The cell index 1 … 9 for a position inside the widget.
    static int hitTest(QPoint pos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    int m_selected = 7;
    int m_hovered = 0;
};

// Asks for a position in the display unit, optionally relative to one of the
// drawing's reference points.
class GetPointDialog : public QDialog
{
    Q_OBJECT
public:
    GetPointDialog(QWidget *parent, const QString &title, bool moveMode);

    void setSpec(const PositionSpec &spec);
    PositionSpec spec() const;

    QDoubleSpinBox *xBox() const { return m_x; }
    QDoubleSpinBox *yBox() const { return m_y; }
    QCheckBox *relativeBox() const { return m_relative; }
    AnchorWidget *anchorWidget() const { return m_anchor; }

public slots:
    void on_relative_stateChanged(int state);

private:
    QDoubleSpinBox *m_x;
    QDoubleSpinBox *m_y;
    QCheckBox *m_relative;
    AnchorWidget *m_anchor;
};

// Shows the dialog modally; on OK writes the chosen position back and
// returns true. False at once without a position; Cancel leaves it unchanged.
bool getPoint(QWidget *parent, PositionSpec *spec, const QString &title, bool moveMode);
// Loads the position from the settings group first (when the name is not
// empty), then asks. Never writes the settings.
bool askPosition(QWidget *parent, PositionSpec *spec, const QString &title, const QString &group,
                 bool moveMode);
// Runs instead of the modal dialog when set (tests): returns accepted.
extern std::function<bool(GetPointDialog &dialog)> getPointRunner;
