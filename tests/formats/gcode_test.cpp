#include "formats/baseformat.h"
#include "formats/gcode.h"
#include "formats/settings.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace test;

namespace {

class GCode : public ::testing::Test
{
protected:
    void SetUp() override { saved = Settings::formatOptions(); }
    void TearDown() override { Settings::setFormatOptions(saved); }

    QByteArray written(const Drawing &d)
    {
        const QString path = dir.filePath(QStringLiteral("out.tap"));
        EXPECT_TRUE(gcode::write(path, d));
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QString file(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("in.tap"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }
    void options(const std::function<void(Settings::FormatOptions &)> &change)
    {
        auto o = Settings::formatOptions();
        change(o);
        Settings::setFormatOptions(o);
    }

    QTemporaryDir dir;
    Settings::FormatOptions saved;
};

} // namespace

TEST_F(GCode, WritesStartBlockPointsAndEndBlockWithCrLf)
{
    Drawing d;
    addShape(d, {{0, 0}, {10, 0}, {10, 5}});
    addShape(d, {{-12.5, 0.1234567}});
    EXPECT_EQ(written(d), QByteArray("G1 F100\r\nX0.000000 Y0.000000\r\nX10.000000 Y0.000000\r\n"
                                     "X10.000000 Y5.000000\r\nX-12.500000 Y0.123457\r\n\r\n"));
}

TEST_F(GCode, BlocksSplitAtSemicolonsAndLineBreaks)
{
    options([](auto &o) {
        o.gcodeInit = QStringLiteral("G1 F100;M3");
        o.gcodeFinish = QStringLiteral("M5\nM30");
    });
    EXPECT_EQ(written(Drawing()), QByteArray("G1 F100\r\nM3\r\nM5\r\nM30\r\n"));
}

TEST_F(GCode, AxisLettersAndOutputUnits)
{
    struct Case { int unit; QChar x, y; const char *line; };
    const Case cases[] = {
        {0, QLatin1Char('A'), QLatin1Char('B'), "A25.400000 B-50.800000"},
        {1, QLatin1Char('X'), QLatin1Char('Y'), "X2.540000 Y-5.080000"},
        {2, QLatin1Char('X'), QLatin1Char('Y'), "X0.025400 Y-0.050800"},
        {3, QLatin1Char('X'), QLatin1Char('Y'), "X1.000000 Y-2.000000"},
    };
    for (const Case &c : cases) {
        options([&c](auto &o) {
            o.gcodeUnits = c.unit;
            o.gcodeAxisX = c.x;
            o.gcodeAxisY = c.y;
            o.gcodeInit.clear();
        });
        Drawing d;
        addShape(d, {{25.4, -50.8}});
        // Inches are stated, so that the file reads back at its size.
        const QByteArray start(c.unit == 3 ? "G20\r\n\r\n" : "\r\n");
        EXPECT_EQ(written(d), start + c.line + "\r\n\r\n") << c.unit;
    }
    // Lines with other letters read back as nothing.
    options([](auto &o) {
        o.gcodeAxisX = QLatin1Char('A');
        o.gcodeAxisY = QLatin1Char('B');
        o.gcodeUnits = 0;
    });
    Drawing d;
    addShape(d, {{10, 5}});
    EXPECT_TRUE(written(d).contains("A10.000000 B5.000000\r\n"));
    Drawing back;
    EXPECT_FALSE(gcode::read(dir.filePath(QStringLiteral("out.tap")), back));
}

TEST_F(GCode, OwnOutputReadsBack)
{
    Drawing d;
    addShape(d, {{1.5, -2.25}, {3.125, 4}, {1e6, -1e-7}});
    written(d);
    Drawing back;
    ASSERT_TRUE(gcode::read(dir.filePath(QStringLiteral("out.tap")), back));
    ASSERT_EQ(back.objects().size(), 1u);
    EXPECT_EQ(pointsOf(*back.objects()[0]), (Pts{{1.5, -2.25}, {3.125, 4}, {1e6, -0.0}}));
    EXPECT_EQ(back.boundingRect(), QRectF(1.5, -2.25, 1e6 - 1.5, 6.25));
}

TEST_F(GCode, ReaderTakesOnlyBareCoordinateLines)
{
    struct Case { const char *text; Pts points; };
    const Case cases[] = {
        {"X1 Y2\nX5\n", {{1, 2}, {5, 2}}},
        {"G1 X5 Y5\nY3\n", {{0, 3}}},
        {"  X1 Y2  \r\nx9 y9\n;X7\n", {{1, 2}}},
        {"X1  Y2\n", {{1, 2}}},
        // A value that cannot be read is 0, but only on a line that gives
        // some axis a readable number; other lines are no points at all.
        {"Xabc Y2\nX1e999 Y3\nXnan Yinf\nX+4 Y-.5\nX\nYz\n", {{0, 2}, {0, 3}, {4, -0.5}}},
        {"X1 Y2 Z3 X4\n", {{4, 2}}},
        {"Y7", {{0, 7}}},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(gcode::read(file(c.text), d)) << c.text;
        EXPECT_EQ(pointsOf(*d.objects()[0]), c.points) << c.text;
    }
}

TEST_F(GCode, DamagedFilesFailCleanly)
{
    std::string huge(10 << 20, '9');
    huge = "X" + huge + " Y1\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += char(i * 37);
    // Random bytes where lines happen to begin with an axis letter.
    for (int i = 0; i < 64; ++i)
        binary += std::string("\nX\x9f\x01Y\xff") + char(i) + "\nY\x80";
    struct Case { std::string text; bool ok; };
    const Case cases[] = {
        {"", false}, {"G1 F100\nM30\n", false}, {huge, true}, {binary, false},
        {std::string("\0X1 Y1\n", 7), false}, {"X\nY\nXx\nY-\nX1e400\n", false},
    };
    for (const Case &c : cases) {
        Drawing d;
        EXPECT_EQ(gcode::read(file(QByteArray::fromStdString(c.text)), d), c.ok);
    }
    Drawing d;
    EXPECT_FALSE(gcode::read(dir.filePath(QStringLiteral("missing.tap")), d));
    EXPECT_FALSE(gcode::write(dir.filePath(QStringLiteral("no/such/dir/out.tap")), d));
}

TEST_F(GCode, ReportsProgressWhileReading)
{
    std::string text;
    for (int i = 0; i < 2500; ++i)
        text += "X" + std::to_string(i) + " Y0\n";
    std::vector<double> seen;
    BaseFormat::loadProgress = [&seen](double f) { seen.push_back(f); };
    Drawing d;
    ASSERT_TRUE(gcode::read(file(QByteArray::fromStdString(text)), d));
    BaseFormat::loadProgress = nullptr;
    ASSERT_EQ(seen.size(), 3u); // after points 1, 1001 and 2001
    EXPECT_GT(seen[0], 0.0);
    EXPECT_LT(seen[2], 1.0);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(GCode, ReaderHonoursStatedInchesAndMillimetres)
{
    struct Case { const char *text; Pts points; };
    const Case cases[] = {
        {"G20\nX1 Y2\n", {{25.4, 50.8}}},
        {"G21\nX1 Y2\n", {{1, 2}}},
        {"N10 g20.0\nX1\n", {{25.4, 0}}},
        {"G90G20 G1 F10\nX1\n", {{25.4, 0}}},
        {"X1 Y1 G20\n", {{25.4, 25.4}}},
        // An axis the line does not name keeps its place across a change.
        {"G20\nX1 Y2\nG21\nY5\n", {{25.4, 50.8}, {25.4, 5}}},
        // Comments, other words and other numbers state nothing.
        {"(set G20 later)\nG1 X0 ; G20\nG200 G2.0 G120\nX1\n", {{1, 0}}},
    };
    for (const Case &c : cases) {
        Drawing d;
        ASSERT_TRUE(gcode::read(file(c.text), d)) << c.text;
        const Pts got = pointsOf(*d.objects()[0]);
        ASSERT_EQ(got.size(), c.points.size()) << c.text;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].first, c.points[i].first, 1e-9) << c.text;
            EXPECT_NEAR(got[i].second, c.points[i].second, 1e-9) << c.text;
        }
    }
}

TEST_F(GCode, FileWrittenInInchesReadsBackAtItsSize)
{
    for (const char *init : {"G1 F100", "G20;G1 F10"}) {
        options([init](auto &o) {
            o.gcodeUnits = 3;
            o.gcodeInit = QString::fromLatin1(init);
        });
        Drawing d;
        addShape(d, {{0, 0}, {254, 0}, {254, -12.7}});
        EXPECT_EQ(written(d).count("G20"), 1) << init;
        Drawing back;
        ASSERT_TRUE(gcode::read(dir.filePath(QStringLiteral("out.tap")), back));
        ASSERT_EQ(back.objects()[0]->size(), 3);
        EXPECT_NEAR(back.objects()[0]->points[2]->x, 254, 1e-4);
        EXPECT_NEAR(back.objects()[0]->points[2]->y, -12.7, 1e-4);
        EXPECT_NEAR(back.boundingRect().width(), 254, 1e-4);
    }
}
