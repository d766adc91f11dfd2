#pragma once

#include <QString>

namespace platform {

// Keeps the screen saver and the monitor's power saving off while a machine
// is being driven: a cut that the operator watches must not go dark. Returns
// a cookie (0 when no session service answered); the inhibition ends with the
// process or with releaseScreenSaver.
unsigned inhibitScreenSaver(const QString &application, const QString &reason);
void releaseScreenSaver(unsigned cookie);

} // namespace platform
