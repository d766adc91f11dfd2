#pragma once
// Unpacking of the setup payload: a 7z archive read with libarchive, which
// decodes LZMA and BCJ2 and checks every CRC.

#include <functional>
#include <string>

namespace setup {

struct ExtractResult
{
    bool ok = false;
    int entries = 0;  // entries in the archive
    int written = 0;  // files and folders created before the end (or the failure)
    std::string error; // first failure, for the log; empty on success
};

// Called after each file entry with its position (from 0) and the entry count.
using FileDone = std::function<void(int index, int count)>;

// True for a name that stays inside the folder it is unpacked into: relative,
// not empty, and without a ".." component.
bool isSafeEntryName(const std::string &name);

// Unpacks `archivePath` into `targetDir`, entry by entry in archive order,
// creating folders as their files arrive. Stops at the first entry that
// cannot be read, checked or written, or whose name would leave `targetDir`;
// what was written before stays. Only files and folders are unpacked: any
// other kind of entry (a link) is a failure, since it could point anywhere.
ExtractResult extractArchive(const std::string &archivePath, const std::string &targetDir,
                             const FileDone &fileDone = {});

} // namespace setup
