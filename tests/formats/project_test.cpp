#include "formats/baseformat.h"
#include "formats/project.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace test;

namespace {

class Project : public ::testing::Test
{
protected:
    QString path(const char *name = "p.kfp") { return dir.filePath(QLatin1String(name)); }
    QByteArray saved(const Drawing &d)
    {
        EXPECT_TRUE(project::write(path(), d));
        QFile f(path());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    bool load(const QByteArray &bytes, Drawing &d) { return project::readData(bytes.constData(), size_t(bytes.size()), d); }

    QTemporaryDir dir;
};

// A drawing with something in every field the file keeps.
void fill(Drawing &d)
{
    d.setStartPosition({-5, -6});
    Object *a = addShape(d, square(0, 0, 10));
    a->pen = 3;
    a->explicitDirection = true;
    a->direction = Object::CounterClockwise;
    Object *b = addShape(d, {{20, 0}, {30, 0}, {30, 7.125}});
    b->pen = 300;
    Object *c = addShape(d, {{50, 50}});
    d.addJoint({d.startObject().points[0], a->points[2]});
    d.addJoint({a->points[3], b->points[1]});
    d.addJoint({b->points[2], c->points[0]});
    d.addJoint({d.startObject().points[1], c->points[0]});
    d.updateBoundingRect();
    d.setReversed(true);
    d.setStartSpec({1.5, -2.5, true, 9});
    d.setAnchorSpec({3, 4, false, 2});
}

using Refs = std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>>;

// Joints as (object number, point index) pairs, the start object as 0.
Refs jointRefs(const Drawing &d)
{
    auto number = [&d](const Object *o) {
        if (o == &d.startObject())
            return 0;
        const auto &objs = d.objects();
        return int(std::find(objs.begin(), objs.end(), o) - objs.begin()) + 1;
    };
    Refs out;
    for (const Object::Joint &j : d.joints())
        out.push_back({{number(j.a->owner), j.a->index}, {number(j.b->owner), j.b->index}});
    return out;
}

// Big-endian pieces of a hand-made file.
QByteArray stream(const std::function<void(QDataStream &)> &body)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    out.writeRawData("KFP\0\0OtherCompany\0\0\0", 21);
    out << quint8(1) << QRectF(0, 0, 1, 1) << false << QPointF(0, 0);
    body(out);
    return bytes;
}

void shapeRecord(QDataStream &out, const std::vector<QPointF> &points)
{
    out << qint32(points.size()) << false << quint8(0) << quint8(0);
    for (const QPointF &p : points)
        out << p;
}

void joint(QDataStream &out, qint32 o1, qint32 i1, qint32 o2, qint32 i2)
{
    out << o1 << i1 << QPointF() << o2 << i2 << QPointF();
}

} // namespace

TEST_F(Project, SaveAndReloadKeepsEverything)
{
    Drawing d;
    fill(d);
    ASSERT_TRUE(BaseFormat::save(path(), d));
    Drawing back;
    int signalled = 0;
    QObject::connect(&back, &Drawing::jointAdded, [&signalled] { ++signalled; });
    ASSERT_TRUE(BaseFormat::load(path(), back));

    ASSERT_EQ(back.objects().size(), d.objects().size());
    for (size_t i = 0; i < d.objects().size(); ++i) {
        const Object &o = *d.objects()[i], &r = *back.objects()[i];
        EXPECT_EQ(pointsOf(r), pointsOf(o)) << i;
        EXPECT_EQ(r.explicitDirection, o.explicitDirection) << i;
        EXPECT_EQ(r.direction, o.direction) << i;
        for (const Object::Point *p : r.points)
            EXPECT_EQ(p->owner, &r);
    }
    EXPECT_EQ(back.objects()[0]->pen, 3);
    EXPECT_EQ(back.objects()[1]->pen, 300 % 256) << "the pen is kept in 8 bits";
    EXPECT_EQ(jointRefs(back), jointRefs(d));
    EXPECT_EQ(jointRefs(back).front().first, std::make_pair(0, 0));
    EXPECT_EQ(back.joints().front().a, back.startObject().points[0]);
    EXPECT_EQ(back.startPosition(), QPointF(-5, -6));
    EXPECT_EQ(back.startObject().points[1]->pos(), QPointF(-5, -6));
    EXPECT_EQ(back.boundingRect(), d.boundingRect());
    EXPECT_TRUE(back.isReversed());
    EXPECT_EQ(back.startSpec(), d.startSpec());
    EXPECT_EQ(back.anchorSpec(), d.anchorSpec());
    EXPECT_EQ(signalled, 0) << "signals are blocked while loading";
}

TEST_F(Project, WritesTheFieldsInOrder)
{
    Drawing d;
    addShape(d, {{1, 2}})->pen = 258;
    d.updateBoundingRect();
    const QByteArray bytes = saved(d);
    EXPECT_EQ(bytes.left(21), QByteArray("KFP\0\0BrenmoorLimited\0", 21));
    EXPECT_EQ(bytes.at(21), 1);
    // bounds (4 doubles), reversed, start point, 1 object: 1 point, no
    // explicit direction, direction 0, pen 2, (1, 2); 0 joints; two specs.
    EXPECT_EQ(bytes.size(), 21 + 1 + 32 + 1 + 16 + 4 + (4 + 1 + 1 + 1 + 16) + 4 + 2 * (1 + 8 + 8 + 1 + 4));
    EXPECT_EQ(bytes.mid(21 + 1 + 32 + 1 + 16, 4 + 4 + 3), QByteArray("\0\0\0\1\0\0\0\1\0\0\2", 11));
}

TEST_F(Project, AcceptsAnyCompanyTagAndMissingSpecs)
{
    const QByteArray bytes = stream([](QDataStream &out) {
        out << qint32(2);
        shapeRecord(out, {{1, 1}, {2, 2}});
        shapeRecord(out, {{3, 3}});
        out << qint32(2);
        joint(out, 0, 1, 2, 0);
        joint(out, 1, 1, 2, 0);
    });
    Drawing d;
    const PositionSpec before = d.startSpec();
    ASSERT_TRUE(load(bytes, d));
    EXPECT_EQ(d.objects().size(), 2u);
    EXPECT_EQ(jointRefs(d), (Refs{{{0, 1}, {2, 0}}, {{1, 1}, {2, 0}}}));
    EXPECT_EQ(d.startSpec(), before);
}

TEST_F(Project, DamagedFilesLeaveTheDrawingEmpty)
{
    Drawing good;
    fill(good);
    const QByteArray whole = saved(good);
    struct Case
    {
        const char *what;
        QByteArray bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"wrong signature", QByteArray("KFX\0", 4) + whole.mid(4)},
        {"zero too late", QByteArray("KFPX", 4) + whole.mid(4)},
        {"huge object count", stream([](QDataStream &o) { o << qint32(0x7fffffff); })},
        {"negative object count", stream([](QDataStream &o) { o << qint32(-1); })},
        {"huge point count", stream([](QDataStream &o) {
             o << qint32(1) << qint32(0x7fffffff) << false << quint8(0) << quint8(0);
         })},
        {"negative point count", stream([](QDataStream &o) { o << qint32(1) << qint32(-5) << false << quint8(0) << quint8(0); })},
        {"huge joint count", stream([](QDataStream &o) { o << qint32(0) << qint32(0x7fffffff); })},
        {"joint object out of range", stream([](QDataStream &o) {
             o << qint32(1);
             shapeRecord(o, {{1, 1}});
             o << qint32(1);
             joint(o, 0, 0, 2, 0);
         })},
        {"joint index out of range", stream([](QDataStream &o) {
             o << qint32(1);
             shapeRecord(o, {{1, 1}});
             o << qint32(1);
             joint(o, 1, 1, 0, 0);
         })},
        {"start index out of range", stream([](QDataStream &o) {
             o << qint32(1);
             shapeRecord(o, {{1, 1}});
             o << qint32(1);
             joint(o, 0, 2, 1, 0);
         })},
        {"negative joint numbers", stream([](QDataStream &o) {
             o << qint32(1);
             shapeRecord(o, {{1, 1}});
             o << qint32(1);
             joint(o, -1, 0, 1, -1);
         })},
        {"spec cut short", whole.left(whole.size() - 3)},
    };
    // Every cut through the required part of a real file.
    const int required = whole.size() - 2 * (1 + 8 + 8 + 1 + 4);
    for (int n = 0; n < required; n += 3)
        cases.push_back({"truncated", whole.left(n)});

    for (const Case &c : cases) {
        Drawing d;
        EXPECT_FALSE(load(c.bytes, d)) << c.what << " " << c.bytes.size();
        EXPECT_TRUE(d.objects().empty()) << c.what;
        EXPECT_TRUE(d.joints().empty()) << c.what;
        EXPECT_EQ(d.startPosition(), QPointF()) << c.what;
        EXPECT_FALSE(d.isReversed()) << c.what;
    }
    Drawing d;
    EXPECT_FALSE(project::read(path("missing.kfp"), d));
    EXPECT_TRUE(load(whole, d));
}

TEST_F(Project, WriteToAMissingFolderFails)
{
    Drawing d;
    fill(d);
    EXPECT_FALSE(project::write(dir.filePath(QStringLiteral("no/such/dir/p.kfp")), d));
}
