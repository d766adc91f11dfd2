#include "cuttingpath_reference.h"
#include "formats/settings.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

using namespace test;

namespace {

class CuttingPath : public ::testing::Test
{
protected:
    void SetUp() override { saved = Settings::formatOptions(); }
    void TearDown() override { Settings::setFormatOptions(saved); }
    void setDuplicate(bool on)
    {
        auto o = Settings::formatOptions();
        o.duplicateNonClosed = on;
        Settings::setFormatOptions(o);
    }
    Settings::FormatOptions saved;
};

Pts circle(double cx, double cy, double r, int n)
{
    Pts pts;
    for (int i = 0; i <= n; ++i) {
        const double t = 2 * M_PI * (i % n) / n;
        pts.emplace_back(cx + r * std::cos(t), cy + r * std::sin(t));
    }
    return pts;
}

std::vector<Pts> resultOf(const Drawing &d)
{
    std::vector<Pts> out;
    for (const Object *o : d.objects())
        out.push_back(pointsOf(*o));
    return out;
}

// Every point must record its place, and every object must be non-empty.
void expectConsistent(const Drawing &d)
{
    for (const Object *o : d.objects()) {
        EXPECT_FALSE(o->isEmpty());
        for (int i = 0; i < o->size(); ++i) {
            EXPECT_EQ(o->points[size_t(i)]->index, i);
            EXPECT_EQ(o->points[size_t(i)]->owner, o);
        }
    }
    ASSERT_EQ(d.startObject().size(), 2);
    EXPECT_EQ(d.startObject().points[0]->pos(), d.startPosition());
    // A joint never outlives its points. A freed point's memory may be
    // handed out again at once, so the plain build can miss a dangling one;
    // the AddressSanitizer pass, which holds freed memory back, reports the
    // read of its owner.
    std::set<const Object::Point *> live(d.startObject().points.begin(), d.startObject().points.end());
    for (const Object *o : d.objects())
        live.insert(o->points.begin(), o->points.end());
    for (const Object::Joint &j : d.joints()) {
        for (const Object::Point *p : {j.a, j.b}) {
            ASSERT_TRUE(live.count(p));
            EXPECT_TRUE(p->owner == &d.startObject()
                        || std::find(d.objects().begin(), d.objects().end(), p->owner) != d.objects().end());
        }
    }
}

} // namespace

TEST_F(CuttingPath, CircleWithSquareBecomesOneLoopFromTheStart)
{
    Drawing d;
    d.setStartPosition({-50, 0});
    Object *c = addShape(d, circle(0, 0, 20, 12));
    Object *s = addShape(d, square(30, -5, 10));
    Object::Point *cp = c->points[6]; // (-20, 0), nearest to the start
    Object::Point *joinC = c->points[0];
    Object::Point *joinS = s->points[0];
    d.addJoint({d.startObject().points[0], cp});
    d.addJoint({joinC, joinS});
    const std::size_t circlePoints = c->points.size(), squarePoints = s->points.size();

    d.buildCuttingPath();

    ASSERT_EQ(d.objects().size(), 1u);
    const Pts path = pointsOf(*d.objects().front());
    // Start, copy of the start, the circle from c round (with the square and
    // the copies of both joint points spliced in), the copy of c, the start.
    EXPECT_EQ(path.size(), 3 + circlePoints + 1 + squarePoints + 2);
    EXPECT_EQ(path.front(), std::make_pair(-50.0, 0.0));
    EXPECT_EQ(path[1], std::make_pair(-50.0, 0.0));
    EXPECT_EQ(path.back(), std::make_pair(-50.0, 0.0));
    EXPECT_EQ(path[2], std::make_pair(cp->x, cp->y));
    EXPECT_EQ(path[path.size() - 2], std::make_pair(cp->x, cp->y));
    // The square's joint corner: first and last point of the closed square,
    // plus the copy that ends the excursion.
    EXPECT_EQ(std::count(path.begin(), path.end(), std::make_pair(30.0, -5.0)), 3);
    expectConsistent(d);
}

// A written .tap read back is one loop from the start to the start; linking
// joins it there with a joint of no length. Cutting it again must give the
// same path, not the start twice more and two joint copies on one spot.
TEST_F(CuttingPath, ALoopAlreadyFromTheStartIsKeptAsItIs)
{
    const Pts loop{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
    struct Case
    {
        const char *name;
        QPointF start;
        int joinedIndex;
        bool keptAsItIs;
    } cases[] = {
        {"joined at its first point", {0, 0}, 0, true},
        {"joined at its last point", {0, 0}, 4, true},
        {"joined in the middle", {10, 10}, 2, false},
        {"start beside the loop", {-1, 0}, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Drawing d;
        d.setStartPosition(c.start);
        Object *o = addShape(d, loop);
        d.addJoint({d.startObject().points[0], o->points[size_t(c.joinedIndex)]});
        Drawing plain(d);
        d.buildCuttingPath();
        ASSERT_EQ(d.objects().size(), 1u);
        const Pts path = pointsOf(*d.objects().front());
        if (c.keptAsItIs)
            EXPECT_EQ(path, loop);
        else
            EXPECT_EQ(path.size(), loop.size() + 4); // start twice, two joint copies
        EXPECT_EQ(path, referenceCuttingPath(plain).front());
        expectConsistent(d);
    }
}

TEST_F(CuttingPath, OpenPolylineIsCutThereAndBackOnlyWhenConfigured)
{
    for (bool duplicate : {true, false}) {
        SCOPED_TRACE(duplicate);
        setDuplicate(duplicate);
        Drawing d;
        Object *line = addShape(d, {{10, 0}, {20, 0}, {30, 5}});
        d.addJoint({d.startObject().points[0], line->points[0]});
        d.buildCuttingPath();
        ASSERT_EQ(d.objects().size(), 1u);
        const Pts path = pointsOf(*d.objects().front());
        if (duplicate) {
            // The retraced line has no area, so it counts as counter-clockwise
            // and is reversed before the splice: the wire enters at the
            // joint point, now the line's last point, goes out and back.
            const Pts expected{{0, 0}, {0, 0}, {10, 0}, {10, 0}, {20, 0}, {30, 5}, {30, 5}, {20, 0}, {10, 0}, {0, 0}};
            EXPECT_EQ(path, expected);
        } else {
            EXPECT_EQ(path.size(), 2u + 3 + 1 + 1); // start, line, copy of its first point, start
        }
    }
}

TEST_F(CuttingPath, UnlinkedShapesStaySeparateAndOriented)
{
    Drawing d;
    Object *a = addShape(d, square(0, 0, 10));
    Object *b = addShape(d, square(20, 0, 10));
    b->explicitDirection = true;
    b->direction = Object::CounterClockwise;
    (void)a;
    d.buildCuttingPath();
    ASSERT_EQ(d.objects().size(), 2u);
    EXPECT_EQ(pointsOf(*d.objects()[0]), square(0, 0, 10));
    EXPECT_EQ(d.objects()[1]->computeDirection(), int(Object::CounterClockwise));
    expectConsistent(d);
}

TEST_F(CuttingPath, EarlierJointsAtTheFirstStartPointAreIgnored)
{
    Drawing d;
    Object *a = addShape(d, square(10, 0, 5));
    Object *b = addShape(d, square(-10, 0, 5));
    Object::Point *s0 = d.startObject().points[0];
    d.addJoint({s0, a->points[0]});
    d.addJoint({b->points[1], s0}); // drawn towards the start: start side becomes a
    d.buildCuttingPath();
    ASSERT_EQ(d.objects().size(), 2u);
    const Pts path = pointsOf(*d.objects()[0]);
    EXPECT_EQ(path.size(), 2u + 5 + 2);
    EXPECT_EQ(pointsOf(*d.objects()[1]).size(), 5u);
    EXPECT_EQ(std::count(path.begin(), path.end(), std::make_pair(-10.0, 5.0)), 2);
}

TEST_F(CuttingPath, JointsAtTheSecondStartPointStillStartThePathAtTheStart)
{
    // Only a project written by hand has such joints; drawn towards the
    // start, the start used to be spliced into the shape.
    Drawing d;
    d.setStartPosition({-50, 0});
    Object *a = addShape(d, square(10, 0, 5));
    Object *b = addShape(d, square(30, 0, 5));
    Object::Point *s1 = d.startObject().points[1];
    d.addJoint({a->points[2], s1});
    d.addJoint({b->points[0], a->points[1]}); // onto a shape already in the start's group
    d.buildCuttingPath();
    ASSERT_EQ(d.objects().size(), 1u);
    const Pts path = pointsOf(*d.objects()[0]);
    EXPECT_EQ(path.size(), 2u + 2 * 5 + 2 * 2);
    EXPECT_EQ(path.front(), std::make_pair(-50.0, 0.0));
    EXPECT_EQ(path.back(), std::make_pair(-50.0, 0.0));
}

// ---------------------------------------------------------------------------
// The fast splice against the plain one on random trees.

namespace {

struct RandomCase
{
    bool linksZeroAreaShape = false;
    bool touchesStart = false;
};

// On an integer grid every shoelace product and sum is exact, so the order of
// summation cannot matter; elsewhere coordinates are arbitrary doubles.
RandomCase randomDrawing(Drawing &d, std::mt19937 &rng, bool grid)
{
    RandomCase info;
    std::uniform_real_distribution<double> uniform(-100, 100);
    auto coord = [&] { return grid ? std::round(uniform(rng) / 5) : uniform(rng); };
    std::uniform_int_distribution<int> shapes(0, 9);
    const int n = shapes(rng);
    d.setStartPosition({coord(), coord()});
    std::vector<Object *> objs;
    for (int i = 0; i < n; ++i) {
        Pts pts;
        const int kind = int(rng() % 4);
        const int m = 1 + int(rng() % 7);
        for (int k = 0; k < m; ++k)
            pts.emplace_back(coord(), coord());
        if (kind <= 1 && m >= 3)
            pts.push_back(pts.front()); // closed polygon
        Object *o = addShape(d, pts);
        if (rng() % 5 == 0) {
            o->explicitDirection = true;
            o->direction = int(rng() % 2);
        }
        objs.push_back(o);
    }
    if (rng() % 8 == 0)
        d.addObject(); // an empty shape
    d.setReversed(rng() % 3 == 0);

    // Link a random subset into a tree rooted at the start, joints in random
    // list order and orientation, sometimes several at the start.
    std::vector<Object *> connected{&d.startObject()};
    std::vector<Object::Joint> joints;
    std::vector<Object *> order = objs;
    std::shuffle(order.begin(), order.end(), rng);
    for (Object *o : order) {
        if (rng() % 6 == 0)
            continue; // left unlinked
        Object *parent = connected[rng() % connected.size()];
        Object::Point *a = parent->points[rng() % parent->points.size()];
        Object::Point *b = o->points[rng() % o->points.size()];
        if (rng() % 4 == 0)
            std::swap(a, b);
        joints.push_back({a, b});
        connected.push_back(o);
    }
    std::shuffle(joints.begin(), joints.end(), rng);
    for (const auto &j : joints)
        d.addJoint(j);

    // Shapes whose shoelace sum is zero in exact arithmetic: lines, single
    // points, and open shapes that will be cut there and back.
    const bool duplicate = Settings::formatOptions().duplicateNonClosed;
    for (const auto &j : joints)
        for (Object::Point *p : {j.a, j.b})
            info.touchesStart = info.touchesStart || p->owner == &d.startObject();
    for (const auto &j : joints)
        for (Object::Point *p : {j.a, j.b})
            if (p->owner != &d.startObject() && (p->owner->size() < 3 || (duplicate && !p->owner->isClosed())))
                info.linksZeroAreaShape = true;
    return info;
}

using Segment = std::pair<std::pair<double, double>, std::pair<double, double>>;

// The walked segments of an object, without their direction or order.
std::multiset<Segment> segmentsOf(const Pts &pts)
{
    std::multiset<Segment> out;
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        out.insert(std::minmax(pts[i], pts[i + 1]));
    return out;
}

} // namespace

TEST_F(CuttingPath, MatchesSpliceBySpliceOnRandomTrees)
{
    std::mt19937 rng(12345);
    int exactCompared = 0;
    for (int round = 0; round < 600; ++round) {
        setDuplicate(round % 2 == 0);
        const bool grid = round % 3 == 0;
        Drawing original;
        const RandomCase info = randomDrawing(original, rng, grid);
        Drawing fast(original), plain(original);
        fast.buildCuttingPath();
        const std::vector<Pts> expected = referenceCuttingPath(plain);
        const std::vector<Pts> actual = resultOf(fast);
        SCOPED_TRACE(round);
        ASSERT_EQ(actual.size(), expected.size());
        expectConsistent(fast);
        // A group made of shapes without area (lines, shapes cut there and
        // back, the start) has a shoelace sum of zero in exact arithmetic;
        // summed in another order, rounding may pick the other direction for
        // it. The same segments are walked then, which is what the cut
        // depends on. On the grid no rounding happens and the order must match.
        const bool ambiguous = !grid && info.linksZeroAreaShape;
        for (size_t i = 0; i < actual.size(); ++i) {
            if (ambiguous) {
                EXPECT_EQ(segmentsOf(actual[i]), segmentsOf(expected[i]));
                EXPECT_EQ(actual[i].size(), expected[i].size());
            } else {
                EXPECT_EQ(actual[i], expected[i]);
            }
        }
        if (info.touchesStart) {
            const std::pair<double, double> start{original.startPosition().x(), original.startPosition().y()};
            EXPECT_EQ(actual.front().front(), start);
            EXPECT_EQ(actual.front().back(), start);
        }
        exactCompared += ambiguous ? 0 : 1;
    }
    EXPECT_GT(exactCompared, 200);
}
