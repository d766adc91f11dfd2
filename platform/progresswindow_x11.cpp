#include "progresswindow.h"

#include "childprocess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// MulDiv-style rounding of dialog units: x × 6 / 4 and y × 13 / 8.
constexpr int duToPx(int units, int base, int div) { return (units * base * 2 + div) / (div * 2); }
constexpr int Width = duToPx(363, 6, 4);
constexpr int Height = duToPx(47, 13, 8);

struct Rgb
{
    int r, g, b;
};

constexpr Rgb GradientTop{35, 35, 35};
constexpr Rgb GradientBottom{63, 63, 63};
constexpr Rgb Track{187, 188, 187};
constexpr Rgb Bar{250, 203, 47};

} // namespace

struct ProgressWindow::Impl
{
    Display *dpy = nullptr;
    int screen = 0;
    Window win = 0;
    Pixmap buffer = 0;
    GC gc = nullptr;
    XFontStruct *font = nullptr;
    Atom wmDelete = 0;
    std::string label;
    std::vector<unsigned long> icon; // _NET_WM_ICON of every window we open
    int progress = 0;

    ~Impl()
    {
        if (!dpy)
            return;
        if (font)
            XFreeFont(dpy, font);
        if (gc)
            XFreeGC(dpy, gc);
        if (buffer)
            XFreePixmap(dpy, buffer);
        if (win)
            XDestroyWindow(dpy, win);
        XCloseDisplay(dpy);
    }

    unsigned long pixel(Rgb c)
    {
        XColor color;
        color.red = static_cast<unsigned short>(c.r * 257);
        color.green = static_cast<unsigned short>(c.g * 257);
        color.blue = static_cast<unsigned short>(c.b * 257);
        color.flags = DoRed | DoGreen | DoBlue;
        if (XAllocColor(dpy, DefaultColormap(dpy, screen), &color))
            return color.pixel;
        return (c.r + c.g + c.b) / 3 > 127 ? WhitePixel(dpy, screen) : BlackPixel(dpy, screen);
    }

    XFontStruct *loadFont()
    {
        // A proportional font when the server has one, else its default.
        for (const char *name : {"-*-helvetica-medium-r-normal--12-*-*-*-*-*-iso8859-1",
                                 "-*-dejavu sans-medium-r-normal--12-*-*-*-*-*-*-*",
                                 "-*-*-medium-r-normal--12-*-*-*-p-*-iso8859-1", "variable", "fixed"}) {
            if (XFontStruct *f = XLoadQueryFont(dpy, name))
                return f;
        }
        return nullptr;
    }

    Window createWindow(const std::string &title, int w, int h)
    {
        const int x = std::max(0, (DisplayWidth(dpy, screen) - w) / 2);
        const int y = std::max(0, (DisplayHeight(dpy, screen) - h) / 2);
        Window window = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, unsigned(w),
                                            unsigned(h), 0, 0, pixel(GradientTop));
        XSizeHints hints{};
        hints.flags = PPosition | PMinSize | PMaxSize;
        hints.x = x;
        hints.y = y;
        hints.min_width = hints.max_width = w;
        hints.min_height = hints.max_height = h;
        XSetWMNormalHints(dpy, window, &hints);
        XStoreName(dpy, window, title.c_str());
        const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
        XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(title.data()),
                        int(title.size()));
        XClassHint cls{const_cast<char *>("KerfloomSetup"), const_cast<char *>("KerfloomSetup")};
        XSetClassHint(dpy, window, &cls);
        const long pid = long(getpid());
        XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(&pid), 1);
        const Atom dialog = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
        XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(&dialog), 1);
        // Format 32 properties travel as longs on the client side.
        if (!icon.empty())
            XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char *>(icon.data()), int(icon.size()));
        XSetWMProtocols(dpy, window, &wmDelete, 1);
        XSelectInput(dpy, window, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
        return window;
    }

    void waitForExpose(Window window)
    {
        // Bounded: a window manager that never maps us must not stall the setup.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        XEvent ev;
        while (std::chrono::steady_clock::now() < until) {
            if (XCheckTypedWindowEvent(dpy, window, Expose, &ev))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    void fillRounded(Drawable d, int x0, int y0, int x1, int y1, int r)
    {
        const int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0)
            return;
        r = std::min({r, w / 2, h / 2});
        XFillRectangle(dpy, d, gc, x0 + r, y0, unsigned(w - 2 * r), unsigned(h));
        XFillRectangle(dpy, d, gc, x0, y0 + r, unsigned(w), unsigned(h - 2 * r));
        const unsigned dia = unsigned(2 * r);
        XFillArc(dpy, d, gc, x0, y0, dia, dia, 90 * 64, 90 * 64);
        XFillArc(dpy, d, gc, x1 - 2 * r, y0, dia, dia, 0, 90 * 64);
        XFillArc(dpy, d, gc, x0, y1 - 2 * r, dia, dia, 180 * 64, 90 * 64);
        XFillArc(dpy, d, gc, x1 - 2 * r, y1 - 2 * r, dia, dia, 270 * 64, 90 * 64);
    }

    void paint()
    {
        const int w = Width, h = Height;
        for (int y = 0; y < h; ++y) {
            const int t = h > 1 ? y * 1000 / (h - 1) : 0;
            auto mix = [t](int a, int b) { return a + (b - a) * t / 1000; };
            XSetForeground(dpy, gc, pixel({mix(GradientTop.r, GradientBottom.r),
                                           mix(GradientTop.g, GradientBottom.g),
                                           mix(GradientTop.b, GradientBottom.b)}));
            XDrawLine(dpy, buffer, gc, 0, y, w - 1, y);
        }
        XSetForeground(dpy, gc, WhitePixel(dpy, screen));
        const int ascent = font ? font->ascent : 10;
        XDrawString(dpy, buffer, gc, 15, 16 + ascent, label.c_str(), int(label.size()));

        const int left = 15, top = 46, right = w - 15, bottom = h - 21;
        XSetForeground(dpy, gc, pixel(Track));
        fillRounded(buffer, left, top, right, bottom, 2);
        const int barEnd = left + progress * (w - 30) / 100;
        if (barEnd > left) {
            XRectangle clip{short(left), short(top), static_cast<unsigned short>(barEnd - left),
                            static_cast<unsigned short>(bottom - top)};
            XSetClipRectangles(dpy, gc, 0, 0, &clip, 1, Unsorted);
            XSetForeground(dpy, gc, pixel(Bar));
            fillRounded(buffer, left, top, right, bottom, 2);
            XSetClipMask(dpy, gc, None);
        }
        XCopyArea(dpy, buffer, win, gc, 0, 0, unsigned(w), unsigned(h), 0, 0);
        XFlush(dpy);
    }

    // Answers the expose events that queued up while the work ran; the
    // window takes no other input.
    void drainEvents()
    {
        XEvent ev;
        while (XCheckWindowEvent(dpy, win, ExposureMask | KeyPressMask | ButtonPressMask, &ev)) {
        }
    }

    Window findWindowOf(Window parent, long pid, Atom pidAtom, int depth)
    {
        Window root = 0, par = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, parent, &root, &par, &children, &count))
            return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            Atom type = 0;
            int format = 0;
            unsigned long n = 0, after = 0;
            unsigned char *data = nullptr;
            if (XGetWindowProperty(dpy, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                   &format, &n, &after, &data) == Success && data) {
                if (format == 32 && n == 1 && *reinterpret_cast<long *>(data) == pid) {
                    XWindowAttributes attrs;
                    if (XGetWindowAttributes(dpy, children[i], &attrs) && attrs.map_state == IsViewable)
                        found = children[i];
                }
                XFree(data);
            }
            // Window managers put each client one level below a frame.
            if (!found && depth > 0)
                found = findWindowOf(children[i], pid, pidAtom, depth - 1);
        }
        if (children)
            XFree(children);
        return found;
    }
};

ProgressWindow::ProgressWindow() : d(new Impl) {}
ProgressWindow::~ProgressWindow() = default;

int ProgressWindow::pixelWidth() { return Width; }
int ProgressWindow::pixelHeight() { return Height; }

bool ProgressWindow::open(const std::string &title, const std::string &label, const std::vector<unsigned long> &icon)
{
    d->dpy = XOpenDisplay(nullptr);
    if (!d->dpy)
        return false;
    d->screen = DefaultScreen(d->dpy);
    d->label = label;
    d->wmDelete = XInternAtom(d->dpy, "WM_DELETE_WINDOW", False);
    d->font = d->loadFont();
    d->icon = icon;
    d->win = d->createWindow(title, Width, Height);
    d->buffer = XCreatePixmap(d->dpy, d->win, Width, Height,
                              unsigned(DefaultDepth(d->dpy, d->screen)));
    d->gc = XCreateGC(d->dpy, d->win, 0, nullptr);
    if (d->font)
        XSetFont(d->dpy, d->gc, d->font->fid);
    XMapRaised(d->dpy, d->win);
    XFlush(d->dpy);
    d->waitForExpose(d->win);
    d->paint();
    return true;
}

void ProgressWindow::setProgress(int percent)
{
    d->progress = std::clamp(percent, 0, 100);
    if (!d->dpy)
        return;
    d->drainEvents();
    d->paint();
}

void ProgressWindow::showError(const std::string &title, const std::string &text)
{
    if (!d->dpy)
        return;
    Impl &m = *d;
    const int textWidth = m.font ? XTextWidth(m.font, text.c_str(), int(text.size()))
                                 : int(text.size()) * 7;
    const int w = std::max(260, textWidth + 90), h = 110;
    const int buttonW = 80, buttonH = 26, buttonX = w - buttonW - 14, buttonY = h - buttonH - 12;
    Window box = m.createWindow(title, w, h);
    XSetWindowBackground(m.dpy, box, m.pixel({240, 240, 240}));
    if (m.win)
        XSetTransientForHint(m.dpy, box, m.win);
    XMapRaised(m.dpy, box);
    XFlush(m.dpy);

    auto draw = [&] {
        XClearWindow(m.dpy, box);
        XSetForeground(m.dpy, m.gc, m.pixel({200, 30, 30}));
        XFillArc(m.dpy, box, m.gc, 16, 20, 32, 32, 0, 360 * 64);
        XSetForeground(m.dpy, m.gc, WhitePixel(m.dpy, m.screen));
        XSetLineAttributes(m.dpy, m.gc, 3, LineSolid, CapRound, JoinRound);
        XDrawLine(m.dpy, box, m.gc, 25, 29, 39, 43);
        XDrawLine(m.dpy, box, m.gc, 39, 29, 25, 43);
        XSetLineAttributes(m.dpy, m.gc, 1, LineSolid, CapButt, JoinMiter);
        XSetForeground(m.dpy, m.gc, BlackPixel(m.dpy, m.screen));
        XDrawString(m.dpy, box, m.gc, 64, 40, text.c_str(), int(text.size()));
        XDrawRectangle(m.dpy, box, m.gc, buttonX, buttonY, buttonW, buttonH);
        const int okWidth = m.font ? XTextWidth(m.font, "OK", 2) : 14;
        XDrawString(m.dpy, box, m.gc, buttonX + (buttonW - okWidth) / 2, buttonY + 17, "OK", 2);
        XFlush(m.dpy);
    };
    for (bool done = false; !done;) {
        XEvent ev;
        XNextEvent(m.dpy, &ev);
        if (ev.xany.window == m.win && ev.type == Expose) {
            m.paint();
            continue;
        }
        if (ev.xany.window != box)
            continue;
        if (ev.type == Expose && ev.xexpose.count == 0) {
            draw();
        } else if (ev.type == KeyPress) {
            const KeySym key = XLookupKeysym(&ev.xkey, 0);
            done = key == XK_Return || key == XK_Escape || key == XK_space || key == XK_KP_Enter;
        } else if (ev.type == ButtonPress) {
            done = ev.xbutton.x >= buttonX && ev.xbutton.x <= buttonX + buttonW
                && ev.xbutton.y >= buttonY && ev.xbutton.y <= buttonY + buttonH;
        } else if (ev.type == ClientMessage) {
            done = Atom(ev.xclient.data.l[0]) == m.wmDelete;
        }
    }
    XDestroyWindow(m.dpy, box);
    XFlush(m.dpy);
}

bool ProgressWindow::raiseWindowOf(pid_t pid, int timeoutMs)
{
    if (!d->dpy)
        return false;
    Impl &m = *d;
    const Atom pidAtom = XInternAtom(m.dpy, "_NET_WM_PID", False);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Window target = 0;
    while (!target && std::chrono::steady_clock::now() < until && isRunning(pid)) {
        m.drainEvents();
        target = m.findWindowOf(RootWindow(m.dpy, m.screen), long(pid), pidAtom, 2);
        if (!target)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!target)
        return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = XInternAtom(m.dpy, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1; // from an application
    ev.xclient.data.l[1] = CurrentTime;
    ev.xclient.data.l[2] = long(m.win);
    XSendEvent(m.dpy, RootWindow(m.dpy, m.screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XRaiseWindow(m.dpy, target);
    XSync(m.dpy, False);
    return true;
}

} // namespace platform
