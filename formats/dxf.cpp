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
#include <cctype>
#include <string>
#include <unordered_map>
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
    Insert,
    NoGeometry, // recognised, but nothing to cut: text, hatches …
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
    {"CIRCLE", Kind::Circle},        {"INSERT", Kind::Insert},     {"TEXT", Kind::NoGeometry},
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

// Blocks placed inside blocks deeper than this are not drawn: real drawings
// nest a handful of levels, and the depth bounds the recursion.
constexpr int MaxBlockDepth = 32;

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

// Block names compare without regard to letter case, as CAD programs do.
std::string blockKey(std::string_view name)
{
    std::string key(name);
    for (char &c : key)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

// The points appendPath will make of a path, to charge them before the work.
long long pathPointCount(const QPainterPath &path)
{
    long long n = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type != QPainterPath::CurveToElement) {
            n += e.type == QPainterPath::CurveToDataElement ? 0 : 1;
            continue;
        }
        const QPainterPath::Element p0 = path.elementAt(i - 1), c2 = path.elementAt(i + 1),
                                    end = path.elementAt(i + 2);
        const int k = cubicPointCount(p0.x, p0.y, e.x, e.y, c2.x, c2.y, end.x, end.y);
        n += k ? k - 1 : 1;
    }
    return n;
}

class Reader
{
public:
    Reader(Drawing &drawing, const char *data)
        : m_drawing(drawing), m_data(data), m_options(Settings::formatOptions()),
          m_splineSegments(m_options.dxfSplineSegments),
          m_budget(std::max(0LL, (long long)m_options.dxfMaxPoints))
    {
    }

    void run(Tokenizer &tokens);
    bool failed() const { return m_failed; }
    // The input ended inside a section without an "EOF" group: a file cut
    // short by a failed download or copy, whose missing shapes would
    // otherwise simply not be cut.
    bool truncated() const { return m_inSection && !m_sawEof; }

private:
    struct Block
    {
        QPointF base;
        const char *begin = nullptr; // first group of the body
        const char *end = nullptr;   // the group that ended it
    };

    void consume(Tokenizer &tokens, bool progress);
    void collect(const Group &g);
    void collectPolyline(const Group &g);
    void collectSpline(const Group &g);
    void finishEntity();
    void finishHeader();
    void startEntity(std::string_view name);
    void emitPath();
    void finishPolyline();
    void beginBlock();
    void endBlock();
    void insert();
    void expand(const Block &block, const QTransform &placed);
    bool charge(long long points);

    // File coordinates of the entity being read to drawing millimetres: the
    // unit factor and, without block expansion, the block offset; inside an
    // expanded block the chain of INSERTs that placed it.
    QTransform base() const
    {
        return m_placed.empty() ? QTransform(m_unit, 0, 0, m_unit, m_offset.x(), m_offset.y()) : m_placed.back();
    }
    QTransform ocs(double elevation) const
    {
        return objectToWorld(m_values.number(210), m_values.number(220), m_values.number(230, 1), elevation);
    }
    QPointF at(int xCode) const { return {m_values.number(xCode), m_values.number(xCode + 10)}; }

    Drawing &m_drawing;
    const char *m_data;
    const Settings::FormatOptions &m_options;
    int m_splineSegments;
    double m_unit = 25.4;
    QPointF m_offset; // block offset without expansion, in millimetres
    Kind m_kind = Kind::Unknown;
    std::string_view m_headerName;
    ValueTable m_values;
    Object *m_polyline = nullptr;
    QTransform m_polylineTransform;
    // The current POLYLINE's vertices as the file gives them, for its
    // bulges and closing segment once its last vertex is in.
    std::vector<Vertex> m_polyVertices;
    bool m_polylineClosed = false, m_polylineBulges = false;
    PathSink m_sink;

    // Block definitions by name; their bodies are read again for each INSERT.
    std::unordered_map<std::string, Block> m_blocks;
    std::string m_blockName; // the definition being passed over
    Block m_block;
    bool m_inBlock = false;
    const char *m_groupStart = nullptr; // of the group that ends the entity
    const char *m_entityStart = nullptr;
    std::vector<std::pair<const char *, const char *>> m_laterInserts; // of blocks not yet seen
    std::vector<QTransform> m_placed;
    std::vector<const Block *> m_expanding;
    bool m_warnedCycle = false, m_warnedDepth = false;

    long long m_budget;
    bool m_failed = false;

    // LWPOLYLINE vertices and SPLINE arrays grow only as their values
    // arrive; the declared counts merely cap them.
    std::vector<Vertex> m_vertices;
    long long m_declaredVertices = 0;
    bool m_vertexOpen = false; // the last code 10 started a stored vertex
    SplineData m_spline;
    long long m_declaredKnots = 0;
    long long m_declaredControl = 0;
    long long m_declaredFit = 0;
    bool m_pointOpen = false, m_fitOpen = false;
    bool m_helixPart = false;
    bool m_inSection = false;
    bool m_sawEof = false;
};

void Reader::run(Tokenizer &tokens)
{
    consume(tokens, true);
    // INSERTs met before the definition of their block.
    const auto later = std::move(m_laterInserts);
    m_inBlock = false; // a definition cut short is not drawn
    m_kind = Kind::Unknown;
    for (const auto &[begin, end] : later) {
        if (m_failed)
            return;
        Tokenizer again(begin, size_t(end - begin));
        consume(again, false);
        finishEntity();
        finishPolyline();
        m_kind = Kind::Unknown;
    }
    finishPolyline();
}

void Reader::consume(Tokenizer &tokens, bool progress)
{
    Group g;
    const double size = double(std::max<size_t>(tokens.size(), 1));
    while (!m_failed && tokens.next(g)) {
        // Sections are followed in the main pass only; a block's body,
        // read again where it is placed, holds none.
        if (progress && g.code == 0) {
            if (g.value == "SECTION")
                m_inSection = true;
            else if (g.value == "ENDSEC")
                m_inSection = false;
            else if (g.value == "EOF")
                m_sawEof = true;
        }
        if (g.code == 0 || g.code == 9) {
            m_groupStart = tokens.groupStart();
            finishEntity();
            m_values.clear();
            startEntity(g.value);
            m_entityStart = m_groupStart;
            if (progress && m_kind != Kind::Unknown && m_kind != Kind::Header)
                BaseFormat::reportProgress(double(tokens.position()) / size);
        } else if (!m_inBlock) {
            collect(g); // a definition's body is read when an INSERT places it
        }
    }
}

void Reader::startEntity(std::string_view name)
{
    const Kind previous = m_kind;
    m_kind = kindOf(name);
    m_headerName = m_kind == Kind::Header ? name : std::string_view();
    if (previous == Kind::Vertex && m_kind != Kind::Vertex)
        finishPolyline();
    // A definition without its ENDBLK ends with its section.
    if (m_inBlock && (m_kind == Kind::Block || name == "ENDSEC" || name == "EOF"))
        endBlock();
    if (m_kind == Kind::LwPolyline) {
        m_vertices.clear();
        m_declaredVertices = 0;
        m_vertexOpen = false;
    } else if (m_kind == Kind::Spline) {
        m_spline = SplineData();
        m_declaredKnots = m_declaredControl = m_declaredFit = 0;
        m_pointOpen = m_fitOpen = m_helixPart = false;
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
    case 74:
        m_declaredFit = std::max(0, toInteger(g.value));
        return;
    case 40:
        if (m_spline.knots.size() < size_t(m_declaredKnots))
            m_spline.knots.push_back(toNumber(g.value));
        return;
    case 41:
        if (m_spline.weights.size() < size_t(m_declaredControl))
            m_spline.weights.push_back(toNumber(g.value));
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
    case 11:
        if (m_spline.fit.size() < size_t(m_declaredFit)) {
            m_spline.fit.emplace_back(toNumber(g.value), 0);
            m_fitOpen = true;
        } else {
            m_fitOpen = false;
        }
        return;
    case 21:
        if (m_fitOpen)
            m_spline.fit.back().setY(toNumber(g.value));
        return;
    case 30:
    case 31:
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
            m_unit = InsUnits[code];
    } else if (m_headerName == "$SPLINESEGS" && m_options.dxfSplineSegmentsFromFile) {
        m_splineSegments = m_values.integer(70);
    }
}

void Reader::beginBlock()
{
    if (!m_options.dxfExpandBlocks) {
        // The literal rule: the contents are drawn once, shifted by the base point.
        m_offset = at(10) * m_unit;
        if (!std::isfinite(m_offset.x()) || !std::isfinite(m_offset.y()))
            m_offset = QPointF();
        return;
    }
    m_inBlock = true;
    m_blockName = blockKey(m_values.text(2));
    m_block = Block{at(10), m_groupStart, nullptr};
}

void Reader::endBlock()
{
    if (!m_inBlock)
        return;
    m_inBlock = false;
    m_block.end = m_groupStart;
    // The first definition of a name stands, as in CAD programs.
    m_blocks.emplace(std::move(m_blockName), m_block);
}

bool Reader::charge(long long points)
{
    if (points <= m_budget) {
        m_budget -= points;
        return true;
    }
    if (!m_failed) {
        qWarning("DXF: the drawing would need more than %d points (Format/DXF/MaxPoints); not loading it",
                 m_options.dxfMaxPoints);
    }
    m_failed = true;
    return false;
}

void Reader::insert()
{
    if (!m_options.dxfExpandBlocks)
        return;
    const auto found = m_blocks.find(blockKey(m_values.text(2)));
    if (found == m_blocks.end()) {
        if (m_placed.empty() && m_entityStart && m_groupStart > m_entityStart)
            m_laterInserts.emplace_back(m_entityStart, m_groupStart);
        return;
    }
    const Block &block = found->second;
    if (std::find(m_expanding.begin(), m_expanding.end(), &block) != m_expanding.end()) {
        if (!m_warnedCycle)
            qWarning("DXF: block \"%.*s\" places itself; that reference is not drawn",
                     int(m_values.text(2).size()), m_values.text(2).data());
        m_warnedCycle = true;
        return;
    }
    if (int(m_expanding.size()) >= MaxBlockDepth) {
        if (!m_warnedDepth)
            qWarning("DXF: blocks nested more than %d deep are not drawn", MaxBlockDepth);
        m_warnedDepth = true;
        return;
    }

    const double sx = m_values.number(41, 1), sy = m_values.number(42, 1);
    if (sx == 0 || sy == 0)
        return; // flattened to a line or a point: nothing to cut
    const double rotation = m_values.number(50);
    const QPointF at10 = at(10);
    const int columns = std::max(1, m_values.integer(70)), rows = std::max(1, m_values.integer(71));
    const double columnSpacing = m_values.number(44), rowSpacing = m_values.number(45);
    // Block coordinates → the INSERT's object coordinates → its parent's.
    const QTransform outer = QTransform().rotate(rotation) * QTransform::fromTranslate(at10.x(), at10.y())
        * ocs(m_values.number(30)) * base();
    const QTransform inner = QTransform::fromTranslate(-block.base.x(), -block.base.y()) * QTransform::fromScale(sx, sy);
    for (int r = 0; r < rows && !m_failed; ++r) {
        for (int c = 0; c < columns && !m_failed; ++c) {
            if (!charge(1))
                return;
            expand(block, inner * QTransform::fromTranslate(c * columnSpacing, r * rowSpacing) * outer);
        }
    }
}

void Reader::expand(const Block &block, const QTransform &placed)
{
    if (!block.end || block.end <= block.begin)
        return;
    m_placed.push_back(placed);
    m_expanding.push_back(&block);
    Tokenizer body(block.begin, size_t(block.end - block.begin));
    m_kind = Kind::Unknown;
    finishPolyline();
    Group g;
    while (!m_failed && body.next(g)) {
        if (g.code == 0 || g.code == 9) {
            m_groupStart = body.groupStart();
            finishEntity();
            m_values.clear();
            startEntity(g.value);
            m_entityStart = m_groupStart;
            if (!charge(1))
                break;
        } else {
            collect(g);
        }
    }
    if (!m_failed)
        finishEntity();
    finishPolyline();
    m_values.clear();
    m_kind = Kind::Insert;
    m_expanding.pop_back();
    m_placed.pop_back();
}

void Reader::finishEntity()
{
    m_sink.reset();
    if (m_inBlock) {
        if (m_kind == Kind::EndBlock)
            endBlock();
        return;
    }
    // Paper-space entities belong to a layout, not to the drawing to cut.
    // (The layout's BLOCK and ENDBLK carry the flag too; they still count.)
    const bool structural = m_kind == Kind::Header || m_kind == Kind::Block || m_kind == Kind::EndBlock;
    if (m_options.dxfExpandBlocks && !structural && m_values.integer(67) == 1)
        return;
    switch (m_kind) {
    case Kind::Header:
        finishHeader();
        return;
    case Kind::Block:
        beginBlock();
        return;
    case Kind::EndBlock:
        m_offset = QPointF();
        return;
    case Kind::Insert:
        insert();
        return;
    case Kind::Point:
        m_sink.setTransform(base());
        m_sink.moveTo(at(10));
        break;
    case Kind::Line:
        if (at(10) == at(11))
            return; // a point the wire would travel to and back from
        m_sink.setTransform(base());
        m_sink.moveTo(at(10));
        m_sink.lineTo(at(11));
        break;
    case Kind::Polyline:
        if (!charge(1))
            return;
    {
        m_polyline = m_drawing.addObject();
        // 3D polylines and meshes are in world coordinates; 2D ones in their own.
        const int flags = m_values.integer(70);
        m_polylineTransform = (flags & (8 | 16 | 64)) ? base() : ocs(m_values.number(30)) * base();
        // Meshes have no outline to close; only 2D polylines have bulges.
        m_polylineClosed = (flags & 1) && !(flags & (16 | 64)) && !m_options.dxfIgnoreClosedFlag;
        m_polylineBulges = !(flags & (8 | 16 | 64));
        m_polyVertices.clear();
        return;
    }
    case Kind::Vertex: {
        // The frame of a spline-fit polyline (16) is not drawn, only the
        // fitted vertices; a polyface mesh's face records (128 without 64)
        // hold vertex numbers, not a position.
        const int flags = m_values.integer(70);
        if ((flags & 16) || ((flags & 128) && !(flags & 64)))
            return;
        const QPointF p = m_polylineTransform.map(at(10));
        if (m_polyline && std::isfinite(p.x()) && std::isfinite(p.y()) && charge(1)) {
            m_polyline->appendPoint(p);
            m_polyVertices.push_back(Vertex{at(10), m_polylineBulges ? m_values.number(42) : 0});
        }
        return;
    }
    case Kind::LwPolyline:
        m_sink.setTransform(ocs(m_values.number(38)) * base());
        polylinePath(m_sink, m_vertices, (m_values.integer(70) & 1) && !m_options.dxfIgnoreClosedFlag);
        break;
    case Kind::Spline:
        m_spline.degree = m_values.integer(71);
        if (m_spline.startTangent = m_values.has(12), m_spline.startTangent)
            m_spline.tangents[0] = at(12);
        if (m_spline.endTangent = m_values.has(13), m_spline.endTangent)
            m_spline.tangents[1] = at(13);
        if (!charge(splinePointCount(m_spline, m_splineSegments)))
            return;
        m_sink.setTransform(base());
        splinePath(m_sink, m_spline, m_splineSegments);
        if (m_sink.usable())
            appendPath(m_sink.path(), m_drawing); // already charged
        return;
    case Kind::Arc:
    case Kind::Circle: {
        const double radius = m_values.number(40);
        if (radius == 0)
            return;
        m_sink.setTransform(ocs(m_values.number(30)) * base());
        if (m_kind == Kind::Arc)
            arcPath(m_sink, at(10), radius, m_values.number(50), m_values.number(51));
        else
            circlePath(m_sink, at(10), radius);
        break;
    }
    case Kind::Ellipse: {
        // World coordinates; the extrusion only says on which side the
        // minor axis lies (N × major).
        const QPointF major = at(11);
        const double mz = m_values.number(31);
        double nx = m_values.number(210), ny = m_values.number(220), nz = m_values.number(230, 1);
        const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (!(nl > 0) || !std::isfinite(nl))
            nx = ny = 0, nz = 1;
        else
            nx /= nl, ny /= nl, nz /= nl;
        if (major.isNull())
            return;
        const double ratio = m_values.number(40, 1);
        const QPointF minor(ratio * (ny * mz - nz * major.y()), ratio * (nz * major.x() - nx * mz));
        m_sink.setTransform(base());
        ellipsePath(m_sink, at(10), major, minor, m_values.number(41, 0), m_values.number(42, 6.283185307179586));
        break;
    }
    case Kind::Unknown:
    case Kind::NoGeometry:
        return;
    }
    emitPath();
}

// Straight open polylines stay as their vertices were appended; one that
// CAD programs draw with arcs (bulges) or a closing segment is redrawn
// like an LWPOLYLINE, in place.
void Reader::finishPolyline()
{
    Object *const object = m_polyline;
    m_polyline = nullptr;
    std::vector<Vertex> vertices;
    vertices.swap(m_polyVertices);
    if (!object || vertices.empty())
        return;
    bool curved = false;
    for (const Vertex &v : vertices)
        curved = curved || (v.bulge != 0 && std::isfinite(v.bulge));
    if (!curved && !(m_polylineClosed && vertices.size() >= 3))
        return;
    m_sink.reset();
    m_sink.setTransform(m_polylineTransform);
    polylinePath(m_sink, vertices, m_polylineClosed);
    if (m_sink.usable() && charge(pathPointCount(m_sink.path()))) {
        object->clear();
        appendPath(m_sink.path(), m_drawing, object);
    }
    m_sink.reset();
}

void Reader::emitPath()
{
    if (m_sink.usable() && charge(pathPointCount(m_sink.path())))
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
    Reader reader(drawing, data);
    reader.run(tokens);
    if (reader.failed()) {
        drawing.clearObjects();
        return false;
    }
    if (reader.truncated()) {
        qWarning("DXF: the file ends inside a section without its EOF group; it was cut short");
        drawing.clearObjects();
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
