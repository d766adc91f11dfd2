// TEMPORARY stand-in until the real linking is merged; removed then.
#include "core/autojoin.h"

#include "core/commands.h"
#include "core/drawing.h"

#include <QUndoStack>
#include <QtConcurrent>

void autoJoin(Drawing &drawing)
{
    if (drawing.objects().empty() || drawing.startObject().points.empty())
        return;
    drawing.undoStack()->beginMacro(QStringLiteral("Auto-join"));
    Object::Point *start = drawing.startObject().points.front();
    for (Object *o : drawing.objects())
        if (!o->points.empty() && !drawing.areConnected(start, o->points.front()))
            drawing.undoStack()->push(new AddJointCommand(&drawing, {start, o->points.front()}));
    drawing.undoStack()->endMacro();
}

QFuture<void> startAutoJoin(Drawing &drawing, std::function<void()> finished)
{
    autoJoin(drawing);
    if (finished)
        finished();
    return QFuture<void>();
}
