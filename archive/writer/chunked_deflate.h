#pragma once

// Raw deflate of one large file on several threads, the way parallel gzip
// tools do it: the input is cut into fixed chunks; each chunk gets a
// compressor of its own, primed with the 32 KiB of input before it
// (deflateSetDictionary), and ends on a byte boundary (Z_SYNC_FLUSH); after the
// last chunk an empty final block closes the stream. The pieces concatenate
// into one valid deflate stream, and since the chunks never depend on the
// number of threads, neither do the bytes.

#include "archive/writer/budget.h"
#include "archive/writer/streams.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace vantorel::archive::writer {

class ChunkedDeflater final : public ByteSink {
public:
    // The size of a chunk: part of the archive's bytes, so fixed.
    static constexpr std::size_t kChunkSize = 1 << 20;

    // What one chunk in flight costs: its input, its output and a zlib state.
    static constexpr std::size_t kChunkMemory = 2 * kChunkSize + (320 << 10);

    // `threads` chunks are compressed at a time (at least one), within a
    // share of `budget` (when set) held until the deflater is gone. zlib
    // failures throw ArchiveError(CompressionFailed) naming `path`.
    ChunkedDeflater(ByteSink& out, std::filesystem::path path, std::size_t threads, MemoryBudget* budget = nullptr);

    using ByteSink::Write;
    void Write(const std::uint8_t* data, std::size_t size) override;
    // Compresses what is left and closes the stream; call once, last.
    void Finish();

private:
    void CompressGroup(std::size_t count);

    BudgetShare share_; // first: taken before any chunk is allocated
    ByteSink& out_;
    std::filesystem::path path_;
    std::vector<std::vector<std::uint8_t>> inputs_;
    std::vector<std::vector<std::uint8_t>> outputs_;
    std::size_t filled_ = 0;               // full chunks waiting in inputs_
    std::vector<std::uint8_t> dictionary_; // the last 32 KiB before inputs_[0]
};

} // namespace vantorel::archive::writer
