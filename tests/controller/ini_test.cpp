#include "controller/ini.h"
#include "controller/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace cutdeck;

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("cutdeck_config.INI"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

} // namespace

TEST(Ini, ReadsLikeThePrivateProfileFunctions)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[vel]\r\nvel =  450  \r\nvelgcode=\"300\"\r\n"
                                        "[TIEMPO]\r\ntiempo_base =120\r\nlong=" + QByteArray(100, 'a') + "\r\n"
                                        "[motor]\nx=0.0125\n");
    struct Case { const char *section, *key, *expected; };
    const Case cases[] = {
        {"vel", "vel", "450"},                  // blanks around key and value
        {"VEL", "VelGcode", "300"},             // names ignore case; quotes dropped
        {"tiempo", "tiempo_base ", "120"},      // the key with its trailing blank
        {"motor", "x", "0.0125"},               // bare LF line ends
        {"motor", "y", ""},                     // missing key
        {"puerto", "valor_puerto", ""},         // missing section
    };
    for (const Case &c : cases)
        EXPECT_EQ(readIniFile(path, c.section, c.key), QString::fromLatin1(c.expected)) << c.section << "/" << c.key;
    EXPECT_EQ(readIniFile(path, "tiempo", "long").size(), 79);
}

TEST(Ini, WritesInPlaceAndKeepsTheRest)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "; comment\r\n[vel]\r\nvel=450\r\n\r\n[motor]\r\nx=1\r\n");
    ASSERT_TRUE(writeIniFile(path, "vel", "vel", "600"));
    ASSERT_TRUE(writeIniFile(path, "vel", "velpos", "20"));
    ASSERT_TRUE(writeIniFile(path, "puerto", "valor_puerto", "3"));
    ASSERT_TRUE(writeIniFile(path, "motor", "y", "two\nlines"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; comment\r\n[vel]\r\nvel=600\r\nvelpos=20\r\n\r\n[motor]\r\nx=1\r\n"
                                      "y=two lines\r\n[puerto]\r\nvalor_puerto=3\r\n"));
}

TEST(Ini, WriteIntoAMissingFolderCreatesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/cutdeck_config.INI"));
    ASSERT_TRUE(writeIniFile(path, "modo", "arduino", "1"));
    EXPECT_EQ(readIniFile(path, "modo", "arduino"), QStringLiteral("1"));
}

TEST(Ini, NumericValueReadsTheLeadingNumber)
{
    const std::pair<const char *, double> cases[] = {
        {"", 0}, {"  42", 42}, {"-3.5", -3.5}, {"400,800", 400}, {"12abc", 12},
        {"abc", 0}, {"1e3", 1000}, {"1e", 1}, {".5", 0.5}, {"-", 0}, {"1e999", 0},
    };
    for (auto [text, value] : cases)
        EXPECT_DOUBLE_EQ(numericValue(QString::fromLatin1(text)), value) << text;
    EXPECT_EQ(shortValue("99999"), 32767);
    EXPECT_EQ(shortValue("-99999"), -32768);
}

TEST(Settings, FreshInstallationReadsZeros)
{
    QTemporaryDir dir;
    const MachineSettings s = MachineSettings::loadFrom(dir.filePath("none.INI"));
    EXPECT_EQ(s.portNumber, 0);
    EXPECT_EQ(s.mode, Mode::Step);
    EXPECT_EQ(s.baseSpeed(), 0);
    EXPECT_EQ(s.resolutionX, 0.0);
}

TEST(Settings, EnvironmentChoosesTheFolder)
{
    QTemporaryDir dir;
    qputenv("CUTDECK_CONFIG_DIR", dir.path().toLocal8Bit());
    ASSERT_TRUE(WriteIni("vel", "velgcode", "450"));
    ASSERT_TRUE(WriteIni("modo", "arduino", "1"));
    ASSERT_TRUE(WriteIni("puerto", "dispositivo", "/dev/pts/9"));
    const MachineSettings s = MachineSettings::load();
    qunsetenv("CUTDECK_CONFIG_DIR");
    EXPECT_EQ(configPath(), QCoreApplication::applicationDirPath() + "/cutdeck_config.INI");
    EXPECT_TRUE(QFile::exists(dir.filePath("cutdeck_config.INI")));
    EXPECT_EQ(s.mode, Mode::Gcode);
    EXPECT_EQ(s.baseSpeed(), 450);
    EXPECT_EQ(s.devicePath, QStringLiteral("/dev/pts/9"));
}
