#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

// Keeps the installed program current from the update server: asks for the
// list of the installation's files with their CRC-32, downloads the files
// that differ into a private folder, checks them and moves them into the
// installation, through an elevated copy of the program when the
// installation is not writable. Everything runs on the GUI thread; one
// download is in flight at a time.
class UpdateSystem : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        UpToDate,        // nothing differs
        Applied,         // new files are in place; they are used after a restart
        Failed,          // nothing was changed; the detail says why
        NotConfigured,   // no update server: nothing was requested
        ElevationFailed, // the elevated copy could not start; downloads kept
    };
    Q_ENUM(Outcome)

    struct Paths
    {
        QString installDir;
        QString downloadDir; // ends without a slash
        QString serverUrl;   // empty: never request anything
    };

    explicit UpdateSystem(const Paths &paths, QObject *parent = nullptr);
    ~UpdateSystem() override;

    // The process-wide instance, created on first use with defaultPaths().
    static UpdateSystem *instance();
    // Installation: the directory of updater mode, else the program's own;
    // downloads under the data location; server from the settings.
    static Paths defaultPaths();
    // The arguments "update" and a directory after the program's path.
    static bool isUpdaterMode(const QStringList &arguments);

    QString installDir() const { return m_paths.installDir; }
    QString downloadDir() const { return m_paths.downloadDir; }
    QString serverUrl() const { return m_paths.serverUrl; }
    QString asideDir() const;
    QString stateFile() const;
    QMap<QString, QString> checksums() const { return m_checksums; }
    bool isBusy() const { return m_busy; }

    // Without a user to answer (headless runs, the elevated copy), failures
    // are logged only and never shown in a box.
    void setInteractive(bool interactive) { m_interactive = interactive; }
    // Run as the elevated copy: never elevates again.
    void setElevatedCopy(bool elevated) { m_elevatedCopy = elevated; }

    // Removes the aside folder of an earlier update; when that fails, the
    // elevated copy is asked to do it (with mayElevate). False when the
    // folder stays.
    bool cleanUp(bool mayElevate = true);
    // The elevated copy's step: applies the table of the state file.
    // Returns the program's exit code, always 0.
    int runUpdaterStep();
    // Starts this program elevated in updater mode and waits for it. On a
    // refusal, logs it and shows the warning box; returns false.
    bool startElevatedUpdater();

    // The status-bar text for an outcome.
    static QString statusText(Outcome outcome, const QString &detail);

public slots:
    void CheckForUpdates();
    void downloadNextFile();

signals:
    void finished(UpdateSystem::Outcome outcome, const QString &detail);

private:
    void listReceived(QNetworkReply *reply);
    void fileChunkReady();
    void fileReceived();
    void finish(Outcome outcome, const QString &detail = QString());
    void applyUpdate();
    QNetworkReply *post(const QString &suffix);
    bool needsElevation(const QStringList &names) const;
    bool writeStateFile() const;
    bool readStateFile();

    Paths m_paths;
    QNetworkAccessManager *m_network = nullptr;
    QMap<QString, QString> m_checksums;
    QStringList m_pending;
    QNetworkReply *m_reply = nullptr;
    QFile *m_target = nullptr;
    int m_failedDownloads = 0;
    bool m_busy = false;
    bool m_interactive = true;
    bool m_elevatedCopy = false;
};
