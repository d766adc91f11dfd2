#include "platform/elevation.h"

#include <QProcess>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {
// pkexec's own exit codes: the user dismissed the prompt, or was not
// authorised (or no authentication agent could ask).
constexpr int DismissedCode = 126;
constexpr int NotAuthorisedCode = 127;

QString lastLine(const QByteArray &output)
{
    const QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.constLast().trimmed();
}
} // namespace

ElevationResult runElevated(const QString &program, const QStringList &arguments)
{
    ElevationResult result;
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty()) {
        result.error = QStringLiteral("pkexec: command not found");
        return result;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(pkexec, QStringList{program} + arguments);
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1)
        || process.exitStatus() != QProcess::NormalExit) {
        result.error = process.errorString();
        return result;
    }
    const int code = process.exitCode();
    if (code == DismissedCode || code == NotAuthorisedCode) {
        result.error = lastLine(process.readAllStandardError());
        if (result.error.isEmpty())
            result.error = code == DismissedCode ? QStringLiteral("Request dismissed")
                                                 : QStringLiteral("Not authorized");
        return result;
    }
    result.started = true;
    result.exitCode = code;
    return result;
}

void adoptInvokingUserFolders()
{
    if (geteuid() != 0)
        return;
    QByteArray uidText = qgetenv("PKEXEC_UID");
    if (uidText.isEmpty())
        uidText = qgetenv("SUDO_UID");
    bool ok = false;
    const uint uid = uidText.toUInt(&ok);
    if (!ok || uid == 0)
        return;
    const passwd *user = getpwuid(uid_t(uid));
    if (!user || !user->pw_dir)
        return;
    // The elevated environment is the administrator's; its XDG folders would
    // send the per-user files to the wrong home.
    setenv("HOME", user->pw_dir, 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace platform
