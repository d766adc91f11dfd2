// The real program crashed on purpose: dump, report and exit code as a user
// finds them. The report process runs on the offscreen platform, where it
// keeps the files instead of asking.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#endif
#endif
    return !qEnvironmentVariableIsEmpty("KERFLOOM_SANITIZED");
}

#define SKIP_UNDER_SANITIZER()                                                                       \
    if (underSanitizer())                                                                            \
    GTEST_SKIP() << "deliberate crashes are not run under the sanitizers: they take over the fatal " \
                    "signals themselves"

class CrashRun : public ::testing::Test
{
protected:
    QTemporaryDir tmp, config;

    QProcessEnvironment environment(const QString &kind) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), tmp.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.remove(QStringLiteral("KERFLOOM_BASE_URL"));
        if (!kind.isEmpty())
            env.insert(QStringLiteral("KERFLOOM_CRASH_TEST"), kind);
        return env;
    }
    int run(const QString &kind, const QStringList &args = {})
    {
        QProcess p;
        p.setProcessEnvironment(environment(kind));
        p.start(QStringLiteral(KERFLOOM_PROGRAM), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -p.exitCode() - 1000;
    }
    QString only(const QString &pattern) const
    {
        const QStringList files = QDir(tmp.path()).entryList({pattern}, QDir::Files);
        return files.size() == 1 ? tmp.filePath(files.first()) : QString();
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString element(const QString &xml, const QString &name)
    {
        const auto m = QRegularExpression(QStringLiteral("<%1>(.*)</%1>").arg(name)).match(xml);
        return m.hasMatch() ? m.captured(1) : QStringLiteral("<missing>");
    }
};

struct Kind {
    const char *kind;
    const char *codeString;
    const char *descriptionStart;
    bool assertion;
};

TEST_F(CrashRun, EveryKindGivesDumpReportLogAndExitCodeOne)
{
    SKIP_UNDER_SANITIZER();
    const Kind kinds[] = {
        {"null", "EXCEPTION_ACCESS_VIOLATION", "The thread tried to read from or write", false},
        {"thread:null", "EXCEPTION_ACCESS_VIOLATION", "The thread tried to read from or write", false},
        {"divide", "EXCEPTION_INT_DIVIDE_BY_ZERO", "The thread tried to divide an integer", false},
        {"overflow", "EXCEPTION_STACK_OVERFLOW", "The thread used up its stack.", false},
        {"abort", "Unknown exception code", "", false},
        {"assert", "Unknown exception code", "", true},
        {"cassert", "Unknown exception code", "", true},
    };
    for (const Kind &k : kinds) {
        SCOPED_TRACE(k.kind);
        for (const QString &f : QDir(tmp.path()).entryList(QDir::Files))
            QFile::remove(tmp.filePath(f));
        EXPECT_EQ(run(QString::fromLatin1(k.kind)), 1);
        const QString dump = only(QStringLiteral("*.dmp"));
        ASSERT_FALSE(dump.isEmpty());
        EXPECT_TRUE(read(dump).startsWith("MDMP"));
        EXPECT_TRUE(only(QStringLiteral("*.details")).isEmpty()) << "the report consumes the details";
        const QString xml = QString::fromUtf8(read(only(QStringLiteral("*.xml"))));
        EXPECT_EQ(element(xml, QStringLiteral("CodeString")), QLatin1String(k.codeString));
        EXPECT_TRUE(element(xml, QStringLiteral("Description")).startsWith(QLatin1String(k.descriptionStart)));
        EXPECT_EQ(element(xml, QStringLiteral("CrashGUID")), QFileInfo(dump).completeBaseName());
        EXPECT_EQ(element(xml, QStringLiteral("AppPlatform")), QLatin1String("64-bit"));
        EXPECT_TRUE(xml.contains(QStringLiteral("qWarning: Crash test: %1").arg(QLatin1String(k.kind))));
        EXPECT_EQ(xml.contains(QLatin1String("<Assertion>")), k.assertion);
    }
}

TEST_F(CrashRun, SecondReportFromSameDumpLacksProcessSections)
{
    SKIP_UNDER_SANITIZER();
    ASSERT_EQ(run(QStringLiteral("null")), 1);
    const QString dump = only(QStringLiteral("*.dmp"));
    ASSERT_FALSE(dump.isEmpty());
    ASSERT_EQ(run(QString(), {QStringLiteral("crash"), dump}), 0);
    const QString xml = QString::fromUtf8(read(only(QStringLiteral("*.xml"))));
    EXPECT_FALSE(xml.contains(QLatin1String("<ProcessId>")));
    EXPECT_FALSE(xml.contains(QLatin1String("<Exception>")));
    EXPECT_EQ(xml.count(QStringLiteral("\r\n")), 13) << qPrintable(xml); // 2 + 8 + 2 + 1
    EXPECT_TRUE(xml.endsWith(QLatin1String("\t<CustomFields>\r\n\t</CustomFields>\r\n</CrashReport>\r\n")));
}

TEST_F(CrashRun, ReportModeLeavesFilesThatAreNotDumpsAlone)
{
    QFile notes(tmp.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("keep me");
    notes.close();
    QFile report(tmp.filePath(QStringLiteral("notes.xml")));
    ASSERT_TRUE(report.open(QIODevice::WriteOnly));
    report.write("mine");
    report.close();
    EXPECT_EQ(run(QString(), {QStringLiteral("crash"), notes.fileName()}), 1);
    EXPECT_EQ(read(notes.fileName()), QByteArray("keep me"));
    EXPECT_EQ(read(report.fileName()), QByteArray("mine"));
}

TEST_F(CrashRun, SignalSentFromOutsideIsReportedLikeAFault)
{
    SKIP_UNDER_SANITIZER();
    for (const auto &[signal, codeString] : {std::pair{SIGSEGV, "EXCEPTION_ACCESS_VIOLATION"},
                                             std::pair{SIGABRT, "Unknown exception code"}}) {
        for (const QString &f : QDir(tmp.path()).entryList(QDir::Files))
            QFile::remove(tmp.filePath(f));
        QProcess p;
        p.setProcessEnvironment(environment(QString()));
        p.start(QStringLiteral(KERFLOOM_PROGRAM), QStringList());
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(1500); // past start-up, handler installed
        ::kill(pid_t(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 1);
        const QString xml = QString::fromUtf8(read(only(QStringLiteral("*.xml"))));
        EXPECT_EQ(element(xml, QStringLiteral("CodeString")), QLatin1String(codeString));
    }
}

// A third-party reader: lldb opens the dump and unwinds the crashed thread
// through the function that faulted.
TEST_F(CrashRun, LldbReadsTheDump)
{
    SKIP_UNDER_SANITIZER();
    const QString lldb = QStandardPaths::findExecutable(QStringLiteral("lldb"));
    if (lldb.isEmpty())
        GTEST_SKIP() << "lldb is not installed (scripts/install-deps.sh installs it)";
    // In a worker thread, so that the GUI thread is an "other" thread whose
    // registers the helper read through ptrace.
    ASSERT_EQ(run(QStringLiteral("thread:null")), 1);
    const QString dump = only(QStringLiteral("*.dmp"));
    ASSERT_FALSE(dump.isEmpty());
    QProcess p;
    p.start(lldb, {QStringLiteral("--batch"), QStringLiteral("-o"), QStringLiteral("thread backtrace all"),
                   QStringLiteral("-c"), dump, QStringLiteral(KERFLOOM_PROGRAM)});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(p.readAll());
    EXPECT_TRUE(out.contains(QLatin1String("writeThroughNull"))) << qPrintable(out);
    EXPECT_TRUE(out.contains(QLatin1String("crashNow"))) << qPrintable(out);
    EXPECT_GE(out.count(QRegularExpression(QStringLiteral("thread #\\d"))), 2) << qPrintable(out);
    EXPECT_TRUE(out.contains(QLatin1String("QCoreApplication::exec"))) << "the GUI thread's stack";
}

} // namespace
