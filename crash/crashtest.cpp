#include "crash/crashtest.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <cassert>
#include <cstdlib>

extern "C" [[noreturn]] void __assert_fail(const char *, const char *, unsigned int, const char *) noexcept;

namespace kerfloom::crash {
namespace {

const char *const kKinds[] = {"null", "abort", "assert", "cassert", "divide", "overflow"};

// Where the fault happens: "thread:" in a QThread of its own, "pool:" in
// the global thread pool, where linking runs.
const char *const kPlaces[] = {"thread:", "pool:"};

QString placeOf(const QString &kind)
{
    for (const char *place : kPlaces)
        if (kind.startsWith(QLatin1String(place)))
            return QLatin1String(place);
    return QString();
}

QString baseKind(const QString &kind)
{
    return kind.mid(placeOf(kind).size());
}

// noinline and volatile keep the optimiser from folding the faults away, and
// keep the faulting function in the backtrace.
[[gnu::noinline]] void writeThroughNull()
{
    volatile int *volatile pointer = nullptr;
    *pointer = 42;
}

[[gnu::noinline]] int divideByZero()
{
    // Both volatile: the compiler turns 1 / x into a comparison without dividing.
    volatile int numerator = 7, zero = 0;
    return numerator / zero;
}

[[gnu::noinline]] int recurse(int depth)
{
    volatile char frame[1024];
    frame[0] = char(depth);
    if (depth < 0) // never: keeps the compiler from calling the recursion endless
        return 0;
    return recurse(depth + 1) + frame[0];
}

} // namespace

bool isCrashTestKind(const QString &kind)
{
    const QString base = baseKind(kind);
    for (const char *k : kKinds)
        if (base == QLatin1String(k))
            return true;
    return false;
}

void crashNow(const QString &kind)
{
    const QString base = baseKind(kind);
    qWarning("Crash test: %s", qPrintable(kind));
    if (base == QLatin1String("null")) {
        writeThroughNull();
    } else if (base == QLatin1String("abort")) {
        std::abort();
    } else if (base == QLatin1String("assert")) {
        // What a failing Q_ASSERT does in a debug build; release builds drop Q_ASSERT.
        qt_assert("kind != \"assert\"", __FILE__, __LINE__);
    } else if (base == QLatin1String("cassert")) {
        __assert_fail("kind != \"cassert\"", __FILE__, __LINE__, Q_FUNC_INFO);
    } else if (base == QLatin1String("divide")) {
        std::exit(divideByZero());
    } else if (base == QLatin1String("overflow")) {
        std::exit(recurse(0));
    }
}

void scheduleCrashTest()
{
    const QString kind = qEnvironmentVariable("KERFLOOM_CRASH_TEST");
    if (kind.isEmpty())
        return;
    if (!isCrashTestKind(kind)) {
        qWarning("Unknown crash test \"%s\"", qPrintable(kind));
        return;
    }
    const int delayMs = std::max(0, qEnvironmentVariableIntValue("KERFLOOM_CRASH_TEST_DELAY"));
    QTimer::singleShot(delayMs, QCoreApplication::instance(), [kind] {
        const QString place = placeOf(kind);
        if (place.isEmpty()) {
            crashNow(kind);
        } else if (place == QLatin1String("pool:")) {
            QThreadPool::globalInstance()->start([kind] { crashNow(kind); });
        } else {
            QThread *worker = QThread::create([kind] { crashNow(kind); });
            worker->start();
        }
    });
}

} // namespace kerfloom::crash
