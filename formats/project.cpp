#include "formats/project.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/filedata.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace project {

namespace {

constexpr char Signature[] = "KFP\0\0BrenmoorLimited"; // and its terminating zero
constexpr int SignatureSize = 21;
static_assert(sizeof(Signature) == SignatureSize, "the signature is 21 bytes with its zero");
constexpr quint8 Version = 1;

// Smallest size of each record on disk, to refuse counts the rest of the
// file cannot hold before anything is read or allocated for them.
constexpr qint64 ObjectRecordSize = 4 + 1 + 1 + 1;
constexpr qint64 PointSize = 16;
constexpr qint64 JointRecordSize = 2 * (4 + 4 + PointSize);

void prepare(QDataStream &s)
{
    s.setVersion(QDataStream::Qt_5_15);
    s.setByteOrder(QDataStream::BigEndian);
    s.setFloatingPointPrecision(QDataStream::DoublePrecision);
}

// The file as read, checked in full before the drawing is touched.
struct Content
{
    struct Shape
    {
        bool explicitDirection = false;
        quint8 direction = 0;
        quint8 pen = 0;
        std::vector<QPointF> points;
    };
    struct End
    {
        qint32 object = 0; // 0 the start object, k the k-th shape
        qint32 index = 0;
    };

    QRectF bounds;
    bool reversed = false;
    QPointF start;
    std::vector<Shape> shapes;
    std::vector<std::pair<End, End>> joints;
    std::optional<PositionSpec> startSpec;
    std::optional<PositionSpec> anchorSpec;

    // Every coordinate a finite number: NaN or infinity in a file can only
    // come from damage, and would reach every output written from it.
    bool finite() const
    {
        const auto ok = [](double v) { return std::isfinite(v); };
        const auto okPoint = [&](const QPointF &p) { return ok(p.x()) && ok(p.y()); };
        if (!ok(bounds.x()) || !ok(bounds.y()) || !ok(bounds.width()) || !ok(bounds.height()) || !okPoint(start))
            return false;
        for (const std::optional<PositionSpec> &spec : {startSpec, anchorSpec})
            if (spec && (!ok(spec->x) || !ok(spec->y)))
                return false;
        for (const Shape &s : shapes)
            if (!std::all_of(s.points.begin(), s.points.end(), okPoint))
                return false;
        return true;
    }

    bool valid(const End &e) const
    {
        if (e.object < 0 || size_t(e.object) > shapes.size() || e.index < 0)
            return false;
        const size_t points = e.object == 0 ? 2 : shapes[size_t(e.object) - 1].points.size();
        return size_t(e.index) < points;
    }
};

class Parser
{
public:
    explicit Parser(QIODevice &device) : m_device(device), m_in(&device) { prepare(m_in); }

    bool parse(Content &c)
    {
        char signature[SignatureSize];
        if (m_in.readRawData(signature, SignatureSize) != SignatureSize || std::memcmp(signature, "KFP\0", 4) != 0) {
            qWarning("Project file: not a Kerfloom project (wrong signature)");
            return false;
        }
        quint8 version = 0;
        m_in >> version >> c.bounds >> c.reversed >> c.start;
        if (shapes(c) && joints(c) && specs(c))
            return true;
        qWarning("Project file is damaged or cut short: a count, a joint or a value cannot be read");
        return false;
    }

private:
    bool ok() const { return m_in.status() == QDataStream::Ok; }

    // A count that is negative or larger than the rest of the file can hold.
    bool count(qint32 &n, qint64 recordSize)
    {
        m_in >> n;
        return ok() && n >= 0 && n <= m_device.bytesAvailable() / recordSize;
    }

    bool shapes(Content &c)
    {
        qint32 n = 0;
        if (!count(n, ObjectRecordSize))
            return false;
        c.shapes.reserve(size_t(n));
        const qint64 size = m_device.size();
        for (qint32 i = 0; i < n; ++i) {
            Content::Shape s;
            qint32 points = 0;
            m_in >> points;
            m_in >> s.explicitDirection >> s.direction >> s.pen;
            if (!ok() || points < 0 || points > m_device.bytesAvailable() / PointSize)
                return false;
            s.points.resize(size_t(points));
            for (QPointF &p : s.points)
                m_in >> p;
            if (!ok())
                return false;
            c.shapes.push_back(std::move(s));
            if (size > 0)
                BaseFormat::reportProgress(double(m_device.pos()) / double(size));
        }
        return true;
    }

    bool joints(Content &c)
    {
        qint32 n = 0;
        if (!count(n, JointRecordSize))
            return false;
        c.joints.reserve(size_t(n));
        for (qint32 i = 0; i < n; ++i) {
            Content::End a, b;
            QPointF ignored;
            m_in >> a.object >> a.index >> ignored >> b.object >> b.index >> ignored;
            if (!ok() || !c.valid(a) || !c.valid(b))
                return false;
            c.joints.emplace_back(a, b);
        }
        return true;
    }

    // Both specifications may be missing at the very end of the file.
    bool specs(Content &c) { return spec(c.startSpec) && spec(c.anchorSpec); }

    bool spec(std::optional<PositionSpec> &out)
    {
        if (m_in.atEnd())
            return true;
        bool present = false;
        m_in >> present;
        if (present) {
            PositionSpec s;
            m_in >> s.x >> s.y >> s.useAnchor >> s.anchorIndex;
            out = s;
        }
        return ok();
    }

    QIODevice &m_device;
    QDataStream m_in;
};

void apply(const Content &c, Drawing &drawing)
{
    const QSignalBlocker blocker(drawing);
    drawing.setStartPosition(c.start);
    std::vector<Object *> shapes;
    shapes.reserve(c.shapes.size());
    for (const Content::Shape &s : c.shapes) {
        Object *o = drawing.addObject();
        o->explicitDirection = s.explicitDirection;
        o->direction = s.direction;
        o->pen = s.pen;
        o->points.reserve(s.points.size());
        for (const QPointF &p : s.points)
            o->appendPoint(p);
        shapes.push_back(o);
    }
    auto point = [&](const Content::End &e) {
        Object *o = e.object == 0 ? &drawing.startObject() : shapes[size_t(e.object) - 1];
        return o->points[size_t(e.index)];
    };
    for (const auto &[a, b] : c.joints)
        drawing.addJoint({point(a), point(b)});
    if (c.startSpec)
        drawing.setStartSpec(*c.startSpec);
    if (c.anchorSpec)
        drawing.setAnchorSpec(*c.anchorSpec);
    drawing.setBoundingRect(c.bounds);
    if (c.reversed)
        drawing.setReversed(true);
}

bool readDevice(QIODevice &device, Drawing &drawing)
{
    Content content;
    Parser parser(device);
    if (!parser.parse(content))
        return false;
    if (!content.finite()) {
        qWarning("Project file is damaged: it contains a coordinate that is not a finite number");
        return false;
    }
    apply(content, drawing);
    return true;
}

void writeSpec(QDataStream &out, const PositionSpec &s)
{
    out << true << s.x << s.y << s.useAnchor << s.anchorIndex;
}

void writeContent(QDataStream &out, const Drawing &drawing)
{
    const Object &start = drawing.startObject();
    out.writeRawData(Signature, SignatureSize);
    out << Version << drawing.boundingRect() << drawing.isReversed()
        << (start.isEmpty() ? drawing.startPosition() : start.points.front()->pos());

    std::unordered_map<const Object *, qint32> numbers;
    numbers.reserve(drawing.objects().size() + 1);
    numbers.emplace(&start, 0);
    out << qint32(drawing.objects().size());
    for (const Object *o : drawing.objects()) {
        numbers.emplace(o, qint32(numbers.size()));
        out << qint32(o->size()) << o->explicitDirection << quint8(o->direction) << quint8(o->pen);
        for (const Object::Point *p : o->points)
            out << p->pos();
    }

    // A joint whose point no longer sits in the drawing cannot be numbered.
    auto known = [&numbers](const Object::Point *p) {
        const auto it = p ? numbers.find(p->owner) : numbers.end();
        return it != numbers.end() && p->index >= 0 && p->index < p->owner->size()
            && p->owner->points[size_t(p->index)] == p;
    };
    std::vector<Object::Joint> joints;
    for (const Object::Joint &j : drawing.joints())
        if (known(j.a) && known(j.b))
            joints.push_back(j);
    out << qint32(joints.size());
    for (const Object::Joint &j : joints) {
        for (const Object::Point *p : {j.a, j.b})
            out << numbers.at(p->owner) << p->index << p->pos();
    }

    writeSpec(out, drawing.startSpec());
    writeSpec(out, drawing.anchorSpec());
}

} // namespace

bool read(const QString &path, Drawing &drawing)
{
    QFile file;
    if (!openRegularFile(file, path))
        return false;
    return readDevice(file, drawing);
}

bool readData(const char *data, size_t size, Drawing &drawing)
{
    QByteArray bytes = QByteArray::fromRawData(data, int(std::min<size_t>(size, INT_MAX)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readDevice(buffer, drawing);
}

bool write(const QString &path, const Drawing &drawing)
{
    return writeWholeFile(path, [&drawing](QIODevice &file) {
        QDataStream out(&file);
        prepare(out);
        writeContent(out, drawing);
        return out.status() == QDataStream::Ok;
    });
}

} // namespace project
