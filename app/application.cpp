#include "app/application.h"

#include "app/kerfloom.h"
#include "app/prompts.h"
#include "app/updatehook.h"
#include "crash/crashhandler.h"
#include "crash/crashreporter.h"
#include "crash/crashtest.h"
#include "formats/settings.h"
#include "resources/language.h"
#include "resources/resources.h"
#include "ui/style/brenmoorstyle.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <utility>

namespace kerfloom {

bool chooseHeadlessPlatform(bool hasFiles)
{
    // A platform nobody can look at, named by a script that hands us drawings,
    // is an unattended run too: a message box there would wait forever.
    const QByteArray named = qgetenv("QT_QPA_PLATFORM").trimmed();
    if (hasFiles && (named == "offscreen" || named.startsWith("offscreen:") || named == "minimal"))
        return true;
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY")
                            || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (hasDisplay || !named.isEmpty())
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

bool offerHeadlessFallback()
{
    // DISPLAY may name a server that is gone (a closed ssh forwarding), or
    // only WAYLAND_DISPLAY is set and Qt has no plugin for it: Qt would
    // abort. With drawings to process the run goes on unattended.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    return true;
}

void loadLanguage(const QString &name)
{
    initResources(); // the catalogues live there
    installLanguage(QLocale(name));
}

void commonSetup()
{
    initResources();
    installBrenmoorStyle();
    QCoreApplication::setApplicationName(QStringLiteral("Kerfloom"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brenmoor"));
    QCoreApplication::setApplicationVersion(QString::number(2.84, 'f', 2));

    loadLanguage(Settings::language());

    Settings::loadProcessOptions();
    // Later parts draw from qrand(); they expect it seeded by the clock.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qsrand(uint(QDateTime::currentSecsSinceEpoch()));
    QT_WARNING_POP
}

namespace {
// Qt's notes while it looks for a display: shown when one was found, dropped
// when the run went on without one (where only our own lines may appear).
QList<std::pair<QtMsgType, QString>> g_startNotes;
QtMessageHandler g_beforeStart = nullptr;

void holdStartNote(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && g_beforeStart)
        g_beforeStart(type, context, message);
    g_startNotes.append({type, message});
}

void releaseStartNotes(bool show)
{
    qInstallMessageHandler(g_beforeStart);
    const auto notes = std::exchange(g_startNotes, {});
    if (!show)
        return;
    for (const auto &note : notes)
        qt_message_output(note.first, QMessageLogContext(), note.second);
}

// KERFLOOM_SCREENSHOT=out.png: once the command-line files are shown, save
// a picture of the window and quit (scripts/screenshot.sh uses it). With
// KERFLOOM_SCREENSHOT_SIMULATE=ms the simulation is started first and the
// picture taken that many milliseconds into it.
void scheduleScreenshot(Kerfloom *window)
{
    const QString out = qEnvironmentVariable("KERFLOOM_SCREENSHOT");
    if (out.isEmpty())
        return;
    bool simulate = false;
    const int simulateMs = qEnvironmentVariableIntValue("KERFLOOM_SCREENSHOT_SIMULATE", &simulate);
    if (simulate)
        QTimer::singleShot(1500, window, [window] {
            window->action(QStringLiteral("actionSimulate"))->trigger();
        });
    QTimer::singleShot(1500 + (simulate ? std::max(0, simulateMs) : 0), window, [window, out] {
        const bool ok = window->grab().save(out, "PNG");
        if (!ok)
            std::fprintf(stderr, "Kerfloom: cannot write screenshot %s\n", qPrintable(out));
        QCoreApplication::exit(ok ? 0 : 1);
    });
}
} // namespace

int run(int argc, char **argv)
{
    // Crash-report mode: started by a crashed copy of the program.
    if (argc >= 3 && std::strcmp(argv[1], "crash") == 0) {
        // Without a reachable display the report is still written; the
        // reporter says where instead of showing its dialog.
        if (!chooseHeadlessPlatform(false))
            offerHeadlessFallback();
        QApplication app(argc, argv);
        commonSetup();
        return runCrashReporter(QCoreApplication::arguments().at(2));
    }

    bool headless = chooseHeadlessPlatform(argc >= 2);
    // Without drawings too: Qt would abort with advice to reinstall.
    const bool mayFallBack = !headless && offerHeadlessFallback();
    if (headless)
        prompts::installHeadlessMessageFilter();
    else if (mayFallBack)
        g_beforeStart = qInstallMessageHandler(holdStartNote);
    QApplication app(argc, argv);
    if (mayFallBack) {
        headless = QGuiApplication::platformName() == QLatin1String("offscreen");
        releaseStartNotes(!headless);
        if (headless)
            prompts::installHeadlessMessageFilter();
    }
    commonSetup();
    // KERFLOOM_CRASH_HANDLER=0 leaves fatal signals to a debugger or the system.
    if (qEnvironmentVariable("KERFLOOM_CRASH_HANDLER") != QLatin1String("0")) {
        CrashHandler::instance().install();
        CrashHandler::installMessageLog();
    }
    prompts::setHeadless(headless);

    int updaterCode = 0;
    if (runUpdaterIfAsked(&updaterCode))
        return updaterCode;

    const QStringList args = QCoreApplication::arguments();
    if (headless && args.size() < 2) {
        if (mayFallBack) {
            // A display was named, and a window wanted, but it cannot be reached.
            const QByteArray display = qgetenv(qEnvironmentVariableIsEmpty("DISPLAY") ? "WAYLAND_DISPLAY" : "DISPLAY");
            std::fprintf(stderr, "Kerfloom: cannot open the display \"%s\" and no drawing to process\n",
                         display.constData());
            return 1;
        }
        std::fprintf(stderr, "Kerfloom: no display and no drawing to process\n");
        return 0;
    }

    auto *window = new Kerfloom;
    window->show();
    // An unattended run that processes files is left alone by updates.
    attachUpdates(window, args.size() < 2, !headless);
    // Ahead of the files: an unattended run schedules its quit while opening them.
    crash::scheduleCrashTest();
    for (int i = 1; i < args.size(); ++i)
        window->openFile(args.at(i), true, i == args.size() - 1);
    scheduleScreenshot(window);
    const int code = app.exec();
    delete window;
    CrashHandler::instance().uninstall();
    return code;
}

} // namespace kerfloom
