// BrenmoorInstaller: installs Kerfloom from the folder the setup unpacked,
// or, as the "Uninstall" copy in an installation, removes it. "/quiet" (in
// exactly that case) does either without a window or question.
#include "installer/installation.h"
#include "installer/installerdialog.h"
#include "ui/style/brenmoorstyle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
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

    const QString self = QCoreApplication::applicationFilePath();
    const bool uninstallMode = self.endsWith(installer::UninstallerName);
    const QStringList args = QCoreApplication::arguments();
    const bool quiet = args.size() > 1 && args.at(1) == QLatin1String("/quiet");
    const QString ownFolder = QCoreApplication::applicationDirPath();

    BrenmoorInstaller dialog(uninstallMode, quiet);
    QDir::setCurrent(ownFolder);
    if (quiet)
        QMetaObject::invokeMethod(&dialog, "on_installButton_clicked", Qt::QueuedConnection);
    else
        dialog.show();
    QObject::connect(&dialog, &QDialog::finished, &app, &QCoreApplication::quit);
    const int code = app.exec();

    if (uninstallMode) {
        if (dialog.result() == QDialog::Accepted)
            installer::startDeferredDeletions(dialog.deferredDeletions(), false);
    } else {
        // The setup's work folder goes once this process has ended; an
        // installer started from anywhere else leaves its folder alone.
        const QString work = installer::bootstrapWorkFolder(ownFolder);
        if (!work.isEmpty())
            installer::startDeferredDeletions({work + QLatin1Char('/')}, true);
    }
    return code == 0 && dialog.result() == QDialog::Accepted ? 0 : (code ? code : 1);
}
