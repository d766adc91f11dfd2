#include "crash/report.h"

#include "crash/crashhandler.h"
#include "crash/details.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryFile>

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>

namespace kerfloom::crash {
namespace {

QString withExtension(const QString &dumpPath, const QString &extension)
{
    const QFileInfo info(dumpPath);
    const QString base = info.completeSuffix().isEmpty() ? dumpPath
                                                         : dumpPath.left(dumpPath.size() - info.suffix().size() - 1);
    return base + extension;
}

// Control characters are not allowed anywhere in XML 1.0, not even in a
// CDATA section; a log line quoting a damaged file's bytes must not make the
// whole report unreadable.
QString withoutControls(QString value)
{
    for (QChar &c : value) {
        const ushort u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar(QChar::ReplacementCharacter);
    }
    return value;
}

// Element text must not break the XML (a program path with "&" in it).
QString text(const QString &value)
{
    return withoutControls(value).toHtmlEscaped();
}

QString hex(quint64 value)
{
    return QString::number(value, 16);
}

QString duration(qint64 seconds)
{
    seconds = std::max<qint64>(0, seconds);
    const qint64 days = seconds / 86400;
    const qint64 rest = seconds % 86400;
    return QStringLiteral("%1 days %2:%3:%4")
        .arg(days)
        .arg(rest / 3600, 2, 10, QLatin1Char('0'))
        .arg(rest % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(rest % 60, 2, 10, QLatin1Char('0'));
}

void grabWindow(quint64 windowId, const QString &path)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app || windowId == 0 || !QGuiApplication::primaryScreen())
        return;
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(WId(windowId));
    if (!picture.isNull())
        picture.save(path, "PNG");
}

} // namespace

QString operatingSystemName()
{
    const QSettings release(QStringLiteral("/etc/os-release"), QSettings::IniFormat);
    QString name = release.value(QStringLiteral("PRETTY_NAME")).toString();
    if (name.isEmpty())
        name = QSysInfo::prettyProductName();
    return QStringLiteral("%1 ver %2").arg(name, QSysInfo::kernelVersion());
}

ReportEnvironment currentEnvironment()
{
    ReportEnvironment env;
    env.appName = QCoreApplication::applicationName();
    env.appVersion = QCoreApplication::applicationVersion();
    env.appImagePath = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    env.operatingSystem = operatingSystemName();
    env.architecture = qEnvironmentVariable("PROCESSOR_ARCHITEW6432");
    if (env.architecture.isEmpty())
        env.architecture = qEnvironmentVariable("PROCESSOR_ARCHITECTURE");
    if (env.architecture.isEmpty()) {
        utsname u;
        if (::uname(&u) == 0)
            env.architecture = QString::fromLatin1(u.machine);
    }
    env.platform = QSysInfo::WordSize == 64 ? QStringLiteral("64-bit") : QStringLiteral("32-bit");
    env.now = QDateTime::currentDateTimeUtc();
    return env;
}

QString reportPath(const QString &dumpPath) { return withExtension(dumpPath, QStringLiteral(".xml")); }
QString screenshotPath(const QString &dumpPath) { return withExtension(dumpPath, QStringLiteral(".png")); }
QString detailsPath(const QString &dumpPath) { return dumpPath + QStringLiteral(".details"); }

namespace {

QString build(const QString &dumpPath, const ReportEnvironment &env, bool consumeDetails)
{
    QString r;
    auto line = [&r](const QString &l) { r += l + QStringLiteral("\r\n"); };
    auto element = [&line](const char *indent, const char *name, const QString &value) {
        line(QStringLiteral("%1<%2>%3</%2>").arg(QLatin1String(indent), QLatin1String(name), text(value)));
    };
    line(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"));
    line(QStringLiteral("<CrashReport>"));
    element("\t", "AppName", env.appName);
    element("\t", "AppVersion", env.appVersion);
    element("\t", "AppImageName", env.appImagePath);
    element("\t", "CrashGUID", QFileInfo(dumpPath).completeBaseName());
    element("\t", "OperatingSystem", env.operatingSystem);
    element("\t", "OSArchitecture", env.architecture);
    element("\t", "AppPlatform", env.platform);
    element("\t", "SystemTimeUTC", env.now.toString(Qt::ISODate));

    QList<QPair<QString, QString>> fields;
    QFile file(detailsPath(dumpPath));
    // Ours is a plain file: a FIFO under its name would block the open.
    if (QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly)) {
        // Bounded: a details file is small; anything huge is not ours.
        const QByteArray bytes = file.read(64 * 1024 * 1024);
        file.close();
        if (consumeDetails)
            file.remove();
        Details d;
        if (parseDetails(bytes, d)) {
            grabWindow(d.windowId, screenshotPath(dumpPath));
            QString log;
            parseApplicationData(d.appData, fields, log);
            const QDateTime start = QDateTime::fromSecsSinceEpoch(d.startTime, Qt::UTC);
            element("\t", "AppStartTimeUTC", start.toString(Qt::ISODate));
            element("\t", "AppRunningTime", duration(start.secsTo(env.now)));
            element("\t", "ProcessId", QStringLiteral("%1 (0x%2)").arg(d.processId).arg(hex(d.processId)));
            element("\t", "ThreadId", QStringLiteral("%1 (0x%2)").arg(d.threadId).arg(hex(d.threadId)));
            line(QStringLiteral("\t<MemoryInfo>"));
            element("\t\t", "MemoryLoad", QStringLiteral("%1%").arg(d.memoryLoad));
            element("\t\t", "TotalVirtual", QString::number(d.totalVirtual));
            element("\t\t", "AvailableVirtual", QString::number(d.availableVirtual));
            line(QStringLiteral("\t</MemoryInfo>"));
            const int split = d.exceptionText.indexOf(QLatin1String(": "));
            line(QStringLiteral("\t<Exception>"));
            element("\t\t", "Address", d.address);
            element("\t\t", "Code", d.code);
            element("\t\t", "Flags", d.flags);
            element("\t\t", "CodeString", split < 0 ? d.exceptionText : d.exceptionText.left(split));
            element("\t\t", "Description", split < 0 ? QString() : d.exceptionText.mid(split + 2));
            line(QStringLiteral("\t</Exception>"));
            if (d.hasAssertion) {
                line(QStringLiteral("\t<Assertion>"));
                element("\t\t", "Expression", d.expression);
                element("\t\t", "Function", d.function);
                element("\t\t", "File", d.file);
                element("\t\t", "Line", QString::number(d.line));
                element("\t\t", "Type", QString::number(d.type));
                line(QStringLiteral("\t</Assertion>"));
            }
            line(QStringLiteral("\t<ApplicationLog><![CDATA["));
            // A "]]>" inside a message would end the section early.
            log = withoutControls(log);
            log.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
            const QStringList lines = log.split(QRegularExpression(QStringLiteral("\r?\n")));
            for (const QString &l : lines)
                line(QStringLiteral("\t\t%1").arg(l));
            line(QStringLiteral("\t]]></ApplicationLog>"));
        }
    }
    line(QStringLiteral("\t<CustomFields>"));
    for (const auto &field : qAsConst(fields))
        line(QStringLiteral("\t\t<%1>%2</%1>").arg(field.first, text(field.second)));
    line(QStringLiteral("\t</CustomFields>"));
    line(QStringLiteral("</CrashReport>"));
    return r;
}

} // namespace

QString buildReport(const QString &dumpPath, const ReportEnvironment &env)
{
    return build(dumpPath, env, true);
}

bool writeReport(const QString &dumpPath, const ReportEnvironment &env)
{
    const QByteArray report = build(dumpPath, env, false).toUtf8();
    const QString target = reportPath(dumpPath);
    // Written under a fresh name and renamed over the report's: a link
    // planted under that name in the shared temporary folder is replaced,
    // never written through, and a full disk leaves no half report.
    QTemporaryFile out(target + QStringLiteral(".XXXXXX"));
    if (!out.open() || out.write(report) != report.size() || !out.flush() || ::fsync(out.handle()) != 0
        || ::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    // The details are consumed only once the report holds them.
    QFile::remove(detailsPath(dumpPath));
    return true;
}

} // namespace kerfloom::crash
