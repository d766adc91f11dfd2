#include "controller/streamcli.h"

#include "controller/drawing.h"
#include "controller/jobfile.h"
#include "controller/machinelink.h"
#include "controller/settings.h"
#include "controller/streamer.h"
#include "controller/texts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace cutdeck {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

void addOptions(QCommandLineParser &p)
{
    p.setApplicationDescription(QStringLiteral("Controlador de cortadoras de hilo caliente.\n"
                                               "Sin opciones abre la ventana de control de la máquina."));
    p.addHelpOption();
    p.addOption({QStringLiteral("stream"), QStringLiteral("Envía el archivo G-code sin ventana."),
                 QStringLiteral("ARCHIVO")});
    p.addOption({QStringLiteral("save-job"),
                 QStringLiteral("Convierte el dibujo HPGL en archivo de corte (.txt) y, en modo G-code, en "
                                "archivo .gcode junto al dibujo, con las opciones de cutdeck_config.INI."),
                 QStringLiteral("DIBUJO.plt")});
    p.addOption({QStringLiteral("port"),
                 QStringLiteral("Dispositivo del puerto serie (por defecto el de cutdeck_config.INI)."),
                 QStringLiteral("DISPOSITIVO")});
    p.addOption({QStringLiteral("settle"),
                 QStringLiteral("Espera tras la consulta de posición M114, en ms (por defecto 3000)."),
                 QStringLiteral("MS")});
    p.addOption({QStringLiteral("stall"),
                 QStringLiteral("Segundos sin \"ok\" tras los que se avisa que la máquina no responde "
                                "(por defecto 10)."),
                 QStringLiteral("S")});
    p.addPositionalArgument(QStringLiteral("archivo"), QStringLiteral("Archivo de corte a abrir en la ventana."),
                            QStringLiteral("[archivo]"));
}

// Qt's parser speaks English; the program speaks Spanish.
QString parseErrorText(const QCommandLineParser &parser)
{
    const QString help = QStringLiteral(" (cutdeck --help muestra las opciones)");
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("Opción desconocida: %1%2").arg(unknown.first().size() == 1 ? "-" : "--", unknown.first())
               + help;
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    const QString text = parser.errorText();
    if (const auto m = missing.match(text); m.hasMatch())
        return QStringLiteral("Falta el valor de %1").arg(m.captured(1)) + help;
    if (const auto m = unexpected.match(text); m.hasMatch())
        return QStringLiteral("%1 no lleva valor").arg(m.captured(1)) + help;
    return text;
}

// The name of one of Qt's own window options (-platform, --display=:1, …),
// else empty.
QString qtOptionName(const QString &argument)
{
    static const QStringList qtOptions = {
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),        QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),  QStringLiteral("reverse"),            QStringLiteral("session"),
        QStringLiteral("display"),       QStringLiteral("geometry"),           QStringLiteral("style"),
        QStringLiteral("stylesheet"),    QStringLiteral("widgetcount"),        QStringLiteral("nograb"),
        QStringLiteral("dograb"),        QStringLiteral("sync"),               QStringLiteral("title"),
        QStringLiteral("name"),          QStringLiteral("icon"),               QStringLiteral("qmljsdebugger"),
        QStringLiteral("testability"),   QStringLiteral("visual"),             QStringLiteral("cmap")};
    if (!argument.startsWith(QLatin1Char('-')))
        return {};
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
    return qtOptions.contains(name) ? name : QString();
}

// Qt's window options mean nothing without a window, and the parser below
// would refuse them: they are dropped, with their values.
QStringList withoutQtOptions(const QStringList &arguments)
{
    static const QStringList flags = {QStringLiteral("reverse"),     QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"),      QStringLiteral("dograb"),
                                      QStringLiteral("sync"),        QStringLiteral("testability")};
    QStringList kept = arguments.mid(0, 1);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--")) {
            kept << arguments.mid(i);
            break;
        }
        const QString name = qtOptionName(a);
        if (name.isEmpty())
            kept << a;
        else if (!flags.contains(name) && !a.contains(QLatin1Char('=')))
            ++i; // its value
    }
    return kept;
}

} // namespace

bool isCommandLineMode(const QStringList &arguments)
{
    // Qt takes its own options with one dash or two (-platform, --display);
    // every other double-dash word is ours, so that a mistyped one is refused
    // on the command line instead of silently opening the window.
    for (const QString &a : arguments.mid(1)) {
        if (a == QLatin1String("--"))
            break;
        if (a == QLatin1String("-h"))
            return true;
        if (a.startsWith(QLatin1String("--")) && qtOptionName(a).isEmpty())
            return true;
    }
    return false;
}

static int saveJobCommand(const QString &drawingPath)
{
    Drawing drawing;
    switch (readHpgl(drawingPath, &drawing)) {
    case DrawingResult::Unreadable:
        say(QStringLiteral("No se puede leer \"%1\"").arg(drawingPath));
        return 1;
    case DrawingResult::TooLarge:
        say(QStringLiteral("Capacidad Máxima de memoria exedida! (\"%1\" tiene más de %2 registros)")
                .arg(drawingPath)
                .arg(kDrawingCapacity));
        return 1;
    case DrawingResult::Ok:
        break;
    }
    if (drawing.count() < 2) {
        say(QStringLiteral("\"%1\" no contiene ningún trazo (PU/PD)").arg(drawingPath));
        return 1;
    }
    const DrawingOptions options = DrawingOptions::load();
    prepareDrawing(drawing, options);
    const QString cutPath = cutFileNameFor(drawingPath);
    QString error;
    if (!saveJob(drawing, cutPath, options.gcode, &error)) {
        say(error);
        return 1;
    }
    return 0;
}

int runCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(withoutQtOptions(arguments))) {
        say(parseErrorText(parser));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // --save-job alone converts; with --stream the conversion comes first and
    // a failed one sends nothing.
    if (parser.isSet(QStringLiteral("save-job"))) {
        const int code = saveJobCommand(parser.value(QStringLiteral("save-job")));
        if (code != 0 || !parser.isSet(QStringLiteral("stream")))
            return code;
    }
    const QString job = parser.value(QStringLiteral("stream"));
    if (job.isEmpty()) {
        say(QStringLiteral("Falta el archivo a enviar: cutdeck --stream ARCHIVO --port DISPOSITIVO"));
        return 2;
    }
    QStringList lines;
    QString error;
    if (!readGcodeJob(job, &lines, &error)) {
        say(QStringLiteral("No se puede leer \"%1\": %2").arg(job, error));
        return 2;
    }

    MachineSettings settings = MachineSettings::load();
    settings.mode = Mode::Gcode;
    if (parser.isSet(QStringLiteral("port")))
        settings.devicePath = parser.value(QStringLiteral("port"));
    MachineLink link(platform::createSerialLine());
    if (!link.openPort(settings)) {
        say(MachineLink::openErrorText());
        return 1;
    }
    say(link.statusText());

    GcodeStreamer streamer([&link](const QByteArray &bytes) { return link.writeBytes(bytes); });
    streamer.setLines(lines);
    streamer.setBaseSpeed(settings.gcodeSpeed);
    if (parser.isSet(QStringLiteral("settle")))
        streamer.setSettleTime(qBound(0, parser.value(QStringLiteral("settle")).toInt(), 600000));
    if (parser.isSet(QStringLiteral("stall")))
        streamer.setQuietPeriod(qBound(1, parser.value(QStringLiteral("stall")).toInt(), 86400) * 1000);

    int exitCode = -1;
    int interruptedBy = 0;
    auto finish = [&](int code) {
        if (exitCode < 0) {
            exitCode = code;
            QCoreApplication::exit(code);
        }
    };

    QObject::connect(&link, &MachineLink::readyRead, &streamer, [&] {
        const QByteArray chunk = link.line().readAll();
        streamer.receive(chunk, link.line().bytesWaiting());
    });
    QObject::connect(&link, &MachineLink::failed, &streamer, [&](const QString &reason) {
        streamer.portFailed(reason);
    });

    QElapsedTimer sincePrint;
    sincePrint.start();
    QObject::connect(&streamer, &GcodeStreamer::progress, [&](qint64 done, qint64 total) {
        if (interruptedBy) {
            say(texts::interrupted(done, total));
            finish(128 + interruptedBy);
            return;
        }
        if (sincePrint.elapsed() >= 1000 || done == total) {
            sincePrint.restart();
            say(texts::progress(done, total));
        }
    });
    // An interrupted run waits for the line in flight only while the machine
    // still answers: a silent one would keep a SIGTERM from ever ending us.
    auto giveUpInterrupted = [&] {
        finish(128 + interruptedBy);
        streamer.cancel();
        say(texts::interrupted(streamer.acknowledged(), lines.size()));
    };
    QObject::connect(&streamer, &GcodeStreamer::stallChanged, [&](bool stalled) {
        // A stall also ends when the stream stops (a lost port): that is no
        // answer from the machine.
        if (exitCode >= 0 || (!stalled && streamer.state() != GcodeStreamer::State::Streaming))
            return;
        say(stalled ? texts::stallNotice(streamer.quietPeriod() / 1000, streamer.nextIndex())
                    : texts::stallCleared());
        if (stalled && interruptedBy)
            giveUpInterrupted();
    });
    QObject::connect(&streamer, &GcodeStreamer::finished, [&] {
        say(texts::streamFinished(lines.size()));
        finish(0);
    });
    QObject::connect(&streamer, &GcodeStreamer::failed, [&](const QString &reason) {
        say(texts::portLost(streamer.acknowledged(), lines.size()) + QStringLiteral(" (") + reason
            + QLatin1Char(')'));
        finish(1);
    });

    // Signals only note themselves; the stream stops between lines.
    if (::pipe2(g_signalPipe, O_CLOEXEC) != 0)
        return 1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char c = 0;
        if (::read(g_signalPipe[0], &c, 1) != 1)
            return;
        if (interruptedBy) {
            finish(128 + interruptedBy);
            return;
        }
        interruptedBy = c;
        streamer.pause();
        if (!streamer.isWaitingForOk() || streamer.state() != GcodeStreamer::State::Streaming
            || streamer.isStalled())
            giveUpInterrupted();
    });

    if (!streamer.start())
        return exitCode < 0 ? 1 : exitCode;
    const int code = QCoreApplication::exec();
    streamer.cancel();
    link.close();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    return exitCode < 0 ? code : exitCode;
}

} // namespace cutdeck
