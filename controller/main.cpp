#include "controller/streamcli.h"

#include <QCoreApplication>

#include <memory>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (cutdeck::isCommandLineMode(arguments)) {
        QCoreApplication app(argc, argv);
        return cutdeck::runCommandLine(QCoreApplication::arguments());
    }
    return 0;
}
