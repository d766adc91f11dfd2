#include "controller/jobfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace cutdeck;

TEST(GcodeJob, EveryLineEndGivesTheSameLinesAndLongLinesStayWhole)
{
    const QByteArray longLine = "G1 X1 Y-1 (" + QByteArray(200000, 'a') + ")";
    const struct {
        const char *name;
        QByteArray content;
        QStringList lines;
    } cases[] = {
        {"LF", "G21\nG90\nG1 X1 Y-1\n", {"G21", "G90", "G1 X1 Y-1"}},
        {"CR LF", "G21\r\nG90\r\nG1 X1 Y-1\r\n", {"G21", "G90", "G1 X1 Y-1"}},
        {"CR alone", "G21\rG90\rG1 X1 Y-1\r", {"G21", "G90", "G1 X1 Y-1"}},
        {"mixed, no end at the end", "G21\r\n\r\nG90\r\rG1 X1 Y-1", {"G21", "G90", "G1 X1 Y-1"}},
        {"blank lines", "  \n\t\nG21\n", {"G21"}},
        {"long line", "G21\r\n" + longLine + "\r\nM2\r\n", {"G21", QString::fromLatin1(longLine), "M2"}},
        {"empty", "", {}},
        {"NUL byte", QByteArray("G1 X1\0 Y2\nM2\n", 13), {QString::fromLatin1("G1 X1\0 Y2", 9), "M2"}},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        const QString path = dir.filePath(QStringLiteral("job.gcode"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        QStringList lines;
        ASSERT_TRUE(readGcodeJob(path, &lines)) << c.name;
        EXPECT_EQ(lines, c.lines) << c.name;
    }
    QStringList lines;
    QString error;
    EXPECT_FALSE(readGcodeJob(dir.filePath(QStringLiteral("missing.gcode")), &lines, &error));
    EXPECT_FALSE(error.isEmpty());
}
