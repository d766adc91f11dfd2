#pragma once

#include <cstddef>

namespace platform {

// A read-only mapping of a whole open file that survives the file being cut
// short while it is read (a program rewriting it in place). Touching a mapped
// page beyond the file's new end raises SIGBUS, which would end the process;
// here such a page reads as zeros instead, and truncated() says so once the
// reading is done, so that the caller can refuse what it read.
class GuardedMap
{
public:
    GuardedMap(int fd, size_t size);
    ~GuardedMap();
    GuardedMap(const GuardedMap &) = delete;
    GuardedMap &operator=(const GuardedMap &) = delete;

    // Null when the file could not be mapped, or no guard was free (many
    // files read at once): the caller then reads the file the ordinary way.
    const char *data() const { return m_data; }
    bool truncated() const;

private:
    const char *m_data = nullptr;
    size_t m_size = 0;
    int m_slot = -1;
};

} // namespace platform
