#include "formats/settings.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace test;

TEST(Object, ClosedWhenEndsAreNearerThanThePrecision)
{
    struct Case { double gap; int points; bool closed; };
    const Case cases[] = {
        {0.0, 5, true}, {0.004, 5, true}, {0.006, 5, false}, {0.0, 1, false}, {0.0, 0, false},
    };
    for (const Case &c : cases) {
        Drawing d;
        Pts pts = square(0, 0, 10);
        pts.back().first += c.gap;
        pts.resize(size_t(c.points));
        Object *o = addShape(d, pts);
        EXPECT_EQ(o->isClosed(), c.closed) << c.gap << " " << c.points;
        EXPECT_EQ(d.hasOpenShapes(), !c.closed);
    }
}

TEST(Object, DirectionFollowsTheShoelaceSum)
{
    Drawing d;
    Object *cw = addShape(d, square(0, 0, 10));
    EXPECT_EQ(cw->computeDirection(), int(Object::Clockwise));
    cw->reverse();
    EXPECT_EQ(cw->computeDirection(), int(Object::CounterClockwise));
    EXPECT_EQ(addShape(d, {{0, 0}, {5, 5}, {10, 10}})->computeDirection(), int(Object::CounterClockwise));
    EXPECT_EQ(d.addObject()->computeDirection(), int(Object::Clockwise));
    // The closing edge counts for open shapes too.
    EXPECT_EQ(addShape(d, {{0, 0}, {0, 10}, {10, 10}})->computeDirection(), int(Object::Clockwise));
}

TEST(Object, ReverseRenumbers)
{
    Drawing d;
    Object *o = addShape(d, {{1, 0}, {2, 0}, {3, 0}});
    Object::Point *first = o->points.front();
    o->reverse();
    EXPECT_EQ(o->points.back(), first);
    for (int i = 0; i < o->size(); ++i)
        EXPECT_EQ(o->points[size_t(i)]->index, i);
}

TEST(Object, InsertPointProjectsOntoTheNearestSegment)
{
    Drawing d;
    Object *empty = d.addObject();
    EXPECT_EQ(empty->insertPoint({1, 1}), nullptr);

    Object *open = addShape(d, {{0, 0}, {10, 0}, {20, 0}, {30, 0}});
    Object::Point *p = open->insertPoint({15, 3});
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->index, 2);
    EXPECT_EQ(p->pos(), QPointF(15, 0));
    EXPECT_EQ(open->points[3]->index, 3);
    EXPECT_EQ(open->points[3]->x, 20);

    // On a tie the later segment wins: (10, 5) is as near to both segments.
    Object *corner = addShape(d, {{0, 0}, {10, 0}, {20, 0}});
    EXPECT_EQ(corner->insertPoint({10, 5})->index, 2);

    // An open shape never inserts on its closing segment.
    Object *ell = addShape(d, {{0, 0}, {0, 10}, {10, 10}});
    EXPECT_EQ(ell->insertPoint({6, 4})->index, 2);

    // A single point: the closing "segment" is the point itself.
    Object *single = addShape(d, {{3, 3}});
    Object::Point *s = single->insertPoint({5, 5});
    EXPECT_EQ(s->index, 1);
    EXPECT_EQ(s->pos(), QPointF(3, 3));
}

TEST(Object, JointMetaTypeIsRegisteredUnderItsName)
{
    registerObjectMetaTypes();
    EXPECT_NE(QMetaType::type("Object::Joint"), int(QMetaType::UnknownType));
}
