#include "controller/drawing.h"
#include "controller/ini.h"
#include "controller/jobfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <limits>

using namespace cutdeck;

namespace {

Drawing read(const QByteArray &text)
{
    QBuffer b;
    b.setData(text);
    b.open(QIODevice::ReadOnly);
    Drawing d;
    EXPECT_EQ(readHpgl(b, &d), DrawingResult::Ok);
    return d;
}

// kind,x,y,flag per record, for compact comparisons.
QString dump(const Drawing &d)
{
    QStringList parts;
    for (const DrawingRecord &r : d.records)
        parts << QStringLiteral("%1:%2,%3:%4").arg(r.kind).arg(r.x).arg(r.y).arg(r.flag);
    return parts.join(QLatin1Char(' '));
}

} // namespace

TEST(HpglReader, ReadsEveryLineKindAsTheStoreExpects)
{
    struct Case { const char *name; QByteArray text; const char *records; };
    const Case cases[] = {
        {"blank pair", "PD400 800;\n", "1:10,-20:0"},
        {"comma pair", "PD400,800;\n", "1:10,-20:0"},
        {"negative and fraction", "PU-80 20.5;\r\n", "1:-2,-0.5125:0"},
        {"no terminator", "PD400 800\n", "1:10,-20:0"},
        {"first line other", "IN;\nPU0 0;\nPD40 0;\nSP0;", "0:0,0:0 1:0,0:1 1:1,0:2 0:0,0:0"},
        {"two others in a row", "IN;\nSP1;\nPD40 40;\n", "0:0,0:0 1:1,-1:1"},
        {"first line a pen", "PU0 0;\nPD40 0;\nLT;\nPD80 0;\n", "1:0,0:0 1:1,0:2 0:0,0:0 1:2,0:1"},
        {"duplicates dropped", "PU0 0;\nPD40 0;\nPD40 0;\nPD40 0;\n", "1:0,0:0 1:1,0:0"},
        {"contour start kept", "PD40 0;\nLT;\nPD40 0;\n", "1:1,0:2 0:0,0:0 1:1,0:1"},
        {"short lines carry no point", "PU0 0;\nPU;\nPD\n\n \r\nPD40 0;\n", "1:0,0:0 1:1,0:0"},
        {"one number", "PD400;\n", "1:10,0:0"},
        {"trailing text after a pair", "PD400 800 x;\n", "1:10,-20:0"},
        {"several commands and pairs", "IN;SP1;PU0,0;PD40,0,40,40;\nSP0;", "0:0,0:0 1:0,0:1 1:1,0:0 1:1,-1:2 0:0,0:0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dump(read(c.text)), QLatin1String(c.records)) << c.name;
}

TEST(HpglReader, DropsADrawingTooLargeForTheStore)
{
    QByteArray text;
    text.reserve(kDrawingCapacity * 12);
    for (int i = 0; i <= kDrawingCapacity; ++i)
        text += "PD" + QByteArray::number(i) + " 0;\n";
    QBuffer b(&text);
    b.open(QIODevice::ReadOnly);
    Drawing d;
    d.fileName = QStringLiteral("x.plt");
    EXPECT_EQ(readHpgl(b, &d), DrawingResult::TooLarge);
    EXPECT_TRUE(d.isEmpty());
    EXPECT_TRUE(d.fileName.isEmpty());
}

TEST(DrawingSteps, OrderFromOriginTakesTheNearestEndFirst)
{
    // Far contour listed first; the near contour's near end is its last point.
    Drawing d = read("IN;\nPU4000 0;\nPD4400 0;\nLT;\nPU800 0;\nPD400 0;\nSP0;\n");
    orderFromOrigin(d);
    EXPECT_EQ(dump(d), QLatin1String("0:0,0:0 1:10,0:0 1:20,0:0 1:100,0:0 1:110,0:0 0:0,0:0"));

    // Without a leading separator the first contour is reachable only by its end.
    Drawing e = read("PU400 0;\nPD800 0;\nSP0;\n");
    orderFromOrigin(e);
    EXPECT_EQ(dump(e), QLatin1String("0:0,0:0 1:20,0:0 1:10,0:0 0:0,0:0"));

    // A contour without an end flag (file ends on a point) stops at the list end.
    Drawing f = read("IN;\nPU400 0;\nPD800 0;\n");
    orderFromOrigin(f);
    EXPECT_EQ(dump(f), QLatin1String("0:0,0:0 1:10,0:0 1:20,0:0 0:0,0:0"));
}

// The nearest-end order by brute force: every end scanned in record order.
std::vector<std::pair<float, float>> bruteForceOrder(Drawing d)
{
    auto &r = d.records;
    std::vector<std::pair<float, float>> out;
    double cx = 0, cy = 0;
    for (;;) {
        size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (size_t i = 1; i < r.size(); ++i)
            if ((r[i].flag == 1 || r[i].flag == 2) && std::hypot(r[i].x - cx, r[i].y - cy) < bestDistance) {
                bestDistance = std::hypot(r[i].x - cx, r[i].y - cy);
                best = i;
            }
        if (best == 0)
            break;
        const int dir = r[best].flag == 1 ? 1 : -1;
        const float stop = r[best].flag == 1 ? 2 : 1;
        r[best].flag = 0;
        for (long k = long(best); k >= 0 && k < long(r.size()) && r[size_t(k)].kind == 1; k += dir) {
            out.emplace_back(r[size_t(k)].x, r[size_t(k)].y);
            if (r[size_t(k)].flag == stop) {
                r[size_t(k)].flag = 0;
                break;
            }
        }
        cx = out.back().first;
        cy = out.back().second;
    }
    return out;
}

TEST(DrawingSteps, OrderFromOriginMatchesABruteForceScan)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        std::srand(seed);
        QByteArray text = "IN;\n";
        for (int c = 0; c < 400; ++c) {
            // Clustered and repeated coordinates make ties.
            const int x = (std::rand() % 50) * (seed == 3 ? 1 : 400), y = (std::rand() % 50) * 400;
            for (int k = 0; k < 1 + std::rand() % 3; ++k)
                text += "PD" + QByteArray::number(x + k * 40) + " " + QByteArray::number(y) + ";\n";
            text += "LT;\n";
        }
        Drawing d = read(text);
        const auto expected = bruteForceOrder(d);
        orderFromOrigin(d);
        ASSERT_EQ(size_t(d.count()), expected.size() + 2) << seed;
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(d.records[i + 1].x, expected[i].first) << seed << " " << i;
            ASSERT_EQ(d.records[i + 1].y, expected[i].second) << seed << " " << i;
        }
    }
}

TEST(DrawingSteps, OrderFromOriginCopesWithFarPoints)
{
    // 1e11 mm away: its grid cell lies beyond any int, and must still be found.
    Drawing d = read("IN;\nPU0 0;\nPD4011111111110 0;\nLT;\nPU400 400;\nPD800 400;\nSP0;\n");
    const auto expected = bruteForceOrder(d);
    orderFromOrigin(d);
    ASSERT_EQ(size_t(d.count()), expected.size() + 2);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(d.records[i + 1].x, expected[i].first) << i;
}

TEST(DrawingSteps, SegmentingSplitsLongVectorsIntoEqualPieces)
{
    Drawing d = read("IN;\nPU0 0;\nPD400 0;\nPD400 120;\nSP0;\n");
    segmentVectors(d, 4.0);
    EXPECT_EQ(dump(d), QLatin1String("0:0,0:0 1:0,0:1 1:3.33333,0:0 1:6.66667,0:0 1:10,0:0 1:10,-3:2 0:0,0:0"));
    const double before = cutLength(d);
    segmentVectors(d, 0.5);
    EXPECT_NEAR(cutLength(d), before, 1e-4);
    for (int i = 1; i < d.count(); ++i) {
        if (d.records[i].kind == 1 && d.records[i - 1].kind == 1) {
            EXPECT_LE(std::hypot(d.records[i].x - d.records[i - 1].x, d.records[i].y - d.records[i - 1].y), 0.5001);
        }
    }
}

TEST(DrawingSteps, InvertedXAxisMirrorsBeforeTheOtherSteps)
{
    Drawing d = read("IN;\nPU400 0;\nPD800 -400;\nSP0;\nPU0 0;\nPD-200 0;\nSP0;\n");
    DrawingOptions options;
    options.mirrorX = true;
    options.fromOrigin = true;
    prepareDrawing(d, options);
    // The second contour now lies at +X and is the nearer one to the origin.
    EXPECT_EQ(dump(d), QLatin1String("0:0,0:0 1:0,0:0 1:5,0:0 1:-10,0:0 1:-20,10:0 0:0,0:0"));
    EXPECT_TRUE(gcodeText(d).contains("G1 X-20 Y10\r\n"));
}

TEST(DrawingSteps, TimeEstimates)
{
    struct Case { double length; int speed; const char *text; };
    const Case cases[] = {
        {1000, 300, "El tiempo de corte (aproximado) es: 3 min 20 seg a 300 mm/min."},
        {59.9, 60, "El tiempo de corte (aproximado) es: 0 min 59 seg a 60 mm/min."},
        {7260, 60, "El tiempo de corte (aproximado) es: 121 min 0 seg a 60 mm/min."},
        {100, 0, "No se puede calcular el tiempo de corte: la velocidad de corte es 0 mm/min."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(timeEstimateMessage(c.length, c.speed), QLatin1String(c.text)) << c.length << " " << c.speed;

    Drawing d = read("PU0 0;\nPD40000 0;\n"); // 1000 mm
    struct Motor { double rx; int speed, base; const char *text; };
    const Motor motors[] = {
        {0.01, 600, 0, "Tiempo aprox.:0 hs 1 min 40 seg"},       // at speed
        {0.01, 600, 1000, "Tiempo aprox.:0 hs 1 min 40 seg"},    // 100,000 steps x 1 ms
        {0.01, 600, 2000, "Tiempo aprox.:0 hs 3 min 20 seg"},    // the step time limits
        {0, 0, 0, "Tiempo aprox.:0 hs 0 min 0 seg"},             // fresh installation
    };
    for (const Motor &m : motors)
        EXPECT_EQ(motorTimeEstimate(d, m.rx, m.rx, m.speed, m.base), QLatin1String(m.text)) << m.base;
}

TEST(JobFiles, NamesAndContents)
{
    struct Name { const char *drawing, *cut, *gcode; };
    const Name names[] = {
        {"/w/part.plt", "/w/part.txt", "/w/part.gcode"},
        {"/w/a.b/part.PLT", "/w/a.b/part.txt", "/w/a.b/part.gcode"},
        {"/w/a.b/part", "/w/a.b/part.txt", "/w/a.b/part.gcode"},
        {"/w/part.hpgl", "/w/part.hpgl.txt", "/w/part.hpgl.gcode"},
    };
    for (const Name &n : names) {
        EXPECT_EQ(cutFileNameFor(QLatin1String(n.drawing)), QLatin1String(n.cut));
        EXPECT_EQ(gcodeFileNameFor(cutFileNameFor(QLatin1String(n.drawing))), QLatin1String(n.gcode));
    }

    Drawing d = read("IN;\nPU588 -63;\nPD800 200;\nSP0;\n");
    EXPECT_EQ(cutFileText(d), QByteArray("ID 0\r\n 0\r\n 0\r\n 14.7\r\n 1.575\r\n"
                                         "ID 1\r\n 14.7\r\n 1.575\r\n 20\r\n-5\r\n"));
    EXPECT_EQ(gcodeText(d), QByteArray("G21\r\nG90\r\nG92 X0 Y0\r\nG4 P2000\r\nG1 X0 Y0 F500\r\n"
                                       "G1 X0 Y0\r\nG1 X14.7 Y1.58\r\nG1 X20 Y-5\r\n"
                                       "G92 X0 Y0\r\nM300 S40 P2000\r\n"));
}

TEST(JobFiles, AFailedWriteLeavesNoJobBehind)
{
    QTemporaryDir dir;
    const Drawing d = read("PU0 0;\nPD400 0;\n");
    const QString cut = dir.filePath(QStringLiteral("part.txt"));
    QString error;
    ASSERT_TRUE(saveJob(d, cut, true, &error)) << error.toStdString();
    std::vector<CutRecord> records;
    ASSERT_EQ(readCutFile(cut, &records), CutFileResult::Ok);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].x2, 10);

    // An old job stays whole when the new one cannot be written: here the
    // G-code file's name is taken by a folder.
    QFile::remove(gcodeFileNameFor(cut));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("part.gcode")));
    const QByteArray before = [&] { QFile f(cut); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const Drawing bigger = read("PU0 0;\nPD400 0;\nPD800 0;\n");
    EXPECT_FALSE(saveJob(bigger, cut, true, &error));
    EXPECT_TRUE(error.startsWith(QLatin1String("No se pudo guardar el archivo"))) << error.toStdString();
    QFile f(cut);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{"part.gcode", "part.txt"}));
}

// A disk that takes no more bytes: the few lines of a small job or of the
// settings file still sit in a buffer when the file is renamed into place,
// and a failure to write them must not leave an empty file there.
TEST(JobFiles, AFullDiskKeepsTheOldJobAndSettings)
{
    QTemporaryDir dir;
    const QString cut = dir.filePath(QStringLiteral("part.txt"));
    const QString ini = dir.filePath(QStringLiteral("cutdeck_config.INI"));
    QString error;
    ASSERT_TRUE(saveJob(read("PU0 0;\nPD400 0;\n"), cut, true, &error)) << error.toStdString();
    ASSERT_TRUE(writeIniFile(ini, QStringLiteral("vel"), QStringLiteral("vel"), QStringLiteral("600")));
    const auto contents = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray oldCut = contents(cut), oldGcode = contents(gcodeFileNameFor(cut)), oldIni = contents(ini);

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    const bool savedJob = saveJob(read("PU0 0;\nPD800 0;\n"), cut, true, &error);
    const bool savedIni = writeIniFile(ini, QStringLiteral("vel"), QStringLiteral("vel"), QStringLiteral("900"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(savedJob);
    EXPECT_FALSE(savedIni);
    EXPECT_EQ(contents(cut), oldCut);
    EXPECT_EQ(contents(gcodeFileNameFor(cut)), oldGcode);
    EXPECT_EQ(contents(ini), oldIni);
}

// A FIFO under a file's name would block its open until a writer came, and a
// device such as /dev/zero never ends (and, written through a link as root, is
// replaced by a plain file): every file cutdeck reads must refuse them at once.
// A link to a FIFO stands in for a link to a device, which a faulty run here
// would destroy.
TEST(NonRegularFiles, AreRefusedWithoutWaitingOrReading)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(fifo, link));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));

    for (const QString &path : {fifo, link, folder}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(readIniFile(path, "vel", "vel"), QString());
        EXPECT_FALSE(writeIniFile(path, "vel", "vel", "300"));
        Drawing d;
        EXPECT_EQ(readHpgl(path, &d), DrawingResult::Unreadable);
        QStringList lines;
        QString error;
        EXPECT_FALSE(readGcodeJob(path, &lines, &error));
        EXPECT_FALSE(error.isEmpty());
        std::vector<CutRecord> records;
        EXPECT_EQ(readCutFile(path, &records), CutFileResult::Unreadable);
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink() && !QFileInfo(fifo).isFile());
}
