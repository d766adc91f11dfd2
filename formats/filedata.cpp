#include "formats/filedata.h"
#include "platform/savefile.h"

#include <QFileInfo>
#include <QSaveFile>

bool openRegularFile(QFile &file, const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        qWarning("Cannot read \"%s\": not a regular file", qUtf8Printable(path));
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Cannot open \"%s\": %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        return false;
    }
    // The path may have been replaced between the look and the open.
    if (file.isSequential()) {
        qWarning("Cannot read \"%s\": not a regular file", qUtf8Printable(path));
        file.close();
        return false;
    }
    return true;
}

bool refuseCutShort(const QString &path)
{
    qWarning("Cannot read \"%s\": the file was cut short while it was read", qUtf8Printable(path));
    return false;
}

bool writeWholeFile(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning("Cannot save \"%s\": %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        return false;
    }
    if (!write(file)) {
        if (file.error() != QFileDevice::NoError)
            qWarning("Cannot save \"%s\": %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        file.cancelWriting();
        return false;
    }
    if (!platform::commitWhole(file)) {
        qWarning("Cannot save \"%s\": %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        return false;
    }
    return true;
}
