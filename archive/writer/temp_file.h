#pragma once

#include "archive/writer/streams.h"
#include "platform/folder_walk.h"

#include <filesystem>
#include <string_view>

namespace vantorel::archive::writer {

// The file an archive is written into before it takes its final name:
// ".<archive name>.partial" beside the archive. The fixed name lets the next
// run of the same archive find and remove what an interrupted run left, and
// its leading dot keeps it out of every folder walk.
class TemporaryArchive {
public:
    // What the temporary name adds after the archive's name, so that a run
    // tidying the archive folder knows the writer's leftovers.
    static constexpr std::string_view kSuffix = ".partial";
    // The temporary name of an archive.
    static std::filesystem::path NameFor(const std::filesystem::path& archivePath);

    // Removes a leftover of an interrupted run and creates the file afresh.
    // Throws ArchiveError(WriteFailed).
    explicit TemporaryArchive(std::filesystem::path archivePath);
    // Deletes the file unless Commit succeeded.
    ~TemporaryArchive();
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;

    int fd() const { return fd_.get(); }
    const std::filesystem::path& path() const { return temporary_; }
    FileIdentity identity() const { return identity_; }

    // Flushes the file to the disk, then gives it the archive's name, then
    // flushes the folder, so that after a crash the archive's name holds either
    // the old file or the whole new one. Throws ArchiveError(WriteFailed).
    void Commit();

private:
    std::filesystem::path archive_;
    std::filesystem::path temporary_;
    UniqueFd fd_;
    FileIdentity identity_;
    bool committed_ = false;
};

} // namespace vantorel::archive::writer
