#pragma once

#include "archive/writer/streams.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace vantorel::archive::writer {

// One entry's compressed data, held until its local header can be written
// (the header needs the CRC and sizes first). The bytes stay in memory up to
// `memoryLimit`; beyond that they go to a nameless temporary file in
// `spillFolder` (the archive's folder, never the source), which disappears
// with the object even if the process dies.
class Spill final : public ByteSink {
public:
    Spill(std::filesystem::path spillFolder, std::size_t memoryLimit);
    Spill(Spill&&) = default;
    Spill& operator=(Spill&&) = default;

    using ByteSink::Write;
    void Write(const std::uint8_t* data, std::size_t size) override;
    std::uint64_t size() const { return size_; }
    // Bytes of memory the data held in memory take.
    std::size_t memoryUsed() const { return memory_.capacity(); }
    // Forgets every byte written (the file, if any, is truncated).
    void Clear();
    // Writes every byte held, in order, to `out`.
    void CopyTo(ByteSink& out) const;

private:
    void OpenFile();

    std::filesystem::path folder_;
    std::size_t memoryLimit_;
    std::vector<std::uint8_t> memory_;
    UniqueFd file_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t size_ = 0;
};

} // namespace vantorel::archive::writer
