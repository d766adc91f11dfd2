#include "bootstrap.h"

#include "extract.h"
#include "platform/childprocess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace setup {
namespace {

// How long the installer gets to show its window before the bootstrap
// gives up on bringing it forward.
constexpr int RaiseTimeoutMs = 10000;

bool writeFile(const std::string &path, const Payload &payload)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const unsigned char *p = payload.data;
    size_t left = payload.size;
    bool ok = true;
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= size_t(n);
    }
    return close(fd) == 0 && ok;
}

std::string format(const char *pattern, const std::string &arg)
{
    std::string text = pattern;
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, arg);
    return text;
}

int fail(Feedback &feedback, const std::string &message)
{
    feedback.showError(message);
    return 1;
}

} // namespace

std::string makeUuid()
{
    unsigned char b[16] = {};
    size_t got = 0;
    while (got < sizeof b) {
        ssize_t n = getrandom(b + got, sizeof b - got, 0);
        if (n > 0)
            got += size_t(n);
        else if (errno != EINTR)
            break;
    }
    b[6] = (b[6] & 0x0f) | 0x40; // version 4
    b[8] = (b[8] & 0x3f) | 0x80; // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
                  b[13], b[14], b[15]);
    return text;
}

std::string tempRoot()
{
    const char *env = std::getenv("TMPDIR");
    std::string root = env && *env ? env : "/tmp";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

int runBootstrap(const Payload &payload, Feedback &feedback)
{
    const std::string work = tempRoot() + "/" + makeUuid();
    if (mkdir(work.c_str(), 0700) != 0)
        return fail(feedback, texts::TempDirError);

    const std::string dataFile = work + "/data.lzma";
    if (!writeFile(dataFile, payload)) {
        unlink(dataFile.c_str());
        return fail(feedback, format(texts::PayloadError, dataFile));
    }

    feedback.setProgress(5);
    if (chdir(work.c_str()) != 0)
        return fail(feedback, texts::ExtractError);

    const ExtractResult extracted = extractArchive(dataFile, work, [&](int i, int n) {
        feedback.setProgress(5 + 93 * i / n);
    });
    unlink(dataFile.c_str());
    if (!extracted.ok)
        std::fprintf(stderr, "KerfloomSetup: %s\n", extracted.error.c_str());

    // The main program must be there and writable; and a failed entry
    // anywhere means the folder is incomplete, whatever file is missing.
    const std::string mainProgram = work + "/" + MainProgramPath;
    int fd = open(mainProgram.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0)
        close(fd);
    if (fd < 0 || !extracted.ok)
        return fail(feedback, texts::ExtractError);

    feedback.setProgress(98);
    std::vector<std::string> args;
    if (!feedback.interactive())
        args.push_back("/quiet");
    std::string error;
    const pid_t pid = platform::startProcessGroup(work + "/" + InstallerPath, args,
                                                  work + "/" + InstallerFolder + "/", error);
    if (pid < 0) {
        std::fprintf(stderr, "KerfloomSetup: %s\n", error.c_str());
        return fail(feedback, texts::LaunchError);
    }
    feedback.setProgress(100);
    if (!feedback.interactive())
        return platform::waitForExit(pid);
    feedback.raiseWindowOf(pid, RaiseTimeoutMs);
    return 0;
}

} // namespace setup
