// BrenmoorInstaller: installs Kerfloom from the folder the setup unpacked,
// or, as the "Uninstall" copy in an installation, removes it. "/quiet" (in
// exactly that case) does either without a window or question, and so also
// without a display.
#include "installer/installation.h"
#include "installer/installerdialog.h"
#include "platform/display.h"
#include "ui/style/brenmoorstyle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

// The deletions that must wait until this process has ended.
void startDeferred(bool uninstallMode, const QStringList &deferred, const QString &ownFolder)
{
    if (uninstallMode) {
        installer::startDeferredDeletions(deferred, false);
        return;
    }
    // The setup's work folder goes; an installer started from anywhere else
    // leaves its folder alone.
    const QString work = installer::bootstrapWorkFolder(ownFolder);
    if (!work.isEmpty())
        installer::startDeferredDeletions({work + QLatin1Char('/')}, true);
}

int runQuiet(bool uninstallMode)
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString ownFolder = QCoreApplication::applicationDirPath();
    if (uninstallMode) {
        startDeferred(true, installer::uninstall(self), ownFolder);
        return 0;
    }
    installer::InstallRequest request;
    request.sourceDir = ownFolder;
    request.targetDir = installer::defaultLocation();
    request.installerPath = self;
    const installer::InstallResult result = installer::install(request);
    // The setup's work folder goes whatever the outcome, as after a window
    // that was closed: a failed attempt must not leave the unpacked
    // installation behind in the temporary folder.
    startDeferred(false, {}, ownFolder);
    if (!result.ok) {
        fprintf(stderr, "%s\n", qPrintable(result.error));
        return 1;
    }
    return 0;
}

// Qt aborts when it finds no display; a user who started the installer from
// a remote shell deserves a word on what to do instead.
bool displayAvailable()
{
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

void noDisplayMessage(const char *mode)
{
    fprintf(stderr, "There is no display to show the window on. Run the program with /quiet to %s "
                    "without a window.\n", mode);
}

} // namespace

int main(int argc, char **argv)
{
    const bool quiet = argc > 1 && std::strcmp(argv[1], "/quiet") == 0;
    if (quiet) {
        QCoreApplication app(argc, argv);
        return runQuiet(QCoreApplication::applicationFilePath().endsWith(installer::UninstallerName));
    }

    const char *mode = QByteArray(argv[0]).endsWith("Uninstall") ? "uninstall" : "install";
    if (!displayAvailable()) {
        noDisplayMessage(mode);
        return 1;
    }
    const bool mayFallBack = platform::offerOffscreenFallback();
    QApplication app(argc, argv);
    if (platform::fellBackToOffscreen(mayFallBack)) {
        noDisplayMessage(mode);
        return 1;
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/BrenmoorInstaller/Resources/icon.png")));
    installBrenmoorStyle();
    if (QLocale::system().language() == QLocale::Polish) {
        for (const char *name : {"qt_pl.qm", "installer_pl.qm"}) {
            auto *translator = new QTranslator(&app);
            if (translator->load(QStringLiteral(":/BrenmoorInstaller/Resources/") + QLatin1String(name)))
                QCoreApplication::installTranslator(translator);
            else
                delete translator;
        }
    }
    const bool uninstalling = QCoreApplication::applicationFilePath().endsWith(installer::UninstallerName);
    const QString ownFolder = QCoreApplication::applicationDirPath();
    BrenmoorInstaller dialog(uninstalling);
    QDir::setCurrent(ownFolder);
    dialog.show();
    QObject::connect(&dialog, &QDialog::finished, &app, &QCoreApplication::quit);
    // With a window the exit code is the event loop's: the user saw every
    // message there, and closing the window is not a failure.
    const int code = app.exec();

    // Once files are gone, the rest must go too, however the window was
    // closed: a finish page closed with Escape or the title bar would
    // otherwise leave the uninstaller behind with no entry to find it by.
    // Answering "No" leaves nothing to delete.
    if (!uninstalling || !dialog.deferredDeletions().isEmpty())
        startDeferred(uninstalling, dialog.deferredDeletions(), ownFolder);
    return code;
}
