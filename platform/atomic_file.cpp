#include "platform/atomic_file.h"

#include "platform/errors.h"
#include "platform/hidden_name.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    // Returns 0, or the errno of a failed close (which can report a lost write).
    int Close() {
        int result = 0;
        if (fd_ >= 0 && ::close(fd_) != 0) {
            result = errno;
        }
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

[[noreturn]] void Refuse(const std::filesystem::path& target, int sysErrno) {
    throw PlatformError(PlatformFailure::WriteRefused, target.string(), sysErrno);
}

// The file a write must replace: a symbolic link is followed, so that the
// link stays a link. A dangling or missing target is written where it is.
std::filesystem::path ResolveTarget(const std::filesystem::path& target) {
    std::array<char, PATH_MAX> resolved{};
    if (::realpath(target.c_str(), resolved.data()) != nullptr) {
        return std::filesystem::path(resolved.data());
    }
    return target;
}

std::string RandomSuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string suffix(8, ' ');
    for (char& c : suffix) {
        c = kAlphabet[pick(generator)];
    }
    return suffix;
}

// Creates a new, empty, hidden file beside `target`; returns its descriptor
// and sets `tempPath`. O_EXCL keeps two writers from sharing one file.
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = HiddenBeside(folder / target.filename(), {".", RandomSuffix(), ".tmp"});
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Gives the new file the old one's permission bits and, where allowed, its owner.
int CopyOwnerAndMode(int fd, const struct stat& old) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        return errno;
    }
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only root may give a file away; anyone else keeps owning the new
        // file, which is what a fresh write by that user gives anyway.
    }
    return 0;
}

// Flushes the folder so that the rename itself survives a power cut.
void FlushFolder(const std::filesystem::path& folder) {
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0 && ::fsync(dir.get()) != 0) {
        // The new content is already in place and complete; some file systems
        // cannot flush a folder, and the write must not be reported as failed
        // for that.
    }
}

} // namespace

void ReplaceFileContent(const std::filesystem::path& target, std::string_view content) {
    const std::filesystem::path real = ResolveTarget(target);
    struct stat old {};
    const bool exists = ::stat(real.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        Refuse(target, errno);
    }
    if (exists && !S_ISREG(old.st_mode)) {
        // A folder, a device or a pipe is no settings file to replace.
        Refuse(target, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    }
    if (exists && (old.st_mode & S_IWUSR) == 0) {
        Refuse(target, EACCES);
    }

    std::filesystem::path tempPath;
    FileDescriptor temp(CreateTemporaryBeside(real, tempPath));
    if (temp.get() < 0) {
        Refuse(target, errno);
    }
    int failure = WriteAll(temp.get(), content);
    if (failure == 0 && exists) {
        failure = CopyOwnerAndMode(temp.get(), old);
    }
    if (failure == 0 && ::fsync(temp.get()) != 0) {
        failure = errno;
    }
    if (const int closeFailure = temp.Close(); failure == 0) {
        failure = closeFailure;
    }
    if (failure == 0 && ::rename(tempPath.c_str(), real.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        // The temporary file holds nothing anyone needs; a failed unlink
        // leaves a hidden leftover, never a damaged target.
        static_cast<void>(::unlink(tempPath.c_str()));
        Refuse(target, failure);
    }
    FlushFolder(real.parent_path());
}

void CopyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target) {
    int readFailure = 0;
    const std::optional<std::string> content = ReadFileContent(source, &readFailure);
    if (!content) {
        Refuse(target, readFailure);
    }
    ReplaceFileContent(target, *content);
}

std::optional<std::string> ReadFileContent(const std::filesystem::path& file, int* sysErrno) {
    auto fail = [sysErrno](int code) -> std::optional<std::string> {
        if (sysErrno != nullptr) {
            *sysErrno = code;
        }
        return std::nullopt;
    };
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return fail(errno);
    }
    std::string content;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (got == 0) {
            break;
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
    if (sysErrno != nullptr) {
        *sysErrno = 0;
    }
    return content;
}

} // namespace vantorel
