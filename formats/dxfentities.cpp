#include "formats/dxfentities.h"

#include "formats/dxftokenizer.h"

#include <algorithm>
#include <cmath>

namespace dxf {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;
constexpr double QuarterTurn = Pi / 2;

// Beyond this a spline would only cost memory: no cutter follows a million
// points per curve.
constexpr int MaxSplineResolution = 1000;
constexpr int MaxSplinePoints = 1000000;

// An elliptic arc with half axes a, b turned by `angle`, from parameter t0
// over `span` (negative: clockwise), as cubics of at most a quarter turn.
// `end`, when given, is the exact point the arc must finish on.
void ellipticArc(PathSink &sink, QPointF centre, double a, double b, double angle,
                 double t0, double span, const QPointF *end)
{
    span = std::clamp(span, -TwoPi, TwoPi);
    const int pieces = std::max(1, int(std::ceil(std::abs(span) / QuarterTurn - 1e-9)));
    const double d = span / pieces;
    const double k = 4.0 / 3.0 * std::tan(d / 4);
    const double cr = std::cos(angle), sr = std::sin(angle);
    const auto place = [&](double ux, double uy) {
        const double x = ux * a, y = uy * b;
        return QPointF(centre.x() + x * cr - y * sr, centre.y() + x * sr + y * cr);
    };
    double t = t0;
    for (int i = 0; i < pieces; ++i) {
        const double c0 = std::cos(t), s0 = std::sin(t);
        const double c1 = std::cos(t + d), s1 = std::sin(t + d);
        const QPointF e = (i == pieces - 1 && end) ? *end : place(c1, s1);
        sink.cubicTo(place(c0 - k * s0, s0 + k * c0), place(c1 + k * s1, s1 - k * c1), e);
        t += d;
    }
}

bool isFullTurn(double span)
{
    return std::abs(span) >= TwoPi - 1e-9;
}

// Includes the axis extremes an arc passes between start and end (radians).
void arcExtent(double start, double end, double r, double &w, double &h)
{
    const double lo = std::min(start, end), hi = std::max(start, end);
    double minX = std::min(std::cos(lo), std::cos(hi)), maxX = std::max(std::cos(lo), std::cos(hi));
    double minY = std::min(std::sin(lo), std::sin(hi)), maxY = std::max(std::sin(lo), std::sin(hi));
    const bool full = hi - lo >= TwoPi;
    for (int q = 0; q < 4; ++q) {
        const double axis = q * QuarterTurn;
        const double after = std::fmod(std::fmod(axis - lo, TwoPi) + TwoPi, TwoPi);
        if (!full && lo + after > hi)
            continue;
        const double cx = q == 0 ? 1 : q == 2 ? -1 : 0;
        const double cy = q == 1 ? 1 : q == 3 ? -1 : 0;
        minX = std::min(minX, cx);
        maxX = std::max(maxX, cx);
        minY = std::min(minY, cy);
        maxY = std::max(maxY, cy);
    }
    w = (maxX - minX) * std::abs(r);
    h = (maxY - minY) * std::abs(r);
}

void bulgeSegment(PathSink &sink, QPointF from, QPointF to, double bulge)
{
    const double cx = to.x() - from.x(), cy = to.y() - from.y();
    const double chord = std::hypot(cx, cy);
    if (bulge == 0 || chord == 0 || !std::isfinite(chord)) {
        sink.lineTo(to);
        return;
    }
    const double sagitta = bulge * chord / 2;
    const double radius = sagitta / 2 + chord * chord / (8 * sagitta); // signed like the bulge
    const double towardsCentre = radius - sagitta;
    const QPointF mid((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
    const QPointF centre(mid.x() - cy / chord * towardsCentre, mid.y() + cx / chord * towardsCentre);
    const double start = std::atan2(from.y() - centre.y(), from.x() - centre.x());
    const double sweep = 4 * std::atan(bulge);
    const double r = std::abs(radius);
    ellipticArc(sink, centre, r, r, 0, start, sweep, &to);
}

// de Boor's evaluation in the knot span that holds t.
QPointF deBoor(const SplineData &s, int n, double t, std::vector<QPointF> &work)
{
    const int p = s.degree;
    const std::vector<double> &u = s.knots;
    int k = int(std::upper_bound(u.begin() + p, u.begin() + n + 1, t) - u.begin()) - 1;
    k = std::clamp(k, p, n - 1);
    while (k > p && u[size_t(k)] == u[size_t(k) + 1])
        --k;
    work.assign(s.control.begin() + (k - p), s.control.begin() + (k + 1));
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const int i = j + k - p;
            const double denom = u[size_t(i + p - r + 1)] - u[size_t(i)];
            const double alpha = denom > 0 ? (t - u[size_t(i)]) / denom : 0;
            work[size_t(j)] = work[size_t(j) - 1] * (1 - alpha) + work[size_t(j)] * alpha;
        }
    }
    return work[size_t(p)];
}

} // namespace

void ValueTable::clear()
{
    if (++m_stamp == 0) { // wrapped after four billion entities: start afresh
        m_stamps.fill(0);
        m_stamp = 1;
    }
}

void ValueTable::set(int code, std::string_view value)
{
    if (code < 0 || code >= Size)
        return;
    m_values[size_t(code)] = value;
    m_stamps[size_t(code)] = m_stamp;
}

bool ValueTable::has(int code) const
{
    return code >= 0 && code < Size && m_stamps[size_t(code)] == m_stamp;
}

std::string_view ValueTable::text(int code) const
{
    return has(code) ? m_values[size_t(code)] : std::string_view();
}

double ValueTable::number(int code, double fallback) const
{
    return has(code) ? toNumber(m_values[size_t(code)]) : fallback;
}

int ValueTable::integer(int code) const
{
    return has(code) ? toInteger(m_values[size_t(code)]) : 0;
}

void PathSink::reset()
{
    m_path.clear();
    m_used = m_bad = false;
}

bool PathSink::check(QPointF p)
{
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        m_bad = true;
    return !m_bad;
}

void PathSink::moveTo(QPointF p)
{
    if (check(p)) {
        m_path.moveTo(p);
        m_used = true;
    }
}

void PathSink::lineTo(QPointF p)
{
    if (check(p))
        m_path.lineTo(p);
}

void PathSink::cubicTo(QPointF c1, QPointF c2, QPointF e)
{
    if (check(c1) && check(c2) && check(e))
        m_path.cubicTo(c1, c2, e);
}

int arcPointCount(double radius, double startDeg, double endDeg)
{
    double w = 0, h = 0;
    arcExtent(startDeg * Pi / 180, endDeg * Pi / 180, radius, w, h);
    const double n = std::max(w, h) * QuarterTurn;
    if (!(n < 86.0))
        return 86;
    return std::clamp(int(n), 6, 86);
}

void arcPath(PathSink &sink, QPointF centre, double radius, double startDeg, double endDeg)
{
    if (endDeg < startDeg)
        endDeg += 360;
    const int n = arcPointCount(radius, startDeg, endDeg);
    for (int i = 0; i < n; ++i) {
        const double a = (startDeg + (endDeg - startDeg) * i / (n - 1)) * Pi / 180;
        const QPointF p(centre.x() + radius * std::cos(a), centre.y() + radius * std::sin(a));
        if (i == 0)
            sink.moveTo(p);
        else
            sink.lineTo(p);
    }
}

void circlePath(PathSink &sink, QPointF centre, double radius)
{
    const QPointF start(centre.x() + radius, centre.y());
    sink.moveTo(start);
    ellipticArc(sink, centre, radius, radius, 0, 0, TwoPi, &start);
}

void ellipsePath(PathSink &sink, QPointF centre, QPointF major, double ratio, double start, double end)
{
    if (end < start)
        end += TwoPi;
    const double a = std::hypot(major.x(), major.y());
    const double b = a * ratio;
    const double angle = std::atan2(major.y(), major.x());
    const double cr = std::cos(angle), sr = std::sin(angle);
    const double x = a * std::cos(start), y = b * std::sin(start);
    const QPointF first(centre.x() + x * cr - y * sr, centre.y() + x * sr + y * cr);
    sink.moveTo(first);
    ellipticArc(sink, centre, a, b, angle, start, end - start, isFullTurn(end - start) ? &first : nullptr);
}

void polylinePath(PathSink &sink, const std::vector<Vertex> &vertices, bool closed)
{
    if (vertices.empty())
        return;
    sink.moveTo(vertices.front().pos);
    for (size_t i = 0; i + 1 < vertices.size(); ++i)
        bulgeSegment(sink, vertices[i].pos, vertices[i + 1].pos, vertices[i].bulge);
    if (closed && vertices.size() >= 3)
        bulgeSegment(sink, vertices.back().pos, vertices.front().pos, vertices.back().bulge);
}

bool splinePath(PathSink &sink, const SplineData &s, int resolution, const Placement &placement)
{
    const int p = s.degree;
    const int n = int(s.control.size());
    if (p < 1 || p > 3 || n < p + 1 || s.knots.size() < size_t(n + p + 1))
        return false;
    // Only the n + p + 1 knots the curve uses; they must not run backwards.
    const auto used = s.knots.begin() + (n + p + 1);
    if (std::is_sorted_until(s.knots.begin(), used) != used)
        return false;
    const double lo = s.knots[size_t(p)], hi = s.knots[size_t(n)];
    if (!(hi > lo))
        return false;

    const double last = s.knots.back();
    const int count = int(std::min<long long>(
        (long long)std::clamp(resolution, 1, MaxSplineResolution) * n, MaxSplinePoints));
    std::vector<QPointF> work;
    for (int i = 0; i < count; ++i) {
        double t = last * i / (count - 1);
        if (std::abs(last - t) < 0.000005)
            t = last;
        // Knot vectors that do not start at 0 or are not clamped leave part
        // of 0 … last outside the curve: those parameters take its ends.
        const QPointF q = deBoor(s, n, std::clamp(t, lo, hi), work);
        const QPointF mapped = placement.map(q.x(), q.y());
        if (i == 0)
            sink.moveTo(mapped);
        else
            sink.lineTo(mapped);
    }
    return true;
}

} // namespace dxf
