#include "crash/crashhandler.h"

#include "crash/details.h"
#include "crash/minidump.h"
#include "crash/threadstack.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QUuid>
#include <QWindow>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char **environ;

namespace kerfloom {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};

// What the signal handler needs, prepared at install time in plain storage.
struct Prepared {
    char dumpPath[4096];
    char detailsPath[4200];
    char program[4096];
    char *argv[4];
    int64_t startTime;
    struct sigaction previous[sizeof kSignals / sizeof *kSignals];
};
Prepared g_prepared;
crash::CrashContext g_context;
crash::AssertionRecord g_assertion;
std::atomic<bool> g_hasAssertion{false};
std::atomic<uint64_t> g_windowId{0};
std::atomic<int> g_crashing{0};
std::atomic<pid_t> g_crashingThread{0};

// Application data published for the handler, in plain heap blocks: the
// serialised custom fields, replaced as a whole, and the log as UTF-16
// big-endian bytes (QDataStream's string form), appended in place so that a
// message costs the same however long the log is. A block that must grow is
// copied and published before the old one is freed; the helper reads
// whatever was published when it was forked.
struct Blob {
    uint32_t size;
    char data[1];
};
struct LogBuffer {
    size_t capacity;
    std::atomic<size_t> length;
    char data[1];
};
std::atomic<Blob *> g_fields{nullptr};
std::atomic<LogBuffer *> g_log{nullptr};

QtMessageHandler g_previousMessageHandler = nullptr;

class WindowTracker : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            auto *window = static_cast<QWindow *>(watched);
            const Qt::WindowType type = window->type();
            if (window->isExposed() && (type == Qt::Window || type == Qt::Dialog)
                && (!QGuiApplication::focusWindow() || QGuiApplication::focusWindow() == window))
                g_windowId.store(uint64_t(window->winId()));
        }
        return false;
    }
};

void copyTruncated(char *to, size_t capacity, const char *from)
{
    if (!from)
        from = "";
    const size_t n = strnlen(from, capacity - 1);
    std::memcpy(to, from, n);
    to[n] = 0;
}

bool looksLikeStackOverflow(const siginfo_t *info, const ucontext_t *uc)
{
    if (info->si_signo != SIGSEGV || info->si_code <= 0)
        return false;
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    const auto sp = uintptr_t(uc->uc_mcontext.gregs[REG_RSP]);
    // A push or call below the guard page faults within a page of the stack pointer.
    return address + 65536 >= sp && address <= sp + 4096;
}

void writeCrashFiles()
{
    crash::writeMinidump(g_prepared.dumpPath, g_context);
    crash::DetailsRecord record;
    if (const Blob *fields = g_fields.load()) {
        record.appData = fields->data;
        record.appDataSize = fields->size;
    }
    static const char empty[1] = {};
    record.appLog = empty;
    if (const LogBuffer *log = g_log.load()) {
        size_t length = log->length.load(std::memory_order_acquire);
        // The stored log drops its last line end.
        if (length >= 4 && std::memcmp(log->data + length - 4, "\0\r\0\n", 4) == 0)
            length -= 4;
        record.appLog = log->data;
        record.appLogSize = uint32_t(std::min<size_t>(length, UINT32_MAX - 8));
    }
    record.windowId = g_windowId.load();
    record.startTime = g_prepared.startTime;
    record.processId = uint64_t(g_context.pid);
    record.threadId = uint64_t(g_context.tid);
    crash::readMemoryStatus(g_context.pid, record.memoryLoad, record.totalVirtual, record.availableVirtual);
    // Only a fault has an address; a sent signal carries the sender's ids there.
    record.exceptionAddress = g_context.info.si_code > 0 ? reinterpret_cast<uint64_t>(g_context.info.si_addr) : 0;
    record.exceptionCode = crash::exceptionCodeFor(g_context.info.si_signo, g_context.info.si_code,
                                                   looksLikeStackOverflow(&g_context.info, &g_context.context));
    record.exceptionFlags = uint32_t(g_context.info.si_code);
    record.assertion = g_hasAssertion.load() ? &g_assertion : nullptr;
    crash::writeDetails(g_prepared.detailsPath, record);
}

pid_t rawFork()
{
    // Not fork(): its atfork handlers may take locks the crashed process holds.
    return pid_t(::syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr));
}

void waitFor(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, __WALL) < 0 && errno == EINTR) {}
}

// Starts the report process and waits for it; false when it could not start.
bool runReportProcess()
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = rawFork();
    if (child == 0) {
        ::close(pipeFds[0]);
        for (int s : kSignals)
            ::signal(s, SIG_DFL);
        ::execve(g_prepared.program, g_prepared.argv, environ);
        const int error = errno;
        (void)!::write(pipeFds[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        return false;
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(pipeFds[0], &error, sizeof error)) < 0 && errno == EINTR) {}
    ::close(pipeFds[0]);
    waitFor(child);
    return n == 0; // the pipe closed on a successful exec
}

void onFatalSignal(int signal, siginfo_t *info, void *context)
{
    const pid_t self = pid_t(::syscall(SYS_gettid));
    if (g_crashing.exchange(1) != 0) {
        // A fault inside the crash step itself: give up at once. Another
        // thread crashing meanwhile waits for the first one to finish.
        if (g_crashingThread.load() == self)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    g_crashingThread.store(self);

    g_context.pid = ::getpid();
    g_context.tid = self;
    g_context.info = *info;
    const auto *uc = static_cast<const ucontext_t *>(context);
    std::memcpy(&g_context.context, uc, sizeof g_context.context);
    g_context.hasFpregs = uc->uc_mcontext.fpregs != nullptr;
    if (g_context.hasFpregs)
        std::memcpy(g_context.fpregs, uc->uc_mcontext.fpregs, sizeof g_context.fpregs);

    // The helper reads the other threads' registers through ptrace; let it.
    ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    const pid_t helper = rawFork();
    if (helper == 0) {
        writeCrashFiles();
        ::_exit(0);
    }
    if (helper > 0)
        waitFor(helper);

    if (runReportProcess())
        ::_exit(1);

    // No report process: die of the signal as if nobody had caught it.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void messageLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString line = CrashHandler::logLine(type, message, QDateTime::currentDateTimeUtc());
    if (type == QtFatalMsg) {
        // Q_ASSERT and Q_ASSERT_X arrive as text with an empty context.
        static const QRegularExpression assertion(
            QStringLiteral("^ASSERT: \"(.*)\" in file (.*), line (\\d+)$"));
        static const QRegularExpression assertionX(
            QStringLiteral("^ASSERT failure in (.*): \"(.*)\", file (.*), line (\\d+)$"));
        QByteArray expression = message.toLocal8Bit(), function = context.function,
                   file = context.file;
        unsigned line = unsigned(std::max(0, context.line));
        if (const auto m = assertion.match(message); m.hasMatch()) {
            expression = m.captured(1).toLocal8Bit();
            file = m.captured(2).toLocal8Bit();
            line = m.captured(3).toUInt();
        } else if (const auto x = assertionX.match(message); x.hasMatch()) {
            function = x.captured(1).toLocal8Bit();
            expression = x.captured(2).toLocal8Bit();
            file = x.captured(3).toLocal8Bit();
            line = x.captured(4).toUInt();
        }
        CrashHandler::recordAssertion(expression.constData(), function.constData(), file.constData(),
                                      line, crash::QtAssertion);
    }
    if (!line.isEmpty())
        CrashHandler::instance().appendLog(line);
    if (g_previousMessageHandler)
        g_previousMessageHandler(type, context, message);
}

} // namespace

CrashHandler &CrashHandler::instance()
{
    static CrashHandler *handler = new CrashHandler; // lives until the process ends
    return *handler;
}

void CrashHandler::install()
{
    if (m_installed)
        return;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    // A TMPDIR that names no folder makes tempPath() empty, which would put
    // the crash files at the root, or nowhere for anyone but the superuser.
    QString folder = QDir::tempPath();
    const QFileInfo folderInfo(folder);
    if (folder.isEmpty() || !folderInfo.isDir() || !folderInfo.isWritable())
        folder = QStringLiteral("/tmp");
    m_dumpPath = QDir::toNativeSeparators(folder + QLatin1Char('/') + id + QStringLiteral(".dmp"));
    copyTruncated(g_prepared.dumpPath, sizeof g_prepared.dumpPath, QFile::encodeName(m_dumpPath).constData());
    std::snprintf(g_prepared.detailsPath, sizeof g_prepared.detailsPath, "%s.details", g_prepared.dumpPath);
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                         : QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    copyTruncated(g_prepared.program, sizeof g_prepared.program, QFile::encodeName(program).constData());
    static char crashWord[] = "crash";
    g_prepared.argv[0] = g_prepared.program;
    g_prepared.argv[1] = crashWord;
    g_prepared.argv[2] = g_prepared.dumpPath;
    g_prepared.argv[3] = nullptr;
    g_prepared.startTime = QDateTime::currentSecsSinceEpoch();

    // Other threads get theirs as they start (threadstack.cpp); this one
    // may be well past that.
    crash::ensureThreadAltStack();

    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof kSignals / sizeof *kSignals; ++i)
        ::sigaction(kSignals[i], &action, &g_prepared.previous[i]);

    // The report photographs the window that was active at the crash: the
    // focus window, or without a window manager to give focus, the main or
    // dialog window shown last.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::focusWindowChanged, app, [](QWindow *window) {
            if (window)
                g_windowId.store(uint64_t(window->winId()));
        });
        static WindowTracker tracker;
        app->installEventFilter(&tracker);
    }
    m_installed = true;
    storeApplicationData();
}

void CrashHandler::uninstall()
{
    if (!m_installed)
        return;
    for (size_t i = 0; i < sizeof kSignals / sizeof *kSignals; ++i)
        ::sigaction(kSignals[i], &g_prepared.previous[i], nullptr);
    m_installed = false;
}

void CrashHandler::installMessageLog()
{
    QtMessageHandler previous = qInstallMessageHandler(messageLog);
    if (previous != messageLog)
        g_previousMessageHandler = previous;
}

QString CrashHandler::logLine(int type, const QString &message, const QDateTime &utc)
{
    const char *prefix = nullptr;
    switch (type) {
    case QtDebugMsg: prefix = "qDebug: %1"; break;
    case QtWarningMsg: prefix = "qWarning: %1"; break;
    case QtCriticalMsg: prefix = "qCritical: %1"; break;
    case QtFatalMsg: prefix = "qFatal: %1"; break;
    default: return QString();
    }
    return QStringLiteral("[%1] %2\r\n")
        .arg(utc.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
             QString::fromLatin1(prefix).arg(message));
}

void CrashHandler::appendLog(const QString &line)
{
    QMutexLocker lock(&m_mutex);
    LogBuffer *buffer = g_log.load();
    const size_t add = size_t(line.size()) * 2;
    const size_t length = buffer ? buffer->length.load() : 0;
    if (!buffer || length + add > buffer->capacity) {
        const size_t capacity = std::max<size_t>(64 * 1024, (length + add) * 2);
        auto *grown = static_cast<LogBuffer *>(std::malloc(sizeof(LogBuffer) + capacity));
        if (!grown)
            return;
        grown->capacity = capacity;
        if (buffer)
            std::memcpy(grown->data, buffer->data, length);
        grown->length.store(length);
        g_log.store(grown);
        std::free(buffer);
        buffer = grown;
    }
    char *to = buffer->data + length;
    for (const QChar c : line) {
        *to++ = char(c.unicode() >> 8);
        *to++ = char(c.unicode() & 0xff);
    }
    buffer->length.store(length + add, std::memory_order_release);
}

QString CrashHandler::log() const
{
    QMutexLocker lock(&m_mutex);
    const LogBuffer *buffer = g_log.load();
    if (!buffer)
        return QString();
    const size_t length = buffer->length.load();
    QString text(int(length / 2), Qt::Uninitialized);
    for (size_t i = 0; i < length / 2; ++i)
        text[int(i)] = QChar(ushort((uchar(buffer->data[2 * i]) << 8) | uchar(buffer->data[2 * i + 1])));
    return text;
}

void CrashHandler::setCustomField(const QString &name, const QString &value)
{
    {
        QMutexLocker lock(&m_mutex);
        m_customFields.append(qMakePair(name, value));
    }
    storeApplicationData();
}

QByteArray CrashHandler::applicationData() const
{
    QString log = this->log();
    QMutexLocker lock(&m_mutex);
    if (log.endsWith(QLatin1String("\r\n")))
        log.chop(2);
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << m_customFields << log;
    return data;
}

void CrashHandler::storeApplicationData()
{
    QByteArray data;
    {
        QMutexLocker lock(&m_mutex);
        QDataStream stream(&data, QIODevice::WriteOnly);
        stream << m_customFields;
    }
    auto *blob = static_cast<Blob *>(std::malloc(sizeof(Blob) + size_t(data.size())));
    if (!blob)
        return;
    blob->size = uint32_t(data.size());
    std::memcpy(blob->data, data.constData(), size_t(data.size()));
    QMutexLocker lock(&m_mutex);
    std::free(g_fields.exchange(blob));
}

void CrashHandler::recordAssertion(const char *expression, const char *function, const char *file,
                                   unsigned line, unsigned type)
{
    if (g_hasAssertion.load())
        return; // the first one is the cause
    copyTruncated(g_assertion.expression, sizeof g_assertion.expression, expression);
    copyTruncated(g_assertion.function, sizeof g_assertion.function, function);
    copyTruncated(g_assertion.file, sizeof g_assertion.file, file);
    g_assertion.line = line;
    g_assertion.type = type;
    g_hasAssertion.store(true);
}

bool parseApplicationData(const QByteArray &data, QList<QPair<QString, QString>> &fields, QString &log)
{
    QDataStream stream(data);
    stream >> fields >> log;
    return stream.status() == QDataStream::Ok;
}

} // namespace kerfloom

// C assert() ends here: record it for the report, then abort as the C
// library would. Defined in the program, this takes precedence over glibc's.
extern "C" [[noreturn]] void __assert_fail(const char *assertion, const char *file, unsigned int line,
                                           const char *function) noexcept
{
    kerfloom::CrashHandler::recordAssertion(assertion, function, file, line, kerfloom::crash::CAssertion);
    std::fprintf(stderr, "%s:%u: %s: Assertion `%s' failed.\n", file, line, function ? function : "?", assertion);
    std::abort();
}
