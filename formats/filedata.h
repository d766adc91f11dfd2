#pragma once

#include "platform/guardedmap.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>
#include <functional>

class QIODevice;

// Opens path for reading when it names a regular file. A FIFO would block in
// open() and a device such as /dev/zero never ends, so anything else is
// refused before it is opened. Logs one line saying why on failure.
bool openRegularFile(QFile &file, const QString &path);

// Writes a file as a whole or not at all: `write` fills a temporary file
// beside path, which replaces path only when `write` returned true and every
// byte reached the disk. On failure (a full disk, a refusal by `write`) the
// previous file stays as it was and no fragment is left; a device error is
// logged with the path, a refusal is logged by `write` itself.
bool writeWholeFile(const QString &path, const std::function<bool(QIODevice &)> &write);

// Logs that the file was cut short while it was read; always false.
bool refuseCutShort(const QString &path);

// Hands a file's whole content to `read` as one byte range: mapped into
// memory when the file allows it, read the ordinary way otherwise (an empty
// file). False when the file cannot be opened, or was cut short while it was
// read (another program rewriting it: what was read is not the drawing),
// else read's result.
template <typename Read>
bool withFileData(const QString &path, Read read)
{
    QFile file;
    if (!openRegularFile(file, path))
        return false;
    const qint64 size = file.size();
    if (size > 0) {
        const platform::GuardedMap mapped(file.handle(), size_t(size));
        if (mapped.data()) {
            const bool ok = read(mapped.data(), size_t(size));
            return mapped.truncated() ? refuseCutShort(path) : ok;
        }
    }
    const QByteArray all = file.readAll();
    return read(all.constData(), size_t(all.size()));
}
