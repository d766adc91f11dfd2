#include "weld_reference.h"

#include "core/drawing.h"

#include <nanoflann.hpp>

#include <limits>
#include <set>
#include <vector>

namespace reference {

namespace {

using Point = Object::Point;

struct End
{
    Point *point;
    size_t number; // 2 × list position, + 1 for the last end
};

struct Ends
{
    std::vector<End> ends;
    size_t kdtree_get_point_count() const { return ends.size(); }
    double kdtree_get_pt(size_t i, size_t dim) const { return dim == 0 ? ends[i].point->x : ends[i].point->y; }
    template <class Box>
    bool kdtree_get_bbox(Box &) const { return false; }
};

using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, Ends>, Ends, 2>;

double squaredDistance(const Point *a, const Point *b)
{
    const double dx = a->x - b->x, dy = a->y - b->y;
    return dx * dx + dy * dy;
}

// The nearest end to q; of equally near ends the lowest number.
const End *nearest(const Tree &tree, const Ends &ends, const Point *q, double &best)
{
    const double query[2] = {q->x, q->y};
    unsigned index = 0;
    double d = 0;
    if (tree.knnSearch(query, 1, &index, &d) == 0)
        return nullptr;
    std::vector<std::pair<unsigned, double>> near;
    tree.radiusSearch(query, d * (1 + 1e-9) + std::numeric_limits<double>::denorm_min(), near, nanoflann::SearchParams());
    const End *found = nullptr;
    best = std::numeric_limits<double>::infinity();
    for (const auto &[i, ignored] : near) {
        const End &e = ends.ends[i];
        const double exact = squaredDistance(q, e.point);
        if (exact < best || (exact == best && found && e.number < found->number)) {
            best = exact;
            found = &e;
        }
    }
    return found;
}

void weld(Point *q, Point *f)
{
    Object *r = q->owner;
    Object *d = f->owner;
    const bool reversed = q->index == 0;
    if (reversed)
        r->reverse();
    if (f->index != 0)
        d->reverse();
    for (Point *p : d->points)
        r->points.push_back(p);
    d->points.clear();
    if (reversed)
        r->reverse();
    r->renumber();
    r->explicitDirection = false;
    r->direction = Object::Clockwise;
    d->pen = 0;
    d->explicitDirection = false;
    d->direction = Object::Clockwise;
}

} // namespace

void autoWeld(Drawing &drawing, double precision)
{
    const std::vector<Object *> &objects = drawing.objects();
    if (objects.empty())
        return;
    std::set<size_t> settled{0};
    for (;;) {
        Ends ends;
        for (size_t i = 0; i < objects.size(); ++i) {
            if (settled.count(i) || objects[i]->isEmpty())
                continue;
            ends.ends.push_back({objects[i]->points.front(), 2 * i});
            ends.ends.push_back({objects[i]->points.back(), 2 * i + 1});
        }
        if (ends.ends.empty())
            break;
        Tree tree(2, ends, nanoflann::KDTreeSingleIndexAdaptorParams(10));

        double best = std::numeric_limits<double>::infinity();
        Point *bestQ = nullptr;
        const End *bestF = nullptr;
        for (size_t s : settled) {
            const Object *o = objects[s];
            if (o->isEmpty())
                continue;
            for (Point *q : {o->points.front(), o->points.back()}) {
                double d = 0;
                const End *f = nearest(tree, ends, q, d);
                if (f && d < best) {
                    best = d;
                    bestQ = q;
                    bestF = f;
                }
            }
        }
        if (!bestF)
            break;
        const size_t dIndex = bestF->number / 2;
        if (best < precision && bestF->point->owner != bestQ->owner)
            weld(bestQ, bestF->point);
        settled.insert(dIndex);
    }
    drawing.removeEmptyObjects();
}

} // namespace reference
