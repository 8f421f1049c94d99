// The rotation of the two generations, written so that a kill or a power cut
// at any system call loses nothing but the generation the rotation drops.
//
// The new archive is written completely and flushed under a hidden name first
// (".save_R_1.zip.<random>.new", through the writer's own ".partial" file);
// nothing else is touched until then, so a failed run leaves both generations
// as they were. The rotation itself is three renames:
//   1. the new archive takes the name ".save_R_1.zip.complete": from here on
//      the rotation is decided, and the name says the file is the complete
//      archive on its way to the newest name;
//   2. save_R_1.zip replaces save_R_2.zip (the older generation is dropped);
//   3. the ".complete" archive becomes save_R_1.zip.
// Recovery reads nothing but the names, because inode numbers change across
// a remount on FAT and exFAT sticks and network shares: a ".complete" archive
// beside save_R_1.zip means a kill before step 2 (the rotation is finished),
// without it a kill before step 3 (it only takes the newest name). ".new" and
// ".partial" files never began a rotation and are removed.
//
// Between steps 2 and 3 no file has the newest name. A swap of two names in
// one call (RENAME_EXCHANGE) would close that gap, but after a swap both names
// would still be there, each holding what the other held, and nothing but an
// inode number could tell which is which; the sticks and shares backups go to
// have no such swap anyway. So the gap is closed instead by running the
// recovery wherever the newest archive is needed: at the program's start,
// before a restore, and before a run.

#include "runs/generations.h"

#include "archive/archive_error.h"
#include "archive/writer/temp_file.h"
#include "platform/hidden_name.h"
#include "platform/trace.h"

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
#include <vector>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNewSuffix = ".new";
constexpr std::string_view kCompleteSuffix = ".complete";
// An earlier version's name for an archive halfway through its rotation.
constexpr std::string_view kEarlierNextSuffix = ".next";
constexpr std::string_view kPartialSuffix = archive::writer::TemporaryArchive::kSuffix;
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

bool IsRegularFile(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::optional<Generations> Generations::Lock(fs::path newest, fs::path previous) {
    // A lock file rather than a lock on the archive being written: the names
    // being written are unique to each writer, so another writer could not
    // find them, and the lock must also cover the rotation that follows.
    const fs::path lock = HiddenBeside(newest, {".lock"});
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

fs::path Generations::CompleteName() const {
    return HiddenBeside(newest_, {kCompleteSuffix});
}

void Generations::RecoverLeftovers() {
    const fs::path folder = newest_.parent_path();
    const std::string newestName = newest_.filename().string();
    const std::string ours = "." + newestName + ".";            // the hidden names of this job's archives
    const std::string writers = "." + ours;                     // the archive writer's own partial files
    const std::string copyOfOldVersions = newestName + ".part"; // an older version's put-back copy
    std::vector<fs::path> earlierNext;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored; // a leftover that cannot be removed now is tried again by the next recovery
        if (name == copyOfOldVersions || (StartsWith(name, writers) && EndsWith(name, kPartialSuffix)) ||
            (StartsWith(name, ours) && (EndsWith(name, kNewSuffix) || EndsWith(name, kPartialSuffix)))) {
            trace::Line("recovery", "removing unfinished ", it->path().string());
            fs::remove(it->path(), ignored); // never began a rotation, or never meant to be kept
        } else if (StartsWith(name, ours) && EndsWith(name, kEarlierNextSuffix)) {
            earlierNext.push_back(it->path());
        }
    }
    const fs::path complete = CompleteName();
    const bool hasNewest = Exists(newest_);
    if (IsRegularFile(complete) && (!hasNewest || IsRegularFile(newest_))) {
        // The rotation was decided: finish it. Should a rename fail, the names
        // still say where it stands, and the next recovery goes on from there.
        trace::Line("recovery", "finishing the rotation of ", complete.string(),
                    hasNewest ? " (newest to previous, then complete to newest)" : " (complete to newest)");
        if (!hasNewest || std::rename(newest_.c_str(), previous_.c_str()) == 0) {
            FlushFolder(folder);
            static_cast<void>(std::rename(complete.c_str(), newest_.c_str())); // see above
        }
    }
    // An earlier version named an archive halfway through its rotation
    // ".<inode>.next"; which archive it is, only inode numbers told. Without a
    // newest archive it is complete either way and takes that name; beside
    // one it is left as it is, since removing it could lose a generation.
    for (const fs::path& path : earlierNext) {
        if (!Exists(newest_) && IsRegularFile(path)) {
            trace::Line("recovery", "an earlier version's ", path.string(), " takes the newest name");
            static_cast<void>(std::rename(path.c_str(), newest_.c_str())); // the next recovery tries again
        }
    }
    FlushFolder(folder);
}

void WriteMakingRoom(Generations& generations, const std::function<void()>& write) {
    try {
        write();
        return;
    } catch (const ArchiveError& error) {
        const bool noRoom =
            error.kind() == ArchiveFailure::WriteFailed && (error.sysErrno() == ENOSPC || error.sysErrno() == EDQUOT);
        // The writer has removed its unfinished file; the previous generation
        // is the one this run's rotation would drop anyway.
        if (!noRoom || !generations.DropPrevious()) {
            throw;
        }
        trace::Line("runs", "no room: previous generation dropped, writing again");
    }
    write();
}

bool Generations::DropPrevious() {
    if (!IsRegularFile(previous_) || unlink(previous_.c_str()) != 0) {
        return false;
    }
    FlushFolder(previous_.parent_path());
    return true;
}

fs::path Generations::NewArchiveName() const {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char unique[24];
    std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(generator()));
    return HiddenBeside(newest_, {".", unique, kNewSuffix});
}

void Generations::Rotate(const fs::path& written) {
    const fs::path folder = newest_.parent_path();
    struct stat newest {};
    const bool hasNewest = lstat(newest_.c_str(), &newest) == 0;
    if (hasNewest && !S_ISREG(newest.st_mode)) {
        // A folder or a link under the newest name is not ours to move.
        throw std::system_error(EEXIST, std::generic_category(), newest_.string());
    }
    const fs::path complete = CompleteName();
    if (std::rename(written.c_str(), complete.c_str()) != 0) {
        throw SystemError(complete);
    }
    FlushFolder(folder);
    // Without a newest archive (first run, or one removed by hand) the
    // previous one stays as it is.
    if (hasNewest && std::rename(newest_.c_str(), previous_.c_str()) != 0) {
        const std::system_error failure = SystemError(previous_);
        std::error_code ignored;
        fs::remove(complete, ignored); // the generations are as they were
        throw failure;
    }
    FlushFolder(folder);
    if (std::rename(complete.c_str(), newest_.c_str()) != 0) {
        // The previous name holds the old newest archive, the ".complete"
        // name the new one; the next recovery gives it the newest name.
        throw SystemError(newest_);
    }
    FlushFolder(folder);
}

} // namespace vantorel
