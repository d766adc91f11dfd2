#include "controller/form3.h"
#include "controller/streamcli.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <QTimer>

namespace {

// CUTDECK_SCREENSHOT=out.png: starts the loaded job (stream or step cut) and
// saves a picture of the window CUTDECK_SCREENSHOT_AFTER milliseconds later
// (default 6000), then quits. Used for the documentation and to look at the
// form under Xvfb.
void scheduleScreenshot(cutdeck::Form3 &form)
{
    const QString out = qEnvironmentVariable("CUTDECK_SCREENSHOT");
    if (out.isEmpty())
        return;
    bool ok = false;
    int after = qEnvironmentVariableIntValue("CUTDECK_SCREENSHOT_AFTER", &ok);
    if (!ok)
        after = 6000;
    QTimer::singleShot(after, &form, [&form, out] {
        form.grab().save(out);
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(300, &form, [&form] {
        const char *start = form.settings().mode == cutdeck::Mode::Gcode ? "mnugcode" : "mnufresar";
        if (QAction *a = form.findChild<QAction *>(QLatin1String(start)))
            a->trigger();
    });
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (cutdeck::isCommandLineMode(arguments)) {
        QCoreApplication app(argc, argv);
        return cutdeck::runCommandLine(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    cutdeck::Form3 form(std::make_unique<cutdeck::MachineLink>(platform::createSerialLine()));
    if (!form.setUp())
        return 1;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        form.openJob(args.at(1));
    form.show();
    scheduleScreenshot(form);
    return app.exec();
}
