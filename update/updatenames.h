#pragma once

#include <QString>

namespace update {

// Whether a file name from the update server may be joined to the
// installation and download folders: relative, with no "." or ".."
// component, no backslash or drive letter, and not inside the folder the update
// itself uses ("update"). Anything else could write outside those folders.
bool isSafeName(const QString &name);

// A fresh name in the aside folder for a displaced installed file:
// "~<random number><name without slashes>.tmp".
QString asideName(const QString &asideDir, const QString &name);

} // namespace update
