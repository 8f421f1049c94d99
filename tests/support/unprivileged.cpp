#include "tests/support/unprivileged.h"

#include <exception>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel::test {

namespace {
constexpr int kCannotDrop = 125;
constexpr uid_t kNobody = 65534;
} // namespace

std::optional<int> RunUnprivileged(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                               setresuid(kNobody, kNobody, kNobody) != 0)) {
            _exit(kCannotDrop);
        }
        int result = kCannotDrop - 1;
        try {
            result = body();
        } catch (const std::exception&) {
            // An unexpected exception is a failed body; the parent sees the code.
        }
        _exit(result);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == kCannotDrop) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

} // namespace vantorel::test
