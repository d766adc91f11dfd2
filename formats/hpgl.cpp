#include "formats/hpgl.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/blockwriter.h"
#include "formats/filedata.h"
#include "formats/pathconvert.h"
#include "formats/settings.h"

#include <QPainterPath>

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

// Up to `max` pieces of text between commas and white space.
int splitArguments(const char *b, const char *e, const char *(*pieces)[2], int max)
{
    int n = 0;
    while (b < e && n < max) {
        while (b < e && isSeparator(*b))
            ++b;
        if (b == e)
            break;
        const char *start = b;
        while (b < e && !isSeparator(*b))
            ++b;
        pieces[n][0] = start;
        pieces[n][1] = b;
        ++n;
    }
    return n;
}

class Reader
{
public:
    Reader(Drawing &drawing, size_t size) : m_drawing(drawing), m_size(size)
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
        if (e - b < 2)
            return;
        const char c0 = b[0], c1 = b[1];
        if (c0 == 'S' && c1 == 'P') {
            if (e - b >= 3 && b[2] == '0')
                return;
            selectPen(b + 2, e);
        } else if ((c0 == 'P' && (c1 == 'U' || c1 == 'D' || c1 == 'A')) || (c0 == 'A' && c1 == 'A')) {
            coordinates(b + 2, e, c0 == 'A' ? 'R' : c1, position);
        }
    }

    bool finish()
    {
        if (!m_pens.empty())
            takePen(m_object);
        m_drawing.removeEmptyObjects();
        // Pen-up moves alone grow the bounds but give nothing to cut.
        if (!m_grown || m_drawing.objects().empty()) {
            qWarning("HPGL: the file holds no point to cut");
            return false;
        }
        m_drawing.setBoundingRect(QRectF(m_minX, m_minY, m_maxX - m_minX, m_maxY - m_minY));
        return true;
    }

private:
    void selectPen(const char *b, const char *e)
    {
        trim(b, e);
        int pen = 0;
        if (!parseInteger(b, e, pen))
            return;
        m_pens.push_back(uint8_t(pen > 9 ? 9 : (pen < 1 ? 0 : pen)));
    }

    // kind: 'U' pen up, 'D' pen down, 'A' plot absolute, 'R' arc absolute.
    void coordinates(const char *b, const char *e, char kind, size_t position)
    {
        const bool atOrigin = m_x == 0 && m_y == 0;
        if (kind == 'U') {
            // A lift after a shape that ended at the origin still separates
            // the next shape, and a pen that went up draws nothing more.
            if (!atOrigin || !m_object->isEmpty())
                m_lift = true;
            m_penDown = false;
        } else if (kind == 'D') {
            m_penDown = true;
            if (!atOrigin)
                m_object->appendPoint(m_x, m_y);
        }

        const char *pieces[3][2];
        const int n = splitArguments(b, e, pieces, kind == 'R' ? 3 : 2);
        double x = 0, y = 0, sweep = 0;
        if (n < 2 || !parseNumber(pieces[0][0], pieces[0][1], x) || !parseNumber(pieces[1][0], pieces[1][1], y))
            return;
        x /= m_scale;
        y /= m_scale;
        double newX = x, newY = y;
        if (kind == 'R') {
            if (n < 3 || !parseNumber(pieces[2][0], pieces[2][1], sweep))
                return;
            arc(x, y, sweep, newX, newY);
        }

        if (m_lift) {
            const bool moved = std::abs(newX - m_x) > 1e-12 || std::abs(newY - m_y) > 1e-12;
            const bool penChanged = !m_pens.empty() && m_pens.back() != m_pens.front();
            if ((!m_autoWeld || moved || penChanged) && !m_object->isEmpty())
                startObject(position);
            m_penDown = false;
            m_lift = false;
        }
        if (kind != 'R')
            grow(x, y);
        if (m_penDown && kind != 'R')
            m_object->appendPoint(x, y);
        m_x = newX;
        m_y = newY;
    }

    // An arc about (cx, cy) from the pen's position, counter-clockwise for a
    // positive sweep in degrees. The bounds take the arc's points: its
    // centre may lie far outside the drawing.
    void arc(double cx, double cy, double sweep, double &endX, double &endY)
    {
        endX = m_x;
        endY = m_y;
        const double r = std::hypot(m_x - cx, m_y - cy);
        const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
        if (!std::isfinite(box.left()) || !std::isfinite(box.right()) || !std::isfinite(box.top())
            || !std::isfinite(box.bottom()))
            return;
        const double start = std::atan2(m_y - cy, m_x - cx) * (180 / M_PI);
        // The painter path counts angles clockwise in our y-up frame.
        QPainterPath built(QPointF(m_x, m_y));
        built.arcTo(box, -start, -sweep);
        // arcTo joins the pen to the arc's computed start with a line when
        // rounding parts them; the arc starts where the pen is.
        QPainterPath path(QPointF(m_x, m_y));
        for (int i = 1; i < built.elementCount(); ++i) {
            const QPainterPath::Element el = built.elementAt(i);
            if (el.type == QPainterPath::CurveToElement && i + 2 < built.elementCount()) {
                path.cubicTo(el, built.elementAt(i + 1), built.elementAt(i + 2));
                i += 2;
            }
        }
        const int before = m_object->size();
        m_object = appendPath(path, m_drawing, m_object);
        for (int i = before; i < m_object->size(); ++i)
            grow(m_object->points[size_t(i)]->x, m_object->points[size_t(i)]->y);
        endX = m_object->points.back()->x;
        endY = m_object->points.back()->y;
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
        if (m_size > 0)
            BaseFormat::reportProgress(double(position) / double(m_size));
    }

    void grow(double x, double y)
    {
        m_minX = std::min(m_minX, x);
        m_maxX = std::max(m_maxX, x);
        m_minY = std::min(m_minY, y);
        m_maxY = std::max(m_maxY, y);
        m_grown = true;
    }

    Drawing &m_drawing;
    const size_t m_size;
    Object *m_object = nullptr;
    double m_scale = 40;
    bool m_autoWeld = true;
    double m_x = 0, m_y = 0;
    bool m_penDown = false;
    bool m_lift = false;
    std::deque<uint8_t> m_pens; // pens given by "SP", not yet taken by an object
    bool m_grown = false;
    double m_minX = std::numeric_limits<double>::max(), m_minY = std::numeric_limits<double>::max();
    double m_maxX = std::numeric_limits<double>::lowest(), m_maxY = std::numeric_limits<double>::lowest();
};

} // namespace

bool readData(const char *data, size_t size, Drawing &drawing)
{
    Reader reader(drawing, size);
    const char *const end = data + size;
    const char *piece = data;
    for (const char *c = data; c < end; ++c) {
        // Pieces end at ";" and at line ends; a command never spans lines.
        if (*c == ';' || *c == '\n' || *c == '\r') {
            if (c > piece)
                reader.command(piece, c, size_t(c - data));
            piece = c + 1;
        }
    }
    if (end > piece)
        reader.command(piece, end, size);
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
