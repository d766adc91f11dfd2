#include "core/autojoin.h"
#include "autojoin_reference.h"
#include "fakeview.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace test;

namespace {

Pts circle(double cx, double cy, double r, int n = 24)
{
    Pts pts;
    for (int k = 0; k < n; ++k)
        pts.emplace_back(cx + r * std::cos(2 * M_PI * k / n), cy + r * std::sin(2 * M_PI * k / n));
    pts.push_back(pts.front());
    return pts;
}

std::vector<JointKey> newJoints(const Drawing &d, size_t before)
{
    return jointKeys(d, {d.joints().begin() + long(before), d.joints().end()});
}

double totalLength(const Drawing &d, size_t from = 0)
{
    double sum = 0;
    for (size_t i = from; i < d.joints().size(); ++i)
        sum += std::hypot(d.joints()[i].a->x - d.joints()[i].b->x, d.joints()[i].a->y - d.joints()[i].b->y);
    return sum;
}

// Waits for a worker run: its queued pushes are handled here.
void runInPool(Drawing &d)
{
    bool done = false;
    QFuture<void> f = startAutoJoin(d, [&done] { done = true; });
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    f.waitForFinished();
    ASSERT_TRUE(done);
}

} // namespace

TEST(AutoJoin, OneShapeIsJoinedAtItsPointNearestTheStart)
{
    Drawing d;
    Object *o = addShape(d, square(10, 10, 10));
    d.setStartPosition({25, 25});
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 1u);
    EXPECT_EQ(d.joints()[0].a, d.startObject().points[0]);
    EXPECT_EQ(d.joints()[0].b, o->points[2]);
    EXPECT_EQ(d.undoStack()->count(), 1);
    EXPECT_EQ(d.undoStack()->undoText(), QStringLiteral("Auto-join"));
    EXPECT_FALSE(d.isUnmodified());
    d.undoStack()->undo();
    EXPECT_TRUE(d.joints().empty());
    EXPECT_TRUE(d.isUnmodified());
    d.undoStack()->redo();
    EXPECT_EQ(d.joints().size(), 1u);
}

TEST(AutoJoin, ChainsThreeCircles)
{
    Drawing d;
    addShape(d, circle(-90, 0, 10));
    addShape(d, circle(-15, 0, 10));
    addShape(d, circle(-50, 0, 10));
    autoJoin(d);
    // Start → nearest circle (2) → the middle one (3) → the far one (1).
    const std::vector<JointKey> expected{{0, 0, 2, 0}, {2, 12, 3, 0}, {3, 12, 1, 0}};
    EXPECT_EQ(jointKeys(d, d.joints()), expected);
}

// Equidistant shapes: the one first in the list wins; the start is joined once.
TEST(AutoJoin, EqualDistancesFollowTheTieOrder)
{
    Drawing d;
    addShape(d, square(-20, -5, 10));
    addShape(d, square(10, -5, 10));
    d.setStartPosition({0, 0});
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 2u);
    const auto keys = jointKeys(d, d.joints());
    EXPECT_EQ(std::get<0>(keys[0]), 0);
    EXPECT_EQ(std::get<2>(keys[0]), 2 - 1); // the first shape
    EXPECT_NE(std::get<0>(keys[1]), 0);     // no second joint at the start
}

TEST(AutoJoin, AddsNothingWhereNothingIsMissing)
{
    struct Row
    {
        const char *name;
        std::function<void(Drawing &)> fill;
    };
    const std::vector<Row> rows{
        {"empty drawing", [](Drawing &) {}},
        {"only empty shapes", [](Drawing &d) { d.addObject(); d.addObject(); }},
        {"joined by hand",
         [](Drawing &d) {
             Object *a = addShape(d, square(0, 0, 5));
             Object *b = addShape(d, square(20, 0, 5));
             d.addJoint({d.startObject().points[0], a->points[1]});
             d.addJoint({a->points[2], b->points[0]});
         }},
        {"second run",
         [](Drawing &d) {
             addShape(d, circle(5, 5, 2));
             addShape(d, circle(15, 5, 2));
             autoJoin(d);
             d.undoStack()->clear();
         }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        Drawing d;
        r.fill(d);
        FakeView view;
        d.setView(&view);
        view.overlay = true;
        const auto joints = d.joints();
        autoJoin(d);
        runInPool(d);
        EXPECT_EQ(d.joints(), joints);
        EXPECT_EQ(d.undoStack()->count(), 0);
        EXPECT_TRUE(d.isUnmodified());
        if (d.objects().empty()) {
            EXPECT_TRUE(view.cacheSwitches.empty());
            EXPECT_TRUE(view.progress.empty());
        }
        EXPECT_TRUE(view.cacheEnabled);
    }
}

// The start keeps the joint drawn by hand; shapes nearer to it are reached
// from the group that joint brings in.
TEST(AutoJoin, KeepsAHandDrawnStartJoint)
{
    Drawing d;
    Object *far = addShape(d, square(40, 0, 5));
    Object *near = addShape(d, square(3, 0, 5));
    d.addJoint({far->points[0], d.startObject().points[0]});
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 2u);
    EXPECT_EQ(d.joints()[1].a->owner, far);
    EXPECT_EQ(d.joints()[1].b->owner, near);

    Drawing copy(d);
    copy.buildCuttingPath();
    ASSERT_EQ(copy.objects().size(), 1u);
    EXPECT_EQ(copy.objects()[0]->size(), 2 + 5 + 2 + 5 + 2);
}

TEST(AutoJoin, TellsTheViewWhileItRuns)
{
    for (bool overlay : {true, false}) {
        Drawing d;
        FakeView view;
        view.overlay = overlay;
        d.setView(&view);
        for (int i = 0; i < 4; ++i)
            addShape(d, circle(30 * i, 0, 5));
        std::vector<bool> cacheDuringPushes;
        QObject::connect(&d, &Drawing::jointAdded, [&] { cacheDuringPushes.push_back(view.cacheEnabled); });
        autoJoin(d);
        EXPECT_EQ(cacheDuringPushes, std::vector<bool>(4, false));
        EXPECT_EQ(view.cacheSwitches, (std::vector<bool>{false, true}));
        if (overlay)
            EXPECT_EQ(view.progress, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
        else
            EXPECT_TRUE(view.progress.empty());
    }
}

TEST(AutoJoin, WorkerPushesInOrderInTheDrawingsThread)
{
    Drawing d, twin;
    for (Drawing *x : {&d, &twin})
        for (int i = 0; i < 60; ++i)
            addShape(*x, circle((i * 37) % 200, (i * 53) % 170, 3 + i % 4, 8));
    FakeView view;
    view.overlay = true;
    d.setView(&view);
    std::vector<Object::Joint> seen;
    bool inOwnThread = true;
    QObject::connect(&d, &Drawing::jointAdded, [&](Object::Joint j) {
        seen.push_back(j);
        inOwnThread = inOwnThread && QThread::currentThread() == d.thread();
    });
    runInPool(d);
    autoJoin(twin);
    EXPECT_TRUE(inOwnThread);
    EXPECT_EQ(seen, d.joints());
    EXPECT_EQ(jointKeys(d, d.joints()), jointKeys(twin, twin.joints()));
    EXPECT_EQ(d.undoStack()->count(), 1);
    EXPECT_EQ(view.progress.size(), 60u);
    EXPECT_EQ(view.progress.back(), 1.0);
    EXPECT_EQ(view.cacheSwitches, (std::vector<bool>{false, true}));
    d.undoStack()->undo();
    EXPECT_TRUE(d.joints().empty());
}

TEST(AutoJoin, PointsThatAreNotNumbersAreNeverJoined)
{
    Drawing d;
    addShape(d, {{std::nan(""), 0}, {1, std::numeric_limits<double>::infinity()}});
    Object *ok = addShape(d, square(5, 5, 1));
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 1u);
    EXPECT_EQ(d.joints()[0].b->owner, ok);
}

// Shapes farther apart than the square root of the largest double: their
// squared distances overflow, yet every one of them is linked, nearest first.
TEST(AutoJoin, LinksShapesAtTheEndsOfTheRangeOfNumbers)
{
    Drawing d;
    Object *near = addShape(d, square(1e200, 0, 1));
    Object *far = addShape(d, square(-1.5e308, 1e308, 1e300));
    Object *middle = addShape(d, square(3e200, -2e200, 5));
    d.setStartPosition({0, 0});
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 3u);
    EXPECT_EQ(d.joints()[0].a->owner, &d.startObject());
    EXPECT_EQ(d.joints()[0].b->owner, near);
    EXPECT_EQ(d.joints()[1].b->owner, middle);
    EXPECT_EQ(d.joints()[2].b->owner, far);
}

namespace {

// Random drawings that stress the tie and connectivity rules: open, closed,
// empty and one-point shapes, points shared between shapes, joints drawn by
// hand (sometimes at the start), the start inside or far outside.
void randomDrawing(Drawing &d, std::mt19937 &rng, bool integerGrid)
{
    std::uniform_int_distribution<int> shapeCount(0, 30), pointCount(0, 12), kind(0, 9);
    std::uniform_real_distribution<double> coord(-50, 50);
    std::uniform_int_distribution<int> grid(-6, 6);
    auto value = [&] { return integerGrid ? double(grid(rng)) : coord(rng); };
    const int shapes = shapeCount(rng);
    for (int s = 0; s < shapes; ++s) {
        Object *o = d.addObject();
        const int n = kind(rng) == 0 ? 0 : pointCount(rng);
        for (int k = 0; k < n; ++k) {
            // Now and then reuse a point of an earlier shape.
            if (s > 0 && kind(rng) == 0 && !d.objects()[size_t(s - 1)]->isEmpty()) {
                const Object *prev = d.objects()[size_t(s - 1)];
                o->appendPoint(prev->points.back()->pos());
            } else {
                o->appendPoint(value(), value());
            }
        }
        if (n > 2 && kind(rng) < 5)
            o->appendPoint(o->points.front()->pos());
    }
    d.updateBoundingRect();
    if (kind(rng) < 7)
        d.setStartPosition({value(), value()});
    else
        d.setStartPosition({coord(rng) * 10, coord(rng) * 10});
    std::vector<Object *> nonEmpty;
    for (Object *o : d.objects())
        if (!o->isEmpty())
            nonEmpty.push_back(o);
    if (nonEmpty.empty())
        return;
    std::uniform_int_distribution<size_t> pick(0, nonEmpty.size() - 1);
    const int handJoints = kind(rng) < 4 ? kind(rng) : 0;
    for (int j = 0; j < handJoints; ++j) {
        Object *a = nonEmpty[pick(rng)], *b = nonEmpty[pick(rng)];
        Object::Point *pa = kind(rng) == 0 ? d.startObject().points[0] : a->points[rng() % a->points.size()];
        d.addJoint({pa, b->points[rng() % b->points.size()]});
    }
}

} // namespace

TEST(AutoJoin, ChoosesTheJointsOfTheStepByStepRule)
{
    std::mt19937 rng(20240611);
    int linked = 0;
    for (int round = 0; round < 600; ++round) {
        const bool integerGrid = round % 3 == 2;
        Drawing d;
        randomDrawing(d, rng, integerGrid);
        Drawing reference(d);
        const size_t before = d.joints().size();
        const std::vector<Object::Joint> expected = referenceAutoJoin(reference);
        autoJoin(d);
        SCOPED_TRACE(round);
        ASSERT_EQ(newJoints(d, before), jointKeys(reference, expected));
        EXPECT_DOUBLE_EQ(totalLength(d, before), totalLength(reference, before));
        linked += expected.empty() ? 0 : 1;
    }
    EXPECT_GT(linked, 400); // most rounds really link something
}
