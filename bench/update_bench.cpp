// The update check over a realistic installation: 200 files, 100 MB.
#include "httpserver.h"

#include "update/applyfiles.h"
#include "update/crc32.h"
#include "update/updatesystem.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int FileCount = 200;
constexpr qint64 TotalBytes = 100 << 20;

// The installation and the server's list for it, made once.
struct Installation
{
    QTemporaryDir dir;
    update::ChecksumTable table;
    QByteArray list;

    Installation()
    {
        QRandomGenerator rng(18);
        const qint64 each = TotalBytes / FileCount;
        for (int i = 0; i < FileCount; ++i) {
            const QString name = QStringLiteral("lib%1/file%2.bin").arg(i % 10).arg(i);
            QByteArray bytes(int(each), '\0');
            rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            QDir().mkpath(QFileInfo(dir.path() + '/' + name).absolutePath());
            QFile file(dir.path() + '/' + name);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            table.insert(name, update::checksumText(*update::crc32Of(buffer)));
            list += name.toUtf8() + ';' + table.value(name).toLatin1() + "\r\n";
        }
    }
};

Installation &installation()
{
    static Installation inst;
    return inst;
}

void BM_Crc32Throughput(benchmark::State &state)
{
    QByteArray bytes(64 << 20, '\x5a');
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(update::crc32Of(buffer));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Crc32Throughput)->Unit(benchmark::kMillisecond);

// Checksums of every installed file, as the check compares them.
void BM_ChangedFilesOverInstallation(benchmark::State &state)
{
    Installation &inst = installation();
    for (auto _ : state)
        benchmark::DoNotOptimize(update::changedFiles(inst.dir.path(), inst.table));
    state.SetBytesProcessed(state.iterations() * TotalBytes);
}
BENCHMARK(BM_ChangedFilesOverInstallation)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole check as the program runs it: the list request on loopback,
// every installed file checked, nothing to download.
void BM_CheckUpToDateOnLoopback(benchmark::State &state)
{
    Installation &inst = installation();
    HttpServer server;
    server.files[QStringLiteral("/upd/Kerfloom")] = inst.list;
    QTemporaryDir data;
    UpdateSystem system({inst.dir.path(), data.path() + QStringLiteral("/update"), server.url("/upd")});
    system.setInteractive(false);
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&system, &UpdateSystem::finished, &loop, [&loop](UpdateSystem::Outcome outcome) {
            loop.exit(outcome == UpdateSystem::Outcome::UpToDate ? 0 : 1);
        });
        system.CheckForUpdates();
        if (loop.exec() != 0)
            state.SkipWithError("the check did not find the installation up to date");
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes);
}
BENCHMARK(BM_CheckUpToDateOnLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brenmoor"));
    QCoreApplication::setApplicationName(QStringLiteral("Kerfloom"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
