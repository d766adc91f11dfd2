#include "app/prompts.h"

#include "app/questiondialog.h"

#include <QMessageBox>

#include <cstdio>

namespace prompts {
namespace {
bool g_headless = false;
Hook g_hook;

void printLine(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
} // namespace

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
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return title + QStringLiteral(": ") + t.simplified();
}

void warning(QWidget *parent, const QString &title, const QString &text)
{
    if (g_hook) {
        g_hook(title, text, false);
        return;
    }
    if (g_headless) {
        printLine(oneLine(title, text));
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
