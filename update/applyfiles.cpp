#include "update/applyfiles.h"

#include "update/crc32.h"
#include "update/updatenames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

namespace update {

QStringList changedFiles(const QString &installDir, const ChecksumTable &table)
{
    QStringList names;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (!fileMatches(installDir + QLatin1Char('/') + it.key(), it.value()))
            names.append(it.key());
    }
    return names;
}

namespace {
struct Move
{
    QString from;
    QString to;
};

void undo(const QVector<Move> &moves)
{
    for (auto it = moves.crbegin(); it != moves.crend(); ++it) {
        if (!QFile::rename(it->to, it->from))
            qWarning("update: cannot move %s back to %s", qPrintable(it->to), qPrintable(it->from));
    }
}

ApplyResult failure(const QString &error)
{
    ApplyResult result;
    result.error = error;
    return result;
}
} // namespace

ApplyResult applyFiles(const QString &installDir, const QString &downloadDir, const QString &asideDir,
                       const QStringList &names, const ChecksumTable &table)
{
    for (const QString &name : names) {
        if (!isSafeName(name) || !staysInside(installDir, name) || !staysInside(downloadDir, name))
            return failure(QStringLiteral("refused file name %1").arg(name));
        if (!fileMatches(downloadDir + QLatin1Char('/') + name, table.value(name)))
            return failure(QStringLiteral("download of %1 is missing or damaged").arg(name));
    }
    if (names.isEmpty())
        return ApplyResult{true, 0, {}};
    if (!QDir().mkpath(asideDir))
        return failure(QStringLiteral("cannot create %1").arg(asideDir));

    QVector<Move> done;
    for (const QString &name : names) {
        const QString installed = installDir + QLatin1Char('/') + name;
        const QString downloaded = downloadDir + QLatin1Char('/') + name;
        // A file in use cannot always be replaced in place; moved aside it
        // stays usable by whoever holds it, and the next start removes it.
        QFileDevice::Permissions permissions;
        if (QFileInfo(installed).isFile()) {
            permissions = QFileInfo(installed).permissions();
            const QString aside = asideName(asideDir, name);
            if (!QFile::rename(installed, aside)) {
                undo(done);
                return failure(QStringLiteral("cannot move %1 aside").arg(installed));
            }
            done.append({installed, aside});
        }
        if (QFileInfo::exists(installed) || !QDir().mkpath(QFileInfo(installed).absolutePath())
            || !QFile::rename(downloaded, installed)) {
            undo(done);
            return failure(QStringLiteral("cannot replace %1").arg(installed));
        }
        done.append({downloaded, installed});
        // A download is created as a plain data file; the program it replaces
        // must stay executable, or the update leaves one that does not start.
        if (permissions && !QFile::setPermissions(installed, permissions)) {
            undo(done);
            return failure(QStringLiteral("cannot set the permissions of %1").arg(installed));
        }
    }
    return ApplyResult{true, int(names.size()), {}};
}

} // namespace update
