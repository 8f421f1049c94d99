#include "tests/support/file_tree.h"

#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>

namespace vantorel::test {

void MakeTree(const std::filesystem::path& root, const std::vector<TreeFile>& files) {
    for (const TreeFile& file : files) {
        WriteFile(root / file.path, file.content);
    }
    for (const TreeFile& file : files) {
        if (file.modified != 0) {
            SetModified(root / file.path, file.modified);
        }
        if (file.readOnly) {
            std::filesystem::permissions(root / file.path,
                                         std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove);
        }
    }
}

void SetModified(const std::filesystem::path& file, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    if (utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throw std::runtime_error("cannot set the time of " + file.string());
    }
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(engine() & 0xFF);
    }
    return bytes;
}

} // namespace vantorel::test
