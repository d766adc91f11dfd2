// TEMPORARY stand-in until the real undo commands are merged; removed then.
#include "core/commands.h"

#include "core/drawing.h"
#include "core/drawingview.h"

namespace {
void refresh(Drawing *d)
{
    d->updateBoundingRect();
    if (d->view())
        d->view()->geometryChanged();
}
} // namespace

AddJointCommand::AddJointCommand(Drawing *d, const Object::Joint &j, QUndoCommand *p) : QUndoCommand(p), m_drawing(d), m_joint(j) {}
void AddJointCommand::redo() { m_drawing->addJoint(m_joint); }
void AddJointCommand::undo() { m_drawing->removeJoint(m_joint); }
RemoveJointCommand::RemoveJointCommand(Drawing *d, const Object::Joint &j, QUndoCommand *p) : QUndoCommand(p), m_drawing(d), m_joint(j) {}
void RemoveJointCommand::redo() { m_drawing->removeJoint(m_joint); }
void RemoveJointCommand::undo() { m_drawing->addJoint(m_joint); }
AddPointCommand::AddPointCommand(Drawing *d, Object *o, QPointF pos, QUndoCommand *p) : QUndoCommand(p), m_drawing(d), m_object(o), m_position(pos) {}
void AddPointCommand::redo() { m_point = m_object->insertPoint(m_position); if (m_drawing->view()) m_drawing->view()->pointInserted(m_point); }
void AddPointCommand::undo() { if (m_point) { m_object->removePointAt(m_point->index); m_point = nullptr; } refresh(m_drawing); }
SetExplicitDirectionCommand::SetExplicitDirectionCommand(Object *o, int dir, QUndoCommand *p) : QUndoCommand(p), m_object(o), m_direction(dir) {}
void SetExplicitDirectionCommand::redo() { m_savedExplicit = m_object->explicitDirection; m_savedDirection = m_object->direction; m_object->explicitDirection = true; m_object->direction = m_direction; }
void SetExplicitDirectionCommand::undo() { m_object->explicitDirection = m_savedExplicit; m_object->direction = m_savedDirection; }
#define KIND_COMMAND(Name, Do, Undo) \
    Name::Name(Drawing *d, QUndoCommand *p) : QUndoCommand(p), m_drawing(d) {} \
    void Name::redo() { m_drawing->transform(Drawing::Do); refresh(m_drawing); } \
    void Name::undo() { m_drawing->transform(Drawing::Undo); refresh(m_drawing); }
KIND_COMMAND(RotateLeftCommand, RotateLeft, RotateRight)
KIND_COMMAND(RotateRightCommand, RotateRight, RotateLeft)
KIND_COMMAND(FlipVCommand, MirrorY, MirrorY)
KIND_COMMAND(FlipHCommand, MirrorX, MirrorX)
KIND_COMMAND(ReverseCommand, ToggleReversed, ToggleReversed)
SetPositionCommand::SetPositionCommand(Drawing *d, QPointF t, bool rel, QUndoCommand *p) : QUndoCommand(p), m_drawing(d), m_target(t), m_relative(rel) {}
void SetPositionCommand::redo() { m_savedAnchor = m_drawing->anchorPoint(); m_drawing->transform(Drawing::Move, m_target, m_relative); refresh(m_drawing); }
void SetPositionCommand::undo() { m_drawing->transform(Drawing::Move, m_savedAnchor, false); refresh(m_drawing); }
SetStartCommand::SetStartCommand(Drawing *d, const PositionSpec &s, QUndoCommand *p) : QUndoCommand(p), m_drawing(d), m_spec(s) {}
void SetStartCommand::redo() { m_savedSpec = m_drawing->startSpec(); m_drawing->setStartSpec(m_spec); m_drawing->transform(Drawing::ApplyStartSpec); refresh(m_drawing); }
void SetStartCommand::undo() { m_drawing->setStartSpec(m_savedSpec); m_drawing->transform(Drawing::ApplyStartSpec); refresh(m_drawing); }
