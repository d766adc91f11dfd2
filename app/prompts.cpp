#include "app/prompts.h"

#include "app/questiondialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

namespace prompts {
namespace {
bool g_headless = false;
Hook g_hook;
int g_holding = 0;
QStringList g_held;
QtMessageHandler g_headlessPrevious = nullptr;
SaveDialogHook g_saveDialogHook;

// The captures alive, innermost last; messages may come from any thread.
QMutex g_captureMutex;
QtMessageHandler g_previousHandler = nullptr;
QList<QStringList *> g_captures;
constexpr int keptWarnings = 3;

void captureHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler next;
    {
        QMutexLocker lock(&g_captureMutex);
        if (!g_captures.isEmpty() && (type == QtWarningMsg || type == QtCriticalMsg)) {
            QStringList *kept = g_captures.last();
            kept->append(message.trimmed());
            while (kept->size() > keptWarnings)
                kept->removeFirst();
        }
        next = g_previousHandler;
    }
    if (next)
        next(type, context, message);
}

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
        if (g_headlessPrevious)
            g_headlessPrevious(type, context, message);
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

// The held messages that `line` does not already say (a box text may carry
// the reason itself), each once.
QString takeHeld(const QString &line)
{
    QStringList fresh;
    for (const QString &held : qAsConst(g_held))
        if (!line.contains(held) && !fresh.contains(held))
            fresh << held;
    g_held.clear();
    return fresh.join(QLatin1Char(' '));
}
} // namespace

void installHeadlessMessageFilter()
{
    g_headlessPrevious = qInstallMessageHandler(filterMessage);
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
        const QString line = oneLine(title, text);
        const QString reasons = takeHeld(line);
        printLine(line + (reasons.isEmpty() ? QString() : QLatin1Char(' ') + reasons));
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

void setSaveDialogHook(SaveDialogHook hook)
{
    g_saveDialogHook = std::move(hook);
}

SaveChoice saveFileName(QWidget *parent, const QString &title, const QString &dir,
                        const QString &filters)
{
    if (g_saveDialogHook)
        return g_saveDialogHook(title, filters);
    if (g_headless)
        return {};
    QFileDialog dialog(parent, title, dir, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    auto followFilter = [&dialog](const QString &filter) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
        dialog.setDefaultSuffix(m.hasMatch() ? m.captured(1) : QString());
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    followFilter(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), dialog.selectedNameFilter()};
}

WarningCapture::WarningCapture()
    : m_kept(new QStringList)
{
    QMutexLocker lock(&g_captureMutex);
    if (g_captures.isEmpty())
        g_previousHandler = qInstallMessageHandler(captureHandler);
    g_captures.append(m_kept.get());
}

WarningCapture::~WarningCapture()
{
    QMutexLocker lock(&g_captureMutex);
    g_captures.removeOne(m_kept.get());
    if (g_captures.isEmpty())
        qInstallMessageHandler(g_previousHandler);
}

QString WarningCapture::reason() const
{
    QMutexLocker lock(&g_captureMutex);
    return m_kept->join(QLatin1Char('\n'));
}

QString WarningCapture::withReason(const QString &text) const
{
    const QString why = reason();
    return why.isEmpty() ? text : text + QStringLiteral("\n\n") + why;
}

} // namespace prompts
