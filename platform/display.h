#pragma once

// Reaching the display. Qt aborts when the display it was told to use cannot
// be reached (DISPLAY naming a server that is gone, a closed ssh forwarding),
// with advice to reinstall the program; a program that offers this fallback
// gets Qt's offscreen platform instead and can say what is wrong itself.

#include <QByteArray>
#include <QGuiApplication>
#include <QString>

namespace platform {

// Call before the application object exists. Unless the user named a
// platform, Qt is told to fall back to the offscreen platform where it would
// abort. Returns whether the fallback was offered.
inline bool offerOffscreenFallback()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return false;
    // xcb is Qt 5's own default here, also in Wayland sessions.
    qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    return true;
}

// After the application object exists: whether the fallback was taken, so
// that no window can be seen.
inline bool fellBackToOffscreen(bool offered)
{
    return offered && QGuiApplication::platformName() == QLatin1String("offscreen");
}

// The display the environment names, for messages: ":99", or "" when none.
inline QString namedDisplay()
{
    const QByteArray x = qgetenv("DISPLAY");
    return QString::fromLocal8Bit(x.isEmpty() ? qgetenv("WAYLAND_DISPLAY") : x);
}

} // namespace platform
