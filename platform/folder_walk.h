#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <system_error>
#include <vector>

namespace vantorel {

// A file's identity on its file system.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A folder of the tree could not be listed (errno in code(), the folder in path()).
class FolderWalkError : public std::system_error {
public:
    FolderWalkError(int sysErrno, std::filesystem::path folder);
    const std::filesystem::path& path() const noexcept { return folder_; }

private:
    std::filesystem::path folder_;
};

// Answer of a walk visitor: go on, or end the walk at once.
enum class WalkStep { Continue, Stop };

// Called for each eligible file with its path relative to the walked folder
// ("/" between the parts, the bytes the file system gave) and its status as
// the walk saw it (a link's target's).
using FileVisitor = std::function<WalkStep(std::string_view relative, const struct stat& status)>;

// Walks `root` depth first: in each folder, its eligible files in listing
// order (no sorting), then its subfolders in listing order. Hidden entries
// (names starting with ".") and system entries (FIFOs, sockets, devices) are
// left out with everything below them; a link to a file counts as that file, a
// link to a folder is not followed, a dangling link is left out. Files whose
// identity is in `excluded` are left out. Throws FolderWalkError when `root` or
// one of its subfolders cannot be listed.
void WalkFolder(const std::filesystem::path& root, const std::vector<FileIdentity>& excluded, const FileVisitor& visit);

} // namespace vantorel
