#include "update/crc32.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <vector>

namespace update {

std::optional<quint32> crc32Of(QIODevice &device)
{
    // Large blocks: the checksum runs at memory speed, the reads set the pace.
    constexpr qint64 BlockSize = 1 << 20;
    std::vector<char> block(BlockSize);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        const qint64 got = device.read(block.data(), BlockSize);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        crc = crc32(crc, reinterpret_cast<const Bytef *>(block.data()), uInt(got));
    }
    return quint32(crc);
}

std::optional<quint32> crc32OfFile(const QString &path)
{
    // Only plain files are installed or downloaded: a FIFO under such a name
    // would block the open, a device would never end.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return std::nullopt;
    return crc32Of(file);
}

QString checksumText(quint32 crc)
{
    return QString::number(crc, 16);
}

QString fileChecksum(const QString &path)
{
    const std::optional<quint32> crc = crc32OfFile(path);
    return crc ? checksumText(*crc) : QString();
}

bool checksumMatches(const QString &text, quint32 crc)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 8)
        return false;
    bool ok = false;
    const uint value = trimmed.toUInt(&ok, 16);
    return ok && value == crc;
}

bool fileMatches(const QString &path, const QString &checksum)
{
    const std::optional<quint32> crc = crc32OfFile(path);
    return crc && checksumMatches(checksum, *crc);
}

} // namespace update
