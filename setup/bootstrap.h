#pragma once
// The bootstrap's straight line: work folder, payload file, extraction,
// check, launch of the installer. The window (or, without a display, standard
// error) only shows what happens, through `Feedback`.

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace setup {

namespace texts {
inline constexpr const char *TempDirError = "Cannot create temp directory! Check your permissions.";
inline constexpr const char *PayloadError = "Cannot extract installer to \"%s\"! Check your permissions.";
inline constexpr const char *ExtractError = "Cannot extract files! Check your permissions.";
inline constexpr const char *LaunchError = "Cannot launch installer! Check your permissions.";
inline constexpr const char *Preparing = "Preparing installer...";
inline constexpr const char *ErrorTitle = "Error";
inline constexpr const char *WindowTitle = "Brenmoor Installer";
} // namespace texts

class Feedback
{
public:
    virtual ~Feedback() = default;
    virtual void setProgress(int percent) = 0;
    // Shows the message and returns when the user has seen it.
    virtual void showError(const std::string &message) = 0;
    // False when nobody can see a window: the installer then runs with
    // "/quiet" and the bootstrap waits for it.
    virtual bool interactive() const = 0;
    // Brings the first window of process `pid` to the front, waiting for
    // it at most `timeoutMs`.
    virtual void raiseWindowOf(pid_t pid, int timeoutMs) = 0;
};

struct Payload
{
    const unsigned char *data = nullptr;
    size_t size = 0;
};

// A fresh random (version 4) UUID as 36 lowercase characters, 8-4-4-4-12.
std::string makeUuid();

// $TMPDIR when set and not empty, else /tmp; without a trailing slash.
std::string tempRoot();

// Where the installer lands inside the work folder, and the file whose
// presence proves the programs were unpacked.
inline constexpr const char *InstallerPath = "BrenmoorInstaller/BrenmoorInstaller";
inline constexpr const char *InstallerFolder = "BrenmoorInstaller";
inline constexpr const char *MainProgramPath = "BrenmoorInstaller/app/Kerfloom";

// Runs the whole bootstrap; returns the process exit code: 0 when the
// installer was started (interactive), the installer's own code when it ran
// quietly, 1 on any failure after the error was shown.
int runBootstrap(const Payload &payload, Feedback &feedback);

} // namespace setup
