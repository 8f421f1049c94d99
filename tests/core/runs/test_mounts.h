#pragma once

// Real file systems mounted for a test: a small tmpfs, and an exFAT image
// through FUSE (the kernel may have no exFAT of its own). Both need root;
// each factory says why it cannot when it cannot, for the skip message.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace vantorel::test {

class TestMount {
public:
    // A tmpfs of `bytes` on the existing folder `where`.
    static std::optional<TestMount> Tmpfs(const std::filesystem::path& where, std::size_t bytes, std::string& why);
    // A fresh exFAT image of `bytes` at `image`, mounted through FUSE on the
    // existing folder `where`.
    static std::optional<TestMount> ExFat(const std::filesystem::path& image, const std::filesystem::path& where,
                                          std::size_t bytes, std::string& why);

    TestMount(TestMount&& other) noexcept;
    TestMount& operator=(TestMount&&) = delete;
    ~TestMount();

    // Unmounts; the folder is left empty, as a disk unplugged leaves it.
    void Unmount();
    // Mounts the same file system again (exFAT only: a tmpfs is gone once
    // unmounted); false when that failed.
    bool Mount();

private:
    TestMount(std::filesystem::path where, std::string device);

    std::filesystem::path where_;
    std::string device_; // the loop device of an exFAT image; empty for a tmpfs
    bool mounted_ = true;
};

} // namespace vantorel::test
