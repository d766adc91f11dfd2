#pragma once

#include "crash/crashupload.h"

#include <QDialog>
#include <QEventLoop>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace kerfloom {

class CrashUploadAnimation;

// The crash-report mode's only window: tells the user the program stopped,
// shows the report, takes a comment, sends the report when asked and deletes
// the crash files whatever happens.
class CrashReporter : public QDialog
{
    Q_OBJECT
public:
    // Builds the XML report for dumpPath (consuming its details file).
    explicit CrashReporter(const QString &dumpPath, QWidget *parent = nullptr);

    const crash::Attachments &attachments() const { return m_attachments; }
    // Tests point these elsewhere; by default the program itself and the
    // base URL's "/crash", with 30 seconds before a silent server is given up.
    void setRestartProgram(const QString &program) { m_restartProgram = program; }
    void setUploadUrl(const QString &url) { m_uploadUrl = url; }
    void setUploadTimeout(int ms) { m_uploadTimeoutMs = ms; }

    // The XML report as the details viewer shows it (escaped and coloured).
    static QString colouredXml(const QString &xml);
    // A file's bytes as the viewer's hexadecimal dump.
    static QString hexDump(const QByteArray &bytes);

public slots:
    void accept() override;
    void reject() override;
    void on_reportDetails_linkActivated(const QString &link);
    void on_addComment_linkActivated(const QString &link);

private:
    void buildForm();
    void finish(bool send);
    void upload();
    void disableButtons();
    void growToFit();

    QString m_dumpPath;
    QEventLoop m_loop;
    crash::Attachments m_attachments;
    QString m_restartProgram;
    QString m_uploadUrl;
    int m_uploadTimeoutMs = 30000;

    QGroupBox *m_commentGroup = nullptr;
    QTextEdit *m_comment = nullptr;
    QLineEdit *m_email = nullptr;
    QLabel *m_addComment = nullptr;
    QCheckBox *m_send = nullptr;
    CrashUploadAnimation *m_animation = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_restart = nullptr;
};

// The crash-report mode: builds the report for dumpPath and shows the dialog;
// on a platform without a screen (an unattended run) it only builds the
// report, keeps the files and names them on standard error. Returns the exit code.
int runCrashReporter(const QString &dumpPath);

} // namespace kerfloom
