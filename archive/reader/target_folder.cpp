#include "archive/reader/target_folder.h"

#include "archive/archive_error.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::archive::reader {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kTemporaryAttempts = 100;

void CloseQuietly(int fd) {
    if (fd >= 0) {
        close(fd); // a folder or an abandoned temporary file: nothing to flush
    }
}

// Opens (creating it when missing) the folder `name` inside `parentFd`;
// `created` tells whether this call made it. In a folder this extraction
// created, the name is free: making it first saves a failed open.
int OpenLevel(int parentFd, const std::string& name, bool parentCreated, bool& created, SkipReason& reason) {
    created = false;
    int fd = -1;
    if (parentCreated && mkdirat(parentFd, name.c_str(), 0777) == 0) {
        created = true;
        fd = openat(parentFd, name.c_str(), kFolderFlags);
    } else {
        fd = openat(parentFd, name.c_str(), kFolderFlags);
        if (fd < 0 && errno == ENOENT) {
            if (mkdirat(parentFd, name.c_str(), 0777) == 0) {
                created = true;
            } else if (errno != EEXIST) {
                reason = SkipReason::CannotCreate;
                return -1;
            }
            fd = openat(parentFd, name.c_str(), kFolderFlags);
        }
    }
    if (fd < 0) {
        struct stat info {};
        const bool isLink = fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
        reason = isLink ? SkipReason::UnsafeName : SkipReason::CannotCreate;
    }
    return fd;
}

constexpr char kTemporaryPrefix[] = ".vantorel-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr std::size_t kTemporaryDigits = 16;

// A name TemporaryName gives: nobody else's file is ever removed as ours.
bool IsTemporaryName(std::string_view name) {
    const std::string_view prefix = kTemporaryPrefix;
    const std::string_view suffix = kTemporarySuffix;
    if (name.size() != prefix.size() + kTemporaryDigits + suffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(prefix.size() + kTemporaryDigits) != suffix) {
        return false;
    }
    return name.substr(prefix.size(), kTemporaryDigits).find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::string TemporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[32];
    std::snprintf(text, sizeof text, "%s%016llx%s", kTemporaryPrefix, static_cast<unsigned long long>(generator()),
                  kTemporarySuffix);
    return text;
}

} // namespace

TargetFolder::TargetFolder(const std::filesystem::path& folder) : swept_(std::make_shared<Swept>()) {
    root_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); // the target itself may be a link
    if (root_ < 0) {
        throw ArchiveError(ArchiveFailure::NoSuchFolder, folder, errno);
    }
    Sweep(root_, false);
}

std::unique_ptr<TargetFolder> TargetFolder::Another() const {
    const int root = fcntl(root_, F_DUPFD_CLOEXEC, 0);
    if (root < 0) {
        throw ArchiveError(ArchiveFailure::NoSuchFolder, "", errno);
    }
    return std::unique_ptr<TargetFolder>(new TargetFolder(root, swept_));
}

void TargetFolder::Sweep(int folderFd, bool created) {
    struct stat info {};
    if (fstat(folderFd, &info) != 0) {
        return;
    }
    // Held while the folder is listed: another thread that opens it waits
    // until its leftovers are gone before it writes there.
    const std::lock_guard lock(swept_->mutex);
    if (!swept_->folders.insert({info.st_dev, info.st_ino}).second || created) {
        return;
    }
    const int listing = dup(folderFd);
    DIR* folder = listing >= 0 ? fdopendir(listing) : nullptr;
    if (folder == nullptr) {
        CloseQuietly(listing);
        return; // an unlistable folder: its leftovers stay, nothing else changes
    }
    while (const dirent* entry = readdir(folder)) {
        if (IsTemporaryName(entry->d_name)) {
            // Only a killed extraction leaves one: every live one removes its own.
            static_cast<void>(unlinkat(folderFd, entry->d_name, 0));
        }
    }
    closedir(folder);
}

TargetFolder::~TargetFolder() {
    CloseFrom(0);
    CloseQuietly(root_);
}

void TargetFolder::CloseFrom(std::size_t depth) {
    while (open_.size() > depth) {
        CloseQuietly(open_.back().fd);
        open_.pop_back();
    }
}

int TargetFolder::OpenFolder(const std::vector<std::string>& folders, SkipReason& reason) {
    std::size_t same = 0;
    while (same < folders.size() && same < open_.size() && open_[same].name == folders[same]) {
        ++same;
    }
    CloseFrom(same);
    while (open_.size() < folders.size()) {
        const std::size_t depth = open_.size();
        const int parent = depth == 0 ? root_ : open_.back().fd;
        const bool parentCreated = depth > 0 && open_.back().created;
        Level level{folders[depth], -1, false};
        level.fd = OpenLevel(parent, level.name, parentCreated, level.created, reason);
        if (level.fd < 0) {
            return -1; // the levels above stay open for the next entry
        }
        Sweep(level.fd, level.created);
        open_.push_back(std::move(level));
    }
    return folders.empty() ? root_ : open_.back().fd;
}

PendingFile::~PendingFile() {
    Discard();
}

void PendingFile::Discard() {
    if (fd_ >= 0) {
        CloseQuietly(fd_);
        fd_ = -1;
        // Should removing fail, nothing more can be done: the hidden temporary
        // file stays behind, and the entry is reported as skipped anyway.
        static_cast<void>(unlinkat(folderFd_, temporaryName_.c_str(), 0));
    }
}

std::optional<SkipReason> PendingFile::Open(int folderFd, std::string name) {
    Discard();
    folderFd_ = folderFd;
    name_ = std::move(name);
    replacing_ = false;
    struct stat existing {};
    if (fstatat(folderFd_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode) || (S_ISREG(existing.st_mode) && (existing.st_mode & S_IWUSR) == 0)) {
            return SkipReason::CannotCreate; // a folder, or a read-only file, which stays as it is
        }
        replacing_ = true; // a link there is replaced itself: rename never follows it
        replaced_ = existing;
    } else if (errno != ENOENT) {
        return SkipReason::CannotCreate;
    }
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temporaryName_ = TemporaryName();
        fd_ = openat(folderFd_, temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            return std::nullopt;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return SkipReason::CannotCreate;
}

std::optional<SkipReason> PendingFile::Commit(std::time_t mtime, bool readOnly) {
    if (replacing_ && S_ISREG(replaced_.st_mode)) {
        // The file keeps what the user set on it (an executable script stays
        // executable). The owner and group only where the process may set
        // them; the owner first, since changing it clears set-id bits.
        static_cast<void>(fchown(fd_, replaced_.st_uid, replaced_.st_gid)); // refused for others' files: ours then
        if (fchmod(fd_, replaced_.st_mode & 07777) != 0) {
            Discard();
            return SkipReason::WriteFailed;
        }
    }
    if (readOnly) {
        struct stat info {};
        if (fstat(fd_, &info) != 0 || fchmod(fd_, info.st_mode & ~static_cast<mode_t>(0222)) != 0) {
            Discard();
            return SkipReason::WriteFailed;
        }
    }
    if (mtime >= 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {mtime, 0}};
        if (futimens(fd_, times) != 0) {
            Discard();
            return SkipReason::WriteFailed;
        }
    }
    if (replacing_ && fsync(fd_) != 0) {
        Discard();
        return SkipReason::WriteFailed;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        static_cast<void>(unlinkat(folderFd_, temporaryName_.c_str(), 0)); // best effort: the entry fails anyway
        return SkipReason::WriteFailed;
    }
    if (renameat(folderFd_, temporaryName_.c_str(), folderFd_, name_.c_str()) != 0) {
        static_cast<void>(unlinkat(folderFd_, temporaryName_.c_str(), 0)); // best effort: the entry fails anyway
        return SkipReason::CannotCreate;
    }
    return std::nullopt;
}

} // namespace vantorel::archive::reader
