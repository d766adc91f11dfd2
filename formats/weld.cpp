#include "formats/weld.h"

#include "core/drawing.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

using Point = Object::Point;

double squaredDistance(const Point *a, const Point *b)
{
    const double dx = a->x - b->x, dy = a->y - b->y;
    return dx * dx + dy * dy;
}

// Appends D's points to R, starting at F and running to D's other end, with
// Q (an end of R) as the join.
void weld(Object *r, Point *q, Object *d, Point *f)
{
    const bool rReversed = q->index == 0 && r->size() > 1;
    if (rReversed)
        r->reverse();
    if (f->index != 0)
        d->reverse();
    r->points.insert(r->points.end(), d->points.begin(), d->points.end());
    d->points.clear();
    if (rReversed)
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

    std::vector<Object *> settled{objects.front()};
    std::vector<char> isSettled(objects.size(), 0);
    isSettled[0] = 1;
    std::vector<Point *> ends;

    for (;;) {
        ends.clear();
        for (size_t i = 0; i < objects.size(); ++i) {
            if (isSettled[i] || objects[i]->isEmpty())
                continue;
            ends.push_back(objects[i]->points.front());
            ends.push_back(objects[i]->points.back());
        }
        if (ends.empty())
            break;

        double best = std::numeric_limits<double>::max();
        Point *bestQ = nullptr, *bestF = nullptr;
        for (Object *s : settled) {
            if (s->isEmpty())
                continue;
            for (Point *q : {s->points.front(), s->points.back()}) {
                for (Point *f : ends) {
                    const double d = squaredDistance(q, f);
                    if (d < best) {
                        best = d;
                        bestQ = q;
                        bestF = f;
                    }
                }
            }
        }
        if (!bestF)
            break;

        Object *d = bestF->owner;
        if (best < precision && d != bestQ->owner)
            weld(bestQ->owner, bestQ, d, bestF);
        const auto it = std::find(objects.begin(), objects.end(), d);
        isSettled[size_t(it - objects.begin())] = 1;
        settled.push_back(d);
    }
    drawing.removeEmptyObjects();
}
