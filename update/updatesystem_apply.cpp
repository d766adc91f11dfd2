// Applying a downloaded update: directly, or through an elevated copy of
// the program when the installation is not writable.
#include "update/updatesystem.h"

#include "platform/elevation.h"
#include "platform/savefile.h"
#include "update/applyfiles.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

bool UpdateSystem::cleanUp(bool mayElevate)
{
    const QDir aside(asideDir());
    if (!aside.exists())
        return true;
    if (QDir(aside).removeRecursively())
        return true;
    qWarning("update: cannot remove %s", qPrintable(QDir::toNativeSeparators(aside.path())));
    if (mayElevate && !m_elevatedCopy)
        startElevatedUpdater();
    return false;
}

bool UpdateSystem::needsElevation(const QStringList &names) const
{
    if (!QFileInfo(m_paths.installDir).isWritable())
        return true;
    for (const QString &name : names) {
        // The nearest existing folder on the way to the file must take it.
        QFileInfo folder(QFileInfo(m_paths.installDir + QLatin1Char('/') + name).absolutePath());
        while (!folder.exists())
            folder = QFileInfo(folder.absolutePath());
        if (!folder.isWritable())
            return true;
    }
    return false;
}

bool UpdateSystem::writeStateFile() const
{
    QSaveFile file(stateFile());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out << m_checksums;
    return out.status() == QDataStream::Ok && platform::commitWhole(file);
}

bool UpdateSystem::readStateFile()
{
    // A FIFO in its place would block the updater, which runs unattended.
    QFile file(stateFile());
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return false;
    QDataStream in(&file);
    QMap<QString, QString> table;
    in >> table;
    if (in.status() != QDataStream::Ok)
        return false;
    m_checksums = table;
    return true;
}

void UpdateSystem::applyUpdate()
{
    const QStringList names = update::changedFiles(m_paths.installDir, m_checksums);
    const bool elevate = !m_elevatedCopy && needsElevation(names);
    // The elevated copy cleans up too; one password prompt is enough.
    cleanUp(!elevate);
    if (m_failedDownloads > 0) {
        // Half an update can leave a program that does not start; the good
        // downloads stay for the next attempt.
        finish(Outcome::Failed, tr("files not downloaded: %1").arg(m_failedDownloads));
        return;
    }
    if (elevate) {
        if (!writeStateFile()) {
            finish(Outcome::Failed, tr("cannot write %1").arg(QDir::toNativeSeparators(stateFile())));
            return;
        }
        if (!startElevatedUpdater()) {
            finish(Outcome::ElevationFailed, tr("the updater could not be started"));
            return;
        }
        const QStringList left = update::changedFiles(m_paths.installDir, m_checksums);
        if (left.isEmpty())
            finish(Outcome::Applied, QString::number(names.size()));
        else
            finish(Outcome::Failed, tr("files not replaced: %1").arg(left.size()));
        return;
    }
    const update::ApplyResult result =
        update::applyFiles(m_paths.installDir, m_paths.downloadDir, asideDir(), names, m_checksums);
    if (!result.ok) {
        qWarning("update: not applied: %s", qPrintable(result.error));
        finish(Outcome::Failed, result.error);
        return;
    }
    QDir(m_paths.downloadDir).removeRecursively();
    finish(Outcome::Applied, QString::number(result.replaced));
}

int UpdateSystem::runUpdaterStep()
{
    setElevatedCopy(true);
    setInteractive(false);
    cleanUp();
    if (!readStateFile()) {
        qWarning("update: no update waiting in %s", qPrintable(QDir::toNativeSeparators(stateFile())));
        return 0;
    }
    QFile::remove(stateFile());
    m_busy = true;
    applyUpdate();
    return 0;
}

bool UpdateSystem::startElevatedUpdater()
{
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    const platform::ElevationResult result = platform::runElevated(
        program, {QStringLiteral("update"), QDir::toNativeSeparators(m_paths.installDir)});
    if (result.started)
        return true;
    const QString text = result.error.isEmpty() ? QStringLiteral("Unknown error: %1 (%2)")
                                                      .arg(uint(result.exitCode), 8, 16, QLatin1Char('0'))
                                                      .arg(result.exitCode)
                                                : result.error;
    qWarning("%s", qPrintable(QStringLiteral("ShellExecuteEx failed: ") + text));
    if (m_interactive) {
        QMessageBox box(QMessageBox::Warning, tr("Error launching updater."),
                        tr("The application updater cannot be started. Run the program as Administrator "
                           "or download new version from our website."),
                        QMessageBox::Ok);
        box.setObjectName(QStringLiteral("updaterErrorBox"));
        box.setInformativeText(text);
        box.exec();
    }
    return false;
}
