#include "formats/settings.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QUndoCommand>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace test;

namespace {

void expectNear(const Pts &a, const Pts &b, double eps = 1e-9)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].first, b[i].first, eps) << i;
        EXPECT_NEAR(a[i].second, b[i].second, eps) << i;
    }
}

} // namespace

TEST(Drawing, ResolvesPositionsAgainstTheBounds)
{
    const QRectF r(0, 0, 100, 50);
    EXPECT_EQ(resolvePosition({5, -2, true, 9}, r), QPointF(105, -2));
    EXPECT_EQ(resolvePosition({5, -2, false, 9}, r), QPointF(5, -2));
    EXPECT_EQ(resolvePosition({0, 0, true, 1}, r), QPointF(0, 50));
    EXPECT_EQ(resolvePosition({0, 0, true, 5}, r), QPointF(50, 25));
    EXPECT_EQ(resolvePosition({1, 1, true, 0}, r), QPointF(1, 1));
    EXPECT_EQ(resolvePosition({1, 1, true, 10}, r), QPointF(1, 1));
}

TEST(Drawing, RotateLeftThenRightRestoresThePoints)
{
    Drawing d;
    addShape(d, square(10, 20, 30));
    addShape(d, {{12, 22}, {35, 48}});
    d.updateBoundingRect();
    d.transform(Drawing::MoveToOrigin);
    const Pts before = pointsOf(*d.objects()[1]);

    d.transform(Drawing::RotateLeft);
    EXPECT_NEAR(d.boundingRect().x(), 0, 1e-12);
    EXPECT_NEAR(d.boundingRect().y(), 0, 1e-12);
    d.transform(Drawing::RotateRight);
    expectNear(pointsOf(*d.objects()[1]), before);
    EXPECT_NEAR(d.boundingRect().x(), 0, 1e-12);
}

TEST(Drawing, RotationReanchorsAndMovesTheStart)
{
    Drawing d;
    d.setStartSpec({-5, 0, true, 7});
    addShape(d, square(10, 20, 30));
    d.updateBoundingRect();
    d.transform(Drawing::RotateRight);
    EXPECT_NEAR(d.boundingRect().x(), 0, 1e-12);
    EXPECT_NEAR(d.boundingRect().y(), 0, 1e-12);
    EXPECT_NEAR(d.startPosition().x(), -5, 1e-12);
    EXPECT_EQ(d.startObject().points[1]->pos(), d.startPosition());
}

TEST(Drawing, MirroringTwiceRestoresTheDrawing)
{
    for (auto kind : {Drawing::MirrorX, Drawing::MirrorY}) {
        Drawing d;
        addShape(d, {{1.1, 2.3}, {7.9, -4.4}, {3.3, 9.7}});
        d.updateBoundingRect();
        const QRectF bounds = d.boundingRect();
        const Pts before = pointsOf(*d.objects()[0]);
        d.transform(kind);
        EXPECT_EQ(d.boundingRect(), bounds);
        EXPECT_NE(pointsOf(*d.objects()[0]), before);
        d.transform(kind);
        expectNear(pointsOf(*d.objects()[0]), before, 1e-12);
    }
}

TEST(Drawing, MovesRelativeOrToTheAnchor)
{
    Drawing d;
    addShape(d, square(10, 20, 30));
    d.updateBoundingRect();
    d.transform(Drawing::Move, QPointF(5, -5), true);
    EXPECT_EQ(d.boundingRect().topLeft(), QPointF(15, 15));
    d.setAnchorSpec({0, 0, true, 5});
    d.transform(Drawing::Move, QPointF(0, 0), false);
    EXPECT_EQ(d.boundingRect(), QRectF(-15, -15, 30, 30));
    d.transform(Drawing::ToggleReversed);
    EXPECT_TRUE(d.isReversed());
}

TEST(Drawing, StartSpecComesFromTheSettings)
{
    Settings::writePosition(Settings::StartPointGroup, {3, 4, true, 9});
    Drawing d;
    EXPECT_EQ(d.startSpec(), (PositionSpec{3, 4, true, 9}));
    Settings::open()->remove(QStringLiteral("StartPoint"));
    Drawing fresh;
    EXPECT_EQ(fresh.startSpec(), PositionSpec{});
}

TEST(Drawing, ConnectivityFollowsTheJoints)
{
    Drawing d;
    Object *a = addShape(d, square(0, 0, 1));
    Object *b = addShape(d, square(5, 0, 1));
    Object *c = addShape(d, square(10, 0, 1));
    Object::Point *s = d.startObject().points[0];
    EXPECT_TRUE(d.areConnected(a->points[0], a->points[2]));
    EXPECT_FALSE(d.areConnected(s, c->points[0]));
    d.addJoint({b->points[0], c->points[0]});
    d.addJoint({s, a->points[1]});
    EXPECT_FALSE(d.areConnected(s, c->points[0]));
    d.addJoint({a->points[0], b->points[3]});
    EXPECT_TRUE(d.areConnected(s, c->points[0]));
    d.removeJoint({a->points[0], b->points[3]});
    EXPECT_FALSE(d.areConnected(s, c->points[0]));
}

TEST(Drawing, JointEditsAreSignalled)
{
    Drawing d;
    Object *a = addShape(d, square(0, 0, 1));
    QSignalSpy added(&d, &Drawing::jointAdded), removed(&d, &Drawing::jointRemoved);
    const Object::Joint j{d.startObject().points[0], a->points[0]};
    d.addJoint(j);
    d.removeJoint({a->points[0], a->points[1]}); // not there: nothing happens
    d.removeJoint(j);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.first().first().value<Object::Joint>(), j);
    EXPECT_TRUE(d.joints().empty());
}

TEST(Drawing, CopyIsDeepAndKeepsJointsOnTheCopiedPoints)
{
    Drawing d;
    Object *a = addShape(d, square(0, 0, 1));
    Object *b = addShape(d, {{4, 4}, {5, 5}});
    a->pen = 3;
    b->explicitDirection = true;
    b->direction = 1;
    a->direction = 1; // meaningless without the explicit flag: not copied
    d.setStartPosition({-1, -1});
    d.addJoint({d.startObject().points[0], a->points[2]});
    d.addJoint({a->points[0], b->points[1]});
    d.undoStack()->push(new QUndoCommand(QStringLiteral("x")));

    Drawing copy(d);
    ASSERT_EQ(copy.objects().size(), 2u);
    EXPECT_NE(copy.objects()[0], a);
    EXPECT_EQ(pointsOf(*copy.objects()[0]), pointsOf(*a));
    EXPECT_EQ(copy.objects()[0]->pen, 3);
    EXPECT_EQ(copy.objects()[0]->direction, 0);
    EXPECT_TRUE(copy.objects()[1]->explicitDirection);
    EXPECT_EQ(copy.objects()[1]->direction, 1);
    EXPECT_EQ(copy.undoStack()->count(), 0);
    EXPECT_EQ(copy.startPosition(), QPointF(-1, -1));
    ASSERT_EQ(copy.joints().size(), 2u);
    EXPECT_EQ(copy.joints()[0].a, copy.startObject().points[0]);
    EXPECT_EQ(copy.joints()[0].b, copy.objects()[0]->points[2]);
    EXPECT_EQ(copy.joints()[1].b, copy.objects()[1]->points[1]);
}

TEST(Drawing, UnmodifiedFollowsTheUndoStack)
{
    Drawing d;
    QSignalSpy saveState(&d, &Drawing::updateSaveState);
    EXPECT_TRUE(d.isUnmodified());
    d.undoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    EXPECT_FALSE(d.isUnmodified());
    d.setUnmodified(true);
    EXPECT_TRUE(d.isUnmodified());
    // Undo past the save: the drawing no longer matches the saved file,
    // although nothing is left to undo; redo comes back to what was saved.
    d.undoStack()->undo();
    EXPECT_FALSE(d.isUnmodified());
    d.undoStack()->redo();
    EXPECT_TRUE(d.isUnmodified());
    EXPECT_EQ(saveState.count(), 4);
}

TEST(Drawing, AnUnsavedDrawingIsUnmodifiedExactlyWhenNothingCanBeUndone)
{
    Drawing d;
    d.undoStack()->push(new QUndoCommand(QStringLiteral("a")));
    d.undoStack()->push(new QUndoCommand(QStringLiteral("b")));
    d.undoStack()->undo();
    EXPECT_FALSE(d.isUnmodified());
    d.undoStack()->undo();
    EXPECT_TRUE(d.isUnmodified());
    // Saved at "a", then a new edit from there drops "b": back at "a" is clean.
    d.undoStack()->redo();
    d.setUnmodified(true);
    d.undoStack()->push(new QUndoCommand(QStringLiteral("c")));
    EXPECT_FALSE(d.isUnmodified());
    d.undoStack()->undo();
    EXPECT_TRUE(d.isUnmodified());
}
