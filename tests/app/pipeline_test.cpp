// The unattended pipeline as a user's script sees it: the built program run
// without a display on its own settings folder.
#include <QDir>
#include <QPointF>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct RunResult
{
    int exitCode = -1;
    QString stderrText;
};

class Pipeline : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config.isValid() && work.isValid());
        QDir().mkpath(config.filePath(QStringLiteral("Brenmoor/Kerfloom")));
    }
    QSettings settings()
    {
        return QSettings(config.filePath(QStringLiteral("Brenmoor/Kerfloom/settings.ini")), QSettings::IniFormat);
    }
    QString write(const QString &name, const QByteArray &body)
    {
        QFile f(work.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
        return f.fileName();
    }
    RunResult run(const QStringList &args, const QString &workingDir = {},
                  const QProcessEnvironment &extra = {})
    {
        QProcess p;
        p.setWorkingDirectory(workingDir.isEmpty() ? work.path() : workingDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(v));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(extra);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KERFLOOM_PROGRAM), args);
        EXPECT_TRUE(p.waitForFinished(60000)) << "program did not end";
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList lines(const RunResult &r)
    {
        return r.stderrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Coordinate lines of a written .tap file.
    std::vector<QPointF> coordinates(const QString &path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        std::vector<QPointF> pts;
        static const QRegularExpression re(QStringLiteral("^X(-?[0-9.]+) Y(-?[0-9.]+)\r$"));
        for (const QByteArray &line : f.readAll().split('\n')) {
            const auto m = re.match(QString::fromLatin1(line));
            if (m.hasMatch())
                pts.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
        }
        return pts;
    }

    QTemporaryDir config, work;
    const QByteArray square = "X20 Y30\r\nX20 Y40\r\nX30 Y40\r\nX30 Y30\r\nX20 Y30\r\n";
};

TEST_F(Pipeline, OneFileIsPlacedLinkedSavedAndTheProgramEnds)
{
    {
        auto s = settings();
        s.setValue("MoveDrawing/X", 5.0);
        s.setValue("MoveDrawing/Y", 7.0);
        s.setValue("StartPoint/X", 1.0);
        s.setValue("StartPoint/Y", 2.0);
    }
    const QString in = write(QStringLiteral("part.src.tap"), square);
    const RunResult r = run({in});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    const auto pts = coordinates(work.filePath(QStringLiteral("part.tap")));
    ASSERT_GE(pts.size(), 6u);
    EXPECT_EQ(pts.front(), QPointF(1, 2)); // from the start position …
    EXPECT_EQ(pts.back(), QPointF(1, 2));  // … and back
    double minX = 1e9, minY = 1e9, maxX = -1e9;
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        if (pts[i] == QPointF(1, 2))
            continue; // the path passes the start again
        minX = std::min(minX, pts[i].x());
        minY = std::min(minY, pts[i].y());
        maxX = std::max(maxX, pts[i].x());
    }
    EXPECT_DOUBLE_EQ(minX, 5); // moved so its corner is at (5, 7)
    EXPECT_DOUBLE_EQ(minY, 7);
    EXPECT_DOUBLE_EQ(maxX, 15);
    QFile out(work.filePath(QStringLiteral("part.tap")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().startsWith("G1 F100\r\n"));
}

TEST_F(Pipeline, TwoFilesAreBothProcessedInOrder)
{
    const QString a = write(QStringLiteral("a.src.tap"), square);
    const QString b = write(QStringLiteral("b.src.tap"), "X0 Y0\r\nX50 Y0\r\nX0 Y5\r\nX0 Y0\r\n");
    const RunResult r = run({a, b});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_FALSE(coordinates(work.filePath(QStringLiteral("a.tap"))).empty());
    const auto pb = coordinates(work.filePath(QStringLiteral("b.tap")));
    ASSERT_FALSE(pb.empty());
    EXPECT_TRUE(std::any_of(pb.begin(), pb.end(), [](QPointF p) { return p.x() == 50; }));
}

TEST_F(Pipeline, AFailingFileGivesOneStderrLineAndExitCodeOne)
{
    const QString good = write(QStringLiteral("good.src.tap"), square);
    const QString bad = write(QStringLiteral("bad.tap"), "G1 F100\r\nnothing here\r\n");
    const QString missing = work.filePath(QStringLiteral("missing.tap"));
    const RunResult r = run({missing, good, bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.stderrText.contains(QStringLiteral("Cannot open file: File \"%1\" doesn't exist!\n").arg(missing)))
        << r.stderrText.toStdString();
    // One line, the reader's reason on it.
    const QStringList lines = r.stderrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 2) << r.stderrText.toStdString();
    EXPECT_TRUE(r.stderrText.contains(QStringLiteral("Cannot open file: Failed to load \"bad.tap\"! ")));
    EXPECT_FALSE(coordinates(work.filePath(QStringLiteral("good.tap"))).empty());
}

TEST_F(Pipeline, APlainTapIsRewrittenInPlaceWithItsPlacement)
{
    {
        auto s = settings();
        s.setValue("MoveDrawing/X", 2.5);
        s.setValue("MoveDrawing/Y", 0.0);
        s.setValue("MoveDrawing/Relative", true);
    }
    const QString in = write(QStringLiteral("wing.tap"), square);
    const RunResult r = run({in});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    const auto pts = coordinates(in);
    ASSERT_GE(pts.size(), 6u);
    EXPECT_EQ(pts.front(), QPointF(0, 0)); // default start position
    // Relative move: shifted by (2.5, 0).
    EXPECT_TRUE(std::any_of(pts.begin(), pts.end(), [](QPointF p) { return p == QPointF(22.5, 30); }));
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(Pipeline, NothingToDoWithoutDisplayEndsAtOnce)
{
    const RunResult r = run({});
    EXPECT_EQ(r.exitCode, 0);
}

// Arguments a script can get wrong: each is one line on stderr naming it,
// the exit code says so, and the run never waits for anybody.
TEST_F(Pipeline, UnusableArgumentsAreOneLineEachAndNeverWait)
{
    QDir(work.path()).mkdir(QStringLiteral("folder"));
    const QString fifo = work.filePath(QStringLiteral("pipe.dxf"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("mkfifo"), {fifo}), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), work.filePath(QStringLiteral("zeros.dxf"))));
    const struct
    {
        QString argument;
        QString line;
    } cases[] = {
        {QString(), QStringLiteral("Cannot open file: The file name is empty!")},
        {QStringLiteral("folder"), QStringLiteral("Cannot open file: \"folder\" is not a regular file!")},
        {QStringLiteral("pipe.dxf"), QStringLiteral("Cannot open file: \"pipe.dxf\" is not a regular file!")},
        {QStringLiteral("zeros.dxf"), QStringLiteral("Cannot open file: \"zeros.dxf\" is not a regular file!")},
        {QStringLiteral("gone.plt"), QStringLiteral("Cannot open file: File \"gone.plt\" doesn't exist!")},
    };
    const QString good = write(QStringLiteral("good.src.tap"), square);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        const RunResult alone = run({c.argument});
        EXPECT_EQ(alone.exitCode, 1);
        EXPECT_EQ(lines(alone), QStringList{c.line});
        // Among good files the others are still processed.
        const RunResult among = run({good, c.argument, good});
        EXPECT_EQ(among.exitCode, 1);
        EXPECT_EQ(lines(among), QStringList{c.line});
    }
    EXPECT_FALSE(coordinates(work.filePath(QStringLiteral("good.tap"))).empty());
}

// A script that names an invisible platform itself (common in containers)
// runs unattended too, even with a display variable left over.
TEST_F(Pipeline, AnInvisiblePlatformNamedByTheCallerNeverWaits)
{
    const QString good = write(QStringLiteral("named.src.tap"), square);
    for (const char *platform : {"offscreen", "minimal"}) {
        SCOPED_TRACE(platform);
        QProcessEnvironment env;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(platform));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
        const RunResult r = run({good, QString()}, {}, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(lines(r), QStringList{QStringLiteral("Cannot open file: The file name is empty!")});
        EXPECT_FALSE(coordinates(work.filePath(QStringLiteral("named.tap"))).empty());
    }
}

// A display variable naming a server that is gone (a closed ssh forwarding)
// made Qt abort; the drawings are processed unattended instead.
TEST_F(Pipeline, ADisplayThatCannotBeReachedRunsUnattended)
{
    const QString good = write(QStringLiteral("gone.src.tap"), square);
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        SCOPED_TRACE(variable);
        QProcessEnvironment env;
        env.insert(QLatin1String(variable), QStringLiteral(":4093")); // no such server
        const RunResult r = run({good, QString()}, {}, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(lines(r), QStringList{QStringLiteral("Cannot open file: The file name is empty!")});
        EXPECT_FALSE(coordinates(work.filePath(QStringLiteral("gone.tap"))).empty());
        QFile::remove(work.filePath(QStringLiteral("gone.tap")));
        // Without drawings a window was wanted: one line and a failure, not
        // Qt's abort with advice to reinstall.
        const RunResult alone = run({}, {}, env);
        EXPECT_EQ(alone.exitCode, 1);
        EXPECT_EQ(lines(alone), QStringList{QStringLiteral("Kerfloom: cannot open the display \":4093\" and no drawing to process")});
    }
}

TEST_F(Pipeline, ASuccessfulRunIsSilentAndAFailedLoadSaysWhyOnItsLine)
{
    const RunResult ok = run({write(QStringLiteral("quiet.src.tap"), square)});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.stderrText, QString()); // no platform chatter

    const RunResult bad = run({write(QStringLiteral("bin.dxf"), QByteArray("AutoCAD Binary DXF\r\n\x1a\0", 22))});
    EXPECT_EQ(bad.exitCode, 1);
    ASSERT_EQ(lines(bad).size(), 1) << bad.stderrText.toStdString();
    EXPECT_TRUE(lines(bad).front().startsWith(QStringLiteral("Cannot open file: Failed to load \"bin.dxf\"! DXF: binary")))
        << bad.stderrText.toStdString();
}

TEST_F(Pipeline, TwoInputsSavingToOneOutputAreNamedTogether)
{
    const QString v1 = write(QStringLiteral("rib.v1.tap"), square);
    const QString v2 = write(QStringLiteral("rib.v2.tap"), "X0 Y0\r\nX50 Y0\r\nX0 Y5\r\nX0 Y0\r\n");
    const RunResult r = run({QStringLiteral("rib.v1.tap"), QStringLiteral("rib.v2.tap")});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(lines(r).size(), 1) << r.stderrText.toStdString();
    EXPECT_EQ(lines(r).front(),
              QStringLiteral("Output overwritten: \"%1\" and \"%2\" both save to \"%3\": the output of the first was overwritten!")
                  .arg(v1, v2, QFileInfo(work.filePath(QStringLiteral("rib.tap"))).canonicalFilePath()));
    // The same input twice, or an input followed by its own output, loses
    // nothing of another's.
    for (const QStringList &args : {QStringList{v1, v1}, QStringList{v1, work.filePath(QStringLiteral("rib.tap"))}}) {
        const RunResult r2 = run(args);
        EXPECT_EQ(r2.exitCode, 0) << r2.stderrText.toStdString();
    }
}

TEST_F(Pipeline, AnEmptySavePathIsReported)
{
    settings().setValue("Actions/SaveAsPath", QString());
    write(QStringLiteral("part.src.tap"), square);
    const RunResult r = run({QStringLiteral("part.src.tap")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lines(r),
              QStringList{QStringLiteral("Cannot save file: \"Actions/SaveAsPath\" is empty: \"part.src.tap\" was not saved!")});
}

// The program's own output, run through it again, comes out byte for byte.
TEST_F(Pipeline, RunningOnItsOwnOutputChangesNothing)
{
    for (const QByteArray &drawing : {square, QByteArray("X0 Y0\r\nX0 Y10\r\nX10 Y10\r\nX10 Y0\r\nX0 Y0\r\n")}) {
        const QString in = write(QStringLiteral("job.tap"), drawing);
        ASSERT_EQ(run({in}).exitCode, 0);
        const QByteArray first = contents(in);
        ASSERT_EQ(run({in}).exitCode, 0);
        EXPECT_EQ(contents(in), first);
        ASSERT_EQ(run({in}).exitCode, 0);
        EXPECT_EQ(contents(in), first);
    }
}

TEST_F(Pipeline, RecentFilesRememberAbsolutePaths)
{
    write(QStringLiteral("near.src.tap"), square);
    ASSERT_EQ(run({QStringLiteral("near.src.tap")}).exitCode, 0);
    auto s = settings();
    const int n = s.beginReadArray(QStringLiteral("RecentFiles"));
    ASSERT_GT(n, 0);
    QStringList stored;
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        stored << s.value(QStringLiteral("FileName")).toString();
    }
    s.endArray();
    EXPECT_TRUE(stored.contains(QFileInfo(work.filePath(QStringLiteral("near.src.tap"))).absoluteFilePath()))
        << stored.join(QLatin1Char(' ')).toStdString();
    for (const QString &f : stored)
        EXPECT_TRUE(QFileInfo(f).isAbsolute()) << f.toStdString();
}

} // namespace

namespace {

// A batch writes the list once, as it ends, failures or not: every file of
// it is there.
TEST_F(Pipeline, RecentFilesOfAWholeBatchAreKeptWhenOneFails)
{
    write(QStringLiteral("a.src.tap"), square);
    write(QStringLiteral("b.src.tap"), square);
    write(QStringLiteral("bad.tap"), QByteArray("\x01\x02 not a job\n"));
    ASSERT_EQ(run({QStringLiteral("a.src.tap"), QStringLiteral("bad.tap"), QStringLiteral("b.src.tap")}).exitCode, 1);
    auto s = settings();
    const int n = s.beginReadArray(QStringLiteral("RecentFiles"));
    QStringList stored;
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        stored << s.value(QStringLiteral("FileName")).toString();
    }
    s.endArray();
    for (const char *name : {"a.src.tap", "b.src.tap"})
        EXPECT_TRUE(stored.contains(QFileInfo(work.filePath(QLatin1String(name))).absoluteFilePath())) << name;
}

} // namespace
