#include "formats/pathconvert.h"

#include "core/drawing.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

bool same(double ax, double ay, double bx, double by)
{
    return std::abs(ax - bx) <= 1e-12 && std::abs(ay - by) <= 1e-12;
}

} // namespace

int cubicPointCount(double p0x, double p0y, double c1x, double c1y,
                    double c2x, double c2y, double ex, double ey)
{
    const bool p0c1 = same(p0x, p0y, c1x, c1y);
    const bool c1c2 = same(c1x, c1y, c2x, c2y);
    const bool c2e = same(c2x, c2y, ex, ey);
    const bool p0e = same(p0x, p0y, ex, ey);
    if ((p0c1 && c1c2 && c2e) || (p0e && (p0c1 || c2e)) || (p0c1 && c2e) || (p0c1 && c1c2) || (c1c2 && c2e))
        return 0;

    const double minX = std::min({p0x, c1x, c2x, ex}), maxX = std::max({p0x, c1x, c2x, ex});
    const double minY = std::min({p0y, c1y, c2y, ey}), maxY = std::max({p0y, c1y, c2y, ey});
    const double side = std::max(maxX - minX, maxY - minY) * 1.0471975511965976;
    // A NaN or huge side must not turn into an undefined integer conversion.
    if (!(side < 86.0))
        return 86;
    return std::clamp(int(side), 10, 86);
}

Object *appendPath(const QPainterPath &path, Drawing &drawing, Object *current)
{
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (i > 0 || !current)
                current = drawing.addObject();
            current->appendPoint(e.x, e.y);
            break;
        case QPainterPath::LineToElement:
            if (!current)
                current = drawing.addObject();
            current->appendPoint(e.x, e.y);
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= count)
                return current; // a curve without its data elements
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            i += 2;
            if (!current)
                current = drawing.addObject();
            double x0 = e.x, y0 = e.y; // no start point: the curve starts at its first control point
            if (!current->isEmpty()) {
                x0 = current->points.back()->x;
                y0 = current->points.back()->y;
            }
            const int n = cubicPointCount(x0, y0, e.x, e.y, c2.x, c2.y, end.x, end.y);
            for (int k = 1; k <= n - 2; ++k) {
                const double t = double(k) / double(n - 1);
                const double u = 1 - t;
                const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
                current->appendPoint(b0 * x0 + b1 * e.x + b2 * c2.x + b3 * end.x,
                                     b0 * y0 + b1 * e.y + b2 * c2.y + b3 * end.y);
            }
            current->appendPoint(end.x, end.y);
            break;
        }
        case QPainterPath::CurveToDataElement:
            break; // consumed with its curve
        }
    }
    return current;
}
