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

TEST(PathConvert, CollapsedCurvesAddOnlyTheirEnd)
{
    struct Case { const char *what; QPointF c1, c2, e; int added; };
    const QPointF p0(0, 0);
    const Case cases[] = {
        {"all equal (the painter path itself drops it)", p0, p0, p0, 0},
        {"closed, c1 at start", p0, {5, 5}, p0, 1},
        {"closed, c2 at end", {5, 5}, p0, p0, 1},
        {"straight: c1 at start, c2 at end", p0, {9, 3}, {9, 3}, 1},
        {"c1 and c2 at start", p0, p0, {9, 3}, 1},
        {"c1 and c2 at end", {9, 3}, {9, 3}, {9, 3}, 1},
        {"within 1e-12 counts as equal", {1e-13, 0}, {9, 3}, {9, 3 + 1e-13}, 1},
        {"a real curve", {0, 5}, {5, 5}, {5, 0}, 9},
    };
    for (const Case &c : cases) {
        QPainterPath path(p0);
        path.cubicTo(c.c1, c.c2, c.e);
        Drawing d;
        appendPath(path, d);
        ASSERT_EQ(d.objects().size(), 1u);
        const Object &o = *d.objects()[0];
        EXPECT_EQ(o.size(), 1 + c.added) << c.what;
        EXPECT_EQ(o.points.back()->pos(), c.e) << c.what;
        for (int i = 0; i < o.size(); ++i) {
            EXPECT_EQ(o.points[size_t(i)]->index, i);
            EXPECT_EQ(o.points[size_t(i)]->owner, &o);
        }
    }
}

TEST(PathConvert, CurvePointsLieOnTheCubic)
{
    // A 30 mm curve: 31 points, at t = k / 30.
    QPainterPath path(QPointF(0, 0));
    path.cubicTo(QPointF(0, 30), QPointF(30, 30), QPointF(30, 0));
    Drawing d;
    appendPath(path, d);
    const Object &o = *d.objects()[0];
    ASSERT_EQ(o.size(), 31);
    EXPECT_DOUBLE_EQ(o.points[15]->x, 15);
    EXPECT_DOUBLE_EQ(o.points[15]->y, 22.5);
}

TEST(PathConvert, EmptyPathLeavesTheCurrentObject)
{
    Drawing d;
    Object *o = addShape(d, {{1, 1}});
    EXPECT_EQ(appendPath(QPainterPath(), d, o), o);
    EXPECT_EQ(appendPath(QPainterPath(), d), nullptr);
    EXPECT_EQ(d.objects().size(), 1u);
}
