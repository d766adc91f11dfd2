#include "childprocess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

pid_t startProcessGroup(const std::string &program, const std::vector<std::string> &args,
                        const std::string &workDir, std::string &error)
{
    // Built before the fork: the child only calls async-signal-safe functions.
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    pid_t pid = fork();
    if (pid < 0) {
        error = std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return -1;
    }
    if (pid == 0) {
        int err = 0;
        if (setpgid(0, 0) != 0 || chdir(workDir.c_str()) != 0)
            err = errno;
        else {
            execv(program.c_str(), argv.data());
            err = errno;
        }
        ssize_t ignored = write(pipeFds[1], &err, sizeof err);
        (void)ignored;
        _exit(127);
    }
    close(pipeFds[1]);
    int childErr = 0;
    ssize_t n;
    do {
        n = read(pipeFds[0], &childErr, sizeof childErr);
    } while (n < 0 && errno == EINTR);
    close(pipeFds[0]);
    if (n == ssize_t(sizeof childErr)) {
        // The exec failed: collect the child so no zombie stays behind.
        waitForExit(pid);
        error = std::strerror(childErr);
        return -1;
    }
    return pid;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool isRunning(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

} // namespace platform
