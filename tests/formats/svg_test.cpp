#include "formats/baseformat.h"
#include "formats/svg.h"
#include "svgsupport.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace test;

namespace {

void expectRect(const QRectF &r, double x, double y, double w, double h, double tol = 1e-6)
{
    EXPECT_NEAR(r.x(), x, tol);
    EXPECT_NEAR(r.y(), y, tol);
    EXPECT_NEAR(r.width(), w, tol);
    EXPECT_NEAR(r.height(), h, tol);
}

bool allFinite(const Drawing &d)
{
    for (const Object *o : d.objects()) {
        for (const Object::Point *p : o->points) {
            if (!std::isfinite(p->x) || !std::isfinite(p->y))
                return false;
        }
    }
    return true;
}

const QByteArray corner = svgDocument("<polyline points=\"10,10 30,10 30,20\"/>");

} // namespace

TEST(SvgRead, CompressionIsToldByContentNotByName)
{
    QTemporaryDir dir;
    const QByteArray half = corner.left(40), rest = corner.mid(40);
    struct Case { const char *name; QByteArray content; };
    const Case cases[] = {
        {"plain.svg", corner},
        {"packed.svg", gzip(corner)},
        {"plain.svgz", corner},
        {"packed.svgz", gzip(corner)},
        {"members.svgz", gzip(half) + gzip(rest)}, // concatenated gzip members are one document
        {"padded.svgz", gzip(half) + gzip(rest) + QByteArray(70000, '\0')}, // zero padding, as gzip -d reads it
        // Trailing garbage after the last member: gzip -d and librsvg read the document.
        {"junk.svgz", gzip(corner) + QByteArray("trailing junk")},
        {"padded-junk.svgz", gzip(corner) + QByteArray(8, '\0') + "x"},
        {"half-a-signature.svgz", gzip(corner) + QByteArray("\x1f")},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(BaseFormat::load(writeFile(dir, c.name, c.content), d)) << c.name;
        ASSERT_EQ(d.objects().size(), 1u) << c.name;
        expectRect(d.boundingRect(), 10, 10, 20, 10);
    }
    Drawing d;
    EXPECT_FALSE(svg::read(dir.filePath(QStringLiteral("missing.svg")), d));
}

TEST(SvgRead, DamagedCompressionLoadsNothing)
{
    const QByteArray packed = gzip(corner);
    QByteArray corrupt = packed;
    corrupt[20] = char(corrupt[20] ^ 0x55);
    const QByteArray cases[] = {
        packed.left(packed.size() / 2),       // truncated
        packed.left(packed.size() - 4),       // missing its trailer
        corrupt,
        packed + gzip(corner).left(12), // a second member cut short
    };
    for (const QByteArray &c : cases) {
        Drawing d;
        EXPECT_FALSE(readSvg(c, d));
        EXPECT_TRUE(d.objects().empty());
    }
}

TEST(SvgRead, InflatingStopsAtTheLimit)
{
    // A valid document that inflates to 4 MB, under a 1 MB limit.
    const QByteArray big = svgDocument("<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\"/>"
                                       + QByteArray(4 << 20, ' '));
    const QByteArray packed = gzip(big);
    ASSERT_LT(packed.size(), 64 * 1024);
    Drawing d;
    EXPECT_FALSE(readSvg(packed, d, 1 << 20));
    EXPECT_TRUE(d.objects().empty());
    Drawing ok;
    EXPECT_TRUE(readSvg(packed, ok, 8 << 20));
}

TEST(SvgRead, PolygonClosesAndPolylineDoesNot)
{
    struct Case { const char *element; int points; };
    const Case cases[] = {
        {"<polygon points=\"0,0 10,0 10,10\"/>", 4},
        {"<polyline points=\"0,0 10,0 10,10\"/>", 3},
        {"<polygon points=\"0 0,10 0 10,10 7\"/>", 4}, // a lone number at the end is dropped
        {"<polygon points=\" 0,0\n10,0\t10,10 0,0\"/>", 4}, // already closed
        {"<polyline points=\"0,0 10,0 x 5,5\"/>", 2},     // stops at garbage
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(readSvg(svgDocument(c.element), d)) << c.element;
        ASSERT_EQ(d.objects().size(), 1u) << c.element;
        EXPECT_EQ(d.objects()[0]->size(), c.points) << c.element;
    }
    Drawing d;
    ASSERT_TRUE(readSvg(svgDocument("<polygon points=\"0,0 10,0 10,10\"/>"), d));
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{0, 10}, {10, 10}, {10, 0}, {0, 10}}));
}

TEST(SvgRead, GroupTransformsNestAndElementTransformsApply)
{
    struct Case { QByteArray body; double x, y; };
    const Case cases[] = {
        {"<g transform=\"translate(10,0)\"><g transform=\"translate(0,5)\">"
         "<line x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\"/></g></g>", 10, 5},
        // The inner group applies first.
        {"<g transform=\"translate(10,0)\"><g transform=\"scale(2)\">"
         "<line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"1\"/></g></g>", 12, 2},
        // After a group closes its transform no longer applies.
        {"<g transform=\"translate(50,50)\"></g><line x1=\"3\" y1=\"4\" x2=\"4\" y2=\"4\"/>", 3, 4},
        {"<g transform=\"translate(10,0)\"><path transform=\"translate(0,5)\" d=\"M0 0h1\"/></g>", 10, 5},
        {"<rect transform=\"rotate(90)\" x=\"1\" y=\"-2\" width=\"1\" height=\"1\"/>", 1, 1},
        {"<g transform=\"bogus\"><line x1=\"7\" y1=\"8\" x2=\"8\" y2=\"8\"/></g>", 7, 8},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(readSvg(svgDocument(c.body), d)) << c.body.constData();
        EXPECT_NEAR(d.boundingRect().x(), c.x, 1e-9) << c.body.constData();
        EXPECT_NEAR(d.boundingRect().y(), c.y, 1e-9) << c.body.constData();
    }
}

TEST(SvgRead, RectRadiusRules)
{
    // The radii show in the first point (x, y + ry) and in the top edge's
    // straight part, which runs from x + rx to x + w - rx.
    struct Case { const char *attrs; double rx, ry; int points; };
    const Case cases[] = {
        {"width=\"10\" height=\"10\" rx=\"3\"", 3, 3, 0},
        {"width=\"10\" height=\"10\" ry=\"2\"", 2, 2, 0},
        {"width=\"4\" height=\"10\" rx=\"3\"", 2, 3, 0},
        {"width=\"10\" height=\"4\" rx=\"1\" ry=\"5\"", 1, 2, 0},
        {"width=\"10\" height=\"10\"", 0, 0, 5},
        {"width=\"10\" height=\"10\" rx=\"0\"", 0, 0, 5},
        {"width=\"10\" height=\"10\" rx=\"-3\"", 0, 0, 5},
    };
    for (const Case &c : cases) {
        Drawing d;
        const QByteArray body = QByteArray("<rect x=\"20\" y=\"30\" ") + c.attrs + "/>";
        ASSERT_TRUE(readSvg(svgDocument(body), d)) << c.attrs;
        ASSERT_EQ(d.objects().size(), 1u);
        const Object &o = *d.objects()[0];
        const QRectF r = d.boundingRect();
        if (c.points) {
            EXPECT_EQ(o.size(), c.points) << c.attrs;
            continue;
        }
        EXPECT_GT(o.size(), 20) << c.attrs;
        // The drawing is mirrored in y: the file's top edge is the drawing's top.
        double minTopX = 1e9, maxTopX = -1e9, minLeftY = 1e9, maxLeftY = -1e9;
        for (const Object::Point *p : o.points) {
            if (std::abs(p->y - r.bottom()) < 1e-9) {
                minTopX = std::min(minTopX, p->x);
                maxTopX = std::max(maxTopX, p->x);
            }
            if (std::abs(p->x - r.left()) < 1e-9) {
                minLeftY = std::min(minLeftY, p->y);
                maxLeftY = std::max(maxLeftY, p->y);
            }
        }
        EXPECT_NEAR(minTopX - r.left(), c.rx, 1e-9) << c.attrs;
        EXPECT_NEAR(r.right() - maxTopX, c.rx, 1e-9) << c.attrs;
        EXPECT_NEAR(minLeftY - r.top(), c.ry, 1e-9) << c.attrs;
        EXPECT_NEAR(r.bottom() - maxLeftY, c.ry, 1e-9) << c.attrs;
    }
}

TEST(SvgRead, ShapesAndWhatIsNotDrawn)
{
    struct Case { QByteArray body; size_t objects; int points; };
    const Case cases[] = {
        {"<circle cx=\"50\" cy=\"50\" r=\"1\"/>", 1, 1 + 4 * 9},
        {"<circle cx=\"50\" cy=\"50\" r=\"0\"/><circle r=\"-2\"/>", 0, 0},
        {"<ellipse cx=\"50\" cy=\"50\" rx=\"1\" ry=\"1\"/>", 1, 1 + 4 * 9},
        {"<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\"/>", 1, 2},
        {"<path d=\"M0 0h5M10 10h5\"/>", 2, 4},
        {"<text x=\"5\" y=\"5\">Hello</text><image width=\"5\" height=\"5\"/>", 0, 0},
        {"<defs><rect width=\"5\" height=\"5\"/></defs><clipPath><circle r=\"5\"/></clipPath>"
         "<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\" unknown=\"1\"/>", 1, 2},
        {"<svg:line xmlns:svg=\"http://www.w3.org/2000/svg\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\"/>", 1, 2},
    };
    for (const Case &c : cases) {
        Drawing d;
        EXPECT_EQ(readSvg(svgDocument(c.body), d), c.objects > 0) << c.body.constData();
        EXPECT_EQ(d.objects().size(), c.objects) << c.body.constData();
        EXPECT_EQ(pointCount(d), c.points) << c.body.constData();
    }
}

TEST(SvgRead, SizeViewBoxAndPageMapToMillimetres)
{
    const QByteArray rect = "<rect x=\"10\" y=\"20\" width=\"100\" height=\"50\"/>";
    struct Case { QByteArray root; QByteArray extra; double x, y, w, h; };
    const Case cases[] = {
        {"width=\"210mm\" height=\"297mm\" viewBox=\"0 0 210 297\"", "", 10, 20, 100, 50},
        {"width=\"210mm\" height=\"297mm\"", "", 10 / 3.543307, 20 / 3.543307, 100 / 3.543307, 50 / 3.543307},
        {"", "", 10 / 3.543307, 20 / 3.543307, 100 / 3.543307, 50 / 3.543307},
        {"width=\"2in\" height=\"1in\" viewBox=\"0,0,\t200\n100\"", "", 2.54, 5.08, 25.4, 12.7},
        {"width=\"144pt\" height=\"72pt\" viewBox=\"0 0 200 100\"", "", 2.54, 5.08, 25.4, 12.7},
        {"width=\"20cm\" height=\"10cm\" viewBox=\"10 20 200 100\"", "", 0, 0, 100, 50},
        // No size: the view box is shown in pixels.
        {"viewBox=\"0 0 200 100\"", "", 10 / 3.543307, 20 / 3.543307, 100 / 3.543307, 50 / 3.543307},
        {"width=\"100%\" height=\"100%\" viewBox=\"0 0 200 100\"", "", 10 / 3.543307, 20 / 3.543307,
         100 / 3.543307, 50 / 3.543307},
        // A page of another shape than the view box: one scale, centred,
        // unless the aspect ratio is let go.
        {"width=\"100mm\" height=\"200mm\" viewBox=\"0 0 100 100\"", "", 10, 70, 100, 50},
        {"width=\"100mm\" height=\"200mm\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"none\"", "", 10, 40,
         100, 100},
        {"width=\"100mm\" height=\"200mm\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"xMinYMin\"", "", 10,
         20, 100, 50},
        {"width=\"100mm\" height=\"200mm\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"defer xMaxYMax meet\"",
         "", 10, 120, 100, 50},
        {"width=\"100mm\" height=\"200mm\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"xMidYMid slice\"", "",
         -30, 40, 200, 100},
        {"width=\"200mm\" height=\"100mm\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"bogus\"", "", 60, 20,
         100, 50},
        // A cutting program's page size replaces the scale.
        {"width=\"1mm\" height=\"1mm\" viewBox=\"0 0 200 100\"",
         "<MaxPageSize><w>4</w><h>2</h><unit>Inches</unit></MaxPageSize>", 5.08, 10.16, 50.8, 25.4},
        {"viewBox=\"0 0 200 100\"",
         "<MaxPageSize><w> 400 </w><h>100</h><unit>Millimeters</unit></MaxPageSize>", 20, 20, 200, 50},
        {"viewBox=\"0 0 200 100\"",
         "<MaxPageSize><w>0</w><h>100</h><unit>Millimeters</unit></MaxPageSize>", 10 / 3.543307,
         20 / 3.543307, 100 / 3.543307, 50 / 3.543307},
        // Unusable view boxes are ignored.
        {"width=\"100mm\" height=\"100mm\" viewBox=\"0 0 100\"", "", 10 / 3.543307, 20 / 3.543307,
         100 / 3.543307, 50 / 3.543307},
        {"width=\"100mm\" height=\"100mm\" viewBox=\"0 0 -5 0\"", "", 10 / 3.543307, 20 / 3.543307,
         100 / 3.543307, 50 / 3.543307},
        {"width=\"100mm\" height=\"100mm\" viewBox=\"0 0 abc 1e999\"", "", 10 / 3.543307, 20 / 3.543307,
         100 / 3.543307, 50 / 3.543307},
        // One flat side borrows the other's scale.
        {"width=\"0mm\" height=\"100mm\" viewBox=\"0 0 0 100\"", "", 10, 20, 100, 50},
    };
    for (const Case &c : cases) {
        Drawing d;
        const QByteArray doc = "<svg " + c.root + ">" + c.extra + rect + "</svg>";
        ASSERT_TRUE(readSvg(doc, d)) << doc.constData();
        SCOPED_TRACE(doc.constData());
        expectRect(d.boundingRect(), c.x, c.y, c.w, c.h, 1e-5);
    }
}

TEST(SvgRead, PercentagesOfShapesAreOfTheViewport)
{
    // A page twice as wide as high, one user unit a millimetre.
    const double r = std::hypot(200.0, 100.0) / std::sqrt(2.0) / 10;
    struct Case { QByteArray body; double x, y, w, h; };
    const Case cases[] = {
        {"<rect x=\"10%\" y=\"20%\" width=\"50%\" height=\"50%\"/>", 20, 20, 100, 50},
        {"<rect width=\"100%\" height=\"100%\" rx=\"5%\" ry=\" 10% \"/>", 0, 0, 200, 100},
        {"<circle cx=\"50%\" cy=\"50%\" r=\"10%\"/>", 100 - r, 50 - r, 2 * r, 2 * r},
        {"<ellipse cx=\"50%\" cy=\"50%\" rx=\"10%\" ry=\"10%\"/>", 80, 40, 40, 20},
        {"<line x1=\"0\" y1=\"0\" x2=\"100%\" y2=\"100%\"/>", 0, 0, 200, 100},
        // A nested viewport is the reference of its own content.
        {"<svg x=\"10\" y=\"10\" width=\"40\" height=\"20\"><rect width=\"100%\" height=\"50%\"/></svg>", 10,
         10, 40, 10},
    };
    for (const Case &c : cases) {
        Drawing d;
        const QByteArray doc = R"(<svg xmlns="http://www.w3.org/2000/svg" width="200mm" height="100mm" )"
                               R"(viewBox="0 0 200 100">)" + c.body + "</svg>";
        ASSERT_TRUE(readSvg(doc, d)) << doc.constData();
        SCOPED_TRACE(doc.constData());
        expectRect(d.boundingRect(), c.x, c.y, c.w, c.h, 1e-3);
    }
    // Without a viewport size a percentage stays a number of pixels.
    Drawing d;
    ASSERT_TRUE(readSvg(R"(<svg xmlns="http://www.w3.org/2000/svg"><rect width="90%" height="90%"/></svg>)", d));
    expectRect(d.boundingRect(), 0, 0, 90 / 3.543307, 90 / 3.543307, 1e-3);
}

TEST(SvgRead, HugeAndNonFiniteNumbersNeverReachTheDrawing)
{
    const QByteArray bodies[] = {
        "<line x1=\"nan\" y1=\"inf\" x2=\"1e999\" y2=\"5\"/><line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"2\"/>",
        "<g transform=\"scale(1e300)\"><g transform=\"scale(1e300)\"><line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"2\"/>"
        "</g></g><line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"2\"/>",
        "<path d=\"M1 1L2 2M1e308 0 l1e308 0\"/>",
        "<circle cx=\"1e308\" cy=\"0\" r=\"1e308\"/><rect x=\"1e308\" width=\"1e308\" height=\"1\"/>"
        "<line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"2\"/>",
        "<path d=\"M1 1 L 2 2 A 1e308 1e308 0 0 1 1e308 1e308\"/>",
    };
    for (const QByteArray &b : bodies) {
        Drawing d;
        ASSERT_TRUE(readSvg(svgDocument(b), d)) << b.constData();
        EXPECT_TRUE(allFinite(d)) << b.constData();
        EXPECT_TRUE(std::isfinite(d.boundingRect().width()) && std::isfinite(d.boundingRect().height()));
    }
    Drawing d;
    const QByteArray huge = "<svg width=\"1e300mm\" height=\"1e300mm\" viewBox=\"-1e308 -1e308 1e-300 1e-300\">"
                            "<line x1=\"1\" y1=\"1\" x2=\"2\" y2=\"2\"/></svg>";
    readSvg(huge, d);
    EXPECT_TRUE(allFinite(d));
}

TEST(SvgRead, DamagedOrEmptyDocumentsLoadNothing)
{
    const QByteArray line = "<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\"/>";
    const QByteArray cases[] = {
        "",
        "<svg/>",
        svgDocument("<text>only text</text>"),
        // Cut off after a complete shape: the rest of the drawing is missing,
        // so none of it is loaded.
        "<svg>" + line + line,
        "<svg>" + line + "<line x1=\"0\"",
        "<svg>" + line + "</g></svg>",
        svgDocument(line) + "<svg>",
        "not xml at all",
        "<!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
        "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]><svg><text>&e;&e;&e;&e;&e;&e;</text>"
        + line + "</svg>",
    };
    for (const QByteArray &c : cases) {
        Drawing d;
        EXPECT_FALSE(readSvg(c, d)) << c.constData();
        EXPECT_TRUE(d.objects().empty()) << c.constData();
    }
}

TEST(SvgRead, DeeplyNestedGroupsDoNotExhaustTheStack)
{
    const int depth = 200000;
    QByteArray doc = "<svg>";
    for (int i = 0; i < depth; ++i)
        doc += i % 1000 == 0 ? "<g transform=\"translate(0.001,0)\">" : "<g>";
    doc += "<line x1=\"0\" y1=\"0\" x2=\"3.543307\" y2=\"0\"/>";
    for (int i = 0; i < depth; ++i)
        doc += "</g>";
    doc += "</svg>";
    Drawing d;
    ASSERT_TRUE(readSvg(doc, d));
    EXPECT_NEAR(d.boundingRect().x(), 0.2 / 3.543307, 1e-9);
    EXPECT_NEAR(d.boundingRect().width(), 1, 1e-9);
}

TEST(SvgRead, ReportsProgressUpToTheEnd)
{
    QByteArray body;
    for (int i = 0; i < 2000; ++i)
        body += "<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\"/>";
    std::vector<double> seen;
    BaseFormat::loadProgress = [&seen](double f) { seen.push_back(f); };
    Drawing d;
    for (const QByteArray &doc : {svgDocument(body), gzip(svgDocument(body))}) {
        seen.clear();
        ASSERT_TRUE(readSvg(doc, d));
        ASSERT_EQ(seen.size(), 2000u);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_GT(seen.front(), 0);
        EXPECT_LE(seen.back(), 1.0);
        EXPECT_GT(seen.back(), 0.9);
    }
    BaseFormat::loadProgress = nullptr;
}

TEST(SvgWrite, WritesHeaderGroupAndOnePolylinePerObject)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.svg"));
    Drawing d;
    addShape(d, {{0, 0}, {10, 0}, {10, 5.5}});
    addShape(d, {{2.1234567, 1}, {-1, 3}});
    d.updateBoundingRect();
    ASSERT_TRUE(svg::write(path, d));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"
                         "<svg width=\"11mm\" height=\"5.5mm\" viewBox=\"-1 0 11 5.5\" "
                         "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"  "
                         "version=\"1.2\" baseProfile=\"tiny\">\r\n"
                         "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" fill-rule=\"evenodd\" "
                         "stroke-linecap=\"square\" stroke-linejoin=\"bevel\" >\r\n\r\n"
                         "<polyline fill=\"none\" points=\"0,5.5 10,5.5 10,0 \" />\r\n"
                         "<polyline fill=\"none\" points=\"2.12346,4.5 -1,2.5 \" />\r\n"
                         "</g>\r\n</svg>\r\n"));
    // The document itself is not mirrored.
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{0, 0}, {10, 0}, {10, 5.5}}));
}

TEST(SvgWrite, EmptyDrawingHasNoPolyline)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.svg"));
    ASSERT_TRUE(svg::write(path, Drawing()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n<svg width=\"0mm\""));
    EXPECT_TRUE(text.endsWith(" >\r\n\r\n</g>\r\n</svg>\r\n"));
    EXPECT_FALSE(text.contains("polyline"));
    EXPECT_FALSE(svg::write(dir.filePath(QStringLiteral("no/such/dir/x.svg")), Drawing()));
}

TEST(SvgWrite, ReadingTheOutputBackGivesTheDrawing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.svg"));
    Drawing d;
    addShape(d, square(5, 7, 20));
    addShape(d, {{12, 9}, {15.25, 30.5}, {8, 26}});
    d.updateBoundingRect();
    ASSERT_TRUE(svg::write(path, d));
    Drawing back;
    ASSERT_TRUE(svg::read(path, back));
    ASSERT_EQ(back.objects().size(), 2u);
    expectRect(back.boundingRect(), 0, 0, 20, 23.5);
    for (size_t o = 0; o < 2; ++o) {
        const Pts a = pointsOf(*d.objects()[o]), b = pointsOf(*back.objects()[o]);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(b[i].first, a[i].first - 5, 1e-9);
            EXPECT_NEAR(b[i].second, a[i].second - 7, 1e-9);
        }
    }
}
