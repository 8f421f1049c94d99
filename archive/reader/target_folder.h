#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "archive/reader/extract_archive.h"

namespace vantorel::archive::reader {

// The folder an archive is extracted into. Everything below it is reached
// through folder descriptors opened level by level without following links,
// so no entry can be written through a link to somewhere else, whatever the
// names or the links already in the tree.
class TargetFolder {
public:
    // Throws ArchiveError (NoSuchFolder) when `folder` is not an existing folder.
    explicit TargetFolder(const std::filesystem::path& folder);
    ~TargetFolder();
    TargetFolder(const TargetFolder&) = delete;
    TargetFolder& operator=(const TargetFolder&) = delete;

    // Another view of the same folder, for another thread: its own open
    // levels, but the same record of the folders already swept, so that no
    // thread ever takes another's temporary file for a leftover. Throws
    // ArchiveError (NoSuchFolder) when no descriptor is left.
    std::unique_ptr<TargetFolder> Another() const;

    // The descriptor of the folder `folders` below the target, creating the
    // missing levels from the top. The descriptor stays owned by this object
    // and is valid until the next call. On failure returns -1 and sets
    // `reason`: UnsafeName when a level is a link, CannotCreate otherwise (a
    // file holds a folder's name, the folder cannot be created...).
    int OpenFolder(const std::vector<std::string>& folders, SkipReason& reason);

private:
    struct Swept {
        std::mutex mutex;
        std::set<std::pair<dev_t, ino_t>> folders;
    };

    TargetFolder(int root, std::shared_ptr<Swept> swept) : root_(root), swept_(std::move(swept)) {}

    // Closes the open levels from `depth` down.
    void CloseFrom(std::size_t depth);
    // Removes the temporary files a killed extraction left in this folder,
    // once per folder and extraction, before any thread writes there; a
    // folder this extraction `created` holds none and is only recorded.
    void Sweep(int folderFd, bool created);

    struct Level {
        std::string name;
        int fd = -1;
        bool created = false; // by this extraction: nothing of a killed one can be inside
    };

    int root_ = -1;
    std::shared_ptr<Swept> swept_;
    // The folders of the last call, each level open: entries come folder by
    // folder, so the next call opens only the levels that differ.
    std::vector<Level> open_;
};

// A file being extracted: written under a temporary name in its folder, and
// renamed over its final name only once complete, so a failing entry never
// leaves a partial file nor destroys the file that was there.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile(); // removes the temporary file unless committed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Prepares `name` in the folder `folderFd`. Refuses (CannotCreate) when a
    // folder or a read-only file holds that name: a read-only file stays as it
    // is. Returns the reason on failure.
    std::optional<SkipReason> Open(int folderFd, std::string name);

    int fd() const { return fd_; }
    // True when a file already holds the name: its data then go only over
    // data that are whole.
    bool replacing() const { return replacing_; }

    // Gives the file its modification time (`mtime` < 0: left as is), the
    // permission bits (and owner and group, where allowed) of the file it
    // replaces, removes the write permissions when `readOnly`, and moves it to
    // its final name.
    // A file that replaces another is flushed first, so a crash never leaves
    // the old content lost and the new one unwritten.
    std::optional<SkipReason> Commit(std::time_t mtime, bool readOnly);

private:
    void Discard();

    int folderFd_ = -1;
    int fd_ = -1;
    std::string name_;
    std::string temporaryName_;
    bool replacing_ = false;
    struct stat replaced_ {};
};

} // namespace vantorel::archive::reader
