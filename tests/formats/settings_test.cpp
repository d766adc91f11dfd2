#include "formats/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(Settings, LivesInTheTestConfigurationFolder)
{
    const QString path = Settings::filePath();
    EXPECT_TRUE(path.startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")))) << path.toStdString();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Brenmoor/Kerfloom/settings.ini"))) << path.toStdString();
}

TEST(Settings, MissingKeysReadAsDefaultsWithoutCreatingTheFile)
{
    QFile::remove(Settings::filePath());
    const auto o = Settings::FormatOptions::fromStore();
    EXPECT_EQ(o.hpglUnits, 1016);
    EXPECT_EQ(o.gcodeInit, QStringLiteral("G1 F100"));
    EXPECT_EQ(o.gcodeAxisX, QLatin1Char('X'));
    EXPECT_DOUBLE_EQ(o.closedPrecision, 0.005);
    EXPECT_DOUBLE_EQ(o.dxfAutoWeldPrecision, 0.1);
    EXPECT_TRUE(o.duplicateNonClosed);
    EXPECT_TRUE(o.dxfExpandBlocks);
    EXPECT_EQ(o.dxfMaxPoints, 10000000);
    EXPECT_EQ(Settings::Units.read(), 1);
    EXPECT_EQ(Settings::DefaultSavePath.read(), QStringLiteral("%p/%f.tap"));
    EXPECT_FALSE(Settings::ActionSetAnchor.read());
    EXPECT_EQ(Settings::readPosition(Settings::MoveDrawingGroup), PositionSpec{});
    EXPECT_FALSE(QFile::exists(Settings::filePath()));
}

TEST(Settings, FormatOptionsRoundTripThroughTheIniFile)
{
    Settings::FormatOptions o;
    o.gcodeInit = QStringLiteral("G21;G1 F300");
    o.gcodeAxisX = QLatin1Char('A');
    o.gcodeUnits = 3;
    o.closedPrecision = 0.25;
    o.dxfIgnoreClosedFlag = true;
    o.dxfExpandBlocks = false;
    o.dxfMaxPoints = 1234;
    o.writeToStore();
    const auto back = Settings::FormatOptions::fromStore();
    EXPECT_EQ(back.gcodeInit, o.gcodeInit);
    EXPECT_EQ(back.gcodeAxisX, QLatin1Char('A'));
    EXPECT_EQ(back.gcodeUnits, 3);
    EXPECT_DOUBLE_EQ(back.closedPrecision, 0.25);
    EXPECT_TRUE(back.dxfIgnoreClosedFlag);
    EXPECT_FALSE(back.dxfExpandBlocks);
    EXPECT_EQ(back.dxfMaxPoints, 1234);

    // The INI file keeps groups as sections, as other tools expect.
    QSettings raw(Settings::filePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("Format/GCode/Init")).toString(), o.gcodeInit);
    raw.clear();
}

TEST(Settings, AxisLetterMustBeOneLetter)
{
    struct Case { QString stored; QChar expected; };
    const Case cases[] = {
        {QStringLiteral("AB"), QLatin1Char('Y')}, {QStringLiteral("\n"), QLatin1Char('Y')},
        {QStringLiteral(" "), QLatin1Char('Y')}, {QStringLiteral("1"), QLatin1Char('Y')},
        {QStringLiteral(";"), QLatin1Char('Y')}, {QString(), QLatin1Char('Y')},
        {QStringLiteral("B"), QLatin1Char('B')}, {QStringLiteral("v"), QLatin1Char('v')},
    };
    for (const Case &c : cases) {
        Settings::GCodeAxisMappingY.write(c.stored);
        EXPECT_EQ(Settings::FormatOptions::fromStore().gcodeAxisY, c.expected) << c.stored.toStdString();
    }
    Settings::open()->clear();
}

TEST(Settings, RecentFilesAreAnArrayOfFileNames)
{
    Settings::setRecentFiles({QStringLiteral("/a/b.plt"), QStringLiteral("/c.dxf")});
    EXPECT_EQ(Settings::recentFiles(), (QStringList{QStringLiteral("/a/b.plt"), QStringLiteral("/c.dxf")}));
    Settings::setRecentFiles({QStringLiteral("/x.svg")});
    EXPECT_EQ(Settings::recentFiles(), QStringList{QStringLiteral("/x.svg")});
    QSettings raw(Settings::filePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("RecentFiles/1/FileName")).toString(), QStringLiteral("/x.svg"));
    raw.clear();
}

TEST(Settings, ServerAddressesComeFromTheEnvironmentBeforeTheFile)
{
    struct Case
    {
        const char *baseEnv, *baseStored, *updateEnv, *updateStored;
        const char *base, *update;
    };
    const Case cases[] = {
        {"", "", "", "", "", ""}, // nothing set: nothing is ever requested
        {"", "http://a.example/", "", "", "http://a.example", "http://a.example/update"},
        {"http://127.0.0.1:8080//", "http://a.example", "", "", "http://127.0.0.1:8080",
         "http://127.0.0.1:8080/update"},
        {"", "http://a.example", "", "http://u.example/files/", "http://a.example", "http://u.example/files"},
        {"", "", "http://127.0.0.1:9/up", "http://u.example", "", "http://127.0.0.1:9/up"},
    };
    for (const Case &c : cases) {
        qputenv("KERFLOOM_BASE_URL", c.baseEnv);
        qputenv("KERFLOOM_UPDATE_URL", c.updateEnv);
        Settings::BaseUrl.write(QString::fromLatin1(c.baseStored));
        Settings::UpdateUrl.write(QString::fromLatin1(c.updateStored));
        EXPECT_EQ(Settings::baseUrl(), QLatin1String(c.base)) << c.baseStored;
        EXPECT_EQ(Settings::updateUrl(), QLatin1String(c.update)) << c.updateStored;
    }
    qunsetenv("KERFLOOM_BASE_URL");
    qunsetenv("KERFLOOM_UPDATE_URL");
    Settings::open()->clear();
}

QStringList g_settingsWarnings;

// An unreadable file gave every option its default without a word.
TEST(Settings, AnUnreadableFileIsSaidOnce)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const QString path = Settings::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Format]\nHPGL\\Units=2032\n");
    f.close();
    ASSERT_TRUE(f.setPermissions(QFileDevice::WriteOwner));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &m) { g_settingsWarnings << m; });
    EXPECT_EQ(Settings::HpglUnits.read(), 1016);
    EXPECT_EQ(Settings::HpglUnits.read(), 1016);
    qInstallMessageHandler(previous);
    EXPECT_EQ(g_settingsWarnings.filter(QStringLiteral("cannot be read")).size(), 1);
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(path);
}

// A damaged count of two billion made every start and every batch walk the
// array entry by entry for minutes.
TEST(Settings, RecentFilesReadOnlyTheEntriesThatExist)
{
    const QString path = Settings::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[RecentFiles]\nsize=2000000000\n10\\FileName=/c.plt\n2\\FileName=/b.plt\n1\\FileName=/a.plt\n"
            "x\\FileName=/not-an-entry.plt\n");
    f.close();
    EXPECT_EQ(Settings::recentFiles(), (QStringList{"/a.plt", "/b.plt", "/c.plt"}));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[RecentFiles]\nsize=2\n1\\FileName=/a.plt\n2\\FileName=/b.plt\n3\\FileName=/beyond.plt\n");
    f.close();
    EXPECT_EQ(Settings::recentFiles(), (QStringList{"/a.plt", "/b.plt"}));
    QFile::remove(path);
}

// Values typed or damaged into the file that the dialog could never store: a
// negative plotter unit mirrored every HPGL drawing, an output unit beyond
// the list wrote millimetres while the dialog showed inches, text read as 0.
TEST(Settings, ValuesOutsideTheirRangeReadAsTheDefault)
{
    const QString path = Settings::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Format]\nHPGL\\Units=-1016\nGCode\\Units=7\nDXF\\SplineSegments=abc\nDXF\\MaxPoints=0\n"
                "DXF\\AutoWeldPrecision=nan\n[Drawing]\nClosedPrecision=-1\n[Main]\nUnits=99999999999999\n"
                "[StartPoint]\nRelative=true\nAnchor=42\nX=1e308\nY=-1e11\n[MoveDrawing]\nAnchor=3\n");
    }
    const auto o = Settings::FormatOptions::fromStore();
    EXPECT_EQ(o.hpglUnits, 1016);
    EXPECT_EQ(o.gcodeUnits, 0);
    EXPECT_EQ(o.dxfSplineSegments, 8);
    EXPECT_EQ(o.dxfMaxPoints, 10000000);
    EXPECT_DOUBLE_EQ(o.dxfAutoWeldPrecision, 0.1);
    EXPECT_DOUBLE_EQ(o.closedPrecision, 0.005);
    EXPECT_EQ(Settings::Units.read(), 1);
    EXPECT_EQ(Settings::readPosition(Settings::StartPointGroup).anchorIndex, 7);
    // Moved to 1e308 every point of a drawing rounds to the same number.
    EXPECT_EQ(Settings::readPosition(Settings::StartPointGroup).x, 0.0);
    EXPECT_EQ(Settings::readPosition(Settings::StartPointGroup).y, -1e11);
    EXPECT_EQ(Settings::readPosition(Settings::MoveDrawingGroup).anchorIndex, 3);

    // The edges of the ranges are values like any other.
    Settings::HpglUnits.write(0);
    Settings::GCodeUnits.write(3);
    Settings::DxfSplineSegments.write(1000);
    EXPECT_EQ(Settings::HpglUnits.read(), 0);
    EXPECT_EQ(Settings::GCodeUnits.read(), 3);
    EXPECT_EQ(Settings::DxfSplineSegments.read(), 1000);
    QFile::remove(path);
}

// A FIFO under the settings' name blocked the start until a writer came; a
// link to a device was replaced by a plain file on the first write. A link to
// a FIFO stands in for the device, which a faulty run here would destroy.
TEST(Settings, ANonRegularSettingsFileIsNeitherReadNorReplaced)
{
    const QString path = Settings::filePath();
    const QString fifo = path + QStringLiteral(".fifo");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    QFile::remove(fifo);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const bool viaLink : {false, true}) {
        SCOPED_TRACE(viaLink ? "link to a FIFO" : "FIFO");
        QFile::remove(path);
        ASSERT_TRUE(viaLink ? QFile::link(fifo, path) : QFile::rename(fifo, path));
        EXPECT_EQ(Settings::FormatOptions::fromStore().hpglUnits, 1016);
        Settings::setRecentFiles({QStringLiteral("/tmp/a.plt")});
        auto s = Settings::open();
        s->setValue(QStringLiteral("Main/Units"), 2);
        s->sync();
        EXPECT_NE(s->status(), QSettings::NoError);
        const QFileInfo target(viaLink ? fifo : path);
        EXPECT_TRUE(target.exists() && !target.isFile() && !target.isDir());
        if (!viaLink) {
            ASSERT_TRUE(QFile::rename(path, fifo));
        }
    }
    QFile::remove(path);
    QFile::remove(fifo);
}
