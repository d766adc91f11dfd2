#include "formats/weld.h"
#include "testsupport.h"
#include "weld_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>

using namespace test;

namespace {

struct Piece
{
    Pts points;
    qint32 pen = 0;
    bool explicitDirection = false;
};
using Pieces = std::vector<Piece>;

// Every point as (piece, index) of where it came from, object by object.
using Origins = std::vector<std::vector<std::pair<int, int>>>;

struct Welded
{
    Origins origins;
    std::vector<Pts> points;
    std::vector<qint32> pens;
};

Welded weldWith(const Pieces &pieces, double precision, const std::function<void(Drawing &, double)> &weld)
{
    Drawing d;
    std::map<const Object::Point *, std::pair<int, int>> origin;
    for (size_t i = 0; i < pieces.size(); ++i) {
        Object *o = addShape(d, pieces[i].points);
        o->pen = pieces[i].pen;
        o->explicitDirection = pieces[i].explicitDirection;
        o->direction = pieces[i].explicitDirection ? 1 : 0;
        for (const Object::Point *p : o->points)
            origin[p] = {int(i), p->index};
    }
    weld(d, precision);
    Welded out;
    for (const Object *o : d.objects()) {
        out.origins.emplace_back();
        for (int k = 0; k < o->size(); ++k) {
            EXPECT_EQ(o->points[size_t(k)]->owner, o);
            EXPECT_EQ(o->points[size_t(k)]->index, k);
            out.origins.back().push_back(origin.at(o->points[size_t(k)]));
        }
        out.points.push_back(pointsOf(*o));
        out.pens.push_back(o->pen);
    }
    return out;
}

void expectSameAsReference(const Pieces &pieces, double precision, const std::string &what)
{
    const Welded fast = weldWith(pieces, precision, autoWeld);
    const Welded plain = weldWith(pieces, precision, reference::autoWeld);
    EXPECT_EQ(fast.origins, plain.origins) << what;
    EXPECT_EQ(fast.pens, plain.pens) << what;
}

Piece line(double x0, double y0, double x1, double y1)
{
    return {{{x0, y0}, {x1, y1}}};
}

// Sides of rectangles, each side in a random direction, all shuffled.
Pieces rectangleSides(std::mt19937 &rng, int rectangles)
{
    std::uniform_real_distribution<double> at(-50, 50), size(1, 20);
    Pieces out;
    for (int r = 0; r < rectangles; ++r) {
        const double x = at(rng), y = at(rng), w = size(rng), h = size(rng);
        const double c[5][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
        for (int s = 0; s < 4; ++s) {
            if (rng() % 2)
                out.push_back(line(c[s][0], c[s][1], c[s + 1][0], c[s + 1][1]));
            else
                out.push_back(line(c[s + 1][0], c[s + 1][1], c[s][0], c[s][1]));
        }
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// Chains of short pieces whose gaps lie just under or just over the weld
// distance, some pieces curved (more than two points).
Pieces chainsWithGaps(std::mt19937 &rng, double precision)
{
    const double limit = std::sqrt(precision);
    Pieces out;
    for (int chain = 0; chain < 4; ++chain) {
        double x = chain * 40.0, y = 0;
        for (int k = 0; k < 12; ++k) {
            Piece p;
            p.points.push_back({x, y});
            if (rng() % 3 == 0)
                p.points.push_back({x + 1, y + 1});
            x += 2;
            p.points.push_back({x, y});
            if (rng() % 2)
                std::reverse(p.points.begin(), p.points.end());
            out.push_back(p);
            x += limit * (rng() % 2 ? 0.999 : 1.001);
        }
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// Ends on a coarse grid, so that many ends coincide and ties decide;
// some pieces are single points, some carry pens and fixed directions.
Pieces coincidentEnds(std::mt19937 &rng, int count)
{
    std::uniform_int_distribution<int> grid(0, 4), kind(0, 5);
    Pieces out;
    for (int i = 0; i < count; ++i) {
        Piece p;
        p.points.push_back({grid(rng), grid(rng)});
        const int k = kind(rng);
        if (k > 0)
            p.points.push_back({grid(rng) + 0.5, grid(rng)});
        if (k > 3)
            p.points.push_back({grid(rng), grid(rng)});
        p.pen = int(rng() % 4);
        p.explicitDirection = rng() % 5 == 0;
        out.push_back(p);
    }
    return out;
}

} // namespace

TEST(Weld, ChainsRectangleSidesInAnyOrderIntoEightPoints)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        const Welded w = weldWith(rectangleSides(rng, 1), 0.1, autoWeld);
        ASSERT_EQ(w.points.size(), 1u);
        EXPECT_EQ(w.points[0].size(), 8u);
    }
}

TEST(Weld, PrecisionIsASquaredDistance)
{
    for (auto [gap, pieces] : {std::pair{0.3, 1u}, std::pair{0.4, 2u}}) {
        const Welded w = weldWith({line(0, 0, 10, 0), line(10 + gap, 0, 20, 0)}, 0.1, autoWeld);
        EXPECT_EQ(w.points.size(), pieces) << gap;
    }
}

TEST(Weld, JoinsFromEitherEndInTheDocumentedOrder)
{
    struct Case
    {
        const char *name;
        Pieces pieces;
        std::vector<Pts> expected;
    };
    const Case cases[] = {
        {"onto the last end", {line(0, 0, 1, 0), line(1, 0, 2, 0)}, {{{0, 0}, {1, 0}, {1, 0}, {2, 0}}}},
        {"onto the first end, piece reversed",
         {line(1, 0, 2, 0), line(-1, 0, 1, 0)},
         {{{-1, 0}, {1, 0}, {1, 0}, {2, 0}}}},
        {"a single point grows at its front",
         {{{{0, 0}}}, line(0, 0, 5, 0)},
         {{{5, 0}, {0, 0}, {0, 0}}}},
        {"an equally near first end wins over a last end",
         {line(0, 0, 0, 0.1), line(0, 5, 0, 0.05)},
         {{{0, 5}, {0, 0.05}, {0, 0}, {0, 0.1}}}},
        {"far pieces stay, nearer ones still chain through them",
         {line(0, 0, 1, 0), line(10, 0, 11, 0), line(11, 0, 12, 0)},
         {{{0, 0}, {1, 0}}, {{10, 0}, {11, 0}, {11, 0}, {12, 0}}}},
    };
    for (const Case &c : cases) {
        const Welded w = weldWith(c.pieces, 0.1, autoWeld);
        EXPECT_EQ(w.points, c.expected) << c.name;
        expectSameAsReference(c.pieces, 0.1, c.name);
    }
}

TEST(Weld, ClearsDirectionOfWeldedObjectsAndRemovesEmptied)
{
    Drawing d;
    Object *a = addShape(d, {{0, 0}, {1, 0}});
    a->explicitDirection = true;
    a->direction = 1;
    a->pen = 3;
    addShape(d, {});
    addShape(d, {{1, 0}, {2, 0}})->pen = 5;
    autoWeld(d, 0.1);
    ASSERT_EQ(d.objects().size(), 1u);
    EXPECT_FALSE(a->explicitDirection);
    EXPECT_EQ(a->direction, 0);
    EXPECT_EQ(a->pen, 3);
}

TEST(Weld, EmptyFirstObjectWeldsNothing)
{
    Drawing d;
    addShape(d, {});
    addShape(d, {{0, 0}, {1, 0}});
    addShape(d, {{1, 0}, {2, 0}});
    autoWeld(d, 0.1);
    EXPECT_EQ(d.objects().size(), 2u);
}

TEST(Weld, FastVersionMatchesStepByStepWeld)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 60; ++round) {
        const std::string r = std::to_string(round);
        expectSameAsReference(rectangleSides(rng, 1 + round % 7), 0.1, "rectangles " + r);
        expectSameAsReference(chainsWithGaps(rng, 0.1), 0.1, "gaps " + r);
        expectSameAsReference(coincidentEnds(rng, 5 + round * 2), round % 2 ? 0.3 : 1e-12, "coincident " + r);
        Pieces mixed = rectangleSides(rng, 3);
        for (Piece &p : coincidentEnds(rng, 20))
            mixed.push_back(p);
        std::shuffle(mixed.begin(), mixed.end(), rng);
        expectSameAsReference(mixed, 0.1, "mixed " + r);
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(Weld, DamagedCoordinatesNeverWeld)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Pieces pieces;
    for (int i = 0; i < 40; ++i)
        pieces.push_back(i % 3 == 0 ? line(nan, i, 1, nan) : (i % 3 == 1 ? line(inf, 0, -inf, 1) : line(i, 0, i + 1, 0)));
    const Welded w = weldWith(pieces, 0.1, autoWeld);
    size_t points = 0;
    for (const Pts &p : w.points)
        points += p.size();
    EXPECT_EQ(points, 80u);
}
