#include "core/commands.h"

#include "core/drawing.h"
#include "core/drawingview.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString commandText(const char *source)
{
    return QCoreApplication::translate("Commands", source);
}

// Items show the geometry; after every geometric edit (and its undo) the view
// has to rebuild them, or postpone that while a simulation runs.
void refreshView(Drawing *drawing)
{
    if (DrawingView *view = drawing->view())
        view->geometryChanged();
}

// The opposite rotation alone would leave a drawing that had been moved
// away from the origin at the origin (rotations re-anchor it there), and
// the start where the start spec puts it: put both back as they were.
void rotateBack(Drawing *drawing, Drawing::Transform kind, QPointF anchor, QPointF start)
{
    drawing->transform(kind);
    drawing->transform(Drawing::Move, anchor, false);
    drawing->setStartPosition(start);
    refreshView(drawing);
}

// A refused transform (the result would not be finite) has changed nothing:
// the command marks itself obsolete, so the stack drops it instead of keeping
// an undo step that would apply the opposite edit to the untouched drawing.
bool applied(QUndoCommand *command, bool ok)
{
    command->setObsolete(!ok);
    return ok;
}

} // namespace

AddJointCommand::AddJointCommand(Drawing *drawing, const Object::Joint &joint, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_joint(joint)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Join objects")));
}

void AddJointCommand::redo()
{
    m_drawing->addJoint(m_joint);
}

void AddJointCommand::undo()
{
    m_drawing->removeJoint(m_joint);
}

RemoveJointCommand::RemoveJointCommand(Drawing *drawing, const Object::Joint &joint,
                                       QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_joint(joint)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Remove joint")));
}

void RemoveJointCommand::redo()
{
    m_drawing->removeJoint(m_joint);
}

void RemoveJointCommand::undo()
{
    if (m_joint.a && m_joint.b)
        m_drawing->addJoint(m_joint);
}

AddPointCommand::AddPointCommand(Drawing *drawing, Object *object, QPointF position,
                                 QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_object(object)
    , m_position(position)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Add point")));
}

void AddPointCommand::redo()
{
    m_point = m_object->insertPoint(m_position);
    if (m_point && m_drawing->view())
        m_drawing->view()->pointInserted(m_point);
}

void AddPointCommand::undo()
{
    if (!m_point)
        return;
    // Later edits are undone first, so the point is normally where redo put
    // it; look it up anyway rather than delete a stranger.
    int index = m_point->index;
    if (index < 0 || index >= m_object->size() || m_object->points[size_t(index)] != m_point) {
        auto it = std::find(m_object->points.begin(), m_object->points.end(), m_point);
        if (it == m_object->points.end()) {
            m_point = nullptr;
            return;
        }
        index = int(it - m_object->points.begin());
    }
    // The view still gets a live point so it can find the item showing it.
    if (m_drawing->view())
        m_drawing->view()->pointRemoved(m_point);
    delete m_object->takePointAt(index);
    m_object->renumber(index - 1);
    m_point = nullptr;
    if (m_drawing->view())
        m_drawing->view()->objectChanged(m_object);
}

SetExplicitDirectionCommand::SetExplicitDirectionCommand(Drawing *drawing, Object *object,
                                                         int direction, QUndoCommand *parent)
    : SetExplicitDirectionCommand(object, direction, parent)
{
    m_drawing = drawing;
}

SetExplicitDirectionCommand::SetExplicitDirectionCommand(Object *object, int direction,
                                                         QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_object(object)
    , m_direction(direction)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Set object direction")));
}

void SetExplicitDirectionCommand::redo()
{
    m_savedExplicit = m_object->explicitDirection;
    m_savedDirection = m_object->direction;
    m_object->direction = m_direction;
    m_object->explicitDirection = true;
    refresh();
}

void SetExplicitDirectionCommand::undo()
{
    if (!m_savedExplicit) {
        m_object->explicitDirection = false;
        m_object->direction = Object::Clockwise;
    } else {
        m_object->direction = m_savedDirection;
        m_object->explicitDirection = true;
    }
    refresh();
}

void SetExplicitDirectionCommand::refresh()
{
    if (DrawingView *view = m_drawing ? m_drawing->view() : nullptr)
        view->objectChanged(m_object);
}

RotateLeftCommand::RotateLeftCommand(Drawing *drawing, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Rotate left")));
}

void RotateLeftCommand::redo()
{
    m_savedAnchor = m_drawing->anchorPoint();
    m_savedStart = m_drawing->startPosition();
    if (!applied(this, m_drawing->transform(Drawing::RotateLeft)))
        return;
    refreshView(m_drawing);
}

void RotateLeftCommand::undo()
{
    if (isObsolete())
        return;
    rotateBack(m_drawing, Drawing::RotateRight, m_savedAnchor, m_savedStart);
}

RotateRightCommand::RotateRightCommand(Drawing *drawing, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Rotate right")));
}

void RotateRightCommand::redo()
{
    m_savedAnchor = m_drawing->anchorPoint();
    m_savedStart = m_drawing->startPosition();
    if (!applied(this, m_drawing->transform(Drawing::RotateRight)))
        return;
    refreshView(m_drawing);
}

void RotateRightCommand::undo()
{
    if (isObsolete())
        return;
    rotateBack(m_drawing, Drawing::RotateLeft, m_savedAnchor, m_savedStart);
}

FlipVCommand::FlipVCommand(Drawing *drawing, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Flip vertically")));
}

void FlipVCommand::redo()
{
    if (!applied(this, m_drawing->transform(Drawing::MirrorY)))
        return;
    refreshView(m_drawing);
}

void FlipVCommand::undo()
{
    if (!isObsolete())
        redo(); // a mirror is its own inverse
}

FlipHCommand::FlipHCommand(Drawing *drawing, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Flip horizontally")));
}

void FlipHCommand::redo()
{
    if (!applied(this, m_drawing->transform(Drawing::MirrorX)))
        return;
    refreshView(m_drawing);
}

void FlipHCommand::undo()
{
    if (!isObsolete())
        redo();
}

ReverseCommand::ReverseCommand(Drawing *drawing, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Reverse object")));
}

// Only the overall direction flag changes: the geometry stays, the arrows of
// shapes without a direction of their own turn round.
void ReverseCommand::redo()
{
    m_drawing->transform(Drawing::ToggleReversed);
    if (DrawingView *view = m_drawing->view())
        view->directionsChanged();
}

void ReverseCommand::undo()
{
    redo();
}

SetPositionCommand::SetPositionCommand(Drawing *drawing, QPointF target, bool relative,
                                       QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_target(target)
    , m_relative(relative)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Move drawing")));
}

void SetPositionCommand::redo()
{
    m_savedAnchor = m_drawing->anchorPoint();
    if (!applied(this, m_drawing->transform(Drawing::Move, m_target, m_relative)))
        return;
    refreshView(m_drawing);
}

// Back to the saved anchor point absolutely, whatever the move was.
void SetPositionCommand::undo()
{
    if (isObsolete())
        return;
    m_drawing->transform(Drawing::Move, m_savedAnchor, false);
    refreshView(m_drawing);
}

SetStartCommand::SetStartCommand(Drawing *drawing, const PositionSpec &spec, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_spec(spec)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Set start position")));
}

void SetStartCommand::redo()
{
    m_savedSpec = m_drawing->startSpec();
    m_drawing->setStartSpec(m_spec);
    m_drawing->setStartPosition(m_drawing->resolvePosition(m_spec));
    refreshView(m_drawing);
}

void SetStartCommand::undo()
{
    m_drawing->setStartSpec(m_savedSpec);
    m_drawing->setStartPosition(m_drawing->resolvePosition(m_savedSpec));
    refreshView(m_drawing);
}

SetAnchorCommand::SetAnchorCommand(Drawing *drawing, const PositionSpec &spec, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_drawing(drawing)
    , m_spec(spec)
{
    setText(commandText(QT_TRANSLATE_NOOP("Commands", "Set anchor")));
}

void SetAnchorCommand::redo()
{
    m_savedSpec = m_drawing->anchorSpec();
    m_savedStart = m_drawing->startPosition();
    m_drawing->setAnchorSpec(m_spec);
    m_shift = m_drawing->anchorPoint();
    if (!applied(this, m_drawing->transform(Drawing::MoveToOrigin))) {
        m_drawing->setAnchorSpec(m_savedSpec);
        m_drawing->setStartPosition(m_savedStart);
        return;
    }
    refreshView(m_drawing);
}

// Shifting back by the same amount puts every point exactly where it was
// (up to rounding), whatever the old anchor spec resolves to now.
void SetAnchorCommand::undo()
{
    if (isObsolete())
        return;
    m_drawing->transform(Drawing::Move, m_shift, true);
    m_drawing->setAnchorSpec(m_savedSpec);
    m_drawing->setStartPosition(m_savedStart);
    refreshView(m_drawing);
}

namespace {

template <class C>
bool is(const QUndoCommand *command)
{
    return dynamic_cast<const C *>(command) != nullptr;
}

QString currentText(const QUndoCommand *command)
{
    struct Kind
    {
        bool (*test)(const QUndoCommand *);
        const char *source;
    };
    // The same sources the constructors translate.
    static const Kind kinds[] = {
        {is<AddJointCommand>, QT_TRANSLATE_NOOP("Commands", "Join objects")},
        {is<RemoveJointCommand>, QT_TRANSLATE_NOOP("Commands", "Remove joint")},
        {is<AddPointCommand>, QT_TRANSLATE_NOOP("Commands", "Add point")},
        {is<SetExplicitDirectionCommand>, QT_TRANSLATE_NOOP("Commands", "Set object direction")},
        {is<RotateLeftCommand>, QT_TRANSLATE_NOOP("Commands", "Rotate left")},
        {is<RotateRightCommand>, QT_TRANSLATE_NOOP("Commands", "Rotate right")},
        {is<FlipVCommand>, QT_TRANSLATE_NOOP("Commands", "Flip vertically")},
        {is<FlipHCommand>, QT_TRANSLATE_NOOP("Commands", "Flip horizontally")},
        {is<ReverseCommand>, QT_TRANSLATE_NOOP("Commands", "Reverse object")},
        {is<SetPositionCommand>, QT_TRANSLATE_NOOP("Commands", "Move drawing")},
        {is<SetStartCommand>, QT_TRANSLATE_NOOP("Commands", "Set start position")},
        {is<SetAnchorCommand>, QT_TRANSLATE_NOOP("Commands", "Set anchor")},
    };
    for (const Kind &kind : kinds)
        if (kind.test(command))
            return commandText(kind.source);
    // The only macro is auto-join's.
    if (command->childCount() > 0)
        return QCoreApplication::translate("GeometryOperation", "Auto-join");
    return command->text();
}

} // namespace

void retranslateCommands(QUndoStack *stack)
{
    for (int i = 0; i < stack->count(); ++i) {
        // The stack hands out its steps read-only; their text is all we change.
        auto *command = const_cast<QUndoCommand *>(stack->command(i));
        command->setText(currentText(command));
    }
}
