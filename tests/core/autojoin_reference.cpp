#include "autojoin_reference.h"

#include <nanoflann.hpp>

#include <algorithm>
#include <limits>
#include <set>

namespace {

struct Cloud
{
    std::vector<Object::Point *> points;
    size_t kdtree_get_point_count() const { return points.size(); }
    double kdtree_get_pt(size_t i, size_t dim) const { return dim == 0 ? points[i]->x : points[i]->y; }
    template <class Box>
    bool kdtree_get_bbox(Box &) const { return false; }
};

using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, Cloud>, Cloud, 2>;

// k = 1 that resolves equal distances to the first candidate. nanoflann's
// pruning bound is accumulated and may round up; the widened worst distance
// lets boxes at (about) the best distance be searched for an earlier tie.
struct FirstNearest
{
    double best = std::numeric_limits<double>::max();
    size_t index = std::numeric_limits<size_t>::max();
    double worstDist() const
    {
        return best == std::numeric_limits<double>::max() ? best : best * (1 + 1e-9) + 1e-300;
    }
    bool addPoint(double d, size_t i)
    {
        if (d < best || (d == best && i < index)) {
            best = d;
            index = i;
        }
        return true;
    }
    bool full() const { return index != std::numeric_limits<size_t>::max(); }
};

} // namespace

std::vector<Object::Joint> referenceAutoJoin(Drawing &drawing)
{
    std::vector<Object::Joint> added;
    const auto &objects = drawing.objects();
    if (objects.empty())
        return added;
    auto shapeNumber = [&](const Object *o) -> int {
        if (o == &drawing.startObject())
            return 0;
        auto it = std::find(objects.begin(), objects.end(), o);
        return it == objects.end() ? -1 : int(it - objects.begin()) + 1;
    };
    auto shape = [&](int n) -> Object * {
        return n == 0 ? &drawing.startObject() : objects[size_t(n - 1)];
    };

    std::set<int> connected{0};
    bool startJoined = false;
    for (const Object::Joint &j : drawing.joints()) {
        if (!j.a || !j.b)
            continue;
        const int a = shapeNumber(j.a->owner), b = shapeNumber(j.b->owner);
        if (a < 0 || b < 0 || (a == 0) == (b == 0))
            continue;
        startJoined = true;
        connected.insert(a == 0 ? b : a);
    }

    while (connected.size() - 1 < objects.size()) {
        Cloud cloud;
        for (size_t i = 0; i < objects.size(); ++i) {
            if (!connected.count(int(i) + 1))
                cloud.points.insert(cloud.points.end(), objects[i]->points.begin(), objects[i]->points.end());
        }
        if (cloud.points.empty())
            break;
        Tree tree(2, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(10));
        tree.buildIndex();

        double best = std::numeric_limits<double>::max();
        Object::Point *bestP = nullptr, *bestQ = nullptr;
        for (int s : connected) {
            for (Object::Point *p : shape(s)->points) {
                FirstNearest result;
                const double query[2] = {p->x, p->y};
                tree.findNeighbors(result, query, nanoflann::SearchParams());
                if (!result.full() || !(result.best < std::numeric_limits<double>::max()) || !(result.best < best))
                    continue;
                Object::Point *q = cloud.points[result.index];
                if (startJoined && (drawing.isStartPoint(p) || drawing.isStartPoint(q)))
                    continue;
                best = result.best;
                bestP = p;
                bestQ = q;
            }
        }
        if (!bestP)
            break;
        if (!drawing.areConnected(bestP, bestQ)) {
            drawing.addJoint({bestP, bestQ});
            added.push_back({bestP, bestQ});
            if (drawing.isStartPoint(bestP) || drawing.isStartPoint(bestQ))
                startJoined = true;
        }
        connected.insert(shapeNumber(bestQ->owner));
    }
    return added;
}

std::vector<JointKey> jointKeys(const Drawing &drawing, const std::vector<Object::Joint> &joints)
{
    auto shapeNumber = [&](const Object::Point *p) {
        if (drawing.isStartPoint(p))
            return 0;
        const auto &objects = drawing.objects();
        auto it = std::find(objects.begin(), objects.end(), p->owner);
        return it == objects.end() ? -1 : int(it - objects.begin()) + 1;
    };
    std::vector<JointKey> keys;
    for (const Object::Joint &j : joints)
        keys.emplace_back(shapeNumber(j.a), j.a->index, shapeNumber(j.b), j.b->index);
    return keys;
}
