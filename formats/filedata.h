#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>

// Hands a file's whole content to `read` as one byte range: mapped into
// memory when the file allows it, read the ordinary way otherwise (a pipe,
// an empty file). False when the file cannot be opened, else read's result.
template <typename Read>
bool withFileData(const QString &path, Read read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size > 0) {
        if (const uchar *mapped = file.map(0, size))
            return read(reinterpret_cast<const char *>(mapped), size_t(size));
    }
    const QByteArray all = file.readAll();
    return read(all.constData(), size_t(all.size()));
}
