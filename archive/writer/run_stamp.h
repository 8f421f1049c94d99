#pragma once

// Each archive carries, in a user extended attribute of its file (never in
// the archive's bytes), the stamp of the run that wrote it: the moment that
// run started, by the kernel's clock that also dates every change of a file
// (the status-change time of the temporary archive when it was created,
// before any file was listed or read), the source folder it read, and what it
// wrote (the archive's size and the CRC-32 of its central directory), so that
// the stamp cannot vouch for other bytes put under the same name. The next
// run copies unchanged files' data only from an archive whose stamp is valid
// (reuse.h).

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace vantorel::archive::writer {

// What a run records on the archive it wrote.
struct RunStamp {
    std::timespec start{};
    std::uint64_t sourceDevice = 0;
    std::uint64_t sourceInode = 0;
    std::string sourceFolder;
    std::uint64_t archiveSize = 0;
    std::uint32_t centralDirectoryCrc = 0;
};

// Records `stamp` on the open archive; false when the file system refuses
// (the next run then compresses everything).
bool WriteRunStamp(int fd, const RunStamp& stamp);

// The stamp recorded on the archive at `path`; nullopt when there is none
// (copied, or a file system without user attributes) or it is not valid.
std::optional<RunStamp> ReadRunStamp(const std::filesystem::path& path);

} // namespace vantorel::archive::writer
