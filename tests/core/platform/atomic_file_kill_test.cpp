// A writer killed at each system call of a replace, one after the other,
// through strace's fault injection: the file must hold the old content or the
// new one after every kill. The writer is this test program itself, started
// again on a disabled test that performs exactly one replace.

#include "platform/atomic_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace vantorel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTargetVariable = "VANTOREL_KILL_TEST_TARGET";

std::string NewContent() {
    return "[0]\nEdSource=" + std::string(300000, 'n') + "\n";
}

TEST(AtomicWriterChild, DISABLED_ReplacesOnce) {
    const char* target = std::getenv(kTargetVariable);
    ASSERT_NE(target, nullptr);
    ReplaceFileContent(target, NewContent());
}

// Runs the writer with a SIGKILL injected at the Nth call of `syscall` (no
// injection for n = 0); returns true when the writer ran to its end without
// being killed. The leak checker of a sanitizer build cannot run under a
// tracer, so it is off in the writer.
bool RunWriterKilledAt(const fs::path& target, const std::string& syscall, int n) {
    const std::string inject =
        n == 0 ? std::string() : " -e inject=" + syscall + ":signal=KILL:when=" + std::to_string(n);
    const std::string command = std::string(kTargetVariable) + "=" + target.string() +
                                " ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=" + syscall + inject +
                                " " + fs::read_symlink("/proc/self/exe").string() +
                                " --gtest_filter=AtomicWriterChild.DISABLED_ReplacesOnce"
                                " --gtest_also_run_disabled_tests >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ReplaceFileContent, KilledAtEverySystemCallLeavesOldOrNew) {
    if (std::system("strace -qq -o /dev/null true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    test::TempDir dir;
    const fs::path target = dir / "ListeSave.ini";
    const std::string oldContent = "[Reference]\nDerniereRef=1\n";
    if (!RunWriterKilledAt(target, "rename", 0)) {
        GTEST_SKIP() << "the writer does not run under strace here";
    }
    for (const std::string syscall : {"openat", "write", "fchmod", "fsync", "close", "rename"}) {
        bool finished = false;
        int n = 1;
        for (; !finished && n < 400; ++n) {
            test::WriteFile(target, oldContent);
            finished = RunWriterKilledAt(target, syscall, n);
            const std::string content = test::ReadFile(target);
            ASSERT_TRUE(content == oldContent || content == NewContent())
                << "killed at " << syscall << " #" << n << ": " << content.size() << " bytes";
            if (finished) {
                EXPECT_EQ(content, NewContent()) << "a writer that ran to its end left the old content";
            }
        }
        EXPECT_TRUE(finished) << syscall << ": the writer never got to its end";
    }
}

} // namespace
} // namespace vantorel
