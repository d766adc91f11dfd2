#pragma once

#include <QString>

// A deliberate crash, for the tests and for users checking that crash
// reports work on their machine: KERFLOOM_CRASH_TEST=<kind> makes the program
// fault once start-up is done. Kinds: "null" (write through a null pointer),
// "abort", "assert" (a failed Q_ASSERT), "cassert" (a failed C assert),
// "divide" (integer division by zero), "overflow" (endless recursion); a
// "thread:" prefix faults in a QThread of its own instead of the GUI thread,
// a "pool:" prefix in a thread of the global pool, where linking runs.
// KERFLOOM_CRASH_TEST_DELAY=ms waits that long after start-up first.
namespace kerfloom::crash {

// True when kind names a crash; an unknown kind is refused.
bool isCrashTestKind(const QString &kind);
// Schedules the crash named by KERFLOOM_CRASH_TEST, if any, for when the
// event loop runs; logs a warning for an unknown kind.
void scheduleCrashTest();
// Faults now, in the calling thread.
void crashNow(const QString &kind);

} // namespace kerfloom::crash
