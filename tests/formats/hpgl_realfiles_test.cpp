#include "formats/hpgl.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace test;

namespace {

// Files whose extents cannot agree with hp2xx's, and why (see also
// tests/data/hpgl/README.md).
const std::map<QString, const char *> &knownDifferences()
{
    static const char *rotated = "RO turns the plot; it is not read, so the extents come out turned";
    static const char *text = "hp2xx draws labels and symbols, which are text and skipped here";
    static const std::map<QString, const char *> files = {
        {QStringLiteral("286x192.5_lh.hpg"), rotated},
        {QStringLiteral("286x192.5_qh.hpg"), rotated},
        {QStringLiteral("286x192.5_qh2.hpg"), rotated},
        {QStringLiteral("fig2dev_eschertr.plt"), rotated},
        {QStringLiteral("rainbow_bands.plt"), rotated},
        {QStringLiteral("286x192.5_qq.hpg"), "hp2xx clips to the IW window; IW is not read"},
        {QStringLiteral("iw.hp"), "hp2xx clips to the IW window; IW is not read"},
        {QStringLiteral("cp.hp"), text},
        {QStringLiteral("lo.hp"), text},
        {QStringLiteral("symbols.hp"), text},
        {QStringLiteral("ul.hp"), text},
        {QStringLiteral("win_1.hp"), text},
        {QStringLiteral("pstoedit_illusion.plt"), text},
        {QStringLiteral("bz.hp"), "BZ (Bezier curves) is not read"},
        {QStringLiteral("ci.hp"), "CI (circles) is not read; the file draws nothing else"},
        {QStringLiteral("ew.hpg"), "EW (wedges) is not read; the file draws nothing else"},
        {QStringLiteral("fwedges.plt"), "EW and WG (wedges) and RA are not read"},
        {QStringLiteral("fill.plt"), "RA/EA rectangles and fill patterns are not read; IW clipping"},
        {QStringLiteral("plotutils_limitcycle.plt"),
         "hp2xx counts the start of each polygon-mode (PM0) figure unscaled, in user units, in its "
         "range: 'PA2000,8000;PM0;PD;PA2000,7880' widens it to 8000 plotter units where the figure lies at 6502"},
        {QStringLiteral("pages.hp"), "EA rectangles are not read; three pages, hp2xx measures each"},
        
    };
    return files;
}

// hp2xx's extents of what it draws, in plotter units; empty when it drew
// nothing. "-N" keeps a page size command from widening the range.
bool hp2xxExtents(const QString &hp2xx, const QString &file, const QString &scratch, QRectF &range)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(hp2xx, {QStringLiteral("-N"), QStringLiteral("-m"), QStringLiteral("eps"), QStringLiteral("-f"), scratch, file});
    if (!p.waitForFinished(60000))
        return false;
    static const QRegularExpression line(
        QStringLiteral(R"(Coordinate range: \(([-+0-9.e]+), ([-+0-9.e]+)\) \.\.\. \(([-+0-9.e]+), ([-+0-9.e]+)\))"));
    const QRegularExpressionMatch m = line.match(QString::fromLatin1(p.readAll()));
    if (!m.hasMatch())
        return false;
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble(), x1 = m.captured(3).toDouble(),
                 y1 = m.captured(4).toDouble();
    range = x0 > x1 ? QRectF() : QRectF(QPointF(x0, y0), QPointF(x1, y1));
    return true;
}

} // namespace

// Plotter files of other programs (tests/data/hpgl/README.md) against the
// extents hp2xx draws them with.
TEST(HpglRealFiles, ExtentsAgreeWithHp2xx)
{
    const QString hp2xx = QStandardPaths::findExecutable(QStringLiteral("hp2xx"));
    if (hp2xx.isEmpty())
        GTEST_SKIP() << "hp2xx is not installed";
    QTemporaryDir scratch;
    const QFileInfoList files = QDir(dataPath("hpgl")).entryInfoList(
        {QStringLiteral("*.plt"), QStringLiteral("*.hp"), QStringLiteral("*.hpg")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 35);
    int compared = 0;
    for (const QFileInfo &file : files) {
        SCOPED_TRACE(file.fileName().toStdString());
        Drawing d;
        const bool loaded = hpgl::read(file.filePath(), d);
        if (knownDifferences().count(file.fileName()))
            continue;
        QRectF ref;
        ASSERT_TRUE(hp2xxExtents(hp2xx, file.filePath(), scratch.filePath(QStringLiteral("out.eps")), ref));
        if (!loaded) {
            ADD_FAILURE() << "not loaded";
            continue;
        }
        ref = QRectF(ref.topLeft() / 40, ref.bottomRight() / 40);
        const QRectF r = d.boundingRect();
        // Arcs are flattened onto the curve, so an edge may fall short by
        // the sagitta of a step: far below the 2 % allowed.
        const double tol = 0.02 * std::max(ref.width(), ref.height()) + 1e-3;
        EXPECT_NEAR(r.left(), ref.left(), tol);
        EXPECT_NEAR(r.right(), ref.right(), tol);
        EXPECT_NEAR(r.top(), ref.top(), tol);
        EXPECT_NEAR(r.bottom(), ref.bottom(), tol);
        ++compared;
    }
    EXPECT_GE(compared, 15);
}
