// What crash capture costs a running program: the message log per message
// (with a long log already in memory), starting a thread with and without its
// alternate signal stack, and the whole program's start-up and unattended run
// with and without the crash handler.
#include "crash/crashhandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <pthread.h>

namespace {

void discard(QtMsgType, const QMessageLogContext &, const QString &) {}

void BM_MessageWithoutLog(benchmark::State &state)
{
    const QtMessageHandler previous = qInstallMessageHandler(discard);
    for (auto _ : state)
        qDebug("Loaded %d objects from %s", 42, "wing.plt");
    qInstallMessageHandler(previous);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MessageWithoutLog);

void BM_MessageWithLog(benchmark::State &state)
{
    const QtMessageHandler previous = qInstallMessageHandler(discard);
    kerfloom::CrashHandler::installMessageLog();
    // A long session's worth of log first: a message must not cost more later.
    for (int i = 0; i < state.range(0); ++i)
        qDebug("Earlier message %d", i);
    for (auto _ : state)
        qDebug("Loaded %d objects from %s", 42, "wing.plt");
    qInstallMessageHandler(previous);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MessageWithLog)->Arg(0)->Arg(100000);

void *nothing(void *) { return nullptr; }

// A thread started and joined: through the program's own pthread_create,
// which sets up and frees the alternate signal stack, or straight through
// the C library's.
void BM_ThreadStartJoin(benchmark::State &state)
{
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    const Create create = state.range(0) ? &pthread_create
                                         : reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    for (auto _ : state) {
        pthread_t thread;
        if (create(&thread, nullptr, nothing, nullptr) != 0) {
            state.SkipWithError("no thread");
            break;
        }
        pthread_join(thread, nullptr);
    }
    state.SetLabel(state.range(0) ? "with alternate stack" : "C library only");
}
BENCHMARK(BM_ThreadStartJoin)->Arg(0)->Arg(1);

// The program run as a script runs it: load, link, save, quit.
void BM_ProgramRun(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile drawing(dir.filePath(QStringLiteral("square.plt")));
    drawing.open(QIODevice::WriteOnly);
    drawing.write("IN;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;\n");
    drawing.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    env.insert(QStringLiteral("KERFLOOM_CRASH_HANDLER"), state.range(0) ? QStringLiteral("1") : QStringLiteral("0"));
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KERFLOOM_PROGRAM), {drawing.fileName()});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            state.SkipWithError("the program failed");
    }
    state.SetLabel(state.range(0) ? "with crash handler" : "without crash handler");
}
BENCHMARK(BM_ProgramRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
