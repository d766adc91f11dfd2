#include "core/pointtree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

// Against brute force on clouds with many exact ties, while points go away.
TEST(PointTree, FindsTheNearestLivePointWithTheLowestIdOnTies)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        const int n = 1 + int(rng() % 400);
        const int spread = 1 + int(rng() % 20);
        std::vector<double> xs, ys;
        std::vector<bool> use;
        for (int i = 0; i < n; ++i) {
            xs.push_back(double(int(rng() % spread)));
            ys.push_back(double(int(rng() % spread)) * (round % 2 ? 0.5 : 1.0));
            use.push_back(rng() % 10 != 0);
        }
        PointTree tree(xs, ys, use);
        std::vector<bool> alive = use;
        for (int step = 0; step < n; ++step) {
            const double qx = double(int(rng() % (spread + 2))) - 1, qy = double(int(rng() % (spread + 2))) - 1;
            PointTree::Hit expected;
            for (int i = 0; i < n; ++i) {
                if (!alive[size_t(i)])
                    continue;
                const double d = (xs[size_t(i)] - qx) * (xs[size_t(i)] - qx) + (ys[size_t(i)] - qy) * (ys[size_t(i)] - qy);
                if (d < expected.distance2) {
                    expected.distance2 = d;
                    expected.id = uint32_t(i);
                }
            }
            const PointTree::Hit hit = tree.nearest(qx, qy);
            ASSERT_EQ(hit.id, expected.id) << round << "/" << step;
            ASSERT_EQ(hit.distance2, expected.distance2);
            const uint32_t gone = uint32_t(rng() % uint32_t(n));
            tree.remove(gone);
            alive[gone] = false;
            ASSERT_FALSE(tree.contains(gone));
        }
    }
}

// Coordinates whose squared differences overflow: scaled by a power of two
// (exact), the cloud must give the same answers as the small one, and a
// query far beyond every point still finds one.
TEST(PointTree, HugeCoordinatesKeepTheOrderOfDistances)
{
    std::mt19937 rng(11);
    const int n = 300;
    std::vector<double> xs, ys;
    for (int i = 0; i < n; ++i) {
        xs.push_back(double(int(rng() % 41)) - 20);
        ys.push_back(double(int(rng() % 41)) - 20);
    }
    const std::vector<bool> use(size_t(n), true);
    const PointTree small(xs, ys, use);
    for (const int exponent : {0, 510, 600, 1000}) {
        SCOPED_TRACE(exponent);
        std::vector<double> hx, hy;
        for (int i = 0; i < n; ++i) {
            hx.push_back(std::ldexp(xs[size_t(i)], exponent));
            hy.push_back(std::ldexp(ys[size_t(i)], exponent));
        }
        const PointTree huge(hx, hy, use);
        for (int q = 0; q < 200; ++q) {
            const double qx = double(int(rng() % 45)) - 22, qy = double(int(rng() % 45)) - 22;
            const PointTree::Hit expected = small.nearest(qx, qy);
            const PointTree::Hit hit = huge.nearest(std::ldexp(qx, exponent), std::ldexp(qy, exponent));
            ASSERT_EQ(hit.id, expected.id) << q;
            ASSERT_TRUE(std::isfinite(hit.distance2));
        }
    }
    const PointTree::Hit far = small.nearest(1e300, -1e300);
    EXPECT_NE(far.id, PointTree::None);
}
