#include "formats/baseformat.h"
#include "formats/hpgl.h"
#include "formats/settings.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

using namespace test;

namespace {

class Hpgl : public ::testing::Test
{
protected:
    void SetUp() override { saved = Settings::formatOptions(); }
    void TearDown() override
    {
        Settings::setFormatOptions(saved);
        BaseFormat::loadProgress = nullptr;
    }

    void options(const std::function<void(Settings::FormatOptions &)> &change)
    {
        auto o = Settings::formatOptions();
        change(o);
        Settings::setFormatOptions(o);
    }
    bool read(const QByteArray &text, Drawing &d) { return hpgl::readData(text.constData(), size_t(text.size()), d); }
    std::vector<Pts> objectsOf(const QByteArray &text)
    {
        Drawing d;
        read(text, d);
        std::vector<Pts> out;
        for (const Object *o : d.objects())
            out.push_back(pointsOf(*o));
        return out;
    }
    std::vector<qint32> pensOf(const QByteArray &text)
    {
        Drawing d;
        read(text, d);
        std::vector<qint32> out;
        for (const Object *o : d.objects())
            out.push_back(o->pen);
        return out;
    }
    QByteArray written(const Drawing &d)
    {
        const QString path = dir.filePath(QStringLiteral("out.plt"));
        EXPECT_TRUE(hpgl::write(path, d));
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    QTemporaryDir dir;
    Settings::FormatOptions saved;
};

} // namespace

TEST_F(Hpgl, PenUpAndDownBuildObjects)
{
    struct Case
    {
        const char *text;
        std::vector<Pts> objects;
    };
    const Case cases[] = {
        {"PU100,100;PD200,100;PD200,200;", {{{2.5, 2.5}, {5, 2.5}, {5, 2.5}, {5, 5}}}},
        // A pen-down at the origin adds nothing for the origin itself.
        {"PD40,0;PD40,40;", {{{1, 0}, {1, 0}, {1, 1}}}},
        {"PD40,80,120,160;", {{{1, 2}, {3, 4}}}},
        {"PU40 0;\r\nPD 80 , 0 ;\nPD80,40\rIN;LT;PR10,10;XX;", {{{1, 0}, {2, 0}, {2, 0}, {2, 1}}}},
        // Every pen-up that moves starts an object; PA draws while the pen is down.
        {"PU40,0;PD80,0;PU0,40;PD0,80;PA40,80;", {{{1, 0}, {2, 0}}, {{0, 1}, {0, 2}, {1, 2}}}},
        // A lift without a pair waits for the next pair.
        {"PU40,0;PD80,0;PU;PA0,40;PD;PA0,80;", {{{1, 0}, {2, 0}}, {{0, 1}, {0, 2}}}},
        // Malformed numbers are skipped; the flags they set stay.
        {"PU40,0;PD4x,0;PD80,0;PU1e400,0;PDnan,1;", {{{1, 0}, {1, 0}, {2, 0}, {2, 0}}}},
        {"pd40,40;PW1;SP1;PD40", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(objectsOf(c.text), c.objects) << c.text;
}

TEST_F(Hpgl, ShapeEndingAtTheOriginStaysApartFromTheNext)
{
    // The cutting path a save writes starts and ends at the start position,
    // usually the origin; what follows it must not be drawn into it.
    EXPECT_EQ(objectsOf("PU0 0;PD400 0;PD0 0;LT;SP1;PU800 800;PD1200 800;SP0;"),
              (std::vector<Pts>{{{0, 0}, {10, 0}, {10, 0}, {0, 0}}, {{20, 20}, {30, 20}}}));
    EXPECT_EQ(objectsOf("PD;PU40,40;PD80,80;"), (std::vector<Pts>{{{1, 1}, {2, 2}}}));
}

TEST_F(Hpgl, EveryPairOfACommandIsAPoint)
{
    struct Case
    {
        const char *text;
        std::vector<Pts> objects;
    };
    const Case cases[] = {
        // One pen-down for all pairs: only its start repeats the pen's place.
        {"PU40,40;PD40,40,80,40,80,80;", {{{1, 1}, {1, 1}, {2, 1}, {2, 2}}}},
        {"PU40,0;PD;PA80,0,80,40 40,40;", {{{1, 0}, {2, 0}, {2, 1}, {1, 1}}}},
        // Each pair of a pen-up is a lift; an odd last number is dropped.
        {"PU40,0;PD80,0;PU400,400,0,40;PD0,80,7;", {{{1, 0}, {2, 0}}, {{0, 1}, {0, 2}}}},
        // A malformed pair ends the command; the pairs before it stand.
        {"PD40,0,80,x,120,0;", {{{1, 0}}}},
        // Relative plotting, also for later pen commands, until PA.
        {"PU40,40;PR;PD40,0,0,40;PA;PD0,0;", {{{1, 1}, {2, 1}, {2, 2}, {2, 2}, {0, 0}}}},
        {"PU40,40;PD;PR40,0;PU40,0;PD0,40;", {{{1, 1}, {2, 1}}, {{3, 1}, {3, 2}}}},
        // Commands without separators, as many drivers write them.
        {"PUPA40,0PDPA80,0,80,40PUPA0,0", {{{1, 0}, {2, 0}, {2, 1}}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(objectsOf(c.text), c.objects) << c.text;
}

namespace {

// One number as "PE" writes it: the sign in the lowest bit, base 64 (or
// 32), least significant digit first, the last digit from the upper range.
QByteArray encoded(long long n, bool sevenBit = false)
{
    unsigned long long v = n < 0 ? (static_cast<unsigned long long>(-n) << 1) | 1 : static_cast<unsigned long long>(n) << 1;
    const unsigned base = sevenBit ? 32 : 64;
    QByteArray out;
    while (v >= base) {
        out.append(char(63 + v % base));
        v /= base;
    }
    out.append(char((sevenBit ? 95 : 191) + v));
    return out;
}

} // namespace

TEST_F(Hpgl, EncodedPolylinesAreRelativePenDownMoves)
{
    struct Case
    {
        const char *what;
        QByteArray text;
        std::vector<Pts> objects;
    };
    const QByteArray a40 = encoded(40), m40 = encoded(-40), a80 = encoded(80), z = encoded(0);
    const Case cases[] = {
        {"pen up to an absolute start, then relative pen-down pairs",
         "PE<=" + a40 + a40 + a40 + z + z + a40 + m40 + z + ";", {{{1, 1}, {2, 1}, {2, 2}, {1, 2}}}},
        {"a pen-up flag lifts for its pair only", "PE" + a40 + z + "<" + a40 + z + z + a40 + ";",
         {{{1, 0}}, {{2, 0}, {2, 1}}}},
        {"fractional bits and line breaks between numbers",
         "PU40,40;PE>" + encoded(2) + "\r\n" + encoded(160) + "\n" + encoded(4) + ";PD80,80;",
         {{{1, 1}, {2, 1.025}, {2, 1.025}, {2, 2}}}},
        {"seven-bit numbers", "PE7" + encoded(4000, true) + encoded(-40, true) + ";", {{{100, -1}}}},
        {"a pen flag", "SP1;PE:" + encoded(3) + a40 + z + ";PU;SP1;PE<" + a80 + z + a40 + z + ";",
         {{{1, 0}}, {{3, 0}, {4, 0}}}},
        {"capital letters are digits, not commands", "PE" + encoded(1000) + encoded(2000) + ";",
         {{{25, 50}}}},
        {"scaling applies as to PR", "IP0,0,400,400;SC0,10,0,10;PU;PE" + encoded(5) + encoded(10) + ";",
         {{{5, 10}}}},
        {"a file that ends inside the command keeps the pairs before it", "PE" + a40 + a40 + a80, {{{1, 1}}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(objectsOf(c.text), c.objects) << c.what;
    // The pen flag selects pens as "SP" does.
    EXPECT_EQ(pensOf("SP1;PE:" + encoded(3) + a40 + z + ";PU;SP1;PE<" + a80 + z + a40 + z + ";"),
              pensOf("SP1;SP3;PD40,0;PU;SP1;PU80,0;PD120,0;"));
    // Digits beyond any plotter's range neither overflow nor hang.
    Drawing d;
    read("PE" + QByteArray(5000, 'o') + encoded(1) + a40 + ";PD", d);
}

TEST_F(Hpgl, ContourThroughTheOriginKeepsEveryVertex)
{
    // A square from the origin closes; the pen's untouched start at the
    // origin is still no vertex.
    for (const char *text : {"PU0,0;PD400,0;PD400,400;PD0,400;PD0,0;", "PA0,0;PD400,0,400,400,0,400,0,0;",
                             "PA0,0;PR;PD400,0,0,400,-400,0,0,-400;"}) {
        const auto objects = objectsOf(text);
        ASSERT_EQ(objects.size(), 1u) << text;
        EXPECT_EQ(objects[0].front(), std::make_pair(0.0, 0.0)) << text;
        EXPECT_EQ(objects[0].back(), std::make_pair(0.0, 0.0)) << text;
    }
    EXPECT_EQ(objectsOf("PD40,0;"), (std::vector<Pts>{{{1, 0}}}));
    EXPECT_EQ(objectsOf("PU40,0;PD0,0;PD0,40;"), (std::vector<Pts>{{{1, 0}, {0, 0}, {0, 0}, {0, 1}}}));
}

TEST_F(Hpgl, PenUpMovesAreNeverDrawn)
{
    struct Case
    {
        const char *text;
        std::vector<Pts> objects;
    };
    const Case cases[] = {
        // A pen that goes down where it went up draws its first segment.
        {"PU40,0;PD80,0;PU;PD120,0;", {{{1, 0}, {2, 0}, {2, 0}, {3, 0}}}},
        // After a lift continued the shape in place, a pen-up move is a lift.
        {"PU40,0;PD80,0;PU80,0;PA400,400;PD;PA440,400;", {{{1, 0}, {2, 0}}, {{10, 10}, {11, 10}}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(objectsOf(c.text), c.objects) << c.text;
    // Extents are those of the drawing, not of a park at the origin.
    Drawing d;
    ASSERT_TRUE(read("PU400,400;PD800,400;PU0,0;", d));
    EXPECT_EQ(d.boundingRect(), QRectF(10, 10, 10, 0));
    Drawing none;
    EXPECT_FALSE(read("PU400,400;PU0,0;", none));
}

TEST_F(Hpgl, ScalingPointsAndUserUnits)
{
    struct Case
    {
        const char *text;
        Pts points;
    };
    const Case cases[] = {
        // IP 0,0 to 400,400 plotter units (10 mm) is 0..10 user units.
        {"IP0,0,400,400;SC0,10,0,10;PU1,1;PD9,9;", {{1, 1}, {9, 9}}},
        {"IP0,0,400,400;SC0,10,0,20;PU1,1;PR1,2;PD;PR1,2;", {{2, 1.5}, {3, 2.5}}},
        // Isotropic: one scale, centred in the spare direction.
        {"IP0,0,400,800;SC0,10,0,10,1;PU0,0;PD10,10;", {{0, 5}, {10, 15}}},
        // Point factor: user units times the factor from P1.
        {"IP40,40,400,400;SC0,2,0,4,2;PU0,0;PD10,10;", {{1, 1}, {1.5, 2}}},
        // IP with two numbers carries P2 along with P1.
        {"IP0,0,400,400;IP40,0;SC0,10,0,10;PU0,0;PD10,10;", {{1, 0}, {11, 10}}},
        // SC without numbers, IN and DF switch scaling off; a degenerate
        // scale is refused.
        {"IP0,0,400,400;SC0,10,0,10;SC;PU40,40;PD80,80;", {{1, 1}, {2, 2}}},
        {"SC0,10,0,10;DF;PU40,40;PD80,80;", {{1, 1}, {2, 2}}},
        {"SC0,0,0,10;PU40,40;PD80,80;", {{1, 1}, {2, 2}}},
    };
    for (const Case &c : cases) {
        const auto objects = objectsOf(c.text);
        ASSERT_EQ(objects.size(), 1u) << c.text;
        ASSERT_EQ(objects[0].size(), c.points.size()) << c.text;
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_NEAR(objects[0][i].first, c.points[i].first, 1e-9) << c.text;
            EXPECT_NEAR(objects[0][i].second, c.points[i].second, 1e-9) << c.text;
        }
    }
    // Without IP the points are hp2xx's: an upright A0 sheet.
    const auto page = objectsOf("SC0,100,0,100;PU0,0;PD100,100;");
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].back(), std::make_pair(840.0, 1188.0));
    // An arc under scaling is round in user units and ends where it should.
    Drawing d;
    ASSERT_TRUE(read("IP0,0,400,400;SC0,10,0,10;PU10,5;PD;AA5,5,180;", d));
    EXPECT_NEAR(d.objects().back()->points.back()->x, 0, 1e-9);
    EXPECT_NEAR(d.objects().back()->points.back()->y, 5, 1e-9);
    EXPECT_NEAR(d.boundingRect().bottom(), 10, 1e-9);
}

TEST_F(Hpgl, TextAndEscapesAreSkipped)
{
    // Label text, however it reads, is no command; neither are printer
    // escapes or comments.
    EXPECT_EQ(objectsOf("\x1b%-1BBPIN;\x1b.I81;;17:PU40,0;LBPD400,400\x03PD80,0;CO\"PD9,9\";SMAPD80,40;"),
              (std::vector<Pts>{{{1, 0}, {2, 0}, {2, 0}, {2, 1}}}));
    EXPECT_EQ(objectsOf("DT#;PU40,0;LBPD4\x03;PU#PD80,0;"), (std::vector<Pts>{{{1, 0}, {2, 0}}}));
    // A label never terminated ends with its line.
    EXPECT_EQ(objectsOf("PU40,0;LBno end\nPD80,0;"), (std::vector<Pts>{{{1, 0}, {2, 0}}}));
}

TEST_F(Hpgl, AutoWeldContinuesAtTheSamePointWithTheSamePen)
{
    struct Case
    {
        bool autoWeld;
        const char *text;
        size_t objects;
    };
    const Case cases[] = {
        {true, "PU40,0;PD80,0;PU80,0;PD120,0;", 1},
        {false, "PU40,0;PD80,0;PU80,0;PD120,0;", 2},
        {true, "PU40,0;PD80,0;PU80.0000001,0;PD120,0;", 2},
        {true, "SP1;PU40,0;PD80,0;SP2;PU80,0;PD120,0;", 2},
        {true, "SP2;PU40,0;PD80,0;SP2;PU80,0;PD120,0;", 1},
    };
    for (const Case &c : cases) {
        options([&](Settings::FormatOptions &o) { o.hpglAutoWeld = c.autoWeld; });
        EXPECT_EQ(objectsOf(c.text).size(), c.objects) << c.text << " autoweld " << c.autoWeld;
    }
}

TEST_F(Hpgl, PensFollowTheSelectRules)
{
    struct Case
    {
        const char *text;
        std::vector<qint32> pens;
    };
    const Case cases[] = {
        {"SP12;PD40,40;", {9}},
        {"SP-3;PD40,40;", {0}},
        {"SP5;SPx;PD40,40;", {5}},
        {"SP0;SP3;PD40,40;", {3}},
        {"SP05;SP 7;PD40,40;", {7}},
        {"sp4;PD40,40;", {0}},
        // One pen per object, in the order they were selected.
        {"SP1;PU40,0;PD80,0;SP2;PU0,40;PD0,80;SP3;PU0,120;PD0,160;", {1, 2, 3}},
        // A single pen stays for every object.
        {"SP4;PU40,0;PD80,0;PU0,40;PD0,80;", {4, 4}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(pensOf(c.text), c.pens) << c.text;
}

TEST_F(Hpgl, UnitsScaleTheCoordinatesAndZeroIsSafe)
{
    for (auto [units, expected] : {std::pair{1016, 2.5}, std::pair{2032, 1.25}, std::pair{0, 2.5}, std::pair{254, 10.0}}) {
        options([units = units](Settings::FormatOptions &o) { o.hpglUnits = units; });
        const auto objects = objectsOf("PD100,100;");
        ASSERT_EQ(objects.size(), 1u) << units;
        EXPECT_DOUBLE_EQ(objects[0][0].first, expected) << units;
    }
}

TEST_F(Hpgl, ArcsContinueTheCurrentObject)
{
    Drawing d;
    ASSERT_TRUE(read("PU40,0;PD40,0;AA0,0,90;PD0,80;", d));
    ASSERT_EQ(d.objects().size(), 1u);
    const Object &o = *d.objects()[0];
    // (1,0) from the pen-down, the arc's start, 9 curve points, then the
    // pen-down repeats the arc's end before the new pair.
    ASSERT_EQ(o.size(), 2 + 1 + 9 + 2);
    EXPECT_NEAR(o.points[11]->x, 0, 1e-12);
    EXPECT_NEAR(o.points[11]->y, 1, 1e-12);
    EXPECT_GT(o.points[6]->y, 0.5); // counter-clockwise, through the first quadrant
    EXPECT_EQ(o.points[13]->pos(), QPointF(0, 2));

    // The bounds follow the arc, not its centre.
    Drawing half;
    ASSERT_TRUE(read("PU40,-400;PD40,0;AA0,0,180;", half));
    const QRectF r = half.boundingRect(); // y up: top() is the lowest y
    EXPECT_NEAR(r.left(), -1, 1e-9);
    EXPECT_NEAR(r.top(), -10, 1e-9);
    EXPECT_NEAR(r.bottom(), 1, 1e-9) << "the arc's top, not its centre";
    EXPECT_NEAR(half.objects().back()->points.back()->x, -1, 1e-12);

    for (const char *broken : {"PU40,0;AA0,0;", "PU40,0;AA0,0,x;", "PU40,0;AA40,0,90;", "PU40,0;AA1e300,0,90;"}) {
        Drawing b;
        read(broken, b);
        for (const Object *obj : b.objects())
            for (const Object::Point *p : obj->points)
                EXPECT_TRUE(std::isfinite(p->x) && std::isfinite(p->y)) << broken;
    }
}

TEST_F(Hpgl, ThreePointArcsFollowTheExactCircle)
{
    // Every point must lie on the true circle (or segment), the cut must
    // start at the pen, end exactly at the end point and pass the
    // intermediate point; the extents tell the sense. Radius 0 is a line.
    struct Case
    {
        const char *text;
        QPointF centre;
        double radius;
        QPointF start, through, end;
        QRectF extents;
    };
    const Case cases[] = {
        // Half circles over the top (counter-clockwise) and under (clockwise).
        {"PU400,0;PD;AT0,400,-400,0;", {0, 0}, 10, {10, 0}, {0, 10}, {-10, 0}, QRectF(-10, 0, 20, 10)},
        {"PU400,0;PD;AT0,-400,-400,0;", {0, 0}, 10, {10, 0}, {0, -10}, {-10, 0}, QRectF(-10, -10, 20, 10)},
        {"PU400,0;PD;PR;RT-400,400,-800,0;", {0, 0}, 10, {10, 0}, {0, 10}, {-10, 0}, QRectF(-10, 0, 20, 10)},
        {"PU400,0;PD;PR;AT0,400,-400,0;", {0, 0}, 10, {10, 0}, {0, 10}, {-10, 0}, QRectF(-10, 0, 20, 10)},
        {"PU400,0;PD;AT0,400,-400,0,10;", {0, 0}, 10, {10, 0}, {0, 10}, {-10, 0}, QRectF(-10, 0, 20, 10)},
        // Three quarters, clockwise, the intermediate point off the middle.
        {"PU400,0;PD;AT0,-400,0,400;", {0, 0}, 10, {10, 0}, {0, -10}, {0, 10}, QRectF(-10, -10, 20, 20)},
        {"PU200,0;PD;AT120,160,0,200;", {0, 0}, 5, {5, 0}, {3, 4}, {0, 5}, QRectF(0, 0, 5, 5)},
        // Round in user units under scaling, turned with the plot.
        {"IP0,0,400,400;SC0,10,0,10;PU10,5;PD;AT5,10,0,5;", {5, 5}, 5, {10, 5}, {5, 10}, {0, 5}, QRectF(0, 5, 10, 5)},
        {"RO90;PU400,0;PD;AT0,400,-400,0;", {0, 0}, 10, {0, 10}, {-10, 0}, {0, -10}, QRectF(-10, -10, 10, 20)},
        // An end on the start: the circle whose diameter runs to the
        // intermediate point.
        {"PU400,0;PD;AT1200,0,400,0;", {20, 0}, 10, {10, 0}, {30, 0}, {10, 0}, QRectF(10, -10, 20, 20)},
        // Points on one line, or two in one place: the line to the end.
        {"PU400,0;PD;AT800,0,1200,0;", {}, 0, {10, 0}, {20, 0}, {30, 0}, QRectF(10, 0, 20, 0)},
        {"PU400,0;PD;AT1600,0,1200,0;", {}, 0, {10, 0}, {20, 0}, {30, 0}, QRectF(10, 0, 20, 0)},
        {"PU400,0;PD;AT400,0,800,400;", {}, 0, {10, 0}, {15, 5}, {20, 10}, QRectF(10, 0, 10, 10)},
        {"PU400,0;PD;AT800,400,800,400;", {}, 0, {10, 0}, {15, 5}, {20, 10}, QRectF(10, 0, 10, 10)},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(read(c.text, d)) << c.text;
        ASSERT_EQ(d.objects().size(), 1u) << c.text;
        const Object &o = *d.objects()[0];
        // The cubic pieces lie within 3e-4 of the radius, chords within their
        // sagitta (under 0.04 mm at this size).
        const double onCurve = 3e-4 * c.radius + 1e-9, chord = 0.05;
        double nearest = std::numeric_limits<double>::max();
        for (size_t k = 0; k < o.points.size(); ++k) {
            const QPointF p = o.points[k]->pos();
            if (c.radius > 0) {
                EXPECT_NEAR(std::hypot(p.x() - c.centre.x(), p.y() - c.centre.y()), c.radius, onCurve) << c.text;
            } else {
                const QPointF v = c.end - c.start, w = p - c.start;
                EXPECT_NEAR(v.x() * w.y() - v.y() * w.x(), 0, 1e-9) << c.text;
            }
            if (k > 0) {
                // Distance from the intermediate point to this chord.
                const QPointF a = o.points[k - 1]->pos(), v = p - a, w = c.through - a;
                const double len2 = QPointF::dotProduct(v, v);
                const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(w, v) / len2, 0.0, 1.0) : 0;
                const QPointF q = a + t * v;
                nearest = std::min(nearest, std::hypot(q.x() - c.through.x(), q.y() - c.through.y()));
            }
        }
        EXPECT_LT(nearest, chord) << c.text;
        EXPECT_EQ(o.points.front()->pos(), c.start) << c.text;
        EXPECT_NEAR(o.points.back()->x, c.end.x(), 1e-12) << c.text;
        EXPECT_NEAR(o.points.back()->y, c.end.y(), 1e-12) << c.text;
        const QRectF r = d.boundingRect();
        EXPECT_NEAR(r.left(), c.extents.left(), chord) << c.text;
        EXPECT_NEAR(r.right(), c.extents.right(), chord) << c.text;
        EXPECT_NEAR(r.top(), c.extents.top(), chord) << c.text;
        EXPECT_NEAR(r.bottom(), c.extents.bottom(), chord) << c.text;
    }
}

TEST_F(Hpgl, ThreePointArcsAreCutLikeCentredArcs)
{
    // The same arc as "AA" gives the same points, the pen's state and the
    // object it joins included; the next command draws on from the end.
    const std::pair<const char *, const char *> pairs[] = {
        {"PU400,0;PD;AT0,400,-400,0;PD-400,-400;", "PU400,0;PD;AA0,0,180;PD-400,-400;"},
        {"PU400,0;PD;AT0,-400,0,400;", "PU400,0;PD;AA0,0,-270;"},
        {"PU400,0;AT0,400,-400,0;PD-800,0;", "PU400,0;AA0,0,180;PD-800,0;"},
        {"PU40,40;PD400,0;PU;AT0,400,-400,0;PD-800,0;", "PU40,40;PD400,0;PU;AA0,0,180;PD-800,0;"},
        {"IP0,0,400,400;SC0,10,0,10;PU10,5;PD;AT5,10,0,5;", "IP0,0,400,400;SC0,10,0,10;PU10,5;PD;AA5,5,180;"},
        {"RO270;PU400,0;PD;RT-400,-400,-800,0;", "RO270;PU400,0;PD;AR-400,0,-180;"},
    };
    for (const auto &[at, aa] : pairs) {
        const auto a = objectsOf(at), b = objectsOf(aa);
        ASSERT_EQ(a.size(), b.size()) << at;
        for (size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i].size(), b[i].size()) << at;
            for (size_t k = 0; k < a[i].size(); ++k) {
                EXPECT_NEAR(a[i][k].first, b[i][k].first, 1e-9) << at;
                EXPECT_NEAR(a[i][k].second, b[i][k].second, 1e-9) << at;
            }
        }
    }
    // Three points in one place draw nothing and leave the pen there; a
    // command short of its end point is skipped.
    EXPECT_EQ(objectsOf("PU400,0;PD;AT400,0,400,0;PD800,0;"), (std::vector<Pts>{{{10, 0}, {10, 0}, {20, 0}}}));
    EXPECT_EQ(objectsOf("PU400,0;PD;AT0,400,-400;PD800,0;"), (std::vector<Pts>{{{10, 0}, {10, 0}, {20, 0}}}));
}

TEST_F(Hpgl, FileWithoutCoordinatesIsRefused)
{
    // Pen-up moves alone (found by the fuzzer) grow the bounds but draw nothing.
    for (const char *text : {"", "IN;LT;SP1;", "PD;PU;", "PA1;", "IN;SP1;PU0 0;PU400 0;PA5,5;SP0;"}) {
        Drawing d;
        EXPECT_FALSE(read(text, d)) << text;
        EXPECT_TRUE(d.objects().empty()) << text;
    }
    Drawing d;
    EXPECT_FALSE(hpgl::read(dir.filePath(QStringLiteral("missing.plt")), d));
}

TEST_F(Hpgl, ProgressOncePerNewObject)
{
    std::vector<double> calls;
    BaseFormat::loadProgress = [&](double f) { calls.push_back(f); };
    Drawing d;
    ASSERT_TRUE(read("PU40,0;PD80,0;PD80,40;PD80,80;PU0,40;PD0,80;PU0,120;PD0,160;", d));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_LT(calls[0], calls[1]);
    EXPECT_LE(calls[1], 1.0);
}

TEST_F(Hpgl, WritesFortyUnitsPerMillimetreWithCrLf)
{
    Drawing d;
    addShape(d, {{0, 0}, {10, 0}, {0, 10}, {0, 0}});
    EXPECT_EQ(written(d), QByteArray("IN;\r\nLT;\r\nSP1;\r\nPU0 0;\r\nPD400 0;\r\nPD0 400;\r\nPD0 0;\r\nSP0;"));

    Drawing pens;
    addShape(pens, {{-1.2345, 0.0249}, {1e30, -0.01}})->pen = 7;
    addShape(pens, {})->pen = 300;
    EXPECT_EQ(written(pens), QByteArray("IN;\r\nLT;\r\nSP7;\r\nPU-49 0;\r\nPD39999999999999998543585179860992 0;\r\n"
                                        "LT;\r\nSP300;\r\nSP0;"));

    EXPECT_EQ(written(Drawing()), QByteArray("IN;\r\nSP0;"));
    EXPECT_FALSE(hpgl::write(dir.filePath(QStringLiteral("no/such/dir/out.plt")), d));
}

TEST_F(Hpgl, WrittenFileReadsBackToQuarterMillimetresWithDoubledVertices)
{
    Drawing d;
    addShape(d, {{0, 0}, {10, 0}, {0, 10}, {0, 0}});
    addShape(d, {{12.3456, 7.89}, {20.01, 7.89}, {20.01, -3.3}});
    written(d);
    Drawing back;
    ASSERT_TRUE(hpgl::read(dir.filePath(QStringLiteral("out.plt")), back));
    ASSERT_EQ(back.objects().size(), 2u);
    EXPECT_EQ(pointsOf(*back.objects()[0]), (Pts{{0, 0}, {10, 0}, {10, 0}, {0, 10}, {0, 10}, {0, 0}}));
    EXPECT_TRUE(back.objects()[0]->isClosed()) << "the shape starting at the origin keeps that vertex";
    EXPECT_EQ(pointsOf(*back.objects()[1]),
              (Pts{{12.325, 7.875}, {20, 7.875}, {20, 7.875}, {20, -3.3}}));
    EXPECT_EQ(back.objects()[1]->pen, 1);
    EXPECT_EQ(back.boundingRect(), QRectF(0, -3.3, 20, 10 + 3.3));
}

TEST_F(Hpgl, ReadsPstoeditOutputToItsExtents)
{
    Drawing d;
    ASSERT_TRUE(hpgl::read(dataPath("hpgl/pstoedit_rib.plt"), d));
    ASSERT_EQ(d.objects().size(), 3u);
    EXPECT_EQ(d.objects()[0]->size(), 8);
    EXPECT_EQ(d.objects()[2]->size(), 4);
    const QRectF r = d.boundingRect();
    EXPECT_DOUBLE_EQ(r.left(), 141 / 40.0);
    EXPECT_DOUBLE_EQ(r.right(), 4092 / 40.0);
    EXPECT_DOUBLE_EQ(r.top(), 141 / 40.0);
    EXPECT_DOUBLE_EQ(r.bottom(), 2681 / 40.0);
    for (const Object *o : d.objects())
        EXPECT_EQ(o->pen, 1);
}

TEST_F(Hpgl, Hp2xxAcceptsTheWrittenFile)
{
    const QString hp2xx = QStandardPaths::findExecutable(QStringLiteral("hp2xx"));
    if (hp2xx.isEmpty())
        GTEST_SKIP() << "hp2xx is not installed";
    Drawing d;
    addShape(d, square(10, 10, 50));
    addShape(d, {{-5, 3.3}, {80, 90}})->pen = 3;
    written(d);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(hp2xx, {QStringLiteral("-m"), QStringLiteral("eps"), QStringLiteral("-f"),
                    dir.filePath(QStringLiteral("out.eps")), dir.filePath(QStringLiteral("out.plt"))});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray output = p.readAll();
    EXPECT_EQ(p.exitCode(), 0) << output.constData();
    EXPECT_FALSE(output.contains("rror")) << output.constData();
    EXPECT_TRUE(output.contains("command(s) ignored: 0")) << output.constData();
    EXPECT_TRUE(output.contains("Unexpected event(s):  0")) << output.constData();
    EXPECT_TRUE(output.contains("Pens used: 1 3")) << output.constData();
    // hp2xx reports the extents in plotter units: 40 per millimetre.
    EXPECT_TRUE(output.contains("Coordinate range: (-200, 132) ... (3200, 3600)")) << output.constData();
    EXPECT_GT(QFile(dir.filePath(QStringLiteral("out.eps"))).size(), 0);
}

TEST_F(Hpgl, BundledExampleLoads)
{
    Drawing d;
    ASSERT_TRUE(hpgl::read(dataPath("../../examples/wing.plt"), d));
    ASSERT_EQ(d.objects().size(), 4u);
    std::vector<qint32> pens;
    for (const Object *o : d.objects())
        pens.push_back(o->pen);
    EXPECT_EQ(pens, (std::vector<qint32>{1, 2, 3, 4}));
    EXPECT_TRUE(d.objects()[0]->isClosed());
    EXPECT_TRUE(d.objects()[2]->isClosed()) << "the full-circle arc";
    EXPECT_FALSE(d.objects()[3]->isClosed());
    EXPECT_NEAR(d.boundingRect().width(), 200, 1e-9);
}

TEST_F(Hpgl, RotationTurnsThePlotAboutTheOrigin)
{
    struct Case
    {
        const char *prefix;
        QRectF extents; // of a 10 x 5 mm rectangle at the origin
    };
    const Case cases[] = {
        {"RO90;", QRectF(-5, 0, 5, 10)},
        {"RO180;", QRectF(-10, -5, 10, 5)},
        {"RO 270;", QRectF(0, -10, 5, 10)},
        {"RO90;RO;", QRectF(0, 0, 10, 5)},
        // Only right angles turn; an initialisation undoes the turn.
        {"RO45;", QRectF(0, 0, 10, 5)},
        {"RO90;IN;", QRectF(0, 0, 10, 5)},
        // Scaling happens before the turn.
        {"RO90;IP0,0,400,400;SC0,1,0,1;", QRectF(-5, 0, 5, 10)},
    };
    for (const Case &c : cases) {
        const bool scaled = std::strstr(c.prefix, "SC") != nullptr;
        const QByteArray text = QByteArray(c.prefix)
            + (scaled ? "PU0,0;PD1,0,1,0.5,0,0.5,0,0;" : "PU0,0;PD400,0,400,200,0,200,0,0;");
        Drawing d;
        ASSERT_TRUE(read(text, d)) << text.constData();
        ASSERT_EQ(d.objects().size(), 1u) << text.constData();
        EXPECT_TRUE(d.objects()[0]->isClosed()) << text.constData();
        const QRectF r = d.boundingRect();
        EXPECT_NEAR(r.left(), c.extents.left(), 1e-9) << text.constData();
        EXPECT_NEAR(r.top(), c.extents.top(), 1e-9) << text.constData();
        EXPECT_NEAR(r.width(), c.extents.width(), 1e-9) << text.constData();
        EXPECT_NEAR(r.height(), c.extents.height(), 1e-9) << text.constData();
    }
    // An arc after a turn starts where the turned pen is.
    Drawing arc;
    ASSERT_TRUE(read("RO90;PU400,0;PD;AA0,0,90;", arc));
    ASSERT_EQ(arc.objects().size(), 1u);
    EXPECT_EQ(arc.objects()[0]->points.front()->pos(), QPointF(0, 10));
    EXPECT_NEAR(arc.objects()[0]->points.back()->x, -10, 1e-9);
    EXPECT_NEAR(arc.objects()[0]->points.back()->y, 0, 1e-9);
}

TEST_F(Hpgl, WindowClipsWhatIsDrawn)
{
    struct Case
    {
        const char *text;
        std::vector<Pts> objects;
    };
    const Case cases[] = {
        // A line across the window keeps its inside part.
        {"IW40,40,400,400;PU0,200;PD800,200;", {{{1, 5}, {10, 5}}}},
        // Leaving and coming back splits the contour; the part outside is
        // not cut.
        {"IW0,0,400,400;PU200,200;PD800,200,800,300,200,300;", {{{5, 5}, {10, 5}}, {{10, 7.5}, {5, 7.5}}}},
        // The window corners may come in any order.
        {"IW400,400,40,40;PU0,200;PD800,200;", {{{1, 5}, {10, 5}}}},
        // Without parameters the window is P1 to P2 when the file set them,
        // else there is none; an initialisation removes it.
        {"IP0,0,400,400;IW;PU200,200;PD800,200;", {{{5, 5}, {10, 5}}}},
        {"IW;PU0,0;PD800,0;", {{{0, 0}, {20, 0}}}},
        {"IW40,40,80,80;IN;PU0,0;PD800,0;", {{{0, 0}, {20, 0}}}},
        // In user units under scaling, fixed in plotter units once given.
        {"IP0,0,400,400;SC0,10,0,10;IW0,0,5,5;SC0,20,0,20;PU2,2;PD18,2;", {{{1, 1}, {5, 1}}}},
        // With a turned plot the window turns with it.
        {"RO90;IW0,0,400,200;PU200,-400;PD200,400;", {{{0, 5}, {-5, 5}}}},
    };
    for (const Case &c : cases) {
        const auto objects = objectsOf(c.text);
        ASSERT_EQ(objects.size(), c.objects.size()) << c.text;
        for (size_t i = 0; i < objects.size(); ++i) {
            ASSERT_EQ(objects[i].size(), c.objects[i].size()) << c.text;
            for (size_t k = 0; k < objects[i].size(); ++k) {
                EXPECT_NEAR(objects[i][k].first, c.objects[i][k].first, 1e-9) << c.text;
                EXPECT_NEAR(objects[i][k].second, c.objects[i][k].second, 1e-9) << c.text;
            }
        }
    }
    Drawing half;
    ASSERT_TRUE(read("IW0,-400,400,400;PU0,0;CI200;", half));
    // Curves are clipped too: the right half of a circle, in two pieces as
    // the circle starts on the right.
    ASSERT_EQ(half.objects().size(), 2u);
    EXPECT_NEAR(half.boundingRect().left(), 0, 1e-9);
    EXPECT_NEAR(half.boundingRect().right(), 5, 1e-3);
    // Everything outside: nothing to cut. The pieces of a split keep the pen.
    Drawing outside;
    EXPECT_FALSE(read("IW0,0,400,400;PU800,800;PD1200,800;", outside));
    EXPECT_EQ(pensOf("SP3;IW0,0,400,400;PU200,200;PD800,200,800,300,200,300;"), (std::vector<qint32>{3, 3}));
}

TEST_F(Hpgl, ClosedShapesAreOutlinesOfTheirOwn)
{
    struct Case
    {
        const char *text;
        QRectF extents;
        QPointF first; // also the last: the outline is closed
    };
    const Case cases[] = {
        {"PU400,400;CI200;", QRectF(5, 5, 10, 10), QPointF(15, 10)},
        {"PU400,400;CI-200,5;", QRectF(5, 5, 10, 10), QPointF(5, 10)},
        {"IP0,0,400,400;SC0,10,0,10;PU5,5;CI2;", QRectF(3, 3, 4, 4), QPointF(7, 5)},
        // Rectangles between the pen and a corner; a fill is its outline.
        {"PU40,40;EA400,200;", QRectF(1, 1, 9, 4), QPointF(1, 1)},
        {"PU40,40;ER360,160;", QRectF(1, 1, 9, 4), QPointF(1, 1)},
        {"PU40,40;RA400,200;", QRectF(1, 1, 9, 4), QPointF(1, 1)},
        {"PU400,200;RR-360,-160;", QRectF(1, 1, 9, 4), QPointF(10, 5)},
        // Wedges from the centre round the arc and back.
        {"PU400,400;EW200,0,90;", QRectF(10, 10, 5, 5), QPointF(10, 10)},
        {"PU400,400;WG-200,0,90;", QRectF(5, 5, 5, 5), QPointF(10, 10)},
        {"PU400,400;EW200,90,-180;", QRectF(10, 5, 5, 10), QPointF(10, 10)},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(read(c.text, d)) << c.text;
        ASSERT_EQ(d.objects().size(), 1u) << c.text;
        const Object &o = *d.objects()[0];
        EXPECT_NEAR(o.points.front()->x, c.first.x(), 1e-9) << c.text;
        EXPECT_NEAR(o.points.front()->y, c.first.y(), 1e-9) << c.text;
        EXPECT_TRUE(o.isClosed()) << c.text;
        const QRectF r = d.boundingRect();
        // Curves are flattened onto the circle: an edge may fall short by
        // the sagitta of a step.
        EXPECT_NEAR(r.left(), c.extents.left(), 1e-2) << c.text;
        EXPECT_NEAR(r.right(), c.extents.right(), 1e-2) << c.text;
        EXPECT_NEAR(r.top(), c.extents.top(), 1e-2) << c.text;
        EXPECT_NEAR(r.bottom(), c.extents.bottom(), 1e-2) << c.text;
    }
    // The pen stays at the centre and, when down, draws on from there; what
    // came before and after the shape are objects apart from it.
    const auto objects = objectsOf("PU400,400;PD800,400;CI200;PD800,800;");
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].back(), std::make_pair(20.0, 10.0));
    EXPECT_EQ(objects[2].front(), std::make_pair(20.0, 10.0));
    EXPECT_EQ(objects[2].back(), std::make_pair(20.0, 20.0));
    EXPECT_EQ(objectsOf("PU40,40;EA400,200;PD40,400;").back(), (Pts{{1, 1}, {1, 10}}));
    // A pen lifted right after the shape leaves no lone point behind.
    EXPECT_EQ(objectsOf("PU400,400;PD;CI200;PU;PU800,800;").size(), 1u);
    EXPECT_EQ(objectsOf("PU400,400;PD;CI200;BZ400,440,440,440,440,400;").back().front(),
              std::make_pair(10.0, 10.0));
    // A shape that has no size draws nothing.
    for (const char *empty : {"PU40,40;CI0;", "PU40,40;EA40,40;", "PU40,40;EW0,0,90;", "PU40,40;EA400;"}) {
        Drawing d;
        EXPECT_FALSE(read(empty, d)) << empty;
    }
}

TEST_F(Hpgl, BezierCurvesFollowThePen)
{
    auto near = [](const Pts &pts, double x, double y) {
        return std::any_of(pts.begin(), pts.end(),
                           [&](const auto &p) { return std::abs(p.first - x) < 1e-9 && std::abs(p.second - y) < 1e-9; });
    };
    // 11 mm wide: the flattening puts a point at t = 0.5.
    const auto one = objectsOf("PU0,0;PD;BZ0,440,440,440,440,0;");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].front(), std::make_pair(0.0, 0.0));
    EXPECT_EQ(one[0].back(), std::make_pair(11.0, 0.0));
    EXPECT_TRUE(near(one[0], 5.5, 8.25)) << "the curve's midpoint";

    // Relative points count from the start of each curve.
    const auto two = objectsOf("PU0,0;PD;BR0,440,440,440,440,0,0,-440,440,-440,440,0;");
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].back(), std::make_pair(22.0, 0.0));
    EXPECT_TRUE(near(two[0], 16.5, -8.25));

    // With the pen up a curve only moves it; a short list draws nothing.
    EXPECT_EQ(objectsOf("PU0,0;BZ0,400,400,400,400,0;PD800,0;"), (std::vector<Pts>{{{10, 0}, {20, 0}}}));
    EXPECT_EQ(objectsOf("PU40,0;PD;BZ1,2,3,4,5;PD80,0;"), (std::vector<Pts>{{{1, 0}, {1, 0}, {2, 0}}}));
}

TEST_F(Hpgl, CurvesStayWithinTheirPointBudget)
{
    // Each circle makes a few hundred points at most, however large.
    hpgl::setCurveBudget(2000);
    Drawing within;
    EXPECT_TRUE(read("PU0,0;CI1e9;", within));
    Drawing over;
    EXPECT_FALSE(read("PU0,0;CI4000;CI4000;CI4000;CI4000;CI4000;CI4000;CI4000;CI4000;PD40,40;", over));
    EXPECT_TRUE(over.objects().empty());
    QByteArray circles = "PU0,0;PD;";
    for (int i = 0; i < 8; ++i)
        circles += "AT8000,0,0,0;";
    Drawing threePoint;
    EXPECT_FALSE(read(circles, threePoint));
    hpgl::setCurveBudget(hpgl::DefaultCurveBudget);

    // Huge or unscalable values never put a point that is not finite.
    for (const char *text : {"PU0,0;CI1e308;", "PU1e308,0;EW1e308,0,1e300;", "SC0,1e-300,0,1e-300,2;PU1,1;CI1e300;",
                             "PU0,0;PD;BZ1e308,1e308,-1e308,1e308,1e308,0;", "PU0,0;EA1e308,-1e308;",
                             "IW0,0,1e308,1e308;PU1,1;PD-1e308,1e308;", "RO90;PU1e308,1;PD;AR-1e308,0,90;",
                             "PU0,0;PD;AT1e308,1,-1e308,1;", "PU1e308,0;PD;RT1e308,1e308,1e308,-1e308;",
                             "PU0,0;PD;AT1e6,1,2e6,0;", "SC0,1e-300,0,1e-300,2;PU1,1;PD;AT2,1e300,3,1;"}) {
        Drawing d;
        read(text, d);
        for (const Object *o : d.objects())
            for (const Object::Point *p : o->points)
                EXPECT_TRUE(std::isfinite(p->x) && std::isfinite(p->y)) << text;
    }
}
