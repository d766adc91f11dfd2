#pragma once

#include <QString>

#include <functional>

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
