#include "runs/destination_disk.h"

#include "platform/profile_ini.h"

#include <exception>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <system_error>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "Destinations.ini";
constexpr std::string_view kFolderKey = "Dossier";
constexpr std::string_view kMountKey = "PointDeMontage";

bool IsMountRoot(const fs::path& folder) {
    if (folder == folder.root_path()) {
        return true;
    }
    struct statx info {};
    if (statx(AT_FDCWD, folder.c_str(), 0, STATX_BASIC_STATS, &info) == 0 &&
        (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
        return (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    }
    // Older kernels do not say: a mount root lies on another device than its parent.
    struct stat self {};
    struct stat parent {};
    return stat(folder.c_str(), &self) == 0 && stat(folder.parent_path().c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
}

// Where the file system that holds `folder`, or its nearest existing parent
// when it is missing, is mounted; nullopt when nothing of the path can be
// looked at. Unlike device numbers, which some disks get anew at each boot,
// the mount folder outlasts a reboot.
std::optional<std::string> MountOf(const fs::path& folder) {
    if (!folder.is_absolute()) {
        return std::nullopt;
    }
    std::error_code ec;
    fs::path existing = folder.lexically_normal();
    while (!fs::is_directory(existing, ec)) {
        if (existing == existing.root_path()) {
            return std::nullopt;
        }
        existing = existing.parent_path();
    }
    // Links along the path lead to where the archives really are.
    fs::path at = fs::canonical(existing, ec);
    if (ec) {
        return std::nullopt;
    }
    while (!IsMountRoot(at)) {
        at = at.parent_path();
    }
    return at.string();
}

struct DiskRecord {
    std::string folder;
    std::string root;
};

std::optional<DiskRecord> Find(const IniDocument& doc, std::string_view reference) {
    std::optional<std::string_view> folder = doc.Find(reference, kFolderKey);
    std::optional<std::string_view> root = doc.Find(reference, kMountKey);
    if (!folder || !root) {
        return std::nullopt; // a record damaged by hand counts as none
    }
    return DiskRecord{std::string(*folder), std::string(*root)};
}

bool Storable(std::string_view reference, const DiskRecord& record) {
    return IsStorableSectionName(reference) && IsStorableValue(record.folder) && IsStorableValue(record.root);
}

void Set(IniDocument& doc, std::string_view reference, const DiskRecord& record) {
    doc.Set(reference, kFolderKey, record.folder);
    doc.Set(reference, kMountKey, record.root);
}

} // namespace

DestinationDisks::DestinationDisks(const fs::path& settingsFolder) : file_(settingsFolder / kFileName) {}

bool DestinationDisks::IsPresent(std::string_view reference, const fs::path& archiveFolder) const {
    try {
        if (!IsStorableSectionName(reference)) {
            return true; // never recorded
        }
        const std::optional<DiskRecord> record = Find(ReadProfileFile(file_), reference);
        if (!record || record->folder != archiveFolder.string()) {
            return true; // never run here: nothing to compare with
        }
        return MountOf(archiveFolder) == record->root;
    } catch (const std::exception&) {
        return false; // a path that cannot even be looked at is as good as absent
    }
}

void DestinationDisks::Record(std::string_view reference, const fs::path& archiveFolder,
                              const std::vector<BackupJob>& jobs) const {
    try {
        const IniDocument stored = ReadProfileFile(file_);
        IniDocument updated = IniDocument::Parse("");
        for (const BackupJob& job : jobs) {
            if (job.reference == reference) {
                continue;
            }
            if (std::optional<DiskRecord> kept = Find(stored, job.reference); kept && Storable(job.reference, *kept)) {
                Set(updated, job.reference, *kept);
            }
        }
        if (const std::optional<std::string> root = MountOf(archiveFolder)) {
            const DiskRecord record{archiveFolder.string(), *root};
            if (Storable(reference, record)) {
                Set(updated, reference, record);
            }
        }
        if (updated.Serialize() != stored.Serialize()) {
            WriteProfileFile(file_, updated);
        }
    } catch (const std::exception&) {
        // The job is then checked against its earlier record, or against none,
        // which trusts the path as before: the backup itself is good.
    }
}

} // namespace vantorel
