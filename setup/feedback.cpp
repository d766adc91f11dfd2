#include "feedback.h"

#include <cstdio>
#include <iterator>

namespace setup {

void ConsoleFeedback::setProgress(int percent)
{
    if (percent == m_last)
        return;
    m_last = percent;
    std::fprintf(stderr, "%s %d%%\n", texts::Preparing, percent);
    std::fflush(stderr);
}

void ConsoleFeedback::showError(const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", texts::ErrorTitle, message.c_str());
    std::fflush(stderr);
}

WindowFeedback::WindowFeedback(std::unique_ptr<platform::ProgressWindow> window)
    : m_window(std::move(window))
{
}

void WindowFeedback::setProgress(int percent) { m_window->setProgress(percent); }

void WindowFeedback::showError(const std::string &message)
{
    // Also on standard error, for whoever started the setup from a terminal.
    std::fprintf(stderr, "%s: %s\n", texts::ErrorTitle, message.c_str());
    m_window->showError(texts::ErrorTitle, message);
}

void WindowFeedback::raiseWindowOf(pid_t pid, int timeoutMs) { m_window->raiseWindowOf(pid, timeoutMs); }

namespace {

const unsigned long IconData[] = {
#include "setup_icon.inc"
};

} // namespace

std::unique_ptr<Feedback> makeFeedback()
{
    auto window = std::make_unique<platform::ProgressWindow>();
    if (window->open(texts::WindowTitle, texts::Preparing, {std::begin(IconData), std::end(IconData)}))
        return std::make_unique<WindowFeedback>(std::move(window));
    return std::make_unique<ConsoleFeedback>();
}

} // namespace setup
