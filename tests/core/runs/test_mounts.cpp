#include "tests/core/runs/test_mounts.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>
#include <utility>

namespace vantorel::test {

namespace fs = std::filesystem;

namespace {

// The first line a shell command prints; nullopt when it fails.
std::optional<std::string> Output(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::array<char, 256> line{};
    const bool got = std::fgets(line.data(), line.size(), pipe) != nullptr;
    const int status = pclose(pipe);
    if (status != 0) {
        return std::nullopt;
    }
    std::string text = got ? line.data() : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

bool Run(const std::string& command) {
    return Output(command + " >/dev/null").has_value();
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

} // namespace

std::optional<TestMount> TestMount::Tmpfs(const fs::path& where, std::size_t bytes, std::string& why) {
    if (geteuid() != 0) {
        why = "mounting a tmpfs needs root";
        return std::nullopt;
    }
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        why = std::string("mounting a tmpfs was refused: ") + std::strerror(errno);
        return std::nullopt;
    }
    return TestMount(where, {});
}

std::optional<TestMount> TestMount::ExFat(const fs::path& image, const fs::path& where, std::size_t bytes,
                                          std::string& why) {
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0) {
        why = "an exFAT mount through FUSE needs root and /dev/fuse";
        return std::nullopt;
    }
    if (!Run("command -v mkfs.exfat") || !Run("command -v mount.exfat-fuse")) {
        why = "exfatprogs and exfat-fuse are not installed (scripts/setup test)";
        return std::nullopt;
    }
    if (!Run("truncate -s " + std::to_string(bytes) + " " + Quoted(image)) || !Run("mkfs.exfat " + Quoted(image))) {
        why = "no exFAT image could be made";
        return std::nullopt;
    }
    // Run as root, the FUSE driver wants a block device.
    const std::optional<std::string> device = Output("losetup --find --show " + Quoted(image));
    if (!device || device->empty()) {
        why = "no loop device for the exFAT image";
        return std::nullopt;
    }
    TestMount mounted(where, *device);
    mounted.mounted_ = false;
    if (!mounted.Mount()) {
        why = "mount.exfat-fuse failed";
        return std::nullopt;
    }
    return mounted;
}

TestMount::TestMount(fs::path where, std::string device) : where_(std::move(where)), device_(std::move(device)) {}

TestMount::TestMount(TestMount&& other) noexcept
    : where_(std::move(other.where_)), device_(std::move(other.device_)),
      mounted_(std::exchange(other.mounted_, false)) {
    other.device_.clear();
}

TestMount::~TestMount() {
    Unmount();
    if (!device_.empty()) {
        static_cast<void>(Run("losetup -d " + device_)); // a loop device left over only costs a device
    }
}

void TestMount::Unmount() {
    if (mounted_) {
        // FUSE mounts go through umount(8), which waits for the driver.
        static_cast<void>(device_.empty() ? umount(where_.c_str()) : (Run("umount " + Quoted(where_)) ? 0 : -1));
        mounted_ = false;
    }
}

bool TestMount::Mount() {
    if (!mounted_ && !device_.empty()) {
        mounted_ = Run("mount.exfat-fuse " + device_ + " " + Quoted(where_));
    }
    return mounted_;
}

} // namespace vantorel::test
