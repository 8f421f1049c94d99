#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
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

// The content of a file of the test data (tests/data/<name>); throws when it is missing.
std::string ReadTestData(std::string_view name);

// Writes a copy of the test data file `name` to `file`.
void InstallTestData(std::string_view name, const std::filesystem::path& file);

// How many entries `folder` holds: a write leaves no temporary file behind.
std::size_t EntriesIn(const std::filesystem::path& folder);

} // namespace vantorel::test
