#include "crash/threadstack.h"

#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

// The sanitizer runtimes wrap pthread_create themselves and own the fatal
// signals in those builds: leave the threads to them there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KERFLOOM_WRAP_PTHREAD_CREATE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KERFLOOM_WRAP_PTHREAD_CREATE 0
#endif
#endif
#ifndef KERFLOOM_WRAP_PTHREAD_CREATE
#define KERFLOOM_WRAP_PTHREAD_CREATE 1
#endif

namespace kerfloom::crash {
namespace {

std::size_t pageSize()
{
    static const std::size_t size = std::size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

// Mapped rather than taken from the heap, with a guard page below: a handler
// that runs out of its alternate stack then faults instead of writing over
// whatever the allocator put there. Only touched pages cost memory.
void *mapAltStack()
{
    const std::size_t guard = pageSize();
    void *base = ::mmap(nullptr, kAltStackSize + guard, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    ::mprotect(base, guard, PROT_NONE);
    return static_cast<char *>(base) + guard;
}

void unmapAltStack(void *stack)
{
    ::munmap(static_cast<char *>(stack) - pageSize(), kAltStackSize + pageSize());
}

bool hasAltStack()
{
    stack_t current{};
    return ::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE);
}

// Switches the calling thread to stack; false (and nothing changed) when the
// kernel refuses.
bool useAltStack(void *stack)
{
    stack_t alt{};
    alt.ss_sp = stack;
    alt.ss_size = kAltStackSize;
    return ::sigaltstack(&alt, nullptr) == 0;
}

} // namespace

bool ensureThreadAltStack()
{
    if (hasAltStack())
        return true;
    void *stack = mapAltStack();
    if (!stack)
        return false;
    if (useAltStack(stack))
        return true;
    unmapAltStack(stack);
    return false;
}

#if KERFLOOM_WRAP_PTHREAD_CREATE
// Why interpose pthread_create rather than hook the places where the program
// starts its workers: the threads that fault are as often Qt's (the global
// thread pool that linking and the view's cache run on, QThread, the xcb and
// D-Bus threads) or the standard library's as our own, and a hook in our
// code would miss every thread someone adds later. Defined in the
// executable, this definition comes first for every library that calls
// pthread_create; it hands the real one a trampoline that sets up the
// alternate stack before the thread's own function runs.
namespace {

using CreateFunction = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);

struct ThreadStart {
    void *(*routine)(void *);
    void *argument;
};

// Set up when the thread starts, given back when it ends: by returning, by
// pthread_exit or by cancellation, both of which unwind through here.
class ThreadAltStack
{
public:
    ThreadAltStack()
    {
        if (hasAltStack())
            return; // someone set one up already: leave it
        m_stack = mapAltStack();
        if (m_stack && !useAltStack(m_stack)) {
            unmapAltStack(m_stack);
            m_stack = nullptr;
        }
    }
    ~ThreadAltStack()
    {
        if (!m_stack)
            return;
        stack_t current{};
        if (::sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_ONSTACK))
            return; // still in use: leaking it is the lesser harm
        if (current.ss_sp == m_stack) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        }
        unmapAltStack(m_stack);
    }
    ThreadAltStack(const ThreadAltStack &) = delete;
    ThreadAltStack &operator=(const ThreadAltStack &) = delete;

private:
    void *m_stack = nullptr;
};

// Not noexcept: pthread_exit and cancellation unwind through this frame.
void *startWithAltStack(void *start)
{
    const ThreadStart what = *static_cast<ThreadStart *>(start);
    std::free(start);
    ThreadAltStack stack;
    return what.routine(what.argument);
}

CreateFunction realPthreadCreate()
{
    static const CreateFunction real =
        reinterpret_cast<CreateFunction>(::dlsym(RTLD_NEXT, "pthread_create"));
    return real;
}

} // namespace
#endif

} // namespace kerfloom::crash

#if KERFLOOM_WRAP_PTHREAD_CREATE
extern "C" int pthread_create(pthread_t *__restrict thread, const pthread_attr_t *__restrict attr,
                              void *(*routine)(void *), void *__restrict argument) noexcept
{
    using namespace kerfloom::crash;
    const CreateFunction real = realPthreadCreate();
    if (!real)
        return EAGAIN;
    auto *start = static_cast<ThreadStart *>(std::malloc(sizeof(ThreadStart)));
    if (!start) // a thread without an alternate stack beats no thread
        return real(thread, attr, routine, argument);
    start->routine = routine;
    start->argument = argument;
    const int result = real(thread, attr, startWithAltStack, start);
    if (result != 0)
        std::free(start);
    return result;
}
#endif
