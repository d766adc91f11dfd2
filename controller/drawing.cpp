#include "controller/drawing.h"

#include "controller/ini.h"
#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace cutdeck {

void Drawing::clear()
{
    records.clear();
    largestX = 0;
    largestY = 0;
    fileName.clear();
}

namespace {

// The leading number of a text, as the classic Val() reads it: blanks
// skipped, an optional sign, digits and fraction; no number at all is 0.
double leadingNumber(const char *p, const char *end)
{
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    double v = 0;
    const auto r = std::from_chars(p, end, v, std::chars_format::fixed);
    if (r.ec != std::errc() || !std::isfinite(v))
        return 0;
    return negative ? -v : v;
}

int clampShort(double v)
{
    return int(std::clamp(std::trunc(v), -32768.0, 32767.0));
}

} // namespace

namespace {

class HpglStore
{
public:
    explicit HpglStore(Drawing *d) : m_d(d), m_recs(d->records) {}

    // One command, without its ";". False when the store is full.
    bool command(const char *s, const char *end)
    {
        while (s < end && (*s == ' ' || *s == '\t'))
            ++s;
        while (end > s && (end[-1] == ' ' || end[-1] == '\t'))
            --end;
        // A blank command is none: it neither ends a contour nor adds a point.
        if (s == end)
            return true;
        if (end - s < 2 || s[0] != 'P' || (s[1] != 'U' && s[1] != 'D'))
            return separator();
        // The numbers, a blank or a comma between them; a pen command
        // without numbers ("PU") carries no point.
        double numbers[2];
        int count = 0;
        int pairs = 0;
        bool any = false;
        for (const char *p = s + 2; p < end;) {
            const char *q = p;
            while (q < end && *q != ' ' && *q != ',')
                ++q;
            if (q > p) {
                any = any || std::any_of(p, q, [](char c) { return c >= '0' && c <= '9'; });
                numbers[count++] = leadingNumber(p, q);
                if (count == 2) {
                    if (!point(numbers[0], numbers[1]))
                        return false;
                    count = 0;
                    ++pairs;
                }
            }
            p = q + 1;
        }
        if (!any)
            return true;
        // A single number is X with Y 0, as on one-pair lines.
        if (count == 1 && pairs == 0)
            return point(numbers[0], 0);
        return true;
    }

private:
    bool separator()
    {
        if (!m_recs.empty() && m_recs.back().kind == 0)
            return true;
        if (m_recs.size() >= size_t(kDrawingCapacity))
            return false;
        if (!m_recs.empty())
            m_recs.back().flag = 2;
        m_recs.push_back({0, 0, 0, 0});
        m_separatorJustWritten = true;
        return true;
    }

    bool point(double px, double py)
    {
        // Beyond single precision there is no place to cut: no point.
        const double mx = px / kPlotterUnits, my = -py / kPlotterUnits;
        const double limit = double(std::numeric_limits<float>::max());
        if (!(std::fabs(mx) <= limit && std::fabs(my) <= limit))
            return true;
        const float x = float(mx);
        // + 0.0f: a zero Y is stored as 0, not -0.
        const float y = float(my) + 0.0f;
        const float flag = m_separatorJustWritten ? 1 : 0;
        m_separatorJustWritten = false;
        if (flag == 0 && !m_recs.empty() && m_recs.back().kind == 1 && m_recs.back().x == x && m_recs.back().y == y)
            return true;
        if (m_recs.size() >= size_t(kDrawingCapacity))
            return false;
        m_recs.push_back({1, x, y, flag});
        m_d->largestX = std::max(m_d->largestX, clampShort(x));
        m_d->largestY = std::max(m_d->largestY, clampShort(-y));
        return true;
    }

    Drawing *m_d;
    std::vector<DrawingRecord> &m_recs;
    bool m_separatorJustWritten = false;
};

} // namespace

DrawingResult readHpgl(QIODevice &in, Drawing *d)
{
    d->records.clear();
    d->largestX = d->largestY = 0;
    HpglStore store(d);
    QByteArray line;
    while (!in.atEnd()) {
        line = in.readLine(1 << 16);
        int n = line.size();
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
            --n;
        // Usually one command a line; files that run several together
        // ("PU0,0;PD40,0;") are read command by command.
        const char *s = line.constData();
        const char *end = s + n;
        for (const char *c = s; c < end || c == s;) {
            const char *semi = std::find(c, end, ';');
            if (!store.command(c, semi)) {
                d->clear();
                return DrawingResult::TooLarge;
            }
            if (semi >= end)
                break;
            c = semi + 1;
        }
    }
    return DrawingResult::Ok;
}

DrawingResult readHpgl(const QString &path, Drawing *d)
{
    QFile f;
    if (!openRegularFile(f, path)) {
        d->clear();
        return DrawingResult::Unreadable;
    }
    const DrawingResult r = readHpgl(f, d);
    if (r == DrawingResult::Ok)
        d->fileName = path;
    return r;
}

void segmentVectors(Drawing &d, double maxLength)
{
    if (!(maxLength > 0) || d.records.size() < 2)
        return;
    std::vector<DrawingRecord> out;
    out.reserve(d.records.size());
    size_t budget = size_t(kDrawingCapacity) - d.records.size();
    out.push_back(d.records[0]);
    for (size_t i = 1; i < d.records.size(); ++i) {
        const DrawingRecord &a = d.records[i - 1];
        const DrawingRecord &b = d.records[i];
        if (a.kind == 1 && b.kind == 1) {
            const double len = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
            const double pieces = std::ceil(len / maxLength);
            if (pieces > 1 && pieces - 1 <= double(budget)) {
                const int k = int(pieces);
                for (int j = 1; j < k; ++j) {
                    const double t = double(j) / k;
                    out.push_back({1, float(a.x + (double(b.x) - a.x) * t), float(a.y + (double(b.y) - a.y) * t), 0});
                }
                budget -= size_t(k - 1);
            }
        }
        out.push_back(b);
    }
    d.records.swap(out);
}

void mirrorX(Drawing &d)
{
    d.largestX = 0;
    for (DrawingRecord &r : d.records) {
        // + 0.0f: separators and points on the axis stay 0, not -0.
        r.x = -r.x + 0.0f;
        if (r.kind == 1)
            d.largestX = std::max(d.largestX, clampShort(r.x));
    }
}

namespace {

// The contour ends still to be cut, bucketed in a square grid so that the
// nearest one is found by looking at the cells around a point only. Ties go
// to the lower record index, as a scan in record order would have it.
class EndGrid
{
public:
    explicit EndGrid(const std::vector<DrawingRecord> &recs) : m_recs(recs)
    {
        std::vector<size_t> ends;
        for (size_t i = 1; i < recs.size(); ++i)
            if (isEnd(i))
                ends.push_back(i);
        build(ends);
    }

    // The nearest live end to (x, y), or npos when none is left.
    size_t nearest(double x, double y)
    {
        if (m_live * 2 < m_built && m_built > 64)
            rebuild();
        if (m_live == 0)
            return npos;
        const int cx = cellX(x), cy = cellY(y);
        size_t best = npos;
        double bestDistance = std::numeric_limits<double>::infinity();
        const double step = std::min(m_cellW, m_cellH);
        for (int r = 0; r <= m_side; ++r) {
            for (int gy = cy - r; gy <= cy + r; ++gy) {
                if (gy < 0 || gy >= m_side)
                    continue;
                const bool edgeRow = gy == cy - r || gy == cy + r;
                for (int gx = cx - r; gx <= cx + r; gx += edgeRow ? 1 : 2 * r) {
                    if (gx >= 0 && gx < m_side)
                        for (size_t i : m_cells[size_t(gy) * m_side + gx]) {
                            if (!isEnd(i))
                                continue;
                            const double dist = std::hypot(m_recs[i].x - x, m_recs[i].y - y);
                            if (dist < bestDistance || (dist == bestDistance && i < best)) {
                                bestDistance = dist;
                                best = i;
                            }
                        }
                    if (r == 0)
                        break;
                }
            }
            // Cells of the next ring lie at least r cells away.
            if (best != npos && bestDistance < r * step)
                break;
        }
        return best;
    }

    void used() { --m_live; }

    static constexpr size_t npos = size_t(-1);

private:
    bool isEnd(size_t i) const { return m_recs[i].flag == 1 || m_recs[i].flag == 2; }

    void rebuild()
    {
        std::vector<size_t> ends;
        for (const auto &cell : m_cells)
            for (size_t i : cell)
                if (isEnd(i))
                    ends.push_back(i);
        std::sort(ends.begin(), ends.end());
        build(ends);
    }

    void build(const std::vector<size_t> &ends)
    {
        m_live = m_built = ends.size();
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (!ends.empty()) {
            x0 = x1 = m_recs[ends[0]].x;
            y0 = y1 = m_recs[ends[0]].y;
        }
        for (size_t i : ends) {
            x0 = std::min(x0, double(m_recs[i].x));
            x1 = std::max(x1, double(m_recs[i].x));
            y0 = std::min(y0, double(m_recs[i].y));
            y1 = std::max(y1, double(m_recs[i].y));
        }
        m_side = std::max(1, int(std::sqrt(double(ends.size()) / 2)));
        m_x0 = x0;
        m_y0 = y0;
        m_cellW = std::max((x1 - x0) / m_side, 1e-3);
        m_cellH = std::max((y1 - y0) / m_side, 1e-3);
        // One cell shape for both axes keeps the ring bound simple.
        m_cellW = m_cellH = std::max(m_cellW, m_cellH);
        m_cells.assign(size_t(m_side) * m_side, {});
        for (size_t i : ends)
            m_cells[size_t(cellY(m_recs[i].y)) * m_side + cellX(m_recs[i].x)].push_back(i);
    }

    int cellX(double x) const { return cellOf((x - m_x0) / m_cellW); }
    int cellY(double y) const { return cellOf((y - m_y0) / m_cellH); }
    // Clamped before the conversion: a far-off point would overflow an int.
    int cellOf(double position) const
    {
        const double c = std::floor(position);
        if (!(c > 0))
            return 0;
        return c >= m_side - 1 ? m_side - 1 : int(c);
    }

    const std::vector<DrawingRecord> &m_recs;
    std::vector<std::vector<size_t>> m_cells;
    int m_side = 1;
    double m_x0 = 0, m_y0 = 0, m_cellW = 1, m_cellH = 1;
    size_t m_live = 0, m_built = 0;
};

} // namespace

void orderFromOrigin(Drawing &d)
{
    auto &recs = d.records;
    EndGrid ends(recs);
    std::vector<DrawingRecord> out;
    out.reserve(recs.size() + 2);
    out.push_back({0, 0, 0, 0});
    double cx = 0, cy = 0;
    for (;;) {
        size_t i = ends.nearest(cx, cy);
        if (i == EndGrid::npos)
            break;
        ends.used();
        // A contour is walked to its other end, which is used up with it; a
        // contour that lacks an end flag stops at a separator or the list end.
        if (recs[i].flag == 1) {
            recs[i].flag = 0;
            for (; i < recs.size() && recs[i].kind == 1; ++i) {
                out.push_back({recs[i].kind, recs[i].x, recs[i].y, 0});
                if (recs[i].flag == 2) {
                    recs[i].flag = 0;
                    ends.used();
                    break;
                }
            }
        } else {
            recs[i].flag = 0;
            for (size_t k = i + 1; k-- > 0 && recs[k].kind == 1;) {
                out.push_back({recs[k].kind, recs[k].x, recs[k].y, 0});
                if (recs[k].flag == 1) {
                    recs[k].flag = 0;
                    ends.used();
                    break;
                }
            }
        }
        cx = out.back().x;
        cy = out.back().y;
    }
    out.push_back({0, 0, 0, 0});
    recs.swap(out);
}

double cutLength(const Drawing &d)
{
    double length = 0;
    for (size_t i = 1; i < d.records.size(); ++i) {
        const DrawingRecord &a = d.records[i - 1];
        const DrawingRecord &b = d.records[i];
        if (a.kind == 1 && b.kind == 1)
            length += std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    }
    return length;
}

QString timeEstimateMessage(double lengthMm, int speed)
{
    if (speed <= 0)
        return QStringLiteral("No se puede calcular el tiempo de corte: la velocidad de corte es %1 mm/min.")
            .arg(speed);
    const double total = std::floor(lengthMm / (speed / 60.0));
    const qint64 seconds = qint64(std::min(total, 9e15));
    return QStringLiteral("El tiempo de corte (aproximado) es: %1 min %2 seg a %3 mm/min.")
        .arg(seconds / 60)
        .arg(seconds % 60)
        .arg(speed);
}

QString motorTimeEstimate(const Drawing &d, double rx, double ry, int speed, int baseStep)
{
    double seconds = 0;
    for (size_t i = 1; i < d.records.size(); ++i) {
        const DrawingRecord &a = d.records[i - 1];
        const DrawingRecord &b = d.records[i];
        if (a.kind != 1 || b.kind != 1)
            continue;
        const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
        double steps = 0;
        if (rx > 0)
            steps = std::max(steps, std::fabs(std::round(dx / rx)));
        if (ry > 0)
            steps = std::max(steps, std::fabs(std::round(dy / ry)));
        const double atSpeed = speed > 0 ? std::hypot(dx, dy) / (speed / 60.0) : 0;
        seconds += std::max(atSpeed, steps * std::max(0, baseStep) * 1e-6);
    }
    const qint64 s = qint64(std::min(seconds, 9e15));
    return QStringLiteral("Tiempo aprox.:%1 hs %2 min %3 seg").arg(s / 3600).arg(s / 60 % 60).arg(s % 60);
}

QString cutFileNameFor(const QString &drawingPath)
{
    const int dot = drawingPath.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot == drawingPath.size() - 4 && dot > drawingPath.lastIndexOf(QLatin1Char('/')))
        return drawingPath.left(dot + 1) + QStringLiteral("txt");
    return drawingPath + QStringLiteral(".txt");
}

QString gcodeFileNameFor(const QString &cutPath)
{
    const int dot = cutPath.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot > cutPath.lastIndexOf(QLatin1Char('/')))
        return cutPath.left(dot + 1) + QStringLiteral("gcode");
    return cutPath + QStringLiteral(".gcode");
}

DrawingOptions DrawingOptions::loadFrom(const QString &path)
{
    auto text = [&](const char *section, const char *key) {
        return readIniFile(path, QLatin1String(section), QLatin1String(key));
    };
    DrawingOptions o;
    o.segment = shortValue(text("modo", "achicar")) != 0;
    o.fromOrigin = shortValue(text("modo", "origen")) == 1;
    o.autoSave = shortValue(text("modo", "guardar")) != 0;
    o.gcode = shortValue(text("modo", "arduino")) == 1;
    o.mirrorX = shortValue(text("modo", "invertirx")) != 0;
    const double m = numericValue(text("vel", "dist_max_recta"));
    o.maxSegment = m > 0 && std::isfinite(m) ? m : kDefaultMaxSegment;
    o.speed = shortValue(text("vel", "vel"));
    return o;
}

DrawingOptions DrawingOptions::load()
{
    return loadFrom(configPath());
}

void prepareDrawing(Drawing &d, const DrawingOptions &o)
{
    if (o.mirrorX)
        mirrorX(d);
    if (o.segment)
        segmentVectors(d, o.maxSegment);
    if (o.fromOrigin)
        orderFromOrigin(d);
}

namespace {

// The records a job walks: all of them but a closing separator, which only
// ends the last contour and is no place to go.
size_t jobEnd(const Drawing &d)
{
    size_t n = d.records.size();
    if (n > 0 && d.records[n - 1].kind == 0)
        --n;
    return n;
}

// A value as a printed number: a leading blank unless negative, no exponent.
void appendPrinted(QByteArray &out, float v)
{
    char buf[64];
    if (v == 0)
        v = 0; // no "-0"
    if (!(v < 0))
        out += ' ';
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.append(buf, int(r.ptr - buf));
}

// Rounded to two decimals, as short as it goes ("14.7", "-1.58", "5").
void appendTwoDecimals(QByteArray &out, float v)
{
    double r = std::round(double(v) * 100) / 100;
    if (r == 0 || !std::isfinite(r))
        r = 0;
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed);
    out.append(buf, int(res.ptr - buf));
}

} // namespace

QByteArray cutFileText(const Drawing &d)
{
    QByteArray out;
    const size_t end = jobEnd(d);
    out.reserve(int(std::min<size_t>(end * 60, 1u << 30)));
    for (size_t i = 0; i + 1 < end; ++i) {
        out += "ID ";
        out += QByteArray::number(qulonglong(i));
        out += "\r\n";
        for (float v : {d.records[i].x, d.records[i].y, d.records[i + 1].x, d.records[i + 1].y}) {
            appendPrinted(out, v);
            out += "\r\n";
        }
    }
    return out;
}

QByteArray gcodeText(const Drawing &d)
{
    QByteArray out;
    const size_t end = jobEnd(d);
    out.reserve(int(std::min<size_t>(end * 24 + 128, 1u << 30)));
    out += "G21\r\nG90\r\nG92 X0 Y0\r\nG4 P2000\r\nG1 X0 Y0 F500\r\n";
    for (size_t i = 0; i < end; ++i) {
        out += "G1 X";
        appendTwoDecimals(out, d.records[i].x);
        out += " Y";
        appendTwoDecimals(out, d.records[i].y);
        out += "\r\n";
    }
    out += "G92 X0 Y0\r\nM300 S40 P2000\r\n";
    return out;
}

namespace {

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && platform::commitWhole(f))
        return true;
    if (error)
        *error = QStringLiteral("No se pudo guardar el archivo \"%1\": %2").arg(path, f.errorString());
    return false;
}

} // namespace

bool saveJob(const Drawing &d, const QString &cutPath, bool gcode, QString *error)
{
    // The G-code file first: in G-code mode it is the one that runs, and a
    // cut file must not stand beside a G-code file that failed.
    if (gcode && !writeWhole(gcodeFileNameFor(cutPath), gcodeText(d), error))
        return false;
    return writeWhole(cutPath, cutFileText(d), error);
}

} // namespace cutdeck
