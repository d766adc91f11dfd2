#pragma once
// The installation wizard: one fixed-size window whose pages (path and
// options, progress, finish) follow a three-state machine. In uninstall mode
// the same window removes the installation. Quiet runs do without it.

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

class BrenmoorInstaller : public QDialog
{
    Q_OBJECT

public:
    explicit BrenmoorInstaller(bool uninstallMode, QWidget *parent = nullptr);

    bool isUninstallMode() const { return m_uninstall; }
    // Deletions left for after the window has closed; empty until the
    // uninstallation has run (and always after an installation).
    const QStringList &deferredDeletions() const { return m_deferred; }

signals:
    void installStarted();
    void installFinished();
    void finishWizard();

private slots:
    void on_installButton_clicked();
    void on_licenseLabel_linkActivated();
    void on_changePath_linkActivated();

private:
    void buildStateMachine();
    void doInstall();
    void doUninstall();
    void showFinished();
    void finishAfterMinimum(qint64 elapsedMs);

    bool m_uninstall;
    bool m_finished = false;
    QString m_programPath;
    QStringList m_deferred;

    QLabel *m_title;
    QWidget *m_pathPage;
    QLabel *m_pathLabel;
    QLineEdit *m_path;
    QLabel *m_changePath;
    QCheckBox *m_menuShortcut;
    QCheckBox *m_desktopShortcut;
    QCheckBox *m_runApplication;
    QWidget *m_licenseLine;
    QProgressBar *m_progress;
    QLabel *m_finishLabel;
    QPushButton *m_installButton;
    QPushButton *m_cancelButton;
};
