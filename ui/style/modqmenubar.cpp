#include "ui/style/modqmenubar.h"

#include <QAction>
#include <QHelpEvent>
#include <QToolTip>

bool ModQMenuBar::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        QAction *action = activeAction() ? activeAction() : actionAt(help->pos());
        if (action && !action->toolTip().isEmpty())
            QToolTip::showText(help->globalPos(), action->toolTip(), this);
    }
    return QMenuBar::event(event);
}
