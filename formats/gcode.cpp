#include "formats/gcode.h"

#include "core/drawing.h"
#include "core/units.h"
#include "formats/baseformat.h"
#include "formats/filedata.h"
#include "formats/settings.h"
#include "formats/blockwriter.h"

#include <QRegularExpression>
#include <QStringList>

#include <charconv>
#include <cstring>
#include <cmath>
#include <string>

namespace gcode {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A decimal number that fills the whole text. Values that are not finite do
// not count as read, so that a damaged line cannot put NaN or infinity into
// the drawing.
bool number(const char *begin, const char *end, double &v)
{
    while (begin < end && isSpace(*begin))
        ++begin;
    while (end > begin && isSpace(end[-1]))
        --end;
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+')
        return false;
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    return ec == std::errc() && ptr == end && std::isfinite(v);
}

// The unit a line states with G20 (inches) or G21 (millimetres), or `unit`
// when it states none; words in comments do not count.
double lengthUnit(const char *b, const char *e, double unit)
{
    for (const char *c = b; c < e; ++c) {
        if (*c == ';')
            break;
        if (*c == '(') {
            const void *close = memchr(c, ')', size_t(e - c));
            if (!close)
                break;
            c = static_cast<const char *>(close);
            continue;
        }
        if ((*c != 'G' && *c != 'g') || e - c < 3 || c[1] != '2' || (c[2] != '0' && c[2] != '1'))
            continue;
        const char *after = c + 3;
        // G20.5 or G201 would be other words; G20.0 is G20.
        if (after < e && *after == '.' && after + 1 < e && after[1] == '0')
            after += 2;
        if (after < e && ((*after >= '0' && *after <= '9') || *after == '.'))
            continue;
        unit = c[2] == '0' ? 25.4 : 1.0;
    }
    return unit;
}

class Bounds
{
public:
    void add(double x, double y)
    {
        if (m_empty) {
            m_minX = m_maxX = x;
            m_minY = m_maxY = y;
            m_empty = false;
            return;
        }
        m_minX = std::min(m_minX, x);
        m_maxX = std::max(m_maxX, x);
        m_minY = std::min(m_minY, y);
        m_maxY = std::max(m_maxY, y);
    }
    QRectF rect() const { return QRectF(m_minX, m_minY, m_maxX - m_minX, m_maxY - m_minY); }

private:
    bool m_empty = true;
    double m_minX = 0, m_minY = 0, m_maxX = 0, m_maxY = 0;
};

} // namespace

bool readData(const char *data, size_t size, Drawing &drawing)
{
    Object *object = drawing.addObject();
    Bounds bounds;
    double x = 0, y = 0;
    // Millimetres per file unit: coordinates stand in millimetres until a
    // line states inches.
    double unit = 1;
    const char *const fileEnd = data + size;
    const char *line = data;
    while (line < fileEnd) {
        const char *lineEnd = static_cast<const char *>(memchr(line, '\n', size_t(fileEnd - line)));
        if (!lineEnd)
            lineEnd = fileEnd;
        const char *b = line, *e = lineEnd;
        line = lineEnd + (lineEnd < fileEnd ? 1 : 0);

        while (b < e && isSpace(*b))
            ++b;
        while (e > b && isSpace(e[-1]))
            --e;
        if (memchr(b, 'G', size_t(e - b)) || memchr(b, 'g', size_t(e - b))) {
            const double stated = lengthUnit(b, e, unit);
            // The axes a later line does not name keep their place.
            x = x * unit / stated;
            y = y * unit / stated;
            unit = stated;
        }
        if (b == e || (*b != 'X' && *b != 'Y'))
            continue;

        // A line counts only when it gives at least one axis a readable
        // number: random bytes that happen to begin with "X" are no point.
        // On such a line an unreadable value of the other axis reads as 0.
        double lineX = x, lineY = y;
        bool readable = false;
        for (const char *piece = b; piece < e;) {
            const char *pieceEnd = static_cast<const char *>(memchr(piece, ' ', size_t(e - piece)));
            if (!pieceEnd)
                pieceEnd = e;
            if (pieceEnd > piece && (*piece == 'X' || *piece == 'Y')) {
                double v = 0;
                const bool ok = number(piece + 1, pieceEnd, v);
                readable = readable || ok;
                (*piece == 'X' ? lineX : lineY) = ok ? v : 0;
            }
            piece = pieceEnd + 1;
        }
        const double px = lineX * unit, py = lineY * unit;
        if (!readable || !std::isfinite(px) || !std::isfinite(py))
            continue;
        x = lineX;
        y = lineY;
        object->appendPoint(px, py);
        bounds.add(px, py);
        if (object->size() % 1000 == 1 && size > 0)
            BaseFormat::reportProgress(double(line - data) / double(size));
    }

    if (object->isEmpty()) {
        qWarning("G-code: no coordinate line with a readable X or Y value");
        return false;
    }
    drawing.setBoundingRect(bounds.rect());
    return true;
}

bool read(const QString &path, Drawing &drawing)
{
    return withFileData(path, [&drawing](const char *data, size_t size) { return readData(data, size, drawing); });
}

namespace {

// The unit a start block leaves the machine in, 0 when it states none.
double blockUnit(const QString &block)
{
    static const QRegularExpression separators(QStringLiteral("[;\r\n]"));
    double unit = 0;
    for (const QString &line : block.split(separators)) {
        const std::string text = line.toStdString();
        unit = lengthUnit(text.data(), text.data() + text.size(), unit);
    }
    return unit;
}

// One line per point through the block writer.
class Writer
{
public:
    explicit Writer(QIODevice &file) : m_out(file) {}

    void text(const QString &block)
    {
        // ";" separates lines, and so does any line break typed into the block.
        static const QRegularExpression separators(QStringLiteral("\r\n|[;\r\n]"));
        const QStringList lines = block.split(separators);
        for (const QString &l : lines) {
            m_out.append(l.toStdString());
            m_out.append("\r\n");
        }
        m_out.flushIfFull();
    }

    void coordinates(const std::string &xLetter, double x, const std::string &yLetter, double y)
    {
        m_out.append(xLetter);
        append(x);
        m_out.append(' ');
        m_out.append(yLetter);
        append(y);
        m_out.append("\r\n");
        m_out.flushIfFull();
    }

    bool finish() { return m_out.finish(); }

private:
    void append(double v)
    {
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
        m_out.append(std::string_view(buf, r.ec == std::errc() ? size_t(r.ptr - buf) : 0));
    }

    BlockWriter m_out;
};

} // namespace

bool write(const QString &path, const Drawing &drawing)
{
    const Settings::FormatOptions &options = Settings::formatOptions();
    const int unit = options.gcodeUnits;
    const double divisor = units::divisor(unit);
    const std::string xLetter = QString(options.gcodeAxisX).toStdString();
    const std::string yLetter = QString(options.gcodeAxisY).toStdString();

    return writeWholeFile(path, [&](QIODevice &file) {
        Writer out(file);
        // Inches must be stated: without G20 this reader, and most
        // controllers, take the numbers for millimetres.
        if (unit == units::Inches && blockUnit(options.gcodeInit) != 25.4)
            out.text(QStringLiteral("G20"));
        out.text(options.gcodeInit);
        for (const Object *o : drawing.objects()) {
            for (const Object::Point *p : o->points) {
                if (unit == units::Millimetres)
                    out.coordinates(xLetter, p->x, yLetter, p->y);
                else
                    out.coordinates(xLetter, p->x / divisor, yLetter, p->y / divisor);
            }
        }
        out.text(options.gcodeFinish);
        return out.finish();
    });
}

} // namespace gcode
