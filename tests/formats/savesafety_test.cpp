// A save that fails keeps the file it was replacing; a save never writes a
// number that is not finite; readers touch only regular files.
#include "formats/baseformat.h"
#include "formats/filedata.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <functional>
#include <limits>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace test;

namespace {

const char *const Endings[] = {"tap", "dxf", "svg", "plt", "kfp"};

QStringList messages;
void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    messages << text;
}

// Collects the log lines of one block.
struct CapturedLog
{
    CapturedLog()
    {
        messages.clear();
        previous = qInstallMessageHandler(collect);
    }
    ~CapturedLog() { qInstallMessageHandler(previous); }
    bool contains(const QString &text) const
    {
        for (const QString &m : messages)
            if (m.contains(text))
                return true;
        return false;
    }
    QtMessageHandler previous;
};

// Far more output than the failing file systems below can hold.
void fillLarge(Drawing &d)
{
    Pts pts;
    for (int i = 0; i < 20000; ++i)
        pts.emplace_back(i * 0.5, (i % 7) * 1.25);
    addShape(d, pts);
    d.updateBoundingRect();
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// Saves a large drawing over an existing small file in `dir` for every
// format, expecting the failure to leave that file byte for byte and
// nothing beside it.
void expectFailedSavesKeepTheOldFile(const QString &dir)
{
    const QByteArray old = QByteArray("the job that must survive\r\n").repeated(40);
    for (const char *ending : Endings) {
        SCOPED_TRACE(ending);
        const QString target = dir + QStringLiteral("/job.") + QLatin1String(ending);
        writeFile(target, old);
        Drawing d;
        fillLarge(d);
        CapturedLog log;
        EXPECT_FALSE(BaseFormat::save(target, d));
        EXPECT_TRUE(log.contains(target)) << messages.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(contentOf(target), old);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("job.") + QLatin1String(ending)});
        QFile::remove(target);
    }
}

// Small outputs stay in the file's buffer until the save commits, so the
// failure shows only then: after `fail` no save may succeed, and every old
// file stays as it was.
void expectFailedSmallSavesKeepTheOldFiles(const QString &dir, const std::function<void()> &fail)
{
    const QByteArray old("the job that must survive\r\n");
    for (const char *ending : Endings)
        writeFile(dir + QStringLiteral("/job.") + QLatin1String(ending), old);
    const QStringList before = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    fail();
    for (const char *ending : Endings) {
        SCOPED_TRACE(ending);
        const QString target = dir + QStringLiteral("/job.") + QLatin1String(ending);
        Drawing d;
        addShape(d, square(0, 0, 10));
        d.updateBoundingRect();
        CapturedLog log;
        EXPECT_FALSE(BaseFormat::save(target, d));
        EXPECT_TRUE(log.contains(target)) << messages.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(contentOf(target), old);
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), before.size() + 1);
}

} // namespace

TEST(SaveSafety, SuccessfulSaveReplacesTheFileWholeAndLeavesNothingBeside)
{
    QTemporaryDir dir;
    for (const char *ending : Endings) {
        const QString target = dir.filePath(QStringLiteral("job.") + QLatin1String(ending));
        writeFile(target, QByteArray(100000, 'z'));
        Drawing d;
        addShape(d, square(0, 0, 10));
        d.updateBoundingRect();
        ASSERT_TRUE(BaseFormat::save(target, d)) << ending;
        const QByteArray now = contentOf(target);
        EXPECT_FALSE(now.contains('z')) << ending;
        EXPECT_LT(now.size(), 100000) << ending;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

// A write failure injected through the file size limit: the process may
// not grow any file beyond 16 KB, as a nearly full disk would allow.
TEST(SaveSafety, WriteFailureKeepsTheOldFile)
{
    QTemporaryDir dir;
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    expectFailedSavesKeepTheOldFile(dir.path());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
}

TEST(SaveSafety, WriteFailureOfASmallOutputKeepsTheOldFile)
{
    QTemporaryDir dir;
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    expectFailedSmallSavesKeepTheOldFiles(dir.path(), [&] {
        writeFile(dir.filePath(QStringLiteral("other")), "x");
        struct rlimit none = saved;
        none.rlim_cur = 0;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
}

// The real thing: a 64 KB file system that fills up during the save.
TEST(SaveSafety, FullDiskKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (geteuid() != 0 || mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a small tmpfs needs root (and the right to mount); the injected failure covers this";
    expectFailedSavesKeepTheOldFile(dir.path());
    // Already full: even a few lines cannot be written.
    expectFailedSmallSavesKeepTheOldFiles(dir.path(), [&] {
        QFile filler(dir.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    });
    umount2(mountPoint.constData(), MNT_DETACH);
}

TEST(SaveSafety, NoWriterWritesANumberThatIsNotFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char *what;
        std::function<void(Drawing &)> damage;
    };
    const Case cases[] = {
        {"point x", [&](Drawing &d) { d.objects()[0]->points[1]->x = nan; }},
        {"point y", [&](Drawing &d) { d.objects()[0]->points[2]->y = -inf; }},
        {"start", [&](Drawing &d) { d.startObject().points[0]->x = inf; }},
        {"bounds", [&](Drawing &d) { d.setBoundingRect(QRectF(0, 0, inf, 1)); }},
        {"far corner", [&](Drawing &d) { d.setBoundingRect(QRectF(1e308, 0, 1.7e308, 1)); }},
        {"start spec", [&](Drawing &d) { d.setStartSpec(PositionSpec{nan, 0, false, 7}); }},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        for (const char *ending : Endings) {
            SCOPED_TRACE(std::string(c.what) + " " + ending);
            Drawing d;
            addShape(d, square(0, 0, 10));
            d.updateBoundingRect();
            c.damage(d);
            const QString target = dir.filePath(QStringLiteral("out.") + QLatin1String(ending));
            CapturedLog log;
            EXPECT_FALSE(BaseFormat::save(target, d));
            EXPECT_TRUE(log.contains(QStringLiteral("contains a coordinate that is not a finite number")));
            EXPECT_FALSE(QFile::exists(target));
        }
    }
}

TEST(SaveSafety, ReadersRefuseWhatIsNotARegularFile)
{
    QTemporaryDir dir;
    for (const char *ending : {"tap", "plt", "svg", "dxf", "kfp"}) {
        SCOPED_TRACE(ending);
        const QString fifo = dir.filePath(QStringLiteral("fifo.") + QLatin1String(ending));
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString zero = dir.filePath(QStringLiteral("zero.") + QLatin1String(ending));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
        const QString folder = dir.filePath(QStringLiteral("folder.") + QLatin1String(ending));
        ASSERT_TRUE(QDir().mkdir(folder));
        for (const QString &path : {fifo, zero, folder}) {
            Drawing d;
            CapturedLog log;
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(BaseFormat::load(path, d)) << path.toStdString();
            // Not a timing test: a reader that opened the FIFO would never
            // return, one that read /dev/zero would take minutes.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
            EXPECT_TRUE(log.contains(QStringLiteral("not a regular file"))) << path.toStdString();
            EXPECT_TRUE(d.objects().empty());
        }
    }
    Drawing d;
    CapturedLog log;
    EXPECT_FALSE(BaseFormat::load(dir.filePath(QStringLiteral("missing.dxf")), d));
    EXPECT_TRUE(log.contains(QStringLiteral("missing.dxf")));
}

// Readers map the file; another program cutting it short meanwhile (an
// editor rewriting it in place) turned the next touch of a lost page into
// SIGBUS, a crash. The lost pages read as zeros and the load is refused.
TEST(SaveSafety, AFileCutShortWhileItIsReadIsRefusedNotACrash)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("drawing.plt"));
    const QByteArray content(3 * 65536, 'x');
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut short" : "left alone");
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        size_t xs = 0;
        const bool read = withFileData(path, [&](const char *data, size_t size) {
            if (cut) {
                EXPECT_EQ(::truncate(QFile::encodeName(path).constData(), 10), 0);
            }
            for (size_t i = 0; i < size; ++i)
                xs += data[i] == 'x';
            return true;
        });
        EXPECT_EQ(read, !cut);
        EXPECT_EQ(xs, cut ? 10u : size_t(content.size()));
    }
}
