#include "installation.h"

#include "installer/filelists.h"
#include "platform/savefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <pwd.h>
#include <unistd.h>

namespace installer {

namespace {

// lupdate files the tr() calls of this namespace under "installer"; the
// lookup must use the same context or the catalogue's entries go unused.
QString tr(const char *text)
{
    return QCoreApplication::translate("installer", text);
}

QString placed(const QString &entry)
{
    return entry.startsWith(QLatin1String("app/")) ? entry.mid(4) : entry;
}

// Values of a .desktop file are strings with their own escapes; Exec also
// needs quoting for paths with spaces or reserved characters.
QString desktopString(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return value;
}

QString desktopExec(const QString &path)
{
    QString quoted = path;
    for (const char *c : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return desktopString(QLatin1Char('"') + quoted + QLatin1Char('"'));
}

bool writeShortcut(const QString &linkPath, const QString &name, const QString &target, const QString &comment,
                   const QString &icon)
{
    if (!QDir().mkpath(QFileInfo(linkPath).absolutePath()))
        return false;
    QSaveFile file(linkPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << desktopString(name) << '\n'
        << "Comment=" << desktopString(comment) << '\n'
        << "Exec=" << desktopExec(target) << '\n';
    // Named by absolute path: the installation carries its own picture, not
    // one of the desktop's icon themes.
    if (!icon.isEmpty())
        out << "Icon=" << desktopString(icon) << '\n';
    out
        << "Path=" << desktopString(QFileInfo(target).absolutePath()) << '\n'
        << "Terminal=false\n";
    out.flush();
    if (!platform::commitWhole(file))
        return false;
    QFile::setPermissions(linkPath, QFile::permissions(linkPath) | QFile::ExeOwner);
    return true;
}

// Files the installed programs write into their own folder: cutdeck keeps
// its settings beside its program. They belong to the installation, and the
// folder cannot go while they remain.
const char *const ProgramDataFiles[] = {"cutdeck_config.INI"};

QString menuFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QLatin1Char('/') + GroupName;
}

QString desktopLink()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/') + ProductName
        + QLatin1String(".desktop");
}

bool removeEntry(const QString &path)
{
    if (path.endsWith(QLatin1Char('/')))
        return QDir().rmdir(path) || !QFileInfo::exists(path);
    return QFile::remove(path) || (!QFileInfo(path).isSymLink() && !QFileInfo::exists(path));
}

} // namespace

std::unique_ptr<QSettings> openUninstallEntries()
{
    // Qt's system scope ignores XDG_CONFIG_DIRS; the first of those folders
    // is where a system-wide entry belongs (and where tests redirect it).
    QString root;
    if (geteuid() == 0) {
        root = qEnvironmentVariable("XDG_CONFIG_DIRS").section(QLatin1Char(':'), 0, 0);
        if (root.isEmpty())
            root = QStringLiteral("/etc/xdg");
    } else {
        root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    }
    return std::make_unique<QSettings>(root + QLatin1Char('/') + CompanyName + QLatin1String("/Uninstall.conf"),
                                       QSettings::NativeFormat);
}

QString defaultLocation()
{
    // A relative $ProgramFiles or entry is taken from the home folder as a
    // typed one is: relative to the installer's folder, the installation
    // would go into the setup's work folder, which is deleted when it ends.
    auto entries = openUninstallEntries();
    const QString previous = entries->value(GroupName + QLatin1String("/InstallLocation")).toString();
    if (!previous.trimmed().isEmpty())
        return resolveTargetDir(previous);
    QString root = qEnvironmentVariable("ProgramFiles");
    if (root.trimmed().isEmpty())
        root = QStringLiteral("/opt");
    return resolveTargetDir(root + QLatin1Char('/') + CompanyName + QLatin1Char('/') + ProductName);
}

QStringList userDataFiles()
{
    // The program keeps its settings in <config>/Brenmoor/Kerfloom/.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString company = config + QLatin1Char('/') + CompanyName + QLatin1Char('/');
    const QString product = company + ProductName + QLatin1Char('/');
    return {product + QLatin1String("settings.ini"), product, company};
}

QString resolveTargetDir(const QString &typed)
{
    QString path = QDir::fromNativeSeparators(typed.trimmed());
    if (path.isEmpty())
        return path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (QDir::isRelativePath(path))
        path = QDir::home().absoluteFilePath(path);
    return QDir::cleanPath(path);
}

bool createTargetDir(const QString &dir, QString *error)
{
    if (!dir.isEmpty() && QDir().mkpath(dir))
        return true;
    *error = tr("Cannot create directory \"%1\"!").arg(QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath()));
    return false;
}

InstallResult install(const InstallRequest &request)
{
    InstallResult result;
    if (!createTargetDir(request.targetDir, &result.error))
        return result;
    const QString dir = QFileInfo(request.targetDir).absoluteFilePath();
    const QDir source(request.sourceDir);

    const QStringList files = programFiles() + runtimeFiles();
    for (const QString &entry : files) {
        const QString from = source.filePath(entry);
        const QString dest = dir + QLatin1Char('/') + placed(entry);
        if (result.programPath.isEmpty())
            result.programPath = dest;
        // A missing or half-copied file leaves a program that does not start,
        // so every failure stops here, before anything points at the folder.
        const bool copied = QFileInfo(from).isFile() && QDir().mkpath(QFileInfo(dest).absolutePath())
            && (!QFileInfo::exists(dest) || QFile::remove(dest)) && QFile::copy(from, dest);
        if (!copied) {
            result.error = tr("Cannot copy file \"%1\"!").arg(entry);
            return result;
        }
        result.bytes += QFileInfo(dest).size();
    }

    const QString uninstaller = dir + QLatin1Char('/') + UninstallerName;
    if ((QFileInfo::exists(uninstaller) && !QFile::remove(uninstaller))
        || !QFile::copy(request.installerPath, uninstaller)) {
        result.error = tr("Cannot copy file \"%1\"!").arg(UninstallerName);
        return result;
    }

    auto entries = openUninstallEntries();
    entries->beginGroup(GroupName);
    const QString quotedUninstaller = QLatin1Char('"') + QDir::toNativeSeparators(uninstaller) + QLatin1Char('"');
    entries->setValue(QStringLiteral("DisplayName"), GroupName);
    entries->setValue(QStringLiteral("UninstallString"), quotedUninstaller);
    entries->setValue(QStringLiteral("QuietUninstallString"), quotedUninstaller + QLatin1String(" /quiet"));
    entries->setValue(QStringLiteral("InstallLocation"), QDir::toNativeSeparators(dir));
    entries->setValue(QStringLiteral("DisplayIcon"), QDir::toNativeSeparators(result.programPath));
    for (const char *key : {"Publisher", "RegOwner", "RegCompany"})
        entries->setValue(QLatin1String(key), Publisher);
    entries->setValue(QStringLiteral("DisplayVersion"), Version);
    entries->setValue(QStringLiteral("InstallDate"), QDateTime::currentDateTime().toString(Qt::TextDate));
    entries->setValue(QStringLiteral("EstimatedSize"), result.bytes / 1024);
    entries->setValue(QStringLiteral("NoModify"), 1);
    entries->setValue(QStringLiteral("NoRepair"), 1);
    entries->endGroup();
    entries->sync();
    if (entries->status() == QSettings::AccessError) {
        // Without its entry the installation cannot be uninstalled: say so
        // rather than report success.
        result.error = tr("Cannot write file \"%1\"!").arg(QDir::toNativeSeparators(entries->fileName()));
        return result;
    }

    // A shortcut whose folder cannot be made is skipped, as on any desktop
    // without such a folder.
    const QString icon = iconFile().isEmpty() ? QString() : dir + QLatin1Char('/') + placed(iconFile());
    if (request.desktopShortcut)
        writeShortcut(desktopLink(), ProductName, result.programPath, ProductName, icon);
    if (request.menuShortcut) {
        writeShortcut(menuFolder() + QLatin1Char('/') + ProductName + QLatin1String(".desktop"), ProductName,
                      result.programPath, ProductName, icon);
        writeShortcut(menuFolder() + QLatin1Char('/') + UninstallerName + QLatin1String(".desktop"),
                      tr("Uninstall"), uninstaller,
                      tr("Removes %1, its settings and its shortcuts from this computer").arg(ProductName), icon);
    }
    result.ok = true;
    return result;
}

bool isSafeLocation(const QString &location, const QString &uninstallerPath)
{
    if (location.isEmpty() || !QDir::isAbsolutePath(location))
        return false;
    const QString canonical = QFileInfo(location).canonicalFilePath();
    if (canonical.isEmpty() || canonical == QLatin1String("/"))
        return false;
    const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
    if (canonical == home || (home + QLatin1Char('/')).startsWith(canonical + QLatin1Char('/')))
        return false;
    return canonical == QFileInfo(QFileInfo(uninstallerPath).absolutePath()).canonicalFilePath();
}

QStringList uninstall(const QString &uninstallerPath)
{
    auto entries = openUninstallEntries();
    const QString location = QDir::fromNativeSeparators(
        entries->value(GroupName + QLatin1String("/InstallLocation")).toString());
    entries->remove(GroupName);
    entries->sync();
    if (entries->allKeys().isEmpty()) {
        QFile::remove(entries->fileName());
        QDir().rmdir(QFileInfo(entries->fileName()).absolutePath());
    }

    QStringList deferred;
    const bool safe = isSafeLocation(location, uninstallerPath);
    if (safe) {
        const QString dir = QFileInfo(location).canonicalFilePath();
        QStringList entries;
        for (const QString &entry : programFiles() + runtimeFiles())
            entries << placed(entry);
        for (const char *name : ProgramDataFiles)
            entries << QLatin1String(name);
        for (const QString &entry : entries) {
            const QString path = dir + QLatin1Char('/') + entry;
            if (!removeEntry(path))
                deferred << path;
        }
    }
    for (const QString &path : userDataFiles()) {
        if (!removeEntry(path))
            deferred << path;
    }

    // The program's own settings, the counterpart of its registry key.
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, CompanyName, ProductName);
        settings.clear();
        settings.sync();
        QFile::remove(settings.fileName());
    }

    deferred << QFileInfo(uninstallerPath).absoluteFilePath();
    if (safe) {
        const QString dir = QFileInfo(location).canonicalFilePath();
        deferred << dir + QLatin1String("/imageformats/") << dir + QLatin1String("/platforms/")
                 << dir + QLatin1Char('/');
        const QFileInfo parent(QFileInfo(dir).absolutePath());
        if (parent.fileName() == CompanyName)
            deferred << parent.absoluteFilePath() + QLatin1Char('/');
    }
    // User-data folders that held files emptied above go after them.
    for (const QString &path : userDataFiles()) {
        if (deferred.removeAll(path))
            deferred << path;
    }

    QFile::remove(desktopLink());
    QDir(menuFolder()).removeRecursively();
    return deferred;
}

QString bootstrapWorkFolder(const QString &installerDir)
{
    const QFileInfo info(QDir::cleanPath(installerDir));
    if (info.fileName() != QLatin1String("BrenmoorInstaller"))
        return {};
    const QFileInfo work(info.absolutePath());
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    if (!uuid.match(work.fileName()).hasMatch())
        return {};
    return work.absoluteFilePath();
}

void startDeferredDeletions(const QStringList &entries, bool recursive)
{
    int k = 0;
    for (const QString &path : entries) {
        ++k;
        const QString seconds = QString::number((5000 + 500 * k) / 1000.0, 'f', 1);
        const bool folder = path.endsWith(QLatin1Char('/'));
        const QString command = folder ? (recursive ? QStringLiteral("rm -rf --") : QStringLiteral("rmdir --"))
                                       : QStringLiteral("rm -f --");
        // The path goes in as an argument, never as shell text.
        QProcess::startDetached(QStringLiteral("/bin/sh"),
                                {QStringLiteral("-c"), QStringLiteral("sleep \"$1\"; ") + command
                                     + QStringLiteral(" \"$2\" 2>/dev/null"),
                                 QStringLiteral("sh"), seconds, path},
                                QStringLiteral("/"));
    }
}

bool startProgram(const QString &programPath)
{
    const QString folder = QFileInfo(programPath).absolutePath();
    if (geteuid() == 0) {
        bool ok = false;
        uint uid = qEnvironmentVariable("PKEXEC_UID").toUInt(&ok);
        if (!ok)
            uid = qEnvironmentVariable("SUDO_UID").toUInt(&ok);
        if (ok && uid != 0) {
            if (const passwd *pw = getpwuid(uid)) {
                return QProcess::startDetached(QStringLiteral("runuser"),
                                               {QStringLiteral("-u"), QString::fromLocal8Bit(pw->pw_name),
                                                QStringLiteral("--"), programPath},
                                               folder);
            }
        }
    }
    return QProcess::startDetached(programPath, {}, folder);
}

} // namespace installer
