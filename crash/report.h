#pragma once

#include <QDateTime>
#include <QString>

// The XML report of one crash, built by the report process from the dump
// path: the application's lines always, and when the crash's details file is
// still there, the process, memory, exception, assertion and log sections
// (the details file is consumed) plus a screenshot of the crashed window.
namespace kerfloom::crash {

struct ReportEnvironment {
    QString appName, appVersion, appImagePath;
    QString operatingSystem, architecture, platform;
    QDateTime now; // UTC
};
// The running system's values.
ReportEnvironment currentEnvironment();
// "<distribution's pretty name> ver <kernel release>".
QString operatingSystemName();

// The dump path with its extension replaced.
QString reportPath(const QString &dumpPath);
QString screenshotPath(const QString &dumpPath);
QString detailsPath(const QString &dumpPath);

// The report text; consumes the details file and writes the screenshot when
// the window it names can still be grabbed.
QString buildReport(const QString &dumpPath, const ReportEnvironment &env);
// buildReport written UTF-8 to reportPath(dumpPath), whole or not at all;
// false when it cannot be, and the details file then stays.
bool writeReport(const QString &dumpPath, const ReportEnvironment &env);

} // namespace kerfloom::crash
