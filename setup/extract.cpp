#include "extract.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace setup {
namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive *)>;

ArchivePtr openArchive(const std::string &path, std::string &error)
{
    ArchivePtr a(archive_read_new(), archive_read_free);
    archive_read_support_format_7zip(a.get());
    if (archive_read_open_filename(a.get(), path.c_str(), 1 << 16) != ARCHIVE_OK) {
        error = "can not open input file: " + std::string(archive_error_string(a.get()) ? archive_error_string(a.get()) : "");
        return ArchivePtr(nullptr, archive_read_free);
    }
    return a;
}

std::string archiveError(archive *a, const char *what)
{
    const char *text = archive_error_string(a);
    return std::string(what) + (text ? ": " + std::string(text) : std::string());
}

bool makeFolder(const std::string &path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return false;
}

// Creates every folder named before a "/" in `name`, below `base`.
bool makeParents(const std::string &base, const std::string &name)
{
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (slash > 0 && !makeFolder(base + "/" + name.substr(0, slash)))
            return false;
    }
    return true;
}

bool writeAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

// Writes the current entry's data to `path`; every block is read through
// libarchive, so a CRC or truncation error of this entry shows up here.
bool writeFileEntry(archive *a, archive_entry *entry, const std::string &path, std::string &error)
{
    unlink(path.c_str()); // replaces any existing file, never writes through a link
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "can not open output file " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (;;) {
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK) {
            error = archiveError(a, "CRC error");
            ok = false;
            break;
        }
        if (offset < 0 || lseek(fd, offset, SEEK_SET) < 0 || !writeAll(fd, block, size)) {
            error = "can not write output file " + path + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    // Sparse tails: a file whose last block was a hole still gets its length.
    if (ok && archive_entry_size_is_set(entry) && ftruncate(fd, archive_entry_size(entry)) != 0) {
        error = "can not write output file " + path;
        ok = false;
    }
    mode_t mode = archive_entry_perm(entry) & 0777;
    if (ok && fchmod(fd, mode ? mode : 0644) != 0) {
        error = "can not set attributes of " + path;
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        error = "can not close output file " + path;
        ok = false;
    }
    return ok;
}

int countEntries(const std::string &archivePath, std::string &error)
{
    // Headers only: without reading data, libarchive does not decode the
    // solid blocks, so this pass costs next to nothing.
    ArchivePtr a = openArchive(archivePath, error);
    if (!a)
        return -1;
    int n = 0;
    archive_entry *entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK)
        ++n;
    if (r != ARCHIVE_EOF) {
        error = archiveError(a.get(), "decoder doesn't support this archive");
        return -1;
    }
    return n;
}

} // namespace

bool isSafeEntryName(const std::string &name)
{
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return false;
        start = end + 1;
    }
    return true;
}

ExtractResult extractArchive(const std::string &archivePath, const std::string &targetDir,
                             const FileDone &fileDone)
{
    ExtractResult result;
    result.entries = countEntries(archivePath, result.error);
    if (result.entries < 0) {
        result.entries = 0;
        return result;
    }
    ArchivePtr a = openArchive(archivePath, result.error);
    if (!a)
        return result;

    archive_entry *entry = nullptr;
    for (int i = 0;; ++i) {
        int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK || i >= result.entries) {
            result.error = archiveError(a.get(), "decoder doesn't support this archive");
            return result;
        }
        const char *rawName = archive_entry_pathname(entry);
        std::string name = rawName ? rawName : "";
        while (name.size() > 1 && name.back() == '/')
            name.pop_back();
        if (!isSafeEntryName(name)) {
            result.error = "refused entry name \"" + name + "\"";
            return result;
        }
        const std::string path = targetDir + "/" + name;
        if (!makeParents(targetDir, name)) {
            result.error = "can not create folder for " + path + ": " + std::strerror(errno);
            return result;
        }
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (!makeFolder(path)) {
                result.error = "can not create folder " + path + ": " + std::strerror(errno);
                return result;
            }
        } else if (type == AE_IFREG) {
            if (!writeFileEntry(a.get(), entry, path, result.error))
                return result;
            if (fileDone)
                fileDone(i, result.entries);
        } else {
            result.error = "refused entry \"" + name + "\": neither a file nor a folder";
            return result;
        }
        ++result.written;
    }
    result.ok = true;
    return result;
}

} // namespace setup
