// The rotation of the two generations, written so that a kill or a power cut
// at any system call loses nothing but the generation the rotation drops.
//
// The new archive is written completely and flushed under a hidden name first
// (".save_R_1.zip.<random>.new", through the writer's own ".partial" file);
// nothing else is touched until then, so a failed run leaves both generations
// as they were. The rotation itself:
//   1. the new archive is renamed ".save_R_1.zip.<inode>.next": its name now
//      says which file it is;
//   2. it swaps names with save_R_1.zip in one step (RENAME_EXCHANGE): the
//      newest name always holds a complete archive, the old one or the new;
//   3. the old newest archive, now under the ".next" name, replaces
//      save_R_2.zip in one rename.
// After a kill between 2 and 3 the ".next" file is the only copy of the old
// newest archive. Its inode no longer matches its name, and that is how the
// next run tells it from a new archive that never got the newest name: it
// finishes the move to save_R_2.zip instead of removing it. Should inode
// numbers change across a remount (some FAT drivers), a ".next" file is
// taken for an old newest archive and kept as the previous one, which keeps
// a complete archive either way.
//
// Where the file system cannot swap two names, step 2 becomes two renames
// (newest to previous, then the new archive to newest). Between them the
// newest name is missing for one call; the next run then finds a ".next"
// file that is still itself and gives it the newest name.

#include "runs/generations.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNewSuffix = ".new";
constexpr std::string_view kNextSuffix = ".next";
constexpr std::string_view kPartialSuffix = ".partial";
constexpr int kLockAttempts = 5;

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

std::system_error SystemError(const fs::path& path) {
    return std::system_error(errno, std::generic_category(), path.string());
}

// Flushes the folder so that the renames in it survive a power cut. A refusal
// changes nothing about which names hold which archive.
void FlushFolder(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(fsync(fd)); // see above
        close(fd);
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The inode number a ".next" name carries, when it carries one.
std::optional<unsigned long long> InodeInName(std::string_view name, std::string_view prefix) {
    std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - kNextSuffix.size());
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::stoull(std::string(digits));
}

} // namespace

std::optional<Generations> Generations::Lock(fs::path newest, fs::path previous) {
    // A lock file rather than a lock on the archive being written: the names
    // being written are unique to each writer, so another writer could not
    // find them, and the lock must also cover the rotation that follows.
    const fs::path lock = newest.parent_path() / ("." + newest.filename().string() + ".lock");
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            return std::nullopt;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return std::nullopt; // another writer is at work on these archives
        }
        // The holder before us removes the file as it lets go: a lock taken on
        // a file that no longer has the name locks nothing, so try again.
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(lock.c_str(), &named) == 0 && SameFile(held, named)) {
            return Generations(std::move(newest), std::move(previous), lock, fd);
        }
        close(fd);
    }
    return std::nullopt;
}

Generations::Generations(fs::path newest, fs::path previous, fs::path lock, int fd)
    : newest_(std::move(newest)), previous_(std::move(previous)), lock_(std::move(lock)), fd_(fd) {}

Generations::Generations(Generations&& other) noexcept
    : newest_(std::move(other.newest_)), previous_(std::move(other.previous_)), lock_(std::move(other.lock_)),
      fd_(std::exchange(other.fd_, -1)) {}

Generations::~Generations() {
    if (fd_ >= 0) {
        // Removed while still held, so that no one else removes it under a holder.
        static_cast<void>(unlink(lock_.c_str())); // a lock file left behind only costs a name
        close(fd_);
    }
}

void Generations::RecoverLeftovers() {
    const fs::path folder = newest_.parent_path();
    const std::string newestName = newest_.filename().string();
    const std::string ours = "." + newestName + ".";            // the hidden names of this job's archives
    const std::string writers = "." + ours;                     // the archive writer's own partial files
    const std::string copyOfOldVersions = newestName + ".part"; // an older version's put-back copy
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const fs::path path = it->path();
        std::error_code ignored; // a leftover that cannot be removed now is tried again by the next run
        if (name == copyOfOldVersions || (StartsWith(name, writers) && EndsWith(name, kPartialSuffix)) ||
            (StartsWith(name, ours) && (EndsWith(name, kNewSuffix) || EndsWith(name, kPartialSuffix)))) {
            fs::remove(path, ignored); // never complete, or never meant to be kept
            continue;
        }
        if (!StartsWith(name, ours) || !EndsWith(name, kNextSuffix)) {
            continue;
        }
        const std::optional<unsigned long long> inode = InodeInName(name, ours);
        struct stat info {};
        if (!inode || lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue; // not one of ours: left alone
        }
        struct stat newest {};
        const bool hasNewest = stat(newest_.c_str(), &newest) == 0;
        if (info.st_ino != *inode) {
            // The old newest archive, swapped out: it was on its way to the
            // previous name, which it now takes.
            fs::rename(path, previous_, ignored);
        } else if (!hasNewest) {
            // A complete new archive whose rename to the newest name never came.
            fs::rename(path, newest_, ignored);
        } else {
            fs::remove(path, ignored); // a new archive that never replaced the newest one
        }
    }
    FlushFolder(folder);
}

fs::path Generations::NewArchiveName() const {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char unique[24];
    std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(generator()));
    return newest_.parent_path() / ("." + newest_.filename().string() + "." + unique + std::string(kNewSuffix));
}

void Generations::Rotate(const fs::path& written) {
    const fs::path folder = newest_.parent_path();
    struct stat newest {};
    if (lstat(newest_.c_str(), &newest) == 0 && !S_ISREG(newest.st_mode)) {
        // A folder or a link under the newest name is not ours to move.
        throw std::system_error(EEXIST, std::generic_category(), newest_.string());
    }
    if (lstat(newest_.c_str(), &newest) != 0) {
        // First run, or a newest archive removed by hand: the previous one stays.
        if (std::rename(written.c_str(), newest_.c_str()) != 0) {
            throw SystemError(newest_);
        }
        FlushFolder(folder);
        return;
    }
    struct stat info {};
    if (stat(written.c_str(), &info) != 0) {
        throw SystemError(written);
    }
    const fs::path next =
        folder / ("." + newest_.filename().string() + "." +
                  std::to_string(static_cast<unsigned long long>(info.st_ino)) + std::string(kNextSuffix));
    if (std::rename(written.c_str(), next.c_str()) != 0) {
        throw SystemError(next);
    }
    if (renameat2(AT_FDCWD, next.c_str(), AT_FDCWD, newest_.c_str(), RENAME_EXCHANGE) == 0) {
        // The newest name holds the new archive. Should this rename fail, the
        // old one waits under the ".next" name and the next run moves it.
        static_cast<void>(std::rename(next.c_str(), previous_.c_str()));
        FlushFolder(folder);
        return;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        std::error_code ignored;
        fs::remove(next, ignored); // still the new archive: the generations are as they were
        throw std::system_error(error, std::generic_category(), newest_.string());
    }
    // No swap on this file system: two renames, recovered as said above.
    if (std::rename(newest_.c_str(), previous_.c_str()) != 0) {
        const std::system_error failure = SystemError(previous_);
        std::error_code ignored;
        fs::remove(next, ignored);
        throw failure;
    }
    if (std::rename(next.c_str(), newest_.c_str()) != 0) {
        // The previous name holds the old newest archive, the ".next" name
        // the new one; the next run gives the new one its name.
        throw SystemError(newest_);
    }
    FlushFolder(folder);
}

} // namespace vantorel
