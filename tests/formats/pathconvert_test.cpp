#include "formats/pathconvert.h"
#include "testsupport.h"

#include <QPainterPath>

#include <gtest/gtest.h>

using namespace test;

TEST(PathConvert, CirclesGetPointsBySize)
{
    struct Case { double radius; int points; };
    for (const Case c : {Case{1, 1 + 4 * 9}, Case{100, 1 + 4 * 85}, Case{0.1, 1 + 4 * 9}}) {
        QPainterPath p;
        p.addEllipse(QPointF(0, 0), c.radius, c.radius);
        Drawing d;
        appendPath(p, d);
        ASSERT_EQ(d.objects().size(), 1u);
        EXPECT_EQ(d.objects()[0]->size(), c.points) << c.radius;
        EXPECT_EQ(d.objects()[0]->points.back()->pos(), d.objects()[0]->points.front()->pos());
    }
}

TEST(PathConvert, SubpathsBecomeObjectsAndCurvesMayCollapse)
{
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(10, 0);
    p.cubicTo(QPointF(10, 0), QPointF(20, 5), QPointF(20, 5)); // a straight segment
    p.moveTo(50, 50);
    Drawing d;
    appendPath(p, d);
    ASSERT_EQ(d.objects().size(), 2u);
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{0, 0}, {10, 0}, {20, 5}}));
    EXPECT_EQ(pointsOf(*d.objects()[1]), (Pts{{50, 50}}));
}

TEST(PathConvert, ContinuesTheGivenObject)
{
    Drawing d;
    Object *o = addShape(d, {{0, 0}});
    QPainterPath p;
    p.moveTo(1, 1);
    p.lineTo(2, 2);
    EXPECT_EQ(appendPath(p, d, o), o);
    EXPECT_EQ(d.objects().size(), 1u);
    EXPECT_EQ(o->size(), 3);
}

TEST(PathConvert, CubicPointCountIsHeldBetween10And86)
{
    EXPECT_EQ(cubicPointCount(0, 0, 0, 1, 1, 1, 1, 0), 10);
    EXPECT_EQ(cubicPointCount(0, 0, 0, 50, 50, 50, 50, 0), 52);
    EXPECT_EQ(cubicPointCount(0, 0, 0, 1e300, 1e300, 1e300, 1e300, 0), 86);
    EXPECT_EQ(cubicPointCount(0, 0, 0, 0, 5, 5, 5, 5), 0);
}
