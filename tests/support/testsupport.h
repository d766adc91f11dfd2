#pragma once

#include "core/drawing.h"

#include <QString>

#include <initializer_list>
#include <utility>
#include <vector>

namespace test {

using Pts = std::vector<std::pair<double, double>>;

inline Object *addShape(Drawing &d, const Pts &pts)
{
    Object *o = d.addObject();
    for (auto [x, y] : pts)
        o->appendPoint(x, y);
    return o;
}

inline Pts pointsOf(const Object &o)
{
    Pts out;
    for (const Object::Point *p : o.points)
        out.emplace_back(p->x, p->y);
    return out;
}

// Square of side `s` with its lower-left corner at (x, y), drawn clockwise
// (up the left side first) and closed by repeating the first point.
inline Pts square(double x, double y, double s)
{
    return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}};
}

inline QString dataPath(const char *relative)
{
    return QStringLiteral(KERFLOOM_TEST_DATA "/") + QLatin1String(relative);
}

} // namespace test
