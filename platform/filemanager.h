#pragma once

#include <QString>

namespace platform {

// Shows a file in the desktop's file manager with the file selected. When
// the file does not exist (or no file manager answers), opens its folder.
// Returns false when nothing could be opened.
bool showInFileManager(const QString &path);

} // namespace platform
