#include "formats/hpgl.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
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
    static const std::map<QString, const char *> files = {
        {QStringLiteral("cp.hp"), "hp2xx moves the pen by character cells (CP) after its labels"},
        {QStringLiteral("symbols.hp"), "hp2xx draws a symbol (SM) at every point"},
    };
    return files;
}

// hp2xx counts the start of each polygon-mode figure ("PA2000,8000;PM0;PD;
// PA2000,7880") in user units, unscaled, in its range, which then reaches
// far outside the drawing. Polygon mode draws the same lines as plain
// plotting here, so these files are compared with hp2xx's range of a copy
// without the polygon-mode commands.
bool comparedWithoutPolygonMode(const QString &name)
{
    return name == QLatin1String("plotutils_limitcycle.plt") || name == QLatin1String("fig2dev_eschertr.plt");
}

// hp2xx draws the labels of these files, which are text and skipped here,
// so they are compared with a copy without labels ("LB" up to ETX). The
// encoded polylines ("PE") of gnuplot_pcl5.plt hold bytes that a pattern for
// polygon mode could hit, so only the labels go from these copies.
bool comparedWithoutLabels(const QString &name)
{
    return name == QLatin1String("gnuplot_pcl5.plt") || name == QLatin1String("lo.hp") || name == QLatin1String("ul.hp")
        || name == QLatin1String("win_1.hp") || name == QLatin1String("pstoedit_illusion.plt");
}

QString referenceCopy(const QString &file, const QString &copy)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromLatin1(in.readAll());
    if (comparedWithoutLabels(QFileInfo(file).fileName()))
        text.remove(QRegularExpression(QStringLiteral("LB[^\\x03]*\\x03")));
    else
        text.remove(QRegularExpression(QStringLiteral("(PM[012]?|EP|FP);?")));
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(text.toLatin1());
    return copy;
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
        const QString reference = comparedWithoutPolygonMode(file.fileName()) || comparedWithoutLabels(file.fileName())
            ? referenceCopy(file.filePath(), scratch.filePath(QStringLiteral("copy.plt")))
            : file.filePath();
        ASSERT_FALSE(reference.isEmpty());
        ASSERT_TRUE(hp2xxExtents(hp2xx, reference, scratch.filePath(QStringLiteral("out.eps")), ref));
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
    EXPECT_GE(compared, 37);
}
