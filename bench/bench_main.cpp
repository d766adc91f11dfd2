#include "benchsupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QTemporaryDir config;
    bench::useConfigFolder(config);
    QCoreApplication app(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
