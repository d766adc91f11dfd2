#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>

// One application object and an empty configuration folder for the whole
// fuzzing run; readers need the former for settings and file access.
inline void fuzzInit()
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}
