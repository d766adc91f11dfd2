#include "dxftestsupport.h"
#include "formats/baseformat.h"
#include "testsupport.h"

#include <QTemporaryDir>

using namespace test;

namespace {

QStringList line(double x0, double y0, double x1, double y1)
{
    return {"0", "LINE", "8", "0", "10", QString::number(x0), "20", QString::number(y0), "30", "0",
            "11", QString::number(x1), "21", QString::number(y1), "31", "0"};
}

QStringList header(const QStringList &variables)
{
    return QStringList{"0", "SECTION", "2", "HEADER"} + variables + QStringList{"0", "ENDSEC"};
}

QStringList entities(const QStringList &body)
{
    return QStringList{"0", "SECTION", "2", "ENTITIES"} + body + QStringList{"0", "ENDSEC", "0", "EOF"};
}

QStringList lwpolyline(int flags, const Pts &pts, const std::vector<double> &bulges = {})
{
    QStringList l{"0", "LWPOLYLINE", "100", "AcDbPolyline", "90", QString::number(pts.size()),
                  "70", QString::number(flags)};
    for (size_t i = 0; i < pts.size(); ++i) {
        l << "10" << QString::number(pts[i].first) << "20" << QString::number(pts[i].second);
        if (i < bulges.size())
            l << "42" << QString::number(bulges[i]);
    }
    return l;
}

QStringList spline(int degree, const std::vector<double> &knots, const Pts &control)
{
    QStringList l{"0", "SPLINE", "100", "AcDbSpline", "70", "8", "71", QString::number(degree),
                  "72", QString::number(knots.size()), "73", QString::number(control.size())};
    for (double k : knots)
        l << "40" << QString::number(k);
    for (auto [x, y] : control)
        l << "10" << QString::number(x) << "20" << QString::number(y) << "30" << "0";
    return l;
}

using DxfRead = DxfOptions;

} // namespace

TEST_F(DxfRead, UnitFactorFromInsUnits)
{
    struct Case { QStringList vars; double mmPerUnit; };
    const Case cases[] = {
        {{}, 25.4}, // no declaration: inches
        {{"9", "$INSUNITS", "70", "4"}, 1},
        {{"9", "$INSUNITS", "70", "0"}, 1},
        {{"9", "$INSUNITS", "70", "2"}, 304.8},
        {{"9", "$INSUNITS", "70", "6"}, 1000},
        {{"9", "$INSUNITS", "70", "13"}, 0.001},
        {{"9", "$INSUNITS", "70", "20"}, 3.0857e19},
        // Outside the table the factor in force stays.
        {{"9", "$INSUNITS", "70", "21"}, 25.4},
        {{"9", "$INSUNITS", "70", "-1"}, 25.4},
        {{"9", "$INSUNITS", "70", "2147483647"}, 25.4},
        {{"9", "$INSUNITS", "70", "5", "9", "$INSUNITS", "70", "99"}, 10},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(header(c.vars) + entities(line(0, 0, 1, 0))), d)) << c.vars.join(' ').toStdString();
        ASSERT_EQ(d.objects().size(), 1u);
        EXPECT_DOUBLE_EQ(length(*d.objects()[0]), c.mmPerUnit) << c.vars.join(' ').toStdString();
        EXPECT_DOUBLE_EQ(d.boundingRect().width(), c.mmPerUnit);
    }
}

TEST_F(DxfRead, LwPolylineClosedFlag)
{
    const Pts square4{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    struct Case { int flags; Pts pts; bool ignoreFlag; int points; };
    const Case cases[] = {
        {1, square4, false, 5},           // closing segment added
        {1, square4, true, 4},            // "IgnoreClosedFlag"
        {0, square4, false, 4},
        {3, square4, false, 5},           // other bits do not matter
        {128, square4, false, 4},
        {1, {{0, 0}, {1, 0}}, false, 2},  // two vertices are never closed
        {1, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, false, 5}, // already closed: not doubled
        {0, {{5, 5}}, false, 1},
    };
    for (const Case &c : cases) {
        change([&](Settings::FormatOptions &o) { o.dxfIgnoreClosedFlag = c.ignoreFlag; });
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) + entities(lwpolyline(c.flags, c.pts))), d));
        ASSERT_EQ(d.objects().size(), 1u);
        const Object &o = *d.objects()[0];
        EXPECT_EQ(o.size(), c.points) << c.flags << " " << c.pts.size();
        if (c.points == 5) {
            EXPECT_EQ(o.points.back()->pos(), o.points.front()->pos());
        }
    }
}

TEST_F(DxfRead, BulgesAreArcsOnTheRightSide)
{
    // Bulge 1 is a half circle: counter-clockwise from (0,0) to (2,0) runs
    // below the chord, clockwise (negative) above it.
    for (double bulge : {1.0, -1.0}) {
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) +
                                    entities(lwpolyline(0, {{0, 0}, {2, 0}}, {bulge}))), d));
        ASSERT_EQ(d.objects().size(), 1u);
        const Object &o = *d.objects()[0];
        EXPECT_GT(o.size(), 10);
        EXPECT_EQ(o.points.front()->pos(), QPointF(0, 0));
        EXPECT_EQ(o.points.back()->pos(), QPointF(2, 0));
        for (const Object::Point *p : o.points) {
            EXPECT_NEAR(std::hypot(p->x - 1, p->y), 1, 1e-3);
            EXPECT_LE(p->y * bulge, 1e-12);
        }
        EXPECT_NEAR(d.boundingRect().height(), 1, 1e-3);
    }
}

TEST_F(DxfRead, ArcPointCounts)
{
    struct Case { double radius, start, end; int points; };
    const Case cases[] = {
        {1, 0, 90, 6}, {1, 0, 360, 6}, {100, 0, 180, 86}, {100, 0, 1, 6},
        {10, 350, 10, 6},   // end before start: a turn is added
        {10, 0, 180, 31},   // side 20 · π/2
        {10, 0, 90, 15},    // side 10 · π/2
    };
    for (const Case &c : cases) {
        Drawing d;
        const QStringList arc{"0", "ARC", "10", "5", "20", "5", "40", QString::number(c.radius),
                              "50", QString::number(c.start), "51", QString::number(c.end)};
        ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) + entities(arc)), d));
        ASSERT_EQ(d.objects().size(), 1u);
        EXPECT_EQ(d.objects()[0]->size(), c.points) << c.radius << " " << c.start << " " << c.end;
        const Object::Point *first = d.objects()[0]->points.front();
        EXPECT_NEAR(first->x, 5 + c.radius * std::cos(c.start * M_PI / 180), 1e-9);
        EXPECT_NEAR(first->y, 5 + c.radius * std::sin(c.start * M_PI / 180), 1e-9);
    }
}

TEST_F(DxfRead, SplinesNeedDegreeOneToThreeAndEnoughControlPoints)
{
    const std::vector<double> clamped3{0, 0, 0, 0, 1, 2, 2, 2, 2};
    const Pts five{{0, 0}, {1, 2}, {2, 0}, {3, 2}, {4, 0}};
    struct Case { int degree; std::vector<double> knots; Pts control; int points; };
    const Case cases[] = {
        {3, clamped3, five, 8 * 5},
        {1, {0, 0, 1, 2, 3, 4, 4}, five, 8 * 5},
        {4, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}, five, 0},
        {3, {0, 0, 0, 0, 1, 1, 1}, {{0, 0}, {1, 1}, {2, 0}}, 0},    // fewer than degree + 1
        {0, {0, 1, 2, 3, 4, 5}, five, 0},
        {3, {0, 0, 0, 0, 1}, five, 0},                               // too few knots
        {3, {0, 0, 0, 0, 2, 1, 2, 2, 2}, five, 0},                   // knots running backwards
    };
    for (const Case &c : cases) {
        Drawing d;
        const QStringList body = spline(c.degree, c.knots, c.control) + QStringList{"0", "POINT", "10", "9", "20", "9"};
        ASSERT_TRUE(readDxf(dxfText(entities(body)), d));
        ASSERT_EQ(d.objects().size(), c.points ? 2u : 1u) << c.degree;
        if (!c.points)
            continue;
        const Object &o = *d.objects()[0];
        EXPECT_EQ(o.size(), c.points);
        // Clamped knots: the curve runs from the first to the last control point.
        EXPECT_EQ(o.points.front()->pos(), QPointF(0, 0));
        EXPECT_NEAR(o.points.back()->x, 4 * 25.4, 1e-9);
        EXPECT_NEAR(o.points.back()->y, 0, 1e-9);
    }
}

TEST_F(DxfRead, SplineResolutionFromFileOrSettings)
{
    const QStringList body = spline(2, {0, 0, 0, 1, 2, 2, 2}, {{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    for (bool fromFile : {true, false}) {
        change([&](Settings::FormatOptions &o) {
            o.dxfSplineSegmentsFromFile = fromFile;
            o.dxfSplineSegments = 5;
        });
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(header({"9", "$SPLINESEGS", "70", "3"}) + entities(body)), d));
        ASSERT_EQ(d.objects().size(), 1u);
        EXPECT_EQ(d.objects()[0]->size(), (fromFile ? 3 : 5) * 4);
    }
}

TEST_F(DxfRead, WithoutExpansionBlocksShiftedOnceInsertsIgnored)
{
    change([](Settings::FormatOptions &o) { o.dxfExpandBlocks = false; });
    const QStringList blocks = QStringList{"0", "SECTION", "2", "BLOCKS", "0", "BLOCK", "2", "PART", "70", "0",
                                           "10", "10", "20", "20", "30", "0"}
        + line(0, 0, 1, 0) + QStringList{"0", "ENDBLK", "0", "ENDSEC"};
    const QStringList insert{"0", "INSERT", "2", "PART", "10", "100", "20", "100", "30", "0"};
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) + blocks +
                                entities(insert + insert + line(0, 0, 0, 1))), d));
    ASSERT_EQ(d.objects().size(), 2u);
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{10, 20}, {11, 20}}));
    EXPECT_EQ(pointsOf(*d.objects()[1]), (Pts{{0, 0}, {0, 1}})); // after ENDBLK: no shift
}

TEST_F(DxfRead, PolylineVerticesUntilSeqend)
{
    const QStringList body{"0", "POLYLINE", "66", "1", "70", "1", "10", "0", "20", "0",
                           "0", "VERTEX", "10", "1", "20", "1", "0", "VERTEX", "10", "2", "20", "1",
                           "0", "VERTEX", "10", "2", "20", "2", "0", "SEQEND",
                           "0", "VERTEX", "10", "7", "20", "7", // stray: no polyline is open
                           "0", "POLYLINE", "0", "SEQEND"};   // no vertices: nothing
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) + entities(body)), d));
    ASSERT_EQ(d.objects().size(), 1u);
    // Closed (70 = 1): the last vertex joins the first.
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{1, 1}, {2, 1}, {2, 2}, {1, 1}}));
}

TEST_F(DxfRead, CirclesAndEllipses)
{
    const QStringList body{
        "0", "CIRCLE", "10", "0", "20", "0", "40", "1",
        "0", "ELLIPSE", "10", "10", "20", "0", "11", "0", "21", "2", "40", "0.5", // full, upright
        "0", "ELLIPSE", "10", "0", "20", "10", "11", "3", "21", "0", "40", "0.5",
        "41", "0", "42", "1.5707963267948966"};                                  // first quarter
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) + entities(body)), d));
    ASSERT_EQ(d.objects().size(), 3u);
    const Object &circle = *d.objects()[0];
    EXPECT_EQ(circle.size(), 1 + 4 * 9);
    EXPECT_EQ(circle.points.front()->pos(), QPointF(1, 0));
    EXPECT_EQ(circle.points.back()->pos(), QPointF(1, 0));
    EXPECT_GT(circle.points[1]->y, 0); // counter-clockwise

    const Object &full = *d.objects()[1];
    EXPECT_EQ(full.points.front()->pos(), full.points.back()->pos());
    for (const Object::Point *p : full.points)
        EXPECT_NEAR(std::hypot((p->x - 10) / 1, p->y / 2), 1, 2e-3);

    const Object &quarter = *d.objects()[2];
    EXPECT_NEAR(quarter.points.front()->x, 3, 1e-12);
    EXPECT_NEAR(quarter.points.front()->y, 10, 1e-12);
    EXPECT_NEAR(quarter.points.back()->x, 0, 1e-12);
    EXPECT_NEAR(quarter.points.back()->y, 11.5, 1e-12);
}

TEST_F(DxfRead, WeldJoinsARectangleOfLines)
{
    change([](Settings::FormatOptions &o) { o.dxfAutoWeld = true; });
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(header({"9", "$INSUNITS", "70", "4"}) +
                                entities(line(0, 0, 5, 0) + line(0, 3, 5, 3) + line(0, 3, 0, 0) + line(5, 0, 5, 3))), d));
    ASSERT_EQ(d.objects().size(), 1u);
    EXPECT_EQ(d.objects()[0]->size(), 8);
    EXPECT_EQ(d.boundingRect(), QRectF(0, 0, 5, 3));
}

TEST_F(DxfRead, GroupLinesAsWritersSpellThem)
{
    // Right-aligned codes, "2 " with a trailing blank, values with trailing
    // blanks, comments, CR LF, content after EOF.
    const std::string text =
        "999\r\nmade by hand\r\n  0\r\nSECTION\r\n2 \r\nENTITIES\r\n  0\r\nLINE   \r\n 10\r\n1.5  \r\n"
        " 20\r\n0\r\n 11\r\n2.5\t\r\n 21\r\n0\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n"
        "0\r\nPOINT\r\n10\r\n7\r\n20\r\n8\r\n0\r\nEOF\r\n";
    Drawing d;
    ASSERT_TRUE(readDxf(text, d));
    ASSERT_EQ(d.objects().size(), 2u);
    EXPECT_DOUBLE_EQ(length(*d.objects()[0]), 25.4);
    EXPECT_EQ(pointsOf(*d.objects()[1]), (Pts{{7 * 25.4, 8 * 25.4}}));
}

TEST_F(DxfRead, ProgressPerRecognisedEntity)
{
    std::vector<double> seen;
    BaseFormat::loadProgress = [&](double f) { seen.push_back(f); };
    Drawing d;
    const bool ok = readDxf(dxfText(entities(line(0, 0, 1, 1) + QStringList{"0", "FOO", "0", "TEXT"} + line(1, 1, 2, 2))), d);
    BaseFormat::loadProgress = nullptr;
    ASSERT_TRUE(ok);
    ASSERT_EQ(seen.size(), 3u); // LINE, TEXT, LINE; not SECTION, FOO, ENDSEC or EOF
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.front(), 0);
    EXPECT_LE(seen.back(), 1);
}

TEST_F(DxfRead, NothingUsableIsAFailure)
{
    for (const std::string &text : {std::string(), dxfText(entities({"0", "TEXT", "1", "hello"})),
                                    dxfText(entities({"0", "POLYLINE", "0", "SEQEND"}))}) {
        Drawing d;
        EXPECT_FALSE(readDxf(text, d));
    }
    Drawing d;
    EXPECT_FALSE(dxf::read(QStringLiteral("/nonexistent/file.dxf"), d));
}

TEST_F(DxfRead, WriterOutputReadsBackInMillimetres)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.dxf"));
    Drawing d;
    addShape(d, square(10, 20, 5));                       // closed, last point repeated
    addShape(d, {{0, 0}, {3.5, 1.25}, {7, 0}});           // open
    addShape(d, {{-1, -2}});
    d.updateBoundingRect();
    ASSERT_TRUE(dxf::write(path, d));

    Drawing back;
    ASSERT_TRUE(dxf::read(path, back));
    ASSERT_EQ(back.objects().size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(pointsOf(*back.objects()[i]), pointsOf(*d.objects()[i])) << i;
    EXPECT_EQ(back.boundingRect(), d.boundingRect());
}
