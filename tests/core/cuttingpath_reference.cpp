#include "cuttingpath_reference.h"

#include "formats/settings.h"

#include <QVector2D>

#include <algorithm>
#include <set>

namespace {

using Point = Object::Point;

void splice(Point *a, Point *b)
{
    Object *x = a->owner, *y = b->owner;
    if (x == y || x->isEmpty() || y->isEmpty())
        return;
    if (y->computeDirection() != y->direction)
        y->reverse();
    if (x->computeDirection() != x->direction)
        x->reverse();

    const int pos = a->index;
    std::vector<Point *> inserted;
    inserted.push_back(new Point(a->x, a->y, x, 0));
    const int n = y->size();
    for (int k = 0; k < n; ++k)
        inserted.push_back(y->points[size_t((b->index + k) % n)]);
    inserted.push_back(new Point(b->x, b->y, x, 0));
    x->points.insert(x->points.begin() + pos, inserted.begin(), inserted.end());
    x->renumber();
    x->explicitDirection = false;
    x->direction = 0;
    y->points.clear();
    y->pen = 0;
    y->explicitDirection = false;
    y->direction = 0;
}

bool samePlace(const Point *p, const Point *q)
{
    return p->x == q->x && p->y == q->y;
}

// A closed loop joined to the untouched start at one of its ends, by a
// joint of no length, becomes the path as it stands.
bool takeAsStartPath(Object &start, Point *s, Point *b)
{
    Object *y = b->owner;
    if (y == &start || start.size() != 2 || !samePlace(s, b) || y->isEmpty())
        return false;
    if (y->computeDirection() != y->direction)
        y->reverse();
    if ((b->index != 0 && b->index != y->size() - 1) || !samePlace(y->points.front(), y->points.back()))
        return false;
    start.clear();
    start.points = y->points;
    start.renumber();
    y->points.clear();
    y->pen = 0;
    y->explicitDirection = false;
    y->direction = 0;
    return true;
}

} // namespace

std::vector<test::Pts> referenceCuttingPath(Drawing &d)
{
    const auto &options = Settings::formatOptions();
    if (options.duplicateNonClosed) {
        std::set<const Object *> touched;
        for (const auto &j : d.joints()) {
            touched.insert(j.a->owner);
            touched.insert(j.b->owner);
        }
        for (Object *o : d.objects()) {
            bool open = o->size() < 2;
            if (!open) {
                const Point *f = o->points.front(), *l = o->points.back();
                open = QVector2D(float(l->x - f->x), float(l->y - f->y)).length()
                    >= float(options.closedPrecision);
            }
            if (!open || !touched.count(o))
                continue;
            for (int i = o->size() - 1; i >= 0; --i)
                o->appendPoint(o->points[size_t(i)]->x, o->points[size_t(i)]->y);
        }
    }

    Object &start = d.startObject();
    Point *first = start.points.front();
    const Object::Joint *last = nullptr;
    bool touchesStart = false;
    for (const auto &j : d.joints()) {
        touchesStart = touchesStart || j.a->owner == &start || j.b->owner == &start;
        if (j.a == first || j.b == first) {
            last = &j;
            continue;
        }
        if (j.b->owner == &start && j.a->owner != &start)
            splice(j.b, j.a);
        else
            splice(j.a, j.b);
    }
    if (last) {
        Point *s = last->a == first ? last->a : last->b;
        Point *other = s == last->a ? last->b : last->a;
        if (!takeAsStartPath(start, s, other))
            splice(s, other);
    }

    std::vector<test::Pts> out;
    std::vector<std::pair<const Object *, test::Pts>> kept;
    if (touchesStart && !start.isEmpty())
        kept.emplace_back(nullptr, test::pointsOf(start));
    for (const Object *o : d.objects())
        if (!o->isEmpty())
            kept.emplace_back(o, test::pointsOf(*o));
    for (auto &[o, pts] : kept) {
        bool flip = false;
        if (o && o->explicitDirection)
            flip = o->computeDirection() != o->direction;
        else
            flip = d.isReversed();
        if (flip)
            std::reverse(pts.begin(), pts.end());
        out.push_back(std::move(pts));
    }
    return out;
}
