// Real-world DXF features: blocks placed by INSERT, object coordinates of
// extruded entities, bulged two-vertex polylines, rational and fit-point
// splines, degenerate entities and the point budget.
#include "dxftestsupport.h"
#include "testsupport.h"

#include <QElapsedTimer>

#include <array>

using namespace test;

namespace {

QStringList mm() { return {"0", "SECTION", "2", "HEADER", "9", "$INSUNITS", "70", "4", "0", "ENDSEC"}; }

QStringList section(const char *name, const QStringList &body)
{
    return QStringList{"0", "SECTION", "2", name} + body + QStringList{"0", "ENDSEC"};
}

QStringList block(const QString &name, double bx, double by, const QStringList &body)
{
    return QStringList{"0", "BLOCK", "2", name, "70", "0", "10", QString::number(bx), "20", QString::number(by), "30", "0"}
        + body + QStringList{"0", "ENDBLK"};
}

QStringList lineE(double x0, double y0, double x1, double y1)
{
    return {"0", "LINE", "10", QString::number(x0), "20", QString::number(y0),
            "11", QString::number(x1), "21", QString::number(y1)};
}

QStringList insertE(const QString &name, double x, double y, const QStringList &more = {})
{
    return QStringList{"0", "INSERT", "2", name, "10", QString::number(x), "20", QString::number(y)} + more;
}

std::string file(const QStringList &blocks, const QStringList &ents)
{
    return dxfText(mm() + section("BLOCKS", blocks) + section("ENTITIES", ents) + QStringList{"0", "EOF"});
}

void expectNear(const Pts &got, const Pts &want, const std::string &what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].first, want[i].first, 1e-9) << what << " point " << i;
        EXPECT_NEAR(got[i].second, want[i].second, 1e-9) << what << " point " << i;
    }
}

using DxfBlocks = DxfOptions;
using DxfCurves = DxfOptions;

} // namespace

TEST_F(DxfBlocks, InsertPlacesTheBlockLikeCadPrograms)
{
    // A unit line from the base point (1, 1) of the block, placed at (10, 20).
    const QStringList part = block("Part", 1, 1, lineE(1, 1, 2, 1));
    struct Case { const char *what; QStringList insert; Pts line; };
    const Case cases[] = {
        {"plain", insertE("Part", 10, 20), {{10, 20}, {11, 20}}},
        {"name in other letter case", insertE("PART", 10, 20), {{10, 20}, {11, 20}}},
        {"scaled", insertE("Part", 10, 20, {"41", "3", "42", "2"}), {{10, 20}, {13, 20}}},
        {"mirrored", insertE("Part", 10, 20, {"41", "-1"}), {{10, 20}, {9, 20}}},
        {"rotated", insertE("Part", 10, 20, {"50", "90"}), {{10, 20}, {10, 21}}},
        {"scaled then rotated", insertE("Part", 10, 20, {"41", "2", "50", "180"}), {{10, 20}, {8, 20}}},
        {"extruded downwards", insertE("Part", 10, 20, {"210", "0", "220", "0", "230", "-1"}), {{-10, 20}, {-11, 20}}},
        {"zero scale draws nothing", insertE("Part", 10, 20, {"42", "0"}), {}},
        {"unknown block", insertE("Nothing", 10, 20), {}},
    };
    for (const Case &c : cases) {
        Drawing d;
        const bool ok = readDxf(file(part, c.insert + QStringList{"0", "POINT", "10", "-50", "20", "-50"}), d);
        ASSERT_TRUE(ok) << c.what;
        ASSERT_EQ(d.objects().size(), c.line.empty() ? 1u : 2u) << c.what; // the definition alone draws nothing
        if (!c.line.empty())
            expectNear(pointsOf(*d.objects()[0]), c.line, c.what);
    }
}

TEST_F(DxfBlocks, MinsertArraysNestingAndReferencesBeforeTheDefinition)
{
    const QStringList dot = block("DOT", 0, 0, lineE(0, 0, 1, 0));
    {
        // Three columns 5 apart, two rows 7 apart, the array turned by 90°.
        Drawing d;
        ASSERT_TRUE(readDxf(file(dot, insertE("DOT", 100, 0, {"70", "3", "71", "2", "44", "5", "45", "7", "50", "90"})), d));
        ASSERT_EQ(d.objects().size(), 6u);
        Pts starts;
        for (const Object *o : d.objects())
            starts.push_back(pointsOf(*o).front());
        expectNear(starts, {{100, 0}, {100, 5}, {100, 10}, {93, 0}, {93, 5}, {93, 10}}, "minsert");
    }
    {
        // OUTER holds DOT twice, once mirrored; the file places OUTER doubled.
        const QStringList outer = block("OUTER", 0, 0, insertE("DOT", 0, 0) + insertE("DOT", 0, 3, {"41", "-1"}));
        Drawing d;
        ASSERT_TRUE(readDxf(file(outer + dot, insertE("OUTER", 10, 10, {"41", "2", "42", "2"})), d));
        ASSERT_EQ(d.objects().size(), 2u);
        expectNear(pointsOf(*d.objects()[0]), {{10, 10}, {12, 10}}, "nested");
        expectNear(pointsOf(*d.objects()[1]), {{10, 16}, {8, 16}}, "nested mirrored");
    }
    {
        // Entities before blocks, as some writers order their sections.
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", insertE("DOT", 4, 4)) + section("BLOCKS", dot)), d));
        ASSERT_EQ(d.objects().size(), 1u);
        expectNear(pointsOf(*d.objects()[0]), {{4, 4}, {5, 4}}, "late block");
    }
}

TEST_F(DxfBlocks, WhatIsNotCutStaysOut)
{
    // A dimension's block is drawn by nothing; text inside a placed block is
    // not cut; paper-space entities belong to a layout.
    QStringList paperSpace = block("*Paper_Space", 0, 0, lineE(0, 0, 80, 0));
    paperSpace.insert(4, "67"); // the layout's BLOCK and ENDBLK carry the paper-space flag
    paperSpace.insert(5, "1");
    paperSpace << "67" << "1";
    const QStringList blocks = paperSpace + block("*D1", 0, 0, lineE(0, 0, 50, 0))
        + block("LABEL", 0, 0, QStringList{"0", "TEXT", "10", "0", "20", "0", "1", "hello"} + lineE(0, 0, 0, 2));
    const QStringList ents = QStringList{"0", "DIMENSION", "2", "*D1", "10", "0", "20", "0"}
        + insertE("LABEL", 1, 1) + lineE(7, 7, 9, 9) + QStringList{"67", "1"};
    Drawing d;
    ASSERT_TRUE(readDxf(file(blocks, ents), d));
    ASSERT_EQ(d.objects().size(), 1u);
    expectNear(pointsOf(*d.objects()[0]), {{1, 1}, {1, 3}}, "label's line");

    // The former rule, for users who relied on it: every definition drawn
    // once, shifted by its base point, references ignored.
    change([](Settings::FormatOptions &o) { o.dxfExpandBlocks = false; });
    Drawing literal;
    ASSERT_TRUE(readDxf(file(blocks, ents), literal));
    EXPECT_EQ(literal.objects().size(), 4u);
}

TEST_F(DxfBlocks, CyclesAndBlowUpsAreRefusedQuickly)
{
    struct Case { const char *what; QStringList blocks; QStringList ents; bool loads; int objects; };
    QStringList tower = block("L0", 0, 0, lineE(0, 0, 1, 0));
    for (int level = 1; level <= 12; ++level) // 10^12 lines if expanded
        tower += block(QStringLiteral("L%1").arg(level), 0, 0,
                       insertE(QStringLiteral("L%1").arg(level - 1), 0, 0, {"70", "10"}));
    const Case cases[] = {
        {"block placing itself", block("A", 0, 0, lineE(0, 0, 1, 0) + insertE("A", 1, 0)),
         insertE("A", 0, 0), true, 1},
        {"two blocks placing each other", block("A", 0, 0, lineE(0, 0, 1, 0) + insertE("B", 0, 1))
             + block("B", 0, 0, lineE(0, 0, 0, 1) + insertE("A", 1, 0)),
         insertE("A", 0, 0) + insertE("B", 5, 5), true, 4},
        {"array of a billion", block("A", 0, 0, lineE(0, 0, 1, 0)),
         insertE("A", 0, 0, {"70", "32767", "71", "32767", "44", "1", "45", "1"}), false, 0},
        {"array of empty blocks", block("E", 0, 0, {}),
         insertE("E", 0, 0, {"70", "2000000000", "71", "2000000000"}) + lineE(0, 0, 1, 1), false, 0},
        {"tower of arrays", tower, insertE("L12", 0, 0), false, 0},
    };
    // A smaller budget only makes the refusals come sooner.
    change([](Settings::FormatOptions &o) { o.dxfMaxPoints = 200000; });
    for (const Case &c : cases) {
        QElapsedTimer clock;
        clock.start();
        Drawing d;
        EXPECT_EQ(readDxf(file(c.blocks, c.ents), d), c.loads) << c.what;
        EXPECT_EQ(int(d.objects().size()), c.objects) << c.what;
        EXPECT_LT(clock.elapsed(), 20000) << c.what; // a safety net, not a speed test
    }
}

TEST_F(DxfBlocks, PointBudget)
{
    // 1,000 control points at 1,000 segments each: a million points.
    QStringList big{"0", "SPLINE", "71", "1", "72", "1002", "73", "1000", "40", "0"};
    for (int i = 0; i < 1000; ++i)
        big << "40" << QString::number(i);
    big << "40" << "999";
    for (int i = 0; i < 1000; ++i)
        big << "10" << QString::number(i) << "20" << QString::number(i % 2);
    const std::string text = dxfText(QStringList{"0", "SECTION", "2", "HEADER", "9", "$SPLINESEGS", "70", "1000",
                                                 "0", "ENDSEC"} + section("ENTITIES", big + big));
    for (int budget : {10000000, 1999999, 2000000}) {
        change([&](Settings::FormatOptions &o) { o.dxfMaxPoints = budget; });
        Drawing d;
        const bool ok = readDxf(text, d);
        EXPECT_EQ(ok, budget >= 2000000) << budget;
        EXPECT_EQ(d.objects().size(), ok ? 2u : 0u) << budget;
    }
}

TEST_F(DxfCurves, ExtrusionDownwardsMirrorsX)
{
    const QStringList down{"210", "0", "220", "0", "230", "-1"};
    struct Case { const char *what; QStringList entity; QPointF first, last; };
    const Case cases[] = {
        {"arc", QStringList{"0", "ARC", "10", "5", "20", "1", "40", "2", "50", "0", "51", "90"} + down, {-7, 1}, {-5, 3}},
        {"circle", QStringList{"0", "CIRCLE", "10", "5", "20", "1", "30", "9", "40", "2"} + down, {-7, 1}, {-7, 1}},
        {"lwpolyline", QStringList{"0", "LWPOLYLINE", "90", "2", "38", "3", "10", "1", "20", "2", "10", "4", "20", "2"} + down,
         {-1, 2}, {-4, 2}},
        {"polyline", QStringList{"0", "POLYLINE", "10", "0", "20", "0", "30", "1"} + down
             + QStringList{"0", "VERTEX", "10", "1", "20", "2", "0", "VERTEX", "10", "3", "20", "2", "0", "SEQEND"},
         {-1, 2}, {-3, 2}},
        // The ellipse keeps its world coordinates but runs clockwise.
        {"ellipse", QStringList{"0", "ELLIPSE", "10", "0", "20", "0", "11", "2", "21", "0", "40", "0.5",
                                "41", "0", "42", "1.5707963267948966"} + down, {2, 0}, {0, -1}},
        {"line keeps world coordinates", lineE(1, 1, 2, 1) + down, {1, 1}, {2, 1}},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", c.entity)), d)) << c.what;
        ASSERT_EQ(d.objects().size(), 1u) << c.what;
        const Object &o = *d.objects()[0];
        EXPECT_NEAR(o.points.front()->x, c.first.x(), 1e-9) << c.what;
        EXPECT_NEAR(o.points.front()->y, c.first.y(), 1e-9) << c.what;
        EXPECT_NEAR(o.points.back()->x, c.last.x(), 1e-9) << c.what;
        EXPECT_NEAR(o.points.back()->y, c.last.y(), 1e-9) << c.what;
    }
}

TEST_F(DxfCurves, ClosedTwoVertexPolylinesWithABulge)
{
    struct Case { const char *what; std::vector<double> bulges; double height; };
    const Case cases[] = {
        {"circle", {1, 1}, 4},        // two half circles of radius 2
        {"D", {1, 0}, 2},             // half circle and its chord
        {"D the other way", {0, -1}, 2},
    };
    for (const Case &c : cases) {
        const QStringList poly{"0", "LWPOLYLINE", "90", "2", "70", "1", "10", "0", "20", "0", "42",
                               QString::number(c.bulges[0]), "10", "4", "20", "0", "42", QString::number(c.bulges[1])};
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", poly)), d)) << c.what;
        ASSERT_EQ(d.objects().size(), 1u) << c.what;
        const Object &o = *d.objects()[0];
        EXPECT_TRUE(o.isClosed()) << c.what;
        EXPECT_GT(o.size(), 15) << c.what;
        EXPECT_NEAR(d.boundingRect().height(), c.height, 1e-3) << c.what;
        EXPECT_NEAR(d.boundingRect().width(), 4, 1e-3) << c.what;
    }
}

TEST_F(DxfCurves, PolylinesCloseAndBulgeLikeLightweightOnes)
{
    // R12 writers (pstoedit's "dxf" among them) give closed shapes and arcs
    // as POLYLINE flags and vertex bulges.
    struct Case
    {
        const char *what;
        int flags;
        std::vector<std::array<double, 3>> vertices; // x, y, bulge
        int points;   // 0: only count the closing
        bool closed;
        QRectF bounds;
    };
    const Case cases[] = {
        {"open and straight, as before", 0, {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}}, 3, false, QRectF(0, 0, 4, 3)},
        {"closed triangle gets its third side", 1, {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}}, 4, true, QRectF(0, 0, 4, 3)},
        {"closed two-point line is not retraced", 1, {{0, 0, 0}, {4, 0, 0}}, 2, false, QRectF(0, 0, 4, 0)},
        {"closed with two bulges is a circle", 1, {{0, 0, 1}, {4, 0, 1}}, 0, true, QRectF(0, -2, 4, 4)},
        {"open half circle below its chord", 0, {{0, 0, 1}, {4, 0, 0}}, 0, false, QRectF(0, -2, 4, 2)},
        {"3D polyline closes but has no bulges", 8 | 1, {{0, 0, 1}, {4, 0, 0}, {4, 3, 0}}, 4, true,
         QRectF(0, 0, 4, 3)},
        {"mesh vertices are not an outline to close", 16 | 1, {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}}, 3, false,
         QRectF(0, 0, 4, 3)},
    };
    for (const Case &c : cases) {
        QStringList body{"0", "POLYLINE", "66", "1", "70", QString::number(c.flags)};
        for (const auto &v : c.vertices)
            body << "0" << "VERTEX" << "10" << QString::number(v[0]) << "20" << QString::number(v[1]) << "42"
                 << QString::number(v[2]);
        body << "0" << "SEQEND" << "0" << "LINE" << "10" << "0" << "20" << "9" << "11" << "1" << "21" << "9";
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", body)), d)) << c.what;
        ASSERT_EQ(d.objects().size(), 2u) << c.what;
        const Object &o = *d.objects()[0];
        if (c.points)
            EXPECT_EQ(o.size(), c.points) << c.what;
        else
            EXPECT_GT(o.size(), 15) << c.what;
        EXPECT_EQ(o.isClosed(), c.closed) << c.what;
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const Object::Point *p : o.points) {
            x0 = std::min(x0, p->x), x1 = std::max(x1, p->x);
            y0 = std::min(y0, p->y), y1 = std::max(y1, p->y);
        }
        EXPECT_NEAR(x0, c.bounds.left(), 1e-3) << c.what;
        EXPECT_NEAR(y0, c.bounds.top(), 1e-3) << c.what;
        EXPECT_NEAR(x1, c.bounds.right(), 1e-3) << c.what;
        EXPECT_NEAR(y1, c.bounds.bottom(), 1e-3) << c.what;
    }
    // A spline-fit polyline draws its fitted vertices (8), not its frame
    // (16); a polyface mesh's face records (128) are no positions.
    {
        Drawing d;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES",
            {"0", "POLYLINE", "70", "4", "0", "VERTEX", "70", "16", "10", "0", "20", "9",
             "0", "VERTEX", "70", "8", "10", "1", "20", "1", "0", "VERTEX", "70", "16", "10", "9", "20", "9",
             "0", "VERTEX", "70", "8", "10", "2", "20", "1", "0", "SEQEND",
             "0", "POLYLINE", "70", "64", "0", "VERTEX", "70", "192", "10", "3", "20", "3",
             "0", "VERTEX", "70", "128", "71", "1", "0", "SEQEND"})), d));
        ASSERT_EQ(d.objects().size(), 2u);
        EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{1, 1}, {2, 1}}));
        EXPECT_EQ(pointsOf(*d.objects()[1]), (Pts{{3, 3}}));
    }
    // The old rule stays one switch away.
    change([](Settings::FormatOptions &o) { o.dxfIgnoreClosedFlag = true; });
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", {"0", "POLYLINE", "70", "1", "0", "VERTEX", "10", "0",
                                                              "20", "0", "0", "VERTEX", "10", "4", "20", "0", "0",
                                                              "VERTEX", "10", "4", "20", "3", "0", "SEQEND"})),
                        d));
    EXPECT_EQ(d.objects()[0]->size(), 3);
}

TEST_F(DxfCurves, SplinesOverTheirDomainWithWeightsAndFitPoints)
{
    // A rational quadratic quarter circle of radius 100 mm, knots from 2 to 7.
    const QStringList nurbs{"0", "SPLINE", "70", "12", "71", "2", "72", "6", "73", "3",
                            "40", "2", "40", "2", "40", "2", "40", "7", "40", "7", "40", "7",
                            "10", "100", "20", "0", "41", "1", "10", "100", "20", "100", "41", "0.7071067811865476",
                            "10", "0", "20", "100", "41", "1"};
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", nurbs)), d));
    ASSERT_EQ(d.objects().size(), 1u);
    const Object &arc = *d.objects()[0];
    EXPECT_EQ(arc.size(), 8 * 3);
    for (const Object::Point *p : arc.points)
        EXPECT_NEAR(std::hypot(p->x, p->y), 100, 0.01);
    EXPECT_EQ(arc.points.front()->pos(), QPointF(100, 0));
    EXPECT_NEAR(arc.points.back()->x, 0, 1e-9);
    EXPECT_NEAR(arc.points[12]->x, arc.points[11]->y, 1e-9); // symmetric about the diagonal

    // Fit points only: the curve passes through each of them.
    const Pts fit{{0, 0}, {10, 20}, {30, 10}, {45, 30}, {60, 0}};
    for (bool tangents : {false, true}) {
        QStringList byFit{"0", "SPLINE", "70", "8", "71", "3", "74", QString::number(fit.size())};
        for (auto [x, y] : fit)
            byFit << "11" << QString::number(x) << "21" << QString::number(y) << "31" << "0";
        if (tangents)
            byFit << "12" << "0" << "22" << "1" << "32" << "0" << "13" << "1" << "23" << "-1" << "33" << "0";
        Drawing f;
        ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", byFit)), f)) << tangents;
        ASSERT_EQ(f.objects().size(), 1u);
        const Pts got = pointsOf(*f.objects()[0]);
        EXPECT_EQ(got.front(), fit.front());
        EXPECT_NEAR(got.back().first, 60, 1e-9);
        for (auto [x, y] : fit) {
            double nearest = 1e9;
            for (auto [gx, gy] : got)
                nearest = std::min(nearest, std::hypot(gx - x, gy - y));
            EXPECT_LT(nearest, 1.5) << tangents << " fit point " << x; // sampled at 8 per control point
        }
        if (tangents) { // leaves straight up, arrives heading down-right
            EXPECT_GT(got[1].second, 0);
            EXPECT_LT(std::abs(got[1].first), 0.2 * got[1].second);
        }
    }
}

TEST_F(DxfCurves, DegenerateEntitiesGiveNoObject)
{
    const QStringList ents = lineE(3, 3, 3, 3)
        + QStringList{"0", "ARC", "10", "1", "20", "1", "40", "0", "50", "0", "51", "90",
                      "0", "CIRCLE", "10", "1", "20", "1", "40", "0",
                      "0", "ELLIPSE", "10", "1", "20", "1", "11", "0", "21", "0", "40", "0.5"};
    Drawing d;
    EXPECT_FALSE(readDxf(dxfText(mm() + section("ENTITIES", ents)), d));
    Drawing withPoint; // a POINT is still a point
    ASSERT_TRUE(readDxf(dxfText(mm() + section("ENTITIES", ents + QStringList{"0", "POINT", "10", "3", "20", "3"})), withPoint));
    ASSERT_EQ(withPoint.objects().size(), 1u);
    EXPECT_EQ(pointsOf(*withPoint.objects()[0]), (Pts{{3, 3}}));
}
