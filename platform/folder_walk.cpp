#include "platform/folder_walk.h"

#include "platform/file_attributes.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {

namespace {

// An open folder listing, closed on scope exit.
class DirStream {
public:
    explicit DirStream(DIR* dir) : dir_(dir) {}
    ~DirStream() {
        if (dir_ != nullptr) {
            static_cast<void>(closedir(dir_)); // a listing only read from has nothing to lose
        }
    }
    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

// A folder descriptor, closed on scope exit.
class FolderFd {
public:
    explicit FolderFd(int fd) : fd_(fd) {}
    ~FolderFd() {
        if (fd_ >= 0) {
            static_cast<void>(close(fd_)); // a folder only looked into has nothing to lose
        }
    }
    FolderFd(const FolderFd&) = delete;
    FolderFd& operator=(const FolderFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct Walker {
    const std::vector<FileIdentity>& excluded;
    const FileVisitor& visit;
    const FolderVisitor& enter;

    bool IsExcluded(dev_t device, ino_t inode) const {
        return std::find(excluded.begin(), excluded.end(), FileIdentity{device, inode}) != excluded.end();
    }

    // Classifies one listed name and takes the status of an eligible file
    // (through a link, its target's): the listing's type spares a second
    // status call for every plain file and folder. Only a name gone since the
    // listing is passed over; a status refused otherwise (a folder that can
    // be listed but not searched) fails the walk rather than leave the file
    // out unnoticed.
    EntryKind Classify(const std::filesystem::path& folder, int dirFd, const char* name, unsigned char type,
                       struct stat& file) const {
        if (type == DT_DIR) {
            return EntryKind::Folder;
        }
        const auto status = [&](struct stat& out, int flags) {
            if (fstatat(dirFd, name, &out, flags) == 0) {
                return true;
            }
            if (errno != ENOENT) {
                throw FolderWalkError(errno, folder / name);
            }
            return false;
        };
        if (type == DT_REG) {
            if (!status(file, AT_SYMLINK_NOFOLLOW)) {
                return EntryKind::Skipped; // vanished since the listing: nothing left to archive
            }
            if (S_ISREG(file.st_mode)) {
                return IsExcluded(file.st_dev, file.st_ino) ? EntryKind::Skipped : EntryKind::File;
            }
            // Replaced since the listing: classified below as what it is now.
        }
        struct stat own {};
        if (!status(own, AT_SYMLINK_NOFOLLOW)) {
            return EntryKind::Skipped;
        }
        const bool isLink = S_ISLNK(own.st_mode);
        // A dangling link (or one in a loop) is left out, as a link to a folder is.
        const bool reachable = isLink && fstatat(dirFd, name, &file, 0) == 0;
        const EntryKind kind = ClassifyEntry(own, reachable ? &file : nullptr);
        if (kind == EntryKind::File) {
            if (!isLink) {
                file = own;
            }
            if (IsExcluded(file.st_dev, file.st_ino)) {
                return EntryKind::Skipped;
            }
        }
        return kind;
    }

    // Lists one folder, open as `fd`: its eligible files (with their status)
    // and its subfolders, in listing order. The listing is closed before the
    // caller descends.
    void List(const std::filesystem::path& folder, int fd, std::vector<std::pair<std::string, struct stat>>& files,
              std::vector<std::string>& subfolders) const {
        const int listFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listFd < 0) {
            throw FolderWalkError(errno, folder);
        }
        DirStream dir(fdopendir(listFd));
        if (dir.get() == nullptr) {
            const int error = errno;
            static_cast<void>(close(listFd)); // never read from
            throw FolderWalkError(error, folder);
        }
        for (;;) {
            errno = 0;
            const dirent* item = readdir(dir.get());
            if (item == nullptr) {
                if (errno != 0) {
                    throw FolderWalkError(errno, folder);
                }
                return;
            }
            const std::string_view name(item->d_name);
            if (IsHiddenName(name)) {
                continue;
            }
            struct stat file {};
            const EntryKind kind = Classify(folder, fd, item->d_name, item->d_type, file);
            if (kind == EntryKind::File) {
                files.emplace_back(name, file);
            } else if (kind == EntryKind::Folder) {
                subfolders.emplace_back(name);
            }
        }
    }

    // Walks one folder, open as `fd`; returns false when the visitor asked to stop.
    bool Walk(const std::filesystem::path& folder, int fd, const std::string& prefix) const {
        struct stat own {};
        if (fstat(fd, &own) != 0) {
            throw FolderWalkError(errno, folder);
        }
        std::vector<std::pair<std::string, struct stat>> files;
        std::vector<std::string> subfolders;
        List(folder, fd, files, subfolders);
        if (enter) {
            const std::string_view relative(prefix.data(), prefix.empty() ? 0 : prefix.size() - 1);
            enter(WalkedFolder{relative, fd, own});
        }
        for (const auto& [file, status] : files) {
            if (visit(prefix + file, status) == WalkStep::Stop) {
                return false;
            }
        }
        files = {}; // release the names before descending
        for (const std::string& sub : subfolders) {
            // Not through a link: a folder swapped for one since the listing
            // fails the walk rather than bring in what it leads to.
            const FolderFd subFd(openat(fd, sub.c_str(), kFolderFlags));
            if (subFd.get() < 0) {
                throw FolderWalkError(errno, folder / sub);
            }
            if (!Walk(folder / sub, subFd.get(), prefix + sub + "/")) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

FolderWalkError::FolderWalkError(int sysErrno, std::filesystem::path folder)
    : std::system_error(sysErrno, std::generic_category(), "cannot list " + folder.string()),
      folder_(std::move(folder)) {}

void WalkFolder(const std::filesystem::path& root, const std::vector<FileIdentity>& excluded,
                const FileVisitor& visit) {
    const FolderFd rootFd(
        open(root.c_str(), kFolderFlags & ~O_NOFOLLOW)); // the root itself may be reached through links
    if (rootFd.get() < 0) {
        throw FolderWalkError(errno, root);
    }
    WalkFolder(rootFd.get(), root, excluded, visit, {});
}

void WalkFolder(int rootFd, const std::filesystem::path& root, const std::vector<FileIdentity>& excluded,
                const FileVisitor& visit, const FolderVisitor& enter) {
    const Walker walker{excluded, visit, enter};
    walker.Walk(root, rootFd, std::string());
}

int OpenFolderBeneath(int rootFd, std::string_view relative) {
    int fd = openat(rootFd, ".", kFolderFlags);
    while (fd >= 0 && !relative.empty()) {
        const std::size_t slash = relative.find('/');
        const std::string name(relative.substr(0, slash));
        relative.remove_prefix(slash == std::string_view::npos ? relative.size() : slash + 1);
        const int next = openat(fd, name.c_str(), kFolderFlags);
        const int error = errno;
        static_cast<void>(close(fd)); // an O_PATH descriptor has nothing to flush
        fd = next;
        errno = error;
    }
    return fd;
}

} // namespace vantorel
