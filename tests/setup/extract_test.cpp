#include "childrun.h"
#include "setup/extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

using namespace setuptest;

namespace {

struct Entry
{
    std::string name;
    std::string content;          // a file's bytes
    mode_t type = AE_IFREG;
    std::string linkTarget = "";  // for AE_IFLNK
};

// Writes a 7z archive with libarchive, so names that 7-Zip itself would
// refuse to store can be tried.
void write7z(const std::string &path, const std::vector<Entry> &entries)
{
    archive *a = archive_write_new();
    archive_write_set_format_7zip(a);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const Entry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, e.type == AE_IFDIR ? 0755 : 0644);
        if (e.type == AE_IFLNK)
            archive_entry_set_symlink(entry, e.linkTarget.c_str());
        archive_entry_set_size(entry, e.type == AE_IFREG ? la_int64_t(e.content.size()) : 0);
        archive_write_header(a, entry);
        if (!e.content.empty())
            archive_write_data(a, e.content.data(), e.content.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

class ExtractTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = makeTempDir();
        ASSERT_FALSE(root.empty());
        target = root + "/work";
        ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
        archivePath = root + "/data.lzma";
    }
    void TearDown() override { removeTree(root); }
    std::string root, target, archivePath;
};

} // namespace

TEST(ExtractNames, OnlyNamesThatStayInsideTheFolderAreSafe)
{
    const struct
    {
        const char *name;
        bool safe;
    } cases[] = {
        {"BrenmoorInstaller/app/Kerfloom", true}, {"a..b/c", true}, {"..a", true},
        {"", false}, {"/etc/passwd", false}, {"..", false}, {"../x", false},
        {"a/../../x", false}, {"a/..", false}, {"a\\..\\x", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(setup::isSafeEntryName(c.name), c.safe) << c.name;
}

TEST_F(ExtractTest, CreatesFoldersForFilesAndReportsEachFile)
{
    write7z(archivePath, {{"top/sub/one.txt", "one"}, {"top/two.bin", std::string(100000, 'x')},
                          {"top/sub", "", AE_IFDIR}, {"top", "", AE_IFDIR}});
    std::vector<std::pair<int, int>> calls;
    const setup::ExtractResult r = setup::extractArchive(archivePath, target, [&](int i, int n) {
        calls.emplace_back(i, n);
    });
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, 4);
    EXPECT_EQ(readFile(target + "/top/sub/one.txt"), "one");
    EXPECT_EQ(readFile(target + "/top/two.bin"), std::string(100000, 'x'));
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}}));
}

TEST_F(ExtractTest, RefusesEntriesThatWouldLeaveTheFolder)
{
    const std::vector<Entry> hostile[] = {
        {{"fine.txt", "ok"}, {"../escaped.txt", "bad"}},
        {{"fine.txt", "ok"}, {"sub/../../escaped.txt", "bad"}},
        {{"fine.txt", "ok"}, {root + "/escaped.txt", "bad"}},
        {{"fine.txt", "ok"}, {"link", "", AE_IFLNK, root}, {"link/escaped.txt", "bad"}},
    };
    for (const auto &entries : hostile) {
        removeTree(target);
        mkdir(target.c_str(), 0700);
        write7z(archivePath, entries);
        const setup::ExtractResult r = setup::extractArchive(archivePath, target);
        EXPECT_FALSE(r.ok) << entries[1].name;
        EXPECT_FALSE(r.error.empty());
        EXPECT_FALSE(exists(root + "/escaped.txt")) << entries[1].name;
        EXPECT_FALSE(exists(target + "/link"));
        EXPECT_EQ(readFile(target + "/fine.txt"), "ok"); // what came before stays
    }
}

TEST_F(ExtractTest, TruncatedOrMissingArchiveFails)
{
    write7z(archivePath, {{"a.txt", std::string(200000, 'a')}, {"b.txt", std::string(200000, 'b')}});
    const std::string whole = readFile(archivePath);
    for (size_t keep : {size_t(0), size_t(20), whole.size() / 2, whole.size() - 1}) {
        std::ofstream(archivePath, std::ios::binary | std::ios::trunc).write(whole.data(), long(keep));
        EXPECT_FALSE(setup::extractArchive(archivePath, target).ok) << keep;
    }
    EXPECT_FALSE(setup::extractArchive(root + "/missing.7z", target).ok);
}
