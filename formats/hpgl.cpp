#include "formats/hpgl.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/blockwriter.h"
#include "formats/filedata.h"
#include "formats/pathconvert.h"
#include "formats/settings.h"

#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <string>

namespace hpgl {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void trim(const char *&b, const char *&e)
{
    while (b < e && isSpace(*b))
        ++b;
    while (e > b && isSpace(e[-1]))
        --e;
}

// A number must fill its whole piece; a leading "+" is allowed. Values that
// are not finite are refused so that they never reach the drawing.
bool parseNumber(const char *b, const char *e, double &v)
{
    if (b < e && *b == '+')
        ++b;
    if (b == e || *b == '+')
        return false;
    const auto [ptr, ec] = std::from_chars(b, e, v);
    return ec == std::errc() && ptr == e && std::isfinite(v);
}

bool parseInteger(const char *b, const char *e, int &v)
{
    if (b < e && *b == '+')
        ++b;
    if (b == e || *b == '+')
        return false;
    const auto [ptr, ec] = std::from_chars(b, e, v);
    return ec == std::errc() && ptr == e;
}

bool isSeparator(char c)
{
    return c == ',' || isSpace(c);
}

// The parameters of one command, read one piece of text at a time; pieces
// lie between commas and white space.
class Arguments
{
public:
    Arguments(const char *b, const char *e) : m_b(b), m_e(e) {}

    // False at the end of the parameters or on a piece that is not a number.
    bool number(double &v)
    {
        while (m_b < m_e && isSeparator(*m_b))
            ++m_b;
        const char *start = m_b;
        while (m_b < m_e && !isSeparator(*m_b))
            ++m_b;
        return m_b > start && parseNumber(start, m_b, v);
    }

    // Up to `max` numbers; stops at the first piece that is not one.
    int numbers(double *v, int max)
    {
        int n = 0;
        while (n < max && number(v[n]))
            ++n;
        return n;
    }

private:
    const char *m_b, *m_e;
};

// User units ("SC") onto plotter units between the scaling points P1 and P2
// ("IP"). The default P1 and P2 are those of hp2xx, the usual viewer of
// plotter files here (an A0 sheet upright): a file that scales without
// placing P1 and P2 was made for a plotter of unknown paper, and this
// choice at least shows it as that viewer does.
class Scaling
{
public:
    bool on() const { return m_on; }
    double toPlotterX(double u) const { return m_ax * u + m_bx; }
    double toPlotterY(double u) const { return m_ay * u + m_by; }
    double ax() const { return m_ax; }
    double ay() const { return m_ay; }
    double bx() const { return m_bx; }
    double by() const { return m_by; }
    // P1 and P2 as a file placed them; false while they are the defaults.
    bool pointsGiven() const { return m_pointsGiven; }
    const double *p1() const { return m_p1; }
    const double *p2() const { return m_p2; }

    void reset()
    {
        m_on = false;
        m_pointsGiven = false;
        m_p1[0] = m_p1[1] = 0;
        m_p2[0] = DefaultP2X;
        m_p2[1] = DefaultP2Y;
    }

    // "IP": no parameter restores the default points; two move P1 and
    // carry P2 along; four set both.
    void inputPoints(const double *v, int n)
    {
        if (n == 0) {
            const bool was = m_on;
            reset();
            m_on = was;
        } else if (n == 2 || n == 3) {
            m_pointsGiven = true;
            const double dx = m_p2[0] - m_p1[0], dy = m_p2[1] - m_p1[1];
            m_p1[0] = v[0];
            m_p1[1] = v[1];
            m_p2[0] = v[0] + dx;
            m_p2[1] = v[1] + dy;
        } else if (n >= 4) {
            m_pointsGiven = true;
            m_p1[0] = v[0];
            m_p1[1] = v[1];
            m_p2[0] = v[2];
            m_p2[1] = v[3];
        }
        if (m_on)
            m_on = apply();
    }

    // "SC": no parameter switches scaling off; xmin, xmax, ymin, ymax with
    // an optional type (0 per axis, 1 one scale for both, centred unless
    // the left and bottom percentages say otherwise, 2 factors instead of
    // maxima). A scale that cannot be built leaves the previous one.
    void scale(const double *v, int n)
    {
        if (n == 0) {
            m_on = false;
            return;
        }
        if (n < 4)
            return;
        const double saved[7] = {m_sc[0], m_sc[1], m_sc[2], m_sc[3], m_sc[4], m_sc[5], m_sc[6]};
        const double defaults[7] = {0, 0, 0, 0, 0, 50, 50};
        for (int i = 0; i < 7; ++i)
            m_sc[i] = i < n ? v[i] : defaults[i];
        if (apply()) {
            m_on = true;
        } else {
            std::copy(saved, saved + 7, m_sc);
        }
    }

private:
    static constexpr double DefaultP2X = 33600, DefaultP2Y = 47520;

    bool apply()
    {
        const double type = m_sc[4];
        const double wx = m_p2[0] - m_p1[0], wy = m_p2[1] - m_p1[1];
        double ax, ay, bx, by;
        if (type == 2) {
            ax = m_sc[1];
            ay = m_sc[3];
            bx = m_p1[0] - m_sc[0] * ax;
            by = m_p1[1] - m_sc[2] * ay;
        } else {
            ax = wx / (m_sc[1] - m_sc[0]);
            ay = wy / (m_sc[3] - m_sc[2]);
            if (type == 1) {
                const double s = std::min(std::abs(ax), std::abs(ay));
                ax = std::copysign(s, ax);
                ay = std::copysign(s, ay);
            }
            bx = m_p1[0] - m_sc[0] * ax;
            by = m_p1[1] - m_sc[2] * ay;
            if (type == 1) {
                // The room that one scale leaves goes to the sides by the
                // given percentages.
                bx += (wx - ax * (m_sc[1] - m_sc[0])) * m_sc[5] / 100;
                by += (wy - ay * (m_sc[3] - m_sc[2])) * m_sc[6] / 100;
            }
        }
        if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by) || ax == 0 || ay == 0)
            return false;
        m_ax = ax;
        m_ay = ay;
        m_bx = bx;
        m_by = by;
        return true;
    }

    bool m_on = false;
    bool m_pointsGiven = false;
    double m_p1[2] = {0, 0};
    double m_p2[2] = {DefaultP2X, DefaultP2Y};
    double m_sc[7] = {0, 1, 0, 1, 0, 50, 50};
    double m_ax = 1, m_ay = 1, m_bx = 0, m_by = 0;
};

// Points that curves (arcs, circles, wedges, Bezier curves) may add to one
// file; plain pairs are bounded by the file's size already.
long long g_curveBudget = DefaultCurveBudget;

// "RO": the plot turned about the origin by a multiple of 90 degrees, as
// hp2xx shows it (the page is not moved back into view).
QTransform turn(int degrees)
{
    switch (degrees) {
    case 90:
        return QTransform(0, 1, -1, 0, 0, 0);
    case 180:
        return QTransform(-1, 0, 0, -1, 0, 0);
    case 270:
        return QTransform(0, -1, 1, 0, 0, 0);
    default:
        return QTransform();
    }
}

class Reader
{
public:
    Reader(Drawing &drawing, size_t size) : m_drawing(drawing), m_size(size), m_budget(std::max(0LL, g_curveBudget))
    {
        const Settings::FormatOptions &options = Settings::formatOptions();
        // A scale of 0 plotter units per inch would divide by zero: such a
        // setting reads the file at the usual 1016 units per inch.
        const int units = options.hpglUnits != 0 ? options.hpglUnits : Settings::HpglUnits.defaultValue;
        m_scale = units / 25.4;
        m_autoWeld = options.hpglAutoWeld;
        m_object = m_drawing.addObject();
    }

    void command(const char *b, const char *e, size_t position)
    {
        trim(b, e);
        if (e - b < 2 || m_failed)
            return;
        const char c0 = b[0], c1 = b[1];
        if (c0 == 'S' && c1 == 'P') {
            if (e - b >= 3 && b[2] == '0')
                return;
            selectPen(b + 2, e);
        } else if (c0 == 'P' && (c1 == 'U' || c1 == 'D' || c1 == 'A' || c1 == 'R')) {
            plot(b + 2, e, c1, position);
        } else if (c0 == 'A' && (c1 == 'A' || c1 == 'R')) {
            arcCommand(b + 2, e, c1 == 'R', position);
        } else if ((c0 == 'A' || c0 == 'R') && c1 == 'T') {
            threePointArc(b + 2, e, c0 == 'R', position);
        } else if (c0 == 'C' && c1 == 'I') {
            circle(b + 2, e, position);
        } else if ((c0 == 'E' || c0 == 'R') && (c1 == 'A' || c1 == 'R')) {
            rectangle(b + 2, e, c1 == 'R', position);
        } else if ((c0 == 'E' && c1 == 'W') || (c0 == 'W' && c1 == 'G')) {
            wedge(b + 2, e, position);
        } else if (c0 == 'B' && (c1 == 'Z' || c1 == 'R')) {
            bezier(b + 2, e, c1 == 'R', position);
        } else if (c0 == 'R' && c1 == 'O') {
            double v = 0;
            Arguments(b + 2, e).number(v);
            // Only the four right angles exist; anything else leaves the turn.
            if (v == 0 || v == 90 || v == 180 || v == 270) {
                m_rotation = int(v);
                updateWindow();
            }
        } else if (c0 == 'I' && c1 == 'W') {
            inputWindow(b + 2, e);
        } else if ((c0 == 'I' && c1 == 'P') || (c0 == 'S' && c1 == 'C')) {
            double v[7];
            const int n = Arguments(b + 2, e).numbers(v, 7);
            if (c0 == 'I')
                m_scaling.inputPoints(v, n);
            else
                m_scaling.scale(v, n);
        } else if ((c0 == 'I' && c1 == 'N') || (c0 == 'D' && c1 == 'F')) {
            // Both restore absolute plotting without scaling or window; only
            // an initialisation also lifts the pen, resets P1 and P2 and
            // the turn.
            m_relative = false;
            m_windowOn = false;
            if (c0 == 'I') {
                m_scaling.reset();
                m_rotation = 0;
                penUp();
            } else {
                m_scaling.scale(nullptr, 0);
            }
            updateWindow();
        }
    }

    // "PE", polyline encoded (HP-GL/2): flags and numbers in base 64 (or
    // base 32 after "7"), least significant digit first, the sign in the
    // lowest bit, up to ";". Pairs are relative pen-down moves unless a
    // flag before them says absolute ("=") or pen up ("<"); ":" selects a
    // pen and ">" sets the number of fractional bits. Returns where the
    // command ends.
    const char *encodedPolyline(const char *c, const char *end, const char *data)
    {
        bool sevenBit = false, upNext = false, absoluteNext = false, haveX = false;
        double divisor = 1, x = 0;
        while (c < end && *c != ';' && !m_failed) {
            const unsigned char u = static_cast<unsigned char>(*c);
            if (u == ':' || u == '>') {
                double v;
                c = encodedNumber(c + 1, end, sevenBit, v);
                if (u == ':' && v >= 1 && v <= 1e9)
                    m_pens.push_back(uint8_t(v > 9 ? 9 : v));
                else if (u == '>' && v >= 0 && v <= 26)
                    divisor = double(1L << int(v));
                continue;
            }
            if (u == '<' || u == '=' || u == '7') {
                upNext |= u == '<';
                absoluteNext |= u == '=';
                sevenBit |= u == '7';
                ++c;
                continue;
            }
            if (u < 63 || (u > 126 && u < 191) || u > 254) {
                ++c; // line breaks and the like between numbers
                continue;
            }
            double v;
            c = encodedNumber(c, end, sevenBit, v);
            if (!haveX) {
                x = v / divisor;
                haveX = true;
                continue;
            }
            haveX = false;
            const size_t position = size_t(c - data);
            if (upNext)
                penUp();
            else if (!m_penDown)
                penDown(position);
            double px, py;
            if (target(x, v / divisor, !absoluteNext, px, py))
                moveTo(px, py, position);
            upNext = absoluteNext = false;
        }
        return c;
    }

    bool finish()
    {
        if (m_failed) {
            m_drawing.clearObjects();
            return false;
        }
        if (!m_pens.empty())
            takePen(m_object);
        m_drawing.removeEmptyObjects();
        // Pen-up moves alone give nothing to cut.
        if (m_drawing.objects().empty()) {
            qWarning("HPGL: the file holds no point to cut");
            return false;
        }
        // The extents are those of what is drawn: pen-up travel, such as a
        // park at the origin, is no part of the drawing.
        m_drawing.updateBoundingRect();
        return true;
    }

private:
    // One number of "PE"; digits beyond what a double holds exactly are
    // read but add nothing, so damage cannot overflow.
    static const char *encodedNumber(const char *c, const char *end, bool sevenBit, double &value)
    {
        const int base = sevenBit ? 32 : 64;
        const int lastFirst = sevenBit ? 95 : 191, lastEnd = sevenBit ? 126 : 254;
        uint64_t sum = 0, weight = 1;
        while (c < end && *c != ';') {
            const int u = static_cast<unsigned char>(*c++);
            int digit;
            bool last = false;
            if (u >= 63 && u < 63 + base)
                digit = u - 63;
            else if (u >= lastFirst && u <= lastEnd) {
                digit = u - lastFirst;
                last = true;
            } else {
                continue;
            }
            if (weight <= (uint64_t(1) << 52)) {
                sum += uint64_t(digit) * weight;
                weight *= uint64_t(base);
            }
            if (last)
                break;
        }
        const double magnitude = double(sum >> 1);
        value = (sum & 1) ? -magnitude : magnitude;
        return c;
    }

    void selectPen(const char *b, const char *e)
    {
        trim(b, e);
        int pen = 0;
        if (!parseInteger(b, e, pen))
            return;
        m_pens.push_back(uint8_t(pen > 9 ? 9 : (pen < 1 ? 0 : pen)));
    }

    // kind: 'U' pen up, 'D' pen down, 'A' absolute, 'R' relative; the last
    // two set the mode for later pen commands too. Every pair is a point.
    void plot(const char *b, const char *e, char kind, size_t position)
    {
        if (kind == 'A' || kind == 'R')
            m_relative = kind == 'R';
        if (kind == 'U')
            penUp();
        else if (kind == 'D')
            penDown(position);
        Arguments args(b, e);
        for (bool first = true;; first = false) {
            double x = 0, y = 0;
            if (!args.number(x) || !args.number(y))
                return;
            // Each pair of a pen-up is a lift of its own; the pen went down
            // once for all pairs of a pen-down.
            if (!first && kind == 'U')
                penUp();
            double px, py;
            if (!target(x, y, m_relative, px, py))
                return;
            moveTo(px, py, position);
        }
    }

    // Plotter units of a pair, absolute or relative to the pen; false when
    // the result is not finite.
    bool target(double x, double y, bool relative, double &px, double &py) const
    {
        if (m_scaling.on()) {
            if (relative) {
                px = m_px + m_scaling.ax() * x;
                py = m_py + m_scaling.ay() * y;
            } else {
                px = m_scaling.toPlotterX(x);
                py = m_scaling.toPlotterY(y);
            }
        } else {
            px = relative ? m_px + x : x;
            py = relative ? m_py + y : y;
        }
        return std::isfinite(px) && std::isfinite(py);
    }

    // Millimetres of the drawing, turned by "RO", for plotter units.
    QPointF output(double px, double py) const
    {
        const double x = px / m_scale, y = py / m_scale;
        return m_rotation == 0 ? QPointF(x, y) : turn(m_rotation).map(QPointF(x, y));
    }

    void penUp()
    {
        // A lift after a shape that ended at the origin still separates
        // the next shape, and a pen that went up draws nothing more.
        if (m_placed || !m_object->isEmpty())
            m_lift = true;
        m_penDown = false;
        m_resume = false;
    }

    void penDown(size_t position)
    {
        // A pen that goes down where it went up decides there whether the
        // shape goes on, so that its first segment is drawn.
        if (m_lift)
            resolveLift(m_x, m_y, position);
        m_welded = false;
        m_penDown = true;
        m_resume = false;
        // Only the pen's start, before anything placed it, is no vertex.
        if (m_placed)
            vertex(m_x, m_y);
    }

    void resolveLift(double newX, double newY, size_t position)
    {
        const bool moved = std::abs(newX - m_x) > 1e-12 || std::abs(newY - m_y) > 1e-12;
        const bool penChanged = !m_pens.empty() && m_pens.back() != m_pens.front();
        const bool start = (!m_autoWeld || moved || penChanged) && !m_object->isEmpty();
        if (start)
            startObject(position);
        m_welded = !start && !m_object->isEmpty();
        m_penDown = false;
        m_lift = false;
        // What the pen draws next does not join a segment cut off before.
        m_hasLast = false;
        m_outside = false;
    }

    void moveTo(double px, double py, size_t position)
    {
        const QPointF p = output(px, py);
        travel(p.x(), p.y(), position);
        setPosition(px, py, p.x(), p.y());
    }

    // The pen to a point of the drawing, drawing when it is down.
    void travel(double x, double y, size_t position)
    {
        // After a lift welded the shape on, a pen-up move away is a lift.
        if (!m_penDown && m_welded && (std::abs(x - m_x) > 1e-12 || std::abs(y - m_y) > 1e-12))
            m_lift = true;
        if (m_lift)
            resolveLift(x, y, position);
        if (m_penDown) {
            if (m_resume)
                vertex(m_x, m_y);
            m_resume = false;
            vertex(x, y);
        }
        m_x = x;
        m_y = y;
    }

    void setPosition(double px, double py, double x, double y)
    {
        m_px = px;
        m_py = py;
        m_x = x;
        m_y = y;
        m_placed = true;
    }

    // The next vertex of the current contour. Inside an "IW" window only
    // what lies inside is kept: a contour that leaves the window ends at
    // its edge and goes on as a new object where it comes back, so that
    // the clipped part is not cut.
    void vertex(double x, double y)
    {
        if (!m_windowOn) {
            m_object->appendPoint(x, y);
            return;
        }
        const bool inside = m_window.contains(x, y);
        if (!m_hasLast) {
            m_hasLast = true;
            if (inside)
                m_object->appendPoint(x, y);
        } else {
            double ax = m_lastX, ay = m_lastY, bx = x, by = y;
            if (clip(ax, ay, bx, by)) {
                if (m_outside) {
                    splitObject();
                    m_object->appendPoint(ax, ay);
                }
                m_object->appendPoint(bx, by);
            }
        }
        m_lastX = x;
        m_lastY = y;
        m_outside = !inside;
    }

    // Liang-Barsky: the part of a segment inside the window; false when
    // none is.
    bool clip(double &ax, double &ay, double &bx, double &by) const
    {
        const double dx = bx - ax, dy = by - ay;
        double t0 = 0, t1 = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {ax - m_window.left, m_window.right - ax, ay - m_window.bottom, m_window.top - ay};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0)
                    return false;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
        if (t0 > t1)
            return false;
        const double x0 = ax, y0 = ay;
        if (t1 < 1) {
            bx = x0 + t1 * dx;
            by = y0 + t1 * dy;
        }
        if (t0 > 0) {
            ax = x0 + t0 * dx;
            ay = y0 + t0 * dy;
        }
        return true;
    }

    // A contour cut by the window: the part so far keeps the pen the rest
    // of it will take.
    void splitObject()
    {
        if (m_object->isEmpty())
            return;
        if (!m_pens.empty())
            m_object->pen = m_pens.front();
        m_object = m_drawing.addObject();
    }

    // "IW x1,y1,x2,y2" in the current units; without parameters the window
    // is P1 to P2 when the file placed them (turned with a turned plot, as
    // hp2xx takes it), else there is none.
    void inputWindow(const char *b, const char *e)
    {
        double v[4];
        const int n = Arguments(b, e).numbers(v, 4);
        if (n == 0) {
            m_windowOn = m_scaling.pointsGiven();
            const double *p1 = m_scaling.p1(), *p2 = m_scaling.p2();
            const bool across = m_rotation == 90 || m_rotation == 270;
            m_windowPlotter = across ? QRectF(QPointF(p1[1], p1[0]), QPointF(p2[1], p2[0]))
                                     : QRectF(QPointF(p1[0], p1[1]), QPointF(p2[0], p2[1]));
        } else if (n == 4) {
            double x0, y0, x1, y1;
            if (!target(v[0], v[1], false, x0, y0) || !target(v[2], v[3], false, x1, y1))
                return;
            m_windowOn = true;
            m_windowPlotter = QRectF(QPointF(x0, y0), QPointF(x1, y1));
        } else {
            return;
        }
        updateWindow();
    }

    // The window is kept in plotter units, before the turn; drawing is
    // clipped in the drawing's millimetres.
    void updateWindow()
    {
        if (!m_windowOn)
            return;
        const QRectF r = m_windowPlotter.normalized();
        const QPointF a = output(r.left(), r.top()), b = output(r.right(), r.bottom());
        m_window.left = std::min(a.x(), b.x());
        m_window.right = std::max(a.x(), b.x());
        m_window.bottom = std::min(a.y(), b.y());
        m_window.top = std::max(a.y(), b.y());
        m_hasLast = false;
        m_outside = false;
    }

    // Curves are round in the units the file gives them in: user units
    // under scaling, otherwise millimetres before the turn.
    QTransform curveToOutput() const
    {
        QTransform t;
        if (m_scaling.on()) {
            const Scaling &s = m_scaling;
            t = QTransform(s.ax() / m_scale, 0, 0, s.ay() / m_scale, s.bx() / m_scale, s.by() / m_scale);
        }
        return m_rotation == 0 ? t : t * turn(m_rotation);
    }

    QPointF penInCurveUnits() const
    {
        if (m_scaling.on()) {
            const Scaling &s = m_scaling;
            return QPointF((m_px - s.bx()) / s.ax(), (m_py - s.by()) / s.ay());
        }
        return m_rotation == 0 ? QPointF(m_x, m_y) : turn(360 - m_rotation).map(QPointF(m_x, m_y));
    }

    // A plotter-unit point (or length along x) in curve units.
    QPointF plotterInCurveUnits(double px, double py) const
    {
        if (m_scaling.on()) {
            const Scaling &s = m_scaling;
            return QPointF((px - s.bx()) / s.ax(), (py - s.by()) / s.ay());
        }
        return QPointF(px / m_scale, py / m_scale);
    }

    // A radius from the file in curve units: user units under scaling.
    double radiusInCurveUnits(double r) const { return m_scaling.on() ? r : r / m_scale; }

    // Flattens a path of the drawing's millimetres into `m_flat`, charging
    // its points; false once the file has spent its points or a point is
    // not finite.
    bool flatten(const QPainterPath &path)
    {
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element el = path.elementAt(i);
            if (!std::isfinite(el.x) || !std::isfinite(el.y))
                return false;
        }
        m_flat.clearObjects();
        Object *o = appendPath(path, m_flat);
        const long long points = o ? o->size() : 0;
        if (points > m_budget) {
            qWarning("HPGL: the curves of the file would need more than %lld points; not loading it", g_curveBudget);
            m_failed = true;
            return false;
        }
        m_budget -= points;
        return o != nullptr && !o->isEmpty();
    }

    // "AA x,y,degrees" about an absolute centre, "AR" about one relative to
    // the pen; the chord tolerance that may follow is not needed.
    void arcCommand(const char *b, const char *e, bool relative, size_t position)
    {
        double v[3];
        if (Arguments(b, e).numbers(v, 3) < 3)
            return;
        double cx, cy;
        if (!target(v[0], v[1], relative, cx, cy))
            return;
        double newX = m_x, newY = m_y;
        arc(cx, cy, v[2], newX, newY);
        if (m_lift)
            resolveLift(newX, newY, position);
        // The pen in plotter units is before the turn.
        const QPointF plotter = turn(360 - m_rotation).map(QPointF(newX, newY)) * m_scale;
        setPosition(plotter.x(), plotter.y(), newX, newY);
    }

    // An arc about (cx, cy) in plotter units from the pen's position,
    // counter-clockwise for a positive sweep in degrees, appended whether
    // the pen is down or not.
    void arc(double cx, double cy, double sweep, double &endX, double &endY)
    {
        appendCurve(arcPath(penInCurveUnits(), plotterInCurveUnits(cx, cy), sweep), endX, endY);
    }

    // The arc from s about c through `sweep` degrees, in curve units; empty
    // when it is not finite.
    static QPainterPath arcPath(QPointF s, QPointF c, double sweep)
    {
        const double r = std::hypot(s.x() - c.x(), s.y() - c.y());
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        if (!std::isfinite(box.left()) || !std::isfinite(box.right()) || !std::isfinite(box.top())
            || !std::isfinite(box.bottom()) || !std::isfinite(sweep))
            return QPainterPath();
        const double start = std::atan2(s.y() - c.y(), s.x() - c.x()) * (180 / M_PI);
        // The painter path counts angles clockwise in our y-up frame; more
        // than one turn would only retrace the circle.
        QPainterPath built(s);
        built.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
        // arcTo joins the pen to the arc's computed start with a line when
        // rounding parts them; the arc starts where the pen is.
        QPainterPath path(s);
        for (int i = 1; i < built.elementCount(); ++i) {
            const QPainterPath::Element el = built.elementAt(i);
            if (el.type == QPainterPath::CurveToElement && i + 2 < built.elementCount()) {
                path.cubicTo(el, built.elementAt(i + 1), built.elementAt(i + 2));
                i += 2;
            }
        }
        return path;
    }

    // A curve in curve units from the pen's position flattened onto the
    // current object whatever the pen's state, as arcs are; `end`, in the
    // drawing's millimetres, pins its last point where the file put it.
    void appendCurve(QPainterPath path, double &endX, double &endY, const QPointF *end = nullptr)
    {
        if (path.elementCount() < 2)
            return;
        if (m_scaling.on() || m_rotation != 0) {
            path = curveToOutput().map(path);
            // The mapped start may differ from the pen in the last digit.
            path.setElementPositionAt(0, m_x, m_y);
        }
        if (end)
            path.setElementPositionAt(path.elementCount() - 1, end->x(), end->y());
        if (!flatten(path))
            return;
        m_resume = false;
        const Object &flat = *m_flat.objects().front();
        for (const Object::Point *p : flat.points)
            vertex(p->x, p->y);
        endX = flat.points.back()->x;
        endY = flat.points.back()->y;
    }

    // "AT xi,yi,xe,ye" through an absolute intermediate point to an absolute
    // end, "RT" with both relative to the pen; the chord angle that may
    // follow is not needed. The circle is found in curve units, so that it
    // is round where the other arcs are. Points on one line give the line
    // to the end, an end on the start the circle whose diameter runs to the
    // intermediate point, and three points in one place nothing.
    void threePointArc(const char *b, const char *e, bool relative, size_t position)
    {
        double v[4];
        if (Arguments(b, e).numbers(v, 4) < 4)
            return;
        double ix, iy, ex, ey;
        if (!target(v[0], v[1], relative, ix, iy) || !target(v[2], v[3], relative, ex, ey))
            return;
        const QPointF s = penInCurveUnits(), i = plotterInCurveUnits(ix, iy), t = plotterInCurveUnits(ex, ey);
        const double si = std::hypot(i.x() - s.x(), i.y() - s.y());
        const double st = std::hypot(t.x() - s.x(), t.y() - s.y());
        const double it = std::hypot(t.x() - i.x(), t.y() - i.y());
        const double size = std::max({si, st, it});
        const double magnitude = std::max({std::abs(s.x()), std::abs(s.y()), std::abs(i.x()), std::abs(i.y()),
                                           std::abs(t.x()), std::abs(t.y())});
        if (!std::isfinite(size) || !std::isfinite(magnitude))
            return;
        // The pen's place in curve units went through a division and back,
        // so coincidence and lines allow for the last digits.
        const double eps = 1e-9 * size + 1e-12 * magnitude;
        const double bx = i.x() - s.x(), by = i.y() - s.y(), cx = t.x() - s.x(), cy = t.y() - s.y();
        const double cross = bx * cy - by * cx;
        QPainterPath path(s);
        if (size <= eps) {
            path = QPainterPath();
        } else if (si <= eps || it <= eps) {
            path.lineTo(t);
        } else if (st <= eps) {
            path = arcPath(s, (s + i) / 2, 360);
        } else if (std::abs(cross) <= eps * st) {
            path.lineTo(t);
        } else {
            const double d = 2 * cross, bb = bx * bx + by * by, cc = cx * cx + cy * cy;
            const QPointF centre(s.x() + (cy * bb - by * cc) / d, s.y() + (bx * cc - cx * bb) / d);
            const double ccw = std::fmod(std::atan2(t.y() - centre.y(), t.x() - centre.x())
                                             - std::atan2(s.y() - centre.y(), s.x() - centre.x()) + 4 * M_PI,
                                         2 * M_PI)
                * (180 / M_PI);
            // Three points met counter-clockwise around their circle turn
            // left from the first to the last; an end just short of the
            // start is nearly a whole turn, whatever the rounding made of it.
            path = arcPath(s, centre, cross > 0 ? (ccw > 0 ? ccw : 360) : ccw - 360);
        }
        // The pen ends where the file put it, also when nothing was drawn.
        const QPointF end = output(ex, ey);
        double drawnX, drawnY;
        appendCurve(path, drawnX, drawnY, &end);
        if (m_lift)
            resolveLift(end.x(), end.y(), position);
        setPosition(ex, ey, end.x(), end.y());
    }

    // A closed outline (circle, rectangle, wedge) drawn whatever the pen's
    // state, as an object of its own; the pen stays where it was.
    void shape(const QPainterPath &path, size_t position)
    {
        if (m_lift)
            resolveLift(m_x, m_y, position);
        // The pen lowered on the spot just before ("PD;CI5") leaves a dot
        // on paper; for the wire it would be a trip out and back.
        if (m_object->size() == 1 && m_object->points[0]->x == m_x && m_object->points[0]->y == m_y)
            m_object->clear();
        if (!m_object->isEmpty())
            startObject(position);
        m_hasLast = m_outside = false;
        if (flatten(path)) {
            for (const Object::Point *p : m_flat.objects().front()->points)
                vertex(p->x, p->y);
        }
        if (!m_object->isEmpty())
            startObject(position);
        m_hasLast = m_outside = false;
        m_welded = false;
        // A pen that was down draws on from the pen's place once it moves:
        // a lone point there would only send the wire out and back.
        m_resume = m_penDown && m_placed;
    }

    // "CI r": a circle about the pen, starting at angle 0 (180 for a
    // negative radius) and turning counter-clockwise; the chord angle that
    // may follow is not needed.
    void circle(const char *b, const char *e, size_t position)
    {
        double v = 0;
        if (!Arguments(b, e).number(v) || v == 0)
            return;
        const QPointF c = penInCurveUnits();
        const double r = std::abs(radiusInCurveUnits(v));
        const double start = v < 0 ? 180 : 0;
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        QPainterPath path;
        path.arcMoveTo(box, -start);
        path.arcTo(box, -start, -360);
        shape(curveToOutput().map(path), position);
    }

    // "EA x,y"/"RA x,y" to an absolute corner, "ER"/"RR" to one relative to
    // the pen: the outline of the rectangle between it and the pen. A fill
    // is cut as its outline.
    void rectangle(const char *b, const char *e, bool relative, size_t position)
    {
        double v[2];
        if (Arguments(b, e).numbers(v, 2) < 2)
            return;
        double px, py;
        if (!target(v[0], v[1], relative, px, py) || (px == m_px && py == m_py))
            return;
        QPainterPath path(output(m_px, m_py));
        path.lineTo(output(px, m_py));
        path.lineTo(output(px, py));
        path.lineTo(output(m_px, py));
        path.lineTo(output(m_px, m_py));
        shape(path, position);
    }

    // "EW r,start,sweep"/"WG": the outline of the wedge about the pen, from
    // the centre out along the start angle, round the arc and back.
    void wedge(const char *b, const char *e, size_t position)
    {
        double v[3];
        if (Arguments(b, e).numbers(v, 3) < 3 || v[0] == 0)
            return;
        const QPointF c = penInCurveUnits();
        const double r = std::abs(radiusInCurveUnits(v[0]));
        const double start = v[0] < 0 ? v[1] + 180 : v[1];
        const double sweep = std::clamp(v[2], -360.0, 360.0);
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        QPainterPath path(c);
        path.arcTo(box, -start, -sweep);
        path.lineTo(c);
        shape(curveToOutput().map(path), position);
    }

    // "BZ" with absolute control points, "BR" with points relative to the
    // start of each curve; each curve starts where the last ended. They
    // draw with the pen down and only move it when it is up.
    void bezier(const char *b, const char *e, bool relative, size_t position)
    {
        Arguments args(b, e);
        for (;;) {
            double v[6];
            if (args.numbers(v, 6) < 6)
                return;
            double p[6];
            for (int i = 0; i < 6; i += 2) {
                if (!target(v[i], v[i + 1], relative, p[i], p[i + 1]))
                    return;
            }
            if (!m_penDown) {
                moveTo(p[4], p[5], position);
                continue;
            }
            QPainterPath path(QPointF(m_x, m_y));
            path.cubicTo(output(p[0], p[1]), output(p[2], p[3]), output(p[4], p[5]));
            if (!flatten(path))
                return;
            if (m_resume)
                vertex(m_x, m_y);
            m_resume = false;
            const Object &flat = *m_flat.objects().front();
            for (size_t i = 1; i < flat.points.size(); ++i)
                travel(flat.points[i]->x, flat.points[i]->y, position);
            setPosition(p[4], p[5], m_x, m_y);
        }
    }

    void takePen(Object *o)
    {
        o->pen = m_pens.front();
        if (m_pens.size() > 1)
            m_pens.pop_front();
    }

    void startObject(size_t position)
    {
        if (!m_pens.empty())
            takePen(m_object);
        m_object = m_drawing.addObject();
        m_hasLast = false;
        m_outside = false;
        if (m_size > 0)
            BaseFormat::reportProgress(double(position) / double(m_size));
    }

    struct Window
    {
        double left = 0, right = 0, bottom = 0, top = 0;
        bool contains(double x, double y) const { return x >= left && x <= right && y >= bottom && y <= top; }
    };

    Drawing &m_drawing;
    const size_t m_size;
    Object *m_object = nullptr;
    double m_scale = 40;
    bool m_autoWeld = true;
    Scaling m_scaling;
    bool m_relative = false;
    double m_px = 0, m_py = 0; // the pen in plotter units, before the turn
    double m_x = 0, m_y = 0; // ... and in the drawing's millimetres
    bool m_placed = false; // a command has put the pen somewhere
    bool m_penDown = false;
    bool m_lift = false;
    bool m_welded = false; // the last lift continued the shape in place
    bool m_resume = false; // a closed shape interrupted the pen-down path here
    std::deque<uint8_t> m_pens; // pens given by "SP", not yet taken by an object
    int m_rotation = 0;
    bool m_windowOn = false;
    QRectF m_windowPlotter;
    Window m_window; // in the drawing's millimetres
    bool m_hasLast = false; // the contour's last vertex, drawn or clipped
    double m_lastX = 0, m_lastY = 0;
    bool m_outside = false; // ... lay outside the window
    Drawing m_flat; // scratch for flattening curves
    long long m_budget;
    bool m_failed = false;
};

} // namespace

namespace {

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Parameters run on to the next letter, ";" or line end: commands may follow
// each other without a separator ("PUPA0,0PD10,0").
bool isParameter(char c)
{
    return isDigit(c) || c == ',' || c == '.' || c == '-' || c == '+' || c == ' ' || c == '\t';
}

const char *find(const char *b, const char *e, char c)
{
    const void *p = b < e ? std::memchr(b, c, size_t(e - b)) : nullptr;
    return static_cast<const char *>(p);
}

// Printer escape sequences that wrap or precede the plotter language:
// "ESC % -1 B" and the like, "ESC . letter" with parameters up to ":" and
// two-character ones such as "ESC E".
const char *skipEscape(const char *c, const char *end)
{
    ++c;
    if (c == end)
        return c;
    if (*c == '%') {
        ++c;
        while (c < end && (isDigit(*c) || *c == '-' || *c == '+'))
            ++c;
        return c < end && (*c == 'A' || *c == 'B') ? c + 1 : c;
    }
    if (*c == '.') {
        if (++c == end)
            return c;
        const char *p = ++c;
        while (p < end && (isDigit(*p) || *p == ';' || *p == '.'))
            ++p;
        return p < end && *p == ':' ? p + 1 : c;
    }
    return c + 1;
}

// The text of a label command, read by no one here, runs to the label
// terminator. A file that never writes the terminator again ends its labels
// with their line, so that the rest of the drawing is not taken as text.
class Labels
{
public:
    const char *skip(const char *c, const char *end)
    {
        if (m_terminatorAhead) {
            if (const char *t = find(c, end, m_terminator))
                return t + 1;
            m_terminatorAhead = false;
        }
        const char *eol = find(c, end, '\n');
        return eol ? eol + 1 : end;
    }

    // "DT": the character after the two letters, or the default for none.
    const char *define(const char *c, const char *end)
    {
        m_terminatorAhead = true;
        if (c == end || *c == ';' || *c == '\n' || *c == '\r') {
            m_terminator = '\x03';
            return c;
        }
        m_terminator = *c;
        return c + 1;
    }

private:
    char m_terminator = '\x03';
    bool m_terminatorAhead = true;
};

// "CO": a quoted text, or anything up to ";" or the line end.
const char *skipComment(const char *c, const char *end)
{
    while (c < end && (*c == ' ' || *c == '\t'))
        ++c;
    if (c < end && *c == '"') {
        const char *close = find(c + 1, end, '"');
        if (close)
            return close + 1;
    }
    while (c < end && *c != ';' && *c != '\n')
        ++c;
    return c;
}

} // namespace

void setCurveBudget(long long points)
{
    g_curveBudget = points;
}

bool readData(const char *data, size_t size, Drawing &drawing)
{
    Reader reader(drawing, size);
    Labels labels;
    const char *const end = data + size;
    const char *c = data;
    while (c < end) {
        if (*c == '\x1b') {
            c = skipEscape(c, end);
            continue;
        }
        // A command is two capital letters; anything else between commands
        // (separators, lower-case letters, damage) is passed over.
        if (!isUpper(*c) || c + 1 == end || !isUpper(c[1])) {
            ++c;
            continue;
        }
        const char *command = c;
        const char m0 = c[0], m1 = c[1];
        c += 2;
        if ((m0 == 'L' && m1 == 'B') || (m0 == 'B' && m1 == 'L') || (m0 == 'W' && m1 == 'D')) {
            c = labels.skip(c, end);
        } else if (m0 == 'D' && m1 == 'T') {
            c = labels.define(c, end);
        } else if (m0 == 'C' && m1 == 'O') {
            c = skipComment(c, end);
        } else if (m0 == 'P' && m1 == 'E') {
            // Its digits include capital letters: it is read up to its ";".
            c = reader.encodedPolyline(c, end, data);
        } else if (m0 == 'S' && m1 == 'M') {
            // The symbol character may be a letter.
            if (c < end && *c != ';' && *c != '\n' && *c != '\r')
                ++c;
        } else {
            while (c < end && isParameter(*c))
                ++c;
            reader.command(command, c, size_t(c - data));
        }
    }
    return reader.finish();
}

bool read(const QString &path, Drawing &drawing)
{
    return withFileData(path, [&drawing](const char *data, size_t size) { return readData(data, size, drawing); });
}

namespace {

// Plotter units, cut towards zero; values beyond any plotter's range are
// still written as whole numbers, not in exponent notation. False for a value
// whose plotter units overflow the range of finite numbers.
bool appendUnits(std::string &out, double millimetres)
{
    const double v = std::trunc(millimetres * 40);
    if (!std::isfinite(v))
        return false;
    char buf[400];
    std::to_chars_result r;
    if (std::abs(v) < 9e18)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(v));
    else
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 0);
    if (r.ec == std::errc())
        out.append(buf, size_t(r.ptr - buf));
    return r.ec == std::errc();
}

} // namespace

bool write(const QString &path, const Drawing &drawing)
{
    return writeWholeFile(path, [&](QIODevice &file) {
        BlockWriter out(file);
        std::string line;
        out.append("IN;\r\n");
        for (const Object *o : drawing.objects()) {
            out.append("LT;\r\nSP");
            out.append(std::to_string(o->pen > 1 ? o->pen : 1));
            out.append(";\r\n");
            bool first = true;
            for (const Object::Point *p : o->points) {
                line = first ? "PU" : "PD";
                first = false;
                const bool fits = appendUnits(line, p->x);
                line += ' ';
                if (!fits || !appendUnits(line, p->y)) {
                    qWarning("Cannot save \"%s\": a coordinate times 40 plotter units per millimetre "
                             "is not a finite number", qUtf8Printable(path));
                    return false;
                }
                line += ";\r\n";
                out.append(line);
                out.flushIfFull();
            }
        }
        out.append("SP0;");
        return out.finish();
    });
}

} // namespace hpgl
