#pragma once

#include <QString>
#include <QStringList>

namespace platform {

struct ElevationResult
{
    bool started = false; // the program ran with administrator rights
    int exitCode = 0;     // its exit code when it ran
    QString error;        // the system's text when it did not run
};

// Runs the program with administrator rights and waits for it to end. The
// user may be asked for a password; declining, or a system that cannot
// elevate, gives started == false with the system's text in error.
ElevationResult runElevated(const QString &program, const QStringList &arguments);

// In a copy started elevated on behalf of a user, makes the per-user folders
// (data, configuration) those of that user again instead of the
// administrator's. Does nothing in an ordinary process.
void adoptInvokingUserFolders();

} // namespace platform
