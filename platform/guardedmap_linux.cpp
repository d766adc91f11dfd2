#include "platform/guardedmap.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>

namespace platform {
namespace {

// Mappings being read, looked up by the signal handler without locks.
struct Slot
{
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> truncated{false};
    std::atomic<bool> used{false};
};
constexpr int SlotCount = 64;
Slot g_slots[SlotCount];
struct sigaction g_previous;

void passOn(int sig, siginfo_t *info, void *context)
{
    if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction) {
        g_previous.sa_sigaction(sig, info, context);
    } else if (g_previous.sa_handler == SIG_DFL) {
        // Returning re-executes a faulting access, which now ends the
        // process; a signal sent with kill has no access to repeat.
        signal(sig, SIG_DFL);
        if (info->si_code <= 0)
            raise(sig);
    } else if (g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(sig);
    }
}

void onBusError(int sig, siginfo_t *info, void *context)
{
    // Only the kernel's own bus errors carry an address; one sent with kill
    // goes on to the crash handler like any other.
    const uintptr_t address = info->si_code > 0 ? reinterpret_cast<uintptr_t>(info->si_addr) : 0;
    for (Slot &slot : g_slots) {
        if (address < slot.begin.load(std::memory_order_acquire) || address >= slot.end.load(std::memory_order_acquire))
            continue;
        // The page past the file's end becomes a page of zeros; the access
        // is repeated on it when the handler returns.
        const uintptr_t page = address & ~uintptr_t(sysconf(_SC_PAGESIZE) - 1);
        void *replaced = mmap(reinterpret_cast<void *>(page), size_t(sysconf(_SC_PAGESIZE)), PROT_READ,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (replaced != MAP_FAILED) {
            slot.truncated.store(true, std::memory_order_release);
            return;
        }
        break;
    }
    passOn(sig, info, context);
}

void installHandler()
{
    // Installed on first use, after the crash handler, to which every other
    // bus error still goes.
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
}

} // namespace

GuardedMap::GuardedMap(int fd, size_t size)
{
    static std::once_flag installed;
    std::call_once(installed, installHandler);
    for (int i = 0; i < SlotCount; ++i) {
        bool expected = false;
        if (g_slots[i].used.compare_exchange_strong(expected, true)) {
            m_slot = i;
            break;
        }
    }
    if (m_slot < 0 || size == 0)
        return;
    void *p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED)
        return;
    m_data = static_cast<const char *>(p);
    m_size = size;
    Slot &slot = g_slots[m_slot];
    slot.truncated.store(false);
    slot.end.store(0);
    slot.begin.store(reinterpret_cast<uintptr_t>(p));
    slot.end.store(reinterpret_cast<uintptr_t>(p) + size, std::memory_order_release);
}

GuardedMap::~GuardedMap()
{
    if (m_slot < 0)
        return;
    Slot &slot = g_slots[m_slot];
    slot.end.store(0, std::memory_order_release);
    slot.begin.store(0);
    if (m_data)
        munmap(const_cast<char *>(m_data), m_size);
    slot.used.store(false, std::memory_order_release);
}

bool GuardedMap::truncated() const
{
    return m_slot >= 0 && m_data && g_slots[m_slot].truncated.load(std::memory_order_acquire);
}

} // namespace platform
