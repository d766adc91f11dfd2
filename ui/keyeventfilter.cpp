#include "ui/keyeventfilter.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

bool KeyEventFilter::eventFilter(QObject *obj, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *ev = static_cast<QKeyEvent *>(event);
        bool consume = false;
        if (ev->key() == Qt::Key_Return || ev->key() == Qt::Key_Enter) {
            emit AcceptCommand();
        } else if (ev->key() == Qt::Key_Escape) {
            emit RejectCommand();
            consume = true;
        } else if (ev->key() == Qt::Key_Delete) {
            emit DeleteCommand();
            consume = true;
        } else if (ev->key() == Qt::Key_C && (ev->modifiers() & Qt::ControlModifier)) {
            emit CopyCommand();
            consume = true;
        }
        if (consume) {
            emit KeyPressed(obj, ev);
            return true;
        }
        break;
    }
    case QEvent::DragEnter: {
        auto *ev = static_cast<QDragEnterEvent *>(event);
        if (ev->mimeData() && ev->mimeData()->hasUrls())
            ev->acceptProposedAction();
        break;
    }
    case QEvent::Drop: {
        auto *ev = static_cast<QDropEvent *>(event);
        if (ev->mimeData() && ev->mimeData()->hasUrls()) {
            emit FilesDropped(ev->mimeData()->urls());
            ev->acceptProposedAction();
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(obj, event);
}
