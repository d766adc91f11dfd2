#pragma once

#include <cstddef>

// Every thread of the program gets an alternate signal stack of its own, so
// that the fatal-signal handler still has room to run when the thread that
// faulted has used up its stack. The alternate stack is per thread and a new
// thread starts without one: the program's own pthread_create wrapper
// (threadstack.cpp) sets one up at the start of each thread and frees it
// when the thread ends.
namespace kerfloom::crash {

constexpr std::size_t kAltStackSize = 256 * 1024;

// Gives the calling thread an alternate signal stack unless it already has
// one, for the life of the process (the main thread). False when none could
// be set up.
bool ensureThreadAltStack();

} // namespace kerfloom::crash
