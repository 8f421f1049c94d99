#include "archive/reader/entry_data.h"

#include "archive/zip_format.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace vantorel::archive::reader {

namespace {

constexpr std::size_t kBlock = 65536;
// Compressed bytes read at a time for a large entry.
constexpr std::size_t kStreamInput = 256 << 10;

using Status = DecodeResult::Status;

// Writes all of `data`; the errno of the refusal otherwise.
int WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t done = write(fd, data, length);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return done < 0 ? errno : EIO;
        }
        data += done;
        length -= static_cast<std::size_t>(done);
    }
    return 0;
}

// What Check writes to: nothing.
constexpr int kNoFile = -1;

// Counts, checksums and writes the decoded bytes (unless the file is
// kNoFile), refusing any byte past the declared size.
class Output {
public:
    Output(int fd, std::uint64_t limit) : fd_(fd), limit_(limit) {}

    // False when the bytes would pass the declared size or cannot be written.
    bool Put(const std::uint8_t* data, std::size_t length, DecodeResult& result) {
        if (length > limit_ - written_) {
            result.status = Status::BadData;
            return false;
        }
        if (const int error = fd_ == kNoFile ? 0 : WriteAll(fd_, data, length); error != 0) {
            result.status = Status::WriteFailed;
            result.sysErrno = error;
            return false;
        }
        crc_ = libdeflate_crc32(crc_, data, length);
        written_ += length;
        return true;
    }

    bool complete() const { return written_ == limit_; }
    bool toFile() const { return fd_ != kNoFile; }
    std::uint32_t crc() const { return crc_; }

private:
    int fd_;
    std::uint64_t limit_;
    std::uint64_t written_ = 0;
    std::uint32_t crc_ = 0;
};

// Where a large entry's decoded bytes go, a buffer at a time.
class BlockOutput {
public:
    virtual ~BlockOutput() = default;
    // The next buffer to fill (size() bytes), once free; null once a write
    // has failed.
    virtual std::uint8_t* Next() = 0;
    // Hands the buffer Next gave over, with `length` bytes in it.
    virtual void Hand(std::size_t length) = 0;
    // Waits until everything handed over is written; false (and `result`
    // saying why) when a write failed.
    virtual bool Drain(DecodeResult& result) = 0;
    virtual std::size_t size() const = 0;
};

// Counts and checksums the bytes at once, in one buffer: the output of a
// check, which writes nothing.
class OutputInline final : public BlockOutput {
public:
    OutputInline(Output& output, std::vector<std::uint8_t>& buffer) : output_(output), buffer_(buffer) {
        buffer_.resize(kStreamInput);
    }
    std::uint8_t* Next() override { return failed_ ? nullptr : buffer_.data(); }
    void Hand(std::size_t length) override { failed_ = !output_.Put(buffer_.data(), length, failure_); }
    bool Drain(DecodeResult& result) override {
        if (failed_) {
            result = failure_;
        }
        return !failed_;
    }
    std::size_t size() const override { return buffer_.size(); }

private:
    Output& output_;
    std::vector<std::uint8_t>& buffer_;
    bool failed_ = false;
    DecodeResult failure_;
};

// Checksums and writes a large entry's decoded bytes on a thread of its own
// while the next ones are decoded: decoding alone is then the pace.
class WriteBehind final : public BlockOutput {
public:
    static constexpr std::size_t kBufferSize = 1 << 20;

    explicit WriteBehind(Output& output) : output_(output), thread_([this] { Run(); }) {}
    ~WriteBehind() override {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    std::uint8_t* Next() override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failed_ || queued_ < kBuffers; });
        return failed_ ? nullptr : buffers_[(head_ + queued_) % kBuffers].data();
    }

    void Hand(std::size_t length) override {
        {
            const std::lock_guard lock(mutex_);
            lengths_[(head_ + queued_) % kBuffers] = length;
            ++queued_;
        }
        changed_.notify_all();
    }

    bool Drain(DecodeResult& result) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failed_ || queued_ == 0; });
        if (failed_) {
            result = failure_;
            return false;
        }
        return true;
    }

    std::size_t size() const override { return kBufferSize; }

private:
    static constexpr std::size_t kBuffers = 3;

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return queued_ > 0 || closing_; });
            if (queued_ == 0) {
                return;
            }
            const std::size_t at = head_;
            lock.unlock();
            DecodeResult result;
            const bool written = output_.Put(buffers_[at].data(), lengths_[at], result);
            lock.lock();
            if (!written) {
                failed_ = true;
                failure_ = result;
                changed_.notify_all();
                return;
            }
            head_ = (head_ + 1) % kBuffers;
            --queued_;
            changed_.notify_all();
        }
    }

    Output& output_;
    std::array<std::vector<std::uint8_t>, kBuffers> buffers_{std::vector<std::uint8_t>(kBufferSize),
                                                             std::vector<std::uint8_t>(kBufferSize),
                                                             std::vector<std::uint8_t>(kBufferSize)};
    std::array<std::size_t, kBuffers> lengths_{};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t head_ = 0;   // the next buffer to write
    std::size_t queued_ = 0; // buffers handed over, not yet written
    bool failed_ = false;
    bool closing_ = false;
    DecodeResult failure_;
    std::thread thread_; // last: started once everything it uses is there
};

// The result of an entry given up on: its data are bad, unless a write
// failed first.
DecodeResult GiveUp(BlockOutput& behind, DecodeResult result) {
    if (behind.Drain(result)) {
        result.status = Status::BadData;
    }
    return result;
}

struct InflateEnd {
    void operator()(z_stream* stream) const {
        static_cast<void>(inflateEnd(stream)); // only frees memory; its result tells nothing new
        delete stream;
    }
};

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

} // namespace

struct EntryDecoder::State {
    std::unique_ptr<z_stream, InflateEnd> stream; // set up at the first large entry, then reset
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> whole;
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> out;
};

EntryDecoder::EntryDecoder() : state_(new State) {}

EntryDecoder::~EntryDecoder() {
    delete state_;
}

bool EntryDecoder::DecodesWhole(const EntryData& entry) {
    // Deflate never expands stored blocks by more than a few bytes per 64 KiB.
    return entry.method != kMethodStored && entry.uncompressedSize <= kWholeLimit &&
           entry.compressedSize <= kWholeLimit + kBlock;
}

DecodeResult EntryDecoder::Decode(const ArchiveSource& source, const EntryData& entry, int outFd) {
    if (entry.method == kMethodStored) {
        return CopyStored(source, entry, outFd);
    }
    if (DecodesWhole(entry)) {
        return InflateWhole(source, entry, outFd);
    }
    return InflateStream(source, entry, outFd);
}

DecodeResult EntryDecoder::Check(const ArchiveSource& source, const EntryData& entry) {
    return Decode(source, entry, kNoFile);
}

void EntryDecoder::Trim(std::size_t keep) {
    for (std::vector<std::uint8_t>* buffer : {&state_->in, &state_->out}) {
        if (buffer->capacity() > keep) {
            std::vector<std::uint8_t>().swap(*buffer);
        }
    }
}

DecodeResult EntryDecoder::CopyStored(const ArchiveSource& source, const EntryData& entry, int outFd) {
    DecodeResult result;
    if (entry.compressedSize != entry.uncompressedSize) {
        result.status = Status::BadData; // stored bytes are their own size
        return result;
    }
    Output output(outFd, entry.uncompressedSize);
    const std::span<const std::uint8_t> held = source.Held(entry.offset, entry.compressedSize);
    if (!held.empty() && !output.Put(held.data(), held.size(), result)) {
        return result;
    }
    std::vector<std::uint8_t>& block = state_->in;
    block.resize(kBlock);
    for (std::uint64_t done = held.size(); done < entry.compressedSize;) {
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), entry.compressedSize - done));
        if (!source.ReadAt(entry.offset + done, std::span(block).first(length))) {
            result.status = Status::BadData;
            return result;
        }
        if (!output.Put(block.data(), length, result)) {
            return result;
        }
        done += length;
    }
    result.crc32 = output.crc();
    result.endsWithData = true;
    return result;
}

DecodeResult EntryDecoder::InflateWhole(const ArchiveSource& source, const EntryData& entry, int outFd) {
    DecodeResult result;
    result.status = Status::BadData;
    if (!state_->whole) {
        state_->whole.reset(libdeflate_alloc_decompressor());
        if (!state_->whole) {
            result.status = Status::WriteFailed;
            result.sysErrno = ENOMEM;
            return result;
        }
    }
    std::span<const std::uint8_t> in = source.Held(entry.offset, entry.compressedSize);
    if (in.empty()) {
        state_->in.resize(static_cast<std::size_t>(entry.compressedSize));
        if (!source.ReadAt(entry.offset, state_->in)) {
            return result;
        }
        in = state_->in;
    }
    std::vector<std::uint8_t>& out = state_->out;
    out.resize(static_cast<std::size_t>(entry.uncompressedSize));
    // Without a place for the actual size, anything but exactly the declared
    // size fails: fewer bytes, more bytes, or a stream cut short.
    std::size_t consumed = 0;
    if (libdeflate_deflate_decompress_ex(state_->whole.get(), in.data(), in.size(), out.data(), out.size(), &consumed,
                                         nullptr) != LIBDEFLATE_SUCCESS) {
        return result;
    }
    Output output(outFd, entry.uncompressedSize);
    if (!output.Put(out.data(), out.size(), result)) {
        return result;
    }
    result.status = Status::Ok;
    result.crc32 = output.crc();
    result.endsWithData = consumed == in.size();
    return result;
}

bool EntryDecoder::ResetStream(DecodeResult& result) {
    std::unique_ptr<z_stream, InflateEnd>& stream = state_->stream;
    if (stream) {
        return inflateReset(stream.get()) == Z_OK; // result already says BadData
    }
    stream.reset(new z_stream{});
    if (inflateInit2(stream.get(), kDeflateWindowBits) != Z_OK) {
        stream.reset();
        result.status = Status::WriteFailed;
        result.sysErrno = ENOMEM;
        return false;
    }
    return true;
}

DecodeResult EntryDecoder::InflateStream(const ArchiveSource& source, const EntryData& entry, int outFd) {
    DecodeResult result;
    result.status = Status::BadData;
    if (!ResetStream(result)) {
        return result;
    }
    z_stream* stream = state_->stream.get();
    std::vector<std::uint8_t>& in = state_->in;
    in.resize(kStreamInput);
    Output output(outFd, entry.uncompressedSize);
    // A file is written behind the decoding; a check has nothing to wait for.
    std::unique_ptr<BlockOutput> behind;
    if (output.toFile()) {
        behind = std::make_unique<WriteBehind>(output);
    } else {
        behind = std::make_unique<OutputInline>(output, state_->out);
    }
    std::uint64_t consumed = 0;
    stream->avail_in = 0;
    for (int status = Z_OK; status != Z_STREAM_END;) {
        std::uint8_t* block = behind->Next();
        if (block == nullptr) {
            static_cast<void>(behind->Drain(result)); // false: result says which write failed
            return result;
        }
        stream->next_out = block;
        stream->avail_out = static_cast<uInt>(behind->size());
        while (stream->avail_out > 0 && status != Z_STREAM_END) {
            if (stream->avail_in == 0 && consumed < entry.compressedSize) {
                const auto length =
                    static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), entry.compressedSize - consumed));
                if (!source.ReadAt(entry.offset + consumed, std::span(in).first(length))) {
                    return GiveUp(*behind, result);
                }
                consumed += length;
                stream->next_in = in.data();
                stream->avail_in = static_cast<uInt>(length);
            }
            status = inflate(stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) {
                // Z_BUF_ERROR: the stream needs input past the entry's
                // compressed size (cut short); the others: not a usable
                // deflate stream.
                return GiveUp(*behind, result);
            }
        }
        behind->Hand(behind->size() - stream->avail_out);
    }
    if (!behind->Drain(result)) {
        return result;
    }
    if (!output.complete()) {
        return result; // the stream ended before the declared size
    }
    result.status = Status::Ok;
    result.crc32 = output.crc();
    result.endsWithData = consumed == entry.compressedSize && stream->avail_in == 0;
    return result;
}

} // namespace vantorel::archive::reader
