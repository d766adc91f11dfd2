#pragma once
// The installer's work without a window: copying an installation out of the
// folder the installer runs in, its uninstall entry and shortcuts, removing
// it again, and the deletions that must wait until the process has ended.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace installer {

inline const QString ProductName = QStringLiteral("Kerfloom");
inline const QString CompanyName = QStringLiteral("Brenmoor");
inline const QString GroupName = CompanyName + QLatin1Char(' ') + ProductName;
inline const QString Publisher = QStringLiteral("Brenmoor Limited");
inline const QString Version = QStringLiteral("2.84");
// The uninstaller is a copy of the installer under this name; the program
// switches to uninstalling when its own file name ends with it.
inline const QString UninstallerName = QStringLiteral("Uninstall");

// The uninstall entry: system-wide when running as root, else the user's.
std::unique_ptr<QSettings> openUninstallEntries();

// "$ProgramFiles/Brenmoor/Kerfloom" ("/opt" without the variable), or the
// folder of a previous installation.
QString defaultLocation();

// User data removed with the program (absolute paths; folders end in "/").
QStringList userDataFiles();

struct InstallRequest
{
    QString sourceDir;       // the folder the installer runs in
    QString targetDir;       // where the installation goes
    QString installerPath;   // the running installer, copied as the uninstaller
    bool desktopShortcut = true;
    bool menuShortcut = true;
};

struct InstallResult
{
    bool ok = false;
    QString error;       // the message for the user when !ok
    QString programPath; // the installed main program
    qint64 bytes = 0;    // bytes copied
};

// The folder a user typed, as an absolute path: "~" stands for the home
// folder, as in a shell, and a relative path is taken from the home folder
// too. The installer runs in a temporary folder that goes when it ends, so a
// path relative to it would install into what is about to be deleted.
QString resolveTargetDir(const QString &typed);

// Creates the target folder with its parents; the message when it cannot.
bool createTargetDir(const QString &dir, QString *error);

// Copies the files, writes the uninstall entry and the shortcuts. A file that
// is missing or cannot be copied stops it before the entry and shortcuts.
InstallResult install(const InstallRequest &request);

// Removes the installation named by the uninstall entry, the program's
// settings and the shortcuts. Returns what could not be removed yet and must
// wait until this process has ended (the running uninstaller among them).
QStringList uninstall(const QString &uninstallerPath);

// True when `location` may be emptied by the uninstaller running from
// `uninstallerPath`: an absolute folder that is the uninstaller's own, and
// neither the root nor a home folder.
bool isSafeLocation(const QString &location, const QString &uninstallerPath);

// The folder the setup unpacked into when `installerDir` is its
// "<temp>/<uuid>/BrenmoorInstaller"; empty for any other folder.
QString bootstrapWorkFolder(const QString &installerDir);

// Starts one detached shell per entry that deletes it after 5.5 s, 6 s, …:
// folders (ending in "/") with rmdir (only when empty) and files with rm -f;
// with `recursive`, folders with rm -rf.
void startDeferredDeletions(const QStringList &entries, bool recursive);

// Starts the installed program detached; when running elevated on behalf of
// a user (pkexec, sudo), as that user.
bool startProgram(const QString &programPath);

} // namespace installer
