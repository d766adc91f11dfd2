#include "crash/details.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kerfloom::crash {
namespace {

constexpr char kMagic[8] = {'K', 'F', 'C', 'R', 'A', 'S', 'H', '1'};
constexpr uint64_t kUserAddressSpace = uint64_t(1) << 47; // x86-64, 4-level paging

struct Entry {
    uint32_t code;
    const char *text;
};
const Entry kTexts[] = {
    {0xC0000005, "EXCEPTION_ACCESS_VIOLATION: The thread tried to read from or write to a virtual address for which it does not have the appropriate access."},
    {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED: The thread tried to access an array element that is out of bounds and the underlying hardware supports bounds checking."},
    {0x80000003, "EXCEPTION_BREAKPOINT: A breakpoint was encountered."},
    {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT: The thread tried to read or write data that is misaligned on hardware that does not provide alignment. For example, 16-bit values must be aligned on 2-byte boundaries; 32-bit values on 4-byte boundaries, and so on."},
    {0xC000008D, "EXCEPTION_FLT_DENORMAL_OPERAND: One of the operands in a floating-point operation is denormal. A denormal value is one that is too small to represent as a standard floating-point value."},
    {0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO: The thread tried to divide a floating-point value by a floating-point divisor of zero."},
    {0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT: The result of a floating-point operation cannot be represented exactly as a decimal fraction."},
    {0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION: This exception represents any floating-point exception not included in this list."},
    {0xC0000091, "EXCEPTION_FLT_OVERFLOW: The exponent of a floating-point operation is greater than the magnitude allowed by the corresponding type."},
    {0xC0000092, "EXCEPTION_FLT_STACK_CHECK: The stack overflowed or underflowed as the result of a floating-point operation."},
    {0xC0000093, "EXCEPTION_FLT_UNDERFLOW: The exponent of a floating-point operation is less than the magnitude allowed by the corresponding type."},
    {0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION: The thread tried to execute an invalid instruction."},
    {0xC0000006, "EXCEPTION_IN_PAGE_ERROR: The thread tried to access a page that was not present, and the system was unable to load the page. For example, this exception might occur if a network connection is lost while running a program over the network."},
    {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO: The thread tried to divide an integer value by an integer divisor of zero."},
    {0xC0000095, "EXCEPTION_INT_OVERFLOW: The result of an integer operation caused a carry out of the most significant bit of the result."},
    {0xC0000026, "EXCEPTION_INVALID_DISPOSITION: An exception handler returned an invalid disposition to the exception dispatcher. Programmers using a high-level language such as C should never encounter this exception."},
    {0xC0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION: The thread tried to continue execution after a noncontinuable exception occurred."},
    {0xC0000096, "EXCEPTION_PRIV_INSTRUCTION: The thread tried to execute an instruction whose operation is not allowed in the current machine mode."},
    {0x80000004, "EXCEPTION_SINGLE_STEP: A trace trap or other single-instruction mechanism signaled that one instruction has been executed."},
    {0xC00000FD, "EXCEPTION_STACK_OVERFLOW: The thread used up its stack."},
};

// Fixed-buffer output for the details file.
struct Out {
    int fd;
    bool ok = true;
    void bytes(const void *data, size_t size)
    {
        const char *p = static_cast<const char *>(data);
        while (ok && size) {
            const ssize_t n = ::write(fd, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = false;
                return;
            }
            p += n;
            size -= size_t(n);
        }
    }
    void u32(uint32_t v) { bytes(&v, sizeof v); } // little-endian host
    void u64(uint64_t v) { bytes(&v, sizeof v); }
    void text(const char *s, size_t n)
    {
        u32(uint32_t(n));
        bytes(s, n);
    }
    void text(const char *s) { text(s, strnlen(s, 4096)); }
    void hex(uint64_t v)
    {
        char buffer[2 + 16];
        size_t n = 0;
        char digits[16];
        size_t d = 0;
        do {
            digits[d++] = "0123456789abcdef"[v & 15];
            v >>= 4;
        } while (v);
        buffer[n++] = '0';
        buffer[n++] = 'x';
        while (d)
            buffer[n++] = digits[--d];
        text(buffer, n);
    }
};

// The number after key in a /proc text file (kB for the memory figures).
uint64_t field(const char *text, size_t length, const char *key)
{
    const size_t keyLength = std::strlen(key);
    for (size_t i = 0; i + keyLength < length; ++i) {
        if ((i == 0 || text[i - 1] == '\n') && std::memcmp(text + i, key, keyLength) == 0) {
            uint64_t value = 0;
            for (size_t j = i + keyLength; j < length && text[j] != '\n'; ++j)
                if (text[j] >= '0' && text[j] <= '9')
                    value = value * 10 + uint64_t(text[j] - '0');
            return value;
        }
    }
    return 0;
}

size_t readSmall(const char *path, char *buffer, size_t capacity)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    size_t length = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer + length, capacity - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (length += size_t(n)) >= capacity)
            break;
    }
    ::close(fd);
    return length;
}

} // namespace

uint32_t exceptionCodeFor(int signal, int code, bool stackOverflow)
{
    switch (signal) {
    case SIGSEGV:
        return stackOverflow ? 0xC00000FD : 0xC0000005;
    case SIGFPE:
        switch (code) {
        case FPE_INTDIV: return 0xC0000094;
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        case FPE_FLTOVF: return 0xC0000091;
        case FPE_FLTUND: return 0xC0000093;
        case FPE_FLTRES: return 0xC000008F;
        case FPE_FLTINV: return 0xC0000090;
        case FPE_FLTSUB: return 0xC000008C;
        default: break;
        }
        break;
    case SIGILL:
        return (code == ILL_PRVOPC || code == ILL_PRVREG) ? 0xC0000096 : 0xC000001D;
    case SIGBUS:
        return code == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGTRAP:
        return code == TRAP_TRACE ? 0x80000004 : 0x80000003;
    default:
        break;
    }
    // No Windows counterpart (an abort, a signal sent without a fault code):
    // keep the signal visible in the code.
    return 0xE0000000u | uint32_t(signal);
}

const char *exceptionText(uint32_t code)
{
    for (const Entry &e : kTexts)
        if (e.code == code)
            return e.text;
    return "Unknown exception code";
}

void readMemoryStatus(int pid, uint32_t &load, uint64_t &totalVirtual, uint64_t &availableVirtual)
{
    char buffer[8192];
    size_t n = readSmall("/proc/meminfo", buffer, sizeof buffer);
    const uint64_t total = field(buffer, n, "MemTotal:");
    const uint64_t available = field(buffer, n, "MemAvailable:");
    load = total ? uint32_t((total - (available < total ? available : total)) * 100 / total) : 0;

    char path[64] = "/proc/";
    size_t at = 6;
    char digits[16];
    int d = 0;
    unsigned value = unsigned(pid);
    do {
        digits[d++] = char('0' + value % 10);
        value /= 10;
    } while (value && d < 15);
    while (d)
        path[at++] = digits[--d];
    std::memcpy(path + at, "/status", 8);
    n = readSmall(path, buffer, sizeof buffer);
    const uint64_t used = field(buffer, n, "VmSize:") * 1024;
    totalVirtual = kUserAddressSpace;
    availableVirtual = used < kUserAddressSpace ? kUserAddressSpace - used : 0;
}

bool writeDetails(const char *path, const DetailsRecord &r)
{
    // Always a new file: in a shared temporary folder a name that exists
    // already (a planted link) belongs to someone else.
    const int fd = ::open(path, O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    Out out{fd};
    out.bytes(kMagic, sizeof kMagic);
    const uint32_t dataSize = r.appData ? r.appDataSize : 0;
    out.u32(dataSize + (r.appLog ? 4 + r.appLogSize : 0));
    out.bytes(r.appData ? r.appData : "", dataSize);
    if (r.appLog) {
        const uint32_t n = r.appLogSize;
        const unsigned char bigEndian[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
        out.bytes(bigEndian, 4);
        out.bytes(r.appLog, n);
    }
    out.u64(r.windowId);
    out.u64(uint64_t(r.startTime));
    out.u64(r.processId);
    out.u64(r.threadId);
    out.u32(r.memoryLoad);
    out.u64(r.totalVirtual);
    out.u64(r.availableVirtual);
    out.hex(r.exceptionAddress);
    out.hex(r.exceptionCode);
    out.hex(r.exceptionFlags);
    out.text(exceptionText(r.exceptionCode));
    out.u32(r.assertion ? 1 : 0);
    if (r.assertion) {
        out.text(r.assertion->expression, strnlen(r.assertion->expression, sizeof r.assertion->expression));
        out.text(r.assertion->function, strnlen(r.assertion->function, sizeof r.assertion->function));
        out.text(r.assertion->file, strnlen(r.assertion->file, sizeof r.assertion->file));
        out.u32(r.assertion->line);
        out.u32(r.assertion->type);
    }
    const bool ok = out.ok;
    ::close(fd);
    return ok;
}

namespace {
// Bounds-checked reading of the details file: it is input like any other.
struct In {
    const QByteArray &bytes;
    int at = 0;
    bool ok = true;
    const char *take(int n)
    {
        if (!ok || n < 0 || n > bytes.size() - at) {
            ok = false;
            return nullptr;
        }
        const char *p = bytes.constData() + at;
        at += n;
        return p;
    }
    quint64 u64()
    {
        quint64 v = 0;
        if (const char *p = take(8))
            std::memcpy(&v, p, 8);
        return v;
    }
    quint32 u32()
    {
        quint32 v = 0;
        if (const char *p = take(4))
            std::memcpy(&v, p, 4);
        return v;
    }
    QByteArray raw()
    {
        const quint32 n = u32();
        if (n > quint32(bytes.size()))
            ok = false;
        const char *p = take(int(n));
        return p ? QByteArray(p, int(n)) : QByteArray();
    }
    QString text() { return QString::fromUtf8(raw()); }
};
} // namespace

bool parseDetails(const QByteArray &bytes, Details &d)
{
    In in{bytes};
    const char *magic = in.take(sizeof kMagic);
    if (!magic || std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        return false;
    d.appData = in.raw();
    d.windowId = in.u64();
    d.startTime = qint64(in.u64());
    d.processId = in.u64();
    d.threadId = in.u64();
    d.memoryLoad = in.u32();
    d.totalVirtual = in.u64();
    d.availableVirtual = in.u64();
    d.address = in.text();
    d.code = in.text();
    d.flags = in.text();
    d.exceptionText = in.text();
    d.hasAssertion = in.u32() != 0;
    if (d.hasAssertion) {
        d.expression = QString::fromLatin1(in.raw());
        d.function = QString::fromLatin1(in.raw());
        d.file = QString::fromLatin1(in.raw());
        d.line = in.u32();
        d.type = in.u32();
    }
    return in.ok;
}

} // namespace kerfloom::crash
