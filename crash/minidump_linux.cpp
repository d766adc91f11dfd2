#include "crash/minidump.h"

#include <cpuid.h>
#include <dirent.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>

// Layouts of the minidump format as Breakpad writes it on Linux (x86-64).
namespace kerfloom::crash {
namespace {

#pragma pack(push, 4)
struct MdLocation {
    uint32_t size;
    uint32_t rva;
};
struct MdHeader {
    uint32_t signature;
    uint32_t version;
    uint32_t streamCount;
    uint32_t directoryRva;
    uint32_t checksum;
    uint32_t timeDateStamp;
    uint64_t flags;
};
struct MdDirectory {
    uint32_t type;
    MdLocation location;
};
struct MdMemoryDescriptor {
    uint64_t start;
    MdLocation memory;
};
struct MdThread {
    uint32_t threadId;
    uint32_t suspendCount;
    uint32_t priorityClass;
    uint32_t priority;
    uint64_t teb;
    MdMemoryDescriptor stack;
    MdLocation context;
};
struct MdModule {
    uint64_t base;
    uint32_t size;
    uint32_t checksum;
    uint32_t timeDateStamp;
    uint32_t nameRva;
    uint32_t versionInfo[13];
    MdLocation cvRecord;
    MdLocation miscRecord;
    uint64_t reserved0;
    uint64_t reserved1;
};
struct MdException {
    uint32_t threadId;
    uint32_t alignment;
    uint32_t code;
    uint32_t flags;
    uint64_t record;
    uint64_t address;
    uint32_t parameterCount;
    uint32_t unusedAlignment;
    uint64_t information[15];
    MdLocation context;
};
struct MdSystemInfo {
    uint16_t architecture;
    uint16_t level;
    uint16_t revision;
    uint8_t processors;
    uint8_t productType;
    uint32_t major;
    uint32_t minor;
    uint32_t build;
    uint32_t platformId;
    uint32_t csdVersionRva;
    uint16_t suiteMask;
    uint16_t reserved;
    uint32_t vendorId[3];
    uint32_t versionInformation;
    uint32_t featureInformation;
    uint32_t amdExtendedFeatures;
};
struct MdContextAmd64 {
    uint64_t home[6];
    uint32_t flags;
    uint32_t mxcsr;
    uint16_t cs, ds, es, fs, gs, ss;
    uint32_t eflags;
    uint64_t dr[6];
    uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi;
    uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    uint64_t rip;
    unsigned char fltSave[512];
    unsigned char vectorRegister[26 * 16];
    uint64_t vectorControl;
    uint64_t debugControl;
    uint64_t lastBranchToRip, lastBranchFromRip, lastExceptionToRip, lastExceptionFromRip;
};
#pragma pack(pop)

static_assert(sizeof(MdHeader) == 32, "header");
static_assert(sizeof(MdThread) == 48, "thread");
static_assert(sizeof(MdModule) == 108, "module");
static_assert(sizeof(MdException) == 168, "exception");
static_assert(sizeof(MdSystemInfo) == 56, "system info");
static_assert(sizeof(MdContextAmd64) == 1232, "context");

constexpr uint32_t kSignature = 0x504d444d; // "MDMP"
constexpr uint32_t kVersion = 0xa793;
constexpr uint32_t kContextFull = 0x0010000b; // AMD64: control, integer, floating point
constexpr uint32_t kCvElf = 0x4270454c;       // "BpEL": CodeView record holding an ELF build id
enum StreamType : uint32_t {
    ThreadList = 3, ModuleList = 4, MemoryList = 5, Exception = 6, SystemInfo = 7,
    LinuxCpuInfo = 0x47670003, LinuxProcStatus = 0x47670004, LinuxLsbRelease = 0x47670005,
    LinuxCmdLine = 0x47670006, LinuxEnviron = 0x47670007, LinuxAuxv = 0x47670008,
    LinuxMaps = 0x47670009,
};

constexpr int kMaxThreads = 512;
constexpr int kMaxModules = 512;
constexpr int kMaxStreams = 16;
constexpr int kMaxMemory = kMaxThreads + 1;
constexpr uint64_t kMaxStack = 256 * 1024;
constexpr size_t kFileBuffer = 2 * 1024 * 1024;

// All working storage is static: the helper is a fresh fork, so this is its
// own copy and nobody else touches it.
struct ThreadRecord {
    pid_t tid;
    bool attached;
    MdContextAmd64 context;
    MdThread out;
};
struct ModuleRecord {
    uint64_t base, end;
    const char *name; // inside s_maps
    size_t nameLength;
};
ThreadRecord s_threads[kMaxThreads];
int s_threadCount;
ModuleRecord s_modules[kMaxModules];
int s_moduleCount;
MdMemoryDescriptor s_memory[kMaxMemory];
int s_memoryCount;
MdDirectory s_directory[kMaxStreams];
int s_streamCount;
char s_maps[kFileBuffer];
size_t s_mapsLength;
char s_file[kFileBuffer];
unsigned char s_chunk[64 * 1024];

// Sequential writer over a file descriptor; failures stick.
struct Writer {
    int fd = -1;
    uint32_t position = 0;
    bool ok = true;

    uint32_t write(const void *data, size_t size)
    {
        const uint32_t at = position;
        const char *p = static_cast<const char *>(data);
        size_t left = size;
        while (ok && left > 0) {
            const ssize_t n = ::pwrite(fd, p, left, position);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = false;
                break;
            }
            p += n;
            left -= size_t(n);
            position += uint32_t(n);
        }
        return at;
    }
    void pad()
    {
        static const char zeros[8] = {};
        if (position % 8)
            write(zeros, 8 - position % 8);
    }
};

size_t readWhole(const char *path, char *buffer, size_t capacity)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    size_t length = 0;
    while (length < capacity) {
        const ssize_t n = ::read(fd, buffer + length, capacity - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length += size_t(n);
    }
    ::close(fd);
    return length;
}

// "/proc/<pid>/<leaf>" without printf.
void procPath(char *out, size_t capacity, pid_t pid, const char *leaf)
{
    char digits[16];
    int n = 0;
    unsigned value = unsigned(pid);
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value && n < 15);
    size_t i = 0;
    auto put = [&](char c) { if (i + 1 < capacity) out[i++] = c; };
    for (const char *s = "/proc/"; *s; ++s) put(*s);
    while (n) put(digits[--n]);
    put('/');
    for (const char *s = leaf; *s; ++s) put(*s);
    out[i] = 0;
}

bool readRemote(pid_t pid, uint64_t address, void *buffer, size_t size)
{
    iovec local{buffer, size};
    iovec remote{reinterpret_cast<void *>(address), size};
    return ::process_vm_readv(pid, &local, 1, &remote, 1, 0) == ssize_t(size);
}

void addStream(uint32_t type, uint32_t rva, uint32_t size)
{
    if (s_streamCount < kMaxStreams)
        s_directory[s_streamCount++] = MdDirectory{type, MdLocation{size, rva}};
}

void addFileStream(Writer &w, uint32_t type, const char *path)
{
    const size_t length = readWhole(path, s_file, sizeof s_file);
    const uint32_t rva = w.write(s_file, length);
    addStream(type, rva, uint32_t(length));
    w.pad();
}

uint64_t parseHex(const char *&p, const char *end)
{
    uint64_t value = 0;
    for (; p < end; ++p) {
        const char c = *p;
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value * 16 + uint64_t(digit);
    }
    return value;
}

// Walks the mappings of /proc/<pid>/maps in address order, calling
// visit(start, end, readable, giveUp) until it answers true (found) or sets
// `giveUp` (nothing further can match). It reads the maps text already in
// memory and allocates nothing.
template <typename Visit>
bool findMapping(Visit visit)
{
    const char *p = s_maps, *stop = s_maps + s_mapsLength;
    while (p < stop) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(stop - p)));
        if (!lineEnd)
            lineEnd = stop;
        const char *q = p;
        const uint64_t a = parseHex(q, lineEnd);
        if (q < lineEnd && *q == '-') {
            ++q;
            const uint64_t b = parseHex(q, lineEnd);
            const bool readable = q + 1 < lineEnd && q[1] == 'r';
            bool giveUp = false;
            if (visit(a, b, readable, giveUp))
                return true;
            if (giveUp)
                return false;
        }
        p = lineEnd + 1;
    }
    return false;
}

// The [start, end) of the mapping that holds address.
bool mappingOf(uint64_t address, uint64_t &start, uint64_t &end)
{
    return findMapping([&](uint64_t a, uint64_t b, bool, bool &) {
        if (address < a || address >= b)
            return false;
        start = a;
        end = b;
        return true;
    });
}

// The stack that sp belongs to. A thread that ran out of stack has sp in the
// guard below it (a PROT_NONE page under a thread's stack, the unmapped gap
// under the main thread's); its stack is then the readable mapping right
// above, which holds the frames a reader unwinds through.
bool stackMappingOf(uint64_t sp, uint64_t &start, uint64_t &end)
{
    constexpr uint64_t kGuardReach = (1 << 20) + (64 << 10); // the kernel's gap, and then some
    return findMapping([&](uint64_t a, uint64_t b, bool readable, bool &giveUp) {
        if (sp < b && (sp >= a || a - sp <= kGuardReach) && readable) {
            start = a;
            end = b;
            return true;
        }
        giveUp = sp < a; // the maps are sorted: nothing nearer follows
        return false;
    });
}

// Copies [start, start + size) of the crashed process into the dump, page by
// page so that an unreadable page leaves zeros instead of losing the rest.
uint32_t writeRemoteMemory(Writer &w, pid_t pid, uint64_t start, uint64_t size)
{
    const uint32_t rva = w.position;
    uint64_t done = 0;
    while (done < size) {
        const size_t n = size_t(size - done < sizeof s_chunk ? size - done : sizeof s_chunk);
        if (!readRemote(pid, start + done, s_chunk, n)) {
            for (size_t page = 0; page < n; page += 4096) {
                const size_t part = n - page < 4096 ? n - page : 4096;
                if (!readRemote(pid, start + done + page, s_chunk + page, part))
                    std::memset(s_chunk + page, 0, part);
            }
        }
        w.write(s_chunk, n);
        done += n;
    }
    return rva;
}

void contextFromUcontext(const CrashContext &ctx, MdContextAmd64 &out)
{
    std::memset(&out, 0, sizeof out);
    const greg_t *g = ctx.context.uc_mcontext.gregs;
    out.flags = kContextFull;
    out.rax = uint64_t(g[REG_RAX]); out.rcx = uint64_t(g[REG_RCX]);
    out.rdx = uint64_t(g[REG_RDX]); out.rbx = uint64_t(g[REG_RBX]);
    out.rsp = uint64_t(g[REG_RSP]); out.rbp = uint64_t(g[REG_RBP]);
    out.rsi = uint64_t(g[REG_RSI]); out.rdi = uint64_t(g[REG_RDI]);
    out.r8 = uint64_t(g[REG_R8]); out.r9 = uint64_t(g[REG_R9]);
    out.r10 = uint64_t(g[REG_R10]); out.r11 = uint64_t(g[REG_R11]);
    out.r12 = uint64_t(g[REG_R12]); out.r13 = uint64_t(g[REG_R13]);
    out.r14 = uint64_t(g[REG_R14]); out.r15 = uint64_t(g[REG_R15]);
    out.rip = uint64_t(g[REG_RIP]);
    out.eflags = uint32_t(g[REG_EFL]);
    const uint64_t segments = uint64_t(g[REG_CSGSFS]); // cs, gs, fs, ss packed by 16 bits
    out.cs = uint16_t(segments);
    out.gs = uint16_t(segments >> 16);
    out.fs = uint16_t(segments >> 32);
    out.ss = uint16_t(segments >> 48);
    if (ctx.hasFpregs) {
        std::memcpy(out.fltSave, ctx.fpregs, sizeof out.fltSave);
        std::memcpy(&out.mxcsr, ctx.fpregs + 24, sizeof out.mxcsr);
    }
}

void contextFromPtrace(const user_regs_struct &r, const user_fpregs_struct &fp, MdContextAmd64 &out)
{
    std::memset(&out, 0, sizeof out);
    out.flags = kContextFull;
    out.rax = r.rax; out.rcx = r.rcx; out.rdx = r.rdx; out.rbx = r.rbx;
    out.rsp = r.rsp; out.rbp = r.rbp; out.rsi = r.rsi; out.rdi = r.rdi;
    out.r8 = r.r8; out.r9 = r.r9; out.r10 = r.r10; out.r11 = r.r11;
    out.r12 = r.r12; out.r13 = r.r13; out.r14 = r.r14; out.r15 = r.r15;
    out.rip = r.rip;
    out.eflags = uint32_t(r.eflags);
    out.cs = uint16_t(r.cs); out.ds = uint16_t(r.ds); out.es = uint16_t(r.es);
    out.fs = uint16_t(r.fs); out.gs = uint16_t(r.gs); out.ss = uint16_t(r.ss);
    static_assert(sizeof fp == 512, "FXSAVE image");
    std::memcpy(out.fltSave, &fp, sizeof out.fltSave);
    out.mxcsr = fp.mxcsr;
}

void listThreads(const CrashContext &ctx)
{
    s_threadCount = 0;
    s_threads[s_threadCount].tid = ctx.tid;
    s_threads[s_threadCount].attached = false;
    contextFromUcontext(ctx, s_threads[s_threadCount].context);
    ++s_threadCount;

    char path[64];
    procPath(path, sizeof path, ctx.pid, "task");
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    alignas(8) char entries[4096];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, entries, sizeof entries);
        if (n <= 0)
            break;
        for (long at = 0; at < n;) {
            const auto *d = reinterpret_cast<const dirent64 *>(entries + at);
            at += d->d_reclen;
            pid_t tid = 0;
            const char *s = d->d_name;
            if (*s < '0' || *s > '9')
                continue;
            for (; *s >= '0' && *s <= '9'; ++s)
                tid = tid * 10 + (*s - '0');
            if (tid == ctx.tid || s_threadCount >= kMaxThreads)
                continue;
            ThreadRecord &t = s_threads[s_threadCount];
            t.tid = tid;
            t.attached = false;
            std::memset(&t.context, 0, sizeof t.context);
            if (::ptrace(PTRACE_ATTACH, tid, nullptr, nullptr) == 0) {
                int status = 0;
                while (::waitpid(tid, &status, __WALL) < 0 && errno == EINTR) {}
                t.attached = true;
                user_regs_struct regs{};
                user_fpregs_struct fp{};
                if (::ptrace(PTRACE_GETREGS, tid, nullptr, &regs) == 0) {
                    ::ptrace(PTRACE_GETFPREGS, tid, nullptr, &fp);
                    contextFromPtrace(regs, fp, t.context);
                }
            }
            ++s_threadCount;
        }
    }
    ::close(fd);
}

void detachThreads()
{
    for (int i = 0; i < s_threadCount; ++i)
        if (s_threads[i].attached)
            ::ptrace(PTRACE_DETACH, s_threads[i].tid, nullptr, nullptr);
}

void writeThreads(Writer &w, const CrashContext &ctx)
{
    for (int i = 0; i < s_threadCount; ++i) {
        ThreadRecord &t = s_threads[i];
        std::memset(&t.out, 0, sizeof t.out);
        t.out.threadId = uint32_t(t.tid);
        t.out.context.size = sizeof t.context;
        t.out.context.rva = w.write(&t.context, sizeof t.context);
        // The stack from below the red zone to the end of its mapping, capped.
        const uint64_t sp = t.context.rsp;
        uint64_t start = 0, end = 0;
        if (sp && stackMappingOf(sp, start, end)) {
            uint64_t from = sp > 128 ? (sp - 128) & ~uint64_t(15) : 0;
            if (from < start)
                from = start;
            const uint64_t to = end - from > kMaxStack ? from + kMaxStack : end;
            t.out.stack.start = from;
            t.out.stack.memory.size = uint32_t(to - from);
            t.out.stack.memory.rva = writeRemoteMemory(w, ctx.pid, from, to - from);
            if (s_memoryCount < kMaxMemory)
                s_memory[s_memoryCount++] = t.out.stack;
        }
        w.pad();
    }
    // A little code around the faulting instruction, as readers like to show it.
    const uint64_t ip = s_threads[0].context.rip;
    uint64_t start = 0, end = 0;
    if (ip && mappingOf(ip, start, end) && s_memoryCount < kMaxMemory) {
        const uint64_t from = ip - 128 < start ? start : ip - 128;
        const uint64_t to = ip + 128 > end ? end : ip + 128;
        MdMemoryDescriptor &m = s_memory[s_memoryCount++];
        m.start = from;
        m.memory.size = uint32_t(to - from);
        m.memory.rva = writeRemoteMemory(w, ctx.pid, from, to - from);
        w.pad();
    }
    const uint32_t count = uint32_t(s_threadCount);
    const uint32_t rva = w.write(&count, sizeof count);
    for (int i = 0; i < s_threadCount; ++i)
        w.write(&s_threads[i].out, sizeof(MdThread));
    addStream(ThreadList, rva, w.position - rva);
    w.pad();
}

void collectModules()
{
    s_moduleCount = 0;
    const char *p = s_maps, *stop = s_maps + s_mapsLength;
    while (p < stop) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(stop - p)));
        if (!lineEnd)
            lineEnd = stop;
        const char *q = p;
        const uint64_t a = parseHex(q, lineEnd);
        uint64_t b = a, offset = 1;
        if (q < lineEnd && *q == '-') {
            ++q;
            b = parseHex(q, lineEnd);
            while (q < lineEnd && *q != ' ') ++q;  // end
            ++q;
            while (q < lineEnd && *q != ' ') ++q;  // permissions
            ++q;
            offset = parseHex(q, lineEnd);
        }
        const char *name = static_cast<const char *>(std::memchr(q, '/', size_t(lineEnd - q)));
        if (name) {
            const size_t length = size_t(lineEnd - name);
            ModuleRecord *last = s_moduleCount ? &s_modules[s_moduleCount - 1] : nullptr;
            if (last && last->nameLength == length && std::memcmp(last->name, name, length) == 0
                && a >= last->end) {
                last->end = b;
            } else if (offset == 0 && s_moduleCount < kMaxModules) {
                s_modules[s_moduleCount++] = ModuleRecord{a, b, name, length};
            }
        }
        p = lineEnd + 1;
    }
}

// The GNU build id of the ELF image mapped at base, read from the crashed
// process's memory; its length, 0 when there is none.
size_t buildId(pid_t pid, uint64_t base, unsigned char *out, size_t capacity)
{
    Elf64_Ehdr header;
    if (!readRemote(pid, base, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0
        || header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum > 64)
        return 0;
    Elf64_Phdr phdrs[64];
    if (!readRemote(pid, base + header.e_phoff, phdrs, sizeof(Elf64_Phdr) * header.e_phnum))
        return 0;
    uint64_t firstLoad = ~uint64_t(0);
    for (int i = 0; i < header.e_phnum; ++i)
        if (phdrs[i].p_type == PT_LOAD && phdrs[i].p_vaddr < firstLoad)
            firstLoad = phdrs[i].p_vaddr;
    if (firstLoad == ~uint64_t(0))
        return 0;
    const uint64_t bias = base - (firstLoad & ~uint64_t(4095));
    for (int i = 0; i < header.e_phnum; ++i) {
        if (phdrs[i].p_type != PT_NOTE)
            continue;
        unsigned char notes[4096];
        const size_t size = phdrs[i].p_memsz < sizeof notes ? size_t(phdrs[i].p_memsz) : sizeof notes;
        if (!readRemote(pid, bias + phdrs[i].p_vaddr, notes, size))
            continue;
        size_t at = 0;
        while (at + sizeof(Elf64_Nhdr) <= size) {
            Elf64_Nhdr note;
            std::memcpy(&note, notes + at, sizeof note);
            const size_t nameAt = at + sizeof note;
            const size_t descAt = nameAt + ((note.n_namesz + 3) & ~3u);
            const size_t next = descAt + ((note.n_descsz + 3) & ~3u);
            if (next > size || next <= at)
                break;
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4
                && std::memcmp(notes + nameAt, "GNU", 4) == 0) {
                const size_t n = note.n_descsz < capacity ? note.n_descsz : capacity;
                std::memcpy(out, notes + descAt, n);
                return n;
            }
            at = next;
        }
    }
    return 0;
}

// A minidump string: byte length, then UTF-16 with a terminating zero.
uint32_t writeString(Writer &w, const char *text, size_t length)
{
    uint16_t units[2048];
    size_t n = 0;
    for (size_t i = 0; i < length && n + 2 < sizeof units / sizeof *units;) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t cp = c;
        size_t extra = 0;
        if (c >= 0xf0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xe0) { cp = c & 0x0f; extra = 2; }
        else if (c >= 0xc0) { cp = c & 0x1f; extra = 1; }
        ++i;
        for (; extra && i < length; --extra, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3f);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units[n++] = uint16_t(0xd800 + (cp >> 10));
            units[n++] = uint16_t(0xdc00 + (cp & 0x3ff));
        } else {
            units[n++] = uint16_t(cp);
        }
    }
    const uint32_t bytes = uint32_t(n * 2);
    const uint32_t rva = w.write(&bytes, sizeof bytes);
    units[n++] = 0;
    w.write(units, n * 2);
    w.pad();
    return rva;
}

void writeModules(Writer &w, const CrashContext &ctx)
{
    collectModules();
    static MdModule out[kMaxModules];
    for (int i = 0; i < s_moduleCount; ++i) {
        const ModuleRecord &m = s_modules[i];
        MdModule &o = out[i];
        std::memset(&o, 0, sizeof o);
        o.base = m.base;
        o.size = uint32_t(m.end - m.base);
        o.nameRva = writeString(w, m.name, m.nameLength);
        unsigned char record[4 + 64];
        const uint32_t signature = kCvElf;
        std::memcpy(record, &signature, 4);
        const size_t idLength = buildId(ctx.pid, m.base, record + 4, 64);
        if (idLength) {
            o.cvRecord.size = uint32_t(4 + idLength);
            o.cvRecord.rva = w.write(record, 4 + idLength);
            w.pad();
        }
    }
    const uint32_t count = uint32_t(s_moduleCount);
    const uint32_t rva = w.write(&count, sizeof count);
    w.write(out, sizeof(MdModule) * size_t(s_moduleCount));
    addStream(ModuleList, rva, w.position - rva);
    w.pad();
}

void writeMemoryList(Writer &w)
{
    const uint32_t count = uint32_t(s_memoryCount);
    const uint32_t rva = w.write(&count, sizeof count);
    w.write(s_memory, sizeof(MdMemoryDescriptor) * size_t(s_memoryCount));
    addStream(MemoryList, rva, w.position - rva);
    w.pad();
}

void writeException(Writer &w, const CrashContext &ctx)
{
    MdException e;
    std::memset(&e, 0, sizeof e);
    e.threadId = uint32_t(ctx.tid);
    e.code = uint32_t(ctx.info.si_signo); // Linux dumps carry the signal here
    e.flags = uint32_t(ctx.info.si_code);
    e.address = reinterpret_cast<uint64_t>(ctx.info.si_addr);
    e.context = s_threads[0].out.context;
    const uint32_t rva = w.write(&e, sizeof e);
    addStream(Exception, rva, sizeof e);
    w.pad();
}

uint32_t parseNumber(const char *&p)
{
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + uint32_t(*p++ - '0');
    if (*p == '.')
        ++p;
    return value;
}

void writeSystemInfo(Writer &w)
{
    MdSystemInfo s;
    std::memset(&s, 0, sizeof s);
    s.architecture = 9; // AMD64
    s.productType = 1;
    s.platformId = 0x8201; // Linux
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        s.vendorId[0] = ebx;
        s.vendorId[1] = edx;
        s.vendorId[2] = ecx;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        s.versionInformation = eax;
        s.featureInformation = edx;
        s.level = uint16_t((eax >> 8) & 0xf);
        s.revision = uint16_t(eax & 0xff);
    }
    const size_t length = readWhole("/proc/cpuinfo", s_file, sizeof s_file);
    unsigned processors = 0;
    for (size_t i = 0; i + 9 < length; ++i)
        if ((i == 0 || s_file[i - 1] == '\n') && std::memcmp(s_file + i, "processor", 9) == 0)
            ++processors;
    s.processors = uint8_t(processors > 255 ? 255 : processors);

    utsname u;
    char csd[512] = {};
    if (::uname(&u) == 0) {
        const char *p = u.release;
        s.major = parseNumber(p);
        s.minor = parseNumber(p);
        s.build = parseNumber(p);
        // Breakpad's convention: "Linux <release> <version> <machine>".
        size_t n = 0;
        auto append = [&](const char *t) {
            for (; *t && n + 1 < sizeof csd; ++t) csd[n++] = *t;
        };
        append(u.sysname); append(" "); append(u.release); append(" ");
        append(u.version); append(" "); append(u.machine);
        s.csdVersionRva = writeString(w, csd, n);
    }
    const uint32_t rva = w.write(&s, sizeof s);
    addStream(SystemInfo, rva, sizeof s);
    w.pad();
}

} // namespace

bool writeMinidump(const char *path, const CrashContext &ctx)
{
    // Always a new file: in a shared temporary folder a name that exists
    // already (a planted link) belongs to someone else.
    const int fd = ::open(path, O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    s_streamCount = 0;
    s_memoryCount = 0;
    char procFile[64];
    procPath(procFile, sizeof procFile, ctx.pid, "maps");
    s_mapsLength = readWhole(procFile, s_maps, sizeof s_maps);

    Writer w;
    w.fd = fd;
    MdHeader header{};
    w.write(&header, sizeof header);
    const uint32_t directoryRva = w.position;
    w.write(s_directory, sizeof(MdDirectory) * kMaxStreams); // placeholder, rewritten below

    listThreads(ctx);
    writeThreads(w, ctx);
    detachThreads(); // the memory of stopped threads is already copied
    writeModules(w, ctx);
    writeMemoryList(w);
    writeException(w, ctx);
    writeSystemInfo(w);
    addFileStream(w, LinuxCpuInfo, "/proc/cpuinfo");
    procPath(procFile, sizeof procFile, ctx.pid, "status");
    addFileStream(w, LinuxProcStatus, procFile);
    addFileStream(w, LinuxLsbRelease, "/etc/os-release");
    procPath(procFile, sizeof procFile, ctx.pid, "cmdline");
    addFileStream(w, LinuxCmdLine, procFile);
    procPath(procFile, sizeof procFile, ctx.pid, "environ");
    addFileStream(w, LinuxEnviron, procFile);
    procPath(procFile, sizeof procFile, ctx.pid, "auxv");
    addFileStream(w, LinuxAuxv, procFile);
    const uint32_t mapsRva = w.write(s_maps, s_mapsLength);
    addStream(LinuxMaps, mapsRva, uint32_t(s_mapsLength));

    header.signature = kSignature;
    header.version = kVersion;
    header.streamCount = uint32_t(s_streamCount);
    header.directoryRva = directoryRva;
    header.timeDateStamp = uint32_t(::time(nullptr));
    const uint32_t end = w.position;
    w.position = directoryRva;
    w.write(s_directory, sizeof(MdDirectory) * kMaxStreams);
    w.position = 0;
    w.write(&header, sizeof header);
    w.position = end;
    const bool ok = w.ok;
    ::close(fd);
    return ok;
}

} // namespace kerfloom::crash
