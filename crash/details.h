#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The details file: what the minidump does not say (memory status, exception
// text, assertion, application log). Written by the crash helper without
// allocating, read back by the report process.
namespace kerfloom::crash {

// Fixed-size assertion record, filled before the process aborts.
struct AssertionRecord {
    char expression[128];
    char function[128];
    char file[128];
    uint32_t line;
    uint32_t type; // 1: Qt fatal message or Q_ASSERT, 2: C assert
};
enum AssertionType : uint32_t { QtAssertion = 1, CAssertion = 2 };

// Everything the crash helper hands to writeDetails; plain data only.
struct DetailsRecord {
    // The application data: the serialised custom fields, then (when appLog is
    // set) the log as a serialised string whose UTF-16 big-endian bytes are appLog.
    const char *appData = nullptr;
    uint32_t appDataSize = 0;
    const char *appLog = nullptr;
    uint32_t appLogSize = 0;
    uint64_t windowId = 0;
    int64_t startTime = 0;
    uint64_t processId = 0;
    uint64_t threadId = 0;
    uint32_t memoryLoad = 0;
    uint64_t totalVirtual = 0;
    uint64_t availableVirtual = 0;
    uint64_t exceptionAddress = 0;
    uint32_t exceptionCode = 0;
    uint32_t exceptionFlags = 0;
    const AssertionRecord *assertion = nullptr; // null: none
};

// The Windows-style code for a signal and its si_code (and whether the fault
// address lies in the stack's guard area); codes without an entry in the
// texts table give "Unknown exception code".
uint32_t exceptionCodeFor(int signal, int code, bool stackOverflow);
// "NAME: description", or "Unknown exception code". Never allocates.
const char *exceptionText(uint32_t code);

// Memory load in percent from /proc/meminfo; the user address space and what
// of it is unused from /proc/<pid>/status. Async-signal-safe.
void readMemoryStatus(int pid, uint32_t &load, uint64_t &totalVirtual, uint64_t &availableVirtual);

// Async-signal-safe; false when the file cannot be written.
bool writeDetails(const char *path, const DetailsRecord &record);

// What the report process reads back.
struct Details {
    QByteArray appData;
    quint64 windowId = 0;
    qint64 startTime = 0;
    quint64 processId = 0;
    quint64 threadId = 0;
    quint32 memoryLoad = 0;
    quint64 totalVirtual = 0;
    quint64 availableVirtual = 0;
    QString address, code, flags, exceptionText;
    bool hasAssertion = false;
    QString expression, function, file;
    quint32 line = 0, type = 0;
};
// False for a damaged or foreign file.
bool parseDetails(const QByteArray &bytes, Details &out);

} // namespace kerfloom::crash
