#pragma once

#include <QString>

namespace update {

// Whether a file name from the update server may be joined to the
// installation and download folders: relative, with no "." or ".."
// component, no backslash or drive letter, and not inside the folder the update
// itself uses ("update"). Anything else could write outside those folders.
bool isSafeName(const QString &name);

// Whether root joined with a safe name stays inside root once the folders on
// the way that exist already are resolved: a folder of the installation that
// is a link to somewhere else would otherwise take the file there.
bool staysInside(const QString &root, const QString &name);

// A fresh name in the aside folder for a displaced installed file:
// "~<random number><name without slashes>.tmp".
QString asideName(const QString &asideDir, const QString &name);

} // namespace update
