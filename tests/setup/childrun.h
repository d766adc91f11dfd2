#pragma once
// Runs a setup executable as a user would, with a chosen environment.

#include <map>
#include <string>
#include <sys/types.h>

namespace setuptest {

struct RunResult
{
    int exitCode = -1;
    std::string errorOutput; // standard error
};

struct RunOptions
{
    std::map<std::string, std::string> env; // set (an empty value unsets)
    long fileSizeLimit = -1;                // RLIMIT_FSIZE in bytes, -1 = none
    unsigned timeoutSeconds = 60;           // then the program is killed (a hang fails, not stalls)
};

RunResult runProgram(const std::string &program, const RunOptions &options);

// An Xvfb server on a free display for the life of the object; display()
// is empty when Xvfb could not start.
class VirtualDisplay
{
public:
    VirtualDisplay();
    ~VirtualDisplay();
    const std::string &display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

std::string readFile(const std::string &path);
std::string makeTempDir();
void removeTree(const std::string &path);

} // namespace setuptest
