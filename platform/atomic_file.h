#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// Replaces the whole content of `target` so that, whatever happens (a crash,
// a power cut, a full disk), the file holds either its old content or the new
// one: the content goes to a temporary file in the same folder, is flushed to
// disk, renamed over the target, and the folder is flushed. A symbolic link is
// followed and the file it names is replaced. An existing target keeps its
// permission bits; a new one gets 0666 less the umask.
//
// A target whose mode lacks the owner's write bit refuses the write, like a
// read-only file on the desktop systems our files come from (root would pass
// any access check and the rename would replace the file regardless).
// Throws PlatformError(PlatformFailure::WriteRefused, target, errno); the temporary file is
// removed and the target left untouched.
void ReplaceFileContent(const std::filesystem::path& target, std::string_view content);

// Copies `source` over `target` (replacing it) in the same safe way; meant
// for settings files, it holds the whole content in memory. Throws
// PlatformError(PlatformFailure::WriteRefused, target, errno) when the source cannot be read
// or the target cannot be written.
void CopyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target);

// The whole content of `file`, or nullopt when it cannot be read; `sysErrno`
// (when given) receives the reason, ENOENT for a missing file.
std::optional<std::string> ReadFileContent(const std::filesystem::path& file, int* sysErrno = nullptr);

} // namespace vantorel
