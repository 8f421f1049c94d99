#pragma once

#include <filesystem>
#include <functional>

namespace vantorel::test {

// Expects `write` to raise PlatformError(WriteRefused) naming `file`, with
// the errno `sysErrno`.
void ExpectWriteRefused(const std::filesystem::path& file, int sysErrno, const std::function<void()>& write);

} // namespace vantorel::test
