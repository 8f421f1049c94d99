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

// A folder of the walk, told before its files are visited.
struct WalkedFolder {
    std::string_view relative; // from the walked folder, "/" between the parts; empty for the root
    int fd;                    // open until its files are visited and its subfolders walked
    const struct stat& status; // its own, as opened
};
using FolderVisitor = std::function<void(const WalkedFolder& folder)>;

// Walks `root` depth first: in each folder, its eligible files in listing
// order (no sorting), then its subfolders in listing order. Hidden entries
// (names starting with ".") and system entries (FIFOs, sockets, devices) are
// left out with everything below them; a link to a file counts as that file, a
// link to a folder is not followed, a dangling link is left out. Files whose
// identity is in `excluded` are left out. Throws FolderWalkError when `root` or
// one of its subfolders cannot be listed.
//
// Each subfolder is opened from its parent's descriptor without following a
// link, so a folder swapped for a link while the walk runs fails the walk
// instead of bringing in what the link leads to. One descriptor is held per
// level of the folder being walked.
void WalkFolder(const std::filesystem::path& root, const std::vector<FileIdentity>& excluded, const FileVisitor& visit);
// The same from the open folder `rootFd` (`root` names it in failures);
// `enter`, when set, is told of each folder before its files.
void WalkFolder(int rootFd, const std::filesystem::path& root, const std::vector<FileIdentity>& excluded,
                const FileVisitor& visit, const FolderVisitor& enter);

// Opens the folder at `relative` (as the walk names it; empty for the root
// itself) below the open folder `rootFd`, one name at a time, following no
// link: a name that is no longer a folder (a link put in its place) fails with
// ENOTDIR or ELOOP. Returns a descriptor for use as a base of openat (O_PATH),
// or -1 with errno set.
int OpenFolderBeneath(int rootFd, std::string_view relative);

} // namespace vantorel
