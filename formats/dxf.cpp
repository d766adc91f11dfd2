#include "formats/dxf.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/dxfentities.h"
#include "formats/dxftokenizer.h"
#include "formats/filedata.h"
#include "formats/pathconvert.h"
#include "formats/settings.h"
#include "formats/weld.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>

namespace dxf {

namespace {

enum class Kind {
    Unknown, // collected and dropped
    Header,
    Block,
    EndBlock,
    Point,
    Line,
    Polyline,
    LwPolyline,
    Vertex,
    Spline,
    Arc,
    Ellipse,
    Circle,
    NoGeometry, // recognised, but nothing to cut: text, hatches, inserts …
};

struct Name
{
    std::string_view text;
    Kind kind;
};

constexpr Name Names[] = {
    {"LAYER", Kind::NoGeometry},     {"BLOCK", Kind::Block},       {"ENDBLK", Kind::EndBlock},
    {"POINT", Kind::Point},          {"LINE", Kind::Line},         {"POLYLINE", Kind::Polyline},
    {"LWPOLYLINE", Kind::LwPolyline}, {"VERTEX", Kind::Vertex},    {"SPLINE", Kind::Spline},
    {"HELIX", Kind::Spline},         {"ARC", Kind::Arc},           {"ELLIPSE", Kind::Ellipse},
    {"CIRCLE", Kind::Circle},        {"INSERT", Kind::NoGeometry}, {"TEXT", Kind::NoGeometry},
    {"MTEXT", Kind::NoGeometry},     {"ATTRIB", Kind::NoGeometry}, {"DIMENSION", Kind::NoGeometry},
    {"LEADER", Kind::NoGeometry},    {"HATCH", Kind::NoGeometry},  {"IMAGE", Kind::NoGeometry},
    {"IMAGEDEF", Kind::NoGeometry},  {"TRACE", Kind::NoGeometry},  {"SOLID", Kind::NoGeometry},
    {"3DFACE", Kind::NoGeometry},    {"SEQEND", Kind::NoGeometry},
};

// Millimetres per drawing unit for the $INSUNITS codes 0 … 20.
constexpr double InsUnits[] = {
    1, 25.4, 304.8, 1609344, 1, 10, 1000, 1000000, 0.0000254, 0.0254, 914.4,
    0.0000001, 0.000001, 0.001, 100, 10000, 100000, 1e12, 1.496e14, 9.4605e18, 3.0857e19,
};

Kind kindOf(std::string_view name)
{
    if (!name.empty() && name.front() == '$')
        return Kind::Header;
    for (const Name &n : Names) {
        if (n.text == name)
            return n.kind;
    }
    return Kind::Unknown;
}

class Reader
{
public:
    explicit Reader(Drawing &drawing)
        : m_drawing(drawing), m_options(Settings::formatOptions()),
          m_splineSegments(m_options.dxfSplineSegments)
    {
    }

    void run(Tokenizer &tokens);
    // The input ended inside a section without an "EOF" group: a file cut
    // short by a failed download or copy, whose missing shapes would
    // otherwise simply not be cut.
    bool truncated() const { return m_inSection && !m_sawEof; }

private:
    void collect(const Group &g);
    void collectPolyline(const Group &g);
    void collectSpline(const Group &g);
    void finishEntity();
    void finishHeader();
    void startEntity(std::string_view name);
    void emitPath();

    QPointF at(int xCode) const
    {
        return m_place.map(m_values.number(xCode), m_values.number(xCode + 10));
    }

    Drawing &m_drawing;
    const Settings::FormatOptions &m_options;
    int m_splineSegments;
    Placement m_place;
    Kind m_kind = Kind::Unknown;
    std::string_view m_headerName;
    ValueTable m_values;
    Object *m_polyline = nullptr;
    PathSink m_sink;

    // LWPOLYLINE vertices and SPLINE arrays grow only as their values
    // arrive; the declared counts merely cap them.
    std::vector<Vertex> m_vertices;
    long long m_declaredVertices = 0;
    bool m_vertexOpen = false; // the last code 10 started a stored vertex
    SplineData m_spline;
    long long m_declaredKnots = 0;
    long long m_declaredControl = 0;
    bool m_pointOpen = false;
    bool m_helixPart = false;
    bool m_inSection = false;
    bool m_sawEof = false;
};

void Reader::run(Tokenizer &tokens)
{
    Group g;
    const double size = double(std::max<size_t>(tokens.size(), 1));
    while (tokens.next(g)) {
        if (g.code == 0) {
            if (g.value == "SECTION")
                m_inSection = true;
            else if (g.value == "ENDSEC")
                m_inSection = false;
            else if (g.value == "EOF")
                m_sawEof = true;
        }
        if (g.code == 0 || g.code == 9) {
            finishEntity();
            m_values.clear();
            startEntity(g.value);
            if (m_kind != Kind::Unknown && m_kind != Kind::Header)
                BaseFormat::reportProgress(double(tokens.position()) / size);
        } else {
            collect(g);
        }
    }
}

void Reader::startEntity(std::string_view name)
{
    const Kind previous = m_kind;
    m_kind = kindOf(name);
    m_headerName = m_kind == Kind::Header ? name : std::string_view();
    if (previous == Kind::Vertex && m_kind != Kind::Vertex)
        m_polyline = nullptr;
    if (m_kind == Kind::LwPolyline) {
        m_vertices.clear();
        m_declaredVertices = 0;
        m_vertexOpen = false;
    } else if (m_kind == Kind::Spline) {
        m_spline.knots.clear();
        m_spline.control.clear();
        m_declaredKnots = m_declaredControl = 0;
        m_pointOpen = m_helixPart = false;
    }
}

void Reader::collect(const Group &g)
{
    if (m_kind == Kind::LwPolyline)
        collectPolyline(g);
    else if (m_kind == Kind::Spline && !m_helixPart)
        collectSpline(g);
    else
        m_values.set(g.code, g.value);
}

void Reader::collectPolyline(const Group &g)
{
    switch (g.code) {
    case 90:
        m_declaredVertices = std::max(0, toInteger(g.value));
        if (m_vertices.size() > size_t(m_declaredVertices)) {
            m_vertices.resize(size_t(m_declaredVertices)); // a second, smaller count
            m_vertexOpen = false;
        }
        return;
    case 10:
        if (m_vertices.size() < size_t(m_declaredVertices)) {
            m_vertices.push_back(Vertex{QPointF(toNumber(g.value), 0), 0});
            m_vertexOpen = true;
        } else {
            m_vertexOpen = false; // beyond the declared count
        }
        return;
    case 20:
        if (m_vertexOpen)
            m_vertices.back().pos.setY(toNumber(g.value));
        return;
    case 30:
        return; // z is not used
    case 42:
        if (m_vertexOpen)
            m_vertices.back().bulge = toNumber(g.value);
        return;
    default:
        m_values.set(g.code, g.value);
    }
}

void Reader::collectSpline(const Group &g)
{
    switch (g.code) {
    case 72:
        m_declaredKnots = std::max(0, toInteger(g.value));
        return;
    case 73:
        m_declaredControl = std::max(0, toInteger(g.value));
        return;
    case 40:
        if (m_spline.knots.size() < size_t(m_declaredKnots))
            m_spline.knots.push_back(toNumber(g.value));
        return;
    case 10:
        if (m_spline.control.size() < size_t(m_declaredControl)) {
            m_spline.control.emplace_back(toNumber(g.value), 0);
            m_pointOpen = true;
        } else {
            m_pointOpen = false;
        }
        return;
    case 20:
        if (m_pointOpen)
            m_spline.control.back().setY(toNumber(g.value));
        return;
    case 30:
        return;
    case 100:
        // The helix's own groups (axis, radius, turns) reuse 10 … 40 after
        // this marker; they are not control points or knots.
        if (g.value == "AcDbHelix")
            m_helixPart = true;
        [[fallthrough]];
    default:
        m_values.set(g.code, g.value);
    }
}

void Reader::finishHeader()
{
    if (m_headerName == "$INSUNITS") {
        // Codes without an entry keep the factor in force rather than guess.
        const int code = m_values.integer(70);
        if (code >= 0 && code < int(std::size(InsUnits)))
            m_place.unit = InsUnits[code];
    } else if (m_headerName == "$SPLINESEGS" && m_options.dxfSplineSegmentsFromFile) {
        m_splineSegments = m_values.integer(70);
    }
}

void Reader::finishEntity()
{
    m_sink.reset();
    switch (m_kind) {
    case Kind::Header:
        finishHeader();
        return;
    case Kind::Block:
        m_place.dx = m_values.number(10) * m_place.unit;
        m_place.dy = m_values.number(20) * m_place.unit;
        if (!std::isfinite(m_place.dx) || !std::isfinite(m_place.dy))
            m_place.dx = m_place.dy = 0;
        return;
    case Kind::EndBlock:
        m_place.dx = m_place.dy = 0;
        return;
    case Kind::Point:
        m_sink.moveTo(at(10));
        break;
    case Kind::Line:
        m_sink.moveTo(at(10));
        m_sink.lineTo(at(11));
        break;
    case Kind::Polyline:
        m_polyline = m_drawing.addObject();
        return;
    case Kind::Vertex: {
        const QPointF p = at(10);
        if (m_polyline && std::isfinite(p.x()) && std::isfinite(p.y()))
            m_polyline->appendPoint(p);
        return;
    }
    case Kind::LwPolyline:
        for (Vertex &v : m_vertices)
            v.pos = m_place.map(v.pos.x(), v.pos.y());
        polylinePath(m_sink, m_vertices, (m_values.integer(70) & 1) && !m_options.dxfIgnoreClosedFlag);
        break;
    case Kind::Spline:
        m_spline.degree = m_values.integer(71);
        splinePath(m_sink, m_spline, m_splineSegments, m_place);
        break;
    case Kind::Arc:
        arcPath(m_sink, at(10), m_values.number(40) * m_place.unit, m_values.number(50), m_values.number(51));
        break;
    case Kind::Circle:
        circlePath(m_sink, at(10), m_values.number(40) * m_place.unit);
        break;
    case Kind::Ellipse:
        ellipsePath(m_sink, at(10),
                    QPointF(m_values.number(11), m_values.number(21)) * m_place.unit,
                    m_values.number(40, 1), m_values.number(41, 0), m_values.number(42, 6.283185307179586));
        break;
    case Kind::Unknown:
    case Kind::NoGeometry:
        return;
    }
    emitPath();
}

void Reader::emitPath()
{
    if (m_sink.usable())
        appendPath(m_sink.path(), m_drawing);
}

QRectF pointBounds(const Drawing &drawing, bool &any)
{
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
    any = false;
    for (const Object *o : drawing.objects()) {
        for (const Object::Point *p : o->points) {
            minX = std::min(minX, p->x);
            maxX = std::max(maxX, p->x);
            minY = std::min(minY, p->y);
            maxY = std::max(maxY, p->y);
            any = true;
        }
    }
    return any ? QRectF(minX, minY, maxX - minX, maxY - minY) : QRectF();
}

} // namespace

bool readData(const char *data, size_t size, Drawing &drawing)
{
    if (Tokenizer::isBinary(data, size)) {
        qWarning("DXF: binary DXF files are not supported; save the drawing as ASCII DXF");
        return false;
    }
    Tokenizer tokens(data, size);
    Reader reader(drawing);
    reader.run(tokens);
    if (reader.truncated()) {
        qWarning("DXF: the file ends inside a section without its EOF group; it was cut short");
        return false;
    }

    const Settings::FormatOptions &options = Settings::formatOptions();
    if (options.dxfAutoWeld)
        autoWeld(drawing, options.dxfAutoWeldPrecision);
    // A POLYLINE without vertices leaves an empty object behind.
    drawing.removeEmptyObjects();

    bool any = false;
    const QRectF bounds = pointBounds(drawing, any);
    if (!any) {
        qWarning("DXF: the file holds no usable point");
        return false;
    }
    drawing.setBoundingRect(bounds);
    return true;
}

bool read(const QString &path, Drawing &drawing)
{
    return withFileData(path, [&drawing](const char *data, size_t size) { return readData(data, size, drawing); });
}

} // namespace dxf
