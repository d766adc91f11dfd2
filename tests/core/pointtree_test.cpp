#include "core/pointtree.h"

#include <gtest/gtest.h>

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
