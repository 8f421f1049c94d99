#pragma once

#include <functional>
#include <optional>

namespace vantorel::test {

// Runs `body` in a child process as the unprivileged user 65534 (when the
// tests run as root; otherwise as the current user, who is unprivileged
// already) and returns its result, or nullopt when the child could not be
// started or could not drop its privileges. Root ignores permission bits, so
// this is how a test makes a refusal real. The body must not use the test
// framework's assertions: they would not reach the parent.
std::optional<int> RunUnprivileged(const std::function<int()>& body);

} // namespace vantorel::test
