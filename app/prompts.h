#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

// Warnings and questions of the document flow. With a display they are
// message boxes; without one (headless pipeline) each becomes one line on
// standard error and a question takes its given default, so a script that
// calls the program never waits for a click that cannot come.
namespace prompts {

enum Answer { Yes, No, Cancel };

void setHeadless(bool headless);
bool isHeadless();

// Replaces every box when set (tests): gets title and text, and whether it
// is a question; its answer is used for questions.
using Hook = std::function<Answer(const QString &title, const QString &text, bool question)>;
void setHook(Hook hook);

void warning(QWidget *parent, const QString &title, const QString &text);
Answer question(QWidget *parent, const QString &title, const QString &text, bool withCancel,
                Answer headlessAnswer);

// The one-line form used on standard error.
QString oneLine(const QString &title, const QString &text);

// The save dialog: the chosen name (empty when cancelled) and filter. The
// dialog itself adds the chosen filter's ending to a name typed without one,
// so its overwrite question is asked about the file that will be written.
struct SaveChoice
{
    QString name;
    QString filter;
};
using SaveDialogHook = std::function<SaveChoice(const QString &title, const QString &filters)>;
void setSaveDialogHook(SaveDialogHook hook);
SaveChoice saveFileName(QWidget *parent, const QString &title, const QString &dir,
                        const QString &filters);

// The readers and writers say why they failed through qWarning. While one of
// these lives, the last warnings logged are kept (and still passed on to the
// handler that was installed before), so the message box can show the reason.
class WarningCapture
{
public:
    WarningCapture();
    ~WarningCapture();
    WarningCapture(const WarningCapture &) = delete;
    WarningCapture &operator=(const WarningCapture &) = delete;

    // The kept warnings, one a line; empty when none was logged.
    QString reason() const;
    // `text`, and below it the reason when there is one.
    QString withReason(const QString &text) const;

private:
    std::unique_ptr<QStringList> m_kept;
};

// Headless: Qt's own chatter (platform plugin notes and the like) stays off
// standard error; the program's own messages pass, one line each. Our code
// is built with message contexts, Qt's is not: that tells them apart. Call
// before the QApplication exists, so its start-up chatter is caught too.
void installHeadlessMessageFilter();

// While one is alive, the program's own messages are held instead of
// printed. A warning given meanwhile carries them on its line (a failed load
// says why on the line that names the file); what is left is printed when
// the holder ends.
class HeldMessages
{
public:
    HeldMessages();
    ~HeldMessages();
    HeldMessages(const HeldMessages &) = delete;
    HeldMessages &operator=(const HeldMessages &) = delete;
};

} // namespace prompts
