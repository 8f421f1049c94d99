#include "platform/folder_walk.h"

#include "platform/file_attributes.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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

struct Walker {
    const std::vector<FileIdentity>& excluded;
    const FileVisitor& visit;

    bool IsExcluded(dev_t device, ino_t inode) const {
        return std::find(excluded.begin(), excluded.end(), FileIdentity{device, inode}) != excluded.end();
    }

    // Classifies one listed name; `inode` is the listing's inode number, used
    // to avoid a stat call for every plain file.
    EntryKind Classify(int dirFd, const char* name, unsigned char type, ino_t inode, bool& excludedFile) const {
        excludedFile = false;
        struct stat own {};
        if (type == DT_REG && !std::any_of(excluded.begin(), excluded.end(),
                                           [inode](const FileIdentity& id) { return id.inode == inode; })) {
            return EntryKind::File;
        }
        if (type == DT_DIR) {
            return EntryKind::Folder;
        }
        if (fstatat(dirFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
            return EntryKind::Skipped; // vanished since the listing: nothing left to archive
        }
        struct stat target {};
        const bool isLink = S_ISLNK(own.st_mode);
        const bool reachable = isLink && fstatat(dirFd, name, &target, 0) == 0;
        const EntryKind kind = ClassifyEntry(own, reachable ? &target : nullptr);
        if (kind == EntryKind::File) {
            const struct stat& file = isLink ? target : own;
            excludedFile = IsExcluded(file.st_dev, file.st_ino);
        }
        return kind;
    }

    // Lists one folder: its eligible files and its subfolders, in listing
    // order. The listing is closed before the caller descends, so a deep tree
    // does not hold one descriptor per level.
    void List(const std::filesystem::path& folder, std::vector<std::string>& files,
              std::vector<std::string>& subfolders) const {
        DirStream dir(opendir(folder.c_str()));
        if (dir.get() == nullptr) {
            throw FolderWalkError(errno, folder);
        }
        const int dirFd = dirfd(dir.get());
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
            bool excludedFile = false;
            const EntryKind kind = Classify(dirFd, item->d_name, item->d_type, item->d_ino, excludedFile);
            if (kind == EntryKind::File && !excludedFile) {
                files.emplace_back(name);
            } else if (kind == EntryKind::Folder) {
                subfolders.emplace_back(name);
            }
        }
    }

    // Walks one folder; returns false when the visitor asked to stop.
    bool Walk(const std::filesystem::path& folder, const std::string& prefix) const {
        std::vector<std::string> files;
        std::vector<std::string> subfolders;
        List(folder, files, subfolders);
        for (const std::string& file : files) {
            if (visit(prefix + file) == WalkStep::Stop) {
                return false;
            }
        }
        files = {}; // release the names before descending
        for (const std::string& sub : subfolders) {
            if (!Walk(folder / sub, prefix + sub + "/")) {
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
    const Walker walker{excluded, visit};
    walker.Walk(root, std::string());
}

} // namespace vantorel
