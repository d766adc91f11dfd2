// The details file and the report built from it, without crashing anything.
#include "crash/crashhandler.h"
#include "crash/details.h"
#include "crash/minidump.h"
#include "crash/report.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <signal.h>

using namespace kerfloom;
using namespace kerfloom::crash;

namespace {

ReportEnvironment fixedEnvironment()
{
    ReportEnvironment env;
    env.appName = QStringLiteral("Kerfloom");
    env.appVersion = QStringLiteral("2.84");
    env.appImagePath = QStringLiteral("/opt/Kerfloom & Co/Kerfloom");
    env.operatingSystem = QStringLiteral("Debian GNU/Linux 12 (bookworm) ver 6.1.0");
    env.architecture = QStringLiteral("x86_64");
    env.platform = QStringLiteral("64-bit");
    env.now = QDateTime(QDate(2026, 3, 4), QTime(10, 0, 5), Qt::UTC);
    return env;
}

TEST(CrashDetails, SignalsMapToTheirExceptionTexts)
{
    struct Case { int signal, code; bool overflow; const char *start; };
    const Case cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, "EXCEPTION_ACCESS_VIOLATION: "},
        {SIGSEGV, SEGV_MAPERR, true, "EXCEPTION_STACK_OVERFLOW: "},
        {SIGFPE, FPE_INTDIV, false, "EXCEPTION_INT_DIVIDE_BY_ZERO: "},
        {SIGFPE, FPE_INTOVF, false, "EXCEPTION_INT_OVERFLOW: "},
        {SIGFPE, FPE_FLTDIV, false, "EXCEPTION_FLT_DIVIDE_BY_ZERO: "},
        {SIGFPE, FPE_FLTINV, false, "EXCEPTION_FLT_INVALID_OPERATION: "},
        {SIGFPE, FPE_FLTUND, false, "EXCEPTION_FLT_UNDERFLOW: "},
        {SIGFPE, SI_USER, false, "Unknown exception code"},
        {SIGILL, ILL_ILLOPC, false, "EXCEPTION_ILLEGAL_INSTRUCTION: "},
        {SIGILL, ILL_PRVOPC, false, "EXCEPTION_PRIV_INSTRUCTION: "},
        {SIGBUS, BUS_ADRALN, false, "EXCEPTION_DATATYPE_MISALIGNMENT: "},
        {SIGBUS, BUS_ADRERR, false, "EXCEPTION_IN_PAGE_ERROR: "},
        {SIGTRAP, TRAP_BRKPT, false, "EXCEPTION_BREAKPOINT: "},
        {SIGTRAP, TRAP_TRACE, false, "EXCEPTION_SINGLE_STEP: "},
        {SIGABRT, SI_TKILL, false, "Unknown exception code"},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(QString::fromLatin1(exceptionText(exceptionCodeFor(c.signal, c.code, c.overflow)))
                        .startsWith(QLatin1String(c.start))) << c.start;
}

TEST(CrashDetails, LogLinesCarryUtcStampAndPrefix)
{
    const QDateTime t(QDate(2026, 1, 2), QTime(3, 4, 5, 67), Qt::UTC);
    EXPECT_EQ(CrashHandler::logLine(QtWarningMsg, QStringLiteral("disk full"), t),
              QStringLiteral("[2026-01-02 03:04:05.067] qWarning: disk full\r\n"));
    EXPECT_EQ(CrashHandler::logLine(QtDebugMsg, QStringLiteral("x"), t).mid(26), QStringLiteral("qDebug: x\r\n"));
    EXPECT_EQ(CrashHandler::logLine(QtCriticalMsg, QStringLiteral("x"), t).mid(26), QStringLiteral("qCritical: x\r\n"));
    EXPECT_EQ(CrashHandler::logLine(QtFatalMsg, QStringLiteral("x"), t).mid(26), QStringLiteral("qFatal: x\r\n"));
    EXPECT_TRUE(CrashHandler::logLine(QtInfoMsg, QStringLiteral("x"), t).isEmpty());
}

class CrashReport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString dump() const { return dir.filePath(QStringLiteral("6f1c.dmp")); }

    void writeDetailsFile(const AssertionRecord *assertion,
                          const QString &log = QStringLiteral("[2026-03-04 10:00:00.000] qDebug: one\r\n"
                                                              "[2026-03-04 10:00:01.000] qWarning: ]]> two"),
                          const QString &build = QStringLiteral("a<b"))
    {
        QByteArray appData;
        QDataStream stream(&appData, QIODevice::WriteOnly);
        stream << QList<QPair<QString, QString>>{{QStringLiteral("Build"), build}} << log;
        DetailsRecord r;
        r.appData = appData.constData();
        r.appDataSize = uint32_t(appData.size());
        r.startTime = QDateTime(QDate(2026, 3, 3), QTime(8, 59, 0), Qt::UTC).toSecsSinceEpoch();
        r.processId = 4321;
        r.threadId = 4322;
        r.memoryLoad = 37;
        r.totalVirtual = 1000;
        r.availableVirtual = 400;
        r.exceptionAddress = 0x10;
        r.exceptionCode = exceptionCodeFor(SIGSEGV, SEGV_MAPERR, false);
        r.exceptionFlags = 1;
        r.assertion = assertion;
        ASSERT_TRUE(writeDetails(QFile::encodeName(detailsPath(dump())).constData(), r));
    }
};

TEST_F(CrashReport, DetailsBecomeProcessExceptionAndLogSections)
{
    AssertionRecord a{"x > 0", "void f()", "f.cpp", 12, QtAssertion};
    writeDetailsFile(&a);
    const QString xml = buildReport(dump(), fixedEnvironment());
    EXPECT_FALSE(QFile::exists(detailsPath(dump())));
    const QString expected = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<CrashReport>\r\n"
        "\t<AppName>Kerfloom</AppName>\r\n\t<AppVersion>2.84</AppVersion>\r\n"
        "\t<AppImageName>/opt/Kerfloom &amp; Co/Kerfloom</AppImageName>\r\n\t<CrashGUID>6f1c</CrashGUID>\r\n"
        "\t<OperatingSystem>Debian GNU/Linux 12 (bookworm) ver 6.1.0</OperatingSystem>\r\n"
        "\t<OSArchitecture>x86_64</OSArchitecture>\r\n\t<AppPlatform>64-bit</AppPlatform>\r\n"
        "\t<SystemTimeUTC>2026-03-04T10:00:05Z</SystemTimeUTC>\r\n"
        "\t<AppStartTimeUTC>2026-03-03T08:59:00Z</AppStartTimeUTC>\r\n"
        "\t<AppRunningTime>1 days 01:01:05</AppRunningTime>\r\n"
        "\t<ProcessId>4321 (0x10e1)</ProcessId>\r\n\t<ThreadId>4322 (0x10e2)</ThreadId>\r\n"
        "\t<MemoryInfo>\r\n\t\t<MemoryLoad>37%</MemoryLoad>\r\n\t\t<TotalVirtual>1000</TotalVirtual>\r\n"
        "\t\t<AvailableVirtual>400</AvailableVirtual>\r\n\t</MemoryInfo>\r\n"
        "\t<Exception>\r\n\t\t<Address>0x10</Address>\r\n\t\t<Code>0xc0000005</Code>\r\n\t\t<Flags>0x1</Flags>\r\n"
        "\t\t<CodeString>EXCEPTION_ACCESS_VIOLATION</CodeString>\r\n"
        "\t\t<Description>The thread tried to read from or write to a virtual address for which it does not "
        "have the appropriate access.</Description>\r\n\t</Exception>\r\n"
        "\t<Assertion>\r\n\t\t<Expression>x &gt; 0</Expression>\r\n\t\t<Function>void f()</Function>\r\n"
        "\t\t<File>f.cpp</File>\r\n\t\t<Line>12</Line>\r\n\t\t<Type>1</Type>\r\n\t</Assertion>\r\n"
        "\t<ApplicationLog><![CDATA[\r\n\t\t[2026-03-04 10:00:00.000] qDebug: one\r\n"
        "\t\t[2026-03-04 10:00:01.000] qWarning: ]]]]><![CDATA[> two\r\n\t]]></ApplicationLog>\r\n"
        "\t<CustomFields>\r\n\t\t<Build>a&lt;b</Build>\r\n\t</CustomFields>\r\n</CrashReport>\r\n");
    EXPECT_EQ(xml, expected);
}

TEST_F(CrashReport, ReportIsWellFormedWhateverTheLogHolds)
{
    // A warning quoting a damaged file's bytes, a terminal colour, a NUL.
    writeDetailsFile(nullptr, QStringLiteral("[2026-03-04 10:00:00.000] qWarning: bad \x01\x02 bytes\r\n"
                                             "[2026-03-04 10:00:01.000] qDebug: \x1b[31mred") + QChar(0),
                     QStringLiteral("nightly\x07"));
    ReportEnvironment env = fixedEnvironment();
    env.appImagePath = QStringLiteral("/opt/odd\x0bname/Kerfloom");
    const QString xml = buildReport(dump(), env);
    QXmlStreamReader reader(xml);
    QString log;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("ApplicationLog"))
            log = reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("bad \uFFFD\uFFFD bytes"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("[31mred"))) << log.toStdString();
}

TEST_F(CrashReport, CrashFilesAreNeverWrittenThroughAnExistingName)
{
    // Someone else's file, reached through a link planted under the crash file's name.
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("precious");
    f.close();
    const QString details = detailsPath(dump());
    ASSERT_TRUE(QFile::link(victim, details));
    DetailsRecord r;
    EXPECT_FALSE(writeDetails(QFile::encodeName(details).constData(), r));
    ASSERT_TRUE(QFile::link(victim, dump()));
    EXPECT_FALSE(writeMinidump(QFile::encodeName(dump()).constData(), CrashContext{}));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "precious");
}

TEST_F(CrashReport, DamagedDetailsFilesGiveTheShortReport)
{
    writeDetailsFile(nullptr);
    QFile f(detailsPath(dump()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    f.close();
    Details d;
    ASSERT_TRUE(parseDetails(whole, d));
    EXPECT_FALSE(d.hasAssertion);
    // Every truncation and a length field pointing far past the end are refused.
    for (int n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(parseDetails(whole.left(n), d)) << n;
    QByteArray huge = whole;
    huge[8] = char(0xff), huge[9] = char(0xff), huge[10] = char(0xff), huge[11] = char(0x7f);
    EXPECT_FALSE(parseDetails(huge, d));

    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(whole.left(20));
    f.close();
    const QString xml = buildReport(dump(), fixedEnvironment());
    EXPECT_FALSE(xml.contains(QLatin1String("<ProcessId>")));
    EXPECT_EQ(xml.count(QStringLiteral("\r\n")), 13);
}

// The report goes into the shared temporary folder beside the dump. It was
// written through whatever stood under its name (a planted link reached
// someone else's file), and its details were gone even when it could not be
// written; a FIFO under the details' name blocked the report process.
TEST_F(CrashReport, TheReportIsWrittenWholeUnderItsOwnNameOrTheDetailsStay)
{
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("precious");
    f.close();
    const QString xml = reportPath(dump());

    ASSERT_TRUE(QFile::link(victim, xml));
    writeDetailsFile(nullptr);
    ASSERT_TRUE(writeReport(dump(), fixedEnvironment()));
    EXPECT_FALSE(QFileInfo(xml).isSymLink());
    QFile written(xml);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("<ProcessId>4321"));
    EXPECT_FALSE(QFile::exists(detailsPath(dump())));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "precious");

    // A folder in the report's place: no report, and the details stay for
    // another attempt.
    QFile::remove(xml);
    ASSERT_TRUE(QDir().mkpath(xml));
    writeDetailsFile(nullptr);
    EXPECT_FALSE(writeReport(dump(), fixedEnvironment()));
    EXPECT_TRUE(QFileInfo(detailsPath(dump())).isFile());
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.xml.*")}, QDir::Files), QStringList());

    QFile::remove(detailsPath(dump()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(detailsPath(dump())).constData(), 0600), 0);
    EXPECT_FALSE(buildReport(dump(), fixedEnvironment()).contains(QLatin1String("<ProcessId>")));
}

} // namespace
