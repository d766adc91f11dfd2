#include "ui/mygraphicsscene.h"

#include "ui/drawingitems.h"
#include "ui/graphwidget.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneHelpEvent>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

MyGraphicsScene::MyGraphicsScene(GraphWidget *view) : QGraphicsScene(view), m_view(view)
{
}

QList<QGraphicsItem *> MyGraphicsScene::itemsUnder(const QPointF &scenePos) const
{
    return items(scenePos, Qt::IntersectsItemShape, Qt::DescendingOrder,
                 m_view ? m_view->transform() : QTransform());
}

QList<QGraphicsItem *> MyGraphicsScene::contextCandidates(const QPointF &scenePos) const
{
    const QList<QGraphicsItem *> under = itemsUnder(scenePos);
    for (QGraphicsItem *item : under)
        if (item->type() == DrawingJointType)
            return {item};

    QList<const DrawingObject *> objects;
    for (QGraphicsItem *item : under)
        if (item->type() == DrawingObjectType)
            objects << static_cast<const DrawingObject *>(item);

    QList<QGraphicsItem *> out;
    for (QGraphicsItem *item : under) {
        if (item->type() == DrawingObjectType) {
            const auto *o = static_cast<const DrawingObject *>(item);
            const bool outer = std::any_of(objects.begin(), objects.end(),
                                           [o](const DrawingObject *inner) { return o->encloses(*inner); });
            if (outer)
                continue;
        }
        out << item;
    }
    return out;
}

void MyGraphicsScene::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    for (QGraphicsItem *item : contextCandidates(event->scenePos())) {
        event->setPos(item->mapFromScene(event->scenePos()));
        event->accept();
        sendEvent(item, event);
        if (event->isAccepted() || item->type() == DrawingJointType)
            return;
    }
    event->ignore();
}

void MyGraphicsScene::helpEvent(QGraphicsSceneHelpEvent *event)
{
    // Tool tips are worded when shown, so they follow a change of the
    // display unit or the language without rebuilding the scene.
    for (QGraphicsItem *item : itemsUnder(event->scenePos())) {
        if (item->type() == DrawingPointType) {
            const auto *marker = static_cast<const DrawingPoint *>(item);
            QToolTip::showText(event->screenPos(), DrawingPoint::toolTipFor(*marker->point(), marker->isStart()),
                               event->widget());
            event->accept();
            return;
        }
        if (item->type() != DrawingPointSetType)
            continue;
        const auto *set = static_cast<const DrawingPointSet *>(item);
        if (const Object::Point *p = set->pointAt(set->mapFromScene(event->scenePos()))) {
            QToolTip::showText(event->screenPos(), DrawingPoint::toolTipFor(*p, false), event->widget());
            event->accept();
            return;
        }
    }
    QGraphicsScene::helpEvent(event);
}

void MyGraphicsScene::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MyGraphicsScene::dragMoveEvent(QGraphicsSceneDragDropEvent *event)
{
    dragEnterEvent(event);
}

void MyGraphicsScene::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    if (!event->mimeData() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Queued: the open may be long and must not run inside the drag and drop.
    if (m_view && m_view->window() != m_view)
        QMetaObject::invokeMethod(m_view->window(), "processDroppedFiles", Qt::QueuedConnection,
                                  Q_ARG(QList<QUrl>, event->mimeData()->urls()));
}
