#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/ucontext.h>

// The minidump of a crashed process, written by a helper process forked from
// the signal handler. Everything here is async-signal-safe: no allocation, no
// locks, only system calls on fixed buffers, because the crashed process may
// have died holding the allocator's lock.
namespace kerfloom::crash {

struct CrashContext {
    pid_t pid = 0;             // the crashed process
    pid_t tid = 0;             // its crashing thread
    siginfo_t info{};
    ucontext_t context{};
    unsigned char fpregs[512]; // FXSAVE image; the ucontext only points at it
    bool hasFpregs = false;
};

// Writes the dump of ctx.pid to path: every thread with registers and stack
// (the others read through ptrace, so call this from a separate process the
// crashed one allowed to trace it), modules with build ids, exception, system
// information and the Linux /proc streams. False when the file cannot be made.
bool writeMinidump(const char *path, const CrashContext &ctx);

} // namespace kerfloom::crash
