#pragma once

#include <QFile>
#include <QString>

namespace cutdeck {

// The controller's settings file, read and written the way the classic
// private-profile functions do: values are at most 79 characters (an
// 80-character buffer with its terminator), trimmed of blanks, and a missing
// section or key reads as the empty text. Section and key names compare
// without regard to case or surrounding blanks.

// The folder of the settings file: $CUTDECK_CONFIG_DIR when set, otherwise the
// program's own folder.
QString configDirectory();
// configDirectory() + "/cutdeck_config.INI".
QString configPath();

QString ReadIni(const QString &section, const QString &key);
// Returns false when the file cannot be written; the old file then stays.
bool WriteIni(const QString &section, const QString &key, const QString &value);

// Same, on an explicit file (tests, tools).
QString readIniFile(const QString &path, const QString &section, const QString &key);
bool writeIniFile(const QString &path, const QString &section, const QString &key, const QString &value);

// Opens `path` for reading when it is a regular file. A FIFO would block the
// open until some writer appears, and a device such as /dev/zero never ends:
// neither is a settings file, a drawing or a job.
bool openRegularFile(QFile &file, const QString &path);

// The numeric value of the leading number of a text, as the classic Val()
// reads it: blanks skipped, an optional sign, digits, an optional fraction and
// exponent; anything else ends the number, and no number at all is 0.
double numericValue(const QString &text);
// numericValue rounded to the nearest integer and held to [-32768, 32767]:
// the settings hold 16-bit numbers.
int shortValue(const QString &text);

} // namespace cutdeck
