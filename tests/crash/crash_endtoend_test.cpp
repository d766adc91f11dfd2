// The real program crashed on purpose: dump, report and exit code as a user
// finds them. The report process runs on the offscreen platform, where it
// keeps the files instead of asking.
#include "sanitizer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

#include <cstring>

namespace {

bool underSanitizer()
{
    return builtWithSanitizer() || !qEnvironmentVariableIsEmpty("KERFLOOM_SANITIZED");
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
        {"pool:null", "EXCEPTION_ACCESS_VIOLATION", "The thread tried to read from or write", false},
        {"divide", "EXCEPTION_INT_DIVIDE_BY_ZERO", "The thread tried to divide an integer", false},
        {"overflow", "EXCEPTION_STACK_OVERFLOW", "The thread used up its stack.", false},
        // A worker has no room left for the handler on its own stack either.
        {"thread:overflow", "EXCEPTION_STACK_OVERFLOW", "The thread used up its stack.", false},
        {"pool:overflow", "EXCEPTION_STACK_OVERFLOW", "The thread used up its stack.", false},
        {"pool:divide", "EXCEPTION_INT_DIVIDE_BY_ZERO", "The thread tried to divide an integer", false},
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

TEST_F(CrashRun, UnusableTmpdirStillGivesTheCrashFiles)
{
    SKIP_UNDER_SANITIZER();
    QProcessEnvironment env = environment(QStringLiteral("null"));
    env.insert(QStringLiteral("TMPDIR"), tmp.filePath(QStringLiteral("no such folder")));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KERFLOOM_PROGRAM), QStringList());
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    const auto m = QRegularExpression(QStringLiteral("report: (\\S+)\\.xml")).match(err);
    ASSERT_TRUE(m.hasMatch()) << err.toStdString();
    const QString base = m.captured(1);
    EXPECT_TRUE(base.startsWith(QLatin1String("/tmp/"))) << base.toStdString();
    const QString xml = QString::fromUtf8(read(base + QStringLiteral(".xml")));
    EXPECT_TRUE(read(base + QStringLiteral(".dmp")).startsWith("MDMP"));
    EXPECT_EQ(element(xml, QStringLiteral("CodeString")), QLatin1String("EXCEPTION_ACCESS_VIOLATION"));
    for (const char *extension : {".dmp", ".xml", ".png", ".dmp.details"})
        QFile::remove(base + QLatin1String(extension));
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

// Just enough of the minidump to check whose crash it is.
struct DumpThread {
    quint32 id = 0;
    quint64 stackStart = 0;
    quint32 stackSize = 0, contextRva = 0;
};
struct DumpView {
    QList<DumpThread> threads;
    quint32 exceptionThread = 0, exceptionSignal = 0, exceptionContextRva = 0;
    quint64 exceptionStackPointer = 0;
};

template <typename T>
T at(const QByteArray &bytes, qint64 offset)
{
    T value{};
    if (offset >= 0 && offset + qint64(sizeof value) <= bytes.size())
        std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

DumpView readDump(const QByteArray &bytes)
{
    DumpView view;
    const auto streams = at<quint32>(bytes, 8), directory = at<quint32>(bytes, 12);
    for (quint32 i = 0; i < streams && i < 64; ++i) {
        const qint64 entry = qint64(directory) + 12 * i;
        const auto type = at<quint32>(bytes, entry), rva = at<quint32>(bytes, entry + 8);
        if (type == 3) { // thread list: 48 bytes per thread
            for (quint32 t = 0, n = at<quint32>(bytes, rva); t < n && t < 1024; ++t) {
                const qint64 record = qint64(rva) + 4 + 48 * t;
                view.threads.append({at<quint32>(bytes, record), at<quint64>(bytes, record + 24),
                                     at<quint32>(bytes, record + 32), at<quint32>(bytes, record + 44)});
            }
        } else if (type == 6) { // exception
            view.exceptionThread = at<quint32>(bytes, rva);
            view.exceptionSignal = at<quint32>(bytes, rva + 8);
            view.exceptionContextRva = at<quint32>(bytes, rva + 164);
            view.exceptionStackPointer = at<quint64>(bytes, qint64(view.exceptionContextRva) + 0x98); // Rsp
        }
    }
    return view;
}

// A fault in a worker: the dump's exception names the worker, whose stack
// and registers are those of the fault, and the GUI thread is there beside it.
TEST_F(CrashRun, WorkerCrashDumpNamesTheWorker)
{
    SKIP_UNDER_SANITIZER();
    for (const char *kind : {"pool:null", "thread:overflow"}) {
        SCOPED_TRACE(kind);
        for (const QString &f : QDir(tmp.path()).entryList(QDir::Files))
            QFile::remove(tmp.filePath(f));
        ASSERT_EQ(run(QString::fromLatin1(kind)), 1);
        const QString xml = QString::fromUtf8(read(only(QStringLiteral("*.xml"))));
        const quint32 pid = element(xml, QStringLiteral("ProcessId")).section(QLatin1Char(' '), 0, 0).toUInt();
        const quint32 tid = element(xml, QStringLiteral("ThreadId")).section(QLatin1Char(' '), 0, 0).toUInt();
        ASSERT_NE(pid, 0u);
        EXPECT_NE(tid, pid) << "the worker, not the GUI thread";

        const DumpView dump = readDump(read(only(QStringLiteral("*.dmp"))));
        EXPECT_EQ(dump.exceptionThread, tid);
        EXPECT_EQ(dump.exceptionSignal, quint32(SIGSEGV));
        QList<quint32> ids;
        for (const DumpThread &t : dump.threads)
            ids.append(t.id);
        EXPECT_TRUE(ids.contains(pid)) << "the GUI thread is listed";
        EXPECT_EQ(ids.count(tid), 1);
        for (const DumpThread &t : dump.threads) {
            if (t.id != tid)
                continue;
            EXPECT_EQ(t.contextRva, dump.exceptionContextRva);
            // From just below the stack pointer, or for an overflow, whose stack
            // pointer is in the guard page, from the stack right above it.
            EXPECT_GT(t.stackSize, 4096u);
            EXPECT_LE(t.stackStart, dump.exceptionStackPointer + 65536);
            EXPECT_GT(t.stackStart + t.stackSize, dump.exceptionStackPointer);
        }
    }
}

// A third-party reader: lldb opens the dump, stops in the worker that
// faulted and unwinds it through the faulting function; the GUI thread, whose
// registers the helper read through ptrace, is there too.
TEST_F(CrashRun, LldbReadsTheDump)
{
    SKIP_UNDER_SANITIZER();
    const QString lldb = QStandardPaths::findExecutable(QStringLiteral("lldb"));
    if (lldb.isEmpty())
        GTEST_SKIP() << "lldb is not installed (scripts/install-deps.sh installs it)";
    const struct {
        const char *kind;
        const char *faulting;
        const char *caller; // the crashed thread's next frame
    } cases[] = {
        {"thread:null", "writeThroughNull", "crashNow"},
        {"pool:overflow", "recurse", "recurse"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        for (const QString &f : QDir(tmp.path()).entryList(QDir::Files))
            QFile::remove(tmp.filePath(f));
        ASSERT_EQ(run(QString::fromLatin1(c.kind)), 1);
        const QString dump = only(QStringLiteral("*.dmp"));
        ASSERT_FALSE(dump.isEmpty());
        const QString xml = QString::fromUtf8(read(only(QStringLiteral("*.xml"))));
        const QString tid = element(xml, QStringLiteral("ThreadId")).section(QLatin1Char(' '), 0, 0);
        QProcess p;
        p.start(lldb, {QStringLiteral("--batch"), QStringLiteral("-o"), QStringLiteral("thread list"),
                       QStringLiteral("-o"), QStringLiteral("thread backtrace all -c 60"),
                       QStringLiteral("-c"), dump, QStringLiteral(KERFLOOM_PROGRAM)});
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(p.readAll());
        const auto stopped = QRegularExpression(QStringLiteral("^\\* thread #\\d+: tid = (\\d+),.*$"),
                                                QRegularExpression::MultilineOption).match(out);
        ASSERT_TRUE(stopped.hasMatch()) << qPrintable(out);
        EXPECT_EQ(stopped.captured(1), tid) << "lldb stops in the thread the report names";
        EXPECT_TRUE(stopped.captured(0).contains(QLatin1String(c.faulting))) << qPrintable(out);
        EXPECT_TRUE(stopped.captured(0).contains(QLatin1String("SIGSEGV"))) << qPrintable(out);
        const auto caller = QRegularExpression(QStringLiteral("^\\* thread #\\d+, .*\n.*frame #0: .*\n +frame #1: (.*)$"),
                                               QRegularExpression::MultilineOption).match(out);
        EXPECT_TRUE(caller.captured(1).contains(QLatin1String(c.caller))) << qPrintable(out);
        EXPECT_GE(out.count(QRegularExpression(QStringLiteral("thread #\\d+: tid"))), 2) << qPrintable(out);
        EXPECT_TRUE(out.contains(QLatin1String("QCoreApplication::exec"))) << "the GUI thread's stack";
    }
}

} // namespace
