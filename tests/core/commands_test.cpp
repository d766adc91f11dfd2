#include "core/commands.h"
#include "fakeview.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace test;

namespace {

std::vector<Pts> allPoints(const Drawing &d)
{
    std::vector<Pts> out;
    for (const Object *o : d.objects())
        out.push_back(pointsOf(*o));
    out.push_back(pointsOf(d.startObject()));
    return out;
}

void expectNear(const std::vector<Pts> &a, const std::vector<Pts> &b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].size(), b[i].size());
        for (size_t k = 0; k < a[i].size(); ++k) {
            EXPECT_NEAR(a[i][k].first, b[i][k].first, 1e-9) << i << "/" << k;
            EXPECT_NEAR(a[i][k].second, b[i][k].second, 1e-9) << i << "/" << k;
        }
    }
}

// A placed drawing away from the origin with a start spec, so every edit
// moves something.
void fill(Drawing &d)
{
    d.setStartSpec({-5, 3, true, 7});
    addShape(d, square(10, 20, 30));
    addShape(d, {{12, 22}, {35, 48}, {50, 21}});
    d.updateBoundingRect();
    d.setStartPosition(d.resolvePosition(d.startSpec()));
}

using Make = std::function<QUndoCommand *(Drawing &)>;

struct Case
{
    const char *text;
    Make make;
    bool refreshesView;
};

std::vector<Case> geometryCases()
{
    return {
        {"Rotate left", [](Drawing &d) { return new RotateLeftCommand(&d); }, true},
        {"Rotate right", [](Drawing &d) { return new RotateRightCommand(&d); }, true},
        {"Flip vertically", [](Drawing &d) { return new FlipVCommand(&d); }, true},
        {"Flip horizontally", [](Drawing &d) { return new FlipHCommand(&d); }, true},
        {"Move drawing", [](Drawing &d) { return new SetPositionCommand(&d, {10, 0}, true); }, true},
        {"Move drawing", [](Drawing &d) { return new SetPositionCommand(&d, {-7, 4}, false); }, true},
        {"Set start position",
         [](Drawing &d) { return new SetStartCommand(&d, PositionSpec{2, 2, true, 3}); }, true},
        {"Reverse object", [](Drawing &d) { return new ReverseCommand(&d); }, false},
        {"Set anchor", [](Drawing &d) { return new SetAnchorCommand(&d, PositionSpec{0, 0, true, 5}); }, true},
        {"Set anchor", [](Drawing &d) { return new SetAnchorCommand(&d, PositionSpec{4, 4, false, 7}); }, true},
    };
}

} // namespace

TEST(Commands, CarryTheirTexts)
{
    Drawing d;
    Object *o = addShape(d, square(0, 0, 1));
    const Object::Joint j{d.startObject().points[0], o->points[0]};
    std::vector<std::pair<std::unique_ptr<QUndoCommand>, const char *>> commands;
    commands.emplace_back(new AddJointCommand(&d, j), "Join objects");
    commands.emplace_back(new RemoveJointCommand(&d, j), "Remove joint");
    commands.emplace_back(new AddPointCommand(&d, o, {0.5, 0}), "Add point");
    commands.emplace_back(new SetExplicitDirectionCommand(o, 0), "Set object direction");
    for (const Case &c : geometryCases())
        commands.emplace_back(c.make(d), c.text);
    for (const auto &[command, text] : commands) {
        EXPECT_EQ(command->text(), QString::fromLatin1(text));
        EXPECT_EQ(command->id(), -1) << text;
    }
}

// Every geometry edit: undo puts every point (start included) and the bounds
// back, redo does the same edit again, and the view hears of each step.
TEST(Commands, GeometryEditsUndoAndRedo)
{
    for (const Case &c : geometryCases()) {
        SCOPED_TRACE(c.text);
        Drawing d;
        FakeView view;
        d.setView(&view);
        fill(d);
        const auto before = allPoints(d);
        const QRectF boundsBefore = d.boundingRect();
        const bool reversedBefore = d.isReversed();
        const PositionSpec specBefore = d.startSpec();

        d.undoStack()->push(c.make(d));
        const auto after = allPoints(d);
        EXPECT_TRUE(after != before || d.isReversed() != reversedBefore);
        EXPECT_FALSE(d.isUnmodified());

        d.undoStack()->undo();
        expectNear(allPoints(d), before);
        EXPECT_NEAR(d.boundingRect().x(), boundsBefore.x(), 1e-9);
        EXPECT_NEAR(d.boundingRect().y(), boundsBefore.y(), 1e-9);
        EXPECT_EQ(d.isReversed(), reversedBefore);
        EXPECT_EQ(d.startSpec(), specBefore);
        EXPECT_TRUE(d.isUnmodified());
        EXPECT_EQ(d.undoStack()->redoText(), QString::fromLatin1(c.text));

        d.undoStack()->redo();
        expectNear(allPoints(d), after);
        EXPECT_EQ(view.geometryChanges, c.refreshesView ? 3 : 0);
    }
}

TEST(Commands, MoveUndoReturnsToTheSavedAnchorAbsolutely)
{
    Drawing d;
    fill(d);
    d.setAnchorSpec({0, 0, true, 5});
    const QPointF anchor = d.anchorPoint();
    d.undoStack()->push(new SetPositionCommand(&d, {10, 0}, true));
    EXPECT_NEAR(d.anchorPoint().x(), anchor.x() + 10, 1e-9);
    // Someone else shifts the drawing meanwhile; undo still lands on the
    // anchor point saved by redo.
    d.transform(Drawing::Move, QPointF(3, 3), true);
    d.undoStack()->undo();
    EXPECT_NEAR(d.anchorPoint().x(), anchor.x(), 1e-9);
    EXPECT_NEAR(d.anchorPoint().y(), anchor.y(), 1e-9);
}

TEST(Commands, SetAnchorPutsTheAnchorOnTheOriginAndUndoRestoresTheSpec)
{
    Drawing d;
    fill(d);
    const PositionSpec original{1, 1, false, 7};
    d.setAnchorSpec(original);
    const PositionSpec centre{0, 0, true, 5};
    d.undoStack()->push(new SetAnchorCommand(&d, centre));
    EXPECT_EQ(d.anchorSpec(), centre);
    EXPECT_NEAR(d.anchorPoint().x(), 0, 1e-9);
    EXPECT_NEAR(d.anchorPoint().y(), 0, 1e-9);
    EXPECT_EQ(d.startPosition(), d.resolvePosition(d.startSpec())) << "the start follows the drawing";
    d.undoStack()->undo();
    EXPECT_EQ(d.anchorSpec(), original);
    EXPECT_EQ(d.undoStack()->redoText(), QStringLiteral("Set anchor"));
}

TEST(Commands, SetStartRestoresTheSpecSavedAtRedo)
{
    Drawing d;
    fill(d);
    const PositionSpec original = d.startSpec();
    const PositionSpec wanted{4, -1, false, 7};
    d.undoStack()->push(new SetStartCommand(&d, wanted));
    EXPECT_EQ(d.startSpec(), wanted);
    for (const Object::Point *p : d.startObject().points)
        EXPECT_EQ(p->pos(), QPointF(4, -1));
    d.undoStack()->undo();
    EXPECT_EQ(d.startSpec(), original);
    EXPECT_EQ(d.startPosition(), d.resolvePosition(original));
    for (const Object::Point *p : d.startObject().points)
        EXPECT_EQ(p->pos(), d.startPosition());
    d.undoStack()->redo();
    EXPECT_EQ(d.startPosition(), QPointF(4, -1));
}

TEST(Commands, ExplicitDirectionUndoRestoresWhatWasThere)
{
    struct Row
    {
        bool explicitBefore;
        int directionBefore;
        int set;
    };
    for (const Row &r : {Row{false, 0, 0}, Row{false, 0, 1}, Row{true, 1, 0}, Row{true, 0, 1}}) {
        Drawing d;
        Object *o = addShape(d, square(0, 0, 5));
        o->explicitDirection = r.explicitBefore;
        o->direction = r.directionBefore;
        d.undoStack()->push(new SetExplicitDirectionCommand(o, r.set));
        EXPECT_TRUE(o->explicitDirection);
        EXPECT_EQ(o->direction, r.set);
        d.undoStack()->undo();
        EXPECT_EQ(o->explicitDirection, r.explicitBefore);
        EXPECT_EQ(o->direction, r.directionBefore);
    }
}

TEST(Commands, AddPointUndoRemovesExactlyThatPoint)
{
    Drawing d;
    FakeView view;
    d.setView(&view);
    Object *o = addShape(d, {{0, 0}, {10, 0}, {20, 0}, {30, 0}});
    const Pts before = pointsOf(*o);
    auto *cmd = new AddPointCommand(&d, o, {15, 1});
    d.undoStack()->push(cmd);
    ASSERT_NE(cmd->point(), nullptr);
    EXPECT_EQ(cmd->point()->index, 2);
    EXPECT_EQ(pointsOf(*o), (Pts{{0, 0}, {10, 0}, {15, 0}, {20, 0}, {30, 0}}));
    ASSERT_EQ(view.inserted.size(), 1u);
    EXPECT_EQ(view.inserted[0], cmd->point());

    Object::Point *following = o->points[3];
    d.undoStack()->undo();
    EXPECT_EQ(cmd->point(), nullptr);
    EXPECT_EQ(pointsOf(*o), before);
    EXPECT_EQ(following->index, 2);
    for (int i = 0; i < o->size(); ++i)
        EXPECT_EQ(o->points[size_t(i)]->index, i);
    ASSERT_EQ(view.removed.size(), 1u);
    EXPECT_EQ(view.removed[0], view.inserted[0]);
    EXPECT_TRUE(view.removedWhileInShape[0]);

    d.undoStack()->redo();
    ASSERT_NE(cmd->point(), nullptr);
    EXPECT_EQ(o->size(), 5);
    EXPECT_EQ(view.inserted.size(), 2u);
}

TEST(Commands, AddPointOnAnEmptyShapeDoesNothing)
{
    Drawing d;
    FakeView view;
    d.setView(&view);
    Object *o = d.addObject();
    auto *cmd = new AddPointCommand(&d, o, {1, 1});
    d.undoStack()->push(cmd);
    EXPECT_EQ(cmd->point(), nullptr);
    d.undoStack()->undo();
    EXPECT_TRUE(o->isEmpty());
    EXPECT_TRUE(view.inserted.empty());
    EXPECT_TRUE(view.removed.empty());
}

TEST(Commands, JointCommandsAddAndRemoveThroughTheDrawing)
{
    Drawing d;
    Object *o = addShape(d, square(0, 0, 1));
    const Object::Joint j{d.startObject().points[0], o->points[2]};
    QSignalSpy added(&d, &Drawing::jointAdded), removed(&d, &Drawing::jointRemoved);

    d.undoStack()->push(new AddJointCommand(&d, j));
    EXPECT_EQ(d.joints(), std::vector<Object::Joint>{j});
    d.undoStack()->push(new RemoveJointCommand(&d, j));
    EXPECT_TRUE(d.joints().empty());
    d.undoStack()->undo();
    EXPECT_EQ(d.joints(), std::vector<Object::Joint>{j});
    d.undoStack()->undo();
    EXPECT_TRUE(d.joints().empty());
    EXPECT_EQ(added.count(), 2);
    EXPECT_EQ(removed.count(), 2);
    EXPECT_TRUE(d.isUnmodified());

    // A joint with a missing end is never put back.
    d.undoStack()->push(new RemoveJointCommand(&d, {j.a, nullptr}));
    d.undoStack()->undo();
    EXPECT_TRUE(d.joints().empty());
}

// A drawing spanning nearly the whole range of doubles: rotating or
// mirroring it, or moving it further out, would overflow. The refused edit
// changes nothing and leaves no undo step behind that could apply the
// opposite edit to the untouched drawing.
TEST(Commands, RefusedEditsLeaveNoUndoStep)
{
    const std::vector<Case> refused = {
        {"Rotate left", [](Drawing &d) { return new RotateLeftCommand(&d); }, true},
        {"Rotate right", [](Drawing &d) { return new RotateRightCommand(&d); }, true},
        {"Flip horizontally", [](Drawing &d) { return new FlipHCommand(&d); }, true},
        {"Move drawing", [](Drawing &d) { return new SetPositionCommand(&d, {1e308, 0}, true); }, true},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.text);
        Drawing d;
        FakeView view;
        d.setView(&view);
        addShape(d, {{-1.7e308, 0}, {1.7e308, 1}, {0, 2}});
        d.updateBoundingRect();
        const auto before = allPoints(d);

        d.undoStack()->push(c.make(d));
        EXPECT_EQ(allPoints(d), before);
        EXPECT_EQ(d.undoStack()->count(), 0);
        EXPECT_FALSE(d.undoStack()->canUndo());
        EXPECT_TRUE(d.isUnmodified());
        d.undoStack()->undo();
        EXPECT_EQ(allPoints(d), before);
    }
}
