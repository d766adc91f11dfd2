#include "formats/svgpathdata.h"
#include "formats/svgscan.h"
#include "formats/svgtransform.h"

#include <QPainterPath>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace svg;

namespace {

struct El
{
    int type; // QPainterPath::ElementType
    double x, y;
};

std::vector<El> elements(const char *d, bool *complete = nullptr)
{
    const QString text = QString::fromLatin1(d);
    QPainterPath path;
    const bool ok = appendPathData(QStringRef(&text), path);
    if (complete)
        *complete = ok;
    std::vector<El> out;
    for (int i = 0; i < path.elementCount(); ++i)
        out.push_back({int(path.elementAt(i).type), path.elementAt(i).x, path.elementAt(i).y});
    return out;
}

constexpr int M = QPainterPath::MoveToElement, L = QPainterPath::LineToElement,
              C = QPainterPath::CurveToElement, D = QPainterPath::CurveToDataElement;

std::string describe(const std::vector<El> &els)
{
    std::string s;
    for (const El &e : els)
        s += "MLCD"[e.type] + std::to_string(e.x) + "," + std::to_string(e.y) + " ";
    return s;
}

void expectElements(const char *d, const std::vector<El> &want, bool wantComplete = true)
{
    bool complete = false;
    const std::vector<El> got = elements(d, &complete);
    EXPECT_EQ(complete, wantComplete) << d;
    ASSERT_EQ(got.size(), want.size()) << d << " gave " << describe(got);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, want[i].type) << d << " element " << i;
        EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << d << " element " << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << d << " element " << i;
    }
}

} // namespace

TEST(SvgPathData, LinesAbsoluteRelativeAndImplicit)
{
    struct Case { const char *d; std::vector<El> want; };
    const Case cases[] = {
        {"M0 0L10 0 10 10z", {{M, 0, 0}, {L, 10, 0}, {L, 10, 10}, {L, 0, 0}}},
        {"m1 1 2 0 0 2", {{M, 1, 1}, {L, 3, 1}, {L, 3, 3}}},
        {"M0,0H10V10h-5v-5", {{M, 0, 0}, {L, 10, 0}, {L, 10, 10}, {L, 5, 10}, {L, 5, 5}}},
        {"M1.5.5L-.5-1e1", {{M, 1.5, 0.5}, {L, -0.5, -10}}},
        {"M0 0 L1e-3,2E+1 , 3 4", {{M, 0, 0}, {L, 0.001, 20}, {L, 3, 4}}},
        {"M0 0L5 0Z l0 5", {{M, 0, 0}, {L, 5, 0}, {L, 0, 0}, {M, 0, 0}, {L, 0, 5}}},
        {"M 0 0 L 5 0 M 20 0 l 5 5", {{M, 0, 0}, {L, 5, 0}, {M, 20, 0}, {L, 25, 5}}},
        {"M1 1m2 2", {{M, 3, 3}}}, // a move straight after a move replaces it
        {"  ", {}},
    };
    for (const Case &c : cases)
        expectElements(c.d, c.want);
}

TEST(SvgPathData, CurvesAndSmoothReflections)
{
    struct Case { const char *d; std::vector<El> want; };
    const Case cases[] = {
        {"M0 0C0 10 10 10 10 0", {{M, 0, 0}, {C, 0, 10}, {D, 10, 10}, {D, 10, 0}}},
        {"M1 1c0 10 10 10 10 0", {{M, 1, 1}, {C, 1, 11}, {D, 11, 11}, {D, 11, 1}}},
        // S reflects the previous second control point (10,10) about (10,0).
        {"M0 0C0 10 10 10 10 0S20-10 20 0",
         {{M, 0, 0}, {C, 0, 10}, {D, 10, 10}, {D, 10, 0}, {C, 10, -10}, {D, 20, -10}, {D, 20, 0}}},
        // S after a line takes the current point as its first control point.
        {"M0 0L5 0s5 5 5 0", {{M, 0, 0}, {L, 5, 0}, {C, 5, 0}, {D, 10, 5}, {D, 10, 0}}},
        // Q becomes the cubic with control points 2/3 of the way to (3,6).
        {"M0 0Q3 6 6 0", {{M, 0, 0}, {C, 2, 4}, {D, 4, 4}, {D, 6, 0}}},
        // T reflects the quadratic control point: (3,6) about (6,0) is (9,-6).
        {"M0 0Q3 6 6 0T12 0", {{M, 0, 0}, {C, 2, 4}, {D, 4, 4}, {D, 6, 0}, {C, 8, -4}, {D, 10, -4}, {D, 12, 0}}},
        {"M0 0t6 0", {{M, 0, 0}, {C, 0, 0}, {D, 2, 0}, {D, 6, 0}}},
    };
    for (const Case &c : cases)
        expectElements(c.d, c.want);
}

TEST(SvgPathData, ArcsBecomeCubicsThroughTheRightSide)
{
    struct Case { const char *d; double minX, minY, maxX, maxY; int curves; };
    const Case cases[] = {
        {"M0 0A10 10 0 0 1 20 0", 0, -10, 20, 0, 2},  // upper half (y down)
        {"M0 0A10 10 0 0 0 20 0", 0, 0, 20, 10, 2},   // lower half
        {"M0 0a10 10 0 1020 0", 0, 0, 20, 10, 2},     // flags without separators
        {"M0 0A1 1 0 0 1 20 0", 0, -10, 20, 0, 2},    // radius too small: scaled up
        {"M0 0A5 5 0 1 1 0 10", 0, 0, 5, 10, 2},       // half a circle, clockwise on screen
        {"M0 0A10 5 90 0 1 10 0", 0, -10, 10, 0, 2},   // rotated ellipse, half of it
        {"M0 0A20 10 0 1 1 10 0", -15, -19.682, 25, 0, 4}, // large arc, the far way round
    };
    for (const Case &c : cases) {
        const QString text = QString::fromLatin1(c.d);
        QPainterPath path;
        ASSERT_TRUE(appendPathData(QStringRef(&text), path)) << c.d;
        int curves = 0;
        for (int i = 0; i < path.elementCount(); ++i)
            curves += path.elementAt(i).type == QPainterPath::CurveToElement;
        const QRectF r = path.boundingRect(); // tight for curves
        EXPECT_EQ(curves, c.curves) << c.d;
        EXPECT_NEAR(r.left(), c.minX, 0.1) << c.d;
        EXPECT_NEAR(r.top(), c.minY, 0.1) << c.d;
        EXPECT_NEAR(r.right(), c.maxX, 0.1) << c.d;
        EXPECT_NEAR(r.bottom(), c.maxY, 0.1) << c.d;
        const QPointF end = path.currentPosition();
        EXPECT_EQ(end, path.elementAt(path.elementCount() - 1)) << c.d;
    }
    // A zero radius is a straight line; an arc to its own start draws nothing.
    expectElements("M0 0A0 5 0 0 1 10 0", {{M, 0, 0}, {L, 10, 0}});
    expectElements("M3 3A5 5 0 0 1 3 3", {{M, 3, 3}});
}

TEST(SvgPathData, StopsAtTheFirstErrorKeepingWhatCameBefore)
{
    struct Case { const char *d; std::vector<El> want; bool complete = false; };
    const Case cases[] = {
        {"L5 5", {}},                               // must start with a move
        {"M0 0 L10 x 20", {{M, 0, 0}}},
        {"M0 0 L10 0 # L 5 5", {{M, 0, 0}, {L, 10, 0}}},
        {"M0 0 Z 5 5", {{M, 0, 0}}},                // numbers after Z
        {"M0 0 L1e999 0 L5 5", {{M, 0, 0}}},          // no infinite coordinates
        {"M0 0 l1e127 0 l1e128 0", {{M, 0, 0}, {L, 1e127, 0}}}, // nor sums beyond what paths hold
        {"M0 0 C1 1 2 2", {{M, 0, 0}}},             // too few numbers
        {"M0 0 A5 5 0 2 1 3 3", {{M, 0, 0}}},       // a flag is 0 or 1
        {"M0 0 Lnan 5 infinity 2", {{M, 0, 0}}},
        {"M0 0 L1e-999 5", {{M, 0, 0}, {L, 0, 5}}, true}, // underflow is zero, not an error
    };
    for (const Case &c : cases)
        expectElements(c.d, c.want, c.complete);
}

TEST(SvgTransform, FunctionsAndTheirOrder)
{
    struct Case { const char *text; QPointF in, out; bool ok; };
    const Case cases[] = {
        {"translate(10)", {1, 2}, {11, 2}, true},
        {"translate(10,5)", {1, 2}, {11, 7}, true},
        {"scale(2)", {1, 2}, {2, 4}, true},
        {"scale(2 3)", {1, 2}, {2, 6}, true},
        {"rotate(90)", {1, 0}, {0, 1}, true},
        {"rotate(90 10 10)", {10, 0}, {20, 10}, true},
        {"skewX(45)", {0, 1}, {1, 1}, true},
        {"skewY(45)", {1, 0}, {1, 1}, true},
        {"matrix(1 0 0 1 5 6)", {1, 2}, {6, 8}, true},
        {"matrix(0,1,-1,0,0,0)", {1, 0}, {0, 1}, true},
        // The function written last applies first.
        {"translate(10) scale(2)", {1, 1}, {12, 2}, true},
        {"scale(2),translate(10)", {1, 1}, {22, 2}, true},
        {"  translate( 1 , 2 )  ", {0, 0}, {1, 2}, true},
        // Malformed lists are ignored as a whole.
        {"rotate(45 10)", {1, 2}, {1, 2}, false},
        {"translate(10) bogus(1)", {1, 2}, {1, 2}, false},
        {"scale()", {1, 2}, {1, 2}, false},
        {"matrix(1 2 3)", {1, 2}, {1, 2}, false},
        {"translate(1 2 3)", {1, 2}, {1, 2}, false},
        {"scale(1e200) scale(1e200)", {1, 2}, {1, 2}, false},
        {"", {1, 2}, {1, 2}, true},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        bool ok = !c.ok;
        const QPointF p = parseTransform(QStringRef(&text), &ok).map(c.in);
        EXPECT_EQ(ok, c.ok) << c.text;
        EXPECT_NEAR(p.x(), c.out.x(), 1e-9) << c.text;
        EXPECT_NEAR(p.y(), c.out.y(), 1e-9) << c.text;
    }
}

TEST(SvgScan, LengthsInMillimetresAndPixels)
{
    struct Case { const char *text; double mm; double px; };
    const Case cases[] = {
        {"90", 90 / PixelsPerMm, 90},
        {"10mm", 10, 10 * PixelsPerMm},
        {" 2cm ", 20, 20 * PixelsPerMm},
        {"1in", 25.4, 25.4 * PixelsPerMm},
        {"72pt", 25.4, 25.4 * PixelsPerMm},
        {"6pc", 25.4, 25.4 * PixelsPerMm},
        {"50%", 50 / PixelsPerMm, 50},
        {"5px", 5 / PixelsPerMm, 5},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        const auto mm = lengthInMm(QStringRef(&text));
        ASSERT_TRUE(mm.has_value()) << c.text;
        EXPECT_NEAR(*mm, c.mm, 1e-6) << c.text;
        EXPECT_NEAR(lengthInPixels(QStringRef(&text)), c.px, 1e-6) << c.text;
    }
    for (const char *bad : {"", "abc", "10em", "1e999", "nan", "inf", "5 5"}) {
        const QString text = QString::fromLatin1(bad);
        EXPECT_FALSE(lengthInMm(QStringRef(&text)).has_value()) << bad;
        EXPECT_EQ(lengthInPixels(QStringRef(&text)), 0) << bad;
    }
    const QString percent = QStringLiteral("100%");
    EXPECT_FALSE(lengthInMm(QStringRef(&percent), false).has_value());
}
