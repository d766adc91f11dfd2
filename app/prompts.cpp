#include "app/prompts.h"

#include "app/questiondialog.h"

#include <QMessageBox>
#include <QStringList>

#include <cstdio>

namespace prompts {
namespace {
bool g_headless = false;
Hook g_hook;
int g_holding = 0;
QStringList g_held;
QtMessageHandler g_previousHandler = nullptr;

void printLine(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString flattened(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.simplified();
}

void filterMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        if (g_previousHandler)
            g_previousHandler(type, context, message);
        return;
    }
    if (!context.file)
        return; // Qt's own note, not ours
    const QString line = flattened(message);
    if (line.isEmpty())
        return;
    if (g_holding > 0)
        g_held << line;
    else
        printLine(line);
}

QString takeHeld()
{
    const QString reasons = g_held.join(QLatin1Char(' '));
    g_held.clear();
    return reasons;
}
} // namespace

void installHeadlessMessageFilter()
{
    g_previousHandler = qInstallMessageHandler(filterMessage);
}

HeldMessages::HeldMessages()
{
    ++g_holding;
}

HeldMessages::~HeldMessages()
{
    if (--g_holding > 0)
        return;
    for (const QString &line : qAsConst(g_held))
        printLine(line);
    g_held.clear();
}

void setHeadless(bool headless)
{
    g_headless = headless;
}

bool isHeadless()
{
    return g_headless;
}

void setHook(Hook hook)
{
    g_hook = std::move(hook);
}

QString oneLine(const QString &title, const QString &text)
{
    return title + QStringLiteral(": ") + flattened(text);
}

void warning(QWidget *parent, const QString &title, const QString &text)
{
    if (g_hook) {
        g_hook(title, text, false);
        return;
    }
    if (g_headless) {
        const QString reasons = takeHeld();
        printLine(oneLine(title, text) + (reasons.isEmpty() ? QString() : QLatin1Char(' ') + reasons));
        return;
    }
    QMessageBox::warning(parent, title, text);
}

Answer question(QWidget *parent, const QString &title, const QString &text, bool withCancel,
                Answer headlessAnswer)
{
    if (g_hook)
        return g_hook(title, text, true);
    if (g_headless) {
        const char *answer = headlessAnswer == Yes ? "yes" : headlessAnswer == No ? "no" : "cancel";
        printLine(oneLine(title, text) + QStringLiteral(" [answered ") + QLatin1String(answer)
                  + QLatin1Char(']'));
        return headlessAnswer;
    }
    return QuestionDialog::ask(parent, title, text, withCancel);
}

} // namespace prompts
