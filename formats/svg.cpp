#include "formats/svg.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/filedata.h"
#include "formats/pathconvert.h"
#include "formats/svginput.h"
#include "formats/svgpathdata.h"
#include "formats/svgscan.h"
#include "formats/svgtransform.h"

#include <QFile>
#include <QPainterPath>
#include <QXmlStreamReader>

#include <cmath>
#include <utility>
#include <vector>

namespace svg {

namespace {

// Millimetres per unit of the "unit" word of "MaxPageSize"; cutting software
// that writes the element counts points like pixels.
struct PageUnit
{
    const char *word;
    double mm;
};
const PageUnit pageUnits[] = {
    {"Millimeters", 1},           {"Inches", 25.4},
    {"Picas", 4.23333333333},     {"Centimeters", 10},
    {"Pixels", 0.2822222291209878}, {"Points", 0.2822222291209878},
};

// Containers whose content is never drawn (definitions, clip paths, masks,
// markers, patterns): a drawing program's helper shapes are not for cutting.
bool isHiddenContainer(const QStringRef &name)
{
    static const char *const names[] = {"defs", "clipPath", "mask", "symbol", "marker", "pattern"};
    for (const char *n : names) {
        if (name == QLatin1String(n))
            return true;
    }
    return false;
}

bool finiteRect(double x, double y, double w, double h)
{
    return usable(x) && usable(y) && usable(w) && usable(h) && usable(x + w) && usable(y + h);
}

bool validScale(double s)
{
    return std::isfinite(s) && s > 0;
}

class Reader
{
public:
    Reader(Drawing &drawing, Input &input) : m_drawing(drawing), m_input(input)
    {
        m_xml.setNamespaceProcessing(false);
        m_firstObject = int(drawing.objects().size());
    }

    bool run()
    {
        if (parse() && finish())
            return true;
        // Half a document is not the drawing the user asked for: leave nothing.
        for (int i = int(m_drawing.objects().size()) - 1; i >= m_firstObject; --i)
            m_drawing.removeObjectAt(i);
        return false;
    }

private:
    bool parse();
    void startElement();
    void endElement();
    void root(const QXmlStreamAttributes &a);
    void maxPageSize();
    void shape(const QStringRef &name, const QXmlStreamAttributes &a);
    void add(const QPainterPath &path, const QXmlStreamAttributes &a);
    bool finish();

    void pushGroup(const QTransform &m)
    {
        const QTransform combined = m_groups.empty() ? m : m * m_groups.back().first;
        // Groups without a transform of their own share their parent's entry,
        // so that deep nesting costs a counter, not a matrix per level.
        if (!m_groups.empty() && m.isIdentity())
            ++m_groups.back().second;
        else
            m_groups.emplace_back(combined, 1);
    }
    void popGroup()
    {
        if (!m_groups.empty() && --m_groups.back().second == 0)
            m_groups.pop_back();
    }

    Drawing &m_drawing;
    Input &m_input;
    QXmlStreamReader m_xml;
    int m_firstObject = 0;
    int m_depth = 0;
    bool m_rootClosed = false;
    bool m_sawRoot = false;
    int m_hiddenDepth = 0; // > 0 inside a container that is not drawn

    // Every group's matrix combined with its parents', innermost last.
    std::vector<std::pair<QTransform, int>> m_groups;

    // User units to millimetres: without a view box the user unit is a pixel.
    double m_scaleX = 1 / PixelsPerMm, m_scaleY = 1 / PixelsPerMm;
    double m_originX = 0, m_originY = 0;
    double m_viewWidth = 0, m_viewHeight = 0;

    bool m_inMaxPage = false;
    QString m_pageChild, m_pageText;
    double m_pageW = 0, m_pageH = 0, m_pageUnit = 1;
};

bool Reader::parse()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::Invalid) {
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                const QByteArray piece = m_input.next();
                if (!piece.isEmpty()) {
                    m_xml.addData(piece);
                    continue;
                }
                if (m_input.failed())
                    return false; // already said why
                if (m_rootClosed)
                    return true;
            }
            qWarning("SVG: %s (line %lld, column %lld); the file is not loaded",
                     qPrintable(m_xml.errorString()), m_xml.lineNumber(), m_xml.columnNumber());
            return false;
        }
        switch (token) {
        case QXmlStreamReader::EndDocument:
            return true;
        case QXmlStreamReader::StartElement:
            ++m_depth;
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            if (--m_depth == 0)
                m_rootClosed = true;
            break;
        case QXmlStreamReader::Characters:
            if (m_inMaxPage && !m_pageChild.isEmpty())
                m_pageText += m_xml.text();
            break;
        default:
            break;
        }
    }
}

void Reader::startElement()
{
    const QStringRef name = m_xml.name();
    if (m_hiddenDepth > 0 || isHiddenContainer(name)) {
        ++m_hiddenDepth;
        return;
    }
    if (m_inMaxPage) {
        m_pageChild = name.toString();
        m_pageText.clear();
        return;
    }
    const QXmlStreamAttributes a = m_xml.attributes();
    if (name == QLatin1String("g")) {
        pushGroup(parseTransform(a.value(QLatin1String("transform"))));
    } else if (name == QLatin1String("svg")) {
        if (!m_sawRoot)
            root(a);
        m_sawRoot = true;
    } else if (name == QLatin1String("MaxPageSize")) {
        m_inMaxPage = true;
        m_pageChild.clear();
    } else {
        shape(name, a);
    }
}

void Reader::endElement()
{
    const QStringRef name = m_xml.name();
    if (m_hiddenDepth > 0) {
        --m_hiddenDepth;
        return;
    }
    if (m_inMaxPage) {
        if (name == QLatin1String("MaxPageSize")) {
            m_inMaxPage = false;
            maxPageSize();
        } else if (m_pageChild == QLatin1String("w")) {
            m_pageW = numberOr0(QStringRef(&m_pageText));
        } else if (m_pageChild == QLatin1String("h")) {
            m_pageH = numberOr0(QStringRef(&m_pageText));
        } else if (m_pageChild == QLatin1String("unit")) {
            const QString word = m_pageText.trimmed();
            for (const PageUnit &u : pageUnits) {
                if (word == QLatin1String(u.word))
                    m_pageUnit = u.mm;
            }
        }
        m_pageChild.clear();
        return;
    }
    if (name == QLatin1String("g"))
        popGroup();
}

void Reader::root(const QXmlStreamAttributes &a)
{
    QString box = a.value(QLatin1String("viewBox")).toString();
    for (QChar &c : box) {
        if (c == QLatin1Char(',') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    const QVector<QStringRef> pieces = box.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pieces.size() != 4)
        return;
    double v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = lengthInPixels(pieces[i]);

    // The size the view box is shown at; a percentage or no size at all
    // means the view box's own size in pixels.
    const std::optional<double> w = lengthInMm(a.value(QLatin1String("width")), false);
    const std::optional<double> h = lengthInMm(a.value(QLatin1String("height")), false);
    const double mmW = w && validScale(*w) ? *w : v[2] / PixelsPerMm;
    const double mmH = h && validScale(*h) ? *h : v[3] / PixelsPerMm;
    double sx = v[2] > 0 ? mmW / v[2] : 0;
    double sy = v[3] > 0 ? mmH / v[3] : 0;
    if (!validScale(sx) && !validScale(sy))
        return; // an unusable view box is ignored
    // A view box flat in one direction (a single line) keeps the other's scale.
    if (!validScale(sx))
        sx = sy;
    if (!validScale(sy))
        sy = sx;
    m_originX = v[0];
    m_originY = v[1];
    m_viewWidth = v[2];
    m_viewHeight = v[3];
    m_scaleX = sx;
    m_scaleY = sy;
}

void Reader::maxPageSize()
{
    if (!(m_viewWidth > 0 && m_viewHeight > 0 && m_pageW > 0 && m_pageH > 0))
        return;
    const double sx = m_pageUnit * m_pageW / m_viewWidth;
    const double sy = m_pageUnit * m_pageH / m_viewHeight;
    if (validScale(sx) && validScale(sy)) {
        m_scaleX = sx;
        m_scaleY = sy;
    }
}

void Reader::shape(const QStringRef &name, const QXmlStreamAttributes &a)
{
    const auto num = [&a](const char *attr) { return lengthInPixels(a.value(QLatin1String(attr))); };
    QPainterPath path;
    if (name == QLatin1String("path")) {
        appendPathData(a.value(QLatin1String("d")), path);
    } else if (name == QLatin1String("polygon") || name == QLatin1String("polyline")) {
        Scanner s(a.value(QLatin1String("points")));
        double x = 0, firstX = 0, firstY = 0, v = 0;
        int count = 0;
        for (s.skipSpaces(); s.number(v) && usable(v); s.skipSeparator(), ++count) {
            if (count % 2 == 0) {
                x = v;
            } else if (count == 1) {
                path.moveTo(x, v);
                firstX = x;
                firstY = v;
            } else {
                path.lineTo(x, v);
            }
        }
        if (name == QLatin1String("polygon") && count >= 2)
            path.lineTo(firstX, firstY);
    } else if (name == QLatin1String("circle")) {
        const double cx = num("cx"), cy = num("cy"), r = num("r");
        if (r > 0 && finiteRect(cx - r, cy - r, 2 * r, 2 * r))
            path.addEllipse(QPointF(cx, cy), r, r);
    } else if (name == QLatin1String("ellipse")) {
        const double cx = num("cx"), cy = num("cy"), rx = num("rx"), ry = num("ry");
        if (rx > 0 && ry > 0 && finiteRect(cx - rx, cy - ry, 2 * rx, 2 * ry))
            path.addEllipse(QPointF(cx, cy), rx, ry);
    } else if (name == QLatin1String("line")) {
        const double x1 = num("x1"), y1 = num("y1"), x2 = num("x2"), y2 = num("y2");
        if (!usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
            return;
        path.moveTo(x1, y1);
        path.lineTo(x2, y2);
    } else if (name == QLatin1String("rect")) {
        const double x = num("x"), y = num("y"), w = num("width"), h = num("height");
        if (!(w > 0 && h > 0) || !finiteRect(x, y, w, h))
            return;
        // A missing (or negative) radius takes the other one; both are held
        // to half the side they run along.
        double rx = a.hasAttribute(QLatin1String("rx")) ? num("rx") : -1;
        double ry = a.hasAttribute(QLatin1String("ry")) ? num("ry") : -1;
        if (rx < 0)
            rx = ry;
        if (ry < 0)
            ry = rx;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx > 0 && ry > 0)
            path.addRoundedRect(QRectF(x, y, w, h), rx, ry);
        else
            path.addRect(QRectF(x, y, w, h));
    } else {
        return; // text and everything else draw nothing here
    }
    add(path, a);
}

void Reader::add(const QPainterPath &path, const QXmlStreamAttributes &a)
{
    if (path.elementCount() == 0)
        return;
    QTransform m;
    if (a.hasAttribute(QLatin1String("transform")))
        m = parseTransform(a.value(QLatin1String("transform")));
    if (!m_groups.empty())
        m = m * m_groups.back().first;
    appendPath(m.isIdentity() ? path : m.map(path), m_drawing);
    BaseFormat::reportProgress(m_input.progress());
}

bool Reader::finish()
{
    bool any = false;
    const std::vector<Object *> &objects = m_drawing.objects();
    for (size_t i = size_t(m_firstObject); i < objects.size(); ++i) {
        Object *o = objects[i];
        std::vector<Object::Point *> kept;
        kept.reserve(o->points.size());
        for (Object::Point *p : o->points) {
            p->x = (p->x - m_originX) * m_scaleX;
            p->y = (p->y - m_originY) * m_scaleY;
            // Whatever overflowed on the way (huge numbers, huge scales) is dropped.
            if (std::isfinite(p->x) && std::isfinite(p->y))
                kept.push_back(p);
            else
                delete p;
        }
        if (kept.size() != o->points.size()) {
            o->points = std::move(kept);
            o->renumber();
        }
        any = any || !o->isEmpty();
    }
    m_drawing.removeEmptyObjects();
    if (!any) {
        qWarning("SVG: the file holds no shape to cut");
        return false;
    }
    m_drawing.updateBoundingRect();
    // SVG's y axis points down, the drawing's up; a drawing that cannot be
    // turned over within finite numbers is not loaded upside down.
    return m_drawing.transform(Drawing::MirrorY);
}

} // namespace

bool readData(const char *data, size_t size, Drawing &drawing, size_t inflateLimit)
{
    Input input(data, size, inflateLimit);
    return Reader(drawing, input).run();
}

bool read(const QString &path, Drawing &drawing)
{
    return withFileData(path, [&drawing](const char *data, size_t size) { return readData(data, size, drawing); });
}

} // namespace svg
