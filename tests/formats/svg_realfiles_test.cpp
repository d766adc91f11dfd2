#include "formats/svg.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace test;

// Files written by other programs (see tests/data/svg/README.md), compared
// with the extents the svgelements library computes for them.
TEST(SvgRealFiles, ExtentsAgreeWithAnIndependentReader)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    const QFileInfoList files = QDir(dataPath("svg")).entryInfoList(
        {QStringLiteral("*.svg"), QStringLiteral("*.svgz")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 6);
    bool compared = false;
    for (const QFileInfo &file : files) {
        SCOPED_TRACE(file.fileName().toStdString());
        Drawing d;
        ASSERT_TRUE(svg::read(file.filePath(), d));

        QProcess p;
        p.start(python, {QStringLiteral(SVG_EXTENTS_SCRIPT), file.filePath()});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() == 2)
            GTEST_SKIP() << "python3-svgelements is not installed";
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        const QStringList v = QString::fromLatin1(p.readAllStandardOutput()).split(QLatin1Char(' '));
        ASSERT_EQ(v.size(), 4);
        const double minX = v[0].toDouble(), minY = v[1].toDouble(), maxX = v[2].toDouble(),
                     maxY = v[3].toDouble();

        // Flattened curves lie on the curve, so our extents may fall short by
        // the sagitta of a flattening step: well under 1 % of the size.
        const QRectF r = d.boundingRect();
        const double tol = 0.01 * std::max(maxX - minX, maxY - minY) + 1e-3;
        EXPECT_NEAR(r.left(), minX, tol);
        EXPECT_NEAR(r.right(), maxX, tol);
        // The drawing is mirrored within its bounds, which keep their place.
        EXPECT_NEAR(r.top(), minY, tol);
        EXPECT_NEAR(r.bottom(), maxY, tol);
        compared = true;
    }
    EXPECT_TRUE(compared);
}

namespace {

// Bounding box of the dark pixels inside `area` (pixels).
QRect inkBox(const QImage &img, const QRect &area)
{
    int minX = INT_MAX, minY = INT_MAX, maxX = -1, maxY = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qAlpha(img.pixel(x, y)) < 128)
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    return maxX < 0 ? QRect() : QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

} // namespace

TEST(SvgRealFiles, OurOutputRendersWithRsvg)
{
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty())
        GTEST_SKIP() << "librsvg2-bin is not installed";
    QTemporaryDir dir;
    const QString svgPath = dir.filePath(QStringLiteral("out.svg"));
    const QString pngPath = dir.filePath(QStringLiteral("out.png"));

    // A 60 × 40 mm frame and a small square near its top left (y up).
    Drawing d;
    addShape(d, {{0, 0}, {0, 40}, {60, 40}, {60, 0}, {0, 0}});
    addShape(d, square(10, 25, 10));
    d.updateBoundingRect();
    ASSERT_TRUE(svg::write(svgPath, d));

    QProcess p;
    p.start(rsvg, {QStringLiteral("--dpi-x=254"), QStringLiteral("--dpi-y=254"), QStringLiteral("-o"), pngPath,
                   svgPath});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    QImage img(pngPath);
    ASSERT_FALSE(img.isNull());

    // 254 dpi: 10 pixels per millimetre.
    EXPECT_NEAR(img.width(), 600, 1);
    EXPECT_NEAR(img.height(), 400, 1);
    // The small square, found away from the frame: 10 … 20 mm from the left
    // and, y pointing down in the picture, 40 - 35 = 5 … 15 mm from the top.
    // The 1 mm stroke widens it by half a millimetre on each side.
    const QRect inner = inkBox(img, QRect(30, 30, 540, 340));
    ASSERT_FALSE(inner.isNull());
    EXPECT_NEAR(inner.left(), 95, 3);
    EXPECT_NEAR(inner.right(), 205, 3);
    EXPECT_NEAR(inner.top(), 45, 3);
    EXPECT_NEAR(inner.bottom(), 155, 3);
    // The frame's stroke is drawn along the picture's edges.
    EXPECT_GT(qAlpha(img.pixel(300, 2)), 128);
    EXPECT_GT(qAlpha(img.pixel(2, 200)), 128);
    EXPECT_EQ(qAlpha(img.pixel(300, 300)), 0);
}
