#pragma once

// The two archive generations of a job, and the one writer that may touch
// them at a time; private to runs/.

#include <filesystem>
#include <functional>
#include <optional>

namespace vantorel {

// The newest and previous archives of one job, with the writer's lock on
// them. While an object holds the lock, no other run (of this program or of
// another one pointing at the same archives) rotates or writes them.
class Generations {
public:
    // Takes the lock of `newest` (a hidden lock file beside it) without
    // waiting; nullopt when another writer holds it or the lock file cannot be
    // made (then nothing at all was touched).
    static std::optional<Generations> Lock(std::filesystem::path newest, std::filesystem::path previous);

    Generations(Generations&& other) noexcept;
    Generations& operator=(Generations&&) = delete;
    Generations(const Generations&) = delete;
    Generations& operator=(const Generations&) = delete;
    // Removes the lock file and releases the lock.
    ~Generations();

    // Finishes or throws away what an interrupted run left beside the
    // archives, from their names alone (inode numbers change across a
    // remount). An archive that is the only copy of a generation is never
    // removed: it takes the name it was on its way to.
    void RecoverLeftovers();

    // Removes the previous generation, making room for the new archive;
    // false when there was none or it could not be removed.
    bool DropPrevious();

    // A fresh hidden name beside the archives for the next archive to be
    // written; unique to this writer.
    std::filesystem::path NewArchiveName() const;

    // Makes `written` (a complete, flushed archive at a name from
    // NewArchiveName) the newest generation, and the newest the previous one;
    // the previous one is dropped. After a kill at any step the names left
    // say what each file is, and RecoverLeftovers finishes the rotation.
    // Throws std::system_error when a rename is refused: before the newest
    // archive moved, the archives are as they were; after, the new archive
    // waits under a name RecoverLeftovers gives the newest name.
    void Rotate(const std::filesystem::path& written);

private:
    // Where the new archive waits once the rotation is decided.
    std::filesystem::path CompleteName() const;

    Generations(std::filesystem::path newest, std::filesystem::path previous, std::filesystem::path lock, int fd);

    std::filesystem::path newest_;
    std::filesystem::path previous_;
    std::filesystem::path lock_;
    int fd_ = -1;
};

// Runs `write`, which writes the next archive at a name from
// NewArchiveName. When it fails for want of room on the destination and a
// previous generation exists, that generation is dropped and `write` runs once
// more: a destination with room for two archives keeps working. The newest
// archive is never touched. Throws what `write` throws.
void WriteMakingRoom(Generations& generations, const std::function<void()>& write);

} // namespace vantorel
