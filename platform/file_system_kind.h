#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unordered_map>

namespace vantorel {

// Whether the file system holding the open file or folder `fd` dates every
// change of a file's data: its kernel driver keeps a status-change time that
// no tool can set, and updates the times of a file written through a shared
// mapping when its pages are written back. Only such a file system lets a
// run prove from the times alone that a file is unchanged. Local ext2/3/4,
// XFS, Btrfs and F2FS do; tmpfs and ramfs (no writeback: mapped writes never
// touch the times), FAT and exFAT (a change time equal to the settable
// modification time, in whole seconds), anything through FUSE, and network
// file systems (times kept by the server, or by another kernel) do not. False
// when the file system cannot be told.
bool DatesChangesHonestly(int fd);

// The same for the file system of `path` (followed through links).
bool DatesChangesHonestly(const std::filesystem::path& path);

// Answers DatesChangesHonestly for the files a walk meets, asking the
// kernel once per file system (device) only.
class HonestDatesByDevice {
public:
    // For the file `name` of the open folder `folderFd`, whose status
    // (through a link, its target's) is `status`; `folder` is the folder's
    // own status. A file that cannot be asked about is not honest.
    bool Honest(int folderFd, const struct stat& folder, std::string_view name, const struct stat& status);

private:
    std::unordered_map<dev_t, bool> known_;
};

// The least delay assumed between a write to a file's mapped pages and the
// moment the kernel writes them back.
inline constexpr std::chrono::milliseconds kLeastWritebackDelay{60000};

// How long after a write through a shared mapping the kernel may still hold
// the page unwritten (its times then stay as they were for further writes):
// dirty_expire_centisecs plus dirty_writeback_centisecs of /proc/sys/vm, and
// never less than kLeastWritebackDelay. A delay that cannot be read, or a
// periodic writeback turned off, is taken as a day.
std::chrono::milliseconds KernelWritebackDelay();

} // namespace vantorel
