#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace vantorel::test {

// The result of running one outside program.
struct CommandResult {
    int exitCode = -1;  // -1 when the program could not be started or was killed
    std::string output; // stdout and stderr together
};

// Runs argv[0] (searched in PATH) with its arguments, no shell involved, and
// waits for it.
CommandResult RunCommand(const std::vector<std::string>& argv);

// The first of `names` found in PATH, or empty.
std::string FindProgram(const std::vector<std::string>& names);

// Checks an archive with every zip reader we expect users to own: `unzip -t`,
// `7z t`, `bsdtar -tf` and Python's zipfile testzip(). Succeeds only when all
// four accept it; the failure message holds each refusing tool's output. A tool
// that is not installed counts as a failure (scripts/setup test installs them).
::testing::AssertionResult ZipToolsAccept(const std::filesystem::path& archive);

// The names that `unzip -Z1`, `7z l -slt` and `bsdtar -tf` list, by tool
// label, as they would extract them; a tool that is missing or fails lists
// nothing and fails the calling test.
std::map<std::string, std::vector<std::string>> ListNamesWithTools(const std::filesystem::path& archive);

// One entry as Python's zipfile reads it from the central directory.
struct ListedEntry {
    std::string name; // as UTF-8 (Python decodes bit-11 names as UTF-8, others as code page 437)
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    unsigned method = 0;
    unsigned flags = 0;
};

// The entries of an archive as read by Python's zipfile, in central directory
// order; fails the calling test (and returns what it could) when Python cannot.
std::vector<ListedEntry> ListWithPython(const std::filesystem::path& archive);

} // namespace vantorel::test
