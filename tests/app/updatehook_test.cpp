#include "app/kerfloom.h"
#include "app/updatehook.h"
#include "resources/resources.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

TEST(UpdateHook, AboutMenuChecksForUpdatesAndSaysSoInTheStatusBar)
{
    // No server: the check must say so instead of requesting anything.
    qunsetenv("KERFLOOM_UPDATE_URL");
    qunsetenv("KERFLOOM_BASE_URL");
    kerfloom::initResources();
    Kerfloom window;
    kerfloom::attachUpdates(&window, false, false);

    auto *about = window.findChild<QMenu *>(QStringLiteral("menuAbout"));
    ASSERT_NE(about, nullptr);
    QAction *check = nullptr;
    for (QAction *action : about->actions())
        if (action->objectName() == QLatin1String("actionCheck_for_updates"))
            check = action;
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(), "Check for updates");

    check->trigger();
    EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), "No update server is configured");
}

} // namespace
