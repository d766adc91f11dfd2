#include "controller/form1.h"
#include "controller/form3.h"
#include "controller/smallforms.h"
#include "controller/streamcli.h"
#include "platform/display.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QCoreApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// CUTDECK_SCREENSHOT=out.png: saves a picture of the window
// CUTDECK_SCREENSHOT_AFTER milliseconds later (default 6000), then quits.
// On the machine form the loaded job is started first; on the drawing form
// CUTDECK_SCREENSHOT_ACTION names a menu entry to trigger (the picture is
// then of the dialog, message or form it opens, if any). Used for the
// documentation and to look at the forms under Xvfb.
void triggerForScreenshot(QMainWindow &window, const QString &action)
{
    if (action.isEmpty() || qEnvironmentVariableIsEmpty("CUTDECK_SCREENSHOT"))
        return;
    QTimer::singleShot(300, &window, [&window, action] {
        if (QAction *a = window.findChild<QAction *>(action))
            a->trigger();
    });
}

void scheduleScreenshot(QMainWindow &window, const QString &action)
{
    const QString out = qEnvironmentVariable("CUTDECK_SCREENSHOT");
    if (out.isEmpty())
        return;
    const int after = envInt("CUTDECK_SCREENSHOT_AFTER", 6000);
    QTimer::singleShot(after, &window, [&window, out] {
        QWidget *shown = QApplication::activeModalWidget();
        // A form that the action opened (Form3 after "&Run").
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!shown && w != &window && w->isVisible() && qobject_cast<QMainWindow *>(w))
                shown = w;
        (shown ? shown : &window)->grab().save(out);
        // A step cut runs its own loop and would go on to the end, and to its
        // completion message, after the exit: closing the machine form stops
        // it first, as cancel does.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *machine = qobject_cast<cutdeck::Form3 *>(w))
                machine->close();
        QCoreApplication::exit(0);
    });
    triggerForScreenshot(window, action);
}

bool isCutFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("txt") || suffix == QLatin1String("gcode") || suffix == QLatin1String("tap");
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

    const bool mayFallBack = platform::offerOffscreenFallback();
    QApplication app(argc, argv);
    if (platform::fellBackToOffscreen(mayFallBack)) {
        const QString display = platform::namedDisplay();
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(QStringLiteral("No hay pantalla para mostrar la ventana%1. Sin ventana: "
                                                   "cutdeck --help muestra las opciones.")
                                        .arg(display.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(display))));
        return 1;
    }
    const QStringList args = QCoreApplication::arguments();
    const QString file = args.size() > 1 ? args.at(1) : QString();

    // A cut file goes straight to the machine form, as "Run" would hand it.
    if (isCutFile(file)) {
        cutdeck::Form3 form(std::make_unique<cutdeck::MachineLink>(platform::createSerialLine()));
        // Armed first: a port that cannot be opened shows its message from
        // the set-up, and the screenshot run takes that picture and ends
        // instead of waiting for a click.
        scheduleScreenshot(form, {});
        if (!form.setUp())
            return 1;
        form.openJob(file);
        form.show();
        triggerForScreenshot(form, form.settings().mode == cutdeck::Mode::Gcode ? QStringLiteral("mnugcode")
                                                                               : QStringLiteral("mnufresar"));
        return app.exec();
    }

    cutdeck::Form1 form;
    const bool scripted = !qEnvironmentVariableIsEmpty("CUTDECK_SCREENSHOT");
    cutdeck::frmSplash splash(scripted ? 1 : envInt("CUTDECK_SPLASH_MS", 2500));
    QObject::connect(&splash, &cutdeck::frmSplash::finished, &form, [&] {
        form.show();
        if (!file.isEmpty())
            form.openDrawing(file);
    });
    splash.show();
    scheduleScreenshot(form, qEnvironmentVariable("CUTDECK_SCREENSHOT_ACTION"));
    return app.exec();
}
