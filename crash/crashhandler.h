#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>

// Crash capture: fatal signals run on an alternate stack, a forked helper
// writes the minidump and the details file, the program is started again in
// crash-report mode, and the crashed process ends with exit code 1 once that
// report process has finished. The message log is kept in memory for the
// report.
namespace kerfloom {

class CrashHandler
{
public:
    // The process-wide handler, created on first use.
    static CrashHandler &instance();

    // Chooses this run's dump identifier and paths, records the start time and
    // the program path, and takes over SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT
    // and SIGTRAP. The handler runs on each thread's alternate signal stack,
    // so a stack overflow is caught in any thread.
    void install();
    // Gives the signals back to their previous handlers.
    void uninstall();
    bool isInstalled() const { return m_installed; }

    // Installs the Qt message handler that feeds the in-memory log (and
    // passes every message on to the handler that was there before).
    static void installMessageLog();
    // One log line as the message handler builds it, "[time] prefix: text\r\n";
    // empty for a message type that is not logged.
    static QString logLine(int type, const QString &message, const QDateTime &utc);

    // Adds a line to the log, ready for a crash at any moment.
    void appendLog(const QString &line);
    QString log() const;
    void setCustomField(const QString &name, const QString &value);
    // The custom fields and the log (without its last "\r\n") as QDataStream
    // serialises them: what the details file carries.
    QByteArray applicationData() const;

    QString dumpPath() const { return m_dumpPath; }

    // Records an assertion (Q_ASSERT, qFatal or assert) for the details file.
    static void recordAssertion(const char *expression, const char *function, const char *file,
                                unsigned line, unsigned type);

private:
    CrashHandler() = default;
    void storeApplicationData();

    bool m_installed = false;
    QString m_dumpPath;
    mutable QMutex m_mutex;
    QList<QPair<QString, QString>> m_customFields;
};

// Reads the custom fields and the log back from application data.
bool parseApplicationData(const QByteArray &data, QList<QPair<QString, QString>> &fields, QString &log);

} // namespace kerfloom
