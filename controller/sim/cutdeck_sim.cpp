// cutdeck-sim: a stand-in for the cutter's board on a pseudo-terminal. It
// prints the device path to open, then answers like G-code firmware (an "ok"
// after each line ended by a carriage return, a position report for M114) or,
// with --steps, records step bytes. Every received line or byte is logged with
// a time stamp, so a run can be compared with the job afterwards.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

// Longer lines are cut here; far beyond anything a job holds, but the log
// must show a long line whole to tell it was not split on the way.
constexpr size_t kMaxLine = size_t(1) << 20;

void onSignal(int)
{
    g_stop = 1;
}

struct Options
{
    int delayMs = 0;
    int slowMs = 0;
    bool split = false;
    bool twice = false;
    long dropEvery = 0;
    bool noise = false;
    long hangupAfter = 0;
    bool steps = false;
    bool chunks = false;
    bool crlf = false;
    int chatterMs = 0;
    long rxBuffer = 0;
    std::string log;
    std::string link;
    unsigned seed = 1;
};

void usage(FILE *out)
{
    std::fputs("usage: cutdeck-sim [options]\n"
               "Opens a pseudo-terminal, prints its device path and answers like the cutter.\n"
               "  --delay MS       answer each line MS milliseconds after it arrived\n"
               "  --slow MS        answer after a random delay of up to MS milliseconds\n"
               "  --split          send replies one byte at a time\n"
               "  --twice          answer every line with two \"ok\"\n"
               "  --drop N         give no answer to every N-th line\n"
               "  --noise          send a status line before every \"ok\"\n"
               "  --hangup N       hang up after the N-th line\n"
               "  --chunks         deliver replies in random pieces, run together with what follows\n"
               "  --chatter MS     unasked output (blank lines, status lines, noise bytes) every\n"
               "                   random 0..MS milliseconds\n"
               "  --crlf           end replies with CR LF instead of LF\n"
               "  --rx-buffer N    take a line only after answering the last one, holding at most N\n"
               "                   received bytes meanwhile (the rest is lost, as on a small board)\n"
               "  --steps          record step bytes instead of answering lines\n"
               "  --log FILE       log received lines or bytes to FILE (default: standard error)\n"
               "  --link PATH      also make PATH a symbolic link to the device\n"
               "  --seed N         seed of the random delays\n",
               out);
}

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](long &out) {
            const char *v = value();
            if (!v)
                return false;
            char *end = nullptr;
            out = std::strtol(v, &end, 10);
            return *v && *end == 0 && out >= 0;
        };
        long n = 0;
        if (a == "--delay" && number(n))
            o.delayMs = int(std::min(n, 600000L));
        else if (a == "--slow" && number(n))
            o.slowMs = int(std::min(n, 600000L));
        else if (a == "--split")
            o.split = true;
        else if (a == "--twice")
            o.twice = true;
        else if (a == "--drop" && number(n))
            o.dropEvery = n;
        else if (a == "--noise")
            o.noise = true;
        else if (a == "--hangup" && number(n))
            o.hangupAfter = n;
        else if (a == "--steps")
            o.steps = true;
        else if (a == "--chunks")
            o.chunks = true;
        else if (a == "--crlf")
            o.crlf = true;
        else if (a == "--chatter" && number(n))
            o.chatterMs = int(std::clamp(n, 1L, 600000L));
        else if (a == "--rx-buffer" && number(n))
            o.rxBuffer = n;
        else if (a == "--seed" && number(n))
            o.seed = unsigned(n);
        else if (a == "--log" && i + 1 < argc)
            o.log = argv[++i];
        else if (a == "--link" && i + 1 < argc)
            o.link = argv[++i];
        else if (a == "--help" || a == "-h") {
            usage(stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "cutdeck-sim: unknown or incomplete option %s\n", a.c_str());
            usage(stderr);
            return false;
        }
    }
    return true;
}

using Clock = std::chrono::steady_clock;

struct Reply
{
    Clock::time_point due;
    std::string bytes;
};

// Writes what the terminal takes now; returns how much went out, or -1 when
// the terminal is gone. A full buffer (nobody reading) must not block the
// emulator: the rest waits for the next round.
ssize_t writeSome(int fd, const std::string &bytes)
{
    for (;;) {
        const ssize_t w = ::write(fd, bytes.data(), bytes.size());
        if (w >= 0)
            return w;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o))
        return 2;

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("cutdeck-sim: pseudo-terminal");
        return 1;
    }
    const char *name = ::ptsname(master);
    if (!name) {
        std::perror("cutdeck-sim: ptsname");
        return 1;
    }
    const std::string device = name;
    // Holding the other end open keeps the pair alive between the
    // controller's sessions; raw mode keeps the driver from echoing or
    // translating anything.
    const int slave = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave >= 0 && ::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    if (!o.link.empty()) {
        // Only a link (left by an earlier run) is replaced: a mistyped path
        // must never delete a job or a drawing.
        struct stat st{};
        if (::lstat(o.link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "cutdeck-sim: --link %s: the path exists and is not a link; it is left alone\n",
                         o.link.c_str());
            return 2;
        }
        ::unlink(o.link.c_str());
        if (::symlink(device.c_str(), o.link.c_str()) != 0)
            std::perror("cutdeck-sim: link");
    }

    FILE *log = stderr;
    if (!o.log.empty()) {
        log = std::fopen(o.log.c_str(), "w");
        if (!log) {
            std::perror("cutdeck-sim: log");
            return 1;
        }
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);

    const Clock::time_point t0 = Clock::now();
    auto stamp = [&](Clock::time_point t) {
        return double(std::chrono::duration_cast<std::chrono::microseconds>(t - t0).count()) / 1e6;
    };
    std::mt19937 random(o.seed);
    std::deque<Reply> pending;
    std::string line;
    long lines = 0;
    bool hungUp = false;

    auto schedule = [&](const std::string &text, Clock::time_point now) {
        int ms = o.delayMs;
        if (o.slowMs > 0)
            ms += int(random() % unsigned(o.slowMs + 1));
        Clock::time_point due = std::max(now + std::chrono::milliseconds(ms),
                                         pending.empty() ? now : pending.back().due);
        if (o.split) {
            // One byte per write, spaced so the reader sees separate chunks.
            for (char c : text) {
                pending.push_back({due, std::string(1, c)});
                due += std::chrono::microseconds(300);
            }
        } else if (o.chunks) {
            // Pieces of 1 to 5 bytes, some due together (so they run into
            // each other and into whatever follows), some up to 0.8 ms apart.
            for (size_t i = 0; i < text.size();) {
                const size_t n = std::min(text.size() - i, size_t(1 + random() % 5));
                pending.push_back({due, text.substr(i, n)});
                i += n;
                due += std::chrono::microseconds(random() % 3 == 0 ? 0 : random() % 800);
            }
        } else {
            pending.push_back({due, text});
        }
    };

    // Unasked output of a busy firmware: blank lines, status and temperature
    // reports, line noise. Never the letters of "ok", which would be a reply.
    auto chatter = [&]() -> std::string {
        switch (random() % 5) {
        case 0: return o.crlf ? "\r\n" : "\n";
        case 1: return "\r\n\n";
        case 2: return "echo:busy: processing\n";
        case 3: return " T:21.30 /0.00 B:20.10 /0.00 @:0 B@:0\n";
        default: {
            std::string noise;
            for (int n = 1 + int(random() % 6); n > 0; --n) {
                const char c = char(random() % 256);
                if (std::strchr("okOK", c) == nullptr || c == 0)
                    noise += c;
            }
            return noise;
        }
        }
    };
    auto nextChatter = [&](Clock::time_point now) {
        return now + std::chrono::microseconds(random() % (unsigned(o.chatterMs) * 1000 + 1));
    };
    Clock::time_point chatterDue = nextChatter(t0);

    auto onLine = [&](const std::string &text, Clock::time_point now) {
        ++lines;
        std::fprintf(log, "%.6f\t%s\n", stamp(now), text.c_str());
        if (o.hangupAfter > 0 && lines >= o.hangupAfter) {
            hungUp = true;
            return;
        }
        if (o.dropEvery > 0 && lines % o.dropEvery == 0)
            return;
        std::string reply;
        const char *eol = o.crlf ? "\r\n" : "\n";
        if (o.noise)
            reply += std::string("echo:busy: processing") + eol;
        if (text.rfind("M114", 0) == 0)
            reply += std::string("X:0.00 Y:0.00 Z:0.00 E:0.00 Count X:0 Y:0 Z:0") + eol;
        reply += std::string("ok") + eol;
        schedule(reply, now);
        if (o.twice)
            schedule(std::string("ok") + eol, now);
    };

    // Received bytes not yet taken as lines. Without --rx-buffer every line
    // is taken as soon as its carriage return is in.
    std::string received;
    long lost = 0;
    std::string out;
    auto busy = [&] { return !(pending.empty() && out.empty()); };
    auto takeLines = [&](Clock::time_point now) {
        size_t start = 0;
        for (size_t i = 0; i < received.size() && !hungUp; ++i) {
            if (o.rxBuffer > 0 && busy())
                break; // still working on the last line
            const char c = received[i];
            if (c == '\r') {
                onLine(line, now);
                line.clear();
            } else if (c != '\n' && line.size() < kMaxLine) {
                line += c;
            }
            start = i + 1;
        }
        received.erase(0, start);
    };

    char buffer[4096];
    bool blocked = false;
    while (!g_stop && !hungUp) {
        int timeout = 50;
        if (blocked) {
            timeout = 10;
        } else if (!pending.empty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(pending.front().due - Clock::now());
            timeout = int(std::clamp<long long>(wait.count(), 0, 50));
        }
        if (o.chatterMs > 0) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(chatterDue - Clock::now());
            timeout = std::min(timeout, int(std::clamp<long long>(wait.count(), 0, 50)));
        }
        pollfd pfd{master, POLLIN, 0};
        const int r = ::poll(&pfd, 1, timeout);
        if (r < 0 && errno != EINTR)
            break;
        const Clock::time_point now = Clock::now();
        if (r > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                const unsigned char c = static_cast<unsigned char>(buffer[i]);
                if (o.steps) {
                    std::fprintf(log, "%.6f\t%u\n", stamp(now), unsigned(c));
                } else if (o.rxBuffer > 0 && busy() && long(received.size()) >= o.rxBuffer) {
                    ++lost;
                } else {
                    received += char(c);
                    // An idle board takes its bytes as they come.
                    if (o.rxBuffer > 0)
                        takeLines(now);
                }
            }
        }
        takeLines(now);
        std::fflush(log);
        if (o.chatterMs > 0 && chatterDue <= now) {
            schedule(chatter(), now);
            chatterDue = nextChatter(now);
        }
        // Everything due goes out in one write: replies and chatter that are
        // due together reach the reader run together.
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            out += pending.front().bytes;
            pending.pop_front();
        }
        blocked = false;
        if (!out.empty()) {
            const ssize_t w = writeSome(master, out);
            if (w < 0) {
                hungUp = true;
                break;
            }
            out.erase(0, size_t(w));
            blocked = !out.empty();
        }
        takeLines(Clock::now());
    }

    std::fflush(log);
    if (hungUp)
        std::fprintf(stderr, "cutdeck-sim: hung up after line %ld\n", lines);
    if (lost > 0)
        std::fprintf(stderr, "cutdeck-sim: %ld received bytes lost (receive buffer full)\n", lost);
    if (log != stderr)
        std::fclose(log);
    if (slave >= 0)
        ::close(slave);
    ::close(master);
    if (!o.link.empty()) {
        // Only our own link goes; the path may have been reused meanwhile.
        char target[4096];
        const ssize_t n = ::readlink(o.link.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, size_t(n)) == device)
            ::unlink(o.link.c_str());
    }
    return 0;
}
