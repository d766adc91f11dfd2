#pragma once

#include <QMenuBar>

// A menu bar that shows the tool tip of the menu under the mouse, which a
// plain QMenuBar never does.
class ModQMenuBar : public QMenuBar
{
    Q_OBJECT
public:
    using QMenuBar::QMenuBar;

protected:
    bool event(QEvent *event) override;
};
