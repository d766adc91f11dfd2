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

// An elliptic arc centre + cos t · u + sin t · v from parameter t0 over
// `span` (negative: clockwise), as cubics of at most a quarter turn. `end`,
// when given, is the exact point the arc must finish on.
void ellipticArc(PathSink &sink, QPointF centre, QPointF u, QPointF v, double t0, double span,
                 const QPointF *end)
{
    span = std::clamp(span, -TwoPi, TwoPi);
    const int pieces = std::max(1, int(std::ceil(std::abs(span) / QuarterTurn - 1e-9)));
    const double d = span / pieces;
    const double k = 4.0 / 3.0 * std::tan(d / 4);
    const auto place = [&](double cu, double cv) { return centre + cu * u + cv * v; };
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
    ellipticArc(sink, centre, QPointF(r, 0), QPointF(0, r), start, sweep, &to);
}

// A control point in homogeneous form: x and y already multiplied by w.
struct Weighted
{
    double x, y, w;
};

// de Boor's evaluation in the knot span that holds t.
QPointF deBoor(const std::vector<double> &u, const std::vector<Weighted> &control, int p, double t,
               std::vector<Weighted> &work)
{
    const int n = int(control.size());
    int k = int(std::upper_bound(u.begin() + p, u.begin() + n + 1, t) - u.begin()) - 1;
    k = std::clamp(k, p, n - 1);
    while (k > p && u[size_t(k)] == u[size_t(k) + 1])
        --k;
    work.assign(control.begin() + (k - p), control.begin() + (k + 1));
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const int i = j + k - p;
            const double denom = u[size_t(i + p - r + 1)] - u[size_t(i)];
            const double alpha = denom > 0 ? (t - u[size_t(i)]) / denom : 0;
            Weighted &a = work[size_t(j)];
            const Weighted &b = work[size_t(j) - 1];
            a = {b.x * (1 - alpha) + a.x * alpha, b.y * (1 - alpha) + a.y * alpha,
                 b.w * (1 - alpha) + a.w * alpha};
        }
    }
    const Weighted &q = work[size_t(p)];
    return {q.x / q.w, q.y / q.w};
}

// The clamped curve a spline of control points describes, or false.
bool controlCurve(const SplineData &s, std::vector<Weighted> &control)
{
    const int p = s.degree;
    const int n = int(s.control.size());
    if (p < 1 || p > 3 || n < p + 1 || s.knots.size() < size_t(n + p + 1))
        return false;
    // Only the n + p + 1 knots the curve uses; they must not run backwards.
    const auto used = s.knots.begin() + (n + p + 1);
    if (std::is_sorted_until(s.knots.begin(), used) != used)
        return false;
    if (!(s.knots[size_t(n)] > s.knots[size_t(p)]))
        return false;
    // Weights count only when each control point has a usable one; a curve
    // with some missing is more likely drawn as if all were 1.
    const bool rational = s.weights.size() == size_t(n)
        && std::all_of(s.weights.begin(), s.weights.end(), [](double w) { return w > 0 && std::isfinite(w); });
    control.clear();
    control.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double w = rational ? s.weights[size_t(i)] : 1.0;
        control.push_back({s.control[size_t(i)].x() * w, s.control[size_t(i)].y() * w, w});
    }
    return true;
}

// The nonzero cubic basis functions at u in knot span `span` (de Boor / Cox).
void cubicBasis(const std::vector<double> &knots, int span, double u, double out[4])
{
    double left[4], right[4];
    out[0] = 1;
    for (int j = 1; j <= 3; ++j) {
        left[j] = u - knots[size_t(span + 1 - j)];
        right[j] = knots[size_t(span + j)] - u;
        double saved = 0;
        for (int r = 0; r < j; ++r) {
            const double temp = out[r] / (right[r + 1] + left[j - r]);
            out[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        out[j] = saved;
    }
}

// End tangent directions from the five-point rule (Akima), as CAD programs
// estimate them when a fit-point spline stores none.
QPointF fivePointTangent(const std::vector<QPointF> &pts, bool atEnd)
{
    const size_t n = pts.size();
    const auto q = [&](long k) -> QPointF { // q[k] = P[k] - P[k-1], extended
        const auto d = [&](long i) { return pts[size_t(i)] - pts[size_t(i - 1)]; };
        if (k >= 1 && k <= long(n) - 1)
            return d(k);
        const QPointF q0 = 2 * d(1) - d(2);
        if (k == 0)
            return q0;
        if (k == -1)
            return 2 * q0 - d(1);
        const QPointF qn = 2 * d(long(n) - 1) - d(long(n) - 2);
        return k == long(n) ? qn : 2 * qn - d(long(n) - 1);
    };
    const auto cross = [](QPointF a, QPointF b) { return std::abs(a.x() * b.y() - a.y() * b.x()); };
    const long k = atEnd ? long(n) - 1 : 0;
    const double v1 = cross(q(k - 1), q(k)), v2 = cross(q(k + 1), q(k + 2));
    const double alpha = v1 + v2 > 0 ? v1 / (v1 + v2) : 0.5;
    return (1 - alpha) * q(k) + alpha * q(k + 1);
}

QPointF withLength(QPointF v, double length)
{
    const double l = std::hypot(v.x(), v.y());
    return l > 0 ? v * (length / l) : QPointF();
}

// A cubic through the fit points: chord-length parameters, the interior
// parameters as knots, the end tangents as two more conditions (given in the
// file, or estimated), solved as a banded system. Degree 1 through two fit
// points without tangents.
bool fitCurve(const SplineData &s, SplineData &out)
{
    std::vector<QPointF> pts;
    for (const QPointF &p : s.fit) {
        if (pts.empty() || p != pts.back())
            pts.push_back(p);
    }
    const size_t n = pts.size();
    if (n < 2)
        return false;
    std::vector<double> t(n, 0.0);
    for (size_t i = 1; i < n; ++i)
        t[i] = t[i - 1] + std::hypot(pts[i].x() - pts[i - 1].x(), pts[i].y() - pts[i - 1].y());
    const double total = t.back();
    if (!(total > 0) || !std::isfinite(total))
        return false;
    for (double &v : t)
        v /= total;
    t.back() = 1;

    QPointF d0 = s.startTangent ? withLength(s.tangents[0], total) : QPointF();
    QPointF d1 = s.endTangent ? withLength(s.tangents[1], total) : QPointF();
    if (d0.isNull() || d1.isNull()) {
        if (n < 3) {
            out.degree = 1;
            out.knots = {0, 0, 1, 1};
            out.control = pts;
            return true;
        }
        d0 = withLength(fivePointTangent(pts, false), total);
        d1 = withLength(fivePointTangent(pts, true), total);
    }

    // Unknowns: n + 2 control points. Row i has its nonzeros in columns
    // i - 1 … i + 2, so elimination without pivoting stays in the band.
    const size_t m = n + 2;
    out.degree = 3;
    out.knots.assign(4, 0.0);
    out.knots.insert(out.knots.end(), t.begin() + 1, t.end() - 1);
    out.knots.insert(out.knots.end(), 4, 1.0);
    struct Row { double a[4]; QPointF rhs; }; // columns i - 1 … i + 2
    std::vector<Row> rows(m, Row{{0, 0, 0, 0}, QPointF()});
    rows[0].a[1] = 1;
    rows[0].rhs = pts[0];
    rows[1].a[0] = -1;
    rows[1].a[1] = 1;
    rows[1].rhs = d0 * (out.knots[4] / 3);
    for (size_t k = 1; k + 1 < n; ++k) {
        double b[4];
        cubicBasis(out.knots, int(k) + 3, t[k], b);
        Row &r = rows[k + 1];
        for (int j = 0; j < 4; ++j)
            r.a[j] = b[j]; // columns k … k + 3, i.e. row - 1 … row + 2
        r.rhs = pts[k];
    }
    rows[m - 2].a[1] = -1;
    rows[m - 2].a[2] = 1;
    rows[m - 2].rhs = d1 * ((1 - out.knots[out.knots.size() - 5]) / 3);
    rows[m - 1].a[1] = 1;
    rows[m - 1].rhs = pts[n - 1];

    for (size_t i = 1; i < m; ++i) {
        Row &r = rows[i];
        const Row &pivot = rows[i - 1];
        if (r.a[0] == 0)
            continue;
        if (!(std::abs(pivot.a[1]) > 1e-12))
            return false;
        const double f = r.a[0] / pivot.a[1];
        r.a[0] = 0;
        r.a[1] -= f * pivot.a[2];
        r.a[2] -= f * pivot.a[3];
        r.rhs -= f * pivot.rhs;
    }
    out.control.assign(m, QPointF());
    for (size_t i = m; i-- > 0;) {
        const Row &r = rows[i];
        if (!(std::abs(r.a[1]) > 1e-12))
            return false;
        QPointF v = r.rhs;
        if (i + 1 < m)
            v -= r.a[2] * out.control[i + 1];
        if (i + 2 < m)
            v -= r.a[3] * out.control[i + 2];
        out.control[i] = v / r.a[1];
    }
    return true;
}

// The curve a SPLINE draws: its control points, else its fit points.
bool curveOf(const SplineData &s, SplineData &fitted, const SplineData *&curve, std::vector<Weighted> &control)
{
    if (controlCurve(s, control)) {
        curve = &s;
        return true;
    }
    if (s.fit.size() >= 2 && fitCurve(s, fitted) && controlCurve(fitted, control)) {
        curve = &fitted;
        return true;
    }
    return false;
}

long long pointCount(int resolution, size_t controls)
{
    return std::min<long long>((long long)std::clamp(resolution, 1, MaxSplineResolution) * (long long)controls,
                               MaxSplinePoints);
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

QTransform objectToWorld(double nx, double ny, double nz, double elevation)
{
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(len > 0) || !std::isfinite(len))
        return {};
    nx /= len, ny /= len, nz /= len;
    if (nx == 0 && ny == 0 && nz == 1 && elevation == 0)
        return {};
    // Ax = Wy × N near the z axis, Wz × N elsewhere; Ay = N × Ax.
    double ax, ay, az;
    if (std::abs(nx) < 1.0 / 64 && std::abs(ny) < 1.0 / 64)
        ax = nz, ay = 0, az = -nx;
    else
        ax = -ny, ay = nx, az = 0;
    const double al = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= al, ay /= al, az /= al;
    const double bx = ny * az - nz * ay, by = nz * ax - nx * az;
    return QTransform(ax, ay, bx, by, elevation * nx, elevation * ny);
}

void PathSink::reset()
{
    m_path.clear();
    m_used = m_bad = false;
}

void PathSink::setTransform(const QTransform &t)
{
    m_transform = t;
    m_scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
}

bool PathSink::check(QPointF p)
{
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        m_bad = true;
    return !m_bad;
}

void PathSink::moveTo(QPointF p)
{
    p = m_transform.map(p);
    if (check(p)) {
        m_path.moveTo(p);
        m_used = true;
    }
}

void PathSink::lineTo(QPointF p)
{
    p = m_transform.map(p);
    if (check(p))
        m_path.lineTo(p);
}

void PathSink::cubicTo(QPointF c1, QPointF c2, QPointF e)
{
    c1 = m_transform.map(c1);
    c2 = m_transform.map(c2);
    e = m_transform.map(e);
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
    const int n = arcPointCount(radius * sink.scale(), startDeg, endDeg);
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
    ellipticArc(sink, centre, QPointF(radius, 0), QPointF(0, radius), 0, TwoPi, &start);
}

void ellipsePath(PathSink &sink, QPointF centre, QPointF major, QPointF minor, double start, double end)
{
    if (end < start)
        end += TwoPi;
    const QPointF first = centre + std::cos(start) * major + std::sin(start) * minor;
    sink.moveTo(first);
    ellipticArc(sink, centre, major, minor, start, end - start, isFullTurn(end - start) ? &first : nullptr);
}

void polylinePath(PathSink &sink, const std::vector<Vertex> &vertices, bool closed)
{
    if (vertices.empty())
        return;
    sink.moveTo(vertices.front().pos);
    for (size_t i = 0; i + 1 < vertices.size(); ++i)
        bulgeSegment(sink, vertices[i].pos, vertices[i + 1].pos, vertices[i].bulge);
    // Two vertices closed with a bulge are a circle or a D: only a straight
    // two-point line would merely be retraced.
    const bool twoCurved = vertices.size() == 2 && (vertices[0].bulge != 0 || vertices[1].bulge != 0);
    if (closed && (vertices.size() >= 3 || twoCurved))
        bulgeSegment(sink, vertices.back().pos, vertices.front().pos, vertices.back().bulge);
}

long long splinePointCount(const SplineData &s, int resolution)
{
    std::vector<Weighted> control;
    if (controlCurve(s, control))
        return pointCount(resolution, control.size());
    // Interpolation adds the two tangent conditions: an upper bound.
    if (s.fit.size() >= 2)
        return pointCount(resolution, s.fit.size() + 2);
    return 0;
}

bool splinePath(PathSink &sink, const SplineData &s, int resolution)
{
    SplineData fitted;
    const SplineData *curve = nullptr;
    std::vector<Weighted> control;
    if (!curveOf(s, fitted, curve, control))
        return false;
    const int p = curve->degree;
    const double lo = curve->knots[size_t(p)], hi = curve->knots[control.size()];
    const int count = int(std::max(2LL, pointCount(resolution, control.size())));
    std::vector<Weighted> work;
    for (int i = 0; i < count; ++i) {
        const double t = i == count - 1 ? hi : lo + (hi - lo) * i / (count - 1);
        const QPointF q = deBoor(curve->knots, control, p, t, work);
        if (i == 0)
            sink.moveTo(q);
        else
            sink.lineTo(q);
    }
    return true;
}

} // namespace dxf
