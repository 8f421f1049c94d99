#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

namespace vantorel::archive::writer {

// The paths of the files to archive, packed end to end in large blocks: a
// tree of a million files costs its path bytes plus 12 bytes a file, not a
// string object and a heap allocation each. Adding is not thread-safe;
// reading from several threads once filled is.
class PathList {
public:
    void Add(std::string_view path);
    std::size_t size() const { return refs_.size(); }
    std::string_view operator[](std::size_t index) const;

private:
    struct Ref {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length;
    };

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockSize_ = 0; // capacity of the last block
    std::size_t used_ = 0;      // bytes used in the last block
    std::deque<Ref> refs_;      // a deque grows without copying what it holds
};

} // namespace vantorel::archive::writer
