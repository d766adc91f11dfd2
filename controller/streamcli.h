#pragma once

#include <QStringList>

namespace cutdeck {

// True when the arguments ask for the command-line mode: -h or any double-dash
// option other than Qt's own (an unknown one is then refused with exit code 2).
bool isCommandLineMode(const QStringList &arguments);

// cutdeck --stream FILE --port DEVICE: streams a G-code job without a window.
// Progress and notices go to standard error. Exit code 0 when every line was
// acknowledged, 1 when the port failed, 2 on bad arguments or an unreadable
// file, 128 + signal number when interrupted (the line in flight completes).
// cutdeck --save-job DRAWING.plt: writes the job files beside the drawing;
// exit code 0, or 1 with one line on standard error.
// Needs a QCoreApplication.
int runCommandLine(const QStringList &arguments);

} // namespace cutdeck
