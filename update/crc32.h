#pragma once

#include <QString>

#include <optional>

class QIODevice;

namespace update {

// CRC-32 (the zlib/PNG polynomial) of everything the device still has to
// give, read in blocks. Nothing when reading fails.
std::optional<quint32> crc32Of(QIODevice &device);
std::optional<quint32> crc32OfFile(const QString &path);

// The checksum as the update server writes it: lower-case hexadecimal.
QString checksumText(quint32 crc);

// The file's checksum text, or an empty text when it cannot be read (a
// missing file never matches a checksum).
QString fileChecksum(const QString &path);

// Whether a checksum text from the server names this value. Servers differ
// in case and in leading zeros; both are allowed.
bool checksumMatches(const QString &text, quint32 crc);
bool fileMatches(const QString &path, const QString &checksum);

} // namespace update
