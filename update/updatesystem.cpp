#include "update/updatesystem.h"

#include "formats/settings.h"
#include "update/applyfiles.h"
#include "update/crc32.h"
#include "update/updatenames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QUrl>

namespace {
// A list answer beyond this is no list of program files.
constexpr qint64 MaxListSize = 16 * 1024 * 1024;
// A server that stops sending is given up after this long without data.
constexpr int TransferTimeoutMs = 30000;
} // namespace

UpdateSystem::UpdateSystem(const Paths &paths, QObject *parent)
    : QObject(parent), m_paths(paths), m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<UpdateSystem::Outcome>("UpdateSystem::Outcome");
}

UpdateSystem::~UpdateSystem()
{
    // An abort finishes the reply at once; nothing may go on from there.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    delete m_target;
}

UpdateSystem *UpdateSystem::instance()
{
    static UpdateSystem *system = new UpdateSystem(defaultPaths(), QCoreApplication::instance());
    return system;
}

bool UpdateSystem::isUpdaterMode(const QStringList &arguments)
{
    return arguments.size() >= 3 && arguments.at(1) == QLatin1String("update");
}

UpdateSystem::Paths UpdateSystem::defaultPaths()
{
    const QStringList args = QCoreApplication::arguments();
    Paths paths;
    paths.installDir = QDir::cleanPath(isUpdaterMode(args) ? QDir(args.at(2)).absolutePath()
                                                           : QCoreApplication::applicationDirPath());
    paths.downloadDir = QStandardPaths::writableLocation(QStandardPaths::DataLocation) + QStringLiteral("/update");
    paths.serverUrl = Settings::updateUrl();
    return paths;
}

QString UpdateSystem::asideDir() const
{
    return m_paths.installDir + QStringLiteral("/update");
}

QString UpdateSystem::stateFile() const
{
    return m_paths.downloadDir + QStringLiteral("/update");
}

QString UpdateSystem::statusText(Outcome outcome, const QString &detail)
{
    switch (outcome) {
    case Outcome::UpToDate: return tr("Kerfloom is up to date");
    case Outcome::Applied: return tr("Update installed, files replaced: %1; restart Kerfloom to use it").arg(detail);
    case Outcome::Failed: return tr("Update failed: %1").arg(detail);
    case Outcome::NotConfigured: return tr("No update server is configured");
    case Outcome::ElevationFailed: return tr("Update downloaded but not installed: %1").arg(detail);
    }
    return QString();
}

void UpdateSystem::finish(Outcome outcome, const QString &detail)
{
    m_busy = false;
    emit finished(outcome, detail);
}

QNetworkReply *UpdateSystem::post(const QString &suffix)
{
    // The name is a path: a "#", "?" or "%" in it is part of the name, not
    // the start of a fragment, a query or an escape.
    QUrl url(m_paths.serverUrl);
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + QString::fromLatin1(QUrl::toPercentEncoding(suffix, "/")), QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    request.setTransferTimeout(TransferTimeoutMs);
    return m_network->post(request, QByteArray());
}

void UpdateSystem::CheckForUpdates()
{
    if (m_busy)
        return;
    if (m_paths.serverUrl.isEmpty()) {
        emit finished(Outcome::NotConfigured, QString());
        return;
    }
    m_busy = true;
    m_checksums.clear();
    m_pending.clear();
    m_failedDownloads = 0;
    QNetworkReply *reply = post(QCoreApplication::applicationName());
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MaxListSize)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { listReceived(reply); });
}

void UpdateSystem::listReceived(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        qWarning("update: list request failed: %s", qPrintable(reply->errorString()));
        finish(Outcome::Failed, reply->errorString());
        return;
    }
    const QString answer = QString::fromUtf8(reply->readAll());
    for (const QString &line : answer.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(';'));
        if (fields.size() != 2)
            continue;
        const QString name = fields.at(0).trimmed();
        if (!update::isSafeName(name) || !update::staysInside(m_paths.installDir, name)
            || !update::staysInside(m_paths.downloadDir, name)) {
            qWarning("update: refusing file name outside the installation: %s", qPrintable(name));
            continue;
        }
        m_checksums.insert(name, fields.at(1).trimmed());
    }
    m_pending = update::changedFiles(m_paths.installDir, m_checksums);
    if (m_pending.isEmpty()) {
        QDir(m_paths.downloadDir).removeRecursively();
        cleanUp();
        finish(Outcome::UpToDate);
        return;
    }
    downloadNextFile();
}

void UpdateSystem::downloadNextFile()
{
    while (!m_pending.isEmpty()) {
        const QString name = m_pending.takeFirst();
        const QString target = m_paths.downloadDir + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (update::fileMatches(target, m_checksums.value(name)))
            continue;
        auto file = std::make_unique<QFile>(target);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qWarning("failed to create update file");
            ++m_failedDownloads;
            continue;
        }
        m_target = file.release();
        m_reply = post(QCoreApplication::applicationName() + QLatin1Char('/') + name);
        connect(m_reply, &QNetworkReply::readyRead, this, &UpdateSystem::fileChunkReady);
        connect(m_reply, &QNetworkReply::finished, this, &UpdateSystem::fileReceived);
        return;
    }
    applyUpdate();
}

void UpdateSystem::fileChunkReady()
{
    const QByteArray chunk = m_reply->readAll();
    if (m_target->write(chunk) != chunk.size())
        m_reply->abort();
}

void UpdateSystem::fileReceived()
{
    fileChunkReady();
    const bool written = m_target->flush();
    m_target->close();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_reply->error() != QNetworkReply::NoError || status != 200 || !written) {
        qWarning("error downloading update");
        ++m_failedDownloads;
        // A partial file would only be checked and fetched again.
        m_target->remove();
    }
    delete m_target;
    m_target = nullptr;
    m_reply->deleteLater();
    m_reply = nullptr;
    downloadNextFile();
}
