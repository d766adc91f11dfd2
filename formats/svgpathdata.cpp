#include "formats/svgpathdata.h"

#include "formats/svgscan.h"

#include <QPainterPath>
#include <QStringRef>

#include <cmath>

namespace svg {

namespace {

constexpr double Pi = 3.14159265358979323846;

bool finite(double a, double b)
{
    return usable(a) && usable(b);
}

bool isCommand(QChar c)
{
    switch (c.unicode()) {
    case 'M': case 'm': case 'L': case 'l': case 'H': case 'h': case 'V': case 'v':
    case 'C': case 'c': case 'S': case 's': case 'Q': case 'q': case 'T': case 't':
    case 'A': case 'a': case 'Z': case 'z':
        return true;
    default:
        return false;
    }
}

class PathData
{
public:
    PathData(const QChar *begin, const QChar *end, QPainterPath &path) : m_s(begin, end), m_path(path) {}

    bool run()
    {
        ushort command = 0;
        for (;;) {
            m_s.skipSpaces();
            if (m_s.atEnd())
                return true;
            if (isCommand(m_s.peek())) {
                command = m_s.peek().unicode();
                m_s.advance();
            } else if (command == 0 || command == 'Z' || command == 'z' || !m_s.atNumber()) {
                return false; // numbers with no command to repeat, or garbage
            }
            if (m_first && command != 'M' && command != 'm')
                return false; // path data must start with a move
            m_first = false;
            if (!execute(command))
                return false;
            // Coordinates after a move are implicit lines.
            if (command == 'M')
                command = 'L';
            else if (command == 'm')
                command = 'l';
            m_s.skipSeparator();
        }
    }

private:
    bool numbers(double *out, int n)
    {
        for (int i = 0; i < n; ++i) {
            if (i > 0)
                m_s.skipSeparator();
            else
                m_s.skipSpaces();
            if (!m_s.number(out[i]))
                return false;
        }
        return true;
    }

    // Relative coordinates are offsets from the point the command starts at.
    void absolute(bool relative, double *v, int pairs) const
    {
        if (!relative)
            return;
        for (int i = 0; i < pairs; ++i) {
            v[2 * i] += m_x;
            v[2 * i + 1] += m_y;
        }
    }

    bool execute(ushort command)
    {
        const bool rel = command >= 'a';
        double v[7];
        switch (command) {
        case 'M': case 'm':
            if (!numbers(v, 2))
                return false;
            absolute(rel, v, 1);
            if (!finite(v[0], v[1]))
                return false;
            m_path.moveTo(v[0], v[1]);
            m_startX = v[0];
            m_startY = v[1];
            return moved(v[0], v[1], None);
        case 'L': case 'l':
            if (!numbers(v, 2))
                return false;
            absolute(rel, v, 1);
            return line(v[0], v[1]);
        case 'H': case 'h':
            if (!numbers(v, 1))
                return false;
            return line(rel ? m_x + v[0] : v[0], m_y);
        case 'V': case 'v':
            if (!numbers(v, 1))
                return false;
            return line(m_x, rel ? m_y + v[0] : v[0]);
        case 'C': case 'c':
            if (!numbers(v, 6))
                return false;
            absolute(rel, v, 3);
            return cubic(v[0], v[1], v[2], v[3], v[4], v[5]);
        case 'S': case 's': {
            if (!numbers(v, 4))
                return false;
            absolute(rel, v, 2);
            const bool reflect = m_last == Cubic;
            return cubic(reflect ? 2 * m_x - m_ctrlX : m_x, reflect ? 2 * m_y - m_ctrlY : m_y,
                         v[0], v[1], v[2], v[3]);
        }
        case 'Q': case 'q':
            if (!numbers(v, 4))
                return false;
            absolute(rel, v, 2);
            return quad(v[0], v[1], v[2], v[3]);
        case 'T': case 't': {
            if (!numbers(v, 2))
                return false;
            absolute(rel, v, 1);
            const bool reflect = m_last == Quad;
            return quad(reflect ? 2 * m_x - m_ctrlX : m_x, reflect ? 2 * m_y - m_ctrlY : m_y, v[0], v[1]);
        }
        case 'A': case 'a':
            return arc(rel);
        default: // Z, z
            m_path.closeSubpath();
            return moved(m_startX, m_startY, None);
        }
    }

    enum Last { None, Cubic, Quad };

    bool moved(double x, double y, Last last)
    {
        m_x = x;
        m_y = y;
        m_last = last;
        return true;
    }

    bool line(double x, double y)
    {
        if (!finite(x, y))
            return false;
        m_path.lineTo(x, y);
        return moved(x, y, None);
    }

    bool cubic(double c1x, double c1y, double c2x, double c2y, double x, double y)
    {
        if (!finite(c1x, c1y) || !finite(c2x, c2y) || !finite(x, y))
            return false;
        m_path.cubicTo(c1x, c1y, c2x, c2y, x, y);
        m_ctrlX = c2x;
        m_ctrlY = c2y;
        return moved(x, y, Cubic);
    }

    // A quadratic curve is the cubic with control points two thirds of the
    // way from each end towards the quadratic's control point.
    bool quad(double qx, double qy, double x, double y)
    {
        if (!finite(qx, qy) || !finite(x, y))
            return false;
        m_path.cubicTo(m_x + 2.0 / 3.0 * (qx - m_x), m_y + 2.0 / 3.0 * (qy - m_y),
                       x + 2.0 / 3.0 * (qx - x), y + 2.0 / 3.0 * (qy - y), x, y);
        m_ctrlX = qx;
        m_ctrlY = qy;
        return moved(x, y, Quad);
    }

    bool arc(bool rel)
    {
        double r[3], e[2];
        bool largeArc = false, sweep = false;
        if (!numbers(r, 3))
            return false;
        m_s.skipSeparator();
        if (!m_s.flag(largeArc))
            return false;
        m_s.skipSeparator();
        if (!m_s.flag(sweep))
            return false;
        m_s.skipSeparator();
        if (!numbers(e, 2))
            return false;
        absolute(rel, e, 1);
        if (!finite(e[0], e[1]))
            return false;
        appendArc(m_path, m_x, m_y, r[0], r[1], r[2], largeArc, sweep, e[0], e[1]);
        return moved(e[0], e[1], None);
    }

    Scanner m_s;
    QPainterPath &m_path;
    bool m_first = true;
    double m_x = 0, m_y = 0;           // current point
    double m_startX = 0, m_startY = 0; // start of the subpath, where Z returns to
    double m_ctrlX = 0, m_ctrlY = 0;   // last control point, for S and T
    Last m_last = None;
};

struct ArcCentre
{
    double cx, cy, rx, ry, theta, delta;
};

// Centre parameterisation of the arc from its end points.
bool arcCentre(double x0, double y0, double rx, double ry, double cosPhi, double sinPhi, bool largeArc,
               bool sweep, double x, double y, ArcCentre &out)
{
    const double dx2 = (x0 - x) / 2, dy2 = (y0 - y) / 2;
    const double x1 = cosPhi * dx2 + sinPhi * dy2;
    const double y1 = -sinPhi * dx2 + cosPhi * dy2;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double rx2 = rx * rx, ry2 = ry * ry;
    const double den = rx2 * y1 * y1 + ry2 * x1 * x1;
    double coef = den > 0 ? std::sqrt(std::max(0.0, (rx2 * ry2 - den) / den)) : 0;
    if (largeArc == sweep)
        coef = -coef;
    const double cxp = coef * rx * y1 / ry;
    const double cyp = -coef * ry * x1 / rx;
    out.cx = cosPhi * cxp - sinPhi * cyp + (x0 + x) / 2;
    out.cy = sinPhi * cxp + cosPhi * cyp + (y0 + y) / 2;
    out.rx = rx;
    out.ry = ry;
    out.theta = std::atan2((y1 - cyp) / ry, (x1 - cxp) / rx);
    double delta = std::atan2((-y1 - cyp) / ry, (-x1 - cxp) / rx) - out.theta;
    if (!sweep && delta > 0)
        delta -= 2 * Pi;
    else if (sweep && delta < 0)
        delta += 2 * Pi;
    out.delta = delta;
    return usable(out.cx) && usable(out.cy) && usable(rx) && usable(ry) && usable(out.theta) && usable(delta);
}

} // namespace

bool appendPathData(const QChar *begin, const QChar *end, QPainterPath &path)
{
    return PathData(begin, end, path).run();
}

bool appendPathData(const QStringRef &data, QPainterPath &path)
{
    return appendPathData(data.unicode(), data.unicode() + data.size(), path);
}

void appendArc(QPainterPath &path, double x0, double y0, double rx, double ry, double angleDegrees,
               bool largeArc, bool sweep, double x, double y)
{
    if (x0 == x && y0 == y)
        return; // an arc to its own start draws nothing
    rx = std::abs(rx);
    ry = std::abs(ry);
    const double phi = angleDegrees * Pi / 180;
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    ArcCentre a{};
    if (rx == 0 || ry == 0 || !usable(phi)
        || !arcCentre(x0, y0, rx, ry, cosPhi, sinPhi, largeArc, sweep, x, y, a)) {
        path.lineTo(x, y);
        return;
    }
    const int segments = std::max(1, int(std::ceil(std::abs(a.delta) / (Pi / 2) - 1e-9)));
    const double step = a.delta / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    auto point = [&](double t, double &px, double &py, double &dx, double &dy) {
        const double c = std::cos(t), s = std::sin(t);
        px = a.cx + a.rx * c * cosPhi - a.ry * s * sinPhi;
        py = a.cy + a.rx * c * sinPhi + a.ry * s * cosPhi;
        dx = -a.rx * s * cosPhi - a.ry * c * sinPhi;
        dy = -a.rx * s * sinPhi + a.ry * c * cosPhi;
    };
    double px, py, dx, dy;
    point(a.theta, px, py, dx, dy);
    for (int i = 1; i <= segments; ++i) {
        const double c1x = px + k * dx, c1y = py + k * dy;
        point(a.theta + i * step, px, py, dx, dy);
        if (i == segments) {
            px = x; // land exactly on the written end point
            py = y;
        }
        const double c2x = px - k * dx, c2y = py - k * dy;
        if (!finite(c1x, c1y) || !finite(c2x, c2y)) {
            path.lineTo(px, py);
            continue;
        }
        path.cubicTo(c1x, c1y, c2x, c2y, px, py);
    }
}

} // namespace svg
