#include "app/updatehook.h"

#include "app/kerfloom.h"
#include "platform/elevation.h"
#include "update/updatesystem.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace kerfloom {

bool runUpdaterIfAsked(int *exitCode)
{
    if (!UpdateSystem::isUpdaterMode(QCoreApplication::arguments()))
        return false;
    platform::adoptInvokingUserFolders();
    *exitCode = UpdateSystem::instance()->runUpdaterStep();
    return true;
}

void attachUpdates(Kerfloom *window, bool checkNow, bool interactive)
{
    UpdateSystem *updates = UpdateSystem::instance();
    updates->setInteractive(interactive);
    updates->cleanUp();

    auto *check = new QAction(Kerfloom::tr("Check for updates"), window);
    check->setObjectName(QStringLiteral("actionCheck_for_updates"));
    if (QMenu *about = window->findChild<QMenu *>(QStringLiteral("menuAbout")))
        about->addAction(check);
    QObject::connect(check, &QAction::triggered, window, [window, updates] {
        if (!updates->isBusy())
            window->statusBar()->showMessage(Kerfloom::tr("Checking for updates..."));
        updates->CheckForUpdates();
    });
    QObject::connect(updates, &UpdateSystem::finished, window,
                     [window](UpdateSystem::Outcome outcome, const QString &detail) {
                         window->statusBar()->showMessage(UpdateSystem::statusText(outcome, detail), 10000);
                     });
    if (checkNow && !updates->serverUrl().isEmpty())
        QTimer::singleShot(0, updates, &UpdateSystem::CheckForUpdates);
}

} // namespace kerfloom
