#include "dxftestsupport.h"
#include "testsupport.h"

#include <QtGlobal>

#include <chrono>

using namespace test;

namespace {

using DxfDamaged = DxfOptions;

const QStringList Valid{
    "0", "SECTION", "2", "HEADER", "9", "$INSUNITS", "70", "4", "0", "ENDSEC",
    "0", "SECTION", "2", "ENTITIES",
    "0", "LINE", "10", "0", "20", "0", "11", "1", "21", "0",
    "0", "LWPOLYLINE", "90", "3", "70", "1", "10", "0", "20", "0", "42", "0.5", "10", "1", "20", "0",
    "10", "1", "20", "1",
    "0", "SPLINE", "71", "2", "72", "6", "73", "3", "40", "0", "40", "0", "40", "0", "40", "1",
    "40", "1", "40", "1", "10", "0", "20", "0", "10", "1", "20", "1", "10", "2", "20", "0",
    "0", "ARC", "10", "0", "20", "0", "40", "1", "50", "0", "51", "90",
    "0", "ELLIPSE", "10", "0", "20", "0", "11", "1", "21", "0", "40", "0.5",
    "0", "POLYLINE", "0", "VERTEX", "10", "1", "20", "1", "0", "SEQEND",
    "0", "ENDSEC", "0", "EOF"};

QStringList messages;
void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    messages << text;
}

} // namespace

TEST_F(DxfDamaged, EveryTruncationLoadsAPrefixOrNothing)
{
    const std::string text = dxfText(Valid);
    for (size_t n = 0; n <= text.size(); ++n) {
        Drawing d;
        readDxf(text.substr(0, n), d);
        for (const Object *o : d.objects())
            for (const Object::Point *p : o->points)
                ASSERT_TRUE(std::isfinite(p->x) && std::isfinite(p->y)) << n;
    }
    Drawing whole;
    ASSERT_TRUE(readDxf(text, whole));
    EXPECT_EQ(whole.objects().size(), 6u);
}

TEST_F(DxfDamaged, HugeCountsAllocateOnlyWhatArrives)
{
    // 2^31 − 1 vertices, knots and control points declared, three given.
    const QStringList body{
        "0", "SECTION", "2", "ENTITIES",
        "0", "LWPOLYLINE", "90", "2147483647", "70", "1", "10", "0", "20", "0", "10", "1", "20", "0", "10", "1", "20", "1",
        "0", "SPLINE", "71", "1", "72", "2147483647", "73", "2147483647", "40", "0", "40", "0", "40", "1", "40", "2",
        "40", "2", "10", "0", "20", "0", "10", "1", "20", "0", "10", "1", "20", "1",
        "0", "LWPOLYLINE", "90", "-5", "10", "3", "20", "3",   // negative: no vertices
        "0", "LWPOLYLINE", "90", "99999999999999", "10", "4", "20", "4",
        "0", "EOF"};
    Drawing d;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(readDxf(dxfText(body), d));
    // Not a timing test: a reader that walked the declared counts would not
    // come back at all.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_EQ(d.objects().size(), 3u);
    EXPECT_EQ(d.objects()[0]->size(), 4);      // three vertices and the closing one
    EXPECT_EQ(d.objects()[1]->size(), 8 * 3);  // the control points that exist
    EXPECT_EQ(pointsOf(*d.objects()[2]), (Pts{{4 * 25.4, 4 * 25.4}}));
}

TEST_F(DxfDamaged, OddGroupCodesAndValues)
{
    struct Case { const char *what; QStringList body; size_t objects; };
    const Case cases[] = {
        // A code that is no number costs its value and one more line.
        {"text code", {"0", "LINE", "ten", "5", "x", "10", "0", "20", "0", "11", "1", "21", "1"}, 1},
        {"empty code", {"0", "LINE", "", "x", "y", "10", "0", "20", "0", "11", "1", "21", "1"}, 1},
        {"negative and huge codes", {"0", "LINE", "-3", "1", "1100", "5", "2147483648", "1", "z",
                                     "100000", "7", "10", "0", "20", "0", "11", "1", "21", "1"}, 1},
        // Every value reads as 0: a line of length 0, which is no object.
        {"numbers that are not", {"0", "LINE", "10", "nan", "20", "1e999", "11", "abc", "21", "--1"}, 0},
        {"lower-case name", {"0", "line", "10", "0", "20", "0", "11", "1", "21", "1"}, 0},
        {"bulge out of range", {"0", "LWPOLYLINE", "90", "2", "10", "0", "20", "0", "42", "1e300",
                                "10", "1", "20", "0"}, 1},
        {"values before the first vertex", {"0", "LWPOLYLINE", "90", "1", "20", "9", "42", "1", "10", "2", "20", "3"}, 1},
        {"vertex without a polyline", {"0", "VERTEX", "10", "1", "20", "1"}, 0},
        {"huge coordinates", {"0", "LINE", "10", "1e308", "20", "0", "11", "-1e308", "21", "0",
                              "0", "CIRCLE", "40", "1e308"}, 0},
        {"knots all equal", {"0", "SPLINE", "71", "1", "72", "4", "73", "2", "40", "1", "40", "1", "40", "1",
                             "40", "1", "10", "0", "20", "0", "10", "1", "20", "1"}, 0},
    };
    for (const Case &c : cases) {
        Drawing d;
        readDxf(dxfText(QStringList{"0", "SECTION", "2", "ENTITIES"} + c.body + QStringList{"0", "EOF"}), d);
        EXPECT_EQ(d.objects().size(), c.objects) << c.what;
        for (const Object *o : d.objects())
            for (const Object::Point *p : o->points)
                EXPECT_TRUE(std::isfinite(p->x) && std::isfinite(p->y)) << c.what;
    }
}

TEST_F(DxfDamaged, LineEndsAndAMissingEofAfterTheLastSectionDoNotMatter)
{
    std::string lf = dxfText(Valid);
    std::string crlf;
    for (char ch : lf)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const std::string noEof = dxfText(Valid.mid(0, Valid.size() - 2)); // ends with ENDSEC
    const std::string blanks = dxfText(Valid) + "\n\n   \n";
    Drawing a, b, c, e;
    ASSERT_TRUE(readDxf(lf, a));
    ASSERT_TRUE(readDxf(crlf, b));
    ASSERT_TRUE(readDxf(noEof, c));
    ASSERT_TRUE(readDxf(blanks, e));
    ASSERT_EQ(a.objects().size(), b.objects().size());
    for (size_t i = 0; i < a.objects().size(); ++i)
        EXPECT_EQ(pointsOf(*a.objects()[i]), pointsOf(*b.objects()[i]));
    EXPECT_EQ(c.objects().size(), a.objects().size());
    EXPECT_EQ(e.objects().size(), a.objects().size());
}

// A download or copy that broke off inside a section: the shapes after the
// cut would simply not be cut, so the whole file is refused.
TEST_F(DxfDamaged, FileCutShortInsideASectionIsRefused)
{
    const std::string text = dxfText(Valid);
    const size_t entities = text.find("ENTITIES");
    const size_t lastEndsec = text.rfind("ENDSEC");
    for (size_t n : {entities + 9, text.find("LWPOLYLINE"), text.find("ARC") + 20, lastEndsec - 3, lastEndsec + 3}) {
        SCOPED_TRACE(n);
        messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        Drawing d;
        EXPECT_FALSE(readDxf(text.substr(0, n), d));
        qInstallMessageHandler(previous);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0], QStringLiteral("DXF: the file ends inside a section without its EOF group; it was cut short"));
    }
    // Content that follows a complete EOF does not make the file truncated.
    Drawing after;
    EXPECT_TRUE(readDxf(text + "0\nSECTION\n2\nENTITIES\n", after));
}

TEST_F(DxfDamaged, BinaryDxfIsRefusedWithAReason)
{
    std::string binary("AutoCAD Binary DXF\r\n\x1a\0", 22);
    binary += std::string("\0\x07SECTION\0\x02HEADER\0", 19);
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    Drawing d;
    const bool ok = readDxf(binary, d);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(d.objects().empty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QLatin1String("binary DXF"))) << messages[0].toStdString();
}

TEST_F(DxfDamaged, ByteOrderMarkIsSkipped)
{
    Drawing d;
    ASSERT_TRUE(readDxf("\xEF\xBB\xBF" + dxfText(Valid), d));
    EXPECT_EQ(d.objects().size(), 6u);
}

TEST_F(DxfDamaged, SecondSmallerVertexCountDropsTheOpenVertex)
{
    // Found by the fuzzer: a code 90 after the vertices shrank the array
    // under the vertex that the next code 20 then wrote to.
    const QStringList body{"0", "SECTION", "2", "ENTITIES", "0", "LWPOLYLINE", "90", "4",
                           "10", "0", "20", "0", "10", "4", "90", "0", "20", "5", "42", "1",
                           "10", "9", "20", "9", "0", "POINT", "10", "1", "20", "1", "0", "EOF"};
    Drawing d;
    ASSERT_TRUE(readDxf(dxfText(body), d));
    ASSERT_EQ(d.objects().size(), 1u);
    EXPECT_EQ(pointsOf(*d.objects()[0]), (Pts{{25.4, 25.4}}));
}
