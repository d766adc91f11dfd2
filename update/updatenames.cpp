#include "update/updatenames.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

namespace update {

bool isSafeName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || (name.size() > 1 && name.at(1) == QLatin1Char(':')) || name.contains(QChar(0)))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    // "update" is the aside folder in the installation and the state file in
    // the download folder.
    return parts.first() != QLatin1String("update");
}

bool staysInside(const QString &root, const QString &name)
{
    const QString base = QFileInfo(root).canonicalFilePath();
    if (base.isEmpty())
        return true; // nothing exists yet, so nothing can lead elsewhere
    QFileInfo folder(root + QLatin1Char('/') + name);
    do
        folder = QFileInfo(folder.absolutePath());
    while (!folder.exists() && !folder.isRoot());
    const QString resolved = folder.canonicalFilePath();
    return resolved == base || resolved.startsWith(base + QLatin1Char('/'));
}

QString asideName(const QString &asideDir, const QString &name)
{
    QString flat = name;
    flat.remove(QLatin1Char('/'));
    for (;;) {
        const QString candidate = asideDir + QStringLiteral("/~%1%2.tmp")
                                                 .arg(QRandomGenerator::global()->bounded(1 << 30))
                                                 .arg(flat);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

} // namespace update
