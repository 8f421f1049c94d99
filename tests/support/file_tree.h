#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace vantorel::test {

// One file of a test tree.
struct TreeFile {
    std::string path; // relative, "/" between parts
    std::string content;
    std::time_t modified = 0; // 0: leave the time the system gave
    bool readOnly = false;
};

// Creates every file (and its folders) under root, then sets the times and
// the read-only bits.
void MakeTree(const std::filesystem::path& root, const std::vector<TreeFile>& files);

// Sets a file's last-write (and access) time, without following a link.
void SetModified(const std::filesystem::path& file, std::time_t when);

// A local time of the process's zone (TZ=Europe/Paris under ctest).
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// `size` pseudo-random bytes, the same for the same seed.
std::string RandomBytes(std::size_t size, std::uint32_t seed);

} // namespace vantorel::test
