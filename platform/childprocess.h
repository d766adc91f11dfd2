#pragma once
// Starting a program as its own process group and waiting for it, without a
// toolkit: the setup bootstrap hands over to the installer this way.

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// Starts `program` with `args` in `workDir`, in a new process group so that
// it outlives the caller and its terminal's signals. Returns the child's id,
// or -1 with `error` set when the program could not be executed (the child
// reports a failed exec back before this returns).
pid_t startProcessGroup(const std::string &program, const std::vector<std::string> &args,
                        const std::string &workDir, std::string &error);

// Waits for the child to end; its exit code, or 128 + the signal that ended it.
int waitForExit(pid_t pid);

// True while the child has not ended (it is reaped when it has).
bool isRunning(pid_t pid);

} // namespace platform
