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

void PathList::Add(std::string_view path, const struct stat& status) {
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
    refs_.push_back(Ref{static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(used_),
                        static_cast<std::uint32_t>(path.size()), static_cast<std::uint32_t>(status.st_mode),
                        static_cast<std::int64_t>(status.st_size), status.st_mtim, status.st_ctim});
    used_ += path.size();
}

std::size_t PathList::size() const {
    std::lock_guard lock(mutex_);
    return refs_.size();
}

PathList::Item PathList::operator[](std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Ref& ref = refs_[index];
    Item item{std::string_view(blocks_[ref.block].get() + ref.offset, ref.length), {}};
    item.status.st_mode = static_cast<mode_t>(ref.mode);
    item.status.st_size = static_cast<off_t>(ref.size);
    item.status.st_mtim = ref.modified;
    item.status.st_ctim = ref.changed;
    return item;
}

} // namespace vantorel::archive::writer
