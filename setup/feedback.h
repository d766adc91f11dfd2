#pragma once
// The two faces of the bootstrap: the progress window on a display, and
// lines on standard error without one.

#include "bootstrap.h"
#include "platform/progresswindow.h"

#include <memory>

namespace setup {

// Without a display: "Preparing installer... N%" for each new percentage and
// "Error: <message>" for a failure, on standard error.
class ConsoleFeedback : public Feedback
{
public:
    void setProgress(int percent) override;
    void showError(const std::string &message) override;
    bool interactive() const override { return false; }
    void raiseWindowOf(pid_t, int) override {}

private:
    int m_last = -1;
};

class WindowFeedback : public Feedback
{
public:
    explicit WindowFeedback(std::unique_ptr<platform::ProgressWindow> window);
    void setProgress(int percent) override;
    void showError(const std::string &message) override;
    bool interactive() const override { return true; }
    void raiseWindowOf(pid_t pid, int timeoutMs) override;

private:
    std::unique_ptr<platform::ProgressWindow> m_window;
};

// The progress window when a display answers, else the console.
std::unique_ptr<Feedback> makeFeedback();

} // namespace setup
