#pragma once

#include "platform/folder_walk.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace vantorel::archive::writer {

// The paths of the files to archive, packed end to end in large blocks, each
// with the part of its status the walk saw that a run needs (whether it is
// unchanged since the previous archive) and the folder the walk listed it in:
// a tree of a million files costs its path bytes plus 56 bytes a file and 16
// a folder, not a string object, a heap allocation and a full status each.
// The walk adds while workers read what it has already added: both are safe
// at once.
class PathList {
public:
    struct Item {
        std::string_view path; // stays valid as long as the list
        struct stat status;    // size, times and mode as listed; the other fields 0
        std::uint32_t folder;  // the folder it was listed in (AddFolder's number)
        bool reusable;         // its times can prove it unchanged (see Add)
    };

    // Records a folder by its identity as listed; returns its number.
    std::uint32_t AddFolder(FileIdentity identity);
    FileIdentity Folder(std::uint32_t folder) const;

    // `reusable`: the file lies on a file system whose times can prove it
    // unchanged since the previous archive.
    void Add(std::string_view path, const struct stat& status, std::uint32_t folder, bool reusable);
    std::size_t size() const;
    Item operator[](std::size_t index) const;

private:
    struct Ref {
        std::int64_t size;
        std::int64_t modifiedSeconds;
        std::int64_t changedSeconds;
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t folder;
        std::uint32_t modifiedNanoseconds;
        std::uint32_t changedNanoseconds;
        std::uint16_t mode; // type and permission bits: 16 bits on Linux
        bool reusable;
    };

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockSize_ = 0; // capacity of the last block
    std::size_t used_ = 0;      // bytes used in the last block
    std::deque<Ref> refs_;      // a deque grows without copying what it holds
    std::deque<FileIdentity> folders_;
};

} // namespace vantorel::archive::writer
