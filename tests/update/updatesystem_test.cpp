#include "httpserver.h"

#include "update/crc32.h"
#include "update/updatenames.h"
#include "update/updatesystem.h"

#include <QApplication>
#include <QBuffer>
#include <QRegularExpression>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QByteArray crcOf(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return update::checksumText(*update::crc32Of(buffer)).toLatin1();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class UpdateTest : public ::testing::Test
{
protected:
    HttpServer server;
    QTemporaryDir install, data;
    QString listPath = QStringLiteral("/upd/Kerfloom");

    QString installed(const QString &name) const { return install.path() + QLatin1Char('/') + name; }
    QString downloaded(const QString &name) const { return downloadDir() + QLatin1Char('/') + name; }
    QString downloadDir() const { return data.path() + QStringLiteral("/update"); }

    // The server offers each file with its checksum; extra lines go as they are.
    void offer(const QMap<QString, QByteArray> &files, const QByteArray &extraLines = {})
    {
        QByteArray list = extraLines;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            list += it.key().toUtf8() + ';' + crcOf(it.value()) + "\r\n";
            server.files[listPath + QLatin1Char('/') + it.key()] = it.value();
        }
        server.files[listPath] = list;
    }
    int fileHits(const QString &name) { return server.hits.value(listPath + QLatin1Char('/') + name); }

    std::unique_ptr<UpdateSystem> makeSystem(const QString &url)
    {
        auto system = std::make_unique<UpdateSystem>(UpdateSystem::Paths{install.path(), downloadDir(), url});
        system->setInteractive(false);
        return system;
    }
    std::pair<UpdateSystem::Outcome, QString> check(UpdateSystem *system = nullptr)
    {
        std::unique_ptr<UpdateSystem> own;
        if (!system) {
            own = makeSystem(server.url(QStringLiteral("/upd")));
            system = own.get();
        }
        QSignalSpy spy(system, &UpdateSystem::finished);
        system->CheckForUpdates();
        if (spy.isEmpty() && !spy.wait(10000))
            return {UpdateSystem::Outcome::Failed, QStringLiteral("timed out")};
        return {spy.first().at(0).value<UpdateSystem::Outcome>(), spy.first().at(1).toString()};
    }
    QStringList asideFiles() const
    {
        return QDir(installed(QStringLiteral("update"))).entryList(QDir::Files);
    }
};

TEST_F(UpdateTest, ChangedAndMissingFilesAreDownloadedVerifiedAndApplied)
{
    writeFile(installed("Kerfloom"), "old program");
    writeFile(installed("same.txt"), "unchanged");
    // A name is a path, whatever URL characters it holds.
    offer({{"Kerfloom", "new program"}, {"lib/libnew.so", "new library"}, {"same.txt", "unchanged"},
           {"doc/Read me #1?.txt", "notes"}, {"100%.txt", "full"}},
          "one field only\r\nthree;fields;here\r\n\r\n");

    const auto [outcome, detail] = check();
    EXPECT_EQ(outcome, UpdateSystem::Outcome::Applied) << detail.toStdString();
    EXPECT_EQ(detail, "4");
    EXPECT_EQ(readFile(installed("Kerfloom")), "new program");
    EXPECT_EQ(readFile(installed("lib/libnew.so")), "new library");
    EXPECT_EQ(readFile(installed("doc/Read me #1?.txt")), "notes");
    EXPECT_EQ(readFile(installed("100%.txt")), "full");
    EXPECT_EQ(fileHits("same.txt"), 0);
    EXPECT_EQ(server.hits.size(), 5); // the list and the four files, nothing for the odd lines
    EXPECT_EQ(server.methods, QStringList(QVector<QString>(5, QStringLiteral("POST")).toList()));
    EXPECT_EQ(server.contentTypes, QStringList(QVector<QString>(5, QStringLiteral("application/octet-stream")).toList()));
    EXPECT_FALSE(QDir(downloadDir()).exists());
    const QStringList aside = asideFiles();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QRegularExpression("^~\\d+Kerfloom\\.tmp$").match(aside.first()).hasMatch()) << aside.first().toStdString();
}

TEST_F(UpdateTest, ServerAddressWithTrailingSlashAsksForTheSameList)
{
    offer({{"a.txt", "new"}});
    EXPECT_EQ(check(makeSystem(server.url(QStringLiteral("/upd/"))).get()).first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(server.hits.value(listPath), 1);
    EXPECT_EQ(fileHits("a.txt"), 1);
}

TEST_F(UpdateTest, ReplacedFilesKeepTheirPermissions)
{
    const auto program = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                         | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser
                         | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                         | QFileDevice::ExeOther;
    const auto data = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                      | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    writeFile(installed("Kerfloom"), "old program");
    ASSERT_TRUE(QFile::setPermissions(installed("Kerfloom"), program));
    writeFile(installed("readme.txt"), "old text");
    ASSERT_TRUE(QFile::setPermissions(installed("readme.txt"), data));
    offer({{"Kerfloom", "new program"}, {"readme.txt", "new text"}});

    ASSERT_EQ(check().first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(readFile(installed("Kerfloom")), "new program");
    EXPECT_EQ(QFileInfo(installed("Kerfloom")).permissions(), program);
    EXPECT_EQ(QFileInfo(installed("readme.txt")).permissions(), data);
}

TEST_F(UpdateTest, InUseFileIsMovedAsideAndRemovedAtNextStart)
{
    writeFile(installed("bin/tool"), "running copy");
    QFile inUse(installed("bin/tool"));
    ASSERT_TRUE(inUse.open(QIODevice::ReadOnly));
    offer({{"bin/tool", "new tool"}});

    EXPECT_EQ(check().first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(inUse.readAll(), "running copy");
    EXPECT_EQ(readFile(installed("bin/tool")), "new tool");
    const QStringList aside = asideFiles();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(aside.first().startsWith("~") && aside.first().endsWith("bintool.tmp"));

    // The next start.
    EXPECT_TRUE(makeSystem({})->cleanUp());
    EXPECT_FALSE(QFileInfo::exists(installed("update")));
}

TEST_F(UpdateTest, UpToDateInstallationRequestsNoFileAndClearsAside)
{
    writeFile(installed("a.dat"), "same");
    writeFile(installed("update/~12a.dat.tmp"), "left from last time");
    offer({{"a.dat", "same"}});
    EXPECT_EQ(check().first, UpdateSystem::Outcome::UpToDate);
    EXPECT_EQ(server.hits.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(installed("update")));
}

TEST_F(UpdateTest, NoServerMeansNoRequest)
{
    auto system = makeSystem({});
    EXPECT_EQ(check(system.get()).first, UpdateSystem::Outcome::NotConfigured);
    EXPECT_TRUE(server.hits.isEmpty());
}

TEST_F(UpdateTest, NamesLeavingTheFoldersAreRefused)
{
    QTemporaryDir outside;
    const QString victim = outside.path() + "/victim";
    writeFile(victim, "precious");
    const QStringList names = {"../victim", victim, "a/../../victim", "dir\\..\\victim"};
    QByteArray lines;
    for (const QString &name : names) {
        lines += name.toUtf8() + ';' + crcOf("evil") + "\n";
        server.files[listPath + '/' + name] = "evil";
    }
    offer({{"good.txt", "fine"}}, lines);

    EXPECT_EQ(check().first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(server.hits.size(), 2) << server.hits.keys().join(", ").toStdString();
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_EQ(readFile(installed("good.txt")), "fine");
}

TEST_F(UpdateTest, NamesThroughALinkedFolderAreRefused)
{
    QTemporaryDir outside;
    writeFile(outside.path() + "/victim", "precious");
    ASSERT_TRUE(QFile::link(outside.path(), installed("lib")));
    writeFile(installed("lib.txt"), "old");
    offer({{"lib/victim", "evil"}, {"lib/new/file", "evil"}, {"lib.txt", "new"}});

    EXPECT_EQ(check().first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(fileHits("lib/victim"), 0);
    EXPECT_EQ(fileHits("lib/new/file"), 0);
    EXPECT_EQ(readFile(outside.path() + "/victim"), "precious");
    EXPECT_FALSE(QFileInfo::exists(outside.path() + "/new"));
    EXPECT_EQ(readFile(installed("lib.txt")), "new");

    // An installation reached through a short link of its own is no escape.
    QTemporaryDir links(QDir::tempPath() + "/kXXXXXX");
    const QString shortLink = links.path() + "/k";
    ASSERT_TRUE(QFile::link(install.path(), shortLink));
    EXPECT_TRUE(update::staysInside(shortLink, "n/deeper/file"));
    EXPECT_FALSE(update::staysInside(shortLink, "lib/file"));
}

TEST_F(UpdateTest, TruncatedDownloadIsAppliedNowhereAndGoodDownloadsAreKept)
{
    writeFile(installed("a.bin"), "old a");
    writeFile(installed("b.bin"), "old b");
    offer({{"a.bin", "new a"}, {"b.bin", QByteArray(200000, 'b')}});
    server.truncated << listPath + "/b.bin";

    EXPECT_EQ(check().first, UpdateSystem::Outcome::Failed);
    EXPECT_EQ(readFile(installed("a.bin")), "old a");
    EXPECT_EQ(readFile(installed("b.bin")), "old b");
    EXPECT_TRUE(asideFiles().isEmpty());
    EXPECT_EQ(readFile(downloaded("a.bin")), "new a");

    // Next attempt: only the broken file is fetched again.
    server.truncated.clear();
    EXPECT_EQ(check().first, UpdateSystem::Outcome::Applied);
    EXPECT_EQ(fileHits("a.bin"), 1);
    EXPECT_GE(fileHits("b.bin"), 2);
    EXPECT_EQ(readFile(installed("b.bin")), QByteArray(200000, 'b'));
}

TEST_F(UpdateTest, FailureInTheMiddleOfApplyPutsEverythingBack)
{
    writeFile(installed("alpha.bin"), "old alpha");
    // "zeta" is a file, so no folder "zeta" can be made for "zeta/x".
    writeFile(installed("zeta"), "a file, not a folder");
    offer({{"alpha.bin", "new alpha"}, {"zeta/x", "new x"}});

    const auto [outcome, detail] = check();
    EXPECT_EQ(outcome, UpdateSystem::Outcome::Failed);
    EXPECT_TRUE(detail.contains("zeta/x")) << detail.toStdString();
    EXPECT_EQ(readFile(installed("alpha.bin")), "old alpha");
    EXPECT_EQ(readFile(installed("zeta")), "a file, not a folder");
    EXPECT_TRUE(asideFiles().isEmpty());
    EXPECT_EQ(readFile(downloaded("alpha.bin")), "new alpha");
}

TEST_F(UpdateTest, ElevatedCopyAppliesTheStateFileTable)
{
    writeFile(installed("a.bin"), "old");
    writeFile(downloaded("a.bin"), "new");
    {
        QFile state(downloaded("update"));
        ASSERT_TRUE(state.open(QIODevice::WriteOnly));
        QDataStream out(&state);
        out << QMap<QString, QString>{{"a.bin", QString::fromLatin1(crcOf("new"))}};
    }
    auto system = makeSystem({});
    EXPECT_EQ(system->runUpdaterStep(), 0);
    EXPECT_EQ(readFile(installed("a.bin")), "new");
    EXPECT_FALSE(QFileInfo::exists(downloadDir()));
}

// The updater runs unattended (through pkexec): a damaged state file, or a
// FIFO under its name or a downloaded file's, must end it at once with the
// installation as it was.
TEST_F(UpdateTest, DamagedStateFileOrFifosNeverBlockTheUpdater)
{
    writeFile(installed("a.bin"), "old");
    const QString state = downloaded("update");
    const struct
    {
        const char *name;
        QByteArray bytes; // written as the state file unless it is made a FIFO
        bool fifo;
    } cases[] = {
        {"garbage", QByteArray("\xff\xff\xff\xf0garbage", 11), false},
        {"half-written", QByteArray("\x00\x00\x00\x01\x00\x00\x00\x0a\x00a", 10), false},
        {"FIFO", {}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(downloadDir());
        QFile::remove(state);
        if (c.fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(state).constData(), 0600), 0);
        else
            writeFile(state, c.bytes);
        auto system = makeSystem({});
        EXPECT_EQ(system->runUpdaterStep(), 0);
        EXPECT_EQ(readFile(installed("a.bin")), "old");
    }
    // A FIFO where a download or an installed file is looked at.
    QFile::remove(state);
    ASSERT_EQ(::mkfifo(QFile::encodeName(downloaded("b.bin")).constData(), 0600), 0);
    EXPECT_FALSE(update::crc32OfFile(downloaded("b.bin")).has_value());
    EXPECT_FALSE(update::fileMatches(downloaded("b.bin"), QStringLiteral("0")));
}

QStringList g_warnings;
void recordWarning(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
}

TEST_F(UpdateTest, RefusedElevationShowsTheWarningWithTheSystemText)
{
    QTemporaryDir bin;
    writeFile(bin.path() + "/pkexec",
              "#!/bin/sh\necho 'Error executing command as another user: Request dismissed' >&2\nexit 126\n");
    QFile::setPermissions(bin.path() + "/pkexec", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + oldPath);

    QString title, text, informative;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            informative = box->informativeText();
            box->accept();
        }
    });
    poll.start(20);
    const QtMessageHandler old = qInstallMessageHandler(recordWarning);
    auto system = makeSystem({});
    system->setInteractive(true);
    const bool started = system->startElevatedUpdater();
    qInstallMessageHandler(old);
    qputenv("PATH", oldPath);

    EXPECT_FALSE(started);
    EXPECT_EQ(title, "Error launching updater.");
    EXPECT_EQ(text, "The application updater cannot be started. Run the program as Administrator or "
                    "download new version from our website.");
    EXPECT_EQ(informative, "Error executing command as another user: Request dismissed");
    EXPECT_TRUE(g_warnings.contains("ShellExecuteEx failed: Error executing command as another user: Request dismissed"))
        << g_warnings.join(" | ").toStdString();
}

} // namespace
