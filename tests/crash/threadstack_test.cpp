// Every thread, however it is started and however it ends, has an alternate
// signal stack while it runs and gives it back when it is gone.
#include "crash/threadstack.h"
#include "sanitizer.h"

#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

stack_t currentAltStack()
{
    stack_t s{};
    sigaltstack(nullptr, &s);
    return s;
}

bool mapped(const void *address)
{
    const long page = sysconf(_SC_PAGESIZE);
    void *start = reinterpret_cast<void *>(reinterpret_cast<uintptr_t>(address) & ~uintptr_t(page - 1));
    return msync(start, size_t(page), MS_ASYNC) == 0;
}

// How a thread may end: its routine returns, it calls pthread_exit, or it is
// cancelled (what QThread::terminate does).
enum class Ending { Return, Exit, Cancel };

struct Seen {
    stack_t stack{};
    std::atomic<bool> ready{false};
};

void *observe(void *arg)
{
    auto *seen = static_cast<std::pair<Seen *, Ending> *>(arg);
    seen->first->stack = currentAltStack();
    seen->first->ready = true;
    switch (seen->second) {
    case Ending::Return: return nullptr;
    case Ending::Exit: pthread_exit(nullptr);
    case Ending::Cancel:
        for (;;)
            pause(); // a cancellation point
    }
    return nullptr;
}

TEST(ThreadAltStack, EveryPthreadGetsOneAndGivesItBack)
{
    if (builtWithSanitizer())
        GTEST_SKIP() << "the sanitizer runtimes start the threads themselves";
    for (const Ending ending : {Ending::Return, Ending::Exit, Ending::Cancel}) {
        SCOPED_TRACE(int(ending));
        Seen seen;
        std::pair<Seen *, Ending> arg{&seen, ending};
        pthread_t thread;
        ASSERT_EQ(pthread_create(&thread, nullptr, observe, &arg), 0);
        while (!seen.ready)
            std::this_thread::yield();
        if (ending == Ending::Cancel)
            pthread_cancel(thread);
        pthread_join(thread, nullptr);
        EXPECT_FALSE(seen.stack.ss_flags & SS_DISABLE);
        EXPECT_EQ(seen.stack.ss_size, kerfloom::crash::kAltStackSize);
        EXPECT_FALSE(mapped(seen.stack.ss_sp)) << "freed when the thread ended";
    }
}

// Threads the program does not start itself: the standard library's, a
// QThread's, the global pool's (where linking runs).
TEST(ThreadAltStack, ThreadsOfTheLibrariesGetOneToo)
{
    if (builtWithSanitizer())
        GTEST_SKIP() << "the sanitizer runtimes start the threads themselves";
    const std::function<stack_t()> starters[] = {
        [] {
            stack_t s{};
            std::thread([&] { s = currentAltStack(); }).join();
            return s;
        },
        [] {
            stack_t s{};
            QThread *thread = QThread::create([&] { s = currentAltStack(); });
            thread->start();
            thread->wait();
            delete thread;
            return s;
        },
        [] {
            stack_t s{};
            QThreadPool pool;
            pool.start([&] { s = currentAltStack(); });
            pool.waitForDone();
            return s;
        },
    };
    for (const auto &start : starters) {
        const stack_t s = start();
        EXPECT_FALSE(s.ss_flags & SS_DISABLE);
        EXPECT_EQ(s.ss_size, kerfloom::crash::kAltStackSize);
    }
}

} // namespace
