#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace update {

using ChecksumTable = QMap<QString, QString>;

// The table's names whose installed file (installDir joined with the name)
// does not have the table's checksum; a missing file always differs.
QStringList changedFiles(const QString &installDir, const ChecksumTable &table);

struct ApplyResult
{
    bool ok = false;
    int replaced = 0;
    QString error; // why nothing was changed
};

// Moves the downloaded copies of the names into the installation, each
// installed file first moved aside into asideDir. Nothing is moved unless
// every downloaded copy has the table's checksum. When a move fails, every
// earlier move is undone, so the installation is the old one or the new one,
// and the downloads that were moved go back to the download folder.
ApplyResult applyFiles(const QString &installDir, const QString &downloadDir, const QString &asideDir,
                       const QStringList &names, const ChecksumTable &table);

} // namespace update
