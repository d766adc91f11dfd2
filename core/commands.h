#pragma once

#include "core/object.h"
#include "core/placement.h"

#include <QPointF>
#include <QUndoCommand>

class Drawing;
class DrawingView;

// The undoable edits of a drawing. Each is pushed onto the drawing's own
// undo stack; none merges with another. Texts are translated in the context
// "Commands". Geometry commands refresh the drawing's view (if any) after
// redo and undo through DrawingView::geometryChanged.

class AddJointCommand : public QUndoCommand
{
public:
    AddJointCommand(Drawing *drawing, const Object::Joint &joint, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    Object::Joint m_joint;
};

class RemoveJointCommand : public QUndoCommand
{
public:
    RemoveJointCommand(Drawing *drawing, const Object::Joint &joint, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    Object::Joint m_joint;
};

class AddPointCommand : public QUndoCommand
{
public:
    AddPointCommand(Drawing *drawing, Object *object, QPointF position, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;
    // The point made by the last redo (none after undo).
    Object::Point *point() const { return m_point; }

private:
    Drawing *m_drawing;
    Object *m_object;
    QPointF m_position;
    Object::Point *m_point = nullptr;
};

class SetExplicitDirectionCommand : public QUndoCommand
{
public:
    // With a drawing, its view redraws the shape's arrows after redo and undo.
    SetExplicitDirectionCommand(Drawing *drawing, Object *object, int direction,
                                QUndoCommand *parent = nullptr);
    SetExplicitDirectionCommand(Object *object, int direction, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    void refresh();

    Drawing *m_drawing = nullptr;
    Object *m_object;
    int m_direction;
    bool m_savedExplicit = false;
    int m_savedDirection = 0;
};

// Rotations, flips and the reverse toggle: one transform kind each way.
// A rotation puts the drawing's anchor point at the origin; its undo rotates
// back and then returns the drawing and the start to where they were.
class RotateLeftCommand : public QUndoCommand
{
public:
    explicit RotateLeftCommand(Drawing *drawing, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    QPointF m_savedAnchor;
    QPointF m_savedStart;
};

class RotateRightCommand : public QUndoCommand
{
public:
    explicit RotateRightCommand(Drawing *drawing, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    QPointF m_savedAnchor;
    QPointF m_savedStart;
};

class FlipVCommand : public QUndoCommand
{
public:
    explicit FlipVCommand(Drawing *drawing, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
};

class FlipHCommand : public QUndoCommand
{
public:
    explicit FlipHCommand(Drawing *drawing, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
};

class ReverseCommand : public QUndoCommand
{
public:
    explicit ReverseCommand(Drawing *drawing, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
};

class SetPositionCommand : public QUndoCommand
{
public:
    SetPositionCommand(Drawing *drawing, QPointF target, bool relative, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    QPointF m_target;
    bool m_relative;
    QPointF m_savedAnchor;
};

class SetStartCommand : public QUndoCommand
{
public:
    SetStartCommand(Drawing *drawing, const PositionSpec &spec, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    PositionSpec m_spec;
    PositionSpec m_savedSpec;
};

// The anchor button: the anchor spec becomes `spec` and the drawing moves so
// that its anchor point lands on the origin, with the start resolved again.
// Undo moves it back and restores the anchor position and the start as they were.
class SetAnchorCommand : public QUndoCommand
{
public:
    SetAnchorCommand(Drawing *drawing, const PositionSpec &spec, QUndoCommand *parent = nullptr);
    void redo() override;
    void undo() override;

private:
    Drawing *m_drawing;
    PositionSpec m_spec;
    PositionSpec m_savedSpec;
    QPointF m_shift;
    QPointF m_savedStart;
};

// Words every step of `stack` in the language of the moment: the texts are
// set when a step is made, so after a language change the older steps would
// keep the old one in the Edit menu.
void retranslateCommands(QUndoStack *stack);
