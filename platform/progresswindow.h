#pragma once
// The setup bootstrap's small progress window and its error box, drawn with
// plain Xlib (no toolkit: the bootstrap carries the toolkit's libraries in
// its payload and cannot use them itself).

#include <memory>
#include <string>
#include <vector>
#include <sys/types.h>

namespace platform {

class ProgressWindow
{
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;

    // Connects to the display and shows the window, centred, with `title`
    // and `label` above the bar. `icon` is the window's icon in the layout of
    // _NET_WM_ICON: width, height, then 0xAARRGGBB per pixel, for each size.
    // False when there is no display to show it on.
    bool open(const std::string &title, const std::string &label, const std::vector<unsigned long> &icon = {});

    // Sets the bar (0 … 100) and repaints at once.
    void setProgress(int percent);

    // A modal box with an error sign, `text` and an OK button; returns when
    // the user closes it.
    void showError(const std::string &title, const std::string &text);

    // Waits (at most `timeoutMs`, less if the process ends) for a top-level
    // window whose _NET_WM_PID is `pid`, then asks the window manager to
    // activate it and raises it. False when no such window appeared.
    bool raiseWindowOf(pid_t pid, int timeoutMs);

    // Window size in pixels: the dialog's 363 × 47 dialog units at the
    // usual 6 × 13 base units of its font.
    static int pixelWidth();
    static int pixelHeight();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
