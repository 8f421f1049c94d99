#include "archive/writer/path_list.h"

#include "archive/archive_error.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

} // namespace

std::uint32_t PathList::AddFolder(FileIdentity identity) {
    std::lock_guard lock(mutex_);
    if (folders_.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw ArchiveError(ArchiveFailure::TooLarge, std::string(), 0, "folder list");
    }
    folders_.push_back(identity);
    return static_cast<std::uint32_t>(folders_.size() - 1);
}

FileIdentity PathList::Folder(std::uint32_t folder) const {
    std::lock_guard lock(mutex_);
    return folders_[folder];
}

void PathList::Add(std::string_view path, const struct stat& status, std::uint32_t folder, bool reusable) {
    std::lock_guard lock(mutex_);
    if (path.size() > std::numeric_limits<std::uint32_t>::max() ||
        blocks_.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw ArchiveError(ArchiveFailure::TooLarge, std::string(path.substr(0, 256)), 0, "path list");
    }
    if (blocks_.empty() || used_ + path.size() > blockSize_) {
        // A path longer than a block gets a block of its own size.
        blockSize_ = std::max(kBlockSize, path.size());
        blocks_.push_back(std::make_unique<char[]>(blockSize_));
        used_ = 0;
    }
    std::memcpy(blocks_.back().get() + used_, path.data(), path.size());
    static_assert(sizeof(Ref) == 56);
    refs_.push_back(
        Ref{static_cast<std::int64_t>(status.st_size), status.st_mtim.tv_sec, status.st_ctim.tv_sec,
            static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(used_),
            static_cast<std::uint32_t>(path.size()), folder, static_cast<std::uint32_t>(status.st_mtim.tv_nsec),
            static_cast<std::uint32_t>(status.st_ctim.tv_nsec), static_cast<std::uint16_t>(status.st_mode), reusable});
    used_ += path.size();
}

std::size_t PathList::size() const {
    std::lock_guard lock(mutex_);
    return refs_.size();
}

PathList::Item PathList::operator[](std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Ref& ref = refs_[index];
    Item item{std::string_view(blocks_[ref.block].get() + ref.offset, ref.length), {}, ref.folder, ref.reusable};
    item.status.st_mode = static_cast<mode_t>(ref.mode);
    item.status.st_size = static_cast<off_t>(ref.size);
    item.status.st_mtim = timespec{static_cast<std::time_t>(ref.modifiedSeconds), ref.modifiedNanoseconds};
    item.status.st_ctim = timespec{static_cast<std::time_t>(ref.changedSeconds), ref.changedNanoseconds};
    return item;
}

} // namespace vantorel::archive::writer
