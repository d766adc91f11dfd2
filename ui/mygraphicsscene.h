#pragma once

#include <QGraphicsScene>

class GraphWidget;

// The drawing view's scene: sends a right click to the innermost contour
// under the mouse, gives vertex tool tips, and hands dropped files to the
// main window.
class MyGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit MyGraphicsScene(GraphWidget *view);

    // The items that should be offered a context menu at pos, in order.
    QList<QGraphicsItem *> contextCandidates(const QPointF &scenePos) const;

protected:
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void helpEvent(QGraphicsSceneHelpEvent *event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;

private:
    QList<QGraphicsItem *> itemsUnder(const QPointF &scenePos) const;

    GraphWidget *m_view;
};
