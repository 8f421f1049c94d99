#pragma once

#include <filesystem>
#include <string_view>

namespace vantorel::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away (write permissions are given back first, so
// read-only files and folders go too).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Writes `content` to `file`, creating its missing parent folders.
void WriteFile(const std::filesystem::path& file, std::string_view content);

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

} // namespace vantorel::test
