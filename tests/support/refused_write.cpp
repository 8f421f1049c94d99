#include "tests/support/refused_write.h"

#include "platform/errors.h"

#include <gtest/gtest.h>

namespace vantorel::test {

void ExpectWriteRefused(const std::filesystem::path& file, int sysErrno, const std::function<void()>& write) {
    try {
        write();
        ADD_FAILURE() << "the write to " << file << " was not refused";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.kind(), PlatformFailure::WriteRefused);
        EXPECT_EQ(error.subject(), file.string());
        EXPECT_EQ(error.sysErrno(), sysErrno) << error.what();
    }
}

} // namespace vantorel::test
