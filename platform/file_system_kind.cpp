#include "platform/file_system_kind.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <optional>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>

namespace vantorel {

namespace {

// The file systems known to date every change, mapped writes included.
constexpr std::array<decltype(statfs::f_type), 4> kHonestTypes = {
    EXT4_SUPER_MAGIC, // also ext2 and ext3: one magic number
    XFS_SUPER_MAGIC,
    BTRFS_SUPER_MAGIC,
    F2FS_SUPER_MAGIC,
};

bool IsHonestType(const struct statfs& info) {
    return std::find(kHonestTypes.begin(), kHonestTypes.end(), info.f_type) != kHonestTypes.end();
}

std::optional<long long> ReadCentiseconds(const char* file) {
    std::ifstream in(file);
    long long value = 0;
    if (!(in >> value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool DatesChangesHonestly(int fd) {
    struct statfs info {};
    return fstatfs(fd, &info) == 0 && IsHonestType(info);
}

bool DatesChangesHonestly(const std::filesystem::path& path) {
    struct statfs info {};
    return statfs(path.c_str(), &info) == 0 && IsHonestType(info);
}

bool HonestDatesByDevice::Honest(int folderFd, const struct stat& folder, std::string_view name,
                                 const struct stat& status) {
    if (const auto found = known_.find(status.st_dev); found != known_.end()) {
        return found->second;
    }
    if (status.st_dev == folder.st_dev) {
        return known_.emplace(status.st_dev, DatesChangesHonestly(folderFd)).first->second;
    }
    // A file on another file system than its folder (a link to it, a file
    // mounted over a name): asked through the file itself. Only what the
    // descriptor names is remembered, in case the name changed meanwhile.
    const int fd = openat(folderFd, std::string(name).c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return false; // gone or refused: the file is simply read
    }
    struct stat own {};
    const bool known = fstat(fd, &own) == 0;
    const bool honest = known && DatesChangesHonestly(fd);
    static_cast<void>(close(fd)); // an O_PATH descriptor has nothing to flush
    if (known) {
        known_.emplace(own.st_dev, honest);
    }
    return known && own.st_dev == status.st_dev && honest;
}

std::chrono::milliseconds KernelWritebackDelay() {
    const std::optional<long long> expire = ReadCentiseconds("/proc/sys/vm/dirty_expire_centisecs");
    const std::optional<long long> interval = ReadCentiseconds("/proc/sys/vm/dirty_writeback_centisecs");
    // Unknown, or no periodic writeback at all (an interval of 0): a page
    // may stay unwritten for long, so only files settled for a day count.
    if (!expire || !interval || *interval == 0) {
        return std::chrono::hours(24);
    }
    return std::max(kLeastWritebackDelay, std::chrono::milliseconds((*expire + *interval) * 10));
}

} // namespace vantorel
